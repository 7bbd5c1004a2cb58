// The work window's map-to-device transform and the resolution transform of printers and bitmaps.
#include "render/view_transform.h"

#include <algorithm>
#include <cmath>

namespace zelk {

namespace {

constexpr int32_t kSpaceLimit = 51200000;  // 200000 map units as coordinate words

int32_t ToleranceUnits(double scaleX, double deviceUnits) {
  return RoundToCoord(deviceUnits / scaleX / 256.0);
}

}  // namespace

void ViewTransform::SetViewTransform() {
  // Densities and sizes come from the platform; nonsense values must not divide by zero.
  const double c = logPixelsX > 0 ? logPixelsX : 96;
  const double d = logPixelsY > 0 ? logPixelsY : 96;
  const double w = std::max(clientWidth, 0);
  const double h = std::max(clientHeight, 0);

  double minZoom;
  if (d >= c) {
    minZoom = std::max(w * 0.0000025 * 32 * d / c, h * 0.0000025 * 32);
  } else {
    minZoom = std::max(w * 0.0000025 * 32, h * 0.0000025 * 32 * c / d);
  }
  if (!std::isfinite(zoom) || zoom <= 0) zoom = std::max(minZoom, 1.0);
  zoom = std::max(zoom, minZoom);
  zoom = std::min(zoom, 1e9);

  if (d >= c) {
    scaleX = (c / d) * zoom / 256 / 32;
    scaleY = -zoom / 256 / 32;
  } else {
    scaleX = zoom / 256 / 32;
    scaleY = -(d / c) * zoom / 256 / 32;
  }
  curveTolerance = ToleranceUnits(scaleX, 4);
  pickTolerance = RoundToCoord(3 / scaleX) + 128;

  const int32_t hx = RoundToCoord(w / scaleX / 2) & kPosMask;
  const int32_t hy = RoundToCoord(h / -scaleY / 2) & kPosMask;
  // When the view is as wide as the whole space the two bounds meet at 0.
  centreX = std::clamp(centreX, std::min(-kSpaceLimit + hx, 0), std::max(kSpaceLimit - hx, 0));
  centreY = std::clamp(centreY, std::min(-kSpaceLimit + hy, 0), std::max(kSpaceLimit - hy, 0));
  visible = {centreX - hx, centreY - hy, centreX + hx, centreY + hy};
  originX = visible.left;
  originY = visible.top;
  scrollX = centreX / kWordsPerMm;
  scrollY = -centreY / kWordsPerMm;
}

DevicePoint ViewTransform::MapToDevice(const Coord& c) const {
  return {RoundToDevice(DeviceX(c.x & kPosMask)), RoundToDevice(DeviceY(c.y & kPosMask))};
}

Coord ViewTransform::DeviceToMap(DevicePoint p) const {
  return {RoundToCoord(WordsX(p.x)) & kPosMask, RoundToCoord(WordsY(p.y)) & kPosMask};
}

void ViewTransform::ApplyTo(OutputState& state) const {
  state.scaleX = scaleX;
  state.scaleY = scaleY;
  state.originX = originX;
  state.originY = originY;
  state.clipRectangle = visible;
  state.curveTolerance = curveTolerance;
}

void SetResolutionTransform(OutputState& state, double dotsPerInch, double factor, int32_t originX,
                            int32_t originY) {
  if (!(dotsPerInch > 0) || !std::isfinite(dotsPerInch)) dotsPerInch = 300;
  if (!(factor > 0) || !std::isfinite(factor)) factor = 1;
  state.scaleX = dotsPerInch / kUnitsPerInch * factor / kWordsPerUnit;
  state.scaleY = -state.scaleX;
  state.originX = originX;
  state.originY = originY;
  state.curveTolerance = ToleranceUnits(state.scaleX, 4);
}

}  // namespace zelk
