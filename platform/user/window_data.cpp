// What a window holds for its program: the window longs (procedure, styles, id, user data and
// the class's extra bytes), properties by name (case ignored) and the window text.
#include <cstring>

#include "kernel.h"
#include "user_internal.h"

using platform::Window;
using platform::WindowFind;

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
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
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
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}

LONG_PTR SetWindowLongPtrW(HWND handle, int index, LONG_PTR value) {
  auto window = WindowFind(handle);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LONG_PTR old = GetWindowLongPtrW(handle, index);
  switch (index) {
    case GWLP_WNDPROC:
      if (value == 0) return 0;  // a window without a procedure could not take another message
      window->procedure = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_HWNDPARENT:
      if (!window->parent && window->owner != reinterpret_cast<HWND>(value)) {
        window->owner = reinterpret_cast<HWND>(value);
        platform::Backend().WindowOwnerChanged(handle, window->owner);
      }
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
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}

LONG GetWindowLongW(HWND handle, int index) { return static_cast<LONG>(GetWindowLongPtrW(handle, index)); }

LONG SetWindowLongW(HWND handle, int index, LONG value) { return static_cast<LONG>(SetWindowLongPtrW(handle, index, value)); }

BOOL SetPropW(HWND handle, LPCWSTR name, HANDLE value) {
  auto window = WindowFind(handle);
  if (!window || name == nullptr) return FALSE;
  window->properties[platform::NameFolded(name)] = value;
  return TRUE;
}

HANDLE GetPropW(HWND handle, LPCWSTR name) {
  auto window = WindowFind(handle);
  if (!window || name == nullptr) return nullptr;
  auto it = window->properties.find(platform::NameFolded(name));
  return it == window->properties.end() ? nullptr : it->second;
}

HANDLE RemovePropW(HWND handle, LPCWSTR name) {
  auto window = platform::WindowFindAny(handle);  // WM_NCDESTROY handlers remove their properties
  if (!window || name == nullptr) return nullptr;
  auto it = window->properties.find(platform::NameFolded(name));
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
