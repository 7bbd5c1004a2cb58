// The Qt font service: stand-ins for the standard names, metric-compatible widths, outlines.
#include "render/font_service_qt.h"

#include <gtest/gtest.h>

namespace zelk {
namespace {

FontRequest At(const std::string& name, double height, int weight = 400, bool italic = false) {
  FontRequest r;
  r.name = name;
  r.height = height;
  r.weight = weight;
  r.italic = italic;
  return r;
}

TEST(QtFonts, StandardNamesAreInstalledThroughTheirStandIns) {
  QtFontService fonts;
  EXPECT_TRUE(fonts.IsInstalled("Arial"));
  EXPECT_TRUE(fonts.IsInstalled("Times New Roman"));
  EXPECT_TRUE(fonts.IsInstalled("Courier New"));
  EXPECT_TRUE(fonts.IsInstalled("Arial Narrow"));
  EXPECT_TRUE(fonts.IsInstalled("arial"));  // face names are matched without regard to case
  EXPECT_TRUE(fonts.IsInstalled("Liberation Sans"));
  EXPECT_FALSE(fonts.IsInstalled("No Such Face 1234"));
  EXPECT_FALSE(fonts.IsInstalled(""));
  EXPECT_EQ(fonts.FamilyFor("Arial"), "Liberation Sans");
  EXPECT_EQ(fonts.FamilyFor("Times New Roman"), "Liberation Serif");
  EXPECT_EQ(fonts.FamilyFor("Courier New"), "Liberation Mono");
  EXPECT_TRUE(fonts.FamilyFor("No Such Face 1234").isEmpty());
}

// At a height of 2048 map units a width is the advance in the fonts' own design units, which
// the stand-ins share with the faces they replace.
TEST(QtFonts, WidthsAreThoseOfTheStandardFaces) {
  QtFontService fonts;
  EXPECT_NEAR(fonts.CharWidth(At("Arial", 2048), U'A'), 1366, 0.5);
  EXPECT_NEAR(fonts.CharWidth(At("Arial", 2048), U' '), 569, 0.5);
  EXPECT_NEAR(fonts.CharWidth(At("Arial", 2048), U'W'), 1933, 0.5);
  EXPECT_NEAR(fonts.CharWidth(At("Arial", 2048, 700), U'A'), 1479, 0.5);
  EXPECT_NEAR(fonts.CharWidth(At("Times New Roman", 2048), U' '), 512, 0.5);
  EXPECT_NEAR(fonts.CharWidth(At("Courier New", 2048), U'i'), 1229, 0.5);
  EXPECT_NEAR(fonts.CharWidth(At("Courier New", 2048), U'W'), 1229, 0.5);
}

TEST(QtFonts, WidthsScaleWithTheHeight) {
  QtFontService fonts;
  const double big = fonts.CharWidth(At("Arial", 2048), U'g');
  EXPECT_NEAR(fonts.CharWidth(At("Arial", 353), U'g'), big * 353 / 2048, 1e-9);
  EXPECT_EQ(fonts.CharWidth(At("Arial", 0), U'g'), 0);
  // Ascent and descent together span a little more than the character height.
  const double ascent = fonts.Ascent(At("Arial", 1000));
  const double descent = fonts.Descent(At("Arial", 1000));
  EXPECT_GT(ascent, 800);
  EXPECT_GT(descent, 150);
  EXPECT_LT(ascent + descent, 1300);
}

TEST(QtFonts, MissingFacesMeasureAsTimesNewRoman) {
  QtFontService fonts;
  EXPECT_EQ(fonts.CharWidth(At("No Such Face 1234", 500), U'A'),
            fonts.CharWidth(At("Times New Roman", 500), U'A'));
  EXPECT_NE(fonts.CharWidth(At("Arial", 500), U'A'),
            fonts.CharWidth(At("Times New Roman", 500), U'A'));
}

TEST(QtFonts, CodesWithoutCharactersMeasureNothing) {
  QtFontService fonts;
  EXPECT_EQ(fonts.CharWidth(At("Arial", 500), char32_t{0xD800}), 0);
  EXPECT_EQ(fonts.CharWidth(At("Arial", 500), char32_t{0x110000}), 0);
  EXPECT_EQ(fonts.CharWidth(At("Arial", 500), char32_t{7}), 0);
  EXPECT_TRUE(fonts.GlyphOutline(At("Arial", 500), char32_t{0x110000}).empty());
}

TEST(QtFonts, OutlinesAreContoursOfCubicPiecesInMapUnits) {
  QtFontService fonts;
  const auto o = fonts.GlyphOutline(At("Arial", 1000), U'O');
  ASSERT_EQ(o.size(), 2u);  // outer ring and counter
  int curves = 0;
  for (const GlyphContour& c : o) {
    for (size_t i = 0; i < c.points.size(); ++i) {
      const Coord& p = c.points[i];
      EXPECT_GE(p.PosX(), 0);
      EXPECT_LE(p.PosX(), 800);
      EXPECT_GE(p.PosY(), -50);  // on the baseline, y upwards
      EXPECT_LE(p.PosY(), 760);
      if (p.XFlags() == kFirstCurvePoint) {
        ++curves;
        ASSERT_LT(i + 2, c.points.size());
        EXPECT_EQ(c.points[i + 1].XFlags(), kSecondCurvePoint);
        EXPECT_EQ(c.points[i + 2].XFlags(), 0);
      }
    }
  }
  EXPECT_GT(curves, 4);
  // A straight-sided letter has no curves; a space has no outline at all.
  const auto i = fonts.GlyphOutline(At("Arial", 1000), U'I');
  ASSERT_EQ(i.size(), 1u);
  for (const Coord& p : i[0].points) EXPECT_EQ(p.XFlags(), 0);
  EXPECT_TRUE(fonts.GlyphOutline(At("Arial", 1000), U' ').empty());
}

TEST(QtFonts, GlyphPathsFollowTheSameResolution) {
  QtFontService fonts;
  const QPainterPath& arial = fonts.GlyphPath("Arial", 400, false, U'A');
  const QPainterPath& liberation = fonts.GlyphPath("Liberation Sans", 400, false, U'A');
  EXPECT_EQ(arial.boundingRect(), liberation.boundingRect());
  const QPainterPath& missing = fonts.GlyphPath("No Such Face 1234", 400, false, U'A');
  const QPainterPath& times = fonts.GlyphPath("Times New Roman", 400, false, U'A');
  EXPECT_EQ(missing.boundingRect(), times.boundingRect());
  // Drawn at the reference size, the glyph is as wide as its measured advance allows.
  const double advance = fonts.CharWidth(At("Arial", QtFontService::kReferenceSize), U'A');
  EXPECT_LE(arial.boundingRect().right(), advance + 1);
  EXPECT_GT(arial.boundingRect().width(), advance * 0.8);
}

// The map code page's unassigned bytes become C1 control characters: no outline, no width.
TEST(QtFonts, ControlCharactersHaveNoGlyphAndNoWidth) {
  QtFontService fonts;
  for (char32_t c : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    EXPECT_TRUE(fonts.GlyphPath("Arial", 400, false, c).isEmpty()) << static_cast<int>(c);
    EXPECT_TRUE(fonts.GlyphOutline(At("Arial", 1000), c).empty()) << static_cast<int>(c);
    EXPECT_EQ(fonts.CharWidth(At("Arial", 1000), c), 0.0) << static_cast<int>(c);
  }
  EXPECT_GT(fonts.CharWidth(At("Arial", 1000), U'\u00e9'), 0.0);
}

}  // namespace
}  // namespace zelk
