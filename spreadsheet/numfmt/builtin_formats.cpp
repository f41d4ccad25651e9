#include "spreadsheet/numfmt/number_format.h"

#include <array>

namespace spreadsheet::numfmt {

namespace {

// Ids 23-36 belong to East Asian versions of Excel and have no English code.
constexpr std::array<std::string_view, 50> kBuiltinCodes = {
    "General",
    "0",
    "0.00",
    "#,##0",
    "#,##0.00",
    "\"$\"#,##0_);\\(\"$\"#,##0\\)",
    "\"$\"#,##0_);[Red]\\(\"$\"#,##0\\)",
    "\"$\"#,##0.00_);\\(\"$\"#,##0.00\\)",
    "\"$\"#,##0.00_);[Red]\\(\"$\"#,##0.00\\)",
    "0%",
    "0.00%",
    "0.00E+00",
    "# ?/?",
    "# ?\?/?\?", // "\?" keeps "??/" from reading as a trigraph
    "m/d/yyyy",
    "d-mmm-yy",
    "d-mmm",
    "mmm-yy",
    "h:mm AM/PM",
    "h:mm:ss AM/PM",
    "h:mm",
    "h:mm:ss",
    "m/d/yyyy h:mm",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "#,##0_);\\(#,##0\\)",
    "#,##0_);[Red]\\(#,##0\\)",
    "#,##0.00_);\\(#,##0.00\\)",
    "#,##0.00_);[Red]\\(#,##0.00\\)",
    "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)",
    "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)",
    "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)",
    "_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"??_);_(@_)",
    "mm:ss",
    "[h]:mm:ss",
    "mmss.0",
    "##0.0E+0",
    "@",
};

} // namespace

std::string_view builtinFormatCode(uint16_t id)
{
    return id < kBuiltinCodes.size() ? kBuiltinCodes[id] : std::string_view{};
}

} // namespace spreadsheet::numfmt
