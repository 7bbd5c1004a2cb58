// Undo and redo over the ring of change records.
#include "editor/undo_ring.h"

#include "geometry/coord_math.h"

namespace zelk {

ObjectBits ObjectBits::Of(const std::vector<int32_t>& objects, int32_t objectCount) {
  ObjectBits bits(objectCount);
  for (int32_t n : objects) bits.Set(n);
  return bits;
}

void ObjectBits::Set(int32_t n) {
  if (n < 0) return;
  const size_t i = static_cast<size_t>(n >> 3);
  if (i >= bytes_.size()) bytes_.resize(i + 1, 0);
  bytes_[i] = static_cast<uint8_t>(bytes_[i] | (1u << (n & 7)));
}

std::vector<int32_t> ObjectBits::Objects() const {
  std::vector<int32_t> out;
  for (size_t i = 0; i < bytes_.size(); ++i) {
    if (bytes_[i] == 0) continue;
    for (int b = 0; b < 8; ++b)
      if ((bytes_[i] >> b) & 1) out.push_back(static_cast<int32_t>(i * 8 + static_cast<size_t>(b)));
  }
  return out;
}

void MoveObjectRecord(ObjectRecord& obj, int32_t dxWords, int32_t dyWords) {
  for (Coord& c : obj.coords) {
    c.x = WithFlags(ClampCoord(int64_t{PosWord(c.x)} + dxWords), FlagByte(c.x));
    c.y = WithFlags(ClampCoord(int64_t{PosWord(c.y)} + dyWords), FlagByte(c.y));
  }
}

UndoRing::UndoRing(MapStore& store) : store_(store) {
  store_.SetUndoRecorder(this);
}

UndoRing::~UndoRing() {
  if (store_.GetUndoRecorder() == this) store_.SetUndoRecorder(nullptr);
}

UndoRing::Record& UndoRing::Append() {
  current_ = Next(current_);
  newest_ = current_;
  if (oldest_ == current_) oldest_ = Next(oldest_);
  Record& r = At(current_);
  r = Record{};
  return r;
}

void UndoRing::DropEmptyStep() {
  // A step start with nothing after it changed nothing: it gives its place to what follows.
  if (At(current_).kind == UndoKind::StepStart && current_ != oldest_) {
    At(current_) = Record{};
    if (newest_ == current_) newest_ = Previous(current_);
    current_ = Previous(current_);
  }
}

void UndoRing::BeginUndoStep(int32_t object, const ObjectRecord& buffer) {
  if (!recording_ || Editing()) return;
  DropEmptyStep();
  stepObject_ = object;
  stepBuffer_ = buffer;
  stepEntry_ = IndexEntry{};
  if (object > 0 && object <= store_.ObjectCount()) store_.ReadEntry(object, &stepEntry_);
  Record& r = Append();
  r.kind = UndoKind::StepStart;
  r.object = object;
  r.entry = stepEntry_;
  if (view_) view_->UndoStateChanged();
}

void UndoRing::RecordBulk(UndoKind kind, const std::vector<int32_t>& objects, const Box& extent,
                          int32_t dx, int32_t dy) {
  if (Editing() || objects.empty()) return;
  Record& r = Append();
  r.kind = kind;
  r.extent = extent;
  r.dx = dx;
  r.dy = dy;
  r.marked = ObjectBits::Of(objects, store_.ObjectCount());
  if (view_) view_->UndoStateChanged();
}

void UndoRing::ObjectAdded(int32_t n, const IndexEntry& entry) {
  if (!recording_ || Editing()) return;
  Record& r = Append();
  r.kind = UndoKind::Added;
  r.object = n;
  r.entry = entry;
}

void UndoRing::ObjectChanged(int32_t n, const IndexEntry& before,
                             const std::vector<uint8_t>& oldRecord) {
  if (!recording_ || Editing()) return;
  Record& r = Append();
  r.kind = UndoKind::Changed;
  r.object = n;
  r.entry = before;
  r.saved = oldRecord;
}

void UndoRing::ObjectDeleted(int32_t n, const IndexEntry& entry) {
  if (!recording_ || Editing()) return;
  Record& r = Append();
  r.kind = UndoKind::Deleted;
  r.object = n;
  r.entry = entry;
}

bool UndoRing::CanUndo() const {
  if (Editing()) return false;
  int p = current_;
  // An empty step on top is passed over.
  if (At(p).kind == UndoKind::StepStart && p != oldest_) p = Previous(p);
  for (;;) {
    if (At(p).kind == UndoKind::StepStart) return p != oldest_;
    if (p == oldest_) return false;
    p = Previous(p);
  }
}

bool UndoRing::CanRedo() const {
  return !Editing() && current_ != newest_;
}

void UndoRing::ResetUndo() {
  current_ = newest_ = oldest_ = 0;
  At(0) = Record{};
  if (view_) view_->UndoStateChanged();
}

bool UndoRing::Undo() {
  if (!CanUndo()) return false;
  Pause pause(*this);
  DropEmptyStep();
  bool ok = true;
  int p = current_;
  while (At(p).kind != UndoKind::StepStart) {
    if (!Reverse(At(p))) {
      ok = false;
      break;
    }
    p = Previous(p);
  }
  // A failed record stays current, so that redo starts after it.
  current_ = ok ? Previous(p) : p;
  if (view_) view_->UndoStateChanged();
  return ok;
}

bool UndoRing::Redo() {
  if (!CanRedo()) return false;
  Pause pause(*this);
  bool ok = true;
  // The step start of the next step is passed over.
  int p = Next(current_);
  if (At(p).kind == UndoKind::StepStart) {
    if (p == newest_) {
      current_ = p;
      if (view_) view_->UndoStateChanged();
      return false;
    }
    p = Next(p);
  }
  for (;;) {
    if (!CarryOut(At(p))) {
      ok = false;
      current_ = Previous(p);
      break;
    }
    current_ = p;
    if (p == newest_ || At(Next(p)).kind == UndoKind::StepStart) break;
    p = Next(p);
  }
  if (view_) view_->UndoStateChanged();
  return ok;
}

void UndoRing::Redraw(const Box& box) {
  if (view_) view_->RedrawBox(box);
}

void UndoRing::Select(const Record& r) {
  if (view_) view_->SelectMarked(r.marked.Objects(), r.extent);
}

bool UndoRing::SetSymbol(int32_t n, bool live, IndexEntry* entryOut) {
  IndexEntry e;
  if (!store_.ReadEntry(n, &e)) return false;
  if (live) {
    // The object's record still carries its symbol.
    ObjectRecord obj;
    if (!store_.ReadObject(n, &obj) || obj.PointCount() == 0 || obj.symbol == 0) return false;
    e.symbol = obj.symbol;
  } else {
    if (entryOut) *entryOut = e;
    e.symbol = 0;
  }
  try {
    if (!store_.WriteEntry(n, e)) return false;
  } catch (const FileError&) {
    return false;
  }
  store_.SetModified(true);
  Redraw(e.box);
  return true;
}

bool UndoRing::Swap(Record& r) {
  if (r.saved.empty()) return false;
  IndexEntry now;
  if (!store_.ReadEntry(r.object, &now)) return false;
  std::vector<uint8_t> replaced;
  if (!store_.ReadRecordBytes(now, &replaced)) return false;
  if (!store_.RestoreRecord(r.object, r.entry, r.saved)) return false;
  Redraw(now.box);
  Redraw(r.entry.box);
  r.entry = now;
  r.saved = std::move(replaced);
  return true;
}

bool UndoRing::MoveMarked(const Record& r, int32_t dx, int32_t dy) {
  ObjectRecord obj;
  bool ok = true;
  Box moved = r.extent;
  for (int32_t n : r.marked.Objects()) {
    if (!store_.ReadObject(n, &obj) || obj.PointCount() == 0) continue;
    MoveObjectRecord(obj, dx * kWordsPerUnit, dy * kWordsPerUnit);
    if (!store_.RewriteObject(n, obj)) {
      ok = false;
      break;
    }
  }
  // The record keeps the extent before the move: both directions touch it and the extent after.
  moved.left = ClampCoord(int64_t{moved.left} + int64_t{r.dx} * kWordsPerUnit);
  moved.right = ClampCoord(int64_t{moved.right} + int64_t{r.dx} * kWordsPerUnit);
  moved.bottom = ClampCoord(int64_t{moved.bottom} + int64_t{r.dy} * kWordsPerUnit);
  moved.top = ClampCoord(int64_t{moved.top} + int64_t{r.dy} * kWordsPerUnit);
  Redraw(r.extent);
  Redraw(moved);
  return ok;
}

bool UndoRing::MarkAll(const Record& r, bool live) {
  bool ok = true;
  for (int32_t n : r.marked.Objects()) {
    IndexEntry e;
    if (!store_.ReadEntry(n, &e) || e.length < 33) continue;
    if ((e.symbol != 0) == live) continue;
    if (!SetSymbol(n, live)) ok = false;
  }
  Redraw(r.extent);
  return ok;
}

bool UndoRing::Reverse(Record& r) {
  switch (r.kind) {
    case UndoKind::StepStart:
      return true;
    case UndoKind::Added: {
      if (view_) view_->ClearSelection();
      return SetSymbol(r.object, false, &r.entry);
    }
    case UndoKind::Changed:
      return Swap(r);
    case UndoKind::Deleted: {
      try {
        if (!store_.WriteEntry(r.object, r.entry)) return false;
      } catch (const FileError&) {
        return false;
      }
      store_.SetModified(true);
      Redraw(r.entry.box);
      return true;
    }
    case UndoKind::BulkAdded:
      Select(r);
      return MarkAll(r, false);
    case UndoKind::BulkMoved:
      Select(r);
      return MoveMarked(r, -r.dx, -r.dy);
    case UndoKind::BulkDeleted:
      Select(r);
      return MarkAll(r, true);
  }
  return false;
}

bool UndoRing::CarryOut(Record& r) {
  switch (r.kind) {
    case UndoKind::StepStart:
      return true;
    case UndoKind::Added: {
      try {
        if (!store_.WriteEntry(r.object, r.entry)) return false;
      } catch (const FileError&) {
        return false;
      }
      store_.SetModified(true);
      Redraw(r.entry.box);
      return true;
    }
    case UndoKind::Changed:
      return Swap(r);
    case UndoKind::Deleted:
      if (view_) view_->ClearSelection();
      return SetSymbol(r.object, false);
    case UndoKind::BulkAdded:
      Select(r);
      return MarkAll(r, true);
    case UndoKind::BulkMoved:
      Select(r);
      return MoveMarked(r, r.dx, r.dy);
    case UndoKind::BulkDeleted:
      Select(r);
      return MarkAll(r, false);
  }
  return false;
}

}  // namespace zelk
