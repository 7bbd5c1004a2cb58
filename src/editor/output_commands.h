// File > Print... and File > Export > BMP..., PDF..., SVG...: printing on Qt's printers or as
// PostScript, EPS files, bitmaps and vector files.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "editor/command_context.h"
#include "output/print_job.h"
#include "storage/messages.h"

namespace zelk {

class PrintDialogServices;

class OutputCommands {
 public:
  explicit OutputCommands(CommandContext& c);
  ~OutputCommands();
  void SetProgress(Progress* p) { progress_ = p ? p : &quiet_; }
  // Disables and enables the main window around a print (null in tests).
  std::function<void(bool)> enableMainWindow;

  void Print();
  void ExportBmp();
  void ExportPdf();
  void ExportSvg();

  // The settings of the Print dialog for the open map (kept while the program runs).
  PrintSettings& Settings() { return settings_; }
  // The document name of outputs: the map's name, or "Untitled.zkm" in the current folder.
  std::string DocumentName() const;
  // After the dialog: the EPS files or the printer jobs of every plate. Returns false when an
  // output failed or was aborted.
  bool RunPrint(const std::string& printer);

 private:
  // The settings from the map's print block, once per map.
  void Load();
  void Store();
  // The map as a PDF (the print settings' kind and separations) or an SVG file.
  void ExportVector(bool pdf);
  bool PrintEps();
  bool PrintOnPrinter(const std::string& printer, Progress& progress);
  Box Window() const;

  CommandContext& c_;
  NullProgress quiet_;
  Progress* progress_ = &quiet_;
  PrintSettings settings_;
  std::string loadedFor_;
  bool loaded_ = false;
  std::unique_ptr<PrintDialogServices> services_;
};

}  // namespace zelk
