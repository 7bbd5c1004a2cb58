// Template placement and the fit by point pairs.
#include "render/template_fit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zelk {

namespace {

constexpr double kWordsPerHundredthMm = 256;
constexpr double kHundredthsMmPerMetre = 100000;
// Positions stay inside the coordinate space: +-2^30 words.
constexpr double kMaxPosition = 4000000;  // 1/100 mm

int32_t ToWords(double hundredthsMm) {
  const double v = std::clamp(std::nearbyint(hundredthsMm), -kMaxPosition, kMaxPosition);
  return static_cast<int32_t>(v) * static_cast<int32_t>(kWordsPerHundredthMm);
}

}  // namespace

double TemplatePlacement::WordsPerPixelX(double mapScale, double pelsPerMeterX) const {
  return scaleX / mapScale / pelsPerMeterX * kHundredthsMmPerMetre * kWordsPerHundredthMm;
}
double TemplatePlacement::WordsPerPixelY(double mapScale, double pelsPerMeterY) const {
  return scaleY / mapScale / pelsPerMeterY * kHundredthsMmPerMetre * kWordsPerHundredthMm;
}

MapPointF TemplatePixelToMap(const TemplatePlacement& p, double mapScale, double pelsX,
                             double pelsY, int width, int height, double px, double py) {
  const double ux = (px - width / 2.0) * p.WordsPerPixelX(mapScale, pelsX);
  const double uy = (height / 2.0 - py) * p.WordsPerPixelY(mapScale, pelsY);
  const double c = std::cos(p.angle), s = std::sin(p.angle);
  return {p.x + c * ux - s * uy, p.y + s * ux + c * uy};
}

TemplatePair TemplatePointAt(const TemplatePlacement& p, int32_t x, int32_t y) {
  const double dx = (static_cast<double>(x) - p.x) / kWordsPerHundredthMm;
  const double dy = (static_cast<double>(y) - p.y) / kWordsPerHundredthMm;
  const double c = std::cos(p.angle), s = std::sin(p.angle);
  TemplatePair pair;
  pair.tx = c * dx + s * dy;
  pair.ty = -s * dx + c * dy;
  return pair;
}

const char* TemplateFitMessage(TemplateFitOutcome o) {
  switch (o) {
    case TemplateFitOutcome::Accepted:
      return "";
    case TemplateFitOutcome::TooClose:
      return "Adjustment points are too close.";
    case TemplateFitOutcome::AngleTooBig:
      return "Adjustment angle is too big (> +- 10 degrees).";
    case TemplateFitOutcome::ScaleOutOfRange:
      return "Scale of the fieldwork is out of range (> factor 10).";
  }
  return "";
}

TemplateFit FitTemplate(std::span<const TemplatePair> pairs, const TemplatePlacement& present) {
  TemplateFit fit;
  fit.placement = present;
  if (pairs.empty()) return fit;
  if (pairs.size() == 1) {
    // The template keeps angle and scale; its point goes onto the map point.
    const TemplatePair& q = pairs[0];
    const double c = std::cos(present.angle), s = std::sin(present.angle);
    fit.placement.x = ToWords(q.mx - (c * q.tx - s * q.ty));
    fit.placement.y = ToWords(q.my - (s * q.tx + c * q.ty));
    fit.outcome = TemplateFitOutcome::Accepted;
    return fit;
  }
  const double n = static_cast<double>(pairs.size());
  double tmx = 0, tmy = 0, mmx = 0, mmy = 0;
  for (const TemplatePair& q : pairs) {
    tmx += q.tx;
    tmy += q.ty;
    mmx += q.mx;
    mmy += q.my;
  }
  tmx /= n, tmy /= n, mmx /= n, mmy /= n;
  double S = 0, P1 = 0, P2 = 0, P3 = 0, P4 = 0, Q = 0;
  for (const TemplatePair& q : pairs) {
    const double tx = q.tx - tmx, ty = q.ty - tmy, mx = q.mx - mmx, my = q.my - mmy;
    S += tx * tx + ty * ty;
    P1 += mx * tx;
    P2 += my * ty;
    P3 += tx * my;
    P4 += mx * ty;
    Q += my * my;
  }
  // Spread too small, or numbers that cannot be divided by: nothing sensible to fit.
  if (!(S >= kTemplateMinSpread) || !std::isfinite(S) || !std::isfinite(Q)) {
    fit.outcome = TemplateFitOutcome::TooClose;
    return fit;
  }
  double r = 1;
  if (pairs.size() >= 3) {
    const double D = P2 * P2 + P3 * P3 - Q * S;
    if (D != 0 && std::isfinite(D)) {
      const double v = (P3 * P4 - P1 * P2) / D;
      r = std::isfinite(v) ? std::clamp(v, 0.5, 2.0) : 1.0;
    }
  }
  const double a = (P1 + r * P2) / S;
  const double b = (r * P3 - P4) / S;
  if (!std::isfinite(a) || !std::isfinite(b)) {
    fit.outcome = TemplateFitOutcome::TooClose;
    return fit;
  }
  double theta;
  if (a == 0)
    theta = b >= 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
  else
    theta = std::atan(b / a) + (a < 0 ? std::numbers::pi : 0.0);
  if (theta > std::numbers::pi) theta -= 2 * std::numbers::pi;
  if (std::abs(theta) > 10 * std::numbers::pi / 180) {
    fit.outcome = TemplateFitOutcome::AngleTooBig;
    return fit;
  }
  if (a < 0.08 || a > 12) {
    fit.outcome = TemplateFitOutcome::ScaleOutOfRange;
    return fit;
  }
  const double k = std::hypot(a, b);
  fit.factor = k;
  fit.ratio = r;
  fit.placement.angle = theta;
  fit.placement.scaleX = present.scaleX * k;
  fit.placement.scaleY = present.scaleY * k / r;
  // The map mean less the template mean as the fitted transform carries it.
  const double c = std::cos(theta), s = std::sin(theta);
  const double sx = k * tmx, sy = k / r * tmy;
  fit.placement.x = ToWords(mmx - (c * sx - s * sy));
  fit.placement.y = ToWords(mmy - (s * sx + c * sy));
  fit.outcome = TemplateFitOutcome::Accepted;
  return fit;
}

}  // namespace zelk
