#include "state/settings_store.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

namespace stowfolio {
namespace {

// QSettings reads XDG_CONFIG_HOME once per process, so the whole test runs in one temporary
// configuration folder and each test starts by removing the file.
QTemporaryDir& configHome()
{
    static QTemporaryDir dir;
    return dir;
}

QString iniPath()
{
    return configHome().filePath(QStringLiteral("Quillane/Quillane.ini"));
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList setAsideCopies()
{
    return QDir(configHome().filePath(QStringLiteral("Quillane")))
        .entryList({QStringLiteral("Quillane.ini.unreadable-*")}, QDir::Files);
}

class SettingsStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir(configHome().filePath(QStringLiteral("Quillane"))).removeRecursively();
    }
};

TEST_F(SettingsStoreTest, LivesInTheUsersConfigFolder)
{
    EXPECT_EQ(defaultSettingsFilePath(), iniPath());
    IniSettingsStore store;
    store.write(QStringLiteral("txtName"), QStringLiteral("Ann"));
    EXPECT_TRUE(readFile(iniPath()).contains("[Stowfolio]\ntxtName=Ann"));
}

TEST_F(SettingsStoreTest, AbsentKeysReadAsTheirDefault)
{
    IniSettingsStore store;
    EXPECT_EQ(store.read(QStringLiteral("txtPolNo"), QString()), QString());
    EXPECT_EQ(store.read(QStringLiteral("Items"), QStringLiteral("fallback")),
              QStringLiteral("fallback"));
    EXPECT_TRUE(store.openingProblem().isEmpty());
}

TEST_F(SettingsStoreTest, EveryWriteIsOnDiskAtOnceAndComesBackExactly)
{
    const QStringList values = {
        QString(),
        QStringLiteral("  leading and trailing  "),
        QStringLiteral("a, b; c = d"),
        QStringLiteral("\"quoted\" and \\backslash\\"),
        QStringLiteral("line one\r\nline two"),
        QStringLiteral("Ωμέγα 中文 🙂"),
        QStringLiteral("@Variant(not really)"),
        QString(3'000'000, QLatin1Char('x')),
    };
    IniSettingsStore writer;
    for (const QString& value : values) {
        writer.write(QStringLiteral("txtNotes"), value);
        // A second store reads the file itself, as the next run would.
        IniSettingsStore reader;
        EXPECT_EQ(reader.read(QStringLiteral("txtNotes"), QStringLiteral("absent")), value);
    }
}

TEST_F(SettingsStoreTest, UnusableFilesAreSetAsideAndTheStoreStartsEmpty)
{
    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"unclosed section", QByteArray("[Stowfolio\ntxtName=Ann\n")},
        {"binary bytes", QByteArray("\x00\x01\x02[Stowfolio]\ntxtName=Ann", 25)},
        {"invalid UTF-8", QByteArray("[Stowfolio]\ntxtName=\xff\xfe\n")},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        SetUp();
        writeFile(iniPath(), bytes);
        IniSettingsStore store;
        EXPECT_FALSE(store.openingProblem().isEmpty());
        EXPECT_EQ(store.read(QStringLiteral("txtName"), QString()), QString());
        const QStringList copies = setAsideCopies();
        ASSERT_EQ(copies.size(), 1);
        EXPECT_TRUE(store.openingProblem().contains(copies.front()));
        // Writing afterwards starts a fresh file and leaves the old bytes untouched.
        store.write(QStringLiteral("txtName"), QStringLiteral("Bea"));
        EXPECT_EQ(readFile(configHome().filePath(QStringLiteral("Quillane/") + copies.front())),
                  bytes);
        EXPECT_EQ(IniSettingsStore().read(QStringLiteral("txtName"), QString()),
                  QStringLiteral("Bea"));
    }
}

TEST_F(SettingsStoreTest, ValuesThatAreNotStringsDoNotBreakReading)
{
    writeFile(iniPath(), "[Stowfolio]\n"
                         "txtName=Ann, Bea\n"
                         "txtCity=@Rect(1 2 3 4)\n"
                         "txtPhone=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x3)\n"
                         "txtAgent=42\n");
    IniSettingsStore store;
    EXPECT_TRUE(store.openingProblem().isEmpty());
    EXPECT_EQ(store.read(QStringLiteral("txtName"), QString()), QStringLiteral("Ann, Bea"));
    EXPECT_EQ(store.read(QStringLiteral("txtCity"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(store.read(QStringLiteral("txtPhone"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(store.read(QStringLiteral("txtAgent"), QString()), QStringLiteral("42"));
}

TEST_F(SettingsStoreTest, AFailedWriteIsReported)
{
    // A plain file where the folder should be: nothing can be written below it.
    writeFile(configHome().filePath(QStringLiteral("Quillane")), "not a folder");
    IniSettingsStore store(configHome().filePath(QStringLiteral("Quillane/Quillane.ini")));
    EXPECT_THROW(store.write(QStringLiteral("txtName"), QStringLiteral("Ann")), std::runtime_error);
    QFile::remove(configHome().filePath(QStringLiteral("Quillane")));
}

} // namespace
} // namespace stowfolio

int main(int argc, char** argv)
{
    qputenv("XDG_CONFIG_HOME", stowfolio::configHome().path().toUtf8());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
