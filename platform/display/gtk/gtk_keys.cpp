// GDK key values and evdev key codes to virtual keys and scan codes. The tables follow the
// key caps of a US keyboard; the extended keys are those that a PC keyboard reports with the
// 0xE0 prefix (the arrows and the block above them, the right-hand modifiers, keypad Enter and /).
#include "gtk_keys.h"

#include <gdk/gdkkeysyms.h>

#include <iterator>
#include <utility>

#include "user.h"

namespace platform::gtk {
namespace {

// evdev key codes (the X11 key code less 8) of the keys whose scan code is not their evdev code.
constexpr std::pair<uint16_t, UINT> kExtendedScanCodes[] = {
    {96, 0x11C},  {97, 0x11D},  {98, 0x135},  {99, 0x137},  {100, 0x138}, {102, 0x147}, {103, 0x148},
    {104, 0x149}, {105, 0x14B}, {106, 0x14D}, {107, 0x14F}, {108, 0x150}, {109, 0x151}, {110, 0x152},
    {111, 0x153}, {125, 0x15B}, {126, 0x15C}, {127, 0x15D},
};

constexpr std::pair<unsigned, UINT> kNamedKeys[] = {
    {GDK_KEY_BackSpace, VK_BACK},     {GDK_KEY_Tab, VK_TAB},          {GDK_KEY_ISO_Left_Tab, VK_TAB},
    {GDK_KEY_Return, VK_RETURN},      {GDK_KEY_KP_Enter, VK_RETURN},  {GDK_KEY_Escape, VK_ESCAPE},
    {GDK_KEY_space, VK_SPACE},        {GDK_KEY_KP_Space, VK_SPACE},   {GDK_KEY_Pause, VK_PAUSE},
    {GDK_KEY_Caps_Lock, VK_CAPITAL},  {GDK_KEY_Num_Lock, VK_NUMLOCK}, {GDK_KEY_Scroll_Lock, VK_SCROLL},
    {GDK_KEY_Print, VK_SNAPSHOT},     {GDK_KEY_Menu, VK_APPS},
    {GDK_KEY_Page_Up, VK_PRIOR},      {GDK_KEY_KP_Page_Up, VK_PRIOR}, {GDK_KEY_Page_Down, VK_NEXT},
    {GDK_KEY_KP_Page_Down, VK_NEXT},  {GDK_KEY_End, VK_END},          {GDK_KEY_KP_End, VK_END},
    {GDK_KEY_Home, VK_HOME},          {GDK_KEY_KP_Home, VK_HOME},     {GDK_KEY_Left, VK_LEFT},
    {GDK_KEY_KP_Left, VK_LEFT},       {GDK_KEY_Up, VK_UP},            {GDK_KEY_KP_Up, VK_UP},
    {GDK_KEY_Right, VK_RIGHT},        {GDK_KEY_KP_Right, VK_RIGHT},   {GDK_KEY_Down, VK_DOWN},
    {GDK_KEY_KP_Down, VK_DOWN},       {GDK_KEY_Insert, VK_INSERT},    {GDK_KEY_KP_Insert, VK_INSERT},
    {GDK_KEY_Delete, VK_DELETE},      {GDK_KEY_KP_Delete, VK_DELETE}, {GDK_KEY_KP_Begin, VK_CLEAR},
    {GDK_KEY_KP_Multiply, VK_MULTIPLY}, {GDK_KEY_KP_Add, VK_ADD},     {GDK_KEY_KP_Separator, VK_SEPARATOR},
    {GDK_KEY_KP_Subtract, VK_SUBTRACT}, {GDK_KEY_KP_Decimal, VK_DECIMAL}, {GDK_KEY_KP_Divide, VK_DIVIDE},
    {GDK_KEY_Shift_L, VK_LSHIFT},     {GDK_KEY_Shift_R, VK_RSHIFT},   {GDK_KEY_Control_L, VK_LCONTROL},
    {GDK_KEY_Control_R, VK_RCONTROL}, {GDK_KEY_Alt_L, VK_LMENU},      {GDK_KEY_Alt_R, VK_RMENU},
    {GDK_KEY_Meta_L, VK_LMENU},       {GDK_KEY_Meta_R, VK_RMENU},     {GDK_KEY_ISO_Level3_Shift, VK_RMENU},
    {GDK_KEY_Super_L, VK_LWIN},       {GDK_KEY_Super_R, VK_RWIN},
    {GDK_KEY_semicolon, VK_OEM_1},    {GDK_KEY_colon, VK_OEM_1},      {GDK_KEY_equal, VK_OEM_PLUS},
    {GDK_KEY_plus, VK_OEM_PLUS},      {GDK_KEY_comma, VK_OEM_COMMA},  {GDK_KEY_less, VK_OEM_COMMA},
    {GDK_KEY_minus, VK_OEM_MINUS},    {GDK_KEY_underscore, VK_OEM_MINUS}, {GDK_KEY_period, VK_OEM_PERIOD},
    {GDK_KEY_greater, VK_OEM_PERIOD}, {GDK_KEY_slash, VK_OEM_2},      {GDK_KEY_question, VK_OEM_2},
    {GDK_KEY_grave, VK_OEM_3},        {GDK_KEY_asciitilde, VK_OEM_3}, {GDK_KEY_bracketleft, VK_OEM_4},
    {GDK_KEY_braceleft, VK_OEM_4},    {GDK_KEY_backslash, VK_OEM_5},  {GDK_KEY_bar, VK_OEM_5},
    {GDK_KEY_bracketright, VK_OEM_6}, {GDK_KEY_braceright, VK_OEM_6}, {GDK_KEY_apostrophe, VK_OEM_7},
    {GDK_KEY_quotedbl, VK_OEM_7},
};

// The US key caps of the typing block by evdev code: what a key is called when its layout puts
// no Latin letter, digit or punctuation on it.
constexpr const char* kTypingRows[] = {
    "\0\0" "1234567890" "\xBD\xBB",  // codes 0-13: Escape, the digit row, - =
    "\0\0" "QWERTYUIOP" "\xDB\xDD",  // 14-27: Backspace, Tab, the top row, [ ]
    "\0\0" "ASDFGHJKL" "\xBA\xDE\xC0" "\0" "\xDC",  // 28-43: Return, Ctrl, the home row, ; ' `, Shift, backslash
    "ZXCVBNM" "\xBC\xBE\xBF",  // 44-53: the bottom row , . /
};
constexpr int kTypingRowStart[] = {0, 14, 28, 44};
constexpr int kTypingRowLength[] = {14, 14, 16, 10};

UINT TypingKeyAt(uint16_t code) {
  for (size_t row = 0; row < std::size(kTypingRows); ++row) {
    int at = code - kTypingRowStart[row];
    if (at >= 0 && at < kTypingRowLength[row]) return static_cast<unsigned char>(kTypingRows[row][at]);
  }
  return 0;
}

}  // namespace

UINT VirtualKeyOf(unsigned keyval, uint16_t hardwareKeycode) {
  if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) return 'A' + (keyval - GDK_KEY_a);
  if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return 'A' + (keyval - GDK_KEY_A);
  if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return '0' + (keyval - GDK_KEY_0);
  if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9) return VK_NUMPAD0 + (keyval - GDK_KEY_KP_0);
  if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24) return VK_F1 + (keyval - GDK_KEY_F1);
  for (auto [value, key] : kNamedKeys) {
    if (value == keyval) return key;
  }
  // Shifted digits and the letters of other scripts: the key's own place decides.
  return hardwareKeycode >= 8 ? TypingKeyAt(static_cast<uint16_t>(hardwareKeycode - 8)) : 0;
}

UINT ScanCodeOf(uint16_t hardwareKeycode) {
  if (hardwareKeycode < 8) return 0;
  const uint16_t code = static_cast<uint16_t>(hardwareKeycode - 8);
  for (auto [evdev, scan] : kExtendedScanCodes) {
    if (evdev == code) return scan;
  }
  return code <= 0x58 ? code : 0;  // the base keys up to F12 report their evdev code
}

}  // namespace platform::gtk
