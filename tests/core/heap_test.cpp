// The memory heap functions, library state blocks and the run-once routine.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "runtime_fixture.h"

namespace {

class MemoryTest : public CoreRuntimeTest {
 protected:
  void SetUp() override {
    CoreRuntimeTest::SetUp();
    MemoryHeapInit();
  }
  void TearDown() override {
    MemoryShutdown();
    CoreRuntimeTest::TearDown();
  }
};

TEST_F(MemoryTest, AllocZeroesUnlessAskedNotTo) {
  EXPECT_EQ(MemoryAlloc(0), nullptr);
  EXPECT_EQ(MemoryAlloc(-3), nullptr);
  auto* block = static_cast<unsigned char*>(MemoryAlloc(64));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(block[i], 0);
  EXPECT_NE(MemoryAllocEx(64, 1), nullptr);
  MemoryFree(block);
  MemoryFree(nullptr);
}

TEST_F(MemoryTest, ReallocZeroesTheAddedPartAndRefusesSizeZero) {
  auto* block = static_cast<unsigned char*>(MemoryAlloc(4));
  block[3] = 9;
  EXPECT_EQ(MemoryRealloc(block, 0), nullptr);
  EXPECT_EQ(block[3], 9);  // size 0 leaves the block allocated and untouched
  block = static_cast<unsigned char*>(MemoryRealloc(block, 1000));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block[3], 9);
  for (int i = 4; i < 1000; ++i) ASSERT_EQ(block[i], 0);
  auto* fresh = static_cast<unsigned char*>(MemoryRealloc(nullptr, 16));
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh[15], 0);
}

TEST_F(MemoryTest, ShutdownFreesEveryBlock) {
  for (int i = 0; i < 10; ++i) MemoryAlloc(100);
  MemoryShutdown();
  EXPECT_EQ(MemoryAlloc(10), nullptr);  // no heap, no blocks
  MemoryHeapInit();
}

struct Counter {
  int64_t value;
};
void StartAtFive(void* state) { static_cast<Counter*>(state)->value = 5; }

TEST_F(MemoryTest, LibraryStateIsAZeroedBlockPassedToItsInitialiser) {
  void* state = LibraryStateNew(sizeof(Counter), StartAtFive, nullptr);
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(static_cast<Counter*>(LibraryState(state))->value, 5);
  auto* plain = static_cast<int64_t*>(LibraryStateNew(64, nullptr, nullptr));
  for (int i = 0; i < 8; ++i) EXPECT_EQ(plain[i], 0);
  EXPECT_EQ(LibraryStateNew(0, nullptr, nullptr), nullptr);
}

std::atomic<int> g_runs{0};
void CountOnce() {
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ++g_runs;
}

TEST(InitOnceTest, RunsTheRoutineOnceAcrossThreads) {
  INIT_ONCE control = INIT_ONCE_STATIC_INIT;
  std::vector<std::thread> threads;
  std::atomic<int> sawRun{0};
  for (int i = 0; i < 6; ++i) {
    threads.emplace_back([&] {
      InitOnce(&control, CountOnce);
      if (g_runs == 1) ++sawRun;
    });
  }
  for (auto& thread : threads) thread.join();
  InitOnce(&control, CountOnce);
  EXPECT_EQ(g_runs, 1);
  EXPECT_EQ(sawRun, 6);
}

}  // namespace
