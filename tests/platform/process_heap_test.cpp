// The process heap is made on first use, also when the first use is a global memory block.
#include <gtest/gtest.h>

#include "kernel.h"

namespace {

TEST(ProcessHeap, FirstUseMakesOneHeapThatCannotBeDestroyed) {
  HGLOBAL block = GlobalAlloc(GPTR, 16);  // the first call reaches the process heap through GlobalAlloc
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalFree(block), nullptr);
  HANDLE heap = GetProcessHeap();
  ASSERT_NE(heap, nullptr);
  EXPECT_EQ(GetProcessHeap(), heap);
  void* memory = HeapAlloc(heap, HEAP_ZERO_MEMORY, 32);
  ASSERT_NE(memory, nullptr);
  EXPECT_TRUE(HeapFree(heap, 0, memory));
  EXPECT_FALSE(HeapDestroy(heap));
}

}  // namespace
