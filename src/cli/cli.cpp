// zelk-cli commands over the core libraries.
#include "cli/cli.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "cli/cli_document.h"
#include "cli/json_writer.h"
#include "cli/map_cli.h"
#include "cli/map_report.h"
#include "cli/output_cli.h"
#include "exchange/dxf_export.h"
#include "exchange/dxf_import.h"
#include "exchange/map_import.h"
#include "gps/gps_receiver.h"
#include "output/bitmap_export.h"
#include "render/font_service_qt.h"
#include "storage/document.h"

namespace zelk {

namespace {

namespace fs = std::filesystem;

// Any entry of that name, also a link that leads nowhere.
bool NameTaken(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

void Usage(std::ostream& err) {
  err << "usage:\n"
         "  zelk-cli new MAP --symbols SET.zkm [--force]\n"
         "  zelk-cli info MAP [--json]\n"
         "  zelk-cli render MAP -o OUT.bmp|OUT.png [--dpi N]\n"
         "  zelk-cli import-dxf MAP DXF [--gis | --mm-per-unit F] [--offset X,Y] [--crt FILE]\n"
         "                      [--no-coordinates]\n"
         "  zelk-cli export-dxf MAP -o OUT.dxf [--gis | --mm] [--crt FILE]\n"
         "  zelk-cli import-map MAP OTHER.zkm [--offset DX,DY]\n"
         "  zelk-cli gps-replay CHUNKS.json [--filter] [--min4] [--dgps]\n"
         "  zelk-cli export-eps MAP -o OUT.eps [--std-fonts] [--window X0,Y0,X1,Y1]\n"
         "  zelk-cli print MAP -o OUT.ps [--kind colour|cmyk|spot] [--scale N] [--overlap MM]\n"
         "                 [--copies N]\n"
         "  zelk-cli export-pdf MAP -o OUT.pdf [--separations]\n"
         "  zelk-cli export-svg MAP -o OUT.svg\n";
  MapCommandUsage(err);
}

int UsageOn2(int code, std::ostream& err) {
  if (code == 2) Usage(err);
  return code;
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

// "X,Y" as two numbers.
bool ParsePair(const std::string& text, double* x, double* y) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos) return false;
  char* end = nullptr;
  const std::string a = text.substr(0, comma), b = text.substr(comma + 1);
  *x = std::strtod(a.c_str(), &end);
  if (a.empty() || *end != '\0' || !std::isfinite(*x)) return false;
  *y = std::strtod(b.c_str(), &end);
  return !b.empty() && *end == '\0' && std::isfinite(*y);
}

// Counts on stderr only when asked; Esc does not exist here.
class QuietProgress : public Progress {
 public:
  void Start(const std::string&, int32_t, int32_t, bool, const std::string&) override {}
  void Step(int32_t, int32_t) override {}
  void End() override {}
};

// Opens MAP for a change written back to it.
bool OpenForChange(CliDocument& d, const std::string& map, std::ostream& err) {
  if (d.doc.OpenByName(map)) return true;
  if (!d.sink.failed) err << "Cannot open " << map << "\n";
  return false;
}

bool LoadTable(CliDocument& d, const std::string& crt, CrossRefTable* table, std::ostream& err) {
  if (crt.empty()) return true;
  std::string error;
  if (table->Load(crt, CrossRefTable::TypesOf(d.doc.Store()), &error)) return true;
  err << error << "\n";
  return false;
}

int CmdImportDxf(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 FontService* fonts) {
  std::string map, dxf, crt, offsetText;
  double mmPerUnit = 0;
  bool gis = true, coordinates = true;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--gis") {
      gis = true;
    } else if (args[i] == "--mm-per-unit" && i + 1 < args.size()) {
      char* end = nullptr;
      mmPerUnit = std::strtod(args[++i].c_str(), &end);
      if (*end != '\0' || !(mmPerUnit > 0) || !std::isfinite(mmPerUnit)) {
        err << "Factor must be a number.\n";
        return 1;
      }
      gis = false;
    } else if (args[i] == "--offset" && i + 1 < args.size()) {
      offsetText = args[++i];
    } else if (args[i] == "--crt" && i + 1 < args.size()) {
      crt = args[++i];
    } else if (args[i] == "--no-coordinates") {
      coordinates = false;
    } else if (map.empty()) {
      map = args[i];
    } else if (dxf.empty()) {
      dxf = args[i];
    } else {
      return Usage(err), 2;
    }
  }
  if (map.empty() || dxf.empty()) return Usage(err), 2;
  DxfImportParams params;
  params.gis = gis;
  params.importCoordinates = coordinates;
  if (!offsetText.empty() && !ParsePair(offsetText, &params.offsetX, &params.offsetY)) {
    err << "Horizontal offset must be a number.\n";
    return 1;
  }
  {
    std::string head(4096, '\0');
    std::FILE* f = std::fopen(dxf.c_str(), "rb");
    if (!f) {
      err << ComposeMessage("Cannot open", dxf) << "\n";
      return 1;
    }
    head.resize(std::fread(head.data(), 1, head.size(), f));
    std::fclose(f);
    if (IsBinaryDxf(head)) {
      err << dxf << " is a binary DXF file; only ASCII DXF files can be imported.\n";
      return 1;
    }
    if (!LooksLikeDxf(head)) {
      err << dxf << " Unknown file format.\n";
      return 1;
    }
  }
  CliDocument d(err);
  if (!OpenForChange(d, map, err)) return 1;
  CrossRefTable table;
  if (!LoadTable(d, crt, &table, err)) return 1;
  MapStore& store = d.doc.Store();
  if (offsetText.empty()) {
    DxfReader scan(dxf);
    const DxfExtent extent = ScanDxfExtent(scan);
    if (extent.found) {
      params.offsetX = extent.offsetX;
      params.offsetY = extent.offsetY;
    } else {
      DxfReader again(dxf);
      const DxfExtent first = ScanDxfFirstVertex(again);
      params.offsetX = first.offsetX;
      params.offsetY = first.offsetY;
    }
  }
  params.factor = gis ? GisFactor(store.Setup().MapScale()) : MillimetreFactor(mmPerUnit);
  if (!(params.factor > 0)) {
    err << "The map scale gives no real-world coordinates.\n";
    return 1;
  }
  std::unique_ptr<QtFontService> ownFonts;
  if (!fonts) fonts = (ownFonts = std::make_unique<QtFontService>()).get();
  DxfReader reader(dxf);
  QuietProgress progress;
  const DxfImportResult result = ImportDxf(store, reader, params, table, fonts, progress);
  if (!result.error.empty()) err << result.error << "\n";
  if (result.added.empty()) {
    if (result.error.empty()) err << "Nothing was imported from " << dxf << ".\n";
    return 1;
  }
  if (!d.doc.Save()) return 1;
  out << "Imported " << result.added.size() << " objects from " << dxf << " into " << map << "\n";
  return result.error.empty() ? 0 : 1;
}

int CmdExportDxf(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string map, target, crt;
  DxfExportParams params;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size())
      target = args[++i];
    else if (args[i] == "--gis")
      params.gis = true;
    else if (args[i] == "--mm")
      params.gis = false;
    else if (args[i] == "--crt" && i + 1 < args.size())
      crt = args[++i];
    else if (map.empty())
      map = args[i];
    else
      return Usage(err), 2;
  }
  if (map.empty() || target.empty()) return Usage(err), 2;
  if (IsSameFile(target, map)) {
    err << target << " is the map itself; nothing was written.\n";
    return 1;
  }
  CliDocument d(err);
  if (!OpenForChange(d, map, err)) return 1;
  CrossRefTable table;
  if (!LoadTable(d, crt, &table, err)) return 1;
  QuietProgress progress;
  const DxfExportResult result = ExportDxf(d.doc.Store(), target, params, table, d.sink, progress);
  if (!result.written) return 1;
  out << "Wrote " << target << " (" << result.exported << " objects)\n";
  return 0;
}

int CmdImportMap(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string map, other, offsetText;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--offset" && i + 1 < args.size())
      offsetText = args[++i];
    else if (map.empty())
      map = args[i];
    else if (other.empty())
      other = args[i];
    else
      return Usage(err), 2;
  }
  if (map.empty() || other.empty()) return Usage(err), 2;
  double dx = 0, dy = 0;
  if (!offsetText.empty() &&
      (!ParsePair(offsetText, &dx, &dy) || std::abs(dx) > 2000 || std::abs(dy) > 2000)) {
    err << "The offsets must be numbers between -2000 and 2000 mm.\n";
    return 1;
  }
  if (IsSameFile(other, map)) {
    err << other << " is the map itself; nothing was imported.\n";
    return 1;
  }
  CliDocument d(err);
  if (!OpenForChange(d, map, err)) return 1;
  QuietProgress progress;
  const MapImportResult result =
      ImportMap(d.doc.Store(), other, static_cast<int32_t>(std::lround(dx * kWordsPerMm)),
                static_cast<int32_t>(std::lround(dy * kWordsPerMm)), d.sink, progress);
  if (!result.opened) return 1;
  if (!result.added.empty() && !d.doc.Save()) return 1;
  out << "Imported " << result.added.size() << " objects from " << other << " into " << map << "\n";
  return result.stopped ? 1 : 0;
}

// A JSON list of strings, each taken as bytes: characters up to U+00FF are one byte each (so
// "\u00b0" is the byte 0xB0), others their UTF-8 bytes. False for anything else.
bool ParseJsonStringList(const std::string& text, std::vector<std::string>* out) {
  size_t i = 0;
  auto blank = [&] {
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\n' || text[i] == '\r' || text[i] == '\t'))
      ++i;
  };
  auto put = [](std::string& s, uint32_t c) {
    if (c < 0x100) {
      s += static_cast<char>(c);
    } else if (c < 0x800) {
      s += static_cast<char>(0xc0 | (c >> 6));
      s += static_cast<char>(0x80 | (c & 0x3f));
    } else {
      s += static_cast<char>(0xe0 | (c >> 12));
      s += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
      s += static_cast<char>(0x80 | (c & 0x3f));
    }
  };
  blank();
  if (i >= text.size() || text[i++] != '[') return false;
  blank();
  if (i < text.size() && text[i] == ']') return true;
  for (;;) {
    blank();
    if (i >= text.size() || text[i++] != '"') return false;
    std::string s;
    for (;;) {
      if (i >= text.size()) return false;
      const auto c = static_cast<unsigned char>(text[i++]);
      if (c == '"') break;
      if (c != '\\') {
        // UTF-8 in the file: decoded to its character.
        if (c >= 0xc0 && c < 0xe0 && i < text.size()) {
          put(s, ((c & 0x1fu) << 6) | (static_cast<unsigned char>(text[i++]) & 0x3fu));
        } else if (c >= 0xe0 && c < 0xf0 && i + 1 < text.size()) {
          const uint32_t v = ((c & 0x0fu) << 12) |
                             ((static_cast<unsigned char>(text[i]) & 0x3fu) << 6) |
                             (static_cast<unsigned char>(text[i + 1]) & 0x3fu);
          i += 2;
          put(s, v);
        } else {
          s += static_cast<char>(c);
        }
        continue;
      }
      if (i >= text.size()) return false;
      const char e = text[i++];
      switch (e) {
        case 'n':
          s += '\n';
          break;
        case 'r':
          s += '\r';
          break;
        case 't':
          s += '\t';
          break;
        case 'b':
          s += '\b';
          break;
        case 'f':
          s += '\f';
          break;
        case '/':
        case '\\':
        case '"':
          s += e;
          break;
        case 'u': {
          if (i + 4 > text.size()) return false;
          uint32_t v = 0;
          for (int k = 0; k < 4; ++k) {
            const char h = text[i++];
            v = v * 16 + static_cast<uint32_t>(h >= '0' && h <= '9'   ? h - '0'
                                               : h >= 'a' && h <= 'f' ? h - 'a' + 10
                                               : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                                                      : 99);
            if (v > 0xffff) return false;
          }
          put(s, v);
          break;
        }
        default:
          return false;
      }
    }
    out->push_back(std::move(s));
    blank();
    if (i >= text.size()) return false;
    if (text[i] == ']') {
      ++i;
      blank();
      return i == text.size();
    }
    if (text[i++] != ',') return false;
  }
}

int CmdGpsReplay(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string file;
  GpsSettings settings;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--filter")
      settings.filter = true;
    else if (args[i] == "--min4")
      settings.min4 = true;
    else if (args[i] == "--dgps")
      settings.dgps = true;
    else if (file.empty())
      file = args[i];
    else
      return Usage(err), 2;
  }
  if (file.empty()) return Usage(err), 2;
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) {
    err << ComposeMessage("Cannot open", file) << "\n";
    return 1;
  }
  std::string text;
  char buf[65536];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
  std::fclose(f);
  std::vector<std::string> chunks;
  if (!ParseJsonStringList(text, &chunks)) {
    err << file << " is not a JSON list of strings.\n";
    return 1;
  }
  GpsSession session(settings);
  JsonWriter json(out);
  json.BeginArray();
  for (const std::string& chunk : chunks) {
    if (!session.Poll(chunk)) {
      json.Null();
      continue;
    }
    const GpsReceiver& r = session.Receiver();
    json.BeginObject();
    json.Key("status");
    json.Int(r.Status());
    json.Key("text");
    json.String(r.StatusText());
    json.Key("satellites");
    json.Int(r.Satellites());
    json.Key("dgps");
    json.Bool(r.Dgps());
    json.Key("mean");
    if (r.MeanCount() >= 1) {
      json.BeginArray();
      json.Number(r.MeanLatitude(), 9);
      json.Number(r.MeanLongitude(), 9);
      json.EndArray();
    } else {
      json.Null();
    }
    json.EndObject();
  }
  json.EndArray();
  out << "\n";
  return 0;
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
          {"import-dxf", CmdImportDxf},
          {"export-dxf", [](const Args& a, std::ostream& o, std::ostream& e,
                            FontService*) { return CmdExportDxf(a, o, e); }},
          {"import-map", [](const Args& a, std::ostream& o, std::ostream& e,
                            FontService*) { return CmdImportMap(a, o, e); }},
          {"gps-replay", [](const Args& a, std::ostream& o, std::ostream& e,
                            FontService*) { return CmdGpsReplay(a, o, e); }},
          {"export-eps", [](const Args& a, std::ostream& o, std::ostream& e,
                            FontService* f) { return UsageOn2(CmdExportEps(a, o, e, f), e); }},
          {"print", [](const Args& a, std::ostream& o, std::ostream& e,
                       FontService* f) { return UsageOn2(CmdPrint(a, o, e, f), e); }},
          {"export-pdf",
           [](const Args& a, std::ostream& o, std::ostream& e, FontService* f) {
             return UsageOn2(CmdExportVector(a, o, e, f, true), e);
           }},
          {"export-svg",
           [](const Args& a, std::ostream& o, std::ostream& e, FontService* f) {
             return UsageOn2(CmdExportVector(a, o, e, f, false), e);
           }},
      };
  if (args.empty()) return Usage(err), 2;
  for (const std::string& name : MapCommandNames())
    if (args[0] == name) return RunMapCommand(args, out, err);
  const auto it = commands.find(args[0]);
  if (it == commands.end()) return Usage(err), 2;
  return it->second(args, out, err, fonts);
}

}  // namespace zelk
