#include "WindowRig.h"
#include "window/Controls.h"
#include "window/WindowFont.h"

#include <QAccessible>
#include <QButtonGroup>
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

namespace {

QString captionOf(const QWidget* control) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (const auto* frame = qobject_cast<const QGroupBox*>(control))
        return frame->title();
    return {};
}

// Control names, separated by spaces.
QStringList names(const char* list) {
    return QString::fromUtf8(list).split(u' ');
}

// The focus order of the window; frames and lblFolder hold a place without taking the focus.
const char* const FocusList =
    "optFolderFile(0) optFolderFile(1) frameFolder lblFolder cmdBrowse chkRecursive frameFiles "
    "lstFiles cmdOpen cmdClose cmdCloseAll frameControls optTypeOfRename(0) txtFind txtReplace "
    "frameIncludeExtension optIncludeExtension(0) optIncludeExtension(1) chkCaseSensitive "
    "optTypeOfRename(1) txtPrepend optTypeOfRename(2) txtPostpend framePostpend "
    "optPostpendPosition(0) optPostpendPosition(1) optTypeOfRename(3) frameConvertCase "
    "optConvertCase(0) optConvertCase(1) optConvertCase(2) chkReadOnly chkHidden chkSystem "
    "cmdHelp cmdRename cmdExit";

struct ControlRow {
    const char* name;
    const char* kind;
    const char* container;
    const char* caption;
    const char* spoken; // nullptr: the caption without its "&"
    int checked;        // after a first start; -1: not checkable
};

// clang-format off
const ControlRow Controls[] = {
    {"optFolderFile(0)", "QRadioButton", "frmVarnex", "Select a Folder", nullptr, 1},
    {"optFolderFile(1)", "QRadioButton", "frmVarnex", "Select File(s)", nullptr, 0},
    {"frameFiles", "QGroupBox", "frmVarnex", "Select File(s) to Rename", nullptr, -1},
    {"lstFiles", "varnex::FileListView", "frameFiles", "", "Files to rename", -1},
    {"cmdOpen", "QPushButton", "frameFiles", "&Open...", nullptr, -1},
    {"cmdClose", "QPushButton", "frameFiles", "&Close", nullptr, -1},
    {"cmdCloseAll", "QPushButton", "frameFiles", "Close &All", nullptr, -1},
    {"frameFolder", "QGroupBox", "frmVarnex", "Rename All Files in this Folder", nullptr, -1},
    {"lblFolder", "QLabel", "frameFolder", "", "Folder", -1},
    {"cmdBrowse", "QPushButton", "frameFolder", "&Browse...", nullptr, -1},
    {"chkRecursive", "varnex::TickBox", "frameFolder", "Rename files in all sub-folders", nullptr, 0},
    {"Dir1", "varnex::PreviewList", "frameFolder", "", "Folders", -1},
    {"File1", "varnex::PreviewList", "frameFolder", "", "Files in folder", -1},
    {"frameControls", "QGroupBox", "frmVarnex", "", "Type of rename", -1},
    {"optTypeOfRename(0)", "QRadioButton", "frameControls", "Replace Text", nullptr, 1},
    {"lblFind", "QLabel", "frameControls", "Find:", nullptr, -1},
    {"txtFind", "varnex::TextBoxEdit", "frameControls", "", "Find", -1},
    {"lblReplace", "QLabel", "frameControls", "Replace:", nullptr, -1},
    {"txtReplace", "varnex::TextBoxEdit", "frameControls", "", "Replace", -1},
    {"frameIncludeExtension", "QWidget", "frameControls", "", "Extension", -1},
    {"optIncludeExtension(0)", "QRadioButton", "frameIncludeExtension", "Include extension", nullptr, 0},
    {"optIncludeExtension(1)", "QRadioButton", "frameIncludeExtension", "Exclude extension", nullptr, 1},
    {"chkCaseSensitive", "varnex::TickBox", "frameControls", "Case Sensitive", nullptr, 1},
    {"optTypeOfRename(1)", "QRadioButton", "frameControls", "Prepend", nullptr, 0},
    {"txtPrepend", "varnex::TextBoxEdit", "frameControls", "", "Prepend text", -1},
    {"optTypeOfRename(2)", "QRadioButton", "frameControls", "Postpend", nullptr, 0},
    {"txtPostpend", "varnex::TextBoxEdit", "frameControls", "", "Postpend text", -1},
    {"framePostpend", "QWidget", "frameControls", "", "Postpend position", -1},
    {"optPostpendPosition(0)", "QRadioButton", "framePostpend", "Place before extension", nullptr, 1},
    {"optPostpendPosition(1)", "QRadioButton", "framePostpend", "Place after extension", nullptr, 0},
    {"optTypeOfRename(3)", "QRadioButton", "frameControls", "Convert Case", nullptr, 0},
    {"frameConvertCase", "QWidget", "frameControls", "", "Case", -1},
    {"optConvertCase(0)", "QRadioButton", "frameConvertCase", "lowercase", nullptr, 1},
    {"optConvertCase(1)", "QRadioButton", "frameConvertCase", "UPPERCASE", nullptr, 0},
    {"optConvertCase(2)", "QRadioButton", "frameConvertCase", "Title Case", nullptr, 0},
    {"Label1", "QLabel", "frameControls", "Rename files with the following attributes:", nullptr, -1},
    {"chkReadOnly", "varnex::TickBox", "frameControls", "Read Only", nullptr, 0},
    {"chkHidden", "varnex::TickBox", "frameControls", "Hidden", nullptr, 0},
    {"chkSystem", "varnex::TickBox", "frameControls", "System", nullptr, 0},
    {"cmdHelp", "QPushButton", "frmVarnex", "&Help", nullptr, -1},
    {"cmdRename", "QPushButton", "frmVarnex", "&Rename", nullptr, -1},
    {"cmdExit", "QPushButton", "frmVarnex", "E&xit", nullptr, -1},
};
// clang-format on

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowRig> rig_;
    frmVarnex* window_ = nullptr;

    QWidget* control(const QString& name) const {
        auto* found = window_->findChild<QWidget*>(name);
        if (found == nullptr)
            qFatal("no control %s", qPrintable(name));
        return found;
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // A first start: an empty store, the window at its first-run size, shown and active.
    void init() {
        rig_ = std::make_unique<WindowRig>();
        window_ = &rig_->start();
    }
    void cleanup() {
        window_ = nullptr;
        rig_.reset();
    }

    void controls_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(Controls)); ++i)
            QTest::newRow(Controls[i].name) << i;
    }

    void controls() {
        QFETCH(int, row);
        const ControlRow& expected = Controls[row];
        QWidget* widget = control(QString::fromUtf8(expected.name));
        // A first start shows the program's folder, the default of an empty store.
        const QString caption = widget == window_->lblFolder ? rig_->programDir.path()
                                                             : QString::fromUtf8(expected.caption);
        QVERIFY(widget->inherits(expected.kind));
        QCOMPARE(widget->parentWidget()->objectName(), QString::fromUtf8(expected.container));
        QCOMPARE(captionOf(widget), caption);
        const QString spoken = expected.spoken != nullptr ? QString::fromUtf8(expected.spoken)
                                                          : QString(caption).remove(u'&');
        QCOMPARE(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name), spoken);
        auto* button = qobject_cast<QAbstractButton*>(widget);
        if (button != nullptr && button->isCheckable())
            QCOMPARE(int(button->isChecked()), expected.checked);

        // Alt with the letter after "&" presses the button (once its frame shows). The Open
        // dialog is cancelled; the other buttons need no answer.
        rig_->openDialog.answers = {OpenFileDialog::Result{}};
        if (const qsizetype amp = caption.indexOf(u'&'); amp >= 0) {
            const bool filesMode = widget->parent()->objectName() == u"frameFiles";
            window_->setOptionMember(OptionArray::FolderFile, filesMode ? 1 : 0, true);
            QSignalSpy clicks(button, &QAbstractButton::clicked);
            const auto key = Qt::Key(caption.at(amp + 1).toUpper().unicode());
            QTest::keyClick(window_->txtFind, key, Qt::AltModifier);
            QTRY_COMPARE(clicks.size(), 1); // an access key animates the click
        }
    }

    void title() {
        QCOMPARE(window_->windowTitle(), u"Varnex Version 1.3.0"_qs);
        QCOMPARE(WindowRig().window().windowTitle(), u"Varnex"_qs);
    }

    void panel_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("on");
        QTest::addColumn<QString>("focused");
        QTest::newRow("Replace Text") << 0
                                      << names("txtFind lblFind txtReplace lblReplace "
                                               "optIncludeExtension(0) optIncludeExtension(1) "
                                               "chkCaseSensitive")
                                      << u"txtFind"_qs;
        QTest::newRow("Prepend") << 1 << names("txtPrepend") << u"txtPrepend"_qs;
        QTest::newRow("Postpend")
            << 2 << names("txtPostpend optPostpendPosition(0) optPostpendPosition(1)")
            << u"txtPostpend"_qs;
        QTest::newRow("Convert Case")
            << 3 << names("optConvertCase(0) optConvertCase(1) optConvertCase(2)") << QString();
    }

    void panel() {
        QFETCH(int, type);
        QFETCH(QStringList, on);
        QFETCH(QString, focused);
        const QList<TextBoxEdit*> boxes = {window_->txtFind, window_->txtReplace,
                                           window_->txtPrepend, window_->txtPostpend};
        for (TextBoxEdit* box : boxes)
            box->setText(box->objectName() + u" text"_qs);
        // Come from another type, so that the change is a real one.
        window_->setOptionMember(OptionArray::TypeOfRename, (type + 1) % 4, true);
        QTest::mouseClick(window_->optTypeOfRename[std::size_t(type)], Qt::LeftButton);

        const QColor background = window_->palette().color(QPalette::Active, QPalette::Base);
        const QColor buttonFace = window_->palette().color(QPalette::Active, QPalette::Button);
        for (const QString& name :
             names("txtFind lblFind txtReplace lblReplace optIncludeExtension(0) "
                   "optIncludeExtension(1) chkCaseSensitive txtPrepend txtPostpend "
                   "optPostpendPosition(0) optPostpendPosition(1) optConvertCase(0) "
                   "optConvertCase(1) optConvertCase(2)")) {
            QWidget* input = control(name);
            QCOMPARE(input->isEnabled(), on.contains(name));
            if (auto* box = qobject_cast<TextBoxEdit*>(input)) {
                QCOMPARE(box->palette().color(QPalette::Base),
                         box->isEnabled() ? background : buttonFace);
                QCOMPARE(box->text(), name + u" text"_qs);
            }
        }
        for (TickBox* untouched :
             {window_->chkReadOnly, window_->chkHidden, window_->chkSystem, window_->chkRecursive})
            QVERIFY(untouched->isEnabled());

        auto* focus = qobject_cast<TextBoxEdit*>(QApplication::focusWidget());
        if (focused.isEmpty()) {
            QVERIFY(!boxes.contains(focus));
        } else {
            QCOMPARE(focus, control(focused));
            QCOMPARE(focus->selectionStart(), 0);
            QCOMPARE(focus->selectedText(), focus->text());
        }
    }

    void subOptions() {
        QCOMPARE(window_->IncludeExtension(), false);
        QCOMPARE(window_->PostpendBeforeExtension(), true);
        QCOMPARE(window_->CaseMode(), CaseMode::Lower);

        // Prepend clears Replace Text, not the selection of another array.
        window_->txtFind->setText(u"abc"_qs);
        QTest::mouseClick(window_->optIncludeExtension[1], Qt::LeftButton);
        QTest::mouseClick(window_->optTypeOfRename[1], Qt::LeftButton);
        QVERIFY(!window_->optTypeOfRename[0]->isChecked());
        QCOMPARE(window_->selectedOption(OptionArray::IncludeExtension), 1);
        QCOMPARE(window_->selectedOption(OptionArray::FolderFile), 0);
        window_->optTypeOfRename[0]->click();
        QCOMPARE(window_->txtFind->selectedText(), u"abc"_qs);
        QCOMPARE(window_->IncludeExtension(), false);

        // The handlers read the selection, whatever index they are given.
        window_->optTypeOfRename_Click(3);
        window_->optIncludeExtension_Click(0);
        QVERIFY(window_->txtFind->isEnabled() && !window_->optConvertCase[0]->isEnabled());
        QCOMPARE(window_->IncludeExtension(), false);

        // Code may select a member of a disabled array (the settings do).
        window_->setOptionMember(OptionArray::PostpendPosition, 1, true);
        QCOMPARE(window_->PostpendBeforeExtension(), false);
        window_->setOptionMember(OptionArray::ConvertCase, 2, true);
        QCOMPARE(window_->CaseMode(), CaseMode::Title);
        window_->setOptionMember(OptionArray::ConvertCase, 0, true);
        QCOMPARE(window_->CaseMode(), CaseMode::Lower);
    }

    void noMemberSelected() {
        window_->setOptionMember(OptionArray::TypeOfRename, 2, false); // not selected: no effect
        QCOMPARE(window_->selectedOption(OptionArray::TypeOfRename), 0);
        window_->setOptionMember(OptionArray::TypeOfRename, 0, false);
        window_->setOptionMember(OptionArray::IncludeExtension, 1, false);
        QCOMPARE(window_->selectedOption(OptionArray::TypeOfRename), -1);
        QCOMPARE(window_->selectedOption(OptionArray::IncludeExtension), -1);
        // With nothing selected the handlers change nothing.
        window_->optTypeOfRename_Click(0);
        window_->optIncludeExtension_Click(0);
        QVERIFY(window_->txtFind->isEnabled());
        QCOMPARE(window_->IncludeExtension(), false);
        QCOMPARE(window_->renameOptions().renameType, RenameType::None);

        // The array is exclusive again once a member is selected.
        window_->optTypeOfRename[1]->click();
        window_->optTypeOfRename[2]->click();
        QVERIFY(!window_->optTypeOfRename[1]->isChecked());
        // Selecting the selected member again runs its handler: the focus comes back.
        window_->cmdHelp->setFocus();
        window_->setOptionMember(OptionArray::TypeOfRename, 2, true);
        QCOMPARE(QApplication::focusWidget(), window_->txtPostpend);
    }

    void choicesForTheEngine() {
        window_->txtFind->setText(u"a"_qs);
        window_->txtReplace->setText(u"b"_qs);
        window_->txtPrepend->setText(u"c"_qs);
        window_->txtPostpend->setText(u"d"_qs);
        window_->setOptionMember(OptionArray::TypeOfRename, 2, true);
        window_->setOptionMember(OptionArray::IncludeExtension, 1, true);
        window_->setOptionMember(OptionArray::ConvertCase, 1, true);
        window_->chkCaseSensitive->setCheckState(Qt::PartiallyChecked);
        window_->chkHidden->setCheckState(Qt::Checked);
        window_->chkSystem->setCheckState(Qt::PartiallyChecked);
        window_->chkRecursive->setCheckState(Qt::Checked);

        const RenameChoices& choices = *window_;
        const RenameOptions options = choices.renameOptions();
        QCOMPARE(options.renameType, RenameType::Postpend);
        QCOMPARE(QStringList({options.findText, options.replaceWith, options.prependText,
                              options.postpendText}),
                 names("a b c d"));
        QCOMPARE(options.caseSensitive, false); // greyed is not ticked
        QCOMPARE(options.includeExtension, false);
        QCOMPARE(options.postpendBeforeExtension, true);
        QCOMPARE(options.caseMode, CaseMode::Upper);
        const AttributeChoices attributes = choices.attributeChoices();
        QCOMPARE(QList<bool>({attributes.readOnly, attributes.hidden, attributes.system}),
                 QList<bool>({false, true, false}));
        QCOMPARE(choices.recursive(), true);
    }

    void focusOrder() {
        QStringList focusable;
        for (const QString& name : names(FocusList)) {
            const bool takesNoFocus = name.startsWith(u"frame") || name == u"lblFolder";
            QCOMPARE(bool(control(name)->focusPolicy() & Qt::TabFocus), !takesNoFocus);
            if (!takesNoFocus)
                focusable += name;
        }
        QStringList chain;
        QWidget* widget = control(focusable.first());
        do {
            if ((widget->focusPolicy() & Qt::TabFocus) && window_->isAncestorOf(widget))
                chain += widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != control(focusable.first()) && chain.size() <= focusable.size());
        QCOMPARE(chain, focusable);

        // Tab follows that chain over the controls that can take the focus now; of an option
        // array only the selected member is a stop.
        const QStringList expected =
            names("optFolderFile(0) cmdBrowse chkRecursive optTypeOfRename(0) txtFind txtReplace "
                  "optIncludeExtension(0) chkCaseSensitive chkReadOnly chkHidden chkSystem cmdHelp "
                  "cmdRename cmdExit optFolderFile(0)");
        QStringList tabbed;
        window_->optFolderFile[0]->setFocus(Qt::TabFocusReason);
        for (qsizetype i = 0; i < expected.size(); ++i) {
            tabbed += QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(tabbed, expected);
    }

    // Tabbing into a text box selects its whole text; an empty box gets an empty selection.
    void focusSelectsWholeText_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("text") << u"photo 01.jpg"_qs;
        QTest::newRow("empty") << QString();
    }

    void focusSelectsWholeText() {
        QFETCH(QString, text);
        window_->txtReplace->setText(text);
        window_->txtFind->setFocus();
        QTest::keyClick(window_->txtFind, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), window_->txtReplace);
        QCOMPARE(window_->txtReplace->selectedText(), text);
        QCOMPARE(window_->txtReplace->hasSelectedText(), !text.isEmpty());
    }

    void enterAndEscape() {
        QSignalSpy renames(window_->cmdRename, &QPushButton::clicked);
        QSignalSpy helps(window_->cmdHelp, &QPushButton::clicked);
        QSignalSpy exits(window_->cmdExit, &QPushButton::clicked);
        QTest::keyClick(window_->txtFind, Qt::Key_Return);
        QTest::keyClick(window_->txtFind, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(renames.size(), 2);

        // A focused button takes Enter itself.
        window_->cmdHelp->setFocus();
        QTest::keyClick(window_->cmdHelp, Qt::Key_Return);
        QCOMPARE(helps.size(), 1);

        // While a run has Rename and Exit disabled, Enter and Escape do nothing.
        window_->cmdRename->setEnabled(false);
        window_->cmdExit->setEnabled(false);
        QTest::keyClick(window_->txtReplace, Qt::Key_Return);
        QTest::keyClick(window_->txtReplace, Qt::Key_Escape);
        QCOMPARE(renames.size() + exits.size(), 2);

        window_->cmdExit->setEnabled(true);
        QTest::keyClick(window_->txtReplace, Qt::Key_Escape);
        QCOMPARE(exits.size(), 1);
        QVERIFY(!window_->isVisible());
    }

    void textLimit() {
        for (TextBoxEdit* box :
             {window_->txtFind, window_->txtReplace, window_->txtPrepend, window_->txtPostpend}) {
            box->setEnabled(true);
            box->setText(QString(254, u'a'));
            box->setFocus();
            box->end(false);
            QTest::keyClicks(box, u"bc"_qs);
            QCOMPARE(box->text(), QString(254, u'a') + u'b');
        }
    }

    // A greyed box comes from the settings only; clicks move between clear and ticked.
    void greyedTickBox() {
        TickBox* box = window_->chkCaseSensitive;
        box->setCheckState(Qt::PartiallyChecked);
        QCOMPARE(box->checkState(), Qt::PartiallyChecked);
        for (const Qt::CheckState next : {Qt::Checked, Qt::Unchecked, Qt::Checked}) {
            box->click();
            QCOMPARE(box->checkState(), next);
        }
    }

    // Exactly one selection frame shows; switching keeps the other mode's data.
    void modeSwitch() {
        window_->lblFolder->setText(u"/data"_qs);
        for (const int mode : {1, 1, 0}) {
            QTest::mouseClick(window_->optFolderFile[std::size_t(mode)], Qt::LeftButton);
            QCOMPARE(window_->frameFolder->isVisible(), mode == 0);
            QCOMPARE(window_->frameFiles->isVisible(), mode == 1);
        }
        QCOMPARE(window_->lblFolder->text(), u"/data"_qs);
    }

    // The list takes dropped files (text/uri-list) and nothing else.
    void fileDrop() {
        window_->setOptionMember(OptionArray::FolderFile, 1, true);
        QSignalSpy drops(window_->lstFiles, &FileListView::filesDropped);
        QMimeData text;
        text.setText(u"not files"_qs);
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(u"/tmp/a.txt"_qs)});
        for (QMimeData* data : {&text, &files}) {
            QDragEnterEvent enter({5, 5}, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(window_->lstFiles->viewport(), &enter);
            QCOMPARE(enter.isAccepted(), data == &files);
            QDropEvent drop({5, 5}, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(window_->lstFiles->viewport(), &drop);
        }
        QCOMPARE(drops.size(), 1);
    }

    void layoutFollowsSize() {
        // The first-run size reads back exactly, so the layout sits on both thresholds.
        QTRY_COMPARE(window_->outerSizeTwips(), QSizeF(8000, 6480));
        QCOMPARE(window_->layoutGeometry().frameFolder.width, 3755.0);

        window_->setOuterSizeTwips(9000, 7000);
        QTRY_COMPARE(window_->outerSizeTwips(), QSizeF(9000, 7000));
        const TwipScale scale(window_->logicalDpiX());
        QCOMPARE(window_->File1->geometry(), scale.toPixels({2437.5, 840, 2197.5, 5020}));
        QCOMPARE(window_->cmdExit->geometry(), scale.toPixels({7665, 6085, 1095, 315}));

        // Minimised, the layout waits; restored, it catches up with the new size.
        window_->showMinimized();
        QTRY_VERIFY(window_->isMinimized());
        window_->setOuterSizeTwips(10000, 8000);
        QCOMPARE(window_->layoutGeometry().cmdExit.left, 7665.0);
        window_->showNormal();
        QTRY_COMPARE(window_->layoutGeometry().cmdExit.left, 10000.0 - 240 - 1095);
    }

    void captionsAreWholeAndPreviewsGrey() {
        // The folder label shows a path of any length; its tool tip holds it whole.
        window_->lblFolder->setText(u"/data"_qs);
        QVERIFY2(clippedCaptions(window_).isEmpty(),
                 qPrintable(clippedCaptions(window_).join(u", ")));
        const QColor face = window_->palette().color(QPalette::Active, QPalette::Button);
        const QColor greyText = window_->palette().color(QPalette::Disabled, QPalette::Text);
        for (PreviewList* preview : {window_->Dir1, window_->File1}) {
            QVERIFY(!preview->isEnabled());
            QCOMPARE(preview->palette().color(QPalette::Base), face);
            QCOMPARE(preview->palette().color(QPalette::Text), greyText);
        }
        const QList<QSize> iconSizes = window_->windowIcon().availableSizes();
        QVERIFY(iconSizes.contains(QSize(16, 16)) && iconSizes.contains(QSize(32, 32)));
    }
};

QTEST_MAIN(WindowTest)
#include "WindowTest.moc"
