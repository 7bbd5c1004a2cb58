// The straight line and freehand tool's steps.
#include "editor/line_tool.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "geometry/curve_fit.h"

namespace zelk {

namespace {

bool Within(PixelPos a, PixelPos b, int pixels) {
  return std::abs(a.x - b.x) <= pixels && std::abs(a.y - b.y) <= pixels;
}

}  // namespace

void LineTool::Start(ToolPurpose purpose) {
  s_.Reset(purpose);
  const Mode mode = purpose == ToolPurpose::Draw ? ctx_.state.ToolMode : ctx_.state.DrawMode;
  straight_ = mode != Mode::Freehand;
  step_ = LineStep::Idle;
  ctx_.state.InteractionState = Interaction::FreehandStraight;
  ctx_.state.CursorName = straight_ ? "DrawStraight" : "DrawFreehand";
  ctx_.view.SetCursorShape(ctx_.state.CursorName);
  ctx_.view.SetPrompt("");
  ctx_.view.SetWorkHelpContext(help::kPoints);
}

Coord LineTool::BandEnd(const ToolEvent& e) {
  Coord end = At(e.map);
  if (straight_ && e.alt && s_.Count() > 0) {
    const Coord& last = s_.Last();
    const int64_t dx = std::llabs(int64_t{end.x} - (last.x & kPosMask));
    const int64_t dy = std::llabs(int64_t{end.y} - (last.y & kPosMask));
    if (dx > dy) {
      end.y = last.y & kPosMask;
    } else {
      end.x = last.x & kPosMask;
    }
  }
  return end;
}

// A press that starts a rubber band from the last point, snapped with Ctrl.
void LineTool::StartBand(const ToolEvent& e, const std::optional<SnapHit>& hit) {
  step_ = LineStep::Band;
  if (hit) {
    s_.AppendCorner(hit->pos);
    snap_ = *hit;
    step_ = LineStep::SnapBand;
  }
  press_ = e.pixel;
  bandStart_ = ctx_.view.MapToDevice(s_.Last());
  ctx_.view.SetPrompt("Drawing...");
  Show(&e.map);
}

void LineTool::Down(const ToolEvent& e) {
  if (!ctx_.state.MapOpen) return;
  previous_ = e.pixel;
  previousMap_ = e.map;
  switch (step_) {
    case LineStep::Idle: {
      if (!s_.Begin(e, true)) return;
      s_.ClearStretches();
      firstStroke_ = true;
      const std::optional<SnapHit> hit = e.ctrl ? s_.FindSnap(e.map) : std::nullopt;
      // A continued line goes on from its last point; a snap puts the first point there.
      if (!s_.ReusesFirstPoint() && !hit) s_.Append(At(e.map));
      StartBand(e, hit);
      break;
    }
    case LineStep::Freehand:
    case LineStep::StraightWait:
      if (!s_.Room(2)) {
        s_.TooManyPoints();
        CommitAndEnd();
        return;
      }
      if (step_ == LineStep::Freehand) {
        if (!Within(ctx_.view.MapToDevice(s_.Last()), e.pixel, 2)) s_.Append(At(e.map));
        s_.CloseStretch(s_.Count() - 1);
      }
      StartBand(e, e.ctrl ? s_.FindSnap(e.map) : std::nullopt);
      break;
    default:
      break;
  }
}

bool LineTool::AddPoint(const Coord& at) {
  if (!ctx_.state.MapOpen) return false;
  ToolEvent e;
  e.map = PosOnly(at);
  e.pixel = ctx_.view.MapToDevice(e.map);
  if (step_ == LineStep::Idle) {
    if (!s_.Begin(e, false)) return false;
    s_.ClearStretches();
    firstStroke_ = false;
    s_.Append(At(e.map, 0, kCornerPoint));
  } else if (step_ == LineStep::StraightWait || step_ == LineStep::Freehand) {
    if (!s_.Room(1)) {
      s_.TooManyPoints();
      CommitAndEnd();
      return false;
    }
    if (step_ == LineStep::Freehand) s_.CloseStretch(s_.Count() - 1);
    s_.Append(At(e.map, 0, kCornerPoint));
  } else {
    return false;  // a band is being dragged
  }
  step_ = LineStep::StraightWait;
  previous_ = e.pixel;
  previousMap_ = e.map;
  Show(nullptr);
  return true;
}

void LineTool::Move(const ToolEvent& e) {
  if (!ctx_.state.MapOpen || !s_.Active()) return;
  switch (step_) {
    case LineStep::Band:
    case LineStep::SnapBand: {
      const Coord end = BandEnd(e);
      Show(&end);
      break;
    }
    case LineStep::Freehand: {
      // The previous mouse position becomes a point unless it adds nothing to the shape.
      const PixelPos l = ctx_.view.MapToDevice(s_.Last()), p = previous_, m = e.pixel;
      const bool farEnough = !Within(l, m, 2) && !(p == l);
      const bool onVertical = p.x == l.x && p.x == m.x;
      const bool onHorizontal = p.y == l.y && p.y == m.y;
      const bool midpoint = 2 * p.x == l.x + m.x && 2 * p.y == l.y + m.y;
      if (farEnough && !onVertical && !onHorizontal && !midpoint) {
        if (!s_.Room(1)) {
          s_.TooManyPoints();
          CommitAndEnd();
          return;
        }
        s_.Append(At(previousMap_));
      }
      Show(&e.map);
      break;
    }
    case LineStep::StraightWait:
      Show(nullptr);  // back after a zoom took the band away
      break;
    default:
      break;
  }
  previous_ = e.pixel;
  previousMap_ = e.map;
}

void LineTool::Up(const ToolEvent& e) {
  if (!s_.Active()) return;
  if (!ctx_.state.MapOpen) {
    DiscardAndEnd();
    return;
  }
  switch (step_) {
    case LineStep::Band:
      if (straight_) {
        if (Within(e.pixel, press_, 3)) {
          CommitAndEnd();
          return;
        }
        if (!s_.Room(1)) {
          s_.TooManyPoints();
          CommitAndEnd();
          return;
        }
        s_.Append(At(BandEnd(e), 0, kCornerPoint));
        step_ = LineStep::StraightWait;
      } else {
        const bool atStart = Within(e.pixel, bandStart_, 3);
        if (!firstStroke_ && atStart) {
          CommitAndEnd();
          return;
        }
        if (!atStart) {
          if (!s_.Room(1)) {
            s_.TooManyPoints();
            CommitAndEnd();
            return;
          }
          s_.Append(At(e.map));
        }
        s_.OpenStretch(s_.Count() - 1);
        step_ = LineStep::Freehand;
      }
      break;
    case LineStep::SnapBand:
      if (!s_.SnapRelease(snap_, e.map)) {
        CommitAndEnd();
        return;
      }
      if (!straight_) s_.OpenStretch(s_.Count() - 1);
      step_ = straight_ ? LineStep::StraightWait : LineStep::Freehand;
      break;
    default:
      return;  // a release without its press
  }
  firstStroke_ = false;
  previous_ = e.pixel;
  previousMap_ = e.map;
  Show(nullptr);
}

void LineTool::CommitAndEnd() {
  if (s_.Active()) {
    if (!straight_) {
      ctx_.view.SetPrompt("Smoothing...");
      s_.SmoothStretches(ctx_.prefs.smoothing);
      // "FreehandToCurve": the new points are fitted with curves as To curve does.
      if (ctx_.prefs.freehandToCurve && s_.NewCount() >= 3) {
        const size_t from = static_cast<size_t>(s_.Count() - s_.NewCount());
        if (std::optional<std::vector<Coord>> fitted =
                ToCurve(s_.Pts(), ctx_.prefs.smoothing, std::max<int>(s_.Obj().textUnits, 0), from))
          s_.Pts() = std::move(*fitted);
      }
    }
    if (s_.NewCount() > 0) s_.Last().y &= ~kCornerPoint;
    s_.Commit(true);
  }
  End();
}

void LineTool::DiscardAndEnd() {
  s_.Discard();
  End();
}

void LineTool::End() {
  step_ = LineStep::Idle;
  ctx_.view.SetRubberBand({});
  ctx_.view.SetPrompt("");
  ctx_.state.InteractionState = Interaction::Idle;
}

void LineTool::Finish() {
  if (s_.Active()) {
    CommitAndEnd();
  } else {
    End();
  }
}

void LineTool::Show(const Coord* bandEnd) {
  std::vector<RubberShape> extra;
  if (bandEnd && s_.Count() > 0)
    extra.push_back({RubberShape::Kind::Polyline, {PosOnly(s_.Last()), *bandEnd}, false});
  s_.ShowBand(std::move(extra));
}

}  // namespace zelk
