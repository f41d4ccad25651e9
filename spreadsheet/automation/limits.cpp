#include "spreadsheet/automation/limits.h"

#include "spreadsheet/model/cell_range.h"
#include "spreadsheet/model/error.h"
#include "spreadsheet/model/number_text.h"

#include <charconv>

namespace spreadsheet::automation {

void checkRowNumber(int64_t row)
{
    if (row < 1)
        throw Error("row " + withThousands(row) + " does not exist: rows are numbered from 1");
    if (row > kMaxRows)
        throw Error("row " + withThousands(row) + " is beyond the last row of the .xls format (" +
                    withThousands(kMaxRows) + ")");
}

void checkColumnNumber(int64_t column)
{
    if (column < 1)
        throw Error("column " + withThousands(column) +
                    " does not exist: columns are numbered from 1");
    if (column > kMaxColumns)
        throw Error("column " + withThousands(column) +
                    " is beyond the last column of the .xls format (256, column IV)");
}

namespace {

uint32_t rowNumber(std::string_view part, std::string_view whole)
{
    int64_t value = 0;
    auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (part.empty() || error != std::errc{} || end != part.data() + part.size())
        throw Error("\"" + std::string(whole) + "\" is not a row or a range of rows such as 10:11");
    checkRowNumber(value);
    return static_cast<uint32_t>(value);
}

} // namespace

RowNumbers parseRowNumbers(std::string_view text)
{
    const size_t colon = text.find(':');
    RowNumbers rows;
    rows.first = rowNumber(text.substr(0, colon), text);
    rows.last =
        colon == std::string_view::npos ? rows.first : rowNumber(text.substr(colon + 1), text);
    if (rows.last < rows.first)
        std::swap(rows.first, rows.last);
    return rows;
}

} // namespace spreadsheet::automation
