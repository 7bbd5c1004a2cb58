// Tests of clipping lines to a rectangle.
#include "geometry/line_clip.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "geometry/box_ops.h"
#include "geometry/coord_math.h"
#include "geometry_test_util.h"

namespace zelk {
namespace {

using testing::CubicAt;
using testing::DistanceToCubic;
using testing::U;
using testing::Units;

using Pieces = std::vector<std::vector<Coord>>;

const Box kBox{0, 0, 100 * 256, 50 * 256};

Pieces Clip(LineClipper& clipper, std::span<const Coord> pts, const Box& box = kBox) {
  Pieces r;
  clipper.ClipLineToBox(
      pts, box, [&](std::span<const Coord> piece) { r.emplace_back(piece.begin(), piece.end()); });
  return r;
}

class LineClipTest : public ::testing::Test {
 protected:
  LineClipper clipper;
};

TEST_F(LineClipTest, InsideIsKeptWholeAndOutsideGivesNothing) {
  const Coord pts[] = {U(10, 10, kNoLeftLine), U(50, 40, 0, kCornerPoint), U(100, 0)};
  const Pieces r = Clip(clipper, pts);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0], std::vector<Coord>(std::begin(pts), std::end(pts)));
  const Coord away[] = {U(-10, -10), U(-5, 100), U(200, 200)};
  EXPECT_TRUE(Clip(clipper, away).empty());
  const Coord curve[] = {U(10, 10), U(10, 40, kFirstCurvePoint), U(90, 40, kSecondCurvePoint),
                         U(90, 10)};
  const Pieces rc = Clip(clipper, curve);
  ASSERT_EQ(rc.size(), 1u);
  EXPECT_EQ(rc[0], std::vector<Coord>(std::begin(curve), std::end(curve)));
}

TEST_F(LineClipTest, CrossingPointsLieOnTheEdges) {
  const Coord pts[] = {U(-50, 25, kNoLeftLine, kNoRightLine | kCornerPoint), U(150, 25)};
  const Pieces r = Clip(clipper, pts);
  ASSERT_EQ(r.size(), 1u);
  ASSERT_EQ(r[0].size(), 2u);
  // Only the gap flags of the segment's start go onto a crossing point.
  EXPECT_EQ(r[0][0], U(0, 25, kNoLeftLine, kNoRightLine));
  EXPECT_EQ(r[0][1], U(100, 25, kNoLeftLine, kNoRightLine));
  // The other coordinate is interpolated; a reversed box clips the same.
  const Coord diagonal[] = {U(-20, 0), U(80, 100)};
  const Pieces d = Clip(clipper, diagonal, Box{100 * 256, 50 * 256, 0, 0});
  ASSERT_EQ(d.size(), 1u);
  EXPECT_EQ(d[0], (std::vector<Coord>{U(0, 20), U(30, 50)}));
}

TEST_F(LineClipTest, LeavingAndReturningMakesTwoPieces) {
  const Coord pts[] = {U(10, 10), U(10, 80), U(40, 80), U(40, 10), U(60, 10)};
  const Pieces r = Clip(clipper, pts);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0], (std::vector<Coord>{U(10, 10), U(10, 50)}));
  EXPECT_EQ(r[1], (std::vector<Coord>{U(40, 50), U(40, 10), U(60, 10)}));
}

TEST_F(LineClipTest, RingsAreNotJoined) {
  const Coord pts[] = {U(10, 10), U(20, 10), U(20, 20), U(60, 10, 0, kHoleStart),
                       U(70, 10), U(70, 20)};
  const Pieces r = Clip(clipper, pts);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].size(), 3u);
  EXPECT_EQ(r[1].size(), 3u);
  EXPECT_EQ(r[1][0], U(60, 10, 0, kHoleStart));
}

TEST_F(LineClipTest, PointsOnTheEdgeAndDegenerateSegments) {
  const Coord pts[] = {U(0, 0), U(0, 0), U(0, 0), U(100, 50), U(100, 50)};
  const Pieces r = Clip(clipper, pts);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0], (std::vector<Coord>{U(0, 0), U(100, 50)}));
  const Coord touch[] = {U(-10, 60), U(0, 50), U(-10, 40)};
  const Pieces t = Clip(clipper, touch);
  ASSERT_EQ(t.size(), 1u);  // touching the corner leaves a single point
  EXPECT_EQ(t[0], (std::vector<Coord>{U(0, 50)}));
}

TEST_F(LineClipTest, CurveCrossingAnEdgeKeepsItsInnerPartAsACubic) {
  // An arch that rises above the top edge (y = 50) and comes back.
  const Coord arch[] = {U(10, 0), U(10, 120, kFirstCurvePoint), U(90, 120, kSecondCurvePoint),
                        U(90, 0)};
  const Pieces r = Clip(clipper, arch);
  ASSERT_EQ(r.size(), 2u);
  for (const auto& piece : r) {
    ASSERT_EQ(piece.size(), 4u);
    EXPECT_EQ(piece[1].x & 0xff, kFirstCurvePoint);
    EXPECT_EQ(piece[2].x & 0xff, kSecondCurvePoint);
    for (double t = 0; t <= 1.0; t += 0.125) {
      const testing::Pt p = CubicAt(piece.data(), t);
      EXPECT_LT(DistanceToCubic(arch, p), 1.5) << t;
      EXPECT_LE(p.y, 50.75);
    }
  }
  EXPECT_EQ(r[0][0], arch[0]);
  EXPECT_EQ(r[0][3].y, 50 * 256);
  EXPECT_EQ(r[1][0].y, 50 * 256);
  EXPECT_EQ(r[1][3], arch[3]);
}

TEST_F(LineClipTest, CurveEnteringTheBoxStartsOnTheEdge) {
  const Coord pts[] = {U(-60, 25), U(-20, 50, kFirstCurvePoint), U(20, 50, kSecondCurvePoint),
                       U(60, 25), U(70, 25)};
  const Pieces r = Clip(clipper, pts);
  ASSERT_EQ(r.size(), 1u);
  ASSERT_GE(r[0].size(), 5u);
  EXPECT_EQ(r[0][0].x, 0);
  EXPECT_EQ(r[0].back(), U(70, 25));
}

TEST_F(LineClipTest, LongRandomLinesStayInsideAndTerminate) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> coord(-300, 400);
  std::vector<Coord> pts;
  for (int i = 0; i < 2000; ++i) pts.push_back(U(coord(rng), coord(rng)));
  const Box box{-100 * 256, -50 * 256, 200 * 256, 150 * 256};
  size_t total = 0;
  for (const auto& piece : Clip(clipper, pts, box)) {
    for (Coord p : piece) EXPECT_TRUE(PointInBox(box, p));
    total += piece.size();
  }
  EXPECT_GT(total, 100u);
  // Huge coordinates do not overflow the crossing arithmetic.
  const Coord huge[] = {U(-4000000, -4000000), U(4000000, 4000000), U(-4000000, 4000000)};
  const Pieces h = Clip(clipper, huge);
  ASSERT_EQ(h.size(), 1u);
  EXPECT_EQ(h[0], (std::vector<Coord>{U(0, 0), U(50, 50)}));
}

}  // namespace
}  // namespace zelk
