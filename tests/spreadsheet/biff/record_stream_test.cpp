#include "spreadsheet/biff/byte_reader.h"
#include "spreadsheet/biff/cell_records.h"
#include "spreadsheet/biff/record_stream.h"
#include "spreadsheet/biff/record_types.h"
#include "spreadsheet/biff/strings.h"

#include "spreadsheet/model/error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace spreadsheet;
using namespace spreadsheet::biff;

TEST(ByteReader, ReadsLittleEndianAndRefusesToReadPastTheEnd)
{
    const std::vector<uint8_t> data{0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFF};
    ByteReader in(data);
    EXPECT_EQ(in.u16(), 0x1234);
    EXPECT_EQ(in.u32(), 0x12345678u);
    EXPECT_EQ(in.remaining(), 1u);
    EXPECT_THROW(in.u16(), Error);
    EXPECT_EQ(in.u8(), 0xFF);
    EXPECT_THROW(in.u8(), Error);
    ByteReader other(data);
    EXPECT_THROW(other.bytes(8), Error);
    EXPECT_THROW(other.skip(size_t(-1)), Error);
}

// A string's characters that run into a CONTINUE record restart with an option byte there, and
// may change from one byte to two a character.
TEST(ByteReader, CharactersFollowTheOptionByteAtEachBoundary)
{
    // "ab" compressed, boundary, option byte 0x01, "ü€" as UTF-16.
    const std::vector<uint8_t> data{'a', 'b', 0x01, 0xFC, 0x00, 0xAC, 0x20};
    const std::vector<size_t> boundaries{2};
    ByteReader in(data, boundaries);
    std::u16string units;
    in.readCharacters(4, false, units);
    EXPECT_EQ(toUtf8(units), "abü€");
    EXPECT_TRUE(in.atEnd());
}

TEST(ByteReader, CharactersPastTheEndThrow)
{
    const std::vector<uint8_t> data{'a', 'b', 'c'};
    ByteReader in(data);
    std::u16string units;
    EXPECT_THROW(in.readCharacters(4, false, units), Error);
    ByteReader wide(data);
    EXPECT_THROW(wide.readCharacters(2, true, units), Error);
}

TEST(RecordStream, LongBodiesAreSplitIntoContinueRecordsAndJoinedAgain)
{
    std::vector<uint8_t> body(kMaxRecordBody * 2 + 100);
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = uint8_t(i);
    std::vector<uint8_t> stream;
    RecordWriter out(stream);
    out.record(kName, body);
    out.empty(kEof);

    RecordReader records(stream);
    Record record;
    ASSERT_TRUE(records.next(record));
    EXPECT_EQ(record.type, kName);
    EXPECT_EQ(record.data.size(), kMaxRecordBody);
    const ContinuedRecord joined = readContinued(records, record);
    EXPECT_EQ(joined.data, body);
    EXPECT_EQ(joined.boundaries, (std::vector<size_t>{kMaxRecordBody, 2 * kMaxRecordBody}));
    ASSERT_TRUE(records.next(record));
    EXPECT_EQ(record.type, kEof);
    EXPECT_FALSE(records.next(record));
}

TEST(RecordStream, HeaderPastTheEndThrows)
{
    const std::vector<uint8_t> stream{0x09, 0x08, 0x10};
    RecordReader records(stream);
    Record record;
    EXPECT_THROW(records.next(record), Error);
}

TEST(RecordStream, BodyPastTheEndEndsTheStreamAfterWhatCameBefore)
{
    // EOF, then a record of 16 bytes that holds 1.
    const std::vector<uint8_t> stream{0x0A, 0x00, 0x00, 0x00, 0x09, 0x08, 0x10, 0x00, 0x00};
    RecordReader records(stream);
    Record record;
    ASSERT_TRUE(records.next(record));
    EXPECT_EQ(record.type, kEof);
    EXPECT_FALSE(records.cutShort());
    EXPECT_FALSE(records.next(record));
    EXPECT_TRUE(records.cutShort());
    EXPECT_EQ(records.cutMessage(), "record 2057 at offset 4 runs past the end of the stream");
    EXPECT_FALSE(records.next(record));
}

TEST(RecordStream, SplitWriterRepeatsTheOptionByteAndKeepsCharactersWhole)
{
    std::vector<uint8_t> stream;
    RecordWriter out(stream);
    SplitRecordWriter split(out, kSst);
    split.bytes().zeros(kMaxRecordBody - 3); // three bytes left: one UTF-16 character fits
    const std::u16string units = u"\u00FC\u20AC\u00E9";
    split.characters(units, false);
    split.finish();

    RecordReader records(stream);
    Record record;
    ASSERT_TRUE(records.next(record));
    EXPECT_EQ(record.data.size(), kMaxRecordBody - 1); // the odd byte is left unused
    ASSERT_TRUE(records.next(record));
    EXPECT_EQ(record.type, kContinue);
    ASSERT_EQ(record.data.size(), 5u);
    EXPECT_EQ(record.data[0], 0x01);
}

TEST(Rk, NumbersWithAnExactRkFormRoundTrip)
{
    const double values[] = {
        0,      1,     -1,      536870911, -536870912, 0.5,
        1.25,   12.34, -0.01,   1e100,     3.5e-5,     123456.78,
        1e-300, 0.1,   2.0 / 3, -0.0,      1e308,      std::numeric_limits<double>::denorm_min()};
    for (double value : values) {
        if (const auto rk = encodeRk(value)) {
            EXPECT_EQ(decodeRk(*rk), value) << value;
            EXPECT_EQ(std::signbit(decodeRk(*rk)), std::signbit(value)) << value;
        }
    }
    EXPECT_TRUE(encodeRk(1).has_value());
    EXPECT_TRUE(encodeRk(12.34).has_value());
    EXPECT_FALSE(encodeRk(2.0 / 3).has_value());
    EXPECT_FALSE(encodeRk(536870912.0 * 4 + 0.5).has_value());
}

TEST(Strings, Utf8AndUtf16ConvertBothWays)
{
    const std::string texts[] = {"", "plain", "Grüße €", "𝄞 clef", "日本語"};
    for (const std::string& text : texts) {
        std::u16string units;
        toUtf16(text, units);
        EXPECT_EQ(toUtf8(units), text);
        EXPECT_EQ(utf16Length(text), units.size());
    }
    std::u16string units;
    toUtf16("\xFF\xC3", units);
    EXPECT_EQ(units, u"\uFFFD\uFFFD");
}
