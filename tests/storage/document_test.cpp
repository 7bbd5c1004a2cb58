// The document lifecycle with scripted answers: new, open, save, close, recovery.
#include <gtest/gtest.h>

#include <filesystem>

#include "map_fixture.h"
#include "storage/document.h"

namespace zelk {
namespace {

namespace fs = std::filesystem;

// A symbol set on disk: three colours, three symbols, a scale of 1:10000 and an info text.
std::string MakeSymbolSet(const std::string& path) {
  RecordingSink sink;
  MapStore store(&sink);
  store.CreateEmptyMap(path);
  SymbolHeader& h = store.MutableColors();
  h.colorCount = 2;
  h.colors[0] = ColorRecord::NewColor(1, "Black");
  h.colors[1] = ColorRecord::NewColor(0, "Green");
  store.AppendSymbol(MakeSymbol(1010, kSymbolLine, 20, {1}));
  store.AppendSymbol(MakeSymbol(4010, kSymbolArea, 0, {0}));
  store.RewriteSymbolIndex();
  store.MutableSetup().SetMapScale(10000);
  store.MutableSetup().SetViewX(256 * 50);
  store.MutableSetup().SetZoom(2.0);
  store.WriteSettings();
  store.WriteInfoText("Topographic symbols 1:10000");
  store.CloseWorkingFile();
  return path;
}

struct DocFixture {
  TempDir dir;
  RecordingSink sink;
  Preferences prefs;
  RegistryStore registry{dir.Path("registry.reg")};
  Document doc{&sink, &prefs, &registry, dir.Path("temp.~km")};
  std::string set = MakeSymbolSet(dir.Path("set.zkm"));

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
  EXPECT_EQ(f.sink.errors.back(), "Cannot write to " + map);
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
    other.AppendSymbol(MakeSymbol(4010, kSymbolArea, 100, {5}));
    other.RewriteSymbolIndex();
    other.CloseWorkingFile();
  }
  f.sink.confirmAnswers = {false};
  struct Chooser : FileChooser {
    std::string path;
    std::optional<std::string> ChooseFile(const std::string&, const std::string&, const std::string&, int,
                                          bool) override {
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
