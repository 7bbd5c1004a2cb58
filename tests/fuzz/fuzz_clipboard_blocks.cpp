// Reads arbitrary bytes as clipboard blocks of symbols and of objects, and writes back what was
// taken: every record taken must fit the limits and write back to what was read.
#include <cstdint>
#include <span>

#include "storage/clipboard_blocks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> block(data, size);
  const std::vector<zelk::SymbolRecord> symbols = zelk::DecodeSymbolBlock(block);
  if (symbols.size() > zelk::kMaxPastedSymbols) __builtin_trap();
  size_t used = 0;
  for (const zelk::SymbolRecord& s : symbols) used += s.Bytes().size();
  if (used > size) __builtin_trap();
  const std::vector<zelk::ObjectRecord> objects = zelk::DecodeObjectBlock(block);
  used = 0;
  for (const zelk::ObjectRecord& o : objects) {
    if (o.PointCount() < 1 || o.PointCount() + o.textUnits > zelk::kMaxPoints) __builtin_trap();
    used += static_cast<size_t>(o.Length());
  }
  if (used > size) __builtin_trap();
  if (!objects.empty() && used + 4 < zelk::kClipboardLimit) {
    const auto again = zelk::EncodeObjectBlock(objects, zelk::Coord{});
    if (!again || zelk::DecodeObjectBlock(*again).size() != objects.size()) __builtin_trap();
  }
  return 0;
}
