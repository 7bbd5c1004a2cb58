// Output figures: the EPS file of the 100000-object benchmark map beside the time Ghostscript
// takes to render it at 300 DPI, and a spot-separation print of the demo map to PostScript
// files. Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "bench_map.h"
#include "output/eps_writer.h"
#include "output/print_job.h"
#include "render/font_service_qt.h"

namespace zelk {
namespace {

namespace fs = std::filesystem;

class QuietSink : public MessageSink {
 public:
  void Error(const std::string& m, int) override { std::fprintf(stderr, "%s\n", m.c_str()); }
  bool Confirm(const std::string&, int) override { return true; }
  Answer Ask(const std::string&, int) override { return Answer::No; }
};

double Seconds(const std::chrono::steady_clock::time_point& t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

QtFontService& Fonts() {
  static QtFontService fonts;
  return fonts;
}

void BM_EpsOfTheBenchmarkMap(benchmark::State& state) {
  QuietSink sink;
  MapStore store(&sink);
  const std::string map = (fs::temp_directory_path() / "zelk-output-bench.zkm").string();
  bench::BuildBenchMap(store, map);
  const std::string eps = (fs::temp_directory_path() / "zelk-output-bench.eps").string();
  EpsExportRequest rq;
  rq.path = eps;
  rq.fonts = &Fonts();
  DefaultPrintWindow(store, &rq.printWindow);
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    if (ExportEpsFile(store, rq, &sink) != OutputResult::Written) state.SkipWithError("failed");
    state.SetIterationTime(Seconds(t0));
  }
  state.counters["eps_MB"] = static_cast<double>(fs::file_size(eps)) / 1e6;
  // The same picture rendered by Ghostscript at 300 DPI, for scale.
  if (std::system("gs --version > /dev/null 2>&1") == 0) {
    const auto t0 = std::chrono::steady_clock::now();
    const std::string cmd =
        "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=png16m -r300 -dEPSCrop "
        "-sOutputFile=/dev/null '" +
        eps + "' > /dev/null 2>&1";
    if (std::system(cmd.c_str()) == 0) state.counters["gs_300dpi_s"] = Seconds(t0);
  }
  store.CloseWorkingFile();
  fs::remove(map);
  fs::remove(eps);
}
BENCHMARK(BM_EpsOfTheBenchmarkMap)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_SpotSeparationPrintOfTheDemoMap(benchmark::State& state) {
  QuietSink sink;
  MapStore store(&sink);
  const fs::path dir = fs::temp_directory_path() / "zelk-output-bench";
  fs::create_directories(dir);
  const std::string map = (dir / "demo.zkm").string();
  fs::copy_file(std::string(ZELK_SHIPPED_DATA_DIR) + "/demo.zkm", map,
                fs::copy_options::overwrite_existing);
  store.WorkingFile().OpenExisting(map);
  store.LoadFromWorkingFile();
  PrintSettings settings;
  settings.kind = PrintKind::SpotSeparations;
  for (int i = 0; i < store.Colors().separationCount; ++i) settings.separations.push_back(i);
  DefaultPrintWindow(store, &settings.window);
  size_t files = 0;
  for (auto _ : state) {
    std::vector<std::string> written;
    const auto t0 = std::chrono::steady_clock::now();
    PrintToPostScriptFiles(store, &Fonts(), settings, PostScriptPaper{}, (dir / "demo.ps").string(),
                           &sink, &written);
    state.SetIterationTime(Seconds(t0));
    files = written.size();
  }
  state.counters["plates"] = static_cast<double>(files);
  store.CloseWorkingFile();
  fs::remove_all(dir);
}
BENCHMARK(BM_SpotSeparationPrintOfTheDemoMap)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);

}  // namespace
}  // namespace zelk

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
