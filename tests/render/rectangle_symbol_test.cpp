// Rectangle objects: frames, rounded corners, rotation, grid lines and cell labels.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "geometry/coord_math.h"
#include "render/font_service.h"
#include "render/object_renderer.h"
#include "render/recording_device.h"
#include "symbol_builders.h"

namespace zelk {
namespace {

using test::U;
using Kind = RecordedCall::Kind;

class RectangleSymbolTest : public ::testing::Test {
 protected:
  RecordingDevice dev{test::UnitState()};
  FixedMetricsFonts fonts;
  RenderScratch scratch;
  RenderContext ctx{dev, fonts, scratch};

  void Pass(int color) {
    dev.SelectColorPass(color, {0, 0, 0, 200});
    dev.Clear();
  }
  static ObjectRecord Rect(int x, int y, int w, int h, int16_t angle = 0) {
    return test::Object(ObjectType::Rectangle, {U(x, y), U(x + w, y), U(x + w, y + h), U(x, y + h)},
                        angle);
  }
  // The labels as strings, in drawing order, split where a character starts a new cell.
  std::vector<std::string> Labels() const {
    std::vector<std::string> out;
    int32_t lastY = 0;
    double lastX = -1e18;
    for (const auto& c : dev.Of(Kind::Character)) {
      const bool continues = !out.empty() && c.character.position.y == lastY &&
                             c.character.position.x > lastX &&
                             c.character.position.x - lastX < 400 * 256;
      if (!continues) out.emplace_back();
      out.back() += static_cast<char>(c.character.character);
      lastY = c.character.position.y;
      lastX = c.character.position.x;
    }
    return out;
  }
};

TEST_F(RectangleSymbolTest, PlainFrameIsAClosedPathWithRoundJoins) {
  test::RectangleFields f;
  f.lineColor = 2;
  f.lineWidth = 40;
  Pass(2);
  DrawObject(ctx, Rect(0, 0, 300, 200), test::MakeRectangleSymbol(f));
  const auto strokes = dev.Of(Kind::Stroke);
  ASSERT_EQ(strokes.size(), 1u);
  EXPECT_EQ(strokes[0].path,
            (std::vector<Coord>{U(0, 0), U(300, 0), U(300, 200), U(0, 200), U(0, 0)}));
  EXPECT_EQ(strokes[0].width, 40);
  EXPECT_EQ(strokes[0].style, kStyleRound);
  Pass(3);
  DrawObject(ctx, Rect(0, 0, 300, 200), test::MakeRectangleSymbol(f));
  EXPECT_TRUE(dev.calls.empty());
}

TEST_F(RectangleSymbolTest, RadiusIsLimitedByHalfTheShorterSide) {
  test::RectangleFields f;
  f.radius = 50;
  Pass(0);
  DrawObject(ctx, Rect(0, 0, 30, 20), test::MakeRectangleSymbol(f));
  const auto path = dev.Of(Kind::Stroke).at(0).path;
  // Radius 10: the bottom side from (10,0) to (20,0), then the corner to (30,10); the right side
  // has no length left and is skipped.
  ASSERT_GE(path.size(), 5u);
  EXPECT_EQ(path[0], U(10, 0));
  EXPECT_EQ(path[1], U(20, 0));
  EXPECT_EQ(path[2].XFlags(), kFirstCurvePoint);
  EXPECT_EQ(path[3].XFlags(), kSecondCurvePoint);
  EXPECT_EQ(path[4], U(30, 10));
  EXPECT_EQ(path[5].XFlags(), kFirstCurvePoint);  // straight into the next corner
  EXPECT_EQ(path.back(), U(10, 0));
  EXPECT_EQ(path.size(), 1u + 1 + 4 * 3 + 1);  // start, bottom, four corners, the left side
}

TEST_F(RectangleSymbolTest, RoundedCornerControlPointsLieAlongTheSides) {
  test::RectangleFields f;
  f.radius = 20;
  Pass(0);
  DrawObject(ctx, Rect(0, 0, 100, 100), test::MakeRectangleSymbol(f));
  const auto path = dev.Of(Kind::Stroke).at(0).path;
  EXPECT_EQ(path[1], U(80, 0));
  EXPECT_EQ(path[2], U(91, 0, kFirstCurvePoint));
  EXPECT_EQ(path[3], U(100, 9, kSecondCurvePoint));
  EXPECT_EQ(path[4], U(100, 20));
}

TEST_F(RectangleSymbolTest, RotatedRectangleFrameRunsThroughItsCorners) {
  // A 200 x 100 rectangle turned by 30 degrees about its centre (100, 50).
  const double a = M_PI / 6;
  std::vector<Coord> corners;
  for (auto [x, y] : {std::pair{0, 0}, {200, 0}, {200, 100}, {0, 100}}) {
    const double dx = x - 100, dy = y - 50;
    corners.push_back(U(static_cast<int>(std::lround(100 + dx * std::cos(a) - dy * std::sin(a))),
                        static_cast<int>(std::lround(50 + dx * std::sin(a) + dy * std::cos(a)))));
  }
  ObjectRecord obj = test::Object(ObjectType::Rectangle, corners, 300);
  Pass(0);
  DrawObject(ctx, obj, test::MakeRectangleSymbol({}));
  const auto path = dev.Of(Kind::Stroke).at(0).path;
  ASSERT_EQ(path.size(), 5u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(path[i].PosX(), corners[i].PosX(), 1) << i;
    EXPECT_NEAR(path[i].PosY(), corners[i].PosY(), 1) << i;
  }
}

TEST_F(RectangleSymbolTest, GridNumberedFromTheBottomWithUnnumberedCells) {
  test::RectangleFields f;
  f.gridFlags = 1 | 4;
  f.cellWidth = 1000;
  f.cellHeight = 1000;
  Pass(0);
  DrawObject(ctx, Rect(0, 0, 3000, 2000), test::MakeRectangleSymbol(f));
  // Cells are drawn row by row from the top: the upper row holds 4 5 6.
  EXPECT_EQ(Labels(), (std::vector<std::string>{"4", "5", "6", "1", "2", "3"}));
  const auto strokes = dev.Of(Kind::Stroke);
  ASSERT_EQ(strokes.size(), 1u + 2 + 1);
  EXPECT_EQ(strokes[1].width, 13);
  EXPECT_EQ(PosOnly(strokes[1].path[0]).x, U(1000, 0).x);
  EXPECT_EQ(PosOnly(strokes[2].path[0]).x, U(2000, 0).x);
  EXPECT_EQ(strokes[3].width, 14);
  EXPECT_EQ(strokes[3].path[0].PosY(), 1000);

  f.unnumCells = 2;
  f.unnumText = "X";
  Pass(0);
  DrawObject(ctx, Rect(0, 0, 3000, 2000), test::MakeRectangleSymbol(f));
  EXPECT_EQ(Labels(), (std::vector<std::string>{"4", "X", "X", "1", "2", "3"}));
}

TEST_F(RectangleSymbolTest, LabelsStartNearTheCellCornerAndAdvanceByMeasuredWidths) {
  test::RectangleFields f;
  f.gridFlags = 3;
  f.cellWidth = 1000;
  f.cellHeight = 1000;
  Pass(0);
  // Two rows of six columns: cell 12 is the last one.
  DrawObject(ctx, Rect(0, 0, 6000, 2000), test::MakeRectangleSymbol(f));
  const auto chars = dev.Of(Kind::Character);
  ASSERT_EQ(chars.size(), 6u + 6 + 3);
  const CharacterSpec& first = chars[0].character;
  EXPECT_EQ(first.position, U(70, 2000 - 50 - 420));
  EXPECT_EQ(first.fontName, "Arial");
  EXPECT_EQ(first.weight, 700);
  EXPECT_EQ(first.size, 150);
  EXPECT_EQ(first.character, U'1');
  // "10": the second character is one measured width (0.6 x 529) to the right.
  const CharacterSpec& one = chars[9].character;
  const CharacterSpec& zero = chars[10].character;
  EXPECT_EQ(one.character, U'1');
  EXPECT_EQ(zero.character, U'0');
  EXPECT_EQ(zero.position.PosX() - one.position.PosX(), 317);
  EXPECT_EQ(one.position.PosY(), 2000 - 1050 - 420);
}

TEST_F(RectangleSymbolTest, MissingOrDamagedSymbolDrawsADefaultFrameInTheAlternativeColour) {
  SymbolRecord damaged = test::MakeRectangleSymbol({});
  damaged.Resize(400);
  Pass(0);
  for (const SymbolRecord& sym : {damaged, SymbolRecord::Undefined(0)}) {
    dev.Clear();
    DrawObject(ctx, Rect(0, 0, 100, 100), sym);
    const auto strokes = dev.Of(Kind::Stroke);
    ASSERT_EQ(strokes.size(), 1u);
    EXPECT_EQ(strokes[0].width, 25);
    EXPECT_TRUE(strokes[0].alternative);
    EXPECT_TRUE(dev.Of(Kind::Character).empty());
  }
  EXPECT_FALSE(dev.State().useAlternative);
}

TEST_F(RectangleSymbolTest, ZeroAndTinyCellsStillGiveAtLeastOneCell) {
  test::RectangleFields f;
  f.gridFlags = 1;
  f.cellWidth = 0;
  f.cellHeight = 30000;  // far larger than the rectangle: rounds to no rows, kept at one
  Pass(0);
  DrawObject(ctx, Rect(0, 0, 100, 100), test::MakeRectangleSymbol(f));
  EXPECT_EQ(dev.Of(Kind::Stroke).size(), 1u);
  EXPECT_EQ(Labels(), (std::vector<std::string>{"1"}));
}

TEST_F(RectangleSymbolTest, HugeGridsAreBounded) {
  test::RectangleFields f;
  f.gridFlags = 1;
  f.cellWidth = 1;
  f.cellHeight = 1;
  Pass(0);
  const std::vector<Coord> huge{U(-3000000, -3000000), U(3000000, -3000000), U(3000000, 3000000),
                                U(-3000000, 3000000)};
  DrawObject(ctx, test::Object(ObjectType::Rectangle, huge), test::MakeRectangleSymbol(f));
  // 32767 columns and rows at most, and no labels for billions of cells.
  EXPECT_LE(dev.Of(Kind::Stroke).size(), 1u + 2 * 32766);
  EXPECT_TRUE(dev.Of(Kind::Character).empty());
}

// Corners at the far ends of the coordinate range span more than a 32-bit word; the frame must
// still be drawn from the clamped corners, with no overflow on the way.
TEST_F(RectangleSymbolTest, RectanglesWiderThanAWordAreDrawnWithoutOverflow) {
  test::RectangleFields f;
  f.lineColor = 0;
  f.lineWidth = 10;
  f.radius = 30000;
  f.gridFlags = 1;
  f.cellWidth = 1000;
  f.cellHeight = 1000;
  Pass(0);
  const int32_t far = (1 << 23) - 1;  // the largest position of a coordinate word
  const std::vector<Coord> corners{U(-far, -far), U(far, -far), U(far, far), U(-far, far)};
  DrawObject(ctx, test::Object(ObjectType::Rectangle, corners, 450), test::MakeRectangleSymbol(f));
  const auto strokes = dev.Of(Kind::Stroke);
  ASSERT_FALSE(strokes.empty());
  for (const Coord& c : strokes[0].path) {
    EXPECT_GE(c.x, -(1 << 30));
    EXPECT_LE(c.x, (1 << 30) - 1);
  }
}

}  // namespace
}  // namespace zelk
