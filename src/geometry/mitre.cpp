// Mitred offset points of a point list.
#include "geometry/mitre.h"

#include <cmath>
#include <numbers>

#include "geometry/coord_math.h"

namespace zelk {

namespace {

constexpr double kPi = std::numbers::pi;

// Turn brought into (-pi, pi] and the mitre factor, limited to four times the offset.
void CompleteAngles(MitreAngles& r) {
  double turn = r.outgoing - r.incoming;
  if (turn > kPi)
    turn -= 2 * kPi;
  else if (turn <= -kPi)
    turn += 2 * kPi;
  r.turn = turn;
  const double c = std::cos(turn / 2);
  r.factor = c > 0.25 ? 1.0 / c : 4.0;
}

void OffsetAlongMitre(const MitreAngles& m, Coord v, double a, double b, Coord& left,
                      Coord& right) {
  const double theta = m.turn / 2 + m.incoming - kPi / 2;
  const double f = m.factor * 256.0;
  const double ct = std::cos(theta), st = std::sin(theta);
  const double x = PosWord(v.x), y = PosWord(v.y);
  left = {RoundToPosition(x + f * a * ct) | FlagByte(v.x),
          RoundToPosition(y + f * a * st) | FlagByte(v.y)};
  right = {RoundToPosition(x + f * b * ct) | FlagByte(v.x),
           RoundToPosition(y + f * b * st) | FlagByte(v.y)};
}

}  // namespace

double MitreOffsetter::Outgoing(std::span<const Coord> points, int i) const {
  const int count = static_cast<int>(points.size());
  const Coord p = points[static_cast<size_t>(i)];
  for (int j = i + 1; j < count; ++j) {
    const Coord q = points[static_cast<size_t>(j)];
    if (PointsNearUnits(p, q, 5)) continue;
    const double dx = static_cast<double>(PosWord(q.x)) - PosWord(p.x);
    const double dy = static_cast<double>(PosWord(q.y)) - PosWord(p.y);
    if (dx > 0) return std::atan(dy / dx);
    if (dx < 0) return dy < 1 ? std::atan(dy / dx) - kPi : std::atan(dy / dx) + kPi;
    return dy < 1 ? -kPi / 2 : kPi / 2;
  }
  // No later point far enough: the direction so far goes on.
  return storedAngle_;
}

MitreAngles MitreOffsetter::Angles(std::span<const Coord> points, int i) {
  const int count = static_cast<int>(points.size());
  MitreAngles r;
  if (i < 0 || i >= count) return r;
  if (i == 0) {
    storedAngle_ = 0;
  } else if (i != lastIndex_ + 1) {
    storedAngle_ = 0;
    for (int k = 0; k < i; ++k) storedAngle_ = Outgoing(points, k);
  }
  r.outgoing = Outgoing(points, i);
  r.incoming = i == 0 ? r.outgoing : storedAngle_;
  storedAngle_ = r.outgoing;
  lastIndex_ = i;
  CompleteAngles(r);
  return r;
}

void MitreOffsetter::MitreOffsetPoints(std::span<const Coord> points, int i, double a, double b,
                                       Coord& left, Coord& right) {
  if (i < 0 || i >= static_cast<int>(points.size())) return;
  const MitreAngles m = Angles(points, i);
  OffsetAlongMitre(m, points[static_cast<size_t>(i)], a, b, left, right);
}

void MitreOffsetter::ClosingOffsetPoints(std::span<const Coord> points, double a, double b,
                                         Coord& left, Coord& right) {
  const int n = static_cast<int>(points.size());
  if (n < 2) return;
  // The incoming angle is the one the walk along the list arrives with.
  storedAngle_ = 0;
  for (int k = 0; k < n - 1; ++k) storedAngle_ = Outgoing(points, k);
  MitreAngles m;
  m.incoming = storedAngle_;
  m.outgoing = Outgoing(points, 0);
  CompleteAngles(m);
  lastIndex_ = -1;  // the next vertex asked for starts afresh
  OffsetAlongMitre(m, PosOnly(points[static_cast<size_t>(n - 1)]), a, b, left, right);
}

void OffsetOutputPath(OutputPath& path, double offset) {
  // Each vertex looks only at later points, which are still unmoved, so the path can be
  // replaced in place.
  MitreOffsetter mitre;
  std::span<Coord> pts = path.MutablePoints();
  Coord left, right;
  for (int i = 0; i < path.Count(); ++i) {
    mitre.MitreOffsetPoints(pts, i, offset, 0, left, right);
    pts[static_cast<size_t>(i)] = left;
  }
}

}  // namespace zelk
