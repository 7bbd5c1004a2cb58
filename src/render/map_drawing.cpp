// Colour-by-colour drawing of a region of the map.
#include "render/map_drawing.h"

#include <algorithm>

namespace zelk {

MapDrawingResult DrawMapRegion(MapStore& store, RenderContext& ctx, const Box& region,
                               const MapDrawingOptions& options) {
  MapDrawingResult result;
  if (!store.IsOpen() || store.ObjectCount() <= 0) return result;
  const SymbolHeader& table = store.Colors();
  const int colorCount = std::clamp<int>(table.colorCount, 0, kMaxColors);
  ObjectRecord obj;
  for (int place = colorCount - 1; place >= 0; --place) {
    if (ctx.Aborted()) {
      result.completed = false;
      return result;
    }
    const ColorRecord& color = table.colors[static_cast<size_t>(place)];
    if (!store.UsedColors().Has(color.colorNumber)) continue;
    if (options.colorWanted && !options.colorWanted(color)) continue;
    if (options.selectColor) {
      options.selectColor(ctx.device, color);
    } else {
      ctx.device.SelectColorPass(color.colorNumber,
                                 Cmyk{color.cmyk[0], color.cmyk[1], color.cmyk[2], color.cmyk[3]});
    }
    // The search wraps from the last object to the first; starting at the last and stopping
    // there visits every object once, in number order.
    const int32_t last = store.ObjectCount();
    int32_t current = last;
    for (;;) {
      const SearchResult found = store.Search(region, last, color.colorNumber, &current);
      if (found.found && store.ReadObject(current, &obj) && obj.PointCount() > 0) {
        const SymbolRecord& symbol = store.SymbolFor(obj.symbol);
        if (symbol.Status() != kStatusHidden) {
          DrawObject(ctx, obj, symbol);
          ++result.objectsDrawn;
          if (options.objectDrawn) options.objectDrawn(result.objectsDrawn);
          if (ctx.Aborted()) {
            result.completed = false;
            return result;
          }
        }
      }
      if (found.done) break;
    }
  }
  return result;
}

}  // namespace zelk
