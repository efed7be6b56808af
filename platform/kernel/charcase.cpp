// Letter case: CharLowerW and CharUpperBuffW over a generated table of the Unicode simple lower-case mappings of
// the Basic Multilingual Plane, and the ASCII-folding comparisons of the C runtime's "C" locale.
#include "charcase.h"

#include <cstdint>

namespace {

struct LowerRun {
  char16_t first;
  char16_t last;
  int32_t delta;
  int32_t step;
};

constexpr LowerRun kLowerRuns[] = {
#include "charcase_table.inc"
};

WCHAR LowerOf(WCHAR unit) {
  if (unit < 0x80) return static_cast<WCHAR>(CrtToLower(unit));
  // Binary search for the last run starting at or before the unit.
  size_t low = 0, high = sizeof kLowerRuns / sizeof kLowerRuns[0];
  while (low < high) {
    size_t middle = (low + high) / 2;
    if (kLowerRuns[middle].first <= unit) low = middle + 1;
    else high = middle;
  }
  if (low == 0) return unit;
  const LowerRun& run = kLowerRuns[low - 1];
  if (unit > run.last || (unit - run.first) % run.step != 0) return unit;
  return static_cast<WCHAR>(unit + run.delta);
}

// Upper case is the inverse of the lower-case runs: the first (lowest) unit that lowers to this
// one, so that a letter maps to its ordinary capital rather than to a compatibility sign that
// lowers to it too. Sharp s has no simple capital of its own; the capital sharp s only lowers to
// it. Linear over the runs, which is plenty for typed characters.
WCHAR UpperOf(WCHAR unit) {
  if (unit < 0x80) return unit >= u'a' && unit <= u'z' ? static_cast<WCHAR>(unit - 32) : unit;
  if (unit == 0x00DF) return unit;
  for (const LowerRun& run : kLowerRuns) {
    int32_t source = static_cast<int32_t>(unit) - run.delta;
    if (source >= run.first && source <= run.last && (source - run.first) % run.step == 0) {
      return static_cast<WCHAR>(source);
    }
  }
  return unit;
}

}  // namespace

DWORD CharUpperBuffW(LPWSTR text, DWORD length) {
  if (text == nullptr) return 0;
  for (DWORD i = 0; i < length; ++i) text[i] = UpperOf(text[i]);
  return length;
}

LPWSTR CharLowerW(LPWSTR text) {
  auto value = reinterpret_cast<uintptr_t>(text);
  if ((value >> 16) == 0) return reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(LowerOf(static_cast<WCHAR>(value))));
  for (WCHAR* unit = text; *unit; ++unit) *unit = LowerOf(*unit);
  return text;
}

DWORD CharLowerBuffW(LPWSTR text, DWORD length) {
  if (text == nullptr) return 0;
  for (DWORD i = 0; i < length; ++i) text[i] = LowerOf(text[i]);
  return length;
}

int _wcsicmp(const WCHAR* a, const WCHAR* b) {
  if (a == nullptr) a = u"";
  if (b == nullptr) b = u"";
  int difference;
  do {
    difference = CrtToLower(*a) - CrtToLower(*b);
  } while (difference == 0 && *a++ && *b++);
  return difference;
}

int _stricmp(const char* a, const char* b) {
  if (a == nullptr) a = "";
  if (b == nullptr) b = "";
  int difference;
  do {
    difference = CrtToLower(static_cast<unsigned char>(*a)) - CrtToLower(static_cast<unsigned char>(*b));
  } while (difference == 0 && *a++ && *b++);
  return difference;
}
