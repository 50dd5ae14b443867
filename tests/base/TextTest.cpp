// SPDX-License-Identifier: MIT
#include "base/ShortString.h"
#include "base/TextCompare.h"

#include <gtest/gtest.h>

#include <string>

using namespace dxfi;

TEST(TextHelpers, TrimBlanksStripsOnlyItsSetAtEitherEnd) {
    EXPECT_EQ(TrimBlanks(""), "");
    EXPECT_EQ(TrimBlanks(" \t \t"), "");
    EXPECT_EQ(TrimBlanks(" \t\r\n", kBlanksAndLineEnds), "");
    EXPECT_EQ(TrimBlanks("\t a b \t"), "a b");
    EXPECT_EQ(TrimBlanks("x"), "x");
    // Spaces and tabs only by default: a CR or LF stays (the registry file strips its CR itself).
    EXPECT_EQ(TrimBlanks(" value\r"), "value\r");
    EXPECT_EQ(TrimBlanks("\nvalue "), "\nvalue");
    EXPECT_EQ(TrimBlanks("\r\n value \r\n", kBlanksAndLineEnds), "value");
    // Other bytes, non-ASCII ones too, are never blanks.
    EXPECT_EQ(TrimBlanks("\xC2\xA0x\xC2\xA0"), "\xC2\xA0x\xC2\xA0");
    EXPECT_EQ(TrimBlanks(std::string_view("\0 x \0", 5)), std::string_view("\0 x \0", 5));
}

TEST(TextHelpers, CaseFoldsAsciiLettersOnly) {
    EXPECT_TRUE(EqualsNoCase("", ""));
    EXPECT_TRUE(EqualsNoCase("Top Layer", "TOP layer"));
    EXPECT_FALSE(EqualsNoCase("Top", "Top "));
    EXPECT_FALSE(EqualsNoCase("a", "b"));
    // "é" and "É" differ in UTF-8 bytes that are not ASCII letters: not folded.
    EXPECT_FALSE(EqualsNoCase("\xC3\xA9", "\xC3\x89"));
    EXPECT_TRUE(EqualsNoCase("x\xC3\xA9", "X\xC3\xA9"));
    // '@' and '[' sit next to the letters and must not match '`' or '{'.
    EXPECT_FALSE(EqualsNoCase("@[", "`{"));
    EXPECT_EQ(ToUpperAscii(""), "");
    EXPECT_EQ(ToUpperAscii("az AZ 09 _\xC3\xA9"), "AZ AZ 09 _\xC3\xA9");
    EXPECT_EQ(ToUpperAscii("dxf.dwg"), "DXF.DWG");
}

TEST(TextHelpers, Utf8CharactersAreWellFormedOrOneByte) {
    char32_t code = 0;
    EXPECT_EQ(DecodeUtf8("", 0, code), 0u);
    EXPECT_EQ(DecodeUtf8("A", 0, code), 1u);
    EXPECT_EQ(code, U'A');
    EXPECT_EQ(DecodeUtf8("\xC2\xB0", 0, code), 2u);
    EXPECT_EQ(code, U'\u00B0');
    EXPECT_EQ(DecodeUtf8("\xE2\x82\xAC", 0, code), 3u);
    EXPECT_EQ(code, U'\u20AC');
    EXPECT_EQ(DecodeUtf8("\xF0\x9F\x98\x80", 0, code), 4u);
    EXPECT_EQ(code, U'\U0001F600');
    EXPECT_EQ(DecodeUtf8("\xF4\x8F\xBF\xBF", 0, code), 4u);
    EXPECT_EQ(code, U'\U0010FFFF');
    // Not well formed: stray continuation, overlong forms, surrogates, beyond U+10FFFF,
    // bytes that never lead, and characters cut short by the end of the text.
    for (std::string_view bad :
         {"\x80", "\xBF", "\xC0\x80", "\xC1\xBF", "\xE0\x80\x80", "\xE0\x9F\xBF", "\xED\xA0\x80",
          "\xED\xBF\xBF", "\xF0\x80\x80\x80", "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80",
          "\xF5\x80\x80\x80", "\xFF", "\xC3", "\xE2\x82", "\xF0\x9F\x98", "\xC3x", "\xE2\x82x"}) {
        EXPECT_EQ(DecodeUtf8(bad, 0, code), 0u) << testing::PrintToString(bad);
        EXPECT_EQ(Utf8CharLength(bad, 0), 1u) << testing::PrintToString(bad);
    }
    EXPECT_EQ(Utf8CharLength("a\xC3\xA9", 1), 2u);
    EXPECT_EQ(DecodeUtf8("ab", 2, code), 0u) << "at the end";

    EXPECT_EQ(Utf8ToUtf16(""), u"");
    EXPECT_EQ(Utf8ToUtf16("a\xC2\xB0\xE2\x82\xAC"), u"a\u00B0\u20AC");
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
    // Each byte of a malformed sequence becomes one U+FFFD; the text after it survives.
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80z"), u"\uFFFD\uFFFD\uFFFDz");
    EXPECT_EQ(Utf8ToUtf16("\xC0\x80"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("x\xE2\x82"), u"x\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
}
