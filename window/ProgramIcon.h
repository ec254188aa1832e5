#pragma once

#include <QIcon>

namespace varnex {

// The program's icon: a page with two lines of text and a blue arrow, the sign of a name being
// changed. The images are the ones installed in the icon theme, from 16 to 256 pixels, so the
// icon stays sharp at every size and scale.
QIcon programIcon();

} // namespace varnex
