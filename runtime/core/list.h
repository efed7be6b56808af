// Linked lists: elements of one type (a number, a string or a structure) in a doubly linked
// chain of nodes from a shared element pool, walked through a current element; and the stable
// merge sorts that reorder a list by relinking its nodes.
#pragma once

#include <cstdint>

struct ElementPool;
struct ExtraBlock;

// Element type codes of lists, maps and sorting.
constexpr int64_t kTypeByte = 1;          // 8-bit signed integer
constexpr int64_t kTypeWord = 3;          // 16-bit signed integer
constexpr int64_t kTypeLong = 5;          // 32-bit signed integer
constexpr int64_t kTypeString = 8;        // pointer to a runtime string
constexpr int64_t kTypeFloat = 9;         // 32-bit float
constexpr int64_t kTypeCharacter = 11;    // 16-bit character
constexpr int64_t kTypeDouble = 12;       // 64-bit float
constexpr int64_t kTypeQuad = 13;         // 64-bit signed integer
constexpr int64_t kTypeInteger = 21;      // 64-bit signed integer
constexpr int64_t kTypeAscii = 24;        // 8-bit character
constexpr int64_t kTypeUnicode = 25;      // 16-bit character

// Sort flags.
constexpr int64_t kSortDescending = 1;
constexpr int64_t kSortNoCase = 2;

struct ListNode {
  ListNode* next;
  ListNode* previous;
  // the element's data follows
};

// The program's handle on a list: the record and the element it reads through (the data of
// the current node; none before the first step).
struct ListVariable {
  struct List* list;
  void* current;
};

struct List {
  ListNode* first;
  ListNode* last;
  ListNode* current;          // none = before the first element
  void** currentElement;      // the variable's current-element word, kept up to date
  int64_t count;
  int64_t index;              // 0-based index of the current element
  const int64_t* descriptor;  // strings and dynamic members of an element, or none
  ElementPool* pool;
  ExtraBlock* extraBlocks;    // blocks freed with the list
  ListVariable* variable;
  int64_t nodeSize;           // element size plus the two links
  int32_t type;
  int32_t beforeFirst;
  int32_t hasDynamicMembers;
  int32_t ownsVariable;
};

// The element data of a node (right after its two links).
inline void* ListNodeData(ListNode* node) { return node ? reinterpret_cast<char*>(node) + sizeof(ListNode) : nullptr; }

List* ListCreate(int64_t elementSize, ListVariable* variable, const int64_t* descriptor, int64_t type);
void ListFree(List* list);
void ListClear(List* list);
void ListReset(List* list);
void* ListNext(List* list);
void* ListAdd(List* list);
// Number of elements (0 for a missing list).
int64_t ListSize(List* list);

// Sorting: flags kSortDescending, kSortNoCase (strings compared with ASCII letters folded).
void ListSort(List* list, int64_t flags);
// The elements at positions first..last (0-based, inclusive); nothing when either is missing.
void ListSortRange(List* list, int64_t flags, int64_t first, int64_t last);
// By the field at `offset` in each element, of type `type` (-1: the list's own type); the whole
// list when first is -1, else positions first..last. Nothing when the field lies outside the element.
void ListSortStructured(List* list, int64_t flags, int64_t offset, int64_t type, int64_t first, int64_t last);

// Start-up: installs the hooks that create, free and copy lists inside structures.
void ListInit();
