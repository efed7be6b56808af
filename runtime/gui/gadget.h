// Gadgets: numbered controls inside windows, each with a kind table of operations. This part
// holds the gadget registry, the current gadget list and the routing of window messages to the
// kind handler of the control that sent them.
#pragma once

#include <cstdint>

#include "event_queue.h"
#include "user.h"

struct GadgetKindTable;

// One gadget: its control, its kind's table, the control's procedure before the runtime
// subclassed it, and four words of kind-specific state.
struct GadgetRecord {
  HWND handle;
  GadgetKindTable* kind;
  WNDPROC previousProcedure;
  int64_t kindWords[4];
};

// A kind handler: (gadget, parent handle, message, wParam, lParam) -> result or CV_NotHandled.
using GadgetMessageHandler = LRESULT (*)(int64_t gadget, HWND parent, UINT message, WPARAM wParam, LPARAM lParam);

struct GadgetKindTable {
  int32_t kind;
  int32_t size;
  GadgetMessageHandler messageHandler;  // slot 1; the further slots come with the kinds
};

void GadgetInit();
void GadgetShutdown();

GadgetRecord* GadgetIsValid(int64_t gadget);
int64_t GadgetHandle(int64_t gadget);

// Makes a window the current gadget list (where new gadgets go); returns the previous one.
HWND GadgetListUse(HWND window);
// The window new gadgets go into.
HWND GadgetListCurrent();

// Hands a message about a control to its gadget kind's handler; CV_NotHandled when the control
// is not a live gadget of this runtime or its kind does not take the message.
LRESULT GadgetForwardMessage(HWND control, HWND parent, UINT message, WPARAM wParam, LPARAM lParam);

// Binds a callback to EC_GADGET events of a gadget (of one type, or -1 for all).
int64_t GadgetBindEvent(int64_t gadget, EventCallback callback, int64_t type = -1);
