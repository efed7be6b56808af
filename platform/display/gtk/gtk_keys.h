// Keys as GDK reports them, turned into the virtual keys and scan codes of the platform's key
// messages. Letters, digits and punctuation keep the key they are on a US keyboard when the
// layout gives them no Latin meaning, so that Ctrl+C copies on a Cyrillic or Greek layout too.
#pragma once

#include <cstdint>

#include "windows_types.h"

namespace platform::gtk {

// The virtual key of a key event: from the key value first (what the layout makes of the key),
// else from the key's place on the keyboard. 0 for a key that has none.
UINT VirtualKeyOf(unsigned keyval, uint16_t hardwareKeycode);

// The key's scan code as key messages carry it (bits 0-7, 0x100 for the extended keys), from
// the X11/evdev key code (evdev code + 8).
UINT ScanCodeOf(uint16_t hardwareKeycode);

}  // namespace platform::gtk
