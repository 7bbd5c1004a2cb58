// The PostScript mode of every primitive, line by line: caches, paths, clips, dots, rings and
// characters as PostScript fonts or as outlines.
#include "output/postscript_device.h"

#include <gtest/gtest.h>

#include "geometry/coord_math.h"
#include "render/recording_device.h"

namespace zelk {
namespace {

Coord P(int32_t x, int32_t y, int32_t xf = 0, int32_t yf = 0) {
  return Coord::FromUnits(x, y, xf, yf);
}

// A font whose every glyph is a 100 x 100 square with a 50 x 50 hole, in map units.
class SquareFonts : public FixedMetricsFonts {
 public:
  std::vector<GlyphContour> GlyphOutline(const FontRequest& f, char32_t) override {
    ++calls;
    lastHeight = f.height;
    return {GlyphContour{{P(0, 0), P(100, 0), P(100, 100), P(0, 100)}},
            GlyphContour{{P(25, 25), P(75, 25), P(75, 75), P(25, 75)}}};
  }
  int calls = 0;
  double lastHeight = 0;
};

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find("\r\n", at);
    EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
    if (end == std::string::npos) break;
    out.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return out;
}

// A device in the units of an EPS file (0.01 mm per map unit, origin at 0, 0).
struct Ps {
  explicit Ps(PostScriptOptions o = {}, double scale = 1.0 / 256) {
    OutputState s;
    s.scaleX = s.scaleY = scale;
    dev = std::make_unique<PostScriptDevice>(lines, s, o, &fonts);
  }
  // The lines written since the last call.
  std::vector<std::string> Take() {
    const std::string& t = lines.Text();
    std::vector<std::string> out = SplitLines(t.substr(taken));
    taken = t.size();
    return out;
  }
  void Path(std::initializer_list<Coord> pts) {
    auto it = pts.begin();
    dev->BeginPath(*it);
    for (++it; it != pts.end(); ++it) dev->AddPoint(*it);
  }
  PostScriptLines lines;
  SquareFonts fonts;
  std::unique_ptr<PostScriptDevice> dev;
  size_t taken = 0;
};

using Lines = std::vector<std::string>;

TEST(PostScriptPrimitives, ColourWidthAndJoinAreWrittenOnlyWhenTheyChange) {
  Ps ps;
  ps.dev->SelectColorPass(3, Cmyk{10, 20, 30, 40});
  ps.Path({P(0, 0), P(100, 0)});
  ps.dev->StrokePath(20, kStyleFlatBevel);
  EXPECT_EQ(ps.Take(), (Lines{"10 20 30 40 cmyk", "20 w", "2 j 0 J", "n 0 0 m", "100 0 l", "S"}));
  ps.Path({P(0, 10), P(100, 10)});
  ps.dev->StrokePath(20, kStyleFlatBevel);
  EXPECT_EQ(ps.Take(), (Lines{"n 0 10 m", "100 0 l", "S"}));
  // Each join type, and the width alone.
  const std::pair<int, const char*> joins[] = {
      {kStyleRound, "1 j 1 J"}, {kStyleFlatMitre, "0 j 0 J"}, {kStyleFlatBevel, "2 j 0 J"}};
  for (const auto& [style, line] : joins) {
    ps.Path({P(0, 0), P(1, 1)});
    ps.dev->StrokePath(20, style);
    EXPECT_EQ(ps.Take(), (Lines{line, "n 0 0 m", "1 1 l", "S"})) << style;
  }
  ps.Path({P(0, 0), P(1, 1)});
  ps.dev->StrokePath(35, kStyleFlatBevel);
  EXPECT_EQ(ps.Take(), (Lines{"35 w", "n 0 0 m", "1 1 l", "S"}));
  // A new colour is written; the same colour again is not.
  ps.dev->SelectColorPass(4, Cmyk{0, 0, 0, 200});
  ps.dev->Dot(P(50, 50), 10);
  ps.dev->SelectColorPass(4, Cmyk{0, 0, 0, 200});
  ps.dev->Dot(P(60, 50), 10);
  EXPECT_EQ(ps.Take(), (Lines{"0 0 0 200 cmyk", "50 50 5 d", "60 50 5 d"}));
}

TEST(PostScriptPrimitives, SeparationsWriteTheirValueAsGrey) {
  PostScriptOptions o;
  o.separation = true;
  Ps ps(o);
  ps.dev->SelectColorPass(1, Cmyk{10, 20, 30, 150});
  ps.dev->Dot(P(0, 0), 4);
  EXPECT_EQ(ps.Take(), (Lines{"150 gray", "0 0 2 d"}));
}

TEST(PostScriptPrimitives, CachesStartUnknownSoTheFirstStrokeOfEachOutputSetsWidthAndJoin) {
  // The setup line "0 J 1 j 1 w" leaves width 1 and round joins: a first stroke of width 1 with
  // bevel joins must still say so.
  Ps ps;
  ps.dev->SelectColorPass(0, Cmyk{});
  ps.Path({P(0, 0), P(5, 0)});
  ps.dev->StrokePath(1, kStyleFlatBevel);
  EXPECT_EQ(ps.Take(), (Lines{"0 0 0 0 cmyk", "1 w", "2 j 0 J", "n 0 0 m", "5 0 l", "S"}));
  ps.dev->ResetCaches();
  ps.Path({P(0, 0), P(5, 0)});
  ps.dev->StrokePath(1, kStyleFlatBevel);
  EXPECT_EQ(ps.Take(), (Lines{"0 0 0 0 cmyk", "1 w", "2 j 0 J", "n 0 0 m", "5 0 l", "S"}));
}

TEST(PostScriptPrimitives, PathsWriteCurvesQuadraticsHolesAndRelativeMoves) {
  Ps ps;
  ps.dev->SelectColorPass(0, Cmyk{0, 0, 0, 200});
  ps.Take();
  ps.Path({P(10, 10), P(20, 30, kFirstCurvePoint), P(40, 50, kSecondCurvePoint), P(60, 10),
           P(70, 40, kSingleCurvePoint), P(80, 10), P(80, 0), P(200, 200, 0, kHoleStart),
           P(210, 200), P(210, 210)});
  ps.dev->FillPath(kFillSolid);
  EXPECT_EQ(ps.Take(), (Lines{"0 0 0 200 cmyk", "n 10 10 m", "10 20 30 40 50 0 c", "10 30 20 0 b",
                              "0 -10 l", "200 200 m", "10 0 l", "0 10 l", "f"}));
}

TEST(PostScriptPrimitives, CurveFlagsWithoutTheirPointsAreStraightPoints) {
  Ps ps;
  ps.dev->SelectColorPass(0, Cmyk{});
  ps.Take();
  // A first control point among the last two points, and a single one at the very end.
  ps.Path({P(0, 0), P(10, 0), P(20, 10, kFirstCurvePoint), P(30, 0)});
  ps.dev->StrokePath(5, kStyleRound);
  EXPECT_EQ(ps.Take(), (Lines{"0 0 0 0 cmyk", "5 w", "1 j 1 J", "n 0 0 m", "10 0 l", "10 10 l",
                              "10 -10 l", "S"}));
  ps.Path({P(0, 0), P(10, 0), P(20, 10, kSingleCurvePoint)});
  ps.dev->StrokePath(5, kStyleRound);
  EXPECT_EQ(ps.Take(), (Lines{"n 0 0 m", "10 0 l", "10 10 l", "S"}));
}

TEST(PostScriptPrimitives, RelativeMovesAreDifferencesOfRoundedPositionsAndNeverDrift) {
  // Half a device unit per map unit: positions 1, 3, 5 ... round half to even.
  Ps ps({}, 1.0 / 512);
  ps.dev->SelectColorPass(0, Cmyk{});
  ps.Take();
  ps.dev->BeginPath(P(1, 1));
  for (int x = 3; x <= 41; x += 2) ps.dev->AddPoint(P(x, 1));
  ps.dev->StrokePath(2, kStyleRound);
  const Lines out = ps.Take();
  ASSERT_EQ(out[3], "n 0 0 m");  // 0.5 rounds to 0
  int64_t x = 0;
  for (size_t i = 4; i + 1 < out.size(); ++i) x += std::stoi(out[i]);
  EXPECT_EQ(x, 20);  // 41 / 2 = 20.5 rounds to 20, whatever the steps were
  EXPECT_EQ(out.back(), "S");
}

TEST(PostScriptPrimitives, FillsAndClipsOfMoreThan128PointsAreRefusedWithoutWriting) {
  Ps ps;
  ps.dev->SelectColorPass(0, Cmyk{});
  ps.Take();
  for (int n : {128, 129}) {
    ps.dev->BeginPath(P(0, 0));
    for (int i = 1; i < n; ++i) ps.dev->AddPoint(P(i, i % 2));
    EXPECT_EQ(ps.dev->FillPath(kFillSolid), n <= 128) << n;
    EXPECT_EQ(ps.Take().size(), n <= 128 ? size_t(n) + 2 : 0u) << n;  // colour, points, "f"
    EXPECT_EQ(ps.dev->ClipPath(), n <= 128 ? ClipResult::Clipped : ClipResult::Refused) << n;
    EXPECT_EQ(ps.Take().size(), n <= 128 ? size_t(n) + 1 : 0u) << n;
    ps.dev->EndClip();
    ps.Take();
  }
  ps.Path({P(0, 0), P(1, 1)});
  EXPECT_TRUE(ps.dev->FillPath(kFillSolid));
  EXPECT_TRUE(ps.Take().empty());
}

TEST(PostScriptPrimitives, EndClipRestoresColourWidthJoinAndFont) {
  PostScriptOptions o;
  o.standardFonts = true;
  Ps ps(o);
  ps.dev->SelectColorPass(2, Cmyk{1, 2, 3, 4});
  ps.Path({P(0, 0), P(10, 0), P(10, 10)});
  EXPECT_EQ(ps.dev->ClipPath(), ClipResult::Clipped);
  ps.Path({P(0, 0), P(10, 0)});
  ps.dev->StrokePath(30, kStyleFlatMitre);
  CharacterSpec ch{P(1, 1), "Arial", 0, 0, false, 400, 100, U'x'};
  ps.dev->DrawCharacter(ch);
  ps.dev->EndClip();
  ps.dev->DrawCharacter(ch);
  EXPECT_EQ(ps.Take(), (Lines{"n 0 0 m",
                              "10 0 l",
                              "0 10 l",
                              "cl",
                              "1 2 3 4 cmyk",
                              "30 w",
                              "0 j 0 J",
                              "n 0 0 m",
                              "10 0 l",
                              "S",
                              "ANSIVec /font4 /Helvetica RE",
                              "353 /font4 F",
                              "1 1 m",
                              "(x) show",
                              "re",
                              "1 2 3 4 cmyk",
                              "30 w",
                              "0 j 0 J",
                              "353 /font4 F",
                              "1 1 m",
                              "(x) show"}));
}

TEST(PostScriptPrimitives, DotsAndRings) {
  Ps ps;
  ps.dev->SelectColorPass(0, Cmyk{0, 0, 0, 100});
  ps.dev->Dot(P(100, 200), 51);
  ps.dev->Ring(P(100, 200), 10, 60);
  ps.dev->Ring(P(100, 200), 60, 60);  // as wide as it is: a dot
  ps.dev->Dot(P(100, 200), 0);        // nothing
  EXPECT_EQ(ps.Take(), (Lines{"0 0 0 100 cmyk", "100 200 25 d", "10 w", "2 j 0 J", "100 200 25 ci",
                              "100 200 30 d"}));
  // Wholly outside the clip rectangle: skipped.
  ps.dev->State().clipRectangle = Box{0, 0, 256 * 50, 256 * 50};
  ps.dev->Dot(P(200, 200), 10);
  ps.dev->Ring(P(200, 200), 1, 10);
  ps.dev->Dot(P(55, 55), 10);  // reaches in
  EXPECT_EQ(ps.Take(), (Lines{"55 55 5 d"}));
}

TEST(PostScriptPrimitives, CharacterLinesEscapeEverythingButPlainPrintableBytes) {
  for (int b = 0; b < 256; ++b) {
    const std::string line = PostScriptShowLine(static_cast<uint8_t>(b));
    const bool plain = (b >= 32 && b <= 39) || (b >= 42 && b <= 91) || (b >= 93 && b <= 126);
    if (plain) {
      EXPECT_EQ(line, std::string("(") + static_cast<char>(b) + ") show") << b;
    } else {
      char octal[8];
      std::snprintf(octal, sizeof octal, "%03o", b);
      EXPECT_EQ(line, std::string("(\\") + octal + ") show") << b;
    }
  }
}

TEST(PostScriptPrimitives, CharactersAreWrittenAsTheirCodePageByte) {
  const std::pair<char32_t, int> cases[] = {{U'a', 0x61},      {U'\u0160', 0x8A}, {U'\u20AC', 0x80},
                                            {U'\u2019', 0x92}, {U'\u00E9', 0xE9}, {U'\u00FF', 0xFF},
                                            {U'\u0416', -1},   {U'\u4E00', -1}};
  for (const auto& [c, byte] : cases) EXPECT_EQ(CodePageByte(c), byte) << int(c);
}

TEST(PostScriptPrimitives, StandardFontsAreDefinedOnceAndTheTextAOpenBCloseTakesFourLines) {
  PostScriptOptions o;
  o.standardFonts = true;
  Ps ps(o);
  ps.dev->SelectColorPass(0, Cmyk{0, 0, 0, 200});
  ps.Take();
  int x = 0;
  for (char32_t c : std::u32string(U"a(b)")) {
    ps.dev->DrawCharacter({P(x, 0), "Arial", 0, 0, true, 700, 100, c});
    x += 10;
  }
  EXPECT_EQ(ps.Take(), (Lines{"0 0 0 200 cmyk", "ANSIVec /font7 /Helvetica-BoldOblique RE",
                              "353 /font7 F", "0 0 m", "(a) show", "10 0 m", "(\\050) show",
                              "20 0 m", "(b) show", "30 0 m", "(\\051) show"}));
  // Another size of the same font: no new definition.
  ps.dev->DrawCharacter({P(0, 0), "Arial", 0, 0, true, 700, 200, U'a'});
  EXPECT_EQ(ps.Take(), (Lines{"706 /font7 F", "0 0 m", "(a) show"}));
  EXPECT_EQ(ps.dev->FontsUsed().to_ulong(), 1ul << 7);
  EXPECT_EQ(ps.fonts.calls, 0);
}

TEST(PostScriptPrimitives, WeightAbove550IsBoldAndEachFamilyHasItsFourStyles) {
  struct Case {
    const char* name;
    int weight;
    bool italic;
    int index;
    const char* font;
  };
  const Case cases[] = {
      {"Arial", 550, false, 4, "Helvetica"},
      {"Arial", 551, false, 5, "Helvetica-Bold"},
      {"Courier New", 400, true, 2, "Courier-Oblique"},
      {"Times New Roman", 700, true, 11, "Times-BoldItalic"},
      {"Arial Narrow", 400, false, 12, "Helvetica-Narrow"},
      {"Century Gothic", 900, false, 17, "AvantGarde-Demi"},
      {"Bookman Old Style", 300, true, 22, "Bookman-LightItalic"},
      {"Century Schoolbook", 400, false, 24, "NewCenturySchlbk-Roman"},
      {"Book Antiqua", 700, true, 31, "Palatino-BoldItalic"},
  };
  for (const Case& c : cases) {
    PostScriptOptions o;
    o.standardFonts = true;
    Ps ps(o);
    ps.dev->DrawCharacter({P(0, 0), c.name, 0, 0, c.italic, c.weight, 72, U'A'});
    const Lines out = ps.Take();
    ASSERT_GE(out.size(), 3u) << c.name;
    EXPECT_EQ(out[1], "ANSIVec /font" + std::to_string(c.index) + " /" + c.font + " RE") << c.name;
    EXPECT_EQ(out[2], "254 /font" + std::to_string(c.index) + " F") << c.name;
  }
}

TEST(PostScriptPrimitives, OtherFontsTheOptionOffPassthroughAndUncodedCharactersAreOutlines) {
  struct Case {
    bool option;
    bool passthrough;
    const char* font;
    char32_t c;
  };
  const Case cases[] = {{false, false, "Arial", U'a'},
                        {true, false, "Verdana", U'a'},
                        {true, false, "arial", U'a'},  // names compare exactly
                        {true, true, "Arial", U'a'},
                        {true, false, "Arial", U'\u0416'}};
  for (const Case& c : cases) {
    PostScriptOptions o;
    o.standardFonts = c.option;
    o.passthrough = c.passthrough;
    Ps ps(o);
    ps.dev->SelectColorPass(0, Cmyk{0, 0, 0, 200});
    ps.dev->DrawCharacter({P(1000, 2000), c.font, 0, 0, false, 400, 100, c.c});
    const Lines expected{"0 0 0 200 cmyk", "n 1000 2000 m", "100 0 l", "0 100 l", "-100 0 l",
                         "1025 2025 m",    "50 0 l",        "0 50 l",  "-50 0 l", "f"};
    // A font of the table is only outlined for the uncoded character: its definition precedes.
    Lines out = ps.Take();
    if (!out.empty() && out.size() > 1 && out[1].rfind("ANSIVec", 0) == 0)
      out.erase(out.begin() + 1, out.begin() + 3);
    EXPECT_EQ(out, expected) << c.font << " " << int(c.c);
    EXPECT_EQ(ps.fonts.lastHeight, 353);
    EXPECT_EQ(ps.dev->FontsUsed().any(), c.option && !c.passthrough && c.c == U'\u0416');
  }
}

TEST(PostScriptPrimitives, TurnedCharactersAndOutlines) {
  PostScriptOptions o;
  o.standardFonts = true;
  Ps ps(o);
  ps.dev->SelectColorPass(0, Cmyk{});
  ps.Take();
  ps.dev->DrawCharacter({P(100, 200), "Arial", 0, 900, false, 400, 100, U'Z'});
  EXPECT_EQ(ps.Take(), (Lines{"0 0 0 0 cmyk", "ANSIVec /font4 /Helvetica RE", "353 /font4 F",
                              "900 100 200 rt", "0 0 m", "(Z) show", "re"}));
  // An outline turned a quarter: (100, 0) of the glyph lands 100 above the origin.
  PostScriptOptions off;
  Ps outline(off);
  outline.dev->SelectColorPass(0, Cmyk{});
  outline.Take();
  outline.dev->DrawCharacter({P(100, 200), "Arial", 0, 900, false, 400, 100, U'Z'});
  const Lines out = outline.Take();
  ASSERT_GE(out.size(), 3u);
  EXPECT_EQ(out[1], "n 100 200 m");
  EXPECT_EQ(out[2], "0 100 l");
}

TEST(PostScriptPrimitives, LongStrokesAreCutBetweenCurvesWithRoundInnerJoins) {
  // Pieces of 300 / 4 = 75 points; curves put their control points where the cuts would fall.
  for (int shift = 0; shift < 3; ++shift) {
    RecordingDevice rec;
    std::vector<Coord> pts;
    for (int i = 0; i < 300; ++i) {
      int32_t flag = 0;
      const int k = (i + shift) % 3;
      if (i > 0 && i < 298) flag = k == 1 ? kFirstCurvePoint : k == 2 ? kSecondCurvePoint : 0;
      pts.push_back(P(i * 10, (i % 7) * 3, flag));
    }
    rec.BeginPath(pts[0]);
    for (size_t i = 1; i < pts.size(); ++i) rec.AddPoint(pts[i]);
    rec.StrokeLongPath(25, kStyleFlatMitre);
    const auto strokes = rec.Of(RecordedCall::Kind::Stroke);
    ASSERT_EQ(strokes.size(), 4u) << shift;
    for (size_t s = 0; s < strokes.size(); ++s) {
      const Coord last = strokes[s].path.back();
      EXPECT_EQ(last.x & kCurveFlags, 0) << "piece " << s << " ends inside a curve";
      if (s + 1 < strokes.size()) {
        EXPECT_EQ(strokes[s + 1].path.front(), last);
      }
      const bool outer = s == 0 || s + 1 == strokes.size();
      EXPECT_EQ(strokes[s].style, outer ? kStyleFlatMitre : kStyleRound);
    }
    EXPECT_EQ(strokes.back().path.back(), pts.back());
  }
}

}  // namespace
}  // namespace zelk
