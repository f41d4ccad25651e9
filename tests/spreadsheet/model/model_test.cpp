#include "spreadsheet/model/cell_range.h"
#include "spreadsheet/model/number_text.h"
#include "spreadsheet/model/twips.h"
#include "spreadsheet/model/used_range.h"
#include "spreadsheet/model/workbook.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <set>

using namespace spreadsheet;

TEST(DefaultWorkbook, HasExcelsStyleTables)
{
    const Workbook workbook = makeDefaultWorkbook("Sheet1");
    EXPECT_EQ(workbook.fonts.size(), 4u);
    ASSERT_EQ(workbook.xfs.size(), 21u);
    for (size_t i = 0; i < workbook.xfs.size(); ++i)
        EXPECT_EQ(workbook.xfs[i].isStyle, i != 15) << i;
    EXPECT_EQ(workbook.xfs[15].parent, 0);
    std::set<uint8_t> builtIns;
    for (const CellStyle& style : workbook.styles) {
        ASSERT_LT(style.xf, workbook.xfs.size());
        EXPECT_TRUE(workbook.xfs[style.xf].isStyle);
        builtIns.insert(style.builtInId);
    }
    EXPECT_EQ(builtIns, (std::set<uint8_t>{0, 3, 4, 5, 6, 7}));
    EXPECT_EQ(workbook.numberFormats.at(8), R"("$"#,##0.00_);[Red]\("$"#,##0.00\))");
    EXPECT_EQ(workbook.numberFormats.at(44),
              R"(_("$"* #,##0.00_);_("$"* \(#,##0.00\);_("$"* "-"??_);_(@_))");
    ASSERT_EQ(workbook.sheets.size(), 1u);
    EXPECT_EQ(workbook.sheets[0].name, "Sheet1");
}

TEST(StringTable, EqualPlainTextsShareAnIndex)
{
    StringTable strings;
    const uint32_t first = strings.intern("apple");
    EXPECT_EQ(strings.intern("pear"), first + 1);
    EXPECT_EQ(strings.intern("apple"), first);
    // A rich string is never handed out for plain text.
    const uint32_t rich = strings.add(SharedString{"plum", {{0, 1}}});
    EXPECT_NE(strings.intern("plum"), rich);
    EXPECT_EQ(strings.size(), 4u);
}

// Strings added without lookup (as the reader does) are found by a later intern, the first of
// equal ones winning.
TEST(StringTable, AddedStringsAreFoundLater)
{
    StringTable strings;
    for (int i = 0; i < 10000; ++i)
        strings.add(SharedString{"s" + std::to_string(i % 5000), {}});
    EXPECT_EQ(strings.intern("s42"), 42u);
    EXPECT_EQ(strings.intern("s4999"), 4999u);
    EXPECT_EQ(strings.intern("new"), 10000u);
    for (int i = 0; i < 10000; ++i)
        EXPECT_EQ(strings.intern("t" + std::to_string(i)), 10001u + i);
    EXPECT_EQ(strings.intern("t7"), 10008u);
}

TEST(Row, EnsureKeepsCellsSortedAndUnique)
{
    Row row;
    for (uint16_t column : {5, 1, 9, 5, 0})
        row.ensure(column, 15);
    ASSERT_EQ(row.cells.size(), 4u);
    for (size_t i = 1; i < row.cells.size(); ++i)
        EXPECT_LT(row.cells[i - 1].column, row.cells[i].column);
    row.erase(5);
    EXPECT_EQ(row.find(5), nullptr);
    EXPECT_NE(row.find(9), nullptr);
}

TEST(Worksheet, InsertingAndErasingRowsMovesFormulas)
{
    Worksheet sheet;
    sheet.ensureRow(11);
    for (uint32_t row : {3, 10, 11}) {
        Formula formula;
        formula.row = row;
        sheet.formulas.push_back(formula);
    }
    sheet.insertRows(5, 2);
    EXPECT_EQ(sheet.rowCount(), 14u);
    EXPECT_EQ(sheet.formulas[0].row, 3u);
    EXPECT_EQ(sheet.formulas[1].row, 12u);
    sheet.eraseRows(12, 1);
    EXPECT_TRUE(sheet.formulas[1].removed);
    EXPECT_EQ(sheet.formulas[2].row, 12u);
    EXPECT_FALSE(sheet.formulas[0].removed);
}

TEST(Worksheet, ColumnWidthsFollowColumnInfoThenTheDefault)
{
    spreadsheet::Worksheet sheet;
    sheet.columns.push_back({2, 4, 6582});
    EXPECT_EQ(sheet.columnWidth(3, 200), 6582);
    // Eight characters and the padding, which is a smaller share of a larger font's digit.
    EXPECT_EQ(sheet.columnWidth(0, 200), 8 * 256 + 271); // Arial 10
    EXPECT_EQ(sheet.columnWidth(0, 220), 8 * 256 + 249); // Calibri 11
    EXPECT_EQ(sheet.columnWidth(0, 240), 8 * 256 + 232); // Times New Roman 12
    EXPECT_EQ(sheet.columnWidth(0, 0), 8 * 256 + 732) << "a font without height is no divisor";
    sheet.defaultColumnWidth = 255;
    EXPECT_EQ(sheet.columnWidth(5, 200), 0xFFFF) << "no wrap past the largest width";
    sheet.standardWidth = 3000;
    EXPECT_EQ(sheet.columnWidth(5, 200), 3000);
    EXPECT_EQ(sheet.columnWidth(2, 200), 6582);
}

TEST(CellRangeAddress, ReadsAndWritesA1Addresses)
{
    const struct
    {
        const char* text;
        std::optional<CellRange> range;
        const char* written; // how rangeAddress() gives it back
    } cases[] = {
        {"A1:L200", CellRange{0, 199, 0, 11}, "A1:L200"},
        {"$a$1:$l$200", CellRange{0, 199, 0, 11}, "A1:L200"},
        {"L200:A1", CellRange{0, 199, 0, 11}, "A1:L200"},
        {"B3", CellRange{2, 2, 1, 1}, "B3"},
        {"IV65536", CellRange{65535, 65535, 255, 255}, "IV65536"},
        {"AA10:AB11", CellRange{9, 10, 26, 27}, "AA10:AB11"},
        {"IW1", std::nullopt, ""},
        {"A65537", std::nullopt, ""},
        {"A0", std::nullopt, ""},
        {"A1:", std::nullopt, ""},
        {"A1:B2x", std::nullopt, ""},
        {"1:2", std::nullopt, ""},
        {"", std::nullopt, ""},
        {"ABCD1", std::nullopt, ""},
        {"A1234567", std::nullopt, ""},
    };
    for (const auto& c : cases) {
        const std::optional<CellRange> range = parseRangeAddress(c.text);
        EXPECT_EQ(range, c.range) << c.text;
        if (range) {
            EXPECT_EQ(rangeAddress(*range), c.written) << c.text;
        }
    }
    EXPECT_EQ(columnLetters(0), "A");
    EXPECT_EQ(columnLetters(25), "Z");
    EXPECT_EQ(columnLetters(26), "AA");
    EXPECT_EQ(columnLetters(255), "IV");
}

TEST(UsedRange, EndsWhereExcelEndsIt)
{
    const struct
    {
        const char* name;
        std::function<void(Worksheet&)> fill;
        CellRange used;
    } cases[] = {
        {"empty sheet", [](Worksheet&) {}, CellRange{0, 0, 0, 0}},
        {"a value", [](Worksheet& s) { s.ensureRow(7).ensure(5, 15).kind = CellKind::Boolean; },
         CellRange{0, 7, 0, 5}},
        {"a blank cell in the default format", [](Worksheet& s) { s.ensureRow(40).ensure(3, 15); },
         CellRange{0, 0, 0, 0}},
        {"a blank cell with a format", [](Worksheet& s) { s.ensureRow(40).ensure(3, 16); },
         CellRange{0, 40, 0, 3}},
        {"a formatted row without cells",
         [](Worksheet& s) {
             Row& row = s.ensureRow(30);
             row.formatted = true;
             row.xf = 16;
         },
         CellRange{0, 30, 0, 0}},
        {"a blank cell in its formatted column's format",
         [](Worksheet& s) {
             s.columns.push_back(ColumnInfo{2, 4, 2340, 16});
             s.ensureRow(12).ensure(4, 16);
         },
         CellRange{0, 12, 0, 4}},
        {"a blank cell in the default format under a formatted column",
         [](Worksheet& s) {
             s.columns.push_back(ColumnInfo{2, 4, 2340, 16});
             s.ensureRow(12).ensure(3, 15);
         },
         CellRange{0, 12, 0, 3}},
        {"a formatted column alone",
         [](Worksheet& s) {
             s.columns.push_back({2, 4, 2340, 16});
         },
         CellRange{0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        Workbook workbook = makeDefaultWorkbook("Sheet");
        c.fill(workbook.sheets[0]);
        EXPECT_EQ(usedRange(workbook.sheets[0]), c.used) << c.name;
    }
}

TEST(Workbook, NumberFormatCodeComesFromTheFormatRecordThenTheBuiltInList)
{
    Workbook workbook = makeDefaultWorkbook("Sheet1");
    workbook.numberFormats[14] = "dd.mm.yyyy";
    workbook.numberFormats[164] = "0.000";
    EXPECT_EQ(workbook.numberFormatCode(14), "dd.mm.yyyy");
    EXPECT_EQ(workbook.numberFormatCode(164), "0.000");
    EXPECT_EQ(workbook.numberFormatCode(10), "0.00%");
    EXPECT_EQ(workbook.numberFormatCode(30), "General"); // no built-in code
    EXPECT_EQ(workbook.numberFormatCode(165), "General");
}

// Whole twips never fall halfway between pixels; a zoomed picture's fractional ones do.
TEST(Twips, RoundToTheNearestPixelWithTiesToEven)
{
    EXPECT_EQ(twipsToPixels(255), 17);
    EXPECT_EQ(twipsToPixels(29), 2);   // 1.93: rounded, not cut
    EXPECT_EQ(twipsToPixels(22), 1);   // 1.47
    EXPECT_EQ(twipsToPixels(37.5), 2); // 2.5
    EXPECT_EQ(twipsToPixels(52.5), 4); // 3.5
}

TEST(NumberText, GroupsThousands)
{
    const std::pair<int64_t, const char*> cases[] = {
        {0, "0"},
        {999, "999"},
        {1000, "1,000"},
        {65536, "65,536"},
        {-1234, "-1,234"},
        {-999, "-999"},
        {1234567890123, "1,234,567,890,123"},
        {INT64_MIN, "-9,223,372,036,854,775,808"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(withThousands(value), text) << value;
}
