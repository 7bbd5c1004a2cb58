// The objects of another map added to the open one, displaced by an offset.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelk {

class MapStore;
class MessageSink;
class Progress;

struct MapImportResult {
  bool opened = false;
  std::vector<int32_t> added;
  bool stopped = false;
};

// `dx`, `dy` in coordinate words (1/256 of 0.01 mm). The other map is read from a private copy,
// never written; its symbols are found among the open map's equal symbols or added to it.
MapImportResult ImportMap(MapStore& store, const std::string& otherPath, int32_t dx, int32_t dy,
                          MessageSink& sink, Progress& progress);

}  // namespace zelk
