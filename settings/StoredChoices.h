#pragma once

#include "settings/Choices.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <array>
#include <limits>
#include <optional>
#include <variant>

namespace varnex {

// Start-up reading and exit writing of the window's choices. The window only implements
// ChoicesTarget and ChoicesSource and acts on the results; every key, default, conversion and
// order is decided here. All keys go to application "Varnex", section "Settings".

struct OptionMemberRef {
    OptionArray array;
    int index;
};

// The places the stored folder is shown at start-up. The folder caption is also what the exit
// sequence stores.
enum class PathTarget { FolderCaption, FolderToolTip, Dir1Folder, File1Folder };

using ChoiceControl = std::variant<OptionMemberRef, CheckBox, ChoiceText, PathTarget>;

// A key and the control its value belongs to.
struct ChoiceBinding {
    SettingKey key;
    ChoiceControl control;
};

// The start-up reading order of the choice keys; "Path" is read once for each of its four
// places.
const std::array<ChoiceBinding, 26>& choiceReadingOrder();

// The exit writing order of the 23 choice keys.
const std::array<ChoiceBinding, 23>& choiceWritingOrder();

// Reads the choice keys in the reading order and assigns each value that converts to its
// control. A value that does not convert is skipped without a call, and the later keys still
// apply. `defaultPath` (the program's folder) stands for a missing "Path"; a `pathInstead` that
// is not empty is applied in place of the stored "Path", which is then not read.
void applyStoredChoices(const SettingsStore& store, ChoicesTarget& target,
                        const QString& defaultPath, const QString& pathInstead = {});

// The stored window size and state for start-up.
struct WindowSizeChoice {
    // "Window Maximized" held exactly "True"; width and height were then not read.
    bool maximized = false;
    // The stored outer size in twips, already raised to the minimum. Empty when maximised or
    // when the stored text is not a usable size (not a number, not finite, or larger than the
    // largest size allowed): the window then keeps its designed size.
    std::optional<double> width;
    std::optional<double> height;

    // The outer size to give the window in its normal state: the stored value, or else the
    // designed one, raised to the minimum in either case.
    double outerWidth(double designedWidth) const;
    double outerHeight(double designedHeight) const;
};

// Reads "Window Maximized", then (unless that is exactly "True") "Window Width" and
// "Window Height". A lower-case "true" or a 1 does not maximise. A width above `maxWidth` or a
// height above `maxHeight` (twips; the screen's available area) is unusable, like a text that
// is not a number: a window far larger than the screen would never map, or take gigabytes.
WindowSizeChoice readWindowSize(const SettingsStore& store,
                                double maxWidth = std::numeric_limits<double>::max(),
                                double maxHeight = std::numeric_limits<double>::max());

// The exit sequence: the window keys (nothing when minimised, only "Window Maximized" = "True"
// when maximised, else "False" and the outer size in twips), then the 23 choice keys in the
// writing order, then a flush. False when the values could not be saved.
bool saveChoices(SettingsStore& store, const ChoicesSource& source, WindowState state,
                 double widthTwips, double heightTwips);

// The Open dialog's stored filter, 1-based. Empty when the stored text is not a whole number
// of an existing filter; the dialog then uses kDefaultOpenFilterIndex.
std::optional<int> readOpenFilterIndex(const SettingsStore& store);

// The Open dialog's starting folder: the stored "Path", or `defaultPath` when there is none.
QString readOpenPath(const SettingsStore& store, const QString& defaultPath);

// After a confirmed Open dialog: writes "OpenFilterIndex" then "Path" and flushes them, so a
// later Open dialog in the same run starts there even if the program ends without its exit
// sequence. False when the values could not be saved.
bool writeOpenChoice(SettingsStore& store, int filterIndex, const QString& folderWithSeparator);

} // namespace varnex
