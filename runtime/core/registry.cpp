// Object registries: slot objects, automatic objects and their iteration. Automatic ids are
// also kept in an open-addressing hash set, so that ObjectGet tells a live automatic object
// from any other value in constant time.
#include "registry.h"

#include <cstring>

#include "heap.h"
#include "kernel.h"

struct AutomaticLink {
  AutomaticLink* older;
  AutomaticLink* newer;
};
static_assert(sizeof(AutomaticLink) == 16, "the body follows 16 bytes of links");

struct AutomaticIndex {
  uint64_t capacity;  // power of two
  uint64_t count;
  uint64_t keys[1];   // 0 = empty
};

namespace {

void* BodyOf(AutomaticLink* link) { return reinterpret_cast<char*>(link) + sizeof(AutomaticLink); }
AutomaticLink* LinkOf(int64_t id) { return reinterpret_cast<AutomaticLink*>(static_cast<uintptr_t>(id) - sizeof(AutomaticLink)); }
bool BodyExists(const void* body) {
  uint64_t first;
  std::memcpy(&first, body, sizeof first);
  return first != 0;
}

uint64_t Mix(uint64_t key) {
  key ^= key >> 33;
  key *= 0xff51afd7ed558ccdull;
  key ^= key >> 33;
  return key;
}

AutomaticIndex* IndexNew(uint64_t capacity) {
  auto* index = static_cast<AutomaticIndex*>(MainHeapAlloc(sizeof(AutomaticIndex) + (capacity - 1) * sizeof(uint64_t)));
  if (index) index->capacity = capacity;
  return index;
}

bool IndexContains(const AutomaticIndex* index, uint64_t key) {
  if (index == nullptr || key == 0) return false;
  uint64_t mask = index->capacity - 1;
  for (uint64_t at = Mix(key) & mask;; at = (at + 1) & mask) {
    if (index->keys[at] == key) return true;
    if (index->keys[at] == 0) return false;
  }
}

void IndexPut(AutomaticIndex* index, uint64_t key) {
  uint64_t mask = index->capacity - 1;
  uint64_t at = Mix(key) & mask;
  while (index->keys[at] != 0) at = (at + 1) & mask;
  index->keys[at] = key;
  ++index->count;
}

// Makes room for one more key, keeping the load at most one half. False when out of memory.
bool IndexReserve(ObjectRegistry* registry) {
  AutomaticIndex* index = registry->automaticIndex;
  if (index && (index->count + 1) * 2 <= index->capacity) return true;
  AutomaticIndex* grown = IndexNew(index ? index->capacity * 2 : 64);
  if (grown == nullptr) return false;
  if (index) {
    for (uint64_t i = 0; i < index->capacity; ++i) {
      if (index->keys[i]) IndexPut(grown, index->keys[i]);
    }
    MainHeapFree(index);
  }
  registry->automaticIndex = grown;
  return true;
}

// Removal with backward shifting, so that lookups never need tombstones.
void IndexRemove(AutomaticIndex* index, uint64_t key) {
  if (index == nullptr) return;
  uint64_t mask = index->capacity - 1;
  uint64_t at = Mix(key) & mask;
  while (index->keys[at] != key) {
    if (index->keys[at] == 0) return;
    at = (at + 1) & mask;
  }
  index->keys[at] = 0;
  --index->count;
  for (uint64_t next = (at + 1) & mask; index->keys[next] != 0; next = (next + 1) & mask) {
    uint64_t home = Mix(index->keys[next]) & mask;
    // Move the entry back into the hole unless its home lies cyclically within (at, next].
    bool stays = at <= next ? (home > at && home <= next) : (home > at || home <= next);
    if (!stays) {
      index->keys[at] = index->keys[next];
      index->keys[next] = 0;
      at = next;
    }
  }
}

bool IsSlot(const ObjectRegistry* registry, int64_t id) { return id >= 0 && id < registry->capacity; }

bool IsLiveAutomatic(const ObjectRegistry* registry, int64_t id) {
  return !IsSlot(registry, id) && IndexContains(registry->automaticIndex, static_cast<uint64_t>(id));
}

CRITICAL_SECTION g_createOnceLock;
INIT_ONCE g_createOnceControl = INIT_ONCE_STATIC_INIT;

void CreateOnceLockInit() { InitializeCriticalSection(&g_createOnceLock); }

}  // namespace

void InitOnce(INIT_ONCE* control, void (*routine)());

ObjectRegistry* ObjectRegistryCreate(int64_t objectSize, int64_t growthStep, ObjectFreeRoutine freeRoutine) {
  if (objectSize < 8 || objectSize > 0x7FFFFFFF || growthStep < 1 || growthStep > kObjectNumberMax) return nullptr;
  auto* registry = static_cast<ObjectRegistry*>(MainHeapAlloc(sizeof(ObjectRegistry)));
  if (registry == nullptr) return nullptr;
  registry->slots = static_cast<void**>(MainHeapAlloc(static_cast<size_t>(growthStep) * sizeof(void*)));
  if (registry->slots == nullptr) {
    MainHeapFree(registry);
    return nullptr;
  }
  registry->objectSize = static_cast<int32_t>(objectSize);
  registry->growthStep = static_cast<int32_t>(growthStep);
  registry->capacity = growthStep;
  registry->freeRoutine = freeRoutine;
  return registry;
}

void ObjectRegistryCreateOnce(ObjectRegistry** variable, int64_t objectSize, int64_t growthStep,
                              ObjectFreeRoutine freeRoutine) {
  if (variable == nullptr) return;
  InitOnce(&g_createOnceControl, CreateOnceLockInit);
  EnterCriticalSection(&g_createOnceLock);
  if (*variable == nullptr) *variable = ObjectRegistryCreate(objectSize, growthStep, freeRoutine);
  LeaveCriticalSection(&g_createOnceLock);
}

void ObjectRegistryDestroy(ObjectRegistry* registry) {
  if (registry == nullptr) return;
  for (int64_t i = 0; i < registry->capacity; ++i) MainHeapFree(registry->slots[i]);
  MainHeapFree(registry->slots);
  for (AutomaticLink* link = registry->automaticList; link;) {
    AutomaticLink* older = link->older;
    MainHeapFree(link);
    link = older;
  }
  MainHeapFree(registry->automaticIndex);
  MainHeapFree(registry);
}

void* ObjectNew(ObjectRegistry* registry, int64_t number) {
  if (registry == nullptr) return nullptr;
  if (number == -1) {
    if (!IndexReserve(registry)) return nullptr;
    auto* link = static_cast<AutomaticLink*>(MainHeapAlloc(static_cast<size_t>(registry->objectSize) + sizeof(AutomaticLink)));
    if (link == nullptr) return nullptr;
    link->older = registry->automaticList;
    if (link->older) link->older->newer = link;
    registry->automaticList = link;
    IndexPut(registry->automaticIndex, reinterpret_cast<uintptr_t>(BodyOf(link)));
    return BodyOf(link);
  }
  if (number < 0 || number > kObjectNumberMax) return nullptr;
  if (number >= registry->capacity) {
    int64_t capacity = number + registry->growthStep;
    auto* slots = static_cast<void**>(HeapReAlloc(MainHeap(), HEAP_ZERO_MEMORY, registry->slots,
                                                  static_cast<size_t>(capacity) * sizeof(void*)));
    if (slots == nullptr) return nullptr;
    registry->slots = slots;
    registry->capacity = capacity;
  }
  void* body = registry->slots[number];
  if (body != nullptr) {
    // The number is taken again: the old object goes first, and its body is reused.
    if (BodyExists(body) && registry->freeRoutine) registry->freeRoutine(number);
    std::memset(body, 0, static_cast<size_t>(registry->objectSize));
    return body;
  }
  body = MainHeapAlloc(static_cast<size_t>(registry->objectSize));
  if (body == nullptr) return nullptr;
  registry->slots[number] = body;
  return body;
}

void* ObjectGet(ObjectRegistry* registry, int64_t id) {
  if (registry == nullptr) return nullptr;
  void* candidate;
  if (IsSlot(registry, id)) {
    candidate = registry->slots[id];
  } else {
    if (!IsLiveAutomatic(registry, id)) return nullptr;
    candidate = reinterpret_cast<void*>(static_cast<uintptr_t>(id));
  }
  return candidate && BodyExists(candidate) ? candidate : nullptr;
}

void* ObjectIsValid(ObjectRegistry* registry, int64_t id) { return ObjectGet(registry, id); }

void ObjectRelease(ObjectRegistry* registry, int64_t id) {
  if (registry == nullptr) return;
  if (IsSlot(registry, id)) {
    if (registry->slots[id]) std::memset(registry->slots[id], 0, static_cast<size_t>(registry->objectSize));
    return;
  }
  if (!IsLiveAutomatic(registry, id)) return;
  AutomaticLink* link = LinkOf(id);
  if (link->older) link->older->newer = link->newer;
  if (link->newer) link->newer->older = link->older;
  else registry->automaticList = link->older;
  if (registry->iterationNode == link) registry->iterationNode = link->newer;
  IndexRemove(registry->automaticIndex, static_cast<uint64_t>(id));
  MainHeapFree(link);
}

void ObjectFreeAll(ObjectRegistry* registry) {
  if (registry == nullptr || registry->freeRoutine == nullptr) return;
  ObjectIterReset(registry);
  for (int64_t i = 0; i < registry->capacity; ++i) {
    void* body = registry->slots[i];
    if (body && BodyExists(body)) registry->freeRoutine(i);
  }
  while (registry->automaticList) {
    AutomaticLink* newest = registry->automaticList;
    registry->freeRoutine(static_cast<int64_t>(reinterpret_cast<uintptr_t>(BodyOf(newest))));
    // A free routine that does not release the object would loop forever; release it here.
    if (registry->automaticList == newest) ObjectRelease(registry, static_cast<int64_t>(reinterpret_cast<uintptr_t>(BodyOf(newest))));
  }
}

void ObjectIterReset(ObjectRegistry* registry) {
  if (registry == nullptr) return;
  registry->iterationSlot = 0;
  AutomaticLink* oldest = registry->automaticList;
  while (oldest && oldest->older) oldest = oldest->older;
  registry->iterationNode = oldest;
}

void* ObjectIterNext(ObjectRegistry* registry, int64_t* id) {
  if (registry == nullptr) return nullptr;
  while (registry->iterationSlot < registry->capacity) {
    int64_t slot = registry->iterationSlot++;
    void* body = registry->slots[slot];
    if (body && BodyExists(body)) {
      if (id) *id = slot;
      return body;
    }
  }
  while (registry->iterationNode) {
    AutomaticLink* link = registry->iterationNode;
    registry->iterationNode = link->newer;
    void* body = BodyOf(link);
    if (BodyExists(body)) {
      if (id) *id = static_cast<int64_t>(reinterpret_cast<uintptr_t>(body));
      return body;
    }
  }
  return nullptr;
}
