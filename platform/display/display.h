// The boundary between the in-memory windows and whatever shows them. The headless backend
// (the default, and in tests) shows nothing; a desktop backend presents each top-level window's
// backing bitmap in a real window and feeds real input back through input.h.
#pragma once

#include "windows_types.h"

namespace platform {

class DisplayBackend {
 public:
  virtual ~DisplayBackend() = default;
  virtual void WindowShown(HWND /*topLevel*/, bool /*shown*/) {}
  virtual void WindowMoved(HWND /*topLevel*/) {}
  virtual void WindowTitleChanged(HWND /*topLevel*/) {}
  virtual void WindowDestroyed(HWND /*topLevel*/) {}
  // Part of a top-level window's backing bitmap (client coordinates) has new pixels.
  virtual void Present(HWND /*topLevel*/, const RECT& /*area*/) {}
  virtual void CursorChanged(HCURSOR /*cursor*/) {}
};

// The backend in use; the headless one until another is installed. Not owned.
DisplayBackend& Display();
void DisplayInstall(DisplayBackend* backend);

// A top-level window's backing bitmap (a 32-bit top-down DIB section of its client size), for
// backends and tests that look at what was painted. Null for other windows.
HBITMAP WindowBacking(HWND topLevel);

}  // namespace platform
