// Device polylines from paths of coordinate words.
#include "render/device_path.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zelk {

namespace {

Coord Mid(const Coord& p, const Coord& q) {
  // Halving each word before adding keeps the sum inside 32 bits.
  return {(p.x / 2) + (q.x / 2), (p.y / 2) + (q.y / 2)};
}

Coord Masked(const Coord& p) {
  return {p.x & kPosMask, p.y & kPosMask};
}

bool EndsWithin(const Coord& a, const Coord& b, double tolerance) {
  double limit = tolerance * 256.0;
  return std::abs(static_cast<double>(a.x) - b.x) <= limit &&
         std::abs(static_cast<double>(a.y) - b.y) <= limit;
}

void Cubic(const Coord& p0, const Coord& p1, const Coord& p2, const Coord& p3, int depth,
           int maxDepth, double tolerance, std::vector<Coord>& out) {
  // The whole segment is always split once: a loop's end points coincide, and judging it flat
  // by them would make a closed curve vanish.
  if (depth > maxDepth || (depth > 1 && EndsWithin(p0, p3, tolerance))) {
    out.push_back(p3);
    return;
  }
  Coord m01 = Mid(p0, p1), m12 = Mid(p1, p2), m23 = Mid(p2, p3);
  Coord m012 = Mid(m01, m12), m123 = Mid(m12, m23);
  Coord c = Mid(m012, m123);
  Cubic(p0, m01, m012, c, depth + 1, maxDepth, tolerance, out);
  Cubic(c, m123, m23, p3, depth + 1, maxDepth, tolerance, out);
}

void Quadratic(const Coord& p0, const Coord& p1, const Coord& p2, int depth, double tolerance,
               std::vector<Coord>& out) {
  if (depth >= 6 || (depth > 1 && EndsWithin(p0, p2, tolerance))) {
    out.push_back(p2);
    return;
  }
  Coord m01 = Mid(p0, p1), m12 = Mid(p1, p2);
  Coord c = Mid(m01, m12);
  Quadratic(p0, m01, c, depth + 1, tolerance, out);
  Quadratic(c, m12, p2, depth + 1, tolerance, out);
}

}  // namespace

DeviceRect DeviceClipRect(const OutputState& state) {
  const Box& c = state.clipRectangle;
  DevicePoint a = ToDevice(state, {c.left, c.top});
  DevicePoint b = ToDevice(state, {c.right, c.bottom});
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

int32_t DeviceLengthX(const OutputState& state, double mapUnits) {
  return RoundToDevice(std::abs(mapUnits * state.scaleX * 256.0));
}

void FlattenCubic(const Coord* p, int maxDepth, double tolerance, std::vector<Coord>& out) {
  Cubic(Masked(p[0]), Masked(p[1]), Masked(p[2]), Masked(p[3]), 1, maxDepth, tolerance, out);
  out.back() = p[3];
}

void FlattenThreePoint(const Coord* p, double tolerance, std::vector<Coord>& out) {
  Quadratic(Masked(p[0]), Masked(p[1]), Masked(p[2]), 1, tolerance, out);
  out.back() = p[2];
}

void ToRealPolyline(std::span<const Coord> path, const OutputState& state, double tolerance,
                    std::vector<Coord>& flat, RealPolyline* out, bool splitRings) {
  RealPolyline& result = *out;
  result.points.clear();
  result.ringLengths.clear();
  const size_t n = path.size();
  if (n == 0) return;
  int ringStart = 0;
  auto append = [&](const Coord& c) { result.points.push_back(ToDeviceReal(state, c)); };
  auto newRing = [&]() {
    const int length = static_cast<int>(result.points.size()) - ringStart;
    if (length > 0) result.ringLengths.push_back(length);
    ringStart = static_cast<int>(result.points.size());
  };
  append(path[0]);
  size_t i = 0;
  while (i + 1 < n) {
    const Coord& next = path[i + 1];
    if ((next.x & kFirstCurvePoint) && i + 3 < n) {
      flat.clear();
      FlattenCubic(&path[i], 5, tolerance, flat);
      for (const Coord& c : flat) append(c);
      i += 3;
    } else if ((next.x & kSingleCurvePointFlag) && i + 2 < n) {
      flat.clear();
      FlattenThreePoint(&path[i], tolerance / 4, flat);
      for (const Coord& c : flat) append(c);
      i += 2;
    } else {
      if (splitRings && (next.y & kHoleStart)) newRing();
      append(next);
      i += 1;
    }
  }
  newRing();
}

void RoundPolyline(const RealPolyline& real, DevicePolyline* out) {
  DevicePolyline& result = *out;
  result.points.clear();
  result.ringLengths.clear();
  size_t start = 0;
  for (int length : real.ringLengths) {
    const size_t first = result.points.size();
    for (size_t i = start; i < start + static_cast<size_t>(length); ++i) {
      const DevicePoint d{RoundToDevice(real.points[i].x), RoundToDevice(real.points[i].y)};
      if (result.points.size() > first && result.points.back() == d) continue;
      result.points.push_back(d);
    }
    start += static_cast<size_t>(length);
    result.ringLengths.push_back(static_cast<int>(result.points.size() - first));
  }
}

DevicePolyline ToDevicePolyline(std::span<const Coord> path, const OutputState& state,
                                double tolerance, bool splitRings) {
  DevicePathScratch scratch;
  ToRealPolyline(path, state, tolerance, scratch.flat, &scratch.real, splitRings);
  DevicePolyline result;
  RoundPolyline(scratch.real, &result);
  return result;
}

RealBounds BoundsOf(const RealPolyline& polyline) {
  RealBounds b;
  if (polyline.points.empty()) return b;
  b = {polyline.points[0].x, polyline.points[0].y, polyline.points[0].x, polyline.points[0].y};
  for (const RealPoint& p : polyline.points) {
    b.left = std::min(b.left, p.x);
    b.right = std::max(b.right, p.x);
    b.top = std::min(b.top, p.y);
    b.bottom = std::max(b.bottom, p.y);
  }
  return b;
}

void CloseRings(DevicePolyline& polyline) {
  DevicePolyline closed;
  size_t start = 0;
  for (int length : polyline.ringLengths) {
    std::span<const DevicePoint> ring(polyline.points.data() + start, length);
    start += length;
    std::vector<DevicePoint> pts(ring.begin(), ring.end());
    if (pts.front() != pts.back()) pts.push_back(pts.front());
    if (pts.size() < 4) continue;
    closed.points.insert(closed.points.end(), pts.begin(), pts.end());
    closed.ringLengths.push_back(static_cast<int>(pts.size()));
  }
  polyline = std::move(closed);
}

namespace {

// Liang-Barsky: the parameters t0 <= t1 of the part of a -> b inside the rectangle; false when
// no part is inside.
bool ClipSegment(const RealPoint& a, const RealPoint& b, const DeviceRect& r, double* t0,
                 double* t1) {
  double lo = 0, hi = 1;
  const double dx = b.x - a.x, dy = b.y - a.y;
  auto edge = [&](double p, double q) {
    if (p == 0) return q >= 0;
    const double t = q / p;
    if (p < 0) {
      if (t > hi) return false;
      lo = std::max(lo, t);
    } else {
      if (t < lo) return false;
      hi = std::min(hi, t);
    }
    return true;
  };
  if (!edge(-dx, a.x - r.left) || !edge(dx, r.right - a.x) || !edge(-dy, a.y - r.top) ||
      !edge(dy, r.bottom - a.y)) {
    return false;
  }
  *t0 = lo;
  *t1 = hi;
  return true;
}

}  // namespace

void ClipToRuns(std::span<const RealPoint> ring, const DeviceRect& rect, DevicePolyline* out) {
  DevicePolyline& result = *out;
  result.points.clear();
  result.ringLengths.clear();
  size_t runStart = 0;
  bool open = false;
  auto endRun = [&]() {
    if (!open) return;
    const size_t length = result.points.size() - runStart;
    if (length >= 2) {
      result.ringLengths.push_back(static_cast<int>(length));
    } else {
      result.points.resize(runStart);
    }
    open = false;
  };
  auto add = [&](double x, double y) {
    const DevicePoint d{RoundToDevice(x), RoundToDevice(y)};
    if (result.points.size() > runStart && result.points.back() == d) return;
    result.points.push_back(d);
  };
  for (size_t i = 0; i + 1 < ring.size(); ++i) {
    const RealPoint& a = ring[i];
    const RealPoint& b = ring[i + 1];
    // An open run ends inside the rectangle: with b inside too, the segment needs no cutting.
    if (open && b.x >= rect.left && b.x <= rect.right && b.y >= rect.top && b.y <= rect.bottom) {
      add(b.x, b.y);
      continue;
    }
    double t0 = 0, t1 = 1;
    if (!ClipSegment(a, b, rect, &t0, &t1)) {
      endRun();
      continue;
    }
    if (t0 > 0) endRun();
    if (!open) {
      runStart = result.points.size();
      open = true;
      add(a.x + t0 * (b.x - a.x), a.y + t0 * (b.y - a.y));
    }
    if (t1 < 1) {
      add(a.x + t1 * (b.x - a.x), a.y + t1 * (b.y - a.y));
      endRun();
    } else {
      add(b.x, b.y);
    }
  }
  endRun();
}

}  // namespace zelk
