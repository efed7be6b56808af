// The text kind (kind 3): a label on the platform's "Static" control, aligned left, centred or
// right, optionally framed, in its own front and back colours over the button face.
#include "controls/controls.h"
#include "core/constants.h"
#include "gadget_internal.h"
#include "text.h"

namespace {

LRESULT TextMessage(int64_t gadget, HWND, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_CTLCOLORSTATIC) return GadgetColourMessage(gadget, reinterpret_cast<HDC>(wParam), COLOR_BTNFACE);
  return CV_NotHandled;
}

void TextRequiredSize(int64_t gadget, int64_t* width, int64_t* height) {
  GadgetRecord* record = GadgetIsValid(gadget);
  SIZE text = GadgetMeasureText(record->handle, DT_NOPREFIX | DT_EXPANDTABS);
  bool border = GetWindowLongPtrW(record->handle, GWL_EXSTYLE) & WS_EX_CLIENTEDGE;
  *width = text.cx + (border ? 2 * GetSystemMetrics(SM_CXEDGE) : 2);
  *height = text.cy + (border ? 2 * GetSystemMetrics(SM_CYEDGE) : 2);
}

GadgetKindTable* TextKind() {
  static GadgetKindTable table = [] {
    GadgetKindTable kind{};
    kind.kind = GADGET_KIND_TEXT;
    kind.size = sizeof(GadgetKindTable);
    kind.messageHandler = TextMessage;
    kind.free = GadgetColoursFree;
    kind.setColor = GadgetColourSet;
    kind.getColor = GadgetColourGet;
    kind.requiredSize = TextRequiredSize;
    return kind;
  }();
  return &table;
}

}  // namespace

int64_t GadgetTextCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, const char16_t* text,
                         int64_t flags) {
  GadgetKindTable* kind = TextKind();
  DWORD exStyle = (flags & CV_Text_Border) ? WS_EX_CLIENTEDGE : 0;
  DWORD style = (static_cast<DWORD>(flags) & ~static_cast<DWORD>(CV_Text_Border)) | WS_VISIBLE | WS_GROUP | SS_NOPREFIX;
  HWND control;
  GadgetRecord* record = GadgetCreateControl(gadget, exStyle, u"Static", text, style, x, y, width, height, &control);
  if (record == nullptr) return 0;
  GadgetColoursReset(record, -1);
  return GadgetRegister(gadget, record, control, kind);
}
