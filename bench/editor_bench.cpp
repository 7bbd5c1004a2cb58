// Editor figures: a full redraw of the demo map in a 1920 x 1080 work window, how soon a key
// press ends the redraw of a 100000-object map, opening the demo map to its first picture, and
// the editing tools on large maps.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "editor/document_dialogs.h"
#include "editor/edit_tool.h"
#include "editor/main_form.h"
#include "editor/selection.h"
#include "editor/work_window.h"
#include "render/font_service_qt.h"
#include "storage/symbol_records.h"

namespace zelk {
namespace {

namespace fs = std::filesystem;

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

// One main window whose work window is 1920 x 1080 pixels.
struct Editor {
  QuietSink sink;
  NoDialogs dialogs;
  QtFontService fonts;
  Preferences prefs;
  std::unique_ptr<TMainFm> form;

  Editor() {
    MainFormServices s;
    s.sink = &sink;
    s.dialogs = &dialogs;
    s.fonts = &fonts;
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
  bool Open(const std::string& path) {
    const bool ok = form->Doc().Open(path);
    Settle();
    form->Trigger("ViewEntire");
    Settle();
    return ok;
  }
};

const std::string kDemo = std::string(ZELK_SHIPPED_DATA_DIR) + "/demo.zkm";

void BM_FullRedrawOfTheDemoMap(benchmark::State& state) {
  Editor e;
  if (!e.Open(kDemo)) {
    state.SkipWithError("demo map not found");
    return;
  }
  TWorkWin& w = *e.form->WorkWin;
  for (auto _ : state) benchmark::DoNotOptimize(w.RedrawWindow(w.rect()));
  state.counters["objects"] = static_cast<double>(w.LastObjectsDrawn());
  state.counters["width"] = w.width();
  state.counters["height"] = w.height();
}
BENCHMARK(BM_FullRedrawOfTheDemoMap)->Unit(benchmark::kMillisecond)->UseRealTime();

// 100000 lines of one symbol spread over 400 x 300 mm.
std::string LargeMap() {
  const std::string path = Scratch() + "/large.zkm";
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

void BM_KeyPressEndsTheRedrawOfALargeMap(benchmark::State& state) {
  const std::string path = LargeMap();
  Editor e;
  if (!e.Open(path)) {
    state.SkipWithError("large map not made");
    return;
  }
  TWorkWin& w = *e.form->WorkWin;
  double worst = 0, total = 0;
  int runs = 0;
  for (auto _ : state) {
    QElapsedTimer sincePress;
    // The key arrives 5 ms into the redraw (a full redraw of this map takes several times
    // longer), as from the keyboard while drawing.
    QTimer::singleShot(5, &w, [&] {
      QCoreApplication::postEvent(
          &w, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, "\x1b"));
      sincePress.start();
    });
    w.RedrawWindow(w.rect());
    const double ms = sincePress.isValid() ? sincePress.nsecsElapsed() / 1e6 : 0;
    state.SetIterationTime(ms / 1000);
    worst = std::max(worst, ms);
    total += ms;
    ++runs;
    Editor::Settle();
  }
  state.counters["worst_ms"] = worst;
  state.counters["mean_ms"] = runs ? total / runs : 0;
}
BENCHMARK(BM_KeyPressEndsTheRedrawOfALargeMap)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(20);

void BM_FullRedrawOfALargeMap(benchmark::State& state) {
  Editor e;
  if (!e.Open(LargeMap())) {
    state.SkipWithError("large map not made");
    return;
  }
  TWorkWin& w = *e.form->WorkWin;
  for (auto _ : state) benchmark::DoNotOptimize(w.RedrawWindow(w.rect()));
  state.counters["objects"] = static_cast<double>(w.LastObjectsDrawn());
}
BENCHMARK(BM_FullRedrawOfALargeMap)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_OpenTheDemoMapToTheFirstPicture(benchmark::State& state) {
  Editor e;
  TWorkWin& w = *e.form->WorkWin;
  for (auto _ : state) {
    if (!e.form->Doc().Open(kDemo)) {
      state.SkipWithError("demo map not found");
      return;
    }
    w.DeliverPaint();  // the paint the opening asked for
    benchmark::DoNotOptimize(w.LastObjectsDrawn());
    state.PauseTiming();
    e.form->Doc().Close();
    Editor::Settle();
    state.ResumeTiming();
  }
  state.counters["objects"] = static_cast<double>(w.LastObjectsDrawn());
}
BENCHMARK(BM_OpenTheDemoMapToTheFirstPicture)->Unit(benchmark::kMillisecond)->UseRealTime();

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
  fs::copy_file(LargeMap(), path, fs::copy_options::overwrite_existing);
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

}  // namespace
}  // namespace zelk

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
