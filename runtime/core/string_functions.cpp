// Integer to text, length, left and right parts, lower case, search and a file name's
// extension. Arguments are located by their stack offset before the result's room is reserved
// and re-located afterwards, since growing the stack moves the texts that lie on it.
#include "string_functions.h"

#include "charcase.h"
#include "string_runtime.h"

namespace {

int64_t Clamp(int64_t n, int64_t length) { return n < 0 ? 0 : (n > length ? length : n); }

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

}  // namespace

const char16_t* StrTempResult(const char16_t* text, int64_t from, int64_t count, int64_t start) {
  int64_t onStack = StrTempOffset(text);
  char16_t* out = StrTempReserve(count, start);
  if (out == nullptr) return u"";
  if (onStack) text = StrTempAddress(onStack);
  StrCopyChars(out, text ? text + from : nullptr, count);
  return out;
}

const char16_t* StrFromInt(int64_t value, int64_t start) {
  char16_t* out = StrTempReserve(64, start);
  if (out == nullptr) return u"";
  // The magnitude as unsigned, so that the smallest value has one too.
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  char16_t digits[20];
  int count = 0;
  do {
    digits[count++] = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  int64_t written = 0;
  if (value < 0) out[written++] = u'-';
  while (count) out[written++] = digits[--count];
  out[written] = 0;
  StrTempShrink(64 - written);
  return out;
}

int64_t StrByteLength(const char16_t* text) { return 2 * StrLen(text); }

const char16_t* StrLeft(const char16_t* text, int64_t n, int64_t start) {
  return StrTempResult(text, 0, Clamp(n, StrLen(text)), start);
}

const char16_t* StrRight(const char16_t* text, int64_t n, int64_t start) {
  int64_t length = StrLen(text);
  n = Clamp(n, length);
  return StrTempResult(text, length - n, n, start);
}

const char16_t* StrLower(const char16_t* text, int64_t start) {
  int64_t length = StrLen(text);
  const char16_t* out = StrTempResult(text, 0, length, start);
  if (length) CharLowerW(const_cast<char16_t*>(out));
  return out;
}

int64_t StrFind(const char16_t* text, const char16_t* pattern) {
  if (text == nullptr || pattern == nullptr || *text == 0 || *pattern == 0) return 0;
  for (const char16_t* at = text; *at; ++at) {
    int64_t i = 0;
    while (pattern[i] && at[i] == pattern[i]) ++i;
    if (pattern[i] == 0) return (at - text) + 1;
  }
  return 0;
}

const char16_t* PathExtension(const char16_t* fileName, int64_t start) {
  int64_t length = StrLen(fileName);
  // Backwards over the last character down to the second: a dot ends the scan with an
  // extension, a space or a separator ends it without one.
  int64_t dot = 0;
  for (int64_t i = length - 1; i >= 1; --i) {
    char16_t c = fileName[i];
    if (c == u'.') {
      dot = i;
      break;
    }
    if (c == u' ' || IsSeparator(c)) break;
  }
  // No dot, or the dot starts a name (dir\.profile): no extension.
  if (dot == 0 || IsSeparator(fileName[dot - 1])) return StrTempResult(nullptr, 0, 0, start);
  int64_t end = dot + 1;
  while (end < length && fileName[end] != u'"') ++end;
  return StrTempResult(fileName, dot + 1, end - dot - 1, start);
}
