// Text layout arithmetic: text objects, framed texts and line texts with fixed font metrics.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "geometry/work_path.h"
#include "render/fonts_check.h"
#include "render/recording_device.h"
#include "render/text_line.h"
#include "render/text_render.h"
#include "render/text_symbol.h"
#include "symbol_builders.h"

namespace zelk {
namespace {

using Kind = RecordedCall::Kind;

// Size 100 (ten points) is 353 map units high; every character is round(0.6 * 353) = 212 wide.
constexpr int kSize = 100;
constexpr int kW = 212;
constexpr int kFontColor = 3;
constexpr int kSecondColor = 7;
constexpr int kLineColor = 9;

Coord U(int64_t x, int64_t y, int32_t xf = 0, int32_t yf = 0) {
  return Coord::FromUnits(static_cast<int32_t>(x), static_cast<int32_t>(y), xf, yf);
}

TextSymbolFields Plain() {
  TextSymbolFields f;
  f.font.name = "Arial";
  f.font.color = kFontColor;
  f.font.size = kSize;
  f.wordSpace = 100;
  f.lineSpace = 120;
  return f;
}

ObjectRecord TextAt(int32_t x, int32_t y, const std::string& text, int angle = 0) {
  ObjectRecord o;
  o.symbol = 1010;
  o.type = ObjectType::Text;
  o.angle = static_cast<int16_t>(angle);
  o.coords = {U(x, y)};
  o.SetText(text);
  return o;
}

// A framed text whose box reaches from (left, bottom) to (left + width, top).
ObjectRecord Framed(int32_t left, int32_t bottom, int32_t width, int32_t top,
                    const std::string& text) {
  ObjectRecord o;
  o.symbol = 1020;
  o.type = ObjectType::Rectangle;
  o.coords = {U(left, bottom), U(left + width, bottom), U(left + width, top), U(left, top)};
  o.SetText(text);
  return o;
}

ObjectRecord LineText(std::vector<Coord> points, const std::string& text) {
  ObjectRecord o;
  o.symbol = 1030;
  o.type = ObjectType::Line;
  o.coords = std::move(points);
  o.SetText(text);
  return o;
}

class TextTest : public ::testing::Test {
 protected:
  RecordingDevice device;
  FixedMetricsFonts fonts;
  RenderScratch scratch;
  RenderContext ctx{device, fonts, scratch};

  std::vector<CharacterSpec> Draw(const ObjectRecord& o, const SymbolRecord& sym,
                                  int pass = kFontColor) {
    device.Clear();
    device.SelectColorPass(pass, {0, 0, 0, 200});
    if (o.type == ObjectType::Text) DrawTextObject(ctx, o, sym);
    if (o.type == ObjectType::Rectangle) DrawFramedTextObject(ctx, o, sym);
    if (o.type == ObjectType::Line) DrawLineTextObject(ctx, o, sym);
    std::vector<CharacterSpec> chars;
    for (const RecordedCall& c : device.Of(Kind::Character)) chars.push_back(c.character);
    return chars;
  }
  std::vector<CharacterSpec> Draw(const ObjectRecord& o, const TextSymbolFields& f,
                                  int pass = kFontColor) {
    return Draw(o,
                o.type == ObjectType::Line ? MakeLineTextSymbol(1030, f) : MakeTextSymbol(1010, f),
                pass);
  }
};

// --- Symbol records -------------------------------------------------------------------------

TEST(TextSymbolRecord, FieldsReachTheirRecordFieldsAndReadBack) {
  TextSymbolFields f = Plain();
  f.font.name = "Times New Roman";
  f.tabCount = 2;
  f.tabs[0] = 1000;
  f.tabs[1] = 100000;
  f.lbOn = 1;
  f.lbColor = 12;
  f.sfOn = 1;
  f.secondFont.name = "Arial";
  f.secondFont.color = 13;
  f.sfOfy = -25;
  const SymbolRecord s = MakeTextSymbol(1015, f);
  EXPECT_EQ(s.Size(), 588);
  EXPECT_TRUE(IsUsableTextSymbol(s));
  const std::optional<TextSymbol> r = TextSymbol::Decode(s);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->FontName, "Times New Roman");
  EXPECT_EQ(r->FontColor, kFontColor);
  EXPECT_EQ(r->FontSize, kSize);
  EXPECT_EQ(r->LineSpace, 120);
  EXPECT_EQ(r->TabCount, 2);
  EXPECT_EQ(r->Tabs[1], 100000);
  EXPECT_EQ(r->LBOn, 1);
  EXPECT_EQ(r->LBColor, 12);
  EXPECT_EQ(r->SFName, "Arial");
  EXPECT_EQ(r->SFColor, 13);
  EXPECT_EQ(r->SFOfy, -25);
  EXPECT_EQ(ReadTextSymbol(s), f);
  EXPECT_TRUE(s.Colors().Has(kFontColor) && s.Colors().Has(12) && s.Colors().Has(13));

  TextSymbolFields l = Plain();
  l.alignment = kLineAll;
  l.sfOn = 1;
  l.secondFont.color = 4;
  l.sfOfy = 7;
  const SymbolRecord ls = MakeLineTextSymbol(1031, l);
  EXPECT_EQ(ls.Size(), 440);
  EXPECT_TRUE(IsUsableLineTextSymbol(ls));
  const std::optional<LineTextSymbol> lr = LineTextSymbol::Decode(ls);
  ASSERT_TRUE(lr);
  EXPECT_EQ(lr->Alignment, kLineAll);
  EXPECT_EQ(lr->SFOn, 1);
  EXPECT_EQ(lr->SFColor, 4);
  EXPECT_EQ(lr->SFOfy, 7);
  EXPECT_EQ(ReadLineTextSymbol(ls), l);
  // Each kind is read only from its own records.
  EXPECT_FALSE(ReadTextSymbol(ls));
  EXPECT_FALSE(ReadLineTextSymbol(s));
}

TEST(TextSymbolRecord, FontNamesLongerThanTheirFieldAreCutToThirtyOneCharacters) {
  TextSymbolFields f = Plain();
  f.font.name = std::string(40, 'N');
  const SymbolRecord s = MakeTextSymbol(1010, f);
  EXPECT_EQ(ReadTextSymbol(s)->font.name, std::string(31, 'N'));
  EXPECT_EQ(ReadTextSymbol(s)->font.color, kFontColor);  // the field after the name is intact
}

TEST(TextSymbolRecord, MeasuresFollowTheSize) {
  EXPECT_EQ(FontHeightUnits(100), 353);
  EXPECT_EQ(FontHeightUnits(720), 2540);
  EXPECT_EQ(LineDistanceUnits(100, 120), 423);
  EXPECT_EQ(LineDistanceUnits(100, 100), 352);  // 352.8 with its fraction cut off
  EXPECT_EQ(NormalizedWeight(550), 400);
  EXPECT_EQ(NormalizedWeight(551), 700);
}

// --- Text objects ------------------------------------------------------------------------

TEST_F(TextTest, LeftAlignedCharactersAdvanceByTheirWidths) {
  const auto chars = Draw(TextAt(1000, 2000, "AB C"), Plain());
  ASSERT_EQ(chars.size(), 3u);
  EXPECT_EQ(chars[0].position, U(1000, 2000));
  EXPECT_EQ(chars[1].position, U(1000 + kW, 2000));
  EXPECT_EQ(chars[2].position, U(1000 + 3 * kW, 2000));  // after a space as wide as a character
  EXPECT_EQ(chars[0].character, U'A');
  EXPECT_EQ(chars[0].fontName, "Arial");
  EXPECT_EQ(chars[0].size, kSize);
  EXPECT_EQ(chars[0].angle, 0);
}

TEST_F(TextTest, CentredTextIsSymmetricAndRightAlignedTextEndsAtItsPoint) {
  TextSymbolFields f = Plain();
  f.charSpace = 50;  // half a space after every character: 106
  f.alignment = kAlignCenter;
  auto chars = Draw(TextAt(0, 0, "ABC"), f);
  ASSERT_EQ(chars.size(), 3u);
  const int width = 3 * kW + 2 * 106;
  EXPECT_EQ(chars[0].position, U(-width / 2, 0));
  EXPECT_EQ(chars[2].position.PosX() + kW, width / 2);

  f.alignment = kAlignRight;
  chars = Draw(TextAt(500, 0, "ABC"), f);
  ASSERT_EQ(chars.size(), 3u);
  EXPECT_EQ(chars[2].position.PosX() + kW, 500);
  EXPECT_EQ(chars[0].position, U(500 - width, 0));
}

TEST_F(TextTest, QuarterTurnRunsUpwardsWithEveryCharacterTurned) {
  const auto chars = Draw(TextAt(100, 100, "ABC", 900), Plain());
  ASSERT_EQ(chars.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(chars[static_cast<size_t>(i)].position, U(100, 100 + i * kW));
    EXPECT_EQ(chars[static_cast<size_t>(i)].angle, 900);
  }
}

TEST_F(TextTest, ParagraphsFollowAtTheLineDistanceAndTheParagraphSpace) {
  TextSymbolFields f = Plain();
  f.paraSpace = 100;
  const auto chars = Draw(TextAt(0, 0, "A\r\nB\rC\nD"), f);
  // 10 on its own is not a line break and is not drawn.
  ASSERT_EQ(chars.size(), 4u);
  EXPECT_EQ(chars[0].position, U(0, 0));
  EXPECT_EQ(chars[1].position, U(0, -423 - 100));
  EXPECT_EQ(chars[2].position, U(0, -2 * (423 + 100)));
  EXPECT_EQ(chars[3].position, U(kW, -2 * (423 + 100)));
}

TEST_F(TextTest, TabsBeyondTheLastPositionContinueAtTheirDistance) {
  TextSymbolFields f = Plain();
  f.tabCount = 2;
  f.tabs[0] = 1000;
  f.tabs[1] = 1500;
  const auto chars = Draw(TextAt(0, 0, "\tA\tB\tC\tD"), f);
  ASSERT_EQ(chars.size(), 4u);
  EXPECT_EQ(chars[0].position.PosX(), 1000);
  EXPECT_EQ(chars[1].position.PosX(), 1500);
  EXPECT_EQ(chars[2].position.PosX(), 2000);
  EXPECT_EQ(chars[3].position.PosX(), 2500);
}

TEST(TextTabs, UnusableTablesAndDamagedPositions) {
  TextSymbolFields f;
  f.tabCount = 0;
  EXPECT_EQ(NextTabStop(f, 300), 300);
  f.tabCount = 33;
  f.tabs.fill(1000);
  EXPECT_EQ(NextTabStop(f, 300), 300);
  // Positions out of order: the stops are taken in ascending order.
  f.tabCount = 2;
  f.tabs[0] = 1500;
  f.tabs[1] = 1000;
  EXPECT_EQ(NextTabStop(f, 1100), 1500);
  EXPECT_EQ(NextTabStop(f, 1600), 2000);
  // Two equal positions: steps of one map unit, computed, not walked.
  f.tabs[0] = 1000;
  EXPECT_EQ(NextTabStop(f, 1000000000), 1000000001);
  // One position: its distance from the line start is the step.
  f.tabCount = 1;
  EXPECT_EQ(NextTabStop(f, 2500), 3000);
}

TEST_F(TextTest, IndentOfTheFirstLineCountsForLeftAlignment) {
  TextSymbolFields f = Plain();
  f.indentFirst = 300;
  auto chars = Draw(TextAt(0, 0, "A\rB"), f);
  ASSERT_EQ(chars.size(), 2u);
  EXPECT_EQ(chars[0].position.PosX(), 300);
  EXPECT_EQ(chars[1].position.PosX(), 300);  // every line of a text object begins a paragraph
  f.alignment = kAlignCenter;
  chars = Draw(TextAt(0, 0, "AB"), f);
  EXPECT_EQ(chars[0].position.PosX(), -kW);
}

TEST_F(TextTest, ColourPassesDrawEachFontAndTheLineBelowInTheirOwnColour) {
  TextSymbolFields f = Plain();
  f.sfOn = 1;
  f.secondFont = {"Times New Roman", kSecondColor, 120, 700, 1};
  f.sfOfx = 20;
  f.sfOfy = -10;
  f.lbOn = 1;
  f.lbColor = kLineColor;
  f.lbWidth = 30;
  f.lbDist = 50;
  const ObjectRecord o = TextAt(0, 0, "AB", 900);
  const SymbolRecord sym = MakeTextSymbol(1010, f);

  auto chars = Draw(o, sym, kFontColor);
  ASSERT_EQ(chars.size(), 2u);
  EXPECT_EQ(chars[0].fontName, "Arial");
  EXPECT_TRUE(device.Of(Kind::Stroke).empty());

  chars = Draw(o, sym, kSecondColor);
  ASSERT_EQ(chars.size(), 2u);
  EXPECT_EQ(chars[0].fontName, "Times New Roman");
  EXPECT_EQ(chars[0].size, 120);
  EXPECT_EQ(chars[0].weight, 700);
  EXPECT_TRUE(chars[0].italic);
  // (20, -10) turned by 90 degrees is (10, 20).
  EXPECT_EQ(chars[0].position, U(10, 20));
  EXPECT_EQ(chars[1].position, U(10, 20 + kW));

  chars = Draw(o, sym, kLineColor);
  EXPECT_TRUE(chars.empty());
  const auto strokes = device.Of(Kind::Stroke);
  ASSERT_EQ(strokes.size(), 1u);
  EXPECT_EQ(strokes[0].width, 30);
  EXPECT_EQ(strokes[0].style, kStyleFlatBevel);
  // Unturned from (0, -65) to (424, -65); turned by 90 degrees.
  ASSERT_EQ(strokes[0].path.size(), 2u);
  EXPECT_EQ(strokes[0].path[0], U(65, 0));
  EXPECT_EQ(strokes[0].path[1], U(65, 2 * kW));

  EXPECT_TRUE(Draw(o, sym, 99).empty());
  EXPECT_TRUE(device.Of(Kind::Stroke).empty());
}

TEST_F(TextTest, LineBelowMovesTheNextParagraphDown) {
  TextSymbolFields f = Plain();
  f.lbOn = 1;
  f.lbColor = kFontColor;
  f.lbWidth = 25;
  f.lbDist = 40;
  const auto chars = Draw(TextAt(0, 0, "A\rB"), f);
  ASSERT_EQ(chars.size(), 2u);
  EXPECT_EQ(chars[1].position.PosY(), -(40 + 25) - 423);
  const auto strokes = device.Of(Kind::Stroke);
  ASSERT_EQ(strokes.size(), 2u);
  EXPECT_EQ(strokes[0].path[0].PosY(), -(40 + 12));
}

TEST_F(TextTest, MissingOrUnnamedFontsAreDrawnInTimesNewRoman) {
  TextSymbolFields f = Plain();
  f.font.name = "Missing Font";
  auto chars = Draw(TextAt(0, 0, "A"), f);
  ASSERT_EQ(chars.size(), 1u);
  EXPECT_EQ(chars[0].fontName, "Times New Roman");
  f.font.name = "";
  chars = Draw(TextAt(0, 0, "A"), f);
  ASSERT_EQ(chars.size(), 1u);
  EXPECT_EQ(chars[0].fontName, "Times New Roman");
}

TEST_F(TextTest, DamagedSymbolIsReplacedAndDrawnInTheAlternativeColour) {
  SymbolRecord sym = MakeTextSymbol(1010, Plain());
  sym.Resize(500);  // shorter than its length says
  const auto chars = Draw(TextAt(0, 0, "AB"), sym, 42);
  ASSERT_EQ(chars.size(), 2u);
  EXPECT_EQ(chars[0].fontName, "Arial");
  EXPECT_EQ(chars[0].size, 100);
  for (const RecordedCall& c : device.Of(Kind::Character)) EXPECT_TRUE(c.alternative);
  EXPECT_FALSE(device.State().useAlternative);  // restored afterwards

  // An object whose number is not in the table carries the placeholder.
  const auto undefined = Draw(TextAt(0, 0, "AB"), SymbolRecord::Undefined(0), 0);
  EXPECT_EQ(undefined.size(), 2u);
}

TEST_F(TextTest, ControlCharactersAreNeitherDrawnNorAdvanced) {
  const auto chars = Draw(TextAt(0, 0, std::string("A\x01\x1f") + "B"), Plain());
  ASSERT_EQ(chars.size(), 2u);
  EXPECT_EQ(chars[1].position.PosX(), kW);
}

TEST_F(TextTest, MapTextsAreWindows1252) {
  const auto chars = Draw(TextAt(0, 0, "\x80\xe9"), Plain());
  ASSERT_EQ(chars.size(), 2u);
  EXPECT_EQ(chars[0].character, U'\u20ac');
  EXPECT_EQ(chars[1].character, U'\u00e9');
}

TEST_F(TextTest, ExtremeInputsAreDrawnWithoutFailing) {
  // A full text area without terminator.
  ObjectRecord o = TextAt(0, 0, "");
  o.textUnits = 1024;
  o.textArea.assign(8192, 'W');
  EXPECT_EQ(Draw(o, Plain()).size(), 8192u);

  TextSymbolFields f = Plain();
  f.font.size = 0;
  EXPECT_TRUE(Draw(TextAt(0, 0, "AB"), f).empty());  // characters of size 0 are not drawn
  f.font.size = 32767;
  f.lineSpace = 32767;
  f.paraSpace = -32768;
  f.charSpace = 32767;
  const auto big = Draw(TextAt(0, 0, std::string(300, 'A') + "\r" + std::string(300, 'B')), f);
  EXPECT_EQ(big.size(), 600u);
  for (const CharacterSpec& c : big) {
    EXPECT_EQ(c.position.XFlags(), 0);  // clamped into the coordinate range, flags clean
    EXPECT_EQ(c.position.YFlags(), 0);
  }
  EXPECT_TRUE(Draw(ObjectRecord{}, Plain()).empty());  // no point: nothing
}

// --- Framed texts ----------------------------------------------------------------------

TEST_F(TextTest, FramedTextBreaksAtSpacesAndAfterHyphens) {
  // 1000 wide: "AAA" (636) and a space (848) leave no room for "BBB".
  auto chars = Draw(Framed(0, -3000, 1000, 0, "AAA BBB"), Plain());
  ASSERT_EQ(chars.size(), 6u);
  EXPECT_EQ(chars[0].position, U(0, -353));  // one font height below the top
  EXPECT_EQ(chars[3].position, U(0, -353 - 423));

  chars = Draw(Framed(0, -3000, 1000, 0, "AA-BBB"), Plain());
  ASSERT_EQ(chars.size(), 6u);
  EXPECT_EQ(chars[2].character, U'-');
  EXPECT_EQ(chars[2].position.PosY(), -353);
  EXPECT_EQ(chars[3].position, U(0, -353 - 423));

  // A word longer than the box is cut where it no longer fits; a box of no width still takes
  // one character per line.
  chars = Draw(Framed(0, -3000, 500, 0, "ABCDE"), Plain());
  ASSERT_EQ(chars.size(), 5u);
  EXPECT_EQ(chars[2].position, U(0, -353 - 423));
  chars = Draw(Framed(0, -3000, 0, 0, "ABC"), Plain());
  ASSERT_EQ(chars.size(), 3u);
  EXPECT_EQ(chars[2].position, U(0, -353 - 2 * 423));
}

TEST_F(TextTest, FramedTextAlignsInsideItsBox) {
  TextSymbolFields f = Plain();
  f.alignment = kAlignCenter;
  auto chars = Draw(Framed(0, -3000, 1000, 0, "AB"), f);
  EXPECT_EQ(chars[0].position.PosX(), (1000 - 2 * kW) / 2);
  f.alignment = kAlignRight;
  chars = Draw(Framed(0, -3000, 1000, 0, "AB"), f);
  EXPECT_EQ(chars[1].position.PosX() + kW, 1000);
  f.alignment = kAlignLeft;
  f.indentFirst = 100;
  f.indentOther = 50;
  chars = Draw(Framed(0, -3000, 1000, 0, "AAA BBB"), f);
  EXPECT_EQ(chars[0].position.PosX(), 100);
  EXPECT_EQ(chars[3].position.PosX(), 50);
}

TEST_F(TextTest, JustificationSpreadsTheRemainderOverTheSpaces) {
  TextSymbolFields f = Plain();
  f.alignment = kAlignJustified;
  // The first line "A A A A" is 1484 wide: 116 are left for 3 spaces, 39, 39 and 38.
  const auto chars = Draw(Framed(0, -3000, 1600, 0, "A A A A A"), f);
  ASSERT_EQ(chars.size(), 5u);
  EXPECT_EQ(chars[1].position.PosX(), 2 * kW + 39);
  EXPECT_EQ(chars[2].position.PosX(), 4 * kW + 78);
  EXPECT_EQ(chars[3].position.PosX(), 6 * kW + 116);
  EXPECT_EQ(chars[3].position.PosX() + kW, 1600);
  EXPECT_EQ(chars[4].position.PosX(), 0);  // the last line of the paragraph is not spread
}

TEST_F(TextTest, JustificationLeavesSpacesBeforeTheLastTabAlone) {
  TextSymbolFields f = Plain();
  f.alignment = kAlignJustified;
  f.tabCount = 1;
  f.tabs[0] = 800;
  // "A A\tA A" fits in 2000 (1436); "A" more does not: one space after the tab takes 564.
  const auto chars = Draw(Framed(0, -3000, 2000, 0, "A A\tA A AAAAAA"), f);
  ASSERT_GE(chars.size(), 5u);
  EXPECT_EQ(chars[1].position.PosX(), 2 * kW);
  EXPECT_EQ(chars[2].position.PosX(), 800);
  EXPECT_EQ(chars[3].position.PosX() + kW, 2000);
}

TEST_F(TextTest, TurnedFramedTextStaysInsideItsTurnedBox) {
  // The box 1000 x 3000 turned by 90 degrees about its lower left corner (0, 0).
  ObjectRecord o = Framed(0, 0, 1000, 3000, "AAA BBB");
  o.angle = 900;
  o.coords = {U(0, 0), U(0, 1000), U(-3000, 1000), U(-3000, 0)};
  const auto chars = Draw(o, Plain());
  ASSERT_EQ(chars.size(), 6u);
  // The upper left corner is (-3000, 0); the text runs up from there, lines to the right.
  EXPECT_EQ(chars[0].position, U(-3000 + 353, 0));
  EXPECT_EQ(chars[1].position, U(-3000 + 353, kW));
  EXPECT_EQ(chars[3].position, U(-3000 + 353 + 423, 0));
  EXPECT_EQ(chars[0].angle, 900);
}

// --- The box of a text being typed -------------------------------------------------------

TEST(TextBox, TextObjectGetsTheFourCornersOfItsText) {
  FixedMetricsFonts fonts;
  ObjectRecord o = TextAt(1000, 1000, "AB\rABC");
  ASSERT_TRUE(LayOutTextBox(fonts, o, MakeTextSymbol(1010, Plain())));
  ASSERT_EQ(o.coords.size(), 5u);
  EXPECT_EQ(o.coords[0], U(1000, 1000));
  // Ascent 282, descent 71, the last line 423 below.
  EXPECT_EQ(o.coords[1], U(1000, 1000 - 423 - 71));
  EXPECT_EQ(o.coords[2], U(1000 + 3 * kW, 1000 - 423 - 71));
  EXPECT_EQ(o.coords[3], U(1000 + 3 * kW, 1000 + 282));
  EXPECT_EQ(o.coords[4], U(1000, 1000 + 282));

  // A second time with five points: the same box.
  ASSERT_TRUE(LayOutTextBox(fonts, o, MakeTextSymbol(1010, Plain())));
  EXPECT_EQ(o.coords[2], U(1000 + 3 * kW, 1000 - 423 - 71));
}

TEST(TextBox, BoxEnclosesTheSecondFontAndTurnsWithTheText) {
  FixedMetricsFonts fonts;
  TextSymbolFields f = Plain();
  f.alignment = kAlignCenter;
  f.sfOn = 1;
  f.secondFont = f.font;
  f.sfOfx = 30;
  f.sfOfy = -40;
  ObjectRecord o = TextAt(0, 0, "AB", 1800);
  ASSERT_TRUE(LayOutTextBox(fonts, o, MakeTextSymbol(1010, f)));
  // Unturned: from (-212, -111) to (242, 282); half a turn puts the upper right corner at
  // the lower left.
  EXPECT_EQ(o.coords[1], U(212, 111));
  EXPECT_EQ(o.coords[3], U(-242, -282));
}

TEST(TextBox, FramedTextLowerEdgeFollowsItsText) {
  FixedMetricsFonts fonts;
  ObjectRecord o = Framed(0, -5000, 1000, 0, "AAA BBB");
  ASSERT_TRUE(LayOutTextBox(fonts, o, MakeTextSymbol(1010, Plain())));
  ASSERT_EQ(o.coords.size(), 4u);
  const int bottom = -353 - 423 - 71;
  EXPECT_EQ(o.coords[0], U(0, bottom));
  EXPECT_EQ(o.coords[1], U(1000, bottom));
  EXPECT_EQ(o.coords[2], U(1000, 0));
  EXPECT_EQ(o.coords[3], U(0, 0));

  ObjectRecord point;
  point.type = ObjectType::Point;
  point.coords = {U(0, 0)};
  EXPECT_FALSE(LayOutTextBox(fonts, point, MakeTextSymbol(1010, Plain())));
  ObjectRecord thin = Framed(0, 0, 10, 10, "A");
  thin.coords.resize(2);
  EXPECT_FALSE(LayOutTextBox(fonts, thin, MakeTextSymbol(1010, Plain())));
}

// --- Line texts ------------------------------------------------------------------------------

TEST_F(TextTest, LineTextAlignmentsAlongAStraightLine) {
  const ObjectRecord o = LineText({U(0, 0), U(10000, 0)}, "AB C");
  TextSymbolFields f = Plain();
  // Text width: 3 characters, a space and two character spacings of 0: 848.
  f.alignment = kLineLeft;
  auto chars = Draw(o, f);
  ASSERT_EQ(chars.size(), 3u);
  EXPECT_EQ(chars[0].position, U(0, 0));
  EXPECT_EQ(chars[2].position, U(3 * kW, 0));
  EXPECT_EQ(chars[0].angle, 0);

  f.alignment = kLineCenter;
  chars = Draw(o, f);
  EXPECT_EQ(chars[0].position, U((10000 - 4 * kW) / 2, 0));
  f.alignment = kLineRight;
  chars = Draw(o, f);
  EXPECT_EQ(chars[2].position.PosX() + kW, 10000);

  // "All line": 10000 - 848 = 9152 spread over 3 gaps, 3050 each, 2 left at the end.
  f.alignment = kLineAll;
  chars = Draw(o, f);
  ASSERT_EQ(chars.size(), 3u);
  EXPECT_EQ(chars[0].position.PosX(), 0);
  EXPECT_EQ(chars[1].position.PosX(), kW + 3050);
  EXPECT_EQ(chars[2].position.PosX(), 3 * kW + 3 * 3050);
  EXPECT_EQ(chars[2].position.PosX() + kW, 10000 - 2);
}

TEST_F(TextTest, LineTextCharacterSpacingFollowsOnlyBetweenCharacters) {
  TextSymbolFields f = Plain();
  f.charSpace = 100;
  f.alignment = kLineRight;
  const auto chars = Draw(LineText({U(0, 0), U(5000, 0)}, "AB"), f);
  ASSERT_EQ(chars.size(), 2u);
  EXPECT_EQ(chars[1].position.PosX() + kW, 5000);
  EXPECT_EQ(chars[0].position.PosX(), 5000 - 3 * kW);
}

TEST_F(TextTest, LineTextOnARightToLeftLineIsUpsideDown) {
  const auto chars = Draw(LineText({U(10000, 500), U(0, 400)}, "ABC"), Plain());
  ASSERT_EQ(chars.size(), 3u);
  for (const CharacterSpec& c : chars) {
    EXPECT_GT(c.angle, 900);
    EXPECT_LT(c.angle, 2700);
  }
  EXPECT_EQ(chars[0].position, U(10000, 500));
  EXPECT_LT(chars[1].position.PosX(), 10000);
}

TEST_F(TextTest, EachLineTextCharacterTurnsToItsOwnPieceOfTheLine) {
  // Up the y axis, then to the right: the first character stands upright along y, the one
  // across the corner follows its chord, the last ones lie along x.
  const auto chars =
      Draw(LineText({U(0, 0), U(0, 500, 0, kCornerPoint), U(2000, 500)}, "ABCDE"), Plain());
  ASSERT_EQ(chars.size(), 5u);
  EXPECT_EQ(chars[0].angle, 900);
  EXPECT_EQ(chars[0].position, U(0, 0));
  EXPECT_EQ(chars[1].position, U(0, kW));
  EXPECT_GT(chars[2].angle, 0);  // from (0, 424) to (136, 500)
  EXPECT_LT(chars[2].angle, 900);
  EXPECT_EQ(chars[4].angle, 0);
}

TEST_F(TextTest, LineTextSecondFontOffsetTurnsWithTheCharacter) {
  TextSymbolFields f = Plain();
  f.sfOn = 1;
  f.secondFont = f.font;
  f.secondFont.color = kSecondColor;
  f.sfOfx = 10;
  f.sfOfy = -20;
  const ObjectRecord o = LineText({U(0, 0), U(0, 5000)}, "A");
  auto chars = Draw(o, f, kSecondColor);
  ASSERT_EQ(chars.size(), 1u);
  EXPECT_EQ(chars[0].position, U(20, 10));
  EXPECT_EQ(chars[0].angle, 900);
  EXPECT_EQ(Draw(o, f, kFontColor)[0].position, U(0, 0));
}

TEST_F(TextTest, LineTextLengthLimits) {
  const TextSymbolFields f = Plain();
  EXPECT_TRUE(Draw(LineText({U(50, 50), U(50, 50)}, "ABC"), f).empty());
  // Longer than 64000: the text ends where 64000 ends.
  TextSymbolFields right = Plain();
  right.alignment = kLineRight;
  auto chars = Draw(LineText({U(0, 0), U(100000, 0)}, "AB"), right);
  ASSERT_EQ(chars.size(), 2u);
  EXPECT_EQ(chars[1].position.PosX() + kW, 64000);
  // A text longer than its line stops where the line ends and starts at its start.
  right.alignment = kLineCenter;
  chars = Draw(LineText({U(0, 0), U(500, 0)}, "ABCDEFGH"), right);
  ASSERT_EQ(chars.size(), 3u);
  EXPECT_EQ(chars[0].position, U(0, 0));
  EXPECT_TRUE(Draw(LineText({U(0, 0), U(500, 0)}, ""), f).empty());
}

TEST_F(TextTest, DamagedLineTextSymbolDrawsInTheAlternativeColour) {
  SymbolRecord sym = MakeLineTextSymbol(1030, Plain());
  sym.SetLength(300);
  const auto chars = Draw(LineText({U(0, 0), U(5000, 0)}, "AB"), sym, 55);
  ASSERT_EQ(chars.size(), 2u);
  for (const RecordedCall& c : device.Of(Kind::Character)) EXPECT_TRUE(c.alternative);
}

TEST(LineTextAngle, QuadrantsAndVerticals) {
  EXPECT_EQ(CharacterAngle(U(0, 0), U(10, 10)), 450);
  EXPECT_EQ(CharacterAngle(U(0, 0), U(-10, 10)), 1350);
  EXPECT_EQ(CharacterAngle(U(0, 0), U(-10, -10)), 2250);
  EXPECT_EQ(CharacterAngle(U(0, 0), U(10, -10)), -450);
  EXPECT_EQ(CharacterAngle(U(0, 0), U(0, 10)), 900);
  EXPECT_EQ(CharacterAngle(U(0, 0), U(0, -10)), -900);
}

// --- Grid cell labels, drawn through the same character primitive -----------------------

TEST_F(TextTest, GridLabelsOfUnnumberedCellsAreMapText) {
  test::RectangleFields r;
  r.gridFlags = 3;
  r.cellWidth = 1000;
  r.cellHeight = 1000;
  r.unnumCells = 1;
  r.unnumText = "\x80";
  ObjectRecord o;
  o.type = ObjectType::Rectangle;
  o.coords = {U(0, 0), U(2000, 0), U(2000, 1000), U(0, 1000)};
  device.SelectColorPass(0, {0, 0, 0, 200});
  DrawObject(ctx, o, test::MakeRectangleSymbol(r));
  const auto chars = device.Of(Kind::Character);
  ASSERT_EQ(chars.size(), 2u);
  EXPECT_EQ(chars[0].character.character, U'1');
  EXPECT_EQ(chars[1].character.character, U'\u20ac');
}

// --- Fonts check ---------------------------------------------------------------------------

TEST(FontsCheck, ListsEveryMissingFontOfTextSymbolsInTheRange) {
  FixedMetricsFonts fonts;
  TextSymbolFields f = Plain();
  f.font.name = "Missing Font";
  TextSymbolFields second = Plain();
  second.sfOn = 1;
  second.secondFont.name = "Missing Font";
  TextSymbolFields off = Plain();
  off.secondFont.name = "Missing Font";  // the second font is off: not looked up
  SymbolRecord point;
  point.SetType(SymbolType::Point);
  point.SetNumber(1000);
  const std::vector<SymbolRecord> table{point, MakeTextSymbol(1015, f),
                                        MakeLineTextSymbol(2021, second), MakeTextSymbol(1016, off),
                                        MakeTextSymbol(1017, f)};
  EXPECT_EQ(FontsCheck(table, 0, 5, fonts),
            (std::vector<std::string>{"Symbol 101.5: Missing Font", "Symbol 202.1: Missing Font",
                                      "Symbol 101.7: Missing Font"}));
  EXPECT_EQ(FontsCheck(table, 2, 4, fonts),
            (std::vector<std::string>{"Symbol 202.1: Missing Font"}));
  EXPECT_TRUE(FontsCheck(table, -5, 1, fonts).empty());
  EXPECT_EQ(FontsCheck(table, 4, 1000, fonts).size(), 1u);
}

}  // namespace
}  // namespace zelk
