#include "settings/QSettingsStore.h"

#include "platform/AppInfo.h"
#include "settings/IniFormat.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <atomic>

namespace varnex {

// Outside Windows the native store is an INI file: it is read and written as plain text.
#ifdef Q_OS_WIN
QSettingsStore::QSettingsStore() : m_format(QSettings::NativeFormat) {
#else
QSettingsStore::QSettingsStore() : m_format(iniTextFormat()) {
#endif
    reopen();
}

QSettingsStore::QSettingsStore(const QString& iniFilePath)
    : m_format(iniTextFormat()), m_iniFilePath(iniFilePath) {
    reopen();
}

QSettingsStore::~QSettingsStore() = default;

void QSettingsStore::reopen() {
    m_settings.reset();
    if (m_iniFilePath.isEmpty()) {
        m_settings = std::make_unique<QSettings>(m_format, QSettings::UserScope, applicationTitle(),
                                                 applicationTitle());
    } else {
        m_settings = std::make_unique<QSettings>(m_iniFilePath, m_format);
    }
}

QString QSettingsStore::fileName() const {
    return m_settings->fileName();
}

QString QSettingsStore::settingsKey(const QString& application, const QString& section,
                                    const QString& key) const {
    if (application == applicationTitle())
        return section % u'/' % key;
    return application % u'/' % section % u'/' % key;
}

QString QSettingsStore::readSetting(const QString& application, const QString& section,
                                    const QString& key, const QString& defaultValue) const {
    const QVariant value = m_settings->value(settingsKey(application, section, key));
    // Missing, or a typed value rather than a text.
    return iniValueText(value).value_or(defaultValue);
}

void QSettingsStore::writeSetting(const QString& application, const QString& section,
                                  const QString& key, const QString& value) {
    const QString settingsKeyText = settingsKey(application, section, key);
    m_settings->setValue(settingsKeyText, value);
    m_pending.insert(settingsKeyText, value);
}

bool QSettingsStore::flush() {
    m_settings->sync();
    const QSettings::Status status = m_settings->status();
    bool saved = status == QSettings::NoError;
    // QSettings reports a damaged file as FormatError even though sync() then rewrote it in
    // good form. The status keeps the first error met, so a write that failed afterwards would
    // hide behind it: look at what the file holds now.
    if (status == QSettings::FormatError)
        saved = pendingValuesOnDisk();
    if (status != QSettings::NoError) {
        // A fresh QSettings reports the next flush on its own; values not yet saved go with it.
        reopen();
        if (!saved) {
            for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it)
                m_settings->setValue(it.key(), it.value());
        }
    }
    if (saved)
        m_pending.clear();
    return saved;
}

bool QSettingsStore::pendingValuesOnDisk() const {
    // Only file stores report FormatError. QSettings keeps the values it read of each file name
    // for the whole process and reads the file again only when its size or modification time
    // changed; a rewrite of the same size within one tick of the file system's clock goes
    // unseen. So the values are read from a copy under a name this process never used before.
    static std::atomic<quint64> checks{0};
    QTemporaryDir dir;
    const QString copyPath =
        dir.filePath(QStringLiteral("check-%1.conf").arg(checks.fetch_add(1) + 1));
    if (!dir.isValid() || !QFile::copy(m_settings->fileName(), copyPath))
        return false;
    QSettings copy(copyPath, iniTextFormat());
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        if (iniValueText(copy.value(it.key())) != it.value())
            return false;
    }
    return true;
}

} // namespace varnex
