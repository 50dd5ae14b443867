// SPDX-License-Identifier: MIT
#include "pad2/Engine.h"

#include "pad2/DxfReader.h"
#include "pad2/FileMapping.h"
#include "pad2/Records.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace pad2 {
namespace {

using namespace dxfi::abi;

constexpr std::string_view kInitSignature = "PAD2INIT";
constexpr int kInitVersion = 1;
constexpr std::size_t kMaxOpenReaders = 1u << 20;

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char* GenericText(int32_t code) {
    switch (code) {
    case ecNone:
        return "No error.";
    case ecInitMissing:
        return "The drawing engine's data file PADINIT.DAT cannot be read: reinstall the importer.";
    case ecInitForeign:
        return "PADINIT.DAT is not the drawing engine's data file: reinstall the importer.";
    case ecInitVersion:
        return "PADINIT.DAT belongs to another version of the drawing engine: reinstall the "
               "importer.";
    case ecFileMissing:
        return "The drawing file cannot be opened: check its name and folder.";
    case ecFileEmpty:
        return "The drawing file is empty.";
    case ecNotDrawing:
        return "The file is not a drawing.";
    case ecDwg:
        return "This DWG version is not read: save the drawing as AutoCAD 2000 or later DWG, "
               "or as DXF.";
    case ecTruncated:
        return "The drawing file is truncated: save the drawing again.";
    case ecBadValue:
        return "The drawing file has a bad value.";
    case ecBadGroupCode:
        return "The drawing file has a bad group code.";
    case ecTooLarge:
        return "The drawing is too large for the drawing engine.";
    case ecTooManyDrawings:
        return "Too many drawings are open: close one first.";
    case ecInternal:
        return "The drawing engine failed.";
    case ecBadArgument:
        return "The drawing engine was called with an invalid argument.";
    case ecFileChanged:
        return "The drawing file changed while it was read: import it again once it is saved.";
    default:
        return nullptr;
    }
}

} // namespace

TEngine& TEngine::Instance() {
    static TEngine engine;
    return engine;
}

void TEngine::Fail(TErrorCode code, std::string message) {
    LastError_ = code;
    if (code > 0 && code < ecErrorCodeCount) Messages_[code] = std::move(message);
}

const char* TEngine::ErrorText(int32_t code) {
    if (code > 0 && code < ecErrorCodeCount && !Messages_[code].empty())
        return Messages_[code].c_str();
    if (const char* text = GenericText(code)) return text;
    UnknownText_ = "Unknown drawing engine error " + std::to_string(code) + ".";
    return UnknownText_.c_str();
}

bool TEngine::Init(const char* initFile, int32_t& code) {
    const std::string path = initFile ? initFile : "";
    std::FILE* file = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
    if (!file) {
        Fail(ecInitMissing, "The drawing engine's data file " +
                                (path.empty() ? std::string("PADINIT.DAT") : path) +
                                " cannot be read: reinstall the importer.");
        code = ecInitMissing;
        return false;
    }
    char buffer[4096];
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, file);
    std::fclose(file);
    std::string_view text(buffer, n);
    auto line = [&]() {
        const std::size_t end = text.find('\n');
        std::string_view l = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        while (!l.empty() && (l.back() == '\r' || l.back() == ' '))
            l.remove_suffix(1);
        return l;
    };
    if (line() != kInitSignature) {
        Fail(ecInitForeign, "The file " + path +
                                " is not the drawing engine's data file: reinstall the importer.");
        code = ecInitForeign;
        return false;
    }
    int version = -1;
    while (!text.empty()) {
        const std::string_view l = line();
        if (l.substr(0, 8) == "version=") {
            version = 0;
            for (char c : l.substr(8)) {
                if (c < '0' || c > '9' || version > 100000) {
                    version = -1;
                    break;
                }
                version = version * 10 + (c - '0');
            }
            break;
        }
    }
    if (version != kInitVersion) {
        Fail(ecInitVersion, "The drawing engine's data file " + path + " is of " +
                                (version < 0 ? std::string("an unknown version")
                                             : "version " + std::to_string(version)) +
                                "; this engine needs version " + std::to_string(kInitVersion) +
                                ": reinstall the importer.");
        code = ecInitVersion;
        return false;
    }
    code = ecNone;
    return true;
}

void TEngine::Close() {
    for (TSlot& slot : Slots_) {
        slot.Handle = 0;
        slot.Drawing.reset();
    }
    Readers_.clear();
    FreeReaders_.clear();
}

TDrawing* TEngine::Find(TDrawingHandle drawing, uint32_t* slot) const {
    const uint32_t s = (drawing & 0x3F);
    if (s == 0 || s > kSlots || Slots_[s - 1].Handle != drawing || drawing == 0) return nullptr;
    if (slot) *slot = s - 1;
    return Slots_[s - 1].Drawing.get();
}

TDrawing* TEngine::FindSlot(uint32_t slot) const {
    return slot < kSlots && Slots_[slot].Handle != 0 ? Slots_[slot].Drawing.get() : nullptr;
}

TDrawingHandle TEngine::Load(const char* path) {
    if (!path || !*path) throw EDxfError{ecFileMissing, "No drawing file was named."};
    uint32_t free = kSlots;
    for (uint32_t i = 0; i < kSlots; ++i)
        if (Slots_[i].Handle == 0) {
            free = i;
            break;
        }
    if (free == kSlots)
        throw EDxfError{ecTooManyDrawings, "Too many drawings are open: close one first."};

    const std::string name = BaseName(path);
    std::unique_ptr<TDrawing> drawing;
    {
        TFileMapping file(path, name);
        // Read in steps as the parser goes: only a window of a large file is in memory.
        file.LoadUpTo(0);
        TReadCallbacks callbacks;
        if (Progress_) {
            const TLoadometerFn progress = Progress_;
            callbacks.Progress = [progress](int percent) {
                progress(static_cast<int16_t>(percent));
            };
        }
        callbacks.Release = [&file](std::size_t offset) { file.Release(offset); };
        callbacks.More = [&file](std::size_t wanted) { return file.LoadUpTo(wanted); };
        drawing = ReadDxf(file.Data(), file.Size(), name, callbacks);
        // Whatever follows the end of the drawing is read too, so that a file that changed
        // while it was read is still refused.
        file.Load();
    }
    const auto entities =
        static_cast<uint32_t>(std::min<std::size_t>(drawing->Entities.size(), UINT32_MAX));
    std::memcpy(drawing->Header->data() + DrawingHeader::EntityCount, &entities, sizeof entities);
    Generation_ = (Generation_ + 1) & 0x3FFFFFF;
    if (Generation_ == 0) Generation_ = 1;
    const TDrawingHandle handle = (Generation_ << 6) | (free + 1);
    Slots_[free].Handle = handle;
    Slots_[free].Drawing = std::move(drawing);
    LastError_ = ecNone;
    return handle;
}

bool TEngine::CloseDrawing(TDrawingHandle drawing) {
    uint32_t slot;
    if (!Find(drawing, &slot)) return false;
    Slots_[slot].Handle = 0;
    Slots_[slot].Drawing.reset();
    return true;
}

uint8_t* TEngine::Header(TDrawingHandle drawing) {
    TDrawing* d = Find(drawing);
    return d ? d->Header->data() : nullptr;
}

bool TEngine::StartLayerGet(TDrawingHandle drawing) {
    TDrawing* d = Find(drawing);
    if (!d) return false;
    d->LayerCursor = 0;
    return !d->Layers.empty();
}

bool TEngine::GetLayer(TDrawingHandle drawing, uint8_t* record) {
    TDrawing* d = Find(drawing);
    if (!d || !record || d->LayerCursor >= d->Layers.size()) return false;
    FillLayer(*d, d->LayerCursor++, record);
    return true;
}

bool TEngine::SeekLayer(TDrawingHandle drawing, TObjectHandle layer, uint8_t* record) {
    uint32_t slot;
    TDrawing* d = Find(drawing, &slot);
    if (!d || !record) return false;
    const uint32_t index = ObjectIndex(layer, kLayerTag, slot);
    if (index >= d->Layers.size()) return false;
    FillLayer(*d, index, record);
    return true;
}

TDrawing* TEngine::FindDefinedBlock(TDrawingHandle drawing, TObjectHandle block, uint32_t& slot,
                                    uint32_t& index) const {
    TDrawing* d = Find(drawing, &slot);
    if (!d) return nullptr;
    index = ObjectIndex(block, kBlockTag, slot);
    return index < d->Blocks.size() && d->Blocks[index].Defined ? d : nullptr;
}

TDrawing* TEngine::FindListBlock(TEntityListHandle list, uint32_t& slot, uint32_t& index) const {
    TDrawing* d = SplitSmallHandle(list, slot, index) ? FindSlot(slot) : nullptr;
    return d && index < d->Blocks.size() && d->Blocks[index].Defined ? d : nullptr;
}

bool TEngine::SeekBlock(TDrawingHandle drawing, TObjectHandle block, uint8_t* record) {
    uint32_t slot, index;
    TDrawing* d = record ? FindDefinedBlock(drawing, block, slot, index) : nullptr;
    if (!d) return false;
    FillBlockHeader(*d, slot, index, record);
    return true;
}

bool TEngine::FindBlock(TDrawingHandle drawing, const char* name, TObjectHandle* block) {
    uint32_t slot;
    TDrawing* d = Find(drawing, &slot);
    if (!d || !name || !block) return false;
    const uint32_t index = d->BlockIndex.Find(std::string_view(name, strnlen(name, 4096)));
    if (index == kNoIndex || !d->Blocks[index].Defined) {
        *block = 0;
        return false;
    }
    *block = MakeObjectHandle(kBlockTag, slot, index);
    return true;
}

TEntityListHandle TEngine::EntityList(TDrawingHandle drawing, TObjectHandle block) {
    uint32_t slot, index;
    return FindDefinedBlock(drawing, block, slot, index) ? MakeSmallHandle(slot, index) : 0;
}

bool TEngine::StartEntityGet(TEntityListHandle list) {
    uint32_t slot, index;
    TDrawing* d = FindListBlock(list, slot, index);
    if (!d) return false;
    TBlock& b = d->Blocks[index];
    b.Started = false;
    b.Cursor = b.First;
    return true;
}

bool TEngine::GetEntity(TEntityListHandle list, uint8_t* header, uint8_t* data) {
    uint32_t slot, index;
    TDrawing* d = header && data ? FindListBlock(list, slot, index) : nullptr;
    if (!d) return false;
    TBlock& b = d->Blocks[index];
    if (!b.Started) {
        b.Started = true;
        b.Cursor = b.First;
        FillBlockStart(*d, slot, index, header, data);
        return true;
    }
    if (b.Cursor == kNoIndex) return false;
    const uint32_t entity = b.Cursor;
    b.Cursor = d->Entities[entity].Next;
    FillEntity(*d, slot, entity, header, data);
    return true;
}

TBlobReader TEngine::StartBlobRead(uint32_t reference) {
    uint32_t slot, index;
    TDrawing* d = SplitSmallHandle(reference, slot, index) ? FindSlot(slot) : nullptr;
    if (!d || index >= d->BlobStarts.size()) return 0;
    TReader reader;
    reader.Drawing = Slots_[slot].Handle;
    reader.Pos = d->BlobStarts[index];
    reader.End = index + 1 < d->BlobStarts.size() ? d->BlobStarts[index + 1] : d->Blob.size();
    uint32_t at;
    if (!FreeReaders_.empty()) {
        at = FreeReaders_.back();
        FreeReaders_.pop_back();
        Readers_[at] = reader;
    } else {
        if (Readers_.size() >= kMaxOpenReaders) return 0;
        at = static_cast<uint32_t>(Readers_.size());
        Readers_.push_back(reader);
    }
    return at + 1;
}

void TEngine::EndBlobRead(TBlobReader reader) {
    if (reader == 0 || reader > Readers_.size() || Readers_[reader - 1].Drawing == 0) return;
    Readers_[reader - 1].Drawing = 0;
    FreeReaders_.push_back(reader - 1);
}

bool TEngine::ReadBlob(TBlobReader reader, void* out, std::size_t bytes) {
    if (!out) return false;
    std::memset(out, 0, bytes);
    if (reader == 0 || reader > Readers_.size()) return false;
    TReader& r = Readers_[reader - 1];
    TDrawing* d = r.Drawing ? Find(r.Drawing) : nullptr;
    if (!d || r.End - r.Pos < bytes || r.Pos > r.End) return false;
    std::memcpy(out, d->Blob.data() + r.Pos, bytes);
    r.Pos += bytes;
    return true;
}

bool CalcPlineArcCenter(double x1, double y1, double x2, double y2, double includedAngle,
                        double& cx, double& cy, double& radius) {
    cx = cy = radius = 0.0;
    const double dx = x2 - x1, dy = y2 - y1;
    const double chord = std::hypot(dx, dy);
    const double half = includedAngle / 2;
    const double s = std::sin(half);
    if (!std::isfinite(chord) || !std::isfinite(includedAngle) || chord == 0.0 ||
        !std::isfinite(s) || std::fabs(s) < 1e-12)
        return false;
    // The centre lies on the chord's perpendicular bisector, left of p1 -> p2 for a
    // counter-clockwise (positive) turn of less than half a circle.
    const double h = (chord / 2) * std::cos(half) / s;
    const double x = (x1 + x2) / 2 - dy / chord * h;
    const double y = (y1 + y2) / 2 + dx / chord * h;
    const double r = std::fabs(chord / (2 * s));
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(r)) return false;
    cx = x;
    cy = y;
    radius = r;
    return true;
}

} // namespace pad2
