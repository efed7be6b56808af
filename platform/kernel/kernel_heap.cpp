// Private heaps: HeapCreate and friends. Every block carries a header that links it into its
// heap, so that HeapDestroy frees whatever is still allocated, and so that a block handed to the
// wrong heap or freed twice is refused instead of corrupting memory.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "kernel.h"

namespace {

constexpr uint64_t kHeapMagic = 0x48454150434f5256ull;   // live heap
constexpr uint64_t kBlockMagic = 0x424c4f434b434f52ull;  // live block

struct Heap;

struct alignas(16) BlockHeader {
  uint64_t magic;
  Heap* heap;
  BlockHeader* prev;
  BlockHeader* next;
  size_t size;
  size_t reserved;
};
static_assert(sizeof(BlockHeader) % 16 == 0, "block bodies stay 16-byte aligned");

struct Heap {
  uint64_t magic = kHeapMagic;
  bool serialized = true;
  std::mutex lock;
  BlockHeader* blocks = nullptr;
  int64_t count = 0;
};

// Heap records are never returned to the system: a destroyed heap keeps its record with a
// cleared magic word, so a stale handle is recognised rather than read after it was freed.
std::mutex g_heapsLock;
Heap* g_processHeap = nullptr;
Heap* g_destroyedHeaps = nullptr;  // chained through `blocks`, reused by HeapCreate
std::mutex g_failLock;
int64_t g_failCountdown = 0;  // allocations until the first injected failure (0 = none planned)
int64_t g_failRemaining = 0;  // how many consecutive allocations fail from then on

Heap* AsHeap(HANDLE handle) {
  auto* heap = static_cast<Heap*>(handle);
  if (heap == nullptr || heap->magic != kHeapMagic) return nullptr;
  return heap;
}

bool InjectedFailure() {
  std::lock_guard<std::mutex> guard(g_failLock);
  if (g_failCountdown == 0) return false;
  if (g_failCountdown > 1) {
    --g_failCountdown;
    return false;
  }
  if (--g_failRemaining <= 0) g_failCountdown = 0;
  return true;
}

struct HeapGuard {
  Heap* heap;
  bool locked;
  HeapGuard(Heap* h, DWORD flags) : heap(h), locked(h->serialized && !(flags & HEAP_NO_SERIALIZE)) {
    if (locked) heap->lock.lock();
  }
  ~HeapGuard() {
    if (locked) heap->lock.unlock();
  }
};

void Link(Heap* heap, BlockHeader* block) {
  block->prev = nullptr;
  block->next = heap->blocks;
  if (heap->blocks) heap->blocks->prev = block;
  heap->blocks = block;
  ++heap->count;
}

void Unlink(Heap* heap, BlockHeader* block) {
  if (block->prev) block->prev->next = block->next;
  else heap->blocks = block->next;
  if (block->next) block->next->prev = block->prev;
  --heap->count;
}

BlockHeader* HeaderOf(Heap* heap, LPCVOID block) {
  if (block == nullptr) return nullptr;
  auto* header = reinterpret_cast<BlockHeader*>(const_cast<char*>(static_cast<const char*>(block))) - 1;
  if (header->magic != kBlockMagic || header->heap != heap) return nullptr;
  return header;
}

constexpr size_t kMaxBlock = (size_t{1} << 47);

}  // namespace

HANDLE HeapCreate(DWORD options, SIZE_T, SIZE_T) {
  Heap* heap = nullptr;
  {
    std::lock_guard<std::mutex> guard(g_heapsLock);
    if (g_destroyedHeaps) {
      heap = g_destroyedHeaps;
      g_destroyedHeaps = reinterpret_cast<Heap*>(heap->blocks);
      heap->blocks = nullptr;
      heap->magic = kHeapMagic;
    }
  }
  if (heap == nullptr) heap = new (std::nothrow) Heap;
  if (heap == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  heap->serialized = !(options & HEAP_NO_SERIALIZE);
  return heap;
}

BOOL HeapDestroy(HANDLE handle) {
  Heap* heap = AsHeap(handle);
  if (heap == nullptr || heap == g_processHeap) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  {
    std::lock_guard<std::mutex> guard(heap->lock);
    BlockHeader* block = heap->blocks;
    while (block) {
      BlockHeader* next = block->next;
      block->magic = 0;
      std::free(block);
      block = next;
    }
    heap->blocks = nullptr;
    heap->count = 0;
    heap->magic = 0;
  }
  std::lock_guard<std::mutex> guard(g_heapsLock);
  heap->blocks = reinterpret_cast<BlockHeader*>(g_destroyedHeaps);
  g_destroyedHeaps = heap;
  return TRUE;
}

LPVOID HeapAlloc(HANDLE handle, DWORD flags, SIZE_T bytes) {
  Heap* heap = AsHeap(handle);
  if (heap == nullptr || bytes > kMaxBlock || InjectedFailure()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + (bytes ? bytes : 1)));
  if (header == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  header->magic = kBlockMagic;
  header->heap = heap;
  header->size = bytes;
  header->reserved = 0;
  if (flags & HEAP_ZERO_MEMORY) std::memset(header + 1, 0, bytes);
  HeapGuard guard(heap, flags);
  Link(heap, header);
  return header + 1;
}

LPVOID HeapReAlloc(HANDLE handle, DWORD flags, LPVOID block, SIZE_T bytes) {
  Heap* heap = AsHeap(handle);
  if (heap == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HeapGuard guard(heap, flags);
  BlockHeader* header = HeaderOf(heap, block);
  if (header == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  size_t oldSize = header->size;
  if (bytes > kMaxBlock || (bytes > oldSize && (flags & HEAP_REALLOC_IN_PLACE_ONLY)) || InjectedFailure()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  BlockHeader* prev = header->prev;
  BlockHeader* next = header->next;
  auto* moved = static_cast<BlockHeader*>(std::realloc(header, sizeof(BlockHeader) + (bytes ? bytes : 1)));
  if (moved == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;  // the old block is untouched and still linked
  }
  if (prev) prev->next = moved;
  else heap->blocks = moved;
  if (next) next->prev = moved;
  moved->size = bytes;
  if ((flags & HEAP_ZERO_MEMORY) && bytes > oldSize) {
    std::memset(reinterpret_cast<char*>(moved + 1) + oldSize, 0, bytes - oldSize);
  }
  return moved + 1;
}

BOOL HeapFree(HANDLE handle, DWORD flags, LPVOID block) {
  if (block == nullptr) return TRUE;
  Heap* heap = AsHeap(handle);
  if (heap == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  HeapGuard guard(heap, flags);
  BlockHeader* header = HeaderOf(heap, block);
  if (header == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Unlink(heap, header);
  header->magic = 0;
  std::free(header);
  return TRUE;
}

SIZE_T HeapSize(HANDLE handle, DWORD flags, LPCVOID block) {
  Heap* heap = AsHeap(handle);
  if (heap == nullptr) return static_cast<SIZE_T>(-1);
  HeapGuard guard(heap, flags);
  BlockHeader* header = HeaderOf(heap, block);
  return header ? header->size : static_cast<SIZE_T>(-1);
}

HANDLE GetProcessHeap() {
  // Made once; HeapCreate takes the heaps lock itself, so it must not be held here.
  static std::once_flag once;
  std::call_once(once, [] { g_processHeap = static_cast<Heap*>(HeapCreate(0, 0, 0)); });
  return g_processHeap;
}

namespace platform::testing {

void HeapFailAfter(int64_t countdown, int64_t failures) {
  std::lock_guard<std::mutex> guard(g_failLock);
  g_failCountdown = countdown > 0 && failures > 0 ? countdown : 0;
  g_failRemaining = failures;
}

int64_t HeapBlockCount(HANDLE handle) {
  Heap* heap = AsHeap(handle);
  if (heap == nullptr) return 0;
  std::lock_guard<std::mutex> guard(heap->lock);
  return heap->count;
}

}  // namespace platform::testing

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  if (flags & ~static_cast<UINT>(GMEM_ZEROINIT)) {  // only fixed memory exists here
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return HeapAlloc(GetProcessHeap(), (flags & GMEM_ZEROINIT) ? HEAP_ZERO_MEMORY : 0, bytes);
}

HGLOBAL GlobalFree(HGLOBAL block) {
  if (block == nullptr) return nullptr;
  if (!HeapFree(GetProcessHeap(), 0, block)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return block;
  }
  return nullptr;
}
