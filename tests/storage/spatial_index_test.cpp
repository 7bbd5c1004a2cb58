// The spatial index beside the object index: region queries and searches against a plain walk
// over the entries, on random maps that are added to, changed, thinned out and reopened.
#include "storage/spatial_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>

#include "map_fixture.h"

namespace zelk {
namespace {

// Every live object whose box meets `rect`, by reading every entry.
std::vector<int32_t> ScanRegion(MapStore& store, const Box& rect) {
  std::vector<int32_t> out;
  for (int32_t n = 1; n <= store.ObjectCount(); ++n) {
    IndexEntry e;
    if (store.ReadEntry(n, &e) && e.Live() && e.box.Meets(rect)) out.push_back(n);
  }
  return out;
}

struct Step {
  SearchResult result;
  int32_t current = 0;
  int symbol = -1;  // the symbol made current by a find
  bool operator==(const Step& o) const {
    return result.found == o.result.found && result.done == o.result.done && current == o.current &&
           symbol == o.symbol;
  }
};

std::ostream& operator<<(std::ostream& os, const Step& s) {
  return os << "found " << s.result.found << " done " << s.result.done << " at " << s.current
            << " symbol " << s.symbol;
}

// One step of the search as a walk over the index blocks, entry by entry: skipping a block
// that has no live object, misses the rectangle or lacks the colour.
Step ScanSearch(MapStore& store, const Box& rect, int32_t stop, int color, int32_t current) {
  Step s;
  s.current = current;
  const int32_t count = store.ObjectCount();
  if (count <= 0 || color > 255) {
    s.result = {false, true};
    return s;
  }
  int32_t n = current;
  int64_t visited = 0;
  while (visited <= count) {
    n = (n >= count || n < 0) ? 1 : n + 1;
    const int b = (n - 1) / kEntriesPerBlock;
    const IndexBlockCache& block = store.Block(b);
    const int32_t blockLast = std::min<int32_t>((b + 1) * kEntriesPerBlock, count);
    if (block.liveCount == 0 || !block.box.Meets(rect) ||
        (color >= 0 && !block.colors.Has(color))) {
      if (stop >= n && stop <= blockLast) {
        s.current = blockLast;
        s.result = {false, true};
        return s;
      }
      visited += blockLast - n + 1;
      n = blockLast;
      continue;
    }
    ++visited;
    const IndexEntry& e = block.entries[static_cast<size_t>((n - 1) % kEntriesPerBlock)];
    if (e.Live() && e.box.Meets(rect) &&
        (color < 0 || store.SymbolFor(e.symbol).Colors().Has(color))) {
      s.current = n;
      s.symbol = store.SymbolFor(e.symbol).Number();
      s.result = {true, n == stop};
      return s;
    }
    if (n == stop) {
      s.current = n;
      s.result = {false, true};
      return s;
    }
  }
  s.current = n;
  s.result = {false, true};
  return s;
}

Step EngineSearch(MapStore& store, const Box& rect, int32_t stop, int color, int32_t current) {
  Step s;
  s.current = current;
  s.result = store.Search(rect, stop, color, &s.current);
  if (s.result.found) s.symbol = store.CurrentSymbol().Number();
  return s;
}

// How a random map is made and worn.
struct Scenario {
  const char* name;
  uint32_t seed;
  int initial;      // objects added before the first step
  int steps;        // random operations afterwards
  int sheet;        // objects lie in a square of this side (0.01 mm)
  int hugeEvery;    // one added object in this many spans the whole sheet (0: none)
  int reopenEvery;  // the map is closed and opened again every this many steps (0: never)
  int queryEvery;   // queries are checked every this many steps
  // Objects are added area by area (row by row over a grid of 64 x 64 cells), so that the index
  // blocks hold objects close together.
  bool areaByArea = false;
};

void PrintTo(const Scenario& s, std::ostream* os) {
  *os << s.name;
}

class RandomMap {
 public:
  explicit RandomMap(const Scenario& s) : s_(s), rng_(s.seed) {}

  MapFixture f;

  int Rand(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  ObjectRecord NewObject() {
    static constexpr int kSymbols[] = {1010, 2010, 3010, 7777};  // 7777: no such symbol
    const int symbol = kSymbols[Rand(0, 3)];
    if (s_.hugeEvery > 0 && Rand(1, s_.hugeEvery) == 1)
      return MakeLine(symbol, -s_.sheet, -s_.sheet, 2 * s_.sheet, 2 * s_.sheet);
    if (s_.areaByArea) {
      const int cell = s_.sheet / 64, at = added_++ % (64 * 64);
      const int x = at % 64 * cell + Rand(0, cell), y = at / 64 * cell + Rand(0, cell);
      return MakeLine(symbol, x, y, x + Rand(0, cell), y + Rand(0, cell));
    }
    const int x = Rand(0, s_.sheet), y = Rand(0, s_.sheet), size = Rand(0, s_.sheet / 10);
    return MakeLine(symbol, x, y, x + Rand(-size, size), y + Rand(-size, size));
  }

  int32_t AnyLive() {
    for (int tries = 0; tries < 20 && f.store.ObjectCount() > 0; ++tries) {
      const int32_t n = Rand(1, f.store.ObjectCount());
      IndexEntry e;
      if (f.store.ReadEntry(n, &e) && e.Live()) return n;
    }
    return 0;
  }

  void Add() {
    ObjectRecord o = NewObject();
    ASSERT_TRUE(f.store.AddObject(o));
  }

  // One random change of the map.
  void Change() {
    const int kind = Rand(0, 99);
    if (kind < 40 || f.store.ObjectCount() == 0) return Add();
    if (kind < 96) {
      const int32_t n = AnyLive();
      if (n == 0) return Add();
      ObjectRecord o = NewObject();
      if (kind < 70) {
        ASSERT_TRUE(f.store.RewriteObject(n, o));  // two points again: the same length
      } else if (kind < 85) {
        ASSERT_TRUE(f.store.DeleteObject(n));
      } else {
        int32_t m = n;
        ASSERT_TRUE(f.store.ReplaceObject(&m, o));
      }
      return;
    }
    const int place = Rand(0, f.store.SymbolCount() - 1);
    SymbolRecord r = f.store.Symbol(place);
    if (kind == 97) {
      // Other colours for a symbol, its objects not updated: the blocks' colour sets keep the
      // old colours, and the search skips blocks by them.
      ColorSet colors;
      colors.Add(Rand(0, 3));
      r.SetColors(colors);
      ASSERT_TRUE(f.store.ReplaceSymbol(place, r));
      return;
    }
    // A symbol gets wider or narrower: the entries of its objects are recomputed.
    r.SetExtent(Rand(0, 400));
    if (kind < 99) {
      ASSERT_TRUE(f.store.ReplaceSymbol(place, r));
    } else {
      std::vector<SymbolRecord> all;
      for (int i = 0; i < f.store.SymbolCount(); ++i) all.push_back(f.store.Symbol(i));
      all[static_cast<size_t>(place)] = r;
      const SymbolHeader colors = f.store.Colors();
      ASSERT_TRUE(f.store.ReplaceAllSymbols(colors, all));
    }
    ASSERT_TRUE(f.store.UpdateObjects(r.Number(), r.Number()));
  }

  // Rectangles of every kind: small and large, a point, the whole plane, and rectangles that
  // touch an object's box at an edge or miss it by one.
  Box AnyRect() {
    const int kind = Rand(0, 9);
    const int32_t n = AnyLive();
    IndexEntry e;
    if (kind < 4 && n > 0 && f.store.ReadEntry(n, &e)) {
      const int32_t w = Rand(0, 5000), gap = Rand(0, 1);
      switch (kind) {
        case 0:
          return {e.box.right + gap, e.box.bottom - w, e.box.right + gap + w, e.box.bottom};
        case 1:
          return {e.box.left - w, e.box.top + gap, e.box.left - gap, e.box.top + gap + w};
        case 2:
          return {e.box.left, e.box.bottom, e.box.left, e.box.bottom};
        default:
          return {e.box.left - w - gap, e.box.top + gap, e.box.left - gap, e.box.top + w};
      }
    }
    if (kind == 4) return {-(1 << 30), -(1 << 30), (1 << 30) - 1, (1 << 30) - 1};
    const int side = kind < 8 ? Rand(0, s_.sheet / 8) : Rand(0, s_.sheet);
    const int x = Rand(-s_.sheet / 4, s_.sheet), y = Rand(-s_.sheet / 4, s_.sheet);
    return UnitsBox(x, y, x + side, y + side);
  }

  // Region queries and searches of the engine against the plain walk.
  void Check(const std::string& when) {
    static constexpr int kColors[] = {-1, 0, 1, 2, 3, 300};
    std::vector<int32_t> got;
    for (int q = 0; q < 4; ++q) {
      const Box rect = AnyRect();
      f.store.ObjectsInRegion(rect, &got);
      ASSERT_EQ(got, ScanRegion(f.store, rect)) << when << " query " << q;
      const int32_t count = f.store.ObjectCount();
      const int32_t starts[] = {count, 0, -1, count + 3, Rand(1, std::max(count, 1))};
      const int32_t stops[] = {count, 0, count + 1, Rand(1, std::max(count, 1))};
      const int color = kColors[Rand(0, 5)];
      for (int32_t start : starts)
        for (int32_t stop : stops)
          ASSERT_EQ(EngineSearch(f.store, rect, stop, color, start),
                    ScanSearch(f.store, rect, stop, color, start))
              << when << " colour " << color << " from " << start << " to " << stop;
      // A whole walk, as drawing did it colour by colour.
      int32_t current = count;
      for (int guard = 0; guard <= count; ++guard) {
        const Step engine = EngineSearch(f.store, rect, count, color, current);
        ASSERT_EQ(engine, ScanSearch(f.store, rect, count, color, current)) << when;
        current = engine.current;
        if (engine.result.done) break;
      }
      // The objects listed by colour are those of such walks, for every colour.
      MapStore::ObjectsByColor byColor;
      f.store.ObjectsInRegionByColor(rect, &byColor);
      for (int c = 0; c < 256; ++c) {
        std::vector<int32_t> walked;
        if (c < 4) walked = ScanWalk(rect, c);
        ASSERT_EQ(byColor[static_cast<size_t>(c)], walked) << when << " colour " << c;
      }
      // Records read in one sweep, whole or up to a limit, are those read one at a time.
      f.store.SweepRecords(f.store.LastRegion(), q % 2 ? MapStore::kSweepLimit : 3000);
      ASSERT_NO_FATAL_FAILURE(CheckReads(f.store.LastRegion(), when));
    }
  }

  void CheckReads(const std::vector<int32_t>& objects, const std::string& when) {
    ObjectRecord obj;
    std::vector<uint8_t> stored;
    for (const int32_t n : objects) {
      IndexEntry e;
      ASSERT_TRUE(f.store.ReadEntry(n, &e));
      ASSERT_TRUE(f.store.ReadObject(n, &obj)) << when << " object " << n;
      ASSERT_TRUE(f.store.ReadRecordBytes(e, &stored));
      ASSERT_EQ(obj.Encode(), ObjectRecord::DecodeAsRead(stored.data(), e.length).Encode())
          << when << " object " << n;
    }
  }

  std::vector<int32_t> ScanWalk(const Box& rect, int color) {
    std::vector<int32_t> out;
    const int32_t count = f.store.ObjectCount();
    for (Step s{{false, false}, count}; !s.result.done;) {
      s = ScanSearch(f.store, rect, count, color, s.current);
      if (s.result.found) out.push_back(s.current);
    }
    return out;
  }

  void Run() {
    for (int i = 0; i < s_.initial; ++i) ASSERT_NO_FATAL_FAILURE(Add());
    ASSERT_NO_FATAL_FAILURE(Check("after adding"));
    for (int step = 1; step <= s_.steps; ++step) {
      ASSERT_NO_FATAL_FAILURE(Change());
      if (s_.reopenEvery > 0 && step % s_.reopenEvery == 0) {
        ASSERT_TRUE(f.Reopen());
      }
      if (step % s_.queryEvery == 0) {
        ASSERT_NO_FATAL_FAILURE(Check("step " + std::to_string(step)));
      }
    }
    ASSERT_NO_FATAL_FAILURE(Check("at the end"));
    ASSERT_TRUE(f.Reopen());
    ASSERT_NO_FATAL_FAILURE(Check("reopened"));
  }

 private:
  Scenario s_;
  std::mt19937 rng_;
  int added_ = 0;
};

class RegionQuery : public ::testing::TestWithParam<Scenario> {};

TEST_P(RegionQuery, EqualsAWalkOverEveryEntry) {
  RandomMap map(GetParam());
  map.Run();
}

// The index holds up to max(1024, objects / 16) changes; one more drops it, and the next query
// builds it again: the long scenarios cross that limit many times, on small maps and on one of
// 20000 objects. Maps made area by area are also read block by block where that is quicker.
INSTANTIATE_TEST_SUITE_P(
    Maps, RegionQuery,
    ::testing::Values(Scenario{"empty", 1, 0, 0, 1000, 0, 0, 1},
                      Scenario{"one", 2, 1, 30, 1000, 0, 0, 1},
                      Scenario{"small, every step", 3, 20, 400, 2000, 0, 0, 1},
                      Scenario{"dense", 4, 300, 600, 500, 0, 0, 5},
                      Scenario{"huge boxes", 5, 200, 400, 5000, 5, 0, 4},
                      Scenario{"reopened", 6, 400, 600, 10000, 0, 97, 10},
                      Scenario{"past the change limit", 7, 100, 3500, 20000, 50, 0, 60},
                      Scenario{"large map", 8, 20000, 3000, 40000, 1000, 1400, 150},
                      Scenario{"area by area", 10, 3000, 600, 20000, 0, 0, 20, true},
                      Scenario{"area by area, worn", 11, 12000, 3000, 40000, 2000, 1100, 100,
                               true}),
    [](const auto& info) {
      std::string name = info.param.name;
      std::replace_if(
          name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
      return name;
    });

TEST(RegionQuery, EveryObjectDeletedLeavesNothing) {
  RandomMap map(Scenario{"", 9, 300, 0, 3000, 0, 0, 1});
  map.Run();
  std::vector<int32_t> got;
  map.f.store.ObjectsInRegion(UnitsBox(-10000, -10000, 10000, 10000), &got);
  ASSERT_EQ(got.size(), 300u);
  for (int32_t n = 1; n <= 300; ++n) ASSERT_TRUE(map.f.store.DeleteObject(n));
  map.f.store.ObjectsInRegion(UnitsBox(-10000, -10000, 10000, 10000), &got);
  EXPECT_TRUE(got.empty());
  ASSERT_NO_FATAL_FAILURE(map.Check("all deleted"));
}

TEST(RegionQuery, ClosedMapAndEditedSymbolHaveTheirOwnObjects) {
  MapFixture f;
  ObjectRecord o = MakeLine(1010, 0, 0, 100, 0);
  ASSERT_TRUE(f.store.AddObject(o));
  std::vector<int32_t> got;
  // While a point symbol is edited, its elements are the objects.
  f.store.BeginSymbolEditing(test::EncodeElements({
      {kElementLine, 0, 1, 10, 0, {test::U(0, 0), test::U(50, 0)}},
      {kElementDot, 0, 2, 0, 40, {test::U(1000, 1000)}},
      {kElementLine, 0, 2, 10, 0, {test::U(-60, 5), test::U(0, 5)}},
  }));
  f.store.ObjectsInRegion(UnitsBox(0, 0, 10, 10), &got);
  EXPECT_EQ(got, (std::vector<int32_t>{1, 3}));
  EXPECT_TRUE(f.store.SearchAt(3, UnitsBox(0, 0, 10, 10), 2));
  EXPECT_FALSE(f.store.SearchAt(1, UnitsBox(0, 0, 10, 10), 2));
  EXPECT_FALSE(f.store.SearchAt(2, UnitsBox(0, 0, 10, 10), 2));
  MapStore::ObjectsByColor byColor;
  f.store.ObjectsInRegionByColor(UnitsBox(0, 0, 10, 10), &byColor);
  EXPECT_EQ(byColor[1], std::vector<int32_t>{1});
  EXPECT_EQ(byColor[2], std::vector<int32_t>{3});
  f.store.EndSymbolEditing();
  f.store.ObjectsInRegion(UnitsBox(0, 0, 10, 10), &got);
  EXPECT_EQ(got, std::vector<int32_t>{1});
  f.store.CloseWorkingFile();
  f.store.ObjectsInRegion(UnitsBox(0, 0, 10, 10), &got);
  EXPECT_TRUE(got.empty());
}

TEST(RegionQuery, SweptRecordsGiveWayToEveryChange) {
  MapFixture f;
  for (int i = 0; i < 40; ++i) {
    ObjectRecord o = MakeLine(1010, i * 100, 0, i * 100 + 50, 0);
    ASSERT_TRUE(f.store.AddObject(o));
  }
  const Box all = UnitsBox(-100, -100, 5000, 100);
  MapStore::ObjectsByColor byColor;
  auto sweep = [&] {
    f.store.ObjectsInRegionByColor(all, &byColor);
    f.store.SweepRecords(f.store.LastRegion());
  };
  auto firstX = [&](int32_t n) {
    ObjectRecord o;
    return f.store.ReadObject(n, &o) ? o.coords[0].x / 256 : -1;
  };
  sweep();
  EXPECT_EQ(firstX(7), 600);
  // Rewritten in place, replaced, restored: each read sees the record now stored.
  ObjectRecord moved = MakeLine(1010, 777, 0, 800, 0);
  ASSERT_TRUE(f.store.RewriteObject(7, moved));
  EXPECT_EQ(firstX(7), 777);
  sweep();
  IndexEntry before;
  ASSERT_TRUE(f.store.ReadEntry(8, &before));
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(f.store.ReadRecordBytes(before, &bytes));
  ObjectRecord other = MakeLine(1010, 888, 0, 900, 0);
  ASSERT_TRUE(f.store.RewriteObject(8, other));
  sweep();
  ASSERT_TRUE(f.store.RestoreRecord(8, before, bytes));
  EXPECT_EQ(firstX(8), 700);
  sweep();
  f.store.BeginBatch();
  ObjectRecord added = MakeLine(1010, 4100, 0, 4200, 0);
  ASSERT_TRUE(f.store.AddObject(added));
  EXPECT_EQ(firstX(41), 4100);
  ASSERT_TRUE(f.store.EndBatch());
  // Nothing is kept across closing and opening.
  sweep();
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(firstX(7), 777);
  EXPECT_EQ(firstX(41), 4100);
}

// --- The index itself -------------------------------------------------------------------

TEST(SpatialIndex, IsBuiltAgainWhenTheChangesOutgrowOneSixteenthOfTheTree) {
  struct Case {
    size_t tree, changes;
    bool rebuild;
  };
  for (const Case& c :
       {Case{0, 1024, false}, Case{0, 1025, true}, Case{100, 1024, false}, Case{16384, 1024, false},
        Case{16384, 1025, true}, Case{32000, 2000, false}, Case{32000, 2001, true}}) {
    SpatialIndex index;
    EXPECT_TRUE(index.NeedsBuild());
    index.Changed(1, Box{});  // not kept before the first build
    std::vector<SpatialIndex::Item> items(c.tree);
    for (size_t i = 0; i < c.tree; ++i) items[i].number = static_cast<int32_t>(i + 1);
    index.Build(items);
    EXPECT_EQ(index.ChangeCount(), 0u);
    for (size_t i = 0; i < c.changes; ++i) index.Changed(1, Box{});
    EXPECT_EQ(index.NeedsBuild(), c.rebuild) << c.tree << " " << c.changes;
    // A dropped index holds nothing until it is built again.
    EXPECT_EQ(index.ChangeCount(), c.rebuild ? 0 : c.changes);
    EXPECT_EQ(index.TreeSize(), c.rebuild ? 0 : c.tree);
    if (c.rebuild) {
      index.Changed(1, Box{});
      EXPECT_EQ(index.ChangeCount(), 0u);
    }
    index.Invalidate();
    EXPECT_TRUE(index.NeedsBuild());
    EXPECT_EQ(index.TreeSize(), 0u);
  }
}

TEST(SpatialIndex, CandidatesHoldEveryBoxMeetingTheRectangle) {
  std::mt19937 rng(17);
  auto rand = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  // Sizes around the node size and its powers; boxes of every shape, some inverted or huge.
  for (size_t n : {0, 1, 15, 16, 17, 255, 256, 257, 4097}) {
    std::vector<SpatialIndex::Item> items(n);
    for (size_t i = 0; i < n; ++i) {
      const int x = rand(-100000, 100000), y = rand(-100000, 100000);
      const int w = rand(0, 9) == 0 ? rand(-500, 0) : rand(0, i % 50 == 0 ? 400000 : 3000);
      items[i] = {Box{x, y, x + w, y + rand(0, 3000)}, static_cast<int32_t>(i + 1)};
    }
    SpatialIndex index;
    index.Build(items);
    ASSERT_EQ(index.TreeSize(), n);
    for (int q = 0; q < 200; ++q) {
      const int x = rand(-120000, 120000), y = rand(-120000, 120000);
      const Box rect{x, y, x + rand(0, q % 10 == 0 ? 200000 : 5000), y + rand(0, 5000)};
      std::vector<int32_t> got, want;
      index.Candidates(rect, &got);
      for (const auto& it : items)
        if (it.box.Meets(rect)) want.push_back(it.number);
      std::sort(got.begin(), got.end());
      ASSERT_EQ(got, want) << n << " items, query " << q;
    }
  }
}

}  // namespace
}  // namespace zelk
