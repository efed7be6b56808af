// The About window and the fields it shows.
#pragma once

#include <cstdint>

// Records a field of the About window: its key, its text and a value that goes with it.
void AboutSetField(const char16_t* key, const char16_t* text, int64_t value);
// Opens the About window over the window with this handle, or brings it to the front.
void AboutOpen(int64_t parentHandle);
