#include "tests/spreadsheet/render/inventory_fixture.h"

#include "spreadsheet/model/used_range.h"
#include "spreadsheet/render/sheet_drawing.h"

#include <gtest/gtest.h>

namespace spreadsheet::render {
namespace {

Workbook textWorkbook(uint32_t rows, uint16_t columns)
{
    Workbook workbook = makeDefaultWorkbook("Sheet");
    const uint32_t text = workbook.strings.intern("0123456789");
    for (uint32_t r = 0; r < rows; ++r)
        for (uint16_t c = 0; c < columns; ++c) {
            Cell& cell = workbook.sheets[0].ensureRow(r).ensure(c, 15);
            cell.kind = CellKind::String;
            cell.index = text;
        }
    return workbook;
}

TEST(SheetDrawing, MeasuresThePictureItWouldDraw)
{
    const Workbook workbook = testing::inventoryWorkbook({testing::sampleItem()});
    const Worksheet& sheet = workbook.sheets[0];
    for (const CellRange range : {usedRange(sheet), CellRange{2, 5, 1, 3}, CellRange{0, 0, 0, 0}}) {
        const PictureExtent extent = measureRange(workbook, sheet, range);
        const SheetPicture picture = drawSheet(workbook, sheet, range);
        EXPECT_EQ(picture.size(), QSize(extent.width, extent.height));
        EXPECT_EQ(extent.cells, uint64_t(range.lastRow - range.firstRow + 1) *
                                    uint64_t(range.lastColumn - range.firstColumn + 1));
    }
    EXPECT_EQ(drawSheet(workbook, sheet).size(),
              drawSheet(workbook, sheet, usedRange(sheet)).size());
}

TEST(SheetDrawing, EachLimitIsNamedWhenPassed)
{
    const Workbook workbook = textWorkbook(10, 4); // 2 + 4 x 67 + 1 by 2 + 10 x 17 + 1 pixels
    const Worksheet& sheet = workbook.sheets[0];
    const PictureExtent extent = measureRange(workbook, sheet, usedRange(sheet));
    ASSERT_EQ(extent.width, 271);
    ASSERT_EQ(extent.height, 173);
    EXPECT_EQ(extent.textBytes, 40u * 20u);
    const struct
    {
        const char* name;
        PictureLimits limits;
        const char* problem;
    } cases[] = {
        {"within", {}, ""},
        {"side",
         {256, 100'000'000, 1'000'000, 1u << 20},
         "would be 271 x 173 pixels (40 cells), more than the 256 pixels a side that a picture "
         "may have"},
        {"pixels",
         {32767, 40'000, 1'000'000, 1u << 20},
         "would be 271 x 173 pixels (40 cells), more than the 40,000 pixels that a picture may "
         "have"},
        {"cells",
         {32767, 100'000'000, 39, 1u << 20},
         "would be 271 x 173 pixels (40 cells), more than the 39 cells that a picture may show"},
        {"text",
         {32767, 100'000'000, 1'000'000, 0},
         "would be 271 x 173 pixels (40 cells) and hold 0 MB of text, more than the 0 MB that a "
         "picture may hold"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(limitProblem(extent, c.limits), c.problem) << c.name;
        if (*c.problem)
            EXPECT_THROW(drawSheet(workbook, sheet, std::nullopt, &c.limits), PictureTooLarge)
                << c.name;
        else
            EXPECT_EQ(drawSheet(workbook, sheet, std::nullopt, &c.limits).size(), QSize(271, 173));
    }
}

TEST(SheetDrawing, FittingPartStaysWithinTheLimits)
{
    const Workbook workbook = textWorkbook(100, 20);
    const Worksheet& sheet = workbook.sheets[0];
    const struct
    {
        PictureLimits limits;
        CellRange fitting;
    } cases[] = {
        {{32767, 100'000'000, 1'000'000, 1u << 30}, CellRange{0, 99, 0, 19}},
        {{600, 100'000'000, 1'000'000, 1u << 30}, CellRange{0, 34, 0, 7}}, // 2 + 8 x 67 + 1
        {{32767, 100'000'000, 200, 1u << 30}, CellRange{0, 9, 0, 19}},
        {{32767, 1343 * 20, 1'000'000, 1u << 30}, CellRange{0, 0, 0, 19}}, // one row
    };
    for (const auto& c : cases) {
        const CellRange fitting = fittingPart(workbook, sheet, usedRange(sheet), c.limits);
        EXPECT_EQ(fitting, c.fitting) << rangeAddress(fitting);
        EXPECT_EQ(limitProblem(measureRange(workbook, sheet, fitting), c.limits), "")
            << rangeAddress(fitting);
    }
}

TEST(SheetDrawing, LargestInventoryIsRefusedWithItsSizeAndAPartThatFits)
{
    const Workbook workbook =
        testing::inventoryWorkbook(std::vector<testing::ItemRow>(65526, testing::sampleItem()));
    const Worksheet& sheet = sheetToDraw(workbook);
    const PictureLimits limits;
    try {
        drawSheet(workbook, sheet, std::nullopt, &limits);
        ADD_FAILURE() << "drawn";
    } catch (const PictureTooLarge& error) {
        const std::string message = error.what();
        EXPECT_EQ(
            message.rfind(
                "the picture of A1:L65535 would be 1,605 x 1,048,624 pixels (786,420 cells), ", 0),
            0u)
            << message;
        EXPECT_NE(message.find("more than the 32,767 pixels a side"), std::string::npos) << message;
        EXPECT_EQ(error.range(), usedRange(sheet));
        const CellRange fitting = error.fitting();
        EXPECT_EQ(fitting.firstRow, 0u);
        EXPECT_EQ(fitting.lastColumn, 11u);
        EXPECT_GT(fitting.lastRow, 1000u);
        EXPECT_EQ(limitProblem(measureRange(workbook, sheet, fitting), limits), "");
    }
}

TEST(SheetDrawing, DrawsTheActiveSheet)
{
    Workbook workbook = makeDefaultWorkbook("First");
    workbook.sheets.push_back(Worksheet{});
    workbook.sheets[1].name = "Second";
    workbook.window.activeSheet = 1;
    EXPECT_EQ(sheetToDraw(workbook).name, "Second");
    workbook.window.activeSheet = 7;
    EXPECT_EQ(sheetToDraw(workbook).name, "First");
    workbook.sheets.clear();
    EXPECT_THROW(sheetToDraw(workbook), Error);
}

} // namespace
} // namespace spreadsheet::render
