// Every drawing tool driven by synthetic presses, moves, releases and keys over a real engine;
// the stored objects are checked point by point and flag by flag.
#include "editor/drawing_tools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

#include "draw_fixture.h"
#include "editor/curve_tool.h"
#include "editor/line_tool.h"
#include "editor/place_tool.h"
#include "editor/shape_tools.h"

namespace zelk {
namespace {

constexpr int F = kFirstCurvePoint, S = kSecondCurvePoint, K = kCornerPoint;

std::string Show(const std::vector<Coord>& pts) {
  std::string s;
  for (const Coord& c : pts)
    s += "(" + std::to_string(c.x >> 8) + "," + std::to_string(c.y >> 8) + " " +
         std::to_string(c.XFlags()) + "/" + std::to_string(c.YFlags()) + ")";
  return s;
}

// Words from a pixel distance at the fixture's zoom.
constexpr int32_t Px(int pixels) {
  return pixels * 2048;
}

Coord Plus(Coord c, int32_t dx, int32_t dy, int32_t xf = 0, int32_t yf = 0) {
  return {((c.x & kPosMask) + dx) | xf, ((c.y & kPosMask) + dy) | yf};
}

// --- Curve ---------------------------------------------------------------------------------------

struct CurveTest : ::testing::Test {
  DrawFixture f;
  CurveTool t{f.ctx};
  void SetUp() override { t.Start(ToolPurpose::Draw); }
};

TEST_F(CurveTest, StartsWithItsCursorPromptAndHelp) {
  EXPECT_EQ(f.state.InteractionState, Interaction::Curve);
  EXPECT_EQ(f.view.cursor, "DrawCurve");
  EXPECT_EQ(f.view.prompt, "New curve");
  EXPECT_EQ(f.view.help, help::kCurves);
}

TEST_F(CurveTest, ASingleClickDrawsNothing) {
  f.Click(t, 100, 100);
  EXPECT_EQ(f.Count(), 0);
  EXPECT_EQ(f.state.InteractionState, Interaction::Idle);
  EXPECT_TRUE(f.view.rubber.empty());
}

TEST_F(CurveTest, TwoDragsAndAClickMakeTwoAnchorsWithHandlesOfFourTenthsOfTheChord) {
  f.Drag(t, 100, 300, 150, 300);
  EXPECT_EQ(t.Step(), CurveStep::Waiting);
  EXPECT_EQ(f.view.prompt, "Indicate direction");
  f.Drag(t, 300, 300, 300, 250);
  f.Click(t, 450, 300);
  ASSERT_EQ(f.Count(), 1);
  const ObjectRecord o = f.Last();
  const int32_t h = Px(200) * 2 / 5;  // 0.4 times the chord of 200 pixels
  EXPECT_EQ(Show(o.coords), Show({f.M(100, 300), Plus(f.M(100, 300), h, 0, F),
                                  Plus(f.M(300, 300), 0, -h, S), f.M(300, 300)}));
  EXPECT_EQ(o.symbol, 1010);
  EXPECT_EQ(o.type, ObjectType::Line);
  // The new object is selected and drawn at once.
  EXPECT_EQ(f.state.SelectedObject, 1);
  EXPECT_EQ(f.state.ObjectBuffer.coords, o.coords);
  EXPECT_EQ(f.view.drawnNow, 1);
  EXPECT_EQ(f.state.InteractionState, Interaction::Idle);
  EXPECT_TRUE(f.undo.CanUndo());
}

TEST_F(CurveTest, InTheSecondCurveModeBothHandlesTakeTheDragLength) {
  f.prefs.curveMode = 1;
  f.Drag(t, 100, 300, 150, 300);
  f.Drag(t, 300, 300, 300, 250);
  f.Click(t, 450, 300);
  EXPECT_EQ(Show(f.Last().coords), Show({f.M(100, 300), Flagged(f.M(150, 300), F),
                                         Flagged(f.M(300, 350), S), f.M(300, 300)}));
}

TEST_F(CurveTest, APressOnTheLastAnchorMakesItACorner) {
  f.Drag(t, 100, 300, 150, 300);
  f.Drag(t, 300, 300, 300, 250);
  f.Drag(t, 300, 300, 350, 300);  // on the anchor: its outgoing handle turns freely
  EXPECT_EQ(t.Step(), CurveStep::Waiting);
  f.Drag(t, 500, 300, 550, 300);
  f.Click(t, 700, 300);
  const ObjectRecord o = f.Last();
  ASSERT_EQ(o.PointCount(), 7);
  EXPECT_EQ(o.coords[3], Flagged(f.M(300, 300), 0, K));
  // The corner's handle keeps the dragged direction at 0.4 times the next chord.
  EXPECT_EQ(o.coords[4], Plus(f.M(300, 300), Px(80), 0, F));
  EXPECT_EQ(o.coords[6], f.M(500, 300));
}

TEST_F(CurveTest, BackspaceRemovesTheLastSegmentThenResets) {
  f.Drag(t, 100, 300, 150, 300);
  f.Drag(t, 300, 300, 300, 250);
  ASSERT_EQ(f.state.ObjectBuffer.PointCount(), 5);
  t.Key(8);
  EXPECT_EQ(t.Step(), CurveStep::Waiting);
  EXPECT_EQ(Show(f.state.ObjectBuffer.coords),
            Show({f.M(100, 300), Plus(f.M(100, 300), Px(80), 0, F)}));
  // Drawing goes on from the first anchor.
  f.Drag(t, 300, 200, 350, 200);
  EXPECT_EQ(f.state.ObjectBuffer.PointCount(), 5);
  t.Key(8);
  t.Key(8);
  EXPECT_EQ(f.state.InteractionState, Interaction::Idle);
  EXPECT_EQ(t.Step(), CurveStep::Idle);
  t.Finish();
  EXPECT_EQ(f.Count(), 0);
}

TEST_F(CurveTest, KeysDuringADragAndOtherKeysAreIgnored) {
  f.Drag(t, 100, 300, 150, 300);
  t.Down(f.E(300, 300));
  t.Key(8);
  t.Key('a');
  EXPECT_EQ(t.Step(), CurveStep::NewDirection);
  t.Up(f.E(300, 250));
  t.Key(27);
  EXPECT_EQ(f.state.ObjectBuffer.PointCount(), 5);
}

TEST_F(CurveTest, AHandleOfTheLastSegmentIsDraggedAndTheOppositeOneStaysInLine) {
  f.Drag(t, 100, 300, 150, 300);
  f.Drag(t, 300, 300, 300, 250);
  f.Drag(t, 500, 300, 500, 350);
  std::vector<Coord> before = f.state.ObjectBuffer.coords;
  ASSERT_EQ(before.size(), 8u);
  const Coord c1 = before[4], anchor = before[3], c2 = before[2];
  const PixelPos at = f.view.MapToDevice(c1);
  // Over the handle the cursor offers to take it.
  t.Move(f.E(at.x, at.y));
  EXPECT_EQ(f.view.cursor, "EditPoint");
  t.Move(f.E(at.x + 40, at.y + 40));
  EXPECT_EQ(f.view.cursor, "DrawCurve");
  t.Down(f.E(at.x, at.y));
  EXPECT_EQ(t.Step(), CurveStep::HandleDrag);
  t.Move(f.E(at.x + 30, at.y - 30));
  t.Up(f.E(at.x + 30, at.y - 30));
  EXPECT_EQ(t.Step(), CurveStep::Waiting);
  const std::vector<Coord>& p = f.state.ObjectBuffer.coords;
  EXPECT_EQ(p[4], Flagged(f.M(at.x + 30, at.y - 30), F));
  const double ax = p[4].x - double(anchor.x), ay = p[4].y - double(anchor.y);
  const double bx = (p[2].x & kPosMask) - double(anchor.x), by = p[2].y - double(anchor.y);
  EXPECT_NEAR(ax * by - ay * bx, 0, 256 * std::hypot(ax, ay));  // in line
  EXPECT_LT(ax * bx + ay * by, 0);                              // on the other side
  EXPECT_NEAR(std::hypot(bx, by), Dist(anchor, c2), 256);       // at its length
  EXPECT_EQ(p[2].XFlags(), S);
}

TEST_F(CurveTest, AHandleDraggedOntoItsAnchorDividesByNothing) {
  f.Drag(t, 100, 300, 150, 300);
  f.Drag(t, 300, 300, 300, 250);
  f.Drag(t, 500, 300, 500, 350);
  const Coord c1 = f.state.ObjectBuffer.coords[4], anchor = f.state.ObjectBuffer.coords[3];
  const PixelPos at = f.view.MapToDevice(c1), onto = f.view.MapToDevice(anchor);
  t.Down(f.E(at.x, at.y));
  t.Up(f.E(onto.x, onto.y));
  EXPECT_EQ(f.state.ObjectBuffer.coords[4], Flagged(anchor, F));
  EXPECT_EQ(f.state.ObjectBuffer.coords[2].XFlags(), S);
  t.Finish();
  EXPECT_EQ(f.Last().PointCount(), 7);
}

TEST_F(CurveTest, TheBandTakenAwayByAZoomComesBackWithTheMouse) {
  f.Drag(t, 100, 300, 150, 300);
  f.view.SetRubberBand({});
  t.Move(f.E(200, 200));
  ASSERT_FALSE(f.view.rubber.empty());
  EXPECT_EQ(f.view.rubber[0].kind, RubberShape::Kind::Path);
  EXPECT_EQ(f.view.rubber[0].points, f.state.ObjectBuffer.coords);
}

TEST_F(CurveTest, FinishCommitsWhatIsDrawnWithoutTheTrailingHandle) {
  f.Drag(t, 100, 300, 150, 300);
  f.Drag(t, 300, 300, 300, 250);
  t.Finish();
  ASSERT_EQ(f.Count(), 1);
  EXPECT_EQ(f.Last().PointCount(), 4);
  EXPECT_FALSE(IsControl(f.Last().coords.back()));
  EXPECT_TRUE(f.view.rubber.empty());
  EXPECT_EQ(f.view.prompt, "");
}

TEST_F(CurveTest, CtrlSnapsToAnotherLineAndFollowsItToTheRelease) {
  f.AddObject(1010, ObjectType::Line,
              {f.M(100, 100), f.M(200, 100), Flagged(f.M(250, 50), F), Flagged(f.M(300, 50), S),
               f.M(300, 100)});
  t.Down(f.E(101, 101, false, true));
  EXPECT_EQ(t.Step(), CurveStep::StraightDrag);
  t.Move(f.E(299, 99, false, true));
  t.Up(f.E(299, 99, false, true));
  EXPECT_EQ(t.Step(), CurveStep::AfterStraight);
  t.Finish();
  EXPECT_EQ(Show(f.Last().coords),
            Show({Flagged(f.M(100, 100), 0, K), f.M(200, 100), Flagged(f.M(250, 50), F),
                  Flagged(f.M(300, 50), S), Flagged(f.M(300, 100), 0, K)}));
}

TEST_F(CurveTest, BackspaceAfterAStraightPointGivesTheAnchorItsHandleBack) {
  f.AddObject(1010, ObjectType::Line, {f.M(600, 100), f.M(700, 100)});
  f.Drag(t, 100, 300, 150, 300);
  f.Drag(t, 300, 300, 300, 250);
  const std::vector<Coord> waiting = f.state.ObjectBuffer.coords;
  f.Click(t, 600, 100, false, true);  // a straight point snapped to the other line
  EXPECT_EQ(t.Step(), CurveStep::AfterStraight);
  t.Key(8);
  EXPECT_EQ(t.Step(), CurveStep::Waiting);
  EXPECT_EQ(Show(f.state.ObjectBuffer.coords), Show(waiting));
  // A plain anchor after the straight point, then Backspace: the anchor reached by the curve
  // waits with the mirror of its incoming handle and is smooth again.
  f.Click(t, 600, 100, false, true);
  f.Drag(t, 650, 200, 700, 200);
  EXPECT_EQ(t.Step(), CurveStep::Waiting);
  t.Key(8);
  EXPECT_EQ(t.Step(), CurveStep::Waiting);
  const std::vector<Coord>& p = f.state.ObjectBuffer.coords;
  EXPECT_EQ(p.back(), Flagged(f.M(600, 100), F));
  EXPECT_EQ(p[p.size() - 2], f.M(600, 100));
}

TEST_F(CurveTest, ShiftContinuesALineFromItsEndAndFromItsStartReversed) {
  const int32_t n = f.AddObject(1010, ObjectType::Line, {f.M(100, 100), f.M(200, 100)});
  f.Drag(t, 200, 100, 200, 150, true);
  f.Click(t, 200, 300);     // a click ends the curve at the continued end
  EXPECT_EQ(f.Count(), n);  // nothing new: the object stays as it was
  EXPECT_EQ(f.Last().PointCount(), 2);

  t.Start(ToolPurpose::Draw);
  f.Drag(t, 200, 100, 250, 100, true);
  f.Drag(t, 400, 100, 450, 100);
  t.Finish();
  ASSERT_EQ(f.Count(), n + 1);
  EXPECT_EQ(f.Store().LiveObjectCount(), 1);
  EXPECT_EQ(f.state.SelectedObject, n + 1);
  EXPECT_EQ(Show(f.Last().coords),
            Show({f.M(100, 100), f.M(200, 100), Plus(f.M(200, 100), Px(80), 0, F),
                  Plus(f.M(400, 100), -Px(80), 0, S), f.M(400, 100)}));

  t.Start(ToolPurpose::Draw);
  f.Drag(t, 100, 100, 50, 100, true);
  f.Drag(t, 0, 200, 0, 250);
  t.Finish();
  EXPECT_EQ(f.Last().coords.front(), f.M(400, 100));
  EXPECT_EQ(f.Last().coords[4], f.M(100, 100));
  EXPECT_EQ(f.Last().PointCount(), 8);
}

TEST_F(CurveTest, AFullLineIsNotContinuedAndALongCurveStopsAtTheLimit) {
  std::vector<Coord> full;
  for (int i = 0; i < kMaxPoints; ++i) full.push_back(Coord::FromUnits(i * 2, 0));
  full.back() = f.M(300, 300);
  f.AddObject(1010, ObjectType::Line, full);
  f.Drag(t, 300, 300, 350, 300, true);
  EXPECT_EQ(f.Errors(kMaxPointsMessage), 1);
  EXPECT_EQ(f.beeps, 1);
  EXPECT_EQ(f.Count(), 1);

  // 1996 points: the handle fits, one more segment fits exactly, the next press stops.
  std::vector<Coord> almost(full.begin() + 4, full.end());
  const int32_t n = f.AddObject(1010, ObjectType::Line, almost);
  t.Start(ToolPurpose::Draw);
  f.Drag(t, 300, 300, 350, 300, true);
  f.Drag(t, 500, 300, 550, 300);
  EXPECT_EQ(f.state.ObjectBuffer.PointCount(), kMaxPoints);
  t.Down(f.E(700, 300));
  EXPECT_EQ(f.Errors(kMaxPointsMessage), 2);
  EXPECT_EQ(f.state.InteractionState, Interaction::Idle);
  ASSERT_EQ(f.Count(), n + 1);
  EXPECT_EQ(f.Last().PointCount(), kMaxPoints - 1);
  EXPECT_TRUE(ObjectRecord::Decode(f.Last().Encode()).has_value());
}

// --- Straight and freehand ---------------------------------------------------------------------

struct LineTest : ::testing::Test {
  DrawFixture f;
  LineTool t{f.ctx};
  void Use(Mode m) {
    f.state.ToolMode = m;
    t.Start(ToolPurpose::Draw);
  }
};

TEST_F(LineTest, StraightSegmentsEndAtAClickAndTheLastPointIsNoCorner) {
  Use(Mode::Straight);
  EXPECT_EQ(f.view.cursor, "DrawStraight");
  f.Drag(t, 100, 300, 300, 300);
  EXPECT_EQ(f.view.prompt, "Drawing...");
  EXPECT_EQ(t.Step(), LineStep::StraightWait);
  f.Drag(t, 310, 310, 300, 100);  // the press only starts the band from the last point
  f.Click(t, 300, 100);
  ASSERT_EQ(f.Count(), 1);
  EXPECT_EQ(Show(f.Last().coords),
            Show({f.M(100, 300), Flagged(f.M(300, 300), 0, K), f.M(300, 100)}));
}

TEST_F(LineTest, AltHoldsTheStraightBandHorizontalOrVertical) {
  const struct {
    int x, y, ex, ey;
  } cases[] = {{150, 120, 150, 100}, {120, 150, 100, 150}, {130, 130, 100, 130}, {50, 90, 50, 100}};
  for (const auto& c : cases) {
    Use(Mode::Straight);
    f.Drag(t, 100, 100, c.x, c.y, false, false, true);
    t.Finish();
    EXPECT_EQ(f.Last().coords.back(), f.M(c.ex, c.ey)) << c.x << "," << c.y;
  }
}

TEST_F(LineTest, AStraightClickWithoutADragStoresNothing) {
  Use(Mode::Straight);
  f.Click(t, 100, 100);
  EXPECT_EQ(f.Count(), 0);
  EXPECT_EQ(f.state.InteractionState, Interaction::Idle);
}

TEST_F(LineTest, FreehandStrokesAreSmoothedToTheirShape) {
  Use(Mode::Freehand);
  EXPECT_EQ(f.view.cursor, "DrawFreehand");
  EXPECT_EQ(f.view.help, help::kPoints);
  f.Click(t, 100, 100);  // the first stroke starts with the button up
  EXPECT_EQ(t.Step(), LineStep::Freehand);
  for (int k = 1; k <= 20; ++k) t.Move(f.E(100 + 10 * k, 100 + 5 * k));
  EXPECT_GE(f.state.ObjectBuffer.PointCount(), 8);
  f.Click(t, 300, 200);
  EXPECT_EQ(f.view.prompts[f.view.prompts.size() - 2], "Smoothing...");
  // A straight stroke keeps only its ends.
  EXPECT_EQ(Show(f.Last().coords), Show({f.M(100, 100), f.M(300, 200)}));
}

TEST_F(LineTest, FreehandKeepsTheBendsOfAStroke) {
  Use(Mode::Freehand);
  f.Click(t, 100, 100);
  for (int k = 1; k <= 20; ++k) t.Move(f.E(100 + 10 * k, 100 + (k <= 10 ? 5 * k : 100 - 5 * k)));
  f.Click(t, 300, 100);
  const ObjectRecord o = f.Last();
  ASSERT_GE(o.PointCount(), 3);
  EXPECT_EQ(o.coords.front(), f.M(100, 100));
  EXPECT_EQ(o.coords.back(), f.M(300, 100));
  bool apex = false;
  for (const Coord& c : o.coords) apex |= Near(c, f.M(200, 150), Px(10));
  EXPECT_TRUE(apex);
}

TEST_F(LineTest, TheStretchListIsCappedAndEveryStretchIsClosedBeforeSmoothing) {
  Use(Mode::Freehand);
  for (int k = 0; k < 300; ++k) {
    f.Drag(t, 100 + k % 50, 100 + (k % 2) * 40, 105 + k % 50, 300);
    for (PixelPos p : {PixelPos{130, 250}, PixelPos{160, 280}, PixelPos{200, 240}})
      t.Move(f.E(p.x, p.y));
  }
  EXPECT_GT(f.state.ObjectBuffer.PointCount(), 1000);
  EXPECT_LE(t.Session().Stretches().size(), static_cast<size_t>(kMaxStretches));
  t.Finish();
  ASSERT_EQ(f.Count(), 1);
  EXPECT_GE(f.Last().PointCount(), 2);
  EXPECT_TRUE(ObjectRecord::Decode(f.Last().Encode()).has_value());
}

TEST_F(LineTest, ContinuingA1999PointLineStopsAtTheLimitInsteadOfOverrunning) {
  Use(Mode::Straight);
  std::vector<Coord> pts;
  for (int i = 0; i < kMaxPoints - 1; ++i) pts.push_back(Coord::FromUnits(i * 2, 0));
  pts.back() = f.M(300, 300);
  const int32_t n = f.AddObject(1010, ObjectType::Line, pts);
  f.Drag(t, 300, 300, 400, 300, true);
  EXPECT_EQ(f.state.ObjectBuffer.PointCount(), kMaxPoints);
  t.Down(f.E(500, 500));
  EXPECT_EQ(f.Errors(kMaxPointsMessage), 1);
  ASSERT_EQ(f.Count(), n + 1);
  EXPECT_EQ(f.Last().PointCount(), kMaxPoints);
  EXPECT_EQ(f.Last().coords.back(), f.M(400, 300));
}

TEST_F(LineTest, HolesSetAsideWhileContinuingAnAreaCountAndComeBack) {
  Use(Mode::Straight);
  f.state.CurrentSymbol = 1;  // the area symbol
  std::vector<Coord> pts{f.M(100, 100), f.M(200, 100), f.M(200, 200), f.M(150, 250)};
  for (int i = 0; i < kMaxPoints - 6; ++i)
    pts.push_back(Coord::FromUnits(i * 2, -5000, 0, i == 0 ? kHoleStart : 0));
  const int32_t n = f.AddObject(2010, ObjectType::Area, pts);
  f.Drag(t, 150, 250, 100, 200, true);
  t.Down(f.E(50, 50));  // no room for another point beside the holes
  EXPECT_EQ(f.Errors(kMaxPointsMessage), 1);
  ASSERT_EQ(f.Count(), n + 1);
  const ObjectRecord o = f.Last();
  EXPECT_EQ(o.PointCount(), kMaxPoints - 1);
  EXPECT_EQ(o.coords[4], f.M(100, 200));
  EXPECT_EQ(o.coords[5].YFlags(), kHoleStart);
}

TEST_F(LineTest, StraightLinesFollowAnotherOutlineWithCtrl) {
  Use(Mode::Straight);
  f.AddObject(1010, ObjectType::Line,
              {f.M(100, 100), Flagged(f.M(200, 100), kNoLeftLine), f.M(200, 200), f.M(300, 200)});
  f.Drag(t, 101, 101, 299, 201, false, true);
  EXPECT_EQ(t.Step(), LineStep::StraightWait);
  t.Finish();
  EXPECT_EQ(Show(f.Last().coords),
            Show({Flagged(f.M(100, 100), 0, K), f.M(200, 100), f.M(200, 200), f.M(300, 200)}));
  // Backwards from the far end.
  Use(Mode::Straight);
  f.Drag(t, 299, 201, 101, 101, false, true);
  t.Finish();
  EXPECT_EQ(Show(f.Last().coords),
            Show({Flagged(f.M(300, 200), 0, K), f.M(200, 200), f.M(200, 100), f.M(100, 100)}));
}

TEST_F(LineTest, HiddenSymbolsAndPointObjectsAreNotSnappedTo) {
  Use(Mode::Straight);
  f.AddObject(1030, ObjectType::Line, {f.M(100, 100), f.M(200, 100)});
  f.AddObject(3010, ObjectType::Point, {f.M(103, 103)});
  f.Drag(t, 102, 102, 300, 300, false, true);
  t.Finish();
  EXPECT_EQ(Show(f.Last().coords), Show({f.M(102, 102), f.M(300, 300)}));
}

TEST_F(LineTest, AutomaticJoiningMovesAnEndOntoANearbyEndOfTheSameSymbol) {
  f.AddObject(1010, ObjectType::Line, {f.M(100, 100), f.M(200, 100)});
  f.AddObject(2010, ObjectType::Area, {f.M(400, 400), f.M(500, 400), f.M(450, 450)});
  for (bool join : {true, false}) {
    f.prefs.autoJoin = join;
    Use(Mode::Straight);
    f.Drag(t, 300, 300, 202, 101);
    f.Click(t, 202, 101);
    EXPECT_EQ(f.Last().coords.back(), join ? f.M(200, 100) : f.M(202, 101)) << join;
    EXPECT_EQ(f.Last().coords.front(), f.M(300, 300));
  }
  // The line's own start closes it when it has four points.
  f.prefs.autoJoin = true;
  Use(Mode::Straight);
  f.Drag(t, 600, 100, 700, 100);
  f.Drag(t, 700, 100, 700, 200);
  f.Drag(t, 700, 200, 602, 101);
  f.Click(t, 602, 101);
  EXPECT_EQ(f.Last().coords.back(), f.M(600, 100));
  // Areas are not joined.
  f.state.CurrentSymbol = 1;
  Use(Mode::Straight);
  f.Drag(t, 300, 500, 399, 401);
  f.Drag(t, 399, 401, 300, 450);
  f.Click(t, 300, 450);
  EXPECT_EQ(f.Last().coords[1], Flagged(f.M(399, 401), 0, K));
}

// --- Cut lines and holes ------------------------------------------------------------------------

struct PurposeTest : ::testing::Test {
  DrawFixture f;
  int32_t area = 0;
  ObjectRecord stored;
  void SetUp() override {
    area = f.AddObject(2010, ObjectType::Area,
                       {f.M(100, 100), f.M(500, 100), f.M(500, 500), f.M(100, 500)});
    stored = f.Object(area);
    f.state.SelectedObject = area;
    f.state.ObjectBuffer = stored;
    f.state.DrawMode = Mode::Straight;
    f.state.ToolMode = Mode::Cut;
  }
};

TEST_F(PurposeTest, TheCutLineIsHandedOnInItsOwnBufferAndTheAreaStaysWhole) {
  std::vector<std::vector<Coord>> handed;
  f.ctx.drawing.cutLineDrawn = [&](const std::vector<Coord>& line) { handed.push_back(line); };
  CurveTool t(f.ctx);
  t.Start(ToolPurpose::CutLine);
  f.Drag(t, 100, 300, 150, 300);
  f.Drag(t, 500, 300, 550, 300);
  // Backspace back to the start discards the cut line alone.
  t.Key(8);
  t.Key(8);
  EXPECT_EQ(f.state.ObjectBuffer.coords, stored.coords);
  EXPECT_TRUE(handed.empty());
  t.Start(ToolPurpose::CutLine);
  f.Drag(t, 100, 300, 150, 300);
  f.Drag(t, 500, 300, 550, 300);
  f.Click(t, 700, 300);
  ASSERT_EQ(handed.size(), 1u);
  EXPECT_EQ(handed[0].front(), f.M(100, 300));
  EXPECT_EQ(handed[0].back(), f.M(500, 300));
  EXPECT_EQ(f.state.ObjectBuffer.coords, stored.coords);
  EXPECT_EQ(f.Count(), area);
  EXPECT_EQ(f.Object(area).coords, stored.coords);
}

TEST_F(PurposeTest, ACutLineMayBeRefusedAtItsStart) {
  f.ctx.drawing.cutLineStarts = [&](const Coord& c) { return c == f.M(100, 300); };
  LineTool t(f.ctx);
  t.Start(ToolPurpose::CutLine);
  EXPECT_TRUE(t.Straight());
  f.Drag(t, 300, 300, 400, 400);
  EXPECT_EQ(t.Step(), LineStep::Idle);
  f.Drag(t, 100, 300, 400, 400);
  EXPECT_EQ(t.Step(), LineStep::StraightWait);
}

TEST_F(PurposeTest, AHoleIsAppendedWithItsFlagAndUndoneAsOneStep) {
  f.ctx.drawing.holeDrawn = [&](const std::vector<Coord>& h) { return AppendHole(f.ctx, h); };
  f.state.DrawMode = Mode::Freehand;
  f.state.ToolMode = Mode::CutHole;
  LineTool freehand(f.ctx);
  freehand.Start(ToolPurpose::Hole);
  EXPECT_FALSE(freehand.Straight());
  f.state.DrawMode = Mode::Straight;
  LineTool t(f.ctx);
  t.Start(ToolPurpose::Hole);
  f.Drag(t, 200, 200, 300, 200);
  f.Drag(t, 300, 200, 300, 300);
  f.Click(t, 300, 300);
  ASSERT_EQ(f.Count(), area + 1);
  const ObjectRecord o = f.Last();
  EXPECT_EQ(Show(o.coords), Show({f.M(100, 100), f.M(500, 100), f.M(500, 500), f.M(100, 500),
                                  Flagged(f.M(200, 200), 0, kHoleStart),
                                  Flagged(f.M(300, 200), 0, K), f.M(300, 300)}));
  EXPECT_EQ(f.state.SelectedObject, area + 1);
  ASSERT_TRUE(f.undo.Undo());
  IndexEntry e;
  f.Store().ReadEntry(area, &e);
  EXPECT_TRUE(e.Live());
  EXPECT_EQ(f.Object(area).coords, stored.coords);
}

TEST_F(PurposeTest, AHoleOfTwoPointsOrWithoutAnAreaIsNothing) {
  int handed = 0;
  f.ctx.drawing.holeDrawn = [&](const std::vector<Coord>&) { return ++handed > 0; };
  LineTool t(f.ctx);
  t.Start(ToolPurpose::Hole);
  f.Drag(t, 200, 200, 300, 200);
  f.Click(t, 300, 200);
  EXPECT_EQ(handed, 0);
  EXPECT_EQ(f.state.ObjectBuffer.coords, stored.coords);
  f.state.SelectedObject = 0;
  t.Start(ToolPurpose::Hole);
  f.Drag(t, 200, 200, 300, 200);
  EXPECT_EQ(t.Step(), LineStep::Idle);
}

TEST_F(PurposeTest, ASelectedAreaDeletedMeanwhileTakesNoHole) {
  f.ctx.drawing.holeDrawn = [&](const std::vector<Coord>& h) { return AppendHole(f.ctx, h); };
  LineTool t(f.ctx);
  t.Start(ToolPurpose::Hole);
  f.Drag(t, 200, 200, 300, 200);
  f.Drag(t, 300, 200, 300, 300);
  ASSERT_TRUE(f.Store().DeleteObject(area));  // by another step, while the hole is drawn
  f.Click(t, 300, 300);
  EXPECT_EQ(f.Count(), area);
  EXPECT_EQ(f.Store().LiveObjectCount(), 0);
  // Nor is a deleted area taken for a new hole or cut line.
  t.Start(ToolPurpose::Hole);
  f.Drag(t, 200, 200, 300, 200);
  EXPECT_EQ(t.Step(), LineStep::Idle);
  t.Start(ToolPurpose::CutLine);
  f.Drag(t, 200, 200, 300, 200);
  EXPECT_EQ(t.Step(), LineStep::Idle);
}

TEST_F(PurposeTest, CirclesAreHolesTooAndAFullAreaRefusesThem) {
  f.ctx.drawing.holeDrawn = [&](const std::vector<Coord>& h) { return AppendHole(f.ctx, h); };
  CircleTool c(f.ctx);
  c.Start(ToolPurpose::Hole);
  f.Drag(c, 200, 300, 300, 300);
  EXPECT_EQ(f.Last().PointCount(), 4 + 13);
  EXPECT_EQ(f.Last().coords[4], Flagged(f.M(200, 300), 0, kHoleStart));

  std::vector<Coord> big;
  for (int i = 0; i < kMaxPoints - 12; ++i) big.push_back(Coord::FromUnits(i * 2, i % 7));
  f.state.SelectedObject = f.AddObject(2010, ObjectType::Area, big);
  const int32_t count = f.Count();
  c.Start(ToolPurpose::Hole);
  f.Drag(c, 200, 300, 300, 300);
  EXPECT_EQ(f.Errors(kMaxPointsMessage), 1);
  EXPECT_EQ(f.Count(), count);
}

// --- Rectangular, circle, ellipse ---------------------------------------------------------------

TEST(Rectangular, SidesAtRightAnglesAndAClickCloses) {
  DrawFixture f;
  RectangularTool t(f.ctx);
  t.Start(ToolPurpose::Draw);
  EXPECT_EQ(f.view.cursor, "Draw45");
  f.Drag(t, 100, 300, 300, 300);
  EXPECT_EQ(f.view.prompt, "Drag next side");
  f.Drag(t, 320, 220, 320, 200);
  EXPECT_EQ(t.Step(), RectangularStep::NextSide);
  f.Click(t, 90, 200);
  ASSERT_EQ(f.Count(), 1);
  EXPECT_EQ(Show(f.Last().coords),
            Show({f.M(100, 300), Flagged(f.M(300, 300), 0, K), Flagged(f.M(300, 200), 0, K),
                  Flagged(f.M(90, 200), 0, K), Flagged(f.M(100, 200), 0, K), f.M(100, 300)}));
}

TEST(Rectangular, ATurnedFigureKeepsItsRightAngles) {
  DrawFixture f;
  RectangularTool t(f.ctx);
  t.Start(ToolPurpose::Draw);
  f.Drag(t, 100, 300, 300, 200);
  f.Drag(t, 340, 300, 350, 300);
  f.Drag(t, 200, 420, 200, 400);
  t.Finish();
  const std::vector<Coord> p = f.Last().coords;
  ASSERT_EQ(p.size(), 4u);
  for (size_t i = 0; i + 2 < p.size(); ++i) {
    const double ax = p[i + 1].x - double(p[i].x), ay = (p[i + 1].y & kPosMask) - double(p[i].y);
    const double bx = p[i + 2].x - double(p[i + 1].x),
                 by = (p[i + 2].y & kPosMask) - double(p[i + 1].y & kPosMask);
    EXPECT_NEAR((ax * bx + ay * by) / std::hypot(ax, ay) / std::hypot(bx, by), 0, 0.001) << i;
  }
  EXPECT_EQ(p.back().YFlags(), 0);
}

TEST(Rectangular, AZeroFirstSideIsDiscarded) {
  DrawFixture f;
  RectangularTool t(f.ctx);
  t.Start(ToolPurpose::Draw);
  f.Drag(t, 100, 300, 101, 301);
  EXPECT_EQ(f.Count(), 0);
  EXPECT_EQ(f.state.InteractionState, Interaction::Idle);
}

TEST(Circle, ADiameterOrWithShiftACentreAndAPoint) {
  DrawFixture f;
  CircleTool t(f.ctx);
  t.Start(ToolPurpose::Draw);
  EXPECT_EQ(f.view.prompt, "Drag diameter");
  EXPECT_EQ(f.view.cursor, "DrawCircle");
  f.Drag(t, 300, 300, 400, 300);
  ObjectRecord o = f.Last();
  ASSERT_EQ(o.PointCount(), 13);
  EXPECT_EQ(o.coords[0], f.M(300, 300));
  EXPECT_EQ(o.coords[3], f.M(350, 350));
  EXPECT_EQ(o.coords[6], f.M(400, 300));
  EXPECT_EQ(o.coords[9], f.M(350, 250));
  EXPECT_EQ(o.coords[12], o.coords[0]);
  EXPECT_EQ(o.coords[1], Plus(f.M(300, 300), 0, -Px(50) * 55 / 100, F));
  t.Start(ToolPurpose::Draw);
  f.Drag(t, 300, 300, 400, 300, true);
  o = f.Last();
  EXPECT_EQ(o.coords[0], f.M(200, 300));
  EXPECT_EQ(o.coords[6], f.M(400, 300));
  EXPECT_EQ(f.Count(), 2);
  t.Start(ToolPurpose::Draw);
  f.Drag(t, 300, 300, 302, 303);
  EXPECT_EQ(f.Count(), 2);
}

TEST(Ellipse, TheLongerAxisThenTheWidth) {
  DrawFixture f;
  EllipseTool t(f.ctx);
  t.Start(ToolPurpose::Draw);
  EXPECT_EQ(f.view.prompt, "Drag longer axis");
  f.Drag(t, 200, 300, 400, 300);
  EXPECT_EQ(f.view.prompt, "Drag width");
  t.Move(f.E(250, 270));
  EXPECT_EQ(f.view.rubber.size(), 1u);
  f.Click(t, 300, 250);
  ASSERT_EQ(f.Count(), 1);
  const ObjectRecord o = f.Last();
  ASSERT_EQ(o.PointCount(), 13);
  EXPECT_EQ(o.coords[0], f.M(200, 300));
  EXPECT_EQ(o.coords[3], f.M(300, 350));
  EXPECT_EQ(o.coords[6], f.M(400, 300));
  EXPECT_EQ(o.coords[9], f.M(300, 250));
  // No axis, or no width: nothing.
  t.Start(ToolPurpose::Draw);
  f.Drag(t, 200, 300, 201, 300);
  t.Start(ToolPurpose::Draw);
  f.Drag(t, 200, 300, 400, 300);
  f.Click(t, 300, 300);
  EXPECT_EQ(f.Count(), 1);
}

// --- Point and rectangle symbols ----------------------------------------------------------------

TEST(Place, PointsTakeTheDirectionOfALongDrag) {
  DrawFixture f;
  f.state.CurrentSymbol = 2;
  PlaceTool t(f.ctx);
  const struct {
    int dx, dy, angle;
  } cases[] = {{0, 0, 0}, {10, -10, 0}, {20, 0, 0}, {0, -20, 900}, {-20, 20, 2250}};
  for (const auto& c : cases) {
    t.Start(ToolPurpose::Draw);
    EXPECT_EQ(f.view.cursor, "DrawPoint");
    EXPECT_EQ(f.view.help, help::kPoints);
    f.Drag(t, 300, 300, 300 + c.dx, 300 + c.dy);
    const ObjectRecord o = f.Last();
    EXPECT_EQ(o.type, ObjectType::Point);
    EXPECT_EQ(o.symbol, 3010);
    EXPECT_EQ(Show(o.coords), Show({f.M(300, 300)}));
    EXPECT_EQ(o.angle, c.angle) << c.dx << "," << c.dy;
    EXPECT_EQ(f.state.SelectedObject, f.Count());
    EXPECT_EQ(f.state.InteractionState, Interaction::Idle);
  }
}

TEST(Place, RectanglesAreTheFourCornersOfTheDrag) {
  DrawFixture f;
  f.state.CurrentSymbol = 3;
  PlaceTool t(f.ctx);
  t.Start(ToolPurpose::Draw);
  EXPECT_EQ(f.view.cursor, "DrawRect");
  EXPECT_EQ(f.view.help, help::kRectangles);
  t.Down(f.E(300, 300));
  t.Move(f.E(250, 250));
  ASSERT_EQ(f.view.rubber.size(), 1u);
  EXPECT_EQ(f.view.rubber[0].kind, RubberShape::Kind::Rectangle);
  t.Up(f.E(200, 250));
  EXPECT_EQ(f.Last().type, ObjectType::Rectangle);
  EXPECT_EQ(Show(f.Last().coords),
            Show({f.M(200, 300), f.M(300, 300), f.M(300, 250), f.M(200, 250)}));
  t.Start(ToolPurpose::Draw);
  f.Drag(t, 300, 300, 300, 200);
  EXPECT_EQ(f.Count(), 1);
}

// --- Line text, undo, all tools -----------------------------------------------------------------

TEST(LineText, TheTextIsAskedForAndARefusalStoresNothing) {
  DrawFixture f;
  f.state.CurrentSymbol = 4;
  f.state.ToolMode = Mode::Straight;
  bool answer = false;
  f.ctx.drawing.askLineText = [&](ObjectRecord& o) {
    o.SetText("Main road");
    return answer;
  };
  LineTool t(f.ctx);
  t.Start(ToolPurpose::Draw);
  f.Drag(t, 100, 100, 200, 100);
  t.Finish();
  EXPECT_EQ(f.Count(), 0);
  EXPECT_TRUE(f.state.ObjectBuffer.coords.empty());
  answer = true;
  t.Start(ToolPurpose::Draw);
  f.Drag(t, 100, 100, 200, 100);
  t.Finish();
  ASSERT_EQ(f.Count(), 1);
  EXPECT_EQ(f.Last().Text(), "Main road");
}

TEST(Undo, ADrawnObjectIsUndoneAndRedoneUnderItsNumber) {
  DrawFixture f;
  f.state.ToolMode = Mode::Straight;
  LineTool t(f.ctx);
  t.Start(ToolPurpose::Draw);
  f.Drag(t, 100, 100, 200, 100);
  t.Finish();
  ASSERT_TRUE(f.undo.Undo());
  IndexEntry e;
  f.Store().ReadEntry(1, &e);
  EXPECT_FALSE(e.Live());
  ASSERT_TRUE(f.undo.Redo());
  f.Store().ReadEntry(1, &e);
  EXPECT_TRUE(e.Live());
}

using Maker = std::function<std::unique_ptr<Tool>(DrawFixture&)>;

struct AnyTool {
  const char* name;
  Mode mode;
  int symbol;
  Maker make;
};

std::vector<AnyTool> AllTools() {
  return {
      {"curve", Mode::Curve, 0, [](DrawFixture& f) { return std::make_unique<CurveTool>(f.ctx); }},
      {"straight", Mode::Straight, 0,
       [](DrawFixture& f) { return std::make_unique<LineTool>(f.ctx); }},
      {"freehand", Mode::Freehand, 0,
       [](DrawFixture& f) { return std::make_unique<LineTool>(f.ctx); }},
      {"rectangular", Mode::Rectangular, 1,
       [](DrawFixture& f) { return std::make_unique<RectangularTool>(f.ctx); }},
      {"circle", Mode::Circle, 1,
       [](DrawFixture& f) { return std::make_unique<CircleTool>(f.ctx); }},
      {"ellipse", Mode::Ellipse, 1,
       [](DrawFixture& f) { return std::make_unique<EllipseTool>(f.ctx); }},
      {"point", Mode::Curve, 2, [](DrawFixture& f) { return std::make_unique<PlaceTool>(f.ctx); }},
      {"rectangle", Mode::Curve, 3,
       [](DrawFixture& f) { return std::make_unique<PlaceTool>(f.ctx); }},
  };
}

TEST(AnyTool, EventsInAnyOrderNeverStoreADamagedObject) {
  for (const AnyTool& a : AllTools()) {
    DrawFixture f;
    f.state.ToolMode = a.mode;
    f.state.CurrentSymbol = static_cast<int16_t>(a.symbol);
    std::unique_ptr<Tool> t = a.make(f);
    t->Start(ToolPurpose::Draw);
    t->Up(f.E(100, 100));  // a release without a press
    t->Move(f.E(120, 120));
    t->Key(8);
    f.Drag(*t, 100, 100, 100, 100);  // zero-length
    t->Start(ToolPurpose::Draw);
    t->Down(f.E(200, 200));
    t->Down(f.E(210, 210));  // a second press while the button is held
    t->Key(8);               // a key during the drag
    t->Move(f.E(300, 260));
    t->Up(f.E(300, 260));
    t->Up(f.E(300, 260));
    t->Finish();
    t->Finish();
    EXPECT_EQ(f.state.InteractionState, Interaction::Idle) << a.name;
    EXPECT_TRUE(f.view.rubber.empty()) << a.name;
    for (int32_t n = 1; n <= f.Count(); ++n) {
      const ObjectRecord o = f.Object(n);
      EXPECT_TRUE(ObjectRecord::Decode(o.Encode()).has_value()) << a.name;
      EXPECT_GE(o.PointCount(), o.type == ObjectType::Area ? 3 : 1) << a.name;
    }
    for (const std::string& e : f.map.sink.errors) ADD_FAILURE() << a.name << ": " << e;
  }
}

TEST(AnyTool, TheMapClosedDuringADragStoresNothing) {
  for (const AnyTool& a : AllTools()) {
    DrawFixture f;
    f.state.ToolMode = a.mode;
    f.state.CurrentSymbol = static_cast<int16_t>(a.symbol);
    std::unique_ptr<Tool> t = a.make(f);
    t->Start(ToolPurpose::Draw);
    f.Drag(*t, 100, 100, 200, 150);
    t->Down(f.E(250, 250));
    t->Move(f.E(300, 300));
    const int32_t live = f.Store().LiveObjectCount();  // circles and points are stored at once
    f.Store().CloseWorkingFile();
    f.state.MapOpen = false;
    t->Move(f.E(310, 300));
    t->Up(f.E(310, 300));
    t->Key(8);
    t->Finish();
    EXPECT_EQ(f.state.InteractionState, Interaction::Idle) << a.name;
    for (const std::string& e : f.map.sink.errors) ADD_FAILURE() << a.name << ": " << e;
    ASSERT_TRUE(f.map.Reopen()) << a.name;
    EXPECT_EQ(f.Store().LiveObjectCount(), live) << a.name;
  }
}

TEST(AnyTool, PressesFarOutsideTheWindowStoreOnlyValidObjects) {
  for (const AnyTool& a : AllTools()) {
    DrawFixture f;
    f.view.view.zoom = 0.01;  // the whole coordinate space in the window
    f.view.view.SetViewTransform();
    f.state.PickTolerance = f.view.view.pickTolerance;
    f.state.ToolMode = a.mode;
    f.state.CurrentSymbol = static_cast<int16_t>(a.symbol);
    std::unique_ptr<Tool> t = a.make(f);
    t->Start(ToolPurpose::Draw);
    f.Drag(*t, -30000, -30000, 30000, 30000, true);
    f.Drag(*t, 30000, -30000, -30000, 30000);
    f.Click(*t, 30000, 30000);
    t->Finish();
    for (int32_t n = 1; n <= f.Count(); ++n) {
      const ObjectRecord o = f.Object(n);
      EXPECT_TRUE(ObjectRecord::Decode(o.Encode()).has_value()) << a.name;
      for (const Coord& c : o.coords) {
        EXPECT_GE(c.x, kMinCoordWord) << a.name;
        EXPECT_LE(c.y, kMaxCoordWord) << a.name;
      }
    }
  }
}

TEST(AnyTool, NoCurrentSymbolDrawsNothing) {
  for (const AnyTool& a : AllTools()) {
    DrawFixture f;
    f.state.ToolMode = a.mode;
    f.state.CurrentSymbol = -1;
    std::unique_ptr<Tool> t = a.make(f);
    t->Start(ToolPurpose::Draw);
    f.Drag(*t, 100, 100, 200, 150);
    f.Drag(*t, 300, 100, 200, 250);
    t->Finish();
    EXPECT_EQ(f.Count(), 0) << a.name;
  }
}

TEST(MakeDrawingTools, OneToolPerDrawingStateAndTheEditorsOwnHooks) {
  DrawFixture f;
  f.ctx.drawing.beep = nullptr;
  const std::vector<OwnedTool> tools = MakeDrawingTools(f.ctx);
  std::vector<Interaction> states;
  for (const auto& [i, t] : tools) {
    states.push_back(i);
    EXPECT_TRUE(t);
  }
  EXPECT_EQ(states,
            (std::vector<Interaction>{
                Interaction::Place, Interaction::FreehandStraight, Interaction::Rectangular,
                Interaction::Circle, Interaction::Ellipse, Interaction::Curve, Interaction::Text}));
  EXPECT_TRUE(f.ctx.drawing.beep);
  EXPECT_TRUE(f.ctx.drawing.holeDrawn);
  EXPECT_FALSE(f.ctx.drawing.cutLineDrawn);
}

}  // namespace
}  // namespace zelk
