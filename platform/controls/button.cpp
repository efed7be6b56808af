// The "Button" control: push buttons (default ones with a heavier frame), check boxes (plain,
// automatic, three-state; square, with a tick), radio buttons (round, with a dot; automatic ones
// keep one checked per group) and push-like toggles, in the classic raised and sunken edges. A
// click (mouse released over the button, or Space) notifies the parent with BN_CLICKED through
// WM_COMMAND; the state lives in the window's extra bytes.
#include <algorithm>
#include <cmath>
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

// Draws the label in `area`; returns the rectangle the text takes (for the focus rectangle).
RECT DrawLabel(HWND button, HDC dc, RECT area, UINT format) {
  int length = GetWindowTextLengthW(button);
  if (length <= 0) return RECT{area.left, area.top, area.left, area.top};
  std::u16string text(static_cast<size_t>(length) + 1, u'\0');
  length = GetWindowTextW(button, text.data(), length + 1);
  if (!IsWindowEnabled(button)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  SetBkMode(dc, TRANSPARENT);
  RECT measure = area;
  DrawTextW(dc, text.c_str(), length, &measure, (format & ~(DT_VCENTER | DT_CENTER | DT_RIGHT)) | DT_CALCRECT);
  const LONG height = measure.bottom - measure.top, width = measure.right - measure.left;
  if (format & DT_WORDBREAK) {
    // Several lines sit in the middle of the button as one block.
    int offset = ((area.bottom - area.top) - height) / 2;
    if (offset > 0) area.top += offset;
  }
  DrawTextW(dc, text.c_str(), length, &area, format);
  // Where the text landed: aligned like the format says, cut to the area.
  RECT used{area.left, area.top, area.left + width, area.top + height};
  if (format & DT_CENTER) OffsetRect(&used, ((area.right - area.left) - width) / 2, 0);
  else if (format & DT_RIGHT) OffsetRect(&used, (area.right - area.left) - width, 0);
  if ((format & DT_VCENTER) && (format & DT_SINGLELINE)) OffsetRect(&used, 0, ((area.bottom - area.top) - height) / 2);
  IntersectRect(&used, &used, &area);
  return used;
}

// The classic check mark: two strokes three pixels high, down to the right and up again.
void Tick(HDC dc, const RECT& box, int colour) {
  static const int kTops[] = {2, 3, 4, 3, 2, 1, 0};
  const LONG left = box.left + (box.right - box.left - 7) / 2, top = box.top + (box.bottom - box.top - 7) / 2;
  for (int column = 0; column < 7; ++column) {
    Fill(dc, left + column, top + kTops[column], left + column + 1, top + kTops[column] + 3, colour);
  }
}

// A round option box: a sunken ring (dark on the upper left, light on the lower right) around
// a white disc, with a dot in the middle when the option is selected.
void RoundBox(HDC dc, const RECT& box, int inside, int dot) {
  const int size = std::min(box.right - box.left, box.bottom - box.top);
  const double centre = (size - 1) / 2.0, outer = size / 2.0, ring = outer - 1.0, disc = outer - 2.0;
  const double dotRadius = size / 7.5;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const double distance = std::hypot(x - centre, y - centre);
      const bool upperLeft = x + y < size - 1;
      int colour;
      if (distance > outer) continue;
      if (distance > ring) colour = upperLeft ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT;
      else if (distance > disc) colour = upperLeft ? COLOR_3DDKSHADOW : COLOR_3DLIGHT;
      else colour = dot >= 0 && distance <= dotRadius ? dot : inside;
      Fill(dc, box.left + x, box.top + y, box.left + x + 1, box.top + y + 1, colour);
    }
  }
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
  bool enabled = IsWindowEnabled(button);
  bool focused = GetFocus() == button;
  if (IsPushType(type) || (style & BS_PUSHLIKE)) {
    platform::ControlColours(button, dc, WM_CTLCOLORBTN);
    bool sunken = pressed || check != BST_UNCHECKED;
    RECT face = client;
    Fill(dc, face.left, face.top, face.right, face.bottom, sunken && !pressed ? COLOR_3DLIGHT : COLOR_BTNFACE);
    if (type == BS_DEFPUSHBUTTON) {
      Frame(dc, face, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
      InflateRect(&face, -1, -1);
    }
    RECT label = face;
    if (pressed) {
      // Pushed in: a dark line and a shadow line, the face flat inside them.
      Frame(dc, face, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
      InflateRect(&face, -1, -1);
      Frame(dc, face, COLOR_BTNSHADOW, COLOR_BTNSHADOW);
    } else {
      DrawEdge(dc, &face, sunken ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_SOFT);
    }
    InflateRect(&label, -3, -2);
    if (sunken) OffsetRect(&label, 1, 1);
    DrawLabel(button, dc, label, TextFormat(style, DT_CENTER));
    if (focused) {
      RECT focus = client;
      InflateRect(&focus, type == BS_DEFPUSHBUTTON ? -4 : -3, type == BS_DEFPUSHBUTTON ? -4 : -3);
      DrawFocusRect(dc, &focus);
    }
  } else if (IsCheckType(type) || IsRadioType(type)) {
    HBRUSH background = platform::ControlColours(button, dc, WM_CTLCOLORSTATIC);
    FillRect(dc, &client, background);
    const int size = IsRadioType(type) ? kBoxSize - 1 : kBoxSize;
    int top = std::max(0, ((client.bottom - client.top) - size) / 2);
    RECT box{0, top, size, top + size};
    if (style & BS_LEFTTEXT) OffsetRect(&box, client.right - size, 0);
    const int inside = pressed || !enabled ? COLOR_BTNFACE : COLOR_WINDOW;
    const int mark = !enabled || check == BST_INDETERMINATE ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT;
    if (IsRadioType(type)) {
      RoundBox(dc, box, inside, check != BST_UNCHECKED ? mark : -1);
    } else {
      RECT inner = box;
      DrawEdge(dc, &inner, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
      Fill(dc, inner.left, inner.top, inner.right, inner.bottom, check == BST_INDETERMINATE ? COLOR_BTNFACE : inside);
      if (check != BST_UNCHECKED) Tick(dc, inner, mark);
    }
    RECT label = client;
    if (style & BS_LEFTTEXT) label.right -= kBoxSize + 4;
    else label.left += kBoxSize + 4;
    RECT text = DrawLabel(button, dc, label, TextFormat(style, DT_LEFT));
    if (focused && !IsRectEmpty(&text)) {
      // The focus rectangle rings the label, a pixel clear of it where there is room.
      InflateRect(&text, 1, 1);
      IntersectRect(&text, &text, &client);
      DrawFocusRect(dc, &text);
    }
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
