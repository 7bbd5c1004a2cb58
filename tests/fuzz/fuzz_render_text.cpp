// Fuzz target: arbitrary text and line text symbols with text objects, framed texts and line
// texts, drawn in every colour they name and laid out as while typing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/object_renderer.h"
#include "render/recording_device.h"
#include "render/text_render.h"
#include "render/text_symbol.h"
#include "storage/byte_io.h"
#include "storage/records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zelk;
  // Layout: kind byte, angle (i16), the symbol's own fields, a point count byte, the points,
  // then the text bytes (without terminator).
  if (size < 4) return 0;
  const int kind = data[0] % 3;  // 0 text object, 1 framed text, 2 line text
  const bool damaged = (data[0] & 8) != 0;
  const auto angle = static_cast<int16_t>(GetI16(data + 1));
  size_t at = 3;

  const int symbolSize = kind == 2 ? kLineTextSymbolSize : kTextSymbolSize;
  std::vector<uint8_t> symbolBytes(static_cast<size_t>(symbolSize), 0);
  const size_t fields = std::min(size - at, static_cast<size_t>(symbolSize - kSymbolCommonSize));
  std::copy(data + at, data + at + fields, symbolBytes.begin() + kSymbolCommonSize);
  at += fields;
  SymbolRecord sym(symbolBytes);
  sym.SetLength(damaged ? symbolSize - 2 : symbolSize);
  sym.SetType(kind == 2 ? SymbolType::Line : SymbolType::Text);
  sym.SetSubtype(kind == 2 ? kSubtypeLineText : 0);

  ObjectRecord obj;
  obj.type = kind == 0 ? ObjectType::Text : kind == 1 ? ObjectType::Rectangle : ObjectType::Line;
  obj.angle = angle;
  const int points = at < size ? data[at++] % 9 : 1;
  for (int i = 0; i < points && at + 8 <= size; ++i, at += 8) {
    obj.coords.push_back({GetI32(data + at), GetI32(data + at + 4)});
  }
  const size_t textBytes = std::min<size_t>(size - at, kind == 2 ? 512 : 8192);
  const int units = static_cast<int>((textBytes + 7) / 8);
  obj.textUnits = static_cast<int16_t>(std::max(units, 1));
  obj.textArea.assign(static_cast<size_t>(obj.textUnits) * 8, 0);
  std::copy(data + at, data + at + textBytes, obj.textArea.begin());

  OutputState state;
  state.scaleX = 1.0 / 256 / 4;
  state.scaleY = -1.0 / 256 / 4;
  RecordingDevice device(state);
  FixedMetricsFonts fonts;
  RenderScratch scratch;
  RenderContext ctx{device, fonts, scratch};
  const TextSymbolFields f =
      (kind == 2 ? ReadLineTextSymbol(sym) : ReadTextSymbol(sym)).value_or(DefaultTextSymbol());
  for (const int color : {0, int{f.font.color}, int{f.secondFont.color}, int{f.lbColor}}) {
    device.SelectColorPass(color, {0, 0, 0, 200});
    device.Clear();
    if (kind == 0) DrawTextObject(ctx, obj, sym);
    if (kind == 1) DrawFramedTextObject(ctx, obj, sym);
    if (kind == 2) DrawLineTextObject(ctx, obj, sym);
  }
  if (kind != 2) LayOutTextBox(fonts, obj, sym);
  return 0;
}
