// The string kind (kind 2): one line of text on the platform's "Edit" control, in its own
// colours, with a maximum length as attribute 1. Every notification of the edit reaches the
// program as an EC_GADGET event of that type (ET_CHANGE for a changed text); gaining and losing
// the keyboard focus are reported as ET_FOCUS and ET_LOST_FOCUS besides.
#include <algorithm>

#include "controls/controls.h"
#include "core/constants.h"
#include "gadget_input.h"
#include "gadget_internal.h"
#include "text.h"

namespace {

// The edit's own procedure, as SetWindowLongPtrW handed it back when the focus procedure went in.
WNDPROC g_editProcedure = nullptr;

// Sits between the gadget procedure and the edit so that focus changes become events before
// the edit itself reacts to them.
LRESULT StringFocusProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
    int64_t gadget = GadgetNumberOf(control);
    if (gadget != -1) GadgetPostEvent(gadget, message == WM_SETFOCUS ? ET_FOCUS : ET_LOST_FOCUS);
  }
  return g_editProcedure ? CallWindowProcW(g_editProcedure, control, message, wParam, lParam)
                         : DefWindowProcW(control, message, wParam, lParam);
}

// The edit asks for WM_CTLCOLOREDIT normally and for WM_CTLCOLORSTATIC while read-only; a
// disabled one keeps the system's disabled look.
LRESULT StringMessage(int64_t gadget, HWND, UINT message, WPARAM wParam, LPARAM) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (message == WM_CTLCOLOREDIT) return GadgetColourMessage(gadget, reinterpret_cast<HDC>(wParam), COLOR_WINDOW);
  if (message == WM_CTLCOLORSTATIC && IsWindowEnabled(record->handle)) {
    return GadgetColourMessage(gadget, reinterpret_cast<HDC>(wParam), COLOR_BTNFACE);
  }
  return CV_NotHandled;
}

int64_t StringGetAttribute(int64_t gadget, int64_t attribute) {
  if (attribute != 1) return 0;
  return static_cast<int64_t>(SendMessageW(GadgetIsValid(gadget)->handle, EM_GETLIMITTEXT, 0, 0));
}

void StringSetAttribute(int64_t gadget, int64_t attribute, int64_t value) {
  if (attribute != 1) return;
  // 0 would mean "no limit" to the edit; the gadget's maximum length is at least one character.
  value = std::clamp<int64_t>(value, 1, 0x7FFFFFFE);
  SendMessageW(GadgetIsValid(gadget)->handle, EM_SETLIMITTEXT, static_cast<WPARAM>(value), 0);
}

void StringRequiredSize(int64_t gadget, int64_t* width, int64_t* height) {
  SIZE text = GadgetMeasureString(GadgetIsValid(gadget)->handle, u"Hg", DT_SINGLELINE | DT_NOPREFIX);
  *width = 2 * GetSystemMetrics(SM_CXEDGE);
  *height = std::max<int64_t>(20, text.cy + 2 * GetSystemMetrics(SM_CYEDGE));
}

GadgetKindTable* StringKind() {
  static GadgetKindTable table = [] {
    GadgetKindTable kind{};
    kind.kind = GADGET_KIND_STRING;
    kind.size = sizeof(GadgetKindTable);
    kind.messageHandler = StringMessage;
    kind.free = GadgetColoursFree;
    kind.getAttribute = StringGetAttribute;
    kind.setAttribute = StringSetAttribute;
    kind.setColor = GadgetColourSet;
    kind.getColor = GadgetColourGet;
    kind.requiredSize = StringRequiredSize;
    return kind;
  }();
  return &table;
}

}  // namespace

int64_t GadgetStringCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, const char16_t* text,
                           int64_t flags) {
  GadgetKindTable* kind = StringKind();
  DWORD exStyle = (flags & CV_String_BorderLess) ? 0 : WS_EX_CLIENTEDGE;
  DWORD style = static_cast<DWORD>(flags) | WS_VISIBLE | WS_GROUP | WS_TABSTOP | ES_AUTOHSCROLL;
  HWND control;
  GadgetRecord* record = GadgetCreateControl(gadget, exStyle, u"Edit", text, style, x, y, width, height, &control);
  if (record == nullptr) return 0;
  GadgetColoursReset(record, -1);
  // Every edit has the same class procedure; the one handed back is the one to chain to.
  auto previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StringFocusProcedure)));
  if (previous && previous != StringFocusProcedure) g_editProcedure = previous;
  return GadgetRegister(gadget, record, control, kind);
}
