#include "spreadsheet/input/typed_date.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <vector>

namespace spreadsheet::input::detail {

namespace {

struct DateField
{
    int value = 0;
    size_t digits = 0;
};

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
        const std::string_view part = text.substr(start, end - start);
        if (part.empty() || part.size() > 4) {
            return std::nullopt;
        }
        const auto result =
            std::from_chars(part.data(), part.data() + part.size(), fields[i].value);
        if (result.ec != std::errc() || result.ptr != part.data() + part.size()) {
            return std::nullopt;
        }
        fields[i].digits = part.size();
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

// Days since 1/1/1970 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
int64_t unixDaysFromCivil(int64_t year, int64_t month, int64_t day)
{
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// Excel's serial: days since 31/12/1899, counting the 29/2/1900 that never was.
double serialOf(int year, int month, int day)
{
    if (year == 1900 && month == 2 && day == 29) {
        return 60;
    }
    const int64_t days = unixDaysFromCivil(year, month, day) - unixDaysFromCivil(1899, 12, 31);
    return static_cast<double>(days >= 60 ? days + 1 : days);
}

} // namespace

std::optional<double> parseTypedDate(std::string_view text, DateOrder order)
{
    const auto fields = splitFields(text);
    if (!fields) {
        return std::nullopt;
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
    if (!year || *year < 1900 || *year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(*year, month)) {
        return std::nullopt;
    }
    return serialOf(*year, month, day);
}

} // namespace spreadsheet::input::detail
