// The commands of the Extras menu that work on the map as a whole.
#pragma once

#include "editor/command_context.h"
#include "editor/undo_ring.h"
#include "storage/messages.h"

namespace zelk {

class MapCommands {
 public:
  MapCommands(CommandContext& c, UndoRing& undo) : c_(c), undo_(undo) {}
  // Where the long operations count (the status line with Esc); nothing is shown without one.
  void SetProgress(Progress* p) { progress_ = p ? p : &quiet_; }

  // The window rectangle of the partial map window, kept for the partial map export.
  void PartialWindow();
  const Box& PartialWindowBox() const { return partialWindow_; }

  void Optimize();
  void MoveMap();
  void StretchMap();
  void RotateMap();
  void ChangeScale();
  void ChangeSymbols();
  void ExportBySymbol();
  void DeleteBySymbol();
  void EnlargeSymbols();
  void PartialMap();
  // Lines of the current line symbol at the paper or real-world grid, over the partial map
  // window when one is marked, else the whole map; one undo step.
  void GridLines();
  // Length and area of the selected object, on paper and on the ground.
  void Measure();
  // File > Backup... and Restore... (backup_commands.h).
  void Backup();
  void Restore();

 private:
  // After a rewrite that undo cannot follow: no step before it may be undone, nothing stays
  // selected, and the whole window is drawn anew.
  void Rewritten(bool symbolsChanged);
  bool AskMapArea();

  CommandContext& c_;
  UndoRing& undo_;
  NullProgress quiet_;
  Progress* progress_ = &quiet_;
  Box partialWindow_;
};

}  // namespace zelk
