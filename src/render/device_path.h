// Turning paths of coordinate words into device polylines: transform, curve flattening, rings,
// clipping.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "render/output_device.h"
#include "storage/coord.h"

namespace zelk {

struct DevicePoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const DevicePoint&) const = default;
};

// A device rectangle with left <= right and top <= bottom (device y grows downwards).
struct DeviceRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool operator==(const DeviceRect&) const = default;
};

// The points of all rings one after another; ringLengths splits them (ring order kept).
struct DevicePolyline {
  std::vector<DevicePoint> points;
  std::vector<int> ringLengths;
};

// A point in device units before rounding. Paths are clipped in real numbers and rounded
// only then: a far point clamped to the device range first would bend its segment.
struct RealPoint {
  double x = 0;
  double y = 0;
  bool operator==(const RealPoint&) const = default;
};

struct RealPolyline {
  std::vector<RealPoint> points;
  std::vector<int> ringLengths;
};

// The work buffers of path conversion, owned by whoever converts (a device keeps one), so that
// drawing does not allocate per primitive.
struct DevicePathScratch {
  std::vector<Coord> flat;  // the points of one flattened curve
  RealPolyline real;
};

// A coordinate word in device units, unrounded and unclamped. Whole words: points made by curve
// flattening carry fractions of a unit in the low byte, and a real flag byte moves a point by
// less than a map unit.
inline RealPoint ToDeviceReal(const OutputState& state, const Coord& p) {
  const double dx = static_cast<double>(p.x) - state.originX;
  const double dy = static_cast<double>(p.y) - state.originY;
  return {dx * state.scaleX, dy * state.scaleY};
}
// The same rounded and clamped to the device range.
inline DevicePoint ToDevice(const OutputState& state, const Coord& p) {
  const RealPoint r = ToDeviceReal(state, p);
  return {RoundToDevice(r.x), RoundToDevice(r.y)};
}
// The clip rectangle of the state in device units.
DeviceRect DeviceClipRect(const OutputState& state);
// A length in map units as device units along x, rounded, without sign.
int32_t DeviceLengthX(const OutputState& state, double mapUnits);

// The points of one cubic segment p[0..3] after p[0], by midpoint subdivision down to maxDepth
// levels; a piece whose end points lie within tolerance map units in both axes is not split,
// except the whole segment, which is always split at least once.
void FlattenCubic(const Coord* p, int maxDepth, double tolerance, std::vector<Coord>& out);
// The same for a three-point curve p[0..2], at most six levels deep.
void FlattenThreePoint(const Coord* p, double tolerance, std::vector<Coord>& out);

// Curves flattened at tolerance (map units) and every point in device units, unrounded; a new
// ring begins at every point flagged HoleStart when splitRings is set.
void ToRealPolyline(std::span<const Coord> path, const OutputState& state, double tolerance,
                    std::vector<Coord>& flat, RealPolyline* out, bool splitRings = true);

// The same rounded to device points, consecutive equal device points dropped.
DevicePolyline ToDevicePolyline(std::span<const Coord> path, const OutputState& state,
                                double tolerance, bool splitRings = true);
// Rounds a real polyline (each coordinate clamped to the device range), dropping consecutive
// equal points within each ring.
void RoundPolyline(const RealPolyline& real, DevicePolyline* out);

// Bounds of all points: left <= right, top <= bottom.
struct RealBounds {
  double left = 0, top = 0, right = 0, bottom = 0;
};
RealBounds BoundsOf(const RealPolyline& polyline);

// Closes every ring (first point appended when the last differs) and drops rings that are then
// shorter than four points.
void CloseRings(DevicePolyline& polyline);

// The parts of one ring that lie inside the rectangle, each segment clipped in real numbers and
// then rounded: runs of connected pieces, consecutive equal points dropped, runs of fewer than
// two points left out. Strokes draw only these, so far-off parts never reach the device.
// `out` receives the runs one after another, its ringLengths their lengths.
void ClipToRuns(std::span<const RealPoint> ring, const DeviceRect& rect, DevicePolyline* out);

}  // namespace zelk
