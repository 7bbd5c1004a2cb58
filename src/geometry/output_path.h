// The output path: the point list that the renderer builds and every path primitive consumes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "storage/coord.h"

namespace zelk {

// Holds at most kCapacity points; its buffer is allocated once and reused, so building a path
// never allocates. Points beyond the capacity are dropped and the path remembers that.
class OutputPath {
 public:
  static constexpr int kCapacity = 8192;

  OutputPath() { points_.reserve(kCapacity); }

  void Clear() {
    points_.clear();
    overflowed_ = false;
  }
  // Starts a new path at p.
  void Begin(Coord p) {
    Clear();
    points_.push_back(p);
  }
  // Appends p; false (and the point dropped) when the path is full.
  bool Add(Coord p) {
    if (points_.size() >= static_cast<size_t>(kCapacity)) {
      overflowed_ = true;
      return false;
    }
    points_.push_back(p);
    return true;
  }
  // Appends p unless it repeats the last point exactly (same words, flags included).
  bool AddDistinct(Coord p) {
    if (!points_.empty() && points_.back() == p) return true;
    return Add(p);
  }

  int Count() const { return static_cast<int>(points_.size()); }
  bool Empty() const { return points_.empty(); }
  bool Overflowed() const { return overflowed_; }
  const Coord& operator[](int i) const { return points_[static_cast<size_t>(i)]; }
  Coord& operator[](int i) { return points_[static_cast<size_t>(i)]; }
  const Coord& Back() const { return points_.back(); }
  std::span<const Coord> Points() const { return points_; }
  std::span<Coord> MutablePoints() { return points_; }

 private:
  std::vector<Coord> points_;
  bool overflowed_ = false;
};

// The first segment of a path: its first two points, or four when the second point is a first
// control point. Closing a line over it makes the stroke join at the closing point instead of
// ending there twice.
struct FirstSegment {
  Coord points[4]{};
  int count = 0;  // 0 (nothing stored), 2 or 4

  // Takes the first segment of path; false (nothing stored) while the path is still too short.
  bool StoreFrom(const OutputPath& path);
  // When the path's last point lies at the stored segment's first point (flag bytes masked),
  // appends the stored points after the first. Returns true when it did.
  bool CloseOver(OutputPath& path) const;
};

// Closes a path over its own first segment (a line whose points are drawn as stored).
bool CloseOverFirstSegment(OutputPath& path);

}  // namespace zelk
