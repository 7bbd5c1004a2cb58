// DXF groups read from a file or from memory, line by line, in one pass with no allocation per
// line.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelk {

struct DxfGroup {
  int code = 0;
  std::string_view value;  // leading blanks removed; valid until the next Next()
  // The value as a number, or nothing when it is not one.
  std::optional<double> Number() const;
  bool Is(int c, std::string_view v) const { return code == c && value == v; }
};

class DxfReader {
 public:
  enum class Result { Group, End, Error };
  // Lines longer than this keep only their start: a value of megabytes is read past, not kept.
  static constexpr size_t kMaxLine = 65536;

  // Reads the file at `path`; Open() says whether it could be opened.
  explicit DxfReader(const std::string& path);
  // Reads `data`, which must outlive the reader.
  explicit DxfReader(std::string_view data);
  ~DxfReader();
  DxfReader(const DxfReader&) = delete;
  DxfReader& operator=(const DxfReader&) = delete;

  bool Open() const { return file_ != nullptr || memory_; }
  // The next group; Error for a code line that is not a whole number before the end of the
  // file. The end of the file anywhere, also after a code line, is End.
  Result Next(DxfGroup* group);
  // Bytes read so far (for progress).
  int64_t Position() const { return consumed_; }
  bool ReadFailed() const { return readFailed_; }

 private:
  bool ReadLine(std::string_view* line);
  bool Fill();

  std::FILE* file_ = nullptr;
  bool memory_ = false;
  std::string_view data_;
  std::vector<char> buffer_;
  size_t start_ = 0, end_ = 0;  // unread bytes of buffer_ (file) or data_ (memory)
  bool eof_ = false;
  bool readFailed_ = false;
  int64_t consumed_ = 0;
  std::string longLine_;  // a line that did not fit the buffer's rest
  std::string codeLine_;
};

// The first six lines are three groups whose code lines are whole numbers.
bool LooksLikeDxf(std::string_view head);
// "AutoCAD Binary DXF" files start with this sentinel.
bool IsBinaryDxf(std::string_view head);

}  // namespace zelk
