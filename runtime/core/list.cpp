// Lists: creation and freeing, the current element, and adding elements after it. Nodes come
// from a shared element pool; an element's strings and dynamic members are created and freed
// through its structure descriptor. Also the hooks through which lists live inside structures.
#include "list.h"

#include <cstring>

#include "heap.h"
#include "pool.h"
#include "structure.h"

namespace {

constexpr int64_t kLargestElementSize = (int64_t{1} << 30) - static_cast<int64_t>(sizeof(ListNode));

void SetCurrent(List* list, ListNode* node) {
  list->current = node;
  if (list->currentElement) *list->currentElement = ListNodeData(node);
}

// kDescList operands: offset, element size, descriptor, type. The field is a ListVariable.
void CreateMember(void* field, const int64_t* operands) {
  if (!FieldAligned(field)) return;
  ListCreate(operands[1], static_cast<ListVariable*>(field), DescriptorAt(operands[2]), operands[3]);
}

void FreeMember(void* field, const int64_t*) {
  if (!FieldAligned(field)) return;
  auto* variable = static_cast<ListVariable*>(field);
  ListFree(variable->list);
  variable->list = nullptr;
  variable->current = nullptr;
}

void CopyMember(void* target, const void* source, const int64_t* operands) {
  if (!FieldAligned(target)) return;
  auto* into = static_cast<ListVariable*>(target);
  List* from = static_cast<const ListVariable*>(source)->list;
  into->list = nullptr;  // the byte copy's record belongs to the source
  into->current = nullptr;
  List* copy = ListCreate(operands[1], into, DescriptorAt(operands[2]), operands[3]);
  if (copy == nullptr || from == nullptr) return;
  int64_t elementSize = copy->nodeSize - static_cast<int64_t>(sizeof(ListNode));
  for (ListNode* node = from->first; node; node = node->next) {
    void* element = ListAdd(copy);
    if (element == nullptr) break;
    StructureCopy(element, ListNodeData(node), elementSize, copy->descriptor);
  }
  ListReset(copy);
}

const DynamicMemberHooks kListHooks = {CreateMember, FreeMember, CopyMember};

}  // namespace

void ListInit() { StructureSetHooks(kDescList, &kListHooks); }

List* ListCreate(int64_t elementSize, ListVariable* variable, const int64_t* descriptor, int64_t type) {
  if (elementSize < 0 || elementSize > kLargestElementSize) return nullptr;
  auto* list = static_cast<List*>(MainHeapAlloc(sizeof(List)));
  if (list == nullptr) return nullptr;
  if (variable == nullptr) {
    variable = static_cast<ListVariable*>(MainHeapAlloc(sizeof(ListVariable)));
    list->ownsVariable = 1;
  }
  list->nodeSize = elementSize + static_cast<int64_t>(sizeof(ListNode));
  list->pool = PoolCreate(list->nodeSize, 16, 65536, kPoolShared);
  if (variable == nullptr || list->pool == nullptr) {
    PoolRelease(list->pool);
    if (list->ownsVariable) MainHeapFree(variable);
    MainHeapFree(list);
    return nullptr;
  }
  list->variable = variable;
  list->currentElement = &variable->current;
  list->descriptor = descriptor;
  list->type = static_cast<int32_t>(type);
  list->beforeFirst = 1;
  list->hasDynamicMembers = StructureHasDynamicMembers(descriptor) ? 1 : 0;
  variable->list = list;
  variable->current = nullptr;
  return list;
}

void ListClear(List* list) {
  if (list == nullptr) return;
  for (ListNode* node = list->first; node;) {
    ListNode* next = node->next;
    if (list->descriptor) StructureFree(ListNodeData(node), list->descriptor);
    PoolFree(list->pool, node);
    node = next;
  }
  list->first = list->last = nullptr;
  SetCurrent(list, nullptr);
  list->count = 0;
  list->index = 0;
  list->beforeFirst = 1;
}

void ListFree(List* list) {
  if (list == nullptr) return;
  ListClear(list);
  PoolRelease(list->pool);
  if (list->variable->list == list) {
    list->variable->list = nullptr;
    list->variable->current = nullptr;
  }
  ExtraBlocksFree(&list->extraBlocks);
  if (list->ownsVariable) MainHeapFree(list->variable);
  MainHeapFree(list);
}

void ListReset(List* list) {
  if (list == nullptr) return;
  list->beforeFirst = 1;
  SetCurrent(list, nullptr);
}

void* ListNext(List* list) {
  if (list == nullptr) return nullptr;
  void* result = nullptr;
  if (list->current) {
    if (list->current->next) {
      list->current = list->current->next;
      ++list->index;
      result = ListNodeData(list->current);
    }
  } else if (list->first) {
    list->current = list->first;
    list->index = 0;
    list->beforeFirst = 0;
    result = ListNodeData(list->current);
  }
  SetCurrent(list, list->current);
  return result;
}

void* ListAdd(List* list) {
  if (list == nullptr) return nullptr;
  auto* node = static_cast<ListNode*>(PoolAllocZeroed(list->pool));
  if (node == nullptr) return nullptr;
  void* data = ListNodeData(node);
  if (list->hasDynamicMembers) StructureCreate(data, list->descriptor);
  ++list->count;
  if (list->current == nullptr) {
    node->next = list->first;
    if (list->first) list->first->previous = node;
    list->first = node;
    list->index = 0;
    list->beforeFirst = 0;
  } else {
    node->previous = list->current;
    node->next = list->current->next;
    if (node->next) node->next->previous = node;
    list->current->next = node;
    ++list->index;
  }
  if (node->next == nullptr) list->last = node;
  SetCurrent(list, node);
  return data;
}

int64_t ListSize(List* list) { return list ? list->count : 0; }
