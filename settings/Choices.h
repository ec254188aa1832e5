#pragma once

#include <QString>

namespace varnex {

// The option-button arrays of the main window whose members are kept between runs.
enum class OptionArray {
    FolderFile,       // 0 "Select a Folder", 1 "Select File(s)"
    TypeOfRename,     // 0 Replace Text, 1 Prepend, 2 Postpend, 3 Convert Case
    IncludeExtension, // 0 Include extension, 1 Exclude extension
    PostpendPosition, // 0 before the extension, 1 after it
    ConvertCase,      // 0 lowercase, 1 UPPERCASE, 2 Title Case
};

// The check boxes kept between runs.
enum class CheckBox { Recursive, CaseSensitive, ReadOnly, Hidden, System };

// The text boxes kept between runs.
enum class ChoiceText { Find, Replace, Prepend, Postpend };

// The window's state when the program ends.
enum class WindowState { Normal, Minimized, Maximized };

// What start-up assigns the stored choices to; the main window implements it.
class ChoicesTarget {
public:
    virtual ~ChoicesTarget() = default;

    // True selects the member (clearing the others of its array) and runs the array's click
    // handling with its index. False clears the member when it is the selected one, leaving the
    // array with no member selected, and does nothing otherwise.
    virtual void setOptionMember(OptionArray array, int index, bool value) = 0;
    // 0 clear, 1 ticked, 2 greyed.
    virtual void setCheckBox(CheckBox which, int state) = 0;
    virtual void setText(ChoiceText which, const QString& text) = 0;

    // The four places the stored folder goes to. The folder previews may keep their folder
    // when the text names no existing folder; the caption and tool tip show it regardless.
    virtual void setFolderCaption(const QString& folder) = 0;
    virtual void setFolderToolTip(const QString& folder) = 0;
    virtual void setDir1Folder(const QString& folder) = 0;
    virtual void setFile1Folder(const QString& folder) = 0;
};

// What the exit sequence reads the choices from; the main window implements it.
class ChoicesSource {
public:
    virtual ~ChoicesSource() = default;

    virtual bool optionMember(OptionArray array, int index) const = 0;
    virtual int checkBox(CheckBox which) const = 0;
    virtual QString text(ChoiceText which) const = 0;
    // The folder shown in the folder panel.
    virtual QString folderCaption() const = 0;
};

} // namespace varnex
