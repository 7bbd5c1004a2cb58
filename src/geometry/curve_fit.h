// To curve: runs of plain points fitted by cubic Bezier segments within a tolerance.
#pragma once

#include <optional>
#include <vector>

#include "storage/coord.h"

namespace zelk {

// The tolerance (coordinate words) of a smoothing level: 0.05, 0.1 or 0.2 mm.
int32_t CurveFitTolerance(int level);

// Fits every run of plain points of `pts` (from index `from` on; the points before stay) with
// Bezier segments within `tolerance` words. A run ends at a corner point, before a hole start,
// at an existing curve and where the per-stretch flags change; runs of fewer than three points
// stay as they are. Existing curves and every run end keep their coordinates and flags.
std::vector<Coord> FitCurves(const std::vector<Coord>& pts, double tolerance, size_t from = 0);

// The whole conversion: the tolerance of the level, raised by 0.05 mm while the result and
// `textSlots` would take more than 2000 slots. Nothing when 64 raises did not bring it under.
std::optional<std::vector<Coord>> ToCurve(const std::vector<Coord>& pts, int level, int textSlots,
                                          size_t from = 0);

}  // namespace zelk
