// The attachment store: byte-for-byte copies named by their hash, one file per content, the
// refusals that name the file and what it is, and a failure in the middle that leaves nothing.

#include "evidence/attachment_error.h"
#include "evidence/attachment_file_store.h"
#include "tests/support/failing_file_call.h"
#include "tests/support/file_size_limit.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <random>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace stowfolio {
namespace {

QByteArray randomBytes(qsizetype size, unsigned seed)
{
    std::mt19937 random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

QString sha256Of(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

class AttachmentFileStoreTest : public ::testing::Test
{
protected:
    QString storeFolder() const { return m_dir.filePath(QStringLiteral("data/attachments")); }

    QString writeSource(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    // Every name in the store folder, unfinished copies included.
    QStringList storeContents() const
    {
        return QDir(storeFolder())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    // The message of the AttachmentError that storing `path` throws.
    static std::string refusalOf(AttachmentFileStore& store, const QString& path)
    {
        try {
            store.store(path);
        } catch (const AttachmentError& error) {
            return error.what();
        }
        return "(stored)";
    }

    QTemporaryDir m_dir;
};

TEST_F(AttachmentFileStoreTest, AFileIsKeptByteForByteUnderItsHash)
{
    const QByteArray bytes = randomBytes(3 * 1024 * 1024 + 17, 1);
    const QString source = writeSource(QStringLiteral("tv receipt.pdf"), bytes);
    AttachmentFileStore store(storeFolder());
    const StoredFile stored = store.store(source);
    EXPECT_EQ(stored.sha256, sha256Of(bytes));
    EXPECT_EQ(stored.size, bytes.size());
    EXPECT_TRUE(stored.added);
    QFile copy(store.pathOf(stored.sha256));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_TRUE(copy.readAll() == bytes);
    EXPECT_EQ(storeContents(), QStringList{stored.sha256});

    // Private: the folder is the owner's alone, and so is each file.
    struct stat status
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(storeFolder()).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(QFile::encodeName(store.pathOf(stored.sha256)).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 077, 0u);

    // The original may go: the copy is the evidence.
    QFile::remove(source);
    EXPECT_TRUE(store.holds(stored.sha256, bytes.size()));
}

TEST_F(AttachmentFileStoreTest, TheSameBytesAreStoredOnce)
{
    const QByteArray bytes = randomBytes(100000, 2);
    AttachmentFileStore store(storeFolder());
    const StoredFile first = store.store(writeSource(QStringLiteral("a.jpg"), bytes));
    const StoredFile second = store.store(writeSource(QStringLiteral("copy of a.jpg"), bytes));
    EXPECT_EQ(first.sha256, second.sha256);
    EXPECT_TRUE(first.added);
    EXPECT_FALSE(second.added);
    const StoredFile other = store.store(writeSource(QStringLiteral("b.jpg"), bytes + 'x'));
    EXPECT_NE(other.sha256, first.sha256);
    EXPECT_EQ(storeContents().size(), 2);
}

TEST_F(AttachmentFileStoreTest, ADamagedFileUnderAHashIsReplacedByTheRightBytes)
{
    const QByteArray bytes = randomBytes(5000, 3);
    AttachmentFileStore store(storeFolder());
    {
        QFile damaged(store.pathOf(sha256Of(bytes)));
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
        damaged.write("short");
    }
    const StoredFile stored = store.store(writeSource(QStringLiteral("a.jpg"), bytes));
    EXPECT_TRUE(stored.added);
    QFile copy(store.pathOf(stored.sha256));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_TRUE(copy.readAll() == bytes);
}

TEST_F(AttachmentFileStoreTest, WhatIsNotARegularFileIsRefusedByName)
{
    AttachmentFileStore store(storeFolder());
    const QString folder = m_dir.filePath(QStringLiteral("Photos"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString fifo = m_dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString missing = m_dir.filePath(QStringLiteral("moved.jpg"));

    const QString socketPath = m_dir.filePath(QStringLiteral("socket"));
    const int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketName = QFile::encodeName(socketPath);
    ASSERT_LT(static_cast<std::size_t>(socketName.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketName.constData(),
                static_cast<std::size_t>(socketName.size()));
    ASSERT_EQ(::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    const std::pair<QString, std::string> rows[] = {
        {folder, "is a folder, not a file"},
        {fifo, "is a pipe (FIFO), not a file"},
        {missing, "is not there (moved or deleted?)"},
        {QStringLiteral("/dev/null"), "is a device, not a file"},
        {socketPath, "is a socket, not a file"},
    };
    for (const auto& [path, reason] : rows) {
        EXPECT_EQ(refusalOf(store, path), path.toStdString() + ": " + reason);
        EXPECT_EQ(store.refusal(path).toStdString(), reason);
    }
    ::close(socketFd);
    EXPECT_TRUE(storeContents().isEmpty());
}

TEST_F(AttachmentFileStoreTest, AnUnreadableFileIsRefusedByName)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file, so no file is unreadable to this test";
    AttachmentFileStore store(storeFolder());
    const QString path = writeSource(QStringLiteral("locked.pdf"), "secret");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);
    EXPECT_EQ(refusalOf(store, path), path.toStdString() + ": cannot be read (permission denied)");
    EXPECT_TRUE(storeContents().isEmpty());
}

TEST_F(AttachmentFileStoreTest, AFourGigabyteVideoIsRefusedBeforeAByteIsRead)
{
    // A sparse file: 4 GB long, nothing on the disk.
    const QString path = m_dir.filePath(QStringLiteral("holiday.mp4"));
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t{4} << 30), 0);
    ::close(fd);
    AttachmentFileStore store(storeFolder());
    EXPECT_EQ(refusalOf(store, path),
              path.toStdString() + ": is 4.0 GB; a file kept with an item may be at most 2.0 GB");
    EXPECT_TRUE(storeContents().isEmpty());
}

TEST_F(AttachmentFileStoreTest, AFullDiskIsToldBeforeCopying)
{
    AttachmentFileStore::Limits limits;
    limits.freeBytes = [](const QString&) { return std::optional<std::int64_t>(1024 * 1024); };
    AttachmentFileStore store(storeFolder(), limits);
    const QString path = writeSource(QStringLiteral("scan.pdf"), randomBytes(2 * 1024 * 1024, 4));
    const std::string message = refusalOf(store, path);
    EXPECT_EQ(message.rfind(path.toStdString() + ": cannot be kept with the item: the disk holds "
                                                 "1.0 MB free",
                            0),
              0u)
        << message;
    EXPECT_TRUE(storeContents().isEmpty());
}

TEST_F(AttachmentFileStoreTest, ADiskThatFillsInTheMiddleLeavesNothing)
{
    AttachmentFileStore store(storeFolder());
    const QString path = writeSource(QStringLiteral("manual.pdf"), randomBytes(3 * 1024 * 1024, 5));
    std::string message;
    {
        // The disk fills after the first megabyte of the copy.
        const testing::FileSizeLimit limit(1024 * 1024 + 100);
        message = refusalOf(store, path);
    }
    EXPECT_NE(message.find(path.toStdString() + ": cannot be kept with the item ("),
              std::string::npos)
        << message;
    EXPECT_TRUE(storeContents().isEmpty()) << storeContents().join(u' ').toStdString();
}

TEST_F(AttachmentFileStoreTest, AFailedSyncLeavesNothing)
{
    AttachmentFileStore store(storeFolder());
    const QString path = writeSource(QStringLiteral("photo.jpg"), randomBytes(300000, 6));
    std::string message;
    {
        const testing::FailingFileCall failing(testing::FileCall::Fsync, EIO);
        message = refusalOf(store, path);
    }
    EXPECT_NE(message.find(path.toStdString() + ": cannot be kept with the item"),
              std::string::npos)
        << message;
    EXPECT_TRUE(storeContents().isEmpty());
    // The store works again once the disk does.
    EXPECT_TRUE(store.store(path).added);
}

TEST_F(AttachmentFileStoreTest, RemovingUnnamedFilesSparesNamedOnesAndLiveCopies)
{
    AttachmentFileStore store(storeFolder());
    const StoredFile kept = store.store(writeSource(QStringLiteral("a"), "kept"));
    const StoredFile unnamed = store.store(writeSource(QStringLiteral("b"), "unnamed"));
    // An unfinished copy of a killed process, one of a live one, and a file the store never
    // made.
    const QString oldCopy = storeFolder() + QStringLiteral("/incoming-00000000000000aa");
    const QString liveCopy = storeFolder() + QStringLiteral("/incoming-00000000000000bb");
    const QString stranger = storeFolder() + QStringLiteral("/notes.txt");
    for (const QString& path : {oldCopy, liveCopy, stranger}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const auto now = std::chrono::system_clock::now();
    {
        QFile file(oldCopy);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addDays(-2),
                                     QFileDevice::FileModificationTime));
    }

    EXPECT_EQ(store.removeUnnamed({kept.sha256}, now - std::chrono::hours(1)), 2);
    QStringList expected{kept.sha256, QStringLiteral("incoming-00000000000000bb"),
                         QStringLiteral("notes.txt")};
    QStringList contents = storeContents();
    expected.sort();
    contents.sort();
    EXPECT_EQ(contents.join(u' ').toStdString(), expected.join(u' ').toStdString());
    EXPECT_FALSE(store.holds(unnamed.sha256, unnamed.size));
}

TEST_F(AttachmentFileStoreTest, ARecordNeverNamesAFileOutsideTheStore)
{
    AttachmentFileStore store(storeFolder());
    EXPECT_THROW(store.pathOf(QStringLiteral("../../.bashrc")), AttachmentError);
    EXPECT_THROW(store.pathOf(QString(64, u'A')), AttachmentError);
    EXPECT_NO_THROW(store.pathOf(QString(64, u'a')));
    EXPECT_FALSE(store.holds(QStringLiteral("../data"), 0));
}

TEST_F(AttachmentFileStoreTest, AStoreFolderThatIsALinkIsRefused)
{
    const QString elsewhere = m_dir.filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    ASSERT_TRUE(QDir().mkpath(m_dir.filePath(QStringLiteral("data"))));
    ASSERT_TRUE(QFile::link(elsewhere, storeFolder()));
    EXPECT_THROW(AttachmentFileStore store(storeFolder()), AttachmentError);
}

TEST_F(AttachmentFileStoreTest, TheStoreLivesBesideTheDatabase)
{
    EXPECT_EQ(attachmentFolderFor(QStringLiteral("/home/ann/.local/share/Quillane/Stowfolio/"
                                                 "inventory.db")),
              QStringLiteral("/home/ann/.local/share/Quillane/Stowfolio/attachments"));
}

TEST_F(AttachmentFileStoreTest, AnAdoptedFileIsMovedInUnderItsHashOwnerOnly)
{
    AttachmentFileStore store(storeFolder());
    const QByteArray bytes = randomBytes(3 << 20, 7);
    const QString first = writeSource(QStringLiteral("first.jpg"), bytes);
    const StoredFile stored = store.adopt(first);
    EXPECT_EQ(stored.sha256, sha256Of(bytes));
    EXPECT_EQ(stored.size, bytes.size());
    EXPECT_TRUE(stored.added);
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_EQ(storeContents(), QStringList{stored.sha256});
    QFile kept(store.pathOf(stored.sha256));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), bytes);
    EXPECT_EQ(kept.permissions() &
                  (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
              QFile::Permissions());

    // The same bytes again: the new file goes, the stored one serves.
    const QString second = writeSource(QStringLiteral("second.jpg"), bytes);
    const StoredFile again = store.adopt(second);
    EXPECT_EQ(again.sha256, stored.sha256);
    EXPECT_FALSE(again.added);
    EXPECT_FALSE(QFileInfo::exists(second));
    EXPECT_EQ(storeContents(), QStringList{stored.sha256});
}

TEST_F(AttachmentFileStoreTest, AFolderOrAMissingFileIsNotAdopted)
{
    AttachmentFileStore store(storeFolder());
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder")));
    for (const QString& name : {QStringLiteral("folder"), QStringLiteral("missing.jpg")}) {
        const QString path = m_dir.filePath(name);
        try {
            store.adopt(path);
            ADD_FAILURE() << name.toStdString() << " was adopted";
        } catch (const AttachmentError& error) {
            EXPECT_NE(std::string(error.what()).find(path.toStdString()), std::string::npos)
                << error.what();
        }
    }
    EXPECT_TRUE(storeContents().isEmpty());
}

} // namespace
} // namespace stowfolio
