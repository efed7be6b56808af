// Walking a map bucket by bucket, deleting the current entry without losing the walk's place,
// copying one map into another, and the hooks through which maps live inside structures.
#include <cstring>

#include "heap.h"
#include "map_internal.h"
#include "structure.h"

namespace {

bool IsIntKeyed(const Map* map) { return (map->flags & kMapIntKeys) != 0; }

// The head of the first non-empty chain from `bucket` on, with its bucket in *found.
MapEntry* FirstFrom(const Map* map, int64_t bucket, int32_t* found) {
  for (; bucket < map->bucketCount; ++bucket) {
    if (map->buckets[bucket]) {
      *found = static_cast<int32_t>(bucket);
      return map->buckets[bucket];
    }
  }
  *found = map->bucketCount;
  return nullptr;
}

// Adds the entries of one source chain to the target, oldest first, so that a key added twice
// keeps shadowing its older entry in the copy. `chain` is scratch room for the chain's entries.
bool CopyChain(Map* source, Map* target, MapEntry* head, MapEntry*** chain, int64_t* room) {
  int64_t length = 0;
  for (MapEntry* entry = head; entry; entry = entry->next) ++length;
  if (length > *room) {
    MainHeapFree(*chain);
    *room = length * 2;
    *chain = static_cast<MapEntry**>(MainHeapAlloc(static_cast<size_t>(*room) * sizeof(MapEntry*)));
    if (*chain == nullptr) return false;
  }
  int64_t i = 0;
  for (MapEntry* entry = head; entry; entry = entry->next) (*chain)[i++] = entry;
  bool byteKeys = (source->flags & kMapByteKeys) != 0;
  while (i-- > 0) {
    MapEntry* from = (*chain)[i];
    void* element;
    if (IsIntKeyed(source)) {
      element = MapIntAdd(target, from->key, kMapAlwaysNew);
    } else {
      const void* text = reinterpret_cast<const void*>(static_cast<intptr_t>(from->key));
      element = byteKeys ? MapAdd(target, static_cast<const char*>(text), kMapAlwaysNew)
                         : MapAdd(target, static_cast<const char16_t*>(text), kMapAlwaysNew);
    }
    if (element == nullptr) return false;
    StructureCopy(element, MapEntryData(from), source->elementSize, source->descriptor);
  }
  return true;
}

Map** MapField(void* field) { return static_cast<Map**>(field); }

// kDescMap operands: offset, element size, descriptor, type, buckets, flags.
// kDescIntMap operands: offset, element size, descriptor, buckets. The field is the map variable.
Map* CreateMember(void* field, const int64_t* operands, bool intKeyed) {
  if (!FieldAligned(field)) return nullptr;
  *MapField(field) = nullptr;
  if (intKeyed) return MapCreateIntKeyed(operands[1], DescriptorAt(operands[2]), MapField(field), operands[3]);
  return MapCreate(operands[1], operands[3], DescriptorAt(operands[2]), MapField(field), operands[4], operands[5]);
}

void CreateTextMember(void* field, const int64_t* operands) { CreateMember(field, operands, false); }
void CreateIntMember(void* field, const int64_t* operands) { CreateMember(field, operands, true); }

void FreeMember(void* field, const int64_t*) {
  if (!FieldAligned(field)) return;
  MapFree(*MapField(field));
  *MapField(field) = nullptr;
}

// `target` holds the source's map pointer as a byte copy: CreateMember drops it unfreed.
void CopyTextMember(void* target, const void* source, const int64_t* operands) {
  Map* from = FieldAligned(source) ? *static_cast<Map* const*>(source) : nullptr;
  Map* copy = CreateMember(target, operands, false);
  if (from && copy) MapCopy(from, copy, 0);
}

void CopyIntMember(void* target, const void* source, const int64_t* operands) {
  Map* from = FieldAligned(source) ? *static_cast<Map* const*>(source) : nullptr;
  Map* copy = CreateMember(target, operands, true);
  if (from && copy) MapCopy(from, copy, 0);
}

const DynamicMemberHooks kTextMapHooks = {CreateTextMember, FreeMember, CopyTextMember};
const DynamicMemberHooks kIntMapHooks = {CreateIntMember, FreeMember, CopyIntMember};

}  // namespace

void MapInit() {
  StructureSetHooks(kDescMap, &kTextMapHooks);
  StructureSetHooks(kDescIntMap, &kIntMapHooks);
}

void MapReset(Map* map) {
  if (map == nullptr) return;
  map->current = nullptr;
  map->iterationBucket = -1;
}

void* MapNext(Map* map) {
  if (map == nullptr) return nullptr;
  map->previous = map->current;
  map->savedBucket = map->iterationBucket;
  MapEntry* next;
  int32_t bucket;
  if (map->current) {
    next = map->current->next;
    bucket = map->iterationBucket;
    if (next == nullptr) next = FirstFrom(map, int64_t{map->iterationBucket} + 1, &bucket);
  } else if (map->iterationBucket == -1) {
    next = FirstFrom(map, 0, &bucket);
  } else {
    return nullptr;  // after a failed lookup or past the end: nothing to continue from
  }
  map->current = next;
  map->iterationBucket = bucket;
  return MapEntryData(next);
}

void* MapDeleteCurrent(Map* map) {
  if (map == nullptr || map->current == nullptr) return nullptr;
  MapEntry* entry = map->current;
  int32_t bucket = map->iterationBucket;
  if (bucket < 0 || bucket >= map->bucketCount) return nullptr;
  MapEntry* newCurrent;
  int32_t newBucket;
  if (map->buckets[bucket] == entry) {
    // The head of its chain: the walk continues from where it stood before stepping here.
    map->buckets[bucket] = entry->next;
    newCurrent = map->previous;
    newBucket = map->savedBucket;
  } else {
    MapEntry* before = map->previous;
    if (before == nullptr || before->next != entry) {
      for (before = map->buckets[bucket]; before && before->next != entry; before = before->next) {}
      if (before == nullptr) return nullptr;  // not in the chain it claims: leave the map alone
    }
    before->next = entry->next;
    newCurrent = before;
    newBucket = bucket;
  }
  --map->entryCount;
  map->current = newCurrent;
  map->iterationBucket = map->savedBucket = newBucket;
  map->previous = nullptr;  // unknown now; a second delete finds it by walking the chain
  MapReleaseEntry(map, entry);
  return MapEntryData(newCurrent);
}

const char16_t* MapCurrentKey(Map* map) {
  if (map == nullptr || map->current == nullptr || IsIntKeyed(map)) return nullptr;
  return reinterpret_cast<const char16_t*>(static_cast<intptr_t>(map->current->key));
}

const char* MapCurrentByteKey(Map* map) {
  if (map == nullptr || map->current == nullptr || IsIntKeyed(map)) return nullptr;
  return reinterpret_cast<const char*>(static_cast<intptr_t>(map->current->key));
}

int64_t MapCurrentIntKey(Map* map) {
  if (map == nullptr || map->current == nullptr || !IsIntKeyed(map)) return 0;
  return map->current->key;
}

int64_t MapCopy(Map* source, Map* target, int64_t clear) {
  if (source == nullptr || target == nullptr) return 0;
  if (IsIntKeyed(source) != IsIntKeyed(target) || source->elementSize != target->elementSize) return 0;
  if (clear) MapClear(target);
  if (!IsIntKeyed(source)) {
    int32_t byteKeys = source->flags & kMapByteKeys;
    if (target->entryCount > 0 && source->entryCount > 0 && (target->flags & kMapByteKeys) != byteKeys) return 0;
    if (source->entryCount > 0) target->flags = (target->flags & ~kMapByteKeys) | byteKeys;
  }
  MapEntry* current = source->current;
  MapEntry* previous = source->previous;
  int32_t iterationBucket = source->iterationBucket;
  int32_t savedBucket = source->savedBucket;
  MapEntry** chain = nullptr;
  int64_t room = 0;
  bool complete = true;
  for (int32_t bucket = 0; bucket < source->bucketCount && complete; ++bucket) {
    if (source->buckets[bucket]) complete = CopyChain(source, target, source->buckets[bucket], &chain, &room);
  }
  MainHeapFree(chain);
  source->current = current;
  source->previous = previous;
  source->iterationBucket = iterationBucket;
  source->savedBucket = savedBucket;
  return complete ? 1 : 0;
}
