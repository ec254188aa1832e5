#include "QtMessageBox.h"

#include <QMessageBox>
#include <QPointer>

namespace varnex {

namespace {

struct ButtonMap {
    QMessageBox::StandardButton qt;
    Button ours;
};

QList<ButtonMap> buttonsOf(Buttons buttons) {
    switch (buttons) {
    case Buttons::YesNo:
        return {{QMessageBox::Yes, Button::Yes}, {QMessageBox::No, Button::No}};
    case Buttons::AbortRetryIgnore:
        return {{QMessageBox::Abort, Button::Abort},
                {QMessageBox::Retry, Button::Retry},
                {QMessageBox::Ignore, Button::Ignore}};
    case Buttons::Ok:
        break;
    }
    return {{QMessageBox::Ok, Button::Ok}};
}

} // namespace

Button QtMessageBox::show(const Message& message) {
    const QList<ButtonMap> map = buttonsOf(message.buttons);
    // The texts use a lone carriage return as line break; the toolkit wants a line feed.
    QString text = message.text;
    text.replace(u'\r', u'\n');

    QMessageBox box(message.icon == Icon::Information ? QMessageBox::Information
                                                      : QMessageBox::Critical,
                    message.title, text, QMessageBox::NoButton, parent_);
    box.setTextFormat(Qt::PlainText);
    for (const ButtonMap& b : map)
        box.addButton(b.qt);
    const int defaultIndex = qBound(0, message.defaultButton, int(map.size()) - 1);
    box.setDefaultButton(map[defaultIndex].qt);
    if (message.buttons == Buttons::Ok)
        box.setEscapeButton(QMessageBox::Ok);

    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const ButtonMap& b : map) {
        if (b.qt == pressed)
            return b.ours;
    }
    // Closed without a button (only possible where no escape button exists): the safest
    // answer is the one that stops.
    switch (message.buttons) {
    case Buttons::YesNo:
        return Button::No;
    case Buttons::AbortRetryIgnore:
        return Button::Abort;
    case Buttons::Ok:
        break;
    }
    return Button::Ok;
}

} // namespace varnex
