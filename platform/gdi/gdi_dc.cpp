// Device contexts: memory DCs with their default objects, surface DCs over another bitmap,
// and the per-DC state the blits and text read (colours, background mode, stretch mode,
// brush origin).
#include <algorithm>

#include "gdi_objects.h"
#include "kernel.h"

namespace platform {
namespace {

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

}  // namespace

// The objects a new DC starts with, for each kind that exists: the white brush, the 1 x 1
// monochrome bitmap (memory DCs only) and the system font.
void GdiDcSelectDefaults(GdiDc& dc, bool memory) {
  const int defaults[] = {WHITE_BRUSH, SYSTEM_FONT, DEFAULT_BITMAP};
  for (int index : defaults) {
    if (index == DEFAULT_BITMAP && !memory) continue;
    if (auto object = GdiHandleGet(GetStockObject(index))) GdiDcSwap(dc, object);
  }
}

GdiTarget GdiDcTarget(const GdiDc& dc) {
  GdiTarget target;
  if (dc.surface) {
    target.bitmap = dc.surface.get();
    target.origin = dc.origin;
    target.clip = Intersect(dc.clip, RECT{0, 0, dc.surface->view.width, dc.surface->view.height});
    return target;
  }
  auto* bitmap = dynamic_cast<GdiBitmap*>(dc.selected[OBJ_BITMAP].get());
  if (bitmap == nullptr) return target;
  target.bitmap = bitmap;
  target.clip = RECT{0, 0, bitmap->view.width, bitmap->view.height};
  return target;
}

HDC GdiSurfaceDcCreate(HBITMAP surfaceHandle, POINT origin, RECT clip) {
  auto surface = GdiHandleAs<GdiBitmap>(surfaceHandle);
  if (!surface) return nullptr;
  auto dc = std::make_shared<GdiDc>(OBJ_DC);
  dc->surface = surface;
  dc->origin = origin;
  dc->clip = clip;
  GdiDcSelectDefaults(*dc, false);
  return static_cast<HDC>(GdiHandleNew(dc));
}

}  // namespace platform

using namespace platform;

namespace {

std::shared_ptr<GdiDc> Dc(HDC handle) {
  auto dc = GdiHandleAs<GdiDc>(handle);
  if (!dc) SetLastError(ERROR_INVALID_HANDLE);
  return dc;
}

}  // namespace

HDC CreateCompatibleDC(HDC reference) {
  // Every DC here is compatible with every other: the reference only has to be valid.
  if (reference != nullptr && !Dc(reference)) return nullptr;
  auto dc = std::make_shared<GdiDc>(OBJ_MEMDC);
  GdiDcSelectDefaults(*dc, true);
  return static_cast<HDC>(GdiHandleNew(dc));
}

BOOL DeleteDC(HDC handle) {
  auto dc = Dc(handle);
  if (!dc) return FALSE;
  GdiDcReleaseAll(*dc);
  dc->surface.reset();
  GdiHandleRemove(handle);
  return TRUE;
}

namespace {

// Exchanges one attribute of a DC: the previous value, or `failure` for an unknown DC.
template <class T>
T SetAttribute(HDC handle, T GdiDc::*field, T value, T failure) {
  auto dc = Dc(handle);
  if (!dc) return failure;
  T previous = (*dc).*field;
  (*dc).*field = value;
  return previous;
}

template <class T>
T GetAttribute(HDC handle, T GdiDc::*field, T failure) {
  auto dc = Dc(handle);
  return dc ? (*dc).*field : failure;
}

}  // namespace

COLORREF SetBkColor(HDC dc, COLORREF colour) { return SetAttribute(dc, &GdiDc::backColour, colour & 0xFFFFFF, CLR_INVALID); }
COLORREF GetBkColor(HDC dc) { return GetAttribute(dc, &GdiDc::backColour, CLR_INVALID); }
COLORREF SetTextColor(HDC dc, COLORREF colour) { return SetAttribute(dc, &GdiDc::textColour, colour & 0xFFFFFF, CLR_INVALID); }
COLORREF GetTextColor(HDC dc) { return GetAttribute(dc, &GdiDc::textColour, CLR_INVALID); }

int SetBkMode(HDC dc, int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  return SetAttribute(dc, &GdiDc::backMode, mode, 0);
}

int GetBkMode(HDC dc) { return GetAttribute(dc, &GdiDc::backMode, 0); }

int SetStretchBltMode(HDC dc, int mode) {
  if (mode < BLACKONWHITE || mode > HALFTONE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return SetAttribute(dc, &GdiDc::stretchMode, mode, 0);
}

int GetStretchBltMode(HDC dc) { return GetAttribute(dc, &GdiDc::stretchMode, 0); }

BOOL SetBrushOrgEx(HDC handle, int x, int y, POINT* previous) {
  auto dc = Dc(handle);
  if (!dc) return FALSE;
  if (previous) *previous = dc->brushOrigin;
  dc->brushOrigin = POINT{x, y};
  return TRUE;
}
