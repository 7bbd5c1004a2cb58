// zelk-cli's map-wide commands run in-process on copies of the demo map.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/cli.h"
#include "storage/map_store.h"
#include "test_support.h"

namespace zelk {
namespace {

namespace fs = std::filesystem;

struct CliResult {
  int code = 0;
  std::string out, err;
};

CliResult Cli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  CliResult r;
  r.code = RunCli(args, out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

std::string DemoCopy(const TempDir& dir, const std::string& name = "demo.zkm") {
  const std::string p = dir.Path(name);
  fs::copy_file(std::string(ZELK_SHIPPED_DATA_DIR) + "/demo.zkm", p);
  return p;
}

// Every live object's first point, in order.
std::vector<Coord> FirstPoints(const std::string& path) {
  RecordingSink sink;
  MapStore s(&sink);
  s.WorkingFile().OpenForReading(path);
  EXPECT_TRUE(s.LoadFromWorkingFile());
  std::vector<Coord> out;
  ObjectRecord o;
  for (int32_t n = 1; n <= s.ObjectCount(); ++n) {
    IndexEntry e;
    if (s.ReadEntry(n, &e) && e.Live() && s.ReadObject(n, &o)) out.push_back(o.coords[0]);
  }
  return out;
}

TEST(MapCli, MoveWritesTheMapBack) {
  TempDir dir;
  const std::string map = DemoCopy(dir);
  const auto before = FirstPoints(map);
  const CliResult r = Cli({"move", map, "10", "-2.5"});
  ASSERT_EQ(r.code, 0) << r.err;
  const auto after = FirstPoints(map);
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(after[i].PosX(), before[i].PosX() + 1000);
    EXPECT_EQ(after[i].PosY(), before[i].PosY() - 250);
  }
}

TEST(MapCli, RefusalsExitNonZeroWithTheMessage) {
  TempDir dir;
  const std::string map = DemoCopy(dir);
  const auto bytes = ReadFileBytes(map);
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"change-scale", map, "0"}, "The scale must be greater than 0."},
      {{"change-symbols", map, "101", "999.9"}, "Symbol does not exist."},
      {{"delete-by-symbol", map, "1000.5"}, "Symbol no. must be between 0.1 and 999.9"},
      {{"export-by-symbol", map, "101", "-o", map}, "is the map itself"},
      {{"convert", map, "-o", dir.Path("x.zkm")}, "nothing to convert"},
      {{"restore", dir.Path("none"), "-o", dir.Path("r.zkm")}, "Restore aborted."},
  };
  for (const Case& c : cases) {
    const CliResult r = Cli(c.args);
    EXPECT_NE(r.code, 0) << c.args[0];
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args[0] << ": " << r.err;
    EXPECT_EQ(ReadFileBytes(map), bytes) << c.args[0];
  }
  EXPECT_FALSE(fs::exists(dir.Path("r.zkm")));
}

TEST(MapCli, BackupAndRestoreAcrossOneTwoAndFiveDisks) {
  TempDir dir;
  const std::string map = DemoCopy(dir);
  const auto bytes = ReadFileBytes(map);
  // The demo map is 86320 bytes. A disk takes 8000-byte blocks while more than 10000 bytes
  // stay free beside its information file: 56000, 32000, 24000 and 16000 bytes of the map.
  for (const auto& [size, disks] :
       {std::pair{"120000", 1}, {"60000", 2}, {"35000", 3}, {"30000", 4}, {"20000", 6}}) {
    const std::string set = dir.Path(std::string("set") + size);
    CliResult r = Cli({"backup", map, "--disk-size", size, "-o", set});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Backup successfully completed.\n");
    int n = 0;
    while (fs::is_directory(set + "/disk" + std::to_string(n + 1))) ++n;
    EXPECT_EQ(n, disks) << size;
    const std::string back = dir.Path(std::string("back") + size + ".zkm");
    r = Cli({"restore", set, "-o", back});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFileBytes(back), bytes) << size;
  }
}

TEST(MapCli, BackupAcrossFiveDisks) {
  TempDir dir;
  const std::string map = dir.Path("big.zkm");
  // 5 disks of 30000 bytes (24000 of the map each) for 100000 bytes.
  std::vector<uint8_t> bytes(100000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 13);
  WriteFileBytes(map, bytes);
  const std::string set = dir.Path("set");
  ASSERT_EQ(Cli({"backup", map, "--disk-size", "30000", "-o", set}).code, 0);
  EXPECT_TRUE(fs::is_directory(set + "/disk5"));
  EXPECT_FALSE(fs::is_directory(set + "/disk6"));
  // A missing middle disk ends the restore without a target.
  fs::rename(set + "/disk3", dir.Path("away"));
  EXPECT_NE(Cli({"restore", set, "-o", dir.Path("r.zkm")}).code, 0);
  EXPECT_FALSE(fs::exists(dir.Path("r.zkm")));
  fs::rename(dir.Path("away"), set + "/disk3");
  ASSERT_EQ(Cli({"restore", set, "-o", dir.Path("r.zkm")}).code, 0);
  EXPECT_EQ(ReadFileBytes(dir.Path("r.zkm")), bytes);
}

TEST(MapCli, OptimizeAndExports) {
  TempDir dir;
  const std::string map = DemoCopy(dir);
  CliResult r = Cli({"delete-by-symbol", map, "101"});
  ASSERT_EQ(r.code, 0) << r.err;
  const size_t live = FirstPoints(map).size();
  r = Cli({"optimize", map});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Damaged objects deleted: 0"), std::string::npos);
  EXPECT_EQ(FirstPoints(map).size(), live);
  r = Cli({"partial", map, "0,0,100,100", "-o", dir.Path("part.zkm")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_GT(FirstPoints(dir.Path("part.zkm")).size(), 0u);
  EXPECT_LT(FirstPoints(dir.Path("part.zkm")).size(), live);
}

}  // namespace
}  // namespace zelk
