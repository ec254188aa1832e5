#pragma once

#include <QLocale>
#include <QString>
#include <QWidget>

class QTextBrowser;

namespace varnex {

// A modeless window that shows the help document, read-only, with its links working.
class HelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget* parent = nullptr);

    // Shows `file` at its contents. False, showing nothing, when the file cannot be read.
    bool showContents(const QString& file);
    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_;
};

// The help document's path: the program's folder and the document's name joined as they are,
// when the document lies there (the build tree); otherwise where an installed program finds
// it, in the documentation folder beside the program's one (bin/../share/doc/varnex). The
// document in the language of `locale` ("Varnex Help.fr.html") comes first, where there is one.
QString helpFilePath(const QString& programFolder, const QLocale& locale = QLocale());

} // namespace varnex
