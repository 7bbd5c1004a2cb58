// The map drawn on a QPainter: on a machine with two processors, one thread works the objects
// out while the calling thread paints what is ready.
#pragma once

#include <QPainter>
#include <functional>

#include "render/map_drawing.h"
#include "render/output_device.h"

namespace zelk {

class FontService;

struct MapPainting {
  OutputState state;
  bool antialiased = false;
  // Measures and draws the characters; the program's shared service keeps their glyphs.
  FontService* fonts = nullptr;
  bool symbolEditing = false;
  // Asked on the calling thread, a few times a frame; true stops the drawing. The map is not
  // being read while it runs, so it may dispatch events as the single-thread drawing allows.
  std::function<bool()> inputWaiting;
  // Everything on the calling thread (a single processor, tests).
  bool oneThread = false;
};

// Draws `region` of the map on `painter` exactly as DrawMapRegion does on a PainterDevice of the
// painter with the same settings: the same calls in the same order, so the same picture. The
// painter's clip, transform and other state are kept as they are when it starts.
// options.objectDrawn is called on the calling thread with the count painted so far;
// options.colorWanted and options.selectColor may run on the drawing thread.
MapDrawingResult PaintMapRegion(MapStore& store, QPainter& painter, const MapPainting& how,
                                const Box& region, RenderScratch& scratch,
                                const MapDrawingOptions& options = {});

}  // namespace zelk
