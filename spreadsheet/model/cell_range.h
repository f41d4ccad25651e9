#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

// Column 0 -> "A", 27 -> "AB", 255 -> "IV".
std::string columnLetters(uint16_t column);
// "A1:L200", or "B3" for one cell.
std::string rangeAddress(const CellRange& range);
// Reads "A1:L200", "$A$1:$L$200", "l200:a1" or "B3" (letters in either case); nullopt for
// anything else or for a cell beyond IV65536.
std::optional<CellRange> parseRangeAddress(std::string_view text);

} // namespace spreadsheet
