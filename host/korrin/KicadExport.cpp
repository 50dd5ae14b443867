// SPDX-License-Identifier: MIT
#include "host/korrin/KicadExport.h"

#include "host/korrin/BoardDocument.h"
#include "host/korrin/FillBox.h"
#include "host/korrin/HostLayers.h"
#include "host/korrin/HostText.h"
#include "host/korrin/KicadUnits.h"
#include "host/korrin/QuarterTurns.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <map>
#include <ostream>
#include <utility>

namespace dxfi::korrin {
namespace {

// ---- KiCad's layers ---------------------------------------------------------------------------
// Ids and canonical tokens of KiCad 6 (0-58). Items must name a layer by its token: a user name
// or an unknown token (User.10) crashes KiCad's loader.
constexpr int kFCu = 0, kBCu = 31, kBAdhes = 32, kBPaste = 34, kFPaste = 35, kBSilkS = 36,
              kFSilkS = 37, kBMask = 38, kFMask = 39, kDwgsUser = 40, kCmtsUser = 41,
              kEco1User = 42, kEco2User = 43, kEdgeCuts = 44, kMargin = 45, kFFab = 49, kUser1 = 50,
              kLastLayer = 58;

struct TKicadLayer {
    const char* Token;
    const char* Name; // KiCad's own name for it in the layers section; null for none
};
constexpr TKicadLayer kTechnicalLayers[] = {
    {"B.Adhes", "B.Adhesive"},
    {"F.Adhes", "F.Adhesive"},
    {"B.Paste", nullptr},
    {"F.Paste", nullptr},
    {"B.SilkS", "B.Silkscreen"},
    {"F.SilkS", "F.Silkscreen"},
    {"B.Mask", nullptr},
    {"F.Mask", nullptr},
    {"Dwgs.User", "User.Drawings"},
    {"Cmts.User", "User.Comments"},
    {"Eco1.User", "User.Eco1"},
    {"Eco2.User", "User.Eco2"},
    {"Edge.Cuts", nullptr},
    {"Margin", nullptr},
    {"B.CrtYd", "B.Courtyard"},
    {"F.CrtYd", "F.Courtyard"},
    {"B.Fab", nullptr},
    {"F.Fab", nullptr},
};

std::string LayerToken(int id) {
    if (id == kFCu) return "F.Cu";
    if (id == kBCu) return "B.Cu";
    if (id > kFCu && id < kBCu) return "In" + std::to_string(id) + ".Cu";
    if (id >= kBAdhes && id < kUser1) return kTechnicalLayers[id - kBAdhes].Token;
    return "User." + std::to_string(id - kUser1 + 1);
}

bool IsCopper(int id) {
    return id >= kFCu && id <= kBCu;
}

// The drawing layers that mechanical layers take, in order; the last one is shared by every
// mechanical layer beyond them.
constexpr int kMechanicalSlots[] = {kUser1,     kUser1 + 1, kUser1 + 2, kUser1 + 3, kUser1 + 4,
                                    kUser1 + 5, kUser1 + 6, kUser1 + 7, kUser1 + 8, kDwgsUser,
                                    kCmtsUser,  kEco1User,  kEco2User};
constexpr int kSlotCount = static_cast<int>(std::size(kMechanicalSlots));
// Layers KiCad has no counterpart for go here.
constexpr int kFallbackLayer = kFFab;

int MechanicalNumber(uint32_t layer) {
    if (layer >= 57 && layer <= 72) return static_cast<int>(layer - 56);
    if ((layer & 0xFFFF0000u) == 0x04000000u && (layer & 0xFFFF) != 0)
        return static_cast<int>(layer & 0xFFFF);
    return 0;
}

// Where a host layer goes, and why when KiCad cannot keep it apart.
struct TLayerPlace {
    int Id = kFallbackLayer;
    const char* Loss = nullptr; // null: the layer has a KiCad layer of its own
};

class TLayerTable {
public:
    explicit TLayerTable(uint32_t outline) : Outline(outline) {}

    TLayerPlace Place(uint32_t layer) const {
        if (layer != 0 && layer == Outline) return {kEdgeCuts, nullptr};
        if (layer == kLayerTop) return {kFCu, nullptr};
        if (layer == kLayerBottom) return {kBCu, nullptr};
        if (layer >= 2 && layer <= 31) return {static_cast<int>(layer - 1), nullptr};
        switch (layer) {
        case 33:
            return {kFSilkS, nullptr};
        case 34:
            return {kBSilkS, nullptr};
        case 35:
            return {kFPaste, nullptr};
        case 36:
            return {kBPaste, nullptr};
        case 37:
            return {kFMask, nullptr};
        case 38:
            return {kBMask, nullptr};
        case 56:
            return {kMargin, nullptr};
        default:
            break;
        }
        if (int n = MechanicalNumber(layer)) {
            int outlineNumber = MechanicalNumber(Outline);
            int index = n - 1 - (outlineNumber != 0 && outlineNumber < n ? 1 : 0);
            if (index < kSlotCount) return {kMechanicalSlots[index], nullptr};
            return {kMechanicalSlots[kSlotCount - 1],
                    "KiCad 6 has 13 drawing layers for the mechanical layers"};
        }
        if (layer >= 39 && layer <= 54) return {kFallbackLayer, "KiCad has no negative planes"};
        return {kFallbackLayer, "KiCad has no such layer"};
    }

private:
    uint32_t Outline;
};

// ---- Numbers and texts --------------------------------------------------------------------------
std::string AngleText(double degrees) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, degrees);
    return std::string(buf, r.ptr);
}

double NormalDegrees(double degrees) {
    if (!std::isfinite(degrees)) return 0;
    double d = std::fmod(degrees, 360.0);
    if (d < 0) d += 360;
    if (d >= 360) d -= 360;
    return d == 0 ? 0 : d; // no negative zero
}

// A text as a KiCad quoted string. Bytes that are not UTF-8 and control characters other than
// line breaks and tabs become U+FFFD; `replaced` tells whether any did.
std::string Quoted(std::string_view s, bool* replaced = nullptr) {
    std::string out = "\"";
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        bool ok = n != 0 && i + n <= s.size();
        uint32_t v = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
        for (size_t k = 1; ok && k < n; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) ok = false;
            v = (v << 6) | (cc & 0x3F);
        }
        if (ok && ((n == 2 && v < 0x80) || (n == 3 && v < 0x800) || (n == 4 && v < 0x10000) ||
                   v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)))
            ok = false;
        if (ok && v == '"') {
            out += "\\\"";
        } else if (ok && v == '\\') {
            out += "\\\\";
        } else if (ok && v == '\n') {
            out += "\\n";
        } else if (ok && v == '\t') {
            out += "\\t";
        } else if (ok && (v >= 0x20 && v != 0x7F)) {
            out.append(s.substr(i, n));
        } else {
            out += "\xEF\xBF\xBD";
            if (replaced) *replaced = true;
            if (!ok) n = 1;
        }
        i += n;
    }
    return out + '"';
}

// ---- Footprint frames
// ---------------------------------------------------------------------------- KiCad places a
// footprint's children at footprint position + their local point turned by the footprint's angle,
// with its own rounding; local points are chosen so that this lands where the board point is (or as
// near as whole nanometres allow).
class TFrame {
public:
    TFrame() = default; // the board itself
    TFrame(int64_t x, int64_t y, double degrees) : Local(true), X(x), Y(y) {
        // KiCad reads the angle in tenths of a degree and keeps it in (-180, 180] degrees.
        double tenths = degrees * 10.0;
        while (tenths <= -1800)
            tenths += 3600;
        while (tenths > 1800)
            tenths -= 3600;
        while (tenths < 0)
            tenths += 3600;
        while (tenths >= 3600)
            tenths -= 3600;
        Tenths = tenths;
        constexpr double kPi = 3.14159265358979323846;
        Sin = std::sin(Tenths * kPi / 1800.0);
        Cos = std::cos(Tenths * kPi / 1800.0);
    }

    bool IsLocal() const { return Local; }

    // The point to write for the KiCad point (ex, ey) (exact nanometres on the sheet).
    std::pair<int64_t, int64_t> Point(double ex, double ey) const {
        if (!Local) return {std::llround(ex), std::llround(ey)};
        double dx = ex - static_cast<double>(X), dy = ey - static_cast<double>(Y);
        // The inverse of Place: turned back by the footprint's angle.
        double lx = dx * Cos - dy * Sin, ly = dy * Cos + dx * Sin;
        int64_t bx = std::llround(lx), by = std::llround(ly);
        int64_t tx = std::llround(ex), ty = std::llround(ey);
        std::pair<int64_t, int64_t> best{bx, by};
        double bestError = -1;
        for (int64_t i = -1; i <= 1; ++i)
            for (int64_t j = -1; j <= 1; ++j) {
                auto [px, py] = Place(bx + i, by + j);
                if (px == tx && py == ty) return {bx + i, by + j};
                double error = std::max(std::fabs(static_cast<double>(px) - ex),
                                        std::fabs(static_cast<double>(py) - ey));
                if (bestError < 0 || error < bestError) {
                    bestError = error;
                    best = {bx + i, by + j};
                }
            }
        return best;
    }

private:
    // Where KiCad puts a local point: its rotation of integer points, then the offset.
    std::pair<int64_t, int64_t> Place(int64_t x, int64_t y) const {
        if (Tenths == 0) return {x + X, y + Y};
        if (Tenths == 900) return {y + X, -x + Y};
        if (Tenths == 1800) return {-x + X, -y + Y};
        if (Tenths == 2700) return {-y + X, x + Y};
        double fx = static_cast<double>(y) * Sin + static_cast<double>(x) * Cos;
        double fy = static_cast<double>(y) * Cos - static_cast<double>(x) * Sin;
        return {std::llround(fx) + X, std::llround(fy) + Y};
    }

    bool Local = false;
    int64_t X = 0, Y = 0;
    double Tenths = 0, Sin = 0, Cos = 1;
};

// ---- The writer ---------------------------------------------------------------------------------
struct TLossCounts {
    std::map<uint32_t, int64_t> FoldedLayers; // host layer -> objects written elsewhere
    std::map<uint8_t, int64_t> Kinds;         // kinds KiCad has no counterpart for
    int64_t OutOfRange = 0, TrueType = 0, Inverted = 0, BadCharacters = 0, PadStacks = 0,
            PadShapes = 0, ComponentVias = 0, FlatArcs = 0, ArcCentres = 0, ZeroPads = 0,
            Cutouts = 0, EmptyRegions = 0;
};

const char* KindName(uint8_t kind) {
    static constexpr const char* kNames[] = {"board",
                                             "arc",
                                             "pad",
                                             "via",
                                             "track",
                                             "text",
                                             "fill",
                                             "from-to",
                                             "net",
                                             "component",
                                             "polygon",
                                             "region",
                                             "component body",
                                             "dimension",
                                             "coordinate",
                                             "object class",
                                             "rule",
                                             "manual from-to",
                                             "differential pair",
                                             "violation",
                                             "embedded object",
                                             "embedded board",
                                             "split plane"};
    return kind < std::size(kNames) ? kNames[kind] : "other object";
}

class TKicadWriter {
public:
    TKicadWriter(const TObject& board, const TKicadExportOptions& options, std::ostream& out)
        : Board(board), Layers(options.OutlineLayer), Out(out) {}

    std::vector<std::string> Write() {
        Collect();
        ChooseOrigin();
        WriteHeader();
        for (const TObject* o : Loose)
            WriteObject(*o, TFrame(), false);
        for (const TObject* c : Components)
            WriteComponent(*c);
        for (const TObject* v : LooseVias)
            WriteObject(*v, TFrame(), false);
        Out << ")\n";
        return LossLines();
    }

private:
    // ---- Collecting -----------------------------------------------------------------------------
    bool Exportable(uint8_t kind) const {
        switch (kind) {
        case abi::kKindArc:
        case abi::kKindPad:
        case abi::kKindVia:
        case abi::kKindTrack:
        case abi::kKindText:
        case abi::kKindFill:
        case abi::kKindRegion:
            return true;
        default:
            return false;
        }
    }

    void Count(const TObject& o) {
        // Vias take their layer pair; multi-layer pads go through every copper layer.
        if (o.Kind == abi::kKindVia || (o.Kind == abi::kKindPad && o.LayerValue == kLayerMulti))
            return;
        TLayerPlace place = Layers.Place(o.LayerValue);
        if (place.Loss) ++Losses.FoldedLayers[o.LayerValue];
        ++UsedLayers[place.Id][o.LayerValue];
        if (IsCopper(place.Id)) Copper = std::max(Copper, place.Id == kBCu ? 0 : place.Id);
    }

    // Objects whose KiCad coordinates all lie inside what KiCad reads; decided once the origin
    // is known.
    bool Fits(const TObject& o) const {
        TBounds b = Store().Bounds(o);
        if (b.Empty) return true;
        auto inside = [](int64_t v) {
            return v >= -kKicadCoordinateLimit && v <= kKicadCoordinateLimit;
        };
        return inside(Place.X(b.Left)) && inside(Place.X(b.Right)) && inside(Place.Y(b.Bottom)) &&
               inside(Place.Y(b.Top));
    }

    void Collect() {
        const TObjectStore& store = Store();
        store.EachChild(Board, [&](const TObject& o) {
            if (o.Kind == abi::kKindComponent) {
                Components.push_back(&o);
                Extent.Add(store.Bounds(o));
                auto* cd = o.As<TComponentData>();
                for (THandle t : {cd->NameText, cd->SecondText})
                    if (const TObject* text = store.Find(t)) Extent.Add(store.Bounds(*text));
                return;
            }
            if (!Exportable(o.Kind)) {
                ++Losses.Kinds[o.Kind];
                return;
            }
            Loose.push_back(&o);
            Extent.Add(store.Bounds(o));
        });
    }

    // The board's extent is centred on the A4 sheet, with the board's (0,0) on KiCad's 100 mil
    // grid so that a board drawn on a mil grid stays on KiCad's.
    void ChooseOrigin() {
        TBounds e = Extent;
        if (e.Empty) e.Add(0, 0);
        constexpr int64_t kGrid = 2540000, kSheetX = 148500000, kSheetY = 105000000;
        int64_t cx = UnitsToNm((e.Left + e.Right) / 2), cy = UnitsToNm((e.Bottom + e.Top) / 2);
        auto snap = [](int64_t v) {
            int64_t q = v / kGrid, r = v % kGrid;
            if (r < 0) r += kGrid, --q;
            return (r * 2 >= kGrid ? q + 1 : q) * kGrid;
        };
        Place.OriginX = snap(kSheetX - cx);
        Place.OriginY = snap(kSheetY + cy);
        // Now that places are known: leave out what KiCad would clamp, count what is written.
        auto keep = [&](std::vector<const TObject*>& list) {
            std::vector<const TObject*> kept;
            for (const TObject* o : list) {
                if (!Fits(*o)) {
                    ++Losses.OutOfRange;
                    continue;
                }
                kept.push_back(o);
            }
            list.swap(kept);
        };
        keep(Loose);
        keep(Components);
        const TObjectStore& store = Store();
        for (const TObject* o : Loose)
            Count(*o);
        for (const TObject* c : Components) {
            ForChildren(*c, [&](const TObject& child) {
                if (!Exportable(child.Kind)) {
                    ++Losses.Kinds[child.Kind];
                    return;
                }
                if (child.Kind == abi::kKindVia) {
                    ++Losses.ComponentVias;
                    LooseVias.push_back(&child);
                }
                Count(child);
            });
            auto* cd = c->As<TComponentData>();
            for (THandle t : {cd->NameText, cd->SecondText})
                if (const TObject* text = store.Find(t)) Count(*text);
        }
    }

    template <class F> void ForChildren(const TObject& component, F&& f) const {
        const TObjectStore& store = Store();
        store.EachChild(component, [&](const TObject& child) { f(child); });
    }

    // ---- Header ---------------------------------------------------------------------------------
    std::string UserName(int id) const {
        auto it = UsedLayers.find(id);
        std::vector<uint32_t> hosts;
        if (it != UsedLayers.end())
            for (const auto& [layer, count] : it->second)
                hosts.push_back(layer);
        std::sort(hosts.begin(), hosts.end(), [](uint32_t a, uint32_t b) {
            return StandardLayerIndex(a) < StandardLayerIndex(b);
        });
        std::string name;
        for (size_t i = 0; i < hosts.size() && i < 3; ++i) {
            std::string one = BoardLayerName(Board, hosts[i]);
            name += (i ? " + " : "") + (one.empty() ? LayerDisplayName(hosts[i]) : one);
        }
        if (hosts.size() > 3) name += " + " + std::to_string(hosts.size() - 3) + " more";
        return name;
    }

    void WriteHeader() {
        Out << "(kicad_pcb (version 20211014) (generator pcbhost)\n\n"
            << "  (general\n    (thickness 1.6)\n  )\n\n"
            << "  (paper \"A4\")\n"
            << "  (title_block\n    (comment 9 \"pcbhost board origin (0,0) at x "
            << NmText(Place.OriginX) << " y " << NmText(Place.OriginY) << " mm\")\n  )\n\n"
            << "  (layers\n";
        Out << "    (0 \"F.Cu\" signal)\n";
        // KiCad takes an even number of copper layers.
        int inner = std::min(Copper + Copper % 2, kBCu - 1);
        for (int id = 1; id <= inner; ++id)
            Out << "    (" << id << " \"" << LayerToken(id) << "\" signal)\n";
        Out << "    (31 \"B.Cu\" signal)\n";
        std::vector<std::string> names; // user names must stay apart from tokens and each other
        for (int id = kBAdhes; id <= kLastLayer; ++id) {
            if (id >= kUser1 && !UsedLayers.count(id)) continue;
            std::string token = LayerToken(id);
            Out << "    (" << id << " \"" << token << "\" user";
            std::string name;
            bool drawing = id >= kUser1 || (id >= kDwgsUser && id <= kEco2User) || id == kMargin;
            if (drawing && UsedLayers.count(id)) name = UserName(id);
            if (!name.empty() && !NameIsFree(name, names)) name += " (" + token + ")";
            if (name.empty() || !NameIsFree(name, names)) {
                const char* own = id < kUser1 ? kTechnicalLayers[id - kBAdhes].Name : nullptr;
                name = own ? own : "";
            }
            if (!name.empty()) {
                Out << ' ' << Quoted(name);
                names.push_back(name);
            }
            Out << ")\n";
        }
        int64_t ox = std::clamp(Place.OriginX, -kKicadCoordinateLimit, kKicadCoordinateLimit);
        int64_t oy = std::clamp(Place.OriginY, -kKicadCoordinateLimit, kKicadCoordinateLimit);
        Out << "  )\n\n  (setup\n    (pad_to_mask_clearance 0)\n    (aux_axis_origin " << NmText(ox)
            << ' ' << NmText(oy) << ")\n    (grid_origin " << NmText(ox) << ' ' << NmText(oy)
            << ")\n  )\n\n  (net 0 \"\")\n\n";
    }

    static bool NameIsFree(const std::string& name, const std::vector<std::string>& taken) {
        for (int id = kFCu; id <= kLastLayer; ++id)
            if (EqualNoCase(name, LayerToken(id))) return false;
        for (const TKicadLayer& l : kTechnicalLayers)
            if (l.Name && EqualNoCase(name, l.Name)) return false;
        for (const std::string& t : taken)
            if (EqualNoCase(name, t)) return false;
        return true;
    }

    // ---- Objects --------------------------------------------------------------------------------
    std::string Xy(const TFrame& frame, double u, double v) const {
        auto [x, y] = frame.Point(Place.ExactX(u), Place.ExactY(v));
        return NmText(x) + ' ' + NmText(y);
    }
    static std::string Length(int64_t units) {
        return NmText(UnitsToNm(std::max<int64_t>(units, 0)));
    }
    std::string LayerOf(const TObject& o) const {
        return LayerToken(Layers.Place(o.LayerValue).Id);
    }

    void WriteObject(const TObject& o, const TFrame& frame, bool inFootprint) {
        const char* pre = inFootprint ? "fp_" : "gr_";
        const std::string indent = inFootprint ? "    " : "  ";
        int layerId = Layers.Place(o.LayerValue).Id;
        std::string layer = "(layer \"" + LayerToken(layerId) + "\")";
        switch (o.Kind) {
        case abi::kKindTrack: {
            auto* d = o.As<TTrackData>();
            std::string ends =
                "(start " + Xy(frame, o.X, o.Y) + ") (end " + Xy(frame, d->X2, d->Y2) + ")";
            if (IsCopper(layerId) && !inFootprint)
                Out << indent << "(segment " << ends << " (width " << Length(d->Width) << ") "
                    << layer << " (net 0))\n";
            else
                Out << indent << '(' << pre << "line " << ends << ' ' << layer << " (width "
                    << Length(d->Width) << "))\n";
            break;
        }
        case abi::kKindArc:
            WriteArc(o, frame, inFootprint, layerId);
            break;
        case abi::kKindText:
            WriteText(o, frame, inFootprint ? "(fp_text user " : "(gr_text ", indent, "");
            break;
        case abi::kKindFill: {
            const auto [cx, cy, halfWidth, halfHeight] = FillBox(o);
            double hw = halfWidth, hh = halfHeight;
            double rotation = NormalDegrees(o.As<TFillData>()->Rotation);
            if (rotation == 90 || rotation == 270) std::swap(hw, hh);
            if (rotation == 0 || rotation == 90 || rotation == 180 || rotation == 270) {
                Out << indent << '(' << pre << "rect (start " << Xy(frame, cx - hw, cy + hh)
                    << ") (end " << Xy(frame, cx + hw, cy - hh) << ") " << layer
                    << " (width 0) (fill solid))\n";
                break;
            }
            double c = 1, s = 0;
            CosSin(rotation, c, s);
            Out << indent << '(' << pre << "poly (pts";
            for (auto [px, py] : {std::pair{-hw, -hh}, {hw, -hh}, {hw, hh}, {-hw, hh}})
                Out << " (xy " << Xy(frame, cx + px * c - py * s, cy + px * s + py * c) << ')';
            Out << ") " << layer << " (width 0) (fill solid))\n";
            break;
        }
        case abi::kKindRegion: {
            auto* d = o.As<TRegionData>();
            std::vector<std::string> points;
            for (const auto& p : d->Outline) {
                std::string xy = Xy(frame, p[0], p[1]);
                if (points.empty() || points.back() != xy) points.push_back(std::move(xy));
            }
            while (points.size() > 1 && points.back() == points.front())
                points.pop_back();
            if (points.empty()) {
                ++Losses.EmptyRegions;
                break;
            }
            if (d->RegionKind != 0) ++Losses.Cutouts;
            Out << indent << '(' << pre << "poly (pts";
            for (const std::string& p : points)
                Out << " (xy " << p << ')';
            Out << ") " << layer << " (width 0) (fill solid))\n";
            break;
        }
        case abi::kKindPad:
            if (inFootprint)
                WritePad(o, frame, indent);
            else
                WriteLoosePad(o);
            break;
        case abi::kKindVia: {
            auto* d = o.As<TViaData>();
            int low = Layers.Place(d->LowLayer).Id, high = Layers.Place(d->HighLayer).Id;
            if (!IsCopper(low) || !IsCopper(high) || low == high) low = kFCu, high = kBCu;
            if (low > high) std::swap(low, high);
            bool through = low == kFCu && high == kBCu;
            Out << indent << "(via " << (through ? "" : "blind ") << "(at " << Xy(frame, o.X, o.Y)
                << ") (size " << Length(d->Size) << ") (drill " << Length(d->HoleSize)
                << ") (layers \"" << LayerToken(low) << "\" \"" << LayerToken(high)
                << "\") (net 0))\n";
            break;
        }
        default:
            break;
        }
    }

    // Host arcs run counter-clockwise from StartAngle to EndAngle (y up), which is
    // counter-clockwise on KiCad's screen too; KiCad keeps arcs clockwise, so the ends swap.
    void WriteArc(const TObject& o, const TFrame& frame, bool inFootprint, int layerId) {
        auto* d = o.As<TArcData>();
        const char* pre = inFootprint ? "fp_" : "gr_";
        const std::string indent = inFootprint ? "    " : "  ";
        std::string layer = "(layer \"" + LayerToken(layerId) + "\")";
        std::string width = "(width " + Length(d->Width) + ")";
        double r = std::fabs(static_cast<double>(d->Radius));
        // The sweep from the angles as given: 30 to 390 is a whole turn, however the start was
        // rounded.
        double raw = d->EndAngle - d->StartAngle;
        if (!std::isfinite(raw)) raw = 360;
        double s = NormalDegrees(d->StartAngle);
        double sweep = raw >= 360 ? 360 : std::fmod(raw, 360.0);
        if (sweep <= 0) sweep += 360;
        if (sweep >= 360 || r == 0) {
            Out << indent << '(' << pre << "circle (center " << Xy(frame, o.X, o.Y) << ") (end "
                << Xy(frame, o.X + r, o.Y) << ") " << layer << ' ' << width << " (fill none))\n";
            return;
        }
        auto at = [&](double degrees) {
            double c = 1, sn = 0;
            CosSin(degrees, c, sn);
            return frame.Point(Place.ExactX(o.X + r * c), Place.ExactY(o.Y + r * sn));
        };
        auto start = at(s + sweep), mid = at(s + sweep / 2), end = at(s);
        auto text = [](std::pair<int64_t, int64_t> p) {
            return NmText(p.first) + ' ' + NmText(p.second);
        };
        // Three points on one line after rounding give KiCad no centre: a straight line then.
        double cross = static_cast<double>(mid.first - start.first) *
                           static_cast<double>(end.second - start.second) -
                       static_cast<double>(mid.second - start.second) *
                           static_cast<double>(end.first - start.first);
        bool copperTrack = IsCopper(layerId) && !inFootprint;
        if (start == end && sweep > 180) { // nearly a whole turn: a circle at this resolution
            Out << indent << '(' << pre << "circle (center " << Xy(frame, o.X, o.Y) << ") (end "
                << Xy(frame, o.X + r, o.Y) << ") " << layer << ' ' << width << " (fill none))\n";
            return;
        }
        if (cross == 0) {
            ++Losses.FlatArcs;
            if (copperTrack)
                Out << indent << "(segment (start " << text(start) << ") (end " << text(end) << ") "
                    << width << ' ' << layer << " (net 0))\n";
            else
                Out << indent << '(' << pre << "line (start " << text(start) << ") (end "
                    << text(end) << ") " << layer << ' ' << width << ")\n";
            return;
        }
        // KiCad 6 derives the centre from the three points and moves it onto a 10 or 100 nm
        // grid when that lies within its rounding estimate: a centre off the 10 nm grid may
        // move (2.54 u nm is a multiple of 10 exactly when u is a multiple of 500).
        if (o.X % 500 != 0 || o.Y % 500 != 0) ++Losses.ArcCentres;
        if (copperTrack)
            Out << indent << "(arc (start " << text(start) << ") (mid " << text(mid) << ") (end "
                << text(end) << ") " << width << ' ' << layer << " (net 0))\n";
        else
            Out << indent << '(' << pre << "arc (start " << text(start) << ") (mid " << text(mid)
                << ") (end " << text(end) << ") " << layer << ' ' << width << ")\n";
    }

    // `head` is "(gr_text ", "(fp_text user ", "(fp_text reference " ...; `hide` " hide" or "".
    void WriteText(const TObject& o, const TFrame& frame, const std::string& head,
                   const std::string& indent, const char* hide) {
        auto* d = o.As<TTextData>();
        bool replaced = false;
        std::string text = Quoted(DisplayString(o), &replaced);
        if (replaced) ++Losses.BadCharacters;
        if (d->UseTrueType) ++Losses.TrueType;
        if (d->Inverted) ++Losses.Inverted;
        double rotation = NormalDegrees(d->Rotation);
        std::string size = Length(d->Height);
        Out << indent << head << text << " (at " << Xy(frame, o.X, o.Y);
        if (rotation != 0) Out << ' ' << AngleText(rotation);
        // A footprint's text keeps the board's angle: KiCad would otherwise turn it to read
        // upright, half a turn away from where the board draws it.
        if (head.starts_with("(fp_text")) Out << " unlocked";
        Out << ") (layer \"" << LayerOf(o) << "\")" << hide << "\n"
            << indent << "  (effects (font (size " << size << ' ' << size << ") (thickness "
            << Length(d->Width) << ')' << (d->Bold ? " bold" : "") << (d->Italic ? " italic" : "")
            << ") (justify left bottom" << (d->Mirror ? " mirror" : "") << "))\n"
            << indent << ")\n";
    }

    // The KiCad layers of a pad: all copper for a hole through a copper or multi-layer pad,
    // else its own layer (with paste and mask on the outer copper layers).
    std::string PadLayers(const TObject& o, bool hole) const {
        int id = Layers.Place(o.LayerValue).Id;
        bool multi = o.LayerValue == kLayerMulti;
        if (hole && (multi || IsCopper(id))) return "\"*.Cu\" \"*.Mask\"";
        if (multi || id == kFCu) return "\"F.Cu\" \"F.Paste\" \"F.Mask\"";
        if (id == kBCu) return "\"B.Cu\" \"B.Paste\" \"B.Mask\"";
        return '"' + LayerToken(id) + '"';
    }

    void WritePad(const TObject& o, const TFrame& frame, const std::string& indent) {
        auto* d = o.As<TPadData>();
        bool hole = d->HoleSize > 0;
        int sizeLayer = o.LayerValue == kLayerBottom ? 32 : 1;
        const TPadLayerData& shapeOf = d->Layers[sizeLayer];
        const auto& ps = d->PadSizes;
        int64_t w = sizeLayer == 32 ? ps[4] : ps[0], h = sizeLayer == 32 ? ps[5] : ps[1];
        bool sameStack = ps[0] == ps[2] && ps[2] == ps[4] && ps[1] == ps[3] && ps[3] == ps[5] &&
                         d->Layers[1].Shape == d->Layers[32].Shape;
        if (!sameStack) ++Losses.PadStacks;
        if (w <= 0 || h <= 0) ++Losses.ZeroPads;
        std::string shape, extra;
        switch (shapeOf.Shape) {
        case 1:
            shape = w == h ? "circle" : "oval";
            break;
        case 2:
            shape = "rect";
            break;
        case 3: // octagonal: the corners of the rectangle cut as a regular octagon's
            shape = "roundrect";
            extra = " (roundrect_rratio 0) (chamfer_ratio 0.292893) (chamfer top_left top_right "
                    "bottom_left bottom_right)";
            break;
        case 9:
            shape = "roundrect";
            extra = " (roundrect_rratio " +
                    AngleText(std::min<int>(shapeOf.CRPercentage, 100) / 200.0) + ")";
            break;
        default:
            ++Losses.PadShapes;
            shape = w == h ? "circle" : "oval";
            break;
        }
        std::string name = d->String1.empty() ? "1" : d->String1;
        double rotation = NormalDegrees(d->Rotation);
        Out << indent << "(pad " << Quoted(name) << (hole ? " thru_hole " : " smd ") << shape
            << " (at " << Xy(frame, o.X, o.Y);
        if (rotation != 0) Out << ' ' << AngleText(rotation);
        Out << ") (size " << Length(w) << ' ' << Length(h) << ")";
        if (hole) Out << " (drill " << Length(d->HoleSize) << ")";
        Out << " (layers " << PadLayers(o, hole) << ")" << extra << ")\n";
    }

    // KiCad keeps pads only in footprints: a loose pad gets one of its own.
    void WriteLoosePad(const TObject& o) {
        bool hole = o.As<TPadData>()->HoleSize > 0;
        ++LoosePads;
        TFrame frame(Place.X(int64_t{o.X}), Place.Y(int64_t{o.Y}), 0);
        Out << "  (footprint \"pcbhost:Pad\" (layer \"F.Cu\")\n    (at " << Xy(TFrame(), o.X, o.Y)
            << ")\n    (attr " << (hole ? "through_hole" : "smd")
            << " board_only exclude_from_pos_files exclude_from_bom)\n"
            << "    (fp_text reference \"PAD" << LoosePads
            << "\" (at 0 0) (layer \"F.Fab\") hide\n"
               "      (effects (font (size 1 1) (thickness 0.15)))\n    )\n"
               "    (fp_text value \"Pad\" (at 0 0) (layer \"F.Fab\") hide\n"
               "      (effects (font (size 1 1) (thickness 0.15)))\n    )\n";
        WritePad(o, frame, "    ");
        Out << "  )\n";
    }

    void WriteComponent(const TObject& c) {
        auto* cd = c.As<TComponentData>();
        double rotation = NormalDegrees(cd->Rotation);
        TFrame frame(Place.X(int64_t{c.X}), Place.Y(int64_t{c.Y}), rotation);
        std::string id = "pcbhost:";
        for (char ch : cd->Name)
            id += (std::isalnum(static_cast<unsigned char>(ch)) || ch == '_' || ch == '-' ||
                   ch == '.')
                      ? ch
                      : '_';
        if (id == "pcbhost:") id += "Component";
        bool holes = false, pads = false;
        ForChildren(c, [&](const TObject& child) {
            if (child.Kind != abi::kKindPad) return;
            pads = true;
            holes = holes || child.As<TPadData>()->HoleSize > 0;
        });
        Out << "  (footprint " << Quoted(id) << " (layer \""
            << (c.LayerValue == kLayerBottom ? "B.Cu" : "F.Cu") << "\")\n    (at "
            << Xy(TFrame(), c.X, c.Y);
        if (rotation != 0) Out << ' ' << AngleText(rotation);
        Out << ")\n";
        if (pads)
            Out << "    (attr " << (holes ? "through_hole" : "smd") << " board_only)\n";
        else
            Out << "    (attr board_only)\n";
        const TObjectStore& store = Store();
        const char* heads[] = {"(fp_text reference ", "(fp_text value "};
        THandle texts[] = {cd->NameText, cd->SecondText};
        for (int i = 0; i < 2; ++i) {
            const TObject* t = store.Find(texts[i]);
            if (t && t->Kind == abi::kKindText)
                WriteText(*t, frame, heads[i], "    ", DisplayString(*t).empty() ? " hide" : "");
            else
                Out << "    " << heads[i] << "\"\" (at 0 0) (layer \"F.Fab\") hide\n"
                    << "      (effects (font (size 1 1) (thickness 0.15)))\n    )\n";
        }
        ForChildren(c, [&](const TObject& child) {
            if (Exportable(child.Kind) && child.Kind != abi::kKindVia)
                WriteObject(child, frame, true);
        });
        Out << "  )\n";
    }

    // ---- Losses ---------------------------------------------------------------------------------
    std::vector<std::string> LossLines() const {
        std::vector<std::string> lines;
        auto add = [&](int64_t count, const std::string& what) {
            if (count > 0) lines.push_back(std::to_string(count) + " " + what);
        };
        for (const auto& [kind, count] : Losses.Kinds)
            add(count, std::string(KindName(kind)) + (count == 1 ? "" : "s") +
                           ": KiCad has no counterpart; not exported");
        for (const auto& [layer, count] : Losses.FoldedLayers) {
            TLayerPlace place = Layers.Place(layer);
            std::string name = BoardLayerName(Board, layer);
            if (name.empty()) name = LayerDisplayName(layer);
            add(count, std::string(count == 1 ? "object" : "objects") + " of " + name + " on " +
                           LayerToken(place.Id) + " with other layers' objects (" + place.Loss +
                           ")");
        }
        // What the count is of: singular and plural, then the rest of the line.
        auto say = [&](int64_t count, const char* one, const char* many, const char* rest) {
            if (count > 0) add(count, std::string(count == 1 ? one : many) + rest);
        };
        say(Losses.OutOfRange, "object", "objects",
            " beyond KiCad's coordinate range (+-1518.49 mm) with the board centred on the "
            "sheet: not exported");
        say(Losses.TrueType, "text", "texts", " in TrueType fonts: written in KiCad's stroke font");
        say(Losses.Inverted, "inverted text", "inverted texts", ": written as plain text");
        say(Losses.BadCharacters, "text", "texts",
            " with bytes that are not UTF-8 or with control characters: written with U+FFFD");
        say(Losses.PadStacks, "pad", "pads",
            " with other sizes or shapes on inner or bottom layers: written with one shape and "
            "size");
        say(Losses.PadShapes, "pad", "pads", " of a shape KiCad lacks: written as round");
        say(Losses.ZeroPads, "pad", "pads",
            " without size: written so, which KiCad reads as 1 um across");
        say(Losses.ComponentVias, "via of a component", "vias of components",
            ": written as free vias (KiCad footprints hold no vias)");
        say(Losses.FlatArcs, "arc", "arcs",
            " too flat for KiCad's three-point arcs: written as lines");
        say(Losses.ArcCentres, "arc", "arcs",
            " with a centre off KiCad's 10 nm grid: KiCad 6 may move such a centre onto its 10 "
            "or 100 nm grid when it reads the arc (by up to about 0.15 um; the ends stay)");
        say(Losses.Cutouts, "cutout region", "cutout regions", ": written as filled polygons");
        say(Losses.EmptyRegions, "region", "regions", " without corners: not exported");
        return lines;
    }

    const TObject& Board;
    TLayerTable Layers;
    std::ostream& Out;
    TKicadPlacement Place;
    TBounds Extent;
    std::vector<const TObject*> Loose, Components, LooseVias;
    // KiCad layer -> host layers of its objects -> objects
    std::map<int, std::map<uint32_t, int64_t>> UsedLayers;
    int Copper = 0; // the highest inner copper layer used
    int64_t LoosePads = 0;
    TLossCounts Losses;
};

} // namespace

std::vector<std::string> WriteKicadBoard(const TObject& board, const TKicadExportOptions& options,
                                         std::ostream& out) {
    return TKicadWriter(board, options, out).Write();
}

std::vector<std::string> ExportKicadFile(const TObject& board, const TKicadExportOptions& options,
                                         const std::string& path) {
    struct TContext {
        const TObject* Board;
        const TKicadExportOptions* Options;
        std::vector<std::string> Losses;
    } context{&board, &options, {}};
    WriteFileAtomically(
        path, "export board to",
        [](const void* c, std::ostream& out) {
            auto* ctx = static_cast<TContext*>(const_cast<void*>(c));
            ctx->Losses = WriteKicadBoard(*ctx->Board, *ctx->Options, out);
        },
        &context);
    return context.Losses;
}

} // namespace dxfi::korrin
