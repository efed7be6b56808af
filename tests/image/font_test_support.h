// Fixtures of the font and text tests: the libraries text drawing needs, and a drawing output
// over pixels the test owns (3 or 4 bytes, top-down or bottom-up) with readers that name
// colours as the drawing does (red in the low byte).
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "corvid.h"
#include "drawing_context.h"
#include "runtime_fixture.h"
#include "text.h"
#include "testing.h"

class FontTest : public CoreRuntimeTest {
 protected:
  void SetUp() override {
    CoreRuntimeTest::SetUp();
    FontInit();
    DrawingBlendInit();
    ImageInit();
    DrawingInit();
    objects_ = platform::testing::GdiObjectCount();
  }
  void TearDown() override {
    DrawingEnd();
    ImageShutdown();
    DrawingShutdown();
    FontShutdown();
    EXPECT_EQ(objects_, platform::testing::GdiObjectCount()) << "GDI objects leaked";
    CoreRuntimeTest::TearDown();
  }

 private:
  int64_t objects_ = 0;
};

// Pixels a drawing goes into, with a row of guard bytes around them.
class Pixels {
 public:
  Pixels(int width, int height, int bytes = 3, bool bottomUp = false)
      : w(width), h(height), bytes_(bytes), bottomUp_(bottomUp), stride_((width * bytes + 3) / 4 * 4) {
    memory_.assign(static_cast<size_t>(stride_ * (height + 2)), 0x5A);
    std::fill(Data(), Data() + stride_ * height, uint8_t{0});
  }
  uint8_t* Data() { return memory_.data() + stride_; }
  uint8_t* At(int x, int y) { return Data() + (bottomUp_ ? h - 1 - y : y) * stride_ + x * bytes_; }
  // The colour value of a pixel (alpha included on 4-byte pixels).
  uint32_t Colour(int x, int y) {
    const uint8_t* p = At(x, y);
    return p[2] | p[1] << 8 | p[0] << 16 | (bytes_ == 4 ? static_cast<uint32_t>(p[3]) << 24 : 0u);
  }
  void Fill(uint32_t colour) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        uint8_t* p = At(x, y);
        p[0] = static_cast<uint8_t>(colour >> 16);
        p[1] = static_cast<uint8_t>(colour >> 8);
        p[2] = static_cast<uint8_t>(colour);
        if (bytes_ == 4) p[3] = static_cast<uint8_t>(colour >> 24);
      }
    }
  }
  bool GuardsIntact() const {
    for (int64_t i = 0; i < stride_; ++i) {
      if (memory_[static_cast<size_t>(i)] != 0x5A || memory_[memory_.size() - 1 - static_cast<size_t>(i)] != 0x5A) return false;
    }
    return true;
  }
  // Begins a drawing on these pixels.
  bool Begin() {
    uint32_t format = bytes_ == 4 ? kDrawingFormat4Bytes : kDrawingFormat3Bytes;
    if (bottomUp_) format |= kDrawingFormatBottomUp;
    DrawingContext* context = DrawingContextNew(format);
    if (context == nullptr) return false;
    context->buffer = Data();
    context->stride = stride_;
    context->fullWidth = w;
    context->fullHeight = h;
    context->bitsPerPixel = bytes_ * 8;
    context->startReturnsBuffer = true;
    context->ops.release = [](DrawingContext*, int64_t) {};
    return DrawingBegin(static_cast<int64_t>(reinterpret_cast<uintptr_t>(context))) != 0;
  }
  // Pixels whose colour (without alpha) is not `colour`, inside and outside a rectangle.
  int CountOther(uint32_t colour, int left, int top, int right, int bottom, bool inside) {
    int n = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const bool in = x >= left && x < right && y >= top && y < bottom;
        if (in == inside && (Colour(x, y) & 0xFFFFFF) != (colour & 0xFFFFFF)) ++n;
      }
    }
    return n;
  }

  const int w, h;

 private:
  int bytes_;
  bool bottomUp_;
  int64_t stride_;
  std::vector<uint8_t> memory_;
};

// The LOGFONTW behind a font number.
inline LOGFONTW LogFontOf(int64_t font) {
  LOGFONTW lf{};
  GetObjectW(reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(FontHandle(font))), sizeof lf, &lf);
  return lf;
}

// The plain advance width of a text in a font, as the platform measures it.
inline int64_t AdvanceOf(int64_t font, const std::u16string& text) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(FontHandle(font))));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, previous);
  DeleteDC(dc);
  return size.cx;
}
