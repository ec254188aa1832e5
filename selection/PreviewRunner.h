#pragma once

#include "engine/PreviewComputer.h"

#include <QAbstractTableModel>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>

namespace varnex {

class FileSystem;

// The rows of a preview as a table: "Name", "New name", "Result".
class PreviewModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void clear();
    void append(QList<PreviewRow>&& rows);
    const PreviewRow& row(int i) const { return rows_.at(i); }

private:
    QList<PreviewRow> rows_;
};

// Keeps a preview current: a change of the choices after a quiet moment computes at once; the
// changes that follow within a tenth of a second are taken together in one computation at the
// end of it. Computations run on a thread of their own, so the window stays responsive however
// many files there are, and a newer one cancels an older one. The folders are read once and
// kept until reread().
class PreviewRunner final : public QObject {
    Q_OBJECT
public:
    static constexpr int DebounceMs = 100;
    // Builds the request from the window's current choices.
    using RequestSource = std::function<PreviewRequest()>;

    PreviewRunner(FileSystem& fs, RequestSource source, QObject* parent = nullptr);
    ~PreviewRunner() override;

    PreviewModel& model() { return model_; }
    QString summaryText() const { return summary_; }
    bool busy() const { return busy_ || trailing_; }

    // Only an active runner computes; activating it computes at once.
    void setActive(bool active);
    // The choices changed: compute again after the pause.
    void schedule();
    // The folders may have changed (another folder, Refresh, a run): read them again.
    void reread();
    // Starts a computation now, without the pause.
    void computeNow();
    // While held (during a real run), nothing is computed; releasing computes what was asked.
    void hold(bool held);

Q_SIGNALS:
    void summaryChanged(const QString& text);
    // The first rows of the current computation have arrived.
    void firstRows();
    // The current computation is complete.
    void finished();

private:
    class Worker;

    void receiveRows(quint64 generation, QList<PreviewRow>&& rows);
    void receiveSummary(quint64 generation, const PreviewSummary& summary);

    RequestSource source_;
    PreviewModel model_;
    QString summary_;
    QTimer debounce_;
    QThread thread_;
    Worker* worker_ = nullptr;
    std::atomic<quint64> latest_{0};
    bool active_ = false;
    bool rereadWanted_ = true;
    bool busy_ = false;
    bool gotRows_ = false;
    bool held_ = false;
    bool wanted_ = false;
    bool trailing_ = false; // a change came within the quiet time
};

} // namespace varnex
