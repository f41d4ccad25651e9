// The command-line jobs as a script runs them, on what they refuse to write: another user's
// link in a shared folder and a read-only file. Each says why on standard error, exits 1 and
// leaves the file as it was.

#include "app/headless.h"
#include "tests/support/foreign_links.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace stowfolio {
namespace {

class HeadlessJobTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        // The jobs read the stored state and make their work folders here only.
        for (const char* variable : kVariables)
            saved.push_back(qgetenv(variable));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
        qputenv("TEMP", QFile::encodeName(home.filePath(QStringLiteral("tmp"))));
        qunsetenv("XDG_RUNTIME_DIR");
        ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("tmp")));
        ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("mine")));
        ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("shared")));
        ASSERT_EQ(
            ::chmod(QFile::encodeName(home.filePath(QStringLiteral("shared"))).constData(), 01777),
            0);
    }
    void TearDown() override
    {
        for (size_t i = 0; i < std::size(kVariables); ++i) {
            if (saved[i].isNull())
                qunsetenv(kVariables[i]);
            else
                qputenv(kVariables[i], saved[i]);
        }
    }

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = home.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QByteArray readFile(const QString& path) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }
    QStringList workFolders() const
    {
        return QDir(home.filePath(QStringLiteral("tmp")))
            .entryList({QStringLiteral("stowfolio-work-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    }

    static constexpr const char* kVariables[] = {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "TEMP",
                                                 "XDG_RUNTIME_DIR"};
    QTemporaryDir home;
    std::vector<QByteArray> saved;
};

struct Job
{
    const char* name;
    std::function<int(const QString&)> run;
};

const Job kWritingJobs[] = {
    {"--export", [](const QString& path) { return runExport(path); }},
    {"--csv", [](const QString& path) { return runCsvExport(path); }},
    {"--pdf", [](const QString& path) { return runPdfReport(path); }},
};

TEST_F(HeadlessJobTest, NoJobWritesThroughAnotherUsersLinkInASharedFolder)
{
    for (const Job& job : kWritingJobs) {
        SCOPED_TRACE(job.name);
        const QString mine = writeFile(QStringLiteral("mine/inventory.xls"), "my own file");
        const QString link = home.filePath(QStringLiteral("shared/out"));
        QFile::remove(link);
        ASSERT_TRUE(QFile::link(mine, link));
        const testing::ForeignLinks foreign;
        ::testing::internal::CaptureStderr();
        const int exitCode = job.run(link);
        const std::string error = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(exitCode, 1);
        EXPECT_NE(error.find(link.toStdString()), std::string::npos) << error;
        EXPECT_NE(error.find("symbolic link"), std::string::npos) << error;
        EXPECT_EQ(readFile(mine), QByteArray("my own file"));
        EXPECT_TRUE(QFileInfo(link).isSymLink());
        EXPECT_EQ(QDir(home.filePath(QStringLiteral("mine"))).entryList(QDir::Files),
                  QStringList{QStringLiteral("inventory.xls")});
        EXPECT_TRUE(workFolders().isEmpty());
    }
}

TEST_F(HeadlessJobTest, NoJobReplacesAReadOnlyFile)
{
    for (const Job& job : kWritingJobs) {
        SCOPED_TRACE(job.name);
        const QString path = home.filePath(QStringLiteral("kept"));
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        writeFile(QStringLiteral("kept"), "last year's");
        ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        ::testing::internal::CaptureStderr();
        const int exitCode = job.run(path);
        const std::string error = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(exitCode, 1);
        EXPECT_NE(error.find(path.toStdString()), std::string::npos) << error;
        EXPECT_NE(error.find(" is read-only"), std::string::npos) << error;
        EXPECT_EQ(readFile(path), QByteArray("last year's"));
        EXPECT_TRUE(workFolders().isEmpty());
    }
}

TEST_F(HeadlessJobTest, AJobTakesItsWorkFolderWithIt)
{
    for (const Job& job : kWritingJobs) {
        SCOPED_TRACE(job.name);
        const QString path = home.filePath(QStringLiteral("mine/out-") + job.name);
        EXPECT_EQ(job.run(path), 0);
        EXPECT_TRUE(QFileInfo(path).size() > 0);
        EXPECT_TRUE(workFolders().isEmpty());
    }
}

} // namespace
} // namespace stowfolio
