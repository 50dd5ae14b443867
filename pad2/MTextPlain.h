// SPDX-License-Identifier: MIT
// The plain text of an MTEXT string: what a reader sees, without the inline formatting codes.
#pragma once

#include <string>
#include <string_view>

namespace pad2 {

// Removes font, height, colour, width, oblique, tracking, alignment and paragraph codes (\f \F
// \H \C \c \W \Q \T \A \p, each up to its ';'), the underline, overline and strike-through
// switches (\L \l \O \o \K \k) and grouping braces; a stacked fraction \Sa^b; becomes a^b (the
// divider kept). \P and \N (paragraph and column breaks) and \~ (non-breaking space) become a
// space, as the board's texts hold one line; \\ \{ \} become the character. Anything else
// (\U+ escapes already decoded, unknown codes) stays as it is.
std::string MTextPlainText(std::string_view text);

} // namespace pad2
