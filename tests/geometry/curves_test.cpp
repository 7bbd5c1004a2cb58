// Tests of cubic and three-point curve flattening and cubic splitting.
#include "geometry/curves.h"

#include <gtest/gtest.h>

#include <vector>

#include "geometry/coord_math.h"
#include "geometry_test_util.h"

namespace zelk {
namespace {

using testing::CubicAt;
using testing::DistanceToCubic;
using testing::U;
using testing::Units;

const Coord kArch[4] = {U(0, 0), U(0, 1000, kFirstCurvePoint), U(1000, 1000, kSecondCurvePoint),
                        U(1000, 0, 0, kCornerPoint)};

TEST(FlattenBezier, ShortSegmentGivesOnlyItsEndUnchanged) {
  const Coord p[4] = {U(0, 0), U(100, 100, kFirstCurvePoint), U(-100, 50, kSecondCurvePoint),
                      U(3, 4, kNoLeftLine, kCornerPoint)};
  Coord out[16];
  ASSERT_EQ(FlattenBezier(p, out, 4, 4), 1);
  EXPECT_EQ(out[0], p[3]);
}

TEST(FlattenBezier, LoopIsSubdividedToFullDepth) {
  const Coord loop[4] = {U(0, 0), U(500, 500, kFirstCurvePoint), U(-500, 500, kSecondCurvePoint),
                         U(0, 0)};
  Coord out[32];
  EXPECT_EQ(FlattenBezier(loop, out, 4, 4), 16);
  EXPECT_EQ(FlattenBezier(loop, out, 5, 20), 32);
  EXPECT_EQ(out[31], loop[3]);
  // A curve shrunk to one point still terminates.
  const Coord dot[4] = {U(7, 7), U(7, 7, kFirstCurvePoint), U(7, 7, kSecondCurvePoint), U(7, 7)};
  EXPECT_EQ(FlattenBezier(dot, out, 5, 4), 32);
  EXPECT_TRUE(out[17].SamePlace(U(7, 7)));
}

TEST(FlattenBezier, FullDepthPointsFollowTheCurveEvenly) {
  Coord out[16];
  ASSERT_EQ(FlattenBezier(kArch, out, 4, 1), 16);
  for (int i = 0; i < 16; ++i) {
    const testing::Pt c = CubicAt(kArch, (i + 1) / 16.0);
    const testing::Pt o = Units(out[i]);
    EXPECT_NEAR(o.x, c.x, 1.5) << i;
    EXPECT_NEAR(o.y, c.y, 1.5) << i;
  }
}

TEST(FlattenBezier, InnerPointsHaveCleanFlagsAndLastIsTheEnd) {
  const Coord p[4] = {U(0, 0, kNoLeftLine, kHoleStart | kCornerPoint),
                      U(0, 800, kFirstCurvePoint | kNoLeftLine, 0xff),
                      U(800, 800, kSecondCurvePoint, 0xff), U(800, 0, 0, kCornerPoint)};
  Coord out[32];
  const int n = FlattenBezier(p, out, 5, 4);
  ASSERT_GT(n, 2);
  for (int i = 0; i < n - 1; ++i) {
    EXPECT_EQ(out[i].x & 0xff, 0) << i;
    EXPECT_EQ(out[i].y & 0xff, 0) << i;
  }
  EXPECT_EQ(out[n - 1], p[3]);
}

TEST(FlattenBezier, SmallBufferLowersTheDepthInsteadOfOverrunning) {
  std::vector<Coord> out(7, U(99, 99));
  const int n = FlattenBezier(kArch, std::span<Coord>(out.data(), 5), 5, 0);
  EXPECT_EQ(n, 4);
  EXPECT_EQ(out[3], kArch[3]);
  EXPECT_EQ(out[5], U(99, 99));
  EXPECT_EQ(FlattenBezier(kArch, std::span<Coord>(), 5, 0), 0);
}

TEST(SplitBezier, PiecesCarryControlFlagsAndJoinTheCurve) {
  Coord out[12];
  const int n = SplitBezier(kArch, out, 2, 4);
  ASSERT_EQ(n, 12);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(out[3 * k].x & 0xff, kFirstCurvePoint);
    EXPECT_EQ(out[3 * k + 1].x & 0xff, kSecondCurvePoint);
    EXPECT_EQ(out[3 * k + 2].x & 0xff, 0);
    for (int j = 0; j < 3; ++j) EXPECT_EQ(out[3 * k + j].y & 0xff, 0);
  }
  EXPECT_TRUE(out[11].SamePlace(kArch[3]));
  // Every piece's points, evaluated as a cubic, stay on the original curve.
  Coord start = kArch[0];
  for (int k = 0; k < 4; ++k) {
    const Coord piece[4] = {start, out[3 * k], out[3 * k + 1], out[3 * k + 2]};
    for (double t : {0.25, 0.5, 0.75})
      EXPECT_LT(DistanceToCubic(kArch, CubicAt(piece, t)), 2.0) << k << " " << t;
    start = out[3 * k + 2];
  }
}

TEST(SplitBezier, ShortCurveStaysOnePieceWithFlagsReplaced) {
  const Coord p[4] = {U(0, 0), U(1, 2, kFirstCurvePoint | kNoLeftLine, kCornerPoint),
                      U(2, 2, kSecondCurvePoint, kHoleStart), U(3, 0, kNoLeftLine, kCornerPoint)};
  Coord out[12];
  ASSERT_EQ(SplitBezier(p, out, 2, 4), 3);
  EXPECT_EQ(out[0], U(1, 2, kFirstCurvePoint));
  EXPECT_EQ(out[1], U(2, 2, kSecondCurvePoint));
  EXPECT_EQ(out[2], U(3, 0));
}

TEST(FlattenQuadratic, FollowsTheParabolaAndEndsAtTheEnd) {
  const Coord p[3] = {U(0, 0), U(500, 1000, kSingleCurvePoint), U(1000, 0, 0, kCornerPoint)};
  Coord out[kMaxQuadraticPoints];
  const int n = FlattenQuadratic(p, out, 1);
  ASSERT_GT(n, 4);
  ASSERT_LE(n, kMaxQuadraticPoints);
  EXPECT_EQ(out[n - 1], p[2]);
  // The apex of this parabola is (500, 500).
  bool nearApex = false;
  for (int i = 0; i < n; ++i) {
    const testing::Pt o = Units(out[i]);
    const double t = o.x / 1000.0;
    EXPECT_NEAR(o.y, 2000 * t * (1 - t), 2.0) << i;
    nearApex |= std::abs(o.x - 500) < 2 && std::abs(o.y - 500) < 2;
  }
  EXPECT_TRUE(nearApex);
}

TEST(FlattenQuadratic, LoopIsNotCollapsedAndStopsAtTheDepthLimit) {
  const Coord p[3] = {U(0, 0), U(100, 100, kSingleCurvePoint), U(0, 0)};
  Coord out[kMaxQuadraticPoints];
  EXPECT_GT(FlattenQuadratic(p, out, 4), 8);
  EXPECT_EQ(FlattenQuadratic(p, out, 0), kMaxQuadraticPoints);
}

}  // namespace
}  // namespace zelk
