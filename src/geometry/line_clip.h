// Clipping of a line (straight and cubic segments) to a rectangle, piece by piece.
#pragma once

#include <functional>
#include <span>
#include <vector>

#include "storage/coord.h"

namespace zelk {

// Cuts a line into the pieces that lie inside a box (edges count as inside). Four stages, one
// per edge (left, right, bottom, top), each handing its pieces to the next. A straight segment
// crossing an edge gets the crossing point, with clean flag bytes except the NoLeftLine and
// NoRightLine flags of the segment's start; a cubic segment is cut at its crossings and its
// inner parts stay cubic segments. A point with HoleStart begins a new piece. Three-point curve
// flags are dropped: such curves are clipped as their control polygon.
//
// The clipper keeps its point buffers between calls; keep one and reuse it.
class LineClipper {
 public:
  using PieceSink = std::function<void(std::span<const Coord>)>;

  void ClipLineToBox(std::span<const Coord> points, const Box& box, const PieceSink& sink);

 private:
  struct Edge {
    bool alongY;    // false: the edge bounds x; true: it bounds y
    int32_t bound;  // edge position, a word with a clean flag byte
    int sign;       // +1: values >= bound are inside; -1: values <= bound are inside
  };
  struct Vec {
    double x = 0, y = 0;
  };

  void RunStage(int stage, std::span<const Coord> in);
  void Emit(int stage);
  void AddPoint(int stage, Coord p);
  void ClipCurve(int stage, const Coord* q);
  double Side(int stage, double x, double y) const;
  Coord Crossing(int stage, Coord p, Coord q) const;
  Coord SnapToEdge(int stage, Vec v, int32_t xFlags, int32_t yFlags) const;

  Edge edges_[4]{};
  std::vector<Coord> pieces_[4];
  const PieceSink* sink_ = nullptr;
};

}  // namespace zelk
