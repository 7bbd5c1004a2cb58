// View commands and Esc run through the command steps: a window rectangle or a zoom in progress
// is ended properly, while a drawing carries on in the new view.
#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QWheelEvent>

#include "dialogs/dialog_base.h"
#include "editor/status_panes.h"
#include "editor/symbol_box.h"
#include "editor_fixture.h"

namespace zelk {
namespace {

struct StepsTest : ::testing::Test {
  EditorFixture f;
  void SetUp() override {
    ASSERT_TRUE(f.OpenMap(WriteTestMap(f.dir, "map.zkm", 20)));
    f.Work().setFocus();
  }
  void ChooseSymbolPlace(int place) { f.form->SymbolBoxClick(place, false, false); }
  int FormHelp() { return f.form->property(kHelpContextProperty).toInt(); }
  // Starts the print window and drags its frame 40 pixels to the right.
  Box MovedPrintWindow() {
    f.form->Trigger("FilePrintWin");
    EXPECT_EQ(f.State().InteractionState, Interaction::WindowRectangle);
    EXPECT_EQ(FormHelp(), help::kPrintWindow);
    const PixelPos p = f.form->MapToDevice({0, 0});
    f.form->WorkMouseDown(Qt::LeftButton, p, {});
    f.form->WorkMouseMove({p.x + 40, p.y}, {}, Qt::LeftButton);
    f.form->WorkMouseUp(Qt::LeftButton, {p.x + 40, p.y}, {});
    const SetupBlock& s = f.form->Doc().Store().Setup();
    return {s.PrintLeft(), s.PrintBottom(), s.PrintRight(), s.PrintTop()};
  }
  int32_t StoredPrintLeft() { return f.form->Doc().Store().Setup().PrintLeft(); }
};

// Each key is a view command; the window rectangle must end as any next command ends it: the
// frame written back and removed, the help context and the tool of the mode back.
struct ViewKey {
  const char* name;
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
};

void PrintTo(const ViewKey& k, std::ostream* os) {
  *os << k.name;
}

class ViewKeysEndTheWindowRectangle : public StepsTest,
                                      public ::testing::WithParamInterface<ViewKey> {};

TEST_P(ViewKeysEndTheWindowRectangle, AsAnyNextCommandDoes) {
  const Box before = MovedPrintWindow();
  QTest::keyClick(&f.Work(), GetParam().key, GetParam().modifiers);
  f.Settle();
  EXPECT_NE(f.State().InteractionState, Interaction::WindowRectangle);
  EXPECT_NE(f.State().InteractionState, Interaction::Idle);  // the mode's tool runs again
  EXPECT_TRUE(f.Work().RubberBand().empty());
  EXPECT_EQ(FormHelp(), help::kMainWindow);
  EXPECT_NE(f.form->Status->LeftStatus->text(), "Modify size and position of window");
  EXPECT_GT(StoredPrintLeft(), before.left);
  EXPECT_TRUE(f.form->Doc().Modified());
}

INSTANTIATE_TEST_SUITE_P(Keys, ViewKeysEndTheWindowRectangle,
                         ::testing::Values(ViewKey{"Redraw", Qt::Key_F5, Qt::NoModifier},
                                           ViewKey{"Quarter", Qt::Key_F5, Qt::ShiftModifier},
                                           ViewKey{"ZoomOut", Qt::Key_F8, Qt::NoModifier},
                                           ViewKey{"Esc", Qt::Key_Escape, Qt::NoModifier}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StepsTest, TheDraggedFrameIsWrittenBackByARedraw) {
  const int32_t original = StoredPrintLeft();
  MovedPrintWindow();
  EXPECT_EQ(StoredPrintLeft(), original);  // only the frame moved so far
  QTest::keyClick(&f.Work(), Qt::Key_F5);
  EXPECT_GT(StoredPrintLeft(), original);
}

TEST_F(StepsTest, ZoomInOverTheWindowRectangleEndsItFirst) {
  MovedPrintWindow();
  QTest::keyClick(&f.Work(), Qt::Key_F7);
  EXPECT_EQ(f.State().InteractionState, Interaction::ViewZoom);
  // Esc gives the zoom up; what ran before it was ended, so the mode's tool runs.
  QTest::keyClick(&f.Work(), Qt::Key_Escape);
  f.Settle();
  EXPECT_NE(f.State().InteractionState, Interaction::ViewZoom);
  EXPECT_NE(f.State().InteractionState, Interaction::WindowRectangle);
  EXPECT_TRUE(f.Work().RubberBand().empty());
}

TEST_F(StepsTest, ADrawingCarriesOnThroughViewCommands) {
  RecordingTool& curve = f.AddTool(Interaction::Curve);
  f.ChooseMode(Mode::Curve);
  ChooseSymbolPlace(0);
  ASSERT_EQ(f.State().InteractionState, Interaction::Curve);
  const int starts = curve.Count("start"), finishes = curve.Count("finish");
  for (const char* command : {"ViewRedraw", "ViewFactor3", "ViewZoomOut", "ViewEntire"}) {
    f.form->Trigger(command);
    EXPECT_EQ(f.State().InteractionState, Interaction::Curve) << command;
  }
  QTest::keyClick(&f.Work(), Qt::Key_F5);
  QTest::keyClick(&f.Work(), Qt::Key_F12, Qt::ShiftModifier);
  f.Settle();
  EXPECT_EQ(curve.Count("finish"), finishes);
  EXPECT_EQ(curve.Count("start"), starts);
  EXPECT_DOUBLE_EQ(f.form->View().zoom, 32);
}

TEST_F(StepsTest, OtherCommandsStillEndTheDrawing) {
  RecordingTool& curve = f.AddTool(Interaction::Curve);
  f.ChooseMode(Mode::Curve);
  ChooseSymbolPlace(0);
  const int finishes = curve.Count("finish");
  f.form->Trigger("SymbolProtected");
  EXPECT_EQ(curve.Count("finish"), finishes + 1);
  EXPECT_EQ(f.State().InteractionState, Interaction::NoDrawing);
}

}  // namespace
}  // namespace zelk

namespace zelk {
namespace {

// --- Small things a new user meets ---------------------------------------------------------------

TEST_F(StepsTest, CtrlWheelZoomsAboutTheMouseAndAPlainWheelScrolls) {
  f.Factor(4);
  const QPointF at(f.Work().width() * 3 / 4, f.Work().height() / 4);
  const Coord under = f.form->DeviceToMap({static_cast<int>(at.x()), static_cast<int>(at.y())});
  auto turn = [&](int notches, Qt::KeyboardModifiers mods) {
    QWheelEvent wheel(at, f.Work().mapToGlobal(at), QPoint(), QPoint(0, 120 * notches),
                      Qt::NoButton, mods, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&f.Work(), &wheel);
  };
  turn(1, Qt::ControlModifier);
  EXPECT_DOUBLE_EQ(f.form->View().zoom, 8);
  PixelPos now = f.form->MapToDevice(under);
  EXPECT_NEAR(now.x, at.x(), 1);
  EXPECT_NEAR(now.y, at.y(), 1);
  EXPECT_DOUBLE_EQ(f.form->Doc().Store().Setup().Zoom(), 8);  // kept like any zoom
  turn(-1, Qt::ControlModifier);
  EXPECT_DOUBLE_EQ(f.form->View().zoom, 4);
  now = f.form->MapToDevice(under);
  EXPECT_NEAR(now.x, at.x(), 1);
  EXPECT_NEAR(now.y, at.y(), 1);
  const int32_t y = f.form->View().centreY;
  turn(-1, Qt::NoModifier);
  EXPECT_DOUBLE_EQ(f.form->View().zoom, 4);
  EXPECT_LT(f.form->View().centreY, y);
}

TEST_F(StepsTest, TheSymbolBoxTellsEachSymbolsNumberAndDescription) {
  TSymbolWin& box = *f.form->SymbolBox;
  f.form->Doc().Store().MutableSymbol(2).SetDescription(
      "Stra\xdf"
      "e \x96 H\xfctte \x80");
  EXPECT_EQ(box.ToolTipAt(box.CellRect(0).center()), "101.0 Symbol 1010");
  EXPECT_EQ(box.ToolTipAt(box.CellRect(2).center()), QString::fromUtf8("301.0 Straße – Hütte €"));
  EXPECT_TRUE(box.ToolTipAt(box.CellRect(40).center()).isEmpty());
  // The tooltip event is answered over a symbol.
  QHelpEvent tip(QEvent::ToolTip, box.CellRect(1).center(),
                 box.mapToGlobal(box.CellRect(1).center()));
  EXPECT_TRUE(QApplication::sendEvent(&box, &tip));
}

TEST_F(StepsTest, F1OnAHighlightedMenuItemFindsItsTopic) {
  QMenu* file = nullptr;
  for (QMenu* m : f.form->menuBar()->findChildren<QMenu*>())
    if (m->title() == "&File") file = m;
  ASSERT_NE(file, nullptr);
  emit file->hovered(f.form->Action("FilePrintWin"));
  EXPECT_EQ(file->property(kHelpContextProperty).toInt(), help::kPrintWindow);
  emit file->hovered(f.form->Action("FileSave"));
  EXPECT_EQ(file->property(kHelpContextProperty).toInt(), 0);
}

}  // namespace
}  // namespace zelk
