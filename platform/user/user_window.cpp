// Windows: the table of live windows, creation and destruction with the message sequence window
// procedures rely on, and the window tree (parents, owners, children, enumeration). Handles are counters that are never reused, so a destroyed
// window's handle can never come to name another window.
#include <algorithm>
#include <cassert>
#include <cstring>
#include <unordered_map>

#include <unistd.h>

#include "kernel.h"
#include "user_internal.h"

namespace platform {
namespace {

std::unordered_map<uintptr_t, std::shared_ptr<Window>> g_windows;
std::vector<HWND> g_topLevel;  // topmost first
uintptr_t g_nextWindow = 0x10000;
int g_defaultPlacement = 0;

void RemoveFrom(std::vector<HWND>& list, HWND handle) { list.erase(std::remove(list.begin(), list.end(), handle), list.end()); }

// Pre-order walk over a window's descendants (z-order within each level).
void CollectDescendants(HWND parent, std::vector<HWND>& out) {
  for (HWND child : ChildrenOf(parent)) {
    out.push_back(child);
    CollectDescendants(child, out);
  }
}

void SendSizeAndMove(const std::shared_ptr<Window>& window) {
  RECT client = ClientRectOf(*window);
  WPARAM kind = (window->style & WS_MINIMIZE) ? SIZE_MINIMIZED : (window->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
  CallProcedure(window, WM_SIZE, kind, MAKELPARAM(client.right, client.bottom));
  RECT inFrame = ClientAreaInFrame(*window);
  CallProcedure(window, WM_MOVE, 0, MAKELPARAM(window->rect.left + inFrame.left, window->rect.top + inFrame.top));
}

}  // namespace

std::vector<HWND> ChildrenOf(HWND parent) {
  std::lock_guard<UserMutex> guard(UserLock());
  if (parent == nullptr) return g_topLevel;
  auto window = WindowFind(parent);
  return window ? window->children : std::vector<HWND>{};
}

namespace {
thread_local int t_userLockDepth = 0;
}  // namespace

void UserMutex::lock() {
  mutex_.lock();
  ++t_userLockDepth;
}

void UserMutex::unlock() {
  --t_userLockDepth;
  mutex_.unlock();
}

bool UserMutex::HeldByThisThread() const { return t_userLockDepth > 0; }

UserMutex& UserLock() {
  static UserMutex* lock = new UserMutex;  // outlives static destructors
  return *lock;
}

DisplayBackend& Backend() {
  // A backend may call back into the platform from any callback; with the lock held here that
  // would deadlock another thread or see half-changed tables.
  assert(!UserLock().HeldByThisThread());
  return Display();
}

std::shared_ptr<Window> WindowFindAny(HWND handle) {
  std::lock_guard<UserMutex> guard(UserLock());
  auto it = g_windows.find(reinterpret_cast<uintptr_t>(handle));
  return it == g_windows.end() ? nullptr : it->second;
}

std::shared_ptr<Window> WindowFind(HWND handle) {
  auto window = WindowFindAny(handle);
  return window && !window->destroyed ? window : nullptr;
}

std::vector<HWND> TopLevelWindows() {
  std::lock_guard<UserMutex> guard(UserLock());
  return g_topLevel;
}

HWND TopLevelOf(HWND handle) {
  auto window = WindowFind(handle);
  while (window && window->parent) {
    auto parent = WindowFind(window->parent);
    if (!parent) break;
    window = parent;
  }
  return window ? window->handle : nullptr;
}

LRESULT CallProcedure(const std::shared_ptr<Window>& window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!window || window->procedure == nullptr) return 0;
  // The shared pointer keeps the record alive even when the procedure destroys its window.
  std::shared_ptr<Window> keep = window;
  return window->procedure(window->handle, message, wParam, lParam);
}

}  // namespace platform

using platform::Window;
using platform::WindowClass;
using platform::WindowFind;

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  std::shared_ptr<Window> window;
  {
    std::lock_guard<platform::UserMutex> guard(platform::UserLock());
    auto windowClass = platform::ClassFind(className);
    if (!windowClass) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    bool child = style & WS_CHILD;
    std::shared_ptr<Window> parentWindow = parent && parent != HWND_MESSAGE ? WindowFind(parent) : nullptr;
    if (child && !parentWindow) {
      SetLastError(ERROR_TLW_WITH_WSCHILD);  // a child needs a live parent
      return nullptr;
    }
    window = std::make_shared<Window>();
    window->windowClass = windowClass;
    window->procedure = windowClass->procedure;
    window->style = style & ~WS_VISIBLE;
    window->exStyle = exStyle;
    window->instance = instance;
    window->thread = GetCurrentThreadId();
    window->extra.assign(static_cast<size_t>(windowClass->windowExtra), 0);
    window->text = windowName ? windowName : u"";
    if (child) {
      window->parent = parent;
      window->id = reinterpret_cast<LONG_PTR>(menu);
    } else if (parentWindow) {
      window->owner = platform::TopLevelOf(parent);  // owners are always top-level windows
    }
    // Default placement: cascade from the top-left corner; default size: three quarters of the screen.
    if (x == CW_USEDEFAULT) {
      int step = 26 * (platform::g_defaultPlacement++ % 10);
      x = child ? 0 : step;
      y = child ? 0 : step;
    }
    if (width == CW_USEDEFAULT) {
      width = child ? 0 : GetSystemMetrics(SM_CXSCREEN) * 3 / 4;
      height = child ? 0 : GetSystemMetrics(SM_CYSCREEN) * 3 / 4;
    }
    window->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
    platform::g_nextWindow += 2;
    window->handle = reinterpret_cast<HWND>(platform::g_nextWindow);
    platform::g_windows[platform::g_nextWindow] = window;
    if (child) parentWindow->children.push_back(window->handle);
    else platform::g_topLevel.insert(platform::g_topLevel.begin(), window->handle);
    ++windowClass->windows;
  }
  HWND handle = window->handle;
  CREATESTRUCTW create{param, instance, menu, parent, height, width, y, x, static_cast<LONG>(style), windowName, className, exStyle};
  if (!platform::CallProcedure(window, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)) || !WindowFind(handle)) {
    DestroyWindow(handle);
    return nullptr;
  }
  window->created = true;
  if (platform::CallProcedure(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1 || !WindowFind(handle)) {
    DestroyWindow(handle);
    return nullptr;
  }
  platform::PaintResizeBacking(*window);
  platform::SendSizeAndMove(window);
  if (!WindowFind(handle)) return nullptr;
  if (style & WS_VISIBLE) {
    int command = (style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : (style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : SW_SHOW;
    if (window->parent || (exStyle & WS_EX_NOACTIVATE)) command = SW_SHOWNA;
    ShowWindow(handle, command);
  }
  return WindowFind(handle) ? handle : nullptr;
}

BOOL DestroyWindow(HWND handle) {
  auto window = WindowFind(handle);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (window->destroying) return TRUE;  // already on its way out (a procedure destroying itself)
  window->destroying = true;

  // Owned top-level windows go first, as their owner is about to disappear.
  for (HWND other : platform::TopLevelWindows()) {
    auto owned = WindowFind(other);
    if (owned && owned->owner == handle) DestroyWindow(other);
  }
  if (window->style & WS_VISIBLE) ShowWindow(handle, SW_HIDE);

  std::vector<HWND> family{handle};
  platform::CollectDescendants(handle, family);
  for (HWND member : family) {
    auto record = platform::WindowFindAny(member);
    if (!record) continue;
    record->destroying = true;
    platform::FocusForgetWindow(member);
    platform::InputForgetWindow(member);
    platform::TimersForgetWindow(member);
  }
  // WM_DESTROY from the window down, then WM_NCDESTROY from the innermost children up.
  for (HWND member : family) {
    auto record = platform::WindowFindAny(member);
    if (record && record->created) platform::CallProcedure(record, WM_DESTROY, 0, 0);
  }
  for (auto it = family.rbegin(); it != family.rend(); ++it) {
    auto record = platform::WindowFindAny(*it);
    if (!record || record->destroyed) continue;
    if (record->created) platform::CallProcedure(record, WM_NCDESTROY, 0, 0);
    {
      std::lock_guard<platform::UserMutex> guard(platform::UserLock());
      record->destroyed = true;
      platform::PaintForgetWindow(*record);
      if (record->parent) {
        if (auto parent = platform::WindowFindAny(record->parent)) platform::RemoveFrom(parent->children, *it);
      } else {
        platform::RemoveFrom(platform::g_topLevel, *it);
      }
      --record->windowClass->windows;
      platform::g_windows.erase(reinterpret_cast<uintptr_t>(*it));
    }
    if (!record->parent) platform::Backend().WindowDestroyed(*it);
  }
  return TRUE;
}

HWND GetParent(HWND handle) {
  auto window = WindowFind(handle);
  if (!window) return nullptr;
  return window->parent ? window->parent : window->owner;
}

HWND SetParent(HWND child, HWND newParent) {
  auto window = WindowFind(child);
  auto parent = WindowFind(newParent);
  if (!window || (newParent && !parent) || child == newParent || (newParent && IsChild(child, newParent))) return nullptr;
  std::lock_guard<platform::UserMutex> guard(platform::UserLock());
  HWND old = window->parent;
  if (old) {
    if (auto oldParent = WindowFind(old)) platform::RemoveFrom(oldParent->children, child);
  } else {
    platform::RemoveFrom(platform::g_topLevel, child);
  }
  window->parent = newParent;
  if (parent) {
    parent->children.insert(parent->children.begin(), child);
    window->style = (window->style | WS_CHILD) & ~WS_POPUP;
  } else {
    platform::g_topLevel.insert(platform::g_topLevel.begin(), child);
    window->style &= ~WS_CHILD;
  }
  platform::PaintResizeBacking(*window);
  return old ? old : GetDesktopWindow();
}

HWND GetDesktopWindow() {
  static HWND__ desktop{};
  return &desktop;
}

HWND GetWindow(HWND handle, UINT relation) {
  auto window = WindowFind(handle);
  if (!window) return nullptr;
  if (relation == GW_OWNER) return window->owner;
  if (relation == GW_CHILD) return window->children.empty() ? nullptr : window->children.front();
  std::vector<HWND> siblings = platform::ChildrenOf(window->parent);
  auto at = std::find(siblings.begin(), siblings.end(), handle);
  if (at == siblings.end()) return nullptr;
  switch (relation) {
    case GW_HWNDFIRST: return siblings.front();
    case GW_HWNDLAST: return siblings.back();
    case GW_HWNDNEXT: return at + 1 == siblings.end() ? nullptr : *(at + 1);
    case GW_HWNDPREV: return at == siblings.begin() ? nullptr : *(at - 1);
    default: return nullptr;
  }
}

HWND GetAncestor(HWND handle, UINT flags) {
  auto window = WindowFind(handle);
  if (!window) return nullptr;
  switch (flags) {
    case GA_PARENT: return window->parent ? window->parent : GetDesktopWindow();
    case GA_ROOT: return platform::TopLevelOf(handle);
    case GA_ROOTOWNER: {
      HWND root = platform::TopLevelOf(handle);
      for (auto top = WindowFind(root); top && top->owner; top = WindowFind(top->owner)) root = top->owner;
      return root;
    }
    default: return nullptr;
  }
}

BOOL IsChild(HWND parent, HWND handle) {
  for (auto window = WindowFind(handle); window && window->parent; window = WindowFind(window->parent)) {
    if (window->parent == parent) return TRUE;
  }
  return FALSE;
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC callback, LPARAM param) {
  if (callback == nullptr) return FALSE;
  std::vector<HWND> all;
  platform::CollectDescendants(parent, all);
  for (HWND child : all) {
    // A window destroyed by an earlier callback is skipped, never handed out.
    if (WindowFind(child) && !callback(child, param)) return FALSE;
  }
  return TRUE;
}

BOOL EnumWindows(WNDENUMPROC callback, LPARAM param) {
  if (callback == nullptr) return FALSE;
  for (HWND window : platform::TopLevelWindows()) {
    if (WindowFind(window) && !callback(window, param)) return FALSE;
  }
  return TRUE;
}

HWND GetDlgItem(HWND parent, int id) {
  for (HWND child : platform::ChildrenOf(parent)) {
    auto window = WindowFind(child);
    if (window && static_cast<int>(window->id) == id) return child;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND handle) {
  auto window = WindowFind(handle);
  return window && window->parent ? static_cast<int>(window->id) : 0;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }

DWORD GetWindowThreadProcessId(HWND handle, DWORD* processId) {
  auto window = WindowFind(handle);
  if (!window) return 0;
  if (processId) *processId = GetCurrentProcessId();
  return window->thread;
}

namespace platform::testing {

bool UserLockHeld() { return platform::UserLock().HeldByThisThread(); }

}  // namespace platform::testing
