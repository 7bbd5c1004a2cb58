#include "editor/clipboard_commands.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <cstring>

#include "editor/selection.h"
#include "editor/text_tool.h"
#include "editor/tool_choice.h"
#include "storage/clipboard_blocks.h"
#include "storage/help_contexts.h"
#include "storage/map_store.h"

namespace zelk {

namespace {

class SystemClipboard : public ClipboardPort {
  static bool IsText(const char* format) { return std::strcmp(format, kTextClipboardFormat) == 0; }

 public:
  bool Has(const char* format) const override {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (IsText(format)) return data && data->hasText();
    return data && data->hasFormat(format);
  }
  std::vector<uint8_t> Get(const char* format) const override {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (IsText(format)) {
      // Whatever encoding the other program offered, as UTF-8.
      const QByteArray utf8 = data && data->hasText() ? data->text().toUtf8() : QByteArray();
      return std::vector<uint8_t>(utf8.begin(), utf8.end());
    }
    if (!data || !data->hasFormat(format)) return {};
    // What another program put there is read as it is and checked by the block reader.
    const QByteArray bytes = data->data(format);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
  }
  bool Put(const char* format, const std::vector<uint8_t>& bytes) override {
    if (IsText(format)) {
      QGuiApplication::clipboard()->setText(QString::fromUtf8(
          reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
      return true;
    }
    auto* data = new QMimeData;
    data->setData(format, QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                     static_cast<qsizetype>(bytes.size())));
    QGuiApplication::clipboard()->setMimeData(data);
    return true;
  }
};

constexpr const char* kTooMany = "Too many objects for Clipboard.";

}  // namespace

std::unique_ptr<ClipboardPort> MakeSystemClipboard() {
  return std::make_unique<SystemClipboard>();
}

ClipboardCommands::ClipboardCommands(CommandContext& c, UndoRing& undo, ToolContext* tools,
                                     std::unique_ptr<ClipboardPort> clipboard)
    : c_(c),
      undo_(undo),
      selection_(tools ? std::make_unique<Selection>(*tools) : nullptr),
      clipboard_(std::move(clipboard)) {}

ClipboardCommands::~ClipboardCommands() = default;

bool ClipboardCommands::CanPasteSymbols() const {
  return c_.doc.IsOpen() && !c_.state.SymbolEditing && clipboard_ &&
         clipboard_->Has(kSymbolClipboardFormat);
}

void ClipboardCommands::CopyText(TextTyping& typing) {
  if (!clipboard_ || !typing.Active() || !typing.HasSelection()) return;
  const std::string text = typing.SelectedText();
  clipboard_->Put(kTextClipboardFormat, std::vector<uint8_t>(text.begin(), text.end()));
}

void ClipboardCommands::CutText(TextTyping& typing) {
  if (!clipboard_ || !typing.Active() || !typing.HasSelection()) return;
  const std::string text = typing.SelectedText();
  // The text goes only when the clipboard took it.
  if (clipboard_->Put(kTextClipboardFormat, std::vector<uint8_t>(text.begin(), text.end())))
    typing.DeleteSelection();
}

void ClipboardCommands::PasteText(TextTyping& typing) {
  if (!CanPasteText() || !typing.Active()) return;
  const std::vector<uint8_t> bytes = clipboard_->Get(kTextClipboardFormat);
  typing.Paste(std::string(bytes.begin(), bytes.end()));
}

bool ClipboardCommands::CanPasteText() const {
  return clipboard_ && clipboard_->Has(kTextClipboardFormat);
}

bool ClipboardCommands::CanPasteObjects() const {
  return c_.doc.IsOpen() && !c_.state.SymbolEditing && selection_ && clipboard_ &&
         clipboard_->Has(kObjectClipboardFormat);
}

bool ClipboardCommands::CanCopyObjects() const {
  return c_.doc.IsOpen() && !c_.state.SymbolEditing && selection_ && !ObjectsToCopy().empty();
}

void ClipboardCommands::CopySymbols() {
  if (!c_.doc.IsOpen() || !clipboard_) return;
  MapStore& store = c_.Store();
  if (store.SymbolCount() == 0) return;
  std::vector<SymbolRecord> chosen;
  const int current = c_.state.CurrentSymbol;
  if (current >= 0 && current < store.SymbolCount()) {
    chosen.push_back(store.Symbol(current));
  } else {
    for (int i = 0; i < store.SymbolCount(); ++i)
      if (store.Symbol(i).Selected()) chosen.push_back(store.Symbol(i));
  }
  if (chosen.empty()) return;
  const std::optional<std::vector<uint8_t>> block = EncodeSymbolBlock(chosen);
  if (!block) {
    if (c_.sink) c_.sink->Error(kTooMany, help::kToolbar);
    return;
  }
  clipboard_->Put(kSymbolClipboardFormat, *block);
}

void ClipboardCommands::PasteSymbols() {
  if (!CanPasteSymbols()) return;
  MapStore& store = c_.Store();
  const std::vector<SymbolRecord> records =
      DecodeSymbolBlock(clipboard_->Get(kSymbolClipboardFormat));
  const int current = c_.state.CurrentSymbol;
  int pasted = 0, lastNumber = 0;
  for (const SymbolRecord& r : records) {
    if (store.SymbolCount() >= 1000) break;
    const bool ok = current >= 0 && current < store.SymbolCount()
                        ? store.InsertSymbol(current + pasted, r)
                        : store.AppendSymbol(r);
    if (!ok) break;
    const int place = current >= 0 ? current + pasted + 1 : store.SymbolCount() - 1;
    lastNumber = store.Symbol(place).Number();
    ++pasted;
  }
  if (pasted == 0) return;
  store.RewriteSymbolIndex();
  if (pasted == 1)
    store.UpdateObjects(lastNumber, lastNumber);
  else
    store.UpdateObjects(0, 9999);
  store.SetModified(true);
  c_.window.SymbolTableChanged();
  c_.window.RedrawAll();
}

std::vector<int32_t> ClipboardCommands::ObjectsToCopy() const {
  if (c_.state.MultipleCount() > 1) return c_.state.MultipleSelection.Objects();
  if (c_.state.SelectedObject > 0) return {c_.state.SelectedObject};
  return {};
}

bool ClipboardCommands::PutObjects(const std::vector<int32_t>& objects, Box* extent) {
  MapStore& store = c_.Store();
  std::vector<ObjectRecord> records;
  records.reserve(objects.size());
  bool first = true;
  size_t total = 4;
  for (const int32_t n : objects) {
    IndexEntry e;
    ObjectRecord obj;
    if (!store.ReadEntry(n, &e) || !e.Live()) continue;
    total += static_cast<size_t>(e.length);
    if (!store.ReadObject(n, &obj) || e.length < obj.Length()) continue;
    if (first)
      *extent = e.box;
    else
      extent->Unite(e.box);
    first = false;
    records.push_back(std::move(obj));
  }
  if (records.empty()) return false;
  const std::optional<std::vector<uint8_t>> block =
      total >= kClipboardLimit ? std::nullopt
                               : EncodeObjectBlock(records, ClipboardOrigin(*extent));
  if (!block) {
    if (c_.sink) c_.sink->Error(kTooMany, help::kToolbar);
    return false;
  }
  return clipboard_->Put(kObjectClipboardFormat, *block);
}

void ClipboardCommands::CopyObjects() {
  if (!CanCopyObjects() || !clipboard_) return;
  Box extent;
  PutObjects(ObjectsToCopy(), &extent);
}

void ClipboardCommands::CutObjects() {
  if (!CanCopyObjects() || !clipboard_) return;
  const std::vector<int32_t> objects = ObjectsToCopy();
  Box extent;
  if (!PutObjects(objects, &extent)) return;
  MapStore& store = c_.Store();
  std::vector<int32_t> deleted;
  {
    UndoRing::Pause pause(undo_);
    store.BeginBatch();
    for (const int32_t n : objects)
      if (store.DeleteObject(n)) deleted.push_back(n);
    if (!store.EndBatch()) deleted.clear();
  }
  selection_->SelectNone();
  c_.state.ClearMultipleSelection();
  if (deleted.empty()) return;
  undo_.BeginUndoStep(0, ObjectRecord{});
  undo_.RecordBulk(UndoKind::BulkDeleted, deleted, extent);
  undo_.Committed();
  store.SetModified(true);
  c_.window.RedrawAll();
}

void ClipboardCommands::PasteObjects() {
  if (!CanPasteObjects()) return;
  MapStore& store = c_.Store();
  std::vector<ObjectRecord> records = DecodeObjectBlock(clipboard_->Get(kObjectClipboardFormat));
  if (records.empty()) return;
  // At the view's position.
  const int64_t dx = store.Setup().ViewX(), dy = store.Setup().ViewY();
  std::vector<int32_t> added;
  Box extent;
  {
    UndoRing::Pause pause(undo_);
    store.BeginBatch();
    for (ObjectRecord& obj : records) {
      MoveCoordinates(obj, dx & kPosMask, dy & kPosMask);
      if (!store.AddObject(obj)) continue;  // the engine said why; the rest still come
      const int32_t n = store.ObjectCount();
      IndexEntry e;
      if (store.ReadEntry(n, &e)) {
        if (added.empty())
          extent = e.box;
        else
          extent.Unite(e.box);
      }
      added.push_back(n);
    }
    if (!store.EndBatch()) added.clear();
  }
  if (added.empty()) return;
  undo_.BeginUndoStep(0, ObjectRecord{});
  undo_.RecordBulk(UndoKind::BulkAdded, added, extent);
  undo_.Committed();
  store.SetModified(true);
  ChooseMode(c_.state, Mode::EditObject);
  selection_->SelectNone();
  if (added.size() == 1) {
    selection_->Select(added.front());
  } else {
    c_.state.MultipleSelection.Assign(added, extent);
    selection_->ShowMarked();
  }
  c_.window.RedrawAll();
}

}  // namespace zelk
