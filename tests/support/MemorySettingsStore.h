#pragma once

#include "settings/SettingsStore.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <optional>
#include <tuple>

namespace varnex {

// A settings store held in memory that records every read, write and flush in order, for tests
// of the order in which keys are read and written.
class MemorySettingsStore final : public SettingsStore {
public:
    enum class Operation { Read, Write, Flush };

    struct Access {
        Operation operation;
        QString application;
        QString section;
        QString key;
        QString value; // the value written, or the value a read returned
    };

    QString readSetting(const QString& application, const QString& section, const QString& key,
                        const QString& defaultValue) const override;
    void writeSetting(const QString& application, const QString& section, const QString& key,
                      const QString& value) override;
    // False while failing flushes are asked for; the written values stay in memory either way.
    bool flush() override;

    // Seeds or inspects a value without recording an access. The overloads without application
    // and section use "Varnex" and "Settings".
    void setStored(const QString& application, const QString& section, const QString& key,
                   const QString& value);
    void setStored(const QString& key, const QString& value);
    std::optional<QString> stored(const QString& application, const QString& section,
                                  const QString& key) const;
    std::optional<QString> stored(const QString& key) const;

    void setFlushFails(bool fails) { m_flushFails = fails; }

    const QList<Access>& accesses() const { return m_accesses; }
    // The keys of the recorded reads, or of the recorded writes, in order.
    QStringList readKeys() const;
    QStringList writtenKeys() const;
    void clearAccesses() { m_accesses.clear(); }

private:
    using Address = std::tuple<QString, QString, QString>;

    QStringList keysOf(Operation operation) const;

    QMap<Address, QString> m_values;
    mutable QList<Access> m_accesses;
    bool m_flushFails = false;
};

} // namespace varnex
