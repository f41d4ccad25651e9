#include "spreadsheet/render/sheet_geometry.h"

#include "spreadsheet/model/twips.h"
#include "spreadsheet/model/worksheet.h"

#include <algorithm>

namespace spreadsheet::render {

namespace {

int twipsOfColumn(const Worksheet& sheet, uint16_t column, const ColumnUnit& unit)
{
    const ColumnInfo* info = sheet.findColumn(column);
    if (info && info->hidden)
        return 0;
    return columnWidthTwips(sheet.columnWidth(column, unit.fontHeightTwips), unit.digitTwips);
}

} // namespace

int columnWidthTwips(uint16_t width256, int digitTwips)
{
    const int64_t scaled = int64_t(width256) * std::max(digitTwips, 0);
    // floor(scaled / 256 - 1/2) without leaving integers; a width under half a twip is none.
    return static_cast<int>(std::max<int64_t>((2 * scaled - 256) / 512, 0));
}

SheetGeometry::SheetGeometry(const Worksheet& sheet, const CellRange& range, const ColumnUnit& unit)
{
    m_columnEdges.reserve(size_t(range.lastColumn - range.firstColumn) + 2);
    m_columnEdges.push_back(kOrigin);
    int64_t twips = 0;
    for (uint32_t column = range.firstColumn; column <= range.lastColumn; ++column) {
        twips += twipsOfColumn(sheet, static_cast<uint16_t>(column), unit);
        m_columnEdges.push_back(kOrigin +
                                static_cast<int>((twips + kTwipsPerPixel / 2) / kTwipsPerPixel));
    }
    m_rowEdges.reserve(range.lastRow - range.firstRow + 2);
    m_rowEdges.push_back(kOrigin);
    for (uint32_t row = range.firstRow; row <= range.lastRow; ++row) {
        const Row* r = sheet.findRow(row);
        const int height = r && r->hidden ? 0 : twipsToPixels(sheet.rowHeightTwips(row));
        m_rowEdges.push_back(m_rowEdges.back() + height);
    }
}

} // namespace spreadsheet::render
