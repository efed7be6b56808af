// Event codes, gadget event types and window flags of the window library.
#pragma once

#include <cstdint>

// Event codes: what WindowWaitEvent returns.
constexpr int64_t EC_GADGET = 13100;
constexpr int64_t EC_MENU = 13101;
constexpr int64_t EC_SYSTRAY = 13102;
constexpr int64_t EC_ACTIVATE = 13104;
constexpr int64_t EC_MINIMIZE = 13107;
constexpr int64_t EC_MAXIMIZE = 13108;
constexpr int64_t EC_RESTORE = 13109;
constexpr int64_t EC_TIMER = 13110;
constexpr int64_t EC_RIGHT_CLICK = 13111;
constexpr int64_t EC_LEFT_CLICK = 13112;
constexpr int64_t EC_LEFT_DOUBLE_CLICK = 13113;
constexpr int64_t EC_DEACTIVATE = 13114;
constexpr int64_t EC_REPAINT = 13115;
constexpr int64_t EC_CLOSE_WINDOW = 13116;
constexpr int64_t EC_MOVE_WINDOW = 13117;
constexpr int64_t EC_SIZE_WINDOW = 13118;
// A private message runtime parts send to a window; it reaches the sending gadget's kind handler.
constexpr unsigned MSG_GADGET_FORWARD = 13120;
// The tray icon's callback message.
constexpr unsigned MSG_SYSTRAY_CALLBACK = 12501;

// Gadget event types (the type of EC_GADGET).
constexpr int64_t ET_LEFT_CLICK = 0;
constexpr int64_t ET_RIGHT_CLICK = 1;
constexpr int64_t ET_LEFT_DOUBLE_CLICK = 2;
constexpr int64_t ET_RIGHT_DOUBLE_CLICK = 3;
constexpr int64_t ET_SPIN_UP = 4;
constexpr int64_t ET_SPIN_DOWN = 5;
constexpr int64_t ET_CHANGE = 768;
constexpr int64_t ET_FOCUS = 14000;
constexpr int64_t ET_LOST_FOCUS = 14001;
constexpr int64_t ET_DRAG_START = 14002;

// Window flags of WindowOpen.
constexpr int64_t CV_Window_ScreenCentered = 1;
constexpr int64_t CV_Window_WindowCentered = 2;
constexpr int64_t CV_Window_Tool = 4;
constexpr int64_t CV_Window_NoGadgets = 8;
constexpr int64_t CV_Window_TitleBar = 0xC00000;
constexpr int64_t CV_Window_SystemMenu = 0xC80000;
constexpr int64_t CV_Window_SizeGadget = 0xC40000;
constexpr int64_t CV_Window_MinimizeGadget = 0xCA0000;
constexpr int64_t CV_Window_MaximizeGadget = 0xC90000;
constexpr int64_t CV_Window_Invisible = 0x10000000;
constexpr int64_t CV_Window_BorderLess = 0x80000000ll;
constexpr int64_t CV_Window_NoActivate = 0x2000000;
// Honoured without a name of their own: open maximised, open minimised.
constexpr int64_t kWindowOpenMaximized = 0x01000000;
constexpr int64_t kWindowOpenMinimized = 0x20000000;

// Commands of the two Tab shortcuts every window gets.
constexpr unsigned kCommandFocusNext = 64001;
constexpr unsigned kCommandFocusPrevious = 64002;
