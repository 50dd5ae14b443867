// SPDX-License-Identifier: MIT
#include "base/ShortString.h"

#include <gtest/gtest.h>

using namespace dxfi;

TEST(ShortString, CutNeverSplitsACharacter) {
    EXPECT_EQ(CutUtf8("abc", 5), "abc");
    EXPECT_EQ(CutUtf8("abcdef", 3), "abc");
    // "é" is two bytes: cutting after its first byte drops it whole.
    EXPECT_EQ(CutUtf8("a\xC3\xA9z", 2), "a");
    EXPECT_EQ(CutUtf8("a\xC3\xA9z", 3), "a\xC3\xA9");
    // A four-byte character cut at every position.
    const std::string emoji = "\xF0\x9F\x98\x80";
    for (std::size_t n = 0; n < 4; ++n)
        EXPECT_EQ(CutUtf8(emoji, n), "") << n;
    EXPECT_EQ(CutUtf8(emoji, 4), emoji);
    // Stray continuation bytes are not valid UTF-8 and count as single characters.
    EXPECT_EQ(CutUtf8("\x80\x80\x80\x80\x80", 2), "\x80\x80");
    const std::string huge(1000000, 'x');
    EXPECT_EQ(CutUtf8(huge).size(), 255u);
}

TEST(ShortString, BuffersAndPascalStrings) {
    char buf[4];
    CopyToBuffer(buf, sizeof buf, "abcdef");
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(FromBuffer("ab\0cd", 5), "ab");
    const char noNul[3] = {'x', 'y', 'z'};
    EXPECT_EQ(FromBuffer(noNul, 3), "xyz");
    uint8_t p[256];
    ToPascal(std::string(300, 'q'), p);
    EXPECT_EQ(p[0], 255);
    EXPECT_EQ(FromPascal(p), std::string(255, 'q'));
    ToPascal("", p);
    EXPECT_EQ(FromPascal(p), "");
}
