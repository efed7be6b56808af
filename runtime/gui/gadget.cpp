// The gadget registry, the current gadget list, message routing to kind handlers and event
// binding for gadgets. A control counts as a gadget only while its "CV_ID" property equals its
// control id, so foreign controls and controls being destroyed are left alone.
#include "gadget.h"

#include "core/constants.h"
#include "core/library_state.h"
#include "core/registry.h"
#include "window.h"

namespace {

struct GadgetState {
  HWND currentParent;
  int32_t optionGroup;
};

ObjectRegistry* g_gadgets = nullptr;
GadgetState* g_gadgetState = nullptr;

void GadgetFreeOne(int64_t gadget) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr) return;
  HWND control = record->handle;
  ObjectRelease(g_gadgets, gadget);
  if (IsWindow(control)) DestroyWindow(control);
}

}  // namespace

void GadgetInit() {
  if (g_gadgets) return;
  g_gadgets = ObjectRegistryCreate(sizeof(GadgetRecord), 50, [](int64_t gadget) {
    if (gadget == -1) ObjectFreeAll(g_gadgets);
    else GadgetFreeOne(gadget);
  });
  g_gadgetState = static_cast<GadgetState*>(LibraryStateNew(sizeof(GadgetState), nullptr, nullptr));
}

void GadgetShutdown() {
  if (g_gadgets == nullptr) return;
  ObjectFreeAll(g_gadgets);
  ObjectRegistryDestroy(g_gadgets);
  g_gadgets = nullptr;
  g_gadgetState = nullptr;  // the state block goes with the main heap
}

GadgetRecord* GadgetIsValid(int64_t gadget) { return static_cast<GadgetRecord*>(ObjectGet(g_gadgets, gadget)); }

int64_t GadgetHandle(int64_t gadget) {
  GadgetRecord* record = GadgetIsValid(gadget);
  return record ? static_cast<int64_t>(reinterpret_cast<uintptr_t>(record->handle)) : 0;
}

HWND GadgetListUse(HWND window) {
  if (g_gadgetState == nullptr) return nullptr;
  HWND previous = g_gadgetState->currentParent;
  if (window) g_gadgetState->currentParent = window;
  g_gadgetState->optionGroup = 0;
  return previous;
}

HWND GadgetListCurrent() { return g_gadgetState ? g_gadgetState->currentParent : nullptr; }

LRESULT GadgetForwardMessage(HWND control, HWND parent, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!IsWindow(control)) return CV_NotHandled;
  auto id = reinterpret_cast<intptr_t>(GetPropW(control, u"CV_ID"));
  LONG_PTR controlId = GetWindowLongPtrW(control, GWLP_ID);
  if (id == 0 || id != controlId) return CV_NotHandled;
  GadgetRecord* record = GadgetIsValid(id);
  if (record == nullptr || record->handle != control || record->kind == nullptr || record->kind->messageHandler == nullptr) {
    return CV_NotHandled;
  }
  return record->kind->messageHandler(id, parent, message, wParam, lParam);
}

int64_t GadgetBindEvent(int64_t gadget, EventCallback callback, int64_t type) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr) return 0;
  // The gadget's window: the first parent up the chain that carries a window number.
  int64_t window = -1;
  for (HWND at = GetParent(record->handle); at; at = GetParent(at)) {
    HANDLE id = GetPropW(at, u"CV_WindowID");
    if (id) {
      window = static_cast<int64_t>(reinterpret_cast<uintptr_t>(id)) - 1;
      break;
    }
  }
  return EventBind(EC_GADGET, callback, window, gadget, type);
}
