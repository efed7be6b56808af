// The "msctls_trackbar32" control: a thumb on a channel between a minimum and a maximum,
// horizontal or vertical (minimum at the left or top), with optional tick marks. Keys, clicks
// on the channel, dragging the thumb and the wheel move it, and every move is reported to the
// parent with WM_HSCROLL or WM_VSCROLL and the TB_* code, as Windows does.
#include <algorithm>

#include "controls.h"

namespace {

constexpr int kThumbBreadth = 11;  // along the channel
constexpr int kThumbLength = 21;   // across it
constexpr int kEnd = 8;            // from the control's ends to the first and last thumb centres
constexpr int kTickLength = 3;

struct TrackState {
  LONG minimum = 0;
  LONG maximum = 100;
  LONG position = 0;
  LONG line = 1;
  LONG page = 20;
  bool pageSet = false;   // the page size was chosen; otherwise it follows the range
  LONG tickFrequency = 1;
  bool dragging = false;
  int grabOffset = 0;     // from the thumb's centre to where it was grabbed
};

bool IsVertical(HWND track) { return GetWindowLongPtrW(track, GWL_STYLE) & TBS_VERT; }

// The position kept inside the range; a range whose minimum passed its maximum holds only the
// minimum.
LONG Clamped(const TrackState& state, LONG position) {
  if (position > state.maximum) position = state.maximum;
  if (position < state.minimum) position = state.minimum;
  return position;
}

// The travel of the thumb centre, along the channel: from `first` to `last` pixels.
void Travel(HWND track, int* first, int* last) {
  RECT client;
  GetClientRect(track, &client);
  int length = IsVertical(track) ? client.bottom - client.top : client.right - client.left;
  *first = kEnd;
  *last = std::max(kEnd, length - kEnd);
}

int CentreOf(HWND track, const TrackState& state, LONG position) {
  int first, last;
  Travel(track, &first, &last);
  if (state.maximum <= state.minimum) return first;
  int64_t offset = static_cast<int64_t>(position - state.minimum) * (last - first) / (state.maximum - state.minimum);
  return first + static_cast<int>(offset);
}

LONG PositionAtCentre(HWND track, const TrackState& state, int centre) {
  int first, last;
  Travel(track, &first, &last);
  if (state.maximum <= state.minimum || last <= first) return state.minimum;
  int64_t range = static_cast<int64_t>(state.maximum) - state.minimum;
  int64_t offset = static_cast<int64_t>(std::clamp(centre, first, last) - first);
  return Clamped(state, static_cast<LONG>(state.minimum + (offset * range + (last - first) / 2) / (last - first)));
}

// Across the channel: the thumb's extent, centred in the control.
void AcrossExtent(HWND track, int* from, int* to) {
  RECT client;
  GetClientRect(track, &client);
  int breadth = IsVertical(track) ? client.right - client.left : client.bottom - client.top;
  *from = std::max(0, (breadth - kThumbLength) / 2);
  *to = std::min(breadth, *from + kThumbLength);
}

RECT ThumbRect(HWND track, const TrackState& state) {
  int centre = CentreOf(track, state, state.position);
  int from, to;
  AcrossExtent(track, &from, &to);
  int half = kThumbBreadth / 2;
  if (IsVertical(track)) return RECT{from, centre - half, to, centre + half + 1};
  return RECT{centre - half, from, centre + half + 1, to};
}

RECT ChannelRect(HWND track) {
  int first, last, from, to;
  Travel(track, &first, &last);
  AcrossExtent(track, &from, &to);
  int middle = (from + to) / 2;
  if (IsVertical(track)) return RECT{middle - 2, first, middle + 2, last + 1};
  return RECT{first, middle - 2, last + 1, middle + 2};
}

void Notify(HWND track, WORD code, LONG position = 0) {
  HWND parent = GetParent(track);
  if (parent == nullptr) return;
  SendMessageW(parent, IsVertical(track) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, static_cast<WORD>(position)),
               reinterpret_cast<LPARAM>(track));
}

void MoveTo(HWND track, TrackState& state, LONG position) {
  position = Clamped(state, position);
  if (position == state.position) return;
  state.position = position;
  InvalidateRect(track, nullptr, FALSE);
}

// A step of the user's: the thumb moves and the parent hears the code.
void Step(HWND track, TrackState& state, WORD code) {
  LONG position = state.position;
  switch (code) {
    case TB_LINEUP: position -= state.line; break;
    case TB_LINEDOWN: position += state.line; break;
    case TB_PAGEUP: position -= state.page; break;
    case TB_PAGEDOWN: position += state.page; break;
    case TB_TOP: position = state.minimum; break;
    case TB_BOTTOM: position = state.maximum; break;
    default: break;
  }
  MoveTo(track, state, position);
  Notify(track, code);
}

void RangeChanged(HWND track, TrackState& state, bool redraw) {
  if (!state.pageSet) state.page = std::max<LONG>(1, (state.maximum - state.minimum) / 5);
  state.position = Clamped(state, state.position);
  if (redraw) InvalidateRect(track, nullptr, FALSE);
}

void Paint(HWND track, const TrackState& state) {
  PAINTSTRUCT paint;
  HGDIOBJ oldFont;
  HDC dc = platform::BeginControlPaint(track, &paint, &oldFont);
  if (dc == nullptr) return;
  RECT client;
  GetClientRect(track, &client);
  FillRect(dc, &client, platform::ControlColours(track, dc, WM_CTLCOLORSTATIC));
  RECT channel = ChannelRect(track);
  platform::Fill(dc, channel.left, channel.top, channel.right, channel.bottom, COLOR_WINDOW);
  DrawEdge(dc, &channel, EDGE_SUNKEN, BF_RECT);
  bool vertical = IsVertical(track);
  if ((GetWindowLongPtrW(track, GWL_STYLE) & (TBS_AUTOTICKS | TBS_NOTICKS)) == TBS_AUTOTICKS &&
      state.maximum > state.minimum) {
    int from, to;
    AcrossExtent(track, &from, &to);
    LONG frequency = std::max<LONG>(1, state.tickFrequency);
    for (int64_t tick = state.minimum; tick <= state.maximum; tick += frequency) {
      int at = CentreOf(track, state, static_cast<LONG>(tick));
      if (vertical) platform::Fill(dc, to + 1, at, to + 1 + kTickLength, at + 1, COLOR_WINDOWTEXT);
      else platform::Fill(dc, at, to + 1, at + 1, to + 1 + kTickLength, COLOR_WINDOWTEXT);
    }
  }
  RECT thumb = ThumbRect(track, state);
  bool enabled = IsWindowEnabled(track);
  platform::Fill(dc, thumb.left, thumb.top, thumb.right, thumb.bottom, state.dragging ? COLOR_3DLIGHT : COLOR_BTNFACE);
  if (enabled) DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT | BF_SOFT);
  else DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT | BF_FLAT);
  if (GetFocus() == track) DrawFocusRect(dc, &client);
  platform::EndControlPaint(track, &paint, oldFont);
}

int AlongOf(HWND track, LPARAM point) { return IsVertical(track) ? GET_Y_LPARAM(point) : GET_X_LPARAM(point); }

LRESULT Message(HWND track, TrackState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case TBM_GETPOS: return state.position;
    case TBM_GETRANGEMIN: return state.minimum;
    case TBM_GETRANGEMAX: return state.maximum;
    case TBM_SETPOS:
      state.position = Clamped(state, static_cast<LONG>(lParam));
      if (wParam) InvalidateRect(track, nullptr, FALSE);
      return 0;
    case TBM_SETRANGE:
      state.minimum = static_cast<SHORT>(LOWORD(lParam));
      state.maximum = static_cast<SHORT>(HIWORD(lParam));
      RangeChanged(track, state, wParam != 0);
      return 0;
    case TBM_SETRANGEMIN:
      state.minimum = static_cast<LONG>(lParam);
      RangeChanged(track, state, wParam != 0);
      return 0;
    case TBM_SETRANGEMAX:
      state.maximum = static_cast<LONG>(lParam);
      RangeChanged(track, state, wParam != 0);
      return 0;
    case TBM_SETTICFREQ:
      state.tickFrequency = std::max<LONG>(1, static_cast<LONG>(wParam));
      InvalidateRect(track, nullptr, FALSE);
      return 0;
    case TBM_SETPAGESIZE: {
      LONG previous = state.page;
      state.page = static_cast<LONG>(lParam);
      state.pageSet = true;
      return previous;
    }
    case TBM_GETPAGESIZE: return state.page;
    case TBM_SETLINESIZE: {
      LONG previous = state.line;
      state.line = static_cast<LONG>(lParam);
      return previous;
    }
    case TBM_GETLINESIZE: return state.line;
    case TBM_GETTHUMBRECT:
    case TBM_GETCHANNELRECT:
      if (lParam) *reinterpret_cast<RECT*>(lParam) = message == TBM_GETTHUMBRECT ? ThumbRect(track, state) : ChannelRect(track);
      return 0;
    case WM_KEYDOWN:
      switch (wParam) {
        case VK_LEFT:
        case VK_UP: Step(track, state, TB_LINEUP); return 0;
        case VK_RIGHT:
        case VK_DOWN: Step(track, state, TB_LINEDOWN); return 0;
        case VK_PRIOR: Step(track, state, TB_PAGEUP); return 0;
        case VK_NEXT: Step(track, state, TB_PAGEDOWN); return 0;
        case VK_HOME: Step(track, state, TB_TOP); return 0;
        case VK_END: Step(track, state, TB_BOTTOM); return 0;
        default: break;
      }
      break;
    case WM_KEYUP:
      switch (wParam) {
        case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN:
        case VK_PRIOR: case VK_NEXT: case VK_HOME: case VK_END:
          Notify(track, TB_ENDTRACK);
          return 0;
        default: break;
      }
      break;
    case WM_MOUSEWHEEL: {
      int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
      // Away from the user moves toward the minimum, one line per notch.
      for (int i = 0; i < std::abs(notches); ++i) Step(track, state, notches > 0 ? TB_LINEUP : TB_LINEDOWN);
      if (notches != 0) Notify(track, TB_ENDTRACK);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (GetFocus() != track) SetFocus(track);
      RECT thumb = ThumbRect(track, state);
      POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      int along = AlongOf(track, lParam);
      int centre = CentreOf(track, state, state.position);
      SetCapture(track);
      if (PtInRect(&thumb, point)) {
        state.dragging = true;
        state.grabOffset = along - centre;
        InvalidateRect(track, nullptr, FALSE);
      } else {
        Step(track, state, along < centre ? TB_PAGEUP : TB_PAGEDOWN);
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (state.dragging) {
        LONG position = PositionAtCentre(track, state, AlongOf(track, lParam) - state.grabOffset);
        if (position != state.position) {
          MoveTo(track, state, position);
          Notify(track, TB_THUMBTRACK, position);
        }
      }
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == track) {
        bool dragged = state.dragging;
        state.dragging = false;
        ReleaseCapture();
        if (dragged) Notify(track, TB_THUMBPOSITION, state.position);
        Notify(track, TB_ENDTRACK);
        InvalidateRect(track, nullptr, FALSE);
      }
      return 0;
    case WM_CAPTURECHANGED:
      state.dragging = false;
      InvalidateRect(track, nullptr, FALSE);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SIZE: InvalidateRect(track, nullptr, FALSE); break;
    case WM_ERASEBKGND: return 1;  // the paint fills the whole control
    case WM_PAINT: Paint(track, state); return 0;
    default: break;
  }
  return DefWindowProcW(track, message, wParam, lParam);
}

}  // namespace

namespace platform {

LRESULT TrackBarProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  return StatefulProcedure<TrackState, Message>(control, message, wParam, lParam);
}

}  // namespace platform
