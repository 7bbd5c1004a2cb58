// The demo map's landscape: a height field, its contour lines and helpers for smooth lines.
#pragma once

#include <vector>

#include "datagen.h"

namespace zelk::datagen {

// A closed outline given by a centre, two half axes and a gentle wobble; used for the lake.
struct Blob {
  double cx, cy, a, b, wobble, phase;
  // Below 1 inside.
  double Measure(double x, double y) const;
  std::vector<Pt> Outline(int points) const;
};

struct Terrain {
  double width = 30000, height = 20000;  // map units
  Blob lake{15500, 6000, 2500, 1500, 0.08, 0.7};
  std::vector<Pt> river;  // centre line of the valley, from the top edge into the lake
  // Height in metres at a map position.
  double HeightAt(double x, double y) const;
};

// Lines of equal height at `level`, traced on a grid of `step` map units; closed lines end at
// their first point.
std::vector<std::vector<Pt>> ContourLines(const Terrain& t, double level, double step);

// Removes points closer than `tolerance` to the line through their neighbours (Douglas-Peucker).
std::vector<Pt> Simplify(const std::vector<Pt>& line, double tolerance);

// A smooth curve through the points: cubic segments whose control points carry the curve flags.
std::vector<Pt> SmoothCurve(const std::vector<Pt>& through);

// Points along the curve of SmoothCurve (or a plain polyline) every `spacing` map units, each
// with the direction of travel in radians.
struct Station {
  double x, y, angle;
};
std::vector<Station> Stations(const std::vector<Pt>& line, double spacing, double startAt = 0);

}  // namespace zelk::datagen
