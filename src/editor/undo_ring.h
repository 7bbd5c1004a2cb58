// Undo and redo: a ring of 32 change records kept beside the map.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "storage/map_store.h"

namespace zelk {

enum class UndoKind : int32_t {
  StepStart = 0,
  Added = 1,
  Changed = 2,
  Deleted = 3,
  BulkAdded = 4,
  BulkMoved = 5,
  BulkDeleted = 6,
};

// What undo and redo show of their work.
class UndoView {
 public:
  virtual ~UndoView() = default;
  // A box of coordinate words whose picture changed.
  virtual void RedrawBox(const Box& box) = 0;
  // Nothing stays selected (an undone addition).
  virtual void ClearSelection() = 0;
  // The objects of a bulk record become the multiple selection before it is reversed.
  virtual void SelectMarked(const std::vector<int32_t>& objects, const Box& extent) = 0;
  // After every undo, redo and recorded step: Undo and Redo enabled from CanUndo and CanRedo.
  virtual void UndoStateChanged() = 0;
};

// One bit per object number, (object count + 7) / 8 bytes and at least one.
class ObjectBits {
 public:
  ObjectBits() = default;
  explicit ObjectBits(int32_t objectCount) : bytes_(static_cast<size_t>((objectCount + 7) / 8), 0) {
    if (bytes_.empty()) bytes_.resize(1);
  }
  static ObjectBits Of(const std::vector<int32_t>& objects, int32_t objectCount);
  void Set(int32_t n);
  bool Has(int32_t n) const {
    const size_t i = static_cast<size_t>(n >> 3);
    return n >= 0 && i < bytes_.size() && ((bytes_[i] >> (n & 7)) & 1);
  }
  // The marked numbers, ascending.
  std::vector<int32_t> Objects() const;
  size_t Size() const { return bytes_.size(); }

 private:
  std::vector<uint8_t> bytes_;
};

// The ring. The storage engine reports every single-object change to it (it is the engine's
// undo recorder); tools open a step before their first change; operations on many objects
// record one bulk record after opening their step, with the engine's per-object recording
// paused.
class UndoRing : public UndoRecorder {
 public:
  static constexpr int kRecords = 32;

  explicit UndoRing(MapStore& store);
  ~UndoRing() override;
  UndoRing(const UndoRing&) = delete;
  UndoRing& operator=(const UndoRing&) = delete;

  void SetView(UndoView* view) { view_ = view; }

  // Opens a step: keeps the object being edited (0 for none) and its entry, and records a
  // step start. A step in which nothing was recorded is dropped when the next one opens.
  void BeginUndoStep(int32_t object, const ObjectRecord& buffer);
  // A bulk record (added, moved or deleted in bulk) over the given objects, after
  // BeginUndoStep. `dx`, `dy` are the displacement of a move in map units.
  void RecordBulk(UndoKind kind, const std::vector<int32_t>& objects, const Box& extent,
                  int32_t dx = 0, int32_t dy = 0);

  // A tool stored the change of its step: Undo and Redo are enabled anew.
  void Committed() {
    if (view_) view_->UndoStateChanged();
  }

  bool CanUndo() const;
  bool CanRedo() const;
  // Reverse the newest step, or carry the next undone step out again; false when there was
  // nothing to do or a record could not be carried out (the walk ends at that record).
  bool Undo();
  bool Redo();
  // Forgets every step (the saved copies are freed when their records are overwritten).
  // Called when a map is opened, and by every operation that rewrites objects without
  // recording them (map-wide move, stretch, rotate, change of scale or of symbols, optimize,
  // repair, conversion of objects by symbol): after such a change no older step may be
  // undone, since its saved copies no longer match the file.
  void ResetUndo();

  // While false the engine's reports are ignored (undo and redo running, bulk work).
  bool Recording() const { return recording_; }
  // Pauses per-object recording for the life of the object (bulk operations).
  class Pause {
   public:
    explicit Pause(UndoRing& ring) : ring_(ring), was_(ring.recording_) { ring.recording_ = false; }
    ~Pause() { ring_.recording_ = was_; }
    Pause(const Pause&) = delete;
    Pause& operator=(const Pause&) = delete;

   private:
    UndoRing& ring_;
    bool was_;
  };

  // The state kept at the start of the step.
  int32_t StepObject() const { return stepObject_; }
  const ObjectRecord& StepBuffer() const { return stepBuffer_; }
  const IndexEntry& StepEntry() const { return stepEntry_; }

  // Positions and kinds, for the status of the ring.
  int Current() const { return current_; }
  int Newest() const { return newest_; }
  int Oldest() const { return oldest_; }
  UndoKind KindAt(int place) const { return records_[static_cast<size_t>(place)].kind; }

  // The engine's reports.
  void ObjectAdded(int32_t n, const IndexEntry& entry) override;
  void ObjectChanged(int32_t n, const IndexEntry& before,
                     const std::vector<uint8_t>& oldRecord) override;
  void ObjectDeleted(int32_t n, const IndexEntry& entry) override;

 private:
  struct Record {
    UndoKind kind = UndoKind::StepStart;
    int32_t object = 0;
    IndexEntry entry;  // kinds 0 to 3
    Box extent;        // kinds 4 to 6
    int32_t dx = 0, dy = 0;
    std::vector<uint8_t> saved;  // kind 2: the other version of the object
    ObjectBits marked;           // kinds 4 to 6
  };

  static int Next(int p) { return p == kRecords - 1 ? 0 : p + 1; }
  static int Previous(int p) { return p == 0 ? kRecords - 1 : p - 1; }
  Record& At(int p) { return records_[static_cast<size_t>(p)]; }
  const Record& At(int p) const { return records_[static_cast<size_t>(p)]; }
  bool Editing() const { return store_.SymbolEditing(); }
  Record& Append();
  void DropEmptyStep();
  bool Reverse(Record& r);
  bool CarryOut(Record& r);
  // Kind 2 both ways: writes the saved version over the stored one and keeps the replaced one.
  bool Swap(Record& r);
  bool SetSymbol(int32_t n, bool live, IndexEntry* entryOut = nullptr);
  bool MoveMarked(const Record& r, int32_t dx, int32_t dy);
  bool MarkAll(const Record& r, bool live);
  void Redraw(const Box& box);
  void Select(const Record& r);

  MapStore& store_;
  UndoView* view_ = nullptr;
  std::array<Record, kRecords> records_;
  int current_ = 0;
  int newest_ = 0;
  int oldest_ = 0;
  bool recording_ = true;
  int32_t stepObject_ = 0;
  ObjectRecord stepBuffer_;
  IndexEntry stepEntry_;
};

// Moves an object by a displacement in coordinate words; the point flags are kept.
void MoveObjectRecord(ObjectRecord& obj, int32_t dxWords, int32_t dyWords);

}  // namespace zelk
