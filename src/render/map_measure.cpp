// Measuring objects and making grid lines.
#include "render/map_measure.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "geometry/coord_math.h"
#include "geometry/curves.h"
#include "render/real_world.h"

namespace zelk {

std::vector<std::vector<std::pair<double, double>>> FlatRings(const ObjectRecord& obj) {
  std::vector<std::vector<std::pair<double, double>>> rings;
  const std::vector<Coord>& p = obj.coords;
  std::array<Coord, 64> flat{};
  for (size_t i = 0; i < p.size();) {
    if (rings.empty() || (i > 0 && (p[i].y & kHoleStart))) rings.emplace_back();
    auto& ring = rings.back();
    if (ring.empty()) {
      ring.emplace_back(p[i].PosX(), p[i].PosY());
      ++i;
      continue;
    }
    // A cubic segment: two control points then its end point, after the previous point.
    if ((p[i].x & kFirstCurvePoint) && i + 2 < p.size()) {
      const Coord seg[4] = {p[i - 1], p[i], p[i + 1], p[i + 2]};
      const int n = FlattenBezier(seg, flat, 6, 2.0);
      for (int k = 0; k < n; ++k)
        ring.emplace_back(flat[static_cast<size_t>(k)].PosX(), flat[static_cast<size_t>(k)].PosY());
      i += 3;
      continue;
    }
    ring.emplace_back(p[i].PosX(), p[i].PosY());
    ++i;
  }
  return rings;
}

Measurement MeasureObject(const ObjectRecord& obj, double mapScale) {
  Measurement m;
  const auto rings = FlatRings(obj);
  const bool area = obj.type == ObjectType::Area;
  for (size_t r = 0; r < rings.size(); ++r) {
    const auto& ring = rings[r];
    double length = 0, twice = 0;
    for (size_t i = 0; i + 1 < ring.size(); ++i)
      length += std::hypot(ring[i + 1].first - ring[i].first, ring[i + 1].second - ring[i].second);
    if (area && ring.size() >= 3) {
      // The outline of an area is closed whether or not its last point repeats the first.
      if (ring.back() != ring.front())
        length += std::hypot(ring.front().first - ring.back().first,
                             ring.front().second - ring.back().second);
      for (size_t i = 0; i < ring.size(); ++i) {
        const auto& a = ring[i];
        const auto& b = ring[(i + 1) % ring.size()];
        twice += a.first * b.second - b.first * a.second;
      }
      const double a = std::abs(twice) / 2;
      m.areaMm2 += (r == 0 ? a : -a) / 10000.0;
    }
    m.lengthMm += length / 100.0;
    if (!area) break;  // a line's text, if any, is not part of it
  }
  m.areaMm2 = std::max(m.areaMm2, 0.0);
  if (mapScale > 0 && std::isfinite(mapScale)) {
    m.lengthM = m.lengthMm * mapScale / 1000.0;
    m.areaM2 = m.areaMm2 * mapScale * mapScale / 1e6;
  }
  return m;
}

std::vector<int32_t> AddGridLines(MapStore& store, int symbol, const Box& area, GridKind kind,
                                  bool* ok) {
  std::vector<int32_t> added;
  if (ok) *ok = true;
  const SetupBlock& setup = store.Setup();
  ObjectRecord line;
  line.symbol = static_cast<int16_t>(symbol);
  line.type = ObjectType::Line;
  const auto add = [&](Coord a, Coord b) {
    line.coords = {PosOnly(a), PosOnly(b)};
    if (!store.AddObject(line)) {
      if (ok) *ok = false;
      return false;
    }
    added.push_back(store.ObjectCount());
    return true;
  };
  constexpr int kMaxLines = 2000;
  WriteBatch batch(store);
  if (kind == GridKind::Paper) {
    const double step = setup.PaperGrid() * kWordsPerMm;
    if (!(step >= 256)) return added;
    const double x0 = std::ceil(area.left / step), x1 = std::floor(area.right / step);
    const double y0 = std::ceil(area.bottom / step), y1 = std::floor(area.top / step);
    for (double k = x0; k <= x1 && k - x0 < kMaxLines; ++k) {
      const auto x = static_cast<int32_t>(std::lround(k * step));
      if (!add({x, area.bottom}, {x, area.top})) break;
    }
    for (double k = y0; k <= y1 && k - y0 < kMaxLines; ++k) {
      const auto y = static_cast<int32_t>(std::lround(k * step));
      if (!add({area.left, y}, {area.right, y})) break;
    }
  } else {
    const RealWorldTransform t(setup);
    const double g = setup.RealWorldGrid();
    if (!t.Valid() || !(g > 0)) return added;
    // The area's corners on the ground: the grid covers all of it.
    double e0 = 1e300, e1 = -1e300, n0 = 1e300, n1 = -1e300;
    for (const double x : {double(area.left), double(area.right)})
      for (const double y : {double(area.bottom), double(area.top)}) {
        const auto [e, n] = t.ToWorld(x, y);
        e0 = std::min(e0, e);
        e1 = std::max(e1, e);
        n0 = std::min(n0, n);
        n1 = std::max(n1, n);
      }
    const double k0 = std::ceil(e0 / g), k1 = std::floor(e1 / g);
    for (double k = k0; k <= k1 && k - k0 < kMaxLines; ++k)
      if (!add(t.ToMap(k * g, n0), t.ToMap(k * g, n1))) break;
    const double m0 = std::ceil(n0 / g), m1 = std::floor(n1 / g);
    for (double k = m0; k <= m1 && k - m0 < kMaxLines; ++k)
      if (!add(t.ToMap(e0, k * g), t.ToMap(e1, k * g))) break;
  }
  if (!batch.Commit() && ok) *ok = false;
  return added;
}

}  // namespace zelk
