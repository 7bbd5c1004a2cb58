// Segments, hit tests, nearest places and segment splitting on an object's points.
#include "editor/outline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "geometry/curves.h"

namespace zelk {

namespace {

constexpr int kHitDepth = 4;
constexpr double kHitTolerance = 4;

RealPoint Real(const Coord& c) {
  return {static_cast<double>(PosWord(c.x)), static_cast<double>(PosWord(c.y))};
}

RealPoint Lerp(RealPoint a, RealPoint b, double t) {
  return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

Coord Rounded(RealPoint p, int32_t xFlags = 0, int32_t yFlags = 0) {
  return {WithFlags(RoundToPosition(p.x), xFlags), WithFlags(RoundToPosition(p.y), yFlags)};
}

double PointSegmentDistance(RealPoint p, RealPoint a, RealPoint b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

RealPoint QuadraticPoint(const Coord* p, double t) {
  const RealPoint a = Real(p[0]), b = Real(p[1]), c = Real(p[2]);
  return Lerp(Lerp(a, b, t), Lerp(b, c, t), t);
}

RealPoint SegmentPoint(const ObjectRecord& obj, const OutlineSegment& s, double t) {
  const Coord* c = obj.coords.data();
  switch (s.kind) {
    case OutlineSegment::Kind::Cubic:
      return BezierPoint(c + s.start, t);
    case OutlineSegment::Kind::Quadratic:
      return QuadraticPoint(c + s.start, t);
    case OutlineSegment::Kind::Straight:
      break;
  }
  return Lerp(Real(c[s.start]), Real(c[s.end]), t);
}

// The segments of one ring [first, last), appended in order.
void RingSegments(const ObjectRecord& obj, int first, int last, bool close,
                  std::vector<OutlineSegment>* out) {
  const std::vector<Coord>& c = obj.coords;
  int i = first;
  while (i + 1 < last) {
    const Coord& next = c[static_cast<size_t>(i + 1)];
    if ((next.x & kFirstCurvePoint) && i + 3 < last) {
      out->push_back({OutlineSegment::Kind::Cubic, i, i + 3, false});
      i += 3;
    } else if ((next.x & kSingleCurvePoint) && i + 2 < last) {
      out->push_back({OutlineSegment::Kind::Quadratic, i, i + 2, false});
      i += 2;
    } else {
      out->push_back({OutlineSegment::Kind::Straight, i, i + 1, false});
      i += 1;
    }
  }
  if (close && last - first >= 3 &&
      !c[static_cast<size_t>(last - 1)].SamePlace(c[static_cast<size_t>(first)]))
    out->push_back({OutlineSegment::Kind::Straight, last - 1, first, true});
}

}  // namespace

RealPoint BezierPoint(const Coord* p, double t) {
  const RealPoint a = Real(p[0]), b = Real(p[1]), c = Real(p[2]), d = Real(p[3]);
  const double u = 1 - t;
  const double k0 = u * u * u, k1 = 3 * u * u * t, k2 = 3 * u * t * t, k3 = t * t * t;
  return {k0 * a.x + k1 * b.x + k2 * c.x + k3 * d.x, k0 * a.y + k1 * b.y + k2 * c.y + k3 * d.y};
}

Coord BezierMidpoint(const Coord* p) {
  const Coord q0 = PosOnly(p[0]), q1 = PosOnly(p[1]), q2 = PosOnly(p[2]), q3 = PosOnly(p[3]);
  const Coord m01 = MidPoint(q0, q1), m12 = MidPoint(q1, q2), m23 = MidPoint(q2, q3);
  return PosOnly(MidPoint(MidPoint(m01, m12), MidPoint(m12, m23)));
}

std::vector<std::pair<int, int>> Rings(const ObjectRecord& obj) {
  std::vector<std::pair<int, int>> rings;
  const int n = obj.PointCount();
  if (n == 0) return rings;
  int first = 0;
  if (obj.type == ObjectType::Area) {
    for (int i = 1; i < n; ++i) {
      if (obj.coords[static_cast<size_t>(i)].y & kHoleStart) {
        rings.push_back({first, i});
        first = i;
      }
    }
  }
  rings.push_back({first, n});
  return rings;
}

std::vector<OutlineSegment> Segments(const ObjectRecord& obj) {
  std::vector<OutlineSegment> out;
  const bool area = obj.type == ObjectType::Area;
  for (auto [first, last] : Rings(obj)) RingSegments(obj, first, last, area, &out);
  return out;
}

void FlattenSegment(const ObjectRecord& obj, const OutlineSegment& s, std::vector<Coord>* out) {
  const Coord* c = obj.coords.data();
  switch (s.kind) {
    case OutlineSegment::Kind::Cubic: {
      const Coord p[4] = {PosOnly(c[s.start]), PosOnly(c[s.start + 1]), PosOnly(c[s.start + 2]),
                          PosOnly(c[s.end])};
      std::array<Coord, MaxFlattenPoints(kHitDepth)> buf;
      const int k = FlattenBezier(p, buf, kHitDepth, kHitTolerance);
      out->insert(out->end(), buf.begin(), buf.begin() + k);
      return;
    }
    case OutlineSegment::Kind::Quadratic: {
      const Coord p[3] = {PosOnly(c[s.start]), PosOnly(c[s.start + 1]), PosOnly(c[s.end])};
      std::array<Coord, kMaxQuadraticPoints> buf;
      const int k = FlattenQuadratic(p, buf, kHitTolerance);
      out->insert(out->end(), buf.begin(), buf.begin() + k);
      return;
    }
    case OutlineSegment::Kind::Straight:
      out->push_back(PosOnly(c[s.end]));
      return;
  }
}

std::vector<std::vector<Coord>> OutlinePolylines(const ObjectRecord& obj) {
  std::vector<std::vector<Coord>> lines;
  const bool area = obj.type == ObjectType::Area;
  std::vector<OutlineSegment> segments;
  for (auto [first, last] : Rings(obj)) {
    segments.clear();
    RingSegments(obj, first, last, area, &segments);
    std::vector<Coord> line{PosOnly(obj.coords[static_cast<size_t>(first)])};
    for (const OutlineSegment& s : segments) FlattenSegment(obj, s, &line);
    lines.push_back(std::move(line));
  }
  return lines;
}

double DistanceToOutline(const ObjectRecord& obj, Coord p) {
  double best = std::numeric_limits<double>::max();
  const RealPoint q = Real(p);
  if (obj.PointCount() == 1)
    return std::hypot(q.x - Real(obj.coords[0]).x, q.y - Real(obj.coords[0]).y);
  std::vector<Coord> flat;
  for (const OutlineSegment& s : Segments(obj)) {
    flat.clear();
    FlattenSegment(obj, s, &flat);
    RealPoint a = Real(obj.coords[static_cast<size_t>(s.start)]);
    for (const Coord& c : flat) {
      const RealPoint b = Real(c);
      best = std::min(best, PointSegmentDistance(q, a, b));
      a = b;
    }
  }
  return best;
}

bool InsidePolygon(const std::vector<Coord>& points, int first, int last, Coord p) {
  if (last - first < 3) return false;
  const double px = PosWord(p.x), py = PosWord(p.y);
  bool inside = false;
  for (int i = first, j = last - 1; i < last; j = i++) {
    const double xi = PosWord(points[static_cast<size_t>(i)].x);
    const double yi = PosWord(points[static_cast<size_t>(i)].y);
    const double xj = PosWord(points[static_cast<size_t>(j)].x);
    const double yj = PosWord(points[static_cast<size_t>(j)].y);
    if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) inside = !inside;
  }
  return inside;
}

bool InsideRings(const ObjectRecord& obj, Coord p) {
  bool inside = false;
  for (const std::vector<Coord>& ring : OutlinePolylines(obj))
    if (InsidePolygon(ring, 0, static_cast<int>(ring.size()), p)) inside = !inside;
  return inside;
}

OutlinePlace NearestPlace(const ObjectRecord& obj, Coord p) {
  OutlinePlace best;
  best.distance = std::numeric_limits<double>::max();
  const RealPoint q = Real(p);
  const std::vector<OutlineSegment> segments = Segments(obj);
  auto distanceAt = [&](const OutlineSegment& s, double t) {
    const RealPoint r = SegmentPoint(obj, s, t);
    return std::hypot(r.x - q.x, r.y - q.y);
  };
  for (size_t k = 0; k < segments.size(); ++k) {
    const OutlineSegment& s = segments[k];
    double t = 0;
    if (s.kind == OutlineSegment::Kind::Straight) {
      const RealPoint a = Real(obj.coords[static_cast<size_t>(s.start)]);
      const RealPoint b = Real(obj.coords[static_cast<size_t>(s.end)]);
      const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
      t = len2 > 0 ? std::clamp(((q.x - a.x) * dx + (q.y - a.y) * dy) / len2, 0.0, 1.0) : 0;
    } else {
      // Coarse samples, then a narrowing search around the best one.
      constexpr int kSamples = 48;
      double bestD = std::numeric_limits<double>::max();
      for (int i = 0; i <= kSamples; ++i) {
        const double d = distanceAt(s, static_cast<double>(i) / kSamples);
        if (d < bestD) {
          bestD = d;
          t = static_cast<double>(i) / kSamples;
        }
      }
      double lo = std::max(0.0, t - 1.0 / kSamples), hi = std::min(1.0, t + 1.0 / kSamples);
      for (int i = 0; i < 40; ++i) {
        const double a = lo + (hi - lo) / 3, b = hi - (hi - lo) / 3;
        if (distanceAt(s, a) < distanceAt(s, b))
          hi = b;
        else
          lo = a;
      }
      t = (lo + hi) / 2;
    }
    const double d = distanceAt(s, t);
    if (d < best.distance) {
      best.found = true;
      best.distance = d;
      best.segment = static_cast<int>(k);
      best.t = t;
      best.at = Rounded(SegmentPoint(obj, s, t));
    }
  }
  return best;
}

int InsertAt(ObjectRecord& obj, const std::vector<OutlineSegment>& segments,
             const OutlinePlace& place, bool corner) {
  if (!place.found || place.segment < 0 || place.segment >= static_cast<int>(segments.size()))
    return -1;
  const OutlineSegment& s = segments[static_cast<size_t>(place.segment)];
  std::vector<Coord>& c = obj.coords;
  if (s.start < 0 || s.end < 0 || s.start >= obj.PointCount() || s.end >= obj.PointCount())
    return -1;
  const Coord start = c[static_cast<size_t>(s.start)];
  const int32_t xf = start.x & kNoLeftLine;
  const int32_t yf = (start.y & kNoRightLine) | (corner ? kCornerPoint : 0);
  const double t = place.t;
  const auto at = [&](int i) { return c.begin() + i; };
  if (s.kind == OutlineSegment::Kind::Straight) {
    const Coord p = Rounded(Lerp(Real(start), Real(c[static_cast<size_t>(s.end)]), t), xf, yf);
    if (p.SamePlace(start) || p.SamePlace(c[static_cast<size_t>(s.end)])) return -1;
    c.insert(at(s.start + 1), p);
    return s.start + 1;
  }
  if (t <= 1e-9 || t >= 1 - 1e-9) return -1;
  if (s.kind == OutlineSegment::Kind::Cubic) {
    const RealPoint p0 = Real(start), p1 = Real(c[static_cast<size_t>(s.start + 1)]),
                    p2 = Real(c[static_cast<size_t>(s.start + 2)]),
                    p3 = Real(c[static_cast<size_t>(s.end)]);
    const int32_t f1 = FlagByte(c[static_cast<size_t>(s.start + 1)].x);
    const int32_t f2 = FlagByte(c[static_cast<size_t>(s.start + 2)].x);
    const RealPoint q0 = Lerp(p0, p1, t), q1 = Lerp(p1, p2, t), q2 = Lerp(p2, p3, t);
    const RealPoint r0 = Lerp(q0, q1, t), r1 = Lerp(q1, q2, t), m = Lerp(r0, r1, t);
    c[static_cast<size_t>(s.start + 1)] = Rounded(q0, f1);
    c[static_cast<size_t>(s.start + 2)] = Rounded(r0, f2);
    c.insert(at(s.start + 3), {Rounded(m, xf, yf), Rounded(r1, f1), Rounded(q2, f2)});
    return s.start + 3;
  }
  const RealPoint p0 = Real(start), p1 = Real(c[static_cast<size_t>(s.start + 1)]),
                  p2 = Real(c[static_cast<size_t>(s.end)]);
  const int32_t f1 = FlagByte(c[static_cast<size_t>(s.start + 1)].x);
  const RealPoint q0 = Lerp(p0, p1, t), q1 = Lerp(p1, p2, t), m = Lerp(q0, q1, t);
  c[static_cast<size_t>(s.start + 1)] = Rounded(q0, f1);
  c.insert(at(s.start + 2), {Rounded(m, xf, yf), Rounded(q1, f1)});
  return s.start + 2;
}

int NearestPoint(const ObjectRecord& obj, Coord p, int32_t tolerance, bool anchorsOnly) {
  int best = -1;
  int64_t bestD = std::numeric_limits<int64_t>::max();
  bool bestAnchor = false;
  for (int i = 0; i < obj.PointCount(); ++i) {
    const Coord& c = obj.coords[static_cast<size_t>(i)];
    const bool anchor = !IsControlPoint(c);
    if (anchorsOnly && !anchor) continue;
    const int64_t d = std::max(std::llabs(int64_t{PosWord(c.x)} - PosWord(p.x)),
                               std::llabs(int64_t{PosWord(c.y)} - PosWord(p.y)));
    if (d > tolerance) continue;
    if (d < bestD || (d == bestD && anchor && !bestAnchor)) {
      best = i;
      bestD = d;
      bestAnchor = anchor;
    }
  }
  return best;
}

}  // namespace zelk
