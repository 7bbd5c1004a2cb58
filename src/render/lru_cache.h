// A map that keeps the most recently used values within a cost budget.
#pragma once

#include <cstddef>
#include <functional>
#include <list>
#include <unordered_map>
#include <utility>

namespace zelk {

// Each value has a cost (bytes, say); when an insertion takes the total over the budget, the
// least recently used values go until it fits again. The newest value always stays, even when it
// alone is over the budget. Find and Insert make a value the most recent one. Pointers returned
// stay valid until the value is evicted or the cache is cleared.
template <typename Key, typename Value, typename Hash = std::hash<Key>>
class LruCache {
 public:
  explicit LruCache(size_t budget) : budget_(budget) {}
  LruCache(const LruCache&) = delete;
  LruCache& operator=(const LruCache&) = delete;

  Value* Find(const Key& key) {
    auto it = index_.find(key);
    if (it == index_.end()) return nullptr;
    if (it->second != entries_.begin()) entries_.splice(entries_.begin(), entries_, it->second);
    return &it->second->value;
  }

  // Adds or replaces the value of key.
  Value& Insert(const Key& key, Value value, size_t cost) {
    if (auto it = index_.find(key); it != index_.end()) {
      total_ -= it->second->cost;
      entries_.erase(it->second);
      index_.erase(it);
    }
    entries_.push_front(Entry{key, std::move(value), cost});
    index_.emplace(key, entries_.begin());
    total_ += cost;
    while (total_ > budget_ && entries_.size() > 1) {
      Entry& last = entries_.back();
      total_ -= last.cost;
      index_.erase(last.key);
      entries_.pop_back();
      ++evictions_;
    }
    return entries_.front().value;
  }

  // Changes the cost of a value found before, as when it grew; may evict others.
  void SetCost(const Key& key, size_t cost) {
    auto it = index_.find(key);
    if (it == index_.end()) return;
    Value moved = std::move(it->second->value);
    Insert(key, std::move(moved), cost);
  }

  void Clear() {
    index_.clear();
    entries_.clear();
    total_ = 0;
  }

  size_t Size() const { return entries_.size(); }
  size_t TotalCost() const { return total_; }
  size_t Budget() const { return budget_; }
  size_t Evictions() const { return evictions_; }

 private:
  struct Entry {
    Key key;
    Value value;
    size_t cost;
  };
  using List = std::list<Entry>;

  size_t budget_;
  size_t total_ = 0;
  size_t evictions_ = 0;
  List entries_;
  std::unordered_map<Key, typename List::iterator, Hash> index_;
};

}  // namespace zelk
