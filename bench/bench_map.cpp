#include "bench_map.h"

#include <cmath>
#include <random>
#include <vector>

#include "datagen.h"

namespace zelk::bench {

using namespace datagen;

void AddBenchColoursAndSymbols(MapStore& store) {
  SymbolHeader& h = store.MutableColors();
  h.colorCount = 50;
  for (int c = 0; c < 50; ++c) {
    ColorRecord r = ColorRecord::NewColor(static_cast<int16_t>(c), "C" + std::to_string(c));
    r.cmyk = {static_cast<uint8_t>(c * 37 % 200), static_cast<uint8_t>(c * 53 % 200),
              static_cast<uint8_t>(c * 71 % 200), static_cast<uint8_t>(c % 5 == 0 ? 120 : 0)};
    h.colors[static_cast<size_t>(c)] = r;
  }
  store.WriteSymbolHeader();
  for (int s = 0; s < 100; ++s) {
    const auto c = static_cast<int16_t>(s % 50), c2 = static_cast<int16_t>((s * 7 + 3) % 50);
    const int number = 1000 + 10 * s;
    switch (s % 5) {
      case 0:
        Add(store,
            datagen::PointSymbol(
                number, "point",
                ElementList().Circle(c, 15, 120).Dot(c2, 40).Line(c, 15, {{0, 60}, {0, 160}}, 0)));
        break;
      case 1: {
        LineFields f;
        f.lineColor = c;
        f.lineWidth = 20;
        f.mainLength = 300;
        f.mainGap = 60;
        f.endLength = 150;
        Add(store, datagen::LineSymbol(number, "dashed", f));
        break;
      }
      case 2: {
        LineFields f;
        f.dblMode = 1;
        f.dblFlags = 1;
        f.dblWidth = 60;
        f.dblFillColor = c2;
        f.dblLeftColor = f.dblRightColor = c;
        f.dblLeftWidth = f.dblRightWidth = 15;
        Add(store, datagen::LineSymbol(number, "double", f));
        break;
      }
      case 3: {
        AreaFields f;
        f.fillOn = 1;
        f.fillColor = c2;
        f.hatchMode = 1;
        f.hatchColor = c;
        f.hatchLineWidth = 10;
        f.hatchDist = 60;
        f.hatchAngle1 = static_cast<int16_t>(450 * (s % 4));
        Add(store, datagen::AreaSymbol(number, "hatched", f));
        break;
      }
      default: {
        AreaFields f;
        f.structMode = 2;
        f.structWidth = 250;
        f.structHeight = 200;
        f.structure.Dot(c, 50);
        Add(store, datagen::AreaSymbol(number, "structured", f));
        break;
      }
    }
  }
  store.RewriteSymbolIndex();
}

// Objects come tile by tile (10 x 10 mm tiles), as a map drawn area by area does, so index
// blocks cover small parts of the sheet.
void BuildBenchMap(MapStore& store, const std::string& path) {
  store.CreateEmptyMap(path);
  AddBenchColoursAndSymbols(store);
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> in(0, 999), step(-600, 600), kind(0, 19), pts(2, 8),
      radius(200, 900);
  const int tilesX = kWidth / 1000, tilesY = kHeight / 1000;
  const int perTile = kObjects / (tilesX * tilesY) + 1;
  int made = 0;
  for (int ty = 0; ty < tilesY && made < kObjects; ++ty) {
    for (int tx = 0; tx < tilesX && made < kObjects; ++tx) {
      for (int i = 0; i < perTile && made < kObjects; ++i, ++made) {
        const int x0 = tx * 1000 + in(rng), y0 = ty * 1000 + in(rng);
        const int k = kind(rng);  // 6 in 20 points, 6 lines, 8 areas
        const int symbolIndex = (k < 6 ? 0 : k < 12 ? 1 + (k % 2) : 3 + (k % 2)) + 5 * (made % 20);
        std::vector<Pt> p;
        ObjectType type = ObjectType::Point;
        if (k < 6) {
          p = {{x0, y0}};
        } else if (k < 12) {
          type = ObjectType::Line;
          int x = x0, y = y0;
          for (int n = pts(rng); n > 0; --n) {
            p.push_back({x, y});
            x += step(rng);
            y += step(rng);
          }
        } else {
          type = ObjectType::Area;
          const int n = pts(rng) + 2, r = radius(rng);
          for (int j = 0; j < n; ++j) {
            const double a = 2 * M_PI * j / n;
            p.push_back({x0 + static_cast<int32_t>(r * std::cos(a)),
                         y0 + static_cast<int32_t>(r * std::sin(a))});
          }
          p.push_back(p.front());
        }
        AddObject(store, 1000 + 10 * symbolIndex, type, p);
      }
    }
  }
}

}  // namespace zelk::bench
