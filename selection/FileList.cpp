#include "FileList.h"

#include "platform/PosixFileSystem.h"

#include <QDir>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QUrl>
#include <algorithm>

namespace varnex {

FileList::FileList(FileSystem& fs, EventPump& events) : fs_(fs), events_(events) {}

void FileList::AddListItem(const QString& NewListItem) {
    if (ListWasEmpty || CheckForListDuplicate(NewListItem) == 0)
        appendWithFolder(NewListItem);
}

void FileList::beginAdding() {
    if (adding_++ == 0) {
        identityTaken_ = false;
        model_.beginAppending();
    }
}

void FileList::endAdding() {
    if (--adding_ == 0) {
        identityTaken_ = false;
        model_.endAppending();
    }
}

void FileList::appendWithFolder(const QString& path) {
    // The folder's identity, so that a rename reaches this folder only, never one put at its
    // path later (a folder swapped for a link to another place).
    const qsizetype cut = path.lastIndexOf(nativeSeparator());
    if (cut < 0) {
        model_.append(path);
        return;
    }
    const QStringView folder = QStringView(path).first(cut + 1);
    if (!identityTaken_ || folder != identityFolder_) {
        identityFolder_ = folder.toString();
        identity_ = fs_.folderIdentity(identityFolder_);
        identityTaken_ = adding_ > 0;
    }
    model_.append(path, identity_);
}

int FileList::CheckForListDuplicate(const QString& NewListItem) const {
    return model_.containsIgnoringCase(NewListItem) ? DuplicateFound : 0;
}

bool FileList::appendIfAbsent(const QString& path) {
    if (CheckForListDuplicate(path) != 0)
        return false;
    appendWithFolder(path);
    return true;
}

QList<int> selectedRowsBelow(const QItemSelectionModel& selection, int limit) {
    QList<int> rows;
    const QItemSelection ranges = selection.selection();
    for (const QItemSelectionRange& range : ranges) {
        if (range.parent().isValid())
            continue;
        const int last = std::min(range.bottom(), limit - 1);
        for (int row = std::max(range.top(), 0); row <= last; ++row)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

namespace {

// Splits ascending rows into at most `maxSteps` groups of whole contiguous ranges, the group of
// the highest rows first; each group's rows stay ascending.
QList<QList<int>> closeSteps(const QList<int>& rows, int maxSteps) {
    QList<std::pair<qsizetype, qsizetype>> ranges; // [begin, end) into rows, highest first
    for (qsizetype end = rows.size(); end > 0;) {
        qsizetype begin = end - 1;
        while (begin > 0 && rows.at(begin - 1) == rows.at(begin) - 1)
            --begin;
        ranges.append({begin, end});
        end = begin;
    }
    const qsizetype perStep = (ranges.size() + maxSteps - 1) / maxSteps;
    QList<QList<int>> steps;
    for (qsizetype i = 0; i < ranges.size(); i += perStep) {
        const qsizetype lastRange = std::min(i + perStep, ranges.size()) - 1;
        const qsizetype begin = ranges.at(lastRange).first;
        const qsizetype end = ranges.at(i).second;
        steps.append(rows.mid(begin, end - begin));
    }
    return steps;
}

} // namespace

void FileList::cmdClose(QItemSelectionModel& selection) {
    Q_ASSERT(selection.model() == &model_);
    if (model_.count() == 0 || !selection.currentIndex().isValid())
        return;

    // Only what happens while events run makes the plan stale; the removals themselves also
    // change the selection.
    bool pumping = false;
    bool selectionTouched = false;
    const QMetaObject::Connection watch =
        QObject::connect(&selection, &QItemSelectionModel::selectionChanged, [&] {
            if (pumping)
                selectionTouched = true;
        });

    int limit = model_.count(); // rows from here on were already passed
    bool replan = true;
    while (replan) {
        replan = false;
        const QList<int> rows = selectedRowsBelow(selection, limit);
        if (rows.isEmpty())
            break;
        for (const QList<int>& step : closeSteps(rows, MaxCloseSteps)) {
            const int lowest = step.first();
            const FileListAccess::EntryId lowestId = model_.idAt(lowest);
            model_.removeRows(step);
            // A removal in one layout change drops the current entry instead of moving it to a
            // neighbour; keep one, so that Close stays usable.
            if (!selection.currentIndex().isValid() && model_.count() > 0)
                selection.setCurrentIndex(
                    model_.index(std::clamp(lowest - 1, 0, model_.count() - 1)),
                    QItemSelectionModel::NoUpdate);

            const quint64 revision = model_.structureRevision();
            selectionTouched = false;
            pumping = true;
            events_.processEvents();
            pumping = false;
            limit = model_.rowsBefore(lowestId);
            if (selectionTouched || model_.structureRevision() != revision) {
                replan = true;
                break;
            }
        }
    }
    QObject::disconnect(watch);
}

void FileList::cmdCloseAll() {
    model_.clear();
}

bool FileList::carriesLocalFiles(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.cbegin(), urls.cend(),
                       [](const QUrl& url) { return url.isLocalFile(); });
}

namespace {

// The local path of a file URL. QUrl::toLocalFile() decodes the path as UTF-8 and turns a byte
// that is not into U+FFFD, which names another file: the path is taken from its exact bytes
// instead, read the way a folder listing reads names.
QString localPathOf(const QUrl& url) {
    const QString host = url.host();
    if (!host.isEmpty() && host.compare(u"localhost", Qt::CaseInsensitive) != 0)
        return QDir::toNativeSeparators(url.toLocalFile());
    return decodeFileName(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

} // namespace

int FileList::addDroppedFiles(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return 0;
    int added = 0;
    const QList<QUrl> urls = data->urls();
    beginAdding();
    const struct EndAdding {
        FileList& list;
        ~EndAdding() { list.endAdding(); }
    } endAdding{*this};
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const QString path = localPathOf(url);
        if (path.isEmpty() || !fs_.isPlainFile(path))
            continue;
        if (appendIfAbsent(path))
            ++added;
    }
    return added;
}

} // namespace varnex
