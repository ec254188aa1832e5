#pragma once

#include <QString>

namespace varnex {

// The application title: the title of every message box, the settings' application name
// and the start of the window caption.
inline QString applicationTitle() {
    return QStringLiteral("Varnex");
}

struct Version {
    int major = VARNEX_VERSION_MAJOR;
    int minor = VARNEX_VERSION_MINOR;
    int revision = VARNEX_VERSION_PATCH;
};

// "<title> Version <major>.<minor>.<revision>".
QString windowTitle(const QString& title, const Version& version);

} // namespace varnex
