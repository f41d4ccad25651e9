#include "spreadsheet/biff/strings.h"
#include "spreadsheet/biff/workbook_writer.h"

#include "spreadsheet/model/cell_range.h"
#include "spreadsheet/model/error.h"
#include "spreadsheet/model/number_text.h"

#include <algorithm>
#include <set>

namespace spreadsheet::biff {

namespace {

std::string where(const Worksheet& sheet, uint32_t row, uint32_t column)
{
    return "cell " + columnLetters(uint16_t(column)) + withThousands(row + 1) + " of the sheet \"" +
           sheet.name + "\"";
}

void checkSheetName(const std::string& name, std::set<std::string>& seen)
{
    const size_t length = utf16Length(name);
    if (length == 0)
        throw Error("a sheet has no name");
    if (length > kMaxSheetNameLength)
        throw Error("the sheet name \"" + name + "\" is longer than " +
                    std::to_string(kMaxSheetNameLength) + " characters");
    if (name.find_first_of("[]:*?/\\") != std::string::npos)
        throw Error("the sheet name \"" + name +
                    "\" contains one of the characters [ ] : * ? / \\");
    if (name.front() == '\'' || name.back() == '\'')
        throw Error("the sheet name \"" + name + "\" starts or ends with an apostrophe");
    std::string folded = name;
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    if (!seen.insert(folded).second)
        throw Error("two sheets are named \"" + name + "\"");
}

void checkRange(const Worksheet& sheet, const CellRange& range, const char* what)
{
    if (range.firstRow > range.lastRow || range.firstColumn > range.lastColumn)
        throw Error(std::string(what) + " of the sheet \"" + sheet.name + "\" is an empty range");
    if (range.lastRow >= kMaxRows)
        throw Error(std::string(what) + " of the sheet \"" + sheet.name + "\" reaches row " +
                    withThousands(range.lastRow + 1) +
                    ", beyond the last row of the .xls format (" + withThousands(kMaxRows) + ")");
    if (range.lastColumn >= kMaxColumns)
        throw Error(std::string(what) + " of the sheet \"" + sheet.name + "\" reaches column " +
                    withThousands(range.lastColumn + 1) +
                    ", beyond the last column of the .xls format (256)");
}

void checkCells(const Workbook& workbook, const Worksheet& sheet)
{
    if (sheet.rows.size() > kMaxRows)
        throw Error("row " + withThousands(sheet.rows.size()) + " of the sheet \"" + sheet.name +
                    "\" is beyond the last row of the .xls format (" + withThousands(kMaxRows) +
                    ")");
    for (uint32_t r = 0; r < sheet.rowCount(); ++r) {
        const Row& row = sheet.rows[r];
        if (row.xf >= workbook.xfs.size())
            throw Error("row " + withThousands(r + 1) + " of the sheet \"" + sheet.name +
                        "\" uses a cell format that does not exist");
        for (size_t i = 0; i < row.cells.size(); ++i) {
            const Cell& cell = row.cells[i];
            if (cell.column >= kMaxColumns)
                throw Error("column " + withThousands(cell.column + 1) + " of the sheet \"" +
                            sheet.name + "\" is beyond the last column of the .xls format (256)");
            if (i > 0 && row.cells[i - 1].column >= cell.column)
                throw Error("the cells of row " + withThousands(r + 1) + " of the sheet \"" +
                            sheet.name + "\" are out of order");
            if (cell.xf >= workbook.xfs.size())
                throw Error(where(sheet, r, cell.column) +
                            " uses a cell format that does not exist");
            if (cell.kind == CellKind::String && cell.index >= workbook.strings.size())
                throw Error(where(sheet, r, cell.column) + " refers to a missing text");
            if (cell.kind == CellKind::Formula &&
                (cell.index >= sheet.formulas.size() || sheet.formulas[cell.index].removed))
                throw Error(where(sheet, r, cell.column) + " refers to a missing formula");
        }
    }
}

void checkSheet(const Workbook& workbook, const Worksheet& sheet)
{
    checkCells(workbook, sheet);
    for (const ColumnInfo& column : sheet.columns) {
        if (column.first > column.last || column.last >= kMaxColumns)
            throw Error("the column widths of the sheet \"" + sheet.name +
                        "\" name columns beyond the last column of the .xls format (256)");
        if (column.xf >= workbook.xfs.size())
            throw Error("a column of the sheet \"" + sheet.name +
                        "\" uses a cell format that does not exist");
    }
    for (const CellRange& range : sheet.merged)
        checkRange(sheet, range, "a merged area");
    for (const ConditionalFormat& format : sheet.conditionalFormats) {
        if (format.rules.size() > 3)
            throw Error("a conditional format of the sheet \"" + sheet.name + "\" has " +
                        std::to_string(format.rules.size()) +
                        " conditions; the .xls format allows 3");
        for (const CellRange& range : format.ranges)
            checkRange(sheet, range, "a conditional format");
    }
    for (const CellRange& range : sheet.window.selection)
        checkRange(sheet, range, "the selection");
    if (utf16Length(sheet.pageSetup.header) > 255 || utf16Length(sheet.pageSetup.footer) > 255)
        throw Error("the page header or footer of the sheet \"" + sheet.name +
                    "\" is longer than 255 characters");
}

} // namespace

void checkLimits(const Workbook& workbook)
{
    if (workbook.sheets.empty())
        throw Error("a workbook must have at least one sheet");
    if (workbook.xfs.size() < 16)
        throw Error("a workbook needs at least the 16 standard cell formats");
    if (workbook.xfs.size() > 4050)
        throw Error("the workbook has " + withThousands(workbook.xfs.size()) +
                    " cell formats; the .xls format allows 4,050");
    if (workbook.fonts.empty() || workbook.fonts.size() > 510)
        throw Error("the workbook has " + withThousands(workbook.fonts.size()) +
                    " fonts; the .xls format allows 1 to 510");
    for (const Xf& xf : workbook.xfs)
        if (xf.font >= workbook.fonts.size() || (!xf.isStyle && xf.parent >= workbook.xfs.size()))
            throw Error("a cell format refers to a font or style that does not exist");
    for (const CellStyle& style : workbook.styles)
        if (style.xf >= workbook.xfs.size())
            throw Error("a cell style refers to a cell format that does not exist");
    std::set<std::string> names;
    for (const Worksheet& sheet : workbook.sheets) {
        checkSheetName(sheet.name, names);
        checkSheet(workbook, sheet);
    }
}

} // namespace spreadsheet::biff
