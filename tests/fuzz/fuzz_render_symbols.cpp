// Fuzz target: arbitrary bytes as a symbol record and an object, drawn in every colour of the
// symbol.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/object_renderer.h"
#include "render/recording_device.h"
#include "storage/byte_io.h"
#include "storage/records.h"

namespace {

// Bounds the recording: a damaged symbol may ask for millions of hatch lines or cells, which
// the renderer gives up on when the redraw's abort test says so.
constexpr size_t kMaxRecordedCalls = 20000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zelk;
  if (size < 4) return 0;
  // Layout: u16 symbol size, the symbol bytes, then the object record bytes.
  const size_t symbolSize =
      std::min<size_t>(static_cast<uint16_t>(GetI16(data)) % (kMaxSymbolRecord + 1), size - 2);
  std::vector<uint8_t> symbolBytes(data + 2, data + 2 + symbolSize);
  if (symbolBytes.size() < static_cast<size_t>(kSymbolCommonSize))
    symbolBytes.resize(kSymbolCommonSize, 0);
  const SymbolRecord sym(symbolBytes);
  const uint8_t* objectBytes = data + 2 + symbolSize;
  const size_t objectSize = std::min<size_t>(size - 2 - symbolSize, kMaxObjectRecord);
  if (objectSize < static_cast<size_t>(ObjectRecord::kHeadSize)) return 0;
  const ObjectRecord obj = ObjectRecord::DecodeAsRead(objectBytes, static_cast<int>(objectSize));

  OutputState state;
  state.scaleX = 1.0 / 256 / 4;
  state.scaleY = -1.0 / 256 / 4;
  state.hatchAreas = (data[0] & 1) != 0;
  state.clipRectangle = {-(5000 << 8), -(5000 << 8), 5000 << 8, 5000 << 8};
  RecordingDevice device(state);
  FixedMetricsFonts fonts;
  RenderScratch scratch;
  RenderContext ctx{device, fonts, scratch, (data[1] & 1) != 0,
                    [&device] { return device.calls.size() > kMaxRecordedCalls; }};
  const ColorSet colors = sym.Colors();
  for (int color = 0; color < 256; ++color) {
    if (!colors.Has(color)) continue;
    device.SelectColorPass(color, {0, 0, 0, 200});
    device.Clear();
    DrawObject(ctx, obj, sym);
  }
  return 0;
}
