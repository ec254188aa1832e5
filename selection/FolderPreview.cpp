#include "FolderPreview.h"

#include "platform/NameOrder.h"
#include "platform/Text.h"

#include <QDir>
#include <algorithm>
#include <chrono>
#include <numeric>
#include <vector>

namespace varnex {

FolderTreeModel::FolderTreeModel(QObject* parent) : QAbstractListModel(parent) {}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const Row& row = rows_.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        // Two blanks per level: the list reads as a tree in any plain list view.
        return QString(QString(row.depth * 2, QLatin1Char(' ')) % row.name);
    case Qt::ToolTipRole:
    case PathRole:
        return row.path;
    case NameRole:
        return row.name;
    case DepthRole:
        return row.depth;
    default:
        return {};
    }
}

QHash<int, QByteArray> FolderTreeModel::roleNames() const {
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(NameRole, "name");
    names.insert(PathRole, "path");
    names.insert(DepthRole, "depth");
    return names;
}

void FolderTreeModel::setRows(QList<Row> rows, int folderRow) {
    beginResetModel();
    rows_ = std::move(rows);
    folderRow_ = folderRow;
    endResetModel();
}

FolderFilesModel::FolderFilesModel(QObject* parent) : FlatListModel(parent) {}

QVariant FolderFilesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return listing_.name(order_.at(index.row())).toString();
    return {};
}

void FolderFilesModel::setNames(const QStringList& names) {
    FolderListing listing;
    for (const QString& name : names)
        listing.append(name, 0);
    QList<qsizetype> order(names.size());
    std::iota(order.begin(), order.end(), qsizetype(0));
    setListing(std::move(listing), std::move(order));
}

void FolderFilesModel::setListing(FolderListing listing, QList<qsizetype> order) {
    beginResetModel();
    listing_ = std::move(listing);
    order_ = std::move(order);
    endResetModel();
}

QStringList FolderFilesModel::names() const {
    QStringList names;
    names.reserve(order_.size());
    for (const qsizetype i : order_)
        names.append(listing_.name(i).toString());
    return names;
}

void sortNamesIgnoringCase(QStringList& names, const ListingPause& pause) {
    const QList<qsizetype> order = nameOrder(
        names.size(), [&](qsizetype i) { return QStringView(names.at(i)); }, pause);
    QStringList sorted;
    sorted.reserve(names.size());
    for (const qsizetype i : order)
        sorted.append(std::move(names[i]));
    names = std::move(sorted);
}

QList<FolderTreeModel::Row> folderLineage(const QString& path) {
    QString clean = QDir::fromNativeSeparators(path);
    if (QDir::isRelativePath(clean))
        clean = QDir::current().absoluteFilePath(clean);
    clean = QDir::cleanPath(clean);

    // The root: "/" or a drive's "X:/".
    QString root;
    if (clean.size() >= 2 && clean.at(0).isLetter() && clean.at(1) == QLatin1Char(':'))
        root = clean.left(2) % QLatin1Char('/');
    else
        root = QStringLiteral("/");

    QList<FolderTreeModel::Row> rows;
    rows.append({QDir::toNativeSeparators(root), QDir::toNativeSeparators(root), 0});
    const QStringList parts = clean.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current = root;
    for (const QString& part : parts) {
        if (!current.endsWith(QLatin1Char('/')))
            current += QLatin1Char('/');
        current += part;
        rows.append({part, QDir::toNativeSeparators(current), int(rows.size())});
    }
    return rows;
}

std::optional<FolderReading> readFolderForLists(FileSystem& fs, const QString& path,
                                                const ListingPause& pause,
                                                const std::function<bool()>& wanted) {
    const std::unique_ptr<Folder> folder = fs.openFolder(path);
    if (!folder)
        return std::nullopt;
    // The lists need each entry's kind only, which most listings tell without a query per
    // entry.
    std::optional<FolderListing> entries = folder->entryKinds(pause);
    if (!entries || !wanted())
        return std::nullopt;

    // A folder of a million files takes milliseconds per pass: each pass lets events through
    // now and then.
    QStringList subFolders;
    QList<qsizetype> files; // positions in the listing
    files.reserve(entries->size());
    for (qsizetype i = 0; i < entries->size(); ++i) {
        const quint32 attributes = entries->attributes(i);
        if (attributes != attr::Invalid && (attributes & attr::Folder) != 0)
            subFolders.append(entries->name(i).toString());
        else
            files.append(i);
        pauseAfter(pause, i + 1);
    }
    sortNamesIgnoringCase(subFolders, pause);
    QList<qsizetype> order = nameOrder(
        files.size(), [&](qsizetype i) { return entries->name(files.at(i)); }, pause);
    for (qsizetype i = 0; i < order.size(); ++i) {
        order[i] = files.at(order.at(i));
        pauseAfter(pause, i + 1);
    }
    if (!wanted())
        return std::nullopt;

    FolderReading reading;
    reading.rows = folderLineage(path);
    reading.folderRow = int(reading.rows.size()) - 1;
    const QString base = reading.rows.last().path;
    const QString prefix = base.endsWith(QDir::separator()) ? base : base % QDir::separator();
    reading.rows.reserve(reading.rows.size() + subFolders.size());
    for (const QString& name : std::as_const(subFolders))
        reading.rows.append({name, joined(prefix, name), reading.folderRow + 1});
    reading.listing = std::move(*entries);
    reading.order = std::move(order);
    return reading;
}

FolderPreview::FolderPreview(FileSystem& fs) : fs_(fs) {}

// A reading still under way is waited for: it uses the file system, which may go next.
FolderPreview::~FolderPreview() = default;

void FolderPreview::readAhead(const QString& path) {
    if (path.isEmpty() || !fs_.readsOnAnyThread())
        return;
    aheadPath_ = path;
    ahead_ = std::async(std::launch::async, [&fs = fs_, path] {
        return readFolderForLists(fs, path, {}, [] { return true; });
    });
}

bool FolderPreview::setFolder(const QString& path, const ListingPause& pause) {
    const quint64 reading = ++readings_;
    const auto wanted = [&] {
        return reading == readings_;
    };
    std::optional<FolderReading> read;
    // A reading ahead serves the first setFolder() only, and only when it is of its folder;
    // any later one reads afresh.
    const QString aheadPath = std::exchange(aheadPath_, QString());
    const bool takeAhead = ahead_.valid() && !aheadPath.isEmpty() && path == aheadPath;
    if (takeAhead) {
        // Taken out first, so that a call made while this one pauses reads for itself.
        std::future<std::optional<FolderReading>> ahead = std::move(ahead_);
        if (pause) {
            while (ahead.wait_for(std::chrono::milliseconds(2)) != std::future_status::ready)
                pause();
        }
        read = ahead.get();
    } else {
        read = readFolderForLists(fs_, path, pause, wanted);
    }
    if (!read || !wanted())
        return false;
    dirs_.setRows(std::move(read->rows), read->folderRow);
    files_.setListing(std::move(read->listing), std::move(read->order));
    folder_ = path;
    return true;
}

bool FolderPreview::refresh(const ListingPause& pause) {
    return !folder_.isEmpty() && setFolder(folder_, pause);
}

} // namespace varnex
