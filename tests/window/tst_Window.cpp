// The real window from start to exit: rename runs on real temporary folders with the user's
// answers scripted, start-up and exit with the settings in memory or in a real INI file; the
// menu bar, the preview pane and Edit > Undo.

#include "WindowRig.h"
#include "engine/RenameCommand.h"
#include "selection/FileList.h"
#include "selection/FolderPreview.h"
#include "selection/OpenCommand.h"
#include "selection/PreviewRunner.h"
#include "settings/QSettingsStore.h"
#include "window/Controls.h"
#include "window/Layout.h"
#include "window/MenuBar.h"
#include "window/PreviewPane.h"
#include "window/QtDialogs.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>

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

// Acts on the window as a user would, control by control (by object name, separated by
// " | "): "name" clicks a button, "name=text" types into a text box or sets a tick (0 or 1).
void act(frmVarnex& w, const QString& actions) {
    for (const QString& action : actions.split(u" | "_s)) {
        const QString name = action.section(u'=', 0, 0), value = action.section(u'=', 1);
        auto* tick = w.findChild<QCheckBox*>(name);
        if (auto* box = w.findChild<QLineEdit*>(name))
            box->setText(value);
        else if (tick && action.contains(u'='))
            tick->setChecked(value == u"1");
        else
            w.findChild<QAbstractButton*>(name)->click();
    }
}

// A run from the window: the choices made, the names in the scratch folder before and after,
// and a text refused at a first press, as "box=text".
struct RunCase {
    Source source;
    QString choice, before, after, refused;
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
        act(*w_, u"optTypeOfRename(1) | txtPrepend=x"_s);
        w_->cmdRename_Click();
    }
private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() {
        data_ = std::make_unique<QTemporaryDir>();
        rig_ = std::make_unique<WindowRig>();
    }
    void cleanup() {
        rig_.reset();
        data_.reset();
    }

    void renameTypes_data() {
        QTest::addColumn<RunCase>("run");
        // clang-format off
        QTest::newRow("replace with the extension, list") << RunCase{Source::List, u"optTypeOfRename(0) | txtFind=txt | txtReplace=md | optIncludeExtension(0) | chkCaseSensitive=1"_s, u"a.txt|txt.txt"_s, u"a.md|md.md"_s, u"txtFind="_s};
        QTest::newRow("replace ignoring case, Open") << RunCase{Source::Open, u"optTypeOfRename(0) | txtFind=A | txtReplace= | optIncludeExtension(1) | chkCaseSensitive=0"_s, u"b|Aab.A"_s, u"b|b.A"_s, u"txtReplace=a|b"_s};
        QTest::newRow("prepend, folder") << RunCase{Source::Folder, u"optTypeOfRename(1) | txtPrepend=new "_s, u"a.txt|b"_s, u"new a.txt|new b"_s, u"txtPrepend="_s};
        QTest::newRow("postpend after the extension, folder") << RunCase{Source::Folder, u"optTypeOfRename(2) | txtPostpend=_2 | optPostpendPosition(1)"_s, u"a.txt|b_2"_s, u"a.txt_2|b_2_2"_s, u"txtPostpend=a/b"_s};
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
        act(*w_, u"txtFind=? | txtReplace=? | txtPrepend=? | txtPostpend=? | "_s + choice +
                     u" | "_s + refused);
        QTest::mouseClick(w_->cmdRename, Qt::LeftButton);
        QCOMPARE(rig_->box.messages.size(), 1);
        QCOMPARE(QApplication::focusWidget()->objectName(), refused.section(u'=', 0, 0));
        QStringList unchanged = names;
        unchanged.sort();
        QCOMPARE(namesIn(dir()), unchanged);
        rig_->box.messages.clear();
        act(*w_, choice);
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
        QCOMPARE(rig_->endProgramCalls, 0); // Escape did not exit
        QVERIFY(w_->cmdRename->isEnabled() && w_->cmdExit->isEnabled() && w_->cmdHelp->isEnabled());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        if (source == Source::List || source == Source::Open)
            QCOMPARE(rowTexts(*w_->lstFiles->model()), pathsIn(dir(), renamed));
        else
            QTRY_COMPARE(rowTexts(*w_->File1->model()), renamed); // re-read after the run
    }

    void folderRuns_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("trigger"); // the new name that, once on disk, sets off `change`
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("after");
        QTest::addColumn<RunCounters>("counters");
        QTest::addColumn<int>("foldersSearched");
        const QString prependX = u"optTypeOfRename(1) | txtPrepend=x | "_s;
        // clang-format off
        QTest::newRow("sub-folders left alone") << u"a|s1/b|s2/t/c"_s << prependX + u"chkRecursive=0"_s << QString() << QString() << u"s1/b|s2/t/c|xa"_s << RunCounters{1, 1} << 1;
        QTest::newRow("sub-folders searched") << u"a|s1/b|s2/t/c"_s << prependX + u"chkRecursive=1"_s << QString() << QString() << u"s1/xb|s2/t/xc|xa"_s << RunCounters{3, 3} << 4;
        QTest::newRow("text changed mid-run") << u"a|b"_s << prependX + u"chkRecursive=0"_s << u"xa"_s << u"txtPrepend=y"_s << u"xa|yb"_s << RunCounters{2, 2} << 1;
        QTest::newRow("type changed mid-run") << u"a|b"_s << prependX + u"txtPostpend=z"_s << u"xa"_s << u"optTypeOfRename(2)"_s << u"bz|xa"_s << RunCounters{2, 2} << 1;
        QTest::newRow("tick changed mid-run") << u"a1|a2"_s << u"optTypeOfRename(0) | txtFind=A | txtReplace=z | chkCaseSensitive=0"_s << u"z1"_s << u"chkCaseSensitive=1"_s << u"a2|z1"_s << RunCounters{2, 2} << 1;
        // clang-format on
    }
    // A folder run from the window: the sub-folders it searches (and counts in its summary), and
    // a choice changed while it runs, which holds from the next file on.
    void folderRuns() {
        QFETCH(QString, before);
        QFETCH(QString, choice);
        QFETCH(QString, trigger);
        QFETCH(QString, change);
        QFETCH(QString, after);
        QFETCH(RunCounters, counters);
        QFETCH(int, foldersSearched);
        makeFiles(dir(), words(before, u'|'));
        start();
        w_->setChosenFolder(dir());
        act(*w_, choice);
        rig_->pump.onProcessEvents = [&] {
            if (!change.isEmpty() && QFileInfo::exists(dir() % u'/' % trigger)) {
                act(*w_, change);
                change.clear();
            }
        };
        w_->cmdRename->click();
        QVERIFY(change.isEmpty() || trigger.isEmpty());
        QStringList found;
        QDirIterator it(dir(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found.append(QDir(dir()).relativeFilePath(it.next()));
        found.sort();
        QCOMPARE(found, words(after, u'|'));
        QCOMPARE(rig_->box.messages.size(), 1);
        QCOMPARE(rig_->box.messages[0].text, RunSummary(counters, foldersSearched));
    }

    // Tab and Shift+Tab as a keyboard user meets them: an option group is one stop, at its
    // selected member, from the first press on; disabled controls are passed over.
    void tabPaths_data() {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("from");
        QTest::addColumn<bool>("back");
        QTest::addColumn<QString>("path");
        // clang-format off
        QTest::newRow("on from Case Sensitive") << QString() << u"chkCaseSensitive"_s << false << u"chkReadOnly chkHidden"_s;
        QTest::newRow("back from Read Only") << QString() << u"chkReadOnly"_s << true << u"chkCaseSensitive optIncludeExtension(1) txtReplace txtFind optTypeOfRename(0)"_s;
        QTest::newRow("Prepend chosen, back from Read Only") << u"optTypeOfRename(1)"_s << u"chkReadOnly"_s << true << u"txtPrepend optTypeOfRename(1)"_s;
        // clang-format on
    }
    void tabPaths() {
        QFETCH(QString, choice);
        QFETCH(QString, from);
        QFETCH(bool, back);
        QFETCH(QString, path);
        start();
        if (!choice.isEmpty())
            act(*w_, choice);
        w_->findChild<QWidget*>(from)->setFocus(Qt::OtherFocusReason);
        QStringList met;
        for (qsizetype i = 0; i < words(path).size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab,
                            back ? Qt::ShiftModifier : Qt::NoModifier);
            met.append(QApplication::focusWidget()->objectName());
        }
        QCOMPARE(met, words(path));
    }

    // The panel of each type of rename: only its own inputs are on (with the window's text
    // background; the others take the button face), and its text box takes the focus with its
    // text selected whole, kept from before the switch.
    void panels_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("on");
        QTest::addColumn<QString>("focus"); // empty: no text box has the focus
        // clang-format off
        QTest::newRow("Replace Text") << 0 << u"txtFind txtReplace optIncludeExtension(0) chkCaseSensitive"_s << u"txtFind"_s;
        QTest::newRow("Prepend") << 1 << u"txtPrepend"_s << u"txtPrepend"_s;
        QTest::newRow("Postpend") << 2 << u"txtPostpend optPostpendPosition(0)"_s << u"txtPostpend"_s;
        QTest::newRow("Convert Case") << 3 << u"optConvertCase(0)"_s << QString();
        // clang-format on
    }
    void panels() {
        QFETCH(int, type);
        QFETCH(QString, on);
        QFETCH(QString, focus);
        start();
        act(*w_, u"txtFind=abc | txtPrepend=abc | txtPostpend=abc | optTypeOfRename(%1) | "
                 u"optTypeOfRename(%2)"_s.arg((type + 1) % 4)
                     .arg(type));
        QStringList found;
        for (const char* name :
             {"txtFind", "txtReplace", "optIncludeExtension(0)", "chkCaseSensitive", "txtPrepend",
              "txtPostpend", "optPostpendPosition(0)", "optConvertCase(0)"}) {
            const QWidget* input = w_->findChild<QWidget*>(QLatin1String(name));
            if (input->isEnabled())
                found.append(input->objectName());
            if (const auto* box = qobject_cast<const QLineEdit*>(input)) {
                const QPalette::ColorRole face =
                    input->isEnabled() ? QPalette::Base : QPalette::Button;
                QCOMPARE(box->palette().color(QPalette::Active, QPalette::Base),
                         w_->palette().color(QPalette::Active, face));
            }
        }
        QCOMPARE(found, words(on));
        const auto* box = qobject_cast<const QLineEdit*>(QApplication::focusWidget());
        QCOMPARE(box ? box->objectName() : QString(), focus);
        if (box)
            QCOMPARE(box->selectedText(), u"abc"_s);
    }

    // Start-up from stored values, addressed by the names users' settings files hold: the
    // frame shown, the four texts, the selected member of each option array (-1: none) and the
    // state of each tick (0 clear, 1 greyed, 2 ticked); a value that does not convert leaves its
    // control as it was and the later keys still apply.
    void storedStart_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("state");
        // clang-format off
        QTest::newRow("empty store") << QString() << u"folder|||||0|0|1|0|0|2|0|0|0|0"_s;
        QTest::newRow("every key") << u"Select a Folder=False|Select Files=True|Checkbox Recursive=1|Option Replace=False|Text Find=f|Text Replace=r|Option Include Extension=True|Option Exclude Extension=False|Case Sensitive=0|Option Prepend=False|Text Prepend=p|Option Postpend=False|Text Postpend=q|Option Postpend Before=False|Option Postpend After=True|Option Convert Case=True|Option Convert LowerCase=False|Option Convert UpperCase=False|Option Convert ProperCase=True|Checkbox ReadOnly=1|Checkbox Hidden=1|Checkbox System=1"_s << u"files|f|r|p|q|1|3|0|1|2|0|2|2|2|2"_s;
        QTest::newRow("both modes selected: the later wins") << u"Select a Folder=True|Select Files=True"_s << u"files|||||1|0|1|0|0|2|0|0|0|0"_s;
        QTest::newRow("neither mode selected") << u"Select a Folder=False|Select Files=False"_s << u"folder|||||-1|0|1|0|0|2|0|0|0|0"_s;
        QTest::newRow("a tick out of range, later keys apply") << u"Checkbox Hidden=7|Checkbox System=1|Option Prepend=yes"_s << u"folder|||||0|0|1|0|0|2|0|0|0|2"_s;
        QTest::newRow("greyed tick") << u"Case Sensitive=2"_s << u"folder|||||0|0|1|0|0|1|0|0|0|0"_s;
        // clang-format on
    }
    void storedStart() {
        QFETCH(QString, stored);
        QFETCH(QString, state);
        for (const QString& pair : words(stored, u'|'))
            rig_->memory.setStored(pair.section(u'=', 0, 0), pair.section(u'=', 1));
        start();
        QStringList shown = stateOf(*w_);
        shown.remove(5, 3); // the folder: the program's own, a scratch folder
        QCOMPARE(shown.join(u'|'), state);
        // A greyed tick is written back as it was read.
        w_->cmdExit->click();
        QCOMPARE(rig_->memory.stored(u"Case Sensitive"_s),
                 std::optional(stored.contains(u"Case Sensitive=2"_s)   ? u"2"_s
                               : stored.contains(u"Case Sensitive=0"_s) ? u"0"_s
                                                                        : u"1"_s));
    }

    // Every way out saves once, and the window keys follow the window's state: all three from
    // the normal state, "True" alone when maximised, none when minimised.
    void exits_data() {
        QTest::addColumn<Qt::WindowState>("state");
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("keys");
        // clang-format off
        QTest::newRow("normal, Exit") << Qt::WindowNoState << u"button"_s << u"Window Maximized=False|Window Width=9000|Window Height=7000"_s;
        QTest::newRow("maximised, Escape") << Qt::WindowMaximized << u"escape"_s << u"Window Maximized=True"_s;
        QTest::newRow("minimised, close box") << Qt::WindowMinimized << u"close"_s << QString();
        // clang-format on
    }
    void exits() {
        QFETCH(Qt::WindowState, state);
        QFETCH(QString, way);
        QFETCH(QString, keys);
        start();
        w_->setOuterSizeTwips(9000, 7000);
        QTRY_COMPARE(w_->outerSizeTwips(), QSizeF(9000, 7000));
        if (state != Qt::WindowNoState) {
            w_->setWindowState(state);
            QTRY_VERIFY(w_->windowState() & state);
        }
        if (way == u"button")
            w_->cmdExit->click();
        else if (way == u"escape")
            QTest::keyClick(w_->txtFind, Qt::Key_Escape);
        else
            w_->close();
        w_->close(); // a second way out saves nothing more
        QCOMPARE(rig_->endProgramCalls, 1);
        QStringList written;
        for (const QString& key : {u"Window Maximized"_s, u"Window Width"_s, u"Window Height"_s}) {
            if (const std::optional<QString> value = rig_->memory.stored(key))
                written.append(key % u'=' % *value);
        }
        QCOMPARE(written, words(keys, u'|'));
        QCOMPARE(rig_->memory.stored(u"Select a Folder"_s), std::optional(u"True"_s));
    }

    // The folder label's tool tip shows a folder whose name looks like markup as it is.
    void folderToolTip() {
        start();
        const QString folder = dir() % u"/a<b>x</b> &amp;"_s;
        w_->setChosenFolder(folder);
        const QPoint inside(2, 2);
        QHelpEvent help(QEvent::ToolTip, inside, w_->lblFolder->mapToGlobal(inside));
        QApplication::sendEvent(w_->lblFolder, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QTextDocument shown;
        shown.setHtml(QToolTip::text());
        QCOMPARE(shown.toPlainText(), folder);
        QCOMPARE(w_->lblFolder->toolTip(), folder); // as assistive technology reads it
        QToolTip::hideText();
    }

    // The menu bar sits above the form and takes nothing from it: the form is laid out for the
    // outer size less the menu bar, so a first start lays it out exactly as an 8000 x 6480
    // window, and the bottom buttons keep their margin inside the window.
    void formUnderMenuBar_data() {
        QTest::addColumn<QSizeF>(
            "form"); // the outer size the form is laid out for; empty: none set
        QTest::newRow("first start") << QSizeF();
        QTest::newRow("resized") << QSizeF(9000, 7000);
    }
    void formUnderMenuBar() {
        QFETCH(QSizeF, form);
        start();
        const TwipScale scale = TwipScale::of(w_);
        const double menu = scale.toTwips(w_->menus()->sizeHint().height());
        if (form.isEmpty())
            form = QSizeF(8000, 6480);
        else
            w_->setOuterSizeTwips(form.width(), form.height() + menu);
        QTRY_COMPARE(w_->outerSizeTwips(), QSizeF(form.width(), form.height() + menu));
        QCOMPARE(w_->layoutGeometry(),
                 layoutForWindowSize(form.width(), form.height(), designedLayoutGeometry()));
        const int bottom = w_->cmdRename->mapTo(w_, QPoint(0, w_->cmdRename->height())).y();
        // The layout's 600 twips under the buttons hold the window's frame, as they do in the
        // outer size.
        const int frame = w_->frameGeometry().height() - w_->height();
        QVERIFY(qAbs(w_->height() + frame - scale.toPixels(600) - bottom) <= 1);
    }

    // The Open dialog as the user meets it: Qt's own dialog, whatever the desktop, showing each
    // filter's caption exactly as written, the requested one selected. It is cancelled.
    void openDialogCaptions() {
        const QList<FileFilter> filters = openFileFilters();
        QStringList shown;
        bool ownDialog = false;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll.stop();
            ownDialog = dialog->testOption(QFileDialog::DontUseNativeDialog);
            if (const auto* types = dialog->findChild<QComboBox*>(u"fileTypeCombo"_s)) {
                for (int i = 0; i < types->count(); ++i)
                    shown.append(types->itemText(i));
                shown.append(types->currentText());
            }
            dialog->reject();
        });
        poll.start();
        QtOpenFileDialog dialog(nullptr);
        const OpenFileDialog::Result result = dialog.show({dir(), filters, 2});
        QCOMPARE(result.status, OpenFileDialog::Status::Cancelled);
        QVERIFY(ownDialog);
        QStringList captions;
        for (const FileFilter& filter : filters)
            captions.append(filter.description);
        QCOMPARE(shown, captions << filters.at(1).description);
    }

    // The exit tells the user the settings were not saved, then ends the program.
    void unwritableStore() {
        rig_->memory.flushFails = true;
        int endedBeforeMessage = -1;
        rig_->box.responder = [&](const Message&) {
            endedBeforeMessage = rig_->endProgramCalls;
            return Button::Ok;
        };
        start().cmdExit->click();

        QCOMPARE(rig_->box.messages.size(), 1);
        QCOMPARE(rig_->box.messages[0].text,
                 u"Your settings could not be saved, so the choices made in this session will not "
                 u"be restored next time."_s);
        QCOMPARE(rig_->box.messages.first().icon, Icon::Critical);
        QCOMPARE(endedBeforeMessage, 0);
        QCOMPARE(rig_->endProgramCalls, 1);
    }

    // The stored folder is read once the window is up; a folder chosen before that read wins
    // and is never replaced by the stored one.
    void chosenFolderBeatsStoredRead() {
        makeFiles(dir(), {u"stored/s.txt"_s, u"chosen/c.txt"_s});
        rig_->memory.setStored(u"Path"_s, dir() % u"/stored/");
        frmVarnex& w = rig_->window();
        w.Form_Load();
        w.setChosenFolder(dir() % u"/chosen");
        QTest::qWait(20);
        QCOMPARE(rowTexts(*w.File1->model()), QStringList{u"c.txt"_s});
        QCOMPARE(w.lblFolder->text(), dir() % u"/chosen");
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
            // An empty text is kept as empty.
            act(w, u"optFolderFile(1) | optIncludeExtension(0) | chkCaseSensitive=0 | "
                   u"txtFind=@a,b = c | txtReplace=  [x]; \"y\"  | optTypeOfRename(1) | "
                   u"txtPrepend= | optTypeOfRename(3) | optConvertCase(2) | "
                   u"txtPostpend=\u00e9\u4e2d | optPostpendPosition(1) | chkRecursive=1 | "
                   u"chkReadOnly=1 | chkHidden=1 | chkSystem=1"_s);
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
        act(*w_, u"optTypeOfRename(1) | txtPrepend=ab"_s);
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
        QTRY_VERIFY(undo->isEnabled()); // the journal is read on a thread of its own
        QCOMPARE(undo->text(), u"&Undo Rename of 2 Files"_s);
        w_->setChosenFolder(dir());
        addToList(*w_, pathsIn(dir(), {u"xb.txt"_s}));
        // Opening the menu reads the journal again; the undo waits for that reading.
        Q_EMIT w_->menus()->editMenu->aboutToShow();
        QTest::keyClick(w_, Qt::Key_Z, Qt::ControlModifier);

        QCOMPARE(namesIn(dir()), QStringList({u"a.txt"_s, u"b.txt"_s}));
        QCOMPARE(rig_->box.messages.size(), 1);
        QCOMPARE(rig_->box.messages[0].text, u"Undid 2 renames."_s);
        QCOMPARE(rowTexts(*w_->lstFiles->model()), pathsIn(dir(), {u"b.txt"_s}));
        QTRY_COMPARE(rowTexts(*w_->File1->model()), QStringList({u"a.txt"_s, u"b.txt"_s}));
        QTRY_VERIFY(!undo->isEnabled());
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
        QTRY_VERIFY2(w_->menus()->undo->toolTip().startsWith(
                         u"The last run cannot be undone: its journal could not be written"_s),
                     qPrintable(w_->menus()->undo->toolTip()));
    }
};

QTEST_MAIN(EndToEndTest)
#include "tst_Window.moc"
