// Text and line text symbols as the text layout sees them, the default symbol that replaces a
// damaged one, and the fonts their texts are measured and drawn in.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "render/font_service.h"
#include "storage/records.h"
#include "storage/symbol_records.h"

namespace zelk {

constexpr int kTextSymbolSize = TextSymbol::kSize;
constexpr int kLineTextSymbolSize = LineTextSymbol::kSize;
constexpr int kMaxTabs = TextSymbol::kMaxTabs;

// The face that stands in for a missing or unnamed font.
inline constexpr const char* kStandInFontName = "Times New Roman";

enum TextAlignment : int16_t {
  kAlignLeft = 0,
  kAlignCenter = 1,
  kAlignRight = 2,
  kAlignJustified = 3
};
// Line texts: "Left", "Center", "Right", "All line".
enum LineTextAlignment : int16_t { kLineLeft = 0, kLineCenter = 1, kLineRight = 2, kLineAll = 3 };

// One font of a symbol as stored: name (Windows-1252 as in the file), size in tenths of a point.
struct SymbolFont {
  std::string name;
  int16_t color = 0;
  int16_t size = 100;
  int16_t weight = 400;
  int16_t italic = 0;
  bool operator==(const SymbolFont&) const = default;
};

// The fields of both kinds; a line text symbol leaves the paragraph fields at their defaults.
struct TextSymbolFields {
  SymbolFont font;
  int16_t charSpace = 0;    // per cent of the space width
  int16_t wordSpace = 100;  // per cent of the space width
  int16_t alignment = kAlignLeft;
  int16_t lineSpace = 120;  // per cent of the font size
  int16_t paraSpace = 0;    // map units
  int16_t indentFirst = 0;
  int16_t indentOther = 0;
  int16_t tabCount = 0;
  std::array<int32_t, kMaxTabs> tabs{};  // map units from the line start
  int16_t lbOn = 0;
  int16_t lbColor = 0;
  int16_t lbWidth = 0;
  int16_t lbDist = 0;
  int16_t sfOn = 0;
  SymbolFont secondFont;
  int16_t sfOfx = 0;  // map units
  int16_t sfOfy = 0;
  bool operator==(const TextSymbolFields&) const = default;
};

// The record can be drawn as a text symbol, or as a line text symbol: type, length and size agree.
bool IsUsableTextSymbol(const SymbolRecord& sym);
bool IsUsableLineTextSymbol(const SymbolRecord& sym);

// The fields of a text or line text record; nothing when the record is not one or is damaged.
std::optional<TextSymbolFields> ReadTextSymbol(const SymbolRecord& sym);
std::optional<TextSymbolFields> ReadLineTextSymbol(const SymbolRecord& sym);

// Complete records (type, subtype, length, extent and colour set) for symbol dialogs, the data
// generator and tests. The common part other than these is left as in `base`.
SymbolRecord MakeTextSymbol(int number, const TextSymbolFields& f,
                            const SymbolRecord& base = SymbolRecord());
SymbolRecord MakeLineTextSymbol(int number, const TextSymbolFields& f,
                                const SymbolRecord& base = SymbolRecord());

// The symbol that replaces a damaged or missing one: ten-point "Arial", plain spacing.
TextSymbolFields DefaultTextSymbol();

// Font height in map units for a size in tenths of a point: round(size * 254 / 72).
int FontHeightUnits(int size);
// Weights up to 550 count as normal (400), above as bold (700).
int NormalizedWeight(int weight);

// The measuring font of a symbol font: its face (the stand-in when the name is empty or not
// installed), its height in map units, weight and slant. Names are given to the font service
// as UTF-8.
FontRequest MeasuringFont(FontService& fonts, const SymbolFont& font);

}  // namespace zelk
