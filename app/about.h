// The About window and the fields it shows.
#pragma once

#include <cstdint>

// Records a field of the About window: its key (any case), its text and a value that goes with
// it. Texts: "title", "program", "version", "comment", "website", "copyright", "credits_file",
// "license_file"; values: "logo" (an image handle), "credits_mem" and "license_mem" (addresses
// of zero-terminated UTF-8 texts). Other keys are ignored.
void AboutSetField(const char16_t* key, const char16_t* text, int64_t value);
// Opens the About window over the window with this handle (0: centred on the screen), or
// brings it to the front when it is open.
void AboutOpen(int64_t parentHandle);
// The window's event procedures: the Credits and License toggles, the link, Okay and the close box.
void AboutCredits();
void AboutLicense();
void AboutWebsite();
void AboutClose();
// Closes the window and forgets every field (the program's end).
void AboutForget();
// The About window's dialog while it is open, 0 otherwise.
int64_t AboutDialog();
