#include "spreadsheet/automation/application.h"
#include "spreadsheet/model/error.h"
#include "spreadsheet/model/workbook.h"
#include "tools/template/inventory_template.h"

#include <gtest/gtest.h>

#include <functional>

namespace spreadsheet::automation {
namespace {

std::string failureOf(const std::function<void()>& operation)
{
    try {
        operation();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

class ObjectModel : public ::testing::Test
{
protected:
    ObjectModel() { excel.Workbooks().Add(makeInventoryTemplate(), "/work/template.xlt"); }
    const spreadsheet::Workbook& book() { return excel.ActiveWorkbook().model(); }
    const Cell* cell(uint32_t row, uint16_t column)
    {
        return book().sheets[0].findCell(row, column);
    }

    Application excel;
};

TEST_F(ObjectModel, LimitsAreNamedInTheMessage)
{
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { excel.Cells(65537, 1); }, "row 65,537 is beyond the last row of the .xls format "
                                         "(65,536)"},
        {[&] { excel.Cells(0, 1); }, "row 0 does not exist: rows are numbered from 1"},
        {[&] { excel.Cells(1, 257); }, "column 257 is beyond the last column of the .xls format "
                                       "(256, column IV)"},
        {[&] { excel.Rows("10:70000"); }, "row 70,000 is beyond the last row of the .xls format "
                                          "(65,536)"},
        {[&] { excel.Rows("ten"); }, "\"ten\" is not a row or a range of rows such as 10:11"},
        {[&] { excel.Workbooks()(2); }, "there is no workbook 2; 1 is open"},
        {[&] { excel.ActiveWorkbook().Worksheets(2); },
         "the workbook \"template.xlt\" has no worksheet 2; it has 1"},
        {[&] { excel.Cells(10, 1).Copy(); },
         "Copy works on whole rows here; select rows such as \"10:11\" first"},
        {[&] { excel.Rows(10).Insert(-4162); },
         "Insert: -4162 is not a direction to shift cells (-4121 or -4161)"},
        {[&] { excel.Cells(1, 1).Value(std::string(32768, 'x')); },
         "a cell holds at most 32,767 characters; the text has 32,768"},
    };
    for (const auto& [operation, message] : cases)
        EXPECT_EQ(failureOf(operation), message);
    EXPECT_EQ(excel.Cells(65536, 256).Address(), "$IV$65536");
    EXPECT_EQ(excel.Rows("11:10").Address(), "$10:$11");
}

TEST_F(ObjectModel, TextStaysTextAndEmptyTextKeepsTheFormat)
{
    excel.Cells(3, 2).Value("=SUM(A1:A9)");
    ASSERT_NE(cell(2, 1), nullptr);
    EXPECT_EQ(cell(2, 1)->kind, CellKind::String);
    EXPECT_EQ(book().strings.at(cell(2, 1)->index).text, "=SUM(A1:A9)");
    const uint16_t xf = cell(2, 1)->xf;
    excel.Cells(3, 2).Value("");
    EXPECT_EQ(cell(2, 1)->kind, CellKind::Blank);
    EXPECT_EQ(cell(2, 1)->xf, xf);
    // Overwriting the total formula drops it.
    excel.Cells(7, 6).Value("x");
    EXPECT_TRUE(book().sheets[0].formulas[0].removed);
}

TEST_F(ObjectModel, UsedRangeOfTheTemplateAndOfAnEmptySheet)
{
    Range used = excel.ActiveSheet().UsedRange();
    EXPECT_EQ(used.Address(), "$A$1:$L$11");
    EXPECT_EQ(used.Rows().count(), 11);
    EXPECT_EQ(used.Columns().count(), 12);
    EXPECT_EQ(used.count(), 132);
    EXPECT_EQ(used.Rows(11).Row(), 11);
    EXPECT_EQ(used.Columns(12).Column(), 12);

    excel.Workbooks().Add(makeDefaultWorkbook("Empty"));
    Range empty = excel.ActiveSheet().UsedRange();
    EXPECT_EQ(empty.Address(), "$A$1");
    excel.Cells(20, 3).Value("far");
    EXPECT_EQ(excel.ActiveSheet().UsedRange().Address(), "$A$1:$C$20");
}

TEST_F(ObjectModel, UsedRangeReachesAFormattedRowAsTheSheetsPictureDoes)
{
    spreadsheet::Workbook rows = makeDefaultWorkbook("Rows");
    spreadsheet::Row& row = rows.sheets[0].ensureRow(29);
    row.formatted = true;
    row.xf = 16;
    excel.Workbooks().Add(rows);
    excel.Cells(2, 2).Value("text");
    EXPECT_EQ(excel.ActiveSheet().UsedRange().Address(), "$A$1:$B$30");
}

TEST_F(ObjectModel, WorkbooksInOpeningOrderAndClosing)
{
    excel.Workbooks().Add(makeDefaultWorkbook("Second"), "/work/second.xls");
    EXPECT_EQ(excel.Workbooks().count(), 2);
    EXPECT_EQ(excel.Workbooks()(excel.Workbooks().count()).FullName(), "/work/second.xls");
    EXPECT_EQ(excel.ActiveSheet().Name(), "Second");
    Workbook second = excel.ActiveWorkbook();
    second.Close();
    EXPECT_EQ(excel.ActiveSheet().Name(), "Home Inventory");
    EXPECT_EQ(failureOf([&] { second.ActiveSheet(); }),
              "the workbook \"second.xls\" has been closed");
}

TEST_F(ObjectModel, QuitEndsEveryHandleAndApplicationsAreIndependent)
{
    Application other;
    other.Workbooks().Add(makeDefaultWorkbook("Other"));
    excel.Rows("10:11").Select();
    excel.Selection().Copy();
    EXPECT_TRUE(excel.CutCopyMode());
    EXPECT_FALSE(other.CutCopyMode());

    Range cell = excel.Cells(1, 1);
    excel.Quit();
    EXPECT_EQ(excel.Version(), "12.0");
    EXPECT_EQ(failureOf([&] { cell.Value("x"); }),
              "the spreadsheet application has quit; its workbooks are closed");
    EXPECT_EQ(failureOf([&] { excel.Workbooks(); }),
              "the spreadsheet application has quit; its workbooks are closed");
    EXPECT_EQ(other.ActiveSheet().Name(), "Other");
}

TEST_F(ObjectModel, SelectionFollowsSelectAndInsert)
{
    excel.Cells(2, 1).Select();
    EXPECT_EQ(excel.Selection().Address(), "$A$2");
    EXPECT_EQ(book().sheets[0].window.activeRow, 1u);
    excel.Rows("10:11").Select();
    excel.Selection().Copy();
    excel.Selection().Insert(xlShiftDown);
    EXPECT_EQ(excel.Selection().Address(), "$10:$11");
    excel.CutCopyMode(false);
    EXPECT_FALSE(excel.CutCopyMode());
    // Without copied rows Insert adds empty rows formatted like the row above.
    excel.Rows(12).Insert();
    EXPECT_EQ(excel.ActiveSheet().UsedRange().Address(), "$A$1:$L$14");
    EXPECT_EQ(failureOf([] { Application().ActiveWorkbook(); }), "no workbook is open");
}

} // namespace
} // namespace spreadsheet::automation

namespace spreadsheet::automation {
namespace {

struct TypedCase
{
    const char* what;
    int32_t row;
    int32_t column;
    const char* typed;
    CellKind kind;
    double number; // for numbers
};

// Rows 10:11 are the item block: E dates, H and I currency, J currency, the rest General.
const TypedCase kTypedCases[] = {
    {"date in the date column", 10, 5, "3/14/2019", CellKind::Number, 43538},
    {"ISO date", 10, 5, "2019-03-14", CellKind::Number, 43538},
    {"price with symbol and thousands", 10, 8, "$1,234.50", CellKind::Number, 1234.5},
    {"negative in parentheses", 10, 10, "(12.50)", CellKind::Number, -12.5},
    {"percent in a currency cell", 11, 8, "50%", CellKind::Number, 0.5},
    {"words in the value column", 11, 10, "about 20", CellKind::String, 0},
    {"serial number in a General cell", 10, 4, "000123", CellKind::String, 0},
    {"phone in a General cell", 3, 6, "10-12", CellKind::String, 0},
    {"number in a General owner cell", 3, 2, "42", CellKind::String, 0},
    {"formula-like note in the value column", 11, 10, "=1+1", CellKind::String, 0},
};

TEST(TypedInput, CellsConvertAsTheirFormatSays)
{
    Application excel;
    excel.Workbooks().Add(makeInventoryTemplate());
    const spreadsheet::Workbook& book = excel.ActiveWorkbook().model();
    for (const TypedCase& c : kTypedCases) {
        excel.Cells(c.row, c.column).Value(c.typed);
        const Cell* cell = book.sheets[0].findCell(static_cast<uint32_t>(c.row - 1),
                                                   static_cast<uint16_t>(c.column - 1));
        ASSERT_NE(cell, nullptr) << c.what;
        EXPECT_EQ(cell->kind, c.kind) << c.what;
        if (c.kind == CellKind::Number)
            EXPECT_DOUBLE_EQ(cell->number, c.number) << c.what;
        else
            EXPECT_EQ(book.strings.at(cell->index).text, c.typed) << c.what;
    }
}

TEST(TypedInput, DatesInCurrencyCellsShareOneDateFormat)
{
    Application excel;
    excel.Workbooks().Add(makeInventoryTemplate());
    const spreadsheet::Workbook& book = excel.ActiveWorkbook().model();
    const auto& sheet = book.sheets[0];
    const size_t xfsBefore = book.xfs.size();
    const uint16_t currencyXf = sheet.findCell(9, 9)->xf;
    excel.Cells(10, 10).Value("12/25/2020"); // estimated value column, right aligned
    excel.Cells(11, 10).Value("1/2/2021");
    excel.Cells(10, 10).Value("7"); // a plain number keeps the date format now on the cell
    const Cell* first = sheet.findCell(9, 9);
    const Cell* second = sheet.findCell(10, 9);
    EXPECT_EQ(book.xfs.size(), xfsBefore + 1);
    EXPECT_EQ(first->xf, second->xf);
    EXPECT_NE(first->xf, currencyXf);
    EXPECT_EQ(book.xfs[first->xf].format, 14);
    EXPECT_EQ(book.xfs[first->xf].horizontal, book.xfs[currencyXf].horizontal);
    EXPECT_EQ(first->number, 7);

    // In the price column the dated look already exists: the purchase-date column's XF.
    excel.Cells(10, 8).Value("12/25/2020");
    EXPECT_EQ(sheet.findCell(9, 7)->xf, sheet.findCell(9, 4)->xf);
    EXPECT_EQ(book.xfs.size(), xfsBefore + 1);
}

TEST(TypedInput, TheApplicationsLocaleReadsNumbersAndDates)
{
    input::InputLocale german;
    german.decimalSeparator = ",";
    german.groupSeparator = ".";
    german.currencySymbol = "\u20ac";
    german.dateOrder = input::DateOrder::DayMonthYear;
    Application excel(german);
    excel.Workbooks().Add(makeInventoryTemplate());
    excel.Cells(10, 5).Value("14.03.2019");
    excel.Cells(10, 10).Value("1.234,50 \u20ac");
    const auto& sheet = excel.ActiveWorkbook().model().sheets[0];
    EXPECT_EQ(sheet.findCell(9, 4)->number, 43538);
    EXPECT_EQ(sheet.findCell(9, 9)->number, 1234.5);
}

} // namespace
} // namespace spreadsheet::automation
