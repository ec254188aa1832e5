#pragma once

#include "settings/SettingsStore.h"

#include <QHash>
#include <QSettings>
#include <memory>

namespace varnex {

// The settings store on QSettings. Values are always stored and read as text, in an INI file
// read and written as plain text (iniTextFormat): the escaping of the INI syntax makes any text
// read back unchanged, the empty one included, and no stored value is ever decoded.
//
// The application's own values live in the group named after the section; values of any other
// application name go into "<application>/<section>" so that they never mix with them.
class QSettingsStore final : public SettingsStore {
public:
    // The user's own store in the platform's native place for organisation and application
    // "Varnex": $XDG_CONFIG_HOME/Varnex/Varnex.conf (default ~/.config/Varnex/Varnex.conf) on
    // Linux, the user's registry hive on Windows.
    QSettingsStore();

    // An INI file at `iniFilePath`, created with its folders on the first flush.
    explicit QSettingsStore(const QString& iniFilePath);

    ~QSettingsStore() override;

    QSettingsStore(const QSettingsStore&) = delete;
    QSettingsStore& operator=(const QSettingsStore&) = delete;

    // Where the values are held: a file path, or a registry path on Windows.
    QString fileName() const;

    // A stored value that is not text (a hand-edited file can hold "@Rect(...)" and the like)
    // reads as `defaultValue` and is never decoded; a comma-separated list reads joined by ", ".
    QString readSetting(const QString& application, const QString& section, const QString& key,
                        const QString& defaultValue) const override;

    void writeSetting(const QString& application, const QString& section, const QString& key,
                      const QString& value) override;

    // Writes to storage. False when a value written since the last successful flush did not
    // reach storage: a folder that cannot be created (for example a plain file standing where
    // the settings folder belongs), a file or folder that is not writable, a full disk. A damaged
    // file read earlier is replaced and does not count as a failure.
    bool flush() override;

private:
    QString settingsKey(const QString& application, const QString& section,
                        const QString& key) const;
    void reopen();
    bool pendingValuesOnDisk() const;

    QSettings::Format m_format;
    QString m_iniFilePath; // empty for the native store
    std::unique_ptr<QSettings> m_settings;
    // Values written since the last successful flush, by QSettings key.
    QHash<QString, QString> m_pending;
};

} // namespace varnex
