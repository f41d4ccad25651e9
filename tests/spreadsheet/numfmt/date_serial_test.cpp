#include "spreadsheet/numfmt/date_serial.h"

#include <gtest/gtest.h>

namespace spreadsheet::numfmt {
namespace {

struct SerialCase
{
    int64_t serial;
    CivilDate date;
};

// Serials as spreadsheets give them, around the phantom leap day and at the ends of the range.
const SerialCase kSerialCases[] = {
    {1, {1900, 1, 1}},    {59, {1900, 2, 28}},     {60, {1900, 2, 29}},
    {61, {1900, 3, 1}},   {366, {1900, 12, 31}},   {367, {1901, 1, 1}},
    {1462, {1904, 1, 1}}, {38641, {2005, 10, 16}}, {2958465, {9999, 12, 31}},
};

TEST(DateSerial, SerialsAndDatesCorrespond)
{
    for (const SerialCase& c : kSerialCases) {
        EXPECT_EQ(dateOfSerial(c.serial), c.date) << c.serial;
        EXPECT_EQ(serialOfDate(c.date), c.serial) << c.serial;
    }
}

TEST(DateSerial, SerialZeroShowsAsDayZeroOfJanuary1900)
{
    EXPECT_EQ(dateOfSerial(0), (CivilDate{1900, 1, 0}));
}

TEST(DateSerial, EveryDayOfTheRangeRoundTrips)
{
    for (int64_t serial = 1; serial <= kLastSerial1900; ++serial)
        ASSERT_EQ(serialOfDate(dateOfSerial(serial)), serial);
}

} // namespace
} // namespace spreadsheet::numfmt
