#pragma once

// Turns a range of a worksheet into a SheetPicture, drawn as Excel shows the sheet on screen at
// 100 %: column widths and row heights in Excel's pixels, values through their number formats,
// fonts (with metric twins standing in for missing ones), fills, borders, merged areas,
// alignment, wrapping, text spilling into empty neighbours, "#" marks for numbers too wide for
// their cell, and gridlines only when the sheet shows them.
//
// Needs a QGuiApplication (fonts).

#include "spreadsheet/model/cell_range.h"
#include "spreadsheet/render/sheet_picture.h"

namespace spreadsheet {
class Workbook;
class Worksheet;
} // namespace spreadsheet

namespace spreadsheet::render {

SheetPicture renderRange(const Workbook& workbook, const Worksheet& sheet, CellRange range);

} // namespace spreadsheet::render
