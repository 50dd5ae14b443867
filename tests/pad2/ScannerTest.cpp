// SPDX-License-Identifier: MIT
#include "pad2/DxfScanner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

using namespace pad2;

namespace {

std::string Message(const std::string& bytes) {
    try {
        TDxfScanner s(bytes.data(), bytes.size(), "x.dxf");
        TGroup g;
        while (s.Next(g))
            if (g.Code >= 10 && g.Code < 60) s.ToDouble(g);
    } catch (const EDxfError& e) {
        return e.Message;
    }
    return "";
}

} // namespace

TEST(DxfScannerTest, AsciiGroupsWithBlanksAndCrLf) {
    const std::string text = "  0\r\nSECTION\r\n 10 \r\n  1.5 \r\n999\r\n comment\r\n";
    TDxfScanner s(text.data(), text.size(), "x.dxf");
    ASSERT_FALSE(s.IsBinary());
    TGroup g;
    ASSERT_TRUE(s.Next(g));
    EXPECT_EQ(g.Code, 0);
    EXPECT_EQ(g.Text, "SECTION");
    EXPECT_EQ(g.Where, 1u);
    ASSERT_TRUE(s.Next(g));
    EXPECT_EQ(g.Code, 10);
    EXPECT_EQ(s.ToDouble(g), 1.5);
    EXPECT_EQ(g.Where, 3u);
    ASSERT_TRUE(s.Next(g));
    EXPECT_EQ(g.Text, " comment"); // texts keep their leading blanks
    EXPECT_FALSE(s.Next(g));
}

TEST(DxfScannerTest, NumbersAndTheirFailures) {
    const std::string text = "10\n+2.5e1\n70\n 7 \n71\n3.0\n20\n1e999\n21\nnan\n40\n1e-400\n";
    TDxfScanner s(text.data(), text.size(), "x.dxf");
    TGroup g;
    ASSERT_TRUE(s.Next(g));
    EXPECT_EQ(s.ToDouble(g), 25.0);
    ASSERT_TRUE(s.Next(g));
    EXPECT_EQ(s.ToInteger(g), 7);
    ASSERT_TRUE(s.Next(g));
    EXPECT_EQ(s.ToInteger(g), 3);
    ASSERT_TRUE(s.Next(g));
    EXPECT_TRUE(std::isnan(s.ToDouble(g))); // overflow is no coordinate
    ASSERT_TRUE(s.Next(g));
    EXPECT_TRUE(std::isnan(s.ToDouble(g)));
    ASSERT_TRUE(s.Next(g));
    EXPECT_EQ(s.ToDouble(g), 0.0); // underflow is harmless

    EXPECT_EQ(Message("0\nSECTION\n10\nabc\n"),
              "Bad value for group code 10 at line 3 of x.dxf: 'abc' is not a number.");
    EXPECT_EQ(Message("0\nSECTION\nxx\n1\n"),
              "Bad group code at line 3 of x.dxf: 'xx' is not a number.");
    EXPECT_EQ(
        Message("0\nSECTION\n10"),
        "The file x.dxf is truncated at line 4: save the drawing again and import the new file.");
    EXPECT_EQ(Message(std::string("0\nSECTION\n10\n") + std::string(100, 'z') + "\n"),
              "Bad value for group code 10 at line 3 of x.dxf: '" + std::string(40, 'z') +
                  "...' is not a number.");
}

TEST(DxfScannerTest, BinaryTwoByteAndOneByteCodes) {
    std::string modern(TDxfScanner::kBinarySentinel);
    modern += std::string("\0\0SECTION\0", 10);
    modern += std::string("\x0a\x00", 2);
    const double x = 2.25;
    modern.append(reinterpret_cast<const char*>(&x), 8);
    modern += std::string("\x46\x00\x05\x00", 4); // 70: int16 5
    TDxfScanner s(modern.data(), modern.size(), "b.dxf");
    ASSERT_TRUE(s.IsBinary());
    TGroup g;
    ASSERT_TRUE(s.Next(g));
    EXPECT_EQ(g.Code, 0);
    EXPECT_EQ(g.Text, "SECTION");
    ASSERT_TRUE(s.Next(g));
    EXPECT_EQ(g.Code, 10);
    EXPECT_EQ(s.ToDouble(g), 2.25);
    ASSERT_TRUE(s.Next(g));
    EXPECT_EQ(g.Code, 70);
    EXPECT_EQ(s.ToInteger(g), 5);
    EXPECT_FALSE(s.Next(g));

    std::string old(TDxfScanner::kBinarySentinel);
    old += std::string("\0SECTION\0", 9);
    old += std::string("\xff\xe8\x03", 3) + "xdata" + std::string(1, '\0'); // 1000 via 255 escape
    TDxfScanner r12(old.data(), old.size(), "b.dxf");
    ASSERT_TRUE(r12.Next(g));
    EXPECT_EQ(g.Text, "SECTION");
    ASSERT_TRUE(r12.Next(g));
    EXPECT_EQ(g.Code, 1000);
    EXPECT_EQ(g.Text, "xdata");
}

TEST(DxfScannerTest, BinaryValuesRunningPastTheEnd) {
    std::string bytes(TDxfScanner::kBinarySentinel);
    bytes += std::string("\0\0SECTION\0", 10);
    bytes += std::string("\x0a\x00\x01\x02", 4); // a double with 2 of its 8 bytes
    EXPECT_EQ(
        Message(bytes),
        "The file x.dxf is truncated at byte 32: save the drawing again and import the new file.");
    std::string chunk(TDxfScanner::kBinarySentinel);
    chunk += std::string("\0\0SECTION\0", 10);
    chunk += std::string("\x36\x01\xff\x01", 4); // 310 claiming 255 bytes
    EXPECT_EQ(
        Message(chunk),
        "The file x.dxf is truncated at byte 32: save the drawing again and import the new file.");
    std::string string(TDxfScanner::kBinarySentinel);
    string += std::string("\0\0SECTI", 7); // no NUL
    EXPECT_EQ(
        Message(string),
        "The file x.dxf is truncated at byte 22: save the drawing again and import the new file.");
}
