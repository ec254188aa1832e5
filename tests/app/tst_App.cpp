#include "app/CommandLine.h"
#include "app/Program.h"
#include "app/Translations.h"
#include "engine/PreviewComputer.h"
#include "engine/RenameCommand.h"
#include "platform/FsError.h"
#include "platform/PosixFileSystem.h"
#include "selection/FileList.h"
#include "window/Controls.h"
#include "window/HelpViewer.h"
#include "window/WindowFont.h"
#include "window/WindowRig.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTranslator>
#include <fcntl.h>
#include <unistd.h>

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

// The command line, how it starts the window and where it finds the help; then, last, since
// they load German into the application for good, the translations (the other tests run in
// the C locale, in English).
class AppTest : public QObject {
    Q_OBJECT

    QTemporaryDir scratch_;
    PosixFileSystem fs_;

    QString at(const QString& relative) const { return scratch_.filePath(relative); }

private Q_SLOTS:
    void initTestCase() {
        makeFiles(scratch_.path(), {u"a.txt"_s, u"A.TXT"_s, u"b.txt"_s, u".hidden"_s,
                                    u"photos/x.jpg"_s, u"music/y.ogg"_s, u"music/deep/z.ogg"_s});
        QVERIFY(QFile::link(at(u"music/deep"_s), at(u"into"_s)));
    }

    // `expected`: the start of the output, or for a start the paths, joined by blanks.
    void parsesOptions_data() {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<CommandLine::Action>("action");
        QTest::addColumn<QString>("expected");
        using enum CommandLine::Action;
        QTest::newRow("after --") << u"-- --help"_s << Start << u"--help"_s;
        QTest::newRow("--help") << u"--help"_s << ShowHelp << u"Usage:"_s;
        QTest::newRow("-h with a path") << u"x -h"_s << ShowHelp << u"Usage:"_s;
        QTest::newRow("-v") << u"-v"_s << ShowVersion << u"varnex 1."_s;
        QTest::newRow("unknown") << u"--frobnicate"_s << Fail
                                 << u"varnex: Unknown option 'frobnicate'."_s;
        QTest::newRow("a word after one dash is one option")
            << u"-hv"_s << Fail << u"varnex: Unknown option 'hv'."_s;
    }
    void parsesOptions() {
        QFETCH(QString, arguments);
        QFETCH(CommandLine::Action, action);
        QFETCH(QString, expected);
        const CommandLine line = parseCommandLine(QString(u"varnex "_s + arguments).split(u' '));
        QCOMPARE(line.action, action);
        QCOMPARE(action == CommandLine::Action::Start ? line.paths.join(u' ')
                                                      : line.output.left(expected.size()),
                 expected);
    }

    void sortsPaths_data() {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<StartPaths>("expected");
        using enum StartPaths::Mode;
        const auto row = [](const char* name, const QStringList& paths, StartPaths::Mode mode,
                            const QString& folder, const QStringList& files,
                            const QStringList& problems = {}) {
            QTest::newRow(name) << paths << StartPaths{mode, folder, files, problems};
        };
        row("files, relative and absolute, in order",
            {u"b.txt"_s, at(u"a.txt"_s), u"./photos/../A.TXT"_s}, Files, {},
            {at(u"b.txt"_s), at(u"a.txt"_s), at(u"A.TXT"_s)});
        row("a folder alone", {u"photos/"_s}, Folder, at(u"photos"_s), {});
        row("a .. after a link leaves its target", {u"into/../y.ogg"_s}, Files, {},
            {at(u"music/y.ogg"_s)});
        row("two folders: the first", {u"music"_s, u"photos"_s}, Folder, at(u"music"_s), {},
            {u"varnex: photos: only one folder can be opened"_s});
        row("a folder among files is refused", {u"photos"_s, u"a.txt"_s}, Files, {},
            {at(u"a.txt"_s)},
            {u"varnex: photos: a folder opens in folder mode only when it is given alone"_s});
        row("unusable paths only: as left", {u"missing.txt"_s, u".hidden"_s, u""_s}, AsLeft, {}, {},
            {u"varnex: missing.txt: no such file or folder"_s,
             u"varnex: .hidden: not a file the list accepts (hidden and special files are not)"_s,
             u"varnex: '': an empty path names nothing"_s});
        row("the usable ones start the window", {u"nope/"_s, u"photos/x.jpg"_s}, Files, {},
            {at(u"photos/x.jpg"_s)}, {u"varnex: nope/: no such file or folder"_s});
    }
    void sortsPaths() {
        QFETCH(QStringList, paths);
        QFETCH(StartPaths, expected);
        const StartPaths start = sortStartPaths(paths, scratch_.path(), fs_);
        QCOMPARE(start.mode, expected.mode);
        QCOMPARE(start.folder, expected.folder);
        QCOMPARE(start.files, expected.files);
        QCOMPARE(start.problems, expected.problems);
    }

    // A name that is not UTF-8 keeps its bytes from the command line to the list (a file whose
    // name is its lossy reading is another file), and without a working folder a relative path
    // names nothing.
    void oddPaths() {
        const QByteArray dir = QFile::encodeName(scratch_.path());
        QByteArray odd = dir + "/caf\xE9.txt";
        const QByteArrayList names{odd, dir + "/caf\xEF\xBF\xBD.txt"};
        for (const QByteArray& name : names)
            QVERIFY(::close(::open(name.constData(), O_CREAT | O_WRONLY, 0644)) == 0);
        char program[] = "varnex";
        char* argv[] = {program, odd.data()};
        const StartPaths start = sortStartPaths(argumentsOf(2, argv).mid(1), scratch_.path(), fs_);
        QCOMPARE(start.files, QStringList{decodeFileName(odd)});
        // Even where the process happens to be, where "a.txt" exists.
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(scratch_.path()));
        const StartPaths adrift = sortStartPaths({u"a.txt"_s, at(u"b.txt"_s)}, QString(), fs_);
        QDir::setCurrent(before);
        QCOMPARE(adrift.files, QStringList{at(u"b.txt"_s)});
        QCOMPARE(adrift.problems, QStringList{u"varnex: a.txt: no such file or folder"_s});
        for (const QByteArray& name : names) // the scratch folder cannot remove such a name
            ::unlink(name.constData());
    }

    // The window starts in the mode asked for, whatever the stored settings say, and the list
    // refuses a second entry of a file in any letter case.
    void startsTheWindow() {
        WindowRig rig;
        frmVarnex& window = rig.start();
        const StartPaths files =
            sortStartPaths({u"a.txt"_s, u"b.txt"_s, u"A.TXT"_s, u"a.txt"_s}, scratch_.path(), fs_);
        QCOMPARE(applyStartPaths(window, files),
                 (QStringList{u"varnex: %1: already in the list"_s.arg(at(u"A.TXT"_s)),
                              u"varnex: %1: already in the list"_s.arg(at(u"a.txt"_s))}));
        QVERIFY(window.optFolderFile[1]->isChecked());
        QCOMPARE(window.fileList().model().rowCount(), 2); // a.txt and b.txt

        const StartPaths folder = sortStartPaths({u"photos"_s}, scratch_.path(), fs_);
        QVERIFY(applyStartPaths(window, folder).isEmpty());
        QVERIFY(window.optFolderFile[0]->isChecked());
        QCOMPARE(window.lblFolder->text(), at(u"photos"_s));
    }

    // A folder given at start takes the place of the stored one: the window opens with it and
    // never reads the stored one, which may hold a million files; applying the start paths
    // then does not read it a second time.
    void opensWithTheStartFolder_data() {
        QTest::addColumn<QString>("startFolder");
        QTest::addColumn<QString>("firstShown");
        QTest::newRow("none: the stored folder") << QString() << u"/stored/"_s;
        QTest::newRow("given: that folder") << u"/start/"_s << u"/start/"_s;
    }
    void opensWithTheStartFolder() {
        QFETCH(QString, startFolder);
        QFETCH(QString, firstShown);
        FakeFileSystem fake;
        fake.addFile(u"/stored/s.txt"_s);
        fake.addFile(u"/start/t.txt"_s);
        WindowRig rig(nullptr, &fake);
        rig.memory.setStored(u"Path"_s, u"/stored/"_s);
        rig.startFolder = startFolder;
        frmVarnex& window = rig.start();
        QCOMPARE(window.lblFolder->text(), firstShown);
        QCOMPARE(fake.opened.contains(u"/stored/"_s), startFolder.isEmpty());

        StartPaths start;
        start.mode = StartPaths::Mode::Folder;
        start.folder = u"/start/"_s;
        QVERIFY(applyStartPaths(window, start).isEmpty());
        QCOMPARE(window.lblFolder->text(), u"/start/"_s);
        QCOMPARE(window.File1->model()->rowCount(), 1);
        QCOMPARE(window.File1->model()->index(0, 0).data().toString(), u"t.txt"_s);
        QCOMPARE(fake.opened.count(u"/start/"_s), 1);
    }

    // The help lies beside the program in the build tree, in share/doc/varnex when installed.
    void findsTheHelp() {
        QTemporaryDir prefix;
        const QString bin = prefix.filePath(u"bin"_s);
        const QString beside = bin + u"/Varnex Help.html"_s;
        const QString installed = prefix.filePath(u"share/doc/varnex/Varnex Help.html"_s);
        QVERIFY(QDir().mkpath(bin));
        QCOMPARE(helpFilePath(bin), beside); // neither: the place the program looks first
        makeFiles(prefix.path(), {u"share/doc/varnex/Varnex Help.html"_s});
        QCOMPARE(helpFilePath(bin), installed);
        makeFiles(prefix.path(), {u"bin/Varnex Help.html"_s});
        QCOMPARE(helpFilePath(bin), beside);
        // The document in the program's language comes first (above, the C locale has none).
        makeFiles(prefix.path(), {u"share/doc/varnex/Varnex Help.fr.html"_s});
        QCOMPARE(helpFilePath(bin, QLocale(u"fr_CA"_s)),
                 QString(installed).replace(u".html"_s, u".fr.html"_s));
    }

    // The window's font is the one that trying every candidate in turn finds: the first, largest
    // first, each size upright then semi-condensed, that shows every caption (the folder label
    // aside: it shows a path, however long TMPDIR makes it), or the smallest when none does.
    static bool fitsAsTryingAll(frmVarnex& window) {
        const QFont fitted = window.font();
        QFont font = QApplication::font();
        [&] {
            for (double size = font.pointSizeF(); size >= 6.0; size -= 0.5) {
                for (const int stretch : {int(QFont::Unstretched), int(QFont::SemiCondensed)}) {
                    font.setPointSizeF(size);
                    font.setStretch(stretch);
                    window.setFont(font);
                    QStringList clipped = clippedCaptions(&window);
                    if (clipped.removeAll(window.lblFolder->text()); clipped.isEmpty())
                        return;
                }
            }
        }();
        window.setFont(fitted);
        return fitted.pointSizeF() == font.pointSizeF() && fitted.stretch() == font.stretch();
    }

    // Each shipped language: every text translated, the window's captions and spoken names in
    // it and none clipped, and messages of every subsystem.
    void theWindowSpeaks_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("preview"); // 0 takes the singular in French, 2 the plural
        QTest::newRow("de") << u"de"_s << u"0 umzubenennen \u00b7 0 Fehler \u00b7 2 übersprungen"_s;
        QTest::newRow("fr") << u"fr"_s << u"0 à renommer \u00b7 0 erreur \u00b7 2 écartés"_s;
    }
    void theWindowSpeaks() {
        QFETCH(QString, language);
        QFETCH(QString, preview);
        QFile ts(QT_TESTCASE_SOURCEDIR "/../../translations/varnex_"_L1 + language + u".ts"_s);
        QVERIFY(ts.open(QIODevice::ReadOnly));
        QVERIFY2(!ts.readAll().contains("type=\"unfinished\""), "a text is left unfinished");

        // The window's captions and spoken names, and messages of every subsystem.
        const auto texts = [](const QWidget& window) {
            QMap<QString, QString> all = windowTexts(window);
            all.insert(u"summary"_s, RunSummary(RunCounters{2, 2}, 1));
            all.insert(u"error"_s, fsError(53).description);
            all.insert(u"usage"_s, parseCommandLine({u"varnex"_s, u"--x"_s}).output);
            return all;
        };
        bool englishFits = false;
        const QMap<QString, QString> english = [&] {
            WindowRig rig;
            englishFits = fitsAsTryingAll(rig.start());
            return texts(rig.window());
        }();
        QVERIFY(englishFits);
        QVERIFY(installTranslations(*qApp, QLocale(language)));
        WindowRig rig;
        frmVarnex& window = rig.start();
        const QMap<QString, QString> translated = texts(window);
        QCOMPARE(translated.keys(), english.keys());
        // The same word in both languages, and the folder label, which shows a path.
        const QStringList same{u"chkSystem caption"_s, u"chkSystem spoken"_s,
                               u"lblFolder caption"_s};
        for (const QString& key : translated.keys()) {
            if (!same.contains(key))
                QVERIFY2(translated[key] != english[key],
                         qPrintable(key + u": "_s + translated[key]));
        }
        QStringList clipped = clippedCaptions(&window);
        clipped.removeAll(window.lblFolder->text());
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(u'|')));
        QVERIFY(fitsAsTryingAll(window));
        QCOMPARE(previewSummaryText({0, 0, 2, {}}), preview);
        qDeleteAll(qApp->findChildren<QTranslator*>()); // back to English for the next language
    }
};

QTEST_MAIN(AppTest)
#include "tst_App.moc"
