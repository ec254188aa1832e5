#pragma once

#include "RenameEngine.h"

#include <QList>
#include <QString>

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
