// SPDX-License-Identifier: MIT
#include "pad2/Extents.h"

#include "pad2/EntityCodes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace pad2 {
namespace {

using namespace dxfi::abi;

constexpr int kMaxNesting = 32;

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

private:
    void AddEntity(const TEntity& e, TBox& box, int depth) {
        const double* f = D_.Doubles.data() + e.Data;
        // An extrusion of (0, 0, -1) mirrors the entity's X; other directions are rare in 2D
        // drawings and counted as stored.
        double sx = 1.0;
        if (e.Flags & TEntity::kHasExtrusion) {
            const double* ext = f + FieldCount(e.Code);
            if (ext[0] == 0.0 && ext[1] == 0.0 && ext[2] < 0.0) sx = -1.0;
        }
        auto point = [&](int at) { box.Add(sx * f[at], f[at + 1], f[at + 2]); };
        auto disc = [&](int at, double r) {
            r = std::fabs(r);
            box.Add(sx * f[at] - r, f[at + 1] - r, f[at + 2]);
            box.Add(sx * f[at] + r, f[at + 1] + r, f[at + 2]);
        };
        switch (e.Code) {
        case kCodeLine:
            point(0);
            point(3);
            break;
        case kCodePoint:
        case kCodeText:
        case kCodeMText:
        case kCodeVertex:
        case kCodeMLine:
            point(0);
            break;
        case kCodeCircle:
        case kCodeArc:
            disc(0, f[3]);
            break;
        case kCodeEllipse:
            disc(0, std::hypot(f[3], f[4]));
            break;
        case kCodeSolid:
        case kCodeTrace:
            for (int k = 0; k < 4; ++k)
                point(3 * k);
            break;
        case kCodeInsert:
            if (e.Aux != kNoIndex && D_.Blocks[e.Aux].Defined)
                AddInsert(e.Aux, sx * f[0], f[1], f[3], f[4], f[5], box, depth);
            break;
        case kCodeDimension:
            point(3);
            if (e.Aux != kNoIndex && D_.Blocks[e.Aux].Defined)
                AddInsert(e.Aux, f[0], f[1], 1.0, 1.0, 0.0, box, depth);
            break;
        case kCodeLwPolyline:
            AddLwPolyline(e, sx, box);
            break;
        case kCodeSpline:
            AddSpline(e, f, box);
            break;
        default:
            break;
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

    void AddLwPolyline(const TEntity& e, double sx, TBox& box) {
        const uint64_t begin = D_.BlobStarts[e.Aux];
        const uint64_t end =
            e.Aux + 1 < D_.BlobStarts.size() ? D_.BlobStarts[e.Aux + 1] : D_.Blob.size();
        const bool bulges = e.Flags & LwPolylineData::FlagBulges;
        const bool widths = e.Flags & LwPolylineData::FlagWidths;
        const std::size_t stride = 8 * (2 + (bulges ? 1 : 0) + (widths ? 2 : 0));
        double prevX = 0, prevY = 0, prevBulge = 0;
        bool first = true;
        for (uint64_t at = begin; at + stride <= end; at += stride) {
            double v[5] = {};
            std::memcpy(v, D_.Blob.data() + at, stride);
            const double x = sx * v[0], y = v[1];
            box.Add(x, y, 0.0);
            // A bulged segment may bulge outside its end points: count its whole circle.
            if (!first && prevBulge != 0.0) {
                const double chord = std::hypot(x - prevX, y - prevY);
                const double b = std::fabs(prevBulge);
                const double r = chord * (1 + b * b) / (4 * b);
                const double mx = (x + prevX) / 2, my = (y + prevY) / 2;
                box.Add(mx - 2 * r, my - 2 * r, 0.0);
                box.Add(mx + 2 * r, my + 2 * r, 0.0);
            }
            prevX = x;
            prevY = y;
            prevBulge = bulges ? v[2] : 0.0;
            first = false;
        }
    }

private:
    const TDrawing& D_;
    std::vector<TBox> Boxes_;
    std::vector<uint8_t> State_;
    TBox Empty_;
};

void WritePoint(TDrawing& d, int offset, const double xyz[3]) {
    std::memcpy(d.Header->data() + offset, xyz, 24);
}

void Finish(TDrawing& d, TBoxes& boxes, uint32_t space, int minOffset, int maxOffset,
            const double statedMin[3], const double statedMax[3], bool stated) {
    const bool usable = stated && statedMin[0] <= statedMax[0] && statedMin[1] <= statedMax[1];
    if (usable) {
        WritePoint(d, minOffset, statedMin);
        WritePoint(d, maxOffset, statedMax);
        return;
    }
    const TBox& box = boxes.Of(space, 0);
    if (!box.Empty() && std::isfinite(box.Min[0]) && std::isfinite(box.Min[1]) &&
        std::isfinite(box.Max[0]) && std::isfinite(box.Max[1])) {
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
