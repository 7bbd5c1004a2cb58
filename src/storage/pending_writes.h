// Writes to the working file held in memory and handed to the file in a few large pieces.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "storage/buffered_file.h"

namespace zelk {

// What is appended beyond the end of the file collects in one contiguous buffer; overwrites of
// bytes before that end are merged into ranges, so that the entries of one index block become
// one write. Reads see the held bytes through Overlay.
class PendingWrites {
 public:
  // Starts collecting; appended bytes begin at `fileEnd`.
  void Begin(int64_t fileEnd);
  // Forgets whatever is held and stops collecting.
  void End();
  bool Active() const { return active_; }
  bool Empty() const { return appended_.empty() && overwrites_.empty(); }
  int64_t AppendStart() const { return appendStart_; }
  // Bytes held in memory.
  int64_t Size() const { return static_cast<int64_t>(appended_.size()) + overwritten_; }

  void Write(int64_t pos, const void* data, int64_t n);
  // Copies the held bytes that fall within [pos, pos + n) over `out`, which holds those bytes
  // as the file has them.
  void Overlay(int64_t pos, uint8_t* out, int64_t n) const;

  // Writes the appended bytes, then the overwrites in file order; nothing is held afterwards
  // and appending goes on at the new end. When a write fails (the file has shown its message)
  // the overwrites already made are written back as they were and the appended bytes are cut
  // off, so that the file holds what it held before; nothing is held then either, and the
  // FileError is raised again.
  void Flush(BufferedFile& file);

 private:
  void Overwrite(int64_t pos, const uint8_t* data, int64_t n);
  void Clear();

  bool active_ = false;
  int64_t appendStart_ = 0;
  std::vector<uint8_t> appended_;
  // Disjoint ranges that do not touch one another, by position.
  std::map<int64_t, std::vector<uint8_t>> overwrites_;
  int64_t overwritten_ = 0;
};

}  // namespace zelk
