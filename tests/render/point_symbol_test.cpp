// Point symbols, element lists, object dispatch and fallbacks, checked on the recording device.
#include <gtest/gtest.h>

#include "geometry/coord_math.h"
#include "render/object_renderer.h"
#include "render/recording_device.h"
#include "symbol_builders.h"

namespace zelk {
namespace {

using test::Element;
using test::U;
using Kind = RecordedCall::Kind;

class PointSymbolTest : public ::testing::Test {
 protected:
  RecordingDevice dev{test::UnitState()};
  FixedMetricsFonts fonts;
  RenderScratch scratch;
  RenderContext ctx{dev, fonts, scratch};

  void Pass(int color) {
    dev.SelectColorPass(color, {0, 0, 0, 200});
    dev.Clear();
  }
};

TEST_F(PointSymbolTest, EachPassDrawsOnlyItsOwnColoursAndTheTableOrderDecidesWhatLiesOnTop) {
  const int red = 1, black = 2;
  const SymbolRecord sym = test::MakePointSymbol(
      {{kElementCircle, 0, red, 10, 200, {U(0, 0)}}, {kElementDot, 0, black, 0, 50, {U(0, 0)}}});
  const ObjectRecord obj = test::Object(ObjectType::Point, {U(500, 500)});

  Pass(red);
  DrawObject(ctx, obj, sym);
  ASSERT_EQ(dev.calls.size(), 1u);
  EXPECT_EQ(dev.Of(Kind::Ring).size(), 1u);
  EXPECT_TRUE(dev.Of(Kind::Dot).empty());

  // The table lists black before red: red is drawn first, black last and therefore on top.
  std::vector<Kind> order;
  for (int color : {red, black}) {
    dev.SelectColorPass(color, {0, 0, 0, 200});
    DrawObject(ctx, obj, sym);
  }
  for (const auto& c : dev.calls)
    if (c.kind != Kind::Color) order.push_back(c.kind);
  EXPECT_EQ(order, (std::vector<Kind>{Kind::Ring, Kind::Ring, Kind::Dot}));
  const auto dot = dev.Of(Kind::Dot).at(0);
  EXPECT_EQ(dot.centre, U(500, 500));
  EXPECT_EQ(dot.diameter, 50);
  EXPECT_EQ(dot.passColor, black);
}

TEST_F(PointSymbolTest, AngleTurnsElementsAboutTheSymbolOriginBeforeTranslation) {
  const SymbolRecord sym = test::MakePointSymbol({{kElementLine, 1, 3, 20, 0, {U(0, 0), U(100, 0)}},
                                                  {kElementCircle, 0, 3, 5, 40, {U(50, 0)}}});
  Pass(3);
  DrawObject(ctx, test::Object(ObjectType::Point, {U(1000, 2000)}, 900), sym);
  const auto strokes = dev.Of(Kind::Stroke);
  ASSERT_EQ(strokes.size(), 1u);
  EXPECT_EQ(strokes[0].path, (std::vector<Coord>{U(1000, 2000), U(1000, 2100)}));
  EXPECT_EQ(strokes[0].width, 20);
  EXPECT_EQ(strokes[0].style, kStyleRound);
  const auto rings = dev.Of(Kind::Ring);
  ASSERT_EQ(rings.size(), 1u);
  EXPECT_EQ(rings[0].centre, U(1000, 2050));
  EXPECT_EQ(rings[0].width, 5);
  EXPECT_EQ(rings[0].diameter, 40);
}

TEST_F(PointSymbolTest, UnrotatedElementsKeepTheirCurveFlags) {
  const SymbolRecord sym = test::MakePointSymbol(
      {{kElementLine,
        0,
        0,
        10,
        0,
        {U(0, 0), U(10, 20, kFirstCurvePoint), U(30, 20, kSecondCurvePoint), U(40, 0)}}});
  Pass(0);
  DrawObject(ctx, test::Object(ObjectType::Point, {U(100, 100)}), sym);
  const auto strokes = dev.Of(Kind::Stroke);
  ASSERT_EQ(strokes.size(), 1u);
  EXPECT_EQ(strokes[0].path[1], U(110, 120, kFirstCurvePoint));
  EXPECT_EQ(strokes[0].path[2], U(130, 120, kSecondCurvePoint));
}

TEST_F(PointSymbolTest, DamagedRecordIsTheFallbackCrossInTheAlternativeColour) {
  const SymbolRecord good = test::MakePointSymbol({{kElementDot, 0, 0, 0, 50, {U(0, 0)}}});
  PointSymbol claimsMore = *PointSymbol::Decode(good);
  ++claimsMore.ElementUnits;  // the list claims one unit more than the record holds
  SymbolRecord sym = good;
  claimsMore.Encode(sym);
  Pass(0);
  DrawObject(ctx, test::Object(ObjectType::Point, {U(200, 300)}), sym);
  EXPECT_TRUE(dev.Of(Kind::Dot).empty());
  const auto strokes = dev.Of(Kind::Stroke);
  ASSERT_EQ(strokes.size(), 2u);
  EXPECT_EQ(strokes[0].path, (std::vector<Coord>{U(170, 300), U(230, 300)}));
  EXPECT_EQ(strokes[1].path, (std::vector<Coord>{U(200, 270), U(200, 330)}));
  for (const auto& s : strokes) {
    EXPECT_EQ(s.width, 15);
    EXPECT_EQ(s.style, kStyleFlatBevel);
    EXPECT_TRUE(s.alternative);
  }
  EXPECT_FALSE(dev.State().useAlternative);  // later objects draw in the pass colour again
}

TEST_F(PointSymbolTest, SymbolsThatCannotBePointSymbolsDrawTheCross) {
  Pass(0);
  // The placeholder of unknown symbol numbers, a list over 512 units, a record of another type.
  const std::vector<uint8_t> bigList(8 * 513, 0);
  PointSymbol bigPoint;
  bigPoint.ElementUnits = 513;
  bigPoint.Elements = bigList;
  const SymbolRecord big = bigPoint.Encode();
  SymbolRecord area = test::MakeAreaSymbol({});
  for (const SymbolRecord& sym : {SymbolRecord::Undefined(0), big, area}) {
    dev.Clear();
    DrawObject(ctx, test::Object(ObjectType::Point, {U(0, 0)}), sym);
    EXPECT_EQ(dev.Of(Kind::Stroke).size(), 2u);
  }
}

TEST_F(PointSymbolTest, CrossAtTheEdgeOfTheCoordinateRangeStaysInRange) {
  Pass(0);
  const Coord far{kMaxCoordWord & kPosMask, kMinCoordWord};
  DrawObject(ctx, test::Object(ObjectType::Point, {far}), SymbolRecord::Undefined(0));
  const auto strokes = dev.Of(Kind::Stroke);
  ASSERT_EQ(strokes.size(), 2u);
  EXPECT_EQ(strokes[0].path[1].x, kMaxPositionWord);  // no flags gained
  EXPECT_EQ(strokes[1].path[0].y, kMinCoordWord);
}

TEST_F(PointSymbolTest, AnAreaPushedPastTheTopOfTheRangeIsFilledInOnePieceWithoutFlags) {
  const SymbolRecord sym = test::MakePointSymbol(
      {{kElementArea, 0, 0, 0, 0, {U(0, 0), U(100, 0), U(100, 100), U(0, 100)}}});
  const int32_t top = kMaxPositionWord / 256;
  Pass(0);
  DrawObject(ctx, test::Object(ObjectType::Point, {U(top - 50, top - 50)}), sym);
  const auto fills = dev.Of(Kind::Fill);
  ASSERT_EQ(fills.size(), 1u);  // no ring start gained, so no halving
  for (const Coord& p : fills[0].path) {
    EXPECT_EQ(p.x & 0xff, 0);
    EXPECT_EQ(p.y & 0xff, 0);
  }
}

TEST_F(PointSymbolTest, ElementsNeedEnoughPoints) {
  const SymbolRecord sym =
      test::MakePointSymbol({{kElementLine, 0, 0, 10, 0, {U(0, 0)}},
                             {kElementArea, 0, 0, 0, 0, {U(0, 0), U(10, 0)}},
                             {kElementCircle, 0, 0, 1, 10, {}},
                             {kElementDot, 0, 0, 0, 10, {}},
                             {7, 0, 0, 10, 10, {U(0, 0), U(1, 1), U(2, 0)}},
                             {kElementArea, 0, 0, 0, 0, {U(0, 0), U(10, 0), U(0, 10)}}});
  Pass(0);
  DrawObject(ctx, test::Object(ObjectType::Point, {U(0, 0)}), sym);
  ASSERT_EQ(dev.calls.size(), 1u);
  EXPECT_EQ(dev.calls[0].kind, Kind::Fill);
  EXPECT_EQ(dev.calls[0].path, (std::vector<Coord>{U(0, 0), U(10, 0), U(0, 10)}));
  EXPECT_EQ(dev.calls[0].style, kFillSolid);
}

TEST_F(PointSymbolTest, AreaElementWithAHoleIsFilledAroundTheHole) {
  std::vector<Coord> ring = test::Square(0, 0, 100);
  const std::vector<Coord> hole = test::Square(40, 40, 20, true);
  ring.insert(ring.end(), hole.begin(), hole.end());
  const SymbolRecord sym = test::MakePointSymbol({{kElementArea, 0, 0, 0, 0, ring}});
  Pass(0);
  DrawObject(ctx, test::Object(ObjectType::Point, {U(0, 0)}), sym);
  const auto fills = dev.Of(Kind::Fill);
  ASSERT_GE(fills.size(), 2u);
  for (double x = 5; x < 100; x += 10) {
    for (double y = 5; y < 100; y += 10) {
      int covered = 0;
      for (const auto& f : fills) {
        for (size_t i = 1; i < f.path.size(); ++i) EXPECT_FALSE(f.path[i].y & kHoleStart);
        covered += test::EvenOddInside(f.path, x, y) ? 1 : 0;
      }
      const bool inHole = x > 40 && x < 60 && y > 40 && y < 60;
      EXPECT_EQ(covered, inHole ? 0 : 1) << x << "," << y;
    }
  }
}

TEST_F(PointSymbolTest, ElementListStopsAtDamagedCounts) {
  const Element first{kElementDot, 0, 0, 0, 10, {U(1, 1)}};
  const std::vector<uint8_t> list =
      test::EncodeElements({first, {kElementDot, 0, 0, 0, 20, {U(2, 2)}}});
  const size_t second = test::EncodeElements({first}).size();
  auto withSecondCount = [&](int16_t count) {
    std::vector<uint8_t> damaged = list;
    SymbolElementHead head = SymbolElementHead::Decode(&damaged[second]);
    head.pointCount = count;
    head.Encode(&damaged[second]);
    return damaged;
  };
  const int units = static_cast<int>(list.size() / 8);
  ElementPlacement at;
  Pass(0);
  // The second element claims more points than the list holds.
  DrawElementList(ctx, withSecondCount(3), units, at);
  EXPECT_EQ(dev.Of(Kind::Dot).size(), 1u);
  // A negative count ends the walk too.
  dev.Clear();
  DrawElementList(ctx, withSecondCount(-1), units, at);
  EXPECT_EQ(dev.Of(Kind::Dot).size(), 1u);
  // A size larger than the bytes never reads beyond them.
  dev.Clear();
  DrawElementList(ctx, list, units + 100, at);
  EXPECT_EQ(dev.Of(Kind::Dot).size(), 2u);
}

TEST_F(PointSymbolTest, PlacementScalesAcrossTheLineButNeverTheLineWidths) {
  const std::vector<uint8_t> list =
      test::EncodeElements({{kElementLine, 2, 0, 12, 0, {U(0, 0), U(10, 20)}},
                            {kElementCircle, 0, 0, 4, 30, {U(10, 20)}},
                            {kElementDot, 0, 0, 0, 31, {U(0, -20)}}});
  ElementPlacement at;
  at.origin = U(1000, 1000);
  at.yFactor = 0.5;
  at.cos = 0.0;
  at.sin = 1.0;  // a quarter turn
  Pass(0);
  DrawElementList(ctx, list, static_cast<int>(list.size() / 8), at);
  const auto strokes = dev.Of(Kind::Stroke);
  ASSERT_EQ(strokes.size(), 1u);
  EXPECT_EQ(strokes[0].path, (std::vector<Coord>{U(1000, 1000), U(990, 1010)}));
  EXPECT_EQ(strokes[0].width, 12);
  EXPECT_EQ(strokes[0].style, kStyleFlatMitre);
  const auto ring = dev.Of(Kind::Ring).at(0);
  EXPECT_EQ(ring.centre, U(990, 1010));
  EXPECT_EQ(ring.width, 4);
  EXPECT_EQ(ring.diameter, 15);
  const auto dot = dev.Of(Kind::Dot).at(0);
  EXPECT_EQ(dot.centre, U(1010, 1000));
  EXPECT_EQ(dot.diameter, 16);  // 15.5 rounds to even
}

TEST_F(PointSymbolTest, ObjectsWithTooFewPointsAreNotDrawn) {
  Pass(0);
  const SymbolRecord point = test::MakePointSymbol({{kElementDot, 0, 0, 0, 10, {U(0, 0)}}});
  DrawObject(ctx, test::Object(ObjectType::Point, {}), point);
  DrawObject(ctx, test::Object(ObjectType::Line, {U(0, 0)}), SymbolRecord::Undefined(0));
  test::AreaFields fill;
  fill.fillOn = 1;
  DrawObject(ctx, test::Object(ObjectType::Area, {U(0, 0), U(10, 0)}), test::MakeAreaSymbol(fill));
  DrawObject(ctx, test::Object(ObjectType::Rectangle, {U(0, 0), U(10, 0), U(10, 10)}),
             test::MakeRectangleSymbol({}));
  DrawObject(ctx, test::Object(static_cast<ObjectType>(9), {U(0, 0), U(10, 0), U(10, 10)}), point);
  EXPECT_TRUE(dev.calls.empty());
}

TEST_F(PointSymbolTest, LineObjectsWithoutALineSymbolOrWithoutTheirTextDrawTheFallbackLine) {
  Pass(0);
  SymbolRecord lineText(std::vector<uint8_t>(440, 0));
  lineText.SetType(SymbolType::Line);
  lineText.SetSubtype(kSubtypeLineText);
  const std::vector<Coord> pts{U(0, 0), U(100, 0), U(100, 50)};
  for (const SymbolRecord& sym : {SymbolRecord::Undefined(0), lineText}) {
    dev.Clear();
    DrawObject(ctx, test::Object(ObjectType::Line, pts), sym);
    const auto strokes = dev.Of(Kind::Stroke);
    ASSERT_EQ(strokes.size(), 1u);
    EXPECT_EQ(strokes[0].path, pts);
    EXPECT_EQ(strokes[0].width, 15);
    EXPECT_EQ(strokes[0].style, kStyleFlatBevel);
    EXPECT_TRUE(strokes[0].alternative);
  }
}

TEST_F(PointSymbolTest, EditedSymbolElementsCarryTheirOwnWidthStyleAndDiameter) {
  ctx.symbolEditing = true;
  Pass(4);
  auto edited = [](int16_t number, ObjectType type, std::vector<Coord> pts) {
    ObjectRecord o = test::Object(type, std::move(pts), 4);
    o.symbol = number;
    o.SetElementWords(11, 1, 60);  // line width, line style, diameter
    return o;
  };
  const SymbolRecord pseudo;
  DrawObject(ctx, edited(kEditedCircleSymbol, ObjectType::Point, {U(10, 10)}), pseudo);
  DrawObject(ctx, edited(kEditedDotSymbol, ObjectType::Point, {U(20, 20)}), pseudo);
  DrawObject(ctx, edited(kEditedLineSymbol, ObjectType::Line, {U(0, 0), U(50, 0)}), pseudo);
  DrawObject(ctx, edited(kEditedAreaSymbol, ObjectType::Area, test::Square(0, 0, 10)), pseudo);
  ASSERT_EQ(dev.calls.size(), 4u);
  EXPECT_EQ(dev.calls[0].kind, Kind::Ring);
  EXPECT_EQ(dev.calls[0].width, 11);
  EXPECT_EQ(dev.calls[0].diameter, 60);
  EXPECT_EQ(dev.calls[1].kind, Kind::Dot);
  EXPECT_EQ(dev.calls[1].diameter, 60);
  EXPECT_EQ(dev.calls[2].kind, Kind::Stroke);
  EXPECT_EQ(dev.calls[2].width, 11);
  EXPECT_EQ(dev.calls[2].style, kStyleRound);
  EXPECT_EQ(dev.calls[3].kind, Kind::Fill);
  for (const auto& c : dev.calls) EXPECT_FALSE(c.alternative);
}

TEST_F(PointSymbolTest, LargestElementListAndLongObjectsAreDrawn) {
  // One line element filling the whole 512-unit list.
  Element e{kElementLine, 0, 0, 5, 0, {}};
  for (int i = 0; i < 510; ++i) e.points.push_back(U(i, i % 2));
  const SymbolRecord sym = test::MakePointSymbol({e});
  ASSERT_EQ(PointSymbol::Decode(sym)->ElementUnits, 512);
  std::vector<Coord> many(2000, U(7, 7));
  Pass(0);
  DrawObject(ctx, test::Object(ObjectType::Point, many), sym);
  const auto strokes = dev.Of(Kind::Stroke);
  ASSERT_EQ(strokes.size(), 1u);
  EXPECT_EQ(strokes[0].path.size(), 510u);
  EXPECT_EQ(strokes[0].path[509], U(516, 8));
}

}  // namespace
}  // namespace zelk
