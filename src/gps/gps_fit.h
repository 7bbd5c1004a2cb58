// GPS positions on the map: adjustment points (a GPS position and the map position it belongs
// to) fitted by a similarity with a separate y scale.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelk {

struct GpsAdjustmentPoint {
  int32_t mapX = 0, mapY = 0;  // coordinate words
  double latitude = 0, longitude = 0;
  std::string name;  // at most 15 characters
};

class GpsTransform {
 public:
  static constexpr size_t kMaxPoints = 12;

  enum class FitResult { Fitted, NoPoints, TooClose };
  // Recomputes from the points (the map scale serves a single point). With "too close", the
  // origin has moved to the points' mean and the scales and rotation are those of before.
  FitResult Fit(const std::vector<GpsAdjustmentPoint>& points, double mapScale);
  bool Valid() const { return valid_; }

  // The map position (coordinate words, clamped to +-2 m of paper) of a GPS position.
  void ToMap(double latitude, double longitude, int32_t* x, int32_t* y) const;

  double AngleDegrees() const { return angle_; }
  // The adjustment angle of the dialog (-360..360); its sine and cosine take effect at once.
  void SetAngleDegrees(double degrees);
  double ScaleX() const { return scaleX_; }
  double ScaleY() const { return scaleY_; }

 private:
  double originLat_ = 0, originLon_ = 0, lonFactor_ = 1;
  int32_t mapOriginX_ = 0, mapOriginY_ = 0;
  double scaleX_ = 0, scaleY_ = 0;
  double sin_ = 0, cos_ = 1, angle_ = 0;
  bool valid_ = false;
};

}  // namespace zelk
