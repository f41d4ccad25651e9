// AtomicFileDevice: a stream of small writes becomes the target whole, and a write that fails on
// a full disk is reported by commit() with the old file left as it was and nothing left beside it.

#include "platform/atomic_file_device.h"

#include "tests/support/file_size_limit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

namespace stowfolio {
namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the folder holds besides the target: a temporary file left behind shows here.
QStringList othersThan(const QTemporaryDir& dir, const QString& target)
{
    QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    names.removeAll(target);
    return names;
}

// Many writes of a few bytes, more in all than one block, arrive in order and complete; the
// target holds its old content until commit().
TEST(AtomicFileDevice, SmallWritesBecomeTheTargetOnCommit)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.pdf"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();

    QByteArray expected;
    AtomicFileDevice device(path);
    for (int i = 0; i < 100000; ++i) {
        const QByteArray piece = QByteArray::number(i) + ' ';
        ASSERT_EQ(device.write(piece), piece.size());
        expected += piece;
    }
    EXPECT_EQ(readAll(path), QByteArray("old"));
    device.commit();
    EXPECT_EQ(readAll(path), expected);
    EXPECT_EQ(othersThan(dir, QStringLiteral("out.pdf")), QStringList());
}

// A full disk fails a write; the writer goes on regardless, as Qt's writers do, and commit()
// says what went wrong, naming the file.
TEST(AtomicFileDevice, AWriteFailureIsReportedByCommitAndLeavesTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.pdf"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    {
        testing::FileSizeLimit full(4096);
        AtomicFileDevice device(path);
        const QByteArray block(1000, 'x');
        for (int i = 0; i < 2000; ++i)
            device.write(block);
        EXPECT_TRUE(device.failed());
        try {
            device.commit();
            ADD_FAILURE() << "a file larger than the disk was committed";
        } catch (const std::runtime_error& error) {
            EXPECT_TRUE(QString::fromUtf8(error.what()).contains(QStringLiteral("out.pdf")))
                << error.what();
        }
    }
    EXPECT_EQ(readAll(path), QByteArray("old"));
    EXPECT_EQ(othersThan(dir, QStringLiteral("out.pdf")), QStringList());
}

// A folder that is not there: the device is never made.
TEST(AtomicFileDevice, AFolderThatIsNotThereIsRefusedAtOnce)
{
    QTemporaryDir dir;
    EXPECT_THROW(AtomicFileDevice(dir.filePath(QStringLiteral("no/such/out.pdf"))),
                 std::runtime_error);
    EXPECT_EQ(othersThan(dir, QString()), QStringList());
}

} // namespace
} // namespace stowfolio
