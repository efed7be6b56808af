// The "msctls_updown32" control: a pair of arrow buttons that move a position within a range,
// usually next to a buddy edit whose text can carry the position (UDS_SETBUDDYINT) and whose
// Up and Down keys can press the arrows (UDS_ARROWKEYS). Each step asks the parent through
// UDN_DELTAPOS first (it may change or refuse the step) and is then reported with WM_VSCROLL
// (WM_HSCROLL for UDS_HORZ), as Windows does. Held arrows repeat on a timer.
#include <algorithm>
#include <string>

#include "controls.h"

namespace {

constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kFirstRepeat = 400;  // milliseconds before a held arrow repeats, then every kRepeat
constexpr UINT kRepeat = 100;
// The buddy's own procedure and its up-down, kept on the buddy while its arrow keys are ours.
constexpr const char16_t* kBuddyProcedure = u"UpDownBuddyProcedure";
constexpr const char16_t* kBuddyUpDown = u"UpDownControl";

struct UpDownState {
  int minimum = 100;  // Windows' default range runs from 100 down to 0
  int maximum = 0;
  int position = 0;
  HWND buddy = nullptr;
  int pressed = 0;  // +1 the up (or right) arrow is held, -1 the down one, 0 none
};

DWORD StyleOf(HWND upDown) { return static_cast<DWORD>(GetWindowLongPtrW(upDown, GWL_STYLE)); }

int Clamped(const UpDownState& state, int64_t position) {
  int64_t low = std::min(state.minimum, state.maximum), high = std::max(state.minimum, state.maximum);
  return static_cast<int>(std::clamp<int64_t>(position, low, high));
}

// The buddy's text as a position: digits with an optional sign and, unless the control leaves
// them out, thousands separators. False for anything else.
bool ParseBuddy(HWND buddy, int64_t* value) {
  char16_t buffer[64];
  int length = GetWindowTextW(buddy, buffer, 64);
  int64_t result = 0;
  bool negative = false, digits = false;
  for (int i = 0; i < length; ++i) {
    char16_t unit = buffer[i];
    if (i == 0 && (unit == u'-' || unit == u'+')) negative = unit == u'-';
    else if (unit >= u'0' && unit <= u'9') {
      result = result * 10 + (unit - u'0');
      digits = true;
      if (result > INT32_MAX) return false;
    } else if (unit != u',' || !digits) return false;
  }
  if (!digits) return false;
  *value = negative ? -result : result;
  return true;
}

void WriteBuddy(HWND upDown, const UpDownState& state) {
  if (!(StyleOf(upDown) & UDS_SETBUDDYINT) || state.buddy == nullptr || !IsWindow(state.buddy)) return;
  std::u16string digits;
  int64_t value = state.position;
  uint64_t magnitude = static_cast<uint64_t>(value < 0 ? -value : value);
  bool separators = !(StyleOf(upDown) & UDS_NOTHOUSANDS);
  int count = 0;
  do {
    if (separators && count > 0 && count % 3 == 0) digits.insert(digits.begin(), u',');
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
    magnitude /= 10;
    ++count;
  } while (magnitude > 0);
  if (value < 0) digits.insert(digits.begin(), u'-');
  // The buddy hears about a text only when it changes.
  char16_t current[64];
  GetWindowTextW(state.buddy, current, 64);
  if (digits != current) SetWindowTextW(state.buddy, digits.c_str());
}

// With UDS_SETBUDDYINT the buddy's text is the position whenever it reads as one.
void ReadBuddy(HWND upDown, UpDownState& state, bool* error = nullptr) {
  if (error) *error = false;
  if (!(StyleOf(upDown) & UDS_SETBUDDYINT) || state.buddy == nullptr || !IsWindow(state.buddy)) return;
  int64_t value;
  if (ParseBuddy(state.buddy, &value)) state.position = Clamped(state, value);
  else if (error) *error = true;
}

void SetPosition(HWND upDown, UpDownState& state, int64_t position) {
  state.position = Clamped(state, position);
  WriteBuddy(upDown, state);
}

// One press of an arrow: +1 for up (or right), -1 for down. A reversed range turns the
// direction round, so that up always goes toward the maximum.
void Step(HWND upDown, UpDownState& state, int arrow) {
  ReadBuddy(upDown, state);
  int delta = state.maximum >= state.minimum ? arrow : -arrow;
  HWND parent = GetParent(upDown);
  NMUPDOWN change{};
  change.hdr.hwndFrom = upDown;
  change.hdr.idFrom = static_cast<UINT_PTR>(GetWindowLongPtrW(upDown, GWLP_ID));
  change.hdr.code = UDN_DELTAPOS;
  change.iPos = state.position;
  change.iDelta = delta;
  if (parent && SendMessageW(parent, WM_NOTIFY, change.hdr.idFrom, reinterpret_cast<LPARAM>(&change)) != 0) return;
  // The parent may have moved the position itself and changed the delta; both count.
  int64_t next = static_cast<int64_t>(state.position) + change.iDelta;
  int low = std::min(state.minimum, state.maximum), high = std::max(state.minimum, state.maximum);
  if ((StyleOf(upDown) & UDS_WRAP) && (next > high || next < low)) next = next > high ? low : high;
  SetPosition(upDown, state, next);
  InvalidateRect(upDown, nullptr, FALSE);
  if (parent) {
    SendMessageW(parent, (StyleOf(upDown) & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL,
                 MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(state.position)), reinterpret_cast<LPARAM>(upDown));
  }
}

void EndScroll(HWND upDown) {
  HWND parent = GetParent(upDown);
  if (parent == nullptr) return;
  SendMessageW(parent, (StyleOf(upDown) & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0),
               reinterpret_cast<LPARAM>(upDown));
}

// The arrow under a client point: the upper (or right) half is +1.
int ArrowAt(HWND upDown, LPARAM point) {
  RECT client;
  GetClientRect(upDown, &client);
  if (StyleOf(upDown) & UDS_HORZ) return GET_X_LPARAM(point) >= (client.right - client.left) / 2 ? 1 : -1;
  return GET_Y_LPARAM(point) < (client.bottom - client.top) / 2 ? 1 : -1;
}

// Catches the buddy's Up and Down keys for the arrows; everything else goes on to the buddy.
LRESULT BuddyProcedure(HWND buddy, UINT message, WPARAM wParam, LPARAM lParam) {
  auto previous = reinterpret_cast<WNDPROC>(GetPropW(buddy, kBuddyProcedure));
  auto upDown = reinterpret_cast<HWND>(GetPropW(buddy, kBuddyUpDown));
  if (message == WM_KEYDOWN && (wParam == VK_UP || wParam == VK_DOWN) && upDown && IsWindow(upDown) &&
      IsWindowEnabled(upDown)) {
    SendMessageW(upDown, WM_KEYDOWN, wParam, lParam);
    return 0;
  }
  if (message == WM_NCDESTROY) {
    RemovePropW(buddy, kBuddyProcedure);
    RemovePropW(buddy, kBuddyUpDown);
  }
  return previous ? CallWindowProcW(previous, buddy, message, wParam, lParam)
                  : DefWindowProcW(buddy, message, wParam, lParam);
}

void AttachBuddy(HWND upDown, UpDownState& state, HWND buddy) {
  state.buddy = buddy && IsWindow(buddy) ? buddy : nullptr;
  if (state.buddy == nullptr) return;
  if ((StyleOf(upDown) & UDS_ARROWKEYS) && GetPropW(buddy, kBuddyProcedure) == nullptr) {
    SetPropW(buddy, kBuddyUpDown, upDown);
    SetPropW(buddy, kBuddyProcedure, reinterpret_cast<HANDLE>(GetWindowLongPtrW(buddy, GWLP_WNDPROC)));
    SetWindowLongPtrW(buddy, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BuddyProcedure));
  }
  WriteBuddy(upDown, state);
}

// A small solid triangle pointing up (direction +1) or down, centred in `area`.
void Arrow(HDC dc, RECT area, int direction, bool horizontal, int colour) {
  int centreX = (area.left + area.right) / 2, centreY = (area.top + area.bottom) / 2;
  for (int row = 0; row < 3; ++row) {
    int offset = direction > 0 ? row - 1 : 1 - row;
    if (horizontal) platform::Fill(dc, centreX + offset, centreY - row, centreX + offset + 1, centreY + row + 1, colour);
    else platform::Fill(dc, centreX - row, centreY + offset, centreX + row + 1, centreY + offset + 1, colour);
  }
}

void Paint(HWND upDown, const UpDownState& state) {
  PAINTSTRUCT paint;
  HGDIOBJ oldFont;
  HDC dc = platform::BeginControlPaint(upDown, &paint, &oldFont);
  if (dc == nullptr) return;
  RECT client;
  GetClientRect(upDown, &client);
  bool horizontal = StyleOf(upDown) & UDS_HORZ;
  RECT first = client, second = client;  // first: up (or left), second: down (or right)
  if (horizontal) first.right = second.left = (client.left + client.right) / 2;
  else first.bottom = second.top = (client.top + client.bottom) / 2;
  int colour = IsWindowEnabled(upDown) ? COLOR_BTNTEXT : COLOR_GRAYTEXT;
  for (int arrow : {1, -1}) {
    RECT& area = (arrow == 1) != horizontal ? first : second;
    bool pressed = state.pressed == arrow;
    platform::Fill(dc, area.left, area.top, area.right, area.bottom, COLOR_BTNFACE);
    RECT face = area;
    if (pressed) platform::Frame(dc, face, COLOR_BTNSHADOW, COLOR_BTNSHADOW);
    else DrawEdge(dc, &face, EDGE_RAISED, BF_RECT | BF_SOFT);
    if (pressed) OffsetRect(&area, 1, 1);
    Arrow(dc, area, arrow, horizontal, colour);
  }
  platform::EndControlPaint(upDown, &paint, oldFont);
}

void Release(HWND upDown, UpDownState& state) {
  KillTimer(upDown, kRepeatTimer);
  if (state.pressed == 0) return;
  state.pressed = 0;
  InvalidateRect(upDown, nullptr, FALSE);
  EndScroll(upDown);
}

LRESULT Message(HWND upDown, UpDownState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      // An automatic buddy is the sibling created just before.
      if (create && (create->style & UDS_AUTOBUDDY)) AttachBuddy(upDown, state, GetWindow(upDown, GW_HWNDPREV));
      return 0;
    }
    case UDM_SETRANGE:
      state.maximum = static_cast<SHORT>(LOWORD(lParam));
      state.minimum = static_cast<SHORT>(HIWORD(lParam));
      state.position = Clamped(state, state.position);
      return 0;
    case UDM_GETRANGE:
      return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(state.maximum), static_cast<WORD>(state.minimum)));
    case UDM_SETRANGE32:
      state.minimum = static_cast<int>(wParam);
      state.maximum = static_cast<int>(lParam);
      state.position = Clamped(state, state.position);
      return 0;
    case UDM_GETRANGE32:
      if (wParam) *reinterpret_cast<int*>(wParam) = state.minimum;
      if (lParam) *reinterpret_cast<int*>(lParam) = state.maximum;
      return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
      int previous = state.position;
      SetPosition(upDown, state, message == UDM_SETPOS ? static_cast<SHORT>(LOWORD(lParam)) : static_cast<int>(lParam));
      return previous;
    }
    case UDM_GETPOS: {
      bool error;
      ReadBuddy(upDown, state, &error);
      return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(state.position), error ? 1 : 0));
    }
    case UDM_GETPOS32: {
      bool error;
      ReadBuddy(upDown, state, &error);
      if (lParam) *reinterpret_cast<BOOL*>(lParam) = error ? TRUE : FALSE;
      return state.position;
    }
    case UDM_SETBUDDY: {
      HWND previous = state.buddy;
      AttachBuddy(upDown, state, reinterpret_cast<HWND>(wParam));
      return reinterpret_cast<LRESULT>(previous);
    }
    case UDM_GETBUDDY: return reinterpret_cast<LRESULT>(state.buddy);
    case WM_KEYDOWN:
      if (wParam == VK_UP || wParam == VK_DOWN) {
        Step(upDown, state, wParam == VK_UP ? 1 : -1);
        return 0;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!IsWindowEnabled(upDown)) return 0;
      if (state.buddy && IsWindow(state.buddy)) SetFocus(state.buddy);
      state.pressed = ArrowAt(upDown, lParam);
      SetCapture(upDown);
      Step(upDown, state, state.pressed);
      SetTimer(upDown, kRepeatTimer, kFirstRepeat, nullptr);
      return 0;
    case WM_TIMER:
      if (wParam == kRepeatTimer && state.pressed != 0) {
        Step(upDown, state, state.pressed);
        SetTimer(upDown, kRepeatTimer, kRepeat, nullptr);
      }
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == upDown) ReleaseCapture();
      Release(upDown, state);
      return 0;
    case WM_CAPTURECHANGED: Release(upDown, state); return 0;
    case WM_ENABLE: InvalidateRect(upDown, nullptr, FALSE); return 0;
    case WM_ERASEBKGND: return 1;  // the paint covers the whole control
    case WM_PAINT: Paint(upDown, state); return 0;
    default: break;
  }
  return DefWindowProcW(upDown, message, wParam, lParam);
}

}  // namespace

namespace platform {

LRESULT UpDownProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  return StatefulProcedure<UpDownState, Message>(control, message, wParam, lParam);
}

}  // namespace platform
