// SPDX-License-Identifier: MIT
// Turning the 8-bit texts of a drawing into UTF-8: from the drawing's code page for versions
// before R2007, or by repairing UTF-8 (invalid sequences become U+FFFD) for later ones; then
// the "\U+XXXX" and "\M+nXXXX" escapes writers use for characters outside the code page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pad2 {

// Appends the code point `c` (at most U+10FFFF) to `out` as UTF-8.
void AppendCodePoint(uint32_t c, std::string& out);

// How the texts of one drawing are encoded.
class TTextDecoder {
public:
    // Starts as "unknown": valid UTF-8 stays, anything else is read as code page 1252.
    TTextDecoder();

    // $DWGCODEPAGE ("ANSI_1252", "ANSI_874", ...); unknown names mean code page 1252.
    void SetCodePage(std::string_view name);
    // Drawings of R2007 (AC1021) and later store UTF-8 whatever $DWGCODEPAGE says.
    void SetUtf8(bool utf8);

    // Appends `text` to `out` as UTF-8. Pure ASCII is copied as it is.
    void Append(std::string_view text, std::string& out) const;

    int CodePage() const { return CodePage_; }

private:
    int CodePage_; // 0 = UTF-8
    bool Known_;   // false until the header said how texts are stored
    const unsigned short* Table_;
};

// The two-byte characters of the "\M+nXXXX" escapes: n names the code page (1 = 932 Shift-JIS,
// 2 = 950 Big5, 3 = 949 Korean, 4 = 1361 Johab, 5 = 936 GB2312/GBK), XXXX the lead and trail
// byte in hex. Converted by the system's character converters (iconv), each opened on first
// use and closed with the object; a code page the system cannot convert leaves its escapes.
class TMultibyteDecoder {
public:
    TMultibyteDecoder() = default;
    ~TMultibyteDecoder();
    TMultibyteDecoder(const TMultibyteDecoder&) = delete;
    TMultibyteDecoder& operator=(const TMultibyteDecoder&) = delete;

    // Writes the UTF-8 bytes of the character with the two-byte `code` in code page `page`
    // (1..5) to `out` (room for 4) and returns their number; 0 when `page` is none of the five
    // or `code` is no two-byte character there.
    std::size_t Convert(int page, unsigned code, char* out);

private:
    void* Converters_[5] = {}; // iconv_t; nullptr = not opened yet
    bool Failed_[5] = {};      // the system has no converter for it
};

// Replaces, in place from `from` on, every "\U+XXXX" (four hex digits of either case; only
// the first four count) by that character's UTF-8 bytes, and, when `multibyte` is given, every
// "\M+nXXXX" it can convert. U+0000 and the surrogates U+D800..U+DFFF become U+FFFD: a NUL
// would end the record's text and a lone surrogate is no character. A backslash not followed
// by such an escape stays as it is. The text never grows; one memchr and no allocation when it
// holds no backslash.
void DecodeUnicodeEscapes(std::string& text, std::size_t from = 0,
                          TMultibyteDecoder* multibyte = nullptr);

// Appends `text` to `out`, replacing every invalid UTF-8 sequence by U+FFFD.
void AppendRepairedUtf8(std::string_view text, std::string& out);
// True when `text` is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);
// The longest prefix of `text` of at most `maxBytes` bytes ending on a character boundary.
std::size_t Utf8CutLength(std::string_view text, std::size_t maxBytes);

} // namespace pad2
