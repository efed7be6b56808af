// Window classes: registration, lookup by name (case ignored) or atom, and the class longs. An
// atom is the class's slot number past 0xC000; slots are reused once a class is unregistered.
#include <algorithm>
#include <cstring>

#include "kernel.h"
#include "user_internal.h"

namespace platform {
namespace {

std::vector<std::shared_ptr<WindowClass>> g_classes;

char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool SameName(const std::u16string& a, LPCWSTR b) {
  size_t i = 0;
  for (; i < a.size(); ++i) {
    if (b[i] == 0 || Fold(a[i]) != Fold(b[i])) return false;
  }
  return b[i] == 0;
}

bool IsAtom(LPCWSTR name) { return reinterpret_cast<uintptr_t>(name) < 0x10000; }

}  // namespace

std::shared_ptr<WindowClass> ClassFind(LPCWSTR name) {
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

std::u16string NameFolded(LPCWSTR name) {
  std::u16string folded;
  for (; name && *name; ++name) folded += Fold(*name);
  return folded;
}

}  // namespace platform

using platform::WindowClass;
using platform::WindowFind;

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass) {
  if (windowClass == nullptr || windowClass->lpszClassName == nullptr || windowClass->lpfnWndProc == nullptr ||
      platform::IsAtom(windowClass->lpszClassName) || windowClass->lpszClassName[0] == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<platform::UserMutex> guard(platform::UserLock());
  if (platform::ClassFind(windowClass->lpszClassName)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
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
  std::lock_guard<platform::UserMutex> guard(platform::UserLock());
  auto record = platform::ClassFind(className);
  if (!record || record->system || record->windows > 0) {
    // A class with live windows stays, as on Windows.
    SetLastError(record ? ERROR_CLASS_HAS_WINDOWS : ERROR_CLASS_DOES_NOT_EXIST);
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
  std::lock_guard<platform::UserMutex> guard(platform::UserLock());
  auto record = platform::ClassFind(className);
  if (!record || out == nullptr) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
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
