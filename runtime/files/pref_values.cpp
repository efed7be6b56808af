// Reading and writing keys of the current preference file's top section: the key lookup
// (ASCII letters match in either case), values read as texts or integers, and writes that
// change an entry in place or add one at the end of the top section.
#include <climits>
#include <cstdio>
#include <cstring>

#include "heap.h"
#include "pref.h"
#include "pref_state.h"
#include "string_runtime.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Keys match when they are equal apart from the case of ASCII letters; every other byte must be
// the same, so letters beyond ASCII match only in the same spelling.
bool KeysMatch(const char* stored, const char* wanted) {
  for (; *stored && *wanted; ++stored, ++wanted) {
    if (AsciiLower(*stored) != AsciiLower(*wanted)) return false;
  }
  return *stored == *wanted;
}

// A main-heap UTF-8 copy of a runtime string, its byte count in *bytes; null when out of memory.
char* Utf8Of(const char16_t* text, int64_t* bytes) {
  int64_t length = StrLen(text);
  if (length > INT_MAX / 3) return nullptr;  // more than a 32-bit count can convert
  int needed = length ? WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr) : 0;
  if (length && needed <= 0) return nullptr;
  auto* out = static_cast<char*>(MainHeapAlloc(static_cast<size_t>(needed) + 1));
  if (out == nullptr) return nullptr;
  if (needed) WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out, needed, nullptr, nullptr);
  *bytes = needed;
  return out;
}

// The open file's key entry of the top section, or null. A group header ends the search, and
// the first match wins.
PrefEntry* FindKey(PrefState* state, const char* key) {
  for (PrefEntry* entry = state->first; entry; entry = entry->next) {
    if (entry->kind == kPrefGroup) return nullptr;
    if (entry->kind == kPrefKey && KeysMatch(entry->key, key)) return entry;
  }
  return nullptr;
}

bool IsOpen(const PrefState* state) { return state && state->fileName; }

// The value of a key of the open file, past its leading spaces and tabs; null when there is no
// such key (or no file, or no memory to look it up).
const char* FindValue(const char16_t* key) {
  PrefState* state = PrefCurrentState();
  if (!IsOpen(state)) return nullptr;
  int64_t bytes = 0;
  char* wanted = Utf8Of(key, &bytes);
  if (wanted == nullptr) return nullptr;
  PrefEntry* entry = FindKey(state, wanted);
  MainHeapFree(wanted);
  if (entry == nullptr) return nullptr;
  const char* value = entry->value;
  while (IsBlank(*value)) ++value;
  return value;
}

// Whether a key, written as a line of its own, reads back as the same key. A key holding a line
// break or an equals sign, opening like a comment or a group header, or with spaces or tabs at
// either end would come back as another key or as no key at all, and could then stand in for a
// different setting; such keys are not written.
bool KeyReadsBack(const char* key, int64_t bytes) {
  if (bytes == 0) return true;
  if (key[0] == '[' || key[0] == ';' || IsBlank(key[0]) || IsBlank(key[bytes - 1])) return false;
  for (int64_t i = 0; i < bytes; ++i) {
    if (key[i] == '\r' || key[i] == '\n' || key[i] == '=') return false;
  }
  return true;
}

// A line break inside a value would end its line on the next read and turn the rest into a line
// of its own, perhaps a key that overrides another setting. Each break (CR LF, CR or LF) is
// written as one space instead. Returns the new byte count.
int64_t LineBreaksToSpaces(char* value, int64_t bytes) {
  int64_t out = 0;
  for (int64_t i = 0; i < bytes; ++i) {
    char c = value[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < bytes && value[i + 1] == '\n') ++i;
      c = ' ';
    }
    value[out++] = c;
  }
  value[out] = 0;
  return out;
}

// Gives an entry a value: in the storage it has when the value fits there, else in new storage.
bool SetValue(PrefEntry* entry, const char* value, int64_t bytes) {
  if (entry->value && bytes <= entry->valueRoom) {
    std::memcpy(entry->value, value, static_cast<size_t>(bytes));
    entry->value[bytes] = 0;
    return true;
  }
  auto* storage = static_cast<char*>(MainHeapAlloc(static_cast<size_t>(bytes) + 1));
  if (storage == nullptr) return false;
  std::memcpy(storage, value, static_cast<size_t>(bytes));
  if (entry->ownsValue) MainHeapFree(entry->value);
  entry->value = storage;
  entry->valueRoom = bytes;
  entry->ownsValue = 1;
  return true;
}

// Writes a UTF-8 value under a key of the top section. Nothing happens without an open file,
// for a key that would not read back as itself, or when memory runs out.
void StoreValue(const char16_t* key, const char* value, int64_t valueBytes) {
  PrefState* state = PrefCurrentState();
  if (!IsOpen(state)) return;
  int64_t keyBytes = 0;
  char* keyText = Utf8Of(key, &keyBytes);
  if (keyText == nullptr) return;
  if (!KeyReadsBack(keyText, keyBytes)) {
    MainHeapFree(keyText);
    return;
  }
  PrefEntry* entry = FindKey(state, keyText);
  if (entry) {
    if (!SetValue(entry, value, valueBytes)) {
      MainHeapFree(keyText);
      return;
    }
    // The key keeps the spelling it was last written with; a match has the same bytes count.
    std::memcpy(entry->key, keyText, static_cast<size_t>(keyBytes));
    MainHeapFree(keyText);
  } else {
    entry = PrefEntryNew(state, kPrefKey);
    if (entry == nullptr) {
      MainHeapFree(keyText);
      return;
    }
    entry->key = keyText;
    entry->ownsKey = 1;
    if (!SetValue(entry, value, valueBytes)) {
      MainHeapFree(keyText);
      PoolFree(state->entryPool, entry);
      return;
    }
    // New keys go to the end of the top section: in front of the first group header.
    PrefEntry* firstGroup = state->first;
    while (firstGroup && firstGroup->kind != kPrefGroup) firstGroup = firstGroup->next;
    PrefEntryLink(state, entry, firstGroup);
  }
  state->modified = 1;
}

// A number read the way "%I64d" reads one: white space skipped, an optional sign, then decimal
// digits up to the first other character; no digits give 0. A number beyond 64 bits stops at
// the nearest limit.
int64_t ParseInteger(const char* text) {
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  uint64_t magnitude = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    unsigned digit = static_cast<unsigned>(*text - '0');
    magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
  }
  return negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
}

}  // namespace

char16_t* PrefReadString(const char16_t* key, const char16_t* defaultValue, int64_t start) {
  // The default may be a text on the stack that the reservation below moves.
  int64_t defaultAt = StrTempOffset(defaultValue);
  const char* value = FindValue(key);
  int64_t bytes = value ? static_cast<int64_t>(std::strlen(value)) : 0;
  if (value && bytes <= INT_MAX) {
    int length = bytes ? MultiByteToWideChar(CP_UTF8, 0, value, static_cast<int>(bytes), nullptr, 0) : 0;
    char16_t* out = StrTempReserve(length, start);
    if (out == nullptr) return nullptr;
    if (length) MultiByteToWideChar(CP_UTF8, 0, value, static_cast<int>(bytes), out, length);
    out[length] = 0;
    return out;
  }
  int64_t length = StrLen(defaultValue);
  char16_t* out = StrTempReserve(length, start);
  if (out == nullptr) return nullptr;
  if (defaultAt) defaultValue = StrTempAddress(defaultAt);
  StrCopyChars(out, defaultValue, length);
  return out;
}

int64_t PrefReadInt(const char16_t* key, int64_t defaultValue) {
  const char* value = FindValue(key);
  return value ? ParseInteger(value) : defaultValue;
}

void PrefWriteString(const char16_t* key, const char16_t* value) {
  int64_t bytes = 0;
  char* text = Utf8Of(value, &bytes);
  if (text == nullptr) return;
  bytes = LineBreaksToSpaces(text, bytes);
  StoreValue(key, text, bytes);
  MainHeapFree(text);
}

void PrefWriteInt(const char16_t* key, int64_t value) {
  char text[24];
  int bytes = std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
  StoreValue(key, text, bytes);
}
