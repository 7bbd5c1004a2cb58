// The colour table edits of the colour dialogs, and the engine following a changed table.
#include "storage/color_table.h"

#include <gtest/gtest.h>

#include "map_fixture.h"

namespace zelk {
namespace {

SymbolHeader Table(std::initializer_list<int> numbers) {
  SymbolHeader h;
  for (int n : numbers)
    h.colors[static_cast<size_t>(h.colorCount++)] = ColorRecord::NewColor(n, "");
  return h;
}

ColorSet Set(std::initializer_list<int> numbers) {
  ColorSet s;
  for (int n : numbers) s.Add(n);
  return s;
}

TEST(ColorTable, ConversionsBetweenCmykAndRgb) {
  const CmykPercent c = RgbToCmyk({100, 50, 0});
  EXPECT_EQ(std::vector<double>({c.c, c.m, c.y, c.k}), std::vector<double>({0, 50, 100, 0}));
  const CmykPercent g = RgbToCmyk({30, 40, 50});
  EXPECT_EQ(std::vector<double>({g.c, g.m, g.y, g.k}), std::vector<double>({20, 10, 0, 50}));
  const RgbPercent r = CmykToRgb({10, 20, 30, 40});
  EXPECT_EQ(std::vector<double>({r.r, r.g, r.b}), std::vector<double>({50, 40, 30}));
  const RgbPercent low = CmykToRgb({80, 0, 0, 50});
  EXPECT_EQ(low.r, 0);  // never below 0
  struct {
    double percent;
    int stored;
  } rounding[] = {{12.5, 25}, {40, 80}, {0.25, 0}, {0.75, 2}, {100, 200}, {101, 200}, {-1, 0}};
  for (auto t : rounding) EXPECT_EQ(PercentToByte(t.percent), t.stored) << t.percent;
}

TEST(ColorTable, NewColourNumbers) {
  struct {
    std::initializer_list<int> table;
    ColorSet symbols;
    int expected;
  } cases[] = {
      {{1, 2, 4}, {}, 3},
      {{0, 1, 2}, {}, 3},
      {{1, 2, 4}, Set({3}), 5},  // 3 is still drawn with by a symbol
      {{}, Set({1, 2}), 3},
  };
  for (const auto& c : cases) EXPECT_EQ(NewColorNumber(Table(c.table), c.symbols), c.expected);
  // Numbers 1..255 taken: 0 is next, never 256.
  SymbolHeader full;
  for (int n = 1; n <= 255; ++n)
    full.colors[static_cast<size_t>(full.colorCount++)] = ColorRecord::NewColor(n, "");
  EXPECT_EQ(NewColorNumber(full, {}), 0);
  // Every free number used by symbols: the smallest free one all the same.
  EXPECT_EQ(NewColorNumber(full, Set({0})), 0);
  full.colors[255] = ColorRecord::NewColor(0, "");
  full.colorCount = 256;
  EXPECT_EQ(NewColorNumber(full, {}), -1);
  EXPECT_EQ(InsertColor(full, 0, {}), -1);
}

TEST(ColorTable, InsertDeleteAndMove) {
  SymbolHeader h = Table({5, 6, 7});
  h.separationCount = 2;
  EXPECT_EQ(InsertColor(h, 0, {}), 1);
  EXPECT_EQ(h.colorCount, 4);
  EXPECT_EQ(h.colors[1].colorNumber, 1);
  EXPECT_EQ(h.colors[1].separations[0], 255);
  EXPECT_EQ(h.colors[2].colorNumber, 6);
  int current = 2;
  EXPECT_TRUE(DeleteColor(h, &current));
  EXPECT_EQ(current, 1);
  EXPECT_EQ(h.colors[2].colorNumber, 7);
  current = 0;
  EXPECT_TRUE(DeleteColor(h, &current));
  EXPECT_EQ(current, 0);
  EXPECT_TRUE(DeleteColor(h, &current));
  EXPECT_EQ(h.colorCount, 1);
  EXPECT_FALSE(DeleteColor(h, &current));  // the last colour stays
  h = Table({5, 6, 7});
  EXPECT_FALSE(MoveColor(h, 0, -1));
  EXPECT_FALSE(MoveColor(h, 2, +1));
  EXPECT_TRUE(MoveColor(h, 0, +1));
  EXPECT_EQ(h.colors[0].colorNumber, 6);
  EXPECT_EQ(h.colors[1].colorNumber, 5);
}

TEST(ColorTable, Separations) {
  SymbolHeader h = Table({1, 2});
  EXPECT_EQ(AppendSeparation(h), 0);
  EXPECT_EQ(AppendSeparation(h), 1);
  EXPECT_EQ(h.separations[1].frequency, 1500);
  EXPECT_EQ(h.separations[1].angle, 450);
  h.separations[0].name = "A";
  h.separations[1].name = "B";
  h.colors[0].separations[0] = 10;
  h.colors[0].separations[1] = 20;
  int current = 0;
  DeleteSeparation(h, &current);
  EXPECT_EQ(h.separationCount, 1);
  EXPECT_EQ(h.separations[0].name, "B");
  EXPECT_EQ(h.colors[0].separations[0], 20);
  EXPECT_EQ(h.colors[0].separations[1], 255);
  DeleteSeparation(h, &current);  // the only one: a fresh default one takes its place
  EXPECT_EQ(h.separationCount, 1);
  EXPECT_EQ(h.separations[0].name, "");
  EXPECT_EQ(h.colors[0].separations[0], 255);
  h.separationCount = 24;
  EXPECT_EQ(AppendSeparation(h), -1);
  struct {
    const char* typed;
    const char* stored;
  } names[] = {{"BLUE plate", "Blue plate"},
               {"   red", "Red"},
               {"   ", ""},
               {"abcdefghijklmnopqrs", "Abcdefghijklmno"}};
  for (auto n : names) EXPECT_EQ(SeparationName(n.typed), n.stored);
}

TEST(ColorTable, SeparationCells) {
  EXPECT_EQ(SeparationShareText(25), "12.5");
  EXPECT_EQ(SeparationShareText(80), "40");
  EXPECT_EQ(SeparationShareText(255), "");
  EXPECT_EQ(SeparationShareText(201), "");
  struct {
    const char* text;
    int value;  // -1: refused
    const char* problem;
  } cells[] = {
      {"12.5", 25, ""},
      {"40", 80, ""},
      {" ", 255, ""},
      {"", 255, ""},
      {"abc", -1, "Color separation must be a number."},
      {"1.2.3", -1, "Color separation must be a number."},
      {"101", -1, "Color separation must be between 0 and 100 %"},
      {"-1", -1, "Color separation must be between 0 and 100 %"},
  };
  for (auto c : cells) {
    const ShareCell s = ReadSeparationShare(c.text);
    EXPECT_EQ(s.value ? int{*s.value} : -1, c.value) << c.text;
    EXPECT_EQ(s.problem, c.problem) << c.text;
  }
}

TEST(ColorTable, EngineFollowsMovedColours) {
  MapFixture f;
  ASSERT_TRUE(f.store.ColorTableChanged());
  // An object of an unknown symbol is drawn in colour record 0's colour.
  ObjectRecord line = MakeLine(7770, 0, 0, 100, 100);
  ASSERT_TRUE(f.store.AddObject(line));
  ASSERT_TRUE(f.store.UsedColors().Has(2));
  EXPECT_FALSE(f.store.Block(0).colors.Has(0));
  SymbolHeader& h = f.store.MutableColors();
  ASSERT_TRUE(MoveColor(h, 0, +1));  // "Blue" (0) now on top
  ASSERT_TRUE(f.store.ColorTableChanged());
  EXPECT_TRUE(f.store.Placeholder().Colors().Has(0));
  EXPECT_TRUE(f.store.Block(0).colors.Has(0));
  EXPECT_TRUE(f.store.UsedColors().Has(0));
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(f.store.Colors().colors[0].colorNumber, 0);
  EXPECT_EQ(f.store.Colors().colors[1].colorNumber, 2);
}

}  // namespace
}  // namespace zelk
