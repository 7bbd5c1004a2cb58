// Picking, marking, and the storing and showing of edited objects.
#include "editor/selection.h"

#include <cstdio>
#include <cstdlib>

#include "editor/draw_support.h"
#include "editor/outline.h"
#include "geometry/box_ops.h"

namespace zelk {

namespace {

Box SquareAround(Coord at, int32_t d) {
  return {ClampCoord(int64_t{PosWord(at.x)} - d), ClampCoord(int64_t{PosWord(at.y)} - d),
          ClampCoord(int64_t{PosWord(at.x)} + d), ClampCoord(int64_t{PosWord(at.y)} + d)};
}

bool Near(Coord a, Coord b, int32_t d) {
  return std::llabs(int64_t{PosWord(a.x)} - PosWord(b.x)) <= d &&
         std::llabs(int64_t{PosWord(a.y)} - PosWord(b.y)) <= d;
}

// The first four points of a rectangle object as a closed ring.
ObjectRecord RectangleRing(const ObjectRecord& obj) {
  ObjectRecord ring;
  ring.type = ObjectType::Area;
  for (int i = 0; i < 4 && i < obj.PointCount(); ++i)
    ring.coords.push_back(PosOnly(obj.coords[static_cast<size_t>(i)]));
  return ring;
}

}  // namespace

bool Selection::Refresh() {
  EditorState& s = ctx_.state;
  if (s.SelectedObject <= 0) return false;
  IndexEntry e;
  if (!MapUsable() || s.SelectedObject > ctx_.store.ObjectCount() ||
      !ctx_.store.ReadEntry(s.SelectedObject, &e) || !e.Live() ||
      !ctx_.store.ReadObject(s.SelectedObject, &s.ObjectBuffer) ||
      s.ObjectBuffer.PointCount() == 0) {
    SelectNone();
    return false;
  }
  return true;
}

void Selection::Select(int32_t n) {
  EditorState& s = ctx_.state;
  if (n != s.SelectedObject) FlushDelayed();
  s.ClearMultipleSelection();
  s.SelectedObject = n;
  if (!Refresh()) return;
  ctx_.view.SetRightStatus(Details(s.ObjectBuffer));
  ctx_.view.RepaintMarks();
}

void Selection::SelectNone() {
  EditorState& s = ctx_.state;
  const bool had = s.SelectedObject != 0 || s.MultipleCount() != 0;
  s.SelectedObject = 0;
  s.ClearMultipleSelection();
  if (had) ctx_.view.RepaintMarks();
}

std::string Selection::Details(const ObjectRecord& obj) const {
  const SymbolRecord& sym = ctx_.store.SymbolFor(obj.symbol);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%d.%d ", obj.symbol / 10, std::abs(obj.symbol % 10));
  return buf + sym.Description() + ", " + std::to_string(obj.PointCount()) +
         (obj.PointCount() == 1 ? " point" : " points");
}

bool Selection::Selectable(const IndexEntry& e) const {
  return e.Live() && ctx_.store.SymbolFor(e.symbol).Status() == kStatusNormal;
}

bool Selection::Hits(const ObjectRecord& obj, Coord p, int32_t tolerance) {
  const int n = obj.PointCount();
  if (n == 0) return false;
  switch (obj.type) {
    case ObjectType::Point:
      return Near(obj.coords[0], p, tolerance);
    case ObjectType::Line:
      return DistanceToOutline(obj, p) <= tolerance;
    case ObjectType::Area:
      return InsideRings(obj, p) || DistanceToOutline(obj, p) <= tolerance;
    case ObjectType::Text:
      // The points after the first are the corners of the text's box.
      return Near(obj.coords[0], p, tolerance) || (n >= 5 && InsidePolygon(obj.coords, 1, 5, p));
    case ObjectType::Rectangle: {
      if (n < 4) return Near(obj.coords[0], p, tolerance);
      const ObjectRecord ring = RectangleRing(obj);
      if (obj.textUnits >= 1 && InsideRings(ring, p)) return true;
      return DistanceToOutline(ring, p) <= tolerance;
    }
  }
  return false;
}

bool Selection::NearOutline(const ObjectRecord& obj, Coord p, double tolerance) {
  const int n = obj.PointCount();
  if (n == 0) return false;
  const int32_t whole = static_cast<int32_t>(tolerance);
  if (NearestPoint(obj, p, whole) >= 0) return true;
  switch (obj.type) {
    case ObjectType::Line:
    case ObjectType::Area:
      return DistanceToOutline(obj, p) <= tolerance;
    case ObjectType::Rectangle:
      return n >= 4 && DistanceToOutline(RectangleRing(obj), p) <= tolerance;
    case ObjectType::Text:
      if (n >= 5) {
        ObjectRecord box;
        box.type = ObjectType::Area;
        box.coords.assign(obj.coords.begin() + 1, obj.coords.begin() + 5);
        return DistanceToOutline(box, p) <= tolerance;
      }
      return false;
    default:
      return false;
  }
}

int32_t Selection::Pick(Coord at, bool markedOnly) {
  if (!MapUsable()) return 0;
  MapStore& store = ctx_.store;
  EditorState& s = ctx_.state;
  const int32_t count = store.ObjectCount();
  if (count <= 0) return 0;
  const int32_t tol = Tolerance();
  const Box rect = SquareAround(at, tol);
  const int32_t start = s.PickStart >= 1 && s.PickStart <= count ? s.PickStart : count;
  int32_t current = start;
  ObjectRecord obj;
  for (;;) {
    const SearchResult r = store.Search(rect, start, -1, &current);
    if (r.found && (!markedOnly || s.MultipleSelection.Has(current))) {
      IndexEntry e;
      if (store.ReadEntry(current, &e) && Selectable(e) && store.ReadObject(current, &obj) &&
          Hits(obj, at, tol)) {
        if (!markedOnly) s.PickStart = current;
        return current;
      }
    }
    if (r.done) break;
  }
  return 0;
}

bool Selection::InsideByMode(const ObjectRecord& obj, const Box& rect, int mode) {
  const std::vector<Coord>& c = obj.coords;
  if (mode == 0) {
    for (const Coord& p : c)
      if (!IsControlPoint(p) && PointInBox(rect, p)) return true;
    return false;
  }
  for (const Coord& p : c)
    if (!IsControlPoint(p) && !PointInBox(rect, p)) return false;
  for (const OutlineSegment& seg : Segments(obj)) {
    if (seg.kind != OutlineSegment::Kind::Cubic) continue;
    if (!PointInBox(rect, BezierMidpoint(&c[static_cast<size_t>(seg.start)]))) return false;
  }
  return !c.empty();
}

void Selection::MarkInRect(const Box& rect) {
  if (!MapUsable()) return;
  MapStore& store = ctx_.store;
  EditorState& s = ctx_.state;
  const int32_t count = store.ObjectCount();
  if (count <= 0) return;
  const int mode = ctx_.prefs.selectMode == 1 ? 1 : 0;
  int32_t current = count;
  ObjectRecord obj;
  for (;;) {
    const SearchResult r = store.Search(rect, count, -1, &current);
    if (r.found && !s.MultipleSelection.Has(current)) {
      IndexEntry e;
      if (store.ReadEntry(current, &e) && Selectable(e)) {
        // An object wholly inside needs no reading; the others are decided by their points.
        if (BoxContains(rect, e.box) ||
            (store.ReadObject(current, &obj) && InsideByMode(obj, rect, mode)))
          s.MultipleSelection.Mark(current);
      }
    }
    if (r.done) break;
  }
}

void Selection::ShowMarked() {
  EditorState& s = ctx_.state;
  MarkedObjects& marked = s.MultipleSelection;
  if (marked.Count() == 0) {
    SelectNone();
    return;
  }
  if (marked.Count() == 1) {
    Select(marked.Objects()[0]);
    return;
  }
  FlushDelayed();
  s.SelectedObject = 0;
  bool first = true;
  Box extent;
  IndexEntry e;
  for (int32_t n : marked.Objects()) {
    if (!ctx_.store.ReadEntry(n, &e)) continue;
    if (first)
      extent = e.box;
    else
      extent.Unite(e.box);
    first = false;
  }
  marked.Extent = extent;
  marked.Shown = true;
  ctx_.view.SetRightStatus(std::to_string(marked.Count()) + " objects selected");
  ctx_.view.RepaintMarks();
}

bool Selection::Commit(ObjectRecord& changed, const ObjectRecord& before) {
  EditorState& s = ctx_.state;
  MapStore& store = ctx_.store;
  int32_t n = s.SelectedObject;
  IndexEntry e;
  if (!MapUsable() || n <= 0 || n > store.ObjectCount() || !store.ReadEntry(n, &e) || !e.Live()) {
    SelectNone();  // gone meanwhile: nothing is left to change
    return false;
  }
  if (changed.PointCount() < 1 ||
      changed.PointCount() + std::max<int>(changed.textUnits, 0) > kMaxPoints)
    return false;
  ctx_.undo.BeginUndoStep(n, before);
  if (!RewriteOrReplace(store, &n, changed)) return false;
  s.SelectedObject = n;
  s.ObjectBuffer = changed;
  ctx_.undo.Committed();
  ShowChange(e.box, n, changed);
  ctx_.view.SetRightStatus(Details(changed));
  return true;
}

void Selection::ShowChange(const Box& oldBox, int32_t n, const ObjectRecord& obj) {
  Box box = oldBox;
  IndexEntry now;
  if (ctx_.store.ReadEntry(n, &now)) box.Unite(now.box);
  const bool delayed = (obj.type == ObjectType::Line && ctx_.prefs.lineUpdate) ||
                       (obj.type == ObjectType::Area && ctx_.prefs.areaUpdate);
  if (delayed) {
    if (delayedPending_)
      delayed_.Unite(box);
    else
      delayed_ = box;
    delayedPending_ = true;
  } else {
    ctx_.view.RedrawBox(box);
  }
  ctx_.view.DrawObjectNow(obj);
  ctx_.view.RepaintMarks();
}

void Selection::FlushDelayed() {
  if (!delayedPending_) return;
  delayedPending_ = false;
  if (MapUsable()) ctx_.view.RedrawBox(delayed_);
}

}  // namespace zelk
