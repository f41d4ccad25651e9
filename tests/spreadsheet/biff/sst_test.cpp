#include "spreadsheet/biff/record_stream.h"
#include "spreadsheet/biff/record_types.h"
#include "spreadsheet/biff/sst_records.h"

#include <gtest/gtest.h>

using namespace spreadsheet;
using namespace spreadsheet::biff;

namespace {

struct PhysicalRecord
{
    uint16_t type;
    std::vector<uint8_t> data;
};

std::vector<PhysicalRecord> physicalRecords(const std::vector<uint8_t>& stream)
{
    std::vector<PhysicalRecord> result;
    RecordReader records(stream);
    Record record;
    while (records.next(record))
        result.push_back({record.type, {record.data.begin(), record.data.end()}});
    return result;
}

StringTable readBack(const std::vector<uint8_t>& stream)
{
    RecordReader records(stream);
    Record record;
    records.next(record);
    StringTable strings;
    readSst(readContinued(records, record), 100, strings);
    return strings;
}

// A table whose first string fills the SST record up to `fillerLength` characters, followed by
// a long second string.
StringTable tableWithBoundaryAt(size_t fillerLength, const std::string& second)
{
    StringTable strings;
    strings.intern(std::string(fillerLength, 'f'));
    strings.intern(second);
    strings.intern("after");
    return strings;
}

std::string repeated(const std::string& piece, size_t times)
{
    std::string text;
    for (size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

} // namespace

// The SST body starts with 8 bytes of counts; a string has a 3-byte header. With a filler of
// 8,209 characters the second string's header ends at byte 8,222 and its first character takes
// the last byte (compressed) or cannot fit (UTF-16).
struct BoundaryCase
{
    const char* name;
    size_t fillerLength;
    std::string second;
    size_t firstRecordSize;
    uint8_t continueStartsWith;
};

TEST(SharedStringTable, StringsStraddlingTheRecordBoundary)
{
    const std::string latin = repeated("abcdefghij", 100);
    const std::string wide = repeated("\xC3\xBC\xE2\x82\xAC", 300); // ü€
    const BoundaryCase cases[] = {
        // One compressed character before the boundary, the option byte 0x00 after it.
        {"compressed split", 8209, latin, kMaxRecordBody, 0x00},
        // One UTF-16 character before the boundary, the option byte 0x01 after it.
        {"UTF-16 split", 8208, wide, kMaxRecordBody, 0x01},
        // A UTF-16 character never splits: the odd last byte stays unused.
        {"UTF-16 odd byte", 8207, wide, kMaxRecordBody - 1, 0x01},
        // The header and first character do not fit: the string starts the CONTINUE record
        // (its first byte is the low byte of its length).
        {"header moves", 8210, latin, 8221, uint8_t(latin.size() & 0xFF)},
    };
    for (const BoundaryCase& c : cases) {
        SCOPED_TRACE(c.name);
        const StringTable strings = tableWithBoundaryAt(c.fillerLength, c.second);
        std::vector<uint8_t> stream;
        RecordWriter out(stream);
        writeSst(out, strings, 3);
        const auto records = physicalRecords(stream);
        ASSERT_GE(records.size(), 3u);
        EXPECT_EQ(records[0].type, kSst);
        EXPECT_EQ(records[0].data.size(), c.firstRecordSize);
        EXPECT_EQ(records[1].type, kContinue);
        EXPECT_EQ(records[1].data.at(0), c.continueStartsWith);
        EXPECT_EQ(records.back().type, kExtSst);
        EXPECT_EQ(readBack(stream), strings);
    }
}

TEST(SharedStringTable, LargeTablesWithRichTextRoundTrip)
{
    StringTable strings;
    for (int i = 0; i < 5000; ++i)
        strings.intern("string " + std::to_string(i) + (i % 3 == 0 ? " \xE2\x82\xAC" : ""));
    strings.add(SharedString{"rich text here", {{0, 1}, {5, 4}}});
    strings.intern(std::string(32767, 'x'));
    std::vector<uint8_t> stream;
    RecordWriter out(stream);
    writeSst(out, strings, 12345);
    for (const auto& record : physicalRecords(stream))
        EXPECT_LE(record.data.size(), kMaxRecordBody);
    EXPECT_EQ(readBack(stream), strings);
}

// EXTSST points at the first string of each bucket: the stream position and the position
// within its record, counted from the record header.
TEST(SharedStringTable, ExtSstPointsAtBucketStarts)
{
    StringTable strings;
    for (int i = 0; i < 3000; ++i)
        strings.intern("s" + std::to_string(i));
    std::vector<uint8_t> stream;
    RecordWriter out(stream);
    writeSst(out, strings, 3000);
    const auto records = physicalRecords(stream);
    const PhysicalRecord& ext = records.back();
    ASSERT_EQ(ext.type, kExtSst);
    ByteReader in(ext.data);
    const uint16_t perBucket = in.u16();
    EXPECT_EQ(perBucket, 3000 / 128 + 1);
    size_t bucket = 0;
    while (!in.atEnd()) {
        const uint32_t position = in.u32();
        const uint16_t inRecord = in.u16();
        in.skip(2);
        // The string there has the bucket's first text: its length, option byte, characters.
        const std::string expected = "s" + std::to_string(bucket * perBucket);
        ASSERT_LT(position + 3 + expected.size(), stream.size());
        EXPECT_EQ(stream[position], expected.size());
        EXPECT_EQ(std::string(stream.begin() + position + 3,
                              stream.begin() + position + 3 + std::ptrdiff_t(expected.size())),
                  expected);
        EXPECT_GE(position, inRecord);
        ++bucket;
    }
    EXPECT_EQ(bucket, (3000 + perBucket - 1) / perBucket);
}
