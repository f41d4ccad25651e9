#include "state/settings_store.h"

#include "tests/support/failing_file_call.h"
#include "tests/support/file_size_limit.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSize>
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
    EXPECT_TRUE(store.hasUnsavedChanges());
    QFile::remove(configHome().filePath(QStringLiteral("Quillane")));
}

// The disk fills up: the file on disk stays whole, the reason is given, and the first write
// after the disk has room again stores everything, the refused values included.
TEST_F(SettingsStoreTest, AFullDiskLeavesTheFileWholeAndTheNextWriteStoresEverything)
{
    QString items;
    for (int i = 0; i < 40; ++i)
        items += QStringLiteral("Room %1^Item %1^^^^^^^^^^|").arg(i);
    IniSettingsStore store;
    store.write(QStringLiteral("txtName"), QStringLiteral("Ann"));
    store.write(kItemsKey, items);
    const QByteArray before = readFile(iniPath());
    {
        testing::FileSizeLimit full(static_cast<rlim_t>(before.size()));
        try {
            store.write(QStringLiteral("txtPolNo"), QStringLiteral("000-585-678"));
            ADD_FAILURE() << "a write past the disk's end succeeded";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(QString::fromUtf8(error.what()),
                      QStringLiteral("The settings file %1 cannot be written: the file is larger "
                                     "than the system allows.")
                          .arg(iniPath()));
        }
        EXPECT_TRUE(store.hasUnsavedChanges());
    }
    EXPECT_EQ(readFile(iniPath()), before);
    EXPECT_EQ(QDir(configHome().filePath(QStringLiteral("Quillane"))).entryList(QDir::Files),
              QStringList{QStringLiteral("Quillane.ini")});

    store.write(QStringLiteral("txtAgent"), QStringLiteral("Marla"));
    EXPECT_FALSE(store.hasUnsavedChanges());
    IniSettingsStore nextRun;
    EXPECT_EQ(nextRun.read(QStringLiteral("txtPolNo"), QString()), QStringLiteral("000-585-678"));
    EXPECT_EQ(nextRun.read(QStringLiteral("txtAgent"), QString()), QStringLiteral("Marla"));
    EXPECT_EQ(nextRun.read(kItemsKey, QString()), items);
}

// A disk that takes every byte and fails only when the file is synced (delayed allocation on a
// full disk, a failing drive): the file on disk stays whole and the reason is given.
TEST_F(SettingsStoreTest, AFailedSyncLeavesTheFileWholeAndIsReported)
{
    IniSettingsStore store;
    store.write(QStringLiteral("txtName"), QStringLiteral("Ann"));
    const QByteArray before = readFile(iniPath());
    {
        testing::FailingFileCall failing(testing::FileCall::Fsync, EIO);
        try {
            store.write(QStringLiteral("txtName"), QStringLiteral("Bea"));
            ADD_FAILURE() << "a write whose sync failed was reported as stored";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(QString::fromUtf8(error.what()),
                      QStringLiteral("The settings file %1 cannot be written: the disk reported "
                                     "an input/output error.")
                          .arg(iniPath()));
        }
        EXPECT_TRUE(store.hasUnsavedChanges());
    }
    EXPECT_EQ(readFile(iniPath()), before);
    EXPECT_EQ(QDir(configHome().filePath(QStringLiteral("Quillane"))).entryList(QDir::Files),
              QStringList{QStringLiteral("Quillane.ini")});
}

// The user types the same text again once the disk has room: it is not taken for a value
// already on disk, but stored.
TEST_F(SettingsStoreTest, TheSameValueWrittenAgainAfterAFullDiskIsStored)
{
    IniSettingsStore store;
    store.write(QStringLiteral("txtName"), QStringLiteral("Ann"));
    const QByteArray before = readFile(iniPath());
    {
        testing::FileSizeLimit full(static_cast<rlim_t>(before.size()));
        EXPECT_THROW(store.write(QStringLiteral("txtPolNo"), QStringLiteral("000-585-678")),
                     std::runtime_error);
    }
    ASSERT_EQ(readFile(iniPath()), before);

    store.write(QStringLiteral("txtPolNo"), QStringLiteral("000-585-678"));
    EXPECT_FALSE(store.hasUnsavedChanges());
    EXPECT_EQ(IniSettingsStore().read(QStringLiteral("txtPolNo"), QString()),
              QStringLiteral("000-585-678"));
}

// Keys that are not ours (another section, a hand-made entry) are written back as they were.
TEST_F(SettingsStoreTest, KeysItDoesNotUseAreKept)
{
    writeFile(iniPath(), "[General]\nsize=@Size(3 4)\n\n[Other]\nlist=a, b\n\n"
                         "[Stowfolio]\nnote=hand-made\n");
    IniSettingsStore(iniPath()).write(QStringLiteral("txtName"), QStringLiteral("Ann"));
    // A copy under a name QSettings has not read before, so that it reads the disk.
    const QString copy = configHome().filePath(QStringLiteral("copy.ini"));
    QFile::remove(copy);
    ASSERT_TRUE(QFile::copy(iniPath(), copy));
    QSettings settings(copy, QSettings::IniFormat);
    EXPECT_EQ(settings.value(QStringLiteral("size")), QVariant(QSize(3, 4)));
    EXPECT_EQ(settings.value(QStringLiteral("Other/list")),
              QVariant(QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(settings.value(QStringLiteral("Stowfolio/note")),
              QVariant(QStringLiteral("hand-made")));
    EXPECT_EQ(settings.value(QStringLiteral("Stowfolio/txtName")), QVariant(QStringLiteral("Ann")));
}

} // namespace
} // namespace stowfolio

// Its own main(), unlike the other tests: XDG_CONFIG_HOME must name this test's temporary
// folder before the first QSettings reads it, and only this file knows the folder.
int main(int argc, char** argv)
{
    qputenv("XDG_CONFIG_HOME", stowfolio::configHome().path().toUtf8());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
