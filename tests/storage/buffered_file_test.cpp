// The file object: its failure messages, line reading and the durable copy.
#include "storage/buffered_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "test_support.h"

namespace zelk {
namespace {

TEST(BufferedFile, FailuresNameTheFileAndRaise) {
  TempDir dir;
  RecordingSink sink;
  BufferedFile f(&sink);
  const std::string missing = dir.Path("missing.zkm");
  EXPECT_THROW(f.OpenExisting(missing), FileError);
  ASSERT_EQ(sink.errors.size(), 1u);
  EXPECT_EQ(sink.errors[0], "Cannot open " + missing);

  f.Create(dir.Path("a.bin"));
  f.Write("abc", 3);
  f.Seek(0);
  char buf[8];
  EXPECT_EQ(f.ReadUpTo(buf, 8), 3);
  f.Seek(1);
  EXPECT_THROW(f.Read(buf, 3), FileError);  // fewer bytes than asked is a failure
  EXPECT_EQ(sink.errors.back(), "Cannot read from " + dir.Path("a.bin"));
  EXPECT_THROW(f.Seek(-1), FileError);
  EXPECT_THROW(f.Create(dir.Path("no/such/dir/x")), FileError);
  EXPECT_EQ(sink.errors.back(), "Cannot create " + dir.Path("no/such/dir/x"));
}

TEST(BufferedFile, ReadsLinesEndingInCrLfOrLf) {
  TempDir dir;
  RecordingSink sink;
  BufferedFile f(&sink);
  f.Create(dir.Path("t.txt"));
  f.WriteLine("first");
  f.Write("second\nthird", 12);
  f.Seek(0);
  EXPECT_EQ(f.ReadLine(), "first");
  EXPECT_EQ(f.ReadLine(), "second");
  EXPECT_EQ(f.ReadLine(), "third");
  EXPECT_TRUE(f.EndReached());
  std::string longLine(1000, 'q');
  f.Seek(0);
  f.WriteLine(longLine);
  f.Seek(0);
  EXPECT_EQ(f.ReadLine(), longLine);
}

TEST(BufferedFile, ReadAtLeavesThePositionAfterTheBytesRead) {
  TempDir dir;
  RecordingSink sink;
  BufferedFile f(&sink);
  f.Create(dir.Path("p.bin"));
  f.Write("0123456789", 10);
  char buf[4] = {};
  f.ReadAt(2, buf, 3);
  EXPECT_EQ(std::string(buf, 3), "234");
  EXPECT_EQ(f.Position(), 5);
  f.Write("xy", 2);  // continues where the read ended
  f.ReadAt(0, buf, 4);
  EXPECT_EQ(std::string(buf, 4), "0123");
  char rest[5] = {};
  EXPECT_EQ(f.ReadUpTo(rest, 5), 5);
  EXPECT_EQ(std::string(rest, 5), "4xy78");
  EXPECT_THROW(f.ReadAt(8, buf, 4), FileError);  // past the end
}

TEST(BufferedFile, CreatingAHeldFileEmptiesItOnlyWhenItHoldsSomething) {
  class CountedTruncates : public FileSystem {
   public:
    int truncates = 0;
    bool Truncate(int fd, int64_t size) override {
      ++truncates;
      return FileSystem::Truncate(fd, size);
    }
  };
  TempDir dir;
  RecordingSink sink;
  for (const size_t size : {size_t{0}, size_t{10}}) {
    CountedTruncates files;
    WriteFileBytes(dir.Path("held"), std::vector<uint8_t>(size, 1));
    BufferedFile f(&sink, &files);
    f.Create(dir.Path("held"), true);
    EXPECT_EQ(f.Size(), 0);
    EXPECT_EQ(files.truncates, size > 0 ? 1 : 0) << size << " bytes";
  }
}

TEST(SaveCopy, ReplacesTheTargetOrLeavesItIntact) {
  TempDir dir;
  RecordingSink sink;
  WriteFileBytes(dir.Path("src"), std::vector<uint8_t>(40000, 7));
  WriteFileBytes(dir.Path("dst"), std::vector<uint8_t>(10, 1));
  ASSERT_TRUE(SaveCopy(dir.Path("src"), dir.Path("dst"), &sink));
  EXPECT_EQ(ReadFileBytes(dir.Path("dst")), std::vector<uint8_t>(40000, 7));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2)
      << "a temporary file was left";

  // A source that cannot be read leaves the old target as it was.
  WriteFileBytes(dir.Path("dst"), std::vector<uint8_t>(10, 1));
  EXPECT_FALSE(SaveCopy(dir.Path("nothing"), dir.Path("dst"), &sink));
  EXPECT_EQ(ReadFileBytes(dir.Path("dst")), std::vector<uint8_t>(10, 1));
  // A target folder that does not exist cannot be created in.
  sink.errors.clear();
  EXPECT_FALSE(SaveCopy(dir.Path("src"), dir.Path("gone/dst"), &sink));
  ASSERT_FALSE(sink.errors.empty());
  EXPECT_EQ(sink.errors.back(), "Cannot create " + dir.Path("gone/dst"));
}

// A system that copies between files itself only as far as told, then fails with `error`.
class LimitedCopies : public FileSystem {
 public:
  int64_t copyable = 0;
  int error = ENOSYS;
  int64_t CopyRange(int in, int out, size_t n) override {
    if (copyable <= 0) return errno = error, -1;
    const int64_t copied =
        FileSystem::CopyRange(in, out, static_cast<size_t>(std::min<int64_t>(copyable, n)));
    if (copied > 0) copyable -= copied;
    return copied;
  }
};

TEST(CopyFile, CopiesEveryByteWhereverTheSystemStopsCopying) {
  TempDir dir;
  RecordingSink sink;
  std::vector<uint8_t> bytes((3 << 20) + 4321);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 4099);
  WriteFileBytes(dir.Path("map"), bytes);
  const struct {
    int64_t copyable;
    int error;
  } cases[] = {
      {int64_t{1} << 40, ENOSYS}, {0, ENOSYS}, {0, EXDEV}, {100000, EIO}, {1 << 20, ENOSPC}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.copyable) + " bytes copied by the system");
    LimitedCopies files;
    files.copyable = c.copyable;
    files.error = c.error;
    ASSERT_TRUE(CopyFile(dir.Path("map"), dir.Path("copy"), &sink, &files));
    EXPECT_EQ(ReadFileBytes(dir.Path("copy")), bytes);
    std::filesystem::remove(dir.Path("copy"));
  }
  EXPECT_TRUE(sink.errors.empty());
}

}  // namespace
}  // namespace zelk
