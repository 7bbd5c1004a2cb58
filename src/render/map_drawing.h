// Colour-by-colour drawing of a region of the map: the loop every surface (screen, bitmap, print)
// shares.
#pragma once

#include <cstdint>
#include <functional>

#include "render/object_renderer.h"
#include "storage/map_store.h"

namespace zelk {

// How one surface takes part in the loop; every member may be left empty.
struct MapDrawingOptions {
  // Colours the user marked as shown (screen) or for output (print, export); empty: all.
  std::function<bool(const ColorRecord&)> colorWanted;
  // Selects the pass colour on the device; empty: the colour's CMYK, its screen colour as pen.
  // Printing uses this for intensities and separations.
  std::function<void(OutputDevice&, const ColorRecord&)> selectColor;
  // Called after every object drawn with the running count (the progress of long outputs).
  std::function<void(int64_t objectsDrawn)> objectDrawn;
};

struct MapDrawingResult {
  int64_t objectsDrawn = 0;  // objects handed to the renderer, counted once per colour pass
  bool completed = true;     // false when ctx.Aborted() stopped the drawing
};

// Draws every object whose box meets `region` (coordinate words), walking the colour table from
// its last entry to its first so that the first colour ends on top. Colours no object uses are
// skipped, as are objects of hidden symbols. The output state's transform and clip rectangle are
// the caller's; the drawing stops after the object at which ctx.Aborted() becomes true.
MapDrawingResult DrawMapRegion(MapStore& store, RenderContext& ctx, const Box& region,
                               const MapDrawingOptions& options = {});

}  // namespace zelk
