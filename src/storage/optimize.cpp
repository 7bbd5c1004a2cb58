// Optimize/Repair of the open map.
#include "storage/optimize.h"

#include <cstdio>

#include "storage/export_writer.h"

namespace zelk {

namespace {

bool ReadsTheSameBackwards(const std::vector<Coord>& c) {
  const size_t n = c.size();
  for (size_t i = 0; i < n / 2; ++i)
    if (!(c[i] == c[n - 1 - i])) return false;
  return true;
}

bool Spurious(const ObjectRecord& o, const MapStore& store) {
  const int n = o.PointCount();
  switch (o.type) {
    case ObjectType::Point:
      return false;
    case ObjectType::Line:
      if (n < 2) return true;
      if (store.SymbolFor(o.symbol).IsLineText() && store.SymbolPlace(o.symbol) >= 0)
        return o.textUnits < 8 || o.Text().empty();
      return false;
    case ObjectType::Area:
      return n < 3 || ReadsTheSameBackwards(o.coords);
    case ObjectType::Text:
      return n < 5;
    case ObjectType::Rectangle:
      return n < 4;
  }
  return false;
}

std::string Millimetres(int32_t units) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", units / 100.0);
  return buf;
}

}  // namespace

OptimizeVerdict CheckObject(const IndexEntry& e, int64_t fileSize, std::span<const uint8_t> record,
                            const MapStore& store, ObjectRecord* obj) {
  // The largest record (2000 units of points and text) is 16032 bytes and is kept.
  if (e.length < 33 || e.length > kMaxObjectRecord || e.pos < 1 ||
      int64_t{e.pos} + e.length > fileSize || record.size() != static_cast<size_t>(e.length))
    return OptimizeVerdict::Damaged;
  const uint8_t* p = record.data();
  const int16_t symbol = GetI16(p);
  const int16_t type = GetI16(p + 2);
  const int16_t points = GetI16(p + 4);
  const int16_t units = GetI16(p + 6);
  if (symbol != e.symbol || type < 1 || type > 5 || points < 1 || units < 0 ||
      8 * (int{points} + units) != e.length - 32)
    return OptimizeVerdict::Damaged;
  ObjectRecord::DecodeAsReadInto(p, e.length, obj);
  bool repaired = false;
  if (obj->coords[0].y & kHoleStart) {
    obj->coords[0].y &= ~kHoleStart;
    repaired = true;
  }
  for (const Coord& c : obj->coords) {
    const int32_t x = c.x & kPosMask, y = c.y & kPosMask;
    if (x < e.box.left || x > e.box.right || y < e.box.bottom || y > e.box.top)
      return OptimizeVerdict::Damaged;
  }
  if (store.SymbolPlace(obj->symbol) < 0 && !repaired) return OptimizeVerdict::Undefined;
  if (Spurious(*obj, store)) return OptimizeVerdict::Spurious;
  return repaired ? OptimizeVerdict::Repaired : OptimizeVerdict::Keep;
}

OptimizeResult OptimizeMap(MapStore& store, bool deleteUndefined, Progress& progress) {
  OptimizeResult r;
  r.undefinedDeleted = deleteUndefined;
  MessageSink* sink = store.Sink();
  FileSystem& files = store.WorkingFile().Files();
  const std::string working = store.WorkingFile().Path();
  const auto leftAsItWas = [&] {
    if (sink) sink->Error(ComposeMessage(";The map was left as it was.", working + "\r\n"));
  };
  try {
    r.sizeBefore = store.WorkingFile().Size();
  } catch (const FileError&) {
    return r;
  }
  const std::string temp = TempPathBeside(working, files);
  if (temp.empty()) {
    if (sink) sink->Error(ComposeMessage("Cannot create", working));
    leftAsItWas();
    return r;
  }
  ExportFileWriter writer(store);
  if (!writer.Start(temp)) {
    files.Remove(temp);
    leftAsItWas();
    return r;
  }
  const int32_t count = store.ObjectCount();
  progress.Start(";objects done", count, 10, true, "Optimizing...");
  std::vector<uint8_t> bytes(kMaxObjectRecord);
  ObjectRecord obj;
  for (int32_t n = 1; n <= count; ++n) {
    IndexEntry e;
    if (!store.ReadEntry(n, &e) || e.symbol == 0) continue;
    std::span<const uint8_t> record;
    if (e.length >= 1 && e.length <= kMaxObjectRecord && e.pos >= 1 &&
        int64_t{e.pos} + e.length <= r.sizeBefore) {
      const int64_t got = store.WorkingFile().ReadUpToAt(e.pos, bytes.data(), e.length);
      record =
          std::span<const uint8_t>(bytes.data(), static_cast<size_t>(std::max<int64_t>(got, 0)));
    }
    const OptimizeVerdict v = CheckObject(e, r.sizeBefore, record, store, &obj);
    bool write = false;
    switch (v) {
      case OptimizeVerdict::Keep:
        write = true;
        break;
      case OptimizeVerdict::Repaired:
        write = true;
        ++r.repaired;
        break;
      case OptimizeVerdict::Damaged:
        ++r.damagedDeleted;
        break;
      case OptimizeVerdict::Spurious:
        ++r.spuriousDeleted;
        break;
      case OptimizeVerdict::Undefined:
        ++r.undefined;
        if (r.undefinedList.size() < 64) {
          char num[32];
          std::snprintf(num, sizeof num, "%.1f", obj.symbol / 10.0);
          r.undefinedList.push_back(std::string(num) + " x: " + Millimetres(obj.coords[0].PosX()) +
                                    " y: " + Millimetres(obj.coords[0].PosY()));
        } else if (r.undefinedList.size() == 64) {
          r.undefinedList.push_back("etc.");
        }
        // An undefined object is still checked for being spurious before it is kept.
        if (!deleteUndefined) {
          if (Spurious(obj, store))
            ++r.spuriousDeleted;
          else
            write = true;
        }
        break;
    }
    if (write && !writer.Add(obj)) break;
    progress.Step(n, n);
    if (progress.AbortRequested()) {
      r.stopped = true;
      break;
    }
  }
  progress.End();
  r.written = writer.Written();
  if (r.stopped) {
    writer.Abandon();
    return r;
  }
  if (!writer.Finish()) {
    files.Remove(temp);
    leftAsItWas();
    return r;
  }
  // The finished copy takes the working file's name; the old file stays until then.
  if (!ReplaceWithFinished(temp, working, files)) {
    if (sink) sink->Error(ComposeMessage("Cannot write to", working));
    leftAsItWas();
    return r;
  }
  store.CloseWorkingFile();
  try {
    store.WorkingFile().OpenExisting(working, true);
  } catch (const FileError&) {
    return r;
  }
  if (!store.LoadFromWorkingFile()) return r;
  store.SetModified(true);
  try {
    r.sizeAfter = store.WorkingFile().Size();
  } catch (const FileError&) {
  }
  r.ok = true;
  return r;
}

std::vector<std::string> OptimizeReport(const OptimizeResult& r) {
  std::vector<std::string> out = {
      "File size before optimization: " + std::to_string(r.sizeBefore),
      "File size after optimization: " + std::to_string(r.sizeAfter),
      "Objects repaired: " + std::to_string(r.repaired),
      "Damaged objects deleted: " + std::to_string(r.damagedDeleted),
      "'Spurious' objects deleted: " + std::to_string(r.spuriousDeleted),
      "Objects with unknown symbol: " + std::to_string(r.undefined) +
          (r.undefinedDeleted ? " (deleted)" : " (not deleted)")};
  out.insert(out.end(), r.undefinedList.begin(), r.undefinedList.end());
  return out;
}

}  // namespace zelk
