// The track bar kind (kind 17): a slider on the platform's "msctls_trackbar32" control whose
// state is the thumb's position, with the range as attributes 1 and 2. Vertical sliders show
// the maximum at the top, so their state is the control's position mirrored in the range.
// Every move of the thumb reaches the program as EC_GADGET type 0.
#include <algorithm>

#include "controls/controls.h"
#include "core/constants.h"
#include "gadget_input.h"
#include "gadget_internal.h"

namespace {

HWND ControlOf(int64_t gadget) { return GadgetIsValid(gadget)->handle; }
bool IsVertical(HWND control) { return GetWindowLongPtrW(control, GWL_STYLE) & TBS_VERT; }
int64_t Minimum(HWND control) { return static_cast<int64_t>(SendMessageW(control, TBM_GETRANGEMIN, 0, 0)); }
int64_t Maximum(HWND control) { return static_cast<int64_t>(SendMessageW(control, TBM_GETRANGEMAX, 0, 0)); }

// Gadget values and control positions are the same on horizontal sliders and mirrored on
// vertical ones; mirroring is its own inverse.
int64_t Mirrored(HWND control, int64_t value) {
  return IsVertical(control) ? Minimum(control) + Maximum(control) - value : value;
}

int64_t TrackBarGetState(int64_t gadget) {
  HWND control = ControlOf(gadget);
  return Mirrored(control, static_cast<int64_t>(SendMessageW(control, TBM_GETPOS, 0, 0)));
}

void TrackBarSetState(int64_t gadget, int64_t value) {
  HWND control = ControlOf(gadget);
  SendMessageW(control, TBM_SETPOS, TRUE, static_cast<LPARAM>(static_cast<LONG>(Mirrored(control, value))));
}

LRESULT TrackBarMessage(int64_t gadget, HWND, UINT message, WPARAM, LPARAM) {
  if (message != WM_HSCROLL && message != WM_VSCROLL) return CV_NotHandled;
  GadgetPostEvent(gadget, 0);
  return 0;
}

int64_t TrackBarGetAttribute(int64_t gadget, int64_t attribute) {
  HWND control = ControlOf(gadget);
  if (attribute == 1) return Minimum(control);
  if (attribute == 2) return Maximum(control);
  return 0;
}

// A new end of the range keeps the value where the range still allows it.
void TrackBarSetAttribute(int64_t gadget, int64_t attribute, int64_t value) {
  if (attribute != 1 && attribute != 2) return;
  int64_t state = TrackBarGetState(gadget);
  LONG end = static_cast<LONG>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
  SendMessageW(ControlOf(gadget), attribute == 1 ? TBM_SETRANGEMIN : TBM_SETRANGEMAX, TRUE, end);
  TrackBarSetState(gadget, state);
}

GadgetKindTable* TrackBarKind() {
  static GadgetKindTable table = [] {
    GadgetKindTable kind{};
    kind.kind = GADGET_KIND_TRACKBAR;
    kind.size = sizeof(GadgetKindTable);
    kind.messageHandler = TrackBarMessage;
    kind.getState = TrackBarGetState;
    kind.setState = TrackBarSetState;
    kind.getAttribute = TrackBarGetAttribute;
    kind.setAttribute = TrackBarSetAttribute;
    return kind;
  }();
  return &table;
}

}  // namespace

int64_t GadgetTrackBarCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, int64_t minimum,
                             int64_t maximum, int64_t flags) {
  GadgetKindTable* kind = TrackBarKind();
  DWORD style = static_cast<DWORD>(flags) | WS_VISIBLE | WS_TABSTOP;
  HWND control;
  GadgetRecord* record =
      GadgetCreateControl(gadget, 0, TRACKBAR_CLASSW, u"", style, x, y, width, height, &control);
  if (record == nullptr) return 0;
  int64_t result = GadgetRegister(gadget, record, control, kind);
  auto end = [](int64_t value) { return static_cast<LPARAM>(std::clamp<int64_t>(value, 0, INT32_MAX)); };
  SendMessageW(control, TBM_SETRANGEMIN, FALSE, end(minimum));
  SendMessageW(control, TBM_SETRANGEMAX, TRUE, end(maximum));
  TrackBarSetState(GadgetNumberOf(control), 0);
  return result;
}
