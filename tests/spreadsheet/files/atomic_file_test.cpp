#include "spreadsheet/files/atomic_file.h"

#include "tests/support/failing_file_call.h"
#include "tests/support/file_size_limit.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace spreadsheet::files;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> pattern(size_t size, uint8_t seed)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t(i * 31 + seed);
    return bytes;
}

class AtomicFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() /
                   ("atomic_file_test_" + std::to_string(::getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    std::string pathOf(const std::string& name) const { return (m_folder / name).string(); }
    // Everything in the folder, so a test sees a temporary file left behind.
    std::vector<std::string> names() const
    {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(m_folder))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }

    fs::path m_folder;
};

int errorCodeOf(const auto& action)
{
    try {
        action();
    } catch (const FileError& error) {
        return error.code();
    }
    return 0;
}

TEST_F(AtomicFileTest, ReplacesTheFileAndLeavesNoTemporary)
{
    const std::string path = pathOf("book.xls");
    writeFileAtomically(path, pattern(100, 1));
    writeFileAtomically(path, pattern(300, 2));
    EXPECT_EQ(readFileBytes(path), pattern(300, 2));
    EXPECT_EQ(names(), std::vector<std::string>{"book.xls"});
}

// The full disk of a user: whether the write fails at its first byte or part-way through, the
// old file stays whole, no temporary is left, and the error says why.
TEST_F(AtomicFileTest, AFullDiskLeavesTheOldFileWhole)
{
    const std::string path = pathOf("Quillane.ini");
    writeFileAtomically(path, pattern(1000, 1));
    for (const rlim_t limit : {rlim_t(0), rlim_t(4096), rlim_t(20000)}) {
        SCOPED_TRACE(limit);
        std::string message;
        int code = 0;
        {
            stowfolio::testing::FileSizeLimit full(limit);
            try {
                writeFileAtomically(path, pattern(50000, 2));
            } catch (const FileError& error) {
                message = error.what();
                code = error.code();
            }
        }
        EXPECT_EQ(code, EFBIG);
        EXPECT_EQ(message, path + ": cannot write the file (the file is larger than the system "
                                  "allows)");
        EXPECT_EQ(readFileBytes(path), pattern(1000, 1));
        EXPECT_EQ(names(), std::vector<std::string>{"Quillane.ini"});
    }
}

// A disk that takes every byte and fails later: a sync that reports the full disk delayed
// allocation found or a failing drive, a close that reports a network quota, a rename refused.
// Each leaves the old file whole and no temporary behind, and names its reason.
TEST_F(AtomicFileTest, AFailureAfterTheLastWriteLeavesTheOldFileWhole)
{
    using stowfolio::testing::FileCall;
    const struct
    {
        const char* name;
        FileCall call;
        int error;
        const char* reason;
    } cases[] = {
        {"sync, drive", FileCall::Fsync, EIO, "the disk reported an input/output error"},
        {"sync, full disk", FileCall::Fsync, ENOSPC, "the disk is full"},
        {"close", FileCall::Close, EDQUOT, "the disk quota is used up"},
        {"rename", FileCall::Rename, EACCES,
         "permission denied: the folder or file is read-only for you"},
        {"write", FileCall::Write, EIO, "the disk reported an input/output error"},
    };
    const std::string path = pathOf("book.xls");
    writeFileAtomically(path, pattern(1000, 1));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string message;
        int code = 0;
        {
            stowfolio::testing::FailingFileCall failing(c.call, c.error);
            try {
                writeFileAtomically(path, pattern(3000, 2));
            } catch (const FileError& error) {
                message = error.what();
                code = error.code();
            }
        }
        EXPECT_EQ(code, c.error);
        EXPECT_EQ(message, path + ": cannot write the file (" + c.reason + ")");
        EXPECT_EQ(readFileBytes(path), pattern(1000, 1));
        EXPECT_EQ(names(), std::vector<std::string>{"book.xls"});
    }
    // The disk works again: the same write goes through.
    writeFileAtomically(path, pattern(3000, 2));
    EXPECT_EQ(readFileBytes(path), pattern(3000, 2));
}

TEST_F(AtomicFileTest, AFileNotCommittedLeavesNothingBehind)
{
    const std::string path = pathOf("picture.png");
    {
        AtomicFile file(path);
        file.write("half a picture");
    }
    EXPECT_TRUE(names().empty());
}

TEST_F(AtomicFileTest, AMissingFolderIsNamedInTheError)
{
    const std::string path = pathOf("missing/book.xls");
    EXPECT_EQ(errorCodeOf([&] { writeFileAtomically(path, pattern(10, 1)); }), ENOENT);
    try {
        readFileBytes(path);
        FAIL() << "a missing file was read";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), path + ": cannot open the file (no such file)");
    }
    EXPECT_EQ(errorCodeOf([&] { readFileBytes(m_folder.string()); }), EISDIR);
}

// Saving over a link changes the file it points at and keeps the link; a file the user made
// private stays private.
TEST_F(AtomicFileTest, KeepsLinksAndPermissions)
{
    const std::string real = pathOf("real.xls");
    const std::string link = pathOf("link.xls");
    writeFileAtomically(real, pattern(10, 1));
    ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
    fs::create_symlink(real, link);
    writeFileAtomically(link, pattern(20, 2));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFileBytes(real), pattern(20, 2));
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

} // namespace
