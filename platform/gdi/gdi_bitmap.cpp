// Bitmaps: device bitmaps (CreateBitmap, CreateCompatibleBitmap), DIB sections, their
// descriptions for GetObjectW, GetDIBits, and the single-pixel and rectangle calls (GetPixel,
// SetPixel, FillRect). Device bitmaps are kept top-down with WORD-aligned rows, sections exactly
// as the caller described them, since callers write into a section's memory directly.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "gdi_objects.h"
#include "kernel.h"

namespace platform {
namespace {

// Sections and bitmaps larger than what biSizeImage can describe are refused.
constexpr int64_t kMaxBitmapBytes = 0xFFFFFFFFll;
// Device bitmaps take the depth of this display.
constexpr WORD kScreenBitsPixel = 32;

const RGBQUAD kBlackWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};

bool DepthSupported(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

}  // namespace

GdiBitmap::~GdiBitmap() { std::free(view.bits); }

int GdiBitmap::Describe(int size, void* buffer) const {
  BITMAP bitmap{0, view.width, view.height, view.stride, 1, view.bitsPixel, section ? view.bits : nullptr};
  if (buffer == nullptr) return section ? sizeof(DIBSECTION) : sizeof(BITMAP);
  if (section && size >= static_cast<int>(sizeof(DIBSECTION))) {
    DIBSECTION description{};
    description.dsBm = bitmap;
    description.dsBmih = header;
    std::memcpy(buffer, &description, sizeof description);
    return sizeof(DIBSECTION);
  }
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  std::memcpy(buffer, &bitmap, sizeof bitmap);
  return sizeof(BITMAP);
}

std::shared_ptr<GdiBitmap> GdiBitmapMake(LONG width, LONG height, WORD bitsPixel, bool section, bool topDown,
                                         const RGBQUAD* colours, int colourCount) {
  if (width <= 0 || height <= 0 || !DepthSupported(bitsPixel)) return nullptr;
  const int64_t stride = section ? DibStride(width, bitsPixel) : DeviceStride(width, bitsPixel);
  if (stride <= 0 || stride * height > kMaxBitmapBytes) return nullptr;
  auto bitmap = std::make_shared<GdiBitmap>();
  bitmap->view.bits = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(stride * height), 1));
  if (bitmap->view.bits == nullptr) return nullptr;
  if (bitsPixel <= 8) {
    if (colours == nullptr && bitsPixel == 1) {
      colours = kBlackWhite;
      colourCount = 2;
    }
    colourCount = std::clamp(colourCount, 0, 1 << bitsPixel);
    if (colours) bitmap->colours.assign(colours, colours + colourCount);
  }
  bitmap->section = section;
  bitmap->view.width = width;
  bitmap->view.height = height;
  bitmap->view.stride = static_cast<LONG>(stride);
  bitmap->view.bitsPixel = bitsPixel;
  bitmap->view.topDown = topDown;
  bitmap->view.colours = bitmap->colours.data();
  bitmap->view.colourCount = static_cast<int>(bitmap->colours.size());
  if (section) {
    BITMAPINFOHEADER& h = bitmap->header;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = topDown ? -height : height;
    h.biPlanes = 1;
    h.biBitCount = bitsPixel;
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(stride * height);
    h.biClrUsed = bitsPixel <= 8 ? static_cast<DWORD>(bitmap->colours.size()) : 0;
  }
  return bitmap;
}

std::shared_ptr<GdiBitmap> GdiBitmapCopy(const GdiBitmap& source, WORD bitsPixel) {
  const bool sameFormat = bitsPixel == source.view.bitsPixel;
  auto copy = GdiBitmapMake(source.view.width, source.view.height, bitsPixel, false, true,
                            sameFormat ? source.view.colours : nullptr, sameFormat ? source.view.colourCount : 0);
  if (!copy) return nullptr;
  std::vector<Pixel> row(static_cast<size_t>(source.view.width));
  for (LONG y = 0; y < source.view.height; ++y) {
    if (sameFormat) {
      const size_t bytes = static_cast<size_t>(DeviceStride(source.view.width, bitsPixel));
      std::memcpy(copy->view.Row(y), source.view.Row(y), std::min<size_t>(bytes, source.view.stride));
    } else {
      PixelRowRead(source.view, y, 0, source.view.width, row.data());
      PixelRowWrite(copy->view, y, 0, source.view.width, row.data());
    }
  }
  return copy;
}

}  // namespace platform

using namespace platform;

namespace {

HBITMAP Register(std::shared_ptr<GdiBitmap> bitmap) {
  if (!bitmap) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return static_cast<HBITMAP>(GdiHandleNew(std::move(bitmap)));
}

// Where a DC's output goes, with the logical point (x, y) moved to bitmap coordinates; false
// when the DC is unknown, has no target or the point lies outside its clip.
bool TargetPoint(HDC dcHandle, int& x, int& y, GdiTarget& target) {
  auto dc = GdiHandleAs<GdiDc>(dcHandle);
  if (!dc) return false;
  target = GdiDcTarget(*dc);
  if (target.bitmap == nullptr) return false;
  x += target.origin.x;
  y += target.origin.y;
  return x >= target.clip.left && x < target.clip.right && y >= target.clip.top && y < target.clip.bottom;
}

}  // namespace

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (width < 0 || height < 0 || planes != 1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (width == 0 || height == 0) return static_cast<HBITMAP>(GetStockObject(DEFAULT_BITMAP));
  // Device bitmaps have no palette on this display, so palette depths do not exist for them.
  if (bitsPerPixel != 1 && bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto bitmap = GdiBitmapMake(width, height, static_cast<WORD>(bitsPerPixel), false, true, nullptr, 0);
  if (bitmap && bits) std::memcpy(bitmap->view.bits, bits, static_cast<size_t>(bitmap->view.stride) * height);
  return Register(std::move(bitmap));
}

HBITMAP CreateCompatibleBitmap(HDC dcHandle, int width, int height) {
  auto dc = GdiHandleAs<GdiDc>(dcHandle);
  if (!dc || width < 0 || height < 0) {
    SetLastError(dc ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (width == 0 || height == 0) return static_cast<HBITMAP>(GetStockObject(DEFAULT_BITMAP));
  // A memory DC makes bitmaps like the one selected into it: monochrome while it still holds
  // its default bitmap, a section of the same format when a section is selected.
  const GdiBitmap* model = dc->surface ? nullptr : dynamic_cast<const GdiBitmap*>(dc->selected[OBJ_BITMAP].get());
  if (model && model->section) {
    return Register(GdiBitmapMake(width, height, model->view.bitsPixel, true, model->view.topDown, model->view.colours,
                                  model->view.colourCount));
  }
  const WORD bits = model ? model->view.bitsPixel : kScreenBitsPixel;
  return Register(GdiBitmapMake(width, height, bits, false, true, nullptr, 0));
}

HBITMAP CreateDIBSection(HDC dcHandle, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD) {
  if (bits) *bits = nullptr;
  if (dcHandle != nullptr && !GdiHandleAs<GdiDc>(dcHandle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  // Sections live in memory of their own here; file-mapping sections and palette-index colour
  // tables are not provided.
  if (info == nullptr || usage != DIB_RGB_COLORS || section != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == LONG(0x80000000) ||
      h.biPlanes != 1 || !DepthSupported(h.biBitCount) || h.biCompression != BI_RGB) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  int colourCount = 0;
  if (h.biBitCount <= 8) colourCount = h.biClrUsed ? static_cast<int>(std::min<DWORD>(h.biClrUsed, 1u << h.biBitCount)) : 1 << h.biBitCount;
  const auto* colours = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(info) + h.biSize);
  auto bitmap = GdiBitmapMake(h.biWidth, std::abs(h.biHeight), h.biBitCount, true, h.biHeight < 0,
                              colourCount ? colours : nullptr, colourCount);
  if (bitmap) {
    bitmap->header.biXPelsPerMeter = h.biXPelsPerMeter;
    bitmap->header.biYPelsPerMeter = h.biYPelsPerMeter;
    bitmap->header.biClrImportant = h.biClrImportant;
  }
  void* pixels = bitmap ? bitmap->view.bits : nullptr;
  HBITMAP handle = Register(std::move(bitmap));
  if (handle && bits) *bits = pixels;
  return handle;
}

int GetDIBits(HDC dcHandle, HBITMAP bitmapHandle, UINT startScan, UINT lines, LPVOID bits, BITMAPINFO* info, UINT usage) {
  auto bitmap = GdiHandleAs<GdiBitmap>(bitmapHandle);
  if (!GdiHandleAs<GdiDc>(dcHandle) || !bitmap || info == nullptr || usage != DIB_RGB_COLORS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const PixelView& source = bitmap->view;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER)) return 0;
  if (bits == nullptr && h.biBitCount == 0) {
    // Describe the bitmap: its size and depth, rows bottom-up.
    h.biWidth = source.width;
    h.biHeight = source.height;
    h.biPlanes = 1;
    h.biBitCount = source.bitsPixel;
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(DibStride(source.width, source.bitsPixel) * source.height);
    h.biClrUsed = 0;
    return 1;
  }
  // Palette depths are given as they are stored: the indices with the bitmap's own colours.
  const int outBits = h.biBitCount;
  if (!DepthSupported(outBits) || h.biCompression != BI_RGB || h.biWidth <= 0 || h.biHeight == 0 ||
      (outBits <= 8 && outBits != source.bitsPixel)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int64_t stride = DibStride(h.biWidth, outBits);
  if (stride < 0) return 0;
  h.biSizeImage = static_cast<DWORD>(std::min<int64_t>(stride * std::abs(static_cast<int64_t>(h.biHeight)), 0xFFFFFFFFll));
  if (outBits <= 8) {
    std::memcpy(info->bmiColors, source.colours, sizeof(RGBQUAD) * source.colourCount);
    h.biClrUsed = static_cast<DWORD>(source.colourCount);
  }
  if (bits == nullptr) return 1;
  if (startScan >= static_cast<UINT>(source.height)) return 0;
  const UINT count = std::min<UINT>(lines, static_cast<UINT>(source.height) - startScan);
  const bool topDown = h.biHeight < 0;
  PixelView out;
  out.bits = static_cast<uint8_t*>(bits);
  out.width = h.biWidth;
  out.height = static_cast<LONG>(count);
  out.stride = static_cast<LONG>(stride);
  out.bitsPixel = static_cast<WORD>(outBits);
  out.topDown = true;  // buffer rows in the order the scan lines are written
  out.colours = source.colours;
  out.colourCount = source.colourCount;
  // Columns past the bitmap's width are left zero.
  const LONG copyWidth = std::min(source.width, out.width);
  std::vector<Pixel> row(static_cast<size_t>(copyWidth));
  for (UINT i = 0; i < count; ++i) {
    const UINT scan = startScan + i;
    // Scan lines count from the bottom for bottom-up buffers and from the top for top-down ones.
    const LONG sourceRow = topDown ? static_cast<LONG>(scan) : source.height - 1 - static_cast<LONG>(scan);
    uint8_t* outRow = out.bits + static_cast<ptrdiff_t>(stride) * i;
    if (outBits == source.bitsPixel && outBits <= 8) {
      std::memset(outRow, 0, static_cast<size_t>(stride));
      for (LONG x = 0; x < copyWidth; ++x) PixelRawSet(out, outRow, x, PixelRawGet(source, source.Row(sourceRow), x));
      continue;
    }
    PixelRowRead(source, sourceRow, 0, copyWidth, row.data());
    std::memset(outRow, 0, static_cast<size_t>(stride));
    PixelRowWrite(out, static_cast<LONG>(i), 0, copyWidth, row.data());
  }
  return static_cast<int>(count);
}

COLORREF GetPixel(HDC dc, int x, int y) {
  GdiTarget target;
  if (!TargetPoint(dc, x, y, target)) return CLR_INVALID;
  Pixel pixel;
  PixelRowRead(target.bitmap->view, y, x, 1, &pixel);
  return ColourFromPixel(pixel & 0xFFFFFF);
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour) {
  GdiTarget target;
  if (!TargetPoint(dc, x, y, target)) return CLR_INVALID;
  const PixelView& view = target.bitmap->view;
  // GDI output clears the alpha byte of 32-bit pixels.
  const Pixel written = PixelFromRaw(view, PixelToRaw(view, PixelFromColour(colour & 0xFFFFFF)));
  PixelRowWrite(view, y, x, 1, &written);
  return ColourFromPixel(written & 0xFFFFFF);
}

int FillRect(HDC dcHandle, const RECT* rect, HBRUSH brushHandle) {
  auto dc = GdiHandleAs<GdiDc>(dcHandle);
  auto brush = GdiHandleAs<GdiBrush>(brushHandle);
  if (!dc || !brush || rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  GdiTarget target = GdiDcTarget(*dc);
  if (target.bitmap == nullptr) return 0;
  if (brush->style == BS_NULL) return 1;
  const int64_t left = std::max<int64_t>(int64_t{rect->left} + target.origin.x, target.clip.left);
  const int64_t right = std::min<int64_t>(int64_t{rect->right} + target.origin.x, target.clip.right);
  const int64_t top = std::max<int64_t>(int64_t{rect->top} + target.origin.y, target.clip.top);
  const int64_t bottom = std::min<int64_t>(int64_t{rect->bottom} + target.origin.y, target.clip.bottom);
  if (left >= right || top >= bottom) return 1;
  const PixelView& view = target.bitmap->view;
  const Pixel pixel = PixelFromRaw(view, PixelToRaw(view, PixelFromColour(brush->colour)));
  std::vector<Pixel> row(static_cast<size_t>(right - left), pixel);
  for (int64_t y = top; y < bottom; ++y)
    PixelRowWrite(view, static_cast<LONG>(y), static_cast<LONG>(left), static_cast<LONG>(right - left), row.data());
  return 1;
}
