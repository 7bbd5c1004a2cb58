// Object changes in a batch: the same file as single changes, read back while held, written in
// a few pieces, and taken back whole when writing them fails.
#include <gtest/gtest.h>

#include <functional>

#include "faulty_file_system.h"
#include "map_fixture.h"

namespace zelk {
namespace {

class UndoLog : public UndoRecorder {
 public:
  std::vector<std::string> log;
  void ObjectAdded(int32_t n, const IndexEntry&) override { Note("add", n); }
  void ObjectChanged(int32_t n, const IndexEntry&, const std::vector<uint8_t>&) override {
    Note("change", n);
  }
  void ObjectDeleted(int32_t n, const IndexEntry&) override { Note("delete", n); }

 private:
  void Note(const char* what, int32_t n) { log.push_back(what + (" " + std::to_string(n))); }
};

ObjectRecord NthLine(int i) {
  return MakeLine(i % 3 ? 1010 : 2010, i, i % 50, i + 40, i % 70 + 5);
}

// A map of 250 objects: the next block starts with the seventh addition.
struct Filled : MapFixture {
  UndoLog undo;
  explicit Filled(FileSystem* files = nullptr) : MapFixture(files) {
    for (int i = 0; i < 250; ++i) {
      ObjectRecord o = NthLine(i);
      EXPECT_TRUE(store.AddObject(o));
    }
    store.SetUndoRecorder(&undo);
  }
};

using Change = std::function<bool(MapStore&)>;

bool AddLines(MapStore& s, int from, int count) {
  for (int i = from; i < from + count; ++i) {
    ObjectRecord o = NthLine(i);
    if (!s.AddObject(o)) return false;
  }
  return true;
}

// Additions over three blocks, deletions, rewrites of old and new objects, a replacement, and a
// changed symbol with the update of its objects.
std::vector<Change> Changes() {
  return {
      [](MapStore& s) { return AddLines(s, 250, 300); },
      [](MapStore& s) { return s.DeleteObject(5); },
      [](MapStore& s) { return s.DeleteObject(260); },
      [](MapStore& s) {
        ObjectRecord o = MakeLine(2010, 7, 7, 70, 70);
        return s.RewriteObject(7, o);
      },
      [](MapStore& s) {
        ObjectRecord o = MakeLine(1010, 1, 2, 3, 4);
        return s.RewriteObject(400, o);
      },
      [](MapStore& s) {
        int32_t n = 100;
        ObjectRecord o = MakeLine(2010, 5, 5, 9, 9);
        return s.ReplaceObject(&n, o) && n == 551;
      },
      [](MapStore& s) { return s.ReplaceSymbol(0, MakeSymbol(1010, SymbolType::Line, 60, {2})); },
      [](MapStore& s) { return s.UpdateObjects(1010, 1010); },
      [](MapStore& s) { return AddLines(s, 600, 20); },
  };
}

TEST(WriteBatch, LeavesTheFileByteForByteAsSingleChangesDo) {
  Filled single;
  for (const Change& change : Changes()) ASSERT_TRUE(change(single.store));
  const std::vector<std::string> described = Describe(single.store);
  single.store.CloseWorkingFile();
  const auto expected = ReadFileBytes(single.path);

  for (const int64_t limit : {int64_t{1}, int64_t{5000}, int64_t{1} << 30}) {
    SCOPED_TRACE("held up to " + std::to_string(limit) + " bytes");
    Filled batched;
    batched.store.SetBatchLimit(limit);
    WriteBatch batch(batched.store);
    for (const Change& change : Changes()) ASSERT_TRUE(change(batched.store));
    ASSERT_TRUE(batch.Commit());
    EXPECT_FALSE(batched.store.InBatch());
    EXPECT_EQ(Describe(batched.store), described);
    EXPECT_EQ(batched.undo.log, single.undo.log);
    batched.store.CloseWorkingFile();
    EXPECT_EQ(ReadFileBytes(batched.path), expected);
  }
}

TEST(WriteBatch, HeldChangesAreReadBackBeforeTheyReachTheFile) {
  Filled f;
  const std::vector<std::string> before = DescribeFile(f.path);
  WriteBatch batch(f.store);
  ASSERT_TRUE(AddLines(f.store, 250, 300));
  ObjectRecord changed = MakeLine(2010, 7, 7, 70, 70);
  ASSERT_TRUE(f.store.RewriteObject(3, changed));
  ObjectRecord back;
  ASSERT_TRUE(f.store.ReadObject(3, &back));
  EXPECT_EQ(back.coords, changed.coords);
  for (const int n : {251, 256, 257, 550}) {
    ASSERT_TRUE(f.store.ReadObject(n, &back)) << n;
    EXPECT_EQ(back.coords, NthLine(n - 1).coords) << n;
  }
  int32_t current = 0;
  const SearchResult found = f.store.Search(UnitsBox(539, 0, 541, 100), 0, -1, &current);
  EXPECT_TRUE(found.found);
  EXPECT_GT(current, 250);  // only added objects lie there
  EXPECT_EQ(DescribeFile(f.path), before) << "held changes reached the file";
  EXPECT_TRUE(f.undo.log.empty()) << "the recorder heard of changes not in the file";
  ASSERT_TRUE(batch.Commit());
  EXPECT_EQ(DescribeFile(f.path), Describe(f.store));
  EXPECT_EQ(f.undo.log.size(), 301u);
  EXPECT_EQ(f.undo.log.back(), "change 3");
}

TEST(WriteBatch, HandsItsWritesToTheFileInAFewPieces) {
  const struct {
    int existing;
    int added;
    int64_t limit;
    int writes;
  } cases[] = {
      {0, 1000, int64_t{4} << 20, 2},    // everything appended, then the header
      {250, 1000, int64_t{4} << 20, 3},  // and the entries and link of the last block
      {250, 1000, 20000, 12},            // written whenever 20000 bytes are held
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.existing) + " objects and " + std::to_string(c.added) +
                 " added, held up to " + std::to_string(c.limit));
    FaultyFileSystem files;
    MapFixture f(&files);
    ASSERT_TRUE(AddLines(f.store, 0, c.existing));
    f.store.SetBatchLimit(c.limit);
    files.Arm({});
    WriteBatch batch(f.store);
    ASSERT_TRUE(AddLines(f.store, c.existing, c.added));
    ASSERT_TRUE(batch.Commit());
    EXPECT_LE(files.Writes(), c.writes);
    EXPECT_EQ(DescribeFile(f.path), Describe(f.store));
  }
}

TEST(WriteBatch, OtherWritesFirstHandOverWhatIsHeld) {
  Filled f;
  WriteBatch batch(f.store);
  const std::vector<std::function<bool(MapStore&)>> writes = {
      [](MapStore& s) { return s.WriteSettings(); },
      [](MapStore& s) {
        return s.AppendSymbol(MakeSymbol(5010, SymbolType::Line, 5, {1})) && s.RewriteSymbolIndex();
      },
      [](MapStore& s) { return s.WriteInfoText("Held changes come first"); },
      [](MapStore& s) { return s.ReplaceSymbol(1, MakeSymbol(2010, SymbolType::Area, 9, {0})); },
  };
  int added = 250;
  for (const auto& write : writes) {
    ASSERT_TRUE(AddLines(f.store, added, 100));
    added += 100;
    ASSERT_TRUE(write(f.store));
    EXPECT_EQ(DescribeFile(f.path), Describe(f.store));
  }
  ASSERT_TRUE(AddLines(f.store, added, 10));
  ASSERT_TRUE(batch.Commit());
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(f.store.ObjectCount(), added + 10);
  EXPECT_EQ(f.store.ReadInfoText(), "Held changes come first");
}

TEST(WriteBatch, AFailedWriteTakesBackEverythingHeld) {
  for (const Faults& faults :
       {Faults{.failWrite = 1}, Faults{.failWrite = 2}, Faults{.failWrite = 3},
        Faults{.diskSpace = 0}, Faults{.diskSpace = 10000}}) {
    SCOPED_TRACE("write " + std::to_string(faults.failWrite) + ", space " +
                 std::to_string(faults.diskSpace));
    FaultyFileSystem files;
    Filled f(&files);
    const std::vector<std::string> before = Describe(f.store);
    const auto bytesBefore = ReadFileBytes(f.path);
    files.Arm(faults);
    WriteBatch batch(f.store);
    ASSERT_TRUE(AddLines(f.store, 250, 300));
    ASSERT_TRUE(f.store.DeleteObject(5));
    EXPECT_FALSE(batch.Commit());
    EXPECT_TRUE(files.Fired());
    files.Disarm();
    ASSERT_FALSE(f.sink.errors.empty());
    EXPECT_EQ(f.sink.errors.back(), "Cannot write to " + f.path);
    EXPECT_EQ(f.store.ObjectCount(), 250);
    EXPECT_EQ(Describe(f.store), before);
    EXPECT_EQ(ReadFileBytes(f.path), bytesBefore);
    EXPECT_TRUE(f.undo.log.empty());
    // The map goes on from where the file is.
    ObjectRecord o = NthLine(900);
    ASSERT_TRUE(f.store.AddObject(o));
    EXPECT_EQ(f.store.ObjectCount(), 251);
    EXPECT_EQ(DescribeFile(f.path), Describe(f.store));
  }
}

}  // namespace
}  // namespace zelk
