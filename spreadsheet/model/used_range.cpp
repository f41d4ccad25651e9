#include "spreadsheet/model/used_range.h"

#include "spreadsheet/model/worksheet.h"

#include <algorithm>
#include <array>

namespace spreadsheet {

namespace {

constexpr uint16_t kDefaultCellXf = 15;

// Which columns carry a format of their own.
std::array<bool, kMaxColumns> formattedColumns(const Worksheet& sheet)
{
    std::array<bool, kMaxColumns> formatted{};
    for (const ColumnInfo& info : sheet.columns)
        for (uint32_t column = info.first; column <= info.last && column < kMaxColumns; ++column)
            formatted[column] = info.xf != kDefaultCellXf;
    return formatted;
}

} // namespace

CellRange usedRange(const Worksheet& sheet)
{
    const std::array<bool, kMaxColumns> columnFormatted = formattedColumns(sheet);
    CellRange range;
    for (uint32_t row = 0; row < sheet.rowCount(); ++row) {
        const Row& r = sheet.rows[row];
        if (r.formatted)
            range.lastRow = row;
        for (const Cell& cell : r.cells) {
            const bool used = cell.kind != CellKind::Blank || cell.xf != kDefaultCellXf ||
                              (cell.column < kMaxColumns && columnFormatted[cell.column]);
            if (!used)
                continue;
            range.lastRow = row;
            range.lastColumn = std::max(range.lastColumn, cell.column);
        }
    }
    return range;
}

} // namespace spreadsheet
