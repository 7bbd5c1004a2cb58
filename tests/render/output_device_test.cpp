// The checks shared by all output surfaces, seen through the recording device.
#include <gtest/gtest.h>

#include <cmath>

#include "render/recording_device.h"

namespace zelk {
namespace {

using Kind = RecordedCall::Kind;

Coord U(int32_t x, int32_t y, int32_t xf = 0, int32_t yf = 0) {
  return Coord::FromUnits(x, y, xf, yf);
}

void Polygon(OutputDevice& d, int points) {
  d.BeginPath(U(0, 0));
  for (int i = 1; i < points; ++i) d.AddPoint(U(i * 10, (i % 2) * 50));
}

TEST(OutputPath, BeginPathDiscardsThePreviousPath) {
  RecordingDevice d;
  d.BeginPath(U(1, 1));
  d.AddPoint(U(2, 2));
  d.BeginPath(U(5, 6, kFirstCurvePoint, kHoleStart));
  ASSERT_EQ(d.Path().size(), 1u);
  EXPECT_EQ(d.Path()[0], U(5, 6, kFirstCurvePoint, kHoleStart));
}

TEST(OutputPath, PointsBeyondTheBufferAreDroppedAndReported) {
  RecordingDevice d;
  d.BeginPath(U(0, 0));
  for (int i = 1; i < OutputDevice::kMaxPathPoints; ++i) d.AddPoint(U(i, 0));
  EXPECT_FALSE(d.PathOverflowed());
  d.AddPoint(U(1, 1));
  EXPECT_TRUE(d.PathOverflowed());
  EXPECT_EQ(d.Path().size(), static_cast<size_t>(OutputDevice::kMaxPathPoints));
  d.BeginPath(U(0, 0));
  EXPECT_FALSE(d.PathOverflowed());
}

TEST(OutputPath, RotationTurnsPositionsAndKeepsFlags) {
  RecordingDevice d;
  d.BeginPath(U(0, 0));
  d.AddPoint(U(100, 0, kFirstCurvePoint, kHoleStart));
  d.RotatePath(U(0, 0), 900);
  EXPECT_EQ(d.Path()[1], U(0, 100, kFirstCurvePoint, kHoleStart));

  // A quarter turn about (10, 10) takes (20, 10) to (10, 20).
  d.BeginPath(U(20, 10));
  d.RotatePath(U(10, 10), 0.0, 1.0);
  EXPECT_EQ(d.Path()[0], U(10, 20));

  // Half a turn backwards by (cos, sin) of -180 degrees.
  d.BeginPath(U(30, -40));
  d.RotatePath(U(0, 0), -1800);
  EXPECT_EQ(d.Path()[0], U(-30, 40));
}

TEST(OutputStroke, ShortPathsAndUnknownStyles) {
  RecordingDevice d;
  d.BeginPath(U(0, 0));
  d.StrokePath(10, 1);
  EXPECT_TRUE(d.Of(Kind::Stroke).empty());

  d.AddPoint(U(10, 0));
  d.StrokePath(10, 7);  // a damaged symbol's style
  d.StrokePath(10, 2);
  auto strokes = d.Of(Kind::Stroke);
  ASSERT_EQ(strokes.size(), 2u);
  EXPECT_EQ(strokes[0].style, kStyleFlatBevel);
  EXPECT_EQ(strokes[1].style, kStyleFlatMitre);
  EXPECT_EQ(strokes[1].width, 10);
  EXPECT_EQ(strokes[1].path, (std::vector<Coord>{U(0, 0), U(10, 0)}));
}

TEST(OutputStroke, LongPathBelowTheLimitIsOneStrokeWithoutRings) {
  RecordingDevice d;
  d.BeginPath(U(0, 0));
  for (int i = 1; i < 255; ++i) d.AddPoint(U(i, 0, 0, i == 100 ? kHoleStart : 0));
  d.StrokeLongPath(20, kStyleFlatMitre);
  auto strokes = d.Of(Kind::Stroke);
  ASSERT_EQ(strokes.size(), 1u);
  EXPECT_EQ(strokes[0].path.size(), 255u);
  EXPECT_EQ(strokes[0].path[100], U(100, 0));
  EXPECT_EQ(strokes[0].style, kStyleFlatMitre);
}

TEST(OutputStroke, LongPathIsCutIntoPiecesSharingTheirJoints) {
  RecordingDevice d;
  d.BeginPath(U(0, 0));
  for (int i = 1; i < 256; ++i) d.AddPoint(U(i, i % 3));
  d.StrokeLongPath(20, kStyleFlatBevel);
  auto strokes = d.Of(Kind::Stroke);
  ASSERT_EQ(strokes.size(), 4u);
  int expectedStart = 0;
  for (size_t i = 0; i < strokes.size(); ++i) {
    EXPECT_EQ(strokes[i].path.front(), U(expectedStart, expectedStart % 3)) << i;
    expectedStart = strokes[i].path.back().PosX();
  }
  EXPECT_EQ(expectedStart, 255);
  EXPECT_EQ(strokes[0].path.size(), 65u);
  EXPECT_EQ(strokes[0].style, kStyleFlatBevel);
  EXPECT_EQ(strokes[1].style, kStyleRound);
  EXPECT_EQ(strokes[2].style, kStyleRound);
  EXPECT_EQ(strokes[3].style, kStyleFlatBevel);
}

TEST(OutputStroke, LongPathPiecesNeverCutACurve) {
  RecordingDevice d;
  d.BeginPath(U(0, 0));
  for (int i = 1; i < 300; ++i) {
    // 300 points make four pieces of 75; the first would end on a control point.
    int32_t flag = i == 75 ? kFirstCurvePoint : i == 76 ? kSecondCurvePoint : 0;
    d.AddPoint(U(i, 0, flag));
  }
  d.StrokeLongPath(20, kStyleRound);
  auto strokes = d.Of(Kind::Stroke);
  ASSERT_GE(strokes.size(), 2u);
  EXPECT_EQ(strokes[0].path.back(), U(77, 0));
  EXPECT_EQ(strokes[1].path.front(), U(77, 0));
  for (const auto& s : strokes) {
    EXPECT_EQ(s.path.back().XFlags(), 0);
  }
}

TEST(OutputFill, PointCountLimits) {
  RecordingDevice d;
  Polygon(d, 2);
  EXPECT_TRUE(d.FillPath(kFillSolid));
  Polygon(d, OutputDevice::kMaxFillPoints);
  EXPECT_TRUE(d.FillPath(kFillSolid));
  Polygon(d, OutputDevice::kMaxFillPoints + 1);
  EXPECT_FALSE(d.FillPath(kFillSolid));
  auto fills = d.Of(Kind::Fill);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].path.size(), 128u);
}

TEST(OutputFill, ScriptedResultsAndStyles) {
  RecordingDevice d;
  d.fillResults = {false};
  Polygon(d, 4);
  EXPECT_FALSE(d.FillPath(kFillHatched));
  EXPECT_TRUE(d.FillPath(9));
  auto fills = d.Of(Kind::Fill);
  ASSERT_EQ(fills.size(), 2u);
  EXPECT_EQ(fills[0].style, kFillHatched);
  EXPECT_EQ(fills[1].style, kFillSolid);
}

TEST(OutputClip, ResultsAndBalancedEnds) {
  RecordingDevice d;
  d.BeginPath(U(0, 0));
  d.AddPoint(U(1, 1));
  EXPECT_EQ(d.ClipPath(), ClipResult::NothingVisible);
  EXPECT_TRUE(d.Of(Kind::Clip).empty());

  d.clipResults = {ClipResult::Refused, ClipResult::Clipped};
  Polygon(d, 5);
  EXPECT_EQ(d.ClipPath(), ClipResult::Refused);
  d.EndClip();  // nothing to end after a refusal
  EXPECT_TRUE(d.Of(Kind::EndClip).empty());
  EXPECT_EQ(d.ClipPath(), ClipResult::Clipped);
  EXPECT_EQ(d.ClipDepth(), 1);
  d.EndClip();
  d.EndClip();
  EXPECT_EQ(d.Of(Kind::EndClip).size(), 1u);
  EXPECT_EQ(d.ClipDepth(), 0);
}

class OutputDots : public ::testing::Test {
 protected:
  OutputDots() { d.State().clipRectangle = {U(0, 0).x, U(0, 0).y, U(1000, 0).x, U(0, 1000).y}; }
  RecordingDevice d;
};

TEST_F(OutputDots, DotVisibilityUsesStrictComparisonsAgainstTheClipRectangle) {
  d.Dot(U(-10, 500), 10);   // reaches exactly to the left edge
  d.Dot(U(500, 1010), 10);  // reaches exactly to the top edge
  EXPECT_TRUE(d.Of(Kind::Dot).empty());
  d.Dot(U(-9, 500), 10);
  d.Dot(U(500, 1009), 10);
  d.Dot(U(500, 500), 0);
  d.Dot(U(500, 500), -5);
  auto dots = d.Of(Kind::Dot);
  ASSERT_EQ(dots.size(), 2u);
  EXPECT_EQ(dots[0].centre, U(-9, 500));
  EXPECT_EQ(dots[0].diameter, 10);
}

TEST_F(OutputDots, RingAsWideAsItsDiameterIsADot) {
  d.Ring(U(100, 100), 30, 30);
  d.Ring(U(100, 100), 29, 30);
  d.Ring(U(100, 100), 0, 30);
  d.Ring(U(100, 100), 5, 0);
  d.Ring(U(2000, 100), 5, 30);
  ASSERT_EQ(d.calls.size(), 3u);
  EXPECT_EQ(d.calls[0].kind, Kind::Dot);
  EXPECT_EQ(d.calls[0].diameter, 30);
  EXPECT_EQ(d.calls[1].kind, Kind::Ring);
  EXPECT_EQ(d.calls[1].width, 29);
  EXPECT_EQ(d.calls[2].kind, Kind::Ring);
  EXPECT_EQ(d.calls[2].width, 0);
}

TEST(OutputColor, PassesAndTheAlternativeColour) {
  RecordingDevice d;
  d.SelectColorPass(7, {200, 0, 0, 0});
  d.BeginPath(U(0, 0));
  d.AddPoint(U(1, 0));
  d.StrokePath(5, 0);
  d.UseAlternativeColor(true);
  d.StrokePath(5, 0);
  d.UseAlternativeColor(true);  // no change, no call
  d.SelectColorPass(8, {0, 0, 0, 0}, {1, 2, 3});
  d.StrokePath(5, 0);

  auto strokes = d.Of(Kind::Stroke);
  ASSERT_EQ(strokes.size(), 3u);
  EXPECT_EQ(strokes[0].passColor, 7);
  EXPECT_EQ(strokes[0].color, (Rgb{0, 255, 255}));
  EXPECT_FALSE(strokes[0].alternative);
  EXPECT_TRUE(strokes[1].alternative);
  EXPECT_EQ(strokes[1].color, (Rgb{192, 192, 192}));
  EXPECT_FALSE(strokes[2].alternative);  // a new pass leaves the fallback colour
  EXPECT_EQ(strokes[2].color, (Rgb{1, 2, 3}));
  EXPECT_EQ(d.Of(Kind::Color).size(), 3u);
  EXPECT_EQ(d.State().DrawCmyk(), (Cmyk{0, 0, 0, 0}));
}

TEST(OutputCharacter, PassedOnUnlessEmpty) {
  RecordingDevice d;
  CharacterSpec c;
  c.position = U(10, 20);
  c.fontName = "Arial";
  c.character = U'A';
  c.angle = 450;
  d.DrawCharacter(c);
  c.size = 0;
  d.DrawCharacter(c);
  auto chars = d.Of(Kind::Character);
  ASSERT_EQ(chars.size(), 1u);
  EXPECT_EQ(chars[0].character.character, U'A');
  EXPECT_EQ(chars[0].character.angle, 450);
  CharacterSpec inch;
  inch.size = 720;  // 72 points: one inch
  EXPECT_EQ(inch.HeightUnits(), 2540.0);
  CharacterSpec tenPoints;
  tenPoints.size = 100;
  EXPECT_EQ(tenPoints.HeightUnits(), 353.0);
}

TEST(OutputRounding, HalvesToEvenAndClamps) {
  EXPECT_EQ(RoundToDevice(40000.0), 32767);
  EXPECT_EQ(RoundToDevice(-40000.0), -32764);
  EXPECT_EQ(RoundToDevice(2.5), 2);
  EXPECT_EQ(RoundToDevice(3.5), 4);
  EXPECT_EQ(RoundToDevice(-2.5), -2);
  EXPECT_EQ(RoundToCoord(1e12), 1073741823);
  EXPECT_EQ(RoundToCoord(-1e12), -1073741824);
  EXPECT_EQ(RoundToCoord(std::nan("")), 0);
}

}  // namespace
}  // namespace zelk
