// Reads arbitrary bytes as a cross-reference table and looks layers and symbols up in it.
#include <cstdint>
#include <string>

#include "exchange/crt_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  zelk::CrossRefTable table;
  table.Parse(text, [](int n) { return n % 7 == 0 ? 0 : n % 5 + 1; });
  for (const zelk::CrossRefEntry& e : table.Entries()) {
    if (e.layerName.size() > zelk::CrossRefTable::kMaxLayerName) __builtin_trap();
    if (e.symbolNumber < 1 || e.symbolNumber > 9999) __builtin_trap();
    table.SymbolFor(e.layerName, e.symbolType);
    table.LayerOf(e.symbolNumber);
  }
  if (table.Entries().size() > zelk::CrossRefTable::kMaxEntries) __builtin_trap();
  return 0;
}
