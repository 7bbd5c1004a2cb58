// Line symbols painted on images and compared with reference pictures.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <memory>
#include <vector>

#include "golden_qt.h"
#include "line_symbol_test_util.h"
#include "render/object_renderer.h"
#include "render/painter_device.h"

namespace zelk {
namespace {

using linetest::DotList;
using linetest::ElementList;
using linetest::Line;
using linetest::LineDef;
using linetest::U;

constexpr int kWidth = 240;
constexpr int kHeight = 160;

constexpr int kBlack = 1;
constexpr int kRed = 2;
constexpr int kBlue = 3;
constexpr int kYellow = 4;

struct Colour {
  int number;
  Cmyk cmyk;
};
// In table order: the first lies on top, so passes run from the last to the first.
const std::vector<Colour> kTable = {{kBlack, {0, 0, 0, 200}},
                                    {kRed, {0, 200, 200, 0}},
                                    {kBlue, {200, 100, 0, 0}},
                                    {kYellow, {0, 40, 200, 0}}};

// One pixel per map unit, map (x, y) on pixel (x, 160 - y).
OutputState PixelState() {
  OutputState s;
  s.scaleX = 1.0 / 256;
  s.scaleY = -1.0 / 256;
  s.originY = U(0, kHeight).y;
  s.clipRectangle = {0, 0, U(kWidth, 0).x, U(0, kHeight).y};
  s.curveTolerance = 1;
  return s;
}

QImage Paint(const std::vector<std::pair<LineDef, ObjectRecord>>& objects) {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    PainterDevice dev(painter, PixelState());
    FixedMetricsFonts fonts;
    RenderScratch scratch;
    RenderContext ctx{dev, fonts, scratch};
    for (auto colour = kTable.rbegin(); colour != kTable.rend(); ++colour) {
      dev.SelectColorPass(colour->number, colour->cmyk);
      for (const auto& [def, obj] : objects) {
        const SymbolRecord rec = def.Record();
        DrawLineObject(ctx, obj, rec);
      }
    }
  }
  return image;
}

// A line with a straight run, a corner and a curve.
ObjectRecord Bent(int y) {
  return Line({U(15, y), U(110, y, 0, kCornerPoint), U(150, y + 60, kFirstCurvePoint),
               U(200, y - 20, kSecondCurvePoint), U(225, y + 40)});
}

TEST(LineSymbolGoldenTest, DashedLine) {
  LineDef dashed;
  dashed.f.LineColor = kBlack;
  dashed.f.LineWidth = 6;
  dashed.f.MainLength = 40;
  dashed.f.MainGap = 12;
  dashed.f.EndLength = 20;
  LineDef cut = dashed;  // dashes with a gap in their middle, in blue
  cut.f.LineColor = kBlue;
  cut.f.LineWidth = 8;
  cut.f.SecGap = 8;
  cut.f.EndGap = 5;
  ExpectMatchesGolden(Paint({{dashed, Bent(40)}, {cut, Bent(100)}}), "line_dashed");
}

TEST(LineSymbolGoldenTest, RoadWithDoubleLinesAndFill) {
  LineDef road;
  road.f.DblMode = 1;
  road.f.DblFlags = 1;
  road.f.DblWidth = 16;
  road.f.DblLeftWidth = 3;
  road.f.DblRightWidth = 3;
  road.f.DblLeftColor = kBlack;
  road.f.DblRightColor = kBlack;
  road.f.DblFillColor = kYellow;
  LineDef track = road;  // left line dashed, right line full, no fill
  track.f.DblMode = 2;
  track.f.DblFlags = 0;
  track.f.DblLength = 20;
  track.f.DblGap = 8;
  ObjectRecord withGap = Bent(30);
  withGap.coords[0].x |= kNoLeftLine;  // no left line along the first segment
  ExpectMatchesGolden(Paint({{road, withGap}, {track, Bent(95)}}), "line_road");
}

TEST(LineSymbolGoldenTest, PointedEnds) {
  LineDef pointed;
  pointed.f.LineColor = kBlack;
  pointed.f.LineWidth = 16;
  pointed.f.LineEnds = 2;
  pointed.f.DistFromStart = 60;
  pointed.f.DistToEnd = 60;
  LineDef startOnly = pointed;
  startOnly.f.LineColor = kRed;
  startOnly.f.DistToEnd = 0;
  ExpectMatchesGolden(Paint({{pointed, Bent(35)}, {startOnly, Line({U(20, 130), U(220, 130)})}}),
                      "line_pointed");
}

TEST(LineSymbolGoldenTest, SymbolsAlongALine) {
  LineDef along;
  along.f.LineColor = kBlack;
  along.f.LineWidth = 2;
  along.f.MainLength = 50;
  along.f.MainGap = 0;
  along.f.EndLength = 10;
  along.f.NPrimSym = 2;
  along.f.PrimSymDist = 10;
  // A red triangle pointing along the line, a blue dot between groups, bars at the ends.
  along.main = ElementList({{kElementArea, 0, kRed, 0, 0, {U(-4, -6), U(4, 0), U(-4, 6)}}});
  along.sec = DotList(kBlue, 6);
  along.start = ElementList({{kElementLine, 0, kBlack, 3, 0, {U(0, -10), U(0, 10)}}});
  along.end = ElementList({{kElementLine, 0, kBlack, 3, 0, {U(-10, -6), U(0, 0), U(-10, 6)}}});
  along.f.SecDSize = static_cast<int16_t>(along.sec.size() / 8);
  along.f.StartDSize = static_cast<int16_t>(along.start.size() / 8);
  along.f.EndDSize = static_cast<int16_t>(along.end.size() / 8);
  ExpectMatchesGolden(Paint({{along, Bent(60)}}), "line_symbols_along");
}

TEST(LineSymbolGoldenTest, CornerSymbols) {
  LineDef corners;
  corners.f.LineColor = kBlack;
  corners.f.LineWidth = 4;
  corners.f.LineEnds = 2;
  corners.corner = ElementList({{kElementLine, 0, kRed, 3, 0, {U(0, -12), U(0, 12)}},
                                {kElementDot, 0, kBlue, 0, 8, {U(0, 0)}}});
  corners.f.CornerDSize = static_cast<int16_t>(corners.corner.size() / 8);
  const ObjectRecord zigzag =
      Line({U(20, 40), U(70, 120, 0, kCornerPoint), U(120, 40, 0, kCornerPoint),
            U(170, 120, 0, kCornerPoint), U(220, 110, 0, kCornerPoint), U(220, 30)});
  ExpectMatchesGolden(Paint({{corners, zigzag}}), "line_corner_symbols");
}

TEST(LineSymbolGoldenTest, DecreasingLine) {
  LineDef decreasing;
  decreasing.f.MainLength = 36;
  decreasing.f.NPrimSym = 1;
  decreasing.f.DecMode = 1;
  decreasing.f.DecLast = 30;
  decreasing.main = ElementList({{kElementLine, 0, kBlack, 2, 0, {U(0, -14), U(0, 14)}},
                                 {kElementCircle, 0, kRed, 2, 14, {U(0, 0)}}});
  decreasing.f.LineColor = kBlue;
  decreasing.f.LineWidth = 2;
  LineDef both = decreasing;
  both.f.DecMode = 2;
  ExpectMatchesGolden(Paint({{decreasing, Line({U(15, 110), U(225, 110)})},
                             {both, Line({U(15, 40), U(120, 70), U(225, 40)})}}),
                      "line_decreasing");
}

}  // namespace
}  // namespace zelk
