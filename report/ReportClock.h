// SPDX-License-Identifier: MIT
// The clock a report reads its start and end from, replaceable so that tests can fix the time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace dxfi {

// A local date and time of day as the clock gives it.
struct TClockReading {
    uint16_t Year = 0;
    uint16_t Month = 0;
    uint16_t Day = 0;
    uint16_t Hour = 0;
    uint16_t Minute = 0;
    uint16_t Second = 0;
    uint16_t Millisecond = 0;
};

using TReportClock = std::function<TClockReading()>;

// The local wall clock.
TClockReading ReadLocalClock();

// "hh:mm:ss" from `start` to `end`: whole seconds (milliseconds dropped) plus 86400 for each
// calendar day between the dates, counting February as 29 days in every year divisible by 4.
// Each part has a leading "0" below 10; hours above 99 take more digits. When the end lies
// before the start (the clock was set back) the result is "00:00:00". Months outside 1 to 12
// count as the nearest valid month.
std::string FormatElapsedTime(const TClockReading& start, const TClockReading& end);

// The date in the user's short date format and the time in the user's long time format, as
// the user's locale (LC_ALL / LC_TIME / LANG) gives them; the "C" locale when none is usable.
std::string FormatShortDate(const TClockReading& reading);
std::string FormatLongTime(const TClockReading& reading);

} // namespace dxfi
