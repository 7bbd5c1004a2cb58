// Tests of mitred offset points and the offsetting of an output path.
#include "geometry/mitre.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "geometry/coord_math.h"
#include "geometry_test_util.h"

namespace zelk {
namespace {

using testing::U;
using testing::Units;

std::vector<std::pair<Coord, Coord>> OffsetAll(std::span<const Coord> pts, double a, double b) {
  MitreOffsetter m;
  std::vector<std::pair<Coord, Coord>> r;
  for (int i = 0; i < static_cast<int>(pts.size()); ++i) {
    Coord l, rt;
    m.MitreOffsetPoints(pts, i, a, b, l, rt);
    r.emplace_back(l, rt);
  }
  return r;
}

TEST(Mitre, StraightLineOffsetsSideways) {
  const Coord pts[] = {U(0, 0), U(100, 0), U(200, 0)};
  const auto r = OffsetAll(pts, -10, 10);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(r[i].first, U(100 * i, 10)) << i;  // negative: left of travel
    EXPECT_EQ(r[i].second, U(100 * i, -10)) << i;
  }
}

TEST(Mitre, RightAngleCornerMeetsBothOffsetLines) {
  const Coord pts[] = {U(0, 0), U(100, 0), U(100, 100)};
  const auto r = OffsetAll(pts, -10, 10);
  EXPECT_EQ(r[1].first, U(90, 10));
  EXPECT_EQ(r[1].second, U(110, -10));
  // The last vertex keeps the direction of the last segment.
  EXPECT_EQ(r[2].first, U(90, 100));
  EXPECT_EQ(r[2].second, U(110, 100));
}

TEST(Mitre, ReversalIsLimitedToFourTimesTheOffset) {
  const Coord pts[] = {U(0, 0), U(100, 0), U(0, 1)};
  MitreOffsetter m;
  Coord l, r;
  m.MitreOffsetPoints(pts, 0, -10, 10, l, r);
  m.MitreOffsetPoints(pts, 1, -10, 10, l, r);
  const testing::Pt v = Units(pts[1]), lp = Units(l), rp = Units(r);
  EXPECT_NEAR(std::hypot(lp.x - v.x, lp.y - v.y), 40.0, 0.75);
  EXPECT_NEAR(std::hypot(rp.x - v.x, rp.y - v.y), 40.0, 0.75);
  const MitreAngles a = m.Angles(pts, 1);
  EXPECT_DOUBLE_EQ(a.factor, 4.0);
}

TEST(Mitre, KeepsTheVertexFlagBytes) {
  const Coord pts[] = {U(0, 0, kNoLeftLine, kCornerPoint), U(100, 0, kFirstCurvePoint, kHoleStart)};
  const auto r = OffsetAll(pts, -5, 5);
  EXPECT_EQ(r[0].first, U(0, 5, kNoLeftLine, kCornerPoint));
  EXPECT_EQ(r[1].second, U(100, -5, kFirstCurvePoint, kHoleStart));
}

TEST(Mitre, NearPointsDoNotDecideTheDirection) {
  // The point 3 units away is skipped; the direction comes from (100, 0).
  const Coord pts[] = {U(0, 0), U(3, 4), U(100, 0)};
  const auto r = OffsetAll(pts, -10, 0);
  EXPECT_EQ(r[0].first, U(0, 10));
}

TEST(Mitre, AnswerDoesNotDependOnTheOrderOfCalls) {
  const Coord pts[] = {U(0, 0), U(100, 0), U(150, 80), U(150, 200), U(20, 220)};
  const auto inOrder = OffsetAll(pts, -7, 12);
  MitreOffsetter m;
  Coord l, r;
  m.MitreOffsetPoints(pts, 3, -7, 12, l, r);
  EXPECT_EQ(l, inOrder[3].first);
  EXPECT_EQ(r, inOrder[3].second);
  m.MitreOffsetPoints(pts, 1, -7, 12, l, r);
  EXPECT_EQ(l, inOrder[1].first);
}

TEST(OffsetOutputPath, MovesEveryPointToItsLeftMitre) {
  OutputPath path;
  path.Begin(U(0, 0));
  path.Add(U(100, 0));
  path.Add(U(100, 100, 0, kCornerPoint));
  OffsetOutputPath(path, -10);
  ASSERT_EQ(path.Count(), 3);
  EXPECT_EQ(path[0], U(0, 10));
  EXPECT_EQ(path[1], U(90, 10));
  EXPECT_EQ(path[2], U(90, 100, 0, kCornerPoint));
}

}  // namespace
}  // namespace zelk
