// Where a template lies on the map, and its fit to the map by pairs of corresponding points.
#pragma once

#include <cstdint>
#include <span>

namespace zelk {

// The placement of a template: its centre lies at (x, y), it is turned by `angle` (radians,
// counter-clockwise on the map) and drawn at the scales of the scanned draft: a template pixel
// of the draft at `resolution` (pixels per metre) is 1/resolution metres on the draft, which
// at draft scale 1:scaleX is scaleX / mapScale as long on the map.
struct TemplatePlacement {
  int32_t x = 0;  // coordinate words
  int32_t y = 0;
  double angle = 0;
  double scaleX = 15000;  // the draft's horizontal and vertical scale numbers
  double scaleY = 15000;

  // Coordinate words on the map per template pixel, along the template's axes.
  double WordsPerPixelX(double mapScale, double pelsPerMeterX) const;
  double WordsPerPixelY(double mapScale, double pelsPerMeterY) const;
};

// Template pixel (px right, py down from the top-left corner of a width x height image) as a
// map position in coordinate words, unrounded.
struct MapPointF {
  double x = 0, y = 0;
};
MapPointF TemplatePixelToMap(const TemplatePlacement& p, double mapScale, double pelsX,
                             double pelsY, int width, int height, double px, double py);

// One pair of the adjustment: a point of the template (taken relative to the template's
// position and turned back by its angle) and the same point on the map, both in 1/100 mm.
struct TemplatePair {
  double tx = 0, ty = 0;
  double mx = 0, my = 0;
};

// The template point of a press at (x, y) coordinate words.
TemplatePair TemplatePointAt(const TemplatePlacement& p, int32_t x, int32_t y);

enum class TemplateFitOutcome { Accepted, TooClose, AngleTooBig, ScaleOutOfRange };

struct TemplateFit {
  TemplateFitOutcome outcome = TemplateFitOutcome::TooClose;
  TemplatePlacement placement;  // the new placement when accepted
  double factor = 1;            // the change of the horizontal scale
  double ratio = 1;             // r: the vertical scale changes by factor / ratio
};

// The messages of refused fits and their help topic.
const char* TemplateFitMessage(TemplateFitOutcome o);
constexpr int kTemplateTooCloseHelp = 51;

// The least spread of the template points, in squared 1/100 mm.
constexpr double kTemplateMinSpread = 20000;
// The pairs the adjustment takes.
constexpr int kTemplateMaxPairs = 12;

// Fits the placement to the pairs. One pair moves the template only. Two fit rotation and a
// uniform change of scale; three or more also a ratio of vertical to horizontal scale between
// 0.5 and 2. The template points were taken at `present`, so the fitted change of scale
// multiplies into its scales.
TemplateFit FitTemplate(std::span<const TemplatePair> pairs, const TemplatePlacement& present);

}  // namespace zelk
