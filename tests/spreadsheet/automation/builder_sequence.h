#pragma once

// The builder's calls on the application, step for step (owner cells, growing the two-row
// item block by copies of rows 10:11, deleting the spare row, writing the items), shared by
// the automation tests and the automation benchmark.

#include "spreadsheet/automation/application.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace spreadsheet::automation::testing {

// List order: Location, Description, Date, Where, Warranty, Price, Condition, Est. Value,
// Model, Serial #, Notes, Photo.
using InventoryItem = std::array<std::string, 12>;
using OwnerFields = std::array<std::string, 8>; // B3:B6 then F3:F6

// Steps 110-132: alerts off, sheet 1 active, the owner and insurance cells.
inline void writeOwner(Application& excel, const OwnerFields& owner)
{
    excel.DisplayAlerts(false);
    excel.ActiveWorkbook().Worksheets(1).Select();
    excel.ActiveWorkbook().Worksheets(1).Activate();
    for (int32_t i = 0; i < 4; ++i) {
        excel.Cells(3 + i, 2).Value(owner[static_cast<size_t>(i)]);
        excel.Cells(3 + i, 6).Value(owner[static_cast<size_t>(i) + 4]);
    }
}

// Steps 134-164: copies of rows 10:11 inserted at row 10 until the block holds every item,
// then the spare last row deleted for an odd count.
inline void growBlock(Application& excel, int32_t count)
{
    const int32_t start = 10;
    int32_t inserted = 1;
    const int32_t blockRows = count % 2 == 0 ? count : count + 1;
    for (int32_t pass = 2; pass <= blockRows / 2; ++pass) {
        excel.Rows("10:11").Select();
        excel.Selection().Copy();
        excel.Selection().Insert(xlShiftDown);
        excel.CutCopyMode(false);
        inserted += 2;
    }
    if (count % 2 == 1) {
        excel.Rows(start + inserted).Select();
        excel.Selection().Delete(xlShiftUp);
        excel.Rows(start).Select();
    }
}

// Steps 166-202: item i into row 9 + i, one cell at a time, then A2 selected.
inline void writeItems(Application& excel, const std::vector<InventoryItem>& items)
{
    const auto count = static_cast<int32_t>(items.size());
    for (int32_t i = 0; i < count; ++i) {
        const InventoryItem& item = items[static_cast<size_t>(i)];
        const int32_t row = 10 + i;
        excel.Cells(row, 1).Value(item[0]);
        excel.Cells(row, 2).Value(item[1]);
        for (int32_t j = 2; j <= 7; ++j)
            excel.Cells(row, j + 3).Value(item[static_cast<size_t>(j)]);
        for (int32_t j = 8; j <= 9; ++j)
            excel.Cells(row, j - 5).Value(item[static_cast<size_t>(j)]);
        for (int32_t j = 10; j <= 11; ++j)
            excel.Cells(row, j + 1).Value(item[static_cast<size_t>(j)]);
    }
    excel.ActiveWorkbook().Worksheets(1).Select();
    excel.Cells(2, 1).Select();
    excel.DisplayAlerts(true);
    excel.Visible(false);
}

inline void fillInventory(Application& excel, const OwnerFields& owner,
                          const std::vector<InventoryItem>& items)
{
    writeOwner(excel, owner);
    growBlock(excel, static_cast<int32_t>(items.size()));
    writeItems(excel, items);
}

// Item i of a made-up list: a price and an estimated value of i dollars and 50 cents.
inline InventoryItem sampleItem(int32_t i)
{
    const std::string n = std::to_string(i);
    return {"Room " + n, "Thing " + n, "3/14/2019", "Shop " + n,
            "1 year",    n + ".50",    "Good",      "$" + n + ".50",
            "M-" + n,    "000" + n,    "note " + n, "C:\\photo" + n + ".jpg"};
}

} // namespace spreadsheet::automation::testing
