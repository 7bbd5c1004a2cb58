// zelk-cli commands over the core libraries.
#include "cli/cli.h"

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>

#include "cli/map_report.h"
#include "output/bitmap_export.h"
#include "render/font_service_qt.h"
#include "storage/document.h"

namespace zelk {

namespace {

// Errors go to stderr as the program words them; questions get fixed answers.
class CliSink : public MessageSink {
 public:
  explicit CliSink(std::ostream& err) : err_(err) {}
  void Error(const std::string& m, int) override {
    std::string text = m;
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, " ");
    err_ << text << "\n";
    failed = true;
  }
  bool Confirm(const std::string&, int) override { return true; }
  Answer Ask(const std::string&, int) override { return Answer::No; }
  bool failed = false;

 private:
  std::ostream& err_;
};

std::string PrivateTempPath(const std::string& near) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path();
  return (dir / ("zelk-cli-" + std::to_string(::getpid()) + "-" +
                 fs::path(near).filename().string() + ".~km"))
      .string();
}

// A document that works on a private copy, so the user's preferences and working copy are
// never touched and the map itself changes only through a completed save.
struct CliDocument {
  CliSink sink;
  Preferences prefs;
  std::string temp;
  Document doc;
  CliDocument(std::ostream& err, const std::string& map)
      : sink(err), temp(PrivateTempPath(map)), doc(&sink, &prefs, nullptr, temp) {
    prefs.autoSave = false;
  }
  ~CliDocument() {
    doc.Store().CloseWorkingFile();
    std::error_code ec;
    std::filesystem::remove(temp, ec);
  }
};

void Usage(std::ostream& err) {
  err << "usage:\n"
         "  zelk-cli new MAP --symbols SET.zkm\n"
         "  zelk-cli info MAP [--json]\n"
         "  zelk-cli render MAP -o OUT.bmp|OUT.png [--dpi N]\n";
}

int CmdNew(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string map, set;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--symbols" && i + 1 < args.size()) set = args[++i];
    else if (map.empty()) map = args[i];
    else return Usage(err), 2;
  }
  if (map.empty() || set.empty()) return Usage(err), 2;
  CliDocument d(err, map);
  if (!d.doc.NewMap(set)) return 1;
  if (!d.doc.SaveAs(map)) return 1;
  out << "Created " << map << " with " << d.doc.Store().SymbolCount() << " symbols from " << set << "\n";
  return 0;
}

int CmdInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string map;
  bool json = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--json") json = true;
    else if (map.empty()) map = args[i];
    else return Usage(err), 2;
  }
  if (map.empty()) return Usage(err), 2;
  CliDocument d(err, map);
  if (!d.doc.OpenByName(map)) {
    if (!d.sink.failed) err << "Cannot open " << map << "\n";
    return 1;
  }
  if (json) WriteMapJson(d.doc, out);
  else WriteMapSummary(d.doc, map, out);
  return 0;
}

int CmdRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string map, target, dpiText = std::to_string(kDefaultExportResolution);
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size()) target = args[++i];
    else if (args[i] == "--dpi" && i + 1 < args.size()) dpiText = args[++i];
    else if (map.empty()) map = args[i];
    else return Usage(err), 2;
  }
  if (map.empty() || target.empty()) return Usage(err), 2;
  int resolution = 0;
  if (const std::string problem = CheckResolution(dpiText, &resolution); !problem.empty()) {
    err << problem << "\n";
    return 1;
  }
  CliDocument d(err, map);
  if (!d.doc.OpenByName(map)) {
    if (!d.sink.failed) err << "Cannot open " << map << "\n";
    return 1;
  }
  QtFontService fonts;  // texts and grid labels; needs the GUI application of main()
  BitmapExportRequest request;
  request.path = target;
  request.resolution = resolution;
  request.fonts = &fonts;
  switch (ExportBitmap(d.doc.Store(), request, &d.sink)) {
    case ExportResult::Written: {
      Box extent;
      d.doc.Store().MapExtent(&extent);
      const BitmapSize size = BitmapSizeFor(extent, resolution);
      out << "Wrote " << target << " (" << size.width << " x " << size.height << " pixels at "
          << resolution << " DPI)\n";
      return 0;
    }
    case ExportResult::NoExtent:
      err << "The map has no objects; nothing was written.\n";
      return 1;
    default:
      return 1;
  }
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  static const std::map<std::string, std::function<int(const std::vector<std::string>&, std::ostream&,
                                                       std::ostream&)>>
      commands = {{"new", CmdNew}, {"info", CmdInfo}, {"render", CmdRender}};
  if (args.empty()) return Usage(err), 2;
  const auto it = commands.find(args[0]);
  if (it == commands.end()) return Usage(err), 2;
  return it->second(args, out, err);
}

}  // namespace zelk
