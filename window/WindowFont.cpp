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
#include <cmath>

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
    // The candidates, largest first: each size upright, then semi-condensed. The first that
    // shows every caption whole is the one; when none does, the smallest is kept.
    const qsizetype sizes = desktopSize >= SmallestPointSize
                                ? qsizetype((desktopSize - SmallestPointSize) / PointSizeStep) + 1
                                : 0;
    if (sizes == 0)
        return;
    const int stretches[2] = {int(QFont::Unstretched), int(QFont::SemiCondensed)};
    // Trying a candidate gives the whole window that font, which makes every control lay itself
    // out again: a few milliseconds each, so the search tries as few as it can.
    qsizetype applied = -1; // the candidate the window holds: 2 * size position + stretch
    const auto fits = [&](qsizetype position, int stretch) {
        QFont font = desktop;
        font.setPointSizeF(desktopSize - double(position) * PointSizeStep);
        font.setStretch(stretches[stretch]);
        window->setFont(font);
        applied = 2 * position + stretch;
        return checkCaptions(window);
    };
    // The desktop size in both stretches; the room its captions lack tells, for each stretch,
    // about how far the font has to shrink.
    double room[2];
    for (int stretch = 0; stretch < 2; ++stretch) {
        const CaptionCheck check = fits(0, stretch);
        if (check.clipped.isEmpty())
            return;
        room[stretch] = check.room;
    }
    // Within one stretch a smaller font never shows less, so its candidates that clip come
    // first: the first one that fits is found by trying where the room points and the size just
    // above it, and halving what is left between a candidate that clips and one that fits.
    // `end` (a position, or `sizes`) counts as fitting: no candidate from there on matters.
    const auto firstFitting = [&](int stretch, qsizetype end) {
        qsizetype clips = 0, fitsFrom = end;
        const auto probe = [&](qsizetype position) {
            (fits(position, stretch).clipped.isEmpty() ? fitsFrom : clips) = position;
        };
        const double pointed = (desktopSize - desktopSize * room[stretch]) / PointSizeStep;
        const qsizetype guess = std::clamp(qsizetype(std::ceil(pointed - 1e-9)), qsizetype(1),
                                           std::max(qsizetype(1), end));
        if (guess < fitsFrom)
            probe(guess);
        if (fitsFrom == guess && guess - 1 > clips)
            probe(guess - 1);
        else if (clips == guess && guess + 1 < fitsFrom)
            probe(guess + 1);
        while (fitsFrom - clips > 1)
            probe((clips + fitsFrom) / 2);
        return fitsFrom;
    };
    // The first semi-condensed candidate that fits, then the first upright one above it.
    const qsizetype condensed = firstFitting(1, sizes);
    const qsizetype uprightEnd = std::min(sizes, condensed + 1);
    const qsizetype upright = firstFitting(0, uprightEnd);
    const qsizetype found = upright < uprightEnd ? 2 * upright
                            : condensed < sizes  ? 2 * condensed + 1
                                                 : 2 * sizes - 1;
    if (applied != found)
        fits(found / 2, int(found % 2));
}

} // namespace varnex
