// Element pools: the block growth sequence, reuse of freed elements, return of empty blocks,
// shared pools with their reference counts, and locked pools used from several threads.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "runtime_fixture.h"
#include "testing.h"

namespace {

class PoolTest : public CoreRuntimeTest {};

std::vector<int64_t> Capacities(ElementPool* pool) {
  std::vector<int64_t> capacities(PoolBlockCapacities(pool, nullptr, 0));
  PoolBlockCapacities(pool, capacities.data(), static_cast<int64_t>(capacities.size()));
  return capacities;
}

TEST_F(PoolTest, StrideRoundsUpToEightAndAddsTheHeader) {
  EXPECT_EQ(PoolCreate(8, 16, 64, 0)->stride, 16);
  EXPECT_EQ(PoolCreate(9, 16, 64, 0)->stride, 24);
  EXPECT_EQ(PoolCreate(15, 16, 64, 0)->stride, 24);
  EXPECT_EQ(PoolCreate(16, 16, 64, 0)->stride, 24);
  EXPECT_EQ(PoolCreate(1, 16, 64, 0)->stride, 16);
}

TEST_F(PoolTest, BlocksGrowWithThePool) {
  ElementPool* pool = PoolCreate(24, 16, 65536, 0);
  std::vector<int64_t> sizes;
  int64_t previous = 0;
  for (int i = 0; i < 1200; ++i) {
    ASSERT_NE(PoolAlloc(pool), nullptr);
    if (pool->totalCapacity != previous) {
      sizes.push_back(pool->totalCapacity - previous);
      previous = pool->totalCapacity;
    }
  }
  // 32 blocks of 16 up to 512 elements, then a sixteenth of the total in steps of 16.
  std::vector<int64_t> expected(32, 16);
  for (int64_t total = 512; total < 1200;) {
    int64_t block = total / 16 / 16 * 16;
    expected.push_back(block);
    total += block;
  }
  EXPECT_EQ(sizes, expected);
  EXPECT_EQ(expected[32], 32);  // at 512
  EXPECT_EQ(expected[40], 48);  // at 768
}

TEST_F(PoolTest, LargestBlockCountCapsTheGrowth) {
  ElementPool* pool = PoolCreate(8, 4, 20, 0);
  for (int i = 0; i < 2000; ++i) PoolAlloc(pool);
  for (int64_t capacity : Capacities(pool)) EXPECT_LE(capacity, 20);
}

TEST_F(PoolTest, FreedElementsAreReusedAndEmptyBlocksReturned) {
  ElementPool* pool = PoolCreate(32, 16, 512, 0);
  std::vector<void*> elements;
  for (int i = 0; i < 40; ++i) elements.push_back(PoolAllocZeroed(pool));
  EXPECT_EQ(pool->totalCapacity, 48);
  std::memset(elements[5], 0xEE, 32);
  void* freed = elements[5];
  PoolFree(pool, freed);
  EXPECT_EQ(PoolAlloc(pool), freed);
  EXPECT_EQ(static_cast<unsigned char*>(PoolAllocZeroed(pool))[31], 0);
  // Free the newest block's elements: the block goes back to the heap.
  for (int i = 32; i < 40; ++i) PoolFree(pool, elements[i]);
  int64_t before = pool->totalCapacity;
  void* last = nullptr;
  for (int i = 0; i < 32; ++i) {
    if (i != 5) PoolFree(pool, elements[i]);
  }
  (void)last;
  EXPECT_LT(pool->totalCapacity, before);
  PoolRelease(pool);
}

TEST_F(PoolTest, ElementsDoNotOverlap) {
  ElementPool* pool = PoolCreate(20, 16, 64, 0);
  std::set<char*> seen;
  std::vector<char*> elements;
  for (int i = 0; i < 300; ++i) {
    auto* element = static_cast<char*>(PoolAlloc(pool));
    std::memset(element, i & 0xFF, 20);
    elements.push_back(element);
  }
  for (int i = 0; i < 300; ++i) {
    for (int b = 0; b < 20; ++b) ASSERT_EQ(static_cast<unsigned char>(elements[i][b]), i & 0xFF);
  }
  PoolClear(pool);
  EXPECT_EQ(pool->totalCapacity, 0);
  EXPECT_NE(PoolAlloc(pool), nullptr);
  PoolRelease(pool);
}

TEST_F(PoolTest, SharedPoolsAreCountedByStrideAndFlags) {
  ElementPool* a = PoolCreate(24, 16, 65536, kPoolShared);
  ElementPool* b = PoolCreate(20, 16, 65536, kPoolShared);  // same stride
  ElementPool* c = PoolCreate(40, 16, 65536, kPoolShared);
  ElementPool* d = PoolCreate(24, 16, 65536, kPoolShared | kPoolLocked);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  EXPECT_NE(a, d);
  void* element = PoolAlloc(a);
  PoolRelease(a);  // one user left: the pool and its element stay
  EXPECT_EQ(PoolCreate(24, 16, 65536, kPoolShared), b);
  PoolRelease(b);
  PoolFree(b, element);
  PoolRelease(b);  // the last user: a new request makes a new pool
  ElementPool* e = PoolCreate(24, 16, 65536, kPoolShared);
  EXPECT_EQ(e->totalCapacity, 0);
  PoolRelease(e);
  PoolRelease(c);
  PoolRelease(d);
}

TEST_F(PoolTest, LockedPoolsServeSeveralThreads) {
  ElementPool* pool = PoolCreate(16, 16, 1024, kPoolLocked);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([pool, t] {
      std::vector<int64_t*> mine;
      for (int i = 0; i < 2000; ++i) {
        auto* element = static_cast<int64_t*>(PoolAlloc(pool));
        *element = t * 100000 + i;
        mine.push_back(element);
        if (i % 3 == 0) {
          PoolFree(pool, mine.back());
          mine.pop_back();
        }
      }
      for (size_t i = 0; i < mine.size(); ++i) EXPECT_EQ(*mine[i] / 100000, t);
      for (int64_t* element : mine) PoolFree(pool, element);
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(pool->totalCapacity, 0);
  PoolRelease(pool);
}

TEST_F(PoolTest, AFailedBlockFallsBackToOneElementThenToNone) {
  ElementPool* pool = PoolCreate(8, 16, 64, 0);
  platform::testing::HeapFailAfter(1);
  void* single = PoolAlloc(pool);
  ASSERT_NE(single, nullptr);
  EXPECT_EQ(pool->totalCapacity, 1);
  // The single-element block is full; the next block and its one-element fallback both fail.
  platform::testing::HeapFailAfter(1, 2);
  EXPECT_EQ(PoolAlloc(pool), nullptr);
  EXPECT_EQ(pool->totalCapacity, 1);
  platform::testing::HeapFailAfter(1);
  void* fallback = PoolAlloc(pool);
  EXPECT_NE(fallback, nullptr);
  EXPECT_EQ(pool->totalCapacity, 2);
  PoolFree(pool, single);
  PoolFree(pool, fallback);
  EXPECT_EQ(pool->totalCapacity, 0);
  PoolRelease(pool);
}

}  // namespace
