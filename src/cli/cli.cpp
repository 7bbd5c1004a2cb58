// zelk-cli commands over the core libraries.
#include "cli/cli.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

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

namespace fs = std::filesystem;

// A short name of its own in the temporary folder: the map's name may already be as long as a
// file name can be. The document overwrites the empty file made here.
std::string PrivateTempPath() {
  std::error_code ec;
  const fs::path dir = fs::temp_directory_path(ec);
  std::string name = (dir / "zelk-cli-XXXXXX").string();
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return (dir / ("zelk-cli-" + std::to_string(::getpid()) + ".~km")).string();
  ::close(fd);
  return name;
}

// True when writing `output` would write `input`: the same file under another spelling, through
// a link, or the very same name.
bool IsSameFile(const std::string& output, const std::string& input) {
  std::error_code ec;
  if (!fs::exists(output, ec) || !fs::exists(input, ec)) return false;
  return fs::equivalent(output, input, ec);
}

// Any entry of that name, also a link that leads nowhere.
bool NameTaken(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

// A document that works on a private copy, so the user's preferences and working copy are
// never touched and the map itself changes only through a completed save.
struct CliDocument {
  CliSink sink;
  Preferences prefs;
  std::string temp;
  Document doc;
  explicit CliDocument(std::ostream& err)
      : sink(err), temp(PrivateTempPath()), doc(&sink, &prefs, nullptr, temp) {
    prefs.autoSave = false;
  }
  ~CliDocument() {
    doc.Store().CloseWorkingFile();
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    std::filesystem::remove(doc.OwnerPath(), ec);
  }
};

void Usage(std::ostream& err) {
  err << "usage:\n"
         "  zelk-cli new MAP --symbols SET.zkm [--force]\n"
         "  zelk-cli info MAP [--json]\n"
         "  zelk-cli render MAP -o OUT.bmp|OUT.png [--dpi N]\n";
}

int CmdNew(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string map, set;
  bool force = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--symbols" && i + 1 < args.size())
      set = args[++i];
    else if (args[i] == "--force")
      force = true;
    else if (map.empty())
      map = args[i];
    else
      return Usage(err), 2;
  }
  if (map.empty() || set.empty()) return Usage(err), 2;
  if (IsSameFile(map, set)) {
    err << map << " is the symbol set itself; nothing was written.\n";
    return 1;
  }
  if (NameTaken(map) && !force) {
    err << map << " already exists; give --force to replace it.\n";
    return 1;
  }
  CliDocument d(err);
  if (!d.doc.NewMap(set)) return 1;
  if (!d.doc.SaveAs(map)) return 1;
  out << "Created " << map << " with " << d.doc.Store().SymbolCount() << " symbols from " << set
      << "\n";
  return 0;
}

int CmdInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string map;
  bool json = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--json")
      json = true;
    else if (map.empty())
      map = args[i];
    else
      return Usage(err), 2;
  }
  if (map.empty()) return Usage(err), 2;
  CliDocument d(err);
  if (!d.doc.OpenByName(map)) {
    if (!d.sink.failed) err << "Cannot open " << map << "\n";
    return 1;
  }
  if (json)
    WriteMapJson(d.doc, out);
  else
    WriteMapSummary(d.doc, map, out);
  return 0;
}

int CmdRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              FontService* fonts) {
  std::string map, target, dpiText = std::to_string(kDefaultExportResolution);
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size())
      target = args[++i];
    else if (args[i] == "--dpi" && i + 1 < args.size())
      dpiText = args[++i];
    else if (map.empty())
      map = args[i];
    else
      return Usage(err), 2;
  }
  if (map.empty() || target.empty()) return Usage(err), 2;
  int resolution = 0;
  if (const std::string problem = CheckResolution(dpiText, &resolution); !problem.empty()) {
    err << problem << "\n";
    return 1;
  }
  if (IsSameFile(target, map)) {
    err << target << " is the map itself; nothing was written.\n";
    return 1;
  }
  CliDocument d(err);
  if (!d.doc.OpenByName(map)) {
    if (!d.sink.failed) err << "Cannot open " << map << "\n";
    return 1;
  }
  // Texts and grid labels; the fonts need the GUI application of main().
  std::unique_ptr<QtFontService> ownFonts;
  if (!fonts) fonts = (ownFonts = std::make_unique<QtFontService>()).get();
  BitmapExportRequest request;
  request.path = target;
  request.resolution = resolution;
  request.fonts = fonts;
  switch (ExportBitmap(d.doc.Store(), request, &d.sink)) {
    case ExportResult::Written: {
      Box extent;
      DrawableExtent(d.doc.Store(), &extent);
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

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           FontService* fonts) {
  using Args = std::vector<std::string>;
  static const std::map<std::string,
                        std::function<int(const Args&, std::ostream&, std::ostream&, FontService*)>>
      commands = {
          {"new", [](const Args& a, std::ostream& o, std::ostream& e,
                     FontService*) { return CmdNew(a, o, e); }},
          {"info", [](const Args& a, std::ostream& o, std::ostream& e,
                      FontService*) { return CmdInfo(a, o, e); }},
          {"render", CmdRender},
      };
  if (args.empty()) return Usage(err), 2;
  const auto it = commands.find(args[0]);
  if (it == commands.end()) return Usage(err), 2;
  return it->second(args, out, err, fonts);
}

}  // namespace zelk
