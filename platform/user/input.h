// User input, injected: the one way pointer, wheel, key, text, close and resize events enter the
// platform. Tests call it directly; a display backend calls it with what the desktop reports.
// Positions are in screen coordinates; each call turns the event into the messages Windows
// would send or post (hit testing, capture, activation, double clicks, mouse leave ...).
#pragma once

#include "user.h"

namespace platform {

enum class MouseButton { Left = 0, Right = 1, Middle = 2 };

void InputPointerMove(int x, int y);
void InputButton(MouseButton button, bool down);
void InputWheel(int delta);  // multiples of WHEEL_DELTA; positive = away from the user
void InputKey(UINT virtualKey, bool down);
void InputText(const char16_t* text);  // characters typed, to the focus window
void InputCloseRequest(HWND window);   // the close box of a top-level window
void InputResize(HWND window, int outerWidth, int outerHeight);  // the user drags the frame
void InputMoveWindow(HWND window, int x, int y);

// Convenience: move there, press and release.
void InputClick(int x, int y, MouseButton button = MouseButton::Left);
void InputDoubleClick(int x, int y, MouseButton button = MouseButton::Left);
void InputKeyPress(UINT virtualKey);  // down and up

// The clock input events are stamped with (milliseconds); tests move it on to stand for waiting.
DWORD InputClock();
void InputAdvanceClock(DWORD milliseconds);

// A top-level window's backing bitmap (a 32-bit top-down DIB section of its client size), for
// backends and tests that look at what was painted. Null for other windows.
HBITMAP WindowBacking(HWND topLevel);

// Runs every message waiting for this thread (posted, input, paint and due timers), dispatching
// each one as a message loop would (with TranslateMessage). Returns how many ran.
int PumpMessages();

}  // namespace platform
