#pragma once

#include "spreadsheet/model/cell_range.h"

namespace spreadsheet {
class Worksheet;
}

namespace spreadsheet::render {

// A1 to the last row and the last column that hold a value or a cell formatted differently
// from its column (a blank cell of the sheet's own format counts; the column formats that
// reach to IV do not). A sheet with nothing in it gives A1:A1.
CellRange usedRange(const Worksheet& sheet);

} // namespace spreadsheet::render
