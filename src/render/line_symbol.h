// The line symbol record: its fields after the common part and its five element lists.
#pragma once

#include <cstdint>
#include <span>

#include "storage/records.h"

namespace zelk {

// A decoded view of a line symbol record. Decoding copies the 37 parameter words and points the
// lists into the record's bytes, so the record must outlive the view; nothing is allocated.
struct LineSymbol {
  static constexpr int kFixedSize = 424;
  static constexpr int kFieldsOffset = 348;

  int16_t LineColor = 0;
  int16_t LineWidth = 0;
  uint16_t LineEnds = 0;  // 0 flat, 1 round, 2 pointed; also the stroke's line style
  int16_t DistFromStart = 0;
  int16_t DistToEnd = 0;
  int16_t MainLength = 0;
  int16_t EndLength = 0;
  int16_t MainGap = 0;
  int16_t SecGap = 0;
  int16_t EndGap = 0;
  int16_t MinGap = 0;  // bit 0: "min. 2 Gaps/Symbols"
  int16_t NPrimSym = 0;
  int16_t PrimSymDist = 0;
  uint16_t DblMode = 0;   // 0 off, 1 full lines, 2 left line dashed, 3 both lines dashed
  uint16_t DblFlags = 0;  // bit 0: fill between the lines
  int16_t DblFillColor = 0;
  int16_t DblLeftColor = 0;
  int16_t DblRightColor = 0;
  int16_t DblWidth = 0;
  int16_t DblLeftWidth = 0;
  int16_t DblRightWidth = 0;
  int16_t DblLength = 0;
  int16_t DblGap = 0;
  uint16_t DecMode = 0;  // 0 off, 1 towards the end, 2 towards both ends
  int16_t DecLast = 0;   // size of the last symbol in per cent
  int16_t PrimDSize = 0;
  int16_t SecDSize = 0;
  int16_t CornerDSize = 0;
  int16_t StartDSize = 0;
  int16_t EndDSize = 0;

  // The element lists in record order; empty unless the record is consistent.
  std::span<const uint8_t> MainList;
  std::span<const uint8_t> SecList;
  std::span<const uint8_t> CornerList;
  std::span<const uint8_t> StartList;
  std::span<const uint8_t> EndList;

  // The record is a line symbol (not a line text symbol) whose size equals the fixed part plus
  // its five lists, none of them of negative size. Only such a record is drawn as its symbol.
  bool consistent = false;

  static LineSymbol Decode(const SymbolRecord& record);

  // A line symbol record with these fields and lists; the size words are taken from the lists
  // (each a whole number of 8-byte units), the common part is zero apart from type and length.
  SymbolRecord Encode() const;

  bool PointedEnds() const { return (LineEnds & 2) != 0; }
  bool MinTwoGaps() const { return (MinGap & 1) != 0; }
  bool DblFill() const { return (DblFlags & 1) != 0; }
};

}  // namespace zelk
