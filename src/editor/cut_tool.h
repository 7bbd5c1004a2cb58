// Cut mode on a selected line (interaction state 13): a click cuts the line in two at the
// point, a drag along it cuts the stretch between press and release out as a gap.
#pragma once

#include <memory>
#include <optional>

#include "editor/selection.h"
#include "editor/tool.h"

namespace zelk {

// The two parts of a line cut at the points nearest `a` and `b` (the same for a plain cut),
// inserted as anchors where needed. The first part keeps no text; the second carries the line's
// text. A part of fewer than two points is empty. Nothing when a point is not on the line
// within `tolerance` or the inserted points would pass 2000.
struct CutParts {
  ObjectRecord first, second;
};
std::optional<CutParts> CutLine(const ObjectRecord& line, Coord a, Coord b, int32_t tolerance);

class LineCutTool : public Tool {
 public:
  explicit LineCutTool(std::shared_ptr<Selection> sel) : sel_(std::move(sel)) {}
  void Start(ToolPurpose purpose) override;
  void Down(const ToolEvent& e) override;
  void Move(const ToolEvent& e) override;
  void Up(const ToolEvent& e) override;
  void Finish() override;

 private:
  // Stores the parts in one undo step and selects the second (else the first).
  void Store(const ObjectRecord& before, CutParts& parts);

  std::shared_ptr<Selection> sel_;
  bool pressed_ = false;
  Coord pressMap_;
  PixelPos pressPixel_;
};

}  // namespace zelk
