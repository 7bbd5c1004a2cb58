// Backup of a map file across several removable disks and its restore. A "drive" is a folder
// (the mount point of removable media); the disk in it changes between the pieces.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/file_system.h"
#include "storage/messages.h"

namespace zelk {

constexpr const char* kBackInfoName = "BACKINFO.TXT";
constexpr const char* kUntitledPiece = "UNTITLED.ZKM";
constexpr int kBackupBlock = 8000;
constexpr int64_t kBackupReserve = 10000;

// What the information file of a disk says.
struct BackInfo {
  std::string file;  // full path of the map that was backed up
  std::string date;  // the set's start date and time, the same on every disk of a set
  std::string time;
  int32_t disk = 0;
  int32_t last = 0;

  // The name of the piece on the disk: the file name part of `file`.
  std::string PieceName() const;
  bool SameSet(const BackInfo& o) const {
    return file == o.file && date == o.date && time == o.time;
  }
};

// The text of the file, CR LF lines in the order the reader expects.
std::string FormatBackInfo(const BackInfo& info);
// Reads the lines: "File=" takes the rest of its line, "Date=" and "Time=" at most 10
// characters, "Disk=" and "Last=" a number; other lines are ignored.
BackInfo ParseBackInfo(std::string_view text);

// A drive: the folder the disks appear in, and for tests a capacity that makes a disk full.
struct BackupDrive {
  std::string label;  // shown in messages ("A:", or the folder)
  std::string root;
  int64_t capacity = -1;  // bytes a disk holds; -1: the file system's free space
};

// The drives the dialogs offer: the mount points of removable media, and the folder named by
// ZELK_BACKUP_DRIVE (its capacity from ZELK_BACKUP_CAPACITY, in bytes).
std::vector<BackupDrive> ListBackupDrives();

// The free space of the disk in the drive: the file system's, or the capacity less the files on it.
int64_t DriveFreeSpace(const BackupDrive& drive);

// The questions of a backup and restore, asked between disks.
class BackupUi {
 public:
  virtual ~BackupUi() = default;
  enum class NotEmpty { Ok, Cancel, Overwrite };
  enum class NextOrDone { Ok, AllDone, Cancel };
  // "Insert disk N and click OK." OK (true): the next disk is in the drive (the drive may be
  // given another folder).
  virtual bool NextDisk(int number, BackupDrive& drive) = 0;
  // A disk of a set without information files: OK, All Done or Cancel.
  virtual NextOrDone NextDiskOrDone(int number, BackupDrive& drive) = 0;
  // The disk holds other files (lower-case names).
  virtual NotEmpty DiskNotEmpty(const std::vector<std::string>& names) = 0;
  // A disk error with OK (retry, true) and Cancel.
  virtual bool DiskError(const std::string& message, int helpContext) = 0;
  // An error that ends the command.
  virtual void Error(const std::string& message, int helpContext) = 0;
  virtual bool AbortRequested() { return false; }
};

enum class BackupOutcome { Done, Cancelled, Failed };

// Writes `mapFile` across the disks of `drive`; `mapName` is the document's name (empty for an
// untitled map). A drive that holds the map itself is refused.
BackupOutcome Backup(const std::string& mapFile, const std::string& mapName, BackupDrive& drive,
                     BackupUi& ui, Progress& progress, FileSystem& files);

// Reads the information of the disk in the drive: the information file, or else the first plain
// file found as the piece. Nothing when the disk holds neither.
std::optional<BackInfo> ReadDiskInfo(const BackupDrive& drive);

// Restores a set into a file chosen by `chooseTarget` (given the piece name of the first disk):
// the pieces are joined in a temporary file beside the target, which replaces the target only
// when the set is complete. Every disk must carry the next number and belong to the first
// disk's set. `restored` receives the target.
BackupOutcome Restore(
    BackupDrive& drive, BackupUi& ui,
    const std::function<std::optional<std::string>(const std::string&)>& chooseTarget,
    Progress& progress, FileSystem& files, std::string* restored = nullptr);

}  // namespace zelk
