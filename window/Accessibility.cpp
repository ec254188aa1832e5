#include "Accessibility.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QButtonGroup>
#include <QFocusEvent>
#include <QLabel>
#include <QTextDocument>
#include <QToolTip>

namespace varnex {

namespace {

// Sends the focus that Tab brings to an unselected member of the group on to the selected one.
// Once there, the toolkit keeps the focused member as the group's only Tab stop.
class TabToSelected final : public QObject {
public:
    explicit TabToSelected(QButtonGroup* group) : QObject(group), group_(group) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::FocusIn)
            return false;
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        QAbstractButton* selected = group_->checkedButton();
        if ((reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason) ||
            selected == nullptr || selected == watched || !selected->isEnabled() ||
            !selected->isVisibleTo(selected->window()))
            return false;
        selected->setFocus(reason);
        return true;
    }

private:
    QButtonGroup* group_;
};

// Shows a tool tip that the toolkit would take for markup (a folder named "a<b>x</b>", say) as
// the plain text it is. The tip itself stays plain, as assistive technology reads it.
class PlainToolTip final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() != QEvent::ToolTip || !widget || !Qt::mightBeRichText(widget->toolTip()))
            return false;
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                           Qt::convertFromPlainText(widget->toolTip(), Qt::WhiteSpaceNoWrap),
                           widget);
        return true;
    }
};

} // namespace

void showToolTipAsPlainText(QWidget* widget) {
    widget->installEventFilter(new PlainToolTip(widget));
}

void makeOneTabStop(QButtonGroup* group) {
    auto* filter = new TabToSelected(group);
    for (QAbstractButton* member : group->buttons())
        member->installEventFilter(filter);
    // The toolkit makes the focused member the group's only Tab stop, but only once the group
    // has had the focus; until then Tab would stop at every member. The selected member is the
    // only stop from the start and after every change of selection; with none selected, each
    // member is one.
    const auto settle = [group] {
        const QAbstractButton* selected = group->checkedButton();
        for (QAbstractButton* member : group->buttons()) {
            const int policy = member->focusPolicy();
            member->setFocusPolicy(Qt::FocusPolicy(
                !selected || member == selected ? policy | Qt::TabFocus : policy & ~Qt::TabFocus));
        }
    };
    settle();
    QObject::connect(group, &QButtonGroup::idToggled, group, settle);
}

namespace {

const char* const ExposedTextProperty = "varnexExposesText";

// A label read as static text with a text interface over what it shows.
class LabelTextAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit LabelTextAccessible(QLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return label()->text();
        return QAccessibleWidget::text(t);
    }

    // QAccessibleTextInterface: read-only text without a caret or selection.
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override {
        return label()->text().mid(start, end - start);
    }
    int characterCount() const override { return int(label()->text().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override {
        *start = *end = 0;
        return {};
    }

private:
    QLabel* label() const { return static_cast<QLabel*>(object()); }
};

QAccessibleInterface* labelTextFactory(const QString&, QObject* object) {
    if (auto* label = qobject_cast<QLabel*>(object);
        label && label->property(ExposedTextProperty).toBool())
        return new LabelTextAccessible(label);
    return nullptr;
}

} // namespace

void exposeLabelText(QLabel* label) {
    static const bool installed = [] {
        QAccessible::installFactory(labelTextFactory);
        return true;
    }();
    Q_UNUSED(installed);
    label->setProperty(ExposedTextProperty, true);
    // An interface made when the label was created (with assistive technology running) would
    // stay cached: it gives way to one that reads the text.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(label);
        made && !made->textInterface())
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

} // namespace varnex

namespace varnex {

void setExposedText(QLabel* label, const QString& text) {
    const QString old = label->text();
    label->setText(text);
    if (QAccessible::isActive() && old != text) {
        QAccessibleTextUpdateEvent event(label, 0, old, text);
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace varnex
