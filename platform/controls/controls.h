// The standard controls of the platform layer: the "Button", "Static" and "Edit" window classes with the
// styles, messages and notifications the gadgets rely on, and InitCommonControlsEx, which
// registers them. Class names are compared without case, so "STATIC" reaches "Static".
#pragma once

#include "image_list.h"
#include "user.h"

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

// ---- edit styles, messages and notifications ----
#define ES_LEFT 0x0000
#define ES_CENTER 0x0001
#define ES_RIGHT 0x0002
#define ES_MULTILINE 0x0004
#define ES_UPPERCASE 0x0008
#define ES_LOWERCASE 0x0010
#define ES_PASSWORD 0x0020
#define ES_AUTOVSCROLL 0x0040
#define ES_AUTOHSCROLL 0x0080
#define ES_NOHIDESEL 0x0100
#define ES_READONLY 0x0800
#define ES_WANTRETURN 0x1000
#define ES_NUMBER 0x2000

#define EM_GETSEL 0x00B0
#define EM_SETSEL 0x00B1
#define EM_GETMODIFY 0x00B8
#define EM_SETMODIFY 0x00B9
#define EM_GETLINECOUNT 0x00BA
#define EM_LINELENGTH 0x00C1
#define EM_REPLACESEL 0x00C2
#define EM_LIMITTEXT 0x00C5
#define EM_SETLIMITTEXT 0x00C5
#define EM_SETPASSWORDCHAR 0x00CC
#define EM_GETFIRSTVISIBLELINE 0x00CE
#define EM_SETREADONLY 0x00CF
#define EM_GETPASSWORDCHAR 0x00D2
#define EM_GETLIMITTEXT 0x00D5

#define EN_SETFOCUS 0x0100
#define EN_KILLFOCUS 0x0200
#define EN_CHANGE 0x0300
#define EN_UPDATE 0x0400
#define EN_MAXTEXT 0x0501

#define DLGC_HASSETSEL 0x0008

// ---- track bar ----
#define TRACKBAR_CLASSW u"msctls_trackbar32"
#define TBS_AUTOTICKS 0x0001
#define TBS_VERT 0x0002
#define TBS_HORZ 0x0000
#define TBS_NOTICKS 0x0010
#define TBM_GETPOS (WM_USER)
#define TBM_GETRANGEMIN (WM_USER + 1)
#define TBM_GETRANGEMAX (WM_USER + 2)
#define TBM_SETPOS (WM_USER + 5)
#define TBM_SETRANGE (WM_USER + 6)
#define TBM_SETRANGEMIN (WM_USER + 7)
#define TBM_SETRANGEMAX (WM_USER + 8)
#define TBM_SETTICFREQ (WM_USER + 20)
#define TBM_SETPAGESIZE (WM_USER + 21)
#define TBM_GETPAGESIZE (WM_USER + 22)
#define TBM_SETLINESIZE (WM_USER + 23)
#define TBM_GETLINESIZE (WM_USER + 24)
#define TBM_GETTHUMBRECT (WM_USER + 25)
#define TBM_GETCHANNELRECT (WM_USER + 26)
#define TB_LINEUP 0
#define TB_LINEDOWN 1
#define TB_PAGEUP 2
#define TB_PAGEDOWN 3
#define TB_THUMBPOSITION 4
#define TB_THUMBTRACK 5
#define TB_TOP 6
#define TB_BOTTOM 7
#define TB_ENDTRACK 8

// ---- up-down ----
#define UPDOWN_CLASSW u"msctls_updown32"
#define UDS_WRAP 0x0001
#define UDS_SETBUDDYINT 0x0002
#define UDS_ALIGNRIGHT 0x0004
#define UDS_ALIGNLEFT 0x0008
#define UDS_AUTOBUDDY 0x0010
#define UDS_ARROWKEYS 0x0020
#define UDS_HORZ 0x0040
#define UDS_NOTHOUSANDS 0x0080
#define UDM_SETRANGE (WM_USER + 101)
#define UDM_GETRANGE (WM_USER + 102)
#define UDM_SETPOS (WM_USER + 103)
#define UDM_GETPOS (WM_USER + 104)
#define UDM_SETBUDDY (WM_USER + 105)
#define UDM_GETBUDDY (WM_USER + 106)
#define UDM_SETRANGE32 (WM_USER + 111)
#define UDM_GETRANGE32 (WM_USER + 112)
#define UDM_SETPOS32 (WM_USER + 113)
#define UDM_GETPOS32 (WM_USER + 114)
#define UDN_DELTAPOS (0U - 722U)
#define SB_THUMBPOSITION 4
#define SB_ENDSCROLL 8
struct NMUPDOWN {
  NMHDR hdr;
  int iPos;
  int iDelta;
};

// ---- combo box ----
#define CBS_SIMPLE 0x0001
#define CBS_DROPDOWN 0x0002
#define CBS_DROPDOWNLIST 0x0003
#define CBS_AUTOHSCROLL 0x0040
#define CBS_SORT 0x0100
#define CBS_HASSTRINGS 0x0200
#define CBS_UPPERCASE 0x2000
#define CBS_LOWERCASE 0x4000
#define CB_ERR (-1)
#define CB_GETEDITSEL 0x0140
#define CB_LIMITTEXT 0x0141
#define CB_ADDSTRING 0x0143
#define CB_DELETESTRING 0x0144
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_INSERTSTRING 0x014A
#define CB_RESETCONTENT 0x014B
#define CB_SETCURSEL 0x014E
#define CB_SHOWDROPDOWN 0x014F
#define CB_GETITEMDATA 0x0150
#define CB_SETITEMDATA 0x0151
#define CB_SETITEMHEIGHT 0x0153
#define CB_GETITEMHEIGHT 0x0154
#define CB_GETDROPPEDSTATE 0x0157
#define CB_FINDSTRINGEXACT 0x0158
#define CBN_SELCHANGE 1
#define CBN_DBLCLK 2
#define CBN_SETFOCUS 3
#define CBN_KILLFOCUS 4
#define CBN_EDITCHANGE 5
#define CBN_EDITUPDATE 6
#define CBN_DROPDOWN 7
#define CBN_CLOSEUP 8

// ---- extended combo box: the combo box with an image list, its items carrying images ----
#define WC_COMBOBOXEXW u"ComboBoxEx32"
#define CBEM_SETIMAGELIST (WM_USER + 2)
#define CBEM_GETIMAGELIST (WM_USER + 3)
#define CBEM_INSERTITEMW (WM_USER + 11)
#define CBEM_SETITEMW (WM_USER + 12)
#define CBEM_GETITEMW (WM_USER + 13)
#define CBEM_DELETEITEM CB_DELETESTRING
#define CBEIF_TEXT 0x00000001
#define CBEIF_IMAGE 0x00000002
#define CBEIF_SELECTEDIMAGE 0x00000004
#define CBEIF_LPARAM 0x00000020
struct COMBOBOXEXITEMW {
  UINT mask;
  INT_PTR iItem;
  LPWSTR pszText;
  int cchTextMax;
  int iImage;
  int iSelectedImage;
  int iOverlay;
  int iIndent;
  LPARAM lParam;
};

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

// Registers "Button", "Static" and "Edit" once per process; repeated calls do nothing.
void RegisterStandardControls();

// The window procedures behind the two classes (registered by RegisterStandardControls).
LRESULT ButtonProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT StaticProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT EditProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT TrackBarProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT UpDownProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ComboBoxProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ComboListProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Sets a control's default text colours on `dc`, then lets the parent choose them through the
// control-colour message; returns the parent's brush (the system colour `background` when it
// gives none).
HBRUSH ControlColours(HWND control, HDC dc, UINT colourMessage, int background = COLOR_BTNFACE);

// Fills a rectangle with a system colour; draws a one-pixel frame in two system colours, light
// on the top and left, dark on the bottom and right (swap them for a sunken look).
void Fill(HDC dc, int left, int top, int right, int bottom, int colour);
void Frame(HDC dc, RECT area, int light, int dark);

// Sends a WM_COMMAND notification with the control's id to its parent.
void NotifyParent(HWND control, WORD code);

// Starts a control's paint with its font (the default GUI font when it has none) selected;
// EndControlPaint puts the old font back and ends the paint. Null when there is nothing to paint.
HDC BeginControlPaint(HWND control, PAINTSTRUCT* paint, HGDIOBJ* oldFont);
void EndControlPaint(HWND control, PAINTSTRUCT* paint, HGDIOBJ oldFont);

// The procedure shape of the controls that keep a state record in their first window-extra
// pointer: the record is made on WM_NCCREATE (`Create` may fill it from the creation data),
// handed to `handle` for every other message and deleted on WM_NCDESTROY.
template <typename State, LRESULT (*handle)(HWND, State&, UINT, WPARAM, LPARAM),
          void (*Create)(State&, const CREATESTRUCTW*) = nullptr>
LRESULT StatefulProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* state = new State;
    if constexpr (Create != nullptr) Create(*state, reinterpret_cast<const CREATESTRUCTW*>(lParam));
    SetWindowLongPtrW(control, 0, reinterpret_cast<LONG_PTR>(state));
    return DefWindowProcW(control, message, wParam, lParam);
  }
  auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(control, 0));
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(control, 0, 0);
    delete state;
    return DefWindowProcW(control, message, wParam, lParam);
  }
  if (state == nullptr) return DefWindowProcW(control, message, wParam, lParam);
  return handle(control, *state, message, wParam, lParam);
}

}  // namespace platform
