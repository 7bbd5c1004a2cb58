// The EPS stream: framing, prolog and the colour-by-colour drawing in PostScript mode.
#include "output/eps_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "render/map_drawing.h"
#include "storage/text_format.h"

namespace zelk {

namespace {

// ANSIVec: code page positions and the glyph names the standard encoding lacks for them.
struct VecEntry {
  int code;
  const char* name;
  int breakAfter;  // 0 none, 1 after the number (the name starts the next line), 2 after the name
};

std::vector<VecEntry> AnsiVecEntries() {
  std::vector<VecEntry> v;
  auto add = [&v](int first, std::initializer_list<const char*> names) {
    int code = first;
    for (const char* n : names) v.push_back({code++, n, 0});
  };
  add(0x27, {"quotesingle"});
  add(0x60, {"grave"});
  add(0x7C, {"bar"});
  add(0x82, {"quotesinglbase", "florin", "quotedblbase", "ellipsis", "dagger", "daggerdbl",
             "circumflex", "perthousand", "Scaron", "guilsinglleft", "OE"});
  add(0x91, {"quoteleft", "quoteright", "quotedblleft", "quotedblright", "bullet", "endash",
             "emdash", "tilde", "trademark", "scaron", "guilsinglright", "oe"});
  add(0x9F, {"Ydieresis", "space", "exclamdown"});
  add(0xA4, {"currency",   "yen",         "brokenbar",     "section",
             "dieresis",   "copyright",   "ordfeminine",   "guillemotleft",
             "logicalnot", "hyphen",      "registered",    "macron",
             "degree",     "plusminus",   "twosuperior",   "threesuperior",
             "acute",      "mu",          "paragraph",     "periodcentered",
             "cedilla",    "onesuperior", "ordmasculine",  "guillemotright",
             "onequarter", "onehalf",     "threequarters", "questiondown"});
  add(0xC0,
      {"Agrave",      "Aacute",     "Acircumflex", "Atilde",      "Adieresis",   "Aring",
       "AE",          "Ccedilla",   "Egrave",      "Eacute",      "Ecircumflex", "Edieresis",
       "Igrave",      "Iacute",     "Icircumflex", "Idieresis",   "Eth",         "Ntilde",
       "Ograve",      "Oacute",     "Ocircumflex", "Otilde",      "Odieresis",   "multiply",
       "Oslash",      "Ugrave",     "Uacute",      "Ucircumflex", "Udieresis",   "Yacute",
       "Thorn",       "germandbls", "agrave",      "aacute",      "acircumflex", "atilde",
       "adieresis",   "aring",      "ae",          "ccedilla",    "egrave",      "eacute",
       "ecircumflex", "edieresis",  "igrave",      "iacute",      "icircumflex", "idieresis",
       "eth",         "ntilde",     "ograve",      "oacute",      "ocircumflex", "otilde",
       "odieresis",   "divide",     "oslash",      "ugrave",      "uacute",      "ucircumflex",
       "udieresis",   "yacute",     "thorn",       "ydieresis"});
  // Where the lines break: after the number alone (1) or after the name (2).
  const std::pair<int, int> breaks[] = {{0x60, 2}, {0x85, 1}, {0x89, 2}, {0x92, 2}, {0x97, 1},
                                        {0x9B, 2}, {0xA4, 2}, {0xA9, 2}, {0xAD, 2}, {0xB2, 2},
                                        {0xB7, 2}, {0xBB, 2}, {0xBF, 2}, {0xC4, 2}, {0xCA, 1},
                                        {0xCE, 2}, {0xD4, 1}, {0xD8, 2}, {0xDD, 2}, {0xE2, 2},
                                        {0xE8, 1}, {0xEC, 2}, {0xF1, 2}, {0xF6, 2}, {0xFB, 2}};
  for (VecEntry& e : v)
    for (const auto& [code, kind] : breaks)
      if (e.code == code) e.breakAfter = kind;
  return v;
}

std::vector<std::string> BuildProlog() {
  std::vector<std::string> p = {
      "/ndf {1 index where{pop pop pop}",
      "  {dup xcheck{bind}if def}ifelse}bind def",
      "/ccmyk{dup 5 -1 roll sub dup 0 lt{pop 0}if exch}ndf",
      "/setcmykcolor{1 exch sub ccmyk ccmyk ccmyk pop",
      "  setrgbcolor}ndf",
      "/m /moveto load def",
      "/rm /rmoveto load def",
      "/l /rlineto load def",
      "/c /rcurveto load def",
      "/w /setlinewidth load def",
      "/j /setlinejoin load def",
      "/J /setlinecap load def",
      "/S /stroke load def",
      "/s {closepath stroke} bind def",
      "/n /newpath load def",
      "/cp /closepath load def",
      "/r {4 2 roll m 0 1 index l exch 0 l",
      "    0 exch neg l fill} bind def",
      // A fill or clip that fails even at flatness 100 is given up: the fill is skipped, the
      // clip lets nothing through.
      "/f {gsave{{eofill}stopped{currentflat 1 add dup 100 gt{pop exit}if setflat}",
      "  {exit}ifelse}loop grestore n} bind def",
      "/gray {200 exch sub 200 div setgray} bind def",
      "/rgb {3 1 roll 255 div 3 1 roll 255 div",
      "      3 1 roll 255 div setrgbcolor} bind def",
      "/cmyk {4 1 roll 200 div 4 1 roll 200 div",
      "       4 1 roll 200 div 4 1 roll 200 div",
      "       setcmykcolor} bind def",
      "/cl {gsave{{eoclip}stopped{currentflat 1 add dup 100 gt{pop n 0 0 m clip exit}if",
      "  setflat}{exit}ifelse}loop n} bind def",
      "/re {grestore n} bind def",
      "/d {n 0 360 arc f} bind def",
      "/ci {n 0 360 arc s} bind def",
      "/dts {{2 index 2 index d} for pop pop} bind def",
      "/rt {gsave translate 10 div rotate} bind def",
      "/F {findfont exch scalefont setfont} bind def",
      "/b {3 index 2 mul 3 div",
      "    3 index 2 mul 3 div",
      "    6 -1 roll 2 mul 4 index add 3 div",
      "    6 -1 roll 2 mul 4 index add 3 div",
      "    6 -2 roll rcurveto} bind def",
      "/RE",
      "{findfont begin currentdict dup length dict begin",
      "  {1 index /FID ne {def} {pop pop} ifelse} forall",
      "  /FontName exch def dup length 0 ne",
      "  {/Encoding Encoding 256 array copy def 0 exch",
      "    {dup type /nametype eq",
      "      {Encoding 2 index 2 index put pop 1 add}{exch pop}ifelse",
      "    }forall",
      "  }if pop currentdict dup end end",
      "  /FontName get exch definefont pop",
      "}bind def",
  };
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string line = "/ANSIVec[";
  bool lineStart = true;
  for (const VecEntry& e : AnsiVecEntries()) {
    if (!lineStart) line += ' ';
    line += "16#";
    line += kHex[(e.code >> 4) & 15];
    line += kHex[e.code & 15];
    if (e.breakAfter == 1) {
      p.push_back(line);
      line.clear();
    }
    line += '/';
    line += e.name;
    lineStart = false;
    if (e.breakAfter == 2) {
      p.push_back(line);
      line.clear();
      lineStart = true;
    }
  }
  line += " ] def";
  p.push_back(line);
  return p;
}

int32_t ClampRound(double v) {
  if (!std::isfinite(v)) return 0;
  return static_cast<int32_t>(std::clamp(std::nearbyint(v), -1073741824.0, 1073741823.0));
}

int16_t ScreenFrequency(int16_t stored) {
  // Frequencies the map file keeps are 10 to 1000 lines per inch; others are the default.
  return (stored < 100 || stored > 10000) ? int16_t{1500} : stored;
}

}  // namespace

const char* ProcessColorName(int index) {
  static constexpr const char* kNames[4] = {"Cyan", "Magenta", "Yellow", "Black"};
  return (index >= 0 && index < 4) ? kNames[index] : "";
}

const std::vector<std::string>& PostScriptProlog() {
  static const std::vector<std::string> prolog = BuildProlog();
  return prolog;
}

bool PlateColor(const ColorRecord& color, const Plate& plate, Cmyk* out) {
  Cmyk c{color.cmyk[0], color.cmyk[1], color.cmyk[2], color.cmyk[3]};
  switch (plate.kind) {
    case PrintKind::ColorMap:
      break;
    case PrintKind::CmykSeparations:
      c.k = color.cmyk[static_cast<size_t>(std::clamp(plate.separation, 0, 3))];
      break;
    case PrintKind::SpotSeparations: {
      if (plate.separation < 0 || plate.separation >= kColorSeparationShares) return false;
      const uint8_t v = color.separations[static_cast<size_t>(plate.separation)];
      if (v > 200) return false;
      c.k = v;
      break;
    }
  }
  if (out) *out = c;
  return true;
}

EpsStreamResult WriteEpsStream(MapStore& store, FontService* fonts, PostScriptLines& lines,
                               const EpsStreamRequest& rq, Progress* progress) {
  EpsStreamResult result;
  const Box& win = rq.printWindow;
  const double k =
      (rq.printScale > 0 && std::isfinite(rq.printScale)) ? rq.mapScale / rq.printScale : 1.0;
  lines.Line("%!PS-Adobe-3.0 EPSF-2.0");
  lines.Line("%%Creator: ZELK " + FormatNumber(kProgramVersion, 2, 2));
  lines.Line("%%Title: " + rq.title);
  const int32_t w = ClampRound((double(win.right) - win.left) / 256 / 2540 * 72 * k);
  const int32_t h = ClampRound((double(win.top) - win.bottom) / 256 / 2540 * 72 * k);
  lines.Line("%%BoundingBox: 0 0 " + std::to_string(w) + " " + std::to_string(h));
  lines.Line(rq.plate.IsSeparation() ? "%%DocumentProcessColors: Black"
                                     : "%%DocumentProcessColors: Cyan Magenta Yellow Black");
  lines.Line("%%DocumentNeededResources:(atend)");
  lines.Line("%%EndComments");
  for (const std::string& l : PostScriptProlog()) lines.Line(l);

  OutputState state;
  state.outputMode = OutputMode::PostScript;
  state.screen = false;
  if (rq.passthrough) {
    state.originX = rq.originX;
    state.originY = rq.originY;
    state.scaleX = rq.scaleX;
    state.scaleY = rq.scaleY;
    state.clipRectangle = rq.clipRectangle;
  } else {
    state.originX = PosWord(win.left);
    state.originY = PosWord(win.bottom);
    state.scaleX = state.scaleY = 1.0 / 256;
    state.clipRectangle = win;
  }
  state.curveTolerance = std::max<int32_t>(1, ClampRound(4 / std::abs(state.scaleX) / 256));
  PostScriptOptions options;
  options.passthrough = rq.passthrough;
  options.separation = rq.plate.IsSeparation();
  options.standardFonts = rq.standardFonts;
  PostScriptDevice device(lines, state, options, fonts);

  if (rq.passthrough) {
    lines.Line("gsave");
  } else {
    lines.Line(FormatNumber(k, 4, 4) + " 72 mul 2540 div dup scale");
  }
  lines.Line(device.FormatPoint({win.left, win.bottom}) + "m");
  lines.Line(device.FormatPoint({win.right, win.bottom}) + "lineto");
  lines.Line(device.FormatPoint({win.right, win.top}) + "lineto");
  lines.Line(device.FormatPoint({win.left, win.top}) + "lineto eoclip n");
  lines.Line("0 J 1 j 1 w");
  if (!rq.passthrough && rq.plate.IsSeparation()) {
    const SymbolHeader& table = store.Colors();
    int angle = 0, frequency = 1500;
    if (rq.plate.kind == PrintKind::CmykSeparations) {
      const size_t i = static_cast<size_t>(std::clamp(rq.plate.separation, 0, 3));
      angle = table.halftoneAngle[i];
      frequency = table.halftoneFrequency[i];
    } else if (rq.plate.separation >= 0 && rq.plate.separation < kMaxSeparations) {
      const SeparationRecord& s = table.separations[static_cast<size_t>(rq.plate.separation)];
      angle = s.angle;
      frequency = s.frequency;
    }
    frequency = ScreenFrequency(static_cast<int16_t>(frequency));
    lines.Line("currentscreen 3 1 roll pop " + std::to_string(angle) + " 10 div 3 1 roll pop " +
               std::to_string(frequency) + " 10 div 3 1 roll setscreen");
  }
  device.ForgetColor();

  RenderScratch scratch;
  FixedMetricsFonts noFonts;
  RenderContext ctx{device, fonts ? *fonts : static_cast<FontService&>(noFonts), scratch};
  if (progress) ctx.inputWaiting = [progress] { return progress->AbortRequested(); };
  MapDrawingOptions drawing;
  const Plate plate = rq.plate;
  drawing.colorWanted = [plate](const ColorRecord& c) { return PlateColor(c, plate, nullptr); };
  drawing.selectColor = [plate](OutputDevice& dev, const ColorRecord& c) {
    Cmyk cmyk;
    PlateColor(c, plate, &cmyk);
    dev.SelectColorPass(c.colorNumber, cmyk);
  };
  if (progress) {
    drawing.objectDrawn = [progress](int64_t n) {
      progress->Step(static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX)), 0);
    };
  }
  const MapDrawingResult drawn = DrawMapRegion(store, ctx, state.clipRectangle, drawing);
  result.completed = drawn.completed;
  result.objectsDrawn = drawn.objectsDrawn;

  lines.Line(rq.passthrough ? "grestore" : "showpage");
  lines.Line("%%Trailer");
  bool first = true;
  for (size_t i = 0; i < 32; ++i) {
    if (!device.FontsUsed().test(i)) continue;
    const std::string name = StandardPostScriptFont(static_cast<int>(i));
    lines.Line((first ? "%%DocumentNeededResources: font " : "%%+ font ") + name);
    first = false;
  }
  lines.Line("%%EOF");
  return result;
}

bool DefaultPrintWindow(const MapStore& store, Box* window) {
  return store.MapExtent(window);
}

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {}

AtomicFile::~AtomicFile() {
  if (file_) std::fclose(file_);
  if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

bool AtomicFile::Open(MessageSink* sink) {
  namespace fs = std::filesystem;
  const fs::path target(path_);
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  std::string name = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(name.data());
  if (fd < 0) {
    if (sink) sink->Error(ComposeMessage("Cannot create", path_));
    return false;
  }
  temp_ = name;
  // An existing file keeps its permissions; a new one gets the usual ones.
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0) {
    ::fchmod(fd, st.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    ::close(fd);
    if (sink) sink->Error(ComposeMessage("Cannot create", path_));
    return false;
  }
  return true;
}

bool AtomicFile::Write(std::string_view text) {
  if (!file_ || failed_) return false;
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size())
    failed_ = true;
  return !failed_;
}

bool AtomicFile::Commit(MessageSink* sink) {
  if (!file_) return false;
  if (std::fflush(file_) != 0 || ::fsync(::fileno(file_)) != 0) failed_ = true;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  if (!failed_ && std::rename(temp_.c_str(), path_.c_str()) != 0) failed_ = true;
  if (failed_) {
    if (sink) sink->Error(ComposeMessage("Cannot write to", path_));
    return false;
  }
  committed_ = true;
  return true;
}

OutputResult ExportEpsFile(MapStore& store, const EpsExportRequest& request, MessageSink* sink,
                           Progress* progress) {
  EpsStreamRequest rq;
  rq.printWindow = request.printWindow;
  if (rq.printWindow.left >= rq.printWindow.right && rq.printWindow.bottom >= rq.printWindow.top) {
    if (!DefaultPrintWindow(store, &rq.printWindow)) rq.printWindow = Box{0, 0, 256, 256};
  }
  if (rq.printWindow.right <= rq.printWindow.left) {
    if (sink) sink->Error("Right boundary must be greater than left boundary.");
    return OutputResult::Refused;
  }
  if (rq.printWindow.top <= rq.printWindow.bottom) {
    if (sink) sink->Error("Top boundary must be greater than bottom boundary.");
    return OutputResult::Refused;
  }
  rq.mapScale = store.Setup().MapScale();
  rq.printScale = request.printScale == 0 ? rq.mapScale : request.printScale;
  if (!(rq.mapScale > 0) || !(rq.printScale >= 1) || !(rq.printScale <= 1e9)) {
    if (sink) sink->Error(ComposeMessage(";must be between;and", "Print scale;1;1000000000"));
    return OutputResult::Refused;
  }
  rq.plate = request.plate;
  rq.standardFonts = request.standardFonts;
  rq.title = std::filesystem::path(request.path).filename().string();

  AtomicFile file(request.path);
  if (!file.Open(sink)) return OutputResult::Failed;
  PostScriptLines lines([&file](std::string_view text) { return file.Write(text); });
  if (progress) progress->Start(";objects drawn.", store.LiveObjectCount(), 50, true);
  const EpsStreamResult r = WriteEpsStream(store, request.fonts, lines, rq, progress);
  if (progress) progress->End();
  // An aborted stream is still closed with its trailer: the file is valid, only shorter.
  if (!lines.Flush()) {
    if (sink) sink->Error(ComposeMessage("Cannot write to", request.path));
    return OutputResult::Failed;
  }
  if (!file.Commit(sink)) return OutputResult::Failed;
  if (!r.completed) {
    if (sink) sink->Error("Printing aborted.");
    return OutputResult::Aborted;
  }
  return OutputResult::Written;
}

}  // namespace zelk
