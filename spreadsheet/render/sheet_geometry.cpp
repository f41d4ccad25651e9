#include "spreadsheet/render/sheet_geometry.h"

#include "spreadsheet/model/twips.h"
#include "spreadsheet/model/worksheet.h"

namespace spreadsheet::render {

int columnWidthPixels(uint16_t width256, int maxDigitWidth)
{
    if (maxDigitWidth <= 0)
        return 0;
    const int rounding = 128 / maxDigitWidth;
    return (static_cast<int>(width256) + rounding) * maxDigitWidth / 256;
}

namespace {

// A column without a width of its own takes STANDARDWIDTH when the sheet has one, else
// DEFCOLWIDTH characters plus the five padding pixels, rounded up to a multiple of eight pixels
// as Excel does (8 characters of Arial 10: 8 * 7 + 5 = 61 -> 64 pixels, shown as 8.43).
int columnPixels(const Worksheet& sheet, uint16_t column, int maxDigitWidth)
{
    for (const ColumnInfo& info : sheet.columns)
        if (column >= info.first && column <= info.last)
            return info.hidden ? 0 : columnWidthPixels(info.width, maxDigitWidth);
    if (sheet.standardWidth != 0)
        return columnWidthPixels(sheet.standardWidth, maxDigitWidth);
    const int padded = sheet.defaultColumnWidth * maxDigitWidth + 5;
    return (padded + 7) / 8 * 8;
}

} // namespace

SheetGeometry::SheetGeometry(const Worksheet& sheet, const CellRange& range, int maxDigitWidth)
{
    m_columnEdges.push_back(1);
    for (uint32_t column = range.firstColumn; column <= range.lastColumn; ++column) {
        m_columnEdges.push_back(m_columnEdges.back() +
                                columnPixels(sheet, static_cast<uint16_t>(column), maxDigitWidth));
    }
    m_rowEdges.reserve(range.lastRow - range.firstRow + 2);
    m_rowEdges.push_back(1);
    for (uint32_t row = range.firstRow; row <= range.lastRow; ++row) {
        const Row* r = sheet.findRow(row);
        const int height = r && r->hidden ? 0 : twipsToPixels(sheet.rowHeightTwips(row));
        m_rowEdges.push_back(m_rowEdges.back() + height);
    }
}

} // namespace spreadsheet::render
