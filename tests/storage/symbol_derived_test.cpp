// The values the symbol dialogs derive, and records read for a dialog whatever their state.
#include "storage/symbol_derived.h"

#include <gtest/gtest.h>

#include "map_fixture.h"
#include "symbol_builder.h"

namespace zelk {
namespace {

using test::Element;
using test::EncodeElements;
using test::U;

const std::vector<Element> kCross = {
    {kElementLine, 0, 3, 20, 0, {U(-100, 0), U(100, 0)}},
    {kElementCircle, 0, 4, 10, 300, {U(0, 0)}},
};
const std::vector<Element> kDot = {{kElementDot, 0, 9, 0, 50, {U(30, 40)}}};

std::vector<int> Members(const ColorSet& s) {
  std::vector<int> out;
  for (int n = 0; n < 256; ++n)
    if (s.Has(n)) out.push_back(n);
  return out;
}

TEST(SymbolDerived, ElementColoursAndReach) {
  EXPECT_EQ(Members(ElementColors(EncodeElements(kCross))), std::vector<int>({3, 4}));
  EXPECT_EQ(ElementReach(EncodeElements(kCross)), 150);  // the circle's half diameter
  EXPECT_EQ(ElementReach(EncodeElements(kDot)), 75);     // 50 away, 25 half diameter
  EXPECT_EQ(ElementReach({}), 0);
}

TEST(SymbolDerived, PointSymbolRecord) {
  SymbolRecord common = NewSymbolRecord(SymbolType::Point);
  common.SetNumber(1016);
  common.SetDescription("Cross");
  const ElementList list = EncodeElements(kCross);
  const SymbolRecord r = FinishPointSymbol(common, list);
  EXPECT_TRUE(r.IsConsistent());
  EXPECT_EQ(r.Size(), 352 + static_cast<int>(list.size()));
  EXPECT_EQ(r.Number(), 1016);
  EXPECT_EQ(r.Description(), "Cross");
  EXPECT_EQ(r.Extent(), 150);
  EXPECT_EQ(Members(r.Colors()), std::vector<int>({3, 4}));
  EXPECT_EQ(ReadPointElements(r), list);
}

struct LineCase {
  const char* name;
  int lineWidth, dblMode, dblWidth, dblLeft, dblRight, nPrim;
  std::array<bool, 4> keep;
  int extent;
  std::vector<int> colors;
};

TEST(SymbolDerived, LineSymbolRecord) {
  const ElementList cross = EncodeElements(kCross), dot = EncodeElements(kDot);
  const LineCase cases[] = {
      {"plain", 35, 0, 0, 0, 0, 0, {}, 17, {1}},
      {"no width, no colour", 0, 0, 0, 0, 0, 0, {}, 0, {}},
      {"double line adds its colours", 0, 1, 100, 30, 0, 0, {}, 80, {5, 6}},
      {"double off ignores them", 20, 0, 100, 30, 40, 0, {}, 10, {1}},
      {"main symbols kept", 20, 0, 0, 0, 0, 1, {}, 150, {1, 3, 4}},
      {"end symbol kept", 20, 0, 0, 0, 0, 0, {false, false, false, true}, 75, {1, 9}},
  };
  for (const LineCase& c : cases) {
    LineSymbol f;
    f.LineColor = 1;
    f.LineWidth = static_cast<int16_t>(c.lineWidth);
    f.DblMode = static_cast<uint16_t>(c.dblMode);
    f.DblWidth = static_cast<int16_t>(c.dblWidth);
    f.DblLeftWidth = static_cast<int16_t>(c.dblLeft);
    f.DblRightWidth = static_cast<int16_t>(c.dblRight);
    f.DblFillColor = 5;
    f.DblLeftColor = 6;
    f.DblRightColor = 7;
    f.NPrimSym = static_cast<int16_t>(c.nPrim);
    const SymbolRecord r = FinishLineSymbol(NewSymbolRecord(SymbolType::Line), f,
                                            {cross, cross, cross, cross, dot}, c.keep);
    EXPECT_TRUE(r.IsConsistent()) << c.name;
    EXPECT_EQ(r.Extent(), c.extent) << c.name;
    EXPECT_EQ(Members(r.Colors()), c.colors) << c.name;
    const LineSymbolFields back = ReadLineFields(r);
    size_t units = 0;
    for (const ElementList& l : back.lists) units += l.size();
    EXPECT_EQ(r.Size(), 424 + static_cast<int>(units)) << c.name;
    EXPECT_EQ(back.lists[0].empty(), c.nPrim == 0) << c.name;
    EXPECT_EQ(back.lists[4].empty(), !c.keep[3]) << c.name;
  }
}

TEST(SymbolDerived, AreaSymbolRecord) {
  const ElementList cross = EncodeElements(kCross);
  struct {
    int fillOn, hatch, structure;
    std::vector<int> colors;
    int size;
  } cases[] = {
      {0, 0, 0, {}, 380},
      {1, 0, 0, {2}, 380},
      {1, 1, 0, {2, 8}, 380},
      {0, 0, 2, {3, 4}, 380 + static_cast<int>(cross.size())},
  };
  for (const auto& c : cases) {
    AreaSymbol f;
    f.FillOn = static_cast<int16_t>(c.fillOn);
    f.FillColor = 2;
    f.HatchMode = static_cast<int16_t>(c.hatch);
    f.HatchColor = 8;
    f.StructMode = static_cast<int16_t>(c.structure);
    const SymbolRecord r = FinishAreaSymbol(NewSymbolRecord(SymbolType::Area), f, cross);
    EXPECT_TRUE(r.IsConsistent());
    EXPECT_EQ(r.Size(), c.size);
    EXPECT_EQ(r.Extent(), 0);
    EXPECT_EQ(Members(r.Colors()), c.colors);
  }
}

TEST(SymbolDerived, RectangleSymbolRecord) {
  RectangleSymbol f;
  f.LineColor = 4;
  f.LineWidth = 51;
  f.UnnumText = "ABCDE";
  const SymbolRecord r = FinishRectangleSymbol(NewSymbolRecord(SymbolType::Rectangle), f);
  EXPECT_TRUE(r.IsConsistent());
  EXPECT_EQ(r.Extent(), 33);
  EXPECT_EQ(Members(r.Colors()), std::vector<int>({4}));
  EXPECT_EQ(ReadRectangleFields(r).UnnumText, "ABC");
}

TEST(SymbolDerived, DamagedRecordsReadForDialogs) {
  const ElementList cross = EncodeElements(kCross);
  // A point record claiming more units than it holds keeps its whole elements.
  SymbolRecord p = FinishPointSymbol(NewSymbolRecord(SymbolType::Point), cross);
  PutI16(&p.MutableBytes()[348], 400);
  EXPECT_EQ(ReadPointElements(p), cross);
  // Cut inside the second element: the first survives.
  SymbolRecord cut = p;
  cut.Resize(352 + 16 + 16 + 8);
  EXPECT_EQ(ReadPointElements(cut), EncodeElements({kCross[0]}));
  // Too short for the fixed part: zero fields, no lists.
  SymbolRecord shortLine = test::MakeSymbol(1010, SymbolType::Line, 0, {});
  shortLine.Resize(360);
  PutI16(&shortLine.MutableBytes()[350], 77);
  const LineSymbolFields lf = ReadLineFields(shortLine);
  EXPECT_EQ(lf.fields.LineWidth, 77);
  for (const ElementList& l : lf.lists) EXPECT_TRUE(l.empty());
  // Negative and oversized counts.
  SymbolRecord area =
      FinishAreaSymbol(NewSymbolRecord(SymbolType::Area), AreaSymbol{.StructMode = 1}, cross);
  PutI16(&area.MutableBytes()[378], -5);
  EXPECT_TRUE(ReadAreaFields(area).structure.empty());
  PutI16(&area.MutableBytes()[378], 30000);
  EXPECT_EQ(ReadAreaFields(area).structure, cross);
  // Finishing what was read gives a valid record again.
  EXPECT_TRUE(FinishAreaSymbol(area, ReadAreaFields(area).fields, ReadAreaFields(area).structure)
                  .IsConsistent());
}

TEST(SymbolDerived, RenumberedColours) {
  ColorNumberMap map = IdentityColorMap();
  map[0] = 5;
  map[1] = 0;
  map[4] = 9;
  // Point elements.
  const SymbolRecord p = RenumberColors(
      FinishPointSymbol(NewSymbolRecord(SymbolType::Point), EncodeElements(kCross)), map);
  EXPECT_TRUE(p.IsConsistent());
  EXPECT_EQ(Members(p.Colors()), std::vector<int>({3, 9}));
  EXPECT_EQ(Members(ElementColors(ReadPointElements(p))), std::vector<int>({3, 9}));
  // Rectangle.
  RectangleSymbol q;
  q.LineColor = 1;
  const SymbolRecord r =
      RenumberColors(FinishRectangleSymbol(NewSymbolRecord(SymbolType::Rectangle), q), map);
  EXPECT_EQ(RectangleSymbol::Decode(r)->LineColor, 0);
  EXPECT_EQ(Members(r.Colors()), std::vector<int>({0}));
  // A damaged record keeps its bytes; only its colour set follows.
  SymbolRecord bad = FinishRectangleSymbol(NewSymbolRecord(SymbolType::Rectangle), q);
  bad.SetLength(999);
  const SymbolRecord b = RenumberColors(bad, map);
  EXPECT_TRUE(std::equal(b.Bytes().begin() + 348, b.Bytes().end(), bad.Bytes().begin() + 348));
  EXPECT_EQ(Members(b.Colors()), std::vector<int>({0}));
}

TEST(SymbolDerived, ChangedSymbolReachesItsObjects) {
  MapFixture f;
  ObjectRecord line = MakeLine(1010, 0, 0, 1000, 0);
  ASSERT_TRUE(f.store.AddObject(line));
  ASSERT_FALSE(f.store.Block(0).colors.Has(9));
  LineSymbol fields;
  fields.LineColor = 9;
  fields.LineWidth = 40;  // the same extent: only the colours change
  SymbolRecord changed = FinishLineSymbol(f.store.Symbol(0), fields, {}, {});
  ASSERT_TRUE(f.store.ReplaceSymbol(0, changed));
  ASSERT_TRUE(f.store.UpdateObjects(1010, 1010));
  EXPECT_TRUE(f.store.Block(0).colors.Has(9));
  EXPECT_TRUE(f.store.UsedColors().Has(9));
  IndexEntry e;
  ASSERT_TRUE(f.store.ReadEntry(1, &e));
  EXPECT_EQ(e.box.bottom, -20 * 256);
}

}  // namespace
}  // namespace zelk
