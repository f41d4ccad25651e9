#pragma once

// Where the cells of a range lie in the picture, in pixels at 100 % (96 dots per inch, 15
// twips a pixel).
//
// Column widths are stored in 1/256 of the width of the widest digit of the workbook's default
// font and include the cell's padding. That digit is measured as the font designs it, not as
// hinting rounds it on a screen, and truncated to whole twips: 111 twips (7.4 pixels) for
// Arial 10 and Calibri 11, 120 for Times New Roman 12. A column is then
//
//     twips = floor(width256 * digitTwips / 256 - 1/2)
//
// wide, so the template's default 2340 is 1014 twips, 67.6 pixels. Column edges are the running
// total of twips turned into pixels, so that a picture lines up with the same sheet printed at
// 100 % by other spreadsheet programs, column for column, however wide the sheet. Row heights
// are stored in twips.
//
// Every column's last pixel is its gridline (and the line of a right border); a cell's top and
// left lines belong to its neighbours. The picture keeps a margin of one pixel beyond the lines
// around the range, so that the outer half of a thick or double border there is drawn too:
// edges()[0] is 2 and the picture ends one pixel after the last edge.

#include "spreadsheet/model/cell_range.h"

#include <cstdint>
#include <vector>

namespace spreadsheet {
class Worksheet;
}

namespace spreadsheet::render {

// What the default font contributes to column widths.
struct ColumnUnit
{
    int digitTwips = 111;           // the widest digit, in whole twips
    uint16_t fontHeightTwips = 200; // the font's height, which sets a default width's padding
};

int columnWidthTwips(uint16_t width256, int digitTwips);

class SheetGeometry
{
public:
    // The pixels between the picture's edge and the first cell: the range's own top or left
    // line, and the margin beyond it.
    static constexpr int kOrigin = 2;
    // The pixels after the last edge: the outer half of the range's right or bottom line.
    static constexpr int kEndMargin = 1;

    SheetGeometry(const Worksheet& sheet, const CellRange& range, const ColumnUnit& unit);

    // Left edge of the range's column `index` (0 = range.firstColumn); index = column count
    // gives the right edge of the last column.
    int columnEdge(uint32_t index) const { return m_columnEdges[index]; }
    int rowEdge(uint32_t index) const { return m_rowEdges[index]; }
    uint32_t columnCount() const { return static_cast<uint32_t>(m_columnEdges.size() - 1); }
    uint32_t rowCount() const { return static_cast<uint32_t>(m_rowEdges.size() - 1); }
    // The picture's size: every cell, its lines and the margin on each side.
    int width() const { return m_columnEdges.back() + kEndMargin; }
    int height() const { return m_rowEdges.back() + kEndMargin; }

private:
    std::vector<int> m_columnEdges;
    std::vector<int> m_rowEdges;
};

} // namespace spreadsheet::render
