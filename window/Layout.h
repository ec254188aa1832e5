#pragma once

#include "window/Twips.h"

namespace varnex {

// The controls whose place follows the window's size, in twips.
struct LayoutGeometry {
    TwipRect frameFolder;
    TwipRect lblFolder;
    TwipRect cmdBrowse;
    TwipRect Dir1;
    TwipRect File1;
    TwipRect frameFiles;
    TwipRect lstFiles;
    TwipRect cmdOpen;
    TwipRect cmdClose;
    TwipRect cmdCloseAll;
    TwipRect frameControls;
    TwipRect cmdHelp;
    TwipRect cmdRename;
    TwipRect cmdExit;

    friend bool operator==(const LayoutGeometry&, const LayoutGeometry&) = default;
};

// Below this outer height the frames keep their height; from it on they fill the window.
inline constexpr double LayoutHeightThreshold = 6480;
// Below this outer width the frames keep NarrowFrameWidth; from it on they take what the
// right-hand column leaves.
inline constexpr double LayoutWidthThreshold = 8000;
inline constexpr double NarrowFrameWidth = 3765;

// The geometry the window is designed with.
LayoutGeometry designedLayoutGeometry();

// The geometry for a window of outer size `width` × `height` twips, starting from the
// current geometry: what a step does not set keeps its current value.
LayoutGeometry layoutForWindowSize(double width, double height, LayoutGeometry current);

} // namespace varnex
