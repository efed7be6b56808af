// Maps: hash tables with separate chaining and a bucket count fixed at creation, keyed by texts
// (UTF-16 or 8-bit, with or without regard to case) or by integers. New entries go to the head
// of their chain; in always-new mode a key added twice shadows its older entry until that
// newer one is deleted.
#pragma once

#include <cstdint>

struct ElementPool;
struct ExtraBlock;

// Map flags.
constexpr int32_t kMapNoCase = 1;              // text keys compared without regard to ASCII case
constexpr int32_t kMapDynamicMembers = 2;      // elements have dynamic members
constexpr int32_t kMapIntKeys = 4;             // integer keys
constexpr int32_t kMapDefaultCreated = 8;      // the default element's dynamic members exist
constexpr int32_t kMapByteKeys = 16;           // text keys are 8-bit (set by the first 8-bit add)

// Add modes.
constexpr int64_t kMapAlwaysNew = 0;
constexpr int64_t kMapReplace = 1;

struct MapEntry {
  MapEntry* next;
  int64_t key;  // the integer, or the address of the map's own copy of the key text
  // the element's data follows
};

struct Map {
  MapEntry* current;          // found, added or stepped to last; none after a reset
  MapEntry** buckets;
  MapEntry* previous;         // the entry before the current one in its chain, or none
  MapEntry* defaultElement;   // handed out by MapIntGet for absent keys
  const int64_t* descriptor;
  int32_t iterationBucket;    // bucket of the current entry; -1 after a reset
  int32_t savedBucket;        // the iteration bucket before the last step
  int64_t elementSize;
  int64_t elementType;
  int32_t bucketCount;
  int64_t entryCount;
  int32_t flags;
  Map** variable;
  ExtraBlock* extraBlocks;
  ElementPool* pool;
};

// The element data of an entry.
inline void* MapEntryData(MapEntry* entry) { return entry ? reinterpret_cast<char*>(entry) + sizeof(MapEntry) : nullptr; }

// A text-keyed map; `flags` may hold kMapNoCase. A map already in the variable is freed first.
Map* MapCreate(int64_t elementSize, int64_t elementType, const int64_t* descriptor, Map** variable,
               int64_t bucketCount, int64_t flags = 0);
Map* MapCreateIntKeyed(int64_t elementSize, const int64_t* descriptor, Map** variable, int64_t bucketCount);
void MapFree(Map* map);
void MapClear(Map* map);

// Text keys: one map uses either UTF-16 or 8-bit keys. A null key is the empty text.
void* MapFind(Map* map, const char16_t* key);
void* MapFind(Map* map, const char* key);
void* MapAdd(Map* map, const char16_t* key, int64_t mode);
void* MapAdd(Map* map, const char* key, int64_t mode);
void* MapFindOrAdd(Map* map, const char* key);

// Integer keys (negative keys are refused: adds give none, lookups find nothing).
void* MapIntAdd(Map* map, int64_t key, int64_t mode);
void* MapIntFind(Map* map, int64_t key);
void* MapIntGet(Map* map, int64_t key);
void MapIntDelete(Map* map, int64_t key);

// Iteration: bucket by bucket, each chain from its head (newest first).
void MapReset(Map* map);
void* MapNext(Map* map);
void* MapDeleteCurrent(Map* map);
// The current entry's key: its text (UTF-16 or 8-bit maps), or its integer; none / 0 without one.
const char16_t* MapCurrentKey(Map* map);
const char* MapCurrentByteKey(Map* map);
int64_t MapCurrentIntKey(Map* map);
int64_t MapSize(Map* map);

// Adds every entry of the source to the target (cleared first when `clear` is non-zero) with
// deep copies of the elements. 1 on success, 0 when a map is missing or the two do not match.
int64_t MapCopy(Map* source, Map* target, int64_t clear);

// Start-up: installs the hooks that create, free and copy maps inside structures.
void MapInit();
