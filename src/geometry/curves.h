// Flattening and splitting of cubic and three-point curves by midpoint subdivision.
#pragma once

#include <span>

#include "storage/coord.h"

namespace zelk {

// Subdivision stops at a piece whose end points lie within the tolerance of each other in
// both axes, or below maxDepth levels. The control points are never looked at; a piece whose
// end points coincide (a loop) is always subdivided to the full depth.

// Points written by FlattenBezier at most for a depth (2^maxDepth).
constexpr int MaxFlattenPoints(int maxDepth) {
  return maxDepth <= 0 ? 1 : 1 << maxDepth;
}
// Depths above this are treated as this; deeper subdivision gains nothing on 24-bit positions.
constexpr int kMaxCurveDepth = 12;
// Depth at which FlattenQuadratic always writes a leaf, and the points it writes at most.
constexpr int kQuadraticDepth = 6;
constexpr int kMaxQuadraticPoints = 1 << (kQuadraticDepth - 1);

// Flattens the cubic segment p[0..3] into out; returns the number of points written. The start
// point is not written; the last point written is p[3] unchanged and the points before it have
// clean flag bytes. tolerance is in map units. When out is too small for 2^maxDepth points the
// depth is reduced until it fits (an empty out gets nothing).
int FlattenBezier(const Coord* p, std::span<Coord> out, int maxDepth, double tolerance);

// Splits the cubic segment p[0..3] into shorter cubic segments, three points per piece: control
// point 1 (x flag FirstCurvePoint), control point 2 (x flag SecondCurvePoint), end point (x flags
// cleared); y flag bytes cleared. Returns the number of points written (3 per piece). out too
// small for 3 * 2^maxDepth points reduces the depth as for FlattenBezier.
int SplitBezier(const Coord* p, std::span<Coord> out, int maxDepth, double tolerance);

// Flattens the three-point curve p[0..2] (p[1] the single control point); returns the number of
// points written, at most kMaxQuadraticPoints. The last point written is p[2] unchanged.
int FlattenQuadratic(const Coord* p, std::span<Coord> out, double tolerance);

}  // namespace zelk
