#include "spreadsheet/numfmt/date_serial.h"

namespace spreadsheet::numfmt {

namespace {

// 30/12/1899 as days since 1/1/1970: serial 0 for every day from 1/3/1900 on.
constexpr int64_t kUnixDayOfSerialEpoch = -25569;

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

// The proleptic Gregorian date of a count of days since 1/1/1970 (H. Hinnant's civil_from_days).
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

} // namespace

int64_t serialOfDate(const CivilDate& date)
{
    if (date == CivilDate{1900, 2, 29})
        return kPhantomLeapDaySerial;
    const int64_t days = unixDaysFromCivil(date.year, date.month, date.day) - kUnixDayOfSerialEpoch;
    // Days before the phantom leap day count one less than the calendar does.
    return days > kPhantomLeapDaySerial ? days : days - 1;
}

CivilDate dateOfSerial(int64_t serial)
{
    if (serial == 0)
        return CivilDate{1900, 1, 0};
    if (serial == kPhantomLeapDaySerial)
        return CivilDate{1900, 2, 29};
    return civilFromUnixDays(kUnixDayOfSerialEpoch +
                             (serial > kPhantomLeapDaySerial ? serial : serial + 1));
}

} // namespace spreadsheet::numfmt
