// Opens arbitrary bytes as a map and reads everything in it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

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
  static const std::string path = "/tmp/zelk-fuzz-" + std::to_string(::getpid()) + ".zkm";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  NullSink sink;
  zelk::MapStore store(&sink);
  try {
    store.WorkingFile().OpenExisting(path);
  } catch (const zelk::FileError&) {
    return 0;
  }
  if (store.LoadFromWorkingFile()) {
    zelk::ObjectRecord obj;
    for (int32_t n = 1; n <= store.ObjectCount(); ++n) store.ReadObject(n, &obj);
    zelk::Box extent;
    store.MapExtent(&extent);
    const int32_t count = store.ObjectCount();
    int32_t cur = count;
    for (int guard = 0; guard < 300000; ++guard) {
      const zelk::SearchResult r =
          store.Search({-(1 << 30), -(1 << 30), 1 << 30, 1 << 30}, count, 0, &cur);
      if (r.done) break;
    }
    store.ReadInfoText();
    store.UpdateObjects(1, 9999);
  }
  store.CloseWorkingFile();
  return 0;
}
