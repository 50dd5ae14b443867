// SPDX-License-Identifier: MIT
// Files the engine cannot read give 0 and a message; damaged values are skipped or bounded.
#include "DxfText.h"

#include "pad2/EntityCodes.h"

#include <gtest/gtest.h>

using namespace dxfi::abi;
using namespace pad2test;

namespace {

std::string Refusal(const std::string& bytes, const std::string& name = "bad.dxf") {
    const TDrawingHandle h = Load(bytes, name);
    if (h) {
        edaCloseFile(h);
        return "loaded";
    }
    return LastError();
}

} // namespace

TEST(BadInputTest, UnreadableFilesAreRefusedWithTheirReason) {
    EXPECT_EQ(edaLoadFile("/nonexistent/folder/x.dxf", 1, 0), 0u);
    EXPECT_EQ(LastError(), "The file x.dxf does not exist: check its name and folder.");
    EXPECT_EQ(Refusal(""), "The file bad.dxf is empty: choose a DXF drawing.");
    EXPECT_EQ(Refusal("hello world\n"),
              "The file bad.dxf is not a drawing: DXF files begin with a SECTION.");
    EXPECT_EQ(Refusal(std::string("AC1032\0\0\0\0", 10), "board.dwg"),
              "board.dwg (AutoCAD 2018 drawing, AC1032) is damaged: the file header ends at byte "
              "10. Open it in AutoCAD and save it again, or save it as DXF.");
    EXPECT_EQ(Refusal("AC1014xxxxxx", "old.dwg"),
              "old.dwg is an AutoCAD R14 drawing (AC1014); DWG files from AutoCAD 2000 or later "
              "are read; save it in a newer version or as DXF.");
    EXPECT_EQ(
        Refusal("0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n"),
        "The file bad.dxf is truncated at line 8: save the drawing again and import the new file.");
    EXPECT_EQ(
        Refusal("0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n1\n"),
        "The file bad.dxf is truncated at line 9: save the drawing again and import the new file.");
    EXPECT_EQ(Refusal(EntitiesDxf("0\nLINE\n10\nabc\n")),
              "Bad value for group code 10 at line 7 of bad.dxf: 'abc' is not a number.");
    EXPECT_EQ(Refusal(EntitiesDxf("0\nLINE\n62\n1x\n")),
              "Bad value for group code 62 at line 7 of bad.dxf: '1x' is not an integer.");
    EXPECT_EQ(edaError(), 15);
    // A NUL or another control byte in the quoted value is shown, not the end of the message.
    EXPECT_EQ(Refusal(EntitiesDxf(std::string("0\nLINE\n10\n1\0x\t\n", 16))),
              "Bad value for group code 10 at line 7 of bad.dxf: '1\\x00x\\x09' is not a "
              "number.");
    EXPECT_EQ(Refusal(EntitiesDxf(std::string("0\nLINE\n1\0\n1\n", 12))),
              "Bad group code at line 7 of bad.dxf: '1\\x00' is not a number.");
    EXPECT_EQ(std::string(edaErrorStr(999)), "Unknown drawing engine error 999.");
}

// Each comes with its type's name and the problem, so that the importer can report it.
TEST(BadInputTest, NonFiniteEntitiesAreNamed) {
    const TDrawingHandle h = Load(EntitiesDxf(Groups({{0, "LINE"},
                                                      {10, "nan"},
                                                      {0, "CIRCLE"},
                                                      {40, "1e400"},
                                                      {0, "LWPOLYLINE"},
                                                      {10, "inf"},
                                                      {20, "0"},
                                                      {0, "POLYLINE"},
                                                      {10, "nan"},
                                                      {0, "VERTEX"},
                                                      {0, "SEQEND"},
                                                      {0, "POINT"},
                                                      {10, "1"}})));
    ASSERT_NE(h, 0u) << LastError();
    const auto list = ListOf(h, "*MODEL_SPACE");
    ASSERT_EQ(list.size(), 6u);
    const char* names[] = {"LINE", "CIRCLE", "LWPOLYLINE", "POLYLINE"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(list[i + 1].Code(), pad2::kCodeBadNumber);
        EXPECT_EQ(list[i + 1].Data[OtherData::Problem], OtherData::kBadNumber);
        EXPECT_EQ(Text(list[i + 1].Data.data(), OtherData::KindName), names[i]);
    }
    EXPECT_EQ(list[5].Code(), kCodePoint);
    edaCloseFile(h);
}

TEST(BadInputTest, LongNamesAndSelfInsertingBlocks) {
    const std::string longName(300, 'N');
    const std::string dxf =
        Section("TABLES",
                Table("LAYER", Groups({{0, "LAYER"}, {2, longName}, {62, "-3"}, {70, "1"}}))) +
        Section("BLOCKS",
                Groups({{0, "BLOCK"}, {2, "Loop"}, {0, "INSERT"}, {2, "Loop"}, {0, "ENDBLK"}})) +
        EntitiesDxf(Groups({{0, "INSERT"}, {2, "Loop"}, {8, longName}}));
    const TDrawingHandle h = Load(dxf);
    ASSERT_NE(h, 0u) << LastError();
    ASSERT_EQ(edaStartLayerGet(h), 1);
    std::vector<uint8_t> layer(kLayerRecordSize);
    ASSERT_EQ(edaGetLayer(h, layer.data()), 1);
    EXPECT_EQ(Text(layer.data(), LayerRecord::Name), std::string(255, 'N'));
    EXPECT_EQ(Get<int16_t>(layer.data(), LayerRecord::Colour), -3);
    EXPECT_EQ(layer[LayerRecord::Flags], 1);
    // The entity found the same (cut) layer; the block's insert without a layer added "0".
    ASSERT_EQ(edaGetLayer(h, layer.data()), 1);
    EXPECT_EQ(Text(layer.data(), LayerRecord::Name), "0");
    EXPECT_EQ(edaGetLayer(h, layer.data()), 0);
    const auto list = ListOf(h, "*MODEL_SPACE");
    ASSERT_EQ(list.size(), 2u);
    const auto loop = ListOf(h, "LOOP");
    ASSERT_EQ(loop.size(), 2u);
    EXPECT_EQ(Get<uint64_t>(loop[1].Data.data(), InsertData::BlockHeader),
              Get<uint64_t>(list[1].Data.data(), InsertData::BlockHeader));
    edaCloseFile(h);
}

TEST(BadInputTest, BinaryDrawingsWithBadLengths) {
    std::string bin("AutoCAD Binary DXF\r\n\x1a\0", 22);
    bin += std::string("\0\0SECTION\0\x02\0ENTITIES\0\0\0LINE\0\x0a\0\x01", 31);
    EXPECT_EQ(Refusal(bin), "The file bad.dxf is truncated at byte 50: save the drawing again and "
                            "import the new file.");
}

TEST(BadInputTest, HandlesOfNothingFailCleanly) {
    std::vector<uint8_t> header(kEntityHeaderSize), data(kEntityDataSize),
        rec(kBlockHeaderRecordSize);
    EXPECT_EQ(edaCloseFile(12345), 0);
    EXPECT_EQ(edaHeaderPointer(0), nullptr);
    EXPECT_EQ(edaStartLayerGet(77), 0);
    EXPECT_EQ(edaGetLayer(77, rec.data()), 0);
    EXPECT_EQ(edaSeekLayer(77, 1, rec.data()), 0);
    EXPECT_EQ(edaSeekBlockheader(77, 1, rec.data()), 0);
    EXPECT_EQ(edaEntityList(77, 1), 0u);
    EXPECT_EQ(edaStartEntityGet(0x12345678), 0);
    EXPECT_EQ(edaGetEntity(0x12345678, header.data(), data.data()), 0);
    EXPECT_EQ(edaStartBlobRead(0xFFFFFFFF), 0u);
    double d = 5;
    EXPECT_EQ(edaReadBlobDouble(42, &d), 0);
    EXPECT_EQ(d, 0.0);
    edaEndBlobRead(42);
    EXPECT_EQ(edaLwplineEnttype(0), 0);

    const TDrawingHandle h = Load(EntitiesDxf(Groups({{0, "LINE"}})));
    ASSERT_NE(h, 0u);
    TObjectHandle model = 0;
    ASSERT_EQ(edaFindBlockheaderByName(h, "*MODEL_SPACE", &model), 1);
    const TEntityListHandle list = edaEntityList(h, model);
    EXPECT_EQ(edaGetEntity(list, nullptr, data.data()), 0);
    EXPECT_EQ(edaSeekLayer(h, model, rec.data()), 0); // a block handle is no layer
    ASSERT_EQ(edaCloseFile(h), 1);
    EXPECT_EQ(edaStartEntityGet(list), 0); // closed with its drawing
    EXPECT_EQ(edaCloseFile(h), 0);
}
