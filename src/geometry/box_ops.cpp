// Operations on (left, bottom, right, top) rectangles in coordinate words.
#include "geometry/box_ops.h"

#include <algorithm>

#include "geometry/coord_math.h"

namespace zelk {

Box NormalizedBox(Box b) {
  if (b.left > b.right) std::swap(b.left, b.right);
  if (b.bottom > b.top) std::swap(b.bottom, b.top);
  return b;
}

Box UnionBox(const Box& a, const Box& b) {
  Box r = a;
  r.Unite(b);
  return r;
}

std::optional<Box> IntersectBox(const Box& a, const Box& b) {
  const Box r{std::max(a.left, b.left), std::max(a.bottom, b.bottom), std::min(a.right, b.right),
              std::min(a.top, b.top)};
  if (r.left > r.right || r.bottom > r.top) return std::nullopt;
  return r;
}

bool PointInBox(const Box& b, Coord p) {
  const int32_t x = PosWord(p.x), y = PosWord(p.y);
  return x >= b.left && x <= b.right && y >= b.bottom && y <= b.top;
}

bool BoxesOverlap(const Box& a, const Box& b) {
  return a.Meets(b);
}

bool BoxContains(const Box& outer, const Box& inner) {
  return outer.Contains(inner);
}

Box MoveBox(const Box& b, int32_t dx, int32_t dy) {
  return {ClampCoord(int64_t{b.left} + dx), ClampCoord(int64_t{b.bottom} + dy),
          ClampCoord(int64_t{b.right} + dx), ClampCoord(int64_t{b.top} + dy)};
}

std::optional<Box> BoxOfPoints(std::span<const Coord> points) {
  if (points.empty()) return std::nullopt;
  Box r{PosWord(points[0].x), PosWord(points[0].y), PosWord(points[0].x), PosWord(points[0].y)};
  for (const Coord& p : points) {
    const int32_t x = PosWord(p.x), y = PosWord(p.y);
    r.left = std::min(r.left, x);
    r.right = std::max(r.right, x);
    r.bottom = std::min(r.bottom, y);
    r.top = std::max(r.top, y);
  }
  return r;
}

}  // namespace zelk
