// The map-wide commands of the Extras menu.
#include "editor/map_commands.h"

namespace zelk {

void MapCommands::PartialWindow() {
  if (!c_.doc.IsOpen()) return;
  c_.window.StartWindowRectangle([this] { return partialWindow_; },
                                 [this](const Box& b) { partialWindow_ = b; }, help::kMainWindow);
}

}  // namespace zelk
