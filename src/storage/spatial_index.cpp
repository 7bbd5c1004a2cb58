// The engine's spatial index: a packed R-tree in Hilbert order and the list of changes since.
#include "storage/spatial_index.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

namespace zelk {

namespace {

// Position of (x, y) along the Hilbert curve through a 65536 x 65536 grid. Neighbours on the
// curve are neighbours on the sheet, so runs of items in this order make compact nodes. The
// quadrant of every level is found for all levels at once by bit operations (a prefix scan of
// the curve's rotations and reflections), then the bits of both coordinates are interleaved.
uint32_t HilbertPosition(uint32_t x, uint32_t y) {
  uint32_t a = x ^ y, b = 0xffff ^ a, c = 0xffff ^ (x | y), d = x & (y ^ 0xffff);
  uint32_t na = a | (b >> 1), nb = (a >> 1) ^ a, nc = ((c >> 1) ^ (b & (d >> 1))) ^ c,
           nd = ((a & (c >> 1)) ^ (d >> 1)) ^ d;
  for (const int shift : {2, 4}) {
    a = na, b = nb, c = nc, d = nd;
    na = (a & (a >> shift)) ^ (b & (b >> shift));
    nb = (a & (b >> shift)) ^ (b & ((a ^ b) >> shift));
    nc ^= (a & (c >> shift)) ^ (b & (d >> shift));
    nd ^= (b & (c >> shift)) ^ ((a ^ b) & (d >> shift));
  }
  a = na, b = nb, c = nc, d = nd;
  nc ^= (a & (c >> 8)) ^ (b & (d >> 8));
  nd ^= (b & (c >> 8)) ^ ((a ^ b) & (d >> 8));
  a = nc ^ (nc >> 1);
  b = nd ^ (nd >> 1);
  const uint32_t i0 = x ^ y, i1 = b | (0xffff ^ (i0 | a));
  auto spread = [](uint32_t v) {
    v = (v | (v << 8)) & 0x00ff00ff;
    v = (v | (v << 4)) & 0x0f0f0f0f;
    v = (v | (v << 2)) & 0x33333333;
    return (v | (v << 1)) & 0x55555555;
  };
  return (spread(i1) << 1) | spread(i0);
}

// Sorts keys by their upper 32 bits, keeping the order of equal ones: for many keys two passes
// of counting by 16 bits, for few an ordinary sort (the lower bits are distinct indexes).
void SortByUpperHalf(std::vector<uint64_t>& keys) {
  if (keys.size() < (size_t{1} << 14)) {
    std::sort(keys.begin(), keys.end());
    return;
  }
  std::vector<uint64_t> sorted(keys.size());
  std::vector<uint32_t> start(size_t{1} << 16);
  for (const int shift : {32, 48}) {
    std::fill(start.begin(), start.end(), 0);
    for (const uint64_t k : keys) ++start[(k >> shift) & 0xffff];
    uint32_t sum = 0;
    for (uint32_t& s : start) sum += std::exchange(s, sum);
    for (const uint64_t k : keys) sorted[start[(k >> shift) & 0xffff]++] = k;
    keys.swap(sorted);
  }
}

// The union of boxes [from, to) of a level.
template <class GetBox>
Box UnionOf(size_t from, size_t to, GetBox box) {
  Box b = box(from);
  for (size_t i = from + 1; i < to; ++i) b.Unite(box(i));
  return b;
}

}  // namespace

void SpatialIndex::Invalidate() {
  valid_ = false;
  std::vector<Item>().swap(items_);
  std::vector<Box>().swap(nodes_);
  levelStarts_.clear();
  std::vector<Item>().swap(changes_);
}

void SpatialIndex::Build(std::vector<Item> items) {
  valid_ = true;
  changes_.clear();
  nodes_.clear();
  levelStarts_.clear();
  const size_t n = items.size();
  items_.clear();
  if (n == 0) return;

  // Box centres (doubled, so no halves are lost) scaled to the Hilbert grid over their extent.
  constexpr int64_t kLow = std::numeric_limits<int64_t>::min();
  constexpr int64_t kHigh = std::numeric_limits<int64_t>::max();
  int64_t minX = kHigh, minY = kHigh, maxX = kLow, maxY = kLow;
  for (const Item& it : items) {
    const int64_t cx = int64_t{it.box.left} + it.box.right;
    const int64_t cy = int64_t{it.box.bottom} + it.box.top;
    minX = std::min(minX, cx);
    maxX = std::max(maxX, cx);
    minY = std::min(minY, cy);
    maxY = std::max(maxY, cy);
  }
  const int64_t width = std::max<int64_t>(maxX - minX, 1);
  const int64_t height = std::max<int64_t>(maxY - minY, 1);
  std::vector<uint64_t> keys(n);
  for (size_t i = 0; i < n; ++i) {
    const Box& b = items[i].box;
    const auto hx = static_cast<uint32_t>((int64_t{b.left} + b.right - minX) * 0xffff / width);
    const auto hy = static_cast<uint32_t>((int64_t{b.bottom} + b.top - minY) * 0xffff / height);
    keys[i] = (uint64_t{HilbertPosition(hx, hy)} << 32) | i;
  }
  SortByUpperHalf(keys);
  items_.resize(n);
  for (size_t i = 0; i < n; ++i) items_[i] = items[keys[i] & 0xffffffffu];

  // Level 0 holds one box per leaf; each level above one per kNodeSize nodes below, up to a
  // single root.
  levelStarts_.push_back(0);
  for (size_t i = 0; i < n; i += kNodeSize)
    nodes_.push_back(UnionOf(i, std::min(i + kNodeSize, n),
                             [&](size_t k) -> const Box& { return items_[k].box; }));
  levelStarts_.push_back(nodes_.size());
  while (levelStarts_.back() - levelStarts_[levelStarts_.size() - 2] > 1) {
    const size_t from = levelStarts_[levelStarts_.size() - 2], to = levelStarts_.back();
    for (size_t i = from; i < to; i += kNodeSize) {
      const Box b = UnionOf(i, std::min(i + kNodeSize, to), [&](size_t k) { return nodes_[k]; });
      nodes_.push_back(b);
    }
    levelStarts_.push_back(nodes_.size());
  }
}

void SpatialIndex::Candidates(const Box& rect, std::vector<int32_t>* numbers) const {
  for (const Item& c : changes_)
    if (c.box.Meets(rect)) numbers->push_back(c.number);
  if (items_.empty()) return;
  const size_t top = levelStarts_.size() - 2;
  if (!nodes_[levelStarts_[top]].Meets(rect)) return;
  // Depth first; at most kNodeSize nodes wait per level, and there are fewer than 16 levels.
  std::array<std::pair<uint32_t, uint32_t>, kNodeSize * 16> stack;
  size_t depth = 0;
  stack[depth++] = {static_cast<uint32_t>(top), 0};
  while (depth > 0) {
    const auto [level, node] = stack[--depth];
    const size_t first = size_t{node} * kNodeSize;
    if (level == 0) {
      const size_t last = std::min(first + kNodeSize, items_.size());
      for (size_t i = first; i < last; ++i)
        if (items_[i].box.Meets(rect)) numbers->push_back(items_[i].number);
      continue;
    }
    const size_t below = levelStarts_[level - 1];
    const size_t last = std::min(first + kNodeSize, levelStarts_[level] - below);
    for (size_t i = first; i < last; ++i)
      if (nodes_[below + i].Meets(rect)) stack[depth++] = {level - 1, static_cast<uint32_t>(i)};
  }
}

}  // namespace zelk
