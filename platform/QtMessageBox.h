#pragma once

#include "MessageBox.h"

class QWidget;

namespace varnex {

// The modal message box of the window toolkit.
class QtMessageBox : public MessageBox {
public:
    explicit QtMessageBox(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    Button show(const Message& message) override;

private:
    QWidget* parent_;
};

} // namespace varnex
