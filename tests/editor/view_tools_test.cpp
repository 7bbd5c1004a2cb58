// The main window's own interactions without a window: zoom history, zoom and move view, the
// window rectangle and no drawing, driven through a fake view.
#include "editor/view_tools.h"

#include <gtest/gtest.h>

namespace zelk {
namespace {

class FakeView : public ToolView {
 public:
  FakeView() {
    view.clientWidth = 800;
    view.clientHeight = 600;
    view.zoom = 4;
    view.SetViewTransform();
  }
  ViewTransform view;
  std::vector<RubberShape> rubber;
  std::string prompt, right, cursor;
  int views = 0;
  bool remembered = false;

  const ViewTransform& View() const override { return view; }
  Coord DeviceToMap(PixelPos p) const override {
    return {RoundToCoord(view.originX + p.x / view.scaleX) & kPosMask,
            RoundToCoord(view.originY + p.y / view.scaleY) & kPosMask};
  }
  PixelPos MapToDevice(const Coord& c) const override {
    return {RoundToDevice((c.x - static_cast<double>(view.originX)) * view.scaleX),
            RoundToDevice((c.y - static_cast<double>(view.originY)) * view.scaleY)};
  }
  void SetRubberBand(std::vector<RubberShape> s) override { rubber = std::move(s); }
  void RedrawBox(const Box&) override {}
  void RedrawAll() override {}
  void SetView(double zoom, int32_t cx, int32_t cy, bool remember) override {
    view.zoom = zoom;
    view.centreX = cx;
    view.centreY = cy;
    view.SetViewTransform();
    ++views;
    remembered = remember;
  }
  void SetPrompt(const std::string& t) override { prompt = t; }
  void SetRightStatus(const std::string& t) override { right = t; }
  void SetCursorShape(const std::string& n) override { cursor = n; }

  ToolEvent At(int x, int y) const {
    ToolEvent e;
    e.pixel = {x, y};
    e.map = DeviceToMap(e.pixel);
    return e;
  }
};

TEST(ZoomHistory, KeepsTheLastEightViewsNewestFirst) {
  ZoomHistory h;
  EXPECT_FALSE(h.Pop());
  for (int i = 1; i <= 10; ++i) h.Push({static_cast<double>(i), i, -i});
  EXPECT_EQ(h.Size(), 8);
  for (int i = 10; i >= 3; --i) {
    auto v = h.Pop();
    ASSERT_TRUE(v);
    EXPECT_EQ(v->zoom, i);
    EXPECT_EQ(v->centreY, -i);
  }
  EXPECT_FALSE(h.Pop());
}

struct ZoomToolTest : ::testing::Test {
  EditorState state;
  FakeView view;
  ViewZoomTool tool{state, view};
  int ended = 0;
  void SetUp() override {
    tool.ended = [this] { ++ended; };
  }
};

TEST_F(ZoomToolTest, AClickDoublesTheZoomAtThePointAndEnds) {
  tool.SetKind(ViewZoomTool::Kind::ZoomIn);
  tool.Start(ToolPurpose::Draw);
  EXPECT_EQ(state.InteractionState, Interaction::ViewZoom);
  EXPECT_EQ(view.cursor, "Zoom");
  const ToolEvent at = view.At(600, 150);
  tool.Down(at);
  tool.Up(view.At(603, 147));  // under four pixels either way: still a click
  EXPECT_DOUBLE_EQ(view.view.zoom, 8);
  EXPECT_EQ(view.view.centreX, at.map.x);
  EXPECT_EQ(view.view.centreY, at.map.y);
  EXPECT_TRUE(view.remembered);
  EXPECT_EQ(ended, 1);
  EXPECT_EQ(state.InteractionState, Interaction::Idle);
}

TEST_F(ZoomToolTest, ADraggedRectangleFillsTheWindowByTheSmallerRatio) {
  tool.Start(ToolPurpose::Draw);
  tool.Down(view.At(100, 100));
  tool.Move(view.At(300, 400));
  ASSERT_EQ(view.rubber.size(), 1u);
  EXPECT_EQ(view.rubber[0].kind, RubberShape::Kind::Rectangle);
  tool.Up(view.At(300, 400));
  // 800/200 = 4 across, 600/300 = 2 down: the smaller ratio wins.
  EXPECT_DOUBLE_EQ(view.view.zoom, 8);
  EXPECT_TRUE(view.rubber.empty());
}

TEST_F(ZoomToolTest, TheFactorNeverExceedsThirtyTwo) {
  view.SetView(32, 0, 0, false);
  tool.Start(ToolPurpose::Draw);
  tool.Down(view.At(10, 10));
  tool.Up(view.At(10, 10));
  EXPECT_DOUBLE_EQ(view.view.zoom, 32);
  tool.Start(ToolPurpose::Draw);
  tool.Down(view.At(10, 10));
  tool.Up(view.At(20, 20));
  EXPECT_DOUBLE_EQ(view.view.zoom, 32);
}

TEST_F(ZoomToolTest, EscEndsWithoutChangingTheView) {
  tool.Start(ToolPurpose::Draw);
  tool.Key(27);
  EXPECT_EQ(ended, 1);
  EXPECT_EQ(view.views, 0);
  EXPECT_EQ(state.InteractionState, Interaction::Idle);
}

TEST_F(ZoomToolTest, MovingDragsTheMapWithTheMouse) {
  tool.SetKind(ViewZoomTool::Kind::Move);
  PixelPos preview{};
  tool.panPreview = [&](PixelPos p) { preview = p; };
  tool.Start(ToolPurpose::Draw);
  EXPECT_EQ(view.cursor, "MoveView");
  const Coord before = view.DeviceToMap({400, 300});
  tool.Down(view.At(400, 300));
  tool.Move(view.At(500, 250));
  EXPECT_EQ(preview, (PixelPos{100, -50}));
  tool.Up(view.At(500, 250));
  EXPECT_EQ(preview, (PixelPos{0, 0}));
  // The map point that was under the mouse is under it again.
  const Coord after = view.DeviceToMap({500, 250});
  EXPECT_NEAR(after.x, before.x, 2 / view.view.scaleX);
  EXPECT_NEAR(after.y, before.y, 2 / -view.view.scaleY);
  EXPECT_DOUBLE_EQ(view.view.zoom, 4);
}

struct WindowRectTest : ::testing::Test {
  EditorState state;
  FakeView view;
  WindowRectTool tool{state, view};
  Box stored{0, 0, 0, 0};
  Box extent{-256000, -256000, 256000, 256000};
  void SetUp() override {
    tool.read = [this] { return stored; };
    tool.write = [this](const Box& b) { stored = b; };
    tool.mapExtent = [this] { return extent; };
  }
};

TEST_F(WindowRectTest, AnEmptyRectangleStartsAsTheMapExtent) {
  tool.Start(ToolPurpose::Draw);
  EXPECT_EQ(state.InteractionState, Interaction::WindowRectangle);
  EXPECT_EQ(tool.Rect(), extent);
  EXPECT_EQ(view.prompt, "Modify size and position of window");
  EXPECT_EQ(view.right, "Press F1 for help.");
  ASSERT_EQ(view.rubber.size(), 1u);
  EXPECT_TRUE(view.rubber[0].solid);
}

TEST_F(WindowRectTest, DraggingInsideMovesAndACornerResizes) {
  tool.Start(ToolPurpose::Draw);
  const PixelPos centre = view.MapToDevice({0, 0});
  EXPECT_EQ(tool.HitTest(centre), WindowRectTool::Part::Inside);
  tool.Down(view.At(centre.x, centre.y));
  tool.Up(view.At(centre.x + 50, centre.y));
  const Box moved = tool.Rect();
  EXPECT_GT(moved.left, extent.left);
  EXPECT_EQ(moved.right - moved.left, extent.right - extent.left);
  EXPECT_EQ(moved.top, extent.top);

  const PixelPos corner = view.MapToDevice({moved.right, moved.bottom});
  EXPECT_EQ(tool.HitTest(corner), WindowRectTool::Part::BottomRight);
  EXPECT_STREQ(WindowRectTool::CursorFor(WindowRectTool::Part::BottomRight), "SizeNWSE");
  tool.Down(view.At(corner.x, corner.y));
  tool.Up(view.At(corner.x + 20, corner.y + 20));
  EXPECT_GT(tool.Rect().right, moved.right);
  EXPECT_LT(tool.Rect().bottom, moved.bottom);
  EXPECT_EQ(tool.Rect().left, moved.left);
}

TEST_F(WindowRectTest, ASideDraggedAcrossItsOppositeTurnsTheFrameOver) {
  tool.Start(ToolPurpose::Draw);
  const PixelPos left = view.MapToDevice({extent.left, 0});
  const PixelPos right = view.MapToDevice({extent.right, 0});
  EXPECT_EQ(tool.HitTest(left), WindowRectTool::Part::Left);
  tool.Down(view.At(left.x, left.y));
  tool.Up(view.At(right.x + 40, left.y));
  EXPECT_LT(tool.Rect().left, tool.Rect().right);
  EXPECT_EQ(tool.Rect().left, extent.right);
}

TEST_F(WindowRectTest, FinishingWritesTheRectangleBackAndEnds) {
  tool.Start(ToolPurpose::Draw);
  tool.Finish();
  EXPECT_EQ(stored, extent);
  EXPECT_EQ(state.InteractionState, Interaction::Idle);
  EXPECT_TRUE(view.rubber.empty());
  EXPECT_EQ(view.prompt, "");
}

TEST(NoDrawTool, ShowsItsCursorAndIgnoresClicks) {
  EditorState state;
  FakeView view;
  NoDrawTool tool(state, view);
  tool.Start(ToolPurpose::Draw);
  EXPECT_EQ(state.InteractionState, Interaction::NoDrawing);
  EXPECT_EQ(view.cursor, "NoDraw");
  tool.Down(view.At(5, 5));
  tool.Up(view.At(5, 5));
  EXPECT_EQ(state.InteractionState, Interaction::NoDrawing);
  tool.Finish();
  EXPECT_EQ(state.InteractionState, Interaction::Idle);
}

}  // namespace
}  // namespace zelk
