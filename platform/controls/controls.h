// The standard controls of the platform layer: the "Button" and "Static" window classes with the
// styles, messages and notifications the gadgets rely on, and InitCommonControlsEx, which
// registers them. Class names are compared without case, so "STATIC" reaches "Static".
#pragma once

#include "../user.h"

// ---- button styles, messages and notifications ----
#define BS_PUSHBUTTON 0x0000
#define BS_DEFPUSHBUTTON 0x0001
#define BS_CHECKBOX 0x0002
#define BS_AUTOCHECKBOX 0x0003
#define BS_RADIOBUTTON 0x0004
#define BS_3STATE 0x0005
#define BS_AUTO3STATE 0x0006
#define BS_GROUPBOX 0x0007
#define BS_AUTORADIOBUTTON 0x0009
#define BS_TYPEMASK 0x000F
#define BS_LEFTTEXT 0x0020
#define BS_LEFT 0x0100
#define BS_RIGHT 0x0200
#define BS_CENTER 0x0300
#define BS_PUSHLIKE 0x1000
#define BS_MULTILINE 0x2000
#define BS_NOTIFY 0x4000

#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_GETSTATE 0x00F2
#define BM_SETSTATE 0x00F3
#define BM_SETSTYLE 0x00F4
#define BM_CLICK 0x00F5
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001
#define BST_INDETERMINATE 0x0002
#define BST_PUSHED 0x0004
#define BST_FOCUS 0x0008
#define BN_CLICKED 0

// ---- static styles, messages and notifications ----
#define SS_LEFT 0x0000
#define SS_CENTER 0x0001
#define SS_RIGHT 0x0002
#define SS_ICON 0x0003
#define SS_BITMAP 0x000E
#define SS_TYPEMASK 0x001F
#define SS_NOPREFIX 0x0080
#define SS_NOTIFY 0x0100
#define STN_CLICKED 0
#define STN_DBLCLK 1

// ---- common controls ----
#define ICC_LISTVIEW_CLASSES 0x00000001
#define ICC_TREEVIEW_CLASSES 0x00000002
#define ICC_BAR_CLASSES 0x00000004
#define ICC_TAB_CLASSES 0x00000008
#define ICC_UPDOWN_CLASS 0x00000010
#define ICC_PROGRESS_CLASS 0x00000020
#define ICC_HOTKEY_CLASS 0x00000040
#define ICC_ANIMATE_CLASS 0x00000080
#define ICC_WIN95_CLASSES 0x000000FF
#define ICC_DATE_CLASSES 0x00000100
#define ICC_USEREX_CLASSES 0x00000200
#define ICC_COOL_CLASSES 0x00000400
#define ICC_INTERNET_CLASSES 0x00000800
#define ICC_STANDARD_CLASSES 0x00004000
struct INITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
};
// Registers the control classes; the standard ones ("Button", "Static") are always registered.
// FALSE for a null or wrongly sized argument.
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init);

namespace platform {

// Registers "Button" and "Static" once per process; repeated calls do nothing.
void RegisterStandardControls();

// The window procedures behind the two classes (registered by RegisterStandardControls).
LRESULT ButtonProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT StaticProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Sets a control's default text colours on `dc`, then lets the parent choose them through the
// control-colour message; returns the parent's brush (the button face when it gives none).
HBRUSH ControlColours(HWND control, HDC dc, UINT colourMessage);

// Starts a control's paint with its font (the default GUI font when it has none) selected;
// EndControlPaint puts the old font back and ends the paint. Null when there is nothing to paint.
HDC BeginControlPaint(HWND control, PAINTSTRUCT* paint, HGDIOBJ* oldFont);
void EndControlPaint(HWND control, PAINTSTRUCT* paint, HGDIOBJ oldFont);

}  // namespace platform
