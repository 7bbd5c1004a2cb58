// Measuring lines and areas, and grid lines at the paper and real-world grids.
#include "render/map_measure.h"

#include <gtest/gtest.h>

#include <cmath>

#include "storage/symbol_records.h"
#include "test_support.h"

namespace zelk {
namespace {

Coord U(int x, int y, int xf = 0, int yf = 0) {
  return Coord::FromUnits(x, y, xf, yf);
}

ObjectRecord Obj(ObjectType t, std::vector<Coord> c) {
  ObjectRecord o;
  o.symbol = 1010;
  o.type = t;
  o.coords = std::move(c);
  return o;
}

TEST(Measure, LinesAndAreas) {
  // A 3-4-5 line of 5 mm and back: 10 mm; at 1:10000, 100 m.
  Measurement m = MeasureObject(Obj(ObjectType::Line, {U(0, 0), U(300, 400), U(0, 0)}), 10000);
  EXPECT_NEAR(m.lengthMm, 10, 1e-9);
  EXPECT_NEAR(m.lengthM, 100, 1e-9);
  EXPECT_EQ(m.areaMm2, 0);
  // A 20 x 10 mm area with a 5 x 5 mm hole: 175 mm2; the outline is not closed by a repeat.
  m = MeasureObject(Obj(ObjectType::Area,
                        {U(0, 0), U(2000, 0), U(2000, 1000), U(0, 1000), U(500, 500, 0, kHoleStart),
                         U(1000, 500), U(1000, 1000), U(500, 1000)}),
                    1000);
  EXPECT_NEAR(m.areaMm2, 175, 1e-9);
  EXPECT_NEAR(m.areaM2, 175, 1e-9);  // 1 mm2 is 1 m2 at 1:1000
  EXPECT_NEAR(m.lengthMm, 60 + 20, 1e-9);
  // A curve is measured along its flattened form: a quarter-circle-like arc of radius 10 mm
  // is longer than its chord and shorter than the two legs.
  m = MeasureObject(Obj(ObjectType::Line, {U(1000, 0), U(1000, 552, kFirstCurvePoint),
                                           U(552, 1000, kSecondCurvePoint), U(0, 1000)}),
                    10000);
  EXPECT_GT(m.lengthMm, 14.2);
  EXPECT_LT(m.lengthMm, 20);
  EXPECT_NEAR(m.lengthMm, 15.7, 0.1);
}

struct GridFixture {
  TempDir dir;
  RecordingSink sink;
  MapStore store{&sink};
  GridFixture() {
    store.CreateEmptyMap(dir.Path("grid.zkm"));
    SymbolRecord line = LineSymbol{}.Encode();
    line.SetNumber(1010);
    store.AppendSymbol(line);
    store.RewriteSymbolIndex();
  }
};

TEST(GridLines, PaperGridAlongTheAxes) {
  GridFixture f;
  f.store.MutableSetup().SetPaperGrid(10);  // mm
  const Box area{-5 * kWordsPerMm, 0, 25 * kWordsPerMm, 20 * kWordsPerMm};
  bool ok = false;
  const std::vector<int32_t> added = AddGridLines(f.store, 1010, area, GridKind::Paper, &ok);
  EXPECT_TRUE(ok);
  // x at 0, 10, 20 mm; y at 0, 10, 20 mm.
  ASSERT_EQ(added.size(), 6u);
  ObjectRecord o;
  f.store.ReadObject(added[1], &o);
  EXPECT_EQ(o.coords, (std::vector<Coord>{U(1000, 0), U(1000, 2000)}));
  f.store.ReadObject(added[5], &o);
  EXPECT_EQ(o.coords, (std::vector<Coord>{U(-500, 2000), U(2500, 2000)}));
}

TEST(GridLines, RealWorldGridFollowsScaleOffsetAndAngle) {
  GridFixture f;
  SetupBlock& s = f.store.MutableSetup();
  s.SetMapScale(10000);     // 1 mm is 10 m
  s.SetRealWorldGrid(100);  // every 10 mm on paper
  s.SetRealWorldX(5);       // the paper origin lies at 5 m east
  s.SetRealWorldY(0);
  s.SetRealWorldAngle(0);
  const Box area{0, 0, 30 * kWordsPerMm, 30 * kWordsPerMm};
  const auto added = AddGridLines(f.store, 1010, area, GridKind::RealWorld);
  // East lines at 100, 200, 300 m (paper 9.5, 19.5, 29.5 mm); north lines at 0..300 m.
  ASSERT_EQ(added.size(), 3u + 4u);
  ObjectRecord o;
  f.store.ReadObject(added[0], &o);
  EXPECT_EQ(o.coords[0].PosX(), 950);
  EXPECT_EQ(o.coords[1].PosX(), 950);
  // Turned by 90 degrees, the east lines run along the paper's x axis.
  GridFixture g;
  g.store.MutableSetup().SetMapScale(10000);
  g.store.MutableSetup().SetRealWorldGrid(100);
  g.store.MutableSetup().SetRealWorldAngle(90);
  const auto turned = AddGridLines(g.store, 1010, area, GridKind::RealWorld);
  ASSERT_FALSE(turned.empty());
  g.store.ReadObject(turned[0], &o);
  EXPECT_NEAR(o.coords[0].PosY(), o.coords[1].PosY(), 1);
}

}  // namespace
}  // namespace zelk
