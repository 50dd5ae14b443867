// SPDX-License-Identifier: MIT
// The host's own table of PCB layers: the standard list of 102 layers a board has, their
// display names, the classic identifiers that name the board's layer records, colours for
// pictures, and the reverse lookup of display names. Nothing here throws.
#pragma once

#include "abi/ClassicLayers.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace dxfi::korrin {

inline constexpr uint32_t kLayerNone = 0;
inline constexpr uint32_t kLayerTop = 1;
inline constexpr uint32_t kLayerBottom = 32;
inline constexpr uint32_t kLayerTopOverlay = 33;
inline constexpr uint32_t kLayerMulti = 74;
inline constexpr int kClassicLayerCount = abi::kClassicLayerCount; // 0..82
inline constexpr int kStandardLayerCount = 102;

// The standard list in its order: no layer, top, mid 1-30, bottom, planes 1-16, mechanical
// 1-32, overlays ... DRC details.
std::span<const uint32_t> StandardLayers();
// Position of a layer in the standard list, -1 when it is not there.
int StandardLayerIndex(uint32_t layer);

// "Top Layer", "Mid Layer 1", "Mechanical Layer 17", group names; "Layer 0x........" for a
// value that names nothing.
std::string LayerDisplayName(uint32_t layer);
// The reverse of LayerDisplayName, ignoring ASCII letter case; false when the name matches
// nothing (or numbers a layer out of range).
bool LayerFromDisplayName(std::string_view name, uint32_t& layer);
// The classic identifier (NoLayer, TopLayer, MidLayer1 ... ViaHoleLayer) of 0..82; empty else.
std::string_view ClassicLayerIdentifier(int classicLayer);
// A colour for pictures, "#rrggbb".
std::string LayerColour(uint32_t layer);

} // namespace dxfi::korrin
