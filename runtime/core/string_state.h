// The string runtime's process-wide state, shared by string_heap.cpp and string_stack.cpp.
#pragma once

#include <cstdint>

#include "windows_types.h"

struct StringRuntime {
  HANDLE heap = nullptr;
  char* base = nullptr;    // the temporary stack
  int64_t size = 0;        // bytes allocated for it (its block holds size + 10)
  int64_t position = 0;    // byte offset of its current end
};

extern StringRuntime g_strings;
