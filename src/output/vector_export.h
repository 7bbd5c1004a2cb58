// PDF and SVG export: the graphics-device drawing of the map on Qt's vector surfaces.
#pragma once

#include <string>
#include <vector>

#include "output/eps_writer.h"
#include "render/font_service.h"
#include "storage/map_store.h"
#include "storage/messages.h"

class QPainter;

namespace zelk {

struct VectorExportRequest {
  std::string path;
  Box window;             // coordinate words
  double printScale = 0;  // 0: the map scale
  // The colour map, or one page per chosen separation (process colours 0..3 or spot indexes).
  PrintKind kind = PrintKind::ColorMap;
  std::vector<int> separations;
  FontService* fonts = nullptr;
};

// Draws the window of the map for one plate on a painter whose device has `dpi` units per inch,
// the window's top-left at the painter's origin. False when aborted.
bool DrawPlate(MapStore& store, FontService& fonts, QPainter& painter, double dpi, double k,
               const Box& window, const Plate& plate, int intensity = 100,
               int lineWidthPercentage = 100, Progress* progress = nullptr);

// The device colour of a colour in graphics-device printing: the CMYK make-up (times the
// intensity when it lies in 10..99) for the colour map, a grey of the plate value otherwise.
Rgb PrintDeviceColor(const Cmyk& plateColor, const Plate& plate, int intensity);

// A PDF of one page per plate (the window at the print scale; separations carry their name
// under the map), written under a temporary name and renamed into place.
OutputResult ExportPdf(MapStore& store, const VectorExportRequest& request, MessageSink* sink,
                       Progress* progress = nullptr);
// An SVG of the colour map, 0.01 mm per user unit.
OutputResult ExportSvg(MapStore& store, const VectorExportRequest& request, MessageSink* sink,
                       Progress* progress = nullptr);

}  // namespace zelk
