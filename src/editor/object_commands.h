// Edit menu and toolbar commands that change selected objects as a whole: Delete, Join, Merge,
// Fill or make border, Reverse line object.
#pragma once

#include <memory>
#include <vector>

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
  // To curve: the selected line or area, or every line and area of a multiple selection in one
  // undo step.
  void ToCurve();
  // To curve by symbol: after the question, every line and area of the symbols at `places`
  // (the current symbol alone, else the marked ones) is converted in place or stored anew. The
  // selection is cleared; a count of the converted objects is shown and Esc stops the work.
  // This is not undoable: the undo steps are forgotten.
  void ToCurveBySymbol(const std::vector<int>& places);
  // Where long work shows its count and polls Esc; none shows nothing.
  void SetProgress(Progress* p) { progress_ = p ? p : &quiet_; }
  // Smooth: the freehand smoothing of the preferences' level over the outer ring.
  void Smooth();
  // "Edit Line Text" for a selected line of a line-text symbol.
  void EditLineText();
  // Asks for the text of `line` (a line-text object) with the dialog; false when cancelled or
  // the text does not fit. The drawing tools and Change symbol ask through this.
  bool AskLineText(ObjectRecord& line);

  bool CanDelete() const;
  bool CanJoinOrReverse() const;  // a selected line
  bool CanSmooth() const;         // a selected line or area
  bool CanToCurve() const;        // a selected line or area, or a multiple selection
  bool CanMerge() const;          // two or more marked objects, none selected alone
  bool CanFill() const;           // a selected object and a current symbol
  bool CanEditLineText() const;   // a selected line of a line-text symbol

 private:
  bool Usable() const;
  CommandContext& c_;
  UndoRing& undo_;
  std::unique_ptr<Selection> selection_;
  NullProgress quiet_;
  Progress* progress_ = &quiet_;
};

}  // namespace zelk
