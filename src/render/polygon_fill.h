// Cutting a polygon with holes and curves at an axis-parallel line, as the polygon fill needs it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "storage/coord.h"

namespace zelk {

enum class CutAxis { Vertical, Horizontal };  // cut at x = c, or at y = c
enum class CutSide { Low, High };             // keep x <= c (y <= c), or x >= c (y >= c)

// Levels of halving before a fill gives up, and the number of pieces one fill may hand to its
// callback; the second bound keeps damaged polygons from costing more than a large real one.
constexpr int kMaxFillDepth = 32;
constexpr int kMaxFillPieces = 16384;

// The part of a polygon (rings starting at HoleStart points) on one side of the line at `cut`
// (a position word). Straight edges are cut at their crossing, cubic segments with de Casteljau
// at the crossing found by subdivision; the new points lie on the line and carry CornerPoint.
// Every ring that reaches the line is joined with the others that do into one ring, through
// edges along the line, so that the even-odd interior is kept and holes cut by the line vanish;
// rings wholly on the side stay separate and begin with HoleStart. Curve flags that do not
// introduce a whole cubic segment are treated as plain points, three-point curves become cubic.
// An empty result means nothing of the polygon lies on that side with any area.
std::vector<Coord> ClipHalfPlane(std::span<const Coord> points, CutAxis axis, int32_t cut,
                                 CutSide side);

}  // namespace zelk
