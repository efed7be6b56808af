// Private heaps: HeapCreate and friends. Each heap keeps a table of its live blocks beside them,
// so that HeapDestroy frees whatever is still allocated, and so that a block handed to the wrong
// heap, freed twice or made up is refused by a look-up, without reading the memory around it
// (after a free that memory may belong to another live block).
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

#include "kernel.h"

namespace {

constexpr uint64_t kHeapMagic = 0x48454150434f5256ull;  // live heap

struct Heap {
  uint64_t magic = kHeapMagic;
  bool serialized = true;
  std::mutex lock;
  std::unordered_map<uintptr_t, size_t> blocks;  // live block address -> its size
  Heap* nextDestroyed = nullptr;
};

// Heap records are never returned to the system: a destroyed heap keeps its record with a
// cleared magic word, so a stale handle is recognised rather than read after it was freed.
std::mutex g_heapsLock;
Heap* g_processHeap = nullptr;
Heap* g_destroyedHeaps = nullptr;  // reused by HeapCreate
// Injected failures: allocations only read the countdown while none is planned; the lock is
// taken only while one is.
std::atomic<int64_t> g_failCountdown{0};  // allocations until the first injected failure (0 = none planned)
std::mutex g_failLock;
int64_t g_failRemaining = 0;  // how many consecutive allocations fail from then on

Heap* AsHeap(HANDLE handle) {
  auto* heap = static_cast<Heap*>(handle);
  if (heap == nullptr || heap->magic != kHeapMagic) return nullptr;
  return heap;
}

bool InjectedFailure() {
  if (g_failCountdown.load(std::memory_order_relaxed) == 0) return false;
  std::lock_guard<std::mutex> guard(g_failLock);
  int64_t countdown = g_failCountdown.load(std::memory_order_relaxed);
  if (countdown == 0) return false;
  if (countdown > 1) {
    g_failCountdown.store(countdown - 1, std::memory_order_relaxed);
    return false;
  }
  if (--g_failRemaining <= 0) g_failCountdown.store(0, std::memory_order_relaxed);
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

// The live block's entry, or the end of the table for anything else.
uintptr_t Key(LPCVOID block) { return reinterpret_cast<uintptr_t>(block); }

std::unordered_map<uintptr_t, size_t>::iterator Find(Heap* heap, LPCVOID block) { return heap->blocks.find(Key(block)); }

constexpr size_t kMaxBlock = (size_t{1} << 47);

}  // namespace

HANDLE HeapCreate(DWORD options, SIZE_T, SIZE_T) {
  Heap* heap = nullptr;
  {
    std::lock_guard<std::mutex> guard(g_heapsLock);
    if (g_destroyedHeaps) {
      heap = g_destroyedHeaps;
      g_destroyedHeaps = heap->nextDestroyed;
      heap->nextDestroyed = nullptr;
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
    for (auto& [block, size] : heap->blocks) std::free(reinterpret_cast<void*>(block));
    std::unordered_map<uintptr_t, size_t>().swap(heap->blocks);
    heap->magic = 0;
  }
  std::lock_guard<std::mutex> guard(g_heapsLock);
  heap->nextDestroyed = g_destroyedHeaps;
  g_destroyedHeaps = heap;
  return TRUE;
}

LPVOID HeapAlloc(HANDLE handle, DWORD flags, SIZE_T bytes) {
  Heap* heap = AsHeap(handle);
  if (heap == nullptr || bytes > kMaxBlock || InjectedFailure()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  void* block = (flags & HEAP_ZERO_MEMORY) ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
  if (block == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  HeapGuard guard(heap, flags);
  try {
    heap->blocks.emplace(Key(block), bytes);
  } catch (const std::bad_alloc&) {
    std::free(block);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return block;
}

LPVOID HeapReAlloc(HANDLE handle, DWORD flags, LPVOID block, SIZE_T bytes) {
  Heap* heap = AsHeap(handle);
  if (heap == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HeapGuard guard(heap, flags);
  auto entry = Find(heap, block);
  if (entry == heap->blocks.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  size_t oldSize = entry->second;
  if (bytes > kMaxBlock || (bytes > oldSize && (flags & HEAP_REALLOC_IN_PLACE_ONLY)) || InjectedFailure()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  // Room in the table first, so that re-keying the entry after the move cannot rehash into a failed allocation.
  try {
    heap->blocks.reserve(heap->blocks.size() + 1);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  const uintptr_t oldKey = Key(block);
  void* moved = std::realloc(block, bytes ? bytes : 1);
  if (moved == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;  // the old block is untouched and still live
  }
  // The entry's node moves to the new address: no allocation that could fail after the move.
  auto node = heap->blocks.extract(oldKey);
  node.key() = Key(moved);
  node.mapped() = bytes;
  heap->blocks.insert(std::move(node));
  if ((flags & HEAP_ZERO_MEMORY) && bytes > oldSize) std::memset(static_cast<char*>(moved) + oldSize, 0, bytes - oldSize);
  return moved;
}

BOOL HeapFree(HANDLE handle, DWORD flags, LPVOID block) {
  if (block == nullptr) return TRUE;
  Heap* heap = AsHeap(handle);
  if (heap == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  HeapGuard guard(heap, flags);
  auto entry = Find(heap, block);
  if (entry == heap->blocks.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  heap->blocks.erase(entry);
  std::free(block);
  return TRUE;
}

SIZE_T HeapSize(HANDLE handle, DWORD flags, LPCVOID block) {
  Heap* heap = AsHeap(handle);
  if (heap == nullptr) return static_cast<SIZE_T>(-1);
  HeapGuard guard(heap, flags);
  auto entry = Find(heap, block);
  return entry == heap->blocks.end() ? static_cast<SIZE_T>(-1) : entry->second;
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
  g_failRemaining = failures;
  g_failCountdown.store(countdown > 0 && failures > 0 ? countdown : 0, std::memory_order_relaxed);
}

int64_t HeapBlockCount(HANDLE handle) {
  Heap* heap = AsHeap(handle);
  if (heap == nullptr) return 0;
  std::lock_guard<std::mutex> guard(heap->lock);
  return static_cast<int64_t>(heap->blocks.size());
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
