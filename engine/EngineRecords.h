// SPDX-License-Identifier: MIT
// Typed, bounds-checked views of the drawing engine's fixed-layout records, and the entity
// kinds the system maps the engine's type codes to. Reading past a record's end is a
// programming error and raises EAssertionFailure (module "Pad2").
#pragma once

#include "abi/Pad2Api.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace dxfi {

struct TRecordPoint {
    double X = 0.0;
    double Y = 0.0;
};

// Reads little-endian values at byte offsets of a buffer of known size. The fixed-size reads
// are inline: the walk reads every field of every entity through them.
class TRecordReader {
public:
    TRecordReader(const uint8_t* bytes, std::size_t size) : Bytes_(bytes), Size_(size) {}
    uint8_t ReadU8(int offset) const { return *At(offset, 1); }
    int16_t ReadI16(int offset) const { return Load<int16_t>(offset); }
    uint16_t ReadU16(int offset) const { return Load<uint16_t>(offset); }
    int32_t ReadI32(int offset) const { return Load<int32_t>(offset); }
    uint32_t ReadU32(int offset) const { return Load<uint32_t>(offset); }
    double ReadF64(int offset) const { return Load<double>(offset); }
    // X at offset, Y 8 bytes later.
    TRecordPoint ReadPoint(int offset) const {
        const uint8_t* p = At(offset, 16);
        TRecordPoint point;
        std::memcpy(&point.X, p, 8);
        std::memcpy(&point.Y, p + 8, 8);
        return point;
    }
    abi::TObjectHandle ReadObjectHandle(int offset) const { return Load<uint64_t>(offset); }
    // The NUL-terminated text at `offset`, ending at the buffer's end when there is no NUL.
    std::string_view ReadText(int offset) const;

private:
    const uint8_t* At(int offset, std::size_t size) const {
        if (Bytes_ == nullptr || offset < 0 || static_cast<std::size_t>(offset) + size > Size_)
            OutOfRange();
        return Bytes_ + offset;
    }
    template <typename T> T Load(int offset) const {
        T value;
        std::memcpy(&value, At(offset, sizeof value), sizeof value);
        return value;
    }
    // Raises EAssertionFailure (module "Pad2"): a read past the record's end.
    [[noreturn]] static void OutOfRange();

    const uint8_t* Bytes_;
    std::size_t Size_;
};

// A caller-owned record buffer of the engine's size, zero-initialised.
template <int N> class TRecordBuffer {
public:
    static constexpr int kSize = N;
    uint8_t* Bytes() { return Bytes_.data(); }
    const uint8_t* Bytes() const { return Bytes_.data(); }
    TRecordReader Reader() const { return TRecordReader(Bytes_.data(), N); }

private:
    std::array<uint8_t, N> Bytes_{};
};

class TEntityHeader : public TRecordBuffer<abi::kEntityHeaderSize> {
public:
    uint16_t TypeCode() const { return Reader().ReadU16(abi::EntityHeader::TypeCode); }
    abi::TObjectHandle LayerHandle() const {
        return Reader().ReadObjectHandle(abi::EntityHeader::LayerHandle);
    }
    double ExtrusionX() const { return Reader().ReadF64(abi::EntityHeader::ExtrusionX); }
    double ExtrusionY() const { return Reader().ReadF64(abi::EntityHeader::ExtrusionY); }
    double ExtrusionZ() const { return Reader().ReadF64(abi::EntityHeader::ExtrusionZ); }
};

class TEntityData : public TRecordBuffer<abi::kEntityDataSize> {
public:
    double ReadF64(int offset) const { return Reader().ReadF64(offset); }
    TRecordPoint ReadPoint(int offset) const { return Reader().ReadPoint(offset); }
    std::string_view ReadText(int offset) const { return Reader().ReadText(offset); }
    abi::TObjectHandle ReadObjectHandle(int offset) const {
        return Reader().ReadObjectHandle(offset);
    }
    uint8_t ReadU8(int offset) const { return Reader().ReadU8(offset); }
    int16_t ReadI16(int offset) const { return Reader().ReadI16(offset); }
    uint16_t ReadU16(int offset) const { return Reader().ReadU16(offset); }
    int32_t ReadI32(int offset) const { return Reader().ReadI32(offset); }
    uint32_t ReadU32(int offset) const { return Reader().ReadU32(offset); }
    void WriteF64(int offset, double value); // conversions that mirror a value in place
};

// One entity as edaGetEntity delivers it.
struct TEntityRecord {
    TEntityHeader Header;
    TEntityData Data;
};

class TLayerRecord : public TRecordBuffer<abi::kLayerRecordSize> {
public:
    bool Offered() const { return Reader().ReadU8(abi::LayerRecord::Offered) == 0; }
    int16_t Colour() const { return Reader().ReadI16(abi::LayerRecord::Colour); }
    uint8_t Flags() const { return Reader().ReadU8(abi::LayerRecord::Flags); }
    std::string_view Name() const; // at most 255 bytes
};

class TBlockHeaderRecord : public TRecordBuffer<abi::kBlockHeaderRecordSize> {
public:
    std::string_view Name() const; // at most 255 bytes
    abi::TEntityListHandle EntityList() const {
        return Reader().ReadU32(abi::BlockHeaderRecord::EntityList);
    }
};

// The drawing header in the engine's memory (kDrawingHeaderSize bytes); nil-safe.
class TDrawingHeader {
public:
    explicit TDrawingHeader(uint8_t* bytes) : Bytes_(bytes) {}
    bool IsNil() const { return Bytes_ == nullptr; }
    double ReadF64(int offset) const;
    uint32_t ReadU32(int offset) const;
    int16_t ReadI16(int offset) const;
    void WriteRecomputeWord(int16_t value);

private:
    uint8_t* Bytes_;
};

enum TEntityKind : uint8_t {
    ekNone = 0,
    ekLine = 1,
    ekPolyline = 2,
    ekLwPolyline = 3,
    ekVertex = 4,
    ekSeqEnd = 5,
    ekCircle = 6,
    ekInsert = 7,
    ekText = 8,
    ekDimension = 9,
    ekPoint = 10,
    ekArc = 11,
    ekMText = 12,
    ekMLine = 13,
    ekEllipse = 14,
    ekTrace = 15,
    ekSolid = 16,
    ekSpline = 17,
};

// The kind of the entity whose header this is. Fixed codes first; only an unlisted code is
// compared with edaLwplineEnttype(drawing), asked each time. A nil header gives ekNone.
TEntityKind EntityKind(const TEntityHeader* header, abi::TDrawingHandle drawing);
// "LINE entity", ... ; "" for ekNone.
std::string_view EntityKindName(TEntityKind kind);

} // namespace dxfi
