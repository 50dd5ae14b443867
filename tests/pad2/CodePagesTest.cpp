// SPDX-License-Identifier: MIT
#include "pad2/CodePages.h"

#include <gtest/gtest.h>

using namespace pad2;

namespace {

std::string Decoded(const char* codePage, std::string_view text, bool utf8 = false) {
    TTextDecoder d;
    if (codePage) d.SetCodePage(codePage);
    d.SetUtf8(utf8);
    std::string out;
    d.Append(text, out);
    return out;
}

} // namespace

TEST(CodePagesTest, EightBitCodePagesBecomeUtf8) {
    EXPECT_EQ(Decoded("ANSI_1252", "caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC"); // é €
    EXPECT_EQ(Decoded("ANSI_1250", "\x8A"), "\xC5\xA0");                         // Š
    EXPECT_EQ(Decoded("ANSI_1251", "\xC0\xFF"), "\xD0\x90\xD1\x8F");             // А я
    EXPECT_EQ(Decoded("ANSI_1253", "\xE1"), "\xCE\xB1");                         // α
    EXPECT_EQ(Decoded("ANSI_1254", "\xF0"), "\xC4\x9F");                         // ğ
    EXPECT_EQ(Decoded("ANSI_1255", "\xE0"), "\xD7\x90");                         // א
    EXPECT_EQ(Decoded("ANSI_1256", "\xC7"), "\xD8\xA7");                         // ا
    EXPECT_EQ(Decoded("ANSI_1257", "\xE0"), "\xC4\x85");                         // ą
    EXPECT_EQ(Decoded("ANSI_1258", "\xF5"), "\xC6\xA1");                         // ơ
    EXPECT_EQ(Decoded("ANSI_874", "\xA1"), "\xE0\xB8\x81");                      // ก
    EXPECT_EQ(Decoded("DOS_SOMETHING", "\xE9"), "\xC3\xA9");                     // unknown: 1252
    EXPECT_EQ(Decoded("ANSI_1252", "\\U+00E9 plain"), "\\U+00E9 plain");         // kept as is
}

TEST(CodePagesTest, Utf8DrawingsAreRepaired) {
    EXPECT_EQ(Decoded("ANSI_1252", "caf\xC3\xA9", true), "caf\xC3\xA9");
    EXPECT_EQ(Decoded(nullptr,
                      "a\xFF"
                      "b\xC3",
                      true),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
    EXPECT_EQ(Decoded(nullptr, "\xED\xA0\x80", true),
              "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"); // surrogate
    // Without a header: valid UTF-8 stays, anything else is code page 1252.
    EXPECT_EQ(Decoded(nullptr, "caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(Decoded(nullptr, "caf\xE9"), "caf\xC3\xA9");
}

TEST(CodePagesTest, CutsNeverSplitACharacter) {
    EXPECT_EQ(Utf8CutLength("ab\xC3\xA9", 3), 2u);
    EXPECT_EQ(Utf8CutLength("ab\xC3\xA9", 4), 4u);
    EXPECT_EQ(Utf8CutLength("\xE2\x82\xAC\xE2\x82\xAC", 5), 3u);
    EXPECT_EQ(Utf8CutLength("abc", 10), 3u);
}
