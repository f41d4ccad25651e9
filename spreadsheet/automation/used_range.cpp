#include "used_range.h"

#include <algorithm>

namespace spreadsheet::automation {

CellRange usedRange(const spreadsheet::Worksheet& sheet, uint16_t defaultXf)
{
    CellRange used; // A1:A1
    bool foundLastRow = false;
    for (uint32_t r = sheet.rowCount(); r-- > 0;) {
        for (const Cell& cell : sheet.rows[r].cells) {
            if (cell.kind == CellKind::Blank && cell.xf == defaultXf)
                continue;
            if (!foundLastRow) {
                used.lastRow = r;
                foundLastRow = true;
            }
            used.lastColumn = std::max(used.lastColumn, cell.column);
        }
    }
    return used;
}

} // namespace spreadsheet::automation
