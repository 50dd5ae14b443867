// SPDX-License-Identifier: MIT
// The "\U+XXXX" and "\M+nXXXX" escapes: decoded in place, and decoded in every text a
// drawing delivers (TEXT, MTEXT, layer and block names) before the record's cut.
#include "DxfText.h"

#include "pad2/CodePages.h"
#include "support/TextCases.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace dxfi::abi;
using namespace pad2test;

namespace {

std::string Unescaped(std::string text, std::size_t from = 0) {
    pad2::DecodeUnicodeEscapes(text, from);
    return text;
}

} // namespace

TEST(UnicodeEscapesTest, FourHexDigitsOfEitherCaseBecomeUtf8) {
    EXPECT_EQ(Unescaped("Omega \\U+03a9 Ohm"), "Omega \xCE\xA9 Ohm");
    EXPECT_EQ(Unescaped("\\U+03A9"), "\xCE\xA9");
    EXPECT_EQ(Unescaped("\\U+0041\\U+00b1\\U+20AC"), "A\xC2\xB1\xE2\x82\xAC"); // A ± €
    EXPECT_EQ(Unescaped("\\U+FFFF"), "\xEF\xBF\xBF");
    // Only four digits count: the fifth stays as text.
    EXPECT_EQ(Unescaped("\\U+00B1F"), "\xC2\xB1"
                                      "F");
    // An escape at the very end, and one right after text with no space.
    EXPECT_EQ(Unescaped("25\\U+00B0"), "25\xC2\xB0");
    // A decoded backslash does not start another escape.
    EXPECT_EQ(Unescaped("\\U+005CU+0041"), "\\U+0041");
}

TEST(UnicodeEscapesTest, AnythingElseAfterABackslashStays) {
    EXPECT_EQ(Unescaped(""), "");
    EXPECT_EQ(Unescaped("no escapes"), "no escapes");
    EXPECT_EQ(Unescaped("\\"), "\\");
    EXPECT_EQ(Unescaped("end \\U+"), "end \\U+");
    EXPECT_EQ(Unescaped("end \\U+03A"), "end \\U+03A"); // three digits at the end
    EXPECT_EQ(Unescaped("\\U+03G9 \\U-03A9 \\u+03A9 \\U03A9"),
              "\\U+03G9 \\U-03A9 \\u+03A9 \\U03A9");
    EXPECT_EQ(Unescaped("{\\fArial|b1;Bold}\\P\\\\U+00B1"),
              "{\\fArial|b1;Bold}\\P\\\xC2\xB1"); // markup kept, the last backslash decodes
    EXPECT_EQ(Unescaped("\\M+18140"), "\\M+18140");
}

TEST(UnicodeEscapesTest, NulAndSurrogatesBecomeTheReplacementCharacter) {
    EXPECT_EQ(Unescaped("a\\U+0000b"), "a\xEF\xBF\xBD"
                                       "b");
    EXPECT_EQ(Unescaped("\\U+D800\\U+dfff"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(Unescaped("\\U+D7FF\\U+E000"), "\xED\x9F\xBF\xEE\x80\x80"); // their neighbours
}

TEST(UnicodeEscapesTest, MultibyteEscapesOfTheFiveCodePages) {
    pad2::TMultibyteDecoder multibyte;
    const auto decoded = [&](std::string text) {
        pad2::DecodeUnicodeEscapes(text, 0, &multibyte);
        return text;
    };
    testsupport::ExpectEachCase(decoded,
                                {
                                    {"\\M+182A0", "\xE3\x81\x82"},     // 932: U+3042 hiragana a
                                    {"\\M+2A440", "\xE4\xB8\x80"},     // 950: U+4E00
                                    {"\\M+3B0A1", "\xEA\xB0\x80"},     // 949: U+AC00
                                    {"\\M+48861", "\xEA\xB0\x80"},     // Johab: U+AC00
                                    {"\\M+5b0a1 x", "\xE5\x95\x8A x"}, // 936: U+554A, lower case
                                    {"a\\M+18140\\U+03A9", "a\xE3\x80\x80\xCE\xA9"},
                                    // No such code page, too few digits, an ASCII lead byte, no
                                    // character at that code.
                                    {"\\M+682A0 \\M+082A0", "\\M+682A0 \\M+082A0"},
                                    {"\\M+182A", "\\M+182A"},
                                    {"\\M+14142", "\\M+14142"},
                                    {"\\M+1FFFF", "\\M+1FFFF"},
                                });
    // Without a decoder they stay.
    EXPECT_EQ(Unescaped("\\M+182A0"), "\\M+182A0");
}

TEST(UnicodeEscapesTest, OnlyTheTextAfterFromIsDecoded) {
    EXPECT_EQ(Unescaped("\\U+0041|\\U+0042", 7), "\\U+0041|B");
    EXPECT_EQ(Unescaped("\\U+0041", 7), "\\U+0041");
    EXPECT_EQ(Unescaped("\\U+0041", 100), "\\U+0041");
}

namespace {

// A drawing of R12 in code page 1252, as ezdxf writes one: characters outside the code page
// are escapes, in layer names and block names as well.
class EscapedDrawingTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (Drawing_) edaCloseFile(Drawing_);
    }
    void Load(const std::string& tables, const std::string& blocks, const std::string& entities) {
        const std::string dxf = DxfFile(
            Section(
                "HEADER",
                Groups({{9, "$ACADVER"}, {1, "AC1009"}, {9, "$DWGCODEPAGE"}, {3, "ANSI_1252"}})) +
            Section("TABLES", Table("LAYER", tables)) + Section("BLOCKS", blocks) +
            Section("ENTITIES", entities));
        Drawing_ = pad2test::Load(dxf);
        ASSERT_NE(Drawing_, 0u) << LastError();
    }
    std::vector<std::string> LayerNames() {
        std::vector<std::string> names;
        if (edaStartLayerGet(Drawing_) == 0) return names;
        std::vector<uint8_t> record(kLayerRecordSize);
        while (edaGetLayer(Drawing_, record.data()) != 0 && names.size() < 100)
            names.push_back(Text(record.data(), LayerRecord::Name));
        return names;
    }
    std::string LayerOf(const TEntity& e) {
        std::vector<uint8_t> record(kLayerRecordSize);
        if (edaSeekLayer(Drawing_, Get<uint64_t>(e.Header.data(), EntityHeader::LayerHandle),
                         record.data()) != 1)
            return "(no layer)";
        return Text(record.data(), LayerRecord::Name);
    }
    TDrawingHandle Drawing_ = 0;
};

} // namespace

TEST_F(EscapedDrawingTest, TextsLayersAndBlocksAreDecoded) {
    Load(Groups({{0, "LAYER"}, {2, "Top \\U+03A9"}, {70, "0"}, {62, "1"}}),
         Groups({{0, "BLOCK"}, {2, "R\\U+00e9sistance"}, {0, "POINT"}, {0, "ENDBLK"}}),
         Groups({{0, "TEXT"},
                 {8, "Top \\U+03a9"}, // the other case of the same name: the same layer
                 {1, "caf\xE9 \\U+03A9 \\U+2126 \\M+182A0"},
                 {0, "MTEXT"},
                 {8, "New \\U+00B1"},
                 {3, "{\\fArial|b1;x}\\P \\U+0"}, // the escape runs over into the next chunk
                 {1, "0B1 end \\U+00B0"},
                 {0, "INSERT"},
                 {2, "R\\U+00E9SISTANCE"}}));
    const std::vector<std::string> layers = LayerNames();
    ASSERT_EQ(layers.size(), 3u);
    EXPECT_EQ(layers[0], "Top \xCE\xA9");
    EXPECT_EQ(layers[1], "0"); // the block's POINT
    EXPECT_EQ(layers[2], "New \xC2\xB1");

    auto list = ListOf(Drawing_, "*MODEL_SPACE");
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(Text(list[1].Data.data(), TextData::Text),
              "caf\xC3\xA9 \xCE\xA9 \xE2\x84\xA6 \xE3\x81\x82"); // code page byte and escapes
    EXPECT_EQ(LayerOf(list[1]), "Top \xCE\xA9");
    EXPECT_EQ(Text(list[2].Data.data(), MTextData::Text), "x  \xC2\xB1 end \xC2\xB0");
    EXPECT_EQ(LayerOf(list[2]), "New \xC2\xB1");

    std::vector<uint8_t> block(kBlockHeaderRecordSize);
    ASSERT_EQ(edaSeekBlockheader(Drawing_,
                                 Get<uint64_t>(list[3].Data.data(), InsertData::BlockHeader),
                                 block.data()),
              1);
    EXPECT_EQ(Text(block.data(), BlockHeaderRecord::Name), "R\xC3\xA9sistance");
    TObjectHandle found = 0;
    EXPECT_EQ(edaFindBlockheaderByName(Drawing_, "R\xC3\xA9sistance", &found), 1);
}

TEST_F(EscapedDrawingTest, TextsAreCutAfterDecodingOnACharacterBoundary) {
    constexpr std::size_t kTextMax = kEntityDataSize - TextData::Text - 1; // 2564 bytes
    std::string euros, letters;
    for (int i = 0; i < 2000; ++i)
        euros += "\\U+20AC"; // 14000 bytes in the file, 6000 decoded
    for (int i = 0; i < 4000; ++i)
        letters += "\\U+0041"; // 28000 bytes in the file, 4000 decoded
    Load("", "", Groups({{0, "TEXT"}, {1, euros}, {0, "TEXT"}, {1, letters}}));
    auto list = ListOf(Drawing_, "*MODEL_SPACE");
    ASSERT_EQ(list.size(), 3u);
    std::string expected;
    for (std::size_t i = 0; i < kTextMax / 3; ++i)
        expected += "\xE2\x82\xAC";
    EXPECT_EQ(Text(list[1].Data.data(), TextData::Text), expected); // 854 characters
    EXPECT_EQ(Text(list[2].Data.data(), TextData::Text), std::string(kTextMax, 'A'));
}
