// The current gadget list: the window or container new gadgets go into, the stack of lists
// opened inside it, and the list each window keeps while another window is current. A window's
// saved list hangs on it as a property and is freed by a subclass when the window dies.
#include <cstdio>
#include <string>

#include "core/heap.h"
#include "gadget_internal.h"
#include "kernel.h"

namespace {

constexpr int32_t kStackStep = 10;

// What a window keeps of its gadget list while another window is current.
struct SavedGadgetList {
  HWND window;
  HWND currentParent;
  HWND* stack;
  int32_t depth;
  int32_t capacity;
  WNDPROC previousProcedure;
};

// The property name carries the module handle, so that runtimes of two modules in one process
// keep their lists apart.
const char16_t* SavedListName() {
  static std::u16string name;
  if (name.empty()) {
    char text[64];
    std::snprintf(text, sizeof text, "CV_GadgetStack_%lld",
                  static_cast<long long>(reinterpret_cast<uintptr_t>(GetModuleHandleW(nullptr))));
    for (const char* at = text; *at; ++at) name += static_cast<char16_t>(*at);
  }
  return name.c_str();
}

// Hands a gadget list (current parent, stack, depth, capacity) over between the library state
// and a window's saved record; the stack array changes owner and leaves the source.
template <typename From, typename To>
void MoveList(From& from, To& to) {
  to.currentParent = from.currentParent;
  to.stack = from.stack;
  to.depth = from.depth;
  to.capacity = from.capacity;
  from.stack = nullptr;
  from.depth = from.capacity = 0;
}

SavedGadgetList* SavedListOf(HWND window) { return static_cast<SavedGadgetList*>(GetPropW(window, SavedListName())); }

bool EnsureStack(int32_t capacity) {
  GadgetLibraryState* state = g_gadgetState;
  if (state->stack && state->capacity >= capacity) return true;
  auto* grown = static_cast<HWND*>(MainHeapAlloc(sizeof(HWND) * static_cast<size_t>(capacity)));
  if (grown == nullptr) return false;
  for (int32_t i = 0; i < state->depth; ++i) grown[i] = state->stack[i];
  if (state->stack) MainHeapFree(state->stack);
  state->stack = grown;
  state->capacity = capacity;
  return true;
}

// The subclass of a window with a saved list: its final destroy message frees the list.
LRESULT SavedListProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  SavedGadgetList* saved = SavedListOf(window);
  WNDPROC previous = saved ? saved->previousProcedure : nullptr;
  LRESULT result = previous ? CallWindowProcW(previous, window, message, wParam, lParam)
                            : DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY && saved) {
    RemovePropW(window, SavedListName());
    if (saved->stack) MainHeapFree(saved->stack);
    MainHeapFree(saved);
    GadgetLibraryState* state = g_gadgetState;
    if (state) {
      HWND owner = state->depth > 0 ? state->stack[0] : state->currentParent;
      if (owner == window) {
        state->currentParent = nullptr;
        state->depth = 0;
      }
    }
  }
  return result;
}

}  // namespace

void GadgetListPush(HWND parent) {
  GadgetLibraryState* state = g_gadgetState;
  if (state == nullptr) return;
  if (state->depth >= state->capacity && !EnsureStack(state->capacity + kStackStep)) return;
  state->stack[state->depth++] = state->currentParent;
  state->currentParent = parent;
}

int64_t GadgetListOpen(int64_t gadget, int64_t item) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr) return 0;
  if (record->kind->listOpen) record->kind->listOpen(gadget, item);
  else GadgetListPush(record->handle);
  return 1;
}

int64_t GadgetListClose() {
  GadgetLibraryState* state = g_gadgetState;
  if (state == nullptr || state->depth <= 0) return 0;
  state->currentParent = state->stack[--state->depth];
  return 1;
}

HWND GadgetListCurrent() { return g_gadgetState ? g_gadgetState->currentParent : nullptr; }

HWND GadgetListUse(HWND window) {
  GadgetLibraryState* state = g_gadgetState;
  if (state == nullptr) return nullptr;
  HWND previous = state->depth > 0 ? state->stack[0] : state->currentParent;
  if (window && IsWindow(window)) {
    if (previous) {
      if (SavedGadgetList* saved = SavedListOf(previous)) MoveList(*state, *saved);
    }
    if (SavedGadgetList* saved = SavedListOf(window)) {
      if (state->stack) MainHeapFree(state->stack);
      state->stack = nullptr;
      MoveList(*saved, *state);
    } else {
      EnsureStack(kStackStep);
      state->depth = 0;
      state->currentParent = window;
      auto* created = static_cast<SavedGadgetList*>(MainHeapAlloc(sizeof(SavedGadgetList)));
      if (created) {
        created->window = window;
        SetPropW(window, SavedListName(), created);
        created->previousProcedure = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SavedListProcedure)));
      }
    }
  }
  state->optionGroup = 0;
  return previous;
}
