// Sorting lists: a stable, recursive top-down merge sort that relinks nodes and never copies
// elements, instantiated for every element type and both directions, and the three entry points
// (whole list, a range of positions, a field of structured elements).
#include <cstring>

#include "charcase.h"
#include "list.h"

namespace {

template <class Value>
Value Load(const ListNode* node, int64_t offset) {
  Value value;
  std::memcpy(&value, reinterpret_cast<const char*>(node) + offset, sizeof value);
  return value;
}

// Code-unit order of UTF-16 texts as unsigned values; a prefix sorts first; null is empty.
int CompareOrdinal(const char16_t* a, const char16_t* b) {
  if (a == nullptr) a = u"";
  if (b == nullptr) b = u"";
  while (*a && *a == *b) {
    ++a;
    ++b;
  }
  return static_cast<int>(*a) - static_cast<int>(*b);
}

// Sorts the n nodes starting at `head` into a null-terminated chain (only `next` links are
// kept up to date) and returns its head; *rest receives the node that followed the n nodes.
// `outOfOrder(a, b)` says that a must come after b; equal elements are never out of order,
// so the merge keeps them in their original order.
template <class OutOfOrder>
ListNode* MergeSort(ListNode* head, int64_t n, ListNode** rest, const OutOfOrder& outOfOrder) {
  if (n == 1) {
    *rest = head->next;
    head->next = nullptr;
    return head;
  }
  if (n == 2) {
    ListNode* second = head->next;
    *rest = second->next;
    if (outOfOrder(head, second)) {
      second->next = head;
      head->next = nullptr;
      return second;
    }
    second->next = nullptr;
    return head;
  }
  ListNode* middle;
  ListNode* left = MergeSort(head, n / 2, &middle, outOfOrder);
  ListNode* right = MergeSort(middle, n - n / 2, rest, outOfOrder);
  ListNode merged{};
  ListNode* tail = &merged;
  while (left && right) {
    if (outOfOrder(left, right)) {
      tail->next = right;
      right = right->next;
    } else {
      tail->next = left;
      left = left->next;
    }
    tail = tail->next;
  }
  tail->next = left ? left : right;
  return merged.next;
}

// Numbers: NaN compares false both ways, so an unordered pair is never out of order.
template <class Value>
ListNode* SortNumbers(ListNode* head, int64_t n, ListNode** rest, int64_t offset, bool descending) {
  if (descending) {
    return MergeSort(head, n, rest, [offset](const ListNode* a, const ListNode* b) {
      return Load<Value>(a, offset) < Load<Value>(b, offset);
    });
  }
  return MergeSort(head, n, rest, [offset](const ListNode* a, const ListNode* b) {
    return Load<Value>(a, offset) > Load<Value>(b, offset);
  });
}

template <int (*Compare)(const char16_t*, const char16_t*)>
ListNode* SortTexts(ListNode* head, int64_t n, ListNode** rest, int64_t offset, bool descending) {
  if (descending) {
    return MergeSort(head, n, rest, [offset](const ListNode* a, const ListNode* b) {
      return Compare(Load<const char16_t*>(a, offset), Load<const char16_t*>(b, offset)) < 0;
    });
  }
  return MergeSort(head, n, rest, [offset](const ListNode* a, const ListNode* b) {
    return Compare(Load<const char16_t*>(a, offset), Load<const char16_t*>(b, offset)) > 0;
  });
}

// Bytes a value of each element type occupies; 0 for a code that cannot be sorted.
int64_t TypeWidth(int64_t type) {
  switch (type) {
    case kTypeByte: case kTypeAscii: return 1;
    case kTypeWord: case kTypeCharacter: case kTypeUnicode: return 2;
    case kTypeLong: case kTypeFloat: return 4;
    case kTypeString: case kTypeDouble: case kTypeQuad: case kTypeInteger: return 8;
    default: return 0;
  }
}

ListNode* SortByType(ListNode* head, int64_t n, ListNode** rest, int64_t type, int64_t offset, int64_t flags) {
  bool descending = (flags & kSortDescending) != 0;
  switch (type) {
    case kTypeByte: return SortNumbers<int8_t>(head, n, rest, offset, descending);
    case kTypeWord: return SortNumbers<int16_t>(head, n, rest, offset, descending);
    case kTypeLong: return SortNumbers<int32_t>(head, n, rest, offset, descending);
    case kTypeFloat: return SortNumbers<float>(head, n, rest, offset, descending);
    case kTypeDouble: return SortNumbers<double>(head, n, rest, offset, descending);
    case kTypeQuad: case kTypeInteger: return SortNumbers<int64_t>(head, n, rest, offset, descending);
    case kTypeAscii: return SortNumbers<uint8_t>(head, n, rest, offset, descending);
    case kTypeCharacter: case kTypeUnicode: return SortNumbers<uint16_t>(head, n, rest, offset, descending);
    case kTypeString:
      if (flags & kSortNoCase) return SortTexts<_wcsicmp>(head, n, rest, offset, descending);
      return SortTexts<CompareOrdinal>(head, n, rest, offset, descending);
    default: return nullptr;
  }
}

ListNode* NodeAt(List* list, int64_t position) {
  ListNode* node = list->first;
  for (int64_t i = 0; node && i < position; ++i) node = node->next;
  return node;
}

// Sorts positions first..last (already checked to exist) by the value at `offset` bytes into
// each node, then puts the sorted run back between its old neighbours.
void SortSpan(List* list, int64_t flags, int64_t offset, int64_t type, int64_t first, int64_t last) {
  int64_t n = last - first + 1;
  if (n < 2 || TypeWidth(type) == 0) return;
  ListNode* firstNode = NodeAt(list, first);
  ListNode* before = firstNode->previous;
  ListNode* after;
  ListNode* head = SortByType(firstNode, n, &after, type, offset, flags);
  ListNode* previous = before;
  for (ListNode* node = head; node; node = node->next) {
    node->previous = previous;
    previous = node;
  }
  ListNode* tail = previous;
  tail->next = after;
  if (after) after->previous = tail;
  else list->last = tail;
  if (before) before->next = head;
  else list->first = head;
  list->beforeFirst = 1;
  // The current node stays where the program left it; its index follows it to its new place.
  if (list->current) {
    int64_t index = 0;
    for (ListNode* node = list->first; node && node != list->current; node = node->next) ++index;
    list->index = index;
  }
}

bool RangeExists(const List* list, int64_t first, int64_t last) {
  return first >= 0 && last >= first && last < list->count;
}

}  // namespace

void ListSort(List* list, int64_t flags) {
  if (list == nullptr || list->count < 2) return;
  SortSpan(list, flags, sizeof(ListNode), list->type, 0, list->count - 1);
}

void ListSortRange(List* list, int64_t flags, int64_t first, int64_t last) {
  if (list == nullptr || !RangeExists(list, first, last)) return;
  SortSpan(list, flags, sizeof(ListNode), list->type, first, last);
}

void ListSortStructured(List* list, int64_t flags, int64_t offset, int64_t type, int64_t first, int64_t last) {
  if (list == nullptr || list->count < 2) return;
  if (type == -1) type = list->type;
  int64_t elementSize = list->nodeSize - static_cast<int64_t>(sizeof(ListNode));
  int64_t width = TypeWidth(type);
  if (width == 0 || offset < 0 || offset > elementSize - width) return;
  if (first == -1) {
    first = 0;
    last = list->count - 1;
  }
  if (!RangeExists(list, first, last)) return;
  SortSpan(list, flags, static_cast<int64_t>(sizeof(ListNode)) + offset, type, first, last);
}
