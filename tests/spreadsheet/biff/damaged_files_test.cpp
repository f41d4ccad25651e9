#include "tests/spreadsheet/biff/rich_workbook.h"

#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/biff/workbook_writer.h"
#include "spreadsheet/compound/compound_file.h"
#include "spreadsheet/files/atomic_file.h"

#include "spreadsheet/model/error.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using namespace spreadsheet;

namespace {

// Reads `stream`; a damaged stream may still read, but must never do worse than throw Error.
bool readsOrThrowsError(const std::vector<uint8_t>& stream)
{
    try {
        biff::readWorkbookStream(stream);
        return true;
    } catch (const Error&) {
        return true;
    }
}

std::string readError(const std::vector<uint8_t>& file, const std::string& name)
{
    try {
        readWorkbookBytes(file, name);
    } catch (const Error& error) {
        return error.what();
    }
    return "";
}

const std::vector<uint8_t>& richStream()
{
    static const std::vector<uint8_t> stream =
        biff::writeWorkbookStream(samples::richWorkbook(), {});
    return stream;
}

std::vector<uint8_t> withStream(const std::vector<uint8_t>& stream)
{
    return compound::writeCompoundFile({{"Workbook", stream}});
}

} // namespace

TEST(DamagedFiles, TruncatedStreamGivesAnErrorNamingTheFile)
{
    const auto& stream = richStream();
    for (size_t size = 0; size < stream.size(); size += 997) {
        const std::vector<uint8_t> cut(stream.begin(), stream.begin() + std::ptrdiff_t(size));
        const std::string message = readError(withStream(cut), "cut.xls");
        EXPECT_EQ(message.rfind("cut.xls: ", 0), 0u) << size << ": " << message;
    }
}

TEST(DamagedFiles, WrongStartGivesAClearError)
{
    auto stream = richStream();
    struct Case
    {
        const char* name;
        size_t offset;
        uint8_t value;
        const char* message;
    };
    const Case cases[] = {
        {"no BOF", 0, 0x00, "cut.xls: not an Excel workbook (the Workbook stream does not start"},
        {"BIFF5 version", 5, 0x05, "cut.xls: not an Excel 97-2003 workbook (BIFF version 1280)"},
        {"sheet BOF first", 6, 0x10, "cut.xls: not an Excel workbook (the Workbook stream has no"},
    };
    for (const Case& c : cases) {
        auto damaged = stream;
        damaged[c.offset] = c.value;
        EXPECT_EQ(readError(withStream(damaged), "cut.xls").rfind(c.message, 0), 0u) << c.name;
    }
    EXPECT_EQ(readError(compound::writeCompoundFile({{"Book", stream}}), "old.xls"),
              "old.xls: an Excel 5.0/95 workbook, which this program cannot open");
    EXPECT_EQ(readError(compound::writeCompoundFile({{"Other", stream}}), "x.doc"),
              "x.doc: not an Excel workbook (the file has no Workbook stream)");
    EXPECT_EQ(readError({'P', 'K', 3, 4, 0, 0, 0, 0}, "book.xlsx").rfind("book.xlsx: ", 0), 0u);
}

TEST(DamagedFiles, EncryptedWorkbookIsRefused)
{
    auto stream = richStream();
    // FILEPASS (RC4, its 52-byte body left zero) right after the globals BOF.
    std::vector<uint8_t> filePass{0x2F, 0x00, 0x36, 0x00, 0x01, 0x00, 0x01, 0x00};
    filePass.resize(4 + 0x36);
    stream.insert(stream.begin() + 20, filePass.begin(), filePass.end());
    EXPECT_EQ(readError(withStream(stream), "secret.xls"),
              "secret.xls: the workbook is protected with a password, which this program cannot "
              "open");
}

TEST(DamagedFiles, RecordLengthsPastTheEndGiveAnError)
{
    auto stream = richStream();
    // The second record's length: the globals BOF is 4 + 16 bytes.
    stream[20 + 2] = 0xFF;
    stream[20 + 3] = 0xFF;
    EXPECT_NE(readError(withStream(stream), "len.xls").find("runs past the end"),
              std::string::npos);
}

// Random byte changes anywhere in the stream: every outcome but a crash is acceptable, which
// the sanitizer build checks.
TEST(DamagedFiles, RandomDamageNeverCrashes)
{
    std::mt19937 random(12345);
    const auto& stream = richStream();
    for (int round = 0; round < 300; ++round) {
        auto damaged = stream;
        const int changes = 1 + int(random() % 8);
        for (int i = 0; i < changes; ++i)
            damaged[random() % damaged.size()] = uint8_t(random());
        EXPECT_TRUE(readsOrThrowsError(damaged));
    }
}

TEST(DamagedFiles, FuzzerFindingsStayFixed)
{
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(STOWFOLIO_REGRESSIONS_DIR)) {
        if (!entry.is_regular_file() || entry.path().extension() == ".md")
            continue;
        ++files;
        SCOPED_TRACE(entry.path().filename().string());
        const auto bytes = files::readFileBytes(entry.path().string());
        EXPECT_TRUE(readsOrThrowsError(bytes));
        const std::string message = readError(bytes, "found.xls");
        EXPECT_TRUE(message.empty() || message.rfind("found.xls: ", 0) == 0) << message;
    }
    EXPECT_GT(files, 0) << "the regression files are missing";
}
