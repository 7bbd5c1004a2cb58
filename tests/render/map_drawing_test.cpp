// Colour-by-colour drawing of a map region: order of colours, choice of objects, aborting.
#include "render/map_drawing.h"

#include <gtest/gtest.h>

#include "render/recording_device.h"
#include "storage/map_fixture.h"

namespace zelk {
namespace {

// A point symbol drawing one dot of `diameter` in each of `colors`.
SymbolRecord DotSymbol(int number, std::initializer_list<int> colors, int diameter = 100) {
  std::vector<test::Element> dots;
  for (int c : colors)
    dots.push_back(
        {kElementDot, 0, static_cast<int16_t>(c), 0, static_cast<int16_t>(diameter), {Coord{}}});
  const std::vector<uint8_t> list = test::EncodeElements(dots);
  SymbolRecord s = MakeSymbol(number, SymbolType::Point, diameter / 2, colors);
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

}  // namespace
}  // namespace zelk
