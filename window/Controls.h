#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QTreeView>

namespace varnex {

// A check box that can be shown greyed (Qt::PartiallyChecked) by code, while the user's
// clicks move it only between clear and ticked: a click on a greyed box ticks it.
class TickBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override;
};

// A single-line text box that reports each time it receives the input focus, after the
// focus has arrived. Focus coming back from a popup (such as the box's own context menu) is
// not reported: the box never lost it as far as the user is concerned.
class TextBoxEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

Q_SIGNALS:
    void gotFocus();

protected:
    void focusInEvent(QFocusEvent* event) override;
};

// The list of files to rename. A flat tree view, because it stays fast with very many rows
// (uniform row heights), and it takes files dropped from the desktop (text/uri-list).
class FileListView : public QTreeView {
    Q_OBJECT
public:
    explicit FileListView(QWidget* parent = nullptr);

Q_SIGNALS:
    // A drop of files was accepted; the data is valid only during the signal.
    void filesDropped(const QMimeData* data);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

// A read-only preview list (folders or files) that the user cannot operate: disabled, out of
// the focus chain, drawn with button-face background and greyed text. A folder of a million
// files is laid out in batches, with the window's events handled between them.
class PreviewList : public QListView {
    Q_OBJECT
public:
    explicit PreviewList(QWidget* parent = nullptr);
};

} // namespace varnex
