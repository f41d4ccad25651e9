#pragma once

#include "state/settings_store.h"

#include <QHash>

#include <stdexcept>
#include <utility>
#include <vector>

namespace stowfolio {

// A settings store that lives in memory and remembers every write in order; for tests,
// benchmarks and tools that must not touch the user's file. failWritesWith() makes it behave
// like a full disk: writes are held but not stored until the failure is cleared. Every write is
// stored, or fails, before write() returns, so it has no outcome to tell later.
class MemorySettingsStore : public SettingsStore
{
public:
    QString read(const QString& key, const QString& defaultValue) const override
    {
        return m_values.value(key, defaultValue);
    }
    void write(const QString& key, const QString& value) override
    {
        m_values.insert(key, value);
        m_unsaved.insert(key, value);
        if (!m_failure.isEmpty()) {
            m_lastFailure = m_failure;
            throw std::runtime_error(m_failure.toStdString());
        }
        for (auto it = m_unsaved.cbegin(); it != m_unsaved.cend(); ++it)
            m_stored.insert(it.key(), it.value());
        m_unsaved.clear();
        m_writes.emplace_back(key, value);
    }
    void flush() override
    {
        if (hasUnsavedChanges())
            throw std::runtime_error(m_lastFailure.toStdString());
    }
    bool hasUnsavedChanges() const override { return !m_unsaved.isEmpty(); }
    void setOutcomeHandler(OutcomeHandler) override {}

    // Every later write fails with `reason` until it is called with an empty one.
    void failWritesWith(const QString& reason) { m_failure = reason; }
    // What a new run would read: the values that were stored.
    QString stored(const QString& key) const { return m_stored.value(key); }

    bool contains(const QString& key) const { return m_values.contains(key); }
    const std::vector<std::pair<QString, QString>>& writes() const { return m_writes; }
    void clearWrites() { m_writes.clear(); }

private:
    QHash<QString, QString> m_values;
    QHash<QString, QString> m_stored;
    QHash<QString, QString> m_unsaved;
    QString m_failure;
    // Why the last write that failed did.
    QString m_lastFailure;
    std::vector<std::pair<QString, QString>> m_writes;
};

} // namespace stowfolio
