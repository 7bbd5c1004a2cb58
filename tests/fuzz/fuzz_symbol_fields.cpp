// Fuzz target: arbitrary bytes as a symbol record, read for its editor, finished again and
// renumbered; every record that comes out must agree with itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "storage/symbol_derived.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zelk;
  std::vector<uint8_t> bytes(data, data + std::min<size_t>(size, kMaxSymbolRecord));
  if (bytes.size() < static_cast<size_t>(kSymbolCommonSize)) bytes.resize(kSymbolCommonSize, 0);
  const SymbolRecord rec(bytes);
  SymbolRecord out;
  switch (rec.Type()) {
    case SymbolType::Point:
      out = FinishPointSymbol(rec, ReadPointElements(rec));
      break;
    case SymbolType::Line: {
      const LineSymbolFields f = ReadLineFields(rec);
      out = FinishLineSymbol(rec, f.fields, f.lists, {true, true, true, true});
      break;
    }
    case SymbolType::Area: {
      const AreaSymbolFields f = ReadAreaFields(rec);
      out = FinishAreaSymbol(rec, f.fields, f.structure);
      break;
    }
    case SymbolType::Rectangle:
      out = FinishRectangleSymbol(rec, ReadRectangleFields(rec));
      break;
    default:
      return 0;
  }
  if (!out.IsConsistent()) std::abort();
  ColorNumberMap map = IdentityColorMap();
  for (size_t i = 0; i < map.size(); ++i) map[i] = static_cast<int16_t>(255 - i);
  if (!RenumberColors(out, map).IsConsistent()) std::abort();
  (void)RenumberColors(rec, map);
  return 0;
}
