#include "Twips.h"

#include <QWidget>
#include <cmath>
#include <limits>

namespace varnex {

TwipScale::TwipScale(double logicalDpi)
    : pixelsPerTwip_(logicalDpi / 96.0 / TwipsPerPixelAt96Dpi) {}

TwipScale TwipScale::of(const QWidget* widget) {
    return TwipScale(widget->logicalDpiX());
}

int TwipScale::toPixels(double twips) const {
    // Clamped to the range of int: a size far beyond any screen must not wrap around.
    const double pixels = twips * pixelsPerTwip_;
    if (!(pixels > -double(std::numeric_limits<int>::max())))
        return -std::numeric_limits<int>::max();
    if (pixels > double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return static_cast<int>(std::lround(pixels));
}

QRect TwipScale::toPixels(const TwipRect& rect) const {
    const int left = toPixels(rect.left);
    const int top = toPixels(rect.top);
    return QRect(left, top, toPixels(rect.left + rect.width) - left,
                 toPixels(rect.top + rect.height) - top);
}

double TwipScale::toTwips(double pixels) const {
    return pixels / pixelsPerTwip_;
}

} // namespace varnex
