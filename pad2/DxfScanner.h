// SPDX-License-Identifier: MIT
// Splits the bytes of a DXF file, ASCII or binary, into group code / value pairs.
// Throws EDxfError for malformed input (bad group code, value running past the end).
#pragma once

#include "pad2/DxfError.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pad2 {

enum class TValueKind : uint8_t { Text, Double, Integer };

// One group. In ASCII files every value is Text (parsed on demand with the scanner's
// converters); binary files deliver typed values.
struct TGroup {
    int Code = 0;
    TValueKind Kind = TValueKind::Text;
    std::string_view Text;
    double Double = 0.0;
    int64_t Integer = 0;
    uint64_t Where = 0; // ASCII: line number of the code; binary: byte offset of the code
    // ASCII values the scanner converted while it looked for the line's end: a plain decimal
    // ("-12.375") has DoubleReady and Double, one without a point ("42") IntegerReady and
    // Integer too; each is what ToDouble and ToInteger give for the Text.
    bool DoubleReady = false;
    bool IntegerReady = false;
};

class TDxfScanner {
public:
    static constexpr std::string_view kBinarySentinel{"AutoCAD Binary DXF\r\n\x1a\0", 22};

    // Makes at least the first `wanted` bytes readable (all when there are fewer) and returns
    // how many are.
    using TMore = std::function<std::size_t(std::size_t wanted)>;

    // `fileName` only names the file in messages. The bytes must outlive the scanner. With
    // `more`, only the first `readable` of the `size` bytes can be read at first, and the
    // scanner asks for more as it goes (binary files are asked for whole).
    TDxfScanner(const char* data, std::size_t size, std::string fileName, TMore more = {},
                std::size_t readable = SIZE_MAX);

    bool IsBinary() const { return Binary_; }
    // Reads the next group; false at the end of the data.
    bool Next(TGroup& group) { return Binary_ ? NextBinary(group) : NextAscii(group); }
    // Offset of the next unread byte.
    std::size_t Position() const { return static_cast<std::size_t>(Pos_ - Begin_); }
    std::size_t Size() const { return static_cast<std::size_t>(End_ - Begin_); }

    // Value converters; a value that is no number throws ecBadValue naming code and line.
    // Non-finite or out-of-range numbers are returned as NaN (the caller decides).
    double ToDouble(const TGroup& group) const {
        return group.DoubleReady ? group.Double : ConvertDouble(group);
    }
    int64_t ToInteger(const TGroup& group) const {
        return group.IntegerReady ? group.Integer : ConvertInteger(group);
    }
    // The value as text with surrounding blanks removed (type names, variable names).
    static std::string_view Trimmed(std::string_view text) {
        std::size_t b = 0;
        std::size_t e = text.size();
        while (b < e && IsBlank(text[b]))
            ++b;
        while (e > b && IsBlank(text[e - 1]))
            --e;
        return text.substr(b, e - b);
    }
    static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

    // Names the place of a group in messages: "line 12" or "byte 345".
    std::string Where(const TGroup& group) const;
    const std::string& FileName() const { return FileName_; }

    [[noreturn]] void FailTruncated(uint64_t where) const;

private:
    // The converters for values the scanner did not convert on its way.
    double ConvertDouble(const TGroup& group) const;
    int64_t ConvertInteger(const TGroup& group) const;
    bool NextAscii(TGroup& group);
    // 1: a group was read, 0: the end, -1: more bytes must be read first.
    int TryNextAscii(TGroup& group);
    static bool FastCode(const char* p, int& code, const char*& codeEnd);
    static const char* FastNumber(const char* v, TGroup& group);
    const char* SlowCode(const char* p, bool partial, int& code, bool& negative) const;
    void ReadMore();
    bool NextBinary(TGroup& group);
    [[noreturn]] void FailBadValue(const TGroup& group, const char* expected) const;

    const char* Begin_;
    const char* Pos_;
    const char* End_;
    const char* Readable_; // end of the bytes read so far; End_ once all are
    std::string FileName_;
    TMore More_;
    uint64_t Line_ = 1;
    bool Binary_ = false;
    bool TwoByteCodes_ = true;
};

} // namespace pad2
