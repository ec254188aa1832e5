#include "FolderPreview.h"

#include <QDir>
#include <QElapsedTimer>
#include <cstdio>
#include <algorithm>
#include <string>
#include <string_view>
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
    // Each name is folded once, into one buffer shared by all of them, so that the comparisons
    // read memory that lies close together and compare inline. Plain ASCII names, the usual
    // case, fold without a conversion of their own.
    struct Key {
        qsizetype offset;
        qsizetype length;
        qsizetype index;
    };
    std::vector<Key> keys;
    keys.reserve(size_t(names.size()));
    std::u16string folded;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString& name = names.at(i);
        const qsizetype offset = qsizetype(folded.size());
        const bool ascii = std::all_of(name.cbegin(), name.cend(),
                                       [](QChar c) { return c.unicode() < 0x80; });
        if (ascii) {
            for (const QChar c : name) {
                const char16_t u = c.unicode();
                folded.push_back(u >= u'A' && u <= u'Z' ? char16_t(u + (u'a' - u'A')) : u);
            }
        } else {
            const QString caseFolded = name.toCaseFolded();
            folded.append(reinterpret_cast<const char16_t*>(caseFolded.constData()),
                          size_t(caseFolded.size()));
        }
        keys.push_back({offset, qsizetype(folded.size()) - offset, i});
    }

    const std::u16string_view all(folded);
    std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
        const int byKey = all.substr(size_t(a.offset), size_t(a.length))
                              .compare(all.substr(size_t(b.offset), size_t(b.length)));
        if (byKey != 0)
            return byKey < 0;
        return names.at(a.index) < names.at(b.index);
    });

    QStringList sorted;
    sorted.reserve(names.size());
    for (const Key& key : keys)
        sorted.append(std::move(names[key.index]));
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

bool FolderPreview::setFolder(const QString& path, const ListingPause& pause) {
    const quint64 reading = ++readings_;
    const std::unique_ptr<Folder> folder = fs_.openFolder(path);
    if (!folder)
        return false;
    // The lists need each entry's kind only, which most listings tell without a query per
    // entry.
    const std::optional<QList<FolderEntry>> entries = folder->entryKinds(pause);
    if (!entries || reading != readings_)
        return false;
    QElapsedTimer tt; tt.start();

    QStringList subFolders;
    QStringList files;
    for (const FolderEntry& entry : *entries) {
        const bool isFolder =
            entry.attributes != attr::Invalid && (entry.attributes & attr::Folder) != 0;
        (isFolder ? subFolders : files).append(entry.name);
    }
    fprintf(stderr, "split %lld\n", tt.nsecsElapsed()/1000);
    sortNamesIgnoringCase(subFolders);
    sortNamesIgnoringCase(files);
    fprintf(stderr, "sorted %lld\n", tt.nsecsElapsed()/1000);

    QList<FolderTreeModel::Row> rows = folderLineage(path);
    const int folderRow = int(rows.size()) - 1;
    const QString base = rows.last().path;
    const QString prefix = base.endsWith(QDir::separator()) ? base : base % QDir::separator();
    rows.reserve(rows.size() + subFolders.size());
    for (const QString& name : std::as_const(subFolders))
        rows.append({name, prefix % name, folderRow + 1});

    fprintf(stderr, "rows %lld\n", tt.nsecsElapsed()/1000);
    dirs_.setRows(std::move(rows), folderRow);
    fprintf(stderr, "dirs %lld\n", tt.nsecsElapsed()/1000);
    files_.setNames(std::move(files));
    fprintf(stderr, "files %lld\n", tt.nsecsElapsed()/1000);
    folder_ = path;
    return true;
}

bool FolderPreview::refresh(const ListingPause& pause) {
    return !folder_.isEmpty() && setFolder(folder_, pause);
}

} // namespace varnex
