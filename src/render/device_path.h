// Turning paths of coordinate words into device polylines: transform, curve flattening, rings.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
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

DevicePoint ToDevice(const OutputState& state, const Coord& p);
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

// Curves flattened at tolerance (map units), consecutive equal device points dropped, and a new
// ring begun at every point flagged HoleStart when splitRings is set.
DevicePolyline ToDevicePolyline(std::span<const Coord> path, const OutputState& state,
                                double tolerance, bool splitRings = true);
// The same into a caller's buffers, so that drawing does not allocate per primitive.
void ToDevicePolyline(std::span<const Coord> path, const OutputState& state, double tolerance,
                      DevicePolyline* out, bool splitRings = true);

// Closes every ring (first point appended when the last differs) and drops rings that are then
// shorter than four points.
void CloseRings(DevicePolyline& polyline);

// Index ranges [first, last] of one ring's runs of consecutive segments whose bounding boxes
// touch the rectangle; strokes draw only these, so far-off parts never reach the device.
std::vector<std::pair<int, int>> VisibleRuns(std::span<const DevicePoint> ring,
                                             const DeviceRect& rect);
void VisibleRuns(std::span<const DevicePoint> ring, const DeviceRect& rect,
                 std::vector<std::pair<int, int>>* out);

}  // namespace zelk
