// SPDX-License-Identifier: MIT
// The drawing engine's record layout, pinned to its numbers. The engine writes and the
// plug-in reads the records through the same constants of abi/Pad2Api.h, so a wrong constant
// would pass every other test while a separately built engine fills different bytes. Here
// each offset and size is compared with the number the contract documents, every field must
// end inside its record without running into the next, and bytes written at the documented
// offsets are read back through the plug-in's record readers.
#include "abi/Pad2Api.h"
#include "engine/EngineRecords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace dxfi;
namespace ab = dxfi::abi;

namespace {

// A field of a record: the constant, the number it must have, and how many bytes it holds
// (a text field holds at most 255 bytes and its NUL; kToRecordEnd runs to the record's end).
constexpr int kToRecordEnd = -1;
constexpr int kShortText = 256;
constexpr int kPoint3 = 24;

struct TField {
    const char* Name;
    int Offset;
    int Pinned;
    int Bytes;
};

struct TRecord {
    const char* Name;
    int Size;
    int PinnedSize;
    std::vector<TField> Fields;
};

#define FIELD(ns, field, pinned, bytes)                                                            \
    TField {                                                                                       \
#ns "::" #field, ab::ns::field, pinned, bytes                                              \
    }

// Every kind's entity data shares one record size.
TRecord EntityData(const char* name, std::vector<TField> fields) {
    return {name, ab::kEntityDataSize, 2648, std::move(fields)};
}

const std::vector<TRecord>& Records() {
    static const std::vector<TRecord> records = {
        {"entity header",
         ab::kEntityHeaderSize,
         615,
         {FIELD(EntityHeader, TypeCode, 0, 2), FIELD(EntityHeader, LayerHandle, 10, 8),
          FIELD(EntityHeader, ExtrusionX, 44, 8), FIELD(EntityHeader, ExtrusionY, 52, 8),
          FIELD(EntityHeader, ExtrusionZ, 60, 8)}},
        EntityData("line data",
                   {FIELD(LineData, Start, 0, kPoint3), FIELD(LineData, End, 24, kPoint3)}),
        EntityData("point data", {FIELD(PointData, Location, 0, kPoint3)}),
        EntityData("circle data",
                   {FIELD(CircleData, Centre, 0, kPoint3), FIELD(CircleData, Radius, 24, 8)}),
        EntityData("ellipse data",
                   {FIELD(EllipseData, Centre, 0, kPoint3),
                    FIELD(EllipseData, MajorAxisEnd, 24, kPoint3), FIELD(EllipseData, Ratio, 48, 8),
                    FIELD(EllipseData, StartParam, 56, 8), FIELD(EllipseData, EndParam, 64, 8)}),
        EntityData("text data",
                   {FIELD(TextData, AlignPoint, 0, kPoint3), FIELD(TextData, Height, 24, 8),
                    FIELD(TextData, Rotation, 32, 8), FIELD(TextData, GenFlags, 56, 1),
                    FIELD(TextData, Text, 83, kToRecordEnd)}),
        EntityData("arc data",
                   {FIELD(ArcData, Centre, 0, kPoint3), FIELD(ArcData, Radius, 24, 8),
                    FIELD(ArcData, StartAngle, 32, 8), FIELD(ArcData, EndAngle, 40, 8)}),
        EntityData("solid data",
                   {FIELD(SolidData, Corner1, 0, kPoint3), FIELD(SolidData, Corner2, 24, kPoint3),
                    FIELD(SolidData, Corner3, 48, kPoint3),
                    FIELD(SolidData, Corner4, 72, kPoint3)}),
        EntityData("block start data", {FIELD(BlockStartData, BasePoint, 0, kPoint3)}),
        EntityData("insert data",
                   {FIELD(InsertData, InsertionPoint, 2, kPoint3), FIELD(InsertData, ScaleX, 26, 8),
                    FIELD(InsertData, ScaleY, 34, 8), FIELD(InsertData, Rotation, 50, 8),
                    FIELD(InsertData, BlockHeader, 78, 8), FIELD(InsertData, ColumnCount, 86, 2),
                    FIELD(InsertData, RowCount, 88, 2), FIELD(InsertData, ColumnSpacing, 90, 8),
                    FIELD(InsertData, RowSpacing, 98, 8),
                    FIELD(InsertData, BlockName, 106, kShortText)}),
        EntityData("polyline data",
                   {FIELD(PolylineData, DefaultWidth, 8, 8), FIELD(PolylineData, Flags, 34, 1)}),
        EntityData("vertex data",
                   {FIELD(VertexData, Location, 0, kPoint3), FIELD(VertexData, Width, 34, 8),
                    FIELD(VertexData, Bulge, 46, 8)}),
        EntityData("dimension data", {FIELD(DimensionData, InsertionPoint, 2, kPoint3),
                                      FIELD(DimensionData, Rotation, 131, 8),
                                      FIELD(DimensionData, DefinitionPoint, 179, kPoint3),
                                      FIELD(DimensionData, BlockHeader, 231, 8)}),
        EntityData("multi-line text data",
                   {FIELD(MTextData, InsertionPoint, 0, kPoint3), FIELD(MTextData, Height, 48, 8),
                    FIELD(MTextData, Attachment, 64, 1), FIELD(MTextData, RefWidth, 74, 8),
                    FIELD(MTextData, Text, 104, kToRecordEnd)}),
        EntityData("multiline data",
                   {FIELD(MLineData, StyleLineCount, 12, 2), FIELD(MLineData, VertexCount, 14, 2),
                    FIELD(MLineData, StartPoint, 16, kPoint3), FIELD(MLineData, BlobRef, 48, 4)}),
        EntityData("lightweight polyline data",
                   {FIELD(LwPolylineData, VertexCount, 0, 4), FIELD(LwPolylineData, Flags, 4, 2),
                    FIELD(LwPolylineData, ConstWidth, 14, 8),
                    FIELD(LwPolylineData, BlobRef, 22, 4)}),
        EntityData("spline data",
                   {FIELD(SplineData, Degree, 0, 2), FIELD(SplineData, Flags, 2, 2),
                    FIELD(SplineData, KnotCount, 4, 4), FIELD(SplineData, ControlCount, 8, 4),
                    FIELD(SplineData, WeightCount, 12, 4), FIELD(SplineData, FitCount, 16, 4),
                    FIELD(SplineData, Tangents, 20, 1),
                    FIELD(SplineData, StartTangent, 24, kPoint3),
                    FIELD(SplineData, EndTangent, 48, kPoint3), FIELD(SplineData, BlobRef, 72, 4)}),
        EntityData("other entity data",
                   {FIELD(OtherData, Problem, 0, 1), FIELD(OtherData, KindName, 1, kShortText)}),
        {"layer record",
         ab::kLayerRecordSize,
         596,
         {FIELD(LayerRecord, Offered, 8, 1), FIELD(LayerRecord, Colour, 11, 2),
          FIELD(LayerRecord, Flags, 13, 1), FIELD(LayerRecord, Name, 14, kShortText)}},
        {"block header record",
         ab::kBlockHeaderRecordSize,
         1084,
         {FIELD(BlockHeaderRecord, Name, 21, kShortText),
          FIELD(BlockHeaderRecord, EntityList, 549, 4)}},
        {"drawing header",
         ab::kDrawingHeaderSize,
         4096,
         {FIELD(DrawingHeader, ModelExtMin, 2657, kPoint3),
          FIELD(DrawingHeader, ModelExtMax, 2681, kPoint3),
          FIELD(DrawingHeader, RecomputeWord, 3145, 2),
          FIELD(DrawingHeader, PaperExtMin, 3686, kPoint3),
          FIELD(DrawingHeader, PaperExtMax, 3710, kPoint3), FIELD(DrawingHeader, InsUnits, 3734, 2),
          FIELD(DrawingHeader, EntityCount, 3800, 4)}},
    };
    return records;
}

#undef FIELD

TEST(TRecordLayout, EveryOffsetAndSizeHasItsDocumentedNumber) {
    for (const TRecord& record : Records()) {
        EXPECT_EQ(record.Size, record.PinnedSize) << "size of the " << record.Name;
        for (const TField& field : record.Fields)
            EXPECT_EQ(field.Offset, field.Pinned) << field.Name << " in the " << record.Name;
    }
    EXPECT_EQ(ab::LwPolylineData::FlagBulges, 0x0010);
    EXPECT_EQ(ab::LwPolylineData::FlagWidths, 0x0020);
    EXPECT_EQ(ab::LwPolylineData::FlagClosed, 0x0200);
    EXPECT_EQ(ab::SplineData::FlagClosed, 0x0001);
    EXPECT_EQ(ab::SplineData::FlagPeriodic, 0x0002);
    EXPECT_EQ(ab::SplineData::FlagRational, 0x0004);
    EXPECT_EQ(ab::SplineData::FlagPlanar, 0x0008);
    EXPECT_EQ(ab::SplineData::FlagLinear, 0x0010);
    EXPECT_EQ(ab::SplineData::FlagNotRead, 0x8000);
    EXPECT_EQ(ab::SplineData::TangentStart, 0x01);
    EXPECT_EQ(ab::SplineData::TangentEnd, 0x02);
    EXPECT_EQ(ab::OtherData::kNotConverted, 0);
    EXPECT_EQ(ab::OtherData::kBadNumber, 1);
    EXPECT_EQ(ab::OtherData::kMesh, 2);
}

TEST(TRecordLayout, EveryFieldEndsInsideItsRecordAndBeforeTheNext) {
    for (const TRecord& record : Records()) {
        std::vector<TField> fields = record.Fields;
        std::sort(fields.begin(), fields.end(),
                  [](const TField& a, const TField& b) { return a.Offset < b.Offset; });
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const TField& field = fields[i];
            const int end = field.Bytes == kToRecordEnd ? record.Size : field.Offset + field.Bytes;
            EXPECT_GE(field.Offset, 0) << field.Name;
            EXPECT_LT(field.Offset, record.Size)
                << field.Name << " starts past the " << record.Name;
            EXPECT_LE(end, record.Size) << field.Name << " ends past the " << record.Name << " ("
                                        << record.Size << " bytes)";
            if (i + 1 < fields.size()) {
                EXPECT_LE(end, fields[i + 1].Offset)
                    << field.Name << " runs into " << fields[i + 1].Name;
            }
        }
    }
}

// Little-endian bytes of a value at a literal offset, as the engine lays them out.
template <typename T> void Put(uint8_t* bytes, int offset, T value) {
    std::memcpy(bytes + offset, &value, sizeof value);
}

TEST(TRecordLayout, TheEngineReadersFindBytesWrittenAtTheDocumentedOffsets) {
    TEntityHeader header;
    Put<uint16_t>(header.Bytes(), 0, 0x1234);
    Put<uint64_t>(header.Bytes(), 10, 0x0102030405060708ull);
    Put<double>(header.Bytes(), 44, 0.25);
    Put<double>(header.Bytes(), 52, -0.5);
    Put<double>(header.Bytes(), 60, 0.75);
    EXPECT_EQ(header.TypeCode(), 0x1234);
    EXPECT_EQ(header.LayerHandle(), 0x0102030405060708ull);
    EXPECT_EQ(header.ExtrusionX(), 0.25);
    EXPECT_EQ(header.ExtrusionY(), -0.5);
    EXPECT_EQ(header.ExtrusionZ(), 0.75);

    // Entity data: one distinct value per documented offset, read through the constants.
    struct TProbe {
        const char* Name;
        int Literal;
        int Constant;
    };
    const TProbe doubles[] = {
        {"LineData::End", 24, ab::LineData::End},
        {"CircleData::Radius", 24, ab::CircleData::Radius},
        {"EllipseData::Ratio", 48, ab::EllipseData::Ratio},
        {"EllipseData::StartParam", 56, ab::EllipseData::StartParam},
        {"EllipseData::EndParam", 64, ab::EllipseData::EndParam},
        {"TextData::Height", 24, ab::TextData::Height},
        {"TextData::Rotation", 32, ab::TextData::Rotation},
        {"ArcData::StartAngle", 32, ab::ArcData::StartAngle},
        {"ArcData::EndAngle", 40, ab::ArcData::EndAngle},
        {"SolidData::Corner4", 72, ab::SolidData::Corner4},
        {"InsertData::InsertionPoint", 2, ab::InsertData::InsertionPoint},
        {"InsertData::ScaleX", 26, ab::InsertData::ScaleX},
        {"InsertData::ScaleY", 34, ab::InsertData::ScaleY},
        {"InsertData::Rotation", 50, ab::InsertData::Rotation},
        {"PolylineData::DefaultWidth", 8, ab::PolylineData::DefaultWidth},
        {"VertexData::Width", 34, ab::VertexData::Width},
        {"VertexData::Bulge", 46, ab::VertexData::Bulge},
        {"DimensionData::Rotation", 131, ab::DimensionData::Rotation},
        {"DimensionData::DefinitionPoint", 179, ab::DimensionData::DefinitionPoint},
        {"MTextData::Height", 48, ab::MTextData::Height},
        {"MTextData::RefWidth", 74, ab::MTextData::RefWidth},
        {"MLineData::StartPoint", 16, ab::MLineData::StartPoint},
        {"LwPolylineData::ConstWidth", 14, ab::LwPolylineData::ConstWidth},
        {"InsertData::ColumnSpacing", 90, ab::InsertData::ColumnSpacing},
        {"InsertData::RowSpacing", 98, ab::InsertData::RowSpacing},
        {"SplineData::StartTangent", 24, ab::SplineData::StartTangent},
        {"SplineData::EndTangent", 48, ab::SplineData::EndTangent},
    };
    for (const TProbe& probe : doubles) {
        TEntityData data;
        Put<double>(data.Bytes(), probe.Literal, 1234.5);
        Put<double>(data.Bytes(), probe.Literal + 8, -6.75);
        EXPECT_EQ(data.ReadF64(probe.Constant), 1234.5) << probe.Name;
        EXPECT_EQ(data.ReadPoint(probe.Constant).Y, -6.75) << probe.Name;
    }
    TEntityData data;
    Put<uint64_t>(data.Bytes(), 78, 0xA1A2A3A4A5A6A7A8ull);
    Put<uint64_t>(data.Bytes(), 231, 0xB1B2B3B4B5B6B7B8ull);
    Put<uint8_t>(data.Bytes(), 56, 0x02);
    Put<uint8_t>(data.Bytes(), 34, 0x01);
    Put<uint8_t>(data.Bytes(), 64, 5);
    Put<int16_t>(data.Bytes(), 12, -3);
    Put<uint16_t>(data.Bytes(), 14, 0xC1C2);
    Put<uint32_t>(data.Bytes(), 48, 0xD1D2D3D4u);
    EXPECT_EQ(data.ReadObjectHandle(ab::InsertData::BlockHeader), 0xA1A2A3A4A5A6A7A8ull);
    EXPECT_EQ(data.ReadObjectHandle(ab::DimensionData::BlockHeader), 0xB1B2B3B4B5B6B7B8ull);
    EXPECT_EQ(data.ReadU8(ab::TextData::GenFlags), 0x02);
    EXPECT_EQ(data.ReadU8(ab::PolylineData::Flags), 0x01);
    EXPECT_EQ(data.ReadU8(ab::MTextData::Attachment), 5);
    EXPECT_EQ(data.ReadI16(ab::MLineData::StyleLineCount), -3);
    EXPECT_EQ(data.ReadU16(ab::MLineData::VertexCount), 0xC1C2);
    EXPECT_EQ(data.ReadU32(ab::MLineData::BlobRef), 0xD1D2D3D4u);

    TEntityData lw;
    Put<int32_t>(lw.Bytes(), 0, 77);
    Put<uint16_t>(lw.Bytes(), 4, 0x0230);
    Put<uint32_t>(lw.Bytes(), 22, 0xE1E2E3E4u);
    EXPECT_EQ(lw.ReadI32(ab::LwPolylineData::VertexCount), 77);
    EXPECT_EQ(lw.ReadU16(ab::LwPolylineData::Flags), 0x0230);
    EXPECT_EQ(lw.ReadU32(ab::LwPolylineData::BlobRef), 0xE1E2E3E4u);

    TEntityData minsert;
    Put<uint16_t>(minsert.Bytes(), 86, 0x1112);
    Put<uint16_t>(minsert.Bytes(), 88, 0x2122);
    std::memcpy(minsert.Bytes() + 106, "PAD", 4);
    EXPECT_EQ(minsert.ReadU16(ab::InsertData::ColumnCount), 0x1112);
    EXPECT_EQ(minsert.ReadU16(ab::InsertData::RowCount), 0x2122);
    EXPECT_EQ(minsert.ReadText(ab::InsertData::BlockName), std::string_view("PAD"));

    TEntityData spline;
    Put<int16_t>(spline.Bytes(), 0, -3);
    Put<uint16_t>(spline.Bytes(), 2, 0x8005);
    Put<int32_t>(spline.Bytes(), 4, 0x31323334);
    Put<int32_t>(spline.Bytes(), 8, 0x41424344);
    Put<int32_t>(spline.Bytes(), 12, 0x51525354);
    Put<int32_t>(spline.Bytes(), 16, 0x61626364);
    Put<uint8_t>(spline.Bytes(), 20, 0x03);
    Put<uint32_t>(spline.Bytes(), 72, 0x71727374u);
    EXPECT_EQ(spline.ReadI16(ab::SplineData::Degree), -3);
    EXPECT_EQ(spline.ReadU16(ab::SplineData::Flags), 0x8005);
    EXPECT_EQ(spline.ReadI32(ab::SplineData::KnotCount), 0x31323334);
    EXPECT_EQ(spline.ReadI32(ab::SplineData::ControlCount), 0x41424344);
    EXPECT_EQ(spline.ReadI32(ab::SplineData::WeightCount), 0x51525354);
    EXPECT_EQ(spline.ReadI32(ab::SplineData::FitCount), 0x61626364);
    EXPECT_EQ(spline.ReadU8(ab::SplineData::Tangents), 0x03);
    EXPECT_EQ(spline.ReadU32(ab::SplineData::BlobRef), 0x71727374u);

    // An entity of no converted kind: the problem byte, then its type name.
    TEntityData other;
    Put<uint8_t>(other.Bytes(), 0, 2);
    std::memcpy(other.Bytes() + 1, "HATCH", 6);
    EXPECT_EQ(other.ReadU8(ab::OtherData::Problem), 2);
    EXPECT_EQ(other.ReadText(ab::OtherData::KindName), std::string_view("HATCH"));

    // Texts run to the record's end; a text without a NUL there stops at the end.
    TEntityData text;
    std::memcpy(text.Bytes() + 83, "TEXT", 5);
    std::memcpy(text.Bytes() + 104, "MTEXT", 6);
    EXPECT_EQ(text.ReadText(ab::TextData::Text), std::string_view("TEXT"));
    EXPECT_EQ(text.ReadText(ab::MTextData::Text), std::string_view("MTEXT"));
    TEntityData full;
    std::memset(full.Bytes(), 'x', ab::kEntityDataSize);
    EXPECT_EQ(full.ReadText(ab::TextData::Text).size(), std::size_t(2648 - 83));

    TLayerRecord layer;
    Put<uint8_t>(layer.Bytes(), 8, 1);
    Put<int16_t>(layer.Bytes(), 11, -7);
    Put<uint8_t>(layer.Bytes(), 13, 0x01);
    std::memset(layer.Bytes() + 14, 'L', 300); // longer than a name: read up to 255 bytes
    EXPECT_FALSE(layer.Offered());
    EXPECT_EQ(layer.Colour(), -7);
    EXPECT_EQ(layer.Flags(), 0x01);
    EXPECT_EQ(layer.Name(), std::string(255, 'L'));

    TBlockHeaderRecord block;
    std::memcpy(block.Bytes() + 21, "PART", 5);
    Put<uint32_t>(block.Bytes(), 549, 0xF1F2F3F4u);
    EXPECT_EQ(block.Name(), std::string_view("PART"));
    EXPECT_EQ(block.EntityList(), 0xF1F2F3F4u);

    std::vector<uint8_t> drawing(4096);
    Put<double>(drawing.data(), 2657, 1.5);
    Put<double>(drawing.data(), 2681 + 8, 2.5);
    Put<double>(drawing.data(), 3686, 3.5);
    Put<double>(drawing.data(), 3710 + 8, 4.5);
    Put<int16_t>(drawing.data(), 3734, -4);
    Put<uint32_t>(drawing.data(), 3800, 0x81828384u);
    TDrawingHeader drawingHeader(drawing.data());
    EXPECT_EQ(drawingHeader.ReadI16(ab::DrawingHeader::InsUnits), -4);
    EXPECT_EQ(drawingHeader.ReadU32(ab::DrawingHeader::EntityCount), 0x81828384u);
    EXPECT_EQ(drawingHeader.ReadF64(ab::DrawingHeader::ModelExtMin), 1.5);
    EXPECT_EQ(drawingHeader.ReadF64(ab::DrawingHeader::ModelExtMax + 8), 2.5);
    EXPECT_EQ(drawingHeader.ReadF64(ab::DrawingHeader::PaperExtMin), 3.5);
    EXPECT_EQ(drawingHeader.ReadF64(ab::DrawingHeader::PaperExtMax + 8), 4.5);
    drawingHeader.WriteRecomputeWord(0x5A5B);
    int16_t word = 0;
    std::memcpy(&word, drawing.data() + 3145, sizeof word);
    EXPECT_EQ(word, 0x5A5B);
    EXPECT_EQ(std::count(drawing.begin(), drawing.end(), 0x5A), 1) << "exactly two bytes written";
}

} // namespace
