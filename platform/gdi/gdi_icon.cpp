// Icons: made from icon resource data (a DIB with its AND mask, or a PNG image, decoded with
// libpng) or from bitmaps, described with GetIconInfo, drawn with DrawIconEx and destroyed. An
// icon keeps a 32-bit colour bitmap (straight alpha when the image has any) and a monochrome
// mask that is 0 where the icon covers.
#include <png.h>

#include <algorithm>
#include <cstring>

#include "gdi_objects.h"
#include "kernel.h"

namespace platform {
namespace {

// Icons larger than this many pixels are refused rather than allocated.
constexpr int64_t kMaxIconPixels = int64_t{1} << 26;
constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct IconImage {
  std::shared_ptr<GdiBitmap> colour;
  std::shared_ptr<GdiBitmap> mask;
  bool alpha = false;
};

// The mask that a per-pixel alpha implies: covered wherever the pixel is not fully transparent.
std::shared_ptr<GdiBitmap> MaskFromAlpha(const GdiBitmap& colour) {
  auto mask = GdiBitmapMake(colour.view.width, colour.view.height, 1, false, true, nullptr, 0);
  if (!mask) return nullptr;
  std::vector<Pixel> row(static_cast<size_t>(colour.view.width));
  for (LONG y = 0; y < colour.view.height; ++y) {
    PixelRowRead(colour.view, y, 0, colour.view.width, row.data());
    uint8_t* out = mask->view.Row(y);
    for (LONG x = 0; x < colour.view.width; ++x) PixelRawSet(mask->view, out, x, (row[x] >> 24) == 0 ? 1 : 0);
  }
  return mask;
}

// ---- DIB icon images ----

bool ReadDibImage(const uint8_t* data, size_t size, IconImage& image) {
  BITMAPINFOHEADER h;
  if (size < sizeof h) return false;
  std::memcpy(&h, data, sizeof h);
  const int bits = h.biBitCount;
  if (h.biSize < sizeof h || h.biSize > size || h.biWidth <= 0 || h.biHeight < 2 || h.biPlanes != 1 ||
      h.biCompression != BI_RGB || !(bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32))
    return false;
  // The header's height counts the colour rows and the mask rows.
  const LONG width = h.biWidth, height = h.biHeight / 2;
  const int colourCount = bits <= 8 ? (h.biClrUsed ? static_cast<int>(std::min<DWORD>(h.biClrUsed, 1u << bits)) : 1 << bits) : 0;
  const int64_t xorStride = DibStride(width, bits), andStride = DibStride(width, 1);
  const int64_t colourTable = int64_t{h.biSize} + 4 * int64_t{colourCount};
  if (xorStride <= 0 || andStride <= 0 || colourTable > static_cast<int64_t>(size)) return false;
  const int64_t room = static_cast<int64_t>(size) - colourTable;
  // Both bitmaps must lie inside the data: height x (xor + and) bytes.
  if (height > room / (xorStride + andStride) || int64_t{width} * height > kMaxIconPixels) return false;

  PixelView xorView;
  xorView.bits = const_cast<uint8_t*>(data) + colourTable;
  xorView.width = width;
  xorView.height = height;
  xorView.stride = static_cast<LONG>(xorStride);
  xorView.bitsPixel = static_cast<WORD>(bits);
  xorView.colourCount = colourCount;
  // The colour table is copied out: inside the data it need not be aligned.
  std::vector<RGBQUAD> colours(static_cast<size_t>(colourCount));
  if (colourCount) std::memcpy(colours.data(), data + h.biSize, 4 * static_cast<size_t>(colourCount));
  xorView.colours = colours.data();

  image.colour = GdiBitmapMake(width, height, 32, false, true, nullptr, 0);
  image.mask = GdiBitmapMake(width, height, 1, false, true, nullptr, 0);
  if (!image.colour || !image.mask) return false;
  std::vector<Pixel> row(static_cast<size_t>(width));
  const uint8_t* andBits = xorView.bits + xorStride * height;
  for (LONG y = 0; y < height; ++y) {
    PixelRowRead(xorView, y, 0, width, row.data());
    if (bits != 32) {
      for (Pixel& p : row) p &= 0xFFFFFF;
    }
    for (const Pixel p : row) image.alpha = image.alpha || (p >> 24) != 0;
    PixelRowWrite(image.colour->view, y, 0, width, row.data());
    // Mask rows are stored bottom-up like the colour rows.
    std::memcpy(image.mask->view.Row(y), andBits + andStride * (height - 1 - y),
                static_cast<size_t>(std::min<int64_t>(andStride, image.mask->view.stride)));
  }
  return true;
}

// ---- PNG icon images ----

struct PngSource {
  const uint8_t* data;
  size_t size;
  size_t offset;
};

struct PngPixels {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  std::vector<uint8_t> bytes;
  std::vector<png_bytep> rows;
};

void PngReadData(png_structp png, png_bytep out, png_size_t count) {
  auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (count > source->size - source->offset) png_error(png, "truncated");
  std::memcpy(out, source->data + source->offset, count);
  source->offset += count;
}

// libpng's messages never reach the terminal: errors jump back, warnings are dropped.
void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

// Decodes into B, G, R, A rows. Keeps no object with a destructor of its own across the jump:
// whatever it allocates hangs off `pixels`, which the caller owns.
bool PngDecodeRows(png_structp png, png_infop info, PngPixels* pixels) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_user_limits(png, 32767, 32767);
  png_read_info(png, info);
  pixels->width = png_get_image_width(png, info);
  pixels->height = png_get_image_height(png, info);
  if (pixels->width == 0 || pixels->height == 0 || int64_t{pixels->width} * pixels->height > kMaxIconPixels) return false;
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t{pixels->width} * 4) return false;
  pixels->bytes.resize(size_t{pixels->width} * pixels->height * 4);
  pixels->rows.resize(pixels->height);
  for (png_uint_32 y = 0; y < pixels->height; ++y) pixels->rows[y] = pixels->bytes.data() + size_t{pixels->width} * 4 * y;
  png_read_image(png, pixels->rows.data());
  return true;
}

bool ReadPngImage(const uint8_t* data, size_t size, IconImage& image) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  PngSource source{data, size, 0};
  PngPixels pixels;
  bool decoded = false;
  if (info != nullptr) {
    png_set_read_fn(png, &source, PngReadData);
    decoded = PngDecodeRows(png, info, &pixels);
  }
  png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  if (!decoded) return false;
  const auto width = static_cast<LONG>(pixels.width), height = static_cast<LONG>(pixels.height);
  image.colour = GdiBitmapMake(width, height, 32, false, true, nullptr, 0);
  if (!image.colour) return false;
  for (LONG y = 0; y < height; ++y)
    std::memcpy(image.colour->view.Row(y), pixels.rows[y], static_cast<size_t>(width) * 4);
  image.mask = MaskFromAlpha(*image.colour);
  image.alpha = true;
  return image.mask != nullptr;
}

// ---- sizes ----

std::shared_ptr<GdiBitmap> Resize(const GdiBitmap& bitmap, LONG width, LONG height, int mode) {
  auto resized = GdiBitmapMake(width, height, bitmap.view.bitsPixel, false, true, bitmap.view.colours,
                               bitmap.view.colourCount);
  if (!resized) return nullptr;
  GdiDc dc(OBJ_MEMDC);
  dc.selected[OBJ_BITMAP] = resized;
  dc.stretchMode = mode;
  if (!GdiBlit(dc, 0, 0, width, height, &bitmap, 0, 0, bitmap.view.width, bitmap.view.height, SRCCOPY, MonoColours{},
               0xFFFFFF))
    return nullptr;
  return resized;
}

HICON Register(IconImage& image, bool isIcon, DWORD hotspotX, DWORD hotspotY) {
  auto icon = std::make_shared<GdiIcon>();
  icon->isIcon = isIcon;
  icon->hotspotX = hotspotX;
  icon->hotspotY = hotspotY;
  icon->colour = std::move(image.colour);
  icon->mask = std::move(image.mask);
  icon->alpha = image.alpha;
  return static_cast<HICON>(GdiHandleNew(icon));
}

// A 32-bit bitmap with premultiplied colours, as AlphaBlend wants its per-pixel alpha.
std::shared_ptr<GdiBitmap> Premultiplied(const GdiBitmap& colour) {
  auto copy = GdiBitmapCopy(colour, 32);
  if (!copy) return nullptr;
  std::vector<Pixel> row(static_cast<size_t>(colour.view.width));
  for (LONG y = 0; y < colour.view.height; ++y) {
    PixelRowRead(copy->view, y, 0, colour.view.width, row.data());
    for (Pixel& p : row) {
      const uint32_t a = p >> 24;
      Pixel q = a << 24;
      for (int k = 0; k < 3; ++k) q |= (((p >> (8 * k)) & 0xFF) * a + 127) / 255 << (8 * k);
      p = q;
    }
    PixelRowWrite(copy->view, y, 0, colour.view.width, row.data());
  }
  return copy;
}

}  // namespace
}  // namespace platform

using namespace platform;

HICON CreateIconFromResourceEx(BYTE* bits, DWORD size, BOOL isIcon, DWORD version, int width, int height, UINT flags) {
  if (bits == nullptr || (version != 0x00030000 && version != 0x00020000) || width < 0 || height < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const uint8_t* data = bits;
  size_t bytes = size;
  DWORD hotspotX = 0, hotspotY = 0;
  if (!isIcon) {
    // Cursor resources start with their hotspot.
    if (bytes < 4) return nullptr;
    hotspotX = data[0] | (data[1] << 8);
    hotspotY = data[2] | (data[3] << 8);
    data += 4;
    bytes -= 4;
  }
  IconImage image;
  const bool png = bytes >= sizeof kPngSignature && std::memcmp(data, kPngSignature, sizeof kPngSignature) == 0;
  if (!(png ? ReadPngImage(data, bytes, image) : ReadDibImage(data, bytes, image))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const LONG actualWidth = image.colour->view.width, actualHeight = image.colour->view.height;
  if (width == 0) width = (flags & LR_DEFAULTSIZE) ? PLATFORM_ICON_SIZE : actualWidth;
  if (height == 0) height = (flags & LR_DEFAULTSIZE) ? PLATFORM_ICON_SIZE : actualHeight;
  if (int64_t{width} * height > kMaxIconPixels) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (width != actualWidth || height != actualHeight) {
    image.colour = Resize(*image.colour, width, height, HALFTONE);
    image.mask = Resize(*image.mask, width, height, COLORONCOLOR);
    if (!image.colour || !image.mask) return nullptr;
  }
  if (isIcon) {
    hotspotX = static_cast<DWORD>(width / 2);
    hotspotY = static_cast<DWORD>(height / 2);
  }
  return Register(image, isIcon != FALSE, hotspotX, hotspotY);
}

HICON CreateIconFromResource(BYTE* bits, DWORD size, BOOL isIcon, DWORD version) {
  return CreateIconFromResourceEx(bits, size, isIcon, version, 0, 0, LR_DEFAULTSIZE | LR_SHARED);
}

HICON CreateIconIndirect(const ICONINFO* info) {
  auto mask = info ? GdiHandleAs<GdiBitmap>(info->hbmMask) : nullptr;
  if (!mask) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  IconImage image;
  if (info->hbmColor != nullptr) {
    auto colour = GdiHandleAs<GdiBitmap>(info->hbmColor);
    if (!colour || mask->view.width != colour->view.width || mask->view.height < colour->view.height) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    image.colour = GdiBitmapCopy(*colour, 32);
    image.mask = GdiBitmapMake(colour->view.width, colour->view.height, 1, false, true, nullptr, 0);
    if (!image.colour || !image.mask) return nullptr;
    std::vector<Pixel> row(static_cast<size_t>(colour->view.width));
    for (LONG y = 0; y < colour->view.height; ++y) {
      PixelRowRead(mask->view, y, 0, mask->view.width, row.data());
      PixelRowWrite(image.mask->view, y, 0, mask->view.width, row.data());
      if (colour->view.bitsPixel != 32) continue;
      PixelRowRead(image.colour->view, y, 0, colour->view.width, row.data());
      for (const Pixel p : row) image.alpha = image.alpha || (p >> 24) != 0;
    }
  } else {
    // A monochrome icon: the mask's upper half is the AND mask, the lower half the image.
    const LONG height = mask->view.height / 2;
    if (height < 1) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    image.colour = GdiBitmapMake(mask->view.width, height, 32, false, true, nullptr, 0);
    image.mask = GdiBitmapMake(mask->view.width, height, 1, false, true, nullptr, 0);
    if (!image.colour || !image.mask) return nullptr;
    std::vector<Pixel> row(static_cast<size_t>(mask->view.width));
    for (LONG y = 0; y < height; ++y) {
      PixelRowRead(mask->view, y, 0, mask->view.width, row.data());
      PixelRowWrite(image.mask->view, y, 0, mask->view.width, row.data());
      PixelRowRead(mask->view, y + height, 0, mask->view.width, row.data());
      PixelRowWrite(image.colour->view, y, 0, mask->view.width, row.data());
    }
  }
  const LONG width = image.colour->view.width, height = image.colour->view.height;
  return Register(image, info->fIcon != FALSE, info->fIcon ? width / 2 : info->xHotspot,
                  info->fIcon ? height / 2 : info->yHotspot);
}

BOOL GetIconInfo(HICON handle, ICONINFO* info) {
  auto icon = GdiHandleAs<GdiIcon>(handle);
  if (!icon || info == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // The caller owns copies of both bitmaps and deletes them.
  auto colour = GdiBitmapCopy(*icon->colour, 32);
  auto mask = GdiBitmapCopy(*icon->mask, 1);
  if (!colour || !mask) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  info->fIcon = icon->isIcon ? TRUE : FALSE;
  info->xHotspot = icon->hotspotX;
  info->yHotspot = icon->hotspotY;
  info->hbmColor = static_cast<HBITMAP>(GdiHandleNew(colour));
  info->hbmMask = static_cast<HBITMAP>(GdiHandleNew(mask));
  return TRUE;
}

BOOL DrawIconEx(HDC dcHandle, int x, int y, HICON handle, int width, int height, UINT, HBRUSH brush, UINT flags) {
  auto dc = GdiHandleAs<GdiDc>(dcHandle);
  auto icon = GdiHandleAs<GdiIcon>(handle);
  if (!dc || !icon || !(flags & DI_NORMAL)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const GdiBitmap& colour = *icon->colour;
  const GdiBitmap& mask = *icon->mask;
  if (width == 0) width = (flags & DI_DEFAULTSIZE) ? PLATFORM_ICON_SIZE : colour.view.width;
  if (height == 0) height = (flags & DI_DEFAULTSIZE) ? PLATFORM_ICON_SIZE : colour.view.height;
  if (brush != nullptr) {
    // Drawing over a brush: the background is laid first, as the flicker-free path does.
    RECT area{x, y, x + width, y + height};
    if (!FillRect(dcHandle, &area, brush)) return FALSE;
  }
  const MonoColours blackWhite{RGB(0, 0, 0), RGB(255, 255, 255)};
  const int w = colour.view.width, h = colour.view.height;
  bool done = true;
  if ((flags & DI_NORMAL) == DI_NORMAL && icon->alpha) {
    auto premultiplied = Premultiplied(colour);
    if (!premultiplied) return FALSE;
    done = GdiAlphaBlend(*dc, x, y, width, height, *premultiplied, 0, 0, w, h, BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
  } else if ((flags & DI_NORMAL) == DI_NORMAL) {
    done = GdiBlit(*dc, x, y, width, height, &mask, 0, 0, w, h, SRCAND, blackWhite, RGB(255, 255, 255)) &&
           GdiBlit(*dc, x, y, width, height, &colour, 0, 0, w, h, SRCINVERT, blackWhite, RGB(255, 255, 255));
  } else if (flags & DI_MASK) {
    done = GdiBlit(*dc, x, y, width, height, &mask, 0, 0, w, h, SRCCOPY, blackWhite, RGB(255, 255, 255));
  } else {
    done = GdiBlit(*dc, x, y, width, height, &colour, 0, 0, w, h, SRCCOPY, blackWhite, RGB(255, 255, 255));
  }
  return done ? TRUE : FALSE;
}

BOOL DestroyIcon(HICON handle) {
  auto icon = GdiHandleAs<GdiIcon>(handle);
  if (!icon) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  GdiHandleRemove(handle);
  return TRUE;
}
