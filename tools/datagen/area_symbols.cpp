// Area symbols of the topographic set: water, marsh, forest, open land and settlements.
#include "datagen.h"

namespace zelk::datagen {

namespace {

AreaFields Fill(int16_t colour) {
  AreaFields f;
  f.fillOn = 1;
  f.fillColor = colour;
  return f;
}

}  // namespace

void AddAreaSymbols(MapStore& store) {
  {
    // Light blue water with dark blue lines parallel to the map's x axis.
    AreaFields f = Fill(kBlue50);
    f.hatchMode = 1;
    f.hatchColor = kBlue;
    f.hatchLineWidth = 10;
    f.hatchDist = 60;
    Add(store, AreaSymbol(2110, "Lake", f));
  }
  {
    // Short blue dashes in offset rows.
    AreaFields f;
    f.structMode = 2;
    f.structWidth = 280;
    f.structHeight = 110;
    f.structure.Line(kBlue, 14, {{-90, 0}, {90, 0}}, 0);
    Add(store, AreaSymbol(2120, "Marsh", f));
  }
  {
    AreaFields f = Fill(kGreen30);
    Add(store, AreaSymbol(4010, "Forest", f));
  }
  Add(store, AreaSymbol(4020, "Dense forest", Fill(kGreen60)));
  {
    // Round tree crowns on the forest tint.
    AreaFields f = Fill(kGreen30);
    f.structMode = 2;
    f.structWidth = 400;
    f.structHeight = 350;
    f.structure.Circle(kGreen, 12, 110);
    Add(store, AreaSymbol(4030, "Deciduous forest", f));
  }
  {
    // Pines: small triangles in aligned rows, turned with the grid.
    AreaFields f = Fill(kGreen30);
    f.structMode = 1;
    f.structWidth = 350;
    f.structHeight = 350;
    f.structAngle = 150;
    f.structure.Area(kGreen, {{-45, -40}, {0, 50}, {45, -40}});
    Add(store, AreaSymbol(4040, "Coniferous forest", f));
  }
  Add(store, AreaSymbol(4110, "Open land", Fill(kYellow50)));
  {
    // Cultivated land: yellow with a cross hatch of green lines.
    AreaFields f = Fill(kYellow50);
    f.hatchMode = 2;
    f.hatchColor = kGreen30;
    f.hatchLineWidth = 12;
    f.hatchDist = 150;
    f.hatchAngle1 = 450;
    f.hatchAngle2 = -450;
    Add(store, AreaSymbol(4120, "Orchard", f));
  }
  Add(store, AreaSymbol(5210, "Building", Fill(kBlack50)));
  Add(store, AreaSymbol(5220, "Settlement", Fill(kBrown20)));
  {
    AreaFields f;
    f.hatchMode = 1;
    f.hatchColor = kBlack;
    f.hatchLineWidth = 10;
    f.hatchDist = 50;
    f.hatchAngle1 = 450;
    Add(store, AreaSymbol(5230, "Industrial area", f));
  }
}

}  // namespace zelk::datagen
