// SPDX-License-Identifier: MIT
#include "base/ShortString.h"

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
