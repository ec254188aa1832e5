// The real window from start to exit: rename runs on real temporary folders with the user's
// answers scripted, start-up and exit with the settings in memory or in a real INI file, Help.

#include "WindowRig.h"
#include "selection/FileList.h"
#include "selection/FolderPreview.h"
#include "settings/QSettingsStore.h"
#include "window/Controls.h"

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
#include <QTest>
#include <QTextBrowser>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

// Texts separated by "|".
QStringList list(const QString& text) {
    return text.split(u'|', Qt::SkipEmptyParts);
}

QStringList rowsOf(const QAbstractItemModel* model) {
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row)
        rows.append(model->index(row, 0).data().toString());
    return rows;
}

QStringList pathsIn(const QString& folder, const QStringList& names) {
    QStringList paths;
    for (const QString& name : names)
        paths.append(folder % u'/' % name);
    return paths;
}

// Where the files of a run come from.
enum class Source { List, Open, Folder, Browse };

// A type of rename (0 Replace Text, 1 Prepend, 2 Postpend, 3 Convert Case) chosen by clicks:
// `text` and `replace` go to the type's boxes, `member` selects the type's sub-option.
void choose(frmVarnex& w, int type, const QString& text, const QString& replace = {},
            int member = 0, bool caseSensitive = true) {
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

void addToList(frmVarnex& w, const QStringList& paths) {
    w.optFolderFile[1]->click();
    for (const QString& path : paths)
        w.fileList().AddListItem(path);
}

// Everything start-up sets and exit keeps, as "name=value": the selected member of each
// option array (FolderFile, TypeOfRename, IncludeExtension, PostpendPosition, ConvertCase),
// the ticks (0 clear, 1 ticked, 2 greyed: Case Sensitive, Recursive, Read Only, Hidden,
// System), the four texts, the folder and the size.
QStringList stateOf(frmVarnex& w) {
    QStringList arrays, ticks;
    for (const OptionArray array :
         {OptionArray::FolderFile, OptionArray::TypeOfRename, OptionArray::IncludeExtension,
          OptionArray::PostpendPosition, OptionArray::ConvertCase})
        arrays << QString::number(w.selectedOption(array));
    for (const QCheckBox* box :
         {w.chkCaseSensitive, w.chkRecursive, w.chkReadOnly, w.chkHidden, w.chkSystem})
        ticks << QString::number(QList<int>{0, 2, 1}.at(box->checkState()));
    const QSizeF size = w.outerSizeTwips();
    return {u"frame="_s % (w.frameFiles->isHidden() ? u"folder"_s : u"files"_s),
            u"arrays="_s % arrays.join(u' '),
            u"ticks="_s % ticks.join(u' '),
            u"texts=["_s % w.txtFind->text() % u"]["_s % w.txtReplace->text() % u"]["_s %
                w.txtPrepend->text() % u"]["_s % w.txtPostpend->text() % u']',
            u"folder="_s % w.lblFolder->text() % u" tip="_s % w.lblFolder->toolTip() %
                u" preview="_s % w.folderPreview().folder(),
            u"size="_s % (w.isMaximized() ? u"maximized"_s
                                          : QString::number(size.width()) % u'x' %
                                                QString::number(size.height()))};
}

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> data_;
    std::unique_ptr<WindowRig> rig_;
    frmVarnex* w_ = nullptr;

    QString dir() const { return data_->path(); }
    frmVarnex& start() { return *(w_ = &rig_->start()); }
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
        QTest::addColumn<Source>("source");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("replace");
        QTest::addColumn<int>("member");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("refused"); // a text refused at a first press, "box=text"
        // clang-format off
        QTest::newRow("replace with the extension, list") << Source::List << 0 << u"txt"_s << u"md"_s << 0 << true << u"a.txt|txt.txt"_s << u"a.md|md.md"_s << u"txtFind="_s;
        QTest::newRow("replace ignoring case, Open") << Source::Open << 0 << u"A"_s << u""_s << 1 << false << u"b|Aab.A"_s << u"b|b.A"_s << u"txtReplace=a|b"_s;
        QTest::newRow("prepend, Browse") << Source::Browse << 1 << u"new "_s << QString() << 0 << true << u"a.txt|b"_s << u"new a.txt|new b"_s << u"txtPrepend="_s;
        QTest::newRow("postpend after the extension, folder") << Source::Folder << 2 << u"_2"_s << QString() << 1 << true << u"a.txt|b_2"_s << u"a.txt_2|b_2_2"_s << u"txtPostpend=a/b"_s;
        // clang-format on
    }
    // Both modes, from each source: the files on disk, the list or the folder preview, and
    // the summary. A first press with a refused text (the boxes of the other types hold
    // illegal texts, which are not looked at) shows the message, puts the focus in that box and
    // renames nothing. While the run yields, Rename, Exit and Help are off, the pointer is busy
    // and Enter, Escape and a second Rename do nothing; the rest of the window stays usable.
    void renameTypes() {
        QFETCH(Source, source);
        QFETCH(int, type);
        QFETCH(QString, text);
        QFETCH(QString, replace);
        QFETCH(int, member);
        QFETCH(bool, caseSensitive);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QString, refused);
        makeFiles(dir(), list(before));
        start();
        if (source == Source::List)
            addToList(*w_, pathsIn(dir(), list(before)));
        if (source == Source::Open) {
            OpenFileDialog::Result chosen;
            chosen.status = OpenFileDialog::Status::Accepted;
            chosen.paths = pathsIn(dir(), list(before));
            rig_->openDialog.answers = {chosen};
            w_->optFolderFile[1]->click();
            w_->cmdOpen->click();
        }
        if (source == Source::Folder)
            w_->setChosenFolder(dir());
        if (source == Source::Browse) {
            rig_->chooser.answer = dir();
            w_->cmdBrowse->click();
        }
        for (TextBoxEdit* box : {w_->txtFind, w_->txtReplace, w_->txtPrepend, w_->txtPostpend})
            box->setText(u"?"_s);
        choose(*w_, type, text, replace, member, caseSensitive);
        const QString box = refused.section(u'=', 0, 0);
        w_->findChild<TextBoxEdit*>(box)->setText(refused.section(u'=', 1));
        QTest::mouseClick(w_->cmdRename, Qt::LeftButton);
        QCOMPARE(rig_->box.messages.size(), 1);
        QCOMPARE(QApplication::focusWidget()->objectName(), box);
        QStringList unchanged = list(before);
        unchanged.sort();
        QCOMPARE(namesIn(dir()), unchanged);
        rig_->box.messages.clear();
        choose(*w_, type, text, replace, member, caseSensitive);
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

        QCOMPARE(seen, list(u"cmdRename=0|cmdExit=0|cmdHelp=0|cmdOpen=1|cmdBrowse=1|lstFiles=1|"
                            u"optTypeOfRename(3)=1|chkHidden=1|busy=1"_s));
        QCOMPARE(namesIn(dir()), list(after));
        QCOMPARE(
            rig_->messageTexts(),
            QStringList{u"Finished renaming 2 files.||Folders searched: 1|Files processed: 2||"_s});
        QCOMPARE(rig_->box.messages.first().icon, Icon::Information);
        QCOMPARE(rig_->endProgramCalls, 0);
        QVERIFY(w_->cmdRename->isEnabled() && w_->cmdExit->isEnabled() && w_->cmdHelp->isEnabled());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        if (source == Source::List || source == Source::Open)
            QCOMPARE(rowsOf(w_->lstFiles->model()), pathsIn(dir(), list(after)));
        else
            QTRY_COMPARE(rowsOf(w_->File1->model()), list(after)); // re-read after the run
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

    // The stored folder is read once the window is up; a folder chosen before that read wins
    // and is never replaced by the stored one.
    void chosenFolderBeatsStoredRead() {
        makeFiles(dir(), list(u"stored/s.txt|chosen/c.txt"_s));
        rig_->memory.setStored(u"Path"_s, dir() % u"/stored/");
        frmVarnex& w = rig_->window();
        w.Form_Load();
        w.setChosenFolder(dir() % u"/chosen");
        QTest::qWait(20);
        QCOMPARE(rowsOf(w.File1->model()), list(u"c.txt"_s));
        QCOMPARE(w.lblFolder->text(), dir() % u"/chosen");
    }

    // Every choice, the folder and the size survive a real exit and a new start on the same
    // INI file.
    void roundTrip() {
        makeFiles(dir(), list(u"prev/p.txt"_s));
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
};

QTEST_MAIN(EndToEndTest)
#include "tst_Window.moc"
