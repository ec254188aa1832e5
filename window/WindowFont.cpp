#include "WindowFont.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

namespace varnex {

namespace {

constexpr double SmallestPointSize = 6.0;
constexpr double PointSizeStep = 0.5;

// The space the style gives a button's text.
QRect buttonTextRect(const QAbstractButton* button, QStyle::SubElement element) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.rect = button->rect();
    return button->style()->subElementRect(element, &option, button);
}

bool textFits(const QWidget* control, const QString& text, const QRect& space) {
    const QFontMetrics metrics = control->fontMetrics();
    const QSize size = metrics.size(Qt::TextShowMnemonic, text);
    return size.width() <= space.width() && metrics.height() <= control->height();
}

bool captionFits(const QWidget* control, QString* caption) {
    if (const auto* option = qobject_cast<const QRadioButton*>(control)) {
        *caption = option->text();
        return textFits(control, *caption, buttonTextRect(option, QStyle::SE_RadioButtonContents));
    }
    if (const auto* box = qobject_cast<const QCheckBox*>(control)) {
        *caption = box->text();
        return textFits(control, *caption, buttonTextRect(box, QStyle::SE_CheckBoxContents));
    }
    if (const auto* button = qobject_cast<const QPushButton*>(control)) {
        *caption = button->text();
        return textFits(control, *caption, buttonTextRect(button, QStyle::SE_PushButtonContents));
    }
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        *caption = label->text();
        return textFits(control, *caption, label->contentsRect());
    }
    if (const auto* frame = qobject_cast<const QGroupBox*>(control)) {
        *caption = frame->title();
        return frame->minimumSizeHint().width() <= frame->width();
    }
    return true;
}

} // namespace

QStringList clippedCaptions(const QWidget* window) {
    QStringList clipped;
    const QList<QWidget*> controls = window->findChildren<QWidget*>();
    for (const QWidget* control : controls) {
        QString caption;
        if (!captionFits(control, &caption) && !caption.isEmpty())
            clipped += caption;
    }
    return clipped;
}

void fitWindowFont(QWidget* window) {
    const QFont desktop = QApplication::font();
    QFont candidate = desktop;
    // A desktop font given in pixels has no point size; 72 points make an inch.
    const double desktopSize = desktop.pointSizeF() > 0
                                   ? desktop.pointSizeF()
                                   : desktop.pixelSize() * 72.0 / window->logicalDpiY();
    for (double size = desktopSize; size >= SmallestPointSize; size -= PointSizeStep) {
        candidate.setPointSizeF(size);
        for (const int stretch : {int(QFont::Unstretched), int(QFont::SemiCondensed)}) {
            candidate.setStretch(stretch);
            window->setFont(candidate);
            if (clippedCaptions(window).isEmpty())
                return;
        }
    }
}

} // namespace varnex
