// Element pools and the shared-pool directory. Each element is preceded by a word pointing to
// its block, so freeing finds the block in constant time; a block whose elements are all free
// again is returned to the main heap.
#include "pool.h"

#include <cstring>

#include "heap.h"
#include "library_state.h"

struct PoolBlock {
  PoolBlock* next;
  PoolBlock* previous;
  void* freeList;
  int64_t capacity;
  int64_t usedCount;
  int64_t freeCount;
};
static_assert(sizeof(PoolBlock) % 8 == 0);

struct SharedPoolEntry {
  SharedPoolEntry* next;
  SharedPoolEntry* previous;
  ElementPool* pool;
  int64_t stride;
  int64_t flags;
  int64_t references;
};

namespace {

SharedPoolEntry* g_sharedPools = nullptr;
CRITICAL_SECTION g_sharedPoolsLock;
INIT_ONCE g_sharedPoolsOnce = INIT_ONCE_STATIC_INIT;

void SharedPoolsLockInit() { InitializeCriticalSection(&g_sharedPoolsLock); }

int64_t StrideFor(int64_t size) { return size % 8 == 0 ? size + 8 : size - (size % 8) + 16; }

char* ElementAt(PoolBlock* block, int64_t index, int64_t stride) {
  return reinterpret_cast<char*>(block + 1) + index * stride;
}

void PushFront(PoolBlock*& list, PoolBlock* block) {
  block->previous = nullptr;
  block->next = list;
  if (list) list->previous = block;
  list = block;
}

void Unlink(PoolBlock*& list, PoolBlock* block) {
  if (block->previous) block->previous->next = block->next;
  else list = block->next;
  if (block->next) block->next->previous = block->previous;
  block->next = block->previous = nullptr;
}

bool IsFull(const PoolBlock* block) { return block->freeCount == 0 && block->usedCount >= block->capacity; }

struct PoolLock {
  ElementPool* pool;
  explicit PoolLock(ElementPool* p) : pool(p) {
    if (pool->locked) EnterCriticalSection(&pool->criticalSection);
  }
  ~PoolLock() {
    if (pool->locked) LeaveCriticalSection(&pool->criticalSection);
  }
};

ElementPool* PoolCreateUnshared(int64_t stride, int64_t first, int64_t largest, int64_t flags) {
  auto* pool = static_cast<ElementPool*>(MainHeapAlloc(sizeof(ElementPool)));
  if (pool == nullptr) return nullptr;
  pool->stride = stride;
  pool->firstBlockCount = static_cast<int32_t>(first);
  pool->largestBlockCount = static_cast<int32_t>(largest);
  if ((flags & 3) == kPoolLocked) {
    pool->locked = 1;
    InitializeCriticalSection(&pool->criticalSection);
  }
  return pool;
}

void FreeBlocks(PoolBlock* block) {
  while (block) {
    PoolBlock* next = block->next;
    MainHeapFree(block);
    block = next;
  }
}

void DestroyPool(ElementPool* pool) {
  FreeBlocks(pool->fullBlocks);
  FreeBlocks(pool->openBlocks);
  if (pool->locked) DeleteCriticalSection(&pool->criticalSection);
  MainHeapFree(pool);
}

}  // namespace

ElementPool* PoolCreate(int64_t elementSize, int64_t firstBlockCount, int64_t largestBlockCount, int64_t flags) {
  if (elementSize < 1 || elementSize > (int64_t{1} << 30)) return nullptr;
  if (firstBlockCount < 1) firstBlockCount = 1;
  if (firstBlockCount > 0x7FFFFFFF) firstBlockCount = 0x7FFFFFFF;
  if (largestBlockCount < firstBlockCount) largestBlockCount = firstBlockCount;
  if (largestBlockCount > 0x7FFFFFFF) largestBlockCount = 0x7FFFFFFF;
  int64_t stride = StrideFor(elementSize);
  if (!(flags & kPoolShared)) return PoolCreateUnshared(stride, firstBlockCount, largestBlockCount, flags);

  InitOnce(&g_sharedPoolsOnce, SharedPoolsLockInit);
  EnterCriticalSection(&g_sharedPoolsLock);
  ElementPool* pool = nullptr;
  for (SharedPoolEntry* entry = g_sharedPools; entry; entry = entry->next) {
    if (entry->stride == stride && entry->flags == flags) {
      ++entry->references;
      pool = entry->pool;
      break;
    }
  }
  if (pool == nullptr) {
    auto* entry = static_cast<SharedPoolEntry*>(MainHeapAlloc(sizeof(SharedPoolEntry)));
    pool = entry ? PoolCreateUnshared(stride, firstBlockCount, largestBlockCount, flags & ~kPoolShared) : nullptr;
    if (pool == nullptr) {
      MainHeapFree(entry);
    } else {
      entry->pool = pool;
      entry->stride = stride;
      entry->flags = flags;
      entry->references = 1;
      entry->next = g_sharedPools;
      if (g_sharedPools) g_sharedPools->previous = entry;
      g_sharedPools = entry;
      pool->sharedEntry = entry;
    }
  }
  LeaveCriticalSection(&g_sharedPoolsLock);
  return pool;
}

void* PoolAlloc(ElementPool* pool) {
  if (pool == nullptr) return nullptr;
  PoolLock lock(pool);
  PoolBlock* block = pool->openBlocks;
  char* element;
  if (block) {
    if (block->freeCount > 0) {
      element = static_cast<char*>(block->freeList);
      std::memcpy(&block->freeList, element + 8, sizeof(void*));
      --block->freeCount;
    } else {
      element = ElementAt(block, block->usedCount, pool->stride);
      ++block->usedCount;
    }
    if (IsFull(block)) {
      Unlink(pool->openBlocks, block);
      PushFront(pool->fullBlocks, block);
    }
  } else {
    // Blocks grow with the pool: a sixteenth of what it holds, in steps of 16 elements.
    int64_t count = (pool->totalCapacity / 16) / 16 * 16;
    if (count < pool->firstBlockCount) count = pool->firstBlockCount;
    else if (count > pool->largestBlockCount) count = pool->largestBlockCount;
    block = static_cast<PoolBlock*>(HeapAlloc(MainHeap(), 0, sizeof(PoolBlock) + static_cast<size_t>(count * pool->stride)));
    if (block == nullptr) {
      count = 1;
      block = static_cast<PoolBlock*>(HeapAlloc(MainHeap(), 0, sizeof(PoolBlock) + static_cast<size_t>(pool->stride)));
      if (block == nullptr) return nullptr;
    }
    pool->totalCapacity += count;
    block->capacity = count;
    block->usedCount = 1;
    block->freeCount = 0;
    block->freeList = nullptr;
    PushFront(count == 1 ? pool->fullBlocks : pool->openBlocks, block);
    element = ElementAt(block, 0, pool->stride);
  }
  std::memcpy(element, &block, sizeof(void*));
  return element + 8;
}

void* PoolAllocZeroed(ElementPool* pool) {
  void* element = PoolAlloc(pool);
  if (element) std::memset(element, 0, static_cast<size_t>(pool->stride - 8));
  return element;
}

void PoolFree(ElementPool* pool, void* element) {
  if (pool == nullptr || element == nullptr) return;
  PoolLock lock(pool);
  char* start = static_cast<char*>(element) - 8;
  PoolBlock* block;
  std::memcpy(&block, start, sizeof(void*));
  bool wasFull = IsFull(block);
  // The free list runs through the element's own bytes; its header word keeps the block.
  std::memcpy(start + 8, &block->freeList, sizeof(void*));
  block->freeList = start;
  ++block->freeCount;
  if (block->freeCount == block->usedCount) {
    Unlink(block->capacity == 1 ? pool->fullBlocks : pool->openBlocks, block);
    pool->totalCapacity -= block->capacity;
    MainHeapFree(block);
  } else if (wasFull) {
    Unlink(pool->fullBlocks, block);
    PushFront(pool->openBlocks, block);
  }
}

void PoolClear(ElementPool* pool) {
  if (pool == nullptr) return;
  PoolLock lock(pool);
  FreeBlocks(pool->fullBlocks);
  FreeBlocks(pool->openBlocks);
  pool->fullBlocks = pool->openBlocks = nullptr;
  pool->totalCapacity = 0;
}

void PoolRelease(ElementPool* pool) {
  if (pool == nullptr) return;
  if (SharedPoolEntry* entry = pool->sharedEntry) {
    EnterCriticalSection(&g_sharedPoolsLock);
    bool last = --entry->references == 0;
    if (last) {
      if (entry->previous) entry->previous->next = entry->next;
      else g_sharedPools = entry->next;
      if (entry->next) entry->next->previous = entry->previous;
      MainHeapFree(entry);
      DestroyPool(pool);
    }
    LeaveCriticalSection(&g_sharedPoolsLock);
    return;
  }
  DestroyPool(pool);
}

void PoolSharedDirectoryForget() { g_sharedPools = nullptr; }

int64_t PoolBlockCapacities(ElementPool* pool, int64_t* capacities, int64_t max) {
  if (pool == nullptr) return 0;
  PoolLock lock(pool);
  int64_t count = 0;
  for (PoolBlock* list : {pool->openBlocks, pool->fullBlocks}) {
    for (PoolBlock* block = list; block; block = block->next, ++count) {
      if (capacities && count < max) capacities[count] = block->capacity;
    }
  }
  return count;
}
