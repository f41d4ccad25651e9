#pragma once

// Text entered into a cell as a person typing it would enter it.

#include "spreadsheet/model/workbook.h"

#include <cstdint>
#include <map>
#include <string_view>
#include <utility>

namespace spreadsheet::automation {

// (cell XF, number format) -> the XF with that number format; see Document::formatVariants.
using FormatVariants = std::map<std::pair<uint16_t, uint16_t>, uint16_t>;

struct CellAddress
{
    uint32_t sheet = 0;
    uint32_t row = 0; // zero-based
    uint16_t column = 0;
};

// The XF a cell shows: its own, else its row's when the row is formatted, else its column's.
uint16_t effectiveXf(const spreadsheet::Worksheet& sheet, uint32_t row, uint16_t column);

// Empty text empties the cell and keeps its format. Other text is stored as text (a leading
// "=" included: a typed note never becomes a formula).
void enterText(spreadsheet::Workbook& book, const CellAddress& at, std::string_view text,
               FormatVariants& variants);

} // namespace spreadsheet::automation
