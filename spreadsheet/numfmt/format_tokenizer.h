#pragma once

// The first step of parsing a format code: cutting it into sections and each section into
// tokens. Which letters are minutes and which digits belong where is settled afterwards,
// once a section is seen whole (format_code.cpp).

#include "spreadsheet/numfmt/format_code.h"

#include <string_view>
#include <vector>

namespace spreadsheet::numfmt::detail {

// The texts between ";" outside quotes, brackets and escapes; at most four.
std::vector<std::string_view> splitSections(std::string_view code);

// The tokens of one section, with its [condition] and [colour] taken out.
Section tokenizeSection(std::string_view text);

} // namespace spreadsheet::numfmt::detail
