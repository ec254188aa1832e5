#pragma once

#include "RenameCommand.h"

#include <QCoreApplication>
#include <QList>
#include <QStringList>
#include <functional>

namespace varnex {

// What the window would hand to a rename run now.
struct PreviewRequest {
    SelectionMode mode = SelectionMode::None;
    QString folder;      // folder mode: the chosen folder
    QStringList entries; // files mode: the list's entries, in list order
    RenameOptions options;
    AttributeChoices allowed;
    bool recursive = false;
    // Files mode: the identity of each entry's folder as the list holds it (empty: none known).
    QList<FolderIdentity> entryFolders;
};

// How the run will end for one file.
enum class PreviewOutcome { Rename, SameName, Error, TooLong, Skipped };

struct PreviewRow {
    QString name; // files mode: the full path; folder mode: relative to the chosen folder
    QString newName;
    PreviewOutcome outcome = PreviewOutcome::Rename;
    int errorNumber = 0;   // Error
    quint32 skippedBy = 0; // Skipped: attr::ReadOnly, attr::Hidden or attr::System
};

} // namespace varnex

// Texts and numbers only: a growing list of a million rows moves them as bytes, not one by one.
Q_DECLARE_TYPEINFO(varnex::PreviewRow, Q_RELOCATABLE_TYPE);

namespace varnex {

struct PreviewSummary {
    qint64 toRename = 0; // renamed, to a new name or to its own
    qint64 errors = 0;   // failed or too long
    qint64 skipped = 0;
    // The message the Rename command would show instead of running; empty when it runs.
    QString refusal;
};

// The "Result" text of a row.
QString previewResultText(const PreviewRow& row);
// The one line that sums a preview up, e.g. "1,204 to rename · 3 errors · 17 skipped".
QString previewSummaryText(const PreviewSummary& summary);

// Computes a preview by running the rename engine over a file system (a DryRunFileSystem, so
// that nothing is renamed), answering Ignore to every failure and Yes to every name too long,
// as a user who lets the run go on. Over the real file system it is that run itself.
class PreviewComputer {
    Q_DECLARE_TR_FUNCTIONS(PreviewComputer)
public:
    // Returns true when the preview is no longer wanted: the run stops at the next file.
    using Cancelled = std::function<bool()>;
    // Receives the rows found since the last call, now and then, and once at the end.
    using Rows = std::function<void(QList<PreviewRow>&&)>;

    explicit PreviewComputer(FileSystem& fs) : fs_(fs) {}

    // False when cancelled before the end.
    bool compute(const PreviewRequest& request, const Cancelled& cancelled, const Rows& rows,
                 PreviewSummary& summary);

private:
    FileSystem& fs_;
};

} // namespace varnex
