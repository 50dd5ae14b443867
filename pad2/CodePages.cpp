// SPDX-License-Identifier: MIT
#include "pad2/CodePages.h"

#include "pad2/CodePageTables.h"

#include <cstdint>
#include <cstring>
#if defined(_WIN32)
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace pad2 {
namespace {

const unsigned short* FindTable(int number) {
    for (int i = 0; i < kCodePageTableCount; ++i)
        if (kCodePageTables[i].Number == number) return kCodePageTables[i].High;
    return nullptr;
}

bool HasHighBytes(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

// Length of the well-formed UTF-8 sequence starting at text[i], or 0 when it is invalid
// (overlong forms, surrogates and values above U+10FFFF included).
std::size_t SequenceLength(std::string_view text, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = b(i);
    const std::size_t left = text.size() - i;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return left >= 2 && (b(i + 1) & 0xC0) == 0x80 ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (left < 3 || (b(i + 1) & 0xC0) != 0x80 || (b(i + 2) & 0xC0) != 0x80) return 0;
        if (c == 0xE0 && b(i + 1) < 0xA0) return 0;
        if (c == 0xED && b(i + 1) >= 0xA0) return 0;
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (left < 4 || (b(i + 1) & 0xC0) != 0x80 || (b(i + 2) & 0xC0) != 0x80 ||
            (b(i + 3) & 0xC0) != 0x80)
            return 0;
        if (c == 0xF0 && b(i + 1) < 0x90) return 0;
        if (c == 0xF4 && b(i + 1) >= 0x90) return 0;
        return 4;
    }
    return 0;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The code point of a "\U+XXXX" escape at text[i], or -1 when there is none.
long EscapedCodePoint(const char* text, std::size_t size, std::size_t i) {
    if (size - i < 7 || text[i] != '\\' || text[i + 1] != 'U' || text[i + 2] != '+') return -1;
    long value = 0;
    for (std::size_t k = 3; k < 7; ++k) {
        const int digit = HexValue(text[i + k]);
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

// The code of a "\M+nXXXX" escape at text[i] (page n in `page`), or -1 when there is none.
long EscapedMultibyte(const char* text, std::size_t size, std::size_t i, int& page) {
    if (size - i < 8 || text[i] != '\\' || text[i + 1] != 'M' || text[i + 2] != '+' ||
        text[i + 3] < '1' || text[i + 3] > '5')
        return -1;
    long value = 0;
    for (std::size_t k = 4; k < 8; ++k) {
        const int digit = HexValue(text[i + k]);
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    page = text[i + 3] - '0';
    return value;
}

} // namespace

void AppendCodePoint(uint32_t c, std::string& out) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

#if defined(_WIN32)
// Windows converts the double-byte code pages itself; nothing is kept open.
TMultibyteDecoder::~TMultibyteDecoder() = default;

std::size_t TMultibyteDecoder::Convert(int page, unsigned code, char* out) {
    static constexpr UINT kPages[5] = {932, 950, 949, 1361, 936};
    if (page < 1 || page > 5 || code < 0x8000 || code > 0xFFFF) return 0;
    const char in[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    wchar_t wide[2] = {};
    // Exactly one character of the Basic Multilingual Plane, converted without substitution.
    if (MultiByteToWideChar(kPages[page - 1], MB_ERR_INVALID_CHARS, in, 2, wide, 2) != 1) return 0;
    const unsigned c = wide[0];
    if (c >= 0xD800 && c <= 0xDFFF) return 0;
    std::string utf8;
    AppendCodePoint(c, utf8);
    std::memcpy(out, utf8.data(), utf8.size());
    return utf8.size();
}
#else
TMultibyteDecoder::~TMultibyteDecoder() {
    for (void* converter : Converters_)
        if (converter) iconv_close(static_cast<iconv_t>(converter));
}

std::size_t TMultibyteDecoder::Convert(int page, unsigned code, char* out) {
    static constexpr const char* kNames[5] = {"CP932", "CP950", "CP949", "JOHAB", "CP936"};
    // A lead byte is never ASCII; anything else would be two characters, not one.
    if (page < 1 || page > 5 || code < 0x8000 || code > 0xFFFF) return 0;
    const int slot = page - 1;
    if (!Converters_[slot]) {
        if (Failed_[slot]) return 0;
        const iconv_t converter = iconv_open("UTF-8", kNames[slot]);
        if (converter == reinterpret_cast<iconv_t>(-1)) {
            Failed_[slot] = true;
            return 0;
        }
        Converters_[slot] = converter;
    }
    const iconv_t converter = static_cast<iconv_t>(Converters_[slot]);
    char in[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    char* inPtr = in;
    std::size_t inLeft = 2;
    char buffer[8];
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(converter, nullptr, nullptr, nullptr, nullptr); // a fresh shift state
    const std::size_t result = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
    const std::size_t n = sizeof buffer - outLeft;
    // Exactly one character of at most three bytes (the escape's eight bytes must hold it),
    // converted without substitution.
    if (result != 0 || inLeft != 0 || n == 0 || n > 3) return 0;
    const unsigned char lead = static_cast<unsigned char>(buffer[0]);
    if ((n == 1) != (lead < 0x80) || (n == 2) != (lead >= 0xC0 && lead < 0xE0)) return 0;
    std::memcpy(out, buffer, n);
    return n;
}
#endif

TTextDecoder::TTextDecoder() : CodePage_(1252), Known_(false), Table_(FindTable(1252)) {}

void TTextDecoder::SetCodePage(std::string_view name) {
    if (CodePage_ == 0 && Known_) return; // R2007+ already said UTF-8
    Known_ = true;
    // Names look like "ANSI_1252"; take the trailing number, whatever the prefix's case.
    std::size_t end = name.size();
    while (end > 0 && (name[end - 1] == ' ' || name[end - 1] == '\r'))
        --end;
    std::size_t start = end;
    while (start > 0 && name[start - 1] >= '0' && name[start - 1] <= '9')
        --start;
    int number = 0;
    for (std::size_t i = start; i < end && i < start + 6; ++i)
        number = number * 10 + (name[i] - '0');
    std::string upper;
    for (std::size_t i = 0; i < end; ++i)
        upper.push_back((name[i] >= 'a' && name[i] <= 'z') ? static_cast<char>(name[i] - 32)
                                                           : name[i]);
    if (upper == "UTF8" || upper == "UTF-8") {
        CodePage_ = 0;
        Table_ = nullptr;
        return;
    }
    if (const unsigned short* table = FindTable(number)) {
        CodePage_ = number;
        Table_ = table;
    } else {
        CodePage_ = 1252;
        Table_ = FindTable(1252);
    }
}

void TTextDecoder::SetUtf8(bool utf8) {
    if (utf8) {
        CodePage_ = 0;
        Table_ = nullptr;
        Known_ = true;
    }
}

void TTextDecoder::Append(std::string_view text, std::string& out) const {
    if (!HasHighBytes(text)) {
        out.append(text);
        return;
    }
    if (CodePage_ == 0 || (!Known_ && IsValidUtf8(text))) {
        AppendRepairedUtf8(text, out);
        return;
    }
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80)
            out.push_back(ch);
        else
            AppendCodePoint(Table_ ? Table_[c - 0x80] : c, out);
    }
}

void AppendRepairedUtf8(std::string_view text, std::string& out) {
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t n = SequenceLength(text, i);
        if (n == 0) {
            out.append("\xEF\xBF\xBD");
            ++i;
        } else {
            out.append(text.substr(i, n));
            i += n;
        }
    }
}

void DecodeUnicodeEscapes(std::string& text, std::size_t from, TMultibyteDecoder* multibyte) {
    if (from >= text.size()) return;
    char* const data = text.data();
    const std::size_t size = text.size();
    const void* first = std::memchr(data + from, '\\', size - from);
    if (!first) return;
    // Reading runs ahead of writing: an escape of seven or eight bytes writes at most three.
    std::size_t read = static_cast<std::size_t>(static_cast<const char*>(first) - data);
    std::size_t write = read;
    while (read < size) {
        const long c = EscapedCodePoint(data, size, read);
        if (c >= 0) {
            const uint32_t code =
                (c == 0 || (c >= 0xD800 && c <= 0xDFFF)) ? 0xFFFDu : static_cast<uint32_t>(c);
            char bytes[4];
            const std::size_t n = code < 0x80 ? 1 : code < 0x800 ? 2 : 3;
            if (n == 1) {
                bytes[0] = static_cast<char>(code);
            } else if (n == 2) {
                bytes[0] = static_cast<char>(0xC0 | (code >> 6));
                bytes[1] = static_cast<char>(0x80 | (code & 0x3F));
            } else {
                bytes[0] = static_cast<char>(0xE0 | (code >> 12));
                bytes[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                bytes[2] = static_cast<char>(0x80 | (code & 0x3F));
            }
            std::memcpy(data + write, bytes, n);
            write += n;
            read += 7;
            continue;
        }
        int page = 0;
        const long mb = multibyte ? EscapedMultibyte(data, size, read, page) : -1;
        if (mb >= 0) {
            char bytes[4];
            const std::size_t n = multibyte->Convert(page, static_cast<unsigned>(mb), bytes);
            if (n > 0) {
                std::memcpy(data + write, bytes, n);
                write += n;
                read += 8;
                continue;
            }
        }
        // Copy up to the next backslash (this one included) in one step.
        const std::size_t start = read + 1;
        const void* next = std::memchr(data + start, '\\', size - start);
        const std::size_t end =
            next ? static_cast<std::size_t>(static_cast<const char*>(next) - data) : size;
        if (write != read) std::memmove(data + write, data + read, end - read);
        write += end - read;
        read = end;
    }
    text.resize(write);
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t n = SequenceLength(text, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::size_t Utf8CutLength(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text.size();
    std::size_t n = maxBytes;
    // Step back over continuation bytes to the start of the character that would be split;
    // a character has at most three of them, anything longer is no UTF-8 to protect.
    for (int k = 0; k < 3 && n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80; ++k)
        --n;
    return (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80 ? maxBytes : n;
}

} // namespace pad2
