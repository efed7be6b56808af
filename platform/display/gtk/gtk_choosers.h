// The desktop's own requesters and clipboard, for the GTK backend: the file chooser (open and
// save), the colour chooser and the clipboard's text. Called on the thread that runs GTK, with
// GTK initialised; each chooser runs modal over its parent until the user answers.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "backend.h"

namespace platform::gtk {

// The file chooser for `request` (open or save, filters, initial folder and name, multiple
// selection, overwrite confirmation), modal over `parent` (null: none). True with the chosen
// paths (absolute) and the 1-based index of the filter left selected; false when cancelled.
// Filters ignore letter case; the chooser starts in the current folder when the request names
// none. A chosen name is refused with a message, the chooser staying open, when its bytes are no
// UTF-8 (the platform's file functions could not reach it under any text), or when the request's
// OFN_FILEMUSTEXIST or OFN_PATHMUSTEXIST find the file or its folder missing.
bool FileChooserRun(GtkWindow* parent, const FileDialogRequest& request, std::vector<std::u16string>* paths,
                    DWORD* filterIndex);

// The colour chooser starting at `request.initial`; true with the chosen colour (0x00BBGGRR).
bool ColourChooserRun(GtkWindow* parent, const ColorDialogRequest& request, COLORREF* chosen);

// Answers every open chooser with a cancel, and GTK's own questions over them (whether to replace
// a file): the display is going away, or the window they belong to is gone. Safe to call when
// none is open; each chooser's run then returns false.
void ChoosersCancel();

// The desktop clipboard's text. Set: CR LF line ends go out as LF, unpaired surrogates as U+FFFD;
// false without a display. Get: false when the clipboard holds no text (or no display is open).
bool ClipboardSetText(const std::u16string& text);
bool ClipboardGetText(std::u16string* text);

}  // namespace platform::gtk
