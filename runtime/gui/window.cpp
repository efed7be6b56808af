// Windows: the registry of numbered top-level windows, opening with the style computation,
// centring and frame correction, closing, sizes and positions in inner and outer terms,
// resizing, hiding and activation.
#include "window.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/constants.h"
#include "core/heap.h"
#include "core/library_state.h"
#include "core/registry.h"
#include "gadget.h"
#include "kernel.h"
#include "text.h"
#include "window_internal.h"

WindowLibrary g_windowLibrary;

namespace {

constexpr int64_t kLowFlagBits = 7;  // the centring and tool flags are not window styles

std::u16string ClassNameFor(int64_t number) {
  char name[48];
  std::snprintf(name, sizeof name, "WindowClass_%lld", static_cast<long long>(number));
  return std::u16string(name, name + std::char_traits<char>::length(name));
}

bool HasSizingCaption(DWORD style) { return (style & WS_CAPTION) == WS_CAPTION && (style & WS_THICKFRAME); }

int64_t NumberOf(WindowRecord* record, int64_t number) {
  return number == CV_Any ? static_cast<int64_t>(reinterpret_cast<uintptr_t>(record)) : number;
}

void Centre(HWND handle, int64_t flags, HWND reference) {
  RECT frame;
  if (!GetWindowRect(handle, &frame)) return;
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  int x, y;
  if (flags & CV_Window_ScreenCentered) {
    int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    width = std::min(width, screenWidth);
    height = std::min(height, screenHeight);
    x = (screenWidth - width) / 2;
    y = (screenHeight - height) / 2;
  } else if (flags & CV_Window_WindowCentered) {
    if (reference == nullptr || reference == handle) reference = GetActiveWindow();
    RECT area;
    if (reference && reference != handle && GetWindowRect(reference, &area)) {
      x = std::max<int>(0, area.left + ((area.right - area.left) - width) / 2);
      y = std::max<int>(0, area.top + ((area.bottom - area.top) - height) / 2);
    } else {
      // Nothing to centre on: the screen stands in for the missing reference window.
      x = (GetSystemMetrics(SM_CXSCREEN) - std::min(width, GetSystemMetrics(SM_CXSCREEN))) / 2;
      y = (GetSystemMetrics(SM_CYSCREEN) - std::min(height, GetSystemMetrics(SM_CYSCREEN))) / 2;
    }
  } else {
    return;
  }
  SetWindowPos(handle, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int ShowCommandFor(DWORD style, bool noActivate) {
  if (style & kWindowOpenMaximized) return noActivate ? SW_SHOWNA : SW_SHOWMAXIMIZED;
  if (style & kWindowOpenMinimized) return noActivate ? SW_SHOWMINNOACTIVE : SW_SHOWMINIMIZED;
  return noActivate ? SW_SHOWNOACTIVATE : SW_SHOWNORMAL;
}

// The free routine of the window registry.
void WindowFree(int64_t number) { WindowClose(number); }

}  // namespace

int64_t WindowFrameCorrection() {
  if (!g_windowLibrary.frameCorrectionKnown) {
    g_windowLibrary.frameCorrectionKnown = true;
    g_windowLibrary.frameCorrection = 0;
    if (HMODULE dwm = LoadLibraryW(u"dwmapi.dll")) {
      using Query = HRESULT (*)(BOOL*);
      if (auto query = reinterpret_cast<Query>(GetProcAddress(dwm, "DwmIsCompositionEnabled"))) {
        BOOL enabled = FALSE;
        if (SUCCEEDED(query(&enabled)) && enabled) g_windowLibrary.frameCorrection = 5;
      }
      FreeLibrary(dwm);
    }
    // The display's pixel density against the 96 dots per inch layouts are written for.
    if (HDC screen = CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr)) {
      g_windowLibrary.dpiScaleX = GetDeviceCaps(screen, LOGPIXELSX) / 96.0;
      g_windowLibrary.dpiScaleY = GetDeviceCaps(screen, LOGPIXELSY) / 96.0;
      DeleteDC(screen);
    }
  }
  return g_windowLibrary.frameCorrection;
}

void WindowInit() {
  if (g_windowLibrary.registry) return;
  g_windowLibrary.registry = ObjectRegistryCreate(sizeof(WindowRecord), 16, WindowFree);
  g_windowLibrary.state = static_cast<WindowState*>(LibraryStateNew(sizeof(WindowState), nullptr, nullptr));
  g_windowLibrary.secondState = LibraryStateNew(64, nullptr, nullptr);
  g_windowLibrary.icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  g_windowLibrary.cursor = LoadCursorW(nullptr, IDC_ARROW);
}

void WindowShutdown() {
  if (g_windowLibrary.registry == nullptr) return;
  WindowClose(-1);
  if (g_windowLibrary.icon) DestroyIcon(g_windowLibrary.icon);
  ObjectRegistryDestroy(g_windowLibrary.registry);
  g_windowLibrary = WindowLibrary{};
}

WindowRecord* WindowIsValid(int64_t number) {
  return static_cast<WindowRecord*>(ObjectGet(g_windowLibrary.registry, number));
}

int64_t WindowHandle(int64_t number) {
  WindowRecord* record = WindowIsValid(number);
  return record ? static_cast<int64_t>(reinterpret_cast<uintptr_t>(record->handle)) : 0;
}

int64_t WindowNumberOf(HWND handle) {
  for (HWND at = handle; at; at = (GetWindowLongPtrW(at, GWL_STYLE) & WS_CHILD) ? GetParent(at) : nullptr) {
    HANDLE id = GetPropW(at, u"CV_WindowID");
    if (id) return static_cast<int64_t>(reinterpret_cast<uintptr_t>(id)) - 1;
  }
  return -1;
}

int64_t WindowOpen(int64_t number, int64_t x, int64_t y, int64_t width, int64_t height, const char16_t* title,
                   int64_t flags, int64_t parent) {
  if (g_windowLibrary.registry == nullptr || (number < 0 && number != CV_Any)) return 0;
  auto* record = static_cast<WindowRecord*>(ObjectNew(g_windowLibrary.registry, number));
  if (record == nullptr) return 0;
  int64_t id = NumberOf(record, number);
  std::u16string className = ClassNameFor(id);

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hIcon = g_windowLibrary.icon;
  windowClass.hCursor = g_windowLibrary.cursor;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = className.c_str();
  RegisterClassExW(&windowClass);

  int64_t style = flags & ~CV_Window_NoGadgets;
  if ((style & ~(CV_Window_ScreenCentered | CV_Window_WindowCentered | CV_Window_Invisible)) == 0) style |= CV_Window_TitleBar;
  bool visible = !(style & CV_Window_Invisible);
  style &= ~CV_Window_Invisible;
  bool noActivate = style & CV_Window_NoActivate;
  DWORD exStyle = 0;
  if (style & CV_Window_Tool) {
    style &= ~(int64_t{WS_MINIMIZEBOX} | WS_MAXIMIZEBOX | kWindowOpenMaximized | kWindowOpenMinimized);
    style |= WS_CAPTION;
    exStyle = WS_EX_TOOLWINDOW;
  }
  DWORD windowStyle = static_cast<DWORD>(style & ~kLowFlagBits);
  RECT outer{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
  AdjustWindowRectEx(&outer, windowStyle, FALSE, exStyle);

  int left, top;
  bool centring = flags & (CV_Window_ScreenCentered | CV_Window_WindowCentered);
  if (x == CV_Keep || (y == CV_Keep && !centring)) {
    left = top = CW_USEDEFAULT;
  } else {
    left = static_cast<int>(x);
    top = y == CV_Keep ? 0 : static_cast<int>(y);
    if (HasSizingCaption(windowStyle)) left -= static_cast<int>(WindowFrameCorrection());
  }
  HWND owner = reinterpret_cast<HWND>(static_cast<uintptr_t>(parent));
  // The state bits decide how the window is shown below; they are not part of its creation style.
  DWORD createStyle = windowStyle & ~static_cast<DWORD>(CV_Window_NoActivate | kWindowOpenMaximized | kWindowOpenMinimized);
  HWND handle = CreateWindowExW(exStyle, className.c_str(), title ? title : u"", createStyle, left, top,
                                outer.right - outer.left, outer.bottom - outer.top, IsWindow(owner) ? owner : nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  if (handle == nullptr) {
    UnregisterClassW(className.c_str(), GetModuleHandleW(nullptr));
    ObjectRelease(g_windowLibrary.registry, id);
    return 0;
  }
  record->handle = handle;
  record->ready = 0;
  SetPropW(handle, u"CV_WindowID", reinterpret_cast<HANDLE>(static_cast<uintptr_t>(id + 1)));
  if (centring) Centre(handle, flags, owner);
  if (visible) ShowWindow(handle, ShowCommandFor(windowStyle, noActivate));

  static const ACCEL kTabShortcuts[2] = {{FVIRTKEY | FNOINVERT, VK_TAB, kCommandFocusNext},
                                         {FVIRTKEY | FNOINVERT | FSHIFT, VK_TAB, kCommandFocusPrevious}};
  record->shortcutCount = 2;
  record->minimisedOrMaximised = (windowStyle & (kWindowOpenMaximized | kWindowOpenMinimized)) ? 1 : 0;
  record->shortcutEntries = static_cast<ACCEL*>(MainHeapAlloc(sizeof kTabShortcuts));
  if (record->shortcutEntries) std::copy(kTabShortcuts, kTabShortcuts + 2, record->shortcutEntries);
  record->shortcutTable = CreateAcceleratorTableW(kTabShortcuts, 2);
  record->mdiClient = nullptr;
  if (!(flags & CV_Window_NoGadgets)) GadgetListUse(handle);
  record->ready = 1;
  return number == CV_Any ? id : static_cast<int64_t>(reinterpret_cast<uintptr_t>(handle));
}

void WindowClose(int64_t number) {
  if (number == -1) {
    ObjectFreeAll(g_windowLibrary.registry);
    return;
  }
  WindowRecord* record = WindowIsValid(number);
  if (record == nullptr) return;
  HWND handle = record->handle;
  EventUnbindWindow(number);
  HWND owner = GetWindow(handle, GW_OWNER);
  if (owner && !record->mdiClient) SetActiveWindow(owner);
  RemovePropW(handle, u"CV_WindowID");
  if (GetPropW(handle, u"CV_DropAccept")) RemovePropW(handle, u"CV_DropAccept");
  if (record->mdiClient) {
    DestroyWindow(handle);  // an MDI child goes through its client; there is no MDI client here
  } else {
    DestroyWindow(handle);
    UnregisterClassW(ClassNameFor(number).c_str(), GetModuleHandleW(nullptr));
  }
  MainHeapFree(record->shortcutEntries);
  if (record->shortcutTable) DestroyAcceleratorTable(record->shortcutTable);
  if (record->backgroundBrush) DeleteObject(record->backgroundBrush);
  EventPurge(-1, -1, number, -1);
  ObjectRelease(g_windowLibrary.registry, number);
}

int64_t WindowGetWidth(int64_t number, int64_t mode) {
  WindowRecord* record = WindowIsValid(number);
  if (record == nullptr) return 0;
  RECT rect{};
  if (!((mode & 1) ? GetClientRect(record->handle, &rect) : GetWindowRect(record->handle, &rect))) return 0;
  return rect.right - rect.left;
}

int64_t WindowGetHeight(int64_t number, int64_t mode) {
  WindowRecord* record = WindowIsValid(number);
  if (record == nullptr) return 0;
  RECT rect{};
  // Runtime windows have no menu bar, so the inner height has none to add.
  if (!((mode & 1) ? GetClientRect(record->handle, &rect) : GetWindowRect(record->handle, &rect))) return 0;
  return rect.bottom - rect.top;
}

int64_t WindowGetX(int64_t number, int64_t mode) {
  WindowRecord* record = WindowIsValid(number);
  if (record == nullptr) return 0;
  if (mode & 1) {
    POINT origin{0, 0};
    return ClientToScreen(record->handle, &origin) ? origin.x : 0;
  }
  RECT frame{};
  if (!GetWindowRect(record->handle, &frame)) return 0;
  int64_t x = frame.left;
  if ((GetWindowLongPtrW(record->handle, GWL_STYLE) & WS_THICKFRAME) && !record->mdiClient) x += WindowFrameCorrection();
  return x;
}

int64_t WindowGetY(int64_t number, int64_t mode) {
  WindowRecord* record = WindowIsValid(number);
  if (record == nullptr) return 0;
  if (mode & 1) {
    POINT origin{0, 0};
    return ClientToScreen(record->handle, &origin) ? origin.y : 0;
  }
  RECT frame{};
  return GetWindowRect(record->handle, &frame) ? frame.top : 0;
}

int64_t WindowResize(int64_t number, int64_t x, int64_t y, int64_t width, int64_t height) {
  WindowRecord* record = WindowIsValid(number);
  if (record == nullptr) return 0;
  HWND handle = record->handle;
  if (IsZoomed(handle)) ShowWindow(handle, SW_RESTORE);
  DWORD style = static_cast<DWORD>(GetWindowLongPtrW(handle, GWL_STYLE));
  DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(handle, GWL_EXSTYLE));
  RECT frame{}, client{};
  if (!GetWindowRect(handle, &frame) || !GetClientRect(handle, &client)) return 0;
  int left = static_cast<int>(x), top = static_cast<int>(y);
  if (x == CV_Keep || y == CV_Keep) {
    if (x == CV_Keep) left = frame.left;
    if (y == CV_Keep) top = frame.top;
  } else if ((style & WS_THICKFRAME) && !record->mdiClient) {
    left -= static_cast<int>(WindowFrameCorrection());
  }
  RECT inner{0, 0, width == CV_Keep ? client.right : static_cast<LONG>(width), height == CV_Keep ? client.bottom : static_cast<LONG>(height)};
  AdjustWindowRectEx(&inner, style, FALSE, exStyle);
  SetWindowPos(handle, nullptr, left, top, inner.right - inner.left, inner.bottom - inner.top, SWP_NOACTIVATE | SWP_NOZORDER);
  return 1;
}

int64_t WindowActivate(int64_t number) {
  WindowRecord* record = WindowIsValid(number);
  if (record == nullptr) return 0;
  if (IsIconic(record->handle)) ShowWindow(record->handle, SW_RESTORE);
  SetForegroundWindow(record->handle);
  return 1;
}

int64_t WindowHide(int64_t number, int64_t hide, int64_t flags) {
  WindowRecord* record = WindowIsValid(number);
  if (record == nullptr) return 0;
  HWND handle = record->handle;
  if (hide) {
    HWND owner = GetWindow(handle, GW_OWNER);
    if (owner && !record->mdiClient) SetActiveWindow(owner);
    ShowWindow(handle, SW_HIDE);
    return 1;
  }
  if (flags & (CV_Window_ScreenCentered | CV_Window_WindowCentered)) Centre(handle, flags, GetWindow(handle, GW_OWNER));
  bool noActivate = flags & CV_Window_NoActivate;
  int command = IsZoomed(handle) ? (noActivate ? SW_SHOWNA : SW_SHOWMAXIMIZED)
                : IsIconic(handle) ? (noActivate ? SW_SHOWMINNOACTIVE : SW_SHOWMINIMIZED)
                                   : (noActivate ? SW_SHOWNOACTIVATE : SW_SHOWNORMAL);
  ShowWindow(handle, command);
  return 1;
}

int64_t WindowSetBounds(int64_t number, int64_t minimumWidth, int64_t minimumHeight, int64_t maximumWidth,
                        int64_t maximumHeight) {
  WindowRecord* record = WindowIsValid(number);
  if (record == nullptr) return 0;
  auto set = [](uint16_t& field, int64_t value) {
    if (value == CV_Keep) return;
    field = static_cast<uint16_t>(std::clamp<int64_t>(value, 0, 65535));
  };
  set(record->minimumWidth, minimumWidth);
  set(record->minimumHeight, minimumHeight);
  set(record->maximumWidth, maximumWidth);
  set(record->maximumHeight, maximumHeight);
  return 1;
}

int64_t WindowCenter(int64_t number, int64_t flags, int64_t parent) {
  WindowRecord* record = WindowIsValid(number);
  if (record == nullptr) return 0;
  HWND reference = reinterpret_cast<HWND>(static_cast<uintptr_t>(parent));
  Centre(record->handle, flags, IsWindow(reference) ? reference : GetWindow(record->handle, GW_OWNER));
  return 1;
}

int64_t WindowSetCallback(int64_t number, WindowCallback callback) {
  WindowRecord* record = WindowIsValid(number);
  if (record == nullptr) return 0;
  record->callback = callback;
  return 1;
}

void WindowSetFallbackCallback(WindowCallback callback) {
  if (g_windowLibrary.state) g_windowLibrary.state->fallbackCallback = callback;
}

void WindowSetPreDispatchHook(WindowPreDispatchHook hook) { g_windowLibrary.preDispatchHook = hook; }
