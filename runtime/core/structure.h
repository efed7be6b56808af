// Structure descriptors: how the runtime finds the strings and the dynamic members (arrays,
// lists, maps) inside an element of a list, a map or an array, so that it can create, free and
// copy them. Dynamic members are handled through hooks that the array, list and map libraries
// install at start-up (ArrayInit, ListInit, MapInit).
//
// A descriptor is a sequence of signed 64-bit entries, ended by kDescEnd:
//   n >= 0                                          a string field at byte offset n
//   kDescStaticArray, offset, count, stride, desc   `count` structures `stride` bytes apart
//   kDescNested, offset, desc                       a structure embedded at the offset
//   kDescArray, offset, elementSize, count, desc, type
//                                                   a dynamic array (the field points to its data);
//                                                   created with `count` zeroed elements
//   kDescList, offset, elementSize, desc, type      a list (the field is the two-word list variable)
//   kDescMap, offset, elementSize, desc, type, buckets, flags
//                                                   a text-keyed map (the field is the map variable)
//   kDescIntMap, offset, elementSize, desc, buckets an integer-keyed map
// `desc` entries hold the address of another descriptor (DescriptorRef), or 0 for none.
#pragma once

#include <cstdint>

constexpr int64_t kDescEnd = -1;
constexpr int64_t kDescStaticArray = -2;
constexpr int64_t kDescNested = -3;
constexpr int64_t kDescArray = -4;
constexpr int64_t kDescList = -5;
constexpr int64_t kDescMap = -6;
constexpr int64_t kDescIntMap = -7;

// A descriptor's address as an entry of another descriptor.
inline int64_t DescriptorRef(const int64_t* descriptor) {
  return static_cast<int64_t>(reinterpret_cast<intptr_t>(descriptor));
}
inline const int64_t* DescriptorAt(int64_t entry) {
  return reinterpret_cast<const int64_t*>(static_cast<intptr_t>(entry));
}

// What a library does with one dynamic member. `field` is the member's address inside the
// element; `operands` are the descriptor entries after the member's code (offset first).
struct DynamicMemberHooks {
  void (*create)(void* field, const int64_t* operands);
  void (*free)(void* field, const int64_t* operands);
  // `target` holds a byte copy of `source` when called: the hook replaces it with a member of
  // its own (never freeing what the byte copy points to, which still belongs to the source).
  void (*copy)(void* target, const void* source, const int64_t* operands);
};

// Installs (or, with null, removes) the hooks for one of kDescArray .. kDescIntMap.
void StructureSetHooks(int64_t code, const DynamicMemberHooks* hooks);

// True when the descriptor names a dynamic member at any nesting depth.
bool StructureHasDynamicMembers(const int64_t* descriptor);
// Creates the dynamic members of a zeroed element.
void StructureCreate(void* element, const int64_t* descriptor);
// Frees the element's strings and dynamic members and clears their fields.
void StructureFree(void* element, const int64_t* descriptor);
// Replaces `target` (an element of the same type, whose own strings and members are freed
// first) with a deep copy of `source`: plain bytes copied, strings duplicated, members copied.
void StructureCopy(void* target, const void* source, int64_t size, const int64_t* descriptor);

// Blocks that a list or a map keeps for its elements' sake and frees with itself: a chain of
// zeroed main-heap blocks, each starting with the link to the next.
struct ExtraBlock {
  ExtraBlock* next;
};
// A new zeroed block of `bytes` usable bytes (behind the link) added to the chain, or none.
void* ExtraBlockAttach(ExtraBlock** chain, int64_t bytes);
void ExtraBlocksFree(ExtraBlock** chain);

// Dynamic members hold pointers; a descriptor offset that would misalign one is left alone.
inline bool FieldAligned(const void* field) { return reinterpret_cast<uintptr_t>(field) % alignof(void*) == 0; }
