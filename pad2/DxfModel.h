// SPDX-License-Identifier: MIT
// The storage of one loaded drawing: layers, blocks (the two spaces included), entities in a
// compact form, texts in one arena and packed vertex data in one byte vector.
#pragma once

#include "abi/Pad2Api.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pad2 {

inline constexpr uint32_t kNoIndex = 0xFFFFFFFFu;

struct TLayer {
    uint32_t Name = 0;  // offset in TDrawing::Strings
    int16_t Colour = 7; // negative = off
    uint8_t Flags = 0;  // bit 0x01 frozen
};

struct TBlock {
    uint32_t Name = 0; // offset in TDrawing::Strings
    double Base[3] = {0, 0, 0};
    uint32_t First = kNoIndex; // first entity of the list, linked by TEntity::Next
    uint32_t Last = kNoIndex;
    bool Defined = false; // false for a name only referenced by an INSERT or DIMENSION
    // Walk position of edaGetEntity: the next entity to deliver after the block start.
    uint32_t Cursor = kNoIndex;
    bool Started = false; // the block start was delivered
};

// One entity. Its fields are Count doubles at Doubles[Data] (layout per code, see
// TDrawing::FieldCount) followed by the extrusion when HasExtrusion.
struct TEntity {
    uint32_t Data = 0;
    uint32_t Layer = 0;
    uint32_t Aux = 0;  // text offset (also the type name of other codes), block or blob index
    uint32_t Aux2 = 0; // vertex counts, per code
    uint32_t Next = kNoIndex;
    uint16_t Code = 0;
    uint16_t Flags = 0; // per code: text generation flags, attachment, polyline flags
    static constexpr uint16_t kHasExtrusion = 0x8000;
};

// How many doubles an entity of this engine code keeps at TEntity::Data (its extrusion, when
// it has one, follows them).
int FieldCount(uint16_t code);

// A name index that folds ASCII letters, as DXF names are compared.
class TNameIndex {
public:
    uint32_t Find(std::string_view name) const;
    void Insert(std::string_view name, uint32_t index);
    std::size_t Size() const { return Map_.size(); }

private:
    static void Fold(std::string_view name, std::string& out);
    std::unordered_map<std::string, uint32_t> Map_;
    mutable std::string Key_;
};

struct TDrawing {
    TDrawing();

    std::vector<TLayer> Layers;
    std::vector<TBlock> Blocks;
    std::vector<TEntity> Entities;
    std::vector<double> Doubles;
    std::vector<char> Strings; // NUL-terminated texts
    std::vector<uint8_t> Blob;
    std::vector<uint64_t> BlobStarts; // blob i spans [BlobStarts[i], BlobStarts[i + 1])
    TNameIndex LayerIndex;
    TNameIndex BlockIndex;
    uint32_t ModelSpace = 0;
    uint32_t PaperSpace = 0;
    uint32_t LayerCursor = 0;
    uint64_t SkippedEntities = 0; // DWG entities with non-finite values
    std::unique_ptr<std::array<uint8_t, dxfi::abi::kDrawingHeaderSize>> Header;

    // Stores a NUL-terminated copy of `text` and returns its offset.
    uint32_t AddString(std::string_view text);
    const char* String(uint32_t offset) const { return Strings.data() + offset; }
    std::string_view StringView(uint32_t offset) const { return String(offset); }

    uint32_t FindOrAddLayer(std::string_view name); // an implicit layer: colour 7, visible
    uint32_t FindOrAddBlock(std::string_view name); // not Defined until its definition
    void Append(uint32_t block, uint32_t entity);   // to the end of the block's list

    // Both readers fill the drawing through these, per entity and per vertex: inline.

    // A new entity at the end of the block's list, its fields to be pushed onto Doubles.
    // Refuses, naming `fileName`, more than the records' indexes reach.
    uint32_t NewEntity(uint16_t code, uint32_t layer, uint32_t block, const std::string& fileName) {
        if (Entities.size() >= 0xFFFFFFF0u || Doubles.size() >= 0xFFFFFF00u)
            ThrowTooLarge(fileName, "entities");
        const uint32_t index = static_cast<uint32_t>(Entities.size());
        TEntity e;
        e.Code = code;
        e.Layer = layer;
        e.Data = static_cast<uint32_t>(Doubles.size());
        Entities.push_back(e);
        Append(block, index);
        return index;
    }
    // A new blob, starting at the end of Blob; its index travels in 26 bits.
    uint32_t NewBlob(const std::string& fileName) {
        if (BlobStarts.size() >= (1u << 26) - 2) ThrowTooLarge(fileName, "polylines");
        BlobStarts.push_back(Blob.size());
        return static_cast<uint32_t>(BlobStarts.size() - 1);
    }
    void BlobDouble(double v) { BlobBytes(&v, 8); }
    void BlobShort(int16_t v) { BlobBytes(&v, 2); }

private:
    template <typename T>
    uint32_t AddNamed(std::vector<T>& items, TNameIndex& index, std::string_view name);
    void BlobBytes(const void* v, std::size_t n) {
        uint8_t bytes[8];
        std::memcpy(bytes, v, n);
        Blob.insert(Blob.end(), bytes, bytes + n);
    }
    [[noreturn]] static void ThrowTooLarge(const std::string& fileName, const char* what);
};

} // namespace pad2
