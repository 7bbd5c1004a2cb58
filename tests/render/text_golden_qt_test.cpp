// Texts drawn with real fonts on a QPainter: place names, framed paragraphs, line texts.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <memory>
#include <string>

#include "golden_qt.h"
#include "render/font_service_qt.h"
#include "render/painter_device.h"
#include "render/text_render.h"
#include "render/text_symbol.h"

namespace zelk {
namespace {

constexpr int kBlack = 1;
constexpr int kBlue = 2;
constexpr int kRed = 3;
constexpr int kGrey = 4;
constexpr Cmyk kBlackCmyk{0, 0, 0, 200};
constexpr Cmyk kBlueCmyk{200, 60, 0, 0};
constexpr Cmyk kRedCmyk{0, 200, 200, 0};
constexpr Cmyk kGreyCmyk{0, 0, 0, 70};

Coord U(int32_t x, int32_t y, int32_t xf = 0, int32_t yf = 0) {
  return Coord::FromUnits(x, y, xf, yf);
}

// A white picture of `width` x `height` pixels, ten map units to a pixel, (0, 0) at the lower
// left, with the renderer's context on it.
class Picture {
 public:
  Picture(int width, int height) : image(width, height, QImage::Format_RGB32) {
    image.fill(Qt::white);
    painter = std::make_unique<QPainter>(&image);
    OutputState s;
    s.scaleX = 1.0 / (10 * 256);
    s.scaleY = -s.scaleX;
    s.originY = height * 10 * 256;
    s.curveTolerance = 5;
    device = std::make_unique<PainterDevice>(*painter, s);
    device->SetFontService(&fonts);
    ctx = std::make_unique<RenderContext>(RenderContext{*device, fonts, scratch});
  }

  // Draws objects colour by colour, the last colour first, as a redraw does.
  template <typename F>
  void Passes(F draw) {
    const std::pair<int, Cmyk> colors[] = {
        {kGrey, kGreyCmyk}, {kRed, kRedCmyk}, {kBlue, kBlueCmyk}, {kBlack, kBlackCmyk}};
    for (const auto& [number, cmyk] : colors) {
      device->SelectColorPass(number, cmyk);
      draw();
    }
  }

  void Line(std::initializer_list<Coord> points, int width) {
    auto it = points.begin();
    device->BeginPath(*it);
    for (++it; it != points.end(); ++it) device->AddPoint(*it);
    device->StrokePath(width, kStyleFlatBevel);
  }

  QImage Finish() {
    device.reset();
    painter.reset();
    return image;
  }

  QtFontService fonts;
  RenderScratch scratch;
  QImage image;
  std::unique_ptr<QPainter> painter;
  std::unique_ptr<PainterDevice> device;
  std::unique_ptr<RenderContext> ctx;
};

TextSymbolFields Font(const std::string& name, int size, int color = kBlack, int weight = 400) {
  TextSymbolFields f;
  f.font = {name, static_cast<int16_t>(color), static_cast<int16_t>(size),
            static_cast<int16_t>(weight), 0};
  f.wordSpace = 100;
  f.lineSpace = 120;
  return f;
}

ObjectRecord Text(int32_t x, int32_t y, const std::string& text, int angle = 0) {
  ObjectRecord o;
  o.type = ObjectType::Text;
  o.angle = static_cast<int16_t>(angle);
  o.coords = {U(x, y)};
  o.SetText(text);
  return o;
}

TEST(TextPicture, PlaceNamesAlignedTurnedAndWithSecondFontAndLineBelow) {
  Picture p(480, 260);
  TextSymbolFields town = Font("Arial", 140, kBlack, 700);
  TextSymbolFields centred = Font("Times New Roman", 120);
  centred.alignment = kAlignCenter;
  centred.font.italic = 1;
  TextSymbolFields right = Font("Courier New", 100, kBlue);
  right.alignment = kAlignRight;
  TextSymbolFields turned = Font("Arial", 100, kRed);
  TextSymbolFields shadow = Font("Arial", 120, kBlack, 700);
  shadow.sfOn = 1;
  shadow.secondFont = {"Arial", kGrey, 120, 700, 0};
  shadow.sfOfx = 15;
  shadow.sfOfy = -15;
  shadow.lbOn = 1;
  shadow.lbColor = kRed;
  shadow.lbWidth = 25;
  shadow.lbDist = 60;
  shadow.charSpace = 20;
  TextSymbolFields missing = Font("No Such Face 1234", 100);
  p.Passes([&] {
    if (p.device->State().passColor == kRed) {
      // Cross marks at the anchors of the aligned texts.
      p.Line({U(2350, 1800), U(2450, 1800)}, 8);
      p.Line({U(2400, 1750), U(2400, 1850)}, 8);
      p.Line({U(4600, 1350), U(4600, 1550)}, 8);
    }
    DrawTextObject(*p.ctx, Text(150, 2200, "Zelkow"), MakeTextSymbol(1, town));
    DrawTextObject(*p.ctx, Text(2400, 1800, "Mittelberg"), MakeTextSymbol(2, centred));
    DrawTextObject(*p.ctx, Text(4600, 1400, "Kote 512"), MakeTextSymbol(3, right));
    DrawTextObject(*p.ctx, Text(300, 150, "Nordhang", 900), MakeTextSymbol(4, turned));
    DrawTextObject(*p.ctx, Text(900, 300, "Steinbruch", 300), MakeTextSymbol(5, turned));
    DrawTextObject(*p.ctx, Text(2200, 350, "Hochmoor"), MakeTextSymbol(6, shadow));
    DrawTextObject(*p.ctx, Text(2300, 900, "\xc4gidius \x80 5"), MakeTextSymbol(7, missing));
  });
  ExpectMatchesGolden(p.Finish(), "text_place_names");
}

TEST(TextPicture, FramedTextWithParagraphsTabsAndJustification) {
  Picture p(480, 300);
  TextSymbolFields f = Font("Arial", 60);
  f.alignment = kAlignJustified;
  f.indentFirst = 150;
  f.paraSpace = 60;
  f.tabCount = 2;
  f.tabs[0] = 1200;
  f.tabs[1] = 2600;
  f.lbOn = 1;
  f.lbColor = kBlue;
  f.lbWidth = 15;
  f.lbDist = 40;
  ObjectRecord o;
  o.type = ObjectType::Rectangle;
  o.coords = {U(200, 200), U(4400, 200), U(4400, 2850), U(200, 2850)};
  o.SetText(
      "Legend\tSymbol\tPage\r\n"
      "The survey of the northern slopes was carried out in spring; contours are drawn "
      "every five metres, with index contours every twenty-five metres and form lines where "
      "the ground needs them.\r\n"
      "Cliffs\t201.0\t12\r\nMarshes\t310.5\t14");
  p.Passes([&] {
    if (p.device->State().passColor == kRed) {
      p.Line({U(200, 200), U(4400, 200), U(4400, 2850), U(200, 2850), U(200, 200)}, 10);
    }
    DrawFramedTextObject(*p.ctx, o, MakeTextSymbol(1, f));
  });
  ExpectMatchesGolden(p.Finish(), "text_framed");
}

TEST(TextPicture, LineTextsFollowCurvesAndTurnOverOnLinesDrawnLeftwards) {
  Picture p(480, 260);
  TextSymbolFields river = Font("Times New Roman", 110, kBlue);
  river.font.italic = 1;
  river.alignment = kLineAll;
  river.sfOn = 1;
  river.secondFont = {"Times New Roman", kGrey, 110, 400, 1};
  river.sfOfx = 10;
  river.sfOfy = -10;
  TextSymbolFields road = Font("Arial", 90, kBlack);
  road.alignment = kLineCenter;
  ObjectRecord curve;
  curve.type = ObjectType::Line;
  curve.coords = {U(300, 600), U(1500, 2400, kFirstCurvePoint), U(2800, -300, kSecondCurvePoint),
                  U(4500, 1500)};
  curve.SetText("Schwarzbach");
  ObjectRecord leftwards;
  leftwards.type = ObjectType::Line;
  leftwards.coords = {U(4600, 2300), U(2600, 2000), U(400, 2400)};
  leftwards.SetText("Alte Landstrasse");
  p.Passes([&] {
    if (p.device->State().passColor == kBlue) {
      p.device->BeginPath(curve.coords[0]);
      for (size_t i = 1; i < curve.coords.size(); ++i) p.device->AddPoint(curve.coords[i]);
      p.device->StrokePath(20, kStyleRound);
    }
    if (p.device->State().passColor == kRed) {
      p.Line({leftwards.coords[0], leftwards.coords[1], leftwards.coords[2]}, 10);
    }
    DrawLineTextObject(*p.ctx, curve, MakeLineTextSymbol(1, river));
    DrawLineTextObject(*p.ctx, leftwards, MakeLineTextSymbol(2, road));
  });
  ExpectMatchesGolden(p.Finish(), "text_line_texts");
}

// Measured advances and drawn glyphs come from the same face: ten letters laid out in a row
// cover nine advances and the ink of the last letter.
TEST(TextPicture, DrawnGlyphsAgreeWithTheMeasuredWidths) {
  for (const char* name : {"Arial", "Times New Roman", "Courier New", "No Such Face 1234"}) {
    Picture p(600, 100);
    TextSymbolFields f = Font(name, 150);  // 529 map units, 53 pixels
    p.device->SelectColorPass(kBlack, kBlackCmyk);
    DrawTextObject(*p.ctx, Text(100, 300, "MMMMMMMMMM"), MakeTextSymbol(1, f));
    const QImage image = p.Finish();
    int left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (image.pixel(x, y) != qRgb(255, 255, 255)) {
          left = std::min(left, x);
          right = std::max(right, x);
        }
      }
    }
    ASSERT_GE(right, 0) << name;
    QtFontService fonts;
    FontRequest r;
    r.name = fonts.IsInstalled(name) ? name : "Times New Roman";
    r.height = 529;
    const double advance = std::nearbyint(fonts.CharWidth(r, U'M'));
    const QRectF ink = fonts.GlyphPath(r.name, 400, false, U'M').boundingRect();
    const double k = 529.0 / QtFontService::kReferenceSize / 10;  // pixels per glyph unit
    const double expected = (9 * advance) / 10 + ink.width() * k;
    EXPECT_NEAR(right - left + 1, expected, 2.5) << name;
    EXPECT_NEAR(left, 10 + ink.left() * k, 1.5) << name;
  }
}

}  // namespace
}  // namespace zelk
