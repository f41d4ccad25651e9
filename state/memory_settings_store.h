#pragma once

#include "state/settings_store.h"

#include <QHash>

#include <utility>
#include <vector>

namespace stowfolio {

// A settings store that lives in memory and remembers every write in order; for tests,
// benchmarks and tools that must not touch the user's file.
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
        m_writes.emplace_back(key, value);
    }

    bool contains(const QString& key) const { return m_values.contains(key); }
    const std::vector<std::pair<QString, QString>>& writes() const { return m_writes; }
    void clearWrites() { m_writes.clear(); }

private:
    QHash<QString, QString> m_values;
    std::vector<std::pair<QString, QString>> m_writes;
};

} // namespace stowfolio
