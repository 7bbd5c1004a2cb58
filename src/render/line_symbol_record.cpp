// Decoding and encoding the fields and element lists of a line symbol record.
#include <array>
#include <cstring>
#include <type_traits>
#include <utility>

#include "render/line_symbol.h"

namespace zelk {

namespace {

// The parameter words in record order from offset 348; nullptr marks words this program keeps
// but does not interpret. The order is the record's, so decode and encode cannot disagree.
template <typename Sym>
auto FieldTable(Sym& s) {
  using I = std::conditional_t<std::is_const_v<Sym>, const int16_t*, int16_t*>;
  using U = std::conditional_t<std::is_const_v<Sym>, const uint16_t*, uint16_t*>;
  struct Field {
    I i = nullptr;
    U u = nullptr;
  };
  return std::array<Field, 38>{{
      {&s.LineColor},
      {&s.LineWidth},
      {nullptr, &s.LineEnds},
      {&s.DistFromStart},
      {&s.DistToEnd},
      {&s.MainLength},
      {&s.EndLength},
      {&s.MainGap},
      {&s.SecGap},
      {&s.EndGap},
      {&s.MinGap},
      {&s.NPrimSym},
      {&s.PrimSymDist},
      {nullptr, &s.DblMode},
      {nullptr, &s.DblFlags},
      {&s.DblFillColor},
      {&s.DblLeftColor},
      {&s.DblRightColor},
      {&s.DblWidth},
      {&s.DblLeftWidth},
      {&s.DblRightWidth},
      {&s.DblLength},
      {&s.DblGap},
      {},
      {},
      {},
      {nullptr, &s.DecMode},
      {&s.DecLast},
      {},
      {},
      {},
      {},
      {&s.PrimDSize},
      {&s.SecDSize},
      {&s.CornerDSize},
      {&s.StartDSize},
      {&s.EndDSize},
      {},
  }};
}

}  // namespace

LineSymbol LineSymbol::Decode(const SymbolRecord& record) {
  LineSymbol s;
  const auto fields = FieldTable(s);
  for (size_t i = 0; i < fields.size(); ++i) {
    const int off = kFieldsOffset + 2 * static_cast<int>(i);
    if (fields[i].i) *fields[i].i = record.I16At(off);
    if (fields[i].u) *fields[i].u = static_cast<uint16_t>(record.I16At(off));
  }
  const int16_t sizes[5] = {s.PrimDSize, s.SecDSize, s.CornerDSize, s.StartDSize, s.EndDSize};
  int64_t units = 0;
  bool negative = false;
  for (int16_t n : sizes) {
    units += n;
    negative = negative || n < 0;
  }
  s.consistent = record.Type() == kSymbolLine && !record.IsLineText() && !negative &&
                 record.Size() == kFixedSize + 8 * units;
  if (s.consistent) {
    std::span<const uint8_t> rest(record.Bytes());
    rest = rest.subspan(kFixedSize);
    std::span<const uint8_t>* lists[5] = {&s.MainList, &s.SecList, &s.CornerList, &s.StartList,
                                          &s.EndList};
    for (int k = 0; k < 5; ++k) {
      const size_t bytes = 8 * static_cast<size_t>(sizes[k]);
      *lists[k] = rest.first(bytes);
      rest = rest.subspan(bytes);
    }
  }
  return s;
}

SymbolRecord LineSymbol::Encode() const {
  LineSymbol s = *this;
  const std::span<const uint8_t> lists[5] = {MainList, SecList, CornerList, StartList, EndList};
  int16_t* sizes[5] = {&s.PrimDSize, &s.SecDSize, &s.CornerDSize, &s.StartDSize, &s.EndDSize};
  size_t total = kFixedSize;
  for (int k = 0; k < 5; ++k) {
    *sizes[k] = static_cast<int16_t>(lists[k].size() / 8);
    total += 8 * static_cast<size_t>(*sizes[k]);
  }
  SymbolRecord record;
  record.Resize(static_cast<int>(total));
  record.SetType(kSymbolLine);
  record.SetLength(static_cast<int>(total));
  const auto fields = FieldTable(std::as_const(s));
  for (size_t i = 0; i < fields.size(); ++i) {
    const int off = kFieldsOffset + 2 * static_cast<int>(i);
    if (fields[i].i) record.SetI16At(off, *fields[i].i);
    if (fields[i].u) record.SetI16At(off, *fields[i].u);
  }
  uint8_t* out = record.MutableBytes().data() + kFixedSize;
  for (int k = 0; k < 5; ++k) {
    const size_t bytes = 8 * static_cast<size_t>(*sizes[k]);
    if (bytes > 0) std::memcpy(out, lists[k].data(), bytes);
    out += bytes;
  }
  return record;
}

}  // namespace zelk
