// DXF figures: the import of a 54 MB R12 drawing (50000 POLYLINEs of 20 VERTEXes) into an empty
// map beside a plain scan of the file's lines, and the export of the 100000-object benchmark map
// beside a copy of the map file. Each prints its time and the ratio to its baseline.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "bench_map.h"
#include "exchange/dxf_export.h"
#include "exchange/dxf_import.h"

namespace zelk {
namespace {

namespace fs = std::filesystem;

class QuietSink : public MessageSink {
 public:
  void Error(const std::string& m, int) override { std::fprintf(stderr, "%s\n", m.c_str()); }
  bool Confirm(const std::string&, int) override { return true; }
  Answer Ask(const std::string&, int) override { return Answer::No; }
};

const std::string& Drawing() {
  static const std::string path = [] {
    const std::string p = (fs::temp_directory_path() / "zelk-exchange-bench.dxf").string();
    std::ofstream out(p, std::ios::binary);
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> at(0, 30000), step(-40, 40);
    std::string s = "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n";
    char line[160];
    for (int i = 0; i < 50000; ++i) {
      s += "  0\r\nPOLYLINE\r\n  8\r\nCONTOUR_" + std::to_string(i % 40) + "\r\n 66\r\n1\r\n";
      double x = at(rng), y = at(rng);
      for (int v = 0; v < 20; ++v) {
        std::snprintf(line, sizeof line,
                      "  0\r\nVERTEX\r\n  8\r\nC%02d\r\n 10\r\n%.4f\r\n 20\r\n%.4f\r\n", i % 40, x,
                      y);
        s += line;
        x += step(rng);
        y += step(rng);
      }
      s += "  0\r\nSEQEND\r\n  8\r\nCONTOUR_" + std::to_string(i % 40) + "\r\n";
      if (s.size() > (1 << 20)) {
        out << s;
        s.clear();
      }
    }
    out << s << "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
    return p;
  }();
  return path;
}

double Seconds(const std::chrono::steady_clock::time_point& t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Every line read, nothing kept: the least any reader of the file must do.
double ScanLines(const std::string& path) {
  const auto t0 = std::chrono::steady_clock::now();
  std::FILE* f = std::fopen(path.c_str(), "rb");
  std::vector<char> buf(1 << 20);
  size_t lines = 0, n;
  while ((n = std::fread(buf.data(), 1, buf.size(), f)) > 0)
    for (size_t i = 0; i < n; ++i) lines += buf[i] == '\n';
  std::fclose(f);
  benchmark::DoNotOptimize(lines);
  return Seconds(t0);
}

void BM_ImportDxf54MB(benchmark::State& state) {
  const std::string& dxf = Drawing();
  double scan = 0;
  for (auto _ : state) {
    scan = ScanLines(dxf);
    QuietSink sink;
    MapStore store(&sink);
    const std::string map = (fs::temp_directory_path() / "zelk-exchange-import.zkm").string();
    store.CreateEmptyMap(map);
    store.MutableSetup().SetMapScale(15000);
    CrossRefTable table;
    NullProgress progress;
    DxfImportParams params;
    params.factor = GisFactor(15000);
    params.offsetX = params.offsetY = 15000;
    const auto t0 = std::chrono::steady_clock::now();
    DxfReader reader(dxf);
    const DxfImportResult r = ImportDxf(store, reader, params, table, nullptr, progress);
    state.SetIterationTime(Seconds(t0));
    state.counters["objects"] = static_cast<double>(r.added.size());
    store.CloseWorkingFile();
    fs::remove(map);
  }
  state.counters["file_MB"] = static_cast<double>(fs::file_size(dxf)) / 1e6;
  state.counters["scan_ms"] = scan * 1000;
}
BENCHMARK(BM_ImportDxf54MB)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_ExportBenchMap(benchmark::State& state) {
  QuietSink sink;
  MapStore store(&sink);
  const std::string map = (fs::temp_directory_path() / "zelk-exchange-export.zkm").string();
  bench::BuildBenchMap(store, map);
  store.MutableSetup().SetMapScale(15000);
  const std::string out = (fs::temp_directory_path() / "zelk-exchange-export.dxf").string();
  const std::string copy = (fs::temp_directory_path() / "zelk-exchange-copy.zkm").string();
  double copyTime = 0;
  for (auto _ : state) {
    const auto c0 = std::chrono::steady_clock::now();
    fs::copy_file(map, copy, fs::copy_options::overwrite_existing);
    copyTime = Seconds(c0);
    CrossRefTable table;
    NullProgress progress;
    const auto t0 = std::chrono::steady_clock::now();
    const DxfExportResult r = ExportDxf(store, out, DxfExportParams{}, table, sink, progress);
    const double t = Seconds(t0);
    state.SetIterationTime(t);
    state.counters["objects"] = r.exported;
    state.counters["ratio_to_copy"] = t / copyTime;
  }
  state.counters["dxf_MB"] = static_cast<double>(fs::file_size(out)) / 1e6;
  state.counters["copy_ms"] = copyTime * 1000;
  store.CloseWorkingFile();
  for (const std::string& p : {map, out, copy}) fs::remove(p);
}
BENCHMARK(BM_ExportBenchMap)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

}  // namespace
}  // namespace zelk

BENCHMARK_MAIN();
