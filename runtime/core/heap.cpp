// The main heap and the memory heap. Both are private platform heaps created with default
// options, so their blocks may be freed from any thread.
#include "heap.h"

#include "kernel.h"
#include "pool.h"

namespace {
HANDLE g_mainHeap = nullptr;
HANDLE g_memoryHeap = nullptr;
}  // namespace

HANDLE MainHeap() { return g_mainHeap; }

HANDLE MainHeapCreate() {
  if (g_mainHeap == nullptr) g_mainHeap = HeapCreate(0, 4096, 0);
  return g_mainHeap;
}

void MainHeapDestroy() {
  PoolSharedDirectoryForget();  // its entries and pools are blocks of this heap
  if (g_mainHeap) HeapDestroy(g_mainHeap);
  g_mainHeap = nullptr;
}

void* MainHeapAlloc(size_t bytes) { return g_mainHeap ? HeapAlloc(g_mainHeap, HEAP_ZERO_MEMORY, bytes) : nullptr; }

void MainHeapFree(void* block) {
  if (g_mainHeap && block) HeapFree(g_mainHeap, 0, block);
}

void MemoryHeapInit() {
  if (g_memoryHeap == nullptr) g_memoryHeap = HeapCreate(0, 4096, 0);
}

void MemoryShutdown() {
  if (g_memoryHeap) HeapDestroy(g_memoryHeap);
  g_memoryHeap = nullptr;
}

void* MemoryAllocEx(int64_t size, int64_t flags) {
  if (size < 1 || g_memoryHeap == nullptr) return nullptr;
  return HeapAlloc(g_memoryHeap, (flags & 1) ? 0 : HEAP_ZERO_MEMORY, static_cast<SIZE_T>(size));
}

void* MemoryAlloc(int64_t size) { return MemoryAllocEx(size, 0); }

void* MemoryRealloc(void* block, int64_t size) {
  if (size < 1 || g_memoryHeap == nullptr) return nullptr;  // the old block stays allocated
  if (block == nullptr) return MemoryAlloc(size);
  return HeapReAlloc(g_memoryHeap, HEAP_ZERO_MEMORY, block, static_cast<SIZE_T>(size));
}

void MemoryFree(void* block) {
  if (block && g_memoryHeap) HeapFree(g_memoryHeap, 0, block);
}
