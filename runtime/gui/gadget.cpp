// The gadget registry and the life of a gadget: creation's common part, the subclass procedure
// that cleans up when a control dies, the generic operations that run the kind's slot or fall
// back to plain control behaviour, and the routing of window messages to kind handlers. A
// control counts as a gadget only while its "CV_ID" property equals its control id, so foreign
// controls and controls being destroyed are left alone.
#include "gadget.h"

#include <string>

#include "controls/controls.h"
#include "core/constants.h"
#include "core/heap.h"
#include "core/library_state.h"
#include "core/registry.h"
#include "core/string_runtime.h"
#include "gadget_canvas.h"
#include "gadget_internal.h"
#include "text.h"
#include "visual_styles.h"
#include "window.h"

GadgetLibraryState* g_gadgetState = nullptr;

namespace {

ObjectRegistry* g_gadgets = nullptr;

int64_t ValueOf(const void* pointer) { return static_cast<int64_t>(reinterpret_cast<uintptr_t>(pointer)); }

// The registry's free routine: destroying the control runs the clean-up in GadgetProcedure,
// which releases the record; a record whose control is already gone is released here.
void GadgetFreeOne(int64_t gadget) {
  if (gadget == -1) {
    ObjectFreeAll(g_gadgets);
    return;
  }
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr) return;
  HWND control = record->handle;
  if (IsWindow(control)) DestroyWindow(control);
  if (GadgetIsValid(gadget) == record && record->handle == control) ObjectRelease(g_gadgets, gadget);
}

}  // namespace

// Every message of every gadget control passes here first.
LRESULT GadgetProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  LONG_PTR id = GetWindowLongPtrW(control, GWLP_ID);
  if (id == -1) return DefWindowProcW(control, message, wParam, lParam);
  GadgetRecord* record = GadgetIsValid(id);
  if (record == nullptr || record->handle != control) return DefWindowProcW(control, message, wParam, lParam);
  WNDPROC previous = record->previousProcedure;
  LRESULT result = previous ? CallWindowProcW(previous, control, message, wParam, lParam)
                            : DefWindowProcW(control, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    record = GadgetIsValid(id);  // the previous procedure may have run code that freed it
    if (record && record->handle == control) {
      if (record->kind && record->kind->free) record->kind->free(id);
      RemovePropW(control, u"CV_ID");
      // Drop acceptance is a property the drop-target support sets; it goes with the control.
      RemovePropW(control, u"CV_DropAccept");
      SetWindowLongPtrW(control, GWLP_ID, -1);
      EventPurge(EC_GADGET, id, -1, -1);
      ObjectRelease(g_gadgets, id);
    }
  }
  return result;
}

namespace {

// A kind's required size, 0 x 0 when it has none.
void RequiredSize(GadgetRecord* record, int64_t gadget, int64_t* width, int64_t* height) {
  *width = *height = 0;
  if (record->kind && record->kind->requiredSize) record->kind->requiredSize(gadget, width, height);
}

// Runs a programmatic change with events held back, so that it is not reported as the user's.
template <typename Change>
void Quietly(Change change) {
  EventSuppressChanges();
  change();
  EventAllowChanges();
}

}  // namespace

// ---- the library ----

void GadgetInit() {
  if (g_gadgets) return;
  g_gadgets = ObjectRegistryCreate(sizeof(GadgetRecord), 50, GadgetFreeOne);
  g_gadgetState = static_cast<GadgetLibraryState*>(LibraryStateNew(sizeof(GadgetLibraryState), nullptr, nullptr));
  if (g_gadgetState) g_gadgetState->currentFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), 0xB48};
  InitCommonControlsEx(&controls);
}

void GadgetShutdown() {
  if (g_gadgets == nullptr) return;
  ObjectFreeAll(g_gadgets);
  ObjectRegistryDestroy(g_gadgets);
  GadgetCanvasShutdown();
  g_gadgets = nullptr;
  if (g_gadgetState) {
    // The saved lists of still-open windows free their own stacks when the windows go; the
    // current one is detached from every window and goes here.
    if (g_gadgetState->stack) MainHeapFree(g_gadgetState->stack);
    *g_gadgetState = GadgetLibraryState{};
  }
  g_gadgetState = nullptr;  // the state block itself goes with the main heap
}

// ---- creation ----

GadgetRecord* GadgetCreateControl(int64_t gadget, DWORD exStyle, const char16_t* className, const char16_t* text,
                                  DWORD style, int64_t x, int64_t y, int64_t width, int64_t height, HWND* control) {
  *control = nullptr;
  if (g_gadgets == nullptr || g_gadgetState == nullptr || (gadget < 0 && gadget != CV_Any)) return nullptr;
  HWND parent = g_gadgetState->currentParent;
  if (parent == nullptr || !IsWindow(parent)) return nullptr;
  HWND handle = CreateWindowExW(exStyle, className, text ? text : u"", style | WS_CHILD, static_cast<int>(x),
                                static_cast<int>(y), static_cast<int>(width), static_cast<int>(height), parent, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (handle == nullptr) return nullptr;
  auto* record = static_cast<GadgetRecord*>(ObjectNew(g_gadgets, gadget));
  if (record == nullptr) {
    DestroyWindow(handle);
    return nullptr;
  }
  *control = handle;
  return record;
}

int64_t GadgetRegister(int64_t gadget, GadgetRecord* record, HWND control, GadgetKindTable* kind) {
  int64_t number = gadget == CV_Any ? ValueOf(record) : gadget;
  record->handle = control;
  record->kind = kind;
  record->previousProcedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_WNDPROC));
  SetWindowLongPtrW(control, GWLP_ID, static_cast<LONG_PTR>(number));
  SetPropW(control, u"CV_ID", reinterpret_cast<HANDLE>(static_cast<uintptr_t>(number)));
  SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GadgetProcedure));
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(g_gadgetState->currentFont), TRUE);
  g_gadgetState->optionGroup = 0;
  return gadget == CV_Any ? number : ValueOf(control);
}

void GadgetCreateAbandon(int64_t gadget, GadgetRecord* record, HWND control) {
  if (control && IsWindow(control)) DestroyWindow(control);
  ObjectRelease(g_gadgets, gadget == CV_Any ? ValueOf(record) : gadget);
}

int64_t GadgetNumberOf(HWND control) {
  if (control == nullptr || !IsWindow(control)) return -1;
  LONG_PTR id = GetWindowLongPtrW(control, GWLP_ID);
  if (id == -1 || ValueOf(GetPropW(control, u"CV_ID")) != id) return -1;
  GadgetRecord* record = GadgetIsValid(id);
  return record && record->handle == control ? id : -1;
}

int64_t GadgetWindowOf(HWND control) { return WindowNumberOf(control); }

RECT GadgetFrameInParent(HWND control) {
  RECT frame{};
  GetWindowRect(control, &frame);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&frame), 2);
  return frame;
}

bool GadgetVisualStyles() {
  // Themed drawing needs version 6 of the common controls and a themed application.
  static const bool active = [] {
    bool themed = false;
    if (HMODULE controls = LoadLibraryW(u"comctl32.dll")) {
      using GetVersion = HRESULT (*)(DLLVERSIONINFO*);
      DLLVERSIONINFO info{sizeof(DLLVERSIONINFO), 0, 0, 0, 0};
      auto getVersion = reinterpret_cast<GetVersion>(GetProcAddress(controls, "DllGetVersion"));
      if (getVersion && getVersion(&info) == S_OK && info.dwMajorVersion >= 6) {
        if (HMODULE theme = LoadLibraryW(u"uxtheme.dll")) {
          using IsThemed = BOOL (*)();
          auto isThemed = reinterpret_cast<IsThemed>(GetProcAddress(theme, "IsAppThemed"));
          themed = isThemed && isThemed();
          FreeLibrary(theme);
        }
      }
      FreeLibrary(controls);
    }
    return themed;
  }();
  return active;
}

void GadgetPostEvent(int64_t gadget, int64_t type, bool force) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr) return;
  EventPost(EC_GADGET, gadget, GadgetWindowOf(record->handle), type, nullptr, nullptr, force);
}

// ---- message routing ----

int64_t GadgetPartOf(HWND control) {
  if (control == nullptr || !IsWindow(control)) return -1;
  LONG_PTR id = GetWindowLongPtrW(control, GWLP_ID);
  if (id == -1 || ValueOf(GetPropW(control, u"CV_ID")) != id) return -1;
  GadgetRecord* record = GadgetIsValid(id);
  if (record == nullptr || GetParent(record->handle) != GetParent(control)) return -1;
  // Ids and "CV_ID" alone could be a foreign control's (a missing property reads as gadget 0);
  // a part is known to its gadget, which keeps its handle.
  for (int64_t word : record->kindWords) {
    if (word == ValueOf(control)) return id;
  }
  return -1;
}

LRESULT GadgetForwardMessage(HWND control, HWND parent, UINT message, WPARAM wParam, LPARAM lParam) {
  int64_t id = GadgetNumberOf(control);
  if (id == -1) id = GadgetPartOf(control);  // the second control of a two-part gadget
  if (id == -1) return CV_NotHandled;
  GadgetRecord* record = GadgetIsValid(id);
  if (record->kind == nullptr || record->kind->messageHandler == nullptr) return CV_NotHandled;
  return record->kind->messageHandler(id, parent, message, wParam, lParam);
}

int64_t GadgetBindEvent(int64_t gadget, EventCallback callback, int64_t type) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr) return 0;
  return EventBind(EC_GADGET, callback, GadgetWindowOf(record->handle), gadget, type);
}

// ---- generic operations ----

GadgetRecord* GadgetIsValid(int64_t gadget) {
  if (g_gadgets == nullptr) return nullptr;
  auto* record = static_cast<GadgetRecord*>(ObjectIsValid(g_gadgets, gadget));
  return record && record->handle ? record : nullptr;
}

int64_t GadgetHandle(int64_t gadget) {
  GadgetRecord* record = GadgetIsValid(gadget);
  return record ? ValueOf(record->handle) : 0;
}

int64_t GadgetKind(int64_t gadget) {
  GadgetRecord* record = GadgetIsValid(gadget);
  return record && record->kind ? record->kind->kind : 0;
}

int64_t GadgetGetState(int64_t gadget) {
  GadgetRecord* record = GadgetIsValid(gadget);
  return record && record->kind->getState ? record->kind->getState(gadget) : 0;
}

int64_t GadgetSetState(int64_t gadget, int64_t value) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr || record->kind->setState == nullptr) return 0;
  Quietly([&] { record->kind->setState(gadget, value); });
  return 1;
}

char16_t* GadgetGetText(int64_t gadget, int64_t start) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record && record->kind->getText) return record->kind->getText(gadget, start);
  int length = record ? GetWindowTextLengthW(record->handle) : 0;
  char16_t* out = StrTempReserve(length, start);
  if (out == nullptr) return nullptr;
  out[length > 0 ? GetWindowTextW(record->handle, out, length + 1) : 0] = 0;
  return out;
}

int64_t GadgetSetText(int64_t gadget, const char16_t* text) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr) return 0;
  Quietly([&] {
    if (record->kind->setText) record->kind->setText(gadget, text);
    else SetWindowTextW(record->handle, text ? text : u"");
  });
  return 1;
}

int64_t GadgetAddItem(int64_t gadget, int64_t position, const char16_t* text, int64_t image, int64_t flags) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr) return 0;
  const char16_t* item = text ? text : u"";
  int64_t result = 0;
  if (record->kind->addItemFlags) Quietly([&] { result = record->kind->addItemFlags(gadget, position, item, image, flags); });
  else if (record->kind->addItem) Quietly([&] { result = record->kind->addItem(gadget, position, item, image); });
  return result;
}

int64_t GadgetRemoveItem(int64_t gadget, int64_t position) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr || record->kind->removeItem == nullptr) return 0;
  record->kind->removeItem(gadget, position);
  return 1;
}

int64_t GadgetClearItems(int64_t gadget) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr || record->kind->clearItems == nullptr) return 0;
  record->kind->clearItems(gadget);
  return 1;
}

int64_t GadgetCountItems(int64_t gadget) {
  GadgetRecord* record = GadgetIsValid(gadget);
  return record && record->kind->countItems ? record->kind->countItems(gadget) : 0;
}

int64_t GadgetGetItemState(int64_t gadget, int64_t item) {
  GadgetRecord* record = GadgetIsValid(gadget);
  return record && record->kind->getItemState ? record->kind->getItemState(gadget, item) : 0;
}

int64_t GadgetSetItemState(int64_t gadget, int64_t item, int64_t state) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr || record->kind->setItemState == nullptr) return 0;
  record->kind->setItemState(gadget, item, state);
  return 1;
}

char16_t* GadgetGetItemText(int64_t gadget, int64_t item, int64_t start) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record && record->kind->getItemText) return record->kind->getItemText(gadget, item, start);
  char16_t* out = StrTempReserve(0, start);
  if (out) out[0] = 0;
  return out;
}

int64_t GadgetSetItemText(int64_t gadget, int64_t item, const char16_t* text) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr || record->kind->setItemText == nullptr) return 0;
  Quietly([&] { record->kind->setItemText(gadget, item, text ? text : u""); });
  return 1;
}

int64_t GadgetGetItemData(int64_t gadget, int64_t item) {
  GadgetRecord* record = GadgetIsValid(gadget);
  return record && record->kind->getItemData ? record->kind->getItemData(gadget, item) : 0;
}

int64_t GadgetSetItemData(int64_t gadget, int64_t item, int64_t value) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr || record->kind->setItemData == nullptr) return 0;
  record->kind->setItemData(gadget, item, value);
  return 1;
}

int64_t GadgetGetAttribute(int64_t gadget, int64_t attribute) {
  GadgetRecord* record = GadgetIsValid(gadget);
  return record && record->kind->getAttribute ? record->kind->getAttribute(gadget, attribute) : 0;
}

int64_t GadgetSetAttribute(int64_t gadget, int64_t attribute, int64_t value) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr || record->kind->setAttribute == nullptr) return 0;
  // A new range can move the value, which the program did, not the user.
  Quietly([&] { record->kind->setAttribute(gadget, attribute, value); });
  return 1;
}

int64_t GadgetSetColor(int64_t gadget, int64_t which, int64_t colour) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr || record->kind->setColor == nullptr) return 0;
  record->kind->setColor(gadget, which, colour);
  return 1;
}

int64_t GadgetGetColor(int64_t gadget, int64_t which) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr) return 0;
  return record->kind->getColor ? record->kind->getColor(gadget, which) : -1;
}

int64_t GadgetResize(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr) return 0;
  GadgetKindTable* kind = record->kind;
  if (kind->resize) {
    kind->resize(gadget, x, y, width, height);
    return 1;
  }
  if (x == CV_Keep || y == CV_Keep || width == CV_Keep || height == CV_Keep) {
    RECT frame = GadgetFrameInParent(record->handle);
    if (x == CV_Keep) x = kind->getX ? kind->getX(gadget) : frame.left;
    if (y == CV_Keep) y = kind->getY ? kind->getY(gadget) : frame.top;
    if (width == CV_Keep) width = kind->getWidth ? kind->getWidth(gadget) : frame.right - frame.left;
    if (height == CV_Keep) height = kind->getHeight ? kind->getHeight(gadget) : frame.bottom - frame.top;
  }
  MoveWindow(record->handle, static_cast<int>(x), static_cast<int>(y), static_cast<int>(width),
             static_cast<int>(height), TRUE);
  InvalidateRect(record->handle, nullptr, FALSE);
  // A button draws its face edge to edge: the old face must not survive the move.
  if (kind->kind == GADGET_KIND_BUTTON) RedrawWindow(record->handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
  if (kind->kind == GADGET_KIND_IPADDRESS) {
    SendMessageW(record->handle, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
  }
  return 1;
}

int64_t GadgetGetX(int64_t gadget) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr) return 0;
  return record->kind->getX ? record->kind->getX(gadget) : GadgetFrameInParent(record->handle).left;
}

int64_t GadgetGetY(int64_t gadget) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr) return 0;
  return record->kind->getY ? record->kind->getY(gadget) : GadgetFrameInParent(record->handle).top;
}

namespace {

// Width (or height): the required one in mode 1, else the kind's own or the frame's.
int64_t Extent(int64_t gadget, int64_t mode, bool horizontal) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr) return 0;
  if (mode == 1) {
    int64_t width, height;
    RequiredSize(record, gadget, &width, &height);
    return horizontal ? width : height;
  }
  auto slot = horizontal ? record->kind->getWidth : record->kind->getHeight;
  if (slot) return slot(gadget);
  RECT frame = GadgetFrameInParent(record->handle);
  return horizontal ? frame.right - frame.left : frame.bottom - frame.top;
}

}  // namespace

int64_t GadgetGetWidth(int64_t gadget, int64_t mode) { return Extent(gadget, mode, true); }
int64_t GadgetGetHeight(int64_t gadget, int64_t mode) { return Extent(gadget, mode, false); }

int64_t GadgetHide(int64_t gadget, int64_t hide) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr) return 0;
  if (record->kind->hide) record->kind->hide(gadget, hide);
  else ShowWindow(record->handle, hide ? SW_HIDE : SW_SHOW);
  return 1;
}

int64_t GadgetDisable(int64_t gadget, int64_t disable) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr) return 0;
  EnableWindow(record->handle, disable == 0);
  return 1;
}

int64_t GadgetActivate(int64_t gadget) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr || record->kind->activate == nullptr) return 0;
  record->kind->activate(gadget);
  return 1;
}

int64_t GadgetGetFont(int64_t gadget) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr) return 0;
  if (record->kind->getFont) return record->kind->getFont(gadget);
  return static_cast<int64_t>(SendMessageW(record->handle, WM_GETFONT, 0, 0));
}

int64_t GadgetSetFont(int64_t gadget, int64_t font) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr) return 0;
  if (record->kind->setFont) {
    record->kind->setFont(gadget, font);
    return 1;
  }
  HFONT chosen = font == -1 ? g_gadgetState->currentFont : reinterpret_cast<HFONT>(static_cast<uintptr_t>(font));
  SendMessageW(record->handle, WM_SETFONT, reinterpret_cast<WPARAM>(chosen), TRUE);
  return 1;
}

int64_t GadgetFree(int64_t gadget) {
  if (g_gadgets == nullptr) return 0;
  if (gadget == -1) {
    ObjectFreeAll(g_gadgets);
    return 1;
  }
  if (GadgetIsValid(gadget) == nullptr) return 0;
  GadgetFreeOne(gadget);
  return 1;
}
