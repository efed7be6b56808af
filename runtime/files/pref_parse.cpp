// Loading a preference file: reading it whole, recognising the UTF-8 byte-order mark, taking a
// file without one as ISO-8859-1 and converting it to UTF-8, and parsing the text in place into
// key, group-header and comment entries.
#include <cstring>

#include "file_io.h"
#include "heap.h"
#include "pref_state.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

char* LineEnd(char* at, const char* end) {
  while (at < end && !IsLineEnd(*at)) ++at;
  return at;
}

bool AddEntry(PrefState* state, int32_t kind, char* key, char* value) {
  PrefEntry* entry = PrefEntryNew(state, kind);
  if (entry == nullptr) return false;
  entry->key = key;
  entry->value = value;
  entry->valueRoom = static_cast<int64_t>(std::strlen(value));
  PrefEntryLink(state, entry, nullptr);
  return true;
}

// Cuts the text into NUL-terminated pieces, one entry per line. The text has two zero bytes
// behind its end, so a piece that runs to the end is terminated already. Bytes are looked at
// only below the end: a NUL byte inside a line merely ends that line's text early.
bool Parse(PrefState* state, char* at, char* end) {
  while (at < end) {
    while (at < end && IsBlank(*at)) ++at;
    if (at >= end) break;
    if (IsLineEnd(*at)) {  // a blank line, or one of spaces and tabs alone
      ++at;
      continue;
    }
    int32_t kind;
    char* key = nullptr;
    char* value;
    char* lineEnd;
    if (*at == ';') {
      kind = kPrefComment;
      ++at;
      if (at < end && *at == ' ') ++at;
      value = at;
      lineEnd = LineEnd(at, end);
    } else if (*at == '[') {
      kind = kPrefGroup;
      value = at + 1;
      char* close = value;
      while (close < end && *close != ']' && !IsLineEnd(*close)) ++close;
      // Whatever follows the "]" on its line is not kept.
      lineEnd = close < end && *close == ']' ? LineEnd(close, end) : close;
      *close = 0;
    } else {
      kind = kPrefKey;
      key = at;
      char* keyStop = at;
      while (keyStop < end && *keyStop != '=' && !IsLineEnd(*keyStop)) ++keyStop;
      // A NUL byte ends the key's text; the blanks in front of it are cut as at the line's end.
      auto* nul = static_cast<char*>(std::memchr(key, 0, static_cast<size_t>(keyStop - key)));
      char* keyEnd = nul ? nul : keyStop;
      while (keyEnd > key && IsBlank(keyEnd[-1])) --keyEnd;
      if (keyStop < end && *keyStop == '=') {
        value = keyStop + 1;
        while (value < end && IsBlank(*value)) ++value;
        lineEnd = LineEnd(value, end);
      } else {
        lineEnd = keyStop;
        value = lineEnd;  // no "=": an empty value, cut off with the line below
      }
      *keyEnd = 0;
    }
    *lineEnd = 0;
    if (!AddEntry(state, kind, key, value)) return false;
    at = lineEnd < end ? lineEnd + 1 : end;
    while (at < end && IsLineEnd(*at)) ++at;
  }
  return true;
}

// ISO-8859-1 to UTF-8: bytes from 0x80 up become two bytes. The result has two zero bytes
// behind its end; null when out of memory.
char* Latin1ToUtf8(const unsigned char* bytes, int64_t count, int64_t* converted) {
  int64_t high = 0;
  for (int64_t i = 0; i < count; ++i) high += bytes[i] >= 0x80;
  auto* out = static_cast<unsigned char*>(MainHeapAlloc(static_cast<size_t>(count + high + 2)));
  if (out == nullptr) return nullptr;
  unsigned char* at = out;
  for (int64_t i = 0; i < count; ++i) {
    unsigned char b = bytes[i];
    if (b < 0x80) {
      *at++ = b;
    } else {
      *at++ = static_cast<unsigned char>(0xC0 | (b >> 6));
      *at++ = static_cast<unsigned char>(0x80 | (b & 0x3F));
    }
  }
  *converted = at - out;
  return reinterpret_cast<char*>(out);
}

}  // namespace

bool PrefLoad(PrefState* state, HANDLE file) {
  LARGE_INTEGER fileSize{};
  if (!GetFileSizeEx(file, &fileSize)) return false;
  int64_t size = fileSize.QuadPart;
  state->encoding = 0;
  if (size >= 3) {
    unsigned char mark[3] = {};
    if (FileReadBytes(file, mark, 3) == 3 && mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF) {
      state->encoding = kPrefUtf8;
      size -= 3;
    } else if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
      return false;
    }
  }
  if (size <= 0) return true;
  // The buffer is zeroed, so the two bytes behind whatever the read delivers are zero; a file
  // that shrank since its size was taken is simply shorter.
  auto* raw = static_cast<char*>(MainHeapAlloc(static_cast<size_t>(size) + 2));
  if (raw == nullptr) return false;
  int64_t got = FileReadBytes(file, raw, size);
  if (state->encoding == kPrefUtf8) {
    state->text = raw;
  } else {
    state->text = Latin1ToUtf8(reinterpret_cast<unsigned char*>(raw), got, &got);
    MainHeapFree(raw);
    if (state->text == nullptr) return false;
    state->encoding = kPrefUtf8;
  }
  state->textEnd = state->text + got;
  return Parse(state, state->text, state->textEnd);
}
