// Text and line text symbols of the topographic set, and the labels of the demo map.
#include "datagen.h"

namespace zelk::datagen {

// The set has no text symbols yet; this is where they are added.
void AddTextSymbols(MapStore& store) {}

// The demo map has no labels yet; `places` names what they would label.
void AddDemoTexts(MapStore& store, const std::vector<DemoPlace>& places) {}

}  // namespace zelk::datagen
