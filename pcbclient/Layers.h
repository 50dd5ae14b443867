// SPDX-License-Identifier: MIT
// PCB layers: the 32-bit TV7_Layer encoding, the byte-sized classic numbering some host
// functions still use, the constructors of numbered layers, partitions, display and view names
// and the standard list of all layers. Invalid layer numbers raise ELayerException; so do the
// conversions that have no answer for their argument (LayerToClassic, LayerPartitionOf).
#pragma once

#include "abi/ClassicLayers.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace dxfi {

// 1-82: the classic layer of that number; 0x0101nnnn signal layer nnnn (32-65534);
// 0x0104nnnn internal plane nnnn (17-65535); 0x0400nnnn mechanical layer nnnn (17-65535);
// a non-zero value with low 16 bits 0 is a group.
using TV7_Layer = uint32_t;

inline constexpr TV7_Layer NoLayer = 0;
inline constexpr TV7_Layer TopLayer = 1;
inline constexpr TV7_Layer BottomLayer = 32;
inline constexpr TV7_Layer TopOverlay = 33;
inline constexpr TV7_Layer BottomOverlay = 34;
inline constexpr TV7_Layer TopPaste = 35;
inline constexpr TV7_Layer BottomPaste = 36;
inline constexpr TV7_Layer TopSolder = 37;
inline constexpr TV7_Layer BottomSolder = 38;
inline constexpr TV7_Layer DrillGuide = 55;
inline constexpr TV7_Layer KeepOutLayer = 56;
inline constexpr TV7_Layer DrillDrawing = 73;
inline constexpr TV7_Layer MultiLayer = 74;
inline constexpr TV7_Layer ConnectLayer = 75;
inline constexpr TV7_Layer BackGroundLayer = 76;
inline constexpr TV7_Layer DRCErrorLayer = 77;
inline constexpr TV7_Layer HighlightLayer = 78;
inline constexpr TV7_Layer GridColor1 = 79;
inline constexpr TV7_Layer GridColor10 = 80;
inline constexpr TV7_Layer PadHoleLayer = 81;
inline constexpr TV7_Layer ViaHoleLayer = 82;
inline constexpr TV7_Layer TopPadMaster = 0x00010018;
inline constexpr TV7_Layer BottomPadMaster = 0x00010019;
inline constexpr TV7_Layer DRCDetails = 0x0001001A;

// Groups.
inline constexpr TV7_Layer AllLayers = 0xFFFF0000;
inline constexpr TV7_Layer ElectricalLayers = 0x01000000; // signal layers and internal planes
inline constexpr TV7_Layer SignalLayers = 0x01010000;
inline constexpr TV7_Layer MidLayers = 0x01020000; // signal layers but top and bottom
inline constexpr TV7_Layer InternalPlaneLayers = 0x01040000;
inline constexpr TV7_Layer MechanicalLayers = 0x04000000;

// The older byte numbering 0-82; any other byte value is no layer.
// clang-format off
enum class TClassicLayer : uint8_t {
    NoLayer, TopLayer,
    MidLayer1, MidLayer2, MidLayer3, MidLayer4, MidLayer5, MidLayer6, MidLayer7, MidLayer8,
    MidLayer9, MidLayer10, MidLayer11, MidLayer12, MidLayer13, MidLayer14, MidLayer15,
    MidLayer16, MidLayer17, MidLayer18, MidLayer19, MidLayer20, MidLayer21, MidLayer22,
    MidLayer23, MidLayer24, MidLayer25, MidLayer26, MidLayer27, MidLayer28, MidLayer29,
    MidLayer30,
    BottomLayer, TopOverlay, BottomOverlay, TopPaste, BottomPaste, TopSolder, BottomSolder,
    InternalPlane1, InternalPlane2, InternalPlane3, InternalPlane4, InternalPlane5,
    InternalPlane6, InternalPlane7, InternalPlane8, InternalPlane9, InternalPlane10,
    InternalPlane11, InternalPlane12, InternalPlane13, InternalPlane14, InternalPlane15,
    InternalPlane16,
    DrillGuide, KeepOutLayer,
    Mechanical1, Mechanical2, Mechanical3, Mechanical4, Mechanical5, Mechanical6, Mechanical7,
    Mechanical8, Mechanical9, Mechanical10, Mechanical11, Mechanical12, Mechanical13,
    Mechanical14, Mechanical15, Mechanical16,
    DrillDrawing, MultiLayer, ConnectLayer, BackGroundLayer, DRCErrorLayer, HighlightLayer,
    GridColor1, GridColor10, PadHoleLayer, ViaHoleLayer,
};
// clang-format on

inline constexpr int kClassicLayerCount = abi::kClassicLayerCount;
static_assert(ViaHoleLayer == abi::kLastClassicLayer, "the classic layers end with the via holes");
inline constexpr std::size_t kClassicLayerNameMax = 20;

// The identifier of a classic layer ("NoLayer", "MidLayer7", "ViaHoleLayer"): the initial
// name of the board's per-layer record. Empty for a byte above 82.
std::string_view ClassicLayerName(TClassicLayer Layer);

// Partition 0-26 of a layer: 0 no layer, 1 top, 2 mid, 3 bottom, 4 internal plane,
// 5 mechanical, 6-23 the other classic layers, 24-26 the pad masters and DRC details.
using TLayerPartition = uint8_t;
inline constexpr TLayerPartition kLayerPartitionCount = 27;

class ELayerException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Numbered layers. Out of range: ELayerException "Creating SignalLayer(n)" and so on.
// SignalLayer(0) gives the SignalLayers group, and MidLayer(n) is SignalLayer(n + 1): MidLayer
// of 0 is the top layer, of 65534 the bottom layer.
TV7_Layer SignalLayer(int64_t N);
TV7_Layer MidLayer(int64_t N);
TV7_Layer InternalPlaneLayer(int64_t N);
TV7_Layer MechanicalLayer(int64_t N);

// 30 for mid layers, 16 for internal planes, 32 for mechanical layers, 1 for any other.
int PartitionLayerCount(TLayerPartition Partition);
// The N-th layer of a numbered partition, or the one layer of any other; a partition above
// 26 raises EAssertionFailure.
TV7_Layer PartitionLayer(TLayerPartition Partition, int64_t N);

// A classic byte 0-82 keeps its number; any other byte gives NoLayer.
TV7_Layer ClassicToLayer(TClassicLayer Layer);
// The classic number of a layer. A layer without one (a mid layer whose signal index is
// outside 2-31, a plane or mechanical index above 16, partitions 24-26) raises ELayerException
// "TV7_Layer.Implicit(<display name>)"; a group or a value that is no layer raises the
// partition exception of LayerPartitionOf.
TClassicLayer LayerToClassic(TV7_Layer Layer);
// The classic number with numbered layers beyond the classic range clamped to the last one
// of their kind (mid -> 31, internal plane -> 54, mechanical -> 72). A group or a value that
// is no layer raises EAssertionFailure (module "RT_PCBProcs"); partitions 24-26 raise
// ELayerException as LayerToClassic does.
TClassicLayer ClampToClassicLayer(TV7_Layer Layer);

// The partition of a layer. Groups and values that are no layer raise ELayerException
// "Could not find layer partition ID=" + the value as a signed decimal.
TLayerPartition LayerPartitionOf(TV7_Layer Layer);
// Signal index (top 1, mid layer n is n + 1, bottom 65535), internal-plane or mechanical
// index; for other layers their partition. Groups give 0; values that are no layer raise
// ELayerException as LayerPartitionOf.
uint32_t LayerIndexOf(TV7_Layer Layer);
bool IsNoLayer(TV7_Layer Layer);
// Partitions 1-15 (copper, planes, mechanical and the other drawing layers). False for groups
// and for values that are no layer.
bool IsDesignLayer(TV7_Layer Layer);

// Signal layers 0x0101nnnn with nnnn 1-31, and internal planes 0x0104nnnn with nnnn 1-16, are
// not produced by the constructors; met anyway (a host may report them) they count as the
// numbered layer nnnn of their kind, so that no value with a layer kind is left without a name.

// "Mid Layer 3", "Mechanical Layer 17", "Top Solder Mask", group names such as "All Layers".
// Values that are no layer and unnamed groups raise ELayerException as LayerPartitionOf.
std::string LayerDisplayName(TV7_Layer Layer);
// The host's names ("Mid-Layer 3", "Mechanical 17", "Top Solder"); groups have none (empty).
std::string LayerViewName(TV7_Layer Layer);

// Reads a display (or view) name in any ASCII letter case. A numbered name is its prefix
// followed by an integer written as an optional sign and decimal digits only (no blanks, no
// other characters, within 64 bits); other texts after a prefix do not count as numbered and
// fall through to the fixed names. An integer out of the kind's range raises ELayerException
// ("Mechanical Layer 0" -> "Creating MechanicalLayer(0)"). A name that matches nothing gives
// NoLayer. Only display names include the groups.
TV7_Layer LayerFromDisplayName(std::string_view Name);
TV7_Layer LayerFromViewName(std::string_view Name);

// The saved-settings form: NoLayer is "Any Layer", every other layer its display name cut to
// 255 characters. The reverse reads "any layer" in any case as NoLayer.
std::string LayerToSettingText(TV7_Layer Layer);
TV7_Layer SettingTextToLayer(std::string_view Text);

// The 102 layers the options dialog offers: each partition's layer in partition order, with
// mid layers 1-30, internal planes 1-16 and mechanical layers 1-32 in place of the numbered
// partitions.
const std::vector<TV7_Layer>& StandardLayers();

// Runs forward over a private list of layers: Next moves to the next entry (the first call to
// the first) and returns false once past the end; Current must then not be called
// (EAssertionFailure).
class TLayerIterator {
public:
    TLayerIterator() = default;
    explicit TLayerIterator(std::vector<TV7_Layer> Layers) : Layers_(std::move(Layers)) {}
    bool Next();
    TV7_Layer Current() const;
    std::size_t Count() const { return Layers_.size(); }

private:
    std::vector<TV7_Layer> Layers_;
    std::size_t Position_ = 0; // one past the current entry; 0 before the first Next
};

// One per process, created on first use and kept until the library is unloaded.
class TLayerUtils {
public:
    static TLayerUtils& Instance();
    TLayerIterator AllLayersIterator() const { return TLayerIterator(StandardLayers()); }

private:
    TLayerUtils() = default;
};

} // namespace dxfi
