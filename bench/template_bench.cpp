// Templates: opening a 10000 x 10000 24-bit scan (or ZELK_TEMPLATE_SIDE) and showing the first
// picture, then redraws of a full window over it while scrolling and zooming (straight and turned).
// Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <vector>

#include "render/template_image.h"
#include "storage/messages.h"

namespace {

using namespace zelk;

// The side of the scan; ZELK_TEMPLATE_SIDE=20000 measures the largest scans.
const int kSide = [] {
  const char* v = std::getenv("ZELK_TEMPLATE_SIDE");
  const int side = v ? std::atoi(v) : 10000;
  return side >= 1000 && side <= 23000 ? side : 10000;
}();
constexpr int kWindowW = 1280, kWindowH = 900;

class QuietSink : public MessageSink {
 public:
  void Error(const std::string& m, int) override { std::fprintf(stderr, "%s\n", m.c_str()); }
  bool Confirm(const std::string&, int) override { return true; }
  Answer Ask(const std::string&, int) override { return Answer::Yes; }
};

// A scan of thin lines on white, written once into the temporary folder.
std::string ScanPath() {
  const std::string path = std::filesystem::temp_directory_path() /
                           ("zelk_template_bench_" + std::to_string(kSide) + ".bmp");
  const uint64_t row = ((24ull * kSide + 31) / 32) * 4;
  if (std::filesystem::exists(path) && std::filesystem::file_size(path) == 54 + row * kSide)
    return path;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  uint8_t h[54] = {'B', 'M'};
  auto put32 = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) h[at + i] = (v >> (8 * i)) & 0xff;
  };
  put32(2, static_cast<uint32_t>(54 + row * kSide));
  put32(10, 54);
  put32(14, 40);
  put32(18, kSide);
  put32(22, kSide);
  h[26] = 1;
  h[28] = 24;
  put32(38, 11811);
  put32(42, 11811);
  std::fwrite(h, 1, 54, f);
  std::vector<uint8_t> line(row);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const bool ink = x % 97 < 2 || y % 89 < 2 || (x + y) % 331 < 3;
      const uint8_t v = ink ? 40 : 250;
      line[3 * x] = v;
      line[3 * x + 1] = ink ? 60 : 245;
      line[3 * x + 2] = v;
    }
    std::fwrite(line.data(), 1, row, f);
  }
  std::fclose(f);
  return path;
}

ViewTransform Window(double zoom, int32_t cx, int32_t cy) {
  ViewTransform v;
  v.clientWidth = kWindowW;
  v.clientHeight = kWindowH;
  v.zoom = zoom;
  v.centreX = cx;
  v.centreY = cy;
  v.SetViewTransform();
  return v;
}

void Show(TemplateImage& t, const ViewTransform& v, const TemplatePlacement& p, QImage& out) {
  out.fill(Qt::white);
  QPainter painter(&out);
  t.Draw(painter, v, p, 15000, out.rect(), false);
}

void BM_OpenAndFirstPicture(benchmark::State& state) {
  const std::string path = ScanPath();
  QuietSink sink;
  QImage out(kWindowW, kWindowH, QImage::Format_RGB32);
  for (auto _ : state) {
    TemplateImage t;
    const auto probe = TemplateImage::Probe(path, sink);
    if (!probe || !t.Load(path, *probe, probe->pelsPerMeterX, probe->pelsPerMeterY, sink)) {
      state.SkipWithError("load failed");
      return;
    }
    Show(t, Window(4, 0, 0), TemplatePlacement{}, out);
    benchmark::DoNotOptimize(out.constBits());
  }
  state.counters["MB"] = 3.0 * kSide * kSide / 1e6;
}
BENCHMARK(BM_OpenAndFirstPicture)->Unit(benchmark::kMillisecond)->Iterations(3);

// Scrolling by a whole window right after opening, before the idle steps have read the scan:
// each redraw reads the rows it shows.
void BM_ScrollBeforeAllRowsRead(benchmark::State& state) {
  const std::string path = ScanPath();
  QuietSink sink;
  TemplateImage t;
  const auto probe = TemplateImage::Probe(path, sink);
  t.Load(path, *probe, probe->pelsPerMeterX, probe->pelsPerMeterY, sink);
  QImage out(kWindowW, kWindowH, QImage::Format_RGB32);
  // One scan pixel to one screen pixel at 4X: a window is 1280 x 900 scan pixels.
  const double words = TemplatePlacement{}.WordsPerPixelX(15000, 11811);
  int step = 0;
  for (auto _ : state) {
    const int32_t y = static_cast<int32_t>((kSide / 2 - 450 - 900 * step) * words) & ~255;
    Show(t, Window(4, 0, y), TemplatePlacement{}, out);
    ++step;
    benchmark::DoNotOptimize(out.constBits());
  }
}
BENCHMARK(BM_ScrollBeforeAllRowsRead)->Unit(benchmark::kMillisecond)->Iterations(8);

TemplateImage& Loaded() {
  static TemplateImage* t = [] {
    QuietSink sink;
    auto* image = new TemplateImage;
    const std::string path = ScanPath();
    const auto probe = TemplateImage::Probe(path, sink);
    image->Load(path, *probe, probe->pelsPerMeterX, probe->pelsPerMeterY, sink);
    return image;
  }();
  return *t;
}

void BM_BuildPyramid(benchmark::State& state) {
  for (auto _ : state) {
    TemplateImage t;
    t.SetImage(Loaded().Level(0), 11811, 11811);
    t.BuildAllLevels();
    benchmark::DoNotOptimize(t.LevelsBuilt());
  }
}
BENCHMARK(BM_BuildPyramid)->Unit(benchmark::kMillisecond)->Iterations(3);

// Scrolling: the window moves by a tenth of its width each redraw, at the zoom of the first
// picture (one scan pixel to one screen pixel) and at 16X; arg 1 turns the template by 5 degrees.
void BM_ScrollRedraw(benchmark::State& state) {
  TemplateImage& t = Loaded();
  t.BuildAllLevels();
  TemplatePlacement p;
  p.angle = state.range(1) * 5 * std::numbers::pi / 180;
  const double zoom = static_cast<double>(state.range(0));
  QImage out(kWindowW, kWindowH, QImage::Format_RGB32);
  int32_t x = -256 * 30000;
  for (auto _ : state) {
    x += static_cast<int32_t>(kWindowW / 10 * 256 * 32 / zoom);
    if (x > 256 * 30000) x = -256 * 30000;
    Show(t, Window(zoom, x & ~255, 0), p, out);
    benchmark::DoNotOptimize(out.constBits());
  }
}
BENCHMARK(BM_ScrollRedraw)
    ->Args({4, 0})
    ->Args({4, 1})
    ->Args({16, 0})
    ->Args({16, 1})
    ->Unit(benchmark::kMillisecond);

// Zooming: every redraw at the next of the fixed factors 0.25X to 32X, the whole scan in view
// at the smallest.
void BM_ZoomRedraw(benchmark::State& state) {
  TemplateImage& t = Loaded();
  t.BuildAllLevels();
  TemplatePlacement p;
  p.angle = state.range(0) * 5 * std::numbers::pi / 180;
  const double zooms[] = {0.25, 0.5, 1, 2, 4, 8, 16, 32};
  QImage out(kWindowW, kWindowH, QImage::Format_RGB32);
  size_t i = 0;
  for (auto _ : state) {
    Show(t, Window(zooms[i++ % 8], 256 * 1000, 256 * 500), p, out);
    benchmark::DoNotOptimize(out.constBits());
  }
}
BENCHMARK(BM_ZoomRedraw)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
