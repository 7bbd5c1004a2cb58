// Clipping of a line to a rectangle.
#include "geometry/line_clip.h"

#include <algorithm>
#include <cmath>

#include "geometry/box_ops.h"
#include "geometry/coord_math.h"

namespace zelk {

namespace {
// Subdivision depth when looking for a curve's crossings: 2^-20 of the parameter is far below
// one map unit on any curve that fits in the coordinate range.
constexpr int kCrossingDepth = 20;
constexpr int kMaxCrossings = 8;
constexpr int32_t kStraightMask = ~(kFirstCurvePoint | kSecondCurvePoint | kSingleCurvePoint);

struct CrossingFinder {
  double t[kMaxCrossings];
  int count = 0;

  // f holds the signed distances of the four control points from the edge.
  void Find(const double f[4], double t0, double t1, int depth) {
    const double lo = std::min({f[0], f[1], f[2], f[3]});
    const double hi = std::max({f[0], f[1], f[2], f[3]});
    if (lo > 0 || hi < 0) return;  // the hull lies on one side
    if (depth >= kCrossingDepth) {
      if ((f[0] < 0) != (f[3] < 0) && count < kMaxCrossings) {
        const double at = t0 + (t1 - t0) * f[0] / (f[0] - f[3]);
        if (count == 0 || at - t[count - 1] > 1e-9) t[count++] = at;
      }
      return;
    }
    const double a = (f[0] + f[1]) / 2, b = (f[1] + f[2]) / 2, c = (f[2] + f[3]) / 2;
    const double d = (a + b) / 2, e = (b + c) / 2, m = (d + e) / 2;
    const double left[4] = {f[0], a, d, m};
    const double right[4] = {m, e, c, f[3]};
    const double tm = (t0 + t1) / 2;
    Find(left, t0, tm, depth + 1);
    Find(right, tm, t1, depth + 1);
  }
};

// The control points of the part of cubic p between parameters u and v.
void SubCurve(const double px[4], const double py[4], double u, double v, double ox[4],
              double oy[4]) {
  auto split = [](const double in[4], double t, bool keepRight, double out[4]) {
    const double a = in[0] + t * (in[1] - in[0]);
    const double b = in[1] + t * (in[2] - in[1]);
    const double c = in[2] + t * (in[3] - in[2]);
    const double d = a + t * (b - a);
    const double e = b + t * (c - b);
    const double m = d + t * (e - d);
    if (keepRight) {
      out[0] = m, out[1] = e, out[2] = c, out[3] = in[3];
    } else {
      out[0] = in[0], out[1] = a, out[2] = d, out[3] = m;
    }
  };
  double tx[4], ty[4];
  split(px, v, false, tx);
  split(py, v, false, ty);
  const double s = v > 0 ? u / v : 0;
  split(tx, s, true, ox);
  split(ty, s, true, oy);
}
}  // namespace

void LineClipper::ClipLineToBox(std::span<const Coord> points, const Box& box,
                                const PieceSink& sink) {
  const Box b = NormalizedBox(box);
  edges_[0] = {false, PosWord(b.left), +1};
  edges_[1] = {false, PosWord(b.right), -1};
  edges_[2] = {true, PosWord(b.bottom), +1};
  edges_[3] = {true, PosWord(b.top), -1};
  sink_ = &sink;
  for (auto& p : pieces_) p.clear();
  RunStage(0, points);
  sink_ = nullptr;
}

double LineClipper::Side(int stage, double x, double y) const {
  const Edge& e = edges_[stage];
  return e.sign * ((e.alongY ? y : x) - e.bound);
}

void LineClipper::Emit(int stage) {
  std::vector<Coord>& piece = pieces_[stage];
  if (piece.empty()) return;
  if (stage == 3) {
    (*sink_)(piece);
  } else {
    RunStage(stage + 1, piece);
  }
  piece.clear();
}

void LineClipper::AddPoint(int stage, Coord p) {
  std::vector<Coord>& piece = pieces_[stage];
  // Control points are never merged: a cubic needs all three of its points.
  if (!piece.empty() && !(piece.back().x & kCurveFlags) && !(p.x & kCurveFlags) &&
      piece.back().SamePlace(p))
    return;
  piece.push_back(p);
}

Coord LineClipper::SnapToEdge(int stage, Vec v, int32_t xFlags, int32_t yFlags) const {
  const Edge& e = edges_[stage];
  int32_t x = RoundToPosition(v.x), y = RoundToPosition(v.y);
  if (e.alongY) {
    y = e.bound;
  } else {
    x = e.bound;
  }
  return {x | (xFlags & kNoLeftLine), y | (yFlags & kNoRightLine)};
}

Coord LineClipper::Crossing(int stage, Coord p, Coord q) const {
  const double px = PosWord(p.x), py = PosWord(p.y), qx = PosWord(q.x), qy = PosWord(q.y);
  const double fp = Side(stage, px, py), fq = Side(stage, qx, qy);
  const double t = fp == fq ? 0 : fp / (fp - fq);
  return SnapToEdge(stage, {px + t * (qx - px), py + t * (qy - py)}, p.x, p.y);
}

void LineClipper::RunStage(int stage, std::span<const Coord> in) {
  const size_t n = in.size();
  if (n == 0) return;
  std::vector<Coord>& piece = pieces_[stage];
  piece.clear();
  auto inside = [&](Coord c) { return Side(stage, PosWord(c.x), PosWord(c.y)) >= 0; };
  const Coord first = {in[0].x & kStraightMask, in[0].y};
  if (inside(first)) AddPoint(stage, first);
  size_t i = 0;
  while (i + 1 < n) {
    const bool curve = (in[i + 1].x & kFirstCurvePoint) && i + 3 < n;
    const size_t endIdx = curve ? i + 3 : i + 1;
    const Coord p = in[i];
    const Coord q = {in[endIdx].x & kStraightMask, in[endIdx].y};
    if (q.y & kHoleStart) {
      // A new ring: never joined to the ring before it.
      Emit(stage);
      if (inside(q)) AddPoint(stage, q);
    } else if (curve) {
      ClipCurve(stage, &in[i]);
    } else {
      const bool inP = inside(p), inQ = inside(q);
      if (inP && inQ) {
        AddPoint(stage, q);
      } else if (inP) {
        AddPoint(stage, Crossing(stage, p, q));
        Emit(stage);
      } else if (inQ) {
        Emit(stage);
        AddPoint(stage, Crossing(stage, p, q));
        AddPoint(stage, q);
      }
    }
    i = endIdx;
  }
  Emit(stage);
}

void LineClipper::ClipCurve(int stage, const Coord* q) {
  double px[4], py[4], f[4];
  for (int k = 0; k < 4; ++k) {
    px[k] = PosWord(q[k].x);
    py[k] = PosWord(q[k].y);
    f[k] = Side(stage, px[k], py[k]);
  }
  const Coord end = {q[3].x & kStraightMask, q[3].y};
  const Coord c1 = {WithFlags(q[1].x, kFirstCurvePoint), PosWord(q[1].y)};
  const Coord c2 = {WithFlags(q[2].x, kSecondCurvePoint), PosWord(q[2].y)};
  if (std::min({f[0], f[1], f[2], f[3]}) >= 0) {
    AddPoint(stage, c1);
    AddPoint(stage, c2);
    AddPoint(stage, end);
    return;
  }
  if (std::max({f[0], f[1], f[2], f[3]}) < 0) {
    Emit(stage);
    return;
  }
  CrossingFinder finder;
  finder.Find(f, 0, 1, 0);
  double cuts[kMaxCrossings + 2];
  int cutCount = 0;
  cuts[cutCount++] = 0;
  for (int k = 0; k < finder.count; ++k)
    if (finder.t[k] > 1e-12 && finder.t[k] < 1 - 1e-12) cuts[cutCount++] = finder.t[k];
  cuts[cutCount++] = 1;

  for (int k = 0; k + 1 < cutCount; ++k) {
    const double u = cuts[k], v = cuts[k + 1];
    double sx[4], sy[4];
    SubCurve(px, py, u, v, sx, sy);
    // The middle of the part decides its side; its ends lie on the edge or at the curve's ends.
    double mx[4], my[4];
    SubCurve(sx, sy, 0.5, 1, mx, my);
    if (Side(stage, mx[0], my[0]) < 0) {
      Emit(stage);
      continue;
    }
    if (pieces_[stage].empty()) {
      AddPoint(stage, u == 0 ? Coord{q[0].x & kStraightMask, q[0].y}
                             : SnapToEdge(stage, {sx[0], sy[0]}, q[0].x, q[0].y));
    }
    AddPoint(stage, {RoundToPosition(sx[1]) | kFirstCurvePoint, RoundToPosition(sy[1])});
    AddPoint(stage, {RoundToPosition(sx[2]) | kSecondCurvePoint, RoundToPosition(sy[2])});
    AddPoint(stage, v == 1 ? end : SnapToEdge(stage, {sx[3], sy[3]}, 0, 0));
  }
}

}  // namespace zelk
