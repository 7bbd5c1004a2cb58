// The values a symbol dialog derives on OK (extent, colour set, kept element lists, record
// size), and the tolerant reading of a symbol record into the dialogs' fields.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "storage/records.h"
#include "storage/symbol_records.h"

namespace zelk {

// An element list held by its owner; the record types only view theirs.
using ElementList = std::vector<uint8_t>;

// The colours of the elements of a list.
ColorSet ElementColors(std::span<const uint8_t> list);
// How far, in 0.01 mm, the elements reach from the symbol's origin (in any direction, since
// the symbol may be turned): the farthest point plus half the element's line width, or the
// circle's or dot's half diameter.
int ElementReach(std::span<const uint8_t> list);
// The whole elements of a list of `units` units that the bytes hold: a list cut short or with
// a damaged element keeps the elements before the damage.
ElementList WholeElements(std::span<const uint8_t> bytes, int units);

// The fields of a record read for its dialog, whatever state the record is in: a record too
// short gets zero fields, lists are cut to the elements the record really holds.
struct LineSymbolFields {
  LineSymbol fields;                 // the lists in it are not used
  std::array<ElementList, 5> lists;  // main, secondary, corner, start, end
};
struct AreaSymbolFields {
  AreaSymbol fields;
  ElementList structure;
};
ElementList ReadPointElements(const SymbolRecord& rec);
LineSymbolFields ReadLineFields(const SymbolRecord& rec);
AreaSymbolFields ReadAreaFields(const SymbolRecord& rec);
RectangleSymbol ReadRectangleFields(const SymbolRecord& rec);

// The finished records: the common part of `common` (number, description, icon, status), the
// type-specific part from the fields, and the derived values.
SymbolRecord FinishPointSymbol(const SymbolRecord& common, const ElementList& elements);
// The main list is kept only with at least one main symbol, the other four only when `keep`
// says so for them (secondary, corner, start, end).
SymbolRecord FinishLineSymbol(const SymbolRecord& common, LineSymbol fields,
                              const std::array<ElementList, 5>& lists,
                              const std::array<bool, 4>& keep);
SymbolRecord FinishAreaSymbol(const SymbolRecord& common, AreaSymbol fields,
                              const ElementList& structure);
SymbolRecord FinishRectangleSymbol(const SymbolRecord& common, RectangleSymbol fields);

// Colour numbers as a renumbering maps them: entry n is the new number of colour n.
using ColorNumberMap = std::array<int16_t, 256>;
ColorNumberMap IdentityColorMap();
// The record with every colour number it holds renumbered: its fields, its element lists and
// its colour set. A record whose own counts disagree keeps its fields; its colour set follows.
SymbolRecord RenumberColors(const SymbolRecord& rec, const ColorNumberMap& map);

// A new point, line, area or rectangle symbol before its dialog: white icon, empty fields.
// (Text symbols are made by the renderer's text symbol helpers.)
SymbolRecord NewSymbolRecord(SymbolType type);
// The common part of a record alone (length 348): what a dialog starts a record from.
SymbolRecord CommonPart(const SymbolRecord& common);

}  // namespace zelk
