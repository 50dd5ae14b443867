// SPDX-License-Identifier: MIT
#include "engine/EngineRecords.h"

#include "base/Assertion.h"
#include "engine/Pad2.h"

#include <algorithm>
#include <cstring>

namespace dxfi {
namespace {

constexpr const char* kModule = "Pad2";

std::string_view ShortName(TRecordReader reader, int offset) {
    std::string_view name = reader.ReadText(offset);
    return name.substr(0, std::min<std::size_t>(name.size(), 255));
}

} // namespace

void TRecordReader::OutOfRange() {
    throw EAssertionFailure(kModule, __LINE__);
}

std::string_view TRecordReader::ReadText(int offset) const {
    const uint8_t* p = At(offset, 0);
    const std::size_t room = Size_ - static_cast<std::size_t>(offset);
    const void* nul = std::memchr(p, 0, room);
    const std::size_t n =
        nul ? static_cast<std::size_t>(static_cast<const uint8_t*>(nul) - p) : room;
    return std::string_view(reinterpret_cast<const char*>(p), n);
}

void TEntityData::WriteF64(int offset, double value) {
    Assert(offset >= 0 && offset + 8 <= kSize, kModule);
    std::memcpy(Bytes() + offset, &value, sizeof value);
}

std::string_view TLayerRecord::Name() const {
    return ShortName(Reader(), abi::LayerRecord::Name);
}

std::string_view TBlockHeaderRecord::Name() const {
    return ShortName(Reader(), abi::BlockHeaderRecord::Name);
}

double TDrawingHeader::ReadF64(int offset) const {
    Assert(Bytes_ != nullptr, kModule);
    return TRecordReader(Bytes_, abi::kDrawingHeaderSize).ReadF64(offset);
}

uint32_t TDrawingHeader::ReadU32(int offset) const {
    Assert(Bytes_ != nullptr, kModule);
    return TRecordReader(Bytes_, abi::kDrawingHeaderSize).ReadU32(offset);
}

int16_t TDrawingHeader::ReadI16(int offset) const {
    Assert(Bytes_ != nullptr, kModule);
    return TRecordReader(Bytes_, abi::kDrawingHeaderSize).ReadI16(offset);
}

void TDrawingHeader::WriteRecomputeWord(int16_t value) {
    Assert(Bytes_ != nullptr, kModule);
    std::memcpy(Bytes_ + abi::DrawingHeader::RecomputeWord, &value, sizeof value);
}

TEntityKind EntityKind(const TEntityHeader* header, abi::TDrawingHandle drawing) {
    if (!header) return ekNone;
    switch (header->TypeCode()) {
    case abi::kCodeLine:
        return ekLine;
    case abi::kCodePolyline:
        return ekPolyline;
    case abi::kCodeVertex:
        return ekVertex;
    case abi::kCodeSeqEnd:
        return ekSeqEnd;
    case abi::kCodeCircle:
        return ekCircle;
    case abi::kCodeInsert:
        return ekInsert;
    case abi::kCodeText:
        return ekText;
    case abi::kCodeDimension:
        return ekDimension;
    case abi::kCodePoint:
        return ekPoint;
    case abi::kCodeArc:
        return ekArc;
    case abi::kCodeMText:
        return ekMText;
    case abi::kCodeMLine:
        return ekMLine;
    case abi::kCodeEllipse:
        return ekEllipse;
    case abi::kCodeTrace:
        return ekTrace;
    case abi::kCodeSolid:
        return ekSolid;
    case abi::kCodeSpline:
        return ekSpline;
    default:
        break;
    }
    const int16_t lw = Pad2().LwplineEnttype(drawing);
    return header->TypeCode() == static_cast<uint16_t>(lw) ? ekLwPolyline : ekNone;
}

std::string_view EntityKindName(TEntityKind kind) {
    switch (kind) {
    case ekLine:
        return "LINE entity";
    case ekPolyline:
        return "POLYLINE entity";
    case ekLwPolyline:
        return "LWPOLYLINE entity";
    case ekVertex:
        return "VERTEX entity";
    case ekSeqEnd:
        return "SEQEND entity";
    case ekCircle:
        return "CIRCLE entity";
    case ekInsert:
        return "INSERT entity";
    case ekText:
        return "TEXT entity";
    case ekDimension:
        return "DIMENSION entity";
    case ekPoint:
        return "POINT entity";
    case ekArc:
        return "ARC entity";
    case ekMText:
        return "MTEXT entity";
    case ekMLine:
        return "MLINE entity";
    case ekEllipse:
        return "ELLIPSE entity";
    case ekTrace:
        return "TRACE entity";
    case ekSolid:
        return "SOLID entity";
    case ekSpline:
        return "SPLINE entity";
    default:
        return "";
    }
}

} // namespace dxfi
