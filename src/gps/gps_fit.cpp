#include "gps/gps_fit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "storage/coord.h"

namespace zelk {

namespace {
constexpr double kPi = std::numbers::pi;
int32_t Clamp200000(double v) {
  if (std::isnan(v)) return 0;
  return static_cast<int32_t>(std::nearbyint(std::clamp(v, -200000.0, 200000.0)));
}
}  // namespace

void GpsTransform::SetAngleDegrees(double degrees) {
  if (!std::isfinite(degrees)) return;
  angle_ = std::clamp(degrees, -360.0, 360.0);
  sin_ = std::sin(angle_ * kPi / 180);
  cos_ = std::cos(angle_ * kPi / 180);
}

GpsTransform::FitResult GpsTransform::Fit(const std::vector<GpsAdjustmentPoint>& all,
                                          double mapScale) {
  const size_t n = std::min(all.size(), kMaxPoints);
  if (n == 0) return FitResult::NoPoints;
  if (n == 1) {
    const GpsAdjustmentPoint& p = all[0];
    if (!(mapScale > 0) || !std::isfinite(mapScale) || !std::isfinite(p.latitude) ||
        !std::isfinite(p.longitude))
      return FitResult::TooClose;
    originLat_ = p.latitude;
    originLon_ = p.longitude;
    mapOriginX_ = p.mapX & kPosMask;
    mapOriginY_ = p.mapY & kPosMask;
    lonFactor_ = std::cos(originLat_ * kPi / 180);
    scaleX_ = scaleY_ = 6.37816e11 / mapScale * kPi / 180;
    SetAngleDegrees(angle_);
    valid_ = true;
    return FitResult::Fitted;
  }
  double mx = 0, my = 0, mlat = 0, mlon = 0;
  for (size_t i = 0; i < n; ++i)
    if (!std::isfinite(all[i].latitude) || !std::isfinite(all[i].longitude))
      return FitResult::TooClose;
  for (size_t i = 0; i < n; ++i) {
    mx += all[i].mapX >> 8;
    my += all[i].mapY >> 8;
    mlat += all[i].latitude;
    mlon += all[i].longitude;
  }
  mx /= n;
  my /= n;
  mlat /= n;
  mlon /= n;
  mapOriginX_ = static_cast<int32_t>(std::nearbyint(mx)) * 256;
  mapOriginY_ = static_cast<int32_t>(std::nearbyint(my)) * 256;
  originLat_ = mlat;
  originLon_ = mlon;
  lonFactor_ = std::cos(mlat * kPi / 180);
  double A = 0, B = 0, C = 0, D = 0, E = 0, F = 0, spread = 0;
  for (size_t i = 0; i < n; ++i) {
    const double x = (all[i].mapX >> 8) - mx, y = (all[i].mapY >> 8) - my;
    const double u = (all[i].longitude - mlon) * lonFactor_, v = all[i].latitude - mlat;
    A += u * u + v * v;
    B += x * u;
    C += y * v;
    D += u * y;
    E += x * v;
    F += y * y;
    spread += x * x + y * y;
  }
  // Points at one GPS position, or at one map position, give no scale.
  if (A < 1e-7 || spread < 1) return FitResult::TooClose;
  double r = 1;
  const double det = C * C + D * D - F * A;
  if (n >= 3 && det != 0) r = std::clamp((D * E - C * B) / det, 0.5, 2.0);
  const double a = (B + r * C) / A, b = (r * D - E) / A;
  const double s = std::hypot(a, b);
  if (!(s > 0) || !std::isfinite(s)) return FitResult::TooClose;
  scaleX_ = s;
  scaleY_ = s / r;
  cos_ = a / s;
  sin_ = b / s;
  angle_ = std::atan2(sin_, cos_) * 180 / kPi;
  valid_ = true;
  return FitResult::Fitted;
}

void GpsTransform::ToMap(double latitude, double longitude, int32_t* x, int32_t* y) const {
  const double u = (longitude - originLon_) * lonFactor_, v = latitude - originLat_;
  const double X = (u * cos_ - v * sin_) * scaleX_ + (mapOriginX_ >> 8);
  const double Y = (v * cos_ + u * sin_) * scaleY_ + (mapOriginY_ >> 8);
  *x = Clamp200000(X) * 256;
  *y = Clamp200000(Y) * 256;
}

}  // namespace zelk
