// The runtime's start-up and end: every library's start-up routine in its fixed order, and the
// shutdown routines in theirs. The order matters: the string heap comes first because every
// library may build texts, and codecs register only after the codec registry exists.
#pragma once

#include <cstdint>

#include "windows_types.h"

struct RuntimeRoutine {
  const char* name;
  void (*routine)();
};

// The start-up routines in the order they run.
const RuntimeRoutine* RuntimeStartupTable(int64_t* count);
// The shutdown routines in the order ProgramEnd runs them.
const RuntimeRoutine* RuntimeShutdownTable(int64_t* count);

// The program's start: zero the runtime's global state, record the module handle, create the
// main heap and run every start-up routine. Returns the module handle.
HMODULE ProgramStart();
// Every library's shutdown, in order. The string heap and the main heap are left to the caller.
void ProgramEnd();
// The module handle recorded by ProgramStart.
HMODULE ProgramModule();
