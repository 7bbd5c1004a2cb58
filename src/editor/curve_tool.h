// The curve tool: anchors placed by presses, their directions dragged out as Bezier handles.
#pragma once

#include <cstdint>
#include <string>

#include "editor/draw_support.h"
#include "editor/tool.h"

namespace zelk {

// Values of `CurveStep`.
enum class CurveStep : int32_t {
  Idle = 0,
  FirstDirection = 1,  // first anchor pressed, its direction being dragged
  Waiting = 2,         // for the next press; the last anchor carries its outgoing handle
  NewDirection = 3,    // a new anchor pressed, its direction being dragged
  StraightDrag = 4,    // a straight point snapped with Ctrl, button held
  AfterStraight = 5,   // waiting after a straight point
  CornerDrag = 6,      // the last anchor made a corner, its outgoing handle being dragged
  AnchorDrag = 7,      // an anchor after a straight point, its direction being dragged
  HandleDrag = 8,      // a point of the last segment being dragged
};

// Interaction state 8. With purpose 1 the curve is a cut line, with purpose 2 a hole.
class CurveTool : public Tool {
 public:
  explicit CurveTool(ToolContext& ctx) : ctx_(ctx), s_(ctx) {}

  void Start(ToolPurpose purpose) override;
  void Down(const ToolEvent& e) override;
  void Move(const ToolEvent& e) override;
  void Up(const ToolEvent& e) override;
  void Key(char32_t c) override;
  void Finish() override;

  CurveStep Step() const { return step_; }
  DrawSession& Session() { return s_; }
  double HandleDistance() const { return handleDist_; }

 private:
  void BeginCurve(const ToolEvent& e);
  void PressWaiting(const ToolEvent& e);
  void PressAfterStraight(const ToolEvent& e);
  void ReleaseHandle(const Coord& m);
  void Backspace();
  // Index of the point of the last segment a press takes, or -1.
  int HandleAt(const Coord& m);
  void CommitAndEnd();
  void DiscardAndEnd();
  void End();
  void Show(const Coord* mouse = nullptr);
  void SetCursor(const char* name);

  ToolContext& ctx_;
  DrawSession s_;
  CurveStep step_ = CurveStep::Idle;
  double handleDist_ = 0;  // coordinate words
  int dragIndex_ = -1;
  SnapHit snap_;
  std::string cursor_;
};

}  // namespace zelk
