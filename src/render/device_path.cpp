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

DevicePoint ToDevice(const OutputState& state, const Coord& p) {
  // Whole words: points made by curve flattening carry fractions of a unit in the low byte,
  // and a real flag byte moves a point by less than a map unit.
  double dx = static_cast<double>(p.x) - state.originX;
  double dy = static_cast<double>(p.y) - state.originY;
  return {RoundToDevice(dx * state.scaleX), RoundToDevice(dy * state.scaleY)};
}

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

DevicePolyline ToDevicePolyline(std::span<const Coord> path, const OutputState& state,
                                double tolerance, bool splitRings) {
  DevicePolyline result;
  ToDevicePolyline(path, state, tolerance, &result, splitRings);
  return result;
}

void ToDevicePolyline(std::span<const Coord> path, const OutputState& state, double tolerance,
                      DevicePolyline* out, bool splitRings) {
  DevicePolyline& result = *out;
  result.points.clear();
  result.ringLengths.clear();
  const size_t n = path.size();
  if (n == 0) return;
  int ringStart = 0;
  auto append = [&](const Coord& c) {
    DevicePoint d = ToDevice(state, c);
    if (static_cast<int>(result.points.size()) > ringStart && result.points.back() == d) return;
    result.points.push_back(d);
  };
  auto newRing = [&]() {
    int length = static_cast<int>(result.points.size()) - ringStart;
    if (length > 0) result.ringLengths.push_back(length);
    ringStart = static_cast<int>(result.points.size());
  };
  thread_local std::vector<Coord> flat;
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

std::vector<std::pair<int, int>> VisibleRuns(std::span<const DevicePoint> ring,
                                             const DeviceRect& rect) {
  std::vector<std::pair<int, int>> runs;
  VisibleRuns(ring, rect, &runs);
  return runs;
}

void VisibleRuns(std::span<const DevicePoint> ring, const DeviceRect& rect,
                 std::vector<std::pair<int, int>>* out) {
  std::vector<std::pair<int, int>>& runs = *out;
  runs.clear();
  int first = -1;
  for (size_t i = 0; i + 1 < ring.size(); ++i) {
    const DevicePoint& a = ring[i];
    const DevicePoint& b = ring[i + 1];
    bool touches = std::max(a.x, b.x) >= rect.left && std::min(a.x, b.x) <= rect.right &&
                   std::max(a.y, b.y) >= rect.top && std::min(a.y, b.y) <= rect.bottom;
    if (touches) {
      if (first < 0) first = static_cast<int>(i);
    } else if (first >= 0) {
      runs.emplace_back(first, static_cast<int>(i));
      first = -1;
    }
  }
  if (first >= 0) runs.emplace_back(first, static_cast<int>(ring.size()) - 1);
}

}  // namespace zelk
