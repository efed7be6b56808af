// What the gadget files share and programs do not see: the library state, the creation steps
// every kind goes through, the colour words of colour-capable kinds, the brush cache and text
// measuring for required sizes.
#pragma once

#include "gadget.h"
#include "kernel.h"

struct GadgetLibraryState {
  HWND currentParent;
  int32_t optionGroup;  // set after an option: the next option joins its group
  HFONT currentFont;
  HWND* stack;          // gadget lists opened inside the current one (containers)
  int32_t depth;
  int32_t capacity;
};

extern GadgetLibraryState* g_gadgetState;

// Creation, common part. GadgetCreateControl makes the control as a child of the current
// gadget list and takes the registry record (freeing an old gadget of that number); null on
// failure, with nothing changed. GadgetRegister then binds record and control and returns what
// the creation operation returns.
GadgetRecord* GadgetCreateControl(int64_t gadget, DWORD exStyle, const char16_t* className, const char16_t* text,
                                  DWORD style, int64_t x, int64_t y, int64_t width, int64_t height, HWND* control);
int64_t GadgetRegister(int64_t gadget, GadgetRecord* record, HWND control, GadgetKindTable* kind);
// Undoes GadgetCreateControl when a kind cannot finish its creation: destroys the control and
// gives the number back.
void GadgetCreateAbandon(int64_t gadget, GadgetRecord* record, HWND control);
// The subclass procedure of every gadget control; kinds that subclass again pass messages on
// to it.
LRESULT GadgetProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
// The number a registered record goes by (its address for automatic gadgets).
int64_t GadgetNumberOf(HWND control);
// The gadget a second control of a two-part gadget belongs to (it carries "CV_ID" and the
// gadget's id, shares the gadget's parent and its handle is one of the gadget's kind words);
// -1 for any other control.
int64_t GadgetPartOf(HWND control);
// Whether controls are drawn with visual styles (common controls 6 and a themed application).
bool GadgetVisualStyles();
// A control's frame rectangle in its parent's client coordinates.
RECT GadgetFrameInParent(HWND control);
// The number of the window a control lies in, -1 when none.
int64_t GadgetWindowOf(HWND control);
// Posts an EC_GADGET event for a gadget control.
void GadgetPostEvent(int64_t gadget, int64_t type, bool force = false);

// Pushes a parent on the gadget-list stack and makes `parent` current.
void GadgetListPush(HWND parent);

// Colour words of colour-capable kinds: back colour, front colour, back brush.
constexpr int kBackColourWord = 0;
constexpr int kFrontColourWord = 1;
constexpr int kBackBrushWord = 2;
void GadgetColoursReset(GadgetRecord* record, int64_t front);
void GadgetColourSet(int64_t gadget, int64_t which, int64_t colour);
int64_t GadgetColourGet(int64_t gadget, int64_t which);
void GadgetColoursFree(int64_t gadget);
// Answers a control-colour message for a colour-capable gadget: `systemColour` is the kind's
// background when only a front colour is set. CV_NotHandled with no colours set.
LRESULT GadgetColourMessage(int64_t gadget, HDC dc, int systemColour);

// The brush cache shared by all gadgets.
HBRUSH GadgetBrushAcquire(COLORREF colour);
void GadgetBrushRelease(HBRUSH brush);
// How many brushes the cache holds; for tests.
int64_t GadgetBrushCount();

// The drawing rectangle of a control's text in `font` (the control's own font when null).
SIZE GadgetMeasureText(HWND control, UINT format, HFONT font = nullptr);
// The same for a given text.
SIZE GadgetMeasureString(HWND control, const char16_t* text, UINT format, HFONT font = nullptr);

