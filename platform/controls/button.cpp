// The "Button" control: push buttons (default ones with a heavier frame), check boxes (plain,
// automatic, three-state), radio buttons (automatic ones keep one checked per group) and
// push-like toggles. A click (mouse released over the button, or Space) notifies the parent
// with BN_CLICKED through WM_COMMAND; the state lives in the window's extra bytes.
#include <algorithm>
#include <string>

#include "controls.h"
#include "text.h"

namespace {

// Window extra bytes: the check state, then the interaction flags.
constexpr int kCheckOffset = 0;
constexpr int kFlagsOffset = sizeof(LONG_PTR);
constexpr LONG_PTR kPressed = 1;     // shown pushed in
constexpr LONG_PTR kTracking = 2;    // the left button went down on it and is still held
constexpr LONG_PTR kSpaceDown = 4;   // Space went down while it had the focus
constexpr int kBoxSize = 13;

UINT TypeOf(HWND button) { return static_cast<UINT>(GetWindowLongPtrW(button, GWL_STYLE)) & BS_TYPEMASK; }
bool IsCheckType(UINT type) {
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
}
bool IsRadioType(UINT type) { return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON; }
bool IsPushType(UINT type) { return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON; }

LONG_PTR Flags(HWND button) { return GetWindowLongPtrW(button, kFlagsOffset); }
void SetFlag(HWND button, LONG_PTR flag, bool on) {
  LONG_PTR flags = Flags(button);
  LONG_PTR changed = on ? flags | flag : flags & ~flag;
  if (changed == flags) return;
  SetWindowLongPtrW(button, kFlagsOffset, changed);
  if (flag == kPressed) InvalidateRect(button, nullptr, FALSE);
}

void SetCheck(HWND button, LONG_PTR state) {
  UINT type = TypeOf(button);
  if (!IsCheckType(type) && !IsRadioType(type)) return;  // push buttons have no check state
  if (state == BST_INDETERMINATE && type != BS_3STATE && type != BS_AUTO3STATE) state = BST_CHECKED;
  if (state != BST_CHECKED && state != BST_INDETERMINATE) state = BST_UNCHECKED;
  if (GetWindowLongPtrW(button, kCheckOffset) == state) return;
  SetWindowLongPtrW(button, kCheckOffset, state);
  InvalidateRect(button, nullptr, FALSE);
}

// An automatic radio button that gets checked unchecks the other automatic radio buttons of its
// group: the siblings from the last one with WS_GROUP up to the next one with it.
void UncheckGroupOthers(HWND button) {
  HWND first = button;
  while (!(GetWindowLongPtrW(first, GWL_STYLE) & WS_GROUP)) {
    HWND previous = GetWindow(first, GW_HWNDPREV);
    if (previous == nullptr) break;
    first = previous;
  }
  for (HWND at = first; at; at = GetWindow(at, GW_HWNDNEXT)) {
    if (at != first && (GetWindowLongPtrW(at, GWL_STYLE) & WS_GROUP)) break;
    if (at != button && TypeOf(at) == BS_AUTORADIOBUTTON) SetCheck(at, BST_UNCHECKED);
  }
}

void Click(HWND button) {
  UINT type = TypeOf(button);
  LONG_PTR check = GetWindowLongPtrW(button, kCheckOffset);
  if (type == BS_AUTOCHECKBOX) SetCheck(button, check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
  else if (type == BS_AUTO3STATE) SetCheck(button, (check + 1) % 3);
  else if (type == BS_AUTORADIOBUTTON) {
    SetCheck(button, BST_CHECKED);
    UncheckGroupOthers(button);
  }
  platform::NotifyParent(button, BN_CLICKED);
}

using platform::Fill;
using platform::Frame;

UINT TextFormat(DWORD style, UINT centred) {
  UINT format = DT_NOPREFIX;
  if ((style & BS_CENTER) == BS_CENTER) format |= DT_CENTER;
  else if (style & BS_RIGHT) format |= DT_RIGHT;
  else if (!(style & BS_LEFT)) format |= centred;
  format |= (style & BS_MULTILINE) ? DT_WORDBREAK : (DT_SINGLELINE | DT_VCENTER);
  return format;
}

void DrawLabel(HWND button, HDC dc, RECT area, UINT format) {
  int length = GetWindowTextLengthW(button);
  if (length <= 0) return;
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  length = GetWindowTextW(button, text.data(), length + 1);
  if (!IsWindowEnabled(button)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  SetBkMode(dc, TRANSPARENT);
  if (format & DT_WORDBREAK) {
    // Several lines sit in the middle of the button as one block.
    RECT measure = area;
    DrawTextW(dc, text.c_str(), length, &measure, format | DT_CALCRECT);
    int offset = ((area.bottom - area.top) - (measure.bottom - measure.top)) / 2;
    if (offset > 0) area.top += offset;
  }
  DrawTextW(dc, text.c_str(), length, &area, format);
}

void Paint(HWND button) {
  PAINTSTRUCT paint;
  HGDIOBJ oldFont;
  HDC dc = platform::BeginControlPaint(button, &paint, &oldFont);
  if (dc == nullptr) return;
  RECT client;
  GetClientRect(button, &client);
  DWORD style = static_cast<DWORD>(GetWindowLongPtrW(button, GWL_STYLE));
  UINT type = style & BS_TYPEMASK;
  LONG_PTR check = GetWindowLongPtrW(button, kCheckOffset);
  bool pressed = Flags(button) & kPressed;
  if (IsPushType(type) || (style & BS_PUSHLIKE)) {
    platform::ControlColours(button, dc, WM_CTLCOLORBTN);
    bool sunken = pressed || check != BST_UNCHECKED;
    RECT face = client;
    Fill(dc, face.left, face.top, face.right, face.bottom, sunken && !pressed ? COLOR_3DLIGHT : COLOR_BTNFACE);
    if (type == BS_DEFPUSHBUTTON) {
      Frame(dc, face, COLOR_3DDKSHADOW, COLOR_3DDKSHADOW);
      InflateRect(&face, -1, -1);
    }
    if (sunken) Frame(dc, face, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    else Frame(dc, face, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW);
    RECT label = face;
    InflateRect(&label, -3, -2);
    if (sunken) OffsetRect(&label, 1, 1);
    DrawLabel(button, dc, label, TextFormat(style, DT_CENTER));
  } else if (IsCheckType(type) || IsRadioType(type)) {
    HBRUSH background = platform::ControlColours(button, dc, WM_CTLCOLORSTATIC);
    FillRect(dc, &client, background);
    int top = std::max(0, ((client.bottom - client.top) - kBoxSize) / 2);
    RECT box{0, top, kBoxSize, top + kBoxSize};
    if (style & BS_LEFTTEXT) OffsetRect(&box, client.right - kBoxSize, 0);
    Fill(dc, box.left, box.top, box.right, box.bottom, pressed ? COLOR_BTNFACE : COLOR_WINDOW);
    Frame(dc, box, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    if (check != BST_UNCHECKED) {
      RECT mark = box;
      InflateRect(&mark, IsRadioType(type) ? -4 : -3, IsRadioType(type) ? -4 : -3);
      FillRect(dc, &mark, GetSysColorBrush(check == BST_INDETERMINATE ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
    }
    RECT label = client;
    if (style & BS_LEFTTEXT) label.right -= kBoxSize + 4;
    else label.left += kBoxSize + 4;
    DrawLabel(button, dc, label, TextFormat(style, DT_LEFT));
  } else {
    FillRect(dc, &client, platform::ControlColours(button, dc, WM_CTLCOLORSTATIC));
    DrawLabel(button, dc, client, TextFormat(style, DT_LEFT));
  }
  platform::EndControlPaint(button, &paint, oldFont);
}

bool Inside(HWND button, LPARAM position) {
  RECT client;
  GetClientRect(button, &client);
  return PtInRect(&client, POINT{GET_X_LPARAM(position), GET_Y_LPARAM(position)});
}

}  // namespace

namespace platform {

LRESULT ButtonProcedure(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE: return IsRadioType(TypeOf(button)) ? DLGC_WANTARROWS : 0;
    case BM_GETCHECK: return GetWindowLongPtrW(button, kCheckOffset);
    case BM_SETCHECK: SetCheck(button, static_cast<LONG_PTR>(wParam)); return 0;
    case BM_GETSTATE: {
      LRESULT state = GetWindowLongPtrW(button, kCheckOffset);
      if (Flags(button) & kPressed) state |= BST_PUSHED;
      if (GetFocus() == button) state |= BST_FOCUS;
      return state;
    }
    case BM_SETSTATE: SetFlag(button, kPressed, wParam != 0); return 0;
    case BM_SETSTYLE: {
      LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
      SetWindowLongPtrW(button, GWL_STYLE, (style & ~static_cast<LONG_PTR>(0xFFFF)) | static_cast<LONG_PTR>(wParam & 0xFFFF));
      if (LOWORD(lParam)) InvalidateRect(button, nullptr, TRUE);
      return 0;
    }
    case BM_CLICK:
      if (IsWindowEnabled(button)) Click(button);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetFocus(button);
      SetCapture(button);
      SetFlag(button, kTracking, true);
      SetFlag(button, kPressed, true);
      return 0;
    case WM_MOUSEMOVE:
      if (Flags(button) & kTracking) SetFlag(button, kPressed, Inside(button, lParam));
      return 0;
    case WM_LBUTTONUP: {
      bool tracking = Flags(button) & kTracking;
      bool inside = Inside(button, lParam);
      SetFlag(button, kTracking, false);
      SetFlag(button, kPressed, false);
      if (GetCapture() == button) ReleaseCapture();
      if (tracking && inside) Click(button);
      return 0;
    }
    case WM_CAPTURECHANGED:
      SetFlag(button, kTracking, false);
      SetFlag(button, kPressed, false);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE) {
        SetFlag(button, kSpaceDown, true);
        SetFlag(button, kPressed, true);
        return 0;
      }
      break;
    case WM_KEYUP:
      if (wParam == VK_SPACE && (Flags(button) & kSpaceDown)) {
        SetFlag(button, kSpaceDown, false);
        SetFlag(button, kPressed, false);
        Click(button);
        return 0;
      }
      break;
    case WM_KILLFOCUS:
      SetFlag(button, kSpaceDown, false);
      if (!(Flags(button) & kTracking)) SetFlag(button, kPressed, false);
      InvalidateRect(button, nullptr, FALSE);
      return 0;
    case WM_SETFOCUS: InvalidateRect(button, nullptr, FALSE); return 0;
    case WM_ENABLE: InvalidateRect(button, nullptr, FALSE); return 0;
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcW(button, message, wParam, lParam);
      InvalidateRect(button, nullptr, FALSE);
      return result;
    }
    case WM_ERASEBKGND: return 1;  // the paint covers the whole control
    case WM_PAINT: Paint(button); return 0;
    default: break;
  }
  return DefWindowProcW(button, message, wParam, lParam);
}

}  // namespace platform
