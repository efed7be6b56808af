// The spin kind (kind 26): a number with up/down arrows, made of two controls side by side. The
// edit part is the registered gadget; the up-down control next to it carries the gadget's id
// and "CV_ID" so that its notifications reach this kind, and lives and dies with the edit. The
// state is the up-down position, the range is attributes 1 and 2; an arrow press is reported
// as ET_SPIN_UP or ET_SPIN_DOWN and typing as ET_CHANGE.
#include <algorithm>

#include "controls/controls.h"
#include "core/constants.h"
#include "gadget_input.h"
#include "gadget_internal.h"
#include "text.h"

namespace {

constexpr int kUpDownWord = 3;  // after the colour words: the up-down control's handle

HWND EditOf(int64_t gadget) { return GadgetIsValid(gadget)->handle; }
HWND UpDownOf(int64_t gadget) { return reinterpret_cast<HWND>(GadgetIsValid(gadget)->kindWords[kUpDownWord]); }

// The edit's own procedure, as SetWindowLongPtrW handed it back when the spin's went in.
WNDPROC g_editProcedure = nullptr;

// The edit part's own procedure: enabling or disabling it does the same to its arrows.
LRESULT SpinEditProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = g_editProcedure ? CallWindowProcW(g_editProcedure, edit, message, wParam, lParam)
                                   : DefWindowProcW(edit, message, wParam, lParam);
  if (message == WM_ENABLE) {
    int64_t gadget = GadgetNumberOf(edit);
    if (gadget != -1 && UpDownOf(gadget)) EnableWindow(UpDownOf(gadget), wParam != 0);
  }
  return result;
}

void Range(int64_t gadget, int* minimum, int* maximum) {
  SendMessageW(UpDownOf(gadget), UDM_GETRANGE32, reinterpret_cast<WPARAM>(minimum), reinterpret_cast<LPARAM>(maximum));
}

int64_t SpinGetState(int64_t gadget) {
  return static_cast<int32_t>(SendMessageW(UpDownOf(gadget), UDM_GETPOS32, 0, 0));
}

void SpinSetState(int64_t gadget, int64_t value) {
  auto position = static_cast<LPARAM>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
  SendMessageW(UpDownOf(gadget), UDM_SETPOS32, 0, position);
}

// Setting the text runs what it causes (the edit's notifications) while the change is still
// held back, so that nothing of it reaches the program afterwards.
void SpinSetText(int64_t gadget, const char16_t* text) {
  SetWindowTextW(EditOf(gadget), text ? text : u"");
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  EventClearCode();
}

LRESULT SpinMessage(int64_t gadget, HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->code != UDN_DELTAPOS) return 0;
      // The step is taken here, so that the control itself does not move a second time.
      auto* change = reinterpret_cast<NMUPDOWN*>(lParam);
      int delta = change->iDelta;
      SpinSetState(gadget, static_cast<int64_t>(change->iPos) + delta);
      change->iDelta = 0;
      if (delta > 0) GadgetPostEvent(gadget, ET_SPIN_UP);
      else if (delta < 0) GadgetPostEvent(gadget, ET_SPIN_DOWN);
      return 0;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == EN_UPDATE) GadgetPostEvent(gadget, ET_CHANGE);
      return 0;
    case WM_HSCROLL:
    case WM_VSCROLL: return 0;
    case WM_CTLCOLOREDIT: return GadgetColourMessage(gadget, reinterpret_cast<HDC>(wParam), COLOR_WINDOW);
    case WM_CTLCOLORSTATIC: {
      if (!IsWindowEnabled(UpDownOf(gadget))) return CV_NotHandled;
      auto dc = reinterpret_cast<HDC>(wParam);
      LRESULT coloured = GadgetColourMessage(gadget, dc, COLOR_BTNHIGHLIGHT);
      if (coloured != CV_NotHandled) return coloured;
      // A read-only number stays readable: dark text on the light face.
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNHIGHLIGHT));
    }
    default: return CV_NotHandled;
  }
}

// The pair: the arrows at the right end, the edit reaching just under them so that the borders
// overlap.
void SpinResize(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height) {
  HWND edit = EditOf(gadget), upDown = UpDownOf(gadget);
  RECT editFrame = GadgetFrameInParent(edit), upDownFrame = GadgetFrameInParent(upDown);
  if (x == CV_Keep) x = editFrame.left;
  if (y == CV_Keep) y = editFrame.top;
  if (width == CV_Keep) width = upDownFrame.right - editFrame.left;
  if (height == CV_Keep) height = editFrame.bottom - editFrame.top;
  int64_t upDownWidth = std::max<int64_t>(18, height / 2);
  int64_t upDownX = x + width - upDownWidth;
  int64_t overlap = GadgetVisualStyles() ? 1 : 2;
  MoveWindow(upDown, static_cast<int>(upDownX), static_cast<int>(y), static_cast<int>(upDownWidth),
             static_cast<int>(height), TRUE);
  MoveWindow(edit, static_cast<int>(x), static_cast<int>(y), static_cast<int>(std::max<int64_t>(0, upDownX - x + overlap)),
             static_cast<int>(height), TRUE);
  InvalidateRect(edit, nullptr, TRUE);
  InvalidateRect(upDown, nullptr, TRUE);
}

int64_t SpinGetWidth(int64_t gadget) {
  return GadgetFrameInParent(UpDownOf(gadget)).right - GadgetFrameInParent(EditOf(gadget)).left;
}

void SpinHide(int64_t gadget, int64_t hide) {
  ShowWindow(EditOf(gadget), hide ? SW_HIDE : SW_SHOW);
  ShowWindow(UpDownOf(gadget), hide ? SW_HIDE : SW_SHOW);
}

int64_t SpinGetAttribute(int64_t gadget, int64_t attribute) {
  int minimum = 0, maximum = 0;
  Range(gadget, &minimum, &maximum);
  if (attribute == 1) return minimum;
  if (attribute == 2) return maximum;
  return 0;
}

void SpinSetAttribute(int64_t gadget, int64_t attribute, int64_t value) {
  if (attribute != 1 && attribute != 2) return;
  int minimum = 0, maximum = 0;
  Range(gadget, &minimum, &maximum);
  int end = static_cast<int>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
  (attribute == 1 ? minimum : maximum) = end;
  SendMessageW(UpDownOf(gadget), UDM_SETRANGE32, static_cast<WPARAM>(minimum), static_cast<LPARAM>(maximum));
}

void SpinFree(int64_t gadget) {
  GadgetColoursFree(gadget);
  HWND upDown = UpDownOf(gadget);
  GadgetIsValid(gadget)->kindWords[kUpDownWord] = 0;
  if (upDown && IsWindow(upDown)) {
    RemovePropW(upDown, u"CV_ID");
    DestroyWindow(upDown);
  }
}

void SpinRequiredSize(int64_t gadget, int64_t* width, int64_t* height) {
  SIZE text = GadgetMeasureString(EditOf(gadget), u"Hg", DT_SINGLELINE | DT_NOPREFIX);
  *width = 2 * GetSystemMetrics(SM_CXEDGE) + 50;
  *height = std::max<int64_t>(20, text.cy + 2 * GetSystemMetrics(SM_CYEDGE));
}

GadgetKindTable* SpinKind() {
  static GadgetKindTable table = [] {
    GadgetKindTable kind{};
    kind.kind = GADGET_KIND_SPIN;
    kind.size = sizeof(GadgetKindTable);
    kind.messageHandler = SpinMessage;
    kind.free = SpinFree;
    kind.getState = SpinGetState;
    kind.setState = SpinSetState;
    kind.setText = SpinSetText;
    kind.resize = SpinResize;
    kind.getWidth = SpinGetWidth;
    kind.hide = SpinHide;
    kind.getAttribute = SpinGetAttribute;
    kind.setAttribute = SpinSetAttribute;
    kind.setColor = GadgetColourSet;
    kind.getColor = GadgetColourGet;
    kind.requiredSize = SpinRequiredSize;
    return kind;
  }();
  return &table;
}

}  // namespace

int64_t GadgetSpinCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, int64_t minimum,
                         int64_t maximum, int64_t flags) {
  GadgetKindTable* kind = SpinKind();
  HWND parent = g_gadgetState ? g_gadgetState->currentParent : nullptr;
  if (parent == nullptr || !IsWindow(parent)) return 0;
  DWORD upDownStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | UDS_ARROWKEYS | UDS_ALIGNRIGHT | UDS_NOTHOUSANDS |
                      ((flags & CV_Spin_Numeric) ? UDS_SETBUDDYINT : 0);
  HWND upDown = CreateWindowExW(0, UPDOWN_CLASSW, u"", upDownStyle, 0, 0, 0, 0, parent, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (upDown == nullptr) return 0;
  DWORD editStyle = WS_VISIBLE | WS_TABSTOP | ES_RIGHT | ((flags & CV_Spin_ReadOnly) ? ES_READONLY : 0);
  HWND edit;
  GadgetRecord* record =
      GadgetCreateControl(gadget, WS_EX_CLIENTEDGE, u"EDIT", u"", editStyle, x, y, width, height, &edit);
  if (record == nullptr) {
    DestroyWindow(upDown);
    return 0;
  }
  GadgetColoursReset(record, -1);
  record->kindWords[kUpDownWord] = static_cast<int64_t>(reinterpret_cast<uintptr_t>(upDown));
  auto previous =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SpinEditProcedure)));
  if (previous && previous != SpinEditProcedure) g_editProcedure = previous;
  int64_t result = GadgetRegister(gadget, record, edit, kind);
  // The arrows answer to the same id as the edit.
  LONG_PTR id = GetWindowLongPtrW(edit, GWLP_ID);
  SetWindowLongPtrW(upDown, GWLP_ID, id);
  SetPropW(upDown, u"CV_ID", reinterpret_cast<HANDLE>(static_cast<uintptr_t>(id)));
  SendMessageW(upDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
  SendMessageW(upDown, UDM_SETRANGE32, static_cast<WPARAM>(static_cast<int>(std::clamp<int64_t>(minimum, INT32_MIN, INT32_MAX))),
               static_cast<LPARAM>(static_cast<int>(std::clamp<int64_t>(maximum, INT32_MIN, INT32_MAX))));
  SpinResize(GadgetNumberOf(edit), x, y, width, height);
  return result;
}
