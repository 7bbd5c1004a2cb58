// Objects, rings and device states for the renderer's tests; symbols come from symbol_builder.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/object_renderer.h"
#include "render/recording_device.h"
#include "storage/records.h"
#include "symbol_builder.h"

namespace zelk::test {

inline ObjectRecord Object(ObjectType type, std::vector<Coord> coords, int16_t angle = 0) {
  ObjectRecord o;
  o.symbol = 1010;
  o.type = type;
  o.angle = angle;
  o.coords = std::move(coords);
  return o;
}

// A square ring of side s with its lower left corner at (x, y), counter-clockwise.
inline std::vector<Coord> Square(int32_t x, int32_t y, int32_t s, bool hole = false) {
  return {U(x, y, 0, hole ? kHoleStart : 0), U(x + s, y), U(x + s, y + s), U(x, y + s)};
}

// One map unit per device unit; a large clip rectangle.
inline OutputState UnitState() {
  OutputState s;
  s.scaleX = 1.0 / 256;
  s.scaleY = -1.0 / 256;
  s.clipRectangle = {U(-100000, 0).x, U(0, -100000).y, U(100000, 0).x, U(0, 100000).y};
  return s;
}

// Even-odd test of a sample point against straight-edged rings (HoleStart begins a ring).
inline bool EvenOddInside(const std::vector<Coord>& pts, double x, double y) {
  bool inside = false;
  size_t begin = 0;
  while (begin < pts.size()) {
    size_t end = begin + 1;
    while (end < pts.size() && !(pts[end].y & kHoleStart)) ++end;
    for (size_t i = begin; i < end; ++i) {
      const Coord a = pts[i], b = pts[i + 1 < end ? i + 1 : begin];
      const double ax = a.PosX(), ay = a.PosY(), bx = b.PosX(), by = b.PosY();
      if ((ay > y) != (by > y) && x < ax + (y - ay) * (bx - ax) / (by - ay)) inside = !inside;
    }
    begin = end;
  }
  return inside;
}

}  // namespace zelk::test
