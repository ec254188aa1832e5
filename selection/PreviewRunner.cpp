#include "PreviewRunner.h"

#include "engine/DryRunFileSystem.h"
#include "platform/LetGo.h"

namespace varnex {

int PreviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int PreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 3;
}

QVariant PreviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size() ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const PreviewRow& r = rows_.at(index.row());
    switch (index.column()) {
    case 0:
        return r.name;
    case 1:
        return r.newName;
    default:
        return previewResultText(r);
    }
}

QVariant PreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case 0:
        return tr("Name");
    case 1:
        return tr("New name");
    default:
        return tr("Result");
    }
}

void PreviewModel::clear() {
    beginResetModel();
    // The window does not wait for a large preview to be freed when a new computation
    // replaces it.
    letGoOf(rows_);
    endResetModel();
}

void PreviewModel::append(QList<PreviewRow>&& rows) {
    if (rows.isEmpty())
        return;
    const int first = int(rows_.size());
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    rows_.append(std::move(rows));
    endInsertRows();
}

// Lives on the runner's thread with the dry-run file system, whose folders it keeps between
// computations.
class PreviewRunner::Worker final : public QObject {
public:
    Worker(FileSystem& fs, PreviewRunner& runner, std::atomic<quint64>& latest)
        : dry_(fs), runner_(&runner), latest_(latest) {}

    void compute(quint64 generation, const PreviewRequest& request, bool reread) {
        if (generation != latest_.load())
            return; // a newer one is already on its way
        if (reread)
            dry_.forgetFolders();
        dry_.startRun();
        const auto cancelled = [&] {
            return generation != latest_.load();
        };
        PreviewSummary summary;
        const bool complete = PreviewComputer(dry_).compute(
            request, cancelled,
            [&](QList<PreviewRow>&& rows) {
                QMetaObject::invokeMethod(
                    runner_,
                    [runner = runner_, generation, batch = std::move(rows)]() mutable {
                        runner->receiveRows(generation, std::move(batch));
                    },
                    Qt::QueuedConnection);
            },
            summary);
        if (complete) {
            QMetaObject::invokeMethod(
                runner_,
                [runner = runner_, generation, summary] {
                    runner->receiveSummary(generation, summary);
                },
                Qt::QueuedConnection);
        }
        dry_.finishRun();
    }

private:
    DryRunFileSystem dry_;
    PreviewRunner* runner_;
    std::atomic<quint64>& latest_;
};

PreviewRunner::PreviewRunner(FileSystem& fs, RequestSource source, QObject* parent)
    : QObject(parent), source_(std::move(source)) {
    debounce_.setSingleShot(true);
    debounce_.setInterval(DebounceMs);
    connect(&debounce_, &QTimer::timeout, this, [this] {
        if (std::exchange(trailing_, false))
            computeNow();
    });
    worker_ = new Worker(fs, *this, latest_);
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.start();
}

PreviewRunner::~PreviewRunner() {
    ++latest_; // cancels a computation under way
    thread_.quit();
    thread_.wait();
}

void PreviewRunner::setActive(bool active) {
    if (active_ == active)
        return;
    active_ = active;
    if (active)
        computeNow();
    else
        ++latest_;
}

void PreviewRunner::schedule() {
    if (!active_)
        return;
    if (debounce_.isActive()) {
        trailing_ = true;
    } else {
        computeNow();
    }
    debounce_.start();
}

void PreviewRunner::reread() {
    rereadWanted_ = true;
    schedule();
}

void PreviewRunner::hold(bool held) {
    held_ = held;
    if (held)
        ++latest_;
    else if (std::exchange(wanted_, false))
        computeNow();
}

void PreviewRunner::computeNow() {
    if (!active_)
        return;
    if (held_) {
        wanted_ = true;
        return;
    }
    const quint64 generation = ++latest_;
    const bool reread = std::exchange(rereadWanted_, false);
    busy_ = true;
    gotRows_ = false;
    model_.clear();
    QMetaObject::invokeMethod(
        worker_,
        [worker = worker_, generation, request = source_(), reread] {
            worker->compute(generation, request, reread);
        },
        Qt::QueuedConnection);
}

void PreviewRunner::receiveRows(quint64 generation, QList<PreviewRow>&& rows) {
    if (generation != latest_.load())
        return;
    model_.append(std::move(rows));
    if (!std::exchange(gotRows_, true))
        Q_EMIT firstRows();
}

void PreviewRunner::receiveSummary(quint64 generation, const PreviewSummary& summary) {
    if (generation != latest_.load())
        return;
    busy_ = false;
    summary_ = previewSummaryText(summary);
    Q_EMIT summaryChanged(summary_);
    Q_EMIT finished();
}

} // namespace varnex
