#pragma once

// Numbers as messages show them.

#include <cstdint>
#include <string>

namespace spreadsheet {

// 65536 -> "65,536", -1234 -> "-1,234".
std::string withThousands(int64_t value);

} // namespace spreadsheet
