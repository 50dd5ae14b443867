// SPDX-License-Identifier: MIT
// Numbers in the import report's lines: general format with up to 15 significant digits and
// no trailing zeros (1.5, 100, 1E20, 1.5E-6), with the user's decimal separator. Never throws
// except for memory exhaustion; NaN and infinities read "NAN", "INF" and "-INF".
#pragma once

#include <string>
#include <string_view>

namespace dxfi {

// Fixed notation while the decimal exponent lies in -5 < e < 15 (0.0001, 999999999999999),
// scientific otherwise (1E-5, 1E15) with a bare exponent: no "+", no leading zeros.
std::string FormatReportNumber(double value, std::string_view decimalSeparator);
// The same with the user's decimal separator (ReportDecimalSeparator).
std::string FormatReportNumber(double value);

// The decimal separator of the user's locale (LC_NUMERIC of the environment's locale), read
// once; "." when the environment names no usable locale.
const std::string& ReportDecimalSeparator();

} // namespace dxfi
