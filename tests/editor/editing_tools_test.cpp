// The editing tools driven by synthetic events over a real map: picking and marking, moving
// points, objects, rectangle sides and groups, the point operations, rotating, duplicating and
// changing symbols, each checked in the stored objects and undone and redone; and bad input.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "editing_fixture.h"
#include "editor/marks.h"

namespace zelk {
namespace {

class NullWindow : public CommandWindow {
 public:
  ViewTransform view;
  ZoomHistory history;
  const ViewTransform& View() const override { return view; }
  void SetView(double, int32_t, int32_t, bool) override {}
  ZoomHistory& History() override { return history; }
  void RedrawAll() override {}
  void RepaintOverlay() override {}
  void StartViewInteraction(ViewZoomTool::Kind) override {}
  void StartWindowRectangle(std::function<Box()>, std::function<void(const Box&)>, int) override {}
  void SymbolTableChanged() override {}
  void RepaintSymbols() override {}
  void SetCurrentSymbol(int) override {}
  void SetWaitCursor(bool) override {}
  void CloseWindow() override {}
  QWidget* DialogParent() override { return nullptr; }
};

struct Editing : EditingFixture, ::testing::Test {
  NullWindow window;
  CommandContext context{doc, state, prefs, window, &sink};
  EditCommands commands{context, *undo, ctx.get()};

  ObjectRecord Line(std::vector<Coord> c, int symbol = kLine) {
    return Obj(symbol, ObjectType::Line, std::move(c));
  }
  ObjectRecord Square(int x0, int y0, int x1, int y1, int symbol = kArea) {
    return Obj(symbol, ObjectType::Area, {P(x0, y0), P(x1, y0), P(x1, y1), P(x0, y1)});
  }
  // A smooth S of two curves meeting at (150, 0).
  ObjectRecord Smooth() {
    return Line(
        {P(0, 0), C1(0, 100), C2(100, 100), P(150, 0), C1(200, -100), C2(300, -100), P(300, 0)});
  }
  std::vector<int32_t> Marked() { return state.MultipleSelection.Objects(); }
  void ExpectRoundTrip(const std::vector<std::string>& before,
                       const std::vector<std::string>& after) {
    EXPECT_NE(before, after);
    for (int round = 0; round < 2; ++round) {
      ASSERT_TRUE(undo->CanUndo());
      ASSERT_TRUE(undo->Undo());
      EXPECT_EQ(Snapshot(Store()), before) << "undo, round " << round;
      ASSERT_TRUE(undo->CanRedo());
      ASSERT_TRUE(undo->Redo());
      EXPECT_EQ(Snapshot(Store()), after) << "redo, round " << round;
    }
  }
};

// --- Picking and marking -------------------------------------------------------------------

TEST_F(Editing, ClicksOnOneSpotCycleThroughTheObjectsLyingThere) {
  const int32_t a = Add(Square(0, 0, 200, 200));
  const int32_t b = Add(Square(100, 100, 300, 300));
  Add(Square(600, 600, 700, 700));
  StartEdit();
  for (int32_t expected : {a, b, a, b}) {
    Click(*edit, At(150, 150));
    EXPECT_EQ(state.SelectedObject, expected);
    EXPECT_EQ(state.ObjectBuffer, Read(expected));
  }
  EXPECT_NE(view.right.find("points"), std::string::npos);
  Click(*edit, At(-300, -250));  // empty map
  EXPECT_EQ(state.SelectedObject, 0);
}

TEST_F(Editing, ProtectedAndHiddenObjectsAreNeverPickedOrMarked) {
  Add(Line({P(0, 50), P(200, 50)}, kProtectedLine));
  Add(Line({P(0, 60), P(200, 60)}, kHiddenLine));
  const int32_t area = Add(Square(0, 0, 200, 200));
  StartEdit();
  for (int i = 0; i < 3; ++i) {
    Click(*edit, At(100, 50));
    EXPECT_EQ(state.SelectedObject, area);
  }
  Drag(*edit, At(-10, -10), At(250, 250));
  EXPECT_EQ(state.SelectedObject, area);
  EXPECT_EQ(state.MultipleCount(), 0);
}

TEST_F(Editing, TheSelectionRectangleMarksByTheSelectMode) {
  const int32_t inside = Add(Line({P(10, 10), P(50, 10)}));
  const int32_t partly = Add(Line({P(90, 50), P(300, 50)}));
  // Both anchors inside, but the curve bulges out over the top.
  const int32_t bulging = Add(Line({P(20, 80), C1(20, 300), C2(80, 300), P(80, 80)}));
  // Handles outside, the curve itself inside.
  const int32_t flat = Add(Line({P(20, 150), C1(20, 210), C2(80, 210), P(80, 150)}));
  Add(Line({P(300, 300), P(400, 300)}));
  Add(Line({P(30, 30), P(40, 40)}, kProtectedLine));
  struct Case {
    int mode;
    std::vector<int32_t> marked;
  };
  for (const Case& c : {Case{0, {inside, partly, bulging, flat}}, Case{1, {inside, flat}}}) {
    prefs.selectMode = c.mode;
    StartEdit();
    Drag(*edit, At(0, 0), At(200, 200));
    EXPECT_EQ(state.SelectedObject, 0) << c.mode;
    EXPECT_TRUE(state.MultipleSelection.Shown) << c.mode;
    EXPECT_EQ(Marked(), c.marked) << c.mode;
  }
}

TEST_F(Editing, ANarrowRectangleIsAClickAndShiftAddsToTheSelection) {
  const int32_t a = Add(Line({P(10, 10), P(50, 10)}));
  const int32_t b = Add(Line({P(10, 100), P(50, 100)}));
  const int32_t c = Add(Line({P(300, 100), P(350, 100)}));
  StartEdit();
  Drag(*edit, At(10, 10), At(19, 150));  // 9 pixels wide: a click at the press
  EXPECT_EQ(state.SelectedObject, a);
  Click(*edit, At(30, 100, true));  // Shift+click: a and b
  EXPECT_EQ(state.SelectedObject, 0);
  EXPECT_EQ(Marked(), (std::vector<int32_t>{a, b}));
  Drag(*edit, At(290, 90, true), At(360, 110, true));
  EXPECT_EQ(Marked(), (std::vector<int32_t>{a, b, c}));
  EXPECT_EQ(state.MultipleSelection.Extent.right, P(350, 0).x);
  Click(*edit, At(-200, -200));  // without Shift the selection goes at the press
  EXPECT_EQ(state.MultipleCount(), 0);
}

// --- Moving points, objects and rectangles ----------------------------------------------------

TEST_F(Editing, MovingAPointKeepsSmoothHandlesInLine) {
  struct Case {
    const char* name;
    bool cornerAnchor;
    Coord from, to;
    std::vector<Coord> after;
  };
  const std::vector<Coord> s = Smooth().coords;
  const auto with = [&](std::initializer_list<std::pair<int, Coord>> changes) {
    std::vector<Coord> c = s;
    for (auto [i, p] : changes) c[static_cast<size_t>(i)] = p;
    return c;
  };
  const Case cases[] = {
      {"an anchor takes its handles along", false, P(150, 0), P(160, 20),
       with({{2, C2(110, 120)}, {3, P(160, 20)}, {4, C1(210, -80)}})},
      // The opposite handle (100, 100) is 111.8 from the anchor: it turns to stay opposite.
      {"a handle of a smooth anchor", false, P(200, -100), P(250, -50),
       with({{2, C2(50, 50)}, {4, C1(250, -50)}})},
      {"a handle of a corner", true, P(200, -100), P(250, -50),
       with({{3, P(150, 0, 0, kCornerPoint)}, {4, C1(250, -50)}})},
      {"a handle dragged onto its anchor", false, P(200, -100), P(150, 0), with({{4, C1(150, 0)}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ObjectRecord o = Smooth();
    if (c.cornerAnchor) o.coords[3].y |= kCornerPoint;
    const int32_t n = Add(o);
    Select(n);
    StartEdit();
    edit->Down(At(c.from.PosX(), c.from.PosY()));
    EXPECT_EQ(edit->Step(), EditStep::MovePoint);
    edit->Move(At(c.to.PosX(), c.to.PosY()));
    EXPECT_FALSE(view.rubber.empty());
    edit->Up(At(c.to.PosX(), c.to.PosY()));
    EXPECT_TRUE(view.rubber.empty());
    EXPECT_EQ(state.SelectedObject, n);  // rewritten in place
    EXPECT_EQ(Read(n).coords, c.after);
    EXPECT_EQ(state.ObjectBuffer.coords, c.after);
  }
}

TEST_F(Editing, AClickOnAPointStoresNothing) {
  const int32_t n = Add(Smooth());
  Select(n);
  StartEdit();
  Store().SetModified(false);
  const int current = undo->Current();
  Click(*edit, At(150, 0));
  EXPECT_EQ(undo->Current(), current);
  EXPECT_FALSE(Store().Modified());
  EXPECT_EQ(state.SelectedObject, n);
  // A press close to the object but on no point does nothing either: the selection stays.
  Click(*edit, At(150, 4));
  EXPECT_EQ(state.SelectedObject, n);
}

TEST_F(Editing, EditObjectMovesWholeObjectsAndEditPointMovesWholePoints) {
  const int32_t line = Add(Smooth());
  const int32_t point = Add(Obj(kPoint, ObjectType::Point, {P(500, 500)}));
  Select(line);
  StartEdit(Mode::EditObject);
  Drag(*edit, At(150, 0), At(170, -30));
  ObjectRecord expected = Smooth();
  MoveObjectRecord(expected, 20 * 256, -30 * 256);
  EXPECT_EQ(Read(line).coords, expected.coords);
  Select(point);
  StartEdit(Mode::EditPoint);
  Drag(*edit, At(500, 500), At(480, 510));
  EXPECT_EQ(Read(point).coords[0], P(480, 510));
}

TEST_F(Editing, RectanglesResizeBySidesAndCornersAndKeepTheirCornerOrder) {
  const ObjectRecord rect =
      Obj(kRectangle, ObjectType::Rectangle, {P(0, 0), P(200, 0), P(200, 100), P(0, 100)});
  const auto box = [](int l, int b, int r, int t) {
    return std::vector<Coord>{P(l, b), P(r, b), P(r, t), P(l, t)};
  };
  struct Case {
    const char* name;
    Coord from, to;
    std::vector<Coord> after;
  };
  const Case cases[] = {
      {"a corner", P(200, 100), P(250, 150), box(0, 0, 250, 150)},
      {"the right side", P(200, 50), P(300, 80), box(0, 0, 300, 100)},
      {"the left side across the right", P(0, 50), P(300, 50), box(200, 0, 300, 100)},
      {"the top across the bottom", P(100, 100), P(100, -40), box(0, -40, 200, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int32_t n = Add(rect);
    Select(n);
    StartEdit();
    edit->Down(At(c.from.PosX(), c.from.PosY()));
    EXPECT_EQ(edit->Step(), EditStep::ResizeRect);
    edit->Move(At(c.to.PosX(), c.to.PosY()));
    edit->Up(At(c.to.PosX(), c.to.PosY()));
    EXPECT_EQ(Read(state.SelectedObject).coords, c.after);
  }
  // A turned rectangle is resized in its own frame.
  const ObjectRecord turned = RotatedObject(rect, P(100, 50), 900);
  const int32_t n = Add(turned);
  Select(n);
  StartEdit();
  Drag(*edit, At(50, 150), At(0, 200));  // corner 3, to where (250, 150) of the frame lies
  ObjectRecord frame = rect;
  frame.coords = box(0, 0, 250, 150);
  const ObjectRecord expected = RotatedObject(frame, P(100, 50), 900);
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(Read(n).coords[i].PosX(), expected.coords[i].PosX(), 1) << i;
    EXPECT_NEAR(Read(n).coords[i].PosY(), expected.coords[i].PosY(), 1) << i;
  }
  EXPECT_EQ(Read(n).angle, 900);
}

TEST_F(Editing, AGroupMovesAsOneBulkMoveThatUndoesAtOnce) {
  const int32_t a = Add(Square(0, 0, 100, 100));
  const int32_t b = Add(Square(200, 0, 300, 100));
  const int32_t c = Add(Line({P(0, 200), P(300, 200)}));
  Add(Square(600, 600, 700, 700));
  StartEdit();
  Drag(*edit, At(-10, -10), At(310, 210));
  ASSERT_EQ(Marked(), (std::vector<int32_t>{a, b, c}));
  const auto before = Snapshot(Store());
  Drag(*edit, At(50, 50), At(100, 70));  // a press on one of the group moves them all
  EXPECT_EQ(undo->KindAt(undo->Current()), UndoKind::BulkMoved);
  EXPECT_EQ(Read(a).coords[0], P(50, 20));
  EXPECT_EQ(Read(c).coords[1], P(350, 220));
  EXPECT_EQ(Read(4).coords[0], P(600, 600));
  EXPECT_EQ(state.MultipleSelection.Extent.left, P(50, 0).x);
  ExpectRoundTrip(before, Snapshot(Store()));
}

TEST_F(Editing, UndoAndRedoOfAGroupMoveRedrawWhereTheObjectsWereAndWhereTheyGo) {
  struct Redraws : UndoView {
    std::vector<Box> boxes;
    void RedrawBox(const Box& b) override { boxes.push_back(b); }
    void ClearSelection() override {}
    void SelectMarked(const std::vector<int32_t>&, const Box&) override {}
    void UndoStateChanged() override {}
  } log;
  undo->SetView(&log);
  Add(Square(0, 0, 100, 100));
  Add(Square(200, 0, 300, 100));
  StartEdit();
  Drag(*edit, At(-10, -10), At(310, 110));
  Drag(*edit, At(50, 50), At(550, 50));
  const Box before = UnitsBox(0, 0, 300, 100), after = UnitsBox(500, 0, 800, 100);
  for (bool redo : {false, true}) {
    log.boxes.clear();
    ASSERT_TRUE(redo ? undo->Redo() : undo->Undo());
    EXPECT_NE(std::find(log.boxes.begin(), log.boxes.end(), before), log.boxes.end()) << redo;
    EXPECT_NE(std::find(log.boxes.begin(), log.boxes.end(), after), log.boxes.end()) << redo;
  }
  undo->SetView(nullptr);
}

// --- Marks and the marked set ----------------------------------------------------------------

TEST(MarkedObjects, HoldsEveryObjectTheEngineCanHold) {
  MarkedObjects m;
  EXPECT_EQ(MarkedObjects::kCapacity, 1200 * 256);
  EXPECT_GE(m.Size() * 8, static_cast<size_t>(MarkedObjects::kCapacity));
  EXPECT_TRUE(m.Mark(MarkedObjects::kCapacity));
  EXPECT_TRUE(m.Mark(1));
  EXPECT_TRUE(m.Mark(70000));
  EXPECT_FALSE(m.Mark(70000));
  EXPECT_FALSE(m.Mark(0));
  EXPECT_FALSE(m.Mark(MarkedObjects::kCapacity + 1));
  EXPECT_EQ(m.Count(), 3);
  EXPECT_EQ(m.Objects(), (std::vector<int32_t>{1, 70000, MarkedObjects::kCapacity}));
  EXPECT_TRUE(m.Unmark(1));
  EXPECT_FALSE(m.Has(1));
  m.Clear();
  EXPECT_EQ(m.Count(), 0);
  EXPECT_FALSE(m.Has(70000));
  EXPECT_TRUE(m.Objects().empty());
  m.Assign({5, 9}, UnitsBox(0, 0, 1, 1));
  EXPECT_TRUE(m.Shown);
  EXPECT_EQ(m.Objects(), (std::vector<int32_t>{5, 9}));
}

TEST_F(Editing, MarksShowAnchorsHandlesSidesAndGroups) {
  using K = SelectionMark::Kind;
  const auto kinds = [&] {
    std::map<K, int> n;
    for (const SelectionMark& m : SelectionMarks(state, Store(), view)) ++n[m.kind];
    return n;
  };
  ObjectRecord s = Smooth();
  s.coords[3].y |= kCornerPoint;
  s.coords.push_back(P(0, 0));  // back to the first point: marked once, not wiped out
  const int32_t line = Add(s);
  const int32_t rect = Add(Obj(kRectangle, ObjectType::Rectangle,
                               {P(-200, -200), P(-50, -200), P(-50, -100), P(-200, -100)}));
  Select(line);
  state.ToolMode = Mode::EditPoint;
  EXPECT_EQ(kinds(),
            (std::map<K, int>{{K::Anchor, 2}, {K::Corner, 1}, {K::Handle, 4}, {K::HandleLine, 4}}));
  state.ToolMode = Mode::EditObject;
  EXPECT_EQ(kinds(), (std::map<K, int>{{K::Anchor, 2}, {K::Corner, 1}}));
  Select(rect);
  state.ToolMode = Mode::EditPoint;
  EXPECT_EQ(kinds(), (std::map<K, int>{{K::Corner, 4}, {K::Anchor, 4}}));
  const auto marks = SelectionMarks(state, Store(), view);
  EXPECT_EQ(marks[0].a.x, view.MapToDevice(P(-200, -200)).x);
  // A group shows the box of each object.
  state.MultipleSelection.Assign({line, rect}, {});
  state.SelectedObject = 0;
  EXPECT_EQ(kinds(), (std::map<K, int>{{K::Box, 2}}));
  // Nothing is marked once the map is closed.
  ASSERT_TRUE(doc.Close());
  EXPECT_TRUE(SelectionMarks(state, Store(), view).empty());
}

// --- Point operations ---------------------------------------------------------------------------

TEST_F(Editing, CtrlClickRemovesAndShiftCtrlClickInsertsOnTheSelectedObject) {
  const int32_t n = Add(Line({P(0, 0), P(100, 0), P(200, 0)}));
  Select(n);
  StartEdit();
  Click(*edit, At(100, 1, false, true));
  EXPECT_EQ(Read(state.SelectedObject).coords, (std::vector<Coord>{P(0, 0), P(200, 0)}));
  Click(*edit, At(50, 1, true, true));
  EXPECT_EQ(Read(state.SelectedObject).coords, (std::vector<Coord>{P(0, 0), P(50, 0), P(200, 0)}));
  EXPECT_NE(state.SelectedObject, n);  // grown: stored anew
  IndexEntry old;
  Store().ReadEntry(n, &old);
  EXPECT_FALSE(old.Live());
}

TEST_F(Editing, ThePointOperationTool) {
  const int32_t line = Add(Smooth());
  const int32_t area = Add(Square(400, 0, 500, 100, kHatchedArea));
  Select(line);
  state.ToolMode = Mode::CornerPoint;
  pointOps->Start(ToolPurpose::Draw);
  EXPECT_EQ(view.prompt, "Mark point to insert/change");
  EXPECT_EQ(view.cursor, "CornerPoint");
  Click(*pointOps, At(150, 0));
  EXPECT_TRUE(Read(state.SelectedObject).coords[3].y & kCornerPoint);
  pointOps->Finish();
  state.ToolMode = Mode::RemovePoint;
  pointOps->Start(ToolPurpose::Draw);
  EXPECT_EQ(view.prompt, "Mark point to remove");
  Click(*pointOps, At(150, 0));
  EXPECT_EQ(Read(state.SelectedObject).PointCount(), 4);
  pointOps->Finish();
  Select(area);
  state.ToolMode = Mode::PatternDirection;
  pointOps->Start(ToolPurpose::Draw);
  EXPECT_EQ(view.prompt, "Indicate direction");
  Drag(*pointOps, At(450, 50), At(450, 90));
  EXPECT_EQ(Read(state.SelectedObject).angle, 900 - 300);
  pointOps->Finish();
  EXPECT_EQ(state.InteractionState, Interaction::Idle);
}

// --- Rotate, duplicate, change symbol
// -------------------------------------------------------------

TEST_F(Editing, RotatingAboutAMarkedCentre) {
  const int32_t n = Add(Line({P(100, 0), P(200, 0)}));
  Select(n);
  rotate->Start(ToolPurpose::Draw);
  EXPECT_EQ(view.prompt, "Mark center of rotation");
  EXPECT_EQ(view.cursor, "Anchor");
  Click(*rotate, At(0, 0));
  EXPECT_EQ(view.prompt, "Rotate object");
  EXPECT_EQ(view.cursor, "Rotate");
  EXPECT_FALSE(view.rubber.empty());  // the centre's mark
  Drag(*rotate, At(200, 0), At(0, 200));
  EXPECT_EQ(Read(n).coords, (std::vector<Coord>{P(0, 100), P(0, 200)}));
  EXPECT_EQ(Read(n).angle, 900);
  EXPECT_EQ(rotate->Step(), RotateStep::MarkCentre);
  EXPECT_EQ(view.prompt, "Mark center of rotation");
  // A press on the centre itself gives no direction.
  Click(*rotate, At(0, 0));
  Click(*rotate, At(0, 0));
  EXPECT_EQ(rotate->Step(), RotateStep::WaitDrag);
  rotate->Finish();
  EXPECT_EQ(state.InteractionState, Interaction::Idle);
}

TEST_F(Editing, DuplicatePlacesTheCopyThirtyPixelsRightAndDownAtAnyZoom) {
  const int32_t n = Add(Line({P(0, 0), P(100, 0)}));
  for (double zoom : {32.0, 4.0}) {
    view.SetZoom(zoom);
    Select(n);
    commands.DuplicateObject();
    const int32_t copy = Store().ObjectCount();
    EXPECT_EQ(state.SelectedObject, copy);
    const int units = static_cast<int>(std::lround(30 * 32 / zoom));
    EXPECT_EQ(Read(copy).coords, (std::vector<Coord>{P(units, -units), P(100 + units, -units)}))
        << zoom;
    EXPECT_FALSE(view.drawn.empty());
  }
}

TEST_F(Editing, ChangeSymbolFollowsTheTypeRulesAndUndoes) {
  ObjectRecord holed = Square(0, 0, 400, 400);
  holed.coords.insert(holed.coords.end(),
                      {P(100, 100, 0, kHoleStart), P(300, 100), P(300, 300), P(100, 300)});
  const int32_t area = Add(holed);
  Select(area);
  state.CurrentSymbol = static_cast<int16_t>(Store().SymbolPlace(kPoint));
  const auto before = Snapshot(Store());
  const int current = undo->Current();
  commands.ChangeSymbol();  // a point symbol does not fit an area
  EXPECT_EQ(Snapshot(Store()), before);
  EXPECT_EQ(undo->Current(), current);
  state.CurrentSymbol = static_cast<int16_t>(Store().SymbolPlace(kLine));
  commands.ChangeSymbol();
  const ObjectRecord line = Read(state.SelectedObject);
  EXPECT_EQ(line.type, ObjectType::Line);
  EXPECT_EQ(line.symbol, kLine);
  EXPECT_EQ(line.coords, (std::vector<Coord>{P(0, 0), P(400, 0), P(400, 400), P(0, 400), P(0, 0)}));
  ExpectRoundTrip(before, Snapshot(Store()));
  // A line text symbol asks for the text; cancelled, nothing changes.
  Select(state.SelectedObject);
  state.CurrentSymbol = static_cast<int16_t>(Store().SymbolPlace(kLineText));
  const auto asLine = Snapshot(Store());
  commands.askLineText = [] { return std::nullopt; };
  commands.ChangeSymbol();
  EXPECT_EQ(Snapshot(Store()), asLine);
  commands.askLineText = [] { return std::string("Ring road"); };
  commands.ChangeSymbol();
  EXPECT_EQ(Read(state.SelectedObject).Text(), "Ring road");
  EXPECT_EQ(Read(state.SelectedObject).symbol, kLineText);
}

// --- Undo and redo of every edit ----------------------------------------------------------------

TEST_F(Editing, EveryEditUndoesAndRedoes) {
  struct Case {
    const char* name;
    std::function<void(Editing&)> edit;
  };
  const std::vector<Case> cases = {
      {"move a point", [](Editing& f) { f.Drag(*f.edit, f.At(150, 0), f.At(170, 40)); }},
      {"move a handle", [](Editing& f) { f.Drag(*f.edit, f.At(200, -100), f.At(260, -40)); }},
      {"move the object",
       [](Editing& f) {
         f.StartEdit(Mode::EditObject);
         f.Drag(*f.edit, f.At(0, 0), f.At(-40, 25));
       }},
      {"insert on the curve",
       [](Editing& f) {
         const RealPoint r = BezierPoint(f.Smooth().coords.data(), 0.5);
         f.Click(*f.edit, f.At(static_cast<int>(std::lround(r.x / 256)),
                               static_cast<int>(std::lround(r.y / 256)), true, true));
       }},
      {"make a corner",
       [](Editing& f) {
         f.state.ToolMode = Mode::CornerPoint;
         f.pointOps->Start(ToolPurpose::Draw);
         f.Click(*f.pointOps, f.At(150, 0));
       }},
      {"direction of a point",
       [](Editing& f) {
         f.Select(1);
         f.state.ToolMode = Mode::PatternDirection;
         f.pointOps->Start(ToolPurpose::Draw);
         f.Drag(*f.pointOps, f.At(0, 0), f.At(-50, 50));
       }},
      {"resize a rectangle",
       [](Editing& f) {
         f.Select(2);
         f.Drag(*f.edit, f.At(-50, -100), f.At(-20, -60));
       }},
      {"move a group",
       [](Editing& f) {
         f.Drag(*f.edit, f.At(-1000, -1000), f.At(1000, 1000));
         f.Drag(*f.edit, f.At(650, 650), f.At(600, 700));
       }},
      {"remove a point", [](Editing& f) { f.Click(*f.edit, f.At(150, 0, false, true)); }},
      {"rotate",
       [](Editing& f) {
         f.Click(*f.rotate, f.At(0, 0));
         f.Drag(*f.rotate, f.At(300, 0), f.At(0, 300));
       }},
      {"duplicate", [](Editing& f) { f.commands.DuplicateObject(); }},
      {"change symbol",
       [](Editing& f) {
         f.state.CurrentSymbol = static_cast<int16_t>(f.Store().SymbolPlace(kArea));
         f.commands.ChangeSymbol();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    struct Run : Editing {
      void TestBody() override {}
    } f;
    f.Add(Obj(kPoint, ObjectType::Point, {P(-300, -300)}));
    f.Add(Obj(kRectangle, ObjectType::Rectangle,
              {P(-200, -200), P(-50, -200), P(-50, -100), P(-200, -100)}));
    f.Add(f.Square(600, 600, 700, 700));
    const int32_t n = f.Add(f.Smooth());
    f.Select(n);
    f.StartEdit();
    const auto before = Snapshot(f.Store());
    c.edit(f);
    f.ExpectRoundTrip(before, Snapshot(f.Store()));
  }
}

// --- Redrawing and the modified flag -------------------------------------------------------------

TEST_F(Editing, ChangesAreDrawnAtOnceAndRedrawnNowOrLaterByThePreferences) {
  for (bool delayLines : {false, true}) {
    SCOPED_TRACE(delayLines);
    const int32_t line = Add(Smooth());
    const int32_t area = Add(Square(400, 0, 500, 100));
    prefs.lineUpdate = delayLines;
    prefs.areaUpdate = false;
    Store().SetModified(false);
    Select(line);
    StartEdit();
    view.redraws.clear();
    view.drawn.clear();
    Drag(*edit, At(150, 0), At(150, 10));
    EXPECT_TRUE(Store().Modified());
    EXPECT_EQ(view.drawn.size(), 1u);
    EXPECT_EQ(view.redraws.empty(), delayLines);
    // Choosing another object redraws what was kept back; an area is redrawn at once.
    view.redraws.clear();
    Select(area);
    EXPECT_EQ(view.redraws.size(), delayLines ? 1u : 0u);
    view.redraws.clear();
    Drag(*edit, At(400, 0), At(390, 0));
    EXPECT_EQ(view.redraws.size(), 1u);
    // A delayed line waits for the tool to finish.
    Select(line);
    Drag(*edit, At(150, 10), At(150, 20));
    view.redraws.clear();
    edit->Finish();
    EXPECT_EQ(view.redraws.size(), delayLines ? 1u : 0u);
  }
}

// --- Bad input
// ------------------------------------------------------------------------------------

TEST_F(Editing, EventsInAnyOrderNeverStoreAnything) {
  const int32_t n = Add(Smooth());
  Select(n);
  StartEdit();
  const auto before = Snapshot(Store());
  edit->Up(At(150, 0));
  edit->Move(At(170, 20));
  edit->Key(U'a');
  edit->Down(At(150, 0));
  edit->Key(27);  // Esc gives the drag up
  edit->Move(At(170, 20));
  edit->Up(At(170, 20));
  edit->Down(At(150, 0));
  edit->Down(At(300, 0));  // a second press without a release
  edit->Up(At(300, 0));
  rotate->Up(At(5, 5));
  rotate->Move(At(5, 5));
  pointOps->Up(At(1, 1));
  pointOps->Move(At(1, 1));
  EXPECT_EQ(Snapshot(Store()), before);
  EXPECT_TRUE(sink.errors.empty());
}

TEST_F(Editing, AnObjectDeletedByAnotherStepWhileSelectedIsLetGo) {
  const int32_t n = Add(Smooth());
  Select(n);
  StartEdit();
  edit->Down(At(150, 0));
  edit->Move(At(160, 10));
  undo->BeginUndoStep(n, state.ObjectBuffer);
  ASSERT_TRUE(Store().DeleteObject(n));
  edit->Up(At(160, 10));
  EXPECT_TRUE(Snapshot(Store()).empty());
  EXPECT_EQ(state.SelectedObject, 0);
  // Nothing is left to edit: presses and commands do nothing.
  state.SelectedObject = n;
  commands.DuplicateObject();
  EXPECT_EQ(state.SelectedObject, 0);
  state.SelectedObject = n;
  Click(*pointOps, At(150, 0));
  EXPECT_EQ(Store().ObjectCount(), n);
  EXPECT_TRUE(sink.errors.empty());
}

TEST_F(Editing, TheMapClosedDuringADrag) {
  const int32_t n = Add(Smooth());
  Select(n);
  StartEdit();
  edit->Down(At(150, 0));
  edit->Move(At(160, 10));
  ASSERT_TRUE(doc.Close());
  edit->Move(At(170, 10));
  edit->Up(At(170, 10));
  edit->Finish();
  rotate->Start(ToolPurpose::Draw);
  Click(*rotate, At(0, 0));
  rotate->Finish();
  EXPECT_TRUE(sink.errors.empty());
}

// Random presses, moves, releases and keys with random modifiers, over every tool and mode:
// whatever happens, every stored object stays whole and every step undoes.
TEST_F(Editing, RandomEventsLeaveWholeObjectsAndAConsistentRing) {
  Add(Smooth());
  Add(Square(0, 0, 200, 200));
  Add(Obj(kRectangle, ObjectType::Rectangle,
          {P(-200, -200), P(-50, -200), P(-50, -100), P(-200, -100)}));
  Add(Obj(kPoint, ObjectType::Point, {P(100, -100)}));
  Add(Line({P(-100, 100), P(-50, 150), P(0, 100), P(50, 150)}));
  std::mt19937 rng(7);
  const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const Mode modes[] = {Mode::EditPoint,   Mode::EditObject,  Mode::CornerPoint,
                        Mode::NormalPoint, Mode::RemovePoint, Mode::PatternDirection};
  Tool* tool = edit.get();
  StartEdit();
  for (int i = 0; i < 3000; ++i) {
    const ToolEvent e = At(pick(500) - 250, pick(500) - 250, pick(4) == 0, pick(4) == 0);
    switch (pick(12)) {
      case 0:
      case 1:
      case 2:
        tool->Down(e);
        break;
      case 3:
      case 4:
      case 5:
        tool->Move(e);
        break;
      case 6:
      case 7:
        tool->Up(e);
        break;
      case 8:
        tool->Key(pick(2) ? U'x' : char32_t{27});
        break;
      case 9: {
        tool->Finish();
        const int m = pick(8);
        if (m < 6) {
          state.ToolMode = modes[m];
          tool = m < 2 ? static_cast<Tool*>(edit.get()) : pointOps.get();
        } else {
          state.ToolMode = Mode::Rotate;
          tool = rotate.get();
        }
        tool->Start(ToolPurpose::Draw);
        break;
      }
      case 10:
        if (pick(3) == 0) commands.DuplicateObject();
        break;
      default:
        if (pick(4) == 0 && undo->CanUndo()) undo->Undo();
        break;
    }
  }
  tool->Finish();
  EXPECT_TRUE(sink.errors.empty());
  for (int32_t n = 1; n <= Store().ObjectCount(); ++n) {
    IndexEntry e;
    ASSERT_TRUE(Store().ReadEntry(n, &e));
    if (!e.Live()) continue;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(Store().ReadRecordBytes(e, &bytes));
    const auto o = ObjectRecord::Decode(bytes);
    ASSERT_TRUE(o.has_value()) << n;
    EXPECT_EQ(o->BoundingBox(0).left >= e.box.left, true) << n;
  }
  int undone = 0;
  while (undo->CanUndo() && undone < 40) {
    ASSERT_TRUE(undo->Undo());
    ++undone;
  }
  EXPECT_TRUE(sink.errors.empty());
}

}  // namespace
}  // namespace zelk
