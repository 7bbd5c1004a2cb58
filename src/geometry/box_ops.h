// Operations on (left, bottom, right, top) rectangles in coordinate words.
#pragma once

#include <optional>
#include <span>

#include "storage/coord.h"

namespace zelk {

// Swaps the edges so that left <= right and bottom <= top.
Box NormalizedBox(Box b);
// The smallest box holding both.
Box UnionBox(const Box& a, const Box& b);
// The common part, or nothing when the boxes do not meet (touching edges meet).
std::optional<Box> IntersectBox(const Box& a, const Box& b);
// The point (flag bytes masked) lies inside or on the edge of the box.
bool PointInBox(const Box& b, Coord p);
// The boxes share at least a point.
bool BoxesOverlap(const Box& a, const Box& b);
// inner lies wholly inside outer (edges may coincide).
bool BoxContains(const Box& outer, const Box& inner);
// The box moved by (dx, dy) words, clamped to the coordinate range.
Box MoveBox(const Box& b, int32_t dx, int32_t dy);
// The bounding box of the points with flag bytes masked; nothing for an empty list.
std::optional<Box> BoxOfPoints(std::span<const Coord> points);

}  // namespace zelk
