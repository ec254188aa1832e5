// The parts around the form: the menu bar and the preview pane, through the real window.
#include "WindowRig.h"
#include "selection/FileList.h"
#include "selection/PreviewRunner.h"
#include "settings/PreviewSettings.h"
#include "window/Controls.h"
#include "window/MenuBar.h"
#include "window/PreviewPane.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

// The rows of the preview as "name > new name: result".
QStringList rowsOf(frmVarnex& w) {
    QStringList rows;
    const PreviewModel& m = w.previewRunner().model();
    for (int i = 0; i < m.rowCount(); ++i) {
        rows.append(m.data(m.index(i, 0), Qt::DisplayRole).toString() + u" > "_s +
                    m.data(m.index(i, 1), Qt::DisplayRole).toString() + u": "_s +
                    m.data(m.index(i, 2), Qt::DisplayRole).toString());
    }
    return rows;
}

bool settled(frmVarnex& w) {
    return !w.previewRunner().busy();
}

} // namespace

class PreviewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() {
        QVERIFY(dir_.isValid());
        rig_ = std::make_unique<WindowRig>();
        w_ = &rig_->start();
    }
    void cleanup() {
        w_ = nullptr;
        rig_.reset();
    }

    // The menus' commands, their shortcuts where a text box could take the key, and their
    // spoken names.
    void menus() {
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

    // The pane widens the window and leaves the form as it was; hiding narrows it again. Its
    // state is kept in keys of its own.
    void paneBesideForm() {
        const QRect exitBefore = w_->cmdExit->geometry();
        const int widthBefore = w_->width();
        w_->menus()->previewNewNames->trigger();
        QTRY_VERIFY(w_->previewPane()->isVisible());
        const TwipScale scale(w_->logicalDpiX());
        QTRY_COMPARE(w_->width(), widthBefore + scale.toPixels(PreviewPaneChoice{}.widthTwips));
        QCOMPARE(w_->cmdExit->geometry(), exitBefore);
        QVERIFY(readPreviewPane(rig_->memory).visible);
        w_->setPreviewShown(false);
        QTRY_COMPARE(w_->width(), widthBefore);
        QVERIFY(!readPreviewPane(rig_->memory).visible);
    }

    // The preview follows the choices as they are typed and clicked, in both modes, with the
    // engine's own outcomes; the folder is read once until Refresh.
    void livePreview() {
        // A folder named as b.txt's new name: a collision whatever order the folder lists in.
        makeFiles(dir_.path(), {u"a.txt"_s, u"b.txt"_s, u"xb.txt/f"_s, u".hidden"_s});
        w_->setChosenFolder(dir_.path());
        w_->optTypeOfRename[1]->click();
        w_->setPreviewShown(true);
        QTRY_VERIFY(settled(*w_));
        QCOMPARE(w_->previewPane()->summary->text(), u"You must enter a string to prepend."_s);
        QTest::keyClicks(w_->txtPrepend, u"x"_s);
        QTRY_VERIFY(settled(*w_));
        QStringList rows = rowsOf(*w_);
        rows.sort();
        QCOMPARE(rows, QStringList({u".hidden > : skipped (Hidden)"_s, u"a.txt > xa.txt: rename"_s,
                                    u"b.txt > xb.txt: error 58: File already exists"_s}));
        QCOMPARE(w_->previewPane()->summary->text(),
                 u"1 to rename \u00b7 1 error \u00b7 1 skipped"_s);
        // A file made after the folder was read shows only after Refresh.
        makeFiles(dir_.path(), {u"c.txt"_s});
        w_->chkHidden->click();
        QTRY_VERIFY(settled(*w_));
        QCOMPARE(rowsOf(*w_).size(), 3);
        QVERIFY(rowsOf(*w_).contains(u".hidden > x.hidden: rename"_s));
        w_->menus()->refresh->trigger();
        QTRY_VERIFY(settled(*w_));
        QCOMPARE(rowsOf(*w_).size(), 4);
        const QAbstractItemModel* files = w_->File1->model();
        QCOMPARE(files->match(files->index(0, 0), Qt::DisplayRole, u"c.txt"_s).size(), 1);

        // Files mode: the full paths, in list order; nothing was renamed by any preview.
        w_->optFolderFile[1]->click();
        w_->fileList().AddListItem(dir_.filePath(u"b.txt"_s));
        w_->fileList().AddListItem(dir_.filePath(u"a.txt"_s));
        QTRY_VERIFY(settled(*w_));
        QCOMPARE(rowsOf(*w_), QStringList({dir_.filePath(u"b.txt"_s) +
                                               u" > xb.txt: error 58: File already exists"_s,
                                           dir_.filePath(u"a.txt"_s) + u" > xa.txt: rename"_s}));
        QCOMPARE(namesIn(dir_.path()),
                 QStringList({u".hidden"_s, u"a.txt"_s, u"b.txt"_s, u"c.txt"_s, u"xb.txt"_s}));
        QCOMPARE(rig_->box.messages.size(), 0);
    }

private:
    QTemporaryDir dir_;
    std::unique_ptr<WindowRig> rig_;
    frmVarnex* w_ = nullptr;
};

QTEST_MAIN(PreviewTest)
#include "PreviewTest.moc"
