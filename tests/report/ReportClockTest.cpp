// SPDX-License-Identifier: MIT
#include "report/ReportClock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

using namespace dxfi;

namespace {

TClockReading At(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t minute,
                 uint16_t second, uint16_t millisecond = 0) {
    return TClockReading{year, month, day, hour, minute, second, millisecond};
}

} // namespace

TEST(ElapsedTime, WithinADayAndAcrossMidnight) {
    EXPECT_EQ(FormatElapsedTime(At(2024, 5, 6, 10, 0, 0), At(2024, 5, 6, 10, 3, 7)), "00:03:07");
    EXPECT_EQ(FormatElapsedTime(At(2024, 5, 6, 23, 59, 50), At(2024, 5, 7, 0, 0, 10)), "00:00:20");
    EXPECT_EQ(FormatElapsedTime(At(2024, 5, 6, 10, 0, 0), At(2024, 5, 7, 11, 0, 0)), "25:00:00");
    EXPECT_EQ(FormatElapsedTime(At(2024, 5, 6, 1, 2, 3), At(2024, 5, 6, 1, 2, 3)), "00:00:00");
    // Milliseconds are dropped before subtracting: 0.2 s apart across a second boundary is 1 s.
    EXPECT_EQ(FormatElapsedTime(At(2024, 5, 6, 10, 0, 0, 900), At(2024, 5, 6, 10, 0, 1, 100)),
              "00:00:01");
    EXPECT_EQ(FormatElapsedTime(At(2024, 5, 6, 0, 0, 0), At(2024, 5, 6, 10, 10, 10)), "10:10:10");
}

TEST(ElapsedTime, CalendarDays) {
    // February has 29 days in years divisible by 4, 2100 included.
    EXPECT_EQ(FormatElapsedTime(At(2024, 2, 28, 12, 0, 0), At(2024, 3, 1, 12, 0, 0)), "48:00:00");
    EXPECT_EQ(FormatElapsedTime(At(2023, 2, 28, 12, 0, 0), At(2023, 3, 1, 12, 0, 0)), "24:00:00");
    EXPECT_EQ(FormatElapsedTime(At(2100, 2, 28, 0, 0, 0), At(2100, 3, 1, 0, 0, 0)), "48:00:00");
    EXPECT_EQ(FormatElapsedTime(At(2023, 12, 31, 23, 0, 0), At(2024, 1, 1, 1, 0, 0)), "02:00:00");
    // A leap year is 366 days long; hours above 99 take more digits.
    EXPECT_EQ(FormatElapsedTime(At(2024, 1, 1, 0, 0, 0), At(2025, 1, 1, 0, 0, 0)), "8784:00:00");
    EXPECT_EQ(FormatElapsedTime(At(2023, 1, 1, 0, 0, 0), At(2024, 1, 1, 0, 0, 0)), "8760:00:00");
    EXPECT_EQ(FormatElapsedTime(At(2024, 1, 1, 0, 0, 0), At(2024, 1, 5, 4, 0, 9)), "100:00:09");
}

TEST(ElapsedTime, ClockSetBackAndOddReadings) {
    // The end before the start shows no time rather than a negative one.
    EXPECT_EQ(FormatElapsedTime(At(2024, 5, 6, 10, 0, 0), At(2024, 5, 6, 9, 59, 59)), "00:00:00");
    EXPECT_EQ(FormatElapsedTime(At(2024, 5, 6, 0, 0, 0), At(2023, 5, 6, 23, 0, 0)), "00:00:00");
    // Readings outside the calendar give defined results.
    EXPECT_EQ(FormatElapsedTime(At(0, 0, 0, 0, 0, 0), At(65535, 13, 65535, 65535, 65535, 65535)),
              FormatElapsedTime(At(0, 1, 0, 0, 0, 0), At(65535, 12, 65535, 65535, 65535, 65535)));
}

TEST(StartStamp, CLocaleFormats) {
    const char* saved = std::getenv("LC_ALL");
    std::optional<std::string> previous = saved ? std::optional<std::string>(saved) : std::nullopt;
    // An unknown locale falls back to "C", as does "C" itself.
    for (const char* locale : {"C", "xx_NOWHERE.UTF-8"}) {
        setenv("LC_ALL", locale, 1);
        EXPECT_EQ(FormatShortDate(At(2024, 3, 1, 9, 5, 7)), "03/01/24") << locale;
        EXPECT_EQ(FormatLongTime(At(2024, 3, 1, 9, 5, 7)), "09:05:07") << locale;
    }
    if (previous)
        setenv("LC_ALL", previous->c_str(), 1);
    else
        unsetenv("LC_ALL");
}

TEST(StartStamp, LocalClockIsACalendarReading) {
    TClockReading now = ReadLocalClock();
    EXPECT_GE(now.Year, 2020);
    EXPECT_GE(now.Month, 1);
    EXPECT_LE(now.Month, 12);
    EXPECT_GE(now.Day, 1);
    EXPECT_LE(now.Day, 31);
    EXPECT_LE(now.Hour, 23);
    EXPECT_LE(now.Minute, 59);
    EXPECT_LE(now.Second, 59);
    EXPECT_LE(now.Millisecond, 999);
}
