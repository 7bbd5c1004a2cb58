// The View menu's commands, scrolling and wheel zoom.
#include "editor/view_commands.h"

#include <algorithm>
#include <cmath>

namespace zelk {

void ViewCommands::Redraw() {
  c_.window.RedrawAll();
}

void ViewCommands::Move() {
  if (c_.state.MapOpen) c_.window.StartViewInteraction(ViewZoomTool::Kind::Move);
}

void ViewCommands::ZoomIn() {
  if (c_.state.MapOpen) c_.window.StartViewInteraction(ViewZoomTool::Kind::ZoomIn);
}

void ViewCommands::ZoomOut() {
  if (!c_.state.MapOpen) return;
  const ViewTransform& v = c_.window.View();
  if (auto previous = c_.window.History().Pop())
    c_.window.SetView(previous->zoom, previous->centreX, previous->centreY, false);
  else
    c_.window.SetView(v.zoom / 2, v.centreX, v.centreY, false);
}

void ViewCommands::Factor(double zoom) {
  if (!c_.state.MapOpen) return;
  const ViewTransform& v = c_.window.View();
  c_.window.SetView(zoom, v.centreX, v.centreY, true);
}

void ViewCommands::Entire() {
  if (!c_.MapHasObjects()) return;
  Box ext;
  if (!c_.Store().MapExtent(&ext)) return;
  const ViewTransform& v = c_.window.View();
  // Scales are proportional to the zoom.
  const double perZoomX = v.scaleX / v.zoom, perZoomY = -v.scaleY / v.zoom;
  const double w = std::max(1.0, static_cast<double>(ext.right) - ext.left);
  const double h = std::max(1.0, static_cast<double>(ext.top) - ext.bottom);
  const double zoom = std::min(
      {v.clientWidth * 0.95 / (w * perZoomX), v.clientHeight * 0.95 / (h * perZoomY), kMaxZoom});
  const int32_t cx = static_cast<int32_t>((static_cast<int64_t>(ext.left) + ext.right) / 2);
  const int32_t cy = static_cast<int32_t>((static_cast<int64_t>(ext.bottom) + ext.top) / 2);
  c_.window.SetView(zoom, cx, cy, true);
}

void ViewCommands::Scroll(bool horizontal, ScrollStep step, int position) {
  if (!c_.state.MapOpen) return;
  const ViewTransform& v = c_.window.View();
  int32_t cx = v.centreX, cy = v.centreY;
  const double pixels = horizontal ? v.clientWidth : v.clientHeight;
  double stepPixels = 0;
  switch (step) {
    case ScrollStep::LineForward:
      stepPixels = pixels / 10;
      break;
    case ScrollStep::LineBack:
      stepPixels = -pixels / 10;
      break;
    case ScrollStep::PageForward:
      stepPixels = pixels * 9 / 10;
      break;
    case ScrollStep::PageBack:
      stepPixels = -pixels * 9 / 10;
      break;
    case ScrollStep::Thumb:
    case ScrollStep::ToStart:
    case ScrollStep::ToEnd: {
      const int value = step == ScrollStep::ToStart ? -kScrollRange
                        : step == ScrollStep::ToEnd ? kScrollRange
                                                    : position;
      if (horizontal)
        cx = value * kWordsPerMm;
      else
        cy = -value * kWordsPerMm;
      break;
    }
  }
  if (stepPixels != 0) {
    // Scrolling down or right shows more of the map below or to the right.
    if (horizontal)
      cx = RoundToCoord(cx + stepPixels / v.scaleX);
    else
      cy = RoundToCoord(cy + stepPixels / v.scaleY);
  }
  c_.window.SetView(v.zoom, cx, cy, false);
}

void ViewCommands::WheelZoom(PixelPos mouse, int notches) {
  if (!c_.state.MapOpen || notches == 0) return;
  const ViewTransform& v = c_.window.View();
  const double zoom = std::min(v.zoom * std::pow(2.0, notches), kMaxZoom);
  if (zoom == v.zoom) return;
  // The point under the mouse keeps its pixel: the centre moves towards it as the zoom grows.
  const Coord at = v.DeviceToMap(mouse);
  const double keep = v.zoom / zoom;
  const int32_t cx = RoundToCoord(at.x + (static_cast<double>(v.centreX) - at.x) * keep);
  const int32_t cy = RoundToCoord(at.y + (static_cast<double>(v.centreY) - at.y) * keep);
  c_.window.SetView(zoom, cx, cy, true);
}

}  // namespace zelk
