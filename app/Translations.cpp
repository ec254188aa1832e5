#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace varnex {

namespace {

bool install(QCoreApplication& app, const QLocale& locale, const QString& name,
             const QString& folder) {
    auto* translator = new QTranslator(&app);
    if (!translator->load(locale, name, QStringLiteral("_"), folder)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

} // namespace

bool installTranslations(QCoreApplication& app, const QLocale& locale) {
    install(app, locale, QStringLiteral("qtbase"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    // Built into the program by qt_add_translations.
    return install(app, locale, QStringLiteral("varnex"), QStringLiteral(":/i18n"));
}

} // namespace varnex
