// SPDX-License-Identifier: MIT
// Reading board documents: the JSON library parses with a callback that builds each object of
// the board as soon as its text ends, so the document tree never holds more than one object.
#include "host/korrin/BoardDocument.h"
#include "host/korrin/BoardFields.h"
#include "host/korrin/BoardQuickReader.h"
#include "host/korrin/FileSystem.h"
#include "host/korrin/HostLayers.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <memory>
#include <type_traits>

namespace dxfi::korrin {
namespace {

using namespace boardfile;
using nlohmann::json;

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
TObject* BuildFromJson(const json& j, const std::string& where, bool inComponent) {
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
                    TObject* child = BuildFromJson(
                        (*it)[i], where + ".Children[" + std::to_string(i) + "]", true);
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

// Each entry of the list `key` of a board (when present): an object naming its Layer, given to
// body(entry, where it is) in order.
template <class TBody>
void EachLayerEntry(const json& j, const std::string& where, const char* key, TBody&& body) {
    auto it = j.find(key);
    if (it == j.end()) return;
    const std::string list = where + "." + key;
    if (!it->is_array()) Fail(list, "expected a list");
    for (size_t i = 0; i < it->size(); ++i) {
        const json& e = (*it)[i];
        std::string w = list + "[" + std::to_string(i) + "]";
        if (!e.is_object() || !e.contains("Layer")) Fail(w, "expected an object with a Layer");
        body(e, w);
    }
}

void ApplyBoardFromJson(TBoardData& d, const json& j) {
    const std::string where = "Board";
    if (!j.is_object()) Fail(where, "expected an object");
    TReader r(j, where);
    VisitBoard(r, d);
    EachLayerEntry(j, where, "Layers", [&](const json& e, const std::string& w) {
        int index = StandardLayerIndex(ReadLayer(e, "Layer", w));
        if (index < 0) Fail(w + ".Layer", "not a layer of the board");
        if (auto n = e.find("Name"); n != e.end()) ReadValue(*n, d.LayerNames[index], w + ".Name");
        if (auto s = e.find("Shown"); s != e.end()) {
            if (!s->is_boolean()) Fail(w + ".Shown", "expected true or false");
            d.LayerShown[index] = s->get<bool>();
        }
    });
    const TBoardData def;
    EachLayerEntry(j, where, "LayerRecords", [&](const json& e, const std::string& w) {
        uint32_t layer = ReadLayer(e, "Layer", w);
        if (layer < 1 || layer > 82) Fail(w + ".Layer", "expected a layer numbered 1 to 82");
        TReader rr(e, w);
        VisitLayerRecord(rr, d.LayerRecords[layer], def.LayerRecords[layer]);
    });
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
                    TObject* o = BuildFromJson(parsed, where, false);
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
        ApplyBoardFromJson(*board->As<TBoardData>(), *boardIt);
    } catch (...) {
        store.Destroy(*board);
        throw;
    }
    return board;
}

// The quick path first; the general reader when it gives up.
TObject* ReadText(std::string_view text) {
    if (TObject* board = ReadBoardQuickly(text)) return board;
    return ReadDocument(text);
}

} // namespace

namespace boardfile {

TObject* BuildObject(const json& j, const std::string& where, bool inComponent) {
    return BuildFromJson(j, where, inComponent);
}

void ApplyBoard(TBoardData& d, const json& j) {
    ApplyBoardFromJson(d, j);
}

} // namespace boardfile

TObject* ReadBoardDocument(std::string_view text) {
    if (text.find_first_not_of(" \t\r\n") == std::string_view::npos)
        throw EBoardFile("the file is empty");
    return ReadText(text);
}

TObject* ReadBoardDocument(std::istream& in) {
    return ReadDocument(in);
}

TObject* LoadBoardFile(const std::string& path) {
    auto fail = [&](const std::string& problem) -> EBoardFile {
        return EBoardFile("Cannot load board '" + path + "': " + problem + ".");
    };
    try {
        std::size_t size = 0;
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenRegularFile(path, size),
                                                             &std::fclose);
        // The whole text at once: reading it in large blocks and parsing from memory is much
        // quicker than a character at a time.
        std::string text;
        text.reserve(size + 1);
        char block[1 << 16];
        for (;;) {
            const size_t n = std::fread(block, 1, sizeof block, file.get());
            text.append(block, n);
            if (n < sizeof block) break;
        }
        if (std::ferror(file.get())) throw fail("the file cannot be read");
        if (text.find_first_not_of(" \t\r\n") == std::string::npos) throw fail("the file is empty");
        TObject* board = ReadText(text);
        board->As<TBoardData>()->FileName = path;
        return board;
    } catch (const EBoardFile& e) {
        if (std::string_view(e.what()).starts_with("Cannot load board")) throw;
        throw fail(e.what());
    } catch (const std::bad_alloc&) {
        throw fail("not enough memory");
    }
}

} // namespace dxfi::korrin
