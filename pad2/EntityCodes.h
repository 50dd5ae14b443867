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
// vertices and SEQEND are not; its record names the problem (OtherData::kMesh).
inline constexpr uint16_t kCodeMeshPolyline = 113;
inline constexpr uint16_t kCodeAttDef = 114;
inline constexpr uint16_t kCodeShape = 115;
inline constexpr uint16_t kCodeOle = 116;
// A block reference's attribute (its value as a text); an invisible one says so in its problem.
inline constexpr uint16_t kCodeAttrib = 117;
// An entity of a converted type with a number that is not finite or out of range.
inline constexpr uint16_t kCodeBadNumber = 198;
inline constexpr uint16_t kCodeOtherEntity = 199; // any other entity type
// Codes from here on carry the OtherData record (type name and problem).
inline constexpr uint16_t kCodeFirstOther = kCode3DFace;

} // namespace pad2
