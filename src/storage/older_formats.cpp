// Reading and converting maps of the earlier formats.
#include "storage/older_formats.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "storage/buffered_file.h"
#include "storage/document.h"
#include "storage/program_folder.h"
#include "storage/symbol_derived.h"
#include "storage/symbol_records.h"

namespace zelk {

namespace fs = std::filesystem;

namespace {

constexpr int kOldSettingsSize = 347;
constexpr int64_t kMinPosition = 256;  // units: the first 1024 bytes of the data hold settings
constexpr int64_t kLargestOldFile = int64_t{512} << 20;

int32_t I32At(std::span<const uint8_t> b, int64_t at) {
  if (at < 0 || at + 4 > static_cast<int64_t>(b.size())) return 0;
  return GetI32(b.data() + at);
}
int16_t I16At(std::span<const uint8_t> b, int64_t at) {
  if (at < 0 || at + 2 > static_cast<int64_t>(b.size())) return 0;
  return GetI16(b.data() + at);
}

// The checks every entry must pass; `dataUnits` is the size of the object data in units.
bool Plausible(OldFormat f, int64_t pos, int64_t len, int64_t dataUnits) {
  if (pos < kMinPosition || pos + len > dataUnits) return false;
  if (f == OldFormat::Zelk5) return len >= 4 && len <= 2000;
  return len > 3 && len <= 2003;
}

std::optional<int32_t> OldScale(std::span<const uint8_t> file, int64_t at) {
  if (at < 0 || at + kOldSettingsSize > static_cast<int64_t>(file.size())) return std::nullopt;
  const int32_t scale = I32At(file, at + 16);
  if (scale < 100 || scale > 10000000) return std::nullopt;
  return scale;
}

}  // namespace

OldIndex ReadOldIndex(OldFormat format, std::span<const uint8_t> file,
                      std::span<const uint8_t> idx) {
  OldIndex out;
  const auto size = static_cast<int64_t>(file.size());
  switch (format) {
    case OldFormat::Zelk5: {
      // b is where the index ends and the data begin: within the file, after the header.
      const int64_t b = std::clamp<int64_t>(I32At(file, 8), 24, std::max<int64_t>(size, 24));
      out.dataStart = b;
      const int64_t dataUnits = std::max<int64_t>(0, (size - b) / 4);
      for (int64_t at = 24; at + 24 <= b; at += 24) {
        ++out.slotCount;
        const int64_t pos = I32At(file, at + 8), len = I32At(file, at + 12);
        if (!Plausible(format, pos, len, dataUnits)) {
          ++out.implausible;
          continue;
        }
        out.entries.push_back({b + 4 * pos, static_cast<int32_t>(len)});
      }
      break;
    }
    case OldFormat::Zelk4:
    case OldFormat::Zelk3: {
      const std::span<const uint8_t> index = format == OldFormat::Zelk4 ? file : idx;
      const auto indexSize = static_cast<int64_t>(index.size());
      // Slot 0 is the header. ZELK 4 names its slot count; ZELK 3 has one slot per 16 bytes.
      int64_t slots = format == OldFormat::Zelk4 ? I32At(file, 8) : indexSize / 16;
      slots = std::max<int64_t>(slots, 0);
      const int64_t s = format == OldFormat::Zelk4 ? 16 * slots : 0;
      out.dataStart = s;
      out.mapScale = OldScale(file, s);
      const int64_t dataUnits = std::max<int64_t>(0, (size - s) / 4);
      const int64_t inFile = indexSize / 16;
      for (int64_t slot = 1; slot < slots; ++slot) {
        ++out.slotCount;
        if (slot >= inFile) {
          out.beyondEnd = static_cast<int32_t>(std::min<int64_t>(slots - slot, INT32_MAX));
          out.slotCount = static_cast<int32_t>(std::min<int64_t>(slots - 1, INT32_MAX));
          break;
        }
        const int64_t at = 16 * slot;
        const int64_t pos = I32At(index, at + 8), len = I16At(index, at + 12);
        if (!Plausible(format, pos, len, dataUnits)) {
          ++out.implausible;
          continue;
        }
        out.entries.push_back({s + 4 * pos, static_cast<int32_t>(len)});
      }
      break;
    }
  }
  return out;
}

std::optional<OldObject> DecodeOldObject(OldFormat format, std::span<const uint8_t> record) {
  const int64_t units = static_cast<int64_t>(record.size()) / 4;
  if (units < 3) return std::nullopt;
  OldObject o;
  o.symbol = GetI16(record.data());
  o.type = GetI16(record.data() + 2);
  int64_t count = GetI16(record.data() + 4);
  o.angle = GetI16(record.data() + 6);
  if (count > units - 3) {
    if (format != OldFormat::Zelk5) return std::nullopt;
    count = units - 3;
  }
  if (o.symbol < 1 || count < 1 || o.type < 1 || o.type > 5) return std::nullopt;
  count = std::min<int64_t>(count, kMaxPoints);
  for (int64_t i = 0; i < count; ++i) {
    const uint8_t* p = record.data() + 12 + 4 * i;
    // 0.1 mm to map units (0.01 mm).
    o.coords.push_back(Coord::FromUnits(GetI16(p) * 10, GetI16(p + 2) * 10));
  }
  const size_t textAt = static_cast<size_t>(12 + 4 * count);
  for (size_t i = textAt; i < record.size() && record[i] != 0; ++i)
    o.text.push_back(static_cast<char>(record[i]));
  return o;
}

std::optional<ObjectRecord> ConvertOldObject(const OldObject& old) {
  ObjectRecord o;
  o.symbol = old.symbol;
  o.type = static_cast<ObjectType>(old.type);
  o.angle = static_cast<int16_t>(((old.angle % 3600) + 3600) % 3600);
  const int n = static_cast<int>(old.coords.size());
  switch (o.type) {
    case ObjectType::Point:
      o.coords = {old.coords[0]};
      break;
    case ObjectType::Line:
      if (n < 2) return std::nullopt;
      o.coords = old.coords;
      break;
    case ObjectType::Area:
      if (n < 3) return std::nullopt;
      o.coords = old.coords;
      break;
    case ObjectType::Text: {
      if (old.text.empty()) return std::nullopt;
      // The anchor and a box about the size of the text; the editor lays it out again.
      const Coord a = old.coords[0];
      const int32_t w = std::min<int32_t>(static_cast<int32_t>(old.text.size()) * 200, 100000);
      o.coords = {a, Coord::FromUnits(a.PosX(), a.PosY() - 100),
                  Coord::FromUnits(a.PosX() + w, a.PosY() - 100),
                  Coord::FromUnits(a.PosX() + w, a.PosY() + 300),
                  Coord::FromUnits(a.PosX(), a.PosY() + 300)};
      o.SetText(old.text.substr(0, 8000));
      break;
    }
    case ObjectType::Rectangle: {
      if (n < 2) return std::nullopt;
      // Two opposite corners, or the first four: the first corner lower left.
      int32_t l = INT32_MAX, b = INT32_MAX, r = INT32_MIN, t = INT32_MIN;
      for (int i = 0; i < std::min(n, 4); ++i) {
        l = std::min(l, old.coords[static_cast<size_t>(i)].PosX());
        r = std::max(r, old.coords[static_cast<size_t>(i)].PosX());
        b = std::min(b, old.coords[static_cast<size_t>(i)].PosY());
        t = std::max(t, old.coords[static_cast<size_t>(i)].PosY());
      }
      if (l == r || b == t) return std::nullopt;
      o.coords = {Coord::FromUnits(l, b), Coord::FromUnits(r, b), Coord::FromUnits(r, t),
                  Coord::FromUnits(l, t)};
      if (!old.text.empty()) o.SetText(old.text.substr(0, 8000));
      break;
    }
    default:
      return std::nullopt;
  }
  return o;
}

namespace {

bool ReadWhole(const std::string& path, std::vector<uint8_t>* out, MessageSink* sink) {
  try {
    BufferedFile f(sink);
    f.OpenForReading(path);
    const int64_t size = f.Size();
    if (size > kLargestOldFile) {
      if (sink) sink->Error(ComposeMessage(";Format not correct.", path + "\r\n"));
      return false;
    }
    out->resize(static_cast<size_t>(size));
    if (size > 0) f.Read(out->data(), size);
    return true;
  } catch (const FileError&) {
    return false;
  }
}

// The replacement symbol an old object gets when the symbol set has none of its number and type.
SymbolRecord ReplacementSymbol(ObjectType type, const std::string& lineOrText, int color) {
  SymbolRecord common = CommonPart(NewSymbolRecord(SymbolType::Point));
  ColorSet colors;
  colors.Add(color);
  SymbolRecord rec;
  switch (type) {
    case ObjectType::Point: {
      ElementList list;
      SymbolElementHead h;
      h.kind = kElementLine;
      h.color = static_cast<int16_t>(color);
      h.lineWidth = 20;
      const std::vector<Coord> square = {Coord::FromUnits(-60, -60), Coord::FromUnits(60, -60),
                                         Coord::FromUnits(60, 60), Coord::FromUnits(-60, 60),
                                         Coord::FromUnits(-60, -60)};
      AppendElement(list, h, square);
      rec = FinishPointSymbol(common, list);
      rec.SetDescription("Punch box");
      break;
    }
    case ObjectType::Line: {
      LineSymbol l;
      l.LineColor = static_cast<int16_t>(color);
      l.LineWidth = 25;
      rec = FinishLineSymbol(common, l, {}, {});
      rec.SetDescription(lineOrText);
      break;
    }
    case ObjectType::Area: {
      AreaSymbol a;
      a.FillOn = 1;
      a.FillColor = static_cast<int16_t>(color);
      rec = FinishAreaSymbol(common, a, {});
      rec.SetDescription("Area");
      break;
    }
    case ObjectType::Text: {
      TextSymbol t;
      t.FontName = "Arial";
      t.FontColor = static_cast<int16_t>(color);
      t.FontSize = 100;
      t.FontWeight = 400;
      t.WordSpace = 100;
      t.LineSpace = 120;
      rec = common;
      t.Encode(rec);
      rec.SetExtent(0);
      rec.SetDescription("Text ");
      break;
    }
    case ObjectType::Rectangle: {
      RectangleSymbol r;
      r.LineColor = static_cast<int16_t>(color);
      r.LineWidth = 30;
      rec = FinishRectangleSymbol(common, r);
      rec.SetDescription("Rectangle");
      break;
    }
  }
  rec.SetColors(colors);
  return rec;
}

}  // namespace

ConversionResult ConvertOlderMap(Document& doc, const std::string& path, int16_t fileKind,
                                 Progress& progress) {
  ConversionResult result;
  MapStore& store = doc.Store();
  MessageSink* sink = store.Sink();
  const OldFormat format = fileKind == kFileKindZelk5   ? OldFormat::Zelk5
                           : fileKind == kFileKindZelk4 ? OldFormat::Zelk4
                                                        : OldFormat::Zelk3;
  std::vector<uint8_t> file, idx;
  if (!ReadWhole(path, &file, sink)) return result;
  if (format == OldFormat::Zelk3) {
    std::string idxPath = fs::path(path).replace_extension(".IDX").string();
    if (!FileExists(idxPath)) idxPath = fs::path(path).replace_extension(".idx").string();
    if (!ReadWhole(idxPath, &idx, sink)) return result;
  }
  const OldIndex index = ReadOldIndex(format, file, idx);
  const std::string set = (fs::path(ProgramFolder::ShippedDataFolder()) /
                           (format == OldFormat::Zelk3 ? "ZELK4.SYM" : "zelk4.sym"))
                              .string();
  if (!doc.NewMap(set)) return result;
  progress.Start(";objects converted.", std::max(index.slotCount, 1), 10, true,
                 format == OldFormat::Zelk5 ? "Converting" : "Converting...");
  // Replacement symbols made so far, by old number and type.
  std::map<std::pair<int, int>, int> replacements;
  // Replacement symbols are drawn in the darkest plain black of the table (record 0 may be a
  // white that lies over everything).
  int color = store.Colors().colorCount > 0 ? store.Colors().colors[0].colorNumber : 0;
  int darkest = -1;
  for (int i = 0; i < std::min<int>(store.Colors().colorCount, kMaxColors); ++i) {
    const ColorRecord& c = store.Colors().colors[static_cast<size_t>(i)];
    if (c.cmyk[0] == 0 && c.cmyk[1] == 0 && c.cmyk[2] == 0 && c.cmyk[3] > darkest) {
      darkest = c.cmyk[3];
      color = c.colorNumber;
    }
  }
  if (store.Colors().colorCount == 0) {
    SymbolHeader& h = store.MutableColors();
    h.colorCount = 1;
    h.colors[0] = ColorRecord::NewColor(0, "Black");
    h.colors[0].cmyk = {0, 0, 0, 200};
    store.ColorTableChanged();
  }
  int32_t skipped = index.beyondEnd + index.implausible;
  bool failed = false;
  {
    WriteBatch batch(store);
    int32_t done = 0;
    for (const OldEntry& e : index.entries) {
      const std::span<const uint8_t> bytes(file.data() + e.offset,
                                           static_cast<size_t>(e.units) * 4);
      const std::optional<OldObject> old = DecodeOldObject(format, bytes);
      std::optional<ObjectRecord> obj = old ? ConvertOldObject(*old) : std::nullopt;
      if (!obj) {
        ++skipped;
      } else {
        const int place = store.SymbolPlace(obj->symbol);
        const bool fits = place >= 0 && static_cast<int>(store.Symbol(place).Type()) ==
                                            (obj->type == ObjectType::Rectangle && obj->textUnits
                                                 ? static_cast<int>(SymbolType::Text)
                                                 : static_cast<int>(obj->type));
        if (!fits) {
          const auto key = std::make_pair(int{obj->symbol}, static_cast<int>(obj->type));
          auto it = replacements.find(key);
          if (it == replacements.end()) {
            const ObjectType symbolType =
                obj->type == ObjectType::Rectangle && obj->textUnits ? ObjectType::Text : obj->type;
            SymbolRecord rec = ReplacementSymbol(symbolType, "Line", color);
            rec.SetNumber(obj->symbol);
            if (!store.AppendSymbol(rec)) {
              failed = true;
              break;
            }
            it = replacements.emplace(key, store.Symbol(store.SymbolCount() - 1).Number()).first;
          }
          obj->symbol = static_cast<int16_t>(it->second);
        }
        if (!store.AddObject(*obj)) {
          failed = true;
          break;
        }
        ++result.objects;
      }
      ++done;
      progress.Step(done, done);
      if (progress.AbortRequested()) {
        result.stopped = true;
        break;
      }
    }
    if (!batch.Commit()) failed = true;
  }
  progress.End();
  if (!replacements.empty() && !store.RewriteSymbolIndex()) failed = true;
  if (!result.stopped && index.mapScale) {
    store.MutableSetup().SetMapScale(*index.mapScale);
    store.MutableSetup().SetDraftScaleX(*index.mapScale);
    store.MutableSetup().SetDraftScaleY(*index.mapScale);
    if (!store.WriteSettings()) failed = true;
  }
  store.SetModified(true);
  result.skipped = skipped;
  if (index.beyondEnd > 0)
    result.note = std::to_string(index.beyondEnd) +
                  " index entries lie beyond the end of the file and were skipped.";
  if (skipped > index.beyondEnd) {
    if (!result.note.empty()) result.note += "\r\n";
    result.note +=
        std::to_string(skipped - index.beyondEnd) + " damaged or unreadable objects were skipped.";
  }
  result.converted = !result.stopped && !failed;
  return result;
}

}  // namespace zelk
