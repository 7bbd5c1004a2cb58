// Preferences: defaults, types and ranges on reading, writing, and the recent files list.
#include "storage/preferences.h"

#include <gtest/gtest.h>

#include "storage/registry_store.h"
#include "test_support.h"

namespace zelk {
namespace {

const std::string kStartup = Preferences::kStartupKey;
const std::string kPrefs = Preferences::kPreferencesKey;
const std::string kGps = Preferences::kGpsKey;

Preferences ReadFrom(const RegistryStore& store) {
  Preferences p;
  p.Read(store);
  return p;
}

TEST(PreferencesRead, WithNoKeysOnlyAutoLoadAutoJoinAndScreenGridAreOn) {
  const Preferences p = ReadFrom(RegistryStore("unused"));
  EXPECT_TRUE(p.autoLoad);
  EXPECT_TRUE(p.autoJoin);
  EXPECT_TRUE(p.screenGrid);
  EXPECT_TRUE(p.antialiased);
  EXPECT_FALSE(p.autoSave);
  EXPECT_FALSE(p.lineUpdate);
  EXPECT_FALSE(p.areaUpdate);
  EXPECT_FALSE(p.hatchAreas);
  EXPECT_FALSE(p.dimTemplate);
  EXPECT_FALSE(p.realWorldCord);
  EXPECT_FALSE(p.freehandToCurve);
  EXPECT_FALSE(p.gpsEnabled);
  EXPECT_FALSE(p.gpsFilter);
  EXPECT_FALSE(p.gpsMin4Sat);
  EXPECT_FALSE(p.gpsDgpsRequired);
  EXPECT_EQ(p.smoothing, 1);
  EXPECT_EQ(p.selectMode, 0);
  EXPECT_EQ(p.curveMode, 0);
  EXPECT_EQ(p.backupDrive, 0);
  EXPECT_EQ(p.file, "");
  EXPECT_EQ(p.gpsPort, "COM1");
  for (const std::string& f : p.recentFiles) EXPECT_EQ(f, "");
  EXPECT_TRUE(p.RecentMenuItems().empty());
}

TEST(PreferencesRead, ReadsEveryValueOfTheThreeKeys) {
  RegistryStore store("unused");
  store.SetString(kStartup, "File", "/maps/last.zkm");
  for (int i = 1; i <= 5; ++i)
    store.SetString(kStartup, "File" + std::to_string(i), "r" + std::to_string(i));
  store.SetDword(kStartup, "BackupDrive", 1);
  store.SetDword(kStartup, "AutoLoad", 0);
  store.SetDword(kStartup, "AutoSave", 1);
  store.SetDword(kPrefs, "AutoJoin", 0);
  store.SetDword(kPrefs, "Smoothing", 2);
  store.SetDword(kPrefs, "LineUpdate", 1);
  store.SetDword(kPrefs, "AreaUpdate", 1);
  store.SetDword(kPrefs, "HatchAreas", 1);
  store.SetDword(kPrefs, "DimTemplate", 1);
  store.SetDword(kPrefs, "ScreenGrid", 0);
  store.SetDword(kPrefs, "SelectMode", 1);
  store.SetDword(kPrefs, "CurveMode", 1);
  store.SetDword(kPrefs, "RealWorldCord", 1);
  store.SetDword(kPrefs, "FreehandToCurve", 7);  // any non-zero number is yes
  store.SetDword(kPrefs, "Antialiased", 0);
  store.SetDword(kGps, "Enabled", 1);
  store.SetString(kGps, "Port", "/dev/ttyUSB0");
  store.SetDword(kGps, "Filter", 1);
  store.SetDword(kGps, "Min4Sat", 1);
  store.SetDword(kGps, "DgpsRequired", 1);

  const Preferences p = ReadFrom(store);
  EXPECT_EQ(p.file, "/maps/last.zkm");
  EXPECT_EQ(p.recentFiles, (std::array<std::string, 5>{"r1", "r2", "r3", "r4", "r5"}));
  EXPECT_EQ(p.backupDrive, 1);
  EXPECT_FALSE(p.autoLoad);
  EXPECT_TRUE(p.autoSave);
  EXPECT_FALSE(p.autoJoin);
  EXPECT_EQ(p.smoothing, 2);
  EXPECT_TRUE(p.lineUpdate);
  EXPECT_TRUE(p.areaUpdate);
  EXPECT_TRUE(p.hatchAreas);
  EXPECT_TRUE(p.dimTemplate);
  EXPECT_FALSE(p.screenGrid);
  EXPECT_EQ(p.selectMode, 1);
  EXPECT_EQ(p.curveMode, 1);
  EXPECT_TRUE(p.realWorldCord);
  EXPECT_TRUE(p.freehandToCurve);
  EXPECT_FALSE(p.antialiased);
  EXPECT_TRUE(p.gpsEnabled);
  EXPECT_EQ(p.gpsPort, "/dev/ttyUSB0");
  EXPECT_TRUE(p.gpsFilter);
  EXPECT_TRUE(p.gpsMin4Sat);
  EXPECT_TRUE(p.gpsDgpsRequired);
}

TEST(PreferencesRead, NumbersOutsideTheirRangeFallBack) {
  RegistryStore store("unused");
  store.SetDword(kPrefs, "Smoothing", 5);
  store.SetDword(kPrefs, "SelectMode", 2);
  store.SetDword(kPrefs, "CurveMode", 0xFFFFFFFFu);
  store.SetDword(kStartup, "BackupDrive", 2);
  Preferences p = ReadFrom(store);
  EXPECT_EQ(p.smoothing, 1);
  EXPECT_EQ(p.selectMode, 0);
  EXPECT_EQ(p.curveMode, 0);
  EXPECT_EQ(p.backupDrive, 0);

  store.SetDword(kPrefs, "Smoothing", 0);
  EXPECT_EQ(ReadFrom(store).smoothing, 0);
  store.SetDword(kPrefs, "Smoothing", 3);
  EXPECT_EQ(ReadFrom(store).smoothing, 1);
}

TEST(PreferencesRead, ARememberedMapNameOf80CharactersOrMoreIsIgnored) {
  RegistryStore store("unused");
  store.SetString(kStartup, "File", std::string(80, 'a'));
  EXPECT_EQ(ReadFrom(store).file, "");
  store.SetString(kStartup, "File", std::string(79, 'a'));
  EXPECT_EQ(ReadFrom(store).file, std::string(79, 'a'));
  // Recent files have no such limit.
  store.SetString(kStartup, "File1", std::string(200, 'b'));
  EXPECT_EQ(ReadFrom(store).recentFiles[0], std::string(200, 'b'));
}

TEST(PreferencesRead, AValueOfTheWrongTypeKeepsTheDefault) {
  RegistryStore store("unused");
  store.SetDword(kGps, "Port", 2);
  store.SetString(kStartup, "AutoLoad", "0");
  store.SetString(kPrefs, "Smoothing", "2");
  store.SetDword(kStartup, "File", 1);
  const Preferences p = ReadFrom(store);
  EXPECT_EQ(p.gpsPort, "COM1");
  EXPECT_TRUE(p.autoLoad);
  EXPECT_EQ(p.smoothing, 1);
  EXPECT_EQ(p.file, "");
}

TEST(PreferencesRead, ReadingStartsAgainFromTheDefaults) {
  Preferences p;
  p.autoSave = true;
  p.gpsPort = "COM4";
  p.recentFiles[2] = "/x.zkm";
  p.Read(RegistryStore("unused"));
  EXPECT_EQ(p, Preferences());
}

TEST(PreferencesRead, ADamagedRegistryFileStillGivesTheGoodValues) {
  TempDir dir;
  const std::string path = dir.Path("registry.reg");
  const std::string text =
      "Windows Registry Editor Version 5.00\n"
      "[HKEY_CURRENT_USER\\Software\\Zelk\\Zelk\\Preferences]\n"
      "\"Smoothing\"=dword:0000000g\n"
      "\"HatchAreas\"=dword:00000001\n"
      "\"ScreenGrid\"=\"0\n"
      "[HKEY_CURRENT_USER\\Software\\Zelk\\Zelk\\Gps\n"
      "\"Port\"=\"COM9\"\n";
  WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
  RegistryStore store(path);
  ASSERT_TRUE(store.Load());
  const Preferences p = ReadFrom(store);
  EXPECT_EQ(p.smoothing, 1);
  EXPECT_TRUE(p.hatchAreas);
  EXPECT_TRUE(p.screenGrid);
  EXPECT_EQ(p.gpsPort, "COM1");
}

TEST(PreferencesWrite, WritesEveryValueWithItsType) {
  Preferences p;
  p.file = "/maps/a.zkm";
  p.recentFiles = {"/r1.zkm", "", "/r3.zkm", "", ""};
  p.autoLoad = false;
  p.smoothing = 2;
  p.gpsMin4Sat = true;
  RegistryStore store("unused");
  p.Write(store);

  EXPECT_EQ(store.Get(kStartup, "File")->text, "/maps/a.zkm");
  EXPECT_EQ(store.Get(kStartup, "File2")->type, RegType::String);
  EXPECT_EQ(store.Get(kStartup, "File3")->text, "/r3.zkm");
  EXPECT_EQ(store.Get(kGps, "Port")->type, RegType::String);
  EXPECT_EQ(store.Get(kGps, "Port")->text, "COM1");
  for (const char* name : {"BackupDrive", "AutoLoad", "AutoSave"}) {
    ASSERT_TRUE(store.Get(kStartup, name)) << name;
    EXPECT_EQ(store.Get(kStartup, name)->type, RegType::Dword) << name;
  }
  for (const char* name : {"AutoJoin", "Smoothing", "LineUpdate", "AreaUpdate", "HatchAreas",
                           "DimTemplate", "ScreenGrid", "SelectMode", "CurveMode", "RealWorldCord",
                           "FreehandToCurve", "Antialiased"}) {
    ASSERT_TRUE(store.Get(kPrefs, name)) << name;
    EXPECT_EQ(store.Get(kPrefs, name)->type, RegType::Dword) << name;
  }
  EXPECT_EQ(store.Get(kStartup, "AutoLoad")->dword, 0u);
  EXPECT_EQ(store.Get(kPrefs, "AutoJoin")->dword, 1u);
  EXPECT_EQ(store.Get(kPrefs, "ScreenGrid")->dword, 1u);
  EXPECT_EQ(store.Get(kPrefs, "Antialiased")->dword, 1u);
  EXPECT_EQ(store.Get(kPrefs, "Smoothing")->dword, 2u);
  EXPECT_EQ(store.Get(kGps, "Enabled")->dword, 0u);
  EXPECT_EQ(store.Get(kGps, "Min4Sat")->dword, 1u);

  const std::string text = store.Serialize();
  const size_t filter = text.find("\"Filter\"=dword:00000000");
  const size_t min4 = text.find("\"Min4Sat\"=dword:00000001");
  const size_t dgps = text.find("\"DgpsRequired\"=dword:00000000");
  ASSERT_NE(filter, std::string::npos);
  EXPECT_LT(filter, min4);
  EXPECT_LT(min4, dgps);
  EXPECT_NE(dgps, std::string::npos);
}

TEST(PreferencesWrite, SurviveASaveAndKeepTheOtherValues) {
  TempDir dir;
  const std::string path = dir.Path("cfg/registry.reg");
  RegistryStore store(path);
  store.SetString("Software\\Other", "Keep", "me");
  store.SetDword(kPrefs, "Unknown", 9);

  Preferences p;
  p.file = "/maps/with \"quotes\" and \\slashes.zkm";
  p.recentFiles = {"/a.zkm", "/b & c.zkm", "", "", "/e.zkm"};
  p.backupDrive = 1;
  p.autoSave = true;
  p.autoJoin = false;
  p.smoothing = 0;
  p.lineUpdate = p.areaUpdate = p.hatchAreas = p.dimTemplate = true;
  p.screenGrid = false;
  p.selectMode = 1;
  p.curveMode = 1;
  p.realWorldCord = p.freehandToCurve = true;
  p.antialiased = false;
  p.gpsEnabled = p.gpsFilter = p.gpsDgpsRequired = true;
  p.gpsPort = "COM3";
  p.Write(store);
  ASSERT_TRUE(store.Save());

  RegistryStore loaded(path);
  ASSERT_TRUE(loaded.Load());
  EXPECT_EQ(ReadFrom(loaded), p);
  EXPECT_EQ(loaded.Get("Software\\Other", "Keep")->text, "me");
  EXPECT_EQ(loaded.Get(kPrefs, "Unknown")->dword, 9u);
}

Preferences WithRecent(std::array<std::string, 5> files) {
  Preferences p;
  p.recentFiles = std::move(files);
  return p;
}

TEST(RecentFiles, OpeningEntryThreeRemovesItAndClosingPutsItBackOnTop) {
  Preferences p = WithRecent({"/1.zkm", "/2.zkm", "/3.zkm", "/4.zkm", "/5.zkm"});
  p.RemoveRecent("/3.zkm");
  EXPECT_EQ(p.recentFiles,
            (std::array<std::string, 5>{"/1.zkm", "/2.zkm", "/4.zkm", "/5.zkm", ""}));
  p.PutRecentOnTop("/3.zkm");
  EXPECT_EQ(p.recentFiles,
            (std::array<std::string, 5>{"/3.zkm", "/1.zkm", "/2.zkm", "/4.zkm", "/5.zkm"}));
}

TEST(RecentFiles, ANewNameOnTopPushesTheFifthOff) {
  Preferences p = WithRecent({"/1.zkm", "/2.zkm", "/3.zkm", "/4.zkm", "/5.zkm"});
  p.PutRecentOnTop("/new.zkm");
  EXPECT_EQ(p.recentFiles,
            (std::array<std::string, 5>{"/new.zkm", "/1.zkm", "/2.zkm", "/3.zkm", "/4.zkm"}));
  // A name already in the list moves up instead of appearing twice.
  p.PutRecentOnTop("/3.zkm");
  EXPECT_EQ(p.recentFiles,
            (std::array<std::string, 5>{"/3.zkm", "/new.zkm", "/1.zkm", "/2.zkm", "/4.zkm"}));
}

TEST(RecentFiles, RemovingTakesOutEveryEqualEntry) {
  // A hand-edited list may hold a name twice.
  Preferences p = WithRecent({"/a.zkm", "/b.zkm", "/a.zkm", "/a.zkm", "/c.zkm"});
  p.RemoveRecent("/a.zkm");
  EXPECT_EQ(p.recentFiles, (std::array<std::string, 5>{"/b.zkm", "/c.zkm", "", "", ""}));
  p.RemoveRecent("/missing.zkm");
  EXPECT_EQ(p.recentFiles, (std::array<std::string, 5>{"/b.zkm", "/c.zkm", "", "", ""}));
  // Names differing only in case are different files here.
  p.RemoveRecent("/B.zkm");
  EXPECT_EQ(p.recentFiles[0], "/b.zkm");
}

TEST(RecentFiles, AnUntitledMapLeavesTheListAlone) {
  Preferences p = WithRecent({"/1.zkm", "", "/3.zkm", "/4.zkm", "/5.zkm"});
  const auto before = p.recentFiles;
  p.PutRecentOnTop("");
  EXPECT_EQ(p.recentFiles, before);
  p.RemoveRecent("");
  EXPECT_EQ(p.recentFiles, before);
}

TEST(RecentFiles, TheMenuNumbersUsedEntriesByTheirPlace) {
  Preferences p = WithRecent({"/1.zkm", "", "/maps/R&D.zkm", "", "/5.zkm"});
  EXPECT_EQ(p.RecentMenuItems(),
            (std::vector<std::string>{"&1 /1.zkm", "&3 /maps/R&&D.zkm", "&5 /5.zkm"}));
}

}  // namespace
}  // namespace zelk
