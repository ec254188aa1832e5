#pragma once

class QButtonGroup;
class QLabel;
class QString;
class QWidget;

namespace varnex {

// Makes the option group one stop of the Tab key, landing on its selected option (while none
// is selected, each option is a stop), as in any toolkit's radio group; the arrow keys move
// within it.
// Call once the focus order is set.
void makeOneTabStop(QButtonGroup* group);

// Lets assistive technology read the label's text as text, while its name stays what
// setAccessibleName gave it (a screen reader says "Folder" and then the path).
void exposeLabelText(QLabel* label);

// Shows the widget's tool tip as the plain text it is, even when it looks like markup.
void showToolTipAsPlainText(QWidget* widget);

// Sets the text of a label made with exposeLabelText and tells assistive technology.
void setExposedText(QLabel* label, const QString& text);

} // namespace varnex
