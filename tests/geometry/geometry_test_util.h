// Small helpers for the geometry tests: points in map units and a cubic evaluated exactly.
#pragma once

#include <cmath>

#include "storage/coord.h"

namespace zelk::testing {

inline Coord U(int32_t x, int32_t y, int32_t xf = 0, int32_t yf = 0) {
  return Coord::FromUnits(x, y, xf, yf);
}

struct Pt {
  double x, y;  // map units
};

inline Pt Units(Coord c) {
  return {(c.x >> 8) * 1.0, (c.y >> 8) * 1.0};
}

inline Pt CubicAt(const Coord* p, double t) {
  const double s = 1 - t;
  const double b0 = s * s * s, b1 = 3 * s * s * t, b2 = 3 * s * t * t, b3 = t * t * t;
  const Pt a = Units(p[0]), b = Units(p[1]), c = Units(p[2]), d = Units(p[3]);
  return {b0 * a.x + b1 * b.x + b2 * c.x + b3 * d.x, b0 * a.y + b1 * b.y + b2 * c.y + b3 * d.y};
}

// Distance in map units from q to the cubic p: the nearest of 1001 samples, refined around it.
inline double DistanceToCubic(const Coord* p, Pt q) {
  auto dist = [&](double t) {
    const Pt c = CubicAt(p, t);
    return std::hypot(c.x - q.x, c.y - q.y);
  };
  double best = 1e300, bestT = 0;
  for (int i = 0; i <= 1000; ++i) {
    const double d = dist(i / 1000.0);
    if (d < best) best = d, bestT = i / 1000.0;
  }
  for (int i = -200; i <= 200; ++i) {
    const double t = bestT + i / 200000.0;
    if (t >= 0 && t <= 1) best = std::min(best, dist(t));
  }
  return best;
}

}  // namespace zelk::testing
