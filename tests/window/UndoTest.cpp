// Edit > Undo in the window: its caption counts the renames of the last run, Ctrl+Z undoes
// them after a restart, the list and the folder preview follow, and a run whose journal could
// not be written leaves Undo off with the reason as its tooltip.

#include "WindowRig.h"
#include "selection/FileList.h"
#include "window/Controls.h"
#include "window/MenuBar.h"

#include <QAction>
#include <QRadioButton>
#include <QTest>

using namespace varnex;
using namespace Qt::StringLiterals;

class UndoTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void undoAfterRestart() {
        makeFiles(dir_.path(), {u"a.txt"_s, u"b.txt"_s});
        {
            WindowRig rig;
            rig.journalFolder = state_.path();
            frmVarnex& w = rig.start();
            QVERIFY(!w.menus()->undo->isEnabled());
            renameInFilesMode(w, {u"a.txt"_s, u"b.txt"_s});
            QCOMPARE(namesIn(dir_.path()), QStringList({u"xa.txt"_s, u"xb.txt"_s}));
        }
        WindowRig rig; // a new start
        rig.journalFolder = state_.path();
        frmVarnex& w = rig.start();
        QAction* undo = w.menus()->undo;
        QVERIFY(undo->isEnabled());
        QCOMPARE(undo->text(), u"&Undo Rename of 2 Files"_s);
        w.setChosenFolder(dir_.path());
        w.optFolderFile[1]->click();
        w.fileList().AddListItem(dir_.filePath(u"xb.txt"_s));
        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);

        QCOMPARE(namesIn(dir_.path()), QStringList({u"a.txt"_s, u"b.txt"_s}));
        QCOMPARE(rig.messageTexts(), QStringList{u"Undid 2 renames."_s});
        QCOMPARE(w.lstFiles->model()->index(0, 0).data().toString(), dir_.filePath(u"b.txt"_s));
        const QAbstractItemModel* files = w.File1->model();
        QTRY_COMPARE(files->match(files->index(0, 0), Qt::DisplayRole, u"a.txt"_s).size(), 1);
        QVERIFY(!undo->isEnabled());
        QCOMPARE(undo->text(), u"&Undo"_s);
    }

    void journalNotWritten() {
        WindowRig rig;
        rig.journalFolder = u"/dev/null/state"_s;
        frmVarnex& w = rig.start();
        renameInFilesMode(w, {u"c.txt"_s});
        QCOMPARE(namesIn(dir_.path()).last(), u"xc.txt"_s); // the run went ahead
        QCOMPARE(rig.box.messages.size(), 1);               // its summary only
        QVERIFY(!w.menus()->undo->isEnabled());
        QVERIFY2(w.menus()->undo->toolTip().startsWith(
                     u"The last run cannot be undone: its journal could not be written"_s),
                 qPrintable(w.menus()->undo->toolTip()));
    }

private:
    // Prepends "x" to the files `names` of the scratch folder, in files mode.
    void renameInFilesMode(frmVarnex& w, const QStringList& names) {
        makeFiles(dir_.path(), names);
        w.optFolderFile[1]->click();
        for (const QString& name : names)
            w.fileList().AddListItem(dir_.filePath(name));
        w.optTypeOfRename[1]->click();
        w.txtPrepend->setText(u"x"_s);
        w.cmdRename_Click();
    }

    QTemporaryDir state_;
    QTemporaryDir dir_;
};

QTEST_MAIN(UndoTest)
#include "UndoTest.moc"
