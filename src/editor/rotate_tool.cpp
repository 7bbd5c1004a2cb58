// Rotating the selected object about a marked centre.
#include "editor/rotate_tool.h"

#include <cmath>

#include "editor/edit_tool.h"
#include "editor/point_ops.h"

namespace zelk {

namespace {

constexpr int kMarkArm = 5;  // pixels

void TurnPoints(std::vector<Coord>& points, Coord centre, int tenths) {
  const double a = AngleToRadians(tenths);
  RotatePoints(centre.x, centre.y, points.data(), static_cast<int>(points.size()), std::cos(a),
               std::sin(a), points.data());
}

}  // namespace

ObjectRecord RotatedObject(const ObjectRecord& obj, Coord centre, int tenths) {
  ObjectRecord turned = obj;
  TurnPoints(turned.coords, PosOnly(centre), tenths);
  turned.angle = NormalAngle(int64_t{obj.angle} + tenths);
  return turned;
}

void RotateTool::Start(ToolPurpose) {
  sel_->State().InteractionState = Interaction::Rotate;
  sel_->State().HelpContext = help::kEditObject;
  MarkCentreAgain();
}

void RotateTool::MarkCentreAgain() {
  step_ = RotateStep::MarkCentre;
  ToolView& v = sel_->Context().view;
  v.SetRubberBand({});
  v.SetPrompt("Mark center of rotation");
  v.SetCursorShape("Anchor");
}

std::vector<RubberShape> RotateTool::CentreMark() const {
  const ToolView& v = sel_->Context().view;
  const PixelPos p = v.MapToDevice(centre_);
  const auto at = [&](int dx, int dy) { return v.DeviceToMap({p.x + dx, p.y + dy}); };
  return {RubberShape{RubberShape::Kind::Polyline, {at(-kMarkArm, 0), at(kMarkArm, 0)}, true},
          RubberShape{RubberShape::Kind::Polyline, {at(0, -kMarkArm), at(0, kMarkArm)}, true}};
}

int RotateTool::Turn(Coord at) const {
  const int now = DirectionTenths(centre_, at);
  if (now < 0) return 0;
  return NormalAngle(int64_t{now} - startAngle_);
}

void RotateTool::Down(const ToolEvent& e) {
  if (!sel_->MapUsable()) return;
  switch (step_) {
    case RotateStep::MarkCentre:
      centre_ = PosOnly(e.map);
      centrePixel_ = e.pixel;
      step_ = RotateStep::CentrePressed;
      sel_->Context().view.SetRubberBand(CentreMark());
      break;
    case RotateStep::WaitDrag: {
      const int angle = DirectionTenths(centre_, e.map);
      // A press on the centre itself gives no direction to turn from.
      if (angle < 0 || !sel_->Refresh()) return;
      startAngle_ = angle;
      original_ = sel_->State().ObjectBuffer;
      IndexEntry entry;
      Box box;
      if (sel_->Store().ReadEntry(sel_->State().SelectedObject, &entry)) box = entry.box;
      outline_ = RubberOutline(original_, box);
      last_ = PosOnly(e.map);
      step_ = RotateStep::Dragging;
      break;
    }
    default:
      break;  // a second press without a release
  }
}

void RotateTool::Show(int tenths) {
  std::vector<RubberShape> shapes = CentreMark();
  for (std::vector<Coord> line : outline_) {
    TurnPoints(line, centre_, tenths);
    shapes.push_back({RubberShape::Kind::Polyline, std::move(line)});
  }
  sel_->Context().view.SetRubberBand(std::move(shapes));
}

void RotateTool::Move(const ToolEvent& e) {
  if (step_ != RotateStep::Dragging) return;
  if (!sel_->MapUsable()) {
    MarkCentreAgain();
    return;
  }
  last_ = PosOnly(e.map);
  Show(Turn(last_));
}

void RotateTool::Up(const ToolEvent& e) {
  if (!sel_->MapUsable()) {
    MarkCentreAgain();
    return;
  }
  if (step_ == RotateStep::CentrePressed) {
    step_ = RotateStep::WaitDrag;
    ToolView& v = sel_->Context().view;
    v.SetPrompt("Rotate object");
    v.SetCursorShape("Rotate");
    return;
  }
  if (step_ == RotateStep::Dragging) Release(PosOnly(e.map));
}

void RotateTool::Release(Coord at) {
  const int tenths = Turn(at);
  MarkCentreAgain();
  if (tenths == 0) return;
  ObjectRecord turned = RotatedObject(original_, centre_, tenths);
  sel_->Commit(turned, original_);
}

void RotateTool::Finish() {
  EditorState& s = sel_->State();
  if (s.InteractionState != Interaction::Rotate) return;
  if (step_ == RotateStep::Dragging && sel_->MapUsable()) Release(last_);
  ToolView& v = sel_->Context().view;
  v.SetRubberBand({});
  v.SetPrompt("");
  v.SetCursorShape("");
  sel_->FlushDelayed();
  step_ = RotateStep::MarkCentre;
  s.InteractionState = Interaction::Idle;
}

}  // namespace zelk
