#pragma once

#include <QStringList>

class QWidget;

namespace varnex {

// The captions of the controls inside `window` that its current font does not show whole:
// text wider than the space the style leaves for it, or taller than the control.
QStringList clippedCaptions(const QWidget* window);

// Gives `window` the largest font of the desktop's default family, upright or semi-condensed,
// that shows every caption whole. The controls have their designed sizes, made for a small
// font, so the desktop's font often has to shrink. When no candidate fits, the smallest one
// is kept.
void fitWindowFont(QWidget* window);

} // namespace varnex
