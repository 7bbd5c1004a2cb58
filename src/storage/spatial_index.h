// The engine's in-memory spatial index over the boxes of the map's live objects.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "storage/coord.h"

namespace zelk {

// A packed R-tree built in one go over (box, object number), plus a list of the objects changed
// since. Its answers are candidates: the owner checks each against the object's current index
// entry, so an entry the tree still holds after the object moved or was deleted does no harm,
// and nothing but the boxes of changed objects has to be told to it. Keeping it current costs
// one append per change; the tree is built again by the first query after the list of changes
// grew too long (the owner asks NeedsBuild() before each query).
class SpatialIndex {
 public:
  struct Item {
    Box box;
    int32_t number = 0;
  };

  // Nodes have this many children; leaves this many items.
  static constexpr size_t kNodeSize = 16;
  // The list of changes may grow to max(kMinChanges, tree items / 16); one more change drops
  // the tree, and the next query builds it again.
  static constexpr size_t kMinChanges = 1024;

  // Everything known is dropped; changes are not kept until the next Build.
  void Invalidate();
  bool NeedsBuild() const { return !valid_; }
  // Builds the tree over `items` (the boxes of all live objects) and empties the list of changes.
  void Build(std::vector<Item> items);
  // Object `number` was written with this box. Once the list is too long for the tree to be
  // kept, the whole index is dropped, so that adding many objects costs nothing further.
  void Changed(int32_t number, const Box& box) {
    if (!valid_) return;
    if (changes_.size() >= ChangeLimit()) return Invalidate();
    changes_.push_back(Item{box, number});
  }
  // Appends the numbers of the items of the tree and of the list of changes whose box meets
  // `rect`, unsorted; a number may come more than once.
  void Candidates(const Box& rect, std::vector<int32_t>* numbers) const;

  size_t ChangeLimit() const { return std::max(kMinChanges, items_.size() / 16); }
  bool Valid() const { return valid_; }
  size_t TreeSize() const { return items_.size(); }
  size_t ChangeCount() const { return changes_.size(); }

 private:
  bool valid_ = false;
  std::vector<Item> items_;          // the leaves' items, in Hilbert order of their centres
  std::vector<Box> nodes_;           // the node boxes, level by level from the leaves up
  std::vector<size_t> levelStarts_;  // where each level begins in nodes_, then its end
  std::vector<Item> changes_;
};

}  // namespace zelk
