#pragma once

#include "RenameObserver.h"
#include "RenameOptions.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

#include <QList>
#include <optional>
#include <unordered_map>

namespace varnex {

// The counters of one run; 64-bit, so they never wrap.
struct RunCounters {
    qint64 FilesProcessed = 0;
    qint64 FilesRenamed = 0;
    qint64 FilesFailed = 0;
    qint64 ReadOnlySkipped = 0;
    qint64 HiddenSkipped = 0;
    qint64 SystemSkipped = 0;
};

// Which attributes the user allows the folder walk to rename.
struct AttributeChoices {
    bool readOnly = false;
    bool hidden = false;
    bool system = false;
};

// The user's current choices as the engine reads them: afresh for every file, so a change
// made while a run yields applies from the next file on.
class RenameChoices {
public:
    virtual ~RenameChoices() = default;
    virtual RenameOptions renameOptions() const = 0;
    virtual AttributeChoices attributeChoices() const = 0;
    // "Rename files in all sub-folders" is ticked.
    virtual bool recursive() const = 0;
    // A number that changes whenever any of the choices above changes, so that the engine
    // reads them again only then. 0 where the choices cannot tell: they are then read afresh
    // for every file.
    virtual quint64 revision() const { return 0; }
};

// The file list as a run sees it. Entries carry stable ids, so a run stays correct when the
// user removes entries while it yields: it never reads a removed entry and writes a new name
// only into the entry of the file that was renamed.
class FileListAccess {
public:
    using EntryId = quint64;
    virtual ~FileListAccess() = default;
    // The ids of the current entries, in list order.
    virtual QList<EntryId> entryIds() const = 0;
    // The entry's text; std::nullopt once the entry was removed.
    virtual std::optional<QString> entryText(EntryId id) const = 0;
    // The entry's current row; -1 once it was removed.
    virtual int rowOf(EntryId id) const = 0;
    // Replaces the entry's text; does nothing once the entry was removed.
    virtual void setEntryText(EntryId id, const QString& text) = 0;
    // The identity of the entry's folder, taken when the entry was added; not known() when
    // none was taken. A rename of a known entry goes through that folder only.
    virtual FolderIdentity entryFolder(EntryId id) const {
        static_cast<void>(id);
        return {};
    }
};

// Renames files one at a time, with the user's dialogs and the run's counters.
class RenameEngine {
public:
    RenameEngine(FileSystem& fs, MessageBox& messages, EventPump& events,
                 const RenameChoices& choices);

    RunCounters counters;
    // Set when the user stops the run (or the window sets it, e.g. when closing): the list run
    // and the folder walk end after the current file.
    bool StopRun = false;
    // The row of the list entry being renamed in a list run; -1 outside a list run.
    int ListPosition = -1;

    const RenameChoices& choices() const { return choices_; }

    // Told about every file the runs handle from now on; nullptr for none. Not owned.
    void setObserver(RenameObserver* observer) { observer_ = observer; }

    // Zeroes the counters, clears StopRun and ListPosition.
    void startRun();

    // Renames one file: `path` (ending with the separator) + `fileName`. In a folder walk
    // `folder` is the open folder that holds the file; in a list run `list` and `entry` name
    // the list entry that receives the new path; when the entry carries its folder's identity,
    // the rename goes through that folder opened afresh and checked, and a folder that is no
    // longer the same fails with "Path not found" (76). A new name that would leave the folder
    // (a separator or NUL in it, empty, "." or "..") or holds a control character (U+0001 to
    // U+001F, U+007F) is refused as a bad file name. Either goes through the same Abort / Retry
    // / Ignore question as a failed rename. The entry of a skipped file keeps its old path.
    void PerformReplacement(const QString& path, const QString& fileName, Folder* folder = nullptr,
                            FileListAccess* list = nullptr, FileListAccess::EntryId entry = 0);

    // Renames every entry of the list, in order, until StopRun. Entries removed meanwhile,
    // entries that name no file (no separator, or nothing after it) and entries naming a file
    // already renamed in this run are passed over. Counts each entry handed to renaming in
    // FilesProcessed and returns the number of distinct folders among them.
    int renameList(FileListAccess& list);

    // Walks `path` (and, when recursion is chosen, its sub-folders depth first), renaming the
    // files that pass the attribute filters. `dirCount` grows by one per sub-folder found.
    void FindFilesAPI(const QString& path, const QString& searchStr, int& dirCount);

private:
    class NamePattern;
    struct Level;

    // The current choices: read again only when their revision changed (or cannot tell).
    void readChoices();
    // Both passes over one folder; the sub-folders to walk next are left in `level`.
    void walkOneFolder(Level& level, const NamePattern& pattern, int& dirCount);
    // The folder `path` opened and checked to be `identity`, or nullptr. The entries of one
    // folder share one opening for the whole run, wherever they stand in the list.
    Folder* checkedListFolder(const QString& path, const FolderIdentity& identity);
    // Closes the folders checkedListFolder() holds open.
    void closeListFolders();

    FileSystem& fs_;
    MessageBox& messages_;
    EventPump& events_;
    const RenameChoices& choices_;
    RenameObserver* observer_ = nullptr;
    // The choices as last read, and the revision they were read at.
    RenameOptions options_;
    AttributeChoices attributes_;
    quint64 choicesRevision_ = 0;
    bool choicesRead_ = false;
    // The full path, and the name, given to the last list entry renamed by PerformReplacement.
    QString lastNewPath_;
    QString lastNewName_;
    // Set when a list entry's last attempt found its folder replaced since it was added.
    bool lastFolderMissed_ = false;
    // The folders of a list run, by path, as checkedListFolder() opened and checked them, and
    // the one it gave last: entries of one folder usually follow one another.
    std::unordered_map<QString, std::unique_ptr<Folder>> listFolders_;
    QString lastListPath_;
    Folder* lastListFolder_ = nullptr;
};

// The text up to, not including, its first NUL character.
QString TruncateAtNull(const QString& text);

} // namespace varnex
