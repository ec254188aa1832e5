// Saves a picture of the main window as a first start shows it, with a sample folder, for the
// documentation: window_screenshot <file.png> [preview]. With "preview", the window shows the
// preview pane over a sample folder of its own. Run it under a display, e.g. xvfb-run.
#include "app/Translations.h"
#include "selection/PreviewRunner.h"
#include "window/Controls.h"
#include "window/WindowRig.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QStringListModel>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // In the language of the system, as the program starts.
    varnex::installTranslations(app);
    if (argc != 2 && argc != 3)
        return 2;
    const QString target = QString::fromLocal8Bit(argv[1]);
    const bool preview = argc == 3 && qstrcmp(argv[2], "preview") == 0;

    // An empty settings store of its own, so the picture shows what a first start shows and
    // the user's settings are neither read nor written.
    varnex::WindowRig rig;
    varnex::frmVarnex& window = rig.window();
    window.Form_Load();
    window.activateWindow();
    QTemporaryDir scratch;
    if (preview) {
        // A real folder, so that the preview shows what a run would do there.
        const QString holiday = scratch.path() + QStringLiteral("/Holiday");
        QDir().mkpath(holiday);
        for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG", "IMG_0004.JPG",
                                 "Holiday 0004.JPG", "IMG_0005.JPG", "notes.txt"}) {
            QFile file(holiday + u'/' + QString::fromLatin1(name));
            if (!file.open(QIODevice::WriteOnly))
                return 1;
        }
        QFile::setPermissions(holiday + QStringLiteral("/IMG_0005.JPG"), QFile::ReadOwner);
        window.setChosenFolder(holiday);
        window.txtFind->setText(QStringLiteral("IMG_"));
        window.txtReplace->setText(QStringLiteral("Holiday "));
        window.setPreviewShown(true);
        window.previewRunner().computeNow();
        QObject::connect(&window.previewRunner(), &varnex::PreviewRunner::finished, &app, [&] {
            window.grab().save(target);
            QApplication::exit(0);
        });
        return QApplication::exec();
    }
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
