#include "spreadsheet/files/atomic_file.h"

#include "tests/support/failing_file_call.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/foreign_links.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
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

// A header completed after the data it describes, as a zip entry's: seek() back, rewrite it,
// seek() to the end and go on; the temporary file is there to be read back before commit().
TEST_F(AtomicFileTest, SeekRewritesWhatWasWritten)
{
    const std::string path = pathOf("kit.zip");
    AtomicFile file(path);
    file.write("HEADER??data");
    file.seek(6);
    file.write("!!");
    file.seek(12);
    file.write("more");
    EXPECT_EQ(readFileBytes(file.temporaryPath()),
              std::vector<uint8_t>({'H', 'E', 'A', 'D', 'E', 'R', '!', '!', 'd', 'a', 't', 'a', 'm',
                                    'o', 'r', 'e'}));
    file.commit();
    EXPECT_TRUE(file.temporaryPath().empty());
    const std::vector<uint8_t> bytes = readFileBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "HEADER!!datamore");
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

// The system's rule for links in shared folders, as (link owner, folder owner, folder mode,
// follower) -> followed.
TEST(MayFollowLink, FollowsOnlyLinksOfTheFollowerOrTheFolderOwnerInAStickyOpenFolder)
{
    const struct
    {
        uid_t link;
        uid_t folder;
        mode_t mode;
        uid_t follower;
        bool followed;
    } cases[] = {
        {1001, 0, S_IFDIR | 01777, 1000, false},   // planted in /tmp by another user
        {1000, 0, S_IFDIR | 01777, 1000, true},    // the follower's own link
        {0, 0, S_IFDIR | 01777, 1000, true},       // the folder owner's link
        {1001, 1002, S_IFDIR | 01777, 0, false},   // root is not exempt
        {1002, 1002, S_IFDIR | 01777, 1000, true}, // a shared folder's owner
        {1001, 0, S_IFDIR | 00777, 1000, true},    // open but not sticky
        {1001, 0, S_IFDIR | 01775, 1000, true},    // sticky but not open to everyone
        {1001, 1000, S_IFDIR | 00755, 1000, true}, // the follower's own folder
    };
    for (const auto& c : cases)
        EXPECT_EQ(mayFollowLink(c.link, c.folder, c.mode, c.follower), c.followed)
            << c.link << " " << c.folder << " " << std::oct << c.mode << " " << std::dec
            << c.follower;
}

class SharedFolderTest : public AtomicFileTest
{
protected:
    void SetUp() override
    {
        AtomicFileTest::SetUp();
        fs::create_directories(m_folder / "shared");
        fs::create_directories(m_folder / "mine");
        ASSERT_EQ(::chmod((m_folder / "shared").c_str(), 01777), 0);
        writeFileAtomically(pathOf("mine/inventory.xls"), pattern(50, 7));
    }
    std::vector<std::string> namesIn(const std::string& folder) const
    {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(m_folder / folder))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }
};

// Someone else's link where the user saves, in a shared folder like /tmp: his own file
// elsewhere stays as it was, and the message names the file and the link.
TEST_F(SharedFolderTest, AnotherUsersLinkIsNotFollowed)
{
    const std::string link = pathOf("shared/out.xls");
    fs::create_symlink(pathOf("mine/inventory.xls"), link);
    const stowfolio::testing::ForeignLinks foreign;
    try {
        writeFileAtomically(link, pattern(20, 2));
        FAIL() << "wrote through another user's link";
    } catch (const FileError& error) {
        EXPECT_EQ(error.code(), EACCES);
        EXPECT_NE(std::string(error.what()).find(link), std::string::npos) << error.what();
        EXPECT_NE(error.reason().find("symbolic link"), std::string::npos) << error.reason();
    }
    EXPECT_EQ(readFileBytes(pathOf("mine/inventory.xls")), pattern(50, 7));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(namesIn("mine"), std::vector<std::string>{"inventory.xls"});
    EXPECT_EQ(namesIn("shared"), std::vector<std::string>{"out.xls"});
}

// The same for a link to a folder on the way, and for a link to a link.
TEST_F(SharedFolderTest, AnotherUsersLinkOnTheWayIsNotFollowed)
{
    fs::create_symlink(m_folder / "mine", m_folder / "shared" / "folder");
    fs::create_symlink(pathOf("mine/inventory.xls"), pathOf("mine/latest.xls"));
    fs::create_symlink(pathOf("mine/latest.xls"), pathOf("shared/latest.xls"));
    const stowfolio::testing::ForeignLinks foreign;
    EXPECT_EQ(errorCodeOf([&] {
                  writeFileAtomically(pathOf("shared/folder/inventory.xls"), pattern(20, 2));
              }),
              EACCES);
    EXPECT_EQ(
        errorCodeOf([&] { writeFileAtomically(pathOf("shared/latest.xls"), pattern(20, 2)); }),
        EACCES);
    EXPECT_EQ(readFileBytes(pathOf("mine/inventory.xls")), pattern(50, 7));
    EXPECT_EQ(namesIn("mine"), (std::vector<std::string>{"inventory.xls", "latest.xls"}));
}

// The user's own link in a shared folder, and anyone's link in a folder that is not shared,
// are followed as before.
TEST_F(SharedFolderTest, OwnLinksAndLinksInOtherFoldersAreFollowed)
{
    fs::create_symlink(pathOf("mine/inventory.xls"), pathOf("shared/mine.xls"));
    writeFileAtomically(pathOf("shared/mine.xls"), pattern(20, 2));
    EXPECT_EQ(readFileBytes(pathOf("mine/inventory.xls")), pattern(20, 2));
    EXPECT_TRUE(fs::is_symlink(pathOf("shared/mine.xls")));

    fs::create_symlink(pathOf("mine/inventory.xls"), pathOf("link.xls"));
    const stowfolio::testing::ForeignLinks foreign;
    writeFileAtomically(pathOf("link.xls"), pattern(30, 3));
    EXPECT_EQ(readFileBytes(pathOf("mine/inventory.xls")), pattern(30, 3));
}

TEST_F(AtomicFileTest, AReadOnlyFileIsReplacedOnlyWhenAsked)
{
    const std::string path = pathOf("kept.csv");
    writeFileAtomically(path, pattern(10, 1));
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_TRUE(isReadOnlyFile(path));
    try {
        writeFileAtomically(path, pattern(20, 2));
        FAIL() << "a read-only file was replaced";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), path + " is read-only");
        EXPECT_EQ(error.reason(), "the file is read-only");
    }
    EXPECT_EQ(readFileBytes(path), pattern(10, 1));
    EXPECT_EQ(names(), std::vector<std::string>{"kept.csv"});

    writeFileAtomically(path, pattern(20, 2), ReadOnlyTarget::Replace);
    EXPECT_EQ(readFileBytes(path), pattern(20, 2));
    // Still read-only: the user agreed to its content being replaced, not its protection.
    EXPECT_TRUE(isReadOnlyFile(path));
    EXPECT_FALSE(isReadOnlyFile(pathOf("missing.csv")));
}

TEST(TemporaryNames, OnlyTheWritersOwnShapeIsRecognised)
{
    EXPECT_TRUE(isTemporaryNameOf("Quillane.ini.tmp-a1b2c3", "Quillane.ini"));
    EXPECT_FALSE(isTemporaryNameOf("Quillane.ini.tmp-a1b2c", "Quillane.ini"));
    EXPECT_FALSE(isTemporaryNameOf("Quillane.ini.tmp-a1b2c3d", "Quillane.ini"));
    EXPECT_FALSE(isTemporaryNameOf("Quillane.ini.tmp-A1B2C3", "Quillane.ini"));
    EXPECT_FALSE(isTemporaryNameOf("Quillane.ini.tmp-a1b.c3", "Quillane.ini"));
    EXPECT_FALSE(isTemporaryNameOf("Other.ini.tmp-a1b2c3", "Quillane.ini"));
    EXPECT_FALSE(isTemporaryNameOf("Quillane.ini", "Quillane.ini"));
}

// A killed writer's temporary files go at the next start; a writer's that is newer than the
// start, and everything else, stay.
TEST_F(AtomicFileTest, OnlyAbandonedTemporaryFilesOfTheTargetAreRemoved)
{
    const std::string target = pathOf("Quillane.ini");
    writeFileAtomically(target, pattern(10, 1));
    for (const char* name : {"Quillane.ini.tmp-abc123", "Quillane.ini.tmp-abc12",
                             "Quillane.ini.tmp-ABC123", "Other.ini.tmp-abc123", "elsewhere"})
        std::ofstream(pathOf(name)) << "x";
    fs::create_symlink(pathOf("elsewhere"), pathOf("Quillane.ini.tmp-link99"));

    const auto now = std::chrono::system_clock::now();
    EXPECT_EQ(removeAbandonedTemporaryFiles(target, now - std::chrono::hours(1)), 0);
    EXPECT_EQ(names().size(), 7u);
    EXPECT_EQ(removeAbandonedTemporaryFiles(target, now + std::chrono::minutes(1)), 1);
    EXPECT_EQ(names(), (std::vector<std::string>{
                           "Other.ini.tmp-abc123", "Quillane.ini", "Quillane.ini.tmp-ABC123",
                           "Quillane.ini.tmp-abc12", "Quillane.ini.tmp-link99", "elsewhere"}));
    EXPECT_EQ(readFileBytes(target), pattern(10, 1));
}

} // namespace
