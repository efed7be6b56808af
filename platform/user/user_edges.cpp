// Edges: DrawEdge's raised and sunken borders in the classic system colours, DrawFocusRect's
// dotted rectangle, and the frames of child windows (plain borders, dialog frames, client and
// static edges), which are painted with them whenever the window itself paints.
#include "backend.h"
#include "gdi_objects.h"
#include "user_internal.h"

namespace {

// A brush of its own for each line: edges leave no objects behind, not even system brushes.
void Line(HDC dc, LONG left, LONG top, LONG right, LONG bottom, int colour) {
  RECT area{left, top, right, bottom};
  if (left >= right || top >= bottom) return;
  HBRUSH brush = CreateSolidBrush(GetSysColor(colour));
  FillRect(dc, &area, brush);
  DeleteObject(brush);
}

// One ring of an edge, one pixel wide: `lightColour` on the top and left, `darkColour` on the
// bottom and right, each side drawn when `flags` asks for it.
void Ring(HDC dc, RECT& area, int lightColour, int darkColour, UINT flags) {
  if (flags & BF_TOP) Line(dc, area.left, area.top, area.right - 1, area.top + 1, lightColour);
  if (flags & BF_LEFT) Line(dc, area.left, area.top, area.left + 1, area.bottom - 1, lightColour);
  if (flags & BF_BOTTOM) Line(dc, area.left, area.bottom - 1, area.right, area.bottom, darkColour);
  if (flags & BF_RIGHT) Line(dc, area.right - 1, area.top, area.right, area.bottom, darkColour);
  if (flags & BF_TOP) ++area.top;
  if (flags & BF_LEFT) ++area.left;
  if (flags & BF_BOTTOM) --area.bottom;
  if (flags & BF_RIGHT) --area.right;
}

}  // namespace

BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags) {
  if (dc == nullptr || rect == nullptr) return FALSE;
  RECT area = *rect;
  const bool soft = flags & BF_SOFT;
  if (flags & (BF_FLAT | BF_MONO)) {
    // Flat edges are one plain line: the shadow, or the window frame colour for mono ones.
    const int colour = (flags & BF_MONO) ? COLOR_WINDOWFRAME : COLOR_BTNSHADOW;
    if (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) Ring(dc, area, colour, colour, flags);
    if (edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) {
      const int inner = (flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE;
      Ring(dc, area, inner, inner, flags);
    }
  } else {
    if (edge & BDR_RAISEDOUTER) Ring(dc, area, soft ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT, COLOR_3DDKSHADOW, flags);
    else if (edge & BDR_SUNKENOUTER) Ring(dc, area, soft ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, flags);
    if (edge & BDR_RAISEDINNER) Ring(dc, area, soft ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, flags);
    else if (edge & BDR_SUNKENINNER) Ring(dc, area, soft ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW, COLOR_3DLIGHT, flags);
  }
  if (flags & BF_MIDDLE) Line(dc, area.left, area.top, area.right, area.bottom, COLOR_BTNFACE);
  if (flags & BF_ADJUST) *rect = area;
  return TRUE;
}

BOOL DrawFocusRect(HDC dc, const RECT* rect) {
  if (dc == nullptr || rect == nullptr) return FALSE;
  const RECT& r = *rect;
  // Every other pixel of the outline is inverted, so a second call takes the rectangle away.
  auto invert = [dc, &r](LONG x, LONG y) {
    if (((x - r.left) + (y - r.top)) % 2 != 0) return;
    const COLORREF colour = GetPixel(dc, x, y);
    if (colour != CLR_INVALID) SetPixel(dc, x, y, colour ^ 0xFFFFFF);
  };
  for (LONG x = r.left; x < r.right; ++x) {
    invert(x, r.top);
    if (r.bottom - 1 > r.top) invert(x, r.bottom - 1);
  }
  for (LONG y = r.top + 1; y < r.bottom - 1; ++y) {
    invert(r.left, y);
    if (r.right - 1 > r.left) invert(r.right - 1, y);
  }
  return TRUE;
}

namespace platform {

void PaintChildFrame(HWND handle) {
  auto window = WindowFind(handle);
  if (!window || !window->parent) return;
  const RECT insets = FrameInsets(window->style, window->exStyle, false);
  if (insets.left == 0 && insets.top == 0 && insets.right == 0 && insets.bottom == 0) return;
  RECT shown;
  HWND top = nullptr;
  HDC dc = PaintFrameDc(handle, &shown, &top);
  if (dc == nullptr) return;
  RECT frame{0, 0, window->rect.right - window->rect.left, window->rect.bottom - window->rect.top};
  const DWORD style = window->style, exStyle = window->exStyle;
  if ((style & (WS_THICKFRAME | WS_DLGFRAME)) || (exStyle & WS_EX_DLGMODALFRAME)) {
    // A raised frame, filled with the face colour up to the client area or its edges.
    RECT face = frame;
    DrawEdge(dc, &face, EDGE_RAISED, BF_RECT | BF_ADJUST);
    const int border = insets.left - ((exStyle & WS_EX_CLIENTEDGE) ? GetSystemMetrics(SM_CXEDGE) : 0) -
                       ((exStyle & WS_EX_STATICEDGE) ? GetSystemMetrics(SM_CXBORDER) : 0);
    for (int ring = 2; ring < border; ++ring) {
      Ring(dc, face, COLOR_BTNFACE, COLOR_BTNFACE, BF_RECT);
    }
    frame = face;
  } else if (style & WS_BORDER) {
    Ring(dc, frame, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME, BF_RECT);
  }
  if (exStyle & WS_EX_CLIENTEDGE) DrawEdge(dc, &frame, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  if (exStyle & WS_EX_STATICEDGE) DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  DeleteDC(dc);
  if (!IsRectEmpty(&shown)) Backend().Present(top, shown);
}

}  // namespace platform
