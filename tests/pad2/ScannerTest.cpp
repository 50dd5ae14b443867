// SPDX-License-Identifier: MIT
#include "pad2/DxfScanner.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

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

// The scanner has a next group, with that code and text.
void ExpectNext(TDxfScanner& s, TGroup& g, int code, const std::string& text) {
    ASSERT_TRUE(s.Next(g));
    EXPECT_EQ(g.Code, code);
    EXPECT_EQ(g.Text, text);
}

} // namespace

TEST(DxfScannerTest, AsciiGroupsWithBlanksAndCrLf) {
    const std::string text = "  0\r\nSECTION\r\n 10 \r\n  1.5 \r\n999\r\n comment\r\n";
    TDxfScanner s(text.data(), text.size(), "x.dxf");
    ASSERT_FALSE(s.IsBinary());
    TGroup g;
    ASSERT_NO_FATAL_FAILURE(ExpectNext(s, g, 0, "SECTION"));
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
    ASSERT_NO_FATAL_FAILURE(ExpectNext(s, g, 0, "SECTION"));
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

// Numbers convert to the correctly rounded double, the one the standard library's conversion
// gives, whatever path the scanner takes: every result is compared bit for bit.
TEST(DxfScannerTest, NumbersConvertToTheCorrectlyRoundedDouble) {
    std::vector<std::string> values = {
        "0",
        "-0",
        "+0",
        "0.0",
        "1",
        "-1",
        "+2.5",
        "12.375",
        "-12.375",
        ".5",
        "-.5",
        "5.",
        "0.1",
        "0.3",
        "2.675",
        "1.0000000000000002",
        "0.30000000000000004",
        "123456789012345",
        "1234567890123456",
        "12345678901234567",
        "9007199254740993",
        "9007199254740992.5",
        "0.000000000000001",
        "99999999999999.99",
        "3.141592653589793238462643383279",
        "1e10",
        "1E-10",
        "1.5e+3",
        "-2.5E-300",
        "4.9e-324",
        "2.2250738585072014e-308",
        "1.7976931348623157e308",
        "00000000000000000000001.5",
        "1.50000000000000000000000",
        "0.1000000000000000055511151231257827",
        "  7.25  ",
        "\t-3.5\r",
        " +0.125",
        "179769313486231570000000000000000000000000000000000000000000000000000000000000000000",
        "0.00000000000000000000000000000000000000000000000000000000000000000000000000012"};
    // Plus deterministic noise: coordinates with 1 to 20 digits around the point.
    uint64_t seed = 0x9E3779B97F4A7C15ull;
    const auto next = [&seed] {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        return seed;
    };
    for (int i = 0; i < 20000; ++i) {
        std::string v = (next() & 1) ? "-" : "";
        const int digits = 1 + int(next() % 20);
        const int point = int(next() % (digits + 1));
        for (int d = 0; d < digits; ++d) {
            if (d == point) v += '.';
            v += char('0' + next() % 10);
        }
        if (next() % 8 == 0) v += "e" + std::to_string(int(next() % 40) - 20);
        values.push_back(v);
    }
    // Each value alone, and followed by enough bytes that the scanner converts it while it
    // reads the line; as a coordinate and as an integer-typed group (70) too.
    const std::string after = "999\n" + std::string(80, 'c') + "\n";
    for (const std::string& value : values) {
        // One '\r' before the newline belongs to the line's end.
        const std::string line = value.ends_with('\r') ? value.substr(0, value.size() - 1) : value;
        const std::pair<std::string, std::string> forms[] = {{"10\n" + value + "\n", line},
                                                             {" 10\r\n" + value + "\r\n", value},
                                                             {"70\n" + value + "\n", line}};
        for (const auto& [group, text] : forms) {
            for (const std::string& bytes : {group, group + after}) {
                TDxfScanner s(bytes.data(), bytes.size(), "x.dxf");
                TGroup g;
                ASSERT_TRUE(s.Next(g));
                EXPECT_EQ(g.Text, text);
                std::string_view t = TDxfScanner::Trimmed(g.Text);
                if (!t.empty() && t[0] == '+') t.remove_prefix(1);
                double expected = 0;
                const auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), expected);
                ASSERT_TRUE(ec == std::errc() && ptr == t.data() + t.size()) << value;
                const double got = s.ToDouble(g);
                EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0)
                    << value << ": " << got << " instead of " << expected;
                int64_t integer = 0;
                const auto [iptr, iec] = std::from_chars(t.data(), t.data() + t.size(), integer);
                if (iec == std::errc() && iptr == t.data() + t.size()) {
                    EXPECT_EQ(s.ToInteger(g), integer) << value;
                }
                EXPECT_EQ(s.Next(g), bytes.size() > group.size()) << value;
                if (bytes.size() > group.size()) {
                    EXPECT_EQ(g.Code, 999) << value;
                }
            }
        }
    }
}

// Text values of every length up to beyond the words the scanner looks at together, with LF
// and CR LF ends, end exactly at their line's end.
TEST(DxfScannerTest, TextValuesOfEveryLengthEndAtTheirNewline) {
    for (std::size_t length = 0; length <= 70; ++length) {
        for (const char* end : {"\n", "\r\n"}) {
            std::string value;
            for (std::size_t i = 0; i < length; ++i)
                value += char('a' + i % 26);
            const std::string text = "  1\n" + value + end + "  2\n" + std::string(100, 'z') + "\n";
            TDxfScanner s(text.data(), text.size(), "x.dxf");
            TGroup g;
            ASSERT_TRUE(s.Next(g));
            EXPECT_EQ(g.Text, value) << length;
            ASSERT_TRUE(s.Next(g));
            EXPECT_EQ(g.Code, 2) << length;
            EXPECT_EQ(g.Text, std::string(100, 'z'));
        }
    }
}

// Group code lines of every shape read the same whether or not enough bytes follow for the
// scanner's quick reading of them: the same code, or the same message.
TEST(DxfScannerTest, CodeLinesReadTheSameWithAndWithoutBytesAfterThem) {
    const auto read = [](const std::string& bytes) {
        try {
            TDxfScanner s(bytes.data(), bytes.size(), "x.dxf");
            TGroup g;
            return s.Next(g) ? std::to_string(g.Code) + "|" + std::string(g.Text) : "end";
        } catch (const EDxfError& e) {
            return "error " + e.Message;
        }
    };
    const std::string after = std::string(100, 'v') + "\n";
    for (const char* line : {"  8", " 10", "330", "  0", "1001", "8", "10", "-10", " -5", "1 0",
                             " 1 ", "+10", "a10", " a1", "  a", "   ", "12\r", "1\r0", "999"}) {
        for (const char* end : {"\n", "\r\n"}) {
            const std::string head = std::string(line) + end + "value" + end;
            EXPECT_EQ(read(head + after), read(head)) << line;
        }
    }
}
