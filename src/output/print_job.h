// Printing: the print settings, the page layout with overlaps, the plates of a print and the
// PostScript stream a PostScript printer receives, page by page.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "output/eps_writer.h"

namespace zelk {

constexpr int kMaxCopies = 9999;
constexpr int64_t kMaxPageUnits = 400000;  // 0.01 mm of the map

// The settings of the Print dialog, kept with the open document while the program runs.
struct PrintSettings {
  PrintKind kind = PrintKind::ColorMap;
  bool toEpsFile = false;  // print device: 0 printer, 1 EPS file
  double printScale = 0;   // 0: the map scale
  int copies = 1;
  bool toFile = false;
  Box window;                 // coordinate words; empty: the map's extent
  int horizontalOverlap = 0;  // mm on paper, 0..100
  int verticalOverlap = 0;
  int intensity = 100;  // %, 10..100; 0 reads as 100
  int lineWidthPercentage = 100;
  bool printGrid = false;
  int gridColor = 0;
  bool standardFonts = false;  // EPS: "Standard fonts as PostScript fonts"
  // The separations chosen in the list: process colours 0..3 or spot separation indexes.
  std::vector<int> separations;
};

// Print scale check: a message, or empty when the scale is usable (1..1e9, or 0 for the map's).
std::string CheckPrintScale(double printScale);

struct PageLayout {
  int64_t pageWidth = 0;  // 0.01 mm of the map
  int64_t pageHeight = 0;
  int64_t overlapX = 0;
  int64_t overlapY = 0;
  int across = 1;
  int down = 1;
};

// k = map scale / print scale; printable area and overlaps in mm on paper.
PageLayout ComputePageLayout(const Box& window, double k, int printableWidthMm,
                             int printableHeightMm, int overlapXMm, int overlapYMm);

struct PrintPage {
  int column = 0;  // 0 = leftmost
  int row = 0;     // 0 = top
  int number = 0;  // 1-based, in print order (columns left to right, each top to bottom)
  Box box;         // coordinate words
};

// The pages that meet the window, in print order.
std::vector<PrintPage> LayoutPages(const Box& window, const PageLayout& layout);

// The outputs of a print: the colour map, or one plate per chosen separation with a name.
struct PlateOutput {
  Plate plate;
  std::string name;  // "" for the colour map, else the separation's name
};
std::vector<PlateOutput> PlatesOf(const MapStore& store, const PrintSettings& settings);

// "map.zkm" + "Cyan" + ".ps" -> "mapCyan.ps": a separation's output beside the document.
std::string SeparationOutputName(const std::string& documentName, const std::string& plateName,
                                 const std::string& extension);

// A PostScript printer's paper: the printable area and where it lies on the sheet.
struct PostScriptPaper {
  int widthMm = 210;  // whole sheet
  int heightMm = 297;
  int marginMm = 5;  // printable area = sheet less the margin all round
  int dpi = 720;     // device units of the page streams
  int PrintableWidthMm() const { return widthMm - 2 * marginMm; }
  int PrintableHeightMm() const { return heightMm - 2 * marginMm; }
};

struct PrintStreamResult {
  bool completed = true;
  int pages = 0;
};

// The PostScript document a PostScript printer receives for one plate: every page (and every
// copy) a passthrough EPS stream placed on the sheet.
PrintStreamResult WritePrintStream(MapStore& store, FontService* fonts, PostScriptLines& lines,
                                   const PrintSettings& settings, const PostScriptPaper& paper,
                                   const PlateOutput& plate, const std::string& documentName,
                                   Progress* progress = nullptr);

// Prints every plate to PostScript files: the colour map to `path`, each separation to the
// name SeparationOutputName gives (extension of `path`). Stops at the first failure or abort.
// `written` gets the files completed.
OutputResult PrintToPostScriptFiles(MapStore& store, FontService* fonts,
                                    const PrintSettings& settings, const PostScriptPaper& paper,
                                    const std::string& path, MessageSink* sink,
                                    std::vector<std::string>* written,
                                    Progress* progress = nullptr);

}  // namespace zelk
