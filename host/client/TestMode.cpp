// SPDX-License-Identifier: MIT
#include "host/client/TestMode.h"

namespace dxfi::host {

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

} // namespace

bool HiveTextHasTestModeKey(std::string_view hiveText) {
    if (hiveText.starts_with("\xEF\xBB\xBF")) hiveText.remove_prefix(3);
    const std::string_view key = kTestModeKey;
    while (!hiveText.empty()) {
        std::size_t end = hiveText.find('\n');
        std::string_view line = Trim(hiveText.substr(0, end));
        hiveText.remove_prefix(end == std::string_view::npos ? hiveText.size() : end + 1);
        if (line.size() < 2 || line.front() != '[' || line.back() != ']') continue;
        std::string_view name = line.substr(1, line.size() - 2);
        if (name.starts_with('-')) continue;
        if (EqualsIgnoringCase(name, key)) return true;
        if (name.size() > key.size() && name[key.size()] == '\\' &&
            EqualsIgnoringCase(name.substr(0, key.size()), key))
            return true;
    }
    return false;
}

} // namespace dxfi::host
