#pragma once

#include <cstdint>

namespace spreadsheet {

// The .xls format's grid: rows 0..65535 and columns 0..255, both zero-based in the model.
inline constexpr uint32_t kMaxRows = 65536;
inline constexpr uint32_t kMaxColumns = 256;
inline constexpr uint32_t kMaxCellTextLength = 32767; // UTF-16 code units
inline constexpr uint32_t kMaxSheetNameLength = 31;

// An inclusive rectangle of cells, zero-based.
struct CellRange
{
    uint32_t firstRow = 0;
    uint32_t lastRow = 0;
    uint16_t firstColumn = 0;
    uint16_t lastColumn = 0;

    bool contains(uint32_t row, uint16_t column) const
    {
        return row >= firstRow && row <= lastRow && column >= firstColumn && column <= lastColumn;
    }
    bool operator==(const CellRange&) const = default;
};

} // namespace spreadsheet
