// SPDX-License-Identifier: MIT
#include "pcbclient/BoardUnits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

using namespace dxfi;

TEST(BoardUnitsConversion, ReferenceLengths) {
    EXPECT_EQ(MilsToCoord(1), 10000.0);
    EXPECT_EQ(MilsToCoord(1000), 10000000.0);
    EXPECT_NEAR(MMToCoord(1), 393700.7874, 1e-4);
    EXPECT_EQ(CoordToMils(125000), 12.5);
    EXPECT_NEAR(CoordToMM(10000000), 25.4, 1e-12);
    EXPECT_EQ(MMToRoundCoord(1), 393701);
    EXPECT_EQ(MMToRoundCoord(0.127), 50000);
    EXPECT_EQ(MilsToRoundCoord(100000), 1000000000); // side of the valid board region
}

TEST(BoardUnitsConversion, RoundingTiesToEvenAndSaturates) {
    EXPECT_EQ(MilsToRoundCoord(0.00005), 0);  // 0.5 unit
    EXPECT_EQ(MilsToRoundCoord(0.00025), 2);  // 2.5 units
    EXPECT_EQ(MilsToRoundCoord(-0.00005), 0); // -0.5 unit
    EXPECT_EQ(MilsToRoundCoord(1e9), INT32_MAX);
    EXPECT_EQ(MilsToRoundCoord(-1e9), INT32_MIN);
    EXPECT_EQ(MMToRoundCoord(std::numeric_limits<double>::infinity()), INT32_MAX);
    EXPECT_EQ(MMToRoundCoord(std::nan("")), 0);
}

TEST(CoordToUnitText, MilsTrimTrailingZeros) {
    EXPECT_EQ(CoordToUnitText(125000, true), "12.5mil");
    EXPECT_EQ(CoordToUnitText(10000000, true), "1000mil");
    EXPECT_EQ(CoordToUnitText(0, true), "0mil");
    EXPECT_EQ(CoordToUnitText(-125000, true), "-12.5mil");
    EXPECT_EQ(CoordToUnitText(12340, true), "1.234mil");
    EXPECT_EQ(CoordToUnitText(1, true), "0mil");     // 0.0001 mil shows as zero
    EXPECT_EQ(CoordToUnitText(-4, true), "0mil");    // no "-0"
    EXPECT_EQ(CoordToUnitText(6, true), "0.001mil"); // 0.0006 rounds up
    EXPECT_EQ(CoordToUnitText(INT32_MAX, true), "214748.365mil");
    EXPECT_EQ(CoordToUnitText(INT32_MIN, true), "-214748.365mil");
}

TEST(CoordToUnitText, MillimetresRoundToFiveThenShowFour) {
    EXPECT_EQ(CoordToUnitText(10000000, false), "25.4mm");
    EXPECT_EQ(CoordToUnitText(125000, false), "0.3175mm");
    EXPECT_EQ(CoordToUnitText(0, false), "0mm");
    EXPECT_EQ(CoordToUnitText(1, false), "0mm");  // 0.0000254 mm
    EXPECT_EQ(CoordToUnitText(-1, false), "0mm"); // never "-0mm"
    EXPECT_EQ(CoordToUnitText(393701, false), "1mm");
    EXPECT_EQ(CoordToUnitText(-393701, false), "-1mm");
}

TEST(RealCoordToUnitText, KeepsFractionsWithoutPreRounding) {
    EXPECT_EQ(RealCoordToUnitText(true, 125000.0), "12.5mil");
    EXPECT_EQ(RealCoordToUnitText(true, 12345.6), "1.235mil");
    EXPECT_EQ(RealCoordToUnitText(false, 10000000.0), "25.4mm");
    EXPECT_EQ(RealCoordToUnitText(false, -0.5), "0mm");
    EXPECT_EQ(RealCoordToUnitText(true, 0.0), "0mil");
}

TEST(RealCoordToUnitText, HugeAndNonFiniteValuesStayShortAndReadable) {
    const std::string Huge = RealCoordToUnitText(true, 1e24);
    EXPECT_EQ(Huge, "1e+20mil");
    bool InMils = false;
    EXPECT_EQ(UnitTextToCoord(Huge, InMils), INT32_MAX);
    EXPECT_TRUE(InMils);
    EXPECT_EQ(RealCoordToUnitText(true, std::nan("")), "nanmil");
    EXPECT_EQ(RealCoordToUnitText(false, -std::numeric_limits<double>::infinity()), "-infmm");
    EXPECT_LT(RealCoordToUnitText(true, std::numeric_limits<double>::max()).size(), 32u);
}

struct TParseCase {
    const char* Text;
    bool FlagIn;
    int32_t Expected;
    bool FlagOut;
};

// Each case's text read with its flag in: the coordinate and the flag out.
template <std::size_t N> void ExpectParsed(const TParseCase (&Cases)[N]) {
    for (const auto& C : Cases) {
        bool InMils = C.FlagIn;
        EXPECT_EQ(UnitTextToCoord(C.Text, InMils), C.Expected) << C.Text;
        EXPECT_EQ(InMils, C.FlagOut) << C.Text;
    }
}

TEST(UnitTextToCoord, UnitsAndFlag) {
    const TParseCase Cases[] = {
        {"5 mil", false, 50000, true},
        {"0.127MM", true, 50000, false},
        {"7", true, 70000, true},
        {"7", false, 2755906, false},
        {"1mm2mil", true, 393701, false}, // cut before the first "MM"
        {"2mil1mm", true, 787402, false}, // "MM" is looked for first: 2 mm
        {"3mm", true, 1181102, false},
        {"3Mil", false, 30000, true},
        {"-5mil", false, -50000, true},
        {"-0.0001mil", false, -1, true},
        {" 1 2 . 5 m i l ", false, 125000, true},
        {"+2mil", false, 20000, true},
        {".5mil", false, 5000, true},
        {"-.5mil", false, -5000, true},
        {"1.mil", false, 10000, true},
        {"1e3mil", false, 10000000, true},
        {"1E-3MIL", false, 10, true},
    };
    ExpectParsed(Cases);
}

TEST(UnitTextToCoord, NothingReadLeavesFlagUnchanged) {
    for (const char* Text : {"", "   ", "mil5", "MM", "x12mil", "Zmm"}) {
        for (bool Flag : {false, true}) {
            bool InMils = Flag;
            EXPECT_EQ(UnitTextToCoord(Text, InMils), 0) << Text;
            EXPECT_EQ(InMils, Flag) << Text;
        }
    }
}

TEST(UnitTextToCoord, MalformedNumbersReadTheirLongestPrefix) {
    const TParseCase Cases[] = {
        {"1.2.3mil", false, 12000, true},
        {"12x", true, 120000, true},
        {"12xmil", false, 120000, true},
        {"1e", true, 10000, true},
        {"1e+mil", false, 10000, true},
        {"-", false, 0, false},
        {"-mil", false, 0, true},
        {".", true, 0, true},
        {"\t5mil", false, 0, true}, // only spaces are removed
        {"\xC3\xA9"
         "5mm",
         true, 0, false}, // a non-ASCII first byte is no letter
        {"5\xC3\xA9mil", false, 50000, true},
    };
    ExpectParsed(Cases);
    bool InMils = false;
    EXPECT_EQ(UnitTextToCoord(std::string_view("5\0mil", 5), InMils), 50000);
    EXPECT_TRUE(InMils);
}

TEST(UnitTextToCoord, OutOfRangeSaturates) {
    const TParseCase Cases[] = {
        {"1e9mil", false, INT32_MAX, true},
        {"-1e9mil", false, INT32_MIN, true},
        {"1e99999999999999999999mil", false, INT32_MAX, true},
        {"-1e99999999999999999999mm", true, INT32_MIN, false},
        {"1e-99999999999999999999mil", false, 0, true},
        {"0e99999mil", false, 0, true},
        {"0.0000001e400mil", false, INT32_MAX, true},
        {"1000e-330mil", false, 0, true},
    };
    ExpectParsed(Cases);
    bool InMils = true;
    EXPECT_EQ(UnitTextToCoord(std::string(400, '9') + "mil", InMils), INT32_MAX);
    EXPECT_EQ(UnitTextToCoord(std::string(1000000, ' ') + "5mil", InMils), 50000);
    EXPECT_EQ(UnitTextToCoord("-" + std::string(1000000, '0') + "1", InMils), -10000);
}

TEST(UnitTextToRealCoord, WellFormedOnly) {
    bool InMils = true;
    EXPECT_EQ(UnitTextToRealCoord("0.127mm", InMils), MMToCoord(0.127));
    EXPECT_FALSE(InMils);
    EXPECT_EQ(UnitTextToRealCoord("0.00005mil", InMils), 0.5);
    EXPECT_TRUE(InMils);
    EXPECT_EQ(UnitTextToRealCoord("7", InMils), 70000.0);

    InMils = false;
    EXPECT_EQ(UnitTextToRealCoord("1.2.3mil", InMils), 0.0); // malformed: 0, unit still read
    EXPECT_TRUE(InMils);
    EXPECT_EQ(UnitTextToRealCoord("12x", InMils), 0.0);
    EXPECT_TRUE(InMils);
    EXPECT_EQ(UnitTextToRealCoord("-mm", InMils), 0.0);
    EXPECT_FALSE(InMils);
    EXPECT_EQ(UnitTextToRealCoord("abc", InMils), 0.0);
    EXPECT_FALSE(InMils);
    EXPECT_EQ(UnitTextToRealCoord("1e400mil", InMils), std::numeric_limits<double>::infinity());
}

TEST(UnitTexts, FormattedTextsReadBack) {
    for (TBoardCoord C : {0, 10, 12340, 125000, -250000, 10000000, 999999990}) {
        bool InMils = true;
        EXPECT_EQ(UnitTextToCoord(CoordToUnitText(C, true), InMils), C) << C;
        EXPECT_TRUE(InMils);
    }
}
