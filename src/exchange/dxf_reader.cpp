#include "exchange/dxf_reader.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace zelk {

namespace {

constexpr size_t kChunk = 1 << 20;

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool ParseCode(std::string_view s, int* code) {
  s = TrimBlanks(s);
  if (s.empty()) return false;
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), *code);
  return ec == std::errc() && ptr == s.data() + s.size();
}

}  // namespace

std::optional<double> DxfGroup::Number() const {
  std::string_view s = TrimBlanks(value);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double v = 0;
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || ec != std::errc() || ptr != s.data() + s.size() || !std::isfinite(v))
    return std::nullopt;
  return v;
}

DxfReader::DxfReader(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
  if (file_) buffer_.resize(kChunk);
}

DxfReader::DxfReader(std::string_view data) : memory_(true), data_(data), end_(data.size()) {
  eof_ = true;
}

DxfReader::~DxfReader() {
  if (file_) std::fclose(file_);
}

bool DxfReader::Fill() {
  if (memory_ || eof_ || !file_) return false;
  // Keep the unread rest at the front and read behind it.
  const size_t rest = end_ - start_;
  if (rest > 0 && start_ > 0) std::memmove(buffer_.data(), buffer_.data() + start_, rest);
  start_ = 0;
  end_ = rest;
  const size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
  if (got == 0) {
    if (std::ferror(file_)) readFailed_ = true;
    eof_ = true;
    return false;
  }
  end_ += got;
  return true;
}

bool DxfReader::ReadLine(std::string_view* line) {
  const char* base = memory_ ? data_.data() : buffer_.data();
  longLine_.clear();
  bool longer = false;
  for (;;) {
    base = memory_ ? data_.data() : buffer_.data();
    const void* nl = start_ < end_ ? std::memchr(base + start_, '\n', end_ - start_) : nullptr;
    if (nl) {
      const size_t at = static_cast<size_t>(static_cast<const char*>(nl) - base);
      std::string_view part(base + start_, at - start_);
      consumed_ += static_cast<int64_t>(at + 1 - start_);
      start_ = at + 1;
      if (longer) {
        if (longLine_.size() < kMaxLine)
          longLine_.append(part.substr(0, kMaxLine - longLine_.size()));
        part = longLine_;
      }
      if (!part.empty() && part.back() == '\r') part.remove_suffix(1);
      *line = part;
      return true;
    }
    // No line end in what is buffered: with the buffer full, keep the start of the line aside.
    if (!memory_ && start_ == 0 && end_ == buffer_.size()) {
      if (longLine_.size() < kMaxLine)
        longLine_.append(base, std::min(end_, kMaxLine - longLine_.size()));
      consumed_ += static_cast<int64_t>(end_);
      start_ = end_ = 0;
      longer = true;
    }
    if (!Fill()) {
      // The last line of the file has no line end.
      if (start_ < end_ || longer) {
        std::string_view part(base + start_, end_ - start_);
        consumed_ += static_cast<int64_t>(end_ - start_);
        start_ = end_;
        if (longer) {
          if (longLine_.size() < kMaxLine)
            longLine_.append(part.substr(0, kMaxLine - longLine_.size()));
          part = longLine_;
        }
        if (!part.empty() && part.back() == '\r') part.remove_suffix(1);
        *line = part;
        return true;
      }
      return false;
    }
  }
}

DxfReader::Result DxfReader::Next(DxfGroup* group) {
  std::string_view code;
  if (!ReadLine(&code)) return Result::End;
  // The value line may move the buffer: keep the code line's text.
  int number = 0;
  const bool codeOk = ParseCode(code, &number);
  std::string_view value;
  if (!ReadLine(&value)) return Result::End;
  if (!codeOk) return Result::Error;
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  group->code = number;
  group->value = value;
  return Result::Group;
}

bool LooksLikeDxf(std::string_view head) {
  DxfReader reader(head);
  DxfGroup g;
  for (int i = 0; i < 3; ++i)
    if (reader.Next(&g) != DxfReader::Result::Group) return false;
  return true;
}

bool IsBinaryDxf(std::string_view head) {
  static constexpr std::string_view kSentinel = "AutoCAD Binary DXF";
  return head.substr(0, kSentinel.size()) == kSentinel;
}

}  // namespace zelk
