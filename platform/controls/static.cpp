// The "Static" control: a text aligned left, centred or right, in the colours its parent picks
// through WM_CTLCOLORSTATIC. Without SS_NOTIFY it lets the mouse through to what lies beneath;
// with it, a click notifies the parent with STN_CLICKED (STN_DBLCLK for a double click).
#include <string>

#include "controls.h"
#include "text.h"

namespace platform {

HBRUSH ControlColours(HWND control, HDC dc, UINT colourMessage, int background) {
  SetTextColor(dc, GetSysColor(colourMessage == WM_CTLCOLORBTN ? COLOR_BTNTEXT : COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(background));
  HWND parent = GetParent(control);
  HBRUSH brush = parent ? reinterpret_cast<HBRUSH>(SendMessageW(parent, colourMessage, reinterpret_cast<WPARAM>(dc),
                                                                reinterpret_cast<LPARAM>(control)))
                        : nullptr;
  return brush ? brush : GetSysColorBrush(background);
}

void Fill(HDC dc, int left, int top, int right, int bottom, int colour) {
  RECT area{left, top, right, bottom};
  FillRect(dc, &area, GetSysColorBrush(colour));
}

void Frame(HDC dc, RECT area, int light, int dark) {
  Fill(dc, area.left, area.top, area.right, area.top + 1, light);
  Fill(dc, area.left, area.top, area.left + 1, area.bottom, light);
  Fill(dc, area.left, area.bottom - 1, area.right, area.bottom, dark);
  Fill(dc, area.right - 1, area.top, area.right, area.bottom, dark);
}

void NotifyParent(HWND control, WORD code) {
  HWND parent = GetParent(control);
  if (parent) {
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(control)), code),
                 reinterpret_cast<LPARAM>(control));
  }
}

HDC BeginControlPaint(HWND control, PAINTSTRUCT* paint, HGDIOBJ* oldFont) {
  HDC dc = BeginPaint(control, paint);
  if (dc == nullptr) return nullptr;
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0));
  *oldFont = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  return dc;
}

void EndControlPaint(HWND control, PAINTSTRUCT* paint, HGDIOBJ oldFont) {
  SelectObject(paint->hdc, oldFont);
  EndPaint(control, paint);
}

namespace {

void Paint(HWND control) {
  PAINTSTRUCT paint;
  HGDIOBJ oldFont;
  HDC dc = BeginControlPaint(control, &paint, &oldFont);
  if (dc == nullptr) return;
  RECT client;
  GetClientRect(control, &client);
  FillRect(dc, &client, ControlColours(control, dc, WM_CTLCOLORSTATIC));
  DWORD style = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
  UINT format = DT_WORDBREAK | DT_EXPANDTABS;
  if ((style & SS_TYPEMASK) == SS_CENTER) format |= DT_CENTER;
  else if ((style & SS_TYPEMASK) == SS_RIGHT) format |= DT_RIGHT;
  if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
  int length = GetWindowTextLengthW(control);
  if (length > 0) {
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    length = GetWindowTextW(control, text.data(), length + 1);
    if (!IsWindowEnabled(control)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text.c_str(), length, &client, format);
  }
  EndControlPaint(control, &paint, oldFont);
}

}  // namespace

LRESULT StaticProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  bool notify = GetWindowLongPtrW(control, GWL_STYLE) & SS_NOTIFY;
  switch (message) {
    case WM_NCHITTEST: {
      LRESULT hit = DefWindowProcW(control, message, wParam, lParam);
      return hit == HTCLIENT && !notify ? HTTRANSPARENT : hit;
    }
    case WM_LBUTTONDOWN:
      if (notify) NotifyParent(control, STN_CLICKED);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (notify) NotifyParent(control, STN_DBLCLK);
      return 0;
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcW(control, message, wParam, lParam);
      InvalidateRect(control, nullptr, TRUE);
      return result;
    }
    case WM_ENABLE: InvalidateRect(control, nullptr, TRUE); return 0;
    case WM_ERASEBKGND: return 1;  // the paint fills the whole control
    case WM_PAINT: Paint(control); return 0;
    default: break;
  }
  return DefWindowProcW(control, message, wParam, lParam);
}

}  // namespace platform
