// Input state and its injection: the pointer, the buttons, the keyboard state, focus,
// activation, capture, the cursor and mouse-leave tracking. Input messages are posted to the
// window's queue in arrival order, as the desktop would deliver them.
#include <algorithm>
#include <cassert>
#include <array>
#include <cstdlib>

#include "input.h"
#include "clock.h"
#include "kernel.h"
#include "user_internal.h"

namespace platform {
namespace {

struct InputState {
  POINT pointer{0, 0};
  std::array<BYTE, 256> keys{};      // as injected (GetAsyncKeyState); bit 7 = down
  std::array<BYTE, 256> syncKeys{};  // as of the input messages taken so far (GetKeyState)
  HWND focus = nullptr;
  HWND active = nullptr;
  HWND capture = nullptr;
  HWND tracking = nullptr;  // TrackMouseEvent(TME_LEAVE)
  bool clipped = false;
  RECT clip{};
  HCURSOR cursor = nullptr;
  // The last button press, for double clicks.
  HWND lastClickWindow = nullptr;
  int lastClickButton = -1;
  DWORD lastClickTime = 0;
  POINT lastClickPoint{};
};

InputState g_input;

bool Down(int key) { return g_input.keys[static_cast<size_t>(key) & 0xFF] & 0x80; }
bool SyncDown(int key) { return g_input.syncKeys[static_cast<size_t>(key) & 0xFF] & 0x80; }

void SetKey(std::array<BYTE, 256>& keys, UINT key, bool down) {
  auto apply = [&](UINT k) {
    if (down) keys[k] |= 0x80;
    else keys[k] &= 0x7F;
  };
  apply(key & 0xFF);
  // The generic modifier keys follow their left and right keys.
  if (key == VK_LSHIFT || key == VK_RSHIFT) apply(VK_SHIFT);
  if (key == VK_LCONTROL || key == VK_RCONTROL) apply(VK_CONTROL);
  if (key == VK_LMENU || key == VK_RMENU) apply(VK_MENU);
}

WPARAM MouseKeyFlags() {
  WPARAM flags = 0;
  if (Down(VK_LBUTTON)) flags |= MK_LBUTTON;
  if (Down(VK_RBUTTON)) flags |= MK_RBUTTON;
  if (Down(VK_MBUTTON)) flags |= MK_MBUTTON;
  if (Down(VK_SHIFT)) flags |= MK_SHIFT;
  if (Down(VK_CONTROL)) flags |= MK_CONTROL;
  return flags;
}

// The window under the pointer that takes mouse input: the deepest visible, enabled child that
// does not let the point through; none over a disabled top-level window (a modal owner).
HWND MouseTarget(POINT point) {
  if (g_input.capture && WindowFind(g_input.capture)) return g_input.capture;
  return WindowAtPoint(point, true);
}

LPARAM ClientPoint(HWND window, POINT screen) {
  ScreenToClient(window, &screen);
  return MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y));
}

void EndTracking(HWND except) {
  if (g_input.tracking && g_input.tracking != except) {
    HWND left = g_input.tracking;
    g_input.tracking = nullptr;
    PostInput(left, WM_MOUSELEAVE, 0, 0, g_input.pointer, InputClock());
  }
}

}  // namespace

void InputMessageTaken(const MSG& message) {
  switch (message.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: SetKey(g_input.syncKeys, static_cast<UINT>(message.wParam), true); break;
    case WM_KEYUP:
    case WM_SYSKEYUP: SetKey(g_input.syncKeys, static_cast<UINT>(message.wParam), false); break;
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: SetKey(g_input.syncKeys, VK_LBUTTON, true); break;
    case WM_LBUTTONUP: SetKey(g_input.syncKeys, VK_LBUTTON, false); break;
    case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK: SetKey(g_input.syncKeys, VK_RBUTTON, true); break;
    case WM_RBUTTONUP: SetKey(g_input.syncKeys, VK_RBUTTON, false); break;
    case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK: SetKey(g_input.syncKeys, VK_MBUTTON, true); break;
    case WM_MBUTTONUP: SetKey(g_input.syncKeys, VK_MBUTTON, false); break;
    default: break;
  }
}

void InputForgetWindow(HWND window) {
  if (g_input.capture == window) g_input.capture = nullptr;
  if (g_input.tracking == window) g_input.tracking = nullptr;
  if (g_input.lastClickWindow == window) g_input.lastClickWindow = nullptr;
}

void FocusForgetWindow(HWND window) {
  if (g_input.focus == window) {
    g_input.focus = nullptr;
    if (auto record = WindowFindAny(window)) CallProcedure(record, WM_KILLFOCUS, 0, 0);
  }
  if (g_input.active == window) g_input.active = nullptr;
}

DWORD InputClock() { return GetTickCount(); }
void InputAdvanceClock(DWORD milliseconds) { ClockAdvance(milliseconds); }
void InputFreezeClock(bool frozen) { ClockFreeze(frozen); }

void InputPointerMove(int x, int y) {
  // Anywhere on the desktop's monitors, not only the main one.
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  POINT point{std::clamp(x, left, left + GetSystemMetrics(SM_CXVIRTUALSCREEN) - 1),
              std::clamp(y, top, top + GetSystemMetrics(SM_CYVIRTUALSCREEN) - 1)};
  if (g_input.clipped) {
    point.x = std::clamp<LONG>(point.x, g_input.clip.left, g_input.clip.right - 1);
    point.y = std::clamp<LONG>(point.y, g_input.clip.top, g_input.clip.bottom - 1);
  }
  HWND target = MouseTarget(point);
  if (target && !InputMayReach(target)) return;
  g_input.pointer = point;
  EndTracking(target);
  if (!target) return;
  if (!g_input.capture) SendMessageW(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  PostInput(target, WM_MOUSEMOVE, MouseKeyFlags(), ClientPoint(target, point), point, InputClock());
}

void InputButton(MouseButton button, bool down) {
  static const int kKeys[] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
  static const UINT kDown[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
  int index = static_cast<int>(button);
  POINT point = g_input.pointer;
  HWND target = MouseTarget(point);
  if (target && !InputMayReach(target)) return;
  SetKey(g_input.keys, static_cast<UINT>(kKeys[index]), down);
  if (!target) {
    SetKey(g_input.syncKeys, static_cast<UINT>(kKeys[index]), down);
    return;
  }
  DWORD now = InputClock();
  UINT message = kDown[index] + (down ? 0 : 1);
  if (down) {
    HWND top = TopLevelOf(target);
    if (top && top != g_input.active) {
      LRESULT answer = SendMessageW(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top), MAKELPARAM(HTCLIENT, message));
      if (answer != MA_NOACTIVATE && WindowFind(top)) SetActiveWindow(top);
      if (!WindowFind(target)) return;
    }
    auto record = WindowFind(target);
    bool doubleClick = record && (record->windowClass->style & CS_DBLCLKS) && g_input.lastClickWindow == target &&
                       g_input.lastClickButton == index && now - g_input.lastClickTime <= GetDoubleClickTime() &&
                       std::abs(point.x - g_input.lastClickPoint.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                       std::abs(point.y - g_input.lastClickPoint.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    if (doubleClick) {
      message = kDown[index] + 2;
      g_input.lastClickWindow = nullptr;  // a third click starts over
    } else {
      g_input.lastClickWindow = target;
      g_input.lastClickButton = index;
      g_input.lastClickTime = now;
      g_input.lastClickPoint = point;
    }
  }
  PostInput(target, message, MouseKeyFlags(), ClientPoint(target, point), point, now);
}

void InputWheel(int delta) {
  // The wheel turns what is under the pointer, as desktops do it today (a window need not have
  // the keyboard to be scrolled); away from the program's windows it goes to the focus.
  HWND target = MouseTarget(g_input.pointer);
  if (!target) target = g_input.focus && WindowFind(g_input.focus) ? g_input.focus : g_input.active;
  if (!target || !InputMayReach(target)) return;
  WPARAM wParam = MAKEWPARAM(static_cast<WORD>(MouseKeyFlags()), static_cast<WORD>(static_cast<short>(delta)));
  PostInput(target, WM_MOUSEWHEEL, wParam, MAKELPARAM(static_cast<WORD>(g_input.pointer.x), static_cast<WORD>(g_input.pointer.y)),
            g_input.pointer, InputClock());
}

void InputKeyEvent(const KeyEvent& key) {
  UINT virtualKey = key.virtualKey & 0xFF;
  bool wasDown = Down(static_cast<int>(virtualKey)) || key.repeat;
  HWND target = g_input.focus && WindowFind(g_input.focus) ? g_input.focus : g_input.active;
  if (target && !InputMayReach(target)) return;
  SetKey(g_input.keys, virtualKey, key.down);
  bool alt = Down(VK_MENU);
  bool system = alt && !Down(VK_CONTROL);
  if (!target) {
    SetKey(g_input.syncKeys, virtualKey, key.down);  // no message carries it: it counts at once
    return;
  }
  UINT message = system ? (key.down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (key.down ? WM_KEYDOWN : WM_KEYUP);
  // Key messages name the generic modifier; the key state keeps left and right apart.
  if (virtualKey == VK_LSHIFT || virtualKey == VK_RSHIFT) virtualKey = VK_SHIFT;
  if (virtualKey == VK_LCONTROL || virtualKey == VK_RCONTROL) virtualKey = VK_CONTROL;
  if (virtualKey == VK_LMENU || virtualKey == VK_RMENU) virtualKey = VK_MENU;
  LPARAM lParam = 1 | (static_cast<LPARAM>(key.scanCode & 0xFF) << 16) | ((key.scanCode & 0x100) ? (1 << 24) : 0) |
                  (key.textFollows ? kKeyTextFollows : 0) | (alt ? (1 << 29) : 0) | (wasDown ? (1 << 30) : 0) |
                  (key.down ? 0 : (1u << 31));
  PostInput(target, message, virtualKey, lParam, g_input.pointer, InputClock());
}

void InputKey(UINT virtualKey, bool down) { InputKeyEvent(KeyEvent{virtualKey, 0, down, false, false}); }

void InputText(const char16_t* text) {
  HWND target = g_input.focus && WindowFind(g_input.focus) ? g_input.focus : g_input.active;
  if (!target || text == nullptr || !InputMayReach(target)) return;
  for (; *text; ++text) PostInput(target, WM_CHAR, *text, 1, g_input.pointer, InputClock());
}

void InputWindowActivated(HWND window, bool active) {
  if (!InputMayReach(window)) return;
  HWND top = TopLevelOf(window);
  if (active) {
    // A disabled window (the owner of an open requester) is not activated by a click on its frame.
    if (IsWindowEnabled(top)) SetActiveWindow(top);
  } else if (GetActiveWindow() == top) {
    // Another program took the keyboard: the window deactivates and its focus goes with it.
    SetActiveWindow(nullptr);
  }
}

bool InputMayReach(HWND window) {
  auto record = WindowFind(window);
  if (!record) return false;
  bool here = record->thread == GetCurrentThreadId();
  assert(here && "input is injected on the thread that owns its windows");
  return here;
}

void InputCloseRequest(HWND window) {
  if (!InputMayReach(window)) return;
  PostInput(window, WM_SYSCOMMAND, SC_CLOSE, MAKELPARAM(g_input.pointer.x, g_input.pointer.y), g_input.pointer, InputClock());
}

void InputWindowState(HWND window, int showCommand) {
  if (!InputMayReach(window) || GetAncestor(window, GA_ROOT) != window) return;
  const bool minimised = IsIconic(window), maximised = IsZoomed(window);
  if (showCommand == SW_MINIMIZE && !minimised) ShowWindow(window, SW_MINIMIZE);
  if (showCommand == SW_MAXIMIZE && !maximised) ShowWindow(window, SW_MAXIMIZE);
  if (showCommand == SW_RESTORE && (minimised || maximised)) ShowWindow(window, SW_RESTORE);
}

void InputPointerLeft() { EndTracking(nullptr); }

void InputModifiersHeld(bool shift, bool control, bool alt) {
  const std::pair<UINT, bool> held[] = {{VK_SHIFT, shift}, {VK_CONTROL, control}, {VK_MENU, alt}};
  for (auto [key, down] : held) {
    if (Down(static_cast<int>(key)) == down) continue;
    SetKey(g_input.keys, key, down);
    SetKey(g_input.syncKeys, key, down);
    // A release also releases whichever side was held.
    if (!down) {
      for (UINT side : {key == VK_SHIFT ? VK_LSHIFT : key == VK_CONTROL ? VK_LCONTROL : VK_LMENU,
                        key == VK_SHIFT ? VK_RSHIFT : key == VK_CONTROL ? VK_RCONTROL : VK_RMENU}) {
        SetKey(g_input.keys, side, false);
        SetKey(g_input.syncKeys, side, false);
      }
    }
  }
}

void InputResize(HWND handle, int outerWidth, int outerHeight) {
  if (!InputMayReach(handle)) return;
  MINMAXINFO limits{};
  DefWindowProcW(handle, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  SendMessageW(handle, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  int width = std::clamp<int>(outerWidth, limits.ptMinTrackSize.x, std::max(limits.ptMinTrackSize.x, limits.ptMaxTrackSize.x));
  int height = std::clamp<int>(outerHeight, limits.ptMinTrackSize.y, std::max(limits.ptMinTrackSize.y, limits.ptMaxTrackSize.y));
  SetWindowPos(handle, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void InputMoveWindow(HWND handle, int x, int y) {
  if (!InputMayReach(handle)) return;
  SetWindowPos(handle, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void InputClick(int x, int y, MouseButton button) {
  InputPointerMove(x, y);
  InputButton(button, true);
  InputButton(button, false);
}

void InputDoubleClick(int x, int y, MouseButton button) {
  InputClick(x, y, button);
  InputClick(x, y, button);
}

void InputKeyPress(UINT virtualKey) {
  InputKey(virtualKey, true);
  InputKey(virtualKey, false);
}

int PumpMessages() {
  int count = 0;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));  // leave it for the real loop
      break;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
    ++count;
  }
  return count;
}

}  // namespace platform

using platform::g_input;
using platform::WindowFind;

HWND GetFocus() { return g_input.focus && WindowFind(g_input.focus) ? g_input.focus : nullptr; }

HWND SetFocus(HWND handle) {
  HWND old = GetFocus();
  if (handle == nullptr) {
    g_input.focus = nullptr;
    if (old) SendMessageW(old, WM_KILLFOCUS, 0, 0);
    return old;
  }
  auto window = WindowFind(handle);
  if (!window) return nullptr;
  HWND top = platform::TopLevelOf(handle);
  if (top != g_input.active) {
    SetActiveWindow(top);
    if (!WindowFind(handle)) return nullptr;
    old = GetFocus();
  }
  if (old == handle) return old;
  if (old) SendMessageW(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(handle), 0);
  if (!WindowFind(handle)) return nullptr;
  g_input.focus = handle;
  SendMessageW(handle, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND GetActiveWindow() { return g_input.active && WindowFind(g_input.active) ? g_input.active : nullptr; }

HWND SetActiveWindow(HWND handle) {
  HWND old = GetActiveWindow();
  if (handle) {
    auto window = WindowFind(handle);
    if (!window) return nullptr;
    handle = platform::TopLevelOf(handle);
  }
  if (old == handle) return old;
  if (old) {
    SendMessageW(old, WM_NCACTIVATE, FALSE, 0);
    SendMessageW(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(old)), reinterpret_cast<LPARAM>(handle));
    if (WindowFind(old)) platform::Backend().WindowActivated(old, false);
  }
  g_input.active = handle && WindowFind(handle) ? handle : nullptr;
  if (g_input.active) {
    SetWindowPos(handle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
    SendMessageW(handle, WM_NCACTIVATE, TRUE, 0);
    SendMessageW(handle, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, IsIconic(handle)), reinterpret_cast<LPARAM>(old));
    if (WindowFind(handle)) platform::Backend().WindowActivated(handle, true);
  }
  // Focus never stays in a window that is no longer active.
  HWND focus = GetFocus();
  if (focus && platform::TopLevelOf(focus) != g_input.active) SetFocus(nullptr);
  return old;
}

BOOL SetForegroundWindow(HWND handle) {
  if (!WindowFind(handle)) return FALSE;
  SetActiveWindow(handle);
  return TRUE;
}

HWND GetForegroundWindow() { return GetActiveWindow(); }

HWND GetCapture() { return g_input.capture && WindowFind(g_input.capture) ? g_input.capture : nullptr; }

HWND SetCapture(HWND handle) {
  HWND old = GetCapture();
  if (!WindowFind(handle)) return old;
  g_input.capture = handle;
  if (old != handle) platform::Backend().CaptureChanged(handle);
  if (old && old != handle) SendMessageW(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(handle));
  return old;
}

BOOL ReleaseCapture() {
  HWND old = GetCapture();
  g_input.capture = nullptr;
  if (old) platform::Backend().CaptureChanged(nullptr);
  if (old) SendMessageW(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

BOOL ClipCursor(const RECT* rect) {
  bool changed = (rect != nullptr) != g_input.clipped || (rect && !EqualRect(rect, &g_input.clip));
  g_input.clipped = rect != nullptr;
  if (rect) g_input.clip = *rect;
  if (changed) platform::Backend().CursorConfined(rect ? &g_input.clip : nullptr);
  return TRUE;
}

BOOL GetCursorPos(POINT* point) {
  if (!point) return FALSE;
  *point = g_input.pointer;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  platform::InputPointerMove(x, y);
  return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old = g_input.cursor;
  g_input.cursor = cursor;
  // Handlers set the cursor at every pointer move; the desktop hears only of real changes.
  if (cursor != old) platform::Backend().CursorChanged(cursor);
  return old;
}

HCURSOR GetCursor() { return g_input.cursor; }

// GetKeyState answers as of the input messages taken so far, as a handler expects; the
// asynchronous state is what was injected last.
SHORT GetKeyState(int virtualKey) { return platform::SyncDown(virtualKey) ? static_cast<SHORT>(0x8000) : 0; }
SHORT GetAsyncKeyState(int virtualKey) { return platform::Down(virtualKey) ? static_cast<SHORT>(0x8000) : 0; }
UINT GetDoubleClickTime() { return 500; }

BOOL TrackMouseEvent(TRACKMOUSEEVENT* track) {
  if (track == nullptr || track->cbSize != sizeof(TRACKMOUSEEVENT)) return FALSE;
  if (track->dwFlags & TME_CANCEL) {
    if (g_input.tracking == track->hwndTrack) g_input.tracking = nullptr;
    return TRUE;
  }
  if (!(track->dwFlags & TME_LEAVE) || !WindowFind(track->hwndTrack)) return FALSE;
  g_input.tracking = track->hwndTrack;
  // Already outside: the leave message comes at once, as Windows does it.
  POINT point = g_input.pointer;
  if (platform::MouseTarget(point) != track->hwndTrack) platform::EndTracking(nullptr);
  return TRUE;
}

HCURSOR LoadCursorW(HINSTANCE, LPCWSTR name) {
  // The system cursors are fixed pseudo-handles: the display backend maps them to its own shapes.
  auto id = reinterpret_cast<uintptr_t>(name);
  if (id < 32512 || id > 32651) return nullptr;
  static HICON__ cursors[140];
  return &cursors[id - 32512];
}

HICON LoadIconW(HINSTANCE, LPCWSTR name) {
  auto id = reinterpret_cast<uintptr_t>(name);
  static HICON__ icons[10];
  if (id == 1 || id == 32512) return &icons[id == 1 ? 0 : 1];  // the program's icon, the default icon
  return nullptr;
}
