#pragma once

#include <QLocale>

class QCoreApplication;

namespace varnex {

// Installs Varnex's translation for `locale` and Qt's own (the standard buttons and dialogs)
// in the application, which owns them. English, the language of the texts in the code, needs
// none. Returns whether Varnex's translation was found.
bool installTranslations(QCoreApplication& app, const QLocale& locale = QLocale());

} // namespace varnex
