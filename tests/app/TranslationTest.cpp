#include "app/CommandLine.h"
#include "app/Translations.h"
#include "engine/RenameCommand.h"
#include "platform/FsError.h"
#include "window/WindowFont.h"
#include "window/WindowRig.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

// Every caption and accessible name of the window, by object name.
QMap<QString, QString> windowTexts(const QWidget& window) {
    QMap<QString, QString> texts;
    for (const QWidget* control : window.findChildren<QWidget*>()) {
        QString caption;
        if (const auto* button = qobject_cast<const QAbstractButton*>(control))
            caption = button->text();
        else if (const auto* group = qobject_cast<const QGroupBox*>(control))
            caption = group->title();
        else if (const auto* label = qobject_cast<const QLabel*>(control))
            caption = label->text();
        const QString name = control->objectName();
        if (!caption.isEmpty())
            texts.insert(name + u" caption"_s, caption);
        if (!control->accessibleName().isEmpty())
            texts.insert(name + u" spoken"_s, control->accessibleName());
    }
    return texts;
}

} // namespace

// The tests run in the C locale, in English; this one loads German.
class TranslationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyTextIsTranslated() {
        QFile ts(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../../translations/varnex_de.ts"));
        QVERIFY(ts.open(QIODevice::ReadOnly));
        const QByteArray content = ts.readAll();
        QVERIFY(content.contains("<translation>"));
        QVERIFY2(!content.contains("type=\"unfinished\""), "varnex_de.ts has unfinished texts");
    }

    void theWindowSpeaksGerman() {
        QMap<QString, QString> english;
        {
            WindowRig rig;
            english = windowTexts(rig.start());
        }
        QVERIFY(installTranslations(*qApp, QLocale(QLocale::German, QLocale::Germany)));
        WindowRig rig;
        frmVarnex& window = rig.start();
        const QMap<QString, QString> german = windowTexts(window);
        QCOMPARE(german.keys(), english.keys());
        // The same word in both languages, and the folder label, which shows a path.
        const QStringList same{u"chkSystem caption"_s, u"chkSystem spoken"_s,
                               u"lblFolder caption"_s};
        for (const QString& key : german.keys()) {
            if (!same.contains(key))
                QVERIFY2(german[key] != english[key], qPrintable(key + u": "_s + german[key]));
        }
        QStringList clipped = clippedCaptions(&window);
        clipped.removeAll(window.lblFolder->text()); // a path, however long TMPDIR makes it
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(u'|')));

        // Messages of every subsystem.
        RunCounters counters;
        counters.FilesRenamed = 2;
        QVERIFY(RunSummary(counters, 1).startsWith(u"Umbenennen beendet: 2 Dateien."_s));
        QCOMPARE(fsError(53).description, u"Datei nicht gefunden"_s);
        QVERIFY(parseCommandLine({u"varnex"_s, u"--x"_s}).output.contains(u"Mehr Informationen"_s));
    }
};

QTEST_MAIN(TranslationTest)
#include "TranslationTest.moc"
