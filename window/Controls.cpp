#include "Controls.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QMimeData>

namespace varnex {

void TickBox::nextCheckState() {
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void TextBoxEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (event->reason() != Qt::PopupFocusReason)
        Q_EMIT gotFocus();
}

namespace {

bool carriesFiles(const QMimeData* data) {
    return data != nullptr && data->hasUrls();
}

} // namespace

FileListView::FileListView(QWidget* parent) : QTreeView(parent) {
    setUniformRowHeights(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
}

// The drag handlers do not call the item view's own: those would ask the model where the
// drop goes, while this list takes dropped files as a whole.
void FileListView::dragEnterEvent(QDragEnterEvent* event) {
    if (carriesFiles(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void FileListView::dragMoveEvent(QDragMoveEvent* event) {
    if (carriesFiles(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void FileListView::dragLeaveEvent(QDragLeaveEvent* event) {
    event->accept();
}

void FileListView::dropEvent(QDropEvent* event) {
    if (!carriesFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    Q_EMIT filesDropped(event->mimeData());
}

PreviewList::PreviewList(QWidget* parent) : QListView(parent) {
    setUniformItemSizes(true);
    setLayoutMode(QListView::Batched);
    setBatchSize(262144);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
    setEnabled(false);

    QPalette colours = palette();
    const QColor face = colours.color(QPalette::Active, QPalette::Button);
    const QColor greyText = colours.color(QPalette::Disabled, QPalette::Text);
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Base, face);
        colours.setColor(group, QPalette::Text, greyText);
    }
    setPalette(colours);
}

} // namespace varnex
