// The real window from start to exit: rename runs on real temporary folders with the user's
// answers scripted, start-up and exit with the settings in memory or in a real INI file; the
// menu bar, the preview pane and Edit > Undo.

#include "WindowRig.h"
#include "engine/RenameCommand.h"
#include "selection/FileList.h"
#include "selection/FolderPreview.h"
#include "selection/PreviewRunner.h"
#include "settings/QSettingsStore.h"
#include "window/Controls.h"
#include "window/MenuBar.h"
#include "window/PreviewPane.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

// The rows of the preview as "name > new name: result".
QStringList previewRows(frmVarnex& w) {
    QStringList rows;
    const PreviewModel& m = w.previewRunner().model();
    for (int i = 0; i < m.rowCount(); ++i) {
        rows.append(m.data(m.index(i, 0), Qt::DisplayRole).toString() + u" > "_s +
                    m.data(m.index(i, 1), Qt::DisplayRole).toString() + u": "_s +
                    m.data(m.index(i, 2), Qt::DisplayRole).toString());
    }
    return rows;
}

QStringList pathsIn(const QString& folder, const QStringList& names) {
    QStringList paths;
    for (const QString& name : names)
        paths.append(folder % u'/' % name);
    return paths;
}

// Where the files of a run come from.
enum class Source { List, Open, Folder };

// A type of rename (0 Replace Text, 1 Prepend, 2 Postpend) chosen by clicks: `text` and
// `replace` go to the type's boxes, `member` selects the type's sub-option.
struct Choice {
    int type = 1;
    QString text{}, replace{};
    int member = 0;
    bool caseSensitive = true;

    void click(frmVarnex& w) const {
        w.optTypeOfRename[std::size_t(type)]->click();
        if (type == 0) {
            w.txtFind->setText(text);
            w.txtReplace->setText(replace);
            w.optIncludeExtension[std::size_t(member)]->click();
            w.chkCaseSensitive->setChecked(caseSensitive);
        }
        if (type == 1)
            w.txtPrepend->setText(text);
        if (type == 2) {
            w.txtPostpend->setText(text);
            w.optPostpendPosition[std::size_t(member)]->click();
        }
    }
};

// A run from the window: the names in the scratch folder before and after, and a text refused
// at a first press, as "box=text".
struct RunCase {
    Source source;
    Choice choice;
    QString before, after, refused;
};

void addToList(frmVarnex& w, const QStringList& paths) {
    w.optFolderFile[1]->click();
    for (const QString& path : paths)
        w.fileList().AddListItem(path);
}

// Everything start-up sets and exit keeps but the size: the frame shown, the four texts, the
// folder (label, tip and preview), the selected member of each option array and the state of
// each tick.
QStringList stateOf(frmVarnex& w) {
    QStringList state;
    state << (w.frameFiles->isHidden() ? u"folder"_s : u"files"_s) << w.txtFind->text()
          << w.txtReplace->text() << w.txtPrepend->text() << w.txtPostpend->text()
          << w.lblFolder->text() << w.lblFolder->toolTip() << w.folderPreview().folder();
    for (const OptionArray array :
         {OptionArray::FolderFile, OptionArray::TypeOfRename, OptionArray::IncludeExtension,
          OptionArray::PostpendPosition, OptionArray::ConvertCase})
        state << QString::number(w.selectedOption(array));
    for (const QCheckBox* box :
         {w.chkCaseSensitive, w.chkRecursive, w.chkReadOnly, w.chkHidden, w.chkSystem})
        state << QString::number(box->checkState());
    return state;
}

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> data_;
    std::unique_ptr<WindowRig> rig_;
    frmVarnex* w_ = nullptr;
    QTemporaryDir journals_;

    QString dir() const { return data_->path(); }
    frmVarnex& start() { return *(w_ = &rig_->start()); }
    // Prepends "x" to the files `names`, made in the scratch folder, in files mode.
    void prependX(const QStringList& names) {
        makeFiles(dir(), names);
        addToList(*w_, pathsIn(dir(), names));
        Choice{1, u"x"_s}.click(*w_);
        w_->cmdRename_Click();
    }
private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() {
        data_ = std::make_unique<QTemporaryDir>();
        QVERIFY(data_->isValid());
        rig_ = std::make_unique<WindowRig>();
    }
    void cleanup() {
        w_ = nullptr;
        rig_.reset();
        data_.reset();
    }

    void renameTypes_data() {
        QTest::addColumn<RunCase>("run");
        // clang-format off
        QTest::newRow("replace with the extension, list") << RunCase{Source::List, {0, u"txt"_s, u"md"_s}, u"a.txt|txt.txt"_s, u"a.md|md.md"_s, u"txtFind="_s};
        QTest::newRow("replace ignoring case, Open") << RunCase{Source::Open, {0, u"A"_s, u""_s, 1, false}, u"b|Aab.A"_s, u"b|b.A"_s, u"txtReplace=a|b"_s};
        QTest::newRow("prepend, folder") << RunCase{Source::Folder, {1, u"new "_s}, u"a.txt|b"_s, u"new a.txt|new b"_s, u"txtPrepend="_s};
        QTest::newRow("postpend after the extension, folder") << RunCase{Source::Folder, {2, u"_2"_s, {}, 1}, u"a.txt|b_2"_s, u"a.txt_2|b_2_2"_s, u"txtPostpend=a/b"_s};
        // clang-format on
    }
    // Both modes, from each source (Browse is used by roundTrip): the files on disk, the list or
    // the folder preview, and the summary. A first press with a refused text (the boxes of the
    // other types hold illegal texts, which are not looked at) shows the message, puts the focus in
    // that box and renames nothing. While the run yields, Rename, Exit and Help are off, the
    // pointer is busy and Enter, Escape and a second Rename do nothing; the rest of the window
    // stays usable.
    void renameTypes() {
        QFETCH(RunCase, run);
        const auto& [source, choice, before, after, refused] = run;
        const QStringList names = words(before, u'|'), renamed = words(after, u'|');
        makeFiles(dir(), names);
        start();
        if (source == Source::List)
            addToList(*w_, pathsIn(dir(), names));
        if (source == Source::Open) {
            rig_->openDialog.answers = {{}};
            rig_->openDialog.answers[0].status = OpenFileDialog::Status::Accepted;
            rig_->openDialog.answers[0].paths = pathsIn(dir(), names);
            w_->optFolderFile[1]->click();
            w_->cmdOpen->click();
        }
        if (source == Source::Folder)
            w_->setChosenFolder(dir());
        for (TextBoxEdit* box : {w_->txtFind, w_->txtReplace, w_->txtPrepend, w_->txtPostpend})
            box->setText(u"?"_s);
        choice.click(*w_);
        const QString box = refused.section(u'=', 0, 0);
        w_->findChild<TextBoxEdit*>(box)->setText(refused.section(u'=', 1));
        QTest::mouseClick(w_->cmdRename, Qt::LeftButton);
        QCOMPARE(rig_->box.messages.size(), 1);
        QCOMPARE(QApplication::focusWidget()->objectName(), box);
        QStringList unchanged = names;
        unchanged.sort();
        QCOMPARE(namesIn(dir()), unchanged);
        rig_->box.messages.clear();
        choice.click(*w_);
        QStringList seen;
        rig_->pump.onProcessEvents = [&] {
            if (!seen.isEmpty())
                return;
            for (QWidget* control : std::initializer_list<QWidget*>{
                     w_->cmdRename, w_->cmdExit, w_->cmdHelp, w_->cmdOpen, w_->cmdBrowse,
                     w_->lstFiles, w_->optTypeOfRename[3], w_->chkHidden})
                seen.append(control->objectName() % u'=' % QString::number(control->isEnabled()));
            const QCursor* cursor = QApplication::overrideCursor();
            seen.append(u"busy="_s % QString::number(cursor && cursor->shape() == Qt::WaitCursor));
            QTest::keyClick(w_->txtFind, Qt::Key_Return);
            QTest::keyClick(w_->txtFind, Qt::Key_Escape);
            w_->cmdRename_Click();
        };
        w_->cmdRename->click();

        QCOMPARE(seen, words(u"cmdRename=0 cmdExit=0 cmdHelp=0 cmdOpen=1 cmdBrowse=1 lstFiles=1 "
                             u"optTypeOfRename(3)=1 chkHidden=1 busy=1"_s));
        QCOMPARE(namesIn(dir()), renamed);
        QCOMPARE(rig_->box.messages.size(), 1);
        QCOMPARE(rig_->box.messages[0].text, RunSummary(RunCounters{2, 2}, 1));
        QCOMPARE(rig_->box.messages[0].icon, Icon::Information);
        QCOMPARE(rig_->endProgramCalls, 0);
        QVERIFY(w_->cmdRename->isEnabled() && w_->cmdExit->isEnabled() && w_->cmdHelp->isEnabled());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        if (source == Source::List || source == Source::Open)
            QCOMPARE(rowTexts(*w_->lstFiles->model()), pathsIn(dir(), renamed));
        else
            QCOMPARE(rowTexts(*w_->File1->model()), renamed); // re-read after the run
    }

    // The exit tells the user the settings were not saved, then ends the program.
    void unwritableStore() {
        rig_->memory.setFlushFails(true);
        int endedBeforeMessage = -1;
        rig_->box.responder = [&](const Message&) {
            endedBeforeMessage = rig_->endProgramCalls;
            return Button::Ok;
        };
        start().cmdExit->click();

        QCOMPARE(rig_->messageTexts(),
                 QStringList{u"Your settings could not be saved, so the choices made in this "
                             u"session will not be restored next time."_s});
        QCOMPARE(rig_->box.messages.first().icon, Icon::Critical);
        QCOMPARE(endedBeforeMessage, 0);
        QCOMPARE(rig_->endProgramCalls, 1);
    }

    // Every choice, the folder and the size survive a real exit and a new start on the same
    // INI file.
    void roundTrip() {
        makeFiles(dir(), {u"prev/p.txt"_s});
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
            w.txtFind->setText(u"@a,b = c"_s);
            w.txtReplace->setText(u"  [x]; \"y\" "_s);
            w.optTypeOfRename[1]->click();
            w.txtPrepend->clear(); // an empty text is kept as empty
            w.optTypeOfRename[3]->click();
            w.optConvertCase[2]->click();
            w.txtPostpend->setText(u"\u00e9\u4e2d"_s);
            w.optPostpendPosition[1]->click();
            for (QCheckBox* box : {w.chkRecursive, w.chkReadOnly, w.chkHidden, w.chkSystem})
                box->setChecked(true);
            QTRY_COMPARE(w.outerSizeTwips(), QSizeF(9000, 7005));
            before = stateOf(w);
            w.cmdExit->click();
            QCOMPARE(rig.endProgramCalls, 1);
            QCOMPARE(rig.box.messages.size(), 0);
        }
        QSettingsStore store(ini);
        WindowRig rig(&store);
        frmVarnex& w = rig.start();
        QTRY_COMPARE(w.outerSizeTwips(), QSizeF(9000, 7005));
        QCOMPARE(stateOf(w), before);
    }

    // The menus' commands, their shortcuts where a text box could take the key, and their
    // spoken names.
    void menus() {
        start();
        MenuBar* bar = w_->menus();
        // The list's commands follow the mode, like its buttons.
        QVERIFY(!bar->open->isEnabled());
        w_->optFolderFile[1]->click();
        QVERIFY(bar->open->isEnabled() && bar->close->isEnabled() && bar->closeAll->isEnabled());
        // Delete in a text box edits the text; in the list it closes the selected entry.
        w_->fileList().AddListItem(u"/tmp/a.txt"_s);
        w_->lstFiles->setCurrentIndex(w_->lstFiles->model()->index(0, 0));
        w_->optTypeOfRename[1]->click();
        w_->txtPrepend->setText(u"ab"_s);
        w_->txtPrepend->setFocus();
        w_->txtPrepend->setCursorPosition(0);
        QTest::keyClick(w_->txtPrepend, Qt::Key_Delete);
        QCOMPARE(w_->txtPrepend->text(), u"b"_s);
        QCOMPARE(w_->lstFiles->model()->rowCount(), 1);
        w_->lstFiles->setFocus();
        QTest::keyClick(w_->lstFiles, Qt::Key_Delete);
        QCOMPARE(w_->lstFiles->model()->rowCount(), 0);
        rig_->openDialog.answers.append(OpenFileDialog::Result{}); // cancelled
        QTest::keyClick(w_->lstFiles, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(rig_->openDialog.requests.size(), 1);
        bar->about->trigger();
        QCOMPARE(rig_->box.messages.value(0).title, u"About Varnex"_s);
    }

    // The preview follows the choices as they are typed and clicked, in both modes, with the
    // engine's own outcomes; the folder is read once until Refresh.
    void livePreview() {
        start();
        // A folder named as b.txt's new name: a collision whatever order the folder lists in.
        makeFiles(dir(), {u"a.txt"_s, u"b.txt"_s, u"xb.txt/f"_s, u".hidden"_s});
        w_->setChosenFolder(dir());
        w_->optTypeOfRename[1]->click();
        w_->setPreviewShown(true);
        QTRY_VERIFY(!w_->previewRunner().busy());
        QCOMPARE(w_->previewPane()->summary->text(), u"You must enter a string to prepend."_s);
        QTest::keyClicks(w_->txtPrepend, u"x"_s);
        QTRY_VERIFY(!w_->previewRunner().busy());
        QStringList rows = previewRows(*w_);
        rows.sort();
        QCOMPARE(rows, QStringList({u".hidden > : skipped (Hidden)"_s, u"a.txt > xa.txt: rename"_s,
                                    u"b.txt > xb.txt: error 58: File already exists"_s}));
        QCOMPARE(w_->previewPane()->summary->text(),
                 u"1 to rename \u00b7 1 error \u00b7 1 skipped"_s);
        // A file made after the folder was read shows only after Refresh.
        makeFiles(dir(), {u"c.txt"_s});
        w_->chkHidden->click();
        QTRY_VERIFY(!w_->previewRunner().busy());
        QCOMPARE(previewRows(*w_).size(), 3);
        QVERIFY(previewRows(*w_).contains(u".hidden > x.hidden: rename"_s));
        w_->menus()->refresh->trigger();
        QTRY_VERIFY(!w_->previewRunner().busy());
        QCOMPARE(previewRows(*w_).size(), 4);
        QVERIFY(rowTexts(*w_->File1->model()).contains(u"c.txt"_s));

        // Files mode: the full paths, in list order; nothing was renamed by any preview.
        const QStringList paths = pathsIn(dir(), {u"b.txt"_s, u"a.txt"_s});
        addToList(*w_, paths);
        QTRY_VERIFY(!w_->previewRunner().busy());
        QCOMPARE(previewRows(*w_),
                 QStringList({paths[0] + u" > xb.txt: error 58: File already exists"_s,
                              paths[1] + u" > xa.txt: rename"_s}));
        QCOMPARE(namesIn(dir()),
                 QStringList({u".hidden"_s, u"a.txt"_s, u"b.txt"_s, u"c.txt"_s, u"xb.txt"_s}));
        QCOMPARE(rig_->box.messages.size(), 0);
    }

    // Edit > Undo: its caption counts the renames of the last run, Ctrl+Z undoes them after a
    // restart, and the list and the folder preview follow.
    void undoAfterRestart() {
        rig_->journalFolder = journals_.path();
        QVERIFY(!start().menus()->undo->isEnabled());
        prependX({u"a.txt"_s, u"b.txt"_s});
        QCOMPARE(namesIn(dir()), QStringList({u"xa.txt"_s, u"xb.txt"_s}));
        rig_ = std::make_unique<WindowRig>(); // a new start
        rig_->journalFolder = journals_.path();
        QAction* undo = start().menus()->undo;
        QVERIFY(undo->isEnabled());
        QCOMPARE(undo->text(), u"&Undo Rename of 2 Files"_s);
        w_->setChosenFolder(dir());
        addToList(*w_, pathsIn(dir(), {u"xb.txt"_s}));
        QTest::keyClick(w_, Qt::Key_Z, Qt::ControlModifier);

        QCOMPARE(namesIn(dir()), QStringList({u"a.txt"_s, u"b.txt"_s}));
        QCOMPARE(rig_->messageTexts(), QStringList{u"Undid 2 renames."_s});
        QCOMPARE(rowTexts(*w_->lstFiles->model()), pathsIn(dir(), {u"b.txt"_s}));
        QCOMPARE(rowTexts(*w_->File1->model()), QStringList({u"a.txt"_s, u"b.txt"_s}));
        QVERIFY(!undo->isEnabled());
        QCOMPARE(undo->text(), u"&Undo"_s);
    }

    // A run whose journal could not be written goes ahead and leaves Undo off, the reason as
    // its tooltip.
    void journalNotWritten() {
        rig_->journalFolder = u"/dev/null/state"_s;
        start();
        prependX({u"c.txt"_s});
        QCOMPARE(namesIn(dir()), QStringList{u"xc.txt"_s});
        QCOMPARE(rig_->box.messages.size(), 1); // its summary only
        QVERIFY(!w_->menus()->undo->isEnabled());
        QVERIFY2(w_->menus()->undo->toolTip().startsWith(
                     u"The last run cannot be undone: its journal could not be written"_s),
                 qPrintable(w_->menus()->undo->toolTip()));
    }
};

QTEST_MAIN(EndToEndTest)
#include "tst_Window.moc"
