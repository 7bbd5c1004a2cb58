// Text and line text symbols read from and written to their records, default symbol and
// measuring fonts.
#include "render/text_symbol.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "geometry/coord_math.h"
#include "storage/text_format.h"

namespace zelk {

namespace {

// How far a text's drawing reaches beyond the points that hold it: the second font's offset.
int SecondFontReach(const TextSymbolFields& f) {
  if (!f.sfOn) return 0;
  return std::max(std::abs(int{f.sfOfx}), std::abs(int{f.sfOfy}));
}

// Both records share the main font, spacing, alignment and second-font fields.
template <typename R>
void ReadShared(const R& r, TextSymbolFields& f) {
  f.font = {r.FontName, r.FontColor, r.FontSize, r.FontWeight, r.Italic};
  f.charSpace = r.CharSpace;
  f.wordSpace = r.WordSpace;
  f.alignment = r.Alignment;
  f.sfOn = r.SFOn;
  f.secondFont = {r.SFName, r.SFColor, r.SFSize, r.SFWeight, r.SFItalic};
  f.sfOfx = r.SFOfx;
  f.sfOfy = r.SFOfy;
}

template <typename R>
void WriteShared(const TextSymbolFields& f, R& r) {
  r.FontName = f.font.name;
  r.FontColor = f.font.color;
  r.FontSize = f.font.size;
  r.FontWeight = f.font.weight;
  r.Italic = f.font.italic;
  r.CharSpace = f.charSpace;
  r.WordSpace = f.wordSpace;
  r.Alignment = f.alignment;
  r.SFOn = f.sfOn;
  r.SFName = f.secondFont.name;
  r.SFColor = f.secondFont.color;
  r.SFSize = f.secondFont.size;
  r.SFWeight = f.secondFont.weight;
  r.SFItalic = f.secondFont.italic;
  r.SFOfx = f.sfOfx;
  r.SFOfy = f.sfOfy;
}

}  // namespace

bool IsUsableTextSymbol(const SymbolRecord& sym) {
  return sym.Type() == SymbolType::Text && sym.Size() == kTextSymbolSize &&
         sym.Length() == kTextSymbolSize;
}

bool IsUsableLineTextSymbol(const SymbolRecord& sym) {
  return sym.IsLineText() && sym.Size() == kLineTextSymbolSize &&
         sym.Length() == kLineTextSymbolSize;
}

std::optional<TextSymbolFields> ReadTextSymbol(const SymbolRecord& sym) {
  const std::optional<TextSymbol> r = TextSymbol::Decode(sym);
  if (!r) return std::nullopt;
  TextSymbolFields f;
  ReadShared(*r, f);
  f.lineSpace = r->LineSpace;
  f.paraSpace = r->ParaSpace;
  f.indentFirst = r->IndentFirst;
  f.indentOther = r->IndentOther;
  f.tabCount = r->TabCount;
  f.tabs = r->Tabs;
  f.lbOn = r->LBOn;
  f.lbColor = r->LBColor;
  f.lbWidth = r->LBWidth;
  f.lbDist = r->LBDist;
  return f;
}

std::optional<TextSymbolFields> ReadLineTextSymbol(const SymbolRecord& sym) {
  const std::optional<LineTextSymbol> r = LineTextSymbol::Decode(sym);
  if (!r) return std::nullopt;
  TextSymbolFields f;
  ReadShared(*r, f);
  return f;
}

SymbolRecord MakeTextSymbol(int number, const TextSymbolFields& f, const SymbolRecord& base) {
  TextSymbol r;
  WriteShared(f, r);
  r.LineSpace = f.lineSpace;
  r.ParaSpace = f.paraSpace;
  r.IndentFirst = f.indentFirst;
  r.IndentOther = f.indentOther;
  r.TabCount = f.tabCount;
  r.Tabs = f.tabs;
  r.LBOn = f.lbOn;
  r.LBColor = f.lbColor;
  r.LBWidth = f.lbWidth;
  r.LBDist = f.lbDist;
  SymbolRecord s = base;
  r.Encode(s);
  s.SetNumber(number);
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
  LineTextSymbol r;
  WriteShared(f, r);
  SymbolRecord s = base;
  r.Encode(s);
  s.SetNumber(number);
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

int FontHeightUnits(int size) {
  return RoundToInt(size * 254.0 / 72.0);
}

int NormalizedWeight(int weight) {
  return weight > 550 ? 700 : 400;
}

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
