#include "spreadsheet/compound/compound_file.h"

#include "spreadsheet/model/error.h"

#include <glib-object.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

using namespace spreadsheet;
using namespace spreadsheet::compound;

namespace {

std::vector<uint8_t> pattern(size_t size, uint8_t seed)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t(i * 31 + seed);
    return bytes;
}

std::string errorOf(const auto& action)
{
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "";
}

} // namespace

// Streams under 4,096 bytes live in the mini stream, larger ones in regular sectors; both
// must come back byte for byte.
TEST(CompoundFile, StreamsOfEverySizeComeBackUnchanged)
{
    for (size_t size :
         {size_t(0), size_t(1), size_t(100), size_t(4095), size_t(4096), size_t(70000)}) {
        std::vector<Stream> streams{{"Workbook", pattern(size, 1)}, {"Other", pattern(50, 2)}};
        const std::vector<uint8_t> file = writeCompoundFile(streams);
        const auto workbook = readStream(file, "Workbook", "test.xls");
        ASSERT_TRUE(workbook.has_value()) << size;
        EXPECT_EQ(*workbook, pattern(size, 1)) << size;
        EXPECT_EQ(readStream(file, "Other", "test.xls"), pattern(50, 2)) << size;
    }
}

TEST(CompoundFile, StreamNamesCompareWithoutCase)
{
    const auto file = writeCompoundFile({{"WORKBOOK", pattern(10, 3)}});
    EXPECT_EQ(readStream(file, "Workbook", "x"), pattern(10, 3));
    EXPECT_FALSE(readStream(file, "Book", "x").has_value());
}

TEST(CompoundFile, SummaryStreamsAreWritten)
{
    std::vector<Stream> streams{{"Workbook", pattern(10, 3)}};
    for (Stream& stream : emptySummaryStreams())
        streams.push_back(std::move(stream));
    const auto file = writeCompoundFile(streams);
    const auto summary = readStream(file, "\005SummaryInformation", "x");
    ASSERT_TRUE(summary.has_value());
    // A property set stream starts with the byte order mark 0xFFFE.
    ASSERT_GE(summary->size(), 28u);
    EXPECT_EQ((*summary)[0], 0xFE);
    EXPECT_EQ((*summary)[1], 0xFF);
    EXPECT_TRUE(readStream(file, "\005DocumentSummaryInformation", "x").has_value());
}

TEST(CompoundFile, BytesThatAreNoCompoundFileGiveAnErrorNamingTheFile)
{
    const std::vector<std::vector<uint8_t>> inputs{
        {}, pattern(10, 0), pattern(5000, 7), {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}};
    for (const auto& bytes : inputs) {
        const std::string message = errorOf([&] { readStream(bytes, "Workbook", "bad.xls"); });
        EXPECT_EQ(message.rfind("bad.xls: ", 0), 0u) << message;
    }
}

TEST(CompoundFile, TruncatedFileGivesAnError)
{
    const auto file = writeCompoundFile({{"Workbook", pattern(20000, 4)}});
    for (size_t size : {size_t(512), size_t(1024), file.size() / 2, file.size() - 512}) {
        const std::vector<uint8_t> cut(file.begin(), file.begin() + std::ptrdiff_t(size));
        try {
            const auto stream = readStream(cut, "Workbook", "cut.xls");
            // libgsf may still find a shorter chain; it must never hand back wrong bytes.
            if (stream) {
                EXPECT_NE(*stream, pattern(20000, 4)) << size;
            }
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()).rfind("cut.xls: ", 0), 0u);
        }
    }
}

// The directory entry's size field is believed only as far as the file reaches: the stream is
// either missing or an error, never a huge allocation.
TEST(CompoundFile, StreamSizeBeyondTheFileGivesAnError)
{
    auto file = writeCompoundFile({{"Workbook", pattern(5000, 5)}});
    const std::u16string name = u"Workbook";
    const auto* raw = reinterpret_cast<const uint8_t*>(name.data());
    auto entry = std::search(file.begin(), file.end(), raw, raw + name.size() * 2);
    ASSERT_NE(entry, file.end());
    const size_t sizeField = size_t(entry - file.begin()) + 0x78;
    for (size_t i = 0; i < 4; ++i)
        file[sizeField + i] = i < 3 ? 0xF0 : 0x7F;
    try {
        EXPECT_FALSE(readStream(file, "Workbook", "big.xls").has_value());
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()).rfind("big.xls: ", 0), 0u) << error.what();
    }
}

// Excel marks its workbooks by the root storage's class id.
TEST(CompoundFile, RootClassIdIsWrittenWhenGiven)
{
    const auto contains = [](const std::vector<uint8_t>& file) {
        return std::search(file.begin(), file.end(), kExcelWorkbookClassId.begin(),
                           kExcelWorkbookClassId.end()) != file.end();
    };
    EXPECT_TRUE(contains(writeCompoundFile({{"Workbook", pattern(10, 1)}}, kExcelWorkbookClassId)));
    EXPECT_FALSE(contains(writeCompoundFile({{"Workbook", pattern(10, 1)}})));
}

// libgsf and GObject report what they dislike in a damaged file on standard error; our own
// error says it, naming the file, so their lines never reach a script's error output.
TEST(CompoundFile, TheLibrarysWarningsStayOffStandardError)
{
    // Any use of this layer starts the container library.
    EXPECT_FALSE(errorOf([] { readStream(pattern(600, 3), "Workbook", "junk.xls"); }).empty());
    testing::internal::CaptureStderr();
    g_log("libgsf", G_LOG_LEVEL_CRITICAL, "%s", "gsf_infile_child_by_name: assertion failed");
    g_log("libgsf", G_LOG_LEVEL_WARNING, "%s", "Failed to read MetaBAT");
    g_object_unref(nullptr); // GLib-GObject-CRITICAL: assertion 'G_IS_OBJECT (object)' failed
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
