#pragma once

// What a person typing into a cell gets. The text is converted only when the cell's number
// format says it holds numbers or dates (a number, currency, accounting, percent, scientific,
// fraction, date or time format); in a General or Text cell it stays text exactly as typed,
// so a serial number "000123", a policy number "12345678901234567890" or a phone "10-12"
// keeps its form. Text starting with "=" is always text: a typed note never becomes a
// formula.
//
// In a numeric cell the blanks around the text are ignored, and these become numbers:
// - whole and decimal numbers, with "+" or "-" or in parentheses (negative), leading zeros
//   allowed; thousands separators only in valid places ("1,234,567", not "12,34");
// - a currency symbol of the locale or "$" before or after the number;
// - a trailing "%" (divided by 100); in a percent cell a number of 1 or more without "%" is
//   taken as percent too ("15" is 0.15), as Excel's automatic percent entry does;
// - scientific notation ("1.5E3");
// - dates in the locale's short order with "/", "-" or "." between the parts (month/day/year
//   in the United States), two-digit years 00-29 meaning 2000-2029 and 30-99 meaning
//   1930-1999, ISO yyyy-mm-dd, and the day before an English month name or its
//   abbreviation ("16 Oct 2005", "16-October-05"); they become serials of the 1900 date
//   system (with its 29/2/1900, as in Excel).
// Whatever does not convert stays text exactly as typed, blanks included: an impossible date
// such as 2/30/2005, a date without a year, a fraction "1 1/2", a time.

#include "spreadsheet/numfmt/number_format.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace spreadsheet::input {

enum class DateOrder
{
    MonthDayYear,
    DayMonthYear,
    YearMonthDay,
};

struct InputLocale
{
    std::string decimalSeparator = ".";
    std::string groupSeparator = ",";
    std::string currencySymbol = "$";
    DateOrder dateOrder = DateOrder::MonthDayYear;
};

struct TypedValue
{
    enum class Kind
    {
        Text,
        Number,
    };
    Kind kind = Kind::Text;
    std::string text;  // Kind::Text: exactly what was typed
    double number = 0; // Kind::Number
    // The built-in format Excel gives a General cell for this entry: 14 for dates, 9 or 10
    // for percentages, 11 for scientific notation, 5 or 7 for currency, 3 or 4 for grouped
    // thousands; none for plain numbers.
    std::optional<uint16_t> formatId;
};

// cellCategory is numfmt::categorize() of the cell's current number format.
TypedValue interpretTyped(std::string_view typed, const InputLocale& locale,
                          numfmt::FormatCategory cellCategory);

} // namespace spreadsheet::input
