// The headless keyboard layout: the characters a US keyboard makes for a virtual key with Shift
// and Control, which TranslateMessage uses when no desktop delivers the text of a key. Control
// with a letter makes its control character (Ctrl+A is 1); control with anything else makes none.
#include "user_internal.h"

namespace platform {

char16_t UsKeyboardCharacter(UINT key, bool shift, bool control) {
  char16_t character = 0;
  static const char16_t kShiftedDigits[] = u")!@#$%^&*(";
  if (key >= 'A' && key <= 'Z') {
    character = control ? static_cast<char16_t>(key - 'A' + 1) : static_cast<char16_t>(shift ? key : key + 32);
  } else if (control) {
    character = 0;  // control with anything but a letter makes no character
  } else if (key >= '0' && key <= '9') {
    character = shift ? kShiftedDigits[key - '0'] : static_cast<char16_t>(key);
  } else if (key >= 0x60 && key <= 0x69) {
    character = static_cast<char16_t>('0' + key - 0x60);
  } else {
    switch (key) {
      case VK_SPACE: character = u' '; break;
      case VK_RETURN: character = u'\r'; break;
      case VK_BACK: character = u'\b'; break;
      case VK_TAB: character = u'\t'; break;
      case VK_ESCAPE: character = 0x1B; break;
      case 0xBA: character = shift ? u':' : u';'; break;
      case 0xBB: character = shift ? u'+' : u'='; break;
      case 0xBC: character = shift ? u'<' : u','; break;
      case 0xBD: character = shift ? u'_' : u'-'; break;
      case 0xBE: character = shift ? u'>' : u'.'; break;
      case 0xBF: character = shift ? u'?' : u'/'; break;
      case 0xC0: character = shift ? u'~' : u'`'; break;
      case 0xDB: character = shift ? u'{' : u'['; break;
      case 0xDC: character = shift ? u'|' : u'\\'; break;
      case 0xDD: character = shift ? u'}' : u']'; break;
      case 0xDE: character = shift ? u'"' : u'\''; break;
      default: break;
    }
  }
  return character;
}

}  // namespace platform
