// Optimize/Repair: deleted objects dropped, every kind of damage repaired or dropped, the map
// replaced only by a complete, synced file.
#include "storage/optimize.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "faulty_file_system.h"
#include "map_fixture.h"

namespace zelk {
namespace {

using test::U;

ObjectRecord Area(int symbol, std::vector<Coord> pts) {
  ObjectRecord o;
  o.symbol = static_cast<int16_t>(symbol);
  o.type = ObjectType::Area;
  o.coords = std::move(pts);
  return o;
}

// A line of `points` points.
ObjectRecord LongLine(int points) {
  ObjectRecord o;
  o.symbol = 1010;
  o.type = ObjectType::Line;
  for (int i = 0; i < points; ++i) o.coords.push_back(U(i * 10, (i % 7) * 30));
  return o;
}

struct OptFixture : MapFixture {
  explicit OptFixture(FileSystem* files = nullptr) : MapFixture(files) {}
  void Add(ObjectRecord o) { ASSERT_TRUE(store.AddObject(o)); }
  // Damage done behind the engine's back: the entry or the record bytes in the file.
  void SetEntry(int32_t n, const std::function<void(IndexEntry&)>& f) {
    IndexEntry e;
    store.ReadEntry(n, &e);
    f(e);
    ASSERT_TRUE(store.WriteEntry(n, e));
  }
  void PokeRecord(int32_t n, int offset, int16_t value) {
    IndexEntry e;
    store.ReadEntry(n, &e);
    uint8_t b[2];
    PutI16(b, value);
    store.WorkingFile().WriteAt(e.pos + offset, b, 2);
  }
  std::vector<std::vector<Coord>> LiveCoords() {
    std::vector<std::vector<Coord>> out;
    for (int32_t n = 1; n <= store.ObjectCount(); ++n) {
      IndexEntry e;
      ObjectRecord o;
      if (store.ReadEntry(n, &e) && e.Live() && store.ReadObject(n, &o)) out.push_back(o.coords);
    }
    return out;
  }
};

TEST(Optimize, DeletedObjectsGoAndTheOthersCloseUpInOrder) {
  OptFixture f;
  for (int i = 0; i < 5; ++i) f.Add(MakeLine(1010, i * 100, 0, i * 100 + 50, 50));
  ASSERT_TRUE(f.store.DeleteObject(2));
  ASSERT_TRUE(f.store.DeleteObject(4));
  NullProgress progress;
  const OptimizeResult r = OptimizeMap(f.store, false, progress);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(f.store.ObjectCount(), 3);
  EXPECT_EQ(f.store.BlockCount(), 1);
  EXPECT_TRUE(f.store.Modified());
  const auto coords = f.LiveCoords();
  ASSERT_EQ(coords.size(), 3u);
  EXPECT_EQ(coords[0][0].PosX(), 0);
  EXPECT_EQ(coords[1][0].PosX(), 200);
  EXPECT_EQ(coords[2][0].PosX(), 400);
  EXPECT_LT(r.sizeAfter, r.sizeBefore);
  // The file read afresh agrees.
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(f.LiveCoords(), coords);
  EXPECT_EQ(f.store.SymbolCount(), 3);
}

TEST(Optimize, TheLargestRecordsAreKept) {
  OptFixture f;
  f.Add(LongLine(2000));  // 32 + 16000 = 16032 bytes
  ObjectRecord withText = LongLine(1990);
  withText.type = ObjectType::Line;
  f.Add(withText);
  NullProgress progress;
  const OptimizeResult r = OptimizeMap(f.store, false, progress);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.damagedDeleted, 0);
  EXPECT_EQ(f.store.LiveObjectCount(), 2);
  ObjectRecord o;
  f.store.ReadObject(1, &o);
  EXPECT_EQ(o.PointCount(), 2000);
}

// One kind of damage per case: how it is done and what optimize makes of it.
struct DamageCase {
  const char* name;
  std::function<void(OptFixture&)> damage;
  int repaired, damaged, spurious, undefined, kept;
};

TEST(Optimize, EveryKindOfDamage) {
  const std::vector<DamageCase> cases = {
      {"entry shorter than a record",
       [](OptFixture& f) { f.SetEntry(2, [](IndexEntry& e) { e.length = 32; }); }, 0, 1, 0, 0, 2},
      {"entry longer than the largest record",
       [](OptFixture& f) { f.SetEntry(2, [](IndexEntry& e) { e.length = 16040; }); }, 0, 1, 0, 0,
       2},
      {"position before the file",
       [](OptFixture& f) { f.SetEntry(2, [](IndexEntry& e) { e.pos = 0; }); }, 0, 1, 0, 0, 2},
      {"record beyond the end",
       [](OptFixture& f) { f.SetEntry(2, [](IndexEntry& e) { e.pos = 0x7ffff000; }); }, 0, 1, 0, 0,
       2},
      {"symbol differs from the entry", [](OptFixture& f) { f.PokeRecord(2, 0, 2010); }, 0, 1, 0, 0,
       2},
      {"type out of range", [](OptFixture& f) { f.PokeRecord(2, 2, 6); }, 0, 1, 0, 0, 2},
      {"no points", [](OptFixture& f) { f.PokeRecord(2, 4, 0); }, 0, 1, 0, 0, 2},
      {"negative text", [](OptFixture& f) { f.PokeRecord(2, 6, -1); }, 0, 1, 0, 0, 2},
      {"counts disagree with the entry", [](OptFixture& f) { f.PokeRecord(2, 4, 3); }, 0, 1, 0, 0,
       2},
      {"point outside the box",
       [](OptFixture& f) { f.SetEntry(2, [](IndexEntry& e) { e.box.right = e.box.left + 256; }); },
       0, 1, 0, 0, 2},
      {"hole flag on the first point",
       [](OptFixture& f) {
         IndexEntry e;
         f.store.ReadEntry(2, &e);
         uint8_t b[4];
         PutI32(b, Coord::FromUnits(100, 0, 0, kHoleStart).y);
         f.store.WorkingFile().WriteAt(e.pos + 36, b, 4);
       },
       1, 0, 0, 0, 3},
      {"area that reads the same backwards",
       [](OptFixture& f) {
         f.Add(Area(2010, {U(0, 0), U(500, 0), U(500, 0), U(0, 0)}));
       },
       0, 0, 1, 0, 3},
      {"line of one point",
       [](OptFixture& f) {
         ObjectRecord o = MakeLine(1010, 5, 5, 5, 5);
         o.coords.resize(1);
         f.Add(o);
       },
       0, 0, 1, 0, 3},
      {"area of two points",
       [](OptFixture& f) {
         f.Add(Area(2010, {U(0, 0), U(500, 0)}));
       },
       0, 0, 1, 0, 3},
      {"unknown symbol", [](OptFixture& f) { f.Add(MakeLine(7777, 150, 250, 300, 300)); }, 0, 0, 0,
       1, 4},
  };
  for (const DamageCase& c : cases) {
    OptFixture f;
    f.Add(MakeLine(1010, 0, 0, 100, 0));
    f.Add(MakeLine(1010, 100, 0, 200, 0));
    f.Add(Area(2010, {U(0, 0), U(500, 0), U(500, 500)}));
    c.damage(f);
    NullProgress progress;
    const OptimizeResult r = OptimizeMap(f.store, false, progress);
    ASSERT_TRUE(r.ok) << c.name;
    EXPECT_EQ(r.repaired, c.repaired) << c.name;
    EXPECT_EQ(r.damagedDeleted, c.damaged) << c.name;
    EXPECT_EQ(r.spuriousDeleted, c.spurious) << c.name;
    EXPECT_EQ(r.undefined, c.undefined) << c.name;
    EXPECT_EQ(f.store.LiveObjectCount(), c.kept) << c.name;
    // What is kept is whole: every object reads back in full.
    ASSERT_TRUE(f.Reopen()) << c.name;
    EXPECT_EQ(static_cast<int>(f.LiveCoords().size()), c.kept) << c.name;
    if (c.repaired) {
      ObjectRecord o;
      f.store.ReadObject(2, &o);
      EXPECT_EQ(o.coords[0].y & kHoleStart, 0);
    }
  }
}

TEST(Optimize, FortyByteLineKeptFortyEightDropped) {
  OptFixture f;
  ObjectRecord one = MakeLine(1010, 10, 10, 10, 10);
  one.coords.resize(1);
  // A one-point line is spurious, so a point object stands for the 40-byte record here.
  one.type = ObjectType::Point;
  one.symbol = 3010;
  f.Add(one);
  f.Add(one);
  f.SetEntry(2, [](IndexEntry& e) { e.length = 48; });
  NullProgress progress;
  const OptimizeResult r = OptimizeMap(f.store, false, progress);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.damagedDeleted, 1);
  EXPECT_EQ(f.store.LiveObjectCount(), 1);
}

TEST(Optimize, UnknownSymbolsListedAndDeletedWhenAsked) {
  for (const bool del : {false, true}) {
    OptFixture f;
    for (int i = 0; i < 70; ++i) f.Add(MakeLine(7772, 1234, -500, 1300, 0));
    f.Add(MakeLine(1010, 0, 0, 10, 10));
    NullProgress progress;
    const OptimizeResult r = OptimizeMap(f.store, del, progress);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.undefined, 70);
    ASSERT_EQ(r.undefinedList.size(), 65u);
    EXPECT_EQ(r.undefinedList[0], "777.2 x: 12.34 y: -5.00");
    EXPECT_EQ(r.undefinedList[64], "etc.");
    EXPECT_EQ(f.store.LiveObjectCount(), del ? 1 : 71);
    const auto report = OptimizeReport(r);
    EXPECT_EQ(report[5], std::string("Objects with unknown symbol: 70") +
                             (del ? " (deleted)" : " (not deleted)"));
  }
}

TEST(Optimize, EscLeavesTheMapAsItWas) {
  struct Esc : NullProgress {
    bool AbortRequested() override { return true; }
  } progress;
  OptFixture f;
  for (int i = 0; i < 5; ++i) f.Add(MakeLine(1010, i, 0, i + 5, 5));
  f.store.DeleteObject(1);
  const std::vector<uint8_t> before = ReadFileBytes(f.path);
  const OptimizeResult r = OptimizeMap(f.store, false, progress);
  EXPECT_TRUE(r.stopped);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(ReadFileBytes(f.path), before);
  EXPECT_EQ(f.store.ObjectCount(), 5);
  // No file is left beside the map.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(f.dir.Path()))
    files += !!entry.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST(Optimize, AnyWriteFailureLeavesTheMapUntouched) {
  // Each write of the optimized file in turn fails, then a full disk, a failed sync and a
  // failed rename.
  std::vector<Faults> faults;
  for (int w = 1; w <= 12; ++w) faults.push_back({.failWrite = w});
  faults.push_back({.diskSpace = 30000});
  faults.push_back({.failSync = 1});
  faults.push_back({.failRename = true});
  int fires = 0;
  for (const Faults& fault : faults) {
    FaultyFileSystem files;
    OptFixture f(&files);
    for (int i = 0; i < 300; ++i) f.Add(MakeLine(1010, i, 0, i + 5, 5));
    for (int i = 1; i <= 300; i += 3) f.store.DeleteObject(i);
    const std::vector<uint8_t> before = ReadFileBytes(f.path);
    const auto describe = Describe(f.store);
    files.Arm(fault);
    NullProgress progress;
    const OptimizeResult r = OptimizeMap(f.store, false, progress);
    const bool fired = files.Fired();
    files.Disarm();
    if (!fired) continue;
    ++fires;
    EXPECT_FALSE(r.ok) << fault.failWrite;
    EXPECT_EQ(ReadFileBytes(f.path), before) << fault.failWrite;
    EXPECT_EQ(Describe(f.store), describe);
    ASSERT_FALSE(f.sink.errors.empty());
    EXPECT_NE(f.sink.errors.back().find("The map was left as it was."), std::string::npos);
    int left = 0;
    for (const auto& entry : std::filesystem::directory_iterator(f.dir.Path()))
      left += !!entry.is_regular_file();
    EXPECT_EQ(left, 1) << "no half-written file stays beside the map";
  }
  // The last three always fire; the writes as many as the file takes.
  EXPECT_GE(fires, 3 + 5);
}

TEST(Optimize, KeepsTheFileModeOfTheMap) {
  OptFixture f;
  f.Add(MakeLine(1010, 0, 0, 10, 10));
  std::filesystem::permissions(f.path, std::filesystem::perms(0640));
  NullProgress progress;
  ASSERT_TRUE(OptimizeMap(f.store, false, progress).ok);
  EXPECT_EQ(std::filesystem::status(f.path).permissions() & std::filesystem::perms::all,
            std::filesystem::perms(0640));
}

}  // namespace
}  // namespace zelk
