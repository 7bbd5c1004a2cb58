// The type-specific parts of symbol records and the element lists they carry.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "storage/byte_io.h"
#include "storage/coord.h"
#include "storage/records.h"

namespace zelk {

// Element lists are measured in 8-byte units; no list holds more than this.
constexpr int kMaxElementUnits = 512;

// The bytes of an element list inside a record. Decoding points these into the decoded bytes
// (nothing is copied), so the bytes must outlive the decoded record. Two lists are equal when
// their bytes are.
struct ElementBytes : std::span<const uint8_t> {
  using std::span<const uint8_t>::span;
  ElementBytes(std::span<const uint8_t> s) : std::span<const uint8_t>(s) {}  // NOLINT: a view
  int Units() const { return static_cast<int>(size() / 8); }
  bool operator==(const ElementBytes& o) const { return std::ranges::equal(*this, o); }
};

// One element of a list: its head and its points (coordinate words relative to the origin).
struct ElementView {
  SymbolElementHead head;
  std::span<const uint8_t> points;  // head.pointCount * 8 bytes
  Coord Point(int i) const {
    return {GetI32(points.data() + 8 * i), GetI32(points.data() + 8 * i + 4)};
  }
};

// Walks an element list of `sizeUnits` 8-byte units; stops at a negative point count or at an
// element that would pass the end. `f` returns false to stop early.
template <typename F>
void ForEachElement(std::span<const uint8_t> list, int sizeUnits, F f) {
  const size_t end = std::min(list.size(), static_cast<size_t>(std::max(sizeUnits, 0)) * 8);
  size_t at = 0;
  while (at + SymbolElementHead::kSize <= end) {
    ElementView e;
    e.head = SymbolElementHead::Decode(list.data() + at);
    if (e.head.pointCount < 0) break;
    const size_t size = SymbolElementHead::kSize + 8 * static_cast<size_t>(e.head.pointCount);
    if (at + size > end) break;
    e.points =
        list.subspan(at + SymbolElementHead::kSize, 8 * static_cast<size_t>(e.head.pointCount));
    if (!f(e)) break;
    at += size;
  }
}

// Appends one element (head, then its points) to a list; the head's point count is taken from
// the points.
void AppendElement(std::vector<uint8_t>& list, SymbolElementHead head,
                   std::span<const Coord> points);

// Each record type below decodes from the whole record's bytes (the 348-byte common part
// included, it stays with SymbolRecord) and fails on a record that is too short or whose own
// counts disagree with its size. Decode(const SymbolRecord&) checks the type as well. Encode
// writes type, subtype, length and the type-specific part into a record and leaves the rest of
// its common part as it was. Counts are written as held, so that a test can build a record that
// disagrees with itself; the builders set them from the lists.

// Point symbol. 348: i16 element list size in units, 350: i16 reserved, 352: the elements.
struct PointSymbol {
  static constexpr int kFixedSize = 352;
  int16_t ElementUnits = 0;
  int16_t reserved = 0;
  ElementBytes Elements;

  static std::optional<PointSymbol> Decode(std::span<const uint8_t> record);
  static std::optional<PointSymbol> Decode(const SymbolRecord& record);
  void Encode(SymbolRecord& record) const;
  SymbolRecord Encode() const;
  bool operator==(const PointSymbol&) const = default;
};

// Line symbol. From 348 thirty-seven i16 parameters in the order below (`LineColor` 348,
// `DblMode` 374, `DecMode` 400, `PrimDSize` 412, `EndDSize` 420), an i16 reserved at 422, and
// from 424 the main, secondary, corner, start and end element lists.
struct LineSymbol {
  static constexpr int kFixedSize = 424;

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
  std::array<int16_t, 3> kept1{};  // not interpreted, kept as read
  uint16_t DecMode = 0;            // 0 off, 1 towards the end, 2 towards both ends
  int16_t DecLast = 0;             // size of the last symbol in per cent
  std::array<int16_t, 4> kept2{};  // not interpreted, kept as read
  int16_t PrimDSize = 0;
  int16_t SecDSize = 0;
  int16_t CornerDSize = 0;
  int16_t StartDSize = 0;
  int16_t EndDSize = 0;
  int16_t reserved = 0;

  ElementBytes MainList;
  ElementBytes SecList;
  ElementBytes CornerList;
  ElementBytes StartList;
  ElementBytes EndList;

  static std::optional<LineSymbol> Decode(std::span<const uint8_t> record);
  // Also refuses a line text record.
  static std::optional<LineSymbol> Decode(const SymbolRecord& record);
  void Encode(SymbolRecord& record) const;
  SymbolRecord Encode() const;
  // Sets the five size words from the lists.
  void SetSizesFromLists();
  bool operator==(const LineSymbol&) const = default;

  bool PointedEnds() const { return (LineEnds & 2) != 0; }
  bool MinTwoGaps() const { return (MinGap & 1) != 0; }
  bool DblFill() const { return (DblFlags & 1) != 0; }
};

// Area symbol. From 348 sixteen i16 (`FillOn` 350, `HatchMode` 354, `StructMode` 368, the
// structure size 378), then from 380 the structure element list.
struct AreaSymbol {
  static constexpr int kFixedSize = 380;

  int16_t kept1 = 0;  // not interpreted, kept as read
  int16_t FillOn = 0;
  int16_t FillColor = 0;
  int16_t HatchMode = 0;  // 0 none, 1 single, 2 cross
  int16_t HatchColor = 0;
  int16_t HatchLineWidth = 0;
  int16_t HatchDist = 0;
  int16_t HatchAngle1 = 0;
  int16_t HatchAngle2 = 0;
  int16_t kept2 = 0;
  int16_t StructMode = 0;  // 0 none, 1 rows aligned, 2 every other row offset
  int16_t StructWidth = 0;
  int16_t StructHeight = 0;
  int16_t StructAngle = 0;
  int16_t kept3 = 0;
  int16_t StructSize = 0;  // units of the structure list
  ElementBytes Structure;

  static std::optional<AreaSymbol> Decode(std::span<const uint8_t> record);
  static std::optional<AreaSymbol> Decode(const SymbolRecord& record);
  void Encode(SymbolRecord& record) const;
  SymbolRecord Encode() const;
  bool operator==(const AreaSymbol&) const = default;
};

// Rectangle symbol, 416 bytes: 348 `LineColor`, 350 `LineWidth`, 352 `Radius`, 354 `GridFlags`,
// 356 `CellWidth`, 358 `CellHeight`, 360 4 bytes reserved, 364 `UnnumCells`, 366 `UnnumText`
// (short string of 4 bytes), 370 46 bytes reserved.
struct RectangleSymbol {
  static constexpr int kSize = 416;

  int16_t LineColor = 0;
  int16_t LineWidth = 0;
  int16_t Radius = 0;
  uint16_t GridFlags = 0;  // bit 0 grid on, bit 2 numbered from the bottom
  int16_t CellWidth = 0;
  int16_t CellHeight = 0;
  std::array<uint8_t, 4> reserved1{};
  int16_t UnnumCells = 0;
  std::string UnnumText;  // at most 3 characters
  std::array<uint8_t, 46> reserved2{};

  static std::optional<RectangleSymbol> Decode(std::span<const uint8_t> record);
  static std::optional<RectangleSymbol> Decode(const SymbolRecord& record);
  void Encode(SymbolRecord& record) const;
  SymbolRecord Encode() const;
  bool operator==(const RectangleSymbol&) const = default;

  // The extent its frame reaches beyond the object's corners.
  int Extent() const { return LineWidth / 2 + 8; }
};

// Text symbol, 588 bytes, fields in a row from 348: `FontName` 348 (32 bytes), `FontColor` 380,
// `FontSize` 382, weight 384, `Italic` 386, `CharSpace` 388, `WordSpace` 390, `Alignment` 392,
// `LineSpace` 394, `ParaSpace` 396, `IndentFirst` 398, `IndentOther` 400, tab count 402, 32 i32
// tab positions 404, `LBOn` 532, `LBColor` 534, `LBWidth` 536, `LBDist` 538, a word kept 540,
// `SFOn` 542, `SFName` 544 (32 bytes), `SFColor` 576, `SFSize` 578, weight 580, `SFItalic` 582,
// `SFOfx` 584, `SFOfy` 586.
struct TextSymbol {
  static constexpr int kSize = 588;
  static constexpr int kMaxTabs = 32;

  std::string FontName;
  int16_t FontColor = 0;
  int16_t FontSize = 0;
  int16_t FontWeight = 0;
  int16_t Italic = 0;
  int16_t CharSpace = 0;
  int16_t WordSpace = 0;
  int16_t Alignment = 0;
  int16_t LineSpace = 0;
  int16_t ParaSpace = 0;
  int16_t IndentFirst = 0;
  int16_t IndentOther = 0;
  int16_t TabCount = 0;
  std::array<int32_t, kMaxTabs> Tabs{};
  int16_t LBOn = 0;
  int16_t LBColor = 0;
  int16_t LBWidth = 0;
  int16_t LBDist = 0;
  int16_t kept = 0;
  int16_t SFOn = 0;
  std::string SFName;
  int16_t SFColor = 0;
  int16_t SFSize = 0;
  int16_t SFWeight = 0;
  int16_t SFItalic = 0;
  int16_t SFOfx = 0;
  int16_t SFOfy = 0;

  static std::optional<TextSymbol> Decode(std::span<const uint8_t> record);
  static std::optional<TextSymbol> Decode(const SymbolRecord& record);
  void Encode(SymbolRecord& record) const;
  SymbolRecord Encode() const;
  bool operator==(const TextSymbol&) const = default;
};

// Line text symbol (line type, subtype 1), 440 bytes, fields in a row from 348: `FontName` 348,
// `FontColor` 380, `FontSize` 382, weight 384, `Italic` 386, `CharSpace` 388, `WordSpace` 390,
// alignment 392, `SFOn` 394, `SFName` 396, `SFColor` 428, `SFSize` 430, weight 432, `SFItalic`
// 434, `SFOfx` 436, `SFOfy` 438.
struct LineTextSymbol {
  static constexpr int kSize = 440;

  std::string FontName;
  int16_t FontColor = 0;
  int16_t FontSize = 0;
  int16_t FontWeight = 0;
  int16_t Italic = 0;
  int16_t CharSpace = 0;
  int16_t WordSpace = 0;
  int16_t Alignment = 0;  // "Left", "Center", "Right", "All line"
  int16_t SFOn = 0;
  std::string SFName;
  int16_t SFColor = 0;
  int16_t SFSize = 0;
  int16_t SFWeight = 0;
  int16_t SFItalic = 0;
  int16_t SFOfx = 0;
  int16_t SFOfy = 0;

  static std::optional<LineTextSymbol> Decode(std::span<const uint8_t> record);
  static std::optional<LineTextSymbol> Decode(const SymbolRecord& record);
  void Encode(SymbolRecord& record) const;
  SymbolRecord Encode() const;
  bool operator==(const LineTextSymbol&) const = default;
};

// The length a record must have by its type and its own counts, or -1 for an unknown type or a
// record too short to hold its counts.
int ComputedSymbolLength(const SymbolRecord& record);

}  // namespace zelk
