#pragma once

#include "engine/RenameEngine.h"
#include "selection/FlatListModel.h"
#include "selection/IdHashIndex.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QTimer>

namespace varnex {

// One entry of the file list: its stable id, its path, and the identity of its folder when
// the path was added.
struct FileListEntry {
    FileListAccess::EntryId id = 0;
    QString text;
    FolderIdentity folder;
};

} // namespace varnex

// An id, a text and two numbers: a growing list of a million entries moves them as bytes.
Q_DECLARE_TYPEINFO(varnex::FileListEntry, Q_RELOCATABLE_TYPE);

namespace varnex {

// The entries of the file list: full paths in insertion order, each with a stable id, and an
// index of the hashes of their upper-cased forms so that the duplicate test costs constant time
// per path. The index holds ids, not texts: a list of a million paths keeps each path once.
//
// Ids grow with every append and entries are only ever appended at the end, so the entries are
// always sorted by id: a lookup by id is a binary search, and a hint makes the usual in-order
// walk of a rename run constant time per entry.
class FileListModel : public FlatListModel, public FileListAccess {
    Q_OBJECT
public:
    explicit FileListModel(QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role) const override;

    int count() const;
    QString entryAt(int row) const;
    EntryId idAt(int row) const;
    // `folder` is the identity of the path's folder as it was when the path was added.
    void append(const QString& path, const FolderIdentity& folder = {});
    // Between these two calls, appended rows are announced to views together, now and then,
    // instead of one by one: a view lays out all its rows after each announcement, which
    // row by row would cost time in proportion to the square of a long list. Any other change
    // announces the pending rows first; endAppending() announces them at once.
    void beginAppending();
    void endAppending();
    void removeAt(int row);
    // Removes the rows in [row, row + count); false when the range is not inside the list.
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;
    // Removes every listed row. The rows need not be sorted or unique; rows outside the list
    // are ignored. A few contiguous ranges are removed one by one (each announced with its own
    // rowsRemoved signal, so views keep their current entry); many scattered ranges are removed
    // in one pass under a layout change, so the cost stays linear in the list's length.
    void removeRows(QList<int> rows);
    void clear();
    // Whether a path equal to `path` but for letter case is in the list.
    bool containsIgnoringCase(const QString& path) const;
    // Grows by one with every change of the list's rows (append, removal, clear), so that a
    // command that lets events run can tell whether the list changed meanwhile.
    quint64 structureRevision() const { return structureRevision_; }
    // The number of entries whose id is lower than `id`: the row that `id` has, or would have
    // had, in the list.
    int rowsBefore(EntryId id) const;

    // FileListAccess
    QList<EntryId> entryIds() const override;
    std::optional<QString> entryText(EntryId id) const override;
    int rowOf(EntryId id) const override;
    void setEntryText(EntryId id, const QString& text) override;
    FolderIdentity entryFolder(EntryId id) const override;

    // Above this many ranges, removeRows(QList<int>) uses a single layout change.
    static constexpr int SeparateRangeLimit = 8;

private:
    using Entry = FileListEntry;

    // The rows views know of.
    int rows() const override { return announced_; }

    // The hash of the upper-cased form of a path.
    static size_t upperHash(const QString& text);
    void indexAdd(const Entry& entry);
    void indexRemove(const Entry& entry);
    void rebuildIndex() const;
    // Announces the rows appended since the last announcement.
    void announceAppended();
    // Announces the rows rewritten since the last announcement, as one range. Rows are
    // announced before any removal, so the range never refers to rows that moved.
    void announceChanged();
    void removeRange(int first, int last);
    void removeScattered(const QList<int>& sortedRows);

    QList<Entry> entries_;
    // Hash of the upper-cased entry -> the ids of the entries with that hash; a look-up compares
    // the upper-cased texts of those entries only. Entries of one upper-cased form can be many
    // (an Open into an empty list skips the test, a rename may write an existing form back).
    // A rename run rewrites entry after entry: the index is then dropped and rebuilt once, at
    // the next look-up, instead of being updated on every rewrite.
    mutable IdHashIndex upperIndex_;
    mutable bool indexStale_ = false;
    EntryId nextId_ = 1;
    // The rows views know of; the entries after them are still to be announced.
    int announced_ = 0;
    bool appending_ = false;
    QTimer announceTimer_;
    // The rows rewritten and not yet announced; -1 when none.
    int changedFirst_ = -1;
    int changedLast_ = -1;
    QTimer changeTimer_;
    quint64 structureRevision_ = 0;
    // The row of the last id looked up: a rename run asks for ids in list order.
    mutable int rowHint_ = 0;
};

} // namespace varnex
