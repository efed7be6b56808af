// Window geometry: the fixed frame model (caption and border sizes from the system metrics),
// frame and client rectangles, coordinate mapping, moving and sizing with the messages that
// go with them, showing and hiding, enabling, and the rectangle helpers.
#include <algorithm>

#include "kernel.h"
#include "user_internal.h"

namespace platform {

// The frame is drawn by nobody here, but its size decides where the client area lies, exactly
// as it would with a real frame: a sizing border is SM_CXSIZEFRAME wide, a dialog frame (and
// therefore a caption) SM_CXFIXEDFRAME, a plain border SM_CXBORDER; client and static edges add
// SM_CXEDGE and SM_CXBORDER; the caption adds SM_CYCAPTION (SM_CYSMCAPTION for tool windows).
RECT FrameInsets(DWORD style, DWORD exStyle, bool menu) {
  int border = 0;
  if (style & WS_THICKFRAME) border = GetSystemMetrics(SM_CXSIZEFRAME);
  else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) border = GetSystemMetrics(SM_CXFIXEDFRAME);
  else if (style & WS_BORDER) border = GetSystemMetrics(SM_CXBORDER);
  if (exStyle & WS_EX_CLIENTEDGE) border += GetSystemMetrics(SM_CXEDGE);
  if (exStyle & WS_EX_STATICEDGE) border += GetSystemMetrics(SM_CXBORDER);
  int top = border;
  if ((style & WS_CAPTION) == WS_CAPTION) top += GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
  if (menu) top += GetSystemMetrics(SM_CYMENU);
  return RECT{border, top, border, border};
}

RECT ClientAreaInFrame(const Window& window) {
  RECT insets = FrameInsets(window.style, window.exStyle, false);
  int width = std::max<LONG>(0, (window.rect.right - window.rect.left) - insets.left - insets.right);
  int height = std::max<LONG>(0, (window.rect.bottom - window.rect.top) - insets.top - insets.bottom);
  if (window.style & WS_MINIMIZE) width = height = 0;
  return RECT{insets.left, insets.top, insets.left + width, insets.top + height};
}

RECT ClientRectOf(const Window& window) {
  RECT inFrame = ClientAreaInFrame(window);
  return RECT{0, 0, inFrame.right - inFrame.left, inFrame.bottom - inFrame.top};
}

POINT ClientOriginOnScreen(const Window& window) {
  RECT inFrame = ClientAreaInFrame(window);
  POINT origin{window.rect.left + inFrame.left, window.rect.top + inFrame.top};
  if (window.parent) {
    if (auto parent = WindowFind(window.parent)) {
      POINT parentOrigin = ClientOriginOnScreen(*parent);
      origin.x += parentOrigin.x;
      origin.y += parentOrigin.y;
    }
  }
  return origin;
}

HWND WindowAtPoint(POINT point, bool skipDisabled) {
  for (HWND top : TopLevelWindows()) {
    auto window = WindowFind(top);
    if (!window || !(window->style & WS_VISIBLE) || !PtInRect(&window->rect, point)) continue;
    if (skipDisabled && (window->style & WS_DISABLED)) return nullptr;
    // Descend to the deepest visible child under the point that does not let it through.
    HWND found = top;
    while (true) {
      auto current = WindowFind(found);
      if (!current) return nullptr;
      HWND next = nullptr;
      for (HWND child : current->children) {
        auto record = WindowFind(child);
        RECT frame;
        if (!record || !(record->style & WS_VISIBLE) || (skipDisabled && (record->style & WS_DISABLED))) continue;
        if (!GetWindowRect(child, &frame) || !PtInRect(&frame, point)) continue;
        if (SendMessageW(child, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y)) == HTTRANSPARENT) continue;
        next = child;
        break;
      }
      if (!next) break;
      found = next;
    }
    return found;
  }
  return nullptr;
}

namespace {

bool Reachable(const Window& window) {
  // Visible on screen: this window and every ancestor visible.
  if (!(window.style & WS_VISIBLE)) return false;
  return window.parent == nullptr || IsWindowVisible(window.parent);
}

}  // namespace
}  // namespace platform

using platform::Window;
using platform::WindowFind;

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom) {
  if (!rect) return FALSE;
  *rect = RECT{left, top, right, bottom};
  return TRUE;
}
BOOL SetRectEmpty(RECT* rect) { return SetRect(rect, 0, 0, 0, 0); }
BOOL IsRectEmpty(const RECT* rect) { return !rect || rect->right <= rect->left || rect->bottom <= rect->top; }
BOOL PtInRect(const RECT* rect, POINT point) {
  return rect && point.x >= rect->left && point.x < rect->right && point.y >= rect->top && point.y < rect->bottom;
}
BOOL OffsetRect(RECT* rect, int dx, int dy) {
  if (!rect) return FALSE;
  *rect = RECT{rect->left + dx, rect->top + dy, rect->right + dx, rect->bottom + dy};
  return TRUE;
}
BOOL InflateRect(RECT* rect, int dx, int dy) {
  if (!rect) return FALSE;
  *rect = RECT{rect->left - dx, rect->top - dy, rect->right + dx, rect->bottom + dy};
  return TRUE;
}
BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b) {
  if (!out || !a || !b) return FALSE;
  RECT result{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right), std::min(a->bottom, b->bottom)};
  if (IsRectEmpty(&result)) {
    SetRectEmpty(out);
    return FALSE;
  }
  *out = result;
  return TRUE;
}
BOOL UnionRect(RECT* out, const RECT* a, const RECT* b) {
  if (!out || !a || !b) return FALSE;
  if (IsRectEmpty(a)) *out = *b;
  else if (IsRectEmpty(b)) *out = *a;
  else *out = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right), std::max(a->bottom, b->bottom)};
  return !IsRectEmpty(out);
}
BOOL EqualRect(const RECT* a, const RECT* b) {
  return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}
BOOL CopyRect(RECT* out, const RECT* in) {
  if (!out || !in) return FALSE;
  *out = *in;
  return TRUE;
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle) {
  if (!rect) return FALSE;
  RECT insets = platform::FrameInsets(style, exStyle, menu);
  rect->left -= insets.left;
  rect->top -= insets.top;
  rect->right += insets.right;
  rect->bottom += insets.bottom;
  return TRUE;
}
BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL menu) { return AdjustWindowRectEx(rect, style, menu, 0); }

BOOL GetWindowRect(HWND handle, RECT* rect) {
  auto window = WindowFind(handle);
  if (!window || !rect) return FALSE;
  *rect = window->rect;
  if (window->parent) {
    if (auto parent = WindowFind(window->parent)) {
      POINT origin = platform::ClientOriginOnScreen(*parent);
      OffsetRect(rect, origin.x, origin.y);
    }
  }
  return TRUE;
}

BOOL GetClientRect(HWND handle, RECT* rect) {
  auto window = WindowFind(handle);
  if (!window || !rect) return FALSE;
  *rect = platform::ClientRectOf(*window);
  return TRUE;
}

BOOL ClientToScreen(HWND handle, POINT* point) {
  auto window = WindowFind(handle);
  if (!window || !point) return FALSE;
  POINT origin = platform::ClientOriginOnScreen(*window);
  point->x += origin.x;
  point->y += origin.y;
  return TRUE;
}

BOOL ScreenToClient(HWND handle, POINT* point) {
  auto window = WindowFind(handle);
  if (!window || !point) return FALSE;
  POINT origin = platform::ClientOriginOnScreen(*window);
  point->x -= origin.x;
  point->y -= origin.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  POINT fromOrigin{0, 0}, toOrigin{0, 0};
  if (from && from != GetDesktopWindow()) {
    auto window = WindowFind(from);
    if (!window) return 0;
    fromOrigin = platform::ClientOriginOnScreen(*window);
  }
  if (to && to != GetDesktopWindow()) {
    auto window = WindowFind(to);
    if (!window) return 0;
    toOrigin = platform::ClientOriginOnScreen(*window);
  }
  int dx = fromOrigin.x - toOrigin.x, dy = fromOrigin.y - toOrigin.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  SetLastError(ERROR_SUCCESS);
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

HWND ChildWindowFromPoint(HWND parent, POINT point) {
  auto window = WindowFind(parent);
  if (!window) return nullptr;
  RECT client = platform::ClientRectOf(*window);
  if (!PtInRect(&client, point)) return nullptr;
  for (HWND child : window->children) {
    auto record = WindowFind(child);
    if (record && (record->style & WS_VISIBLE) && PtInRect(&record->rect, point)) return child;
  }
  return parent;
}

HWND WindowFromPoint(POINT point) { return platform::WindowAtPoint(point, false); }

BOOL SetWindowPos(HWND handle, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
  auto window = WindowFind(handle);
  if (!window) return FALSE;
  WINDOWPOS position{handle, insertAfter, x, y, width, height, flags};
  if (flags & SWP_NOMOVE) {
    position.x = window->rect.left;
    position.y = window->rect.top;
  }
  if (flags & SWP_NOSIZE) {
    position.cx = window->rect.right - window->rect.left;
    position.cy = window->rect.bottom - window->rect.top;
  }
  platform::CallProcedure(window, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&position));
  if (!WindowFind(handle)) return FALSE;
  RECT before = window->rect;
  RECT after{position.x, position.y, position.x + std::max(0, position.cx), position.y + std::max(0, position.cy)};
  bool moved = after.left != before.left || after.top != before.top;
  bool sized = (after.right - after.left) != (before.right - before.left) || (after.bottom - after.top) != (before.bottom - before.top);
  {
    std::lock_guard<platform::UserMutex> guard(platform::UserLock());
    window->rect = after;
    if (!(flags & SWP_NOZORDER)) {
      // Entering or leaving the topmost band is recorded in the extended style, as callers
      // read it back from there.
      if (insertAfter == HWND_TOPMOST && !window->parent) window->exStyle |= WS_EX_TOPMOST;
      if (insertAfter == HWND_NOTOPMOST) window->exStyle &= ~WS_EX_TOPMOST;
      std::vector<HWND>* siblings = nullptr;
      std::vector<HWND> topLevel;
      if (window->parent) {
        if (auto parent = WindowFind(window->parent)) siblings = &parent->children;
      }
      if (siblings) {
        auto at = std::find(siblings->begin(), siblings->end(), handle);
        if (at != siblings->end()) {
          siblings->erase(at);
          if (insertAfter == HWND_BOTTOM) siblings->push_back(handle);
          else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) siblings->insert(siblings->begin(), handle);
          else {
            auto after = std::find(siblings->begin(), siblings->end(), insertAfter);
            siblings->insert(after == siblings->end() ? siblings->begin() : after + 1, handle);
          }
        }
      }
    }
  }
  if (sized) platform::PaintResizeBacking(*window);
  if (flags & SWP_SHOWWINDOW) ShowWindow(handle, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  if (flags & SWP_HIDEWINDOW) ShowWindow(handle, SW_HIDE);
  if (!(flags & SWP_NOREDRAW) && (moved || sized)) {
    InvalidateRect(handle, nullptr, TRUE);
    if (window->parent && moved) {
      // The uncovered part of the parent repaints too.
      RECT old = before;
      InvalidateRect(window->parent, &old, TRUE);
    }
  }
  if (!window->parent && (moved || sized)) platform::Backend().WindowMoved(handle, window->rect);
  position.flags = flags | (moved ? 0 : SWP_NOMOVE) | (sized ? 0 : SWP_NOSIZE);
  platform::CallProcedure(window, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&position));
  return TRUE;
}

BOOL MoveWindow(HWND handle, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(handle, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL IsWindowVisible(HWND handle) {
  auto window = WindowFind(handle);
  return window && platform::Reachable(*window);
}

BOOL IsIconic(HWND handle) {
  auto window = WindowFind(handle);
  return window && (window->style & WS_MINIMIZE);
}

BOOL IsZoomed(HWND handle) {
  auto window = WindowFind(handle);
  return window && (window->style & WS_MAXIMIZE);
}

namespace {

void Place(const std::shared_ptr<Window>& window, const RECT& rect, DWORD stateBits) {
  window->style = (window->style & ~(WS_MINIMIZE | WS_MAXIMIZE)) | stateBits;
  SetWindowPos(window->handle, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

BOOL ShowWindow(HWND handle, int command) {
  auto window = WindowFind(handle);
  if (!window) return FALSE;
  bool wasVisible = window->style & WS_VISIBLE;
  bool activate = !window->parent;
  bool show = true;
  switch (command) {
    case SW_HIDE: show = false; break;
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNA:
    case SW_SHOWMINNOACTIVE: activate = false; break;
    default: break;
  }
  if (window->exStyle & WS_EX_NOACTIVATE) activate = false;

  if (!show) {
    if (!wasVisible) return FALSE;
    platform::CallProcedure(window, WM_SHOWWINDOW, FALSE, 0);
    window->style &= ~WS_VISIBLE;
    if (!window->parent) platform::Backend().WindowShown(handle, false);
    if (window->parent) InvalidateRect(window->parent, &window->rect, TRUE);
    if (GetActiveWindow() == handle) {
      // The owner, else the next visible top-level window, becomes active.
      HWND next = window->owner && IsWindowVisible(window->owner) ? window->owner : nullptr;
      for (HWND other : platform::TopLevelWindows()) {
        if (next) break;
        if (other != handle && IsWindowVisible(other)) next = other;
      }
      SetActiveWindow(next);
    }
    HWND focus = GetFocus();
    if (focus && (focus == handle || IsChild(handle, focus))) SetFocus(window->parent ? window->parent : nullptr);
    return TRUE;
  }

  bool sized = false;
  switch (command) {
    case SW_SHOWMAXIMIZED:
      if (!(window->style & WS_MAXIMIZE)) {
        if (!(window->style & WS_MINIMIZE)) window->restoreRect = window->rect;
        RECT full{0, 0, GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)};
        if (window->parent) GetClientRect(window->parent, &full);
        Place(window, full, WS_MAXIMIZE);
        sized = true;
      }
      break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
      if (!(window->style & WS_MINIMIZE)) {
        if (!(window->style & WS_MAXIMIZE)) window->restoreRect = window->rect;
        window->style = (window->style & ~WS_MAXIMIZE) | WS_MINIMIZE;
        platform::CallProcedure(window, WM_SIZE, SIZE_MINIMIZED, 0);
        sized = true;
      }
      if (command == SW_MINIMIZE) activate = false;
      break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
      if (window->style & (WS_MINIMIZE | WS_MAXIMIZE)) {
        Place(window, window->restoreRect, 0);
        sized = true;
      }
      break;
    default: break;
  }
  if (!WindowFind(handle)) return FALSE;
  if (!wasVisible) {
    platform::CallProcedure(window, WM_SHOWWINDOW, TRUE, 0);
    window->style |= WS_VISIBLE;
    InvalidateRect(handle, nullptr, TRUE);
    if (!window->parent) platform::Backend().WindowShown(handle, true);
  }
  // A minimised window keeps its rectangle, so nothing else tells the desktop of it.
  if (sized && !window->parent && (window->style & WS_MINIMIZE)) platform::Backend().WindowMoved(handle, window->rect);
  if (activate && !(window->style & WS_MINIMIZE)) SetActiveWindow(handle);
  return wasVisible;
}

BOOL EnableWindow(HWND handle, BOOL enable) {
  auto window = WindowFind(handle);
  if (!window) return FALSE;
  bool wasDisabled = window->style & WS_DISABLED;
  if (wasDisabled == !enable) return wasDisabled;
  if (enable) window->style &= ~WS_DISABLED;
  else {
    window->style |= WS_DISABLED;
    HWND focus = GetFocus();
    if (focus == handle || IsChild(handle, focus)) SetFocus(nullptr);
    if (GetCapture() == handle) ReleaseCapture();
  }
  platform::CallProcedure(window, WM_ENABLE, enable ? TRUE : FALSE, 0);
  InvalidateRect(handle, nullptr, TRUE);
  if (!window->parent) platform::Backend().WindowEnabled(handle, enable != FALSE);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND handle) {
  auto window = WindowFind(handle);
  return window && !(window->style & WS_DISABLED);
}
