// The canvas gadget: a control showing a picture kept in its own 24-bit bitmap, which programs
// draw into through GadgetCanvasOutput, and which reports every mouse and keyboard action on it
// as a gadget event whose details (position, buttons, modifiers, wheel steps, key) are read
// through GadgetGetAttribute.
#pragma once

#include <cstdint>

constexpr int32_t GADGET_KIND_CANVAS = 33;

// Creation flags.
constexpr int64_t CV_Canvas_Border = 1;     // client-edge frame; the bitmap is 4 pixels smaller each way
constexpr int64_t CV_Canvas_ClipMouse = 2;  // while a button is held the cursor stays on the canvas
constexpr int64_t CV_Canvas_Keyboard = 4;   // the canvas takes the keyboard focus
constexpr int64_t CV_Canvas_DrawFocus = 8;  // a focus rectangle shows while it has the focus

// Event types of a canvas, besides ET_LEFT_CLICK ... ET_RIGHT_DOUBLE_CLICK, ET_FOCUS and
// ET_LOST_FOCUS.
constexpr int64_t ET_MOUSE_ENTER = 65537;
constexpr int64_t ET_MOUSE_LEAVE = 65538;
constexpr int64_t ET_MOUSE_MOVE = 65539;
constexpr int64_t ET_LEFT_BUTTON_DOWN = 65540;
constexpr int64_t ET_LEFT_BUTTON_UP = 65541;
constexpr int64_t ET_RIGHT_BUTTON_DOWN = 65542;
constexpr int64_t ET_RIGHT_BUTTON_UP = 65543;
constexpr int64_t ET_MIDDLE_BUTTON_DOWN = 65544;
constexpr int64_t ET_MIDDLE_BUTTON_UP = 65545;
constexpr int64_t ET_MOUSE_WHEEL = 65546;
constexpr int64_t ET_KEY_DOWN = 65547;
constexpr int64_t ET_KEY_UP = 65548;
constexpr int64_t ET_INPUT = 65549;

// Attributes. Those marked "event" describe the current event and read 0 unless it is an
// event of this very canvas.
constexpr int64_t CA_IMAGE = 1;          // the backing bitmap; set: copy a bitmap in at (0, 0)
constexpr int64_t CA_MOUSE_X = 2;        // event
constexpr int64_t CA_MOUSE_Y = 3;        // event
constexpr int64_t CA_BUTTONS = 4;        // event: bit 0 left, bit 1 right, bit 2 middle
constexpr int64_t CA_KEY = 5;            // event: virtual-key code
constexpr int64_t CA_MODIFIERS = 6;      // event: bit 0 Shift, bit 1 Alt, bit 2 Ctrl
constexpr int64_t CA_CURSOR = 7;         // cursor number 0-11 (0 arrow ... 11 none), -1 for a custom one
constexpr int64_t CA_WHEEL_DELTA = 8;    // event: whole wheel notches, positive away from the user
constexpr int64_t CA_INPUT = 9;          // event: the character typed
constexpr int64_t CA_CLIP = 10;          // 1 while this canvas confines the cursor
constexpr int64_t CA_CUSTOM_CURSOR = 11; // a cursor handle of the program's own

// Creates a canvas in the current gadget list: the number for CV_Any, else the control
// handle; 0 on failure (no gadget list, no bitmap).
int64_t GadgetCanvasCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, int64_t flags = 0);
// A drawing output over the canvas's bitmap for DrawingBegin; ending the drawing repaints the
// canvas. 0 for unknown gadgets and other kinds.
int64_t GadgetCanvasOutput(int64_t gadget);

// Forgets the canvas's process-wide state (event-record pool, clip holder, wheel remainder)
// when the gadget library shuts down; the pool's storage goes with the main heap.
void GadgetCanvasShutdown();
