// SPDX-License-Identifier: MIT
#include "drawing/SplineCurve.h"

#include "drawing/FormatReportNumber.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace dxfi {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Shares of the tolerance: the samples lie on the curve and the curve stays within kFlatShare
// of the chord between two neighbouring samples; the pieces pass within kFitShare of every
// sample and chord midpoint; arcs on one circle are joined when they agree within kMergeShare.
constexpr double kFlatShare = 0.2;
constexpr double kFitShare = 0.6;
constexpr double kMergeShare = 0.04;
// An arc this close to its chord is drawn as a track.
constexpr double kStraightShare = 0.002;
// Samples looked ahead for one piece; a longer straight run becomes several tracks.
constexpr std::size_t kWindow = 512;
// Subdivision depth per knot span: at most 2^kMaxDepth samples per span.
constexpr int kMaxDepth = 10;
// Arcs whose centre or radius would leave the board's coordinate range are drawn straight.
constexpr double kCoordLimit = 2.0e9;

struct TVec {
    double X = 0.0;
    double Y = 0.0;
};

TVec operator+(TVec a, TVec b) {
    return {a.X + b.X, a.Y + b.Y};
}
TVec operator-(TVec a, TVec b) {
    return {a.X - b.X, a.Y - b.Y};
}
TVec operator*(TVec a, double s) {
    return {a.X * s, a.Y * s};
}
double Dot(TVec a, TVec b) {
    return a.X * b.X + a.Y * b.Y;
}
double Length(TVec a) {
    return std::hypot(a.X, a.Y);
}
TVec Perp(TVec a) {
    return {-a.Y, a.X};
}
TVec Unit(TVec a) {
    const double l = Length(a);
    return l > 0.0 && std::isfinite(l) ? a * (1.0 / l) : TVec{};
}

double SegmentDistance(TVec q, TVec a, TVec b) {
    const TVec ab = b - a;
    const double l2 = Dot(ab, ab);
    const double t = l2 > 0.0 ? std::clamp(Dot(q - a, ab) / l2, 0.0, 1.0) : 0.0;
    return Length(q - (a + ab * t));
}

// ---- The curve ------------------------------------------------------------------------------

// A non-uniform rational B-spline in one plane.
struct TNurbs {
    int P = 3;
    std::vector<double> U;
    std::vector<double> X, Y, W; // W empty: not rational
};

std::string Reason(const std::string& what) {
    return "because " + what;
}

bool Finite(TRealPoint p) {
    return std::isfinite(p.X) && std::isfinite(p.Y);
}

// A cubic through the fit points, parametrised by chord length, with the given end tangents
// or else no bending at the ends; stored as one Bezier piece per pair of fit points.
std::string InterpolateFitPoints(const TSplineDefinition& s, TNurbs& out) {
    std::vector<TVec> q;
    q.reserve(s.FitPoints.size() + 1);
    for (const TRealPoint& p : s.FitPoints) {
        if (!Finite(p))
            return Reason("of invalid fit point (" + FormatReportNumber(p.X) + "," +
                          FormatReportNumber(p.Y) + ")");
        const TVec v{p.X, p.Y};
        if (q.empty() || Length(v - q.back()) > 0.0) q.push_back(v);
    }
    if (s.Closed && q.size() > 1 && Length(q.front() - q.back()) > 0.0) q.push_back(q.front());
    if (q.size() < 2) return Reason("it has zero length");
    const std::size_t n = q.size(); // points 0 .. n-1, segments 0 .. n-2
    std::vector<double> h(n - 1);
    for (std::size_t i = 0; i + 1 < n; ++i)
        h[i] = Length(q[i + 1] - q[i]);
    const TVec ts = Unit({s.StartTangent.X, s.StartTangent.Y});
    const TVec te = Unit({s.EndTangent.X, s.EndTangent.Y});
    const bool startGiven = s.HasStartTangent && Length(ts) > 0.0;
    const bool endGiven = s.HasEndTangent && Length(te) > 0.0;

    // Tridiagonal system for the derivatives m_i (unit speed at the ends under chord length).
    std::vector<double> a(n, 0.0), b(n, 0.0), c(n, 0.0);
    std::vector<TVec> r(n);
    if (startGiven) {
        b[0] = 1.0;
        r[0] = ts;
    } else {
        b[0] = 2.0;
        c[0] = 1.0;
        r[0] = (q[1] - q[0]) * (3.0 / h[0]);
    }
    for (std::size_t i = 1; i + 1 < n; ++i) {
        a[i] = h[i];
        b[i] = 2.0 * (h[i - 1] + h[i]);
        c[i] = h[i - 1];
        r[i] = (q[i] - q[i - 1]) * (3.0 * h[i] / h[i - 1]) +
               (q[i + 1] - q[i]) * (3.0 * h[i - 1] / h[i]);
    }
    if (endGiven) {
        a[n - 1] = 0.0;
        b[n - 1] = 1.0;
        r[n - 1] = te;
    } else {
        a[n - 1] = 1.0;
        b[n - 1] = 2.0;
        r[n - 1] = (q[n - 1] - q[n - 2]) * (3.0 / h[n - 2]);
    }
    for (std::size_t i = 1; i < n; ++i) {
        const double m = a[i] / b[i - 1];
        b[i] -= m * c[i - 1];
        r[i] = r[i] - r[i - 1] * m;
    }
    std::vector<TVec> d(n);
    d[n - 1] = r[n - 1] * (1.0 / b[n - 1]);
    for (std::size_t i = n - 1; i-- > 0;)
        d[i] = (r[i] - d[i + 1] * c[i]) * (1.0 / b[i]);

    out.P = 3;
    out.W.clear();
    out.X.clear();
    out.Y.clear();
    out.U.clear();
    double t = 0.0;
    out.U.insert(out.U.end(), {0.0, 0.0, 0.0, 0.0});
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const TVec p1 = q[i] + d[i] * (h[i] / 3.0);
        const TVec p2 = q[i + 1] - d[i + 1] * (h[i] / 3.0);
        if (i == 0) {
            out.X.push_back(q[0].X);
            out.Y.push_back(q[0].Y);
        }
        out.X.insert(out.X.end(), {p1.X, p2.X, q[i + 1].X});
        out.Y.insert(out.Y.end(), {p1.Y, p2.Y, q[i + 1].Y});
        t += h[i];
        if (i + 2 < n)
            out.U.insert(out.U.end(), {t, t, t});
        else
            out.U.insert(out.U.end(), {t, t, t, t});
    }
    return "";
}

// Checks the stored spline and makes its curve, in drawing units.
std::string BuildCurve(const TSplineDefinition& s, TNurbs& out) {
    if (s.ControlPoints.empty()) {
        if (s.FitPoints.empty()) return Reason("it has no control points");
        return InterpolateFitPoints(s, out);
    }
    const int p = s.Degree;
    if (p < 1 || p > kMaxSplineDegree) return Reason("of invalid degree " + std::to_string(p));
    const std::size_t n = s.ControlPoints.size();
    if (n < static_cast<std::size_t>(p) + 1)
        return Reason("it has " + std::to_string(n) + " control points, fewer than degree " +
                      std::to_string(p) + " needs");
    if (!s.Weights.empty() && s.Weights.size() != n)
        return Reason("its weights do not match its control points");
    for (double w : s.Weights)
        if (!(std::isfinite(w) && w > 0.0))
            return Reason("of invalid weight " + FormatReportNumber(w));
    for (const TRealPoint& c : s.ControlPoints)
        if (!Finite(c))
            return Reason("of invalid control point (" + FormatReportNumber(c.X) + "," +
                          FormatReportNumber(c.Y) + ")");

    out.P = p;
    out.X.clear();
    out.Y.clear();
    for (const TRealPoint& c : s.ControlPoints) {
        out.X.push_back(c.X);
        out.Y.push_back(c.Y);
    }
    out.W = s.Weights;
    if (s.Knots.empty()) {
        // No knots stored: uniform, clamped at the ends, or wrapped round when closed.
        out.U.clear();
        if (s.Closed) {
            for (int i = 0; i < p; ++i) {
                out.X.push_back(out.X[static_cast<std::size_t>(i)]);
                out.Y.push_back(out.Y[static_cast<std::size_t>(i)]);
                if (!out.W.empty()) out.W.push_back(out.W[static_cast<std::size_t>(i)]);
            }
            for (std::size_t i = 0; i < out.X.size() + static_cast<std::size_t>(p) + 1; ++i)
                out.U.push_back(static_cast<double>(i));
        } else {
            const std::size_t inner = n - static_cast<std::size_t>(p) - 1;
            for (int i = 0; i <= p; ++i)
                out.U.push_back(0.0);
            for (std::size_t i = 1; i <= inner; ++i)
                out.U.push_back(static_cast<double>(i));
            for (int i = 0; i <= p; ++i)
                out.U.push_back(static_cast<double>(inner + 1));
        }
    } else {
        if (s.Knots.size() != n + static_cast<std::size_t>(p) + 1)
            return Reason("its " + std::to_string(s.Knots.size()) + " knots do not fit degree " +
                          std::to_string(p) + " and " + std::to_string(n) + " control points");
        for (std::size_t i = 0; i < s.Knots.size(); ++i)
            if (!std::isfinite(s.Knots[i]) || (i > 0 && s.Knots[i] < s.Knots[i - 1]))
                return Reason("its knots are not ascending");
        out.U = s.Knots;
    }
    const std::size_t last = out.X.size();
    if (!(out.U[static_cast<std::size_t>(p)] < out.U[last])) return Reason("it has zero length");
    return "";
}

// Point and first derivative on knot span `k` (U[k] <= t <= U[k+1], U[k] < U[k+1]).
void Evaluate(const TNurbs& c, std::size_t k, double t, TVec& point, TVec& derivative) {
    const int p = c.P;
    std::array<std::array<double, 3>, kMaxSplineDegree + 1> d{};
    const bool rational = !c.W.empty();
    for (int j = 0; j <= p; ++j) {
        const std::size_t i = k - static_cast<std::size_t>(p) + static_cast<std::size_t>(j);
        const double w = rational ? c.W[i] : 1.0;
        d[static_cast<std::size_t>(j)] = {c.X[i] * w, c.Y[i] * w, w};
    }
    std::array<double, 3> d0{}, d1{};
    if (p == 1) {
        d0 = d[0];
        d1 = d[1];
    }
    for (int r = 1; r <= p; ++r) {
        for (int j = p; j >= r; --j) {
            const std::size_t i = k - static_cast<std::size_t>(p) + static_cast<std::size_t>(j);
            const double lo = c.U[i];
            const double hi = c.U[i + static_cast<std::size_t>(p + 1 - r)];
            const double alpha = (t - lo) / (hi - lo);
            auto& dj = d[static_cast<std::size_t>(j)];
            const auto& dm = d[static_cast<std::size_t>(j - 1)];
            for (int e = 0; e < 3; ++e)
                dj[static_cast<std::size_t>(e)] = (1.0 - alpha) * dm[static_cast<std::size_t>(e)] +
                                                  alpha * dj[static_cast<std::size_t>(e)];
        }
        if (r == p - 1) {
            d0 = d[static_cast<std::size_t>(p - 1)];
            d1 = d[static_cast<std::size_t>(p)];
        }
    }
    const auto& a = d[static_cast<std::size_t>(p)];
    const double scale = p / (c.U[k + 1] - c.U[k]);
    const double ax = (d1[0] - d0[0]) * scale, ay = (d1[1] - d0[1]) * scale,
                 aw = (d1[2] - d0[2]) * scale;
    point = {a[0] / a[2], a[1] / a[2]};
    derivative = {(ax - aw * point.X) / a[2], (ay - aw * point.Y) / a[2]};
}

// ---- Samples --------------------------------------------------------------------------------

struct TSample {
    TVec P;   // board units
    TVec D;   // drawing units
    TVec In;  // unit tangent arriving here
    TVec Out; // unit tangent leaving here
};

// Samples the curve span by span, each span subdivided until the curve lies within the
// flatness of every chord and turns little between neighbouring samples.
class TSampler {
public:
    TSampler(const TNurbs& c, double scaleX, double scaleY, double flat)
        : C_(c), Sx_(scaleX), Sy_(scaleY), Flat_(flat), Span_(static_cast<std::size_t>(c.P)) {}

    // Appends the next span's samples; false when the curve is done.
    bool Next(std::vector<TSample>& out) {
        const std::size_t last = C_.X.size(); // spans P .. last-1
        while (Span_ < last && !(C_.U[Span_] < C_.U[Span_ + 1]))
            ++Span_;
        if (Span_ >= last) return false;
        const std::size_t k = Span_++;
        const double a = C_.U[k], b = C_.U[k + 1];
        TSample sa = At(k, a, b, a), sb = At(k, a, b, b);
        if (!out.empty() && Started_) {
            // The span's start is the previous span's end: one sample with both tangents.
            out.back().Out = sa.In;
            if (Length(out.back().P - sa.P) > Flat_) out.push_back(sa);
        } else {
            out.push_back(sa);
        }
        Started_ = true;
        Subdivide(k, a, sa, b, sb, 0, out);
        out.push_back(sb);
        return true;
    }

private:
    TVec Board(TVec v) const { return {v.X * Sx_, v.Y * Sy_}; }

    TSample At(std::size_t k, double a, double b, double t) const {
        TVec p, d;
        Evaluate(C_, k, t, p, d);
        TVec u = Unit(Board(d));
        if (Length(u) == 0.0) {
            // A vanishing derivative (repeated control points): look a little inside the span.
            TVec q, e;
            const double nudge = (b - a) * 1e-6;
            Evaluate(C_, k, t == b ? t - nudge : t + nudge, q, e);
            u = Unit(Board(e));
            if (Length(u) == 0.0) u = Unit(Board(t == b ? p - q : q - p));
        }
        return TSample{Board(p), p, u, u};
    }

    void Subdivide(std::size_t k, double a, const TSample& sa, double b, const TSample& sb,
                   int depth, std::vector<TSample>& out) {
        if (depth >= kMaxDepth) return;
        const double m = 0.5 * (a + b);
        const TSample sm = At(k, a, b, m);
        bool split = depth < (C_.P > 1 ? 1 : 0) || Dot(sa.Out, sb.In) < 0.866;
        if (!split) {
            TVec q1, q3, unused;
            Evaluate(C_, k, 0.5 * (a + m), q1, unused);
            Evaluate(C_, k, 0.5 * (m + b), q3, unused);
            q1 = Board(q1);
            q3 = Board(q3);
            split = SegmentDistance(sm.P, sa.P, sb.P) > Flat_ ||
                    SegmentDistance(q1, sa.P, sb.P) > Flat_ ||
                    SegmentDistance(q3, sa.P, sb.P) > Flat_;
        }
        if (!split) return;
        Subdivide(k, a, sa, m, sm, depth + 1, out);
        out.push_back(sm);
        Subdivide(k, m, sm, b, sb, depth + 1, out);
    }

    const TNurbs& C_;
    double Sx_, Sy_;
    double Flat_;
    std::size_t Span_;
    bool Started_ = false;
};

// ---- Pieces ---------------------------------------------------------------------------------

// A candidate piece: straight from A to B, or an arc about C from A to B.
struct TShape {
    bool Arc = false;
    TVec A, B, C;
    TVec DA, DB; // A and B in drawing units
    double R = 0.0;
    double A0 = 0.0;    // angle of A about C, radians
    double Sweep = 0.0; // radians, > 0
    bool Ccw = true;

    double Distance(TVec q) const {
        if (!Arc) return SegmentDistance(q, A, B);
        const double ang = std::atan2(q.Y - C.Y, q.X - C.X);
        double delta = Ccw ? ang - A0 : A0 - ang;
        delta = std::fmod(delta, kTwoPi);
        if (delta < 0.0) delta += kTwoPi;
        if (delta <= Sweep) return std::fabs(Length(q - C) - R);
        return std::min(Length(q - A), Length(q - B));
    }
    double PathLength() const { return Arc ? R * Sweep : Length(B - A); }
};

// The arc leaving A along the unit tangent T and ending at B; straight when it is nearly so.
TShape ArcFrom(TVec a, TVec t, TVec b, double straight) {
    TShape s;
    s.A = a;
    s.B = b;
    const TVec ab = b - a;
    const TVec n = Perp(t);
    const double den = 2.0 * Dot(n, ab);
    const double l2 = Dot(ab, ab);
    if (l2 == 0.0 || den == 0.0) return s;
    const double signedR = l2 / den;
    const TVec c = a + n * signedR;
    const double r = std::fabs(signedR);
    const bool ccw = signedR > 0.0;
    const double a0 = std::atan2(a.Y - c.Y, a.X - c.X);
    const double a1 = std::atan2(b.Y - c.Y, b.X - c.X);
    double sweep = std::fmod(ccw ? a1 - a0 : a0 - a1, kTwoPi);
    if (sweep <= 0.0) sweep += kTwoPi;
    const double sagitta = sweep < std::numbers::pi ? r * (1.0 - std::cos(sweep / 2.0)) : r;
    if (!(sagitta >= straight) || r > kCoordLimit || std::fabs(c.X) > kCoordLimit ||
        std::fabs(c.Y) > kCoordLimit || !std::isfinite(sweep))
        return s;
    s.Arc = true;
    s.C = c;
    s.R = r;
    s.A0 = a0;
    s.Sweep = sweep;
    s.Ccw = ccw;
    return s;
}

// Two tangent arcs from (p0, t0) to (p1, t1), joined where their tangents agree. False when
// the tangents admit no such pair.
bool Biarc(TVec p0, TVec t0, TVec p1, TVec t1, double straight, TShape out[2], int& count) {
    const TVec v = p1 - p0;
    const double vv = Dot(v, v);
    if (vv == 0.0 || Length(t0) == 0.0 || Length(t1) == 0.0) return false;
    const double denom = 2.0 * (1.0 - Dot(t0, t1));
    const double vt = Dot(v, t0 + t1);
    double d;
    if (denom < 1e-12) {
        const double vt1 = Dot(v, t1);
        if (!(vt1 > 1e-9 * std::sqrt(vv))) return false;
        d = vv / (4.0 * vt1);
    } else {
        d = (-vt + std::sqrt(vt * vt + denom * vv)) / denom;
    }
    if (!(d > 0.0) || !std::isfinite(d)) return false;
    const TVec q0 = p0 + t0 * d, q1 = p1 - t1 * d;
    const TVec j = (q0 + q1) * 0.5;
    TVec tj = Unit(q1 - q0);
    if (Length(tj) == 0.0) tj = t0;
    count = 0;
    if (Length(j - p0) > 0.0) out[count++] = ArcFrom(p0, t0, j, straight);
    if (Length(p1 - j) > 0.0) out[count++] = ArcFrom(j, tj, p1, straight);
    return count > 0;
}

double Degrees(double radians) {
    double d = std::fmod(radians * 180.0 / std::numbers::pi, 360.0);
    if (d < 0.0) d += 360.0;
    return d;
}

TRealPoint Real(TVec v) {
    return TRealPoint{v.X, v.Y};
}

TCurvePiece PieceOf(const TShape& s) {
    TCurvePiece piece;
    piece.Start = Real(s.A);
    piece.End = Real(s.B);
    piece.DrawingStart = Real(s.DA);
    piece.DrawingEnd = Real(s.DB);
    if (!s.Arc) return piece;
    piece.Arc = true;
    piece.Centre = Real(s.C);
    piece.Radius = s.R;
    if (s.Sweep >= kTwoPi - 1e-9) {
        piece.StartAngle = 0.0;
        piece.EndAngle = 360.0;
    } else {
        const double from = s.Ccw ? s.A0 : s.A0 - s.Sweep;
        piece.StartAngle = Degrees(from);
        piece.EndAngle = Degrees(from + s.Sweep);
    }
    return piece;
}

// Whether arc `s` continues arc `last` on the same circle.
bool Joins(const TShape& last, const TShape& s, double mergeTol) {
    return s.Arc && last.Arc && last.Ccw == s.Ccw && Length(last.C - s.C) <= mergeTol &&
           std::fabs(last.R - s.R) <= mergeTol && last.Sweep + s.Sweep <= kTwoPi + 1e-9;
}

// Appends a shape, joining it to the previous arc when both lie on one circle.
void Emit(const TShape& s, double mergeTol, std::vector<TCurvePiece>& pieces, TShape& last) {
    if (!pieces.empty() && Joins(last, s, mergeTol)) {
        last.B = s.B;
        last.DB = s.DB;
        last.Sweep = std::min(last.Sweep + s.Sweep, kTwoPi);
        pieces.back() = PieceOf(last);
        return;
    }
    last = s;
    pieces.push_back(PieceOf(s));
}

// Fits pieces to the samples: from each piece's start, the longest track and the longest pair
// of arcs that stay within the tolerance; whichever covers more samples per piece is taken.
class TFitter {
public:
    TFitter(double tolerance, double scaleX, double scaleY)
        : Sx_(scaleX), Sy_(scaleY), Fit_(tolerance * kFitShare),
          Straight_(tolerance * kStraightShare), Merge_(tolerance * kMergeShare) {}

    void Run(TSampler& sampler, std::vector<TCurvePiece>& pieces) {
        TShape last;
        std::size_t head = 0;
        bool more = true;
        for (;;) {
            while (more && S_.size() - head < kWindow)
                more = sampler.Next(S_);
            if (S_.size() - head < 2) break;
            H_ = head;
            const std::size_t maxJ = S_.size() - head - 1;
            const std::size_t jl = Longest(maxJ, [this](std::size_t j) { return LineFits(j); });
            int count = 0;
            TShape arcs[2];
            const std::size_t jb = Longest(maxJ, [this](std::size_t j) { return BiarcFits(j); });
            if (jb > 0) {
                BiarcFits(jb);
                count = Count_;
                arcs[0] = Shapes_[0];
                arcs[1] = Shapes_[1];
            }
            // Arcs that continue the previous one on its circle cost no new piece.
            int added = count;
            if (count > 0 && !pieces.empty() && Joins(last, arcs[0], Merge_)) {
                --added;
                if (count > 1 && Joins(arcs[0], arcs[1], Merge_)) --added;
            }
            if (jb > 0 && (added == 0 ? jb >= jl : jb > jl * static_cast<std::size_t>(added))) {
                // The joint of the pair lies on no sample: in drawing units it is where the
                // inverse scale puts it.
                const TVec joint{arcs[0].B.X / Sx_, arcs[0].B.Y / Sy_};
                arcs[0].DA = S_[head].D;
                arcs[count - 1].DB = S_[head + jb].D;
                if (count > 1) arcs[0].DB = arcs[1].DA = joint;
                for (int i = 0; i < count; ++i)
                    Emit(arcs[i], Merge_, pieces, last);
                head += jb;
            } else {
                TShape line;
                line.A = S_[head].P;
                line.B = S_[head + jl].P;
                line.DA = S_[head].D;
                line.DB = S_[head + jl].D;
                Emit(line, Merge_, pieces, last);
                head += jl;
            }
            if (head >= kWindow) {
                S_.erase(S_.begin(), S_.begin() + static_cast<std::ptrdiff_t>(head));
                head = 0;
            }
        }
    }

private:
    // The largest j <= maxJ for which fits(j) holds, found by doubling and then halving; 0 if
    // none.
    template <typename F> std::size_t Longest(std::size_t maxJ, F fits) {
        std::size_t good = 0, bad = 0, j = 1;
        while (j <= maxJ) {
            if (!fits(j)) {
                bad = j;
                break;
            }
            good = j;
            if (j == maxJ) break;
            j = std::min(maxJ, j * 2);
        }
        if (bad == 0) return good;
        while (bad - good > 1) {
            const std::size_t mid = good + (bad - good) / 2;
            (fits(mid) ? good : bad) = mid;
        }
        return good;
    }

    bool LineFits(std::size_t j) {
        const TVec a = S_[H_].P, b = S_[H_ + j].P;
        for (std::size_t k = 1; k < j; ++k)
            if (SegmentDistance(S_[H_ + k].P, a, b) > Fit_) return false;
        return true;
    }

    bool BiarcFits(std::size_t j) {
        const TSample& s0 = S_[H_];
        const TSample& s1 = S_[H_ + j];
        if (!Biarc(s0.P, s0.Out, s1.P, s1.In, Straight_, Shapes_, Count_)) return false;
        const auto distance = [&](TVec q) {
            double d = Shapes_[0].Distance(q);
            if (Count_ > 1) d = std::min(d, Shapes_[1].Distance(q));
            return d;
        };
        double path = 0.0;
        for (std::size_t k = 1; k <= j; ++k) {
            const TVec q = S_[H_ + k].P, prev = S_[H_ + k - 1].P;
            path += Length(q - prev);
            if ((k < j && distance(q) > Fit_) || distance((q + prev) * 0.5) > Fit_) return false;
        }
        double length = Shapes_[0].PathLength();
        if (Count_ > 1) length += Shapes_[1].PathLength();
        // A pair that takes the long way round is near every sample yet not the curve.
        return length <= path * 1.05 + 2.0 * Fit_;
    }

    double Sx_, Sy_;
    double Fit_, Straight_, Merge_;
    std::vector<TSample> S_;
    std::size_t H_ = 0;
    TShape Shapes_[2];
    int Count_ = 0;
};

} // namespace

std::string ApproximateSpline(const TSplineDefinition& spline, double scaleX, double scaleY,
                              double tolerance, std::vector<TCurvePiece>& pieces) {
    pieces.clear();
    TNurbs curve;
    std::string reason = BuildCurve(spline, curve);
    if (!reason.empty()) return reason;
    // A spline keeps its shape under scaling and mirroring of its control points: the curve
    // is evaluated in drawing units and each sample scaled.
    double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
    for (std::size_t i = 0; i < curve.X.size(); ++i) {
        const double x = curve.X[i] * scaleX, y = curve.Y[i] * scaleY;
        if (!std::isfinite(x) || !std::isfinite(y)) return Reason("it is too large for the board");
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    if (maxX - minX < 1.0 && maxY - minY < 1.0) return Reason("it has zero length");
    if (!(tolerance > 0.0)) tolerance = 1.0;
    TSampler sampler(curve, scaleX, scaleY, tolerance * kFlatShare);
    TFitter(tolerance, scaleX, scaleY).Run(sampler, pieces);
    if (pieces.empty()) return Reason("it has zero length");
    return "";
}

bool SplinePointAt(const TSplineDefinition& spline, double f, TRealPoint& point) {
    TNurbs c;
    if (!BuildCurve(spline, c).empty()) return false;
    const std::size_t p = static_cast<std::size_t>(c.P), last = c.X.size();
    const double t = c.U[p] + std::clamp(f, 0.0, 1.0) * (c.U[last] - c.U[p]);
    std::size_t k = static_cast<std::size_t>(
        std::upper_bound(c.U.begin() + static_cast<std::ptrdiff_t>(p),
                         c.U.begin() + static_cast<std::ptrdiff_t>(last), t) -
        c.U.begin());
    k = std::clamp<std::size_t>(k == 0 ? 0 : k - 1, p, last - 1);
    while (k > p && !(c.U[k] < c.U[k + 1]))
        --k;
    TVec q, d;
    Evaluate(c, k, t, q, d);
    point = Real(q);
    return true;
}

} // namespace dxfi
