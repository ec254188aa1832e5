#include "MemorySettingsStore.h"

#include "platform/AppInfo.h"
#include "settings/SettingsKeys.h"

namespace varnex {

QString MemorySettingsStore::readSetting(const QString& application, const QString& section,
                                         const QString& key, const QString& defaultValue) const {
    const QString value = stored(application, section, key).value_or(defaultValue);
    m_accesses.append({Operation::Read, application, section, key, value});
    return value;
}

void MemorySettingsStore::writeSetting(const QString& application, const QString& section,
                                       const QString& key, const QString& value) {
    m_values.insert({application, section, key}, value);
    m_accesses.append({Operation::Write, application, section, key, value});
}

bool MemorySettingsStore::flush() {
    m_accesses.append({Operation::Flush, {}, {}, {}, {}});
    return !m_flushFails;
}

void MemorySettingsStore::setStored(const QString& application, const QString& section,
                                    const QString& key, const QString& value) {
    m_values.insert({application, section, key}, value);
}

void MemorySettingsStore::setStored(const QString& key, const QString& value) {
    setStored(applicationTitle(), settingsSection(), key, value);
}

std::optional<QString> MemorySettingsStore::stored(const QString& application,
                                                   const QString& section,
                                                   const QString& key) const {
    const auto it = m_values.constFind({application, section, key});
    if (it == m_values.cend())
        return std::nullopt;
    return *it;
}

std::optional<QString> MemorySettingsStore::stored(const QString& key) const {
    return stored(applicationTitle(), settingsSection(), key);
}

QStringList MemorySettingsStore::keysOf(Operation operation) const {
    QStringList keys;
    for (const Access& access : m_accesses) {
        if (access.operation == operation)
            keys.append(access.key);
    }
    return keys;
}

QStringList MemorySettingsStore::readKeys() const {
    return keysOf(Operation::Read);
}

QStringList MemorySettingsStore::writtenKeys() const {
    return keysOf(Operation::Write);
}

} // namespace varnex
