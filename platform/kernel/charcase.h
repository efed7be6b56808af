// Letter case in the platform layer: CharLowerW lower-cases the letters of the whole Basic
// Multilingual Plane as the system's user interface does, while the C runtime's comparisons
// (_wcsicmp, _stricmp, tolower) fold only the ASCII letters, as they do in the default "C" locale.
#pragma once

#include "windows_types.h"

// Lower-cases a zero-terminated text in place and returns it. Given a "pointer" whose high bits
// are zero, lower-cases the single character held in its low word and returns that instead.
LPWSTR CharLowerW(LPWSTR text);
// Lower-cases `length` units in place; returns how many were processed.
DWORD CharLowerBuffW(LPWSTR text, DWORD length);
DWORD CharUpperBuffW(LPWSTR text, DWORD length);

// Case-insensitive comparisons of the C runtime: ASCII letters are folded to lower case, then
// the texts are compared unit by unit (UTF-16 units, or bytes taken unsigned); the result is
// negative, zero or positive. A null text counts as empty.
int _wcsicmp(const WCHAR* a, const WCHAR* b);
int _stricmp(const char* a, const char* b);

// The C runtime's tolower in the "C" locale: 'A'..'Z' become 'a'..'z', every other value
// (including negative bytes and units beyond ASCII) is returned unchanged.
inline int CrtToLower(int c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }
