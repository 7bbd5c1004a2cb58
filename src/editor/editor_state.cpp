// The editing state's buffers, reserved once when the main window is created.
#include "editor/editor_state.h"

#include <algorithm>
#include <bit>

namespace zelk {

EditorState::EditorState() {
  ObjectBuffer.coords.reserve(kMaxPoints);
  WorkBlock.reserve(2 * 65536);
  UndoBlock.reserve(3 * kObjectBlockSize);
}

bool MarkedObjects::Mark(int32_t n) {
  if (n <= 0 || n > kCapacity || Has(n)) return false;
  const size_t w = static_cast<size_t>(n) >> 6;
  words_[w] |= uint64_t{1} << (n & 63);
  low_ = std::min(low_, w);
  high_ = std::max(high_, w);
  ++count_;
  return true;
}

bool MarkedObjects::Unmark(int32_t n) {
  if (!Has(n)) return false;
  words_[static_cast<size_t>(n) >> 6] &= ~(uint64_t{1} << (n & 63));
  --count_;
  return true;
}

void MarkedObjects::Clear() {
  if (low_ <= high_)
    std::fill(words_.begin() + static_cast<ptrdiff_t>(low_),
              words_.begin() + static_cast<ptrdiff_t>(high_) + 1, 0);
  low_ = SIZE_MAX;
  high_ = 0;
  count_ = 0;
  Extent = Box{};
  Shown = false;
}

std::vector<int32_t> MarkedObjects::Objects() const {
  std::vector<int32_t> out;
  out.reserve(static_cast<size_t>(count_));
  for (size_t w = low_; w <= high_ && w < words_.size(); ++w) {
    for (uint64_t bits = words_[w]; bits != 0; bits &= bits - 1)
      out.push_back(static_cast<int32_t>(w * 64 + static_cast<size_t>(std::countr_zero(bits))));
  }
  return out;
}

void MarkedObjects::Assign(const std::vector<int32_t>& objects, const Box& extent) {
  Clear();
  for (int32_t n : objects) Mark(n);
  Extent = extent;
  Shown = count_ >= 2;
}

}  // namespace zelk
