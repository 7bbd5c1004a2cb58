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
  // The objects meeting the region are found once, listed under each colour the search finds
  // them in, in object number order as the search gives them; each colour walks its own list.
  // Their records are read once, in one sweep of the file, for all the colours.
  MapStore::ObjectsByColor byColor;
  store.ObjectsInRegionByColor(region, &byColor);
  store.SweepRecords(store.LastRegion());
  struct ForgetSweep {
    MapStore& store;
    ~ForgetSweep() { store.ForgetSweep(); }
  } forget{store};
  // Should the map change while it is drawn, each object is tested again as the search would.
  const uint64_t stamp = store.EntryStamp();
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
    // A used colour has a number of 0 to 255.
    const std::vector<int32_t>& objects = byColor[static_cast<size_t>(color.colorNumber)];
    // Objects a few places ahead are fetched while this one is drawn.
    constexpr size_t kAhead = 6;
    for (size_t i = 0; i < std::min(kAhead, objects.size()); ++i) store.PrefetchObject(objects[i]);
    for (size_t i = 0; i < objects.size(); ++i) {
      const int32_t n = objects[i];
      if (i + kAhead < objects.size()) store.PrefetchObject(objects[i + kAhead]);
      if (store.EntryStamp() != stamp && !store.SearchAt(n, region, color.colorNumber)) continue;
      if (!store.ReadObject(n, &obj) || obj.PointCount() <= 0) continue;
      const SymbolRecord& symbol = store.SymbolFor(obj.symbol);
      if (symbol.Status() == kStatusHidden) continue;
      DrawObject(ctx, obj, symbol);
      ++result.objectsDrawn;
      if (options.objectDrawn) options.objectDrawn(result.objectsDrawn);
      if (ctx.Aborted()) {
        result.completed = false;
        return result;
      }
    }
  }
  return result;
}

}  // namespace zelk
