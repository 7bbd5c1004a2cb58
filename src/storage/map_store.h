// The storage engine: edits the open map file in place through in-memory indexes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "storage/buffered_file.h"
#include "storage/element_list.h"
#include "storage/messages.h"
#include "storage/pending_writes.h"
#include "storage/records.h"
#include "storage/spatial_index.h"

namespace zelk {

// Receives every single-object change the engine makes, with the entry as it was before
// (deletions and rewrites) or as written (additions).
class UndoRecorder {
 public:
  virtual ~UndoRecorder() = default;
  virtual void ObjectAdded(int32_t n, const IndexEntry& entry) = 0;
  // A rewrite in place: the entry and the record as they were before the change.
  virtual void ObjectChanged(int32_t n, const IndexEntry& before,
                             const std::vector<uint8_t>& oldRecord) = 0;
  virtual void ObjectDeleted(int32_t n, const IndexEntry& entry) = 0;
};

// The in-memory copy of one IndexBlock with the summaries that let searches skip it.
struct IndexBlockCache {
  Box box;
  int16_t liveCount = 0;
  int16_t usedCount = 0;
  int32_t filePos = 0;  // position of the first entry (block position + 4)
  ColorSet colors;
  std::array<IndexEntry, kEntriesPerBlock> entries{};
};

struct SearchResult {
  bool found = false;
  bool done = false;
};

// What opening a damaged map had to leave out.
struct DamageReport {
  int indexBlocks = 0;   // index blocks beyond the end of the file
  int symbolBlocks = 0;  // blocks of the symbol table beyond the end of the file
  int symbols = 0;       // symbol records cut off by the end of the file
  int objects = 0;       // object records cut off by the end of the file, or placed outside it
  bool Any() const { return indexBlocks + symbolBlocks + symbols + objects > 0; }
};

// Positions in the file are signed 32-bit words.
constexpr int64_t kMaxFilePosition = 0x7fffffff;

class MapStore {
 public:
  explicit MapStore(MessageSink* sink, FileSystem* files = nullptr);
  ~MapStore();
  MapStore(const MapStore&) = delete;
  MapStore& operator=(const MapStore&) = delete;

  void SetUndoRecorder(UndoRecorder* r) { undo_ = r; }
  UndoRecorder* GetUndoRecorder() const { return undo_; }
  void SetProgress(Progress* p) { progress_ = p ? p : &nullProgress_; }
  MessageSink* Sink() const { return sink_; }

  // --- The working file -------------------------------------------------------------
  BufferedFile& WorkingFile() { return file_; }
  const BufferedFile& WorkingFile() const { return file_; }
  // Writes a fresh map (header, empty colour table, default settings) and opens it; with
  // `lock`, as a working file held against other programs.
  bool CreateEmptyMap(const std::string& path, bool lock = false);
  // Reads header, settings, colour table, symbols and the object index of the open
  // working file. On failure the tables are cleared and the file is closed. What a damaged
  // file could not give is left out and counted in Damage().
  bool LoadFromWorkingFile();
  const DamageReport& Damage() const { return damage_; }
  void CloseWorkingFile();
  bool IsOpen() const { return file_.IsOpen(); }
  int64_t FileEnd() const { return fileEnd_; }

  bool Modified() const { return modified_; }
  void SetModified(bool m) { modified_ = m; }

  // --- Header, colour table and settings ----------------------------------------------
  const MapFileHeader& Header() const { return header_; }
  MapFileHeader& MutableHeader() { return header_; }
  void WriteHeader();
  const SymbolHeader& Colors() const { return *symbolHeader_; }
  SymbolHeader& MutableColors() { return *symbolHeader_; }
  void WriteSymbolHeader();
  // After the colour table was edited: the placeholder takes colour record 0's number, the
  // colour sets of the blocks and of the map follow, and the table is written.
  bool ColorTableChanged();
  const SetupBlock& Setup() const { return setup_; }
  SetupBlock& MutableSetup() { return setup_; }
  // Writes the settings block (placing it at the end when it has no full place) and the header.
  bool WriteSettings();
  std::string ReadInfoText();
  bool WriteInfoText(const std::string& text);

  // --- Objects --------------------------------------------------------------------------
  int32_t ObjectCount() const;
  int32_t MaxObjectCount() const { return maxObjectCount_; }
  void SetMaxObjectCount(int32_t n) { maxObjectCount_ = n; }
  bool ReadEntry(int32_t n, IndexEntry* entry);
  // Writes the entry into the file, then into the index; raises FileError when the file
  // refuses it (the index is then unchanged). A number without a slot is an internal error.
  bool WriteEntry(int32_t n, const IndexEntry& entry);
  // Reads object n; an unused or damaged slot gives an empty object (no points).
  bool ReadObject(int32_t n, ObjectRecord* obj);
  // Has the processor fetch what reading object n will look at, its entry and kept record, so
  // that a loop reading objects one by one need not wait for memory.
  void PrefetchObject(int32_t n) const;
  bool AddObject(ObjectRecord& obj);
  bool DeleteObject(int32_t n);
  bool ReplaceObject(int32_t* n, ObjectRecord& obj);
  bool RewriteObject(int32_t n, ObjectRecord& obj);
  int32_t CurrentObject() const { return currentObject_; }
  // The bytes of the record an entry points at (its length), as stored.
  bool ReadRecordBytes(const IndexEntry& entry, std::vector<uint8_t>* bytes);
  // Writes a record kept earlier back into object n's slot with its entry (undo and redo of a
  // rewrite): the record must lie where n's record lies and be no longer than the slot it came
  // from. Not reported to the undo recorder.
  bool RestoreRecord(int32_t n, const IndexEntry& entry, const std::vector<uint8_t>& bytes);

  // Steps from *current to the next object (wrapping from the last to 1) whose box meets
  // `rect` and whose symbol draws with `color` (-1: any colour). Reaching `stop` ends it.
  SearchResult Search(const Box& rect, int32_t stop, int color, int32_t* current);
  // The live objects whose box meets `rect`, ascending: every object Search can stop at in that
  // rectangle, found at once through the spatial index. While a point symbol is edited, the
  // elements meeting it.
  void ObjectsInRegion(const Box& rect, std::vector<int32_t>* numbers);
  // Search's test at object n: it is live, its box meets `rect` and, unless `color` is -1, it
  // draws with `color` (by its block's and its symbol's colour sets). A match makes its symbol
  // the current one, as Search does.
  bool SearchAt(int32_t n, const Box& rect, int color);
  // The colours SearchAt finds object n in, whatever the rectangle: its symbol's colours that
  // its block's colour set holds too (none for a deleted object); for an edited element, its
  // colour.
  ColorSet SearchColors(int32_t n) const;
  // The objects of ObjectsInRegion listed under each colour of their SearchColors, ascending:
  // what a colour-by-colour walk of the rectangle visits, found at once.
  using ObjectsByColor = std::array<std::vector<int32_t>, 256>;
  void ObjectsInRegionByColor(const Box& rect, ObjectsByColor* byColor);
  // The objects ObjectsInRegionByColor found last, ascending.
  const std::vector<int32_t>& LastRegion() const { return regionScratch_; }
  // Reads the records of `objects` in one forward sweep of the file, in a few large pieces,
  // and keeps them until the map changes or ForgetSweep: ReadObject then takes them from
  // memory. A drawing reads each object once however many colours it has. Records beyond
  // `byteLimit` bytes in all, and records written but not yet handed to the file, are left to
  // be read one by one.
  static constexpr int64_t kSweepLimit = 64 << 20;
  void SweepRecords(const std::vector<int32_t>& objects, int64_t byteLimit = kSweepLimit);
  void ForgetSweep();
  // Rises whenever an index entry changes: what was found before it rose may be stale.
  uint64_t EntryStamp() const { return entryStamp_; }
  // Recomputes entries after symbols changed, with progress; Esc stops it (false).
  bool UpdateObjects(int lowSymbol, int highSymbol);
  bool MapExtent(Box* box) const;
  int32_t LiveObjectCount() const;
  bool MapIsEmpty() const;
  const ColorSet& UsedColors() const { return usedColors_; }
  int BlockCount() const { return static_cast<int>(blocks_.size()); }
  const IndexBlockCache& Block(int i) const { return *blocks_[static_cast<size_t>(i)]; }

  // --- Batches of object changes ----------------------------------------------------------
  // Between BeginBatch and EndBatch the object operations (add, delete, replace, rewrite,
  // write entry, update) hold their writes in memory and hand them to the file in a few large
  // pieces: at the end of the batch, whenever more than BatchLimit() bytes are held, and before
  // any other operation writes to the file. Reading objects sees the held writes. When handing
  // them over fails, the failure is shown ("Cannot write to") and every change made since the
  // held writes began is taken back, in the file and in memory; the call that wrote returns
  // false. The undo recorder hears of changes once they are in the file. Batches nest; the
  // outermost EndBatch writes, and returns false when any write of the batch failed.
  void BeginBatch();
  bool EndBatch();
  bool InBatch() const { return batchDepth_ > 0; }
  int64_t BatchLimit() const { return batchLimit_; }
  void SetBatchLimit(int64_t bytes) { batchLimit_ = bytes; }

  // --- Symbols --------------------------------------------------------------------------
  int SymbolCount() const { return static_cast<int>(symbols_.size()); }
  const SymbolRecord& Symbol(int place) const { return symbols_[static_cast<size_t>(place)]; }
  SymbolRecord& MutableSymbol(int place) { return symbols_[static_cast<size_t>(place)]; }
  // Place of a symbol number in the table, or -1.
  int SymbolPlace(int number) const;
  // Makes the symbol current; an unknown number selects the placeholder (false).
  bool SelectSymbol(int number);
  const SymbolRecord& CurrentSymbol() const;
  const SymbolRecord& Placeholder() const { return placeholder_; }
  // The symbol objects of this number are drawn with (the placeholder when unknown).
  const SymbolRecord& SymbolFor(int number) const;
  bool InsertSymbol(int afterPlace, const SymbolRecord& rec);  // -1 inserts at the front
  bool AppendSymbol(const SymbolRecord& rec);
  bool ReplaceSymbol(int place, const SymbolRecord& rec);
  bool DeleteSymbol(int place);
  bool SetSymbolStatus(int place, uint8_t status);
  // Returns the number of an equal symbol of the table or of the appended record; 0 on failure.
  int FindOrAddEqualSymbol(const SymbolRecord& rec);
  bool WriteSymbolRecord(int place);
  bool RewriteSymbolIndex();
  void RebuildSymbolLookup();
  // Replaces colour table and symbols by those of another map (appended anew, index rewritten).
  bool ReplaceAllSymbols(const SymbolHeader& colors, const std::vector<SymbolRecord>& symbols);

  // Reads a symbol table from any map file without writing to it: the slots of the chain,
  // with the length clamps, the upgrade of older records and the rectangle repair.
  // `upgraded` receives the places of widened records.
  static void ReadSymbolTable(BufferedFile& file, int64_t fileEnd, int32_t firstBlock,
                              std::vector<SymbolRecord>* symbols, std::vector<int>* upgraded,
                              DamageReport* damage = nullptr);

  // --- Point-symbol editing -------------------------------------------------------------
  // While on, object operations work on this element list instead of the file.
  void BeginSymbolEditing(const std::vector<uint8_t>& elements);
  std::vector<uint8_t> EndSymbolEditing();
  bool SymbolEditing() const { return symbolEditing_; }
  const std::vector<uint8_t>& EditedElements() const { return elements_.Bytes(); }

 private:
  void InternalError(const std::string& message);
  void AppendBytes(const void* data, int64_t n, int32_t* pos);
  void WriteAt(int64_t pos, const void* data, int64_t n);
  bool ReadThroughCache(int64_t pos, uint8_t* out, int64_t n);
  // The index block's summaries recomputed from its entries.
  void Summarize(IndexBlockCache& block);
  void ClearTables();
  bool ReadSymbols();
  bool ReadIndex();
  void AddToBlockColors(IndexBlockCache& block, const IndexEntry& e);
  // The one place an entry of an open index changes in memory (the block's summaries are the
  // caller's), so that the spatial index and the region Search holds learn of every change.
  void SetEntry(int32_t n, const IndexEntry& e);
  // Entries read anew or dropped: the spatial index is built again at the next query.
  void IndexReplaced();
  void BuildSpatialIndex();
  // Whether the blocks meeting `rect` hold few objects besides those meeting it (as when objects
  // were added area by area), judged by how much of each block's box it covers: reading their
  // entries in order then answers a region query quicker than the spatial index.
  bool ScanBlocksFor(const Box& rect) const;
  // Entry n when the index holds it, else null.
  const IndexEntry* EntryAt(int32_t n) const;
  // Decides how Search walks `rect`: over the blocks, or over its objects found at once.
  void PlanRegion(const Box& rect);
  // Search over the objects of the planned rectangle, for a stop among the objects.
  SearchResult SearchRegion(const Box& rect, int32_t stop, int color, int32_t* current);
  void PrepareForWrite(ObjectRecord& obj, IndexEntry* entry);
  bool AddSymbolRecord(int place, SymbolRecord rec);
  int UniqueNumber(int number) const;
  bool SymbolUsesColor(int number, int color) const;

  // The object calls while a point symbol is edited.
  bool ReadElement(int32_t n, ObjectRecord* obj);
  bool AddElement(const ObjectRecord& obj);
  bool ChangeElement(bool ok);
  SearchResult SearchElements(const Box& rect, int32_t stop, int color, int32_t* current);

  MessageSink* sink_;
  UndoRecorder* undo_ = nullptr;
  NullProgress nullProgress_;
  Progress* progress_ = &nullProgress_;
  BufferedFile file_;
  int64_t fileEnd_ = 0;
  int64_t openedEnd_ = 0;
  bool modified_ = false;

  MapFileHeader header_;
  std::unique_ptr<SymbolHeader> symbolHeader_;
  SetupBlock setup_ = SetupBlock::Defaults();
  std::vector<SymbolRecord> symbols_;
  std::vector<int16_t> symbolLookup_;  // 10000 places, -1 when free
  SymbolRecord placeholder_;
  SymbolRecord pseudoSymbol_;
  int currentSymbol_ = -1;  // place in the table; -1 the placeholder, -2 the pseudo symbol
  std::vector<std::unique_ptr<IndexBlockCache>> blocks_;
  int32_t objectCount_ = 0;
  int32_t currentObject_ = 0;
  int32_t maxObjectCount_ = kMaxObjectCount;
  ColorSet usedColors_;
  // The boxes of the live objects, for drawing and searching a region without reading every
  // entry; kept beside the blocks, never written to the file.
  SpatialIndex spatial_;
  // Counts changes of entries. Search keeps the objects of its last rectangle while it holds.
  uint64_t entryStamp_ = 0;
  uint64_t regionStamp_ = ~uint64_t{0};
  Box regionRect_;
  bool regionByBlocks_ = false;  // the rectangle is searched by walking the blocks
  std::vector<int32_t> regionObjects_;
  size_t regionNext_ = 0;               // the place in regionObjects_ after the object found last
  std::vector<int32_t> regionScratch_;  // the objects ObjectsInRegionByColor lists
  std::vector<int32_t> regionCandidates_;  // what the spatial index answers
  std::vector<uint64_t> regionBits_;       // all zero between queries
  std::vector<uint8_t> buffer_;
  // A read-ahead window over the working file for object records; every write through the
  // engine that touches it empties it.
  // Records kept by SweepRecords: object n's record starts at sweepSlot_[n] - 1 in sweepBytes_
  // (0: not kept), valid while the entry stamp is sweepStamp_.
  std::vector<uint8_t> sweepBytes_;
  std::vector<uint32_t> sweepSlot_;
  std::vector<int32_t> sweepObjects_;
  uint64_t sweepStamp_ = 0;
  // ObjectsInRegionByColor's list of each symbol's colours, made once per call.
  std::vector<int32_t> symbolColorStart_;
  std::vector<uint8_t> symbolColorList_;
  static constexpr int64_t kReadCacheSize = 32768;
  std::vector<uint8_t> readCache_ = std::vector<uint8_t>(kReadCacheSize);
  int64_t readCachePos_ = 0;
  int64_t readCacheLength_ = 0;
  // A file cut short by another program is reported once, not for every object drawn.
  bool readFailureShown_ = false;
  DamageReport damage_;

  bool symbolEditing_ = false;
  EditedElementList elements_;

  // --- Held-back writes of a batch ---------------------------------------------------------
  enum class Change : uint8_t { Added, Changed, Deleted };
  struct Notice {
    Change change;
    int32_t n;
    IndexEntry entry;
    std::vector<uint8_t> oldRecord;  // a rewrite's record as it was
  };
  // The object tables as the file holds them while writes are held back.
  struct TablesInFile {
    int32_t objectCount = 0;
    int32_t currentObject = 0;
    int32_t firstIndexBlock = 0;
    size_t blockCount = 0;
    ColorSet usedColors;
    bool modified = false;
    // Blocks that existed then, copied when first changed.
    std::unordered_map<size_t, IndexBlockCache> blocks;
  };
  class DirectWrites;
  // Tells the undo recorder of a change, or keeps it until the change is in the file.
  void Report(Change change, int32_t n, const IndexEntry& e,
              const std::vector<uint8_t>* oldRecord = nullptr);
  void Tell(const Notice& notice);
  void NoteTablesInFile();
  // Copies an index block before a held-back change alters it.
  void TouchBlock(size_t b);
  // Hands the held writes to the file; on failure takes the tables back and raises.
  void FlushPending();
  void FlushIfFull();
  void TakeBackTables();
  // Writes what is held before the file is closed, emptied or read afresh.
  void FlushBeforeLeaving();

  PendingWrites pending_;
  int batchDepth_ = 0;
  bool batchFailed_ = false;
  int64_t batchLimit_ = int64_t{4} << 20;
  TablesInFile inFile_;
  std::vector<Notice> notices_;
  std::vector<uint8_t> recordBytes_;
};

// Holds the engine's object writes in memory while it lives (MapStore::BeginBatch); Commit, or
// the end of its life, hands them to the file.
class WriteBatch {
 public:
  explicit WriteBatch(MapStore& store) : store_(&store) { store.BeginBatch(); }
  ~WriteBatch() { Commit(); }
  WriteBatch(const WriteBatch&) = delete;
  WriteBatch& operator=(const WriteBatch&) = delete;
  // False when a write of the batch failed (shown, and its changes taken back).
  bool Commit() {
    MapStore* store = store_;
    store_ = nullptr;
    return store ? store->EndBatch() : true;
  }

 private:
  MapStore* store_;
};

}  // namespace zelk
