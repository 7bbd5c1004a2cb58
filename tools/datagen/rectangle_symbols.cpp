// Rectangle symbols of the topographic set: the map frame with its grid and a plain box.
#include "datagen.h"

namespace zelk::datagen {

void AddRectangleSymbols(MapStore& store) {
  {
    RectangleFields f;
    f.lineColor = kBlack;
    f.lineWidth = 35;
    f.gridFlags = 3 | 4;  // grid on, cells numbered from the bottom
    f.cellWidth = 5000;   // 50 mm: 750 m at 1:15000
    f.cellHeight = 5000;
    Add(store, RectangleSymbol(7010, "Map frame with grid", f));
  }
  {
    RectangleFields f;
    f.lineColor = kBlack;
    f.lineWidth = 20;
    f.radius = 150;
    Add(store, RectangleSymbol(7020, "Box", f));
  }
}

}  // namespace zelk::datagen
