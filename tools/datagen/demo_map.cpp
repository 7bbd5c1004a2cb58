// The demo map's objects: hills with contours, a river into a lake, roads, a village, forest,
// marsh, a railway, paths and fences on a sheet of 300 x 200 mm at 1:15000.
#include <algorithm>
#include <cmath>

#include "datagen.h"
#include "terrain.h"

namespace zelk::datagen {

namespace {

constexpr int kContour = 1010, kIndexContour = 1020, kFormLine = 1030, kEmbankment = 1040;
constexpr int kShore = 2010, kRiver = 2020, kStream = 2030, kDitch = 2040;
constexpr int kCliff = 3010, kVegetationBoundary = 4060, kHedge = 4070;
constexpr int kMainRoad = 5010, kSecondaryRoad = 5020, kMinorRoad = 5030, kUnsurfacedRoad = 5040;
constexpr int kTrack = 5050, kPath = 5060, kRide = 5070, kRailway = 5080, kPowerLine = 5090;
constexpr int kFence = 5100, kWall = 5110, kPipeline = 5140, kBoundary = 5180;
constexpr int kLake = 2110, kMarsh = 2120, kForest = 4010, kDenseForest = 4020;
constexpr int kDeciduous = 4030, kConiferous = 4040, kOpenLand = 4110, kOrchard = 4120;
constexpr int kBuilding = 5210, kSettlement = 5220, kIndustrial = 5230;
constexpr int kSpotHeight = 1050, kKnoll = 1060, kDepression = 1070, kSpring = 2060, kWell = 2070;
constexpr int kBoulder = 3050, kCave = 3060, kTree = 4050, kBridge = 5300, kTower = 5310;
constexpr int kChurch = 5320, kTrig = 5330, kMonument = 5340, kChimney = 5350, kRuin = 5360;
constexpr int kPylon = 5370, kNorthArrow = 7100, kFrame = 7010, kBox = 7020;

void Line(MapStore& s, int symbol, const std::vector<Pt>& points) {
  AddObject(s, symbol, ObjectType::Line, points);
}
void Area(MapStore& s, int symbol, const std::vector<Pt>& points) {
  AddObject(s, symbol, ObjectType::Area, points);
}
void Point(MapStore& s, int symbol, int32_t x, int32_t y, int16_t angle = 0) {
  AddObject(s, symbol, ObjectType::Point, {{x, y}}, angle);
}

// An area's first point repeated at its end, as drawn outlines are.
std::vector<Pt> Closed(std::vector<Pt> p) {
  p.push_back(p.front());
  return p;
}

// A further ring of an area: its first point starts a hole.
void AppendHole(std::vector<Pt>& area, std::vector<Pt> hole) {
  hole = Closed(hole);
  hole.front().yFlags |= kHoleStart;
  area.insert(area.end(), hole.begin(), hole.end());
}

// A rectangle of w x h turned by `angle` (radians) about its centre.
std::vector<Pt> Block(double cx, double cy, double w, double h, double angle) {
  const double c = std::cos(angle), s = std::sin(angle);
  std::vector<Pt> out;
  const double corners[4][2] = {{-w / 2, -h / 2}, {w / 2, -h / 2}, {w / 2, h / 2}, {-w / 2, h / 2}};
  for (const auto& k : corners)
    out.push_back({static_cast<int32_t>(std::lround(cx + k[0] * c - k[1] * s)),
                   static_cast<int32_t>(std::lround(cy + k[0] * s + k[1] * c))});
  return Closed(out);
}

// Contour lines stay outside the lake: a line is cut where it would enter it.
std::vector<std::vector<Pt>> OutsideLake(const Terrain& t, const std::vector<Pt>& line) {
  std::vector<std::vector<Pt>> pieces{{}};
  for (const Pt& p : line) {
    if (t.lake.Measure(p.x, p.y) < 1.05) {
      if (!pieces.back().empty()) pieces.push_back({});
    } else {
      pieces.back().push_back(p);
    }
  }
  std::vector<std::vector<Pt>> out;
  for (auto& piece : pieces)
    if (piece.size() >= 2) out.push_back(std::move(piece));
  return out;
}

void AddContours(MapStore& s, const Terrain& t) {
  for (int level = 300; level <= 400; level += 5) {
    for (const auto& traced : ContourLines(t, level, 100)) {
      for (const auto& piece : OutsideLake(t, traced)) {
        std::vector<Pt> line = Simplify(piece, 6);
        if (line.size() < 2) continue;
        // Tiny rings at a summit are left out; the spot height marks it.
        double length = 0;
        for (size_t i = 1; i < line.size(); ++i)
          length += std::hypot(line[i].x - line[i - 1].x, line[i].y - line[i - 1].y);
        if (length < 400) continue;
        for (size_t from = 0; from + 1 < line.size(); from += 1900) {
          const size_t to = std::min(line.size(), from + 1901);
          Line(s, level % 25 == 0 ? kIndexContour : kContour,
               std::vector<Pt>(line.begin() + static_cast<long>(from),
                               line.begin() + static_cast<long>(to)));
        }
      }
    }
  }
  // A form line shows the small terrace on the western hill's southern slope.
  Line(s, kFormLine, SmoothCurve({{3500, 11000}, {4800, 10700}, {6200, 10750}, {7400, 11100}}));
}

// Buildings on both sides of a road, turned to it; sizes vary by position.
void BuildingsAlong(MapStore& s, const std::vector<Pt>& road, double spacing, double offset) {
  for (const Station& st : Stations(road, spacing, spacing / 2)) {
    static const double widths[] = {260, 200, 320, 240, 180};
    static const double depths[] = {180, 160, 200, 150, 150};
    const int k = static_cast<int>(std::lround(st.x + st.y)) % 5;
    for (int side = -1; side <= 1; side += 2) {
      const double nx = -std::sin(st.angle) * side, ny = std::cos(st.angle) * side;
      const double d = offset + depths[k] / 2;
      Area(s, kBuilding, Block(st.x + nx * d, st.y + ny * d, widths[k], depths[k], st.angle));
    }
  }
}

}  // namespace

std::vector<DemoPlace> AddDemoObjects(MapStore& s) {
  Terrain t;
  t.river = {{13300, 20000}, {13600, 17500}, {14300, 14800},
             {14200, 12000}, {14700, 9500},  {15200, 8000}};

  // Vegetation and land use first: the colour order decides what lies on top anyway.
  {
    std::vector<Pt> forest = Closed({{600, 10400},
                                     {3500, 10000},
                                     {7600, 11400},
                                     {10800, 10900},
                                     {12600, 12400},
                                     {12300, 16500},
                                     {11000, 19400},
                                     {600, 19400}});
    AppendHole(forest, {{5200, 13300}, {6900, 13100}, {7600, 14300}, {6800, 15500}, {5300, 15200}});
    Area(s, kForest, forest);
    Line(s, kVegetationBoundary, {{600, 10400}, {3500, 10000}, {7600, 11400}, {10800, 10900}});
    Area(s, kOpenLand,
         Closed({{5200, 13300}, {6900, 13100}, {7600, 14300}, {6800, 15500}, {5300, 15200}}));
    Area(s, kDenseForest,
         Closed({{8600, 16500}, {10200, 16100}, {10800, 17600}, {9400, 18600}, {8300, 17800}}));
    Area(s, kDenseForest, Closed({{1500, 12000}, {2800, 11800}, {3200, 13100}, {2000, 13600}}));
    Area(s, kConiferous,
         Closed({{20000, 13200},
                 {24500, 12600},
                 {27800, 14000},
                 {28600, 17500},
                 {26500, 19400},
                 {21000, 19400},
                 {19800, 16800}}));
    Area(s, kDeciduous,
         Closed({{16200, 12800}, {17400, 12400}, {17800, 14300}, {16600, 15600}, {15800, 14600}}));
    Area(s, kDeciduous,
         Closed({{24200, 3600}, {27600, 3400}, {28500, 6200}, {26700, 7600}, {24000, 6600}}));
    Area(s, kMarsh,
         Closed({{10600, 5000},
                 {12600, 4300},
                 {13300, 5300},
                 {13000, 7400},
                 {11300, 7800},
                 {10400, 6600}}));
    Area(s, kMarsh,
         Closed({{18300, 3300}, {19600, 3000}, {21000, 4100}, {20200, 4800}, {18700, 4500}}));
    Line(s, kDitch, {{10900, 5400}, {11600, 6100}, {12400, 6300}, {12900, 6100}});
    // Fields around the village, fenced and hedged.
    Area(s, kOpenLand, Closed({{20600, 7800}, {23600, 7400}, {24300, 9300}, {21200, 9600}}));
    Area(s, kOrchard, Closed({{15800, 11400}, {17200, 11200}, {17500, 12300}, {16100, 12500}}));
    Area(s, kOpenLand, Closed({{1200, 5600}, {5200, 5300}, {6000, 7600}, {1600, 7900}}));
    Area(s, kOpenLand, Closed({{7000, 5200}, {10000, 5400}, {10300, 7600}, {7400, 7700}}));
    Line(s, kFence, Closed({{20600, 7800}, {23600, 7400}, {24300, 9300}, {21200, 9600}}));
    Line(s, kHedge, {{6000, 7600}, {5200, 5300}});
    Line(s, kHedge, {{7000, 5200}, {7400, 7700}});
    Line(s, kFence, {{1200, 5600}, {5200, 5300}});
    Area(s, kSettlement,
         Closed({{16300, 8600},
                 {18200, 8300},
                 {20400, 8800},
                 {20800, 10500},
                 {19600, 12000},
                 {18000, 11900},
                 {16400, 10400}}));
    Area(s, kIndustrial, Closed({{14200, 1300}, {16400, 1200}, {16500, 2100}, {14300, 2200}}));
  }

  // Water.
  {
    const std::vector<Pt> shore = t.lake.Outline(72);
    Area(s, kLake, shore);
    Line(s, kShore, shore);
    Line(s, kRiver,
         SmoothCurve({{13300, 20000},
                      {13600, 17500},
                      {14300, 14800},
                      {14200, 12000},
                      {14700, 9500},
                      {15200, 7600}}));
    Line(s, kRiver,
         SmoothCurve({{17600, 5200}, {19200, 4300}, {21000, 3000}, {23000, 1500}, {24400, 0}}));
    Line(s, kStream, SmoothCurve({{8900, 12300}, {10500, 11700}, {12400, 11500}, {14200, 11800}}));
    Line(s, kStream, SmoothCurve({{21000, 12600}, {19200, 12200}, {17800, 11000}, {16500, 7400}}));
    Line(s, kStream, SmoothCurve({{9600, 19300}, {11300, 18400}, {13000, 18100}, {13750, 17000}}));
    Point(s, kSpring, 8900, 12300, 1600);
    Point(s, kSpring, 21000, 12600, 200);
    Point(s, kSpring, 9600, 19300, 2000);
  }

  // Roads, paths and the railway.
  const std::vector<Pt> mainRoad = SmoothCurve({{0, 8300},
                                                {4000, 8800},
                                                {8000, 8100},
                                                {11500, 8700},
                                                {14500, 9700},
                                                {17500, 9900},
                                                {21000, 10400},
                                                {25500, 9300},
                                                {30000, 9700}});
  const std::vector<Pt> northRoad =
      SmoothCurve({{18600, 10050}, {18900, 13500}, {17900, 16800}, {18400, 20000}});
  const std::vector<Pt> southRoad =
      SmoothCurve({{19800, 10200}, {20600, 7000}, {20100, 3600}, {21200, 0}});
  {
    Line(s, kSecondaryRoad, northRoad);
    Line(s, kSecondaryRoad, southRoad);
    Line(s, kMainRoad, mainRoad);
    Line(s, kMinorRoad,
         SmoothCurve({{17200, 9900}, {17000, 11300}, {17800, 11900}, {18800, 11800}}));
    Line(s, kMinorRoad, SmoothCurve({{19200, 10300}, {19900, 11400}, {19500, 12600}}));
    Line(s, kUnsurfacedRoad,
         SmoothCurve({{4800, 8700}, {5300, 10600}, {5900, 12200}, {5900, 13300}}));
    Line(s, kTrack, SmoothCurve({{5900, 13300}, {4500, 15800}, {3500, 18000}, {3800, 20000}}));
    Line(s, kTrack, SmoothCurve({{6900, 15300}, {8600, 15200}, {11000, 14400}, {14250, 14000}}));
    Line(s, kPath, SmoothCurve({{1000, 10600}, {2200, 13000}, {1800, 16000}, {3200, 17500}}));
    Line(s, kPath, SmoothCurve({{14800, 9600}, {13200, 8300}, {12100, 8000}, {10600, 7700}}));
    Line(s, kPath, SmoothCurve({{23500, 10000}, {23800, 12500}, {22500, 15400}, {23000, 18600}}));
    Line(s, kRide, {{20500, 16800}, {24000, 16200}, {27600, 17200}});
    Line(s, kRide, {{24000, 16200}, {24800, 13400}});
    // The railway runs south of the lake; its station is the corner west of the village.
    std::vector<Pt> railway = {{0, 4700},     {5500, 4200},  {10500, 3500}, {15200, 2600},
                               {20500, 2900}, {25500, 4100}, {30000, 4400}};
    railway[3].yFlags = kCornerPoint;
    railway[4].yFlags = kCornerPoint;
    Line(s, kRailway, railway);
    Line(s, kEmbankment, {{6200, 4000}, {10000, 3450}});
    Line(s, kPowerLine,
         {{0, 16200}, {9000, 15600}, {16000, 13300}, {23500, 12200}, {30000, 12000}});
    Line(s, kPipeline, {{14300, 2200}, {14000, 3900}, {12600, 4400}});
    Line(s, kBoundary,
         SmoothCurve({{28200, 0}, {27600, 5500}, {28700, 11000}, {28100, 16000}, {28800, 20000}}));
    Point(s, kBridge, 14440, 9630, -150);
    Point(s, kBridge, 21830, 3300, 200);
    for (const Station& p :
         Stations({{0, 16200}, {9000, 15600}, {16000, 13300}, {23500, 12200}, {30000, 12000}}, 2400,
                  1200))
      Point(s, kPylon, static_cast<int32_t>(p.x), static_cast<int32_t>(p.y));
  }

  // The village: buildings along the main road and the roads leaving it, a church with a wall.
  {
    BuildingsAlong(s, SmoothCurve({{16500, 9800}, {17500, 9900}, {18500, 10050}, {20200, 10250}}),
                   480, 170);
    BuildingsAlong(s, SmoothCurve({{18650, 10700}, {18800, 11600}, {18900, 12700}}), 500, 150);
    BuildingsAlong(s, SmoothCurve({{19950, 9700}, {20300, 8800}, {20500, 7800}}), 520, 150);
    Area(s, kBuilding, Block(17900, 11100, 350, 200, 0.3));
    Point(s, kChurch, 19100, 9350);
    Line(s, kWall, Block(19100, 9350, 700, 550, 0.05));
    Point(s, kWell, 17600, 10400);
    Point(s, kWell, 19300, 11100);
    Point(s, kChimney, 15500, 1700);
    Point(s, kMonument, 18300, 9500);
  }

  // Rock and single features.
  {
    Line(s, kCliff, SmoothCurve({{24400, 6800}, {25000, 7300}, {25900, 7500}}));
    Line(s, kCliff, {{8100, 12600}, {8700, 13000}, {9000, 13700}});
    Point(s, kCave, 25200, 6950, 1800);
    Point(s, kTrig, 6500, 14500);
    Point(s, kTower, 22500, 15500);
    Point(s, kRuin, 26000, 5300);
    Point(s, kSpotHeight, 9800, 17500);
    Point(s, kSpotHeight, 3000, 4000);
    Point(s, kKnoll, 2600, 15200);
    Point(s, kKnoll, 11200, 13500);
    Point(s, kDepression, 4000, 17000);
    Point(s, kBoulder, 3300, 14200);
    Point(s, kBoulder, 10100, 16800);
    Point(s, kBoulder, 26800, 16800);
    for (int i = 0; i < 8; ++i) Point(s, kTree, 21000 + 370 * i, 8000 + (i % 3) * 400);
    Point(s, kTree, 3000, 6500);
    Point(s, kTree, 8700, 6300);
  }

  // Sheet furniture: the frame with its grid, a title box and the north arrow.
  AddObject(s, kFrame, ObjectType::Rectangle, {{0, 0}, {30000, 0}, {30000, 20000}, {0, 20000}});
  AddObject(s, kBox, ObjectType::Rectangle, {{400, 400}, {6400, 400}, {6400, 2000}, {400, 2000}});
  Point(s, kNorthArrow, 7400, 1400);

  AddContours(s, t);

  return {
      {"Zelk Valley", "title", {3400, 1100}}, {"Kettle Hill", "hill", {6500, 14100}},
      {"Eastwood", "hill", {22500, 15000}},   {"Millbrook", "village", {18100, 11900}},
      {"Mirror Lake", "lake", {15500, 6000}}, {"Zelk", "river", {14350, 13500}, 870},
      {"Long Marsh", "marsh", {11800, 6200}}, {"Black Forest", "forest", {4000, 18000}},
  };
}

}  // namespace zelk::datagen
