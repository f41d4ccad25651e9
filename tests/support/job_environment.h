#pragma once

// The environment of the command-line jobs a test runs: their settings, data and work folders
// inside the test's own folder, and every variable put back as it was when the test ends.

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <utility>
#include <vector>

namespace stowfolio::testing {

class SavedEnvironment
{
public:
    explicit SavedEnvironment(std::vector<const char*> names)
    {
        for (const char* name : names)
            m_saved.emplace_back(name, qgetenv(name));
    }
    ~SavedEnvironment()
    {
        for (const auto& [name, value] : m_saved) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }
    SavedEnvironment(const SavedEnvironment&) = delete;
    SavedEnvironment& operator=(const SavedEnvironment&) = delete;

private:
    std::vector<std::pair<const char*, QByteArray>> m_saved;
};

// The variables pointJobsInto() sets.
inline std::vector<const char*> jobVariables()
{
    return {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "TEMP", "XDG_RUNTIME_DIR"};
}

// The jobs read and write their settings, database and work folders under `folder` only.
inline void pointJobsInto(const QString& folder)
{
    const QDir home(folder);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("TEMP", QFile::encodeName(home.filePath(QStringLiteral("tmp"))));
    qunsetenv("XDG_RUNTIME_DIR");
}

} // namespace stowfolio::testing
