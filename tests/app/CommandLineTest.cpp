#include "app/CommandLine.h"

#include "app/Program.h"
#include "selection/FileList.h"
#include "window/HelpViewer.h"
#include "window/WindowRig.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>

using namespace varnex;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(varnex::CommandLine::Action)
Q_DECLARE_METATYPE(varnex::StartPaths::Mode)

class CommandLineTest : public QObject {
    Q_OBJECT

    QTemporaryDir scratch_;
    PosixFileSystem fs_;

    QString at(const QString& relative) const { return scratch_.filePath(relative); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(scratch_.isValid());
        makeFiles(scratch_.path(), {u"a.txt"_s, u"A.TXT"_s, u"b.txt"_s, u".hidden"_s,
                                    u"photos/x.jpg"_s, u"music/y.ogg"_s});
    }

    void parsesOptions_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<CommandLine::Action>("action");
        QTest::addColumn<QString>("outputStart");
        QTest::addColumn<QStringList>("paths");
        using A = CommandLine::Action;
        QTest::newRow("after --") << QStringList{u"--"_s, u"--help"_s} << A::Start << QString()
                                  << QStringList{u"--help"_s};
        QTest::newRow("--help") << QStringList{u"--help"_s} << A::ShowHelp << u"Usage:"_s
                                << QStringList{};
        QTest::newRow("-h with a path")
            << QStringList{u"x"_s, u"-h"_s} << A::ShowHelp << u"Usage:"_s << QStringList{u"x"_s};
        QTest::newRow("-v") << QStringList{u"-v"_s} << A::ShowVersion << u"varnex 1."_s
                            << QStringList{};
        QTest::newRow("unknown") << QStringList{u"--frobnicate"_s} << A::Fail
                                 << u"varnex: Unknown option 'frobnicate'."_s << QStringList{};
        QTest::newRow("a word after one dash is one option")
            << QStringList{u"-hv"_s} << A::Fail << u"varnex: Unknown option 'hv'."_s
            << QStringList{};
    }
    void parsesOptions() {
        QFETCH(QStringList, arguments);
        QFETCH(CommandLine::Action, action);
        QFETCH(QString, outputStart);
        QFETCH(QStringList, paths);
        arguments.prepend(u"varnex"_s);
        const CommandLine line = parseCommandLine(arguments);
        QCOMPARE(line.action, action);
        QVERIFY2(line.output.startsWith(outputStart), qPrintable(line.output));
        if (action == CommandLine::Action::Start)
            QCOMPARE(line.paths, paths);
    }

    void sortsPaths_data() {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<StartPaths::Mode>("mode");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("problems");
        using M = StartPaths::Mode;
        QTest::newRow("files, relative and absolute, in order")
            << QStringList{u"b.txt"_s, at(u"a.txt"_s), u"./photos/../A.TXT"_s} << M::Files
            << QString() << QStringList{at(u"b.txt"_s), at(u"a.txt"_s), at(u"A.TXT"_s)}
            << QStringList{};
        QTest::newRow("a folder alone") << QStringList{u"photos/"_s} << M::Folder << at(u"photos"_s)
                                        << QStringList{} << QStringList{};
        QTest::newRow("two folders: the first")
            << QStringList{u"music"_s, u"photos"_s} << M::Folder << at(u"music"_s) << QStringList{}
            << QStringList{u"varnex: photos: only one folder can be opened"_s};
        QTest::newRow("a folder among files is refused")
            << QStringList{u"photos"_s, u"a.txt"_s} << M::Files << QString()
            << QStringList{at(u"a.txt"_s)}
            << QStringList{
                   u"varnex: photos: a folder opens in folder mode only when it is given alone"_s};
        QTest::newRow("unusable paths only: as left")
            << QStringList{u"missing.txt"_s, u".hidden"_s, u""_s} << M::AsLeft << QString()
            << QStringList{}
            << QStringList{u"varnex: missing.txt: no such file or folder"_s,
                           u"varnex: .hidden: not a file the list accepts (hidden and special "
                           u"files are not)"_s,
                           u"varnex: '': an empty path names nothing"_s};
        QTest::newRow("the usable ones start the window")
            << QStringList{u"nope/"_s, u"photos/x.jpg"_s} << M::Files << QString()
            << QStringList{at(u"photos/x.jpg"_s)}
            << QStringList{u"varnex: nope/: no such file or folder"_s};
    }
    void sortsPaths() {
        QFETCH(QStringList, paths);
        QFETCH(StartPaths::Mode, mode);
        QFETCH(QString, folder);
        QFETCH(QStringList, files);
        QFETCH(QStringList, problems);
        const StartPaths start = sortStartPaths(paths, scratch_.path(), fs_);
        QCOMPARE(start.mode, mode);
        QCOMPARE(start.folder, folder);
        QCOMPARE(start.files, files);
        QCOMPARE(start.problems, problems);
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

    // The help lies beside the program in the build tree, in share/doc/varnex when installed.
    void findsTheHelp() {
        QTemporaryDir prefix;
        QVERIFY(prefix.isValid());
        const QString bin = prefix.filePath(u"bin"_s);
        const QString beside = bin + u"/Varnex Help.html"_s;
        const QString installed = prefix.filePath(u"share/doc/varnex/Varnex Help.html"_s);
        QVERIFY(QDir().mkpath(bin));
        QCOMPARE(helpFilePath(bin), beside); // neither: the place the program looks first
        makeFiles(prefix.path(), {u"share/doc/varnex/Varnex Help.html"_s});
        QCOMPARE(helpFilePath(bin), installed);
        makeFiles(prefix.path(), {u"bin/Varnex Help.html"_s});
        QCOMPARE(helpFilePath(bin), beside);
    }
};

QTEST_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
