// The commands of the Extras menu that work on the map as a whole.
#pragma once

#include "editor/command_context.h"

namespace zelk {

class MapCommands {
 public:
  explicit MapCommands(CommandContext& c) : c_(c) {}

  // The window rectangle of the partial map window, kept for the partial map export.
  void PartialWindow();
  const Box& PartialWindowBox() const { return partialWindow_; }

 private:
  CommandContext& c_;
  Box partialWindow_;
};

}  // namespace zelk
