// Imports arbitrary bytes as a DXF drawing into a small map, with a cross-reference table made of
// the same bytes, and reads the extent.
#include <unistd.h>

#include <cstdint>
#include <string>

#include "exchange/dxf_import.h"
#include "storage/map_store.h"

namespace {
class NullSink : public zelk::MessageSink {
 public:
  void Error(const std::string&, int) override {}
  bool Confirm(const std::string&, int) override { return true; }
  zelk::Answer Ask(const std::string&, int) override { return zelk::Answer::No; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/zelk-fuzz-dxf-" + std::to_string(::getpid()) + ".zkm";
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  NullSink sink;
  zelk::MapStore store(&sink);
  store.CreateEmptyMap(path);
  store.MutableSetup().SetMapScale(10000);
  zelk::CrossRefTable table;
  table.Parse(bytes.substr(0, 512), [](int n) { return n % 5 + 1; });
  zelk::DxfReader scan(bytes);
  zelk::ScanDxfExtent(scan);
  zelk::DxfReader reader(bytes);
  zelk::DxfImportParams params;
  params.factor = 100;
  zelk::NullProgress progress;
  zelk::ImportDxf(store, reader, params, table, nullptr, progress);
  store.CloseWorkingFile();
  ::unlink(path.c_str());
  return 0;
}
