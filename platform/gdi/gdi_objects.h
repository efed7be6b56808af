// The object model behind the GDI handles, shared by the GDI sources and by the platform parts
// built on them (text, windows): the table of live objects, bitmaps with their pixel formats,
// brushes, icons and device contexts. A device context holds one selected object per kind and
// draws into a target bitmap: the bitmap selected into it (memory DCs) or a surface such as a
// window's backing bitmap, seen through an origin and a clip rectangle.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "gdi.h"

namespace platform {

struct GdiObject {
  explicit GdiObject(DWORD objectType) : type(objectType) {}
  virtual ~GdiObject() = default;
  // What GetObjectType reports: OBJ_BITMAP, OBJ_BRUSH, OBJ_FONT, OBJ_MEMDC ...; 0 for icons,
  // which live in this table only so that leak checks see them.
  DWORD type;
  bool stock = false;
  // How many DCs hold this object selected. A selected bitmap cannot be deleted; other
  // selected objects are deleted when the last DC lets go of them, as Windows does.
  int selections = 0;
  bool deletePending = false;
  HGDIOBJ handle = nullptr;
  // Whether SelectObject puts this kind of object into a DC's slot for its type.
  virtual bool Selectable() const { return false; }
  // GetObjectW for this object: bytes written, or the bytes needed when buffer is null; 0 when
  // the buffer is too small.
  virtual int Describe(int size, void* buffer) const;
};

// Pixels of a bitmap or of a caller's DIB buffer: rows of `stride` bytes, top-down or bottom-up,
// 1, 4, 8, 16 (5-5-5), 24 or 32 bits per pixel; colour tables for up to 8 bits.
struct PixelView {
  uint8_t* bits = nullptr;
  LONG width = 0;
  LONG height = 0;
  LONG stride = 0;
  WORD bitsPixel = 0;
  bool topDown = false;
  const RGBQUAD* colours = nullptr;
  int colourCount = 0;

  // Row y counted from the top of the picture.
  uint8_t* Row(LONG y) const { return bits + static_cast<ptrdiff_t>(stride) * (topDown ? y : height - 1 - y); }
};

// A pixel as the blits pass it around: the bytes B, G, R, A of a 32-bit DIB pixel, so that
// 0x00RRGGBB is the colour. Pixels read from formats without alpha have alpha 0.
using Pixel = uint32_t;

// The raw value of one pixel in the view's own format (an index for palette formats).
uint32_t PixelRawGet(const PixelView& view, const uint8_t* row, LONG x);
void PixelRawSet(const PixelView& view, uint8_t* row, LONG x, uint32_t raw);
Pixel PixelFromRaw(const PixelView& view, uint32_t raw);
uint32_t PixelToRaw(const PixelView& view, Pixel pixel);
// Reads `count` pixels of picture row y from column x on; writes them back likewise.
void PixelRowRead(const PixelView& view, LONG y, LONG x, LONG count, Pixel* out);
void PixelRowWrite(const PixelView& view, LONG y, LONG x, LONG count, const Pixel* in);
// Bytes per row of a DIB (DWORD-aligned) and of a device bitmap (WORD-aligned); -1 when the
// size does not fit in 31 bits.
int64_t DibStride(int64_t width, int bitsPixel);
int64_t DeviceStride(int64_t width, int bitsPixel);

inline COLORREF ColourFromPixel(Pixel pixel) {
  return ((pixel >> 16) & 0xFF) | (pixel & 0xFF00) | ((pixel & 0xFF) << 16);
}
inline Pixel PixelFromColour(COLORREF colour) {
  return ((colour >> 16) & 0xFF) | (colour & 0xFF00) | ((colour & 0xFF) << 16);
}

struct GdiBitmap : GdiObject {
  GdiBitmap() : GdiObject(OBJ_BITMAP) {}
  ~GdiBitmap() override;
  bool Selectable() const override { return true; }
  int Describe(int size, void* buffer) const override;

  PixelView view;
  bool section = false;           // a DIB section: callers address its pixels directly
  BITMAPINFOHEADER header{};      // sections: as created, with biSizeImage filled in
  std::vector<RGBQUAD> colours;   // colour table of palette formats
  HDC selectedInto = nullptr;     // the memory DC holding it, if any

  // True for 1-bit device bitmaps, whose pixels take the DCs' text and background colours in
  // blits to and from colour bitmaps.
  bool Monochrome() const { return !section && view.bitsPixel == 1; }
};

// A bitmap of the given format with zeroed pixels, not yet in the handle table; null when the
// size is not positive or the pixels cannot be had. Device bitmaps are top-down.
std::shared_ptr<GdiBitmap> GdiBitmapMake(LONG width, LONG height, WORD bitsPixel, bool section, bool topDown,
                                         const RGBQUAD* colours, int colourCount);
// A device bitmap holding a copy of the pixels (converted to the copy's depth).
std::shared_ptr<GdiBitmap> GdiBitmapCopy(const GdiBitmap& source, WORD bitsPixel);

struct GdiBrush : GdiObject {
  GdiBrush() : GdiObject(OBJ_BRUSH) {}
  bool Selectable() const override { return true; }
  int Describe(int size, void* buffer) const override;
  UINT style = BS_SOLID;
  COLORREF colour = 0;
};

struct GdiIcon : GdiObject {
  GdiIcon() : GdiObject(0) {}
  bool isIcon = true;
  DWORD hotspotX = 0;
  DWORD hotspotY = 0;
  std::shared_ptr<GdiBitmap> colour;  // 32-bit device bitmap; straight alpha when `alpha`
  std::shared_ptr<GdiBitmap> mask;    // 1-bit device bitmap: 0 where the icon covers
  bool alpha = false;
};

struct GdiDc : GdiObject {
  explicit GdiDc(DWORD objectType) : GdiObject(objectType) {}
  // One selected object per selectable type, indexed by the type (OBJ_BRUSH, OBJ_FONT,
  // OBJ_BITMAP ...); a new kind of object needs no new field.
  std::array<std::shared_ptr<GdiObject>, OBJ_BITMAP + 1> selected;
  // A surface DC draws into this bitmap instead of a selected one, shifted by `origin` and
  // limited to `clip` (surface coordinates); bitmaps cannot be selected into it.
  std::shared_ptr<GdiBitmap> surface;
  POINT origin{0, 0};
  RECT clip{0, 0, 0, 0};
  COLORREF textColour = 0;
  COLORREF backColour = 0xFFFFFF;
  int backMode = OPAQUE;
  int stretchMode = BLACKONWHITE;
  POINT brushOrigin{0, 0};
  UINT textAlign = 0;  // TA_* flags of SetTextAlign
};

// Where a DC's output lands: a bitmap, the offset from logical to bitmap coordinates and the
// clip rectangle in bitmap coordinates (never larger than the bitmap).
struct GdiTarget {
  GdiBitmap* bitmap = nullptr;
  POINT origin{0, 0};
  RECT clip{0, 0, 0, 0};
};
GdiTarget GdiDcTarget(const GdiDc& dc);

// ---- the handle table ----
// Registers an object and returns its new handle (never reused).
HGDIOBJ GdiHandleNew(std::shared_ptr<GdiObject> object);
std::shared_ptr<GdiObject> GdiHandleGet(HGDIOBJ handle);
template <class T>
std::shared_ptr<T> GdiHandleAs(HGDIOBJ handle) {
  return std::dynamic_pointer_cast<T>(GdiHandleGet(handle));
}
// Removes a handle from the table (the object lives on while something still holds it).
void GdiHandleRemove(HGDIOBJ handle);
// Makes `object` the stock object `index`, for the platform parts that provide stock objects of
// their own kind (the stock fonts). Returns its handle.
HGDIOBJ GdiStockObjectInstall(int index, std::shared_ptr<GdiObject> object);
// Puts `object` into the DC slot of its type and returns what was there before; deselecting
// frees an object whose deletion was pending. The caller checks whether selecting is allowed.
std::shared_ptr<GdiObject> GdiDcSwap(GdiDc& dc, const std::shared_ptr<GdiObject>& object);
// Selects the objects every new DC starts with (memory DCs also get the default bitmap).
void GdiDcSelectDefaults(GdiDc& dc, bool memory);
// Provided by the text part: installs the stock fonts among the stock objects.
void FontStockObjectsMake();
// Empties every slot of a DC that is going away.
void GdiDcReleaseAll(GdiDc& dc);

// A DC that draws into `surface` (a window's backing bitmap): logical 0,0 lands on `origin`, and
// output stays inside `clip`. Deleted with DeleteDC.
HDC GdiSurfaceDcCreate(HBITMAP surface, POINT origin, RECT clip);

// ---- blits from bitmaps, shared by the blit calls and the icons ----
// How a 1-bit device bitmap's pixels become colours, and colours become its bits: 0 is the
// foreground (the DC's text colour), 1 the background.
struct MonoColours {
  COLORREF foreground = 0;
  COLORREF background = 0xFFFFFF;
};
// Copies (stretching when the sizes differ, mirroring when their signs differ) a rectangle of
// `source` onto the DC with a ternary raster operation. `sourceMono` maps a monochrome source
// to colours; `destMono` is the background colour that colour pixels must equal to become 1 in
// a monochrome destination.
bool GdiBlit(GdiDc& dest, int x, int y, int width, int height, const GdiBitmap* source, int sourceX, int sourceY,
             int sourceWidth, int sourceHeight, DWORD rop, MonoColours sourceMono, COLORREF destMonoBackground);
// AlphaBlend from a bitmap; false for the cases AlphaBlend refuses.
bool GdiAlphaBlend(GdiDc& dest, int x, int y, int width, int height, const GdiBitmap& source, int sourceX, int sourceY,
                   int sourceWidth, int sourceHeight, BLENDFUNCTION blend);

}  // namespace platform
