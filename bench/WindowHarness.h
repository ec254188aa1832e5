#pragma once

// The program's main window with scripted services, for the benchmarks: the real file system
// and the real time-sliced event pump, a message box that answers OK at once and records what it
// showed, an Open dialog that hands back a prepared list of paths, and settings held in memory.

#include "BenchSupport.h"
#include "platform/PosixFileSystem.h"
#include "platform/QtEventPump.h"
#include "selection/FolderChoice.h"
#include "selection/OpenFileDialog.h"
#include "settings/SettingsStore.h"
#include "window/frmVarnex.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace varnex::bench {

// Answers every message at once: OK to the summary, and the answer that stops the run to any
// question (a question means the run met a failure, which the benchmark reports).
class AutoOkBox : public MessageBox {
public:
    Button show(const Message& message) override;

    QList<Message> messages;
    // When the last message was shown.
    Clock::time_point lastShownAt;
};

// Hands back the paths it holds, as if the user had chosen them.
class ListOpenDialog : public OpenFileDialog {
public:
    QStringList paths;
    Result show(const Request& request) override;
};

class CancellingFolderChooser : public FolderChooser {
public:
    std::optional<QString> chooseFolder(const QString&) override { return std::nullopt; }
};

// Records every moment the event loop runs, through a timer of zero interval (it fires once on
// every pass of the loop), and keeps the longest time between two such moments. Meanwhile a
// thread that only sleeps 5 ms at a time keeps the longest it overslept: a stall of the
// whole machine (the host holding the virtual processors, say) shows there too, while a gap the
// program made itself does not.
class YieldGapMeter : public QObject {
    Q_OBJECT
public:
    YieldGapMeter();
    ~YieldGapMeter() override;
    // Starts measuring: now counts as a moment the loop ran.
    void start();
    // Stops measuring at `end`, the moment the loop runs again (a modal box, say).
    void stop(Clock::time_point end);

    double maxGapMs() const { return maxGap_ * 1000.0; }
    // When the longest gap began, in seconds after start().
    double maxGapStart() const { return maxGapStart_; }
    long passes() const { return passes_; }
    // The timer that fires on every pass of the loop.
    const QObject* timer() const { return &timer_; }
    // "longest gap <ms> at <s> s; the machine stalled up to <ms> at <s> s", for the notes.
    std::string summary() const;

private:
    void record(Clock::time_point now);
    void stopWatching();

    QTimer timer_;
    Clock::time_point started_;
    Clock::time_point last_;
    double maxGap_ = 0;
    double maxGapStart_ = 0;
    long passes_ = 0;
    // The sleeping thread and what it found; read only after it was joined.
    std::thread watcher_;
    std::atomic<bool> watching_{false};
    double maxStall_ = 0;
    double maxStallStart_ = 0;
};

// Settings held in memory, by key name; every flush succeeds.
class BenchSettings : public SettingsStore {
public:
    QString readSetting(const QString&, const QString&, const QString& key,
                        const QString& defaultValue) const override {
        return values.value(key, defaultValue);
    }
    void writeSetting(const QString&, const QString&, const QString& key,
                      const QString& value) override {
        values.insert(key, value);
    }
    bool flush() override { return true; }
    void setStored(const QString& key, const QString& value) { values.insert(key, value); }

    QHash<QString, QString> values;
};

// One window on scripted services.
class BenchWindow {
public:
    // `sliceMs` is the event pump's time slice (0 processes events after every file).
    BenchWindow(const QString& programFolder, int sliceMs = 15);
    ~BenchWindow();

    BenchSettings settings;
    AutoOkBox box;
    ListOpenDialog openDialog;

    // Creates the window and runs its start-up (Form_Load).
    frmVarnex& load();
    frmVarnex& window() { return *window_; }

    // Runs the event loop until the window has painted and a pass of the loop finds nothing to
    // do but deliver the events of `ignored` (a meter's timer, which fires on every pass).
    void waitIdle(const QObject* ignored = nullptr);

    struct Run {
        double seconds = 0;   // from the press until the handler has returned
        CpuTime cpu;          // the processor time of the window's thread meanwhile
        double toSummary = 0; // from the press until the summary box was shown
        double maxGapMs = 0;
        double maxGapStart = 0; // seconds after the press
        long passes = 0;
    };
    // Clicks Rename with the mouse (a press and a release sent to the button) and returns when
    // the summary box has been answered. Fails the benchmark
    // unless exactly one message, the summary, was shown and it starts with `expectedHead`.
    Run pressRename(const QString& expectedHead);

private:
    PosixFileSystem fileSystem_;
    QtEventPump pump_;
    CancellingFolderChooser chooser_;
    QString programFolder_;
    std::unique_ptr<frmVarnex> window_;
};

// Counts the events delivered to any object, and the paints of one widget.
class EventCounter : public QObject {
    Q_OBJECT
public:
    // Events delivered to `ignored` are not counted.
    explicit EventCounter(QWidget* painted, const QObject* ignored = nullptr);
    ~EventCounter() override;
    long events = 0;
    long paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* painted_;
    const QObject* ignored_;
};

} // namespace varnex::bench
