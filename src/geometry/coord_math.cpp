// Rounding with clamps, rotation, nearness, midpoints, angles and the fast length.
#include "geometry/coord_math.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zelk {

double RoundHalfEvenLarge(double r) {
  if (std::isnan(r)) return 0.0;
  // From 2^52 on every double is whole; below it the environment's rounding to nearest with
  // halves to even applies.
  return std::nearbyint(r);
}

int32_t ClampCoord(int64_t word) {
  // The top of the range is the last whole map unit: clamping to 2^30 - 1 would set every flag.
  return static_cast<int32_t>(std::clamp<int64_t>(word, kMinCoordWord, kMaxPositionWord));
}

double AngleToRadians(int angleTenths) {
  return angleTenths * std::numbers::pi / 1800.0;
}

namespace {
void Rotate(int32_t cx, int32_t cy, const Coord* src, int n, double cos, double sin, Coord* dst) {
  const double ccx = PosWord(cx), ccy = PosWord(cy);
  for (int i = 0; i < n; ++i) {
    const Coord s = src[i];
    const double dx = PosWord(s.x) - ccx;
    const double dy = PosWord(s.y) - ccy;
    const int32_t x = RoundToPosition(cos * dx + ccx - sin * dy);
    const int32_t y = RoundToPosition(cos * dy + ccy + sin * dx);
    dst[i] = {x | FlagByte(s.x), y | FlagByte(s.y)};
  }
}
}  // namespace

void RotatePoints(int32_t cx, int32_t cy, const Coord* src, int n, double cos, double sin,
                  Coord* dst) {
  if (n > 0 && src && dst) Rotate(cx, cy, src, n, cos, sin, dst);
}
void RotatePointsBack(int32_t cx, int32_t cy, const Coord* src, int n, double cos, double sin,
                      Coord* dst) {
  if (n > 0 && src && dst) Rotate(cx, cy, src, n, cos, -sin, dst);
}
void RotatePoints(int32_t cx, int32_t cy, std::span<const Coord> src, double cos, double sin,
                  std::span<Coord> dst) {
  const auto n = static_cast<int>(std::min(src.size(), dst.size()));
  RotatePoints(cx, cy, src.data(), n, cos, sin, dst.data());
}
void RotatePointsBack(int32_t cx, int32_t cy, std::span<const Coord> src, double cos, double sin,
                      std::span<Coord> dst) {
  const auto n = static_cast<int>(std::min(src.size(), dst.size()));
  RotatePointsBack(cx, cy, src.data(), n, cos, sin, dst.data());
}

void MovePoints(std::span<Coord> points, int32_t dx, int32_t dy) {
  const int64_t mx = PosWord(dx), my = PosWord(dy);
  for (Coord& p : points) {
    p.x = ClampCoord(int64_t{PosWord(p.x)} + mx) | FlagByte(p.x);
    p.y = ClampCoord(int64_t{PosWord(p.y)} + my) | FlagByte(p.y);
  }
}

bool PointsNear(Coord p, Coord q, int64_t d) {
  return std::llabs(int64_t{p.x} - q.x) <= d && std::llabs(int64_t{p.y} - q.y) <= d;
}

bool PointsNearUnits(Coord p, Coord q, int64_t d) {
  const int64_t lim = d * 256;
  return std::llabs(int64_t{PosWord(p.x)} - PosWord(q.x)) <= lim &&
         std::llabs(int64_t{PosWord(p.y)} - PosWord(q.y)) <= lim;
}

double Distance(Coord p, Coord q) {
  return std::hypot(static_cast<double>(q.x) - p.x, static_cast<double>(q.y) - p.y);
}

double VectorAngle(Coord p, Coord q) {
  if (PointsNearUnits(p, q, 3)) return 0.0;
  const double dx = static_cast<double>(PosWord(q.x)) - PosWord(p.x);
  const double dy = static_cast<double>(PosWord(q.y)) - PosWord(p.y);
  if (dx != 0.0) {
    double a = std::atan(dy / dx) - std::numbers::pi / 2;
    if (dx < 0) a += std::numbers::pi;
    return a;
  }
  return dy <= 0 ? -std::numbers::pi : 0.0;
}

int32_t SegmentLength(Coord p, Coord q) {
  const int64_t a = std::llabs((int64_t{PosWord(q.x)} - PosWord(p.x)) >> 8);
  const int64_t b = std::llabs((int64_t{PosWord(q.y)} - PosWord(p.y)) >> 8);
  return static_cast<int32_t>(std::max(a, b) + std::min(a, b) / 2);
}

}  // namespace zelk
