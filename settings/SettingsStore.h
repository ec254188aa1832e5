#pragma once

#include <QString>

namespace varnex {

// A per-user store of text values under (application, section, key).
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The stored text of the key, or `defaultValue` when the key is missing.
    virtual QString readSetting(const QString& application, const QString& section,
                                const QString& key, const QString& defaultValue) const = 0;

    // Stores the text, creating what is needed and replacing an earlier value.
    virtual void writeSetting(const QString& application, const QString& section,
                              const QString& key, const QString& value) = 0;

    // Makes every written value permanent. False when the values could not be saved.
    virtual bool flush() = 0;
};

} // namespace varnex
