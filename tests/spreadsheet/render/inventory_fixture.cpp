#include "tests/spreadsheet/render/inventory_fixture.h"

#include "tools/template/inventory_template.h"

namespace spreadsheet::render::testing {

namespace {

void putText(Workbook& workbook, uint32_t row, uint16_t column, const std::string& text)
{
    if (text.empty())
        return;
    Row& r = workbook.sheets[0].ensureRow(row);
    Cell& cell = r.ensure(column, r.find(column) ? r.find(column)->xf : 15);
    cell.kind = CellKind::String;
    cell.index = workbook.strings.intern(text);
}

void putNumber(Workbook& workbook, uint32_t row, uint16_t column, double value)
{
    Row& r = workbook.sheets[0].ensureRow(row);
    Cell& cell = r.ensure(column, r.find(column) ? r.find(column)->xf : 15);
    cell.kind = CellKind::Number;
    cell.number = value;
}

} // namespace

ItemRow sampleItem()
{
    ItemRow item;
    item.location = "Garage";
    item.description = "Chevrolet Suburban";
    item.purchaseDate = 38641; // 10/16/2005
    item.where = "Gus's garage";
    item.warranty = "Ended";
    item.price = 45000;
    item.condition = "Old";
    item.serial = "CTJ156FG158";
    return item;
}

Workbook inventoryWorkbook(const std::vector<ItemRow>& items, bool withOwner)
{
    Workbook workbook = makeInventoryTemplate();
    Worksheet& sheet = workbook.sheets[0];
    if (withOwner) {
        const char* owner[] = {"Tobin Harwell", "115 Birchwood st", "French Leek, IN", ""};
        const char* insurance[] = {"Oak Insurance", "Marla", "", "000-585-678"};
        for (uint32_t i = 0; i < 4; ++i) {
            putText(workbook, 2 + i, 1, owner[i]);
            putText(workbook, 2 + i, 5, insurance[i]);
        }
    }
    // Grow the block by copies of its first row, or drop its spare row for one item.
    const Row block = sheet.rows[9];
    if (items.size() > 2) {
        sheet.insertRows(10, static_cast<uint32_t>(items.size() - 2));
        for (uint32_t i = 0; i < items.size() - 2; ++i)
            sheet.rows[10 + i] = block;
    } else if (items.size() == 1) {
        sheet.eraseRows(10, 1);
    }
    double total = 0;
    for (uint32_t i = 0; i < items.size(); ++i) {
        const ItemRow& item = items[i];
        const uint32_t row = 9 + i;
        putText(workbook, row, 0, item.location);
        putText(workbook, row, 1, item.description);
        putText(workbook, row, 2, item.model);
        putText(workbook, row, 3, item.serial);
        if (item.purchaseDate > 0)
            putNumber(workbook, row, 4, item.purchaseDate);
        putText(workbook, row, 5, item.where);
        putText(workbook, row, 6, item.warranty);
        if (item.price >= 0)
            putNumber(workbook, row, 7, item.price);
        putText(workbook, row, 8, item.condition);
        if (item.estimate >= 0) {
            putNumber(workbook, row, 9, item.estimate);
            total += item.estimate;
        }
        putText(workbook, row, 10, item.notes);
        putText(workbook, row, 11, item.photo);
    }
    for (Formula& formula : sheet.formulas)
        if (formula.row == 6 && formula.column == 5)
            formula.cached.number = total;
    return workbook;
}

} // namespace spreadsheet::render::testing
