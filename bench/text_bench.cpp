// Text figures: 10000 text objects of 20 characters laid out and drawn into a 1920 x 1080 image,
// aliased and antialiased, against QPainter::drawText drawing the same strings in the same font,
// height, positions and angles in the same run. The ratios ours / drawText close the output.
#include <benchmark/benchmark.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
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
constexpr int kFontSize = 80;  // tenths of a point: 282 map units, 28.2 pixels

// Place names of 20 characters, scattered over the picture, one in four turned by 30 degrees.
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

// Left-aligned, so that a text starts at its point as drawText's strings do.
SymbolRecord Symbol() {
  TextSymbolFields f;
  f.font = {"Arial", 1, kFontSize, 400, 0};
  f.wordSpace = 100;
  f.lineSpace = 120;
  f.alignment = kAlignLeft;
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

// One font service for the whole run, as the program has: its caches outlive each picture.
QtFontService& Fonts() {
  static QtFontService fonts;
  return fonts;
}

void DrawOurs(benchmark::State& state, bool antialiased) {
  const std::vector<ObjectRecord> texts = Texts();
  const SymbolRecord sym = Symbol();
  RenderScratch scratch;
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter painter(&image);
    PainterDevice device(painter, PictureState());
    device.SetAntialiasing(antialiased);
    device.SetFontService(&Fonts());
    device.SelectColorPass(1, {0, 0, 0, 200});
    RenderContext ctx{device, Fonts(), scratch};
    for (const ObjectRecord& o : texts) DrawTextObject(ctx, o, sym);
  }
  state.SetItemsProcessed(state.iterations() * kObjects);
}

// The same strings with QPainter::drawText: the face, pixel height, start points and angles of
// the objects above; no hinting and no kerning, as the text layout measures.
void DrawWithDrawText(benchmark::State& state, bool antialiased) {
  const std::vector<ObjectRecord> texts = Texts();
  const SymbolRecord sym = Symbol();
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  const FontRequest request = MeasuringFont(Fonts(), ReadTextSymbol(sym)->font);
  QFont font;
  font.setFamilies({Fonts().FamilyFor(request.name)});
  font.setPointSizeF(request.height / kUnitsPerPixel * 72.0 / image.logicalDpiY());
  font.setKerning(false);
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setStyleStrategy(QFont::NoFontMerging);
  std::vector<QString> strings;
  std::vector<QPointF> at;
  for (const ObjectRecord& o : texts) {
    strings.push_back(QString::fromStdString(o.Text()));
    const Coord c = o.coords.front();
    at.emplace_back(c.PosX() / double(kUnitsPerPixel), kHeight - c.PosY() / double(kUnitsPerPixel));
  }
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, antialiased);
    painter.setRenderHint(QPainter::TextAntialiasing, antialiased);
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (size_t i = 0; i < texts.size(); ++i) {
      if (texts[i].angle == 0) {
        painter.drawText(at[i], strings[i]);
        continue;
      }
      painter.save();
      painter.translate(at[i]);
      painter.rotate(-texts[i].angle / 10.0);
      painter.drawText(QPointF(0, 0), strings[i]);
      painter.restore();
    }
  }
  state.SetItemsProcessed(state.iterations() * kObjects);
}

void BM_TextsAliased(benchmark::State& state) {
  DrawOurs(state, false);
}
void BM_DrawTextAliased(benchmark::State& state) {
  DrawWithDrawText(state, false);
}
void BM_TextsAntialiased(benchmark::State& state) {
  DrawOurs(state, true);
}
void BM_DrawTextAntialiased(benchmark::State& state) {
  DrawWithDrawText(state, true);
}
BENCHMARK(BM_TextsAliased)->Unit(benchmark::kMillisecond)->MinTime(2.0)->Repetitions(3);
BENCHMARK(BM_DrawTextAliased)->Unit(benchmark::kMillisecond)->MinTime(2.0)->Repetitions(3);
BENCHMARK(BM_TextsAntialiased)->Unit(benchmark::kMillisecond)->MinTime(2.0)->Repetitions(3);
BENCHMARK(BM_DrawTextAntialiased)->Unit(benchmark::kMillisecond)->MinTime(2.0)->Repetitions(3);

void BM_LayOutTextsOnly(benchmark::State& state) {
  const std::vector<ObjectRecord> texts = Texts();
  const SymbolRecord sym = Symbol();
  RenderScratch scratch;
  for (auto _ : state) {
    NullDevice device(PictureState());
    device.SelectColorPass(1, {0, 0, 0, 200});
    RenderContext ctx{device, Fonts(), scratch};
    for (const ObjectRecord& o : texts) DrawTextObject(ctx, o, sym);
    benchmark::DoNotOptimize(device.characters);
  }
  state.SetItemsProcessed(state.iterations() * kObjects);
}
BENCHMARK(BM_LayOutTextsOnly)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Keeps the console output and notes the best time per iteration of every benchmark, so that
// the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Iteration || r.iterations == 0) continue;
      // In the benchmark's unit, milliseconds.
      const Times t{r.GetAdjustedRealTime(), r.GetAdjustedCPUTime()};
      auto [it, added] = best_.emplace(r.run_name.function_name, t);
      if (!added) {
        it->second.wall = std::min(it->second.wall, t.wall);
        it->second.cpu = std::min(it->second.cpu, t.cpu);
      }
    }
  }
  void PrintRatio(const char* label, const std::string& ours, const std::string& theirs) const {
    const auto a = best_.find(ours), b = best_.find(theirs);
    if (a == best_.end() || b == best_.end() || b->second.wall <= 0 || b->second.cpu <= 0) return;
    const Times& o = a->second;
    const Times& d = b->second;
    std::printf(
        "%-12s ours %7.1f ms (cpu %7.1f)  drawText %7.1f ms (cpu %7.1f)  ratio %.2f (cpu %.2f)\n",
        label, o.wall, o.cpu, d.wall, d.cpu, o.wall / d.wall, o.cpu / d.cpu);
  }

 private:
  struct Times {
    double wall = 0;
    double cpu = 0;
  };
  std::map<std::string, Times> best_;
};

}  // namespace
}  // namespace zelk

int main(int argc, char** argv) {
  // Fonts need a GUI application; the offscreen platform needs no display.
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  zelk::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n10000 texts of 20 characters, best of the repetitions:\n");
  reporter.PrintRatio("aliased", "BM_TextsAliased", "BM_DrawTextAliased");
  reporter.PrintRatio("antialiased", "BM_TextsAntialiased", "BM_DrawTextAntialiased");
  const zelk::GlyphImageCache& pictures = zelk::Fonts().GlyphImages();
  std::printf("glyph pictures made %lld, glyphs always filled %lld, %zu kB kept\n",
              static_cast<long long>(pictures.PicturesMade()),
              static_cast<long long>(pictures.PicturesRefused()), pictures.Bytes() / 1024);
  benchmark::Shutdown();
  return 0;
}
