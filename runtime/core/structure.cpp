// Walks structure descriptors to create, free and copy the strings and dynamic members of an
// element. Strings are handled here; arrays, lists and maps through the hooks their libraries
// install, so that this file needs none of them. An unknown code ends a descriptor, and nesting
// deeper than kMaxDepth is ignored, so a damaged descriptor can never send the walk astray.
#include "structure.h"

#include <cstring>

#include "heap.h"
#include "string_runtime.h"

namespace {

constexpr int kMaxDepth = 32;

const DynamicMemberHooks* g_hooks[kDescArray - kDescIntMap + 1] = {};

const DynamicMemberHooks* HooksFor(int64_t code) {
  if (code > kDescArray || code < kDescIntMap) return nullptr;
  return g_hooks[kDescArray - code];
}

// Number of operands that follow each code, or -1 for a code that is not known.
int64_t OperandCount(int64_t code) {
  switch (code) {
    case kDescStaticArray: return 4;
    case kDescNested: return 2;
    case kDescArray: return 5;
    case kDescList: return 4;
    case kDescMap: return 6;
    case kDescIntMap: return 4;
    default: return -1;
  }
}

enum class Action { Create, Free, Copy, Probe };

// Fields may sit at any offset the descriptor names: read and write them bytewise.
char16_t* LoadString(const char* field) {
  char16_t* text;
  std::memcpy(&text, field, sizeof text);
  return text;
}
void StoreString(char* field, char16_t* text) { std::memcpy(field, &text, sizeof text); }

// Applies `action` to the element at `target` (and, for copies, the element at `source`).
// Returns true when a dynamic member was met (what Probe asks).
bool Walk(char* target, const char* source, const int64_t* descriptor, Action action, int depth) {
  if (descriptor == nullptr || depth > kMaxDepth) return false;
  bool dynamic = false;
  for (const int64_t* entry = descriptor;; ) {
    int64_t code = *entry;
    if (code >= 0) {
      if (action == Action::Free) {
        StrFree(LoadString(target + code));
        StoreString(target + code, nullptr);
      } else if (action == Action::Copy) {
        char16_t* copy = nullptr;
        StrAssign(&copy, LoadString(source + code));
        StoreString(target + code, copy);
      }
      ++entry;
      continue;
    }
    int64_t operandCount = OperandCount(code);
    if (operandCount < 0) break;  // kDescEnd, or a code this runtime does not know
    const int64_t* operands = entry + 1;
    int64_t offset = operands[0];
    if (offset >= 0) {
      char* targetField = target ? target + offset : nullptr;
      const char* sourceField = source ? source + offset : nullptr;
      if (code == kDescNested) {
        dynamic |= Walk(targetField, sourceField, DescriptorAt(operands[1]), action, depth + 1);
      } else if (code == kDescStaticArray) {
        const int64_t* inner = DescriptorAt(operands[3]);
        for (int64_t i = 0; i < operands[1]; ++i) {
          int64_t at = i * operands[2];
          dynamic |= Walk(targetField ? targetField + at : nullptr, sourceField ? sourceField + at : nullptr, inner,
                          action, depth + 1);
          if (action == Action::Probe) break;  // every element has the same members
        }
      } else {
        dynamic = true;
        const DynamicMemberHooks* hooks = HooksFor(code);
        if (hooks && action == Action::Create && hooks->create) hooks->create(targetField, operands);
        if (hooks && action == Action::Free && hooks->free) hooks->free(targetField, operands);
        if (hooks && action == Action::Copy && hooks->copy) hooks->copy(targetField, sourceField, operands);
      }
    }
    entry += 1 + operandCount;
  }
  return dynamic;
}

}  // namespace

void StructureSetHooks(int64_t code, const DynamicMemberHooks* hooks) {
  if (code > kDescArray || code < kDescIntMap) return;
  g_hooks[kDescArray - code] = hooks;
}

bool StructureHasDynamicMembers(const int64_t* descriptor) {
  return Walk(nullptr, nullptr, descriptor, Action::Probe, 0);
}

void StructureCreate(void* element, const int64_t* descriptor) {
  if (element) Walk(static_cast<char*>(element), nullptr, descriptor, Action::Create, 0);
}

void StructureFree(void* element, const int64_t* descriptor) {
  if (element) Walk(static_cast<char*>(element), nullptr, descriptor, Action::Free, 0);
}

void StructureCopy(void* target, const void* source, int64_t size, const int64_t* descriptor) {
  if (target == nullptr || source == nullptr || target == source || size <= 0) return;
  StructureFree(target, descriptor);
  std::memcpy(target, source, static_cast<size_t>(size));
  Walk(static_cast<char*>(target), static_cast<const char*>(source), descriptor, Action::Copy, 0);
}

void* ExtraBlockAttach(ExtraBlock** chain, int64_t bytes) {
  if (chain == nullptr || bytes < 0) return nullptr;
  auto* block = static_cast<ExtraBlock*>(MainHeapAlloc(sizeof(ExtraBlock) + static_cast<size_t>(bytes)));
  if (block == nullptr) return nullptr;
  block->next = *chain;
  *chain = block;
  return block + 1;
}

void ExtraBlocksFree(ExtraBlock** chain) {
  if (chain == nullptr) return;
  while (ExtraBlock* block = *chain) {
    *chain = block->next;
    MainHeapFree(block);
  }
}
