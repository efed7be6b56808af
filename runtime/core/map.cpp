// Maps: creation and freeing, the text hash and key copies, lookups, adds and deletes by key.
// Iteration, deleting during iteration and copying live in map_iteration.cpp. A lookup records
// the entry before the one it found, so that the entry can be unlinked without a second walk.
#include "map.h"

#include <cstring>

#include "charcase.h"
#include "heap.h"
#include "map_internal.h"
#include "pool.h"
#include "string_runtime.h"
#include "structure.h"

namespace {

constexpr int64_t kLargestElementSize = (int64_t{1} << 30) - static_cast<int64_t>(sizeof(MapEntry));
constexpr int64_t kMostBuckets = int64_t{1} << 26;
const char16_t kEmptyKey[2] = {0, 0};  // reads as an empty text of either width

bool IsIntKeyed(const Map* map) { return (map->flags & kMapIntKeys) != 0; }
bool NoCase(const Map* map) { return (map->flags & kMapNoCase) != 0; }

Map* NewMap(int64_t elementSize, int64_t elementType, const int64_t* descriptor, Map** variable,
            int64_t bucketCount, int32_t flags, int64_t poolFlags) {
  if (variable && *variable) MapFree(*variable);
  if (elementSize < 0 || elementSize > kLargestElementSize || bucketCount > kMostBuckets) return nullptr;
  if (bucketCount < 1) bucketCount = 1;
  auto* map = static_cast<Map*>(MainHeapAlloc(sizeof(Map)));
  if (map == nullptr) return nullptr;
  map->buckets = static_cast<MapEntry**>(MainHeapAlloc(static_cast<size_t>(bucketCount) * sizeof(MapEntry*)));
  map->defaultElement = static_cast<MapEntry*>(MainHeapAlloc(sizeof(MapEntry) + static_cast<size_t>(elementSize)));
  map->pool = PoolCreate(elementSize + static_cast<int64_t>(sizeof(MapEntry)), 16, 65536, poolFlags);
  if (map->buckets == nullptr || map->defaultElement == nullptr || map->pool == nullptr) {
    PoolRelease(map->pool);
    MainHeapFree(map->defaultElement);
    MainHeapFree(map->buckets);
    MainHeapFree(map);
    return nullptr;
  }
  if (!(flags & kMapIntKeys)) map->defaultElement->key = MapKeyOf(kEmptyKey);
  map->descriptor = descriptor;
  map->iterationBucket = -1;
  map->savedBucket = -1;
  map->elementSize = elementSize;
  map->elementType = elementType;
  map->bucketCount = static_cast<int32_t>(bucketCount);
  map->flags = flags | (StructureHasDynamicMembers(descriptor) ? kMapDynamicMembers : 0);
  map->variable = variable;
  if (variable) *variable = map;
  return map;
}

// Walks one chain for the first entry that `matches`; on a hit the map's current entry, the one
// before it and the bucket are updated. A miss leaves the map as it was.
template <class Matches>
MapEntry* Lookup(Map* map, int32_t bucket, const Matches& matches) {
  MapEntry* before = nullptr;
  for (MapEntry* entry = map->buckets[bucket]; entry; before = entry, entry = entry->next) {
    if (matches(entry)) {
      map->current = entry;
      map->previous = before;
      map->iterationBucket = map->savedBucket = bucket;
      return entry;
    }
  }
  return nullptr;
}

MapEntry* LookupText(Map* map, const char16_t* key) {
  if (key == nullptr) key = kEmptyKey;
  bool noCase = NoCase(map);
  return Lookup(map, MapBucketOfText(map, key), [key, noCase](const MapEntry* entry) {
    auto* stored = reinterpret_cast<const char16_t*>(static_cast<intptr_t>(entry->key));
    return noCase ? _wcsicmp(stored, key) == 0 : StrEqual(stored, key) != 0;
  });
}

MapEntry* LookupBytes(Map* map, const char* key) {
  if (key == nullptr) key = "";
  bool noCase = NoCase(map);
  return Lookup(map, MapBucketOfBytes(map, key), [key, noCase](const MapEntry* entry) {
    auto* stored = reinterpret_cast<const char*>(static_cast<intptr_t>(entry->key));
    return noCase ? _stricmp(stored, key) == 0 : std::strcmp(stored, key) == 0;
  });
}

MapEntry* LookupInt(Map* map, int64_t key) {
  if (key < 0) return nullptr;
  return Lookup(map, static_cast<int32_t>(key % map->bucketCount),
                [key](const MapEntry* entry) { return entry->key == key; });
}

// A fresh element for an entry that stays or is new: zeroed, with its dynamic members.
void* FreshElement(Map* map, MapEntry* entry) {
  void* data = MapEntryData(entry);
  std::memset(data, 0, static_cast<size_t>(map->elementSize));
  if (map->flags & kMapDynamicMembers) StructureCreate(data, map->descriptor);
  return data;
}

// Replace mode reuses the entry already found; otherwise a new entry heads the chain.
template <class Find, class CopyKey>
void* Add(Map* map, int64_t mode, int32_t bucket, const Find& find, const CopyKey& copyKey) {
  if (mode == kMapReplace) {
    if (MapEntry* entry = find()) {
      StructureFree(MapEntryData(entry), map->descriptor);
      return FreshElement(map, entry);
    }
  }
  int64_t key = copyKey();
  if (key == 0 && !IsIntKeyed(map)) return nullptr;  // no room for the key's copy
  MapEntry* entry = MapInsert(map, bucket, key);
  if (entry == nullptr) {
    if (!IsIntKeyed(map)) MainHeapFree(reinterpret_cast<void*>(static_cast<intptr_t>(key)));
    return nullptr;
  }
  return FreshElement(map, entry);
}

}  // namespace

// ---- shared with map_iteration.cpp ----

int32_t MapBucketOfText(const Map* map, const char16_t* key) {
  uint32_t hash = 0;
  bool noCase = NoCase(map);
  for (; *key; ++key) hash = hash * 65599u + static_cast<uint32_t>(noCase ? CrtToLower(*key) : *key);
  return static_cast<int32_t>(hash % static_cast<uint32_t>(map->bucketCount));
}

int32_t MapBucketOfBytes(const Map* map, const char* key) {
  uint32_t hash = 0;
  bool noCase = NoCase(map);
  for (; *key; ++key) {
    int c = static_cast<signed char>(*key);  // bytes from 0x80 count negative
    hash = hash * 65599u + static_cast<uint32_t>(noCase ? CrtToLower(c) : c);
  }
  return static_cast<int32_t>(hash % static_cast<uint32_t>(map->bucketCount));
}

int64_t MapCopyTextKey(const char16_t* key) {
  size_t length = 0;
  while (key[length]) ++length;
  void* copy = MainHeapAlloc((length + 1) * sizeof(char16_t));
  if (copy) std::memcpy(copy, key, length * sizeof(char16_t));
  return MapKeyOf(copy);
}

int64_t MapCopyByteKey(const char* key) {
  size_t length = std::strlen(key);
  // Two more zero bytes than needed, so that the copy ends within its block even when read as
  // UTF-16 by a caller that mixes up the key kinds.
  void* copy = MainHeapAlloc(length + 4);
  if (copy) std::memcpy(copy, key, length);
  return MapKeyOf(copy);
}

MapEntry* MapInsert(Map* map, int32_t bucket, int64_t key) {
  auto* entry = static_cast<MapEntry*>(PoolAlloc(map->pool));
  if (entry == nullptr) return nullptr;
  entry->key = key;
  entry->next = map->buckets[bucket];
  map->buckets[bucket] = entry;
  ++map->entryCount;
  map->current = entry;
  map->previous = nullptr;
  map->iterationBucket = map->savedBucket = bucket;
  return entry;
}

void MapReleaseEntry(Map* map, MapEntry* entry) {
  if (!IsIntKeyed(map)) MainHeapFree(reinterpret_cast<void*>(static_cast<intptr_t>(entry->key)));
  StructureFree(MapEntryData(entry), map->descriptor);
  PoolFree(map->pool, entry);
}

// ---- the map operations ----

Map* MapCreate(int64_t elementSize, int64_t elementType, const int64_t* descriptor, Map** variable,
               int64_t bucketCount, int64_t flags) {
  return NewMap(elementSize, elementType, descriptor, variable, bucketCount, static_cast<int32_t>(flags & kMapNoCase),
                kPoolShared);
}

Map* MapCreateIntKeyed(int64_t elementSize, const int64_t* descriptor, Map** variable, int64_t bucketCount) {
  return NewMap(elementSize, 0, descriptor, variable, bucketCount, kMapIntKeys, 0);
}

void MapClear(Map* map) {
  if (map == nullptr) return;
  for (int32_t bucket = 0; bucket < map->bucketCount; ++bucket) {
    for (MapEntry* entry = map->buckets[bucket]; entry;) {
      MapEntry* next = entry->next;
      MapReleaseEntry(map, entry);
      entry = next;
    }
    map->buckets[bucket] = nullptr;
  }
  map->entryCount = 0;
  map->previous = nullptr;
  MapReset(map);
}

void MapFree(Map* map) {
  if (map == nullptr) return;
  MapClear(map);
  PoolRelease(map->pool);
  MainHeapFree(map->buckets);
  StructureFree(MapEntryData(map->defaultElement), map->descriptor);
  MainHeapFree(map->defaultElement);
  ExtraBlocksFree(&map->extraBlocks);
  if (map->variable && *map->variable == map) *map->variable = nullptr;
  MainHeapFree(map);
}

void* MapFind(Map* map, const char16_t* key) {
  if (map == nullptr || IsIntKeyed(map)) return nullptr;
  return MapEntryData(LookupText(map, key));
}

void* MapFind(Map* map, const char* key) {
  if (map == nullptr || IsIntKeyed(map)) return nullptr;
  return MapEntryData(LookupBytes(map, key));
}

void* MapAdd(Map* map, const char16_t* key, int64_t mode) {
  if (map == nullptr || IsIntKeyed(map)) return nullptr;
  if (key == nullptr) key = kEmptyKey;
  return Add(map, mode, MapBucketOfText(map, key), [map, key] { return LookupText(map, key); },
             [key] { return MapCopyTextKey(key); });
}

void* MapAdd(Map* map, const char* key, int64_t mode) {
  if (map == nullptr || IsIntKeyed(map)) return nullptr;
  if (key == nullptr) key = "";
  map->flags |= kMapByteKeys;
  return Add(map, mode, MapBucketOfBytes(map, key), [map, key] { return LookupBytes(map, key); },
             [key] { return MapCopyByteKey(key); });
}

void* MapFindOrAdd(Map* map, const char* key) {
  void* found = MapFind(map, key);
  return found ? found : MapAdd(map, key, kMapAlwaysNew);
}

void* MapIntAdd(Map* map, int64_t key, int64_t mode) {
  if (map == nullptr || !IsIntKeyed(map) || key < 0) return nullptr;
  return Add(map, mode, static_cast<int32_t>(key % map->bucketCount), [map, key] { return LookupInt(map, key); },
             [key] { return key; });
}

void* MapIntFind(Map* map, int64_t key) {
  if (map == nullptr || !IsIntKeyed(map)) return nullptr;
  return MapEntryData(LookupInt(map, key));
}

void* MapIntGet(Map* map, int64_t key) {
  if (map == nullptr || !IsIntKeyed(map)) return nullptr;
  if (MapEntry* entry = LookupInt(map, key)) return MapEntryData(entry);
  map->current = nullptr;
  map->previous = nullptr;
  void* data = MapEntryData(map->defaultElement);
  if ((map->flags & kMapDynamicMembers) && !(map->flags & kMapDefaultCreated)) {
    StructureCreate(data, map->descriptor);
    map->flags |= kMapDefaultCreated;
  }
  return data;
}

void MapIntDelete(Map* map, int64_t key) {
  if (map == nullptr || !IsIntKeyed(map)) return;
  MapEntry* entry = LookupInt(map, key);
  if (entry == nullptr) return;
  if (map->previous) map->previous->next = entry->next;
  else map->buckets[map->iterationBucket] = entry->next;
  --map->entryCount;
  map->current = nullptr;
  map->previous = nullptr;
  MapReleaseEntry(map, entry);
}

int64_t MapSize(Map* map) { return map ? map->entryCount : 0; }
