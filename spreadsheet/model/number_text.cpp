#include "spreadsheet/model/number_text.h"

namespace spreadsheet {

std::string withThousands(int64_t value)
{
    // Through the unsigned magnitude, so that the most negative value has one too.
    const uint64_t magnitude = value < 0 ? 0 - uint64_t(value) : uint64_t(value);
    std::string digits = std::to_string(magnitude);
    for (size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return value < 0 ? "-" + digits : digits;
}

} // namespace spreadsheet
