// The frame kind (kind 7): a group box on the runtime's own "CorvusFrame" class, a caption in
// the frame's font over a border around the area below it. The gadgets shown inside a frame are
// its siblings, laid over it: the frame paints only its border and caption and lets the pointer
// through, so they stay visible and usable.
#include <algorithm>

#include "core/constants.h"
#include "gadget_internal.h"
#include "text.h"

namespace {

constexpr int kFontExtra = 0;                      // window extra bytes: the font
constexpr int kFlagsExtra = sizeof(LONG_PTR);      // ... and the border flags
constexpr int64_t kFrameDouble = 1, kFrameSingle = 2, kFrameFlat = 3;

void Line(HDC dc, int left, int top, int right, int bottom, int colour) {
  RECT strip{left, top, right, bottom};
  FillRect(dc, &strip, GetSysColorBrush(colour));
}

// A one-pixel rectangle outline in a system colour.
void Outline(HDC dc, const RECT& r, int colour) {
  Line(dc, r.left, r.top, r.right, r.top + 1, colour);
  Line(dc, r.left, r.bottom - 1, r.right, r.bottom, colour);
  Line(dc, r.left, r.top, r.left + 1, r.bottom, colour);
  Line(dc, r.right - 1, r.top, r.right, r.bottom, colour);
}

void Paint(HWND frame) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(frame, &paint);
  RECT client;
  GetClientRect(frame, &client);
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(GetWindowLongPtrW(frame, kFontExtra)));
  SIZE letters{};
  GetTextExtentPoint32W(dc, u"Hg", 2, &letters);
  RECT border{0, letters.cy / 2, client.right, client.bottom};
  int64_t flags = GetWindowLongPtrW(frame, kFlagsExtra) & 3;
  if (flags == kFrameFlat) {
    Outline(dc, border, COLOR_WINDOWFRAME);
  } else if (flags == kFrameSingle) {
    Outline(dc, border, COLOR_BTNSHADOW);
  } else {
    // Etched, the usual group box: a shadow line with a highlight line beside it; doubled.
    RECT inner = border;
    OffsetRect(&inner, 1, 1);
    Outline(dc, inner, COLOR_BTNHIGHLIGHT);
    RECT outer = border;
    outer.right -= 1;
    outer.bottom -= 1;
    Outline(dc, outer, COLOR_BTNSHADOW);
    if (flags == kFrameDouble && outer.right - outer.left > 6 && outer.bottom - outer.top > 6) {
      InflateRect(&outer, -2, -2);
      Outline(dc, outer, COLOR_BTNSHADOW);
    }
  }
  int length = GetWindowTextLengthW(frame);
  if (length > 0) {
    std::u16string caption(static_cast<size_t>(length) + 1, u'\0');
    length = GetWindowTextW(frame, caption.data(), length + 1);
    SIZE extent{};
    GetTextExtentPoint32W(dc, caption.data(), length, &extent);
    RECT behind{6, 0, std::min<LONG>(client.right, 6 + extent.cx + 4), extent.cy};
    FillRect(dc, &behind, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(IsWindowEnabled(frame) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    TextOutW(dc, 8, 0, caption.data(), length);
  }
  SelectObject(dc, oldFont);
  EndPaint(frame, &paint);
}

LRESULT FrameProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST: return HTTRANSPARENT;
    case WM_ERASEBKGND: return 1;  // the inside belongs to the gadgets laid over it
    case WM_SETFONT:
      SetWindowLongPtrW(frame, kFontExtra, static_cast<LONG_PTR>(wParam));
      if (LOWORD(lParam)) InvalidateRect(frame, nullptr, FALSE);
      return 0;
    case WM_GETFONT: return GetWindowLongPtrW(frame, kFontExtra);
    case WM_SETTEXT:
    case WM_ENABLE: {
      LRESULT result = DefWindowProcW(frame, message, wParam, lParam);
      InvalidateRect(frame, nullptr, FALSE);
      return result;
    }
    case WM_PAINT: Paint(frame); return 0;
    default: return DefWindowProcW(frame, message, wParam, lParam);
  }
}

bool RegisterFrameClass() {
  static bool registered = false;
  if (registered) return true;
  WNDCLASSEXW frameClass{};
  frameClass.cbSize = sizeof frameClass;
  frameClass.lpfnWndProc = FrameProcedure;
  frameClass.cbWndExtra = 2 * sizeof(LONG_PTR);
  frameClass.hInstance = GetModuleHandleW(nullptr);
  frameClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  frameClass.lpszClassName = u"CorvusFrame";
  registered = RegisterClassExW(&frameClass) != 0;
  return registered;
}

GadgetKindTable* FrameKind() {
  static GadgetKindTable table = [] {
    GadgetKindTable kind{};
    kind.kind = GADGET_KIND_FRAME;
    kind.size = sizeof(GadgetKindTable);
    return kind;
  }();
  return &table;
}

}  // namespace

int64_t GadgetFrameCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, const char16_t* text,
                          int64_t flags) {
  if (!RegisterFrameClass()) return 0;
  HWND control;
  GadgetRecord* record = GadgetCreateControl(gadget, 0, u"CorvusFrame", text, WS_VISIBLE, x, y, width, height, &control);
  if (record == nullptr) return 0;
  SetWindowLongPtrW(control, kFlagsExtra, static_cast<LONG_PTR>(flags));
  return GadgetRegister(gadget, record, control, FrameKind());
}
