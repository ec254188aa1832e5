#pragma once

#include "MessageBox.h"

#include <QElapsedTimer>

namespace varnex {

// Processes the window's pending events. Calls that come faster than the time slice are
// skipped: the window still repaints and reacts many times a second, while a run over many
// small files does not spend its time in the event loop.
class QtEventPump : public EventPump {
public:
    explicit QtEventPump(int sliceMs = 15);
    void processEvents() override;
    // Processes pending events now, whatever the time slice.
    void processEventsNow();

private:
    QElapsedTimer sinceLast_;
    int sliceMs_;
};

} // namespace varnex
