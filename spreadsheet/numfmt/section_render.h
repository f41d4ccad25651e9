#pragma once

// Turning one parsed section and a value into text. The caller has chosen the section and
// settled the sign: number renderers get the magnitude and the caller puts "-" in front.

#include "spreadsheet/numfmt/format_code.h"
#include "spreadsheet/numfmt/number_format.h"

#include <string_view>

namespace spreadsheet::numfmt::detail {

// Literal, "_x" and "*x" tokens, which every kind of section shows the same way; false for
// any other token.
bool appendLayoutToken(const Token& token, FormattedText& out);

// Number, Scientific, Fraction and Literal sections; true when a digit other than 0 shows, so
// that the caller knows whether a minus sign belongs in front.
bool renderNumberSection(const Section& section, double magnitude, FormattedText& out);

// False when the value is no date Excel can show (negative or after 31/12/9999).
bool renderDateSection(const Section& section, double value, bool date1904, FormattedText& out);

void renderTextSection(const Section& section, std::string_view text, FormattedText& out);

} // namespace spreadsheet::numfmt::detail
