// No drawing, zoom and move view, and the window rectangle interaction.
#include "editor/view_tools.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zelk {

void NoDrawTool::Start(ToolPurpose) {
  state_.InteractionState = Interaction::NoDrawing;
  view_.SetCursorShape("NoDraw");
}

void NoDrawTool::Finish() {
  state_.InteractionState = Interaction::Idle;
  view_.SetCursorShape("");
}

void ZoomHistory::Push(const View& v) {
  if (count_ == kDepth) {
    std::move(views_.begin() + 1, views_.end(), views_.begin());
    --count_;
  }
  views_[static_cast<size_t>(count_++)] = v;
}

std::optional<ZoomHistory::View> ZoomHistory::Pop() {
  if (count_ == 0) return std::nullopt;
  return views_[static_cast<size_t>(--count_)];
}

void ViewZoomTool::Start(ToolPurpose) {
  state_.InteractionState = Interaction::ViewZoom;
  dragging_ = false;
  view_.SetCursorShape(kind_ == Kind::ZoomIn ? "Zoom" : "MoveView");
  view_.SetPrompt(kind_ == Kind::ZoomIn ? "Click or drag a rectangle to zoom in"
                                        : "Drag the map to move the view");
}

void ViewZoomTool::Down(const ToolEvent& e) {
  dragging_ = true;
  start_ = e.pixel;
  startMap_ = e.map;
}

void ViewZoomTool::Move(const ToolEvent& e) {
  if (!dragging_) return;
  if (kind_ == Kind::ZoomIn) {
    view_.SetRubberBand({RubberShape{RubberShape::Kind::Rectangle, {startMap_, e.map}, false}});
  } else if (panPreview) {
    panPreview({e.pixel.x - start_.x, e.pixel.y - start_.y});
  }
}

void ViewZoomTool::Up(const ToolEvent& e) {
  if (!dragging_) return;
  dragging_ = false;
  const ViewTransform& v = view_.View();
  const int dx = e.pixel.x - start_.x;
  const int dy = e.pixel.y - start_.y;
  if (kind_ == Kind::ZoomIn) {
    view_.SetRubberBand({});
    if (std::abs(dx) < 4 && std::abs(dy) < 4) {
      view_.SetView(std::min(v.zoom * 2, kMaxZoom), startMap_.x, startMap_.y, true);
    } else {
      const double fx = static_cast<double>(v.clientWidth) / std::max(std::abs(dx), 1);
      const double fy = static_cast<double>(v.clientHeight) / std::max(std::abs(dy), 1);
      const double zoom = std::min(v.zoom * std::min(fx, fy), kMaxZoom);
      const int32_t cx = static_cast<int32_t>((static_cast<int64_t>(startMap_.x) + e.map.x) / 2);
      const int32_t cy = static_cast<int32_t>((static_cast<int64_t>(startMap_.y) + e.map.y) / 2);
      view_.SetView(zoom, cx & kPosMask, cy & kPosMask, true);
    }
  } else {
    if (panPreview) panPreview({0, 0});
    if (dx != 0 || dy != 0) {
      const int32_t cx = RoundToCoord(v.centreX - dx / v.scaleX);
      const int32_t cy = RoundToCoord(v.centreY - dy / v.scaleY);
      view_.SetView(v.zoom, cx & kPosMask, cy & kPosMask, true);
    }
  }
  End();
}

void ViewZoomTool::Key(char32_t c) {
  if (c == 27) Finish();
}

void ViewZoomTool::Finish() {
  if (state_.InteractionState != Interaction::ViewZoom) return;
  view_.SetRubberBand({});
  if (panPreview) panPreview({0, 0});
  dragging_ = false;
  End();
}

void ViewZoomTool::End() {
  view_.SetPrompt("");
  state_.InteractionState = Interaction::Idle;
  if (ended) ended();
}

// --- Window rectangle ------------------------------------------------------------------------

namespace {
constexpr int kGrip = 4;  // pixels around a side that grab it

bool EmptyBox(const Box& b) {
  return b.left >= b.right || b.bottom >= b.top;
}
}  // namespace

void WindowRectTool::Start(ToolPurpose) {
  state_.InteractionState = Interaction::WindowRectangle;
  rect_ = read ? read() : Box{};
  if (EmptyBox(rect_) && mapExtent) rect_ = mapExtent();
  dragPart_ = Part::None;
  view_.SetPrompt("Modify size and position of window");
  view_.SetRightStatus("Press F1 for help.");
  view_.SetCursorShape("SizeAll");
  Show();
}

void WindowRectTool::Show() {
  view_.SetRubberBand({RubberShape{RubberShape::Kind::Rectangle,
                                   {Coord{rect_.left, rect_.bottom}, Coord{rect_.right, rect_.top}},
                                   true}});
}

WindowRectTool::Part WindowRectTool::HitTest(PixelPos p) const {
  const PixelPos a = view_.MapToDevice({rect_.left, rect_.top});
  const PixelPos b = view_.MapToDevice({rect_.right, rect_.bottom});
  const bool nearL = std::abs(p.x - a.x) <= kGrip, nearR = std::abs(p.x - b.x) <= kGrip;
  const bool nearT = std::abs(p.y - a.y) <= kGrip, nearB = std::abs(p.y - b.y) <= kGrip;
  const bool inX = p.x >= a.x - kGrip && p.x <= b.x + kGrip;
  const bool inY = p.y >= a.y - kGrip && p.y <= b.y + kGrip;
  if (!inX || !inY) return Part::None;
  if (nearT && nearL) return Part::TopLeft;
  if (nearT && nearR) return Part::TopRight;
  if (nearB && nearL) return Part::BottomLeft;
  if (nearB && nearR) return Part::BottomRight;
  if (nearL) return Part::Left;
  if (nearR) return Part::Right;
  if (nearT) return Part::Top;
  if (nearB) return Part::Bottom;
  return Part::Inside;
}

const char* WindowRectTool::CursorFor(Part part) {
  switch (part) {
    case Part::Left:
    case Part::Right:
      return "SizeWE";
    case Part::Top:
    case Part::Bottom:
      return "SizeNS";
    case Part::TopLeft:
    case Part::BottomRight:
      return "SizeNWSE";
    case Part::TopRight:
    case Part::BottomLeft:
      return "SizeNESW";
    default:
      return "SizeAll";
  }
}

void WindowRectTool::Down(const ToolEvent& e) {
  dragPart_ = HitTest(e.pixel);
  dragStart_ = e.map;
  dragRect_ = rect_;
}

void WindowRectTool::Move(const ToolEvent& e) {
  if (dragPart_ == Part::None) {
    view_.SetCursorShape(CursorFor(HitTest(e.pixel)));
    return;
  }
  const int32_t dx = (e.map.x - dragStart_.x) & kPosMask;
  const int32_t dy = (e.map.y - dragStart_.y) & kPosMask;
  Box r = dragRect_;
  switch (dragPart_) {
    case Part::Inside:
      r = {r.left + dx, r.bottom + dy, r.right + dx, r.top + dy};
      break;
    case Part::Left:
      r.left += dx;
      break;
    case Part::Right:
      r.right += dx;
      break;
    case Part::Top:
      r.top += dy;
      break;
    case Part::Bottom:
      r.bottom += dy;
      break;
    case Part::TopLeft:
      r.left += dx;
      r.top += dy;
      break;
    case Part::TopRight:
      r.right += dx;
      r.top += dy;
      break;
    case Part::BottomLeft:
      r.left += dx;
      r.bottom += dy;
      break;
    case Part::BottomRight:
      r.right += dx;
      r.bottom += dy;
      break;
    case Part::None:
      break;
  }
  // A side dragged across its opposite makes the frame turn over rather than vanish.
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.bottom > r.top) std::swap(r.bottom, r.top);
  rect_ = r;
  Show();
}

void WindowRectTool::Up(const ToolEvent& e) {
  if (dragPart_ != Part::None) Move(e);
  dragPart_ = Part::None;
}

void WindowRectTool::Finish() {
  if (state_.InteractionState != Interaction::WindowRectangle) return;
  if (write) write(rect_);
  view_.SetRubberBand({});
  view_.SetPrompt("");
  view_.SetRightStatus("");
  state_.HelpContext = 101;
  state_.InteractionState = Interaction::Idle;
}

}  // namespace zelk
