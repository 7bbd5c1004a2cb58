#include "editor/cut_tool.h"

#include <cstdlib>
#include <utility>

#include "editor/draw_support.h"
#include "editor/point_ops.h"

namespace zelk {

namespace {

// The index of the anchor nearest `at` (flags cleared), or -1.
int NearestAnchor(const ObjectRecord& obj, Coord at) {
  int best = -1;
  double bestDist = 0;
  for (int i = 0; i < obj.PointCount(); ++i) {
    const Coord& c = obj.coords[static_cast<size_t>(i)];
    if (IsControl(c)) continue;
    const double d = Dist(c, at);
    if (best < 0 || d < bestDist) best = i, bestDist = d;
  }
  return best;
}

// An anchor at `at`: the one there, or one inserted on the outline.
bool AnchorAt(ObjectRecord& obj, Coord at, int32_t tolerance) {
  const int near = NearestAnchor(obj, at);
  if (near >= 0 && Near(obj.coords[static_cast<size_t>(near)], at, tolerance)) return true;
  return InsertOrChangePoint(obj, at, tolerance, false) != PointEdit::Refused;
}

}  // namespace

std::optional<CutParts> CutLine(const ObjectRecord& line, Coord a, Coord b, int32_t tolerance) {
  if (line.type != ObjectType::Line || line.PointCount() < 2) return std::nullopt;
  ObjectRecord work = line;
  // The points are inserted without the text's room counting twice: the text goes with one part.
  if (!AnchorAt(work, a, tolerance)) return std::nullopt;
  const Coord first = work.coords[static_cast<size_t>(NearestAnchor(work, a))];
  bool gap = !a.SamePlace(b);
  if (gap && !AnchorAt(work, b, tolerance)) gap = false;
  int i = NearestAnchor(work, first);
  int j = gap ? NearestAnchor(work, b) : i;
  // Dragged against the line's direction: the gap is the same stretch.
  if (j < i) std::swap(i, j);
  if (i < 0) return std::nullopt;
  CutParts parts;
  parts.first = work;
  parts.first.coords.assign(work.coords.begin(), work.coords.begin() + i + 1);
  parts.first.textUnits = 0;
  parts.first.textArea.clear();
  parts.second = work;
  parts.second.coords.assign(work.coords.begin() + j, work.coords.end());
  for (ObjectRecord* p : {&parts.first, &parts.second}) {
    // The cut ends are plain points: no stretch flags left dangling at the new last point.
    if (p->PointCount() < 2) {
      p->coords.clear();
      continue;
    }
    p->coords.back().x &= ~kNoLeftLine;
    p->coords.back().y &= ~kNoRightLine;
  }
  return parts;
}

void LineCutTool::Start(ToolPurpose) {
  pressed_ = false;
  sel_->State().InteractionState = Interaction::CutLine;
  ToolView& v = sel_->Context().view;
  v.SetCursorShape("Cut");
  v.SetPrompt("Mark cut point or gap");
}

void LineCutTool::Down(const ToolEvent& e) {
  if (!sel_->MapUsable() || !sel_->Refresh() || sel_->State().ObjectBuffer.type != ObjectType::Line)
    return;
  // The press must lie on the line.
  if (!Selection::NearOutline(sel_->State().ObjectBuffer, e.map, sel_->Tolerance())) return;
  pressed_ = true;
  pressMap_ = e.map;
  pressPixel_ = e.pixel;
}

void LineCutTool::Move(const ToolEvent& e) {
  if (!pressed_) return;
  sel_->Context().view.SetRubberBand(
      {RubberShape{RubberShape::Kind::Polyline, {pressMap_, e.map}}});
}

void LineCutTool::Up(const ToolEvent& e) {
  if (!pressed_) return;
  pressed_ = false;
  sel_->Context().view.SetRubberBand({});
  if (!sel_->Refresh()) return;
  const ObjectRecord before = sel_->State().ObjectBuffer;
  const bool click =
      std::abs(e.pixel.x - pressPixel_.x) <= 4 && std::abs(e.pixel.y - pressPixel_.y) <= 4;
  // A release off the line cuts at the press alone.
  const Coord end =
      click || !Selection::NearOutline(before, e.map, sel_->Tolerance()) ? pressMap_ : e.map;
  std::optional<CutParts> parts = CutLine(before, pressMap_, end, sel_->Tolerance());
  if (!parts) return;
  Store(before, *parts);
}

void LineCutTool::Store(const ObjectRecord& before, CutParts& parts) {
  ToolContext& ctx = sel_->Context();
  MapStore& store = ctx.store;
  int32_t n = sel_->State().SelectedObject;
  IndexEntry old;
  if (!store.ReadEntry(n, &old)) return;
  ctx.undo.BeginUndoStep(n, before);
  int32_t kept = 0, added = 0;
  if (parts.first.PointCount() >= 2) {
    // Shorter than the line and without its text: rewritten in place, keeping its number.
    if (!store.RewriteObject(n, parts.first) && !store.ReplaceObject(&n, parts.first)) return;
    kept = n;
  } else {
    store.DeleteObject(n);
  }
  if (parts.second.PointCount() >= 2 && store.AddObject(parts.second)) added = store.ObjectCount();
  ctx.undo.Committed();
  Box box = old.box;
  for (const int32_t m : {kept, added}) {
    IndexEntry e;
    if (m > 0 && store.ReadEntry(m, &e)) box.Unite(e.box);
  }
  ctx.view.RedrawBox(box);
  if (added > 0)
    sel_->Select(added);
  else if (kept > 0)
    sel_->Select(kept);
  else
    sel_->SelectNone();
}

void LineCutTool::Finish() {
  pressed_ = false;
  sel_->Context().view.SetRubberBand({});
  sel_->State().InteractionState = Interaction::Idle;
}

}  // namespace zelk
