// Point-symbol elements read, added, deleted and replaced as if they were objects.
#include "storage/element_list.h"

#include <algorithm>

#include "storage/symbol_records.h"

namespace zelk {

void EditedElementList::Assign(const std::vector<uint8_t>& elements) {
  bytes_ = elements;
  bytes_.resize(std::min<size_t>(bytes_.size(), kElementListUnits * 8));
}

std::vector<size_t> EditedElementList::Offsets() const {
  std::vector<size_t> offsets;
  size_t at = 0;
  while (at + SymbolElementHead::kSize <= bytes_.size()) {
    const SymbolElementHead h = SymbolElementHead::Decode(&bytes_[at]);
    const size_t size =
        SymbolElementHead::kSize + 8 * static_cast<size_t>(std::max<int>(h.pointCount, 0));
    if (at + size > bytes_.size()) break;  // a damaged count ends the list
    offsets.push_back(at);
    at += size;
  }
  return offsets;
}

bool EditedElementList::InRange(int32_t n, size_t count) const {
  if (n >= 1 && n <= static_cast<int32_t>(count)) return true;
  if (sink_) sink_->Error("Internal Error: Index out of range.");
  return false;
}

bool EditedElementList::Read(int32_t n, ObjectRecord* obj) const {
  *obj = ObjectRecord{};
  const auto offsets = Offsets();
  if (!InRange(n, offsets.size())) return false;
  const uint8_t* p = &bytes_[offsets[static_cast<size_t>(n - 1)]];
  const SymbolElementHead h = SymbolElementHead::Decode(p);
  obj->symbol = static_cast<int16_t>(kElementSymbolBase + h.kind);
  obj->type = h.kind == kElementLine   ? ObjectType::Line
              : h.kind == kElementArea ? ObjectType::Area
                                       : ObjectType::Point;
  obj->angle = h.color;  // offset 8
  obj->SetElementWords(h.lineWidth, h.flags, h.diameter);
  const size_t size =
      SymbolElementHead::kSize + 8 * static_cast<size_t>(std::max<int>(h.pointCount, 0));
  ForEachElement(std::span(p, size), static_cast<int>(size / 8), [obj](const ElementView& e) {
    for (int i = 0; i < e.head.pointCount; ++i) obj->coords.push_back(e.Point(i));
    return false;
  });
  return true;
}

std::vector<uint8_t> EditedElementList::Encode(const ObjectRecord& obj) {
  SymbolElementHead h;
  h.kind = static_cast<int16_t>(obj.symbol - kElementSymbolBase);
  h.color = obj.angle;
  h.lineWidth = obj.ElementLineWidth();
  h.flags = obj.ElementLineStyle();
  h.diameter = obj.ElementDiameter();
  std::vector<uint8_t> bytes;
  AppendElement(bytes, h, obj.coords);
  return bytes;
}

bool EditedElementList::Add(const ObjectRecord& obj) {
  const size_t used = Offsets().empty() ? 0 : bytes_.size();
  if (used / 8 + static_cast<size_t>(obj.PointCount()) + 2 >
      static_cast<size_t>(kElementListUnits)) {
    if (sink_) sink_->Error("Symbol is too complex.");
    return false;
  }
  const std::vector<uint8_t> bytes = Encode(obj);
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return true;
}

bool EditedElementList::Delete(int32_t n) {
  const auto offsets = Offsets();
  if (!InRange(n, offsets.size())) return false;
  const size_t from = offsets[static_cast<size_t>(n - 1)];
  const size_t to =
      static_cast<size_t>(n) < offsets.size() ? offsets[static_cast<size_t>(n)] : bytes_.size();
  bytes_.erase(bytes_.begin() + static_cast<std::ptrdiff_t>(from),
               bytes_.begin() + static_cast<std::ptrdiff_t>(to));
  return true;
}

bool EditedElementList::Replace(int32_t n, const ObjectRecord& obj) {
  const auto offsets = Offsets();
  if (!InRange(n, offsets.size())) return false;
  const size_t from = offsets[static_cast<size_t>(n - 1)];
  const size_t to =
      static_cast<size_t>(n) < offsets.size() ? offsets[static_cast<size_t>(n)] : bytes_.size();
  const std::vector<uint8_t> bytes = Encode(obj);
  if ((bytes_.size() - (to - from) + bytes.size()) / 8 > static_cast<size_t>(kElementListUnits)) {
    if (sink_) sink_->Error("Symbol is too complex.");
    return false;
  }
  bytes_.erase(bytes_.begin() + static_cast<std::ptrdiff_t>(from),
               bytes_.begin() + static_cast<std::ptrdiff_t>(to));
  bytes_.insert(bytes_.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin(), bytes.end());
  return true;
}

bool EditedElementList::FindNext(const Box& rect, int32_t stop, int color, int32_t* current,
                                 int16_t* symbol, bool* done) const {
  const int32_t count = Count();
  *done = true;
  if (count == 0) return false;
  int32_t n = *current;
  for (int32_t i = 0; i < count; ++i) {
    n = (n >= count || n < 0) ? 1 : n + 1;
    ObjectRecord obj;
    Read(n, &obj);
    if (obj.PointCount() > 0 && obj.BoundingBox(0).Meets(rect) &&
        (color < 0 || obj.angle == color)) {
      *symbol = obj.symbol;
      *current = n;
      *done = n == stop;
      return true;
    }
    if (n == stop) break;
  }
  *current = n;
  return false;
}

}  // namespace zelk
