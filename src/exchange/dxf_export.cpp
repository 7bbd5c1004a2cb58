#include "exchange/dxf_export.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "exchange/code_pages.h"
#include "geometry/curves.h"
#include "render/real_world.h"
#include "render/text_symbol.h"
#include "storage/map_store.h"
#include "storage/messages.h"
#include "storage/text_format.h"

namespace zelk {

namespace {

namespace fs = std::filesystem;

class DxfWriter {
 public:
  DxfWriter(std::FILE* file, int decimals) : file_(file), decimals_(decimals) {}

  void Group(int code, std::string_view value) {
    char head[16];
    const int n = std::snprintf(head, sizeof head, "%3d\r\n", code);
    buffer_.append(head, static_cast<size_t>(n));
    buffer_.append(value);
    buffer_.append("\r\n");
    if (buffer_.size() > (1 << 20)) Flush();
  }
  void Number(int code, double v, int decimals) {
    char text[64];
    const int n = std::snprintf(text, sizeof text, "%.*f", decimals, v);
    std::string_view s(text, static_cast<size_t>(n));
    // No "-0.00".
    if (s.find_first_not_of("-0.") == std::string_view::npos && s.front() == '-')
      s.remove_prefix(1);
    Group(code, s);
  }
  void Coordinate(double x, double y) {
    Number(10, x, decimals_);
    Number(20, y, decimals_);
  }
  bool Flush() {
    if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
      failed_ = true;
    buffer_.clear();
    return !failed_;
  }
  bool Failed() const { return failed_; }

 private:
  std::FILE* file_;
  int decimals_;
  std::string buffer_;
  bool failed_ = false;
};

std::string TempNameBeside(const std::string& path) {
  const fs::path p(path);
  const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
  std::string name = (dir / ".zelk-dxf-XXXXXX").string();
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return {};
  ::close(fd);
  return name;
}

}  // namespace

int DxfDecimals(double factor) {
  if (factor < 0.0001) return 8;
  if (factor < 0.01) return 4;
  return 2;
}

DxfExportResult ExportDxf(MapStore& store, const std::string& path, const DxfExportParams& params,
                          const CrossRefTable& table, MessageSink& sink, Progress& progress) {
  DxfExportResult result;
  const SetupBlock& setup = store.Setup();
  const double factor = params.gis ? setup.MapScale() * 0.00001 : 0.01;
  if (params.gis && !(factor > 0 && std::isfinite(factor))) {
    sink.Error("The map scale gives no real-world coordinates.");
    return result;
  }
  const int decimals = DxfDecimals(factor);
  // Real-world metres as the status line shows them: scale, angle and offset of the map.
  const RealWorldTransform world(setup);
  const std::string temp = TempNameBeside(path);
  std::FILE* file = temp.empty() ? nullptr : std::fopen(temp.c_str(), "wb");
  if (!file) {
    if (!temp.empty()) std::remove(temp.c_str());
    sink.Error(ComposeMessage("Cannot create", path));
    return result;
  }
  DxfWriter out(file, decimals);
  auto coordinate = [&](const Coord& c) {
    // Positions are the upper 24 bits: a shift, which keeps negative positions exact.
    const double x = c.PosX(), y = c.PosY();
    if (params.gis) {
      const auto [east, north] =
          world.ToWorld(static_cast<double>(c.x & kPosMask), static_cast<double>(c.y & kPosMask));
      out.Coordinate(east, north);
    } else {
      out.Coordinate(x * factor, y * factor);
    }
  };
  auto layer = [&](const ObjectRecord& obj) {
    if (const std::string* name = table.LayerOf(obj.symbol)) {
      out.Group(8, *name);
    } else if (obj.symbol <= 0 || store.SymbolPlace(obj.symbol) < 0) {
      // An object without a symbol of the map keeps the layer it came from, else layer 0.
      const std::string kept = obj.symbol == -1 ? obj.LayerName() : std::string();
      out.Group(8, kept.empty() ? "0" : kept);
    } else {
      out.Group(8, std::to_string(obj.symbol));
    }
  };
  auto angle = [&](const ObjectRecord& obj) { out.Number(50, obj.angle / 10.0, 1); };

  out.Group(0, "SECTION");
  out.Group(2, "HEADER");
  Box extent;
  if (!store.MapExtent(&extent)) extent = Box{};
  out.Group(9, "$EXTMIN");
  coordinate(Coord{extent.left, extent.bottom});
  out.Group(9, "$EXTMAX");
  coordinate(Coord{extent.right, extent.top});
  out.Group(0, "ENDSEC");
  out.Group(0, "SECTION");
  out.Group(2, "ENTITIES");

  progress.Start(";objects exported.", store.ObjectCount(), 10, true, "Exporting");
  ObjectRecord obj;
  std::vector<Coord> flat(static_cast<size_t>(MaxFlattenPoints(6)) + 1);
  for (int32_t n = 1; n <= store.ObjectCount() && !out.Failed(); ++n) {
    IndexEntry e;
    if (!store.ReadEntry(n, &e) || !e.Live()) continue;
    if (!store.ReadObject(n, &obj) || obj.PointCount() < 1) continue;
    const int place = store.SymbolPlace(obj.symbol);
    if (obj.symbol == 0) continue;
    if (place >= 0 && store.Symbol(place).Status() == kStatusHidden) continue;
    ++result.exported;
    progress.Step(result.exported, n);
    if (progress.AbortRequested()) {
      result.aborted = true;
      break;
    }
    switch (obj.type) {
      case ObjectType::Point:
        out.Group(0, "POINT");
        layer(obj);
        coordinate(obj.coords[0]);
        angle(obj);
        break;
      case ObjectType::Line:
      case ObjectType::Area: {
        out.Group(0, "POLYLINE");
        out.Group(66, "1");
        layer(obj);
        const int count = obj.PointCount();
        auto vertex = [&](const Coord& c) {
          out.Group(0, "VERTEX");
          layer(obj);
          coordinate(c);
        };
        for (int i = 0; i < count; ++i) {
          const Coord& c = obj.coords[static_cast<size_t>(i)];
          // A curve needs its start, both control points and its end; a first-control flag
          // without them is a plain point.
          if (i >= 1 && i < count - 2 && (c.XFlags() & kFirstCurvePoint)) {
            const Coord seg[4] = {obj.coords[static_cast<size_t>(i - 1)], c,
                                  obj.coords[static_cast<size_t>(i + 1)],
                                  obj.coords[static_cast<size_t>(i + 2)]};
            const int m = FlattenBezier(seg, flat, 6, 5.0);
            for (int k = 0; k < m; ++k) vertex(flat[static_cast<size_t>(k)]);
            i += 2;
          } else {
            vertex(c);
          }
        }
        out.Group(0, "SEQEND");
        break;
      }
      case ObjectType::Text: {
        if (place < 0) break;
        const std::optional<TextSymbolFields> fields = ReadTextSymbol(store.Symbol(place));
        if (!fields || store.Symbol(place).Type() != SymbolType::Text) break;
        out.Group(0, "TEXT");
        layer(obj);
        coordinate(obj.coords[0]);
        out.Number(40, fields->font.size * 2540.0 / 720.0 * factor, decimals);
        std::string text = MapTextToOem(obj.Text().substr(0, 255));
        for (size_t k = 0; k < text.size(); ++k)
          if (static_cast<unsigned char>(text[k]) < 32) {
            text.resize(k);
            break;
          }
        out.Group(1, text.empty() ? " " : text);
        angle(obj);
        break;
      }
      default:
        break;
    }
  }
  progress.End();
  out.Group(0, "ENDSEC");
  out.Group(0, "EOF");
  const bool flushed = out.Flush();
  const bool closed = std::fclose(file) == 0;
  if (!flushed || !closed) {
    std::remove(temp.c_str());
    sink.Error(ComposeMessage("Cannot write to", path));
    return result;
  }
  if (result.aborted) {
    std::remove(temp.c_str());
    return result;
  }
  std::error_code ec;
  fs::rename(temp, path, ec);
  if (ec) {
    std::remove(temp.c_str());
    sink.Error(ComposeMessage("Cannot create", path));
    return result;
  }
  fs::permissions(path,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                      fs::perms::others_read,
                  ec);
  result.written = true;
  return result;
}

}  // namespace zelk
