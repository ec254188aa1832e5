#include "WindowBindings.h"

#include "selection/FolderPreview.h"
#include "window/Controls.h"
#include "window/frmVarnex.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace varnex {

namespace {

TickBox* checkBoxOf(frmVarnex& w, CheckBox which) {
    switch (which) {
    case CheckBox::Recursive:
        return w.chkRecursive;
    case CheckBox::CaseSensitive:
        return w.chkCaseSensitive;
    case CheckBox::ReadOnly:
        return w.chkReadOnly;
    case CheckBox::Hidden:
        return w.chkHidden;
    case CheckBox::System:
        break;
    }
    return w.chkSystem;
}

TextBoxEdit* textBoxOf(frmVarnex& w, ChoiceText which) {
    switch (which) {
    case ChoiceText::Find:
        return w.txtFind;
    case ChoiceText::Replace:
        return w.txtReplace;
    case ChoiceText::Prepend:
        return w.txtPrepend;
    case ChoiceText::Postpend:
        break;
    }
    return w.txtPostpend;
}

ChoiceText choiceTextOf(TextBox box) {
    switch (box) {
    case TextBox::Find:
        return ChoiceText::Find;
    case TextBox::Replace:
        return ChoiceText::Replace;
    case TextBox::Prepend:
        return ChoiceText::Prepend;
    case TextBox::Postpend:
        break;
    }
    return ChoiceText::Postpend;
}

RenameType firstValidatedType(const frmVarnex& w) {
    // The texts of the first three types are validated; Convert Case has none.
    static constexpr RenameType types[] = {RenameType::ReplaceText, RenameType::Prepend,
                                           RenameType::Postpend};
    for (int i = 0; i < 3; ++i) {
        if (w.optTypeOfRename[i]->isChecked())
            return types[i];
    }
    return w.optTypeOfRename[3]->isChecked() ? RenameType::ConvertCase : RenameType::None;
}

} // namespace

void WindowChoices::setOptionMember(OptionArray array, int index, bool value) {
    w_.setOptionMember(array, index, value);
}

void WindowChoices::setCheckBox(CheckBox which, int state) {
    static constexpr Qt::CheckState states[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
    if (state >= 0 && state <= 2)
        checkBoxOf(w_, which)->setCheckState(states[state]);
}

void WindowChoices::setText(ChoiceText which, const QString& text) {
    textBoxOf(w_, which)->setText(text);
}

void WindowChoices::setFolderCaption(const QString& folder) {
    w_.lblFolder->setText(folder);
}

void WindowChoices::setFolderToolTip(const QString& folder) {
    w_.lblFolder->setToolTip(folder);
}

// The stored folder is read once the window is drawn: a folder of a million files takes a
// while, and the window stays responsive meanwhile.
void WindowChoices::setDir1Folder(const QString& folder) {
    w_.showFolderInPreviews(folder, true);
}

// Both previews show one folder, read for Dir1.
void WindowChoices::setFile1Folder(const QString&) {}

bool WindowChoices::optionMember(OptionArray array, int index) const {
    return w_.optionMember(array, index)->isChecked();
}

int WindowChoices::checkBox(CheckBox which) const {
    switch (checkBoxOf(w_, which)->checkState()) {
    case Qt::Unchecked:
        return 0;
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        break;
    }
    return 2;
}

QString WindowChoices::text(ChoiceText which) const {
    return textBoxOf(w_, which)->text();
}

QString WindowChoices::folderCaption() const {
    return w_.lblFolder->text();
}

CommandTexts WindowRenameHost::commandTexts() const {
    return {firstValidatedType(w_), w_.txtFind->text(), w_.txtReplace->text(),
            w_.txtPrepend->text(), w_.txtPostpend->text()};
}

SelectionMode WindowRenameHost::selectionMode() const {
    if (!w_.frameFiles->isHidden())
        return SelectionMode::Files;
    if (!w_.frameFolder->isHidden())
        return SelectionMode::Folder;
    return SelectionMode::None;
}

QString WindowRenameHost::folderPath() const {
    return w_.lblFolder->text();
}

void WindowRenameHost::focusTextBox(TextBox box) {
    textBoxOf(w_, choiceTextOf(box))->setFocus(Qt::OtherFocusReason);
}

void WindowRenameHost::setRunning(bool running) {
    for (QPushButton* button : {w_.cmdRename, w_.cmdExit, w_.cmdHelp})
        button->setEnabled(!running);
    if (running && !busyCursor_)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else if (!running && busyCursor_)
        QApplication::restoreOverrideCursor();
    busyCursor_ = running;
}

void WindowRenameHost::refreshFolderView() {
    // Read once the summary is up: a folder of a million files would hold it back.
    if (!preview_.folder().isEmpty())
        w_.showFolderInPreviews(preview_.folder(), true);
}

bool WindowRenameHost::closing() const {
    return w_.isClosing();
}

} // namespace varnex
