// Where the drawing tools hand on what belongs to other operations: the cut line and the hole
// drawn across a selected area, the text of a line-text object, the symbol editor's veto.
#pragma once

#include <functional>
#include <vector>

#include "storage/coord.h"
#include "storage/records.h"

namespace zelk {

struct DrawingHooks {
  // Cut line (purpose 1): asked at the first press whether a cut line may start there; the cut
  // operation checks the press against the area and may show its message. Unset: allowed.
  std::function<bool(const Coord& press)> cutLineStarts;
  // Cut line (purpose 1): the finished line, its points only; the selected area is untouched.
  std::function<void(const std::vector<Coord>& cutLine)> cutLineDrawn;
  // Hole (purpose 2): the finished outline of at least 3 points (the first carries no hole
  // flag yet). Returns true when the area was changed. Unset: the hole is discarded.
  std::function<bool(const std::vector<Coord>& hole)> holeDrawn;
  // A new line of a line-text symbol asks for its text; false stores nothing.
  std::function<bool(ObjectRecord& line)> askLineText;
  // While a point symbol is edited, the symbol editor may refuse a new element.
  std::function<bool()> symbolEditorAllows;
  // The system's error sound before "Maximum number of points reached.".
  std::function<void()> beep;
};

}  // namespace zelk
