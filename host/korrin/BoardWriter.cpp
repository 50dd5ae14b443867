// SPDX-License-Identifier: MIT
// Writing board documents: the text is formatted into one buffer that goes to the stream in
// large pieces.
#include "host/korrin/BoardDocument.h"
#include "host/korrin/BoardFields.h"
#include "host/korrin/HostLayers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>

namespace dxfi::korrin {
namespace {

using namespace boardfile;

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

// The document's text: formatted straight into a large buffer that goes to the stream in big
// blocks, with room for a number or a short piece checked once per piece.
class TText {
public:
    explicit TText(std::ostream& out) : Out(out), Buffer(new char[kSize]) {}
    TText(const TText&) = delete;
    TText& operator=(const TText&) = delete;

    TText& operator+=(char c) {
        Room(1);
        *At++ = c;
        return *this;
    }
    TText& operator+=(std::string_view s) {
        append(s.data(), s.size());
        return *this;
    }
    void append(const char* data, size_t size) {
        if (size > kSize) {
            Drain();
            Out.write(data, static_cast<std::streamsize>(size));
            return;
        }
        Room(size);
        std::memcpy(At, data, size);
        At += size;
    }
    template <class T> void Number(T v) {
        Room(kNumberRoom);
        At = std::to_chars(At, At + kNumberRoom, v).ptr;
    }
    // Writes what is left to the stream.
    void Drain() {
        Out.write(Buffer.get(), At - Buffer.get());
        At = Buffer.get();
    }

private:
    static constexpr size_t kSize = size_t{1} << 20;
    static constexpr size_t kNumberRoom = 32; // the longest double or 64-bit integer fits
    void Room(size_t n) {
        if (static_cast<size_t>(Buffer.get() + kSize - At) < n) Drain();
    }
    std::ostream& Out;
    std::unique_ptr<char[]> Buffer;
    char* At = Buffer.get();
};

template <class TOut> void AppendString(TOut& out, std::string_view s) {
    if (!ValidUtf8(s)) {
        // 8-bit texts that are not UTF-8 keep their bytes.
        out += "{\"Bytes\": \"";
        out += Hex(reinterpret_cast<const uint8_t*>(s.data()), s.size());
        out += "\"}";
        return;
    }
    out += '"';
    const char* p = s.data();
    const char* end = p + s.size();
    while (p < end) {
        // Runs of characters that need no escape are copied at once.
        const char* run = p;
        while (p < end && static_cast<unsigned char>(*p) >= 0x20 && *p != '"' && *p != '\\')
            ++p;
        out.append(run, static_cast<size_t>(p - run));
        if (p == end) break;
        const char ch = *p++;
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
        default: {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned char>(ch));
            out += buf;
        }
        }
    }
    out += '"';
}

void AppendDouble(TText& out, double v) {
    if (std::isnan(v)) {
        out += "\"NaN\"";
        return;
    }
    if (std::isinf(v)) {
        out += v > 0 ? "\"Infinity\"" : "\"-Infinity\"";
        return;
    }
    out.Number(v); // the shortest text that reads back exactly
}

template <class T> void AppendInt(TText& out, T v) {
    out.Number(v);
}

// Writes fields "Name": value, skipping those equal to the new object's default unless
// `always` (the geometry a reader of the file wants to see).
// A layer's display name as written (quoted) and whether reading it gives the layer back.
// Boards use few layers, so the texts are kept in a small table by value.
struct TLayerText {
    uint32_t Layer = 0;
    bool Known = false, Exact = false;
    std::string Quoted;
};

const TLayerText& LayerText(uint32_t layer) {
    thread_local std::array<TLayerText, 64> cache;
    TLayerText& t = cache[(layer * 2654435761u) >> 26];
    if (t.Known && t.Layer == layer) return t;
    std::string display = LayerDisplayName(layer);
    t.Quoted.clear();
    AppendString(t.Quoted, display);
    uint32_t back = 0;
    t.Exact = LayerFromDisplayName(display, back) && back == layer;
    t.Layer = layer;
    t.Known = true;
    return t;
}

class TWriter {
public:
    explicit TWriter(TText& out, std::string_view separator = ", ")
        : Out(out), Separator(separator) {}
    void Key(std::string_view name) {
        if (!First) Out += Separator;
        First = false;
        Out += '"';
        Out += name;
        Out.append("\": ", 3);
    }
    // The visitors name fields by literals: their lengths are known here.
    template <size_t N, class T>
    void operator()(const char (&name)[N], const T& v, const T& def, bool always) {
        if (!always && v == def) return;
        Key(std::string_view(name, N - 1));
        Value(v);
    }
    template <size_t N>
    void operator()(const char (&name)[N], const TLayerField& v, uint32_t def, bool always) {
        if (!always && v.Value == def) return;
        WriteLayer(std::string_view(name, N - 1), v.Value);
    }
    void WriteLayer(std::string_view name, uint32_t layer) {
        Key(name);
        const TLayerText& text = LayerText(layer);
        Out += text.Quoted;
        if (!text.Exact) {
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
    TText& Out;
    std::string_view Separator;
    bool First = true;
};

void AppendObject(TText& out, const TObject& object) {
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
        store.EachChild(o, [&](const TObject& child) {
            if (!first) out += ", ";
            first = false;
            AppendObject(out, child);
        });
        out += ']';
    }
    out += '}';
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

void AppendBoard(TText& out, TBoardData& d) {
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

} // namespace

void WriteBoardDocument(const TObject& board, std::ostream& out) {
    TText text(out);
    text += "{\n  \"Format\": \"";
    text += kFormatName;
    text += "\",\n  \"Version\": ";
    AppendInt(text, kFormatVersion);
    text += ",\n  \"Board\": ";
    AppendBoard(text, *const_cast<TObject&>(board).As<TBoardData>());
    text += ",\n  \"Objects\": [";
    bool first = true;
    const TObjectStore& store = Store();
    store.EachChild(board, [&](const TObject& o) {
        text += first ? std::string_view("\n    ") : std::string_view(",\n    ");
        first = false;
        AppendObject(text, o);
    });
    text += first ? std::string_view("]\n}\n") : std::string_view("\n  ]\n}\n");
    text.Drain();
}

void SaveBoardFile(const TObject& board, const std::string& path) {
    WriteBoardFileAtomically<WriteBoardDocument>(board, path, "save board");
}

} // namespace dxfi::korrin
