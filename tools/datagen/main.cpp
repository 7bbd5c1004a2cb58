// zelk-datagen: writes the shipped symbol set and the demo map, the same bytes on every run.
#include <cstdio>
#include <filesystem>
#include <string>

#include "datagen.h"
#include "storage/messages.h"

namespace zelk::datagen {
namespace {

class StderrSink : public MessageSink {
 public:
  void Error(const std::string& m, int) override {
    std::fprintf(stderr, "zelk-datagen: %s\n", m.c_str());
  }
  bool Confirm(const std::string&, int) override { return true; }
  Answer Ask(const std::string&, int) override { return Answer::No; }
};

void AddAllSymbols(MapStore& store) {
  AddPointSymbols(store);
  AddLineSymbols(store);
  AddAreaSymbols(store);
  AddTextSymbols(store);
  AddRectangleSymbols(store);
  if (!store.RewriteSymbolIndex()) std::exit(1);
}

const char* kSetInformation =
    "Topographic map 1:15000\r\n"
    "Contours every 5 m (index contours every 25 m), water, vegetation, roads and paths,\r\n"
    "railway, buildings, fences and single features, with a map frame and grid.\r\n"
    "Printed in five spot colours: Black, Brown, Blue, Yellow, Green.";

const char* kDemoInformation =
    "Zelk Valley demo map, 1:15000, 300 x 200 mm.\r\n"
    "An invented landscape: two wooded hills, the river Zelk running into Mirror Lake,\r\n"
    "the village of Millbrook on the main road, a railway south of the lake, marsh,\r\n"
    "fields with fences and hedges. Every symbol of the Topo15000 set is used.";

// Writes under a temporary name and renames, so a stopped run leaves no half map behind.
template <typename Fill>
void WriteMap(const std::filesystem::path& target, const char* information, Fill fill) {
  std::filesystem::create_directories(target.parent_path());
  const std::filesystem::path temp = target.string() + ".part";
  StderrSink sink;
  MapStore store(&sink);
  if (!store.CreateEmptyMap(temp.string())) std::exit(1);
  SetColourTable(store);
  if (!store.WriteInfoText(information)) std::exit(1);
  AddAllSymbols(store);
  WriteBatch batch(store);
  fill(store);
  if (!batch.Commit()) std::exit(1);
  store.CloseWorkingFile();
  std::filesystem::rename(temp, target);
  std::printf("Wrote %s\n", target.string().c_str());
}

}  // namespace
}  // namespace zelk::datagen

int main(int argc, char** argv) {
  using namespace zelk::datagen;
  if (argc != 2) {
    std::fprintf(
        stderr,
        "usage: zelk-datagen OUTPUT-FOLDER  (writes SYMBOL/Topo15000.zkm, zelk4.sym, ZELK4.SYM and "
        "demo.zkm)\n");
    return 2;
  }
  const std::filesystem::path out = argv[1];
  WriteMap(out / "SYMBOL" / "Topo15000.zkm", kSetInformation, [](zelk::MapStore&) {});
  // The symbol sets older maps are converted with: the same symbols under the names the
  // conversion of ZELK 4 and of ZELK 3 maps looks for.
  WriteMap(out / "zelk4.sym", kSetInformation, [](zelk::MapStore&) {});
  WriteMap(out / "ZELK4.SYM", kSetInformation, [](zelk::MapStore&) {});
  WriteMap(out / "demo.zkm", kDemoInformation, [](zelk::MapStore& store) {
    AddDemoTexts(store, AddDemoObjects(store));
    // Opened for the first time, the demo shows its whole sheet (300 x 200 mm at 1X).
    zelk::SetupBlock& setup = store.MutableSetup();
    setup.SetZoom(1.0);
    setup.SetViewX(15000 * 256);
    setup.SetViewY(10000 * 256);
    if (!store.WriteSettings()) std::exit(1);
  });
  return 0;
}
