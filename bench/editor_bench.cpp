// Editor figures in a 1920 x 1080 work window: full redraws; how soon Esc, pressed at a random
// moment of a redraw (posted from another thread, as the keyboard does), ends the redraw of a
// 50-colour map with structures and texts; and opening maps to their first picture, against
// copying the map file and redrawing the same view. A summary with the ratios closes the output.
// The editing tools on large maps close it.
#include <benchmark/benchmark.h>
#include <pthread.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QInputDevice>
#include <QKeyEvent>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "bench_map.h"
#include "datagen.h"
#include "editor/cut_tool.h"
#include "editor/document_dialogs.h"
#include "editor/edit_tool.h"
#include "editor/input_gate.h"
#include "editor/main_form.h"
#include "editor/selection.h"
#include "editor/work_window.h"
#include "geometry/curve_fit.h"
#include "render/font_service_qt.h"
#include "render/text_symbol.h"
#include "storage/symbol_records.h"

namespace zelk {
namespace {

namespace fs = std::filesystem;
using datagen::Add;
using datagen::AddObject;
using datagen::AreaFields;
using datagen::ElementList;
using datagen::LineFields;
using datagen::Pt;
using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// Processor time of the calling thread, in milliseconds: steadier than the wall clock on a
// machine that other work keeps busy.
double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The least wall and processor times of several runs of one thing.
struct Least {
  double wall = 1e300, cpu = 1e300;
  struct Start {
    Clock::time_point wall = Clock::now();
    double cpu = ThreadCpuMs();
  };
  void Take(const Start& s) {
    wall = std::min(wall, MsSince(s.wall));
    cpu = std::min(cpu, ThreadCpuMs() - s.cpu);
  }
  bool Valid() const { return wall < 1e300; }
};

class QuietSink : public MessageSink {
 public:
  void Error(const std::string& m, int) override { std::fprintf(stderr, "%s\n", m.c_str()); }
  bool Confirm(const std::string&, int) override { return true; }
  Answer Ask(const std::string&, int) override { return Answer::No; }
};

class NoDialogs : public DocumentDialogs {
 public:
  std::optional<std::string> ChooseSymbolSet() override { return std::nullopt; }
  std::optional<std::string> EditInformation(const std::string&) override { return std::nullopt; }
  void FontsNotFound(const std::vector<std::string>&) override {}
};

const std::string& Scratch() {
  static const std::string dir = [] {
    const fs::path p = fs::temp_directory_path() / "zelk-editor-bench";
    fs::create_directories(p);
    return p.string();
  }();
  return dir;
}

// The program's one font service, as the application makes it: its glyphs outlive windows.
QtFontService& Fonts() {
  static QtFontService fonts;
  return fonts;
}

// One main window whose work window is 1920 x 1080 pixels.
struct Editor {
  QuietSink sink;
  NoDialogs dialogs;
  Preferences prefs;
  std::unique_ptr<TMainFm> form;

  Editor() {
    MainFormServices s;
    s.sink = &sink;
    s.dialogs = &dialogs;
    s.fonts = &Fonts();
    s.prefs = &prefs;
    s.tempPath = Scratch() + "/temp.~km";
    form = std::make_unique<TMainFm>(s);
    form->resize(2100, 1250);
    form->show();
    Settle();
    const QSize work = form->WorkWin->size();
    form->resize(form->width() + 1920 - work.width(), form->height() + 1080 - work.height());
    Settle();
  }
  ~Editor() { form->close(); }
  static void Settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }
  TWorkWin& Work() { return *form->WorkWin; }
  bool Open(const std::string& path) {
    const bool ok = form->Doc().Open(path);
    Settle();
    form->Trigger("ViewEntire");
    Settle();
    return ok;
  }
  // The least of several full redraws of the window (three, or as many as half a second
  // takes, at most twenty), in milliseconds; the window's own repaints are done before each.
  double RedrawMs() {
    double best = 1e300, total = 0;
    for (int i = 0; i < 20 && (i < 3 || total < 500); ++i) {
      Settle();
      const auto t = Clock::now();
      Work().RedrawWindow(Work().rect());
      const double ms = MsSince(t);
      best = std::min(best, ms);
      total += ms;
    }
    return best;
  }
};

const std::string kDemo = std::string(ZELK_SHIPPED_DATA_DIR) + "/demo.zkm";

// Figures for the summary at the end.
struct Summary {
  double colourRedrawMs = 0;
  int64_t colourObjects = 0;
  double escWorstMs = 0, escMedianMs = 0, escMeanMs = 0;
  double escCpuWorstMs = 0, escCpuMedianMs = 0;  // the main thread's work after the key
  int escTries = 0, escMisses = 0;
  struct Open {
    Least toPicture, copy, redraw;
    int64_t objects = 0;
  };
  Open storedView, wholeDemo, whole256k;
};
Summary& Figures() {
  static Summary s;
  return s;
}

// --- Maps ------------------------------------------------------------------------------------

// 50 colours; 100 symbols in five kinds (points of three elements, dashed lines, double lines
// with fill, hatched areas, areas with a dot structure) and five text symbols.
void AddColoursAndSymbols(MapStore& store) {
  bench::AddBenchColoursAndSymbols(store);
  const char* faces[] = {"Arial", "Times New Roman", "Arial", "Courier New", "Arial"};
  for (int t = 0; t < 5; ++t) {
    TextSymbolFields f;
    f.font = {faces[t], static_cast<int16_t>(t * 11), static_cast<int16_t>(70 + 15 * t),
              static_cast<int16_t>(t == 2 ? 700 : 400), static_cast<int16_t>(t == 1 ? 1 : 0)};
    f.alignment = kAlignCenter;
    store.AppendSymbol(MakeTextSymbol(5000 + 10 * t, f));
  }
  store.RewriteSymbolIndex();
}

// `objects` objects over 400 x 300 mm, tile by tile (10 x 10 mm tiles): 6 in 20 points, 6
// lines, 8 areas; every `textEvery`-th object is a place name of 20 characters instead, one in
// three of them turned.
void AddObjects(MapStore& store, int objects, int textEvery) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> in(0, 999), step(-600, 600), kind(0, 19), pts(2, 8),
      radius(200, 900), letter(0, 25);
  const int tilesX = 40, tilesY = 30;
  const int perTile = objects / (tilesX * tilesY) + 1;
  int made = 0;
  for (int ty = 0; ty < tilesY && made < objects; ++ty) {
    for (int tx = 0; tx < tilesX && made < objects; ++tx) {
      for (int i = 0; i < perTile && made < objects; ++i, ++made) {
        const int x0 = tx * 1000 + in(rng), y0 = ty * 1000 + in(rng);
        if (textEvery > 0 && made % textEvery == 0) {
          std::string name;
          for (int k = 0; k < 20; ++k)
            name += k == 8 ? ' ' : static_cast<char>((k == 0 || k == 9 ? 'A' : 'a') + letter(rng));
          AddObject(store, 5000 + 10 * (made / textEvery % 5), ObjectType::Text, {{x0, y0}},
                    static_cast<int16_t>(made % 3 == 0 ? 450 : 0), name);
          continue;
        }
        const int k = kind(rng);
        const int symbolIndex = (k < 6 ? 0 : k < 12 ? 1 + (k % 2) : 3 + (k % 2)) + 5 * (made % 20);
        std::vector<Pt> p;
        ObjectType type = ObjectType::Point;
        if (k < 6) {
          p = {{x0, y0}};
        } else if (k < 12) {
          type = ObjectType::Line;
          int x = x0, y = y0;
          for (int n = pts(rng); n > 0; --n) {
            p.push_back({x, y});
            x += step(rng);
            y += step(rng);
          }
        } else {
          type = ObjectType::Area;
          const int n = pts(rng) + 2, r = radius(rng);
          for (int j = 0; j < n; ++j) {
            const double a = 2 * M_PI * j / n;
            p.push_back({x0 + static_cast<int32_t>(r * std::cos(a)),
                         y0 + static_cast<int32_t>(r * std::sin(a))});
          }
          p.push_back(p.front());
        }
        AddObject(store, 1000 + 10 * symbolIndex, type, p);
      }
    }
  }
}

// Made anew by each run of the benchmark, so that it always has this build's format.
std::string MakeMap(const std::string& name, int objects, int textEvery) {
  const std::string path = Scratch() + "/" + name;
  QuietSink sink;
  MapStore store(&sink);
  store.CreateEmptyMap(path);
  AddColoursAndSymbols(store);
  AddObjects(store, objects, textEvery);
  store.WriteSettings();
  store.CloseWorkingFile();
  return path;
}

// 40000 objects, one in ten a text: every redraw of the whole has 4000 texts to draw.
const std::string& ColourMap() {
  static const std::string path = MakeMap("colours50.zkm", 40000, 10);
  return path;
}

const std::string& Map256k() {
  static const std::string path = MakeMap("objects256k.zkm", 256000, 0);
  return path;
}

// --- Redraws ---------------------------------------------------------------------------------

void BM_FullRedrawOfTheDemoMap(benchmark::State& state) {
  Editor e;
  if (!e.Open(kDemo)) {
    state.SkipWithError("demo map not found");
    return;
  }
  TWorkWin& w = e.Work();
  for (auto _ : state) benchmark::DoNotOptimize(w.RedrawWindow(w.rect()));
  state.counters["objects"] = static_cast<double>(w.LastObjectsDrawn());
}
BENCHMARK(BM_FullRedrawOfTheDemoMap)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FullRedrawOfThe50ColourMap(benchmark::State& state) {
  Editor e;
  if (!e.Open(ColourMap())) {
    state.SkipWithError("map not made");
    return;
  }
  TWorkWin& w = e.Work();
  for (auto _ : state) benchmark::DoNotOptimize(w.RedrawWindow(w.rect()));
  state.counters["objects"] = static_cast<double>(w.LastObjectsDrawn());
}
BENCHMARK(BM_FullRedrawOfThe50ColourMap)->Unit(benchmark::kMillisecond)->UseRealTime();

// 100000 lines of one symbol spread over 400 x 300 mm.
std::string LineMap() {
  const std::string path = Scratch() + "/lines.zkm";
  QuietSink sink;
  MapStore store(&sink);
  store.CreateEmptyMap(path);
  SymbolHeader& h = store.MutableColors();
  h.colorCount = 1;
  h.colors[0] = ColorRecord::NewColor(0, "Black");
  h.colors[0].cmyk = {0, 0, 0, 200};
  store.WriteSymbolHeader();
  LineSymbol fields;
  fields.LineColor = 0;
  fields.LineWidth = 20;
  SymbolRecord line = fields.Encode();
  line.SetNumber(1010);
  line.SetExtent(20);
  ColorSet c;
  c.Add(0);
  line.SetColors(c);
  store.AppendSymbol(line);
  store.RewriteSymbolIndex();
  uint32_t seed = 12345;
  auto next = [&] { return static_cast<int>((seed = seed * 1103515245u + 12345u) >> 8) % 40000; };
  for (int i = 0; i < 100000; ++i) {
    ObjectRecord o;
    o.symbol = 1010;
    o.type = ObjectType::Line;
    const int x = next() - 20000, y = (next() % 30000) - 15000;
    for (int k = 0; k < 6; ++k)
      o.coords.push_back(Coord::FromUnits(x + k * 150, y + ((k & 1) ? 120 : 0)));
    store.AddObject(o);
  }
  store.WriteSettings();
  store.CloseWorkingFile();
  return path;
}

void BM_FullRedrawOfALargeMap(benchmark::State& state) {
  Editor e;
  if (!e.Open(LineMap())) {
    state.SkipWithError("large map not made");
    return;
  }
  TWorkWin& w = e.Work();
  for (auto _ : state) benchmark::DoNotOptimize(w.RedrawWindow(w.rect()));
  state.counters["objects"] = static_cast<double>(w.LastObjectsDrawn());
}
BENCHMARK(BM_FullRedrawOfALargeMap)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// --- Esc -------------------------------------------------------------------------------------

// Posts Esc to a window at a moment it is told, from its own thread, as the keyboard's input
// arrives whatever the program is doing.
class KeyPoster {
 public:
  explicit KeyPoster(QObject* target) : target_(target) {
    // Key events name their keyboard; it is made on first use, and must be made here.
    QInputDevice::primaryKeyboard();
    pthread_getcpuclockid(pthread_self(), &targetClock_);
    thread_ = std::thread([this] { Run(); });
  }
  ~KeyPoster() {
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  void PostAt(Clock::time_point at) {
    {
      std::lock_guard lock(mutex_);
      at_ = at;
      armed_ = true;
      posted_ = false;
    }
    wake_.notify_all();
  }
  // When the key was posted: the wall clock, and the processor time of the thread that made
  // the poster.
  struct Posted {
    Clock::time_point wall;
    double targetCpuMs = 0;
  };
  // Waits until the key is posted.
  Posted WaitPosted() {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return posted_; });
    return postedAt_;
  }

 private:
  void Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return quit_ || armed_; });
      if (quit_) return;
      const Clock::time_point at = at_;
      lock.unlock();
      std::this_thread::sleep_until(at);
      QCoreApplication::postEvent(
          target_, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, "\x1b"));
      Posted posted{Clock::now()};
      timespec cpu{};
      clock_gettime(targetClock_, &cpu);
      posted.targetCpuMs =
          static_cast<double>(cpu.tv_sec) * 1e3 + static_cast<double>(cpu.tv_nsec) / 1e6;
      lock.lock();
      postedAt_ = posted;
      posted_ = true;
      armed_ = false;
      done_.notify_all();
    }
  }

  QObject* target_;
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  clockid_t targetClock_{};
  Clock::time_point at_;
  Posted postedAt_;
  bool armed_ = false, posted_ = false, quit_ = false;
  std::thread thread_;
};

void BM_EscEndsTheRedrawOf50Colours(benchmark::State& state) {
  Editor e;
  if (!e.Open(ColourMap())) {
    state.SkipWithError("map not made");
    return;
  }
  TWorkWin& w = e.Work();
  const double full = e.RedrawMs();
  Summary& s = Figures();
  s.colourRedrawMs = full;
  s.colourObjects = w.LastObjectsDrawn();
  std::mt19937 random(99);
  std::uniform_real_distribution<double> moment(0.02 * full, 0.9 * full);
  std::vector<double> latencies, cpuLatencies;
  int misses = 0;
  KeyPoster poster(&w);
  for (auto _ : state) {
    while (latencies.size() < 100 && misses < 100) {
      e.form->State().AbortRequested = false;
      const auto start = Clock::now();
      poster.PostAt(start + std::chrono::microseconds(static_cast<int64_t>(moment(random) * 1000)));
      const bool completed = w.RedrawWindow(w.rect());
      const auto end = Clock::now();
      const double endCpu = ThreadCpuMs();
      const KeyPoster::Posted posted = poster.WaitPosted();
      Editor::Settle();
      if (completed || posted.wall > end) {
        ++misses;  // the redraw ended before the key came
        continue;
      }
      latencies.push_back(std::chrono::duration<double, std::milli>(end - posted.wall).count());
      cpuLatencies.push_back(endCpu - posted.targetCpuMs);
    }
  }
  e.form->State().AbortRequested = false;
  if (latencies.empty()) {
    state.SkipWithError("no key came during a redraw");
    return;
  }
  std::sort(latencies.begin(), latencies.end());
  std::sort(cpuLatencies.begin(), cpuLatencies.end());
  double total = 0;
  for (double l : latencies) total += l;
  s.escWorstMs = latencies.back();
  s.escMedianMs = latencies[latencies.size() / 2];
  s.escMeanMs = total / static_cast<double>(latencies.size());
  s.escCpuWorstMs = cpuLatencies.back();
  s.escCpuMedianMs = cpuLatencies[cpuLatencies.size() / 2];
  s.escTries = static_cast<int>(latencies.size());
  s.escMisses = misses;
  state.counters["worst_ms"] = s.escWorstMs;
  state.counters["median_ms"] = s.escMedianMs;
  state.counters["tries"] = s.escTries;
  state.counters["redraw_ms"] = full;
}
BENCHMARK(BM_EscEndsTheRedrawOf50Colours)->Unit(benchmark::kMillisecond)->Iterations(1);

// --- Open to the first picture -----------------------------------------------------------------

Least CopyTimes(const std::string& path) {
  const std::string copy = Scratch() + "/copy.zkm";
  Least least;
  for (int i = 0; i < 5; ++i) {
    fs::remove(copy);
    const Least::Start start;
    fs::copy_file(path, copy);
    least.Take(start);
  }
  fs::remove(copy);
  return least;
}

// Opens the map and shows its first picture: the stored view, or the whole map as View > Entire
// map shows it right after opening. The map is closed between tries.
void OpenToFirstPicture(benchmark::State& state, const std::string& path, bool whole,
                        Summary::Open* figures) {
  Editor e;
  TWorkWin& w = e.Work();
  Least picture, redraw;
  for (auto _ : state) {
    const Least::Start start;
    if (!e.form->Doc().Open(path)) {
      state.SkipWithError("map not found");
      return;
    }
    if (whole) e.form->Trigger("ViewEntire");
    w.DeliverPaint();  // the paint the opening asked for
    picture.Take(start);
    benchmark::DoNotOptimize(w.LastObjectsDrawn());
    state.PauseTiming();
    figures->objects = w.LastObjectsDrawn();
    // As many redraws of the same view as first pictures, for a fair least of each.
    Editor::Settle();
    const Least::Start again;
    w.RedrawWindow(w.rect());
    redraw.Take(again);
    e.form->Doc().Close();
    Editor::Settle();
    state.ResumeTiming();
  }
  figures->toPicture = picture;
  figures->redraw = redraw;
  figures->copy = CopyTimes(path);
  state.counters["objects"] = static_cast<double>(figures->objects);
}

void BM_OpenTheDemoMapToItsStoredView(benchmark::State& state) {
  OpenToFirstPicture(state, kDemo, false, &Figures().storedView);
}
BENCHMARK(BM_OpenTheDemoMapToItsStoredView)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenTheDemoMapToTheWholeMap(benchmark::State& state) {
  OpenToFirstPicture(state, kDemo, true, &Figures().wholeDemo);
}
BENCHMARK(BM_OpenTheDemoMapToTheWholeMap)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Open256000ObjectsToTheWholeMap(benchmark::State& state) {
  OpenToFirstPicture(state, Map256k(), true, &Figures().whole256k);
}
BENCHMARK(BM_Open256000ObjectsToTheWholeMap)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

void PrintSummary() {
  const Summary& s = Figures();
  std::printf("\n");
  if (s.escTries > 0) {
    std::printf(
        "Esc during a redraw of 50 colours (%lld objects, full redraw %.0f ms), posted from "
        "another thread at random moments, %d tries (%d more came after the redraw):\n"
        "  wall clock from the key to the end of the redraw: worst %.1f ms, median %.1f ms, "
        "mean %.1f ms\n"
        "  the main thread's processor time in that span: worst %.1f ms, median %.1f ms\n"
        "  input is looked at every %d ms; worst wall time / that %.1f\n",
        static_cast<long long>(s.colourObjects), s.colourRedrawMs, s.escTries, s.escMisses,
        s.escWorstMs, s.escMedianMs, s.escMeanMs, s.escCpuWorstMs, s.escCpuMedianMs,
        InputGate::kPollMilliseconds, s.escWorstMs / InputGate::kPollMilliseconds);
  }
  const std::pair<const char*, const Summary::Open*> opens[] = {
      {"demo map, stored view", &s.storedView},
      {"demo map, whole", &s.wholeDemo},
      {"256000 objects, whole", &s.whole256k}};
  std::printf(
      "Open to the first picture, against copying the file plus a redraw of the same view\n"
      "(least of the runs; wall clock, and the main thread's processor time in brackets):\n");
  for (const auto& [name, o] : opens) {
    if (!o->toPicture.Valid()) continue;
    const double wall = o->copy.wall + o->redraw.wall, cpu = o->copy.cpu + o->redraw.cpu;
    std::printf(
        "  %-22s %8.1f ms (%7.1f)  copy %6.1f (%6.1f) + redraw %7.1f (%7.1f)  ratio %.2f "
        "(%.2f)  %lld objects\n",
        name, o->toPicture.wall, o->toPicture.cpu, o->copy.wall, o->copy.cpu, o->redraw.wall,
        o->redraw.cpu, o->toPicture.wall / wall, o->toPicture.cpu / cpu,
        static_cast<long long>(o->objects));
  }
}

// --- Editing tools ----------------------------------------------------------------------------
// A click pick and a selection rectangle in a map of 256000 objects, a point of a 2000-point
// curve dragged in the main window (each move handled and painted), and the undo of a bulk move
// of 100000 objects.

// A view of 1920 x 1080 pixels over the middle of the map, for tools run without a window.
class BenchView : public ToolView {
 public:
  explicit BenchView(double zoom) {
    view.clientWidth = 1920;
    view.clientHeight = 1080;
    view.zoom = zoom;
    view.SetViewTransform();
  }
  ViewTransform view;
  const ViewTransform& View() const override { return view; }
  Coord DeviceToMap(PixelPos p) const override { return view.DeviceToMap(p); }
  PixelPos MapToDevice(const Coord& c) const override { return view.MapToDevice(c); }
  void SetRubberBand(std::vector<RubberShape>) override {}
  void RedrawBox(const Box&) override {}
  void RedrawAll() override {}
  void SetView(double, int32_t, int32_t, bool) override {}
  void SetPrompt(const std::string&) override {}
  void SetRightStatus(const std::string&) override {}
  void SetCursorShape(const std::string&) override {}
};

// 256000 lines of one symbol spread over 400 x 300 mm: the most objects a map can hold.
std::string FullMap() {
  const std::string path = Scratch() + "/full.zkm";
  if (fs::exists(path)) return path;
  QuietSink sink;
  MapStore store(&sink);
  store.CreateEmptyMap(path + ".part");
  SymbolHeader& h = store.MutableColors();
  h.colorCount = 1;
  h.colors[0] = ColorRecord::NewColor(0, "Black");
  store.WriteSymbolHeader();
  LineSymbol fields;
  fields.LineWidth = 20;
  SymbolRecord line = fields.Encode();
  line.SetNumber(1010);
  ColorSet c;
  c.Add(0);
  line.SetColors(c);
  store.AppendSymbol(line);
  store.RewriteSymbolIndex();
  uint32_t seed = 99;
  auto next = [&] { return static_cast<int>((seed = seed * 1103515245u + 12345u) >> 8) % 40000; };
  for (int i = 0; i < kMaxObjectCount; ++i) {
    ObjectRecord o;
    o.symbol = 1010;
    o.type = ObjectType::Line;
    const int x = next() - 20000, y = (next() % 30000) - 15000;
    for (int k = 0; k < 4; ++k)
      o.coords.push_back(Coord::FromUnits(x + k * 100, y + ((k & 1) ? 80 : 0)));
    if (!store.AddObject(o)) break;
  }
  store.WriteSettings();
  store.CloseWorkingFile();
  fs::rename(path + ".part", path);
  return path;
}

// A store on a map with the editing tools over it, without a window.
struct ToolBench {
  QuietSink sink;
  MapStore store{&sink};
  EditorState state;
  Preferences prefs;
  BenchView view{4};
  std::unique_ptr<UndoRing> undo;
  std::unique_ptr<ToolContext> ctx;
  std::shared_ptr<Selection> sel;
  std::unique_ptr<EditTool> edit;

  bool Open(const std::string& path) {
    store.WorkingFile().OpenExisting(path);
    if (!store.LoadFromWorkingFile()) return false;
    state.MapOpen = true;
    state.ToolMode = Mode::EditPoint;
    state.PickTolerance = view.view.pickTolerance;
    undo = std::make_unique<UndoRing>(store);
    ctx = std::make_unique<ToolContext>(ToolContext{state, store, view, *undo, prefs, &sink});
    sel = std::make_shared<Selection>(*ctx);
    edit = std::make_unique<EditTool>(sel);
    edit->Start(ToolPurpose::Draw);
    return true;
  }
  ~ToolBench() {
    edit.reset();
    sel.reset();
    undo.reset();
  }
  ToolEvent At(Coord map) const {
    ToolEvent e;
    e.map = PosOnly(map);
    e.pixel = view.MapToDevice(e.map);
    return e;
  }
};

void BM_ClickPickAmong256000Objects(benchmark::State& state) {
  ToolBench b;
  if (!b.Open(FullMap()) || b.store.ObjectCount() != kMaxObjectCount) {
    state.SkipWithError("full map not made");
    return;
  }
  // Clicks on the second point of objects all over the map; each selects one.
  int32_t n = 1, hits = 0;
  double worst = 0;
  for (auto _ : state) {
    ObjectRecord o;
    if (!b.store.ReadObject(n, &o) || o.PointCount() < 2) {
      state.SkipWithError("object not read");
      break;
    }
    const ToolEvent e = b.At(o.coords[1]);
    QElapsedTimer t;
    t.start();
    b.edit->Down(e);
    b.edit->Up(e);
    const double ms = t.nsecsElapsed() / 1e6;
    state.SetIterationTime(ms / 1000);
    worst = std::max(worst, ms);
    hits += b.state.SelectedObject > 0;
    n = (n - 1 + 7919) % kMaxObjectCount + 1;
  }
  state.counters["worst_ms"] = worst;
  state.counters["hit_share"] = static_cast<double>(hits) / state.iterations();
}
BENCHMARK(BM_ClickPickAmong256000Objects)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(200);

void BM_SelectionRectangleAmong256000Objects(benchmark::State& state) {
  ToolBench b;
  if (!b.Open(FullMap())) {
    state.SkipWithError("full map not made");
    return;
  }
  const int mode = static_cast<int>(state.range(0));
  b.prefs.selectMode = mode;
  // 30 x 20 mm rectangles at places across the map.
  int i = 0;
  double worst = 0, marked = 0;
  for (auto _ : state) {
    const int x = -18000 + (i * 3700) % 33000, y = -13000 + (i * 2900) % 24000;
    ++i;
    const ToolEvent from = b.At(Coord::FromUnits(x, y));
    const ToolEvent to = b.At(Coord::FromUnits(x + 3000, y + 2000));
    QElapsedTimer t;
    t.start();
    b.edit->Down(from);
    b.edit->Move(to);
    b.edit->Up(to);
    const double ms = t.nsecsElapsed() / 1e6;
    state.SetIterationTime(ms / 1000);
    worst = std::max(worst, ms);
    marked += b.state.MultipleCount();
  }
  state.counters["worst_ms"] = worst;
  state.counters["marked"] = marked / state.iterations();
}
BENCHMARK(BM_SelectionRectangleAmong256000Objects)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(50);

// One curve of 2000 points (667 Bezier segments) winding over 300 x 200 mm.
std::string LongCurveMap() {
  const std::string path = Scratch() + "/curve.zkm";
  if (fs::exists(path)) return path;
  QuietSink sink;
  MapStore store(&sink);
  store.CreateEmptyMap(path);
  SymbolHeader& h = store.MutableColors();
  h.colorCount = 1;
  h.colors[0] = ColorRecord::NewColor(0, "Black");
  h.colors[0].cmyk = {0, 0, 0, 200};
  store.WriteSymbolHeader();
  LineSymbol fields;
  fields.LineWidth = 25;
  SymbolRecord line = fields.Encode();
  line.SetNumber(1010);
  ColorSet c;
  c.Add(0);
  line.SetColors(c);
  store.AppendSymbol(line);
  store.RewriteSymbolIndex();
  ObjectRecord o;
  o.symbol = 1010;
  o.type = ObjectType::Line;
  o.coords.push_back(Coord::FromUnits(-15000, 0));
  for (int s = 0; o.PointCount() + 3 <= kMaxPoints; ++s) {
    const int x = -15000 + s * 45, y = ((s / 37) % 2 ? 1 : -1) * 6000 + (s % 37) * 300;
    o.coords.push_back(Coord::FromUnits(x + 15, y + 400, kFirstCurvePoint));
    o.coords.push_back(Coord::FromUnits(x + 30, y - 400, kSecondCurvePoint));
    o.coords.push_back(Coord::FromUnits(x + 45, y));
  }
  store.AddObject(o);
  store.WriteSettings();
  store.CloseWorkingFile();
  return path;
}

void BM_DragAPointOfA2000PointCurve(benchmark::State& state) {
  Editor e;
  if (!e.Open(LongCurveMap())) {
    state.SkipWithError("curve map not made");
    return;
  }
  TMainFm& f = *e.form;
  f.Trigger("EditPointBtn");
  f.State().SelectedObject = 1;
  ObjectRecord curve;
  f.Doc().Store().ReadObject(1, &curve);
  f.RepaintMarks();
  Editor::Settle();
  // The middle anchor, pressed and then moved to and fro.
  const PixelPos anchor = f.MapToDevice(curve.coords[999]);
  f.WorkMouseDown(Qt::LeftButton, anchor, {});
  int i = 0;
  double worst = 0;
  for (auto _ : state) {
    const PixelPos to{anchor.x + (i % 40) - 20, anchor.y + (i % 30) - 15};
    ++i;
    QElapsedTimer t;
    t.start();
    f.WorkMouseMove(to, {}, Qt::LeftButton);
    f.WorkWin->repaint();  // the overlay painted at once: picture, marks and rubber band
    const double ms = t.nsecsElapsed() / 1e6;
    state.SetIterationTime(ms / 1000);
    worst = std::max(worst, ms);
  }
  f.WorkMouseUp(Qt::LeftButton, anchor, {});
  state.counters["worst_ms"] = worst;
  state.counters["points"] = curve.PointCount();
}
BENCHMARK(BM_DragAPointOfA2000PointCurve)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(200);

void BM_UndoABulkMoveOf100000Objects(benchmark::State& state) {
  const std::string path = Scratch() + "/bulk.zkm";
  fs::copy_file(LineMap(), path, fs::copy_options::overwrite_existing);
  ToolBench b;
  if (!b.Open(path)) {
    state.SkipWithError("large map not made");
    return;
  }
  // Everything marked, then the group dragged by 20 pixels: one bulk move.
  const Coord corner = Coord::FromUnits(-25000, -20000), far = Coord::FromUnits(25000, 20000);
  b.edit->Down(b.At(corner));
  b.edit->Move(b.At(far));
  b.edit->Up(b.At(far));
  ObjectRecord first;
  b.store.ReadObject(1, &first);
  const ToolEvent press = b.At(first.coords[0]);
  ToolEvent to = press;
  to.pixel = {press.pixel.x + 20, press.pixel.y + 10};
  to.map = b.view.DeviceToMap(to.pixel);
  b.edit->Down(press);
  b.edit->Up(to);
  if (b.undo->KindAt(b.undo->Current()) != UndoKind::BulkMoved) {
    state.SkipWithError("no bulk move recorded");
    return;
  }
  for (auto _ : state) {
    if (!b.undo->Undo()) state.SkipWithError("undo failed");
    state.PauseTiming();
    b.undo->Redo();
    state.ResumeTiming();
  }
  state.counters["objects"] = b.state.MultipleCount();
}
BENCHMARK(BM_UndoABulkMoveOf100000Objects)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// To curve of a 2000-point freehand line (a wandering hand-drawn path) at each smoothing level.
void BM_ToCurveOfA2000PointFreehandLine(benchmark::State& state) {
  std::vector<Coord> line;
  std::mt19937 rng(3);
  std::normal_distribution<double> wobble(0, 30);
  double x = 0, y = 0, heading = 0;
  for (int i = 0; i < 2000; ++i) {
    heading += 0.02 * std::sin(i * 0.01) + wobble(rng) / 3000;
    x += 40 * std::cos(heading) + wobble(rng) / 10;
    y += 40 * std::sin(heading) + wobble(rng) / 10;
    line.push_back(Coord::FromUnits(static_cast<int32_t>(x), static_cast<int32_t>(y)));
  }
  size_t points = 0;
  for (auto _ : state) {
    const std::optional<std::vector<Coord>> out =
        ToCurve(line, static_cast<int>(state.range(0)), 0);
    if (!out) std::abort();
    points = out->size();
  }
  state.counters["points_after"] = static_cast<double>(points);
}
BENCHMARK(BM_ToCurveOfA2000PointFreehandLine)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond);

}  // namespace
// An area of 2000 points (an outer ring of 1100 and 20 holes of 45) cut across its middle by a
// three-point cut line: the two parts with their holes assigned.
void BM_CutAnAreaOf2000PointsWith20Holes(benchmark::State& state) {
  ObjectRecord area;
  area.type = ObjectType::Area;
  area.symbol = 1;
  const double kPi = 3.14159265358979;
  for (int i = 0; i < 1100; ++i)
    area.coords.push_back(
        Coord::FromUnits(static_cast<int32_t>(10000 * std::cos(2 * kPi * i / 1100)),
                         static_cast<int32_t>(10000 * std::sin(2 * kPi * i / 1100))));
  for (int h = 0; h < 20; ++h) {
    const double cx = (h % 5 - 2) * 3000 + 500, cy = (h / 5 - 1.5) * 3000;
    for (int i = 0; i < 45; ++i) {
      Coord c = Coord::FromUnits(static_cast<int32_t>(cx + 600 * std::cos(2 * kPi * i / 45)),
                                 static_cast<int32_t>(cy + 600 * std::sin(2 * kPi * i / 45)));
      if (i == 0) c.y |= kHoleStart;
      area.coords.push_back(c);
    }
  }
  const std::vector<Coord> cut = {Coord::FromUnits(0, -10000), Coord::FromUnits(-300, 0),
                                  Coord::FromUnits(0, 10000)};
  size_t points = 0;
  for (auto _ : state) {
    const AreaCut parts = CutArea(area, cut, 256 * 40);
    if (parts.status != AreaCut::Status::Cut) std::abort();
    points = parts.first.coords.size() + parts.second.coords.size();
  }
  state.counters["points_after"] = static_cast<double>(points);
}
BENCHMARK(BM_CutAnAreaOf2000PointsWith20Holes)->Unit(benchmark::kMillisecond);

}  // namespace zelk

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  zelk::PrintSummary();
  benchmark::Shutdown();
  return 0;
}
