#include "platform/file_helpers.h"

#include "tests/support/file_size_limit.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>

namespace stowfolio {
namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(fileExists, TellsPresentFilesFromEverythingElse)
{
    QTemporaryDir dir;
    const QString present = dir.filePath(QStringLiteral("present é.txt"));
    writeFile(present, "x");
    const std::vector<std::pair<QString, bool>> cases = {
        {present, true},
        {QString(), false},
        {dir.filePath(QStringLiteral("missing.txt")), false},
        {dir.filePath(QStringLiteral("no folder/missing.txt")), false},
    };
    for (const auto& [path, expected] : cases) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(fileExists(path), expected);
    }
}

TEST(deleteFileQuietly, RemovesWritableAndReadOnlyFilesAndIgnoresMissingOnes)
{
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain.bin"));
    const QString readOnly = dir.filePath(QStringLiteral("read-only.bin"));
    writeFile(plain, "a");
    writeFile(readOnly, "b");
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadUser);

    deleteFileQuietly(plain);
    deleteFileQuietly(readOnly);
    deleteFileQuietly(dir.filePath(QStringLiteral("missing.bin")));
    deleteFileQuietly(QString());

    EXPECT_FALSE(QFile::exists(plain));
    EXPECT_FALSE(QFile::exists(readOnly));
}

TEST(writeBytesToFile, ReplacesTheWholeFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("template.xlt"));
    writeFile(path, QByteArray(1000, 'o'));
    const QByteArray bytes("\xd0\xcf\x11\xe0 new and shorter", 20);
    writeBytesToFile(bytes, path);
    // An old file's tail left behind would corrupt the workbook.
    EXPECT_EQ(readFile(path), bytes);
}

TEST(writeBytesToFile, FailsIntoTheCaller)
{
    QTemporaryDir dir;
    EXPECT_THROW(writeBytesToFile("x", dir.filePath(QStringLiteral("no folder/file.bin"))),
                 std::runtime_error);
}

// A build interrupted by a full disk must not leave a cut-off template copy that the next
// build would take for a good one.
TEST(writeBytesToFile, AFullDiskLeavesNoPartOfTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("template.xlt"));
    {
        testing::FileSizeLimit full(4096);
        EXPECT_THROW(writeBytesToFile(QByteArray(10000, 't'), path), std::runtime_error);
    }
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

// An installed program keeps its cursor and skin in share/stowfolio beside bin/; a build tree
// keeps them beside the executable and must win over an installed copy.
TEST(SupportFolder, PrefersFilesBesideTheExecutableThenTheInstalledDataFolder)
{
    struct Case
    {
        const char* name;
        QStringList beside;
        QStringList installed;
        const char* expected; // "bin" or "share"
    };
    const QString cursor = QStringLiteral("HAND-M.CUR");
    const QString skin = QStringLiteral("x/o.cjs");
    const std::vector<Case> cases = {
        {"build tree", {cursor, skin}, {}, "bin"},
        {"only the skin beside", {skin}, {cursor}, "bin"},
        {"installed", {}, {cursor, skin}, "share"},
        {"installed skin only", {}, {skin}, "share"},
        {"installed cursor only", {}, {cursor}, "share"},
        {"neither, empty data folder", {}, {}, "bin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir prefix;
        const QString bin = prefix.filePath(QStringLiteral("bin"));
        const QString share = prefix.filePath(QStringLiteral("share/stowfolio"));
        ASSERT_TRUE(QDir().mkpath(bin + QStringLiteral("/x")));
        ASSERT_TRUE(QDir().mkpath(share + QStringLiteral("/x")));
        for (const QString& file : c.beside)
            writeFile(bin + QLatin1Char('/') + file, "b");
        for (const QString& file : c.installed)
            writeFile(share + QLatin1Char('/') + file, "s");

        const QString expected =
            QString::fromLatin1(c.expected) == QStringLiteral("bin") ? bin : QDir::cleanPath(share);
        EXPECT_EQ(supportFolder(bin).toStdString(), expected.toStdString());
    }
}

} // namespace
} // namespace stowfolio
