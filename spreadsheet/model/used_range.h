#pragma once

#include "spreadsheet/model/cell_range.h"

namespace spreadsheet {

class Worksheet;

// The used range as Excel gives it (UsedRange, Ctrl+End), from A1: down to the last row that
// holds a used cell or is formatted as a whole row, across to the last column that holds a used
// cell. A cell is used when it holds a value or a format of its own; a blank cell in the default
// format (XF 15) of a column without format of its own is not, since editing leaves such cells
// behind where nothing was ever typed. A sheet with nothing in it gives A1:A1.
//
// The object model's UsedRange, the preview's snapshot and --render all draw from this one
// function, so what the command line draws is what the user sees.
CellRange usedRange(const Worksheet& sheet);

} // namespace spreadsheet
