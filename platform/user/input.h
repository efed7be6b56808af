// User input, injected: the one way pointer, wheel, key, text, close, resize and activation events
// enter the platform. Tests call it directly; a display backend calls it with what the desktop
// reports. Positions are in screen coordinates; each call turns the event into the messages
// Windows would send or post (hit testing, capture, activation, double clicks, mouse leave ...).
//
// Threading rule: input is injected on the thread that owns the windows it reaches, the thread
// that runs their message loop (a desktop backend injects from inside Wait, which runs there).
// Input that would reach another thread's window is refused, with an assertion in debug builds;
// input for a window that is gone is dropped.
#pragma once

#include "user.h"

namespace platform {

enum class MouseButton { Left = 0, Right = 1, Middle = 2 };

void InputPointerMove(int x, int y);
void InputButton(MouseButton button, bool down);
void InputWheel(int delta);  // multiples of WHEEL_DELTA; positive = away from the user
// A key as a keyboard reports it. Keys and text enter separately: a desktop whose input method
// turns keys into text (dead keys and compose included) sends each key with `textFollows` and
// then the text through InputText, and TranslateMessage makes no character for such a key.
struct KeyEvent {
  UINT virtualKey = 0;
  UINT scanCode = 0;  // the keyboard's own code: bits 16-23 of the key message, 0x100 = extended
  bool down = true;
  bool repeat = false;  // sent again while held
  bool textFollows = false;
};
void InputKeyEvent(const KeyEvent& key);
// A key without a scan code whose characters come from the headless (US) layout.
void InputKey(UINT virtualKey, bool down);
void InputText(const char16_t* text);  // characters typed, to the focus window
// The window manager activated or deactivated a top-level window (deactivation: another program
// took the keyboard, and the focus goes with it).
void InputWindowActivated(HWND window, bool active);
void InputCloseRequest(HWND window);   // the close box of a top-level window
// The desktop minimised, maximised or restored a top-level window (SW_MINIMIZE, SW_MAXIMIZE,
// SW_RESTORE).
void InputWindowState(HWND window, int showCommand);
// The pointer left the program's windows (to another program's, or off the desktop): mouse
// tracking ends; the position stays where it was last seen.
void InputPointerLeft();
// The modifier keys as the desktop reports them with a pointer event. Keys pressed while
// another program had the keyboard reach no window of ours; this brings the key state in line
// without any message, so that Shift+click means Shift+click.
void InputModifiersHeld(bool shift, bool control, bool alt);
void InputResize(HWND window, int outerWidth, int outerHeight);  // the user drags the frame
void InputMoveWindow(HWND window, int x, int y);

// Convenience: move there, press and release.
void InputClick(int x, int y, MouseButton button = MouseButton::Left);
void InputDoubleClick(int x, int y, MouseButton button = MouseButton::Left);
void InputKeyPress(UINT virtualKey);  // down and up

// The clock input events are stamped with (milliseconds): the platform's one clock, which the
// timers follow too. Tests move it on to stand for waiting; frozen, it moves only so (and when
// a thread waits for a timer, which then comes at once), so that no real time decides a test.
DWORD InputClock();
void InputAdvanceClock(DWORD milliseconds);
void InputFreezeClock(bool frozen);

// A top-level window's backing bitmap (a 32-bit top-down DIB section of its client size), for
// backends and tests that look at what was painted. Null for other windows.
HBITMAP WindowBacking(HWND topLevel);

// Runs every message waiting for this thread (posted, input, paint and due timers), dispatching
// each one as a message loop would (with TranslateMessage). Returns how many ran.
int PumpMessages();

}  // namespace platform
