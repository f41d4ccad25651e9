#include "state/settings_store.h"

#include "tests/support/failing_file_call.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/stalled_disk.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSize>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

// The outcomes a store tells its handler, from the event loop.
class Outcomes
{
public:
    explicit Outcomes(SettingsStore& store)
    {
        store.setOutcomeHandler([this](const QString& failure) {
            told << failure;
            m_loop.quit();
        });
    }
    // Runs the event loop until the next outcome has been told.
    void waitForOne()
    {
        const qsizetype before = told.size();
        while (told.size() == before)
            m_loop.exec();
    }

    QStringList told;

private:
    QEventLoop m_loop;
};

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
    store.flush();
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

TEST_F(SettingsStoreTest, EveryWriteIsOnDiskOnceFlushedAndComesBackExactly)
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
        writer.flush();
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
        store.flush();
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
    store.write(QStringLiteral("txtName"), QStringLiteral("Ann"));
    EXPECT_THROW(store.flush(), std::runtime_error);
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
    store.flush();
    const QByteArray before = readFile(iniPath());
    {
        testing::FileSizeLimit full(static_cast<rlim_t>(before.size()));
        try {
            store.write(QStringLiteral("txtPolNo"), QStringLiteral("000-585-678"));
            store.flush();
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
    store.flush();
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
    store.flush();
    const QByteArray before = readFile(iniPath());
    {
        testing::FailingFileCall failing(testing::FileCall::Fsync, EIO);
        try {
            store.write(QStringLiteral("txtName"), QStringLiteral("Bea"));
            store.flush();
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
    store.flush();
    const QByteArray before = readFile(iniPath());
    {
        testing::FileSizeLimit full(static_cast<rlim_t>(before.size()));
        store.write(QStringLiteral("txtPolNo"), QStringLiteral("000-585-678"));
        EXPECT_THROW(store.flush(), std::runtime_error);
    }
    ASSERT_EQ(readFile(iniPath()), before);

    store.write(QStringLiteral("txtPolNo"), QStringLiteral("000-585-678"));
    store.flush();
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

// The user types while the disk takes its time: no write waits for it, reads give what was
// written at once, and the writes made meanwhile reach the disk as one write of the last values.
TEST_F(SettingsStoreTest, WritesDoNotWaitForTheDiskAndThoseMadeMeanwhileAreWrittenAsOne)
{
    IniSettingsStore store;
    Outcomes outcomes(store);
    testing::StalledDisk disk;
    store.write(QStringLiteral("txtName"), QStringLiteral("A"));
    disk.waitForAStalledWrite();
    QString typed = QStringLiteral("A");
    for (const QChar ch : QStringLiteral("nn Marlowe")) {
        typed += ch;
        store.write(QStringLiteral("txtName"), typed);
    }
    store.write(QStringLiteral("txtCity"), QStringLiteral("Åre"));
    EXPECT_EQ(store.read(QStringLiteral("txtName"), QString()), QStringLiteral("Ann Marlowe"));
    EXPECT_TRUE(store.hasUnsavedChanges());
    EXPECT_FALSE(QFile::exists(iniPath()));

    disk.open();
    store.flush();
    EXPECT_FALSE(store.hasUnsavedChanges());
    EXPECT_EQ(disk.renames(), 2);
    EXPECT_EQ(readFile(iniPath()),
              QByteArray("[Stowfolio]\ntxtCity=\xc3\x85re\ntxtName=Ann Marlowe\n"));
    // flush() told the outcome; the handler does not hear it again.
    QCoreApplication::processEvents();
    EXPECT_TRUE(outcomes.told.isEmpty());
}

// A write that fails after write() has returned: the handler hears why, once, flush() says it
// again, and the first write after the disk has room stores everything.
TEST_F(SettingsStoreTest, AFailureInTheBackgroundIsToldOnceAndByFlush)
{
    IniSettingsStore store;
    store.write(QStringLiteral("txtName"), QStringLiteral("Ann"));
    store.flush();
    const QByteArray before = readFile(iniPath());
    const QString diskFull =
        QStringLiteral("The settings file %1 cannot be written: the disk is full.").arg(iniPath());
    Outcomes outcomes(store);
    {
        testing::FailingFileCall failing(testing::FileCall::Fsync, ENOSPC);
        EXPECT_NO_THROW(store.write(QStringLiteral("txtPolNo"), QStringLiteral("000-585-678")));
        outcomes.waitForOne();
        EXPECT_EQ(outcomes.told, QStringList{diskFull});
        EXPECT_TRUE(store.hasUnsavedChanges());
        try {
            store.flush();
            ADD_FAILURE() << "a failed write was reported as stored";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(QString::fromUtf8(error.what()), diskFull);
        }
    }
    EXPECT_EQ(readFile(iniPath()), before);
    QCoreApplication::processEvents();
    EXPECT_EQ(outcomes.told.size(), 1);

    store.write(QStringLiteral("txtAgent"), QStringLiteral("Marla"));
    outcomes.waitForOne();
    EXPECT_EQ(outcomes.told, (QStringList{diskFull, QString()}));
    EXPECT_FALSE(store.hasUnsavedChanges());
    EXPECT_EQ(IniSettingsStore().read(QStringLiteral("txtPolNo"), QString()),
              QStringLiteral("000-585-678"));
}

// A store that closes while a write is under way and another waits writes both before it goes.
TEST_F(SettingsStoreTest, WritesStillWaitingAreMadeWhenTheStoreCloses)
{
    testing::StalledDisk disk;
    {
        IniSettingsStore store;
        store.write(QStringLiteral("txtName"), QStringLiteral("Ann"));
        disk.waitForAStalledWrite();
        store.write(QStringLiteral("txtName"), QStringLiteral("Bea"));
        disk.open();
    }
    EXPECT_EQ(disk.renames(), 2);
    EXPECT_EQ(IniSettingsStore().read(QStringLiteral("txtName"), QString()), QStringLiteral("Bea"));
}

// 64 GiB that take no room on the disk: a store that read the file whole could not start.
TEST_F(SettingsStoreTest, AFileTooLargeToBeOursIsSetAsideUnread)
{
    const qint64 size = qint64{64} << 30;
    QDir().mkpath(QFileInfo(iniPath()).absolutePath());
    const int fd = ::open(QFile::encodeName(iniPath()).constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);

    IniSettingsStore store;
    EXPECT_TRUE(store.openingProblem().contains(
        QStringLiteral("larger than any settings file Stowfolio writes")));
    const QStringList copies = setAsideCopies();
    ASSERT_EQ(copies.size(), 1);
    EXPECT_TRUE(store.openingProblem().contains(copies.front()));
    EXPECT_EQ(QFileInfo(configHome().filePath(QStringLiteral("Quillane/") + copies.front())).size(),
              size);
    EXPECT_EQ(store.read(QStringLiteral("txtName"), QStringLiteral("absent")),
              QStringLiteral("absent"));
    store.write(QStringLiteral("txtName"), QStringLiteral("Ann"));
    store.flush();
    EXPECT_EQ(readFile(iniPath()), QByteArray("[Stowfolio]\ntxtName=Ann\n"));
}

TEST_F(SettingsStoreTest, AFileAtTheBoundIsReadAndOneByteLargerIsSetAside)
{
    const QByteArray text("[Stowfolio]\ntxtName=Ann\n");
    writeFile(iniPath(), text);
    {
        IniSettingsStore atTheBound(iniPath(), text.size());
        EXPECT_TRUE(atTheBound.openingProblem().isEmpty());
        EXPECT_EQ(atTheBound.read(QStringLiteral("txtName"), QString()), QStringLiteral("Ann"));
    }
    IniSettingsStore belowIt(iniPath(), text.size() - 1);
    EXPECT_TRUE(belowIt.openingProblem().contains(
        QStringLiteral("larger than any settings file Stowfolio writes")));
    EXPECT_EQ(belowIt.read(QStringLiteral("txtName"), QString()), QString());
    EXPECT_EQ(setAsideCopies().size(), 1);
}

// Values that would make the file larger than a store reads are not written: the file on disk
// stays as it was, and the reason is given like a full disk's.
TEST_F(SettingsStoreTest, AFileLargerThanTheBoundIsNeverWritten)
{
    IniSettingsStore store(iniPath(), 64);
    store.write(QStringLiteral("txtName"), QStringLiteral("Ann"));
    store.flush();
    const QByteArray before = readFile(iniPath());
    store.write(kItemsKey, QString(64, QLatin1Char('x')));
    try {
        store.flush();
        ADD_FAILURE() << "a file larger than the bound was written";
    } catch (const std::runtime_error& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what())
                        .startsWith(QStringLiteral("The settings file %1 cannot be written: it "
                                                   "would be ")
                                        .arg(iniPath())));
    }
    EXPECT_TRUE(store.hasUnsavedChanges());
    EXPECT_EQ(readFile(iniPath()), before);
}

// A settings file that cannot be read may be perfectly good: it is never moved or written over,
// and the store says why it cannot be read. A folder in its place stands for every such case
// the file system can set up without another user.
TEST_F(SettingsStoreTest, AFileThatCannotBeReadIsNeitherMovedNorWritten)
{
    ASSERT_TRUE(QDir().mkpath(iniPath()));
    IniSettingsStore store;
    EXPECT_TRUE(store.openingProblem().contains(QStringLiteral("cannot be read: it is a folder")))
        << store.openingProblem().toStdString();
    EXPECT_TRUE(setAsideCopies().isEmpty());
    EXPECT_THROW(store.write(QStringLiteral("txtName"), QStringLiteral("Ann")), std::runtime_error);
    EXPECT_TRUE(QFileInfo(iniPath()).isDir());
    EXPECT_EQ(QDir(configHome().filePath(QStringLiteral("Quillane")))
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("Quillane.ini")});
}

// Permission denied, as another user's file gives it: the store runs in a child process as
// the user nobody when the test runs as root (root reads every file), as the test's user
// otherwise. The child's exit code says what it found.
TEST_F(SettingsStoreTest, AFileThatIsNotReadableForTheUserIsLeftAlone)
{
    writeFile(iniPath(), "[Stowfolio]\ntxtName=Ann\n");
    ASSERT_EQ(::chmod(QFile::encodeName(iniPath()).constData(), 0), 0);
    for (const QString& folder :
         {configHome().path(), configHome().filePath(QStringLiteral("Quillane"))})
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(10);
        const IniSettingsStore store;
        if (!store.openingProblem().contains(QStringLiteral("cannot be read: permission denied")))
            ::_exit(11);
        if (store.read(QStringLiteral("txtName"), QStringLiteral("none")) != QStringLiteral("none"))
            ::_exit(12);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(setAsideCopies().isEmpty());
    ASSERT_EQ(::chmod(QFile::encodeName(iniPath()).constData(), 0600), 0);
    EXPECT_EQ(readFile(iniPath()), QByteArray("[Stowfolio]\ntxtName=Ann\n"));
    for (const QString& folder :
         {configHome().path(), configHome().filePath(QStringLiteral("Quillane"))})
        ::chmod(QFile::encodeName(folder).constData(), 0700);
}

// Command-line jobs never move the user's data: a damaged file stays where it is, and the store
// says so on every start.
TEST_F(SettingsStoreTest, ADamagedFileIsLeftInPlaceWhenAskedTo)
{
    const QByteArray bytes("[Stowfolio]\ntxtName=\xff\n");
    writeFile(iniPath(), bytes);
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        IniSettingsStore store(IniSettingsStore::DamagedFile::LeaveInPlace);
        EXPECT_TRUE(store.openingProblem().contains(QStringLiteral("not valid UTF-8 text")));
        EXPECT_TRUE(store.openingProblem().contains(QStringLiteral("left as it is")));
        EXPECT_THROW(store.write(QStringLiteral("txtName"), QStringLiteral("Bea")),
                     std::runtime_error);
        EXPECT_TRUE(setAsideCopies().isEmpty());
        EXPECT_EQ(readFile(iniPath()), bytes);
    }
}

// The owner's name, address and policy number are nobody else's business, whatever the umask.
TEST_F(SettingsStoreTest, TheFileAndTheFolderItMakesAreTheOwnersAlone)
{
    const mode_t previous = ::umask(022);
    {
        IniSettingsStore store;
        store.write(QStringLiteral("txtName"), QStringLiteral("Ann"));
        store.flush();
    }
    struct stat file
    {
    };
    struct stat folder
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(iniPath()).constData(), &file), 0);
    ASSERT_EQ(
        ::stat(QFile::encodeName(configHome().filePath(QStringLiteral("Quillane"))).constData(),
               &folder),
        0);
    EXPECT_EQ(file.st_mode & 07777, 0600u);
    EXPECT_EQ(folder.st_mode & 07777, 0700u);
    // One left readable by others by an earlier version loses that at the next write.
    ASSERT_EQ(::chmod(QFile::encodeName(iniPath()).constData(), 0644), 0);
    {
        IniSettingsStore store;
        store.write(QStringLiteral("txtName"), QStringLiteral("Bea"));
        store.flush();
    }
    ASSERT_EQ(::stat(QFile::encodeName(iniPath()).constData(), &file), 0);
    EXPECT_EQ(file.st_mode & 07777, 0600u);
    ::umask(previous);
}

TEST(UserFolders, WithoutHomeOrXdgFoldersThereIsNowhereToKeepAnything)
{
    const char* const variables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"};
    QList<QByteArray> saved;
    for (const char* variable : variables)
        saved << qgetenv(variable);
    qunsetenv("HOME");
    qunsetenv("XDG_DATA_HOME");
    qputenv("XDG_CONFIG_HOME", "/somewhere");
    EXPECT_TRUE(userFoldersProblem().contains(QStringLiteral("XDG_DATA_HOME")));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_FALSE(userFoldersProblem().isEmpty());
    qputenv("XDG_CONFIG_HOME", "/somewhere");
    qputenv("XDG_DATA_HOME", "/elsewhere");
    EXPECT_TRUE(userFoldersProblem().isEmpty());
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
    qputenv("HOME", "/home/ann");
    EXPECT_TRUE(userFoldersProblem().isEmpty());
    for (int i = 0; i < 3; ++i) {
        if (saved[i].isNull())
            qunsetenv(variables[i]);
        else
            qputenv(variables[i], saved[i]);
    }
}

} // namespace
} // namespace stowfolio

// Its own main(), unlike the other tests: XDG_CONFIG_HOME must name this test's temporary
// folder before the first QSettings reads it, and only this file knows the folder.
int main(int argc, char** argv)
{
    qputenv("XDG_CONFIG_HOME", stowfolio::configHome().path().toUtf8());
    // The store tells what became of its writes from the event loop.
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
