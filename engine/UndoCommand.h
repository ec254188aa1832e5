#pragma once

#include "RenameEngine.h"

#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <thread>
#include <utility>

namespace varnex {

// What Edit > Undo can do now, from the newest journal.
struct UndoAvailability {
    qint64 count = 0; // renames of the newest journal not yet undone
    QString why;      // when nothing can be undone for a reason the user should know
    QString journal;  // the newest journal's file name, when there is one
};

// Reads the newest journal in `journalFolder`. `runFailure`, when not empty, is why the journal
// of the last run could not be written: that run cannot be undone, and no older one either.
UndoAvailability undoAvailability(const QString& journalFolder, const QString& runFailure);

// Reads undoAvailability() on a thread of its own, one reading at a time. Reading passes over
// every record of the newest journal: tens of milliseconds for a run of a million renames, too
// long to hold the window at start-up or each time its Edit menu opens. Each answer is handed
// to `show` on the thread that made the reader. A reading asked for while one runs is made
// after it. A journal is opened by one reader at a time, so a run or an undo calls hold()
// first: it waits for the reading under way and drops its answer.
class UndoReader : public QObject {
public:
    using Show = std::function<void(const UndoAvailability&)>;
    explicit UndoReader(Show show);
    // Waits for the reading under way; its answer is not shown.
    ~UndoReader() override;

    void read(const QString& journalFolder, const QString& runFailure);
    void hold();
    bool reading() const { return thread_.joinable(); }

private:
    void arrived(const UndoAvailability& availability, quint64 reading);

    Show show_;
    std::thread thread_;
    quint64 readings_ = 0; // numbers the readings; hold() makes the one under way stale
    std::optional<std::pair<QString, QString>> next_; // a reading asked for meanwhile
};

// The Undo item's caption ("Undo Rename of 1,204 Files"; "&Undo" when there is nothing to
// undo) and its tooltip.
QString undoCaption(const UndoAvailability& availability);
QString undoToolTip(const UndoAvailability& availability);

// A file renamed back: its path before and after the undo.
struct RestoredName {
    QString from;
    QString to;
};

// The outcome of one undo.
struct UndoOutcome {
    qint64 undone = 0;
    qint64 problemCount = 0;
    QStringList problems; // the first MaxListedProblems, each "path: reason"
    QList<RestoredName> restored;
    QString why; // the journal could not be used at all
    static constexpr int MaxListedProblems = 20;
};

// Renames the files of the newest journal back, newest rename first. Each goes through its
// folder opened by path and checked to be the folder the journal names, with the rename that
// never replaces a file. A record whose new name is gone while its old name is there (the
// rename never happened, or was undone already) is passed over silently; a missing file, a
// taken old name or a replaced folder is reported. Every outcome is written to the journal as
// it happens, so an undo that dies halfway is finished by the next one.
// `expected`, when not empty, is the journal the Undo item counted (UndoAvailability::journal):
// when another window has made a newer one since, nothing is undone and `why` says so.
UndoOutcome undoNewestRun(FileSystem& fs, const QString& journalFolder, EventPump& events,
                          const QString& expected = {});

// The one message that sums up an undo.
QString undoSummary(const UndoOutcome& outcome);

// Puts the old paths back into the list entries that hold the new ones.
void restoreListEntries(FileListAccess& list, const QList<RestoredName>& restored);

} // namespace varnex
