#include "spreadsheet/numfmt/section_render.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <string>

namespace spreadsheet::numfmt::detail {

namespace {

constexpr std::array<std::string_view, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<std::string_view, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                       "Thursday", "Friday", "Saturday"};

constexpr int64_t kSecondsPerDay = 86400;
// 31/12/9999, the last day either date system shows, as a day of the 1900 system.
constexpr int64_t kLastSerial1900 = 2958465;
// Day 0 of the 1904 system (1/1/1904) is day 1462 of the 1900 system.
constexpr int64_t kDays1904To1900 = 1462;

struct CivilDate
{
    int year = 1900;
    int month = 1;
    int day = 0;
    int weekday = 0; // 0 Sunday
};

struct Moment
{
    int64_t days = 0; // whole days of the value as given
    CivilDate date;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int64_t secondFraction = 0; // in units of 10^-secondDecimals seconds
};

// Days since 1/1/1970 to a proleptic Gregorian date (H. Hinnant's civil_from_days).
CivilDate civilFromUnixDays(int64_t z)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    CivilDate date;
    date.day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    date.month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    date.year = static_cast<int>(yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0));
    return date;
}

// A day of the 1900 system. Excel counts 29/2/1900, a day that never was, so days from 61 on
// are one more than the calendar's count from 31/12/1899, and day 0 shows as 0/1/1900.
CivilDate civilFromSerial1900(int64_t serial)
{
    // Serial 1 counts as a Sunday, so the weekdays before the missing day are off by one as in
    // Excel, and right from 1/3/1900 on.
    const int weekday = static_cast<int>((serial + 6) % 7);
    CivilDate date;
    if (serial == 0) {
        date = CivilDate{1900, 1, 0, 0};
    } else if (serial == 60) {
        date = CivilDate{1900, 2, 29, 0};
    } else {
        constexpr int64_t kUnixDayOf18991231 = -25568;
        date = civilFromUnixDays(kUnixDayOf18991231 + (serial > 60 ? serial - 1 : serial));
    }
    date.weekday = weekday;
    return date;
}

bool momentFromSerial(const Section& section, double value, bool date1904, Moment& moment)
{
    int64_t unitsPerSecond = 1;
    for (int i = 0; i < section.secondDecimals; ++i) {
        unitsPerSecond *= 10;
    }
    const double lastValue =
        static_cast<double>(kLastSerial1900 + 1 - (date1904 ? kDays1904To1900 : 0));
    if (!(value >= 0) || value >= lastValue) {
        return false;
    }
    // A time is rounded to the smallest unit the section shows and carries into the next
    // minute, hour and day; a date alone is the day the value falls in.
    const double scaled = value * static_cast<double>(kSecondsPerDay * unitsPerSecond);
    const auto units =
        static_cast<int64_t>(section.hasTimePart ? std::floor(scaled + 0.5) : std::floor(scaled));
    const int64_t unitsPerDay = kSecondsPerDay * unitsPerSecond;
    moment.days = units / unitsPerDay;
    const int64_t serial1900 = moment.days + (date1904 ? kDays1904To1900 : 0);
    if (serial1900 > kLastSerial1900) {
        return false;
    }
    const int64_t secondsOfDay = (units % unitsPerDay) / unitsPerSecond;
    moment.secondFraction = units % unitsPerSecond;
    moment.hour = static_cast<int>(secondsOfDay / 3600);
    moment.minute = static_cast<int>(secondsOfDay / 60 % 60);
    moment.second = static_cast<int>(secondsOfDay % 60);
    moment.date = civilFromSerial1900(serial1900);
    return true;
}

void appendPadded(std::string& out, int64_t number, int width)
{
    const std::string digits = std::to_string(number);
    if (static_cast<int>(digits.size()) < width) {
        out.append(static_cast<size_t>(width) - digits.size(), '0');
    }
    out += digits;
}

void appendSecondFraction(std::string& out, const Moment& moment, int decimals, int shown)
{
    std::string digits = std::to_string(moment.secondFraction);
    digits.insert(0, static_cast<size_t>(decimals) - digits.size(), '0');
    out.push_back('.');
    out += digits.substr(0, static_cast<size_t>(shown));
}

void appendAmPm(std::string& out, const Token& token, int hour)
{
    const bool afternoon = hour >= 12;
    if (token.text.size() == 3) { // "A/P"
        out.push_back(token.text[afternoon ? 2 : 0]);
    } else { // "AM/PM", in the letter case written
        out += token.text.substr(afternoon ? 3 : 0, 2);
    }
}

void appendDatePart(std::string& out, const Section& section, const Token& token,
                    const Moment& moment)
{
    const int64_t totalHours = moment.days * 24 + moment.hour;
    const int64_t totalMinutes = totalHours * 60 + moment.minute;
    switch (token.kind) {
    case TokenKind::Year:
        if (token.count <= 2) {
            appendPadded(out, moment.date.year % 100, 2);
        } else {
            appendPadded(out, moment.date.year, 4);
        }
        break;
    case TokenKind::Month: {
        const std::string_view name = kMonthNames[static_cast<size_t>(moment.date.month - 1)];
        if (token.count <= 2) {
            appendPadded(out, moment.date.month, token.count);
        } else if (token.count == 3) {
            out += name.substr(0, 3);
        } else if (token.count == 5) {
            out += name.substr(0, 1);
        } else {
            out += name;
        }
        break;
    }
    case TokenKind::Day: {
        const std::string_view name = kDayNames[static_cast<size_t>(moment.date.weekday)];
        if (token.count <= 2) {
            appendPadded(out, moment.date.day, token.count);
        } else {
            out += token.count == 3 ? name.substr(0, 3) : name;
        }
        break;
    }
    case TokenKind::Hour: {
        const int hour =
            section.twelveHour ? (moment.hour % 12 == 0 ? 12 : moment.hour % 12) : moment.hour;
        appendPadded(out, hour, std::min(token.count, 2));
        break;
    }
    case TokenKind::Minute:
        appendPadded(out, moment.minute, std::min(token.count, 2));
        break;
    case TokenKind::Second:
        appendPadded(out, moment.second, std::min(token.count, 2));
        break;
    case TokenKind::SecondFraction:
        appendSecondFraction(out, moment, section.secondDecimals, token.count);
        break;
    case TokenKind::AmPm:
        appendAmPm(out, token, moment.hour);
        break;
    case TokenKind::ElapsedHours:
        appendPadded(out, totalHours, token.count);
        break;
    case TokenKind::ElapsedMinutes:
        appendPadded(out, totalMinutes, token.count);
        break;
    case TokenKind::ElapsedSeconds:
        appendPadded(out, totalMinutes * 60 + moment.second, token.count);
        break;
    default:
        break;
    }
}

} // namespace

bool renderDateSection(const Section& section, double value, bool date1904, FormattedText& out)
{
    Moment moment;
    if (!momentFromSerial(section, value, date1904, moment)) {
        return false;
    }
    for (const Token& token : section.tokens) {
        if (!appendLayoutToken(token, out)) {
            appendDatePart(out.text, section, token, moment);
        }
    }
    return true;
}

} // namespace spreadsheet::numfmt::detail
