// The curve tool's steps.
#include "editor/curve_tool.h"

#include <cmath>

#include "geometry/coord_math.h"

namespace zelk {

namespace {

constexpr char32_t kBackspace = 8;

// The point at `dist` from `anchor` towards `towards`, with the flags of `keep`; `keep` itself
// when the direction is undefined (a handle lying on its anchor).
Coord Along(const Coord& anchor, const Coord& towards, double dist, const Coord& keep) {
  const double dx = (towards.x & kPosMask) - double(anchor.x & kPosMask);
  const double dy = (towards.y & kPosMask) - double(anchor.y & kPosMask);
  const double len = std::hypot(dx, dy);
  if (len < 1) return keep;
  return {RoundToPosition((anchor.x & kPosMask) + dx / len * dist) | (keep.x & kFlagMask),
          RoundToPosition((anchor.y & kPosMask) + dy / len * dist) | (keep.y & kFlagMask)};
}

// The opposite handle of a smooth anchor: on the other side, in line with `towards`.
Coord Opposite(const Coord& anchor, const Coord& towards, double dist, const Coord& keep) {
  return Along(anchor, towards, -dist, keep);
}

}  // namespace

void CurveTool::Start(ToolPurpose purpose) {
  s_.Reset(purpose);
  step_ = CurveStep::Idle;
  dragIndex_ = -1;
  ctx_.state.InteractionState = Interaction::Curve;
  cursor_.clear();
  SetCursor("DrawCurve");
  ctx_.view.SetPrompt("New curve");
  ctx_.view.SetWorkHelpContext(help::kCurves);
}

void CurveTool::SetCursor(const char* name) {
  if (cursor_ == name) return;
  cursor_ = name;
  ctx_.state.CursorName = name;
  ctx_.view.SetCursorShape(name);
}

void CurveTool::Down(const ToolEvent& e) {
  if (!ctx_.state.MapOpen) return;
  switch (step_) {
    case CurveStep::Idle:
      BeginCurve(e);
      break;
    case CurveStep::Waiting:
      PressWaiting(e);
      break;
    case CurveStep::AfterStraight:
      PressAfterStraight(e);
      break;
    default:
      break;  // a second press while the button is held
  }
}

void CurveTool::BeginCurve(const ToolEvent& e) {
  if (!s_.Begin(e, true)) return;
  if (e.ctrl) {
    if (auto hit = s_.FindSnap(e.map)) {
      s_.AppendCorner(hit->pos);
      snap_ = *hit;
      step_ = CurveStep::StraightDrag;
      Show(&e.map);
      return;
    }
  }
  // A continued line begins at its last point, which gets the outgoing handle.
  if (!s_.ReusesFirstPoint()) s_.Append(At(e.map));
  s_.Append(At(e.map, kFirstCurvePoint));
  step_ = CurveStep::FirstDirection;
  ctx_.view.SetPrompt("Indicate direction");
  Show();
}

int CurveTool::HandleAt(const Coord& m) {
  std::vector<Coord>& p = s_.Pts();
  const int n = s_.Count();
  if (n - s_.Start() <= 4 || !IsFirstControl(p[static_cast<size_t>(n - 1)])) return -1;
  const int a0 = n - 5;
  if (IsControl(p[static_cast<size_t>(a0)]) || !IsFirstControl(p[static_cast<size_t>(a0 + 1)]) ||
      !IsSecondControl(p[static_cast<size_t>(a0 + 2)]) || IsCorner(p[static_cast<size_t>(a0 + 3)]))
    return -1;
  if (!s_.NearPick(p[static_cast<size_t>(a0 + 1)], m) &&
      !s_.NearPick(p[static_cast<size_t>(a0 + 2)], m))
    return -1;
  int taken = -1;
  for (int i = a0; i <= a0 + 3; ++i)
    if (s_.NearPick(p[static_cast<size_t>(i)], m)) taken = i;
  return taken;
}

void CurveTool::PressWaiting(const ToolEvent& e) {
  const int handle = HandleAt(e.map);
  if (handle >= 0) {
    dragIndex_ = handle;
    step_ = CurveStep::HandleDrag;
    Show(&e.map);
    return;
  }
  if (!s_.Room(3)) {
    s_.TooManyPoints();
    CommitAndEnd();
    return;
  }
  if (e.ctrl) {
    if (auto hit = s_.FindSnap(e.map)) {
      // The segment to the straight point keeps the outgoing handle and ends straight.
      s_.Append(At(hit->pos, kSecondCurvePoint));
      s_.Append(At(hit->pos, 0, kCornerPoint));
      snap_ = *hit;
      step_ = CurveStep::StraightDrag;
      Show(&e.map);
      return;
    }
  }
  std::vector<Coord>& p = s_.Pts();
  const int n = s_.Count();
  Coord& anchor = p[static_cast<size_t>(n - 2)];
  Coord& c1 = p[static_cast<size_t>(n - 1)];
  if (s_.NearPick(anchor, e.map)) {
    anchor.y |= kCornerPoint;
    c1 = At(e.map, kFirstCurvePoint);
    step_ = CurveStep::CornerDrag;
    ctx_.view.SetPrompt("Indicate direction");
    Show();
    return;
  }
  handleDist_ = 0.4 * Dist(anchor, e.map);
  if (ctx_.prefs.curveMode == 0) {
    // The outgoing handle keeps its direction and takes 0.4 times the chord.
    c1 = Along(anchor, c1, handleDist_, c1);
  }
  s_.Append(At(e.map, kSecondCurvePoint));
  s_.Append(At(e.map));
  s_.Append(At(e.map, kFirstCurvePoint));
  step_ = CurveStep::NewDirection;
  ctx_.view.SetPrompt("Indicate direction");
  Show();
}

void CurveTool::PressAfterStraight(const ToolEvent& e) {
  if (e.ctrl) {
    if (auto hit = s_.FindSnap(e.map)) {
      if (!s_.Room(1)) {
        s_.TooManyPoints();
        CommitAndEnd();
        return;
      }
      s_.AppendCorner(hit->pos);
      snap_ = *hit;
      step_ = CurveStep::StraightDrag;
      Show(&e.map);
      return;
    }
  }
  const bool onLast = s_.NearPick(s_.Last(), e.map);
  if (!s_.Room(onLast ? 1 : 2)) {
    s_.TooManyPoints();
    CommitAndEnd();
    return;
  }
  if (!onLast) s_.Append(At(e.map));
  s_.Append(At(e.map, kFirstCurvePoint));
  step_ = onLast ? CurveStep::CornerDrag : CurveStep::AnchorDrag;
  ctx_.view.SetPrompt("Indicate direction");
  Show();
}

void CurveTool::Move(const ToolEvent& e) {
  if (!ctx_.state.MapOpen || !s_.Active()) {
    if (step_ == CurveStep::Idle) SetCursor("DrawCurve");
    return;
  }
  std::vector<Coord>& p = s_.Pts();
  const int n = s_.Count();
  switch (step_) {
    case CurveStep::FirstDirection:
    case CurveStep::CornerDrag:
    case CurveStep::AnchorDrag:
      p[static_cast<size_t>(n - 1)] = At(e.map, kFirstCurvePoint);
      Show();
      break;
    case CurveStep::NewDirection: {
      p[static_cast<size_t>(n - 1)] = At(e.map, kFirstCurvePoint);
      const Coord& a = p[static_cast<size_t>(n - 2)];
      if (!s_.NearPick(a, e.map)) {
        if (ctx_.prefs.curveMode == 1) handleDist_ = Dist(a, e.map);
        Coord& c2 = p[static_cast<size_t>(n - 3)];
        c2 = Opposite(a, e.map, handleDist_, c2);
      }
      Show();
      break;
    }
    case CurveStep::Waiting:
    case CurveStep::AfterStraight:
      SetCursor(step_ == CurveStep::Waiting && HandleAt(e.map) >= 0 ? "EditPoint" : "DrawCurve");
      // A zoom in the middle of the curve took the band away; it comes back with the mouse.
      Show();
      break;
    case CurveStep::StraightDrag:
    case CurveStep::HandleDrag:
      Show(&e.map);
      break;
    case CurveStep::Idle:
      break;
  }
}

void CurveTool::Up(const ToolEvent& e) {
  if (!s_.Active()) return;
  if (!ctx_.state.MapOpen) {
    DiscardAndEnd();
    return;
  }
  std::vector<Coord>& p = s_.Pts();
  const int n = s_.Count();
  switch (step_) {
    case CurveStep::FirstDirection:
      // A click without a drag draws nothing.
      if (s_.NearPick(p[static_cast<size_t>(n - 2)], e.map)) {
        DiscardAndEnd();
        return;
      }
      step_ = CurveStep::Waiting;
      break;
    case CurveStep::NewDirection:
      if (s_.NearPick(p[static_cast<size_t>(n - 2)], e.map)) {
        // A click ends the curve at the last dragged anchor.
        p.resize(static_cast<size_t>(n - 4));
        CommitAndEnd();
        return;
      }
      step_ = CurveStep::Waiting;
      break;
    case CurveStep::CornerDrag:
    case CurveStep::AnchorDrag:
      if (s_.NearPick(p[static_cast<size_t>(n - 2)], e.map)) {
        CommitAndEnd();
        return;
      }
      step_ = CurveStep::Waiting;
      break;
    case CurveStep::StraightDrag:
      if (!s_.SnapRelease(snap_, e.map)) {
        CommitAndEnd();
        return;
      }
      step_ = CurveStep::AfterStraight;
      break;
    case CurveStep::HandleDrag:
      ReleaseHandle(e.map);
      step_ = CurveStep::Waiting;
      break;
    default:
      return;  // a release without its press
  }
  Show();
}

void CurveTool::ReleaseHandle(const Coord& m) {
  std::vector<Coord>& p = s_.Pts();
  const int n = s_.Count();
  if (dragIndex_ < s_.Start() || dragIndex_ >= n) return;
  Coord& moved = p[static_cast<size_t>(dragIndex_)];
  moved = At(m, moved.x & kFlagMask, moved.y & kFlagMask);
  const int a0 = n - 5, a1 = n - 2;
  if (dragIndex_ == a0 + 1) {
    // The incoming handle of a smooth anchor stays in line with the outgoing one.
    const Coord& anchor = p[static_cast<size_t>(a0)];
    if (!IsCorner(anchor) && a0 - 1 >= s_.Start() &&
        IsSecondControl(p[static_cast<size_t>(a0 - 1)])) {
      Coord& c2 = p[static_cast<size_t>(a0 - 1)];
      c2 = Opposite(anchor, moved, Dist(anchor, c2), c2);
    }
  } else if (dragIndex_ == a1 - 1) {
    const Coord& anchor = p[static_cast<size_t>(a1)];
    Coord& c1 = p[static_cast<size_t>(n - 1)];
    if (!IsCorner(anchor)) c1 = Opposite(anchor, moved, Dist(anchor, c1), c1);
  }
  dragIndex_ = -1;
}

void CurveTool::Key(char32_t c) {
  if (c != kBackspace || !s_.Active()) return;
  if (step_ == CurveStep::Waiting || step_ == CurveStep::AfterStraight) Backspace();
}

void CurveTool::Backspace() {
  std::vector<Coord>& p = s_.Pts();
  const int start = s_.Start();
  if (s_.Count() > start && IsFirstControl(s_.Last())) p.pop_back();
  if (s_.Count() - start <= 1) {
    DiscardAndEnd();
    return;
  }
  const int n = s_.Count();
  const bool bezier = n - start >= 4 && IsSecondControl(p[static_cast<size_t>(n - 2)]);
  if (bezier) {
    // The anchor before gets back the handle the removed segment left it with.
    const Coord c1 = p[static_cast<size_t>(n - 3)];
    p.resize(static_cast<size_t>(n - 3));
    p.push_back(c1);
    step_ = CurveStep::Waiting;
  } else {
    p.pop_back();
    const int m = s_.Count();
    if (m - start >= 2 && IsSecondControl(p[static_cast<size_t>(m - 2)])) {
      // An anchor reached by a curve waits with a handle: the mirror of the incoming one.
      Coord& a = p[static_cast<size_t>(m - 1)];
      const Coord& c2 = p[static_cast<size_t>(m - 2)];
      a.y &= ~kCornerPoint;
      const int64_t x = 2 * int64_t{a.x & kPosMask} - (c2.x & kPosMask);
      const int64_t y = 2 * int64_t{a.y & kPosMask} - (c2.y & kPosMask);
      p.push_back({PosWord(ClampCoord(x)) | kFirstCurvePoint, PosWord(ClampCoord(y))});
      step_ = CurveStep::Waiting;
    } else {
      step_ = CurveStep::AfterStraight;
    }
  }
  Show();
}

void CurveTool::CommitAndEnd() {
  if (s_.Active() && s_.Count() > s_.Start() && IsFirstControl(s_.Last())) s_.Pts().pop_back();
  s_.Commit(true);
  End();
}

void CurveTool::DiscardAndEnd() {
  s_.Discard();
  End();
}

void CurveTool::End() {
  step_ = CurveStep::Idle;
  dragIndex_ = -1;
  ctx_.view.SetRubberBand({});
  ctx_.view.SetPrompt("");
  ctx_.state.InteractionState = Interaction::Idle;
}

void CurveTool::Finish() {
  if (s_.Active()) {
    CommitAndEnd();
  } else {
    End();
  }
  cursor_.clear();
}

void CurveTool::Show(const Coord* mouse) {
  std::vector<RubberShape> extra;
  const std::vector<Coord>& p = s_.Pts();
  const int n = s_.Count();
  if (step_ == CurveStep::StraightDrag && mouse && n > 0) {
    extra.push_back({RubberShape::Kind::Polyline, {PosOnly(p.back()), *mouse}, false});
  } else if (step_ == CurveStep::HandleDrag && mouse && dragIndex_ >= 0 && dragIndex_ < n) {
    const int a0 = n - 5;
    const int from = dragIndex_ == a0       ? a0 + 1
                     : dragIndex_ == a0 + 1 ? a0
                     : dragIndex_ == a0 + 2 ? a0 + 3
                                            : a0 + 2;
    extra.push_back(
        {RubberShape::Kind::Polyline, {PosOnly(p[static_cast<size_t>(from)]), *mouse}, false});
  } else if (n - s_.Start() >= 2 && IsFirstControl(p.back())) {
    // The handles of the anchor being shaped.
    const Coord& a = p[static_cast<size_t>(n - 2)];
    RubberShape h{RubberShape::Kind::Handles, {PosOnly(a), PosOnly(p.back())}, false};
    if (n - s_.Start() >= 3 && IsSecondControl(p[static_cast<size_t>(n - 3)])) {
      h.points.push_back(PosOnly(a));
      h.points.push_back(PosOnly(p[static_cast<size_t>(n - 3)]));
    }
    extra.push_back(std::move(h));
  }
  s_.ShowBand(std::move(extra));
}

}  // namespace zelk
