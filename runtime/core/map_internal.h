// What map.cpp shares with map_iteration.cpp: buckets of keys, key copies, entry insertion and
// release. Not part of the runtime's interface.
#pragma once

#include <cstdint>

#include "map.h"

inline int64_t MapKeyOf(const void* text) { return static_cast<int64_t>(reinterpret_cast<intptr_t>(text)); }

// The bucket of a key: the text hash (h = h * 65599 + c, modulo 2^32; ASCII-folded for
// case-insensitive maps; 8-bit keys count bytes from 0x80 as negative) modulo the bucket count.
int32_t MapBucketOfText(const Map* map, const char16_t* key);
int32_t MapBucketOfBytes(const Map* map, const char* key);

// Main-heap copies of key texts, as the key word of an entry; 0 when out of memory.
int64_t MapCopyTextKey(const char16_t* key);
int64_t MapCopyByteKey(const char* key);

// A new entry at the head of its chain, made current; none when the pool is exhausted. The
// element is not initialised.
MapEntry* MapInsert(Map* map, int32_t bucket, int64_t key);
// Frees the entry's key copy, its element's strings and dynamic members, and the entry.
void MapReleaseEntry(Map* map, MapEntry* entry);
