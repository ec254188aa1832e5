#include "WindowFont.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>

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

// How much room a caption has: the space it may take over the space it needs, in width or in
// height, whichever is tighter. 1 or more: the caption shows whole.
double roomFor(const QWidget* control, const QString& text, const QRect& space) {
    const QFontMetrics metrics = control->fontMetrics();
    const QSize size = metrics.size(Qt::TextShowMnemonic, text);
    const double width = size.width() > 0 ? double(space.width()) / size.width() : 1.0;
    const double height = metrics.height() > 0 ? double(control->height()) / metrics.height() : 1.0;
    return std::min(width, height);
}

double captionRoom(const QWidget* control, QString* caption) {
    if (const auto* option = qobject_cast<const QRadioButton*>(control)) {
        *caption = option->text();
        return roomFor(control, *caption, buttonTextRect(option, QStyle::SE_RadioButtonContents));
    }
    if (const auto* box = qobject_cast<const QCheckBox*>(control)) {
        *caption = box->text();
        return roomFor(control, *caption, buttonTextRect(box, QStyle::SE_CheckBoxContents));
    }
    if (const auto* button = qobject_cast<const QPushButton*>(control)) {
        *caption = button->text();
        return roomFor(control, *caption, buttonTextRect(button, QStyle::SE_PushButtonContents));
    }
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        *caption = label->text();
        return roomFor(control, *caption, label->contentsRect());
    }
    if (const auto* frame = qobject_cast<const QGroupBox*>(control)) {
        *caption = frame->title();
        const int needed = frame->minimumSizeHint().width();
        return needed > 0 ? double(frame->width()) / needed : 1.0;
    }
    return 1.0;
}

// The clipped captions of `window` at its current font, and the least room any caption has.
struct CaptionCheck {
    QStringList clipped;
    double room = 1.0;
};

CaptionCheck checkCaptions(const QWidget* window) {
    CaptionCheck check;
    const QList<QWidget*> controls = window->findChildren<QWidget*>();
    for (const QWidget* control : controls) {
        QString caption;
        const double room = captionRoom(control, &caption);
        if (caption.isEmpty())
            continue;
        check.room = std::min(check.room, room);
        if (room < 1.0)
            check.clipped += caption;
    }
    return check;
}

struct Candidate {
    double size;
    int stretch;
};

} // namespace

QStringList clippedCaptions(const QWidget* window) {
    return checkCaptions(window).clipped;
}

void fitWindowFont(QWidget* window) {
    const QFont desktop = QApplication::font();
    // A desktop font given in pixels has no point size; 72 points make an inch.
    const double desktopSize = desktop.pointSizeF() > 0
                                   ? desktop.pointSizeF()
                                   : desktop.pixelSize() * 72.0 / window->logicalDpiY();
    // Every candidate, largest first; the first that shows every caption whole is the one.
    QList<Candidate> candidates;
    for (double size = desktopSize; size >= SmallestPointSize; size -= PointSizeStep) {
        candidates.append({size, int(QFont::Unstretched)});
        candidates.append({size, int(QFont::SemiCondensed)});
    }
    if (candidates.isEmpty())
        return;
    // Trying a candidate gives the whole window that font, which makes every control lay itself
    // out again: a few milliseconds each. The room the captions lack at the desktop size, for
    // each stretch, tells roughly how far the font must shrink; the search starts there and
    // steps back while the candidate before it fits too, so it ends where trying every
    // candidate in turn would end, after a few tries rather than a dozen.
    qsizetype applied = -1;
    const auto fits = [&](qsizetype i) {
        QFont font = desktop;
        font.setPointSizeF(candidates.at(i).size);
        font.setStretch(candidates.at(i).stretch);
        window->setFont(font);
        applied = i;
        return checkCaptions(window);
    };
    const qsizetype last = candidates.size() - 1;
    double room[2] = {1.0, 1.0};
    for (qsizetype i = 0; i <= std::min<qsizetype>(1, last); ++i) {
        const CaptionCheck check = fits(i);
        if (check.clipped.isEmpty())
            return;
        room[i] = check.room;
    }
    qsizetype found = last;
    for (qsizetype i = 2; i <= last; ++i) {
        if (candidates.at(i).size <= desktopSize * room[i % 2]) {
            found = i;
            break;
        }
    }
    if (found > 2 && fits(found - 1).clipped.isEmpty()) {
        --found;
        while (found > 2 && fits(found - 1).clipped.isEmpty())
            --found;
    } else {
        while (found < last && !fits(found).clipped.isEmpty())
            ++found;
    }
    // When no candidate fits, the smallest one is kept.
    if (applied != found)
        fits(found);
}

} // namespace varnex
