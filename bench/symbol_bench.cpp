// Symbol and colour dialog figures on a map with a full colour table: opening each symbol
// editor, and moving a colour in a 256-colour table of a 256000-object map (the dialog's move,
// OK bringing the engine's colour sets up to date), which must leave the redraw free to start.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <filesystem>

#include "dialogs/colors_dlg.h"
#include "dialogs/symbol_dlgs.h"
#include "storage/map_store.h"
#include "storage/symbol_derived.h"

namespace zelk {
namespace {

class QuietSink : public MessageSink {
 public:
  void Error(const std::string& m, int) override { std::fprintf(stderr, "%s\n", m.c_str()); }
  bool Confirm(const std::string&, int) override { return true; }
  Answer Ask(const std::string&, int) override { return Answer::No; }
};

// 256 colours, one line symbol in each, and `objects` lines spread over them.
struct BigMap {
  QuietSink sink;
  MapStore store{&sink};
  explicit BigMap(int objects) {
    const std::string path =
        (std::filesystem::temp_directory_path() / "zelk_symbol_bench.zkm").string();
    store.CreateEmptyMap(path);
    SymbolHeader& h = store.MutableColors();
    h.colorCount = 256;
    for (int i = 0; i < 256; ++i) {
      h.colors[static_cast<size_t>(i)] = ColorRecord::NewColor(static_cast<int16_t>(i), "Colour");
      h.colors[static_cast<size_t>(i)].cmyk = {static_cast<uint8_t>(i % 200), 50, 0, 0};
    }
    store.ColorTableChanged();
    for (int i = 0; i < 256; ++i) {
      LineSymbol f;
      f.LineColor = static_cast<int16_t>(i);
      f.LineWidth = 25;
      SymbolRecord r = FinishLineSymbol(NewSymbolRecord(SymbolType::Line), f, {}, {});
      r.SetNumber(10 + 10 * i);
      store.AppendSymbol(r);
    }
    store.RewriteSymbolIndex();
    WriteBatch batch(store);
    for (int n = 0; n < objects; ++n) {
      ObjectRecord o;
      o.symbol = static_cast<int16_t>(10 + 10 * (n % 256));
      o.type = ObjectType::Line;
      const int x = (n % 500) * 80 - 20000, y = (n / 500) * 60 - 15000;
      o.coords = {Coord::FromUnits(x, y), Coord::FromUnits(x + 50, y + 40)};
      store.AddObject(o);
    }
  }
};

BigMap& Map256k() {
  static BigMap map(256000);
  return map;
}

void BM_OpenSymbolDialog(benchmark::State& state) {
  static BigMap small(100);
  const int kind = static_cast<int>(state.range(0));
  const SymbolType types[6] = {SymbolType::Point, SymbolType::Line, SymbolType::Area,
                               SymbolType::Text,  SymbolType::Line, SymbolType::Rectangle};
  const SymbolRecord rec = EmptySymbol(types[kind], kind == 4 ? kSubtypeLineText : 0);
  for (auto _ : state) {
    std::unique_ptr<TSymbolDlg> dlg = MakeSymbolDialog(small.store, rec, -1, small.sink, nullptr);
    dlg->show();
    QApplication::processEvents();
    dlg->hide();
  }
  const char* names[6] = {"point", "line", "area", "text", "line text", "rectangle"};
  state.SetLabel(names[kind]);
}
BENCHMARK(BM_OpenSymbolDialog)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MoveAColourOf256In256000Objects(benchmark::State& state) {
  BigMap& map = Map256k();
  for (auto _ : state) {
    TColorsDlg dlg(map.store, map.sink, nullptr);
    dlg.SetCurrent(100);
    dlg.MoveDnBtnClick();
    if (!dlg.OkBtnClick()) state.SkipWithError("OK refused");
  }
  state.counters["objects"] = map.store.ObjectCount();
}
BENCHMARK(BM_MoveAColourOf256In256000Objects)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace zelk

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
