// Rotate object (interaction state 11): a click marks the centre, a drag turns the selected
// object about it.
#pragma once

#include <memory>
#include <vector>

#include "editor/selection.h"
#include "editor/tool.h"

namespace zelk {

enum class RotateStep : int32_t { MarkCentre = 0, CentrePressed = 1, WaitDrag = 2, Dragging = 3 };

// The object turned about (cx, cy) by `tenths` of a degree: its points, and its angle by the same
// amount.
ObjectRecord RotatedObject(const ObjectRecord& obj, Coord centre, int tenths);

class RotateTool : public Tool {
 public:
  explicit RotateTool(std::shared_ptr<Selection> selection) : sel_(std::move(selection)) {}
  void Start(ToolPurpose purpose) override;
  void Down(const ToolEvent& e) override;
  void Move(const ToolEvent& e) override;
  void Up(const ToolEvent& e) override;
  void Finish() override;

  RotateStep Step() const { return step_; }
  const Coord& Centre() const { return centre_; }

 private:
  void MarkCentreAgain();
  int Turn(Coord at) const;
  void Show(int tenths);
  void Release(Coord at);
  std::vector<RubberShape> CentreMark() const;

  std::shared_ptr<Selection> sel_;
  RotateStep step_ = RotateStep::MarkCentre;
  Coord centre_;
  PixelPos centrePixel_;
  int startAngle_ = 0;  // tenths of a degree, from the centre to the press
  ObjectRecord original_;
  std::vector<std::vector<Coord>> outline_;
  Coord last_;
};

}  // namespace zelk
