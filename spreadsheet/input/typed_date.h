#pragma once

#include "spreadsheet/input/typed_input.h"

#include <optional>
#include <string_view>

namespace spreadsheet::input::detail {

// The 1900-system serial of a date typed in the locale's short order, as yyyy-mm-dd or with
// the month spelled out after the day; nullopt when the text is no valid date.
std::optional<double> parseTypedDate(std::string_view text, DateOrder order);

} // namespace spreadsheet::input::detail
