// Edit point and edit object: the press rules, the drags and their commits.
#include "editor/edit_tool.h"

#include <cmath>
#include <cstdlib>

#include "editor/point_ops.h"
#include "editor/text_tool.h"
#include "editor/undo_ring.h"
#include "geometry/box_ops.h"

namespace zelk {

namespace {

std::vector<Coord> BoxRing(const Box& b) {
  return {{b.left, b.bottom},
          {b.right, b.bottom},
          {b.right, b.top},
          {b.left, b.top},
          {b.left, b.bottom}};
}

std::vector<Coord> ClosedRing(const std::vector<Coord>& c, size_t first, size_t count) {
  std::vector<Coord> ring;
  for (size_t i = first; i < first + count && i < c.size(); ++i) ring.push_back(PosOnly(c[i]));
  if (!ring.empty()) ring.push_back(ring.front());
  return ring;
}

Coord Shifted(const Coord& c, int32_t dx, int32_t dy) {
  return {WithFlags(ClampCoord(int64_t{PosWord(c.x)} + dx), FlagByte(c.x)),
          WithFlags(ClampCoord(int64_t{PosWord(c.y)} + dy), FlagByte(c.y))};
}

// The centre of a rectangle object as its renderer takes it: each corner divided by 4 first.
Coord RectangleCentre(const ObjectRecord& obj) {
  int64_t x = 0, y = 0;
  for (int i = 0; i < 4; ++i) {
    x += PosWord(obj.coords[static_cast<size_t>(i)].x) / 4;
    y += PosWord(obj.coords[static_cast<size_t>(i)].y) / 4;
  }
  return {ClampCoord(x) & kPosMask, ClampCoord(y) & kPosMask};
}

}  // namespace

std::vector<std::vector<Coord>> RubberOutline(const ObjectRecord& obj, const Box& box) {
  switch (obj.type) {
    case ObjectType::Line:
    case ObjectType::Area:
      return OutlinePolylines(obj);
    case ObjectType::Rectangle:
      if (obj.PointCount() >= 4) return {ClosedRing(obj.coords, 0, 4)};
      break;
    case ObjectType::Text:
      if (obj.PointCount() >= 5) return {ClosedRing(obj.coords, 1, 4)};
      break;
    default:
      break;
  }
  return {BoxRing(box)};
}

std::vector<RubberShape> MovedShapes(const std::vector<std::vector<Coord>>& lines, int32_t dx,
                                     int32_t dy) {
  std::vector<RubberShape> shapes;
  shapes.reserve(lines.size());
  for (const std::vector<Coord>& line : lines) {
    RubberShape s;
    s.points.reserve(line.size());
    for (const Coord& c : line) s.points.push_back(Shifted(c, dx, dy));
    shapes.push_back(std::move(s));
  }
  return shapes;
}

int RectangleHandle(const ObjectRecord& obj, Coord p, int32_t tolerance) {
  if (obj.PointCount() < 4) return -1;
  int best = -1;
  int64_t bestD = int64_t{tolerance} + 1;
  for (int h = 0; h < 8; ++h) {
    Coord c;
    if (h < 4) {
      c = PosOnly(obj.coords[static_cast<size_t>(h)]);
    } else {
      const Coord a = PosOnly(obj.coords[static_cast<size_t>(h - 4)]);
      const Coord b = PosOnly(obj.coords[static_cast<size_t>((h - 3) % 4)]);
      c = PosOnly(MidPoint(a, b));
    }
    const int64_t d =
        std::max(std::llabs(int64_t{c.x} - PosWord(p.x)), std::llabs(int64_t{c.y} - PosWord(p.y)));
    if (d < bestD) {
      bestD = d;
      best = h;
    }
  }
  return best;
}

int SidesOfHandle(int handle) {
  static constexpr int kSides[8] = {3, 6, 12, 9, 2, 4, 8, 1};
  return handle >= 0 && handle < 8 ? kSides[handle] : 0;
}

bool EditTool::EditingObjects() const {
  return sel_->Context().state.ToolMode == Mode::EditObject;
}

void EditTool::Start(ToolPurpose) {
  EditorState& s = sel_->State();
  s.InteractionState = Interaction::Edit;
  step_ = EditStep::None;
  const bool objects = EditingObjects();
  s.HelpContext = objects ? help::kEditObject : help::kEditPoint;
  ToolView& v = sel_->Context().view;
  v.SetCursorShape(objects ? "EditObject" : "EditPoint");
  v.SetPrompt("");
  // The selection may have been deleted or changed by another step meanwhile.
  if (s.SelectedObject > 0) sel_->Refresh();
  v.RepaintMarks();
}

void EditTool::Down(const ToolEvent& e) {
  if (step_ != EditStep::None) Cancel();  // a press without the release of the one before
  if (!sel_->MapUsable()) return;
  press_ = last_ = e;
  EditorState& s = sel_->State();
  // A press into the text being typed places the caret; anywhere else typing ends.
  TextTyping* typing = sel_->Context().typing;
  if (typing && typing->Active()) {
    if (typing->InsideText(typing->Object(), e.map)) {
      typing->PlaceCaret(e.map, e.shift);
      step_ = EditStep::Caret;
      return;
    }
    typing->End();
  }
  const int32_t tol = sel_->Tolerance();
  const bool plain = !e.shift && !e.ctrl && !e.alt;
  const bool single = s.SelectedObject > 0 && sel_->Refresh();
  if (single && plain) {
    original_ = working_ = s.ObjectBuffer;
    const ObjectRecord& obj = original_;
    if (obj.type == ObjectType::Rectangle && obj.PointCount() >= 4) {
      const int handle = RectangleHandle(obj, e.map, tol);
      if (handle >= 0) {
        if (EditingObjects())
          BeginObjectMove();
        else
          BeginResize(handle);
        return;
      }
    } else {
      const int i = NearestPoint(obj, e.map, tol);
      if (i >= 0) {
        if (EditingObjects() || obj.type == ObjectType::Point || obj.type == ObjectType::Text ||
            obj.type == ObjectType::Rectangle)
          BeginObjectMove();
        else
          BeginPointMove(i);
        return;
      }
    }
    // Inside the text of a selected text object: typing starts there.
    if (typing && typing->Typable(s.SelectedObject) &&
        typing->InsideText(s.SelectedObject, e.map)) {
      if (typing->Begin(s.SelectedObject)) {
        typing->PlaceCaret(e.map, false);
        step_ = EditStep::Caret;
      }
      return;
    }
    // Close to the object: nothing, so that a slightly missed point does not drop it.
    if (Selection::NearOutline(obj, e.map, tol * 1.3)) return;
  }
  if (single && e.shift && e.ctrl && !e.alt) {
    ApplyPointOperation(*sel_, PointOperation::Normal, e.map);
    return;
  }
  if (single && e.ctrl && !e.shift && !e.alt) {
    ApplyPointOperation(*sel_, PointOperation::Remove, e.map);
    return;
  }
  if (s.MultipleSelection.Shown && s.MultipleCount() >= 2 && !e.shift &&
      sel_->Pick(e.map, true) > 0) {
    BeginGroupMove();
    return;
  }
  if (!e.shift) sel_->SelectNone();
  step_ = EditStep::SelectRect;
}

void EditTool::BeginPointMove(int index) {
  const std::vector<Coord>& c = original_.coords;
  const int n = original_.PointCount();
  const auto is = [&](int i, int32_t flag) {
    return i >= 0 && i < n && (c[static_cast<size_t>(i)].x & flag);
  };
  point_ = index;
  anchor_ = -1;
  opposite_ = -1;
  handleLength_ = 0;
  const Coord& p = c[static_cast<size_t>(index)];
  if (!IsControlPoint(p)) {
    low_ = is(index - 1, kSecondCurvePoint) ? index - 1 : index;
    high_ = is(index + 1, kFirstCurvePoint) ? index + 1 : index;
  } else {
    if (p.x & kFirstCurvePoint) {
      anchor_ = index - 1;
      if (is(index - 2, kSecondCurvePoint)) opposite_ = index - 2;
    } else if (p.x & kSecondCurvePoint) {
      anchor_ = index + 1;
      if (is(index + 2, kFirstCurvePoint)) opposite_ = index + 2;
    }
    // Only a smooth anchor keeps its handles in line.
    if (anchor_ < 0 || anchor_ >= n || IsControlPoint(c[static_cast<size_t>(anchor_)]) ||
        (c[static_cast<size_t>(anchor_)].y & kCornerPoint))
      opposite_ = -1;
    if (opposite_ >= 0)
      handleLength_ = Distance(PosOnly(c[static_cast<size_t>(anchor_)]),
                               PosOnly(c[static_cast<size_t>(opposite_)]));
    low_ = opposite_ >= 0 ? std::min(index, opposite_) : index;
    high_ = opposite_ >= 0 ? std::max(index, opposite_) : index;
  }
  affected_.clear();
  for (const OutlineSegment& s : Segments(original_)) {
    const int a = std::min(s.start, s.end), b = std::max(s.start, s.end);
    const bool touches =
        s.closing ? (s.start >= low_ && s.start <= high_) || (s.end >= low_ && s.end <= high_)
                  : a <= high_ && b >= low_;
    if (touches) affected_.push_back(s);
  }
  step_ = EditStep::MovePoint;
}

void EditTool::BeginObjectMove() {
  IndexEntry e;
  Box box;
  if (sel_->Store().ReadEntry(sel_->State().SelectedObject, &e)) box = e.box;
  outline_ = RubberOutline(original_, box);
  step_ = EditStep::MoveObject;
}

void EditTool::BeginResize(int handle) {
  const Coord centre = RectangleCentre(original_);
  centre_ = centre;
  const double a = AngleToRadians(original_.angle);
  cos_ = std::cos(a);
  sin_ = std::sin(a);
  RotatePointsBack(centre.x, centre.y, original_.coords.data(), 4, cos_, sin_, frame_.data());
  dragged_ = frame_;
  sides_ = SidesOfHandle(handle);
  step_ = EditStep::ResizeRect;
}

void EditTool::BeginGroupMove() {
  EditorState& s = sel_->State();
  MapStore& store = sel_->Store();
  group_ = s.MultipleSelection.Objects();
  outline_.clear();
  size_t points = 0;
  bool first = true;
  ObjectRecord obj;
  IndexEntry e;
  std::vector<int32_t> live;
  live.reserve(group_.size());
  for (int32_t n : group_) {
    if (n > store.ObjectCount() || !store.ReadEntry(n, &e) || !e.Live()) continue;
    live.push_back(n);
    if (first)
      groupExtent_ = e.box;
    else
      groupExtent_.Unite(e.box);
    first = false;
    if (points > kGroupOutlinePoints || !store.ReadObject(n, &obj)) continue;
    for (auto& line : RubberOutline(obj, e.box)) {
      points += line.size();
      outline_.push_back(std::move(line));
    }
  }
  group_ = std::move(live);
  if (group_.empty()) return;
  // Too many to show one by one: the group's extent stands for it.
  if (points > kGroupOutlinePoints) outline_ = {BoxRing(groupExtent_)};
  sel_->Context().view.SetCursorShape("MoveMulti");
  step_ = EditStep::MoveGroup;
}

void EditTool::Move(const ToolEvent& e) {
  if (step_ == EditStep::None) return;
  if (step_ == EditStep::Caret) {
    if (TextTyping* typing = sel_->Context().typing) typing->PlaceCaret(e.map, true);
    return;
  }
  if (!sel_->MapUsable()) {
    Cancel();
    return;
  }
  last_ = e;
  Drag(e);
}

void EditTool::Drag(const ToolEvent& e) {
  ToolView& v = sel_->Context().view;
  const int32_t dx = PosWord(e.map.x) - PosWord(press_.map.x);
  const int32_t dy = PosWord(e.map.y) - PosWord(press_.map.y);
  switch (step_) {
    case EditStep::SelectRect:
      v.SetRubberBand({RubberShape{RubberShape::Kind::Rectangle, {press_.map, e.map}}});
      break;
    case EditStep::MovePoint: {
      DragPoint(e.map);
      std::vector<RubberShape> shapes;
      for (const OutlineSegment& s : affected_) {
        RubberShape band;
        band.points.push_back(PosOnly(working_.coords[static_cast<size_t>(s.start)]));
        FlattenSegment(working_, s, &band.points);
        shapes.push_back(std::move(band));
        // The handles of a curve, from their anchors.
        if (s.kind == OutlineSegment::Kind::Cubic) {
          const auto at = [&](int i) { return PosOnly(working_.coords[static_cast<size_t>(i)]); };
          shapes.push_back({RubberShape::Kind::Polyline, {at(s.start), at(s.start + 1)}});
          shapes.push_back({RubberShape::Kind::Polyline, {at(s.end), at(s.start + 2)}});
        }
      }
      v.SetRubberBand(std::move(shapes));
      break;
    }
    case EditStep::MoveObject:
      working_ = original_;
      MoveObjectRecord(working_, dx, dy);
      v.SetRubberBand(MovedShapes(outline_, dx, dy));
      break;
    case EditStep::ResizeRect: {
      DragRectangle(e.map);
      v.SetRubberBand(
          {RubberShape{RubberShape::Kind::Polyline, ClosedRing(working_.coords, 0, 4)}});
      break;
    }
    case EditStep::MoveGroup:
      v.SetRubberBand(MovedShapes(outline_, dx, dy));
      break;
    case EditStep::None:
    case EditStep::Caret:
      break;
  }
}

void EditTool::DragPoint(Coord to) {
  std::vector<Coord>& w = working_.coords;
  const std::vector<Coord>& o = original_.coords;
  for (int i = low_; i <= high_; ++i) w[static_cast<size_t>(i)] = o[static_cast<size_t>(i)];
  const Coord p = o[static_cast<size_t>(point_)];
  const Coord moved = {WithFlags(to.x, p.x), WithFlags(to.y, p.y)};
  w[static_cast<size_t>(point_)] = moved;
  if (!IsControlPoint(p)) {
    // An anchor takes its handles along.
    const int32_t dx = PosWord(moved.x) - PosWord(p.x), dy = PosWord(moved.y) - PosWord(p.y);
    for (int i = low_; i <= high_; ++i)
      if (i != point_) w[static_cast<size_t>(i)] = Shifted(o[static_cast<size_t>(i)], dx, dy);
    return;
  }
  if (opposite_ < 0) return;
  // The opposite handle of a smooth anchor stays on the line through the anchor, on the other
  // side, at its remembered length. A handle dragged onto its anchor gives no direction: the
  // opposite handle then stays where it was.
  const Coord a = PosOnly(o[static_cast<size_t>(anchor_)]);
  const double vx = double(PosWord(a.x)) - PosWord(moved.x);
  const double vy = double(PosWord(a.y)) - PosWord(moved.y);
  const double len = std::hypot(vx, vy);
  if (len < 1) return;
  const Coord q = o[static_cast<size_t>(opposite_)];
  w[static_cast<size_t>(opposite_)] = {
      WithFlags(RoundToPosition(a.x + vx / len * handleLength_), q.x),
      WithFlags(RoundToPosition(a.y + vy / len * handleLength_), q.y)};
}

void EditTool::DragRectangle(Coord to) {
  Coord m;
  RotatePointsBack(centre_.x, centre_.y, &to, 1, cos_, sin_, &m);
  std::array<Coord, 4> f = frame_;
  const auto setX = [&](int i) {
    f[static_cast<size_t>(i)].x = WithFlags(m.x, f[static_cast<size_t>(i)].x);
  };
  const auto setY = [&](int i) {
    f[static_cast<size_t>(i)].y = WithFlags(m.y, f[static_cast<size_t>(i)].y);
  };
  if (sides_ & 1) setX(0), setX(3);
  if (sides_ & 4) setX(1), setX(2);
  if (sides_ & 2) setY(0), setY(1);
  if (sides_ & 8) setY(2), setY(3);
  dragged_ = f;
  RotatePoints(centre_.x, centre_.y, f.data(), 4, cos_, sin_, working_.coords.data());
}

void EditTool::Up(const ToolEvent& e) {
  if (step_ == EditStep::None) return;
  if (step_ == EditStep::Caret) {
    step_ = EditStep::None;
    return;
  }
  if (!sel_->MapUsable()) {
    Cancel();
    return;
  }
  last_ = e;
  Release(e);
}

void EditTool::Release(const ToolEvent& e) {
  const EditStep step = step_;
  if (step != EditStep::SelectRect) Drag(e);
  step_ = EditStep::None;
  ToolView& v = sel_->Context().view;
  v.SetRubberBand({});
  switch (step) {
    case EditStep::SelectRect:
      EndSelectRect(e);
      break;
    case EditStep::ResizeRect: {
      // A side dragged across the opposite one: the corners take their places again.
      std::array<Coord, 4> f = dragged_;
      const auto swapPlaces = [&](size_t a, size_t b) {
        const Coord pa = f[a], pb = f[b];
        f[a] = {WithFlags(pb.x, pa.x), WithFlags(pb.y, pa.y)};
        f[b] = {WithFlags(pa.x, pb.x), WithFlags(pa.y, pb.y)};
      };
      if (PosWord(f[1].x) < PosWord(f[0].x)) swapPlaces(0, 1), swapPlaces(2, 3);
      if (PosWord(f[3].y) < PosWord(f[0].y)) swapPlaces(0, 3), swapPlaces(1, 2);
      RotatePoints(centre_.x, centre_.y, f.data(), 4, cos_, sin_, working_.coords.data());
      [[fallthrough]];
    }
    case EditStep::MovePoint:
    case EditStep::MoveObject:
      if (!(working_ == original_)) sel_->Commit(working_, original_);
      break;
    case EditStep::MoveGroup:
      v.SetCursorShape(EditingObjects() ? "EditObject" : "EditPoint");
      MoveGroup(PosWord(e.map.x) - PosWord(press_.map.x), PosWord(e.map.y) - PosWord(press_.map.y));
      break;
    case EditStep::None:
    case EditStep::Caret:
      break;
  }
}

void EditTool::MoveGroup(int32_t dxWords, int32_t dyWords) {
  if ((dxWords == 0 && dyWords == 0) || group_.empty()) return;
  MapStore& store = sel_->Store();
  ToolContext& ctx = sel_->Context();
  EditorState& s = sel_->State();
  const int32_t dx = dxWords / kWordsPerUnit, dy = dyWords / kWordsPerUnit;
  ctx.undo.BeginUndoStep(0, s.ObjectBuffer);
  std::vector<int32_t> moved;
  moved.reserve(group_.size());
  {
    // One bulk record stands for all of them.
    UndoRing::Pause pause(ctx.undo);
    ObjectRecord obj;
    for (int32_t n : group_) {
      if (!store.ReadObject(n, &obj)) continue;
      MoveObjectRecord(obj, dx * kWordsPerUnit, dy * kWordsPerUnit);
      if (store.RewriteObject(n, obj)) moved.push_back(n);
    }
  }
  if (moved.empty()) return;
  ctx.undo.RecordBulk(UndoKind::BulkMoved, moved, groupExtent_, dx, dy);
  ctx.undo.Committed();
  const Box after = MoveBox(groupExtent_, dx * kWordsPerUnit, dy * kWordsPerUnit);
  ctx.view.RedrawBox(groupExtent_);
  ctx.view.RedrawBox(after);
  s.MultipleSelection.Extent = after;
  ctx.view.RepaintMarks();
}

void EditTool::EndSelectRect(const ToolEvent& e) {
  EditorState& s = sel_->State();
  // With Shift the object selected alone joins the marked ones.
  if (e.shift && s.SelectedObject > 0) s.MultipleSelection.Mark(s.SelectedObject);
  if (std::abs(e.pixel.x - press_.pixel.x) > 9) {
    sel_->MarkInRect(NormalizedBox({press_.map.x, press_.map.y, e.map.x, e.map.y}));
  } else {
    const int32_t n = sel_->Pick(press_.map);
    if (n > 0) s.MultipleSelection.Mark(n);
  }
  sel_->ShowMarked();
}

void EditTool::Key(char32_t c) {
  if (c == 27) {
    Cancel();  // Esc gives up the drag, and ends typing
    if (TextTyping* typing = sel_->Context().typing) typing->End();
    return;
  }
  // A key with a text object selected types into it.
  TextTyping* typing = sel_->Context().typing;
  if (!typing) return;
  if (!typing->Active()) {
    const int32_t n = sel_->State().SelectedObject;
    if (step_ != EditStep::None || n <= 0 || !typing->Typable(n) || !typing->Begin(n)) return;
  }
  typing->Key(c);
}

void EditTool::Cancel() {
  if (step_ == EditStep::MoveGroup)
    sel_->Context().view.SetCursorShape(EditingObjects() ? "EditObject" : "EditPoint");
  step_ = EditStep::None;
  sel_->Context().view.SetRubberBand({});
}

void EditTool::Finish() {
  EditorState& s = sel_->State();
  if (s.InteractionState != Interaction::Edit) return;
  if (TextTyping* typing = sel_->Context().typing) typing->End();
  if (step_ == EditStep::Caret) step_ = EditStep::None;
  // A drag under way is committed where the mouse was last; a selection rectangle is dropped.
  if (step_ != EditStep::None && step_ != EditStep::SelectRect && sel_->MapUsable()) Release(last_);
  Cancel();
  ToolView& v = sel_->Context().view;
  v.SetPrompt("");
  v.SetCursorShape("");
  sel_->FlushDelayed();
  s.InteractionState = Interaction::Idle;
}

}  // namespace zelk
