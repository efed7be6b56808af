// The container kind (kind 11): a "CorvusContainer" child window that holds gadgets of its own.
// Creating one opens it as the current gadget list; its messages go on to the runtime window
// procedure, so the gadgets inside report as if they sat in the window itself.
#include "core/constants.h"
#include "gadget_internal.h"
#include "window.h"

namespace {

constexpr int kBrushExtra = 0;  // window extra bytes: the back brush, or null

HBRUSH BrushOf(HWND container) { return reinterpret_cast<HBRUSH>(GetWindowLongPtrW(container, kBrushExtra)); }

LRESULT ContainerProcedure(HWND container, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE: {
      // Programs lay out the inside on this event, so it is reported even for their own resizing.
      int64_t gadget = GadgetNumberOf(container);
      if (gadget != -1) GadgetPostEvent(gadget, ET_LEFT_CLICK, true);
      break;
    }
    case WM_ERASEBKGND:
      if (HBRUSH brush = BrushOf(container)) {
        RECT client;
        GetClientRect(container, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
        return 1;
      }
      return DefWindowProcW(container, message, wParam, lParam);
    default: break;
  }
  return WindowProcedure(container, message, wParam, lParam);
}

bool RegisterContainerClass() {
  static bool registered = false;
  if (registered) return true;
  WNDCLASSEXW containerClass{};
  containerClass.cbSize = sizeof containerClass;
  containerClass.lpfnWndProc = ContainerProcedure;
  containerClass.cbWndExtra = sizeof(LONG_PTR);
  containerClass.hInstance = GetModuleHandleW(nullptr);
  containerClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  containerClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_BTNFACE + 1));
  containerClass.lpszClassName = u"CorvusContainer";
  registered = RegisterClassExW(&containerClass) != 0;
  return registered;
}

void ContainerSetColor(int64_t gadget, int64_t which, int64_t colour) {
  if (which != 2) return;  // a container has no text to colour
  GadgetColourSet(gadget, which, colour);
  GadgetRecord* record = GadgetIsValid(gadget);
  SetWindowLongPtrW(record->handle, kBrushExtra, static_cast<LONG_PTR>(record->kindWords[kBackBrushWord]));
  RedrawWindow(record->handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

int64_t ContainerGetColor(int64_t gadget, int64_t which) { return which == 2 ? GadgetColourGet(gadget, which) : -1; }

void ContainerFree(int64_t gadget) {
  GadgetRecord* record = GadgetIsValid(gadget);
  SetWindowLongPtrW(record->handle, kBrushExtra, 0);
  GadgetColoursFree(gadget);
}

GadgetKindTable* ContainerKind() {
  static GadgetKindTable table = [] {
    GadgetKindTable kind{};
    kind.kind = GADGET_KIND_CONTAINER;
    kind.size = sizeof(GadgetKindTable);
    kind.free = ContainerFree;
    kind.setColor = ContainerSetColor;
    kind.getColor = ContainerGetColor;
    return kind;
  }();
  return &table;
}

}  // namespace

int64_t GadgetContainerCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, int64_t flags) {
  GadgetKindTable* kind = ContainerKind();
  if (!RegisterContainerClass()) return 0;
  DWORD style = WS_VISIBLE | WS_CLIPCHILDREN;
  DWORD exStyle = WS_EX_CONTROLPARENT;
  if (flags & CV_Container_Flat) style |= WS_BORDER;
  if (flags & CV_Container_Raised) style |= WS_DLGFRAME;
  if (flags & CV_Container_Single) exStyle |= WS_EX_STATICEDGE;
  if (flags & CV_Container_Double) exStyle |= WS_EX_CLIENTEDGE;
  HWND control;
  GadgetRecord* record =
      GadgetCreateControl(gadget, exStyle, u"CorvusContainer", u"", style, x, y, width, height, &control);
  if (record == nullptr) return 0;
  GadgetColoursReset(record, -1);
  int64_t result = GadgetRegister(gadget, record, control, kind);
  GadgetListPush(control);
  return result;
}
