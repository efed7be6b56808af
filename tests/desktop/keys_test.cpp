// Keys as the desktop reports them, named as the platform's key messages name them: by what the
// layout puts on the key, else by the key's place, so that shortcuts work on any layout.
#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "gtk_keys.h"
#include "user.h"

namespace {

using platform::gtk::VirtualKeyOf;

// X11 key codes are the keyboard's evdev codes plus 8.
constexpr uint16_t Key(uint16_t evdev) { return static_cast<uint16_t>(evdev + 8); }

TEST(DesktopKeys, LettersOfOtherScriptsAndShiftedSymbolsKeepTheKeyTheyAreOn) {
  EXPECT_EQ(VirtualKeyOf(GDK_KEY_Cyrillic_es, Key(46)), static_cast<UINT>('C'));  // Ctrl+C copies on a Russian layout
  EXPECT_EQ(VirtualKeyOf(GDK_KEY_Greek_alpha, Key(30)), static_cast<UINT>('A'));
  EXPECT_EQ(VirtualKeyOf(GDK_KEY_exclam, Key(2)), static_cast<UINT>('1'));
  EXPECT_EQ(VirtualKeyOf(GDK_KEY_z, Key(21)), static_cast<UINT>('Z'));  // a German layout's Z stays Z
  EXPECT_EQ(VirtualKeyOf(GDK_KEY_Cyrillic_zhe, Key(200)), 0u);  // a key with no place of its own
  EXPECT_EQ(VirtualKeyOf(GDK_KEY_ISO_Left_Tab, Key(15)), static_cast<UINT>(VK_TAB));  // Shift+Tab is Tab
}

}  // namespace
