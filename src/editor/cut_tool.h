// Cut mode. On a selected line (interaction state 13) a click cuts the line in two at the
// point, and a drag along it cuts the stretch between press and release out as a gap. Across a
// selected area a cut line drawn from border to border divides it in two.
#pragma once

#include <memory>
#include <optional>
#include <vector>

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

// An area divided by a cut line from its outer ring back to its outer ring. The first part
// (the cut line, then the ring onward from the cut line's end round to its start) replaces the
// area; the second (the cut line, then the ring backwards from the end to the start) is new.
// Each hole goes with the part that contains it.
struct AreaCut {
  enum class Status { Cut, NotOnBorder, TooManyPoints } status = Status::NotOnBorder;
  ObjectRecord first, second;
};
AreaCut CutArea(const ObjectRecord& area, const std::vector<Coord>& cutLine, int32_t tolerance);
// The point lies within `tolerance` of the area's outer ring.
bool OnOuterRing(const ObjectRecord& area, Coord p, int32_t tolerance);

// Stores the two parts of a cut of the selected object in one undo step: the first in place of
// `before` (deleted when empty), the second as a new object. The second is selected when it
// exists, otherwise the first.
void StoreCutParts(Selection& sel, const ObjectRecord& before, ObjectRecord& first,
                   ObjectRecord& second);

// Hands the cut lines the drawing tools draw across a selected area (their purpose 1) to the
// area cut, with its messages.
void InstallAreaCut(ToolContext& ctx, std::shared_ptr<Selection> sel);

class LineCutTool : public Tool {
 public:
  explicit LineCutTool(std::shared_ptr<Selection> sel) : sel_(std::move(sel)) {}
  void Start(ToolPurpose purpose) override;
  void Down(const ToolEvent& e) override;
  void Move(const ToolEvent& e) override;
  void Up(const ToolEvent& e) override;
  void Finish() override;

 private:
  std::shared_ptr<Selection> sel_;
  bool pressed_ = false;
  Coord pressMap_;
  PixelPos pressPixel_;
};

}  // namespace zelk
