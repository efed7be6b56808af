// The desktop clipboard's text: what the controls copy comes back from the desktop's CLIPBOARD
// selection, which this process then owns on the X server.
#include "desktop_fixture.h"
#include "gtk_choosers.h"

// Last: the X headers define words (None, Bool) that others use as names.
#include <gdk/gdkx.h>

namespace {

using platform::gtk::ClipboardGetText;
using platform::gtk::ClipboardSetText;

TEST_F(DesktopTest, ClipboardTextRoundTrips) {
  struct Case {
    std::u16string copied;
    std::u16string pasted;
  } cases[] = {
      {u"Grüße – 東京 🎉", u"Grüße – 東京 🎉"},
      {u"", u""},
      // Half a surrogate pair is no character: it arrives as the replacement character.
      {u"a\xD800z", u"a\xFFFDz"},
      {u"a\xDC00", u"a\xFFFD"},
      // The desktop's line ends.
      {u"one\r\ntwo\r\n", u"one\ntwo\n"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(ClipboardSetText(c.copied));
    std::u16string pasted = u"stale";
    ASSERT_TRUE(ClipboardGetText(&pasted));
    EXPECT_EQ(pasted, c.pasted);
  }
  Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
  EXPECT_NE(XGetSelectionOwner(display, XInternAtom(display, "CLIPBOARD", False)), None);
}

TEST_F(DesktopTest, AnEmptyClipboardHasNoText) {
  ASSERT_TRUE(ClipboardSetText(u"gone soon"));
  gtk_clipboard_clear(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
  std::u16string pasted = u"kept";
  EXPECT_FALSE(ClipboardGetText(&pasted));
  EXPECT_EQ(pasted, u"kept");
}

}  // namespace
