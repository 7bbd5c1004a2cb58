// The work path of a line, its sections between corners, and the walker that moves along it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "geometry/output_path.h"
#include "storage/coord.h"
#include "storage/records.h"

namespace zelk {

// One WorkPath is owned by whoever draws lines (the renderer keeps one and reuses it for every
// object). Its buffers are allocated once at construction; preparing a path and walking it never
// allocate.
//
// Use: PrepareWorkPath(points); then for each section k, StartSection(k, ...) and moves and
// extensions at distances measured from the section's start; or StartWholePath() and distances
// from the line's start. All lengths and distances are in map units, measured with the fast
// length (SegmentLength).
class WorkPath {
 public:
  static constexpr int kMaxPoints = 8192;
  static constexpr int kMaxSections = 512;
  // Dash counts above this are cut; only damaged symbols reach it, and it keeps drawing bounded.
  static constexpr int32_t kMaxDashCount = 1000000;

  WorkPath();

  // Builds the path from an object's points: each cubic segment split into at most four
  // pieces; the line's gap flags (NoLeftLine, NoRightLine) of a curve's start point carried onto
  // every point of its pieces but the last; a section ends at each CornerPoint and at the last
  // point. Curve flags that do not introduce a whole cubic are dropped. A path that would exceed
  // kMaxPoints ends at the last whole segment that fits; corners beyond the kMaxSections-th
  // section no longer end sections. Resets the walker to the line's start in section 0 and asks
  // for the first output segment to be stored.
  void PrepareWorkPath(std::span<const Coord> points);
  void PrepareWorkPath(const ObjectRecord& object) { PrepareWorkPath(object.coords); }

  // The path's points and sections.
  std::span<const Coord> Points() const { return points_; }
  int PointCount() const { return static_cast<int>(points_.size()); }
  bool Truncated() const { return truncated_; }
  int SectionCount() const { return static_cast<int>(sectionLengths_.size()); }
  int64_t SectionLength(int k) const;
  int64_t LargestSectionLength() const { return largestSection_; }
  int64_t TotalLength() const { return totalLength_; }

  // Positions the walker at the start of section k and computes DashCount and DashScale for a
  // pattern of main dashes (mainLength), gaps (gap) and an end dash at each end (endLength),
  // with distFromStart left off the first section and distToEnd off the last. minOneDash gives
  // at least one main dash (two gaps) to a section too short for one.
  void StartSection(int k, int32_t mainLength, int32_t gap, int32_t endLength,
                    int32_t distFromStart, int32_t distToEnd, bool minOneDash = false);
  // Positions the walker at the line's start; the current section length becomes the whole
  // line's length and distances run from the line's start.
  void StartWholePath();

  int CurrentSection() const { return section_; }
  int64_t CurrentSectionLength() const { return currentLength_; }
  int32_t DashCount() const { return dashCount_; }
  double DashScale() const { return dashScale_; }

  // Moves to distance d from the start of the current section (or of the line after
  // StartWholePath). The position never leaves the line: before the section's start it lies in
  // the sections before, before the line's start it is the first point and beyond the line's
  // end the last.
  void MoveToDistance(double d);
  // Appends to out everything the line passes between the last position and distance d, curves
  // as cubic pieces, ending with the point at d; out must have been begun (at the last position).
  // The first time a path is extended after PrepareWorkPath, its first segment is stored.
  void ExtendToDistance(double d, OutputPath& out);

  // Sets Cos and Sin to the direction of the line at the current position; 0 and 0 where the
  // line has no direction (all its points coincide).
  void DirectionAtPosition();
  // Sets LeftPoint and RightPoint halfWidth map units to either side of the current position.
  void OffsetPointsAtPosition(double halfWidth);

  Coord Position() const { return position_; }
  double LastDistance() const { return lastDistance_; }
  bool OnCurve() const { return onCurve_; }
  double Cos() const { return cos_; }
  double Sin() const { return sin_; }
  Coord LeftPoint() const { return left_; }
  Coord RightPoint() const { return right_; }

  // The first segment of the first path extended along this line (empty until then).
  const FirstSegment& StoredFirstSegment() const { return firstSegment_; }
  // Closes out over the stored first segment when it ends where the line began.
  bool CloseOverStoredSegment(OutputPath& out) const { return firstSegment_.CloseOver(out); }

 private:
  struct Vec {
    double x = 0, y = 0;
  };

  void ResetWalker(int startIndex);
  bool HasNextSegment() const { return nextIndex_ < PointCount(); }
  void LoadNextSegment();
  bool LoadPreviousSegment();
  void Evaluate(double t);
  Coord RoundedPoint(Vec v) const;
  void AppendCubic(OutputPath& out, Vec c1, Vec c2, Coord end) const;
  Vec DirectionVector() const;

  std::vector<Coord> points_;
  std::vector<int64_t> sectionLengths_;
  std::vector<int> sectionStarts_;  // path index of each section's first point
  int64_t largestSection_ = 0;
  int64_t totalLength_ = 0;
  bool truncated_ = false;

  // Walker.
  int section_ = 0;
  int sectionStart_ = 0;
  int64_t currentLength_ = 0;
  int segStartIndex_ = 0;  // index of the current segment's start point
  int nextIndex_ = 0;      // index of the next path point to read
  Vec p_[4];               // the current segment: start, control points, end
  Coord segEnd_{};         // the end point as stored
  bool onCurve_ = false;
  int64_t segLength_ = 0;
  int64_t walked_ = 0;  // length walked before the current segment
  double lastDistance_ = 0;
  Coord position_{};
  Vec posExact_;  // the position before rounding
  // The last evaluation: its parameter in the current segment (valid while posInSegment_),
  // first-level points a, b, c and second-level points d, e.
  bool posInSegment_ = false;
  double posT_ = 0;
  Vec level1_[3];
  Vec level2_[2];

  int32_t dashCount_ = 0;
  double dashScale_ = 0;
  double cos_ = 0, sin_ = 0;
  Coord left_{}, right_{};

  FirstSegment firstSegment_;
  bool storeFirstSegment_ = false;
};

}  // namespace zelk
