// Start-up, exit, the Open command and Help through the real window, with the settings in
// memory (to see every access in order) or in a real INI file in a temporary folder.

#include "WindowRig.h"
#include "selection/FileList.h"
#include "selection/FolderPreview.h"
#include "settings/QSettingsStore.h"
#include "window/Controls.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTest>
#include <QTextBrowser>

using namespace varnex;

namespace {

// Texts separated by "|".
QStringList list(const char* text) {
    return QString::fromUtf8(text).split(u'|', Qt::SkipEmptyParts);
}

// The keys read by a normal start, in order.
const char* const ReadingOrder =
    "Window Maximized|Window Width|Window Height|Select a Folder|Path|Path|Path|Path|"
    "Checkbox Recursive|Select Files|Option Replace|Text Find|Text Replace|"
    "Option Include Extension|Option Exclude Extension|Case Sensitive|Option Prepend|"
    "Text Prepend|Option Postpend|Text Postpend|Option Postpend Before|Option Postpend After|"
    "Option Convert Case|Option Convert LowerCase|Option Convert UpperCase|"
    "Option Convert ProperCase|Checkbox ReadOnly|Checkbox Hidden|Checkbox System";

// The choice keys written by every exit, in order, after the window keys.
const char* const ChoiceWritingOrder =
    "Select a Folder|Select Files|Path|Option Replace|Text Find|Text Replace|Option Prepend|"
    "Text Prepend|Option Include Extension|Option Exclude Extension|Case Sensitive|"
    "Option Postpend|Text Postpend|Option Postpend Before|Option Postpend After|"
    "Option Convert Case|Option Convert LowerCase|Option Convert UpperCase|"
    "Option Convert ProperCase|Checkbox Recursive|Checkbox ReadOnly|Checkbox Hidden|"
    "Checkbox System";

QString tick(const QCheckBox* box) {
    switch (box->checkState()) {
    case Qt::Unchecked:
        return u"0"_qs;
    case Qt::Checked:
        return u"1"_qs;
    case Qt::PartiallyChecked:
        break;
    }
    return u"2"_qs;
}

// Everything start-up sets and exit keeps, as "name=value".
QStringList stateOf(frmVarnex& w) {
    const auto option = [&](OptionArray array) {
        return QString::number(w.selectedOption(array));
    };
    const QSizeF size = w.outerSizeTwips();
    QStringList state = {
        u"frame="_qs % (w.frameFiles->isHidden() ? u"folder"_qs : u"files"_qs),
        u"mode="_qs % option(OptionArray::FolderFile),
        u"type="_qs % option(OptionArray::TypeOfRename),
        u"extension="_qs % option(OptionArray::IncludeExtension),
        u"position="_qs % option(OptionArray::PostpendPosition),
        u"case="_qs % option(OptionArray::ConvertCase),
        u"sensitive="_qs % tick(w.chkCaseSensitive),
        u"recursive="_qs % tick(w.chkRecursive),
        u"readOnly="_qs % tick(w.chkReadOnly),
        u"hidden="_qs % tick(w.chkHidden),
        u"system="_qs % tick(w.chkSystem),
        u"find="_qs % w.txtFind->text(),
        u"replace="_qs % w.txtReplace->text(),
        u"prepend="_qs % w.txtPrepend->text(),
        u"postpend="_qs % w.txtPostpend->text(),
        u"findEnabled="_qs % QString::number(w.txtFind->isEnabled()),
        u"folder="_qs % w.lblFolder->text(),
        u"tip="_qs % w.lblFolder->toolTip(),
        u"preview="_qs % w.folderPreview().folder(),
        u"maximized="_qs % QString::number(w.isMaximized()),
    };
    if (!w.isMaximized())
        state.append(u"size="_qs % QString::number(size.width()) % u'x' %
                     QString::number(size.height()));
    return state;
}

// The entries of `state` named in `expected`.
QStringList pick(const QStringList& state, const QStringList& expected) {
    QStringList picked;
    for (const QString& wanted : expected) {
        const QString name = wanted.section(u'=', 0, 0) % u'=';
        for (const QString& entry : state) {
            if (entry.startsWith(name))
                picked.append(entry);
        }
    }
    return picked;
}

QStringList writesOf(const MemorySettingsStore& store) {
    QStringList writes;
    for (const MemorySettingsStore::Access& access : store.accesses()) {
        if (access.operation == MemorySettingsStore::Operation::Write)
            writes.append(access.key % u'=' % access.value);
    }
    return writes;
}

qsizetype flushesOf(const MemorySettingsStore& store) {
    return std::count_if(store.accesses().cbegin(), store.accesses().cend(), [](const auto& a) {
        return a.operation == MemorySettingsStore::Operation::Flush;
    });
}

enum class ExitWay { ExitButton, Escape, CloseBox, Terminate };

void exitBy(frmVarnex& w, ExitWay way) {
    switch (way) {
    case ExitWay::ExitButton:
        w.cmdExit->click();
        break;
    case ExitWay::Escape:
        QTest::keyClick(w.txtFind, Qt::Key_Escape);
        break;
    case ExitWay::CloseBox:
        w.close();
        break;
    case ExitWay::Terminate:
        w.Form_Terminate();
        break;
    }
}

} // namespace

class PersistenceTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> data_;
    QString dir() const { return data_->path(); }

    // Replaces the placeholders of a table row with this run's folders.
    QStringList resolve(QStringList texts, const WindowRig& rig) const {
        for (QString& text : texts) {
            text.replace(u"{prog}"_qs, rig.programDir.path())
                .replace(u"{prev}"_qs, dir() % u"/prev"_qs)
                .replace(u"{dir}"_qs, dir());
        }
        return texts;
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() {
        data_ = std::make_unique<QTemporaryDir>();
        QVERIFY(data_->isValid());
        makeFiles(dir(), list("prev/p.txt|prev/q.txt|a file"));
    }
    void cleanup() { data_.reset(); }

    // A first start: every default, and the keys read in order. A maximised start reads no size.
    void emptyStore() {
        WindowRig rig;
        frmVarnex& w = rig.start();
        QCOMPARE(w.windowTitle(), u"Varnex Version 1.3.0"_qs);
        QTRY_COMPARE(w.outerSizeTwips(), QSizeF(8000, 6480));
        QCOMPARE(stateOf(w),
                 resolve(list("frame=folder|mode=0|type=0|extension=1|position=0|case=0|"
                              "sensitive=1|recursive=0|readOnly=0|hidden=0|system=0|find=|"
                              "replace=|prepend=|postpend=|findEnabled=1|folder={prog}|"
                              "tip={prog}|preview={prog}|maximized=0|size=8000x6480"),
                         rig));
        QCOMPARE(rig.memory.readKeys(), list(ReadingOrder));
        QCOMPARE(rig.memory.writtenKeys(), QStringList());

        WindowRig maximised;
        maximised.memory.setStored(u"Window Maximized"_qs, u"True"_qs);
        QVERIFY(maximised.start().isMaximized());
        QStringList withoutSize = list(ReadingOrder);
        withoutSize.remove(1, 2);
        QCOMPARE(maximised.memory.readKeys(), withoutSize);
    }

    void storedValues_data() {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("written");
        QTest::newRow("Checkbox Hidden 7 is skipped, later keys apply")
            << list("Checkbox Hidden=7|Checkbox System=1") << list("hidden=0|system=1")
            << list("Checkbox Hidden=0|Checkbox System=1");
        QTest::newRow("lower-case true does not maximise")
            << list("Window Maximized=true|Window Width=9000|Window Height=7000")
            << list("maximized=0|size=9000x7000") << list("Window Maximized=False");
        QTest::newRow("True maximises, the stored size stays")
            << list("Window Maximized=True|Window Width=9000") << list("maximized=1")
            << list("Window Maximized=True|Window Width=9000");
        QTest::newRow("too narrow a width is raised")
            << list("Window Width=5000|Window Height=7000") << list("size=8000x7000")
            << list("Window Width=8000|Window Height=7000");
        QTest::newRow("both modes True: files")
            << list("Select a Folder=True|Select Files=True") << list("frame=files|mode=1")
            << list("Select a Folder=False|Select Files=True");
        QTest::newRow("both modes False: none selected")
            << list("Select a Folder=False|Select Files=False") << list("frame=folder|mode=-1")
            << list("Select a Folder=False|Select Files=False");
        QTest::newRow("every rename type False: none selected, Replace panel stays")
            << list("Option Replace=False|Option Prepend=False|Option Postpend=False|"
                    "Option Convert Case=False")
            << list("type=-1|findEnabled=1") << list("Option Replace=False");
        QTest::newRow("the last member read wins")
            << list("Option Prepend=True|Option Convert Case=True|Option Postpend After=True|"
                    "Option Convert UpperCase=True|Option Convert ProperCase=True")
            << list("type=3|position=1|case=2|findEnabled=0")
            << list("Option Prepend=False|Option Convert Case=True|Option Postpend Before=False");
        QTest::newRow("Case Sensitive 2 is greyed and kept")
            << list("Case Sensitive=2") << list("sensitive=2") << list("Case Sensitive=2");
        QTest::newRow("Path of a missing folder")
            << list("Path={dir}/missing")
            << list("folder={dir}/missing|tip={dir}/missing|preview={prev}")
            << list("Path={dir}/missing");
        QTest::newRow("Path of a file")
            << list("Path={dir}/a file") << list("folder={dir}/a file|preview={prev}")
            << list("Path={dir}/a file");
    }

    // Stored texts through a real start, and what the next exit stores.
    void storedValues() {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, written);
        WindowRig rig;
        for (const QString& entry : resolve(stored, rig))
            rig.memory.setStored(entry.section(u'=', 0, 0), entry.section(u'=', 1));
        rig.window().setChosenFolder(dir() % u"/prev"); // what the previews showed before
        frmVarnex& w = rig.start();
        QCOMPARE(pick(stateOf(w), expected), resolve(expected, rig));
        QCOMPARE(rig.box.messages.size(), 0);

        w.cmdExit->click();
        for (const QString& entry : resolve(written, rig))
            QCOMPARE(entry.section(u'=', 0, 0) % u'=' %
                         rig.memory.stored(entry.section(u'=', 0, 0)).value_or(u"<none>"_qs),
                     entry);
    }

    // Every key, its form and its place in the writing order.
    void writingOrder() {
        WindowRig rig;
        frmVarnex& w = rig.start();
        w.optFolderFile[1]->click();
        w.optTypeOfRename[2]->click();
        w.txtFind->setText(u"f"_qs);
        w.txtPrepend->setText(u" p "_qs);
        w.txtPostpend->setText(u"q"_qs);
        w.optPostpendPosition[1]->click();
        w.chkRecursive->setChecked(true);
        w.chkSystem->setChecked(true);
        rig.memory.clearAccesses();
        w.cmdExit->click();

        const QStringList written = writesOf(rig.memory);
        QStringList keys;
        for (const QString& entry : written)
            keys.append(entry.section(u'=', 0, 0));
        QCOMPARE(keys,
                 list("Window Maximized|Window Width|Window Height") + list(ChoiceWritingOrder));
        QCOMPARE(written.mid(3),
                 resolve(list("Select a Folder=False|Select Files=True|Path={prog}|"
                              "Option Replace=False|Text Find=f|Text Replace=|"
                              "Option Prepend=False|Text Prepend= p |"
                              "Option Include Extension=False|Option Exclude Extension=True|"
                              "Case Sensitive=1|Option Postpend=True|Text Postpend=q|"
                              "Option Postpend Before=False|Option Postpend After=True|"
                              "Option Convert Case=False|Option Convert LowerCase=True|"
                              "Option Convert UpperCase=False|Option Convert ProperCase=False|"
                              "Checkbox Recursive=1|Checkbox ReadOnly=0|Checkbox Hidden=0|"
                              "Checkbox System=1"),
                         rig));
        QCOMPARE(rig.memory.accesses().last().operation, MemorySettingsStore::Operation::Flush);
    }

    void exitWays_data() {
        QTest::addColumn<ExitWay>("way");
        QTest::addColumn<Qt::WindowState>("state");
        QTest::addColumn<QStringList>("windowKeys");
        const QStringList normal =
            list("Window Maximized=False|Window Width=8000|Window Height=6480");
        QTest::newRow("Exit button") << ExitWay::ExitButton << Qt::WindowNoState << normal;
        QTest::newRow("Escape key") << ExitWay::Escape << Qt::WindowNoState << normal;
        QTest::newRow("close box") << ExitWay::CloseBox << Qt::WindowNoState << normal;
        QTest::newRow("terminate") << ExitWay::Terminate << Qt::WindowNoState << normal;
        QTest::newRow("minimised") << ExitWay::CloseBox << Qt::WindowMinimized << QStringList();
        QTest::newRow("maximised")
            << ExitWay::ExitButton << Qt::WindowMaximized << list("Window Maximized=True");
    }

    // Each way out writes once and ends the program once; any later way does nothing.
    void exitWays() {
        QFETCH(ExitWay, way);
        QFETCH(Qt::WindowState, state);
        QFETCH(QStringList, windowKeys);
        WindowRig rig;
        frmVarnex& w = rig.start();
        w.setWindowState(state);
        exitBy(w, way);

        const QStringList written = writesOf(rig.memory);
        QCOMPARE(written.size(), windowKeys.size() + 23);
        QCOMPARE(written.mid(0, windowKeys.size()), windowKeys);
        QCOMPARE(flushesOf(rig.memory), 1);
        QCOMPARE(rig.endProgramCalls, 1);
        QVERIFY(!w.isVisible());

        const qsizetype accesses = rig.memory.accesses().size();
        for (const ExitWay again :
             {ExitWay::ExitButton, ExitWay::Escape, ExitWay::CloseBox, ExitWay::Terminate})
            exitBy(w, again);
        QCOMPARE(rig.memory.accesses().size(), accesses);
        QCOMPARE(rig.endProgramCalls, 1);
        QCOMPARE(rig.box.messages.size(), 0);
    }

    void closeDuringRun_data() {
        QTest::addColumn<ExitWay>("way");
        QTest::newRow("close box") << ExitWay::CloseBox;
        QTest::newRow("terminate") << ExitWay::Terminate;
    }

    // Closing the window or terminating the program while a run yields saves the settings and
    // ends the program; the run stops after its current file and shows no summary.
    void closeDuringRun() {
        QFETCH(ExitWay, way);
        WindowRig rig;
        frmVarnex& w = rig.start();
        const QStringList names = list("a|b|c|d|e");
        makeFiles(dir(), names);
        w.optFolderFile[1]->click();
        for (const QString& name : names)
            w.fileList().AddListItem(dir() % u'/' % name);
        w.optTypeOfRename[1]->click();
        w.txtPrepend->setText(u"x"_qs);
        rig.pump.onProcessEvents = [&] {
            if (QFile::exists(dir() % u"/xa") && w.isVisible())
                exitBy(w, way);
        };
        w.cmdRename->click();

        QCOMPARE(namesIn(dir()), list("a file|b|c|d|e|prev|xa"));
        QCOMPARE(rig.box.messages.size(), 0);
        QCOMPARE(flushesOf(rig.memory), 1);
        QCOMPARE(writesOf(rig.memory).size(), 26);
        QCOMPARE(rig.endProgramCalls, 1);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    void unwritableStore_data() {
        QTest::addColumn<bool>("realFile");
        QTest::newRow("flush fails") << false;
        QTest::newRow("settings folder blocked by a file") << true;
    }

    // The exit tells the user the settings were not saved, then ends the program.
    void unwritableStore() {
        QFETCH(bool, realFile);
        QSettingsStore blocked(dir() % u"/a file/Varnex.conf");
        WindowRig rig(realFile ? static_cast<SettingsStore*>(&blocked) : nullptr);
        rig.memory.setFlushFails(true);
        int endedBeforeMessage = -1;
        rig.box.responder = [&](const Message&) {
            endedBeforeMessage = rig.endProgramCalls;
            return Button::Ok;
        };
        rig.start().cmdExit->click();

        QCOMPARE(rig.messageTexts(),
                 QStringList{u"Your settings could not be saved, so the choices made in this "
                             "session will not be restored next time."_qs});
        QCOMPARE(rig.box.messages.first().title, u"Varnex"_qs);
        QCOMPARE(rig.box.messages.first().icon, Icon::Critical);
        QCOMPARE(endedBeforeMessage, 0);
        QCOMPARE(rig.endProgramCalls, 1);
        QVERIFY(QFileInfo(dir() % u"/a file").isFile());
    }

    // Every choice, the folder and the size survive a real exit and a new start on the same
    // INI file.
    void roundTrip() {
        const QString ini = dir() % u"/config/Varnex/Varnex.conf";
        QStringList before;
        {
            QSettingsStore store(ini);
            WindowRig rig(&store);
            frmVarnex& w = rig.start();
            w.setOuterSizeTwips(9000, 7005);
            rig.chooser.answer = dir() % u"/prev";
            w.cmdBrowse->click();
            w.optFolderFile[1]->click();
            w.optIncludeExtension[0]->click();
            w.chkCaseSensitive->setChecked(false);
            w.txtFind->setText(u"@a,b = c"_qs);
            w.txtReplace->setText(u"  [x]; \"y\" "_qs);
            w.optTypeOfRename[1]->click();
            w.txtPrepend->clear(); // an empty text is kept as empty
            w.optTypeOfRename[3]->click();
            w.optConvertCase[2]->click();
            w.txtPostpend->setText(u"\u00e9\u4e2d"_qs);
            w.optPostpendPosition[1]->click();
            for (QCheckBox* box : {w.chkRecursive, w.chkReadOnly, w.chkHidden, w.chkSystem})
                box->setChecked(true);
            QTRY_COMPARE(w.outerSizeTwips(), QSizeF(9000, 7005));
            before = stateOf(w);
            w.cmdExit->click();
            QCOMPARE(rig.endProgramCalls, 1);
            QCOMPARE(rig.box.messages.size(), 0);
        }
        QVERIFY(QFileInfo(ini).isFile());

        QSettingsStore store(ini);
        WindowRig rig(&store);
        frmVarnex& w = rig.start();
        QTRY_COMPARE(w.outerSizeTwips(), QSizeF(9000, 7005));
        QCOMPARE(stateOf(w), before);
    }

    void openCommand_data() {
        QTest::addColumn<QString>("storedIndex");
        QTest::addColumn<int>("opensWith");
        QTest::newRow("none stored") << QString() << 2;
        QTest::newRow("HTML filter stored") << u"3"_qs << 3;
        QTest::newRow("not a number") << u"x"_qs << 2;
    }

    // A confirmed Open adds the files and stores the filter and their folder at once; the exit
    // then stores the folder panel's folder under "Path".
    void openCommand() {
        QFETCH(QString, storedIndex);
        QFETCH(int, opensWith);
        WindowRig rig;
        if (!storedIndex.isEmpty())
            rig.memory.setStored(u"OpenFilterIndex"_qs, storedIndex);
        rig.memory.setStored(u"Path"_qs, dir());
        frmVarnex& w = rig.start();
        w.optFolderFile[1]->click();
        OpenFileDialog::Result chosen;
        chosen.status = OpenFileDialog::Status::Accepted;
        chosen.paths = {dir() % u"/prev/p.txt", dir() % u"/prev/q.txt"};
        chosen.filterIndex = 1;
        rig.openDialog.answers = {chosen};
        rig.memory.clearAccesses();
        w.cmdOpen->click();

        QCOMPARE(rig.openDialog.requests.size(), 1);
        QCOMPARE(rig.openDialog.requests.first().filterIndex, opensWith);
        QCOMPARE(rig.openDialog.requests.first().initialFolder, dir());
        QCOMPARE(rig.box.messages.size(), 0);
        QCOMPARE(w.fileList().model().entryIds().size(), 2);
        QCOMPARE(writesOf(rig.memory),
                 QStringList({u"OpenFilterIndex=1"_qs, u"Path="_qs % dir() % u"/prev/"}));

        w.cmdExit->click();
        QCOMPARE(rig.memory.stored(u"Path"_qs), dir());
        QCOMPARE(rig.memory.stored(u"OpenFilterIndex"_qs), u"1"_qs);
    }

    void help_data() {
        QTest::addColumn<bool>("present");
        QTest::newRow("help file present") << true;
        QTest::newRow("help file missing") << false;
    }

    // Help shows the document beside the program at its contents, in a modeless read-only
    // viewer, and again at the contents on the next press; without the file, nothing shows.
    void help() {
        QFETCH(bool, present);
        WindowRig rig;
        const QString source = QStringLiteral(QT_TESTCASE_SOURCEDIR "/../../help/Varnex Help.html");
        if (present)
            QVERIFY(QFile::copy(source, rig.programDir.filePath(u"Varnex Help.html"_qs)));
        frmVarnex& w = rig.start();
        w.cmdHelp->click();
        QCOMPARE(rig.box.messages.size(), 0);
        if (!present) {
            QVERIFY(!w.helpViewer() || !w.helpViewer()->isVisible());
            return;
        }
        HelpViewer* viewer = w.helpViewer();
        QVERIFY(viewer && viewer->isVisible() && viewer->isWindow());
        QCOMPARE(viewer->windowModality(), Qt::NonModal);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QTextBrowser* browser = viewer->browser();
        QVERIFY(browser->isReadOnly());
        QVERIFY(!browser->document()->isEmpty());
        QCOMPARE(browser->source().fragment(), u"contents"_qs);

        // A second press comes back to the contents from further down.
        QScrollBar* scroll = browser->verticalScrollBar();
        QTRY_VERIFY(scroll->maximum() > 0);
        const int atContents = scroll->value();
        QVERIFY(atContents < scroll->maximum());
        scroll->setValue(scroll->maximum());
        w.cmdHelp->click();
        QCOMPARE(scroll->value(), atContents);
        QCOMPARE(w.helpViewer(), viewer);
    }
};

QTEST_MAIN(PersistenceTest)
#include "PersistenceTest.moc"
