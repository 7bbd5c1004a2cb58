// A program killed at any moment while it edits: the next start recovers every object whose
// addition had returned (or whose batch was committed), and no map is written that the user
// did not save.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <optional>
#include <random>

#include "map_fixture.h"
#include "storage/document.h"

namespace zelk {
namespace {

ObjectRecord NthLine(int i) {
  return MakeLine(i % 3 ? 1010 : 4010, i, i % 97, i + 10, i % 89 + 20);
}

// Runs in the child: opens the map and adds objects until killed, one by one or in batches,
// telling the parent the number of objects added when each addition or batch returned.
[[noreturn]] void EditUntilKilled(const std::string& map, const std::string& temp, bool autoSave,
                                  int batchSize, int out) {
  RecordingSink sink;
  Preferences prefs;
  prefs.autoSave = autoSave;
  Document doc(&sink, &prefs, nullptr, temp);
  if (!doc.Open(map)) ::_exit(2);
  for (int i = 0;;) {
    std::optional<WriteBatch> batch;
    if (batchSize > 0) batch.emplace(doc.Store());
    for (const int end = i + std::max(batchSize, 1); i < end; ++i) {
      ObjectRecord o = NthLine(i);
      if (!doc.Store().AddObject(o)) ::_exit(3);
      if (i % 64 == 5) {
        doc.Store().MutableSetup().SetViewX(i * 256);
        if (!doc.Store().WriteSettings()) ::_exit(4);
      }
    }
    if (batch && !batch->Commit()) ::_exit(6);
    const int32_t done = i;
    if (::write(out, &done, sizeof done) != sizeof done) ::_exit(5);
  }
}

TEST(Crash, KilledAtAnyMomentTheNextStartRecoversEveryCommittedObject) {
  std::mt19937 rng(20261209);
  for (int round = 0; round < 18; ++round) {
    const bool autoSave = round % 3 == 2;
    // The last rounds add in batches of 7, 64 or 300 objects.
    const int batchSize = round < 12 ? 0 : std::array{7, 64, 300}[round % 3];
    SCOPED_TRACE("round " + std::to_string(round) +
                 (autoSave ? ", edited in place" : ", on a working copy") +
                 (batchSize ? ", batches of " + std::to_string(batchSize) : std::string()));
    TempDir dir;
    RecordingSink sink;
    Preferences prefs;
    const std::string temp = dir.Path("temp.~km");
    const std::string map = dir.Path("map.zkm");
    {
      Document doc(&sink, &prefs, nullptr, temp);
      ASSERT_TRUE(doc.NewMap(MakeSymbolSet(dir.Path("set.zkm"))));
      ASSERT_TRUE(doc.SaveAs(map));
      ASSERT_TRUE(doc.Close());
    }
    const auto saved = ReadFileBytes(map);

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(fds[0]);
      EditUntilKilled(map, temp, autoSave, batchSize, fds[1]);
    }
    ::close(fds[1]);
    const int32_t target = std::uniform_int_distribution<int32_t>(1, 1500)(rng);
    int32_t committed = 0, n = 0;
    while (committed < target && ::read(fds[0], &n, sizeof n) == sizeof n) committed = n;
    ::usleep(std::uniform_int_distribution<useconds_t>(0, 2000)(rng));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status))
        << "the editing child stopped by itself: " << WEXITSTATUS(status);
    while (::read(fds[0], &n, sizeof n) == sizeof n) committed = n;
    ::close(fds[0]);
    ASSERT_GT(committed, 0);

    Document next(&sink, &prefs, nullptr, temp);
    if (autoSave) {
      prefs.autoSave = true;
      ASSERT_TRUE(next.Open(map));
    } else {
      EXPECT_EQ(ReadFileBytes(map), saved) << "the map was written without being saved";
      sink.answers = {Answer::Yes};
      prefs.file = dir.Path("elsewhere.zkm");
      next.Start({});
      ASSERT_TRUE(next.IsOpen());
      EXPECT_EQ(next.Name(), map);
    }
    MapStore& store = next.Store();
    ASSERT_GE(store.LiveObjectCount(), committed);
    EXPECT_FALSE(store.Damage().Any());
    for (int32_t i = 0; i < committed; ++i) {
      ObjectRecord o;
      ASSERT_TRUE(store.ReadObject(i + 1, &o)) << "object " << i + 1 << " of " << committed;
      EXPECT_EQ(o.coords, NthLine(i).coords);
    }
    if (!autoSave) {
      sink.answers = {Answer::No};
      ASSERT_TRUE(next.Close());
      EXPECT_EQ(ReadFileBytes(map), saved);
    }
  }
}

}  // namespace
}  // namespace zelk
