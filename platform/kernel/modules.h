// The table of run-time libraries the platform provides: what LoadLibraryW can find and which
// procedures GetProcAddress answers for each. Modules are not files here; each entry names the
// platform functions that stand in for the library's exports.
#pragma once

#include <string>

#include "windows_types.h"

namespace platform {

struct ModuleProcedure {
  const char* name;
  FARPROC address;
};

struct Module {
  const char* key;  // lower-case file name with extension, e.g. "kernel32.dll"
  const ModuleProcedure* procedures;  // ends with a null name
  int references;  // loads not yet freed; kernel32 is always loaded
};

// The module with that key, or null. Callers hold the module lock of kernel_process.cpp.
Module* ModuleFind(const std::string& key);
// The module a handle names, or null for anything that is not one of the table's modules.
Module* ModuleFromHandle(HMODULE handle);

}  // namespace platform
