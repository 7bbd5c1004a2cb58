// The QPainter surface, checked pixel by pixel on small images.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "render/painter_device.h"
#include "render/view_transform.h"

namespace zelk {
namespace {

constexpr int kSize = 100;
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);

Coord U(int32_t x, int32_t y, int32_t xf = 0, int32_t yf = 0) {
  return Coord::FromUnits(x, y, xf, yf);
}

// One pixel per map unit; map (x, y) lands on pixel (x, 100 - y).
OutputState PixelState() {
  OutputState s;
  s.scaleX = 1.0 / 256;
  s.scaleY = -1.0 / 256;
  s.originY = U(0, kSize).y;
  s.clipRectangle = {0, 0, U(kSize, 0).x, U(0, kSize).y};
  s.curveTolerance = 1;
  return s;
}

// A white image with a painter and a device drawing in black.
class Canvas {
 public:
  explicit Canvas(const OutputState& state = PixelState(), QRgb background = kWhite)
      : image(kSize, kSize, QImage::Format_RGB32) {
    image.fill(background);
    painter = std::make_unique<QPainter>(&image);
    device = std::make_unique<PainterDevice>(*painter, state);
    device->SelectColorPass(0, {0, 0, 0, 200});
  }
  // Map position to the pixel under it.
  QRgb At(int x, int y) {
    Finish();
    return image.pixel(x, kSize - y);
  }
  void Finish() {
    if (painter) {
      device.reset();
      painter->end();
      painter.reset();
    }
  }
  bool Blank() {
    Finish();
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x)
        if (image.pixel(x, y) != kWhite) return false;
    return true;
  }
  void Save(const std::string& name) {
    Finish();
    image.save(QString::fromStdString(std::string(ZELK_TEST_OUTPUT_DIR) + "/" + name));
  }
  void Rect(int32_t l, int32_t b, int32_t r, int32_t t) {
    device->BeginPath(U(l, b));
    device->AddPoint(U(r, b));
    device->AddPoint(U(r, t));
    device->AddPoint(U(l, t));
  }

  QImage image;
  std::unique_ptr<QPainter> painter;
  std::unique_ptr<PainterDevice> device;
};

TEST(PainterStroke, FlatAndRoundEnds) {
  for (int style : {kStyleFlatBevel, kStyleRound, kStyleFlatMitre}) {
    Canvas c;
    c.device->BeginPath(U(20, 50));
    c.device->AddPoint(U(60, 50));
    c.device->StrokePath(10, style);
    EXPECT_EQ(c.At(40, 50), kBlack) << style;
    EXPECT_EQ(c.At(40, 53), kBlack) << style;
    EXPECT_EQ(c.At(40, 57), kWhite) << style;
    EXPECT_EQ(c.At(63, 50) == kBlack, style == kStyleRound) << style;
    EXPECT_EQ(c.At(16, 50) == kBlack, style == kStyleRound) << style;
  }
}

TEST(PainterStroke, BevelMitreAndRoundJoins) {
  auto corner = [](int style, int x, int y) {
    Canvas c;
    c.device->BeginPath(U(20, 20));
    c.device->AddPoint(U(60, 20));
    c.device->AddPoint(U(60, 60));
    c.device->StrokePath(16, style);
    return c.At(x, y) == kBlack;
  };
  // The outer corner square of the turn at (60, 20) spans 60..68 by 12..20.
  EXPECT_TRUE(corner(kStyleFlatMitre, 67, 13));
  EXPECT_FALSE(corner(kStyleFlatBevel, 67, 13));
  EXPECT_FALSE(corner(kStyleRound, 67, 13));
  EXPECT_TRUE(corner(kStyleRound, 65, 15));
  EXPECT_FALSE(corner(kStyleFlatBevel, 65, 15));
  EXPECT_TRUE(corner(kStyleFlatBevel, 63, 17));
}

TEST(PainterStroke, VeryThinLinesStillShowAndCurvesAreFollowed) {
  Canvas c;
  c.device->BeginPath(U(10, 50));
  c.device->AddPoint(U(10, 90, kFirstCurvePoint));
  c.device->AddPoint(U(90, 90, kSecondCurvePoint));
  c.device->AddPoint(U(90, 50));
  c.device->StrokePath(0, kStyleRound);  // at least one pixel
  EXPECT_EQ(c.At(50, 80), kBlack);
  EXPECT_EQ(c.At(50, 60), kWhite);
}

TEST(PainterStroke, HoleStartBreaksTheLine) {
  Canvas c;
  c.device->BeginPath(U(10, 50));
  c.device->AddPoint(U(30, 50));
  c.device->AddPoint(U(70, 50, 0, kHoleStart));
  c.device->AddPoint(U(90, 50));
  c.device->StrokePath(4, kStyleFlatBevel);
  EXPECT_EQ(c.At(20, 50), kBlack);
  EXPECT_EQ(c.At(50, 50), kWhite);
  EXPECT_EQ(c.At(80, 50), kBlack);
}

TEST(PainterStroke, LineWidthPercentageAppliesToPrintersOnly) {
  auto thickAt = [](bool screen, int percentage, int y) {
    OutputState s = PixelState();
    s.screen = screen;
    s.lineWidthPercentage = percentage;
    Canvas c(s);
    c.device->BeginPath(U(10, 50));
    c.device->AddPoint(U(90, 50));
    c.device->StrokePath(20, kStyleFlatBevel);
    return c.At(50, y) == kBlack;
  };
  EXPECT_TRUE(thickAt(true, 50, 58));
  EXPECT_FALSE(thickAt(false, 50, 58));
  EXPECT_TRUE(thickAt(false, 50, 53));
  EXPECT_TRUE(thickAt(false, 100, 58));
  EXPECT_TRUE(thickAt(false, 5, 58));  // outside 10..99: unchanged
}

TEST(PainterFill, HolesStayEmptyWhateverTheirDirection) {
  for (bool reversed : {false, true}) {
    Canvas c;
    c.Rect(10, 10, 90, 90);
    if (reversed) {
      c.device->AddPoint(U(30, 30, 0, kHoleStart));
      c.device->AddPoint(U(30, 70));
      c.device->AddPoint(U(70, 70));
      c.device->AddPoint(U(70, 30));
    } else {
      c.device->AddPoint(U(30, 30, 0, kHoleStart));
      c.device->AddPoint(U(70, 30));
      c.device->AddPoint(U(70, 70));
      c.device->AddPoint(U(30, 70));
    }
    EXPECT_TRUE(c.device->FillPath(kFillSolid));
    EXPECT_EQ(c.At(50, 50), kWhite) << reversed;
    EXPECT_EQ(c.At(20, 20), kBlack) << reversed;
    EXPECT_EQ(c.At(80, 50), kBlack) << reversed;
    EXPECT_EQ(c.At(95, 50), kWhite) << reversed;
  }
}

TEST(PainterFill, SelfOverlapFollowsTheEvenOddRule) {
  Canvas c;
  // A five-pointed star drawn in one stroke: its centre is crossed twice.
  c.device->BeginPath(U(50, 95));
  c.device->AddPoint(U(76, 14));
  c.device->AddPoint(U(7, 64));
  c.device->AddPoint(U(93, 64));
  c.device->AddPoint(U(24, 14));
  EXPECT_TRUE(c.device->FillPath(kFillSolid));
  EXPECT_EQ(c.At(50, 50), kWhite);
  EXPECT_EQ(c.At(50, 85), kBlack);
}

TEST(PainterFill, RefusesTooManyPointsAndTooLargePolygons) {
  Canvas c;
  c.device->BeginPath(U(10, 10));
  for (int i = 0; i < 128; ++i) c.device->AddPoint(U(10 + i % 80, 20 + (i % 2) * 60));
  EXPECT_FALSE(c.device->FillPath(kFillSolid));  // 129 points

  c.Rect(-20000, 10, 20000, 90);  // visible, but 40000 device units wide
  EXPECT_FALSE(c.device->FillPath(kFillSolid));
  c.Rect(-15000, 10, 14999, 90);  // 29999 wide: drawn
  EXPECT_TRUE(c.device->FillPath(kFillSolid));
  EXPECT_EQ(c.At(50, 50), kBlack);
}

TEST(PainterFill, InvisibleOrDegeneratePolygonsSucceedWithoutDrawing) {
  Canvas c;
  c.Rect(-50, 10, -10, 90);  // left of the device
  EXPECT_TRUE(c.device->FillPath(kFillSolid));
  c.Rect(110, 10, 150, 90);  // right of the clip rectangle
  EXPECT_TRUE(c.device->FillPath(kFillSolid));
  c.Rect(10, -60, 90, -10);  // below
  EXPECT_TRUE(c.device->FillPath(kFillSolid));
  c.device->BeginPath(U(50, 50));  // collapses to one pixel
  c.device->AddPoint(Coord{U(50, 50).x + 100, U(50, 50).y});
  c.device->AddPoint(Coord{U(50, 50).x, U(50, 50).y + 100});
  EXPECT_TRUE(c.device->FillPath(kFillSolid));
  EXPECT_TRUE(c.Blank());
}

// Rows (or columns) of the hatched square 20..79 that carry colour.
std::set<int> HatchLines(int passColor, bool rows) {
  Canvas c;
  c.device->SelectColorPass(passColor, {0, 0, 0, 200});
  c.Rect(20, 20, 80, 80);
  EXPECT_TRUE(c.device->FillPath(kFillHatched));
  c.Finish();
  std::set<int> lines;
  for (int a = 25; a < 75; ++a) {
    int inked = 0;
    for (int b = 25; b < 75; ++b) {
      QRgb p = rows ? c.image.pixel(b, a) : c.image.pixel(a, b);
      inked += p == kBlack;
    }
    EXPECT_TRUE(inked == 0 || inked == 50) << "line " << a << " is not uniform";
    if (inked) lines.insert(a);
  }
  return lines;
}

TEST(PainterFill, HatchDirectionFollowsTheColourNumber) {
  std::set<int> rows = HatchLines(0, true);
  EXPECT_GE(rows.size(), 5u);
  EXPECT_LE(rows.size(), 8u);
  std::set<int> columns = HatchLines(1, false);
  EXPECT_GE(columns.size(), 5u);

  // Colour 4 is horizontal again, shifted by one pixel along y.
  std::set<int> shifted = HatchLines(4, true);
  std::set<int> expected;
  for (int r : rows) expected.insert(r + 1);
  expected.erase(75);
  shifted.erase(25);
  EXPECT_EQ(shifted, expected);
}

TEST(PainterFill, DiagonalHatches) {
  for (int color : {2, 3}) {
    Canvas c;
    c.device->SelectColorPass(color, {0, 0, 0, 200});
    c.Rect(20, 20, 80, 80);
    EXPECT_TRUE(c.device->FillPath(kFillHatched));
    c.Finish();
    // Forward diagonals fall from left to right on the device, backward ones rise.
    int step = color == 2 ? 1 : -1;
    int inked = 0;
    for (int y = 30; y < 70; ++y) {
      for (int x = 30; x < 70; ++x) {
        EXPECT_EQ(c.image.pixel(x, y), c.image.pixel(x + 1, y + step)) << color;
        inked += c.image.pixel(x, y) == kBlack;
      }
    }
    EXPECT_GT(inked, 0);
    EXPECT_LT(inked, 40 * 40 / 2);
  }
}

TEST(PainterFill, HatchLeavesTheBackgroundBetweenLines) {
  const QRgb red = qRgb(255, 0, 0);
  Canvas c(PixelState(), red);
  c.device->SelectColorPass(0, {0, 0, 0, 200});
  c.Rect(20, 20, 80, 80);
  c.device->FillPath(kFillHatched);
  c.Finish();
  std::set<QRgb> colours;
  for (int y = 25; y < 75; ++y) colours.insert(c.image.pixel(50, y));
  EXPECT_EQ(colours, (std::set<QRgb>{red, kBlack}));
}

TEST(PainterClip, LimitsDrawingUntilEnded) {
  Canvas c;
  c.Rect(20, 20, 60, 60);
  ASSERT_EQ(c.device->ClipPath(), ClipResult::Clipped);
  c.Rect(0, 0, 100, 100);
  c.device->FillPath(kFillSolid);
  c.device->EndClip();
  c.device->SelectColorPass(1, {200, 0, 0, 0});
  c.device->BeginPath(U(0, 80));
  c.device->AddPoint(U(100, 80));
  c.device->StrokePath(4, kStyleFlatBevel);
  EXPECT_EQ(c.At(40, 40), kBlack);
  EXPECT_EQ(c.At(10, 40), kWhite);
  EXPECT_EQ(c.At(70, 40), kWhite);
  EXPECT_EQ(c.At(50, 80), qRgb(0, 255, 255));
}

TEST(PainterClip, NestedClipsIntersectAndHolesAreExcluded) {
  Canvas c;
  c.Rect(10, 10, 90, 90);
  c.device->AddPoint(U(40, 40, 0, kHoleStart));
  c.device->AddPoint(U(60, 40));
  c.device->AddPoint(U(60, 60));
  c.device->AddPoint(U(40, 60));
  ASSERT_EQ(c.device->ClipPath(), ClipResult::Clipped);
  c.Rect(0, 0, 50, 100);
  ASSERT_EQ(c.device->ClipPath(), ClipResult::Clipped);
  c.Rect(0, 0, 100, 100);
  c.device->FillPath(kFillSolid);
  c.device->EndClip();
  c.device->EndClip();
  EXPECT_EQ(c.At(20, 20), kBlack);
  EXPECT_EQ(c.At(45, 50), kWhite);  // in the hole
  EXPECT_EQ(c.At(70, 20), kWhite);  // outside the second clip
  EXPECT_EQ(c.At(5, 5), kWhite);
}

TEST(PainterClip, NothingVisibleAndRefused) {
  Canvas c;
  c.Rect(200, 10, 300, 90);
  EXPECT_EQ(c.device->ClipPath(), ClipResult::NothingVisible);
  c.Rect(-20000, 10, 20000, 90);
  EXPECT_EQ(c.device->ClipPath(), ClipResult::Refused);
  EXPECT_EQ(c.device->ClipDepth(), 0);
  c.Rect(0, 0, 100, 100);
  c.device->FillPath(kFillSolid);
  EXPECT_EQ(c.At(50, 50), kBlack);
}

TEST(PainterClip, ClipsLeftOpenAreUndoneWithTheDevice) {
  QImage image(10, 10, QImage::Format_RGB32);
  QPainter painter(&image);
  {
    PainterDevice d(painter, PixelState());
    d.BeginPath(U(0, 0));
    d.AddPoint(U(5, 0));
    d.AddPoint(U(5, 5));
    ASSERT_EQ(d.ClipPath(), ClipResult::Clipped);
  }
  EXPECT_FALSE(painter.hasClipping());
}

TEST(PainterDots, DiscsAndTheirVisibility) {
  OutputState s = PixelState();
  s.clipRectangle = {0, 0, U(40, 0).x, U(0, 100).y};
  Canvas c(s);
  c.device->Dot(U(20, 50), 20);
  EXPECT_EQ(c.device->ClipDepth(), 0);
  c.device->Dot(U(50, 20), 10);  // reaches exactly to the clip edge: skipped
  c.device->Dot(U(49, 80), 10);  // reaches 39, inside: drawn whole
  EXPECT_EQ(c.At(20, 50), kBlack);
  EXPECT_EQ(c.At(28, 50), kBlack);
  EXPECT_EQ(c.At(32, 50), kWhite);
  EXPECT_EQ(c.At(20, 61), kWhite);
  EXPECT_EQ(c.At(50, 20), kWhite);
  EXPECT_EQ(c.At(49, 80), kBlack);
  EXPECT_EQ(c.At(52, 80), kBlack);
}

TEST(PainterDots, RingLineLiesInsideTheDiameter) {
  Canvas c;
  c.device->Ring(U(50, 50), 4, 40);
  c.device->Ring(U(15, 15), 10, 10);  // as wide as it is large: a dot
  EXPECT_EQ(c.At(50, 50), kWhite);
  EXPECT_EQ(c.At(68, 50), kBlack);
  EXPECT_EQ(c.At(50, 32), kBlack);
  EXPECT_EQ(c.At(71, 50), kWhite);
  EXPECT_EQ(c.At(64, 50), kWhite);
  EXPECT_EQ(c.At(15, 15), kBlack);
}

class PainterText : public ::testing::Test {
 protected:
  // Ink bounds of one character drawn at (40, 40), 40 map units high.
  QRect InkOf(char32_t ch, int angle, const std::string& font = "Liberation Sans") {
    Canvas c;
    CharacterSpec character;
    character.position = U(40, 40);
    character.fontName = font;
    character.size = 11;  // 39 map units
    character.weight = 700;
    character.angle = angle;
    character.character = ch;
    c.device->SelectColorPass(2, {0, 200, 200, 0});
    c.device->DrawCharacter(character);
    c.Finish();
    QRect ink;
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        QRgb p = c.image.pixel(x, y);
        if (p == kWhite) continue;
        EXPECT_EQ(p, qRgb(255, 0, 0));
        ink |= QRect(x, y, 1, 1);
      }
    }
    return ink;
  }
};

TEST_F(PainterText, CharacterStandsOnItsBaselineInThePenColour) {
  QRect ink = InkOf(U'H', 0);
  ASSERT_FALSE(ink.isEmpty());
  // Device row of map y = 40 is 60; the capital reaches about 0.72 of the height above it.
  EXPECT_NEAR(ink.bottom(), 59, 1);
  EXPECT_NEAR(ink.top(), 60 - 29, 3);
  EXPECT_GE(ink.left(), 40);
  EXPECT_LE(ink.right(), 40 + 32);
}

TEST_F(PainterText, QuarterTurnRunsUpwards) {
  QRect ink = InkOf(U'H', 900);
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_LE(ink.right(), 40);  // the letter's top points to the left
  EXPECT_GE(ink.left(), 40 - 31);
  EXPECT_LE(ink.bottom(), 60);  // the letter advances upwards
  EXPECT_GE(ink.top(), 60 - 32);
}

TEST_F(PainterText, ControlAndInvalidCodesDrawNothing) {
  EXPECT_TRUE(InkOf(U'\n', 0).isEmpty());
  EXPECT_TRUE(InkOf(U' ', 0).isEmpty());
  EXPECT_TRUE(InkOf(char32_t{0xD800}, 0).isEmpty());
  EXPECT_TRUE(InkOf(char32_t{0x110000}, 0).isEmpty());
  // The code page's unassigned bytes arrive as C1 control characters: no replacement box.
  for (char32_t c : {0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D})
    EXPECT_TRUE(InkOf(c, 0).isEmpty()) << static_cast<int>(c);
  EXPECT_FALSE(InkOf(char32_t{0xE9}, 0).isEmpty());  // an assigned letter still shows
}

TEST(PainterColor, AlternativeColourAndPassColour) {
  Canvas c;
  c.device->SelectColorPass(5, {0, 200, 0, 0});
  c.Rect(10, 10, 40, 40);
  c.device->FillPath(kFillSolid);
  c.device->UseAlternativeColor(true);
  c.Rect(60, 60, 90, 90);
  c.device->FillPath(kFillSolid);
  EXPECT_EQ(c.At(25, 25), qRgb(255, 0, 255));
  EXPECT_EQ(c.At(75, 75), qRgb(192, 192, 192));
}

// A picture of every primitive, kept in the build folder for a look by eye.
TEST(PainterPicture, Sampler) {
  QImage image(400, 300, QImage::Format_RGB32);
  image.fill(kWhite);
  {
    QPainter painter(&image);
    OutputState s;
    s.scaleX = 4.0 / 256;  // four pixels per map unit
    s.scaleY = -4.0 / 256;
    s.originY = U(0, 75).y;
    s.curveTolerance = 1;
    PainterDevice d(painter, s);
    d.SelectColorPass(3, {0, 0, 0, 200});
    for (int style = 0; style < 3; ++style) {
      d.BeginPath(U(5 + style * 15, 5));
      d.AddPoint(U(15 + style * 15, 25));
      d.AddPoint(U(5 + style * 15, 30));
      d.StrokePath(3, style);
    }
    d.SelectColorPass(0, {0, 120, 200, 0});
    d.BeginPath(U(55, 5));
    d.AddPoint(U(95, 5));
    d.AddPoint(U(95, 35));
    d.AddPoint(U(55, 35));
    d.AddPoint(U(65, 12, 0, kHoleStart));
    d.AddPoint(U(85, 12));
    d.AddPoint(U(75, 28));
    d.FillPath(kFillSolid);
    for (int color = 0; color < 4; ++color) {
      d.SelectColorPass(color, {200, 100, 0, 0});
      d.BeginPath(U(5 + color * 12, 40));
      d.AddPoint(U(15 + color * 12, 40));
      d.AddPoint(U(15 + color * 12, 55));
      d.AddPoint(U(5 + color * 12, 55));
      d.FillPath(kFillHatched);
    }
    d.SelectColorPass(1, {0, 200, 200, 0});
    d.Ring(U(62, 48), 2, 16);
    d.Dot(U(62, 48), 5);
    d.BeginPath(U(5, 60));
    d.AddPoint(U(15, 75, kFirstCurvePoint));
    d.AddPoint(U(35, 45, kSecondCurvePoint));
    d.AddPoint(U(45, 70));
    d.StrokePath(2, kStyleRound);
    d.UseAlternativeColor(true);
    CharacterSpec ch;
    ch.fontName = "Liberation Serif";
    ch.size = 4;  // 14 map units
    const std::u32string text = U"Zelk";
    for (size_t i = 0; i < text.size(); ++i) {
      ch.position = U(75 + static_cast<int32_t>(i) * 6, 58 + static_cast<int32_t>(i) * 3);
      ch.angle = 300;
      ch.character = text[i];
      d.DrawCharacter(ch);
    }
  }
  std::string path = std::string(ZELK_TEST_OUTPUT_DIR) + "/painter_sampler.png";
  ASSERT_TRUE(image.save(QString::fromStdString(path)));
}

}  // namespace
}  // namespace zelk

int main(int argc, char** argv) {
  // Listing the tests needs the application too, and runs without CTest's environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

namespace zelk {
namespace {

// Thin lines and tiny dots are collected and drawn later; they must keep the colour, the clip
// and the order in which they were asked for.
TEST(PainterBatching, CollectedLinesAndDotsKeepTheirColourAndClip) {
  Canvas c;
  c.device->SelectColorPass(3, {200, 0, 0, 0});  // cyan
  c.device->BeginPath(U(5, 50));
  c.device->AddPoint(U(95, 50));
  c.device->StrokePath(1, kStyleFlatBevel);
  c.device->Dot(U(10, 10), 1);
  c.device->SelectColorPass(4, {0, 200, 0, 0});  // magenta, chosen before anything was flushed
  c.device->Dot(U(20, 10), 1);
  // A clip limits what follows it, not what was collected before it.
  c.Rect(0, 60, 50, 100);
  ASSERT_EQ(c.device->ClipPath(), ClipResult::Clipped);
  c.device->BeginPath(U(5, 70));
  c.device->AddPoint(U(95, 70));
  c.device->StrokePath(1, kStyleFlatBevel);
  c.device->EndClip();
  const QRgb cyan = qRgb(0, 255, 255), magenta = qRgb(255, 0, 255);
  EXPECT_EQ(c.At(10, 10), cyan);
  EXPECT_EQ(c.At(20, 10), magenta);
  EXPECT_EQ(c.At(80, 50), cyan);
  EXPECT_EQ(c.At(30, 70), magenta);
  EXPECT_EQ(c.At(80, 70), kWhite);
}

// A one-pixel line, a tiny dot and another one-pixel line of the same pen: the dot must not
// take the second line's pen away.
TEST(PainterBatching, LineDotLineWithTheSamePenDrawsBothLines) {
  for (int width : {0, 1}) {
    Canvas c;
    c.device->BeginPath(U(5, 30));
    c.device->AddPoint(U(95, 30));
    c.device->StrokePath(width, kStyleFlatBevel);
    c.device->Dot(U(50, 50), 1);
    c.device->BeginPath(U(5, 70));
    c.device->AddPoint(U(95, 70));
    c.device->StrokePath(width, kStyleFlatBevel);
    c.device->Dot(U(60, 50), 1);
    EXPECT_EQ(c.At(40, 30), kBlack) << width;
    EXPECT_EQ(c.At(50, 50), kBlack) << width;
    EXPECT_EQ(c.At(60, 50), kBlack) << width;
    EXPECT_EQ(c.At(40, 70), kBlack) << width;
  }
  // A thick line after collected dots has its own pen too.
  Canvas c;
  c.device->Dot(U(50, 50), 1);
  c.device->BeginPath(U(5, 70));
  c.device->AddPoint(U(95, 70));
  c.device->StrokePath(4, kStyleFlatBevel);
  EXPECT_EQ(c.At(40, 70), kBlack);
  EXPECT_EQ(c.At(50, 50), kBlack);
}

// Zoomed in far, a segment to a point far outside the device keeps its direction: it is cut at
// the device's edge in real numbers before any rounding.
TEST(PainterStroke, ASegmentToAFarPointKeepsItsAngle) {
  for (int width : {1, 3}) {
    Canvas c;
    c.device->BeginPath(U(0, 0));
    c.device->AddPoint(U(200000, 100000));  // slope 1/2, far beyond the device range
    c.device->StrokePath(width, kStyleFlatBevel);
    // Some pixel of the column at the line's height is inked (a thin line may step either way).
    auto inkNear = [&c](int x, int y) {
      for (int dy = -1; dy <= 1; ++dy)
        if (c.At(x, y + dy) == kBlack) return true;
      return false;
    };
    EXPECT_TRUE(inkNear(60, 30)) << width;
    EXPECT_TRUE(inkNear(90, 45)) << width;
    EXPECT_FALSE(inkNear(60, 60)) << width;  // where a clamped end would draw it (45 degrees)
  }
}

// The size check of fills looks at the real polygon: one reaching beyond the device range is
// handed back to be split rather than drawn with a clamped, misplaced corner.
TEST(PainterFill, PolygonsBeyondTheDeviceRangeAreRefusedBeforeRounding) {
  OutputState s = PixelState();
  s.clipRectangle = {0, 0, U(40000, 0).x, U(0, kSize).y};
  Canvas c(s);
  c.device->BeginPath(U(5000, 0));
  c.device->AddPoint(U(45000, 0));
  c.device->AddPoint(U(5000, 50));
  EXPECT_FALSE(c.device->FillPath(kFillSolid));
  EXPECT_TRUE(c.Blank());
}

// A thick curve at a fine resolution is flattened to a few device pixels, not to its pen width:
// drawn through the device it covers the same pixels as the exact curve.
TEST(PainterStroke, ThickCurvesAreFlattenedFinelyWhateverTheirWidth) {
  constexpr int kSide = 200;
  const double px = 600 / 2540.0;  // pixels per map unit at 600 DPI
  for (int radius : {250, 400}) {
    OutputState s;
    SetResolutionTransform(s, 600, 1.0, 0, U(0, 800).y);
    s.clipRectangle = {0, 0, U(800, 0).x, U(0, 800).y};
    QImage drawn(kSide, kSide, QImage::Format_RGB32), exact(kSide, kSide, QImage::Format_RGB32);
    drawn.fill(Qt::white);
    exact.fill(Qt::white);
    // A quarter circle about (100, 100) map units, 2 mm wide: the width once set the facets.
    const double k = 0.5523 * radius;
    const int32_t c = 100, r = radius, kk = static_cast<int32_t>(std::lround(k));
    {
      QPainter painter(&drawn);
      PainterDevice device(painter, s);
      device.SelectColorPass(0, {0, 0, 0, 200});
      device.BeginPath(U(c + r, c));
      device.AddPoint(U(c + r, c + kk, kFirstCurvePoint));
      device.AddPoint(U(c + kk, c + r, kSecondCurvePoint));
      device.AddPoint(U(c, c + r));
      device.StrokePath(200, kStyleFlatBevel);
    }
    {
      auto at = [&](double x, double y) { return QPointF(x * px, (800 - y) * px); };
      QPainterPath path(at(c + r, c));
      path.cubicTo(at(c + r, c + kk), at(c + kk, c + r), at(c, c + r));
      QPainter painter(&exact);
      QPen pen(Qt::black);
      pen.setWidth(static_cast<int>(std::lround(200 * px)));
      pen.setCapStyle(Qt::FlatCap);
      painter.setPen(pen);
      painter.drawPath(path);
    }
    int different = 0;
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x)
        if (drawn.pixel(x, y) != exact.pixel(x, y)) ++different;
    // Rounding of the edges differs by a pixel here and there; facets of a pen width differ
    // by several pixels along the whole curve (over 500 pixels).
    EXPECT_LT(different, 200) << radius;
  }
}

}  // namespace
}  // namespace zelk
