// Per-library state blocks and the run-once routine the libraries set up their locks with.
#pragma once

#include <cstdint>

#include "kernel.h"

using LibraryStateRoutine = void (*)(void* state);

// A zeroed main-heap block of `size` bytes, passed to `initialiser` when one is given. The
// finaliser is accepted for the libraries' sake and not called: blocks live until the main heap
// is destroyed.
void* LibraryStateNew(int64_t size, LibraryStateRoutine initialiser, LibraryStateRoutine finaliser);
void* LibraryState(void* state);

// Runs `routine` exactly once per control word, whichever threads get here at the same time.
// The control word starts zeroed; it is pointer-sized because the platform's run-once call
// stores its state in a whole INIT_ONCE.
void InitOnce(INIT_ONCE* control, void (*routine)());
