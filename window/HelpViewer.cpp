#include "HelpViewer.h"

#include "platform/AppInfo.h"
#include "platform/FileSystem.h"

#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace varnex {

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(applicationTitle() % tr(" Help"));
    browser_ = new QTextBrowser(this);
    browser_->setReadOnly(true);
    browser_->setOpenExternalLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(640, 560);
}

bool HelpViewer::showContents(const QString& file) {
    const QFileInfo info(file);
    if (!info.isFile() || !info.isReadable())
        return false;
    QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    url.setFragment(QStringLiteral("contents"));
    browser_->setSource(url, QTextDocument::HtmlResource);
    if (browser_->document()->isEmpty())
        return false;
    show();
    raise();
    activateWindow();
    return true;
}

QString helpFilePath(const QString& programFolder, const QLocale& locale) {
    // The languages in the order the translations are looked for, then English.
    QStringList names;
    for (const QString& language : locale.uiLanguages())
        names.append(QStringLiteral("Varnex Help.%1.html").arg(language.section(u'-', 0, 0)));
    const QString english = QStringLiteral("Varnex Help.html");
    names.append(english);
    for (const QString& name : std::as_const(names)) {
        const QString beside = programFolder % nativeSeparator() % name;
        if (QFileInfo::exists(beside))
            return beside;
        const QString installed = programFolder % nativeSeparator() %
                                  QStringLiteral(VARNEX_INSTALLED_HELP_FOLDER) % nativeSeparator() %
                                  name;
        if (QFileInfo::exists(installed))
            return QDir::cleanPath(installed);
    }
    return programFolder % nativeSeparator() % english;
}

} // namespace varnex
