// PDF export through the PDF device, SVG export through the graphics-device mode on
// QSvgGenerator, and printing on a painter.
#include <QtCore/QSaveFile>
#include <QtGui/QPainter>
#include <QtSvg/QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

#include "output/pdf_device.h"
#include "output/vector_export.h"
#include "render/font_service_qt.h"
#include "render/map_drawing.h"
#include "render/painter_device.h"
#include "render/view_transform.h"
#include "storage/text_format.h"

namespace zelk {

namespace {

// Device units of the vector surfaces: fine enough for 0.01 mm where the page allows, within
// the device coordinates the drawing keeps to.
double VectorDpi(double widthMm, double heightMm, double finest) {
  const double side = std::max({widthMm, heightMm, 1.0});
  return std::max(72.0, std::min(finest, PainterDevice::kMaxDeviceExtent * 25.4 / side));
}

std::string Title(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

}  // namespace

Rgb PrintDeviceColor(const Cmyk& c, const Plate& plate, int intensity) {
  if (plate.IsSeparation()) {
    if (c.k > 200) return Rgb{255, 255, 255};
    const auto g = static_cast<uint8_t>(std::nearbyint((200 - c.k) * 0.005 * 255));
    return Rgb{g, g, g};
  }
  Cmyk v = c;
  if (intensity >= 10 && intensity < 100) {
    const auto f = [intensity](uint8_t x) {
      return static_cast<uint8_t>(std::nearbyint(x * intensity / 100.0));
    };
    v = Cmyk{f(c.c), f(c.m), f(c.y), f(c.k)};
  }
  return ScreenColor(v);
}

bool DrawPlate(MapStore& store, FontService& fonts, QPainter& painter, double dpi, double k,
               const Box& window, const Plate& plate, int intensity, int lineWidthPercentage,
               Progress* progress) {
  return DrawPlateRegion(store, fonts, painter, dpi, k, PosWord(window.left), PosWord(window.top),
                         window, plate, intensity, lineWidthPercentage, progress);
}

bool DrawPlateRegion(MapStore& store, FontService& fonts, QPainter& painter, double dpi, double k,
                     int32_t originX, int32_t originY, const Box& window, const Plate& plate,
                     int intensity, int lineWidthPercentage, Progress* progress) {
  OutputState state;
  state.screen = false;
  state.lineWidthPercentage = lineWidthPercentage;
  SetResolutionTransform(state, dpi, k, originX, originY);
  state.clipRectangle = window;
  PainterDevice device(painter, state);
  device.SetStamping(false);
  device.SetGlyphImages(false);
  device.SetFontService(&fonts);
  RenderScratch scratch;
  RenderContext ctx{device, fonts, scratch};
  if (progress) ctx.inputWaiting = [progress] { return progress->AbortRequested(); };
  MapDrawingOptions options;
  options.colorWanted = [plate](const ColorRecord& c) { return PlateColor(c, plate, nullptr); };
  options.selectColor = [plate, intensity](OutputDevice& dev, const ColorRecord& c) {
    Cmyk cmyk;
    PlateColor(c, plate, &cmyk);
    dev.SelectColorPass(c.colorNumber, cmyk, PrintDeviceColor(cmyk, plate, intensity));
  };
  if (progress) {
    options.objectDrawn = [progress](int64_t n) {
      progress->Step(static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX)), 0);
    };
  }
  const bool done = DrawMapRegion(store, ctx, window, options).completed;
  device.FlushLines();
  return done;
}

PrintStreamResult PrintOnPainter(MapStore& store, FontService& fonts, const PrintSettings& settings,
                                 const Plate& plate, QPainter& painter,
                                 const PainterPrintTarget& target, Progress* progress) {
  PrintStreamResult result;
  Box window = settings.window;
  if (window.left >= window.right || window.bottom >= window.top) {
    if (!DefaultPrintWindow(store, &window)) return result;
  }
  const double mapScale = store.Setup().MapScale() > 0 ? store.Setup().MapScale() : 15000;
  const double printScale = settings.printScale > 0 ? settings.printScale : mapScale;
  const double k = mapScale / printScale;
  const PageLayout layout =
      ComputePageLayout(window, k, target.printableWidthMm, target.printableHeightMm,
                        settings.horizontalOverlap, settings.verticalOverlap);
  const std::vector<PrintPage> pages = LayoutPages(window, layout);
  const int copies = std::clamp(settings.copies, 1, kMaxCopies);
  // Device units per coordinate word.
  const double perWord = target.dpi / double(kUnitsPerInch) * k / 256.0;
  bool first = true;
  for (int copy = 0; copy < copies && result.completed; ++copy) {
    for (const PrintPage& page : pages) {
      if (progress && progress->AbortRequested()) {
        result.completed = false;
        break;
      }
      if (!first && target.newPage && !target.newPage()) {
        result.completed = false;
        break;
      }
      first = false;
      const Box clip{std::max(page.box.left, window.left), std::max(page.box.bottom, window.bottom),
                     std::min(page.box.right, window.right), std::min(page.box.top, window.top)};
      const auto dx = [&](int32_t x) { return (double(x) - page.box.left) * perWord; };
      const auto dy = [&](int32_t y) { return (double(page.box.top) - y) * perWord; };
      painter.save();
      painter.setClipRect(QRectF(QPointF(std::max(0.0, dx(clip.left)), std::max(0.0, dy(clip.top))),
                                 QPointF(dx(clip.right), dy(clip.bottom))));
      const bool done = DrawPlateRegion(store, fonts, painter, target.dpi, k,
                                        PosWord(page.box.left), PosWord(page.box.top), clip, plate,
                                        settings.intensity, settings.lineWidthPercentage, progress);
      if (settings.printGrid) {
        // Lines of the paper grid over the page, 0.1 mm wide, in the grid colour.
        const double step = store.Setup().PaperGrid() * kWordsPerMm;
        const int place = store.Colors().FindColor(settings.gridColor);
        Cmyk cmyk{0, 0, 0, 200};
        if (place >= 0) {
          const ColorRecord& c = store.Colors().colors[static_cast<size_t>(place)];
          PlateColor(c, plate, &cmyk);
        }
        const Rgb rgb = PrintDeviceColor(cmyk, plate, settings.intensity);
        painter.setPen(QPen(QColor(rgb.r, rgb.g, rgb.b), std::max(1.0, 0.1 / 25.4 * target.dpi)));
        if (step > 0 && std::isfinite(step)) {
          for (double x = std::ceil(clip.left / step) * step; x <= clip.right; x += step)
            painter.drawLine(QPointF(dx(int32_t(x)), dy(clip.top)),
                             QPointF(dx(int32_t(x)), dy(clip.bottom)));
          for (double y = std::ceil(clip.bottom / step) * step; y <= clip.top; y += step)
            painter.drawLine(QPointF(dx(clip.left), dy(int32_t(y))),
                             QPointF(dx(clip.right), dy(int32_t(y))));
        }
      }
      painter.restore();
      ++result.pages;
      if (!done) {
        result.completed = false;
        break;
      }
    }
  }
  return result;
}

OutputResult ExportPdf(MapStore& store, const VectorExportRequest& request, MessageSink* sink,
                       Progress* progress) {
  const Box& win = request.window;
  if (win.right <= win.left || win.top <= win.bottom) {
    if (sink) sink->Error("Right boundary must be greater than left boundary.");
    return OutputResult::Refused;
  }
  const double mapScale = store.Setup().MapScale() > 0 ? store.Setup().MapScale() : 15000;
  const double printScale = request.printScale > 0 ? request.printScale : mapScale;
  const double k = mapScale / printScale;
  const double wUnits = (double(win.right) - win.left) / 256.0;  // 0.01 mm of the map
  const double hUnits = (double(win.top) - win.bottom) / 256.0;
  const double toPoints = 72.0 / 2540.0 * k;
  if (!(wUnits * toPoints <= 14400) || !(hUnits * toPoints <= 14400)) {
    // The largest page a PDF reader must take: 200 inches.
    if (sink) sink->Error(ComposeMessage(";must be between;and", "Page size;1;5080 mm"));
    return OutputResult::Refused;
  }
  std::vector<std::pair<Plate, std::string>> plates;
  if (request.kind == PrintKind::ColorMap) {
    plates.push_back({Plate{}, ""});
  } else {
    for (int i : request.separations) {
      if (request.kind == PrintKind::CmykSeparations && i >= 0 && i < 4) {
        plates.push_back({Plate{PrintKind::CmykSeparations, i}, ProcessColorName(i)});
      } else if (request.kind == PrintKind::SpotSeparations && i >= 0 &&
                 i < std::min<int>(store.Colors().separationCount, kMaxSeparations)) {
        const std::string& name = store.Colors().separations[static_cast<size_t>(i)].name;
        if (!name.empty()) plates.push_back({Plate{PrintKind::SpotSeparations, i}, name});
      }
    }
  }
  if (plates.empty()) {
    if (sink) sink->Error("No color separation is chosen; nothing was written.");
    return OutputResult::Refused;
  }
  std::unique_ptr<QtFontService> own;
  FontService* fonts = request.fonts;
  if (!fonts) fonts = (own = std::make_unique<QtFontService>()).get();

  std::vector<PdfPage> pages;
  bool completed = true;
  if (progress) progress->Start(";objects drawn.", store.LiveObjectCount(), 50, true);
  for (const auto& [plate, name] : plates) {
    PdfPage page;
    page.widthPt = wUnits * toPoints;
    page.heightPt = hUnits * toPoints;
    page.label = name;  // the code page's bytes, as PDF text strings take them
    const std::string s = FormatNumber(toPoints, 8);
    page.content = "q " + s + " 0 0 " + s + " 0 0 cm\n0 0 " + FormatNumber(wUnits, 2) + " " +
                   FormatNumber(hUnits, 2) + " re W n\n";
    OutputState state;
    state.outputMode = OutputMode::PostScript;
    state.originX = PosWord(win.left);
    state.originY = PosWord(win.bottom);
    state.scaleX = state.scaleY = 1.0 / 256;
    state.clipRectangle = win;
    state.curveTolerance = 1;
    PdfDevice device(page.content, state, plate.IsSeparation(), fonts);
    RenderScratch scratch;
    RenderContext ctx{device, *fonts, scratch};
    if (progress) ctx.inputWaiting = [progress] { return progress->AbortRequested(); };
    MapDrawingOptions options;
    const Plate p = plate;
    options.colorWanted = [p](const ColorRecord& c) { return PlateColor(c, p, nullptr); };
    options.selectColor = [p](OutputDevice& dev, const ColorRecord& c) {
      Cmyk cmyk;
      PlateColor(c, p, &cmyk);
      dev.SelectColorPass(c.colorNumber, cmyk);
    };
    if (progress) {
      options.objectDrawn = [progress](int64_t n) {
        progress->Step(static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX)), 0);
      };
    }
    completed = DrawMapRegion(store, ctx, win, options).completed;
    while (device.ClipDepth() > 0) device.EndClip();
    page.content += "Q";
    pages.push_back(std::move(page));
    if (!completed) break;
  }
  if (progress) progress->End();
  if (!completed) {
    if (sink) sink->Error("Printing aborted.");
    return OutputResult::Aborted;
  }
  AtomicFile file(request.path);
  if (!file.Open(sink)) return OutputResult::Failed;
  file.Write(PdfFile(pages, Title(request.path), "ZELK " + FormatNumber(kProgramVersion, 2, 2)));
  return file.Commit(sink) ? OutputResult::Written : OutputResult::Failed;
}

OutputResult ExportSvg(MapStore& store, const VectorExportRequest& request, MessageSink* sink,
                       Progress* progress) {
  const Box& win = request.window;
  if (win.right <= win.left || win.top <= win.bottom) {
    if (sink) sink->Error("Right boundary must be greater than left boundary.");
    return OutputResult::Refused;
  }
  const double mapScale = store.Setup().MapScale() > 0 ? store.Setup().MapScale() : 15000;
  const double printScale = request.printScale > 0 ? request.printScale : mapScale;
  const double k = mapScale / printScale;
  const double wMm = (double(win.right) - win.left) / kWordsPerMm * k;
  const double hMm = (double(win.top) - win.bottom) / kWordsPerMm * k;
  if (!(wMm > 0) || !(hMm > 0) || wMm > 5000 || hMm > 5000) {
    if (sink) sink->Error(ComposeMessage(";must be between;and", "Page size;1;5000 mm"));
    return OutputResult::Refused;
  }
  const double dpi = VectorDpi(wMm, hMm, 2540);
  const int w = static_cast<int>(std::ceil(wMm / 25.4 * dpi));
  const int h = static_cast<int>(std::ceil(hMm / 25.4 * dpi));

  QSaveFile file(QString::fromStdString(request.path));
  if (!file.open(QIODevice::WriteOnly)) {
    if (sink) sink->Error(ComposeMessage("Cannot create", request.path));
    return OutputResult::Failed;
  }
  std::unique_ptr<QtFontService> own;
  FontService* fonts = request.fonts;
  if (!fonts) fonts = (own = std::make_unique<QtFontService>()).get();
  bool completed = true;
  {
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setResolution(static_cast<int>(dpi));
    svg.setSize(QSize(w, h));
    svg.setViewBox(QRect(0, 0, w, h));
    svg.setTitle(QString::fromStdString(Title(request.path)));
    svg.setDescription("ZELK " + QString::fromStdString(FormatNumber(kProgramVersion, 2, 2)));
    QPainter painter(&svg);
    painter.fillRect(QRect(0, 0, w, h), Qt::white);
    if (progress) progress->Start(";objects drawn.", store.LiveObjectCount(), 50, true);
    completed = DrawPlate(store, *fonts, painter, dpi, k, win, Plate{}, 100, 100, progress);
    if (progress) progress->End();
    painter.end();
  }
  if (!completed) {
    file.cancelWriting();
    if (sink) sink->Error("Printing aborted.");
    return OutputResult::Aborted;
  }
  if (!file.commit()) {
    if (sink) sink->Error(ComposeMessage("Cannot write to", request.path));
    return OutputResult::Failed;
  }
  return OutputResult::Written;
}

}  // namespace zelk
