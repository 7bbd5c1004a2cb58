// The map written as an ASCII DXF drawing: points as POINT, lines and areas as POLYLINE with
// their curves flattened, texts as TEXT; paper millimetres or real-world metres.
#pragma once

#include <cstdint>
#include <string>

#include "exchange/crt_table.h"

namespace zelk {

class MapStore;
class MessageSink;
class Progress;

struct DxfExportParams {
  bool gis = true;  // "GIS (1 meter/unit)", else "mm"
};

struct DxfExportResult {
  bool written = false;
  int32_t exported = 0;  // objects counted in the progress
  bool aborted = false;
};

// Writes the file through a temporary file in its folder, renamed when complete; a failure is
// shown through `sink` and leaves any earlier file of that name as it was.
DxfExportResult ExportDxf(MapStore& store, const std::string& path, const DxfExportParams& params,
                          const CrossRefTable& table, MessageSink& sink, Progress& progress);

// The decimals written for a factor (0.01 mm units to output units).
int DxfDecimals(double factor);

}  // namespace zelk
