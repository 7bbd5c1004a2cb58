// Every map-changing operation against a file system that fails: each must report the failure
// and leave the map file and the working copy readable, holding what the engine believes.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "faulty_file_system.h"
#include "map_fixture.h"
#include "storage/document.h"

namespace zelk {
namespace {

namespace fs = std::filesystem;

// A saved map of 255 objects (the next one starts a new index block), open in a document
// whose file calls can be made to fail.
struct FaultFixture {
  TempDir dir;
  RecordingSink sink;
  Preferences prefs;
  FaultyFileSystem files;
  std::optional<Document> doc;
  std::string set = MakeSymbolSet(dir.Path("set.zkm"));
  std::string map = dir.Path("map.zkm");
  std::string temp = dir.Path("temp.~km");

  explicit FaultFixture(bool autoSave) {
    prefs.autoSave = false;
    doc.emplace(&sink, &prefs, nullptr, temp, &files);
    EXPECT_TRUE(doc->NewMap(set));
    WriteBatch batch(doc->Store());
    for (int i = 0; i < 255; ++i) {
      ObjectRecord o = MakeLine(i % 2 ? 1010 : 4010, i, i, i + 30, i + 7);
      EXPECT_TRUE(doc->Store().AddObject(o));
    }
    EXPECT_TRUE(batch.Commit());
    EXPECT_TRUE(doc->SaveAs(map));
    EXPECT_TRUE(doc->Close());
    prefs.autoSave = autoSave;
    EXPECT_TRUE(doc->Open(map));
  }
  MapStore& Store() { return doc->Store(); }
  // The program ends without closing anything; a new one starts.
  void Crash() {
    doc->Store().CloseWorkingFile();
    doc.emplace(&sink, &prefs, nullptr, temp, &files);
  }
};

struct Operation {
  const char* name;
  bool autoSave;
  std::function<void(FaultFixture&)> prepare;  // runs before the faults are armed
  std::function<bool(FaultFixture&)> run;
  std::string output;  // a file the operation makes besides the map
};

void Nothing(FaultFixture&) {}

bool AddTwo(FaultFixture& f) {
  ObjectRecord a = MakeLine(1010, 500, 500, 600, 650);
  ObjectRecord b = MakeLine(4010, 700, 10, 720, 40);
  return f.Store().AddObject(a) && f.Store().AddObject(b);
}

bool RewriteThird(FaultFixture& f) {
  ObjectRecord o = MakeLine(1010, 9, 9, 99, 99);
  return f.Store().RewriteObject(3, o);
}

// 300 objects over two new index blocks in one batch, written whenever 3000 bytes are held.
bool AddInABatch(FaultFixture& f) {
  f.Store().SetBatchLimit(3000);
  WriteBatch batch(f.Store());
  bool ok = true;
  for (int i = 0; i < 300 && ok; ++i) {
    ObjectRecord o = MakeLine(i % 2 ? 1010 : 4010, 900 + i, i, 950 + i, i + 3);
    ok = f.Store().AddObject(o);
  }
  return batch.Commit() && ok;
}

bool EditInABatch(FaultFixture& f) {
  WriteBatch batch(f.Store());
  int32_t n = 7;
  ObjectRecord replacement = MakeLine(4010, 1, 1, 5, 5);
  const bool ok = f.Store().DeleteObject(5) && f.Store().ReplaceObject(&n, replacement) &&
                  RewriteThird(f) && AddTwo(f);
  return batch.Commit() && ok;
}

std::vector<Operation> Operations() {
  const auto addOne = [](FaultFixture& f) {
    ObjectRecord o = MakeLine(1010, 1, 2, 3, 4);
    ASSERT_TRUE(f.Store().AddObject(o));
  };
  const auto crashAfterAdding = [addOne](FaultFixture& f) {
    addOne(f);
    f.Crash();
  };
  std::vector<Operation> ops;
  for (const bool autoSave : {false, true}) {
    ops.push_back({"add", autoSave, Nothing, AddTwo});
    ops.push_back({"rewrite", autoSave, Nothing, RewriteThird});
    ops.push_back({"batched add", autoSave, Nothing, AddInABatch});
    ops.push_back({"batched edits", autoSave, Nothing, EditInABatch});
    ops.push_back(
        {"delete", autoSave, Nothing, [](FaultFixture& f) { return f.Store().DeleteObject(5); }});
    ops.push_back({"replace", autoSave, Nothing, [](FaultFixture& f) {
                     int32_t n = 7;
                     ObjectRecord o = MakeLine(4010, 1, 1, 5, 5);
                     return f.Store().ReplaceObject(&n, o);
                   }});
    ops.push_back({"write settings", autoSave, Nothing, [](FaultFixture& f) {
                     f.Store().MutableSetup().SetZoom(8.0);
                     return f.Store().WriteSettings();
                   }});
    ops.push_back({"load symbols", autoSave, Nothing,
                   [](FaultFixture& f) { return f.doc->LoadSymbolsFrom(f.set); }});
    ops.push_back({"save as", autoSave, addOne,
                   [](FaultFixture& f) { return f.doc->SaveAs(f.dir.Path("b.zkm")); }, "b.zkm"});
    ops.push_back({"open", autoSave, [](FaultFixture& f) { ASSERT_TRUE(f.doc->Close()); },
                   [](FaultFixture& f) { return f.doc->Open(f.map); }});
  }
  ops.push_back({"save", false, addOne, [](FaultFixture& f) { return f.doc->Save(); }});
  ops.push_back({"new map", false, [](FaultFixture& f) { ASSERT_TRUE(f.doc->Close()); },
                 [](FaultFixture& f) { return f.doc->NewMap(f.set); }});
  ops.push_back({"recovery", false, crashAfterAdding, [](FaultFixture& f) {
                   f.doc->Start({});
                   return f.doc->IsOpen();
                 }});
  return ops;
}

// What a run of the operation left behind.
struct Outcome {
  bool ok = false;
  std::vector<std::string> map, output, inMemory, workingFile;
  bool open = false, tempLeft = false;
  std::vector<uint8_t> tempBefore, tempAfter;
  std::vector<std::string> mapBefore, errors;
  int writes = 0, reads = 0;
  bool fired = false;
};

Outcome RunOp(const Operation& op, const Faults& faults) {
  FaultFixture f(op.autoSave);
  op.prepare(f);
  Outcome out;
  out.mapBefore = DescribeFile(f.map);
  out.tempBefore = ReadFileBytes(f.temp);
  f.sink.errors.clear();
  f.files.Arm(faults);
  out.ok = op.run(f);
  out.writes = f.files.Writes();
  out.reads = f.files.Reads();
  out.fired = f.files.Fired();
  f.files.Disarm();
  out.errors = f.sink.errors;
  out.open = f.doc->IsOpen();
  if (out.open) {
    out.inMemory = Describe(f.Store());
    out.workingFile = DescribeFile(f.Store().WorkingFile().Path());
  }
  out.map = DescribeFile(f.map);
  if (!op.output.empty())
    out.output = fs::exists(f.dir.Path(op.output)) ? DescribeFile(f.dir.Path(op.output))
                                                   : std::vector<std::string>{"none"};
  out.tempLeft = fs::exists(f.temp);
  if (!out.open) out.tempAfter = ReadFileBytes(f.temp);
  return out;
}

// The invariants of a failed or refused run: said so, and nothing readable was lost.
void CheckFailure(const Operation& op, const Outcome& good, const Outcome& bad) {
  const std::vector<std::string>& before = good.mapBefore;
  const std::vector<std::string>& errors = bad.errors;
  if (bad.ok) {
    // A fault the operation could absorb must not show in what it made.
    EXPECT_EQ(bad.map, good.map);
    EXPECT_EQ(bad.inMemory, good.inMemory);
  } else {
    EXPECT_FALSE(errors.empty()) << "a failure was not reported";
  }
  // A map edited in place is the working file, checked below; any other holds its old or new
  // content.
  if (!(op.autoSave && bad.open)) {
    EXPECT_TRUE(bad.map == before || bad.map == good.map)
        << "the map file holds neither its old nor its new content";
  }
  EXPECT_NE(bad.map, std::vector<std::string>{"unreadable"});
  if (bad.open) {
    EXPECT_EQ(bad.inMemory, bad.workingFile)
        << "the working file differs from what the engine holds";
  }
  if (!op.output.empty()) {
    EXPECT_TRUE(bad.output == good.output || bad.output == std::vector<std::string>{"none"});
  }
  if (std::string(op.name) == "recovery") {
    if (!bad.open) {
      EXPECT_EQ(bad.tempAfter, bad.tempBefore) << "a copy that was not recovered was changed";
    }
  } else if (!bad.open) {
    EXPECT_FALSE(bad.tempLeft) << "a partial working copy was left";
  }
}

std::string Trace(const Operation& op, const std::string& what) {
  return std::string(op.name) + (op.autoSave ? " in place, " : ", ") + what;
}

TEST(FileFaults, EveryWriteOfEveryOperationMayFail) {
  for (const Operation& op : Operations()) {
    const Outcome good = RunOp(op, {});
    ASSERT_TRUE(good.ok) << op.name;
    for (int n = 1; n <= good.writes; ++n) {
      SCOPED_TRACE(Trace(op, "write " + std::to_string(n) + " of " + std::to_string(good.writes)));
      const Outcome bad = RunOp(op, {.failWrite = n});
      EXPECT_TRUE(bad.fired);
      CheckFailure(op, good, bad);
    }
  }
}

TEST(FileFaults, AFullDiskStopsWritesHalfway) {
  for (const Operation& op : Operations()) {
    const Outcome good = RunOp(op, {});
    for (const int64_t space : {0, 1, 23, 500, 6147, 6200, 20000, 60000}) {
      SCOPED_TRACE(Trace(op, std::to_string(space) + " bytes free"));
      CheckFailure(op, good, RunOp(op, {.diskSpace = space}));
    }
  }
}

TEST(FileFaults, SyncAndRenameFailuresKeepTheSavedMap) {
  for (const Operation& op : Operations()) {
    const std::string name = op.name;
    if (name != "save" && name != "save as") continue;
    const Outcome good = RunOp(op, {});
    for (const Faults& faults : {Faults{.failSync = 1}, Faults{.failRename = true}}) {
      SCOPED_TRACE(Trace(op, faults.failRename ? "rename fails" : "sync fails"));
      const Outcome bad = RunOp(op, faults);
      EXPECT_FALSE(bad.ok);
      CheckFailure(op, good, bad);
      EXPECT_EQ(bad.map, good.mapBefore);
    }
  }
}

TEST(FileFaults, ShortAndFailedReadsWhileOpeningAndRecoveringLoseNothing) {
  for (const Operation& op : Operations()) {
    const std::string name = op.name;
    if (name != "open" && name != "recovery") continue;
    const Outcome good = RunOp(op, {.shortRead = 1 << 30});
    ASSERT_TRUE(good.ok);
    for (int n = 1; n <= good.reads; ++n) {
      SCOPED_TRACE(Trace(op, "read " + std::to_string(n)));
      CheckFailure(op, good, RunOp(op, {.shortRead = n}));
      // A read that fails is reported under the name of the map, never of the private copy.
      const Outcome bad = RunOp(op, {.failRead = n});
      CheckFailure(op, good, bad);
      if (name == "open") {
        for (const std::string& e : bad.errors)
          EXPECT_EQ(e.find("temp.~km"), std::string::npos) << e;
      }
    }
  }
}

}  // namespace
}  // namespace zelk
