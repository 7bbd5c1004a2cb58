// Text and line text symbol fields at their record offsets, default symbol and measuring fonts.
#include "render/text_symbol.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "geometry/coord_math.h"
#include "storage/byte_io.h"
#include "storage/text_format.h"

namespace zelk {

namespace {

// A short string field of a record that may be shorter than the field.
std::string ShortStringAt(const SymbolRecord& sym, int off, int size) {
  const auto& b = sym.Bytes();
  if (off < 0 || off >= sym.Size()) return {};
  const int avail = std::min(size, sym.Size() - off);
  int len = b[static_cast<size_t>(off)];
  len = std::min(len, avail - 1);
  if (len <= 0) return {};
  return std::string(reinterpret_cast<const char*>(&b[static_cast<size_t>(off) + 1]),
                     static_cast<size_t>(len));
}

int32_t I32At(const SymbolRecord& sym, int off) {
  return off >= 0 && off + 4 <= sym.Size() ? GetI32(&sym.Bytes()[static_cast<size_t>(off)]) : 0;
}

SymbolFont ReadFont(const SymbolRecord& sym, int name, int color, int size, int weight,
                    int italic) {
  SymbolFont f;
  f.name = ShortStringAt(sym, name, kFontNameField);
  f.color = sym.I16At(color);
  f.size = sym.I16At(size);
  f.weight = sym.I16At(weight);
  f.italic = sym.I16At(italic);
  return f;
}

void WriteFont(SymbolRecord& sym, const SymbolFont& f, int name, int color, int size, int weight,
               int italic) {
  PutShortString(&sym.MutableBytes()[static_cast<size_t>(name)], kFontNameField, f.name);
  sym.SetI16At(color, f.color);
  sym.SetI16At(size, f.size);
  sym.SetI16At(weight, f.weight);
  sym.SetI16At(italic, f.italic);
}

// How far a text's drawing reaches beyond the points that hold it: the second font's offset.
int SecondFontReach(const TextSymbolFields& f) {
  if (!f.sfOn) return 0;
  return std::max(std::abs(int{f.sfOfx}), std::abs(int{f.sfOfy}));
}

void SetCommon(SymbolRecord& s, int number, int type, int subtype, int size) {
  s.Resize(size);
  s.SetLength(size);
  s.SetNumber(number);
  s.SetType(type);
  s.SetSubtype(subtype);
}

}  // namespace

bool IsUsableTextSymbol(const SymbolRecord& sym) {
  return sym.Type() == kSymbolText && sym.Size() == kTextSymbolSize &&
         sym.Length() == kTextSymbolSize;
}

bool IsUsableLineTextSymbol(const SymbolRecord& sym) {
  return sym.IsLineText() && sym.Size() == kLineTextSymbolSize &&
         sym.Length() == kLineTextSymbolSize;
}

namespace {
// Both text records begin with the main font, spacing and alignment at the same offsets.
void ReadHead(const SymbolRecord& sym, TextSymbolFields& f) {
  namespace o = text_symbol_offsets;
  f.font = ReadFont(sym, o::kFontName, o::kFontColor, o::kFontSize, o::kWeight, o::kItalic);
  f.charSpace = sym.I16At(o::kCharSpace);
  f.wordSpace = sym.I16At(o::kWordSpace);
  f.alignment = sym.I16At(o::kAlignment);
}

// The second-font block has the same layout in both records, starting at `on`.
void ReadSecondFont(const SymbolRecord& sym, int on, TextSymbolFields& f) {
  namespace o = text_symbol_offsets;
  const int shift = on - o::kSFOn;
  f.sfOn = sym.I16At(on);
  f.secondFont = ReadFont(sym, o::kSFName + shift, o::kSFColor + shift, o::kSFSize + shift,
                          o::kSFWeight + shift, o::kSFItalic + shift);
  f.sfOfx = sym.I16At(o::kSFOfx + shift);
  f.sfOfy = sym.I16At(o::kSFOfy + shift);
}

static_assert(line_text_symbol_offsets::kSFOfy - line_text_symbol_offsets::kSFOn ==
              text_symbol_offsets::kSFOfy - text_symbol_offsets::kSFOn);
static_assert(line_text_symbol_offsets::kAlignment == text_symbol_offsets::kAlignment);
}  // namespace

TextSymbolFields ReadTextSymbol(const SymbolRecord& sym) {
  namespace o = text_symbol_offsets;
  TextSymbolFields f;
  ReadHead(sym, f);
  f.lineSpace = sym.I16At(o::kLineSpace);
  f.paraSpace = sym.I16At(o::kParaSpace);
  f.indentFirst = sym.I16At(o::kIndentFirst);
  f.indentOther = sym.I16At(o::kIndentOther);
  f.tabCount = sym.I16At(o::kTabCount);
  for (int i = 0; i < kMaxTabs; ++i) f.tabs[static_cast<size_t>(i)] = I32At(sym, o::kTabs + 4 * i);
  f.lbOn = sym.I16At(o::kLBOn);
  f.lbColor = sym.I16At(o::kLBColor);
  f.lbWidth = sym.I16At(o::kLBWidth);
  f.lbDist = sym.I16At(o::kLBDist);
  ReadSecondFont(sym, o::kSFOn, f);
  return f;
}

TextSymbolFields ReadLineTextSymbol(const SymbolRecord& sym) {
  TextSymbolFields f;
  ReadHead(sym, f);
  ReadSecondFont(sym, line_text_symbol_offsets::kSFOn, f);
  return f;
}

SymbolRecord MakeTextSymbol(int number, const TextSymbolFields& f, const SymbolRecord& base) {
  namespace o = text_symbol_offsets;
  SymbolRecord s = base;
  SetCommon(s, number, kSymbolText, 0, kTextSymbolSize);
  WriteFont(s, f.font, o::kFontName, o::kFontColor, o::kFontSize, o::kWeight, o::kItalic);
  s.SetI16At(o::kCharSpace, f.charSpace);
  s.SetI16At(o::kWordSpace, f.wordSpace);
  s.SetI16At(o::kAlignment, f.alignment);
  s.SetI16At(o::kLineSpace, f.lineSpace);
  s.SetI16At(o::kParaSpace, f.paraSpace);
  s.SetI16At(o::kIndentFirst, f.indentFirst);
  s.SetI16At(o::kIndentOther, f.indentOther);
  s.SetI16At(o::kTabCount, f.tabCount);
  for (int i = 0; i < kMaxTabs; ++i) {
    PutI32(&s.MutableBytes()[static_cast<size_t>(o::kTabs + 4 * i)], f.tabs[static_cast<size_t>(i)]);
  }
  s.SetI16At(o::kLBOn, f.lbOn);
  s.SetI16At(o::kLBColor, f.lbColor);
  s.SetI16At(o::kLBWidth, f.lbWidth);
  s.SetI16At(o::kLBDist, f.lbDist);
  s.SetI16At(o::kUnused, 0);
  s.SetI16At(o::kSFOn, f.sfOn);
  WriteFont(s, f.secondFont, o::kSFName, o::kSFColor, o::kSFSize, o::kSFWeight, o::kSFItalic);
  s.SetI16At(o::kSFOfx, f.sfOfx);
  s.SetI16At(o::kSFOfy, f.sfOfy);
  ColorSet colors;
  colors.Add(f.font.color);
  if (f.sfOn) colors.Add(f.secondFont.color);
  if (f.lbOn) colors.Add(f.lbColor);
  s.SetColors(colors);
  // The box written into a text object covers the main font; the offset font and the line
  // below may reach further.
  s.SetExtent(std::min(32767, SecondFontReach(f) + std::abs(int{f.lbWidth})));
  return s;
}

SymbolRecord MakeLineTextSymbol(int number, const TextSymbolFields& f, const SymbolRecord& base) {
  namespace o = line_text_symbol_offsets;
  SymbolRecord s = base;
  SetCommon(s, number, kSymbolLine, kSubtypeLineText, kLineTextSymbolSize);
  WriteFont(s, f.font, o::kFontName, o::kFontColor, o::kFontSize, o::kWeight, o::kItalic);
  s.SetI16At(o::kCharSpace, f.charSpace);
  s.SetI16At(o::kWordSpace, f.wordSpace);
  s.SetI16At(o::kAlignment, f.alignment);
  s.SetI16At(o::kSFOn, f.sfOn);
  WriteFont(s, f.secondFont, o::kSFName, o::kSFColor, o::kSFSize, o::kSFWeight, o::kSFItalic);
  s.SetI16At(o::kSFOfx, f.sfOfx);
  s.SetI16At(o::kSFOfy, f.sfOfy);
  ColorSet colors;
  colors.Add(f.font.color);
  if (f.sfOn) colors.Add(f.secondFont.color);
  s.SetColors(colors);
  // Characters stand on the line and rise by about their height on either side of it.
  int reach = FontHeightUnits(f.font.size);
  if (f.sfOn) reach = std::max(reach, FontHeightUnits(f.secondFont.size) + SecondFontReach(f));
  s.SetExtent(std::min(32767, reach));
  return s;
}

TextSymbolFields DefaultTextSymbol() {
  TextSymbolFields f;
  f.font.name = "Arial";
  f.font.size = 100;
  f.font.weight = 400;
  return f;
}

int FontHeightUnits(int size) { return RoundToInt(size * 254.0 / 72.0); }

int NormalizedWeight(int weight) { return weight > 550 ? 700 : 400; }

FontRequest MeasuringFont(FontService& fonts, const SymbolFont& font) {
  FontRequest r;
  r.name = Cp1252ToUtf8(font.name);
  if (r.name.empty() || !fonts.IsInstalled(r.name)) r.name = kStandInFontName;
  r.height = std::abs(FontHeightUnits(font.size));
  r.weight = NormalizedWeight(font.weight);
  r.italic = font.italic != 0;
  return r;
}

}  // namespace zelk
