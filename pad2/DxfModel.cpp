// SPDX-License-Identifier: MIT
#include "pad2/DxfModel.h"

#include "pad2/DxfError.h"
#include "pad2/EntityCodes.h"

#include <cstring>

namespace pad2 {

int FieldCount(uint16_t code) {
    using namespace dxfi::abi;
    switch (code) {
    case kCodeLine:
        return 6;
    case kCodePoint:
        return 3;
    case kCodeCircle:
        return 4;
    case kCodeArc:
        return 6;
    case kCodeEllipse:
        return 9;
    case kCodeText:
        return 5;
    case kCodeMText:
        return 5;
    case kCodeSolid:
    case kCodeTrace:
        return 12;
    case kCodeInsert:
        return 8;
    case kCodeDimension:
        return 7;
    case kCodePolyline:
        return 1;
    case kCodeVertex:
        return 5;
    case kCodeLwPolyline:
        return 1;
    case kCodeMLine:
        return 3;
    case kCodeSpline:
        return 13; // degree, flags, four counts, tangent flags, two tangents
    default:
        return 0;
    }
}

uint32_t TNameIndex::Find(std::string_view name) const {
    Fold(name, Key_);
    const auto it = Map_.find(Key_);
    return it == Map_.end() ? kNoIndex : it->second;
}

void TNameIndex::Insert(std::string_view name, uint32_t index) {
    std::string key;
    Fold(name, key);
    Map_.emplace(std::move(key), index);
}

void TNameIndex::Fold(std::string_view name, std::string& out) {
    out.assign(name);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
}

TDrawing::TDrawing()
    : Header(std::make_unique<std::array<uint8_t, dxfi::abi::kDrawingHeaderSize>>()) {
    Header->fill(0);
    Strings.push_back('\0'); // offset 0 = the empty text
    ModelSpace = FindOrAddBlock("*Model_Space");
    PaperSpace = FindOrAddBlock("*Paper_Space");
    Blocks[ModelSpace].Defined = true;
    Blocks[PaperSpace].Defined = true;
}

uint32_t TDrawing::AddString(std::string_view text) {
    if (Strings.size() + text.size() + 1 > 0xFFFFFFF0u)
        throw EDxfError{ecTooLarge, "The drawing holds too much text for the engine (over 4 GB)."};
    const uint32_t offset = static_cast<uint32_t>(Strings.size());
    Strings.insert(Strings.end(), text.begin(), text.end());
    Strings.push_back('\0');
    return offset;
}

// A layer or block of that name, new at the end of `items`.
template <typename T>
uint32_t TDrawing::AddNamed(std::vector<T>& items, TNameIndex& index, std::string_view name) {
    const uint32_t at = static_cast<uint32_t>(items.size());
    T item;
    item.Name = AddString(name);
    items.push_back(item);
    index.Insert(name, at);
    return at;
}

uint32_t TDrawing::FindOrAddLayer(std::string_view name) {
    const uint32_t index = LayerIndex.Find(name);
    return index != kNoIndex ? index : AddNamed(Layers, LayerIndex, name);
}

uint32_t TDrawing::FindOrAddBlock(std::string_view name) {
    const uint32_t index = BlockIndex.Find(name);
    if (index != kNoIndex) return index;
    // Block indexes travel in 26 bits of list handles.
    if (Blocks.size() >= (1u << 26) - 2)
        throw EDxfError{ecTooLarge, "The drawing has too many blocks for the engine."};
    return AddNamed(Blocks, BlockIndex, name);
}

void TDrawing::ThrowTooLarge(const std::string& fileName, const char* what) {
    throw EDxfError{ecTooLarge,
                    "The drawing " + fileName + " has too many " + what + " for the engine."};
}

void TDrawing::Append(uint32_t block, uint32_t entity) {
    TBlock& b = Blocks[block];
    if (b.Last == kNoIndex)
        b.First = entity;
    else
        Entities[b.Last].Next = entity;
    b.Last = entity;
}

} // namespace pad2
