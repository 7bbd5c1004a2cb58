// The records of a map file: their layout, encoding and the checks applied on reading.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "storage/byte_io.h"
#include "storage/coord.h"

namespace zelk {

constexpr int16_t kMapMark = 3245;
constexpr int16_t kMapVersion = 6;
constexpr int16_t kMapSubversion = 5;
constexpr int16_t kFileKindCurrent = 0;
constexpr int16_t kFileKindZelk5 = 204;
constexpr int16_t kFileKindZelk4 = 238;
constexpr int16_t kFileKindZelk3 = 255;

constexpr int32_t kHeaderPos = 0;
constexpr int32_t kSymbolHeaderPos = 48;
constexpr int32_t kNewSetupPos = 19272;
constexpr int32_t kDataStart = 20352;

constexpr int kMaxSymbols = 1000;
constexpr int kMaxIndexBlocks = 1200;
constexpr int kEntriesPerBlock = 256;
constexpr int32_t kMaxObjectCount = 256000;
constexpr int kMaxPoints = 2000;
constexpr int kMaxObjectRecord = 16032;
constexpr int kSymbolCommonSize = 348;
constexpr int kMaxSymbolRecord = 20904;
constexpr int kMaxInfoSize = 32768;
constexpr int kMaxColors = 256;
constexpr int kMaxSeparations = 24;
constexpr int kColorSeparationShares = 32;

// Symbol and object types as stored. The fixed underlying type lets a value read from a file
// that names no known type be held and written back unchanged.
enum class SymbolType : int16_t { Point = 1, Line, Area, Text, Rectangle };
constexpr int16_t kSubtypeLineText = 1;

enum class ObjectType : int16_t { Point = 1, Line, Area, Text, Rectangle };

constexpr uint8_t kStatusNormal = 0;
constexpr uint8_t kStatusProtected = 1;
constexpr uint8_t kStatusHidden = 2;

// A 256-bit set of colour numbers; bit n is byte n/8, bit n%8, least significant first.
struct ColorSet {
  static constexpr int kSize = 32;
  std::array<uint8_t, 32> bits{};

  bool Has(int n) const { return n >= 0 && n < 256 && (bits[n >> 3] >> (n & 7)) & 1; }
  void Add(int n) {
    if (n >= 0 && n < 256) bits[n >> 3] |= static_cast<uint8_t>(1u << (n & 7));
  }
  void Unite(const ColorSet& o) {
    for (int i = 0; i < kSize; ++i) bits[i] |= o.bits[i];
  }
  bool Empty() const {
    for (uint8_t b : bits)
      if (b) return false;
    return true;
  }
  void Clear() { bits.fill(0); }
  static ColorSet Decode(const uint8_t* p) {
    ColorSet s;
    for (int i = 0; i < kSize; ++i) s.bits[i] = p[i];
    return s;
  }
  void Encode(uint8_t* p) const {
    for (int i = 0; i < kSize; ++i) p[i] = bits[i];
  }
  bool operator==(const ColorSet&) const = default;
};

struct MapFileHeader {
  static constexpr int kSize = 48;
  int16_t mark = 0;
  int16_t fileKind = 0;
  int16_t version = 0;
  int16_t subversion = 0;
  int32_t firstSymbolBlock = 0;
  int32_t firstIndexBlock = 0;
  int32_t setupPos = 0;
  int32_t setupSize = 0;
  int32_t infoPos = 0;
  int32_t infoSize = 0;
  std::array<uint8_t, 16> reserved{};

  static MapFileHeader NewMap();
  static MapFileHeader Decode(const uint8_t* p);
  void Encode(uint8_t* p) const;
};

struct ColorRecord {
  static constexpr int kSize = 72;
  int16_t colorNumber = 0;
  std::array<uint8_t, 2> reserved{};
  std::array<uint8_t, 4> cmyk{};  // cyan, magenta, yellow, black; 0..200
  std::string name;
  std::array<uint8_t, kColorSeparationShares> separations{};  // 255: separation not used

  static ColorRecord NewColor(int16_t number, const std::string& name);
  static ColorRecord Decode(const uint8_t* p);
  void Encode(uint8_t* p) const;
};

struct SeparationRecord {
  static constexpr int kSize = 24;
  std::string name;
  std::array<uint8_t, 4> reserved{};
  int16_t frequency = 1500;
  int16_t angle = 450;

  static SeparationRecord Decode(const uint8_t* p);
  void Encode(uint8_t* p) const;
};

// Colour table, separations and halftone screens of the process colours.
struct SymbolHeader {
  static constexpr int kSize = 19224;
  int16_t colorCount = 0;
  int16_t separationCount = 0;
  std::array<int16_t, 4> halftoneFrequency{};  // cyan, magenta, yellow, black
  std::array<int16_t, 4> halftoneAngle{};
  std::array<uint8_t, 4> reserved1{};
  std::array<ColorRecord, kMaxColors> colors{};
  std::array<SeparationRecord, kMaxSeparations> separations{};
  std::array<uint8_t, 192> reserved2{};

  static SymbolHeader Decode(const uint8_t* p);
  void Encode(uint8_t* p) const;
  // Replaces out-of-range counts and frequencies; nothing is reported.
  void Validate();
  // Index in the table of the colour with this number, or -1.
  int FindColor(int number) const;
};

// Document settings. The block is kept as raw bytes so that fields owned by later
// features survive a read and write unchanged; accessors name the known ones.
class SetupBlock {
 public:
  static constexpr int kSize = 1080;
  static constexpr int kGpsPointCount = 12;
  std::array<uint8_t, kSize> raw{};

  static SetupBlock Defaults();
  // A whole block of kSize bytes; anything shorter is an error (the engine reads a short block
  // over the defaults itself).
  static std::optional<SetupBlock> Decode(std::span<const uint8_t> bytes);
  void Encode(std::span<uint8_t, kSize> out) const;
  // Replaces out-of-range values as a map is opened.
  void Correct();
  // Puts the print and export settings and the print window (864 up to the zoom) back to their
  // defaults, as for a map made from a symbol set.
  void ResetPrintState();

#define ZELK_SETUP_I16(Name, off) \
  int16_t Name() const {          \
    return GetI16(&raw[off]);     \
  }                               \
  void Set##Name(int v) {         \
    PutI16(&raw[off], v);         \
  }
#define ZELK_SETUP_I32(Name, off) \
  int32_t Name() const {          \
    return GetI32(&raw[off]);     \
  }                               \
  void Set##Name(int64_t v) {     \
    PutI32(&raw[off], v);         \
  }
#define ZELK_SETUP_F64(Name, off) \
  double Name() const {           \
    return GetF64(&raw[off]);     \
  }                               \
  void Set##Name(double v) {      \
    PutF64(&raw[off], v);         \
  }
  ZELK_SETUP_I32(ViewX, 0)
  ZELK_SETUP_I32(ViewY, 4)
  ZELK_SETUP_F64(PaperGrid, 8)
  ZELK_SETUP_I16(CurrentTool, 16)
  ZELK_SETUP_I16(DrawMode, 18)
  ZELK_SETUP_I16(EditMode, 20)
  ZELK_SETUP_I16(CurrentSymbolIndex, 22)
  ZELK_SETUP_F64(MapScale, 24)
  ZELK_SETUP_F64(RealWorldX, 32)
  ZELK_SETUP_F64(RealWorldY, 40)
  ZELK_SETUP_F64(RealWorldAngle, 48)
  ZELK_SETUP_F64(RealWorldGrid, 56)
  ZELK_SETUP_F64(GpsAngle, 64)
  ZELK_SETUP_I32(GpsPointCount, 552)
  ZELK_SETUP_F64(DraftScaleX, 556)
  ZELK_SETUP_F64(DraftScaleY, 564)
  ZELK_SETUP_I32(TemplateX, 572)
  ZELK_SETUP_I32(TemplateY, 576)
  ZELK_SETUP_I16(TemplateOpen, 836)
  ZELK_SETUP_I16(ScannerResolution, 838)
  ZELK_SETUP_F64(TemplateAngle, 840)
  ZELK_SETUP_I32(PrintLeft, 864)
  ZELK_SETUP_I32(PrintBottom, 868)
  ZELK_SETUP_I32(PrintRight, 872)
  ZELK_SETUP_I32(PrintTop, 876)
  ZELK_SETUP_I16(EpsStandardFonts, 880)  // "Standard fonts as PostScript fonts"
  ZELK_SETUP_I16(PrintScaleX, 884)
  ZELK_SETUP_I16(PrintScaleY, 886)
  ZELK_SETUP_F64(PrintMapScale, 888)
  ZELK_SETUP_F64(Zoom, 924)
#undef ZELK_SETUP_I16
#undef ZELK_SETUP_I32
#undef ZELK_SETUP_F64

  std::string TemplateFile() const {
    return GetShortString(&raw[580], 256);
  }
  void SetTemplateFile(const std::string& s) {
    PutShortString(&raw[580], 256, s);
  }

  struct GpsPoint {
    int32_t mapX = 0, mapY = 0;
    double latitude = 0, longitude = 0;
    std::string name;
  };
  GpsPoint GpsPointAt(int i) const;
  void SetGpsPoint(int i, const GpsPoint& p);
};

struct IndexEntry {
  static constexpr int kSize = 24;
  Box box;
  int32_t pos = 0;
  int16_t length = 0;
  int16_t symbol = 0;

  bool Used() const { return length >= 1; }
  bool Live() const { return symbol != 0 && length >= 33; }
  static IndexEntry Decode(const uint8_t* p);
  // Decodes `count` entries that follow one another, as in an index block.
  static void DecodeRun(const uint8_t* p, IndexEntry* out, size_t count);
  void Encode(uint8_t* p) const;
  bool operator==(const IndexEntry&) const = default;
};

// A symbol record held whole as its bytes; the common part is read through accessors, the
// type-specific part through the record of its type (symbol_records.h).
class SymbolRecord {
 public:
  SymbolRecord() : data_(kSymbolCommonSize, 0) { SetLength(kSymbolCommonSize); }
  explicit SymbolRecord(std::vector<uint8_t> bytes);

  const std::vector<uint8_t>& Bytes() const { return data_; }
  std::vector<uint8_t>& MutableBytes() { return data_; }
  int Size() const { return static_cast<int>(data_.size()); }
  void Resize(int n);

  int16_t Length() const { return GetI16(&data_[0]); }
  void SetLength(int v) { PutI16(&data_[0], v); }
  int16_t Number() const { return GetI16(&data_[2]); }
  void SetNumber(int v) { PutI16(&data_[2], v); }
  SymbolType Type() const { return static_cast<SymbolType>(GetI16(&data_[4])); }
  void SetType(SymbolType v) { PutI16(&data_[4], static_cast<int16_t>(v)); }
  int16_t Subtype() const { return GetI16(&data_[6]); }
  void SetSubtype(int v) { PutI16(&data_[6], v); }
  int16_t Extent() const { return GetI16(&data_[8]); }
  void SetExtent(int v) { PutI16(&data_[8], v); }
  uint8_t Selected() const { return data_[10]; }
  void SetSelected(uint8_t v) { data_[10] = v; }
  uint8_t Status() const { return data_[11]; }
  void SetStatus(uint8_t v) { data_[11] = v; }
  int32_t FilePos() const { return GetI32(&data_[16]); }
  void SetFilePos(int32_t v) { PutI32(&data_[16], v); }
  ColorSet Colors() const { return ColorSet::Decode(&data_[20]); }
  void SetColors(const ColorSet& s) { s.Encode(&data_[20]); }
  std::string Description() const { return GetShortString(&data_[52], 32); }
  void SetDescription(const std::string& s) { PutShortString(&data_[52], 32, s); }
  const uint8_t* Icon() const { return &data_[84]; }
  uint8_t* MutableIcon() { return &data_[84]; }
  static constexpr int kIconSize = 264;

  // The length the record must have by its type and its own counts, or -1 for an unknown type.
  int ComputedLength() const;
  // The record can be drawn as its symbol: its length field, its size and its counts agree.
  bool IsConsistent() const { return Length() == Size() && ComputedLength() == Size(); }
  bool IsLineText() const { return Type() == SymbolType::Line && Subtype() == kSubtypeLineText; }

  // Widens a point or line record of an older subversion by the missing reserved i16.
  // Returns true when the record was changed.
  bool UpgradeOlderLayout();
  // Recomputes the extent of a rectangle record from its line width.
  void RepairRectangle();

  static SymbolRecord Undefined(int colorNumberOfRecord0);

 private:
  std::vector<uint8_t> data_;
};

// One map object: decoded head, coordinates and text area.
struct ObjectRecord {
  static constexpr int kHeadSize = 32;
  int16_t symbol = 0;
  ObjectType type{};
  int16_t textUnits = 0;
  int16_t angle = 0;
  std::array<uint8_t, 6> reserved{};
  std::array<uint8_t, 16> layer{};  // short string: DXF layer of objects of symbol -1
  std::vector<Coord> coords;
  std::vector<uint8_t> textArea;  // textUnits * 8 bytes, zero-terminated text

  int PointCount() const { return static_cast<int>(coords.size()); }
  // A negative text count takes no room, so that encoding never writes past the length.
  int Length() const { return kHeadSize + 8 * (PointCount() + std::max<int>(textUnits, 0)); }
  std::string Text() const;            // up to the first zero (or the end of the area)
  void SetText(const std::string& s);  // sets the text area for the text, see TextUnitsFor
  std::string LayerName() const { return GetShortString(layer.data(), 16); }
  void SetLayerName(const std::string& s) { PutShortString(layer.data(), 16, s); }
  // While a point symbol is edited, its elements travel as objects that carry the element's
  // line width, line style and diameter in the three words after the angle.
  int16_t ElementLineWidth() const { return GetI16(&reserved[0]); }
  int16_t ElementLineStyle() const { return GetI16(&reserved[2]); }
  int16_t ElementDiameter() const { return GetI16(&reserved[4]); }
  void SetElementWords(int lineWidth, int lineStyle, int diameter) {
    PutI16(&reserved[0], lineWidth);
    PutI16(&reserved[2], lineStyle);
    PutI16(&reserved[4], diameter);
  }
  bool HasTextArea() const {
    return type == ObjectType::Text ||
           ((type == ObjectType::Rectangle || type == ObjectType::Line) && textUnits >= 1);
  }

  // A record of exactly its own length, with 1..2000 points and a text that fits beside them;
  // anything else is an error.
  static std::optional<ObjectRecord> Decode(std::span<const uint8_t> bytes);
  // Decodes a record of `size` bytes as the engine reads it: a head whose point count is
  // below 1 is cleared; a point count beyond the bytes is trimmed and the text dropped.
  static ObjectRecord DecodeAsRead(const uint8_t* p, int size);
  // The same into `out`, whose buffers are reused.
  static void DecodeAsReadInto(const uint8_t* p, int size, ObjectRecord* out);
  // An empty object; the buffers keep their room.
  void Clear();
  bool operator==(const ObjectRecord&) const = default;
  // Encodes head, coordinates and text area; the buffer must hold Length() bytes.
  void Encode(uint8_t* p) const;
  std::vector<uint8_t> Encode() const;

  // Recomputes the text area size for texts, framed texts and line texts (their limits),
  // and zeroes the last byte of the text area. Negative counts become 0.
  void FixTextUnits();

  // Bounding box of the coordinates (flags cleared), grown by extent * 256 on every side.
  Box BoundingBox(int extent) const;
};

// Units of 8 bytes for a text of `length` characters and its terminator: 64 bytes for every
// started 64 characters.
inline int TextUnitsFor(int length) {
  return 8 * (length / 64 + 1);
}

// Element lists: a head of 16 bytes (two units) followed by the coordinates.
struct SymbolElementHead {
  static constexpr int kSize = 16;
  int16_t kind = 0;  // 1 line, 2 area, 3 circle, 4 dot
  int16_t flags = 0;
  int16_t color = 0;
  int16_t lineWidth = 0;
  int16_t diameter = 0;
  int16_t pointCount = 0;
  static SymbolElementHead Decode(const uint8_t* p);
  void Encode(uint8_t* p) const;
};
constexpr int16_t kElementLine = 1;
constexpr int16_t kElementArea = 2;
constexpr int16_t kElementCircle = 3;
constexpr int16_t kElementDot = 4;

}  // namespace zelk
