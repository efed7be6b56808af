// The shared window procedure that turns window messages into queued events, the event wait
// that feeds it, and keyboard navigation between gadgets with Tab and Shift+Tab.
#include <string>
#include <vector>

#include "core/constants.h"
#include "core/registry.h"
#include "gadget.h"
#include "kernel.h"
#include "window.h"
#include "window_internal.h"

namespace {

bool ClassStartsWith(HWND window, const char16_t* prefix) {
  WCHAR name[64];
  int length = GetClassNameW(window, name, 64);
  std::u16string className(name, static_cast<size_t>(length));
  return className.rfind(prefix, 0) == 0;
}

// Shows or hides the focus rectangles and accelerator underlines of a window's controls.
void KeyboardCues(HWND window, bool show) {
  if (window) SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(show ? UIS_CLEAR : UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

void Post(int64_t code, int64_t object, int64_t window, int64_t type = 0) { EventPost(code, object, window, type); }

// The accelerator table that applies to a message: the active runtime window's, unless the
// focused control needs the keys itself.
HACCEL ShortcutTableOfActiveWindow() {
  HWND active = GetActiveWindow();
  if (active == nullptr) return nullptr;
  bool modifier = GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_MENU) < 0;
  if (modifier) KeyboardCues(active, true);
  HWND focus = GetFocus();
  if (focus) {
    bool tabOnly = GetKeyState(VK_TAB) < 0 && !modifier;
    if (tabOnly && ClassStartsWith(focus, u"Rich") && !(GetWindowLongPtrW(focus, GWL_STYLE) & 0x0800 /* read-only */)) return nullptr;
    if (GetPropW(focus, u"CV_Hotkey")) return nullptr;
  }
  DWORD process = 0;
  GetWindowThreadProcessId(active, &process);
  if (process != GetCurrentProcessId()) return nullptr;
  HANDLE id = GetPropW(active, u"CV_WindowID");
  if (id == nullptr) return nullptr;
  WindowRecord* record = WindowIsValid(static_cast<int64_t>(reinterpret_cast<uintptr_t>(id)) - 1);
  return record ? record->shortcutTable : nullptr;
}

struct Candidates {
  std::vector<HWND> windows;
};

BOOL CollectTabStop(HWND window, LPARAM param) {
  auto style = GetWindowLongPtrW(window, GWL_STYLE);
  if ((style & WS_TABSTOP) && IsWindowEnabled(window) && IsWindowVisible(window)) {
    reinterpret_cast<Candidates*>(param)->windows.push_back(window);
  }
  return TRUE;
}

}  // namespace

void WindowFocusNext(bool forward) {
  HWND root = GetActiveWindow();
  if (root == nullptr) return;
  HWND anchor = nullptr;
  HWND focus = GetFocus();
  if (focus && IsChild(root, focus)) {
    anchor = focus;
    for (HWND at = focus; at && at != root; at = GetParent(at)) {
      if (ClassStartsWith(at, u"SysIPAddress32")) anchor = at;
      if (ClassStartsWith(at, u"ComboBoxEx32") && (GetWindowLongPtrW(at, GWL_STYLE) & 1)) anchor = at;
    }
  }
  Candidates candidates;
  EnumChildWindows(root, CollectTabStop, reinterpret_cast<LPARAM>(&candidates));
  std::vector<HWND>& list = candidates.windows;
  if (list.empty()) return;
  size_t at = list.size();
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i] == anchor) at = i;
  }
  HWND target;
  if (forward) target = (at == list.size() || at + 1 == list.size()) ? list.front() : list[at + 1];
  else target = (at == list.size() || at == 0) ? list.back() : list[at - 1];
  SetFocus(target);
}

LRESULT WindowProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  int64_t number = WindowNumberOf(handle);
  WindowRecord* record = number == -1 ? nullptr : WindowIsValid(number);
  WindowCallback callback = record && record->callback ? record->callback
                            : g_windowLibrary.state  ? g_windowLibrary.state->fallbackCallback
                                                     : nullptr;
  if (callback) {
    LRESULT result = callback(handle, message, wParam, lParam);
    if (result != CV_ContinueDefault) return result;
  }
  bool self = record && record->handle == handle;
  LRESULT result = CV_NotHandled;
  switch (message) {
    case WM_MOVE:
      if (self && record->ready) Post(EC_MOVE_WINDOW, number, number);
      result = 0;
      break;
    case WM_SIZE:
      if (!self) {
        result = 1;
        break;
      }
      if (!record->ready) break;
      if (wParam == SIZE_MINIMIZED) {
        record->minimisedOrMaximised = 1;
        Post(EC_MINIMIZE, 0, number);
      } else if (wParam == SIZE_MAXIMIZED) {
        record->minimisedOrMaximised = 1;
        Post(EC_MAXIMIZE, 0, number);
        Post(EC_SIZE_WINDOW, 0, number);
      } else if (wParam == SIZE_RESTORED) {
        if (record->minimisedOrMaximised) {
          record->minimisedOrMaximised = 0;
          Post(EC_RESTORE, 0, number);
        }
        // At most one size event waits: the newest size is all the program needs.
        EventPurge(EC_SIZE_WINDOW, -1, number, -1);
        Post(EC_SIZE_WINDOW, 0, number);
      } else {
        EventPurge(EC_SIZE_WINDOW, -1, number, -1);
        Post(EC_SIZE_WINDOW, 0, number);
      }
      result = 0;
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) {
        HWND saved = static_cast<HWND>(GetPropW(handle, u"CV_Focus"));
        if (saved && IsWindow(saved) && IsChild(handle, saved)) SetFocus(saved);
        Post(EC_ACTIVATE, 0, number);
      } else {
        HWND focus = GetFocus();
        if (focus && IsChild(handle, focus)) SetPropW(handle, u"CV_Focus", focus);
        KeyboardCues(handle, false);
        Post(EC_DEACTIVATE, 0, number);
      }
      result = 1;
      break;
    case WM_CLOSE:
      if (self) Post(EC_CLOSE_WINDOW, number, number);
      result = 0;
      break;
    case WM_ERASEBKGND:
      if (record && record->backgroundBrush) {
        RECT client;
        GetClientRect(handle, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, record->backgroundBrush);
        result = 1;
      } else if (self && record->eraseRoutine) {
        result = record->eraseRoutine(reinterpret_cast<HDC>(wParam), handle);
      }
      Post(EC_REPAINT, 0, number);
      break;
    case WM_SYSCOLORCHANGE:
      if (!record || !record->mdiClient) {
        for (HWND child = GetWindow(handle, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
          SendMessageW(child, WM_SYSCOLORCHANGE, wParam, lParam);
        }
      }
      break;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      if (record && info) {
        bool tool = GetWindowLongPtrW(handle, GWL_EXSTYLE) & WS_EX_TOOLWINDOW;
        if (record->minimumWidth) info->ptMinTrackSize.x = record->minimumWidth;
        else if (tool) info->ptMinTrackSize.x = 1;
        if (record->minimumHeight) info->ptMinTrackSize.y = record->minimumHeight;
        if (record->maximumWidth) info->ptMaxTrackSize.x = record->maximumWidth;
        if (record->maximumHeight) info->ptMaxTrackSize.y = record->maximumHeight;
        result = 0;
      }
      break;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header) result = GadgetForwardMessage(header->hwndFrom, handle, message, wParam, lParam);
      break;
    }
    case WM_NCDESTROY:
      RemovePropW(handle, u"CV_Focus");
      result = 1;
      break;
    case WM_COMMAND: {
      HWND control = reinterpret_cast<HWND>(lParam);
      if (control) {
        result = GadgetForwardMessage(control, handle, message, wParam, lParam);
        if (result == CV_NotHandled) {
          int id = GetDlgCtrlID(control);
          if (id == -10000) Post(EC_MENU, LOWORD(wParam), number);
          else Post(EC_GADGET, static_cast<int64_t>(GetWindowLongPtrW(control, GWLP_ID)), number, HIWORD(wParam));
        }
      } else if (HIWORD(wParam) == 0) {
        Post(EC_MENU, static_cast<int64_t>(wParam), number);
      } else if (LOWORD(wParam) == kCommandFocusNext) {
        WindowFocusNext(true);
      } else if (LOWORD(wParam) == kCommandFocusPrevious) {
        WindowFocusNext(false);
      } else {
        Post(EC_MENU, LOWORD(wParam), number);
      }
      result = 0;
      break;
    }
    case WM_TIMER:
      if (record) Post(EC_TIMER, static_cast<int64_t>(wParam), number);
      result = 0;
      break;
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case MSG_GADGET_FORWARD:
      if (lParam) result = GadgetForwardMessage(reinterpret_cast<HWND>(lParam), handle, message, wParam, lParam);
      break;
    case WM_LBUTTONUP: Post(EC_LEFT_CLICK, 0, number); result = 0; break;
    case WM_LBUTTONDBLCLK: Post(EC_LEFT_DOUBLE_CLICK, 0, number); result = 0; break;
    case WM_RBUTTONUP: Post(EC_RIGHT_CLICK, 0, number); result = 0; break;
    case MSG_SYSTRAY_CALLBACK: {
      int64_t type = lParam == WM_LBUTTONDOWN ? 0 : lParam == WM_RBUTTONDOWN ? 1 : lParam == WM_LBUTTONDBLCLK ? 2 : lParam == WM_RBUTTONDBLCLK ? 3 : -1;
      if (type >= 0) Post(EC_SYSTRAY, static_cast<int64_t>(wParam), number, type);
      PostMessageW(handle, WM_NULL, 0, 0);
      result = 0;
      break;
    }
    default: break;
  }
  if (result == CV_NotHandled) return DefWindowProcW(handle, message, wParam, lParam);
  return result;
}

int64_t WindowWaitEvent(int64_t timeout) {
  int64_t code = EventNext();
  WindowState* state = g_windowLibrary.state;
  if (code != 0) {
    if (state) state->wParam = state->lParam = state->wParamCopy = state->lParamCopy = 0;
    return code;
  }
  MSG message{};
  if (timeout == -1) {
    if (GetMessageW(&message, nullptr, 0, 0) == 0) return message.message;  // WM_QUIT
  } else if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (timeout == 0) return 0;
    DWORD waited = MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(timeout), QS_ALLINPUT | QS_ALLPOSTMESSAGE);
    if (waited == WAIT_TIMEOUT || !PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return 0;
  }
  HACCEL table = ShortcutTableOfActiveWindow();
  if (g_windowLibrary.preDispatchHook && g_windowLibrary.preDispatchHook(message.message, message.wParam, message.lParam)) {
    // consumed by the hook
  } else if (table && TranslateAcceleratorW(GetActiveWindow(), table, &message)) {
    KeyboardCues(GetActiveWindow(), true);
  } else {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (state) {
    state->wParam = state->wParamCopy = message.wParam;
    state->lParam = state->lParamCopy = message.lParam;
  }
  return static_cast<int64_t>(static_cast<int32_t>(message.message));
}

int64_t WindowPollEvent() { return WindowWaitEvent(0); }

int64_t WindowEventWParam() { return g_windowLibrary.state ? static_cast<int64_t>(g_windowLibrary.state->wParam) : 0; }
int64_t WindowEventLParam() { return g_windowLibrary.state ? static_cast<int64_t>(g_windowLibrary.state->lParam) : 0; }
