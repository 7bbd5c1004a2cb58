// Undo and redo of every kind of change, the ring's bounds and its refusals.
#include "editor/undo_ring.h"

#include <gtest/gtest.h>

#include "storage/map_fixture.h"

namespace zelk {
namespace {

class ViewLog : public UndoView {
 public:
  int redraws = 0, cleared = 0, states = 0;
  std::vector<int32_t> selected;
  void RedrawBox(const Box&) override { ++redraws; }
  void ClearSelection() override { ++cleared; }
  void SelectMarked(const std::vector<int32_t>& objects, const Box&) override {
    selected = objects;
  }
  void UndoStateChanged() override { ++states; }
};

struct UndoFixture : MapFixture {
  UndoRing ring{store};
  ViewLog view;
  UndoFixture() { ring.SetView(&view); }

  // One step adding a line from (x, 0) to (x + 100, 100).
  int32_t Draw(int x) {
    ObjectRecord o = MakeLine(1010, x, 0, x + 100, 100);
    ring.BeginUndoStep(0, o);
    EXPECT_TRUE(store.AddObject(o));
    return store.ObjectCount();
  }
  // One step moving the second point of object n to (x, y) in place.
  void Change(int32_t n, int x, int y) {
    ObjectRecord o;
    ASSERT_TRUE(store.ReadObject(n, &o));
    ring.BeginUndoStep(n, o);
    o.coords[1] = Coord::FromUnits(x, y);
    ASSERT_TRUE(store.RewriteObject(n, o));
  }
  void Delete(int32_t n) {
    ring.BeginUndoStep(n, ObjectRecord{});
    ASSERT_TRUE(store.DeleteObject(n));
  }
};

TEST(UndoRing, EveryKindOfChangeUndoesAndRedoesToTheSameMap) {
  // Each case builds a map, then one step; undo must give the map before the step, redo the
  // map after it, twice over.
  struct Case {
    const char* name;
    std::function<void(UndoFixture&)> step;
  };
  const std::vector<Case> cases = {
      {"add", [](UndoFixture& f) { f.Draw(500); }},
      {"change", [](UndoFixture& f) { f.Change(1, 900, 40); }},
      {"delete", [](UndoFixture& f) { f.Delete(2); }},
      {"replace",
       [](UndoFixture& f) {
         ObjectRecord o;
         f.store.ReadObject(1, &o);
         f.ring.BeginUndoStep(1, o);
         o.coords.push_back(Coord::FromUnits(7, 7, 0, kCornerPoint));
         int32_t n = 1;
         ASSERT_TRUE(f.store.ReplaceObject(&n, o));
       }},
      {"change and delete in one step",
       [](UndoFixture& f) {
         ObjectRecord o;
         f.store.ReadObject(1, &o);
         f.ring.BeginUndoStep(1, o);
         o.coords[0] = Coord::FromUnits(-50, -50, kFirstCurvePoint);
         f.store.RewriteObject(1, o);
         f.store.DeleteObject(2);
       }},
      {"bulk add",
       [](UndoFixture& f) {
         f.ring.BeginUndoStep(0, ObjectRecord{});
         UndoRing::Pause pause(f.ring);
         std::vector<int32_t> added;
         for (int i = 0; i < 40; ++i) {
           ObjectRecord o = MakeLine(2010, i, i, i + 5, i + 5);
           f.store.AddObject(o);
           added.push_back(f.store.ObjectCount());
         }
         f.ring.RecordBulk(UndoKind::BulkAdded, added, UnitsBox(0, 0, 45, 45));
       }},
      {"bulk move",
       [](UndoFixture& f) {
         f.ring.BeginUndoStep(0, ObjectRecord{});
         UndoRing::Pause pause(f.ring);
         for (int32_t n : {1, 2}) {
           ObjectRecord o;
           f.store.ReadObject(n, &o);
           MoveObjectRecord(o, 30 * 256, -20 * 256);
           f.store.RewriteObject(n, o);
         }
         f.ring.RecordBulk(UndoKind::BulkMoved, {1, 2}, UnitsBox(0, 0, 300, 100), 30, -20);
       }},
      {"bulk delete",
       [](UndoFixture& f) {
         f.ring.BeginUndoStep(0, ObjectRecord{});
         UndoRing::Pause pause(f.ring);
         f.store.DeleteObject(1);
         f.store.DeleteObject(2);
         f.ring.RecordBulk(UndoKind::BulkDeleted, {1, 2}, UnitsBox(0, 0, 300, 100));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UndoFixture f;
    f.Draw(0);
    f.Draw(200);
    const auto before = Describe(f.store);
    c.step(f);
    const auto after = Describe(f.store);
    ASSERT_NE(before, after);
    for (int round = 0; round < 2; ++round) {
      ASSERT_TRUE(f.ring.CanUndo());
      ASSERT_TRUE(f.ring.Undo());
      EXPECT_EQ(Describe(f.store), before);
      ASSERT_TRUE(f.ring.CanRedo());
      ASSERT_TRUE(f.ring.Redo());
      EXPECT_EQ(Describe(f.store), after);
      EXPECT_FALSE(f.ring.CanRedo());
    }
    // What undo and redo wrote is in the file, not only in memory.
    ASSERT_TRUE(f.Reopen());
    EXPECT_EQ(Describe(f.store), after);
  }
}

TEST(UndoRing, AnUndoneAdditionKeepsItsNumberAndComesBackUnderIt) {
  UndoFixture f;
  const int32_t n = f.Draw(0);
  ASSERT_TRUE(f.ring.Undo());
  IndexEntry e;
  f.store.ReadEntry(n, &e);
  EXPECT_EQ(e.symbol, 0);
  EXPECT_GE(e.length, 33);
  EXPECT_EQ(f.view.cleared, 1);
  ASSERT_TRUE(f.ring.Redo());
  f.store.ReadEntry(n, &e);
  EXPECT_EQ(e.symbol, 1010);
  EXPECT_EQ(f.store.ObjectCount(), n);
}

TEST(UndoRing, StepsUndoNewestFirstAndTheRingForgetsTheOldest) {
  UndoFixture f;
  EXPECT_FALSE(f.ring.CanUndo());
  EXPECT_FALSE(f.ring.CanRedo());
  for (int i = 0; i < 16; ++i) f.Draw(i * 10);
  // Sixteen steps of two records fill the ring: fifteen of them can be undone.
  int undone = 0;
  while (f.ring.CanUndo()) {
    ASSERT_TRUE(f.ring.Undo());
    ++undone;
  }
  EXPECT_EQ(undone, 15);
  const auto desc = Describe(f.store);
  ASSERT_EQ(desc.size(), 1u + 3 + 1);  // colours, three symbols, the first line only
  EXPECT_EQ(desc.back().substr(0, 8), "1: 1010 ");
  int redone = 0;
  while (f.ring.CanRedo()) {
    ASSERT_TRUE(f.ring.Redo());
    ++redone;
  }
  EXPECT_EQ(redone, 15);
  EXPECT_EQ(f.store.LiveObjectCount(), 16);
}

TEST(UndoRing, ANewStepAfterUndoEndsRedoAndEmptyStepsAreDropped) {
  UndoFixture f;
  f.Draw(0);
  f.Draw(100);
  ASSERT_TRUE(f.ring.Undo());
  ASSERT_TRUE(f.ring.CanRedo());
  f.Draw(300);
  EXPECT_FALSE(f.ring.CanRedo());
  // Steps opened without a change take no place and are not undone on their own.
  for (int i = 0; i < 40; ++i) f.ring.BeginUndoStep(0, ObjectRecord{});
  ASSERT_TRUE(f.ring.Undo());
  EXPECT_EQ(f.store.LiveObjectCount(), 1);
  ASSERT_TRUE(f.ring.Undo());
  EXPECT_EQ(f.store.LiveObjectCount(), 0);
  EXPECT_FALSE(f.ring.CanUndo());
  // Redo never steps past the newest record.
  ASSERT_TRUE(f.ring.Redo());
  ASSERT_TRUE(f.ring.Redo());
  EXPECT_FALSE(f.ring.CanRedo());
  EXPECT_FALSE(f.ring.Redo());
  EXPECT_EQ(f.store.LiveObjectCount(), 2);
}

TEST(UndoRing, ChangesOutsideRecordingAndWhileASymbolIsEditedAreNotKept) {
  UndoFixture f;
  f.Draw(0);
  f.ring.ResetUndo();
  EXPECT_FALSE(f.ring.CanUndo());
  {
    UndoRing::Pause pause(f.ring);
    f.ring.BeginUndoStep(0, ObjectRecord{});
    ObjectRecord o = MakeLine(1010, 1, 1, 2, 2);
    f.store.AddObject(o);
  }
  EXPECT_FALSE(f.ring.CanUndo());
  f.Draw(50);
  f.store.BeginSymbolEditing({});
  EXPECT_FALSE(f.ring.CanUndo());
  EXPECT_FALSE(f.ring.Undo());
  f.store.EndSymbolEditing();
  EXPECT_TRUE(f.ring.CanUndo());
}

TEST(UndoRing, ABulkRecordSelectsItsObjectsBeforeItIsReversed) {
  UndoFixture f;
  f.Draw(0);
  f.Draw(100);
  f.ring.BeginUndoStep(0, ObjectRecord{});
  {
    UndoRing::Pause pause(f.ring);
    f.store.DeleteObject(1);
    f.store.DeleteObject(2);
  }
  f.ring.RecordBulk(UndoKind::BulkDeleted, {1, 2}, UnitsBox(0, 0, 200, 100));
  ASSERT_TRUE(f.ring.Undo());
  EXPECT_EQ(f.view.selected, (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(f.store.LiveObjectCount(), 2);
}

TEST(ObjectBits, HoldEveryObjectNumberTheEngineAccepts) {
  const int32_t last = 1200 * 256;
  ObjectBits bits = ObjectBits::Of({1, 8, 255, last}, last);
  EXPECT_EQ(bits.Size(), static_cast<size_t>(last / 8 + 1));
  EXPECT_EQ(bits.Objects(), (std::vector<int32_t>{1, 8, 255, last}));
  EXPECT_FALSE(bits.Has(2));
  EXPECT_FALSE(bits.Has(-1));
  EXPECT_EQ(ObjectBits(0).Size(), 1u);
}

TEST(MoveObjectRecord, KeepsFlagsAndClampsAtTheEdgeOfTheCoordinateRange) {
  ObjectRecord o = MakeLine(1010, 0, 0, 10, 10);
  o.coords[0].x |= kFirstCurvePoint;
  o.coords[1].y |= kCornerPoint;
  MoveObjectRecord(o, 5 * 256, -3 * 256);
  EXPECT_EQ(o.coords[0], Coord::FromUnits(5, -3, kFirstCurvePoint));
  EXPECT_EQ(o.coords[1], Coord::FromUnits(15, 7, 0, kCornerPoint));
  MoveObjectRecord(o, 0x7fffff00, 0);
  EXPECT_EQ(o.coords[0].x & kFlagMask, kFirstCurvePoint);
  EXPECT_LT(o.coords[0].x, (1 << 30));
}

}  // namespace
}  // namespace zelk
