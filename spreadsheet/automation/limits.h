#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace spreadsheet::automation {

// Checks a 1-based row or column number as a caller passes it; throws spreadsheet::Error
// naming the limit ("row 65,537 is beyond the last row of the .xls format (65,536)").
void checkRowNumber(int64_t row);
void checkColumnNumber(int64_t column);

struct RowNumbers
{
    uint32_t first = 0; // 1-based, as in "10:11"
    uint32_t last = 0;
};

// "10:11" or "12" as Rows() takes them.
RowNumbers parseRowNumbers(std::string_view text);

} // namespace spreadsheet::automation
