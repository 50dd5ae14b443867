// SPDX-License-Identifier: MIT
// The quick path of board reading. A board file of a million objects is nearly all tracks,
// arcs and texts with numbers and plain texts for values; building a JSON tree for each of
// them cost most of a load. Here each object's members are scanned into a small table that is
// reused, and the shared field visitors take their values from it. Whatever this scanner
// does not expect makes it give up, so that it never accepts a document the general reader
// would refuse nor reads one differently.
#include "host/korrin/BoardQuickReader.h"

#include "host/korrin/BoardDocument.h"
#include "host/korrin/BoardFields.h"
#include "host/korrin/HostLayers.h"

#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <type_traits>

namespace dxfi::korrin::boardfile {
namespace {

struct TGiveUp {};

[[noreturn]] void GiveUp() {
    throw TGiveUp{};
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Length of a valid UTF-8 sequence at `p` (at most `left` bytes), 0 when there is none:
// no overlong forms, no surrogates, nothing beyond U+10FFFF.
size_t Utf8Length(const unsigned char* p, size_t left) {
    unsigned char c = p[0];
    size_t n = (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || n > left) return 0;
    uint32_t cp = n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
    for (size_t k = 1; k < n; ++k) {
        if ((p[k] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[k] & 0x3F);
    }
    if ((n == 2 && cp < 0x80) || (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) ||
        cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

enum class TSlotKind { Number, String, Nested };

// One member of the object being read.
struct TSlot {
    std::string_view Key;
    TSlotKind Kind = TSlotKind::Number;
    std::string_view Token; // a number's text
    std::string Text;       // a string's decoded text
    bool Taken = false;
};

class TQuickReader {
public:
    explicit TQuickReader(std::string_view text) : P(text.data()), End(text.data() + text.size()) {}

    TObject* Read() {
        TObjectStore& store = Store();
        TObject* board = store.CreateBoard(std::string());
        if (!board) return nullptr;
        try {
            ReadRoot(*board);
        } catch (const TGiveUp&) {
            store.Destroy(*board);
            return nullptr;
        } catch (const EBoardFile&) {
            // The general reader says it again, with the same words.
            store.Destroy(*board);
            return nullptr;
        } catch (const nlohmann::json::exception&) {
            store.Destroy(*board);
            return nullptr;
        } catch (...) {
            store.Destroy(*board);
            throw;
        }
        return board;
    }

    // The shared field visitors call this for each field of the object.
    template <class T> void operator()(const char* name, T& v, const T&, bool) {
        if (TSlot* s = Take(name)) ReadValue(*s, v);
    }
    void operator()(const char* name, const TLayerField& v, uint32_t, bool) {
        TSlot* named = Take(name);
        TSlot* numbered = TakeNumbered(name);
        if (numbered) {
            ReadValue(*numbered, v.Value);
        } else if (named) {
            if (named->Kind != TSlotKind::String) GiveUp();
            v.Value = LayerOf(named->Text);
        }
    }

private:
    void Blanks() {
        while (P < End && IsBlank(*P))
            ++P;
    }
    char Peek() {
        Blanks();
        if (P == End) GiveUp();
        return *P;
    }
    void Expect(char c) {
        if (Peek() != c) GiveUp();
        ++P;
    }

    // A member name: plain characters only.
    std::string_view Key() {
        Expect('"');
        const char* start = P;
        while (P < End && *P != '"') {
            unsigned char c = static_cast<unsigned char>(*P);
            if (c < 0x20 || c >= 0x80 || c == '\\') GiveUp();
            ++P;
        }
        if (P == End) GiveUp();
        std::string_view key(start, static_cast<size_t>(P - start));
        ++P;
        Expect(':');
        return key;
    }

    // A string value, decoded; the escapes this host writes, and UTF-8 checked as JSON wants.
    void String(std::string& out) {
        Expect('"');
        out.clear();
        for (;;) {
            const char* run = P;
            while (P < End) {
                unsigned char c = static_cast<unsigned char>(*P);
                if (c == '"' || c == '\\' || c < 0x20 || c >= 0x80) break;
                ++P;
            }
            out.append(run, static_cast<size_t>(P - run));
            if (P == End) GiveUp();
            unsigned char c = static_cast<unsigned char>(*P);
            if (c == '"') {
                ++P;
                return;
            }
            if (c < 0x20) GiveUp();
            if (c >= 0x80) {
                size_t n = Utf8Length(reinterpret_cast<const unsigned char*>(P),
                                      static_cast<size_t>(End - P));
                if (n == 0) GiveUp();
                out.append(P, n);
                P += n;
                continue;
            }
            // A backslash.
            if (End - P < 2) GiveUp();
            char e = P[1];
            P += 2;
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                if (End - P < 4) GiveUp();
                unsigned value = 0;
                for (int k = 0; k < 4; ++k) {
                    char h = P[k];
                    unsigned d = IsDigit(h)               ? unsigned(h - '0')
                                 : (h >= 'a' && h <= 'f') ? unsigned(h - 'a' + 10)
                                 : (h >= 'A' && h <= 'F') ? unsigned(h - 'A' + 10)
                                                          : 16u;
                    if (d == 16) GiveUp();
                    value = value * 16 + d;
                }
                if (value >= 0x80) GiveUp(); // the general reader handles the rest
                out += static_cast<char>(value);
                P += 4;
                break;
            }
            default:
                GiveUp();
            }
        }
    }

    // A number's text, checked against JSON's grammar.
    std::string_view Number() {
        Blanks();
        const char* start = P;
        if (P < End && *P == '-') ++P;
        if (P == End || !IsDigit(*P)) GiveUp();
        if (*P == '0')
            ++P;
        else
            while (P < End && IsDigit(*P))
                ++P;
        if (P < End && *P == '.') {
            ++P;
            if (P == End || !IsDigit(*P)) GiveUp();
            while (P < End && IsDigit(*P))
                ++P;
        }
        if (P < End && (*P == 'e' || *P == 'E')) {
            ++P;
            if (P < End && (*P == '+' || *P == '-')) ++P;
            if (P == End || !IsDigit(*P)) GiveUp();
            while (P < End && IsDigit(*P))
                ++P;
        }
        return {start, static_cast<size_t>(P - start)};
    }

    // Passes over a nested list or object, strings included; its text is checked by the JSON
    // library when it is read.
    void SkipNested() {
        int depth = 0;
        while (P < End) {
            char c = *P++;
            if (c == '"') {
                while (P < End && *P != '"')
                    P += *P == '\\' ? 2 : 1;
                if (P >= End) GiveUp();
                ++P;
            } else if (c == '[' || c == '{') {
                ++depth;
            } else if (c == ']' || c == '}') {
                if (--depth == 0) return;
            }
        }
        GiveUp();
    }

    // Scans one object's members into Slots; true when one of them is a list or an object.
    bool ScanObject() {
        Expect('{');
        Count = 0;
        Cursor = 0;
        bool nested = false;
        if (Peek() == '}') {
            ++P;
            return false;
        }
        for (;;) {
            if (Count == Slots.size()) GiveUp();
            TSlot& s = Slots[Count];
            s.Key = Key();
            s.Taken = false;
            for (size_t i = 0; i < Count; ++i)
                if (Slots[i].Key == s.Key) GiveUp(); // repeated members: the general reader
            char c = Peek();
            if (c == '"') {
                s.Kind = TSlotKind::String;
                String(s.Text);
            } else if (c == '-' || IsDigit(c)) {
                s.Kind = TSlotKind::Number;
                s.Token = Number();
            } else if (c == '[' || c == '{') {
                s.Kind = TSlotKind::Nested;
                SkipNested();
                nested = true;
            } else {
                GiveUp();
            }
            ++Count;
            c = Peek();
            ++P;
            if (c == '}') return nested;
            if (c != ',') GiveUp();
        }
    }

    TSlot* Take(std::string_view name) {
        // Members usually come in the visitors' order.
        for (size_t k = 0; k < Count; ++k) {
            size_t i = Cursor + k < Count ? Cursor + k : Cursor + k - Count;
            TSlot& s = Slots[i];
            if (s.Key == name) {
                if (s.Taken) return nullptr;
                s.Taken = true;
                Cursor = i + 1 < Count ? i + 1 : 0;
                return &s;
            }
        }
        return nullptr;
    }
    // "<name>Value": a layer kept by its number.
    TSlot* TakeNumbered(std::string_view name) {
        for (size_t i = 0; i < Count; ++i) {
            TSlot& s = Slots[i];
            if (!s.Taken && s.Key.size() == name.size() + 5 && s.Key.starts_with(name) &&
                s.Key.ends_with("Value")) {
                s.Taken = true;
                return &s;
            }
        }
        return nullptr;
    }

    uint32_t LayerOf(const std::string& name) {
        if (name == LastLayerName) return LastLayer;
        uint32_t layer = 0;
        if (!LayerFromDisplayName(name, layer)) GiveUp();
        LastLayerName = name;
        LastLayer = layer;
        return layer;
    }

    template <class T> static void ReadValue(const TSlot& s, T& v) {
        if constexpr (std::is_integral_v<T>) {
            if (s.Kind != TSlotKind::Number) GiveUp();
            int64_t value = 0;
            const char* end = s.Token.data() + s.Token.size();
            auto r = std::from_chars(s.Token.data(), end, value);
            if (r.ec != std::errc() || r.ptr != end) GiveUp(); // fractions, exponents, overflow
            if (value < static_cast<int64_t>(std::numeric_limits<T>::min()) ||
                value > static_cast<int64_t>(std::numeric_limits<T>::max()))
                GiveUp();
            v = static_cast<T>(value);
        } else if constexpr (std::is_same_v<T, double>) {
            if (s.Kind == TSlotKind::String) {
                if (s.Text == "NaN")
                    v = std::numeric_limits<double>::quiet_NaN();
                else if (s.Text == "Infinity")
                    v = std::numeric_limits<double>::infinity();
                else if (s.Text == "-Infinity")
                    v = -std::numeric_limits<double>::infinity();
                else
                    GiveUp();
                return;
            }
            if (s.Kind != TSlotKind::Number) GiveUp();
            const char* end = s.Token.data() + s.Token.size();
            if (s.Token.find_first_of(".eE") == std::string_view::npos) {
                // Whole numbers are integers to JSON: converted from one, as the general
                // reader does ("-0" gives 0).
                int64_t whole = 0;
                auto r = std::from_chars(s.Token.data(), end, whole);
                if (r.ec != std::errc() || r.ptr != end) GiveUp();
                v = static_cast<double>(whole);
                return;
            }
            auto r = std::from_chars(s.Token.data(), end, v);
            if (r.ec != std::errc() || r.ptr != end) GiveUp();
        } else if constexpr (std::is_same_v<T, std::string>) {
            if (s.Kind != TSlotKind::String) GiveUp();
            v = s.Text;
        } else {
            GiveUp(); // lists: objects that hold them are read by the general reader
        }
    }

    TObject* ReadObject(size_t index) {
        const char* start = P;
        if (ScanObject()) {
            // Pads, regions, components with their texts and children: the general
            // reader's builder, on this object's own text.
            auto j = nlohmann::json::parse(start, P);
            return BuildObject(j, "Objects[" + std::to_string(index) + "]", false);
        }
        TSlot* kindSlot = Take("Kind");
        if (!kindSlot || kindSlot->Kind != TSlotKind::String) GiveUp();
        uint8_t kind = KindFromName(kindSlot->Text);
        if (kind == 0) GiveUp();
        TObjectStore& store = Store();
        TObject* o = store.Create(kind);
        if (!o) GiveUp();
        try {
            VisitBase(*this, *o);
            VisitKind(*this, *o);
            for (size_t i = 0; i < Count; ++i)
                if (!Slots[i].Taken) GiveUp(); // a member this kind does not have
        } catch (...) {
            store.Destroy(*o);
            throw;
        }
        return o;
    }

    void ReadObjects(TObject& board) {
        Expect('[');
        if (Peek() == ']') {
            ++P;
            return;
        }
        TObjectStore& store = Store();
        for (size_t index = 0;; ++index) {
            if (Peek() != '{') GiveUp();
            TObject* o = ReadObject(index);
            store.AddToContainer(board, *o);
            char c = Peek();
            ++P;
            if (c == ']') return;
            if (c != ',') GiveUp();
        }
    }

    void ReadRoot(TObject& board) {
        Expect('{');
        bool sawFormat = false, sawVersion = false, sawObjects = false;
        const char* boardStart = nullptr;
        const char* boardEnd = nullptr;
        std::string format;
        for (;;) {
            std::string_view key = Key();
            if (key == "Format" && !sawFormat) {
                String(format);
                sawFormat = true;
            } else if (key == "Version" && !sawVersion) {
                if (Number() != "1") GiveUp();
                sawVersion = true;
            } else if (key == "Board" && !boardStart) {
                if (Peek() != '{') GiveUp();
                boardStart = P;
                SkipNested();
                boardEnd = P;
            } else if (key == "Objects" && !sawObjects) {
                ReadObjects(board);
                sawObjects = true;
            } else {
                GiveUp();
            }
            char c = Peek();
            ++P;
            if (c == '}') break;
            if (c != ',') GiveUp();
        }
        Blanks();
        if (P != End || format != kFormatName || !sawVersion || !sawObjects || !boardStart)
            GiveUp();
        ApplyBoard(*board.As<TBoardData>(), nlohmann::json::parse(boardStart, boardEnd));
    }

    const char* P;
    const char* End;
    std::array<TSlot, 48> Slots;
    size_t Count = 0, Cursor = 0;
    std::string LastLayerName;
    uint32_t LastLayer = 0;
};

} // namespace

TObject* ReadBoardQuickly(std::string_view text) {
    return TQuickReader(text).Read();
}

} // namespace dxfi::korrin::boardfile
