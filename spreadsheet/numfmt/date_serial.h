#pragma once

// Days as spreadsheets count them in the 1900 date system. Serial 1 is 1 January 1900, and the
// count includes 29 February 1900, a day the calendar never had (serial 60), so from 1 March
// 1900 (serial 61) on a serial is the number of days since 30 December 1899. Typed input turns
// dates into serials, date formats and the inventory import turn serials back into dates.

#include <cstdint>

namespace spreadsheet::numfmt {

// 29 February 1900, the day the 1900 system counts and the calendar lacks.
inline constexpr int64_t kPhantomLeapDaySerial = 60;
// 31 December 9999, the last day either date system shows.
inline constexpr int64_t kLastSerial1900 = 2958465;
// Day 0 of the 1904 system (1 January 1904) is day 1462 of the 1900 system.
inline constexpr int64_t kDays1904To1900 = 1462;

// A day of the proleptic Gregorian calendar, or one of the two days only the 1900 system has:
// 29/2/1900 and the 0/1/1900 that serial 0 shows as.
struct CivilDate
{
    int year = 1900;
    int month = 1;
    int day = 0;
    bool operator==(const CivilDate&) const = default;
};

// The serial of a date from 1/1/1900 on; 29/2/1900 gives kPhantomLeapDaySerial.
int64_t serialOfDate(const CivilDate& date);

// The date of a serial from 0 to kLastSerial1900: 0 gives 0/1/1900 and kPhantomLeapDaySerial
// gives 29/2/1900, as spreadsheets show them.
CivilDate dateOfSerial(int64_t serial);

} // namespace spreadsheet::numfmt
