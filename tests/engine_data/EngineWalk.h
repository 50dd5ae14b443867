// SPDX-License-Identifier: MIT
// Walks everything an open drawing offers through the engine's flat functions: header, layers,
// both spaces, every block reached from them, every record and every blob value. Shared by the
// bad-input test, the fuzz target and the benchmark, so that all three exercise the same calls
// the import makes. Never trusts a count from a record: blob reads stop at the first 0 result.
#pragma once

#include "abi/Pad2Api.h"

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace dxfi::enginewalk {

namespace abi = dxfi::abi;

// Sets the engine up as the plug-in does before its first load (polylines converted on load,
// the DXF and DWG readers) and initialises it from `padinit`. "" when it is ready, else the
// engine's reason.
inline std::string SetUpEngine(const char* padinit) {
    edaConvertPlinesOnLoad(1);
    edaSetupDxfRead();
    edaSetupDwgRead();
    int32_t code = 0;
    if (edaInitAd2(padinit, 0, &code) != 0) return "";
    const char* reason = edaErrorStr(code);
    return reason && *reason ? reason : "error " + std::to_string(code);
}

struct TWalkCounts {
    uint64_t Entities = 0;
    uint64_t Layers = 0;
    uint64_t Lists = 0;
    uint64_t BlobValues = 0;
    double Checksum = 0; // sum of values read, so that nothing read can be optimised away
};

struct TWalkOptions {
    bool SeekLayerPerEntity = true; // what the import does (one edaSeekLayer per entity)
};

inline double GetF64(const uint8_t* record, int offset) {
    double v;
    std::memcpy(&v, record + offset, sizeof v);
    return v;
}
template <typename T> T GetInt(const uint8_t* record, int offset) {
    T v;
    std::memcpy(&v, record + offset, sizeof v);
    return v;
}

// Text of a record field, never reading past the record's end.
inline std::string GetText(const uint8_t* record, int offset, int recordSize) {
    const auto* begin = reinterpret_cast<const char*>(record + offset);
    const auto* nul = static_cast<const char*>(std::memchr(begin, 0, size_t(recordSize - offset)));
    return std::string(begin, nul ? size_t(nul - begin) : size_t(recordSize - offset));
}

class TDrawingWalker {
public:
    TDrawingWalker(abi::TDrawingHandle drawing, TWalkOptions options = {})
        : Drawing(drawing), Options(options), Header(abi::kEntityHeaderSize),
          Data(abi::kEntityDataSize), Layer(abi::kLayerRecordSize),
          Block(abi::kBlockHeaderRecordSize) {}

    TWalkCounts Run() {
        if (const uint8_t* header = edaHeaderPointer(Drawing)) {
            for (int offset : {abi::DrawingHeader::ModelExtMin, abi::DrawingHeader::ModelExtMax,
                               abi::DrawingHeader::PaperExtMin, abi::DrawingHeader::PaperExtMax})
                for (int i = 0; i < 3; ++i)
                    Add(GetF64(header, offset + 8 * i));
        }
        if (edaStartLayerGet(Drawing) != 0) {
            while (edaGetLayer(Drawing, Layer.data()) != 0) {
                ++Counts.Layers;
                Add(double(GetInt<int16_t>(Layer.data(), abi::LayerRecord::Colour)));
            }
        }
        for (const char* space : {"*MODEL_SPACE", "*PAPER_SPACE"}) {
            abi::TObjectHandle handle = 0;
            if (edaFindBlockheaderByName(Drawing, space, &handle) != 0) WalkBlock(handle);
        }
        // Blocks are walked once each, iteratively: a block that inserts itself cannot recurse.
        while (!Pending.empty()) {
            const abi::TObjectHandle handle = Pending.back();
            Pending.pop_back();
            WalkBlock(handle);
        }
        for (abi::TObjectHandle layer : LayersSeen)
            if (edaSeekLayer(Drawing, layer, Layer.data()) != 0)
                Add(double(GetInt<int16_t>(Layer.data(), abi::LayerRecord::Colour)));
        return Counts;
    }

private:
    void WalkBlock(abi::TObjectHandle handle) {
        if (!BlocksWalked.insert(handle).second) return;
        if (edaSeekBlockheader(Drawing, handle, Block.data()) != 0) {
            const auto name =
                GetText(Block.data(), abi::BlockHeaderRecord::Name, abi::kBlockHeaderRecordSize);
            Add(double(name.size()));
            WalkList(GetInt<uint32_t>(Block.data(), abi::BlockHeaderRecord::EntityList));
        }
        WalkList(edaEntityList(Drawing, handle));
    }

    void WalkList(abi::TEntityListHandle list) {
        if (list == 0 || !ListsWalked.insert(list).second) return;
        ++Counts.Lists;
        edaStartEntityGet(list);
        const int16_t lwCode = edaLwplineEnttype(Drawing);
        while (edaGetEntity(list, Header.data(), Data.data()) == 1) {
            ++Counts.Entities;
            const uint16_t code = GetInt<uint16_t>(Header.data(), abi::EntityHeader::TypeCode);
            const auto layer =
                GetInt<abi::TObjectHandle>(Header.data(), abi::EntityHeader::LayerHandle);
            if (Options.SeekLayerPerEntity) {
                if (edaSeekLayer(Drawing, layer, Layer.data()) != 0)
                    Add(double(Layer[abi::LayerRecord::Name]));
            } else {
                LayersSeen.insert(layer);
            }
            Add(GetF64(Header.data(), abi::EntityHeader::ExtrusionZ));
            Add(GetF64(Data.data(), 0));
            if (code == abi::kCodeInsert)
                Reach(GetInt<abi::TObjectHandle>(Data.data(), abi::InsertData::BlockHeader));
            else if (code == abi::kCodeDimension)
                Reach(GetInt<abi::TObjectHandle>(Data.data(), abi::DimensionData::BlockHeader));
            else if (code == abi::kCodeMLine)
                ReadMLine();
            else if (code == abi::kCodeText)
                Add(double(GetText(Data.data(), abi::TextData::Text, abi::kEntityDataSize).size()));
            else if (code == abi::kCodeMText)
                Add(double(
                    GetText(Data.data(), abi::MTextData::Text, abi::kEntityDataSize).size()));
            else if (lwCode != 0 && code == uint16_t(lwCode))
                ReadLwPolyline();
        }
    }

    void Reach(abi::TObjectHandle block) {
        if (BlocksWalked.count(block) == 0) Pending.push_back(block);
    }

    bool ReadDoubles(abi::TBlobReader reader, int n) {
        double v[3] = {0, 0, 0};
        const int16_t ok = n == 1   ? edaReadBlobDouble(reader, v)
                           : n == 2 ? edaReadBlob2Double(reader, v)
                                    : edaReadBlob3Double(reader, v);
        if (ok == 0) return false;
        Counts.BlobValues += uint64_t(n);
        Add(v[0] + v[1] + v[2]);
        return true;
    }

    // Reads the blob whose reference is at `offset` of the data record with `read`; nothing
    // when the record refers to no blob.
    template <typename TRead> void WithBlob(int offset, TRead read) {
        const abi::TBlobReader reader = edaStartBlobRead(GetInt<uint32_t>(Data.data(), offset));
        if (reader == 0) return;
        read(reader);
        edaEndBlobRead(reader);
    }

    void ReadLwPolyline() {
        const int32_t count = GetInt<int32_t>(Data.data(), abi::LwPolylineData::VertexCount);
        const uint16_t flags = GetInt<uint16_t>(Data.data(), abi::LwPolylineData::Flags);
        WithBlob(abi::LwPolylineData::BlobRef, [&](abi::TBlobReader reader) {
            for (int32_t i = 0; i < count; ++i) {
                if (!ReadDoubles(reader, 2)) break;
                if ((flags & abi::LwPolylineData::FlagBulges) && !ReadDoubles(reader, 1)) break;
                if ((flags & abi::LwPolylineData::FlagWidths) && !ReadDoubles(reader, 2)) break;
            }
        });
    }

    bool ReadCounted(abi::TBlobReader reader) {
        int16_t n = 0;
        if (edaReadBlobShort(reader, &n) == 0) return false;
        for (int16_t k = 0; k < n; ++k)
            if (!ReadDoubles(reader, 1)) return false;
        return true;
    }

    void ReadMLine() {
        const int16_t lines = GetInt<int16_t>(Data.data(), abi::MLineData::StyleLineCount);
        const uint16_t count = GetInt<uint16_t>(Data.data(), abi::MLineData::VertexCount);
        WithBlob(abi::MLineData::BlobRef, [&](abi::TBlobReader reader) {
            bool ok = true;
            for (uint16_t i = 0; ok && i < count; ++i) {
                ok = ReadDoubles(reader, 3) && ReadDoubles(reader, 3) && ReadDoubles(reader, 3);
                for (int16_t l = 0; ok && l < lines; ++l)
                    ok = ReadCounted(reader) && ReadCounted(reader);
            }
        });
    }

    void Add(double v) {
        if (v == v) // NaN would poison the sum; it is still read
            Counts.Checksum += v;
    }

    abi::TDrawingHandle Drawing;
    TWalkOptions Options;
    std::vector<uint8_t> Header, Data, Layer, Block;
    std::set<abi::TObjectHandle> BlocksWalked, LayersSeen;
    std::set<abi::TEntityListHandle> ListsWalked;
    std::vector<abi::TObjectHandle> Pending;
    TWalkCounts Counts;
};

} // namespace dxfi::enginewalk
