#include "tests/spreadsheet/automation/builder_sequence.h"

#include "spreadsheet/formula/evaluate.h"
#include "spreadsheet/formula/print.h"
#include "spreadsheet/model/error.h"
#include "spreadsheet/model/workbook.h"
#include "tools/template/inventory_template.h"

#include <gtest/gtest.h>

namespace spreadsheet::automation::testing {
namespace {

std::string printed(const std::vector<uint8_t>& rgce, uint32_t row = 0)
{
    formula::PrintContext context;
    context.row = row;
    context.sheetName = [](uint16_t) { return std::string("'Home Inventory'"); };
    return formula::formulaText(formula::parseTokens(rgce), context);
}

std::string nameText(const spreadsheet::Workbook& book, uint8_t builtIn)
{
    for (const DefinedName& name : book.names)
        if (name.builtIn && name.builtInCode == builtIn)
            return printed(name.tokens);
    return "(missing)";
}

std::string cellText(const spreadsheet::Workbook& book, uint32_t row, uint16_t column)
{
    const Cell* cell = book.sheets[0].findCell(row, column);
    if (!cell || cell->kind != CellKind::String)
        return {};
    return book.strings.at(cell->index).text;
}

class BuilderScenario : public ::testing::TestWithParam<int32_t>
{
protected:
    Application excel;
    const spreadsheet::Workbook& build(int32_t count)
    {
        excel.Workbooks().Add(makeInventoryTemplate(), "/tmp/template.xlt");
        std::vector<InventoryItem> items;
        for (int32_t i = 1; i <= count; ++i)
            items.push_back(sampleItem(i));
        fillInventory(excel,
                      {"Jane Doe", "1 Main St", "Springfield, IL 62701", "555-0100", "Acme",
                       "Bob Agent", "555-0199", "12345678901234567890"},
                      items);
        return excel.ActiveWorkbook().model();
    }
};

TEST_P(BuilderScenario, BlockPrintAreaAndStripesFitTheItems)
{
    const int32_t count = GetParam();
    const spreadsheet::Workbook& book = build(count);
    const spreadsheet::Worksheet& sheet = book.sheets[0];
    const uint32_t lastRow = static_cast<uint32_t>(count == 0 ? 11 : 9 + count); // 1-based

    EXPECT_EQ(nameText(book, DefinedName::PrintArea),
              "'Home Inventory'!$A$1:$L$" + std::to_string(lastRow));
    EXPECT_EQ(nameText(book, DefinedName::PrintTitles), "'Home Inventory'!$9:$9");
    ASSERT_EQ(sheet.conditionalFormats.size(), 1u);
    EXPECT_EQ(sheet.conditionalFormats[0].ranges,
              (std::vector<CellRange>{{9, lastRow - 1, 0, 13}}));
    EXPECT_EQ(printed(sheet.conditionalFormats[0].rules[0].formula1, 9), "MOD(ROW(),2)=1");
    EXPECT_EQ(sheet.merged.size(), 4u);

    // Every block row carries the item formats and heights; nothing below the block.
    const Row& model = book.sheets[0].rows[9];
    for (uint32_t row = 9; row < lastRow; ++row) {
        ASSERT_LT(row, sheet.rowCount());
        EXPECT_EQ(sheet.rows[row].cells.size(), model.cells.size()) << row;
        EXPECT_EQ(sheet.rows[row].heightTwips, model.heightTwips) << row;
        for (size_t c = 0; c < model.cells.size(); ++c)
            EXPECT_EQ(sheet.rows[row].cells[c].xf, model.cells[c].xf) << row;
    }
    EXPECT_EQ(sheet.rowCount(), lastRow);

    for (int32_t i = 1; i <= count; ++i) {
        const auto row = static_cast<uint32_t>(8 + i);
        EXPECT_EQ(cellText(book, row, 0), "Room " + std::to_string(i));
        EXPECT_EQ(cellText(book, row, 3), "000" + std::to_string(i)); // Serial # in D
        EXPECT_EQ(cellText(book, row, 11), "C:\\photo" + std::to_string(i) + ".jpg");
    }
    EXPECT_EQ(cellText(book, 5, 5), "12345678901234567890"); // policy number stays text

    const Formula& total = sheet.formulas[0];
    EXPECT_EQ(total.row, 6u);
    EXPECT_EQ(printed(total.tokens), "SUM(J:J)");
    // Estimated values "$1.50", "$2.50", ... typed into currency cells add up in F7.
    auto sum = formula::evaluate(book, formula::parseTokens(total.tokens), {0, 6, 5});
    ASSERT_TRUE(sum);
    EXPECT_DOUBLE_EQ(sum->number, count * (count + 1) / 2.0 + 0.5 * count);

    auto used = excel.ActiveWorkbook().ActiveSheet().UsedRange();
    EXPECT_EQ(used.Rows(static_cast<int32_t>(used.Rows().count())).Row(),
              static_cast<int32_t>(lastRow));
    EXPECT_EQ(used.Columns(static_cast<int32_t>(used.Columns().count())).Column(), 12);
}

INSTANTIATE_TEST_SUITE_P(ItemCounts, BuilderScenario, ::testing::Values(0, 1, 2, 3, 5, 100));

TEST(BuilderScenarioEdges, FullSheetOfItems)
{
    // 65,526 items fill rows 10 to 65,535: the most the block can hold, as one more pair of
    // rows would reach past row 65,536.
    Application excel;
    excel.Workbooks().Add(makeInventoryTemplate(), "/tmp/template.xlt");
    std::vector<InventoryItem> items(65526);
    fillInventory(excel, {}, items);
    const spreadsheet::Workbook& book = excel.ActiveWorkbook().model();
    EXPECT_EQ(book.sheets[0].rowCount(), 65535u);
    EXPECT_EQ(nameText(book, DefinedName::PrintArea), "'Home Inventory'!$A$1:$L$65535");
    auto used = excel.ActiveSheet().UsedRange();
    EXPECT_EQ(used.Rows().count(), 65535);

    // One more pair of rows does not fit.
    excel.Rows("10:11").Select();
    excel.Selection().Copy();
    try {
        excel.Selection().Insert(xlShiftDown);
        FAIL() << "inserting past the last row succeeded";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("(65,536)"), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace spreadsheet::automation::testing
