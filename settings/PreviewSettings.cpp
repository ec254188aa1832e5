#include "PreviewSettings.h"

#include "SettingsKeys.h"
#include "ValueForms.h"
#include "platform/AppInfo.h"

#include <algorithm>

namespace varnex {

namespace {

const QString VisibleKey = QStringLiteral("Preview Visible");
const QString WidthKey = QStringLiteral("Preview Width");

QString read(const SettingsStore& store, const QString& key) {
    return store.readSetting(applicationTitle(), settingsSection(), key, QString());
}

} // namespace

PreviewPaneChoice readPreviewPane(const SettingsStore& store) {
    PreviewPaneChoice choice;
    choice.visible = truthFromText(read(store, VisibleKey)).value_or(false);
    choice.widthTwips = std::max(twipsFromText(read(store, WidthKey)).value_or(choice.widthTwips),
                                 PreviewPaneChoice::MinimumWidthTwips);
    return choice;
}

void writePreviewPane(SettingsStore& store, const PreviewPaneChoice& choice) {
    store.writeSetting(applicationTitle(), settingsSection(), VisibleKey,
                       truthText(choice.visible));
    store.writeSetting(applicationTitle(), settingsSection(), WidthKey,
                       twipsText(choice.widthTwips));
}

} // namespace varnex
