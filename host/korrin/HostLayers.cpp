// SPDX-License-Identifier: MIT
#include "host/korrin/HostLayers.h"

#include "abi/ClassicLayers.h"

#include <array>
#include <cstdio>

namespace dxfi::korrin {
namespace {

constexpr uint32_t kSignalBase = 0x01010000;
constexpr uint32_t kPlaneBase = 0x01040000;
constexpr uint32_t kMechanicalBase = 0x04000000;

struct TFixedName {
    uint32_t Layer;
    const char* Name;
};

// Layers with a name of their own (no number), in the order names are matched.
constexpr TFixedName kFixedNames[] = {
    {0, "No Layer"},
    {1, "Top Layer"},
    {32, "Bottom Layer"},
    {33, "Top Overlay"},
    {34, "Bottom Overlay"},
    {35, "Top Paste"},
    {36, "Bottom Paste"},
    {37, "Top Solder Mask"},
    {38, "Bottom Solder Mask"},
    {55, "Drill Guide"},
    {56, "Keep Out Layer"},
    {73, "Drill Drawing"},
    {74, "Multi Layer"},
    {75, "Connect Layer"},
    {76, "BackGround"},
    {77, "DRC Errors"},
    {78, "Highlight Layer"},
    {79, "Grid Color 1"},
    {80, "Grid Color 10"},
    {81, "Pad Hole Layer"},
    {82, "Via Hole Layer"},
    {0x00010018, "Top Pad Master"},
    {0x00010019, "Bottom Pad Master"},
    {0x0001001A, "DRC Details"},
};

constexpr TFixedName kGroupNames[] = {
    {0x01020000, "Mid Layers"},        {0xFFFF0000, "All Layers"},
    {0x01010000, "Signal Layers"},     {0x01040000, "Internal Plane Layers"},
    {0x01000000, "Electrical Layers"}, {0x04000000, "Mechanical Layers"},
};

constexpr std::array<uint32_t, kStandardLayerCount> MakeStandardLayers() {
    std::array<uint32_t, kStandardLayerCount> list{};
    int i = 0;
    list[i++] = 0;
    list[i++] = 1;
    for (uint32_t n = 1; n <= 30; ++n)
        list[i++] = n + 1;
    list[i++] = 32;
    for (uint32_t n = 1; n <= 16; ++n)
        list[i++] = 38 + n;
    for (uint32_t n = 1; n <= 16; ++n)
        list[i++] = 56 + n;
    for (uint32_t n = 17; n <= 32; ++n)
        list[i++] = kMechanicalBase | n;
    for (uint32_t v :
         {33u, 34u, 35u, 36u, 37u, 38u, 55u, 56u, 73u, 74u, 75u, 76u, 77u, 78u, 79u, 80u, 81u, 82u})
        list[i++] = v;
    list[i++] = 0x00010018;
    list[i++] = 0x00010019;
    list[i++] = 0x0001001A;
    return list;
}

constexpr std::array<uint32_t, kStandardLayerCount> kStandardLayers = MakeStandardLayers();

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

// The rest after a prefix (matched ignoring case) as a decimal number 0..65535.
bool NumberAfter(std::string_view name, std::string_view prefix, uint32_t& n) {
    if (name.size() <= prefix.size() || !EqualNoCase(name.substr(0, prefix.size()), prefix))
        return false;
    std::string_view rest = name.substr(prefix.size());
    if (rest.size() > 5) return false;
    uint32_t value = 0;
    for (char c : rest) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    if (value > 65535) return false;
    n = value;
    return true;
}

} // namespace

std::span<const uint32_t> StandardLayers() {
    return kStandardLayers;
}

int StandardLayerIndex(uint32_t layer) {
    if (layer <= 82) {
        // Classic layers sit in the list in a fixed pattern; a table lookup keeps it O(1).
        static const std::array<int, kClassicLayerCount> index = [] {
            std::array<int, kClassicLayerCount> t{};
            for (int i = 0; i < kStandardLayerCount; ++i)
                if (kStandardLayers[i] <= 82) t[kStandardLayers[i]] = i;
            return t;
        }();
        return index[layer];
    }
    if ((layer & 0xFFFF0000u) == kMechanicalBase) {
        uint32_t n = layer & 0xFFFF;
        return (n >= 17 && n <= 32) ? static_cast<int>(65 + n - 17) : -1;
    }
    if (layer >= 0x00010018 && layer <= 0x0001001A)
        return 99 + static_cast<int>(layer - 0x00010018);
    return -1;
}

std::string LayerDisplayName(uint32_t layer) {
    for (const auto& g : kGroupNames)
        if (g.Layer == layer) return g.Name;
    uint32_t high = layer & 0xFFFF0000u, n = layer & 0xFFFF;
    if (layer >= 57 && layer <= 72) return "Mechanical Layer " + std::to_string(layer - 56);
    if (high == kMechanicalBase) return "Mechanical Layer " + std::to_string(n);
    if (layer >= 2 && layer <= 31) return "Mid Layer " + std::to_string(layer - 1);
    if (high == kSignalBase) return "Mid Layer " + std::to_string(n - 1);
    if (layer >= 39 && layer <= 54) return "Internal Plane " + std::to_string(layer - 38);
    if (high == kPlaneBase) return "Internal Plane " + std::to_string(n);
    for (const auto& f : kFixedNames)
        if (f.Layer == layer) return f.Name;
    char text[32];
    std::snprintf(text, sizeof text, "Layer 0x%08X", static_cast<unsigned>(layer));
    return text;
}

bool LayerFromDisplayName(std::string_view name, uint32_t& layer) {
    uint32_t n = 0;
    if (NumberAfter(name, "Mechanical Layer ", n)) {
        if (n == 0) return false;
        layer = n <= 16 ? 56 + n : (kMechanicalBase | n);
        return true;
    }
    if (NumberAfter(name, "Mid Layer ", n)) {
        uint32_t signal = n + 1;
        if (signal == 1)
            layer = 1;
        else if (signal == 65535)
            layer = 32;
        else if (signal <= 31)
            layer = signal;
        else if (signal <= 65534)
            layer = kSignalBase | signal;
        else
            return false;
        return true;
    }
    if (NumberAfter(name, "Internal Plane ", n)) {
        if (n == 0) return false;
        layer = n <= 16 ? 38 + n : (kPlaneBase | n);
        return true;
    }
    for (const auto& f : kFixedNames)
        if (EqualNoCase(name, f.Name)) {
            layer = f.Layer;
            return true;
        }
    for (const auto& g : kGroupNames)
        if (EqualNoCase(name, g.Name)) {
            layer = g.Layer;
            return true;
        }
    return false;
}

std::string_view ClassicLayerIdentifier(int classicLayer) {
    if (classicLayer < 0 || classicLayer >= kClassicLayerCount) return {};
    return abi::kClassicLayerNames[static_cast<std::size_t>(classicLayer)];
}

std::string LayerColour(uint32_t layer) {
    static constexpr const char* kCycle[] = {"#c8a000", "#00a0a0", "#a000c8", "#60a000",
                                             "#c86400", "#0064c8", "#c80064", "#509070"};
    switch (layer) {
    case 1:
        return "#d02020";
    case 32:
        return "#2040d0";
    case 33:
        return "#b8a000";
    case 34:
        return "#807000";
    case 35:
    case 36:
        return "#808080";
    case 37:
    case 38:
        return "#8020a0";
    case 55:
    case 73:
        return "#a05000";
    case 56:
        return "#d000d0";
    case 74:
        return "#707070";
    default:
        break;
    }
    uint32_t n = layer & 0xFFFF;
    if (layer >= 2 && layer <= 31)
        n = layer;
    else if (layer >= 39 && layer <= 54)
        n = layer + 3;
    else if (layer >= 57 && layer <= 72)
        n = layer + 5;
    return kCycle[n % 8];
}

} // namespace dxfi::korrin
