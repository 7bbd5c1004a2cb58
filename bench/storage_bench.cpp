// Storage engine figures: adding, opening and searching a map of 256000 objects.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <vector>

#include "storage/document.h"
#include "storage/map_store.h"
#include "storage/symbol_records.h"

namespace zelk {
namespace {

class QuietSink : public MessageSink {
 public:
  void Error(const std::string& m, int) override { std::fprintf(stderr, "%s\n", m.c_str()); }
  bool Confirm(const std::string&, int) override { return true; }
  Answer Ask(const std::string&, int) override { return Answer::No; }
};

std::string BenchMapPath() {
  return (std::filesystem::temp_directory_path() / "zelk-bench-256k.zkm").string();
}

// 50 colours, 100 symbols of a given extent, `count` lines of 2..8 points over 400 x 300 mm.
void BuildMap(MapStore& store, const std::string& path, int count = kMaxObjectCount,
              int extent = 25) {
  store.CreateEmptyMap(path);
  SymbolHeader& h = store.MutableColors();
  h.colorCount = 50;
  for (int c = 0; c < 50; ++c)
    h.colors[static_cast<size_t>(c)] =
        ColorRecord::NewColor(static_cast<int16_t>(c), "C" + std::to_string(c));
  for (int s = 0; s < 100; ++s) {
    SymbolRecord r = LineSymbol{}.Encode();
    r.SetNumber(1000 + s * 10);
    r.SetExtent(extent);
    ColorSet set;
    set.Add(s % 50);
    r.SetColors(set);
    store.AppendSymbol(r);
  }
  store.RewriteSymbolIndex();
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> x(0, 40000), y(0, 30000), d(-300, 300), sym(0, 99), pts(2, 8);
  ObjectRecord o;
  o.type = ObjectType::Line;
  WriteBatch batch(store);
  for (int i = 0; i < count; ++i) {
    o.symbol = static_cast<int16_t>(1000 + sym(rng) * 10);
    o.coords.clear();
    int px = x(rng), py = y(rng);
    for (int k = pts(rng); k > 0; --k) {
      o.coords.push_back(Coord::FromUnits(px, py));
      px += d(rng);
      py += d(rng);
    }
    if (!store.AddObject(o)) std::abort();
  }
  if (!batch.Commit()) std::abort();
}

// ---------------------------------------------------------------------------------------
// Adding and opening, each with a baseline measured in the same run.

using BenchClock = std::chrono::steady_clock;

double SecondsSince(BenchClock::time_point start) {
  return std::chrono::duration<double>(BenchClock::now() - start).count();
}

// The lines BuildMap adds, made before the clock starts.
std::vector<ObjectRecord> BenchLines(int count) {
  std::vector<ObjectRecord> lines;
  lines.reserve(static_cast<size_t>(count));
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> x(0, 40000), y(0, 30000), d(-300, 300), sym(0, 99), pts(2, 8);
  for (int i = 0; i < count; ++i) {
    ObjectRecord o;
    o.type = ObjectType::Line;
    o.symbol = static_cast<int16_t>(1000 + sym(rng) * 10);
    int px = x(rng), py = y(rng);
    for (int k = pts(rng); k > 0; --k) {
      o.coords.push_back(Coord::FromUnits(px, py));
      px += d(rng);
      py += d(rng);
    }
    lines.push_back(std::move(o));
  }
  return lines;
}

// The floor for writing a file: `size` bytes written into a new file in 1 MiB pieces.
double PlainWriteSeconds(const std::string& path, int64_t size) {
  std::vector<char> chunk(1 << 20, 'z');
  std::filesystem::remove(path);
  const auto start = BenchClock::now();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  for (int64_t done = 0; done < size;) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(size - done, 1 << 20));
    if (std::fwrite(chunk.data(), 1, n, f) != n) std::abort();
    done += static_cast<int64_t>(n);
  }
  std::fclose(f);
  return SecondsSince(start);
}

double Min(const std::vector<double>& v) {
  return *std::min_element(v.begin(), v.end());
}

// Adds the 256000 lines to a new map, in one batch (argument 1) or one by one as the editor
// adds a drawn object (0). The clock runs from the first addition to the closed file.
void BM_Add256000Objects(benchmark::State& state) {
  const bool batched = state.range(0) != 0;
  std::vector<ObjectRecord> lines = BenchLines(kMaxObjectCount);
  const auto folder = std::filesystem::temp_directory_path();
  const std::string path = (folder / "zelk-bench-add.zkm").string();
  for (auto _ : state) {
    QuietSink sink;
    MapStore store(&sink);
    // A new file each time: emptying the last one would make ext4 write it out on closing.
    std::filesystem::remove(path);
    BuildMap(store, path, 0);
    const auto start = BenchClock::now();
    std::optional<WriteBatch> batch;
    if (batched) batch.emplace(store);
    for (ObjectRecord& o : lines)
      if (!store.AddObject(o)) std::abort();
    if (batch && !batch->Commit()) std::abort();
    const int64_t size = store.FileEnd();
    store.CloseWorkingFile();
    const double ours = SecondsSince(start);
    state.SetIterationTime(ours);
    const double plain = PlainWriteSeconds((folder / "zelk-bench-plain").string(), size);
    state.counters["plain_write_ms"] = plain * 1000;
    state.counters["ratio"] = ours / plain;
  }
  std::filesystem::remove(folder / "zelk-bench-plain");
  std::filesystem::remove(path);
  state.SetItemsProcessed(state.iterations() * kMaxObjectCount);
}
BENCHMARK(BM_Add256000Objects)
    ->ArgName("batched")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ComputeStatistics("min", Min);

// Processor time (user and system) of this process, or of its finished children.
double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs a program and waits for it; false when it did not exit with 0.
bool RunProgram(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Opens the 256000-object map as the user does (copy to the working file, then load), against
// `cp` of the same file in the same run. Both copy into a new file. The processor times
// compare the two when other programs share the machine.
void BM_Open256000Objects(benchmark::State& state) {
  const std::string map = BenchMapPath();
  QuietSink sink;
  if (!std::filesystem::exists(map)) {
    MapStore store(&sink);
    BuildMap(store, map);
    store.CloseWorkingFile();
  }
  const auto folder = std::filesystem::temp_directory_path() / "zelk-bench-open";
  std::filesystem::create_directories(folder);
  const std::string temp = (folder / "temp.~km").string();
  const std::string copy = (folder / "copy.zkm").string();
  Preferences prefs;
  prefs.autoSave = false;
  for (auto _ : state) {
    std::filesystem::remove(temp);
    std::filesystem::remove(copy);
    const double cpCpuStart = CpuSeconds(RUSAGE_CHILDREN);
    const auto cpStart = BenchClock::now();
    if (!RunProgram({"/bin/cp", map, copy})) std::abort();
    const double cp = SecondsSince(cpStart);
    const double cpCpu = CpuSeconds(RUSAGE_CHILDREN) - cpCpuStart;
    Document doc(&sink, &prefs, nullptr, temp);
    const double cpuStart = CpuSeconds(RUSAGE_SELF);
    const auto start = BenchClock::now();
    if (!doc.Open(map)) std::abort();
    const double ours = SecondsSince(start);
    const double oursCpu = CpuSeconds(RUSAGE_SELF) - cpuStart;
    benchmark::DoNotOptimize(doc.Store().ObjectCount());
    doc.Close();
    state.SetIterationTime(ours);
    state.counters["cp_ms"] = cp * 1000;
    state.counters["ratio"] = ours / cp;
    state.counters["cpu_ratio"] = oursCpu / cpCpu;
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_Open256000Objects)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(15)
    ->ComputeStatistics("min", Min);

// ---------------------------------------------------------------------------------------

// One colour in a 100 x 100 mm window of the 400 x 300 mm map.
void BM_SearchWindowOneColour(benchmark::State& state) {
  QuietSink sink;
  MapStore store(&sink);
  store.WorkingFile().OpenExisting(BenchMapPath());
  store.LoadFromWorkingFile();
  const Box window{15000 * 256, 10000 * 256, 25000 * 256, 20000 * 256};
  int64_t found = 0;
  for (auto _ : state) {
    const int32_t count = store.ObjectCount();
    int32_t cur = count;
    for (;;) {
      const SearchResult r = store.Search(window, count, 17, &cur);
      if (r.found) ++found;
      if (r.done) break;
    }
  }
  state.counters["found"] = static_cast<double>(found) / static_cast<double>(state.iterations());
  store.CloseWorkingFile();
}
BENCHMARK(BM_SearchWindowOneColour)->Unit(benchmark::kMillisecond);

// Objects spatially ordered (as a map drawn area by area is): block skipping pays off.
void BM_SearchWindowAllColours(benchmark::State& state) {
  QuietSink sink;
  MapStore store(&sink);
  store.WorkingFile().OpenExisting(BenchMapPath());
  store.LoadFromWorkingFile();
  const Box window{15000 * 256, 10000 * 256, 25000 * 256, 20000 * 256};
  for (auto _ : state) {
    const int32_t count = store.ObjectCount();
    int32_t cur = count;
    for (;;) {
      const SearchResult r = store.Search(window, count, -1, &cur);
      if (r.done) break;
    }
  }
  store.CloseWorkingFile();
}
BENCHMARK(BM_SearchWindowAllColours)->Unit(benchmark::kMillisecond);

// Load symbols into a map of 100000 objects: the new symbols are wider, so every entry changes.
void BM_LoadSymbolsInto100000Objects(benchmark::State& state) {
  const auto folder = std::filesystem::temp_directory_path();
  const std::string map = (folder / "zelk-bench-100k.zkm").string();
  const std::string scratch = (folder / "zelk-bench-100k-scratch.zkm").string();
  const std::string set = (folder / "zelk-bench-set.zkm").string();
  QuietSink sink;
  {
    MapStore store(&sink);
    BuildMap(store, map, 100000);
    store.CloseWorkingFile();
    BuildMap(store, set, 0, 60);
    store.CloseWorkingFile();
  }
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::copy_file(map, scratch, std::filesystem::copy_options::overwrite_existing);
    Preferences prefs;
    prefs.autoSave = true;
    Document doc(&sink, &prefs, nullptr, (folder / "zelk-bench-temp.~km").string());
    if (!doc.Open(scratch)) std::abort();
    state.ResumeTiming();
    if (!doc.LoadSymbolsFrom(set)) std::abort();
    state.PauseTiming();
    doc.Close();
    state.ResumeTiming();
  }
  std::filesystem::remove(scratch);
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_LoadSymbolsInto100000Objects)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace zelk

BENCHMARK_MAIN();
