// Glyph pictures: characters copied from them are pixel for pixel the characters filled from
// their outlines; the caches of the font service stay within their budgets.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "render/font_service_qt.h"
#include "render/painter_device.h"
#include "render/text_render.h"
#include "render/text_symbol.h"

namespace zelk {
namespace {

constexpr int kWidth = 360, kHeight = 200;

struct Case {
  const char* name;
  const char* font;
  int size;  // tenths of a point
  int weight;
  bool italic;
  int angle;             // tenths of a degree
  double unitsPerPixel;  // map units (0.01 mm) per device pixel
  bool antialiased;
  bool background;  // coloured areas under the texts
  bool clip;        // the painter clipped to a whole-pixel rectangle
  QImage::Format format = QImage::Format_RGB32;
};

const std::vector<std::string> kTexts = {
    "Hamburg-Altona 1234", "Ober Sankt Veit",     "Lake Windermere", "Marsh & Moor (ruin)",
    "Ymir Quay; WAVE=vew", "jiggly fjord Tiffin", "___ === --- +++", "AAAA VVVV WWWW",
    "Hamburg-Altona 1234", "Lake Windermere",     "Hill 217 m",      "Zzyzx Road #42"};

// The texts of kTexts in rows from the top, the first and last reaching over the edges.
std::vector<ObjectRecord> Texts(const Case& c) {
  std::vector<ObjectRecord> texts;
  const double unitsHigh = kHeight * c.unitsPerPixel;
  for (size_t i = 0; i < kTexts.size(); ++i) {
    ObjectRecord o;
    o.type = ObjectType::Text;
    o.angle = static_cast<int16_t>(c.angle);
    const double x = (static_cast<double>(i % 3) * 120.0 - (i == 0 ? 20 : 3)) * c.unitsPerPixel;
    const double y = unitsHigh - (static_cast<double>(i) * 17.0 + 9) * c.unitsPerPixel;
    o.coords = {Coord::FromUnits(static_cast<int32_t>(x), static_cast<int32_t>(y))};
    o.SetText(kTexts[i]);
    texts.push_back(std::move(o));
  }
  return texts;
}

SymbolRecord Symbol(const Case& c) {
  TextSymbolFields f;
  f.font = {c.font, 1, static_cast<int16_t>(c.size), static_cast<int16_t>(c.weight),
            static_cast<int16_t>(c.italic ? 1 : 0)};
  return MakeTextSymbol(1010, f);
}

OutputState StateFor(double unitsPerPixel) {
  OutputState s;
  s.screen = false;
  s.scaleX = 1.0 / (unitsPerPixel * 256);
  s.scaleY = -s.scaleX;
  s.originY = static_cast<int32_t>(kHeight * unitsPerPixel) * 256;
  return s;
}

// Draws the texts of a case twice over (the second time a glyph is asked for, its picture is
// made), in two colours. `clipPath` clips the painter to a circle instead.
QImage Draw(const Case& c, QtFontService& fonts, bool pictures, bool clipPath = false) {
  QImage image(kWidth, kHeight, c.format);
  image.fill(Qt::white);
  QPainter painter(&image);
  if (c.background) {
    painter.fillRect(30, 20, 200, 90, QColor(40, 150, 220));
    painter.fillRect(150, 70, 170, 120, QColor(250, 210, 30));
  }
  if (c.clip) painter.setClipRect(QRect(11, 6, 320, 170));
  if (clipPath) {
    QPainterPath circle;
    circle.addEllipse(QPointF(180.3, 100.6), 120.2, 80.7);
    painter.setClipPath(circle);
  }
  PainterDevice device(painter, StateFor(c.unitsPerPixel));
  device.SetAntialiasing(c.antialiased);
  device.SetFontService(&fonts);
  device.SetGlyphImages(pictures);
  RenderScratch scratch;
  RenderContext ctx{device, fonts, scratch};
  const SymbolRecord sym = Symbol(c);
  const std::vector<ObjectRecord> texts = Texts(c);
  for (const Cmyk& cmyk : {Cmyk{0, 0, 0, 200}, Cmyk{0, 180, 200, 0}}) {
    device.SelectColorPass(1, cmyk);
    for (const ObjectRecord& o : texts) DrawTextObject(ctx, o, sym);
  }
  return image;
}

int DifferentPixels(const QImage& a, const QImage& b) {
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
  return n;
}

// Screen zooms, the bitmap export's resolutions and the "nice" scales where rounding ties are
// most likely, turned and unturned, aliased and antialiased.
const Case kCases[] = {
    {"ArialScreenAntialiased", "Arial", 80, 400, false, 0, 10, true, false, false},
    {"ArialScreenAliased", "Arial", 80, 400, false, 0, 10, false, false, false},
    {"ArialTurnedAntialiased", "Arial", 80, 400, false, 300, 10, true, true, false},
    {"ArialTurnedAliased", "Arial", 80, 400, false, 300, 10, false, true, true},
    {"ArialUpright", "Arial", 100, 700, false, 900, 12.5, true, false, true},
    {"TimesItalic96Dpi", "Times New Roman", 100, 400, true, 0, 2540.0 / 96, true, true, true},
    {"TimesOddAngle", "Times New Roman", 120, 700, false, 1234, 2540.0 / 96, true, false, false},
    {"CourierBold300Dpi", "Courier New", 90, 700, false, 0, 2540.0 / 300, false, true, false},
    {"CourierBold300DpiSmooth", "Courier New", 90, 700, false, 0, 2540.0 / 300, true, true, true},
    {"Arial600Dpi", "Arial", 60, 400, false, 0, 2540.0 / 600, true, false, false},
    {"ArialTiny", "Arial", 40, 400, false, 0, 25, true, true, false},
    {"NarrowPremultiplied", "Arial Narrow", 80, 400, false, 450, 10, true, true, false,
     QImage::Format_ARGB32_Premultiplied},
};

TEST(GlyphPictures, CopiesGiveThePixelsOfFilledOutlines) {
  for (const Case& c : kCases) {
    QtFontService filled, copied;
    const QImage expected = Draw(c, filled, false);
    const QImage actual = Draw(c, copied, true);
    EXPECT_EQ(DifferentPixels(expected, actual), 0) << c.name;
    EXPECT_EQ(filled.GlyphImages().PicturesMade(), 0) << c.name;
    // Most glyphs were copied: the comparison is not between two fills. Upright stems turned
    // into long partial spans, and rounding ties at 600 DPI, are filled.
    EXPECT_GT(copied.GlyphImages().PicturesMade(), 40) << c.name;
    EXPECT_GT(copied.GlyphImages().PicturesMade(), 2 * copied.GlyphImages().PicturesRefused())
        << c.name;
  }
}

// Random angles and heights at screen scales and export resolutions; at the round ones glyph
// corners often fall on the rasterizer's rounding edges.
TEST(GlyphPictures, RandomTextsAreCopiedExactly) {
  std::mt19937 random(2024);
  std::uniform_int_distribution<int> size(40, 160), angle(0, 3599), turned(0, 2), aa(0, 1);
  for (int round = 0; round < 6; ++round) {
    Case c{"random",
           round % 2 ? "Times New Roman" : "Arial",
           size(random),
           400,
           round == 3,
           turned(random) == 0 ? angle(random) : 0,
           10,
           aa(random) == 1,
           round % 3 == 0,
           round == 4};
    const double scales[] = {10, 2540.0 / 96, 2540.0 / 300, 2540.0 / 600, 12.5, 7.31};
    c.unitsPerPixel = scales[round];
    QtFontService filled, copied;
    EXPECT_EQ(DifferentPixels(Draw(c, filled, false), Draw(c, copied, true)), 0)
        << c.font << " size " << c.size << " angle " << c.angle << " aa " << c.antialiased
        << " scale " << c.unitsPerPixel;
  }
}

TEST(GlyphPictures, AreNotUsedWhereTheyWouldNotMatch) {
  // Characters beyond screen sizes are always filled.
  Case huge{"huge", "Arial", 720, 400, false, 0, 2, true, false, false};
  QtFontService fonts;
  Draw(huge, fonts, true);
  EXPECT_EQ(fonts.GlyphImages().PicturesMade(), 0);
  EXPECT_GT(fonts.GlyphImages().PicturesRefused(), 0);

  // A clip that is not a whole-pixel rectangle blends its edges: no pictures at all.
  const Case& screen = kCases[0];
  QtFontService filled, clipped;
  const QImage expected = Draw(screen, filled, false, true);
  EXPECT_EQ(DifferentPixels(expected, Draw(screen, clipped, true, true)), 0);
  EXPECT_EQ(clipped.GlyphImages().Size(), 0u);

  // Nor on a surface whose blending differs from the premultiplied one (ARGB32).
  Case straight = screen;
  straight.format = QImage::Format_ARGB32;
  QtFontService argb;
  Draw(straight, argb, true);
  EXPECT_EQ(argb.GlyphImages().Size(), 0u);
}

TEST(GlyphPictures, AreMadeOnTheSecondRequest) {
  QtFontService fonts;
  const QColor ink(10, 20, 30);
  QImage image(60, 40, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  PainterDevice device(painter, StateFor(10));
  device.SetFontService(&fonts);
  device.SelectColorPass(1, {0, 0, 0, 200});
  CharacterSpec ch;
  ch.position = Coord::FromUnits(50, 100);
  ch.fontName = "Arial";
  ch.character = U'g';
  device.DrawCharacter(ch);
  EXPECT_EQ(fonts.GlyphImages().PicturesMade(), 0);
  EXPECT_EQ(fonts.GlyphsExtracted(), 1);
  ch.position = Coord::FromUnits(250, 100);
  device.DrawCharacter(ch);
  device.DrawCharacter(ch);
  EXPECT_EQ(fonts.GlyphImages().PicturesMade(), 1);
  EXPECT_EQ(fonts.GlyphsExtracted(), 1);  // the outline was read once
  // Another colour is another picture.
  device.SelectColorPass(2, {200, 0, 0, 0});
  device.DrawCharacter(ch);
  device.DrawCharacter(ch);
  EXPECT_EQ(fonts.GlyphImages().PicturesMade(), 2);
}

TEST(GlyphCaches, StayWithinTheirBudgets) {
  QtFontService::CacheBudget budget;
  budget.glyphPaths = 20000;
  budget.outlines = 20000;
  budget.glyphImages = 60000;
  QtFontService small(budget), roomy;
  auto work = [](QtFontService& fonts) {
    Draw(kCases[0], fonts, true);
    for (char32_t c = U'A'; c <= U'z'; ++c) fonts.GlyphOutline({"Arial", 353, 400, false}, c);
  };
  // Glyphs asked for once so far get their pictures the second time.
  for (int i = 0; i < 2; ++i) {
    work(small);
    work(roomy);
  }
  const int64_t smallReads = small.GlyphsExtracted(), roomyReads = roomy.GlyphsExtracted();
  const int64_t roomyPictures = roomy.GlyphImages().PicturesMade();
  work(small);
  work(roomy);
  EXPECT_LE(small.GlyphPathBytes(), budget.glyphPaths);
  EXPECT_LE(small.OutlineBytes(), budget.outlines);
  EXPECT_LE(small.GlyphImages().Bytes(), budget.glyphImages);
  // Evicted outlines are read again; kept ones are read once and pictures made once.
  EXPECT_GT(small.GlyphsExtracted(), smallReads);
  EXPECT_EQ(roomy.GlyphsExtracted(), roomyReads);
  EXPECT_EQ(roomy.GlyphImages().PicturesMade(), roomyPictures);
  EXPECT_GT(roomy.GlyphPathBytes(), budget.glyphPaths);
}

}  // namespace
}  // namespace zelk
