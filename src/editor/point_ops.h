// The point operations on an object's points (insert or change a point, remove one, set the
// direction of area patterns) and the tool that runs them (interaction state 12).
#pragma once

#include <memory>

#include "editor/selection.h"
#include "editor/tool.h"

namespace zelk {

enum class PointOperation : int32_t { None = 0, Normal = 1, Corner = 2, Remove = 3, Direction = 4 };

// What an operation did to the object.
enum class PointEdit { Refused, Changed, Grown };

// Operation 1 or 2: an anchor within `tolerance` becomes a normal or a corner point; otherwise a
// point is inserted at the nearest place of the outline when that lies within `tolerance` (a
// curve is split so that its shape stays). Refused when the points and the text would pass 2000.
PointEdit InsertOrChangePoint(ObjectRecord& obj, Coord at, int32_t tolerance, bool corner);

// Operation 3 is allowed on lines of at least 3 points that are not a single curve segment and
// on areas of at least 4 points.
bool CanRemovePoints(const ObjectRecord& obj);
// Removes the anchor within `tolerance` of `at`; a control point hit takes its anchor when that
// is within `tolerance` too. False when nothing was removed.
bool RemovePointAt(ObjectRecord& obj, Coord at, int32_t tolerance);
// Removes anchor `index` with its control points. Between two curve segments the segments become
// one, whose handles keep their directions at 0.4 of the new chord; next to a single curve segment
// that segment becomes straight. A removed hole start passes to the next anchor of its hole.
bool RemoveAnchor(ObjectRecord& obj, int index);
// Drops control points that belong to no whole segment (at the start or end of the object or of
// a ring), holes left with a single point, and the hole flag of the first point.
void TidyPoints(ObjectRecord& obj);

// The direction from one point to another in tenths of a degree, 0..3599 (counter-clockwise from
// the x axis); -1 when the points coincide.
int DirectionTenths(Coord from, Coord to);
// An angle brought into 0..3599.
int16_t NormalAngle(int64_t tenths);
// Operation 4: the angle a drag direction gives the object with its symbol. False when the
// object's type or symbol takes no direction.
bool SetPatternDirection(ObjectRecord& obj, const SymbolRecord& symbol, int directionTenths);

// State 12: insert or change a point, remove a point, or set the direction of area patterns on
// the selected object.
class PointOpTool : public Tool {
 public:
  explicit PointOpTool(std::shared_ptr<Selection> selection) : sel_(std::move(selection)) {}
  void Start(ToolPurpose purpose) override;
  void Down(const ToolEvent& e) override;
  void Move(const ToolEvent& e) override;
  void Up(const ToolEvent& e) override;
  void Key(char32_t c) override;
  void Finish() override;

  PointOperation Operation() const { return op_; }
  bool Dragging() const { return dragging_; }

 private:
  std::shared_ptr<Selection> sel_;
  PointOperation op_ = PointOperation::None;
  bool dragging_ = false;
  Coord press_;
};

// Operations 1 to 3 on the selected object at a point, stored as one undo step. Shared with
// the edit tool's Shift+Ctrl and Ctrl clicks.
bool ApplyPointOperation(Selection& sel, PointOperation op, Coord at);

}  // namespace zelk
