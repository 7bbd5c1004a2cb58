// Storage engine figures: adding, opening and searching a map of 256000 objects.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "storage/clipboard_blocks.h"
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

// ---------------------------------------------------------------------------------------
// Window searches and the index work of a zoomed redraw, on two maps of the same 256000 objects:
// one with the objects added in shuffled order, one with them added tile by tile (10 x 10 mm
// tiles, row by row), as a map drawn area by area is. Every query is timed beside the same
// window query on an SQLite R*Tree holding the same boxes, in the same run: "rtree_us" is its
// time and "ratio" ours / R*Tree.

// The clipboard's share of Copy and Paste of 500 objects: reading them from the map, the block
// written and read back, and the copies added in one batch, as the Edit commands do.
void BM_CopyAndPaste500Objects(benchmark::State& state) {
  const std::string path =
      (std::filesystem::temp_directory_path() / "zelk-bench-clip.zkm").string();
  QuietSink sink;
  MapStore store(&sink);
  BuildMap(store, path, 0);
  std::vector<ObjectRecord> lines = BenchLines(500);
  for (ObjectRecord& o : lines)
    if (!store.AddObject(o)) std::abort();
  for (auto _ : state) {
    std::vector<ObjectRecord> copied;
    Box extent;
    for (int32_t n = 1; n <= 500; ++n) {
      ObjectRecord o;
      IndexEntry e;
      if (!store.ReadEntry(n, &e) || !store.ReadObject(n, &o)) std::abort();
      if (n == 1)
        extent = e.box;
      else
        extent.Unite(e.box);
      copied.push_back(std::move(o));
    }
    const std::optional<std::vector<uint8_t>> block =
        EncodeObjectBlock(copied, ClipboardOrigin(extent));
    if (!block) std::abort();
    std::vector<ObjectRecord> pasted = DecodeObjectBlock(*block);
    store.BeginBatch();
    for (ObjectRecord& o : pasted) {
      MoveCoordinates(o, 256 * 1000, 0);
      if (!store.AddObject(o)) std::abort();
    }
    if (!store.EndBatch()) std::abort();
    state.counters["block_bytes"] = static_cast<double>(block->size());
  }
  store.CloseWorkingFile();
  std::filesystem::remove(path);
}
BENCHMARK(BM_CopyAndPaste500Objects)->Unit(benchmark::kMillisecond)->Iterations(20);

enum class Order { Shuffled, Tiles };

// The objects BuildMap adds, in its order (which is random over the sheet) or tile by tile.
std::vector<ObjectRecord> WindowMapObjects(Order order) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> x(0, 40000), y(0, 30000), d(-300, 300), sym(0, 99), pts(2, 8);
  std::vector<ObjectRecord> objects(kMaxObjectCount);
  for (ObjectRecord& o : objects) {
    o.type = ObjectType::Line;
    o.symbol = static_cast<int16_t>(1000 + sym(rng) * 10);
    int px = x(rng), py = y(rng);
    for (int k = pts(rng); k > 0; --k) {
      o.coords.push_back(Coord::FromUnits(px, py));
      px += d(rng);
      py += d(rng);
    }
  }
  if (order == Order::Tiles) {
    auto tile = [](const ObjectRecord& o) {
      return std::pair(o.coords[0].PosY() / 1000, o.coords[0].PosX() / 1000);
    };
    std::stable_sort(
        objects.begin(), objects.end(),
        [&](const ObjectRecord& a, const ObjectRecord& b) { return tile(a) < tile(b); });
  }
  return objects;
}

struct WindowMap {
  QuietSink sink;
  MapStore store{&sink};
  sqlite3* db = nullptr;
  sqlite3_stmt* query = nullptr;
  ~WindowMap() {
    sqlite3_finalize(query);
    sqlite3_close(db);
    store.CloseWorkingFile();
  }
};

void Sql(sqlite3* db, const char* statement) {
  if (sqlite3_exec(db, statement, nullptr, nullptr, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
    std::abort();
  }
}

// The map is written, then opened as the editor opens it; the R*Tree gets the box of every live
// object in object order.
std::unique_ptr<WindowMap> MakeWindowMap(Order order) {
  const std::string path =
      (std::filesystem::temp_directory_path() /
       (order == Order::Shuffled ? "zelk-bench-256k-shuffled.zkm" : "zelk-bench-256k-tiles.zkm"))
          .string();
  auto m = std::make_unique<WindowMap>();
  BuildMap(m->store, path, 0);
  for (ObjectRecord& o : WindowMapObjects(order))
    if (!m->store.AddObject(o)) std::abort();
  m->store.CloseWorkingFile();
  m->store.WorkingFile().OpenExisting(path);
  if (!m->store.LoadFromWorkingFile()) std::abort();

  sqlite3_open(":memory:", &m->db);
  Sql(m->db, "CREATE VIRTUAL TABLE boxes USING rtree_i32(id, minX, maxX, minY, maxY)");
  Sql(m->db, "BEGIN");
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(m->db, "INSERT INTO boxes VALUES (?1, ?2, ?3, ?4, ?5)", -1, &insert, nullptr);
  for (int32_t n = 1; n <= m->store.ObjectCount(); ++n) {
    IndexEntry e;
    if (!m->store.ReadEntry(n, &e) || !e.Live()) continue;
    sqlite3_bind_int(insert, 1, n);
    sqlite3_bind_int(insert, 2, e.box.left);
    sqlite3_bind_int(insert, 3, e.box.right);
    sqlite3_bind_int(insert, 4, e.box.bottom);
    sqlite3_bind_int(insert, 5, e.box.top);
    if (sqlite3_step(insert) != SQLITE_DONE) std::abort();
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  Sql(m->db, "COMMIT");
  sqlite3_prepare_v2(m->db,
                     "SELECT id FROM boxes WHERE minX <= ?1 AND maxX >= ?2 AND minY <= ?3 AND "
                     "maxY >= ?4",
                     -1, &m->query, nullptr);
  return m;
}

WindowMap& GetWindowMap(Order order) {
  static std::unique_ptr<WindowMap> maps[2];
  std::unique_ptr<WindowMap>& m = maps[static_cast<int>(order)];
  if (!m) m = MakeWindowMap(order);
  return *m;
}

// 64 windows of `mm` x `mm` spread over the 400 x 300 mm sheet, the same for every query kind.
std::vector<Box> Windows(int mm) {
  std::mt19937 rng(99);
  const int size = mm * 100;
  std::uniform_int_distribution<int> x(0, 40000 - size), y(0, 30000 - size);
  std::vector<Box> out;
  for (int i = 0; i < 64; ++i) {
    const int l = x(rng), b = y(rng);
    out.push_back(Box{l * 256, b * 256, (l + size) * 256, (b + size) * 256});
  }
  return out;
}

// The ids of the R*Tree's boxes meeting the window.
int64_t RTreeWindow(WindowMap& m, const Box& w, std::vector<int64_t>* ids) {
  ids->clear();
  sqlite3_bind_int(m.query, 1, w.right);
  sqlite3_bind_int(m.query, 2, w.left);
  sqlite3_bind_int(m.query, 3, w.top);
  sqlite3_bind_int(m.query, 4, w.bottom);
  while (sqlite3_step(m.query) == SQLITE_ROW) ids->push_back(sqlite3_column_int64(m.query, 0));
  sqlite3_reset(m.query);
  return static_cast<int64_t>(ids->size());
}

// Every object of the window in `color` (-1: any) through the engine's search, as drawing did
// colour by colour: starting at the last object and stopping there visits each once.
int64_t SearchLoop(MapStore& store, const Box& w, int color) {
  int64_t found = 0;
  const int32_t count = store.ObjectCount();
  int32_t current = count;
  for (;;) {
    const SearchResult r = store.Search(w, count, color, &current);
    if (r.found) ++found;
    if (r.done) break;
  }
  return found;
}

// The objects of the window, found at once.
int64_t RegionQuery(MapStore& store, const Box& w) {
  static std::vector<int32_t> numbers;
  store.ObjectsInRegion(w, &numbers);
  return static_cast<int64_t>(numbers.size());
}

// The index work of drawing the window: every colour of the table from the last to the first
// that some object uses, and the objects of the window in that colour. Nothing is read or drawn.
// `regionFirst` walks as DrawMapRegion does (the window's objects found once and listed by
// colour, the search's test made again per object); otherwise with a search per colour, as
// drawing did before.
int64_t ColourWalk(MapStore& store, const Box& w, bool regionFirst) {
  int64_t visits = 0;
  const SymbolHeader& table = store.Colors();
  static MapStore::ObjectsByColor byColor;
  if (regionFirst) store.ObjectsInRegionByColor(w, &byColor);
  for (int place = table.colorCount - 1; place >= 0; --place) {
    const int color = table.colors[static_cast<size_t>(place)].colorNumber;
    if (!store.UsedColors().Has(color)) continue;
    if (!regionFirst) {
      visits += SearchLoop(store, w, color);
      continue;
    }
    for (const int32_t n : byColor[static_cast<size_t>(color)])
      if (store.SearchAt(n, w, color)) ++visits;
  }
  return visits;
}

// The processor time of this thread: the machine is shared, and other programs running at the
// same time would otherwise count for whichever query they interrupt. Nothing timed here waits
// for the disk.
struct Clock {
  using time_point = double;
  static double now() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
  }
};
double Seconds(double from, double to) {
  return to - from;
}

// Times `ours` on each window in turn beside the R*Tree's query of the same window.
template <class F>
void TimeAgainstRTree(benchmark::State& state, WindowMap& m, int mm, F&& ours) {
  const std::vector<Box> windows = Windows(mm);
  std::vector<int64_t> ids;
  double oursTotal = 0, theirsTotal = 0;
  int64_t found = 0, rtreeFound = 0;
  size_t i = 0;
  for (auto _ : state) {
    const Box& w = windows[i++ % windows.size()];
    const auto t0 = Clock::now();
    found += ours(w);
    const auto t1 = Clock::now();
    rtreeFound += RTreeWindow(m, w, &ids);
    const auto t2 = Clock::now();
    state.SetIterationTime(Seconds(t0, t1));
    oursTotal += Seconds(t0, t1);
    theirsTotal += Seconds(t1, t2);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["found"] = static_cast<double>(found) / n;
  state.counters["rtree_found"] = static_cast<double>(rtreeFound) / n;
  state.counters["rtree_us"] = theirsTotal / n * 1e6;
  state.counters["ratio"] = theirsTotal > 0 ? oursTotal / theirsTotal : 0;
}

// Args: order (0 shuffled, 1 tiles), window size in mm, query: 0 the search for one colour,
// 1 the search for any colour, 2 the region query.
void BM_SearchWindow(benchmark::State& state) {
  WindowMap& m = GetWindowMap(static_cast<Order>(state.range(0)));
  const int64_t query = state.range(2);
  TimeAgainstRTree(state, m, static_cast<int>(state.range(1)), [&](const Box& w) {
    return query == 2 ? RegionQuery(m.store, w) : SearchLoop(m.store, w, query == 0 ? 17 : -1);
  });
}
BENCHMARK(BM_SearchWindow)
    ->ArgNames({"tiles", "mm", "query"})
    ->ArgsProduct({{0, 1}, {10, 100}, {0, 1, 2}})
    ->Unit(benchmark::kMicrosecond)
    ->UseManualTime();

// A zoomed 20 x 20 mm view of the 50-colour map: the index work of its redraw. Args: order,
// walk (0 a search per colour, 1 region first).
void BM_ZoomedRedrawIndexWork(benchmark::State& state) {
  WindowMap& m = GetWindowMap(static_cast<Order>(state.range(0)));
  const bool regionFirst = state.range(1) != 0;
  TimeAgainstRTree(state, m, 20, [&](const Box& w) { return ColourWalk(m.store, w, regionFirst); });
}
BENCHMARK(BM_ZoomedRedrawIndexWork)
    ->ArgNames({"tiles", "region_first"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// The first region query after opening the shuffled map builds the spatial index.
void BM_FirstRegionQueryAfterOpening(benchmark::State& state) {
  WindowMap& m = GetWindowMap(Order::Shuffled);
  const std::string path = m.store.WorkingFile().Path();
  const Box window = Windows(10)[0];
  for (auto _ : state) {
    m.store.CloseWorkingFile();
    m.store.WorkingFile().OpenExisting(path);
    if (!m.store.LoadFromWorkingFile()) std::abort();
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(RegionQuery(m.store, window));
    state.SetIterationTime(Seconds(t0, Clock::now()));
  }
}
BENCHMARK(BM_FirstRegionQueryAfterOpening)->Unit(benchmark::kMillisecond)->UseManualTime();

// What keeping the index current adds to adding 256000 objects to a map whose index is built.
void BM_IndexUpkeepOf256000Adds(benchmark::State& state) {
  std::vector<SpatialIndex::Item> items(kMaxObjectCount);
  for (size_t i = 0; i < items.size(); ++i)
    items[i] = {Box{0, 0, 100, 100}, static_cast<int32_t>(i + 1)};
  SpatialIndex index;
  for (auto _ : state) {
    state.PauseTiming();
    index.Build(items);
    state.ResumeTiming();
    for (int32_t n = 1; n <= kMaxObjectCount; ++n) index.Changed(n, Box{n, n, n + 100, n + 100});
    benchmark::DoNotOptimize(index.ChangeCount());
  }
}
BENCHMARK(BM_IndexUpkeepOf256000Adds)->Unit(benchmark::kMillisecond);

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
