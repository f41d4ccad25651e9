#include "cell_entry.h"

#include "limits.h"

#include "spreadsheet/model/error.h"

namespace spreadsheet::automation {

namespace {

size_t utf16Length(std::string_view text)
{
    size_t units = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80)
            ++units; // a lead byte starts a character
        if ((c & 0xF8) == 0xF0)
            ++units; // beyond the basic plane: a surrogate pair
    }
    return units;
}

// The cell at `at`, created with the XF it already shows; a formula it held is dropped.
Cell& cellToWrite(spreadsheet::Worksheet& sheet, const CellAddress& at)
{
    const uint16_t xf = effectiveXf(sheet, at.row, at.column);
    Cell& cell = sheet.ensureRow(at.row).ensure(at.column, xf);
    if (cell.kind == CellKind::Formula && cell.index < sheet.formulas.size())
        sheet.formulas[cell.index].removed = true;
    cell.kind = CellKind::Blank;
    cell.flag = 0;
    cell.index = 0;
    cell.number = 0;
    return cell;
}

} // namespace

uint16_t effectiveXf(const spreadsheet::Worksheet& sheet, uint32_t row, uint16_t column)
{
    if (const Cell* cell = sheet.findCell(row, column))
        return cell->xf;
    if (const Row* r = sheet.findRow(row); r && r->formatted)
        return r->xf;
    for (const ColumnInfo& info : sheet.columns)
        if (column >= info.first && column <= info.last)
            return info.xf;
    return 15;
}

void enterText(spreadsheet::Workbook& book, const CellAddress& at, std::string_view text,
               FormatVariants& variants)
{
    (void)variants;
    if (utf16Length(text) > kMaxCellTextLength)
        throw Error("a cell holds at most " + groupedNumber(kMaxCellTextLength) +
                    " characters; the text has " + groupedNumber(utf16Length(text)));
    spreadsheet::Worksheet& sheet = book.sheets.at(at.sheet);
    if (text.empty()) {
        if (sheet.findCell(at.row, at.column))
            cellToWrite(sheet, at);
        return;
    }
    Cell& cell = cellToWrite(sheet, at);
    cell.kind = CellKind::String;
    cell.index = book.strings.intern(text);
}

} // namespace spreadsheet::automation
