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

namespace {

// The case-folded names of a list, laid out for fast comparison: each name's code units
// big-endian in one shared buffer, so that memcmp orders them as code units, and four code units
// past the prefix that all names share packed into one number, which settles most comparisons
// without reading the buffer.
class FoldedKeys {
public:
    struct Key {
        quint64 head;
        qsizetype offset; // into the buffer, in bytes
        qsizetype length; // in bytes
        qsizetype index;  // into the list
    };

    explicit FoldedKeys(const QStringList& names) {
        keys_.reserve(size_t(names.size()));
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QString& name = names.at(i);
            const qsizetype offset = qsizetype(bytes_.size());
            const bool ascii = std::all_of(name.cbegin(), name.cend(),
                                           [](QChar c) { return c.unicode() < 0x80; });
            if (ascii) {
                // Folding leaves ASCII as it is but for the capitals.
                for (const QChar c : name) {
                    const char16_t u = c.unicode();
                    append(u >= u'A' && u <= u'Z' ? char16_t(u + (u'a' - u'A')) : u);
                }
            } else {
                for (const QChar c : name.toCaseFolded())
                    append(c.unicode());
            }
            keys_.push_back({0, offset, qsizetype(bytes_.size()) - offset, i});
        }

        // The prefix, in bytes, that every key shares.
        qsizetype shared = keys_.empty() ? 0 : keys_.front().length;
        for (const Key& key : keys_) {
            shared = std::min(shared, key.length);
            const uchar* first = bytes_.data() + keys_.front().offset;
            const uchar* here = bytes_.data() + key.offset;
            qsizetype same = 0;
            while (same < shared && first[same] == here[same])
                ++same;
            shared = same;
        }
        shared_ = shared;
        // Past the end of a name the head holds zeros, which sort first: NUL is never in a name.
        for (Key& key : keys_) {
            for (qsizetype at = shared_; at < shared_ + qsizetype(sizeof(quint64)); ++at)
                key.head = (key.head << 8) | (at < key.length ? bytes_[size_t(key.offset + at)] : 0);
        }
    }

    std::vector<Key>& keys() { return keys_; }

    // The order of the folded names: negative, zero or positive.
    int compare(const Key& a, const Key& b) const {
        if (a.head != b.head)
            return a.head < b.head ? -1 : 1;
        const qsizetype skip = std::min(shared_ + qsizetype(sizeof(quint64)),
                                        std::min(a.length, b.length));
        const qsizetype common = std::min(a.length, b.length) - skip;
        if (common > 0) {
            if (const int byBytes = std::memcmp(bytes_.data() + a.offset + skip,
                                                bytes_.data() + b.offset + skip, size_t(common)))
                return byBytes;
        }
        return a.length == b.length ? 0 : (a.length < b.length ? -1 : 1);
    }

private:
    void append(char16_t unit) {
        bytes_.push_back(uchar(unit >> 8));
        bytes_.push_back(uchar(unit & 0xFF));
    }

    std::vector<uchar> bytes_;
    std::vector<Key> keys_;
    qsizetype shared_ = 0;
};

} // namespace

void sortNamesIgnoringCase(QStringList& names) {
    // Each name is folded once, not on every comparison.
    QElapsedTimer t2; t2.start();
    FoldedKeys folded(names);
    std::vector<FoldedKeys::Key>& keys = folded.keys();
    fprintf(stderr, " keys %lld\n", t2.nsecsElapsed()/1000);
    std::sort(keys.begin(), keys.end(), [&](const FoldedKeys::Key& a, const FoldedKeys::Key& b) {
        if (const int byKey = folded.compare(a, b))
            return byKey < 0;
        return names.at(a.index) < names.at(b.index);
    });

    fprintf(stderr, " sort %lld\n", t2.nsecsElapsed()/1000);
    QStringList sorted;
    sorted.reserve(names.size());
    for (const FoldedKeys::Key& key : keys)
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
    std::optional<QList<FolderEntry>> entries = folder->entryKinds(pause);
    if (!entries || reading != readings_)
        return false;
    QElapsedTimer tt; tt.start();

    QStringList subFolders;
    QStringList files;
    files.reserve(entries->size());
    for (FolderEntry& entry : *entries) {
        const bool isFolder =
            entry.attributes != attr::Invalid && (entry.attributes & attr::Folder) != 0;
        (isFolder ? subFolders : files).append(std::move(entry.name));
    }
    entries.reset();
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
