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

// Decodes the well-formed UTF-8 character at text[pos] into `code` and returns its length in
// bytes (1 to 4), or 0 when none starts there: a stray continuation byte, an overlong form, a
// surrogate, a code point above U+10FFFF, a character cut short by the end, or pos at the end.
std::size_t DecodeUtf8(std::string_view text, std::size_t pos, char32_t& code);

// Bytes of the character at text[pos] (pos < text.size()): those of the well-formed character
// that starts there, else 1, so that a walk steps over a byte that is no UTF-8 on its own.
std::size_t Utf8CharLength(std::string_view text, std::size_t pos);

// UTF-16 of UTF-8 text, as the host's wide texts want it; each byte that starts no well-formed
// character becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

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
