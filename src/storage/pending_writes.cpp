// Held-back writes: one buffer for appended bytes, merged ranges for overwrites.
#include "storage/pending_writes.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace zelk {

namespace {

// Writes without showing anything: only puts back what a failed flush had changed.
void PutBack(FileSystem& files, int fd, int64_t pos, const uint8_t* data, int64_t n) {
  for (int64_t done = 0; done < n;) {
    const int64_t w = files.WriteAt(fd, data + done, static_cast<size_t>(n - done), pos + done);
    if (w <= 0) return;
    done += w;
  }
}

int64_t SizeOf(const std::vector<uint8_t>& v) {
  return static_cast<int64_t>(v.size());
}

}  // namespace

void PendingWrites::Begin(int64_t fileEnd) {
  Clear();
  active_ = true;
  appendStart_ = fileEnd;
}

void PendingWrites::End() {
  Clear();
  std::vector<uint8_t>().swap(appended_);  // a batch's buffer is not kept between batches
  active_ = false;
}

void PendingWrites::Clear() {
  appended_.clear();
  overwrites_.clear();
  overwritten_ = 0;
}

void PendingWrites::Write(int64_t pos, const void* data, int64_t n) {
  if (n <= 0) return;
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (pos < appendStart_) {
    const int64_t before = std::min(n, appendStart_ - pos);
    Overwrite(pos, bytes, before);
    pos += before;
    bytes += before;
    n -= before;
    if (n == 0) return;
  }
  const auto at = static_cast<size_t>(pos - appendStart_);
  if (at == appended_.size()) {
    appended_.insert(appended_.end(), bytes, bytes + n);
    return;
  }
  if (at + static_cast<size_t>(n) > appended_.size()) appended_.resize(at + static_cast<size_t>(n));
  std::memcpy(appended_.data() + at, bytes, static_cast<size_t>(n));
}

void PendingWrites::Overwrite(int64_t pos, const uint8_t* data, int64_t n) {
  const int64_t end = pos + n;
  // The first range that may overlap or touch [pos, end).
  auto first = overwrites_.upper_bound(pos);
  if (first != overwrites_.begin()) {
    auto previous = std::prev(first);
    if (previous->first + SizeOf(previous->second) >= pos) first = previous;
  }
  auto last = first;
  int64_t start = pos, stop = end;
  while (last != overwrites_.end() && last->first <= stop) {
    start = std::min(start, last->first);
    stop = std::max(stop, last->first + SizeOf(last->second));
    ++last;
  }
  if (first != last && std::next(first) == last && first->first == start) {
    // One range grows or is written over: the usual case of entries written in turn.
    std::vector<uint8_t>& v = first->second;
    overwritten_ += (stop - start) - SizeOf(v);
    v.resize(static_cast<size_t>(stop - start));
    std::memcpy(v.data() + (pos - start), data, static_cast<size_t>(n));
    return;
  }
  std::vector<uint8_t> merged(static_cast<size_t>(stop - start));
  for (auto it = first; it != last; ++it) {
    std::memcpy(merged.data() + (it->first - start), it->second.data(), it->second.size());
    overwritten_ -= SizeOf(it->second);
  }
  std::memcpy(merged.data() + (pos - start), data, static_cast<size_t>(n));
  overwrites_.erase(first, last);
  overwritten_ += SizeOf(merged);
  overwrites_.emplace(start, std::move(merged));
}

void PendingWrites::Overlay(int64_t pos, uint8_t* out, int64_t n) const {
  const int64_t end = pos + n;
  const int64_t appendedEnd = appendStart_ + SizeOf(appended_);
  const int64_t from = std::max(pos, appendStart_), to = std::min(end, appendedEnd);
  if (from < to)
    std::memcpy(out + (from - pos), appended_.data() + (from - appendStart_),
                static_cast<size_t>(to - from));
  auto it = overwrites_.upper_bound(pos);
  if (it != overwrites_.begin()) --it;
  for (; it != overwrites_.end() && it->first < end; ++it) {
    const int64_t a = std::max(pos, it->first);
    const int64_t b = std::min(end, it->first + SizeOf(it->second));
    if (a < b)
      std::memcpy(out + (a - pos), it->second.data() + (a - it->first), static_cast<size_t>(b - a));
  }
}

void PendingWrites::Flush(BufferedFile& file) {
  if (Empty()) return;
  FileSystem& files = file.Files();
  const int fd = file.Descriptor();
  const bool appending = !appended_.empty();
  // Bytes beyond the old end are referred to by nothing until the overwrites are made.
  const auto cutOff = [&] {
    if (appending && fd >= 0) files.Truncate(fd, appendStart_);
    Clear();
  };
  try {
    if (appending) file.WriteAt(appendStart_, appended_.data(), SizeOf(appended_));
  } catch (const FileError&) {
    cutOff();
    throw;
  }
  std::vector<std::vector<uint8_t>> before;
  before.reserve(overwrites_.size());
  for (const auto& [pos, bytes] : overwrites_) {
    before.emplace_back(bytes.size());
    if (file.ReadUpToAt(pos, before.back().data(), SizeOf(bytes)) != SizeOf(bytes)) {
      cutOff();
      file.Fail("Cannot read from");
    }
  }
  size_t written = 0;
  try {
    for (const auto& [pos, bytes] : overwrites_) {
      file.WriteAt(pos, bytes.data(), SizeOf(bytes));
      ++written;
    }
  } catch (const FileError&) {
    // The write that failed may have changed part of its range.
    size_t i = 0;
    for (auto it = overwrites_.begin(); it != overwrites_.end() && i <= written; ++it, ++i)
      PutBack(files, fd, it->first, before[i].data(), SizeOf(before[i]));
    cutOff();
    throw;
  }
  appendStart_ += SizeOf(appended_);
  Clear();
}

}  // namespace zelk
