// The registry file: round trips, damaged input, kept unknowns, and the program's folders.
#include "storage/registry_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>

#include "storage/program_folder.h"
#include "test_support.h"

namespace zelk {
namespace {

const std::string kKey = "Software\\Zelk\\Zelk\\Startup";

std::string ReadText(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& path, const std::string& text) {
  WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::optional<std::string> StringOf(const RegistryStore& s, const std::string& key,
                                    const std::string& name) {
  auto v = s.Get(key, name);
  if (!v || v->type != RegType::String) return std::nullopt;
  return v->text;
}

std::optional<uint32_t> DwordOf(const RegistryStore& s, const std::string& key,
                                const std::string& name) {
  auto v = s.Get(key, name);
  if (!v || v->type != RegType::Dword) return std::nullopt;
  return v->dword;
}

TEST(RegistryStoreFile, MissingFileIsAnEmptyStoreAndAFolderIsAFailure) {
  TempDir dir;
  RegistryStore missing(dir.Path("none/registry.reg"));
  EXPECT_TRUE(missing.Load());
  EXPECT_FALSE(missing.Get(kKey, "File").has_value());

  RegistryStore folder(dir.Path());
  EXPECT_FALSE(folder.Load());
}

TEST(RegistryStoreFile, WritesExportSyntaxAndReadsItBack) {
  TempDir dir;
  const std::string path = dir.Path("config/zelk/registry.reg");
  RegistryStore store(path);
  store.SetString(kKey, "File", "C:\\maps\\a \"b\".zkm");
  store.SetDword(kKey, "AutoLoad", 10);
  store.SetDword("Software\\Zelk\\Zelk\\Gps", "Max", 0xFFFFFFFFu);
  store.SetString(kKey, "Lines", "one\r\ntwo");
  ASSERT_TRUE(store.Save());

  const std::string text = ReadText(path);
  EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n", 0), 0u) << text;
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Zelk\\Zelk\\Startup]\n"), std::string::npos);
  EXPECT_NE(text.find("\"File\"=\"C:\\\\maps\\\\a \\\"b\\\".zkm\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"AutoLoad\"=dword:0000000a\n"), std::string::npos);
  EXPECT_NE(text.find("\"Max\"=dword:ffffffff\n"), std::string::npos);
  // No temporary file is left beside the result.
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path("config/zelk"))) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1);

  RegistryStore again(path);
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(StringOf(again, kKey, "File"), "C:\\maps\\a \"b\".zkm");
  EXPECT_EQ(StringOf(again, kKey, "Lines"), "one\r\ntwo");
  EXPECT_EQ(DwordOf(again, kKey, "AutoLoad"), 10u);
  EXPECT_EQ(DwordOf(again, "Software\\Zelk\\Zelk\\Gps", "Max"), 0xFFFFFFFFu);
}

TEST(RegistryStoreFile, AFileThatCannotBeReadIsNeverReplaced) {
  TempDir dir;
  const std::string path = dir.Path("registry.reg");
  // Not an export file (here one in UTF-16), then one too large to be one.
  for (const std::string& content :
       {std::string("\xFF\xFEW\0i\0n\0", 8), std::string((16 << 20) + 1, 'x')}) {
    WriteFileBytes(path, std::vector<uint8_t>(content.begin(), content.end()));
    RegistryStore store(path);
    EXPECT_FALSE(store.Load());
    EXPECT_TRUE(store.Unreadable());
    store.SetDword(kKey, "AutoSave", 1);
    EXPECT_FALSE(store.Save());
    EXPECT_EQ(ReadFileBytes(path), std::vector<uint8_t>(content.begin(), content.end()));
  }
  // Once readable again, it is used and saved as usual.
  WriteFileBytes(path, {});
  RegistryStore store(path);
  EXPECT_TRUE(store.Load());
  store.SetDword(kKey, "AutoSave", 1);
  EXPECT_TRUE(store.Save());
}

TEST(RegistryStoreFile, FailedSaveLeavesTheOldFileAlone) {
  TempDir dir;
  const std::string path = dir.Path("registry.reg");
  std::filesystem::create_directories(path);  // a folder where the file should go
  RegistryStore store(path);
  store.SetDword(kKey, "AutoLoad", 1);
  EXPECT_FALSE(store.Save());
  EXPECT_TRUE(std::filesystem::is_directory(path));
  EXPECT_FALSE(std::filesystem::exists(path + ".~tmp"));
}

TEST(RegistryStoreValues, TypesNamesAndKeysBehaveAsInTheRegistry) {
  RegistryStore store("unused");
  store.SetString(kKey, "Port", "COM2");
  store.SetDword(kKey, "Port", 3);  // a value changes its type when set again
  EXPECT_EQ(DwordOf(store, kKey, "Port"), 3u);
  EXPECT_FALSE(StringOf(store, kKey, "Port"));

  // Keys and value names compare without regard to case; the value is not duplicated.
  store.SetDword("SOFTWARE\\zelk\\ZELK\\startup", "PORT", 4);
  EXPECT_EQ(DwordOf(store, kKey, "port"), 4u);
  EXPECT_EQ(store.Serialize().find("PORT"), std::string::npos);

  // Unusable key paths are refused rather than written as broken sections.
  store.SetDword("", "x", 1);
  store.SetDword("Software\\\\Zelk", "x", 1);
  store.SetDword("Software\\Zelk\\", "x", 1);
  store.SetDword("Software\nZelk", "x", 1);
  EXPECT_EQ(store.Serialize().find("\"x\""), std::string::npos);

  // The unnamed value of a key is written as @.
  store.SetString(kKey, "", "default");
  EXPECT_NE(store.Serialize().find("@=\"default\"\n"), std::string::npos);
  RegistryStore back("unused");
  back.Parse(store.Serialize());
  EXPECT_EQ(StringOf(back, kKey, ""), "default");
  EXPECT_EQ(DwordOf(back, kKey, "Port"), 4u);
}

TEST(RegistryStoreParse, DamagedLinesAreIgnoredAndTheRestIsRead) {
  RegistryStore store("unused");
  store.Parse(
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
      "\"Orphan\"=dword:00000001\r\n"  // before any key
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Zelk\\Zelk\\Startup]\r\n"
      "; a comment\r\n"
      "\"Good1\"=\"a\"\r\n"
      "\"Open\"=\"no end\r\n"
      "\"Long\"=dword:123456789\r\n"
      "\"NotHex\"=dword:xyz\r\n"
      "\"Empty\"=dword:\r\n"
      "\"NoEquals\" \"x\"\r\n"
      "\"BadEscape\"=\"a\\qb\"\r\n"
      "\"Junk\"=\"a\" b\r\n"
      "\"Nothing\"=\r\n"
      "\"Word\"=word:1\r\n"
      "\"BadHex\"=hex:1,zz\r\n"
      "\"Gone\"=-\r\n"
      "garbage line\r\n"
      "\"Good2\"=dword:0000002A\r\n"
      "  \"Spaced\" = dword:7 \r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Zelk]\r\n"
      "\"Machine\"=dword:00000001\r\n"
      "[-HKEY_CURRENT_USER\\Software\\Old]\r\n"
      "\"Deleted\"=dword:00000001\r\n"
      "[HKEY_CURRENT_USER\\Software\\\\Zelk]\r\n"
      "\"EmptyPart\"=dword:00000001\r\n"
      "[HKEY_CURRENT_USER\\Software\\Zelk\\Zelk\\Startup\r\n"
      "\"Unclosed\"=dword:00000001\r\n"
      "[HKEY_CURRENT_USER\\Software\\Zelk\\Zelk\\Startup]\r\n"
      "\"Good3\"=\"c\"");
  EXPECT_EQ(StringOf(store, kKey, "Good1"), "a");
  EXPECT_EQ(DwordOf(store, kKey, "Good2"), 42u);
  EXPECT_EQ(DwordOf(store, kKey, "Spaced"), 7u);
  EXPECT_EQ(StringOf(store, kKey, "Good3"), "c");
  for (const char* name :
       {"Orphan", "Open", "Long", "NotHex", "Empty", "NoEquals", "BadEscape", "Junk", "Nothing",
        "Word", "BadHex", "Gone", "Machine", "Deleted", "EmptyPart", "Unclosed"}) {
    EXPECT_FALSE(store.Get(kKey, name).has_value()) << name;
  }
  const std::string saved = store.Serialize();
  for (const char* text : {"Machine", "Deleted", "EmptyPart", "Unclosed", "HKEY_LOCAL_MACHINE"}) {
    EXPECT_EQ(saved.find(text), std::string::npos) << text;
  }
}

TEST(RegistryStoreParse, LaterDuplicatesWinAndRepeatedSectionsMerge) {
  RegistryStore store("unused");
  store.Parse(
      "[HKEY_CURRENT_USER\\Software\\Zelk\\Zelk\\Startup]\n"
      "\"A\"=dword:00000001\n"
      "[HKEY_CURRENT_USER\\Software\\Other]\n"
      "\"B\"=dword:00000002\n"
      "[HKEY_CURRENT_USER\\Software\\Zelk\\Zelk\\Startup]\n"
      "\"a\"=\"text\"\n");
  EXPECT_EQ(StringOf(store, kKey, "A"), "text");
  EXPECT_EQ(DwordOf(store, "Software\\Other", "B"), 2u);
  const std::string saved = store.Serialize();
  EXPECT_EQ(saved.find("[HKEY_CURRENT_USER\\Software\\Zelk\\Zelk\\Startup]"),
            saved.rfind("[HKEY_CURRENT_USER\\Software\\Zelk\\Zelk\\Startup]"));
}

TEST(RegistryStoreParse, UnknownKeysValuesAndTypesSurviveASave) {
  TempDir dir;
  const std::string path = dir.Path("registry.reg");
  WriteText(path,
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce]\n"
            "\"Zelk\"=\"zelk /maps/a.zkm\"\n\n"
            "[HKEY_CURRENT_USER\\Software\\Zelk\\Zelk\\Startup]\n"
            "\"Extra\"=dword:00000005\n"
            "\"Blob\"=hex:01,02,\\\n"
            "  03,ff\n"
            "\"Multi\"=hex(7):41,00,00,00\n"
            "\"Empty\"=hex:\n"
            "[HKEY_CURRENT_USER\\Software\\EmptyKey]\n");
  RegistryStore store(path);
  ASSERT_TRUE(store.Load());
  // Types the program does not know are kept but never handed out as a string or number.
  EXPECT_FALSE(store.Get(kKey, "Blob").has_value());
  store.SetDword(kKey, "AutoLoad", 0);
  ASSERT_TRUE(store.Save());

  const std::string text = ReadText(path);
  EXPECT_NE(text.find("\"Blob\"=hex:01,02,03,ff\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"Multi\"=hex(7):41,00,00,00\n"), std::string::npos);
  EXPECT_NE(text.find("\"Empty\"=hex:\n"), std::string::npos);
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\EmptyKey]\n"), std::string::npos);

  RegistryStore again(path);
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(StringOf(again, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "Zelk"),
            "zelk /maps/a.zkm");
  EXPECT_EQ(DwordOf(again, kKey, "Extra"), 5u);
  EXPECT_EQ(DwordOf(again, kKey, "AutoLoad"), 0u);
  EXPECT_EQ(again.Serialize(), store.Serialize());
}

TEST(RegistryStoreParse, ArbitraryBytesNeverBreakTheStore) {
  std::mt19937 random(7);
  const std::string alphabet =
      "[]\"\\=@:;,-\r\n \tdwordhexHKEY_CURRENT_USER\\Software09afAF\x01\xff";
  for (int round = 0; round < 300; ++round) {
    std::string text;
    const int length = static_cast<int>(random() % 400);
    for (int i = 0; i < length; ++i) {
      text += (random() % 4 == 0) ? static_cast<char>(random() % 256)
                                  : alphabet[random() % alphabet.size()];
    }
    RegistryStore store("unused");
    store.Parse(text);
    // Whatever was read must come back unchanged from its own output.
    RegistryStore again("unused");
    again.Parse(store.Serialize());
    ASSERT_EQ(again.Serialize(), store.Serialize()) << round;
  }
}

// Sets or clears an environment variable for one test and restores it afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(ProgramFolder, WritableFilesGoToZelkHomeOrTheUsersDataFolder) {
  TempDir dir;
  {
    ScopedEnv home("ZELK_HOME", dir.Path("home/zelk").c_str());
    EXPECT_EQ(ProgramFolder::WritableFolder(), dir.Path("home/zelk"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path("home/zelk")));
    EXPECT_EQ(ProgramFolder::TempMapPath(), dir.Path("home/zelk") + "/temp.~km");
  }
  {
    ScopedEnv zelkHome("ZELK_HOME", nullptr);
    ScopedEnv xdg("XDG_DATA_HOME", dir.Path("xdg").c_str());
    EXPECT_EQ(ProgramFolder::WritableFolder(), dir.Path("xdg") + "/zelk");
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path("xdg/zelk")));
  }
  {
    ScopedEnv zelkHome("ZELK_HOME", "");
    ScopedEnv xdg("XDG_DATA_HOME", "relative/ignored");
    ScopedEnv home("HOME", dir.Path("user").c_str());
    EXPECT_EQ(ProgramFolder::WritableFolder(), dir.Path("user") + "/.local/share/zelk");
  }
}

TEST(ProgramFolder, RegistryFileFollowsZelkRegistryOrTheConfigFolder) {
  TempDir dir;
  {
    ScopedEnv reg("ZELK_REGISTRY", dir.Path("r.reg").c_str());
    EXPECT_EQ(ProgramFolder::RegistryFile(), dir.Path("r.reg"));
  }
  {
    ScopedEnv reg("ZELK_REGISTRY", nullptr);
    ScopedEnv xdg("XDG_CONFIG_HOME", dir.Path("cfg").c_str());
    EXPECT_EQ(ProgramFolder::RegistryFile(), dir.Path("cfg") + "/zelk/registry.reg");
    EXPECT_FALSE(std::filesystem::exists(dir.Path("cfg")));
  }
  {
    ScopedEnv reg("ZELK_REGISTRY", nullptr);
    ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    ScopedEnv home("HOME", dir.Path("user").c_str());
    EXPECT_EQ(ProgramFolder::RegistryFile(), dir.Path("user") + "/.config/zelk/registry.reg");
  }
}

TEST(ProgramFolder, ShippedDataComesFromZelkDataOrBesideTheExecutable) {
  {
    ScopedEnv data("ZELK_DATA", "/opt/zelk-data");
    EXPECT_EQ(ProgramFolder::ShippedDataFolder(), "/opt/zelk-data");
    EXPECT_EQ(ProgramFolder::SymbolSetFolder(), "/opt/zelk-data/SYMBOL");
  }
  ScopedEnv data("ZELK_DATA", nullptr);
  // A program in the build folder finds the shipped data of the source tree above it, whatever
  // the current folder is.
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  const std::string found = ProgramFolder::ShippedDataFolder();
  std::filesystem::current_path(before);
  EXPECT_TRUE(std::filesystem::is_directory(found + "/SYMBOL")) << found;
  EXPECT_TRUE(std::filesystem::equivalent(found, ZELK_SHIPPED_DATA_DIR)) << found;
  EXPECT_EQ(ProgramFolder::SymbolSetFolder(), found + "/SYMBOL");
}

}  // namespace
}  // namespace zelk
