// The editing tools through the real main window: mouse events on the work window select, move
// and rotate, the toolbar duplicates and changes symbols, the Edit menu undoes and redoes, and
// the marks lie over the picture.
#include <gtest/gtest.h>

#include <QTest>

#include "editing_fixture.h"
#include "editor/marks.h"

namespace zelk {
namespace {

// The editing map with a smooth line, an area and a rectangle.
std::string WriteMapWithObjects(const TempDir& dir) {
  const std::string path = WriteEditingMap(dir);
  RecordingSink sink;
  MapStore store(&sink);
  store.WorkingFile().OpenExisting(path);
  EXPECT_TRUE(store.LoadFromWorkingFile());
  for (ObjectRecord o :
       {Obj(kLine, ObjectType::Line,
            {P(0, 0), C1(0, 800), C2(800, 800), P(1200, 0), C1(1600, -800), C2(2400, -800),
             P(2400, 0)}),
        Obj(kArea, ObjectType::Area, {P(-2000, -2000), P(-1000, -2000), P(-1000, -1000)}),
        Obj(kRectangle, ObjectType::Rectangle,
            {P(1000, 1000), P(2000, 1000), P(2000, 1600), P(1000, 1600)})})
    EXPECT_TRUE(store.AddObject(o));
  store.WriteSettings();
  store.CloseWorkingFile();
  return path;
}

struct EditingWindow : ::testing::Test {
  EditorFixture f;
  void SetUp() override {
    ASSERT_TRUE(f.OpenMap(WriteMapWithObjects(f.dir)));
    f.ChooseMode(Mode::EditPoint);
    f.Settle();
  }
  MapStore& Store() { return f.form->Doc().Store(); }
  QPoint Pixel(int x, int y) {
    const PixelPos p = f.form->MapToDevice(P(x, y));
    return {p.x, p.y};
  }
  Coord MapAt(QPoint p) { return f.form->DeviceToMap({p.x(), p.y()}); }
  ObjectRecord Selected() {
    ObjectRecord o;
    Store().ReadObject(f.State().SelectedObject, &o);
    return o;
  }
  void Press(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
    QTest::mousePress(&f.Work(), b, {}, p);
  }
  void MoveTo(QPoint p) { QTest::mouseMove(&f.Work(), p); }
  void Release(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
    QTest::mouseRelease(&f.Work(), b, {}, p);
  }
  void DragFromTo(QPoint a, QPoint b) {
    Press(a);
    MoveTo((a + b) / 2);
    MoveTo(b);
    Release(b);
    f.Settle();
  }
};

TEST_F(EditingWindow, SelectMoveRotateDuplicateChangeUndoAndRedo) {
  EXPECT_EQ(f.State().InteractionState, Interaction::Edit);
  EXPECT_EQ(f.State().CursorName, "EditPoint");

  // A click on the line selects it, and its marks lie over the picture by exclusive-or.
  QTest::mouseClick(&f.Work(), Qt::LeftButton, {}, Pixel(1200, 0));
  f.Settle();
  ASSERT_EQ(f.State().SelectedObject, 1);
  const QImage shown = f.Work().grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QPoint anchor = Pixel(1200, 0);
  const QRgb under = f.Work().Picture().pixel(anchor + QPoint(-2, 0));
  EXPECT_EQ(shown.pixel(anchor + QPoint(-2, 0)), under ^ 0x00ffffffu);

  // Dragging the middle anchor moves it; the engine stores it in place and Undo follows.
  const QPoint to = anchor + QPoint(6, -4);
  DragFromTo(anchor, to);
  EXPECT_EQ(f.State().SelectedObject, 1);
  EXPECT_TRUE(Selected().coords[3].SamePlace(MapAt(to)));
  EXPECT_TRUE(f.form->Action("EditUndo")->isEnabled());
  EXPECT_TRUE(Store().Modified());

  // The right button during a drag is ignored; the drag ends with the left button.
  Press(to);
  MoveTo(to + QPoint(5, 0));
  Press(to + QPoint(5, 0), Qt::RightButton);
  EXPECT_EQ(f.State().ToolMode, Mode::EditPoint);
  Release(to + QPoint(5, 0), Qt::RightButton);
  Release(to + QPoint(5, 0));
  f.Settle();
  EXPECT_TRUE(Selected().coords[3].SamePlace(MapAt(to + QPoint(5, 0))));

  // Rotate by a quarter turn about the first anchor.
  f.ChooseMode(Mode::Rotate);
  ASSERT_EQ(f.State().InteractionState, Interaction::Rotate);
  QTest::mouseClick(&f.Work(), Qt::LeftButton, {}, Pixel(0, 0));
  EXPECT_EQ(f.State().CursorName, "Rotate");
  const ObjectRecord before = Selected();
  DragFromTo(Pixel(2400, 0), Pixel(0, 2400));
  const ObjectRecord turned = Selected();
  EXPECT_EQ(turned.angle, 900);
  EXPECT_NEAR(turned.coords[6].PosX(), 0, 10);
  EXPECT_NEAR(turned.coords[6].PosY(), 2400, 10);

  // Duplicate, then change the copy's symbol to the area symbol.
  f.ChooseMode(Mode::EditObject);
  const int32_t count = Store().ObjectCount();
  f.form->Trigger("DuplicateBtn");
  EXPECT_EQ(Store().ObjectCount(), count + 1);
  EXPECT_EQ(f.State().SelectedObject, count + 1);
  f.form->SymbolBoxClick(Store().SymbolPlace(kArea), false, false);
  f.form->Trigger("ChangeBtn");
  EXPECT_EQ(Selected().type, ObjectType::Area);
  EXPECT_EQ(Selected().symbol, kArea);

  // Undo walks back: the symbol, the copy, the turn.
  const auto changed = Snapshot(Store());
  f.form->Trigger("EditUndo");
  f.form->Trigger("EditUndo");
  f.form->Trigger("EditUndo");
  ObjectRecord line;
  Store().ReadObject(1, &line);
  EXPECT_EQ(line.coords, before.coords);
  EXPECT_EQ(Store().LiveObjectCount(), 3);
  f.form->Trigger("EditRedo");
  f.form->Trigger("EditRedo");
  f.form->Trigger("EditRedo");
  EXPECT_EQ(Snapshot(Store()), changed);
  EXPECT_TRUE(f.sink.errors.empty());
}

TEST_F(EditingWindow, AGroupMovedByTheMouseUndoesInOneStep) {
  DragFromTo(Pixel(-2500, -2500), Pixel(2500, 2500));
  ASSERT_EQ(f.State().MultipleCount(), 3);
  const auto before = Snapshot(Store());
  DragFromTo(Pixel(-1500, -1800), Pixel(-1500, -1800) + QPoint(20, 10));
  const auto after = Snapshot(Store());
  EXPECT_NE(before, after);
  f.form->Trigger("EditUndo");
  EXPECT_EQ(Snapshot(Store()), before);
  f.form->Trigger("EditRedo");
  EXPECT_EQ(Snapshot(Store()), after);
}

TEST_F(EditingWindow, TheMapClosedDuringADragLeavesTheFileWhole) {
  QTest::mouseClick(&f.Work(), Qt::LeftButton, {}, Pixel(1200, 0));
  const QPoint anchor = Pixel(1200, 0);
  Press(anchor);
  MoveTo(anchor + QPoint(8, 8));
  const std::string name = f.form->Doc().Name();
  f.sink.answers.assign(2, Answer::No);  // not saved
  ASSERT_TRUE(f.form->Doc().Close());
  MoveTo(anchor + QPoint(12, 8));
  Release(anchor + QPoint(12, 8));
  f.Settle();
  EXPECT_FALSE(f.State().MapOpen);
  EXPECT_EQ(DescribeFile(name).size(), 1u + 10 + 3);  // colours, symbols, the three objects
}

}  // namespace
}  // namespace zelk

namespace zelk {
namespace {

TEST_F(EditingWindow, ObjectsAndSymbolsGoThroughTheClipboard) {
  DragFromTo(Pixel(-2500, -2500), Pixel(2500, 2500));
  ASSERT_EQ(f.State().MultipleCount(), 3);
  const int32_t count = Store().ObjectCount();
  const auto original = Snapshot(Store());
  f.form->UpdateMenuStates();
  ASSERT_TRUE(f.form->Action("EditCopy")->isEnabled());
  f.form->Trigger("EditCopy");
  f.form->UpdateMenuStates();
  ASSERT_TRUE(f.form->Action("EditPaste")->isEnabled());
  f.form->Trigger("EditPaste");
  // Three copies, selected together, in the same places relative to each other.
  ASSERT_EQ(Store().ObjectCount(), count + 3);
  EXPECT_EQ(f.State().MultipleCount(), 3);
  ObjectRecord first, copy;
  ASSERT_TRUE(Store().ReadObject(1, &first));
  ASSERT_TRUE(Store().ReadObject(count + 1, &copy));
  ASSERT_EQ(copy.PointCount(), first.PointCount());
  const int32_t dx = copy.coords[0].x - first.coords[0].x;
  for (size_t i = 0; i < copy.coords.size(); ++i) {
    EXPECT_EQ(copy.coords[i].x - first.coords[i].x, dx) << i;
    EXPECT_EQ(copy.coords[i].XFlags(), first.coords[i].XFlags()) << i;
  }
  f.form->Trigger("EditUndo");
  EXPECT_EQ(Snapshot(Store()), original);

  // Cut takes exactly the copied objects away in one step.
  DragFromTo(Pixel(-2500, -2500), Pixel(2500, 2500));
  f.form->Trigger("EditCut");
  IndexEntry e;
  for (int32_t n = 1; n <= 3; ++n) EXPECT_TRUE(Store().ReadEntry(n, &e) && !e.Live()) << n;
  f.form->Trigger("EditUndo");
  EXPECT_EQ(Snapshot(Store()), original);
  f.form->Trigger("EditPaste");  // what was cut comes back as new objects
  EXPECT_EQ(Store().LiveObjectCount(), 6);

  // A symbol copied and pasted lands right after the current one, under a number of its own.
  const int symbols = Store().SymbolCount();
  f.State().CurrentSymbol = 0;
  f.form->Trigger("SymbolCopy");
  f.form->Trigger("SymbolPaste");
  ASSERT_EQ(Store().SymbolCount(), symbols + 1);
  EXPECT_EQ(Store().Symbol(1).Description(), Store().Symbol(0).Description());
  EXPECT_NE(Store().Symbol(1).Number(), Store().Symbol(0).Number());
}

}  // namespace
}  // namespace zelk
