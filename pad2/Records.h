// SPDX-License-Identifier: MIT
// Filling the caller's fixed-layout records from a stored drawing, and the opaque handles
// that point into it. Never more than a record's size is written. Every field of every layout
// reads as if the whole record had been zeroed and then filled: a record's fixed part (every
// listed field of any layout, and the start of every text) is zeroed, and texts are written
// with their NUL. Bytes beyond that part and past a text's NUL are the engine's: entity and
// layer records leave them as the caller's buffer had them, since clearing kilobytes per
// entity would cost more than reading it.
#pragma once

#include "pad2/DxfModel.h"

#include <cstdint>

namespace pad2 {

// Object handles: a tag in the high 16 bits, the drawing's slot + 1 in the next 16, the
// index + 1 in the low 32. Lists and blob references: slot + 1 in the high 6 bits, the
// index + 1 in the low 26.
inline constexpr uint64_t kLayerTag = 0x4C59; // "LY"
inline constexpr uint64_t kBlockTag = 0x424B; // "BK"

uint64_t MakeObjectHandle(uint64_t tag, uint32_t slot, uint32_t index);
// The index of a handle of this tag and slot, or kNoIndex.
uint32_t ObjectIndex(uint64_t handle, uint64_t tag, uint32_t slot);
uint32_t MakeSmallHandle(uint32_t slot, uint32_t index);
// Splits a list or blob handle; false when it is malformed.
bool SplitSmallHandle(uint32_t handle, uint32_t& slot, uint32_t& index);

void FillLayer(const TDrawing& d, uint32_t layer, uint8_t* record);
void FillBlockHeader(const TDrawing& d, uint32_t slot, uint32_t block, uint8_t* record);
void FillBlockStart(const TDrawing& d, uint32_t slot, uint32_t block, uint8_t* header,
                    uint8_t* data);
void FillEntity(const TDrawing& d, uint32_t slot, uint32_t entity, uint8_t* header, uint8_t* data);

} // namespace pad2
