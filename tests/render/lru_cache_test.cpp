// The cache of recently used values within a cost budget.
#include "render/lru_cache.h"

#include <gtest/gtest.h>

#include <string>

namespace zelk {
namespace {

TEST(LruCache, EvictsTheLeastRecentlyUsedBeyondTheBudget) {
  LruCache<int, std::string> cache(10);
  cache.Insert(1, "one", 4);
  cache.Insert(2, "two", 4);
  ASSERT_NE(cache.Find(1), nullptr);  // 1 is now the most recent
  cache.Insert(3, "three", 4);        // 12 > 10: 2 goes
  EXPECT_EQ(cache.Find(2), nullptr);
  EXPECT_EQ(*cache.Find(1), "one");
  EXPECT_EQ(*cache.Find(3), "three");
  EXPECT_EQ(cache.TotalCost(), 8u);
  EXPECT_EQ(cache.Evictions(), 1u);
  // Replacing a value replaces its cost.
  cache.Insert(3, "drei", 1);
  EXPECT_EQ(cache.TotalCost(), 5u);
  EXPECT_EQ(*cache.Find(3), "drei");
  // A value over the whole budget stays alone.
  cache.Insert(4, "huge", 50);
  EXPECT_EQ(cache.Size(), 1u);
  EXPECT_EQ(*cache.Find(4), "huge");
  cache.Clear();
  EXPECT_EQ(cache.Size(), 0u);
  EXPECT_EQ(cache.TotalCost(), 0u);
}

}  // namespace
}  // namespace zelk
