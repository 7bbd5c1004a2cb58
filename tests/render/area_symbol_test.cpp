// Area objects and the polygon fill: holes, refused pieces, hatching and structures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "geometry/coord_math.h"
#include "render/device_path.h"
#include "render/object_renderer.h"
#include "render/polygon_fill.h"
#include "render/recording_device.h"
#include "symbol_builders.h"

namespace zelk {
namespace {

using test::U;
using Kind = RecordedCall::Kind;

std::vector<Coord> SquareWithHole() {
  std::vector<Coord> pts = test::Square(0, 0, 100);
  const std::vector<Coord> hole = test::Square(40, 40, 20, true);
  pts.insert(pts.end(), hole.begin(), hole.end());
  return pts;
}

// How many of the pieces cover each sample point, on a 10-unit grid over (0..100)^2.
void ExpectCoverage(const std::vector<std::vector<Coord>>& pieces,
                    const std::vector<Coord>& polygon) {
  for (double x = 5; x < 100; x += 10) {
    for (double y = 5; y < 100; y += 10) {
      int covered = 0;
      for (const auto& p : pieces) covered += test::EvenOddInside(p, x, y) ? 1 : 0;
      EXPECT_EQ(covered, test::EvenOddInside(polygon, x, y) ? 1 : 0) << x << "," << y;
    }
  }
}

// --- ClipHalfPlane and FillPolygon ---------------------------------------------------------

TEST(ClipHalfPlaneTest, CutThroughAHoleJoinsHoleAndOuterRingOnEachSide) {
  const std::vector<Coord> pts = SquareWithHole();
  const int32_t cut = U(50, 0).x;
  const auto low = ClipHalfPlane(pts, CutAxis::Vertical, cut, CutSide::Low);
  const auto high = ClipHalfPlane(pts, CutAxis::Vertical, cut, CutSide::High);
  for (const auto* piece : {&low, &high}) {
    ASSERT_FALSE(piece->empty());
    for (const Coord& c : *piece) EXPECT_FALSE(c.y & kHoleStart);
  }
  for (const Coord& c : low) EXPECT_LE(c.PosX(), 50);
  for (const Coord& c : high) EXPECT_GE(c.PosX(), 50);
  ExpectCoverage({low, high}, pts);
}

TEST(ClipHalfPlaneTest, NewPointsLieOnTheCutAndAreCorners) {
  const std::vector<Coord> tri{U(0, 0), U(100, 0), U(0, 100)};
  const auto low = ClipHalfPlane(tri, CutAxis::Horizontal, U(0, 30).y, CutSide::Low);
  // The ring reaches the line, so it starts there and is closed explicitly for joining.
  EXPECT_EQ(low, (std::vector<Coord>{U(70, 30, 0, kCornerPoint), U(0, 30, 0, kCornerPoint), U(0, 0),
                                     U(100, 0), U(70, 30, 0, kCornerPoint)}));
}

TEST(ClipHalfPlaneTest, RingsAwayFromTheCutStayHoles) {
  std::vector<Coord> pts = test::Square(0, 0, 100);
  const auto hole = test::Square(10, 10, 20, true);
  pts.insert(pts.end(), hole.begin(), hole.end());
  const auto low = ClipHalfPlane(pts, CutAxis::Vertical, U(60, 0).x, CutSide::Low);
  int rings = 0;
  for (const Coord& c : low) rings += (c.y & kHoleStart) ? 1 : 0;
  EXPECT_EQ(rings, 1);
  const auto high = ClipHalfPlane(pts, CutAxis::Vertical, U(60, 0).x, CutSide::High);
  for (const Coord& c : high) EXPECT_FALSE(c.y & kHoleStart);
}

TEST(ClipHalfPlaneTest, CubicSegmentIsCutWhereItCrossesTheLine) {
  // A symmetric arch from (0,0) to (100,0) through (50,75); cut at x = 50.
  const std::vector<Coord> pts{U(0, 0), U(0, 100, kFirstCurvePoint), U(100, 100, kSecondCurvePoint),
                               U(100, 0)};
  const auto low = ClipHalfPlane(pts, CutAxis::Vertical, U(50, 0).x, CutSide::Low);
  ASSERT_EQ(low.size(), 6u);
  EXPECT_EQ(low[0], U(50, 75, 0, kCornerPoint));  // the top of the arch
  EXPECT_EQ(low[1], U(50, 0, 0, kCornerPoint));
  EXPECT_EQ(low[2], U(0, 0));
  // de Casteljau at t = 0.5: control points (0,50) and (25,75).
  EXPECT_EQ(low[3], U(0, 50, kFirstCurvePoint));
  EXPECT_EQ(low[4], U(25, 75, kSecondCurvePoint));
  EXPECT_EQ(low[5], U(50, 75, 0, kCornerPoint));
}

TEST(ClipHalfPlaneTest, NothingOnTheSideGivesNothing) {
  const auto tri = std::vector<Coord>{U(0, 0), U(100, 0), U(0, 100)};
  EXPECT_TRUE(ClipHalfPlane(tri, CutAxis::Vertical, U(200, 0).x, CutSide::High).empty());
  // A polygon lying on the line has no area on either side.
  const auto flat = std::vector<Coord>{U(5, 0), U(5, 10), U(5, 20)};
  EXPECT_TRUE(ClipHalfPlane(flat, CutAxis::Vertical, U(5, 0).x, CutSide::Low).empty());
}

class FillPolygonTest : public ::testing::Test {
 protected:
  RecordingDevice dev{test::UnitState()};
  FixedMetricsFonts fonts;
  RenderScratch scratch;
  RenderContext ctx{dev, fonts, scratch};
};

TEST_F(FillPolygonTest, HoleFreePolygonIsOneCall) {
  const auto pts = test::Square(0, 0, 10);
  int calls = 0;
  FillPolygon(ctx, pts, [&](std::span<const Coord> piece) {
    ++calls;
    EXPECT_EQ(std::vector<Coord>(piece.begin(), piece.end()), pts);
    return true;
  });
  EXPECT_EQ(calls, 1);
}

TEST_F(FillPolygonTest, HolesAndRefusedPiecesAreHalvedUntilTheyFit) {
  // A 200-point ring: the device takes at most 128 points per fill.
  std::vector<Coord> pts;
  for (int i = 0; i < 100; ++i) pts.push_back(U(i, (i % 2) * 3));
  for (int i = 99; i >= 0; --i) pts.push_back(U(i, 100 - (i % 2) * 3));
  const auto hole = test::Square(40, 40, 20, true);
  pts.insert(pts.end(), hole.begin(), hole.end());
  FillPolygon(ctx, pts,
              [&](std::span<const Coord> piece) { return SolidFillCallback(ctx, piece); });
  std::vector<std::vector<Coord>> pieces;
  for (const auto& f : dev.Of(Kind::Fill)) {
    EXPECT_LE(f.path.size(), 128u);
    pieces.push_back(f.path);
  }
  EXPECT_GE(pieces.size(), 2u);
  ExpectCoverage(pieces, pts);
}

TEST_F(FillPolygonTest, AFillThatAlwaysFailsGivesUpAfter32Levels) {
  int calls = 0;
  FillPolygon(ctx, test::Square(0, 0, 1000), [&](std::span<const Coord>) {
    ++calls;
    return false;
  });
  EXPECT_GT(calls, 100);
  EXPECT_LE(calls, kMaxFillPieces);
}

TEST_F(FillPolygonTest, DegeneratePolygonsEndQuickly) {
  // 2000 coincident points with a hole flag in the middle: nothing with area to fill.
  std::vector<Coord> pts(2000, U(5, 5));
  pts[1000].y |= kHoleStart;
  int calls = 0;
  FillPolygon(ctx, pts, [&](std::span<const Coord>) { return ++calls, false; });
  EXPECT_LE(calls, 1);
}

// --- Area objects --------------------------------------------------------------------------

class AreaSymbolTest : public ::testing::Test {
 protected:
  RecordingDevice dev{test::UnitState()};
  FixedMetricsFonts fonts;
  RenderScratch scratch;
  RenderContext ctx{dev, fonts, scratch};

  void Pass(int color) {
    dev.SelectColorPass(color, {0, 0, 0, 200});
    dev.Clear();
  }
  // The y position (map units) of each stroke of an unrotated hatch.
  std::set<int> HatchRows() const {
    std::set<int> ys;
    for (const auto& s : dev.Of(Kind::Stroke)) {
      EXPECT_EQ(s.path.size(), 2u);
      EXPECT_EQ(s.path[0].y, s.path[1].y);
      ys.insert(s.path[0].PosY());
    }
    return ys;
  }
};

TEST_F(AreaSymbolTest, FillOnInItsColourShowsOnlyTheFill) {
  test::AreaFields f;
  f.fillOn = 1;
  f.fillColor = 2;
  f.hatchMode = 1;
  f.hatchColor = 2;
  f.hatchDist = 20;
  f.hatchLineWidth = 5;
  const ObjectRecord obj = test::Object(ObjectType::Area, test::Square(0, 0, 100));
  Pass(2);
  DrawObject(ctx, obj, test::MakeAreaSymbol(f));
  ASSERT_EQ(dev.calls.size(), 1u);
  EXPECT_EQ(dev.calls[0].kind, Kind::Fill);
  EXPECT_EQ(dev.calls[0].style, kFillSolid);
  EXPECT_FALSE(dev.calls[0].alternative);
  // In another pass the same symbol draws nothing.
  Pass(3);
  DrawObject(ctx, obj, test::MakeAreaSymbol(f));
  EXPECT_TRUE(dev.calls.empty());
}

TEST_F(AreaSymbolTest, HatchLinesLieAtWholeMultiplesOfTheSpacingSoNeighboursContinue) {
  test::AreaFields f;
  f.hatchMode = 1;
  f.hatchColor = 1;
  f.hatchDist = 20;
  f.hatchLineWidth = 10;
  const SymbolRecord sym = test::MakeAreaSymbol(f);
  Pass(1);
  DrawObject(ctx, test::Object(ObjectType::Area, test::Square(0, 0, 100)), sym);
  const auto clips = dev.Of(Kind::Clip);
  ASSERT_EQ(clips.size(), 1u);
  EXPECT_EQ(dev.Of(Kind::EndClip).size(), 1u);
  for (const auto& s : dev.Of(Kind::Stroke)) {
    EXPECT_EQ(s.width, 10);
    EXPECT_EQ(s.style, kStyleFlatBevel);
    EXPECT_EQ(s.path[0], U(0, s.path[0].PosY()));
    EXPECT_EQ(s.path[1], U(100, s.path[0].PosY()));
  }
  // Lines k from (0 - 5) / 30 - 1 = -1 to (100 + 5) / 30 + 1 = 4.
  EXPECT_EQ(HatchRows(), (std::set<int>{-30, 0, 30, 60, 90, 120}));
  // The neighbour to the right, and one shifted up by 15: the same rows over the shared range.
  Pass(1);
  DrawObject(ctx, test::Object(ObjectType::Area, test::Square(100, 15, 100)), sym);
  EXPECT_EQ(HatchRows(), (std::set<int>{-30, 0, 30, 60, 90, 120, 150}));
}

TEST_F(AreaSymbolTest, CrossHatchDrawsTwoFamiliesTurnedByTheObjectAngle) {
  test::AreaFields f;
  f.hatchMode = 2;
  f.hatchColor = 1;
  f.hatchDist = 20;
  f.hatchLineWidth = 10;
  f.hatchAngle1 = 0;
  f.hatchAngle2 = 900;
  Pass(1);
  DrawObject(ctx, test::Object(ObjectType::Area, test::Square(0, 0, 100), 300),
             test::MakeAreaSymbol(f));
  std::set<int> directions;
  for (const auto& s : dev.Of(Kind::Stroke)) {
    const double dx = s.path[1].PosX() - s.path[0].PosX();
    const double dy = s.path[1].PosY() - s.path[0].PosY();
    directions.insert(static_cast<int>(std::lround(std::atan2(dy, dx) * 180 / M_PI)));
  }
  EXPECT_EQ(directions, (std::set<int>{30, 120}));
}

TEST_F(AreaSymbolTest, HatchDenserThanOneDeviceUnitIsASolidFillInTheHatchColour) {
  test::AreaFields f;
  f.hatchMode = 1;
  f.hatchColor = 1;
  f.hatchDist = 20;
  f.hatchLineWidth = 10;
  dev.State().scaleX = 1.0 / 256 / 40;
  dev.State().scaleY = -1.0 / 256 / 40;  // 20 map units are half a device unit
  Pass(1);
  DrawObject(ctx, test::Object(ObjectType::Area, test::Square(0, 0, 100)), test::MakeAreaSymbol(f));
  EXPECT_TRUE(dev.Of(Kind::Stroke).empty());
  const auto fills = dev.Of(Kind::Fill);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].passColor, 1);
  EXPECT_FALSE(fills[0].alternative);
}

TEST_F(AreaSymbolTest, HoleStaysEmptyForFillHatchAndStructure) {
  test::AreaFields f;
  f.hatchMode = 1;
  f.hatchColor = 1;
  f.hatchDist = 10;
  f.hatchLineWidth = 2;
  f.structMode = 1;
  f.structWidth = 10;
  f.structHeight = 10;
  f.structure = {{kElementDot, 0, 1, 0, 4, {U(0, 0)}}};
  const auto pts = SquareWithHole();
  Pass(1);
  DrawObject(ctx, test::Object(ObjectType::Area, pts), test::MakeAreaSymbol(f));
  // Every clip is a hole-free piece, and together the pieces cover the area but not the hole.
  std::vector<std::vector<Coord>> pieces;
  for (const auto& c : dev.Of(Kind::Clip)) {
    for (size_t i = 1; i < c.path.size(); ++i) EXPECT_FALSE(c.path[i].y & kHoleStart);
    pieces.push_back(c.path);
  }
  EXPECT_GE(pieces.size(), 2u);
  ExpectCoverage(pieces, pts);
  // And the fill.
  test::AreaFields solid;
  solid.fillOn = 1;
  solid.fillColor = 1;
  Pass(1);
  DrawObject(ctx, test::Object(ObjectType::Area, pts), test::MakeAreaSymbol(solid));
  pieces.clear();
  for (const auto& c : dev.Of(Kind::Fill)) pieces.push_back(c.path);
  ExpectCoverage(pieces, pts);
}

std::set<std::pair<int, int>> DotCentres(const RecordingDevice& dev) {
  std::set<std::pair<int, int>> out;
  for (const auto& d : dev.Of(Kind::Dot)) out.insert({d.centre.PosX(), d.centre.PosY()});
  return out;
}

TEST_F(AreaSymbolTest, StructureRowsAlignedOrEveryOtherRowShiftedByHalfACell) {
  test::AreaFields f;
  f.structMode = 1;
  f.structWidth = 40;
  f.structHeight = 30;
  f.structure = {{kElementDot, 0, 1, 0, 6, {U(0, 0)}}, {kElementDot, 0, 2, 0, 6, {U(5, 5)}}};
  const ObjectRecord obj = test::Object(ObjectType::Area, test::Square(0, -60, 160));
  Pass(1);
  DrawObject(ctx, obj, test::MakeAreaSymbol(f));
  auto aligned = DotCentres(dev);
  EXPECT_TRUE(aligned.count({40, 30}));
  EXPECT_TRUE(aligned.count({40, 60}));
  EXPECT_FALSE(aligned.count({20, 30}));
  for (const auto& d : dev.Of(Kind::Dot)) EXPECT_EQ(d.passColor, 1);  // the other colour waits
  f.structMode = 2;
  Pass(1);
  DrawObject(ctx, obj, test::MakeAreaSymbol(f));
  auto shifted = DotCentres(dev);
  EXPECT_TRUE(shifted.count({40, 0}));   // row 0 stays
  EXPECT_TRUE(shifted.count({20, 30}));  // row 1 moves left by half a width
  EXPECT_FALSE(shifted.count({40, 30}));
  EXPECT_TRUE(shifted.count({40, 60}));
  EXPECT_TRUE(shifted.count({20, -30}));  // odd negative rows too
}

// Cells of the piece's box whose drawing cannot meet the piece are not handed to the device
// (the clip would remove them); every cell whose disc meets the piece is.
TEST_F(AreaSymbolTest, StructureCellsAwayFromThePieceAreLeftOut) {
  // Thin slivers across a 400 x 400 box, one with a curved side.
  const std::vector<Coord> straight = {U(0, 0), U(400, 380), U(400, 400), U(0, 30)};
  const std::vector<Coord> curved = {U(0, 0),
                                     U(300, 50, kFirstCurvePoint),
                                     U(100, 350, kSecondCurvePoint),
                                     U(400, 380),
                                     U(400, 400),
                                     U(0, 30)};
  for (const std::vector<Coord>& piece : {straight, curved}) {
    // The outline the clip follows: the curve flattened finely.
    std::vector<Coord> outline = {piece[0]};
    if (piece.size() == 6) FlattenCubic(piece.data(), 8, 0.25, outline);
    outline.insert(outline.end(), piece.end() - 2, piece.end());
    if (piece.size() == 4) outline.insert(outline.begin() + 1, piece[1]);
    auto distanceToEdge = [&](double x, double y) {
      double best = 1e9;
      for (size_t i = 0; i < outline.size(); ++i) {
        const Coord a = outline[i], b = outline[(i + 1) % outline.size()];
        const double ax = a.PosX(), ay = a.PosY(), bx = b.PosX(), by = b.PosY();
        const double t = std::clamp(((x - ax) * (bx - ax) + (y - ay) * (by - ay)) /
                                        ((bx - ax) * (bx - ax) + (by - ay) * (by - ay)),
                                    0.0, 1.0);
        best = std::min(best, std::hypot(x - ax - t * (bx - ax), y - ay - t * (by - ay)));
      }
      return best;
    };
    for (int angle : {0, 250}) {
      for (int mode : {1, 2}) {
        test::AreaFields f;
        f.structMode = static_cast<int16_t>(mode);
        f.structWidth = 20;
        f.structHeight = 16;
        f.structAngle = static_cast<int16_t>(angle);
        f.structure = {{kElementDot, 0, 1, 0, 8, {U(3, -2)}}};
        Pass(1);
        DrawObject(ctx, test::Object(ObjectType::Area, piece), test::MakeAreaSymbol(f));
        const auto drawn = DotCentres(dev);
        const double a = angle * M_PI / 1800, c = std::cos(a), s = std::sin(a);
        int meeting = 0;
        for (int o = -40; o <= 40; ++o) {
          for (int q = -40; q <= 40; ++q) {
            const double gx = 20.0 * q - (mode == 2 && o % 2 != 0 ? 10 : 0), gy = 16.0 * o;
            const double x = c * gx - s * gy + 3, y = s * gx + c * gy - 2;
            // A disc of radius 4 meets the piece when its centre lies inside or near an edge.
            if (!test::EvenOddInside(outline, x, y) && distanceToEdge(x, y) > 5) continue;
            ++meeting;
            EXPECT_TRUE(
                drawn.count({static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))}) ||
                drawn.count({static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y))}) ||
                drawn.count({static_cast<int>(std::ceil(x)), static_cast<int>(std::ceil(y))}))
                << piece.size() << " angle " << angle << " mode " << mode << " cell " << q << ","
                << o;
          }
        }
        EXPECT_GT(meeting, 30);
        // The box holds some 500 cells; only those near the straight sliver are drawn. A curve
        // is only known to lie within the hull of its points, which here spans most of the box.
        if (piece.size() == 4) {
          EXPECT_LT(drawn.size(), 200u) << angle << " " << mode;
        }
      }
    }
  }
}

TEST_F(AreaSymbolTest, RotatedObjectTurnsTheGridButTheElementsOnlyByTheObjectAngle) {
  test::AreaFields f;
  f.structMode = 1;
  f.structWidth = 100;
  f.structHeight = 100;
  f.structAngle = 600;
  f.structure = {{kElementLine, 0, 1, 3, 0, {U(0, 0), U(10, 0)}}};
  Pass(1);
  DrawObject(ctx, test::Object(ObjectType::Area, test::Square(-50, -50, 100), 300),
             test::MakeAreaSymbol(f));
  bool sawOrigin = false, sawNeighbour = false;
  for (const auto& s : dev.Of(Kind::Stroke)) {
    const Coord a = s.path[0], b = s.path[1];
    // Elements turn by 30 degrees only.
    EXPECT_NEAR(std::atan2(b.PosY() - a.PosY(), b.PosX() - a.PosX()) * 180 / M_PI, 30, 6);
    sawOrigin |= a == U(0, 0);
    sawNeighbour |= a == U(0, 100);  // cell (1, 0) on a grid turned by 60 + 30 degrees
  }
  EXPECT_TRUE(sawOrigin);
  EXPECT_TRUE(sawNeighbour);
}

TEST_F(AreaSymbolTest, StructureStopsAtOnceWhenInputIsWaiting) {
  test::AreaFields f;
  f.structMode = 1;
  f.structWidth = 10;
  f.structHeight = 10;
  f.structure = {{kElementDot, 0, 1, 0, 4, {U(0, 0)}}};
  int polls = 0;
  ctx.inputWaiting = [&] { return ++polls >= 3; };
  Pass(1);
  DrawObject(ctx, test::Object(ObjectType::Area, test::Square(0, 0, 100)), test::MakeAreaSymbol(f));
  EXPECT_EQ(dev.Of(Kind::Dot).size(), 3u);
  EXPECT_EQ(polls, 3);
  EXPECT_EQ(dev.ClipDepth(), 0);  // the clip is ended
}

TEST_F(AreaSymbolTest, RefusedClipSubdividesThePiece) {
  test::AreaFields f;
  f.hatchMode = 1;
  f.hatchColor = 1;
  f.hatchDist = 20;
  f.hatchLineWidth = 5;
  dev.clipResults = {ClipResult::Refused};
  Pass(1);
  DrawObject(ctx, test::Object(ObjectType::Area, test::Square(0, 0, 100)), test::MakeAreaSymbol(f));
  EXPECT_EQ(dev.Of(Kind::Clip).size(), 3u);  // the refused whole, then the two halves
  EXPECT_EQ(dev.Of(Kind::EndClip).size(), 2u);
}

TEST_F(AreaSymbolTest, DamagedSymbolIsASolidFillInTheAlternativeColour) {
  test::AreaFields f;
  f.hatchMode = 1;
  f.hatchColor = 1;
  const SymbolRecord good = test::MakeAreaSymbol(f);
  AreaSymbol claimsMore = *AreaSymbol::Decode(good);
  claimsMore.StructSize = 3;  // a structure the record does not hold
  SymbolRecord sym = good;
  claimsMore.Encode(sym);
  Pass(1);
  DrawObject(ctx, test::Object(ObjectType::Area, test::Square(0, 0, 100)), sym);
  const auto fills = dev.Of(Kind::Fill);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_TRUE(fills[0].alternative);
  EXPECT_TRUE(dev.Of(Kind::Stroke).empty());
  EXPECT_FALSE(dev.State().useAlternative);
}

TEST_F(AreaSymbolTest, HatchedViewOutlinesEveryRingAndFillsWithTheHatchBrush) {
  dev.State().hatchAreas = true;
  test::AreaFields f;
  f.fillOn = 1;
  f.fillColor = 1;
  Pass(1);
  std::vector<Coord> pts = test::Square(0, 0, 100);
  const auto hole = test::Square(10, 10, 20, true);
  pts.insert(pts.end(), hole.begin(), hole.end());
  DrawObject(ctx, test::Object(ObjectType::Area, pts), test::MakeAreaSymbol(f));
  const auto strokes = dev.Of(Kind::Stroke);
  ASSERT_EQ(strokes.size(), 2u);
  EXPECT_EQ(strokes[0].path,
            (std::vector<Coord>{U(0, 0), U(100, 0), U(100, 100), U(0, 100), U(0, 0)}));
  EXPECT_EQ(strokes[1].path.front(), U(10, 10));
  EXPECT_EQ(strokes[1].path.back(), U(10, 10));
  for (const auto& s : strokes) EXPECT_EQ(s.width, 1);
  for (const auto& fill : dev.Of(Kind::Fill)) EXPECT_EQ(fill.style, kFillHatched);
  // Printing ignores the view.
  dev.State().screen = false;
  Pass(1);
  DrawObject(ctx, test::Object(ObjectType::Area, pts), test::MakeAreaSymbol(f));
  EXPECT_TRUE(dev.Of(Kind::Stroke).empty());
  for (const auto& fill : dev.Of(Kind::Fill)) EXPECT_EQ(fill.style, kFillSolid);
}

TEST_F(AreaSymbolTest, DamagedNumbersNeverHang) {
  test::AreaFields f;
  f.hatchMode = 2;
  f.hatchColor = 1;
  f.hatchDist = 1;
  f.hatchLineWidth = -1;  // spacing 0: nothing
  f.structMode = 2;
  f.structWidth = -5;
  f.structHeight = 7;
  f.structure = {{kElementDot, 0, 1, 0, 4, {U(0, 0)}}};
  Pass(1);
  const std::vector<Coord> huge{{kMinCoordWord, kMinCoordWord},
                                {kMaxCoordWord & kPosMask, kMinCoordWord},
                                {0, kMaxCoordWord & kPosMask}};
  DrawObject(ctx, test::Object(ObjectType::Area, huge), test::MakeAreaSymbol(f));
  EXPECT_TRUE(dev.Of(Kind::Stroke).empty());
  EXPECT_TRUE(dev.Of(Kind::Dot).empty());
  // A fine structure over a huge area is bounded by what the clip rectangle shows.
  f.structWidth = 1;
  f.structHeight = 1;
  f.hatchLineWidth = 1;
  dev.State().clipRectangle = {U(0, 0).x, U(0, 0).y, U(20, 0).x, U(0, 20).y};
  Pass(1);
  DrawObject(ctx, test::Object(ObjectType::Area, huge), test::MakeAreaSymbol(f));
  EXPECT_LT(dev.Of(Kind::Dot).size(), 2000u);
  EXPECT_LT(dev.Of(Kind::Stroke).size(), 200u);
}

}  // namespace
}  // namespace zelk

namespace zelk {
namespace {

// Hatch lines of one device pixel are cut to straight-edged pieces exactly, without a clip;
// wider lines and curved outlines keep the clip.
TEST(ExactHatch, ThinLinesAreCutToThePieceByTheEvenOddRule) {
  RecordingDevice dev{test::UnitState()};
  dev.State().scaleX = 1.0 / 256 / 10;
  dev.State().scaleY = -1.0 / 256 / 10;  // hatch width 10 is one device pixel
  FixedMetricsFonts fonts;
  RenderScratch scratch;
  RenderContext ctx{dev, fonts, scratch};
  test::AreaFields f;
  f.hatchMode = 1;
  f.hatchColor = 1;
  f.hatchDist = 20;
  f.hatchLineWidth = 10;
  // A U: two prongs of 100 standing on a base 100 high.
  const std::vector<Coord> u = {test::U(0, 0),     test::U(300, 0),   test::U(300, 300),
                                test::U(200, 300), test::U(200, 100), test::U(100, 100),
                                test::U(100, 300), test::U(0, 300),   test::U(0, 0)};
  dev.SelectColorPass(1, {0, 0, 0, 200});
  dev.Clear();
  DrawObject(ctx, test::Object(ObjectType::Area, u), test::MakeAreaSymbol(f));
  EXPECT_TRUE(dev.Of(RecordedCall::Kind::Clip).empty());
  std::map<int, std::vector<std::pair<int, int>>> rows;
  for (const auto& s : dev.Of(RecordedCall::Kind::Stroke)) {
    ASSERT_EQ(s.path.size(), 2u);
    ASSERT_EQ(s.path[0].PosY(), s.path[1].PosY());
    rows[s.path[0].PosY()].push_back({s.path[0].PosX(), s.path[1].PosX()});
  }
  EXPECT_EQ(rows[60], (std::vector<std::pair<int, int>>{{0, 300}}));
  EXPECT_EQ(rows[150], (std::vector<std::pair<int, int>>{{0, 100}, {200, 300}}));
  EXPECT_EQ(rows.count(300), 0u);  // the top edge itself holds no line
  EXPECT_EQ(rows.count(-30), 0u);  // nor does any row outside

  // The same U with a curved prong keeps the clip.
  std::vector<Coord> curved = u;
  curved[2].x |= kFirstCurvePoint;
  curved[3].x |= kSecondCurvePoint;
  dev.Clear();
  DrawObject(ctx, test::Object(ObjectType::Area, curved), test::MakeAreaSymbol(f));
  EXPECT_EQ(dev.Of(RecordedCall::Kind::Clip).size(), 1u);
}

}  // namespace
}  // namespace zelk
