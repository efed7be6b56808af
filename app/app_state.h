// Stampwork's state: the settings the user edits (saved under their own names as keys), the
// background picture they apply to, and the scratch values of a series and of a drag.
#pragma once

#include <cstdint>

#include "corvid.h"

struct List;

// The background treatment value that means "no box and no outline".
constexpr int64_t kNoColour = 0xFFFFFFF;

// The anchor list in index order: index = 3 * row + column, rows top to bottom, columns left to right.
constexpr const char16_t* kAnchorNames[9] = {u"Left Top",    u"Center Top",    u"Right Top",
                                             u"Left Middle", u"Center Middle", u"Right Middle",
                                             u"Left Bottom", u"Center Bottom", u"Right Bottom"};

struct AppState {
  int64_t xText = 0;       // anchor point of the label on the background, in pixels
  int64_t yText = 0;
  int64_t cText = 0;       // text colour
  int64_t bText = 0;       // kNoColour, a box colour (>= 0) or the complement of an outline colour
  RString FontName;
  int64_t FontSize = 0;    // points
  RString PreText;         // before the number
  RString SufText;         // after the number
  int64_t Border = 0;      // outline reach or box margin, in pixels
  int64_t RangeStart = 0;
  int64_t RangeStop = 0;
  int64_t zero = 0;        // characters the number is cut or padded to; 0 = as it is
  int64_t Anchor = 0;      // index into kAnchorNames
  RString LastText;        // the text of the image that closes a series
  RString BackFile;
  int64_t BackImage = 0;   // image object number, 0 = none
  int64_t BackWidth = 0;   // kept when a load fails
  int64_t BackHeight = 0;
  List* FontList = nullptr;  // font faces offered in the font combo box
  RString OutFile;         // the last file requester's answer; during a series, the file being written
  RString BaseName;        // output file name stem of the running series
  int64_t Counter = 0;     // number being rendered in a series
  int64_t LastMouseX = 0;  // mouse position at the last right-button press or drag step
  int64_t LastMouseY = 0;
  int64_t MouseX = 0;      // clamped mouse position of the current canvas event
  int64_t MouseY = 0;
};

extern AppState g_app;

// The default settings file, in the current directory.
constexpr const char16_t* kDefaultSettingsFile = u"Stampwork.ini";

// Sets the defaults of every setting (step 2 and 4 of the start-up).
void AppStateSetDefaults();
// Forgets everything: strings freed, numbers zeroed. The runtime's string heap must still exist.
void AppStateClear();
