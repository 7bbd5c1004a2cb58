// Mitred offset points of a point list, used for double lines, fills between lines and corners.
#pragma once

#include <span>

#include "geometry/output_path.h"
#include "storage/coord.h"

namespace zelk {

// The angles at one vertex of a point list.
struct MitreAngles {
  double outgoing = 0;  // toward the first later point more than 5 map units away
  double incoming = 0;  // the previous vertex's outgoing angle (at vertex 0: the outgoing one)
  double turn = 0;      // outgoing - incoming, in (-pi, pi]
  double factor = 1;    // 1 / cos(turn / 2), at most 4: how far the mitre reaches
};

// Computes mitred offsets vertex by vertex. The incoming angle at a vertex is the outgoing
// angle of the vertex before, so the offsetter carries it from one call to the next; vertex 0
// starts a new list. Asking for a vertex out of order replays the vertices before it, so the
// answer never depends on the order of calls.
class MitreOffsetter {
 public:
  MitreAngles Angles(std::span<const Coord> points, int i);

  // Sets left and right to vertex i moved by the signed offsets a and b (map units) along the
  // mitre; each keeps the vertex's flag bytes. A negative offset lies left of the direction of
  // travel. i outside the list leaves both unchanged.
  void MitreOffsetPoints(std::span<const Coord> points, int i, double a, double b, Coord& left,
                         Coord& right);
  // For a closed list (its last point on its first): the offsets at the closing point, mitred
  // between the last segment and the first as if the list went on round, so that the two ends
  // meet. Flag bytes are cleared. Lists of fewer than two points leave both unchanged.
  void ClosingOffsetPoints(std::span<const Coord> points, double a, double b, Coord& left,
                           Coord& right);

 private:
  double Outgoing(std::span<const Coord> points, int i) const;

  double storedAngle_ = 0;
  int lastIndex_ = -1;
};

// Replaces every point of the path by its mitred offset at the given signed distance.
void OffsetOutputPath(OutputPath& path, double offset);

}  // namespace zelk
