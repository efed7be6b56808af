// Element pools: fixed-size allocation from blocks that grow with the pool, constant-time free.
// Lists, maps, XML nodes and event records allocate from them. A pool may be locked (safe
// between threads) and may be shared between all users asking for the same stride and flags.
#pragma once

#include <cstdint>

#include "kernel.h"

struct PoolBlock;
struct SharedPoolEntry;

struct ElementPool {
  PoolBlock* fullBlocks;
  PoolBlock* openBlocks;
  SharedPoolEntry* sharedEntry;
  int64_t totalCapacity;
  int64_t stride;
  int32_t firstBlockCount;
  int32_t largestBlockCount;
  int32_t locked;
  CRITICAL_SECTION criticalSection;
};

constexpr int64_t kPoolLocked = 1;
constexpr int64_t kPoolShared = 4;

ElementPool* PoolCreate(int64_t elementSize, int64_t firstBlockCount, int64_t largestBlockCount, int64_t flags);
void* PoolAlloc(ElementPool* pool);
void* PoolAllocZeroed(ElementPool* pool);
void PoolFree(ElementPool* pool, void* element);
void PoolClear(ElementPool* pool);
void PoolRelease(ElementPool* pool);

// Forgets every shared pool without freeing it: their storage lived in the main heap, which is
// being destroyed. Called by MainHeapDestroy.
void PoolSharedDirectoryForget();

// The element capacity of each block, newest first, for tests and diagnostics; returns how
// many blocks there are and writes at most `max` capacities.
int64_t PoolBlockCapacities(ElementPool* pool, int64_t* capacities, int64_t max);
