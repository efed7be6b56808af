// Sections, the pixel buffers of images: row strides, making an empty section, copying any
// bitmap into one, and converting a bitmap into a 24- or 32-bit section of a given size for
// drawing (a plain copy at the same size, the smooth scaler for 32-bit sources, the system's
// halftone stretch otherwise).
#include <climits>

#include "heap.h"
#include "image.h"
#include "kernel.h"

namespace {

BITMAPINFO SectionInfo(LONG width, LONG height, WORD bits) {
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, bits, BI_RGB, 0, 0, 0, 0, 0};
  return info;
}

bool FitsLong(int64_t value) { return value > 0 && value <= INT_MAX; }

// The pixel address of a section, or null for anything else.
uint8_t* SectionBits(HBITMAP bitmap) {
  DIBSECTION section{};
  if (GetObjectW(bitmap, sizeof section, &section) != sizeof(DIBSECTION)) return nullptr;
  return static_cast<uint8_t*>(section.dsBm.bmBits);
}

// The 32-bit pixels of a bitmap, bottom-up and packed: the section's own memory when it is
// stored that way already (*owned false), else a main-heap copy made with GetDIBits.
uint8_t* Pixels32(HBITMAP bitmap, HDC dc, LONG width, LONG height, bool* owned) {
  DIBSECTION section{};
  *owned = false;
  if (GetObjectW(bitmap, sizeof section, &section) == sizeof(DIBSECTION) && section.dsBm.bmBitsPixel == 32 &&
      section.dsBmih.biHeight > 0)
    return static_cast<uint8_t*>(section.dsBm.bmBits);
  auto* pixels = static_cast<uint8_t*>(HeapAlloc(MainHeap(), 0, static_cast<size_t>(width) * height * 4));
  if (pixels == nullptr) return nullptr;
  BITMAPINFO info = SectionInfo(width, height, 32);
  if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels, &info, DIB_RGB_COLORS) != height) {
    HeapFree(MainHeap(), 0, pixels);
    return nullptr;
  }
  *owned = true;
  return pixels;
}

}  // namespace

int64_t ImageRowStride(int64_t width, int64_t bits) {
  switch (bits) {
    case 1: return (width + 31) / 32 * 4;
    case 4: return (width + 7) / 8 * 4;
    case 8: return (width + 3) / 4 * 4;
    case 15:
    case 16: return (width + 1) / 2 * 4;
    case 24: return (width * 3 + 3) / 4 * 4;
    case 32: return width * 4;
    default: return 0;
  }
}

HBITMAP ImageNewSection(int64_t width, int64_t height, int64_t bits) {
  if (!FitsLong(width) || !FitsLong(height)) return nullptr;
  if (bits < 24) bits = 24;
  if (bits > 32) return nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) return nullptr;
  BITMAPINFO info = SectionInfo(static_cast<LONG>(width), static_cast<LONG>(height), static_cast<WORD>(bits));
  void* pixels = nullptr;
  HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  DeleteDC(dc);
  return section;
}

HBITMAP ImageToSection(HBITMAP bitmap) {
  BITMAP description{};
  if (GetObjectW(bitmap, sizeof description, &description) < static_cast<int>(sizeof description)) return nullptr;
  const LONG width = description.bmWidth, height = description.bmHeight;
  const WORD bits = description.bmBitsPixel > 24 ? 32 : 24;
  HBITMAP section = ImageNewSection(width, height, bits);
  uint8_t* pixels = SectionBits(section);
  if (pixels == nullptr) return nullptr;
  BITMAPINFO info = SectionInfo(width, height, bits);
  HDC dc = CreateCompatibleDC(nullptr);
  const int lines = dc ? GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels, &info, DIB_RGB_COLORS) : 0;
  if (dc) DeleteDC(dc);
  if (lines != height) {
    DeleteObject(section);
    return nullptr;
  }
  if (description.bmBitsPixel != 32) return section;
  // A 32-bit bitmap whose alpha bytes are all zero was never meant to be transparent.
  const int64_t count = int64_t{width} * height;
  for (int64_t i = 0; i < count; ++i) {
    if (pixels[4 * i + 3] != 0) return section;
  }
  for (int64_t i = 0; i < count; ++i) pixels[4 * i + 3] = 255;
  return section;
}

HBITMAP ImageConvertForDrawing(HBITMAP bitmap, int64_t width, int64_t height) {
  HDC sourceDc = CreateCompatibleDC(nullptr);
  if (sourceDc == nullptr) return nullptr;
  HGDIOBJ sourceOld = SelectObject(sourceDc, bitmap);
  BITMAP description{};
  if (sourceOld == nullptr || GetObjectW(bitmap, sizeof description, &description) < static_cast<int>(sizeof description)) {
    if (sourceOld) SelectObject(sourceDc, sourceOld);
    DeleteDC(sourceDc);
    return nullptr;
  }
  const LONG sourceWidth = description.bmWidth, sourceHeight = description.bmHeight;
  if (width == -1) {
    width = sourceWidth;
    height = sourceHeight;
  } else if (height == -1) {
    height = sourceHeight;
  }
  const WORD bits = description.bmBitsPixel <= 24 ? 24 : 32;
  HBITMAP section = ImageNewSection(width, height, bits);
  HDC targetDc = section ? CreateCompatibleDC(nullptr) : nullptr;
  HGDIOBJ targetOld = targetDc ? SelectObject(targetDc, section) : nullptr;
  bool done = false;
  if (targetOld != nullptr) {
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    if (width == sourceWidth && height == sourceHeight) {
      done = BitBlt(targetDc, 0, 0, w, h, sourceDc, 0, 0, SRCCOPY) != 0;
    } else if (description.bmBitsPixel >= 32) {
      bool owned = false;
      uint8_t* pixels = Pixels32(bitmap, sourceDc, sourceWidth, sourceHeight, &owned);
      if (pixels != nullptr) {
        done = ImageScaleSmooth(pixels, sourceWidth, sourceHeight, SectionBits(section), width, height, 32) != 0;
        if (owned) HeapFree(MainHeap(), 0, pixels);
      }
    } else {
      SetStretchBltMode(targetDc, HALFTONE);
      SetBrushOrgEx(targetDc, 0, 0, nullptr);
      done = StretchBlt(targetDc, 0, 0, w, h, sourceDc, 0, 0, sourceWidth, sourceHeight, SRCCOPY) != 0;
    }
    SelectObject(targetDc, targetOld);
  }
  if (targetDc) DeleteDC(targetDc);
  SelectObject(sourceDc, sourceOld);
  DeleteDC(sourceDc);
  if (!done && section) {
    DeleteObject(section);
    section = nullptr;
  }
  return section;
}
