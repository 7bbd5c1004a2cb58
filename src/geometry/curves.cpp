// Flattening and splitting of cubic and three-point curves by midpoint subdivision.
#include "geometry/curves.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "geometry/coord_math.h"

namespace zelk {
namespace {

// Coincident ends mean a loop, which must never collapse to its end point: only ends that are
// apart but within the tolerance stop the subdivision.
bool EndsWithin(Coord a, Coord b, double limit) {
  if (a == b) return false;
  return static_cast<double>(std::llabs(int64_t{a.x} - b.x)) <= limit &&
         static_cast<double>(std::llabs(int64_t{a.y} - b.y)) <= limit;
}

int FitDepth(int maxDepth, size_t room, int perLeaf) {
  int depth = std::clamp(maxDepth, 0, kMaxCurveDepth);
  while (depth > 0 && static_cast<size_t>(perLeaf) << depth > room) --depth;
  return depth;
}

// Shared by flattening and splitting: the recursion is the same, only the leaf differs.
struct CubicSubdivider {
  Coord* out;
  int count;
  int maxDepth;
  double limit;
  bool split;
  Coord finalEnd;  // the caller's end point, written unchanged by flattening

  void Leaf(const Coord q[4], bool last) {
    if (split) {
      out[count++] = {WithFlags(q[1].x, kFirstCurvePoint), PosWord(q[1].y)};
      out[count++] = {WithFlags(q[2].x, kSecondCurvePoint), PosWord(q[2].y)};
      out[count++] = {PosWord(q[3].x), PosWord(q[3].y)};
    } else {
      out[count++] = last ? finalEnd : PosOnly(q[3]);
    }
  }

  void Run(const Coord q[4], int depth, bool last) {
    if (depth > maxDepth || EndsWithin(q[0], q[3], limit)) {
      Leaf(q, last);
      return;
    }
    const Coord m01 = MidPoint(q[0], q[1]);
    const Coord m12 = MidPoint(q[1], q[2]);
    const Coord m23 = MidPoint(q[2], q[3]);
    const Coord m012 = MidPoint(m01, m12);
    const Coord m123 = MidPoint(m12, m23);
    const Coord c = MidPoint(m012, m123);
    const Coord left[4] = {q[0], m01, m012, c};
    const Coord right[4] = {c, m123, m23, q[3]};
    Run(left, depth + 1, false);
    Run(right, depth + 1, last);
  }
};

int Subdivide(const Coord* p, std::span<Coord> out, int maxDepth, double tolerance, bool split) {
  const int perLeaf = split ? 3 : 1;
  if (!p || out.size() < static_cast<size_t>(perLeaf)) return 0;
  // Positions are computed with the flag bytes masked off so that flags never move a point.
  const Coord q[4] = {PosOnly(p[0]), PosOnly(p[1]), PosOnly(p[2]), PosOnly(p[3])};
  CubicSubdivider s{out.data(),        0,     FitDepth(maxDepth, out.size(), perLeaf),
                    tolerance * 256.0, split, p[3]};
  s.Run(q, 1, true);
  return s.count;
}

void QuadraticRun(const Coord q[3], int depth, double limit, Coord* out, int& count, bool last,
                  Coord finalEnd) {
  if (depth >= kQuadraticDepth || EndsWithin(q[0], q[2], limit)) {
    out[count++] = last ? finalEnd : PosOnly(q[2]);
    return;
  }
  const Coord m01 = MidPoint(q[0], q[1]);
  const Coord m12 = MidPoint(q[1], q[2]);
  const Coord c = MidPoint(m01, m12);
  const Coord left[3] = {q[0], m01, c};
  const Coord right[3] = {c, m12, q[2]};
  QuadraticRun(left, depth + 1, limit, out, count, false, finalEnd);
  QuadraticRun(right, depth + 1, limit, out, count, last, finalEnd);
}

}  // namespace

int FlattenBezier(const Coord* p, std::span<Coord> out, int maxDepth, double tolerance) {
  return Subdivide(p, out, maxDepth, tolerance, false);
}

int SplitBezier(const Coord* p, std::span<Coord> out, int maxDepth, double tolerance) {
  return Subdivide(p, out, maxDepth, tolerance, true);
}

int FlattenQuadratic(const Coord* p, std::span<Coord> out, double tolerance) {
  if (!p || out.size() < static_cast<size_t>(kMaxQuadraticPoints)) {
    // A short buffer gets the chord only rather than a partial curve.
    if (!p || out.empty()) return 0;
    out[0] = p[2];
    return 1;
  }
  const Coord q[3] = {PosOnly(p[0]), PosOnly(p[1]), PosOnly(p[2])};
  int count = 0;
  QuadraticRun(q, 1, tolerance * 256.0, out.data(), count, true, p[2]);
  return count;
}

}  // namespace zelk
