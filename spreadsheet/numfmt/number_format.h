#pragma once

// Excel number formats: a format code ("#,##0.00;[Red]-#,##0.00", "m/d/yyyy", "General") is
// split once into up to four sections (positive; negative; zero; text, each with an optional
// [condition] and [colour]) and cached, so formatting a cell is a cache look-up and one walk
// over the chosen section's tokens. Numbers are first reduced to the 15 significant digits
// Excel keeps and then rounded half away from zero, so 2.675 in "0.00" shows 2.68 as it does
// in Excel. The result carries the text and, apart from it, what only the renderer can
// resolve: the colour, the widths "_x" leaves free and the place where "*x" fills the cell.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace spreadsheet::numfmt {

// The format codes of the built-in ids 0-49 as Excel in English (United States) shows them,
// e.g. 14 "m/d/yyyy"; an empty view for ids without a built-in code.
std::string_view builtinFormatCode(uint16_t id);

// The built-in ids that the engine, the default workbook and the template choose by meaning.
// Files store these numbers, so they never change; their codes are builtinFormatCode()'s.
inline constexpr uint16_t kFormatGeneral = 0;
inline constexpr uint16_t kFormatGrouped = 3;         // #,##0
inline constexpr uint16_t kFormatGroupedDecimals = 4; // #,##0.00
inline constexpr uint16_t kFormatCurrency = 5;        // "$"#,##0_);\("$"#,##0\)
inline constexpr uint16_t kFormatCurrencyRed = 6;     // the same, negatives in red
inline constexpr uint16_t kFormatCurrencyDecimals = 7;
inline constexpr uint16_t kFormatCurrencyDecimalsRed = 8;
inline constexpr uint16_t kFormatPercent = 9;          // 0%
inline constexpr uint16_t kFormatPercentDecimals = 10; // 0.00%
inline constexpr uint16_t kFormatScientific = 11;      // 0.00E+00
inline constexpr uint16_t kFormatShortDate = 14;       // m/d/yyyy, shown in the locale's order
// The accounting formats of the Comma [0], Currency [0], Comma and Currency styles.
inline constexpr uint16_t kFormatAccounting = 41;
inline constexpr uint16_t kFormatAccountingCurrency = 42;
inline constexpr uint16_t kFormatAccountingDecimals = 43;
inline constexpr uint16_t kFormatAccountingCurrencyDecimals = 44;

enum class FormatCategory
{
    General,
    Number,
    Currency,
    Accounting,
    Percent,
    Scientific,
    Fraction,
    Date,
    Time,
    DateTime,
    Text,
};

// The category of a format code, judged by its section for positive numbers.
FormatCategory categorize(std::string_view code);

// "_x": the renderer leaves the width of widthOf free before the byte at position.
struct Spacing
{
    size_t position;
    std::string widthOf;
    bool operator==(const Spacing&) const = default;
};

struct FormattedText
{
    std::string text;              // UTF-8, without padding or fill characters
    std::optional<uint32_t> color; // 0xRRGGBB from [Red], [Color 10], ...
    std::vector<Spacing> spacings; // from "_x", in text order
    // "*x": fillChar repeats before the byte at fillPosition until the cell is full.
    std::optional<size_t> fillPosition;
    std::string fillChar;
    bool isNumberResult = true; // false when a text section or "@" produced the text
};

// A value that a date format cannot show (negative, after 31/12/9999) or that no section's
// condition accepts comes back as "#" with "#" as the fill, so the cell fills with "#" as in
// Excel.
FormattedText formatNumber(double value, std::string_view code, bool date1904 = false);

// Text through the format's text section (the fourth, or a last one holding "@"); a format
// without one shows the text unchanged.
FormattedText formatText(std::string_view text, std::string_view code);

// The General format: as many digits as fit in maxChars characters (the sign not counted),
// switching to scientific notation when that shows more of the number.
std::string formatGeneral(double value, int maxChars = 11);

// The text with the "_x" widths as single spaces and without fill, as most text-only
// consumers (and other formatters) show it.
std::string plainText(const FormattedText& formatted);

} // namespace spreadsheet::numfmt
