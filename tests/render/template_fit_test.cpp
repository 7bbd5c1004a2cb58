// The template fit against transforms made in the test, its refusals, and the placement.
#include "render/template_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace zelk {
namespace {

constexpr double kDeg = std::numbers::pi / 180;

// A known change of the template: template points t go to map points
// offset + R(theta) diag(k, k / r) t (all in 1/100 mm).
struct Truth {
  double theta, k, r, ox, oy;
  TemplatePair Pair(double tx, double ty) const {
    const double c = std::cos(theta), s = std::sin(theta);
    const double x = k * tx, y = k / r * ty;
    return {tx, ty, ox + c * x - s * y, oy + s * x + c * y};
  }
};

// Where the fitted placement puts a template point of the pair (as it was taken at `present`).
std::pair<double, double> Placed(const TemplateFit& f, const TemplatePlacement& present,
                                 const TemplatePair& p) {
  const double kx = f.placement.scaleX / present.scaleX, ky = f.placement.scaleY / present.scaleY;
  const double c = std::cos(f.placement.angle), s = std::sin(f.placement.angle);
  return {f.placement.x / 256.0 + c * kx * p.tx - s * ky * p.ty,
          f.placement.y / 256.0 + s * kx * p.tx + c * ky * p.ty};
}

TEST(TemplateFit, TwoPairsFitRotationAndUniformScale) {
  const Truth truths[] = {{0, 1, 1, 0, 0},
                          {5 * kDeg, 1, 1, 1000, -2000},
                          {-7 * kDeg, 1.5, 1, 500, 700},
                          {9.5 * kDeg, 0.5, 1, -30000, 12000},
                          {2 * kDeg, 3, 1, 0, 0},
                          {-1 * kDeg, 0.1, 1, 100, 100}};
  TemplatePlacement present;
  present.scaleX = present.scaleY = 15000;
  for (const Truth& t : truths) {
    const std::vector<TemplatePair> pairs = {t.Pair(-5000, -3000), t.Pair(4000, 2500)};
    const TemplateFit f = FitTemplate(pairs, present);
    ASSERT_EQ(f.outcome, TemplateFitOutcome::Accepted) << t.theta;
    EXPECT_NEAR(f.placement.angle, t.theta, 1e-9);
    EXPECT_NEAR(f.factor, t.k, 1e-9);
    EXPECT_DOUBLE_EQ(f.ratio, 1.0);
    EXPECT_NEAR(f.placement.scaleX, 15000 * t.k, 1e-6);
    EXPECT_NEAR(f.placement.scaleY, 15000 * t.k, 1e-6);
    EXPECT_EQ(f.placement.x % 256, 0);
    for (const TemplatePair& p : pairs) {
      const auto [x, y] = Placed(f, present, p);
      // The position is kept in whole 1/100 mm.
      EXPECT_NEAR(x, p.mx, 0.75) << t.theta << " " << t.k;
      EXPECT_NEAR(y, p.my, 0.75);
    }
  }
}

TEST(TemplateFit, ThreePairsAlsoFitTheRatioOfVerticalToHorizontalScale) {
  const Truth truths[] = {{0, 1, 1.25, 100, 200},
                          {0, 1, 0.8, -4000, 0},
                          {0, 2, 1.6, 0, 0},
                          {0, 1, 0.5, 0, 0},
                          {0, 0.7, 2, 10, 10}};
  TemplatePlacement present;
  present.scaleX = 15000;
  present.scaleY = 12000;
  for (const Truth& t : truths) {
    const std::vector<TemplatePair> pairs = {t.Pair(-5000, -3000), t.Pair(4000, 2500),
                                             t.Pair(1000, -6000), t.Pair(-2500, 4000)};
    for (size_t n : {3u, 4u}) {
      const TemplateFit f = FitTemplate(std::span(pairs.data(), n), present);
      ASSERT_EQ(f.outcome, TemplateFitOutcome::Accepted);
      EXPECT_NEAR(f.ratio, t.r, 1e-9) << n;
      EXPECT_NEAR(f.factor, t.k, 1e-9);
      EXPECT_NEAR(f.placement.scaleX, 15000 * t.k, 1e-6);
      EXPECT_NEAR(f.placement.scaleY, 12000 * t.k / t.r, 1e-6);
      for (size_t i = 0; i < n; ++i) {
        const auto [x, y] = Placed(f, present, pairs[i]);
        EXPECT_NEAR(x, pairs[i].mx, 0.75);
        EXPECT_NEAR(y, pairs[i].my, 0.75);
      }
    }
  }
}

TEST(TemplateFit, RatioIsHeldBetweenHalfAndTwo) {
  TemplatePlacement present;
  for (const auto& [r, held] : {std::pair{3.0, 2.0}, std::pair{0.3, 0.5}}) {
    const Truth t{0, 1, r, 0, 0};
    const std::vector<TemplatePair> pairs = {t.Pair(-5000, -3000), t.Pair(4000, 2500),
                                             t.Pair(1000, -6000)};
    const TemplateFit f = FitTemplate(pairs, present);
    ASSERT_EQ(f.outcome, TemplateFitOutcome::Accepted);
    EXPECT_DOUBLE_EQ(f.ratio, held);
  }
}

TEST(TemplateFit, ThreePairsWithRotationAndRatioComeClose) {
  TemplatePlacement present;
  const Truth t{4 * kDeg, 1.2, 1.1, 300, -800};
  const std::vector<TemplatePair> pairs = {t.Pair(-5000, -3000), t.Pair(4000, 2500),
                                           t.Pair(1000, -6000)};
  const TemplateFit f = FitTemplate(pairs, present);
  ASSERT_EQ(f.outcome, TemplateFitOutcome::Accepted);
  EXPECT_NEAR(f.placement.angle, t.theta, 0.5 * kDeg);
  EXPECT_NEAR(f.ratio, t.r, 0.05);
  EXPECT_NEAR(f.factor, t.k, 0.05);
}

TEST(TemplateFit, OnePairOnlyMovesTheTemplate) {
  TemplatePlacement present;
  present.x = 256 * 1000;
  present.y = -256 * 500;
  present.angle = 3 * kDeg;
  present.scaleX = 20000;
  present.scaleY = 18000;
  const TemplatePair p{1200, -400, 5000, 6000};
  const TemplateFit f = FitTemplate(std::span(&p, 1), present);
  ASSERT_EQ(f.outcome, TemplateFitOutcome::Accepted);
  EXPECT_EQ(f.placement.angle, present.angle);
  EXPECT_EQ(f.placement.scaleX, 20000);
  EXPECT_EQ(f.placement.scaleY, 18000);
  const auto [x, y] = Placed(f, present, p);
  EXPECT_NEAR(x, 5000, 0.75);
  EXPECT_NEAR(y, 6000, 0.75);
}

TEST(TemplateFit, ASecondAdjustmentMultipliesIntoThePresentScale) {
  // The template was already fitted once to 1:30000; its points are taken in that frame, so a
  // further 10 % makes 33000, not 10 % of the map scale.
  TemplatePlacement present;
  present.scaleX = present.scaleY = 30000;
  const Truth t{0, 1.1, 1, 0, 0};
  const std::vector<TemplatePair> pairs = {t.Pair(-5000, 0), t.Pair(5000, 0)};
  const TemplateFit f = FitTemplate(pairs, present);
  ASSERT_EQ(f.outcome, TemplateFitOutcome::Accepted);
  EXPECT_NEAR(f.placement.scaleX, 33000, 1e-6);
}

TEST(TemplateFit, PositionTakesTheFittedScaleIntoAccount) {
  // Template points far from the template's centre: a scale of 2 moves their mean twice as far.
  TemplatePlacement present;
  const Truth t{0, 2, 1, 0, 0};
  const std::vector<TemplatePair> pairs = {t.Pair(10000, 10000), t.Pair(20000, 10000)};
  const TemplateFit f = FitTemplate(pairs, present);
  ASSERT_EQ(f.outcome, TemplateFitOutcome::Accepted);
  EXPECT_EQ(f.placement.x, 0);
  EXPECT_EQ(f.placement.y, 0);
}

TEST(TemplateFit, RefusalsLeaveThePlacementAsItWas) {
  TemplatePlacement present;
  present.x = 2560;
  present.scaleX = present.scaleY = 15000;
  struct Case {
    const char* what;
    std::vector<TemplatePair> pairs;
    TemplateFitOutcome expected;
  };
  const Truth eleven{11 * kDeg, 1, 1, 0, 0}, nine{9 * kDeg, 1, 1, 0, 0};
  const Truth big{0, 13, 1, 0, 0}, small{0, 0.07, 1, 0, 0}, turned{180 * kDeg, 1, 1, 0, 0};
  const Case cases[] = {
      {"1 mm apart", {{0, 0, 0, 0}, {100, 0, 100, 0}}, TemplateFitOutcome::TooClose},
      {"same template point", {{50, 50, 0, 0}, {50, 50, 9000, 9000}}, TemplateFitOutcome::TooClose},
      {"not a number", {{NAN, 0, 0, 0}, {5000, 0, 5000, 0}}, TemplateFitOutcome::TooClose},
      {"infinite", {{INFINITY, 0, 0, 0}, {5000, 0, 5000, 0}}, TemplateFitOutcome::TooClose},
      // a = 0 reads as a turn of 90 degrees.
      {"all map points one",
       {{0, 0, 0, 0}, {5000, 0, 0, 0}, {0, 5000, 0, 0}},
       TemplateFitOutcome::AngleTooBig},
      {"11 degrees",
       {eleven.Pair(-5000, 0), eleven.Pair(5000, 1000)},
       TemplateFitOutcome::AngleTooBig},
      {"-11 degrees",
       {Truth{-11 * kDeg, 1, 1, 0, 0}.Pair(0, 0), Truth{-11 * kDeg, 1, 1, 0, 0}.Pair(0, 8000)},
       TemplateFitOutcome::AngleTooBig},
      {"upside down",
       {turned.Pair(-5000, 0), turned.Pair(5000, 0)},
       TemplateFitOutcome::AngleTooBig},
      {"13 times", {big.Pair(-5000, 0), big.Pair(5000, 0)}, TemplateFitOutcome::ScaleOutOfRange},
      {"0.07 times",
       {small.Pair(-5000, 0), small.Pair(5000, 0)},
       TemplateFitOutcome::ScaleOutOfRange},
      {"9 degrees is fine",
       {nine.Pair(-5000, 0), nine.Pair(5000, 0)},
       TemplateFitOutcome::Accepted},
  };
  for (const Case& c : cases) {
    const TemplateFit f = FitTemplate(c.pairs, present);
    EXPECT_EQ(f.outcome, c.expected) << c.what;
    if (c.expected != TemplateFitOutcome::Accepted) {
      EXPECT_EQ(f.placement.x, present.x) << c.what;
      EXPECT_EQ(f.placement.scaleX, present.scaleX) << c.what;
      EXPECT_EQ(f.placement.angle, present.angle) << c.what;
    }
  }
  EXPECT_STREQ(TemplateFitMessage(TemplateFitOutcome::TooClose),
               "Adjustment points are too close.");
  EXPECT_STREQ(TemplateFitMessage(TemplateFitOutcome::AngleTooBig),
               "Adjustment angle is too big (> +- 10 degrees).");
  EXPECT_STREQ(TemplateFitMessage(TemplateFitOutcome::ScaleOutOfRange),
               "Scale of the fieldwork is out of range (> factor 10).");
}

TEST(TemplateFit, TemplatePointsAreTakenRelativeToThePositionAndTurnedBack) {
  TemplatePlacement p;
  p.x = 256 * 1000;
  p.y = 256 * 2000;
  p.angle = 90 * kDeg;
  // A press 30 mm to the right of the position lies on the template's negative y axis.
  const TemplatePair t = TemplatePointAt(p, 256 * 4000, 256 * 2000);
  EXPECT_NEAR(t.tx, 0, 1e-9);
  EXPECT_NEAR(t.ty, -3000, 1e-9);
}

TEST(TemplateFit, PixelsAreScaledByTheDraftScaleAndResolution) {
  // 300 DPI at the map's own scale: a pixel is 2.54 / 3 hundredths of a mm... 8.4667.
  TemplatePlacement p;
  p.scaleX = 15000;
  p.scaleY = 30000;
  const double pels = 300 / 0.0254;
  EXPECT_NEAR(p.WordsPerPixelX(15000, pels), 256 * 2540.0 / 300, 1e-6);
  EXPECT_NEAR(p.WordsPerPixelY(15000, pels), 2 * 256 * 2540.0 / 300, 1e-6);
  // The centre pixel corner of a 10 x 6 image lies on the position.
  p.x = 512;
  p.y = -1024;
  const MapPointF c = TemplatePixelToMap(p, 15000, pels, pels, 10, 6, 5, 3);
  EXPECT_NEAR(c.x, 512, 1e-9);
  EXPECT_NEAR(c.y, -1024, 1e-9);
  const MapPointF top = TemplatePixelToMap(p, 15000, pels, pels, 10, 6, 5, 0);
  EXPECT_NEAR(top.y, -1024 + 3 * 2 * 256 * 2540.0 / 300, 1e-6);
}

}  // namespace
}  // namespace zelk
