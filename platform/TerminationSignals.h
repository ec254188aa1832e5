#pragma once

#include <QObject>

class QSocketNotifier;

namespace varnex {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal delivered on the event thread, so the
// program can save its settings and end in order when it is told to terminate.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void terminationRequested();

private:
    void onReadable();
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace varnex
