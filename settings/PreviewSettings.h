#pragma once

#include "SettingsStore.h"

namespace varnex {

// The preview pane as the user left it, in two keys of their own beside the window's keys:
// "Preview Visible" ("True" / "False") and "Preview Width" (twips).
struct PreviewPaneChoice {
    static constexpr double DefaultWidthTwips = 7200;
    static constexpr double MinimumWidthTwips = 1500;

    bool visible = false;
    double widthTwips = DefaultWidthTwips;
};

// A missing or unreadable value keeps its default; the width is raised to the minimum.
PreviewPaneChoice readPreviewPane(const SettingsStore& store);
// Writes both keys; the caller flushes.
void writePreviewPane(SettingsStore& store, const PreviewPaneChoice& choice);

} // namespace varnex
