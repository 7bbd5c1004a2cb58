// zelk-cli commands that work on the whole map.
#include "cli/map_cli.h"

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "cli/cli_document.h"
#include "storage/backup.h"
#include "storage/buffered_file.h"
#include "storage/document.h"
#include "storage/map_wide.h"
#include "storage/older_formats.h"
#include "storage/optimize.h"

namespace zelk {

namespace {

namespace fs = std::filesystem;

// The map opened on a private copy; it is written back only by Save. The map-area question is
// answered yes.
struct MapDoc : CliDocument {
  explicit MapDoc(std::ostream& err) : CliDocument(err, Answer::Yes) {}
};

bool Number(const std::string& text, double* v) {
  char* end = nullptr;
  *v = std::strtod(text.c_str(), &end);
  return !text.empty() && *end == '\0' && std::isfinite(*v);
}

// A symbol number as shown ("101.2") to its stored form (1012); 0 when it is none.
int SymbolNumber(const std::string& text) {
  double v = 0;
  if (!Number(text, &v)) return 0;
  const long n = std::lround(v * 10);
  return n >= 1 && n <= 9999 ? static_cast<int>(n) : 0;
}

// Options are taken out of `args`; what stays are the positional arguments.
struct Parsed {
  std::vector<std::string> positional;
  std::set<std::string> flags;
  std::map<std::string, std::string> values;
};

bool Parse(const std::vector<std::string>& args, const std::set<std::string>& flagNames,
           const std::set<std::string>& valueNames, Parsed* p) {
  for (size_t i = 1; i < args.size(); ++i) {
    if (flagNames.contains(args[i])) {
      p->flags.insert(args[i]);
    } else if (valueNames.contains(args[i])) {
      if (i + 1 >= args.size()) return false;
      p->values[args[i]] = args[i + 1];
      ++i;
    } else if (args[i].size() > 2 && args[i].rfind("--", 0) == 0) {
      return false;
    } else {
      p->positional.push_back(args[i]);
    }
  }
  return true;
}

int Usage(std::ostream& err) {
  MapCommandUsage(err);
  return 2;
}

void Report(std::ostream& out, const MapWideResult& r, const char* verb) {
  out << r.changed << " objects " << verb;
  if (r.deleted) out << ", " << r.deleted << " deleted outside the map area";
  out << "\n";
}

// Runs a map-wide transform on MAP and saves it.
int Transform(const std::string& map, const MapTransform& t, const char* verb, std::ostream& out,
              std::ostream& err) {
  MapDoc d(err);
  if (!d.Open(map, err)) return 1;
  QuietProgress progress;
  const MapWideResult r = TransformMap(d.Store(), t, progress, [] { return true; });
  if (!r.ok) return 1;
  if (!d.doc.Save()) return 1;
  Report(out, r, verb);
  return 0;
}

int CmdMove(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Parsed p;
  if (!Parse(args, {}, {}, &p) || p.positional.size() != 3) return Usage(err);
  double dx = 0, dy = 0;
  if (!Number(p.positional[1], &dx) || !Number(p.positional[2], &dy) || std::abs(dx) > 10000 ||
      std::abs(dy) > 10000) {
    err << "The moves must be numbers of millimetres.\n";
    return 1;
  }
  const auto words = [](double mm) { return static_cast<int32_t>(std::lround(mm * 100)) * 256; };
  return Transform(p.positional[0], MapTransform::Move(words(dx), words(dy)), "moved", out, err);
}

int CmdStretch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Parsed p;
  if (!Parse(args, {"--mirror-x", "--mirror-y"}, {}, &p) || p.positional.size() != 3)
    return Usage(err);
  double h = 0, v = 0;
  if (!Number(p.positional[1], &h) || !Number(p.positional[2], &v) || !(h > 0) || !(v > 0) ||
      h > 100000 || v > 100000) {
    err << "The stretch must be a percentage greater than 0.\n";
    return 1;
  }
  const double fx = (p.flags.contains("--mirror-x") ? -h : h) / 100.0;
  const double fy = (p.flags.contains("--mirror-y") ? -v : v) / 100.0;
  return Transform(p.positional[0], MapTransform::Stretch(fx, fy), "stretched", out, err);
}

int CmdRotate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Parsed p;
  if (!Parse(args, {"--rotate-symbols"}, {}, &p) || p.positional.size() != 2) return Usage(err);
  double deg = 0;
  if (!Number(p.positional[1], &deg) || std::abs(deg) > 3600) {
    err << "The angle must be a number of degrees.\n";
    return 1;
  }
  return Transform(p.positional[0], MapTransform::Rotate(deg, p.flags.contains("--rotate-symbols")),
                   "rotated", out, err);
}

int CmdChangeScale(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Parsed p;
  if (!Parse(args, {"--scale-symbols"}, {}, &p) || p.positional.size() != 2) return Usage(err);
  double scale = 0;
  if (!Number(p.positional[1], &scale)) {
    err << "The scale must be a number.\n";
    return 1;
  }
  MapDoc d(err);
  if (!d.Open(p.positional[0], err)) return 1;
  QuietProgress progress;
  const double before = d.Store().Setup().MapScale();
  const MapWideResult r = ChangeScale(d.Store(), scale, p.flags.contains("--scale-symbols"),
                                      progress, [] { return true; });
  if (!r.ok) return 1;
  if (!d.doc.Save()) return 1;
  out << "Scale 1:" << before << " changed to 1:" << scale << "; ";
  Report(out, r, "done");
  return 0;
}

int CmdEnlargeSymbols(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Parsed p;
  if (!Parse(args, {}, {}, &p) || p.positional.size() != 2) return Usage(err);
  double percent = 0;
  if (!Number(p.positional[1], &percent) || !(percent > 0)) {
    err << "The factor must be a percentage greater than 0.\n";
    return 1;
  }
  MapDoc d(err);
  if (!d.Open(p.positional[0], err)) return 1;
  std::vector<int> all;
  for (int i = 0; i < d.Store().SymbolCount(); ++i) all.push_back(i);
  int clamped = 0;
  if (!EnlargeSymbols(d.Store(), all, percent / 100.0, &clamped)) return 1;
  if (!d.doc.Save()) return 1;
  out << all.size() << " symbols scaled to " << percent << " %";
  if (clamped) out << " (" << clamped << " held at the largest size a symbol can have)";
  out << "\n";
  return 0;
}

bool SymbolList(const std::vector<std::string>& texts, size_t from, std::set<int>* out,
                std::ostream& err) {
  for (size_t i = from; i < texts.size(); ++i) {
    const int n = SymbolNumber(texts[i]);
    if (n == 0) {
      err << "Symbol no. must be between 0.1 and 999.9\n";
      return false;
    }
    out->insert(n);
  }
  return !out->empty();
}

int CmdDeleteBySymbol(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Parsed p;
  if (!Parse(args, {}, {}, &p) || p.positional.size() < 2) return Usage(err);
  std::set<int> symbols;
  if (!SymbolList(p.positional, 1, &symbols, err)) return 1;
  MapDoc d(err);
  if (!d.Open(p.positional[0], err)) return 1;
  QuietProgress progress;
  const MapWideResult r = DeleteBySymbol(d.Store(), symbols, progress);
  if (!r.ok) return 1;
  if (r.deleted && !d.doc.Save()) return 1;
  out << r.deleted << " objects deleted.\n";
  return 0;
}

int CmdExportBySymbol(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Parsed p;
  if (!Parse(args, {}, {"-o"}, &p) || p.positional.size() < 2 || !p.values.contains("-o"))
    return Usage(err);
  const std::string target = p.values["-o"];
  std::set<int> symbols;
  if (!SymbolList(p.positional, 1, &symbols, err)) return 1;
  if (IsSameFile(target, p.positional[0])) {
    err << target << " is the map itself; nothing was written.\n";
    return 1;
  }
  MapDoc d(err);
  if (!d.Open(p.positional[0], err)) return 1;
  QuietProgress progress;
  const int32_t n = ExportBySymbol(d.Store(), symbols, target, progress);
  if (n < 0) return 1;
  out << n << " objects exported.\n";
  return 0;
}

int CmdChangeSymbols(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Parsed p;
  if (!Parse(args, {}, {"--layer"}, &p)) return Usage(err);
  SymbolChange change;
  const bool byLayer = p.values.contains("--layer");
  if (p.positional.size() != (byLayer ? 2u : 3u)) return Usage(err);
  if (byLayer) {
    change.layer = p.values["--layer"];
    if (change.layer.empty()) return Usage(err);
  } else {
    change.from = SymbolNumber(p.positional[1]);
  }
  change.to = SymbolNumber(p.positional.back());
  if ((!byLayer && change.from == 0) || change.to == 0) {
    err << "Symbol no. must be between 0.1 and 999.9\n";
    return 1;
  }
  MapDoc d(err);
  if (!d.Open(p.positional[0], err)) return 1;
  QuietProgress progress;
  const MapWideResult r = ChangeSymbols(d.Store(), change, progress);
  if (!r.ok) return 1;
  if (r.changed && !d.doc.Save()) return 1;
  out << r.changed << " objects changed\n";
  return 0;
}

int CmdOptimize(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Parsed p;
  if (!Parse(args, {"--delete-undefined"}, {}, &p) || p.positional.size() != 1) return Usage(err);
  MapDoc d(err);
  if (!d.Open(p.positional[0], err)) return 1;
  QuietProgress progress;
  const OptimizeResult r = OptimizeMap(d.Store(), p.flags.contains("--delete-undefined"), progress);
  if (!r.ok) return 1;
  if (!d.doc.Save()) return 1;
  for (const std::string& line : OptimizeReport(r)) out << line << "\n";
  return 0;
}

bool ParseWindow(const std::string& text, double v[4]) {
  size_t at = 0;
  for (int i = 0; i < 4; ++i) {
    const size_t comma = i < 3 ? text.find(',', at) : text.size();
    if (comma == std::string::npos) return false;
    if (!Number(text.substr(at, comma - at), &v[i])) return false;
    at = comma + 1;
  }
  return true;
}

int CmdPartial(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Parsed p;
  if (!Parse(args, {}, {"-o"}, &p) || p.positional.size() != 2 || !p.values.contains("-o"))
    return Usage(err);
  double v[4];
  if (!ParseWindow(p.positional[1], v) || std::abs(v[0]) > 2000 || std::abs(v[1]) > 2000 ||
      std::abs(v[2]) > 2000 || std::abs(v[3]) > 2000) {
    err << "The window must be X0,Y0,X1,Y1 in millimetres between -2000 and 2000.\n";
    return 1;
  }
  const auto words = [](double mm) { return static_cast<int32_t>(std::lround(mm * 100)) * 256; };
  const Box window{words(std::min(v[0], v[2])), words(std::min(v[1], v[3])),
                   words(std::max(v[0], v[2])), words(std::max(v[1], v[3]))};
  const std::string target = p.values["-o"];
  if (IsSameFile(target, p.positional[0])) {
    err << target << " is the map itself; nothing was written.\n";
    return 1;
  }
  MapDoc d(err);
  if (!d.Open(p.positional[0], err)) return 1;
  QuietProgress progress;
  const int32_t n = ExportPartialMap(d.Store(), window, target, progress);
  if (n < 0) return 1;
  out << n << " objects exported.\n";
  return 0;
}

// Disks are the folders FOLDER/disk1, FOLDER/disk2, ...; every question is answered so that a
// backup goes on to the next folder and a restore ends where the folders end.
class FolderDisks : public BackupUi {
 public:
  FolderDisks(std::string folder, std::ostream& err, bool create)
      : folder_(std::move(folder)), err_(err), create_(create) {}
  std::string DiskFolder(int n) const {
    return (fs::path(folder_) / ("disk" + std::to_string(n))).string();
  }
  bool Insert(int n, BackupDrive& drive) {
    drive.root = DiskFolder(n);
    std::error_code ec;
    if (create_) fs::create_directories(drive.root, ec);
    return true;
  }
  bool NextDisk(int number, BackupDrive& drive) override { return Insert(number, drive); }
  NextOrDone NextDiskOrDone(int number, BackupDrive& drive) override {
    std::error_code ec;
    if (!fs::is_directory(DiskFolder(number), ec)) return NextOrDone::AllDone;
    Insert(number, drive);
    return NextOrDone::Ok;
  }
  NotEmpty DiskNotEmpty(const std::vector<std::string>& names) override {
    err_ << "The disk is not empty:";
    for (const std::string& n : names) err_ << " " << n;
    err_ << "\n";
    return NotEmpty::Cancel;
  }
  bool DiskError(const std::string& message, int) override {
    Error(message, 0);
    return false;
  }
  void Error(const std::string& message, int) override {
    std::string text = message;
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, " ");
    err_ << text << "\n";
  }

 private:
  std::string folder_;
  std::ostream& err_;
  bool create_;
};

int CmdBackup(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Parsed p;
  if (!Parse(args, {}, {"--disk-size", "-o"}, &p) || p.positional.size() != 1 ||
      !p.values.contains("-o"))
    return Usage(err);
  int64_t diskSize = -1;
  if (p.values.contains("--disk-size")) {
    double v = 0;
    if (!Number(p.values["--disk-size"], &v) || v < 20000 || v > 1e15) {
      err << "The disk size must be at least 20000 bytes.\n";
      return 1;
    }
    diskSize = static_cast<int64_t>(v);
  }
  const std::string map = p.positional[0];
  if (!FileExists(map)) {
    err << ComposeMessage(";File not found.", map) << "\n";
    return 1;
  }
  std::error_code ec;
  const std::string name = fs::absolute(map, ec).string();
  FolderDisks disks(p.values["-o"], err, true);
  BackupDrive drive{p.values["-o"], "", diskSize};
  disks.Insert(1, drive);
  QuietProgress progress;
  switch (Backup(map, name, drive, disks, progress, SystemFiles())) {
    case BackupOutcome::Done: {
      int n = 1;
      while (fs::is_directory(disks.DiskFolder(n + 1), ec)) ++n;
      out << "Backup successfully completed.\n";
      return 0;
    }
    case BackupOutcome::Cancelled:
      err << "Backup aborted.\n";
      return 1;
    default:
      err << "Backup aborted.\n";
      return 1;
  }
}

int CmdRestore(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Parsed p;
  if (!Parse(args, {}, {"-o"}, &p) || p.positional.size() != 1 || !p.values.contains("-o"))
    return Usage(err);
  FolderDisks disks(p.positional[0], err, false);
  BackupDrive drive{p.positional[0], "", -1};
  disks.Insert(1, drive);
  const std::string target = p.values["-o"];
  QuietProgress progress;
  std::string restored;
  const BackupOutcome r = Restore(
      drive, disks, [&](const std::string&) { return std::optional<std::string>(target); },
      progress, SystemFiles(), &restored);
  if (r != BackupOutcome::Done) {
    err << "Restore aborted.\n";
    return 1;
  }
  out << "Restored " << restored << "\n";
  return 0;
}

int CmdConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Parsed p;
  if (!Parse(args, {}, {"-o"}, &p) || p.positional.size() != 1 || !p.values.contains("-o"))
    return Usage(err);
  const std::string old = p.positional[0], target = p.values["-o"];
  if (IsSameFile(target, old)) {
    err << target << " is the old map itself; nothing was written.\n";
    return 1;
  }
  MapDoc d(err);
  QuietProgress progress;
  ConversionResult result;
  bool converting = false;
  d.doc.convertOlderFormat = [&](const std::string& path, int16_t kind) {
    converting = true;
    result = ConvertOlderMap(d.doc, path, kind, progress);
    return result.converted;
  };
  const bool opened = d.doc.OpenByName(old);
  if (!converting) {
    if (opened) err << old << " is a map of the current format; nothing to convert.\n";
    return 1;
  }
  if (!result.note.empty()) {
    std::string note = result.note;
    for (size_t at; (at = note.find("\r\n")) != std::string::npos;) note.replace(at, 2, "\n");
    err << note << "\n";
  }
  if (!result.converted || !d.doc.IsOpen()) return 1;
  if (!d.doc.SaveAs(target)) return 1;
  out << result.objects << " objects converted into " << target;
  if (result.skipped) out << " (" << result.skipped << " skipped)";
  out << "\n";
  return 0;
}

using Command = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);

const std::map<std::string, Command>& Commands() {
  static const std::map<std::string, Command> commands = {
      {"move", CmdMove},
      {"stretch", CmdStretch},
      {"rotate", CmdRotate},
      {"change-scale", CmdChangeScale},
      {"enlarge-symbols", CmdEnlargeSymbols},
      {"delete-by-symbol", CmdDeleteBySymbol},
      {"export-by-symbol", CmdExportBySymbol},
      {"change-symbols", CmdChangeSymbols},
      {"optimize", CmdOptimize},
      {"partial", CmdPartial},
      {"backup", CmdBackup},
      {"convert", CmdConvert},
      {"restore", CmdRestore},
  };
  return commands;
}

}  // namespace

const std::vector<std::string>& MapCommandNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> v;
    for (const auto& [name, cmd] : Commands()) v.push_back(name);
    return v;
  }();
  return names;
}

int RunMapCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return Usage(err);
  const auto it = Commands().find(args[0]);
  if (it == Commands().end()) return Usage(err);
  return it->second(args, out, err);
}

void MapCommandUsage(std::ostream& err) {
  err << "  zelk-cli move MAP DX_MM DY_MM\n"
         "  zelk-cli stretch MAP H_PERCENT V_PERCENT [--mirror-x] [--mirror-y]\n"
         "  zelk-cli rotate MAP DEGREES [--rotate-symbols]\n"
         "  zelk-cli change-scale MAP NEW_SCALE [--scale-symbols]\n"
         "  zelk-cli enlarge-symbols MAP PERCENT\n"
         "  zelk-cli delete-by-symbol MAP SYMBOL...\n"
         "  zelk-cli export-by-symbol MAP SYMBOL... -o OUT.zkm\n"
         "  zelk-cli change-symbols MAP FROM TO | MAP --layer NAME TO\n"
         "  zelk-cli optimize MAP [--delete-undefined]\n"
         "  zelk-cli partial MAP X0,Y0,X1,Y1 -o OUT.zkm\n"
         "  zelk-cli backup MAP [--disk-size BYTES] -o FOLDER   (writes FOLDER/disk1, disk2, ...)\n"
         "  zelk-cli restore FOLDER -o MAP\n"
         "  zelk-cli convert OLD -o NEW.zkm   (a ZELK 3 map by its .elt name)\n";
}

}  // namespace zelk
