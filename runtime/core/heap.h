// The runtime's heaps: the main heap that the program creates before anything else (registries,
// objects, pools and library state live in it) and the memory heap behind MemoryAlloc and friends.
#pragma once

#include <cstdint>

#include "windows_types.h"

// The main heap. The program's entry creates it (MainHeapCreate) and destroys it last.
HANDLE MainHeap();
HANDLE MainHeapCreate();
void MainHeapDestroy();

// Blocks of the main heap; allocation returns none on failure.
void* MainHeapAlloc(size_t bytes);  // zeroed
void MainHeapFree(void* block);

void MemoryHeapInit();
void MemoryShutdown();
void* MemoryAlloc(int64_t size);
void* MemoryAllocEx(int64_t size, int64_t flags);
void* MemoryRealloc(void* block, int64_t size);
void MemoryFree(void* block);
