// The document lifecycle with scripted answers: new, open, save, close, recovery.
#include "storage/document.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "map_fixture.h"

namespace zelk {
namespace {

namespace fs = std::filesystem;

struct DocFixture {
  TempDir dir;
  RecordingSink sink;
  Preferences prefs;
  RegistryStore registry{dir.Path("registry.reg")};
  Document doc{&sink, &prefs, &registry, dir.Path("temp.~km")};
  std::string set = MakeSymbolSet(dir.Path("set.zkm"));

  std::string Temp() const { return dir.Path("temp.~km"); }
  bool TempLeft() const { return fs::exists(Temp()) || fs::exists(Temp() + ".owner"); }
  void AddLine(int x) {
    ObjectRecord o = MakeLine(1010, x, 0, x + 5, 5);
    ASSERT_TRUE(doc.Store().AddObject(o));
  }
  // The program ends without closing: the working copy stays as it was.
  void Crash() { doc.Store().CloseWorkingFile(); }
  // A saved map with one object, made through the document itself.
  std::string MakeMap(const std::string& name, int objects = 1) {
    EXPECT_TRUE(doc.NewMap(set));
    for (int i = 0; i < objects; ++i) {
      ObjectRecord o = MakeLine(1010, i, 0, i + 10, 10);
      EXPECT_TRUE(doc.Store().AddObject(o));
    }
    EXPECT_TRUE(doc.SaveAs(dir.Path(name)));
    EXPECT_TRUE(doc.Close());
    return dir.Path(name);
  }
};

TEST(NewMap, StartsUntitledFromTheSymbolSetWithItsViewReset) {
  DocFixture f;
  ASSERT_TRUE(f.doc.NewMap(f.set));
  EXPECT_EQ(f.doc.Caption(), "ZELK - Untitled");
  EXPECT_TRUE(f.doc.Modified());
  EXPECT_EQ(f.doc.Store().WorkingFile().Path(), f.dir.Path("temp.~km"));
  EXPECT_EQ(f.doc.Store().SymbolCount(), 2);
  EXPECT_EQ(f.doc.Store().Colors().colors[1].name, "Green");
  const SetupBlock& s = f.doc.Store().Setup();
  EXPECT_EQ(s.MapScale(), 10000);
  EXPECT_EQ(s.DraftScaleX(), 10000);
  EXPECT_EQ(s.PrintMapScale(), 10000);
  EXPECT_EQ(s.ViewX(), 0);
  EXPECT_EQ(s.Zoom(), 4.0);
  EXPECT_EQ(f.doc.Store().ObjectCount(), 0);
  EXPECT_EQ(SymbolSetInformation(f.set), "Topographic symbols 1:10000");
}

TEST(NewMap, AMissingSymbolSetLeavesNoMapOpen) {
  DocFixture f;
  EXPECT_FALSE(f.doc.NewMap(f.dir.Path("nothing.zkm")));
  EXPECT_FALSE(f.doc.IsOpen());
  EXPECT_EQ(f.doc.Caption(), "ZELK");
}

TEST(Open, RefusesMissingAndForeignFilesWithThePath) {
  DocFixture f;
  const std::string missing = f.dir.Path("gone.zkm");
  EXPECT_FALSE(f.doc.Open(missing));
  EXPECT_EQ(f.sink.errors.back(), missing + "\r\nFile not found.");

  WriteFileBytes(f.dir.Path("text.zkm"), {'h', 'e', 'l', 'l', 'o'});
  EXPECT_FALSE(f.doc.Open(f.dir.Path("text.zkm")));
  EXPECT_EQ(f.sink.errors.back(), f.dir.Path("text.zkm") + "\r\nFormat not correct.");

  auto bytes = ReadFileBytes(f.set);
  PutI16(bytes.data() + 2, 7);
  WriteFileBytes(f.dir.Path("kind7.zkm"), bytes);
  EXPECT_FALSE(f.doc.Open(f.dir.Path("kind7.zkm")));
  EXPECT_EQ(f.sink.errors.back(), f.dir.Path("kind7.zkm") + "\r\nFormat not correct.");
  EXPECT_FALSE(f.doc.IsOpen());
}

TEST(Open, OlderFormatsAskBeforeConverting) {
  DocFixture f;
  auto bytes = ReadFileBytes(f.set);
  PutI16(bytes.data() + 2, 238);
  WriteFileBytes(f.dir.Path("old4.zkm"), bytes);
  f.sink.answers = {Answer::No};
  EXPECT_FALSE(f.doc.Open(f.dir.Path("old4.zkm")));
  EXPECT_EQ(f.sink.questions.back(), f.dir.Path("old4.zkm") + "\r\nin ZELK 4 format. Convert?");

  std::string converted;
  f.doc.convertOlderFormat = [&](const std::string& p, int16_t kind) {
    converted = p + ":" + std::to_string(kind);
    return true;
  };
  PutI16(bytes.data() + 2, 204);
  WriteFileBytes(f.dir.Path("old5.zkm"), bytes);
  f.sink.answers = {Answer::Yes};
  EXPECT_TRUE(f.doc.Open(f.dir.Path("old5.zkm")));
  EXPECT_EQ(converted, f.dir.Path("old5.zkm") + ":204");

  // Format 3 only with the .elt extension, and only with its .IDX file beside it.
  PutI16(bytes.data() + 2, 255);
  WriteFileBytes(f.dir.Path("old3.zkm"), bytes);
  EXPECT_FALSE(f.doc.Open(f.dir.Path("old3.zkm")));
  EXPECT_EQ(f.sink.errors.back(), f.dir.Path("old3.zkm") + "\r\nFormat not correct.");
  WriteFileBytes(f.dir.Path("old3.elt"), bytes);
  f.sink.answers = {Answer::Yes};
  EXPECT_FALSE(f.doc.Open(f.dir.Path("old3.elt")));
  EXPECT_EQ(f.sink.questions.back(), f.dir.Path("old3.elt") + "\r\nin ZELK 3 format. Convert?");
  EXPECT_EQ(f.sink.errors.back(), f.dir.Path("old3.IDX") + "\r\nFile not found.");
  std::vector<uint8_t> idx(24, 0);
  WriteFileBytes(f.dir.Path("old3.IDX"), idx);
  f.sink.answers = {Answer::Yes};
  EXPECT_FALSE(f.doc.Open(f.dir.Path("old3.elt")));
  EXPECT_EQ(f.sink.errors.back(), f.dir.Path("old3.IDX") + "\r\nFormat not correct.");
  PutI16(idx.data() + 2, 221);
  WriteFileBytes(f.dir.Path("old3.IDX"), idx);
  f.sink.answers = {Answer::Yes};
  EXPECT_TRUE(f.doc.Open(f.dir.Path("old3.elt")));
  EXPECT_EQ(converted, f.dir.Path("old3.elt") + ":255");
}

TEST(WorkingOnACopy, ChangesReachTheMapOnlyWhenSaved) {
  DocFixture f;
  const std::string map = f.MakeMap("a.zkm");
  const auto saved = ReadFileBytes(map);
  ASSERT_TRUE(f.doc.Open(map));
  EXPECT_EQ(f.doc.Caption(), "ZELK - " + map);
  EXPECT_FALSE(f.doc.Modified());
  EXPECT_EQ(f.doc.Store().WorkingFile().Path(), f.dir.Path("temp.~km"));
  ObjectRecord o = MakeLine(1010, 500, 500, 600, 600);
  ASSERT_TRUE(f.doc.Store().AddObject(o));
  EXPECT_TRUE(f.doc.Modified());
  EXPECT_EQ(ReadFileBytes(map), saved);

  // Cancel keeps the map open; No closes without saving.
  f.sink.answers = {Answer::Cancel};
  EXPECT_FALSE(f.doc.Close());
  EXPECT_EQ(f.sink.questions.back(), map + "\r\nhas been modified. Save?");
  EXPECT_TRUE(f.doc.IsOpen());
  f.sink.answers = {Answer::No};
  EXPECT_TRUE(f.doc.Close());
  ASSERT_TRUE(f.doc.Open(map));
  EXPECT_EQ(f.doc.Store().ObjectCount(), 1);

  ASSERT_TRUE(f.doc.Store().AddObject(o));
  ASSERT_TRUE(f.doc.Save());
  EXPECT_FALSE(f.doc.Modified());
  ASSERT_TRUE(f.doc.Store().AddObject(o));  // the working file was reopened
  f.sink.answers = {Answer::No};
  ASSERT_TRUE(f.doc.Close());
  ASSERT_TRUE(f.doc.Open(map));
  EXPECT_EQ(f.doc.Store().ObjectCount(), 2);
}

TEST(WorkingOnACopy, AFailedSaveKeepsTheMapModifiedAndEditable) {
  DocFixture f;
  fs::create_directory(f.dir.Path("sub"));
  const std::string map = f.MakeMap("sub/b.zkm");
  ASSERT_TRUE(f.doc.Open(map));
  ObjectRecord o = MakeLine(1010, 1, 1, 2, 2);
  ASSERT_TRUE(f.doc.Store().AddObject(o));
  fs::remove_all(f.dir.Path("sub"));
  EXPECT_FALSE(f.doc.Save());
  EXPECT_EQ(f.sink.errors.back(), "Cannot create " + map);
  EXPECT_TRUE(f.doc.Modified());
  EXPECT_TRUE(f.doc.Store().AddObject(o));
}

TEST(AutoSave, ChangesGoStraightIntoTheMapAndCloseAsksNothing) {
  DocFixture f;
  const std::string map = f.MakeMap("c.zkm");
  f.prefs.autoSave = true;
  ASSERT_TRUE(f.doc.Open(map));
  EXPECT_EQ(f.doc.Store().WorkingFile().Path(), map);
  ObjectRecord o = MakeLine(1010, 1, 1, 2, 2);
  ASSERT_TRUE(f.doc.Store().AddObject(o));
  const size_t asked = f.sink.questions.size();
  ASSERT_TRUE(f.doc.Close());
  EXPECT_EQ(f.sink.questions.size(), asked);
  ASSERT_TRUE(f.doc.Open(map));
  EXPECT_EQ(f.doc.Store().ObjectCount(), 2);
  // Save As to its own name copies nothing and keeps working on it.
  const auto before = fs::last_write_time(map);
  ASSERT_TRUE(f.doc.SaveAs(map));
  EXPECT_EQ(f.doc.Store().WorkingFile().Path(), map);
  EXPECT_GE(fs::last_write_time(map), before);
  EXPECT_FALSE(fs::exists(map + ".~sav"));
}

TEST(SaveAs, AutoSaveWorksOnTheNewFileAfterwards) {
  DocFixture f;
  const std::string map = f.MakeMap("d.zkm");
  f.prefs.autoSave = true;
  ASSERT_TRUE(f.doc.Open(map));
  ASSERT_TRUE(f.doc.SaveAs(f.dir.Path("e.zkm")));
  EXPECT_EQ(f.doc.Name(), f.dir.Path("e.zkm"));
  EXPECT_EQ(f.doc.Store().WorkingFile().Path(), f.dir.Path("e.zkm"));
  EXPECT_EQ(f.prefs.recentFiles[0], map);
}

TEST(RecentFiles, OpeningRemovesAndClosingPutsOnTop) {
  DocFixture f;
  std::vector<std::string> maps;
  for (const char* n : {"1.zkm", "2.zkm", "3.zkm", "4.zkm"}) maps.push_back(f.MakeMap(n));
  // Most recent first: 4, 3, 2, 1.
  ASSERT_EQ(f.prefs.recentFiles[2], maps[1]);
  ASSERT_TRUE(f.doc.OpenRecent(3));
  EXPECT_EQ(f.doc.Name(), maps[1]);
  EXPECT_EQ(f.prefs.recentFiles[2], maps[0]);
  ASSERT_TRUE(f.doc.Close());
  EXPECT_EQ(f.prefs.recentFiles[0], maps[1]);
  // The registry has the list too.
  RegistryStore again(f.dir.Path("registry.reg"));
  ASSERT_TRUE(again.Load());
  Preferences read;
  read.Read(again);
  EXPECT_EQ(read.recentFiles[1], maps[3]);
}

TEST(Recovery, AnAbortedSessionIsOfferedAndNoDeletesTheCopy) {
  const std::string home = TempDir().Path();
  DocFixture f;
  const std::string map = f.MakeMap("r.zkm");
  ASSERT_TRUE(f.doc.Open(map));
  ObjectRecord o = MakeLine(1010, 1, 1, 2, 2);
  ASSERT_TRUE(f.doc.Store().AddObject(o));
  // The program stops here without closing: the copy stays behind.
  f.doc.Store().CloseWorkingFile();
  ASSERT_TRUE(fs::exists(f.dir.Path("temp.~km")));

  {
    Document next(&f.sink, &f.prefs, &f.registry, f.dir.Path("temp.~km"));
    f.sink.answers = {Answer::Yes};
    next.Start({});
    EXPECT_EQ(f.sink.questions.back(), "Last session was aborted. Continue session?");
    ASSERT_TRUE(next.IsOpen());
    EXPECT_EQ(next.Name(), map);
    EXPECT_TRUE(next.Modified());
    EXPECT_EQ(next.Store().ObjectCount(), 2);
    next.Store().CloseWorkingFile();
  }
  {
    Document next(&f.sink, &f.prefs, &f.registry, f.dir.Path("temp.~km"));
    f.sink.answers = {Answer::No};
    f.prefs.autoLoad = false;
    next.Start({});
    EXPECT_FALSE(next.IsOpen());
    EXPECT_FALSE(fs::exists(f.dir.Path("temp.~km")));
  }
}

TEST(Recovery, ADamagedCopyIsLeftAloneAndTheCommandLineMapOpens) {
  DocFixture f;
  const std::string map = f.MakeMap("s.zkm");
  WriteFileBytes(f.dir.Path("temp.~km"), std::vector<uint8_t>(100, 0xee));
  const size_t asked = f.sink.questions.size();
  f.doc.Start({map});
  EXPECT_EQ(f.sink.questions.size(), asked);
  EXPECT_TRUE(f.doc.IsOpen());
  EXPECT_EQ(f.doc.Name(), map);
}

TEST(Exit, ClosesAndDeletesTheWorkingCopy) {
  DocFixture f;
  const std::string map = f.MakeMap("x.zkm");
  ASSERT_TRUE(f.doc.Open(map));
  ASSERT_TRUE(f.doc.Exit());
  EXPECT_FALSE(fs::exists(f.dir.Path("temp.~km")));
  // Remembered for "Auto file load" at the next start.
  EXPECT_EQ(f.prefs.file, map);
  EXPECT_EQ(f.prefs.recentFiles[0], map);
}

TEST(LoadSymbols, ReplacesTheTableAndObjectsKeepTheirNumbers) {
  DocFixture f;
  ASSERT_TRUE(f.doc.NewMap(f.set));
  ObjectRecord o = MakeLine(4010, 0, 0, 10, 10);
  ASSERT_TRUE(f.doc.Store().AddObject(o));
  // Another set where 4010 has a larger extent and 1010 is gone.
  {
    RecordingSink sink;
    MapStore other(&sink);
    other.CreateEmptyMap(f.dir.Path("other.zkm"));
    other.MutableColors().colorCount = 1;
    other.MutableColors().colors[0] = ColorRecord::NewColor(5, "Red");
    other.AppendSymbol(MakeSymbol(4010, SymbolType::Area, 100, {5}));
    other.RewriteSymbolIndex();
    other.CloseWorkingFile();
  }
  f.sink.confirmAnswers = {false};
  struct Chooser : FileChooser {
    std::string path;
    std::optional<std::string> ChooseFile(const std::string&, const std::string&,
                                          const std::string&, int, bool) override {
      return path;
    }
  } chooser;
  chooser.path = f.dir.Path("other.zkm");
  f.doc.SetFileChooser(&chooser);
  EXPECT_FALSE(f.doc.LoadSymbols());  // cancelled at the question
  EXPECT_EQ(f.doc.Store().SymbolCount(), 2);
  ASSERT_TRUE(f.doc.LoadSymbols());
  EXPECT_EQ(f.doc.Store().SymbolCount(), 1);
  IndexEntry e;
  f.doc.Store().ReadEntry(1, &e);
  EXPECT_EQ(e.symbol, 4010);
  EXPECT_EQ(e.box.right, (10 + 100) * 256);  // updated by the new extent
  EXPECT_TRUE(f.doc.Store().UsedColors().Has(5));
}

TEST(InfoText, IsKeptWithTheMap) {
  DocFixture f;
  const std::string map = f.MakeMap("i.zkm");
  ASSERT_TRUE(f.doc.Open(map));
  ASSERT_TRUE(f.doc.SetInfoText("Orienteering map\r\nSpring 2027"));
  ASSERT_TRUE(f.doc.Save());
  ASSERT_TRUE(f.doc.Close());
  ASSERT_TRUE(f.doc.Open(map));
  EXPECT_EQ(f.doc.InfoText(), "Orienteering map\r\nSpring 2027");
}

}  // namespace
}  // namespace zelk

namespace zelk {
namespace {

TEST(Recovery, AWorkingCopyLivesOnlyWhileItsMapIsOpen) {
  DocFixture f;
  const std::string a = f.MakeMap("a.zkm", 3);
  EXPECT_FALSE(f.TempLeft()) << "closing a map must remove its working copy";
  // Saved as a map edited in place: the new map's copy is gone at once.
  f.prefs.autoSave = true;
  ASSERT_TRUE(f.doc.NewMap(f.set));
  ASSERT_TRUE(f.doc.SaveAs(f.dir.Path("b.zkm")));
  EXPECT_FALSE(f.TempLeft());
  f.AddLine(1);
  ASSERT_TRUE(f.doc.Open(a));
  EXPECT_FALSE(f.TempLeft());
  // A crash while a map is edited in place leaves nothing to recover, so nothing is offered
  // and the remembered map is not overwritten.
  f.Crash();
  Document next(&f.sink, &f.prefs, &f.registry, f.Temp());
  const size_t asked = f.sink.questions.size();
  next.Start({});
  EXPECT_EQ(f.sink.questions.size(), asked);
  EXPECT_EQ(DescribeFile(a).size(), 3u + 3u);
}

TEST(Recovery, ACopyIsRecoveredUnderTheMapItWasMadeFromOrAsUntitled) {
  DocFixture f;
  const std::string a = f.MakeMap("a.zkm", 4);
  const std::string b = f.MakeMap("b.zkm", 2);
  const auto aBefore = ReadFileBytes(a);
  ASSERT_TRUE(f.doc.Open(b));
  f.AddLine(7);
  f.Crash();
  f.prefs.file = a;  // whatever the preferences remember
  {
    Document next(&f.sink, &f.prefs, &f.registry, f.Temp());
    f.sink.answers = {Answer::Yes};
    next.Start({});
    ASSERT_TRUE(next.IsOpen());
    EXPECT_EQ(next.Name(), b);
    EXPECT_EQ(next.Store().LiveObjectCount(), 3);
    ASSERT_TRUE(next.Save());
    next.Store().CloseWorkingFile();
  }
  EXPECT_EQ(ReadFileBytes(a), aBefore);
  EXPECT_EQ(DescribeFile(b).size(), 3u + 3u);
  // A copy whose map is unknown (a new map, or the name was lost) comes back untitled.
  fs::remove(f.Temp() + ".owner");
  Document next(&f.sink, &f.prefs, &f.registry, f.Temp());
  f.sink.answers = {Answer::Yes};
  next.Start({});
  ASSERT_TRUE(next.IsOpen());
  EXPECT_EQ(next.Name(), "");
  EXPECT_EQ(next.Caption(), "ZELK - Untitled");
  EXPECT_EQ(ReadFileBytes(a), aBefore);
}

TEST(Recovery, PuttingTheQuestionOffKeepsTheCopyUntilAnswered) {
  DocFixture f;
  const std::string a = f.MakeMap("a.zkm", 2);
  ASSERT_TRUE(f.doc.Open(a));
  f.AddLine(9);
  f.Crash();
  const auto copy = ReadFileBytes(f.Temp());
  Document next(&f.sink, &f.prefs, &f.registry, f.Temp());
  f.sink.answers = {Answer::Cancel};
  next.Start({a});
  EXPECT_FALSE(next.IsOpen()) << "no map may be opened over a copy the user kept";
  EXPECT_TRUE(next.RecoveryPending());
  // Opening a map would need the working copy: the question comes first.
  f.sink.answers = {Answer::Cancel, Answer::Cancel};
  const size_t asked = f.sink.questions.size();
  EXPECT_FALSE(next.Open(a));
  EXPECT_EQ(f.sink.questions.size(), asked + 1);
  EXPECT_FALSE(next.NewMap(f.set));
  ASSERT_TRUE(next.Exit());
  EXPECT_EQ(ReadFileBytes(f.Temp()), copy);
  // The next start asks again; No ends it.
  Document third(&f.sink, &f.prefs, &f.registry, f.Temp());
  f.sink.answers = {Answer::No};
  f.prefs.autoLoad = false;
  third.Start({});
  EXPECT_EQ(f.sink.questions.back(), "Last session was aborted. Continue session?");
  EXPECT_FALSE(f.TempLeft());
  // Answering No later, when a map is opened, lets the command go on.
  ASSERT_TRUE(third.Open(a));
  third.Store().CloseWorkingFile();
}

TEST(SaveAs, AfterAutoSaveWasSwitchedOffTheNewMapIsEdited) {
  DocFixture f;
  const std::string a = f.MakeMap("a.zkm", 1);
  f.prefs.autoSave = true;
  ASSERT_TRUE(f.doc.Open(a));
  f.prefs.autoSave = false;
  const std::string b = f.dir.Path("b.zkm");
  ASSERT_TRUE(f.doc.SaveAs(b));
  f.AddLine(3);
  f.AddLine(4);
  EXPECT_EQ(DescribeFile(a).size(), 3u + 1u) << "edits after Save As reached the old map";
  EXPECT_EQ(DescribeFile(b).size(), 3u + 3u);
}

TEST(Save, ProtectedMapsLinksAndModesAreKept) {
  DocFixture f;
  const std::string a = f.MakeMap("a.zkm", 1);
  // A map nobody may write is refused and stays as it was.
  ::chmod(a.c_str(), 0444);
  const auto before = ReadFileBytes(a);
  ASSERT_TRUE(f.doc.Open(a));
  f.AddLine(2);
  EXPECT_FALSE(f.doc.Save());
  EXPECT_EQ(f.sink.errors.back(), "Cannot write to " + a);
  EXPECT_EQ(ReadFileBytes(a), before);
  EXPECT_TRUE(f.doc.Modified());
  f.sink.answers = {Answer::No};
  ASSERT_TRUE(f.doc.Close());

  // A link is saved through: the link stays, the map it names gets the objects and keeps its
  // mode.
  ::chmod(a.c_str(), 0640);
  const std::string link = f.dir.Path("link.zkm");
  fs::create_symlink(a, link);
  ASSERT_TRUE(f.doc.Open(link));
  f.AddLine(3);
  ASSERT_TRUE(f.doc.Save());
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(DescribeFile(a).size(), 3u + 2u);
  struct stat st {};
  ASSERT_EQ(::stat(a.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  ASSERT_TRUE(f.doc.Close());

  // Save As into a folder that does not exist cannot create the map.
  ASSERT_TRUE(f.doc.Open(a));
  EXPECT_FALSE(f.doc.SaveAs(f.dir.Path("missing/c.zkm")));
  EXPECT_EQ(f.sink.errors.back(), "Cannot create " + f.dir.Path("missing/c.zkm"));
  EXPECT_EQ(f.doc.Name(), a);
  // Only the map and the temporary files of the document are in the folder: nothing half-saved.
  for (const auto& e : fs::directory_iterator(f.dir.Path()))
    EXPECT_NE(e.path().filename().string().rfind(".zelk-", 0), 0u) << e.path();
}

TEST(Save, NamesUpToTheLongestFileNameSave) {
  DocFixture f;
  const std::string name = std::string(251, 'm') + ".zkm";  // 255 characters
  const std::string map = f.MakeMap(name, 1);
  ASSERT_TRUE(f.doc.Open(map));
  f.AddLine(5);
  EXPECT_TRUE(f.doc.Save());
  EXPECT_EQ(DescribeFile(map).size(), 3u + 2u);
}

TEST(Open, FoldersAndDevicesAreNoMissingFiles) {
  DocFixture f;
  EXPECT_FALSE(f.doc.Open(f.dir.Path()));
  EXPECT_EQ(f.sink.errors.back(), "Cannot open " + f.dir.Path());
  EXPECT_FALSE(f.doc.Open("/dev/null"));
  EXPECT_EQ(f.sink.errors.back(), "/dev/null\r\nFormat not correct.");
  EXPECT_FALSE(f.doc.Open(f.dir.Path("none.zkm")));
  EXPECT_EQ(f.sink.errors.back(), f.dir.Path("none.zkm") + "\r\nFile not found.");
  EXPECT_FALSE(f.TempLeft());
}

TEST(Open, AMapInUseByAnotherProgramIsRefused) {
  DocFixture f;
  const std::string a = f.MakeMap("a.zkm", 1);
  f.prefs.autoSave = true;
  ASSERT_TRUE(f.doc.Open(a));
  // Another copy of the program, edited in place or through its own working copy.
  RecordingSink sink;
  Preferences prefs = f.prefs;
  Document other(&sink, &prefs, nullptr, f.dir.Path("other.~km"));
  EXPECT_FALSE(other.Open(a));
  EXPECT_EQ(sink.errors.back(), "Cannot open " + a);
  // A working copy that another program holds is neither offered nor overwritten.
  f.prefs.autoSave = false;
  ASSERT_TRUE(f.doc.Open(a));
  const auto copy = ReadFileBytes(f.Temp());
  Preferences quiet = prefs;
  quiet.autoSave = false;
  Document third(&sink, &quiet, nullptr, f.Temp());
  const size_t asked = sink.questions.size();
  third.Start({});
  EXPECT_EQ(sink.questions.size(), asked);
  EXPECT_FALSE(third.Open(a));
  EXPECT_EQ(sink.errors.back(), "Cannot create " + f.Temp());
  EXPECT_TRUE(third.Exit());
  EXPECT_EQ(ReadFileBytes(f.Temp()), copy);
}

TEST(Open, ADamagedIndexOpensWhatIsReadableAndSaysWhatWasLeftOut) {
  DocFixture f;
  const std::string a = f.MakeMap("a.zkm", 600);
  // The second index block's link points far beyond the end of the file.
  {
    RecordingSink sink;
    MapStore store(&sink);
    store.WorkingFile().OpenForReading(a);
    ASSERT_TRUE(store.LoadFromWorkingFile());
    auto bytes = ReadFileBytes(a);
    PutI32(bytes.data() + store.Block(1).filePos - 4, 0x7ffff000);
    WriteFileBytes(a, bytes);
  }
  f.sink.errors.clear();
  ASSERT_TRUE(f.doc.Open(a));
  EXPECT_EQ(f.doc.Store().LiveObjectCount(), 512);
  ASSERT_EQ(f.sink.errors.size(), 1u);
  EXPECT_EQ(f.sink.errors[0],
            a + "\r\nis damaged. What could not be read was left out: 1 index block.");
}

}  // namespace
}  // namespace zelk
