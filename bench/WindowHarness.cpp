#include "WindowHarness.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <algorithm>
#include <cstdio>

namespace varnex::bench {

Button AutoOkBox::show(const Message& message) {
    messages.append(message);
    lastShownAt = Clock::now();
    switch (message.buttons) {
    case Buttons::Ok:
        return Button::Ok;
    case Buttons::YesNo:
        return Button::No;
    case Buttons::AbortRetryIgnore:
        break;
    }
    return Button::Abort;
}

OpenFileDialog::Result ListOpenDialog::show(const Request& request) {
    Result result;
    result.status = Status::Accepted;
    result.paths = paths;
    result.filterIndex = request.filterIndex;
    return result;
}

YieldGapMeter::YieldGapMeter() {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { record(Clock::now()); });
}

YieldGapMeter::~YieldGapMeter() {
    stopWatching();
}

void YieldGapMeter::start() {
    stopWatching();
    maxGap_ = maxGapStart_ = maxStall_ = maxStallStart_ = 0;
    passes_ = 0;
    started_ = last_ = Clock::now();
    timer_.start();
    watching_ = true;
    watcher_ = std::thread([this] {
        const auto nap = std::chrono::milliseconds(5);
        while (watching_) {
            const Clock::time_point before = Clock::now();
            std::this_thread::sleep_for(nap);
            const double overslept = secondsBetween(before, Clock::now()) - 0.005;
            if (overslept > maxStall_) {
                maxStall_ = overslept;
                maxStallStart_ = secondsBetween(started_, before);
            }
        }
    });
}

void YieldGapMeter::stop(Clock::time_point end) {
    timer_.stop();
    stopWatching();
    record(end);
}

void YieldGapMeter::stopWatching() {
    watching_ = false;
    if (watcher_.joinable())
        watcher_.join();
}

std::string YieldGapMeter::summary() const {
    char text[160];
    std::snprintf(text, sizeof text,
                  "longest gap %.1f ms at %.3f s; the machine stalled up to %.1f ms at %.3f s",
                  maxGap_ * 1000.0, maxGapStart_, maxStall_ * 1000.0, maxStallStart_);
    return text;
}

void YieldGapMeter::record(Clock::time_point now) {
    const double gap = secondsBetween(last_, now);
    if (gap > maxGap_) {
        maxGap_ = gap;
        maxGapStart_ = secondsBetween(started_, last_);
    }
    last_ = now;
    ++passes_;
}

EventCounter::EventCounter(QWidget* painted, const QObject* ignored)
    : painted_(painted), ignored_(ignored) {
    QCoreApplication::instance()->installEventFilter(this);
}

EventCounter::~EventCounter() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool EventCounter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ignored_)
        return false;
    ++events;
    if (watched == painted_ && event->type() == QEvent::Paint)
        ++paints;
    return false;
}

BenchWindow::BenchWindow(const QString& programFolder, int sliceMs)
    : pump_(sliceMs), programFolder_(programFolder) {}

BenchWindow::~BenchWindow() = default;

frmVarnex& BenchWindow::load() {
    WindowServices services;
    services.fileSystem = &fileSystem_;
    services.messageBox = &box;
    services.eventPump = &pump_;
    services.settings = &settings;
    services.openDialog = &openDialog;
    services.folderChooser = &chooser_;
    services.programFolder = programFolder_;
    services.endProgram = [] {
    };
    window_ = std::make_unique<frmVarnex>(services);
    window_->Form_Load();
    return *window_;
}

void BenchWindow::waitIdle(const QObject* ignored) {
    EventCounter counter(window_.get(), ignored);
    for (;;) {
        const long before = counter.events;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (counter.events != before)
            continue;
        if (counter.paints > 0)
            return;
        // Nothing pending, and the window not drawn yet: wait for its update to come.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

BenchWindow::Run BenchWindow::pressRename(const QString& expectedHead) {
    box.messages.clear();
    YieldGapMeter meter;
    meter.start();
    profileStart();
    // A left click on the middle of the button, delivered as the window system delivers one: the
    // press and the release go through the application's event handling to the button, whose
    // release emits clicked() and so runs the Rename handler.
    QPushButton* button = window_->cmdRename;
    const QPointF centre = QRectF(button->rect()).center();
    const QPointF global = button->mapToGlobal(centre);
    QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    const CpuTime cpuStart = threadCpuTime();
    const Clock::time_point start = Clock::now();
    QCoreApplication::sendEvent(button, &press);
    QCoreApplication::sendEvent(button, &release);
    const Clock::time_point end = Clock::now();
    const CpuTime cpu = threadCpuTime() - cpuStart;
    profileStop();
    if (box.messages.size() != 1 || !box.messages.first().text.startsWith(expectedHead)) {
        for (const Message& m : std::as_const(box.messages))
            std::fprintf(stderr, "message: %s\n",
                         qPrintable(QString(m.text).replace(u'\r', u'\n')));
        fail("the run did not end with the expected summary: " + expectedHead.toStdString());
    }
    meter.stop(box.lastShownAt);
    const Run run{secondsBetween(start, end),
                  cpu,
                  secondsBetween(start, box.lastShownAt),
                  meter.maxGapMs(),
                  meter.maxGapStart(),
                  meter.passes()};
    // Where the window froze longest, for whoever looks into a figure.
    std::fprintf(stderr, "note: run of %.3f s (%s), %ld event loop passes, %s\n", run.seconds,
                 run.cpu.summary().c_str(), run.passes, meter.summary().c_str());
    return run;
}

} // namespace varnex::bench
