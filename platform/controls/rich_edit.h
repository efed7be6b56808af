// The multi-line "RichEdit20W" control (also registered as "RichEdit"): its messages, option
// and event-mask values and the character-format record through which its text colour is set.
// One text colour and one font for the whole text; paragraphs are kept with a single carriage
// return inside and handed out with CR LF.
#pragma once

#include "controls.h"

#define RICHEDIT_CLASSW u"RichEdit20W"
#define RICHEDIT_CLASS10W u"RichEdit"

#define ES_SAVESEL 0x00008000
#define ES_DISABLENOSCROLL 0x00002000

#define EM_SCROLL 0x00B5
#define EM_LINESCROLL 0x00B6
#define EM_SCROLLCARET 0x00B7
#define EM_LINEINDEX 0x00BB
#define EM_LINEFROMCHAR 0x00C9
#define EM_GETLINE 0x00C4
#define EM_CANUNDO 0x00C6
#define EM_EXGETSEL (WM_USER + 52)
#define EM_EXLIMITTEXT (WM_USER + 53)
#define EM_EXLINEFROMCHAR (WM_USER + 54)
#define EM_EXSETSEL (WM_USER + 55)
#define EM_GETCHARFORMAT (WM_USER + 58)
#define EM_GETEVENTMASK (WM_USER + 59)
#define EM_GETSELTEXT (WM_USER + 62)
#define EM_HIDESELECTION (WM_USER + 63)
#define EM_SETBKGNDCOLOR (WM_USER + 67)
#define EM_SETCHARFORMAT (WM_USER + 68)
#define EM_SETEVENTMASK (WM_USER + 69)
#define EM_SETOPTIONS (WM_USER + 77)
#define EM_GETOPTIONS (WM_USER + 78)
#define EM_SETTARGETDEVICE (WM_USER + 72)

#define ECO_READONLY 0x00000800
#define ECOOP_SET 1
#define ECOOP_OR 2
#define ECOOP_AND 3
#define ECOOP_XOR 4

#define ENM_NONE 0x00000000
#define ENM_CHANGE 0x00000001
#define ENM_UPDATE 0x00000002
#define ENM_SCROLL 0x00000004
#define EN_VSCROLL 0x0602

#define SCF_DEFAULT 0x0000
#define SCF_SELECTION 0x0001
#define SCF_ALL 0x0004
#define CFM_COLOR 0x40000000
#define CFE_AUTOCOLOR 0x40000000

#ifndef SB_LINEUP
#define SB_LINEUP 0
#define SB_LINELEFT 0
#define SB_LINEDOWN 1
#define SB_LINERIGHT 1
#define SB_PAGEUP 2
#define SB_PAGELEFT 2
#define SB_PAGEDOWN 3
#define SB_PAGERIGHT 3
#define SB_THUMBTRACK 5
#define SB_TOP 6
#define SB_LEFT 6
#define SB_BOTTOM 7
#define SB_RIGHT 7
#endif

struct CHARRANGE {
  LONG cpMin;
  LONG cpMax;
};

struct CHARFORMATW {
  UINT cbSize;
  DWORD dwMask;
  DWORD dwEffects;
  LONG yHeight;
  LONG yOffset;
  COLORREF crTextColor;
  BYTE bCharSet;
  BYTE bPitchAndFamily;
  WCHAR szFaceName[32];
};

namespace platform {

LRESULT RichEditProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The width of the vertical scroll bar the control draws at its right edge (WS_VSCROLL).
int RichEditScrollBarWidth();

}  // namespace platform
