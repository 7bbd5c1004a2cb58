#include "editor/cut_tool.h"

#include <cstdlib>
#include <utility>

#include "editor/draw_support.h"
#include "editor/outline.h"
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

// --- Areas -------------------------------------------------------------------------------------

namespace {

constexpr const char* kNotOnBorder = "Cut line must start and end at the border of the area";
constexpr int kHelpNotOnBorder = 72;
// A part of this many points (holes included) is refused.
constexpr int kPartLimit = 1998;

ObjectRecord OuterRing(const ObjectRecord& area) {
  ObjectRecord ring = area;
  ring.coords.resize(static_cast<size_t>(OuterRingEnd(area.coords)));
  ring.textUnits = 0;
  ring.textArea.clear();
  return ring;
}

// Moves a point onto another's place, keeping its own flags.
Coord Placed(Coord c, const Coord& at) {
  c.x = (c.x & kFlagMask) | (at.x & ~kFlagMask);
  c.y = (c.y & kFlagMask) | (at.y & ~kFlagMask);
  return c;
}

Coord WithStretchFlags(Coord c, const Coord& from) {
  c.x = (c.x & ~kNoLeftLine) | (from.x & kNoLeftLine);
  c.y = (c.y & ~kNoRightLine) | (from.y & kNoRightLine);
  return c;
}

}  // namespace

bool OnOuterRing(const ObjectRecord& area, Coord p, int32_t tolerance) {
  return area.type == ObjectType::Area && area.PointCount() >= 3 &&
         DistanceToOutline(OuterRing(area), p) <= tolerance;
}

AreaCut CutArea(const ObjectRecord& area, const std::vector<Coord>& cutLine, int32_t tolerance) {
  AreaCut out;
  if (area.type != ObjectType::Area || cutLine.size() < 2) return out;
  // The outer ring with an anchor where the cut line starts.
  ObjectRecord ring = OuterRing(area);
  if (ring.PointCount() < 3 || !OnOuterRing(area, cutLine.front(), tolerance) ||
      !AnchorAt(ring, cutLine.front(), tolerance))
    return out;
  int s = NearestAnchor(ring, cutLine.front());
  // Read as a cycle: a closing point on the first is the first.
  std::vector<Coord> cycle = ring.coords;
  if (cycle.size() >= 4 && !IsControl(cycle.back()) && cycle.back().SamePlace(cycle.front())) {
    cycle.pop_back();
    if (s == static_cast<int>(cycle.size())) s = 0;
  }
  // The ring turned to start at the cut line's start, closed on it again.
  ObjectRecord turned = ring;
  turned.coords.assign(cycle.begin() + s, cycle.end());
  turned.coords.insert(turned.coords.end(), cycle.begin(), cycle.begin() + s);
  for (Coord& c : turned.coords) c.y &= ~kHoleStart;
  Coord closing = turned.coords.front();
  closing.x &= ~(kNoLeftLine | kCurveFlags);
  closing.y &= ~(kNoRightLine | kCornerPoint);
  turned.coords.push_back(closing);
  // The cut line's end on the ring; a line ending where it began cuts nothing.
  if (!OnOuterRing(turned, cutLine.back(), tolerance) ||
      !AnchorAt(turned, cutLine.back(), tolerance))
    return out;
  const std::vector<Coord>& r = turned.coords;
  const int last = static_cast<int>(r.size()) - 1;
  const int e = NearestAnchor(turned, cutLine.back());
  if (e <= 0 || e >= last) return out;
  // The cut line, its ends on the ring's anchors and made corners.
  std::vector<Coord> cut = cutLine;
  for (Coord& c : cut) {
    c.y &= ~kHoleStart;
    c.x &= ~kNoLeftLine;
    c.y &= ~kNoRightLine;
  }
  cut.front() = Placed(cut.front(), r.front());
  cut.back() = Placed(cut.back(), r[static_cast<size_t>(e)]);
  cut.front().y |= kCornerPoint;
  cut.back().y |= kCornerPoint;
  out.first = area;
  out.first.coords = cut;
  out.first.coords.back() = WithStretchFlags(out.first.coords.back(), r[static_cast<size_t>(e)]);
  out.first.coords.insert(out.first.coords.end(), r.begin() + e + 1, r.end());
  // The stretch from the start to the cut line's end, walked backwards.
  std::vector<Coord> back(r.begin(), r.begin() + e + 1);
  ReverseLine(back);
  out.second = area;
  out.second.coords = cut;
  out.second.coords.back() = WithStretchFlags(out.second.coords.back(), back.front());
  out.second.coords.insert(out.second.coords.end(), back.begin() + 1, back.end());
  // The holes go with the part that holds them.
  const int outerEnd = OuterRingEnd(area.coords);
  const ObjectRecord firstRing = out.first;
  for (int h = outerEnd; h < area.PointCount();) {
    int next = h + 1;
    while (next < area.PointCount() && !(area.coords[static_cast<size_t>(next)].y & kHoleStart))
      ++next;
    const Coord probe = area.coords[static_cast<size_t>(h)];
    ObjectRecord& part = InsideRings(firstRing, probe) ? out.first : out.second;
    part.coords.insert(part.coords.end(), area.coords.begin() + h, area.coords.begin() + next);
    h = next;
  }
  if (out.first.PointCount() >= kPartLimit || out.second.PointCount() >= kPartLimit) {
    out.status = AreaCut::Status::TooManyPoints;
    return out;
  }
  out.status = AreaCut::Status::Cut;
  return out;
}

void StoreCutParts(Selection& sel, const ObjectRecord& before, ObjectRecord& first,
                   ObjectRecord& second) {
  ToolContext& ctx = sel.Context();
  MapStore& store = ctx.store;
  int32_t n = sel.State().SelectedObject;
  IndexEntry old;
  if (!store.ReadEntry(n, &old)) return;
  ctx.undo.BeginUndoStep(n, before);
  int32_t kept = 0, added = 0;
  if (first.PointCount() >= 2) {
    // In place when it fits, keeping its number; otherwise stored anew.
    if (!RewriteOrReplace(store, &n, first)) {
      ctx.undo.Committed();
      return;
    }
    kept = n;
  } else {
    store.DeleteObject(n);
  }
  if (second.PointCount() >= 2 && store.AddObject(second)) added = store.ObjectCount();
  ctx.undo.Committed();
  Box box = old.box;
  for (const int32_t m : {kept, added}) {
    IndexEntry e;
    if (m > 0 && store.ReadEntry(m, &e)) box.Unite(e.box);
  }
  ctx.view.RedrawBox(box);
  if (added > 0)
    sel.Select(added);
  else if (kept > 0)
    sel.Select(kept);
  else
    sel.SelectNone();
}

void InstallAreaCut(ToolContext& ctx, std::shared_ptr<Selection> sel) {
  auto refuse = [&ctx](const char* message, int help) {
    if (ctx.drawing.beep) ctx.drawing.beep();
    if (ctx.sink) ctx.sink->Error(message, help);
  };
  ctx.drawing.cutLineStarts = [&ctx, sel, refuse](const Coord& press) {
    if (!sel->MapUsable() || !sel->Refresh()) return false;
    if (OnOuterRing(ctx.state.ObjectBuffer, press, sel->Tolerance())) return true;
    refuse(kNotOnBorder, kHelpNotOnBorder);
    return false;
  };
  ctx.drawing.cutLineDrawn = [sel, refuse](const std::vector<Coord>& line) {
    if (!sel->MapUsable() || !sel->Refresh()) return;
    const ObjectRecord before = sel->State().ObjectBuffer;
    AreaCut cut = CutArea(before, line, sel->Tolerance());
    switch (cut.status) {
      case AreaCut::Status::NotOnBorder:
        refuse(kNotOnBorder, kHelpNotOnBorder);
        break;
      case AreaCut::Status::TooManyPoints:
        refuse("Maximum number of points reached.", kHelpMaxPoints);
        break;
      case AreaCut::Status::Cut:
        StoreCutParts(*sel, before, cut.first, cut.second);
        break;
    }
    // The area stays selected when nothing changed, redrawn without the cut line.
    if (cut.status != AreaCut::Status::Cut) sel->Select(sel->State().SelectedObject);
  };
}

// --- Lines -------------------------------------------------------------------------------------

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
  StoreCutParts(*sel_, before, parts->first, parts->second);
}

void LineCutTool::Finish() {
  pressed_ = false;
  sel_->Context().view.SetRubberBand({});
  sel_->State().InteractionState = Interaction::Idle;
}

}  // namespace zelk
