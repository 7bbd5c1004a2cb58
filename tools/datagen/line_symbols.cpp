// Line symbols of the topographic set: contours, water, roads, railway, fences and boundaries.
#include "datagen.h"

namespace zelk::datagen {

namespace {

LineFields Solid(int16_t colour, int16_t width, int16_t ends = 1) {
  LineFields f;
  f.lineColor = colour;
  f.lineWidth = width;
  f.lineEnds = ends;
  return f;
}

LineFields Dashed(int16_t colour, int16_t width, int16_t dash, int16_t gap, int16_t endDash) {
  LineFields f = Solid(colour, width, 0);
  f.mainLength = dash;
  f.mainGap = gap;
  f.endLength = endDash;
  return f;
}

// A road of two black edges, filled between them when `fill` is not negative.
LineFields Road(int16_t width, int16_t edge, int fill, int16_t mode = 1) {
  LineFields f;
  f.dblMode = mode;
  f.dblWidth = width;
  f.dblLeftColor = kBlack;
  f.dblRightColor = kBlack;
  f.dblLeftWidth = edge;
  f.dblRightWidth = edge;
  if (fill >= 0) {
    f.dblFlags = 1;
    f.dblFillColor = static_cast<int16_t>(fill);
  }
  return f;
}

}  // namespace

void AddLineSymbols(MapStore& store) {
  // Landforms (brown).
  Add(store, LineSymbol(1010, "Contour", Solid(kBrown, 14)));
  Add(store, LineSymbol(1020, "Index contour", Solid(kBrown, 25)));
  Add(store, LineSymbol(1030, "Form line", Dashed(kBrown, 12, 300, 60, 150)));
  {
    // Ticks shrinking towards both ends of the bank.
    LineFields f = Solid(kBrown, 14);
    f.nPrimSym = 1;
    f.mainLength = 90;
    f.decMode = 2;
    f.decLast = 30;
    f.main.Line(kBrown, 14, {{0, 0}, {0, -150}}, 0);
    Add(store, LineSymbol(1040, "Embankment", f));
  }

  // Water (blue).
  Add(store, LineSymbol(2010, "Shore line", Solid(kBlue, 18)));
  Add(store, LineSymbol(2020, "River", Solid(kBlue, 45)));
  {
    LineFields f = Solid(kBlue, 22, 2);  // pointed: tapering at the spring
    f.distFromStart = 600;
    Add(store, LineSymbol(2030, "Stream", f));
  }
  Add(store, LineSymbol(2040, "Ditch", Dashed(kBlue, 14, 200, 50, 100)));

  // Rock.
  {
    LineFields f = Solid(kBlack, 25, 0);
    f.nPrimSym = 1;
    f.mainLength = 150;
    f.endLength = 75;
    f.main.Line(kBlack, 15, {{0, 0}, {0, -100}}, 0);
    Add(store, LineSymbol(3010, "Cliff", f));
  }

  // Vegetation.
  {
    LineFields f;
    f.nPrimSym = 1;
    f.mainLength = 120;
    f.endLength = 60;
    f.main.Dot(kBlack, 30);
    Add(store, LineSymbol(4060, "Vegetation boundary", f));
  }
  {
    LineFields f = Solid(kGreen, 16);
    f.nPrimSym = 2;
    f.primSymDist = 90;
    f.mainLength = 320;
    f.endLength = 160;
    f.main.Circle(kGreen, 14, 70);
    Add(store, LineSymbol(4070, "Hedge", f));
  }

  // Roads and paths.
  Add(store, LineSymbol(5010, "Main road", Road(90, 18, kOrange)));
  Add(store, LineSymbol(5020, "Secondary road", Road(65, 15, kYellow)));
  Add(store, LineSymbol(5030, "Minor road", Road(45, 13, -1)));
  {
    LineFields f = Road(45, 13, -1, 2);  // left edge dashed, right edge full
    f.dblLength = 300;
    f.dblGap = 120;
    Add(store, LineSymbol(5040, "Unsurfaced road", f));
  }
  Add(store, LineSymbol(5050, "Track", Dashed(kBlack, 25, 400, 80, 200)));
  {
    LineFields f = Dashed(kBlack, 18, 200, 60, 100);
    f.minGap = 1;
    Add(store, LineSymbol(5060, "Path", f));
  }
  {
    LineFields f = Dashed(kBlack, 14, 300, 80, 150);
    f.secGap = 50;
    Add(store, LineSymbol(5070, "Narrow ride", f));
  }

  // Railway: a black line with white inner dashes, and a tick across it at stations (corners).
  {
    LineFields f = Solid(kBlack, 70, 0);
    f.nPrimSym = 1;
    f.mainLength = 400;
    f.endLength = 200;
    f.main.Line(kWhite, 36, {{-100, 0}, {100, 0}}, 0);
    f.corner.Line(kBlack, 20, {{0, -90}, {0, 90}}, 0);
    Add(store, LineSymbol(5080, "Railway", f));
  }
  {
    LineFields f = Solid(kBlack, 12, 0);
    f.nPrimSym = 1;
    f.mainLength = 1200;
    f.endLength = 600;
    f.main.Line(kBlack, 12, {{0, -70}, {0, 70}}, 0);
    f.start.Area(kBlack, {{-45, -45}, {45, -45}, {45, 45}, {-45, 45}});
    f.end.Area(kBlack, {{-45, -45}, {45, -45}, {45, 45}, {-45, 45}});
    Add(store, LineSymbol(5090, "Power line", f));
  }
  {
    LineFields f = Solid(kBlack, 14, 0);
    f.nPrimSym = 1;
    f.mainLength = 300;
    f.endLength = 150;
    f.main.Line(kBlack, 14, {{0, 0}, {0, 80}}, 0);
    f.secondary.Dot(kBlack, 28);
    Add(store, LineSymbol(5100, "Fence", f));
  }
  Add(store, LineSymbol(5110, "Wall", Solid(kBlack, 35, 0)));
  {
    LineFields f = Road(40, 10, -1, 3);  // both edges dashed
    f.dblLength = 250;
    f.dblGap = 100;
    Add(store, LineSymbol(5140, "Pipeline", f));
  }
  {
    LineFields f = Dashed(kBlack, 20, 500, 100, 250);
    f.secGap = 100;
    f.secondary.Dot(kBlack, 40);
    Add(store, LineSymbol(5180, "Boundary", f));
  }
}

}  // namespace zelk::datagen
