#include "WindowRig.h"
#include "window/Controls.h"
#include "window/WindowFont.h"

#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <memory>

using namespace varnex;
using namespace Qt::StringLiterals;

namespace {

QStringList names(const QString& list) {
    return list.split(u' ');
}

// Every control as "name=caption", or "name=caption~spoken" where a screen reader says
// something else than the caption without its "&".
const QStringList Controls =
    QStringLiteral(
        "optFolderFile(0)=Select a Folder|optFolderFile(1)=Select File(s)|"
        "frameFiles=Select File(s) to Rename|lstFiles=~Files to rename|cmdOpen=&Open...|"
        "cmdClose=&Close|cmdCloseAll=Close &All|frameFolder=Rename All Files in this Folder|"
        "lblFolder=~Folder|cmdBrowse=&Browse...|chkRecursive=Rename files in all sub-folders|"
        "Dir1=~Folders|File1=~Files in folder|frameControls=~Type of rename|"
        "optTypeOfRename(0)=Replace Text|lblFind=Find:|txtFind=~Find|"
        "lblReplace=Replace:|txtReplace=~Replace|frameIncludeExtension=~Extension|"
        "optIncludeExtension(0)=Include extension|optIncludeExtension(1)=Exclude extension|"
        "chkCaseSensitive=Case Sensitive|optTypeOfRename(1)=Prepend|txtPrepend=~Prepend text|"
        "optTypeOfRename(2)=Postpend|txtPostpend=~Postpend text|framePostpend=~Postpend position|"
        "optPostpendPosition(0)=Place before extension|optPostpendPosition(1)=Place after "
        "extension|"
        "optTypeOfRename(3)=Convert Case|frameConvertCase=~Case|optConvertCase(0)=lowercase|"
        "optConvertCase(1)=UPPERCASE|optConvertCase(2)=Title Case|"
        "Label1=Rename files with the following attributes:|chkReadOnly=Read Only|chkHidden=Hidden|"
        "chkSystem=System|cmdHelp=&Help|cmdRename=&Rename|cmdExit=E&xit")
        .split(u'|');

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowRig> rig_;
    frmVarnex* w_ = nullptr;

    QWidget* control(const QString& name) const {
        auto* found = w_->findChild<QWidget*>(name);
        if (found == nullptr)
            qFatal("no control %s", qPrintable(name));
        return found;
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    // A first start: an empty store, the window at its first-run size, shown and active.
    void init() {
        rig_ = std::make_unique<WindowRig>();
        w_ = &rig_->start();
    }
    void cleanup() { rig_.reset(); }

    void controls_data() {
        QTest::addColumn<QString>("entry");
        for (const QString& entry : Controls)
            QTest::newRow(qPrintable(entry.section(u'=', 0, 0))) << entry;
    }
    // Each caption, accessible name and access key (Alt with the letter after "&" presses the
    // button once its frame shows; the Open dialog is cancelled).
    void controls() {
        QFETCH(QString, entry);
        QWidget* widget = control(entry.section(u'=', 0, 0));
        const QString described = entry.section(u'=', 1);
        // A first start shows the program's folder, the default of an empty store.
        const QString caption =
            widget == w_->lblFolder ? rig_->programDir.path() : described.section(u'~', 0, 0);
        QString shown;
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            shown = button->text();
        else if (const auto* label = qobject_cast<const QLabel*>(widget))
            shown = label->text();
        else if (const auto* frame = qobject_cast<const QGroupBox*>(widget))
            shown = frame->title();
        QCOMPARE(shown, caption);
        const QString spoken =
            described.contains(u'~') ? described.section(u'~', 1) : QString(caption).remove(u'&');
        QCOMPARE(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name), spoken);

        rig_->openDialog.answers = {OpenFileDialog::Result{}};
        if (const qsizetype amp = caption.indexOf(u'&'); amp >= 0) {
            const bool filesMode = widget->parent()->objectName() == u"frameFiles";
            w_->setOptionMember(OptionArray::FolderFile, filesMode ? 1 : 0, true);
            QSignalSpy clicks(qobject_cast<QAbstractButton*>(widget), &QAbstractButton::clicked);
            const auto key = Qt::Key(caption.at(amp + 1).toUpper().unicode());
            QTest::keyClick(w_->txtFind, key, Qt::AltModifier);
            QTRY_COMPARE(clicks.size(), 1); // an access key animates the click
        }
    }

    void panel_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("on");
        QTest::addColumn<QString>("focused");
        // clang-format off
        QTest::newRow("Replace Text") << 0 << u"txtFind lblFind txtReplace lblReplace optIncludeExtension(0) optIncludeExtension(1) chkCaseSensitive"_s << u"txtFind"_s;
        QTest::newRow("Prepend") << 1 << u"txtPrepend"_s << u"txtPrepend"_s;
        QTest::newRow("Postpend") << 2 << u"txtPostpend optPostpendPosition(0) optPostpendPosition(1)"_s << u"txtPostpend"_s;
        QTest::newRow("Convert Case") << 3 << u"optConvertCase(0) optConvertCase(1) optConvertCase(2)"_s << QString();
        // clang-format on
    }
    // A click on a type enables its inputs only (greying the boxes, keeping their texts) and
    // puts the focus in its box with the whole text selected.
    void panel() {
        QFETCH(int, type);
        QFETCH(QString, on);
        QFETCH(QString, focused);
        const QList<TextBoxEdit*> boxes = {w_->txtFind, w_->txtReplace, w_->txtPrepend,
                                           w_->txtPostpend};
        for (TextBoxEdit* box : boxes)
            box->setText(box->objectName() + u" text"_s);
        // Come from another type, so that the change is a real one.
        w_->setOptionMember(OptionArray::TypeOfRename, (type + 1) % 4, true);
        QTest::mouseClick(w_->optTypeOfRename[std::size_t(type)], Qt::LeftButton);

        const QColor background = w_->palette().color(QPalette::Active, QPalette::Base);
        const QColor buttonFace = w_->palette().color(QPalette::Active, QPalette::Button);
        for (const QString& name :
             names(u"txtFind lblFind txtReplace lblReplace optIncludeExtension(0) "
                   u"optIncludeExtension(1) chkCaseSensitive txtPrepend txtPostpend "
                   u"optPostpendPosition(0) optPostpendPosition(1) optConvertCase(0) "
                   u"optConvertCase(1) optConvertCase(2)"_s)) {
            QWidget* input = control(name);
            QCOMPARE(input->isEnabled(), names(on).contains(name));
            if (auto* box = qobject_cast<TextBoxEdit*>(input)) {
                QCOMPARE(box->palette().color(QPalette::Base),
                         box->isEnabled() ? background : buttonFace);
                QCOMPARE(box->text(), name + u" text"_s);
            }
        }
        for (TickBox* tick : {w_->chkReadOnly, w_->chkHidden, w_->chkSystem, w_->chkRecursive})
            QVERIFY(tick->isEnabled());
        auto* focus = qobject_cast<TextBoxEdit*>(QApplication::focusWidget());
        QCOMPARE(focus ? focus->objectName() : QString(), focused);
        if (focus)
            QCOMPARE(focus->selectedText(), focus->text());
    }

    // What the engine reads from the window; a greyed tick (from the settings) is not ticked,
    // and clicks move a greyed box between clear and ticked only. With no type selected (as
    // the settings may leave it) nothing is renamed.
    void choicesForTheEngine() {
        w_->chkCaseSensitive->setCheckState(Qt::PartiallyChecked);
        for (const Qt::CheckState next : {Qt::Checked, Qt::Unchecked, Qt::Checked}) {
            w_->chkCaseSensitive->click();
            QCOMPARE(w_->chkCaseSensitive->checkState(), next);
        }
        w_->txtFind->setText(u"a"_s);
        w_->txtReplace->setText(u"b"_s);
        w_->txtPrepend->setText(u"c"_s);
        w_->txtPostpend->setText(u"d"_s);
        w_->setOptionMember(OptionArray::TypeOfRename, 2, true);
        w_->setOptionMember(OptionArray::PostpendPosition, 1, true);
        w_->setOptionMember(OptionArray::ConvertCase, 1, true);
        w_->chkCaseSensitive->setCheckState(Qt::PartiallyChecked);
        w_->chkHidden->setCheckState(Qt::Checked);
        w_->chkSystem->setCheckState(Qt::PartiallyChecked);
        w_->chkRecursive->setCheckState(Qt::Checked);

        const RenameChoices& choices = *w_;
        const RenameOptions o = choices.renameOptions();
        QCOMPARE(o.renameType, RenameType::Postpend);
        QCOMPARE(QStringList({o.findText, o.replaceWith, o.prependText, o.postpendText}),
                 names(u"a b c d"_s));
        QCOMPARE(QList<bool>({o.caseSensitive, o.includeExtension, o.postpendBeforeExtension}),
                 QList<bool>({false, false, false}));
        QCOMPARE(o.caseMode, CaseMode::Upper);
        const AttributeChoices a = choices.attributeChoices();
        QCOMPARE(QList<bool>({a.readOnly, a.hidden, a.system}), QList<bool>({false, true, false}));
        QVERIFY(choices.recursive());

        w_->setOptionMember(OptionArray::TypeOfRename, 2, false);
        QCOMPARE(w_->selectedOption(OptionArray::TypeOfRename), -1);
        QCOMPARE(choices.renameOptions().renameType, RenameType::None);
    }

    // Tab visits the controls that can take the focus now, in the window's order; of an option
    // array only the selected member is a stop. Tabbing into a box selects its whole text.
    void tabOrder_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("expected");
        QTest::newRow("folder, Replace Text")
            << 0 << 0
            << u"optFolderFile(0) cmdBrowse chkRecursive optTypeOfRename(0) txtFind txtReplace "
               u"optIncludeExtension(1) chkCaseSensitive chkReadOnly chkHidden chkSystem cmdHelp "
               u"cmdRename cmdExit optFolderFile(0)"_s;
        QTest::newRow("files, Postpend")
            << 1 << 2
            << u"optFolderFile(1) lstFiles cmdOpen cmdClose cmdCloseAll optTypeOfRename(2) "
               u"txtPostpend optPostpendPosition(0) chkReadOnly chkHidden chkSystem cmdHelp "
               u"cmdRename cmdExit optFolderFile(1)"_s;
    }
    void tabOrder() {
        QFETCH(int, mode);
        QFETCH(int, type);
        QFETCH(QString, expected);
        QTest::mouseClick(w_->optFolderFile[std::size_t(mode)], Qt::LeftButton);
        QTest::mouseClick(w_->optTypeOfRename[std::size_t(type)], Qt::LeftButton);
        w_->txtReplace->setText(u"photo 01.jpg"_s);
        QStringList tabbed;
        w_->optFolderFile[std::size_t(mode)]->setFocus(Qt::TabFocusReason);
        for (qsizetype i = 0; i < names(expected).size(); ++i) {
            QWidget* focus = QApplication::focusWidget();
            tabbed += focus->objectName();
            if (auto* box = qobject_cast<TextBoxEdit*>(focus))
                QCOMPARE(box->selectedText(), box->text());
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        QCOMPARE(tabbed, names(expected));
    }

    // Enter presses Rename (a focused button takes it itself), Escape Exit; while a run has
    // them disabled, both do nothing. No box takes a 256th character.
    void keys() {
        QSignalSpy renames(w_->cmdRename, &QPushButton::clicked);
        QSignalSpy helps(w_->cmdHelp, &QPushButton::clicked);
        QSignalSpy exits(w_->cmdExit, &QPushButton::clicked);
        for (TextBoxEdit* box : {w_->txtFind, w_->txtReplace, w_->txtPrepend, w_->txtPostpend}) {
            box->setEnabled(true);
            box->setText(QString(254, u'a'));
            box->setFocus();
            box->end(false);
            QTest::keyClicks(box, u"bc"_s);
            QCOMPARE(box->text(), QString(254, u'a') + u'b');
        }
        QTest::keyClick(w_->txtFind, Qt::Key_Return);
        QTest::keyClick(w_->txtFind, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(renames.size(), 2);
        w_->cmdHelp->setFocus();
        QTest::keyClick(w_->cmdHelp, Qt::Key_Return);
        QCOMPARE(helps.size(), 1);

        w_->cmdRename->setEnabled(false);
        w_->cmdExit->setEnabled(false);
        QTest::keyClick(w_->txtReplace, Qt::Key_Return);
        QTest::keyClick(w_->txtReplace, Qt::Key_Escape);
        QCOMPARE(renames.size() + exits.size(), 2);
        w_->cmdExit->setEnabled(true);
        QTest::keyClick(w_->txtReplace, Qt::Key_Escape);
        QCOMPARE(exits.size(), 1);
        QVERIFY(!w_->isVisible());
    }

    // Exactly one selection frame shows; the list takes dropped files (text/uri-list) only.
    void modesAndDrops() {
        for (const int mode : {1, 0, 1}) {
            QTest::mouseClick(w_->optFolderFile[std::size_t(mode)], Qt::LeftButton);
            QCOMPARE(w_->frameFolder->isVisible(), mode == 0);
            QCOMPARE(w_->frameFiles->isVisible(), mode == 1);
        }
        QSignalSpy drops(w_->lstFiles, &FileListView::filesDropped);
        QMimeData text, files;
        text.setText(u"not files"_s);
        files.setUrls({QUrl::fromLocalFile(u"/tmp/a.txt"_s)});
        for (QMimeData* data : {&text, &files}) {
            QDragEnterEvent enter({5, 5}, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(w_->lstFiles->viewport(), &enter);
            QCOMPARE(enter.isAccepted(), data == &files);
            QDropEvent drop({5, 5}, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(w_->lstFiles->viewport(), &drop);
        }
        QCOMPARE(drops.size(), 1);
    }

    // The laid-out geometry reaches the controls; minimised, the layout waits, and restored it
    // catches up with the new size. No caption is clipped.
    void layoutFollowsSize() {
        QTRY_COMPARE(w_->outerSizeTwips(), QSizeF(8000, 6480));
        w_->setOuterSizeTwips(9000, 7000);
        QTRY_COMPARE(w_->outerSizeTwips(), QSizeF(9000, 7000));
        const TwipScale scale(w_->logicalDpiX());
        QCOMPARE(w_->File1->geometry(), scale.toPixels({2437.5, 840, 2197.5, 5020}));
        QCOMPARE(w_->cmdExit->geometry(), scale.toPixels({7665, 6085, 1095, 315}));
        w_->showMinimized();
        QTRY_VERIFY(w_->isMinimized());
        w_->setOuterSizeTwips(10000, 8000);
        QCOMPARE(w_->layoutGeometry().cmdExit.left, 7665.0);
        w_->showNormal();
        QTRY_COMPARE(w_->layoutGeometry().cmdExit.left, 10000.0 - 240 - 1095);
        QVERIFY2(clippedCaptions(w_).isEmpty(), qPrintable(clippedCaptions(w_).join(u", ")));
    }
};

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
