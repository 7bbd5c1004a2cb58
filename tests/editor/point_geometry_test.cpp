// The geometry of editing on plain point lists: segments, hit tests, nearest places, splitting
// curves, inserting, changing and removing points, directions, turning and changing symbols.
#include <gtest/gtest.h>

#include <cmath>

#include "editing_fixture.h"
#include "editor/outline.h"

namespace zelk {
namespace {

ObjectRecord Line(std::vector<Coord> c) {
  return Obj(kLine, ObjectType::Line, std::move(c));
}
ObjectRecord Area(std::vector<Coord> c, int symbol = kArea) {
  return Obj(symbol, ObjectType::Area, std::move(c));
}
// An S-curve of two segments through (0,0), (300,0), (600,0), smooth in the middle.
ObjectRecord TwoCurves() {
  return Line(
      {P(0, 0), C1(0, 200), C2(200, 200), P(300, 0), C1(400, -200), C2(600, -200), P(600, 0)});
}
// A square 0..400 with a square hole 100..300.
ObjectRecord SquareWithHole() {
  return Area({P(0, 0), P(400, 0), P(400, 400), P(0, 400), P(100, 100, 0, kHoleStart), P(300, 100),
               P(300, 300), P(100, 300)});
}
int32_t Tol(int units) {
  return units * 256;
}
double Units(double words) {
  return words / 256;
}
// The point of the cubic starting at `start` at parameter t, in whole map units.
Coord OnCurve(const ObjectRecord& o, int start, double t) {
  const RealPoint r = BezierPoint(&o.coords[static_cast<size_t>(start)], t);
  return P(static_cast<int32_t>(std::lround(Units(r.x))),
           static_cast<int32_t>(std::lround(Units(r.y))));
}

// --- Segments and hit tests ------------------------------------------------------------------

TEST(Outline, SegmentsFollowTheRendererAndAreasCloseEachRing) {
  const auto line = Segments(TwoCurves());
  ASSERT_EQ(line.size(), 2u);
  EXPECT_EQ(line[0].kind, OutlineSegment::Kind::Cubic);
  EXPECT_EQ(line[1].start, 3);
  EXPECT_EQ(line[1].end, 6);
  const auto area = Segments(SquareWithHole());
  ASSERT_EQ(area.size(), 8u);  // four sides of each ring, the last of each closing it
  EXPECT_TRUE(area[3].closing);
  EXPECT_EQ(area[3].start, 3);
  EXPECT_EQ(area[3].end, 0);
  EXPECT_TRUE(area[7].closing);
  EXPECT_EQ(area[7].end, 4);
  EXPECT_EQ(Rings(SquareWithHole()), (std::vector<std::pair<int, int>>{{0, 4}, {4, 8}}));
}

TEST(Outline, HitTestsByObjectType) {
  ObjectRecord text =
      Obj(kText, ObjectType::Text, {P(0, 0), P(0, -20), P(300, -20), P(300, 80), P(0, 80)});
  ObjectRecord frame =
      Obj(kRectangle, ObjectType::Rectangle, {P(0, 0), P(400, 0), P(400, 200), P(0, 200)});
  ObjectRecord framedText = frame;
  framedText.SetText("Legend");
  struct Case {
    const char* name;
    ObjectRecord obj;
    Coord at;
    bool hit;
  };
  const Case cases[] = {
      {"point near", Obj(kPoint, ObjectType::Point, {P(50, 50)}), P(52, 47), true},
      {"point far", Obj(kPoint, ObjectType::Point, {P(50, 50)}), P(60, 50), false},
      {"line on its curve", TwoCurves(), OnCurve(TwoCurves(), 0, 0.5), true},
      {"line off its curve", TwoCurves(), P(150, 100), false},
      {"area inside", SquareWithHole(), P(50, 200), true},
      {"area in its hole", SquareWithHole(), P(200, 200), false},
      {"area on the hole's edge", SquareWithHole(), P(200, 102), true},
      {"area outside", SquareWithHole(), P(500, 200), false},
      {"text in its box", text, P(150, 40), true},
      {"text beside its box", text, P(350, 40), false},
      {"rectangle on its frame", frame, P(200, 2), true},
      {"rectangle inside its frame", frame, P(200, 100), false},
      {"framed text inside", framedText, P(200, 100), true},
  };
  for (const Case& c : cases) EXPECT_EQ(Selection::Hits(c.obj, c.at, Tol(5)), c.hit) << c.name;
}

TEST(Outline, TheMidpointOfACurveByHalving) {
  const ObjectRecord s = TwoCurves();
  const Coord m = BezierMidpoint(s.coords.data());
  const RealPoint exact = BezierPoint(s.coords.data(), 0.5);
  EXPECT_NEAR(m.x, exact.x, 256);
  EXPECT_NEAR(m.y, exact.y, 256);
  EXPECT_EQ(m.x & kFlagMask, 0);
}

TEST(Outline, NearestPointPrefersAnAnchorOnAHandleLyingOnIt) {
  ObjectRecord o = Line({P(0, 0), C1(0, 0), C2(100, 100), P(100, 0)});
  EXPECT_EQ(NearestPoint(o, P(1, 1), Tol(3)), 0);
  EXPECT_EQ(NearestPoint(o, P(99, 99), Tol(3)), 2);
  EXPECT_EQ(NearestPoint(o, P(99, 99), Tol(3), true), -1);
  EXPECT_EQ(NearestPoint(o, P(50, 50), Tol(3)), -1);
}

// --- Inserting ---------------------------------------------------------------------------------

// The largest distance between the drawn shapes of two objects, in map units.
double ShapeDifference(const ObjectRecord& a, const ObjectRecord& b) {
  double worst = 0;
  const auto la = OutlinePolylines(a), lb = OutlinePolylines(b);
  for (const auto& line : la)
    for (const Coord& p : line) worst = std::max(worst, Units(DistanceToOutline(b, p)));
  for (const auto& line : lb)
    for (const Coord& p : line) worst = std::max(worst, Units(DistanceToOutline(a, p)));
  return worst;
}

TEST(PointOps, InsertingKeepsTheShapeAndChangingSetsTheCornerFlag) {
  struct Case {
    const char* name;
    ObjectRecord obj;
    Coord at;
    bool corner;
    PointEdit result;
    int points;            // after
    int newAnchor;         // index of the anchor inserted or changed, -1 for none
    int32_t anchorYFlags;  // its y flags
  };
  const Case cases[] = {
      {"on a straight side", SquareWithHole(), P(200, 1), false, PointEdit::Grown, 9, 1, 0},
      {"on the closing side", SquareWithHole(), P(1, 200), true, PointEdit::Grown, 9, 4,
       kCornerPoint},
      {"on the hole's closing side", SquareWithHole(), P(99, 200), false, PointEdit::Grown, 9, 8,
       0},
      {"inside a curve", TwoCurves(), OnCurve(TwoCurves(), 0, 0.3), true, PointEdit::Grown, 10, 3,
       kCornerPoint},
      {"an anchor becomes a corner", TwoCurves(), P(301, 1), true, PointEdit::Changed, 7, 3,
       kCornerPoint},
      {"a corner becomes normal", Line({P(0, 0), P(100, 0, 0, kCornerPoint), P(200, 0)}), P(100, 2),
       false, PointEdit::Changed, 3, 1, 0},
      {"a normal point stays normal", Line({P(0, 0), P(100, 0), P(200, 0)}), P(100, 0), false,
       PointEdit::Refused, 3, -1, 0},
      {"too far from the outline", TwoCurves(), P(150, 60), false, PointEdit::Refused, 7, -1, 0},
      {"a point object", Obj(kPoint, ObjectType::Point, {P(0, 0)}), P(0, 0), false,
       PointEdit::Refused, 1, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ObjectRecord o = c.obj;
    EXPECT_EQ(InsertOrChangePoint(o, c.at, Tol(4), c.corner), c.result);
    EXPECT_EQ(o.PointCount(), c.points);
    if (c.newAnchor >= 0) {
      const Coord& a = o.coords[static_cast<size_t>(c.newAnchor)];
      EXPECT_FALSE(IsControlPoint(a));
      EXPECT_EQ(a.y & (kCornerPoint | kHoleStart), c.anchorYFlags);
    }
    EXPECT_LT(ShapeDifference(c.obj, o), 1.5);
    EXPECT_EQ(Segments(o).size() - Segments(c.obj).size(), c.result == PointEdit::Grown ? 1u : 0u);
  }
}

TEST(PointOps, InsertingIntoALineTextRespectsTheRoomOfItsText) {
  // 1987 straight points and a closing curve: 1990 points and 8 units of text.
  ObjectRecord o = Obj(kLineText, ObjectType::Line, {});
  for (int i = 0; i < 1987; ++i) o.coords.push_back(P(i * 10, 0));
  o.coords.insert(o.coords.end(), {C1(19870, 100), C2(19890, 100), P(19900, 0)});
  o.SetText("Along the river");
  o.FixTextUnits();
  ASSERT_EQ(o.PointCount() + o.textUnits, 1998);
  ObjectRecord straight = o;
  EXPECT_EQ(InsertOrChangePoint(straight, P(15, 0), Tol(3), false), PointEdit::Grown);
  EXPECT_EQ(straight.PointCount() + straight.textUnits, 1999);
  EXPECT_EQ(straight.Text(), "Along the river");
  // Splitting the curve needs three more points: 2001 would pass the limit.
  ObjectRecord curve = o;
  EXPECT_EQ(InsertOrChangePoint(curve, OnCurve(o, 1986, 0.5), Tol(3), false), PointEdit::Refused);
  EXPECT_EQ(curve, o);
}

// --- Removing ----------------------------------------------------------------------------------

TEST(PointOps, RemovingTheMiddleOfTwoCurvesLeavesOneWithHandlesAtTwoFifthsOfTheChord) {
  ObjectRecord o = TwoCurves();
  ASSERT_TRUE(RemovePointAt(o, P(301, 2), Tol(3)));
  ASSERT_EQ(o.PointCount(), 4);
  EXPECT_EQ(o.coords[0], P(0, 0));
  EXPECT_EQ(o.coords[3], P(600, 0));
  // Chord 600: handles of 240 in their old directions (straight up from the first anchor, and
  // from the last towards (600, -200), straight down).
  EXPECT_EQ(o.coords[1], C1(0, 240));
  EXPECT_EQ(o.coords[2], C2(600, -240));
}

TEST(PointOps, RemovalCases) {
  struct Case {
    const char* name;
    ObjectRecord obj;
    Coord at;
    bool removed;
    std::vector<Coord> after;
  };
  const Case cases[] = {
      {"a straight middle point",
       Line({P(0, 0), P(100, 0), P(200, 0)}),
       P(100, 0),
       true,
       {P(0, 0), P(200, 0)}},
      {"after a single curve: the curve becomes straight",
       Line({P(0, 0), C1(0, 100), C2(100, 100), P(100, 0), P(200, 0)}),
       P(100, 0),
       true,
       {P(0, 0), P(200, 0)}},
      {"before a single curve: the curve becomes straight",
       Line({P(0, 0), P(100, 0), C1(100, 100), C2(200, 100), P(200, 0)}),
       P(100, 0),
       true,
       {P(0, 0), P(200, 0)}},
      {"the first point, starting a curve",
       Line({P(0, 0), C1(0, 100), C2(100, 100), P(100, 0), P(200, 0)}),
       P(0, 0),
       true,
       {P(100, 0), P(200, 0)}},
      {"a handle takes its anchor when that is near too",
       Line({P(0, 0), P(100, 0), C1(102, 1), C2(200, 100), P(200, 0)}),
       P(102, 1),
       true,
       {P(0, 0), P(200, 0)}},
      {"a handle whose anchor is far: nothing",
       Line({P(0, 0), P(100, 0), C1(100, 50), C2(200, 100), P(200, 0)}),
       P(100, 50),
       false,
       {}},
      {"the first point of a hole passes the flag on",
       SquareWithHole(),
       P(100, 100),
       true,
       {P(0, 0), P(400, 0), P(400, 400), P(0, 400), P(300, 100, 0, kHoleStart), P(300, 300),
        P(100, 300)}},
      {"a hole of two points loses one and goes",
       Area({P(0, 0), P(400, 0), P(400, 400), P(100, 100, 0, kHoleStart), P(300, 100)}),
       P(300, 100),
       true,
       {P(0, 0), P(400, 0), P(400, 400)}},
      {"a line of two points", Line({P(0, 0), P(100, 0)}), P(0, 0), false, {}},
      {"an area of three points", Area({P(0, 0), P(100, 0), P(0, 100)}), P(0, 0), false, {}},
      {"a line of one curve",
       Line({P(0, 0), C1(0, 100), C2(100, 100), P(100, 0)}),
       P(0, 0),
       false,
       {}},
      {"nothing there", Line({P(0, 0), P(100, 0), P(200, 0)}), P(50, 30), false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ObjectRecord o = c.obj;
    EXPECT_EQ(RemovePointAt(o, c.at, Tol(3)), c.removed);
    if (c.removed)
      EXPECT_EQ(o.coords, c.after);
    else
      EXPECT_EQ(o, c.obj);
  }
}

TEST(PointOps, MergingCurvesWhoseHandleLiesOnItsAnchorTakesTheChordsDirection) {
  ObjectRecord o =
      Line({P(0, 0), C1(0, 0), C2(200, 200), P(300, 0), C1(400, -200), C2(600, 0), P(600, 0)});
  ASSERT_TRUE(RemoveAnchor(o, 3));
  ASSERT_EQ(o.PointCount(), 4);
  EXPECT_EQ(o.coords[1], C1(240, 0));
  EXPECT_EQ(o.coords[2], C2(360, 0));
}

TEST(PointOps, TidyingDropsLoneHandlesAndHolesOfOnePoint) {
  ObjectRecord o =
      Area({C2(5, 5), P(0, 0), P(100, 0), C1(100, 50), P(100, 100), P(0, 100), C1(0, 50),
            P(50, 50, 0, kHoleStart), P(60, 60, 0, kHoleStart), P(70, 60), P(70, 70)});
  TidyPoints(o);
  EXPECT_EQ(o.coords, (std::vector<Coord>{P(0, 0), P(100, 0), P(100, 100), P(0, 100),
                                          P(60, 60, 0, kHoleStart), P(70, 60), P(70, 70)}));
  ObjectRecord first = Area({P(0, 0, 0, kHoleStart), P(10, 0), P(0, 10)});
  TidyPoints(first);
  EXPECT_EQ(first.coords[0], P(0, 0));
}

// --- Directions, turning and symbols --------------------------------------------------------

TEST(PointOps, DirectionsAndThePatternAngleTheyGive) {
  EXPECT_EQ(DirectionTenths(P(0, 0), P(10, 0)), 0);
  EXPECT_EQ(DirectionTenths(P(0, 0), P(0, 10)), 900);
  EXPECT_EQ(DirectionTenths(P(0, 0), P(-10, 0)), 1800);
  EXPECT_EQ(DirectionTenths(P(0, 0), P(0, -10)), 2700);
  EXPECT_EQ(DirectionTenths(P(5, 5), P(5, 5)), -1);
  EXPECT_EQ(NormalAngle(-300), 3300);
  EXPECT_EQ(NormalAngle(7250), 50);

  const SymbolRecord hatch = test::MakeAreaSymbol({.hatchMode = 1, .hatchAngle1 = 300});
  const SymbolRecord pattern = test::MakeAreaSymbol({.structMode = 2, .structAngle = 450});
  const SymbolRecord plain = test::MakeAreaSymbol({.fillOn = 1});
  const SymbolRecord line = MakeSymbol(kLine, SymbolType::Line, 0, {0});
  struct Case {
    ObjectType type;
    const SymbolRecord* symbol;
    bool changed;
    int16_t angle;
  };
  const Case cases[] = {
      {ObjectType::Point, &line, true, 900},     {ObjectType::Text, &line, true, 900},
      {ObjectType::Area, &hatch, true, 600},     {ObjectType::Area, &pattern, true, 450},
      {ObjectType::Area, &plain, false, 77},     {ObjectType::Line, &line, false, 77},
      {ObjectType::Rectangle, &line, false, 77},
  };
  for (const Case& c : cases) {
    ObjectRecord o = Obj(kArea, c.type, {P(0, 0), P(10, 0), P(0, 10)});
    o.angle = 77;
    EXPECT_EQ(SetPatternDirection(o, *c.symbol, 900), c.changed) << int(c.type);
    EXPECT_EQ(o.angle, c.angle) << int(c.type);
  }
}

TEST(RotateTool, TurningAnObjectTurnsItsPointsAndItsAngle) {
  ObjectRecord o = Line({P(100, 0), C1(200, 0), P(300, 0, 0, kCornerPoint)});
  o.angle = 3500;
  const ObjectRecord t = RotatedObject(o, P(0, 0), 900);
  EXPECT_EQ(t.coords[0], P(0, 100));
  EXPECT_EQ(t.coords[1], C1(0, 200));
  EXPECT_EQ(t.coords[2], P(0, 300, 0, kCornerPoint));
  EXPECT_EQ(t.angle, 800);
}

TEST(ChangeSymbol, TheTypeRules) {
  const SymbolRecord lineSym = MakeSymbol(kLine, SymbolType::Line, 0, {0});
  const SymbolRecord lineTextSym = MakeSymbol(kLineText, SymbolType::Line, 0, {0}, 1);
  const SymbolRecord areaSym = MakeSymbol(kArea, SymbolType::Area, 0, {0});
  const SymbolRecord textSym = MakeSymbol(kText, SymbolType::Text, 0, {0});
  const SymbolRecord pointSym = MakeSymbol(kPoint, SymbolType::Point, 0, {0});
  ObjectRecord lineText = Obj(kLineText, ObjectType::Line, {P(0, 0), P(100, 0), P(200, 0)});
  lineText.SetText("Main street");
  ObjectRecord framed =
      Obj(kRectangle, ObjectType::Rectangle, {P(0, 0), P(100, 0), P(100, 50), P(0, 50)});
  ObjectRecord framedText = framed;
  framedText.SetText("Key");
  struct Case {
    const char* name;
    ObjectRecord obj;
    const SymbolRecord* symbol;
    SymbolFit fit;
    ObjectType type;
    int points;
    int textUnits;
  };
  const Case cases[] = {
      {"line to line", Line({P(0, 0), P(9, 9)}), &lineSym, SymbolFit::Fits, ObjectType::Line, 2, 0},
      {"area to line: the outer ring, closed", SquareWithHole(), &lineSym, SymbolFit::Fits,
       ObjectType::Line, 5, 0},
      {"line to area", Line({P(0, 0), P(9, 9), P(0, 9)}), &areaSym, SymbolFit::Fits,
       ObjectType::Area, 3, 0},
      {"line of two points to area", Line({P(0, 0), P(9, 9)}), &areaSym, SymbolFit::Refused,
       ObjectType::Line, 2, 0},
      {"line to point", Line({P(0, 0), P(9, 9)}), &pointSym, SymbolFit::Refused, ObjectType::Line,
       2, 0},
      {"line text to plain line drops the text", lineText, &lineSym, SymbolFit::Fits,
       ObjectType::Line, 3, 0},
      {"line to line text asks for text", Line({P(0, 0), P(9, 9)}), &lineTextSym,
       SymbolFit::NeedsText, ObjectType::Line, 2, 0},
      {"framed text to text symbol", framedText, &textSym, SymbolFit::Fits, ObjectType::Rectangle,
       4, 8},
      {"rectangle without text to text symbol", framed, &textSym, SymbolFit::Refused,
       ObjectType::Rectangle, 4, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ObjectRecord o = c.obj;
    EXPECT_EQ(GiveSymbol(o, *c.symbol), c.fit);
    EXPECT_EQ(o.type, c.type);
    EXPECT_EQ(o.PointCount(), c.points);
    EXPECT_EQ(o.textUnits, c.textUnits);
    if (c.fit == SymbolFit::Refused)
      EXPECT_EQ(o, c.obj);
    else
      EXPECT_EQ(o.symbol, c.symbol->Number());
  }
}

}  // namespace
}  // namespace zelk
