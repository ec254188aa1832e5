#pragma once

#include "platform/AppInfo.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QHash>
#include <QStringList>
#include <optional>

namespace varnex {

// Settings held in memory, for the tests: what was written, and a flush that can be made to
// fail.
class MemorySettingsStore final : public SettingsStore {
public:
    QString readSetting(const QString& application, const QString& section, const QString& key,
                        const QString& defaultValue) const override {
        return m_values.value(address(application, section, key), defaultValue);
    }
    void writeSetting(const QString& application, const QString& section, const QString& key,
                      const QString& value) override {
        m_values.insert(address(application, section, key), value);
    }
    bool flush() override { return !flushFails; }

    // A value of the program's own section.
    void setStored(const QString& key, const QString& value) {
        m_values.insert(address(applicationTitle(), settingsSection(), key), value);
    }
    std::optional<QString> stored(const QString& key) const {
        const auto it = m_values.constFind(address(applicationTitle(), settingsSection(), key));
        return it == m_values.cend() ? std::nullopt : std::optional(*it);
    }

    bool flushFails = false;

private:
    static QString address(const QString& application, const QString& section, const QString& key) {
        return application + u'\n' + section + u'\n' + key;
    }

    QHash<QString, QString> m_values;
};

} // namespace varnex
