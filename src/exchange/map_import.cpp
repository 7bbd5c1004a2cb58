#include "exchange/map_import.h"

#include <unistd.h>

#include <filesystem>
#include <map>

#include "storage/map_store.h"
#include "storage/messages.h"

namespace zelk {

namespace {

namespace fs = std::filesystem;

int32_t Shift(int32_t word, int32_t by) {
  const int64_t pos = (int64_t{word} & kPosMask) + by;
  const int64_t clamped = std::clamp<int64_t>(pos, -(int64_t{1} << 30), (int64_t{1} << 30) - 256);
  return static_cast<int32_t>(clamped & kPosMask) | (word & kFlagMask);
}

}  // namespace

MapImportResult ImportMap(MapStore& store, const std::string& otherPath, int32_t dx, int32_t dy,
                          MessageSink& sink, Progress& progress) {
  MapImportResult result;
  std::error_code ec;
  std::string copy = (fs::temp_directory_path(ec) / "zelk-import-XXXXXX").string();
  const int fd = ::mkstemp(copy.data());
  if (fd < 0) {
    sink.Error(ComposeMessage("Cannot create", copy));
    return result;
  }
  ::close(fd);
  fs::copy_file(otherPath, copy, fs::copy_options::overwrite_existing, ec);
  if (ec) {
    fs::remove(copy, ec);
    sink.Error(ComposeMessage("Cannot open", otherPath));
    return result;
  }
  {
    MapStore other(&sink);
    bool loaded = false;
    try {
      other.WorkingFile().OpenExisting(copy);
      other.WorkingFile().SetShownName(otherPath);
      loaded = other.LoadFromWorkingFile();
    } catch (const FileError&) {
      loaded = false;
    }
    if (loaded) {
      result.opened = true;
      std::map<int, int> numbers;  // the other map's symbol numbers to ours
      progress.Start(";objects imported.", other.ObjectCount(), 10, true, "Importing");
      store.BeginBatch();
      ObjectRecord obj;
      for (int32_t n = 1; n <= other.ObjectCount(); ++n) {
        IndexEntry e;
        if (!other.ReadEntry(n, &e) || !e.Live() || !other.ReadObject(n, &obj)) continue;
        if (obj.symbol > 0) {
          auto it = numbers.find(obj.symbol);
          if (it == numbers.end()) {
            const int place = other.SymbolPlace(obj.symbol);
            const int mapped = place >= 0 ? store.FindOrAddEqualSymbol(other.Symbol(place)) : 0;
            it = numbers.emplace(obj.symbol, mapped > 0 ? mapped : obj.symbol).first;
          }
          obj.symbol = static_cast<int16_t>(it->second);
        }
        for (Coord& c : obj.coords) c = {Shift(c.x, dx), Shift(c.y, dy)};
        if (!store.AddObject(obj)) {
          result.stopped = true;
          break;
        }
        result.added.push_back(store.ObjectCount());
        progress.Step(static_cast<int32_t>(result.added.size()), n);
        if (progress.AbortRequested()) {
          result.stopped = true;
          break;
        }
      }
      if (!store.EndBatch()) {
        result.stopped = true;
        result.added.clear();
      }
      if (!numbers.empty()) store.RewriteSymbolIndex();
      progress.End();
    }
    other.CloseWorkingFile();
  }
  fs::remove(copy, ec);
  return result;
}

}  // namespace zelk
