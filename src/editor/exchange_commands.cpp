#include "editor/exchange_commands.h"

#include <cstdio>
#include <filesystem>

#include "dialogs/dxf_dlgs.h"
#include "exchange/dxf_export.h"
#include "exchange/dxf_import.h"
#include "exchange/map_import.h"
#include "storage/map_store.h"
#include "storage/messages.h"

namespace zelk {

namespace {

// The first bytes of a file, for telling maps and drawings apart.
std::string Head(const std::string& path, size_t bytes) {
  std::string head(bytes, '\0');
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return {};
  head.resize(std::fread(head.data(), 1, head.size(), f));
  std::fclose(f);
  return head;
}

// Sets the busy mark for the life of the object.
class Busy {
 public:
  explicit Busy(EditorState& s) : s_(s) { s_.Busy = true; }
  ~Busy() { s_.Busy = false; }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

 private:
  EditorState& s_;
};

}  // namespace

void ExchangeCommands::Import() {
  if (!c_.doc.IsOpen() || !c_.chooser) return;
  const std::optional<std::string> path = c_.chooser->ChooseFile(
      "Import;Importable files (*.zkm;*.dxf)|*.zkm;*.dxf|All files (*.*)|*.*", "zkm", "", 0, false);
  if (path) ImportFile(*path);
}

void ExchangeCommands::ImportFile(const std::string& path) {
  if (!c_.doc.IsOpen() || !c_.sink) return;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    c_.sink->Error(ComposeMessage("Cannot open", path));
    return;
  }
  const std::string head = Head(path, 4096);
  const MapFileHeader header =
      head.size() >= MapFileHeader::kSize
          ? MapFileHeader::Decode(reinterpret_cast<const uint8_t*>(head.data()))
          : MapFileHeader{};
  if (head.size() >= MapFileHeader::kSize && header.mark == kMapMark) {
    if (header.version != 6 || header.fileKind != 0) {
      c_.sink->Error(path + "\r\nis not in ZELK 6 format.");
      return;
    }
    ImportMapFile(path);
  } else if (IsBinaryDxf(head)) {
    c_.sink->Error(path + "\r\nis a binary DXF file; only ASCII DXF files can be imported.");
  } else if (LooksLikeDxf(head)) {
    ImportDxfFile(path);
  } else {
    c_.sink->Error(path + "\r\nUnknown file format.");
  }
}

void ExchangeCommands::ImportMapFile(const std::string& path) {
  TImportDlg dlg(*c_.sink, c_.help, c_.window.DialogParent());
  dlg.SetOffsets(importDx_, importDy_);
  if (dlg.exec() != QDialog::Accepted) return;
  importDx_ = dlg.OffsetX();
  importDy_ = dlg.OffsetY();
  Busy busy(c_.state);
  WaitCursor wait(c_.window);
  MapImportResult result;
  {
    UndoRing::Pause pause(undo_);
    result = ImportMap(c_.Store(), path, importDx_, importDy_, *c_.sink, *progress_);
  }
  if (result.added.size() > 0) c_.window.SymbolTableChanged();
  Added(result.added);
}

void ExchangeCommands::ImportDxfFile(const std::string& path) {
  TImpDxfDlg dlg(c_.Store(), c_.chooser, *c_.sink, c_.help, c_.window.DialogParent());
  {
    WaitCursor wait(c_.window);
    DxfReader scan(path);
    DxfExtent extent = ScanDxfExtent(scan);
    if (!extent.found) {
      DxfReader again(path);
      const DxfExtent first = ScanDxfFirstVertex(again);
      extent.offsetX = first.offsetX;
      extent.offsetY = first.offsetY;
    }
    dlg.SetExtent(extent);
  }
  if (dlg.exec() != QDialog::Accepted) return;
  Busy busy(c_.state);
  WaitCursor wait(c_.window);
  DxfReader reader(path);
  DxfImportResult result;
  {
    UndoRing::Pause pause(undo_);
    result = ImportDxf(c_.Store(), reader, dlg.Params(), dlg.Table(), c_.fonts, *progress_);
  }
  if (!result.error.empty()) c_.sink->Error(result.error);
  Added(result.added);
}

void ExchangeCommands::Added(const std::vector<int32_t>& objects) {
  if (objects.empty()) return;
  MapStore& store = c_.Store();
  Box extent;
  bool first = true;
  for (const int32_t n : objects) {
    IndexEntry e;
    if (!store.ReadEntry(n, &e)) continue;
    if (first)
      extent = e.box;
    else
      extent.Unite(e.box);
    first = false;
  }
  undo_.BeginUndoStep(0, ObjectRecord{});
  undo_.RecordBulk(UndoKind::BulkAdded, objects, extent);
  undo_.Committed();
  store.SetModified(true);
  c_.window.RedrawAll();
}

void ExchangeCommands::ExportDxf() {
  if (!c_.doc.IsOpen() || !c_.sink) return;
  TExpDxfDlg dlg(c_.Store(), c_.chooser, *c_.sink, c_.help, c_.window.DialogParent());
  std::error_code ec;
  dlg.Propose(c_.doc.Name(), std::filesystem::current_path(ec).string());
  if (dlg.exec() != QDialog::Accepted) return;
  Busy busy(c_.state);
  WaitCursor wait(c_.window);
  DxfExportParams params;
  params.gis = dlg.Gis();
  zelk::ExportDxf(c_.Store(), dlg.Path(), params, dlg.Table(), *c_.sink, *progress_);
}

}  // namespace zelk
