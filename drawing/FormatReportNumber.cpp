// SPDX-License-Identifier: MIT
#include "drawing/FormatReportNumber.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#if defined(_WIN32)
#include <windows.h>
#else
#include <langinfo.h>
#include <locale.h>
#endif

namespace dxfi {

namespace {

constexpr int kSignificantDigits = 15;

#if defined(_WIN32)
// The decimal separator of the user's regional settings.
std::string ReadUserDecimalSeparator() {
    wchar_t wide[8] = {};
    const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, wide, 8);
    if (length <= 1) return ".";
    char narrow[32] = {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, length - 1, narrow,
                                          static_cast<int>(sizeof narrow), nullptr, nullptr);
    return bytes > 0 ? std::string(narrow, static_cast<std::size_t>(bytes)) : std::string(".");
}
#else
std::string ReadUserDecimalSeparator() {
    locale_t user = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
    if (user == static_cast<locale_t>(nullptr)) return ".";
    const char* radix = nl_langinfo_l(RADIXCHAR, user);
    std::string separator = (radix && *radix) ? radix : ".";
    freelocale(user);
    return separator;
}
#endif

} // namespace

const std::string& ReportDecimalSeparator() {
    static const std::string separator = ReadUserDecimalSeparator();
    return separator;
}

std::string FormatReportNumber(double value) {
    return FormatReportNumber(value, ReportDecimalSeparator());
}

std::string FormatReportNumber(double value, std::string_view decimalSeparator) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (value == 0.0) return "0";

    // The C library rounds to 15 significant digits; only the digits and the exponent of its
    // text are used, so whatever separator the process locale gives it does not matter.
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*e", kSignificantDigits - 1, value);
    std::string_view text(buffer);
    const bool negative = text.front() == '-';
    if (negative) text.remove_prefix(1);
    const std::size_t ePos = text.find('e');
    std::string digits;
    for (char c : text.substr(0, ePos))
        if (c >= '0' && c <= '9') digits += c;
    const int exponent = std::atoi(std::string(text.substr(ePos + 1)).c_str());
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent >= kSignificantDigits || exponent < -4) {
        out += digits[0];
        if (digits.size() > 1) {
            out += decimalSeparator;
            out.append(digits, 1, std::string::npos);
        }
        out += 'E';
        out += std::to_string(exponent);
    } else if (exponent < 0) {
        out += '0';
        out += decimalSeparator;
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
    } else {
        const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= whole) {
            out += digits;
            out.append(whole - digits.size(), '0');
        } else {
            out.append(digits, 0, whole);
            out += decimalSeparator;
            out.append(digits, whole, std::string::npos);
        }
    }
    return out;
}

} // namespace dxfi
