// SPDX-License-Identifier: MIT
// The engine's entity type codes beyond the fixed ones of abi/Pad2Api.h: lightweight
// polylines and the entity types the system does not convert (delivered so that walkers see
// every entity, never colliding with a fixed code).
#pragma once

#include <cstdint>

namespace pad2 {

inline constexpr uint16_t kCodeLwPolyline = 77;
inline constexpr uint16_t kCode3DFace = 100;
inline constexpr uint16_t kCodeHatch = 101;
inline constexpr uint16_t kCodeLeader = 102;
inline constexpr uint16_t kCodeMLeader = 103;
inline constexpr uint16_t kCodeRegion = 104;
inline constexpr uint16_t kCode3DSolid = 105;
inline constexpr uint16_t kCodeBody = 106;
inline constexpr uint16_t kCodeImage = 107;
inline constexpr uint16_t kCodeViewport = 108;
inline constexpr uint16_t kCodeXLine = 109;
inline constexpr uint16_t kCodeRay = 110;
inline constexpr uint16_t kCodeTolerance = 111;
inline constexpr uint16_t kCodeWipeout = 112;
// A POLYLINE with flag 16 (polygon mesh) or 64 (polyface mesh): delivered alone, its
// vertices and SEQEND are not.
inline constexpr uint16_t kCodeMeshPolyline = 113;
inline constexpr uint16_t kCodeAttDef = 114;
inline constexpr uint16_t kCodeShape = 115;
inline constexpr uint16_t kCodeOle = 116;
inline constexpr uint16_t kCodeOtherEntity = 199; // any other entity type

} // namespace pad2
