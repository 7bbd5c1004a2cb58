// The Edit menu's commands and the editing buttons of the toolbar.
#pragma once

#include "editor/command_context.h"
#include "editor/undo_ring.h"

namespace zelk {

class EditCommands {
 public:
  EditCommands(CommandContext& c, UndoRing& undo) : c_(c), undo_(undo) {}

  // "&Undo" (Ctrl+Z, Alt+Backspace, the Undo button) and "&Redo" (Ctrl+Y).
  void Undo();
  void Redo();
  bool CanUndo() const { return c_.doc.IsOpen() && undo_.CanUndo(); }
  bool CanRedo() const { return c_.doc.IsOpen() && undo_.CanRedo(); }

 private:
  CommandContext& c_;
  UndoRing& undo_;
};

}  // namespace zelk
