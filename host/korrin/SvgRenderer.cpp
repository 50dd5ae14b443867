// SPDX-License-Identifier: MIT
#include "host/korrin/SvgRenderer.h"

#include "host/korrin/BoardDocument.h"
#include "host/korrin/HostLayers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <ostream>
#include <vector>

namespace dxfi::korrin {
namespace {

constexpr const char* kBackground = "#1c1c1c";
constexpr double kUnitsPerMil = 10000.0;

// Board units as mils, shortest exact text.
std::string Mils(double boardUnits) {
    double v = boardUnits / kUnitsPerMil;
    if (!std::isfinite(v)) v = 0;
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string Num(double v) {
    if (!std::isfinite(v)) v = 0;
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

void AppendCodePoint(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

class TSvgWriter {
public:
    TSvgWriter(const TObject& board, std::ostream& out) : Board(board), Out(out) {}

    void Write() {
        Collect();
        TBounds extent = Store().Bounds(Board);
        for (const auto& [layer, objects] : ByLayer)
            for (const TObject* o : objects)
                if (o->Kind == abi::kKindText) extent.Add(Store().Bounds(*o));
        if (extent.Empty) {
            extent.Add(0, 0);
            extent.Add(10000000, 10000000); // an empty board shows one square inch
        }
        double l = extent.Left / kUnitsPerMil, b = extent.Bottom / kUnitsPerMil;
        double r = extent.Right / kUnitsPerMil, t = extent.Top / kUnitsPerMil;
        double size = std::max({r - l, t - b, 1.0});
        double margin = size * 0.05;
        double font = size / 40;
        double legendWidth = font * 16;
        double height = std::max(t - b + 2 * margin, (ByLayer.size() + 2) * font * 1.6);
        double width = r - l + 2 * margin + legendWidth;
        double x0 = l - margin, y0 = -(t + margin);
        Out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            << "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" viewBox=\"" << Num(x0)
            << ' ' << Num(y0) << ' ' << Num(width) << ' ' << Num(height) << "\" width=\""
            << Num(std::min(width / size * 1000, 4000.0)) << "\" height=\""
            << Num(std::min(height / size * 1000, 4000.0)) << "\">\n"
            << "<title>" << XmlEscape(Board.As<TBoardData>()->FileName) << "</title>\n"
            << "<rect x=\"" << Num(x0) << "\" y=\"" << Num(y0) << "\" width=\"" << Num(width)
            << "\" height=\"" << Num(height) << "\" fill=\"" << kBackground << "\"/>\n"
            << "<g id=\"board\" transform=\"scale(1,-1)\">\n";
        for (const auto& [order, layer] : LayerOrder) {
            const auto& objects = ByLayer[layer];
            std::string colour = LayerColour(layer);
            Out << "<g class=\"layer\" data-layer=\"" << XmlEscape(LayerName(layer))
                << "\" stroke=\"" << colour << "\" fill=\"" << colour << "\">\n";
            for (const TObject* o : objects)
                Draw(*o, colour);
            Out << "</g>\n";
        }
        Out << "</g>\n";
        // The legend sits right of the board, in screen orientation.
        double lx = r + margin, ly = -t;
        Out << "<g id=\"legend\" font-family=\"sans-serif\" font-size=\"" << Num(font) << "\">\n";
        int row = 0;
        for (const auto& [order, layer] : LayerOrder) {
            double y = ly + row * font * 1.6;
            Out << "<rect x=\"" << Num(lx) << "\" y=\"" << Num(y) << "\" width=\"" << Num(font)
                << "\" height=\"" << Num(font) << "\" fill=\"" << LayerColour(layer) << "\"/>"
                << "<text x=\"" << Num(lx + font * 1.5) << "\" y=\"" << Num(y + font * 0.9)
                << "\" fill=\"#e0e0e0\">" << XmlEscape(LayerName(layer)) << " ("
                << ByLayer[layer].size() << ")</text>\n";
            ++row;
        }
        Out << "</g>\n</svg>\n";
    }

private:
    std::string LayerName(uint32_t layer) {
        std::string name = BoardLayerName(Board, layer);
        return name.empty() ? LayerDisplayName(layer) : name;
    }

    void Add(const TObject& o) {
        auto& list = ByLayer[o.LayerValue];
        if (list.empty()) {
            int index = StandardLayerIndex(o.LayerValue);
            LayerOrder.emplace(
                std::pair<int64_t, uint32_t>{index >= 0 ? index : int64_t{1000} + o.LayerValue,
                                             o.LayerValue},
                o.LayerValue);
        }
        list.push_back(&o);
    }

    void Collect() {
        const TObjectStore& store = Store();
        store.EachChild(Board, [&](const TObject& o) {
            if (o.Kind != abi::kKindComponent) {
                Add(o);
                return;
            }
            auto* cd = o.As<TComponentData>();
            for (THandle t : {cd->NameText, cd->SecondText})
                if (const TObject* text = store.Find(t); text && !DisplayString(*text).empty())
                    Add(*text);
            store.EachChild(o, [&](const TObject& child) { Add(child); });
        });
    }

    void Hole(const TObject& o, int32_t hole) {
        if (hole <= 0) return;
        Out << "<circle cx=\"" << Mils(o.X) << "\" cy=\"" << Mils(o.Y) << "\" r=\""
            << Mils(hole / 2.0) << "\" fill=\"" << kBackground << "\" stroke=\"none\"/>";
    }

    void Draw(const TObject& o, const std::string& colour) {
        switch (o.Kind) {
        case abi::kKindTrack: {
            auto* d = o.As<TTrackData>();
            Out << "<line x1=\"" << Mils(o.X) << "\" y1=\"" << Mils(o.Y) << "\" x2=\""
                << Mils(d->X2) << "\" y2=\"" << Mils(d->Y2) << "\" stroke-width=\""
                << Mils(std::max(d->Width, 0)) << "\" stroke-linecap=\"round\"/>\n";
            break;
        }
        case abi::kKindArc: {
            auto* d = o.As<TArcData>();
            double radius = std::fabs(static_cast<double>(d->Radius));
            double s = std::fmod(d->StartAngle, 360.0), e = std::fmod(d->EndAngle, 360.0);
            if (!std::isfinite(s) || !std::isfinite(e)) break;
            if (s < 0) s += 360;
            if (e < 0) e += 360;
            double sweep = e - s;
            if (sweep <= 0) sweep += 360;
            if (sweep >= 360) {
                Out << "<circle cx=\"" << Mils(o.X) << "\" cy=\"" << Mils(o.Y) << "\" r=\""
                    << Mils(radius) << "\" fill=\"none\" stroke-width=\""
                    << Mils(std::max(d->Width, 0)) << "\"/>\n";
                break;
            }
            constexpr double kPi = 3.14159265358979323846;
            double sx = o.X + radius * std::cos(s * kPi / 180),
                   sy = o.Y + radius * std::sin(s * kPi / 180);
            double ex = o.X + radius * std::cos(e * kPi / 180),
                   ey = o.Y + radius * std::sin(e * kPi / 180);
            // Counter-clockwise in board coordinates is the positive-angle direction of
            // the flipped group: sweep flag 1.
            Out << "<path d=\"M " << Mils(sx) << ' ' << Mils(sy) << " A " << Mils(radius) << ' '
                << Mils(radius) << " 0 " << (sweep > 180 ? 1 : 0) << " 1 " << Mils(ex) << ' '
                << Mils(ey) << "\" fill=\"none\" stroke-width=\"" << Mils(std::max(d->Width, 0))
                << "\" stroke-linecap=\"round\"/>\n";
            break;
        }
        case abi::kKindPad: {
            auto* d = o.As<TPadData>();
            double w = std::max(d->PadSizes[0], 0), h = std::max(d->PadSizes[1], 0);
            uint8_t shape = d->Layers[1].Shape;
            Out << "<g transform=\"rotate(" << Num(std::isfinite(d->Rotation) ? d->Rotation : 0)
                << ' ' << Mils(o.X) << ' ' << Mils(o.Y) << ")\" stroke=\"none\">";
            if (shape == 2 || shape == 9 || shape == 3) {
                double rx = shape == 9 ? std::min(w, h) / 2 * d->Layers[1].CRPercentage / 100.0 : 0;
                Out << "<rect x=\"" << Mils(o.X - w / 2) << "\" y=\"" << Mils(o.Y - h / 2)
                    << "\" width=\"" << Mils(w) << "\" height=\"" << Mils(h) << "\"";
                if (rx > 0) Out << " rx=\"" << Mils(rx) << "\"";
                Out << "/>";
            } else {
                Out << "<ellipse cx=\"" << Mils(o.X) << "\" cy=\"" << Mils(o.Y) << "\" rx=\""
                    << Mils(w / 2) << "\" ry=\"" << Mils(h / 2) << "\"/>";
            }
            Hole(o, d->HoleSize);
            Out << "</g>\n";
            break;
        }
        case abi::kKindVia: {
            auto* d = o.As<TViaData>();
            Out << "<g stroke=\"none\"><circle cx=\"" << Mils(o.X) << "\" cy=\"" << Mils(o.Y)
                << "\" r=\"" << Mils(std::max(d->Size, 0) / 2.0) << "\"/>";
            Hole(o, d->HoleSize);
            Out << "</g>\n";
            break;
        }
        case abi::kKindText: {
            auto* d = o.As<TTextData>();
            std::string text = DisplayString(o);
            if (text.empty()) break;
            Out << "<text transform=\"translate(" << Mils(o.X) << ' ' << Mils(o.Y)
                << ") scale(1,-1) rotate(" << Num(std::isfinite(d->Rotation) ? -d->Rotation : 0)
                << ")" << (d->Mirror ? " scale(-1,1)" : "") << "\" font-size=\""
                << Mils(std::max(d->Height, 0)) << "\" font-family=\""
                << XmlEscape(d->UseTrueType ? d->FontName : std::string("monospace"))
                << "\" stroke=\"none\" fill=\"" << colour << "\">" << XmlEscape(text)
                << "</text>\n";
            break;
        }
        case abi::kKindFill: {
            auto* d = o.As<TFillData>();
            double cx = (static_cast<double>(o.X) + d->X2) / 2,
                   cy = (static_cast<double>(o.Y) + d->Y2) / 2;
            double w = std::fabs(static_cast<double>(d->X2) - o.X),
                   h = std::fabs(static_cast<double>(d->Y2) - o.Y);
            Out << "<rect x=\"" << Mils(cx - w / 2) << "\" y=\"" << Mils(cy - h / 2)
                << "\" width=\"" << Mils(w) << "\" height=\"" << Mils(h) << "\" transform=\"rotate("
                << Num(std::isfinite(d->Rotation) ? d->Rotation : 0) << ' ' << Mils(cx) << ' '
                << Mils(cy) << ")\" stroke=\"none\"/>\n";
            break;
        }
        case abi::kKindRegion: {
            const auto& outline = o.As<TRegionData>()->Outline;
            if (outline.empty()) break;
            Out << "<polygon points=\"";
            for (size_t i = 0; i < outline.size(); ++i)
                Out << (i ? " " : "") << Mils(outline[i][0]) << ',' << Mils(outline[i][1]);
            Out << "\" stroke=\"none\" fill-opacity=\"0.8\"/>\n";
            break;
        }
        case abi::kKindEmbeddedBoard: {
            auto* d = o.As<TEmbeddedBoardData>();
            Out << "<rect x=\"" << Mils(std::min(o.X, d->X2)) << "\" y=\""
                << Mils(std::min(o.Y, d->Y2)) << "\" width=\""
                << Mils(std::fabs(static_cast<double>(d->X2) - o.X)) << "\" height=\""
                << Mils(std::fabs(static_cast<double>(d->Y2) - o.Y)) << "\" fill=\"none\"/>\n";
            break;
        }
        default:
            break;
        }
    }

    const TObject& Board;
    std::ostream& Out;
    std::map<uint32_t, std::vector<const TObject*>> ByLayer;
    std::map<std::pair<int64_t, uint32_t>, uint32_t> LayerOrder;
};

} // namespace

std::string XmlEscape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        uint32_t cp = 0xFFFD;
        if (n != 0 && i + n <= s.size()) {
            uint32_t v = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
            bool ok = true;
            for (size_t k = 1; k < n; ++k) {
                unsigned char cc = static_cast<unsigned char>(s[i + k]);
                if ((cc & 0xC0) != 0x80) ok = false;
                v = (v << 6) | (cc & 0x3F);
            }
            bool overlong =
                (n == 2 && v < 0x80) || (n == 3 && v < 0x800) || (n == 4 && v < 0x10000);
            if (ok && !overlong && v <= 0x10FFFF)
                cp = v;
            else
                n = 1;
        } else {
            n = 1;
        }
        i += n;
        if ((cp < 0x20 && cp != 0x09 && cp != 0x0A && cp != 0x0D) ||
            (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF)
            cp = 0xFFFD;
        switch (cp) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            AppendCodePoint(out, cp);
        }
    }
    return out;
}

void WriteSvg(const TObject& board, std::ostream& out) {
    TSvgWriter(board, out).Write();
}

void RenderSvgFile(const TObject& board, const std::string& path) {
    WriteBoardFileAtomically<WriteSvg>(board, path, "render board to");
}

} // namespace dxfi::korrin
