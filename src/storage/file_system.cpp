// The file system calls on POSIX.
#include "storage/file_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace zelk {

int FileSystem::Open(const std::string& path, int flags, int mode) {
  int fd;
  do fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  while (fd < 0 && errno == EINTR);
  return fd;
}

int FileSystem::CreateUnique(std::string* pathTemplate) {
  return ::mkostemp(pathTemplate->data(), O_CLOEXEC);
}

int64_t FileSystem::Read(int fd, void* buf, size_t n) {
  ssize_t r;
  do r = ::read(fd, buf, n);
  while (r < 0 && errno == EINTR);
  return r;
}

int64_t FileSystem::ReadAt(int fd, void* buf, size_t n, int64_t pos) {
  ssize_t r;
  do r = ::pread(fd, buf, n, pos);
  while (r < 0 && errno == EINTR);
  return r;
}

int64_t FileSystem::Write(int fd, const void* buf, size_t n) {
  ssize_t w;
  do w = ::write(fd, buf, n);
  while (w < 0 && errno == EINTR);
  return w;
}

int64_t FileSystem::WriteAt(int fd, const void* buf, size_t n, int64_t pos) {
  ssize_t w;
  do w = ::pwrite(fd, buf, n, pos);
  while (w < 0 && errno == EINTR);
  return w;
}

int64_t FileSystem::CopyRange(int in, int out, size_t n) {
  ssize_t c;
  do c = ::copy_file_range(in, nullptr, out, nullptr, n, 0);
  while (c < 0 && errno == EINTR);
  return c;
}

bool FileSystem::Seek(int fd, int64_t pos) {
  return ::lseek(fd, pos, SEEK_SET) >= 0;
}
bool FileSystem::Stat(int fd, struct stat* st) {
  return ::fstat(fd, st) == 0;
}
bool FileSystem::Truncate(int fd, int64_t size) {
  return ::ftruncate(fd, size) == 0;
}
bool FileSystem::Sync(int fd) {
  return ::fsync(fd) == 0;
}

bool FileSystem::Lock(int fd) {
  int r;
  do r = ::flock(fd, LOCK_EX | LOCK_NB);
  while (r < 0 && errno == EINTR);
  return r == 0;
}

bool FileSystem::SetOwnerAndMode(int fd, const struct stat& like) {
  // Another owner can only be kept by a privileged user; the group where the user belongs to it.
  if (::fchown(fd, like.st_uid, like.st_gid) != 0)
    (void)::fchown(fd, static_cast<uid_t>(-1), like.st_gid);
  return ::fchmod(fd, like.st_mode & 07777) == 0;
}

void FileSystem::Close(int fd) {
  ::close(fd);
}
bool FileSystem::Rename(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}
bool FileSystem::Remove(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

FileSystem& SystemFiles() {
  static FileSystem files;
  return files;
}

}  // namespace zelk
