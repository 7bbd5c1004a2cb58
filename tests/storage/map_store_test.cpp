// The storage engine: objects, index blocks, searches and symbols on real files.
#include <gtest/gtest.h>
#include <unistd.h>

#include "map_fixture.h"

namespace zelk {
namespace {

class RecorderLog : public UndoRecorder {
 public:
  std::vector<std::string> log;
  void ObjectAdded(int32_t n, const IndexEntry&) override {
    log.push_back("add " + std::to_string(n));
  }
  void ObjectChanged(int32_t n, const IndexEntry& before,
                     const std::vector<uint8_t>& old) override {
    log.push_back("change " + std::to_string(n) + " was " + std::to_string(before.length) + "/" +
                  std::to_string(old.size()));
  }
  void ObjectDeleted(int32_t n, const IndexEntry& e) override {
    log.push_back("delete " + std::to_string(n) + " sym " + std::to_string(e.symbol));
  }
};

TEST(NewMap, HasNoBlocksUntilTheFirstSymbolOrObject) {
  TempDir dir;
  RecordingSink sink;
  MapStore store(&sink);
  ASSERT_TRUE(store.CreateEmptyMap(dir.Path("m.zkm")));
  store.CloseWorkingFile();
  const auto bytes = ReadFileBytes(dir.Path("m.zkm"));
  ASSERT_EQ(bytes.size(), static_cast<size_t>(kDataStart));
  const MapFileHeader h = MapFileHeader::Decode(bytes.data());
  EXPECT_EQ(h.firstSymbolBlock, 0);
  EXPECT_EQ(h.firstIndexBlock, 0);
  EXPECT_EQ(h.setupPos, 19272);
  EXPECT_EQ(GetF64(bytes.data() + 19272 + 924), 4.0);
}

TEST(Objects, AddReadAndReopenKeepEverything) {
  MapFixture f;
  ObjectRecord line = MakeLine(1010, 100, 200, 300, 50);
  line.coords[1].x |= kFirstCurvePoint;
  ASSERT_TRUE(f.store.AddObject(line));
  EXPECT_EQ(f.store.ObjectCount(), 1);
  ASSERT_TRUE(f.Reopen());
  ASSERT_EQ(f.store.ObjectCount(), 1);
  ObjectRecord back;
  ASSERT_TRUE(f.store.ReadObject(1, &back));
  EXPECT_EQ(back.symbol, 1010);
  EXPECT_EQ(back.coords, line.coords);
  IndexEntry e;
  ASSERT_TRUE(f.store.ReadEntry(1, &e));
  EXPECT_EQ(e.box, UnitsBox(100 - 20, 50 - 20, 300 + 20, 200 + 20));
  EXPECT_EQ(e.length, 32 + 16);
  EXPECT_EQ(f.store.SymbolCount(), 3);
  EXPECT_EQ(f.store.Symbol(2).Number(), 3010);
}

TEST(Objects, FirstObjectWritesTheIndexBlockIntoTheHeader) {
  MapFixture f;
  const int64_t end = f.store.FileEnd();
  ObjectRecord o = MakeLine(1010, 0, 0, 10, 10);
  ASSERT_TRUE(f.store.AddObject(o));
  EXPECT_EQ(f.store.Header().firstIndexBlock, end);
  f.store.CloseWorkingFile();
  const auto bytes = ReadFileBytes(f.path);
  EXPECT_EQ(GetI32(bytes.data() + 12), end);
}

TEST(Objects, The257thObjectLinksASecondBlock) {
  MapFixture f;
  RecorderLog undo;
  f.store.SetUndoRecorder(&undo);
  for (int i = 0; i < 256; ++i) {
    ObjectRecord o = MakeLine(1010, i, 0, i + 1, 5);
    ASSERT_TRUE(f.store.AddObject(o));
  }
  const int64_t end = f.store.FileEnd();
  ObjectRecord o = MakeLine(2010, 5000, 5000, 5001, 5001);
  ASSERT_TRUE(f.store.AddObject(o));
  ASSERT_EQ(f.store.BlockCount(), 2);
  EXPECT_EQ(f.store.Block(1).filePos, end + 4);
  f.store.CloseWorkingFile();
  const auto bytes = ReadFileBytes(f.path);
  const int32_t first = MapFileHeader::Decode(bytes.data()).firstIndexBlock;
  EXPECT_EQ(GetI32(bytes.data() + first), end);
  EXPECT_EQ(undo.log.back(), "add 257");
  f.store.WorkingFile().OpenExisting(f.path);
  ASSERT_TRUE(f.store.LoadFromWorkingFile());
  EXPECT_EQ(f.store.ObjectCount(), 257);
  EXPECT_TRUE(f.store.Block(1).colors.Has(1));
  EXPECT_FALSE(f.store.Block(1).colors.Has(2));
}

TEST(Objects, DeletedObjectKeepsItsSlotAndBytes) {
  MapFixture f;
  RecorderLog undo;
  f.store.SetUndoRecorder(&undo);
  for (int i = 1; i <= 10; ++i) {
    ObjectRecord o = MakeLine(1010, i * 100, 0, i * 100 + 50, 50);
    ASSERT_TRUE(f.store.AddObject(o));
  }
  IndexEntry before;
  f.store.ReadEntry(5, &before);
  const auto bytesBefore = ReadFileBytes(f.path);
  ASSERT_TRUE(f.store.DeleteObject(5));
  EXPECT_EQ(undo.log.back(), "delete 5 sym 1010");
  EXPECT_EQ(f.store.ObjectCount(), 10);
  EXPECT_EQ(f.store.LiveObjectCount(), 9);
  IndexEntry after;
  f.store.ReadEntry(5, &after);
  EXPECT_EQ(after.symbol, 0);
  EXPECT_EQ(after.pos, before.pos);
  const auto bytesAfter = ReadFileBytes(f.path);
  EXPECT_TRUE(std::equal(bytesBefore.begin() + before.pos,
                         bytesBefore.begin() + before.pos + before.length,
                         bytesAfter.begin() + before.pos));
  // The search passes over it.
  int32_t cur = 0;
  std::vector<int32_t> found;
  for (;;) {
    const SearchResult r = f.store.Search(UnitsBox(-100000, -100000, 100000, 100000), 10, -1, &cur);
    if (r.found) found.push_back(cur);
    if (r.done) break;
  }
  EXPECT_EQ(found, (std::vector<int32_t>{1, 2, 3, 4, 6, 7, 8, 9, 10}));
  EXPECT_FALSE(f.store.DeleteObject(11));
  EXPECT_EQ(f.sink.errors.back(), "Internal Error: Index out of range.");
}

TEST(Objects, ReplaceGivesTheObjectANewNumber) {
  MapFixture f;
  for (int i = 1; i <= 10; ++i) {
    ObjectRecord o = MakeLine(1010, i, 0, i + 1, 0);
    ASSERT_TRUE(f.store.AddObject(o));
  }
  int32_t n = 3;
  ObjectRecord o = MakeLine(2010, 7, 7, 8, 8);
  ASSERT_TRUE(f.store.ReplaceObject(&n, o));
  EXPECT_EQ(n, 11);
  IndexEntry e;
  f.store.ReadEntry(3, &e);
  EXPECT_EQ(e.symbol, 0);
}

TEST(Objects, FailedReplaceRestoresTheOldObject) {
  MapFixture f;
  ObjectRecord o = MakeLine(1010, 1, 1, 2, 2);
  ASSERT_TRUE(f.store.AddObject(o));
  f.store.SetMaxObjectCount(1);
  int32_t n = 1;
  ObjectRecord bigger = MakeLine(1010, 1, 1, 9, 9);
  EXPECT_FALSE(f.store.ReplaceObject(&n, bigger));
  EXPECT_EQ(f.sink.errors.back(), "Maximum number of objects reached.");
  EXPECT_EQ(n, 1);
  IndexEntry e;
  f.store.ReadEntry(1, &e);
  EXPECT_EQ(e.symbol, 1010);
  EXPECT_EQ(f.store.LiveObjectCount(), 1);
}

TEST(Objects, AddRefusesDamagedObjects) {
  MapFixture f;
  ObjectRecord empty;
  empty.symbol = 1010;
  EXPECT_FALSE(f.store.AddObject(empty));
  EXPECT_EQ(f.sink.errors.back(), "Internal error: Damaged object.");
  ObjectRecord huge;
  huge.coords.resize(2001);
  EXPECT_FALSE(f.store.AddObject(huge));
  EXPECT_EQ(f.store.ObjectCount(), 0);
}

TEST(Objects, RewriteKeepsThePlaceAndRefusesALongerRecord) {
  MapFixture f;
  RecorderLog undo;
  f.store.SetUndoRecorder(&undo);
  ObjectRecord o = MakeLine(1010, 0, 0, 100, 100);
  o.coords.push_back(Coord::FromUnits(200, 0));
  ASSERT_TRUE(f.store.AddObject(o));
  IndexEntry before;
  f.store.ReadEntry(1, &before);
  o.coords.pop_back();
  o.coords[1] = Coord::FromUnits(500, 500);
  ASSERT_TRUE(f.store.RewriteObject(1, o));
  EXPECT_EQ(undo.log.back(), "change 1 was 56/56");
  IndexEntry after;
  f.store.ReadEntry(1, &after);
  EXPECT_EQ(after.pos, before.pos);
  EXPECT_EQ(after.length, 48);
  EXPECT_EQ(after.box.right, (500 + 20) * 256);
  o.coords.resize(20);
  EXPECT_FALSE(f.store.RewriteObject(1, o));
  EXPECT_EQ(f.sink.errors.back(), "Internal error: Invalid object.");
}

TEST(Objects, ReadingAfterARewriteSeesTheNewRecord) {
  MapFixture f;
  for (int i = 0; i < 20; ++i) {
    ObjectRecord o = MakeLine(1010, i, 0, i + 1, 1);
    ASSERT_TRUE(f.store.AddObject(o));
  }
  ObjectRecord back;
  ASSERT_TRUE(f.store.ReadObject(5, &back));  // the neighbours are now read ahead
  ObjectRecord moved = MakeLine(1010, 700, 700, 701, 701);
  ASSERT_TRUE(f.store.RewriteObject(6, moved));
  ASSERT_TRUE(f.store.ReadObject(6, &back));
  EXPECT_EQ(back.coords, moved.coords);
  ObjectRecord added = MakeLine(2010, 9, 9, 10, 10);
  ASSERT_TRUE(f.store.AddObject(added));
  ASSERT_TRUE(f.store.ReadObject(21, &back));
  EXPECT_EQ(back.symbol, 2010);
}

TEST(Objects, RecordOf2000PointsIsReadWhole) {
  MapFixture f;
  ObjectRecord o;
  o.symbol = 1010;
  o.type = ObjectType::Line;
  for (int i = 0; i < 2000; ++i) o.coords.push_back(Coord::FromUnits(i, i % 7));
  ASSERT_TRUE(f.store.AddObject(o));
  ObjectRecord back;
  ASSERT_TRUE(f.store.ReadObject(1, &back));
  ASSERT_EQ(back.PointCount(), 2000);
  EXPECT_EQ(back.coords.back(), o.coords.back());
}

TEST(Objects, OverlongEntryIsReadAs16032BytesAndTrimmed) {
  MapFixture f;
  ObjectRecord o;
  o.symbol = 1010;
  o.type = ObjectType::Line;
  o.coords.resize(2000, Coord::FromUnits(1, 1));
  ASSERT_TRUE(f.store.AddObject(o));
  IndexEntry e;
  f.store.ReadEntry(1, &e);
  e.length = 16500;
  f.store.WriteEntry(1, e);
  ObjectRecord back;
  ASSERT_TRUE(f.store.ReadObject(1, &back));
  EXPECT_EQ(back.PointCount(), 2000);
  EXPECT_EQ(back.textUnits, 0);
}

TEST(Objects, OpeningCountsUpToTheHighestUsedSlot) {
  MapFixture f;
  for (int i = 1; i <= 700; ++i) {
    ObjectRecord o = MakeLine(1010, i, 0, i, 10);
    ASSERT_TRUE(f.store.AddObject(o));
  }
  for (int i = 600; i <= 700; ++i) ASSERT_TRUE(f.store.DeleteObject(i));
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(f.store.ObjectCount(), 700);
  EXPECT_EQ(f.store.LiveObjectCount(), 599);
  Box extent;
  ASSERT_TRUE(f.store.MapExtent(&extent));
  EXPECT_EQ(extent.right, (599 + 20) * 256);
}

TEST(Search, FindsByRectangleAndColourAndSkipsBlocks) {
  MapFixture f;
  // Block 1: lines (colour 2) near the origin; block 2: areas (colour 1) far away.
  for (int i = 0; i < 256; ++i) {
    ObjectRecord o = MakeLine(1010, i * 10, 0, i * 10 + 5, 5);
    ASSERT_TRUE(f.store.AddObject(o));
  }
  for (int i = 0; i < 10; ++i) {
    ObjectRecord o = MakeLine(2010, 100000 + i, 100000, 100001 + i, 100001);
    ASSERT_TRUE(f.store.AddObject(o));
  }
  auto collect = [&](const Box& r, int color) {
    std::vector<int32_t> out;
    const int32_t count = f.store.ObjectCount();
    int32_t cur = count;
    for (int guard = 0; guard < 10000; ++guard) {
      const SearchResult s = f.store.Search(r, count, color, &cur);
      if (s.found) out.push_back(cur);
      if (s.done) break;
    }
    return out;
  };
  // Boxes are grown by the extent of 20: objects 8 to 13 reach the rectangle.
  EXPECT_EQ(collect(UnitsBox(95, -10, 105, 10), 2), (std::vector<int32_t>{8, 9, 10, 11, 12, 13}));
  EXPECT_TRUE(collect(UnitsBox(95, -10, 105, 10), 1).empty());
  EXPECT_EQ(collect(UnitsBox(99990, 99990, 200000, 200000), 1).size(), 10u);
  EXPECT_EQ(collect(UnitsBox(-1000000, -1000000, 1000000, 1000000), -1).size(), 266u);
  EXPECT_TRUE(collect(UnitsBox(-1000000, -1000000, 1000000, 1000000), 0).empty());
  // The line symbol's colour selects it on the way.
  int32_t cur = 266;
  ASSERT_TRUE(f.store.Search(UnitsBox(0, 0, 10, 10), 266, 2, &cur).found);
  EXPECT_EQ(f.store.CurrentSymbol().Number(), 1010);
}

TEST(Search, ObjectsOfUnknownSymbolsAreFoundInThePlaceholderColour) {
  MapFixture f;
  ObjectRecord o = MakeLine(7777, 0, 0, 10, 10);
  ASSERT_TRUE(f.store.AddObject(o));
  IndexEntry e;
  f.store.ReadEntry(1, &e);
  EXPECT_EQ(e.box, UnitsBox(-50, -50, 60, 60));
  ASSERT_TRUE(f.Reopen());
  const int top = f.store.Colors().colors[0].colorNumber;
  EXPECT_TRUE(f.store.UsedColors().Has(top));
  int32_t cur = 1;
  const SearchResult r = f.store.Search(UnitsBox(0, 0, 1, 1), 1, top, &cur);
  EXPECT_TRUE(r.found);
  EXPECT_EQ(f.store.CurrentSymbol().Description(), "Undefined");
}

TEST(Search, EmptyMapIsDoneAtOnce) {
  MapFixture f;
  int32_t cur = 0;
  const SearchResult r = f.store.Search(UnitsBox(0, 0, 1, 1), 0, -1, &cur);
  EXPECT_FALSE(r.found);
  EXPECT_TRUE(r.done);
  EXPECT_TRUE(f.store.MapIsEmpty());
}

TEST(Symbols, NumbersAreMadeUniqueAndThe1001stIsRefused) {
  MapFixture f;
  ASSERT_TRUE(f.store.AppendSymbol(MakeSymbol(1010, SymbolType::Line, 0, {0})));
  EXPECT_EQ(f.store.Symbol(3).Number(), 1011);
  ASSERT_TRUE(f.store.AppendSymbol(MakeSymbol(10000, SymbolType::Line, 0, {0})));
  EXPECT_EQ(f.store.Symbol(4).Number(), 9999);
  ASSERT_TRUE(f.store.AppendSymbol(MakeSymbol(9999, SymbolType::Line, 0, {0})));
  EXPECT_EQ(f.store.Symbol(5).Number(), 1);  // 10000 wraps to 1
  ASSERT_TRUE(f.store.InsertSymbol(-1, MakeSymbol(0, SymbolType::Point, 0, {0})));
  EXPECT_EQ(f.store.Symbol(0).Number(), 2);
  while (f.store.SymbolCount() < 1000)
    ASSERT_TRUE(f.store.AppendSymbol(MakeSymbol(5000, SymbolType::Point, 0, {0})));
  EXPECT_FALSE(f.store.AppendSymbol(MakeSymbol(5000, SymbolType::Point, 0, {0})));
  EXPECT_FALSE(f.store.InsertSymbol(3, MakeSymbol(5000, SymbolType::Point, 0, {0})));
  ASSERT_TRUE(f.store.RewriteSymbolIndex());
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(f.store.SymbolCount(), 1000);
  EXPECT_EQ(f.store.Symbol(0).Number(), 2);
}

TEST(Symbols, IndexOf300SymbolsReusesTheBlockAndAppendsOne) {
  MapFixture f;
  const int32_t firstBlock = f.store.Header().firstSymbolBlock;
  while (f.store.SymbolCount() < 300)
    ASSERT_TRUE(f.store.AppendSymbol(MakeSymbol(4000, SymbolType::Point, 0, {0})));
  ASSERT_TRUE(f.store.RewriteSymbolIndex());
  EXPECT_EQ(f.store.Header().firstSymbolBlock, firstBlock);
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(f.store.SymbolCount(), 300);
  const auto bytes = ReadFileBytes(f.path);
  const int32_t second = GetI32(bytes.data() + firstBlock);
  ASSERT_GT(second, firstBlock);
  EXPECT_EQ(GetI32(bytes.data() + second), 0);
  // Fewer symbols later: the left-over block stays linked with empty slots.
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(f.store.DeleteSymbol(f.store.SymbolCount() - 1));
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(f.store.SymbolCount(), 200);
  const auto again = ReadFileBytes(f.path);
  EXPECT_EQ(GetI32(again.data() + firstBlock), second);
  EXPECT_EQ(GetI32(again.data() + second + 4), 0);
}

TEST(Symbols, ReplaceReusesThePlaceOnlyWhenTheRecordFits) {
  MapFixture f;
  const int32_t oldPos = f.store.Symbol(0).FilePos();
  SymbolRecord same = f.store.Symbol(0);
  same.SetExtent(77);
  ASSERT_TRUE(f.store.ReplaceSymbol(0, same));
  EXPECT_EQ(f.store.Symbol(0).FilePos(), oldPos);
  SymbolRecord longer = f.store.Symbol(0);
  const std::vector<uint8_t> twoUnits(16, 0);
  LineSymbol line = *LineSymbol::Decode(longer);
  line.MainList = twoUnits;
  line.SetSizesFromLists();
  line.Encode(longer);
  const int64_t end = f.store.FileEnd();
  ASSERT_TRUE(f.store.ReplaceSymbol(0, longer));
  EXPECT_EQ(f.store.Symbol(0).FilePos(), end);
}

TEST(Symbols, FindOrAddEqualTakesTheNearestNumber) {
  MapFixture f;
  SymbolRecord a = MakeSymbol(3000, SymbolType::Point, 0, {0});
  ASSERT_TRUE(f.store.AppendSymbol(a));
  SymbolRecord probe = MakeSymbol(3012, SymbolType::Point, 5, {1});  // common part may differ
  EXPECT_EQ(f.store.FindOrAddEqualSymbol(probe), 3010);
  SymbolRecord far = MakeSymbol(3040, SymbolType::Point, 0, {0});
  const int count = f.store.SymbolCount();
  EXPECT_EQ(f.store.FindOrAddEqualSymbol(far), 3040);
  EXPECT_EQ(f.store.SymbolCount(), count + 1);
  SymbolRecord different = MakeSymbol(3001, SymbolType::Point, 0, {0});
  PointSymbol point = *PointSymbol::Decode(different);
  point.reserved = 9;
  point.Encode(different);
  EXPECT_EQ(f.store.FindOrAddEqualSymbol(different), 3001);  // not equal to any: appended
}

TEST(Symbols, OlderRecordsAreWidenedAndWrittenAnew) {
  MapFixture f;
  SymbolRecord old = MakeSymbol(5010, SymbolType::Point, 0, {0});
  old.Resize(354);  // an empty list and no reserved word, as an older subversion wrote it
  old.SetLength(354);
  ASSERT_TRUE(f.store.AppendSymbol(old));
  ASSERT_TRUE(f.store.RewriteSymbolIndex());
  const int32_t oldPos = f.store.Symbol(3).FilePos();
  ASSERT_TRUE(f.Reopen());
  const SymbolRecord& up = f.store.Symbol(3);
  EXPECT_EQ(up.Length(), 356);
  EXPECT_NE(up.FilePos(), oldPos);
  ASSERT_TRUE(f.Reopen());  // read back from where it was rewritten
  EXPECT_EQ(f.store.Symbol(3).Length(), 356);
  EXPECT_EQ(f.store.Symbol(3).FilePos(), up.FilePos());
}

TEST(Settings, WrittenAndCorrectedOnReading) {
  MapFixture f;
  f.store.MutableSetup().SetViewX(256 * 1000);
  f.store.MutableSetup().SetZoom(64);  // out of range
  ASSERT_TRUE(f.store.WriteSettings());
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(f.store.Setup().ViewX(), 256000);
  EXPECT_EQ(f.store.Setup().Zoom(), 4.0);
}

TEST(Settings, ShortSettingsBlockMovesToTheEnd) {
  MapFixture f;
  f.store.MutableHeader().setupSize = 500;
  const int64_t end = f.store.FileEnd();
  ASSERT_TRUE(f.store.WriteSettings());
  EXPECT_EQ(f.store.Header().setupPos, end);
  EXPECT_EQ(f.store.Header().setupSize, 1080);
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(f.store.Header().setupPos, end);
}

TEST(InfoText, GrowsIntoANewAreaAtTheEnd) {
  MapFixture f;
  ASSERT_TRUE(f.store.WriteInfoText("Survey 2026"));
  EXPECT_EQ(f.store.Header().infoSize, 256);
  const int32_t first = f.store.Header().infoPos;
  ASSERT_TRUE(f.store.WriteInfoText("short"));
  EXPECT_EQ(f.store.Header().infoPos, first);
  ASSERT_TRUE(f.store.WriteInfoText(std::string(300, 'x')));
  EXPECT_EQ(f.store.Header().infoSize, 512);
  EXPECT_NE(f.store.Header().infoPos, first);
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(f.store.ReadInfoText(), std::string(300, 'x'));
}

TEST(DamagedMaps, ChainsThatLoopEndAndSlotsBeyondTheFileAreSkipped) {
  MapFixture f;
  for (int i = 0; i < 3; ++i) {
    ObjectRecord o = MakeLine(1010, i, 0, i, 1);
    ASSERT_TRUE(f.store.AddObject(o));
  }
  const int32_t symBlock = f.store.Header().firstSymbolBlock;
  const int32_t idxBlock = f.store.Header().firstIndexBlock;
  const int64_t size = f.store.FileEnd();
  f.store.CloseWorkingFile();
  auto bytes = ReadFileBytes(f.path);
  PutI32(bytes.data() + symBlock, symBlock);  // the symbol chain points to itself
  PutI32(bytes.data() + idxBlock, idxBlock);  // so does the index chain
  PutI32(bytes.data() + symBlock + 4 + 4 * 1, static_cast<int32_t>(size));  // slot at the file end
  WriteFileBytes(f.path, bytes);
  f.store.WorkingFile().OpenExisting(f.path);
  ASSERT_TRUE(f.store.LoadFromWorkingFile());
  EXPECT_EQ(f.store.SymbolCount(), 2);
  EXPECT_EQ(f.store.ObjectCount(), 3);
  EXPECT_EQ(f.store.BlockCount(), 1);
}

TEST(DamagedMaps, RecordsCutOffByTheEndOfTheFileAreLeftOutAndCounted) {
  MapFixture f;
  for (int i = 0; i < 5; ++i) {
    ObjectRecord o = MakeLine(1010, i, 0, i + 3, 1);
    ASSERT_TRUE(f.store.AddObject(o));
  }
  IndexEntry last;
  ASSERT_TRUE(f.store.ReadEntry(5, &last));
  f.store.CloseWorkingFile();
  auto bytes = ReadFileBytes(f.path);
  bytes.resize(static_cast<size_t>(last.pos + 20));  // the last record loses its points
  WriteFileBytes(f.path, bytes);
  f.store.WorkingFile().OpenExisting(f.path);
  ASSERT_TRUE(f.store.LoadFromWorkingFile());
  EXPECT_EQ(f.store.Damage().objects, 1);
  EXPECT_EQ(f.store.LiveObjectCount(), 4);
  ObjectRecord o;
  EXPECT_FALSE(f.store.ReadObject(5, &o));
  EXPECT_EQ(o.PointCount(), 0);
  EXPECT_TRUE(f.store.ReadObject(4, &o));
}

TEST(DamagedMaps, AMapCutShortWhileOpenReportsOnceAndNeverFaults) {
  MapFixture f;
  for (int i = 0; i < 300; ++i) {
    ObjectRecord o = MakeLine(1010, i, 0, i + 3, 1);
    ASSERT_TRUE(f.store.AddObject(o));
  }
  ASSERT_TRUE(f.Reopen());
  // Another program cuts the file off behind the engine's back.
  ASSERT_EQ(::truncate(f.path.c_str(), kDataStart + 100), 0);
  f.sink.errors.clear();
  int read = 0;
  for (int32_t n = 1; n <= f.store.ObjectCount(); ++n) {
    ObjectRecord o;
    read += f.store.ReadObject(n, &o) ? 1 : 0;
  }
  EXPECT_EQ(read, 0);
  ASSERT_EQ(f.sink.errors.size(), 1u);
  EXPECT_EQ(f.sink.errors[0], "Cannot read from " + f.path);
}

TEST(DamagedMaps, LinksNearTheLargestPositionEndTheChain) {
  MapFixture f;
  ObjectRecord o = MakeLine(1010, 0, 0, 3, 1);
  ASSERT_TRUE(f.store.AddObject(o));
  const int32_t symBlock = f.store.Header().firstSymbolBlock;
  f.store.CloseWorkingFile();
  auto bytes = ReadFileBytes(f.path);
  for (const int32_t link : {0x7fffffff - 1028 + 1, 0x7fffffff, 0x7fffffff - 6148}) {
    PutI32(bytes.data() + symBlock, link);
    PutI32(bytes.data() + 12, link);  // the header's first index block too
    WriteFileBytes(f.path, bytes);
    f.store.WorkingFile().OpenExisting(f.path);
    ASSERT_TRUE(f.store.LoadFromWorkingFile());
    EXPECT_EQ(f.store.Damage().indexBlocks, 1);
    EXPECT_EQ(f.store.Damage().symbolBlocks, 1);
    f.store.CloseWorkingFile();
  }
}

TEST(Objects, EntriesOutsideTheIndexAreRefused) {
  MapFixture f;
  ObjectRecord o = MakeLine(1010, 0, 0, 3, 1);
  ASSERT_TRUE(f.store.AddObject(o));
  const auto before = ReadFileBytes(f.path);
  IndexEntry e;
  ASSERT_TRUE(f.store.ReadEntry(1, &e));
  for (const int32_t n : {0, -1, 3, 257, 100000}) {
    f.sink.errors.clear();
    EXPECT_FALSE(f.store.WriteEntry(n, e));
    ASSERT_EQ(f.sink.errors.size(), 1u);
    EXPECT_EQ(f.sink.errors[0], "Internal error: Invalid index number. " + std::to_string(n));
  }
  EXPECT_EQ(ReadFileBytes(f.path), before);
}

// Records what the progress display was told; stops after a number of steps when asked to.
class ScriptedProgress : public Progress {
 public:
  std::string lead;
  bool abortShown = false;
  int steps = 0, stopAfter = -1;
  void Start(const std::string&, int32_t, int32_t, bool showAbort, const std::string& l) override {
    lead = l;
    abortShown = showAbort;
  }
  void Step(int32_t, int32_t) override { ++steps; }
  void End() override {}
  bool AbortRequested() override { return stopAfter >= 0 && steps >= stopAfter; }
};

TEST(UpdateObjects, ShowsItsProgressAndStopsOnEsc) {
  MapFixture f;
  for (int i = 0; i < 600; ++i) {
    ObjectRecord o = MakeLine(1010, i, 0, i + 3, 1);
    ASSERT_TRUE(f.store.AddObject(o));
  }
  // The symbol grows: every box must grow with it, in memory and in the file.
  f.store.MutableSymbol(0).SetExtent(500);
  ScriptedProgress progress;
  f.store.SetProgress(&progress);
  ASSERT_TRUE(f.store.UpdateObjects(1, 9999));
  EXPECT_EQ(progress.lead, "Updating objects");
  EXPECT_TRUE(progress.abortShown);
  EXPECT_EQ(progress.steps, 600);
  IndexEntry e;
  ASSERT_TRUE(f.store.ReadEntry(600, &e));
  EXPECT_EQ(e.box.left, (599 - 500) * 256);
  const auto inMemory = [&] {
    std::vector<IndexEntry> all(601);
    for (int n = 1; n <= 600; ++n) f.store.ReadEntry(n, &all[static_cast<size_t>(n)]);
    return all;
  }();
  ASSERT_TRUE(f.Reopen());
  for (int n = 1; n <= 600; ++n) {
    ASSERT_TRUE(f.store.ReadEntry(n, &e));
    EXPECT_EQ(e, inMemory[static_cast<size_t>(n)]) << n;
  }
  // Esc stops it: what was done is in the file, the rest as it was.
  f.store.MutableSymbol(0).SetExtent(50);
  progress.steps = 0;
  progress.stopAfter = 300;
  f.store.SetProgress(&progress);
  EXPECT_FALSE(f.store.UpdateObjects(1, 9999));
  EXPECT_EQ(progress.steps, 300);
  ASSERT_TRUE(f.store.ReadEntry(1, &e));
  EXPECT_EQ(e.box.left, -50 * 256);
  ASSERT_TRUE(f.store.ReadEntry(600, &e));
  EXPECT_EQ(e.box.left, (599 - 500) * 256);
}

TEST(SymbolEditing, ElementsActAsObjects) {
  MapFixture f;
  f.store.BeginSymbolEditing({});
  ObjectRecord circle;
  circle.symbol = kElementSymbolBase + kElementCircle;
  circle.type = ObjectType::Point;
  circle.angle = 2;                   // colour
  circle.SetElementWords(0, 0, 300);  // diameter
  circle.coords = {Coord::FromUnits(0, 0)};
  ASSERT_TRUE(f.store.AddObject(circle));
  ObjectRecord line = MakeLine(kElementSymbolBase + kElementLine, 0, 0, 100, 0);
  ASSERT_TRUE(f.store.AddObject(line));
  EXPECT_EQ(f.store.ObjectCount(), 2);
  ObjectRecord back;
  ASSERT_TRUE(f.store.ReadObject(1, &back));
  EXPECT_EQ(back.symbol, kElementSymbolBase + kElementCircle);
  EXPECT_EQ(back.ElementDiameter(), 300);
  ASSERT_TRUE(f.store.DeleteObject(1));
  ASSERT_TRUE(f.store.ReadObject(1, &back));
  EXPECT_EQ(back.type, ObjectType::Line);
  ObjectRecord big = MakeLine(kElementSymbolBase + kElementLine, 0, 0, 1, 1);
  big.coords.resize(600);
  EXPECT_FALSE(f.store.AddObject(big));
  EXPECT_EQ(f.sink.errors.back(), "Symbol is too complex.");
  const auto elements = f.store.EndSymbolEditing();
  EXPECT_EQ(elements.size(), 16u + 16u);
  EXPECT_EQ(f.store.ObjectCount(), 0);  // the map itself was not touched
}

}  // namespace
}  // namespace zelk
