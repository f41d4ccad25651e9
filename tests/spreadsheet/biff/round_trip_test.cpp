#include "tests/spreadsheet/biff/rich_workbook.h"

#include "spreadsheet/biff/byte_reader.h"
#include "spreadsheet/biff/record_stream.h"
#include "spreadsheet/biff/record_types.h"
#include "spreadsheet/biff/workbook_reader.h"
#include "spreadsheet/biff/workbook_writer.h"

#include <gtest/gtest.h>

#include <map>

using namespace spreadsheet;
using namespace spreadsheet::biff;

namespace {

struct StreamRecord
{
    uint16_t type;
    size_t offset;
    std::vector<uint8_t> data;
};

std::vector<StreamRecord> allRecords(const std::vector<uint8_t>& stream)
{
    std::vector<StreamRecord> result;
    RecordReader records(stream);
    Record record;
    while (records.next(record))
        result.push_back({record.type, record.offset, {record.data.begin(), record.data.end()}});
    return result;
}

const StreamRecord* recordAt(const std::vector<StreamRecord>& records, size_t offset)
{
    for (const StreamRecord& record : records)
        if (record.offset == offset)
            return &record;
    return nullptr;
}

Workbook workbookWithRows(uint32_t rows)
{
    Workbook workbook = makeDefaultWorkbook("Rows");
    for (uint32_t r = 0; r < rows; ++r) {
        Row& row = workbook.sheets[0].ensureRow(r * 3);
        for (uint16_t c = 0; c < 3; ++c) {
            Cell cell;
            cell.column = c;
            cell.kind = CellKind::Number;
            cell.number = r + c;
            row.cells.push_back(cell);
        }
    }
    return workbook;
}

} // namespace

TEST(RoundTrip, RichWorkbookReadsBackEqual)
{
    const Workbook original = samples::richWorkbook();
    const Workbook back = readWorkbookBytes(writeWorkbookBytes(original), "rich.xls");
    EXPECT_EQ(back.fonts, original.fonts);
    EXPECT_EQ(back.xfs, original.xfs);
    EXPECT_EQ(back.strings, original.strings);
    EXPECT_EQ(back.names, original.names);
    ASSERT_EQ(back.sheets.size(), 2u);
    EXPECT_EQ(back.sheets[0].rows, original.sheets[0].rows);
    EXPECT_EQ(back.sheets[0].formulas, original.sheets[0].formulas);
    EXPECT_EQ(back.sheets[0].pageSetup, original.sheets[0].pageSetup);
    EXPECT_EQ(back.sheets[0].window, original.sheets[0].window);
    EXPECT_EQ(back.sheets[0], original.sheets[0]);
    EXPECT_EQ(back.sheets[1], original.sheets[1]);
    EXPECT_EQ(back, original);
    EXPECT_FALSE(back.isTemplate);
}

TEST(RoundTrip, SecondSaveIsByteIdentical)
{
    const std::vector<uint8_t> first = writeWorkbookStream(samples::richWorkbook(), {});
    const std::vector<uint8_t> second = writeWorkbookStream(readWorkbookStream(first), {});
    EXPECT_EQ(first, second);
}

// A conditional format whose rows were all deleted is left out of the file; the next one must
// not keep the number it had behind it, or a second save differs from the first.
TEST(RoundTrip, ConditionalFormatsAreNumberedAsWritten)
{
    Workbook workbook = samples::richWorkbook();
    std::vector<ConditionalFormat>& formats = workbook.sheets[0].conditionalFormats;
    ASSERT_FALSE(formats.empty());
    ConditionalFormat emptied = formats.front();
    emptied.ranges.clear();
    formats.insert(formats.begin(), emptied);
    const std::vector<uint8_t> first = writeWorkbookStream(workbook, {});
    const std::vector<uint8_t> second = writeWorkbookStream(readWorkbookStream(first), {});
    EXPECT_EQ(first, second);
}

TEST(RoundTrip, BuiltInNameCodesKeepEveryByteValue)
{
    // A code above 0x7F comes back as the same byte: it is no character to convert as text.
    Workbook workbook = makeDefaultWorkbook("Sheet1");
    for (uint8_t code : {uint8_t(0x06), uint8_t(0x7F), uint8_t(0xC2), uint8_t(0xFF)}) {
        DefinedName name;
        name.builtIn = true;
        name.builtInCode = code;
        name.options = 0x0020;
        name.sheet = 1;
        name.tokens = {0x1E, 0x05, 0x00}; // the whole number 5
        workbook.names.push_back(name);
    }
    const Workbook back = readWorkbookStream(writeWorkbookStream(workbook, {}));
    EXPECT_EQ(back.names, workbook.names);
}

TEST(RoundTrip, TemplateRecordOnlyWhenAsked)
{
    Workbook workbook = makeDefaultWorkbook("Sheet1");
    EXPECT_TRUE(readWorkbookBytes(writeWorkbookBytes(workbook, {true}), "t.xlt").isTemplate);
    workbook.isTemplate = true; // read from a template, saved as a workbook
    EXPECT_FALSE(readWorkbookBytes(writeWorkbookBytes(workbook), "t.xls").isTemplate);
}

TEST(WrittenStream, SheetOffsetsPointAtTheirBofRecords)
{
    const auto stream = writeWorkbookStream(samples::richWorkbook(), {});
    const auto records = allRecords(stream);
    int sheets = 0;
    for (const StreamRecord& record : records) {
        if (record.type != kBoundSheet)
            continue;
        ByteReader in(record.data);
        const StreamRecord* bof = recordAt(records, in.u32());
        ASSERT_NE(bof, nullptr);
        ASSERT_EQ(bof->type, kBof);
        EXPECT_EQ(bof->data[2], 0x10); // worksheet substream
        ++sheets;
    }
    EXPECT_EQ(sheets, 2);
}

// INDEX lists one DBCELL a 32-row block; each DBCELL points back at its first ROW record and
// on to the first cell of each row.
TEST(WrittenStream, IndexAndDbCellPointAtRowsAndCells)
{
    const auto stream = writeWorkbookStream(workbookWithRows(40), {}); // rows 0..117
    const auto records = allRecords(stream);
    auto index = std::find_if(records.begin(), records.end(),
                              [](const StreamRecord& r) { return r.type == kIndex; });
    ASSERT_NE(index, records.end());
    ByteReader in(index->data);
    in.skip(4);
    EXPECT_EQ(in.u32(), 0u);
    EXPECT_EQ(in.u32(), 118u);
    const StreamRecord* defColWidth = recordAt(records, in.u32());
    ASSERT_NE(defColWidth, nullptr);
    EXPECT_EQ(defColWidth->type, kDefColWidth);
    int blocks = 0;
    while (!in.atEnd()) {
        const StreamRecord* dbCell = recordAt(records, in.u32());
        ASSERT_NE(dbCell, nullptr);
        ASSERT_EQ(dbCell->type, kDbCell);
        ByteReader cells(dbCell->data);
        const size_t firstRowOffset = dbCell->offset - cells.u32();
        const StreamRecord* firstRow = recordAt(records, firstRowOffset);
        ASSERT_NE(firstRow, nullptr);
        EXPECT_EQ(firstRow->type, kRow);
        size_t cell = firstRowOffset + 20;
        uint16_t expectedRow = firstRow->data[0] | (firstRow->data[1] << 8);
        while (!cells.atEnd()) {
            cell += cells.u16();
            const StreamRecord* first = recordAt(records, cell);
            ASSERT_NE(first, nullptr);
            EXPECT_EQ(first->data[0] | (first->data[1] << 8), expectedRow);
            EXPECT_EQ(first->data[2], 0); // first column
            expectedRow += 3;
        }
        ++blocks;
    }
    EXPECT_EQ(blocks, 4);
}

TEST(WrittenStream, MergedCellsSplitAt1027Ranges)
{
    Workbook workbook = makeDefaultWorkbook("Merged");
    for (uint32_t i = 0; i < 2100; ++i)
        workbook.sheets[0].merged.push_back(CellRange{i, i, 0, 1});
    const auto stream = writeWorkbookStream(workbook, {});
    std::vector<uint16_t> counts;
    for (const StreamRecord& record : allRecords(stream))
        if (record.type == kMergedCells)
            counts.push_back(record.data[0] | (record.data[1] << 8));
    EXPECT_EQ(counts, (std::vector<uint16_t>{1027, 1027, 46}));
    EXPECT_EQ(readWorkbookStream(stream).sheets[0].merged, workbook.sheets[0].merged);
}

// The fifth FONT record is font 5: the format has no font 4.
TEST(WrittenStream, FontIndexFourIsSkipped)
{
    const Workbook workbook = samples::richWorkbook();
    const auto records = allRecords(writeWorkbookStream(workbook, {}));
    size_t fonts = 0;
    std::map<uint16_t, int> xfFonts;
    for (const StreamRecord& record : records) {
        if (record.type == kFont)
            ++fonts;
        if (record.type == kXf)
            ++xfFonts[uint16_t(record.data[0] | (record.data[1] << 8))];
    }
    EXPECT_EQ(fonts, workbook.fonts.size());
    EXPECT_EQ(xfFonts.count(4), 0u);
    EXPECT_EQ(xfFonts[5], 1);
}

// A row whose ROW record says nothing more than "this row has cells" is not kept as row
// properties, so saving a file twice gives the same model.
TEST(RoundTrip, PlainRowRecordsOfRowsWithCellsAreNotKept)
{
    const Workbook written = workbookWithRows(3);
    const Workbook back = readWorkbookBytes(writeWorkbookBytes(written), "rows.xls");
    EXPECT_FALSE(back.sheets[0].rows[0].hasRecord);
    EXPECT_EQ(back, written);
}

// A CONTINUE record goes with the record before it: kept behind a kept record, dropped behind
// one the writer regenerates.
TEST(RoundTrip, ContinueRecordsFollowTheirRecord)
{
    Workbook workbook = makeDefaultWorkbook("Sheet1");
    workbook.sheets[0].preserved = {
        RawRecord{0x0FFF, RawRecord::Place::SheetAfterCells, {1, 2}},
        RawRecord{kContinue, RawRecord::Place::SheetAfterCells, {3, 4}}};
    auto stream = writeWorkbookStream(workbook, {});
    EXPECT_EQ(readWorkbookStream(stream).sheets[0].preserved, workbook.sheets[0].preserved);

    const auto records = allRecords(stream);
    auto index = std::find_if(records.begin(), records.end(),
                              [](const StreamRecord& r) { return r.type == kIndex; });
    ASSERT_NE(index, records.end());
    const std::vector<uint8_t> orphan{0x3C, 0x00, 0x01, 0x00, 0xAA};
    stream.insert(stream.begin() + std::ptrdiff_t(index->offset + 4 + index->data.size()),
                  orphan.begin(), orphan.end());
    EXPECT_EQ(readWorkbookStream(stream).sheets[0].preserved, workbook.sheets[0].preserved);
}

// A chart sheet is kept as its records and written back unchanged, with its sheet type.
TEST(RoundTrip, ChartSheetIsKeptWhole)
{
    Workbook workbook = makeDefaultWorkbook("Data");
    Worksheet chart;
    chart.name = "Chart1";
    chart.sheetType = 2;
    const std::vector<uint8_t> chartBof{0x00, 0x06, 0x20, 0x00, 0xBB, 0x0D, 0xCC, 0x07,
                                        0,    0,    0,    0,    6,    0,    0,    0};
    chart.substream = {RawRecord{kBof, RawRecord::Place::SheetEnd, chartBof},
                       RawRecord{0x1002, RawRecord::Place::SheetEnd, {1, 2, 3, 4}},
                       RawRecord{kEof, RawRecord::Place::SheetEnd, {}}};
    workbook.sheets.push_back(chart);
    const auto stream = writeWorkbookStream(workbook, {});
    const Workbook back = readWorkbookStream(stream);
    EXPECT_EQ(back, workbook);
    int chartSheets = 0;
    for (const StreamRecord& record : allRecords(stream))
        if (record.type == kBoundSheet && record.data[5] == 2)
            ++chartSheets;
    EXPECT_EQ(chartSheets, 1);
}

// Excel wants the Workbook stream out of the compound file's mini stream: a small workbook is
// padded to 4,096 bytes with empty records.
TEST(WrittenStream, SmallWorkbookIsPaddedToRegularSectors)
{
    const auto stream = writeWorkbookStream(makeDefaultWorkbook("Tiny"), {});
    EXPECT_GE(stream.size(), 4096u);
    EXPECT_LT(stream.size(), 4100u);
    const auto records = allRecords(stream);
    EXPECT_EQ(records.back().type, 0);
    EXPECT_TRUE(records.back().data.empty());
}

// Some writers leave the sheet offsets zero: the sheets are then taken in stream order.
TEST(RoundTrip, SheetsAreFoundWhenTheirOffsetsAreWrong)
{
    const Workbook workbook = samples::richWorkbook();
    auto stream = writeWorkbookStream(workbook, {});
    for (const StreamRecord& record : allRecords(stream))
        if (record.type == kBoundSheet)
            std::fill_n(stream.begin() + std::ptrdiff_t(record.offset + 4), 4, 0);
    EXPECT_EQ(readWorkbookStream(stream), workbook);
}
