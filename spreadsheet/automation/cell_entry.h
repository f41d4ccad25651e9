#pragma once

// Text entered into a cell as a person typing it would enter it: the cell's number format
// decides whether the text is read as a number or date (input/typed_input.h). A number typed
// into a cell whose format does not show it as typed - a date into a General or currency cell,
// a percentage into a General cell - gets a variant of the cell's XF with the format Excel
// gives that entry; the variants are shared, so a column of dates adds one XF, not one a cell.

#include "spreadsheet/input/typed_input.h"
#include "spreadsheet/model/workbook.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace spreadsheet::automation {

// What entering text remembers from one cell to the next in a workbook.
struct EntryMemory
{
    // (cell XF, number format) -> the XF with that number format.
    std::map<std::pair<uint16_t, uint16_t>, uint16_t> formatVariants;
    // The number-format category of each XF, looked up once: XFs are only ever appended and an
    // XF's format never changes.
    std::vector<std::optional<numfmt::FormatCategory>> categories;
};

struct CellAddress
{
    uint32_t sheet = 0;
    uint32_t row = 0; // zero-based
    uint16_t column = 0;
};

// The XF a cell shows: its own, else its row's when the row is formatted, else its column's.
uint16_t effectiveXf(const spreadsheet::Worksheet& sheet, uint32_t row, uint16_t column);

// Empty text empties the cell and keeps its format. Text that stays text is stored exactly as
// typed (a leading "=" included: a typed note never becomes a formula).
void enterText(spreadsheet::Workbook& book, const CellAddress& at, std::string_view text,
               const input::InputLocale& locale, EntryMemory& memory);

} // namespace spreadsheet::automation
