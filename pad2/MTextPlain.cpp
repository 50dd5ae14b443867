// SPDX-License-Identifier: MIT
#include "pad2/MTextPlain.h"

namespace pad2 {

std::string MTextPlainText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    const std::size_t n = text.size();
    // Skips a code's argument up to and including its ';' (or to the end of a cut text).
    auto skipArgument = [&](std::size_t from) {
        const std::size_t end = text.find(';', from);
        return end == std::string_view::npos ? n : end + 1;
    };
    for (std::size_t i = 0; i < n;) {
        // A run of plain characters is copied at once.
        std::size_t plain = i;
        while (plain < n && text[plain] != '{' && text[plain] != '}' && text[plain] != '\\')
            ++plain;
        if (plain > i) {
            out.append(text.data() + i, plain - i);
            i = plain;
            continue;
        }
        const char c = text[i];
        if (c == '{' || c == '}') {
            ++i;
            continue;
        }
        if (c != '\\' || i + 1 >= n) {
            out.push_back(c);
            ++i;
            continue;
        }
        const char code = text[i + 1];
        switch (code) {
        case 'P':
        case 'N':
        case '~':
            out.push_back(' ');
            i += 2;
            break;
        case '\\':
        case '{':
        case '}':
            out.push_back(code);
            i += 2;
            break;
        case 'L':
        case 'l':
        case 'O':
        case 'o':
        case 'K':
        case 'k':
            i += 2;
            break;
        case 'f':
        case 'F':
        case 'H':
        case 'C':
        case 'c':
        case 'W':
        case 'Q':
        case 'T':
        case 'A':
        case 'p':
            i = skipArgument(i + 2);
            break;
        case 'S': {
            // Stacked text: upper part, divider, lower part; escaped dividers are characters.
            const std::size_t end = skipArgument(i + 2);
            const std::size_t stop =
                end > i + 2 && end <= n && text[end - 1] == ';' ? end - 1 : end;
            for (std::size_t k = i + 2; k < stop; ++k) {
                if (text[k] == '\\' && k + 1 < stop) ++k;
                out.push_back(text[k]);
            }
            i = end;
            break;
        }
        default:
            out.push_back(c);
            ++i;
            break;
        }
    }
    return out;
}

} // namespace pad2
