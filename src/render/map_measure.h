// Measuring objects (length and area on paper and on the ground) and making grid lines.
#pragma once

#include <cstdint>
#include <vector>

#include "storage/map_store.h"

namespace zelk {

struct Measurement {
  double lengthMm = 0;  // along a line; around the outline (holes included) of an area
  double areaMm2 = 0;   // of an area: the outer ring less its holes
  double lengthM = 0;   // the same on the ground, at the map scale
  double areaM2 = 0;
};

// Curves are measured along their flattened form.
Measurement MeasureObject(const ObjectRecord& obj, double mapScale);

// The rings of an object's points with curves flattened: positions in map units.
std::vector<std::vector<std::pair<double, double>>> FlatRings(const ObjectRecord& obj);

enum class GridKind { Paper, RealWorld };

// Straight lines of `symbol` over `area` (coordinate words): at the paper grid distance of the
// settings along the paper axes, or at the real-world grid distance turned by the map's
// real-world angle. At most 2000 lines each way. Returns the objects added (false in `ok` when
// a write failed).
std::vector<int32_t> AddGridLines(MapStore& store, int symbol, const Box& area, GridKind kind,
                                  bool* ok = nullptr);

}  // namespace zelk
