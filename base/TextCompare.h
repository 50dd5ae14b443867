// SPDX-License-Identifier: MIT
// The system's text helpers for names and the lines of text files. Names compare without
// regard to letter case, as the editor's platform does for layer, block, section and key names:
// only ASCII letters are folded; other bytes (UTF-8) compare as they are. Header-only, so that
// every folder (platform/ too) and the fuzz targets use them without linking base.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace dxfi {

constexpr char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// `text` with ASCII letters in upper case; other bytes unchanged.
inline std::string ToUpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = UpperAscii(c);
    return upper;
}

// <0, 0, >0 comparing byte-wise after folding ASCII letters to upper case.
constexpr int CompareNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(UpperAscii(a[i]));
        const auto cb = static_cast<unsigned char>(UpperAscii(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Equal but for the case of ASCII letters.
constexpr bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    return true;
}

// The blanks of a line of a text file: spaces and tabs.
inline constexpr std::string_view kBlanks = " \t";
// Blanks and the line-end characters CR and LF, for lines that may still carry their CR (a
// file written on Windows) or their LF.
inline constexpr std::string_view kBlanksAndLineEnds = " \t\r\n";

// `text` without the characters of `blanks` at either end; empty when it holds nothing else.
constexpr std::string_view TrimBlanks(std::string_view text, std::string_view blanks = kBlanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Ordering by CompareNoCase, for sorted containers keyed by names.
struct TNoCaseLess {
    using is_transparent = void;
    constexpr bool operator()(std::string_view a, std::string_view b) const {
        return CompareNoCase(a, b) < 0;
    }
};

} // namespace dxfi
