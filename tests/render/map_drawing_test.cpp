// Colour-by-colour drawing of a map region: order of colours, choice of objects, aborting.
#include "render/map_drawing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "render/recording_device.h"
#include "storage/map_fixture.h"

namespace zelk {
namespace {

// A point symbol drawing one dot of `diameter` in each of `colors`.
SymbolRecord DotSymbol(int number, const std::vector<int>& colors, int diameter = 100) {
  std::vector<test::Element> dots;
  for (int c : colors)
    dots.push_back(
        {kElementDot, 0, static_cast<int16_t>(c), 0, static_cast<int16_t>(diameter), {Coord{}}});
  const std::vector<uint8_t> list = test::EncodeElements(dots);
  SymbolRecord s = MakeSymbol(number, SymbolType::Point, diameter / 2, {});
  s.SetColors(test::ColorsOf(dots));
  PointSymbol point;
  point.ElementUnits = static_cast<int16_t>(list.size() / 8);
  point.Elements = list;
  point.Encode(s);
  return s;
}

ObjectRecord PointAt(int symbol, int x, int y) {
  ObjectRecord o;
  o.symbol = static_cast<int16_t>(symbol);
  o.type = ObjectType::Point;
  o.coords = {Coord::FromUnits(x, y)};
  return o;
}

// Colour table top to bottom: Black (2), Blue (0), Yellow (1), Red (3, used by nothing).
struct DrawingFixture {
  TempDir dir;
  RecordingSink sink;
  MapStore store{&sink};
  RecordingDevice device;
  FixedMetricsFonts fonts;
  RenderScratch scratch;
  RenderContext ctx{device, fonts, scratch};

  DrawingFixture() {
    store.CreateEmptyMap(dir.Path("map.zkm"));
    SymbolHeader& h = store.MutableColors();
    h.colorCount = 4;
    h.colors[0] = ColorRecord::NewColor(2, "Black");
    h.colors[0].cmyk = {0, 0, 0, 200};
    h.colors[1] = ColorRecord::NewColor(0, "Blue");
    h.colors[1].cmyk = {200, 0, 0, 0};
    h.colors[2] = ColorRecord::NewColor(1, "Yellow");
    h.colors[2].cmyk = {0, 0, 200, 0};
    h.colors[3] = ColorRecord::NewColor(3, "Red");
    store.WriteSymbolHeader();
    store.AppendSymbol(DotSymbol(10, {2, 1}));  // black over yellow
    store.AppendSymbol(DotSymbol(20, {0}));
    store.RewriteSymbolIndex();
    // Read back from the file, so the placeholder takes the colour of the new first record.
    store.CloseWorkingFile();
    store.WorkingFile().OpenExisting(dir.Path("map.zkm"));
    EXPECT_TRUE(store.LoadFromWorkingFile());
  }
  void Add(const ObjectRecord& o) {
    ObjectRecord copy = o;
    ASSERT_TRUE(store.AddObject(copy));
  }
  // Pass colour of every dot in drawing order.
  std::vector<int> DotColors() const {
    std::vector<int> out;
    for (const auto& c : device.Of(RecordedCall::Kind::Dot)) out.push_back(c.passColor);
    return out;
  }
  Box All() const { return UnitsBox(-100000, -100000, 100000, 100000); }
};

TEST(MapDrawing, WalksTheColourTableFromLastToFirstSoTheFirstColourEndsOnTop) {
  DrawingFixture f;
  f.Add(PointAt(10, 0, 0));
  f.Add(PointAt(20, 500, 0));
  const MapDrawingResult r = DrawMapRegion(f.store, f.ctx, f.All());
  EXPECT_TRUE(r.completed);
  // Yellow (last), then Blue, then Black (first): each object once per colour it draws with.
  EXPECT_EQ(f.DotColors(), (std::vector<int>{1, 0, 2}));
  EXPECT_EQ(r.objectsDrawn, 3);
}

TEST(MapDrawing, SelectsEachUsedColourWithItsProcessColoursAndSkipsUnusedOnes) {
  DrawingFixture f;
  f.Add(PointAt(20, 0, 0));
  DrawMapRegion(f.store, f.ctx, f.All());
  std::vector<int> passes;
  for (const auto& c : f.device.Of(RecordedCall::Kind::Color)) passes.push_back(c.passColor);
  // Blue is used by the object and Black by the placeholder of unknown symbols; Red and
  // Yellow are never selected.
  EXPECT_EQ(passes, (std::vector<int>{0, 2}));
  const auto dots = f.device.Of(RecordedCall::Kind::Dot);
  ASSERT_EQ(dots.size(), 1u);
  EXPECT_EQ(dots[0].color, (Rgb{0, 255, 255}));
}

TEST(MapDrawing, DrawsOnlyObjectsMeetingTheRegion) {
  DrawingFixture f;
  f.Add(PointAt(20, 0, 0));
  f.Add(PointAt(20, 10000, 10000));
  f.Add(PointAt(20, 20000, 0));
  const MapDrawingResult r = DrawMapRegion(f.store, f.ctx, UnitsBox(9000, 9000, 11000, 11000));
  ASSERT_EQ(r.objectsDrawn, 1);
  EXPECT_EQ(f.device.Of(RecordedCall::Kind::Dot).at(0).centre.PosX(), 10000);
}

TEST(MapDrawing, SkipsObjectsOfHiddenSymbolsAndDeletedObjects) {
  DrawingFixture f;
  f.Add(PointAt(10, 0, 0));
  f.Add(PointAt(20, 0, 0));
  f.Add(PointAt(20, 100, 0));
  ASSERT_TRUE(f.store.SetSymbolStatus(f.store.SymbolPlace(10), kStatusHidden));
  ASSERT_TRUE(f.store.DeleteObject(3));
  const MapDrawingResult r = DrawMapRegion(f.store, f.ctx, f.All());
  EXPECT_EQ(r.objectsDrawn, 1);
  EXPECT_EQ(f.DotColors(), std::vector<int>{0});
}

TEST(MapDrawing, ObjectsOfUnknownSymbolsAreDrawnInTheFirstColoursPass) {
  DrawingFixture f;
  f.Add(PointAt(77, 0, 0));  // no such symbol: the placeholder draws in colour record 0
  const MapDrawingResult r = DrawMapRegion(f.store, f.ctx, f.All());
  EXPECT_EQ(r.objectsDrawn, 1);
  const auto strokes = f.device.Of(RecordedCall::Kind::Stroke);  // the fallback cross
  ASSERT_FALSE(strokes.empty());
  for (const auto& s : strokes) EXPECT_EQ(s.passColor, 2);
}

TEST(MapDrawing, StopsAfterTheObjectAtWhichInputIsWaiting) {
  DrawingFixture f;
  for (int i = 0; i < 10; ++i) f.Add(PointAt(20, 100 * i, 0));
  int drawn = 0;
  f.ctx.inputWaiting = [&] { return drawn >= 4; };
  MapDrawingOptions options;
  options.objectDrawn = [&](int64_t n) { drawn = static_cast<int>(n); };
  const MapDrawingResult r = DrawMapRegion(f.store, f.ctx, f.All(), options);
  EXPECT_FALSE(r.completed);
  EXPECT_EQ(r.objectsDrawn, 4);
  EXPECT_EQ(f.device.Of(RecordedCall::Kind::Dot).size(), 4u);
}

TEST(MapDrawing, ColoursNotWantedAreLeftOutAndTheCallerMaySetTheColour) {
  DrawingFixture f;
  f.Add(PointAt(10, 0, 0));
  MapDrawingOptions options;
  options.colorWanted = [](const ColorRecord& c) { return c.name != "Yellow"; };
  options.selectColor = [](OutputDevice& d, const ColorRecord& c) {
    d.SelectColorPass(c.colorNumber, Cmyk{0, 0, 0, 200}, Rgb{1, 2, 3});
  };
  DrawMapRegion(f.store, f.ctx, f.All(), options);
  const auto dots = f.device.Of(RecordedCall::Kind::Dot);
  ASSERT_EQ(dots.size(), 1u);
  EXPECT_EQ(dots[0].passColor, 2);
  EXPECT_EQ(dots[0].color, (Rgb{1, 2, 3}));
}

TEST(MapDrawing, AnEmptyOrClosedMapDrawsNothing) {
  DrawingFixture f;
  EXPECT_EQ(DrawMapRegion(f.store, f.ctx, f.All()).objectsDrawn, 0);
  f.store.CloseWorkingFile();
  EXPECT_EQ(DrawMapRegion(f.store, f.ctx, f.All()).objectsDrawn, 0);
  EXPECT_TRUE(f.device.calls.empty());
}

// One line per recorded call, with everything the device was handed.
std::vector<std::string> Describe(const std::vector<RecordedCall>& calls) {
  std::vector<std::string> out;
  for (const RecordedCall& c : calls) {
    std::string line = std::to_string(static_cast<int>(c.kind)) + " pass " +
                       std::to_string(c.passColor) + " width " + std::to_string(c.width) +
                       " style " + std::to_string(c.style) + " at " + std::to_string(c.centre.x) +
                       "," + std::to_string(c.centre.y) + " d " + std::to_string(c.diameter);
    for (const Coord& p : c.path) line += " " + std::to_string(p.x) + "," + std::to_string(p.y);
    out.push_back(line);
  }
  return out;
}

// The drawing as a walk over every entry for every colour, from the last colour of the table to
// the first: in each, the live objects meeting the region that the search finds in that colour
// (by their block's and their symbol's colours), in object number order.
std::vector<RecordedCall> DrawnEntryByEntry(MapStore& store, const Box& region) {
  RecordingDevice device;
  FixedMetricsFonts fonts;
  RenderScratch scratch;
  RenderContext ctx{device, fonts, scratch};
  const SymbolHeader& table = store.Colors();
  for (int place = table.colorCount - 1; place >= 0; --place) {
    const ColorRecord& color = table.colors[static_cast<size_t>(place)];
    if (!store.UsedColors().Has(color.colorNumber)) continue;
    device.SelectColorPass(color.colorNumber,
                           Cmyk{color.cmyk[0], color.cmyk[1], color.cmyk[2], color.cmyk[3]});
    for (int32_t n = 1; n <= store.ObjectCount(); ++n) {
      IndexEntry e;
      ObjectRecord obj;
      if (!store.ReadEntry(n, &e) || !e.Live() || !e.box.Meets(region) ||
          !store.Block((n - 1) / kEntriesPerBlock).colors.Has(color.colorNumber) ||
          !store.SymbolFor(e.symbol).Colors().Has(color.colorNumber) || !store.ReadObject(n, &obj))
        continue;
      const SymbolRecord& symbol = store.SymbolFor(obj.symbol);
      if (symbol.Status() != kStatusHidden) DrawObject(ctx, obj, symbol);
    }
  }
  return device.calls;
}

// Twelve colours in a shuffled table, forty symbols of one to three of them (one hidden), and
// 1500 objects added in shuffled order, then moved, deleted and replaced at random.
TEST(MapDrawing, DrawsInTheOrderOfAWalkOverEveryEntryColourByColour) {
  std::mt19937 rng(5);
  auto rand = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  TempDir dir;
  RecordingSink sink;
  MapStore store(&sink);
  ASSERT_TRUE(store.CreateEmptyMap(dir.Path("map.zkm")));
  SymbolHeader& h = store.MutableColors();
  std::vector<int> numbers(12);
  for (int i = 0; i < 12; ++i) numbers[static_cast<size_t>(i)] = i * 3 + 1;
  std::shuffle(numbers.begin(), numbers.end(), rng);
  h.colorCount = 12;
  for (int i = 0; i < 12; ++i) {
    ColorRecord& c = h.colors[static_cast<size_t>(i)];
    c = ColorRecord::NewColor(static_cast<int16_t>(numbers[static_cast<size_t>(i)]), "C");
    c.cmyk = {static_cast<uint8_t>(i * 15), 0, static_cast<uint8_t>(200 - i * 15), 0};
  }
  store.WriteSymbolHeader();
  for (int s = 0; s < 40; ++s) {
    std::vector<int> colors;
    for (int k = rand(1, 3); k > 0; --k)
      colors.push_back(numbers[static_cast<size_t>(rand(0, 11))]);
    ASSERT_TRUE(store.AppendSymbol(DotSymbol(100 + s, colors, rand(20, 400))));
  }
  ASSERT_TRUE(store.RewriteSymbolIndex());
  ASSERT_TRUE(store.SetSymbolStatus(store.SymbolPlace(105), kStatusHidden));
  auto anyObject = [&] {
    return PointAt(rand(0, 40) == 0 ? 77 : rand(100, 139), rand(0, 20000), rand(0, 20000));
  };
  for (int i = 0; i < 1500; ++i) {
    ObjectRecord o = anyObject();
    ASSERT_TRUE(store.AddObject(o));
  }
  for (int i = 0; i < 600; ++i) {
    const int32_t n = rand(1, store.ObjectCount());
    IndexEntry e;
    ASSERT_TRUE(store.ReadEntry(n, &e));
    if (!e.Live()) continue;
    ObjectRecord o = anyObject();
    int32_t m = n;
    const int kind = rand(0, 2);
    ASSERT_TRUE(kind == 0   ? store.RewriteObject(n, o)
                : kind == 1 ? store.DeleteObject(n)
                            : store.ReplaceObject(&m, o));
  }
  for (const Box& region : {UnitsBox(-100000, -100000, 100000, 100000), UnitsBox(0, 0, 2000, 2000),
                            UnitsBox(5000, 12000, 9000, 13000), UnitsBox(19990, 0, 30000, 20000)}) {
    RecordingDevice device;
    FixedMetricsFonts fonts;
    RenderScratch scratch;
    RenderContext ctx{device, fonts, scratch};
    const MapDrawingResult r = DrawMapRegion(store, ctx, region);
    const std::vector<RecordedCall> want = DrawnEntryByEntry(store, region);
    EXPECT_TRUE(r.completed);
    EXPECT_GT(r.objectsDrawn, 0);
    EXPECT_EQ(Describe(device.calls), Describe(want));
  }
}

}  // namespace
}  // namespace zelk
