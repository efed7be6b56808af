// Dynamic arrays: one main-heap block holding a header (element count, size, type, descriptor)
// and the elements, so that an array member of a structure is a single pointer.
#include "array.h"

#include <cstring>

#include "heap.h"
#include "structure.h"

namespace {

struct ArrayHeader {
  int64_t count;
  int64_t elementSize;
  int64_t type;
  const int64_t* descriptor;
};

constexpr int64_t kLargestArrayBytes = int64_t{1} << 40;

ArrayHeader* HeaderOf(const void* array) {
  return array ? reinterpret_cast<ArrayHeader*>(static_cast<char*>(const_cast<void*>(array)) - sizeof(ArrayHeader)) : nullptr;
}

char* ElementAt(const ArrayHeader* header, int64_t index) {
  return reinterpret_cast<char*>(const_cast<ArrayHeader*>(header) + 1) + index * header->elementSize;
}

void* LoadPointer(const void* field) {
  void* pointer;
  std::memcpy(&pointer, field, sizeof pointer);
  return pointer;
}
void StorePointer(void* field, void* pointer) { std::memcpy(field, &pointer, sizeof pointer); }

// kDescArray operands: offset, element size, count, descriptor, type. The field points to the data.
void CreateMember(void* field, const int64_t* operands) {
  StorePointer(field, ArrayCreate(operands[1], operands[2], DescriptorAt(operands[3]), operands[4]));
}

void FreeMember(void* field, const int64_t*) {
  ArrayFree(LoadPointer(field));
  StorePointer(field, nullptr);
}

void CopyMember(void* target, const void* source, const int64_t*) {
  StorePointer(target, ArrayCopy(LoadPointer(source)));
}

const DynamicMemberHooks kArrayHooks = {CreateMember, FreeMember, CopyMember};

}  // namespace

void ArrayInit() { StructureSetHooks(kDescArray, &kArrayHooks); }

void* ArrayCreate(int64_t elementSize, int64_t count, const int64_t* descriptor, int64_t type) {
  if (elementSize < 0 || count < 0 || (elementSize > 0 && count > kLargestArrayBytes / elementSize)) return nullptr;
  auto* header = static_cast<ArrayHeader*>(MainHeapAlloc(sizeof(ArrayHeader) + static_cast<size_t>(elementSize * count)));
  if (header == nullptr) return nullptr;
  header->count = count;
  header->elementSize = elementSize;
  header->type = type;
  header->descriptor = descriptor;
  if (StructureHasDynamicMembers(descriptor)) {
    for (int64_t i = 0; i < count; ++i) StructureCreate(ElementAt(header, i), descriptor);
  }
  return header + 1;
}

void ArrayFree(void* array) {
  ArrayHeader* header = HeaderOf(array);
  if (header == nullptr) return;
  if (header->descriptor) {
    for (int64_t i = 0; i < header->count; ++i) StructureFree(ElementAt(header, i), header->descriptor);
  }
  MainHeapFree(header);
}

void* ArrayCopy(const void* array) {
  const ArrayHeader* from = HeaderOf(array);
  if (from == nullptr) return nullptr;
  void* copy = ArrayCreate(from->elementSize, from->count, from->descriptor, from->type);
  ArrayHeader* into = HeaderOf(copy);
  if (into == nullptr) return nullptr;
  for (int64_t i = 0; i < from->count; ++i) {
    StructureCopy(ElementAt(into, i), ElementAt(from, i), from->elementSize, from->descriptor);
  }
  return copy;
}

int64_t ArraySize(const void* array) {
  const ArrayHeader* header = HeaderOf(array);
  return header ? header->count : 0;
}
