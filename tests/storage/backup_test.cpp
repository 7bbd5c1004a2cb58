// Backup and restore across folder disks: the information file, byte-exact round trips, and
// every refusal of a restore.
#include "storage/backup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "test_support.h"

namespace zelk {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> RandomBytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::vector<uint8_t> b(n);
  for (uint8_t& c : b) c = static_cast<uint8_t>(gen());
  return b;
}

// Disks are folders disk1, disk2, ... of a set folder; answers come from fields.
struct Disks : BackupUi {
  std::string set;
  bool create = true;
  NotEmpty notEmpty = NotEmpty::Cancel;
  int abortAfter = -1;  // AbortRequested after this many polls
  int polls = 0;
  std::vector<std::string> errors;
  std::vector<int> asked;  // disk numbers asked for
  std::string Folder(int n) const {
    return (fs::path(set) / ("disk" + std::to_string(n))).string();
  }
  bool keepDisk = false;  // the user clicks OK without changing the disk
  bool NextDisk(int number, BackupDrive& drive) override {
    asked.push_back(number);
    if (keepDisk) return true;
    drive.root = Folder(number);
    if (create) fs::create_directories(drive.root);
    return true;
  }
  NextOrDone NextDiskOrDone(int number, BackupDrive& drive) override {
    asked.push_back(number);
    if (!fs::is_directory(Folder(number))) return NextOrDone::AllDone;
    drive.root = Folder(number);
    return NextOrDone::Ok;
  }
  NotEmpty DiskNotEmpty(const std::vector<std::string>& names) override {
    errors.push_back("not empty");
    const NotEmpty a = notEmpty;
    notEmpty = NotEmpty::Cancel;
    return a;
  }
  bool DiskError(const std::string& m, int) override {
    errors.push_back(m);
    return false;
  }
  void Error(const std::string& m, int) override { errors.push_back(m); }
  bool AbortRequested() override { return abortAfter >= 0 && ++polls > abortAfter; }
};

struct BackupFixture {
  TempDir dir;
  std::string map = dir.Path("maps/river.zkm");
  Disks disks;
  BackupDrive drive;
  NullProgress progress;
  explicit BackupFixture(int64_t capacity = 30000) {
    fs::create_directories(dir.Path("maps"));
    disks.set = dir.Path("set");
    drive = {"A:", disks.Folder(1), capacity};
    fs::create_directories(drive.root);
  }
  BackupOutcome DoBackup(const std::string& name) {
    return Backup(map, name, drive, disks, progress, SystemFiles());
  }
  BackupOutcome DoRestore(const std::string& target) {
    BackupDrive r{"A:", disks.Folder(1), -1};
    disks.create = false;
    return Restore(
        r, disks, [&](const std::string&) { return std::optional<std::string>(target); }, progress,
        SystemFiles());
  }
  int DiskCount() const {
    int n = 0;
    while (fs::is_directory(disks.Folder(n + 1))) ++n;
    return n;
  }
  BackInfo InfoOf(int n) {
    return ParseBackInfo([&] {
      const auto b = ReadFileBytes(disks.Folder(n) + "/BACKINFO.TXT");
      return std::string(b.begin(), b.end());
    }());
  }
};

TEST(BackInfo, WrittenExactly) {
  BackInfo i{"C:\\MAPS\\RIVER.ZKM", "09.12.2026", "18:00:01", 2, 1};
  EXPECT_EQ(FormatBackInfo(i),
            "[Backup Info]\r\nFile=C:\\MAPS\\RIVER.ZKM\r\nDate=09.12.2026\r\nTime=18:00:01\r\n"
            "Disk=2\r\nLast=1\r\n");
  EXPECT_EQ(i.PieceName(), "RIVER.ZKM");
  EXPECT_EQ(ParseBackInfo(FormatBackInfo(i)).file, i.file);
}

TEST(BackInfo, ReadLineByLine) {
  const std::string longPath = "/media/" + std::string(400, 'x') + "/map.zkm";
  struct Case {
    std::string text;
    std::string file, date, time;
    int disk, last;
  } cases[] = {
      {"[Backup Info]\r\nFile=" + longPath + "\r\nDate=2026-12-09\r\nDisk=3\r\nLast=1\r\n",
       longPath, "2026-12-09", "", 3, 1},
      {"Date=12345678901234\nTime=1\nDisk=12abc\nLast=-1\n", "", "1234567890", "1", 12, -1},
      {"File=\r\nDisk=99999999999999\r\n", "", "", "", 2147483647, 0},
      {"garbage\r\nFil\r\n\r\nfile=lower\r\n", "", "", "", 0, 0},
      {"Disk=4", "", "", "", 4, 0},
  };
  for (const Case& c : cases) {
    const BackInfo i = ParseBackInfo(c.text);
    EXPECT_EQ(i.file, c.file) << c.text;
    EXPECT_EQ(i.date, c.date);
    EXPECT_EQ(i.time, c.time);
    EXPECT_EQ(i.disk, c.disk) << c.text;
    EXPECT_EQ(i.last, c.last);
  }
}

// Sizes that need 1, 2 and 5 disks of 30000 bytes (each holds 3 blocks of 8000), one of them an
// exact multiple of the block.
TEST(Backup, RoundTripsByteForByte) {
  const struct {
    size_t size;
    int disks;
  } cases[] = {{5000, 1}, {24000, 2}, {30001, 2}, {100000, 5}, {0, 1}};
  for (const auto& c : cases) {
    BackupFixture f;
    const std::vector<uint8_t> bytes = RandomBytes(c.size, static_cast<unsigned>(c.size));
    WriteFileBytes(f.map, bytes);
    ASSERT_EQ(f.DoBackup(f.map), BackupOutcome::Done) << c.size;
    EXPECT_EQ(f.DiskCount(), c.disks) << c.size;
    for (int n = 1; n <= f.DiskCount(); ++n) {
      const BackInfo i = f.InfoOf(n);
      EXPECT_EQ(i.disk, n);
      EXPECT_EQ(i.last, n == f.DiskCount() ? 1 : 0);
      EXPECT_EQ(i.file, f.map);
      EXPECT_TRUE(i.SameSet(f.InfoOf(1)));
    }
    const std::string target = f.dir.Path("restored.zkm");
    ASSERT_EQ(f.DoRestore(target), BackupOutcome::Done) << c.size;
    EXPECT_EQ(ReadFileBytes(target), bytes) << c.size;
  }
}

TEST(Backup, UntitledMapRestoresUnderItsName) {
  BackupFixture f;
  WriteFileBytes(f.map, RandomBytes(9000, 1));
  ASSERT_EQ(f.DoBackup(""), BackupOutcome::Done);
  EXPECT_TRUE(fs::exists(f.disks.Folder(1) + "/UNTITLED.ZKM"));
  EXPECT_EQ(f.InfoOf(1).file, "UNTITLED.ZKM");
  std::string offered;
  BackupDrive r{"A:", f.disks.Folder(1), -1};
  f.disks.create = false;
  const std::string target = f.dir.Path("back.zkm");
  ASSERT_EQ(Restore(
                r, f.disks,
                [&](const std::string& name) {
                  offered = name;
                  return std::optional<std::string>(target);
                },
                f.progress, SystemFiles()),
            BackupOutcome::Done);
  EXPECT_EQ(offered, "UNTITLED.ZKM");
  EXPECT_EQ(ReadFileBytes(target), ReadFileBytes(f.map));
}

TEST(Backup, RefusesTheDriveThatHoldsTheMap) {
  BackupFixture f;
  f.drive.root = f.dir.Path("maps");
  WriteFileBytes(f.map, RandomBytes(100, 2));
  EXPECT_EQ(f.DoBackup(f.map), BackupOutcome::Failed);
  EXPECT_EQ(ReadFileBytes(f.map).size(), 100u);
  ASSERT_EQ(f.disks.errors.size(), 1u);
}

TEST(Backup, EscCancelsAndNoDiskSaysLast) {
  BackupFixture f;
  WriteFileBytes(f.map, RandomBytes(100000, 3));
  f.disks.abortAfter = 4;
  EXPECT_EQ(f.DoBackup(f.map), BackupOutcome::Cancelled);
  for (int n = 1; n <= f.DiskCount(); ++n) EXPECT_EQ(f.InfoOf(n).last, 0);
}

TEST(Backup, TheSameDiskIsNotWrittenTwice) {
  BackupFixture f;
  WriteFileBytes(f.map, RandomBytes(50000, 9));
  f.disks.keepDisk = true;
  EXPECT_EQ(f.DoBackup(f.map), BackupOutcome::Cancelled);
  ASSERT_FALSE(f.disks.errors.empty());
  EXPECT_EQ(f.disks.errors.back(),
            "This disk holds disk 1 of this backup.\r\nInsert disk 2 and click OK.");
  // Disk 1 keeps its piece.
  EXPECT_EQ(f.InfoOf(1).disk, 1);
  EXPECT_EQ(ReadFileBytes(f.disks.Folder(1) + "/river.zkm").size(), 24000u);
}

TEST(Backup, DiskNotEmpty) {
  for (const auto answer : {BackupUi::NotEmpty::Cancel, BackupUi::NotEmpty::Overwrite}) {
    BackupFixture f;
    WriteFileBytes(f.map, RandomBytes(1000, 4));
    WriteFileBytes(f.drive.root + "/OTHER.TXT", {1, 2, 3});
    // A piece of the same name and an information file from before do not count.
    WriteFileBytes(f.drive.root + "/river.zkm", {9});
    f.disks.notEmpty = answer;
    const BackupOutcome r = f.DoBackup(f.map);
    EXPECT_EQ(
        r, answer == BackupUi::NotEmpty::Cancel ? BackupOutcome::Cancelled : BackupOutcome::Done);
    EXPECT_EQ(fs::exists(f.drive.root + "/OTHER.TXT"), answer == BackupUi::NotEmpty::Cancel);
  }
}

TEST(Restore, EveryRefusalLeavesTheTargetAsItWas) {
  struct Case {
    const char* name;
    std::function<void(BackupFixture&)> spoil;
  };
  const std::vector<Case> cases = {
      {"disks in the wrong order",
       [](BackupFixture& f) {
         fs::rename(f.disks.Folder(2), f.dir.Path("t"));
         fs::rename(f.disks.Folder(3), f.disks.Folder(2));
         fs::rename(f.dir.Path("t"), f.disks.Folder(3));
       }},
      {"last disk missing", [](BackupFixture& f) { fs::remove_all(f.disks.Folder(3)); }},
      {"disk of another backup",
       [](BackupFixture& f) {
         BackInfo i = f.InfoOf(2);
         i.time = "00:00:00";
         const std::string t = FormatBackInfo(i);
         WriteFileBytes(f.disks.Folder(2) + "/BACKINFO.TXT",
                        std::vector<uint8_t>(t.begin(), t.end()));
       }},
      {"disk of another map",
       [](BackupFixture& f) {
         BackInfo i = f.InfoOf(2);
         i.file = "/elsewhere/river.zkm";
         const std::string t = FormatBackInfo(i);
         WriteFileBytes(f.disks.Folder(2) + "/BACKINFO.TXT",
                        std::vector<uint8_t>(t.begin(), t.end()));
       }},
      {"piece missing", [](BackupFixture& f) { fs::remove(f.disks.Folder(2) + "/river.zkm"); }},
      {"empty first disk",
       [](BackupFixture& f) {
         for (const auto& e : fs::directory_iterator(f.disks.Folder(1))) fs::remove(e.path());
       }},
  };
  for (const Case& c : cases) {
    BackupFixture f;
    WriteFileBytes(f.map, RandomBytes(60000, 5));
    ASSERT_EQ(f.DoBackup(f.map), BackupOutcome::Done);
    ASSERT_EQ(f.DiskCount(), 3);
    c.spoil(f);
    const std::string target = f.dir.Path("old.zkm");
    WriteFileBytes(target, {7, 7, 7});
    EXPECT_NE(f.DoRestore(target), BackupOutcome::Done) << c.name;
    EXPECT_EQ(ReadFileBytes(target), (std::vector<uint8_t>{7, 7, 7})) << c.name;
    EXPECT_FALSE(f.disks.errors.empty()) << c.name;
    // No temporary file is left beside the target.
    int files = 0;
    for (const auto& e : fs::directory_iterator(f.dir.Path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1) << c.name;
  }
}

TEST(Restore, RefusesATargetOnTheBackupDisk) {
  BackupFixture f;
  WriteFileBytes(f.map, RandomBytes(1000, 6));
  ASSERT_EQ(f.DoBackup(f.map), BackupOutcome::Done);
  EXPECT_EQ(f.DoRestore(f.disks.Folder(1) + "/copy.zkm"), BackupOutcome::Failed);
  EXPECT_FALSE(fs::exists(f.disks.Folder(1) + "/copy.zkm"));
  EXPECT_EQ(f.disks.errors.back(), "Cannot restore on the backup disk.");
}

TEST(Restore, SetWithoutInformationFilesEndsWithAllDone) {
  BackupFixture f;
  const std::vector<uint8_t> a = RandomBytes(8000, 7), b = RandomBytes(3000, 8);
  WriteFileBytes(f.disks.Folder(1) + "/MAP.ZKM", a);
  fs::create_directories(f.disks.Folder(2));
  WriteFileBytes(f.disks.Folder(2) + "/map.zkm", b);
  const std::string target = f.dir.Path("joined.zkm");
  ASSERT_EQ(f.DoRestore(target), BackupOutcome::Done);
  std::vector<uint8_t> joined = a;
  joined.insert(joined.end(), b.begin(), b.end());
  EXPECT_EQ(ReadFileBytes(target), joined);
  EXPECT_EQ(f.disks.asked, (std::vector<int>{2, 3}));
}

}  // namespace
}  // namespace zelk
