#pragma once

#include "engine/RenameCommand.h"
#include "settings/Choices.h"

namespace varnex {

class FolderPreview;
class frmVarnex;

// The window's controls as the settings see them: start-up assigns the stored choices to
// them, the exit sequence reads them back.
class WindowChoices : public ChoicesTarget, public ChoicesSource {
public:
    WindowChoices(frmVarnex& window, FolderPreview& preview) : w_(window), preview_(preview) {}

    void setOptionMember(OptionArray array, int index, bool value) override;
    void setCheckBox(CheckBox which, int state) override;
    void setText(ChoiceText which, const QString& text) override;
    void setFolderCaption(const QString& folder) override;
    void setFolderToolTip(const QString& folder) override;
    void setDir1Folder(const QString& folder) override;
    void setFile1Folder(const QString& folder) override;

    bool optionMember(OptionArray array, int index) const override;
    int checkBox(CheckBox which) const override;
    QString text(ChoiceText which) const override;
    QString folderCaption() const override;

private:
    frmVarnex& w_;
    FolderPreview& preview_;
};

// The window's side of a rename run.
class WindowRenameHost : public RenameCommandHost {
public:
    WindowRenameHost(frmVarnex& window, FolderPreview& preview) : w_(window), preview_(preview) {}

    CommandTexts commandTexts() const override;
    SelectionMode selectionMode() const override;
    QString folderPath() const override;
    void focusTextBox(TextBox box) override;
    void setRunning(bool running) override;
    void refreshFolderView() override;
    bool closing() const override;

private:
    frmVarnex& w_;
    FolderPreview& preview_;
    bool busyCursor_ = false;
};

} // namespace varnex
