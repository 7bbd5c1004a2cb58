// A small map scene rendered as a bitmap export renders it, at 100 and at 600 DPI.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <string>
#include <vector>

#include "golden_qt.h"
#include "line_symbol_test_util.h"
#include "render/object_renderer.h"
#include "render/painter_device.h"
#include "render/view_transform.h"

namespace zelk {
namespace {

using linetest::ElementList;
using linetest::Line;
using linetest::LineDef;
using test::U;

constexpr int kBlack = 1;
constexpr int kBrown = 2;
constexpr int kYellow = 3;
constexpr int kGreen = 4;
constexpr int kWidthUnits = 4000;  // 40 mm
constexpr int kHeightUnits = 2500;

struct Colour {
  int number;
  Cmyk cmyk;
};
// In table order: the first lies on top.
const std::vector<Colour> kTable = {{kBlack, {0, 0, 0, 200}},
                                    {kBrown, {0, 112, 200, 80}},
                                    {kGreen, {160, 0, 200, 0}},
                                    {kYellow, {0, 40, 200, 0}}};

// A fence: a hairline with a tick and a small post every 1 mm.
LineDef Fence() {
  LineDef d;
  d.f.LineColor = kBlack;
  d.f.LineWidth = 10;
  d.f.MainLength = 100;
  d.f.NPrimSym = 1;
  d.main = ElementList({{kElementLine, 0, kBlack, 10, 0, {U(0, 0), U(0, 60)}},
                        {kElementDot, 0, kBlack, 0, 15, {U(0, 0)}}});
  return d;
}

// A closed road: two side lines with a fill between.
LineDef Road() {
  LineDef d;
  d.f.DblMode = 1;
  d.f.DblFlags = 1;
  d.f.DblWidth = 120;
  d.f.DblLeftWidth = 20;
  d.f.DblRightWidth = 20;
  d.f.DblLeftColor = kBlack;
  d.f.DblRightColor = kBlack;
  d.f.DblFillColor = kYellow;
  return d;
}

// A contour: a 0.6 mm line.
LineDef Contour() {
  LineDef d;
  d.f.LineColor = kBrown;
  d.f.LineWidth = 60;
  d.f.LineEnds = 1;
  return d;
}

// Marsh: thin hatch lines with a structure of small dots.
SymbolRecord Marsh() {
  test::AreaFields f;
  f.hatchMode = 1;
  f.hatchColor = kGreen;
  f.hatchLineWidth = 10;
  f.hatchDist = 50;
  f.hatchAngle1 = 300;
  f.structMode = 2;
  f.structWidth = 150;
  f.structHeight = 120;
  f.structure = {{kElementDot, 0, kBlack, 0, 15, {U(0, 0)}}};
  return test::MakeAreaSymbol(f);
}

QImage Scene(int dpi) {
  const auto side = [dpi](int units) {
    return static_cast<int>(std::lround(dpi * units / 2540.0)) + 1;
  };
  QImage image(side(kWidthUnits), side(kHeightUnits), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  OutputState s;
  s.screen = false;
  SetResolutionTransform(s, dpi, 1.0, 0, U(0, kHeightUnits).y);
  s.clipRectangle = {0, 0, U(kWidthUnits, 0).x, U(0, kHeightUnits).y};
  {
    PainterDevice device(painter, s);
    FixedMetricsFonts fonts;
    RenderScratch scratch;
    RenderContext ctx{device, fonts, scratch};
    const SymbolRecord fence = Fence().Record(), road = Road().Record(),
                       contour = Contour().Record(), marsh = Marsh();
    const ObjectRecord fenceLine =
        Line({U(200, 2300), U(2000, 2300, 0, kCornerPoint), U(3800, 1950)});
    const ObjectRecord roadLine =
        Line({U(2300, 300), U(3800, 300), U(3800, 1300), U(2300, 1300), U(2300, 300)});
    const ObjectRecord contourLine = Line({U(300, 1700), U(1200, 2150, kFirstCurvePoint),
                                           U(2800, 1250, kSecondCurvePoint), U(3700, 1700)});
    const ObjectRecord marshArea =
        test::Object(ObjectType::Area, {U(200, 200), U(1900, 200), U(1900, 1400), U(200, 1400)});
    for (auto colour = kTable.rbegin(); colour != kTable.rend(); ++colour) {
      device.SelectColorPass(colour->number, colour->cmyk);
      DrawAreaObject(ctx, marshArea, marsh);
      DrawLineObject(ctx, contourLine, contour);
      DrawLineObject(ctx, roadLine, road);
      DrawLineObject(ctx, fenceLine, fence);
    }
  }
  painter.end();
  return image;
}

// Every tick, post and hatch line shows at a coarse resolution; the closed road has a whole
// corner at its closing point; the contour is smooth at a fine one.
TEST(ResolutionGoldenTest, SceneAt100Dpi) {
  ExpectMatchesGolden(Scene(100), "scene_100dpi", 24, 0);
}

TEST(ResolutionGoldenTest, SceneAt600Dpi) {
  ExpectMatchesGolden(Scene(600), "scene_600dpi", 24, 60);
}

// The fence's ticks alternate with nothing at 100 DPI when the posts took the lines' pen away:
// every tick must have ink above the line.
TEST(ResolutionGoldenTest, EveryFenceTickShowsAt100Dpi) {
  const QImage image = Scene(100);
  const double px = 100 / 2540.0;
  const int lineRow = static_cast<int>(std::lround((kHeightUnits - 2300) * px));
  int missing = 0;
  // A tick every 1 mm (about 4 pixels) along the straight first section.
  for (int i = 1; i <= 17; ++i) {
    const int x = static_cast<int>(std::lround((200 + i * 100) * px));
    bool ink = false;
    for (int dx = -1; dx <= 1; ++dx)
      for (int dy = 1; dy <= 2; ++dy)
        ink |= image.pixel(x + dx, lineRow - dy) != qRgb(255, 255, 255);
    if (!ink) ++missing;
  }
  EXPECT_EQ(missing, 0);
}

}  // namespace
}  // namespace zelk
