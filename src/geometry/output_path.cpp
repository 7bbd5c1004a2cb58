// The output path and the closing of a path over its first segment.
#include "geometry/output_path.h"

namespace zelk {

bool FirstSegment::StoreFrom(const OutputPath& path) {
  if (path.Count() < 2) return false;
  const int need = (path[1].x & kFirstCurvePoint) ? 4 : 2;
  if (path.Count() < need) return false;
  for (int i = 0; i < need; ++i) points[i] = path[i];
  count = need;
  return true;
}

bool FirstSegment::CloseOver(OutputPath& path) const {
  if (count < 2 || path.Count() < 2) return false;
  if (!path.Back().SamePlace(points[0])) return false;
  for (int i = 1; i < count; ++i) path.Add(points[i]);
  return true;
}

bool CloseOverFirstSegment(OutputPath& path) {
  FirstSegment first;
  if (!first.StoreFrom(path)) return false;
  // A path that is only its first segment has nothing to close.
  if (path.Count() <= first.count) return false;
  return first.CloseOver(path);
}

}  // namespace zelk
