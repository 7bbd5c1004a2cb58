// The benchmark map the drawing, output and exchange benchmarks share: 100000 mixed objects over
// 50 colours on a 400 x 300 mm sheet, added tile by tile.
#pragma once

#include <string>

#include "storage/map_store.h"

namespace zelk::bench {

constexpr int kObjects = 100000;
constexpr int kWidth = 40000, kHeight = 30000;  // 400 x 300 mm, in map units

// Creates the map at `path` in `store` (left open).
void BuildBenchMap(MapStore& store, const std::string& path);

}  // namespace zelk::bench
