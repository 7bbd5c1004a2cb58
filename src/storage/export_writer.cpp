// The export file writer shared by optimizing, exporting by symbol and the partial map.
#include "storage/export_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace zelk {

namespace fs = std::filesystem;

ExportFileWriter::ExportFileWriter(MapStore& source) : source_(source) {}

ExportFileWriter::~ExportFileWriter() {
  if (out_ && out_->IsOpen()) Abandon();
}

bool ExportFileWriter::Start(const std::string& path) {
  path_ = path;
  out_ = std::make_unique<MapStore>(source_.Sink(), &source_.WorkingFile().Files());
  if (!out_->CreateEmptyMap(path)) {
    failed_ = true;
    return false;
  }
  MapStore& out = *out_;
  // Settings first, so that everything after them is appended in the order of the layout.
  out.MutableSetup() = source_.Setup();
  std::vector<SymbolRecord> symbols;
  symbols.reserve(static_cast<size_t>(source_.SymbolCount()));
  for (int i = 0; i < source_.SymbolCount(); ++i) symbols.push_back(source_.Symbol(i));
  const std::string info = source_.ReadInfoText();
  bool ok = out.WriteSettings();
  if (ok && !info.empty()) ok = out.WriteInfoText(info);
  if (ok) ok = out.ReplaceAllSymbols(source_.Colors(), symbols);
  if (!ok) {
    failed_ = true;
    Abandon();
    return false;
  }
  batch_ = std::make_unique<WriteBatch>(out);
  return true;
}

bool ExportFileWriter::Add(ObjectRecord& obj) {
  if (failed_ || !out_ || !out_->IsOpen()) return false;
  if (!out_->AddObject(obj)) {
    failed_ = true;
    return false;
  }
  ++written_;
  return true;
}

bool ExportFileWriter::Finish() {
  if (!out_) return false;
  if (batch_ && !batch_->Commit()) failed_ = true;
  batch_.reset();
  if (!failed_) {
    try {
      out_->WorkingFile().SyncToDisk();
    } catch (const FileError&) {
      failed_ = true;
    }
  }
  out_->CloseWorkingFile();
  return !failed_;
}

void ExportFileWriter::Abandon() {
  if (!out_) return;
  batch_.reset();
  out_->CloseWorkingFile();
  if (!path_.empty()) source_.WorkingFile().Files().Remove(path_);
}

int64_t ExportFileWriter::Size() const {
  return out_ ? out_->FileEnd() : 0;
}

std::string TempPathBeside(const std::string& target, FileSystem& files) {
  std::error_code ec;
  fs::path full = fs::weakly_canonical(fs::absolute(target, ec), ec);
  if (ec) full = fs::absolute(target, ec);
  std::string temp = (full.parent_path() / ".zelk-XXXXXX").string();
  const int fd = files.CreateUnique(&temp);
  if (fd < 0) return {};
  files.Close(fd);
  return temp;
}

bool ReplaceWithFinished(const std::string& temp, const std::string& target, FileSystem& files) {
  std::error_code ec;
  fs::path full = fs::weakly_canonical(fs::absolute(target, ec), ec);
  if (ec) full = fs::absolute(target, ec);
  struct stat old {};
  const bool exists = ::stat(full.c_str(), &old) == 0;
  if (!exists) {
    // A new file gets the mode any new file of the user gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    old.st_mode = static_cast<mode_t>(0666 & ~mask);
    old.st_uid = ::geteuid();
    old.st_gid = ::getegid();
  }
  const int fd = files.Open(temp, O_RDWR, 0);
  bool ok = fd >= 0 && files.SetOwnerAndMode(fd, old);
  if (fd >= 0) files.Close(fd);
  ok = ok && files.Rename(temp, full.string());
  if (!ok) {
    files.Remove(temp);
    return false;
  }
  const int dir = files.Open(full.parent_path().string(), O_RDONLY | O_DIRECTORY, 0);
  if (dir >= 0) {
    files.Sync(dir);
    files.Close(dir);
  }
  return true;
}

int32_t ExportObjects(MapStore& source, const std::string& path,
                      const std::function<bool(int32_t n, ObjectRecord& obj)>& keep,
                      Progress& progress, const char* progressText, int32_t step) {
  FileSystem& files = source.WorkingFile().Files();
  MessageSink* sink = source.Sink();
  const std::string temp = TempPathBeside(path, files);
  if (temp.empty()) {
    if (sink) sink->Error(ComposeMessage("Cannot create", path));
    return -1;
  }
  ExportFileWriter writer(source);
  if (!writer.Start(temp)) {
    files.Remove(temp);
    return -1;
  }
  const int32_t count = source.ObjectCount();
  progress.Start(progressText, count, step, true);
  ObjectRecord obj;
  bool stopped = false;
  for (int32_t n = 1; n <= count && !writer.Failed(); ++n) {
    IndexEntry e;
    if (!source.ReadEntry(n, &e) || !e.Live()) continue;
    if (!source.ReadObject(n, &obj)) continue;
    if (!keep(n, obj)) continue;
    if (!writer.Add(obj)) break;
    progress.Step(writer.Written(), n);
    if (progress.AbortRequested()) {
      stopped = true;
      break;
    }
  }
  progress.End();
  if (stopped) {
    writer.Abandon();
    return -1;
  }
  if (!writer.Finish() || !ReplaceWithFinished(temp, path, files)) {
    files.Remove(temp);
    if (sink) sink->Error(ComposeMessage("Cannot write to", path));
    return -1;
  }
  return writer.Written();
}

}  // namespace zelk
