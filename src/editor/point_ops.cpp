// Inserting, changing and removing points, the direction of area patterns, and the tool.
#include "editor/point_ops.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "editor/outline.h"
#include "storage/symbol_records.h"

namespace zelk {

namespace {

bool IsFirst(const Coord& c) {
  return (c.x & kFirstCurvePoint) != 0;
}
bool IsSecond(const Coord& c) {
  return (c.x & kSecondCurvePoint) != 0;
}
bool IsSingle(const Coord& c) {
  return (c.x & kSingleCurvePoint) != 0;
}

bool FitsWithText(const ObjectRecord& obj) {
  return obj.PointCount() + std::max<int>(obj.textUnits, 0) <= kMaxPoints;
}

// A handle from `anchor` in the direction of `handle` (or of `toward` when the handle lies on
// its anchor) at `length` words; flags of the handle are kept.
Coord HandleAt(const Coord& anchor, const Coord& handle, const Coord& toward, double length) {
  double dx = PosWord(handle.x) - double(PosWord(anchor.x));
  double dy = PosWord(handle.y) - double(PosWord(anchor.y));
  double d = std::hypot(dx, dy);
  if (d < 1) {
    dx = PosWord(toward.x) - double(PosWord(anchor.x));
    dy = PosWord(toward.y) - double(PosWord(anchor.y));
    d = std::hypot(dx, dy);
  }
  if (d < 1) return {WithFlags(anchor.x, handle.x), WithFlags(anchor.y, handle.y)};
  return {WithFlags(RoundToPosition(PosWord(anchor.x) + dx / d * length), FlagByte(handle.x)),
          WithFlags(RoundToPosition(PosWord(anchor.y) + dy / d * length), FlagByte(handle.y))};
}

}  // namespace

PointEdit InsertOrChangePoint(ObjectRecord& obj, Coord at, int32_t tolerance, bool corner) {
  if (obj.type != ObjectType::Line && obj.type != ObjectType::Area) return PointEdit::Refused;
  const int hit = NearestPoint(obj, at, tolerance, true);
  if (hit >= 0) {
    Coord& c = obj.coords[static_cast<size_t>(hit)];
    const int32_t y = corner ? (c.y | kCornerPoint) : (c.y & ~kCornerPoint);
    if (y == c.y) return PointEdit::Refused;
    c.y = y;
    return PointEdit::Changed;
  }
  const OutlinePlace place = NearestPlace(obj, at);
  if (!place.found || place.distance > tolerance) return PointEdit::Refused;
  ObjectRecord grown = obj;
  if (InsertAt(grown, Segments(obj), place, corner) < 0 || !FitsWithText(grown))
    return PointEdit::Refused;
  obj = std::move(grown);
  return PointEdit::Grown;
}

bool CanRemovePoints(const ObjectRecord& obj) {
  const int n = obj.PointCount();
  if (obj.type == ObjectType::Area) return n >= 4;
  if (obj.type != ObjectType::Line || n < 3) return false;
  return !(n == 4 && IsFirst(obj.coords[1]) && IsSecond(obj.coords[2]));
}

bool RemovePointAt(ObjectRecord& obj, Coord at, int32_t tolerance) {
  if (!CanRemovePoints(obj)) return false;
  int i = NearestPoint(obj, at, tolerance);
  if (i < 0) return false;
  const std::vector<Coord>& c = obj.coords;
  const int n = obj.PointCount();
  if (IsControlPoint(c[static_cast<size_t>(i)])) {
    int anchor = -1;
    if (IsFirst(c[static_cast<size_t>(i)]))
      anchor = i - 1;
    else if (IsSecond(c[static_cast<size_t>(i)]))
      anchor = i + 1;
    else
      anchor = i - 1;  // a single control point belongs to the segment from the point before
    if (anchor < 0 || anchor >= n || IsControlPoint(c[static_cast<size_t>(anchor)])) return false;
    const Coord& a = c[static_cast<size_t>(anchor)];
    if (std::llabs(int64_t{PosWord(a.x)} - PosWord(at.x)) > tolerance ||
        std::llabs(int64_t{PosWord(a.y)} - PosWord(at.y)) > tolerance)
      return false;
    i = anchor;
  }
  return RemoveAnchor(obj, i);
}

bool RemoveAnchor(ObjectRecord& obj, int k) {
  const int n = obj.PointCount();
  if (!CanRemovePoints(obj) || k < 0 || k >= n) return false;
  std::vector<Coord>& c = obj.coords;
  if (IsControlPoint(c[static_cast<size_t>(k)])) return false;
  // The ring that holds the anchor.
  int first = 0, last = n;
  for (auto [a, b] : Rings(obj))
    if (k >= a && k < b) first = a, last = b;
  const auto at = [&](int i) -> Coord& { return c[static_cast<size_t>(i)]; };
  const bool curveBefore = k - 3 >= first && IsSecond(at(k - 1)) && IsFirst(at(k - 2));
  const bool curveAfter = k + 3 < last && IsFirst(at(k + 1)) && IsSecond(at(k + 2));
  const bool holeStart = k > 0 && (at(k).y & kHoleStart);
  ObjectRecord before = obj;
  int from = k, to = k + 1;  // the points removed: [from, to)
  if (curveBefore && curveAfter) {
    // The two segments become one whose handles keep their directions.
    const Coord p = at(k - 3), q = at(k + 3);
    const double chord = Distance(PosOnly(p), PosOnly(q)) * 0.4;
    at(k - 2) = HandleAt(p, at(k - 2), q, chord);
    at(k + 2) = HandleAt(q, at(k + 2), p, chord);
    from = k - 1;
    to = k + 2;
  } else if (curveBefore) {
    // The curve before loses its end: its first handle would be left alone, so it goes too
    // and the segment becomes straight.
    from = k - 2;
  } else if (curveAfter) {
    to = k + 3;
  } else {
    if (k - 1 >= first && IsSingle(at(k - 1))) from = k - 1;
    if (k + 1 < last && IsSingle(at(k + 1))) to = k + 2;
  }
  c.erase(c.begin() + from, c.begin() + to);
  if (holeStart) {
    // The next anchor of the hole becomes its first point.
    const int end = last - (to - from);
    for (int i = from; i < end; ++i) {
      if (!IsControlPoint(at(i))) {
        at(i).y |= kHoleStart;
        break;
      }
    }
  }
  TidyPoints(obj);
  const int minimum = obj.type == ObjectType::Area ? 3 : 2;
  if (obj.PointCount() < minimum) {
    obj = std::move(before);
    return false;
  }
  return true;
}

void TidyPoints(ObjectRecord& obj) {
  std::vector<Coord> out;
  out.reserve(obj.coords.size());
  const std::vector<Coord>& c = obj.coords;
  bool firstRing = true;
  for (auto [a, b] : Rings(obj)) {
    const size_t ringStart = out.size();
    bool haveAnchor = false;
    for (int i = a; i < b; ++i) {
      const Coord& p = c[static_cast<size_t>(i)];
      if (!IsControlPoint(p)) {
        Coord q = p;
        q.y &= ~kHoleStart;
        out.push_back(q);
        haveAnchor = true;
      } else if (IsFirst(p) && haveAnchor && i + 2 < b && IsSecond(c[static_cast<size_t>(i + 1)]) &&
                 !IsControlPoint(c[static_cast<size_t>(i + 2)])) {
        out.push_back(p);
        out.push_back(c[static_cast<size_t>(i + 1)]);
        ++i;
      } else if (IsSingle(p) && haveAnchor && i + 1 < b &&
                 !IsControlPoint(c[static_cast<size_t>(i + 1)])) {
        out.push_back(p);
      }
      // Anything else is a control point without its segment: dropped.
    }
    if (out.size() == ringStart) continue;
    if (!firstRing && out.size() - ringStart < 2) {
      out.resize(ringStart);  // a hole of one point
      continue;
    }
    if (!firstRing) out[ringStart].y |= kHoleStart;
    firstRing = false;
  }
  if (!out.empty()) out[0].y &= ~kHoleStart;
  obj.coords = std::move(out);
}

int DirectionTenths(Coord from, Coord to) {
  const double dx = PosWord(to.x) - double(PosWord(from.x));
  const double dy = PosWord(to.y) - double(PosWord(from.y));
  if (dx == 0 && dy == 0) return -1;
  const double tenths = std::atan2(dy, dx) * 1800.0 / std::numbers::pi;
  return NormalAngle(std::llround(tenths));
}

int16_t NormalAngle(int64_t tenths) {
  int64_t a = tenths % 3600;
  if (a < 0) a += 3600;
  return static_cast<int16_t>(a);
}

bool SetPatternDirection(ObjectRecord& obj, const SymbolRecord& symbol, int direction) {
  if (direction < 0) return false;
  switch (obj.type) {
    case ObjectType::Point:
    case ObjectType::Text:
      obj.angle = NormalAngle(direction);
      return true;
    case ObjectType::Area: {
      if (symbol.Type() != SymbolType::Area) return false;
      const auto area = AreaSymbol::Decode(symbol);
      if (!area) return false;
      if (area->HatchMode > 0) {
        obj.angle = NormalAngle(int64_t{direction} - area->HatchAngle1);
        return true;
      }
      if (area->StructMode > 0) {
        obj.angle = NormalAngle(int64_t{direction} - area->StructAngle);
        return true;
      }
      return false;
    }
    default:
      return false;
  }
}

bool ApplyPointOperation(Selection& sel, PointOperation op, Coord at) {
  if (!sel.Refresh()) return false;
  const ObjectRecord before = sel.State().ObjectBuffer;
  ObjectRecord obj = before;
  bool changed = false;
  switch (op) {
    case PointOperation::Normal:
    case PointOperation::Corner:
      changed = InsertOrChangePoint(obj, at, sel.Tolerance(), op == PointOperation::Corner) !=
                PointEdit::Refused;
      break;
    case PointOperation::Remove:
      changed = RemovePointAt(obj, at, sel.Tolerance());
      break;
    default:
      break;
  }
  return changed && sel.Commit(obj, before);
}

// --- The tool ----------------------------------------------------------------------------------

void PointOpTool::Start(ToolPurpose) {
  EditorState& s = sel_->State();
  switch (s.ToolMode) {
    case Mode::NormalPoint:
      op_ = PointOperation::Normal;
      break;
    case Mode::CornerPoint:
      op_ = PointOperation::Corner;
      break;
    case Mode::RemovePoint:
      op_ = PointOperation::Remove;
      break;
    default:
      op_ = PointOperation::Direction;
      break;
  }
  static const char* const kCursors[] = {"", "NormalPoint", "CornerPoint", "RemovePoint",
                                         "RotatePattern"};
  static const char* const kPrompts[] = {"", "Mark point to insert/change",
                                         "Mark point to insert/change", "Mark point to remove",
                                         "Indicate direction"};
  s.InteractionState = Interaction::PointOperation;
  s.HelpContext = help::kEditPoint;
  dragging_ = false;
  ToolView& v = sel_->Context().view;
  v.SetCursorShape(kCursors[static_cast<int>(op_)]);
  v.SetPrompt(kPrompts[static_cast<int>(op_)]);
  sel_->Refresh();
  v.RepaintMarks();
}

void PointOpTool::Down(const ToolEvent& e) {
  if (!sel_->MapUsable()) return;
  if (op_ == PointOperation::Direction) {
    dragging_ = sel_->Refresh();
    press_ = e.map;
    return;
  }
  ApplyPointOperation(*sel_, op_, e.map);
}

void PointOpTool::Move(const ToolEvent& e) {
  if (!dragging_) return;
  sel_->Context().view.SetRubberBand({RubberShape{RubberShape::Kind::Polyline, {press_, e.map}}});
}

void PointOpTool::Up(const ToolEvent& e) {
  if (!dragging_) return;
  dragging_ = false;
  sel_->Context().view.SetRubberBand({});
  if (!sel_->Refresh()) return;
  const ObjectRecord before = sel_->State().ObjectBuffer;
  ObjectRecord obj = before;
  const SymbolRecord& symbol = sel_->Store().SymbolFor(obj.symbol);
  if (SetPatternDirection(obj, symbol, DirectionTenths(press_, e.map)) && !(obj == before))
    sel_->Commit(obj, before);
}

void PointOpTool::Key(char32_t c) {
  if (c == 27 && dragging_) {
    dragging_ = false;
    sel_->Context().view.SetRubberBand({});
  }
}

void PointOpTool::Finish() {
  EditorState& s = sel_->State();
  if (s.InteractionState != Interaction::PointOperation) return;
  dragging_ = false;
  ToolView& v = sel_->Context().view;
  v.SetRubberBand({});
  v.SetPrompt("");
  v.SetCursorShape("");
  sel_->FlushDelayed();
  s.InteractionState = Interaction::Idle;
}

}  // namespace zelk
