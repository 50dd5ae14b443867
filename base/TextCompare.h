// SPDX-License-Identifier: MIT
// Comparing names without regard to letter case, as the editor's platform does for layer,
// block, section and key names. Only ASCII letters are folded; other bytes (UTF-8) compare as
// they are.
#pragma once

#include <algorithm>
#include <string_view>

namespace dxfi {

constexpr char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
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

// Ordering by CompareNoCase, for sorted containers keyed by names.
struct TNoCaseLess {
    using is_transparent = void;
    constexpr bool operator()(std::string_view a, std::string_view b) const {
        return CompareNoCase(a, b) < 0;
    }
};

} // namespace dxfi
