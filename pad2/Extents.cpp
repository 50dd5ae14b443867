// SPDX-License-Identifier: MIT
#include "pad2/Extents.h"

#include "pad2/Engine.h"
#include "pad2/EntityCodes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace pad2 {
namespace {

using namespace dxfi::abi;

constexpr int kMaxNesting = 32;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// The walkers mirror an entity's X when its extrusion points down Z; X and Y below this share
// of the vector's length are arithmetic noise, as the processor counts them.
constexpr double kExtrusionNoise = 1e-12;

bool MirroredExtrusion(const TDrawing& d, const TEntity& e) {
    if (!(e.Flags & TEntity::kHasExtrusion)) return false;
    const double* ext = d.Doubles.data() + e.Data + FieldCount(e.Code);
    const double length = std::sqrt(ext[0] * ext[0] + ext[1] * ext[1] + ext[2] * ext[2]);
    const bool alongZ = (ext[0] == 0.0 || std::fabs(ext[0]) < kExtrusionNoise * length) &&
                        (ext[1] == 0.0 || std::fabs(ext[1]) < kExtrusionNoise * length);
    return alongZ && ext[2] < 0.0;
}

// The points that bound the arc around (cx, cy) running counter-clockwise from angle `start`
// through `sweep` (radians, 0 < sweep <= 2 pi): its ends and the quadrant points it passes.
// X is multiplied by sx afterwards.
void AddArcSweep(TBox& box, double sx, double cx, double cy, double r, double start, double sweep) {
    r = std::fabs(r);
    auto add = [&](double a) { box.Add(sx * (cx + r * std::cos(a)), cy + r * std::sin(a), 0.0); };
    start = std::fmod(start, kTwoPi);
    if (start < 0) start += kTwoPi;
    if (!std::isfinite(start) || !std::isfinite(sweep)) return;
    add(start);
    add(start + sweep);
    for (int q = 1; q < 8; ++q) {
        const double a = q * (std::numbers::pi / 2);
        if (a > start && a < start + sweep) add(a);
    }
}

// An arc from angle a0 counter-clockwise to a1, as ARC entities store it.
void AddArcExtent(TBox& box, double sx, double cx, double cy, double r, double a0, double a1) {
    double sweep = std::fmod(a1 - a0, kTwoPi);
    if (sweep <= 0) sweep += kTwoPi;
    AddArcSweep(box, sx, cx, cy, r, a0, sweep);
}

// A bulged segment from (x1, y1) to (x2, y2) in its own coordinates. Segments the processor
// draws straight (an included angle below 1e-5) are their chord.
void AddBulgeExtent(TBox& box, double sx, double x1, double y1, double x2, double y2,
                    double bulge) {
    box.Add(sx * x1, y1, 0.0);
    box.Add(sx * x2, y2, 0.0);
    const double theta = 4.0 * std::atan(bulge);
    double cx = 0, cy = 0, r = 0;
    if (!(std::fabs(theta) >= 1e-5) || !CalcPlineArcCenter(x1, y1, x2, y2, theta, cx, cy, r))
        return;
    const double start = bulge > 0 ? std::atan2(y1 - cy, x1 - cx) : std::atan2(y2 - cy, x2 - cx);
    AddArcSweep(box, sx, cx, cy, r, start, std::fabs(theta));
}

class TBoxes {
public:
    explicit TBoxes(const TDrawing& d)
        : D_(d), Boxes_(d.Blocks.size()), State_(d.Blocks.size(), 0) {}

    const TBox& Of(uint32_t block, int depth) {
        if (State_[block] == 2 || State_[block] == 1 || depth > kMaxNesting)
            return State_[block] == 2 ? Boxes_[block] : Empty_;
        State_[block] = 1; // a block that inserts itself adds nothing the second time
        TBox box;
        for (uint32_t i = D_.Blocks[block].First; i != kNoIndex; i = D_.Entities[i].Next)
            AddEntity(D_.Entities[i], box, depth);
        Boxes_[block] = box;
        State_[block] = 2;
        return Boxes_[block];
    }

    // The points of a space's own entities that the processor tests against the extents,
    // mirrored where it mirrors them before the test.
    TBox Tested(uint32_t space) const {
        TBox box;
        for (uint32_t i = D_.Blocks[space].First; i != kNoIndex; i = D_.Entities[i].Next) {
            const TEntity& e = D_.Entities[i];
            const double* f = D_.Doubles.data() + e.Data;
            const double sx = MirroredExtrusion(D_, e) ? -1.0 : 1.0;
            AddStoredPoints(e, sx, false, box);
            if (e.Code == kCodeCircle) box.Add(sx * f[0], f[1], 0.0);
            if (e.Code == kCodeLwPolyline)
                ForLwVertices(e, [&](double x, double y, double) { box.Add(sx * x, y, 0.0); });
        }
        return box;
    }

private:
    void AddEntity(const TEntity& e, TBox& box, int depth) {
        const double* f = D_.Doubles.data() + e.Data;
        // Entities in their own coordinate system (circles, arcs, texts, solids, polylines,
        // inserts) are mirrored in X when their extrusion points down; tilted ones are rare in
        // 2D drawings and counted as stored. Lines, points, vertices, dimensions and
        // multilines are in drawing coordinates.
        const double sx = MirroredExtrusion(D_, e) ? -1.0 : 1.0;
        AddStoredPoints(e, sx, true, box);
        switch (e.Code) {
        case kCodeCircle:
            AddArcExtent(box, sx, f[0], f[1], f[3], 0.0, kTwoPi);
            break;
        case kCodeArc:
            AddArcExtent(box, sx, f[0], f[1], f[3], f[4], f[5]);
            break;
        case kCodeEllipse: {
            // The whole ellipse's box: half sizes from the major axis and the ratio.
            const double ax = f[3], ay = f[4], ratio = std::fabs(f[6]);
            const double hx = std::sqrt(ax * ax + ratio * ratio * ay * ay);
            const double hy = std::sqrt(ay * ay + ratio * ratio * ax * ax);
            box.Add(f[0] - hx, f[1] - hy, f[2]);
            box.Add(f[0] + hx, f[1] + hy, f[2]);
            break;
        }
        case kCodeInsert:
            // Seen from above, a block inserted upside down is mirrored: its insertion point's
            // X, its X scale and its rotation change sign.
            if (e.Aux != kNoIndex && D_.Blocks[e.Aux].Defined)
                AddInsert(e.Aux, sx * f[0], f[1], sx * f[3], f[4], sx * f[5], box, depth);
            break;
        case kCodeDimension:
            if (e.Aux != kNoIndex && D_.Blocks[e.Aux].Defined)
                AddInsert(e.Aux, f[0], f[1], 1.0, 1.0, 0.0, box, depth);
            break;
        case kCodeLwPolyline: {
            double px = 0, py = 0, pb = 0, fx = 0, fy = 0;
            bool first = true;
            ForLwVertices(e, [&](double x, double y, double bulge) {
                if (first) {
                    fx = x;
                    fy = y;
                    box.Add(sx * x, y, 0.0);
                } else {
                    AddBulgeExtent(box, sx, px, py, x, y, pb);
                }
                px = x;
                py = y;
                pb = bulge;
                first = false;
            });
            if (!first && (e.Flags & LwPolylineData::FlagClosed))
                AddBulgeExtent(box, sx, px, py, fx, fy, pb);
            break;
        }
        case kCodeSpline:
            AddSpline(e, f, box);
            break;
        default:
            break;
        }
    }

    // The points the bounds and the tested points both take as stored: line ends, points,
    // vertices, the definition point of dimensions, multilines' start and vertices, and, with X
    // times sx, texts' insertion points and solids' corners. With `withZ` false (the tested
    // points) Z counts as 0.
    void AddStoredPoints(const TEntity& e, double sx, bool withZ, TBox& box) const {
        const double* f = D_.Doubles.data() + e.Data;
        auto add = [&](double scaleX, int at) {
            box.Add(scaleX * f[at], f[at + 1], withZ ? f[at + 2] : 0.0);
        };
        switch (e.Code) {
        case kCodeLine:
            add(1.0, 0);
            add(1.0, 3);
            break;
        case kCodePoint:
        case kCodeVertex:
            add(1.0, 0);
            break;
        case kCodeDimension:
            add(1.0, 3);
            break;
        case kCodeMLine:
            add(1.0, 0);
            ForMLineVertices(e, [&](double x, double y) { box.Add(x, y, 0.0); });
            break;
        case kCodeText:
        case kCodeMText:
            add(sx, 0);
            break;
        case kCodeSolid:
        case kCodeTrace:
            for (int k = 0; k < 4; ++k)
                add(sx, 3 * k);
            break;
        default:
            break;
        }
    }

    template <typename TFn> void ForLwVertices(const TEntity& e, TFn&& fn) const {
        const uint64_t begin = D_.BlobStarts[e.Aux];
        const uint64_t end =
            e.Aux + 1 < D_.BlobStarts.size() ? D_.BlobStarts[e.Aux + 1] : D_.Blob.size();
        const bool bulges = e.Flags & LwPolylineData::FlagBulges;
        const bool widths = e.Flags & LwPolylineData::FlagWidths;
        const std::size_t stride = 8 * (2 + (bulges ? 1 : 0) + (widths ? 2 : 0));
        for (uint64_t at = begin; at + stride <= end; at += stride) {
            double v[5] = {};
            std::memcpy(v, D_.Blob.data() + at, stride);
            fn(v[0], v[1], bulges ? v[2] : 0.0);
        }
    }

    template <typename TFn> void ForMLineVertices(const TEntity& e, TFn&& fn) const {
        const uint64_t end =
            e.Aux + 1 < D_.BlobStarts.size() ? D_.BlobStarts[e.Aux + 1] : D_.Blob.size();
        uint64_t at = D_.BlobStarts[e.Aux];
        const uint32_t vertices = e.Aux2 & 0xFFFF;
        const uint32_t styleLines = e.Aux2 >> 16;
        for (uint32_t i = 0; i < vertices && at + 72 <= end; ++i) {
            double xy[2];
            std::memcpy(xy, D_.Blob.data() + at, 16);
            fn(xy[0], xy[1]);
            at += 72;
            for (uint32_t k = 0; k < 2 * styleLines && at + 2 <= end; ++k) {
                int16_t n = 0;
                std::memcpy(&n, D_.Blob.data() + at, 2);
                at += 2 + 8 * static_cast<uint64_t>(std::max<int16_t>(n, 0));
            }
        }
    }

    void AddInsert(uint32_t block, double x, double y, double scaleX, double scaleY,
                   double rotation, TBox& box, int depth) {
        const TBox inner = Of(block, depth + 1);
        if (inner.Empty()) return;
        const double* base = D_.Blocks[block].Base;
        const double c = std::cos(rotation), s = std::sin(rotation);
        for (int k = 0; k < 4; ++k) {
            const double px = ((k & 1) ? inner.Max[0] : inner.Min[0]) - base[0];
            const double py = ((k & 2) ? inner.Max[1] : inner.Min[1]) - base[1];
            const double ux = px * scaleX, uy = py * scaleY;
            box.Add(x + ux * c - uy * s, y + ux * s + uy * c, 0.0);
        }
    }

    // The curve lies inside its control points' hull. A curve given by fit points alone may
    // swing out between two of them: count a disc as wide as their distance around each pair.
    // Spline points are world coordinates, never mirrored by the extrusion.
    void AddSpline(const TEntity& e, const double* f, TBox& box) {
        const uint64_t begin = D_.BlobStarts[e.Aux];
        const uint64_t end =
            e.Aux + 1 < D_.BlobStarts.size() ? D_.BlobStarts[e.Aux + 1] : D_.Blob.size();
        const auto at = [&](uint64_t index) {
            double v;
            std::memcpy(&v, D_.Blob.data() + begin + index * 8, 8);
            return v;
        };
        const uint64_t knots = static_cast<uint64_t>(f[2]), controls = static_cast<uint64_t>(f[3]);
        const uint64_t weights = static_cast<uint64_t>(f[4]), fits = static_cast<uint64_t>(f[5]);
        if (begin + (knots + 3 * controls + weights + 3 * fits) * 8 > end) return;
        for (uint64_t i = 0; i < controls; ++i) {
            const uint64_t p = knots + 3 * i;
            box.Add(at(p), at(p + 1), at(p + 2));
        }
        const uint64_t first = knots + 3 * controls + weights;
        for (uint64_t i = 0; i < fits; ++i) {
            const double x = at(first + 3 * i), y = at(first + 3 * i + 1);
            box.Add(x, y, at(first + 3 * i + 2));
            if (i == 0) continue;
            const double px = at(first + 3 * i - 3), py = at(first + 3 * i - 2);
            const double r = std::hypot(x - px, y - py);
            const double mx = (x + px) / 2, my = (y + py) / 2;
            box.Add(mx - r, my - r, 0.0);
            box.Add(mx + r, my + r, 0.0);
        }
    }

    const TDrawing& D_;
    std::vector<TBox> Boxes_;
    std::vector<uint8_t> State_;
    TBox Empty_;
};

void WritePoint(TDrawing& d, int offset, const double xyz[3]) {
    std::memcpy(d.Header->data() + offset, xyz, 24);
}

bool Finite(const TBox& box) {
    return std::isfinite(box.Min[0]) && std::isfinite(box.Min[1]) && std::isfinite(box.Max[0]) &&
           std::isfinite(box.Max[1]);
}

void Finish(TDrawing& d, TBoxes& boxes, uint32_t space, int minOffset, int maxOffset,
            const double statedMin[3], const double statedMax[3], bool stated) {
    // The stated extents are kept only when every point the processor tests lies inside them:
    // files state (0,0)-(0,0), a page, or extents saved before the last edit.
    const TBox tested = boxes.Tested(space);
    const bool contains =
        tested.Empty() || (statedMin[0] <= tested.Min[0] && statedMin[1] <= tested.Min[1] &&
                           tested.Max[0] <= statedMax[0] && tested.Max[1] <= statedMax[1]);
    const bool usable =
        stated && statedMin[0] <= statedMax[0] && statedMin[1] <= statedMax[1] && contains;
    if (usable) {
        WritePoint(d, minOffset, statedMin);
        WritePoint(d, maxOffset, statedMax);
        return;
    }
    TBox box = boxes.Of(space, 0);
    box.Add(tested);
    if (!box.Empty() && Finite(box)) {
        WritePoint(d, minOffset, box.Min);
        WritePoint(d, maxOffset, box.Max);
        return;
    }
    // Nothing to measure: keep what the file said, or the customary inverted empty extents.
    const double inverted[2][3] = {{1e20, 1e20, 1e20}, {-1e20, -1e20, -1e20}};
    WritePoint(d, minOffset, stated ? statedMin : inverted[0]);
    WritePoint(d, maxOffset, stated ? statedMax : inverted[1]);
}

} // namespace

void TBox::Add(double x, double y, double z) {
    Min[0] = std::min(Min[0], x);
    Min[1] = std::min(Min[1], y);
    Min[2] = std::min(Min[2], z);
    Max[0] = std::max(Max[0], x);
    Max[1] = std::max(Max[1], y);
    Max[2] = std::max(Max[2], z);
}

void TBox::Add(const TBox& other) {
    if (other.Empty()) return;
    Add(other.Min[0], other.Min[1], other.Min[2]);
    Add(other.Max[0], other.Max[1], other.Max[2]);
}

TBox ComputeBlockBox(const TDrawing& drawing, uint32_t block) {
    TBoxes boxes(drawing);
    return boxes.Of(block, 0);
}

void FinishExtents(TDrawing& drawing, const double modelMin[3], const double modelMax[3],
                   bool hasModel, const double paperMin[3], const double paperMax[3],
                   bool hasPaper) {
    TBoxes boxes(drawing);
    Finish(drawing, boxes, drawing.ModelSpace, DrawingHeader::ModelExtMin,
           DrawingHeader::ModelExtMax, modelMin, modelMax, hasModel);
    Finish(drawing, boxes, drawing.PaperSpace, DrawingHeader::PaperExtMin,
           DrawingHeader::PaperExtMax, paperMin, paperMax, hasPaper);
}

} // namespace pad2
