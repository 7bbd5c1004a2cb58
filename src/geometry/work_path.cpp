// The work path of a line and the walker along it.
#include "geometry/work_path.h"

#include <algorithm>
#include <cmath>

#include "geometry/coord_math.h"
#include "geometry/curves.h"

namespace zelk {

namespace {
constexpr int32_t kGapFlagX = kNoLeftLine;
constexpr int32_t kGapFlagY = kNoRightLine;
// Pieces per curve while walking: enough for spacing, few enough to keep walking linear.
constexpr int kWalkSplitDepth = 2;
constexpr double kWalkSplitTolerance = 4;
}  // namespace

WorkPath::WorkPath() {
  points_.reserve(kMaxPoints);
  sectionLengths_.reserve(kMaxSections);
  sectionStarts_.reserve(kMaxSections);
}

int64_t WorkPath::SectionLength(int k) const {
  if (k < 0 || k >= SectionCount()) return 0;
  return sectionLengths_[static_cast<size_t>(k)];
}

void WorkPath::PrepareWorkPath(std::span<const Coord> src) {
  points_.clear();
  sectionLengths_.clear();
  sectionStarts_.clear();
  largestSection_ = 0;
  totalLength_ = 0;
  truncated_ = false;
  firstSegment_ = {};
  storeFirstSegment_ = true;
  dashCount_ = 0;
  dashScale_ = 0;
  cos_ = sin_ = 0;

  const size_t n = src.size();
  if (n > 0) {
    Coord first = src[0];
    first.x &= ~kCurveFlags;
    points_.push_back(first);
  }
  Coord pieces[12];
  size_t i = 0;
  while (i + 1 < n) {
    if ((src[i + 1].x & kFirstCurvePoint) && i + 3 < n) {
      const int m = SplitBezier(&src[i], pieces, kWalkSplitDepth, kWalkSplitTolerance);
      if (points_.size() + static_cast<size_t>(m) > static_cast<size_t>(kMaxPoints)) {
        truncated_ = true;
        break;
      }
      // A gap flag on the curve's start holds for all of its pieces.
      const int32_t gx = src[i].x & kGapFlagX, gy = src[i].y & kGapFlagY;
      for (int k = 0; k < m - 1; ++k) {
        pieces[k].x |= gx;
        pieces[k].y |= gy;
      }
      // The end keeps its own flags: its corner ends a section, its gap flags belong to the
      // segment after it.
      Coord end = src[i + 3];
      end.x &= ~kCurveFlags;
      pieces[m - 1] = end;
      points_.insert(points_.end(), pieces, pieces + m);
      i += 3;
    } else {
      if (points_.size() >= static_cast<size_t>(kMaxPoints)) {
        truncated_ = true;
        break;
      }
      Coord q = src[i + 1];
      q.x &= ~kCurveFlags;  // a stray control-point flag must not make the walker read a curve
      points_.push_back(q);
      i += 1;
    }
  }

  const int count = PointCount();
  if (count > 0) {
    sectionStarts_.push_back(0);
    int64_t len = 0;
    int idx = 0;
    while (idx + 1 < count) {
      const int end =
          (points_[static_cast<size_t>(idx) + 1].x & kFirstCurvePoint) ? idx + 3 : idx + 1;
      len += SegmentLength(points_[static_cast<size_t>(idx)], points_[static_cast<size_t>(end)]);
      idx = end;
      if ((points_[static_cast<size_t>(idx)].y & kCornerPoint) && idx < count - 1 &&
          SectionCount() + 1 < kMaxSections) {
        sectionLengths_.push_back(len);
        sectionStarts_.push_back(idx);
        len = 0;
      }
    }
    sectionLengths_.push_back(len);
    for (int64_t l : sectionLengths_) {
      largestSection_ = std::max(largestSection_, l);
      totalLength_ += l;
    }
  }

  section_ = 0;
  currentLength_ = SectionLength(0);
  ResetWalker(0);
  MoveToDistance(0);
}

void WorkPath::ResetWalker(int startIndex) {
  sectionStart_ = startIndex;
  segStartIndex_ = startIndex;
  nextIndex_ = startIndex + 1;
  const Coord s = points_.empty() ? Coord{} : points_[static_cast<size_t>(startIndex)];
  const Vec v{static_cast<double>(PosWord(s.x)), static_cast<double>(PosWord(s.y))};
  for (Vec& p : p_) p = v;
  segEnd_ = s;
  onCurve_ = false;
  segLength_ = 0;
  walked_ = 0;
  lastDistance_ = 0;
  position_ = PosOnly(s);
  posExact_ = v;
  posInSegment_ = false;
  posT_ = 0;
}

void WorkPath::StartSection(int k, int32_t mainLength, int32_t gap, int32_t endLength,
                            int32_t distFromStart, int32_t distToEnd, bool minOneDash) {
  dashCount_ = 0;
  dashScale_ = 0;
  if (SectionCount() == 0) {
    section_ = 0;
    currentLength_ = 0;
    ResetWalker(0);
    return;
  }
  k = std::clamp(k, 0, SectionCount() - 1);
  section_ = k;
  currentLength_ = sectionLengths_[static_cast<size_t>(k)];
  ResetWalker(sectionStarts_[static_cast<size_t>(k)]);
  MoveToDistance(0);

  double usable = static_cast<double>(currentLength_);
  if (k == 0) usable -= distFromStart;
  if (k == SectionCount() - 1) usable -= distToEnd;
  const double a = mainLength, g = gap, e = endLength;
  double n = 0;
  // A pattern whose dash and gap add up to nothing (damaged symbol) has no main dashes.
  if (a > 0 && usable > 0 && a + g > 0) {
    n = RoundHalfEven((usable - 2 * e - g) / (a + g));
    n = std::clamp(n, 0.0, static_cast<double>(kMaxDashCount));
  }
  if (n == 0 && minOneDash) n = 1;
  dashCount_ = static_cast<int32_t>(n);
  const double denom = 2 * e + n * a;
  dashScale_ = denom > 0 ? (usable - (n + 1) * g) / denom : 0;
}

void WorkPath::StartWholePath() {
  section_ = 0;
  currentLength_ = totalLength_;
  dashCount_ = 0;
  dashScale_ = 0;
  ResetWalker(0);
  MoveToDistance(0);
}

void WorkPath::LoadNextSegment() {
  walked_ += segLength_;
  segStartIndex_ = nextIndex_ - 1;
  const Coord start = points_[static_cast<size_t>(segStartIndex_)];
  const Coord next = points_[static_cast<size_t>(nextIndex_)];
  Coord c1 = start, c2, end;
  if ((next.x & kFirstCurvePoint) && nextIndex_ + 2 < PointCount()) {
    c1 = next;
    c2 = points_[static_cast<size_t>(nextIndex_) + 1];
    end = points_[static_cast<size_t>(nextIndex_) + 2];
    nextIndex_ += 3;
    onCurve_ = true;
  } else {
    end = next;
    c2 = end;
    nextIndex_ += 1;
    onCurve_ = false;
  }
  p_[0] = {static_cast<double>(PosWord(start.x)), static_cast<double>(PosWord(start.y))};
  p_[1] = {static_cast<double>(PosWord(c1.x)), static_cast<double>(PosWord(c1.y))};
  p_[2] = {static_cast<double>(PosWord(c2.x)), static_cast<double>(PosWord(c2.y))};
  p_[3] = {static_cast<double>(PosWord(end.x)), static_cast<double>(PosWord(end.y))};
  segEnd_ = end;
  segLength_ = SegmentLength(start, end);
  posInSegment_ = false;
}

bool WorkPath::LoadPreviousSegment() {
  if (segStartIndex_ <= 0) return false;
  const int endIdx = segStartIndex_;
  int startIdx = endIdx - 1;
  if (endIdx - 3 >= 0 && (points_[static_cast<size_t>(endIdx) - 1].x & kSecondCurvePoint) &&
      (points_[static_cast<size_t>(endIdx) - 2].x & kFirstCurvePoint)) {
    startIdx = endIdx - 3;
  }
  // Re-read the segment forwards from its start, then take back its length.
  const int64_t walkedBefore = walked_;
  segLength_ = 0;
  nextIndex_ = startIdx + 1;
  LoadNextSegment();
  walked_ = walkedBefore - segLength_;
  return true;
}

void WorkPath::Evaluate(double t) {
  auto lerp = [t](Vec a, Vec b) { return Vec{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)}; };
  if (onCurve_) {
    level1_[0] = lerp(p_[0], p_[1]);
    level1_[1] = lerp(p_[1], p_[2]);
    level1_[2] = lerp(p_[2], p_[3]);
    level2_[0] = lerp(level1_[0], level1_[1]);
    level2_[1] = lerp(level1_[1], level1_[2]);
    posExact_ = lerp(level2_[0], level2_[1]);
  } else {
    posExact_ = lerp(p_[0], p_[3]);
  }
  position_ = RoundedPoint(posExact_);
  posT_ = t;
  posInSegment_ = true;
}

Coord WorkPath::RoundedPoint(Vec v) const {
  return {RoundToPosition(v.x), RoundToPosition(v.y)};
}

void WorkPath::MoveToDistance(double d) {
  lastDistance_ = d;
  if (points_.empty()) {
    position_ = {};
    return;
  }
  while (d < static_cast<double>(walked_) && LoadPreviousSegment()) {
  }
  while ((static_cast<double>(walked_ + segLength_) < d || segLength_ == 0) && HasNextSegment())
    LoadNextSegment();
  double t;
  if (segLength_ == 0 || static_cast<double>(walked_ + segLength_) < d) {
    t = 1;  // past the end of the path: its last point
  } else {
    // Before the line's start: its first point, never the first segment's extension.
    t = std::max(0.0, (d - static_cast<double>(walked_)) / static_cast<double>(segLength_));
  }
  Evaluate(t);
}

void WorkPath::AppendCubic(OutputPath& out, Vec c1, Vec c2, Coord end) const {
  const Coord a = RoundedPoint(c1), b = RoundedPoint(c2);
  out.Add({a.x | kFirstCurvePoint, a.y});
  out.Add({b.x | kSecondCurvePoint, b.y});
  out.Add(PosOnly(end));
}

void WorkPath::ExtendToDistance(double d, OutputPath& out) {
  if (points_.empty()) return;
  if (d >= static_cast<double>(walked_)) {
    // Finish every segment that ends before d: the rest of it from the current position.
    while (static_cast<double>(walked_ + segLength_) < d && HasNextSegment()) {
      const bool inside = posInSegment_ && posT_ > 0;
      if (!onCurve_) {
        out.AddDistinct(PosOnly(segEnd_));
      } else if (inside && posT_ < 1) {
        AppendCubic(out, level2_[1], level1_[2], segEnd_);
      } else if (!inside) {
        AppendCubic(out, p_[1], p_[2], segEnd_);
      } else {
        out.AddDistinct(PosOnly(segEnd_));
      }
      LoadNextSegment();
    }
  }
  const int segBefore = segStartIndex_;
  const bool wasInside = posInSegment_;
  const double t0 = posT_;
  MoveToDistance(d);
  const double t1 = posT_;
  const bool sameSegment = wasInside && segBefore == segStartIndex_;

  if (!onCurve_ || (sameSegment && t1 <= t0)) {
    out.AddDistinct(position_);
  } else if (!sameSegment || t0 <= 0) {
    // The piece from the curve's start: the left part of the last evaluation.
    AppendCubic(out, level1_[0], level2_[0], position_);
  } else {
    // The piece between two positions on one curve: cut the left part at t0 / t1.
    const double s = t0 / t1;
    auto lerp = [s](Vec a, Vec b) { return Vec{a.x + s * (b.x - a.x), a.y + s * (b.y - a.y)}; };
    const Vec lb = lerp(level1_[0], level2_[0]);
    const Vec lc = lerp(level2_[0], posExact_);
    const Vec le = lerp(lb, lc);
    AppendCubic(out, le, lc, position_);
  }

  if (storeFirstSegment_ && firstSegment_.StoreFrom(out)) storeFirstSegment_ = false;
}

WorkPath::Vec WorkPath::DirectionVector() const {
  if (points_.empty()) return {};
  if (onCurve_) {
    auto diff = [](Vec a, Vec b) { return Vec{b.x - a.x, b.y - a.y}; };
    auto zero = [](Vec v) { return v.x == 0 && v.y == 0; };
    Vec v = posInSegment_ ? diff(level2_[0], level2_[1]) : diff(p_[0], p_[1]);
    // A control point on its end point leaves no tangent there; the neighbouring control
    // point, then the chord, still give the curve's way.
    if (zero(v) && posInSegment_) v = diff(level1_[0], level1_[2]);
    if (zero(v)) v = diff(p_[0], p_[3]);
    return v;
  }
  int b = segStartIndex_;
  int f = std::min(nextIndex_ - 1, PointCount() - 1);
  auto at = [this](int i) { return points_[static_cast<size_t>(i)]; };
  // A short segment alone gives a shaky direction: widen to the neighbours within 25 units.
  // The indices stop on the last near point, so a far point round a corner never decides.
  while (b > 0 && PointsNearUnits(at(b - 1), position_, 25) &&
         PointsNearUnits(at(b - 1), at(f), 25))
    --b;
  while (f < PointCount() - 1 && PointsNearUnits(at(f + 1), position_, 25) &&
         PointsNearUnits(at(f + 1), at(b), 25))
    ++f;
  return {static_cast<double>(PosWord(at(f).x)) - PosWord(at(b).x),
          static_cast<double>(PosWord(at(f).y)) - PosWord(at(b).y)};
}

void WorkPath::DirectionAtPosition() {
  const Vec v = DirectionVector();
  const double len = std::hypot(v.x, v.y);
  const double div = len == 0 ? 1 : len;
  cos_ = v.x / div;
  sin_ = v.y / div;
}

void WorkPath::OffsetPointsAtPosition(double halfWidth) {
  const Vec v = DirectionVector();
  double len = std::hypot(v.x, v.y);
  if (len == 0) len = 1;
  const int64_t dx = int64_t{RoundToInt(v.x * halfWidth / len)} * 256;
  const int64_t dy = int64_t{RoundToInt(v.y * halfWidth / len)} * 256;
  const int64_t x = position_.x, y = position_.y;
  left_ = {ClampCoord(x - dy), ClampCoord(y + dx)};
  right_ = {ClampCoord(x + dy), ClampCoord(y - dx)};
}

}  // namespace zelk
