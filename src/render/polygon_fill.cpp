// The polygon fill with subdivision: halving at axis-parallel lines until the pieces are
// hole-free and small enough for the device.
#include "render/polygon_fill.h"

#include <algorithm>
#include <cmath>

#include "geometry/box_ops.h"
#include "geometry/coord_math.h"
#include "render/object_renderer.h"

namespace zelk {
namespace {

constexpr int kMaxCurveLevels = 20;

struct Pt {
  double x = 0, y = 0;
};

Pt ToPt(Coord c) {
  return {static_cast<double>(PosWord(c.x)), static_cast<double>(PosWord(c.y))};
}
Pt Lerp(Pt a, Pt b, double t) {
  return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

bool IsControl(Coord c) {
  return (c.x & kCurveFlags) != 0;
}

// Rewrites a ring so that every curve flag introduces a whole cubic segment: broken curve flags
// are dropped and three-point curves are raised to cubic ones.
std::vector<Coord> NormalizeRing(std::span<const Coord> ring) {
  std::vector<Coord> out;
  out.reserve(ring.size() + 8);
  const size_t n = ring.size();
  if (n == 0) return out;
  out.push_back({ring[0].x & ~kCurveFlags, ring[0].y});
  size_t i = 1;
  while (i < n) {
    const Coord c = ring[i];
    if ((c.x & kFirstCurvePoint) && i + 2 < n && (ring[i + 1].x & kSecondCurvePoint) &&
        !IsControl(ring[i + 2])) {
      out.push_back({WithFlags(c.x, kFirstCurvePoint), c.y});
      out.push_back({WithFlags(ring[i + 1].x, kSecondCurvePoint), ring[i + 1].y});
      out.push_back(ring[i + 2]);
      i += 3;
    } else if ((c.x & kSingleCurvePoint) && i + 1 < n && !IsControl(ring[i + 1])) {
      const Pt s = ToPt(out.back()), m = ToPt(c), e = ToPt(ring[i + 1]);
      const Pt c1 = Lerp(s, m, 2.0 / 3.0), c2 = Lerp(e, m, 2.0 / 3.0);
      out.push_back({RoundToPosition(c1.x) | kFirstCurvePoint, RoundToPosition(c1.y)});
      out.push_back({RoundToPosition(c2.x) | kSecondCurvePoint, RoundToPosition(c2.y)});
      out.push_back(ring[i + 1]);
      i += 2;
    } else {
      out.push_back({c.x & ~kCurveFlags, c.y});
      ++i;
    }
  }
  return out;
}

class HalfPlane {
 public:
  HalfPlane(CutAxis axis, int32_t cut, CutSide side)
      : axis_(axis), cut_(PosWord(cut)), side_(side) {}

  // Signed distance from the line, positive on the kept side.
  double D(Pt p) const {
    const double v = axis_ == CutAxis::Vertical ? p.x : p.y;
    return side_ == CutSide::Low ? cut_ - v : v - cut_;
  }
  double D(Coord c) const { return D(ToPt(c)); }

  // A point on the line, the other coordinate rounded.
  Coord OnLine(Pt p) const {
    if (axis_ == CutAxis::Vertical) return {ClampCoord(cut_), RoundToPosition(p.y) | kCornerPoint};
    return {RoundToPosition(p.x), ClampCoord(cut_) | kCornerPoint};
  }

  // Clips one normalised ring; the result is implicitly closed (its last point joins its first
  // along the line or by the ring's own closing edge).
  std::vector<Coord> ClipRing(const std::vector<Coord>& ring) const {
    std::vector<Coord> out;
    const size_t n = ring.size();
    inside_ = D(ring[0]) >= 0;
    out_ = &out;
    if (inside_) out.push_back({ring[0].x, ring[0].y & ~kHoleStart});
    size_t i = 1;
    while (i < n) {
      if ((ring[i].x & kFirstCurvePoint) && i + 2 < n) {
        Cubic(ring[i - 1], ring[i], ring[i + 1], ring[i + 2]);
        i += 3;
      } else {
        Straight(ring[i - 1], ring[i]);
        ++i;
      }
    }
    if (n > 1 && !ring[n - 1].SamePlace(ring[0])) Straight(ring[n - 1], ring[0]);
    return out;
  }

 private:
  void Enter(Coord a) const {
    if (!inside_) {
      out_->push_back(a);
      inside_ = true;
    }
  }
  void Leave() const { inside_ = false; }

  void Straight(Coord p, Coord q) const {
    const double dp = D(p), dq = D(q);
    if (dp >= 0 && dq >= 0) {
      Enter(p);
      out_->push_back(Plain(q));
      return;
    }
    if (dp < 0 && dq < 0) {
      Leave();
      return;
    }
    const Coord x = OnLine(Lerp(ToPt(p), ToPt(q), dp / (dp - dq)));
    if (dp >= 0) {
      if (dp > 0) {
        Enter(p);
        out_->push_back(x);
      }
      Leave();
    } else {
      Leave();
      Enter(x);
      if (dq > 0) out_->push_back(Plain(q));
    }
  }

  // Crossings of the cubic with the line: the distance along the curve is a one-dimensional
  // cubic; pieces on one side (or touching) are leaves, found by halving.
  static void Crossings(const double (&d)[4], double t0, double t1, int level,
                        std::vector<double>& ts) {
    const bool allIn = d[0] >= 0 && d[1] >= 0 && d[2] >= 0 && d[3] >= 0;
    const bool allOut = d[0] <= 0 && d[1] <= 0 && d[2] <= 0 && d[3] <= 0;
    if (allIn || allOut || level >= kMaxCurveLevels) {
      if ((d[0] >= 0) != (d[3] >= 0)) {
        const double f = d[0] == d[3] ? 0.0 : d[0] / (d[0] - d[3]);
        ts.push_back(t0 + (t1 - t0) * std::clamp(f, 0.0, 1.0));
      }
      return;
    }
    const double a = (d[0] + d[1]) / 2, b = (d[1] + d[2]) / 2, c = (d[2] + d[3]) / 2;
    const double ab = (a + b) / 2, bc = (b + c) / 2, m = (ab + bc) / 2;
    const double left[4] = {d[0], a, ab, m}, right[4] = {m, bc, c, d[3]};
    const double tm = (t0 + t1) / 2;
    Crossings(left, t0, tm, level + 1, ts);
    Crossings(right, tm, t1, level + 1, ts);
  }

  static void SplitAt(const Pt (&c)[4], double t, Pt (&l)[4], Pt (&r)[4]) {
    const Pt a = Lerp(c[0], c[1], t), b = Lerp(c[1], c[2], t), e = Lerp(c[2], c[3], t);
    const Pt ab = Lerp(a, b, t), be = Lerp(b, e, t), m = Lerp(ab, be, t);
    l[0] = c[0], l[1] = a, l[2] = ab, l[3] = m;
    r[0] = m, r[1] = be, r[2] = e, r[3] = c[3];
  }

  void Cubic(Coord p, Coord c1, Coord c2, Coord q) const {
    const double d[4] = {D(p), D(c1), D(c2), D(q)};
    if (d[0] >= 0 && d[1] >= 0 && d[2] >= 0 && d[3] >= 0) {
      Enter(p);
      out_->push_back(c1);
      out_->push_back(c2);
      out_->push_back(Plain(q));
      return;
    }
    if (d[0] <= 0 && d[1] <= 0 && d[2] <= 0 && d[3] <= 0) {
      Leave();
      return;
    }
    std::vector<double> ts;
    Crossings(d, 0.0, 1.0, 0, ts);
    ts.push_back(1.0);
    Pt rest[4] = {ToPt(p), ToPt(c1), ToPt(c2), ToPt(q)};
    double t0 = 0.0;
    Coord start = p;
    for (double t : ts) {
      if (t - t0 <= 1e-12 && t < 1.0) continue;
      Pt piece[4], remain[4];
      const bool last = t >= 1.0;
      if (last) {
        std::copy(std::begin(rest), std::end(rest), piece);
      } else {
        SplitAt(rest, (t - t0) / (1.0 - t0), piece, remain);
      }
      const Coord end = last ? q : OnLine(piece[3]);
      // Inside or outside by the piece's middle, which never lies on the line.
      const Pt mid =
          Lerp(Lerp(Lerp(piece[0], piece[1], 0.5), Lerp(piece[1], piece[2], 0.5), 0.5),
               Lerp(Lerp(piece[1], piece[2], 0.5), Lerp(piece[2], piece[3], 0.5), 0.5), 0.5);
      if (D(mid) >= 0 && !start.SamePlace(end)) {
        Enter(start);
        out_->push_back(
            {RoundToPosition(piece[1].x) | kFirstCurvePoint, RoundToPosition(piece[1].y)});
        out_->push_back(
            {RoundToPosition(piece[2].x) | kSecondCurvePoint, RoundToPosition(piece[2].y)});
        out_->push_back(last ? Plain(end) : end);
      } else if (D(mid) < 0) {
        Leave();
      }
      if (last) break;
      std::copy(std::begin(remain), std::end(remain), rest);
      t0 = t;
      start = end;
    }
  }

  static Coord Plain(Coord c) { return {c.x, c.y & ~kHoleStart}; }

  CutAxis axis_;
  int64_t cut_;
  CutSide side_;
  mutable bool inside_ = false;
  mutable std::vector<Coord>* out_ = nullptr;
};

// Closes a clipped ring explicitly and turns it to begin at an on-curve point on the line, so
// that rings can be chained through edges along the line.
std::vector<Coord> RingFromLine(const std::vector<Coord>& ring, size_t k) {
  std::vector<Coord> closed = ring;
  if (!closed.back().SamePlace(closed.front()) || IsControl(closed.back()))
    closed.push_back({closed.front().x & ~kCurveFlags, closed.front().y});
  std::vector<Coord> out;
  out.reserve(closed.size());
  for (size_t i = k; i < closed.size(); ++i) out.push_back(closed[i]);
  for (size_t i = 1; i <= k; ++i) out.push_back(closed[i]);
  return out;
}

}  // namespace

std::vector<Coord> ClipHalfPlane(std::span<const Coord> points, CutAxis axis, int32_t cut,
                                 CutSide side) {
  const HalfPlane plane(axis, cut, side);
  std::vector<Coord> joined;
  std::vector<std::vector<Coord>> separate;
  size_t begin = 0;
  while (begin < points.size()) {
    size_t end = begin + 1;
    while (end < points.size() && !(points[end].y & kHoleStart)) ++end;
    const std::vector<Coord> ring = NormalizeRing(points.subspan(begin, end - begin));
    begin = end;
    std::vector<Coord> clipped = plane.ClipRing(ring);
    if (clipped.size() < 3) continue;
    size_t onLine = clipped.size();
    for (size_t i = 0; i < clipped.size(); ++i) {
      if (!IsControl(clipped[i]) && plane.D(clipped[i]) == 0) {
        onLine = i;
        break;
      }
    }
    if (onLine == clipped.size()) {
      separate.push_back(std::move(clipped));
    } else {
      const std::vector<Coord> r = RingFromLine(clipped, onLine);
      joined.insert(joined.end(), r.begin(), r.end());
    }
  }
  std::vector<Coord> out;
  auto append = [&out](const std::vector<Coord>& ring) {
    for (size_t i = 0; i < ring.size(); ++i) {
      Coord c = ring[i];
      c.y = i == 0 ? (c.y | kHoleStart) : (c.y & ~kHoleStart);
      out.push_back(c);
    }
  };
  if (!joined.empty()) append(joined);
  for (const auto& r : separate) append(r);
  if (out.size() < 3) return {};
  out[0].y &= ~kHoleStart;
  const auto box = BoxOfPoints(out);
  if (!box || box->left == box->right || box->bottom == box->top) return {};
  return out;
}

namespace {

void FillPieces(RenderContext& ctx, std::vector<Coord> points, const FillCallback& callback,
                int depth, int& budget) {
  if (points.size() < 3 || budget <= 0) return;
  --budget;
  points[0].y &= ~kHoleStart;
  const bool holes = std::any_of(points.begin(), points.end(),
                                 [](const Coord& c) { return (c.y & kHoleStart) != 0; });
  if (!holes && callback(points)) return;
  if (depth >= kMaxFillDepth) return;
  const auto box = BoxOfPoints(points);
  if (!box) return;
  const int64_t width = int64_t{box->right} - box->left;
  const int64_t height = int64_t{box->top} - box->bottom;
  CutAxis axis;
  int32_t cut;
  if (width >= height) {
    axis = CutAxis::Vertical;
    cut = PosWord(static_cast<int32_t>((int64_t{box->left} + box->right) / 2));
  } else {
    axis = CutAxis::Horizontal;
    cut = PosWord(static_cast<int32_t>((int64_t{box->bottom} + box->top) / 2));
  }
  for (CutSide side : {CutSide::Low, CutSide::High}) {
    std::vector<Coord> piece = ClipHalfPlane(points, axis, cut, side);
    if (!piece.empty()) FillPieces(ctx, std::move(piece), callback, depth + 1, budget);
  }
}

}  // namespace

void FillPolygon(RenderContext& ctx, std::span<const Coord> points, const FillCallback& callback,
                 int depth) {
  int budget = kMaxFillPieces;
  FillPieces(ctx, std::vector<Coord>(points.begin(), points.end()), callback, depth, budget);
}

bool SolidFillCallback(RenderContext& ctx, std::span<const Coord> points) {
  if (points.empty()) return true;
  OutputDevice& dev = ctx.device;
  dev.BeginPath(points[0]);
  for (size_t i = 1; i < points.size(); ++i) dev.AddPoint(points[i]);
  if (dev.PathOverflowed()) return false;
  return dev.FillPath(dev.State().HatchedView() ? kFillHatched : kFillSolid);
}

}  // namespace zelk
