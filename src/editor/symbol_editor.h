// Point-symbol editing in the work window: the elements of a point symbol, of a symbol placed
// along a line symbol or of an area structure are drawn with the ordinary drawing tools.
#pragma once

#include <optional>

#include "editor/command_context.h"
#include "storage/symbol_derived.h"

namespace zelk {

// The repeated cell of an area structure, drawn around the edited element.
struct StructureCell {
  int mode = 0;                   // 1 aligned rows, 2 offset rows
  int32_t width = 0, height = 0;  // coordinate words
  double angle = 0;               // degrees
};

// The shifts, in coordinate words, at which the edited structure is drawn again.
std::vector<Coord> StructureShifts(const StructureCell& cell);

class SymbolEditor {
 public:
  explicit SymbolEditor(CommandContext& c) : c_(c) {}

  bool Active() const { return c_.state.SymbolEditing; }
  // Starts drawing element list `list` of the symbol at `place` (0 for a point symbol's and an
  // area structure's list; main, secondary, corner, start, end for a line symbol).
  bool Begin(int place, int list);
  // Ends it: the elements go into the symbol, which is stored; the view is put back. Returns
  // the symbol's place, or -1.
  int End();

  // The shape and parameters new elements are drawn with.
  void SetShape(int16_t kind);
  void SetColor(int number);
  void SetLineWidth(int units);  // 0.01 mm
  void SetDiameter(int units);
  void SetRoundEnds(bool on);
  int16_t Shape() const {
    return static_cast<int16_t>(c_.state.ElementHead.symbol - kElementSymbolBase);
  }
  int Color() const { return c_.state.ElementHead.angle; }
  int LineWidth() const { return c_.state.ElementHead.ElementLineWidth(); }
  int Diameter() const { return c_.state.ElementHead.ElementDiameter(); }
  bool RoundEnds() const { return c_.state.ElementHead.ElementLineStyle() == 1; }
  std::optional<StructureCell> Cell() const { return cell_; }
  int Place() const { return place_; }

 private:
  void UpdateHead(int16_t kind, int color, int width, int style, int diameter);

  CommandContext& c_;
  int place_ = -1;
  int list_ = 0;
  std::optional<StructureCell> cell_;
  double savedZoom_ = 4;
  int32_t savedX_ = 0, savedY_ = 0;
  Mode savedMode_ = Mode::None;
};

}  // namespace zelk
