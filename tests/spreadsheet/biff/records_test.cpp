// Record bodies checked byte for byte against the layouts of the format, so that a bit in the
// wrong place cannot hide behind a reader that makes the same mistake.

#include "spreadsheet/biff/byte_reader.h"
#include "spreadsheet/biff/globals_records.h"
#include "spreadsheet/biff/record_stream.h"
#include "spreadsheet/biff/sheet_records.h"

#include <gtest/gtest.h>

#include <functional>

using namespace spreadsheet;
using namespace spreadsheet::biff;

namespace {

struct LayoutCase
{
    const char* name;
    std::function<void(RecordWriter&)> write;
    std::vector<uint8_t> body;
};

std::vector<uint8_t> bodyOf(const std::function<void(RecordWriter&)>& write)
{
    std::vector<uint8_t> stream;
    RecordWriter out(stream);
    write(out);
    return {stream.begin() + 4, stream.end()};
}

Xf sampleXf()
{
    Xf xf;
    xf.font = 4; // file font 5
    xf.format = 164;
    xf.hidden = true;
    xf.horizontal = HorizontalAlignment::Right;
    xf.wrap = true;
    xf.vertical = VerticalAlignment::Center;
    xf.rotation = 90;
    xf.indent = 2;
    xf.shrinkToFit = true;
    xf.usedAttributes = 0x3F;
    xf.left = {1, 8};
    xf.right = {2, 9};
    xf.top = {3, 10};
    xf.bottom = {5, 12};
    xf.diagonal = {1, 13};
    xf.diagonalKind = 3;
    xf.fillPattern = 1;
    xf.patternColorIndex = 22;
    xf.backgroundColorIndex = 64;
    return xf;
}

Font sampleFont()
{
    Font font;
    font.heightTwips = 240;
    font.weight = 700;
    font.italic = true;
    font.underline = 1;
    font.colorIndex = 10;
    font.escapement = 1;
    font.family = 2;
    return font;
}

Row sampleRow()
{
    Row row;
    row.cells.resize(3);
    row.cells[0].column = 2;
    row.cells[1].column = 3;
    row.cells[2].column = 4;
    row.hasRecord = true;
    row.heightTwips = 300;
    row.customHeight = true;
    row.hidden = true;
    row.xf = 20;
    row.outlineLevel = 2;
    return row;
}

} // namespace

TEST(RecordLayouts, BodiesMatchTheFormat)
{
    const LayoutCase cases[] = {
        {"XF",
         [](RecordWriter& out) { writeXf(out, sampleXf()); },
         {0x05, 0x00, 0xA4, 0x00, 0x03, 0x00, 0x1B, 0x5A, 0x12, 0xFC,
          0x21, 0x53, 0x88, 0xC4, 0x0A, 0x46, 0x23, 0x04, 0x16, 0x20}},
        {"FONT",
         [](RecordWriter& out) { writeFont(out, sampleFont()); },
         {0xF0, 0x00, 0x03, 0x00, 0x0A, 0x00, 0xBC, 0x02, 0x01, 0x00, 0x01,
          0x02, 0x00, 0x00, 0x05, 0x00, 'A',  'r',  'i',  'a',  'l'}},
        {"ROW",
         [](RecordWriter& out) { writeRow(out, 7, sampleRow(), 255); },
         {0x07, 0x00, 0x02, 0x00, 0x05, 0x00, 0x2C, 0x01, 0x00, 0x00, 0x00, 0x00, 0x62, 0x01, 0x14,
          0x00}},
        {"COLINFO",
         [](RecordWriter& out) {
             writeColInfo(out, ColumnInfo{1, 3, 3000, 20, true, true, 1, false});
         },
         {0x01, 0x00, 0x03, 0x00, 0xB8, 0x0B, 0x14, 0x00, 0x03, 0x01, 0x00, 0x00}},
        {"STYLE built-in",
         [](RecordWriter& out) {
             writeStyle(out, CellStyle{16, true, 3, 0xFF, ""});
         },
         {0x10, 0x80, 0x03, 0xFF}},
        {"STYLE user",
         [](RecordWriter& out) {
             writeStyle(out, CellStyle{21, false, 0, 0, "H"});
         },
         {0x15, 0x00, 0x01, 0x00, 0x00, 'H'}},
        {"NAME Print_Titles",
         [](RecordWriter& out) {
             DefinedName name;
             name.builtIn = true;
             name.builtInCode = DefinedName::PrintTitles;
             name.sheet = 1;
             name.tokens = {0x3B, 0, 0, 8, 0, 8, 0, 0, 0, 0xFF, 0};
             writeName(out, name);
         },
         {0x20, 0x00, 0x00, 0x01, 0x0B, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
          0x00, 0x07, 0x3B, 0,    0,    8,    0,    8,    0,    0,    0,    0xFF, 0}},
    };
    for (const LayoutCase& c : cases)
        EXPECT_EQ(bodyOf(c.write), c.body) << c.name;
}

TEST(RecordLayouts, ReadingGivesBackWhatWasWritten)
{
    const auto xfBody = bodyOf([](RecordWriter& out) { writeXf(out, sampleXf()); });
    ByteReader xf(xfBody);
    EXPECT_EQ(readXf(xf), sampleXf());
    const auto fontBody = bodyOf([](RecordWriter& out) { writeFont(out, sampleFont()); });
    ByteReader font(fontBody);
    EXPECT_EQ(readFont(font), sampleFont());
    const auto rowBody = bodyOf([](RecordWriter& out) { writeRow(out, 7, sampleRow(), 255); });
    ByteReader row(rowBody);
    EXPECT_EQ(readRowNumber(row), 7);
    Row properties;
    readRowProperties(row, properties);
    properties.cells = sampleRow().cells;
    EXPECT_EQ(properties, sampleRow());
}

// The format has no font 4: file index 5 is the fifth font, and a stray 4 means the first.
TEST(RecordLayouts, FontIndexesSkipFour)
{
    const std::pair<uint16_t, uint16_t> modelToFile[] = {{0, 0}, {3, 3}, {4, 5}, {9, 10}};
    for (const auto& [model, file] : modelToFile) {
        EXPECT_EQ(fontIndexToFile(model), file);
        EXPECT_EQ(fontIndexFromFile(file), model);
    }
    EXPECT_EQ(fontIndexFromFile(4), 0);
}
