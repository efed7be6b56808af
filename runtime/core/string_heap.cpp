// The string heap and string variables: assignment, copies, freeing and comparison.
// A variable assigned a text keeps room for it and a terminator (plus slack, so that growing a
// little reallocates in place); null is the empty text.
#include <cstring>

#include "kernel.h"
#include "string_state.h"
#include "string_runtime.h"

StringRuntime g_strings;

void StringHeapInit() {
  if (g_strings.heap) return;
  g_strings.heap = HeapCreate(0, 4096, 0);
  g_strings.base = g_strings.heap ? static_cast<char*>(HeapAlloc(g_strings.heap, HEAP_ZERO_MEMORY, 16)) : nullptr;
  g_strings.size = g_strings.base ? 16 : 0;
  g_strings.position = 0;
}

void StringHeapShutdown() {
  if (g_strings.heap == nullptr) return;
  HeapFree(g_strings.heap, 0, g_strings.base);
  HeapDestroy(g_strings.heap);
  g_strings = StringRuntime{};
}

int64_t StrLen(const char16_t* text) {
  if (text == nullptr) return 0;
  int64_t length = 0;
  while (text[length]) ++length;
  return length;
}

namespace {

// Resizes (or allocates) a variable's block; leaves the variable alone and returns false when
// the heap has no room.
bool ResizeVariable(char16_t** variable, size_t bytes) {
  void* block = *variable ? HeapReAlloc(g_strings.heap, 0, *variable, bytes) : HeapAlloc(g_strings.heap, 0, bytes);
  if (block == nullptr) return false;
  *variable = static_cast<char16_t*>(block);
  return true;
}

}  // namespace

void StrAssign(char16_t** variable, const char16_t* text) {
  if (variable == nullptr || g_strings.heap == nullptr) return;
  if (text == nullptr) {
    if (*variable) HeapFree(g_strings.heap, 0, *variable);
    *variable = nullptr;
    return;
  }
  if (text == *variable) return;
  int64_t length = StrLen(text);
  bool ownTail = *variable && text > *variable && text <= *variable + StrLen(*variable);
  // A tail of the variable's own text moves to the front first; resizing then carries it along.
  if (ownTail) std::memmove(*variable, text, static_cast<size_t>(length + 1) * 2);
  if (!ResizeVariable(variable, static_cast<size_t>(length) * 2 + 10)) return;
  if (!ownTail) std::memcpy(*variable, text, static_cast<size_t>(length) * 2);
  (*variable)[length] = 0;
}

void StrCopyNew(char16_t** variable, const char16_t* text) {
  if (variable == nullptr || text == nullptr || g_strings.heap == nullptr) return;
  int64_t length = StrLen(text);
  auto* block = static_cast<char16_t*>(HeapAlloc(g_strings.heap, 0, static_cast<size_t>(length + 5) * 2));
  if (block == nullptr) return;
  std::memcpy(block, text, static_cast<size_t>(length) * 2);
  block[length] = 0;
  *variable = block;
}

void StrFree(char16_t* block) {
  if (block && g_strings.heap) HeapFree(g_strings.heap, 0, block);
}

int64_t StrEqual(const char16_t* a, const char16_t* b) {
  if (a == nullptr) a = u"";
  if (b == nullptr) b = u"";
  while (*a && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b ? 1 : 0;
}
