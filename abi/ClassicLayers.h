// SPDX-License-Identifier: MIT
// The classic PCB layers: the numbers 0 to 82 that the host module's flat functions, its
// board files and the plug-in's layer lists share, and the identifier of each ("NoLayer",
// "TopLayer", "MidLayer1" ... "ViaHoleLayer"), the name of the layer's record in a board.
#pragma once

#include <array>
#include <string_view>

namespace dxfi::abi {

inline constexpr int kClassicLayerCount = 83; // layers 0 (no layer) to 82
inline constexpr int kLastClassicLayer = kClassicLayerCount - 1;

// Indexed by the classic layer number.
inline constexpr std::array<std::string_view, kClassicLayerCount> kClassicLayerNames = {
    "NoLayer",         "TopLayer",        "MidLayer1",       "MidLayer2",       "MidLayer3",
    "MidLayer4",       "MidLayer5",       "MidLayer6",       "MidLayer7",       "MidLayer8",
    "MidLayer9",       "MidLayer10",      "MidLayer11",      "MidLayer12",      "MidLayer13",
    "MidLayer14",      "MidLayer15",      "MidLayer16",      "MidLayer17",      "MidLayer18",
    "MidLayer19",      "MidLayer20",      "MidLayer21",      "MidLayer22",      "MidLayer23",
    "MidLayer24",      "MidLayer25",      "MidLayer26",      "MidLayer27",      "MidLayer28",
    "MidLayer29",      "MidLayer30",      "BottomLayer",     "TopOverlay",      "BottomOverlay",
    "TopPaste",        "BottomPaste",     "TopSolder",       "BottomSolder",    "InternalPlane1",
    "InternalPlane2",  "InternalPlane3",  "InternalPlane4",  "InternalPlane5",  "InternalPlane6",
    "InternalPlane7",  "InternalPlane8",  "InternalPlane9",  "InternalPlane10", "InternalPlane11",
    "InternalPlane12", "InternalPlane13", "InternalPlane14", "InternalPlane15", "InternalPlane16",
    "DrillGuide",      "KeepOutLayer",    "Mechanical1",     "Mechanical2",     "Mechanical3",
    "Mechanical4",     "Mechanical5",     "Mechanical6",     "Mechanical7",     "Mechanical8",
    "Mechanical9",     "Mechanical10",    "Mechanical11",    "Mechanical12",    "Mechanical13",
    "Mechanical14",    "Mechanical15",    "Mechanical16",    "DrillDrawing",    "MultiLayer",
    "ConnectLayer",    "BackGroundLayer", "DRCErrorLayer",   "HighlightLayer",  "GridColor1",
    "GridColor10",     "PadHoleLayer",    "ViaHoleLayer",
};

} // namespace dxfi::abi
