// SPDX-License-Identifier: MIT
#include "host/korrin/BoardDocument.h"

#include "host/korrin/HostLayers.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>

namespace dxfi::korrin {
namespace {

using nlohmann::json;

constexpr const char* kFormatName = "korrin-board";
constexpr int kFormatVersion = 1;

const char* KindName(uint8_t kind) {
    switch (kind) {
    case 1:
        return "Arc";
    case 2:
        return "Pad";
    case 3:
        return "Via";
    case 4:
        return "Track";
    case 5:
        return "Text";
    case 6:
        return "Fill";
    case 7:
        return "FromTo";
    case 8:
        return "Net";
    case 9:
        return "Component";
    case 10:
        return "Polygon";
    case 11:
        return "Region";
    case 12:
        return "ComponentBody";
    case 13:
        return "Dimension";
    case 14:
        return "Coordinate";
    case 15:
        return "ObjectClass";
    case 16:
        return "Rule";
    case 17:
        return "ManualFromTo";
    case 18:
        return "DifferentialPair";
    case 19:
        return "Violation";
    case 20:
        return "Embedded";
    case 21:
        return "EmbeddedBoard";
    case 22:
        return "SplitPlane";
    case 26:
        return "BoardOutline";
    default:
        return nullptr;
    }
}

uint8_t KindFromName(std::string_view name) {
    for (int k = 1; k < 32; ++k)
        if (const char* n = KindName(static_cast<uint8_t>(k)); n && name == n)
            return static_cast<uint8_t>(k);
    return 0;
}

// ---- Writing ---------------------------------------------------------------------------------

bool ValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        uint32_t cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
        for (size_t k = 1; k < n; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((n == 2 && cp < 0x80) || (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) ||
            cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n;
    }
    return true;
}

std::string Hex(const uint8_t* data, size_t size) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string s;
    s.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        s += kDigits[data[i] >> 4];
        s += kDigits[data[i] & 15];
    }
    return s;
}

void AppendString(std::string& out, std::string_view s) {
    if (!ValidUtf8(s)) {
        // 8-bit texts that are not UTF-8 keep their bytes.
        out += "{\"Bytes\": \"";
        out += Hex(reinterpret_cast<const uint8_t*>(s.data()), s.size());
        out += "\"}";
        return;
    }
    out += '"';
    for (char ch : s) {
        unsigned char c = static_cast<unsigned char>(ch);
        switch (ch) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += ch;
            }
        }
    }
    out += '"';
}

void AppendDouble(std::string& out, double v) {
    if (std::isnan(v)) {
        out += "\"NaN\"";
        return;
    }
    if (std::isinf(v)) {
        out += v > 0 ? "\"Infinity\"" : "\"-Infinity\"";
        return;
    }
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v); // shortest text that reads back exactly
    out.append(buf, r.ptr);
}

template <class T> void AppendInt(std::string& out, T v) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

struct TLayerField {
    uint32_t& Value;
};

// Writes fields "Name": value, skipping those equal to the new object's default unless
// `always` (the geometry a reader of the file wants to see).
class TWriter {
public:
    explicit TWriter(std::string& out, const char* separator = ", ")
        : Out(out), Separator(separator) {}
    void Key(std::string_view name) {
        if (!First) Out += Separator;
        First = false;
        Out += '"';
        Out += name;
        Out += "\": ";
    }
    template <class T> void operator()(const char* name, const T& v, const T& def, bool always) {
        if (!always && v == def) return;
        Key(name);
        Value(v);
    }
    void operator()(const char* name, const TLayerField& v, uint32_t def, bool always) {
        if (!always && v.Value == def) return;
        WriteLayer(name, v.Value);
    }
    void WriteLayer(const char* name, uint32_t layer) {
        Key(name);
        std::string display = LayerDisplayName(layer);
        AppendString(Out, display);
        uint32_t back = 0;
        if (!LayerFromDisplayName(display, back) || back != layer) {
            // A value without a name of its own keeps its number.
            Key(std::string(name) + "Value");
            AppendInt(Out, layer);
        }
    }
    void Raw(std::string_view text) { Out += text; }

    void Value(int32_t v) { AppendInt(Out, v); }
    void Value(uint32_t v) { AppendInt(Out, v); }
    void Value(uint16_t v) { AppendInt(Out, v); }
    void Value(uint8_t v) { AppendInt(Out, v); }
    void Value(double v) { AppendDouble(Out, v); }
    void Value(const std::string& v) { AppendString(Out, v); }
    template <class T, size_t N> void Value(const std::array<T, N>& a) {
        Out += '[';
        for (size_t i = 0; i < N; ++i) {
            if (i) Out += ", ";
            Value(a[i]);
        }
        Out += ']';
    }

private:
    std::string& Out;
    const char* Separator;
    bool First = true;
};

// ---- Reading ---------------------------------------------------------------------------------

[[noreturn]] void Fail(const std::string& where, const std::string& problem) {
    throw EBoardFile(where.empty() ? problem : where + ": " + problem);
}

// Where a value sits, spelled out only when a message needs it.
struct TField {
    const std::string& Base;
    const char* Name;
};
const std::string& Describe(const std::string& where) {
    return where;
}
std::string Describe(const TField& where) {
    return where.Base + "." + where.Name;
}

template <class T, class W> void ReadInt(const json& j, T& out, const W& where) {
    using L = std::numeric_limits<T>;
    if (j.is_number_unsigned()) {
        auto v = j.get<uint64_t>();
        if (v <= static_cast<uint64_t>(L::max())) {
            out = static_cast<T>(v);
            return;
        }
    } else if (j.is_number_integer()) {
        auto v = j.get<int64_t>();
        if (v >= static_cast<int64_t>(L::min()) && v <= static_cast<int64_t>(L::max())) {
            out = static_cast<T>(v);
            return;
        }
    }
    Fail(Describe(where), "expected an integer from " + std::to_string(L::min()) + " to " +
                              std::to_string(L::max()));
}

template <class W> void ReadValue(const json& j, int32_t& v, const W& w) {
    ReadInt(j, v, w);
}
template <class W> void ReadValue(const json& j, uint32_t& v, const W& w) {
    ReadInt(j, v, w);
}
template <class W> void ReadValue(const json& j, uint16_t& v, const W& w) {
    ReadInt(j, v, w);
}
template <class W> void ReadValue(const json& j, uint8_t& v, const W& w) {
    ReadInt(j, v, w);
}
template <class W> void ReadValue(const json& j, double& v, const W& w) {
    if (j.is_number()) {
        v = j.get<double>();
        return;
    }
    if (j.is_string()) {
        const auto& s = j.get_ref<const std::string&>();
        if (s == "NaN")
            v = std::numeric_limits<double>::quiet_NaN();
        else if (s == "Infinity")
            v = std::numeric_limits<double>::infinity();
        else if (s == "-Infinity")
            v = -std::numeric_limits<double>::infinity();
        else
            Fail(Describe(w), "expected a number");
        return;
    }
    Fail(Describe(w), "expected a number");
}

std::vector<uint8_t> FromHex(const std::string& s, const std::string& w) {
    if (s.size() % 2) Fail(w, "expected an even number of hexadecimal digits");
    auto digit = [&](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        Fail(w, "expected hexadecimal digits");
    };
    std::vector<uint8_t> bytes(s.size() / 2);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(digit(s[2 * i]) * 16 + digit(s[2 * i + 1]));
    return bytes;
}

template <class W> void ReadValue(const json& j, std::string& v, const W& w) {
    if (j.is_string()) {
        v = j.get<std::string>();
        return;
    }
    if (j.is_object() && j.size() == 1 && j.contains("Bytes") && j["Bytes"].is_string()) {
        auto bytes = FromHex(j["Bytes"].get<std::string>(), Describe(w) + ".Bytes");
        v.assign(bytes.begin(), bytes.end());
        return;
    }
    Fail(Describe(w), "expected a text");
}

template <class T, size_t N, class W>
void ReadValue(const json& j, std::array<T, N>& a, const W& where) {
    if (!j.is_array() || j.size() != N)
        Fail(Describe(where), "expected a list of " + std::to_string(N) + " values");
    for (size_t i = 0; i < N; ++i) {
        if constexpr (std::is_integral_v<T>) {
            // The common case reads without building the element's name.
            const json& e = j[i];
            if (e.is_number_unsigned()) {
                auto v = e.get<uint64_t>();
                if (v <= static_cast<uint64_t>(std::numeric_limits<T>::max())) {
                    a[i] = static_cast<T>(v);
                    continue;
                }
            } else if (e.is_number_integer()) {
                auto v = e.get<int64_t>();
                if (v >= static_cast<int64_t>(std::numeric_limits<T>::min()) &&
                    v <= static_cast<int64_t>(std::numeric_limits<T>::max())) {
                    a[i] = static_cast<T>(v);
                    continue;
                }
            }
        }
        ReadValue(j[i], a[i], Describe(where) + "[" + std::to_string(i) + "]");
    }
}

uint32_t ReadLayer(const json& obj, const char* name, const std::string& where) {
    std::string w = where + "." + name;
    if (auto it = obj.find(std::string(name) + "Value"); it != obj.end()) {
        uint32_t v = 0;
        ReadValue(*it, v, w + "Value");
        return v;
    }
    const json& j = obj.at(name);
    if (!j.is_string()) Fail(w, "expected a layer name");
    uint32_t layer = 0;
    if (!LayerFromDisplayName(j.get_ref<const std::string&>(), layer))
        Fail(w, "'" + j.get<std::string>() + "' is not a layer name");
    return layer;
}

class TReader {
public:
    TReader(const json& j, std::string where) : J(j), Where(std::move(where)) {}
    template <class T> void operator()(const char* name, T& v, const T&, bool) {
        if (auto it = J.find(name); it != J.end()) ReadValue(*it, v, TField{Where, name});
    }
    void operator()(const char* name, const TLayerField& v, uint32_t, bool) {
        if (J.contains(name) || J.contains(std::string(name) + "Value"))
            v.Value = ReadLayer(J, name, Where);
    }

private:
    const json& J;
    std::string Where;
};

// ---- The fields of each kind, for both directions --------------------------------------------

template <class V> void VisitBase(V& v, TObject& o) {
    v("Layer", TLayerField{o.LayerValue}, 0u, true);
    v("X", o.X, 0, true);
    v("Y", o.Y, 0, true);
    v("Flags", o.Flags, uint16_t{0}, false);
    v("PrimWord", o.PrimWord, uint16_t{0}, false);
    v("PrimLongA", o.PrimLongA, 0, false);
    v("PrimByte", o.PrimByte, uint8_t{0}, false);
    v("PrimLongB", o.PrimLongB, 0, false);
    v("BitField2", o.BitField2, uint8_t{0}, false);
    v("BitField3", o.BitField3, uint16_t{0}, false);
}

template <class V> void VisitKind(V& v, TObject& o) {
    switch (o.Kind) {
    case abi::kKindTrack: {
        auto& d = *o.As<TTrackData>();
        const TTrackData def;
        v("X2", d.X2, def.X2, true);
        v("Y2", d.Y2, def.Y2, true);
        v("Width", d.Width, def.Width, true);
        v("Value1", d.Value1, def.Value1, false);
        v("Value2", d.Value2, def.Value2, false);
        v("Value3", d.Value3, def.Value3, false);
        break;
    }
    case abi::kKindArc: {
        auto& d = *o.As<TArcData>();
        const TArcData def;
        v("Radius", d.Radius, def.Radius, true);
        v("StartAngle", d.StartAngle, def.StartAngle, true);
        v("EndAngle", d.EndAngle, def.EndAngle, true);
        v("Width", d.Width, def.Width, true);
        v("Value1", d.Value1, def.Value1, false);
        break;
    }
    case abi::kKindText: {
        auto& d = *o.As<TTextData>();
        const TTextData def;
        v("Text", d.Text, def.Text, true);
        v("Height", d.Height, def.Height, true);
        v("Rotation", d.Rotation, def.Rotation, true);
        v("Mirror", d.Mirror, def.Mirror, true);
        v("Width", d.Width, def.Width, true);
        v("Value1", d.Value1, def.Value1, false);
        v("Value2", d.Value2, def.Value2, false);
        v("Value3", d.Value3, def.Value3, false);
        v("UseTrueType", d.UseTrueType, def.UseTrueType, false);
        v("FontName", d.FontName, def.FontName, false);
        v("Bold", d.Bold, def.Bold, false);
        v("Italic", d.Italic, def.Italic, false);
        v("Inverted", d.Inverted, def.Inverted, false);
        v("InvertedBorder", d.InvertedBorder, def.InvertedBorder, false);
        v("BarCode", d.BarCode, def.BarCode, false);
        break;
    }
    case abi::kKindPad: {
        auto& d = *o.As<TPadData>();
        const TPadData def;
        v("PadSizes", d.PadSizes, def.PadSizes, true);
        v("HoleSize", d.HoleSize, def.HoleSize, true);
        v("Rotation", d.Rotation, def.Rotation, true);
        v("Byte1", d.Byte1, def.Byte1, false);
        v("Byte2", d.Byte2, def.Byte2, false);
        v("Byte3", d.Byte3, def.Byte3, false);
        v("String1", d.String1, def.String1, false);
        v("Byte4", d.Byte4, def.Byte4, false);
        v("Byte5", d.Byte5, def.Byte5, false);
        v("String2", d.String2, def.String2, false);
        v("String3", d.String3, def.String3, false);
        v("Long1", d.Long1, def.Long1, false);
        v("String4", d.String4, def.String4, false);
        v("Byte6", d.Byte6, def.Byte6, false);
        v("Byte7", d.Byte7, def.Byte7, false);
        v("Longs", d.Longs, def.Longs, false);
        v("Byte8", d.Byte8, def.Byte8, false);
        v("Byte9", d.Byte9, def.Byte9, false);
        v("PadStackMode", d.PadStackMode, def.PadStackMode, false);
        break;
    }
    case abi::kKindVia: {
        auto& d = *o.As<TViaData>();
        const TViaData def;
        v("Size", d.Size, def.Size, true);
        v("HoleSize", d.HoleSize, def.HoleSize, true);
        v("LowLayer", TLayerField{d.LowLayer}, def.LowLayer, true);
        v("HighLayer", TLayerField{d.HighLayer}, def.HighLayer, true);
        v("Value1", d.Value1, def.Value1, false);
        v("Value2", d.Value2, def.Value2, false);
        break;
    }
    case abi::kKindFill: {
        auto& d = *o.As<TFillData>();
        const TFillData def;
        v("X2", d.X2, def.X2, true);
        v("Y2", d.Y2, def.Y2, true);
        v("Rotation", d.Rotation, def.Rotation, true);
        v("Value1", d.Value1, def.Value1, false);
        break;
    }
    case abi::kKindRegion: {
        auto& d = *o.As<TRegionData>();
        const TRegionData def;
        v("RegionKind", d.RegionKind, def.RegionKind, false);
        v("Value1", d.Value1, def.Value1, false);
        break;
    }
    case abi::kKindComponentBody: {
        auto& d = *o.As<TComponentBodyData>();
        const TComponentBodyData def;
        v("Height", d.Height, def.Height, true);
        v("Value1", d.Value1, def.Value1, false);
        break;
    }
    case abi::kKindEmbeddedBoard: {
        auto& d = *o.As<TEmbeddedBoardData>();
        const TEmbeddedBoardData def;
        v("X2", d.X2, def.X2, true);
        v("Y2", d.Y2, def.Y2, true);
        v("Rotation", d.Rotation, def.Rotation, true);
        v("RowCount", d.RowCount, def.RowCount, false);
        v("ColumnCount", d.ColumnCount, def.ColumnCount, false);
        v("RowSpacing", d.RowSpacing, def.RowSpacing, false);
        v("ColumnSpacing", d.ColumnSpacing, def.ColumnSpacing, false);
        v("DocumentPath", d.DocumentPath, def.DocumentPath, false);
        break;
    }
    case abi::kKindNet: {
        auto& d = *o.As<TNetData>();
        v("Name", d.Name, std::string(), true);
        break;
    }
    case abi::kKindComponent: {
        auto& d = *o.As<TComponentData>();
        const TComponentData def;
        v("Name", d.Name, def.Name, true);
        v("Rotation", d.Rotation, def.Rotation, true);
        v("ChannelOffset", d.ChannelOffset, def.ChannelOffset, false);
        v("ComponentKind", d.ComponentKind, def.ComponentKind, false);
        v("FlagA", d.FlagA, def.FlagA, false);
        v("FlagB", d.FlagB, def.FlagB, false);
        v("Value1", d.Value1, def.Value1, false);
        v("Byte1", d.Byte1, def.Byte1, false);
        v("ExValue1", d.ExValue1, def.ExValue1, false);
        v("ExByte1", d.ExByte1, def.ExByte1, false);
        v("ExByte2", d.ExByte2, def.ExByte2, false);
        v("ExValue2", d.ExValue2, def.ExValue2, false);
        v("SourceLinks", d.SourceLinks, def.SourceLinks, false);
        v("Model", d.Model, def.Model, false);
        break;
    }
    default:
        break;
    }
}

void AppendObject(std::string& out, const TObject& object) {
    TObject& o = const_cast<TObject&>(object); // the visitors are shared with reading
    const TObjectStore& store = Store();
    out += '{';
    TWriter w(out);
    w.Key("Kind");
    AppendString(out, KindName(o.Kind));
    VisitBase(w, o);
    VisitKind(w, o);
    if (o.Kind == abi::kKindPad) {
        const TPadLayerData def;
        bool any = false;
        const auto& layers = o.As<TPadData>()->Layers;
        for (int i = 0; i < kClassicLayerCount; ++i) {
            const TPadLayerData& l = layers[i];
            if (l == def) continue;
            if (!any)
                w.Key("PadLayers"), out += '[';
            else
                out += ", ";
            any = true;
            out += '{';
            TWriter lw(out);
            lw.WriteLayer("Layer", static_cast<uint32_t>(i));
            lw("Shape", l.Shape, def.Shape, true);
            lw("SizeX", l.SizeX, def.SizeX, true);
            lw("SizeY", l.SizeY, def.SizeY, true);
            lw("CornerRadius", l.CornerRadius, def.CornerRadius, true);
            lw("CRPercentage", l.CRPercentage, def.CRPercentage, true);
            out += '}';
        }
        if (any) out += ']';
    }
    if (o.Kind == abi::kKindRegion) {
        w.Key("Outline");
        out += '[';
        bool first = true;
        for (const auto& p : o.As<TRegionData>()->Outline) {
            if (!first) out += ", ";
            first = false;
            out += '[';
            AppendInt(out, p[0]);
            out += ", ";
            AppendInt(out, p[1]);
            out += ']';
        }
        out += ']';
    }
    if (o.Kind == abi::kKindComponent) {
        auto* d = o.As<TComponentData>();
        for (auto [name, handle] :
             {std::pair{"NameText", d->NameText}, {"SecondText", d->SecondText}})
            if (const TObject* t = store.Find(handle)) {
                w.Key(name);
                AppendObject(out, *t);
            }
        w.Key("Children");
        out += '[';
        bool first = true;
        for (THandle c = o.Children->First; c != 0;) {
            const TObject* child = store.Find(c);
            if (!child) break;
            c = child->NextAll;
            if (!first) out += ", ";
            first = false;
            AppendObject(out, *child);
        }
        out += ']';
    }
    out += '}';
}

void ApplyObjectFields(TObject& o, const json& j, const std::string& where) {
    TReader r(j, where);
    VisitBase(r, o);
    VisitKind(r, o);
    if (o.Kind == abi::kKindPad) {
        if (auto it = j.find("PadLayers"); it != j.end()) {
            if (!it->is_array()) Fail(where + ".PadLayers", "expected a list");
            auto& layers = o.As<TPadData>()->Layers;
            for (size_t i = 0; i < it->size(); ++i) {
                const json& e = (*it)[i];
                std::string w = where + ".PadLayers[" + std::to_string(i) + "]";
                if (!e.is_object() || !e.contains("Layer"))
                    Fail(w, "expected an object with a Layer");
                uint32_t layer = ReadLayer(e, "Layer", w);
                if (layer >= static_cast<uint32_t>(kClassicLayerCount))
                    Fail(w + ".Layer", "expected a layer numbered 0 to 82");
                TPadLayerData& l = layers[layer];
                TReader lr(e, w);
                lr("Shape", l.Shape, l.Shape, true);
                lr("SizeX", l.SizeX, l.SizeX, true);
                lr("SizeY", l.SizeY, l.SizeY, true);
                lr("CornerRadius", l.CornerRadius, l.CornerRadius, true);
                lr("CRPercentage", l.CRPercentage, l.CRPercentage, true);
            }
        }
    }
    if (o.Kind == abi::kKindRegion) {
        if (auto it = j.find("Outline"); it != j.end()) {
            if (!it->is_array()) Fail(where + ".Outline", "expected a list of points");
            auto& outline = o.As<TRegionData>()->Outline;
            outline.resize(it->size());
            for (size_t i = 0; i < it->size(); ++i)
                ReadValue((*it)[i], outline[i], where + ".Outline[" + std::to_string(i) + "]");
        }
    }
}

// Builds an object (with its children) from its JSON; it is in no container.
TObject* BuildObject(const json& j, const std::string& where, bool inComponent) {
    if (!j.is_object()) Fail(where, "expected an object");
    auto kindIt = j.find("Kind");
    if (kindIt == j.end()) Fail(where, "the member 'Kind' is missing");
    if (!kindIt->is_string()) Fail(where + ".Kind", "expected a kind name");
    uint8_t kind = KindFromName(kindIt->get_ref<const std::string&>());
    if (kind == 0)
        Fail(where + ".Kind", "'" + kindIt->get<std::string>() + "' is not an object kind");
    if (kind == abi::kKindComponent && inComponent)
        Fail(where, "a component cannot hold a component");
    TObjectStore& store = Store();
    TObject* o = store.Create(kind);
    if (!o) Fail(where, "the host has no handles left");
    try {
        ApplyObjectFields(*o, j, where);
        if (kind == abi::kKindComponent) {
            auto* d = o->As<TComponentData>();
            for (auto [name, handle] :
                 {std::pair{"NameText", d->NameText}, {"SecondText", d->SecondText}}) {
                auto it = j.find(name);
                if (it == j.end()) continue;
                std::string w = where + "." + name;
                if (!it->is_object()) Fail(w, "expected an object");
                if (it->value("Kind", std::string()) != "Text")
                    Fail(w + ".Kind", "expected 'Text'");
                if (TObject* t = store.Find(handle)) ApplyObjectFields(*t, *it, w);
            }
            if (auto it = j.find("Children"); it != j.end()) {
                if (!it->is_array()) Fail(where + ".Children", "expected a list of objects");
                for (size_t i = 0; i < it->size(); ++i) {
                    TObject* child =
                        BuildObject((*it)[i], where + ".Children[" + std::to_string(i) + "]", true);
                    store.AddToContainer(*o, *child);
                }
            }
        }
    } catch (...) {
        store.Destroy(*o);
        throw;
    }
    return o;
}

// ---- The board's own properties ---------------------------------------------------------------

constexpr const char* kOptionNames[okOptionKindCount] = {
    "GridsEx",        "OutputOptions",         "GerberOptions",
    "PrinterOptions", "AdvancedPlacerOptions", "EngineeringChangeOrderOptions"};
constexpr const char* kIndexedOptionNames[ioCount] = {"PlotLayers", "FlipLayers", "PlotterPen",
                                                      "CompositeLayer"};

template <class V> void VisitDielectric(V& v, TDielectric& d) {
    const TDielectric def;
    v("Material", d.Material, def.Material, true);
    v("Kind", d.Kind, def.Kind, true);
    v("Constant", d.Constant, def.Constant, true);
    v("Height", d.Height, def.Height, true);
}

template <class V> void VisitBoard(V& v, TBoardData& d) {
    const TBoardData def;
    v("DisplayUnit", d.DisplayUnit, def.DisplayUnit, true);
    v("CurrentLayer", TLayerField{d.CurrentLayer}, def.CurrentLayer, true);
    v("Value0", d.Value0, def.Value0, false);
    v("Byte1", d.Byte1, def.Byte1, false);
    v("Value1", d.Value1, def.Value1, false);
    v("Value2", d.Value2, def.Value2, false);
    v("Value3", d.Value3, def.Value3, false);
    v("Value4", d.Value4, def.Value4, false);
    v("Value5", d.Value5, def.Value5, false);
    v("SplitPlaneMode", d.SplitPlaneMode, def.SplitPlaneMode, true);
}

template <class V> void VisitLayerRecord(V& v, TLayerRecord& r, const TLayerRecord& def) {
    v("Name", r.Name, def.Name, false);
    v("Shown", r.Shown, def.Shown, false);
    v("CopperThickness", r.CopperThickness, def.CopperThickness, false);
    v("Value1", r.Value1, def.Value1, false);
    v("NetName", r.NetName, def.NetName, false);
    v("PullBackDistance", r.PullBackDistance, def.PullBackDistance, false);
    v("Scratch1", r.Scratch1, def.Scratch1, false);
    v("Scratch2", r.Scratch2, def.Scratch2, false);
    v("Info", r.Info, def.Info, false);
    v("Material", r.Dielectric.Material, def.Dielectric.Material, false);
    v("DielectricKind", r.Dielectric.Kind, def.Dielectric.Kind, false);
    v("Constant", r.Dielectric.Constant, def.Dielectric.Constant, false);
    v("Height", r.Dielectric.Height, def.Dielectric.Height, false);
}

bool SameRecord(const TLayerRecord& a, const TLayerRecord& b) {
    return a.Name == b.Name && a.Shown == b.Shown && a.CopperThickness == b.CopperThickness &&
           a.Value1 == b.Value1 && a.NetName == b.NetName &&
           a.PullBackDistance == b.PullBackDistance && a.Scratch1 == b.Scratch1 &&
           a.Scratch2 == b.Scratch2 && a.Info == b.Info &&
           a.Dielectric.Material == b.Dielectric.Material &&
           a.Dielectric.Kind == b.Dielectric.Kind &&
           std::memcmp(&a.Dielectric.Constant, &b.Dielectric.Constant, sizeof(double)) == 0 &&
           a.Dielectric.Height == b.Dielectric.Height;
}

void AppendBoard(std::string& out, TBoardData& d) {
    out += "{\n    ";
    TWriter w(out, ",\n    ");
    VisitBoard(w, d);
    w.Key("Layers");
    out += "[\n";
    auto layers = StandardLayers();
    for (size_t i = 0; i < layers.size(); ++i) {
        out += "      {";
        TWriter lw(out);
        lw.WriteLayer("Layer", layers[i]);
        if (!d.LayerNames[i].empty()) {
            lw.Key("Name");
            AppendString(out, d.LayerNames[i]);
        }
        lw.Key("Shown");
        out += d.LayerShown[i] ? "true" : "false";
        out += i + 1 < layers.size() ? "},\n" : "}\n";
    }
    out += "    ]";
    const TBoardData def;
    w.Key("LayerRecords");
    out += '[';
    bool first = true;
    for (int i = 1; i < kClassicLayerCount; ++i) {
        if (SameRecord(d.LayerRecords[i], def.LayerRecords[i])) continue;
        out += first ? "\n      {" : ",\n      {";
        first = false;
        TWriter rw(out);
        rw.WriteLayer("Layer", static_cast<uint32_t>(i));
        VisitLayerRecord(rw, d.LayerRecords[i], def.LayerRecords[i]);
        out += '}';
    }
    out += first ? "]" : "\n    ]";
    w.Key("Options");
    out += '{';
    TWriter ow(out);
    for (int k = 0; k < okOptionKindCount; ++k) {
        const auto& r = d.Options[k];
        if (std::all_of(r.begin(), r.end(), [](uint8_t b) { return b == 0; })) continue;
        ow.Key(kOptionNames[k]);
        AppendString(out, Hex(r.data(), r.size()));
    }
    for (int k = 0; k < ioCount; ++k) {
        const auto& table = d.IndexedOptions[k];
        if (table.empty()) continue;
        ow.Key(kIndexedOptionNames[k]);
        out += '{';
        std::vector<int32_t> indexes;
        for (const auto& [index, record] : table)
            indexes.push_back(index);
        std::sort(indexes.begin(), indexes.end());
        TWriter iw(out);
        for (int32_t index : indexes) {
            iw.Key(std::to_string(index));
            const auto& r = table.at(index);
            AppendString(out, Hex(r.data(), r.size()));
        }
        out += '}';
    }
    out += '}';
    w.Key("LayerPairs");
    out += '[';
    first = true;
    for (const TLayerPair& p : d.LayerPairs) {
        if (!first) out += ", ";
        first = false;
        out += '{';
        TWriter pw(out);
        pw.WriteLayer("LowLayer", p.LowLayer);
        pw.WriteLayer("HighLayer", p.HighLayer);
        pw("DrillGuide", p.DrillGuide, uint8_t{0}, true);
        pw("DrillDrawing", p.DrillDrawing, uint8_t{0}, true);
        out += '}';
    }
    out += ']';
    for (auto [name, dielectric] : {std::pair{"TopDielectric", &d.TopDielectric},
                                    {"BottomDielectric", &d.BottomDielectric}}) {
        w.Key(name);
        out += '{';
        TWriter dw(out);
        VisitDielectric(dw, *dielectric);
        out += '}';
    }
    out += "\n  }";
}

void ApplyBoard(TBoardData& d, const json& j) {
    const std::string where = "Board";
    if (!j.is_object()) Fail(where, "expected an object");
    TReader r(j, where);
    VisitBoard(r, d);
    if (auto it = j.find("Layers"); it != j.end()) {
        if (!it->is_array()) Fail(where + ".Layers", "expected a list");
        for (size_t i = 0; i < it->size(); ++i) {
            const json& e = (*it)[i];
            std::string w = where + ".Layers[" + std::to_string(i) + "]";
            if (!e.is_object() || !e.contains("Layer")) Fail(w, "expected an object with a Layer");
            int index = StandardLayerIndex(ReadLayer(e, "Layer", w));
            if (index < 0) Fail(w + ".Layer", "not a layer of the board");
            if (auto n = e.find("Name"); n != e.end())
                ReadValue(*n, d.LayerNames[index], w + ".Name");
            if (auto s = e.find("Shown"); s != e.end()) {
                if (!s->is_boolean()) Fail(w + ".Shown", "expected true or false");
                d.LayerShown[index] = s->get<bool>();
            }
        }
    }
    const TBoardData def;
    if (auto it = j.find("LayerRecords"); it != j.end()) {
        if (!it->is_array()) Fail(where + ".LayerRecords", "expected a list");
        for (size_t i = 0; i < it->size(); ++i) {
            const json& e = (*it)[i];
            std::string w = where + ".LayerRecords[" + std::to_string(i) + "]";
            if (!e.is_object() || !e.contains("Layer")) Fail(w, "expected an object with a Layer");
            uint32_t layer = ReadLayer(e, "Layer", w);
            if (layer < 1 || layer > 82) Fail(w + ".Layer", "expected a layer numbered 1 to 82");
            TReader rr(e, w);
            VisitLayerRecord(rr, d.LayerRecords[layer], def.LayerRecords[layer]);
        }
    }
    if (auto it = j.find("Options"); it != j.end()) {
        if (!it->is_object()) Fail(where + ".Options", "expected an object");
        auto record = [&](const json& value, const std::string& w) {
            std::string text;
            ReadValue(value, text, w);
            auto bytes = FromHex(text, w);
            if (bytes.size() != abi::kBoardOptionRecordSize)
                Fail(w, "expected " + std::to_string(abi::kBoardOptionRecordSize) + " bytes");
            TOptionRecord r;
            std::copy(bytes.begin(), bytes.end(), r.begin());
            return r;
        };
        for (int k = 0; k < okOptionKindCount; ++k)
            if (auto o = it->find(kOptionNames[k]); o != it->end())
                d.Options[k] = record(*o, where + ".Options." + kOptionNames[k]);
        for (int k = 0; k < ioCount; ++k) {
            auto o = it->find(kIndexedOptionNames[k]);
            if (o == it->end()) continue;
            std::string w = where + ".Options." + kIndexedOptionNames[k];
            if (!o->is_object()) Fail(w, "expected an object");
            for (const auto& [key, value] : o->items()) {
                int32_t index = -1;
                auto res = std::from_chars(key.data(), key.data() + key.size(), index);
                if (res.ec != std::errc() || res.ptr != key.data() + key.size() || index < 0 ||
                    index >= kIndexedRecordLimit)
                    Fail(w, "'" + key + "' is not an index from 0 to 255");
                d.IndexedOptions[k][index] = record(value, w + "." + key);
            }
        }
    }
    if (auto it = j.find("LayerPairs"); it != j.end()) {
        if (!it->is_array()) Fail(where + ".LayerPairs", "expected a list");
        d.LayerPairs.clear();
        for (size_t i = 0; i < it->size(); ++i) {
            const json& e = (*it)[i];
            std::string w = where + ".LayerPairs[" + std::to_string(i) + "]";
            if (!e.is_object() || !e.contains("LowLayer") || !e.contains("HighLayer"))
                Fail(w, "expected an object with LowLayer and HighLayer");
            TLayerPair p;
            p.LowLayer = ReadLayer(e, "LowLayer", w);
            p.HighLayer = ReadLayer(e, "HighLayer", w);
            TReader pr(e, w);
            pr("DrillGuide", p.DrillGuide, p.DrillGuide, true);
            pr("DrillDrawing", p.DrillDrawing, p.DrillDrawing, true);
            d.LayerPairs.push_back(p);
        }
    }
    for (auto [name, dielectric] : {std::pair{"TopDielectric", &d.TopDielectric},
                                    {"BottomDielectric", &d.BottomDielectric}}) {
        auto it = j.find(name);
        if (it == j.end()) continue;
        if (!it->is_object()) Fail(where + "." + name, "expected an object");
        TReader dr(*it, where + "." + name);
        VisitDielectric(dr, *dielectric);
    }
}

// The JSON library's message without its "[json.exception.parse_error.101] " prefix.
std::string LibraryText(const json::exception& e) {
    std::string what = e.what();
    if (auto p = what.find("] "); p != std::string::npos) what = what.substr(p + 2);
    return what;
}

template <class TInput> TObject* ReadDocument(TInput&& input) {
    TObjectStore& store = Store();
    TObject* board = store.CreateBoard(std::string());
    if (!board) throw EBoardFile("the host has no handles left");
    try {
        std::string topKey;
        bool inObjects = false, sawObjects = false;
        size_t index = 0;
        auto callback = [&](int depth, json::parse_event_t event, json& parsed) -> bool {
            if (depth == 1 && event == json::parse_event_t::key) {
                topKey = parsed.get<std::string>();
            } else if (depth == 1 && event == json::parse_event_t::array_start &&
                       topKey == "Objects") {
                inObjects = sawObjects = true;
            } else if (depth == 1 && event == json::parse_event_t::array_end) {
                inObjects = false;
            } else if (inObjects && depth == 2) {
                std::string where = "Objects[" + std::to_string(index) + "]";
                if (event == json::parse_event_t::value || event == json::parse_event_t::array_end)
                    Fail(where, "expected an object");
                if (event == json::parse_event_t::object_end) {
                    // Each object goes onto the board as soon as it is read: the document
                    // tree never holds more than one of them.
                    TObject* o = BuildObject(parsed, where, false);
                    store.AddToContainer(*board, *o);
                    ++index;
                    return false;
                }
            }
            return true;
        };
        json root;
        try {
            root = json::parse(std::forward<TInput>(input), callback);
        } catch (const json::parse_error& e) {
            throw EBoardFile("the file is not JSON: " + LibraryText(e));
        } catch (const json::out_of_range& e) {
            // A number beyond what a double holds (1e999).
            throw EBoardFile("a number is out of range (" + LibraryText(e) + ")");
        } catch (const json::exception& e) {
            throw EBoardFile("the file cannot be read as a board document (" + LibraryText(e) +
                             ")");
        }
        if (!root.is_object())
            throw EBoardFile("the file is not a board document: expected a JSON object");
        auto format = root.find("Format");
        if (format == root.end() || !format->is_string() || *format != kFormatName)
            throw EBoardFile(std::string("the file is not a board document: 'Format' is not '") +
                             kFormatName + "'");
        auto version = root.find("Version");
        if (version == root.end() || !version->is_number_integer() || *version != kFormatVersion)
            throw EBoardFile("the file is a board document of a version this host does not read "
                             "(expected 'Version': 1)");
        if (!sawObjects) {
            if (root.contains("Objects")) Fail("Objects", "expected a list of objects");
            Fail("", "the member 'Objects' is missing");
        }
        auto boardIt = root.find("Board");
        if (boardIt == root.end()) Fail("", "the member 'Board' is missing");
        ApplyBoard(*board->As<TBoardData>(), *boardIt);
    } catch (...) {
        store.Destroy(*board);
        throw;
    }
    return board;
}

std::string Reason(int error) {
    return std::strerror(error);
}

// Removes "<path>.tmp<pid>" files beside `path` whose process has ended: what a save that was
// killed left behind.
void RemoveStaleTemporaries(const std::string& path) {
    const std::filesystem::path target(path);
    const std::string prefix = target.filename().string() + ".tmp";
    std::error_code ec;
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string digits = name.substr(prefix.size());
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const long pid = std::stol(digits);
        if (pid <= 0 || pid == static_cast<long>(getpid())) continue;
        if (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        std::filesystem::remove(it->path(), ec);
        ec.clear();
    }
}

void SyncFolderOf(const std::string& path) {
    const std::filesystem::path target(path);
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

} // namespace

void WriteBoardDocument(const TObject& board, std::ostream& out) {
    std::string text;
    text.reserve(1 << 16);
    text += "{\n  \"Format\": \"";
    text += kFormatName;
    text += "\",\n  \"Version\": ";
    AppendInt(text, kFormatVersion);
    text += ",\n  \"Board\": ";
    AppendBoard(text, *const_cast<TObject&>(board).As<TBoardData>());
    text += ",\n  \"Objects\": [";
    bool first = true;
    const TObjectStore& store = Store();
    for (THandle c = board.Children->First; c != 0;) {
        const TObject* o = store.Find(c);
        if (!o) break;
        c = o->NextAll;
        text += first ? "\n    " : ",\n    ";
        first = false;
        AppendObject(text, *o);
        if (text.size() > (1 << 20)) {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            text.clear();
        }
    }
    text += first ? "]\n}\n" : "\n  ]\n}\n";
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

TObject* ReadBoardDocument(std::string_view text) {
    if (text.find_first_not_of(" \t\r\n") == std::string_view::npos)
        throw EBoardFile("the file is empty");
    return ReadDocument(text);
}

TObject* ReadBoardDocument(std::istream& in) {
    return ReadDocument(in);
}

TObject* LoadBoardFile(const std::string& path) {
    auto fail = [&](const std::string& problem) -> EBoardFile {
        return EBoardFile("Cannot load board '" + path + "': " + problem + ".");
    };
    // Non-blocking, so that a named pipe without a writer is refused at once.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) throw fail("the file does not exist");
        if (error == EISDIR) throw fail("that is a folder, not a board file");
        throw fail("the file cannot be opened (" + Reason(error) + ")");
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(fdopen(fd, "rb"), &std::fclose);
    if (!file) {
        const int error = errno;
        close(fd);
        throw fail("the file cannot be opened (" + Reason(error) + ")");
    }
    struct stat info {};
    if (fstat(fd, &info) != 0) throw fail("the file cannot be read (" + Reason(errno) + ")");
    if (S_ISDIR(info.st_mode)) throw fail("that is a folder, not a board file");
    if (!S_ISREG(info.st_mode))
        throw fail(std::string("it is ") +
                   (S_ISFIFO(info.st_mode)                           ? "a named pipe"
                    : S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) ? "a device"
                    : S_ISSOCK(info.st_mode)                         ? "a socket"
                                                                     : "not a regular file") +
                   ", not a board file");
    // Skip white space to tell an empty file from bad JSON.
    int c = std::getc(file.get());
    while (c == ' ' || c == '\t' || c == '\r' || c == '\n')
        c = std::getc(file.get());
    if (c == EOF) {
        if (std::ferror(file.get())) throw fail("the file cannot be read");
        throw fail("the file is empty");
    }
    std::ungetc(c, file.get());
    try {
        TObject* board = ReadDocument(file.get());
        if (std::ferror(file.get())) {
            Store().Destroy(*board);
            throw fail("the file cannot be read");
        }
        board->As<TBoardData>()->FileName = path;
        return board;
    } catch (const EBoardFile& e) {
        if (std::string_view(e.what()).starts_with("Cannot load board")) throw;
        throw fail(e.what());
    } catch (const std::bad_alloc&) {
        throw fail("not enough memory");
    }
}

void WriteFileAtomically(const std::string& path, const char* verb,
                         void (*write)(const void* context, std::ostream& out),
                         const void* context) {
    auto fail = [&](const std::string& problem) -> EBoardFile {
        return EBoardFile(std::string("Cannot ") + verb + " '" + path + "': " + problem + ".");
    };
    if (path.empty()) throw fail("no file name was given");
    RemoveStaleTemporaries(path);
    std::string temp = path + ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            throw fail("the temporary file '" + temp + "' cannot be created (" + Reason(errno) +
                       ")");
        write(context, out);
        out.flush();
        if (!out) {
            int error = errno;
            out.close();
            std::remove(temp.c_str());
            throw fail("writing failed (" + Reason(error) + ")");
        }
    }
    // On disk before the rename: a power loss then leaves the old file or the new one.
    const int fd = open(temp.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || fsync(fd) != 0) {
        int error = errno;
        if (fd >= 0) close(fd);
        std::remove(temp.c_str());
        throw fail("writing failed (" + Reason(error) + ")");
    }
    close(fd);
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        int error = errno;
        std::remove(temp.c_str());
        throw fail("the file cannot be replaced (" + Reason(error) + ")");
    }
    SyncFolderOf(path);
}

void SaveBoardFile(const TObject& board, const std::string& path) {
    WriteFileAtomically(
        path, "save board",
        [](const void* context, std::ostream& out) {
            WriteBoardDocument(*static_cast<const TObject*>(context), out);
        },
        &board);
}

} // namespace dxfi::korrin
