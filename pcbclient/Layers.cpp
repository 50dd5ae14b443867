// SPDX-License-Identifier: MIT
#include "pcbclient/Layers.h"

#include "base/Assertion.h"
#include "base/ShortString.h"
#include "base/TextCompare.h"

#include <array>
#include <limits>

namespace dxfi {

namespace {

constexpr const char* kModule = "RT_PCBProcs";

constexpr uint32_t kSignalHigh = 0x0101;
constexpr uint32_t kPlaneHigh = 0x0104;
constexpr uint32_t kMechanicalHigh = 0x0400;

struct TPartitionInfo {
    std::string_view DisplayName;
    std::string_view ViewName;
    TV7_Layer Layer; // NoLayer for the numbered partitions 2, 4, 5
};

constexpr std::array<TPartitionInfo, kLayerPartitionCount> kPartitions = {{
    {"No Layer", "NoLayer", NoLayer},
    {"Top Layer", "Top Layer", TopLayer},
    {"Mid Layer ", "Mid-Layer ", NoLayer},
    {"Bottom Layer", "Bottom Layer", BottomLayer},
    {"Internal Plane ", "Internal Plane ", NoLayer},
    {"Mechanical Layer ", "Mechanical ", NoLayer},
    {"Top Overlay", "Top Overlay", TopOverlay},
    {"Bottom Overlay", "Bottom Overlay", BottomOverlay},
    {"Top Paste", "Top Paste", TopPaste},
    {"Bottom Paste", "Bottom Paste", BottomPaste},
    {"Top Solder Mask", "Top Solder", TopSolder},
    {"Bottom Solder Mask", "Bottom Solder", BottomSolder},
    {"Drill Guide", "Drill Guide", DrillGuide},
    {"Keep Out Layer", "Keep-Out Layer", KeepOutLayer},
    {"Drill Drawing", "Drill Drawing", DrillDrawing},
    {"Multi Layer", "Multi-Layer", MultiLayer},
    {"Connect Layer", "Connections", ConnectLayer},
    {"BackGround", "Background", BackGroundLayer},
    {"DRC Errors", "DRC Error Markers", DRCErrorLayer},
    {"Highlight Layer", "Selections", HighlightLayer},
    {"Grid Color 1", "Visible Grid 1", GridColor1},
    {"Grid Color 10", "Visible Grid 2", GridColor10},
    {"Pad Hole Layer", "Pad Holes", PadHoleLayer},
    {"Via Hole Layer", "Via Holes", ViaHoleLayer},
    {"Top Pad Master", "Top Pad Master", TopPadMaster},
    {"Bottom Pad Master", "Bottom Pad Master", BottomPadMaster},
    {"DRC Details", "DRC Detail Markers", DRCDetails},
}};

constexpr TLayerPartition kMidPartition = 2;
constexpr TLayerPartition kPlanePartition = 4;
constexpr TLayerPartition kMechanicalPartition = 5;
constexpr TLayerPartition kFirstPadMasterPartition = 24;

struct TGroupName {
    TV7_Layer Group;
    std::string_view Name;
};

// In the order names are looked up.
constexpr std::array<TGroupName, 6> kGroupNames = {{
    {MidLayers, "Mid Layers"},
    {AllLayers, "All Layers"},
    {SignalLayers, "Signal Layers"},
    {InternalPlaneLayers, "Internal Plane Layers"},
    {ElectricalLayers, "Electrical Layers"},
    {MechanicalLayers, "Mechanical Layers"},
}};

enum class TKind {
    None,
    Top,
    Mid,
    Bottom,
    Plane,
    Mechanical,
    OtherClassic,
    PadMaster,
    Group,
    Invalid
};

uint32_t High(TV7_Layer L) {
    return L >> 16;
}
uint32_t Low(TV7_Layer L) {
    return L & 0xFFFF;
}

TKind KindOf(TV7_Layer L) {
    if (L == NoLayer) return TKind::None;
    if (Low(L) == 0) return TKind::Group;
    switch (High(L)) {
    case 0:
        if (L == TopLayer) return TKind::Top;
        if (L <= 31) return TKind::Mid;
        if (L == BottomLayer) return TKind::Bottom;
        if (L >= 39 && L <= 54) return TKind::Plane;
        if (L >= 57 && L <= 72) return TKind::Mechanical;
        if (L < static_cast<TV7_Layer>(kClassicLayerCount)) return TKind::OtherClassic;
        return TKind::Invalid;
    case 1:
        return (L >= TopPadMaster && L <= DRCDetails) ? TKind::PadMaster : TKind::Invalid;
    case kSignalHigh:
        return TKind::Mid;
    case kPlaneHigh:
        return TKind::Plane;
    case kMechanicalHigh:
        return TKind::Mechanical;
    default:
        return TKind::Invalid;
    }
}

[[noreturn]] void ThrowNoPartition(TV7_Layer L) {
    throw ELayerException("Could not find layer partition ID=" +
                          std::to_string(static_cast<int32_t>(L)));
}

TLayerPartition ClassicPartition(TV7_Layer L) {
    for (TLayerPartition P = 6; P < kFirstPadMasterPartition; ++P)
        if (kPartitions[P].Layer == L) return P;
    ThrowNoPartition(L);
}

// Optional sign and decimal digits only, within 64 bits.
bool ParseInt64(std::string_view Text, int64_t& Value) {
    std::size_t Pos = 0;
    bool Negative = false;
    if (Pos < Text.size() && (Text[Pos] == '+' || Text[Pos] == '-')) {
        Negative = Text[Pos] == '-';
        ++Pos;
    }
    if (Pos == Text.size()) return false;
    // Accumulate toward the negative side, which holds one more value than the positive.
    int64_t Acc = 0;
    constexpr int64_t Min = std::numeric_limits<int64_t>::min();
    for (; Pos < Text.size(); ++Pos) {
        const char C = Text[Pos];
        if (C < '0' || C > '9') return false;
        const int Digit = C - '0';
        if (Acc < (Min + Digit) / 10) return false;
        Acc = Acc * 10 - Digit;
    }
    if (!Negative) {
        if (Acc == Min) return false;
        Acc = -Acc;
    }
    Value = Acc;
    return true;
}

struct TNumberedPrefix {
    std::string_view Prefix; // upper case
    TV7_Layer (*Make)(int64_t);
};

TV7_Layer LayerFromName(std::string_view Name, const std::array<TNumberedPrefix, 3>& Prefixes,
                        bool DisplayNames) {
    const std::string Upper = ToUpperAscii(Name);
    const std::string_view U = Upper;
    for (const auto& P : Prefixes) {
        int64_t N = 0;
        if (U.size() > P.Prefix.size() && U.starts_with(P.Prefix) &&
            ParseInt64(U.substr(P.Prefix.size()), N))
            return P.Make(N);
    }
    for (TLayerPartition P = 0; P < kLayerPartitionCount; ++P) {
        if (P == kMidPartition || P == kPlanePartition || P == kMechanicalPartition) continue;
        const auto& Info = kPartitions[P];
        if (EqualsNoCase(U, DisplayNames ? Info.DisplayName : Info.ViewName)) return Info.Layer;
    }
    if (DisplayNames)
        for (const auto& G : kGroupNames)
            if (EqualsNoCase(U, G.Name)) return G.Group;
    return NoLayer;
}

} // namespace

std::string_view ClassicLayerName(TClassicLayer Layer) {
    const auto N = static_cast<std::size_t>(Layer);
    return N < abi::kClassicLayerNames.size() ? abi::kClassicLayerNames[N] : std::string_view();
}

TV7_Layer SignalLayer(int64_t N) {
    if (N == 1) return TopLayer;
    if (N == 65535) return BottomLayer;
    if (N >= 2 && N <= 31) return static_cast<TV7_Layer>(N);
    if (N >= 0 && N <= 65534) return (kSignalHigh << 16) | static_cast<TV7_Layer>(N);
    throw ELayerException("Creating SignalLayer(" + std::to_string(N) + ")");
}

TV7_Layer MidLayer(int64_t N) {
    if (N >= 65535 || N < -1) {
        // N + 1 written out without overflowing at the top of the range.
        const std::string Next = N == std::numeric_limits<int64_t>::max()
                                     ? std::string("9223372036854775808")
                                     : std::to_string(N + 1);
        throw ELayerException("Creating SignalLayer(" + Next + ")");
    }
    return SignalLayer(N + 1);
}

TV7_Layer InternalPlaneLayer(int64_t N) {
    if (N >= 1 && N <= 16) return static_cast<TV7_Layer>(38 + N);
    if (N >= 17 && N <= 65535) return (kPlaneHigh << 16) | static_cast<TV7_Layer>(N);
    throw ELayerException("Creating InternalPlaneLayer(" + std::to_string(N) + ")");
}

TV7_Layer MechanicalLayer(int64_t N) {
    if (N >= 1 && N <= 16) return static_cast<TV7_Layer>(56 + N);
    if (N >= 17 && N <= 65535) return (kMechanicalHigh << 16) | static_cast<TV7_Layer>(N);
    throw ELayerException("Creating MechanicalLayer(" + std::to_string(N) + ")");
}

int PartitionLayerCount(TLayerPartition Partition) {
    switch (Partition) {
    case kMidPartition:
        return 30;
    case kPlanePartition:
        return 16;
    case kMechanicalPartition:
        return 32;
    default:
        return 1;
    }
}

TV7_Layer PartitionLayer(TLayerPartition Partition, int64_t N) {
    Assert(Partition < kLayerPartitionCount, kModule);
    switch (Partition) {
    case kMidPartition:
        return MidLayer(N);
    case kPlanePartition:
        return InternalPlaneLayer(N);
    case kMechanicalPartition:
        return MechanicalLayer(N);
    default:
        return kPartitions[Partition].Layer;
    }
}

TV7_Layer ClassicToLayer(TClassicLayer Layer) {
    const auto N = static_cast<TV7_Layer>(Layer);
    return N < static_cast<TV7_Layer>(kClassicLayerCount) ? N : NoLayer;
}

TLayerPartition LayerPartitionOf(TV7_Layer L) {
    switch (KindOf(L)) {
    case TKind::None:
        return 0;
    case TKind::Top:
        return 1;
    case TKind::Mid:
        return kMidPartition;
    case TKind::Bottom:
        return 3;
    case TKind::Plane:
        return kPlanePartition;
    case TKind::Mechanical:
        return kMechanicalPartition;
    case TKind::OtherClassic:
        return ClassicPartition(L);
    case TKind::PadMaster:
        return static_cast<TLayerPartition>(kFirstPadMasterPartition + (L - TopPadMaster));
    case TKind::Group:
    case TKind::Invalid:
        break;
    }
    ThrowNoPartition(L);
}

uint32_t LayerIndexOf(TV7_Layer L) {
    const TKind K = KindOf(L);
    if (K == TKind::Group) return 0;
    if (High(L) == kSignalHigh || High(L) == kPlaneHigh || High(L) == kMechanicalHigh)
        return Low(L);
    switch (K) {
    case TKind::Mechanical:
        return L - 56;
    case TKind::Plane:
        return L - 38;
    case TKind::Bottom:
        return 65535;
    case TKind::Top:
    case TKind::Mid:
        return L;
    default:
        return LayerPartitionOf(L);
    }
}

bool IsNoLayer(TV7_Layer Layer) {
    return Layer == NoLayer;
}

bool IsDesignLayer(TV7_Layer Layer) {
    const TKind K = KindOf(Layer);
    if (K == TKind::Group || K == TKind::Invalid) return false;
    const TLayerPartition P = LayerPartitionOf(Layer);
    return P >= 1 && P <= 15;
}

TClassicLayer LayerToClassic(TV7_Layer L) {
    const TLayerPartition P = LayerPartitionOf(L);
    const uint32_t Index = LayerIndexOf(L);
    bool Valid = P < kFirstPadMasterPartition;
    if (P == kMidPartition) Valid = Index >= 2 && Index <= 31;
    if (P == kPlanePartition || P == kMechanicalPartition) Valid = Index >= 1 && Index <= 16;
    if (!Valid) throw ELayerException("TV7_Layer.Implicit(" + LayerDisplayName(L) + ")");
    switch (P) {
    case 0:
        return TClassicLayer::NoLayer;
    case 1:
        return TClassicLayer::TopLayer;
    case kMidPartition:
        return static_cast<TClassicLayer>(Index);
    case 3:
        return TClassicLayer::BottomLayer;
    case kPlanePartition:
        return static_cast<TClassicLayer>(38 + Index);
    case kMechanicalPartition:
        return static_cast<TClassicLayer>(56 + Index);
    default:
        return static_cast<TClassicLayer>(kPartitions[P].Layer);
    }
}

TClassicLayer ClampToClassicLayer(TV7_Layer L) {
    const TKind K = KindOf(L);
    Assert(K != TKind::Group && K != TKind::Invalid, kModule);
    const uint32_t Index = LayerIndexOf(L);
    if (K == TKind::Mid && Index > 31) return TClassicLayer::MidLayer30;
    if (K == TKind::Plane && Index > 16) return TClassicLayer::InternalPlane16;
    if (K == TKind::Mechanical && Index > 16) return TClassicLayer::Mechanical16;
    return LayerToClassic(L);
}

std::string LayerDisplayName(TV7_Layer L) {
    switch (KindOf(L)) {
    case TKind::Group:
        for (const auto& G : kGroupNames)
            if (G.Group == L) return std::string(G.Name);
        ThrowNoPartition(L);
    case TKind::Mechanical:
        return "Mechanical Layer " + std::to_string(LayerIndexOf(L));
    case TKind::Mid:
        return "Mid Layer " + std::to_string(LayerIndexOf(L) - 1);
    case TKind::Plane:
        return "Internal Plane " + std::to_string(LayerIndexOf(L));
    default:
        return std::string(kPartitions[LayerPartitionOf(L)].DisplayName);
    }
}

std::string LayerViewName(TV7_Layer L) {
    switch (KindOf(L)) {
    case TKind::Group:
        return {};
    case TKind::Mechanical:
        return "Mechanical " + std::to_string(LayerIndexOf(L));
    case TKind::Mid:
        return "Mid-Layer " + std::to_string(LayerIndexOf(L) - 1);
    case TKind::Plane:
        return "Internal Plane " + std::to_string(LayerIndexOf(L));
    default:
        return std::string(kPartitions[LayerPartitionOf(L)].ViewName);
    }
}

TV7_Layer LayerFromDisplayName(std::string_view Name) {
    static constexpr std::array<TNumberedPrefix, 3> Prefixes = {{
        {"MECHANICAL LAYER ", &MechanicalLayer},
        {"MID LAYER ", &MidLayer},
        {"INTERNAL PLANE ", &InternalPlaneLayer},
    }};
    return LayerFromName(Name, Prefixes, true);
}

TV7_Layer LayerFromViewName(std::string_view Name) {
    static constexpr std::array<TNumberedPrefix, 3> Prefixes = {{
        {"MECHANICAL ", &MechanicalLayer},
        {"MID-LAYER ", &MidLayer},
        {"INTERNAL PLANE ", &InternalPlaneLayer},
    }};
    return LayerFromName(Name, Prefixes, false);
}

std::string LayerToSettingText(TV7_Layer Layer) {
    if (Layer == NoLayer) return "Any Layer";
    return std::string(CutUtf8(LayerDisplayName(Layer), kShortStringMax));
}

TV7_Layer SettingTextToLayer(std::string_view Text) {
    if (EqualsNoCase(Text, "ANY LAYER")) return NoLayer;
    return LayerFromDisplayName(Text);
}

const std::vector<TV7_Layer>& StandardLayers() {
    static const std::vector<TV7_Layer> Layers = [] {
        std::vector<TV7_Layer> List;
        for (TLayerPartition P = 0; P < kLayerPartitionCount; ++P) {
            const int Count = PartitionLayerCount(P);
            if (P == kMidPartition || P == kPlanePartition || P == kMechanicalPartition) {
                for (int N = 1; N <= Count; ++N)
                    List.push_back(PartitionLayer(P, N));
            } else {
                List.push_back(kPartitions[P].Layer);
            }
        }
        return List;
    }();
    return Layers;
}

bool TLayerIterator::Next() {
    if (Position_ > Layers_.size()) return false;
    ++Position_;
    return Position_ <= Layers_.size();
}

TV7_Layer TLayerIterator::Current() const {
    Assert(Position_ >= 1 && Position_ <= Layers_.size(), kModule);
    return Layers_[Position_ - 1];
}

TLayerUtils& TLayerUtils::Instance() {
    static TLayerUtils Utils;
    return Utils;
}

} // namespace dxfi
