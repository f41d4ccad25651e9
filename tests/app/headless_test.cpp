// The command-line jobs as a script runs them, on what they refuse to write: another user's
// link in a shared folder and a read-only file. Each says why on standard error, exits 1 and
// leaves the file as it was.

#include "app/headless.h"
#include "tests/support/foreign_links.h"
#include "tests/support/job_environment.h"
#include "tests/support/test_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>
#include <thread>
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
        testing::pointJobsInto(home.path());
        ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("tmp")));
        ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("mine")));
        ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("shared")));
        ASSERT_EQ(
            ::chmod(QFile::encodeName(home.filePath(QStringLiteral("shared"))).constData(), 01777),
            0);
    }

    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        return testing::writeTestFile(QDir(home.path()), name, bytes);
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

    QString settingsPath() const
    {
        return home.filePath(QStringLiteral("config/Quillane/Quillane.ini"));
    }

    testing::SavedEnvironment environment{[] {
        std::vector<const char*> names = testing::jobVariables();
        names.push_back("HOME"); // some jobs here run without one
        return names;
    }()};
    QTemporaryDir home;
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
    {"--claim-kit", [](const QString& path) { return runClaimKit(path); }},
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

// A job never moves the user's data and never succeeds on data it could not read: a damaged
// settings file, or a folder in its place, stops every job, run after run, and stays as it is.
TEST_F(HeadlessJobTest, SettingsThatCannotBeUsedStopEveryJobAndStayWhereTheyAre)
{
    const QByteArray damaged("[Stowfolio]\ntxtName=\xff\n");
    for (const bool folder : {false, true}) {
        SCOPED_TRACE(folder ? "a folder in its place" : "not UTF-8");
        QDir(home.filePath(QStringLiteral("config"))).removeRecursively();
        if (folder) {
            ASSERT_TRUE(QDir().mkpath(settingsPath()));
        } else {
            ASSERT_TRUE(QDir().mkpath(QFileInfo(settingsPath()).absolutePath()));
            writeFile(QStringLiteral("config/Quillane/Quillane.ini"), damaged);
        }
        for (int run = 0; run < 2; ++run) {
            SCOPED_TRACE(run);
            const QString out = home.filePath(QStringLiteral("mine/items.csv"));
            ::testing::internal::CaptureStderr();
            EXPECT_EQ(runCsvExport(out), 1);
            const std::string error = ::testing::internal::GetCapturedStderr();
            EXPECT_NE(error.find(settingsPath().toStdString()), std::string::npos) << error;
            EXPECT_FALSE(QFileInfo::exists(out));
            EXPECT_EQ(QDir(home.filePath(QStringLiteral("config/Quillane")))
                          .entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                      QStringList{QStringLiteral("Quillane.ini")});
            if (folder)
                EXPECT_TRUE(QFileInfo(settingsPath()).isDir());
            else
                EXPECT_EQ(readFile(settingsPath()), damaged);
        }
    }
}

TEST_F(HeadlessJobTest, NoJobRunsWithoutAFolderOfTheUsersOwn)
{
    qunsetenv("HOME");
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
    for (const Job& job : kWritingJobs) {
        SCOPED_TRACE(job.name);
        const QString out = home.filePath(QStringLiteral("mine/out"));
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(job.run(out), 1);
        const std::string error = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(error.find("neither HOME nor XDG_CONFIG_HOME"), std::string::npos) << error;
        EXPECT_FALSE(QFileInfo::exists(out));
    }
}

// What a pipe's writer wrote arrives whole, the pipe being opened and read once.
TEST_F(HeadlessJobTest, ImportReadsANamedPipeOnce)
{
    const QString pipe = home.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    std::thread writer([pipe] {
        QFile file(pipe);
        if (file.open(QIODevice::WriteOnly))
            file.write("Location,Description\nAttic,Box\nHall,Lamp\n");
    });
    ::testing::internal::CaptureStdout();
    const int exitCode = runImport(pipe);
    const std::string output = ::testing::internal::GetCapturedStdout();
    writer.join();
    EXPECT_EQ(exitCode, 0);
    EXPECT_NE(output.find("Added 2 items"), std::string::npos) << output;
    const QString out = home.filePath(QStringLiteral("mine/items.csv"));
    EXPECT_EQ(runCsvExport(out), 0);
    const QByteArray csv = readFile(out);
    EXPECT_TRUE(csv.contains("Attic,Box") && csv.contains("Hall,Lamp")) << csv.toStdString();
}

// Homebox's archived and sold items are left out of a script's import, and it says how many.
TEST_F(HeadlessJobTest, ImportLeavesOutArchivedAndSoldItemsAndSaysHowMany)
{
    const QString path =
        writeFile(QStringLiteral("homebox.csv"), "HB.location,HB.name,HB.archived,HB.sold_to\n"
                                                 "Attic,Box,false,\n"
                                                 "Hall,Lamp,true,\n"
                                                 "Den,Desk,false,Ann\n");
    ::testing::internal::CaptureStdout();
    const int exitCode = runImport(path);
    const std::string output = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(exitCode, 0);
    EXPECT_NE(output.find("Added 1 items"), std::string::npos) << output;
    EXPECT_NE(output.find("2 archived or sold items are not added"), std::string::npos) << output;
    const QString out = home.filePath(QStringLiteral("mine/items.csv"));
    EXPECT_EQ(runCsvExport(out), 0);
    const QByteArray csv = readFile(out);
    EXPECT_TRUE(csv.contains("Attic,Box")) << csv.toStdString();
    EXPECT_FALSE(csv.contains("Lamp") || csv.contains("Desk")) << csv.toStdString();
}

TEST(JobFailure, RunningOutOfMemoryIsSaidInWords)
{
    int exitCode = 0;
    ::testing::internal::CaptureStderr();
    try {
        throw std::bad_alloc();
    } catch (const std::exception&) {
        exitCode = reportJobFailure(QStringLiteral("cannot write items.csv"),
                                    QStringLiteral("write the list"));
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "stowfolio: cannot write items.csv: not enough memory to write the list\n");
    EXPECT_EQ(exitCode, 1);
}

} // namespace
} // namespace stowfolio
