// Rectangular figures, circles and ellipses.
#include "editor/shape_tools.h"

#include <cmath>
#include <cstdlib>

#include "geometry/coord_math.h"

namespace zelk {

namespace {

double WX(const Coord& c) {
  return static_cast<double>(c.x & kPosMask);
}
double WY(const Coord& c) {
  return static_cast<double>(c.y & kPosMask);
}

bool WithinPixels(PixelPos a, PixelPos b, int pixels) {
  return std::abs(a.x - b.x) <= pixels && std::abs(a.y - b.y) <= pixels;
}

}  // namespace

// --- Rectangular -------------------------------------------------------------------------------

void RectangularTool::Start(ToolPurpose purpose) {
  s_.Reset(purpose);
  step_ = RectangularStep::Idle;
  ctx_.state.InteractionState = Interaction::Rectangular;
  ctx_.state.CursorName = "Draw45";
  ctx_.view.SetCursorShape("Draw45");
  ctx_.view.SetPrompt("");
  ctx_.view.SetWorkHelpContext(help::kPoints);
}

void RectangularTool::ToFrame(const Coord& c, double* x, double* y) const {
  const double dx = WX(c) - WX(origin_), dy = WY(c) - WY(origin_);
  *x = dx * cos_ + dy * sin_;
  *y = -dx * sin_ + dy * cos_;
}

Coord RectangularTool::FromFrame(double x, double y, int32_t yFlags) const {
  return {RoundToPosition(WX(origin_) + x * cos_ - y * sin_),
          RoundToPosition(WY(origin_) + x * sin_ + y * cos_) | yFlags};
}

Coord RectangularTool::CornerFor(const Coord& mouse, const Coord& previous) const {
  double mx, my, px, py;
  ToFrame(mouse, &mx, &my);
  ToFrame(previous, &px, &py);
  if (std::abs(my - py) >= std::abs(mx - px)) return FromFrame(px, my, kCornerPoint);
  return FromFrame(mx, py, kCornerPoint);
}

Coord RectangularTool::ClosingFor(const Coord& corner) const {
  double x, y;
  ToFrame(corner, &x, &y);
  return FromFrame(0, y, kCornerPoint);
}

void RectangularTool::Down(const ToolEvent& e) {
  if (!ctx_.state.MapOpen) return;
  if (step_ == RectangularStep::Idle) {
    if (!s_.Begin(e, false)) return;
    if (!s_.Room(2)) {
      s_.TooManyPoints();
      DiscardAndEnd();
      return;
    }
    s_.Append(At(e.map));
    s_.Append(At(e.map));
    step_ = RectangularStep::FirstSide;
    ctx_.view.SetPrompt("Drag first side");
    Show();
  } else if (step_ == RectangularStep::NextSide) {
    // Room for the corner and, should the next click close the figure, two more points.
    if (!s_.Room(3)) {
      s_.TooManyPoints();
      CommitAndEnd(false);
      return;
    }
    s_.Append(CornerFor(e.map, s_.Last()));
    pressMap_ = e.map;
    step_ = RectangularStep::SideDrag;
    Show();
  }
}

void RectangularTool::Move(const ToolEvent& e) {
  if (!ctx_.state.MapOpen || !s_.Active()) return;
  std::vector<Coord>& p = s_.Pts();
  if (step_ == RectangularStep::FirstSide) {
    p.back() = At(e.map);
    Show();
  } else if (step_ == RectangularStep::NextSide) {
    Show();  // back after a zoom took the band away
  } else if (step_ == RectangularStep::SideDrag) {
    p.back() = CornerFor(e.map, p[p.size() - 2]);
    Show();
  }
}

void RectangularTool::Up(const ToolEvent& e) {
  if (!s_.Active()) return;
  if (!ctx_.state.MapOpen) {
    DiscardAndEnd();
    return;
  }
  std::vector<Coord>& p = s_.Pts();
  if (step_ == RectangularStep::FirstSide) {
    const Coord first = p[static_cast<size_t>(s_.Start())];
    if (s_.NearPick(first, e.map)) {
      DiscardAndEnd();
      return;
    }
    p.back() = At(e.map, 0, kCornerPoint);
    origin_ = At(first);
    const double dx = WX(e.map) - WX(origin_), dy = WY(e.map) - WY(origin_);
    const double len = std::hypot(dx, dy);
    cos_ = dx / len;
    sin_ = dy / len;
    step_ = RectangularStep::NextSide;
    ctx_.view.SetPrompt("Drag next side");
    Show();
  } else if (step_ == RectangularStep::SideDrag) {
    if (s_.NearPick(pressMap_, e.map)) {
      // A click closes the figure.
      const Coord closing = ClosingFor(p.back());
      if (!closing.SamePlace(p.back())) s_.Append(closing);
      s_.Append(At(p[static_cast<size_t>(s_.Start())]));
      CommitAndEnd(true);
      return;
    }
    p.back() = CornerFor(e.map, p[p.size() - 2]);
    step_ = RectangularStep::NextSide;
    ctx_.view.SetPrompt("Drag next side");
    Show();
  }
}

void RectangularTool::CommitAndEnd(bool closed) {
  if (s_.Active()) {
    if (!closed && s_.NewCount() > 0) s_.Last().y &= ~kCornerPoint;
    s_.Commit(!closed);
  }
  End();
}

void RectangularTool::DiscardAndEnd() {
  s_.Discard();
  End();
}

void RectangularTool::End() {
  step_ = RectangularStep::Idle;
  ctx_.view.SetRubberBand({});
  ctx_.view.SetPrompt("");
  ctx_.state.InteractionState = Interaction::Idle;
}

void RectangularTool::Finish() {
  if (step_ == RectangularStep::FirstSide && s_.Active() &&
      s_.NearPick(s_.Pts()[static_cast<size_t>(s_.Start())], s_.Last())) {
    DiscardAndEnd();
  } else if (s_.Active()) {
    CommitAndEnd(false);
  } else {
    End();
  }
}

void RectangularTool::Show() {
  std::vector<RubberShape> extra;
  if (step_ >= RectangularStep::NextSide && s_.NewCount() > 0) {
    const Coord last = PosOnly(s_.Last());
    extra.push_back(
        {RubberShape::Kind::Polyline,
         {last, PosOnly(ClosingFor(last)), PosOnly(s_.Pts()[static_cast<size_t>(s_.Start())])},
         false});
  }
  s_.ShowBand(std::move(extra));
}

// --- Circle ------------------------------------------------------------------------------------

void CircleTool::Start(ToolPurpose purpose) {
  s_.Reset(purpose);
  dragging_ = false;
  ctx_.state.InteractionState = Interaction::Circle;
  ctx_.state.CursorName = "DrawCircle";
  ctx_.view.SetCursorShape("DrawCircle");
  ctx_.view.SetPrompt("Drag diameter");
  ctx_.view.SetWorkHelpContext(help::kPoints);
}

void CircleTool::Down(const ToolEvent& e) {
  if (!ctx_.state.MapOpen || dragging_) return;
  if (!s_.Begin(e, false)) return;
  if (!s_.Room(13)) {
    s_.TooManyPoints();
    s_.Discard();
    End();
    return;
  }
  dragging_ = true;
  centred_ = e.shift;
  pressPixel_ = e.pixel;
  pressMap_ = At(e.map);
  Place(e.map);
}

void CircleTool::Place(const Coord& mouse) {
  const double d = Dist(pressMap_, mouse);
  double cx = WX(pressMap_), cy = WY(pressMap_), r = d;
  if (!centred_) {
    cx = (cx + WX(mouse)) / 2;
    cy = (cy + WY(mouse)) / 2;
    r = d / 2;
  }
  std::vector<Coord>& p = s_.Pts();
  p.resize(static_cast<size_t>(s_.Start()));
  const std::vector<Coord> ring = EllipsePoints(cx, cy, r, 0, 0, r);
  p.insert(p.end(), ring.begin(), ring.end());
  s_.ShowBand();
}

void CircleTool::Move(const ToolEvent& e) {
  if (dragging_ && ctx_.state.MapOpen && s_.Active()) Place(e.map);
}

void CircleTool::Up(const ToolEvent& e) {
  if (!dragging_) return;
  dragging_ = false;
  if (!ctx_.state.MapOpen || !s_.Active() || WithinPixels(e.pixel, pressPixel_, 3)) {
    s_.Discard();
  } else {
    Place(e.map);
    s_.Commit(false);
  }
  End();
}

void CircleTool::End() {
  dragging_ = false;
  ctx_.view.SetRubberBand({});
  ctx_.state.InteractionState = Interaction::Idle;
}

void CircleTool::Finish() {
  // A circle still being dragged has no size the user chose: it is given up.
  if (s_.Active()) s_.Discard();
  End();
  ctx_.view.SetPrompt("");
}

// --- Ellipse -----------------------------------------------------------------------------------

void EllipseTool::Start(ToolPurpose purpose) {
  s_.Reset(purpose);
  step_ = EllipseStep::Idle;
  ctx_.state.InteractionState = Interaction::Ellipse;
  ctx_.state.CursorName = "DrawEllipse";
  ctx_.view.SetCursorShape("DrawEllipse");
  ctx_.view.SetPrompt("Drag longer axis");
  ctx_.view.SetWorkHelpContext(help::kPoints);
}

bool EllipseTool::Place(const Coord& mouse) {
  const double ux = (WX(axisEnd_) - WX(axisStart_)) / 2, uy = (WY(axisEnd_) - WY(axisStart_)) / 2;
  const double cx = WX(axisStart_) + ux, cy = WY(axisStart_) + uy;
  const double len = std::hypot(ux, uy);
  std::vector<Coord>& p = s_.Pts();
  p.resize(static_cast<size_t>(s_.Start()));
  if (len < 1) return false;
  const double nx = -uy / len, ny = ux / len;
  const double w = std::abs((WX(mouse) - cx) * nx + (WY(mouse) - cy) * ny);
  if (w < kWordsPerUnit) {
    s_.ShowBand({{RubberShape::Kind::Polyline, {axisStart_, axisEnd_}, false}});
    return false;
  }
  const std::vector<Coord> ring = EllipsePoints(cx, cy, ux, uy, nx * w, ny * w);
  p.insert(p.end(), ring.begin(), ring.end());
  s_.ShowBand();
  return true;
}

void EllipseTool::Down(const ToolEvent& e) {
  if (!ctx_.state.MapOpen) return;
  if (step_ == EllipseStep::Idle) {
    if (!s_.Begin(e, false)) return;
    if (!s_.Room(13)) {
      s_.TooManyPoints();
      s_.Discard();
      End();
      return;
    }
    axisStart_ = axisEnd_ = At(e.map);
    step_ = EllipseStep::Axis;
  } else if (step_ == EllipseStep::Width) {
    step_ = EllipseStep::WidthPressed;
    Place(e.map);
  }
}

void EllipseTool::Move(const ToolEvent& e) {
  if (!ctx_.state.MapOpen || !s_.Active()) return;
  if (step_ == EllipseStep::Axis) {
    axisEnd_ = At(e.map);
    ctx_.view.SetRubberBand({{RubberShape::Kind::Polyline, {axisStart_, axisEnd_}, false}});
  } else if (step_ == EllipseStep::Width || step_ == EllipseStep::WidthPressed) {
    Place(e.map);
  }
}

void EllipseTool::Up(const ToolEvent& e) {
  if (!s_.Active()) return;
  if (!ctx_.state.MapOpen) {
    s_.Discard();
    End();
    return;
  }
  if (step_ == EllipseStep::Axis) {
    if (s_.NearPick(axisStart_, e.map)) {
      s_.Discard();
      End();
      return;
    }
    axisEnd_ = At(e.map);
    step_ = EllipseStep::Width;
    ctx_.view.SetPrompt("Drag width");
    Place(e.map);
  } else if (step_ == EllipseStep::WidthPressed) {
    if (Place(e.map)) {
      s_.Commit(false);
    } else {
      s_.Discard();
    }
    End();
  }
}

void EllipseTool::End() {
  step_ = EllipseStep::Idle;
  ctx_.view.SetRubberBand({});
  ctx_.view.SetPrompt("");
  ctx_.state.InteractionState = Interaction::Idle;
}

void EllipseTool::Finish() {
  // An ellipse whose width has been shown is kept; a half-dragged axis is given up.
  const bool shaped = (step_ == EllipseStep::Width || step_ == EllipseStep::WidthPressed) &&
                      s_.Active() && s_.NewCount() == 13;
  if (shaped) {
    s_.Commit(false);
  } else if (s_.Active()) {
    s_.Discard();
  }
  End();
}

}  // namespace zelk
