#include "storage/clipboard_blocks.h"

#include <algorithm>
#include <cstring>

#include "storage/byte_io.h"

namespace zelk {

std::optional<std::vector<uint8_t>> EncodeSymbolBlock(std::span<const SymbolRecord> symbols) {
  size_t total = 4;
  for (const SymbolRecord& s : symbols) total += s.Bytes().size();
  if (total >= kClipboardLimit) return std::nullopt;
  std::vector<uint8_t> block;
  block.reserve(total);
  for (const SymbolRecord& s : symbols) {
    std::vector<uint8_t> bytes = s.Bytes();
    PutI16(bytes.data(), static_cast<int16_t>(bytes.size()));  // the length is the size
    block.insert(block.end(), bytes.begin(), bytes.end());
  }
  block.insert(block.end(), 4, 0);
  return block;
}

std::vector<SymbolRecord> DecodeSymbolBlock(std::span<const uint8_t> block) {
  std::vector<SymbolRecord> out;
  size_t at = 0;
  while (at + 2 <= block.size() && out.size() < kMaxPastedSymbols) {
    const int length = GetI16(block.data() + at);
    if (length == 0) break;
    if (length < kSymbolCommonSize || length > kMaxSymbolRecord ||
        at + static_cast<size_t>(length) > block.size())
      break;
    out.emplace_back(std::vector<uint8_t>(block.begin() + static_cast<ptrdiff_t>(at),
                                          block.begin() + static_cast<ptrdiff_t>(at) + length));
    at += static_cast<size_t>(length);
  }
  return out;
}

Coord ClipboardOrigin(const Box& b) {
  // Halved and rounded down to a multiple of 256 by arithmetic shifts, also below zero.
  const int64_t cx = (int64_t{b.left} + b.right) >> 1, cy = (int64_t{b.bottom} + b.top) >> 1;
  return {static_cast<int32_t>((cx >> 8) << 8), static_cast<int32_t>((cy >> 8) << 8)};
}

void MoveCoordinates(ObjectRecord& obj, int64_t dx, int64_t dy) {
  constexpr int64_t lo = -(int64_t{1} << 30), hi = (int64_t{1} << 30) - 256;
  for (Coord& c : obj.coords) {
    const int64_t x = std::clamp((int64_t{c.x} & kPosMask) + (dx & kPosMask), lo, hi);
    const int64_t y = std::clamp((int64_t{c.y} & kPosMask) + (dy & kPosMask), lo, hi);
    c.x = static_cast<int32_t>(x & kPosMask) | (c.x & kFlagMask);
    c.y = static_cast<int32_t>(y & kPosMask) | (c.y & kFlagMask);
  }
}

std::optional<std::vector<uint8_t>> EncodeObjectBlock(std::span<const ObjectRecord> objects,
                                                      Coord origin) {
  size_t total = 4;
  for (const ObjectRecord& o : objects) total += static_cast<size_t>(o.Length());
  if (total >= kClipboardLimit) return std::nullopt;
  std::vector<uint8_t> block(total, 0);
  size_t at = 0;
  for (ObjectRecord o : objects) {
    MoveCoordinates(o, -int64_t{origin.x}, -int64_t{origin.y});
    o.Encode(block.data() + at);
    at += static_cast<size_t>(o.Length());
  }
  return block;
}

std::vector<ObjectRecord> DecodeObjectBlock(std::span<const uint8_t> block) {
  std::vector<ObjectRecord> out;
  size_t at = 0;
  while (at + 4 <= block.size()) {
    if (GetI32(block.data() + at) == 0) break;  // the end mark
    if (at + ObjectRecord::kHeadSize > block.size()) break;
    const int points = GetI16(block.data() + at + 4), text = GetI16(block.data() + at + 6);
    if (points < 1 || points > kMaxPoints || text < 0 || points + text > kMaxPoints) break;
    const size_t length = ObjectRecord::kHeadSize + 8 * static_cast<size_t>(points + text);
    // The record and the end mark after it lie within the block.
    if (at + length + 4 > block.size()) break;
    const std::optional<ObjectRecord> o = ObjectRecord::Decode(block.subspan(at, length));
    if (!o) break;
    out.push_back(*o);
    at += length;
  }
  return out;
}

}  // namespace zelk
