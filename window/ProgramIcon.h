#pragma once

#include <QIcon>
#include <QPixmap>

namespace varnex {

// The program's icon, drawn at run time: a page with two lines of text and a blue arrow, the
// sign of a name being changed. `size` is 16 or 32 pixels; other sizes are drawn to scale.
QPixmap programIconPixmap(int size);

// The icon with its 16 and 32 pixel images.
QIcon programIcon();

} // namespace varnex
