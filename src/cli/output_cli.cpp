// zelk-cli output commands: EPS, PostScript print files, PDF and SVG.
#include "cli/output_cli.h"

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "cli/cli_document.h"
#include "output/eps_writer.h"
#include "output/print_job.h"
#include "output/vector_export.h"
#include "render/font_service_qt.h"
#include "storage/document.h"

namespace zelk {

namespace {

namespace fs = std::filesystem;

bool ParseNumber(const std::string& text, double* v) {
  char* end = nullptr;
  *v = std::strtod(text.c_str(), &end);
  return !text.empty() && *end == '\0' && std::isfinite(*v);
}

// "X0,Y0,X1,Y1" in mm as a box of coordinate words.
bool ParseWindow(const std::string& text, Box* box) {
  double v[4];
  size_t from = 0;
  for (int i = 0; i < 4; ++i) {
    const size_t comma = text.find(',', from);
    if ((i < 3) == (comma == std::string::npos)) return false;
    const std::string part = text.substr(from, i < 3 ? comma - from : std::string::npos);
    if (!ParseNumber(part, &v[i]) || std::abs(v[i]) > 2000000) return false;
    from = comma + 1;
  }
  const auto word = [](double mm) {
    return static_cast<int32_t>(std::nearbyint(mm * kWordsPerMm)) & kPosMask;
  };
  *box = Box{word(std::min(v[0], v[2])), word(std::min(v[1], v[3])), word(std::max(v[0], v[2])),
             word(std::max(v[1], v[3]))};
  if (v[0] >= v[2] || v[1] >= v[3]) {
    // Kept as given so that the program's own message names the wrong boundary.
    *box = Box{word(v[0]), word(v[1]), word(v[2]), word(v[3])};
  }
  return true;
}

class QuietCliProgress : public Progress {
 public:
  void Start(const std::string&, int32_t, int32_t, bool, const std::string&) override {}
  void Step(int32_t, int32_t) override {}
  void End() override {}
};

FontService* FontsOr(FontService* fonts, std::unique_ptr<QtFontService>& own) {
  if (fonts) return fonts;
  own = std::make_unique<QtFontService>();
  return own.get();
}

}  // namespace

int CmdExportEps(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 FontService* fonts) {
  std::string map, target, windowText;
  bool stdFonts = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size())
      target = args[++i];
    else if (args[i] == "--std-fonts")
      stdFonts = true;
    else if (args[i] == "--window" && i + 1 < args.size())
      windowText = args[++i];
    else if (map.empty())
      map = args[i];
    else
      return 2;
  }
  if (map.empty() || target.empty()) return 2;
  EpsExportRequest request;
  request.path = target;
  request.standardFonts = stdFonts;
  if (!windowText.empty() && !ParseWindow(windowText, &request.printWindow)) {
    err << "The window must be given as X0,Y0,X1,Y1 in mm.\n";
    return 1;
  }
  if (IsSameFile(target, map)) {
    err << target << " is the map itself; nothing was written.\n";
    return 1;
  }
  CliDocument d(err);
  if (!d.Open(map, err)) return 1;
  if (windowText.empty() && !DefaultPrintWindow(d.doc.Store(), &request.printWindow)) {
    err << "The map has no objects; nothing was written.\n";
    return 1;
  }
  std::unique_ptr<QtFontService> own;
  request.fonts = FontsOr(fonts, own);
  QuietCliProgress progress;
  if (ExportEpsFile(d.doc.Store(), request, &d.sink, &progress) != OutputResult::Written) return 1;
  out << "Wrote " << target << "\n";
  return 0;
}

int CmdPrint(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             FontService* fonts) {
  std::string map, target, kind = "colour";
  PrintSettings settings;
  for (size_t i = 1; i < args.size(); ++i) {
    double v = 0;
    if (args[i] == "-o" && i + 1 < args.size()) {
      target = args[++i];
    } else if (args[i] == "--kind" && i + 1 < args.size()) {
      kind = args[++i];
    } else if (args[i] == "--scale" && i + 1 < args.size()) {
      if (!ParseNumber(args[++i], &v) || v <= 0) {
        err << ComposeMessage(";must be between;and", "Print scale;1;1000000000") << "\n";
        return 1;
      }
      settings.printScale = v;
    } else if (args[i] == "--overlap" && i + 1 < args.size()) {
      if (!ParseNumber(args[++i], &v) || v < 0 || v > 100) {
        err << ComposeMessage(";must be between;and", "Overlap;0;100 mm") << "\n";
        return 1;
      }
      settings.horizontalOverlap = settings.verticalOverlap = static_cast<int>(std::lround(v));
    } else if (args[i] == "--copies" && i + 1 < args.size()) {
      if (!ParseNumber(args[++i], &v) || v < 1 || v > kMaxCopies) {
        err << ComposeMessage(";must be between;and", "Copies;1;9999") << "\n";
        return 1;
      }
      settings.copies = static_cast<int>(v);
    } else if (map.empty()) {
      map = args[i];
    } else {
      return 2;
    }
  }
  if (map.empty() || target.empty()) return 2;
  if (kind == "colour" || kind == "color") {
    settings.kind = PrintKind::ColorMap;
  } else if (kind == "cmyk") {
    settings.kind = PrintKind::CmykSeparations;
    settings.separations = {0, 1, 2, 3};
  } else if (kind == "spot") {
    settings.kind = PrintKind::SpotSeparations;
  } else {
    err << "The kind must be colour, cmyk or spot.\n";
    return 1;
  }
  if (IsSameFile(target, map)) {
    err << target << " is the map itself; nothing was written.\n";
    return 1;
  }
  CliDocument d(err);
  if (!d.Open(map, err)) return 1;
  MapStore& store = d.doc.Store();
  if (settings.kind == PrintKind::SpotSeparations) {
    for (int i = 0; i < std::clamp<int>(store.Colors().separationCount, 0, kMaxSeparations); ++i)
      settings.separations.push_back(i);
    if (PlatesOf(store, settings).empty()) {
      err << "The map has no spot colour separations; nothing was written.\n";
      return 1;
    }
  }
  if (!DefaultPrintWindow(store, &settings.window)) {
    err << "The map has no objects; nothing was written.\n";
    return 1;
  }
  std::unique_ptr<QtFontService> own;
  QuietCliProgress progress;
  std::vector<std::string> written;
  const OutputResult r =
      PrintToPostScriptFiles(store, FontsOr(fonts, own), settings, PostScriptPaper{}, target,
                             &d.sink, &written, &progress);
  for (const std::string& w : written) out << "Wrote " << w << "\n";
  return r == OutputResult::Written ? 0 : 1;
}

int CmdExportVector(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    FontService* fonts, bool pdf) {
  std::string map, target;
  bool separations = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size())
      target = args[++i];
    else if (pdf && args[i] == "--separations")
      separations = true;
    else if (map.empty())
      map = args[i];
    else
      return 2;
  }
  if (map.empty() || target.empty()) return 2;
  if (IsSameFile(target, map)) {
    err << target << " is the map itself; nothing was written.\n";
    return 1;
  }
  CliDocument d(err);
  if (!d.Open(map, err)) return 1;
  VectorExportRequest request;
  request.path = target;
  if (!DefaultPrintWindow(d.doc.Store(), &request.window)) {
    err << "The map has no objects; nothing was written.\n";
    return 1;
  }
  std::unique_ptr<QtFontService> own;
  request.fonts = FontsOr(fonts, own);
  if (separations) {
    request.kind = PrintKind::SpotSeparations;
    const SymbolHeader& t = d.doc.Store().Colors();
    for (int i = 0; i < std::clamp<int>(t.separationCount, 0, kMaxSeparations); ++i)
      request.separations.push_back(i);
    if (request.separations.empty()) {
      request.kind = PrintKind::CmykSeparations;
      request.separations = {0, 1, 2, 3};
    }
  }
  QuietCliProgress progress;
  const OutputResult r = pdf ? ExportPdf(d.doc.Store(), request, &d.sink, &progress)
                             : ExportSvg(d.doc.Store(), request, &d.sink, &progress);
  if (r != OutputResult::Written) return 1;
  out << "Wrote " << target << "\n";
  return 0;
}

}  // namespace zelk
