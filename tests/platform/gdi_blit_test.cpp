// Blits: BitBlt and StretchBlt with their raster operations, clipping, monochrome conversions
// and stretch modes (HALFTONE's area average worked out by hand), and AlphaBlend's constant and
// premultiplied per-pixel alpha.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "gdi_helpers.h"
#include "kernel.h"

namespace {

// A top-down section selected into its own memory DC, with direct access to its pixels.
class Canvas {
 public:
  Canvas(int width, int height, int bits) : width_(width), bits_(bits) {
    bitmap_ = TestSection(width, height, bits, &pixels_, true);
    dc_ = CreateCompatibleDC(nullptr);
    SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }
  int stride() const { return (width_ * bits_ / 8 + 3) / 4 * 4; }
  uint8_t* At(int x, int y) const { return pixels_ + y * stride() + x * bits_ / 8; }
  // Pixel as B | G << 8 | R << 16 | A << 24.
  uint32_t Get(int x, int y) const {
    const uint8_t* p = At(x, y);
    return p[0] | (p[1] << 8) | (p[2] << 16) | (bits_ == 32 ? static_cast<uint32_t>(p[3]) << 24 : 0);
  }
  void Set(int x, int y, uint32_t value) const {
    uint8_t* p = At(x, y);
    for (int i = 0; i < bits_ / 8; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
  }
  void Fill(uint32_t value) const {
    for (int y = 0; y < height(); ++y)
      for (int x = 0; x < width_; ++x) Set(x, y, value);
  }
  int height() const {
    BITMAP b{};
    GetObjectW(bitmap_, sizeof b, &b);
    return b.bmHeight;
  }

 private:
  int width_, bits_;
  uint8_t* pixels_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HDC dc_ = nullptr;
};

class BlitTest : public GdiLeakCheckTest {};

TEST_F(BlitTest, BitBltCopiesEveryByteOf32BitPixels) {
  Canvas source(3, 2, 32), target(3, 2, 32);
  source.Set(0, 0, 0x80112233);
  source.Set(2, 1, 0x00445566);
  ASSERT_TRUE(BitBlt(target.dc(), 0, 0, 3, 2, source.dc(), 0, 0, SRCCOPY));
  EXPECT_EQ(target.Get(0, 0), 0x80112233u);
  EXPECT_EQ(target.Get(2, 1), 0x00445566u);
}

TEST_F(BlitTest, BitBltClipsToTheTargetAndDrawsNothingFromOutsideTheSource) {
  Canvas source(2, 2, 24), target(4, 4, 24);
  source.Fill(0x0000FF);
  target.Fill(0x111111);
  ASSERT_TRUE(BitBlt(target.dc(), 3, -1, 4, 4, source.dc(), 0, 0, SRCCOPY));
  // Target (3, 0) is source (0, 1); target (3, 1) would be source (0, 2), which does not exist.
  EXPECT_EQ(target.Get(3, 0), 0x0000FFu);
  EXPECT_EQ(target.Get(3, 1), 0x111111u);
  EXPECT_EQ(target.Get(2, 0), 0x111111u);
  EXPECT_TRUE(BitBlt(target.dc(), 0, 0, 2, 2, source.dc(), -5, -5, SRCCOPY));
  EXPECT_EQ(target.Get(0, 0), 0x111111u);
  EXPECT_FALSE(BitBlt(target.dc(), 0, 0, 2, 2, nullptr, 0, 0, SRCCOPY));
}

TEST_F(BlitTest, ColourConversionsBetweenDepthsClearOrDropAlpha) {
  Canvas rgb(1, 1, 24), rgba(1, 1, 32), wide(1, 1, 32);
  rgb.Set(0, 0, 0x123456);
  wide.Set(0, 0, 0xFF000000);
  BitBlt(wide.dc(), 0, 0, 1, 1, rgb.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(wide.Get(0, 0), 0x00123456u);
  rgba.Set(0, 0, 0x7F654321);
  BitBlt(rgb.dc(), 0, 0, 1, 1, rgba.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(rgb.Get(0, 0), 0x654321u);
}

TEST_F(BlitTest, RowsConvertedBetweenDepthsKeepTheirPlaceAndClipping) {
  Canvas rgb(5, 4, 24), target(6, 5, 32);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) rgb.Set(x, y, 0x010203u * (y * 5 + x + 1));
  target.Fill(0xAA000000);
  // From one column left of the source: that column is outside it and stays as it was.
  ASSERT_TRUE(BitBlt(target.dc(), 1, 1, 4, 3, rgb.dc(), -1, 1, SRCCOPY));
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 6; ++x) {
      const bool copied = x >= 2 && x < 5 && y >= 1 && y < 4;
      EXPECT_EQ(target.Get(x, y), copied ? 0x010203u * (y * 5 + (x - 2) + 1) : 0xAA000000u) << x << "," << y;
    }
  }
}

TEST_F(BlitTest, MonochromeSourcesTakeTheTargetDcsTextAndBackgroundColours) {
  const uint8_t bits[] = {0x80, 0};  // 2 x 1: white, black
  HBITMAP mono = CreateBitmap(2, 1, 1, 1, bits);
  HDC monoDc = CreateCompatibleDC(nullptr);
  SelectObject(monoDc, mono);
  Canvas target(2, 1, 24);
  SetTextColor(target.dc(), RGB(255, 0, 0));
  SetBkColor(target.dc(), RGB(0, 0, 255));
  BitBlt(target.dc(), 0, 0, 2, 1, monoDc, 0, 0, SRCCOPY);
  EXPECT_EQ(target.Get(0, 0), 0x0000FFu);  // bit 1: the background colour, blue
  EXPECT_EQ(target.Get(1, 0), 0xFF0000u);  // bit 0: the text colour, red
  DeleteDC(monoDc);
  DeleteObject(mono);
}

TEST_F(BlitTest, ColourPixelsBecomeWhiteInAMonochromeTargetWhereTheyMatchTheSourceBackground) {
  Canvas source(3, 1, 24);
  source.Set(0, 0, 0x00FF00);
  source.Set(1, 0, 0x0000FF);
  source.Set(2, 0, 0xFFFFFF);
  SetBkColor(source.dc(), RGB(0, 255, 0));
  HBITMAP mono = CreateBitmap(3, 1, 1, 1, nullptr);
  HDC monoDc = CreateCompatibleDC(nullptr);
  SelectObject(monoDc, mono);
  BitBlt(monoDc, 0, 0, 3, 1, source.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(monoDc, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(monoDc, 1, 0), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(monoDc, 2, 0), RGB(0, 0, 0));  // white, but not the background colour
  DeleteDC(monoDc);
  DeleteObject(mono);
}

TEST_F(BlitTest, RasterOperationsCombinePatternSourceAndTargetBits) {
  Canvas source(1, 1, 24), target(1, 1, 24);
  HBRUSH brush = CreateSolidBrush(RGB(0xF0, 0xF0, 0xF0));
  SelectObject(target.dc(), brush);
  auto run = [&](DWORD rop) {
    source.Set(0, 0, 0x0F0F33);
    target.Set(0, 0, 0x00FF55);
    EXPECT_TRUE(BitBlt(target.dc(), 0, 0, 1, 1, source.dc(), 0, 0, rop));
    return target.Get(0, 0);
  };
  EXPECT_EQ(run(SRCAND), 0x000F11u);
  EXPECT_EQ(run(SRCPAINT), 0x0FFF77u);
  EXPECT_EQ(run(SRCINVERT), 0x0FF066u);
  EXPECT_EQ(run(NOTSRCCOPY), 0xF0F0CCu);
  EXPECT_EQ(run(DSTINVERT), 0xFF00AAu);
  EXPECT_EQ(run(PATCOPY), 0xF0F0F0u);
  EXPECT_EQ(run(PATINVERT), 0xF00FA5u);
  EXPECT_EQ(run(MERGEPAINT), 0xF0FFDDu);  // ~source | target, through the general evaluator
  EXPECT_EQ(run(BLACKNESS), 0u);
  EXPECT_EQ(run(WHITENESS), 0xFFFFFFu);
  SelectObject(target.dc(), GetStockObject(WHITE_BRUSH));
  DeleteObject(brush);
}

TEST_F(BlitTest, HalftoneAveragesTheSourceAreaUnderEachTargetPixel) {
  Canvas source(3, 1, 24), target(2, 1, 24);
  source.Set(0, 0, 0x000000);
  source.Set(1, 0, 0x00005A);  // blue 90
  source.Set(2, 0, 0x0000B4);  // blue 180
  EXPECT_EQ(SetStretchBltMode(target.dc(), HALFTONE), BLACKONWHITE);
  ASSERT_TRUE(StretchBlt(target.dc(), 0, 0, 2, 1, source.dc(), 0, 0, 3, 1, SRCCOPY));
  // Target 0 covers source 0 and half of 1: (0 + 45) / 1.5 = 30; target 1: (45 + 180) / 1.5 = 150.
  EXPECT_EQ(target.Get(0, 0), 30u);
  EXPECT_EQ(target.Get(1, 0), 150u);
}

TEST_F(BlitTest, HalftoneShrinksBothAxesAndAllFourChannels) {
  Canvas source(2, 2, 32), target(1, 1, 32);
  source.Set(0, 0, 0x40000010);
  source.Set(1, 0, 0x80000020);
  source.Set(0, 1, 0xC0000030);
  source.Set(1, 1, 0xFF000041);
  SetStretchBltMode(target.dc(), HALFTONE);
  StretchBlt(target.dc(), 0, 0, 1, 1, source.dc(), 0, 0, 2, 2, SRCCOPY);
  // Blue (16 + 32 + 48 + 65) / 4 = 40.25; alpha (64 + 128 + 192 + 255) / 4 = 159.75.
  EXPECT_EQ(target.Get(0, 0), 0xA0000028u);
}

TEST_F(BlitTest, ColorOnColorPicksOnePixelWhereHalftoneAverages) {
  Canvas source(4, 1, 24), target(2, 1, 24);
  for (int x = 0; x < 4; ++x) source.Set(x, 0, static_cast<uint32_t>(x * 40));
  SetStretchBltMode(target.dc(), COLORONCOLOR);
  StretchBlt(target.dc(), 0, 0, 2, 1, source.dc(), 0, 0, 4, 1, SRCCOPY);
  EXPECT_EQ(target.Get(0, 0), 40u);  // the pixel under each target pixel's centre
  EXPECT_EQ(target.Get(1, 0), 120u);
  SetStretchBltMode(target.dc(), HALFTONE);
  StretchBlt(target.dc(), 0, 0, 2, 1, source.dc(), 0, 0, 4, 1, SRCCOPY);
  EXPECT_EQ(target.Get(0, 0), 20u);
  EXPECT_EQ(target.Get(1, 0), 100u);
}

TEST_F(BlitTest, BlackOnWhiteAndWhiteOnBlackCombineTheDroppedPixels) {
  Canvas source(2, 1, 24), target(1, 1, 24);
  source.Set(0, 0, 0x0F0F0F);
  source.Set(1, 0, 0x3C3C3C);
  StretchBlt(target.dc(), 0, 0, 1, 1, source.dc(), 0, 0, 2, 1, SRCCOPY);  // the default mode
  EXPECT_EQ(target.Get(0, 0), 0x0C0C0Cu);
  SetStretchBltMode(target.dc(), WHITEONBLACK);
  StretchBlt(target.dc(), 0, 0, 1, 1, source.dc(), 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(target.Get(0, 0), 0x3F3F3Fu);
}

TEST_F(BlitTest, StretchBltMirrorsWhenTheSignsOfTheWidthsDiffer) {
  Canvas source(3, 1, 24), target(3, 1, 24);
  for (int x = 0; x < 3; ++x) source.Set(x, 0, static_cast<uint32_t>(x + 1));
  // A negative width spans from x + width up to x.
  StretchBlt(target.dc(), 3, 0, -3, 1, source.dc(), 0, 0, 3, 1, SRCCOPY);
  EXPECT_EQ(target.Get(0, 0), 3u);
  EXPECT_EQ(target.Get(2, 0), 1u);
  StretchBlt(target.dc(), 0, 0, 3, 1, source.dc(), 3, 0, -3, 1, SRCCOPY);
  EXPECT_EQ(target.Get(0, 0), 3u);
  EXPECT_EQ(target.Get(1, 0), 2u);
}

TEST_F(BlitTest, OverlappingCopiesWithinOneBitmapReadTheOriginalPixels) {
  Canvas canvas(4, 1, 24);
  for (int x = 0; x < 4; ++x) canvas.Set(x, 0, static_cast<uint32_t>(x + 1));
  BitBlt(canvas.dc(), 1, 0, 3, 1, canvas.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(canvas.Get(1, 0), 1u);
  EXPECT_EQ(canvas.Get(2, 0), 2u);
  EXPECT_EQ(canvas.Get(3, 0), 3u);
}

TEST_F(BlitTest, AbsurdRectanglesAreClippedAndNeverWalked) {
  Canvas source(4, 4, 24), target(4, 4, 24);
  source.Fill(0x0000FF);
  target.Fill(0x111111);
  SetStretchBltMode(target.dc(), HALFTONE);
  EXPECT_TRUE(BitBlt(target.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, source.dc(), 0, 0, SRCCOPY));
  EXPECT_TRUE(StretchBlt(target.dc(), 0, 0, INT_MIN, 4, source.dc(), 0, 0, 4, 4, SRCCOPY));
  EXPECT_TRUE(BitBlt(target.dc(), 0, 0, 4, 4, source.dc(), INT_MAX - 2, INT_MIN + 1, SRCCOPY));
  EXPECT_EQ(target.Get(0, 0), 0x111111u);
  // Two thousand million source columns squeezed into one target pixel: only the 4 that exist count.
  EXPECT_TRUE(StretchBlt(target.dc(), 0, 0, 1, 1, source.dc(), -1000000000, 0, 2000000000, 4, SRCCOPY));
  EXPECT_EQ(target.Get(0, 0), 0x0000FFu);
  SetStretchBltMode(target.dc(), BLACKONWHITE);
  EXPECT_TRUE(StretchBlt(target.dc(), 1, 1, 1, 1, source.dc(), -1000000000, 0, 2000000000, 4, SRCCOPY));
  EXPECT_EQ(target.Get(1, 1), 0x0000FFu);
  EXPECT_TRUE(StretchBlt(target.dc(), 0, 0, INT_MAX, INT_MAX, source.dc(), 0, 0, 1, 1, SRCCOPY));
  EXPECT_EQ(target.Get(3, 3), 0x0000FFu);
}

TEST_F(BlitTest, AlphaBlendComposesPremultipliedSourcePixelsOverTheTarget) {
  Canvas source(1, 1, 32), target(1, 1, 32);
  source.Set(0, 0, 0x80000040);  // alpha 128, blue 64 (premultiplied)
  target.Set(0, 0, 0xFF64C800);  // red 100, green 200
  ASSERT_TRUE(AlphaBlend(target.dc(), 0, 0, 1, 1, source.dc(), 0, 0, 1, 1, BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA}));
  // Each channel: source + target x (255 - 128) / 255, rounded.
  EXPECT_EQ(target.Get(0, 0), 0xFF326440u);
}

TEST_F(BlitTest, AlphaBlendWithConstantAlphaWeighsSourceAndTarget) {
  Canvas source(1, 1, 24), target(1, 1, 24);
  source.Set(0, 0, 0xFF0000);
  target.Set(0, 0, 0x0000FF);
  ASSERT_TRUE(AlphaBlend(target.dc(), 0, 0, 1, 1, source.dc(), 0, 0, 1, 1, BLENDFUNCTION{AC_SRC_OVER, 0, 51, 0}));
  EXPECT_EQ(target.Get(0, 0), 0x3300CCu);  // 255 x 51 / 255 = 51 red, 255 x 204 / 255 = 204 blue
}

TEST_F(BlitTest, AlphaBlendWithPerPixelAndConstantAlphaScalesTheSourceFirst) {
  Canvas source(1, 1, 32), target(1, 1, 32);
  source.Set(0, 0, 0xFFFFFFFF);
  target.Set(0, 0, 0xFF000000);
  AlphaBlend(target.dc(), 0, 0, 1, 1, source.dc(), 0, 0, 1, 1, BLENDFUNCTION{AC_SRC_OVER, 0, 128, AC_SRC_ALPHA});
  EXPECT_EQ(target.Get(0, 0), 0xFF808080u);
}

TEST_F(BlitTest, AlphaBlendStretchesAndRefusesWhatWindowsRefuses) {
  Canvas source(2, 2, 32), target(4, 4, 32), plain(2, 2, 24);
  source.Fill(0xFF102030);
  const BLENDFUNCTION perPixel{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ASSERT_TRUE(AlphaBlend(target.dc(), 0, 0, 4, 4, source.dc(), 0, 0, 2, 2, perPixel));
  EXPECT_EQ(target.Get(3, 3), 0xFF102030u);
  EXPECT_FALSE(AlphaBlend(target.dc(), 0, 0, 4, 4, source.dc(), 1, 1, 2, 2, perPixel));   // source outside
  EXPECT_FALSE(AlphaBlend(target.dc(), 0, 0, -4, 4, source.dc(), 0, 0, 2, 2, perPixel));  // mirrored
  EXPECT_FALSE(AlphaBlend(target.dc(), 0, 0, 2, 2, plain.dc(), 0, 0, 2, 2, perPixel));    // no alpha to use
  EXPECT_FALSE(AlphaBlend(target.dc(), 0, 0, 2, 2, source.dc(), 0, 0, 2, 2, BLENDFUNCTION{1, 0, 255, 0}));
  EXPECT_FALSE(AlphaBlend(target.dc(), 0, 0, 2, 2, nullptr, 0, 0, 2, 2, perPixel));
}

}  // namespace
