// The main window's dispatch: modes and interaction states, the right button, keys, scroll bars,
// zooming, symbol commands, menus and the document commands with scripted answers.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <filesystem>

#include "editor/status_panes.h"
#include "editor/symbol_box.h"
#include "editor_fixture.h"

namespace zelk {
namespace {

namespace fs = std::filesystem;

struct OpenMapTest : ::testing::Test {
  EditorFixture f;
  std::string path;
  void SetUp() override {
    path = WriteTestMap(f.dir, "map.zkm", 20);
    ASSERT_TRUE(f.OpenMap(path));
  }
  PixelPos Centre() { return {f.Work().width() / 2, f.Work().height() / 2}; }
  void ChooseSymbol(int place) { f.form->SymbolBoxClick(place, false, false); }
};

// --- Modes and interaction states ------------------------------------------------------------

TEST_F(OpenMapTest, ATextSymbolStartsTheTextToolInEveryDrawingMode) {
  EXPECT_TRUE(f.State().MapOpen);
  ChooseSymbol(3);
  for (Mode m : {Mode::Curve, Mode::Freehand, Mode::Circle}) {
    f.ChooseMode(m);
    EXPECT_EQ(f.State().InteractionState, Interaction::Text) << m;
    EXPECT_EQ(f.State().CursorName, "DrawText") << m;
  }
}

TEST_F(OpenMapTest, DrawingModesStartTheToolOfTheCurrentSymbolsType) {
  RecordingTool& curve = f.AddTool(Interaction::Curve);
  f.AddTool(Interaction::Place);
  f.AddTool(Interaction::Text);
  f.AddTool(Interaction::FreehandStraight);

  ChooseSymbol(0);  // line symbol
  f.ChooseMode(Mode::Curve);
  EXPECT_EQ(f.State().InteractionState, Interaction::Curve);
  f.ChooseMode(Mode::Straight);
  EXPECT_EQ(f.State().InteractionState, Interaction::FreehandStraight);
  EXPECT_EQ(curve.Count("finish"), 1);
  EXPECT_EQ(f.State().DrawMode, Mode::Straight);

  ChooseSymbol(2);  // point symbol
  EXPECT_EQ(f.State().InteractionState, Interaction::Place);
  ChooseSymbol(3);  // text symbol
  EXPECT_EQ(f.State().InteractionState, Interaction::Text);
}

TEST_F(OpenMapTest, ProtectedHiddenOrNoSymbolMeansNoDrawing) {
  f.AddTool(Interaction::Curve);
  ChooseSymbol(0);
  f.ChooseMode(Mode::Curve);
  ASSERT_EQ(f.State().InteractionState, Interaction::Curve);
  f.form->Trigger("SymbolProtected");
  EXPECT_EQ(f.State().InteractionState, Interaction::NoDrawing);
  f.form->Trigger("SymbolNormal");
  EXPECT_EQ(f.State().InteractionState, Interaction::Curve);
  // Ctrl+click leaves no current symbol.
  f.form->SymbolBoxClick(1, false, true);
  EXPECT_EQ(f.State().CurrentSymbol, -1);
  EXPECT_EQ(f.State().InteractionState, Interaction::NoDrawing);
  EXPECT_EQ(f.State().CursorName, "NoDraw");
}

TEST_F(OpenMapTest, ModesThatNeedASelectionFallBackToTheSelectionMode) {
  f.AddTool(Interaction::Edit);
  for (Mode m : {Mode::Cut, Mode::CutHole, Mode::Rotate, Mode::NormalPoint, Mode::RemovePoint}) {
    f.ChooseMode(m);
    EXPECT_EQ(f.State().ToolMode, Mode::EditPoint) << m;
    EXPECT_EQ(f.State().InteractionState, Interaction::Edit) << m;
  }
}

TEST_F(OpenMapTest, CutAndCutHoleDrawWithTheLastDrawingToolAndTheirPurpose) {
  RecordingTool& curve = f.AddTool(Interaction::Curve);
  f.AddTool(Interaction::CutLine);
  f.ChooseMode(Mode::Curve);
  // An area object is selected: the cut line across it is drawn as a curve.
  ObjectRecord area = MakeLine(2010, 0, 0, 1000, 0);
  area.type = ObjectType::Area;
  area.coords.push_back(Coord::FromUnits(500, 800));
  ASSERT_TRUE(f.form->Doc().Store().AddObject(area));
  f.State().SelectedObject = f.form->Doc().Store().ObjectCount();
  f.ChooseMode(Mode::Cut);
  EXPECT_EQ(f.State().InteractionState, Interaction::Curve);
  EXPECT_EQ(curve.purposes.back(), ToolPurpose::CutLine);
  f.ChooseMode(Mode::CutHole);
  EXPECT_EQ(curve.purposes.back(), ToolPurpose::Hole);
  // A line object is selected: the cut line tool.
  f.State().SelectedObject = 1;
  f.ChooseMode(Mode::Cut);
  EXPECT_EQ(f.State().InteractionState, Interaction::CutLine);
}

TEST_F(OpenMapTest, MouseEventsReachTheRunningInteraction) {
  RecordingTool& curve = f.AddTool(Interaction::Curve);
  curve.endsOnUp = true;
  f.ChooseMode(Mode::Curve);
  f.form->WorkMouseDown(Qt::LeftButton, {10, 10}, {});
  f.form->WorkMouseMove({20, 15}, {}, Qt::LeftButton);
  f.form->WorkMouseUp(Qt::LeftButton, {20, 15}, Qt::ShiftModifier);
  EXPECT_TRUE(f.State().Shift);
  // The tool ended on the release and the end of command started it again.
  EXPECT_EQ((std::vector<std::string>(curve.log.begin(), curve.log.begin() + 6)),
            (std::vector<std::string>{"start", "down", "move", "up", "finish", "start"}));
  EXPECT_EQ(f.State().InteractionState, Interaction::Curve);
  const Coord expected = f.form->DeviceToMap({20, 15});
  EXPECT_EQ(f.State().MapX, expected.x);
  EXPECT_EQ(f.State().MapY, expected.y);
}

TEST_F(OpenMapTest, TheRightButtonTogglesBetweenDrawingAndPointEditing) {
  RecordingTool& curve = f.AddTool(Interaction::Curve);
  f.AddTool(Interaction::Edit);
  f.ChooseMode(Mode::Curve);
  f.form->WorkMouseDown(Qt::RightButton, Centre(), {});
  EXPECT_EQ(curve.Count("finish"), 1);  // the drawing is ended, committing what it commits
  EXPECT_EQ(f.State().ToolMode, Mode::EditPoint);
  EXPECT_EQ(f.State().InteractionState, Interaction::Edit);
  EXPECT_TRUE(f.form->Action("EditPointBtn")->isChecked());
  f.form->WorkMouseDown(Qt::RightButton, Centre(), {});
  EXPECT_EQ(f.State().ToolMode, Mode::Curve);
  EXPECT_EQ(f.State().InteractionState, Interaction::Curve);
  EXPECT_TRUE(f.form->Action("CurveBtn")->isChecked());
}

TEST_F(OpenMapTest, TheRightButtonIsIgnoredWhileTheLeftOneIsHeld) {
  RecordingTool& curve = f.AddTool(Interaction::Curve);
  f.ChooseMode(Mode::Curve);
  f.form->WorkMouseDown(Qt::LeftButton, Centre(), {});
  f.form->WorkMouseDown(Qt::RightButton, Centre(), {});
  EXPECT_EQ(f.State().ToolMode, Mode::Curve);
  EXPECT_EQ(curve.Count("finish"), 0);
}

// --- Zoom and view ----------------------------------------------------------------------------

TEST_F(OpenMapTest, ZoomingInTheMiddleOfACurveLetsTheCurveContinue) {
  RecordingTool& curve = f.AddTool(Interaction::Curve);
  f.ChooseMode(Mode::Curve);
  f.form->WorkMouseDown(Qt::LeftButton, {50, 50}, {});
  f.form->WorkMouseUp(Qt::LeftButton, {50, 50}, {});
  const double zoom = f.form->View().zoom;
  f.form->Trigger("ViewZoomIn");
  EXPECT_EQ(f.State().InteractionState, Interaction::ViewZoom);
  EXPECT_EQ(f.State().CursorName, "Zoom");
  f.form->WorkMouseDown(Qt::LeftButton, Centre(), {});
  f.form->WorkMouseUp(Qt::LeftButton, Centre(), {});
  EXPECT_DOUBLE_EQ(f.form->View().zoom, std::min(zoom * 2, 32.0));
  EXPECT_EQ(f.State().InteractionState, Interaction::Curve);
  EXPECT_EQ(f.State().CursorName, "Recording");  // the drawing's cursor is back
  EXPECT_EQ(curve.Count("finish"), 0);
  f.form->WorkMouseDown(Qt::LeftButton, {60, 60}, {});
  EXPECT_EQ(curve.Count("down"), 2);
}

TEST_F(OpenMapTest, ZoomOutReturnsThroughTheHistoryThenHalves) {
  const double start = f.form->View().zoom;
  f.Factor(2);
  f.Factor(8);
  EXPECT_DOUBLE_EQ(f.form->View().zoom, 8);
  f.form->UpdateMenuStates();
  EXPECT_TRUE(f.form->Action("ViewFactor5")->isChecked());  // "&8X"
  EXPECT_FALSE(f.form->Action("ViewFactor3")->isChecked());
  f.form->Trigger("ViewZoomOut");
  EXPECT_DOUBLE_EQ(f.form->View().zoom, 2);
  f.form->Trigger("ViewZoomOut");
  EXPECT_DOUBLE_EQ(f.form->View().zoom, start);
  f.form->Trigger("ViewZoomOut");
  EXPECT_DOUBLE_EQ(f.form->View().zoom, start / 2);
}

TEST_F(OpenMapTest, TheEntireMapFitsTheWindow) {
  f.form->Trigger("ViewEntire");
  Box ext;
  ASSERT_TRUE(f.form->Doc().Store().MapExtent(&ext));
  const Box& vis = f.form->View().visible;
  EXPECT_TRUE(vis.Contains(ext));
  // ... and fills most of it in one direction.
  const double shareX =
      (static_cast<double>(ext.right) - ext.left) / (static_cast<double>(vis.right) - vis.left);
  const double shareY =
      (static_cast<double>(ext.top) - ext.bottom) / (static_cast<double>(vis.top) - vis.bottom);
  EXPECT_GT(std::max(shareX, shareY), 0.9);
}

TEST_F(OpenMapTest, ScrollBarsStepByTenthsAndPagesAndCentreOnTheThumb) {
  f.Factor(4);
  const ViewTransform& v = f.form->View();
  const int32_t x0 = v.centreX, y0 = v.centreY;
  f.form->ScrollBarAction(Qt::Horizontal, QAbstractSlider::SliderSingleStepAdd, 0);
  EXPECT_NEAR(v.centreX - x0, v.clientWidth / 10.0 / v.scaleX, 512);
  f.form->ScrollBarAction(Qt::Vertical, QAbstractSlider::SliderPageStepAdd, 0);
  EXPECT_NEAR(v.centreY - y0, v.clientHeight * 0.9 / v.scaleY, 512);  // downwards: y decreases
  EXPECT_LT(v.centreY, y0);
  f.form->ScrollBarAction(Qt::Horizontal, QAbstractSlider::SliderMove, 37);
  EXPECT_EQ(v.centreX, 37 * 25600);
  EXPECT_EQ(f.form->HScroll->value(), 37);
  f.form->ScrollBarAction(Qt::Vertical, QAbstractSlider::SliderMove, -12);
  EXPECT_EQ(v.centreY, 12 * 25600);
  EXPECT_EQ(f.form->VScroll->value(), -12);
}

// --- The view kept in the map --------------------------------------------------------------

struct KeptView {
  double zoom;
  int32_t x, y;
};

KeptView StoredView(const std::string& path) {
  RecordingSink sink;
  MapStore store(&sink);
  store.WorkingFile().OpenExisting(path);
  EXPECT_TRUE(store.LoadFromWorkingFile());
  const KeptView v{store.Setup().Zoom(), store.Setup().ViewX(), store.Setup().ViewY()};
  store.CloseWorkingFile();
  return v;
}

TEST(MainFormView, ScrollsAndZoomsAreKeptInTheMapAndItReopensThere) {
  // Working on the temporary copy the map is saved on closing; with automatic saving it is the
  // map itself that holds the view at once.
  for (const bool autoSave : {false, true}) {
    SCOPED_TRACE(autoSave ? "automatic saving" : "temporary copy");
    EditorFixture f;
    f.prefs.autoSave = autoSave;
    const std::string path = WriteTestMap(f.dir, "map.zkm", 20);
    ASSERT_TRUE(f.OpenMap(path));
    f.Factor(8);
    f.form->ScrollBarAction(Qt::Horizontal, QAbstractSlider::SliderMove, 37);
    f.form->ScrollBarAction(Qt::Vertical, QAbstractSlider::SliderSingleStepAdd, 0);
    const ViewTransform& v = f.form->View();
    const KeptView left{v.zoom, v.centreX, v.centreY};
    EXPECT_EQ(left.x, 37 * 25600);
    EXPECT_NE(left.y, 0);
    EXPECT_TRUE(f.form->Doc().Modified());
    if (autoSave) {
      const KeptView onDisk = StoredView(path);
      EXPECT_DOUBLE_EQ(onDisk.zoom, 8);
      EXPECT_EQ(onDisk.x, left.x);
      EXPECT_EQ(onDisk.y, left.y);
    }

    f.sink.answers = {Answer::Yes};
    ASSERT_TRUE(f.form->Doc().Close());
    ASSERT_TRUE(f.OpenMap(path));
    EXPECT_DOUBLE_EQ(f.form->View().zoom, 8);
    EXPECT_EQ(f.form->View().centreX, left.x);
    EXPECT_EQ(f.form->View().centreY, left.y);
    EXPECT_FALSE(f.form->Doc().Modified());

    // Zooming out through the history and with the wheel is kept as well.
    f.form->Trigger("ViewZoomOut");
    const int32_t yBeforeWheel = f.form->View().centreY;
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&f.Work(), &wheel);
    EXPECT_LT(f.form->View().centreY, yBeforeWheel);
    f.sink.answers = {Answer::Yes};
    ASSERT_TRUE(f.form->Doc().Close());
    const KeptView closed = StoredView(path);
    EXPECT_DOUBLE_EQ(closed.zoom, 4);
    EXPECT_EQ(closed.y, f.form->View().centreY);
  }
}

TEST(MainFormView, NothingIsWrittenWhenTheViewStaysWhereItIs) {
  EditorFixture f;
  f.prefs.autoSave = true;  // the map itself is open: any write would show in its bytes
  const std::string path = WriteTestMap(f.dir, "map.zkm", 20);
  ASSERT_TRUE(f.OpenMap(path));
  f.Factor(2);
  ASSERT_TRUE(f.form->Doc().Close());
  const std::vector<uint8_t> before = ReadFileBytes(path);

  // Opening sets the view from the stored one; resizing only shows more or less of it.
  ASSERT_TRUE(f.OpenMap(path));
  EXPECT_DOUBLE_EQ(f.form->View().zoom, 2);
  f.form->resize(640, 480);
  f.Settle();
  f.form->resize(900, 700);
  f.Settle();
  // Commands that leave zoom and centre as they are.
  const ViewTransform& v = f.form->View();
  f.Factor(2);
  f.form->ScrollBarAction(Qt::Horizontal, QAbstractSlider::SliderMove, v.scrollX);
  f.form->ScrollBarAction(Qt::Vertical, QAbstractSlider::SliderMove, v.scrollY);
  f.Settle();
  EXPECT_FALSE(f.form->Doc().Modified());
  EXPECT_EQ(ReadFileBytes(path), before);
}

TEST_F(OpenMapTest, ThePrintWindowIsShownEditedAndWrittenBackByTheNextCommand) {
  f.form->Trigger("FilePrintWin");
  EXPECT_EQ(f.State().InteractionState, Interaction::WindowRectangle);
  EXPECT_EQ(f.form->Status->LeftStatus->text(), "Modify size and position of window");
  EXPECT_EQ(f.form->Status->RightStatus->text(), "Press F1 for help.");
  ASSERT_EQ(f.Work().RubberBand().size(), 1u);
  const Box before{f.form->Doc().Store().Setup().PrintLeft(), 0, 0, 0};
  // Drag the whole frame 40 pixels to the right.
  const Coord mid{0, 0};
  const PixelPos p = f.form->MapToDevice(mid);
  f.form->WorkMouseDown(Qt::LeftButton, p, {});
  f.form->WorkMouseMove({p.x + 40, p.y}, {}, Qt::LeftButton);
  f.form->WorkMouseUp(Qt::LeftButton, {p.x + 40, p.y}, {});
  EXPECT_EQ(f.State().InteractionState, Interaction::WindowRectangle);
  f.ChooseMode(Mode::Curve);  // any next command finishes it
  EXPECT_TRUE(f.Work().RubberBand().empty());
  EXPECT_GT(f.form->Doc().Store().Setup().PrintLeft(), before.left);
}

// --- Keys -------------------------------------------------------------------------------------

TEST_F(OpenMapTest, EscOnlyRequestsAnAbortWhenNothingLongRuns) {
  f.ChooseMode(Mode::Curve);
  const Interaction s = f.State().InteractionState;
  f.State().AbortRequested = false;
  QTest::keyClick(&f.Work(), Qt::Key_Escape);
  EXPECT_TRUE(f.State().AbortRequested);
  EXPECT_EQ(f.State().InteractionState, s);
  EXPECT_EQ(f.State().ToolMode, Mode::Curve);
}

TEST_F(OpenMapTest, CharactersGoToTheRunningInteraction) {
  RecordingTool& curve = f.AddTool(Interaction::Curve);
  f.ChooseMode(Mode::Curve);
  f.Work().setFocus();
  QTest::keyClicks(&f.Work(), "ab");
  EXPECT_EQ(curve.keys, U"ab");
}

TEST_F(OpenMapTest, WhileBusyKeysAndCommandsAreRefused) {
  RecordingTool& curve = f.AddTool(Interaction::Curve);
  f.ChooseMode(Mode::Curve);
  f.State().Busy = true;
  QTest::keyClicks(&f.Work(), "x");
  QTest::keyClick(&f.Work(), Qt::Key_Escape);
  EXPECT_TRUE(curve.keys.empty());
  EXPECT_TRUE(f.State().AbortRequested);  // Esc still counts: it is how long work is stopped
  f.ChooseMode(Mode::EditPoint);
  EXPECT_EQ(f.State().ToolMode, Mode::Curve);
  const double zoom = f.form->View().zoom;
  f.Factor(16);
  EXPECT_DOUBLE_EQ(f.form->View().zoom, zoom);
  f.State().Busy = false;
}

TEST_F(OpenMapTest, FunctionKeysRunTheirMenuCommands) {
  f.Work().setFocus();
  QTest::keyClick(&f.Work(), Qt::Key_F7);
  EXPECT_EQ(f.State().InteractionState, Interaction::ViewZoom);
  QTest::keyClick(&f.Work(), Qt::Key_Escape);
  EXPECT_NE(f.State().InteractionState, Interaction::ViewZoom);
  QTest::keyClick(&f.Work(), Qt::Key_F12, Qt::ShiftModifier);  // "&32X"
  EXPECT_DOUBLE_EQ(f.form->View().zoom, 32);
}

TEST_F(OpenMapTest, TheAltFlagFollowsTheAltKey) {
  f.Work().setFocus();
  QTest::keyPress(&f.Work(), Qt::Key_Alt);
  EXPECT_TRUE(f.State().Alt);
  QTest::keyRelease(&f.Work(), Qt::Key_Alt);
  EXPECT_FALSE(f.State().Alt);
}

// --- Status line ------------------------------------------------------------------------------

TEST_F(OpenMapTest, CoordinatesAreMillimetresOrRealWorldMetres) {
  EXPECT_EQ(f.form->CoordinateText(25600 * 12 + 12800, -25600 * 3), "12.50   -3.00");
  f.prefs.realWorldCord = true;
  SetupBlock& s = f.form->Doc().Store().MutableSetup();
  s.SetMapScale(15000);
  s.SetRealWorldX(600000);
  s.SetRealWorldY(200000);
  s.SetRealWorldAngle(0);
  EXPECT_EQ(f.form->CoordinateText(25600 * 100, 25600 * 10), "601500   200150");
  s.SetRealWorldAngle(90);
  EXPECT_EQ(f.form->CoordinateText(25600 * 100, 0), "600000   201500");
  f.State().SymbolEditing = true;
  EXPECT_EQ(f.form->CoordinateText(25600 * 100, 0), "100.00   0.00");
  f.State().SymbolEditing = false;
}

TEST_F(OpenMapTest, TheCurrentSymbolIsShownWithItsNumberAndDescription) {
  ChooseSymbol(1);
  EXPECT_EQ(f.form->Status->RightStatus->text(), "201.0 Symbol 2010");
  EXPECT_EQ(f.form->ZoomText(), f.form->Status->ZoomStatus->text().toStdString());
  // Descriptions are in the map's code page.
  f.form->Doc().Store().MutableSymbol(2).SetDescription(
      "Stra\xdf"
      "e \x96 H\xfctte \x80");
  ChooseSymbol(2);
  EXPECT_EQ(f.form->Status->RightStatus->text(), QString::fromUtf8("301.0 Straße – Hütte €"));
}

TEST_F(OpenMapTest, TheStatusProgressCountsFillsAndStopsOnEsc) {
  Progress& p = f.form->ProgressDisplay();
  p.Start(";objects converted.", 100, 10, true);
  EXPECT_TRUE(f.form->Status->ProgressB->isVisible());
  EXPECT_EQ(f.form->Status->RightStatus->text(), "Press Esc to Abort");
  p.Step(50, 50);
  EXPECT_EQ(f.form->Status->LeftStatus->text(), "50 objects converted.");
  EXPECT_NEAR(f.form->Status->ProgressB->Filled(), f.form->Status->ProgressB->width() / 2, 1);
  EXPECT_FALSE(p.AbortRequested());
  QTest::keyClick(&f.Work(), Qt::Key_Escape);
  EXPECT_TRUE(p.AbortRequested());
  p.End();
  EXPECT_FALSE(f.form->Status->ProgressB->isVisible());
}

// --- Symbol commands --------------------------------------------------------------------------

TEST_F(OpenMapTest, HiddenSymbolsAreNotDrawnAndTheWindowIsRedrawn) {
  ChooseSymbol(0);
  f.Settle();
  const int redraws = f.Work().RedrawCount();
  f.form->Trigger("SymbolHidden");
  EXPECT_EQ(f.form->Doc().Store().Symbol(0).Status(), kStatusHidden);
  f.Settle();
  EXPECT_EQ(f.Work().RedrawCount(), redraws + 1);
  EXPECT_EQ(f.Work().LastObjectsDrawn(), 0);
  // Protecting a symbol that is visible changes nothing on the screen.
  f.form->Trigger("SymbolProtected");
  f.Settle();
  EXPECT_EQ(f.Work().RedrawCount(), redraws + 2);  // hidden became visible
  f.form->Trigger("SymbolNormal");
  f.Settle();
  EXPECT_EQ(f.Work().RedrawCount(), redraws + 2);
}

TEST_F(OpenMapTest, MarkedSymbolsTakeTheCommandWhenNoneIsCurrent) {
  f.form->SymbolBoxClick(0, false, false);
  f.form->SymbolBoxClick(2, true, false);  // Shift: marks 0..2
  MapStore& s = f.form->Doc().Store();
  EXPECT_EQ(f.State().CurrentSymbol, -1);
  EXPECT_TRUE(s.Symbol(0).Selected() && s.Symbol(1).Selected() && s.Symbol(2).Selected());
  EXPECT_FALSE(s.Symbol(3).Selected());
  f.form->SymbolBoxClick(1, false, true);  // Ctrl toggles one off
  EXPECT_FALSE(s.Symbol(1).Selected());
  f.form->Trigger("SymbolProtected");
  EXPECT_EQ(s.Symbol(0).Status(), kStatusProtected);
  EXPECT_EQ(s.Symbol(1).Status(), kStatusNormal);
  EXPECT_EQ(s.Symbol(2).Status(), kStatusProtected);
  // A plain click clears the marks.
  f.form->SymbolBoxClick(3, false, false);
  EXPECT_FALSE(s.Symbol(0).Selected());
  EXPECT_EQ(f.State().CurrentSymbol, 3);
}

TEST_F(OpenMapTest, DeleteAsksFirstAndKeepsTheObjects) {
  ChooseSymbol(0);
  f.sink.confirmAnswers = {false};
  f.form->Trigger("SymbolDelete");
  ASSERT_EQ(f.sink.confirms.size(), 1u);
  EXPECT_EQ(f.sink.confirms[0], "Delete selected symbol(s)?");
  EXPECT_EQ(f.form->Doc().Store().SymbolCount(), 4);
  f.form->Trigger("SymbolDelete");
  EXPECT_EQ(f.form->Doc().Store().SymbolCount(), 3);
  EXPECT_EQ(f.form->Doc().Store().SymbolPlace(1010), -1);
  EXPECT_EQ(f.form->Doc().Store().LiveObjectCount(), 20);
  f.Settle();
  EXPECT_EQ(f.Work().LastObjectsDrawn(), 20);  // now with the placeholder
}

TEST_F(OpenMapTest, DuplicateInsertsACopyAfterTheOriginal) {
  ChooseSymbol(1);
  f.form->Trigger("SymbolDuplicate");
  MapStore& s = f.form->Doc().Store();
  ASSERT_EQ(s.SymbolCount(), 5);
  EXPECT_EQ(s.Symbol(1).Number(), 2010);
  EXPECT_NE(s.Symbol(2).Number(), 2010);
  EXPECT_EQ(s.Symbol(2).Type(), SymbolType::Area);
  EXPECT_EQ(f.State().CurrentSymbol, 2);
}

// --- Menus ----------------------------------------------------------------------------------

TEST_F(OpenMapTest, TheMenusCarryEveryItemWithItsShortcut) {
  struct Expect {
    const char* component;
    const char* caption;
    QKeySequence shortcut;
  };
  const Expect items[] = {{"FileNew", "&New", QKeySequence("Ctrl+N")},
                          {"FileOpen", "&Open...", QKeySequence("Ctrl+O")},
                          {"FileSave", "&Save", QKeySequence("Ctrl+S")},
                          {"FilePrint", "&Print...", QKeySequence("Ctrl+P")},
                          {"FileExit", "E&xit", QKeySequence("Alt+F4")},
                          {"EditUndo", "&Undo", QKeySequence("Ctrl+Z")},
                          {"EditRedo", "&Redo", QKeySequence("Ctrl+Y")},
                          {"EditLineText", "&Line text...", QKeySequence("Ctrl+T")},
                          {"ViewRedraw", "&Redraw", QKeySequence("F5")},
                          {"ViewMove", "&Move", QKeySequence("F6")},
                          {"ViewZoomIn", "Zoom &in", QKeySequence("F7")},
                          {"ViewZoomOut", "Zoom &out", QKeySequence("F8")},
                          {"ViewFactor0", "&0.25X", QKeySequence("Shift+F5")},
                          {"ViewFactor7", "&32X", QKeySequence("Shift+F12")},
                          {"SymbolNormal", "Nor&mal", QKeySequence("F2")},
                          {"SymbolProtected", "Pro&tected", QKeySequence("F3")},
                          {"SymbolHidden", "&Hidden", QKeySequence("F4")},
                          {"OptionsAdjTemp", "&Adjust template...", QKeySequence("F9")},
                          {"OptionsHideTemp", "&Hide template", QKeySequence("F10")},
                          {"HelpAbout", "&About ZELK...", QKeySequence()}};
  for (const Expect& e : items) {
    QAction* a = f.form->Action(e.component);
    ASSERT_TRUE(a) << e.component;
    EXPECT_EQ(a->text(), e.caption) << e.component;
    EXPECT_EQ(a->shortcut(), e.shortcut) << e.component;
  }
  // The symbol box's pop-up repeats the Symbol menu from "&New..." to "&Hidden".
  int popupItems = 0;
  for (QAction* a : f.form->SymPopUp->actions()) popupItems += !a->isSeparator();
  EXPECT_EQ(popupItems, 13);
}

TEST_F(OpenMapTest, CommandsEnabledByWhatTheyNeed) {
  f.form->UpdateMenuStates();
  for (const char* c : {"EditUndo", "EditCut", "EditPaste", "UndoBtn", "FillBtn", "OptionsCloseGps",
                        "OptionsGpsPoint"})
    EXPECT_FALSE(f.form->Action(c)->isEnabled()) << c;
  for (const char* c :
       {"FileSave",       "FileImport",   "SymbolCopy",    "ViewEntire",     "ViewZoomIn",
        "SymbolHidden",   "SymbolNew",    "SymbolColors",  "OptionsPref",    "CurveBtn",
        "GridBtn",        "DuplicateBtn", "ChangeBtn",     "OptionsOpenGps", "OptionsAdjGps",
        "ExtrasOptimize", "ExtrasMove",   "FileBackup",    "FileRestore",    "ExtrasGridLine",
        "SymbolEnlarge",  "FilePrint",    "FileExportBmp", "FileExportPdf",  "FileExportSvg"})
    EXPECT_TRUE(f.form->Action(c)->isEnabled()) << c;
}

TEST(MainFormMenus, EntireMapNeedsObjectsAndMapCommandsAMap) {
  EditorFixture f;
  f.form->UpdateMenuStates();
  EXPECT_FALSE(f.form->Action("ViewEntire")->isEnabled());
  EXPECT_FALSE(f.form->Action("FileSave")->isEnabled());
  EXPECT_TRUE(f.form->Action("FileOpen")->isEnabled());
  const std::string empty = WriteTestMap(f.dir, "empty.zkm", 0);
  ASSERT_TRUE(f.OpenMap(empty));
  f.form->UpdateMenuStates();
  EXPECT_FALSE(f.form->Action("ViewEntire")->isEnabled());
  EXPECT_TRUE(f.form->Action("FileSave")->isEnabled());
}

TEST(MainFormToggles, ButtonsFollowAndStoreThePreferences) {
  EditorFixture f(true);
  EXPECT_TRUE(f.form->Action("GridBtn")->isChecked());
  EXPECT_TRUE(f.form->Action("AutoJoinBtn")->isChecked());
  EXPECT_TRUE(f.form->Action("Smooth1Btn")->isChecked());
  f.form->Action("GridBtn")->trigger();
  f.form->Action("Smooth2Btn")->trigger();
  EXPECT_FALSE(f.prefs.screenGrid);
  EXPECT_EQ(f.prefs.smoothing, 2);
  RegistryStore reread(f.dir.Path("registry.reg"));
  ASSERT_TRUE(reread.Load());
  Preferences stored;
  stored.Read(reread);
  EXPECT_FALSE(stored.screenGrid);
  EXPECT_EQ(stored.smoothing, 2);
}

// --- Documents ------------------------------------------------------------------------------

TEST(MainFormDocuments, NewMapFromTheChosenSymbolSetIsUntitledAndModified) {
  EditorFixture f;
  f.dialogs.symbolSet = WriteTestMap(f.dir, "set.zkm", 0);
  f.form->Trigger("FileNew");
  f.Settle();
  EXPECT_EQ(f.dialogs.newMapShown, 1);
  EXPECT_EQ(f.form->windowTitle(), "ZELK - Untitled");
  EXPECT_TRUE(f.form->Doc().Modified());
  EXPECT_EQ(f.form->Doc().Store().SymbolCount(), 4);
  EXPECT_EQ(f.State().CurrentSymbol, 0);
  EXPECT_DOUBLE_EQ(f.form->View().zoom, 4);
  // Cancelling the dialog of a second New keeps nothing open after the close.
  f.dialogs.symbolSet.reset();
  f.sink.answers = {Answer::No};
  f.form->Trigger("FileNew");
  EXPECT_EQ(f.form->windowTitle(), "ZELK");
  EXPECT_FALSE(f.State().MapOpen);
}

TEST(MainFormDocuments, OpenTakesTheChosenFileAndReportsMissingFonts) {
  EditorFixture f;
  const std::string path = WriteTestMap(f.dir, "fonts.zkm", 3, "Missing Font");
  f.chooser.answers = {path};
  f.form->Trigger("FileOpen");
  ASSERT_EQ(f.chooser.titles.size(), 1u);
  EXPECT_EQ(f.chooser.titles[0], kOpenFilter);
  EXPECT_EQ(f.form->windowTitle().toStdString(), "ZELK - " + path);
  ASSERT_EQ(f.dialogs.fontReports.size(), 1u);
  EXPECT_EQ(f.dialogs.fontReports[0], std::vector<std::string>{"Symbol 401.0: Missing Font"});
}

TEST(MainFormDocuments, AMissingMapOnTheCommandLineIsReportedAndTheProgramGoesOn) {
  EditorFixture f;
  f.form->StartUp({f.dir.Path("nowhere.zkm")});
  ASSERT_EQ(f.sink.errors.size(), 1u);
  EXPECT_NE(f.sink.errors[0].find("File not found."), std::string::npos);
  EXPECT_EQ(f.form->windowTitle(), "ZELK");
  EXPECT_FALSE(f.State().MapOpen);
  f.Factor(2);  // commands still run and do nothing harmful
  f.form->WorkMouseDown(Qt::LeftButton, {5, 5}, {});
}

TEST(MainFormDocuments, AnAbortedSessionIsOfferedAndNoForgetsIt) {
  EditorFixture f;
  fs::copy_file(WriteTestMap(f.dir, "left.zkm", 2), f.dir.Path("temp.~km"));
  f.sink.answers = {Answer::No};
  f.form->StartUp({});
  ASSERT_EQ(f.sink.questions.size(), 1u);
  EXPECT_EQ(f.sink.questions[0], "Last session was aborted. Continue session?");
  EXPECT_FALSE(fs::exists(f.dir.Path("temp.~km")));
  EXPECT_FALSE(f.State().MapOpen);
}

TEST(MainFormDocuments, YesContinuesTheAbortedSessionModified) {
  EditorFixture f;
  fs::copy_file(WriteTestMap(f.dir, "left.zkm", 2), f.dir.Path("temp.~km"));
  f.sink.answers = {Answer::Yes};
  f.form->StartUp({});
  f.Settle();
  EXPECT_TRUE(f.State().MapOpen);
  EXPECT_TRUE(f.form->Doc().Modified());
  EXPECT_EQ(f.Work().LastObjectsDrawn(), 2);
}

TEST(MainFormDocuments, PreferencesThatCannotBeReadAreReportedOnceAndKept) {
  EditorFixture f(true);
  const std::vector<uint8_t> foreign{0xFF, 0xFE, 'W', 0, 'i', 0, 'n', 0};
  WriteFileBytes(f.dir.Path("registry.reg"), foreign);
  EXPECT_FALSE(f.registry->Load());
  f.form->StartUp({});
  ASSERT_EQ(f.sink.errors.size(), 1u);
  EXPECT_EQ(f.sink.errors[0].rfind("Cannot read from " + f.dir.Path("registry.reg") + "\r\n", 0),
            0u);
  f.form->close();
  EXPECT_EQ(ReadFileBytes(f.dir.Path("registry.reg")), foreign);
}

TEST(MainFormDocuments, ADamagedTemporaryCopyIsLeftAloneWithoutAQuestion) {
  EditorFixture f;
  WriteFileBytes(f.dir.Path("temp.~km"), {1, 2, 3, 4, 5});
  f.form->StartUp({});
  EXPECT_TRUE(f.sink.questions.empty());
  EXPECT_TRUE(fs::exists(f.dir.Path("temp.~km")));
  EXPECT_FALSE(f.State().MapOpen);
}

TEST(MainFormDocuments, ClosingAModifiedMapAsksAndCancelKeepsTheProgramRunning) {
  EditorFixture f;
  ASSERT_TRUE(f.OpenMap(WriteTestMap(f.dir, "map.zkm", 1)));
  f.form->Doc().Store().SetModified(true);
  f.sink.answers = {Answer::Cancel};
  EXPECT_FALSE(f.form->close());
  ASSERT_EQ(f.sink.questions.size(), 1u);
  EXPECT_NE(f.sink.questions[0].find("has been modified. Save?"), std::string::npos);
  EXPECT_TRUE(f.State().MapOpen);
  // No: the program ends and the temporary copy is gone.
  f.sink.answers = {Answer::No};
  EXPECT_TRUE(f.form->close());
  EXPECT_FALSE(fs::exists(f.dir.Path("temp.~km")));
}

TEST(MainFormDocuments, FileInformationWritesTheEditedText) {
  EditorFixture f;
  ASSERT_TRUE(f.OpenMap(WriteTestMap(f.dir, "map.zkm", 1)));
  f.dialogs.information = "Survey 2024\r\nSecond line";
  f.form->Trigger("FileInfo");
  EXPECT_EQ(f.form->Doc().InfoText(), "Survey 2024\r\nSecond line");
  EXPECT_TRUE(f.form->Doc().Modified());
}

TEST(MainFormDocuments, RecentFilesAppearInTheFileMenu) {
  EditorFixture f;
  const std::string a = WriteTestMap(f.dir, "a.zkm", 1), b = WriteTestMap(f.dir, "b.zkm", 1);
  ASSERT_TRUE(f.OpenMap(a));
  ASSERT_TRUE(f.OpenMap(b));
  QAction* first = f.form->Action("FileList1");
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(first->text().toStdString(), "&1 " + a);
  EXPECT_FALSE(f.form->Action("FileList2")->isVisible());
  f.form->Trigger("FileList1");
  EXPECT_EQ(f.form->Doc().Name(), a);
  EXPECT_EQ(f.form->Action("FileList1")->text().toStdString(), "&1 " + b);
}

TEST(MainFormSession, TheRestartCommandNamesTheOpenMap) {
  EditorFixture f(true);
  const std::string path = WriteTestMap(f.dir, "map.zkm", 1);
  ASSERT_TRUE(f.OpenMap(path));
  const auto command = f.form->SessionEnding("/opt/zelk/zelk");
  EXPECT_EQ(command, (std::vector<std::string>{"/opt/zelk/zelk", path}));
  auto value =
      f.registry->Get("Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "ZelkStart");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->text, "\"/opt/zelk/zelk\" " + path);
}

}  // namespace
}  // namespace zelk
