// The EPS stream of a map: header, prolog, setup, the colour-by-colour drawing in PostScript mode
// and the trailer; written as an EPS file or as one page of a PostScript printer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "output/postscript_device.h"
#include "render/font_service.h"
#include "storage/map_store.h"
#include "storage/messages.h"

namespace zelk {

// The program version the header names.
constexpr double kProgramVersion = 6.05;

enum class PrintKind { ColorMap = 0, CmykSeparations = 1, SpotSeparations = 2 };

// One output of a print: the colour map, one process colour (0 cyan .. 3 black) or one spot
// colour separation (its index in the separation table).
struct Plate {
  PrintKind kind = PrintKind::ColorMap;
  int separation = 0;
  bool IsSeparation() const { return kind != PrintKind::ColorMap; }
};

// The names of the process colours in separation lists and output names.
const char* ProcessColorName(int index);

// The prolog lines, ANSIVec included, in order.
const std::vector<std::string>& PostScriptProlog();

// Whether the colour takes part in the plate and, if so, its current colour there.
bool PlateColor(const ColorRecord& color, const Plate& plate, Cmyk* out);

struct EpsStreamRequest {
  std::string title;
  Box printWindow;  // coordinate words
  double mapScale = 15000;
  double printScale = 15000;
  Plate plate;
  bool standardFonts = false;
  // Passthrough: origin, scales and clip rectangle (page within window) come from here, and
  // the stream is framed for a printer page.
  bool passthrough = false;
  int32_t originX = 0, originY = 0;
  double scaleX = 1.0 / 256, scaleY = 1.0 / 256;
  Box clipRectangle;
};

struct EpsStreamResult {
  bool completed = true;  // false: the user aborted; the stream was still closed
  int64_t objectsDrawn = 0;
};

// write EPS: one complete stream into `lines`. Texts drawn as outlines take glyphs from `fonts`.
EpsStreamResult WriteEpsStream(MapStore& store, FontService* fonts, PostScriptLines& lines,
                               const EpsStreamRequest& request, Progress* progress = nullptr);

struct EpsExportRequest {
  std::string path;
  Box printWindow;        // coordinate words; empty (left >= right): the map's extent
  double printScale = 0;  // 0: the map scale
  Plate plate;
  bool standardFonts = false;
  FontService* fonts = nullptr;
};

enum class OutputResult { Written, Refused, Failed, Aborted };

// The window to print when none is given: the map's object extent (false when the map is empty).
bool DefaultPrintWindow(const MapStore& store, Box* window);

// Writes the EPS file under a temporary name in its folder, renamed into place once complete.
// An aborted export leaves no file and reports "Printing aborted.".
OutputResult ExportEpsFile(MapStore& store, const EpsExportRequest& request, MessageSink* sink,
                           Progress* progress = nullptr);

// A file written under a temporary name in its folder and renamed into place once complete,
// with the messages of the file layer on failure: nothing half-written is left behind.
class AtomicFile {
 public:
  explicit AtomicFile(std::string path);
  ~AtomicFile();  // removes the temporary file unless committed
  bool Open(MessageSink* sink);
  bool Write(std::string_view text);
  // Closes and renames; false (with the message) on a write error.
  bool Commit(MessageSink* sink);
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::string temp_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
  bool committed_ = false;
};

}  // namespace zelk
