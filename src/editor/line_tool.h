// The straight line and freehand tool: rubber-band segments, freehand strokes with the button
// up, smoothing at the end.
#pragma once

#include <cstdint>
#include <optional>

#include "editor/draw_support.h"
#include "editor/tool.h"

namespace zelk {

// Values of `LineStep`.
enum class LineStep : int32_t {
  Idle = 0,
  Band = 1,          // button down, rubber band from the last point to the mouse
  SnapBand = 2,      // as 1 after a Ctrl snap
  Freehand = 3,      // freehand stroke running (button up)
  StraightWait = 4,  // straight, waiting for the next press
};

// Interaction state 3. Freehand in freehand mode (purpose 0) or when the last drawing mode was
// freehand (purposes 1 and 2); straight otherwise.
class LineTool : public Tool {
 public:
  explicit LineTool(ToolContext& ctx) : ctx_(ctx), s_(ctx) {}

  void Start(ToolPurpose purpose) override;
  void Down(const ToolEvent& e) override;
  void Move(const ToolEvent& e) override;
  void Up(const ToolEvent& e) override;
  // The next corner of a straight stretch; the first point starts the line.
  bool AddPoint(const Coord& at) override;
  void Finish() override;

  LineStep Step() const { return step_; }
  bool Straight() const { return straight_; }
  DrawSession& Session() { return s_; }

 private:
  // The end of the rubber band: the mouse, held horizontal or vertical with Alt when straight.
  Coord BandEnd(const ToolEvent& e);
  void StartBand(const ToolEvent& e, const std::optional<SnapHit>& hit);
  void CommitAndEnd();
  void DiscardAndEnd();
  void End();
  void Show(const Coord* bandEnd);

  ToolContext& ctx_;
  DrawSession s_;
  LineStep step_ = LineStep::Idle;
  bool straight_ = true;
  bool firstStroke_ = true;
  PixelPos press_;      // where the button went down
  PixelPos bandStart_;  // pixels of the rubber band's start
  PixelPos previous_;   // the mouse at the previous event
  Coord previousMap_;
  SnapHit snap_;
};

}  // namespace zelk
