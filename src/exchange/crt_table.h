// The cross-reference table between DXF layer names and map symbols (".crt" files).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zelk {

class MapStore;

struct CrossRefEntry {
  int32_t symbolNumber = 0;  // in tenths: 101.5 is 1015
  int32_t symbolType = 0;    // the type of that symbol in the map
  std::string layerName;     // at most 31 characters
};

class CrossRefTable {
 public:
  static constexpr size_t kMaxEntries = 256;
  static constexpr size_t kMaxLayerName = 31;

  // The type of a symbol number of the open map, 0 when the map does not define it.
  using SymbolTypeOf = std::function<int(int number)>;
  static SymbolTypeOf TypesOf(const MapStore& store);

  // Empties the table, then takes each valid line of `text`; lines beyond the 256th valid one
  // are ignored.
  void Parse(std::string_view text, const SymbolTypeOf& typeOf);
  // Reads the file; false with the file layer's message in `error` when it cannot be read.
  bool Load(const std::string& path, const SymbolTypeOf& typeOf, std::string* error);

  void Clear() { entries_.clear(); }
  const std::vector<CrossRefEntry>& Entries() const { return entries_; }
  // Export: the layer name of the first entry of the symbol, or nullptr.
  const std::string* LayerOf(int symbolNumber) const;
  // Import: the last entry whose layer name is `layer` (cut to 31 characters) and whose symbol
  // type is `objectType` or, for a line object, an area; nullptr without a match.
  const CrossRefEntry* SymbolFor(std::string_view layer, int objectType) const;

 private:
  std::vector<CrossRefEntry> entries_;
};

}  // namespace zelk
