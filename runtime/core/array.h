// Dynamic arrays inside structures: a block of zeroed elements of one type behind a small
// header, created, freed and copied with the structure that holds it (ArrayInit installs the
// hooks). The member field holds the address of the first element.
#pragma once

#include <cstdint>

// A new array of `count` zeroed elements with their dynamic members created; none when the
// size is absurd or memory runs out.
void* ArrayCreate(int64_t elementSize, int64_t count, const int64_t* descriptor, int64_t type);
// Frees the elements' strings and dynamic members and the array itself.
void ArrayFree(void* array);
// A deep copy (strings duplicated, dynamic members copied), or none.
void* ArrayCopy(const void* array);
// Number of elements (0 for none).
int64_t ArraySize(const void* array);

// Start-up: installs the hooks that create, free and copy arrays inside structures.
void ArrayInit();
