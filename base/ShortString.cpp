// SPDX-License-Identifier: MIT
#include "base/ShortString.h"

#include <algorithm>
#include <cstring>

namespace dxfi {

std::string_view CutUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t end = maxBytes;
    // Back up over continuation bytes (10xxxxxx) to the lead byte of the cut character, then
    // drop that character if it does not fit whole.
    std::size_t lead = end;
    while (lead > 0 && (static_cast<uint8_t>(text[lead]) & 0xC0) == 0x80 && end - lead < 3)
        --lead;
    if (lead != end) {
        const auto b = static_cast<uint8_t>(text[lead]);
        std::size_t len = (b & 0xE0) == 0xC0   ? 2
                          : (b & 0xF0) == 0xE0 ? 3
                          : (b & 0xF8) == 0xF0 ? 4
                                               : 1;
        if (len > 1 && lead + len > end) end = lead;
    }
    return text.substr(0, end);
}

std::size_t DecodeUtf8(std::string_view text, std::size_t pos, char32_t& code) {
    if (pos >= text.size()) return 0;
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length;
    // The allowed range of the second byte; those of the third and fourth are always 80..BF.
    unsigned char low = 0x80, high = 0xBF;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;  // shorter forms are overlong
        if (lead == 0xED) high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F; // at most U+10FFFF
    } else {
        return 0;
    }
    if (text.size() - pos < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return 0;
        code = (code << 6) | (next & 0x3F);
    }
    return length;
}

std::size_t Utf8CharLength(std::string_view text, std::size_t pos) {
    char32_t code = 0;
    return std::max<std::size_t>(1, DecodeUtf8(text, pos, code));
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t code = 0;
        const std::size_t length = DecodeUtf8(text, pos, code);
        if (length == 0) {
            out.push_back(u'\uFFFD');
            ++pos;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        pos += length;
    }
    return out;
}

void CopyToBuffer(char* buffer, std::size_t capacity, std::string_view text) {
    if (capacity == 0) return;
    const std::string_view cut = CutUtf8(text, capacity - 1);
    std::memcpy(buffer, cut.data(), cut.size());
    buffer[cut.size()] = '\0';
}

std::string_view FromBuffer(const char* buffer, std::size_t capacity) {
    const void* nul = std::memchr(buffer, 0, capacity);
    return {buffer,
            nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - buffer) : capacity};
}

void ToPascal(std::string_view text, uint8_t* out) {
    const std::string_view cut = CutUtf8(text, kShortStringMax);
    out[0] = static_cast<uint8_t>(cut.size());
    std::memcpy(out + 1, cut.data(), cut.size());
}

std::string FromPascal(const uint8_t* pascal) {
    return std::string(reinterpret_cast<const char*>(pascal + 1), pascal[0]);
}

} // namespace dxfi
