// The info report of a map, as a short summary and as JSON.
#include "cli/map_report.h"

#include <array>

#include "cli/json_writer.h"
#include "storage/text_format.h"

namespace zelk {

namespace {

void WriteBox(JsonWriter& j, const Box& b) {
  j.BeginArray();
  j.Int(b.left >> 8);
  j.Int(b.bottom >> 8);
  j.Int(b.right >> 8);
  j.Int(b.top >> 8);
  j.EndArray();
}
}  // namespace

void WriteMapSummary(Document& doc, const std::string& path, std::ostream& out) {
  MapStore& s = doc.Store();
  const MapFileHeader& h = s.Header();
  out << "Map:      " << path << "\n";
  out << "Format:   version " << h.version << "." << h.subversion << ", file kind " << h.fileKind
      << "\n";
  out << "Colours:  " << s.Colors().colorCount << ", separations " << s.Colors().separationCount
      << "\n";
  std::array<int, 7> byType{};
  for (int i = 0; i < s.SymbolCount(); ++i) {
    const SymbolRecord& r = s.Symbol(i);
    const int type = static_cast<int>(r.Type());
    const int t = type >= 1 && type <= 5 ? (r.IsLineText() ? 6 : type) : 0;
    ++byType[static_cast<size_t>(t)];
  }
  out << "Symbols:  " << s.SymbolCount() << " (point " << byType[1] << ", line " << byType[2]
      << ", area " << byType[3] << ", text " << byType[4] << ", line text " << byType[6]
      << ", rectangle " << byType[5];
  if (byType[0]) out << ", unknown " << byType[0];
  out << ")\n";
  const int32_t live = s.LiveObjectCount();
  out << "Objects:  " << live << " live, " << s.ObjectCount() - live << " deleted\n";
  Box extent;
  if (s.MapExtent(&extent)) {
    out << "Extent:   " << FormatNumber((extent.right - extent.left) / double(kWordsPerMm), 1, 1)
        << " x " << FormatNumber((extent.top - extent.bottom) / double(kWordsPerMm), 1, 1)
        << " mm, from (" << FormatNumber((extent.left >> 8) / 100.0, 2) << ", "
        << FormatNumber((extent.bottom >> 8) / 100.0, 2) << ") to ("
        << FormatNumber((extent.right >> 8) / 100.0, 2) << ", "
        << FormatNumber((extent.top >> 8) / 100.0, 2) << ") mm\n";
  } else {
    out << "Extent:   empty\n";
  }
  out << "Scale:    1:" << FormatNumber(s.Setup().MapScale(), 2) << "\n";
  const std::string info = s.ReadInfoText();
  if (!info.empty()) {
    std::string firstLine = info.substr(0, info.find_first_of("\r\n"));
    out << "Info:     " << Cp1252ToUtf8(firstLine) << "\n";
  }
}

void WriteMapJson(Document& doc, std::ostream& out) {
  MapStore& s = doc.Store();
  JsonWriter j(out);
  j.BeginObject();

  const MapFileHeader& h = s.Header();
  j.Key("header");
  j.BeginObject();
  j.Key("mark");
  j.Int(h.mark);
  j.Key("fileKind");
  j.Int(h.fileKind);
  j.Key("version");
  j.Int(h.version);
  j.Key("subversion");
  j.Int(h.subversion);
  j.Key("firstSymbolBlock");
  j.Int(h.firstSymbolBlock);
  j.Key("firstIndexBlock");
  j.Int(h.firstIndexBlock);
  j.Key("setupPos");
  j.Int(h.setupPos);
  j.Key("setupSize");
  j.Int(h.setupSize);
  j.Key("infoPos");
  j.Int(h.infoPos);
  j.Key("infoSize");
  j.Int(h.infoSize);
  j.EndObject();

  const SymbolHeader& c = s.Colors();
  j.Key("colors");
  j.BeginArray();
  for (int i = 0; i < c.colorCount; ++i) {
    const ColorRecord& col = c.colors[static_cast<size_t>(i)];
    j.BeginObject();
    j.Key("number");
    j.Int(col.colorNumber);
    j.Key("name");
    j.String(Cp1252ToUtf8(col.name));
    j.Key("cmyk");
    j.BeginArray();
    for (uint8_t v : col.cmyk) j.Int(v);
    j.EndArray();
    j.Key("separations");
    j.BeginArray();
    for (uint8_t v : col.separations) j.Int(v);
    j.EndArray();
    j.EndObject();
  }
  j.EndArray();

  j.Key("separations");
  j.BeginArray();
  for (int i = 0; i < c.separationCount; ++i) {
    const SeparationRecord& sep = c.separations[static_cast<size_t>(i)];
    j.BeginObject();
    j.Key("name");
    j.String(Cp1252ToUtf8(sep.name));
    j.Key("frequency");
    j.Int(sep.frequency);
    j.Key("angle");
    j.Int(sep.angle);
    j.EndObject();
  }
  j.EndArray();

  j.Key("symbols");
  j.BeginArray();
  for (int i = 0; i < s.SymbolCount(); ++i) {
    const SymbolRecord& r = s.Symbol(i);
    j.BeginObject();
    j.Key("number");
    j.Int(r.Number());
    j.Key("type");
    j.Int(static_cast<int>(r.Type()));
    j.Key("subtype");
    j.Int(r.Subtype());
    j.Key("extent");
    j.Int(r.Extent());
    j.Key("status");
    j.Int(r.Status());
    j.Key("description");
    j.String(Cp1252ToUtf8(r.Description()));
    j.Key("colors");
    j.BeginArray();
    const ColorSet set = r.Colors();
    for (int n = 0; n < 256; ++n)
      if (set.Has(n)) j.Int(n);
    j.EndArray();
    j.Key("length");
    j.Int(r.Length());
    j.EndObject();
  }
  j.EndArray();

  j.Key("objectCount");
  j.Int(s.ObjectCount());
  j.Key("liveObjectCount");
  j.Int(s.LiveObjectCount());
  j.Key("objects");
  j.BeginArray();
  ObjectRecord obj;
  for (int32_t n = 1; n <= s.ObjectCount(); ++n) {
    IndexEntry e;
    if (!s.ReadEntry(n, &e) || !e.Used()) continue;
    s.ReadObject(n, &obj);
    j.BeginObject();
    j.Key("index");
    j.Int(n);
    j.Key("symbol");
    j.Int(e.symbol != 0 ? e.symbol : obj.symbol);
    j.Key("type");
    j.Int(static_cast<int>(obj.type));
    j.Key("angle");
    j.Int(obj.angle);
    j.Key("deleted");
    j.Bool(e.symbol == 0);
    j.Key("box");
    WriteBox(j, e.box);
    j.Key("points");
    j.BeginArray();
    for (const Coord& p : obj.coords) {
      j.BeginArray();
      j.Int(p.PosX());
      j.Int(p.PosY());
      j.Int(p.XFlags());
      j.Int(p.YFlags());
      j.EndArray();
    }
    j.EndArray();
    j.Key("text");
    j.String(Cp1252ToUtf8(obj.Text()));
    if (obj.symbol == -1) {
      j.Key("layer");
      j.String(Cp1252ToUtf8(obj.LayerName()));
    }
    j.EndObject();
  }
  j.EndArray();

  const SetupBlock& st = s.Setup();
  j.Key("setup");
  j.BeginObject();
  j.Key("zoom");
  j.Number(st.Zoom());
  j.Key("viewX");
  j.Int(st.ViewX() >> 8);
  j.Key("viewY");
  j.Int(st.ViewY() >> 8);
  j.Key("paperGrid");
  j.Number(st.PaperGrid());
  j.Key("currentTool");
  j.Int(st.CurrentTool());
  j.Key("drawMode");
  j.Int(st.DrawMode());
  j.Key("editMode");
  j.Int(st.EditMode());
  j.Key("currentSymbolIndex");
  j.Int(st.CurrentSymbolIndex());
  j.Key("mapScale");
  j.Number(st.MapScale());
  j.Key("realWorldX");
  j.Number(st.RealWorldX());
  j.Key("realWorldY");
  j.Number(st.RealWorldY());
  j.Key("realWorldAngle");
  j.Number(st.RealWorldAngle());
  j.Key("realWorldGrid");
  j.Number(st.RealWorldGrid());
  j.Key("gpsAngle");
  j.Number(st.GpsAngle());
  j.Key("gpsPointCount");
  j.Int(st.GpsPointCount());
  j.Key("draftScaleX");
  j.Number(st.DraftScaleX());
  j.Key("draftScaleY");
  j.Number(st.DraftScaleY());
  j.Key("templateX");
  j.Int(st.TemplateX() >> 8);
  j.Key("templateY");
  j.Int(st.TemplateY() >> 8);
  j.Key("templateFile");
  j.String(Cp1252ToUtf8(st.TemplateFile()));
  j.Key("templateOpen");
  j.Int(st.TemplateOpen());
  j.Key("scannerResolution");
  j.Int(st.ScannerResolution());
  j.Key("templateAngle");
  j.Number(st.TemplateAngle());
  j.EndObject();

  j.Key("info");
  j.String(Cp1252ToUtf8(s.ReadInfoText()));
  j.EndObject();
  out << "\n";
}

}  // namespace zelk
