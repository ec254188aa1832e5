#include "Layout.h"

#include "window/DesignedGeometry.h"

namespace varnex {

LayoutGeometry designedLayoutGeometry() {
    namespace d = designed;
    return {d::frameFolder,   d::lblFolder, d::cmdBrowse, d::Dir1,     d::File1,
            d::frameFiles,    d::lstFiles,  d::cmdOpen,   d::cmdClose, d::cmdCloseAll,
            d::frameControls, d::cmdHelp,   d::cmdRename, d::cmdExit};
}

LayoutGeometry layoutForWindowSize(double width, double height, LayoutGeometry g) {
    // Each step reads what the previous steps have just set.
    if (height >= LayoutHeightThreshold) {
        g.frameFolder.top = 480;
        g.frameFolder.height = height - 1080;
        g.Dir1.height = g.frameFolder.height - 900;
        g.File1.height = g.frameFolder.height - 900;
        g.frameFiles.top = 480;
        g.frameFiles.height = height - 1080;
        g.lstFiles.height = g.frameFiles.height - 360;
    }

    if (width >= LayoutWidthThreshold) {
        g.frameFolder.width = width - g.frameControls.width - 480;
        g.frameFiles.width = width - g.frameControls.width - 480;
        g.frameControls.left = width - g.frameControls.width - 240;
    } else {
        g.frameFolder.width = NarrowFrameWidth;
        g.frameFiles.width = NarrowFrameWidth;
        g.frameControls.left = g.frameFolder.width + 240;
    }

    g.lblFolder.width = g.frameFolder.width - g.cmdBrowse.width - 360;
    g.cmdBrowse.left = g.frameFolder.width - g.cmdBrowse.width - 120;
    g.Dir1.width = g.frameFolder.width / 2 - 180;
    g.File1.width = g.frameFolder.width / 2 - 180;
    g.File1.left = g.Dir1.width + g.Dir1.left + 120;
    g.lstFiles.width = g.frameFiles.width - g.cmdOpen.width - 360;
    g.cmdOpen.left = g.frameFiles.width - g.cmdOpen.width - 120;
    g.cmdClose.left = g.frameFiles.width - g.cmdClose.width - 120;
    g.cmdCloseAll.left = g.frameFiles.width - g.cmdCloseAll.width - 120;

    // The bottom buttons share one top, taken from the height of Rename. Below the height
    // threshold their bottom edge meets the folder frame's.
    const double buttonTop = height >= LayoutHeightThreshold
                                 ? height - g.cmdRename.height - 600
                                 : g.frameFolder.top + g.frameFolder.height - g.cmdRename.height;
    g.cmdRename.top = buttonTop;
    g.cmdExit.top = buttonTop;
    g.cmdHelp.top = buttonTop;

    // Exit's right edge meets the right edge of the right-hand column.
    const double columnRight = g.frameControls.left + g.frameControls.width;
    g.cmdHelp.left = g.frameControls.left;
    g.cmdRename.left = columnRight - g.cmdRename.width - g.cmdExit.width - 60;
    g.cmdExit.left = columnRight - g.cmdExit.width;
    return g;
}

} // namespace varnex
