// The temporary string stack on which every string expression is built. Its buffer grows by at
// least 16 KiB at a time and never shrinks, so building expressions costs no heap call in the
// common case; anything that keeps a place on it keeps a byte offset, not a pointer.
#include <cstring>

#include "kernel.h"
#include "string_state.h"
#include "string_runtime.h"

namespace {

constexpr int64_t kGrowthMargin = 16384;

// Ensures room for `bytes` more bytes past `from`; the 4 bytes kept free below the size and the
// 10 bytes of slack behind it leave room for the terminator. False when out of memory.
bool Ensure(int64_t from, int64_t bytes) {
  if (g_strings.heap == nullptr) return false;
  if (from + bytes < g_strings.size - 4) return true;
  int64_t size = from + bytes + kGrowthMargin;
  void* grown = HeapReAlloc(g_strings.heap, 0, g_strings.base, static_cast<size_t>(size + 10));
  if (grown == nullptr) return false;
  g_strings.base = static_cast<char*>(grown);
  g_strings.size = size;
  return true;
}

void Terminate(int64_t at) { std::memset(g_strings.base + at, 0, 2); }

}  // namespace

const char16_t* StrTempAppend(const char16_t* text) {
  if (g_strings.heap == nullptr) return u"";
  int64_t start = g_strings.position;
  int64_t length = StrLen(text);
  int64_t onStack = StrTempOffset(text);
  if (!Ensure(start, length * 2)) return reinterpret_cast<char16_t*>(g_strings.base + start);
  if (onStack) text = StrTempAddress(onStack);
  if (length) std::memmove(g_strings.base + start, text, static_cast<size_t>(length) * 2);
  g_strings.position = start + length * 2;
  Terminate(g_strings.position);
  return reinterpret_cast<char16_t*>(g_strings.base + start);
}

int64_t StrTempStore(char16_t** variable, int64_t start) {
  if (g_strings.heap == nullptr || variable == nullptr) return start;
  if (start < 0 || start > g_strings.position) start = g_strings.position;
  int64_t bytes = g_strings.position - start;
  void* block = *variable ? HeapReAlloc(g_strings.heap, 0, *variable, static_cast<size_t>(bytes + 10))
                          : HeapAlloc(g_strings.heap, 0, static_cast<size_t>(bytes + 10));
  if (block != nullptr) {
    *variable = static_cast<char16_t*>(block);
    std::memcpy(*variable, g_strings.base + start, static_cast<size_t>(bytes / 2) * 2);
    (*variable)[bytes / 2] = 0;
  }
  g_strings.position = start;
  return start;
}

char16_t* StrTempReserve(int64_t characters, int64_t start) {
  if (g_strings.heap == nullptr) return nullptr;
  if (characters < 0) characters = 0;
  if (start < 0) start = g_strings.position;
  // Room is measured from the later of the start and the current end, so that a start beyond
  // the end can never write past the buffer.
  int64_t from = start > g_strings.position ? start : g_strings.position;
  if (!Ensure(from, characters * 2)) return nullptr;
  g_strings.position = start + characters * 2;
  return reinterpret_cast<char16_t*>(g_strings.base + start);
}

void StrTempShrink(int64_t characters) {
  if (g_strings.heap == nullptr || characters < 0) return;
  g_strings.position -= characters * 2;
  if (g_strings.position < 0) g_strings.position = 0;
}

void StrTempTruncate(int64_t offset) {
  if (g_strings.heap == nullptr || offset < 0 || offset > g_strings.size - 2) return;
  g_strings.position = offset;
  Terminate(offset);
}

int64_t StrTempOffset(const void* pointer) {
  if (pointer == nullptr || g_strings.base == nullptr) return 0;
  auto address = reinterpret_cast<uintptr_t>(pointer);
  auto base = reinterpret_cast<uintptr_t>(g_strings.base);
  if (address < base || address > base + static_cast<uintptr_t>(g_strings.position)) return 0;
  return static_cast<int64_t>(address - base) + 1;
}

char16_t* StrTempAddress(int64_t offsetPlusOne) {
  return reinterpret_cast<char16_t*>(g_strings.base + offsetPlusOne - 1);
}

void StrCopyChars(char16_t* destination, const char16_t* source, int64_t characters) {
  if (destination == nullptr) return;
  if (characters > 0 && source) std::memmove(destination, source, static_cast<size_t>(characters) * 2);
  destination[characters > 0 && source ? characters : 0] = 0;
}

int64_t StrTempPosition() { return g_strings.position; }
char16_t* StrTempAt(int64_t offset) { return reinterpret_cast<char16_t*>(g_strings.base + offset); }
int64_t StrTempSize() { return g_strings.size; }
