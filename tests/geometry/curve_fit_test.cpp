// To curve: runs of points fitted by Bezier segments, checked against the points they replace.
#include "geometry/curve_fit.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zelk {
namespace {

Coord U(int x, int y, int xf = 0, int yf = 0) {
  return Coord::FromUnits(x, y, xf, yf);
}

// The largest distance (words, either axis) from a point of `line` to the curve `fitted` draws.
double Worst(const std::vector<Coord>& line, const std::vector<Coord>& fitted) {
  std::vector<std::pair<double, double>> drawn;
  for (size_t i = 0; i + 1 < fitted.size();) {
    auto at = [&](size_t k) {
      return std::pair<double, double>(fitted[k].x & kPosMask, fitted[k].y & kPosMask);
    };
    if (fitted[i + 1].x & kFirstCurvePoint) {
      const auto a = at(i), b = at(i + 1), c = at(i + 2), d = at(i + 3);
      for (int s = 0; s <= 200; ++s) {
        const double t = s / 200.0, u = 1 - t;
        drawn.emplace_back(u * u * u * a.first + 3 * u * u * t * b.first + 3 * u * t * t * c.first +
                               t * t * t * d.first,
                           u * u * u * a.second + 3 * u * u * t * b.second +
                               3 * u * t * t * c.second + t * t * t * d.second);
      }
      i += 3;
    } else {
      drawn.push_back(at(i));
      drawn.push_back(at(i + 1));
      i += 1;
    }
  }
  double worst = 0;
  for (const Coord& p : line) {
    double best = 1e18;
    for (const auto& q : drawn)
      best = std::min(best, std::max(std::abs(q.first - (p.x & kPosMask)),
                                     std::abs(q.second - (p.y & kPosMask))));
    worst = std::max(worst, best);
  }
  return worst;
}

std::vector<Coord> Wave(int n, double amplitude) {
  std::vector<Coord> pts;
  for (int i = 0; i < n; ++i)
    pts.push_back(U(i * 40, static_cast<int>(std::lround(amplitude * std::sin(i * 0.15)))));
  return pts;
}

TEST(CurveFit, StraightStretchesBecomeOneSegmentEachBetweenCorners) {
  const std::vector<Coord> pts = {U(0, 0),     U(100, 0),  U(200, 0), U(300, 0, 0, kCornerPoint),
                                  U(300, 100), U(300, 200)};
  const std::vector<Coord> out = FitCurves(pts, CurveFitTolerance(0));
  ASSERT_EQ(out.size(), 7u);
  EXPECT_EQ(out[3], pts[3]);  // the corner keeps its place and flag
  EXPECT_EQ(out[6], pts[5]);
  EXPECT_EQ(out[1].XFlags(), kFirstCurvePoint);
  EXPECT_EQ(out[2].XFlags(), kSecondCurvePoint);
  EXPECT_LE(Worst(pts, out), CurveFitTolerance(0));
}

TEST(CurveFit, AWaveStaysWithinTheToleranceAndCoarserLevelsUseFewerSegments) {
  const std::vector<Coord> wave = Wave(200, 800);
  size_t previous = SIZE_MAX;
  for (int level = 0; level <= 2; ++level) {
    const std::vector<Coord> out = FitCurves(wave, CurveFitTolerance(level));
    EXPECT_LE(Worst(wave, out), CurveFitTolerance(level) + 256) << level;
    EXPECT_LT(out.size(), wave.size()) << level;
    EXPECT_LE(out.size(), previous) << level;
    previous = out.size();
    EXPECT_EQ(out.front(), wave.front());
    EXPECT_EQ(out.back(), wave.back());
  }
}

TEST(CurveFit, CurvesHolesAndShortRunsStayAsTheyAre) {
  const std::vector<Coord> pts = {U(0, 0),
                                  U(10, 20, kFirstCurvePoint),
                                  U(30, 20, kSecondCurvePoint),
                                  U(40, 0),
                                  U(50, 5),
                                  U(60, 0),
                                  U(0, 100, 0, kHoleStart),
                                  U(20, 100),
                                  U(20, 120)};
  const std::vector<Coord> out = FitCurves(pts, CurveFitTolerance(1));
  // The curve is copied; 40..60 is a run of three points; the hole is a run of three too.
  EXPECT_EQ(std::vector<Coord>(out.begin(), out.begin() + 4),
            std::vector<Coord>(pts.begin(), pts.begin() + 4));
  const auto hole =
      std::find_if(out.begin(), out.end(), [](const Coord& c) { return c.y & kHoleStart; });
  ASSERT_NE(hole, out.end());
  EXPECT_EQ(*hole, pts[6]);
  EXPECT_EQ(out.back(), pts.back());
}

TEST(CurveFit, TheToleranceGrowsUntilTheTextFitsAndGivesUpAfterwards) {
  const std::vector<Coord> wave = Wave(1500, 3000);
  const std::optional<std::vector<Coord>> plain = ToCurve(wave, 0, 0);
  ASSERT_TRUE(plain);
  // Leave room for only a few segments: a coarser fit is taken.
  const int slots = 2000 - static_cast<int>(plain->size()) / 2;
  const std::optional<std::vector<Coord>> squeezed = ToCurve(wave, 0, slots);
  ASSERT_TRUE(squeezed);
  EXPECT_LE(static_cast<int>(squeezed->size()) + slots, 2000);
  // No tolerance brings 700 corners' worth of runs under 20 slots.
  std::vector<Coord> corners;
  for (int i = 0; i < 700; ++i) corners.push_back(U(i * 100, (i % 2) * 100, 0, kCornerPoint));
  EXPECT_FALSE(ToCurve(corners, 0, 1990).has_value());
}

}  // namespace
}  // namespace zelk
