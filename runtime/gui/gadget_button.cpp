// The button kinds: push buttons and toggles (kind 1), checkboxes with their three-state form
// (kind 4) and options (kind 5), which form a group while they are created one after another.
// All sit on the platform's "Button" control; a click reaches the program as EC_GADGET type 0.
#include <algorithm>

#include "controls/controls.h"
#include "core/constants.h"
#include "gadget_internal.h"
#include "text.h"

namespace {

constexpr DWORD kGadgetStyle = WS_VISIBLE | WS_TABSTOP;
constexpr int kThreeStateWord = 0;  // checkbox: set for boxes that take the indeterminate state

HWND ControlOf(int64_t gadget) {
  GadgetRecord* record = GadgetIsValid(gadget);
  return record ? record->handle : nullptr;
}

int64_t CheckOf(int64_t gadget) { return static_cast<int64_t>(SendMessageW(ControlOf(gadget), BM_GETCHECK, 0, 0)); }
void SetCheck(HWND control, WPARAM state) { SendMessageW(control, BM_SETCHECK, state, 0); }

// The text's width and height in the control's font, for the required sizes.
SIZE LabelSize(int64_t gadget) {
  HWND control = ControlOf(gadget);
  bool multiLine = GetWindowLongPtrW(control, GWL_STYLE) & BS_MULTILINE;
  return GadgetMeasureText(control, DT_NOPREFIX | (multiLine ? 0 : DT_SINGLELINE));
}

// ---- button ----

int64_t ButtonGetState(int64_t gadget) { return CheckOf(gadget) == BST_CHECKED ? 1 : 0; }
void ButtonSetState(int64_t gadget, int64_t value) { SetCheck(ControlOf(gadget), value ? BST_CHECKED : BST_UNCHECKED); }

void ButtonRequiredSize(int64_t gadget, int64_t* width, int64_t* height) {
  SIZE text = LabelSize(gadget);
  *width = text.cx + 2 * GetSystemMetrics(SM_CXEDGE) + 10;
  *height = std::max<int64_t>(24, text.cy + 2 * GetSystemMetrics(SM_CYEDGE));
}

GadgetKindTable* ButtonKind() {
  static GadgetKindTable table = [] {
    GadgetKindTable kind{};
    kind.kind = GADGET_KIND_BUTTON;
    kind.size = sizeof(GadgetKindTable);
    kind.getState = ButtonGetState;
    kind.setState = ButtonSetState;
    kind.requiredSize = ButtonRequiredSize;
    return kind;
  }();
  return &table;
}

// ---- checkbox ----

int64_t CheckBoxGetState(int64_t gadget) {
  switch (CheckOf(gadget)) {
    case BST_CHECKED: return 1;
    case BST_INDETERMINATE: return -1;
    default: return 0;
  }
}

void CheckBoxSetState(int64_t gadget, int64_t value) {
  GadgetRecord* record = GadgetIsValid(gadget);
  WPARAM state = BST_UNCHECKED;
  if (value == -1) state = record->kindWords[kThreeStateWord] ? BST_INDETERMINATE : BST_CHECKED;
  else if (value) state = BST_CHECKED;
  SetCheck(record->handle, state);
}

// A three-state box is not automatic: a click moves it on here and is then reported as usual.
LRESULT CheckBoxMessage(int64_t gadget, HWND, UINT message, WPARAM wParam, LPARAM) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && record->kindWords[kThreeStateWord]) {
    SetCheck(record->handle, CheckOf(gadget) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
  }
  return CV_NotHandled;
}

void CheckRequiredSize(int64_t gadget, int64_t* width, int64_t* height) {
  SIZE text = LabelSize(gadget);
  *width = text.cx + 20;
  *height = std::max<int64_t>(20, text.cy + 2);
}

GadgetKindTable* CheckBoxKind() {
  static GadgetKindTable table = [] {
    GadgetKindTable kind{};
    kind.kind = GADGET_KIND_CHECKBOX;
    kind.size = sizeof(GadgetKindTable);
    kind.messageHandler = CheckBoxMessage;
    kind.getState = CheckBoxGetState;
    kind.setState = CheckBoxSetState;
    kind.requiredSize = CheckRequiredSize;
    return kind;
  }();
  return &table;
}

// ---- option ----

int64_t OptionGetState(int64_t gadget) { return CheckOf(gadget) == BST_CHECKED ? 1 : 0; }

bool IsAutoRadio(HWND control) { return (GetWindowLongPtrW(control, GWL_STYLE) & BS_AUTORADIOBUTTON) == BS_AUTORADIOBUTTON; }

// Selecting an option unchecks the options of its group: from the sibling that starts the
// group (the last one with WS_GROUP before it) on, while the siblings are options.
void OptionSetState(int64_t gadget, int64_t value) {
  HWND control = ControlOf(gadget);
  if (value) {
    HWND first = control;
    while (!(GetWindowLongPtrW(first, GWL_STYLE) & WS_GROUP)) {
      HWND previous = GetWindow(first, GW_HWNDPREV);
      if (previous == nullptr) break;
      first = previous;
    }
    for (HWND at = first; at && IsAutoRadio(at); at = GetWindow(at, GW_HWNDNEXT)) SetCheck(at, BST_UNCHECKED);
  }
  SetCheck(control, value ? BST_CHECKED : BST_UNCHECKED);
}

GadgetKindTable* OptionKind() {
  static GadgetKindTable table = [] {
    GadgetKindTable kind{};
    kind.kind = GADGET_KIND_OPTION;
    kind.size = sizeof(GadgetKindTable);
    kind.getState = OptionGetState;
    kind.setState = OptionSetState;
    kind.requiredSize = CheckRequiredSize;
    return kind;
  }();
  return &table;
}

}  // namespace

int64_t GadgetButtonCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, const char16_t* text,
                           int64_t flags) {
  GadgetKindTable* kind = ButtonKind();
  HWND control;
  DWORD style = static_cast<DWORD>(flags) | kGadgetStyle | WS_GROUP;
  GadgetRecord* record = GadgetCreateControl(gadget, 0, u"Button", text, style, x, y, width, height, &control);
  return record ? GadgetRegister(gadget, record, control, kind) : 0;
}

int64_t GadgetCheckBoxCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height,
                             const char16_t* text, int64_t flags) {
  GadgetKindTable* kind = CheckBoxKind();
  bool threeState = (flags & BS_TYPEMASK) == CV_CheckBox_ThreeState;
  DWORD style = static_cast<DWORD>(flags) | kGadgetStyle | WS_GROUP;
  if (!threeState) style = (style & ~static_cast<DWORD>(BS_TYPEMASK)) | BS_AUTOCHECKBOX;
  HWND control;
  GadgetRecord* record = GadgetCreateControl(gadget, 0, u"Button", text, style, x, y, width, height, &control);
  if (record == nullptr) return 0;
  record->kindWords[kThreeStateWord] = threeState ? 1 : 0;
  return GadgetRegister(gadget, record, control, kind);
}

int64_t GadgetOptionCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, const char16_t* text) {
  GadgetKindTable* kind = OptionKind();
  if (g_gadgetState == nullptr) return 0;
  DWORD style = BS_AUTORADIOBUTTON | kGadgetStyle;
  if (!g_gadgetState->optionGroup) style |= WS_GROUP;
  HWND control;
  GadgetRecord* record = GadgetCreateControl(gadget, 0, u"Button", text, style, x, y, width, height, &control);
  if (record == nullptr) return 0;
  int64_t result = GadgetRegister(gadget, record, control, kind);
  g_gadgetState->optionGroup = 1;
  return result;
}
