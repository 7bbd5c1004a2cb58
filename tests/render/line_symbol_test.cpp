// Line symbols drawn through the recording device: dashes, solid and pointed lines, symbols along
// the line, corner symbols, double lines and their fill, and damaged records.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <random>
#include <type_traits>
#include <utility>
#include <vector>

#include "line_symbol_test_util.h"
#include "render/line_symbol_draw.h"
#include "render/object_renderer.h"
#include "render/recording_device.h"

namespace zelk {
namespace {

using linetest::DotList;
using linetest::Elem;
using linetest::ElementList;
using linetest::Line;
using linetest::LineDef;
using linetest::Straight;
using linetest::U;
using Kind = RecordedCall::Kind;

constexpr int kInk = 5;  // the pass colour of most tests

struct P {
  int x, y;
  bool operator==(const P&) const = default;
};
std::ostream& operator<<(std::ostream& o, const P& p) {
  return o << "(" << p.x << "," << p.y << ")";
}

P Units(Coord c) {
  return {c.x >> 8, c.y >> 8};
}

std::vector<P> UnitsOf(const std::vector<Coord>& path) {
  std::vector<P> r;
  for (Coord c : path) r.push_back(Units(c));
  return r;
}

class LineSymbolTest : public ::testing::Test {
 protected:
  LineSymbolTest() { dev.SelectColorPass(kInk, {0, 0, 0, 200}); }

  std::vector<RecordedCall> Draw(const LineDef& def, const ObjectRecord& obj, int pass = kInk) {
    dev.SelectColorPass(pass, {0, 0, 0, 200});
    dev.Clear();
    const SymbolRecord rec = def.Record();
    DrawLineObject(ctx, obj, rec);
    return Drawn();
  }
  // The calls that draw something (colour changes left out).
  std::vector<RecordedCall> Drawn() const {
    std::vector<RecordedCall> r;
    for (const RecordedCall& c : dev.calls)
      if (c.kind != Kind::Color) r.push_back(c);
    return r;
  }
  std::vector<RecordedCall> Strokes() const { return dev.Of(Kind::Stroke); }
  std::vector<RecordedCall> Fills() const { return dev.Of(Kind::Fill); }
  std::vector<RecordedCall> Dots() const { return dev.Of(Kind::Dot); }

  // Start and end x of every stroke along a horizontal line.
  std::vector<std::pair<int, int>> XSpans() const {
    std::vector<std::pair<int, int>> r;
    for (const RecordedCall& c : Strokes())
      r.emplace_back(Units(c.path.front()).x, Units(c.path.back()).x);
    return r;
  }

  static LineDef Dashed(int width, int mainLength, int gap, int endLength) {
    LineDef d;
    d.f.LineColor = kInk;
    d.f.LineWidth = static_cast<int16_t>(width);
    d.f.MainLength = static_cast<int16_t>(mainLength);
    d.f.MainGap = static_cast<int16_t>(gap);
    d.f.EndLength = static_cast<int16_t>(endLength);
    return d;
  }

  RecordingDevice dev;
  FixedMetricsFonts fonts;
  RenderScratch scratch;
  RenderContext ctx{dev, fonts, scratch};
};

using Spans = std::vector<std::pair<int, int>>;

// --- Dashed main line ---------------------------------------------------------------------------

TEST_F(LineSymbolTest, SectionOfHundredHasTwoMainDashesBetweenStretchedEndDashes) {
  // n = round(70 / 40) = 2, s = 70 / 80 = 0.875: 8.75 | 10 | 26.25 | 10 | 26.25 | 10 | 8.75.
  Draw(Dashed(8, 30, 10, 10), Straight(100));
  EXPECT_EQ(XSpans(), (Spans{{0, 9}, {19, 45}, {55, 81}, {91, 100}}));
  for (const RecordedCall& c : Strokes()) {
    EXPECT_EQ(c.width, 8);
    EXPECT_EQ(c.style, 0);
    EXPECT_EQ(c.path.size(), 2u);
  }
}

TEST_F(LineSymbolTest, ShortSectionHasOnlyTwoEndDashes) {
  // n = round(5 / 40) = 0, s = 25 / 20 = 1.25: two end dashes of 12.5 and one gap.
  LineDef d = Dashed(8, 30, 10, 10);
  d.f.LineEnds = 1;
  Draw(d, Straight(35));
  EXPECT_EQ(XSpans(), (Spans{{0, 12}, {22, 35}}));
  EXPECT_EQ(Strokes()[0].style, 1);
}

TEST_F(LineSymbolTest, VeryShortSectionBesideLongerOnesRunsThroughWithoutGaps) {
  // The first section is 15 long (s = 0.25); the second, 100 long, is the longest.
  Draw(Dashed(8, 30, 10, 10), Line({U(0, 0), U(15, 0, 0, kCornerPoint), U(15, 100)}));
  const auto strokes = Strokes();
  ASSERT_FALSE(strokes.empty());
  EXPECT_EQ(UnitsOf(strokes[0].path), (std::vector<P>{{0, 0}, {15, 0}, {15, 9}}));
}

TEST_F(LineSymbolTest, ShortSectionThatIsTheLongestStillGetsItsGap) {
  // Length 15, s = 0.25, but as the only section it is within 10 units of the longest.
  Draw(Dashed(8, 30, 10, 10), Straight(15));
  EXPECT_EQ(XSpans(), (Spans{{0, 2}, {12, 15}}));
}

TEST_F(LineSymbolTest, MinTwoGapsGivesAShortSectionOneMainDash) {
  LineDef d = Dashed(8, 30, 10, 10);
  Draw(d, Straight(35));
  EXPECT_EQ(Strokes().size(), 2u);
  d.f.MinGap = 1;
  // n = 1, s = 15 / 50 = 0.3: 3 | 10 | 9 | 10 | 3.
  Draw(d, Straight(35));
  EXPECT_EQ(XSpans(), (Spans{{0, 3}, {13, 22}, {32, 35}}));
}

TEST_F(LineSymbolTest, EndDashesOnBothSidesOfACornerAreOneStroke) {
  Draw(Dashed(8, 30, 10, 10), Line({U(0, 0), U(100, 0, 0, kCornerPoint), U(100, 100)}));
  const auto strokes = Strokes();
  ASSERT_EQ(strokes.size(), 7u);
  EXPECT_EQ(UnitsOf(strokes[3].path), (std::vector<P>{{91, 0}, {100, 0}, {100, 9}}));
  EXPECT_EQ(UnitsOf(strokes[4].path), (std::vector<P>{{100, 19}, {100, 45}}));
  EXPECT_EQ(UnitsOf(strokes[6].path), (std::vector<P>{{100, 91}, {100, 100}}));
}

TEST_F(LineSymbolTest, WithoutCornerTheDashesRunOnAroundABend) {
  Draw(Dashed(8, 30, 10, 10), Line({U(0, 0), U(90, 0), U(90, 110)}));
  // One section of 200: n = round(170 / 40) = 4, s = 150 / 140; the second dash is 63..95.
  const auto strokes = Strokes();
  ASSERT_EQ(strokes.size(), 6u);
  bool bent = false;
  for (const RecordedCall& c : strokes)
    for (const P& p : UnitsOf(c.path)) bent = bent || (p == P{90, 0});
  EXPECT_TRUE(bent);
}

TEST_F(LineSymbolTest, GapsAreCutIntoTheMiddleOfMainAndEndDashes) {
  LineDef d = Dashed(8, 30, 10, 10);
  d.f.SecGap = 6;
  Draw(d, Straight(100));
  // Main dashes 19..45 and 55..81 get a gap of 6 in their middle; the end dashes none.
  EXPECT_EQ(XSpans(), (Spans{{0, 9}, {19, 29}, {35, 45}, {55, 65}, {71, 81}, {91, 100}}));

  d.f.SecGap = 0;
  d.f.EndGap = 4;
  d.f.EndLength = 40;  // n = round(10 / 40) = 0, s = 90 / 80: end dashes of 45 with gaps
  Draw(d, Straight(100));
  // The gap is centred with whole-unit halves: (0 + 45 - 4) div 2 = 20, (0 + 45 + 4) div 2 = 24.
  EXPECT_EQ(XSpans(), (Spans{{0, 20}, {24, 45}, {55, 75}, {79, 100}}));
}

TEST_F(LineSymbolTest, GapInsideDashesAloneMakesADashedLine) {
  LineDef d = Dashed(8, 30, 0, 10);
  d.f.SecGap = 4;
  // No main gap: n = round(80 / 30) = 3, s = 100 / 110; dashes end at 9, 36, 64, 91.
  Draw(d, Straight(100));
  EXPECT_EQ(XSpans(), (Spans{{0, 20}, {24, 48}, {52, 75}, {79, 100}}));
}

TEST_F(LineSymbolTest, DistancesFromTheEndsAreLeftUndrawn) {
  LineDef d = Dashed(8, 30, 10, 10);
  d.f.DistFromStart = 20;
  d.f.DistToEnd = 15;
  // L' = 65: n = round(35 / 40) = 1, s = 45 / 50 = 0.9: 9 | 10 | 27 | 10 | 9.
  Draw(d, Straight(100));
  EXPECT_EQ(XSpans(), (Spans{{20, 29}, {39, 66}, {76, 85}}));
}

TEST_F(LineSymbolTest, ClosedDashedLineJoinsItsLastDashToItsFirst) {
  Draw(Dashed(8, 30, 10, 10), Line({U(0, 0), U(100, 0), U(100, 100), U(0, 100), U(0, 0)}));
  const auto strokes = Strokes();
  ASSERT_FALSE(strokes.empty());
  const std::vector<P> last = UnitsOf(strokes.back().path);
  const std::vector<P> first = UnitsOf(strokes.front().path);
  ASSERT_GE(last.size(), 3u);
  // The last dash ends at the start and goes on over the first dash's first segment.
  EXPECT_EQ(last[last.size() - 2], (P{0, 0}));
  EXPECT_EQ(last.back(), first[1]);
}

// A gap longer than the section leaves no room for dashes; the dash must not land off the line.
TEST_F(LineSymbolTest, AGapLongerThanTheSectionDrawsItSolidAndNeverOffTheLine) {
  // Dash 3 mm, gap 10 mm, end dashes 1 mm on a 5 mm line.
  Draw(Dashed(20, 300, 1000, 100), Straight(500));
  EXPECT_EQ(XSpans(), (Spans{{0, 500}}));
  // The same beside a longer section: the short one runs through, the long one is dashed.
  Draw(Dashed(20, 300, 1000, 100), Line({U(0, 0), U(500, 0, 0, kCornerPoint), U(500, 5000)}));
  for (const RecordedCall& c : Strokes())
    for (Coord p : c.path) {
      const P u = Units(p);
      EXPECT_TRUE((u.y == 0 && u.x >= 0 && u.x <= 500) || (u.x == 500 && u.y >= 0 && u.y <= 5000))
          << u;
    }
}

// Whether a render context can be made from these pieces alone.
template <typename... Parts>
constexpr bool kContextFrom = requires(Parts&... parts) {
  RenderContext{parts...};
};

// Whoever draws hands in the fonts and the work buffers; nothing is made up behind its back.
TEST(RenderContextTest, FontsAndWorkBuffersAreHandedIn) {
  static_assert(!kContextFrom<OutputDevice>);
  static_assert(!kContextFrom<OutputDevice, FontService>);
  static_assert(kContextFrom<OutputDevice, FontService, RenderScratch>);
  RecordingDevice dev;
  dev.SelectColorPass(kInk, {0, 0, 0, 200});
  FixedMetricsFonts fonts;
  RenderScratch used, other;
  RenderContext ctx{dev, fonts, used};
  LineDef d;
  d.f.LineColor = kInk;
  d.f.LineWidth = 10;
  d.f.MainLength = 30;
  d.f.MainGap = 10;
  DrawLineObject(ctx, Line({U(0, 0), U(100, 0), U(100, 100)}), d.Record());
  EXPECT_FALSE(dev.Of(Kind::Stroke).empty());
  EXPECT_EQ(used.Line().path.PointCount(), 3);  // the line was walked in the buffers handed in
  EXPECT_EQ(other.Line().path.PointCount(), 0);
}

// --- Solid main line ----------------------------------------------------------------------------

TEST_F(LineSymbolTest, SolidLineIsTheStoredPointsWithTheirCurves) {
  LineDef d = Dashed(12, 0, 0, 0);
  d.f.LineEnds = 1;
  const ObjectRecord obj = Line(
      {U(0, 0), U(10, 20, kFirstCurvePoint), U(30, 20, kSecondCurvePoint), U(40, 0), U(80, 0)});
  Draw(d, obj);
  const auto strokes = Strokes();
  ASSERT_EQ(strokes.size(), 1u);
  EXPECT_EQ(strokes[0].path, obj.coords);
  EXPECT_EQ(strokes[0].width, 12);
  EXPECT_EQ(strokes[0].style, 1);
}

TEST_F(LineSymbolTest, ClosedSolidLineRepeatsItsFirstSegment) {
  Draw(Dashed(12, 0, 0, 0), Line({U(0, 0), U(100, 0), U(100, 100), U(0, 0)}));
  const auto strokes = Strokes();
  ASSERT_EQ(strokes.size(), 1u);
  EXPECT_EQ(UnitsOf(strokes[0].path),
            (std::vector<P>{{0, 0}, {100, 0}, {100, 100}, {0, 0}, {100, 0}}));
}

TEST_F(LineSymbolTest, StrayCurveFlagsAreNotPassedOn) {
  // A first control point without the two points a cubic needs.
  const ObjectRecord obj = Line({U(0, 0), U(50, 0), U(60, 10, kFirstCurvePoint)});
  Draw(Dashed(12, 0, 0, 0), obj);
  const auto strokes = Strokes();
  ASSERT_EQ(strokes.size(), 1u);
  for (Coord c : strokes[0].path) EXPECT_EQ(c.x & 0xff, 0);
}

TEST_F(LineSymbolTest, SolidLineWithDistancesIsWalked) {
  LineDef d = Dashed(12, 0, 0, 0);
  d.f.DistFromStart = 10;
  d.f.DistToEnd = 20;
  Draw(d, Line({U(0, 0), U(50, 0, 0, kCornerPoint), U(100, 0)}));
  const auto strokes = Strokes();
  ASSERT_EQ(strokes.size(), 1u);
  EXPECT_EQ(UnitsOf(strokes[0].path), (std::vector<P>{{10, 0}, {50, 0}, {80, 0}}));
}

TEST_F(LineSymbolTest, DistanceLongerThanTheFirstSectionDoesNotDoubleBack) {
  LineDef d = Dashed(12, 0, 0, 0);
  d.f.DistFromStart = 30;
  Draw(d, Line({U(0, 0), U(10, 0, 0, kCornerPoint), U(10, 100)}));
  const auto strokes = Strokes();
  ASSERT_EQ(strokes.size(), 1u);
  EXPECT_EQ(UnitsOf(strokes[0].path), (std::vector<P>{{10, 20}, {10, 100}}));
}

TEST_F(LineSymbolTest, DistancesCoveringTheWholeLineLeaveNothing) {
  LineDef d = Dashed(12, 0, 0, 0);
  d.f.DistFromStart = 60;
  d.f.DistToEnd = 50;
  Draw(d, Straight(100));
  EXPECT_TRUE(Drawn().empty());
}

// --- Pointed ends -------------------------------------------------------------------------------

TEST_F(LineSymbolTest, PointedEndsTaperOverTheirDistances) {
  LineDef d = Dashed(30, 0, 0, 0);
  d.f.LineEnds = 2;
  d.f.DistFromStart = 60;
  d.f.DistToEnd = 60;
  const auto calls = Draw(d, Straight(300));
  ASSERT_EQ(calls.size(), 3u);
  ASSERT_EQ(calls[0].kind, Kind::Fill);
  EXPECT_EQ(UnitsOf(calls[0].path),
            (std::vector<P>{{0, 0}, {30, 10}, {60, 15}, {60, -15}, {30, -10}}));
  ASSERT_EQ(calls[1].kind, Kind::Stroke);
  EXPECT_EQ(UnitsOf(calls[1].path), (std::vector<P>{{60, 0}, {240, 0}}));
  EXPECT_EQ(calls[1].style, 1);
  ASSERT_EQ(calls[2].kind, Kind::Fill);
  EXPECT_EQ(UnitsOf(calls[2].path),
            (std::vector<P>{{240, 15}, {270, 10}, {300, 0}, {270, -10}, {240, -15}}));
}

TEST_F(LineSymbolTest, PointedEndsShrinkOnAShortLine) {
  LineDef d = Dashed(30, 0, 0, 0);
  d.f.LineEnds = 2;
  d.f.DistFromStart = 60;
  d.f.DistToEnd = 60;
  // 3 * 120 / 2 > 100: each taper is round(40 * 100 / 120) = 33 long, its middle at 16.
  const auto calls = Draw(d, Straight(100));
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(Units(calls[0].path[1]).x, 16);
  EXPECT_EQ(Units(calls[0].path[2]).x, 33);
  EXPECT_EQ(UnitsOf(calls[1].path), (std::vector<P>{{33, 0}, {67, 0}}));
  EXPECT_EQ(Units(calls[2].path[0]).x, 67);
  EXPECT_EQ(Units(calls[2].path[1]).x, 84);
}

TEST_F(LineSymbolTest, PointedStartOfSeveralSectionsUsesTheFirstSection) {
  LineDef d = Dashed(30, 0, 0, 0);
  d.f.LineEnds = 2;
  d.f.DistFromStart = 60;
  // 3 * 60 / 2 > 80: the taper is 2 * 60 / 3 = 40 long.
  const auto calls = Draw(d, Line({U(0, 0), U(80, 0, 0, kCornerPoint), U(80, 100)}));
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(Units(calls[0].path[2]).x, 40);
  EXPECT_EQ(UnitsOf(calls[1].path), (std::vector<P>{{40, 0}, {80, 0}, {80, 100}}));
  EXPECT_EQ(calls[1].style, 2);  // no pointed end: the line's own style
}

TEST_F(LineSymbolTest, ThinPointedLineHasNoTaper) {
  LineDef d = Dashed(30, 0, 0, 0);
  d.f.LineEnds = 2;
  d.f.DistFromStart = 60;
  d.f.DistToEnd = 60;
  // 30 map units cover 30 * 256 / 25600 = 0.3 device units.
  dev.State().scaleX = 1.0 / 25600;
  dev.State().scaleY = -1.0 / 25600;
  const auto calls = Draw(d, Straight(300));
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].kind, Kind::Stroke);
  EXPECT_EQ(UnitsOf(calls[0].path), (std::vector<P>{{0, 0}, {300, 0}}));
  EXPECT_EQ(calls[0].style, 1);
}

// --- Symbols along the line ---------------------------------------------------------------------

TEST_F(LineSymbolTest, MainSymbolsSitInTheMiddleOfTheGaps) {
  LineDef d;
  d.f.MainLength = 30;
  d.f.MainGap = 10;
  d.f.EndLength = 10;
  d.f.NPrimSym = 1;
  d.main = DotList(kInk, 10);
  Draw(d, Straight(100));
  std::vector<P> centres;
  for (const RecordedCall& c : Dots()) centres.push_back(Units(c.centre));
  // Gaps 9..19, 45..55, 81..91 (the end and main dashes as in the dashed line).
  EXPECT_EQ(centres, (std::vector<P>{{14, 0}, {50, 0}, {86, 0}}));
}

TEST_F(LineSymbolTest, GroupsOfMainSymbolsAreCentredAndSecondarySymbolsSitInTheDashes) {
  LineDef d;
  d.f.MainLength = 30;
  d.f.MainGap = 10;
  d.f.EndLength = 10;
  d.f.NPrimSym = 2;
  d.f.PrimSymDist = 6;
  d.f.SecDSize = 3;
  d.main = DotList(kInk, 10);
  d.sec = DotList(kInk, 4);
  Draw(d, Straight(100));
  std::vector<int> mainX, secX;
  for (const RecordedCall& c : Dots())
    (c.diameter == 10 ? mainX : secX).push_back(Units(c.centre).x);
  EXPECT_EQ(mainX, (std::vector<int>{11, 17, 47, 53, 83, 89}));
  EXPECT_EQ(secX, (std::vector<int>{29, 65}));  // 15 after the first two positions only
}

// A group centred near a section's start reaches back before it: onto the line before the
// corner, or onto the line's first point, never off the line.
TEST_F(LineSymbolTest, GroupsOfMainSymbolsStayOnTheLine) {
  LineDef d;
  d.f.MainLength = 30;
  d.f.MainGap = 4;
  d.f.NPrimSym = 3;
  d.f.PrimSymDist = 20;
  d.main = DotList(kInk, 6);
  Draw(d, Line({U(0, 0), U(100, 0, 0, kCornerPoint), U(100, 100)}));
  const auto dots = Dots();
  ASSERT_FALSE(dots.empty());
  bool atStart = false, beforeCorner = false;
  for (const RecordedCall& c : dots) {
    const P u = Units(c.centre);
    EXPECT_TRUE((u.y == 0 && u.x >= 0 && u.x <= 100) || (u.x == 100 && u.y >= 0 && u.y <= 100))
        << u;
    atStart |= u == P{0, 0};
    beforeCorner |= u.y == 0 && u.x > 70 && u.x < 100;
  }
  EXPECT_TRUE(atStart);       // the first group's first symbol, 18 before the start
  EXPECT_TRUE(beforeCorner);  // the second section's first group reaching round the corner
}

TEST_F(LineSymbolTest, StartAndEndSymbolsTurnWithTheLine) {
  LineDef d;
  d.f.StartDSize = 4;
  d.f.EndDSize = 4;
  d.start = ElementList({{kElementLine, 0, kInk, 3, 0, {U(0, 0), U(10, 0)}}});
  d.end = ElementList({{kElementLine, 0, kInk, 5, 0, {U(-10, 0), U(0, 0)}}});
  Draw(d, Line({U(0, 0), U(0, 100)}));
  const auto strokes = Strokes();
  ASSERT_EQ(strokes.size(), 2u);
  EXPECT_EQ(UnitsOf(strokes[0].path), (std::vector<P>{{0, 0}, {0, 10}}));
  EXPECT_EQ(strokes[0].width, 3);
  EXPECT_EQ(UnitsOf(strokes[1].path), (std::vector<P>{{0, 90}, {0, 100}}));
}

TEST_F(LineSymbolTest, SymbolsAreDrawnOnlyInTheirOwnColourPass) {
  LineDef d;
  d.f.MainLength = 30;
  d.f.MainGap = 10;
  d.f.EndLength = 10;
  d.f.NPrimSym = 1;
  d.main =
      ElementList({{kElementDot, 0, 3, 0, 10, {U(0, 0)}}, {kElementDot, 0, 4, 0, 6, {U(0, 0)}}});
  Draw(d, Straight(100), 3);
  for (const RecordedCall& c : Dots()) EXPECT_EQ(c.diameter, 10);
  EXPECT_EQ(Dots().size(), 3u);
  Draw(d, Straight(100), 9);
  EXPECT_TRUE(Drawn().empty());
}

TEST_F(LineSymbolTest, DecreasingSymbolsEndAtTheirLastSize) {
  LineDef d;
  d.f.MainLength = 40;
  d.f.NPrimSym = 1;
  d.f.DecMode = 1;
  d.f.DecLast = 50;
  d.main = ElementList({{kElementDot, 0, kInk, 0, 20, {U(0, 0)}},
                        {kElementLine, 0, kInk, 2, 0, {U(0, -10), U(0, 10)}}});
  // A' = 30: n = round(100 / 30) = 3, e = 100 / 3 / 0.75; factors 1, 5/6, 4/6, 1/2.
  Draw(d, Straight(100));
  std::vector<P> centres;
  std::vector<int> diameters;
  for (const RecordedCall& c : Dots()) {
    centres.push_back(Units(c.centre));
    diameters.push_back(c.diameter);
  }
  EXPECT_EQ(centres, (std::vector<P>{{0, 0}, {41, 0}, {74, 0}, {100, 0}}));
  EXPECT_EQ(diameters, (std::vector<int>{20, 17, 13, 10}));
  const auto strokes = Strokes();
  ASSERT_EQ(strokes.size(), 4u);
  EXPECT_EQ(UnitsOf(strokes[0].path), (std::vector<P>{{0, -10}, {0, 10}}));
  EXPECT_EQ(UnitsOf(strokes[3].path), (std::vector<P>{{100, -5}, {100, 5}}));
  for (const RecordedCall& c : strokes) EXPECT_EQ(c.width, 2);  // widths never scale
}

TEST_F(LineSymbolTest, DecreasingTowardsBothEndsIsSymmetric) {
  LineDef d;
  d.f.MainLength = 20;
  d.f.NPrimSym = 1;
  d.f.DecMode = 2;
  d.f.DecLast = 50;
  d.main = DotList(kInk, 20);
  // A' = 15: n = round(120 / 15) = 8.
  Draw(d, Straight(120));
  const auto dots = Dots();
  ASSERT_EQ(dots.size(), 9u);
  for (size_t i = 0; i < dots.size(); ++i) {
    const RecordedCall& a = dots[i];
    const RecordedCall& b = dots[dots.size() - 1 - i];
    EXPECT_EQ(Units(a.centre).x + Units(b.centre).x, 120) << i;
    EXPECT_EQ(a.diameter, b.diameter) << i;
  }
  EXPECT_EQ(Units(dots[4].centre).x, 60);
  EXPECT_EQ(dots[4].diameter, 20);
  EXPECT_EQ(dots[0].diameter, 10);
  EXPECT_EQ(Units(dots[0].centre).x, 0);
}

TEST_F(LineSymbolTest, DecreasingTowardsTheStartMirrorsTheFirstSection) {
  LineDef d;
  d.f.MainLength = 40;
  d.f.NPrimSym = 1;
  d.f.DecMode = 2;
  d.f.DecLast = 50;
  d.main = DotList(kInk, 20);
  Draw(d, Line({U(0, 0), U(100, 0, 0, kCornerPoint), U(200, 0)}));
  std::vector<P> centres;
  std::vector<int> diameters;
  for (const RecordedCall& c : Dots()) {
    centres.push_back(Units(c.centre));
    diameters.push_back(c.diameter);
  }
  EXPECT_EQ(
      centres,
      (std::vector<P>{{0, 0}, {26, 0}, {59, 0}, {100, 0}, {100, 0}, {141, 0}, {174, 0}, {200, 0}}));
  EXPECT_EQ(diameters, (std::vector<int>{10, 13, 17, 20, 20, 17, 13, 10}));
}

TEST_F(LineSymbolTest, DecreasingWithUndrawnEndsStaysOnTheLine) {
  LineDef d;
  d.f.MainLength = 40;
  d.f.NPrimSym = 1;
  d.f.DecMode = 1;
  d.f.DecLast = 50;
  d.f.DistFromStart = 20;
  d.f.DistToEnd = 30;
  d.main = DotList(kInk, 20);
  Draw(d, Straight(150));
  const auto dots = Dots();
  ASSERT_FALSE(dots.empty());
  EXPECT_EQ(Units(dots.front().centre).x, 20);
  EXPECT_EQ(Units(dots.back().centre).x, 120);
}

// --- Corner symbols -----------------------------------------------------------------------------

TEST_F(LineSymbolTest, CornerSymbolFollowsTheBisectorAndWidensLikeAMitre) {
  LineDef d;
  d.f.CornerDSize = 4;
  d.corner = ElementList({{kElementLine, 0, kInk, 4, 0, {U(0, -10), U(0, 10)}}});
  Draw(d, Line({U(0, 0), U(100, 0, 0, kCornerPoint), U(100, 100)}));
  const auto strokes = Strokes();
  ASSERT_EQ(strokes.size(), 1u);
  // Direction 45 degrees; across the line 10 * sqrt(2) = 14, turned: (+-10, -+10).
  EXPECT_EQ(UnitsOf(strokes[0].path), (std::vector<P>{{110, -10}, {90, 10}}));
}

TEST_F(LineSymbolTest, CornerSymbolsOnlyAtCornerPoints) {
  LineDef d;
  d.f.CornerDSize = 3;
  d.corner = DotList(kInk, 8);
  Draw(d, Line({U(0, 0), U(50, 0), U(50, 50, 0, kCornerPoint), U(100, 50, 0, kCornerPoint),
                U(150, 0)}));
  std::vector<P> centres;
  for (const RecordedCall& c : Dots()) centres.push_back(Units(c.centre));
  EXPECT_EQ(centres, (std::vector<P>{{50, 50}, {100, 50}}));
  // A reversal widens at most four times.
  Draw(d, Line({U(0, 0), U(100, 0, 0, kCornerPoint), U(0, 0)}));
  ASSERT_EQ(Dots().size(), 1u);
  EXPECT_EQ(Dots()[0].diameter, 32);
}

// --- Double lines -------------------------------------------------------------------------------

LineDef Road(int mode, bool fill) {
  LineDef d;
  d.f.DblMode = static_cast<uint16_t>(mode);
  d.f.DblFlags = fill ? 1 : 0;
  d.f.DblWidth = 20;
  d.f.DblLeftWidth = 4;
  d.f.DblRightWidth = 6;
  d.f.DblLeftColor = kInk;
  d.f.DblRightColor = kInk;
  d.f.DblFillColor = 2;
  d.f.DblLength = 40;
  d.f.DblGap = 10;
  return d;
}

TEST_F(LineSymbolTest, FullDoubleLinesLieAtTheirOffsets) {
  Draw(Road(1, false), Line({U(0, 0), U(100, 0), U(200, 0)}));
  const auto strokes = Strokes();
  ASSERT_EQ(strokes.size(), 2u);
  // Left of the direction of travel: -((20 + 4) div 2) = -12; right: (6 + 20) div 2 = 13.
  EXPECT_EQ(UnitsOf(strokes[0].path), (std::vector<P>{{0, 12}, {100, 12}, {200, 12}}));
  EXPECT_EQ(strokes[0].width, 4);
  EXPECT_EQ(strokes[0].style, 0);
  EXPECT_EQ(UnitsOf(strokes[1].path), (std::vector<P>{{0, -13}, {100, -13}, {200, -13}}));
  EXPECT_EQ(strokes[1].width, 6);
}

TEST_F(LineSymbolTest, LeftLineDashedRightLineFull) {
  Draw(Road(2, false), Straight(200));
  const auto strokes = Strokes();
  ASSERT_EQ(strokes.size(), 5u);
  // n = round(190 / 50) = 4 cells of 52.5: dashes end 10 before each cell's end.
  Spans left;
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Units(strokes[static_cast<size_t>(i)].path[0]).y, 12);
    left.emplace_back(Units(strokes[static_cast<size_t>(i)].path.front()).x,
                      Units(strokes[static_cast<size_t>(i)].path.back()).x);
  }
  EXPECT_EQ(left, (Spans{{0, 42}, {52, 95}, {105, 148}, {158, 200}}));
  EXPECT_EQ(UnitsOf(strokes[4].path), (std::vector<P>{{0, -13}, {200, -13}}));
}

TEST_F(LineSymbolTest, DashedDoubleLinesHaveNoGapAtACorner) {
  Draw(Road(3, false), Line({U(0, 0), U(100, 0, 0, kCornerPoint), U(100, 100)}));
  bool joined = false;
  for (const RecordedCall& c : Strokes()) {
    const auto pts = UnitsOf(c.path);
    // The right line's mitred corner (113, -13) lies inside a dash.
    for (size_t i = 1; i + 1 < pts.size(); ++i) joined = joined || pts[i] == P{113, -13};
  }
  EXPECT_TRUE(joined);
  // Each section of 100: n = round(90 / 50) = 2 per side and section, the dashes at the corner
  // joined: 3 strokes per side.
  EXPECT_EQ(Strokes().size(), 6u);
}

TEST_F(LineSymbolTest, NoLeftLineBreaksOnlyTheLeftLine) {
  LineDef d = Road(1, true);
  d.f.DblFillColor = kInk;
  const ObjectRecord obj = Line({U(0, 0), U(100, 0), U(200, 0, kNoLeftLine), U(300, 0), U(400, 0)});
  Draw(d, obj);
  const auto strokes = Strokes();
  ASSERT_EQ(strokes.size(), 3u);
  EXPECT_EQ(UnitsOf(strokes[0].path), (std::vector<P>{{0, 12}, {100, 12}, {200, 12}}));
  EXPECT_EQ(UnitsOf(strokes[1].path), (std::vector<P>{{300, 12}, {400, 12}}));
  EXPECT_EQ(UnitsOf(strokes[2].path),
            (std::vector<P>{{0, -13}, {100, -13}, {200, -13}, {300, -13}, {400, -13}}));
  const auto fills = Fills();
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(UnitsOf(fills[0].path), (std::vector<P>{{0, 10},
                                                    {100, 10},
                                                    {200, 10},
                                                    {300, 10},
                                                    {400, 10},
                                                    {400, -10},
                                                    {300, -10},
                                                    {200, -10},
                                                    {100, -10},
                                                    {0, -10}}));
}

TEST_F(LineSymbolTest, NoRightLineOnTheLastSegmentEndsTheRightLineEarly) {
  LineDef d = Road(1, false);
  Draw(d, Line({U(0, 0), U(100, 0), U(200, 0, 0, kNoRightLine), U(300, 0)}));
  const auto strokes = Strokes();
  ASSERT_EQ(strokes.size(), 2u);
  EXPECT_EQ(UnitsOf(strokes[1].path), (std::vector<P>{{0, -13}, {100, -13}, {200, -13}}));
}

// A closed road: both sides begin and end on the closing point's mitre and join there like at
// any other corner (the first segment drawn again, as it was first drawn); the fill meets
// itself along the mitre.
TEST_F(LineSymbolTest, ClosedDoubleLinesJoinAtTheirClosingPoint) {
  const ObjectRecord square = Line({U(0, 0), U(100, 0), U(100, 100), U(0, 100), U(0, 0)});
  Draw(Road(1, true), square);
  const auto strokes = Strokes();
  ASSERT_EQ(strokes.size(), 2u);
  EXPECT_EQ(UnitsOf(strokes[0].path),
            (std::vector<P>{{12, 12}, {88, 12}, {88, 88}, {12, 88}, {12, 12}, {88, 12}}));
  EXPECT_EQ(
      UnitsOf(strokes[1].path),
      (std::vector<P>{{-13, -13}, {113, -13}, {113, 113}, {-13, 113}, {-13, -13}, {113, -13}}));
  Draw(Road(1, true), square, 2);
  const auto fills = Fills();
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(UnitsOf(fills[0].path), (std::vector<P>{{10, 10},
                                                    {90, 10},
                                                    {90, 90},
                                                    {10, 90},
                                                    {10, 10},
                                                    {-10, -10},
                                                    {-10, 110},
                                                    {110, 110},
                                                    {110, -10},
                                                    {-10, -10}}));
  // A dashed side's last dash goes on over the first dash's first segment.
  Draw(Road(2, false), square);
  const auto dashed = Strokes();
  ASSERT_GE(dashed.size(), 3u);
  const std::vector<P> first = UnitsOf(dashed.front().path);
  const std::vector<P> last = UnitsOf(dashed[dashed.size() - 2].path);
  ASSERT_GE(last.size(), 3u);
  EXPECT_EQ(last[last.size() - 2], (P{12, 12}));
  EXPECT_EQ(last.back(), first[1]);
  // An open line keeps its plain ends, and so does a side whose closing segment is left out.
  Draw(Road(1, false), Line({U(0, 0), U(100, 0), U(100, 100), U(0, 100), U(0, 1)}));
  EXPECT_EQ(UnitsOf(Strokes()[0].path).size(), 5u);
  Draw(Road(1, false), Line({U(0, 0), U(100, 0), U(100, 100), U(0, 100, kNoLeftLine), U(0, 0)}));
  ASSERT_EQ(Strokes().size(), 2u);
  EXPECT_EQ(UnitsOf(Strokes()[0].path), (std::vector<P>{{0, 12}, {88, 12}, {88, 88}, {0, 88}}));
  EXPECT_EQ(UnitsOf(Strokes()[1].path).size(), 6u);  // the right side still closes
}

TEST_F(LineSymbolTest, LongFillIsCutIntoStripsSharingTheirEdges) {
  LineDef d = Road(1, true);
  d.f.DblLeftWidth = 0;
  d.f.DblRightWidth = 0;
  std::vector<Coord> pts;
  for (int i = 0; i < 100; ++i) pts.push_back(U(10 * i, (i % 2) * 3));
  Draw(d, Line(pts), 2);
  const auto fills = Fills();
  // Strips end at points 29, 58 and 87, and at the last point.
  ASSERT_EQ(fills.size(), 4u);
  EXPECT_EQ(fills[0].path.size(), 60u);
  EXPECT_EQ(fills[3].path.size(), 26u);
  for (size_t k = 1; k < fills.size(); ++k) {
    const auto& prev = fills[k - 1].path;
    const auto& cur = fills[k].path;
    const size_t half = prev.size() / 2;
    EXPECT_EQ(cur.front(), prev[half - 1]) << k;  // the shared left point
    EXPECT_EQ(cur.back(), prev[half]) << k;       // the shared right point
  }
  for (const RecordedCall& c : fills) EXPECT_EQ(c.style, 0);
}

TEST_F(LineSymbolTest, FillOverACurveReversesTheRightEdgeControlPoints) {
  LineDef d = Road(1, true);
  const ObjectRecord obj =
      Line({U(0, 0), U(0, 100, kFirstCurvePoint), U(100, 100, kSecondCurvePoint), U(100, 0)});
  Draw(d, obj, 2);
  const auto fills = Fills();
  ASSERT_EQ(fills.size(), 1u);
  const auto& path = fills[0].path;
  const size_t half = path.size() / 2;
  // Left edge forward, right edge backward: every cubic still has its first control point first.
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i].x & kFirstCurvePoint) {
      ASSERT_LT(i + 2, path.size());
      EXPECT_TRUE(path[i + 1].x & kSecondCurvePoint) << i;
      EXPECT_EQ(path[i + 2].x & 3, 0) << i;
    }
  }
  EXPECT_EQ(path[half].x & 3, 0);
}

TEST_F(LineSymbolTest, LayersComeInTheirOrder) {
  LineDef d = Road(1, true);
  d.f.DblFillColor = kInk;
  d.f.LineColor = kInk;
  d.f.LineWidth = 3;
  d.f.CornerDSize = 3;
  d.corner = DotList(kInk, 8);
  d.f.NPrimSym = 1;
  d.f.MainLength = 50;
  d.main = ElementList({{kElementCircle, 0, kInk, 1, 5, {U(0, 0)}}});
  const auto calls = Draw(d, Line({U(0, 0), U(100, 0, 0, kCornerPoint), U(100, 100)}));
  std::vector<Kind> kinds;
  for (const RecordedCall& c : calls)
    if (kinds.empty() || kinds.back() != c.kind) kinds.push_back(c.kind);
  EXPECT_EQ(kinds,
            (std::vector<Kind>{Kind::Stroke, Kind::Ring, Kind::Dot, Kind::Stroke, Kind::Fill}));
}

// --- Damaged records and outside input ---------------------------------------------------------

TEST_F(LineSymbolTest, DamagedRecordDrawsTheFallbackLine) {
  LineDef d = Dashed(30, 30, 10, 10);
  d.main = DotList(kInk, 10);
  d.f.NPrimSym = 1;
  const SymbolRecord rec = d.Record();
  LineSymbol claimsMore = *LineSymbol::Decode(rec);
  claimsMore.PrimDSize = 5;  // the main list claims more than the record holds
  dev.Clear();
  const ObjectRecord obj = Line({U(0, 0), U(100, 0), U(100, 50)});
  DrawLineObject(ctx, obj, claimsMore.Encode());
  const auto calls = Drawn();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].kind, Kind::Stroke);
  EXPECT_EQ(calls[0].width, 15);
  EXPECT_EQ(calls[0].style, 0);
  EXPECT_TRUE(calls[0].alternative);
  EXPECT_EQ(calls[0].path, obj.coords);
  EXPECT_FALSE(dev.State().useAlternative);
}

TEST_F(LineSymbolTest, AbsurdLengthsAndGapsDrawWithoutFault) {
  for (int16_t a : {0, -5, 1, 32767}) {
    for (int16_t g : {0, -5, 1, 32767}) {
      for (int16_t e : {0, -5, 1, 32767}) {
        LineDef d = Dashed(10, a, g, e);
        d.f.SecGap = g;
        d.f.EndGap = 1;
        d.f.DistFromStart = e;
        d.f.DblMode = 3;
        d.f.DblLeftWidth = 2;
        d.f.DblRightWidth = 2;
        d.f.DblLeftColor = kInk;
        d.f.DblRightColor = kInk;
        d.f.DblLength = a;
        d.f.DblGap = g;
        d.f.NPrimSym = 3;
        d.f.PrimSymDist = e;
        d.f.DecMode = static_cast<uint16_t>(a & 3);
        d.f.DecLast = e;
        d.main = DotList(kInk, 5);
        Draw(d, Line({U(0, 0), U(300, 0, 0, kCornerPoint), U(300, 400)}));
        // Dashes of one unit and one-unit gaps along 700 units: a few thousand calls at most.
        EXPECT_LT(dev.calls.size(), 5000u) << a << " " << g << " " << e;
        for (const RecordedCall& c : Strokes()) {
          for (Coord p : c.path) {
            EXPECT_GE(p.x >> 8, -32767 * 8);
            EXPECT_LE(p.x >> 8, 32767 * 8);
          }
        }
      }
    }
  }
}

TEST_F(LineSymbolTest, TinyDashesAlongAHugeLineRunThrough) {
  LineDef d = Dashed(10, 1, 1, 0);
  d.f.NPrimSym = 1;
  d.f.MainLength = 1;
  d.main = DotList(kInk, 5);
  d.f.DblMode = 3;
  d.f.DblLeftWidth = 2;
  d.f.DblLeftColor = kInk;
  d.f.DblLength = 1;
  d.f.DblGap = 1;
  // About 2^24 units: millions of one-unit dashes, far more than anyone can see.
  const ObjectRecord obj =
      Line({U(-4000000, 0), U(4000000, 0, 0, kCornerPoint), U(4000000, 4000000)});
  const auto start = std::chrono::steady_clock::now();
  Draw(d, obj);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(dev.calls.size(), 2000000u);
  EXPECT_LT(seconds, 30.0);  // a guard against endless work, not a speed measure
  EXPECT_FALSE(Strokes().empty());
}

TEST_F(LineSymbolTest, LongLinesWithCoincidentPointsAndHugeCoordinates) {
  std::mt19937 rng(1234);
  std::uniform_int_distribution<int32_t> coord(-4000000, 4000000);
  std::uniform_int_distribution<int> flags(0, 15);
  LineDef d = Road(3, true);
  d.f.DblFillColor = kInk;
  d.f.LineColor = kInk;
  d.f.LineWidth = 20;
  d.f.LineEnds = 2;
  d.f.MainLength = 300;
  d.f.MainGap = 50;
  d.f.EndLength = 100;
  d.f.SecGap = 20;
  d.f.DistFromStart = 500;
  d.f.DistToEnd = 500;
  d.f.NPrimSym = 2;
  d.f.PrimSymDist = 40;
  d.f.CornerDSize = 3;
  d.main = DotList(kInk, 10);
  d.corner = DotList(kInk, 10);
  for (int round = 0; round < 4; ++round) {
    std::vector<Coord> pts;
    for (int i = 0; i < 2000; ++i) {
      const int f = flags(rng);
      const bool repeat = !pts.empty() && f < 4;
      const Coord p = repeat ? pts.back() : U(coord(rng), coord(rng));
      // Curve flags anywhere, corners, gaps and ring starts at random.
      pts.push_back({(p.x & ~0xff) | (f & 7), (p.y & ~0xff) | ((f >> 1) & 7)});
    }
    Draw(d, Line(pts));
    EXPECT_FALSE(Strokes().empty());
    d.f.MainGap = 0;  // the solid line on later rounds
  }
  // Every point the same.
  Draw(d, Line(std::vector<Coord>(2000, U(5, 5, 0, kCornerPoint))));
  for (const RecordedCall& c : Dots()) EXPECT_TRUE(c.centre.SamePlace(U(5, 5))) << Units(c.centre);
}

}  // namespace
}  // namespace zelk
