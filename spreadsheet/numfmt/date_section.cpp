#include "spreadsheet/numfmt/date_serial.h"
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

struct Moment
{
    int64_t days = 0; // whole days of the value as given
    CivilDate date;
    int weekday = 0; // 0 Sunday
    int hour = 0;
    int minute = 0;
    int second = 0;
    int64_t secondFraction = 0; // in units of 10^-secondDecimals seconds
};

// The weekday of a day of the 1900 system, 0 Sunday. Serial 1 counts as a Sunday, so the
// weekdays before the phantom 29/2/1900 are off by one as in Excel, and right from 1/3/1900 on.
int weekdayOfSerial(int64_t serial)
{
    return static_cast<int>((serial + 6) % 7);
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
    moment.date = dateOfSerial(serial1900);
    moment.weekday = weekdayOfSerial(serial1900);
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
        const std::string_view name = kDayNames[static_cast<size_t>(moment.weekday)];
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
