// The geometry the editing tools need of an object's points: its segments as the renderer reads
// them, hit tests against its outline, the nearest place on the outline and the splitting of a
// segment there.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/coord_math.h"
#include "render/device_path.h"
#include "storage/records.h"

namespace zelk {

// A point that shapes a curve rather than lying on the object.
inline bool IsControlPoint(const Coord& c) {
  return (c.x & kCurveFlags) != 0;
}

// One segment of an object's point list, read as the renderer reads it: a cubic from `start`
// through two control points to `end`, a three-point curve through one control point, or a
// straight piece. For areas the closing piece from a ring's last point back to its first is a
// straight segment whose `end` lies before `start`.
struct OutlineSegment {
  enum class Kind { Straight, Cubic, Quadratic };
  Kind kind = Kind::Straight;
  int start = 0;
  int end = 0;
  bool closing = false;
};

// The segments of the points. Areas are read ring by ring (a point flagged as hole start begins
// a new ring) and each ring of three or more points is closed; lines are one open run.
std::vector<OutlineSegment> Segments(const ObjectRecord& obj);

// The first and one-past-last index of each ring of an area (a line is one ring).
std::vector<std::pair<int, int>> Rings(const ObjectRecord& obj);

// A segment flattened for hit tests (depth 4, tolerance 4 map units): its points after the start.
void FlattenSegment(const ObjectRecord& obj, const OutlineSegment& s, std::vector<Coord>* out);

// The whole outline as polylines in coordinate words, one per ring, flattened as above; for
// rubber bands and hit tests.
std::vector<std::vector<Coord>> OutlinePolylines(const ObjectRecord& obj);

// Euclidean distance in coordinate words from a point to the outline (flattened); a huge value
// for an object without segments.
double DistanceToOutline(const ObjectRecord& obj, Coord p);

// The point lies inside the rings (even-odd), each ring flattened and closed.
bool InsideRings(const ObjectRecord& obj, Coord p);
// The point lies inside the polygon of points [first, last).
bool InsidePolygon(const std::vector<Coord>& points, int first, int last, Coord p);

// The place on the outline nearest to a point.
struct OutlinePlace {
  bool found = false;
  int segment = 0;  // index into Segments()
  double t = 0;     // parameter along the segment
  Coord at;         // the place, whole map units, flags clear
  double distance = 0;
};
OutlinePlace NearestPlace(const ObjectRecord& obj, Coord p);

// Inserts an anchor at a place on a segment so that the drawn shape stays as it was: a straight
// segment gets one point, a curve is split in two by de Casteljau's construction. The new anchor
// carries the segment start's double-line flags and, with `corner`, the corner flag. Returns the
// index of the new anchor, or -1 when the place is unusable.
int InsertAt(ObjectRecord& obj, const std::vector<OutlineSegment>& segments,
             const OutlinePlace& place, bool corner);

// Index of the point nearest to p within `tolerance` words in both axes (anchors win ties),
// or -1. With `anchorsOnly`, control points are not considered.
int NearestPoint(const ObjectRecord& obj, Coord p, int32_t tolerance, bool anchorsOnly = false);

// The point on a cubic at parameter t, in unrounded words.
RealPoint BezierPoint(const Coord* p, double t);

// The midpoint of a cubic (parameter 1/2) by halving its control polygon.
Coord BezierMidpoint(const Coord* p);

}  // namespace zelk
