#include "spreadsheet/render/used_range.h"

#include "spreadsheet/model/worksheet.h"

#include <algorithm>
#include <array>

namespace spreadsheet::render {

namespace {

// The format each column gives its empty cells.
std::array<uint16_t, kMaxColumns> columnXfs(const Worksheet& sheet)
{
    std::array<uint16_t, kMaxColumns> xfs;
    xfs.fill(15);
    for (const ColumnInfo& info : sheet.columns)
        for (uint32_t column = info.first; column <= info.last && column < kMaxColumns; ++column)
            xfs[column] = info.xf;
    return xfs;
}

} // namespace

CellRange usedRange(const Worksheet& sheet)
{
    const std::array<uint16_t, kMaxColumns> defaultXf = columnXfs(sheet);
    CellRange range;
    for (uint32_t row = 0; row < sheet.rowCount(); ++row) {
        const Row& r = sheet.rows[row];
        if (r.formatted)
            range.lastRow = row;
        for (const Cell& cell : r.cells) {
            const bool used = cell.kind != CellKind::Blank ||
                              (cell.column < kMaxColumns && cell.xf != defaultXf[cell.column]);
            if (!used)
                continue;
            range.lastRow = row;
            range.lastColumn = std::max(range.lastColumn, cell.column);
        }
    }
    return range;
}

} // namespace spreadsheet::render
