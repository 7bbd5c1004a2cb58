// The commands of the Help menu: topics, search, map information and the program's version.
#pragma once

#include "editor/command_context.h"

namespace zelk {

class HelpCommands {
 public:
  explicit HelpCommands(CommandContext& c) : c_(c) {}

  void Topic(int context);
  void Search();
  // The numbers of the open map, in words; empty without a map.
  std::string MapInfoText() const;
  void MapInfo();
  void About();

 private:
  CommandContext& c_;
};

}  // namespace zelk
