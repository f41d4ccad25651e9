#include "spreadsheet/automation/cell_entry.h"

#include "spreadsheet/automation/limits.h"

#include "spreadsheet/biff/strings.h"
#include "spreadsheet/model/error.h"
#include "spreadsheet/model/number_text.h"

#include <algorithm>

namespace spreadsheet::automation {

namespace {

// The cell at `at`, created with the XF it already shows; a formula it held is dropped.
Cell& cellToWrite(spreadsheet::Worksheet& sheet, const CellAddress& at)
{
    Row& row = sheet.ensureRow(at.row);
    Cell* existing = row.find(at.column);
    Cell& cell =
        existing ? *existing : row.ensure(at.column, effectiveXf(sheet, at.row, at.column));
    if (cell.kind == CellKind::Formula && cell.index < sheet.formulas.size())
        sheet.formulas[cell.index].removed = true;
    cell.kind = CellKind::Blank;
    cell.flag = 0;
    cell.index = 0;
    cell.number = 0;
    return cell;
}

bool showsDates(numfmt::FormatCategory category)
{
    using numfmt::FormatCategory;
    return category == FormatCategory::Date || category == FormatCategory::Time ||
           category == FormatCategory::DateTime;
}

// Excel keeps a numeric cell's format for a typed number, but a date typed into a cell that
// does not show dates, or anything typed with a form of its own into a General cell, takes the
// format of what was typed.
bool takesTypedFormat(numfmt::FormatCategory cell, uint16_t typedFormat)
{
    if (cell == numfmt::FormatCategory::General)
        return true;
    return typedFormat == numfmt::kFormatShortDate && !showsDates(cell);
}

uint16_t xfWithFormat(spreadsheet::Workbook& book, uint16_t xf, uint16_t format,
                      std::map<std::pair<uint16_t, uint16_t>, uint16_t>& variants)
{
    if (book.xfs.at(xf).format == format)
        return xf;
    const auto key = std::pair{xf, format};
    if (auto it = variants.find(key); it != variants.end())
        return it->second;
    Xf variant = book.xfs[xf];
    variant.format = format;
    variant.usedAttributes |= 0x01; // the number format is the cell's own, not its style's
    auto same = std::find(book.xfs.begin(), book.xfs.end(), variant);
    const auto index = static_cast<uint16_t>(same - book.xfs.begin());
    if (same == book.xfs.end())
        book.xfs.push_back(variant);
    variants.emplace(key, index);
    return index;
}

numfmt::FormatCategory categoryOf(const spreadsheet::Workbook& book, uint16_t xf,
                                  EntryMemory& memory)
{
    if (memory.categories.size() <= xf)
        memory.categories.resize(xf + 1u);
    std::optional<numfmt::FormatCategory>& category = memory.categories[xf];
    if (!category)
        category = numfmt::categorize(
            book.numberFormatCode(xf < book.xfs.size() ? book.xfs[xf].format : 0));
    return *category;
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
               const input::InputLocale& locale, EntryMemory& memory)
{
    if (biff::utf16Length(text) > kMaxCellTextLength)
        throw Error("a cell holds at most " + withThousands(kMaxCellTextLength) +
                    " characters; the text has " + withThousands(biff::utf16Length(text)));
    spreadsheet::Worksheet& sheet = book.sheets.at(at.sheet);
    if (text.empty()) {
        if (sheet.findCell(at.row, at.column))
            cellToWrite(sheet, at);
        return;
    }
    Cell& cell = cellToWrite(sheet, at);
    const numfmt::FormatCategory category = categoryOf(book, cell.xf, memory);
    const input::TypedValue typed = input::interpretTyped(text, locale, category);
    if (typed.kind == input::TypedValue::Kind::Text) {
        cell.kind = CellKind::String;
        cell.index = book.strings.intern(text);
        return;
    }
    cell.kind = CellKind::Number;
    cell.number = typed.number;
    if (typed.formatId && takesTypedFormat(category, *typed.formatId))
        cell.xf = xfWithFormat(book, cell.xf, *typed.formatId, memory.formatVariants);
}

} // namespace spreadsheet::automation
