// Helpers of the text tests: a memory DC drawing into a 24-bit top-down section, fonts made in
// one line, and readers of the pixels the text left behind.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "gdi.h"
#include "text.h"

struct Canvas {
  Canvas(int width, int height, COLORREF fill = 0) : w(width), h(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    previous = SelectObject(dc, bitmap);
    stride = (width * 3 + 3) / 4 * 4;
    Fill(fill);
  }
  ~Canvas() {
    SelectObject(dc, previous);
    if (font) SelectObject(dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(bitmap);
    DeleteDC(dc);
    for (HFONT f : made) DeleteObject(f);
  }
  void Fill(COLORREF colour) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) Set(x, y, colour);
    }
  }
  void Set(int x, int y, COLORREF colour) {
    uint8_t* p = bits + y * stride + x * 3;
    p[0] = GetBValue(colour);
    p[1] = GetGValue(colour);
    p[2] = GetRValue(colour);
  }
  COLORREF At(int x, int y) const {
    const uint8_t* p = bits + y * stride + x * 3;
    return RGB(p[2], p[1], p[0]);
  }
  // Selects a new font made from the arguments; the canvas deletes it.
  HFONT Use(const char16_t* face, int height, int weight = FW_NORMAL, bool italic = false, DWORD quality = 0,
            int escapement = 0) {
    HFONT f = CreateFontW(height, 0, escapement, escapement, weight, italic, 0, 0, DEFAULT_CHARSET, 0, 0, quality, 0,
                          face);
    made.push_back(f);
    SelectObject(dc, f);
    font = f;
    return f;
  }
  SIZE Extent(const std::u16string& text) const {
    SIZE size{-1, -1};
    EXPECT_TRUE(GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size));
    return size;
  }
  TEXTMETRICW Metrics() const {
    TEXTMETRICW tm{};
    EXPECT_TRUE(GetTextMetricsW(dc, &tm));
    return tm;
  }
  void Out(int x, int y, const std::u16string& text) {
    ASSERT_TRUE(TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size())));
  }
  // The smallest rectangle holding every pixel that differs from `background`; empty if none.
  RECT Ink(COLORREF background) const {
    RECT r{w, h, 0, 0};
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        if (At(x, y) == background) continue;
        r.left = std::min<LONG>(r.left, x);
        r.top = std::min<LONG>(r.top, y);
        r.right = std::max<LONG>(r.right, x + 1);
        r.bottom = std::max<LONG>(r.bottom, y + 1);
      }
    }
    if (r.right == 0) r = RECT{0, 0, 0, 0};
    return r;
  }
  int Count(COLORREF colour) const {
    int n = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) n += At(x, y) == colour;
    }
    return n;
  }

  int w, h, stride = 0;
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  HFONT font = nullptr;
  uint8_t* bits = nullptr;
  std::vector<HFONT> made;
};
