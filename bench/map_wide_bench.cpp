// Map-wide operations on a map of 256000 objects: move, rotate, change of scale and optimize,
// and backup and restore against a plain copy of the same file.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>

#include "storage/backup.h"
#include "storage/map_store.h"
#include "storage/map_wide.h"
#include "storage/optimize.h"
#include "storage/symbol_records.h"

namespace zelk {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class QuietSink : public MessageSink {
 public:
  void Error(const std::string& m, int) override { std::fprintf(stderr, "%s\n", m.c_str()); }
  bool Confirm(const std::string&, int) override { return true; }
  Answer Ask(const std::string&, int) override { return Answer::Yes; }
};

fs::path Folder() {
  const fs::path p = fs::temp_directory_path() / "zelk-bench-mapwide";
  fs::create_directories(p);
  return p;
}

// 100 line symbols over 50 colours and 256000 lines of 2..8 points on 400 x 300 mm; every
// tenth object deleted, so that optimize has work to do.
const std::string& PristineMap() {
  static const std::string path = [] {
    const std::string p = (Folder() / "pristine.zkm").string();
    QuietSink sink;
    MapStore store(&sink);
    store.CreateEmptyMap(p);
    SymbolHeader& h = store.MutableColors();
    h.colorCount = 50;
    for (int c = 0; c < 50; ++c)
      h.colors[static_cast<size_t>(c)] =
          ColorRecord::NewColor(static_cast<int16_t>(c), "C" + std::to_string(c));
    for (int s = 0; s < 100; ++s) {
      LineSymbol l;
      l.LineColor = static_cast<int16_t>(s % 50);
      l.LineWidth = 30;
      SymbolRecord r = l.Encode();
      r.SetNumber(1000 + s * 10);
      r.SetExtent(15);
      ColorSet set;
      set.Add(s % 50);
      r.SetColors(set);
      store.AppendSymbol(r);
    }
    store.RewriteSymbolIndex();
    store.MutableSetup().SetMapScale(15000);
    store.WriteSettings();
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> x(0, 40000), y(0, 30000), d(-300, 300), sym(0, 99),
        pts(2, 8);
    ObjectRecord o;
    o.type = ObjectType::Line;
    {
      WriteBatch batch(store);
      for (int i = 0; i < kMaxObjectCount; ++i) {
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
      for (int n = 10; n <= kMaxObjectCount; n += 10) store.DeleteObject(n);
      if (!batch.Commit()) std::abort();
    }
    store.CloseWorkingFile();
    return p;
  }();
  return path;
}

// A fresh copy of the map, open in `store`.
void OpenCopy(MapStore& store) {
  const std::string work = (Folder() / "work.zkm").string();
  fs::copy_file(PristineMap(), work, fs::copy_options::overwrite_existing);
  store.WorkingFile().OpenExisting(work);
  if (!store.LoadFromWorkingFile()) std::abort();
}

template <typename Op>
void RunOnMap(benchmark::State& state, Op op) {
  for (auto _ : state) {
    QuietSink sink;
    MapStore store(&sink);
    OpenCopy(store);
    NullProgress progress;
    const auto start = Clock::now();
    op(store, progress);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    store.CloseWorkingFile();
  }
}

void BM_MoveMap(benchmark::State& state) {
  RunOnMap(state, [](MapStore& s, Progress& p) {
    if (!TransformMap(s, MapTransform::Move(10 * kWordsPerMm, -5 * kWordsPerMm), p).ok)
      std::abort();
  });
}
BENCHMARK(BM_MoveMap)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RotateMap(benchmark::State& state) {
  RunOnMap(state, [](MapStore& s, Progress& p) {
    if (!TransformMap(s, MapTransform::Rotate(12.5, true), p).ok) std::abort();
  });
}
BENCHMARK(BM_RotateMap)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ChangeScaleWithSymbols(benchmark::State& state) {
  RunOnMap(state, [](MapStore& s, Progress& p) {
    if (!ChangeScale(s, 10000, true, p).ok) std::abort();
  });
}
BENCHMARK(BM_ChangeScaleWithSymbols)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Optimize(benchmark::State& state) {
  RunOnMap(state, [](MapStore& s, Progress& p) {
    if (!OptimizeMap(s, false, p).ok) std::abort();
  });
}
BENCHMARK(BM_Optimize)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

struct NoQuestions : BackupUi {
  bool NextDisk(int, BackupDrive&) override { return false; }
  NextOrDone NextDiskOrDone(int, BackupDrive&) override { return NextOrDone::AllDone; }
  NotEmpty DiskNotEmpty(const std::vector<std::string>&) override { return NotEmpty::Overwrite; }
  bool DiskError(const std::string& m, int) override {
    std::fprintf(stderr, "%s\n", m.c_str());
    return false;
  }
  void Error(const std::string& m, int) override { std::fprintf(stderr, "%s\n", m.c_str()); }
};

double MegabytesPerSecond(int64_t bytes, double seconds) {
  return static_cast<double>(bytes) / 1e6 / seconds;
}

// Backup onto one disk and restore from it, each beside a plain copy of the same file.
void BM_BackupRestoreAgainstCopy(benchmark::State& state) {
  const std::string map = PristineMap();
  const auto bytes = static_cast<int64_t>(fs::file_size(map));
  const fs::path disk = Folder() / "disk1";
  double backup = 0, restore = 0, copy = 0;
  for (auto _ : state) {
    fs::remove_all(disk);
    fs::create_directories(disk);
    NoQuestions ui;
    NullProgress progress;
    BackupDrive drive{"A:", disk.string(), -1};
    auto start = Clock::now();
    if (Backup(map, map, drive, ui, progress, SystemFiles()) != BackupOutcome::Done) std::abort();
    backup = std::chrono::duration<double>(Clock::now() - start).count();
    const std::string target = (Folder() / "restored.zkm").string();
    start = Clock::now();
    if (Restore(
            drive, ui, [&](const std::string&) { return std::optional<std::string>(target); },
            progress, SystemFiles()) != BackupOutcome::Done)
      std::abort();
    restore = std::chrono::duration<double>(Clock::now() - start).count();
    start = Clock::now();
    fs::copy_file(map, (Folder() / "copied.zkm").string(), fs::copy_options::overwrite_existing);
    copy = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(backup + restore);
  }
  state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["backup_MBps"] = MegabytesPerSecond(bytes, backup);
  state.counters["restore_MBps"] = MegabytesPerSecond(bytes, restore);
  state.counters["copy_MBps"] = MegabytesPerSecond(bytes, copy);
}
BENCHMARK(BM_BackupRestoreAgainstCopy)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
}  // namespace zelk

BENCHMARK_MAIN();
