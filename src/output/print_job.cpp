// Printing: page layout, plates and the PostScript stream of a PostScript printer.
#include "output/print_job.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "storage/text_format.h"

namespace zelk {

namespace {

int64_t RoundUnits(double v) {
  if (!std::isfinite(v)) return kMaxPageUnits;
  return static_cast<int64_t>(std::nearbyint(std::clamp(v, -1e15, 1e15)));
}

// The smallest n >= 1 with n * page - (n - 1) * overlap >= extent - 50.
int PagesFor(double extent, int64_t page, int64_t overlap) {
  const double step = static_cast<double>(page - overlap);
  const double need = extent - 50 - static_cast<double>(overlap);
  if (!(step > 0) || need <= step) return 1;
  const double n = std::ceil(need / step);
  return static_cast<int>(std::clamp(n, 1.0, 100000.0));
}

std::string Points(double mm) {
  return FormatNumber(mm * 72.0 / 25.4, 2);
}

}  // namespace

std::string CheckPrintScale(double printScale) {
  if (printScale == 0) return {};
  if (std::isfinite(printScale) && printScale >= 1 && printScale <= 1e9) return {};
  return ComposeMessage(";must be between;and", "Print scale;1;1000000000");
}

PageLayout ComputePageLayout(const Box& window, double k, int printableWidthMm,
                             int printableHeightMm, int overlapXMm, int overlapYMm) {
  PageLayout l;
  if (!(k > 0) || !std::isfinite(k)) k = 1;
  l.pageWidth =
      std::clamp<int64_t>(RoundUnits(std::max(1, printableWidthMm) * 100.0 / k), 1, kMaxPageUnits);
  l.pageHeight =
      std::clamp<int64_t>(RoundUnits(std::max(1, printableHeightMm) * 100.0 / k), 1, kMaxPageUnits);
  l.overlapX = std::clamp<int64_t>(RoundUnits(std::clamp(overlapXMm, 0, 100) * 100.0 / k), 0,
                                   l.pageWidth / 2);
  l.overlapY = std::clamp<int64_t>(RoundUnits(std::clamp(overlapYMm, 0, 100) * 100.0 / k), 0,
                                   l.pageHeight / 2);
  const double ww = (double(window.right) - window.left) / 256.0;
  const double wh = (double(window.top) - window.bottom) / 256.0;
  l.across = PagesFor(ww, l.pageWidth, l.overlapX);
  l.down = PagesFor(wh, l.pageHeight, l.overlapY);
  return l;
}

std::vector<PrintPage> LayoutPages(const Box& window, const PageLayout& layout) {
  std::vector<PrintPage> pages;
  const double cx = (double(window.left) + window.right) / 2;
  const double cy = (double(window.bottom) + window.top) / 2;
  const double halfW = double(layout.pageWidth) * 128, halfH = double(layout.pageHeight) * 128;
  int number = 0;
  for (int m = 0; m < layout.across; ++m) {
    for (int r = 0; r < layout.down; ++r) {
      const double px =
          cx + double(2 * m - layout.across + 1) * double(layout.pageWidth - layout.overlapX) * 128;
      const double py =
          cy - double(2 * r - layout.down + 1) * double(layout.pageHeight - layout.overlapY) * 128;
      const auto clampWord = [](double v) {
        return static_cast<int32_t>(std::clamp(std::nearbyint(v), -2147483648.0, 2147483647.0));
      };
      const Box b{clampWord(px - halfW), clampWord(py - halfH), clampWord(px + halfW),
                  clampWord(py + halfH)};
      if (b.right <= window.left || b.left >= window.right || b.top <= window.bottom ||
          b.bottom >= window.top)
        continue;
      pages.push_back({m, r, ++number, b});
    }
  }
  return pages;
}

std::vector<PlateOutput> PlatesOf(const MapStore& store, const PrintSettings& settings) {
  std::vector<PlateOutput> plates;
  switch (settings.kind) {
    case PrintKind::ColorMap:
      plates.push_back({{PrintKind::ColorMap, 0}, ""});
      break;
    case PrintKind::CmykSeparations:
      for (int i : settings.separations)
        if (i >= 0 && i < 4)
          plates.push_back({{PrintKind::CmykSeparations, i}, ProcessColorName(i)});
      break;
    case PrintKind::SpotSeparations: {
      const SymbolHeader& t = store.Colors();
      const int count = std::clamp<int>(t.separationCount, 0, kMaxSeparations);
      for (int i : settings.separations) {
        if (i < 0 || i >= count) continue;
        const std::string& name = t.separations[static_cast<size_t>(i)].name;
        if (name.empty()) continue;
        plates.push_back({{PrintKind::SpotSeparations, i}, Cp1252ToUtf8(name)});
      }
      break;
    }
  }
  return plates;
}

std::string SeparationOutputName(const std::string& documentName, const std::string& plateName,
                                 const std::string& extension) {
  std::filesystem::path p(documentName);
  p.replace_extension();
  return p.string() + plateName + extension;
}

PrintStreamResult WritePrintStream(MapStore& store, FontService* fonts, PostScriptLines& lines,
                                   const PrintSettings& settings, const PostScriptPaper& paper,
                                   const PlateOutput& plate, const std::string& documentName,
                                   Progress* progress) {
  PrintStreamResult result;
  Box window = settings.window;
  if (window.left >= window.right || window.bottom >= window.top) {
    if (!DefaultPrintWindow(store, &window)) window = Box{0, 0, 256, 256};
  }
  const double mapScale = store.Setup().MapScale() > 0 ? store.Setup().MapScale() : 15000;
  const double printScale = settings.printScale > 0 ? settings.printScale : mapScale;
  const double k = mapScale / printScale;
  const PageLayout layout =
      ComputePageLayout(window, k, paper.PrintableWidthMm(), paper.PrintableHeightMm(),
                        settings.horizontalOverlap, settings.verticalOverlap);
  const std::vector<PrintPage> pages = LayoutPages(window, layout);
  const int copies = std::clamp(settings.copies, 1, kMaxCopies);

  lines.Line("%!PS-Adobe-3.0");
  lines.Line("%%Creator: ZELK " + FormatNumber(kProgramVersion, 2, 2));
  lines.Line("%%Title: " + documentName + (plate.name.empty() ? "" : " " + plate.name));
  lines.Line("%%Pages: " + std::to_string(pages.size() * static_cast<size_t>(copies)));
  lines.Line("%%BoundingBox: 0 0 " + std::to_string(std::lround(paper.widthMm * 72.0 / 25.4)) +
             " " + std::to_string(std::lround(paper.heightMm * 72.0 / 25.4)));
  lines.Line("%%EndComments");

  const double scale = paper.dpi / 2540.0 * k / 256.0;  // device units per map unit
  int ordinal = 0;
  for (int copy = 0; copy < copies && result.completed; ++copy) {
    for (const PrintPage& page : pages) {
      if (progress && progress->AbortRequested()) {
        result.completed = false;
        break;
      }
      ++ordinal;
      const std::string label = plate.name.empty() ? std::to_string(page.number)
                                                   : plate.name + " " + std::to_string(page.number);
      lines.Line("%%Page: (" + label + ") " + std::to_string(ordinal));
      lines.Line("gsave");
      const double mx = paper.marginMm, top = paper.heightMm - paper.marginMm;
      lines.Line("newpath " + Points(mx) + " " + Points(paper.marginMm) + " " +
                 Points(paper.PrintableWidthMm()) + " " + Points(paper.PrintableHeightMm()) +
                 " rectclip");
      lines.Line(Points(mx) + " " + Points(top) + " translate 72 " + std::to_string(paper.dpi) +
                 " div dup neg scale");
      lines.Line("%%BeginDocument: ZELK Eps_PassThrough");
      EpsStreamRequest rq;
      rq.title = "ZELK Eps_PassThrough";
      rq.printWindow = window;
      rq.mapScale = mapScale;
      rq.printScale = printScale;
      rq.plate = plate.plate;
      rq.passthrough = true;
      rq.originX = PosWord(page.box.left);
      rq.originY = PosWord(page.box.top);
      rq.scaleX = scale;
      rq.scaleY = -scale;
      rq.clipRectangle =
          Box{std::max(page.box.left, window.left), std::max(page.box.bottom, window.bottom),
              std::min(page.box.right, window.right), std::min(page.box.top, window.top)};
      const EpsStreamResult r = WriteEpsStream(store, fonts, lines, rq, progress);
      lines.Line("%%EndDocument");
      lines.Line("grestore");
      lines.Line("showpage");
      ++result.pages;
      if (!r.completed) {
        result.completed = false;
        break;
      }
    }
  }
  lines.Line("%%Trailer");
  lines.Line("%%EOF");
  return result;
}

OutputResult PrintToPostScriptFiles(MapStore& store, FontService* fonts,
                                    const PrintSettings& settings, const PostScriptPaper& paper,
                                    const std::string& path, MessageSink* sink,
                                    std::vector<std::string>* written, Progress* progress) {
  if (const std::string problem = CheckPrintScale(settings.printScale); !problem.empty()) {
    if (sink) sink->Error(problem);
    return OutputResult::Refused;
  }
  if (settings.window.left < settings.window.right ||
      settings.window.bottom < settings.window.top) {
    if (settings.window.right <= settings.window.left) {
      if (sink) sink->Error("Right boundary must be greater than left boundary.");
      return OutputResult::Refused;
    }
    if (settings.window.top <= settings.window.bottom) {
      if (sink) sink->Error("Top boundary must be greater than bottom boundary.");
      return OutputResult::Refused;
    }
  }
  const std::vector<PlateOutput> plates = PlatesOf(store, settings);
  const std::string extension = std::filesystem::path(path).extension().string();
  const std::string document = std::filesystem::path(path).filename().string();
  for (const PlateOutput& plate : plates) {
    const std::string target =
        plate.plate.IsSeparation() ? SeparationOutputName(path, plate.name, extension) : path;
    AtomicFile file(target);
    if (!file.Open(sink)) return OutputResult::Failed;
    PostScriptLines lines([&file](std::string_view text) { return file.Write(text); });
    if (progress) progress->Start(";objects drawn.", store.LiveObjectCount(), 50, true);
    const PrintStreamResult r =
        WritePrintStream(store, fonts, lines, settings, paper, plate, document, progress);
    if (progress) progress->End();
    if (!lines.Flush()) {
      if (sink) sink->Error(ComposeMessage("Cannot write to", target));
      return OutputResult::Failed;
    }
    if (!r.completed) {
      // A print job that was stopped is not handed on: the temporary file goes.
      if (sink) sink->Error("Printing aborted.");
      return OutputResult::Aborted;
    }
    if (!file.Commit(sink)) return OutputResult::Failed;
    if (written) written->push_back(target);
  }
  return OutputResult::Written;
}

}  // namespace zelk
