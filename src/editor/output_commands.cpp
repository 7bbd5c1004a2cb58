// Printing and the vector and bitmap exports of the File menu.
#include "editor/output_commands.h"

#include <QApplication>
#include <QDialog>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <filesystem>

#include "dialogs/output_dlgs.h"
#include "output/bitmap_export.h"
#include "output/eps_writer.h"
#include "output/vector_export.h"

namespace zelk {

namespace {

namespace fs = std::filesystem;

constexpr const char* kPdfPrinter = "PDF file";

// The printers of the system through Qt's print support (CUPS on Linux).
class QtPrintServices : public PrintDialogServices {
 public:
  std::vector<std::string> Printers() override {
    std::vector<std::string> names;
    for (const QString& n : QPrinterInfo::availablePrinterNames()) names.push_back(n.toStdString());
    // Qt's own printer into a PDF file beside the map, always there.
    names.push_back(kPdfPrinter);
    return names;
  }
  void PrinterProperties(const std::string& printer, QWidget* parent) override {
    QPrinter p(QPrinterInfo::printerInfo(QString::fromStdString(printer)));
    QPrintDialog dlg(&p, parent);
    dlg.setOption(QAbstractPrintDialog::PrintToFile, false);
    dlg.exec();
  }
  void PrintableArea(const std::string& printer, int* widthMm, int* heightMm) override {
    if (printer.empty()) {
      // Print to file: the paper of the PostScript stream.
      *widthMm = PostScriptPaper{}.PrintableWidthMm();
      *heightMm = PostScriptPaper{}.PrintableHeightMm();
      return;
    }
    QPrinter p(QPrinterInfo::printerInfo(QString::fromStdString(printer)));
    const QRectF r = p.pageLayout().paintRect(QPageLayout::Millimeter);
    if (r.width() >= 1 && r.height() >= 1) {
      *widthMm = static_cast<int>(r.width());
      *heightMm = static_cast<int>(r.height());
    }
  }
};

// Every way out of an output puts the window back: the busy mark, the main window, the wait
// cursor and the abort dialog.
class OutputRun {
 public:
  OutputRun(CommandContext& c, const std::function<void(bool)>& enable, const std::string& name)
      : c_(c), enable_(enable), abort_(name, c.window.DialogParent()) {
    c_.state.Busy = true;
    c_.state.AbortRequested = false;
    if (enable_) enable_(false);
    abort_.setEnabled(true);
    if (c_.window.DialogParent()) abort_.show();
  }
  ~OutputRun() {
    abort_.hide();
    if (enable_) enable_(true);
    c_.state.Busy = false;
    c_.window.RedrawAll();
  }
  bool Aborted() const { return abort_.Aborted(); }

 private:
  CommandContext& c_;
  std::function<void(bool)> enable_;
  TAbortPrintDlg abort_;
};

// The status line's progress, with the abort dialog's Cancel as another way to stop.
class PrintProgress : public Progress {
 public:
  PrintProgress(Progress& inner, const OutputRun& run) : inner_(inner), run_(run) {}
  void Start(const std::string& m, int32_t t, int32_t s, bool a, const std::string& l) override {
    inner_.Start(m, t, s, a, l);
  }
  void Step(int32_t n, int32_t c) override {
    inner_.Step(n, c);
    QApplication::processEvents();
  }
  void End() override { inner_.End(); }
  bool AbortRequested() override { return run_.Aborted() || inner_.AbortRequested(); }

 private:
  Progress& inner_;
  const OutputRun& run_;
};

}  // namespace

OutputCommands::OutputCommands(CommandContext& c)
    : c_(c), services_(std::make_unique<QtPrintServices>()) {}

OutputCommands::~OutputCommands() = default;

std::string OutputCommands::DocumentName() const {
  if (!c_.doc.Name().empty()) return c_.doc.Name();
  std::error_code ec;
  return (fs::current_path(ec) / "Untitled.zkm").string();
}

void OutputCommands::Load() {
  const SetupBlock& s = c_.Store().Setup();
  // The window is the map's (File > Print window sets it too): read afresh every time.
  const Box stored{s.PrintLeft(), s.PrintBottom(), s.PrintRight(), s.PrintTop()};
  // The default frame of a new map is no window the user chose.
  const Box defaults{-1280000, -1280000, 1280000, 1280000};
  const Box window =
      (stored.right > stored.left && stored.top > stored.bottom && !(stored == defaults)) ? stored
                                                                                          : Box{};
  if (loaded_ && loadedFor_ == c_.doc.Name()) {
    settings_.window = window;
    return;
  }
  settings_ = PrintSettings{};
  settings_.window = window;
  settings_.printScale = s.PrintMapScale() > 0 ? s.PrintMapScale() : s.MapScale();
  settings_.standardFonts = s.EpsStandardFonts() != 0;
  loaded_ = true;
  loadedFor_ = c_.doc.Name();
}

void OutputCommands::Store() {
  SetupBlock& s = c_.Store().MutableSetup();
  bool changed = false;
  if (settings_.window.right > settings_.window.left &&
      settings_.window.top > settings_.window.bottom) {
    const Box& w = settings_.window;
    changed |= s.PrintLeft() != w.left || s.PrintBottom() != w.bottom ||
               s.PrintRight() != w.right || s.PrintTop() != w.top;
    s.SetPrintLeft(w.left);
    s.SetPrintBottom(w.bottom);
    s.SetPrintRight(w.right);
    s.SetPrintTop(w.top);
  }
  if (settings_.printScale > 0 && s.PrintMapScale() != settings_.printScale) {
    s.SetPrintMapScale(settings_.printScale);
    changed = true;
  }
  if ((s.EpsStandardFonts() != 0) != settings_.standardFonts) {
    s.SetEpsStandardFonts(settings_.standardFonts ? 1 : 0);
    changed = true;
  }
  if (changed) c_.Store().SetModified(true);
}

Box OutputCommands::Window() const {
  if (settings_.window.right > settings_.window.left &&
      settings_.window.top > settings_.window.bottom)
    return settings_.window;
  Box extent;
  if (!DefaultPrintWindow(c_.Store(), &extent)) return Box{0, 0, 256, 256};
  return extent;
}

void OutputCommands::Print() {
  if (!c_.doc.IsOpen() || !c_.sink) return;
  Load();
  TPrintDlg dlg(settings_, c_.Store(), services_.get(), *c_.sink, c_.help,
                c_.window.DialogParent());
  if (dlg.exec() != QDialog::Accepted) return;
  Store();
  RunPrint(dlg.Printer());
}

bool OutputCommands::RunPrint(const std::string& printer) {
  const std::string document = DocumentName();
  OutputRun run(c_, enableMainWindow, fs::path(document).filename().string());
  PrintProgress progress(*progress_, run);
  if (settings_.toEpsFile) return PrintEps();
  if ((settings_.toFile && printer != kPdfPrinter) || printer.empty()) {
    // The stream a PostScript printer receives, to the file the document names.
    PrintSettings s = settings_;
    s.window = Window();
    fs::path prn(document);
    prn.replace_extension(".prn");
    std::vector<std::string> written;
    return PrintToPostScriptFiles(c_.Store(), c_.fonts, s, PostScriptPaper{}, prn.string(), c_.sink,
                                  &written, &progress) == OutputResult::Written;
  }
  return PrintOnPrinter(printer, progress);
}

bool OutputCommands::PrintEps() {
  const std::vector<PlateOutput> plates = PlatesOf(c_.Store(), settings_);
  const std::string document = DocumentName();
  for (const PlateOutput& plate : plates) {
    const std::string proposed = plate.plate.IsSeparation()
                                     ? SeparationOutputName(document, plate.name, ".eps")
                                     : fs::path(document).replace_extension(".eps").string();
    std::string path = proposed;
    if (c_.chooser) {
      const std::optional<std::string> chosen =
          c_.chooser->ChooseFile("Print EPS file;EPS files (*.eps)|*.eps|All files (*.*)|*.*",
                                 "eps", proposed, help::kEpsProperties, true);
      if (!chosen) return false;
      path = *chosen;
    }
    EpsExportRequest rq;
    rq.path = path;
    rq.printWindow = Window();
    rq.printScale = settings_.printScale;
    rq.plate = plate.plate;
    rq.standardFonts = settings_.standardFonts;
    rq.fonts = c_.fonts;
    if (ExportEpsFile(c_.Store(), rq, c_.sink, progress_) != OutputResult::Written) return false;
  }
  return true;
}

bool OutputCommands::PrintOnPrinter(const std::string& printerName, Progress& progress) {
  if (!c_.fonts) return false;
  // A PostScript printer of the print system takes the PostScript stream itself, through a raw
  // job; others are drawn on.
  const QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdString(printerName));
  const QString lp = QStandardPaths::findExecutable("lp");
  if (!info.isNull() && info.makeAndModel().contains("PostScript", Qt::CaseInsensitive) &&
      !lp.isEmpty()) {
    PrintSettings s = settings_;
    s.window = Window();
    std::error_code ec;
    const fs::path dir = fs::temp_directory_path(ec);
    const std::string stem =
        (dir / ("zelk-job-" + std::to_string(QCoreApplication::applicationPid()))).string();
    // The sheet of the printer's paper.
    PostScriptPaper paper;
    const QRectF sheet = QPrinter(info).pageLayout().fullRect(QPageLayout::Millimeter);
    if (sheet.width() > 20 && sheet.height() > 20) {
      paper.widthMm = static_cast<int>(sheet.width());
      paper.heightMm = static_cast<int>(sheet.height());
    }
    std::vector<std::string> written;
    const OutputResult r = PrintToPostScriptFiles(c_.Store(), c_.fonts, s, paper, stem + ".ps",
                                                  c_.sink, &written, &progress);
    bool sent = r == OutputResult::Written;
    for (const std::string& job : written) {
      if (sent &&
          QProcess::execute(lp, {"-d", QString::fromStdString(printerName), "-o", "raw", "-t",
                                 QString::fromStdString(fs::path(job).filename().string()),
                                 QString::fromStdString(job)}) != 0) {
        c_.sink->Error(ComposeMessage("Cannot write to", printerName));
        sent = false;
      }
      fs::remove(job, ec);
    }
    return sent;
  }
  const std::vector<PlateOutput> plates = PlatesOf(c_.Store(), settings_);
  PrintSettings s = settings_;
  s.window = Window();
  const std::string document = fs::path(DocumentName()).filename().string();
  for (const PlateOutput& plate : plates) {
    QPrinter printer(QPrinterInfo::printerInfo(QString::fromStdString(printerName)),
                     QPrinter::HighResolution);
    if (printerName == kPdfPrinter) {
      const std::string stem = fs::path(DocumentName()).replace_extension().string();
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(QString::fromStdString(stem + plate.name + ".pdf"));
    }
    // Copies are made by the page loop alone.
    printer.setCopyCount(1);
    printer.setDocName(QString::fromStdString(
        plate.name.empty() ? document : fs::path(document).stem().string() + plate.name));
    QPainter painter;
    if (!painter.begin(&printer)) {
      c_.sink->Error(ComposeMessage("Cannot write to", printerName));
      return false;
    }
    const QRectF area = printer.pageLayout().paintRect(QPageLayout::Millimeter);
    PainterPrintTarget target;
    target.dpi = printer.resolution();
    target.printableWidthMm = std::max(1, static_cast<int>(area.width()));
    target.printableHeightMm = std::max(1, static_cast<int>(area.height()));
    target.newPage = [&printer] { return printer.newPage(); };
    const PrintStreamResult r =
        PrintOnPainter(c_.Store(), *c_.fonts, s, plate.plate, painter, target, &progress);
    if (!r.completed) {
      printer.abort();
      painter.end();
      c_.sink->Error("Printing aborted.");
      return false;
    }
    painter.end();
  }
  return true;
}

void OutputCommands::ExportBmp() {
  if (!c_.doc.IsOpen() || !c_.sink) return;
  TExpBmpDlg dlg(c_.chooser, *c_.sink, c_.help, c_.window.DialogParent());
  std::error_code ec;
  dlg.Propose(c_.doc.Name(), fs::current_path(ec).string());
  if (dlg.exec() != QDialog::Accepted) return;
  OutputRun run(c_, nullptr, dlg.Path());
  PrintProgress progress(*progress_, run);
  BitmapExportRequest rq;
  rq.path = dlg.Path();
  rq.resolution = dlg.Resolution();
  rq.fonts = c_.fonts;
  ExportBitmap(c_.Store(), rq, c_.sink, &progress);
}

void OutputCommands::ExportPdf() {
  ExportVector(true);
}

void OutputCommands::ExportSvg() {
  ExportVector(false);
}

void OutputCommands::ExportVector(bool pdf) {
  if (!c_.doc.IsOpen() || !c_.sink || !c_.chooser) return;
  Load();
  const char* filter = pdf ? "Export PDF File;PDF files (*.pdf)|*.pdf|All files (*.*)|*.*"
                           : "Export SVG File;SVG files (*.svg)|*.svg|All files (*.*)|*.*";
  const std::string extension = pdf ? "pdf" : "svg";
  const std::optional<std::string> path = c_.chooser->ChooseFile(
      filter, extension, fs::path(DocumentName()).replace_extension("." + extension).string(), 0,
      true);
  if (!path) return;
  OutputRun run(c_, nullptr, *path);
  PrintProgress progress(*progress_, run);
  VectorExportRequest rq;
  rq.path = *path;
  rq.window = Window();
  rq.printScale = settings_.printScale;
  rq.fonts = c_.fonts;
  if (pdf) {
    // The kind and separations chosen for printing: the colour map, or a page per plate.
    rq.kind = settings_.kind;
    rq.separations = settings_.separations;
    zelk::ExportPdf(c_.Store(), rq, c_.sink, &progress);
  } else {
    zelk::ExportSvg(c_.Store(), rq, c_.sink, &progress);
  }
}

}  // namespace zelk
