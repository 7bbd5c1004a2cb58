// Map positions and real-world coordinates (metres, with the map's offset and angle).
#pragma once

#include <utility>

#include "storage/coord.h"
#include "storage/records.h"

namespace zelk {

// Real-world metres = map scale x paper millimetres x 0.001, turned by the map's real-world
// angle (x' = x cos - y sin, y' = y cos + x sin) and moved by its real-world offset. The
// coordinate display and the real-world grid both go through this one transform.
class RealWorldTransform {
 public:
  explicit RealWorldTransform(const SetupBlock& setup);

  // False when the map scale gives no sensible transform (zero, negative or not a number).
  bool Valid() const { return valid_; }
  // Coordinate words (flag bytes ignored) to metres east and north.
  std::pair<double, double> ToWorld(double x, double y) const;
  // Metres to coordinate words, clamped to the coordinate space, flag bytes clear.
  Coord ToMap(double east, double north) const;

 private:
  double metresPerWord_ = 0;
  double cos_ = 1, sin_ = 0;
  double offsetX_ = 0, offsetY_ = 0;
  bool valid_ = false;
};

}  // namespace zelk
