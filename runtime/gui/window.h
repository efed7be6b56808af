// The window library: numbered top-level windows, their size and position in inner (client)
// and outer (frame) terms, and the loop's WindowWaitEvent/WindowPollEvent. The shared window
// procedure turns window messages into queued events.
#pragma once

#include <cstdint>

#include "event_queue.h"
#include "gui_constants.h"
#include "user.h"

using WindowCallback = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using WindowEraseRoutine = LRESULT (*)(HDC, HWND);
// A hook that sees every message before shortcut translation; nonzero consumes it.
using WindowPreDispatchHook = int64_t (*)(UINT message, WPARAM wParam, LPARAM lParam);

struct WindowRecord {
  HWND handle;
  ACCEL* shortcutEntries;
  HACCEL shortcutTable;
  WindowCallback callback;
  uint32_t shortcutCount;
  HBRUSH backgroundBrush;
  HWND mdiClient;
  WindowEraseRoutine eraseRoutine;
  uint16_t minimumWidth;
  uint16_t minimumHeight;
  uint16_t maximumWidth;
  uint16_t maximumHeight;
  int32_t minimisedOrMaximised;
  int32_t ready;
};

void WindowInit();
void WindowShutdown();

int64_t WindowOpen(int64_t number, int64_t x, int64_t y, int64_t width, int64_t height, const char16_t* title,
                   int64_t flags = CV_Window_SystemMenu, int64_t parent = 0);
void WindowClose(int64_t number);
WindowRecord* WindowIsValid(int64_t number);
int64_t WindowHandle(int64_t number);
// mode bit 0: inner (client area) when set, outer (frame) when clear.
int64_t WindowGetWidth(int64_t number, int64_t mode = 0);
int64_t WindowGetHeight(int64_t number, int64_t mode = 0);
int64_t WindowGetX(int64_t number, int64_t mode = 0);
int64_t WindowGetY(int64_t number, int64_t mode = 0);
int64_t WindowResize(int64_t number, int64_t x, int64_t y, int64_t width, int64_t height);
int64_t WindowActivate(int64_t number);
int64_t WindowHide(int64_t number, int64_t hide, int64_t flags = 0);
// Track-size limits of the user's resizing (inner sizes are not meant: these are the frame's);
// 0 = no limit, CV_Keep leaves a limit as it is.
int64_t WindowSetBounds(int64_t number, int64_t minimumWidth, int64_t minimumHeight, int64_t maximumWidth,
                        int64_t maximumHeight);
// Centres the window: CV_Window_ScreenCentered on the screen, CV_Window_WindowCentered on the
// given parent window handle, else its owner, else the active window.
int64_t WindowCenter(int64_t number, int64_t flags, int64_t parent = 0);
// Per-window message hook and background: the dialog library and gadgets install them.
int64_t WindowSetCallback(int64_t number, WindowCallback callback);
void WindowSetFallbackCallback(WindowCallback callback);
void WindowSetPreDispatchHook(WindowPreDispatchHook hook);

int64_t WindowWaitEvent(int64_t timeout = -1);
int64_t WindowPollEvent();
// The wParam and lParam of the last message WindowWaitEvent dispatched (0 after a runtime event).
int64_t WindowEventWParam();
int64_t WindowEventLParam();

// The shared window procedure of every runtime window.
LRESULT WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Moves the keyboard focus to the next (forward) or previous tab stop of the active window.
void WindowFocusNext(bool forward);

// How far the frame's left edge lies outside where the program placed a sizable window: the
// desktop draws a wider invisible border when composition is on.
int64_t WindowFrameCorrection();

// The window number behind a handle: walks up to the first window carrying "CV_WindowID";
// -1 when there is none.
int64_t WindowNumberOf(HWND handle);
