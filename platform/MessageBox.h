#pragma once

#include <QString>

namespace varnex {

// Questions to the user go through this interface, so that the engine never shows a widget
// itself and tests can answer at once.
enum class Button { Ok, Yes, No, Abort, Retry, Ignore };
enum class Buttons { Ok, YesNo, AbortRetryIgnore };
enum class Icon { Critical, Information };

struct Message {
    QString text; // line breaks are single carriage returns
    QString title;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::Critical;
    int defaultButton = 0; // 0 the first button, 1 the second
};

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Shows the message modally and returns the button pressed.
    virtual Button show(const Message& message) = 0;
};

// Lets the window process its pending events from inside a long operation.
class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void processEvents() = 0;
};

} // namespace varnex
