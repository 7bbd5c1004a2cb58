// Tests of rounding, rotation, nearness, midpoints, angles and the fast length.
#include "geometry/coord_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "geometry_test_util.h"

namespace zelk {
namespace {

using testing::U;

TEST(Rounding, ClampsAndHalvesToEven) {
  EXPECT_EQ(RoundToDevice(40000.0), 32767);
  EXPECT_EQ(RoundToDevice(-40000.0), -32764);
  EXPECT_EQ(RoundToDevice(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(RoundToDevice(2.5), 2);
  EXPECT_EQ(RoundToDevice(-3.5), -4);
  EXPECT_EQ(RoundToDevice(2.5000001), 3);
  EXPECT_EQ(RoundToCoord(2e9), 1073741823);
  EXPECT_EQ(RoundToCoord(-1e300), -1073741824);
  // Derived positions land on whole units, so rounding never sets a flag bit.
  EXPECT_EQ(RoundToPosition(383.0), 256);
  EXPECT_EQ(RoundToPosition(640.0), 512);
  EXPECT_EQ(RoundToPosition(1e12) & 0xff, 0);
  EXPECT_LE(RoundToPosition(1e12), kMaxCoordWord);
}

// Rounding as it was first written, with floor and fmod: the inlined rounding must give the
// same results everywhere.
double ReferenceRoundHalfEven(double r) {
  if (std::isnan(r)) return 0.0;
  const double f = std::floor(r);
  const double diff = r - f;
  if (diff < 0.5) return f;
  if (diff > 0.5) return f + 1.0;
  return std::fmod(f, 2.0) == 0.0 ? f : f + 1.0;
}
int32_t ReferenceClamped(double r, double lo, double hi) {
  const double v = ReferenceRoundHalfEven(r);
  if (v > hi) return static_cast<int32_t>(hi);
  if (v < lo) return static_cast<int32_t>(lo);
  return static_cast<int32_t>(v);
}

TEST(Rounding, InlinedRoundingMatchesFloorAndFmodEverywhere) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double two51 = std::ldexp(1.0, 51), two52 = std::ldexp(1.0, 52);
  std::vector<double> values = {0.0,
                                -0.0,
                                std::numeric_limits<double>::denorm_min(),
                                -std::numeric_limits<double>::denorm_min(),
                                std::numeric_limits<double>::min(),
                                1e-300,
                                0.49999999999999994,
                                -0.49999999999999994,
                                std::nextafter(0.5, 1.0),
                                std::nextafter(-0.5, -1.0),
                                32766.5,
                                32767.5,
                                32767.49999999999,
                                -32764.5,
                                -32765.5,
                                -32763.5,
                                1073741822.5,
                                1073741823.5,
                                -1073741824.5,
                                2147483646.5,
                                2147483647.5,
                                -2147483648.5,
                                -2147483647.5,
                                2147483648.0 * 256 + 127.5,
                                two51 - 0.5,
                                two51 - 1.5,
                                -two51 + 0.5,
                                two51,
                                two51 + 0.5,
                                two51 + 1.5,
                                -two51 - 0.5,
                                two52 - 0.5,
                                -two52 + 0.5,
                                two52,
                                two52 + 1,
                                1e300,
                                -1e300,
                                inf,
                                -inf,
                                nan,
                                -nan};
  // Every half and its neighbours from -40 to 40, and random values of every size.
  for (int k = -80; k <= 80; ++k) {
    const double half = k / 2.0;
    values.insert(values.end(), {half, std::nextafter(half, -inf), std::nextafter(half, inf)});
  }
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  for (int i = 0; i < 20000; ++i) {
    const double v = unit(rng) * std::ldexp(1.0, static_cast<int>(rng() % 64) - 4);
    values.insert(values.end(), {v, std::floor(v) + 0.5, -std::floor(v) - 0.5});
  }
  for (double v : values) {
    EXPECT_EQ(RoundHalfEven(v), ReferenceRoundHalfEven(v)) << v;  // zeros of either sign agree
    EXPECT_EQ(RoundToInt(v), ReferenceClamped(v, -2147483648.0, 2147483647.0)) << v;
    EXPECT_EQ(RoundToDevice(v), ReferenceClamped(v, kMinDevice, kMaxDevice)) << v;
    EXPECT_EQ(RoundToCoord(v), ReferenceClamped(v, kMinCoordWord, kMaxCoordWord)) << v;
    EXPECT_EQ(RoundToPosition(v),
              ReferenceClamped(v / 256.0, kMinCoordWord / 256, kMaxCoordWord / 256) * 256)
        << v;
  }
}

TEST(Rotation, CoordinatesTurnAndFlagBytesStay) {
  Coord p{100 * 256 + 3, 0};
  RotatePoints(0, 0, &p, 1, 0.0, 1.0, &p);
  EXPECT_EQ(p, (Coord{0 + 3, 100 * 256}));
  const Coord src[2] = {U(110, 10, 0, kCornerPoint), U(10, 20)};
  Coord dst[2];
  const double a = AngleToRadians(900);
  RotatePoints(10 * 256, 10 * 256, src, 2, std::cos(a), std::sin(a), dst);
  EXPECT_EQ(dst[0], U(10, 110, 0, kCornerPoint));
  EXPECT_EQ(dst[1], U(0, 10));
}

TEST(Rotation, BackUndoesTheTurn) {
  Coord pts[2] = {U(1234, -567, kFirstCurvePoint), U(-3000, 42, kNoLeftLine, kHoleStart)};
  const Coord orig[2] = {pts[0], pts[1]};
  const double a = AngleToRadians(337);
  RotatePoints(500 * 256, 500 * 256, pts, 2, std::cos(a), std::sin(a), pts);
  EXPECT_FALSE(PointsNearUnits(pts[0], orig[0], 10));
  RotatePointsBack(500 * 256, 500 * 256, pts, 2, std::cos(a), std::sin(a), pts);
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(PointsNearUnits(pts[i], orig[i], 1)) << i;
    EXPECT_EQ(pts[i].x & 0xff, orig[i].x & 0xff);
    EXPECT_EQ(pts[i].y & 0xff, orig[i].y & 0xff);
  }
}

TEST(Rotation, HugeCoordinatesAndOddCountsAreSafe) {
  Coord p{kMaxCoordWord & kPosMask, kMaxCoordWord & kPosMask};
  RotatePoints(kMinCoordWord, kMinCoordWord, &p, 1, std::sqrt(0.5), std::sqrt(0.5), &p);
  EXPECT_GT(p.y, 0);  // clamped, never wrapped to a negative value
  Coord q = U(5, 5);
  RotatePoints(0, 0, &q, -3, 0.0, 1.0, &q);
  EXPECT_EQ(q, U(5, 5));
  const Coord src[3] = {U(1, 0), U(2, 0), U(3, 0)};
  Coord dst[2] = {};
  RotatePoints(0, 0, std::span<const Coord>(src), 0.0, 1.0, std::span<Coord>(dst));
  EXPECT_EQ(dst[1], U(0, 2));
}

TEST(Moving, KeepsFlagsAndClamps) {
  Coord pts[2] = {U(10, 20, kSecondCurvePoint, kCornerPoint), U(4000000, 0)};
  MovePoints(pts, 5 * 256 + 0x7f, -3 * 256);
  EXPECT_EQ(pts[0], U(15, 17, kSecondCurvePoint, kCornerPoint));
  MovePoints(pts, kMaxCoordWord, 0);
  EXPECT_GT(pts[1].x, 0);
}

TEST(Clamping, TheTopOfTheRangeIsAWholeMapUnitSoNoFlagIsGained) {
  EXPECT_EQ(ClampCoord(int64_t{1} << 40), kMaxPositionWord);
  EXPECT_EQ(ClampCoord(int64_t{1} << 40) & 0xff, 0);
  EXPECT_EQ(ClampCoord(-(int64_t{1} << 40)), kMinCoordWord);
  EXPECT_EQ(ClampCoord(12345), 12345);
  // A point moved past the top keeps its own flags and gains none: no ring start, no curve.
  Coord pts[2] = {U(4000000, 4000000), U(4000000, 4000000, kNoLeftLine, kCornerPoint)};
  MovePoints(pts, kMaxCoordWord & kPosMask, kMaxCoordWord & kPosMask);
  EXPECT_EQ(pts[0], (Coord{kMaxPositionWord, kMaxPositionWord}));
  EXPECT_EQ(pts[1].x & 0xff, kNoLeftLine);
  EXPECT_EQ(pts[1].y & 0xff, kCornerPoint);
}

TEST(Nearness, WholeWordsVersusMaskedUnits) {
  const Coord a{256 * 10 + 255, 0}, b{256 * 10, 0};
  EXPECT_FALSE(PointsNear(a, b, 100));
  EXPECT_TRUE(PointsNear(a, b, 255));
  EXPECT_TRUE(PointsNearUnits(a, b, 0));
  EXPECT_TRUE(PointsNearUnits(U(0, 0), U(3, -3), 3));
  EXPECT_FALSE(PointsNearUnits(U(0, 0), U(3, -4), 3));
  EXPECT_FALSE(PointsNear({kMinCoordWord, 0}, {kMaxCoordWord, 0}, 1 << 30));
}

TEST(MidPoints, TruncateTowardZero) {
  EXPECT_EQ(MidPoint({3, -3}, {0, 0}), (Coord{1, -1}));
  EXPECT_EQ(MidPoint({-5, 7}, {-5, 7}), (Coord{-4, 6}));
  EXPECT_EQ(MidPoint({INT32_MAX, INT32_MIN}, {INT32_MAX, INT32_MIN}),
            (Coord{INT32_MAX - 1, INT32_MIN}));
}

TEST(Angles, VectorAngleTurnsAnUprightElementTowardTheTarget) {
  EXPECT_DOUBLE_EQ(VectorAngle(U(0, 0), U(0, 10)), 0.0);
  EXPECT_DOUBLE_EQ(VectorAngle(U(0, 0), U(10, 0)), -M_PI / 2);
  EXPECT_DOUBLE_EQ(VectorAngle(U(0, 0), U(0, -10)), -M_PI);
  EXPECT_DOUBLE_EQ(VectorAngle(U(5, 5), U(8, 2)), 0.0);  // within 3 units
  // The upright vector (0, 1) turned by the angle points along q - p.
  for (Coord q : {U(7, 3), U(-4, 9), U(-8, -8), U(2, -11), U(-10, 0)}) {
    const double a = VectorAngle(U(0, 0), q);
    const double len = std::hypot(q.PosX(), q.PosY());
    EXPECT_NEAR(-std::sin(a), q.PosX() / len, 1e-12);
    EXPECT_NEAR(std::cos(a), q.PosY() / len, 1e-12);
  }
}

TEST(Lengths, FastLengthIsMaxPlusHalfMinOnWholeUnits) {
  EXPECT_EQ(SegmentLength(U(0, 0), U(30, 40)), 55);
  EXPECT_EQ(SegmentLength(U(30, 40), U(0, 0)), 55);
  EXPECT_EQ(SegmentLength(U(0, 0), U(3, 3)), 4);
  EXPECT_EQ(SegmentLength(U(1, 1, 255, 255), U(1, 1)), 0);
  EXPECT_EQ(SegmentLength({INT32_MIN, 0}, {INT32_MAX & kPosMask, 0}), (1 << 24) - 1);
  EXPECT_DOUBLE_EQ(Distance(U(0, 0), U(30, 40)), 50.0 * 256);
}

}  // namespace
}  // namespace zelk
