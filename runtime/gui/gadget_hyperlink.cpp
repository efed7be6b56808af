// The hyperlink kind (kind 10): a text that paints itself in its front colour, or in its hover
// colour while the pointer is over it, with the hand cursor, and reports a click when the left
// button is released over it. A 30 ms timer notices the pointer leaving.
#include <string>

#include "controls/controls.h"
#include "core/constants.h"
#include "core/heap.h"
#include "gadget_internal.h"
#include "text.h"

namespace {

constexpr int kStateWord = 3;  // the side record below
constexpr UINT_PTR kHoverTimer = 1;
constexpr int kMaximumDrawn = 512;

struct HyperlinkState {
  WNDPROC previous;
  HFONT font;
  int64_t flags;
  int64_t hoverColour;
  int32_t hovered;
};

HyperlinkState* StateOf(int64_t gadget) {
  GadgetRecord* record = GadgetIsValid(gadget);
  return record ? reinterpret_cast<HyperlinkState*>(static_cast<uintptr_t>(record->kindWords[kStateWord])) : nullptr;
}

COLORREF ColourRef(int64_t colour) { return static_cast<COLORREF>(colour & 0xFFFFFF); }

void Paint(HWND control, int64_t gadget, HyperlinkState* state) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(control, &paint);
  if (dc == nullptr) return;
  RECT client;
  GetClientRect(control, &client);
  HWND parent = GetParent(control);
  auto brush = reinterpret_cast<HBRUSH>(
      SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
  FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
  WCHAR text[kMaximumDrawn + 1];
  int length = GetWindowTextW(control, text, kMaximumDrawn + 1);
  HGDIOBJ oldFont = SelectObject(dc, state->font ? static_cast<HGDIOBJ>(state->font) : GetStockObject(DEFAULT_GUI_FONT));
  int64_t front = GadgetIsValid(gadget)->kindWords[kFrontColourWord];
  COLORREF colour = state->hovered ? ColourRef(state->hoverColour) : ColourRef(front == -1 ? 0 : front);
  if (!IsWindowEnabled(control)) colour = GetSysColor(COLOR_GRAYTEXT);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  if (length > 0) {
    TextOutW(dc, 0, 0, text, length);
    if (state->flags & CV_HyperLink_Underline) {
      SIZE size{};
      GetTextExtentPoint32W(dc, text, length, &size);
      RECT line{0, size.cy, size.cx, size.cy + 1};
      if (HBRUSH pen = CreateSolidBrush(colour)) {
        FillRect(dc, &line, pen);
        DeleteObject(pen);
      }
    }
  }
  SelectObject(dc, oldFont);
  EndPaint(control, &paint);
}

// The pointer may have left without a message to the control: the timer looks where it is.
void CheckHover(HWND control, HyperlinkState* state) {
  DWORD position = GetMessagePos();
  POINT point{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
  ScreenToClient(control, &point);
  RECT client;
  GetClientRect(control, &client);
  HWND parent = GetParent(control);
  if (!PtInRect(&client, point) || (parent && !IsWindowEnabled(parent))) {
    state->hovered = 0;
    KillTimer(control, kHoverTimer);
    InvalidateRect(control, nullptr, TRUE);
  }
}

LRESULT HyperlinkProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  int64_t gadget = GadgetNumberOf(control);
  HyperlinkState* state = gadget == -1 ? nullptr : StateOf(gadget);
  if (state == nullptr) return GadgetProcedure(control, message, wParam, lParam);
  WNDPROC previous = state->previous;
  switch (message) {
    case WM_NCHITTEST: return DefWindowProcW(control, message, wParam, lParam);  // takes the mouse
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(control, gadget, state); return 0;
    case WM_SETCURSOR: {
      HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
      SetCursor(hand ? hand : LoadCursorW(nullptr, IDC_ARROW));
      return TRUE;
    }
    case WM_MOUSEMOVE:
      if (!state->hovered) {
        state->hovered = 1;
        SetTimer(control, kHoverTimer, 30, nullptr);
        InvalidateRect(control, nullptr, TRUE);
      }
      return 0;
    case WM_TIMER:
      if (wParam == kHoverTimer) {
        CheckHover(control, state);
        return 0;
      }
      break;
    case WM_LBUTTONUP: GadgetPostEvent(gadget, ET_LEFT_CLICK); return 0;
    case WM_SETFONT:
      state->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) InvalidateRect(control, nullptr, TRUE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(state->font);
    case WM_SETTEXT:
    case WM_ENABLE:
    case WM_UPDATEUISTATE: {
      LRESULT result = CallWindowProcW(previous, control, message, wParam, lParam);
      InvalidateRect(control, nullptr, TRUE);
      return result;
    }
    case WM_NCDESTROY: KillTimer(control, kHoverTimer); break;
    default: break;
  }
  return CallWindowProcW(previous, control, message, wParam, lParam);
}

LRESULT HyperlinkMessage(int64_t gadget, HWND, UINT message, WPARAM wParam, LPARAM) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (message == WM_CTLCOLORSTATIC && record->kindWords[kBackColourWord] != -1 && record->kindWords[kBackBrushWord]) {
    SetBkColor(reinterpret_cast<HDC>(wParam), ColourRef(record->kindWords[kBackColourWord]));
    return static_cast<LRESULT>(record->kindWords[kBackBrushWord]);
  }
  return CV_NotHandled;
}

void HyperlinkFree(int64_t gadget) {
  GadgetColoursFree(gadget);
  GadgetRecord* record = GadgetIsValid(gadget);
  if (HyperlinkState* state = StateOf(gadget)) MainHeapFree(state);
  record->kindWords[kStateWord] = 0;
}

void HyperlinkRequiredSize(int64_t gadget, int64_t* width, int64_t* height) {
  HyperlinkState* state = StateOf(gadget);
  SIZE text = GadgetMeasureText(GadgetIsValid(gadget)->handle, DT_NOPREFIX, state->font);
  *width = text.cx + 4;
  *height = text.cy + 4;
}

GadgetKindTable* HyperlinkKind() {
  static GadgetKindTable table = [] {
    GadgetKindTable kind{};
    kind.kind = GADGET_KIND_HYPERLINK;
    kind.size = sizeof(GadgetKindTable);
    kind.messageHandler = HyperlinkMessage;
    kind.free = HyperlinkFree;
    kind.setColor = GadgetColourSet;
    kind.getColor = GadgetColourGet;
    kind.requiredSize = HyperlinkRequiredSize;
    return kind;
  }();
  return &table;
}

}  // namespace

int64_t GadgetHyperLinkCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height,
                              const char16_t* text, int64_t hoverColour, int64_t flags) {
  GadgetKindTable* kind = HyperlinkKind();
  auto* state = static_cast<HyperlinkState*>(MainHeapAlloc(sizeof(HyperlinkState)));
  if (state == nullptr) return 0;
  HWND control;
  // Created hidden: it shows only once it paints itself.
  GadgetRecord* record = GadgetCreateControl(gadget, 0, u"STATIC", text, SS_NOPREFIX, x, y, width, height, &control);
  if (record == nullptr) {
    MainHeapFree(state);
    return 0;
  }
  GadgetColoursReset(record, 0);
  state->font = g_gadgetState->currentFont;
  state->flags = flags;
  state->hoverColour = hoverColour;
  record->kindWords[kStateWord] = static_cast<int64_t>(reinterpret_cast<uintptr_t>(state));
  int64_t result = GadgetRegister(gadget, record, control, kind);
  state->previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HyperlinkProcedure)));
  ShowWindow(control, SW_SHOW);
  return result;
}
