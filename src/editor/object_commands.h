// Edit menu and toolbar commands that change selected objects as a whole: Delete, Join, Merge,
// Fill or make border, Reverse line object.
#pragma once

#include <memory>

#include "editor/command_context.h"
#include "editor/tool_context.h"
#include "editor/undo_ring.h"

namespace zelk {

class Selection;

class ObjectCommands {
 public:
  ObjectCommands(CommandContext& c, UndoRing& undo, ToolContext* tools);
  ~ObjectCommands();

  // The selected object, or every object of a multiple selection in one undo step.
  void Delete();
  void Join();
  void Merge();
  void FillOrMakeBorder();
  void ReverseLine();

  bool CanDelete() const;
  bool CanJoinOrReverse() const;  // a selected line
  bool CanMerge() const;          // two or more marked objects, none selected alone
  bool CanFill() const;           // a selected object and a current symbol

 private:
  bool Usable() const;
  CommandContext& c_;
  UndoRing& undo_;
  std::unique_ptr<Selection> selection_;
};

}  // namespace zelk
