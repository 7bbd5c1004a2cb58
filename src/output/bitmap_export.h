// Bitmap export: the whole map rendered at a resolution and written as a BMP (or PNG) file.
#pragma once

#include <cstdint>
#include <string>

#include "render/font_service.h"
#include "storage/map_store.h"
#include "storage/messages.h"

class QImage;

namespace zelk {

constexpr int kMinExportResolution = 50;
constexpr int kMaxExportResolution = 2540;
constexpr int kDefaultExportResolution = 300;
constexpr int kMaxBitmapSide = 32000;

struct BitmapSize {
  int64_t width = 0;
  int64_t height = 0;
};

// round(resolution * extent side / 2540) + 1 pixels for an extent in coordinate words: the
// extent's left and top edges land on the first pixel and its right and bottom edges on the
// last, so that a line lying on any edge is drawn.
BitmapSize BitmapSizeFor(const Box& extent, int resolution);

// The extent of the objects that can be drawn: the union of the index boxes of all objects,
// each cut to the drawable area (200000 map units either side of the origin, the coordinate
// space of the view). False when no object meets that area.
bool DrawableExtent(const MapStore& store, Box* extent);

// Checks a typed resolution as the export dialog does. Returns an empty text when `text` is an
// integer within 50..2540 (stored in *resolution), else the message to show.
std::string CheckResolution(const std::string& text, int* resolution);

enum class ExportResult {
  Written,        // the file is complete
  NoExtent,       // the map has no objects: nothing happens
  NothingToDraw,  // every object lies outside the drawable area; the message was shown
  Refused,        // resolution out of range or bitmap too large; the message was shown
  Failed,         // the bitmap could not be made or the file not written; the message was shown
  Aborted,        // the user stopped the drawing; no file was written
};

struct BitmapExportRequest {
  std::string path;  // ".png" (any case) writes PNG, anything else BMP
  int resolution = kDefaultExportResolution;
  FontService* fonts = nullptr;  // texts are measured with these; none: the system's fonts
  // PNG only: smooth edges (the "Antialiased drawing" preference). A BMP keeps exact pixels.
  bool antialiased = true;
};

// Said when a map has objects but none of them can be drawn.
constexpr const char* kNothingToDrawMessage =
    "Nothing to draw: all objects lie outside the drawable area";

// Renders the map's object extent at the requested resolution, colour by colour, and writes
// the file under a temporary name that is renamed into place once complete. Progress counts
// ";objects drawn." then ";lines written"; its abort request stops the drawing.
ExportResult ExportBitmap(MapStore& store, const BitmapExportRequest& request, MessageSink* sink,
                          Progress* progress = nullptr);

// Writes a 32-bit image (another format is converted) as a 24-bit BMP, as ExportBitmap does:
// under a temporary name renamed into place once complete; progress counts ";lines written".
bool WriteImageAsBmp(const std::string& path, const QImage& image, int resolution,
                     MessageSink* sink, Progress* progress = nullptr);

// Renders `extent` (coordinate words) at `resolution` into `image` (white first), which must
// already have the size of BitmapSizeFor. Returns false when the progress asked to abort.
bool RenderMapImage(MapStore& store, const Box& extent, int resolution, FontService& fonts,
                    QImage& image, Progress* progress = nullptr, bool antialiased = false);

}  // namespace zelk
