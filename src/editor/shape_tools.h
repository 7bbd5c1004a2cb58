// The rectangular tool (every side at a right angle to the first), circles and ellipses.
#pragma once

#include <cstdint>

#include "editor/draw_support.h"
#include "editor/tool.h"

namespace zelk {

enum class RectangularStep : int32_t {
  Idle = 0,
  FirstSide = 1,  // the first side being dragged
  NextSide = 2,   // waiting for the press of the next side
  SideDrag = 3,   // a side being dragged
};

// Interaction state 5.
class RectangularTool : public Tool {
 public:
  explicit RectangularTool(ToolContext& ctx) : ctx_(ctx), s_(ctx) {}
  void Start(ToolPurpose purpose) override;
  void Down(const ToolEvent& e) override;
  void Move(const ToolEvent& e) override;
  void Up(const ToolEvent& e) override;
  void Finish() override;

  RectangularStep Step() const { return step_; }
  DrawSession& Session() { return s_; }

 private:
  // The mouse turned into the frame of the first side, and back.
  void ToFrame(const Coord& c, double* x, double* y) const;
  Coord FromFrame(double x, double y, int32_t yFlags) const;
  // The corner after `previous` that the mouse makes: along x or along y of the frame.
  Coord CornerFor(const Coord& mouse, const Coord& previous) const;
  Coord ClosingFor(const Coord& corner) const;
  void CommitAndEnd(bool closed);
  void DiscardAndEnd();
  void End();
  void Show();

  ToolContext& ctx_;
  DrawSession s_;
  RectangularStep step_ = RectangularStep::Idle;
  Coord origin_;
  double cos_ = 1, sin_ = 0;
  Coord pressMap_;
};

// Interaction state 6: a diameter dragged, or with Shift the centre pressed and a point of the
// circle dragged.
class CircleTool : public Tool {
 public:
  explicit CircleTool(ToolContext& ctx) : ctx_(ctx), s_(ctx) {}
  void Start(ToolPurpose purpose) override;
  void Down(const ToolEvent& e) override;
  void Move(const ToolEvent& e) override;
  void Up(const ToolEvent& e) override;
  void Finish() override;

  bool Dragging() const { return dragging_; }
  DrawSession& Session() { return s_; }

 private:
  void Place(const Coord& mouse);
  void End();

  ToolContext& ctx_;
  DrawSession s_;
  bool dragging_ = false;
  bool centred_ = false;
  PixelPos pressPixel_;
  Coord pressMap_;
};

enum class EllipseStep : int32_t {
  Idle = 0,
  Axis = 1,          // the longer axis being dragged
  Width = 2,         // the width following the mouse
  WidthPressed = 3,  // the button down for the final width
};

// Interaction state 7: the longer axis dragged, then the width set by moving and a click.
class EllipseTool : public Tool {
 public:
  explicit EllipseTool(ToolContext& ctx) : ctx_(ctx), s_(ctx) {}
  void Start(ToolPurpose purpose) override;
  void Down(const ToolEvent& e) override;
  void Move(const ToolEvent& e) override;
  void Up(const ToolEvent& e) override;
  void Finish() override;

  EllipseStep Step() const { return step_; }
  DrawSession& Session() { return s_; }

 private:
  // The ellipse whose width reaches the mouse; false when it has no width.
  bool Place(const Coord& mouse);
  void End();

  ToolContext& ctx_;
  DrawSession s_;
  EllipseStep step_ = EllipseStep::Idle;
  Coord axisStart_, axisEnd_;
};

}  // namespace zelk
