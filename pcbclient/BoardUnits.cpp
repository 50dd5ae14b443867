// SPDX-License-Identifier: MIT
#include "pcbclient/BoardUnits.h"

#include "base/Rounding.h"
#include "base/TextCompare.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace dxfi {

namespace {

constexpr int kMilDecimals = 3;
constexpr int kMMDecimals = 4;

struct TParsedNumber {
    double Value = 0;
    bool WellFormed = false;
};

bool IsDigit(char C) {
    return C >= '0' && C <= '9';
}
bool IsAsciiLetter(char C) {
    return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z');
}
// Decimal number in the one notation unit texts use, independent of the C locale: optional
// sign, digits with optional "." fraction (at least one digit in all), optional exponent.
// Reads the longest well-formed prefix; WellFormed tells whether that prefix is all of Text.
TParsedNumber ParseDecimal(std::string_view Text) {
    TParsedNumber Result;
    std::size_t Pos = 0;
    const std::size_t Size = Text.size();
    bool Negative = false;
    if (Pos < Size && (Text[Pos] == '+' || Text[Pos] == '-')) {
        Negative = Text[Pos] == '-';
        ++Pos;
    }
    const std::size_t MantissaStart = Pos;
    // Decimal position of the first significant digit, to tell overflow from underflow.
    long FirstSignificant = 0;
    bool HaveSignificant = false;
    std::size_t IntDigits = 0;
    while (Pos < Size && IsDigit(Text[Pos])) {
        if (!HaveSignificant && Text[Pos] != '0') {
            HaveSignificant = true;
            FirstSignificant = static_cast<long>(IntDigits);
        }
        ++IntDigits;
        ++Pos;
    }
    std::size_t FracDigits = 0;
    if (Pos < Size && Text[Pos] == '.') {
        std::size_t After = Pos + 1;
        while (After < Size && IsDigit(Text[After])) {
            if (!HaveSignificant && Text[After] != '0') {
                HaveSignificant = true;
                FirstSignificant = static_cast<long>(IntDigits + FracDigits);
            }
            ++FracDigits;
            ++After;
        }
        if (IntDigits + FracDigits > 0) Pos = After;
    }
    if (IntDigits + FracDigits == 0) return Result; // no number at all: 0, malformed
    // Magnitude (power of ten) of the first significant digit, before the exponent.
    long Magnitude = static_cast<long>(IntDigits) - FirstSignificant - 1;

    if (Pos < Size && (Text[Pos] == 'E' || Text[Pos] == 'e')) {
        std::size_t After = Pos + 1;
        bool ExpNegative = false;
        if (After < Size && (Text[After] == '+' || Text[After] == '-')) {
            ExpNegative = Text[After] == '-';
            ++After;
        }
        long Exponent = 0;
        const std::size_t ExpStart = After;
        while (After < Size && IsDigit(Text[After])) {
            if (Exponent < 1000000) Exponent = Exponent * 10 + (Text[After] - '0');
            ++After;
        }
        if (After > ExpStart) {
            Pos = After;
            Magnitude += ExpNegative ? -Exponent : Exponent;
        }
    }

    // from_chars does not take a leading "+"; "-" it reads itself.
    const char* First = Text.data() + (Negative ? MantissaStart - 1 : MantissaStart);
    const char* Last = Text.data() + Pos;
    double Value = 0;
    const auto [Ptr, Ec] = std::from_chars(First, Last, Value, std::chars_format::general);
    if (Ec == std::errc::result_out_of_range) {
        const double Huge = std::numeric_limits<double>::infinity();
        Value = (HaveSignificant && Magnitude >= 0) ? Huge : 0.0;
        if (Negative) Value = -Value;
    } else if (Ec != std::errc() || Ptr != Last) {
        Value = 0; // cannot happen on a validated prefix; stay defined regardless
    }
    Result.Value = Value;
    Result.WellFormed = Pos == Size;
    return Result;
}

struct TUnitText {
    bool Stop = false; // empty or starts with a letter: nothing is read
    bool InMils = false;
    TParsedNumber Number;
};

TUnitText ReadUnitText(std::string_view Text, bool InMils) {
    TUnitText Result;
    std::string Upper;
    Upper.reserve(Text.size());
    for (char C : Text)
        if (C != ' ') Upper.push_back(UpperAscii(C));
    if (Upper.empty() || IsAsciiLetter(Upper.front())) {
        Result.Stop = true;
        return Result;
    }
    std::string_view Number = Upper;
    if (auto At = Number.find("MM"); At != std::string_view::npos) {
        Number = Number.substr(0, At);
        Result.InMils = false;
    } else if (At = Number.find("MIL"); At != std::string_view::npos) {
        Number = Number.substr(0, At);
        Result.InMils = true;
    } else {
        Result.InMils = InMils;
    }
    Result.Number = ParseDecimal(Number);
    return Result;
}

// v truncated toward zero plus its fraction rounded (ties to even) to 1/Factor.
double RoundFraction(double V, double Factor) {
    const double Whole = std::trunc(V);
    return Whole + RoundToInt32((V - Whole) * Factor) / Factor;
}

std::string FormatUnitText(double V, int Decimals, bool InMils) {
    std::string Text;
    if (std::isnan(V)) {
        Text = "nan";
    } else if (std::isinf(V)) {
        Text = V < 0 ? "-inf" : "inf";
    } else {
        char Buffer[64];
        const bool Scientific = std::fabs(V) >= 1e15;
        const auto Out = Scientific ? std::to_chars(Buffer, Buffer + sizeof Buffer, V,
                                                    std::chars_format::scientific)
                                    : std::to_chars(Buffer, Buffer + sizeof Buffer, V,
                                                    std::chars_format::fixed, Decimals);
        Text.assign(Buffer, Out.ec == std::errc() ? Out.ptr : Buffer);
        if (!Scientific) {
            while (!Text.empty() && Text.back() == '0')
                Text.pop_back();
            if (!Text.empty() && Text.back() == '.') Text.pop_back();
            if (Text == "-0") Text = "0";
        }
    }
    Text += InMils ? "mil" : "mm";
    return Text;
}

} // namespace

double MilsToCoord(double Mils) {
    return Mils * 10000;
}
double MMToCoord(double MM) {
    return MM * 10000 / 0.0254;
}
double CoordToMils(double Coord) {
    return Coord / 10000;
}
double CoordToMM(double Coord) {
    return Coord * 0.0254 / 10000;
}

TBoardCoord MilsToRoundCoord(double Mils) {
    return RoundToInt32(MilsToCoord(Mils));
}
TBoardCoord MMToRoundCoord(double MM) {
    return RoundToInt32(MMToCoord(MM));
}

std::string CoordToUnitText(TBoardCoord Coord, bool InMils) {
    if (InMils) return FormatUnitText(RoundFraction(CoordToMils(Coord), 1000), kMilDecimals, true);
    return FormatUnitText(RoundFraction(CoordToMM(Coord), 100000), kMMDecimals, false);
}

std::string RealCoordToUnitText(bool InMils, double Coord) {
    if (InMils) return FormatUnitText(CoordToMils(Coord), kMilDecimals, true);
    return FormatUnitText(CoordToMM(Coord), kMMDecimals, false);
}

TBoardCoord UnitTextToCoord(std::string_view Text, bool& InMils) {
    const TUnitText Read = ReadUnitText(Text, InMils);
    if (Read.Stop) return 0;
    InMils = Read.InMils;
    return InMils ? MilsToRoundCoord(Read.Number.Value) : MMToRoundCoord(Read.Number.Value);
}

double UnitTextToRealCoord(std::string_view Text, bool& InMils) {
    const TUnitText Read = ReadUnitText(Text, InMils);
    if (Read.Stop) return 0;
    InMils = Read.InMils;
    if (!Read.Number.WellFormed) return 0;
    return InMils ? MilsToCoord(Read.Number.Value) : MMToCoord(Read.Number.Value);
}

} // namespace dxfi
