// Saves a picture of the main window as a first start shows it, with a sample folder, for the
// documentation: window_screenshot <file.png>. Run it under a display, e.g. xvfb-run.
#include "window/WindowRig.h"
#include "app/Translations.h"

#include <QApplication>
#include <QLabel>
#include <QStringListModel>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // In the language of the system, as the program starts.
    varnex::installTranslations(app);
    if (argc != 2)
        return 2;
    const QString target = QString::fromLocal8Bit(argv[1]);

    // An empty settings store of its own, so the picture shows what a first start shows and
    // the user's settings are neither read nor written.
    varnex::WindowRig rig;
    varnex::frmVarnex& window = rig.window();
    window.Form_Load();
    window.activateWindow();
    // A folder to show.
    const QString folder = QStringLiteral("/home/ana/Pictures/Holiday");
    window.lblFolder->setText(folder);
    window.lblFolder->setToolTip(folder);
    QStringListModel folders({QStringLiteral("/"), QStringLiteral("  home"),
                              QStringLiteral("    ana"), QStringLiteral("      Pictures"),
                              QStringLiteral("        Holiday"), QStringLiteral("          Beach"),
                              QStringLiteral("          Mountains")});
    QStringListModel files({QStringLiteral("IMG_0001.JPG"), QStringLiteral("IMG_0002.JPG"),
                            QStringLiteral("IMG_0003.JPG"), QStringLiteral("IMG_0004.JPG"),
                            QStringLiteral("notes.txt")});
    window.setFolderPreviewModel(&folders);
    window.setFilePreviewModel(&files);

    int status = 1;
    QTimer::singleShot(500, &app, [&] {
        status = window.grab().save(target) ? 0 : 1;
        QApplication::exit(status);
    });
    QApplication::exec();
    return status;
}
