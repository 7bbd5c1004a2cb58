// Tests of the work path: sections, dashes, walking, extending, directions and offsets.
#include "geometry/work_path.h"

#include <gtest/gtest.h>

#include <vector>

#include "geometry/coord_math.h"
#include "geometry/curves.h"
#include "geometry_test_util.h"

namespace zelk {
namespace {

using testing::DistanceToCubic;
using testing::U;
using testing::Units;

const Coord kArch[4] = {U(0, 0), U(0, 1000, kFirstCurvePoint), U(1000, 1000, kSecondCurvePoint),
                        U(1000, 0)};

class WorkPathTest : public ::testing::Test {
 protected:
  WorkPath wp;
  OutputPath out;
};

// Flattens a path of straight points and cubic pieces, for comparison with a curve.
std::vector<Coord> Flatten(const OutputPath& path) {
  std::vector<Coord> r = {path[0]};
  for (int i = 1; i < path.Count();) {
    if ((path[i].x & kFirstCurvePoint) && i + 2 < path.Count()) {
      const Coord seg[4] = {path[i - 1], path[i], path[i + 1], path[i + 2]};
      Coord buf[32];
      r.insert(r.end(), buf, buf + FlattenBezier(seg, buf, 5, 0));
      i += 3;
    } else {
      r.push_back(path[i++]);
    }
  }
  return r;
}

TEST_F(WorkPathTest, CornerPointsEndSections) {
  const Coord pts[] = {U(0, 0, 0, kCornerPoint), U(30, 40, 0, kCornerPoint), U(30, 50),
                       U(30, 70, 0, kCornerPoint), U(230, 70, 0, kCornerPoint)};
  wp.PrepareWorkPath(pts);
  // A corner on the first point starts nothing; one on the last ends the last section.
  ASSERT_EQ(wp.SectionCount(), 3);
  EXPECT_EQ(wp.SectionLength(0), 55);
  EXPECT_EQ(wp.SectionLength(1), 30);
  EXPECT_EQ(wp.SectionLength(2), 200);
  EXPECT_EQ(wp.LargestSectionLength(), 200);
  EXPECT_EQ(wp.TotalLength(), 285);
}

TEST_F(WorkPathTest, CurveIsSplitWithGapFlagsOfItsStartAndFlagsOfItsEnd) {
  const Coord pts[] = {U(0, 0, kNoLeftLine, kNoRightLine), kArch[1], kArch[2],
                       U(1000, 0, kNoLeftLine, kCornerPoint), U(1000, 500)};
  wp.PrepareWorkPath(pts);
  ASSERT_EQ(wp.PointCount(), 14);  // four pieces
  int64_t chords = 0;
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(wp.Points()[1 + 3 * k].x & kCurveFlags, kFirstCurvePoint);
    EXPECT_EQ(wp.Points()[2 + 3 * k].x & kCurveFlags, kSecondCurvePoint);
    chords += SegmentLength(wp.Points()[3 * k], wp.Points()[3 + 3 * k]);
  }
  for (int i = 0; i < 12; ++i)
    EXPECT_TRUE((wp.Points()[i].x & kNoLeftLine) && (wp.Points()[i].y & kNoRightLine));
  // The end is a corner, and its own gap flag belongs to the segment after it.
  EXPECT_EQ(wp.Points()[12], pts[3]);
  ASSERT_EQ(wp.SectionCount(), 2);
  EXPECT_EQ(wp.SectionLength(0), chords);
}

TEST_F(WorkPathTest, StrayCurveFlagsAndZeroLengthSegments) {
  // The first control point comes too late to have its two points after it.
  const Coord pts[] = {U(0, 0, kSecondCurvePoint), U(0, 0), U(50, 0), U(50, 0, kFirstCurvePoint),
                       U(50, 80, kSecondCurvePoint)};
  wp.PrepareWorkPath(pts);
  for (Coord p : wp.Points()) EXPECT_EQ(p.x & kCurveFlags, 0);
  EXPECT_EQ(wp.SectionLength(0), 130);
  wp.DirectionAtPosition();
  EXPECT_DOUBLE_EQ(wp.Cos(), 1.0);
  wp.MoveToDistance(90);
  EXPECT_EQ(wp.Position(), U(50, 40));
}

TEST_F(WorkPathTest, TablesAreLimited) {
  std::vector<Coord> corners;
  for (int i = 0; i < 700; ++i) corners.push_back(U(i * 10, 0, 0, kCornerPoint));
  wp.PrepareWorkPath(corners);
  EXPECT_EQ(wp.SectionCount(), WorkPath::kMaxSections);
  EXPECT_EQ(wp.TotalLength(), 6990);
  std::vector<Coord> curves = {U(0, 0)};
  for (int i = 0; i < 700; ++i) {
    curves.push_back(U(i * 1000, 1000, kFirstCurvePoint));
    curves.push_back(U(i * 1000 + 1000, 1000, kSecondCurvePoint));
    curves.push_back(U(i * 1000 + 1000, 0));
  }
  wp.PrepareWorkPath(curves);
  EXPECT_TRUE(wp.Truncated());
  EXPECT_LE(wp.PointCount(), WorkPath::kMaxPoints);
  EXPECT_EQ((wp.PointCount() - 1) % 12, 0);  // ends after a whole curve
  wp.MoveToDistance(1e12);
  EXPECT_EQ(wp.Position(), PosOnly(wp.Points().back()));
}

TEST_F(WorkPathTest, EmptyAndSinglePointPathsAreHarmless) {
  wp.PrepareWorkPath(std::span<const Coord>());
  wp.StartSection(0, 10, 5, 5, 0, 0);
  out.Begin(wp.Position());
  wp.ExtendToDistance(20, out);
  wp.DirectionAtPosition();
  EXPECT_EQ(wp.SectionCount(), 0);
  const Coord one[] = {U(5, 6, kNoLeftLine, kCornerPoint)};
  wp.PrepareWorkPath(one);
  wp.MoveToDistance(10);
  EXPECT_EQ(wp.Position(), U(5, 6));
  wp.DirectionAtPosition();
  EXPECT_EQ(wp.Cos(), 0);
  EXPECT_EQ(wp.Sin(), 0);
}

TEST_F(WorkPathTest, DashesStretchToFillTheSection) {
  const Coord pts[] = {U(0, 0), U(100, 0)};
  wp.PrepareWorkPath(pts);
  wp.StartSection(0, 30, 10, 10, 0, 0);
  EXPECT_EQ(wp.DashCount(), 2);  // 70 / 40 = 1.75
  EXPECT_DOUBLE_EQ(wp.DashScale(), 0.875);
  wp.StartSection(0, 10, 0, 0, 20, 30);  // both distances on the only section
  EXPECT_EQ(wp.DashCount(), 5);
  const Coord halves[] = {U(0, 0), U(25, 0)};  // 2.5 dashes round to 2
  wp.PrepareWorkPath(halves);
  wp.StartSection(0, 10, 0, 0, 0, 0);
  EXPECT_EQ(wp.DashCount(), 2);
}

TEST_F(WorkPathTest, ShortSectionGetsEndDashesOnlyUnlessOneDashIsAsked) {
  const Coord pts[] = {U(0, 0), U(35, 0, 0, kCornerPoint), U(35, 15)};
  wp.PrepareWorkPath(pts);
  wp.StartSection(0, 30, 10, 10, 0, 0);
  EXPECT_EQ(wp.DashCount(), 0);
  EXPECT_DOUBLE_EQ(wp.DashScale(), 1.25);
  wp.StartSection(1, 30, 10, 10, 0, 0);
  EXPECT_DOUBLE_EQ(wp.DashScale(), 0.25);
  wp.StartSection(1, 30, 10, 10, 0, 0, true);
  EXPECT_EQ(wp.DashCount(), 1);
}

TEST_F(WorkPathTest, DamagedPatternsGiveNoDashesOrABoundedCount) {
  const Coord pts[] = {U(0, 0), U(4000000, 0)};
  wp.PrepareWorkPath(pts);
  wp.StartSection(0, 10, -10, 0, 0, 0);
  EXPECT_EQ(wp.DashCount(), 0);
  wp.StartSection(0, 1, 0, 0, 0, 0);
  EXPECT_EQ(wp.DashCount(), WorkPath::kMaxDashCount);
  wp.StartSection(0, 10, 0, 0, 5000000, 0);
  EXPECT_EQ(wp.DashCount(), 0);
}

TEST_F(WorkPathTest, MovesForwardAndBackInFastLengthUnits) {
  const Coord pts[] = {U(0, 0), U(100, 0), U(100, 100), U(130, 140)};
  wp.PrepareWorkPath(pts);
  wp.MoveToDistance(150);
  EXPECT_EQ(wp.Position(), U(100, 50));
  wp.MoveToDistance(200 + 55.0 / 2);  // half the (30, 40) segment by the fast length
  EXPECT_EQ(wp.Position(), U(115, 120));
  wp.MoveToDistance(25);
  EXPECT_EQ(wp.Position(), U(25, 0));
  wp.MoveToDistance(-10);  // before the start: the start, never off the line
  EXPECT_EQ(wp.Position(), U(0, 0));
  wp.MoveToDistance(10000);
  EXPECT_EQ(wp.Position(), U(130, 140));
}

TEST_F(WorkPathTest, SectionDistancesStartAtTheCorner) {
  const Coord pts[] = {U(0, 0), U(100, 0, 0, kCornerPoint), U(100, 100, 0, kCornerPoint),
                       U(0, 100)};
  wp.PrepareWorkPath(pts);
  wp.StartSection(1, 10, 0, 0, 0, 0);
  EXPECT_EQ(wp.Position(), U(100, 0));
  wp.MoveToDistance(25);
  EXPECT_EQ(wp.Position(), U(100, 25));
  wp.MoveToDistance(-5);  // back round the corner, on the line
  EXPECT_EQ(wp.Position(), U(95, 0));
  wp.StartSection(2, 10, 0, 0, 0, 0);
  wp.MoveToDistance(-150);  // two sections back
  EXPECT_EQ(wp.Position(), U(50, 0));
  wp.MoveToDistance(-1000);
  EXPECT_EQ(wp.Position(), U(0, 0));
  wp.MoveToDistance(30);
  EXPECT_EQ(wp.Position(), U(70, 100));
  wp.StartWholePath();
  EXPECT_EQ(wp.CurrentSectionLength(), 300);
  wp.MoveToDistance(240);
  EXPECT_EQ(wp.Position(), U(60, 100));
}

TEST_F(WorkPathTest, PositionsOnCurvesLieOnTheCurve) {
  wp.PrepareWorkPath(kArch);
  const int64_t len = wp.SectionLength(0);
  for (int i = 0; i <= 20; ++i) {
    wp.MoveToDistance(len * i / 20.0);
    EXPECT_LT(DistanceToCubic(kArch, Units(wp.Position())), 1.5) << i;
  }
  wp.MoveToDistance(len / 2.0);
  EXPECT_NEAR(Units(wp.Position()).x, 500, 2);
  EXPECT_NEAR(Units(wp.Position()).y, 750, 2);
}

TEST_F(WorkPathTest, HugeCoordinatesDoNotOverflow) {
  const Coord pts[] = {U(-4000000, -4000000), U(4000000, -4000000), U(4000000, 4000000)};
  wp.PrepareWorkPath(pts);
  EXPECT_EQ(wp.TotalLength(), 16000000);
  wp.MoveToDistance(12000000);
  EXPECT_EQ(wp.Position(), U(4000000, 0));
  wp.OffsetPointsAtPosition(30000);
  EXPECT_EQ(wp.LeftPoint(), U(4000000 - 30000, 0));
}

TEST_F(WorkPathTest, ExtendAppendsPassedPointsThenThePosition) {
  const Coord pts[] = {U(0, 0), U(100, 0, kNoLeftLine, kCornerPoint), U(100, 100)};
  wp.PrepareWorkPath(pts);
  wp.MoveToDistance(10);
  out.Begin(wp.Position());
  wp.ExtendToDistance(150, out);
  ASSERT_EQ(out.Count(), 3);
  EXPECT_EQ(out[1], U(100, 0));  // flags cleared
  EXPECT_EQ(out[2], U(100, 50));
  wp.ExtendToDistance(500, out);  // beyond the end: the last point once
  wp.ExtendToDistance(600, out);
  ASSERT_EQ(out.Count(), 4);
  EXPECT_EQ(out[3], U(100, 100));
  EXPECT_FALSE(wp.CloseOverStoredSegment(out));  // an open line is not closed
}

TEST_F(WorkPathTest, CurvePiecesOfDashesFollowTheOriginalCurve) {
  wp.PrepareWorkPath(kArch);
  // Dashes of 170 units with gaps of 60 start and end inside curve pieces.
  for (double from = 5; from < wp.SectionLength(0); from += 230) {
    wp.MoveToDistance(from);
    out.Begin(wp.Position());
    wp.ExtendToDistance(from + 170, out);
    ASSERT_GE(out.Count(), 4);
    for (int i = 1; i < out.Count(); i += 3) {
      EXPECT_EQ(out[i].x & 0xff, kFirstCurvePoint);
      EXPECT_EQ(out[i + 1].x & 0xff, kSecondCurvePoint);
    }
    // Subdivision floors positions to whole units at each level: a few units of slack.
    for (Coord p : Flatten(out)) EXPECT_LT(DistanceToCubic(kArch, Units(p)), 3.0) << from;
    EXPECT_EQ(out.Back(), wp.Position());
  }
}

TEST_F(WorkPathTest, PieceInsideOneCurvePieceIsCutFromBothSides) {
  const Coord big[4] = {U(0, 0), U(0, 3000, kFirstCurvePoint), U(3000, 3000, kSecondCurvePoint),
                        U(3000, 0)};
  wp.PrepareWorkPath(big);
  wp.MoveToDistance(100);
  out.Begin(wp.Position());
  wp.ExtendToDistance(400, out);
  ASSERT_EQ(out.Count(), 4);
  for (Coord p : Flatten(out)) EXPECT_LT(DistanceToCubic(big, Units(p)), 3.0);
}

TEST_F(WorkPathTest, StoresTheFirstSegmentAndClosesOverIt) {
  const Coord square[] = {U(0, 0), U(100, 0), U(100, 100), U(0, 100), U(0, 0)};
  wp.PrepareWorkPath(square);
  out.Begin(wp.Position());
  wp.ExtendToDistance(50, out);
  wp.ExtendToDistance(400, out);
  ASSERT_EQ(wp.StoredFirstSegment().count, 2);
  EXPECT_EQ(wp.StoredFirstSegment().points[1], U(50, 0));  // the first extension's
  EXPECT_TRUE(wp.CloseOverStoredSegment(out));
  EXPECT_EQ(out.Back(), U(50, 0));
  const Coord loop[] = {kArch[0], kArch[1], kArch[2], kArch[3], U(0, 0)};
  wp.PrepareWorkPath(loop);
  EXPECT_EQ(wp.StoredFirstSegment().count, 0);
  out.Begin(wp.Position());
  wp.ExtendToDistance(1e9, out);
  ASSERT_EQ(wp.StoredFirstSegment().count, 4);
  const int before = out.Count();
  EXPECT_TRUE(wp.CloseOverStoredSegment(out));
  EXPECT_EQ(out.Count(), before + 3);
  EXPECT_EQ(out[before], out[1]);
}

TEST(OutputPaths, ClosingAsStoredAndFullPaths) {
  OutputPath path;
  path.Begin(U(0, 0, 0, kCornerPoint));
  path.Add(U(100, 0));
  EXPECT_FALSE(CloseOverFirstSegment(path));
  path.Add(U(0, 0));
  EXPECT_TRUE(CloseOverFirstSegment(path));
  EXPECT_EQ(path.Back(), U(100, 0));
  for (int i = path.Count(); i < OutputPath::kCapacity; ++i) EXPECT_TRUE(path.Add(U(i, 0)));
  EXPECT_FALSE(path.Add(U(-1, -1)));
  EXPECT_TRUE(path.Overflowed());
  EXPECT_EQ(path.Count(), OutputPath::kCapacity);
}

TEST_F(WorkPathTest, DirectionOnStraightAndTinySegments) {
  const Coord pts[] = {U(0, 0), U(300, 400), U(300, 0), U(310, 0), U(311, 1), U(320, 0), U(400, 0)};
  wp.PrepareWorkPath(pts);
  wp.MoveToDistance(100);
  wp.DirectionAtPosition();
  EXPECT_NEAR(wp.Cos(), 0.6, 1e-12);
  EXPECT_NEAR(wp.Sin(), 0.8, 1e-12);
  // On a one-unit kink the neighbours within 25 units decide: along the line.
  wp.MoveToDistance(550 + 400 + 10 + 0.5);
  wp.DirectionAtPosition();
  EXPECT_NEAR(wp.Cos(), 1.0, 0.01);
}

TEST_F(WorkPathTest, DirectionOnCurvesIsTheTangent) {
  wp.PrepareWorkPath(kArch);
  wp.DirectionAtPosition();
  EXPECT_NEAR(wp.Sin(), 1.0, 1e-9);
  wp.MoveToDistance(wp.SectionLength(0) / 2.0);
  wp.DirectionAtPosition();
  EXPECT_NEAR(wp.Cos(), 1.0, 0.02);
  wp.MoveToDistance(1e9);
  wp.DirectionAtPosition();
  EXPECT_NEAR(wp.Sin(), -1.0, 1e-9);
  // A control point on the start leaves no tangent there; the curve's way is still found.
  const Coord pts[] = {U(0, 0), U(0, 0, kFirstCurvePoint), U(0, 1000, kSecondCurvePoint),
                       U(1000, 1000)};
  wp.PrepareWorkPath(pts);
  wp.DirectionAtPosition();
  EXPECT_NEAR(wp.Sin(), 1.0, 1e-9);
}

TEST_F(WorkPathTest, OffsetPointsLieEitherSideOfTheLine) {
  const Coord pts[] = {U(0, 0), U(100, 0), U(100, 100)};
  wp.PrepareWorkPath(pts);
  wp.MoveToDistance(150);
  wp.OffsetPointsAtPosition(7);
  EXPECT_EQ(wp.LeftPoint(), U(93, 50));
  EXPECT_EQ(wp.RightPoint(), U(107, 50));
  wp.PrepareWorkPath(kArch);
  wp.MoveToDistance(wp.SectionLength(0) / 2.0);
  wp.OffsetPointsAtPosition(20);
  const testing::Pt p = Units(wp.Position()), l = Units(wp.LeftPoint());
  EXPECT_NEAR(l.x, p.x, 1.0);  // square to the tangent, not to the piece's first control point
  EXPECT_NEAR(l.y, p.y + 20, 1.0);
}

TEST_F(WorkPathTest, LongMixedLineIsWalkedToTheEnd) {
  std::vector<Coord> pts;
  for (int i = 0; i < 2000; ++i) {
    const int yf = (i % 7 == 3) ? kCornerPoint : 0;
    if (i % 5 == 1 && i + 2 < 2000) {
      pts.push_back(U(i * 20, 200, kFirstCurvePoint));
      pts.push_back(U(i * 20 + 20, -200, kSecondCurvePoint));
      pts.push_back(U(i * 20 + 40, (i % 2) * 15, 0, yf));
      i += 2;
    } else {
      pts.push_back(U(i * 20, (i % 2) * 15, 0, yf));
    }
  }
  wp.PrepareWorkPath(pts);
  int64_t sum = 0;
  for (int k = 0; k < wp.SectionCount(); ++k) {
    wp.StartSection(k, 30, 10, 10, 5, 5);
    sum += wp.CurrentSectionLength();
    out.Begin(wp.Position());
    for (int64_t d = 1; d <= wp.CurrentSectionLength(); ++d) {
      wp.ExtendToDistance(static_cast<double>(d), out);
      if (out.Count() > 4000) out.Begin(wp.Position());
      wp.DirectionAtPosition();
    }
  }
  EXPECT_EQ(sum, wp.TotalLength());
  EXPECT_EQ(wp.Position(), PosOnly(wp.Points().back()));
}

}  // namespace
}  // namespace zelk
