// The Edit menu's commands and the editing buttons of the toolbar.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "editor/command_context.h"
#include "editor/tool_context.h"
#include "editor/undo_ring.h"

namespace zelk {

class Selection;

// How the current symbol fits an object for "Change symbol".
enum class SymbolFit {
  Refused,    // the types do not fit; the object is unchanged
  Fits,       // the object took the symbol
  NeedsText,  // it took a line text symbol and has no text yet
};
// Gives a symbol to an object by the type rules: equal types; a line symbol to an area (which
// keeps only its outer ring, closed); an area symbol to a line of at least three points; a text
// symbol to a framed text. Objects of type below 4 take the symbol's type; a plain line symbol
// drops the text of a line text.
SymbolFit GiveSymbol(ObjectRecord& obj, const SymbolRecord& symbol);

class EditCommands {
 public:
  // `tools` gives the view and preferences the object commands need; without it they do nothing.
  EditCommands(CommandContext& c, UndoRing& undo, ToolContext* tools = nullptr);
  ~EditCommands();

  // "&Undo" (Ctrl+Z, Alt+Backspace, the Undo button) and "&Redo" (Ctrl+Y).
  void Undo();
  void Redo();
  bool CanUndo() const { return c_.doc.IsOpen() && undo_.CanUndo(); }
  bool CanRedo() const { return c_.doc.IsOpen() && undo_.CanRedo(); }

  // "Duplicate object": a copy of the selected object, 30 pixels right and down, selected.
  void DuplicateObject();
  // "Change symbol": the current symbol given to the selected object when the types fit.
  void ChangeSymbol();
  // Asks for the text of a line text (the line text dialog); nothing when cancelled. Without it
  // a line text symbol is refused for objects that have no text.
  std::function<std::optional<std::string>()> askLineText;

 private:
  CommandContext& c_;
  UndoRing& undo_;
  std::unique_ptr<Selection> selection_;
};

}  // namespace zelk
