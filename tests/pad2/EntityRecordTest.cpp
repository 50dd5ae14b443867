// SPDX-License-Identifier: MIT
// Each entity's record bytes at the offsets of abi/Pad2Api.h, loaded from small inline DXF.
#include "DxfText.h"

#include "pad2/EntityCodes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <numbers>

using namespace dxfi::abi;
using namespace pad2test;

namespace {

constexpr double kPi = std::numbers::pi;

class EntityRecordTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (Drawing_) edaCloseFile(Drawing_);
    }
    // Loads the entities and returns model space without its block start.
    std::vector<TEntity> Model(const std::string& entities) {
        Drawing_ = Load(EntitiesDxf(entities));
        EXPECT_NE(Drawing_, 0u) << LastError();
        std::vector<TEntity> list = ListOf(Drawing_, "*MODEL_SPACE");
        EXPECT_FALSE(list.empty());
        if (!list.empty()) {
            EXPECT_EQ(list.front().Code(), kCodeBlockStart);
            list.erase(list.begin());
        }
        return list;
    }
    TDrawingHandle Drawing_ = 0;
};

} // namespace

TEST_F(EntityRecordTest, LineWithDefaultExtrusionAndUnlistedBytesZero) {
    const auto list = Model(Groups({{0, "LINE"},
                                    {8, "Edge"},
                                    {10, "1"},
                                    {20, "2"},
                                    {30, "3"},
                                    {11, "4"},
                                    {21, "5"},
                                    {31, "6"}}));
    ASSERT_EQ(list.size(), 1u);
    const TEntity& e = list[0];
    EXPECT_EQ(e.Code(), kCodeLine);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(e.F(8 * i), 1.0 + i);
    EXPECT_EQ(Get<double>(e.Header.data(), EntityHeader::ExtrusionX), 0.0);
    EXPECT_EQ(Get<double>(e.Header.data(), EntityHeader::ExtrusionZ), 1.0);
    for (std::size_t i = 48; i < e.Data.size(); ++i)
        ASSERT_EQ(e.Data[i], 0) << i;
    std::vector<uint8_t> layer(kLayerRecordSize);
    ASSERT_EQ(edaSeekLayer(Drawing_, Get<uint64_t>(e.Header.data(), EntityHeader::LayerHandle),
                           layer.data()),
              1);
    EXPECT_EQ(Text(layer.data(), LayerRecord::Name), "Edge"); // implicit layer
    EXPECT_EQ(Get<int16_t>(layer.data(), LayerRecord::Colour), 7);
}

TEST_F(EntityRecordTest, CircleArcEllipseAndExtrusion) {
    const auto list = Model(Groups({{0, "CIRCLE"},
                                    {10, "5"},
                                    {20, "3"},
                                    {40, "2"},
                                    {210, "0"},
                                    {220, "0"},
                                    {230, "-1"},
                                    {0, "ARC"},
                                    {10, "1"},
                                    {20, "1"},
                                    {40, "3"},
                                    {50, "90"},
                                    {51, "180"},
                                    {0, "ELLIPSE"},
                                    {10, "1"},
                                    {20, "2"},
                                    {11, "3"},
                                    {21, "0"},
                                    {40, "0.5"}}));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].Code(), kCodeCircle);
    EXPECT_EQ(list[0].F(CircleData::Centre), 5.0);
    EXPECT_EQ(list[0].F(CircleData::Radius), 2.0);
    EXPECT_EQ(Get<double>(list[0].Header.data(), EntityHeader::ExtrusionZ), -1.0);
    EXPECT_EQ(list[1].Code(), kCodeArc);
    EXPECT_DOUBLE_EQ(list[1].F(ArcData::StartAngle), kPi / 2);
    EXPECT_DOUBLE_EQ(list[1].F(ArcData::EndAngle), kPi);
    EXPECT_EQ(list[2].Code(), kCodeEllipse);
    EXPECT_EQ(list[2].F(EllipseData::MajorAxisEnd), 3.0);
    EXPECT_EQ(list[2].F(EllipseData::Ratio), 0.5);
    EXPECT_EQ(list[2].F(EllipseData::StartParam), 0.0);
    EXPECT_DOUBLE_EQ(list[2].F(EllipseData::EndParam), 2 * kPi);
}

TEST_F(EntityRecordTest, TextAndMTextStrings) {
    const auto list = Model(Groups({{0, "TEXT"},
                                    {10, "1"},
                                    {20, "2"},
                                    {40, "2.5"},
                                    {50, "30"},
                                    {71, "2"},
                                    {1, "Hello"},
                                    {0, "MTEXT"},
                                    {10, "3"},
                                    {20, "4"},
                                    {40, "1.5"},
                                    {41, "20"},
                                    {71, "5"},
                                    {3, "first "},
                                    {3, "second "},
                                    {1, "last"}}));
    ASSERT_EQ(list.size(), 2u);
    const TEntity& t = list[0];
    EXPECT_EQ(t.Code(), kCodeText);
    EXPECT_EQ(t.F(TextData::Height), 2.5);
    EXPECT_DOUBLE_EQ(t.F(TextData::Rotation), kPi / 6);
    EXPECT_EQ(t.Data[TextData::GenFlags], 2);
    EXPECT_EQ(Text(t.Data.data(), TextData::Text), "Hello");
    const TEntity& m = list[1];
    EXPECT_EQ(m.Code(), kCodeMText);
    EXPECT_EQ(m.F(MTextData::InsertionPoint + 8), 4.0);
    EXPECT_EQ(m.F(MTextData::Height), 1.5);
    EXPECT_EQ(m.Data[MTextData::Attachment], 5);
    EXPECT_EQ(m.F(MTextData::RefWidth), 20.0);
    EXPECT_EQ(Text(m.Data.data(), MTextData::Text), "first second last");
}

TEST_F(EntityRecordTest, LongTextsAreCutToTheRecordOnACharacterBoundary) {
    std::string text = "x";
    for (int i = 0; i < 500000; ++i)
        text += "\xC3\xA9";
    const auto list = Model(Groups({{0, "TEXT"}, {1, text}, {0, "MTEXT"}, {1, text}}));
    ASSERT_EQ(list.size(), 2u);
    const std::string t = Text(list[0].Data.data(), TextData::Text);
    EXPECT_EQ(t.size(),
              static_cast<std::size_t>(kEntityDataSize - TextData::Text - 2)); // 1 + 2 * 1281
    EXPECT_EQ(t.substr(0, 3), "x\xC3\xA9");
    const std::string m = Text(list[1].Data.data(), MTextData::Text);
    EXPECT_LE(m.size(), static_cast<std::size_t>(kEntityDataSize - MTextData::Text - 1));
    EXPECT_EQ(m.size() % 2, 1u);
}

TEST_F(EntityRecordTest, SolidTraceWithThreeCornersRepeatTheThird) {
    const auto list = Model(Groups({{0, "SOLID"},
                                    {10, "0"},
                                    {20, "0"},
                                    {11, "1"},
                                    {21, "0"},
                                    {12, "0"},
                                    {22, "1"},
                                    {13, "1"},
                                    {23, "1"},
                                    {0, "TRACE"},
                                    {10, "0"},
                                    {20, "0"},
                                    {11, "1"},
                                    {21, "0"},
                                    {12, "0"},
                                    {22, "1"}}));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].Code(), kCodeSolid);
    EXPECT_EQ(list[0].F(SolidData::Corner4), 1.0);
    EXPECT_EQ(list[0].F(SolidData::Corner4 + 8), 1.0);
    EXPECT_EQ(list[1].Code(), kCodeTrace);
    EXPECT_EQ(list[1].F(SolidData::Corner4), 0.0);
    EXPECT_EQ(list[1].F(SolidData::Corner4 + 8), 1.0);
}

TEST_F(EntityRecordTest, PolylineVerticesSeqEndAndMeshes) {
    const auto list = Model(Groups(
        {{0, "POLYLINE"}, {66, "1"},       {40, "0.5"}, {70, "1"},     {0, "VERTEX"}, {10, "1"},
         {20, "2"},       {40, "0.25"},    {42, "1"},   {0, "VERTEX"}, {10, "3"},     {20, "4"},
         {0, "SEQEND"},   {0, "POLYLINE"}, {70, "64"},  {0, "VERTEX"}, {10, "1"},     {0, "SEQEND"},
         {0, "POLYLINE"}, {0, "VERTEX"},   {10, "9"},   {0, "POINT"},  {10, "7"}}));
    ASSERT_EQ(list.size(), 9u);
    EXPECT_EQ(list[0].Code(), kCodePolyline);
    EXPECT_EQ(list[0].F(PolylineData::DefaultWidth), 0.5);
    EXPECT_EQ(list[0].Data[PolylineData::Flags], 1);
    EXPECT_EQ(list[1].Code(), kCodeVertex);
    EXPECT_EQ(list[1].F(VertexData::Location + 8), 2.0);
    EXPECT_EQ(list[1].F(VertexData::Width), 0.25);
    EXPECT_EQ(list[1].F(VertexData::Bulge), 1.0);
    EXPECT_EQ(list[2].Code(), kCodeVertex);
    EXPECT_EQ(list[3].Code(), kCodeSeqEnd);
    EXPECT_EQ(list[4].Code(), pad2::kCodeMeshPolyline); // its vertices are not delivered
    // A polyline without SEQEND gets one before the next entity.
    EXPECT_EQ(list[5].Code(), kCodePolyline);
    EXPECT_EQ(list[6].Code(), kCodeVertex);
    EXPECT_EQ(list[7].Code(), kCodeSeqEnd);
    EXPECT_EQ(list[8].Code(), kCodePoint);
}

TEST_F(EntityRecordTest, LwPolylineBlobAndFlags) {
    const auto list = Model(Groups({{0, "LWPOLYLINE"},
                                    {90, "1000000"},
                                    {70, "1"},
                                    {43, "0.1"},
                                    {10, "0"},
                                    {20, "0"},
                                    {42, "1"},
                                    {10, "10"},
                                    {20, "0"},
                                    {40, "2"},
                                    {41, "3"},
                                    {0, "LWPOLYLINE"},
                                    {90, "-5"},
                                    {10, "1"},
                                    {20, "2"}}));
    ASSERT_EQ(list.size(), 2u);
    const TEntity& p = list[0];
    EXPECT_EQ(p.Code(), pad2::kCodeLwPolyline);
    EXPECT_EQ(edaLwplineEnttype(Drawing_), static_cast<int16_t>(pad2::kCodeLwPolyline));
    EXPECT_EQ(Get<int32_t>(p.Data.data(), LwPolylineData::VertexCount),
              2); // the stated count is not trusted
    EXPECT_EQ(Get<uint16_t>(p.Data.data(), LwPolylineData::Flags), 0x0230);
    EXPECT_EQ(p.F(LwPolylineData::ConstWidth), 0.1);
    const TBlobReader r = edaStartBlobRead(Get<uint32_t>(p.Data.data(), LwPolylineData::BlobRef));
    ASSERT_NE(r, 0u);
    double xy[2], bulge, widths[2];
    std::vector<double> seen;
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(edaReadBlob2Double(r, xy), 1);
        ASSERT_EQ(edaReadBlobDouble(r, &bulge), 1);
        ASSERT_EQ(edaReadBlob2Double(r, widths), 1);
        seen.insert(seen.end(), {xy[0], xy[1], bulge, widths[0], widths[1]});
    }
    EXPECT_EQ(seen, (std::vector<double>{0, 0, 1, 0, 0, 10, 0, 0, 2, 3}));
    double past = 9;
    EXPECT_EQ(edaReadBlobDouble(r, &past), 0);
    EXPECT_EQ(past, 0.0);
    edaEndBlobRead(r);

    const TEntity& plain = list[1];
    EXPECT_EQ(Get<int32_t>(plain.Data.data(), LwPolylineData::VertexCount), 1);
    EXPECT_EQ(Get<uint16_t>(plain.Data.data(), LwPolylineData::Flags), 0);
    const TBlobReader r2 =
        edaStartBlobRead(Get<uint32_t>(plain.Data.data(), LwPolylineData::BlobRef));
    ASSERT_EQ(edaReadBlob2Double(r2, xy), 1);
    EXPECT_EQ(xy[1], 2.0);
    EXPECT_EQ(edaReadBlobDouble(r2, &past), 0); // exactly two doubles per vertex
    edaEndBlobRead(r2);
}

TEST_F(EntityRecordTest, MLineBlobPerVertexAndStyleLine) {
    const auto list = Model(
        Groups({{0, "MLINE"}, {72, "2"}, {73, "2"}, {10, "1"},   {20, "2"}, {30, "0"}, {11, "1"},
                {21, "2"},    {31, "0"}, {12, "1"}, {22, "0"},   {32, "0"}, {13, "0"}, {23, "1"},
                {33, "0"},    {74, "2"}, {41, "0"}, {41, "0.5"}, {75, "0"}, {74, "1"}, {41, "1"},
                {75, "1"},    {42, "7"}, {11, "5"}, {21, "2"},   {31, "0"}, {12, "1"}, {22, "0"},
                {32, "0"},    {13, "0"}, {23, "1"}, {33, "0"},   {74, "1"}, {41, "3"}, {75, "0"}}));
    ASSERT_EQ(list.size(), 1u);
    const TEntity& m = list[0];
    EXPECT_EQ(m.Code(), kCodeMLine);
    EXPECT_EQ(Get<int16_t>(m.Data.data(), MLineData::StyleLineCount), 2);
    EXPECT_EQ(Get<uint16_t>(m.Data.data(), MLineData::VertexCount), 2);
    EXPECT_EQ(m.F(MLineData::StartPoint), 1.0);
    const TBlobReader r = edaStartBlobRead(Get<uint32_t>(m.Data.data(), MLineData::BlobRef));
    double t[3];
    int16_t n = -1;
    double d = 0;
    ASSERT_EQ(edaReadBlob3Double(r, t), 1);
    EXPECT_EQ(t[0], 1.0);
    ASSERT_EQ(edaReadBlob3Double(r, t), 1);
    ASSERT_EQ(edaReadBlob3Double(r, t), 1);
    EXPECT_EQ(t[1], 1.0);
    ASSERT_EQ(edaReadBlobShort(r, &n), 1);
    EXPECT_EQ(n, 2);
    edaReadBlobDouble(r, &d);
    edaReadBlobDouble(r, &d);
    EXPECT_EQ(d, 0.5);
    ASSERT_EQ(edaReadBlobShort(r, &n), 1);
    EXPECT_EQ(n, 0);
    ASSERT_EQ(edaReadBlobShort(r, &n), 1);
    EXPECT_EQ(n, 1);
    edaReadBlobDouble(r, &d);
    ASSERT_EQ(edaReadBlobShort(r, &n), 1);
    EXPECT_EQ(n, 1);
    edaReadBlobDouble(r, &d);
    EXPECT_EQ(d, 7.0);
    // Second vertex: its one element, then an empty one padding it to the style's two lines.
    ASSERT_EQ(edaReadBlob3Double(r, t), 1);
    EXPECT_EQ(t[0], 5.0);
    edaReadBlob3Double(r, t);
    edaReadBlob3Double(r, t);
    edaReadBlobShort(r, &n);
    EXPECT_EQ(n, 1);
    edaReadBlobDouble(r, &d);
    EXPECT_EQ(d, 3.0);
    edaReadBlobShort(r, &n);
    EXPECT_EQ(n, 0);
    edaReadBlobShort(r, &n);
    EXPECT_EQ(n, 0);
    edaReadBlobShort(r, &n);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(edaReadBlobShort(r, &n), 0);
    edaEndBlobRead(r);
}

// A second 75 inside one element used to restart the fill parameters' place while their
// count kept growing, so storing the element read past the gathered values.
TEST_F(EntityRecordTest, MLineRepeatedFillCountKeepsOneRun) {
    const auto list = Model(Groups({{0, "MLINE"},
                                    {73, "1"},
                                    {10, "0"},
                                    {20, "0"},
                                    {11, "0"},
                                    {21, "0"},
                                    {74, "1"},
                                    {41, "9"},
                                    {75, "2"},
                                    {42, "1"},
                                    {42, "2"},
                                    {75, "1"},
                                    {42, "3"},
                                    {41, "8"}}));
    ASSERT_EQ(list.size(), 1u);
    const TEntity& m = list[0];
    EXPECT_EQ(Get<int16_t>(m.Data.data(), MLineData::StyleLineCount), 1);
    ASSERT_EQ(Get<uint16_t>(m.Data.data(), MLineData::VertexCount), 1);
    const TBlobReader r = edaStartBlobRead(Get<uint32_t>(m.Data.data(), MLineData::BlobRef));
    double t[3];
    ASSERT_EQ(edaReadBlob3Double(r, t), 1);
    ASSERT_EQ(edaReadBlob3Double(r, t), 1);
    ASSERT_EQ(edaReadBlob3Double(r, t), 1);
    int16_t n = -1;
    double d = 0;
    std::vector<double> values;
    ASSERT_EQ(edaReadBlobShort(r, &n), 1);
    ASSERT_EQ(n, 1);
    ASSERT_EQ(edaReadBlobDouble(r, &d), 1);
    EXPECT_EQ(d, 9.0);
    ASSERT_EQ(edaReadBlobShort(r, &n), 1);
    ASSERT_EQ(n, 3);
    for (int i = 0; i < n; ++i) {
        ASSERT_EQ(edaReadBlobDouble(r, &d), 1);
        values.push_back(d);
    }
    EXPECT_EQ(values, (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(edaReadBlobShort(r, &n), 0);
    edaEndBlobRead(r);
}

TEST_F(EntityRecordTest, InsertDimensionAndOtherEntities) {
    const std::string dxf =
        Section("BLOCKS", Groups({{0, "BLOCK"},
                                  {2, "Part"},
                                  {10, "1"},
                                  {20, "2"},
                                  {0, "POINT"},
                                  {10, "0"},
                                  {0, "ENDBLK"},
                                  {0, "BLOCK"},
                                  {2, "*D1"},
                                  {0, "LINE"},
                                  {0, "ENDBLK"}})) +
        EntitiesDxf(
            Groups({{0, "INSERT"}, {2, "PART"},    {66, "1"},     {10, "5"},        {20, "6"},
                    {41, "2"},     {50, "90"},     {0, "ATTRIB"}, {1, "value"},     {0, "ATTRIB"},
                    {70, "1"},     {1, "hidden"},  {0, "SEQEND"}, {0, "DIMENSION"}, {2, "*D1"},
                    {10, "7"},     {20, "8"},      {12, "1"},     {22, "1"},        {50, "180"},
                    {0, "INSERT"}, {2, "Missing"}, {0, "HATCH"},  {10, "abc"},      {0, "SPLINE"},
                    {10, "1"}}));
    Drawing_ = Load(dxf);
    ASSERT_NE(Drawing_, 0u) << LastError();
    auto list = ListOf(Drawing_, "*Model_Space");
    ASSERT_EQ(list.size(), 8u);
    const TEntity& ins = list[1];
    EXPECT_EQ(ins.Code(), kCodeInsert);
    EXPECT_EQ(ins.F(InsertData::InsertionPoint), 5.0);
    EXPECT_EQ(ins.F(InsertData::InsertionPoint + 8), 6.0);
    EXPECT_EQ(ins.F(InsertData::ScaleX), 2.0);
    EXPECT_EQ(ins.F(InsertData::ScaleY), 1.0);
    EXPECT_DOUBLE_EQ(ins.F(InsertData::Rotation), kPi / 2);
    std::vector<uint8_t> block(kBlockHeaderRecordSize);
    ASSERT_EQ(edaSeekBlockheader(Drawing_, Get<uint64_t>(ins.Data.data(), InsertData::BlockHeader),
                                 block.data()),
              1);
    EXPECT_EQ(Text(block.data(), BlockHeaderRecord::Name), "Part");
    const auto part =
        edaEntityList(Drawing_, Get<uint64_t>(ins.Data.data(), InsertData::BlockHeader));
    EXPECT_EQ(Get<uint32_t>(block.data(), BlockHeaderRecord::EntityList), part);
    TEntity start;
    ASSERT_EQ(edaStartEntityGet(part), 1);
    ASSERT_EQ(edaGetEntity(part, start.Header.data(), start.Data.data()), 1);
    EXPECT_EQ(start.Code(), kCodeBlockStart);
    EXPECT_EQ(start.F(BlockStartData::BasePoint), 1.0);
    EXPECT_EQ(start.F(BlockStartData::BasePoint + 8), 2.0);

    // The insert's attributes follow it, named; an invisible one says so.
    for (int k : {2, 3}) {
        EXPECT_EQ(list[k].Code(), pad2::kCodeAttrib);
        EXPECT_EQ(Text(list[k].Data.data(), OtherData::KindName), "ATTRIB");
    }
    EXPECT_EQ(list[2].Data[OtherData::Problem], OtherData::kNotConverted);
    EXPECT_EQ(list[3].Data[OtherData::Problem], OtherData::kInvisible);

    const TEntity& dim = list[4];
    EXPECT_EQ(dim.Code(), kCodeDimension);
    EXPECT_EQ(dim.F(DimensionData::InsertionPoint), 1.0);
    EXPECT_EQ(dim.F(DimensionData::DefinitionPoint), 7.0);
    EXPECT_EQ(dim.F(DimensionData::DefinitionPoint + 8), 8.0);
    EXPECT_DOUBLE_EQ(dim.F(DimensionData::Rotation), kPi);
    ASSERT_EQ(edaSeekBlockheader(Drawing_,
                                 Get<uint64_t>(dim.Data.data(), DimensionData::BlockHeader),
                                 block.data()),
              1);
    EXPECT_EQ(Text(block.data(), BlockHeaderRecord::Name), "*D1");

    // A dangling reference: delivered with no block; seeking it fails cleanly.
    EXPECT_EQ(list[5].Code(), kCodeInsert);
    EXPECT_EQ(Get<uint64_t>(list[5].Data.data(), InsertData::BlockHeader), 0u);
    EXPECT_EQ(edaSeekBlockheader(Drawing_, 0, block.data()), 0);
    TObjectHandle none = 1;
    EXPECT_EQ(edaFindBlockheaderByName(Drawing_, "Missing", &none), 0);
    EXPECT_EQ(Text(list[5].Data.data(), InsertData::BlockName), "Missing");
    EXPECT_EQ(Text(ins.Data.data(), InsertData::BlockName), "Part");
    EXPECT_EQ(Get<uint16_t>(ins.Data.data(), InsertData::ColumnCount), 1);
    EXPECT_EQ(Get<uint16_t>(ins.Data.data(), InsertData::RowCount), 1);
    EXPECT_EQ(list[6].Code(), pad2::kCodeHatch);
    EXPECT_EQ(list[6].Data[OtherData::Problem], OtherData::kNotConverted);
    EXPECT_EQ(Text(list[6].Data.data(), OtherData::KindName), "HATCH");
    EXPECT_EQ(list[7].Code(), kCodeSpline);
}

TEST_F(EntityRecordTest, MInsertCopiesAndUnknownTypesByName) {
    const auto list = Model(Groups({{0, "MINSERT"},
                                    {2, "Part"},
                                    {10, "1"},
                                    {20, "2"},
                                    {70, "3"},
                                    {71, "70000"},
                                    {44, "2.5"},
                                    {45, "-4"},
                                    {0, "MINSERT"},
                                    {2, "Part"},
                                    {70, "0"},
                                    {71, "-2"},
                                    {0, "ACAD_PROXY_ENTITY"},
                                    {8, "L"},
                                    {0, "POLYLINE"},
                                    {70, "64"},
                                    {0, "VERTEX"},
                                    {10, "1"},
                                    {0, "SEQEND"}}));
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].Code(), kCodeInsert);
    EXPECT_EQ(Get<uint16_t>(list[0].Data.data(), InsertData::ColumnCount), 3);
    EXPECT_EQ(Get<uint16_t>(list[0].Data.data(), InsertData::RowCount), 0xFFFF);
    EXPECT_EQ(list[0].F(InsertData::ColumnSpacing), 2.5);
    EXPECT_EQ(list[0].F(InsertData::RowSpacing), -4.0);
    EXPECT_EQ(list[0].F(InsertData::InsertionPoint + 8), 2.0);
    EXPECT_EQ(Get<uint16_t>(list[1].Data.data(), InsertData::ColumnCount), 1);
    EXPECT_EQ(Get<uint16_t>(list[1].Data.data(), InsertData::RowCount), 1);
    EXPECT_EQ(list[2].Code(), pad2::kCodeOtherEntity);
    EXPECT_EQ(Text(list[2].Data.data(), OtherData::KindName), "ACAD_PROXY_ENTITY");
    EXPECT_EQ(list[2].Data[OtherData::Problem], OtherData::kNotConverted);
    EXPECT_EQ(list[3].Code(), pad2::kCodeMeshPolyline);
    EXPECT_EQ(Text(list[3].Data.data(), OtherData::KindName), "POLYLINE");
    EXPECT_EQ(list[3].Data[OtherData::Problem], OtherData::kMesh);
    // The drawing header counts what the drawing stores, for the walk's bound on expansion.
    EXPECT_EQ(Get<uint32_t>(edaHeaderPointer(Drawing_), DrawingHeader::EntityCount), 4u);
}

TEST_F(EntityRecordTest, PaperSpaceByGroup67AndR12SpaceBlocks) {
    const std::string dxf =
        Section("BLOCKS", Groups({{0, "BLOCK"},
                                  {2, "$MODEL_SPACE"},
                                  {0, "ENDBLK"},
                                  {0, "BLOCK"},
                                  {2, "$PAPER_SPACE"},
                                  {0, "ENDBLK"}})) +
        EntitiesDxf(Groups({{0, "LINE"}, {67, "1"}, {0, "POINT"}, {0, "CIRCLE"}, {67, "0"}}));
    Drawing_ = Load(dxf);
    ASSERT_NE(Drawing_, 0u) << LastError();
    const auto model = ListOf(Drawing_, "*MODEL_SPACE");
    const auto paper = ListOf(Drawing_, "*paper_space");
    ASSERT_EQ(model.size(), 3u);
    ASSERT_EQ(paper.size(), 2u);
    EXPECT_EQ(model[1].Code(), kCodePoint);
    EXPECT_EQ(model[2].Code(), kCodeCircle);
    EXPECT_EQ(paper[1].Code(), kCodeLine);
}

// Records are filled into whatever buffer the caller passes: a buffer reused from entity to
// entity, full of junk, reads every field and every text of every layout exactly as a zeroed
// fresh buffer does.
TEST(EntityRecordReuseTest, AReusedJunkBufferReadsLikeAFreshOne) {
    const std::filesystem::path dir = DXFI_TEST_DATA_DIR;
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir << " is missing";
    const auto textAt = [](const std::vector<uint8_t>& record, int offset) {
        const auto* begin = reinterpret_cast<const char*>(record.data() + offset);
        return std::string(begin, strnlen(begin, record.size() - std::size_t(offset)));
    };
    int entities = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".dxf") continue;
        const std::string name = entry.path().filename().string();
        const TDrawingHandle drawing = edaLoadFile(entry.path().string().c_str(), 1, 0);
        ASSERT_NE(drawing, 0u) << name << ": " << LastError();
        std::vector<uint8_t> header(kEntityHeaderSize, 0xA5), data(kEntityDataSize, 0xA5);
        for (const char* space : {"*MODEL_SPACE", "*PAPER_SPACE"}) {
            TObjectHandle block = 0;
            ASSERT_NE(edaFindBlockheaderByName(drawing, space, &block), 0) << name;
            const TEntityListHandle list = edaEntityList(drawing, block);
            std::vector<pad2test::TEntity> fresh;
            edaStartEntityGet(list);
            for (pad2test::TEntity e; edaGetEntity(list, e.Header.data(), e.Data.data()) == 1;
                 e = pad2test::TEntity())
                fresh.push_back(e);
            edaStartEntityGet(list);
            for (std::size_t i = 0; i < fresh.size(); ++i, ++entities) {
                SCOPED_TRACE(name + " entity " + std::to_string(i));
                ASSERT_EQ(edaGetEntity(list, header.data(), data.data()), 1);
                const pad2test::TEntity& f = fresh[i];
                ASSERT_EQ(std::memcmp(header.data(), f.Header.data(), EntityHeader::ExtrusionZ + 8),
                          0);
                ASSERT_EQ(std::memcmp(data.data(), f.Data.data(), 256), 0);
                for (int offset : {int(TextData::Text), int(MTextData::Text),
                                   int(InsertData::BlockName), int(OtherData::KindName)})
                    ASSERT_EQ(textAt(data, offset), textAt(f.Data, offset)) << offset;
                std::vector<uint8_t> layer(kLayerRecordSize, 0xA5), freshLayer(kLayerRecordSize);
                const auto handle = Get<TObjectHandle>(header.data(), EntityHeader::LayerHandle);
                ASSERT_EQ(edaSeekLayer(drawing, handle, layer.data()), 1);
                ASSERT_EQ(edaSeekLayer(drawing, handle, freshLayer.data()), 1);
                ASSERT_EQ(std::memcmp(layer.data(), freshLayer.data(), LayerRecord::Name), 0);
                ASSERT_EQ(textAt(layer, LayerRecord::Name), textAt(freshLayer, LayerRecord::Name));
            }
            ASSERT_EQ(edaGetEntity(list, header.data(), data.data()), 0);
        }
        edaCloseFile(drawing);
    }
    EXPECT_GT(entities, 500);
}
