// Painting: update regions, WM_PAINT when nothing else waits, BeginPaint/EndPaint and GetDC over
// the backing bitmap of each top-level window. A window paints at its place in its top-level
// window's bitmap, clipped to its own client area and to every ancestor's; what changed is
// handed to the display backend: exactly the painted part, clipped to what shows.
#include <algorithm>

#include "gdi_objects.h"
#include "kernel.h"
#include "user_internal.h"

namespace platform {
namespace {

// Where a window's client area lies in its top-level window's backing bitmap, and the part of
// it that its ancestors let show.
struct Placement {
  HWND top = nullptr;
  POINT origin{0, 0};
  RECT visible{0, 0, 0, 0};  // backing coordinates
};

Placement PlacementOf(HWND handle) {
  Placement placement;
  auto window = WindowFind(handle);
  if (!window) return placement;
  placement.top = TopLevelOf(handle);
  auto top = WindowFind(placement.top);
  if (!top) return placement;
  POINT topOrigin = ClientOriginOnScreen(*top);
  POINT origin = ClientOriginOnScreen(*window);
  placement.origin = POINT{origin.x - topOrigin.x, origin.y - topOrigin.y};
  RECT client = ClientRectOf(*window);
  OffsetRect(&client, placement.origin.x, placement.origin.y);
  placement.visible = client;
  for (auto ancestor = window->parent ? WindowFind(window->parent) : nullptr; ancestor;
       ancestor = ancestor->parent ? WindowFind(ancestor->parent) : nullptr) {
    POINT ancestorOrigin = ClientOriginOnScreen(*ancestor);
    RECT area = ClientRectOf(*ancestor);
    OffsetRect(&area, ancestorOrigin.x - topOrigin.x, ancestorOrigin.y - topOrigin.y);
    IntersectRect(&placement.visible, &placement.visible, &area);
  }
  return placement;
}

void PreOrder(HWND handle, std::vector<HWND>& out) {
  out.push_back(handle);
  auto window = WindowFind(handle);
  if (!window) return;
  // Bottom of the z-order first, so that windows on top paint last.
  for (auto it = window->children.rbegin(); it != window->children.rend(); ++it) PreOrder(*it, out);
}

void InvalidateTree(HWND handle, const RECT* area, bool erase) {
  auto window = WindowFind(handle);
  if (!window) return;
  RECT client = ClientRectOf(*window);
  RECT part = client;
  if (area && !IntersectRect(&part, area, &client)) return;
  if (IsRectEmpty(&part)) return;
  UnionRect(&window->updateRect, &window->updateRect, &part);
  window->needsErase = window->needsErase || erase;
  // Children share the parent's pixels: whatever the parent repaints under them they repaint.
  for (HWND child : window->children) {
    auto record = WindowFind(child);
    if (!record) continue;
    RECT inChild = part;
    POINT offset{0, 0};
    MapWindowPoints(handle, child, &offset, 1);
    OffsetRect(&inChild, offset.x, offset.y);
    InvalidateTree(child, &inChild, true);
  }
}

}  // namespace

HBITMAP WindowBacking(HWND topLevel) {
  auto window = WindowFind(topLevel);
  return window && !window->parent ? window->backing : nullptr;
}

void PaintResizeBacking(Window& window) {
  if (window.parent) {
    if (window.backing) {
      DeleteObject(window.backing);
      window.backing = nullptr;
    }
    return;
  }
  RECT client = ClientRectOf(window);
  LONG width = std::max<LONG>(1, client.right), height = std::max<LONG>(1, client.bottom);
  if (window.backing) {
    BITMAP current{};
    GetObjectW(window.backing, sizeof current, &current);
    if (current.bmWidth == width && current.bmHeight == height) return;
  }
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP backing = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (backing == nullptr) return;  // keep the old bitmap: painting goes on at the old size
  if (window.backing) {
    // Keep what was painted where the two sizes overlap, so a resize does not flash black.
    HDC from = CreateCompatibleDC(nullptr);
    HDC to = CreateCompatibleDC(nullptr);
    HGDIOBJ oldFrom = SelectObject(from, window.backing);
    HGDIOBJ oldTo = SelectObject(to, backing);
    BitBlt(to, 0, 0, width, height, from, 0, 0, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
    DeleteDC(from);
    DeleteDC(to);
    DeleteObject(window.backing);
  }
  window.backing = backing;
}

void PaintForgetWindow(Window& window) {
  if (window.backing) {
    DeleteObject(window.backing);
    window.backing = nullptr;
  }
}

bool PaintTakePending(DWORD thread, MSG* message) {
  std::vector<HWND> order;
  for (HWND top : TopLevelWindows()) PreOrder(top, order);
  for (HWND handle : order) {
    auto window = WindowFind(handle);
    if (!window || window->thread != thread || !IsWindowVisible(handle)) continue;
    if (IsRectEmpty(&window->updateRect) && !window->internalPaint) continue;
    POINT point{};
    GetCursorPos(&point);
    *message = MSG{handle, WM_PAINT, 0, 0, GetTickCount(), point};
    return true;
  }
  return false;
}

}  // namespace platform

using platform::WindowFind;

BOOL InvalidateRect(HWND handle, const RECT* rect, BOOL erase) {
  if (handle == nullptr) {
    for (HWND top : platform::TopLevelWindows()) platform::InvalidateTree(top, nullptr, erase);
    return TRUE;
  }
  if (!WindowFind(handle)) return FALSE;
  platform::InvalidateTree(handle, rect, erase);
  return TRUE;
}

BOOL ValidateRect(HWND handle, const RECT* rect) {
  auto window = WindowFind(handle);
  if (!window) return FALSE;
  RECT covered;
  // A rectangle is one rectangle here: validating anything that covers the update area empties it.
  if (rect == nullptr || (UnionRect(&covered, rect, &window->updateRect) && EqualRect(&covered, rect))) {
    SetRectEmpty(&window->updateRect);
    window->needsErase = false;
    window->internalPaint = false;
  }
  return TRUE;
}

BOOL GetUpdateRect(HWND handle, RECT* rect, BOOL) {
  auto window = WindowFind(handle);
  if (!window) return FALSE;
  if (rect) *rect = window->updateRect;
  return !IsRectEmpty(&window->updateRect);
}

BOOL UpdateWindow(HWND handle) {
  auto window = WindowFind(handle);
  if (!window) return FALSE;
  std::vector<HWND> order;
  platform::PreOrder(handle, order);
  for (HWND member : order) {
    auto record = WindowFind(member);
    if (record && IsWindowVisible(member) && (!IsRectEmpty(&record->updateRect) || record->internalPaint)) {
      SendMessageW(member, WM_PAINT, 0, 0);
    }
  }
  return TRUE;
}

BOOL RedrawWindow(HWND handle, const RECT* rect, void*, UINT flags) {
  if (!WindowFind(handle)) return FALSE;
  if (flags & RDW_INVALIDATE) InvalidateRect(handle, rect, (flags & RDW_ERASE) != 0);
  if (flags & RDW_INTERNALPAINT) WindowFind(handle)->internalPaint = true;
  if (flags & RDW_VALIDATE) ValidateRect(handle, rect);
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) UpdateWindow(handle);
  return TRUE;
}

namespace {

HDC SurfaceDc(HWND handle, const RECT* limit) {
  platform::Placement placement = platform::PlacementOf(handle);
  auto top = WindowFind(placement.top);
  if (!top || !top->backing) return nullptr;
  RECT clip = placement.visible;
  if (limit) {
    RECT area = *limit;
    OffsetRect(&area, placement.origin.x, placement.origin.y);
    IntersectRect(&clip, &clip, &area);
  }
  return platform::GdiSurfaceDcCreate(top->backing, placement.origin, clip);
}

void PresentWindow(HWND handle, const RECT& area) {
  platform::Placement placement = platform::PlacementOf(handle);
  RECT shown = area;
  OffsetRect(&shown, placement.origin.x, placement.origin.y);
  IntersectRect(&shown, &shown, &placement.visible);
  if (placement.top && !IsRectEmpty(&shown)) platform::Backend().Present(placement.top, shown);
}

}  // namespace

HDC BeginPaint(HWND handle, PAINTSTRUCT* paint) {
  auto window = WindowFind(handle);
  if (!window || paint == nullptr) return nullptr;
  *paint = PAINTSTRUCT{};
  RECT area = window->updateRect;
  if (IsRectEmpty(&area)) area = RECT{0, 0, 0, 0};
  bool erase = window->needsErase;
  SetRectEmpty(&window->updateRect);
  window->needsErase = false;
  window->internalPaint = false;
  paint->rcPaint = area;
  paint->hdc = SurfaceDc(handle, &area);
  if (paint->hdc && erase) paint->fErase = !SendMessageW(handle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(paint->hdc), 0);
  return paint->hdc;
}

BOOL EndPaint(HWND handle, const PAINTSTRUCT* paint) {
  if (paint == nullptr) return FALSE;
  if (paint->hdc) DeleteDC(paint->hdc);
  if (WindowFind(handle)) PresentWindow(handle, paint->rcPaint);
  return TRUE;
}

HDC GetDC(HWND handle) {
  if (handle == nullptr) return CreateCompatibleDC(nullptr);  // the screen: a memory DC stands in
  if (!WindowFind(handle)) return nullptr;
  return SurfaceDc(handle, nullptr);
}

int ReleaseDC(HWND handle, HDC dc) {
  if (dc == nullptr) return 0;
  DeleteDC(dc);
  auto window = WindowFind(handle);
  if (window) PresentWindow(handle, platform::ClientRectOf(*window));
  return 1;
}
