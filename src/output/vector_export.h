// PDF and SVG export: the graphics-device drawing of the map on Qt's vector surfaces.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "output/eps_writer.h"
#include "output/print_job.h"
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
// The same with the device origin at (originX, originY) (coordinate words, top left) and only
// `clip` drawn.
bool DrawPlateRegion(MapStore& store, FontService& fonts, QPainter& painter, double dpi, double k,
                     int32_t originX, int32_t originY, const Box& clip, const Plate& plate,
                     int intensity, int lineWidthPercentage, Progress* progress);

// A printer driven through a painter: its resolution, printable area and page feed.
struct PainterPrintTarget {
  double dpi = 600;
  int printableWidthMm = 200;
  int printableHeightMm = 287;
  std::function<bool()> newPage;  // false when the printer failed
};

// Prints one plate on a painter, page by page and copy by copy as the settings lay them out;
// the grid when asked. The first page is the painter's current one.
PrintStreamResult PrintOnPainter(MapStore& store, FontService& fonts, const PrintSettings& settings,
                                 const Plate& plate, QPainter& painter,
                                 const PainterPrintTarget& target, Progress* progress = nullptr);

// The device colour of a colour in graphics-device printing: the CMYK make-up (times the
// intensity when it lies in 10..99) for the colour map, a grey of the plate value otherwise.
Rgb PrintDeviceColor(const Cmyk& plateColor, const Plate& plate, int intensity);

// A PDF of one page per plate (the window at the print scale): the colour map in CMYK, plates in
// grey, each page labelled with its plate's name. Written by our own PDF writer (Qt's writes RGB
// only) under a temporary name and renamed into place.
OutputResult ExportPdf(MapStore& store, const VectorExportRequest& request, MessageSink* sink,
                       Progress* progress = nullptr);
// An SVG of the colour map, 0.01 mm per user unit.
OutputResult ExportSvg(MapStore& store, const VectorExportRequest& request, MessageSink* sink,
                       Progress* progress = nullptr);

}  // namespace zelk
