// File > Import... (maps and DXF drawings) and File > Export > DXF...
#pragma once

#include <cstdint>
#include <string>

#include "editor/command_context.h"
#include "editor/undo_ring.h"
#include "storage/messages.h"

namespace zelk {

class ExchangeCommands {
 public:
  ExchangeCommands(CommandContext& c, UndoRing& undo) : c_(c), undo_(undo) {}
  // Where the long operations count (the status line); nothing is shown without one.
  void SetProgress(Progress* p) { progress_ = p ? p : &quiet_; }

  // Asks for a file and imports it as a map or a DXF drawing after its dialog; one undo step.
  void Import();
  // Imports `path` (already chosen): the file test, the dialog, the import.
  void ImportFile(const std::string& path);
  void ExportDxf();

 private:
  void ImportMapFile(const std::string& path);
  void ImportDxfFile(const std::string& path);
  // One bulk undo record for what was added, then a redraw.
  void Added(const std::vector<int32_t>& objects);

  CommandContext& c_;
  UndoRing& undo_;
  NullProgress quiet_;
  Progress* progress_ = &quiet_;
  // The offsets of the last map import, in coordinate words.
  int32_t importDx_ = 0, importDy_ = 0;
};

}  // namespace zelk
