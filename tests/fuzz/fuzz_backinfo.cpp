// Reads arbitrary bytes as a disk's information file, and as the one file of a disk.
#include <cstdint>
#include <string_view>

#include "storage/backup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const zelk::BackInfo info = zelk::ParseBackInfo(text);
  // What a restore derives from it must be well formed.
  const std::string piece = info.PieceName();
  if (piece.size() > info.file.size()) __builtin_trap();
  const std::string again = zelk::FormatBackInfo(info);
  const zelk::BackInfo back = zelk::ParseBackInfo(again);
  // A line of the file is read whole unless it holds a line break itself.
  if (info.file.find_first_of("\r\n") == std::string::npos && back.file != info.file)
    __builtin_trap();
  // Numbers of up to ten characters survive writing and reading.
  const auto fits = [](int32_t v) { return v >= -999999999 && v <= 2147483647; };
  if (fits(info.disk) && back.disk != info.disk) __builtin_trap();
  if (fits(info.last) && back.last != info.last) __builtin_trap();
  return 0;
}
