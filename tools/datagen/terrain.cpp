// The demo map's landscape: height field, contour tracing, simplification and smooth curves.
#include "terrain.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace zelk::datagen {

double Blob::Measure(double x, double y) const {
  const double dx = (x - cx) / a, dy = (y - cy) / b;
  const double angle = std::atan2(dy, dx);
  const double r = 1 + wobble * std::sin(3 * angle + phase) + 0.5 * wobble * std::sin(5 * angle);
  return std::hypot(dx, dy) / r;
}

std::vector<Pt> Blob::Outline(int points) const {
  std::vector<Pt> out;
  for (int i = 0; i < points; ++i) {
    const double angle = 2 * M_PI * i / points;
    const double r = 1 + wobble * std::sin(3 * angle + phase) + 0.5 * wobble * std::sin(5 * angle);
    out.push_back({static_cast<int32_t>(std::lround(cx + a * r * std::cos(angle))),
                   static_cast<int32_t>(std::lround(cy + b * r * std::sin(angle)))});
  }
  out.push_back(out.front());
  return out;
}

namespace {

double Bump(double x, double y, double cx, double cy, double sx, double sy) {
  const double dx = (x - cx) / sx, dy = (y - cy) / sy;
  return std::exp(-(dx * dx + dy * dy));
}

double DistanceToPolyline(double x, double y, const std::vector<Pt>& line) {
  double best = 1e18;
  for (size_t i = 1; i < line.size(); ++i) {
    const double ax = line[i - 1].x, ay = line[i - 1].y, bx = line[i].x, by = line[i].y;
    const double vx = bx - ax, vy = by - ay, len2 = vx * vx + vy * vy;
    double t = len2 > 0 ? ((x - ax) * vx + (y - ay) * vy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    best = std::min(best, std::hypot(x - ax - t * vx, y - ay - t * vy));
  }
  return best;
}

}  // namespace

double Terrain::HeightAt(double x, double y) const {
  double h = 285 + 0.0012 * y + 0.0004 * x;
  h += 70 * Bump(x, y, 6500, 14500, 4200, 3600);   // the western hill
  h += 20 * Bump(x, y, 9800, 17500, 2200, 1800);   // its northern shoulder
  h += 55 * Bump(x, y, 22500, 15500, 4000, 3200);  // the eastern hill
  h += 35 * Bump(x, y, 26000, 5200, 2600, 2200);   // the knoll in the south-east
  h += 12 * Bump(x, y, 3000, 4000, 3000, 2000);
  h -= 15 * std::exp(-std::pow(DistanceToPolyline(x, y, river) / 1500, 2));
  h -= 15 * Bump(x, y, lake.cx, lake.cy, 4500, 3000);
  const double floor = 296;  // the lake's level: nothing lower
  if (h < floor) h = floor;
  if (lake.Measure(x, y) < 1) h = floor;
  return h;
}

std::vector<std::vector<Pt>> ContourLines(const Terrain& t, double level, double step) {
  const int nx = static_cast<int>(t.width / step), ny = static_cast<int>(t.height / step);
  std::vector<double> h(static_cast<size_t>((nx + 1) * (ny + 1)));
  for (int j = 0; j <= ny; ++j)
    for (int i = 0; i <= nx; ++i)
      h[static_cast<size_t>(j * (nx + 1) + i)] = t.HeightAt(i * step, j * step);
  const auto H = [&](int i, int j) { return h[static_cast<size_t>(j * (nx + 1) + i)]; };
  // Edge ids: horizontal edge from (i, j) 2k, vertical edge from (i, j) 2k + 1.
  const auto hEdge = [&](int i, int j) { return 2 * (j * (nx + 1) + i); };
  const auto vEdge = [&](int i, int j) { return 2 * (j * (nx + 1) + i) + 1; };
  const auto edgePoint = [&](int e) {
    const int k = e / 2, i = k % (nx + 1), j = k / (nx + 1);
    const int i2 = (e % 2) ? i : i + 1, j2 = (e % 2) ? j + 1 : j;
    const double a = H(i, j), b = H(i2, j2);
    const double f = (level - a) / (b - a);
    return Pt{static_cast<int32_t>(std::lround((i + f * (i2 - i)) * step)),
              static_cast<int32_t>(std::lround((j + f * (j2 - j)) * step))};
  };
  std::vector<std::pair<int, int>> segments;
  for (int j = 0; j < ny; ++j) {
    for (int i = 0; i < nx; ++i) {
      const bool a = H(i, j) >= level, b = H(i + 1, j) >= level, c = H(i + 1, j + 1) >= level,
                 d = H(i, j + 1) >= level;
      const int bottom = hEdge(i, j), right = vEdge(i + 1, j), top = hEdge(i, j + 1),
                left = vEdge(i, j);
      std::vector<int> crossed;
      if (a != b) crossed.push_back(bottom);
      if (b != c) crossed.push_back(right);
      if (c != d) crossed.push_back(top);
      if (d != a) crossed.push_back(left);
      if (crossed.size() == 2) {
        segments.push_back({crossed[0], crossed[1]});
      } else if (crossed.size() == 4) {
        // A saddle: the centre decides which corners are joined.
        const bool centre = (H(i, j) + H(i + 1, j) + H(i + 1, j + 1) + H(i, j + 1)) / 4 >= level;
        if (centre == a) {
          segments.push_back({bottom, right});
          segments.push_back({top, left});
        } else {
          segments.push_back({bottom, left});
          segments.push_back({right, top});
        }
      }
    }
  }
  std::map<int, std::vector<int>> byEdge;
  for (size_t s = 0; s < segments.size(); ++s) {
    byEdge[segments[s].first].push_back(static_cast<int>(s));
    byEdge[segments[s].second].push_back(static_cast<int>(s));
  }
  std::vector<bool> used(segments.size(), false);
  std::vector<std::vector<Pt>> lines;
  const auto trace = [&](int startSegment, int startEdge) {
    std::vector<Pt> line{edgePoint(startEdge)};
    int s = startSegment, e = startEdge;
    while (s >= 0 && !used[static_cast<size_t>(s)]) {
      used[static_cast<size_t>(s)] = true;
      e = segments[static_cast<size_t>(s)].first == e ? segments[static_cast<size_t>(s)].second
                                                      : segments[static_cast<size_t>(s)].first;
      line.push_back(edgePoint(e));
      int next = -1;
      for (int cand : byEdge[e])
        if (!used[static_cast<size_t>(cand)]) next = cand;
      s = next;
    }
    lines.push_back(line);
  };
  // Open lines start at the map edge; what remains are closed loops.
  for (const auto& [edge, list] : byEdge)
    if (list.size() == 1 && !used[static_cast<size_t>(list[0])]) trace(list[0], edge);
  for (size_t s = 0; s < segments.size(); ++s)
    if (!used[s]) trace(static_cast<int>(s), segments[s].first);
  return lines;
}

namespace {

void SimplifyRange(const std::vector<Pt>& line, size_t from, size_t to, double tolerance,
                   std::vector<bool>& keep) {
  if (to <= from + 1) return;
  const double ax = line[from].x, ay = line[from].y, bx = line[to].x, by = line[to].y;
  const double len = std::hypot(bx - ax, by - ay);
  double worst = -1;
  size_t at = from;
  for (size_t i = from + 1; i < to; ++i) {
    const double d =
        len > 0 ? std::abs((bx - ax) * (ay - line[i].y) - (ax - line[i].x) * (by - ay)) / len
                : std::hypot(line[i].x - ax, line[i].y - ay);
    if (d > worst) {
      worst = d;
      at = i;
    }
  }
  if (worst > tolerance) {
    keep[at] = true;
    SimplifyRange(line, from, at, tolerance, keep);
    SimplifyRange(line, at, to, tolerance, keep);
  }
}

}  // namespace

std::vector<Pt> Simplify(const std::vector<Pt>& line, double tolerance) {
  if (line.size() < 3) return line;
  std::vector<bool> keep(line.size(), false);
  keep.front() = keep.back() = true;
  // A closed line is split at its far point, so both halves have distinct ends.
  size_t mid = line.size() / 2;
  keep[mid] = true;
  SimplifyRange(line, 0, mid, tolerance, keep);
  SimplifyRange(line, mid, line.size() - 1, tolerance, keep);
  std::vector<Pt> out;
  for (size_t i = 0; i < line.size(); ++i)
    if (keep[i]) out.push_back(line[i]);
  return out;
}

std::vector<Pt> SmoothCurve(const std::vector<Pt>& p) {
  if (p.size() < 3) return p;
  std::vector<Pt> out{p[0]};
  const auto at = [&](long i) {
    return p[static_cast<size_t>(std::clamp<long>(i, 0, static_cast<long>(p.size()) - 1))];
  };
  for (long i = 0; i + 1 < static_cast<long>(p.size()); ++i) {
    const Pt a = at(i - 1), b = at(i), c = at(i + 1), d = at(i + 2);
    Pt c1{static_cast<int32_t>(std::lround(b.x + (c.x - a.x) / 6.0)),
          static_cast<int32_t>(std::lround(b.y + (c.y - a.y) / 6.0)), kFirstCurvePoint, 0};
    Pt c2{static_cast<int32_t>(std::lround(c.x - (d.x - b.x) / 6.0)),
          static_cast<int32_t>(std::lround(c.y - (d.y - b.y) / 6.0)), kSecondCurvePoint, 0};
    out.push_back(c1);
    out.push_back(c2);
    Pt end = c;
    end.xFlags = 0;
    out.push_back(end);
  }
  return out;
}

std::vector<Station> Stations(const std::vector<Pt>& line, double spacing, double startAt) {
  // Flatten curves first.
  std::vector<std::pair<double, double>> flat;
  for (size_t i = 0; i < line.size(); ++i) {
    if (i + 3 < line.size() + 0 && (line[i + 1].xFlags & kFirstCurvePoint)) {
      const Pt &a = line[i], &b = line[i + 1], &c = line[i + 2], &d = line[i + 3];
      for (int k = 0; k < 16; ++k) {
        const double t = k / 16.0, u = 1 - t;
        flat.push_back(
            {u * u * u * a.x + 3 * u * u * t * b.x + 3 * u * t * t * c.x + t * t * t * d.x,
             u * u * u * a.y + 3 * u * u * t * b.y + 3 * u * t * t * c.y + t * t * t * d.y});
      }
      i += 2;
    } else {
      flat.push_back({line[i].x, line[i].y});
    }
  }
  std::vector<Station> out;
  double travelled = 0, next = startAt;
  for (size_t i = 1; i < flat.size(); ++i) {
    const double dx = flat[i].first - flat[i - 1].first, dy = flat[i].second - flat[i - 1].second;
    const double len = std::hypot(dx, dy);
    while (len > 0 && next <= travelled + len) {
      const double f = (next - travelled) / len;
      out.push_back({flat[i - 1].first + f * dx, flat[i - 1].second + f * dy, std::atan2(dy, dx)});
      next += spacing;
    }
    travelled += len;
  }
  return out;
}

}  // namespace zelk::datagen
