#pragma once

// Where the cells of a range lie in the picture, in pixels at 100 % (96 dots per inch).
//
// Column widths are stored in 1/256 of the width of the workbook's default font's widest digit
// ("maximum digit width", mdw; 7 pixels for Arial 10) and include the cell's padding. Excel
// turns the stored value w256 into whole pixels as
//
//     pixels = trunc((w256 + trunc(128 / mdw)) / 256 * mdw)
//
// (the 128/mdw term rounds the character count to the nearest pixel before truncating), so the
// default 2340 (9.14 characters) gives trunc(2358 / 256 * 7) = trunc(64.48) = 64 pixels. Row
// heights are stored in twips; at 96 dots per inch a pixel is 15 twips.
//
// Every column's last pixel is its gridline (and the line of a right border); a cell's top and
// left lines belong to its neighbours. The picture starts one pixel before the first cell so that
// the top and left borders of the range are visible: edges()[0] is 1.

#include "spreadsheet/model/cell_range.h"

#include <cstdint>
#include <vector>

namespace spreadsheet {
class Worksheet;
}

namespace spreadsheet::render {

int columnWidthPixels(uint16_t width256, int maxDigitWidth);

class SheetGeometry
{
public:
    SheetGeometry(const Worksheet& sheet, const CellRange& range, int maxDigitWidth);

    // Left edge of the range's column `index` (0 = range.firstColumn); index = column count
    // gives the right edge of the last column.
    int columnEdge(uint32_t index) const { return m_columnEdges[index]; }
    int rowEdge(uint32_t index) const { return m_rowEdges[index]; }
    uint32_t columnCount() const { return static_cast<uint32_t>(m_columnEdges.size() - 1); }
    uint32_t rowCount() const { return static_cast<uint32_t>(m_rowEdges.size() - 1); }
    // The picture's size: every cell plus the one-pixel lines on the left and top.
    int width() const { return m_columnEdges.back(); }
    int height() const { return m_rowEdges.back(); }

private:
    std::vector<int> m_columnEdges;
    std::vector<int> m_rowEdges;
};

} // namespace spreadsheet::render
