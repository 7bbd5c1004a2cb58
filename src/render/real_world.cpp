// The real-world coordinate transform of a map.
#include "render/real_world.h"

#include <algorithm>
#include <cmath>

namespace zelk {

RealWorldTransform::RealWorldTransform(const SetupBlock& setup) {
  const double scale = setup.MapScale();
  const double angle = std::isfinite(setup.RealWorldAngle()) ? setup.RealWorldAngle() : 0;
  valid_ = scale > 0 && std::isfinite(scale);
  metresPerWord_ = valid_ ? scale * 0.001 / double(kWordsPerMm) : 0;
  if (angle != 0) {
    cos_ = std::cos(angle * M_PI / 180);
    sin_ = std::sin(angle * M_PI / 180);
  }
  offsetX_ = std::isfinite(setup.RealWorldX()) ? setup.RealWorldX() : 0;
  offsetY_ = std::isfinite(setup.RealWorldY()) ? setup.RealWorldY() : 0;
}

std::pair<double, double> RealWorldTransform::ToWorld(double x, double y) const {
  return {(x * cos_ - y * sin_) * metresPerWord_ + offsetX_,
          (y * cos_ + x * sin_) * metresPerWord_ + offsetY_};
}

Coord RealWorldTransform::ToMap(double east, double north) const {
  if (!valid_) return {};
  const double u = (east - offsetX_) / metresPerWord_;
  const double v = (north - offsetY_) / metresPerWord_;
  return Coord{static_cast<int32_t>(std::clamp(u * cos_ + v * sin_, -1e9, 1e9)) & kPosMask,
               static_cast<int32_t>(std::clamp(-u * sin_ + v * cos_, -1e9, 1e9)) & kPosMask};
}

}  // namespace zelk
