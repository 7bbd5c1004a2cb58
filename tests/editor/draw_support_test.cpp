// The geometry the drawing tools share: smoothing, following outlines, ellipses, reversal and
// drag angles, on plain point lists.
#include "editor/draw_support.h"

#include <gtest/gtest.h>

#include "editor/place_tool.h"
#include "symbol_builder.h"

namespace zelk {
namespace {

using test::U;

std::string Show(const std::vector<Coord>& pts) {
  std::string s;
  for (const Coord& c : pts)
    s += "(" + std::to_string(c.PosX()) + "," + std::to_string(c.PosY()) + " " +
         std::to_string(c.XFlags()) + "/" + std::to_string(c.YFlags()) + ")";
  return s;
}

struct SmoothCase {
  const char* name;
  std::vector<Coord> in;
  int s, e, level;
  std::vector<Coord> out;
  int end;
};

TEST(Smoothing, DropsAndKeepsPointsByTheRulesOfEachLevel) {
  const SmoothCase cases[] = {
      // A deviation of 0.01 mm is dropped at level 0, 0.02 mm kept.
      {"deviation of one unit", {U(0, 0), U(50, 1), U(100, 0)}, 0, 2, 0, {U(0, 0), U(100, 0)}, 1},
      {"deviation of two units",
       {U(0, 0), U(50, 2), U(100, 0)},
       0,
       2,
       0,
       {U(0, 0), U(50, 2), U(100, 0)},
       2},
      {"corners stay",
       {U(0, 0), U(50, 0, 0, kCornerPoint), U(100, 0)},
       0,
       2,
       0,
       {U(0, 0), U(50, 0, 0, kCornerPoint), U(100, 0)},
       2},
      {"close to the last kept point",
       {U(0, 0), U(1, 1), U(100, 0)},
       0,
       2,
       0,
       {U(0, 0), U(100, 0)},
       1},
      {"the same place as the next",
       {U(0, 0), U(40, 30), U(40, 30)},
       0,
       2,
       0,
       {U(0, 0), U(40, 30)},
       1},
      // The anchor that ends a curve is protected, not the control point after an anchor.
      {"anchor after a second control point",
       {U(0, 0), U(10, 0, kFirstCurvePoint), U(40, 0, kSecondCurvePoint), U(50, 0), U(100, 0)},
       0,
       4,
       0,
       {U(0, 0), U(10, 0, kFirstCurvePoint), U(40, 0, kSecondCurvePoint), U(50, 0), U(100, 0)},
       4},
      {"a change of the no-line flags",
       {U(0, 0), U(50, 0, kNoLeftLine), U(100, 0, kNoLeftLine)},
       0,
       2,
       0,
       {U(0, 0), U(50, 0, kNoLeftLine), U(100, 0, kNoLeftLine)},
       2},
      // Levels 1 and 2 nudge a kept point a unit towards the chord on every pass.
      {"level 1 nudges twice",
       {U(0, 0), U(50, 10), U(100, 0)},
       0,
       2,
       1,
       {U(0, 0), U(50, 8), U(100, 0)},
       2},
      {"level 2 nudges four times",
       {U(0, 0), U(50, 10), U(100, 0)},
       0,
       2,
       2,
       {U(0, 0), U(50, 6), U(100, 0)},
       2},
      {"points after the stretch follow",
       {U(0, 0), U(50, 1), U(100, 0), U(200, 50)},
       0,
       2,
       0,
       {U(0, 0), U(100, 0), U(200, 50)},
       1},
      {"points before the stretch stay",
       {U(-70, 3), U(0, 0), U(50, 1), U(100, 0)},
       1,
       3,
       0,
       {U(-70, 3), U(0, 0), U(100, 0)},
       2},
      {"a stretch of two points is left alone", {U(0, 0), U(1, 1)}, 0, 1, 2, {U(0, 0), U(1, 1)}, 1},
  };
  for (const SmoothCase& c : cases) {
    std::vector<Coord> pts = c.in;
    const int end = SmoothStretch(pts, c.s, c.e, c.level);
    EXPECT_EQ(Show(pts), Show(c.out)) << c.name;
    EXPECT_EQ(end, c.end) << c.name;
  }
}

TEST(Smoothing, ManyCollinearPointsLeaveTheEnds) {
  std::vector<Coord> pts;
  for (int i = 0; i <= 100; ++i) pts.push_back(U(i * 10, i * 5));
  EXPECT_EQ(SmoothStretch(pts, 0, 100, 0), 1);
  EXPECT_EQ(Show(pts), Show({U(0, 0), U(1000, 500)}));
}

TEST(Smoothing, BadIndicesChangeNothing) {
  std::vector<Coord> pts{U(0, 0), U(50, 1), U(100, 0)};
  EXPECT_EQ(SmoothStretch(pts, -1, 2, 0), 2);
  EXPECT_EQ(SmoothStretch(pts, 0, 7, 0), 2);
  EXPECT_EQ(pts.size(), 3u);
}

ObjectRecord Outline(ObjectType type, std::vector<Coord> pts) {
  ObjectRecord o;
  o.type = type;
  o.symbol = 1010;
  o.coords = std::move(pts);
  return o;
}

TEST(Follow, CopiesWholeSegmentsForwardsAndBackwards) {
  const ObjectRecord line =
      Outline(ObjectType::Line, {U(0, 0), U(10, 10, kFirstCurvePoint), U(20, 10, kSecondCurvePoint),
                                 U(30, 0, kNoLeftLine, kNoRightLine), U(60, 0, 0, kCornerPoint)});
  EXPECT_EQ(Show(FollowPoints(line, 0, 4)),
            Show({U(10, 10, kFirstCurvePoint), U(20, 10, kSecondCurvePoint), U(30, 0),
                  U(60, 0, 0, kCornerPoint)}));
  // Backwards the control points change roles so that the curve keeps its shape.
  EXPECT_EQ(Show(FollowPoints(line, 4, 0)),
            Show({U(30, 0), U(20, 10, kFirstCurvePoint), U(10, 10, kSecondCurvePoint), U(0, 0)}));
  EXPECT_TRUE(FollowPoints(line, 3, 3).empty());
  EXPECT_TRUE(FollowPoints(line, 0, 9).empty());
}

TEST(Follow, AnAreaRingIsFollowedTheShorterWayWithinItsRing) {
  const ObjectRecord area =
      Outline(ObjectType::Area, {U(0, 0), U(100, 0), U(100, 100), U(0, 100), U(0, 0),
                                 U(10, 10, 0, kHoleStart), U(20, 10), U(20, 20)});
  EXPECT_EQ(Show(FollowPoints(area, 1, 3)), Show({U(100, 100), U(0, 100)}));
  EXPECT_EQ(Show(FollowPoints(area, 0, 3)), Show({U(0, 100)}));
  EXPECT_EQ(Show(FollowPoints(area, 3, 1)), Show({U(0, 0), U(100, 0)}));
  // The repeated first point is the first point.
  EXPECT_EQ(Show(FollowPoints(area, 4, 1)), Show({U(100, 0)}));
  EXPECT_TRUE(FollowPoints(area, 1, 6).empty());
  // Within the hole, whose first point loses its flag on the copy.
  EXPECT_EQ(Show(FollowPoints(area, 7, 5)), Show({U(10, 10)}));
}

TEST(Ellipse, ACircleIsFourQuartersFromTheLeftCounterClockwise) {
  const std::vector<Coord> c = EllipsePoints(0, 0, 100 * 256, 0, 0, 100 * 256);
  const int F = kFirstCurvePoint, S = kSecondCurvePoint;
  EXPECT_EQ(Show(c), Show({U(-100, 0), U(-100, -55, F), U(-55, -100, S), U(0, -100), U(55, -100, F),
                           U(100, -55, S), U(100, 0), U(100, 55, F), U(55, 100, S), U(0, 100),
                           U(-55, 100, F), U(-100, 55, S), U(-100, 0)}));
}

TEST(Ellipse, TurnedAxesCarryTheRing) {
  // Half axes of 100 and 40 units along the diagonals.
  const double a = 100 * 256 / std::sqrt(2.0), b = 40 * 256 / std::sqrt(2.0);
  const std::vector<Coord> c = EllipsePoints(1000 * 256, 0, a, a, -b, b);
  ASSERT_EQ(c.size(), 13u);
  EXPECT_EQ(c.front(), c.back());
  EXPECT_NEAR(Dist(c[0], c[6]), 200 * 256, 256);
  EXPECT_NEAR(Dist(c[3], c[9]), 80 * 256, 256);
}

TEST(Reverse, KeepsCurvesAndMovesTheStretchFlags) {
  std::vector<Coord> pts{U(0, 0, kNoLeftLine), U(10, 10, kFirstCurvePoint),
                         U(20, 10, kSecondCurvePoint), U(30, 0, 0, kCornerPoint), U(40, 0)};
  ReverseLine(pts);
  EXPECT_EQ(Show(pts), Show({U(40, 0), U(30, 0, 0, kCornerPoint), U(20, 10, kFirstCurvePoint),
                             U(10, 10, kSecondCurvePoint | kNoLeftLine), U(0, 0)}));
}

TEST(DragAngles, AreTenthsOfADegreeCounterClockwise) {
  const struct {
    int dx, dy, angle;
  } cases[] = {{1, 0, 0}, {0, 1, 900}, {-1, 0, 1800}, {0, -1, 2700}, {1, 1, 450}, {0, 0, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(DragAngle(U(5, 5), U(5 + c.dx * 10, 5 + c.dy * 10)), c.angle) << c.dx << "," << c.dy;
}

}  // namespace
}  // namespace zelk
