// Encoding, decoding and the reading checks of the map file records.
#include "storage/records.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <type_traits>

#include "storage/symbol_records.h"

namespace zelk {

namespace {
bool InRange(double v, double lo, double hi) {
  return v >= lo && v <= hi;
}  // false for NaN
int32_t ClampToI32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}
}  // namespace

MapFileHeader MapFileHeader::NewMap() {
  MapFileHeader h;
  h.mark = kMapMark;
  h.version = kMapVersion;
  h.subversion = kMapSubversion;
  h.setupPos = kNewSetupPos;
  h.setupSize = SetupBlock::kSize;
  return h;
}

MapFileHeader MapFileHeader::Decode(const uint8_t* p) {
  MapFileHeader h;
  h.mark = GetI16(p);
  h.fileKind = GetI16(p + 2);
  h.version = GetI16(p + 4);
  h.subversion = GetI16(p + 6);
  h.firstSymbolBlock = GetI32(p + 8);
  h.firstIndexBlock = GetI32(p + 12);
  h.setupPos = GetI32(p + 16);
  h.setupSize = GetI32(p + 20);
  h.infoPos = GetI32(p + 24);
  h.infoSize = GetI32(p + 28);
  std::memcpy(h.reserved.data(), p + 32, 16);
  return h;
}

void MapFileHeader::Encode(uint8_t* p) const {
  PutI16(p, mark);
  PutI16(p + 2, fileKind);
  PutI16(p + 4, version);
  PutI16(p + 6, subversion);
  PutI32(p + 8, firstSymbolBlock);
  PutI32(p + 12, firstIndexBlock);
  PutI32(p + 16, setupPos);
  PutI32(p + 20, setupSize);
  PutI32(p + 24, infoPos);
  PutI32(p + 28, infoSize);
  std::memcpy(p + 32, reserved.data(), 16);
}

ColorRecord ColorRecord::NewColor(int16_t number, const std::string& name) {
  ColorRecord c;
  c.colorNumber = number;
  c.name = name;
  c.separations.fill(255);
  return c;
}

ColorRecord ColorRecord::Decode(const uint8_t* p) {
  ColorRecord c;
  c.colorNumber = GetI16(p);
  std::memcpy(c.reserved.data(), p + 2, 2);
  std::memcpy(c.cmyk.data(), p + 4, 4);
  c.name = GetShortString(p + 8, 32);
  std::memcpy(c.separations.data(), p + 40, kColorSeparationShares);
  return c;
}

void ColorRecord::Encode(uint8_t* p) const {
  PutI16(p, colorNumber);
  std::memcpy(p + 2, reserved.data(), 2);
  std::memcpy(p + 4, cmyk.data(), 4);
  PutShortString(p + 8, 32, name);
  std::memcpy(p + 40, separations.data(), kColorSeparationShares);
}

SeparationRecord SeparationRecord::Decode(const uint8_t* p) {
  SeparationRecord s;
  s.name = GetShortString(p, 16);
  std::memcpy(s.reserved.data(), p + 16, 4);
  s.frequency = GetI16(p + 20);
  s.angle = GetI16(p + 22);
  return s;
}

void SeparationRecord::Encode(uint8_t* p) const {
  PutShortString(p, 16, name);
  std::memcpy(p + 16, reserved.data(), 4);
  PutI16(p + 20, frequency);
  PutI16(p + 22, angle);
}

SymbolHeader SymbolHeader::Decode(const uint8_t* p) {
  SymbolHeader h;
  h.colorCount = GetI16(p);
  h.separationCount = GetI16(p + 2);
  for (int i = 0; i < 4; ++i) {
    h.halftoneFrequency[i] = GetI16(p + 4 + 4 * i);
    h.halftoneAngle[i] = GetI16(p + 6 + 4 * i);
  }
  std::memcpy(h.reserved1.data(), p + 20, 4);
  for (int i = 0; i < kMaxColors; ++i) h.colors[i] = ColorRecord::Decode(p + 24 + 72 * i);
  for (int i = 0; i < kMaxSeparations; ++i)
    h.separations[i] = SeparationRecord::Decode(p + 18456 + 24 * i);
  std::memcpy(h.reserved2.data(), p + 19032, 192);
  return h;
}

void SymbolHeader::Encode(uint8_t* p) const {
  PutI16(p, colorCount);
  PutI16(p + 2, separationCount);
  for (int i = 0; i < 4; ++i) {
    PutI16(p + 4 + 4 * i, halftoneFrequency[i]);
    PutI16(p + 6 + 4 * i, halftoneAngle[i]);
  }
  std::memcpy(p + 20, reserved1.data(), 4);
  for (int i = 0; i < kMaxColors; ++i) colors[i].Encode(p + 24 + 72 * i);
  for (int i = 0; i < kMaxSeparations; ++i) separations[i].Encode(p + 18456 + 24 * i);
  std::memcpy(p + 19032, reserved2.data(), 192);
}

void SymbolHeader::Validate() {
  for (auto& f : halftoneFrequency)
    if (f < 100 || f > 10000) f = 1500;
  if (colorCount < 1 || colorCount > kMaxColors) colorCount = 1;
  if (separationCount < 0 || separationCount > 32) separationCount = 0;
  if (separationCount > kMaxSeparations) separationCount = kMaxSeparations;
  for (auto& s : separations)
    if (s.frequency < 100 || s.frequency > 10000) s.frequency = 1500;
}

int SymbolHeader::FindColor(int number) const {
  const int count = std::clamp<int>(colorCount, 0, kMaxColors);
  for (int i = 0; i < count; ++i)
    if (colors[i].colorNumber == number) return i;
  return -1;
}

SetupBlock SetupBlock::Defaults() {
  SetupBlock s;
  s.SetZoom(4.0);
  s.SetPaperGrid(10.0);
  s.SetCurrentTool(5);
  s.SetDrawMode(5);
  s.SetEditMode(11);
  s.SetMapScale(15000);
  s.SetRealWorldGrid(1000.0);
  s.SetPrintLeft(-1280000);
  s.SetPrintBottom(-1280000);
  s.SetPrintRight(1280000);
  s.SetPrintTop(1280000);
  s.SetPrintScaleX(1000);
  s.SetPrintScaleY(1000);
  s.SetDraftScaleX(15000);
  s.SetDraftScaleY(15000);
  s.SetPrintMapScale(15000);
  s.SetScannerResolution(300);
  return s;
}

void SetupBlock::Correct() {
  if (!InRange(Zoom(), 0.01, 32)) SetZoom(4.0);
  auto viewOk = [](int32_t v) { return v >= -51200000 && v <= 51200000 && v % 256 == 0; };
  if (!viewOk(ViewX())) SetViewX(0);
  if (!viewOk(ViewY())) SetViewY(0);
  if (!InRange(PaperGrid(), 0.05, 100)) SetPaperGrid(10.0);
  SetCurrentTool(std::clamp<int>(CurrentTool(), 5, 12));
  SetDrawMode(std::clamp<int>(DrawMode(), 5, 10));
  SetEditMode(std::clamp<int>(EditMode(), 11, 12));
  SetCurrentSymbolIndex(std::clamp<int>(CurrentSymbolIndex(), -1, 999));
  if (!InRange(MapScale(), 1, 10000000)) SetMapScale(10000);
  const double scale = MapScale();
  if (!InRange(DraftScaleX(), 0.1 * scale, 10 * scale)) SetDraftScaleX(scale);
  if (!InRange(DraftScaleY(), 0.1 * scale, 10 * scale)) SetDraftScaleY(scale);
  if (!InRange(RealWorldX(), -10000000, 10000000)) SetRealWorldX(0);
  if (!InRange(RealWorldY(), -10000000, 10000000)) SetRealWorldY(0);
  if (!InRange(RealWorldAngle(), -360, 360)) SetRealWorldAngle(0);
  if (!InRange(RealWorldGrid(), 10, 100000)) SetRealWorldGrid(250);
  if (!InRange(PrintMapScale(), 0.1 * scale, 10 * scale)) SetPrintMapScale(scale);
  SetScannerResolution(std::clamp<int>(ScannerResolution(), 50, 2000));
}

void SetupBlock::ResetPrintState() {
  const SetupBlock defaults = Defaults();
  std::copy(defaults.raw.begin() + 864, defaults.raw.begin() + 924, raw.begin() + 864);
}

std::optional<SetupBlock> SetupBlock::Decode(std::span<const uint8_t> bytes) {
  if (bytes.size() != kSize) return std::nullopt;
  SetupBlock s;
  std::copy(bytes.begin(), bytes.end(), s.raw.begin());
  return s;
}

void SetupBlock::Encode(std::span<uint8_t, kSize> out) const {
  std::copy(raw.begin(), raw.end(), out.begin());
}

SetupBlock::GpsPoint SetupBlock::GpsPointAt(int i) const {
  GpsPoint g;
  if (i < 0 || i >= kGpsPointCount) return g;
  const uint8_t* p = &raw[72 + 40 * static_cast<size_t>(i)];
  g.mapX = GetI32(p);
  g.mapY = GetI32(p + 4);
  g.latitude = GetF64(p + 8);
  g.longitude = GetF64(p + 16);
  g.name = GetShortString(p + 24, 16);
  return g;
}

void SetupBlock::SetGpsPoint(int i, const GpsPoint& g) {
  if (i < 0 || i >= kGpsPointCount) return;
  uint8_t* p = &raw[72 + 40 * static_cast<size_t>(i)];
  PutI32(p, g.mapX);
  PutI32(p + 4, g.mapY);
  PutF64(p + 8, g.latitude);
  PutF64(p + 16, g.longitude);
  PutShortString(p + 24, 16, g.name);
}

IndexEntry IndexEntry::Decode(const uint8_t* p) {
  IndexEntry e;
  e.box = {GetI32(p), GetI32(p + 4), GetI32(p + 8), GetI32(p + 12)};
  e.pos = GetI32(p + 16);
  e.length = GetI16(p + 20);
  e.symbol = GetI16(p + 22);
  return e;
}

void IndexEntry::DecodeRun(const uint8_t* p, IndexEntry* out, size_t count) {
  // On a little-endian machine the entry lies in memory as in the file: one copy decodes a
  // whole block while a map is opened.
  constexpr bool kSameLayout =
      std::endian::native == std::endian::little && sizeof(IndexEntry) == kSize &&
      std::is_trivially_copyable_v<IndexEntry> && offsetof(IndexEntry, box) == 0 &&
      offsetof(IndexEntry, pos) == 16 && offsetof(IndexEntry, length) == 20 &&
      offsetof(IndexEntry, symbol) == 22 && offsetof(Box, bottom) == 4 &&
      offsetof(Box, right) == 8 && offsetof(Box, top) == 12;
  if constexpr (kSameLayout) {
    std::memcpy(static_cast<void*>(out), p, count * kSize);
  } else {
    for (size_t i = 0; i < count; ++i) out[i] = Decode(p + kSize * i);
  }
}

void IndexEntry::Encode(uint8_t* p) const {
  PutI32(p, box.left);
  PutI32(p + 4, box.bottom);
  PutI32(p + 8, box.right);
  PutI32(p + 12, box.top);
  PutI32(p + 16, pos);
  PutI16(p + 20, length);
  PutI16(p + 22, symbol);
}

SymbolRecord::SymbolRecord(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {
  if (data_.size() < static_cast<size_t>(kSymbolCommonSize)) data_.resize(kSymbolCommonSize, 0);
}

void SymbolRecord::Resize(int n) {
  data_.resize(static_cast<size_t>(std::max(n, kSymbolCommonSize)), 0);
}

int SymbolRecord::ComputedLength() const {
  return ComputedSymbolLength(*this);
}

bool SymbolRecord::UpgradeOlderLayout() {
  const SymbolType type = Type();
  if (type != SymbolType::Point && !(type == SymbolType::Line && Subtype() != kSubtypeLineText))
    return false;
  if (Length() % 4 != 2) return false;
  // The missing word is the reserved one that ends the fixed part.
  const size_t at =
      (type == SymbolType::Point ? PointSymbol::kFixedSize : LineSymbol::kFixedSize) - 2;
  if (data_.size() < at || Length() + 2 > kMaxSymbolRecord) return false;
  data_.insert(data_.begin() + static_cast<std::ptrdiff_t>(at), 2, 0);
  SetLength(Length() + 2);
  return true;
}

void SymbolRecord::RepairRectangle() {
  if (Type() != SymbolType::Rectangle || Length() < RectangleSymbol::kSize) return;
  const auto r = RectangleSymbol::Decode(
      std::span(data_).first(std::min<size_t>(data_.size(), RectangleSymbol::kSize)));
  if (r) SetExtent(r->Extent());
}

SymbolRecord SymbolRecord::Undefined(int colorNumberOfRecord0) {
  SymbolRecord s;
  s.SetDescription("Undefined");
  s.SetExtent(50);
  ColorSet c;
  c.Add(colorNumberOfRecord0);
  s.SetColors(c);
  return s;
}

std::string ObjectRecord::Text() const {
  const auto end = std::find(textArea.begin(), textArea.end(), uint8_t{0});
  return std::string(textArea.begin(), end);
}

void ObjectRecord::SetText(const std::string& s) {
  const int units = std::min(TextUnitsFor(static_cast<int>(s.size())), 1024);
  textUnits = static_cast<int16_t>(units);
  textArea.assign(static_cast<size_t>(units) * 8, 0);
  std::memcpy(textArea.data(), s.data(), std::min(s.size(), textArea.size() - 1));
}

std::optional<ObjectRecord> ObjectRecord::Decode(std::span<const uint8_t> bytes) {
  if (bytes.size() < kHeadSize) return std::nullopt;
  const int pointCount = GetI16(bytes.data() + 4);
  const int textUnits = GetI16(bytes.data() + 6);
  if (pointCount < 1 || textUnits < 0 || pointCount + textUnits > kMaxPoints) return std::nullopt;
  if (bytes.size() != static_cast<size_t>(kHeadSize + 8 * (pointCount + textUnits)))
    return std::nullopt;
  return DecodeAsRead(bytes.data(), static_cast<int>(bytes.size()));
}

ObjectRecord ObjectRecord::DecodeAsRead(const uint8_t* p, int size) {
  ObjectRecord o;
  DecodeAsReadInto(p, size, &o);
  return o;
}

void ObjectRecord::Clear() {
  symbol = 0;
  type = ObjectType{};
  textUnits = 0;
  angle = 0;
  reserved.fill(0);
  layer.fill(0);
  coords.clear();
  textArea.clear();
}

void ObjectRecord::DecodeAsReadInto(const uint8_t* p, int size, ObjectRecord* out) {
  ObjectRecord& o = *out;
  o.Clear();
  if (size < kHeadSize) return;
  int pointCount = GetI16(p + 4);
  if (pointCount < 1) return;  // the head is cleared: an empty object
  o.symbol = GetI16(p);
  o.type = static_cast<ObjectType>(GetI16(p + 2));
  o.textUnits = GetI16(p + 6);
  o.angle = GetI16(p + 8);
  std::memcpy(o.reserved.data(), p + 10, 6);
  std::memcpy(o.layer.data(), p + 16, 16);
  if (pointCount > size / 8 - 4) {
    pointCount = size / 8 - 4;
    o.textUnits = 0;
  }
  o.coords.resize(static_cast<size_t>(pointCount));
  for (int i = 0; i < pointCount; ++i)
    o.coords[i] = {GetI32(p + kHeadSize + 8 * i), GetI32(p + kHeadSize + 8 * i + 4)};
  const int textStart = kHeadSize + 8 * pointCount;
  const int availableUnits = (size - textStart) / 8;
  o.textUnits = static_cast<int16_t>(std::clamp<int>(o.textUnits, 0, availableUnits));
  o.textArea.assign(p + textStart, p + textStart + 8 * o.textUnits);
}

void ObjectRecord::Encode(uint8_t* p) const {
  std::memset(p, 0, static_cast<size_t>(Length()));
  PutI16(p, symbol);
  PutI16(p + 2, static_cast<int16_t>(type));
  PutI16(p + 4, PointCount());
  PutI16(p + 6, textUnits);
  PutI16(p + 8, angle);
  std::memcpy(p + 10, reserved.data(), 6);
  std::memcpy(p + 16, layer.data(), 16);
  for (int i = 0; i < PointCount(); ++i) {
    PutI32(p + kHeadSize + 8 * i, coords[i].x);
    PutI32(p + kHeadSize + 8 * i + 4, coords[i].y);
  }
  const size_t textBytes = std::min(textArea.size(), static_cast<size_t>(textUnits) * 8);
  if (textBytes) std::memcpy(p + kHeadSize + 8 * PointCount(), textArea.data(), textBytes);
}

std::vector<uint8_t> ObjectRecord::Encode() const {
  std::vector<uint8_t> bytes(static_cast<size_t>(Length()));
  Encode(bytes.data());
  return bytes;
}

void ObjectRecord::FixTextUnits() {
  if (textUnits < 0) textUnits = 0;
  if (HasTextArea()) {
    const int limit = type == ObjectType::Line ? std::min(64, kMaxPoints - PointCount()) : 1024;
    const int units = std::max(0, std::min(TextUnitsFor(static_cast<int>(Text().size())), limit));
    const std::string text = Text();
    textUnits = static_cast<int16_t>(units);
    textArea.assign(static_cast<size_t>(units) * 8, 0);
    if (units > 0)
      std::memcpy(textArea.data(), text.data(), std::min(text.size(), textArea.size() - 1));
  } else {
    textArea.resize(static_cast<size_t>(textUnits) * 8, 0);
  }
}

Box ObjectRecord::BoundingBox(int extent) const {
  if (coords.empty()) return {};
  int64_t l = coords[0].x & kPosMask, r = l;
  int64_t b = coords[0].y & kPosMask, t = b;
  for (const Coord& c : coords) {
    const int64_t x = c.x & kPosMask, y = c.y & kPosMask;
    l = std::min(l, x);
    r = std::max(r, x);
    b = std::min(b, y);
    t = std::max(t, y);
  }
  const int64_t grow = static_cast<int64_t>(extent) * 256;
  return {ClampToI32(l - grow), ClampToI32(b - grow), ClampToI32(r + grow), ClampToI32(t + grow)};
}

SymbolElementHead SymbolElementHead::Decode(const uint8_t* p) {
  return {GetI16(p), GetI16(p + 2), GetI16(p + 4), GetI16(p + 6), GetI16(p + 8), GetI16(p + 10)};
}

void SymbolElementHead::Encode(uint8_t* p) const {
  PutI16(p, kind);
  PutI16(p + 2, flags);
  PutI16(p + 4, color);
  PutI16(p + 6, lineWidth);
  PutI16(p + 8, diameter);
  PutI16(p + 10, pointCount);
  PutI32(p + 12, 0);
}

static_assert(MapFileHeader::kSize == 48);
static_assert(SymbolHeader::kSize ==
              24 + 256 * ColorRecord::kSize + 24 * SeparationRecord::kSize + 192);
static_assert(SetupBlock::kSize == 1080);
static_assert(IndexEntry::kSize == 24);
static_assert(48 + SymbolHeader::kSize == kNewSetupPos);
static_assert(kNewSetupPos + SetupBlock::kSize == kDataStart);

}  // namespace zelk
