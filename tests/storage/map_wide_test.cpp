// Map-wide transforms, symbol scaling and changes by symbol, checked object by object against
// transforms the test computes itself.
#include "storage/map_wide.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "map_fixture.h"
#include "storage/symbol_records.h"

namespace zelk {
namespace {

using test::U;

// Positions of the test's own: units carried by a plain formula, rounded to nearest even.
struct Expect {
  MapTransform::Kind kind;
  double a = 0, b = 0;  // move mm / factors / degrees
  void Apply(double x, double y, double* nx, double* ny) const {
    switch (kind) {
      case MapTransform::Kind::Move:
        *nx = x + a * 100;
        *ny = y + b * 100;
        break;
      case MapTransform::Kind::Stretch:
      case MapTransform::Kind::Scale:
        *nx = x * a;
        *ny = y * b;
        break;
      case MapTransform::Kind::Rotate: {
        const double r = a / 180.0 * std::numbers::pi;
        *nx = x * std::cos(r) - y * std::sin(r);
        *ny = x * std::sin(r) + y * std::cos(r);
        break;
      }
    }
    *nx = std::nearbyint(*nx);
    *ny = std::nearbyint(*ny);
  }
};

ObjectRecord Obj(int symbol, ObjectType type, std::vector<Coord> pts, int angle = 0) {
  ObjectRecord o;
  o.symbol = static_cast<int16_t>(symbol);
  o.type = type;
  o.coords = std::move(pts);
  o.angle = static_cast<int16_t>(angle);
  return o;
}

// A map of every kind of object, one of them deleted.
struct WideFixture : MapFixture {
  std::vector<ObjectRecord> objects;
  WideFixture() {
    store.AppendSymbol(MakeSymbol(4010, SymbolType::Text, 0, {0}));
    store.AppendSymbol(MakeSymbol(5010, SymbolType::Rectangle, 10, {0}));
    store.AppendSymbol(MakeSymbol(1020, SymbolType::Line, 0, {0}, kSubtypeLineText));
    store.RewriteSymbolIndex();
    objects.push_back(Obj(3010, ObjectType::Point, {U(1000, 2000)}, 3550));
    objects.push_back(Obj(1010, ObjectType::Line,
                          {U(-500, 300, kFirstCurvePoint), U(700, -900, 0, kCornerPoint),
                           U(1500, 1500, kNoLeftLine)}));
    objects.push_back(Obj(2010, ObjectType::Area,
                          {U(0, 0), U(4000, 0), U(4000, 3000), U(0, 0),
                           U(1000, 1000, 0, kHoleStart), U(2000, 1000), U(1000, 2000)}));
    ObjectRecord text =
        Obj(4010, ObjectType::Text,
            {U(5000, 5000), U(5000, 4900), U(6200, 4900), U(6200, 5300), U(5000, 5300)}, 100);
    text.SetText("Hill");
    objects.push_back(text);
    objects.push_back(Obj(5010, ObjectType::Rectangle,
                          {U(-3000, -2000), U(-1000, -2000), U(-1000, -500), U(-3000, -500)}));
    ObjectRecord framed = Obj(4010, ObjectType::Rectangle,
                              {U(2000, -3000), U(3000, -3000), U(3000, -2000), U(2000, -2000)});
    framed.SetText("Framed");
    objects.push_back(framed);
    objects.push_back(Obj(1010, ObjectType::Line, {U(100, 100), U(200, 200)}));
    for (ObjectRecord& o : objects) EXPECT_TRUE(store.AddObject(o));
    EXPECT_TRUE(store.DeleteObject(7));
  }
  std::vector<uint8_t> RecordBytes(int32_t n) {
    IndexEntry e;
    store.ReadEntry(n, &e);
    std::vector<uint8_t> b(static_cast<size_t>(e.length));
    store.WorkingFile().ReadAt(e.pos, b.data(), e.length);
    return b;
  }
};

struct TransformCase {
  const char* name;
  MapTransform t;
  Expect e;
  bool boxMoves;   // texts carry their box (no symbol turning or growing)
  bool rectMoves;  // rectangles carry their other corners
};

class TransformTest : public ::testing::TestWithParam<TransformCase> {};

TEST_P(TransformTest, EveryObjectFollowsTheTransform) {
  const TransformCase& c = GetParam();
  WideFixture f;
  const std::vector<uint8_t> deletedBefore = f.RecordBytes(7);
  IndexEntry deletedEntry;
  f.store.ReadEntry(7, &deletedEntry);
  NullProgress progress;
  const MapWideResult r = TransformMap(f.store, c.t, progress);
  ASSERT_TRUE(r.ok) << c.name;
  EXPECT_EQ(r.changed, 6);
  EXPECT_EQ(r.deleted, 0);
  ASSERT_TRUE(f.Reopen());
  for (int32_t n = 1; n <= 6; ++n) {
    const ObjectRecord& before = f.objects[static_cast<size_t>(n - 1)];
    ObjectRecord after;
    ASSERT_TRUE(f.store.ReadObject(n, &after)) << n;
    ASSERT_EQ(after.PointCount(), before.PointCount()) << c.name << " object " << n;
    const bool carry = (before.type == ObjectType::Text && c.boxMoves) ||
                       (before.type == ObjectType::Rectangle && c.rectMoves);
    std::vector<Coord> expected;
    double fx = 0, fy = 0;
    c.e.Apply(before.coords[0].PosX(), before.coords[0].PosY(), &fx, &fy);
    for (size_t i = 0; i < before.coords.size(); ++i) {
      const Coord& p = before.coords[i];
      double nx = 0, ny = 0;
      if (carry) {
        nx = p.PosX() + (fx - before.coords[0].PosX());
        ny = p.PosY() + (fy - before.coords[0].PosY());
      } else {
        c.e.Apply(p.PosX(), p.PosY(), &nx, &ny);
      }
      expected.push_back(
          U(static_cast<int32_t>(nx), static_cast<int32_t>(ny), p.XFlags(), p.YFlags()));
    }
    // A mirrored rectangle starts again at its lower left corner.
    if (before.type == ObjectType::Rectangle && c.t.kind == MapTransform::Kind::Stretch &&
        (c.t.fx < 0 || c.t.fy < 0)) {
      int32_t minX = INT32_MAX, minY = INT32_MAX;
      for (const Coord& p : expected) {
        minX = std::min(minX, p.PosX());
        minY = std::min(minY, p.PosY());
      }
      EXPECT_EQ(after.coords[0].PosX(), minX) << c.name;
      EXPECT_EQ(after.coords[0].PosY(), minY) << c.name;
      EXPECT_GT(after.coords[2].PosX(), minX);
      EXPECT_GT(after.coords[2].PosY(), minY);
      // The same corners, in the other order.
      for (const Coord& p : expected) {
        bool found = false;
        for (const Coord& q : after.coords) found = found || p.SamePlace(q);
        EXPECT_TRUE(found) << c.name;
      }
    } else {
      for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(after.coords[i], expected[i]) << c.name << " object " << n << " point " << i;
    }
    int angle = before.angle;
    if (c.t.kind == MapTransform::Kind::Rotate && c.t.withSymbols)
      angle =
          ((before.angle + static_cast<int>(std::lround(c.t.degrees * 10))) % 3600 + 3600) % 3600;
    if (before.type == ObjectType::Rectangle && c.t.kind == MapTransform::Kind::Stretch &&
        ((c.t.fx < 0) != (c.t.fy < 0)))
      angle = (3600 - before.angle) % 3600;
    EXPECT_EQ(after.angle, angle) << c.name << " object " << n;
    EXPECT_EQ(after.Text(), before.Text());
    EXPECT_EQ(after.symbol, before.symbol);
  }
  // The deleted object is left alone, record and entry.
  IndexEntry e;
  f.store.ReadEntry(7, &e);
  EXPECT_EQ(e, deletedEntry);
  EXPECT_EQ(f.RecordBytes(7), deletedBefore);
}

INSTANTIATE_TEST_SUITE_P(Transforms, TransformTest,
                         ::testing::Values(TransformCase{"move",
                                                         MapTransform::Move(12 * kWordsPerMm +
                                                                                50 * 256,
                                                                            -7 * kWordsPerMm),
                                                         {MapTransform::Kind::Move, 12.5, -7},
                                                         false,
                                                         false},
                                           TransformCase{"stretch",
                                                         MapTransform::Stretch(1.5, 0.75),
                                                         {MapTransform::Kind::Stretch, 1.5, 0.75},
                                                         true,
                                                         false},
                                           TransformCase{"mirror x",
                                                         MapTransform::Stretch(-1, 1),
                                                         {MapTransform::Kind::Stretch, -1, 1},
                                                         true,
                                                         false},
                                           TransformCase{"mirror y",
                                                         MapTransform::Stretch(1, -1.25),
                                                         {MapTransform::Kind::Stretch, 1, -1.25},
                                                         true,
                                                         false},
                                           TransformCase{"mirror both",
                                                         MapTransform::Stretch(-2, -2),
                                                         {MapTransform::Kind::Stretch, -2, -2},
                                                         true,
                                                         false},
                                           TransformCase{"rotate",
                                                         MapTransform::Rotate(33.3, false),
                                                         {MapTransform::Kind::Rotate, 33.3},
                                                         true,
                                                         true},
                                           TransformCase{"rotate symbols",
                                                         MapTransform::Rotate(-123.4, true),
                                                         {MapTransform::Kind::Rotate, -123.4},
                                                         false,
                                                         false},
                                           TransformCase{"rotate symbols past 360",
                                                         MapTransform::Rotate(359, true),
                                                         {MapTransform::Kind::Rotate, 359},
                                                         false,
                                                         false},
                                           TransformCase{"scale",
                                                         MapTransform::Scale(0.4, false),
                                                         {MapTransform::Kind::Scale, 0.4, 0.4},
                                                         true,
                                                         false},
                                           TransformCase{"scale symbols",
                                                         MapTransform::Scale(2.5, true),
                                                         {MapTransform::Kind::Scale, 2.5, 2.5},
                                                         false,
                                                         false}),
                         [](const auto& info) {
                           std::string s = info.param.name;
                           for (char& ch : s)
                             if (ch == ' ') ch = '_';
                           return s;
                         });

TEST(MapWide, ObjectsLeavingTheAreaAreDeletedAfterTheQuestion) {
  WideFixture f;
  // 3000 mm to the right: everything beyond 2000 mm goes.
  const MapTransform t = MapTransform::Move(1970 * kWordsPerMm, 0);
  int asked = 0;
  NullProgress progress;
  MapWideResult r = TransformMap(f.store, t, progress, [&] {
    ++asked;
    return false;
  });
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(f.store.LiveObjectCount(), 6);
  r = TransformMap(f.store, t, progress, [&] {
    ++asked;
    return true;
  });
  EXPECT_EQ(asked, 2);
  ASSERT_TRUE(r.ok);
  // Objects reaching beyond x = 30 mm (3000 units) would pass 2000 mm.
  int expectedDeleted = 0;
  for (int32_t n = 1; n <= 6; ++n) {
    int32_t maxX = INT32_MIN;
    for (const Coord& c : f.objects[static_cast<size_t>(n - 1)].coords)
      maxX = std::max(maxX, c.PosX());
    IndexEntry e;
    f.store.ReadEntry(n, &e);
    const bool gone = maxX + 197000 > 200000;
    expectedDeleted += gone;
    EXPECT_EQ(e.symbol == 0, gone) << n;
  }
  EXPECT_EQ(r.deleted, expectedDeleted);
  EXPECT_GT(expectedDeleted, 0);
}

TEST(MapWide, NoQuestionWhenTheMapStaysInside) {
  WideFixture f;
  NullProgress progress;
  int asked = 0;
  TransformMap(f.store, MapTransform::Rotate(90, false), progress, [&] { return ++asked, true; });
  EXPECT_EQ(asked, 0);
}

TEST(MapWide, EscStopsAndKeepsWhatWasDone) {
  struct StopAfter : NullProgress {
    int steps = 0;
    void Step(int32_t, int32_t) override { ++steps; }
    bool AbortRequested() override { return steps >= 2; }
  } progress;
  WideFixture f;
  const MapWideResult r = TransformMap(f.store, MapTransform::Move(256 * 100, 0), progress);
  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(r.changed, 2);
  ObjectRecord o;
  f.store.ReadObject(3, &o);
  EXPECT_EQ(o.coords[0], f.objects[2].coords[0]);
}

TEST(MapWide, UndoRecorderHearsNothing) {
  struct Counting : UndoRecorder {
    int calls = 0;
    void ObjectAdded(int32_t, const IndexEntry&) override { ++calls; }
    void ObjectChanged(int32_t, const IndexEntry&, const std::vector<uint8_t>&) override {
      ++calls;
    }
    void ObjectDeleted(int32_t, const IndexEntry&) override { ++calls; }
  } rec;
  WideFixture f;
  f.store.SetUndoRecorder(&rec);
  NullProgress progress;
  TransformMap(f.store, MapTransform::Move(1970 * kWordsPerMm, 0), progress);
  EXPECT_EQ(rec.calls, 0);
  EXPECT_EQ(f.store.GetUndoRecorder(), &rec);
}

TEST(ChangeScale, RefusesScalesOfZeroOrLess) {
  for (double s : {0.0, -5000.0, std::nan("")}) {
    WideFixture f;
    f.store.MutableSetup().SetMapScale(10000);
    NullProgress progress;
    const MapWideResult r = ChangeScale(f.store, s, false, progress);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(f.sink.errors.size(), 1u);
    EXPECT_EQ(f.store.Setup().MapScale(), 10000);
  }
}

TEST(ChangeScale, ScalesPositionsSettingsAndSymbols) {
  WideFixture f;
  f.store.MutableSetup().SetMapScale(10000);
  f.store.MutableSetup().SetPaperGrid(50);
  ASSERT_TRUE(f.store.ReplaceSymbol(0, test::MakeLineSymbol(1010, 2, 40, 20)));
  NullProgress progress;
  const MapWideResult r = ChangeScale(f.store, 25000, true, progress);
  ASSERT_TRUE(r.ok);
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(f.store.Setup().MapScale(), 25000);
  EXPECT_DOUBLE_EQ(f.store.Setup().PaperGrid(), 20);
  const auto line = LineSymbol::Decode(f.store.Symbol(f.store.SymbolPlace(1010)));
  ASSERT_TRUE(line);
  EXPECT_EQ(line->LineWidth, 16);
  EXPECT_EQ(f.store.Symbol(f.store.SymbolPlace(1010)).Extent(), 8);
  ObjectRecord o;
  f.store.ReadObject(1, &o);
  EXPECT_EQ(o.coords[0], U(400, 800));
  // The entry's box follows the scaled extent.
  IndexEntry e;
  f.store.ReadEntry(2, &e);
  ObjectRecord line2;
  f.store.ReadObject(2, &line2);
  EXPECT_EQ(e.box, line2.BoundingBox(8));
}

TEST(ScaleSymbol, ScalesFieldsListsAndExtentAndClamps) {
  test::LineDef d;
  d.f.LineWidth = 30;
  d.f.MainLength = 400;
  d.f.DblWidth = 100;
  d.main =
      test::EncodeElements({{kElementCircle, 0, 1, 10, 60, {U(-20, 30, 0, kCornerPoint)}},
                            {kElementLine, 0, 1, 8, 0, {U(0, 0), U(50, -70, kFirstCurvePoint)}}});
  d.f.NPrimSym = 1;
  SymbolRecord rec = d.Record();
  rec.SetExtent(100);
  EXPECT_TRUE(ScaleSymbol(rec, 1.5));
  const auto l = LineSymbol::Decode(rec);
  ASSERT_TRUE(l);
  EXPECT_EQ(l->LineWidth, 45);
  EXPECT_EQ(l->MainLength, 600);
  EXPECT_EQ(l->DblWidth, 150);
  EXPECT_EQ(l->NPrimSym, 1);
  EXPECT_EQ(rec.Extent(), 150);
  std::vector<ElementView> els;
  ForEachElement(l->MainList, l->MainList.Units(), [&](const ElementView& e) {
    els.push_back(e);
    return true;
  });
  ASSERT_EQ(els.size(), 2u);
  EXPECT_EQ(els[0].head.lineWidth, 15);
  EXPECT_EQ(els[0].head.diameter, 90);
  EXPECT_EQ(els[0].Point(0), U(-30, 45, 0, kCornerPoint));
  EXPECT_EQ(els[1].head.lineWidth, 12);
  EXPECT_EQ(els[1].Point(1), U(75, -105, kFirstCurvePoint));

  // 20 mm at 2000 % does not fit a 16-bit field: it is held at the largest value.
  test::LineDef wide;
  wide.f.LineWidth = 2000;
  SymbolRecord w = wide.Record();
  w.SetExtent(1000);
  EXPECT_FALSE(ScaleSymbol(w, 20));
  EXPECT_EQ(LineSymbol::Decode(w)->LineWidth, 32767);
  EXPECT_EQ(w.Extent(), 20000);
}

TEST(ScaleSymbol, OtherTypes) {
  SymbolRecord area = test::MakeAreaSymbol({.hatchMode = 1,
                                            .hatchLineWidth = 10,
                                            .hatchDist = 50,
                                            .structMode = 1,
                                            .structWidth = 300,
                                            .structHeight = 200,
                                            .structure = {{kElementDot, 0, 1, 0, 40, {U(5, 5)}}}});
  ScaleSymbol(area, 0.5);
  const auto a = AreaSymbol::Decode(area);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->HatchLineWidth, 5);
  EXPECT_EQ(a->HatchDist, 25);
  EXPECT_EQ(a->StructWidth, 150);
  EXPECT_EQ(a->StructHeight, 100);
  ForEachElement(a->Structure, a->Structure.Units(), [](const ElementView& e) {
    EXPECT_EQ(e.head.diameter, 20);
    EXPECT_EQ(e.Point(0), U(2, 2));  // 2.5 rounds to even
    return true;
  });
  SymbolRecord rect =
      test::MakeRectangleSymbol({.lineWidth = 30, .radius = 100, .cellWidth = 1000});
  ScaleSymbol(rect, 2);
  EXPECT_EQ(RectangleSymbol::Decode(rect)->LineWidth, 60);
  EXPECT_EQ(RectangleSymbol::Decode(rect)->CellWidth, 2000);
  TextSymbol t;
  t.FontName = "Arial";
  t.FontSize = 120;
  t.LineSpace = 120;
  t.Tabs[0] = 500;
  SymbolRecord text = t.Encode();
  ScaleSymbol(text, 2);
  const auto t2 = TextSymbol::Decode(text);
  EXPECT_EQ(t2->FontSize, 240);
  EXPECT_EQ(t2->LineSpace, 120);  // a percentage
  EXPECT_EQ(t2->Tabs[0], 1000);
}

TEST(EnlargeSymbols, UpdatesTheObjectsOfTheScaledSymbols) {
  WideFixture f;
  NullProgress progress;
  const int place = f.store.SymbolPlace(1010);
  ASSERT_TRUE(EnlargeSymbols(f.store, {place}, 3));
  IndexEntry e;
  f.store.ReadEntry(2, &e);
  EXPECT_EQ(e.box, f.objects[1].BoundingBox(60));
  EXPECT_FALSE(EnlargeSymbols(f.store, {place}, 0));
}

// Change Symbols: which object takes which target.
struct ChangeCase {
  const char* name;
  ObjectRecord obj;
  int target;
  bool changes;
  ObjectType typeAfter;
};

TEST(ChangeSymbols, TypeRules) {
  ObjectRecord lineText = Obj(1010, ObjectType::Line, {U(0, 0), U(10, 10)});
  lineText.SetText("River");
  ObjectRecord framed = Obj(5010, ObjectType::Rectangle, {U(0, 0), U(9, 0), U(9, 9), U(0, 9)});
  framed.SetText("Box");
  const ObjectRecord line = Obj(1010, ObjectType::Line, {U(0, 0), U(10, 10)});
  const ObjectRecord area =
      Obj(1010, ObjectType::Area,
          {U(0, 0), U(10, 0), U(10, 10), U(2, 2, 0, kHoleStart), U(3, 2), U(3, 3)});
  const ObjectRecord rect = Obj(1010, ObjectType::Rectangle, {U(0, 0), U(9, 0), U(9, 9), U(0, 9)});
  const ObjectRecord point = Obj(1010, ObjectType::Point, {U(0, 0)});
  const ObjectRecord text =
      Obj(1010, ObjectType::Text, {U(0, 0), U(0, 0), U(1, 0), U(1, 1), U(0, 1)});
  const std::vector<ChangeCase> cases = {
      {"line to line", line, 1030, true, ObjectType::Line},
      {"line to area", line, 2010, true, ObjectType::Area},
      {"line to line text", line, 1020, false, ObjectType::Line},
      {"line text to line text", lineText, 1020, true, ObjectType::Line},
      {"line text to area", lineText, 2010, true, ObjectType::Area},
      {"area to line", area, 1030, true, ObjectType::Line},
      {"area to line text", area, 1020, false, ObjectType::Area},
      {"area to point", area, 3010, false, ObjectType::Area},
      {"point to point", point, 3010, true, ObjectType::Point},
      {"point to area", point, 2010, false, ObjectType::Point},
      {"framed text to text", framed, 4010, true, ObjectType::Rectangle},
      {"framed text to rectangle", framed, 5010, false, ObjectType::Rectangle},
      {"rectangle to rectangle", rect, 5010, true, ObjectType::Rectangle},
      {"rectangle to text", rect, 4010, false, ObjectType::Rectangle},
      {"text to text", text, 4010, true, ObjectType::Text},
      {"text to line", text, 1030, false, ObjectType::Text},
  };
  for (const ChangeCase& c : cases) {
    WideFixture f;
    f.store.AppendSymbol(test::MakeLineSymbol(1030, 0, 10, 5));
    f.store.RewriteSymbolIndex();
    ObjectRecord o = c.obj;
    o.symbol = 1111;
    ASSERT_TRUE(f.store.AddObject(o));
    const int32_t n = f.store.ObjectCount();
    NullProgress progress;
    const MapWideResult r = ChangeSymbols(f.store, {1111, "", c.target}, progress);
    ASSERT_TRUE(r.ok) << c.name;
    EXPECT_EQ(r.changed, c.changes ? 1 : 0) << c.name;
    ObjectRecord after;
    f.store.ReadObject(n, &after);
    EXPECT_EQ(after.symbol, c.changes ? c.target : 1111) << c.name;
    EXPECT_EQ(after.type, c.typeAfter) << c.name;
    if (c.changes && c.obj.type == ObjectType::Area && c.typeAfter == ObjectType::Line) {
      EXPECT_EQ(after.PointCount(), 4) << c.name;  // the holes are gone, the ring closed
      EXPECT_TRUE(after.coords[3].SamePlace(after.coords[0]));
    }
    if (c.changes && c.typeAfter == ObjectType::Area) {
      EXPECT_EQ(after.textUnits, 0) << c.name;
    }
  }
}

TEST(ChangeSymbols, ByLayerAndMissingTarget) {
  WideFixture f;
  ObjectRecord a = Obj(-1, ObjectType::Line, {U(0, 0), U(5, 5)});
  a.SetLayerName("ROADS");
  ObjectRecord b = a;
  b.SetLayerName("RIVERS");
  ASSERT_TRUE(f.store.AddObject(a));
  ASSERT_TRUE(f.store.AddObject(b));
  NullProgress progress;
  MapWideResult r = ChangeSymbols(f.store, {0, "ROADS", 1010}, progress);
  EXPECT_EQ(r.changed, 1);
  ObjectRecord o;
  f.store.ReadObject(8, &o);
  EXPECT_EQ(o.symbol, 1010);
  f.store.ReadObject(9, &o);
  EXPECT_EQ(o.symbol, -1);
  r = ChangeSymbols(f.store, {1010, "", 9990}, progress);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(f.sink.errors.size(), 1u);
}

TEST(DeleteBySymbol, DeletesOnlyTheChosenSymbols) {
  WideFixture f;
  NullProgress progress;
  const MapWideResult r = DeleteBySymbol(f.store, {1010, 3010}, progress);
  EXPECT_EQ(r.objects, (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(f.store.LiveObjectCount(), 4);
  const int current = f.store.SymbolPlace(2010);
  f.store.MutableSymbol(0).SetSelected(1);
  EXPECT_EQ(SymbolsForBySymbolCommand(f.store, current), std::set<int>{2010});
  EXPECT_EQ(f.store.Symbol(0).Selected(), 0);
  f.store.MutableSymbol(0).SetSelected(1);
  EXPECT_EQ(SymbolsForBySymbolCommand(f.store, -1), (std::set<int>{1010, 2010}));
}

TEST(ExportBySymbol, WritesAllSymbolsAndOnlyTheChosenObjects) {
  WideFixture f;
  f.store.WriteInfoText("Info of the map");
  NullProgress progress;
  const std::string out = f.dir.Path("out.zkm");
  EXPECT_EQ(ExportBySymbol(f.store, {1010, 4010}, out, progress), 3);
  const std::vector<std::string> d = DescribeFile(out);
  MapStore other(&f.sink);
  other.WorkingFile().OpenForReading(out);
  ASSERT_TRUE(other.LoadFromWorkingFile());
  EXPECT_EQ(other.SymbolCount(), f.store.SymbolCount());
  EXPECT_EQ(other.ObjectCount(), 3);
  EXPECT_EQ(other.ReadInfoText(), "Info of the map");
  ObjectRecord o;
  other.ReadObject(1, &o);
  EXPECT_EQ(o.coords, f.objects[1].coords);
  other.ReadObject(2, &o);
  EXPECT_EQ(o.Text(), "Hill");
  // The partial map: objects whose box meets the window.
  const std::string part = f.dir.Path("part.zkm");
  EXPECT_EQ(ExportPartialMap(f.store, UnitsBox(4500, 4500, 7000, 7000), part, progress), 1);
}

}  // namespace
}  // namespace zelk
