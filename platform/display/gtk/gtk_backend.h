// The desktop display backend on GTK 3 (X11 and Wayland): a real window for every visible
// top-level window, showing its backing bitmap; the desktop's pointer, keyboard and input method
// fed back through input.h; the desktop's choosers, clipboard and document opener. The program
// installs it at start when a display can be opened; tests use the headless backend unless a
// test installs this one itself.
#pragma once

namespace platform {

// Opens the desktop's display and installs the GTK backend for the rest of the process. Call
// once, on the thread that will own the windows (it runs the desktop's loop), before the first
// window. False, with nothing installed, when no display can be opened.
bool DesktopBackendInstall();

// Whether the desktop backend runs and its display is still there (false once the display
// server went away: the windows then live in memory only, as without a desktop).
bool DesktopBackendActive();

// From any thread, at any moment: the program is ending, so an open requester is answered with
// a cancel and every later one at once, instead of waiting for a person who asked it to stop.
void DesktopBackendRefuseRequesters();

}  // namespace platform
