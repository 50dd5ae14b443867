// SPDX-License-Identifier: MIT
#include "pad2/DxfScanner.h"

#include "pad2/CodePages.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace pad2 {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// What a binary file stores for a group code (the value types of the DXF group code ranges).
enum class TBinaryType { String, Double, Int16, Int32, Int64, Byte, Chunk };

TBinaryType BinaryType(int code) {
    if ((code >= 10 && code < 60) || (code >= 110 && code < 150) || (code >= 210 && code < 240) ||
        (code >= 460 && code < 470) || (code >= 1010 && code < 1060))
        return TBinaryType::Double;
    if ((code >= 60 && code < 80) || (code >= 170 && code < 180) || (code >= 270 && code < 290) ||
        (code >= 370 && code < 390) || (code >= 400 && code < 410) || (code >= 1060 && code < 1071))
        return TBinaryType::Int16;
    if ((code >= 90 && code < 100) || (code >= 420 && code < 460) || code == 1071)
        return TBinaryType::Int32;
    if (code >= 160 && code < 170) return TBinaryType::Int64;
    if (code >= 290 && code < 300) return TBinaryType::Byte;
    if ((code >= 310 && code < 320) || code == 1004) return TBinaryType::Chunk;
    return TBinaryType::String;
}

// A value as it may appear in a message: repaired, at most 40 bytes, control bytes written
// as \xNN (a NUL would end the message where the engine hands it on as a C string).
std::string Quoted(std::string_view value) {
    std::string repaired;
    const std::size_t n = Utf8CutLength(value, 40);
    AppendRepairedUtf8(value.substr(0, n), repaired);
    std::string shown;
    for (const char c : repaired) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0xF];
        } else {
            shown += c;
        }
    }
    if (n < value.size()) shown += "...";
    return "'" + shown + "'";
}

template <typename T> T Load(const char* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// Plain decimals without exponent ("-12.375"), the bulk of a drawing. With at most 15 digits
// the digits form an exact integer and one division by an exact power of ten rounds
// correctly, so the value equals the full conversion's.
struct TDecimal {
    uint64_t Mantissa = 0;
    long Digits = 0;    // before and after the point
    long Fraction = -1; // digits after the point; -1 without a point
    bool Minus = false;
    bool Exact() const { return Digits > 0 && Digits <= 15; }
    double Value() const {
        static constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        double value = static_cast<double>(Mantissa);
        if (Fraction > 0) value /= kPow10[Fraction];
        return Minus ? -value : value;
    }
};

// Reads an optional '-', digits and an optional point with digits from `p`, never reaching
// `limit`, and returns where it stopped. At most 17 characters after the sign are read, which
// keeps the mantissa below 2^64 and shows a longer number as more than 15 digits.
const char* ReadDecimal(const char* p, const char* limit, TDecimal& d) {
    d.Minus = p < limit && *p == '-';
    if (d.Minus) ++p;
    limit = std::min(limit, p + 17);
    const char* whole = p;
    while (p < limit && static_cast<unsigned>(*p - '0') < 10)
        d.Mantissa = d.Mantissa * 10 + static_cast<uint64_t>(*p++ - '0');
    d.Digits = p - whole;
    if (p < limit && *p == '.') {
        const char* first = ++p;
        while (p < limit && static_cast<unsigned>(*p - '0') < 10)
            d.Mantissa = d.Mantissa * 10 + static_cast<uint64_t>(*p++ - '0');
        d.Fraction = p - first;
        d.Digits += d.Fraction;
    }
    return p;
}

// Eight bytes at a time (little-endian words, first byte lowest): marks 0x80 in every byte
// that is no ASCII digit. After the exclusive or, a digit byte is 0..9; a byte is marked when
// its top bit is set or its low seven bits reach 10, without carries between bytes.
constexpr uint64_t kBytes(uint8_t b) {
    return 0x0101010101010101ull * b;
}

uint64_t NonDigitMarks(uint64_t w) {
    const uint64_t t = w ^ kBytes('0');
    return (((t & kBytes(0x7F)) + kBytes(0x76)) | t) & kBytes(0x80);
}

// The number formed by the first `n` (1 to 8) digit bytes of `w`, the first the most
// significant: moved to the top of the word behind leading zeros, then combined in pairs,
// fours and eights.
uint64_t DigitsValue(uint64_t w, int n) {
    uint64_t v = (w ^ kBytes('0')) << (8 * (8 - n));
    v = (v * 10 + (v >> 8)) & 0x00FF00FF00FF00FFull;
    v = (v * 100 + (v >> 16)) & 0x0000FFFF0000FFFFull;
    return (v * 10000 + (v >> 32)) & 0xFFFFFFFFull;
}

// ReadDecimal for the common short numbers, without a branch per digit: null when the number
// does not fit its words (the caller then reads it byte by byte). Reads at most 26 bytes.
const char* ReadShortDecimal(const char* p, TDecimal& d) {
    static constexpr uint64_t kPow10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
    d.Minus = *p == '-';
    p += d.Minus;
    uint64_t w = Load<uint64_t>(p);
    uint64_t marks = NonDigitMarks(w);
    if (marks == 0) return nullptr;
    const int whole = std::countr_zero(marks) >> 3;
    d.Mantissa = whole > 0 ? DigitsValue(w, whole) : 0;
    d.Digits = whole;
    p += whole;
    if (*p != '.') return p;
    ++p;
    int fraction = 0;
    // At most two words of fraction: more digits than that are no plain decimal anyway.
    for (int word = 0; word < 2; ++word) {
        w = Load<uint64_t>(p);
        marks = NonDigitMarks(w);
        const int n = marks == 0 ? 8 : std::countr_zero(marks) >> 3;
        if (n > 0) d.Mantissa = d.Mantissa * (n == 8 ? 100000000 : kPow10[n]) + DigitsValue(w, n);
        fraction += n;
        p += n;
        if (n < 8) break;
    }
    if (fraction >= 16) return nullptr;
    d.Fraction = fraction;
    d.Digits += fraction;
    return p;
}

bool FastDecimal(const char* b, const char* e, double& out) {
    TDecimal d;
    if (ReadDecimal(b, e, d) != e || !d.Exact()) return false;
    out = d.Value();
    return true;
}

// The first '\n' in [from, end), or null. Values are mostly short: eight bytes at a time
// find their end sooner than a library call, which takes over for long texts.
[[gnu::always_inline]] inline const char* FindNewline(const char* from, const char* end) {
    const char* c = from;
    if constexpr (std::endian::native == std::endian::little) {
        constexpr uint64_t kOnes = 0x0101010101010101ull;
        // Two words per step: one decision for the many values of 8 to 15 bytes.
        for (int pairs = 0; pairs < 2 && end - c >= 16; ++pairs, c += 16) {
            const uint64_t x0 = Load<uint64_t>(c) ^ (kOnes * '\n');
            const uint64_t x1 = Load<uint64_t>(c + 8) ^ (kOnes * '\n');
            // The lowest marked byte is the first newline (higher marks may be false).
            const uint64_t found0 = (x0 - kOnes) & ~x0 & (kOnes << 7);
            const uint64_t found1 = (x1 - kOnes) & ~x1 & (kOnes << 7);
            if (found0 | found1)
                return c + (found0 ? std::countr_zero(found0) >> 3
                                   : 8 + (std::countr_zero(found1) >> 3));
        }
    }
    return static_cast<const char*>(std::memchr(c, '\n', static_cast<std::size_t>(end - c)));
}

// The first two characters of a right-aligned three-character code line ("  ", " 1", "33"),
// as the index p[0] + 256 * p[1]: their value (0 to 99), or 0xFF for any other pair.
struct TCodePairs {
    uint8_t Value[65536];
    constexpr TCodePairs() : Value() {
        for (unsigned i = 0; i < 65536; ++i)
            Value[i] = 0xFF;
        Value[' ' | ' ' << 8] = 0;
        for (unsigned b = 0; b < 10; ++b) {
            Value[' ' | ('0' + b) << 8] = static_cast<uint8_t>(b);
            for (unsigned a = 0; a < 10; ++a)
                Value[('0' + a) | ('0' + b) << 8] = static_cast<uint8_t>(10 * a + b);
        }
    }
};
constexpr TCodePairs kCodePairs;

// Most writers right-align codes in three characters ("  8", " 10", "330"): one table look-up
// for the first two, and no branch per character. False for any other line.
inline bool ThreeCharacterCode(const char* p, int& code, const char*& codeEnd) {
    const unsigned pair =
        kCodePairs.Value[static_cast<unsigned char>(p[0]) |
                         static_cast<unsigned>(static_cast<unsigned char>(p[1])) << 8];
    const unsigned last = static_cast<unsigned char>(p[2]) - '0';
    const char* end = p + 3 + (p[3] == '\r');
    if (pair == 0xFF || last >= 10) return false;
    if (*end != '\n') return false;
    code = static_cast<int>(pair * 10 + last);
    codeEnd = end;
    return true;
}

} // namespace

TDxfScanner::TDxfScanner(const char* data, std::size_t size, std::string fileName, TMore more,
                         std::size_t readable)
    : Begin_(data), Pos_(data), End_(data + size), Readable_(data + std::min(size, readable)),
      FileName_(std::move(fileName)), More_(std::move(more)) {
    if (!More_) Readable_ = End_;
    if (Readable_ < End_ && static_cast<std::size_t>(Readable_ - Begin_) < kBinarySentinel.size())
        ReadMore();
    if (size >= kBinarySentinel.size() &&
        std::memcmp(data, kBinarySentinel.data(), kBinarySentinel.size()) == 0) {
        while (Readable_ < End_)
            ReadMore();
        Binary_ = true;
        Pos_ = data + kBinarySentinel.size();
        // Binary files of R12 and older use 1-byte group codes: the first group (0, "SECTION")
        // then reads 00 'S' instead of 00 00 'S'.
        TwoByteCodes_ = !(End_ - Pos_ >= 2 && Pos_[0] == 0 && Pos_[1] != 0);
    }
}

void TDxfScanner::ReadMore() {
    // At least double what is waiting to be parsed, so that a very long line takes few reads.
    const std::size_t have = static_cast<std::size_t>(Readable_ - Begin_);
    const std::size_t pending = static_cast<std::size_t>(Readable_ - Pos_);
    const std::size_t readable = More_(have + std::max<std::size_t>(pending, 1));
    if (readable <= have) FailTruncated(Line_);
    Readable_ = Begin_ + std::min(readable, Size());
}

bool TDxfScanner::NextAscii(TGroup& group) {
    for (;;) {
        const int read = TryNextAscii(group);
        if (read >= 0) return read == 1;
        ReadMore();
    }
}

int TDxfScanner::TryNextAscii(TGroup& group) {
    // Every search stops at Readable_: reaching it before the file's end means the group
    // continues in bytes not read yet, and the group is read again once they are.
    const bool partial = Readable_ != End_;
    const char* p = Pos_;
    if (p >= Readable_) return partial ? -1 : 0;
    int code = 0;
    bool negative = false;
    const char* codeEnd;
    if (Readable_ - p >= 64 &&
        (ThreeCharacterCode(p, code, codeEnd) || FastCode(p, code, codeEnd))) {
        // the common shape, read in one pass
    } else {
        codeEnd = SlowCode(p, partial, code, negative);
        if (!codeEnd) return partial ? -1 : 0;
    }

    const char* v = codeEnd + 1;
    group.DoubleReady = group.IntegerReady = false;
    if (!negative && Readable_ - p >= 64 &&
        ((code >= 10 && code < 100) || (code >= 210 && code < 240))) {
        // Coordinates, sizes and flags: converted in the same pass that finds the line's end.
        if (const char* next = FastNumber(v, group)) {
            group.Code = code;
            group.Kind = TValueKind::Text;
            group.Where = Line_;
            Line_ += 2;
            Pos_ = next;
            return 1;
        }
    }
    const char* vEnd = FindNewline(v, Readable_);
    if (!vEnd && partial) return -1;
    const char* next = vEnd ? vEnd + 1 : End_;
    if (!vEnd) vEnd = End_;
    if (vEnd > v && vEnd[-1] == '\r') --vEnd;

    group.Code = negative ? -code : code;
    group.Kind = TValueKind::Text;
    group.Text = std::string_view(v, static_cast<std::size_t>(vEnd - v));
    group.Where = Line_;
    Line_ += 2;
    Pos_ = next;
    return 1;
}

// A code line as writers put them: up to 16 spaces, one to nine digits, an optional '\r' and
// the '\n'. Needs 64 readable bytes from `p`; false for anything else.
bool TDxfScanner::FastCode(const char* p, int& code, const char*& codeEnd) {
    const char* q = p;
    while (q < p + 16 && *q == ' ')
        ++q;
    const char* digits = q;
    unsigned value = 0;
    while (q < digits + 10 && static_cast<unsigned>(*q - '0') < 10)
        value = value * 10 + static_cast<unsigned>(*q++ - '0');
    if (q == digits || q - digits > 9) return false;
    if (*q == '\r') ++q;
    if (*q != '\n') return false;
    code = static_cast<int>(value);
    codeEnd = q;
    return true;
}

// A value line holding a plain decimal of at most 15 digits, read and converted in one pass:
// sets the group's Text and numbers and returns the start of the next line, or null for any
// other line. Reads at most 28 bytes from `v`.
const char* TDxfScanner::FastNumber(const char* v, TGroup& group) {
    if constexpr (std::endian::native == std::endian::little) {
        // The bulk of a drawing's numbers have at most eight digits in all ("5031.9946"):
        // both parts' digits are joined into one word and combined once.
        const bool minus = *v == '-';
        const char* p = v + minus;
        const uint64_t t = Load<uint64_t>(p) ^ kBytes('0');
        const uint64_t marks = (((t & kBytes(0x7F)) + kBytes(0x76)) | t) & kBytes(0x80);
        const int whole = std::countr_zero(marks) >> 3; // 8 when all eight are digits
        if (whole < 8) {
            const char* end = p + whole;
            int digits = whole;
            int fraction = -1;
            uint64_t joined = t;
            bool shortNumber = true;
            if (*end == '.') {
                const uint64_t t2 = Load<uint64_t>(end + 1) ^ kBytes('0');
                const uint64_t marks2 = (((t2 & kBytes(0x7F)) + kBytes(0x76)) | t2) & kBytes(0x80);
                fraction = std::countr_zero(marks2) >> 3;
                digits = whole + fraction;
                shortNumber = fraction < 8 && digits <= 8;
                // The whole part's bytes, then the fraction's above them.
                joined = (t & ((uint64_t{1} << (8 * whole)) - 1)) | (t2 << (8 * whole));
                end += 1 + fraction;
            }
            if (shortNumber) {
                const char* q = end + (*end == '\r');
                if (*q != '\n' || digits == 0) return nullptr;
                // The digits moved to the top of the word (what lies above them falls out),
                // then combined in pairs, fours and eights.
                uint64_t m = digits == 8 ? joined : joined << (8 * (8 - digits));
                m = (m * 10 + (m >> 8)) & 0x00FF00FF00FF00FFull;
                m = (m * 100 + (m >> 16)) & 0x0000FFFF0000FFFFull;
                m = (m * 10000 + (m >> 32)) & 0xFFFFFFFFull;
                TDecimal d;
                d.Mantissa = m;
                d.Fraction = fraction;
                d.Minus = minus;
                group.Double = d.Value();
                group.DoubleReady = true;
                if (fraction < 0) {
                    group.Integer = minus ? -static_cast<int64_t>(m) : static_cast<int64_t>(m);
                    group.IntegerReady = true;
                }
                group.Text = std::string_view(v, static_cast<std::size_t>(end - v));
                return q + 1;
            }
        }
    }
    TDecimal d;
    const char* vEnd = nullptr;
    if constexpr (std::endian::native == std::endian::little) vEnd = ReadShortDecimal(v, d);
    if (!vEnd) {
        d = TDecimal();
        vEnd = ReadDecimal(v, v + 18, d);
    }
    const char* q = vEnd;
    if (*q == '\r') ++q;
    if (*q != '\n' || !d.Exact()) return nullptr;
    group.Double = d.Value();
    group.DoubleReady = true;
    // Only a value without a point is an integer as it stands ("1.0" goes the long way).
    if (d.Fraction < 0) {
        group.Integer = static_cast<int64_t>(d.Mantissa);
        if (d.Minus) group.Integer = -group.Integer;
        group.IntegerReady = true;
    }
    group.Text = std::string_view(v, static_cast<std::size_t>(vEnd - v));
    return q + 1;
}

// Any other code line, with the messages for bad ones. Returns the end of the line, or null
// at the end of the readable bytes (blank lines end the file).
const char* TDxfScanner::SlowCode(const char* p, bool partial, int& code, bool& negative) const {
    const char* codeEnd = p;
    while (codeEnd < Readable_ && *codeEnd != '\n')
        ++codeEnd;
    if (partial && codeEnd + 1 >= Readable_) return nullptr;

    const char* q = p;
    while (q < codeEnd && IsBlank(*q))
        ++q;
    if (q < codeEnd && *q == '-') {
        negative = true;
        ++q;
    }
    int digits = 0;
    while (q < codeEnd && *q >= '0' && *q <= '9' && digits < 9) {
        code = code * 10 + (*q - '0');
        ++q;
        ++digits;
    }
    while (q < codeEnd && IsBlank(*q))
        ++q;
    if (digits == 0 || q != codeEnd) {
        // Blank lines after the last group end the file.
        const char* rest = p;
        while (rest < Readable_ && (IsBlank(*rest) || *rest == '\n'))
            ++rest;
        if (rest == Readable_) return nullptr;
        throw EDxfError{ecBadGroupCode,
                        "Bad group code at line " + std::to_string(Line_) + " of " + FileName_ +
                            ": " + Quoted(std::string_view(p, codeEnd - p)) + " is not a number."};
    }
    if (codeEnd + 1 >= End_) FailTruncated(Line_ + 1); // a code without its value line
    return codeEnd;
}

bool TDxfScanner::NextBinary(TGroup& group) {
    const char* p = Pos_;
    if (p >= End_) return false;
    const uint64_t where = static_cast<uint64_t>(p - Begin_);
    // The next fixed-size number, of the type of `sample`; a file that ends inside it is cut.
    const auto take = [&](auto sample) {
        using T = decltype(sample);
        if (static_cast<std::size_t>(End_ - p) < sizeof(T)) FailTruncated(where);
        const T value = Load<T>(p);
        p += sizeof(T);
        return value;
    };
    int code;
    if (TwoByteCodes_) {
        code = take(int16_t{});
    } else {
        code = static_cast<unsigned char>(*p++);
        if (code == 255) code = take(int16_t{});
    }
    group.Code = code;
    group.Where = where;
    group.DoubleReady = group.IntegerReady = false;
    const std::size_t left = static_cast<std::size_t>(End_ - p);
    switch (BinaryType(code)) {
    case TBinaryType::Double:
        group.Kind = TValueKind::Double;
        group.Double = take(double{});
        break;
    case TBinaryType::Int16:
        group.Kind = TValueKind::Integer;
        group.Integer = take(int16_t{});
        break;
    case TBinaryType::Int32:
        group.Kind = TValueKind::Integer;
        group.Integer = take(int32_t{});
        break;
    case TBinaryType::Int64:
        group.Kind = TValueKind::Integer;
        group.Integer = take(int64_t{});
        break;
    case TBinaryType::Byte:
        group.Kind = TValueKind::Integer;
        group.Integer = take(uint8_t{});
        break;
    case TBinaryType::Chunk: {
        if (left < 1) FailTruncated(where);
        const std::size_t length = static_cast<unsigned char>(*p);
        if (left - 1 < length) FailTruncated(where);
        group.Kind = TValueKind::Text;
        group.Text = std::string_view(p + 1, length);
        p += 1 + length;
        break;
    }
    case TBinaryType::String: {
        const char* nul = static_cast<const char*>(std::memchr(p, 0, left));
        if (!nul) FailTruncated(where);
        group.Kind = TValueKind::Text;
        group.Text = std::string_view(p, static_cast<std::size_t>(nul - p));
        p = nul + 1;
        break;
    }
    }
    Pos_ = p;
    return true;
}

double TDxfScanner::ConvertDouble(const TGroup& group) const {
    if (group.Kind == TValueKind::Double) return std::isfinite(group.Double) ? group.Double : kNaN;
    if (group.Kind == TValueKind::Integer) return static_cast<double>(group.Integer);
    std::string_view t = group.Text;
    const char* b = t.data();
    const char* e = b + t.size();
    while (b < e && IsBlank(*b))
        ++b;
    while (e > b && IsBlank(e[-1]))
        --e;
    if (b < e && *b == '+') ++b;
    double fast = 0.0;
    if (FastDecimal(b, e, fast)) return fast;
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(b, e, value);
    if (ptr != e || b == e || (ec != std::errc() && ec != std::errc::result_out_of_range))
        FailBadValue(group, "a number");
    if (ec == std::errc::result_out_of_range) {
        // Underflow to a denormal or zero is harmless; overflow is not a coordinate.
        for (const char* c = b; c < e; ++c)
            if ((*c == 'e' || *c == 'E') && c + 1 < e && c[1] == '-') return 0.0;
        return kNaN;
    }
    return std::isfinite(value) ? value : kNaN;
}

int64_t TDxfScanner::ConvertInteger(const TGroup& group) const {
    if (group.Kind == TValueKind::Integer) return group.Integer;
    if (group.Kind == TValueKind::Double) {
        const double d = group.Double;
        if (!(d > -9.2e18 && d < 9.2e18)) FailBadValue(group, "an integer");
        return static_cast<int64_t>(d);
    }
    std::string_view t = Trimmed(group.Text);
    const char* b = t.data();
    const char* e = b + t.size();
    if (b < e && *b == '+') ++b;
    int64_t value = 0;
    const auto [ptr, ec] = std::from_chars(b, e, value);
    if (ec == std::errc() && ptr == e && b != e) return value;
    // Some writers put integers as "1.0".
    double d = 0.0;
    const auto [dptr, dec] = std::from_chars(b, e, d);
    if (dec == std::errc() && dptr == e && b != e && d > -9.2e18 && d < 9.2e18)
        return static_cast<int64_t>(d);
    FailBadValue(group, "an integer");
}

std::string TDxfScanner::Where(const TGroup& group) const {
    return (Binary_ ? "byte " : "line ") + std::to_string(group.Where);
}

void TDxfScanner::FailTruncated(uint64_t where) const {
    throw EDxfError{ecTruncated, "The file " + FileName_ + " is truncated at " +
                                     (Binary_ ? "byte " : "line ") + std::to_string(where) +
                                     ": save the drawing again and import the new file."};
}

void TDxfScanner::FailBadValue(const TGroup& group, const char* expected) const {
    std::string shown = group.Kind == TValueKind::Text ? Quoted(group.Text) : "the value";
    throw EDxfError{ecBadValue, "Bad value for group code " + std::to_string(group.Code) + " at " +
                                    Where(group) + " of " + FileName_ + ": " + shown + " is not " +
                                    expected + "."};
}

} // namespace pad2
