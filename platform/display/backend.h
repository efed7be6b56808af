// The one boundary between the in-memory windows and whatever shows them: what a display backend
// is told (window lifecycle, changed pixels, cursor, capture, modality), what it answers (the
// screen, the file and colour choosers, the document opener, the clipboard) and the event-loop
// hooks through which a thread waiting for messages sleeps inside the backend's own loop. The
// headless backend (display/headless) is the default; a desktop backend presents each top-level
// window's backing bitmap in a real window and feeds real input back through input.h.
//
// Rules for both sides:
// - The platform makes no call into the backend while it holds its own lock, so a backend may
//   call any platform function (and inject input) from inside a callback.
// - Window callbacks name top-level windows only, on the thread that owns the window, and each
//   reports a real change (a title set to the same text is not reported again).
// - Wake() may be called from any thread at any moment; everything else on the thread that
//   called into the platform.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "windows_types.h"

namespace platform {

// The screen as the backend reports it. The work area is the part of the screen that windows
// may cover (the screen less the desktop's panels); `scale` is how many device pixels stand for
// one pixel of the windows (2 on a doubled-density screen), for a backend that scales on output.
struct ScreenInfo {
  int width = 1920;
  int height = 1080;
  int dpi = 96;
  int bitsPixel = 32;
  RECT workArea{};  // the backend always fills it
  // Every monitor together, in the same coordinates (the screen above is the main monitor, at
  // 0, 0): the pointer and windows may be anywhere in it. The backend always fills it.
  RECT desktop{};
  double scale = 1.0;
};

// What a program handed to a file chooser, as the chooser understood it.
struct FileDialogRequest {
  bool save = false;
  HWND owner = nullptr;
  std::u16string title;
  std::vector<std::pair<std::u16string, std::u16string>> filters;  // (description, patterns)
  DWORD filterIndex = 0;                                           // 1-based; 0 = none
  std::u16string initialDirectory;
  std::u16string initialFile;  // what the name buffer held on entry
  DWORD flags = 0;
  DWORD bufferChars = 0;
};

struct ColorDialogRequest {
  HWND owner = nullptr;
  COLORREF initial = 0;
  COLORREF custom[16] = {};
  bool hasCustom = false;
  DWORD flags = 0;
};

class DisplayBackend {
 public:
  virtual ~DisplayBackend() = default;

  // ---- top-level window lifecycle ----
  virtual void WindowShown(HWND /*window*/, bool /*shown*/) {}
  // Moved, sized, minimised, maximised or restored (IsIconic and IsZoomed tell which state).
  virtual void WindowMoved(HWND /*window*/, const RECT& /*frame*/) {}  // screen coordinates
  virtual void WindowTitleChanged(HWND /*window*/, const std::u16string& /*title*/) {}
  // The window is gone; its handle is never named again, its backing bitmap is already freed.
  virtual void WindowDestroyed(HWND /*window*/) {}
  virtual void WindowOwnerChanged(HWND /*window*/, HWND /*owner*/) {}
  // A disabled top-level window is the owner of a modal window or requester: it takes no input.
  virtual void WindowEnabled(HWND /*window*/, bool /*enabled*/) {}
  virtual void WindowActivated(HWND /*window*/, bool /*active*/) {}

  // ---- pixels and pointer ----
  // Part of a top-level window's backing bitmap (client coordinates) has new pixels: exactly
  // the painted part, clipped to what shows.
  virtual void Present(HWND /*window*/, const RECT& /*area*/) {}
  virtual void CursorChanged(HCURSOR /*cursor*/) {}
  virtual void CaptureChanged(HWND /*capture*/) {}        // null: released
  virtual void CursorConfined(const RECT* /*area*/) {}    // screen coordinates; null: free

  // ---- what the desktop answers ----
  virtual ScreenInfo Screen() = 0;
  // Each chooser returns false for a cancel; a file chooser fills `paths` (one, or several for a
  // multi-selection) and may change `filterIndex`; the colour chooser may change `custom`.
  virtual bool FileChooser(const FileDialogRequest& request, std::vector<std::u16string>* paths,
                           DWORD* filterIndex) = 0;
  virtual bool ColourChooser(const ColorDialogRequest& request, COLORREF* chosen, COLORREF* custom) = 0;
  // Hands a document path or a web address to the desktop's opener. ERROR_SUCCESS, with the
  // process started for it in `process` (null when none is left to the caller) and the command
  // line that ran in `ran`; else an ERROR_* code (ERROR_NO_ASSOCIATION: nothing opens it).
  virtual DWORD OpenDocument(const std::u16string& target, const std::u16string& directory, int show,
                             HANDLE* process, std::u16string* ran) = 0;
  virtual bool ClipboardSetText(const std::u16string& text) = 0;
  virtual bool ClipboardGetText(std::u16string* text) = 0;  // false when it holds no text

  // ---- the event loop ----
  // Blocks the calling thread until the backend has input for it, Wake() was called since this
  // thread's last Wait returned, or the deadline (GetTickCount64 time; ~0 = none) passes.
  virtual void Wait(ULONGLONG deadline) = 0;
  // Takes in what the desktop has ready for the calling thread without blocking: PeekMessageW
  // calls it, so that a program busy between two looks at its queue still gets its input and
  // its windows still show their new pixels.
  virtual void Pump() {}
  // A message was posted or sent, or input arrived: every thread blocked in Wait looks again.
  virtual void Wake() = 0;
};

// The backend in use; the headless one until another is installed. Not owned; null restores the
// headless backend. Install before the first window and uninstall after the last.
DisplayBackend& Display();
void DisplayInstall(DisplayBackend* backend);

// The screen as the backend in use reports it.
ScreenInfo Screen();

}  // namespace platform
