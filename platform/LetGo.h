#pragma once

#include <QThreadPool>
#include <utility>

namespace varnex {

// Empties `container`. One of a million texts or rows is freed on a pool thread instead: freeing
// touches every element, and the window should not wait for that.
template <typename Container> void letGoOf(Container& container) {
    if (container.size() >= 65536)
        QThreadPool::globalInstance()->start(
            [old = std::exchange(container, Container())]() mutable { old = Container(); });
    else
        container = Container();
}

} // namespace varnex
