// The Edit menu's commands and the editing buttons of the toolbar.
#include "editor/edit_commands.h"

namespace zelk {

void EditCommands::Undo() {
  if (!CanUndo()) return;
  WaitCursor wait(c_.window);
  undo_.Undo();
}

void EditCommands::Redo() {
  if (!CanRedo()) return;
  WaitCursor wait(c_.window);
  undo_.Redo();
}

}  // namespace zelk
