// Drawing figures: a map of 100000 mixed objects drawn whole on a screen and at 300 DPI, each
// against its baseline, the same QPainter calls replayed on a bare painter in the same run; a
// window of it; BMP exports of it and of the demo map.
//
// `render_bench --write-map PATH` only writes the benchmark map, for comparing pictures.
#include <benchmark/benchmark.h>

#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_map.h"
#include "datagen.h"
#include "output/bitmap_export.h"
#include "render/font_service_qt.h"
#include "render/map_drawing.h"
#include "render/map_painting.h"
#include "render/paint_recording.h"
#include "render/painter_device.h"
#include "render/view_transform.h"

namespace zelk {
namespace {

using namespace datagen;

class QuietSink : public MessageSink {
 public:
  void Error(const std::string& m, int) override { std::fprintf(stderr, "%s\n", m.c_str()); }
  bool Confirm(const std::string&, int) override { return true; }
  Answer Ask(const std::string&, int) override { return Answer::No; }
};

using bench::kHeight;
using bench::kObjects;
using bench::kWidth;
constexpr auto BuildMap = bench::BuildBenchMap;

struct BenchMap {
  QuietSink sink;
  MapStore store{&sink};
  std::string path = (std::filesystem::temp_directory_path() / "zelk-render-bench.zkm").string();
  BenchMap() { BuildMap(store, path); }
  ~BenchMap() {
    store.CloseWorkingFile();
    std::filesystem::remove(path);
  }
};

BenchMap& Map() {
  static BenchMap map;
  return map;
}

// The shipped demo map, opened from a copy.
struct DemoMap {
  QuietSink sink;
  MapStore store{&sink};
  std::string path =
      (std::filesystem::temp_directory_path() / "zelk-render-bench-demo.zkm").string();
  bool ok = false;
  DemoMap() {
    std::error_code ec;
    std::filesystem::copy_file(std::string(ZELK_SHIPPED_DATA_DIR) + "/demo.zkm", path,
                               std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) return;
    store.WorkingFile().OpenExisting(path);
    ok = store.LoadFromWorkingFile();
  }
  ~DemoMap() {
    store.CloseWorkingFile();
    std::filesystem::remove(path);
  }
};

DemoMap& Demo() {
  static DemoMap map;
  return map;
}

constexpr double kScreenScale = 1080.0 / kHeight;  // the whole sheet in 1440 x 1080 of 1920 x 1080

// Device units per map unit on the screen, with the region's top left at the device's.
OutputState ScreenState(const Box& region, double pixelsPerUnit) {
  OutputState state;
  state.scaleX = pixelsPerUnit / 256;
  state.scaleY = -state.scaleX;
  state.originX = region.left;
  state.originY = region.top;
  state.clipRectangle = region;
  state.curveTolerance = static_cast<int32_t>(4 / pixelsPerUnit);
  return state;
}

// As the bitmap export sets it up.
OutputState ResolutionState(const Box& region, int dotsPerInch) {
  OutputState state;
  state.screen = false;
  SetResolutionTransform(state, dotsPerInch, 1.0, region.left & kPosMask, region.top & kPosMask);
  state.clipRectangle = region;
  return state;
}

// Draws `region` of the benchmark map on one thread on whatever `target` is: an image, or a
// recording of the painter's calls, which stands for the image and so gets the calls an image
// gets. This is the baseline's recording.
int64_t Draw(QPaintDevice& target, const OutputState& state, const Box& region, bool antialiased) {
  QPainter painter(&target);
  PainterDevice device(painter, state);
  device.SetAntialiasing(antialiased);
  device.SetStamping(true);
  FixedMetricsFonts fonts;  // the map has no texts
  RenderScratch scratch;
  RenderContext ctx{device, fonts, scratch};
  return DrawMapRegion(Map().store, ctx, region).objectsDrawn;
}

// As the editor and the bitmap export draw: on two threads, or on this one.
int64_t DrawOnImage(QImage& image, const OutputState& state, const Box& region, bool antialiased,
                    bool oneThread = false) {
  image.fill(Qt::white);
  QPainter painter(&image);
  FixedMetricsFonts fonts;  // the map has no texts
  RenderScratch scratch;
  MapPainting how;
  how.state = state;
  how.antialiased = antialiased;
  how.fonts = &fonts;
  how.oneThread = oneThread;
  return PaintMapRegion(Map().store, painter, how, region, scratch).objectsDrawn;
}

void ReplayOnImage(QImage& image, const PainterRecording& recording) {
  image.fill(Qt::white);
  QPainter painter(&image);
  recording.Replay(painter);
}

// Wall and processor time of one piece of work, the processor time of all threads.
struct Times {
  double wall = 0;
  double cpu = 0;
};

double ProcessSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

Times TimesOf(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = ProcessSeconds();
  work();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          ProcessSeconds() - cpuStart};
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

int64_t DifferentPixels(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return -1;
  int64_t n = 0;
  for (int y = 0; y < a.height(); ++y) {
    const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
    const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x) n += (p[x] & 0xffffff) != (q[x] & 0xffffff);
  }
  return n;
}

// Our drawing of `region` against the replay of the painter calls it makes, alternating in
// every iteration; the iteration time is ours. Counters, all medians: ours and the replay in
// milliseconds of wall time and their ratio; the ratio of the fastest runs; the drawing on one
// thread against the replay; and the processor time of all threads against the replay's.
void RunAgainstReplay(benchmark::State& state, QSize size, const OutputState& output,
                      const Box& region, bool antialiased) {
  QImage ours(size, QImage::Format_RGB32), replayed(size, QImage::Format_RGB32);
  PainterRecording recording;
  {
    PaintRecordingDevice device(ours, &recording);
    Draw(device, output, region, antialiased);
  }
  const int64_t drawn = DrawOnImage(ours, output, region, antialiased);
  ReplayOnImage(replayed, recording);
  if (recording.Unsupported() > 0) {
    state.SkipWithError("the recording missed calls");
    return;
  }
  if (const int64_t d = DifferentPixels(ours, replayed); d != 0) {
    state.SkipWithError(("the replay differs in " + std::to_string(d) + " pixels").c_str());
    return;
  }
  QImage single(size, QImage::Format_RGB32);
  DrawOnImage(single, output, region, antialiased, true);
  if (const int64_t d = DifferentPixels(ours, single); d != 0) {
    state.SkipWithError(("one thread differs in " + std::to_string(d) + " pixels").c_str());
    return;
  }
  std::vector<double> mine, theirs, oneThread, mineCpu, theirsCpu;
  for (auto _ : state) {
    const Times a = TimesOf([&] { DrawOnImage(ours, output, region, antialiased); });
    const Times b = TimesOf([&] { ReplayOnImage(replayed, recording); });
    const Times c = TimesOf([&] { DrawOnImage(single, output, region, antialiased, true); });
    state.SetIterationTime(a.wall);
    mine.push_back(a.wall);
    theirs.push_back(b.wall);
    oneThread.push_back(c.wall);
    mineCpu.push_back(a.cpu);
    theirsCpu.push_back(b.cpu);
  }
  const double ourMedian = Median(mine), replayMedian = Median(theirs);
  state.counters["objects"] = static_cast<double>(drawn);
  state.counters["calls"] = static_cast<double>(recording.CallCount());
  state.counters["ours_ms"] = ourMedian * 1000;
  state.counters["replay_ms"] = replayMedian * 1000;
  state.counters["ratio"] = ourMedian / replayMedian;
  state.counters["ratio_min"] =
      *std::min_element(mine.begin(), mine.end()) / *std::min_element(theirs.begin(), theirs.end());
  state.counters["one_thread_ratio"] = Median(oneThread) / replayMedian;
  state.counters["cpu_ratio"] = Median(mineCpu) / Median(theirsCpu);
}

// The whole sheet in a 1920 x 1080 work window; argument 1 draws with smooth edges, as the
// editor does by default.
void BM_WholeMapOnScreen(benchmark::State& state) {
  const Box whole{0, 0, kWidth * 256, kHeight * 256};
  RunAgainstReplay(state, QSize(1920, 1080), ScreenState(whole, kScreenScale), whole,
                   state.range(0) != 0);
}
BENCHMARK(BM_WholeMapOnScreen)
    ->ArgName("antialiased")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(7);

// The drawing of the bitmap export at 300 DPI, without writing the file.
void BM_WholeMapAt300Dpi(benchmark::State& state) {
  Box extent;
  Map().store.MapExtent(&extent);
  const BitmapSize size = BitmapSizeFor(extent, 300);
  RunAgainstReplay(state, QSize(static_cast<int>(size.width), static_cast<int>(size.height)),
                   ResolutionState(extent, 300), extent, false);
}
BENCHMARK(BM_WholeMapAt300Dpi)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(7);

// A 100 x 100 mm window at the screen scale: the time per object drawn should match the whole.
void BM_DrawWindowOnScreen(benchmark::State& state) {
  const int side = static_cast<int>(10000 * kScreenScale);
  QImage image(side, side, QImage::Format_RGB32);
  const Box window{15000 * 256, 10000 * 256, 25000 * 256, 20000 * 256};
  int64_t drawn = 0;
  for (auto _ : state) drawn = DrawOnImage(image, ScreenState(window, kScreenScale), window, false);
  state.counters["objects"] = static_cast<double>(drawn);
  state.counters["objects/s"] =
      benchmark::Counter(static_cast<double>(drawn), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_DrawWindowOnScreen)->Unit(benchmark::kMillisecond)->UseRealTime();

void ExportAt300Dpi(benchmark::State& state, MapStore& store, const char* name) {
  const std::string out = (std::filesystem::temp_directory_path() / name).string();
  QuietSink sink;
  QtFontService fonts;
  for (auto _ : state) {
    if (ExportBitmap(store, {out, 300, &fonts}, &sink) != ExportResult::Written)
      state.SkipWithError("export failed");
  }
  Box extent;
  DrawableExtent(store, &extent);
  const BitmapSize size = BitmapSizeFor(extent, 300);
  state.counters["width"] = static_cast<double>(size.width);
  state.counters["height"] = static_cast<double>(size.height);
  std::filesystem::remove(out);
}

// Drawing and writing the file.
void BM_ExportBmpAt300Dpi(benchmark::State& state) {
  ExportAt300Dpi(state, Map().store, "zelk-render-bench.bmp");
}
BENCHMARK(BM_ExportBmpAt300Dpi)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_ExportDemoBmpAt300Dpi(benchmark::State& state) {
  if (!Demo().ok) {
    state.SkipWithError("demo map not found");
    return;
  }
  ExportAt300Dpi(state, Demo().store, "zelk-render-bench-demo.bmp");
}
BENCHMARK(BM_ExportDemoBmpAt300Dpi)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The drawing part of the demo export alone; the rest of the export is writing the file.
void BM_DrawDemoAt300Dpi(benchmark::State& state) {
  if (!Demo().ok) {
    state.SkipWithError("demo map not found");
    return;
  }
  Box extent;
  DrawableExtent(Demo().store, &extent);
  const BitmapSize size = BitmapSizeFor(extent, 300);
  QImage image(static_cast<int>(size.width), static_cast<int>(size.height), QImage::Format_RGB32);
  QtFontService fonts;
  for (auto _ : state) RenderMapImage(Demo().store, extent, 300, fonts, image);
}
BENCHMARK(BM_DrawDemoAt300Dpi)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Writing the demo's 300 DPI picture as a BMP file, its sync to disk included, without the
// drawing.
void BM_WriteDemoBmpAt300Dpi(benchmark::State& state) {
  if (!Demo().ok) {
    state.SkipWithError("demo map not found");
    return;
  }
  Box extent;
  DrawableExtent(Demo().store, &extent);
  const BitmapSize size = BitmapSizeFor(extent, 300);
  QImage image(static_cast<int>(size.width), static_cast<int>(size.height), QImage::Format_RGB32);
  QtFontService fonts;
  RenderMapImage(Demo().store, extent, 300, fonts, image);
  const std::string out =
      (std::filesystem::temp_directory_path() / "zelk-render-bench-write.bmp").string();
  QuietSink sink;
  for (auto _ : state) {
    if (!WriteImageAsBmp(out, image, 300, &sink)) state.SkipWithError("write failed");
  }
  std::filesystem::remove(out);
}
BENCHMARK(BM_WriteDemoBmpAt300Dpi)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Writes the benchmark map to `path` for tools that compare pictures.
int WriteMap(const std::string& path) {
  QuietSink sink;
  MapStore store(&sink);
  BuildMap(store, path);
  store.CloseWorkingFile();
  if (!std::filesystem::exists(path)) return 1;
  std::printf("Wrote %s\n", path.c_str());
  return 0;
}

}  // namespace
}  // namespace zelk

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-map") == 0) return zelk::WriteMap(argv[2]);
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  zelk::Map();  // build the map before any timing
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
