// Round trips of the symbol, object and settings records, and records cut short or damaged.
#include "storage/symbol_records.h"

#include <gtest/gtest.h>

#include <vector>

#include "symbol_builder.h"

namespace zelk {
namespace {

using test::U;

// Every record decodes to what was encoded, and its encoding is stable.
template <typename R>
void ExpectRoundTrip(const R& r) {
  const SymbolRecord rec = r.Encode();
  EXPECT_TRUE(rec.IsConsistent());
  const std::optional<R> back = R::Decode(rec);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, r);
  EXPECT_EQ(back->Encode().Bytes(), rec.Bytes());
}

// No prefix of a record decodes, and neither does the record with a byte more.
template <typename R>
void ExpectCutShortFails(const R& r) {
  const SymbolRecord rec = r.Encode();
  const std::span<const uint8_t> bytes(rec.Bytes());
  for (size_t n = 0; n < bytes.size(); ++n) EXPECT_FALSE(R::Decode(bytes.first(n))) << n;
  std::vector<uint8_t> longer(bytes.begin(), bytes.end());
  longer.push_back(0);
  EXPECT_FALSE(R::Decode(longer));
}

template <typename R>
void ExpectFamily(const std::vector<R>& cases) {
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    ExpectRoundTrip(cases[i]);
    ExpectCutShortFails(cases[i]);
  }
}

// A record of one type is no record of another.
template <typename R>
void ExpectRefusedAs(const SymbolRecord& other) {
  EXPECT_FALSE(R::Decode(other));
}

const std::vector<uint8_t> kDot = test::EncodeElements({{kElementDot, 0, 3, 0, 40, {U(1, 2)}}});
const std::vector<uint8_t> kLine =
    test::EncodeElements({{kElementLine, 1, 4, 25, 0, {U(0, 0), U(100, -20, kFirstCurvePoint)}},
                          {kElementCircle, 0, 5, 10, 80, {U(-7, 7)}}});

TEST(SymbolRecords, PointSymbolsRoundTripAndRefuseShortRecords) {
  PointSymbol empty;
  PointSymbol dot;
  dot.ElementUnits = static_cast<int16_t>(kDot.size() / 8);
  dot.Elements = kDot;
  PointSymbol kept = dot;
  kept.reserved = -3;  // kept as read
  kept.Elements = kLine;
  kept.ElementUnits = static_cast<int16_t>(kLine.size() / 8);
  ExpectFamily<PointSymbol>({empty, dot, kept});

  PointSymbol claimsMore = dot;
  ++claimsMore.ElementUnits;
  EXPECT_FALSE(PointSymbol::Decode(claimsMore.Encode()));
  const std::vector<uint8_t> tooLong(8 * 513, 0);
  PointSymbol big;
  big.Elements = tooLong;
  big.ElementUnits = 513;
  EXPECT_FALSE(PointSymbol::Decode(big.Encode()));
  ExpectRefusedAs<PointSymbol>(AreaSymbol{}.Encode());
}

TEST(SymbolRecords, LineSymbolsRoundTripAndRefuseShortRecords) {
  LineSymbol plain;
  plain.LineColor = 7;
  plain.LineWidth = 35;
  plain.LineEnds = 2;
  plain.MainLength = 300;
  plain.MainGap = -1;
  LineSymbol full = plain;
  full.DistFromStart = 11;
  full.DistToEnd = 12;
  full.EndLength = 13;
  full.SecGap = 14;
  full.EndGap = 15;
  full.MinGap = 1;
  full.NPrimSym = 2;
  full.PrimSymDist = 40;
  full.DblMode = 3;
  full.DblFlags = 1;
  full.DblFillColor = 8;
  full.DblLeftColor = 9;
  full.DblRightColor = 10;
  full.DblWidth = 100;
  full.DblLeftWidth = 20;
  full.DblRightWidth = 21;
  full.DblLength = 500;
  full.DblGap = 60;
  full.kept1 = {1, 2, 3};
  full.DecMode = 2;
  full.DecLast = 50;
  full.kept2 = {4, 5, 6, 7};
  full.reserved = 8;
  full.MainList = kDot;
  full.CornerList = kLine;
  full.EndList = kDot;
  full.SetSizesFromLists();
  ExpectFamily<LineSymbol>({LineSymbol{}, plain, full});

  LineSymbol negative = full;  // the total fits, the sizes do not
  negative.SecDSize = 5;
  negative.StartDSize = -5;
  EXPECT_FALSE(LineSymbol::Decode(negative.Encode()));
  LineSymbol claimsMore = full;
  claimsMore.SecDSize = 1;
  EXPECT_FALSE(LineSymbol::Decode(claimsMore.Encode()));
  SymbolRecord lineText = full.Encode();
  lineText.SetSubtype(kSubtypeLineText);
  ExpectRefusedAs<LineSymbol>(lineText);
}

TEST(SymbolRecords, AreaSymbolsRoundTripAndRefuseShortRecords) {
  AreaSymbol hatch;
  hatch.FillOn = 1;
  hatch.FillColor = 2;
  hatch.HatchMode = 2;
  hatch.HatchColor = 3;
  hatch.HatchLineWidth = 10;
  hatch.HatchDist = 50;
  hatch.HatchAngle1 = 450;
  hatch.HatchAngle2 = -450;
  AreaSymbol structure = hatch;
  structure.kept1 = 1;
  structure.kept2 = 2;
  structure.kept3 = 3;
  structure.StructMode = 2;
  structure.StructWidth = 200;
  structure.StructHeight = 150;
  structure.StructAngle = 300;
  structure.Structure = kLine;
  structure.StructSize = static_cast<int16_t>(kLine.size() / 8);
  ExpectFamily<AreaSymbol>({AreaSymbol{}, hatch, structure});

  AreaSymbol claimsMore = structure;
  ++claimsMore.StructSize;
  EXPECT_FALSE(AreaSymbol::Decode(claimsMore.Encode()));
  AreaSymbol negative;
  negative.StructSize = -1;
  EXPECT_FALSE(AreaSymbol::Decode(negative.Encode()));
  ExpectRefusedAs<AreaSymbol>(PointSymbol{}.Encode());
}

TEST(SymbolRecords, RectangleSymbolsRoundTripAndRefuseShortRecords) {
  RectangleSymbol grid;
  grid.LineColor = 4;
  grid.LineWidth = 35;
  grid.Radius = 100;
  grid.GridFlags = 5;
  grid.CellWidth = 1000;
  grid.CellHeight = 800;
  grid.UnnumCells = 2;
  grid.UnnumText = "X";
  RectangleSymbol kept = grid;
  kept.UnnumText = "abc";
  kept.reserved1 = {1, 2, 3, 4};
  kept.reserved2.fill(9);
  ExpectFamily<RectangleSymbol>({RectangleSymbol{}, grid, kept});
  EXPECT_EQ(grid.Extent(), 35 / 2 + 8);
  ExpectRefusedAs<RectangleSymbol>(TextSymbol{}.Encode());
}

TEST(SymbolRecords, TextSymbolsRoundTripAndRefuseShortRecords) {
  TextSymbol text;
  text.FontName = "Times New Roman";
  text.FontColor = 3;
  text.FontSize = 120;
  text.FontWeight = 700;
  text.Italic = 1;
  text.CharSpace = 5;
  text.WordSpace = 110;
  text.Alignment = 3;
  text.LineSpace = 130;
  text.ParaSpace = 40;
  text.IndentFirst = 100;
  text.IndentOther = 50;
  text.TabCount = 3;
  text.Tabs[0] = 1000;
  text.Tabs[31] = -100000;
  text.LBOn = 1;
  text.LBColor = 6;
  text.LBWidth = 20;
  text.LBDist = 30;
  text.kept = 77;
  text.SFOn = 1;
  text.SFName = std::string(31, 'S');
  text.SFColor = 7;
  text.SFSize = 80;
  text.SFWeight = 400;
  text.SFItalic = 1;
  text.SFOfx = -25;
  text.SFOfy = 25;
  ExpectFamily<TextSymbol>({TextSymbol{}, text});
  ExpectRefusedAs<TextSymbol>(LineTextSymbol{}.Encode());

  TextSymbol longName;
  longName.FontName = std::string(40, 'N');
  longName.FontColor = 9;
  const std::optional<TextSymbol> cut = TextSymbol::Decode(longName.Encode());
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->FontName, std::string(31, 'N'));
  EXPECT_EQ(cut->FontColor, 9);
}

TEST(SymbolRecords, LineTextSymbolsRoundTripAndRefuseShortRecords) {
  LineTextSymbol text;
  text.FontName = "Arial";
  text.FontColor = 2;
  text.FontSize = 90;
  text.FontWeight = 700;
  text.Italic = 1;
  text.CharSpace = 10;
  text.WordSpace = 100;
  text.Alignment = 3;
  text.SFOn = 1;
  text.SFName = "Courier New";
  text.SFColor = 4;
  text.SFSize = 70;
  text.SFWeight = 400;
  text.SFItalic = 0;
  text.SFOfx = 3;
  text.SFOfy = -3;
  ExpectFamily<LineTextSymbol>({LineTextSymbol{}, text});
  EXPECT_TRUE(text.Encode().IsLineText());
  ExpectRefusedAs<LineTextSymbol>(LineSymbol{}.Encode());
}

TEST(SymbolRecords, EncodingKeepsTheCommonPart) {
  SymbolRecord rec = test::MakeSymbol(2015, SymbolType::Area, 12, {1, 5});
  AreaSymbol area;
  area.FillOn = 1;
  area.Encode(rec);
  EXPECT_EQ(rec.Number(), 2015);
  EXPECT_EQ(rec.Extent(), 12);
  EXPECT_TRUE(rec.Colors().Has(5));
  EXPECT_EQ(rec.Description(), "Symbol 2015");
  EXPECT_EQ(AreaSymbol::Decode(rec)->FillOn, 1);
}

TEST(ObjectRecords, RoundTripAndRefuseShortOrDamagedRecords) {
  ObjectRecord point;
  point.symbol = 1012;
  point.type = ObjectType::Point;
  point.angle = 900;
  point.coords = {U(10, 20)};
  ObjectRecord text = point;
  text.type = ObjectType::Text;
  text.SetText(std::string(70, 'x'));
  ObjectRecord layer;
  layer.symbol = -1;
  layer.type = ObjectType::Line;
  layer.SetLayerName("ROADS");
  layer.reserved = {1, 2, 3, 4, 5, 6};
  layer.coords = {U(0, 0, kFirstCurvePoint), U(5, 5), U(10, 0, 0, kCornerPoint)};
  for (const ObjectRecord& o : {point, text, layer}) {
    const std::vector<uint8_t> bytes = o.Encode();
    ASSERT_EQ(bytes.size(), static_cast<size_t>(o.Length()));
    const std::optional<ObjectRecord> back = ObjectRecord::Decode(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, o);
    for (size_t n = 0; n < bytes.size(); ++n)
      EXPECT_FALSE(ObjectRecord::Decode(std::span(bytes).first(n))) << n;
    std::vector<uint8_t> longer = bytes;
    longer.resize(longer.size() + 8, 0);
    EXPECT_FALSE(ObjectRecord::Decode(longer));
  }
  ObjectRecord none = point;
  none.coords.clear();
  EXPECT_FALSE(ObjectRecord::Decode(none.Encode()));
  ObjectRecord negativeText = point;
  negativeText.textUnits = -1;
  EXPECT_FALSE(ObjectRecord::Decode(negativeText.Encode()));
}

TEST(ObjectRecords, EditedElementsCarryTheirWordsAfterTheAngle) {
  ObjectRecord o;
  o.coords = {U(0, 0)};
  o.SetElementWords(11, 2, 60);
  const std::optional<ObjectRecord> back = ObjectRecord::Decode(o.Encode());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->ElementLineWidth(), 11);
  EXPECT_EQ(back->ElementLineStyle(), 2);
  EXPECT_EQ(back->ElementDiameter(), 60);
}

TEST(SetupBlocks, RoundTripAndRefuseShortBlocks) {
  SetupBlock s = SetupBlock::Defaults();
  s.SetTemplateFile("scan.bmp");
  s.SetGpsPoint(3, {256, 512, 47.5, 8.25, "P4"});
  std::array<uint8_t, SetupBlock::kSize> bytes{};
  s.Encode(bytes);
  const std::optional<SetupBlock> back = SetupBlock::Decode(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->raw, s.raw);
  EXPECT_EQ(back->TemplateFile(), "scan.bmp");
  EXPECT_EQ(back->GpsPointAt(3).name, "P4");
  EXPECT_DOUBLE_EQ(back->Zoom(), 4.0);
  for (size_t n : {size_t{0}, size_t{1}, size_t{SetupBlock::kSize - 1}})
    EXPECT_FALSE(SetupBlock::Decode(std::span(bytes).first(n))) << n;
}

TEST(SetupBlocks, PrintStateResetsToItsDefaultsAndNothingElse) {
  SetupBlock s = SetupBlock::Defaults();
  s.SetPrintLeft(5);
  s.SetPrintScaleX(2000);
  s.SetPrintMapScale(25000);
  s.SetTemplateAngle(12.5);
  s.SetZoom(2.0);
  s.ResetPrintState();
  EXPECT_EQ(s.PrintLeft(), SetupBlock::Defaults().PrintLeft());
  EXPECT_EQ(s.PrintScaleX(), 1000);
  EXPECT_DOUBLE_EQ(s.PrintMapScale(), 15000);
  EXPECT_DOUBLE_EQ(s.TemplateAngle(), 12.5);
  EXPECT_DOUBLE_EQ(s.Zoom(), 2.0);
}

TEST(ElementLists, AppendedElementsWalkBackInOrder) {
  std::vector<uint8_t> list;
  SymbolElementHead h;
  h.kind = kElementArea;
  h.color = 6;
  const std::vector<Coord> pts = {U(0, 0), U(10, 0), U(10, 10, 0, kHoleStart)};
  AppendElement(list, h, pts);
  h.kind = kElementDot;
  h.diameter = 30;
  AppendElement(list, h, std::vector<Coord>{U(-4, 4)});
  EXPECT_EQ(list.size(), 8u * (2 + 3 + 2 + 1));
  std::vector<ElementView> seen;
  ForEachElement(list, static_cast<int>(list.size() / 8), [&](const ElementView& e) {
    seen.push_back(e);
    return true;
  });
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].head.kind, kElementArea);
  EXPECT_EQ(seen[0].head.pointCount, 3);
  EXPECT_EQ(seen[0].Point(2), pts[2]);
  EXPECT_EQ(seen[1].head.diameter, 30);
  EXPECT_EQ(seen[1].Point(0), U(-4, 4));
}

}  // namespace
}  // namespace zelk
