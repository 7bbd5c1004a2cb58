// The commands of the Symbol menu and of the symbol box: status, delete, duplicate, load, choose.
#pragma once

#include <vector>

#include "editor/command_context.h"
#include "editor/symbol_editor.h"

namespace zelk {

class SymbolCommands {
 public:
  explicit SymbolCommands(CommandContext& c) : c_(c), editor_(c) {}

  // "Nor&mal", "Pro&tected", "&Hidden": the status of the current or of every marked symbol.
  void SetStatus(uint8_t status);
  void Delete();
  // A copy of the current or of every marked symbol right after its original, numbered one
  // tenth higher, while the table has room.
  void Duplicate();
  void Load();
  // "C&olors...": the colour table; OK redraws the map in the new order and colours.
  void Colors();
  // "&New...": the type, then the editor of that type on an empty symbol.
  void New();
  // "&Edit...": the editor of the current symbol's type.
  void Edit();
  // "&Icon...": the current symbol's icon.
  void Icon();
  // Stores a record an editor finished: it replaces the symbol at `place`, or with `place` -1
  // goes in after the current symbol and becomes current. The objects of the old and the new
  // number are brought up to date (boxes, colour sets) and the map is redrawn.
  bool StoreSymbol(int place, const SymbolRecord& rec);
  // Opens the editor on a record (`place` -1: a new symbol) and stores what it gives.
  void RunEditor(const SymbolRecord& rec, int place);
  // The point-symbol editing of the work window.
  SymbolEditor& Editor() { return editor_; }
  // "&Close" of the symbol editor: the drawn elements are stored and the symbol's dialog
  // opens again.
  void CloseSymbolEditor();
  // The place StoreSymbol stored at last.
  int LastStoredPlace() const { return lastStored_; }
  // A left click in the symbol box: a plain click makes a symbol current, Shift marks a range
  // from the last clicked one, Ctrl toggles one mark and leaves no symbol current.
  void BoxClick(int place, bool shift, bool ctrl);
  // The places a symbol command works on: the current one, or every marked one.
  std::vector<int> Targets() const;
  // The symbol box forgets the last clicked symbol (the table was replaced).
  void ForgetLastClicked() { lastClicked_ = -1; }

 private:
  CommandContext& c_;
  SymbolEditor editor_;
  int lastClicked_ = -1;
  int lastStored_ = -1;
};

}  // namespace zelk
