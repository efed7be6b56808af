// The default window procedure: what a window does with the messages its own procedure leaves,
// from keeping its text and font to erasing with the class brush, hit testing, the system
// commands and the keyboard cues state.
#include <algorithm>
#include <cstring>

#include "kernel.h"
#include "user_internal.h"

using platform::Window;
using platform::WindowFind;

namespace {

BOOL EraseWithClassBrush(const std::shared_ptr<Window>& window, HDC dc) {
  HBRUSH brush = window->windowClass->background;
  if (brush == nullptr || dc == nullptr) return FALSE;
  // A small value is a system colour index + 1, as a class may name its background that way.
  if (reinterpret_cast<uintptr_t>(brush) <= COLOR_MENUBAR + 1) {
    brush = GetSysColorBrush(static_cast<int>(reinterpret_cast<uintptr_t>(brush) - 1));
  }
  RECT client = platform::ClientRectOf(*window);
  FillRect(dc, &client, brush);
  return TRUE;
}

}  // namespace

LRESULT DefWindowProcW(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  auto window = WindowFind(handle);
  if (!window) return 0;
  switch (message) {
    case WM_NCCREATE: {
      auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      if (create && create->lpszName) window->text = create->lpszName;
      return TRUE;
    }
    case WM_CLOSE: DestroyWindow(handle); return 0;
    case WM_SETTEXT: {
      std::u16string text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"";
      if (text == window->text) return TRUE;
      window->text = std::move(text);
      if (!window->parent) platform::Backend().WindowTitleChanged(handle, window->text);
      return TRUE;
    }
    case WM_GETTEXT: {
      auto* out = reinterpret_cast<LPWSTR>(lParam);
      if (out == nullptr || wParam == 0) return 0;
      size_t count = std::min(window->text.size(), static_cast<size_t>(wParam) - 1);
      std::memcpy(out, window->text.data(), count * 2);
      out[count] = 0;
      return static_cast<LRESULT>(count);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(window->text.size());
    case WM_SETFONT:
      window->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) InvalidateRect(handle, nullptr, TRUE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(window->font);
    case WM_ERASEBKGND: return EraseWithClassBrush(window, reinterpret_cast<HDC>(wParam));
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(handle, &paint);
      EndPaint(handle, &paint);
      return 0;
    }
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE: SendMessageW(handle, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: ShowWindow(handle, SW_MINIMIZE); break;
        case SC_MAXIMIZE: ShowWindow(handle, SW_MAXIMIZE); break;
        case SC_RESTORE: ShowWindow(handle, SW_RESTORE); break;
        default: break;
      }
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4 && !window->parent) SendMessageW(handle, WM_SYSCOMMAND, SC_CLOSE, 0);
      else if (window->parent) return SendMessageW(window->parent, message, wParam, lParam);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !(window->style & WS_MINIMIZE)) SetFocus(handle);
      return 0;
    case WM_MOUSEACTIVATE:
      if (window->parent) {
        LRESULT parentAnswer = SendMessageW(window->parent, message, wParam, lParam);
        if (parentAnswer) return parentAnswer;
      }
      return MA_ACTIVATE;
    case WM_SETCURSOR:
      if (window->parent && SendMessageW(window->parent, message, wParam, lParam)) return TRUE;
      if (LOWORD(lParam) == HTCLIENT && window->windowClass->cursor) {
        SetCursor(window->windowClass->cursor);
        return TRUE;
      }
      return FALSE;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      // An unhandled wheel message goes on up to the parent, so that scrolling over a control
      // still reaches the window that scrolls.
      if (window->parent) return SendMessageW(window->parent, message, wParam, lParam);
      return 0;
    case WM_NCHITTEST: {
      POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      RECT frame;
      GetWindowRect(handle, &frame);
      if (!PtInRect(&frame, point)) return HTNOWHERE;
      ScreenToClient(handle, &point);
      RECT client = platform::ClientRectOf(*window);
      if (PtInRect(&client, point)) return HTCLIENT;
      return point.y < 0 && (window->style & WS_CAPTION) == WS_CAPTION ? HTCAPTION : HTBORDER;
    }
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      if (info) {
        info->ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
        info->ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
        info->ptMaxSize = POINT{GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)};
      }
      return 0;
    }
    case WM_WINDOWPOSCHANGED: {
      auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (position && !(position->flags & SWP_NOSIZE)) {
        RECT client = platform::ClientRectOf(*window);
        WPARAM kind = (window->style & WS_MINIMIZE) ? SIZE_MINIMIZED : (window->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
        SendMessageW(handle, WM_SIZE, kind, MAKELPARAM(client.right, client.bottom));
      }
      if (position && !(position->flags & SWP_NOMOVE) && WindowFind(handle)) {
        RECT inFrame = platform::ClientAreaInFrame(*window);
        SendMessageW(handle, WM_MOVE, 0, MAKELPARAM(window->rect.left + inFrame.left, window->rect.top + inFrame.top));
      }
      return 0;
    }
    case WM_CHANGEUISTATE:
    case WM_UPDATEUISTATE: {
      UINT bits = HIWORD(wParam) & (UISF_HIDEFOCUS | UISF_HIDEACCEL);
      if (LOWORD(wParam) == UIS_SET) window->uiState |= bits;
      else if (LOWORD(wParam) == UIS_CLEAR) window->uiState &= ~bits;
      else if (LOWORD(wParam) == UIS_INITIALIZE) window->uiState = bits;
      // A change request climbs to the top-level window, which then updates its whole tree.
      if (message == WM_CHANGEUISTATE && window->parent) return SendMessageW(window->parent, message, wParam, lParam);
      if (message == WM_CHANGEUISTATE) message = WM_UPDATEUISTATE;
      for (HWND child : platform::ChildrenOf(handle)) SendMessageW(child, WM_UPDATEUISTATE, wParam, lParam);
      return 0;
    }
    case WM_QUERYUISTATE: return window->uiState;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    default: return 0;
  }
}
