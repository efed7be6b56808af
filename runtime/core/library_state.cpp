// Library state blocks and InitOnce. InitOnce prefers the platform's InitOnceExecuteOnce, looked
// up at run time, and falls back to a compare-and-swap protocol where it is missing.
#include "library_state.h"

#include "heap.h"

void* LibraryStateNew(int64_t size, LibraryStateRoutine initialiser, LibraryStateRoutine) {
  if (size < 1) return nullptr;
  void* state = MainHeapAlloc(static_cast<size_t>(size));
  if (state && initialiser) initialiser(state);
  return state;
}

void* LibraryState(void* state) { return state; }

namespace {

BOOL RunOnceCallback(INIT_ONCE*, void* parameter, void**) {
  reinterpret_cast<void (*)()>(parameter)();
  return TRUE;
}

using InitOnceExecuteOnceFn = BOOL (*)(INIT_ONCE*, PINIT_ONCE_FN, void*, void**);

InitOnceExecuteOnceFn FindPlatformRunOnce() {
  HMODULE kernel = LoadLibraryA("Kernel32.dll");
  if (kernel == nullptr) return nullptr;
  auto found = reinterpret_cast<InitOnceExecuteOnceFn>(GetProcAddress(kernel, "InitOnceExecuteOnce"));
  FreeLibrary(kernel);
  return found;
}

}  // namespace

void InitOnce(INIT_ONCE* control, void (*routine)()) {
  if (control == nullptr || routine == nullptr) return;
  if (InitOnceExecuteOnceFn runOnce = FindPlatformRunOnce()) {
    runOnce(control, RunOnceCallback, reinterpret_cast<void*>(routine), nullptr);
    return;
  }
  auto* word = reinterpret_cast<volatile uintptr_t*>(&control->Ptr);
  uintptr_t seen = __sync_val_compare_and_swap(word, uintptr_t{0}, uintptr_t{1});
  if (seen == 0) {
    routine();
    __sync_synchronize();
    *word = 2;
    return;
  }
  while (*word != 2) Sleep(0);
}
