// BufferedFile on POSIX file descriptors; every failure is shown with the file name.
#include "storage/buffered_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace zelk {

BufferedFile::~BufferedFile() {
  if (fd_ >= 0) ::close(fd_);
}

void BufferedFile::Fail(const char* templ) {
  const std::string message = ComposeMessage(templ, path_);
  if (sink_) sink_->Error(message);
  throw FileError(message);
}

void BufferedFile::OpenWith(const std::string& path, int flags, const char* failure) {
  Close();
  path_ = path;
  position_ = 0;
  endReached_ = false;
  textLength_ = textStart_ = 0;
  offsetStale_ = false;
  fd_ = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (fd_ < 0) Fail(failure);
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    Fail(failure);
  }
}

void BufferedFile::OpenExisting(const std::string& path) { OpenWith(path, O_RDWR, "Cannot open"); }
void BufferedFile::OpenForReading(const std::string& path) {
  OpenWith(path, O_RDONLY, "Cannot open");
}
void BufferedFile::Create(const std::string& path) {
  OpenWith(path, O_RDWR | O_CREAT | O_TRUNC, "Cannot create");
}

void BufferedFile::Seek(int64_t pos) {
  if (fd_ < 0 || pos < 0 || ::lseek(fd_, pos, SEEK_SET) < 0) Fail("Cannot read from");
  position_ = pos;
  offsetStale_ = false;
  textLength_ = textStart_ = 0;
}

int64_t BufferedFile::Size() {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) Fail("Cannot read from");
  return st.st_size;
}

void BufferedFile::SyncOffset(const char* failure) {
  if (!offsetStale_) return;
  if (::lseek(fd_, position_, SEEK_SET) < 0) Fail(failure);
  offsetStale_ = false;
}

int64_t BufferedFile::ReadUpTo(void* buf, int64_t n) {
  if (fd_ < 0 || n < 0) Fail("Cannot read from");
  SyncOffset("Cannot read from");
  auto* out = static_cast<char*>(buf);
  int64_t done = 0;
  while (done < n) {
    const ssize_t r = ::read(fd_, out + done, static_cast<size_t>(n - done));
    if (r < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot read from");
    }
    if (r == 0) break;
    done += r;
  }
  position_ += done;
  return done;
}

void BufferedFile::Read(void* buf, int64_t n) {
  if (ReadUpTo(buf, n) != n) Fail("Cannot read from");
}

void BufferedFile::ReadAt(int64_t pos, void* buf, int64_t n) {
  if (fd_ < 0 || pos < 0 || n < 0) Fail("Cannot read from");
  auto* out = static_cast<char*>(buf);
  int64_t done = 0;
  while (done < n) {
    const ssize_t r = ::pread(fd_, out + done, static_cast<size_t>(n - done), pos + done);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) Fail("Cannot read from");
    done += r;
  }
  // The descriptor's own offset is set only when a sequential read or write needs it.
  offsetStale_ = true;
  position_ = pos + n;
  textLength_ = textStart_ = 0;
}

std::string BufferedFile::ReadLine() {
  std::string line;
  for (;;) {
    if (textStart_ >= textLength_) {
      textStart_ = 0;
      textLength_ = static_cast<int>(ReadUpTo(textBuffer_, 255));
      if (textLength_ == 0) {
        endReached_ = true;
        break;
      }
    }
    const char c = static_cast<char>(textBuffer_[textStart_++]);
    if (c == '\n') break;
    line += c;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

void BufferedFile::Write(const void* buf, int64_t n) {
  if (fd_ < 0 || n < 0) Fail("Cannot write to");
  SyncOffset("Cannot write to");
  if (textLength_ > textStart_) {
    // Writing after a line read: put the file position where the reader stands.
    Seek(position_ - (textLength_ - textStart_));
  }
  textLength_ = textStart_ = 0;
  const auto* in = static_cast<const char*>(buf);
  int64_t done = 0;
  while (done < n) {
    const ssize_t w = ::write(fd_, in + done, static_cast<size_t>(n - done));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) Fail("Cannot write to");
    done += w;
  }
  position_ += done;
}

void BufferedFile::WriteLine(const std::string& line) {
  std::string s = line + "\r\n";
  Write(s.data(), static_cast<int64_t>(s.size()));
}

void BufferedFile::SyncToDisk() {
  if (fd_ < 0 || ::fsync(fd_) != 0) Fail("Cannot write to");
}

void BufferedFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  textLength_ = textStart_ = 0;
}

void BufferedFile::CloseAndDelete() {
  Close();
  if (!path_.empty()) ::unlink(path_.c_str());
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool CopyFile(const std::string& from, const std::string& to, MessageSink* sink, bool durable) {
  const std::string target = durable ? to + ".~sav" : to;
  // In durable mode failures of the temporary copy are reported under the target's name.
  BufferedFile in(sink), out(durable ? nullptr : sink);
  try {
    in.OpenForReading(from);
    out.Create(target);
    std::vector<char> chunk(16384);
    for (;;) {
      const int64_t n = in.ReadUpTo(chunk.data(), static_cast<int64_t>(chunk.size()));
      if (n == 0) break;
      out.Write(chunk.data(), n);
    }
    if (durable) out.SyncToDisk();
    in.Close();
    out.Close();
    if (durable && std::rename(target.c_str(), to.c_str()) != 0) {
      const std::string message = ComposeMessage("Cannot write to", to);
      if (sink) sink->Error(message);
      ::unlink(target.c_str());
      return false;
    }
    return true;
  } catch (const FileError&) {
    if (durable && out.Path() == target && sink) sink->Error(ComposeMessage("Cannot write to", to));
    in.Close();
    if (out.IsOpen() || durable) {
      out.Close();
      if (durable) ::unlink(target.c_str());
    }
    return false;
  }
}

}  // namespace zelk
