// The storage engine: objects, symbols and settings of the open map file.
#include "storage/map_store.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <unordered_set>
#include <utility>

namespace zelk {

namespace {
constexpr int kSymbolBlockSize = 4 + 4 * 256;
constexpr int kIndexBlockSize = 4 + IndexEntry::kSize * kEntriesPerBlock;
constexpr int32_t kMapExtentLimit = 51200000;
static_assert(kSymbolBlockSize == 1028);
static_assert(kIndexBlockSize == 6148);
constexpr std::array<uint8_t, kIndexBlockSize> kEmptyIndexBlock{};
constexpr int64_t kSymbolFirstRead = 2048;
}  // namespace

MapStore::MapStore(MessageSink* sink, FileSystem* files)
    : sink_(sink),
      file_(sink, files),
      symbolHeader_(std::make_unique<SymbolHeader>()),
      symbolLookup_(10000, -1),
      placeholder_(SymbolRecord::Undefined(0)),
      buffer_(kMaxObjectRecord + 64),
      elements_(sink),
      recordBytes_(kMaxObjectRecord + 64) {}

MapStore::~MapStore() {
  FlushBeforeLeaving();
}

void MapStore::InternalError(const std::string& message) {
  if (sink_) sink_->Error(message);
}

bool MapStore::ReadThroughCache(int64_t pos, uint8_t* out, int64_t n) {
  // Records appended by held-back writes are in memory only.
  if (pending_.Active() && pos >= pending_.AppendStart()) {
    if (pos + n > fileEnd_) return false;
    pending_.Overlay(pos, out, n);
    return true;
  }
  // Objects added one after another lie one after another in the file, so drawing in object
  // order reads mostly forward: one read of the window serves many records.
  if (pos < readCachePos_ || pos + n > readCachePos_ + readCacheLength_) {
    const int64_t end = pending_.Active() ? pending_.AppendStart() : fileEnd_;
    const int64_t length = std::min<int64_t>(kReadCacheSize, end - pos);
    const int64_t got = length >= n ? file_.ReadUpToAt(pos, readCache_.data(), length) : -1;
    if (got < n) {
      // The file is shorter than this program wrote it: another program cut it off.
      readCacheLength_ = 0;
      if (!readFailureShown_) {
        readFailureShown_ = true;
        try {
          file_.Fail("Cannot read from");
        } catch (const FileError&) {
        }
      }
      return false;
    }
    if (pending_.Active()) pending_.Overlay(pos, readCache_.data(), got);
    readCachePos_ = pos;
    readCacheLength_ = got;
  }
  std::memcpy(out, readCache_.data() + (pos - readCachePos_), static_cast<size_t>(n));
  return true;
}

void MapStore::WriteAt(int64_t pos, const void* data, int64_t n) {
  // Any write may fall on a kept record.
  if (!sweepObjects_.empty()) ForgetSweep();
  if (pending_.Active())
    pending_.Write(pos, data, n);
  else
    file_.WriteAt(pos, data, n);
  // The read window keeps what was written, so that reading and writing in turn (updating
  // objects) never reads the same part of the file twice.
  const int64_t from = std::max(pos, readCachePos_);
  const int64_t to = std::min(pos + n, readCachePos_ + readCacheLength_);
  if (from < to)
    std::memcpy(readCache_.data() + (from - readCachePos_),
                static_cast<const uint8_t*>(data) + (from - pos), static_cast<size_t>(to - from));
  fileEnd_ = std::max(fileEnd_, pos + n);
  readFailureShown_ = false;
}

void MapStore::AppendBytes(const void* data, int64_t n, int32_t* pos) {
  const int64_t at = fileEnd_;
  if (at + n > kMaxFilePosition) {
    // Positions in the file are 32-bit words.
    InternalError("Internal error: Invalid file position.");
    throw FileError("file too long");
  }
  WriteAt(at, data, n);
  if (pos) *pos = static_cast<int32_t>(at);
}

// Lets an operation other than the object operations write straight to the file: what a
// batch holds is written first, and holding starts again when the operation is done.
class MapStore::DirectWrites {
 public:
  explicit DirectWrites(MapStore& store) : store_(store) {
    if (!store_.pending_.Active()) return;
    try {
      store_.FlushPending();
    } catch (const FileError&) {
      failed_ = true;
      return;
    }
    store_.pending_.End();
    resume_ = true;
  }
  ~DirectWrites() {
    if (!resume_ || !store_.file_.IsOpen()) return;
    store_.pending_.Begin(store_.fileEnd_);
    store_.NoteTablesInFile();
  }
  DirectWrites(const DirectWrites&) = delete;
  DirectWrites& operator=(const DirectWrites&) = delete;
  // The held writes could not be written (shown, and taken back).
  bool Failed() const { return failed_; }

 private:
  MapStore& store_;
  bool failed_ = false;
  bool resume_ = false;
};

// ---------------------------------------------------------------------------------------
// Working file

void MapStore::ClearTables() {
  readCacheLength_ = 0;
  readFailureShown_ = false;
  damage_ = {};
  symbols_.clear();
  std::fill(symbolLookup_.begin(), symbolLookup_.end(), int16_t{-1});
  blocks_.clear();
  IndexReplaced();
  objectCount_ = 0;
  currentObject_ = 0;
  usedColors_.Clear();
  currentSymbol_ = -1;
}

bool MapStore::CreateEmptyMap(const std::string& path, bool lock) {
  FlushBeforeLeaving();
  try {
    file_.Create(path, lock);
    fileEnd_ = 0;
    header_ = MapFileHeader::NewMap();
    *symbolHeader_ = SymbolHeader{};
    setup_ = SetupBlock::Defaults();
    std::vector<uint8_t> bytes(kDataStart, 0);
    header_.Encode(bytes.data());
    std::memcpy(bytes.data() + kNewSetupPos, setup_.raw.data(), SetupBlock::kSize);
    WriteAt(0, bytes.data(), static_cast<int64_t>(bytes.size()));
    ClearTables();
    placeholder_ = SymbolRecord::Undefined(symbolHeader_->colors[0].colorNumber);
    modified_ = false;
    if (batchDepth_ > 0) {
      pending_.Begin(fileEnd_);
      NoteTablesInFile();
    }
    return true;
  } catch (const FileError&) {
    file_.Close();
    return false;
  }
}

void MapStore::CloseWorkingFile() {
  FlushBeforeLeaving();
  file_.Close();
  ForgetSweep();
  ClearTables();
  symbolEditing_ = false;
}

bool MapStore::LoadFromWorkingFile() {
  FlushBeforeLeaving();
  readCacheLength_ = 0;
  readFailureShown_ = false;
  damage_ = {};
  try {
    fileEnd_ = file_.Size();
    // Upgraded symbols are appended while opening; records must lie within the file as found.
    openedEnd_ = fileEnd_;
    uint8_t head[MapFileHeader::kSize] = {};
    file_.Seek(0);
    file_.Read(head, sizeof head);
    header_ = MapFileHeader::Decode(head);

    setup_ = SetupBlock::Defaults();
    const int64_t setupSize = std::clamp<int64_t>(header_.setupSize, 0, SetupBlock::kSize);
    if (header_.setupPos > 0 && setupSize > 0 &&
        int64_t{header_.setupPos} + setupSize <= fileEnd_) {
      file_.Seek(header_.setupPos);
      file_.Read(setup_.raw.data(), setupSize);
    }
    setup_.Correct();

    std::vector<uint8_t> sh(SymbolHeader::kSize, 0);
    file_.Seek(kSymbolHeaderPos);
    file_.ReadUpTo(sh.data(), SymbolHeader::kSize);
    *symbolHeader_ = SymbolHeader::Decode(sh.data());
    symbolHeader_->Validate();

    if (!ReadSymbols() || !ReadIndex()) throw FileError("index");
    modified_ = false;
    if (batchDepth_ > 0) {
      pending_.Begin(fileEnd_);
      NoteTablesInFile();
    }
    return true;
  } catch (const FileError&) {
    *symbolHeader_ = SymbolHeader{};
    file_.Close();
    ClearTables();
    return false;
  }
}

void MapStore::WriteHeader() {
  uint8_t raw[MapFileHeader::kSize];
  header_.Encode(raw);
  WriteAt(0, raw, sizeof raw);
}

void MapStore::WriteSymbolHeader() {
  std::vector<uint8_t> raw(SymbolHeader::kSize);
  symbolHeader_->Encode(raw.data());
  WriteAt(kSymbolHeaderPos, raw.data(), static_cast<int64_t>(raw.size()));
}

bool MapStore::ColorTableChanged() {
  // The placeholder draws in colour record 0's colour, which a move or a delete may change, and
  // colours may have been renumbered: the colour sets of the blocks and of the map are made
  // anew from the symbols.
  placeholder_.SetColors(SymbolRecord::Undefined(symbolHeader_->colors[0].colorNumber).Colors());
  const ColorSet placeholderColors = placeholder_.Colors();
  usedColors_.Clear();
  for (size_t b = 0; b < blocks_.size(); ++b) {
    IndexBlockCache& block = *blocks_[b];
    TouchBlock(b);
    const Box box = block.box;
    const bool hadUsed = block.usedCount > 0;
    Summarize(block);
    if (hadUsed && block.usedCount > 0) block.box.Unite(box);
    usedColors_.Unite(block.colors);
  }
  usedColors_.Unite(placeholderColors);
  if (!file_.IsOpen()) return true;
  DirectWrites direct(*this);
  if (direct.Failed()) return false;
  try {
    WriteSymbolHeader();
  } catch (const FileError&) {
    return false;
  }
  modified_ = true;
  return true;
}

bool MapStore::WriteSettings() {
  if (!file_.IsOpen()) return false;
  DirectWrites direct(*this);
  if (direct.Failed()) return false;
  const MapFileHeader saved = header_;
  try {
    if (header_.setupPos <= 0 || header_.setupSize < SetupBlock::kSize) {
      header_.setupPos = static_cast<int32_t>(fileEnd_);
    }
    header_.setupSize = SetupBlock::kSize;
    WriteAt(header_.setupPos, setup_.raw.data(), SetupBlock::kSize);
    WriteHeader();
    modified_ = true;
    return true;
  } catch (const FileError&) {
    header_ = saved;
    return false;
  }
}

std::string MapStore::ReadInfoText() {
  if (!file_.IsOpen() || header_.infoPos <= 0 || header_.infoSize <= 0) return {};
  try {
    const int64_t size = std::min<int64_t>(
        {header_.infoSize, kMaxInfoSize, std::max<int64_t>(0, fileEnd_ - header_.infoPos)});
    std::string text(static_cast<size_t>(size), '\0');
    file_.Seek(header_.infoPos);
    file_.Read(text.data(), size);
    text.resize(std::strlen(text.c_str()));
    return text;
  } catch (const FileError&) {
    return {};
  }
}

bool MapStore::WriteInfoText(const std::string& text) {
  DirectWrites direct(*this);
  if (direct.Failed()) return false;
  const MapFileHeader saved = header_;
  try {
    const std::string t = text.substr(0, std::min<size_t>(text.size(), 32767));
    const int32_t area =
        std::min<int32_t>((static_cast<int32_t>(t.size()) / 256 + 1) * 256, kMaxInfoSize);
    std::vector<uint8_t> bytes(static_cast<size_t>(area), 0);
    std::memcpy(bytes.data(), t.data(), t.size());
    if (area > header_.infoSize || header_.infoPos <= 0) {
      AppendBytes(bytes.data(), area, &header_.infoPos);
      header_.infoSize = area;
    } else {
      WriteAt(header_.infoPos, bytes.data(), area);
    }
    WriteHeader();
    modified_ = true;
    return true;
  } catch (const FileError&) {
    header_ = saved;
    return false;
  }
}

// ---------------------------------------------------------------------------------------
// Opening the indexes

void MapStore::ReadSymbolTable(BufferedFile& file, int64_t fileEnd, int32_t firstBlock,
                               std::vector<SymbolRecord>* symbols, std::vector<int>* upgraded,
                               DamageReport* damage) {
  symbols->clear();
  DamageReport ignored;
  DamageReport& d = damage ? *damage : ignored;
  std::unordered_set<int32_t> visited;
  int32_t blockPos = firstBlock;
  uint8_t block[kSymbolBlockSize];
  // Positions are widened before adding sizes: a link near 2^31 must not wrap around.
  while (blockPos > 0 && visited.size() < static_cast<size_t>(kMaxIndexBlocks) &&
         visited.insert(blockPos).second) {
    if (int64_t{blockPos} + kSymbolBlockSize > fileEnd) {
      ++d.symbolBlocks;
      break;
    }
    file.ReadAt(blockPos, block, kSymbolBlockSize);
    for (int slot = 0; slot < 256; ++slot) {
      const int32_t pos = GetI32(block + 4 + 4 * slot);
      if (static_cast<int>(symbols->size()) >= kMaxSymbols || pos <= 0) continue;
      if (int64_t{pos} + kSymbolCommonSize > fileEnd) {
        ++d.symbols;  // a record beyond or cut off by the end of the file
        continue;
      }
      // Most records are read whole with their common part, in one call.
      const int64_t first = std::min<int64_t>(kSymbolFirstRead, fileEnd - pos);
      std::vector<uint8_t> bytes(static_cast<size_t>(first));
      file.ReadAt(pos, bytes.data(), first);
      const int length = std::clamp<int>(GetI16(bytes.data()), kSymbolCommonSize, kMaxSymbolRecord);
      if (int64_t{pos} + length > fileEnd) {
        ++d.symbols;
        continue;
      }
      bytes.resize(static_cast<size_t>(length));
      if (length > first) file.ReadAt(pos + first, bytes.data() + first, length - first);
      SymbolRecord rec(std::move(bytes));
      rec.SetLength(length);
      rec.SetSelected(0);
      rec.SetFilePos(pos);
      if (rec.UpgradeOlderLayout()) {
        rec.SetFilePos(0);
        if (upgraded) upgraded->push_back(static_cast<int>(symbols->size()));
      }
      rec.RepairRectangle();
      symbols->push_back(std::move(rec));
    }
    blockPos = GetI32(block);
  }
}

bool MapStore::ReadSymbols() {
  std::vector<int> upgraded;
  ReadSymbolTable(file_, fileEnd_, header_.firstSymbolBlock, &symbols_, &upgraded, &damage_);
  if (!upgraded.empty()) {
    for (int place : upgraded) {
      SymbolRecord& rec = symbols_[static_cast<size_t>(place)];
      rec.SetFilePos(static_cast<int32_t>(fileEnd_));
      int32_t at = 0;
      AppendBytes(rec.Bytes().data(), rec.Size(), &at);
    }
    if (!RewriteSymbolIndex()) return false;
  }
  RebuildSymbolLookup();
  placeholder_ = SymbolRecord::Undefined(symbolHeader_->colors[0].colorNumber);
  return true;
}

void MapStore::Summarize(IndexBlockCache& block) {
  Box box;
  int used = 0, live = 0;
  // The places in the table of the symbols met, each symbol's colours added once per block;
  // the last bit stands for the placeholder.
  std::array<uint64_t, kMaxSymbols / 64 + 1> seen{};
  const int symbolCount = SymbolCount();
  for (const IndexEntry& e : block.entries) {
    if (!e.Used()) continue;
    if (used++ > 0)
      box.Unite(e.box);
    else
      box = e.box;
    if (e.symbol == 0) continue;
    ++live;
    int place =
        e.symbol >= 1 && e.symbol <= 9999 ? symbolLookup_[static_cast<size_t>(e.symbol)] : -1;
    if (place < 0 || place >= std::min(symbolCount, kMaxSymbols)) place = kMaxSymbols;
    seen[static_cast<size_t>(place) / 64] |= uint64_t{1} << (place % 64);
  }
  ColorSet colors;
  for (size_t w = 0; w < seen.size(); ++w) {
    for (uint64_t bits = seen[w]; bits != 0; bits &= bits - 1) {
      const size_t place = w * 64 + static_cast<size_t>(std::countr_zero(bits));
      colors.Unite(place < static_cast<size_t>(kMaxSymbols) ? symbols_[place].Colors()
                                                            : placeholder_.Colors());
    }
  }
  block.box = box;
  block.usedCount = static_cast<int16_t>(used);
  block.liveCount = static_cast<int16_t>(live);
  block.colors = colors;
}

bool MapStore::ReadIndex() {
  blocks_.clear();
  IndexReplaced();
  objectCount_ = 0;
  usedColors_.Clear();
  std::unordered_set<int32_t> visited;
  int32_t blockPos = header_.firstIndexBlock;
  std::vector<uint8_t> raw(kIndexBlockSize);
  while (blockPos > 0 && static_cast<int>(blocks_.size()) < kMaxIndexBlocks &&
         visited.insert(blockPos).second) {
    // A link beyond the end of the file ends the chain: what was read before it stays readable.
    if (int64_t{blockPos} + kIndexBlockSize > fileEnd_) {
      ++damage_.indexBlocks;
      break;
    }
    file_.ReadAt(blockPos, raw.data(), kIndexBlockSize);
    auto block = std::make_unique<IndexBlockCache>();
    block->filePos = blockPos + 4;
    IndexEntry::DecodeRun(raw.data() + 4, block->entries.data(), kEntriesPerBlock);
    for (int i = 0; i < kEntriesPerBlock; ++i) {
      IndexEntry& e = block->entries[static_cast<size_t>(i)];
      if (e.Used()) {
        objectCount_ = static_cast<int32_t>(blocks_.size()) * kEntriesPerBlock + i + 1;
        // A live object whose record lies outside the file cannot be read: it is left out of
        // this opening (the file keeps its entry).
        const int64_t length = std::min<int64_t>(e.length, kMaxObjectRecord);
        if (e.symbol != 0 && e.length > ObjectRecord::kHeadSize &&
            (e.pos < 1 || int64_t{e.pos} + length > openedEnd_)) {
          ++damage_.objects;
          e.symbol = 0;
        }
      }
    }
    Summarize(*block);
    usedColors_.Unite(block->colors);
    blocks_.push_back(std::move(block));
    blockPos = GetI32(raw.data());
  }
  usedColors_.Unite(placeholder_.Colors());
  currentObject_ = 0;
  return true;
}

void MapStore::AddToBlockColors(IndexBlockCache& block, const IndexEntry& e) {
  // Objects of unknown symbols are drawn with the placeholder, so its colour counts too;
  // otherwise a block holding only such objects would be skipped when drawing.
  const int place = SymbolPlace(e.symbol);
  block.colors.Unite(place >= 0 ? symbols_[static_cast<size_t>(place)].Colors()
                                : placeholder_.Colors());
}

void MapStore::SetEntry(int32_t n, const IndexEntry& e) {
  blocks_[static_cast<size_t>((n - 1) / kEntriesPerBlock)]
      ->entries[static_cast<size_t>((n - 1) % kEntriesPerBlock)] = e;
  ++entryStamp_;
  if (e.Live()) spatial_.Changed(n, e.box);
}

void MapStore::IndexReplaced() {
  spatial_.Invalidate();
  ForgetSweep();
  ++entryStamp_;
}

const IndexEntry* MapStore::EntryAt(int32_t n) const {
  if (n < 1 || n > objectCount_ ||
      (n - 1) / kEntriesPerBlock >= static_cast<int32_t>(blocks_.size()))
    return nullptr;
  return &blocks_[static_cast<size_t>((n - 1) / kEntriesPerBlock)]
              ->entries[static_cast<size_t>((n - 1) % kEntriesPerBlock)];
}

void MapStore::BuildSpatialIndex() {
  std::vector<SpatialIndex::Item> items;
  items.reserve(static_cast<size_t>(LiveObjectCount()));
  for (size_t b = 0; b < blocks_.size(); ++b) {
    const IndexBlockCache& block = *blocks_[b];
    if (block.liveCount == 0) continue;
    for (int i = 0; i < kEntriesPerBlock; ++i) {
      const int32_t n = static_cast<int32_t>(b) * kEntriesPerBlock + i + 1;
      if (n > objectCount_) break;
      const IndexEntry& e = block.entries[static_cast<size_t>(i)];
      if (e.Live()) items.push_back({e.box, n});
    }
  }
  spatial_.Build(std::move(items));
}

// ---------------------------------------------------------------------------------------
// Objects

int32_t MapStore::ObjectCount() const {
  if (symbolEditing_) return elements_.Count();
  return objectCount_;
}

bool MapStore::ReadEntry(int32_t n, IndexEntry* entry) {
  if (n < 1 || n > objectCount_ ||
      (n - 1) / kEntriesPerBlock >= static_cast<int32_t>(blocks_.size())) {
    InternalError("Internal Error: Index out of range.");
    return false;
  }
  *entry =
      blocks_[static_cast<size_t>((n - 1) / kEntriesPerBlock)]->entries[(n - 1) % kEntriesPerBlock];
  return true;
}

bool MapStore::WriteEntry(int32_t n, const IndexEntry& e) {
  if (n < 1 || n > objectCount_ + 1 ||
      (n - 1) / kEntriesPerBlock >= static_cast<int32_t>(blocks_.size())) {
    InternalError("Internal error: Invalid index number. " + std::to_string(n));
    return false;
  }
  const size_t b = static_cast<size_t>((n - 1) / kEntriesPerBlock);
  IndexBlockCache& block = *blocks_[b];
  uint8_t raw[IndexEntry::kSize];
  e.Encode(raw);
  // The file first: when it refuses the entry, the index in memory still matches it.
  WriteAt(block.filePos + static_cast<int64_t>(IndexEntry::kSize) * ((n - 1) % kEntriesPerBlock),
          raw, IndexEntry::kSize);
  TouchBlock(b);
  const IndexEntry& slot = block.entries[static_cast<size_t>((n - 1) % kEntriesPerBlock)];
  if (slot.Used()) --block.usedCount;
  if (slot.Used() && slot.symbol != 0) --block.liveCount;
  const bool hadUsed = block.usedCount > 0;
  SetEntry(n, e);
  if (e.Used()) {
    if (hadUsed)
      block.box.Unite(e.box);
    else
      block.box = e.box;
    ++block.usedCount;
    if (e.symbol != 0) {
      ++block.liveCount;
      AddToBlockColors(block, e);
    }
  }
  usedColors_.Unite(block.colors);
  return true;
}

bool MapStore::ReadObject(int32_t n, ObjectRecord* obj) {
  if (symbolEditing_) return ReadElement(n, obj);
  // The record's buffers are kept: a drawing reads object after object into one record.
  obj->Clear();
  IndexEntry e;
  if (!ReadEntry(n, &e) || e.length <= ObjectRecord::kHeadSize) return false;
  // Records of up to 16032 bytes are read whole; a longer entry is damaged and is read
  // as 16032 bytes, its point count trimmed to what those hold.
  const int64_t length = std::min<int64_t>(e.length, kMaxObjectRecord);
  // A record the file does not hold whole is not read at all: its points would be whatever
  // happens to follow.
  if (e.pos < 1 || int64_t{e.pos} + length > fileEnd_) return false;
  const uint8_t* bytes = buffer_.data();
  const uint32_t slot = static_cast<size_t>(n) < sweepSlot_.size() && sweepStamp_ == entryStamp_
                            ? sweepSlot_[static_cast<size_t>(n)]
                            : 0;
  if (slot != 0)
    bytes = sweepBytes_.data() + (slot - 1);
  else if (!ReadThroughCache(e.pos, buffer_.data(), length))
    return false;
  ObjectRecord::DecodeAsReadInto(bytes, static_cast<int>(length), obj);
  currentObject_ = n;
  return obj->PointCount() > 0;
}

void MapStore::PrefetchObject(int32_t n) const {
  if (n < 1 || n > objectCount_) return;
  const size_t b = static_cast<size_t>((n - 1) / kEntriesPerBlock);
  if (b >= blocks_.size()) return;
  __builtin_prefetch(&blocks_[b]->entries[static_cast<size_t>((n - 1) % kEntriesPerBlock)]);
  if (sweepStamp_ != entryStamp_ || static_cast<size_t>(n) >= sweepSlot_.size()) return;
  if (const uint32_t slot = sweepSlot_[static_cast<size_t>(n)]; slot != 0) {
    const uint8_t* bytes = sweepBytes_.data() + (slot - 1);
    __builtin_prefetch(bytes);
    __builtin_prefetch(bytes + 64);
  }
}

void MapStore::PrepareForWrite(ObjectRecord& obj, IndexEntry* entry) {
  obj.FixTextUnits();
  SelectSymbol(obj.symbol);
  entry->length = static_cast<int16_t>(obj.Length());
  entry->symbol = obj.symbol;
  entry->box = obj.BoundingBox(CurrentSymbol().Extent());
}

bool MapStore::AddObject(ObjectRecord& obj) {
  if (symbolEditing_) return AddElement(obj);
  if (obj.PointCount() < 1 || obj.PointCount() > kMaxPoints) {
    InternalError("Internal error: Damaged object.");
    return false;
  }
  if (objectCount_ >= maxObjectCount_) {
    InternalError("Maximum number of objects reached.");
    return false;
  }
  if (!file_.IsOpen() || fileEnd_ < 128) {
    InternalError("Internal error: Invalid temporary file.");
    return false;
  }
  const int32_t n = objectCount_ + 1;
  const size_t blockIndex = static_cast<size_t>((n - 1) / kEntriesPerBlock);
  const MapFileHeader savedHeader = header_;
  bool newBlock = false;
  try {
    if (blockIndex >= blocks_.size()) {
      // A new IndexBlock at the end of the file, linked from the previous one.
      int32_t p = 0;
      AppendBytes(kEmptyIndexBlock.data(), kIndexBlockSize, &p);
      auto block = std::make_unique<IndexBlockCache>();
      block->filePos = p + 4;
      blocks_.push_back(std::move(block));
      newBlock = true;
      if (blockIndex == 0) {
        header_.firstIndexBlock = p;
        WriteHeader();
      } else {
        uint8_t link[4];
        PutI32(link, p);
        WriteAt(blocks_[blockIndex - 1]->filePos - 4, link, 4);
      }
    }
    IndexEntry e;
    PrepareForWrite(obj, &e);
    const auto length = static_cast<size_t>(obj.Length());
    if (recordBytes_.size() < length) recordBytes_.resize(length);
    obj.Encode(recordBytes_.data());
    AppendBytes(recordBytes_.data(), static_cast<int64_t>(length), &e.pos);
    if (!WriteEntry(n, e)) throw FileError("entry");
    objectCount_ = n;
    currentObject_ = n;
    modified_ = true;
    Report(Change::Added, n, e);
  } catch (const FileError&) {
    // An empty block already linked in the file holds nothing; the next block replaces the link.
    if (newBlock) blocks_.pop_back();
    header_ = savedHeader;
    return false;
  }
  try {
    FlushIfFull();
  } catch (const FileError&) {
    return false;
  }
  return true;
}

bool MapStore::DeleteObject(int32_t n) {
  if (symbolEditing_) return ChangeElement(elements_.Delete(n));
  IndexEntry e;
  if (!ReadEntry(n, &e)) return false;
  if (e.length < 33) {
    InternalError("Internal error: Invalid index length.");
    return false;
  }
  try {
    const IndexEntry before = e;
    e.symbol = 0;
    if (!WriteEntry(n, e)) return false;
    modified_ = true;
    Report(Change::Deleted, n, before);
  } catch (const FileError&) {
    return false;
  }
  try {
    FlushIfFull();
  } catch (const FileError&) {
    return false;
  }
  return true;
}

bool MapStore::ReplaceObject(int32_t* n, ObjectRecord& obj) {
  if (symbolEditing_) return ChangeElement(elements_.Replace(*n, obj));
  IndexEntry kept;
  if (!ReadEntry(*n, &kept)) return false;
  if (!DeleteObject(*n)) return false;
  if (AddObject(obj)) {
    *n = objectCount_;
    return true;
  }
  try {
    WriteEntry(*n, kept);
  } catch (const FileError&) {
  }
  return false;
}

bool MapStore::RewriteObject(int32_t n, ObjectRecord& obj) {
  if (symbolEditing_) return ChangeElement(elements_.Replace(n, obj));
  if (obj.PointCount() < 1 || obj.PointCount() + std::max<int>(obj.textUnits, 0) > kMaxPoints) {
    InternalError("Internal error: Invalid object.");
    return false;
  }
  IndexEntry old;
  if (!ReadEntry(n, &old)) return false;
  IndexEntry e = old;
  PrepareForWrite(obj, &e);
  if (old.pos <= kNewSetupPos) {
    InternalError("Internal error: Invalid file position.");
    return false;
  }
  // A longer record would overwrite whatever follows the old one.
  if (e.length > old.length || int64_t{old.pos} + e.length > fileEnd_) {
    InternalError("Internal error: Invalid object.");
    return false;
  }
  // The old record is kept so that a refused entry leaves the object as it was, and for undo.
  std::vector<uint8_t> previous(static_cast<size_t>(old.length));
  if (!ReadThroughCache(old.pos, previous.data(), old.length)) return false;
  const std::vector<uint8_t> bytes = obj.Encode();
  try {
    WriteAt(old.pos, bytes.data(), static_cast<int64_t>(bytes.size()));
  } catch (const FileError&) {
    return false;
  }
  try {
    e.pos = old.pos;
    if (!WriteEntry(n, e)) throw FileError("entry");
  } catch (const FileError&) {
    try {
      WriteAt(old.pos, previous.data(), static_cast<int64_t>(previous.size()));
    } catch (const FileError&) {
    }
    return false;
  }
  Report(Change::Changed, n, old, &previous);
  modified_ = true;
  try {
    FlushIfFull();
  } catch (const FileError&) {
    return false;
  }
  return true;
}

bool MapStore::ReadRecordBytes(const IndexEntry& entry, std::vector<uint8_t>* bytes) {
  if (entry.length < 33 || entry.pos <= kNewSetupPos ||
      int64_t{entry.pos} + entry.length > fileEnd_) {
    InternalError("Internal error: Invalid file position.");
    return false;
  }
  bytes->resize(static_cast<size_t>(entry.length));
  return ReadThroughCache(entry.pos, bytes->data(), entry.length);
}

bool MapStore::RestoreRecord(int32_t n, const IndexEntry& entry,
                             const std::vector<uint8_t>& bytes) {
  if (symbolEditing_) return false;
  IndexEntry now;
  if (!ReadEntry(n, &now)) return false;
  if (entry.pos != now.pos || entry.length < 33 ||
      static_cast<size_t>(entry.length) != bytes.size() || entry.pos <= kNewSetupPos ||
      int64_t{entry.pos} + entry.length > fileEnd_) {
    InternalError("Internal error: Invalid object.");
    return false;
  }
  std::vector<uint8_t> previous;
  if (!ReadRecordBytes(now, &previous)) return false;
  try {
    WriteAt(entry.pos, bytes.data(), static_cast<int64_t>(bytes.size()));
  } catch (const FileError&) {
    return false;
  }
  try {
    if (!WriteEntry(n, entry)) throw FileError("entry");
  } catch (const FileError&) {
    try {
      WriteAt(now.pos, previous.data(), static_cast<int64_t>(previous.size()));
    } catch (const FileError&) {
    }
    return false;
  }
  modified_ = true;
  try {
    FlushIfFull();
  } catch (const FileError&) {
    return false;
  }
  return true;
}

bool MapStore::SymbolUsesColor(int number, int color) const {
  const int place = SymbolPlace(number);
  const SymbolRecord& s = place >= 0 ? symbols_[static_cast<size_t>(place)] : placeholder_;
  return (s.Bytes()[20 + (color >> 3)] >> (color & 7)) & 1;
}

SearchResult MapStore::Search(const Box& rect, int32_t stop, int color, int32_t* current) {
  if (symbolEditing_) return SearchElements(rect, stop, color, current);
  const int32_t count = objectCount_;
  if (count <= 0) return {false, true};
  if (color > 255) return {false, true};
  // A walk over a rectangle calls the search again and again: how to search it is decided once,
  // and kept until an entry changes.
  if (regionStamp_ != entryStamp_ || std::memcmp(&regionRect_, &rect, sizeof rect) != 0)
      [[unlikely]]
    PlanRegion(rect);
  if (!regionByBlocks_ && stop >= 1 && stop <= count)
    return SearchRegion(rect, stop, color, current);
  // The walk over the blocks.
  int32_t n = *current;
  int64_t visited = 0;
  while (visited <= count) {
    n = (n >= count || n < 0) ? 1 : n + 1;
    const size_t b = static_cast<size_t>((n - 1) / kEntriesPerBlock);
    const IndexBlockCache& block = *blocks_[b];
    const int32_t blockLast =
        std::min<int32_t>(static_cast<int32_t>(b + 1) * kEntriesPerBlock, count);
    if (block.liveCount == 0 || !block.box.Meets(rect) ||
        (color >= 0 && !block.colors.Has(color))) {
      if (stop >= n && stop <= blockLast) {
        *current = blockLast;
        return {false, true};
      }
      visited += blockLast - n + 1;
      n = blockLast;
      continue;
    }
    ++visited;
    const IndexEntry& e = block.entries[(n - 1) % kEntriesPerBlock];
    if (e.symbol != 0 && e.length >= 33 && e.box.Meets(rect) &&
        (color < 0 || SymbolUsesColor(e.symbol, color))) {
      SelectSymbol(e.symbol);
      *current = n;
      return {true, n == stop};
    }
    if (n == stop) {
      *current = n;
      return {false, true};
    }
  }
  *current = n;
  return {false, true};
}

void MapStore::PlanRegion(const Box& rect) {
  regionRect_ = rect;
  regionStamp_ = entryStamp_;
  regionNext_ = 0;
  regionObjects_.clear();
  // Where the blocks meeting the rectangle hold little else, walking them is quickest;
  // otherwise the rectangle's objects are found once.
  regionByBlocks_ = ScanBlocksFor(rect);
  if (!regionByBlocks_) ObjectsInRegion(rect, &regionObjects_);
}

SearchResult MapStore::SearchRegion(const Box& rect, int32_t stop, int color, int32_t* current) {
  const int32_t count = objectCount_;
  // The numbers after *current up to stop, wrapping from the last object to the first. A walk
  // goes on after the object found last, whose place is kept.
  const int32_t first = (*current >= count || *current < 0) ? 1 : *current + 1;
  const std::vector<int32_t>& objects = regionObjects_;
  auto matchIn = [&](int32_t from, int32_t to) -> int32_t {
    size_t i = regionNext_;
    if (i > objects.size() || (i > 0 && objects[i - 1] >= from) ||
        (i < objects.size() && objects[i] < from))
      i = static_cast<size_t>(std::lower_bound(objects.begin(), objects.end(), from) -
                              objects.begin());
    for (; i < objects.size() && objects[i] <= to; ++i) {
      if (SearchAt(objects[i], rect, color)) {
        regionNext_ = i + 1;
        return objects[i];
      }
    }
    return 0;
  };
  int32_t n = first <= stop ? matchIn(first, stop) : matchIn(first, count);
  if (n == 0 && first > stop) n = matchIn(1, stop);
  if (n > 0) {
    *current = n;
    return {true, n == stop};
  }
  // Where the walk over the blocks ends: at the stop, or at the end of the stop's block when
  // that block is skipped whole.
  const size_t b = static_cast<size_t>((stop - 1) / kEntriesPerBlock);
  const IndexBlockCache& block = *blocks_[b];
  const bool skipped =
      block.liveCount == 0 || !block.box.Meets(rect) || (color >= 0 && !block.colors.Has(color));
  *current =
      skipped ? std::min<int32_t>(static_cast<int32_t>(b + 1) * kEntriesPerBlock, count) : stop;
  return {false, true};
}

void MapStore::ObjectsInRegion(const Box& rect, std::vector<int32_t>* numbers) {
  numbers->clear();
  if (symbolEditing_) {
    const int32_t count = elements_.Count();
    for (int32_t n = 1; n <= count; ++n) {
      ObjectRecord obj;
      elements_.Read(n, &obj);
      if (obj.PointCount() > 0 && obj.BoundingBox(0).Meets(rect)) numbers->push_back(n);
    }
    return;
  }
  if (ScanBlocksFor(rect)) {
    const int32_t count = objectCount_;
    for (size_t b = 0; b < blocks_.size(); ++b) {
      const IndexBlockCache& block = *blocks_[b];
      if (block.liveCount == 0 || !block.box.Meets(rect)) continue;
      const auto first = static_cast<int32_t>(b) * kEntriesPerBlock + 1;
      const int32_t last = std::min(first + kEntriesPerBlock - 1, count);
      for (int32_t n = first; n <= last; ++n) {
        const IndexEntry& e = block.entries[static_cast<size_t>(n - first)];
        if (e.Live() && e.box.Meets(rect)) numbers->push_back(n);
      }
    }
    return;
  }
  if (spatial_.NeedsBuild()) BuildSpatialIndex();
  regionCandidates_.clear();
  spatial_.Candidates(rect, &regionCandidates_);
  // The candidates come in the tree's order and may repeat: one bit per object puts them in
  // number order once. The bits are cleared as they are read.
  regionBits_.resize(static_cast<size_t>(objectCount_) / 64 + 1);
  size_t low = regionBits_.size(), high = 0;
  for (const int32_t n : regionCandidates_) {
    if (n < 1 || n > objectCount_) continue;
    const auto word = static_cast<size_t>(n - 1) / 64;
    regionBits_[word] |= uint64_t{1} << ((n - 1) % 64);
    low = std::min(low, word);
    high = std::max(high, word);
  }
  for (size_t word = low; word <= high && word < regionBits_.size(); ++word) {
    for (uint64_t bits = std::exchange(regionBits_[word], 0); bits != 0; bits &= bits - 1) {
      const auto n =
          static_cast<int32_t>(word * 64 + static_cast<size_t>(std::countr_zero(bits))) + 1;
      // The tree may still hold boxes that objects had before they moved or were deleted.
      const IndexEntry& e = *EntryAt(n);
      if (e.Live() && e.box.Meets(rect)) numbers->push_back(n);
    }
  }
}

bool MapStore::ScanBlocksFor(const Box& rect) const {
  // How much of a box the rectangle covers, along one axis.
  auto share = [](int32_t low, int32_t high, int32_t rectLow, int32_t rectHigh) {
    const int64_t size = int64_t{high} - low;
    if (size <= 0) return 1.0;
    const int64_t covered = int64_t{std::min(high, rectHigh)} - std::max(low, rectLow);
    return std::clamp(static_cast<double>(covered) / static_cast<double>(size), 0.0, 1.0);
  };
  double scanned = 0, expected = 0;
  for (const auto& block : blocks_) {
    if (block->liveCount == 0 || !block->box.Meets(rect)) continue;
    const Box& b = block->box;
    scanned += block->usedCount;
    expected += block->liveCount * share(b.left, b.right, rect.left, rect.right) *
                share(b.bottom, b.top, rect.bottom, rect.top);
  }
  // An entry read in order costs a fraction of one found through the tree (no sorting, no
  // scattered reads): the blocks win while they hold up to four times the objects expected.
  return scanned <= 4 * expected;
}

bool MapStore::SearchAt(int32_t n, const Box& rect, int color) {
  if (symbolEditing_) {
    ObjectRecord obj;
    elements_.Read(n, &obj);
    if (obj.PointCount() <= 0 || !obj.BoundingBox(0).Meets(rect) ||
        (color >= 0 && obj.angle != color))
      return false;
    SelectSymbol(obj.symbol);
    return true;
  }
  const IndexEntry* e = EntryAt(n);
  if (!e || color > 255 || !e->Live() || !e->box.Meets(rect)) return false;
  // A block whose colour set lacks the colour is skipped by the search, whatever its entries.
  if (color >= 0 && (!blocks_[static_cast<size_t>((n - 1) / kEntriesPerBlock)]->colors.Has(color) ||
                     !SymbolUsesColor(e->symbol, color)))
    return false;
  SelectSymbol(e->symbol);
  return true;
}

ColorSet MapStore::SearchColors(int32_t n) const {
  ColorSet set;
  if (symbolEditing_) {
    ObjectRecord obj;
    elements_.Read(n, &obj);
    if (obj.PointCount() > 0) set.Add(obj.angle);
    return set;
  }
  const IndexEntry* e = EntryAt(n);
  if (!e || !e->Live()) return set;
  set = SymbolFor(e->symbol).Colors();
  const ColorSet& block = blocks_[static_cast<size_t>((n - 1) / kEntriesPerBlock)]->colors;
  for (size_t i = 0; i < set.bits.size(); ++i) set.bits[i] &= block.bits[i];
  return set;
}

void MapStore::ObjectsInRegionByColor(const Box& rect, ObjectsByColor* byColor) {
  for (std::vector<int32_t>& list : *byColor) list.clear();
  ObjectsInRegion(rect, &regionScratch_);
  if (symbolEditing_) {
    for (const int32_t n : regionScratch_) {
      const ColorSet colors = SearchColors(n);
      for (int c = 0; c < 256; ++c)
        if (colors.Has(c)) (*byColor)[static_cast<size_t>(c)].push_back(n);
    }
    return;
  }
  // Each symbol's colours are listed once, when the first object of it is met; each object then
  // goes under those of them its block's colour set holds (what SearchColors gives).
  const size_t placeholderSlot = symbols_.size();
  symbolColorStart_.assign(placeholderSlot + 2, -1);
  symbolColorList_.clear();
  std::vector<int32_t> colorEnd(placeholderSlot + 1, 0);
  for (const int32_t n : regionScratch_) {
    const IndexEntry* e = EntryAt(n);
    if (!e || !e->Live()) continue;
    const int place = SymbolPlace(e->symbol);
    const size_t slot = place >= 0 ? static_cast<size_t>(place) : placeholderSlot;
    if (symbolColorStart_[slot] < 0) {
      symbolColorStart_[slot] = static_cast<int32_t>(symbolColorList_.size());
      const ColorSet colors = place >= 0 ? symbols_[slot].Colors() : placeholder_.Colors();
      for (size_t i = 0; i < colors.bits.size(); ++i)
        for (unsigned bits = colors.bits[i]; bits != 0; bits &= bits - 1)
          symbolColorList_.push_back(static_cast<uint8_t>(i * 8 + std::countr_zero(bits)));
      colorEnd[slot] = static_cast<int32_t>(symbolColorList_.size());
    }
    const ColorSet& block = blocks_[static_cast<size_t>((n - 1) / kEntriesPerBlock)]->colors;
    for (int32_t i = symbolColorStart_[slot]; i < colorEnd[slot]; ++i) {
      const uint8_t c = symbolColorList_[static_cast<size_t>(i)];
      if (block.Has(c)) (*byColor)[c].push_back(n);
    }
  }
}

void MapStore::SweepRecords(const std::vector<int32_t>& objects, int64_t byteLimit) {
  ForgetSweep();
  // Held-back writes are not in the file yet: their objects are read one by one.
  if (symbolEditing_ || pending_.Active() || !file_.IsOpen()) return;
  struct Piece {
    int64_t pos;
    int32_t length;
    int32_t n;
  };
  std::vector<Piece> pieces;
  pieces.reserve(objects.size());
  for (const int32_t n : objects) {
    const IndexEntry* e = EntryAt(n);
    if (!e || !e->Live() || e->length <= ObjectRecord::kHeadSize) continue;
    const int64_t length = std::min<int64_t>(e->length, kMaxObjectRecord);
    // What ReadObject refuses is left to it, with its message.
    if (e->pos < 1 || int64_t{e->pos} + length > fileEnd_) continue;
    pieces.push_back({e->pos, static_cast<int32_t>(length), n});
  }
  std::sort(pieces.begin(), pieces.end(),
            [](const Piece& a, const Piece& b) { return a.pos < b.pos; });
  // Records close together are read in one piece with what lies between them: a gap this small
  // costs less to read than a read of its own.
  constexpr int64_t kGap = 8192, kPiece = 4 << 20;
  if (sweepSlot_.size() < static_cast<size_t>(objectCount_) + 1)
    sweepSlot_.resize(static_cast<size_t>(objectCount_) + 1, 0);
  size_t i = 0;
  int64_t used = 0;
  while (i < pieces.size()) {
    const int64_t start = pieces[i].pos;
    int64_t end = start + pieces[i].length;
    size_t j = i + 1;
    while (j < pieces.size() && pieces[j].pos - end <= kGap &&
           pieces[j].pos + pieces[j].length - start <= kPiece) {
      end = std::max(end, pieces[j].pos + pieces[j].length);
      ++j;
    }
    if (used + (end - start) > byteLimit) break;
    sweepBytes_.resize(static_cast<size_t>(used + (end - start)));
    const int64_t got = file_.ReadUpToAt(start, sweepBytes_.data() + used, end - start);
    for (size_t k = i; k < j; ++k) {
      // A record the file no longer holds whole is left to ReadObject, which says so.
      if (got < 0 || pieces[k].pos + pieces[k].length > start + got) continue;
      sweepSlot_[static_cast<size_t>(pieces[k].n)] =
          static_cast<uint32_t>(used + (pieces[k].pos - start) + 1);
      sweepObjects_.push_back(pieces[k].n);
    }
    used += end - start;
    i = j;
  }
  sweepStamp_ = entryStamp_;
}

void MapStore::ForgetSweep() {
  for (const int32_t n : sweepObjects_)
    if (static_cast<size_t>(n) < sweepSlot_.size()) sweepSlot_[static_cast<size_t>(n)] = 0;
  sweepObjects_.clear();
  sweepBytes_.clear();
}

bool MapStore::UpdateObjects(int lowSymbol, int highSymbol) {
  if (symbolEditing_) return true;
  progress_->Start(";objects updated.", objectCount_, 5, true, "Updating objects");
  int32_t updated = 0;
  bool ok = true;
  ObjectRecord obj;
  try {
    // Entries are recomputed a block at a time and each block's entries written in one piece;
    // a batch of its own would only add work to that.
    for (size_t b = 0; b < blocks_.size() && ok; ++b) {
      IndexBlockCache& block = *blocks_[b];
      if (block.liveCount == 0) continue;
      std::array<IndexEntry, kEntriesPerBlock> entries = block.entries;
      bool changed = false;
      bool matched = false;
      for (int i = 0; i < kEntriesPerBlock; ++i) {
        const int32_t n = static_cast<int32_t>(b) * kEntriesPerBlock + i + 1;
        if (n > objectCount_) break;
        const IndexEntry& e = entries[static_cast<size_t>(i)];
        if (e.symbol == 0 || e.symbol < lowSymbol || e.symbol > highSymbol || e.length <= 32)
          continue;
        // The symbol's colours may have changed while its objects' boxes did not: the block
        // must still be found in every colour they now draw with.
        AddToBlockColors(block, e);
        matched = true;
        if (!ReadObject(n, &obj)) continue;
        IndexEntry ne = e;
        PrepareForWrite(obj, &ne);
        if (CurrentSymbol().Type() == SymbolType::Text && ne.length <= e.length) {
          std::vector<uint8_t> bytes = obj.Encode();
          WriteAt(e.pos, bytes.data(), static_cast<int64_t>(bytes.size()));
        } else {
          ne.length = e.length;  // the record itself is unchanged
        }
        changed = changed || !(ne == e);
        entries[static_cast<size_t>(i)] = ne;
        ++updated;
        progress_->Step(updated, n);
        if (progress_->AbortRequested()) {
          ok = false;
          break;
        }
      }
      if (matched) usedColors_.Unite(block.colors);
      if (!changed) continue;
      std::vector<uint8_t> raw(IndexEntry::kSize * kEntriesPerBlock);
      for (int i = 0; i < kEntriesPerBlock; ++i)
        entries[static_cast<size_t>(i)].Encode(raw.data() + IndexEntry::kSize * i);
      WriteAt(block.filePos, raw.data(), static_cast<int64_t>(raw.size()));
      // Boxes and colour sets only grow while the map is open.
      const Box box = block.box;
      const ColorSet colors = block.colors;
      const bool hadUsed = block.usedCount > 0;
      TouchBlock(b);
      for (int i = 0; i < kEntriesPerBlock; ++i) {
        const auto slot = static_cast<size_t>(i);
        if (!(entries[slot] == block.entries[slot]))
          SetEntry(static_cast<int32_t>(b) * kEntriesPerBlock + i + 1, entries[slot]);
      }
      Summarize(block);
      if (hadUsed && block.usedCount > 0) block.box.Unite(box);
      block.colors.Unite(colors);
      usedColors_.Unite(block.colors);
      FlushIfFull();
    }
  } catch (const FileError&) {
    ok = false;
  }
  modified_ = true;
  progress_->End();
  return ok;
}

bool MapStore::MapExtent(Box* box) const {
  bool any = false;
  Box r;
  for (const auto& block : blocks_) {
    if (block->liveCount == 0) continue;
    for (const IndexEntry& e : block->entries) {
      if (e.symbol == 0 || !e.Used()) continue;
      if (any)
        r.Unite(e.box);
      else
        r = e.box;
      any = true;
    }
  }
  if (any) {
    r.left = std::clamp(r.left, -kMapExtentLimit, kMapExtentLimit);
    r.bottom = std::clamp(r.bottom, -kMapExtentLimit, kMapExtentLimit);
    r.right = std::clamp(r.right, -kMapExtentLimit, kMapExtentLimit);
    r.top = std::clamp(r.top, -kMapExtentLimit, kMapExtentLimit);
  }
  *box = r;
  return any;
}

int32_t MapStore::LiveObjectCount() const {
  int32_t live = 0;
  for (const auto& block : blocks_) live += block->liveCount;
  return live;
}

bool MapStore::MapIsEmpty() const {
  return LiveObjectCount() == 0;
}

// ---------------------------------------------------------------------------------------
// Symbols

int MapStore::SymbolPlace(int number) const {
  if (number < 1 || number > 9999) return -1;
  const int place = symbolLookup_[static_cast<size_t>(number)];
  return place >= 0 && place < SymbolCount() ? place : -1;
}

bool MapStore::SelectSymbol(int number) {
  if (symbolEditing_) {
    // A pseudo symbol built from the element being edited.
    pseudoSymbol_ = SymbolRecord();
    pseudoSymbol_.SetNumber(number);
    const int kind = number - kElementSymbolBase;
    pseudoSymbol_.SetType(kind == kElementLine   ? SymbolType::Line
                          : kind == kElementArea ? SymbolType::Area
                                                 : SymbolType::Point);
    pseudoSymbol_.SetExtent(0);
    currentSymbol_ = -2;
    return true;
  }
  const int place = SymbolPlace(number);
  if (place < 0) {
    placeholder_.SetExtent(50);
    currentSymbol_ = -1;
    return false;
  }
  currentSymbol_ = place;
  return true;
}

const SymbolRecord& MapStore::CurrentSymbol() const {
  if (currentSymbol_ == -2) return pseudoSymbol_;
  if (currentSymbol_ >= 0 && currentSymbol_ < SymbolCount())
    return symbols_[static_cast<size_t>(currentSymbol_)];
  return placeholder_;
}

const SymbolRecord& MapStore::SymbolFor(int number) const {
  const int place = SymbolPlace(number);
  return place >= 0 ? symbols_[static_cast<size_t>(place)] : placeholder_;
}

void MapStore::RebuildSymbolLookup() {
  std::fill(symbolLookup_.begin(), symbolLookup_.end(), int16_t{-1});
  for (int i = 0; i < SymbolCount(); ++i) {
    const int num = symbols_[static_cast<size_t>(i)].Number();
    if (num >= 1 && num <= 9999) symbolLookup_[static_cast<size_t>(num)] = static_cast<int16_t>(i);
  }
  currentSymbol_ = -1;
}

int MapStore::UniqueNumber(int number) const {
  number = std::clamp(number, 1, 9999);
  for (int tries = 0; tries < 10000 && symbolLookup_[static_cast<size_t>(number)] >= 0; ++tries)
    number = number >= 9999 ? 1 : number + 1;
  return number;
}

bool MapStore::AddSymbolRecord(int place, SymbolRecord rec) {
  if (SymbolCount() >= kMaxSymbols) return false;
  DirectWrites direct(*this);
  if (direct.Failed()) return false;
  try {
    rec.SetNumber(UniqueNumber(rec.Number()));
    rec.SetSelected(0);
    rec.SetStatus(kStatusNormal);
    rec.SetLength(rec.Size());
    rec.SetFilePos(static_cast<int32_t>(fileEnd_));
    AppendBytes(rec.Bytes().data(), rec.Size(), nullptr);
    symbols_.insert(symbols_.begin() + place, std::move(rec));
    RebuildSymbolLookup();
    modified_ = true;
    return true;
  } catch (const FileError&) {
    return false;
  }
}

bool MapStore::InsertSymbol(int afterPlace, const SymbolRecord& rec) {
  return AddSymbolRecord(std::clamp(afterPlace + 1, 0, SymbolCount()), rec);
}

bool MapStore::AppendSymbol(const SymbolRecord& rec) {
  return AddSymbolRecord(SymbolCount(), rec);
}

bool MapStore::ReplaceSymbol(int place, const SymbolRecord& rec) {
  if (place < 0 || place >= SymbolCount()) return false;
  DirectWrites direct(*this);
  if (direct.Failed()) return false;
  try {
    SymbolRecord r = rec;
    SymbolRecord& old = symbols_[static_cast<size_t>(place)];
    r.SetLength(r.Size());
    const bool fits = old.FilePos() > kNewSetupPos && r.Size() <= old.Length();
    r.SetFilePos(fits ? old.FilePos() : static_cast<int32_t>(fileEnd_));
    WriteAt(r.FilePos(), r.Bytes().data(), r.Size());
    old = std::move(r);
    RebuildSymbolLookup();
    modified_ = true;
    // A record that moved to the end of the file must be found there when the map is read again.
    return fits || RewriteSymbolIndex();
  } catch (const FileError&) {
    return false;
  }
}

bool MapStore::DeleteSymbol(int place) {
  if (place < 0 || place >= SymbolCount()) return false;
  symbols_.erase(symbols_.begin() + place);
  RebuildSymbolLookup();
  return RewriteSymbolIndex();
}

bool MapStore::SetSymbolStatus(int place, uint8_t status) {
  if (place < 0 || place >= SymbolCount()) return false;
  symbols_[static_cast<size_t>(place)].SetStatus(status);
  return WriteSymbolRecord(place);
}

bool MapStore::WriteSymbolRecord(int place) {
  if (place < 0 || place >= SymbolCount()) return false;
  DirectWrites direct(*this);
  if (direct.Failed()) return false;
  SymbolRecord& r = symbols_[static_cast<size_t>(place)];
  try {
    if (r.FilePos() <= kNewSetupPos) r.SetFilePos(static_cast<int32_t>(fileEnd_));
    WriteAt(r.FilePos(), r.Bytes().data(), r.Size());
    modified_ = true;
    return true;
  } catch (const FileError&) {
    return false;
  }
}

int MapStore::FindOrAddEqualSymbol(const SymbolRecord& rec) {
  int best = -1;
  for (int i = 0; i < SymbolCount(); ++i) {
    const SymbolRecord& s = symbols_[static_cast<size_t>(i)];
    if (s.Size() != rec.Size() || s.Length() != rec.Length() || s.Type() != rec.Type() ||
        s.Subtype() != rec.Subtype() || std::abs(s.Number() - rec.Number()) >= 20)
      continue;
    if (!std::equal(s.Bytes().begin() + kSymbolCommonSize, s.Bytes().end(),
                    rec.Bytes().begin() + kSymbolCommonSize))
      continue;
    if (best < 0 || std::abs(s.Number() - rec.Number()) <
                        std::abs(symbols_[static_cast<size_t>(best)].Number() - rec.Number()))
      best = i;
  }
  if (best >= 0) return symbols_[static_cast<size_t>(best)].Number();
  if (!AppendSymbol(rec)) return 0;
  return symbols_.back().Number();
}

bool MapStore::RewriteSymbolIndex() {
  DirectWrites direct(*this);
  if (direct.Failed()) return false;
  try {
    WriteSymbolHeader();
    // The existing chain, walked safely, is reused block by block.
    std::vector<int32_t> chain;
    std::unordered_set<int32_t> visited;
    int32_t p = header_.firstSymbolBlock;
    while (p > 0 && int64_t{p} + kSymbolBlockSize <= fileEnd_ &&
           chain.size() < static_cast<size_t>(kMaxIndexBlocks) && visited.insert(p).second) {
      chain.push_back(p);
      uint8_t link[4];
      file_.Seek(p);
      file_.Read(link, 4);
      p = GetI32(link);
    }
    const size_t groups = (symbols_.size() + 255) / 256;
    uint8_t positions[1024];
    for (size_t g = 0; g < std::max(groups, chain.size()); ++g) {
      std::memset(positions, 0, sizeof positions);
      for (size_t i = 0; i < 256 && g * 256 + i < symbols_.size(); ++i)
        PutI32(positions + 4 * i, symbols_[g * 256 + i].FilePos());
      if (g < chain.size()) {
        WriteAt(chain[g] + 4, positions, sizeof positions);
        continue;
      }
      uint8_t block[kSymbolBlockSize] = {};
      std::memcpy(block + 4, positions, sizeof positions);
      int32_t at = 0;
      AppendBytes(block, kSymbolBlockSize, &at);
      uint8_t link[4];
      PutI32(link, at);
      if (g == 0) {
        header_.firstSymbolBlock = at;
        WriteHeader();
      } else {
        WriteAt(chain[g - 1], link, 4);
      }
      chain.push_back(at);
    }
    RebuildSymbolLookup();
    modified_ = true;
    return true;
  } catch (const FileError&) {
    return false;
  }
}

bool MapStore::ReplaceAllSymbols(const SymbolHeader& colors,
                                 const std::vector<SymbolRecord>& symbols) {
  // Everything new is appended first and one write of header and colour table switches the
  // map over, so a failure on the way leaves the old colours and symbols in force.
  DirectWrites direct(*this);
  if (direct.Failed()) return false;
  std::vector<SymbolRecord> table;
  std::vector<int16_t> lookup(10000, -1);
  try {
    for (const SymbolRecord& rec : symbols) {
      if (static_cast<int>(table.size()) >= kMaxSymbols) break;
      SymbolRecord r = rec;
      int number = std::clamp<int>(r.Number(), 1, 9999);
      for (int tries = 0; tries < 10000 && lookup[static_cast<size_t>(number)] >= 0; ++tries)
        number = number >= 9999 ? 1 : number + 1;
      r.SetNumber(number);
      r.SetLength(r.Size());
      r.SetSelected(0);
      r.SetFilePos(static_cast<int32_t>(fileEnd_));
      AppendBytes(r.Bytes().data(), r.Size(), nullptr);
      lookup[static_cast<size_t>(number)] = static_cast<int16_t>(table.size());
      table.push_back(std::move(r));
    }
    const size_t groups = (table.size() + 255) / 256;
    const int64_t chainStart = fileEnd_;
    std::vector<uint8_t> chain(groups * kSymbolBlockSize, 0);
    for (size_t g = 0; g < groups; ++g) {
      uint8_t* block = chain.data() + g * kSymbolBlockSize;
      if (g + 1 < groups)
        PutI32(block, static_cast<int32_t>(chainStart + (g + 1) * kSymbolBlockSize));
      for (size_t i = 0; i < 256 && g * 256 + i < table.size(); ++i)
        PutI32(block + 4 + 4 * i, table[g * 256 + i].FilePos());
    }
    if (!chain.empty()) AppendBytes(chain.data(), static_cast<int64_t>(chain.size()), nullptr);
    MapFileHeader header = header_;
    header.firstSymbolBlock = groups > 0 ? static_cast<int32_t>(chainStart) : 0;
    std::vector<uint8_t> head(MapFileHeader::kSize + SymbolHeader::kSize);
    header.Encode(head.data());
    colors.Encode(head.data() + MapFileHeader::kSize);
    WriteAt(0, head.data(), static_cast<int64_t>(head.size()));
    header_ = header;
  } catch (const FileError&) {
    return false;
  }
  *symbolHeader_ = colors;
  symbols_ = std::move(table);
  RebuildSymbolLookup();
  placeholder_ = SymbolRecord::Undefined(symbolHeader_->colors[0].colorNumber);
  modified_ = true;
  return true;
}

// ---------------------------------------------------------------------------------------
// Batches: object writes held in memory and written in a few large pieces

void MapStore::BeginBatch() {
  if (batchDepth_++ > 0) return;
  batchFailed_ = false;
  if (!file_.IsOpen()) return;
  pending_.Begin(fileEnd_);
  NoteTablesInFile();
}

bool MapStore::EndBatch() {
  if (batchDepth_ == 0 || --batchDepth_ > 0) return true;
  FlushBeforeLeaving();
  return !batchFailed_;
}

void MapStore::FlushBeforeLeaving() {
  if (!pending_.Active()) return;
  try {
    FlushPending();
  } catch (const FileError&) {
  }
  pending_.End();
  inFile_.blocks.clear();
}

void MapStore::FlushIfFull() {
  if (pending_.Active() && pending_.Size() >= batchLimit_) FlushPending();
}

void MapStore::FlushPending() {
  try {
    pending_.Flush(file_);
  } catch (const FileError&) {
    TakeBackTables();
    batchFailed_ = true;
    throw;
  }
  NoteTablesInFile();
  // The recorder hears only of changes that are in the file.
  std::vector<Notice> notices;
  notices.swap(notices_);
  for (const Notice& notice : notices) Tell(notice);
}

void MapStore::NoteTablesInFile() {
  inFile_.objectCount = objectCount_;
  inFile_.currentObject = currentObject_;
  inFile_.firstIndexBlock = header_.firstIndexBlock;
  inFile_.blockCount = blocks_.size();
  inFile_.usedColors = usedColors_;
  inFile_.modified = modified_;
  inFile_.blocks.clear();
}

void MapStore::TouchBlock(size_t b) {
  if (pending_.Active() && b < inFile_.blockCount && !inFile_.blocks.contains(b))
    inFile_.blocks.emplace(b, *blocks_[b]);
}

void MapStore::TakeBackTables() {
  // Everything derived from the entries must follow them back.
  for (auto& [b, block] : inFile_.blocks) *blocks_[b] = block;
  blocks_.resize(inFile_.blockCount);
  objectCount_ = inFile_.objectCount;
  currentObject_ = inFile_.currentObject;
  header_.firstIndexBlock = inFile_.firstIndexBlock;
  usedColors_ = inFile_.usedColors;
  modified_ = inFile_.modified;
  fileEnd_ = pending_.AppendStart();
  readCacheLength_ = 0;
  // Entries went back without passing through SetEntry.
  spatial_.Invalidate();
  notices_.clear();
  inFile_.blocks.clear();
}

void MapStore::Report(Change change, int32_t n, const IndexEntry& e,
                      const std::vector<uint8_t>* oldRecord) {
  if (!undo_) return;
  Notice notice{change, n, e, oldRecord ? *oldRecord : std::vector<uint8_t>{}};
  if (pending_.Active())
    notices_.push_back(std::move(notice));
  else
    Tell(notice);
}

void MapStore::Tell(const Notice& notice) {
  if (!undo_) return;
  switch (notice.change) {
    case Change::Added:
      undo_->ObjectAdded(notice.n, notice.entry);
      break;
    case Change::Changed:
      undo_->ObjectChanged(notice.n, notice.entry, notice.oldRecord);
      break;
    case Change::Deleted:
      undo_->ObjectDeleted(notice.n, notice.entry);
      break;
  }
}

// ---------------------------------------------------------------------------------------
// Point-symbol editing: the same object operations on an in-memory element list

void MapStore::BeginSymbolEditing(const std::vector<uint8_t>& elements) {
  elements_.Assign(elements);
  symbolEditing_ = true;
}

std::vector<uint8_t> MapStore::EndSymbolEditing() {
  symbolEditing_ = false;
  currentSymbol_ = -1;
  return elements_.Take();
}

bool MapStore::ReadElement(int32_t n, ObjectRecord* obj) {
  if (!elements_.Read(n, obj)) return false;
  currentObject_ = n;
  return true;
}

bool MapStore::AddElement(const ObjectRecord& obj) {
  if (!elements_.Add(obj)) return false;
  currentObject_ = elements_.Count();
  modified_ = true;
  return true;
}

bool MapStore::ChangeElement(bool ok) {
  if (ok) modified_ = true;
  return ok;
}

SearchResult MapStore::SearchElements(const Box& rect, int32_t stop, int color, int32_t* current) {
  int16_t symbol = 0;
  bool done = true;
  const bool found = elements_.FindNext(rect, stop, color, current, &symbol, &done);
  if (found) SelectSymbol(symbol);
  return {found, done};
}

}  // namespace zelk
