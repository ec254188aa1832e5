#include "AppInfo.h"

namespace varnex {

QString windowTitle(const QString& title, const Version& version) {
    return title % QStringLiteral(" Version ") % QString::number(version.major) % u'.' %
           QString::number(version.minor) % u'.' % QString::number(version.revision);
}

} // namespace varnex
