#pragma once

#include "FileListModel.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

#include <QList>
#include <QString>

class QItemSelectionModel;
class QMimeData;

namespace varnex {

// The file list's commands: adding with the duplicate rule, Close, Close All and drops. The
// window shows model() in its list view and hands Close the view's selection model.
class FileList {
public:
    FileList(FileSystem& fs, EventPump& events);

    FileListModel& model() { return model_; }
    const FileListModel& model() const { return model_; }

    // True while the names of an Open into an empty list are being added: AddListItem then
    // appends without the duplicate test. Only the Open command sets it.
    bool ListWasEmpty = false;

    // CheckForListDuplicate's answer for a path already in the list.
    static constexpr int DuplicateFound = 99999;

    // Appends the path, unless ListWasEmpty is false and the list already holds it in any
    // letter case. Refusals are silent.
    void AddListItem(const QString& NewListItem);
    // The adds made between these two calls form one batch: the identity of each folder is
    // taken once per batch, and the list's views learn of new rows a few times a second
    // rather than row by row.
    void beginAdding();
    void endAdding();
    // DuplicateFound when the list holds the path in any letter case, else 0.
    int CheckForListDuplicate(const QString& NewListItem) const;

    // Removes every selected entry, from the last row up, letting events run between removals.
    // Does nothing when the list is empty or has no current entry. Events processed meanwhile
    // may change the list or the selection: the walk then reads the selection afresh and only
    // ever removes entries selected at that moment, below the rows it already passed.
    // `selection` must be a selection model over model().
    void cmdClose(QItemSelectionModel& selection);
    // Removes every entry at once. ListWasEmpty is left as it is.
    void cmdCloseAll();

    // Whether a drag carries at least one local file (the list accepts only those).
    static bool carriesLocalFiles(const QMimeData* data);
    // Adds the local files of a drop, in the order given, each only when the plain-file lookup
    // finds it. A path is taken from its percent-encoded bytes, read the way a folder listing
    // reads names, so a name that is not UTF-8 names its own file and no other;
    // folders, Hidden and System files and missing paths are skipped. A drop always
    // tests for duplicates, whatever ListWasEmpty says: a second entry of the same file would
    // make its second rename fail. Data without a file list adds nothing. Returns the number
    // of entries added.
    int addDroppedFiles(const QMimeData* data);

    // Close removes the selection in at most this many steps, with events processed after each.
    static constexpr int MaxCloseSteps = 32;

private:
    bool appendIfAbsent(const QString& path);
    // Appends the path with the identity of its folder as it is now.
    void appendWithFolder(const QString& path);

    FileSystem& fs_;
    EventPump& events_;
    FileListModel model_;
    // Within a batch of adds: the folder whose identity was last taken, and that identity.
    int adding_ = 0; // batches begun and not ended (a drop can come during an Open)
    bool identityTaken_ = false;
    QString identityFolder_;
    FolderIdentity identity_;
};

// The selected rows of a one-column list, ascending and without repeats, below `limit`.
QList<int> selectedRowsBelow(const QItemSelectionModel& selection, int limit);

} // namespace varnex
