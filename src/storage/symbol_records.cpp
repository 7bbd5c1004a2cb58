// Decoding and encoding the type-specific parts of symbol records.
#include "storage/symbol_records.h"

#include <cstring>

namespace zelk {

namespace {

// Each record's fields are listed once, in record order, in a Fields function that a reader
// and a writer both walk; decode and encode therefore cannot disagree on an offset.
class FieldReader {
 public:
  FieldReader(std::span<const uint8_t> bytes, size_t at) : bytes_(bytes), at_(at) {}
  void I16(int16_t& v) { v = GetI16(Take(2)); }
  void U16(uint16_t& v) { v = static_cast<uint16_t>(GetI16(Take(2))); }
  void I32(int32_t& v) { v = GetI32(Take(4)); }
  void String(std::string& s, int size) {
    s = GetShortString(Take(static_cast<size_t>(size)), size);
  }
  template <size_t N>
  void Bytes(std::array<uint8_t, N>& a) {
    std::memcpy(a.data(), Take(N), N);
  }
  size_t At() const { return at_; }

 private:
  // The callers check the record's size before reading its fixed part.
  const uint8_t* Take(size_t n) {
    const uint8_t* p = bytes_.data() + at_;
    at_ += n;
    return p;
  }
  std::span<const uint8_t> bytes_;
  size_t at_;
};

class FieldWriter {
 public:
  FieldWriter(std::vector<uint8_t>& bytes, size_t at) : bytes_(bytes), at_(at) {}
  void I16(int16_t v) { PutI16(Take(2), v); }
  void U16(uint16_t v) { PutI16(Take(2), v); }
  void I32(int32_t v) { PutI32(Take(4), v); }
  void String(const std::string& s, int size) {
    PutShortString(Take(static_cast<size_t>(size)), size, s);
  }
  template <size_t N>
  void Bytes(const std::array<uint8_t, N>& a) {
    std::memcpy(Take(N), a.data(), N);
  }
  void List(std::span<const uint8_t> list) {
    if (!list.empty()) std::memcpy(Take(list.size()), list.data(), list.size());
  }
  size_t At() const { return at_; }

 private:
  uint8_t* Take(size_t n) {
    uint8_t* p = bytes_.data() + at_;
    at_ += n;
    return p;
  }
  std::vector<uint8_t>& bytes_;
  size_t at_;
};

// Sizes the record, sets the head fields the type decides, and returns a writer after the
// common part.
FieldWriter Prepare(SymbolRecord& record, SymbolType type, int subtype, size_t size) {
  record.Resize(static_cast<int>(size));
  record.SetLength(static_cast<int>(size));
  record.SetType(type);
  record.SetSubtype(subtype);
  return FieldWriter(record.MutableBytes(), kSymbolCommonSize);
}

bool UnitsFit(int16_t units) {
  return units >= 0 && units <= kMaxElementUnits;
}

// --- Field lists ---------------------------------------------------------------------------

template <typename V, typename S>
constexpr void PointFields(V& v, S& s) {
  v.I16(s.ElementUnits);
  v.I16(s.reserved);
}

template <typename V, typename S>
constexpr void LineFields(V& v, S& s) {
  v.I16(s.LineColor);
  v.I16(s.LineWidth);
  v.U16(s.LineEnds);
  v.I16(s.DistFromStart);
  v.I16(s.DistToEnd);
  v.I16(s.MainLength);
  v.I16(s.EndLength);
  v.I16(s.MainGap);
  v.I16(s.SecGap);
  v.I16(s.EndGap);
  v.I16(s.MinGap);
  v.I16(s.NPrimSym);
  v.I16(s.PrimSymDist);
  v.U16(s.DblMode);
  v.U16(s.DblFlags);
  v.I16(s.DblFillColor);
  v.I16(s.DblLeftColor);
  v.I16(s.DblRightColor);
  v.I16(s.DblWidth);
  v.I16(s.DblLeftWidth);
  v.I16(s.DblRightWidth);
  v.I16(s.DblLength);
  v.I16(s.DblGap);
  for (auto& w : s.kept1) v.I16(w);
  v.U16(s.DecMode);
  v.I16(s.DecLast);
  for (auto& w : s.kept2) v.I16(w);
  v.I16(s.PrimDSize);
  v.I16(s.SecDSize);
  v.I16(s.CornerDSize);
  v.I16(s.StartDSize);
  v.I16(s.EndDSize);
  v.I16(s.reserved);
}

template <typename V, typename S>
constexpr void AreaFields(V& v, S& s) {
  v.I16(s.kept1);
  v.I16(s.FillOn);
  v.I16(s.FillColor);
  v.I16(s.HatchMode);
  v.I16(s.HatchColor);
  v.I16(s.HatchLineWidth);
  v.I16(s.HatchDist);
  v.I16(s.HatchAngle1);
  v.I16(s.HatchAngle2);
  v.I16(s.kept2);
  v.I16(s.StructMode);
  v.I16(s.StructWidth);
  v.I16(s.StructHeight);
  v.I16(s.StructAngle);
  v.I16(s.kept3);
  v.I16(s.StructSize);
}

template <typename V, typename S>
constexpr void RectangleFields(V& v, S& s) {
  v.I16(s.LineColor);
  v.I16(s.LineWidth);
  v.I16(s.Radius);
  v.U16(s.GridFlags);
  v.I16(s.CellWidth);
  v.I16(s.CellHeight);
  v.Bytes(s.reserved1);
  v.I16(s.UnnumCells);
  v.String(s.UnnumText, 4);
  v.Bytes(s.reserved2);
}

constexpr int kFontNameSize = 32;

// Font, spacing and alignment open both text records in the same layout.
template <typename V, typename S>
constexpr void TextHeadFields(V& v, S& s) {
  v.String(s.FontName, kFontNameSize);
  v.I16(s.FontColor);
  v.I16(s.FontSize);
  v.I16(s.FontWeight);
  v.I16(s.Italic);
  v.I16(s.CharSpace);
  v.I16(s.WordSpace);
  v.I16(s.Alignment);
}

template <typename V, typename S>
constexpr void SecondFontFields(V& v, S& s) {
  v.I16(s.SFOn);
  v.String(s.SFName, kFontNameSize);
  v.I16(s.SFColor);
  v.I16(s.SFSize);
  v.I16(s.SFWeight);
  v.I16(s.SFItalic);
  v.I16(s.SFOfx);
  v.I16(s.SFOfy);
}

template <typename V, typename S>
constexpr void TextFields(V& v, S& s) {
  TextHeadFields(v, s);
  v.I16(s.LineSpace);
  v.I16(s.ParaSpace);
  v.I16(s.IndentFirst);
  v.I16(s.IndentOther);
  v.I16(s.TabCount);
  for (auto& t : s.Tabs) v.I32(t);
  v.I16(s.LBOn);
  v.I16(s.LBColor);
  v.I16(s.LBWidth);
  v.I16(s.LBDist);
  v.I16(s.kept);
  SecondFontFields(v, s);
}

template <typename V, typename S>
constexpr void LineTextFields(V& v, S& s) {
  TextHeadFields(v, s);
  SecondFontFields(v, s);
}

// Decodes a fixed-size record whose size must be exactly `size`.
template <typename S, typename F>
std::optional<S> DecodeFixed(std::span<const uint8_t> record, size_t size, F fields) {
  if (record.size() != size) return std::nullopt;
  S s;
  FieldReader r(record, kSymbolCommonSize);
  fields(r, s);
  return s;
}

// Decodes a record of fixed fields followed by one element list of `units` 8-byte units,
// `units` and `list` naming the record's count field and list view.
template <typename S, typename F>
std::optional<S> DecodeWithList(std::span<const uint8_t> record, F fields, int16_t S::*units,
                                ElementBytes S::*list) {
  if (record.size() < S::kFixedSize) return std::nullopt;
  S s;
  FieldReader r(record, kSymbolCommonSize);
  fields(r, s);
  if (!UnitsFit(s.*units) || record.size() != S::kFixedSize + 8 * static_cast<size_t>(s.*units))
    return std::nullopt;
  s.*list = record.subspan(S::kFixedSize);
  return s;
}

template <typename S, typename F>
void EncodeFixed(const S& s, SymbolRecord& record, SymbolType type, int subtype, size_t size,
                 F fields) {
  FieldWriter w = Prepare(record, type, subtype, size);
  fields(w, s);
}

}  // namespace

void AppendElement(std::vector<uint8_t>& list, SymbolElementHead head,
                   std::span<const Coord> points) {
  head.pointCount = static_cast<int16_t>(points.size());
  const size_t at = list.size();
  list.resize(at + SymbolElementHead::kSize + 8 * points.size(), 0);
  head.Encode(&list[at]);
  uint8_t* p = &list[at + SymbolElementHead::kSize];
  for (const Coord& c : points) {
    PutI32(p, c.x);
    PutI32(p + 4, c.y);
    p += 8;
  }
}

// --- Point ---------------------------------------------------------------------------------

std::optional<PointSymbol> PointSymbol::Decode(std::span<const uint8_t> record) {
  return DecodeWithList(
      record, [](auto& v, auto& s) { PointFields(v, s); }, &PointSymbol::ElementUnits,
      &PointSymbol::Elements);
}

std::optional<PointSymbol> PointSymbol::Decode(const SymbolRecord& record) {
  if (record.Type() != SymbolType::Point) return std::nullopt;
  return Decode(record.Bytes());
}

void PointSymbol::Encode(SymbolRecord& record) const {
  FieldWriter w = Prepare(record, SymbolType::Point, 0, kFixedSize + Elements.size());
  PointFields(w, *this);
  w.List(Elements);
}

// --- Line ----------------------------------------------------------------------------------

std::optional<LineSymbol> LineSymbol::Decode(std::span<const uint8_t> record) {
  if (record.size() < kFixedSize) return std::nullopt;
  LineSymbol s;
  FieldReader r(record, kSymbolCommonSize);
  LineFields(r, s);
  const int16_t sizes[5] = {s.PrimDSize, s.SecDSize, s.CornerDSize, s.StartDSize, s.EndDSize};
  size_t units = 0;
  for (int16_t n : sizes) {
    if (n < 0) return std::nullopt;
    units += static_cast<size_t>(n);
  }
  if (record.size() != kFixedSize + 8 * units) return std::nullopt;
  std::span<const uint8_t> rest = record.subspan(kFixedSize);
  ElementBytes* lists[5] = {&s.MainList, &s.SecList, &s.CornerList, &s.StartList, &s.EndList};
  for (int k = 0; k < 5; ++k) {
    const size_t bytes = 8 * static_cast<size_t>(sizes[k]);
    *lists[k] = rest.first(bytes);
    rest = rest.subspan(bytes);
  }
  return s;
}

std::optional<LineSymbol> LineSymbol::Decode(const SymbolRecord& record) {
  if (record.Type() != SymbolType::Line || record.IsLineText()) return std::nullopt;
  return Decode(record.Bytes());
}

void LineSymbol::Encode(SymbolRecord& record) const {
  const ElementBytes* lists[5] = {&MainList, &SecList, &CornerList, &StartList, &EndList};
  size_t size = kFixedSize;
  for (const ElementBytes* l : lists) size += l->size();
  FieldWriter w = Prepare(record, SymbolType::Line, 0, size);
  LineFields(w, *this);
  for (const ElementBytes* l : lists) w.List(*l);
}

void LineSymbol::SetSizesFromLists() {
  PrimDSize = static_cast<int16_t>(MainList.Units());
  SecDSize = static_cast<int16_t>(SecList.Units());
  CornerDSize = static_cast<int16_t>(CornerList.Units());
  StartDSize = static_cast<int16_t>(StartList.Units());
  EndDSize = static_cast<int16_t>(EndList.Units());
}

// --- Area ----------------------------------------------------------------------------------

std::optional<AreaSymbol> AreaSymbol::Decode(std::span<const uint8_t> record) {
  return DecodeWithList(
      record, [](auto& v, auto& s) { AreaFields(v, s); }, &AreaSymbol::StructSize,
      &AreaSymbol::Structure);
}

std::optional<AreaSymbol> AreaSymbol::Decode(const SymbolRecord& record) {
  if (record.Type() != SymbolType::Area) return std::nullopt;
  return Decode(record.Bytes());
}

void AreaSymbol::Encode(SymbolRecord& record) const {
  FieldWriter w = Prepare(record, SymbolType::Area, 0, kFixedSize + Structure.size());
  AreaFields(w, *this);
  w.List(Structure);
}

// --- Rectangle, text, line text ------------------------------------------------------------

std::optional<RectangleSymbol> RectangleSymbol::Decode(std::span<const uint8_t> record) {
  return DecodeFixed<RectangleSymbol>(record, kSize,
                                      [](auto& v, auto& s) { RectangleFields(v, s); });
}
std::optional<RectangleSymbol> RectangleSymbol::Decode(const SymbolRecord& record) {
  if (record.Type() != SymbolType::Rectangle) return std::nullopt;
  return Decode(record.Bytes());
}
void RectangleSymbol::Encode(SymbolRecord& record) const {
  EncodeFixed(*this, record, SymbolType::Rectangle, 0, kSize,
              [](auto& v, auto& s) { RectangleFields(v, s); });
}

std::optional<TextSymbol> TextSymbol::Decode(std::span<const uint8_t> record) {
  return DecodeFixed<TextSymbol>(record, kSize, [](auto& v, auto& s) { TextFields(v, s); });
}
std::optional<TextSymbol> TextSymbol::Decode(const SymbolRecord& record) {
  if (record.Type() != SymbolType::Text) return std::nullopt;
  return Decode(record.Bytes());
}
void TextSymbol::Encode(SymbolRecord& record) const {
  EncodeFixed(*this, record, SymbolType::Text, 0, kSize,
              [](auto& v, auto& s) { TextFields(v, s); });
}

std::optional<LineTextSymbol> LineTextSymbol::Decode(std::span<const uint8_t> record) {
  return DecodeFixed<LineTextSymbol>(record, kSize, [](auto& v, auto& s) { LineTextFields(v, s); });
}
std::optional<LineTextSymbol> LineTextSymbol::Decode(const SymbolRecord& record) {
  if (!record.IsLineText()) return std::nullopt;
  return Decode(record.Bytes());
}
void LineTextSymbol::Encode(SymbolRecord& record) const {
  EncodeFixed(*this, record, SymbolType::Line, kSubtypeLineText, kSize,
              [](auto& v, auto& s) { LineTextFields(v, s); });
}

#define ZELK_ENCODE_NEW(Type)         \
  SymbolRecord Type::Encode() const { \
    SymbolRecord record;              \
    Encode(record);                   \
    return record;                    \
  }
ZELK_ENCODE_NEW(PointSymbol)
ZELK_ENCODE_NEW(LineSymbol)
ZELK_ENCODE_NEW(AreaSymbol)
ZELK_ENCODE_NEW(RectangleSymbol)
ZELK_ENCODE_NEW(TextSymbol)
ZELK_ENCODE_NEW(LineTextSymbol)
#undef ZELK_ENCODE_NEW

// --- Lengths -------------------------------------------------------------------------------

namespace {
// Counts a record cannot hold read as 0, as the fixed part of its type then sets the length.
template <typename S, typename F>
S CountsOf(const SymbolRecord& record, F fields) {
  S s;
  std::vector<uint8_t> head(record.Bytes());
  head.resize(std::max<size_t>(head.size(), S::kFixedSize), 0);
  FieldReader r(head, kSymbolCommonSize);
  fields(r, s);
  return s;
}
}  // namespace

int ComputedSymbolLength(const SymbolRecord& record) {
  switch (record.Type()) {
    case SymbolType::Point: {
      const auto s = CountsOf<PointSymbol>(record, [](auto& v, auto& p) { PointFields(v, p); });
      return PointSymbol::kFixedSize + 8 * s.ElementUnits;
    }
    case SymbolType::Line: {
      if (record.Subtype() == kSubtypeLineText) return LineTextSymbol::kSize;
      const auto s = CountsOf<LineSymbol>(record, [](auto& v, auto& l) { LineFields(v, l); });
      return LineSymbol::kFixedSize +
             8 * (s.PrimDSize + s.SecDSize + s.CornerDSize + s.StartDSize + s.EndDSize);
    }
    case SymbolType::Area: {
      const auto s = CountsOf<AreaSymbol>(record, [](auto& v, auto& a) { AreaFields(v, a); });
      return AreaSymbol::kFixedSize + 8 * s.StructSize;
    }
    case SymbolType::Text:
      return TextSymbol::kSize;
    case SymbolType::Rectangle:
      return RectangleSymbol::kSize;
    default:
      return -1;
  }
}

namespace {
// Walks a field list without a record, so that the compiler checks each list against its size.
struct FieldCounter {
  size_t at = kSymbolCommonSize;
  constexpr void I16(const int16_t&) { at += 2; }
  constexpr void U16(const uint16_t&) { at += 2; }
  constexpr void I32(const int32_t&) { at += 4; }
  constexpr void String(const std::string&, int size) { at += static_cast<size_t>(size); }
  template <size_t N>
  constexpr void Bytes(const std::array<uint8_t, N>&) {
    at += N;
  }
};
template <typename S, typename F>
constexpr size_t FixedEnd(F fields) {
  S s{};
  FieldCounter c;
  fields(c, s);
  return c.at;
}
}  // namespace

static_assert(FixedEnd<PointSymbol>([](auto& v, auto& s) { PointFields(v, s); }) ==
              PointSymbol::kFixedSize);
static_assert(FixedEnd<LineSymbol>([](auto& v, auto& s) { LineFields(v, s); }) ==
              LineSymbol::kFixedSize);
static_assert(FixedEnd<AreaSymbol>([](auto& v, auto& s) { AreaFields(v, s); }) ==
              AreaSymbol::kFixedSize);
// Records with text fields hold std::string, which clang cannot build in a constant expression
// with this standard library; the GCC builds check these three.
#if !defined(__clang__)
static_assert(FixedEnd<RectangleSymbol>([](auto& v, auto& s) { RectangleFields(v, s); }) ==
              RectangleSymbol::kSize);
static_assert(FixedEnd<TextSymbol>([](auto& v, auto& s) { TextFields(v, s); }) ==
              TextSymbol::kSize);
static_assert(FixedEnd<LineTextSymbol>([](auto& v, auto& s) { LineTextFields(v, s); }) ==
              LineTextSymbol::kSize);
#endif

}  // namespace zelk
