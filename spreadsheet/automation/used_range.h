#pragma once

#include "spreadsheet/model/worksheet.h"

namespace spreadsheet::automation {

// The used area as the snapshot reads it: from A1 to the last row and the last column that
// hold a cell with a value or with a format other than the default cell format. An empty sheet
// gives A1 alone, as in Excel.
CellRange usedRange(const spreadsheet::Worksheet& sheet, uint16_t defaultXf = 15);

} // namespace spreadsheet::automation
