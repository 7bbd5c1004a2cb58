// The commands of the Options menu and the toggle buttons of the toolbar.
#pragma once

#include "editor/command_context.h"

namespace zelk {

class OptionsCommands {
 public:
  explicit OptionsCommands(CommandContext& c) : c_(c) {}

  void Preferences();
  void Scales();
  // The toggles are preferences: each click stores them again.
  void ToggleGrid();
  void ToggleAutoJoin();
  void SetSmoothing(int level);

 private:
  CommandContext& c_;
};

}  // namespace zelk
