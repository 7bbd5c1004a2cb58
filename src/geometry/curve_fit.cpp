#include "geometry/curve_fit.h"

#include <algorithm>
#include <cmath>

namespace zelk {

namespace {

constexpr int32_t kStretchFlagsX = kNoLeftLine, kStretchFlagsY = kNoRightLine;

struct V {
  double x = 0, y = 0;
};
V Pos(const Coord& c) {
  return {static_cast<double>(c.x & kPosMask), static_cast<double>(c.y & kPosMask)};
}
bool IsControl(const Coord& c) {
  return c.x & (kFirstCurvePoint | kSecondCurvePoint);
}
bool IsCorner(const Coord& c) {
  return c.y & kCornerPoint;
}
bool Stretch(const Coord& a, const Coord& b) {
  return (a.x & kStretchFlagsX) == (b.x & kStretchFlagsX) &&
         (a.y & kStretchFlagsY) == (b.y & kStretchFlagsY);
}
V Unit(double x, double y) {
  const double l = std::hypot(x, y);
  return l > 0 ? V{x / l, y / l} : V{0, 0};
}
Coord Word(V p, int32_t xFlags, int32_t yFlags) {
  auto w = [](double v) {
    const double c = std::clamp(std::nearbyint(v / 256), -4194304.0, 4194303.0);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int32_t>(c)) << 8);
  };
  return {w(p.x) | xFlags, w(p.y) | yFlags};
}

class Fitter {
 public:
  Fitter(const std::vector<Coord>& pts, double tol, std::vector<Coord>& out)
      : p_(pts), tol_(tol), out_(out) {}

  // Points a..d of a run, tangents (unit vectors) at the ends when known.
  void Run(size_t a, size_t d, std::optional<V> ta, std::optional<V> td, int depth = 0) {
    if (depth < 60 && !Fits(a, d, ta, td)) {
      const size_t f = Split(a, d);
      if (f > a && f < d) {
        const V tf = TangentAt(a, d, f);
        Run(a, f, ta, tf, depth + 1);
        Run(f, d, tf, td, depth + 1);
        return;
      }
    }
    Append(a, d, ta, td);
  }

 private:
  // The control points of one segment a..d: 0.4 of the chord along the end tangents; a free
  // end mirrors the other about the chord.
  void Controls(size_t a, size_t d, std::optional<V> ta, std::optional<V> td, V* c1, V* c2) const {
    const V A = Pos(p_[a]), D = Pos(p_[d]);
    const V chord = Unit(D.x - A.x, D.y - A.y);
    const double len = std::hypot(D.x - A.x, D.y - A.y) * 0.4;
    auto mirror = [&](V t) {  // about the chord's direction
      const double k = 2 * (t.x * chord.x + t.y * chord.y);
      return V{k * chord.x - t.x, k * chord.y - t.y};
    };
    V u = ta ? *ta : (td ? mirror(*td) : chord);
    V w = td ? *td : (ta ? mirror(*ta) : chord);
    *c1 = {A.x + u.x * len, A.y + u.y * len};
    *c2 = {D.x - w.x * len, D.y - w.y * len};
  }

  bool Fits(size_t a, size_t d, std::optional<V> ta, std::optional<V> td) const {
    if (d - a < 2) return true;
    V c1, c2;
    Controls(a, d, ta, td, &c1, &c2);
    const V A = Pos(p_[a]), D = Pos(p_[d]);
    constexpr int kSamples = 48;
    V s[kSamples + 1];
    for (int i = 0; i <= kSamples; ++i) {
      const double t = static_cast<double>(i) / kSamples, u = 1 - t;
      const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
      s[i] = {b0 * A.x + b1 * c1.x + b2 * c2.x + b3 * D.x,
              b0 * A.y + b1 * c1.y + b2 * c2.y + b3 * D.y};
    }
    // Every point lies within the tolerance of the flattened curve; the points also come in the
    // curve's order, so a loop the points do not make is not accepted.
    int from = 0;
    for (size_t q = a + 1; q < d; ++q) {
      const V P = Pos(p_[q]);
      int best = -1;
      for (int i = from; i < kSamples; ++i) {
        const V u = s[i], v = s[i + 1];
        const double dx = v.x - u.x, dy = v.y - u.y, l2 = dx * dx + dy * dy;
        const double t =
            l2 > 0 ? std::clamp(((P.x - u.x) * dx + (P.y - u.y) * dy) / l2, 0.0, 1.0) : 0;
        const double ex = std::abs(u.x + t * dx - P.x), ey = std::abs(u.y + t * dy - P.y);
        if (ex <= tol_ && ey <= tol_) {
          best = i;
          break;
        }
      }
      if (best < 0) return false;
      from = best;
    }
    return true;
  }

  // The point farthest from the chord, or from a when the run is closed.
  size_t Split(size_t a, size_t d) const {
    const V A = Pos(p_[a]), D = Pos(p_[d]);
    const bool closed = p_[a].SamePlace(p_[d]);
    const V n = Unit(-(D.y - A.y), D.x - A.x);
    size_t best = a;
    double far = -1;
    for (size_t q = a + 1; q < d; ++q) {
      const V P = Pos(p_[q]);
      const double dist = closed ? std::hypot(P.x - A.x, P.y - A.y)
                                 : std::abs((P.x - A.x) * n.x + (P.y - A.y) * n.y);
      if (dist > far) far = dist, best = q;
    }
    // A straight run still splits, in its middle.
    if (far <= 0) best = (a + d) / 2;
    return best;
  }

  V TangentAt(size_t a, size_t d, size_t f) const {
    const V A = Pos(p_[a]), D = Pos(p_[d]), F = Pos(p_[f]);
    V t = p_[a].SamePlace(p_[d]) ? Unit(-(F.y - A.y), F.x - A.x) : Unit(D.x - A.x, D.y - A.y);
    const V before = Pos(p_[f - 1]), after = Pos(p_[f + 1]);
    if (t.x * (after.x - before.x) + t.y * (after.y - before.y) < 0) t = {-t.x, -t.y};
    return t;
  }

  void Append(size_t a, size_t d, std::optional<V> ta, std::optional<V> td) {
    V c1, c2;
    Controls(a, d, ta, td, &c1, &c2);
    // The control points carry the stretch flags of the segment's start.
    const int32_t xs = p_[a].x & kStretchFlagsX, ys = p_[a].y & kStretchFlagsY;
    out_.push_back(Word(c1, kFirstCurvePoint | xs, ys));
    out_.push_back(Word(c2, kSecondCurvePoint | xs, ys));
    out_.push_back(p_[d]);
  }

  const std::vector<Coord>& p_;
  double tol_;
  std::vector<Coord>& out_;
};

}  // namespace

int32_t CurveFitTolerance(int level) {
  return level <= 0 ? 1280 : level == 1 ? 2560 : 5120;
}

std::vector<Coord> FitCurves(const std::vector<Coord>& pts, double tolerance, size_t from) {
  std::vector<Coord> out(pts.begin(),
                         pts.begin() + static_cast<ptrdiff_t>(std::min(from + 1, pts.size())));
  const size_t n = pts.size();
  size_t i = from;
  while (i + 1 < n) {
    if (IsControl(pts[i + 1])) {
      // An existing curve: its control points and end as they are.
      const size_t end = std::min(i + 3, n - 1);
      for (size_t k = i + 1; k <= end; ++k) out.push_back(pts[k]);
      i = end;
      continue;
    }
    if (pts[i + 1].y & kHoleStart) {
      out.push_back(pts[i + 1]);
      ++i;
      continue;
    }
    const size_t s = i;
    size_t e = i + 1;
    while (e + 1 < n && !IsControl(pts[e + 1]) && !IsCorner(pts[e]) &&
           !(pts[e + 1].y & kHoleStart) && Stretch(pts[e], pts[s]))
      ++e;
    if (e - s < 2) {
      for (size_t k = s + 1; k <= e; ++k) out.push_back(pts[k]);
    } else {
      Fitter(pts, tolerance, out).Run(s, e, std::nullopt, std::nullopt);
    }
    i = e;
  }
  return out;
}

std::optional<std::vector<Coord>> ToCurve(const std::vector<Coord>& pts, int level, int textSlots,
                                          size_t from) {
  double tolerance = CurveFitTolerance(level);
  for (int retry = 0; retry < 64; ++retry, tolerance += 1280) {
    std::vector<Coord> out = FitCurves(pts, tolerance, from);
    if (static_cast<int>(out.size()) + std::max(textSlots, 0) <= 2000) return out;
  }
  return std::nullopt;
}

}  // namespace zelk
