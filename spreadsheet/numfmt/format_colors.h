#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace spreadsheet::numfmt::detail {

// The colour of a bracket such as "Red" or "Color 10" (the 56 colours of the default
// palette, numbered from 1); nullopt when the bracket names no colour.
std::optional<uint32_t> colorFromBracket(std::string_view content);

} // namespace spreadsheet::numfmt::detail
