#include "QtEventPump.h"

#include <QCoreApplication>

namespace varnex {

QtEventPump::QtEventPump(int sliceMs) : sliceMs_(sliceMs) {}

void QtEventPump::processEvents() {
    if (sinceLast_.isValid() && sinceLast_.elapsed() < sliceMs_)
        return;
    processEventsNow();
}

void QtEventPump::processEventsNow() {
    QCoreApplication::processEvents();
    sinceLast_.start();
}

} // namespace varnex
