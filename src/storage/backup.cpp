// Backup and restore across disks.
#include "storage/backup.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "storage/buffered_file.h"
#include "storage/export_writer.h"

namespace zelk {

namespace fs = std::filesystem;

namespace {

constexpr int kHelpWriteProtected = 128;
constexpr int kHelpCannotDelete = 129;
constexpr int kHelpCannotWrite = 130;
constexpr int kHelpCannotRead = 131;
constexpr int kHelpNoFile = 138;
constexpr int kHelpDiskNumber = 141;
constexpr int kHelpOnBackupDisk = 144;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The plain files of the disk, by name.
bool ListFiles(const std::string& root, std::vector<std::string>* names) {
  std::error_code ec;
  fs::directory_iterator it(root, ec);
  if (ec) return false;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) return false;
    std::error_code e2;
    if (it->is_directory(e2)) continue;
    names->push_back(it->path().filename().string());
  }
  return !ec;
}

// A file of the disk whose name equals `name` without regard to case; "" when none.
std::string FindOnDisk(const std::string& root, const std::string& name) {
  std::vector<std::string> names;
  if (!ListFiles(root, &names)) return {};
  const std::string want = Lower(name);
  for (const std::string& n : names)
    if (Lower(n) == want) return (fs::path(root) / n).string();
  return {};
}

bool IsWriteProtected(int error) {
  return error == EROFS || error == EACCES || error == EPERM;
}

// Whether `path` lies in the folder `root` (both as they really are).
bool LiesIn(const std::string& path, const std::string& root) {
  std::error_code ec;
  fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
  fs::path r = fs::weakly_canonical(fs::absolute(root, ec), ec);
  if (p.empty() || r.empty()) return false;
  auto pi = p.begin();
  for (auto ri = r.begin(); ri != r.end(); ++ri, ++pi) {
    if (ri->empty()) continue;  // a trailing separator
    if (pi == p.end() || *pi != *ri) return false;
  }
  return true;
}

bool WriteWhole(FileSystem& files, int fd, const void* data, size_t n) {
  const auto* p = static_cast<const uint8_t*>(data);
  while (n > 0) {
    const int64_t w = files.Write(fd, p, n);
    if (w <= 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

// Writes the information file; false with errno set.
bool WriteInfoFile(FileSystem& files, const std::string& path, const BackInfo& info) {
  const int fd = files.Open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const std::string text = FormatBackInfo(info);
  const bool ok = WriteWhole(files, fd, text.data(), text.size()) && files.Sync(fd);
  files.Close(fd);
  return ok;
}

std::string Now(const char* format) {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, format, &tm);
  return buf;
}

}  // namespace

std::string BackInfo::PieceName() const {
  // Written on any system: both separators end a folder name.
  const size_t slash = file.find_last_of("/\\:");
  return slash == std::string::npos ? file : file.substr(slash + 1);
}

std::string FormatBackInfo(const BackInfo& info) {
  std::string s = "[Backup Info]\r\n";
  s += "File=" + info.file + "\r\n";
  s += "Date=" + info.date + "\r\n";
  s += "Time=" + info.time + "\r\n";
  s += "Disk=" + std::to_string(info.disk) + "\r\n";
  s += "Last=" + std::to_string(info.last) + "\r\n";
  return s;
}

BackInfo ParseBackInfo(std::string_view text) {
  BackInfo info;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() < 5) continue;
    const std::string_view key = line.substr(0, 5), value = line.substr(5);
    const auto number = [](std::string_view v) {
      v = v.substr(0, 10);
      std::string s(v);
      char* e = nullptr;
      const long n = std::strtol(s.c_str(), &e, 10);
      return static_cast<int32_t>(std::clamp<long>(n, INT32_MIN, INT32_MAX));
    };
    if (key == "File=")
      info.file = std::string(value.substr(0, 4096));
    else if (key == "Date=")
      info.date = std::string(value.substr(0, 10));
    else if (key == "Time=")
      info.time = std::string(value.substr(0, 10));
    else if (key == "Disk=")
      info.disk = number(value);
    else if (key == "Last=")
      info.last = number(value);
  }
  return info;
}

std::vector<BackupDrive> ListBackupDrives() {
  std::vector<BackupDrive> out;
  std::ifstream mounts("/proc/mounts");
  std::string device, point, rest;
  // Removable media are mounted for the user under /media or /run/media from a device.
  while (mounts >> device >> point && std::getline(mounts, rest)) {
    if (device.rfind("/dev/", 0) == 0 &&
        (point.rfind("/media/", 0) == 0 || point.rfind("/run/media/", 0) == 0))
      out.push_back({point, point, -1});
  }
  if (const char* folder = std::getenv("ZELK_BACKUP_DRIVE"); folder && *folder) {
    BackupDrive d{folder, folder, -1};
    if (const char* cap = std::getenv("ZELK_BACKUP_CAPACITY"); cap && *cap) {
      char* e = nullptr;
      const long long c = std::strtoll(cap, &e, 10);
      if (*e == '\0' && c > 0) d.capacity = c;
    }
    out.push_back(d);
  }
  return out;
}

int64_t DriveFreeSpace(const BackupDrive& drive) {
  std::error_code ec;
  const fs::space_info s = fs::space(drive.root, ec);
  int64_t free = ec ? 0 : static_cast<int64_t>(s.available);
  if (drive.capacity >= 0) {
    int64_t used = 0;
    std::vector<std::string> names;
    ListFiles(drive.root, &names);
    for (const std::string& n : names) {
      const auto size = fs::file_size(fs::path(drive.root) / n, ec);
      if (!ec) used += static_cast<int64_t>(size);
    }
    free = std::min(free, drive.capacity - used);
  }
  return free;
}

namespace {

// Makes the disk in the drive ready for a piece: no other files, information file writable.
// False when the user cancelled.
bool PrepareDisk(BackupDrive& drive, const std::string& pieceName, const BackInfo& info,
                 BackupUi& ui, FileSystem& files) {
  for (;;) {
    std::vector<std::string> names;
    if (!ListFiles(drive.root, &names)) {
      if (!ui.DiskError(ComposeMessage("Cannot read disk in drive", drive.label), kHelpCannotRead))
        return false;
      continue;
    }
    // A disk already written in this very backup (the disk was not changed) keeps its piece.
    if (const std::optional<BackInfo> there = ReadDiskInfo(drive);
        there && !FindOnDisk(drive.root, kBackInfoName).empty() && there->SameSet(info) &&
        there->disk != info.disk) {
      if (!ui.DiskError(
              ComposeMessage("This disk holds disk;of this backup.\r\nInsert disk;and "
                             "click OK.",
                             std::to_string(there->disk) + ";" + std::to_string(info.disk)),
              kHelpCannotWrite))
        return false;
      continue;
    }
    std::vector<std::string> others;
    for (const std::string& n : names)
      if (Lower(n) != Lower(pieceName) && Lower(n) != Lower(kBackInfoName))
        others.push_back(Lower(n));
    if (!others.empty()) {
      switch (ui.DiskNotEmpty(others)) {
        case BackupUi::NotEmpty::Cancel:
          return false;
        case BackupUi::NotEmpty::Ok:
          continue;
        case BackupUi::NotEmpty::Overwrite: {
          bool deleted = true;
          for (const std::string& n : names) {
            const std::string path = (fs::path(drive.root) / n).string();
            if (files.Remove(path)) continue;
            deleted = false;
            const bool retry =
                IsWriteProtected(errno)
                    ? ui.DiskError(ComposeMessage("Disk in drive;is write-protected.", drive.label),
                                   kHelpWriteProtected)
                    : ui.DiskError(ComposeMessage("Cannot delete", path), kHelpCannotDelete);
            if (!retry) return false;
            break;
          }
          if (!deleted) continue;
          break;
        }
      }
    }
    const std::string infoPath = (fs::path(drive.root) / kBackInfoName).string();
    if (WriteInfoFile(files, infoPath, info)) return true;
    const bool retry =
        IsWriteProtected(errno)
            ? ui.DiskError(ComposeMessage("Disk in drive;is write-protected.", drive.label),
                           kHelpWriteProtected)
            : ui.DiskError(ComposeMessage("Cannot write", infoPath), kHelpCannotWrite);
    if (!retry) return false;
  }
}

}  // namespace

BackupOutcome Backup(const std::string& mapFile, const std::string& mapName, BackupDrive& drive,
                     BackupUi& ui, Progress& progress, FileSystem& files) {
  // A piece written over the map would destroy the only copy.
  if (LiesIn(mapFile, drive.root) || (!mapName.empty() && LiesIn(mapName, drive.root))) {
    ui.Error(ComposeMessage("Cannot back up on the disk that holds the map.", ""),
             kHelpOnBackupDisk);
    return BackupOutcome::Failed;
  }
  BackInfo info;
  info.file = mapName.empty() ? std::string(kUntitledPiece) : mapName;
  const std::string pieceName = mapName.empty() ? std::string(kUntitledPiece) : info.PieceName();
  // The set's start: the same on every disk, so that a restore knows the disks of one set.
  info.date = Now("%Y-%m-%d");
  info.time = Now("%H:%M:%S");
  BufferedFile in(nullptr, &files);
  int64_t total = 0;
  try {
    in.OpenForReading(mapFile);
    total = in.Size();
  } catch (const FileError&) {
    ui.Error(ComposeMessage("Cannot open", mapFile), 0);
    return BackupOutcome::Failed;
  }
  progress.Start(";bytes written", static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX)), 1,
                 true, "Writing backup...");
  std::vector<uint8_t> block(kBackupBlock);
  int64_t done = 0;
  bool end = false;
  bool cancelled = false;
  for (int disk = 1; !end; ++disk) {
    info.disk = disk;
    info.last = 0;
    if (ui.AbortRequested() || !PrepareDisk(drive, pieceName, info, ui, files)) {
      cancelled = true;
      break;
    }
    const std::string piecePath = (fs::path(drive.root) / pieceName).string();
    const int fd = files.Open(piecePath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (ui.DiskError(ComposeMessage("Cannot write", piecePath), kHelpCannotWrite)) {
        --disk;
        continue;
      }
      cancelled = true;
      break;
    }
    int64_t free = DriveFreeSpace(drive);
    int64_t onDisk = 0;
    bool writeFailed = false;
    while (free > kBackupReserve && !end) {
      if (ui.AbortRequested()) {
        cancelled = true;
        break;
      }
      const int64_t got = in.ReadUpTo(block.data(), kBackupBlock);
      if (got < kBackupBlock) end = true;
      if (got > 0 && !WriteWhole(files, fd, block.data(), static_cast<size_t>(got))) {
        writeFailed = true;
        break;
      }
      free -= got;
      onDisk += got;
      done += got;
      progress.Step(static_cast<int32_t>(std::min<int64_t>(done, INT32_MAX)),
                    static_cast<int32_t>(std::min<int64_t>(done, INT32_MAX)));
    }
    const bool synced = !writeFailed && files.Sync(fd);
    files.Close(fd);
    if (cancelled) break;
    if (!synced) {
      // The piece is incomplete: the whole backup must be made again.
      ui.Error(ComposeMessage("Cannot write", piecePath), kHelpCannotWrite);
      progress.End();
      return BackupOutcome::Failed;
    }
    if (onDisk == 0 && !end) {
      ui.Error(ComposeMessage("Disk in drive;is full.", drive.label), kHelpCannotWrite);
      progress.End();
      return BackupOutcome::Failed;
    }
    info.last = end ? 1 : 0;
    if (!WriteInfoFile(files, (fs::path(drive.root) / kBackInfoName).string(), info)) {
      ui.Error(ComposeMessage("Cannot write", (fs::path(drive.root) / kBackInfoName).string()),
               kHelpCannotWrite);
      progress.End();
      return BackupOutcome::Failed;
    }
    if (!end && !ui.NextDisk(disk + 1, drive)) {
      cancelled = true;
      break;
    }
  }
  progress.End();
  return cancelled ? BackupOutcome::Cancelled : BackupOutcome::Done;
}

std::optional<BackInfo> ReadDiskInfo(const BackupDrive& drive) {
  const std::string infoPath = FindOnDisk(drive.root, kBackInfoName);
  if (!infoPath.empty()) {
    std::ifstream in(infoPath, std::ios::binary);
    if (!in) return std::nullopt;
    // An information file is a few lines; anything beyond 64 KB is not one.
    std::string text(65536, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    return ParseBackInfo(text);
  }
  std::vector<std::string> names;
  if (!ListFiles(drive.root, &names) || names.empty()) return std::nullopt;
  std::sort(names.begin(), names.end());
  BackInfo info;
  info.file = names.front();
  return info;
}

BackupOutcome Restore(
    BackupDrive& drive, BackupUi& ui,
    const std::function<std::optional<std::string>(const std::string&)>& chooseTarget,
    Progress& progress, FileSystem& files, std::string* restored) {
  const std::optional<BackInfo> first = ReadDiskInfo(drive);
  if (!first || first->PieceName().empty()) {
    ui.Error("No file found.", kHelpNoFile);
    return BackupOutcome::Failed;
  }
  const std::optional<std::string> target = chooseTarget(first->PieceName());
  if (!target) return BackupOutcome::Cancelled;
  if (LiesIn(*target, drive.root)) {
    ui.Error("Cannot restore on the backup disk.", kHelpOnBackupDisk);
    return BackupOutcome::Failed;
  }
  const std::string temp = TempPathBeside(*target, files);
  if (temp.empty()) {
    ui.Error(ComposeMessage("Cannot create", *target), 0);
    return BackupOutcome::Failed;
  }
  const int out = files.Open(temp, O_WRONLY | O_TRUNC | O_CLOEXEC, 0);
  if (out < 0) {
    files.Remove(temp);
    ui.Error(ComposeMessage("Cannot create", *target), 0);
    return BackupOutcome::Failed;
  }
  const bool numbered = first->disk != 0;
  std::vector<uint8_t> block(kBackupBlock);
  BackupOutcome outcome = BackupOutcome::Done;
  for (int expected = 1;; ++expected) {
    // The disk must be the next of this very set.
    std::optional<BackInfo> info;
    for (;;) {
      info = ReadDiskInfo(drive);
      std::string problem;
      int help = kHelpCannotRead;
      if (!info) {
        problem = ComposeMessage("Cannot read disk in drive", drive.label);
      } else if (numbered && info->disk != expected) {
        problem = ComposeMessage("Disk number not correct.\r\nInsert disk;and click OK.",
                                 std::to_string(expected));
        help = kHelpDiskNumber;
      } else if (numbered && !info->SameSet(*first)) {
        problem =
            ComposeMessage("This disk belongs to another backup.\r\nInsert disk;and click OK.",
                           std::to_string(expected));
        help = kHelpDiskNumber;
      } else if (!numbered && Lower(info->PieceName()) != Lower(first->PieceName())) {
        problem = ComposeMessage("No file found.", "");
        help = kHelpNoFile;
      }
      if (problem.empty()) break;
      if (!ui.DiskError(problem, help)) {
        outcome = BackupOutcome::Cancelled;
        break;
      }
    }
    if (outcome != BackupOutcome::Done) break;
    const std::string piece = FindOnDisk(drive.root, first->PieceName());
    BufferedFile in(nullptr, &files);
    bool copied = !piece.empty();
    if (copied) {
      try {
        in.OpenForReading(piece);
        progress.Start(";Bytes restored",
                       static_cast<int32_t>(std::min<int64_t>(in.Size(), INT32_MAX)), 1, true,
                       "Restoring");
        int64_t done = 0;
        for (;;) {
          const int64_t got = in.ReadUpTo(block.data(), kBackupBlock);
          if (got > 0 && !WriteWhole(files, out, block.data(), static_cast<size_t>(got))) {
            copied = false;
            break;
          }
          done += got;
          progress.Step(static_cast<int32_t>(std::min<int64_t>(done, INT32_MAX)), 0);
          if (got < kBackupBlock) break;
          if (ui.AbortRequested()) {
            outcome = BackupOutcome::Cancelled;
            break;
          }
        }
        progress.End();
      } catch (const FileError&) {
        copied = false;
      }
      in.Close();
    }
    if (outcome != BackupOutcome::Done) break;
    if (!copied) {
      ui.Error(ComposeMessage("Cannot read from", piece.empty() ? first->PieceName() : piece), 0);
      outcome = BackupOutcome::Failed;
      break;
    }
    if (!numbered) {
      const BackupUi::NextOrDone a = ui.NextDiskOrDone(expected + 1, drive);
      if (a == BackupUi::NextOrDone::AllDone) break;
      if (a == BackupUi::NextOrDone::Cancel) {
        outcome = BackupOutcome::Cancelled;
        break;
      }
    } else if (info->last) {
      break;
    } else if (!ui.NextDisk(expected + 1, drive)) {
      outcome = BackupOutcome::Cancelled;
      break;
    }
  }
  const bool synced = outcome == BackupOutcome::Done && files.Sync(out);
  files.Close(out);
  if (outcome == BackupOutcome::Done && !synced) {
    ui.Error(ComposeMessage("Cannot write to", *target), 0);
    outcome = BackupOutcome::Failed;
  }
  if (outcome != BackupOutcome::Done) {
    files.Remove(temp);
    return outcome;
  }
  if (!ReplaceWithFinished(temp, *target, files)) {
    ui.Error(ComposeMessage("Cannot write to", *target), 0);
    return BackupOutcome::Failed;
  }
  if (restored) *restored = *target;
  return BackupOutcome::Done;
}

}  // namespace zelk
