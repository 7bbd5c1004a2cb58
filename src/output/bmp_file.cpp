// Uncompressed 24-bit Windows bitmap files.
#include "output/bmp_file.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "storage/buffered_file.h"
#include "storage/byte_io.h"
#include "storage/coord.h"

namespace zelk {

int32_t PixelsPerMetre(int resolution) {
  return static_cast<int32_t>(std::nearbyint(resolution / double(kUnitsPerInch) * 100000.0));
}

std::array<uint8_t, kBmpPixelOffset> BmpHeader24(int width, int height, int resolution) {
  std::array<uint8_t, kBmpPixelOffset> h{};
  const uint32_t imageSize = BmpRowSize(24, width) * static_cast<uint32_t>(height);
  uint8_t* p = h.data();
  p[0] = 'B';
  p[1] = 'M';
  PutI32(p + 2, imageSize + kBmpPixelOffset);
  PutI32(p + 10, kBmpPixelOffset);
  uint8_t* info = p + kBmpFileHeaderSize;
  PutI32(info + 0, kBmpInfoHeaderSize);
  PutI32(info + 4, width);
  PutI32(info + 8, height);  // positive: the bottom row comes first
  PutI16(info + 12, 1);      // planes
  PutI16(info + 14, 24);     // bits per pixel
  PutI32(info + 16, 0);      // no compression
  PutI32(info + 20, imageSize);
  PutI32(info + 24, PixelsPerMetre(resolution));
  PutI32(info + 28, PixelsPerMetre(resolution));
  PutI32(info + 32, 0);  // colours used: none, there is no palette
  PutI32(info + 36, 0);
  return h;
}

namespace {

// A name beside the target that no other writer uses.
std::string TemporaryNameBeside(const std::string& path) {
  return path + ".part-" + std::to_string(::getpid());
}

}  // namespace

bool WriteBmp24(const std::string& path, int width, int height, int resolution,
                const BmpRowSource& rows, MessageSink* sink, Progress* progress) {
  if (width < 1 || height < 1) return false;
  NullProgress none;
  Progress& shown = progress ? *progress : none;
  const std::string temp = TemporaryNameBeside(path);
  // Failures are reported under the name the user chose, not the temporary one.
  BufferedFile file(nullptr);
  const char* failure = "Cannot create";
  shown.Start(";lines written", height, 50, false);
  try {
    file.Create(temp);
    failure = "Cannot write to";
    const auto header = BmpHeader24(width, height, resolution);
    file.Write(header.data(), static_cast<int64_t>(header.size()));
    const uint32_t rowSize = BmpRowSize(24, width);
    // Rows are collected into writes of about a megabyte; the padding bytes stay zero.
    const int rowsPerWrite = std::clamp(static_cast<int>((1u << 20) / rowSize), 1, height);
    std::vector<uint8_t> chunk(static_cast<size_t>(rowSize) * rowsPerWrite, 0);
    int collected = 0;
    for (int written = 0; written < height; ++written) {
      rows(height - 1 - written, chunk.data() + static_cast<size_t>(rowSize) * collected);
      if (++collected == rowsPerWrite || written + 1 == height) {
        file.Write(chunk.data(), static_cast<int64_t>(rowSize) * collected);
        collected = 0;
        shown.Step(written + 1, written + 1);
      }
    }
    file.SyncToDisk();
    file.Close();
  } catch (const FileError&) {
    if (file.IsOpen()) file.CloseAndDelete();
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    shown.End();
    if (sink) sink->Error(ComposeMessage(failure, path));
    return false;
  }
  shown.End();
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    if (sink) sink->Error(ComposeMessage("Cannot create", path));
    return false;
  }
  return true;
}

}  // namespace zelk
