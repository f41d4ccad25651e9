#include "spreadsheet/input/typed_input.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

namespace spreadsheet::input {
namespace {

using numfmt::FormatCategory;

const InputLocale kUnitedStates;
const InputLocale kGermany{",", ".", "€", DateOrder::DayMonthYear};
const InputLocale kJapanIso{".", ",", "¥", DateOrder::YearMonthDay};

struct TypedCase
{
    std::string_view typed;
    FormatCategory cell;
    std::optional<double> number; // nullopt: stays text exactly as typed
    std::optional<uint16_t> formatId = std::nullopt;
    const InputLocale* locale = &kUnitedStates;
};

constexpr auto kCurrency = FormatCategory::Currency;
constexpr auto kDate = FormatCategory::Date;

const TypedCase kCases[] = {
    // General and Text cells keep what was typed, however numeric it looks.
    {"000123", FormatCategory::General, std::nullopt},
    {"12345678901234567890", FormatCategory::General, std::nullopt},
    {"10-12", FormatCategory::General, std::nullopt},
    {"10/16/2005", FormatCategory::General, std::nullopt},
    {"42", FormatCategory::Text, std::nullopt},
    // "=" never makes a formula, whatever the cell.
    {"=SUM(J:J)", kCurrency, std::nullopt},
    {"=1+1", FormatCategory::General, std::nullopt},
    // Numbers in number cells.
    {"1234.5", kCurrency, 1234.5},
    {"  42  ", FormatCategory::Number, 42},
    {"+7", FormatCategory::Number, 7},
    {"000123", FormatCategory::Number, 123},
    {".5", FormatCategory::Number, 0.5},
    {"5.", FormatCategory::Number, 5},
    {"-12", kCurrency, -12},
    {"(12.50)", kCurrency, -12.5},
    {"1,234,567", FormatCategory::Number, 1234567, 3},
    {"1,234.5", kCurrency, 1234.5, 4},
    {"12,34", kCurrency, std::nullopt},
    {"1,2345", kCurrency, std::nullopt},
    {",123", kCurrency, std::nullopt},
    {"$1,234.50", FormatCategory::Accounting, 1234.5, 7},
    {"$45", kCurrency, 45, 5},
    {"-$12", kCurrency, -12, 5},
    {"$-12", kCurrency, -12, 5},
    {"($12)", kCurrency, -12, 5},
    {"12 $", kCurrency, 12, 5},
    {"-(12)", kCurrency, std::nullopt},
    {"15%", FormatCategory::Percent, 0.15, 9},
    {"15", FormatCategory::Percent, 0.15},
    {"-2", FormatCategory::Percent, -0.02},
    {"0.15", FormatCategory::Percent, 0.15},
    {"15", FormatCategory::Number, 15},
    {"12.5%", FormatCategory::Number, 0.125, 10},
    {"$5%", FormatCategory::Number, std::nullopt},
    {"1.5E3", FormatCategory::Scientific, 1500, 11},
    {"2e-3", FormatCategory::Number, 0.002, 11},
    {"1E", FormatCategory::Number, std::nullopt},
    {"1e999", FormatCategory::Number, std::nullopt},
    {"12345678901234567890", FormatCategory::Number, 12345678901234567890.0},
    {"1 1/2", FormatCategory::Fraction, std::nullopt},
    {"twelve", kCurrency, std::nullopt},
    {"", kCurrency, std::nullopt},
    {"$", kCurrency, std::nullopt},
    // Dates become serials of the 1900 system.
    {"10/16/2005", kDate, 38641, 14},
    {"10-16-2005", kDate, 38641, 14},
    {"10.16.05", kDate, 38641, 14},
    {"2005-10-16", kDate, 38641, 14},
    {"1/1/1900", kDate, 1, 14},
    {"2/29/1900", kDate, 60, 14},
    {"3/1/1900", kDate, 61, 14},
    {"12/31/9999", kDate, 2958465, 14},
    {"1/1/29", kDate, 47119, 14},
    {"1/1/30", kDate, 10959, 14},
    {"2/29/2005", kDate, std::nullopt},
    {"13/1/2005", kDate, std::nullopt},
    {"10/16/205", kDate, std::nullopt},
    // The month spelled out after the day, as a system without a configured language writes
    // its short dates.
    {"16 Oct 2005", kDate, 38641, 14},
    {"16-oct-05", kDate, 38641, 14},
    {"16 OCTOBER 2005", kDate, 38641, 14},
    {"1 Jan 1900", kDate, 1, 14},
    {"29 Feb 2005", kDate, std::nullopt},
    {"16 Okt 2005", kDate, std::nullopt},
    {"16 Oct-2005", kDate, std::nullopt},
    {"16 Oct 205", kDate, std::nullopt},
    {"Oct 2005", kDate, std::nullopt},
    {"16 Oct", kDate, std::nullopt},
    {"10/16-2005", kDate, std::nullopt},
    {"10/16/2005", FormatCategory::Time, 38641, 14},
    {"10-12", kDate, std::nullopt},
    // Other locales.
    {"16.10.2005", kDate, 38641, 14, &kGermany},
    {"1.234,5", kCurrency, 1234.5, 4, &kGermany},
    {"1.234,50 €", kCurrency, 1234.5, 7, &kGermany},
    {"1,5", FormatCategory::Number, 1.5, std::nullopt, &kGermany},
    {"05/10/16", kDate, 38641, 14, &kJapanIso},
    {"¥500", kCurrency, 500, 5, &kJapanIso},
};

TEST(TypedInput, ConvertsAsTypingIntoTheCell)
{
    for (const TypedCase& c : kCases) {
        const TypedValue value = interpretTyped(c.typed, *c.locale, c.cell);
        if (c.number) {
            EXPECT_EQ(value.kind, TypedValue::Kind::Number) << '"' << c.typed << '"';
            EXPECT_DOUBLE_EQ(value.number, *c.number) << '"' << c.typed << '"';
            EXPECT_EQ(value.formatId, c.formatId) << '"' << c.typed << '"';
        } else {
            EXPECT_EQ(value.kind, TypedValue::Kind::Text) << '"' << c.typed << '"';
            EXPECT_EQ(value.text, c.typed) << "text is kept exactly";
        }
    }
}

} // namespace
} // namespace spreadsheet::input
