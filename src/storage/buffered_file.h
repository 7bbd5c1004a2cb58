// The file object used for every file the program opens itself.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "storage/messages.h"

namespace zelk {

// Raised after the failure has been shown; the operation that called is abandoned.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class BufferedFile {
 public:
  explicit BufferedFile(MessageSink* sink = nullptr) : sink_(sink) {}
  ~BufferedFile();
  BufferedFile(const BufferedFile&) = delete;
  BufferedFile& operator=(const BufferedFile&) = delete;

  void SetSink(MessageSink* sink) { sink_ = sink; }

  void OpenExisting(const std::string& path);  // read and write
  void OpenForReading(const std::string& path);
  void Create(const std::string& path);  // always new, read and write
  void Seek(int64_t pos);
  int64_t Position() const { return position_; }
  int64_t Size();
  void Read(void* buf, int64_t n);           // exactly n bytes
  int64_t ReadUpTo(void* buf, int64_t n);    // returns the count
  std::string ReadLine();                    // ends at CR LF or LF, returned without them
  // Exactly n bytes at an absolute position in one call; the position moves past them.
  void ReadAt(int64_t pos, void* buf, int64_t n);
  void Write(const void* buf, int64_t n);    // exactly n bytes
  void WriteLine(const std::string& line);   // appends CR LF
  // Hands written data to the disk itself (used before renaming a finished copy into place).
  void SyncToDisk();
  void Close();
  void CloseAndDelete();

  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  bool EndReached() const { return endReached_; }
  const std::string& Path() const { return path_; }

 private:
  [[noreturn]] void Fail(const char* templ);
  void SyncOffset(const char* failure);
  void OpenWith(const std::string& path, int flags, const char* failure);

  MessageSink* sink_;
  int fd_ = -1;
  std::string path_;
  int64_t position_ = 0;
  bool endReached_ = false;
  bool offsetStale_ = false;
  unsigned char textBuffer_[256] = {};
  int textLength_ = 0;
  int textStart_ = 0;
};

bool FileExists(const std::string& path);

// Copies in chunks of 16384 bytes; never leaves either file open. With `durable`, the copy
// is written beside the target under a temporary name, synced and renamed over the target,
// so that a failure leaves the old target intact.
bool CopyFile(const std::string& from, const std::string& to, MessageSink* sink, bool durable);

}  // namespace zelk
