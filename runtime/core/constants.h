// Constants shared by every runtime library.
#pragma once

#include <cstdint>

// Pass as an object number to have the library choose an automatic id.
constexpr int64_t CV_Any = -1;
// In window and gadget positioning: leave this coordinate or size as it is.
constexpr int64_t CV_Keep = -65535;

// Result values of window procedures and gadget kind handlers.
constexpr int64_t CV_NotHandled = -791621423;      // let the default processing run
constexpr int64_t CV_ContinueDefault = -522133279;  // a window callback lets the runtime go on
