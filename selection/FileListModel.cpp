#include "FileListModel.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace varnex {

FileListModel::FileListModel(QObject* parent) : FlatListModel(parent) {
    announceTimer_.setSingleShot(true);
    connect(&announceTimer_, &QTimer::timeout, this, &FileListModel::announceAppended);
    changeTimer_.setSingleShot(true);
    connect(&changeTimer_, &QTimer::timeout, this, &FileListModel::announceChanged);
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= announced_)
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return entries_.at(index.row()).text;
    return {};
}

int FileListModel::count() const {
    return int(entries_.size());
}

QString FileListModel::entryAt(int row) const {
    if (row < 0 || row >= entries_.size())
        return {};
    return entries_.at(row).text;
}

FileListAccess::EntryId FileListModel::idAt(int row) const {
    if (row < 0 || row >= entries_.size())
        return 0;
    return entries_.at(row).id;
}

size_t FileListModel::upperHash(const QString& text) {
    return qHash(text.toUpper());
}

void FileListModel::indexAdd(const Entry& entry) {
    if (!indexStale_)
        upperIndex_.add(upperHash(entry.text), entry.id);
}

void FileListModel::indexRemove(const Entry& entry) {
    if (indexStale_)
        return;
    upperIndex_.remove(upperHash(entry.text), entry.id);
}

void FileListModel::append(const QString& path, const FolderIdentity& folder) {
    entries_.append(Entry{nextId_++, path, folder});
    indexAdd(entries_.last());
    ++structureRevision_;
    if (!appending_) {
        announceAppended();
    } else if (!announceTimer_.isActive()) {
        // A longer list takes longer to lay out: it is told of new rows less often, from a few
        // times a second for a short list to every two seconds for a million rows.
        announceTimer_.start(std::clamp(announced_ / 500, 15, 2000));
    }
}

void FileListModel::beginAppending() {
    appending_ = true;
}

void FileListModel::endAppending() {
    appending_ = false;
    announceAppended();
}

void FileListModel::announceAppended() {
    announceTimer_.stop();
    const int n = count();
    if (announced_ >= n)
        return;
    beginInsertRows({}, announced_, n - 1);
    announced_ = n;
    endInsertRows();
}

void FileListModel::removeAt(int row) {
    if (row >= 0 && row < count())
        removeRange(row, row);
}

bool FileListModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count <= 0 || row > this->count() - count)
        return false;
    removeRange(row, row + count - 1);
    return true;
}

void FileListModel::removeRange(int first, int last) {
    announceAppended();
    announceChanged();
    beginRemoveRows({}, first, last);
    for (int row = first; row <= last; ++row)
        indexRemove(entries_.at(row));
    entries_.remove(first, last - first + 1);
    announced_ = count();
    ++structureRevision_;
    endRemoveRows();
}

void FileListModel::removeRows(QList<int> rows) {
    announceAppended();
    announceChanged();
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [n = count()](int row) { return row < 0 || row >= n; }),
               rows.end());
    if (rows.isEmpty())
        return;

    // Contiguous ranges, highest rows first: removing those first keeps the rows of the ranges
    // still to remove valid.
    QList<std::pair<int, int>> ranges;
    for (int i = int(rows.size()) - 1; i >= 0;) {
        const int last = rows.at(i);
        int first = last;
        while (--i >= 0 && rows.at(i) == first - 1)
            first = rows.at(i);
        ranges.append({first, last});
    }

    if (ranges.size() > SeparateRangeLimit) {
        removeScattered(rows);
        return;
    }
    for (const auto& [first, last] : std::as_const(ranges))
        removeRange(first, last);
}

// One pass over the list for any number of ranges. Each rowsRemoved signal costs a view and its
// selection model time in proportion to their persistent indexes, so thousands of scattered
// ranges announced one by one would cost quadratic time; one layout change does not.
void FileListModel::removeScattered(const QList<int>& sortedRows) {
    Q_EMIT layoutAboutToBeChanged();

    const int oldCount = count();
    std::vector<int> newRowOf(size_t(oldCount), -1);
    int write = 0;
    auto next = sortedRows.cbegin();
    for (int read = 0; read < oldCount; ++read) {
        if (next != sortedRows.cend() && *next == read) {
            ++next;
            indexRemove(entries_.at(read));
            continue;
        }
        if (write != read)
            entries_[write] = std::move(entries_[read]);
        newRowOf[size_t(read)] = write++;
    }
    entries_.resize(write);
    announced_ = write;

    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from) {
        const int row =
            index.row() >= 0 && index.row() < oldCount ? newRowOf[size_t(index.row())] : -1;
        to.append(row >= 0 ? createIndex(row, index.column()) : QModelIndex());
    }
    changePersistentIndexList(from, to);

    ++structureRevision_;
    Q_EMIT layoutChanged();
}

void FileListModel::clear() {
    announceTimer_.stop();
    changeTimer_.stop();
    changedFirst_ = changedLast_ = -1;
    beginResetModel();
    entries_.clear();
    announced_ = 0;
    upperIndex_.clear();
    indexStale_ = false;
    rowHint_ = 0;
    ++structureRevision_;
    endResetModel();
}

void FileListModel::rebuildIndex() const {
    upperIndex_.clear();
    upperIndex_.reserve(size_t(entries_.size()));
    for (const Entry& e : entries_)
        upperIndex_.add(upperHash(e.text), e.id);
    indexStale_ = false;
}

bool FileListModel::containsIgnoringCase(const QString& path) const {
    if (indexStale_)
        rebuildIndex();
    const QString upper = path.toUpper();
    return upperIndex_.anyOf(qHash(upper), [&](EntryId id) {
        const int row = rowOf(id);
        return row >= 0 && entries_.at(row).text.toUpper() == upper;
    });
}

int FileListModel::rowsBefore(EntryId id) const {
    const auto it = std::lower_bound(entries_.cbegin(), entries_.cend(), id,
                                     [](const Entry& e, EntryId value) { return e.id < value; });
    return int(it - entries_.cbegin());
}

QList<FileListAccess::EntryId> FileListModel::entryIds() const {
    QList<EntryId> ids;
    ids.reserve(entries_.size());
    for (const Entry& e : entries_)
        ids.append(e.id);
    return ids;
}

int FileListModel::rowOf(EntryId id) const {
    const int n = count();
    for (int row : {rowHint_, rowHint_ + 1}) {
        if (row >= 0 && row < n && entries_.at(row).id == id) {
            rowHint_ = row;
            return row;
        }
    }
    const int row = rowsBefore(id);
    if (row >= n || entries_.at(row).id != id)
        return -1;
    rowHint_ = row;
    return row;
}

std::optional<QString> FileListModel::entryText(EntryId id) const {
    const int row = rowOf(id);
    if (row < 0)
        return std::nullopt;
    return entries_.at(row).text;
}

FolderIdentity FileListModel::entryFolder(EntryId id) const {
    const int row = rowOf(id);
    return row < 0 ? FolderIdentity{} : entries_.at(row).folder;
}

void FileListModel::setEntryText(EntryId id, const QString& text) {
    announceAppended();
    const int row = rowOf(id);
    if (row < 0)
        return;
    entries_[row].text = text;
    // The index is rebuilt when it is next needed; until then it takes no memory.
    if (!indexStale_) {
        upperIndex_.clear();
        indexStale_ = true;
    }
    // A run rewrites entry after entry: views learn of the rewritten rows together, the next
    // time events are processed, instead of updating once per row.
    changedFirst_ = changedFirst_ < 0 ? row : std::min(changedFirst_, row);
    changedLast_ = std::max(changedLast_, row);
    if (!changeTimer_.isActive())
        changeTimer_.start(0);
}

void FileListModel::announceChanged() {
    changeTimer_.stop();
    if (changedFirst_ < 0)
        return;
    const int first = std::exchange(changedFirst_, -1);
    const int last = std::exchange(changedLast_, -1);
    Q_EMIT dataChanged(index(first), index(last), {Qt::DisplayRole, Qt::ToolTipRole});
}

} // namespace varnex
