// Delete, Join, Merge, Fill or make border and Reverse line object: the record operations point
// by point and flag by flag, and the commands through the main window with their undo.
#include "editor/object_ops.h"

#include <gtest/gtest.h>

#include "editing_fixture.h"
#include "editor/draw_support.h"

namespace zelk {
namespace {

std::vector<std::pair<int, int>> Units(const ObjectRecord& o) {
  std::vector<std::pair<int, int>> out;
  for (const Coord& c : o.coords) out.emplace_back(c.PosX(), c.PosY());
  return out;
}

SymbolRecord SymbolOf(SymbolType type, int number) {
  return MakeSymbol(number, type, 0, {0});
}

TEST(ObjectOps, FillOrBorderFollowsTheTypeRules) {
  const ObjectRecord area =
      Obj(kArea, ObjectType::Area,
          {P(0, 0), P(100, 0), P(100, 100), P(20, 20, 0, kHoleStart), P(40, 20), P(40, 40)});
  const ObjectRecord line =
      Obj(kLine, ObjectType::Line, {P(0, 0), C1(10, 10), C2(20, 10), P(30, 0)});
  // An area and a line symbol: the outer ring, as a line.
  const auto border = FillOrBorder(area, 0, SymbolOf(SymbolType::Line, kLine));
  ASSERT_TRUE(border);
  EXPECT_EQ(border->type, ObjectType::Line);
  EXPECT_EQ(border->symbol, kLine);
  EXPECT_EQ(Units(*border), (std::vector<std::pair<int, int>>{{0, 0}, {100, 0}, {100, 100}}));
  // A selected hole: its ring, the hole flag cleared.
  const auto hole = FillOrBorder(area, 3, SymbolOf(SymbolType::Area, kArea));
  ASSERT_TRUE(hole);
  EXPECT_EQ(hole->PointCount(), 3);
  EXPECT_EQ(hole->coords[0].YFlags(), 0);
  // A line and an area symbol: all points, curves kept.
  const auto fill = FillOrBorder(line, 0, SymbolOf(SymbolType::Area, kArea));
  ASSERT_TRUE(fill);
  EXPECT_EQ(fill->type, ObjectType::Area);
  EXPECT_EQ(fill->coords, line.coords);
  EXPECT_FALSE(FillOrBorder(line, 0, SymbolOf(SymbolType::Point, kPoint)));
  EXPECT_FALSE(FillOrBorder(Obj(kLine, ObjectType::Line, {P(0, 0), P(1, 1)}), 0,
                            SymbolOf(SymbolType::Area, kArea)));
}

TEST(ObjectOps, ReversingKeepsCurvesAndStretchFlags) {
  std::vector<Coord> pts = {P(0, 0, kNoLeftLine), C1(10, 10), C2(20, 10), P(30, 0, 0, kCornerPoint),
                            P(40, 0)};
  ReverseLine(pts);
  EXPECT_EQ(pts, (std::vector<Coord>{P(40, 0), P(30, 0, 0, kCornerPoint), C1(20, 10),
                                     P(10, 10, kSecondCurvePoint | kNoLeftLine), P(0, 0)}));
}

TEST(ObjectOps, MergeAttachesAtWhicheverEndTouches) {
  const ObjectRecord a = Obj(kLine, ObjectType::Line, {P(0, 0), P(100, 0)});
  const ObjectRecord b =
      Obj(kLine, ObjectType::Line, {P(300, 0), P(200, 0), P(100, 10)});  // end to end
  const ObjectRecord c =
      Obj(kLine, ObjectType::Line, {P(-100, 0), P(0, 5)});  // its end to a's start
  ObjectRecord out;
  ASSERT_EQ(MergeObjects({a, b, c}, &out), MergeResult::Merged);
  // One point at each join, at the seed's place.
  EXPECT_EQ(Units(out),
            (std::vector<std::pair<int, int>>{{-100, 0}, {0, 0}, {100, 0}, {200, 0}, {300, 0}}));
  EXPECT_EQ(MergeObjects({a, Obj(kLine, ObjectType::Line, {P(500, 500), P(600, 600)})}, &out),
            MergeResult::NotAllTouch);
  EXPECT_EQ(MergeObjects({a, Obj(kArea, ObjectType::Area, {P(100, 0), P(1, 1), P(2, 2)})}, &out),
            MergeResult::NotMergeable);
  // 1000 + 1001 points share one: 2000 stored is allowed, one more is not.
  ObjectRecord longA = a, longB = a;
  longA.coords.assign(1000, P(0, 0));
  longA.coords.back() = P(100, 0);
  longB.coords.assign(1001, P(100, 0));
  EXPECT_EQ(MergeObjects({longA, longB}, &out), MergeResult::Merged);
  EXPECT_EQ(out.PointCount(), 2000);
  longB.coords.push_back(P(100, 0));
  EXPECT_EQ(MergeObjects({longA, longB}, &out), MergeResult::TooManyPoints);
  // Texts: in the order given, a paragraph break between.
  ObjectRecord t1 = Obj(kText, ObjectType::Text, {P(0, 0)}), t2 = t1;
  t1.SetText("North");
  t2.SetText("field");
  ASSERT_EQ(MergeObjects({t1, t2}, &out), MergeResult::Merged);
  EXPECT_EQ(out.Text(), "North\r\nfield");
}

TEST(ObjectOps, SmoothingThinsAShakyRingAndLeavesHolesAlone) {
  // A hand-drawn edge that wavers by 0.01 mm.
  ObjectRecord area = Obj(kArea, ObjectType::Area, {});
  for (int i = 0; i < 24; ++i) area.coords.push_back(P(i * 100, i % 2));
  area.coords.push_back(P(20, 500, 0, kHoleStart));
  area.coords.push_back(P(40, 500));
  area.coords.push_back(P(40, 520));
  const ObjectRecord before = area;
  ASSERT_TRUE(SmoothOuterRing(area, 2));
  const int end = OuterRingEnd(area.coords);
  EXPECT_LT(end, 24);
  EXPECT_TRUE(area.coords.front().SamePlace(before.coords.front()));
  EXPECT_TRUE(area.coords[static_cast<size_t>(end - 1)].SamePlace(before.coords[23]));
  EXPECT_EQ(std::vector<Coord>(area.coords.begin() + end, area.coords.end()),
            std::vector<Coord>(before.coords.begin() + 24, before.coords.end()));
  ObjectRecord point = Obj(kPoint, ObjectType::Point, {P(0, 0)});
  EXPECT_FALSE(SmoothOuterRing(point, 1));
}

TEST(ObjectOps, LineTextsTakeBlocksOf64CharactersWithinTheLimits) {
  ObjectRecord line = Obj(kLineText, ObjectType::Line, {P(0, 0), P(100, 0)});
  ASSERT_TRUE(SetLineText(line, std::string(64, 'a')));
  EXPECT_EQ(line.textUnits, 16);  // 64 characters and the terminator
  EXPECT_EQ(line.Text(), std::string(64, 'a'));
  EXPECT_FALSE(SetLineText(line, std::string(512, 'a')));
  EXPECT_EQ(line.Text(), std::string(64, 'a'));  // unchanged when refused
  ASSERT_TRUE(SetLineText(line, ""));
  EXPECT_EQ(line.textUnits, 0);
  // 1993 points and 8 units of text pass 2000 slots.
  line.coords.assign(1993, P(0, 0));
  EXPECT_FALSE(SetLineText(line, "x"));
  line.coords.resize(1992);
  EXPECT_TRUE(SetLineText(line, "x"));
}

struct ObjectWindow : ::testing::Test {
  EditorFixture f;
  void SetUp() override {
    const std::string path = WriteEditingMapWith(f.dir, [](MapStore& store) {
      for (ObjectRecord o :
           {Obj(kLine, ObjectType::Line, {P(0, 0), P(1000, 0)}),
            Obj(kLine, ObjectType::Line, {P(1010, 10), P(2000, 500)}),
            Obj(kLine, ObjectType::Line, {P(0, 3000), P(500, 3000), P(500, 3500), P(0, 3010)})})
        EXPECT_TRUE(store.AddObject(o));
    });
    ASSERT_TRUE(f.OpenMap(path));
    f.ChooseMode(Mode::EditObject);
    f.Settle();
  }
  MapStore& Store() { return f.form->Doc().Store(); }
  // As the user chooses it: the menu shows what the state allows, then the item is chosen.
  void Do(const char* command) {
    f.form->UpdateMenuStates();
    f.form->Trigger(command);
  }
  void SelectOne(int32_t n) {
    f.State().ClearMultipleSelection();
    f.State().SelectedObject = n;
    ASSERT_TRUE(Store().ReadObject(n, &f.State().ObjectBuffer));
  }
};

TEST_F(ObjectWindow, EachCommandIsOneUndoStep) {
  const auto original = Snapshot(Store());
  // Merge the two touching lines: the result is stored, the originals go, all undone at once.
  f.State().SelectedObject = 0;
  f.State().MultipleSelection.Assign({1, 2}, Box{});
  Do("EditMerge");
  ASSERT_EQ(Store().ObjectCount(), 4);
  ObjectRecord merged;
  ASSERT_TRUE(Store().ReadObject(4, &merged));
  EXPECT_EQ(Units(merged), (std::vector<std::pair<int, int>>{{0, 0}, {1000, 0}, {2000, 500}}));
  IndexEntry e;
  EXPECT_TRUE(Store().ReadEntry(1, &e) && !e.Live());
  Do("EditUndo");
  EXPECT_EQ(Snapshot(Store()), original);
  // Join closes the third line on itself; Reverse turns it round.
  SelectOne(3);
  Do("EditJoin");
  ObjectRecord joined;
  ASSERT_TRUE(Store().ReadObject(f.State().SelectedObject, &joined));
  EXPECT_TRUE(joined.coords.back().SamePlace(joined.coords.front()));
  Do("ReverseBtn");
  ObjectRecord reversed;
  ASSERT_TRUE(Store().ReadObject(f.State().SelectedObject, &reversed));
  EXPECT_EQ(Units(reversed)[1], (std::pair<int, int>{500, 3500}));
  Do("EditUndo");
  Do("EditUndo");
  EXPECT_EQ(Snapshot(Store()), original);
  // Fill: a new area of the current symbol beside the line.
  SelectOne(3);
  f.State().CurrentSymbol = Store().SymbolPlace(kArea);
  Do("FillBtn");
  ObjectRecord filled;
  ASSERT_TRUE(Store().ReadObject(Store().ObjectCount(), &filled));
  EXPECT_EQ(filled.type, ObjectType::Area);
  EXPECT_TRUE(Store().ReadEntry(3, &e) && e.Live());
  Do("EditUndo");
  // Delete: the group in one step.
  f.State().SelectedObject = 0;
  f.State().MultipleSelection.Assign({1, 2, 3}, Box{});
  Do("EditDelete");
  EXPECT_EQ(Store().LiveObjectCount(), 0);
  Do("EditUndo");
  EXPECT_EQ(Store().LiveObjectCount(), 3);
  // Lines that do not all touch are not merged.
  f.State().SelectedObject = 0;
  f.State().MultipleSelection.Assign({1, 3}, Box{});
  Do("EditMerge");
  ASSERT_FALSE(f.sink.errors.empty());
  EXPECT_EQ(f.sink.errors.back(), "Cannot merge line objects.");
}

}  // namespace
}  // namespace zelk

namespace zelk {
namespace {

TEST_F(ObjectWindow, ToCurveBySymbolConvertsEveryObjectOfTheSymbolAndForgetsUndo) {
  // An area of another symbol with the same bends stays as it is.
  ObjectRecord bentArea =
      Obj(kArea, ObjectType::Area, {P(0, 5000), P(500, 5000), P(500, 5500), P(0, 5010)});
  ASSERT_TRUE(Store().AddObject(bentArea));
  SelectOne(3);
  Do("EditDelete");  // a step to forget
  Do("EditUndo");
  ASSERT_TRUE(f.form->Doc().Store().IsOpen());
  f.State().CurrentSymbol = Store().SymbolPlace(kLine);
  // Cancelled: nothing changes.
  f.sink.confirmAnswers = {false};
  const auto original = Snapshot(Store());
  Do("ExtrasToCurveSym");
  EXPECT_EQ(Snapshot(Store()), original);
  ASSERT_EQ(f.sink.confirms.back(), "Convert all objects with a selected symbol to curves?");
  Do("ExtrasToCurveSym");
  EXPECT_EQ(f.State().SelectedObject, 0);
  EXPECT_TRUE(f.sink.errors.empty());
  // Only the bent line had anything to fit; it grew, so it was stored anew.
  ObjectRecord line, area;
  ASSERT_EQ(Store().ObjectCount(), 5);
  ASSERT_TRUE(Store().ReadObject(5, &line));
  EXPECT_EQ(line.coords[1].XFlags(), kFirstCurvePoint);
  EXPECT_EQ(Units(line).back(), (std::pair<int, int>{0, 3010}));
  ASSERT_TRUE(Store().ReadObject(4, &area));
  EXPECT_EQ(area.coords, bentArea.coords);
  EXPECT_EQ(Store().LiveObjectCount(), 4);
  EXPECT_FALSE(f.form->Undo().CanUndo());
  // The marks show the current symbol alone.
  for (int i = 0; i < Store().SymbolCount(); ++i)
    EXPECT_EQ(Store().Symbol(i).Selected() != 0, i == Store().SymbolPlace(kLine));
}

TEST_F(ObjectWindow, ToCurveOfAGroupUndoesInOneStep) {
  const auto original = Snapshot(Store());
  f.State().SelectedObject = 0;
  f.State().MultipleSelection.Assign({1, 2, 3}, Box{});
  Do("EditToCurve");
  // The two-point lines have nothing to fit; the third became curves through its points and
  // is selected in its new place.
  ASSERT_EQ(Store().ObjectCount(), 4);
  ObjectRecord curve;
  ASSERT_TRUE(Store().ReadObject(4, &curve));
  EXPECT_EQ(curve.coords[1].XFlags(), kFirstCurvePoint);
  EXPECT_EQ(Units(curve).back(), (std::pair<int, int>{0, 3010}));
  EXPECT_EQ(Store().LiveObjectCount(), 3);
  EXPECT_EQ(f.State().SelectedObject, 4);
  Do("EditUndo");
  EXPECT_EQ(Snapshot(Store()), original);
}

}  // namespace
}  // namespace zelk

#include "editor/cut_tool.h"

namespace zelk {
namespace {

TEST(LineCut, AClickCutsInTwoAndADragCutsOutAGap) {
  EditingFixture f;
  ObjectRecord road = Obj(kLineText, ObjectType::Line, {P(0, 0), P(1000, 0), P(2000, 0)});
  road.SetText("Mill Road");
  const int32_t n = f.Add(road);
  f.Select(n);
  const auto before = Snapshot(f.Store());
  LineCutTool cut(f.sel);
  cut.Start(ToolPurpose::Draw);
  f.Click(cut, f.At(500, 0));
  // The first part stays in place of the line, without text; the second is new and selected.
  const ObjectRecord first = f.Read(n), second = f.Read(f.Store().ObjectCount());
  EXPECT_EQ(Units(first), (std::vector<std::pair<int, int>>{{0, 0}, {500, 0}}));
  EXPECT_EQ(first.textUnits, 0);
  EXPECT_EQ(Units(second), (std::vector<std::pair<int, int>>{{500, 0}, {1000, 0}, {2000, 0}}));
  EXPECT_EQ(second.Text(), "Mill Road");
  EXPECT_EQ(f.state.SelectedObject, f.Store().ObjectCount());
  ASSERT_TRUE(f.undo->Undo());
  EXPECT_EQ(Snapshot(f.Store()), before);

  // Dragged backwards along the line: the same gap as forwards.
  f.Select(n);
  f.Drag(cut, f.At(1500, 0), f.At(300, 0));
  const ObjectRecord left = f.Read(n), right = f.Read(f.Store().ObjectCount());
  EXPECT_EQ(Units(left), (std::vector<std::pair<int, int>>{{0, 0}, {300, 0}}));
  EXPECT_EQ(Units(right), (std::vector<std::pair<int, int>>{{1500, 0}, {2000, 0}}));
  ASSERT_TRUE(f.undo->Undo());
  EXPECT_EQ(Snapshot(f.Store()), before);

  // A cut exactly on an end anchor leaves one part only; a press off the line does nothing.
  f.Select(n);
  f.Click(cut, f.At(5000, 5000));
  EXPECT_EQ(Snapshot(f.Store()), before);
  const std::optional<CutParts> atEnd =
      CutLine(road, Coord::FromUnits(0, 0), Coord::FromUnits(0, 0), 256);
  ASSERT_TRUE(atEnd);
  EXPECT_EQ(atEnd->first.PointCount(), 0);
  EXPECT_EQ(atEnd->second.PointCount(), 3);
}

}  // namespace
}  // namespace zelk

namespace zelk {
namespace {

// Points as units with their flag words, for comparing parts flag by flag.
std::vector<std::string> Flagged(const ObjectRecord& o) {
  std::vector<std::string> out;
  for (const Coord& c : o.coords)
    out.push_back(std::to_string(c.PosX()) + "," + std::to_string(c.PosY()) + "/" +
                  std::to_string(c.XFlags()) + "," + std::to_string(c.YFlags()));
  return out;
}
std::string Pt(int x, int y, int xf = 0, int yf = 0) {
  return std::to_string(x) + "," + std::to_string(y) + "/" + std::to_string(xf) + "," +
         std::to_string(yf);
}

TEST(AreaCut, PartsRingsAndHolesFollowTheCutLine) {
  constexpr int32_t kTol = 20 * 256;  // 20 map units
  const ObjectRecord square =
      Obj(kArea, ObjectType::Area,
          {P(0, 0), P(1000, 0), P(1000, 1000), P(0, 1000), P(100, 100, 0, kHoleStart), P(200, 100),
           P(200, 200), P(700, 700, 0, kHoleStart), P(800, 700), P(800, 800)});
  ObjectRecord closed = square;
  closed.coords.insert(closed.coords.begin() + 4, P(0, 0));
  const std::vector<Coord> down = {P(500, 0), P(500, 1000)};
  const int kC = kCornerPoint;
  // The left half keeps the area's place with the left hole; the right half is new.
  const std::vector<std::string> left = {
      Pt(500, 0, 0, kC), Pt(500, 1000, 0, kC),        Pt(0, 1000),  Pt(0, 0),
      Pt(500, 0),        Pt(100, 100, 0, kHoleStart), Pt(200, 100), Pt(200, 200)};
  const std::vector<std::string> right = {
      Pt(500, 0, 0, kC), Pt(500, 1000, 0, kC),        Pt(1000, 1000), Pt(1000, 0),
      Pt(500, 0),        Pt(700, 700, 0, kHoleStart), Pt(800, 700),   Pt(800, 800)};
  for (const ObjectRecord* area : {&square, static_cast<const ObjectRecord*>(&closed)}) {
    const AreaCut cut = CutArea(*area, down, kTol);
    ASSERT_EQ(cut.status, AreaCut::Status::Cut);
    EXPECT_EQ(Flagged(cut.first), left);
    EXPECT_EQ(Flagged(cut.second), right);
  }
  // A cut exactly through two anchors, with a bend: the bend is in both parts, and both holes
  // lie above it.
  const AreaCut diagonal = CutArea(square, {P(0, 0), P(600, 400), P(1000, 1000)}, kTol);
  ASSERT_EQ(diagonal.status, AreaCut::Status::Cut);
  EXPECT_EQ(Units(diagonal.first).size(), 3u + 2u + 3u + 3u);
  EXPECT_EQ(Units(diagonal.second).size(), 3u + 2u);
  EXPECT_EQ(Units(diagonal.second)[3], (std::pair<int, int>{1000, 0}));

  struct Refused {
    const char* why;
    std::vector<Coord> line;
    AreaCut::Status status;
  };
  ObjectRecord crowded = square;
  for (int i = 0; i < 1990; ++i) crowded.coords.push_back(P(150 + i % 50, 300 + i / 50));
  crowded.coords[10].y |= kHoleStart;
  for (const Refused& r : std::vector<Refused>{
           {"ends inside", {P(500, 0), P(500, 500)}, AreaCut::Status::NotOnBorder},
           {"starts inside", {P(500, 500), P(500, 1000)}, AreaCut::Status::NotOnBorder},
           {"ends where it began",
            {P(500, 0), P(500, 500), P(505, 0)},
            AreaCut::Status::NotOnBorder},
           {"starts on a hole", {P(150, 100), P(500, 1000)}, AreaCut::Status::NotOnBorder},
       }) {
    EXPECT_EQ(CutArea(square, r.line, kTol).status, r.status) << r.why;
  }
  EXPECT_EQ(CutArea(crowded, down, kTol).status, AreaCut::Status::TooManyPoints);
}

TEST(AreaCut, CurvedRingsKeepWholeSegments) {
  constexpr int32_t kTol = 20 * 256;
  // A circle of four Bezier quarters cut across its middle: each part is a half circle whose
  // control points stay in pairs between anchors.
  const ObjectRecord circle =
      Obj(kArea, ObjectType::Area, EllipsePoints(0, 0, 256000, 0, 0, 256000));
  const AreaCut cut = CutArea(circle, {P(0, 1000), P(0, -1000)}, kTol);
  ASSERT_EQ(cut.status, AreaCut::Status::Cut);
  for (const ObjectRecord* part : {&cut.first, &cut.second}) {
    int run = 0;
    for (const Coord& c : part->coords) {
      if (IsControl(c)) {
        EXPECT_EQ(c.XFlags() & kCurveFlags, run == 0 ? kFirstCurvePoint : kSecondCurvePoint);
        ++run;
      } else {
        EXPECT_TRUE(run == 0 || run == 2);
        run = 0;
      }
    }
    EXPECT_TRUE(part->coords.back().SamePlace(part->coords.front()));
    EXPECT_EQ(part->PointCount(), 2 + 6);  // the cut and two quarters back to its start
  }
  EXPECT_GT(cut.first.coords[2].PosX(), 0);  // the right half replaces the circle
  EXPECT_LT(cut.second.coords[2].PosX(), 0);
}

TEST(AreaCut, TheDrawnCutLineDividesTheSelectedAreaInOneStep) {
  EditingFixture f;
  InstallAreaCut(*f.ctx, f.sel);
  const int32_t n =
      f.Add(Obj(kArea, ObjectType::Area, {P(0, 0), P(1000, 0), P(1000, 1000), P(0, 1000)}));
  f.Select(n);
  const auto before = Snapshot(f.Store());
  // A press away from the border is refused with the message.
  EXPECT_FALSE(f.ctx->drawing.cutLineStarts(P(500, 500)));
  ASSERT_EQ(f.sink.errors.size(), 1u);
  EXPECT_EQ(f.sink.errors.back(), "Cut line must start and end at the border of the area");
  ASSERT_TRUE(f.ctx->drawing.cutLineStarts(P(500, 0)));
  f.ctx->drawing.cutLineDrawn({P(500, 0), P(500, 400)});
  EXPECT_EQ(f.sink.errors.size(), 2u);
  EXPECT_EQ(Snapshot(f.Store()), before);
  f.ctx->drawing.cutLineDrawn({P(500, 0), P(400, 500), P(500, 1000)});
  ASSERT_EQ(f.Store().LiveObjectCount(), 2);
  EXPECT_EQ(f.sink.errors.size(), 2u);  // the grown first part went quietly to a new place
  EXPECT_EQ(f.state.SelectedObject, f.Store().ObjectCount());
  EXPECT_EQ(Units(f.Read(f.state.SelectedObject)).front(), (std::pair<int, int>{500, 0}));
  ASSERT_TRUE(f.undo->Undo());
  EXPECT_EQ(Snapshot(f.Store()), before);
}

}  // namespace
}  // namespace zelk
