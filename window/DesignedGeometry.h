#pragma once

#include "window/Twips.h"

// The position and size every control of the main window is designed with, in twips,
// relative to its container. The layout moves some of them as the window's size changes.
namespace varnex::designed {

// The window's client area.
inline constexpr double ClientWidth = 11760;
inline constexpr double ClientHeight = 10410;

// On the window.
inline constexpr TwipRect optFolderFile0{120, 120, 1815, 255};
inline constexpr TwipRect optFolderFile1{2040, 120, 1815, 255};
inline constexpr TwipRect frameFiles{120, 480, 3765, 3855};
inline constexpr TwipRect frameFolder{120, 4440, 3765, 3855};
inline constexpr TwipRect frameControls{3960, 480, 3765, 4815};
inline constexpr TwipRect cmdHelp{3960, 5400, 1095, 315};
inline constexpr TwipRect cmdRename{5400, 5400, 1095, 315};
inline constexpr TwipRect cmdExit{6600, 5400, 1095, 315};

// In frameFiles.
inline constexpr TwipRect lstFiles{120, 240, 2295, 3420};
inline constexpr TwipRect cmdOpen{2520, 240, 1095, 315};
inline constexpr TwipRect cmdClose{2520, 600, 1095, 315};
inline constexpr TwipRect cmdCloseAll{2520, 960, 1095, 315};

// In frameFolder.
inline constexpr TwipRect lblFolder{120, 270, 2295, 255};
inline constexpr TwipRect cmdBrowse{2520, 240, 1095, 315};
inline constexpr TwipRect chkRecursive{120, 600, 3495, 195};
inline constexpr TwipRect Dir1{120, 840, 1575, 2790};
inline constexpr TwipRect File1{1800, 840, 1815, 2235};

// In frameControls.
inline constexpr TwipRect optTypeOfRename0{120, 240, 1335, 255};
inline constexpr TwipRect lblFind{1560, 240, 735, 255};
inline constexpr TwipRect txtFind{2280, 240, 1335, 285};
inline constexpr TwipRect lblReplace{1560, 600, 735, 255};
inline constexpr TwipRect txtReplace{2280, 600, 1335, 285};
inline constexpr TwipRect frameIncludeExtension{1560, 960, 2055, 495};
inline constexpr TwipRect chkCaseSensitive{1560, 1560, 2055, 255};
inline constexpr TwipRect optTypeOfRename1{120, 1920, 1335, 255};
inline constexpr TwipRect txtPrepend{1560, 1920, 2055, 285};
inline constexpr TwipRect optTypeOfRename2{120, 2280, 1335, 255};
inline constexpr TwipRect txtPostpend{1560, 2280, 2055, 285};
inline constexpr TwipRect framePostpend{1560, 2640, 2055, 495};
inline constexpr TwipRect optTypeOfRename3{120, 3240, 1335, 255};
inline constexpr TwipRect frameConvertCase{1560, 3240, 2055, 735};
inline constexpr TwipRect Label1{120, 4200, 3495, 255};
inline constexpr TwipRect chkReadOnly{120, 4440, 1095, 255};
inline constexpr TwipRect chkHidden{1560, 4440, 855, 255};
inline constexpr TwipRect chkSystem{2760, 4440, 855, 255};
// Line3 runs from (Line3X1, Line3Y) to (Line3X2, Line3Y).
inline constexpr double Line3X1 = 120;
inline constexpr double Line3X2 = 3600;
inline constexpr double Line3Y = 4080;

// In frameIncludeExtension.
inline constexpr TwipRect optIncludeExtension0{0, 0, 1935, 255};
inline constexpr TwipRect optIncludeExtension1{0, 240, 1935, 255};

// In framePostpend.
inline constexpr TwipRect optPostpendPosition0{0, 0, 1935, 255};
inline constexpr TwipRect optPostpendPosition1{0, 240, 1935, 255};

// In frameConvertCase.
inline constexpr TwipRect optConvertCase0{0, 0, 1815, 255};
inline constexpr TwipRect optConvertCase1{0, 240, 2055, 255};
inline constexpr TwipRect optConvertCase2{0, 480, 2055, 255};

} // namespace varnex::designed
