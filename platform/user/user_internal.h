// What the user-interface files of the platform layer share: the window record, the class
// record, the per-thread message queue and the lookups over them. Not for the runtime.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "backend.h"
#include "user.h"

namespace platform {

struct WindowClass {
  std::u16string name;  // as registered
  UINT style = 0;
  WNDPROC procedure = nullptr;
  int classExtra = 0;
  int windowExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  bool system = false;  // a platform control class: never unregistered
  int windows = 0;      // live windows of the class
};

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WindowClass> windowClass;
  WNDPROC procedure = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;  // null for top-level windows
  HWND owner = nullptr;
  LONG_PTR id = 0;
  LONG_PTR userData = 0;
  HINSTANCE instance = nullptr;
  std::u16string text;
  RECT rect{};            // frame rectangle: parent client coordinates, screen for top-level windows
  RECT restoreRect{};     // frame before minimise or maximise
  std::vector<HWND> children;  // z-order, topmost first; new children go to the bottom
  std::map<std::u16string, HANDLE> properties;  // names compared without regard to case
  std::vector<unsigned char> extra;  // window extra bytes
  HFONT font = nullptr;
  DWORD thread = 0;
  UINT uiState = 0;
  RECT updateRect{};      // invalid part of the client area, client coordinates
  bool needsErase = false;
  bool internalPaint = false;
  bool destroying = false;
  bool destroyed = false;
  bool created = false;   // WM_NCCREATE accepted
  HBITMAP backing = nullptr;  // top-level windows: what they and their children paint into
};

struct SentMessage;

// The message queue of one thread.
struct ThreadQueue {
  std::mutex lock;
  std::condition_variable wake;  // a thread waiting in a cross-thread send: a result or a send came
  std::deque<MSG> posted;   // posted and input messages, in arrival order
  std::deque<std::shared_ptr<SentMessage>> sent;  // from other threads, waiting for a result
  bool quit = false;
  int quitCode = 0;
  MSG last{};               // the last message retrieved: GetMessagePos and GetMessageTime
};

// The global lock over the handle tables. It is never held while a window procedure or a
// display backend callback runs; it knows whether the calling thread holds it, so that the
// second rule can be checked.
class UserMutex {
 public:
  void lock();
  void unlock();
  bool HeldByThisThread() const;

 private:
  std::recursive_mutex mutex_;
};
UserMutex& UserLock();

// The display backend, for the user area's calls into it: checks that the user lock is free.
DisplayBackend& Backend();

std::shared_ptr<Window> WindowFind(HWND handle);  // live (not yet destroyed) windows only
std::shared_ptr<Window> WindowFindAny(HWND handle);  // destroyed but still referenced ones too
std::vector<HWND> TopLevelWindows();  // z-order, topmost first
std::vector<HWND> ChildrenOf(HWND parent);  // topmost first; null gives the top-level windows
// A registered class by name (case ignored) or atom (window_class.cpp), or null.
std::shared_ptr<WindowClass> ClassFind(LPCWSTR name);
// A name as class and property lookups compare it: ASCII letters lower-cased.
std::u16string NameFolded(LPCWSTR name);
std::shared_ptr<ThreadQueue> QueueOf(DWORD thread);

// Rectangles.
RECT ClientRectOf(const Window& window);       // client area in the window's own client coordinates
RECT ClientAreaInFrame(const Window& window);  // client area relative to the frame's top-left
POINT ClientOriginOnScreen(const Window& window);
HWND TopLevelOf(HWND window);
// The deepest visible window under a screen point that does not let the point through
// (WM_NCHITTEST HTTRANSPARENT); with skipDisabled, disabled children are passed over and a
// disabled top-level window (a modal owner) takes nothing.
HWND WindowAtPoint(POINT point, bool skipDisabled);

// Frame thickness for a style: how far the client area lies inside the frame on each side.
RECT FrameInsets(DWORD style, DWORD exStyle, bool menu);

// Input and focus state owned by user_input.cpp.
void InputMessageTaken(const MSG& message);  // a removed input message updates GetKeyState
void InputForgetWindow(HWND window);
void FocusForgetWindow(HWND window);

// Painting (user_paint.cpp).
void PaintForgetWindow(Window& window);
bool PaintTakePending(DWORD thread, MSG* message);
void PaintResizeBacking(Window& window);

// Timers (user_message.cpp).
void TimersForgetWindow(HWND window);

// Sends a message to the window procedure on this thread (no cross-thread marshalling).
LRESULT CallProcedure(const std::shared_ptr<Window>& window, UINT message, WPARAM wParam, LPARAM lParam);

// The character a US keyboard makes for a key (0 for none): the headless layout.
char16_t UsKeyboardCharacter(UINT virtualKey, bool shift, bool control);
// Set in a key message's lParam (a bit Windows leaves reserved) when the key's characters come
// as text from the desktop, so that TranslateMessage makes none.
constexpr LPARAM kKeyTextFollows = LPARAM{1} << 25;

// Input is injected on the thread that owns the window it reaches; false (and an assertion in
// debug builds) for another thread's window, false for a window that is gone.
bool InputMayReach(HWND window);

// Posts an input message with the pointer position and time the injection gives.
void PostInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam, POINT point, DWORD time);

}  // namespace platform
