// System metrics and colours of the desktop: the screen the display reports (1920 x 1080 at 96
// dots per inch headless), a fixed, documented frame (caption 23, sizing border 4, fixed frame 3, border 1, edge 2,
// menu bar 20 pixels) and the standard colour scheme. The desktop window manager reports
// composition on, as every current desktop does.
#include <mutex>

#include "backend.h"
#include "kernel.h"
#include "text.h"
#include "user_internal.h"

int GetSystemMetrics(int index) {
  // The screen is whatever the display backend reports (1920 x 1080 headless); the frame is fixed.
  const platform::ScreenInfo display = platform::Screen();
  const LONG workWidth = display.workArea.right - display.workArea.left;
  const LONG workHeight = display.workArea.bottom - display.workArea.top;
  switch (index) {
    case SM_XVIRTUALSCREEN: return display.desktop.left;
    case SM_YVIRTUALSCREEN: return display.desktop.top;
    case SM_CXVIRTUALSCREEN: return display.desktop.right - display.desktop.left;
    case SM_CYVIRTUALSCREEN: return display.desktop.bottom - display.desktop.top;
    case SM_CXSCREEN: return display.width;
    case SM_CXFULLSCREEN: return workWidth;
    case SM_CYSCREEN: return display.height;
    case SM_CYFULLSCREEN: return workHeight - 23;
    case SM_CXVSCROLL: case SM_CYHSCROLL: return 17;
    case SM_CYCAPTION: return 23;
    case SM_CYSMCAPTION: return 17;
    case SM_CXBORDER: case SM_CYBORDER: return 1;
    case SM_CXFIXEDFRAME: case SM_CYFIXEDFRAME: return 3;
    case SM_CXSIZEFRAME: case SM_CYSIZEFRAME: return 4;
    case SM_CXEDGE: case SM_CYEDGE: return 2;
    case SM_CYMENU: return 20;
    case SM_CXICON: case SM_CYICON: case SM_CXCURSOR: case SM_CYCURSOR: return 32;
    case SM_CXSMICON: case SM_CYSMICON: return 16;
    case SM_CXSIZE: case SM_CYSIZE: return 36;
    case SM_CXMIN: return 136;
    case SM_CYMIN: return 39;
    case SM_CXMINTRACK: return 136;
    case SM_CYMINTRACK: return 39;
    case SM_CXMAXTRACK: return display.width + 2 * 4 + 12;
    case SM_CYMAXTRACK: return display.height + 2 * 4 + 12;
    case SM_CXMAXIMIZED: return workWidth;
    case SM_CYMAXIMIZED: return workHeight;
    case SM_CXDOUBLECLK: case SM_CYDOUBLECLK: return 4;
    case SM_CXDRAG: case SM_CYDRAG: return 4;
    case SM_CXPADDEDBORDER: return 0;
    default: return 0;
  }
}

namespace {

constexpr DWORD kColours[31] = {
    0xC8C8C8,  // scroll bar
    0x000000,  // background
    0xD1B499,  // active caption
    0xDBCDBF,  // inactive caption
    0xF0F0F0,  // menu
    0xFFFFFF,  // window
    0x646464,  // window frame
    0x000000,  // menu text
    0x000000,  // window text
    0x000000,  // caption text
    0xB4B4B4,  // active border
    0xFCF7F4,  // inactive border
    0xABABAB,  // application workspace
    0xD77800,  // highlight
    0xFFFFFF,  // highlight text
    0xF0F0F0,  // button face
    0xA0A0A0,  // button shadow
    0x6D6D6D,  // grey text
    0x000000,  // button text
    0x000000,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x696969,  // 3D dark shadow
    0xE3E3E3,  // 3D light
    0x000000,  // tooltip text
    0xE1FFFF,  // tooltip background
    0xB5B5B5,  // (unused index 25)
    0xCC6600,  // hot-tracked item
    0xEAD1B9,  // gradient active caption
    0xF2E4D7,  // gradient inactive caption
    0xFF9933,  // menu highlight
    0xF0F0F0,  // menu bar
};

std::mutex g_brushLock;
HBRUSH g_brushes[31];

}  // namespace

DWORD GetSysColor(int index) { return index >= 0 && index <= COLOR_MENUBAR ? kColours[index] : 0; }

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || index > COLOR_MENUBAR) return nullptr;
  std::lock_guard<std::mutex> guard(g_brushLock);
  // System brushes live as long as the process; they are never deleted.
  if (g_brushes[index] == nullptr) g_brushes[index] = CreateSolidBrush(kColours[index]);
  return g_brushes[index];
}

HRESULT DwmIsCompositionEnabled(BOOL* enabled) {
  if (enabled == nullptr) return E_INVALIDARG;
  *enabled = TRUE;
  return S_OK;
}
