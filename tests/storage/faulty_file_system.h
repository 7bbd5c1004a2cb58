// A file system that fails the calls a test chooses: the Nth write, a sync, a rename, a read
// that comes back short, or a disk that fills up.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "storage/file_system.h"

namespace zelk {

struct Faults {
  int failWrite = 0;       // the Nth write from arming (1-based) fails and writes nothing
  int64_t diskSpace = -1;  // bytes by which files may still grow; a write beyond stops short
  int failSync = 0;        // the Nth sync fails
  bool failRename = false;
  int shortRead = 0;  // the Nth read gives half of what it could
  int failRead = 0;   // the Nth read fails
};

class FaultyFileSystem : public FileSystem {
 public:
  void Arm(const Faults& f) {
    faults_ = f;
    writes_ = syncs_ = reads_ = 0;
    fired_ = false;
  }
  void Disarm() { Arm({}); }
  int Writes() const { return writes_; }
  int Reads() const { return reads_; }
  // Whether a fault actually happened since arming.
  bool Fired() const { return fired_; }

  int64_t Read(int fd, void* buf, size_t n) override {
    if (FailRead()) return -1;
    return Shorten(n) ? FileSystem::Read(fd, buf, n / 2) : FileSystem::Read(fd, buf, n);
  }
  int64_t ReadAt(int fd, void* buf, size_t n, int64_t pos) override {
    if (FailRead()) return -1;
    return Shorten(n) ? FileSystem::ReadAt(fd, buf, n / 2, pos)
                      : FileSystem::ReadAt(fd, buf, n, pos);
  }
  int64_t Write(int fd, const void* buf, size_t n) override {
    const off_t pos = ::lseek(fd, 0, SEEK_CUR);
    const int64_t allowed = Allowed(fd, pos, n);
    if (allowed < 0) return -1;
    return FileSystem::Write(fd, buf, static_cast<size_t>(allowed));
  }
  int64_t WriteAt(int fd, const void* buf, size_t n, int64_t pos) override {
    const int64_t allowed = Allowed(fd, pos, n);
    if (allowed < 0) return -1;
    return FileSystem::WriteAt(fd, buf, static_cast<size_t>(allowed), pos);
  }
  // Copying within the system reads one file and writes the other.
  int64_t CopyRange(int in, int out, size_t n) override {
    if (FailRead()) return -1;
    struct stat st {};
    ::fstat(in, &st);
    const int64_t left = std::max<int64_t>(0, st.st_size - ::lseek(in, 0, SEEK_CUR));
    n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(n), left));
    if (Shorten(n)) n /= 2;
    const int64_t allowed = Allowed(out, ::lseek(out, 0, SEEK_CUR), n);
    if (allowed < 0) return -1;
    return FileSystem::CopyRange(in, out, static_cast<size_t>(allowed));
  }
  bool Sync(int fd) override {
    if (faults_.failSync > 0 && ++syncs_ == faults_.failSync) return Fire(EIO), false;
    return FileSystem::Sync(fd);
  }
  bool Rename(const std::string& from, const std::string& to) override {
    if (faults_.failRename) return Fire(EIO), false;
    return FileSystem::Rename(from, to);
  }

 private:
  void Fire(int error) {
    fired_ = true;
    errno = error;
  }
  bool FailRead() {
    if (faults_.failRead <= 0 || ++reads_ != faults_.failRead) return false;
    Fire(EIO);
    return true;
  }
  bool Shorten(size_t n) {
    if (faults_.shortRead <= 0 || ++reads_ != faults_.shortRead || n < 2) return false;
    fired_ = true;
    return true;
  }
  // How many of n bytes at pos may be written: -1 for a failed call.
  int64_t Allowed(int fd, int64_t pos, size_t n) {
    ++writes_;
    if (writes_ == faults_.failWrite) return Fire(EIO), -1;
    if (faults_.diskSpace < 0 || n == 0) return static_cast<int64_t>(n);
    struct stat st {};
    ::fstat(fd, &st);
    const int64_t growth = std::max<int64_t>(0, pos + static_cast<int64_t>(n) - st.st_size);
    if (growth <= faults_.diskSpace) {
      faults_.diskSpace -= growth;
      return static_cast<int64_t>(n);
    }
    const int64_t fits = std::max<int64_t>(0, st.st_size + faults_.diskSpace - pos);
    faults_.diskSpace =
        std::max<int64_t>(0, faults_.diskSpace - std::max<int64_t>(0, pos + fits - st.st_size));
    if (fits == 0) return Fire(ENOSPC), -1;
    fired_ = true;
    return fits;
  }

  Faults faults_;
  int writes_ = 0;
  int syncs_ = 0;
  int reads_ = 0;
  bool fired_ = false;
};

}  // namespace zelk
