// Small helpers for tests that make and read bitmaps through the platform's GDI calls.
#pragma once

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gdi.h"
#include "testing.h"

// A bottom-up section of the given depth with its pixel address; the caller deletes it.
inline HBITMAP TestSection(int width, int height, int bits, uint8_t** pixels, bool topDown = false) {
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, topDown ? -height : height, 1,
                                    static_cast<WORD>(bits), BI_RGB, 0, 0, 0, 0, 0};
  void* bits_ = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
  if (pixels) *pixels = static_cast<uint8_t*>(bits_);
  return section;
}

// The pixels of any bitmap as 32-bit values (B, G, R, A bytes), top row first.
inline std::vector<uint32_t> PixelsOf(HBITMAP bitmap) {
  BITMAP description{};
  GetObjectW(bitmap, sizeof description, &description);
  std::vector<uint32_t> pixels(static_cast<size_t>(description.bmWidth) * description.bmHeight);
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), description.bmWidth, -description.bmHeight, 1, 32,
                                    BI_RGB, 0, 0, 0, 0, 0};
  HDC dc = CreateCompatibleDC(nullptr);
  GetDIBits(dc, bitmap, 0, static_cast<UINT>(description.bmHeight), pixels.data(), &info, DIB_RGB_COLORS);
  DeleteDC(dc);
  return pixels;
}

// A file of the shared test data, whole; empty when it cannot be read.
inline std::vector<uint8_t> TestDataFile(const std::string& relativePath) {
  std::ifstream file(std::string(STAMPWORK_TESTDATA) + "/" + relativePath, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The data of one icon image as .ico files and icon resources hold it: a BITMAPINFOHEADER of
// twice the height, a colour table for 4 bits, the colour rows and the AND mask rows, both
// bottom-up. Every covered pixel has `colour` (B | G << 8 | R << 16) and, at 32 bits, `alpha`;
// the mask is set (transparent) where `transparent(x, y)` says so, y counted from the top.
template <class Transparent>
std::vector<uint8_t> IconImageData(int width, int height, int bits, uint32_t colour, uint8_t alpha, Transparent transparent) {
  const int colours = bits == 4 ? 16 : 0;
  const int xorStride = (width * bits + 31) / 32 * 4, andStride = (width + 31) / 32 * 4;
  std::vector<uint8_t> data(40 + 4 * colours + (xorStride + andStride) * height, 0);
  const BITMAPINFOHEADER header{40, width, height * 2, 1, static_cast<WORD>(bits), BI_RGB, 0, 0, 0, 0, 0};
  std::memcpy(data.data(), &header, sizeof header);
  if (colours) std::memcpy(data.data() + 40 + 4, &colour, 3);  // entry 1 holds the colour
  uint8_t* xorRows = data.data() + 40 + 4 * colours;
  uint8_t* andRows = xorRows + xorStride * height;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = xorRows + (height - 1 - y) * xorStride;
    uint8_t* mask = andRows + (height - 1 - y) * andStride;
    for (int x = 0; x < width; ++x) {
      // Transparent pixels are black (index 0) with alpha 0, as icon editors write them.
      if (transparent(x, y)) {
        mask[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        continue;
      }
      if (bits == 4) row[x / 2] |= static_cast<uint8_t>(x % 2 ? 0x01 : 0x10);
      else
        for (int i = 0; i < bits / 8; ++i) row[x * bits / 8 + i] = static_cast<uint8_t>(i == 3 ? alpha : colour >> (8 * i));
    }
  }
  return data;
}

inline std::vector<uint8_t> IconImageData(int width, int height, int bits, uint32_t colour, uint8_t alpha = 255) {
  return IconImageData(width, height, bits, colour, alpha, [](int, int) { return false; });
}

// An .ico file of the given entries (width byte, height byte, bit count, image data).
struct IcoEntry {
  uint8_t width;
  uint8_t height;
  uint16_t bitCount;
  std::vector<uint8_t> image;
};

inline std::vector<uint8_t> IcoFile(const std::vector<IcoEntry>& entries) {
  std::vector<uint8_t> file = {0, 0, 1, 0, static_cast<uint8_t>(entries.size()), static_cast<uint8_t>(entries.size() >> 8)};
  uint32_t offset = static_cast<uint32_t>(6 + 16 * entries.size());
  for (const IcoEntry& entry : entries) {
    const uint32_t size = static_cast<uint32_t>(entry.image.size());
    const uint8_t fields[16] = {entry.width, entry.height, 0, 0, 1, 0,
                                static_cast<uint8_t>(entry.bitCount), static_cast<uint8_t>(entry.bitCount >> 8),
                                static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size >> 16),
                                static_cast<uint8_t>(size >> 24), static_cast<uint8_t>(offset), static_cast<uint8_t>(offset >> 8),
                                static_cast<uint8_t>(offset >> 16), static_cast<uint8_t>(offset >> 24)};
    file.insert(file.end(), fields, fields + 16);
    offset += size;
  }
  for (const IcoEntry& entry : entries) file.insert(file.end(), entry.image.begin(), entry.image.end());
  return file;
}

// The colour pixels and mask of an icon, top row first, through GetIconInfo (whose copies it
// deletes again).
struct IconPixels {
  int width = 0, height = 0;
  std::vector<uint32_t> colour;
  std::vector<uint32_t> mask;
};

inline IconPixels ReadIcon(HICON icon) {
  IconPixels out;
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return out;
  BITMAP description{};
  GetObjectW(info.hbmColor, sizeof description, &description);
  out.width = description.bmWidth;
  out.height = description.bmHeight;
  out.colour = PixelsOf(info.hbmColor);
  out.mask = PixelsOf(info.hbmMask);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return out;
}

// Platform tests that must leave as many live GDI objects as they found.
class GdiLeakCheckTest : public ::testing::Test {
 protected:
  void SetUp() override { start_ = platform::testing::GdiObjectCount(); }
  void TearDown() override { EXPECT_EQ(platform::testing::GdiObjectCount(), start_) << "GDI objects leaked"; }

 private:
  int64_t start_ = 0;
};
