// Derived values of symbols and the tolerant reading of symbol records.
#include "storage/symbol_derived.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zelk {

namespace {
constexpr int kPointUnitsAt = 348;
constexpr int kLineSizesAt = 412;
constexpr int kAreaSizeAt = 378;

// The record's bytes made at least `size` long (zeros added) and cut to `size`.
std::vector<uint8_t> FixedPart(const SymbolRecord& rec, int size) {
  std::vector<uint8_t> b(rec.Bytes().begin(), rec.Bytes().begin() + std::min(rec.Size(), size));
  b.resize(static_cast<size_t>(size), 0);
  return b;
}

std::span<const uint8_t> Tail(const SymbolRecord& rec, size_t from) {
  const std::vector<uint8_t>& b = rec.Bytes();
  if (b.size() <= from) return {};
  return std::span<const uint8_t>(b).subspan(from);
}

ColorSet WithColor(ColorSet s, int color) {
  s.Add(color);
  return s;
}
}  // namespace

SymbolRecord CommonPart(const SymbolRecord& common) {
  SymbolRecord r;
  std::memcpy(r.MutableBytes().data(), common.Bytes().data(),
              static_cast<size_t>(std::min(common.Size(), kSymbolCommonSize)));
  r.SetLength(kSymbolCommonSize);
  return r;
}

ColorSet ElementColors(std::span<const uint8_t> list) {
  ColorSet s;
  ForEachElement(list, static_cast<int>(list.size() / 8), [&](const ElementView& e) {
    s.Add(e.head.color);
    return true;
  });
  return s;
}

int ElementReach(std::span<const uint8_t> list) {
  double reach = 0;
  ForEachElement(list, static_cast<int>(list.size() / 8), [&](const ElementView& e) {
    double far = 0;
    for (int i = 0; i < e.head.pointCount; ++i) {
      const Coord c = e.Point(i);
      far = std::max(far, std::hypot(static_cast<double>(c.x >> 8), static_cast<double>(c.y >> 8)));
    }
    double add = 0;
    if (e.head.kind == kElementLine) add = std::abs(e.head.lineWidth) / 2.0;
    if (e.head.kind == kElementCircle || e.head.kind == kElementDot)
      add = std::abs(e.head.diameter) / 2.0;
    reach = std::max(reach, far + add);
    return true;
  });
  return static_cast<int>(std::min(std::ceil(reach), 32767.0));
}

ElementList WholeElements(std::span<const uint8_t> bytes, int units) {
  units = std::clamp(units, 0, kMaxElementUnits);
  ElementList out;
  ForEachElement(bytes, units, [&](const ElementView& e) {
    AppendElement(out, e.head, [&] {
      std::vector<Coord> pts;
      for (int i = 0; i < e.head.pointCount; ++i) pts.push_back(e.Point(i));
      return pts;
    }());
    return static_cast<int>(out.size() / 8) < kMaxElementUnits;
  });
  if (static_cast<int>(out.size() / 8) > kMaxElementUnits) out.clear();
  return out;
}

ElementList ReadPointElements(const SymbolRecord& rec) {
  const std::vector<uint8_t> fixed = FixedPart(rec, PointSymbol::kFixedSize);
  return WholeElements(Tail(rec, PointSymbol::kFixedSize), GetI16(&fixed[kPointUnitsAt]));
}

LineSymbolFields ReadLineFields(const SymbolRecord& rec) {
  std::vector<uint8_t> fixed = FixedPart(rec, LineSymbol::kFixedSize);
  int sizes[5];
  for (int k = 0; k < 5; ++k) {
    sizes[k] = GetI16(&fixed[static_cast<size_t>(kLineSizesAt + 2 * k)]);
    PutI16(&fixed[static_cast<size_t>(kLineSizesAt + 2 * k)], 0);
  }
  LineSymbolFields out;
  out.fields = LineSymbol::Decode(std::span<const uint8_t>(fixed)).value_or(LineSymbol{});
  std::span<const uint8_t> rest = Tail(rec, LineSymbol::kFixedSize);
  for (int k = 0; k < 5; ++k) {
    const size_t want = 8 * static_cast<size_t>(std::max(sizes[k], 0));
    out.lists[static_cast<size_t>(k)] = WholeElements(rest, sizes[k]);
    rest = rest.subspan(std::min(want, rest.size()));
  }
  out.fields.MainList = out.fields.SecList = out.fields.CornerList = out.fields.StartList =
      out.fields.EndList = ElementBytes{};
  return out;
}

AreaSymbolFields ReadAreaFields(const SymbolRecord& rec) {
  std::vector<uint8_t> fixed = FixedPart(rec, AreaSymbol::kFixedSize);
  const int units = GetI16(&fixed[kAreaSizeAt]);
  PutI16(&fixed[kAreaSizeAt], 0);
  AreaSymbolFields out;
  out.fields = AreaSymbol::Decode(std::span<const uint8_t>(fixed)).value_or(AreaSymbol{});
  out.structure = WholeElements(Tail(rec, AreaSymbol::kFixedSize), units);
  out.fields.Structure = ElementBytes{};
  return out;
}

RectangleSymbol ReadRectangleFields(const SymbolRecord& rec) {
  const std::vector<uint8_t> b = FixedPart(rec, RectangleSymbol::kSize);
  RectangleSymbol r =
      RectangleSymbol::Decode(std::span<const uint8_t>(b)).value_or(RectangleSymbol{});
  if (r.UnnumText.size() > 3) r.UnnumText.resize(3);
  return r;
}

SymbolRecord FinishPointSymbol(const SymbolRecord& common, const ElementList& elements) {
  SymbolRecord r = CommonPart(common);
  PointSymbol p;
  p.Elements = ElementBytes(std::span<const uint8_t>(elements));
  p.ElementUnits = static_cast<int16_t>(elements.size() / 8);
  p.Encode(r);
  r.SetExtent(ElementReach(elements));
  r.SetColors(ElementColors(elements));
  return r;
}

SymbolRecord FinishLineSymbol(const SymbolRecord& common, LineSymbol f,
                              const std::array<ElementList, 5>& lists,
                              const std::array<bool, 4>& keep) {
  SymbolRecord r = CommonPart(common);
  const bool kept[5] = {f.NPrimSym >= 1, keep[0], keep[1], keep[2], keep[3]};
  ElementBytes* views[5] = {&f.MainList, &f.SecList, &f.CornerList, &f.StartList, &f.EndList};
  ColorSet colors;
  int extent = f.LineWidth / 2;
  if (f.LineWidth >= 1) colors.Add(f.LineColor);
  if (f.DblMode != 0) {
    extent = std::max({extent, f.DblWidth / 2 + f.DblLeftWidth, f.DblWidth / 2 + f.DblRightWidth});
    if (f.DblWidth >= 1) colors.Add(f.DblFillColor);
    if (f.DblLeftWidth >= 1) colors.Add(f.DblLeftColor);
    if (f.DblRightWidth >= 1) colors.Add(f.DblRightColor);
  }
  for (int k = 0; k < 5; ++k) {
    const ElementList& l = lists[static_cast<size_t>(k)];
    *views[k] = kept[k] ? ElementBytes(std::span<const uint8_t>(l)) : ElementBytes{};
    if (!kept[k]) continue;
    colors.Unite(ElementColors(l));
    extent = std::max(extent, ElementReach(l));
  }
  f.SetSizesFromLists();
  f.Encode(r);
  r.SetExtent(std::min(extent, 32767));
  r.SetColors(colors);
  return r;
}

SymbolRecord FinishAreaSymbol(const SymbolRecord& common, AreaSymbol f,
                              const ElementList& structure) {
  SymbolRecord r = CommonPart(common);
  ColorSet colors;
  if (f.StructMode != 0) {
    f.Structure = ElementBytes(std::span<const uint8_t>(structure));
    colors = ElementColors(structure);
  } else {
    f.Structure = ElementBytes{};
  }
  f.StructSize = static_cast<int16_t>(f.Structure.size() / 8);
  if (f.FillOn) colors.Add(f.FillColor);
  if (f.HatchMode != 0) colors.Add(f.HatchColor);
  f.Encode(r);
  r.SetExtent(0);
  r.SetColors(colors);
  return r;
}

SymbolRecord FinishRectangleSymbol(const SymbolRecord& common, RectangleSymbol f) {
  SymbolRecord r = CommonPart(common);
  if (f.UnnumText.size() > 3) f.UnnumText.resize(3);
  f.Encode(r);
  r.SetExtent(f.Extent());
  r.SetColors(WithColor({}, f.LineColor));
  return r;
}

SymbolRecord NewSymbolRecord(SymbolType type) {
  SymbolRecord r;
  std::memset(r.MutableIcon(), 255, SymbolRecord::kIconSize);
  switch (type) {
    case SymbolType::Point:
      return FinishPointSymbol(r, {});
    case SymbolType::Line:
      return FinishLineSymbol(r, LineSymbol{}, {}, {});
    case SymbolType::Area:
      return FinishAreaSymbol(r, AreaSymbol{}, {});
    case SymbolType::Rectangle:
      return FinishRectangleSymbol(r, RectangleSymbol{});
    default:
      return r;
  }
}

ColorNumberMap IdentityColorMap() {
  ColorNumberMap m{};
  for (int i = 0; i < 256; ++i) m[static_cast<size_t>(i)] = static_cast<int16_t>(i);
  return m;
}

namespace {
int16_t Renumbered(int16_t color, const ColorNumberMap& map) {
  return color >= 0 && color < 256 ? map[static_cast<size_t>(color)] : color;
}

ElementList RenumberedList(std::span<const uint8_t> list, const ColorNumberMap& map) {
  ElementList out(list.begin(), list.end());
  size_t at = 0;
  ForEachElement(list, static_cast<int>(list.size() / 8), [&](const ElementView& e) {
    SymbolElementHead h = e.head;
    h.color = Renumbered(h.color, map);
    h.Encode(out.data() + at);
    at += SymbolElementHead::kSize + 8 * static_cast<size_t>(e.head.pointCount);
    return true;
  });
  return out;
}
}  // namespace

SymbolRecord RenumberColors(const SymbolRecord& rec, const ColorNumberMap& map) {
  SymbolRecord r = rec;
  ColorSet colors;
  const ColorSet old = rec.Colors();
  for (int n = 0; n < 256; ++n)
    if (old.Has(n)) colors.Add(Renumbered(static_cast<int16_t>(n), map));
  if (rec.IsConsistent()) {
    switch (rec.Type()) {
      case SymbolType::Point:
        if (auto p = PointSymbol::Decode(rec)) {
          const ElementList l = RenumberedList(p->Elements, map);
          p->Elements = ElementBytes(std::span<const uint8_t>(l));
          p->Encode(r);
        }
        break;
      case SymbolType::Line:
        if (auto t = LineTextSymbol::Decode(rec); t && rec.IsLineText()) {
          t->FontColor = Renumbered(t->FontColor, map);
          t->SFColor = Renumbered(t->SFColor, map);
          t->Encode(r);
        } else if (auto f = LineSymbol::Decode(rec)) {
          f->LineColor = Renumbered(f->LineColor, map);
          f->DblFillColor = Renumbered(f->DblFillColor, map);
          f->DblLeftColor = Renumbered(f->DblLeftColor, map);
          f->DblRightColor = Renumbered(f->DblRightColor, map);
          ElementBytes* views[5] = {&f->MainList, &f->SecList, &f->CornerList, &f->StartList,
                                    &f->EndList};
          std::array<ElementList, 5> lists;
          for (size_t k = 0; k < 5; ++k) {
            lists[k] = RenumberedList(*views[k], map);
            *views[k] = ElementBytes(std::span<const uint8_t>(lists[k]));
          }
          f->Encode(r);
        }
        break;
      case SymbolType::Area:
        if (auto a = AreaSymbol::Decode(rec)) {
          a->FillColor = Renumbered(a->FillColor, map);
          a->HatchColor = Renumbered(a->HatchColor, map);
          const ElementList l = RenumberedList(a->Structure, map);
          a->Structure = ElementBytes(std::span<const uint8_t>(l));
          a->Encode(r);
        }
        break;
      case SymbolType::Text:
        if (auto t = TextSymbol::Decode(rec)) {
          t->FontColor = Renumbered(t->FontColor, map);
          t->LBColor = Renumbered(t->LBColor, map);
          t->SFColor = Renumbered(t->SFColor, map);
          t->Encode(r);
        }
        break;
      case SymbolType::Rectangle:
        if (auto q = RectangleSymbol::Decode(rec)) {
          q->LineColor = Renumbered(q->LineColor, map);
          q->Encode(r);
        }
        break;
    }
  }
  r.SetColors(colors);
  return r;
}

}  // namespace zelk
