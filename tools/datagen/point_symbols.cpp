// Point symbols of the topographic set: heights, caves, towers, bridges and other single features.
#include <cmath>

#include "datagen.h"

namespace zelk::datagen {

namespace {

// A closed polygon of n corners on a circle, starting at the top.
std::vector<Pt> RegularPolygon(int n, int radius, int offsetY = 0) {
  std::vector<Pt> points;
  for (int i = 0; i <= n; ++i) {
    const double a = 2 * M_PI * (i % n) / n;
    points.push_back({static_cast<int32_t>(std::lround(radius * std::sin(a))),
                      static_cast<int32_t>(std::lround(radius * std::cos(a))) + offsetY});
  }
  return points;
}

}  // namespace

void AddPointSymbols(MapStore& store) {
  Add(store, PointSymbol(1050, "Spot height", ElementList().Dot(kBrown, 45)));
  Add(store, PointSymbol(1060, "Knoll", ElementList().Dot(kBrown, 70)));
  Add(store, PointSymbol(1070, "Depression",
                         ElementList().Line(kBrown, 18, {{-55, 35}, {0, -35}, {55, 35}}, 1)));
  Add(store,
      PointSymbol(2060, "Spring",
                  ElementList().Circle(kBlue, 16, 90).Line(kBlue, 16, {{45, 0}, {130, 0}}, 0)));
  Add(store, PointSymbol(2070, "Well", ElementList().Circle(kBlue, 18, 110).Dot(kBlue, 35)));
  Add(store, PointSymbol(3050, "Boulder", ElementList().Dot(kBlack, 60)));
  Add(store,
      PointSymbol(
          3060, "Cave",
          ElementList().Area(
              kBlack,
              {{-60, -40}, {0, 60}, {60, -40}, {35, -40}, {0, 20}, {-35, -40}, {-60, -40}})));
  Add(store,
      PointSymbol(4050, "Single tree", ElementList().Circle(kGreen, 15, 120).Dot(kGreen, 30)));
  Add(store, PointSymbol(5300, "Bridge",
                         ElementList()
                             .Line(kBlack, 18, {{-90, -110}, {-50, -70}, {-50, 70}, {-90, 110}}, 0)
                             .Line(kBlack, 18, {{90, -110}, {50, -70}, {50, 70}, {90, 110}}, 0)));
  Add(store, PointSymbol(5310, "Tower",
                         ElementList()
                             .Circle(kBlack, 18, 140)
                             .Dot(kBlack, 45)
                             .Line(kBlack, 14, {{0, 70}, {0, 150}}, 0)));
  Add(store, PointSymbol(5320, "Church",
                         ElementList()
                             .Circle(kBlack, 16, 110)
                             .Line(kBlack, 16, {{0, 55}, {0, 170}}, 0)
                             .Line(kBlack, 16, {{-40, 125}, {40, 125}}, 0)));
  Add(store,
      PointSymbol(5330, "Trigonometric point",
                  ElementList().Line(kBlack, 16, RegularPolygon(3, 90, -15), 2).Dot(kBlack, 30)));
  Add(store, PointSymbol(5340, "Monument", ElementList().Area(kBlack, RegularPolygon(3, 60, 0))));
  Add(store,
      PointSymbol(5350, "Chimney", ElementList().Circle(kBlack, 15, 90).Dot(kBlack, 30, {0, 0})));
  Add(store,
      PointSymbol(5360, "Ruin",
                  ElementList().Line(kBlack, 14,
                                     {{-60, -60}, {60, -60}, {60, 60}, {-60, 60}, {-60, -60}}, 0)));
  Add(store, PointSymbol(5370, "Pylon",
                         ElementList().Area(kBlack, {{-40, -40}, {40, -40}, {40, 40}, {-40, 40}})));
  // The arrow points up the symbol's y axis; objects turn it to the map's north.
  Add(store, PointSymbol(7100, "North arrow",
                         ElementList()
                             .Line(kBlack, 25, {{0, -600}, {0, 400}}, 0)
                             .Area(kBlack, {{-120, 300}, {0, 650}, {120, 300}, {0, 380}})
                             .Line(kBlack, 20, {{-80, 750}, {-80, 950}, {80, 750}, {80, 950}}, 0)));
}

}  // namespace zelk::datagen
