// BufferedFile over the file system interface; every failure is shown with the file name.
#include "storage/buffered_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

namespace zelk {

BufferedFile::~BufferedFile() {
  Close();
}

void BufferedFile::Fail(const char* templ) {
  const std::string message = ComposeMessage(templ, shownName_.empty() ? path_ : shownName_);
  if (sink_) sink_->Error(message);
  throw FileError(message);
}

void BufferedFile::OpenWith(const std::string& path, int flags, const char* failure, bool lock,
                            bool empty) {
  Close();
  path_ = path;
  shownName_.clear();
  position_ = 0;
  endReached_ = false;
  textLength_ = textStart_ = 0;
  offsetStale_ = false;
  fd_ = files_->Open(path, flags, 0666);
  if (fd_ < 0) Fail(failure);
  struct stat st {};
  bool ok = files_->Stat(fd_, &st) && !S_ISDIR(st.st_mode);
  // Only a lock another program holds refuses the file; a file system without locks does not.
  if (ok && lock && !files_->Lock(fd_) && (errno == EWOULDBLOCK || errno == EAGAIN)) ok = false;
  // A file that is empty already is not emptied again: on some file systems (ext4) emptying a
  // file makes its close hand everything written since to the disk at once.
  if (ok && empty) ok = files_->Stat(fd_, &st) && (st.st_size == 0 || files_->Truncate(fd_, 0));
  if (!ok) {
    files_->Close(fd_);
    fd_ = -1;
    Fail(failure);
  }
}

void BufferedFile::OpenExisting(const std::string& path, bool lock) {
  OpenWith(path, O_RDWR, "Cannot open", lock, false);
}
void BufferedFile::OpenForReading(const std::string& path) {
  OpenWith(path, O_RDONLY, "Cannot open", false, false);
}
void BufferedFile::Create(const std::string& path, bool lock) {
  if (lock)
    OpenWith(path, O_RDWR | O_CREAT, "Cannot create", true, true);
  else
    OpenWith(path, O_RDWR | O_CREAT | O_TRUNC, "Cannot create", false, false);
}

void BufferedFile::Seek(int64_t pos) {
  if (fd_ < 0 || pos < 0 || !files_->Seek(fd_, pos)) Fail("Cannot read from");
  position_ = pos;
  offsetStale_ = false;
  textLength_ = textStart_ = 0;
}

int64_t BufferedFile::Size() {
  struct stat st {};
  if (fd_ < 0 || !files_->Stat(fd_, &st)) Fail("Cannot read from");
  return st.st_size;
}

void BufferedFile::SyncOffset(const char* failure) {
  if (!offsetStale_) return;
  if (!files_->Seek(fd_, position_)) Fail(failure);
  offsetStale_ = false;
}

int64_t BufferedFile::ReadUpTo(void* buf, int64_t n) {
  if (fd_ < 0 || n < 0) Fail("Cannot read from");
  SyncOffset("Cannot read from");
  auto* out = static_cast<char*>(buf);
  int64_t done = 0;
  while (done < n) {
    const int64_t r = files_->Read(fd_, out + done, static_cast<size_t>(n - done));
    if (r < 0) Fail("Cannot read from");
    if (r == 0) break;
    done += r;
  }
  position_ += done;
  return done;
}

void BufferedFile::Read(void* buf, int64_t n) {
  if (ReadUpTo(buf, n) != n) Fail("Cannot read from");
}

int64_t BufferedFile::ReadUpToAt(int64_t pos, void* buf, int64_t n) {
  if (fd_ < 0 || pos < 0 || n < 0) return -1;
  auto* out = static_cast<char*>(buf);
  int64_t done = 0;
  while (done < n) {
    const int64_t r = files_->ReadAt(fd_, out + done, static_cast<size_t>(n - done), pos + done);
    if (r < 0) return -1;
    if (r == 0) break;
    done += r;
  }
  // The descriptor's own offset is set only when a sequential read or write needs it.
  offsetStale_ = true;
  position_ = pos + done;
  textLength_ = textStart_ = 0;
  return done;
}

void BufferedFile::ReadAt(int64_t pos, void* buf, int64_t n) {
  if (ReadUpToAt(pos, buf, n) != n) Fail("Cannot read from");
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
    const int64_t w = files_->Write(fd_, in + done, static_cast<size_t>(n - done));
    if (w <= 0) {
      position_ += done;
      Fail("Cannot write to");
    }
    done += w;
  }
  position_ += done;
}

void BufferedFile::WriteAt(int64_t pos, const void* buf, int64_t n) {
  if (fd_ < 0 || pos < 0 || n < 0) Fail("Cannot write to");
  const auto* in = static_cast<const char*>(buf);
  int64_t done = 0;
  offsetStale_ = true;
  textLength_ = textStart_ = 0;
  while (done < n) {
    const int64_t w = files_->WriteAt(fd_, in + done, static_cast<size_t>(n - done), pos + done);
    if (w <= 0) Fail("Cannot write to");
    done += w;
  }
  position_ = pos + n;
}

void BufferedFile::WriteLine(const std::string& line) {
  std::string s = line + "\r\n";
  Write(s.data(), static_cast<int64_t>(s.size()));
}

void BufferedFile::SyncToDisk() {
  if (fd_ < 0 || !files_->Sync(fd_)) Fail("Cannot write to");
}

void BufferedFile::Close() {
  if (fd_ >= 0) files_->Close(fd_);
  fd_ = -1;
  textLength_ = textStart_ = 0;
}

void BufferedFile::CloseAndDelete() {
  Close();
  if (!path_.empty()) files_->Remove(path_);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool LockedByOther(const std::string& path, FileSystem* files) {
  FileSystem& fs = files ? *files : SystemFiles();
  const int fd = fs.Open(path, O_RDONLY, 0);
  if (fd < 0) return false;
  const bool locked = !fs.Lock(fd) && (errno == EWOULDBLOCK || errno == EAGAIN);
  fs.Close(fd);
  return locked;
}

namespace {

// Copies the whole of `in` (open for reading) into `out`, both at their start; raises after
// showing a failure. The system copies without the bytes passing through this program where it
// can; where it cannot, or stops with an error, the rest goes through memory in large pieces,
// and a read or write that fails there names its own file.
void CopyContents(BufferedFile& in, BufferedFile& out) {
  constexpr int64_t kPiece = int64_t{1} << 30;
  FileSystem& files = out.Files();
  int64_t copied = 0, n = 0;
  while ((n = files.CopyRange(in.Descriptor(), out.Descriptor(), kPiece)) > 0) copied += n;
  if (n == 0 && copied > 0) return;
  in.Seek(copied);
  out.Seek(copied);
  std::vector<char> chunk(int64_t{1} << 20);
  for (;;) {
    n = in.ReadUpTo(chunk.data(), static_cast<int64_t>(chunk.size()));
    if (n == 0) break;
    out.Write(chunk.data(), n);
  }
}

}  // namespace

bool CopyFile(const std::string& from, const std::string& to, MessageSink* sink,
              FileSystem* files) {
  BufferedFile in(sink, files), out(sink, files);
  bool created = false;
  try {
    in.OpenForReading(from);
    out.Create(to, true);
    created = true;
    CopyContents(in, out);
    in.Close();
    out.Close();
    return true;
  } catch (const FileError&) {
    in.Close();
    out.Close();
    // Half a copy must never be taken for a working copy later.
    if (created) out.Files().Remove(to);
    return false;
  }
}

bool SaveCopy(const std::string& from, const std::string& to, MessageSink* sink,
              FileSystem* files) {
  namespace fs = std::filesystem;
  FileSystem& calls = files ? *files : SystemFiles();
  const auto fail = [&](const char* templ) {
    if (sink) sink->Error(ComposeMessage(templ, to));
    return false;
  };
  std::error_code ec;
  // A link is saved through: the file it names gets the new content and the link stays.
  fs::path target = fs::weakly_canonical(fs::absolute(to, ec), ec);
  if (ec) target = fs::absolute(to, ec);
  const fs::path folder = target.parent_path();
  if (!fs::is_directory(folder, ec)) return fail("Cannot create");
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  // A map without any write permission is protected on purpose, even from a user who may
  // write everything.
  if (exists &&
      (!S_ISREG(old.st_mode) || (old.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0))
    return fail("Cannot write to");
  if (!exists) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    old.st_mode = static_cast<mode_t>(0666 & ~mask);
    old.st_uid = ::geteuid();
    old.st_gid = ::getegid();
  }

  std::string temp = (folder / ".zelk-XXXXXX").string();
  BufferedFile in(nullptr, &calls), out(nullptr, &calls);
  const int fd = calls.CreateUnique(&temp);
  if (fd < 0) return fail("Cannot write to");
  calls.Close(fd);
  bool ok = false;
  try {
    in.OpenForReading(from);
    out.OpenExisting(temp);
    CopyContents(in, out);
    out.SyncToDisk();
    if (!calls.SetOwnerAndMode(out.Descriptor(), old)) throw FileError("mode");
    in.Close();
    out.Close();
    ok = calls.Rename(temp, target.string());
  } catch (const FileError&) {
    in.Close();
    out.Close();
  }
  if (!ok) {
    calls.Remove(temp);
    return fail("Cannot write to");
  }
  // The rename itself reaches the disk with its folder.
  const int dir = calls.Open(folder.string(), O_RDONLY | O_DIRECTORY, 0);
  if (dir >= 0) {
    calls.Sync(dir);
    calls.Close(dir);
  }
  return true;
}

}  // namespace zelk
