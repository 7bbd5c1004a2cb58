// The benchmark map the drawing, output and exchange benchmarks share: 100000 mixed objects over
// 50 colours on a 400 x 300 mm sheet, added tile by tile.
#pragma once

#include <string>

#include "storage/map_store.h"

namespace zelk::bench {

constexpr int kObjects = 100000;
constexpr int kWidth = 40000, kHeight = 30000;  // 400 x 300 mm, in map units

// 50 colours, and 100 symbols in five kinds over them: points of three elements, dashed lines,
// double lines with fill, hatched areas and areas with a structure (numbers 100.0 to 199.0).
void AddBenchColoursAndSymbols(MapStore& store);
// Creates the map at `path` in `store` (left open).
void BuildBenchMap(MapStore& store, const std::string& path);

}  // namespace zelk::bench
