// SPDX-License-Identifier: MIT
// Numbers of report lines: general format, 15 significant digits, no trailing zeros.
#include "drawing/FormatReportNumber.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using dxfi::FormatReportNumber;

TEST(FormatReportNumberTest, FixedNotationWithoutTrailingZeros) {
    EXPECT_EQ(FormatReportNumber(1.5, "."), "1.5");
    EXPECT_EQ(FormatReportNumber(100, "."), "100");
    EXPECT_EQ(FormatReportNumber(0, "."), "0");
    EXPECT_EQ(FormatReportNumber(-0.0, "."), "0");
    EXPECT_EQ(FormatReportNumber(-2.25, "."), "-2.25");
    EXPECT_EQ(FormatReportNumber(0.1 + 0.2, "."), "0.3"); // 15 digits hide the binary tail
    EXPECT_EQ(FormatReportNumber(0.99, "."), "0.99");
    EXPECT_EQ(FormatReportNumber(0.0001, "."), "0.0001");
    EXPECT_EQ(FormatReportNumber(123456789012345, "."), "123456789012345");
    EXPECT_EQ(FormatReportNumber(999999999999999.4, "."), "999999999999999");
    EXPECT_EQ(FormatReportNumber(2.0 / 3.0, "."), "0.666666666666667");
}

TEST(FormatReportNumberTest, ScientificBeyondFifteenDigitsOrBelowTheFourthDecimal) {
    EXPECT_EQ(FormatReportNumber(1e20, "."), "1E20");
    EXPECT_EQ(FormatReportNumber(-1e20, "."), "-1E20");
    EXPECT_EQ(FormatReportNumber(1e15, "."), "1E15");
    EXPECT_EQ(FormatReportNumber(1234567890123456, "."), "1.23456789012346E15");
    EXPECT_EQ(FormatReportNumber(999999999999999.9, "."), "1E15"); // rounds up a digit
    EXPECT_EQ(FormatReportNumber(0.00001, "."), "1E-5");
    EXPECT_EQ(FormatReportNumber(1.5e-7, "."), "1.5E-7");
    EXPECT_EQ(FormatReportNumber(1e300, "."), "1E300");
    EXPECT_EQ(FormatReportNumber(std::numeric_limits<double>::denorm_min(), "."),
              "4.94065645841247E-324");
}

TEST(FormatReportNumberTest, UserSeparatorAndNonNumbers) {
    EXPECT_EQ(FormatReportNumber(1.5, ","), "1,5");
    EXPECT_EQ(FormatReportNumber(1.5e-7, ","), "1,5E-7");
    EXPECT_EQ(FormatReportNumber(0.25, "\xD9\xAB"), "0\xD9\xAB"
                                                    "25"); // a two-byte separator
    EXPECT_EQ(FormatReportNumber(100, ","), "100");
    EXPECT_EQ(FormatReportNumber(std::nan(""), "."), "NAN");
    EXPECT_EQ(FormatReportNumber(INFINITY, "."), "INF");
    EXPECT_EQ(FormatReportNumber(-INFINITY, "."), "-INF");
    // The user's own separator is one of the locale's, "." without one.
    EXPECT_FALSE(dxfi::ReportDecimalSeparator().empty());
    EXPECT_EQ(FormatReportNumber(1.5), "1" + dxfi::ReportDecimalSeparator() + "5");
}
