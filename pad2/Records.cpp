// SPDX-License-Identifier: MIT
#include "pad2/Records.h"

#include "pad2/CodePages.h"
#include "pad2/EntityCodes.h"

#include <cstring>

namespace pad2 {
namespace {

using namespace dxfi::abi;

template <typename T> void Put(uint8_t* record, int offset, T value) {
    std::memcpy(record + offset, &value, sizeof value);
}

void PutPoint(uint8_t* record, int offset, const double* xyz, int count = 3) {
    std::memcpy(record + offset, xyz, sizeof(double) * static_cast<std::size_t>(count));
}

// Copies a stored text (already cut to fit when stored) NUL-terminated into the record.
void PutText(uint8_t* record, int offset, int recordSize, const char* text) {
    const std::size_t room = static_cast<std::size_t>(recordSize - offset - 1);
    const std::string_view view(text);
    const std::size_t n = Utf8CutLength(view, room);
    std::memcpy(record + offset, view.data(), n);
    record[offset + static_cast<int>(n)] = 0;
}

// The fixed part of each record: every listed field of any entity data layout ends before
// kDataFixed and every text starts inside it, so a text read at any listed offset stops at the
// same NUL as in a record that was zeroed whole.
constexpr int kDataFixed = 256;
static_assert(DimensionData::BlockHeader + 8 < kDataFixed && InsertData::BlockName < kDataFixed &&
              InsertData::RowSpacing + 8 < kDataFixed && MTextData::Text < kDataFixed &&
              TextData::Text < kDataFixed && SplineData::BlobRef + 4 < kDataFixed &&
              SolidData::Corner4 + 24 < kDataFixed);
constexpr int kHeaderFixed = EntityHeader::ExtrusionZ + 8;
static_assert(EntityHeader::LayerHandle + 8 <= kHeaderFixed);
constexpr int kLayerFixed = LayerRecord::Name;
static_assert(LayerRecord::Offered < kLayerFixed && LayerRecord::Colour + 2 <= kLayerFixed &&
              LayerRecord::Flags < kLayerFixed);

} // namespace

uint64_t MakeObjectHandle(uint64_t tag, uint32_t slot, uint32_t index) {
    return (tag << 48) | (uint64_t{slot + 1} << 32) | (uint64_t{index} + 1);
}

uint32_t ObjectIndex(uint64_t handle, uint64_t tag, uint32_t slot) {
    if ((handle >> 48) != tag || ((handle >> 32) & 0xFFFF) != slot + 1) return kNoIndex;
    const uint64_t low = handle & 0xFFFFFFFFu;
    return low == 0 ? kNoIndex : static_cast<uint32_t>(low - 1);
}

uint32_t MakeSmallHandle(uint32_t slot, uint32_t index) {
    return ((slot + 1) << 26) | (index + 1);
}

bool SplitSmallHandle(uint32_t handle, uint32_t& slot, uint32_t& index) {
    const uint32_t s = handle >> 26;
    const uint32_t i = handle & ((1u << 26) - 1);
    if (s == 0 || i == 0) return false;
    slot = s - 1;
    index = i - 1;
    return true;
}

void FillLayer(const TDrawing& d, uint32_t layer, uint8_t* record) {
    const TLayer& l = d.Layers[layer];
    std::memset(record, 0, kLayerFixed);
    Put<uint8_t>(record, LayerRecord::Offered, 0);
    Put<int16_t>(record, LayerRecord::Colour, l.Colour);
    Put<uint8_t>(record, LayerRecord::Flags, l.Flags);
    PutText(record, LayerRecord::Name, LayerRecord::Name + 256, d.String(l.Name));
}

void FillBlockHeader(const TDrawing& d, uint32_t slot, uint32_t block, uint8_t* record) {
    std::memset(record, 0, kBlockHeaderRecordSize);
    PutText(record, BlockHeaderRecord::Name, BlockHeaderRecord::Name + 256,
            d.String(d.Blocks[block].Name));
    Put<uint32_t>(record, BlockHeaderRecord::EntityList, MakeSmallHandle(slot, block));
}

void FillBlockStart(const TDrawing& d, uint32_t slot, uint32_t block, uint8_t* header,
                    uint8_t* data) {
    std::memset(header, 0, kEntityHeaderSize);
    std::memset(data, 0, kEntityDataSize);
    Put<uint16_t>(header, EntityHeader::TypeCode, kCodeBlockStart);
    const uint32_t layer0 = d.LayerIndex.Find("0");
    if (layer0 != kNoIndex)
        Put<uint64_t>(header, EntityHeader::LayerHandle, MakeObjectHandle(kLayerTag, slot, layer0));
    const double up[3] = {0.0, 0.0, 1.0};
    PutPoint(header, EntityHeader::ExtrusionX, up);
    PutPoint(data, BlockStartData::BasePoint, d.Blocks[block].Base);
}

void FillEntity(const TDrawing& d, uint32_t slot, uint32_t entity, uint8_t* header, uint8_t* data) {
    const TEntity& e = d.Entities[entity];
    const double* f = d.Doubles.data() + e.Data;
    std::memset(header, 0, kHeaderFixed);
    std::memset(data, 0, kDataFixed);
    Put<uint16_t>(header, EntityHeader::TypeCode, e.Code);
    Put<uint64_t>(header, EntityHeader::LayerHandle, MakeObjectHandle(kLayerTag, slot, e.Layer));
    const double up[3] = {0.0, 0.0, 1.0};
    PutPoint(header, EntityHeader::ExtrusionX,
             (e.Flags & TEntity::kHasExtrusion) ? f + FieldCount(e.Code) : up);

    const auto blockHandle = [&](uint32_t block) -> uint64_t {
        return (block != kNoIndex && d.Blocks[block].Defined)
                   ? MakeObjectHandle(kBlockTag, slot, block)
                   : 0;
    };
    switch (e.Code) {
    case kCodeLine:
        PutPoint(data, LineData::Start, f);
        PutPoint(data, LineData::End, f + 3);
        break;
    case kCodePoint:
        PutPoint(data, PointData::Location, f);
        break;
    case kCodeCircle:
        PutPoint(data, CircleData::Centre, f);
        Put(data, CircleData::Radius, f[3]);
        break;
    case kCodeArc:
        PutPoint(data, ArcData::Centre, f);
        Put(data, ArcData::Radius, f[3]);
        Put(data, ArcData::StartAngle, f[4]);
        Put(data, ArcData::EndAngle, f[5]);
        break;
    case kCodeEllipse:
        PutPoint(data, EllipseData::Centre, f);
        PutPoint(data, EllipseData::MajorAxisEnd, f + 3);
        Put(data, EllipseData::Ratio, f[6]);
        Put(data, EllipseData::StartParam, f[7]);
        Put(data, EllipseData::EndParam, f[8]);
        break;
    case kCodeText:
        PutPoint(data, TextData::AlignPoint, f);
        Put(data, TextData::Height, f[3]);
        Put(data, TextData::Rotation, f[4]);
        Put<uint8_t>(data, TextData::GenFlags, static_cast<uint8_t>(e.Flags));
        PutText(data, TextData::Text, kEntityDataSize, d.String(e.Aux));
        break;
    case kCodeMText:
        PutPoint(data, MTextData::InsertionPoint, f);
        Put(data, MTextData::Height, f[3]);
        Put<uint8_t>(data, MTextData::Attachment, static_cast<uint8_t>(e.Flags));
        Put(data, MTextData::RefWidth, f[4]);
        PutText(data, MTextData::Text, kEntityDataSize, d.String(e.Aux));
        break;
    case kCodeSolid:
    case kCodeTrace:
        PutPoint(data, SolidData::Corner1, f);
        PutPoint(data, SolidData::Corner2, f + 3);
        PutPoint(data, SolidData::Corner3, f + 6);
        PutPoint(data, SolidData::Corner4, f + 9);
        break;
    case kCodeInsert:
        PutPoint(data, InsertData::InsertionPoint, f);
        Put(data, InsertData::ScaleX, f[3]);
        Put(data, InsertData::ScaleY, f[4]);
        Put(data, InsertData::Rotation, f[5]);
        Put<uint64_t>(data, InsertData::BlockHeader, blockHandle(e.Aux));
        Put<uint16_t>(data, InsertData::ColumnCount, static_cast<uint16_t>(e.Aux2 >> 16));
        Put<uint16_t>(data, InsertData::RowCount, static_cast<uint16_t>(e.Aux2 & 0xFFFF));
        Put(data, InsertData::ColumnSpacing, f[6]);
        Put(data, InsertData::RowSpacing, f[7]);
        if (e.Aux != kNoIndex)
            PutText(data, InsertData::BlockName, InsertData::BlockName + 256,
                    d.String(d.Blocks[e.Aux].Name));
        break;
    case kCodeDimension:
        PutPoint(data, DimensionData::InsertionPoint, f);
        Put(data, DimensionData::Rotation, f[6]);
        PutPoint(data, DimensionData::DefinitionPoint, f + 3);
        Put<uint64_t>(data, DimensionData::BlockHeader, blockHandle(e.Aux));
        break;
    case kCodePolyline:
        Put(data, PolylineData::DefaultWidth, f[0]);
        Put<uint8_t>(data, PolylineData::Flags, static_cast<uint8_t>(e.Flags));
        break;
    case kCodeVertex:
        PutPoint(data, VertexData::Location, f);
        Put(data, VertexData::Width, f[3]);
        Put(data, VertexData::Bulge, f[4]);
        break;
    case kCodeLwPolyline:
        Put<int32_t>(data, LwPolylineData::VertexCount, static_cast<int32_t>(e.Aux2));
        Put<uint16_t>(data, LwPolylineData::Flags, e.Flags & 0x7FFF);
        Put(data, LwPolylineData::ConstWidth, f[0]);
        Put<uint32_t>(data, LwPolylineData::BlobRef, MakeSmallHandle(slot, e.Aux));
        break;
    case kCodeMLine:
        Put<int16_t>(data, MLineData::StyleLineCount, static_cast<int16_t>(e.Aux2 >> 16));
        Put<uint16_t>(data, MLineData::VertexCount, static_cast<uint16_t>(e.Aux2 & 0xFFFF));
        PutPoint(data, MLineData::StartPoint, f);
        Put<uint32_t>(data, MLineData::BlobRef, MakeSmallHandle(slot, e.Aux));
        break;
    case kCodeSpline:
        Put<int16_t>(data, SplineData::Degree, static_cast<int16_t>(f[0]));
        Put<uint16_t>(data, SplineData::Flags, static_cast<uint16_t>(f[1]));
        Put<int32_t>(data, SplineData::KnotCount, static_cast<int32_t>(f[2]));
        Put<int32_t>(data, SplineData::ControlCount, static_cast<int32_t>(f[3]));
        Put<int32_t>(data, SplineData::WeightCount, static_cast<int32_t>(f[4]));
        Put<int32_t>(data, SplineData::FitCount, static_cast<int32_t>(f[5]));
        Put<uint8_t>(data, SplineData::Tangents, static_cast<uint8_t>(f[6]));
        PutPoint(data, SplineData::StartTangent, f + 7);
        PutPoint(data, SplineData::EndTangent, f + 10);
        Put<uint32_t>(data, SplineData::BlobRef, MakeSmallHandle(slot, e.Aux));
        break;
    default:
        if (e.Code >= kCodeFirstOther) {
            Put<uint8_t>(data, OtherData::Problem, static_cast<uint8_t>(e.Flags));
            PutText(data, OtherData::KindName, OtherData::KindName + 256, d.String(e.Aux));
        }
        break;
    }
}

} // namespace pad2
