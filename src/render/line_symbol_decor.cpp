// Symbols along a line (main groups, secondary, start and end, optionally decreasing) and corner
// symbols.
#include <cmath>
#include <cstdlib>

#include "geometry/coord_math.h"
#include "render/line_symbol_draw.h"

namespace zelk {

namespace {

struct Placement {
  int64_t d;  // from the start of the drawn part of the section
  double f;   // size across the line
};

// Symbol positions of one section: the middle of each gap, or the spacing of a decreasing
// section, where the spacing shrinks with the symbols so that they keep their look.
struct SectionPositions {
  enum class Shape { Even, TowardsEnd, TowardsStart, TowardsBoth };
  Shape shape = Shape::Even;
  int64_t n = 0;
  double s = 0;        // DashScale
  double e = 0;        // spacing of full-size symbols in a decreasing section
  double l = 0;        // size lost by the last symbol, as a fraction
  int64_t usable = 0;  // section length without the undrawn ends
  int64_t mainLength = 0, endLength = 0, mainGap = 0;

  Placement TowardsEndAt(int64_t i) const {
    if (n == 0) return {RoundDistance(s * endLength), 1.0};
    const double di = static_cast<double>(i), dn = static_cast<double>(n);
    return {RoundDistance(s * endLength + e * (di - l * di * di / (2 * dn))), 1 - l * di / dn};
  }

  Placement At(int64_t i) const {
    switch (shape) {
      case Shape::Even:
        return {RoundDistance((static_cast<double>(i) * mainLength + endLength) * s) + i * mainGap +
                    mainGap / 2,
                1.0};
      case Shape::TowardsEnd:
        return TowardsEndAt(i);
      case Shape::TowardsStart: {
        const Placement mirror = TowardsEndAt(n - i);
        return {usable - mirror.d, mirror.f};
      }
      case Shape::TowardsBoth: {
        if (n == 0) return TowardsEndAt(i);
        const double m = static_cast<double>(i) - static_cast<double>(n) / 2;
        const double dn = static_cast<double>(n);
        const int64_t d = usable / 2 + RoundDistance(e * (std::abs(m) - l * m * m / dn));
        // Symmetric about the middle: the start half mirrors the end half.
        return {m >= 0 ? d : usable - d, 1 - 2 * l * std::abs(m) / dn};
      }
    }
    return {0, 1.0};
  }
};

}  // namespace

void LineDrawer::DrawSymbolsAlongLine() {
  if (sym_.DecMode != 0 && len_.mainLength < 1) return;
  PrepareWorkPath();
  const int sections = wp_.SectionCount();
  const int64_t largest = wp_.LargestSectionLength();
  const double l = (100 - len_.decLast) * 0.01;
  const int nPrim = sym_.MainList.empty() ? 0 : std::max<int>(sym_.NPrimSym, 0);
  const bool secondary = sym_.SecDSize >= 1 && !sym_.SecList.empty();
  int64_t budget = kMaxPieces;

  for (int k = 0; k < sections; ++k) {
    const bool lastSection = k == sections - 1;
    const bool towardsEnd = sym_.DecMode != 0 && lastSection;
    const bool towardsStart = sym_.DecMode >= 2 && k == 0;
    const bool decreasing = towardsEnd || towardsStart;
    const int32_t a =
        decreasing
            ? static_cast<int32_t>(RoundDistance(len_.mainLength * (len_.decLast + 100) * 0.005))
            : len_.mainLength;
    wp_.StartSection(k, a, len_.mainGap, len_.endLength, len_.distFromStart, len_.distToEnd,
                     sym_.MinTwoGaps());
    const int64_t L = wp_.CurrentSectionLength();
    const int64_t r = k == 0 ? len_.distFromStart : 0;
    const int64_t t = lastSection ? len_.distToEnd : 0;
    if (L - r - t < 1) continue;

    SectionPositions pos;
    pos.n = wp_.DashCount();
    pos.s = wp_.DashScale();
    pos.l = l;
    pos.usable = L - r - t;
    pos.mainLength = len_.mainLength;
    pos.endLength = len_.endLength;
    pos.mainGap = len_.mainGap;
    // The decreasing spacing shares out the drawn part of the section, so that undrawn ends do
    // not push the last symbols past the line's end.
    if (decreasing && pos.n >= 1) {
      pos.e = (static_cast<double>(pos.usable) - 2 * pos.s * len_.endLength) /
              static_cast<double>(pos.n) / (1 - l / 2);
    }
    using Shape = SectionPositions::Shape;
    pos.shape = towardsEnd && towardsStart ? Shape::TowardsBoth
                : towardsEnd               ? Shape::TowardsEnd
                : towardsStart             ? Shape::TowardsStart
                                           : Shape::Even;

    if (k == 0 && sym_.StartDSize >= 1) DrawListAtPosition(sym_.StartList, 1.0);

    const int64_t perPosition = std::max(nPrim, 1) + (secondary ? 1 : 0);
    const bool room = pos.s > 0.5 || L > largest - 5;
    if (room && pos.n >= 0 && (pos.n + 1) * perPosition <= budget) {
      budget -= (pos.n + 1) * perPosition;
      for (int64_t i = 0; i <= pos.n; ++i) {
        const Placement p = pos.At(i);
        for (int j = 0; j < nPrim; ++j) {
          const double shift = (j - (nPrim - 1) / 2.0) * len_.primSymDist;
          wp_.MoveToDistance(static_cast<double>(r + p.d + RoundDistance(shift)));
          DrawListAtPosition(sym_.MainList, p.f);
        }
        if (secondary && i < pos.n) {
          wp_.MoveToDistance(
              static_cast<double>(r + p.d + RoundDistance(p.f * (len_.mainLength / 2))));
          DrawListAtPosition(sym_.SecList, p.f);
        }
      }
    }

    if (lastSection && sym_.EndDSize >= 1) {
      wp_.MoveToDistance(static_cast<double>(L));
      DrawListAtPosition(sym_.EndList, 1.0);
    }
  }
}

void LineDrawer::DrawCornerSymbols() {
  // Every vertex goes through the offsetter in order, so that each incoming angle comes from
  // the vertex before without replaying the line.
  MitreOffsetter mitre;
  const int n = static_cast<int>(points_.size());
  for (int i = 0; i < n; ++i) {
    const MitreAngles angles = mitre.Angles(points_, i);
    const Coord p = points_[static_cast<size_t>(i)];
    if (!(p.y & kCornerPoint) || (p.x & (kFirstCurvePoint | kSecondCurvePoint))) continue;
    const double direction = angles.incoming + angles.turn / 2;
    DrawList(sym_.CornerList, p, std::cos(direction), std::sin(direction), angles.factor);
  }
}

}  // namespace zelk
