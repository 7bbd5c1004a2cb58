// The file object used for every file the program opens itself.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "storage/file_system.h"
#include "storage/messages.h"

namespace zelk {

// Raised after the failure has been shown; the operation that called is abandoned.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class BufferedFile {
 public:
  explicit BufferedFile(MessageSink* sink = nullptr, FileSystem* files = nullptr)
      : sink_(sink), files_(files ? files : &SystemFiles()) {}
  ~BufferedFile();
  BufferedFile(const BufferedFile&) = delete;
  BufferedFile& operator=(const BufferedFile&) = delete;

  void SetSink(MessageSink* sink) { sink_ = sink; }
  FileSystem& Files() const { return *files_; }

  // Read and write. With `lock` the file is held with an advisory lock while it is open; a file
  // that another program holds so is refused with "Cannot open".
  void OpenExisting(const std::string& path, bool lock = false);
  void OpenForReading(const std::string& path);
  // Always new, read and write. With `lock` the file is emptied only once this program holds
  // it, so that another program's open file is never cut off ("Cannot create").
  void Create(const std::string& path, bool lock = false);
  void Seek(int64_t pos);
  int64_t Position() const { return position_; }
  int64_t Size();
  void Read(void* buf, int64_t n);         // exactly n bytes
  int64_t ReadUpTo(void* buf, int64_t n);  // returns the count
  std::string ReadLine();                  // ends at CR LF or LF, returned without them
  // Exactly n bytes at an absolute position in one call; the position moves past them.
  void ReadAt(int64_t pos, void* buf, int64_t n);
  // Up to n bytes at an absolute position; fewer only at the end of the file. Shows nothing.
  int64_t ReadUpToAt(int64_t pos, void* buf, int64_t n);
  void Write(const void* buf, int64_t n);  // exactly n bytes
  // Exactly n bytes at an absolute position in one call.
  void WriteAt(int64_t pos, const void* buf, int64_t n);
  void WriteLine(const std::string& line);  // appends CR LF
  // Hands written data to the disk itself (used before renaming a finished copy into place).
  void SyncToDisk();
  void Close();
  void CloseAndDelete();

  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  bool EndReached() const { return endReached_; }
  const std::string& Path() const { return path_; }
  // Messages name this file instead of the path opened (a private copy of a user's file).
  void SetShownName(const std::string& name) { shownName_ = name; }
  // Shows the file's message for a failure found by the caller and raises.
  [[noreturn]] void Fail(const char* templ);

 private:
  void SyncOffset(const char* failure);
  void OpenWith(const std::string& path, int flags, const char* failure, bool lock, bool empty);

  MessageSink* sink_;
  FileSystem* files_;
  int fd_ = -1;
  std::string path_;
  std::string shownName_;
  int64_t position_ = 0;
  bool endReached_ = false;
  bool offsetStale_ = false;
  unsigned char textBuffer_[256] = {};
  int textLength_ = 0;
  int textStart_ = 0;
};

bool FileExists(const std::string& path);
// True when another program holds the file with the lock of BufferedFile::OpenExisting.
bool LockedByOther(const std::string& path, FileSystem* files = nullptr);

// Copies into a working copy; never leaves either file open. The copy is made only while
// this program holds `to` locked, and a copy that fails is removed.
bool CopyFile(const std::string& from, const std::string& to, MessageSink* sink,
              FileSystem* files = nullptr);

// Saves `from` as the user's file `to`: the copy is written under a short unique name in the
// folder of the file `to` stands for (links followed), synced, given the old file's mode, owner
// and group, and renamed over it. A target that may not be written is refused, a failure
// leaves it as it was, and every message names `to`.
bool SaveCopy(const std::string& from, const std::string& to, MessageSink* sink,
              FileSystem* files = nullptr);

}  // namespace zelk
