// SPDX-License-Identifier: MIT
// Byte-string helpers of the host module: cutting UTF-8 without splitting a character and
// copying texts in and out of the fixed-size buffers the flat functions exchange.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace dxfi::korrin {

// The longest prefix of at most maxBytes bytes that does not end inside a UTF-8 sequence.
inline std::string_view CutUtf8(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    size_t n = maxBytes;
    // Step back over continuation bytes to the lead byte of the cut character.
    size_t lead = n;
    while (lead > 0 && (static_cast<unsigned char>(text[lead]) & 0xC0) == 0x80)
        --lead;
    if (lead < n || (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) n = lead;
    return text.substr(0, n);
}

// Writes the text NUL-terminated into a buffer of `size` bytes (nothing when size is 0).
inline void CopyOut(std::string_view text, char* buffer, size_t size) {
    if (!buffer || size == 0) return;
    std::string_view cut = CutUtf8(text, size - 1);
    std::memcpy(buffer, cut.data(), cut.size());
    buffer[cut.size()] = '\0';
}

// Reads a NUL-terminated text from a buffer of `size` bytes, cut to maxBytes.
inline std::string CopyIn(const char* buffer, size_t size, size_t maxBytes) {
    if (!buffer) return {};
    const void* end = std::memchr(buffer, '\0', size);
    size_t n = end ? static_cast<size_t>(static_cast<const char*>(end) - buffer) : size;
    return std::string(CutUtf8(std::string_view(buffer, n), maxBytes));
}

inline bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

} // namespace dxfi::korrin
