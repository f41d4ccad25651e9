#include "spreadsheet/model/cell_range.h"

#include <algorithm>
#include <cctype>

namespace spreadsheet {

namespace {

// Reads "[$]COLUMN[$]ROW" from `text` at `at`; false when no cell of the grid is named there.
bool readCell(std::string_view text, size_t& at, uint32_t& row, uint32_t& column)
{
    const auto skipDollar = [&] {
        if (at < text.size() && text[at] == '$')
            ++at;
    };
    skipDollar();
    uint32_t letters = 0;
    column = 0;
    while (at < text.size() && std::isalpha(static_cast<unsigned char>(text[at])) && letters < 3) {
        column =
            column * 26 + uint32_t(std::toupper(static_cast<unsigned char>(text[at])) - 'A' + 1);
        ++at;
        ++letters;
    }
    skipDollar();
    uint32_t digits = 0;
    row = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && digits < 6) {
        row = row * 10 + uint32_t(text[at] - '0');
        ++at;
        ++digits;
    }
    if (letters == 0 || digits == 0 || column > kMaxColumns || row == 0 || row > kMaxRows)
        return false;
    --row;
    --column;
    return true;
}

} // namespace

std::string columnLetters(uint16_t column)
{
    std::string letters;
    for (uint32_t n = uint32_t(column) + 1; n > 0; n = (n - 1) / 26)
        letters.insert(letters.begin(), char('A' + (n - 1) % 26));
    return letters;
}

std::string rangeAddress(const CellRange& range)
{
    const std::string first = columnLetters(range.firstColumn) + std::to_string(range.firstRow + 1);
    if (range.firstRow == range.lastRow && range.firstColumn == range.lastColumn)
        return first;
    return first + ":" + columnLetters(range.lastColumn) + std::to_string(range.lastRow + 1);
}

std::optional<CellRange> parseRangeAddress(std::string_view text)
{
    size_t at = 0;
    uint32_t row1 = 0, column1 = 0;
    if (!readCell(text, at, row1, column1))
        return std::nullopt;
    uint32_t row2 = row1, column2 = column1;
    if (at < text.size()) {
        if (text[at] != ':')
            return std::nullopt;
        ++at;
        if (!readCell(text, at, row2, column2) || at != text.size())
            return std::nullopt;
    }
    return CellRange{std::min(row1, row2), std::max(row1, row2),
                     uint16_t(std::min(column1, column2)), uint16_t(std::max(column1, column2))};
}

} // namespace spreadsheet
