// SPDX-License-Identifier: MIT
#include "report/ReportClock.h"

#include <algorithm>
#include <array>
#include <ctime>
#if defined(_WIN32)
#include <windows.h>
#else
#include <langinfo.h>
#include <locale.h>
#endif

namespace dxfi {
namespace {

// Days from a fixed origin to the date, on the calendar where every year divisible by 4 is a
// leap year. Any field values give a defined result.
int64_t DayNumber(const TClockReading& date) {
    static constexpr std::array<int64_t, 12> kDaysBeforeMonth = {0,   31,  59,  90,  120, 151,
                                                                 181, 212, 243, 273, 304, 334};
    int64_t year = date.Year;
    std::size_t month = std::clamp<std::size_t>(date.Month, 1, 12) - 1;
    int64_t days = 365 * year + (year + 3) / 4 + kDaysBeforeMonth[month];
    if (month >= 2 && year % 4 == 0) ++days;
    return days + date.Day;
}

int64_t SecondsOfDay(const TClockReading& time) {
    return int64_t{time.Hour} * 3600 + int64_t{time.Minute} * 60 + time.Second;
}

std::string TwoDigits(int64_t value) {
    std::string digits = std::to_string(value);
    return value < 10 ? "0" + digits : digits;
}

#if defined(_WIN32)
// The date or time in the user's regional format, through the system's own formatting.
std::string FormatWithUserLocale(bool date, const TClockReading& reading) {
    SYSTEMTIME fields{};
    fields.wYear = reading.Year;
    fields.wMonth = std::clamp<WORD>(reading.Month, 1, 12);
    fields.wDay = std::clamp<WORD>(reading.Day, 1, 31);
    fields.wHour = std::min<WORD>(reading.Hour, 23);
    fields.wMinute = std::min<WORD>(reading.Minute, 59);
    fields.wSecond = std::min<WORD>(reading.Second, 59);
    std::array<wchar_t, 128> wide{};
    const int length =
        date ? GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &fields, nullptr,
                               wide.data(), static_cast<int>(wide.size()), nullptr)
             : GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &fields, nullptr, wide.data(),
                               static_cast<int>(wide.size()));
    if (length <= 1) return {};
    std::array<char, 512> narrow{};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length - 1, narrow.data(),
                                          static_cast<int>(narrow.size()), nullptr, nullptr);
    return bytes > 0 ? std::string(narrow.data(), static_cast<std::size_t>(bytes)) : std::string();
}
#else
// The user's locale, or "C" when the environment names none that is installed.
class TUserLocale {
public:
    TUserLocale() {
        Locale_ = newlocale(LC_ALL_MASK, "", locale_t{});
        if (!Locale_) Locale_ = newlocale(LC_ALL_MASK, "C", locale_t{});
    }
    ~TUserLocale() {
        if (Locale_) freelocale(Locale_);
    }
    TUserLocale(const TUserLocale&) = delete;
    TUserLocale& operator=(const TUserLocale&) = delete;

    std::string Format(nl_item item, const char* fallback, const TClockReading& reading) const {
        const char* format = Locale_ ? nl_langinfo_l(item, Locale_) : fallback;
        if (!format || !*format) format = fallback;
        std::tm fields{};
        fields.tm_year = int{reading.Year} - 1900;
        fields.tm_mon = std::clamp<int>(reading.Month, 1, 12) - 1;
        fields.tm_mday = reading.Day;
        fields.tm_hour = reading.Hour;
        fields.tm_min = reading.Minute;
        fields.tm_sec = reading.Second;
        // Weekday and day of the year, for formats that name them.
        std::tm normalised = fields;
        if (timegm(&normalised) != static_cast<std::time_t>(-1)) {
            fields.tm_wday = normalised.tm_wday;
            fields.tm_yday = normalised.tm_yday;
        }
        std::array<char, 256> buffer{};
        std::size_t length =
            Locale_ ? strftime_l(buffer.data(), buffer.size(), format, &fields, Locale_)
                    : std::strftime(buffer.data(), buffer.size(), format, &fields);
        return std::string(buffer.data(), length);
    }

private:
    locale_t Locale_{};
};
#endif

} // namespace

#if defined(_WIN32)
TClockReading ReadLocalClock() {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    TClockReading reading;
    reading.Year = local.wYear;
    reading.Month = local.wMonth;
    reading.Day = local.wDay;
    reading.Hour = local.wHour;
    reading.Minute = local.wMinute;
    reading.Second = std::min<uint16_t>(local.wSecond, 59);
    reading.Millisecond = local.wMilliseconds;
    return reading;
}
#else
TClockReading ReadLocalClock() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    TClockReading reading;
    reading.Year = static_cast<uint16_t>(local.tm_year + 1900);
    reading.Month = static_cast<uint16_t>(local.tm_mon + 1);
    reading.Day = static_cast<uint16_t>(local.tm_mday);
    reading.Hour = static_cast<uint16_t>(local.tm_hour);
    reading.Minute = static_cast<uint16_t>(local.tm_min);
    reading.Second = static_cast<uint16_t>(std::min(local.tm_sec, 59));
    reading.Millisecond = static_cast<uint16_t>(now.tv_nsec / 1000000);
    return reading;
}
#endif

std::string FormatElapsedTime(const TClockReading& start, const TClockReading& end) {
    int64_t elapsed =
        (DayNumber(end) - DayNumber(start)) * 86400 + SecondsOfDay(end) - SecondsOfDay(start);
    if (elapsed < 0) elapsed = 0;
    return TwoDigits(elapsed / 3600) + ":" + TwoDigits(elapsed / 60 % 60) + ":" +
           TwoDigits(elapsed % 60);
}

std::string FormatShortDate(const TClockReading& reading) {
#if defined(_WIN32)
    return FormatWithUserLocale(true, reading);
#else
    return TUserLocale().Format(D_FMT, "%m/%d/%y", reading);
#endif
}

std::string FormatLongTime(const TClockReading& reading) {
#if defined(_WIN32)
    return FormatWithUserLocale(false, reading);
#else
    return TUserLocale().Format(T_FMT, "%H:%M:%S", reading);
#endif
}

} // namespace dxfi
