// Edits of the colour table and of the spot-colour separations, as the colour dialogs make them.
#pragma once

#include <optional>
#include <string>

#include "storage/records.h"

namespace zelk {

// Percentages of the colour dialogs, in steps of half a per cent when stored.
struct CmykPercent {
  double c = 0, m = 0, y = 0, k = 0;
};
struct RgbPercent {
  double r = 0, g = 0, b = 0;
};
// R = 100 - C - K and so on, never below 0.
RgbPercent CmykToRgb(const CmykPercent& v);
// The grey share goes to black: K = min(c, m, y), the rest to C, M and Y.
CmykPercent RgbToCmyk(const RgbPercent& v);
// A percentage as stored: round(per cent x 2) (halves to even), 0..200.
uint8_t PercentToByte(double percent);

// The number a new colour gets: the smallest of 1..255, then 0, that no colour of the table has
// and that no symbol still draws with (`symbolColors`); when every free number is still drawn
// with by some symbol, the smallest free one. -1 when the table is full.
int NewColorNumber(const SymbolHeader& h, const ColorSet& symbolColors);
// Inserts an empty colour right after `current` (all separation shares 255) and returns its
// index; -1 when 256 colours exist.
int InsertColor(SymbolHeader& h, int current, const ColorSet& symbolColors);
// Removes the colour at `current` when at least two exist; `current` moves to the previous one.
bool DeleteColor(SymbolHeader& h, int* current);
// Swaps the colour at `index` with its neighbour above (-1) or below (+1).
bool MoveColor(SymbolHeader& h, int index, int direction);

// Appends a separation (empty name, 150.0 lines, 45.0 degrees) that no colour is in; -1 when 24
// exist.
int AppendSeparation(SymbolHeader& h);
// Removes a separation and its share in every colour; `current` moves back by one. The last one
// deleted leaves one new default separation.
void DeleteSeparation(SymbolHeader& h, int* current);
// The name as stored: leading blanks removed, the first character upper case, the rest lower
// case, at most 15 characters. Empty when nothing but blanks was typed.
std::string SeparationName(const std::string& typed);

// A share as the grid shows it: value / 2, one decimal when odd, empty above 200.
std::string SeparationShareText(uint8_t value);
// A grid cell read back: 255 for an empty cell, the byte for 0..100 per cent; otherwise the
// message to show.
struct ShareCell {
  std::optional<uint8_t> value;
  std::string problem;
};
ShareCell ReadSeparationShare(const std::string& text);

// The colour table's counts made usable: 1..256 colours, 0..24 separations.
void NormalizeCounts(SymbolHeader& h);

}  // namespace zelk
