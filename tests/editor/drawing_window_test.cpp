// The drawing tools in the real main window: mouse events through the work window, the tool of
// the mode restarted after each object, the right button and undo.
#include <gtest/gtest.h>

#include <QTest>

#include "dialogs/dialog_base.h"
#include "editor_fixture.h"

namespace zelk {
namespace {

struct DrawingWindowTest : ::testing::Test {
  EditorFixture f;
  void SetUp() override {
    ASSERT_TRUE(f.OpenMap(WriteTestMap(f.dir, "map.zkm", 0)));
    f.form->SymbolBoxClick(0, false, false);  // the line symbol
  }
  MapStore& Store() { return f.form->Doc().Store(); }
  ObjectRecord Last() {
    ObjectRecord o;
    Store().ReadObject(Store().ObjectCount(), &o);
    return o;
  }
  Coord M(int x, int y) { return f.form->DeviceToMap({x, y}); }
  void Press(QPoint p, Qt::KeyboardModifiers m = {}) {
    QTest::mousePress(&f.Work(), Qt::LeftButton, m, p);
  }
  void MoveTo(QPoint p) { QTest::mouseMove(&f.Work(), p); }
  void Release(QPoint p, Qt::KeyboardModifiers m = {}) {
    QTest::mouseRelease(&f.Work(), Qt::LeftButton, m, p);
  }
  void Drag(QPoint a, QPoint b, Qt::KeyboardModifiers m = {}) {
    Press(a, m);
    MoveTo((a + b) / 2);
    MoveTo(b);
    Release(b, m);
  }
};

TEST_F(DrawingWindowTest, AStraightLineIsDrawnSelectedAndUndone) {
  f.ChooseMode(Mode::Straight);
  EXPECT_EQ(f.State().InteractionState, Interaction::FreehandStraight);
  EXPECT_EQ(f.State().CursorName, "DrawStraight");
  Press({100, 100});
  MoveTo({150, 100});
  ASSERT_EQ(f.Work().RubberBand().size(), 2u);  // the line so far and the band
  MoveTo({200, 100});
  Release({200, 100});
  Drag({200, 100}, {200, 200});
  Press({200, 200});
  Release({200, 200});
  ASSERT_EQ(Store().ObjectCount(), 1);
  const ObjectRecord o = Last();
  ASSERT_EQ(o.PointCount(), 3);
  EXPECT_EQ(o.coords[0], M(100, 100));
  EXPECT_EQ(o.coords[1], Coord(M(200, 100).x, M(200, 100).y | kCornerPoint));
  EXPECT_EQ(o.coords[2], M(200, 200));
  EXPECT_EQ(f.State().SelectedObject, 1);
  EXPECT_TRUE(f.Work().RubberBand().empty());
  // The tool is ready for the next line, and the change can be undone.
  EXPECT_EQ(f.State().InteractionState, Interaction::FreehandStraight);
  EXPECT_TRUE(Store().Modified());
  f.form->Trigger("EditUndo");
  EXPECT_EQ(Store().LiveObjectCount(), 0);
}

TEST_F(DrawingWindowTest, ACurveIsCommittedByTheRightButton) {
  f.ChooseMode(Mode::Curve);
  EXPECT_EQ(f.State().CursorName, "DrawCurve");
  EXPECT_EQ(f.Work().property(kHelpContextProperty).toInt(), help::kCurves);
  Drag({100, 300}, {150, 300});
  Drag({300, 300}, {300, 250});
  QTest::mousePress(&f.Work(), Qt::RightButton, {}, QPoint(400, 400));
  EXPECT_EQ(f.State().ToolMode, Mode::EditPoint);
  ASSERT_EQ(Store().ObjectCount(), 1);
  const ObjectRecord o = Last();
  ASSERT_EQ(o.PointCount(), 4);
  EXPECT_EQ(o.coords[0], M(100, 300));
  EXPECT_EQ(o.coords[3], M(300, 300));
  EXPECT_EQ(o.coords[1].XFlags(), kFirstCurvePoint);
  EXPECT_EQ(o.coords[2].XFlags(), kSecondCurvePoint);
}

TEST_F(DrawingWindowTest, CirclesWithShiftAndPointsWithTheirAngle) {
  f.ChooseMode(Mode::Circle);
  Drag({300, 300}, {350, 300}, Qt::ShiftModifier);
  ASSERT_EQ(Store().ObjectCount(), 1);
  EXPECT_EQ(Last().coords[0], M(250, 300));
  EXPECT_EQ(Last().coords[6], M(350, 300));
  f.form->SymbolBoxClick(2, false, false);  // the point symbol
  EXPECT_EQ(f.State().InteractionState, Interaction::Place);
  Drag({200, 200}, {200, 150});
  ASSERT_EQ(Store().ObjectCount(), 2);
  EXPECT_EQ(Last().type, ObjectType::Point);
  EXPECT_EQ(Last().angle, 900);
  EXPECT_EQ(f.State().SelectedObject, 2);
}

TEST_F(DrawingWindowTest, ThinLinesDrawnAtOnceReachThePicture) {
  Store().AppendSymbol(test::MakeLineSymbol(1011, 2, 1, 0));  // 0.01 mm: one pixel
  auto inked = [&] {
    int n = 0;
    const QImage& im = f.Work().Picture();
    for (int y = 0; y < im.height(); ++y)
      for (int x = 0; x < im.width(); ++x) n += im.pixel(x, y) != qRgb(255, 255, 255);
    return n;
  };
  const int before = inked();
  ObjectRecord line = MakeLine(1011, -1000, 0, 1000, 0);
  f.Work().DrawObjectNow(line);
  EXPECT_GT(inked(), before + 20) << before;
}

}  // namespace
}  // namespace zelk
