// The platform's file calls behind one small interface, so that tests can make them fail.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace zelk {

// Every call behaves as the POSIX call of the same job: -1 or false on failure with errno set.
// The base class is the real file system; a test derives from it and fails chosen calls.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual int Open(const std::string& path, int flags, int mode);
  // Creates a new file from a template ending in "XXXXXX" (replaced by the name made).
  virtual int CreateUnique(std::string* pathTemplate);
  virtual int64_t Read(int fd, void* buf, size_t n);
  virtual int64_t ReadAt(int fd, void* buf, size_t n, int64_t pos);
  virtual int64_t Write(int fd, const void* buf, size_t n);
  virtual int64_t WriteAt(int fd, const void* buf, size_t n, int64_t pos);
  // Copies up to n bytes from the offset of `in` to the offset of `out` within the system,
  // moving both offsets; 0 at the end of `in`. Fails where the system cannot copy between the
  // two files, and then the caller copies through memory.
  virtual int64_t CopyRange(int in, int out, size_t n);
  virtual bool Seek(int fd, int64_t pos);
  virtual bool Stat(int fd, struct stat* st);
  virtual bool Truncate(int fd, int64_t size);
  virtual bool Sync(int fd);
  // An exclusive advisory lock that does not wait; false with EWOULDBLOCK when another holds it.
  virtual bool Lock(int fd);
  virtual bool SetOwnerAndMode(int fd, const struct stat& like);
  virtual void Close(int fd);
  virtual bool Rename(const std::string& from, const std::string& to);
  virtual bool Remove(const std::string& path);
};

// The real file system, shared by everything that is not given another one.
FileSystem& SystemFiles();

}  // namespace zelk
