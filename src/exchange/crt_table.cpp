#include "exchange/crt_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

#include "storage/map_store.h"
#include "storage/messages.h"

namespace zelk {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

CrossRefTable::SymbolTypeOf CrossRefTable::TypesOf(const MapStore& store) {
  return [&store](int number) {
    const int place = store.SymbolPlace(number);
    return place < 0 ? 0 : static_cast<int>(store.Symbol(place).Type());
  };
}

void CrossRefTable::Parse(std::string_view text, const SymbolTypeOf& typeOf) {
  entries_.clear();
  while (!text.empty() && entries_.size() < kMaxEntries) {
    const size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    const size_t blank = line.find_first_of(" \t");
    if (blank == std::string_view::npos || blank == 0) continue;
    const std::string_view numberText = line.substr(0, blank);
    double number = 0;
    const auto [ptr, ec] =
        std::from_chars(numberText.data(), numberText.data() + numberText.size(), number);
    if (ec != std::errc() || ptr != numberText.data() + numberText.size()) continue;
    if (!(number > 0 && number < 1000)) continue;
    const double tenths = std::clamp(std::nearbyint(number * 10), -32764.0, 32767.0);
    const int symbol = static_cast<int>(tenths);
    if (symbol < 1 || symbol > 9999) continue;
    const int type = typeOf ? typeOf(symbol) : 0;
    if (type == 0) continue;
    std::string_view layer = Trim(line.substr(blank));
    if (layer.size() > kMaxLayerName) layer = layer.substr(0, kMaxLayerName);
    entries_.push_back({symbol, type, std::string(layer)});
  }
}

bool CrossRefTable::Load(const std::string& path, const SymbolTypeOf& typeOf, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = ComposeMessage("Cannot open", path);
    return false;
  }
  // A table is small; a file of megabytes is read only as far as 256 entries can reach.
  std::string text(1 << 20, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  if (in.bad()) {
    if (error) *error = ComposeMessage("Cannot read from", path);
    return false;
  }
  Parse(text, typeOf);
  return true;
}

const std::string* CrossRefTable::LayerOf(int symbolNumber) const {
  for (const CrossRefEntry& e : entries_)
    if (e.symbolNumber == symbolNumber) return &e.layerName;
  return nullptr;
}

const CrossRefEntry* CrossRefTable::SymbolFor(std::string_view layer, int objectType) const {
  if (layer.size() > kMaxLayerName) layer = layer.substr(0, kMaxLayerName);
  const CrossRefEntry* found = nullptr;
  for (const CrossRefEntry& e : entries_)
    if (e.layerName == layer &&
        (e.symbolType == objectType || (objectType == 2 && e.symbolType == 3)))
      found = &e;
  return found;
}

}  // namespace zelk
