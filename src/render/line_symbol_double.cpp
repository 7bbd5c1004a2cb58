// Double lines of a line symbol: full and dashed sides, and the fill between them in strips.
#include "geometry/coord_math.h"
#include "render/line_symbol_draw.h"

namespace zelk {

namespace {

constexpr int32_t kControlFlags = kFirstCurvePoint | kSecondCurvePoint;
// A fill strip ends once it has this many points after its first (at a point that is not a
// control point), keeping each strip well inside the device's fill limit.
constexpr int kStripPoints = 29;

// A work path point as an output point: curve flags stay, the gap, corner and ring flags go.
Coord OutputPoint(Coord p) {
  return {p.x & ~(kFlagMask & ~kControlFlags), p.y & kPosMask};
}

// The right edge of a strip is walked backwards, so its control points change roles.
Coord ReversedControl(Coord p) {
  int32_t flags = 0;
  if (p.x & kFirstCurvePoint) flags |= kSecondCurvePoint;
  if (p.x & kSecondCurvePoint) flags |= kFirstCurvePoint;
  return {(p.x & ~kControlFlags) | flags, p.y};
}

}  // namespace

void LineDrawer::DrawFullSide(bool left, double offset, int32_t width) {
  PrepareWorkPath();
  const std::span<const Coord> pts = wp_.Points();
  const int n = static_cast<int>(pts.size());
  if (n < 2) return;
  auto gap = [&](int i) {
    const Coord p = pts[static_cast<size_t>(i)];
    return left ? (p.x & kNoLeftLine) != 0 : (p.y & kNoRightLine) != 0;
  };
  out_.Clear();
  sideStart_ = {};
  sideCloses_ = LineClosed() && !gap(0) && !gap(n - 2);
  if (!gap(0)) out_.Begin(OutputPoint(pts[0]));
  for (int i = 1; i < n; ++i) {
    const Coord p = OutputPoint(pts[static_cast<size_t>(i)]);
    if (!gap(i)) {
      if (gap(i - 1)) {
        out_.Begin(p);
      } else {
        out_.Add(p);
        if (i == n - 1) OffsetAndStroke(offset, width);
      }
    } else if (!gap(i - 1)) {
      // The flag suppresses the segment starting here: the line so far ends at this point.
      out_.Add(p);
      OffsetAndStroke(offset, width);
    }
  }
}

void LineDrawer::DrawDashedSide(double offset, int32_t width) {
  PrepareWorkPath();
  const int sections = wp_.SectionCount();
  if (sections == 0) return;
  const int64_t dash = len_.dblLength, gap = len_.dblGap;
  int64_t budget = kMaxPieces;
  sideStart_ = {};
  sideCloses_ = LineClosed();  // dashed sides have no gaps
  wp_.StartWholePath();
  BeginAtPosition();
  for (int k = 0; k < sections; ++k) {
    wp_.StartSection(k, len_.dblLength, len_.dblGap, 0, 0, 0, sym_.MinTwoGaps());
    const int64_t L = wp_.CurrentSectionLength();
    int64_t n = wp_.DashCount();
    if (n == 0 && dash / 4 < L) n = 1;
    if (n < 2 && gap < L) n = 2;
    // Too many dashes to be told apart: the section is drawn full.
    if (n > budget) n = 0;
    budget -= n;
    if (n == 0) {
      ExtendTo(static_cast<double>(L));
      continue;
    }
    // n equal cells of dash and gap; the last dash ends at the section's end and goes on into
    // the next section, so a corner never falls into a gap.
    for (int64_t i = 1; i <= n; ++i) {
      const int64_t g = RoundDistance(static_cast<double>(i) * static_cast<double>(gap + L) /
                                      static_cast<double>(n));
      ExtendTo(static_cast<double>(g - gap));
      if (i < n) {
        OffsetAndStroke(offset, width);
        wp_.MoveToDistance(static_cast<double>(g));
        BeginAtPosition();
      }
    }
  }
  if (open_) OffsetAndStroke(offset, width);
}

void LineDrawer::DrawDoubleLineFill() {
  PrepareWorkPath();
  const std::span<const Coord> pts = wp_.Points();
  const int n = static_cast<int>(pts.size());
  if (n < 2) return;
  const double half = len_.dblWidth / 2;
  MitreOffsetter mitre;
  // A closed line's fill meets itself at the closing point along the mitre.
  const bool closed = n >= 3 && pts[static_cast<size_t>(n) - 1].SamePlace(pts[0]);
  Coord closeL{}, closeR{};
  if (closed) mitre.ClosingOffsetPoints(pts, -half, half, closeL, closeR);
  std::vector<Coord>& right = work_.right;
  int stripFirst = 0;
  for (int i = 0; i < n; ++i) {
    Coord l, r;
    mitre.MitreOffsetPoints(pts, i, -half, half, l, r);
    if (closed && (i == 0 || i == n - 1)) {
      const Coord v = pts[static_cast<size_t>(i)];
      l = {PosWord(closeL.x) | FlagByte(v.x), PosWord(closeL.y) | FlagByte(v.y)};
      r = {PosWord(closeR.x) | FlagByte(v.x), PosWord(closeR.y) | FlagByte(v.y)};
    }
    l = OutputPoint(l);
    r = ReversedControl(OutputPoint(r));
    if (i == stripFirst) {
      out_.Begin(l);
      right.clear();
    } else {
      out_.Add(l);
    }
    right.push_back(r);
    const bool atEnd = i == n - 1;
    if (atEnd || (i - stripFirst >= kStripPoints && !(r.x & kControlFlags))) {
      for (auto it = right.rbegin(); it != right.rend(); ++it) out_.Add(*it);
      FillPoints(out_.Points());
      if (!atEnd) {
        // The next strip shares this strip's last edge.
        stripFirst = i;
        out_.Begin(l);
        right.clear();
        right.push_back(r);
      }
    }
  }
  open_ = false;
}

}  // namespace zelk
