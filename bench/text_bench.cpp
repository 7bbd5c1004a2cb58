// Text figures: 10000 text objects of 20 characters laid out and drawn into a 1920 x 1080 image.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "render/font_service_qt.h"
#include "render/object_renderer.h"
#include "render/painter_device.h"
#include "render/text_render.h"
#include "render/text_symbol.h"

namespace zelk {
namespace {

constexpr int kObjects = 10000;
constexpr int kWidth = 1920, kHeight = 1080;
constexpr int kUnitsPerPixel = 10;

// Place names of 20 characters, scattered over the picture, some of them turned.
std::vector<ObjectRecord> Texts() {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> x(0, kWidth * kUnitsPerPixel);
  std::uniform_int_distribution<int> y(0, kHeight * kUnitsPerPixel);
  std::uniform_int_distribution<int> letter(0, 25);
  std::vector<ObjectRecord> texts;
  for (int i = 0; i < kObjects; ++i) {
    std::string name;
    for (int k = 0; k < 20; ++k) {
      name += k == 8 ? ' ' : static_cast<char>((k == 0 || k == 9 ? 'A' : 'a') + letter(random));
    }
    ObjectRecord o;
    o.type = ObjectType::Text;
    o.angle = static_cast<int16_t>(i % 4 == 0 ? 300 : 0);
    o.coords = {Coord::FromUnits(x(random), y(random))};
    o.SetText(name);
    texts.push_back(std::move(o));
  }
  return texts;
}

SymbolRecord Symbol() {
  TextSymbolFields f;
  f.font = {"Arial", 1, 80, 400, 0};
  f.wordSpace = 100;
  f.lineSpace = 120;
  f.alignment = kAlignCenter;
  return MakeTextSymbol(1010, f);
}

OutputState PictureState() {
  OutputState s;
  s.screen = false;
  s.scaleX = 1.0 / (kUnitsPerPixel * 256);
  s.scaleY = -s.scaleX;
  s.originY = kHeight * kUnitsPerPixel * 256;
  s.clipRectangle = {0, 0, kWidth * kUnitsPerPixel * 256, kHeight * kUnitsPerPixel * 256};
  return s;
}

// Takes every primitive and draws nothing: the layout's own cost.
class NullDevice : public OutputDevice {
 public:
  using OutputDevice::OutputDevice;
  int64_t characters = 0;

 protected:
  void DoStroke(std::span<const Coord>, int32_t, int) override {}
  bool DoFill(std::span<const Coord>, int) override { return true; }
  ClipResult DoClip(std::span<const Coord>) override { return ClipResult::Clipped; }
  void DoEndClip() override {}
  void DoDot(const Coord&, int32_t) override {}
  void DoRing(const Coord&, int32_t, int32_t) override {}
  void DoDrawCharacter(const CharacterSpec&) override { ++characters; }
};

void BM_LayOutAndDrawTexts(benchmark::State& state) {
  const std::vector<ObjectRecord> texts = Texts();
  const SymbolRecord sym = Symbol();
  QtFontService fonts;
  RenderScratch scratch;
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter painter(&image);
    PainterDevice device(painter, PictureState());
    device.SetFontService(&fonts);
    device.SelectColorPass(1, {0, 0, 0, 200});
    RenderContext ctx{device, fonts, scratch};
    for (const ObjectRecord& o : texts) DrawTextObject(ctx, o, sym);
  }
  state.SetItemsProcessed(state.iterations() * kObjects);
}
BENCHMARK(BM_LayOutAndDrawTexts)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_LayOutTextsOnly(benchmark::State& state) {
  const std::vector<ObjectRecord> texts = Texts();
  const SymbolRecord sym = Symbol();
  QtFontService fonts;
  RenderScratch scratch;
  for (auto _ : state) {
    NullDevice device(PictureState());
    device.SelectColorPass(1, {0, 0, 0, 200});
    RenderContext ctx{device, fonts, scratch};
    for (const ObjectRecord& o : texts) DrawTextObject(ctx, o, sym);
    benchmark::DoNotOptimize(device.characters);
  }
  state.SetItemsProcessed(state.iterations() * kObjects);
}
BENCHMARK(BM_LayOutTextsOnly)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
}  // namespace zelk

int main(int argc, char** argv) {
  // Fonts need a GUI application; the offscreen platform needs no display.
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
