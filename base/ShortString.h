// SPDX-License-Identifier: MIT
// 8-bit strings of limited length (file, layer and block names, host texts). Texts are UTF-8
// bytes; a cut never splits a character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dxfi {

inline constexpr std::size_t kShortStringMax = 255;

// The longest prefix of `text` of at most `maxBytes` bytes that ends on a UTF-8 character
// boundary. Bytes that are not valid UTF-8 count as single characters.
std::string_view CutUtf8(std::string_view text, std::size_t maxBytes = kShortStringMax);

// Copies CutUtf8(text, capacity - 1) into `buffer` and NUL-terminates it. A capacity of 0
// writes nothing.
void CopyToBuffer(char* buffer, std::size_t capacity, std::string_view text);

// The NUL-terminated text of a fixed-size buffer; stops at `capacity` without a NUL.
std::string_view FromBuffer(const char* buffer, std::size_t capacity);

// Length-prefixed strings as the host's flat functions exchange them: one length byte, then
// up to 255 bytes. `out` must hold 256 bytes.
void ToPascal(std::string_view text, uint8_t* out);
std::string FromPascal(const uint8_t* pascal);

} // namespace dxfi
