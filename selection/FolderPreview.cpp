#include "FolderPreview.h"

#include <QDir>
#include <algorithm>
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

FolderFilesModel::FolderFilesModel(QObject* parent) : QAbstractListModel(parent) {}

int FolderFilesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(names_.size());
}

QVariant FolderFilesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= names_.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return names_.at(index.row());
    return {};
}

void FolderFilesModel::setNames(QStringList names) {
    beginResetModel();
    names_ = std::move(names);
    endResetModel();
}

void sortNamesIgnoringCase(QStringList& names) {
    // Fold each name once instead of on every comparison.
    std::vector<QString> keys;
    keys.reserve(size_t(names.size()));
    for (const QString& name : std::as_const(names))
        keys.push_back(name.toCaseFolded());
    std::vector<qsizetype> order(size_t(names.size()));
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        const int byKey = keys[size_t(a)].compare(keys[size_t(b)]);
        if (byKey != 0)
            return byKey < 0;
        return names.at(a) < names.at(b);
    });
    QStringList sorted;
    sorted.reserve(names.size());
    for (qsizetype i : order)
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

FolderPreview::FolderPreview(FileSystem& fs) : fs_(fs) {}

bool FolderPreview::setFolder(const QString& path) {
    const std::unique_ptr<Folder> folder = fs_.openFolder(path);
    if (!folder)
        return false;
    const std::optional<QList<FolderEntry>> entries = folder->entries();
    if (!entries)
        return false;

    QStringList subFolders;
    QStringList files;
    for (const FolderEntry& entry : *entries) {
        const bool isFolder =
            entry.attributes != attr::Invalid && (entry.attributes & attr::Folder) != 0;
        (isFolder ? subFolders : files).append(entry.name);
    }
    sortNamesIgnoringCase(subFolders);
    sortNamesIgnoringCase(files);

    QList<FolderTreeModel::Row> rows = folderLineage(path);
    const int folderRow = int(rows.size()) - 1;
    const QString base = rows.last().path;
    const QString prefix = base.endsWith(QDir::separator()) ? base : base % QDir::separator();
    rows.reserve(rows.size() + subFolders.size());
    for (const QString& name : std::as_const(subFolders))
        rows.append({name, prefix % name, folderRow + 1});

    dirs_.setRows(std::move(rows), folderRow);
    files_.setNames(std::move(files));
    folder_ = path;
    return true;
}

bool FolderPreview::refresh() {
    return !folder_.isEmpty() && setFolder(folder_);
}

} // namespace varnex
