// Writing a new map file from the open one (its colours, symbols, settings and information
// text, then chosen objects), and putting a finished file in place of another.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "storage/map_store.h"

namespace zelk {

class ExportFileWriter {
 public:
  // Messages go to the source map's sink; files through its file system.
  explicit ExportFileWriter(MapStore& source);
  ~ExportFileWriter();
  ExportFileWriter(const ExportFileWriter&) = delete;
  ExportFileWriter& operator=(const ExportFileWriter&) = delete;

  // Creates `path` with header, colour table, settings, information text and all symbols.
  bool Start(const std::string& path);
  // Appends one object (its length and box computed anew). After a failed write nothing more
  // is written and every later call fails.
  bool Add(ObjectRecord& obj);
  // Hands everything to the disk and closes the file; false when anything failed.
  bool Finish();
  // Closes and deletes the file.
  void Abandon();

  bool Failed() const { return failed_; }
  int32_t Written() const { return written_; }
  int64_t Size() const;
  const std::string& Path() const { return path_; }
  MapStore& Target() { return *out_; }

 private:
  MapStore& source_;
  std::unique_ptr<MapStore> out_;
  std::unique_ptr<WriteBatch> batch_;
  std::string path_;
  bool failed_ = false;
  int32_t written_ = 0;
};

// A name of its own beside `target` for a file that will replace it ("" when none can be made).
std::string TempPathBeside(const std::string& target, FileSystem& files);
// Renames the finished file `temp` over `target`, giving it the target's mode, owner and group,
// and syncs the folder. On failure `temp` is removed and `target` left as it was.
bool ReplaceWithFinished(const std::string& temp, const std::string& target, FileSystem& files);

// Writes the objects of the open map that `keep` accepts (and gives a changed copy of) into a
// new map file at `path`, written beside it and renamed into place once complete. Returns the
// number written, or -1 after a failure (shown; `path` untouched).
int32_t ExportObjects(MapStore& source, const std::string& path,
                      const std::function<bool(int32_t n, ObjectRecord& obj)>& keep,
                      Progress& progress, const char* progressText, int32_t step);

}  // namespace zelk
