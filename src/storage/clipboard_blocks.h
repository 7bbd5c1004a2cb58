// The clipboard blocks of symbols ("ZELK6 Symbol") and objects ("ZELK6 Object"): records back
// to back, ended by four zero bytes, smaller than 65001 bytes in all. Blocks read from the
// clipboard come from any program: every record is checked against the block before it is
// taken, and reading stops at the first record that does not hold.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "storage/coord.h"
#include "storage/records.h"

namespace zelk {

inline constexpr const char* kSymbolClipboardFormat = "ZELK6 Symbol";
inline constexpr const char* kObjectClipboardFormat = "ZELK6 Object";
inline constexpr size_t kClipboardLimit = 65001;  // a block is smaller than this
inline constexpr size_t kMaxPastedSymbols = 1000;

// Nothing when the records and the end mark come to 65001 bytes or more.
std::optional<std::vector<uint8_t>> EncodeSymbolBlock(std::span<const SymbolRecord> symbols);
// The records up to the end mark or the first that does not hold: a length of 348..20904
// bytes that lies within the block. At most 1000.
std::vector<SymbolRecord> DecodeSymbolBlock(std::span<const uint8_t> block);

// The centre of the boxes' union with its low 8 bits cleared in each axis: the origin the
// copied coordinates are relative to.
Coord ClipboardOrigin(const Box& unionBox);
// The objects moved by minus `origin` (flags kept); nothing when the block would be too large.
std::optional<std::vector<uint8_t>> EncodeObjectBlock(std::span<const ObjectRecord> objects,
                                                      Coord origin);
// The records up to the end mark or the first that does not hold: 1..2000 points, a text count
// of 0 or more, both together at most 2000, the record and the end mark within the block.
std::vector<ObjectRecord> DecodeObjectBlock(std::span<const uint8_t> block);

// Moves an object's coordinates by (dx, dy) words, keeping their flag bytes; positions are kept
// within the coordinate space.
void MoveCoordinates(ObjectRecord& obj, int64_t dx, int64_t dy);

}  // namespace zelk
