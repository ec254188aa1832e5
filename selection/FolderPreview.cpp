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
    return parent.isValid() ? 0 : int(order_.size());
}

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

namespace {

// One name of a list being sorted without regard to letter case.
struct CaseBlindKey {
    // The first code units of the folded name past the prefix that all names share, packed
    // big-endian, so that comparing two numbers settles most comparisons: eight units of eight
    // bits when every name is plain ASCII, else four of sixteen. Zeros past the end of the name
    // sort first (NUL is never in a name).
    quint64 head;
    // The name's code units: the name itself when it is plain ASCII, else its case-folded
    // copy. Either way folding ASCII capitals while comparing gives the folded name.
    const char16_t* units;
    quint32 length;
    quint32 index; // the name's position among those sorted
};

char16_t foldAscii(char16_t unit) {
    return unit >= u'A' && unit <= u'Z' ? char16_t(unit + (u'a' - u'A')) : unit;
}

// The positions 0 .. count - 1 in the order of the names nameAt(position), without regard to
// letter case; names equal but for case keep a fixed order. With a pause, a merge of sorted
// runs, so that a long sort can pause between steps.
template <typename NameAt>
QList<qsizetype> caseBlindOrder(qsizetype count, NameAt nameAt, const ListingPause& pause) {
    // Each name is folded once, not on every comparison, and only when it is not plain ASCII.
    // The folded copies keep their texts in place when the vector grows.
    std::vector<QString> copies;
    std::vector<CaseBlindKey> keys;
    keys.reserve(size_t(count));
    for (qsizetype i = 0; i < count; ++i) {
        const QStringView name = nameAt(i);
        const bool ascii =
            std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() < 0x80; });
        QStringView units = name;
        if (!ascii) {
            copies.push_back(name.toString().toCaseFolded());
            units = copies.back();
        }
        keys.push_back({0, units.utf16(), quint32(units.size()), quint32(i)});
        if (pause && keys.size() % 4096 == 0)
            pause();
    }

    // Names that are not plain ASCII have folded copies; without any, every unit fits 7 bits.
    const bool allAscii = copies.empty();
    const quint32 headBits = allAscii ? 8 : 16;
    const quint32 headUnits = 64 / headBits;

    // The folded prefix that every name shares.
    quint32 shared = keys.empty() ? 0 : keys.front().length;
    for (const CaseBlindKey& key : keys) {
        quint32 same = 0;
        const quint32 limit = std::min(shared, key.length);
        while (same < limit && foldAscii(key.units[same]) == foldAscii(keys.front().units[same]))
            ++same;
        shared = same;
    }
    for (CaseBlindKey& key : keys) {
        for (quint32 at = shared; at < shared + headUnits; ++at)
            key.head = (key.head << headBits) | (at < key.length ? foldAscii(key.units[at]) : 0u);
    }

    const auto less = [&](const CaseBlindKey& a, const CaseBlindKey& b) {
        if (a.head != b.head)
            return a.head < b.head;
        const quint32 common = std::min(a.length, b.length);
        for (quint32 at = std::min(shared + headUnits, common); at < common; ++at) {
            const char16_t x = foldAscii(a.units[at]);
            const char16_t y = foldAscii(b.units[at]);
            if (x != y)
                return x < y;
        }
        if (a.length != b.length)
            return a.length < b.length;
        return nameAt(a.index).compare(nameAt(b.index)) < 0;
    };

    // Without a pause, one sort; with one, sorted runs merged step by step, pausing between.
    const size_t n = keys.size();
    const size_t Run = pause ? 4096 : std::max<size_t>(n, 1);
    for (size_t begin = 0; begin < n; begin += Run) {
        std::sort(keys.begin() + qsizetype(begin),
                  keys.begin() + qsizetype(std::min(begin + Run, n)), less);
        if (pause)
            pause();
    }
    if (n > Run) {
        std::vector<CaseBlindKey> merged(n);
        for (size_t width = Run; width < n; width *= 2) {
            for (size_t begin = 0; begin < n; begin += 2 * width) {
                const size_t middle = std::min(begin + width, n);
                const size_t end = std::min(begin + 2 * width, n);
                std::merge(keys.begin() + qsizetype(begin), keys.begin() + qsizetype(middle),
                           keys.begin() + qsizetype(middle), keys.begin() + qsizetype(end),
                           merged.begin() + qsizetype(begin), less);
                if (pause)
                    pause();
            }
            keys.swap(merged);
        }
    }

    QList<qsizetype> order;
    order.reserve(qsizetype(n));
    for (const CaseBlindKey& key : keys)
        order.append(key.index);
    return order;
}

} // namespace

void sortNamesIgnoringCase(QStringList& names, const ListingPause& pause) {
    const QList<qsizetype> order = caseBlindOrder(
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

FolderPreview::FolderPreview(FileSystem& fs) : fs_(fs) {}

bool FolderPreview::setFolder(const QString& path, const ListingPause& pause) {
    const quint64 reading = ++readings_;
    const std::unique_ptr<Folder> folder = fs_.openFolder(path);
    if (!folder)
        return false;
    // The lists need each entry's kind only, which most listings tell without a query per
    // entry.
    std::optional<FolderListing> entries = folder->entryKinds(pause);
    if (!entries || reading != readings_)
        return false;

    QStringList subFolders;
    QList<qsizetype> files; // positions in the listing
    files.reserve(entries->size());
    for (qsizetype i = 0; i < entries->size(); ++i) {
        const quint32 attributes = entries->attributes(i);
        if (attributes != attr::Invalid && (attributes & attr::Folder) != 0)
            subFolders.append(entries->name(i).toString());
        else
            files.append(i);
    }
    sortNamesIgnoringCase(subFolders, pause);
    QList<qsizetype> order = caseBlindOrder(
        files.size(), [&](qsizetype i) { return entries->name(files.at(i)); }, pause);
    if (reading != readings_)
        return false;
    for (qsizetype& position : order)
        position = files.at(position);

    QList<FolderTreeModel::Row> rows = folderLineage(path);
    const int folderRow = int(rows.size()) - 1;
    const QString base = rows.last().path;
    const QString prefix = base.endsWith(QDir::separator()) ? base : base % QDir::separator();
    rows.reserve(rows.size() + subFolders.size());
    for (const QString& name : std::as_const(subFolders))
        rows.append({name, prefix % name, folderRow + 1});

    dirs_.setRows(std::move(rows), folderRow);
    files_.setListing(std::move(*entries), std::move(order));
    folder_ = path;
    return true;
}

bool FolderPreview::refresh(const ListingPause& pause) {
    return !folder_.isEmpty() && setFolder(folder_, pause);
}

} // namespace varnex
