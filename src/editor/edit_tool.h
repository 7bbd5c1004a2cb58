// Edit point and edit object (interaction state 10): selecting with a click or a rectangle, and
// moving points, whole objects, rectangle sides and corners, and groups of objects.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "editor/outline.h"
#include "editor/selection.h"
#include "editor/tool.h"

namespace zelk {

enum class EditStep : int32_t {
  None = 0,
  SelectRect = 1,  // a selection rectangle being dragged
  MovePoint = 2,
  MoveObject = 3,
  ResizeRect = 4,  // sides or a corner of a rectangle object
  MoveGroup = 5,   // a multiple selection
  Caret = 6,       // the caret of a text being typed, dragged to select
};

// The outline a rubber band shows for an object: the flattened rings of lines and areas, the
// frame of rectangles and text boxes, the box of points.
std::vector<std::vector<Coord>> RubberOutline(const ObjectRecord& obj, const Box& box);
// Polylines as dotted rubber bands, moved by (dx, dy) words.
std::vector<RubberShape> MovedShapes(const std::vector<std::vector<Coord>>& lines, int32_t dx,
                                     int32_t dy);

// The handle of a rectangle object at a point: 0..3 its corners, 4..7 the middles of the sides
// from corner k to corner k + 1; -1 for none.
int RectangleHandle(const ObjectRecord& obj, Coord p, int32_t tolerance);
// The sides a handle drags: bit 1 left, 2 bottom, 4 right, 8 top; a corner is its two sides.
int SidesOfHandle(int handle);

class EditTool : public Tool {
 public:
  // Group outlines shown while a group is dragged, at most; beyond, its extent is shown.
  static constexpr size_t kGroupOutlinePoints = 20000;

  explicit EditTool(std::shared_ptr<Selection> selection) : sel_(std::move(selection)) {}
  void Start(ToolPurpose purpose) override;
  void Down(const ToolEvent& e) override;
  void Move(const ToolEvent& e) override;
  void Up(const ToolEvent& e) override;
  void Key(char32_t c) override;
  void Finish() override;

  EditStep Step() const { return step_; }
  // The object as the running drag has made it.
  const ObjectRecord& Working() const { return working_; }

 private:
  bool EditingObjects() const;
  void BeginPointMove(int index);
  void BeginObjectMove();
  void BeginResize(int handle);
  void BeginGroupMove();
  void Drag(const ToolEvent& e);
  void DragPoint(Coord to);
  void DragRectangle(Coord to);
  void Release(const ToolEvent& e);
  void MoveGroup(int32_t dx, int32_t dy);
  void EndSelectRect(const ToolEvent& e);
  void Cancel();

  std::shared_ptr<Selection> sel_;
  EditStep step_ = EditStep::None;
  ToolEvent press_;
  ToolEvent last_;
  ObjectRecord original_;
  ObjectRecord working_;

  // Moving a point: the point, its anchor and the opposite handle kept in line.
  int point_ = -1;
  int anchor_ = -1;
  int opposite_ = -1;
  double handleLength_ = 0;  // remembered length of the opposite handle, in words
  int low_ = 0, high_ = 0;   // the points a move may change
  std::vector<OutlineSegment> affected_;

  // Moving an object or a group: the outlines at the press.
  std::vector<std::vector<Coord>> outline_;

  // Resizing a rectangle: centre, rotation and corners in its own frame.
  Coord centre_;
  double cos_ = 1, sin_ = 0;
  std::array<Coord, 4> frame_{};
  std::array<Coord, 4> dragged_{};
  int sides_ = 0;

  std::vector<int32_t> group_;
  Box groupExtent_;
};

}  // namespace zelk
