#pragma once

#include <QRect>

class QWidget;

namespace varnex {

// A rectangle in twips (1/1440 inch), relative to the inner area of its container. Values may
// be fractional: the layout computes half twips and keeps them until they become pixels.
struct TwipRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;

    friend bool operator==(const TwipRect&, const TwipRect&) = default;
};

// The one conversion between twips and the toolkit's device-independent pixels: 15 twips
// make a pixel at 96 dots per inch, scaled with the screen's logical DPI.
class TwipScale {
public:
    static constexpr double TwipsPerPixelAt96Dpi = 15.0;

    explicit TwipScale(double logicalDpi = 96.0);
    // The scale of the screen the widget is on.
    static TwipScale of(const QWidget* widget);

    double pixelsPerTwip() const { return pixelsPerTwip_; }
    int toPixels(double twips) const;
    // Rounds the edges rather than the size, so that rectangles that touch in twips touch
    // in pixels too.
    QRect toPixels(const TwipRect& rect) const;
    double toTwips(double pixels) const;

private:
    double pixelsPerTwip_;
};

} // namespace varnex
