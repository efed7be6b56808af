// Window classes and windows: registration, creation and destruction with the message sequence
// window procedures rely on, the default window procedure, properties, texts, the window tree,
// window longs and geometry. Handles are counters that are never reused, so a destroyed
// window's handle can never come to name another window.
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include <unistd.h>

#include "display/display.h"
#include "kernel.h"
#include "user_internal.h"

namespace platform {
namespace {

std::unordered_map<uintptr_t, std::shared_ptr<Window>> g_windows;
std::vector<HWND> g_topLevel;  // topmost first
std::vector<std::shared_ptr<WindowClass>> g_classes;
uintptr_t g_nextWindow = 0x10000;
int g_defaultPlacement = 0;

char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool SameName(const std::u16string& a, LPCWSTR b) {
  size_t i = 0;
  for (; i < a.size(); ++i) {
    if (b[i] == 0 || Fold(a[i]) != Fold(b[i])) return false;
  }
  return b[i] == 0;
}

bool IsAtom(LPCWSTR name) { return reinterpret_cast<uintptr_t>(name) < 0x10000; }

std::shared_ptr<WindowClass> FindClass(LPCWSTR name) {
  if (name == nullptr) return nullptr;
  for (auto& windowClass : g_classes) {
    if (!windowClass) continue;
    if (IsAtom(name) ? reinterpret_cast<uintptr_t>(name) == static_cast<uintptr_t>(&windowClass - &g_classes[0] + 0xC000)
                     : SameName(windowClass->name, name)) {
      return windowClass;
    }
  }
  return nullptr;
}

std::u16string FoldedName(LPCWSTR name) {
  std::u16string folded;
  for (; name && *name; ++name) folded += Fold(*name);
  return folded;
}

void RemoveFrom(std::vector<HWND>& list, HWND handle) { list.erase(std::remove(list.begin(), list.end(), handle), list.end()); }

// Children of a window (or the top-level list), topmost first.
std::vector<HWND> Siblings(HWND parent) {
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  if (parent == nullptr) return g_topLevel;
  auto window = WindowFind(parent);
  return window ? window->children : std::vector<HWND>{};
}

// Pre-order walk over a window's descendants (z-order within each level).
void CollectDescendants(HWND parent, std::vector<HWND>& out) {
  for (HWND child : Siblings(parent)) {
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

std::recursive_mutex& UserLock() {
  static std::recursive_mutex* lock = new std::recursive_mutex;  // outlives static destructors
  return *lock;
}

std::shared_ptr<Window> WindowFindAny(HWND handle) {
  std::lock_guard<std::recursive_mutex> guard(UserLock());
  auto it = g_windows.find(reinterpret_cast<uintptr_t>(handle));
  return it == g_windows.end() ? nullptr : it->second;
}

std::shared_ptr<Window> WindowFind(HWND handle) {
  auto window = WindowFindAny(handle);
  return window && !window->destroyed ? window : nullptr;
}

std::vector<HWND> TopLevelWindows() {
  std::lock_guard<std::recursive_mutex> guard(UserLock());
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

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass) {
  if (windowClass == nullptr || windowClass->lpszClassName == nullptr || windowClass->lpfnWndProc == nullptr ||
      platform::IsAtom(windowClass->lpszClassName) || windowClass->lpszClassName[0] == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<std::recursive_mutex> guard(platform::UserLock());
  if (platform::FindClass(windowClass->lpszClassName)) {
    SetLastError(1410);  // ERROR_CLASS_ALREADY_EXISTS
    return 0;
  }
  auto record = std::make_shared<WindowClass>();
  record->name = windowClass->lpszClassName;
  record->style = windowClass->style;
  record->procedure = windowClass->lpfnWndProc;
  record->classExtra = std::max(0, windowClass->cbClsExtra);
  record->windowExtra = std::max(0, windowClass->cbWndExtra);
  record->instance = windowClass->hInstance;
  record->icon = windowClass->hIcon;
  record->cursor = windowClass->hCursor;
  record->background = windowClass->hbrBackground;
  // Slots are reused, so an atom is its slot number past 0xC000.
  for (size_t i = 0; i < platform::g_classes.size(); ++i) {
    if (!platform::g_classes[i]) {
      platform::g_classes[i] = record;
      return static_cast<ATOM>(0xC000 + i);
    }
  }
  platform::g_classes.push_back(record);
  return static_cast<ATOM>(0xC000 + platform::g_classes.size() - 1);
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
  std::lock_guard<std::recursive_mutex> guard(platform::UserLock());
  auto record = platform::FindClass(className);
  if (!record || record->system || record->windows > 0) {
    // A class with live windows stays, as on Windows.
    SetLastError(record ? 1412 : 1411);  // ERROR_CLASS_HAS_WINDOWS : ERROR_CLASS_DOES_NOT_EXIST
    return FALSE;
  }
  for (auto& slot : platform::g_classes) {
    if (slot == record) slot.reset();
  }
  // Keep the list free of trailing holes so that atoms of live classes stay stable.
  while (!platform::g_classes.empty() && !platform::g_classes.back()) platform::g_classes.pop_back();
  return TRUE;
}

BOOL GetClassInfoExW(HINSTANCE, LPCWSTR className, WNDCLASSEXW* out) {
  std::lock_guard<std::recursive_mutex> guard(platform::UserLock());
  auto record = platform::FindClass(className);
  if (!record || out == nullptr) {
    SetLastError(1411);
    return FALSE;
  }
  *out = WNDCLASSEXW{sizeof(WNDCLASSEXW), record->style, record->procedure, record->classExtra, record->windowExtra,
                     record->instance, record->icon, record->cursor, record->background, nullptr, className, record->icon};
  return TRUE;
}

int GetClassNameW(HWND handle, LPWSTR out, int maxCount) {
  auto window = WindowFind(handle);
  if (!window || out == nullptr || maxCount <= 0) return 0;
  int count = std::min<int>(static_cast<int>(window->windowClass->name.size()), maxCount - 1);
  std::memcpy(out, window->windowClass->name.data(), static_cast<size_t>(count) * 2);
  out[count] = 0;
  return count;
}

ULONG_PTR GetClassLongPtrW(HWND handle, int index) {
  auto window = WindowFind(handle);
  if (!window) return 0;
  switch (index) {
    case GCLP_HBRBACKGROUND: return reinterpret_cast<ULONG_PTR>(window->windowClass->background);
    case GCLP_HCURSOR: return reinterpret_cast<ULONG_PTR>(window->windowClass->cursor);
    case GCLP_HICON: return reinterpret_cast<ULONG_PTR>(window->windowClass->icon);
    case GCLP_WNDPROC: return reinterpret_cast<ULONG_PTR>(window->windowClass->procedure);
    case GCL_STYLE: return window->windowClass->style;
    default: return 0;
  }
}

ULONG_PTR SetClassLongPtrW(HWND handle, int index, LONG_PTR value) {
  auto window = WindowFind(handle);
  if (!window) return 0;
  ULONG_PTR old = GetClassLongPtrW(handle, index);
  switch (index) {
    case GCLP_HBRBACKGROUND: window->windowClass->background = reinterpret_cast<HBRUSH>(value); break;
    case GCLP_HCURSOR: window->windowClass->cursor = reinterpret_cast<HCURSOR>(value); break;
    case GCLP_HICON: window->windowClass->icon = reinterpret_cast<HICON>(value); break;
    case GCL_STYLE: window->windowClass->style = static_cast<UINT>(value); break;
    default: return 0;
  }
  return old;
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  std::shared_ptr<Window> window;
  {
    std::lock_guard<std::recursive_mutex> guard(platform::UserLock());
    auto windowClass = platform::FindClass(className);
    if (!windowClass) {
      SetLastError(1407);  // ERROR_CANNOT_FIND_WND_CLASS
      return nullptr;
    }
    bool child = style & WS_CHILD;
    std::shared_ptr<Window> parentWindow = parent && parent != HWND_MESSAGE ? WindowFind(parent) : nullptr;
    if (child && !parentWindow) {
      SetLastError(1406);  // ERROR_TLW_WITH_WSCHILD: a child needs a live parent
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
    SetLastError(1400);  // ERROR_INVALID_WINDOW_HANDLE
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
    std::lock_guard<std::recursive_mutex> guard(platform::UserLock());
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
  return TRUE;
}

BOOL IsWindow(HWND handle) { return WindowFind(handle) != nullptr; }

LRESULT CallWindowProcW(WNDPROC procedure, HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (procedure == nullptr) return 0;
  return procedure(handle, message, wParam, lParam);
}

namespace {

LONG_PTR* WindowLongSlot(Window& window, int index) {
  switch (index) {
    case GWLP_ID: return &window.id;
    case GWLP_USERDATA: return &window.userData;
    default: return nullptr;
  }
}

}  // namespace

LONG_PTR GetWindowLongPtrW(HWND handle, int index) {
  auto window = WindowFind(handle);
  if (!window) {
    SetLastError(1400);
    return 0;
  }
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(window->procedure);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(window->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(window->parent ? window->parent : window->owner);
    case GWL_STYLE: return static_cast<LONG>(window->style);
    case GWL_EXSTYLE: return static_cast<LONG>(window->exStyle);
    default: break;
  }
  if (LONG_PTR* slot = WindowLongSlot(*window, index)) return *slot;
  if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= window->extra.size()) {
    LONG_PTR value;
    std::memcpy(&value, window->extra.data() + index, sizeof value);
    return value;
  }
  SetLastError(1413);  // ERROR_INVALID_INDEX
  return 0;
}

LONG_PTR SetWindowLongPtrW(HWND handle, int index, LONG_PTR value) {
  auto window = WindowFind(handle);
  if (!window) {
    SetLastError(1400);
    return 0;
  }
  LONG_PTR old = GetWindowLongPtrW(handle, index);
  switch (index) {
    case GWLP_WNDPROC:
      if (value == 0) return 0;  // a window without a procedure could not take another message
      window->procedure = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_HWNDPARENT:
      if (!window->parent) window->owner = reinterpret_cast<HWND>(value);
      return old;
    case GWL_STYLE: {
      // Visibility changes go through ShowWindow; the style bit follows what is shown.
      DWORD visible = window->style & WS_VISIBLE;
      window->style = (static_cast<DWORD>(value) & ~WS_VISIBLE) | visible;
      return old;
    }
    case GWL_EXSTYLE: window->exStyle = static_cast<DWORD>(value); return old;
    default: break;
  }
  if (LONG_PTR* slot = WindowLongSlot(*window, index)) {
    *slot = value;
    return old;
  }
  if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= window->extra.size()) {
    std::memcpy(window->extra.data() + index, &value, sizeof value);
    return old;
  }
  SetLastError(1413);
  return 0;
}

LONG GetWindowLongW(HWND handle, int index) { return static_cast<LONG>(GetWindowLongPtrW(handle, index)); }
LONG SetWindowLongW(HWND handle, int index, LONG value) { return static_cast<LONG>(SetWindowLongPtrW(handle, index, value)); }

BOOL SetPropW(HWND handle, LPCWSTR name, HANDLE value) {
  auto window = WindowFind(handle);
  if (!window || name == nullptr) return FALSE;
  window->properties[platform::FoldedName(name)] = value;
  return TRUE;
}

HANDLE GetPropW(HWND handle, LPCWSTR name) {
  auto window = WindowFind(handle);
  if (!window || name == nullptr) return nullptr;
  auto it = window->properties.find(platform::FoldedName(name));
  return it == window->properties.end() ? nullptr : it->second;
}

HANDLE RemovePropW(HWND handle, LPCWSTR name) {
  auto window = platform::WindowFindAny(handle);  // WM_NCDESTROY handlers remove their properties
  if (!window || name == nullptr) return nullptr;
  auto it = window->properties.find(platform::FoldedName(name));
  if (it == window->properties.end()) return nullptr;
  HANDLE value = it->second;
  window->properties.erase(it);
  return value;
}

int GetWindowTextW(HWND handle, LPWSTR out, int maxCount) {
  if (out == nullptr || maxCount <= 0) return 0;
  out[0] = 0;
  if (!WindowFind(handle)) return 0;
  return static_cast<int>(SendMessageW(handle, WM_GETTEXT, static_cast<WPARAM>(maxCount), reinterpret_cast<LPARAM>(out)));
}

int GetWindowTextLengthW(HWND handle) {
  if (!WindowFind(handle)) return 0;
  return static_cast<int>(SendMessageW(handle, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetWindowTextW(HWND handle, LPCWSTR text) {
  if (!WindowFind(handle)) return FALSE;
  return static_cast<BOOL>(SendMessageW(handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
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
  std::lock_guard<std::recursive_mutex> guard(platform::UserLock());
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
  std::vector<HWND> siblings = platform::Siblings(window->parent);
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
  for (HWND child : platform::Siblings(parent)) {
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

// ---- the default window procedure ----

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
    case WM_SETTEXT:
      window->text = lParam ? reinterpret_cast<LPCWSTR>(lParam) : u"";
      if (!window->parent) platform::Display().WindowTitleChanged(handle);
      return TRUE;
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
      for (HWND child : platform::Siblings(handle)) SendMessageW(child, WM_UPDATEUISTATE, wParam, lParam);
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
