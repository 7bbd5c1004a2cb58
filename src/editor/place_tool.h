// Placing point objects (with the angle of a drag) and dragging rectangle objects.
#pragma once

#include "editor/draw_support.h"
#include "editor/tool.h"

namespace zelk {

// Interaction state 2, for point and rectangle symbols.
class PlaceTool : public Tool {
 public:
  // A drag longer than this many pixels in either direction turns a point object.
  static constexpr int kAngleDrag = 12;

  explicit PlaceTool(ToolContext& ctx) : ctx_(ctx) {}
  void Start(ToolPurpose purpose) override;
  void Down(const ToolEvent& e) override;
  void Move(const ToolEvent& e) override;
  void Up(const ToolEvent& e) override;
  void Finish() override;

  bool Pressed() const { return pressed_; }

 private:
  // The current symbol when it is a point or rectangle symbol.
  const SymbolRecord* Symbol() const;
  // A circle or dot element of an edited point symbol is placed.
  bool PlacesElement() const;
  void End();

  ToolContext& ctx_;
  bool pressed_ = false;
  bool rectangle_ = false;
  PixelPos pressPixel_;
  Coord pressMap_;
};

// The angle of a drag in tenths of a degree, 0 to 3599, counter-clockwise from the x axis.
int16_t DragAngle(const Coord& from, const Coord& to);

}  // namespace zelk
