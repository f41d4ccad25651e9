#include "spreadsheet/input/typed_date.h"

#include "spreadsheet/numfmt/date_serial.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <vector>

namespace spreadsheet::input::detail {

namespace {

struct DateField
{
    int value = 0;
    size_t digits = 0;
};

// A run of 1 to `maxDigits` decimal digits and nothing else.
std::optional<DateField> digitField(std::string_view part, size_t maxDigits)
{
    DateField field;
    if (part.empty() || part.size() > maxDigits) {
        return std::nullopt;
    }
    const auto result = std::from_chars(part.data(), part.data() + part.size(), field.value);
    if (result.ec != std::errc() || result.ptr != part.data() + part.size()) {
        return std::nullopt;
    }
    field.digits = part.size();
    return field;
}

// Splits "10/16/2005" into three runs of 1-4 digits with the same separator between them.
std::optional<std::array<DateField, 3>> splitFields(std::string_view text)
{
    const size_t separatorAt = text.find_first_of("/-.");
    if (separatorAt == std::string_view::npos) {
        return std::nullopt;
    }
    const char separator = text[separatorAt];
    std::array<DateField, 3> fields;
    size_t start = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
        const size_t end = i + 1 < fields.size() ? text.find(separator, start) : text.size();
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        const std::optional<DateField> field = digitField(text.substr(start, end - start), 4);
        if (!field) {
            return std::nullopt;
        }
        fields[i] = *field;
        start = end + 1;
    }
    return fields;
}

// Two-digit years as Excel reads them: 00-29 this century, 30-99 the last one.
std::optional<int> fullYear(const DateField& field)
{
    if (field.digits == 4) {
        return field.value;
    }
    if (field.digits <= 2) {
        return field.value < 30 ? 2000 + field.value : 1900 + field.value;
    }
    return std::nullopt;
}

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    // 1900 counts as a leap year, as it does in Excel.
    return month == 2 && (isLeapYear(year) || year == 1900) ? 29
                                                            : kDays[static_cast<size_t>(month - 1)];
}

std::optional<double> serialIfValid(std::optional<int> year, int month, int day)
{
    if (!year || *year < 1900 || *year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(*year, month)) {
        return std::nullopt;
    }
    return static_cast<double>(numfmt::serialOfDate({*year, month, day}));
}

// 1 to 12 for an English month name or its three-letter abbreviation, any case; 0 otherwise.
int monthNumber(std::string_view name)
{
    constexpr std::array<std::string_view, 12> kMonths = {
        "january", "february", "march",     "april",   "may",      "june",
        "july",    "august",   "september", "october", "november", "december"};
    const auto sameLetters = [](std::string_view a, std::string_view b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return std::tolower(static_cast<unsigned char>(x)) == y;
        });
    };
    for (size_t i = 0; i < kMonths.size(); ++i) {
        if (sameLetters(name, kMonths[i]) || sameLetters(name, kMonths[i].substr(0, 3))) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

// "16 Oct 2005", "16-Oct-05" or "16 October 2005": the day-first form with the month spelled
// out, which is also how a system without a configured language writes its short dates.
std::optional<double> parseSpelledMonthDate(std::string_view text)
{
    const size_t firstBreak = text.find_first_of(" -");
    if (firstBreak == std::string_view::npos) {
        return std::nullopt;
    }
    const size_t secondBreak = text.find(text[firstBreak], firstBreak + 1);
    if (secondBreak == std::string_view::npos) {
        return std::nullopt;
    }
    const auto day = digitField(text.substr(0, firstBreak), 2);
    const int month = monthNumber(text.substr(firstBreak + 1, secondBreak - firstBreak - 1));
    const auto year = digitField(text.substr(secondBreak + 1), 4);
    if (!day || month == 0 || !year) {
        return std::nullopt;
    }
    return serialIfValid(fullYear(*year), month, day->value);
}

} // namespace

std::optional<double> parseTypedDate(std::string_view text, DateOrder order)
{
    const auto fields = splitFields(text);
    if (!fields) {
        return parseSpelledMonthDate(text);
    }
    const auto& [first, second, third] = *fields;
    std::optional<int> year;
    int month = 0;
    int day = 0;
    if (first.digits == 4 || order == DateOrder::YearMonthDay) {
        year = fullYear(first), month = second.value, day = third.value;
    } else if (order == DateOrder::MonthDayYear) {
        year = fullYear(third), month = first.value, day = second.value;
    } else {
        year = fullYear(third), month = second.value, day = first.value;
    }
    return serialIfValid(year, month, day);
}

} // namespace spreadsheet::input::detail
