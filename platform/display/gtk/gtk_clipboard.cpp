// The desktop clipboard's text for the GTK backend: the platform's UTF-16 texts in and out of
// the desktop's CLIPBOARD selection as UTF-8, with the desktop's line ends.
#include <string>

#include "gtk_choosers.h"
#include "kernel.h"

namespace platform::gtk {
namespace {

GtkClipboard* DesktopClipboard() {
  GdkDisplay* display = gdk_display_get_default();
  return display != nullptr ? gtk_clipboard_get_for_display(display, GDK_SELECTION_CLIPBOARD) : nullptr;
}

}  // namespace

bool ClipboardSetText(const std::u16string& text) {
  GtkClipboard* clipboard = DesktopClipboard();
  if (clipboard == nullptr) return false;
  // Unpaired surrogates become U+FFFD on the way; the controls copy CR LF line ends, which the
  // desktop's programs read as a stray character before each line end.
  std::string utf8 = Utf16ToUtf8(text.c_str(), static_cast<ptrdiff_t>(text.size()));
  std::string desktop;
  desktop.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') continue;
    desktop.push_back(utf8[i]);
  }
  gtk_clipboard_set_text(clipboard, desktop.data(), static_cast<gint>(desktop.size()));
  // A clipboard manager, where the desktop runs one, may keep the text after the program ends.
  gtk_clipboard_set_can_store(clipboard, nullptr, 0);
  return true;
}

bool ClipboardGetText(std::u16string* text) {
  GtkClipboard* clipboard = DesktopClipboard();
  if (clipboard == nullptr) return false;
  // Asks the selection's owner (bounded by GTK's own conversion time-out) and comes back as UTF-8
  // whatever text form the owner offered.
  gchar* utf8 = gtk_clipboard_wait_for_text(clipboard);
  if (utf8 == nullptr) return false;
  *text = Utf8ToUtf16(utf8);
  g_free(utf8);
  return true;
}

}  // namespace platform::gtk
