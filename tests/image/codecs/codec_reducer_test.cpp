// The colour reducer behind palette saving: the black-and-white rule of depth 1, palettes of
// 2^depth entries learnt from the picture, nearest-entry mapping, error diffusion and the packing
// of the index rows.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "colour_reducer.h"
#include "corvid.h"
#include "testing.h"

namespace {

class ColourReducer : public ::testing::Test {
 protected:
  void SetUp() override { MainHeapCreate(); }
  void TearDown() override { MainHeapDestroy(); }
};

// Packed rows of 24-bit pixels (stride a multiple of 4).
struct Rows {
  int64_t width, height, stride;
  std::vector<uint8_t> bytes;
  Rows(int64_t w, int64_t h) : width(w), height(h), stride((w * 3 + 3) / 4 * 4), bytes(static_cast<size_t>(stride * h)) {}
  uint8_t* At(int64_t x, int64_t y) { return &bytes[static_cast<size_t>(y * stride + x * 3)]; }
};

int IndexAt(const PaletteQuantizer* reducer, int64_t x, int64_t y, int depth) {
  const uint8_t* row = PaletteQuantizerRow(reducer, y);
  const int64_t bit = x * depth;
  return (row[bit / 8] >> (8 - depth - bit % 8)) & ((1 << depth) - 1);
}

TEST_F(ColourReducer, DepthOneIsWhiteAboveLuminance160) {
  // Grey 160 and 161, pure red, pure green, pure blue, white, black, and a light blue-green.
  const uint8_t pixels[][3] = {{160, 160, 160}, {161, 161, 161}, {0, 0, 255}, {0, 255, 0},
                               {255, 0, 0},     {255, 255, 255}, {0, 0, 0},   {255, 200, 100}};
  Rows rows(8, 1);
  for (int x = 0; x < 8; ++x) std::copy(pixels[x], pixels[x] + 3, rows.At(x, 0));
  PaletteQuantizer* reducer = PaletteQuantizerNew(rows.bytes.data(), 8, 1, 24, rows.stride, 1, 7);
  ASSERT_NE(reducer, nullptr);
  EXPECT_EQ(PaletteQuantizerRowBytes(reducer), 1);
  // Most significant bit first: 0 1 0 1 0 1 0 1.
  EXPECT_EQ(PaletteQuantizerRow(reducer, 0)[0], 0b01010101);
  const RGBQUAD* palette = PaletteQuantizerPalette(reducer);
  EXPECT_EQ((std::vector<int>{palette[0].rgbBlue, palette[0].rgbGreen, palette[0].rgbRed}), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ((std::vector<int>{palette[1].rgbBlue, palette[1].rgbGreen, palette[1].rgbRed}),
            (std::vector<int>{255, 255, 255}));
  PaletteQuantizerFree(reducer);
}

// A smooth picture: blue across, green down, red along the diagonal.
Rows Smooth(int64_t width, int64_t height) {
  Rows rows(width, height);
  for (int64_t y = 0; y < height; ++y) {
    for (int64_t x = 0; x < width; ++x) {
      uint8_t* p = rows.At(x, y);
      p[0] = static_cast<uint8_t>(x * 255 / (width - 1));
      p[1] = static_cast<uint8_t>(y * 255 / (height - 1));
      p[2] = static_cast<uint8_t>((x + y) * 255 / (width + height - 2));
    }
  }
  return rows;
}

TEST_F(ColourReducer, EveryPixelMapsToItsNearestPaletteEntry) {
  Rows rows = Smooth(60, 40);
  for (int depth : {2, 4, 8}) {
    SCOPED_TRACE(depth);
    PaletteQuantizer* reducer = PaletteQuantizerNew(rows.bytes.data(), 60, 40, 24, rows.stride, depth, 7);
    ASSERT_NE(reducer, nullptr);
    EXPECT_EQ(PaletteQuantizerRowBytes(reducer), (60 * depth + 7) / 8);
    const RGBQUAD* palette = PaletteQuantizerPalette(reducer);
    auto distance = [&](int entry, const uint8_t* p) {
      const int db = palette[entry].rgbBlue - p[0], dg = palette[entry].rgbGreen - p[1], dr = palette[entry].rgbRed - p[2],
                da = palette[entry].rgbReserved - 255;
      return db * db + dg * dg + dr * dr + da * da;
    };
    for (int64_t y = 0; y < 40; ++y) {
      for (int64_t x = 0; x < 60; ++x) {
        const int index = IndexAt(reducer, x, y, depth);
        ASSERT_LT(index, 1 << depth);
        int best = distance(0, rows.At(x, y));
        for (int entry = 1; entry < (1 << depth); ++entry) best = std::min(best, distance(entry, rows.At(x, y)));
        ASSERT_EQ(distance(index, rows.At(x, y)), best) << x << "," << y;
      }
    }
    PaletteQuantizerFree(reducer);
  }
}

TEST_F(ColourReducer, APictureOfFewColoursKeepsThem) {
  const uint8_t colours[4][3] = {{0, 0, 200}, {30, 180, 40}, {220, 220, 220}, {90, 10, 120}};
  Rows rows(64, 64);
  for (int64_t y = 0; y < 64; ++y) {
    for (int64_t x = 0; x < 64; ++x) std::copy(colours[(x / 16 + y / 16) % 4], colours[(x / 16 + y / 16) % 4] + 3, rows.At(x, y));
  }
  PaletteQuantizer* reducer = PaletteQuantizerNew(rows.bytes.data(), 64, 64, 24, rows.stride, 4, 7);
  ASSERT_NE(reducer, nullptr);
  const RGBQUAD* palette = PaletteQuantizerPalette(reducer);
  int worst = 0;
  for (int64_t y = 0; y < 64; ++y) {
    for (int64_t x = 0; x < 64; ++x) {
      const RGBQUAD& entry = palette[IndexAt(reducer, x, y, 4)];
      const uint8_t* p = rows.At(x, y);
      worst = std::max({worst, std::abs(entry.rgbBlue - p[0]), std::abs(entry.rgbGreen - p[1]), std::abs(entry.rgbRed - p[2])});
    }
  }
  EXPECT_LE(worst, 6);
  PaletteQuantizerFree(reducer);
}

// How far, on average over the columns, the mean colour of a column of mapped pixels lies from
// the column's own colour (a horizontal grey ramp, so every column has one colour).
double ColumnError(const PaletteQuantizer* reducer, Rows& rows, int depth) {
  const RGBQUAD* palette = PaletteQuantizerPalette(reducer);
  double total = 0;
  for (int64_t x = 0; x < rows.width; ++x) {
    double sum = 0;
    for (int64_t y = 0; y < rows.height; ++y) sum += palette[IndexAt(reducer, x, y, depth)].rgbGreen;
    total += std::abs(sum / static_cast<double>(rows.height) - rows.At(x, 0)[1]);
  }
  return total / static_cast<double>(rows.width);
}

TEST_F(ColourReducer, ErrorDiffusionKeepsTheAverageColourOfSmoothAreas) {
  Rows rows(256, 32);
  for (int64_t y = 0; y < 32; ++y) {
    for (int64_t x = 0; x < 256; ++x) std::fill(rows.At(x, y), rows.At(x, y) + 3, static_cast<uint8_t>(x));
  }
  PaletteQuantizer* nearest = PaletteQuantizerNew(rows.bytes.data(), 256, 32, 24, rows.stride, 2, 7);
  PaletteQuantizer* diffused = PaletteQuantizerNew(rows.bytes.data(), 256, 32, 24, rows.stride, 2, 7 | 0x100);
  ASSERT_NE(nearest, nullptr);
  ASSERT_NE(diffused, nullptr);
  const double plain = ColumnError(nearest, rows, 2), spread = ColumnError(diffused, rows, 2);
  EXPECT_LT(spread * 2, plain) << "nearest " << plain << ", diffused " << spread;
  PaletteQuantizerFree(nearest);
  PaletteQuantizerFree(diffused);
}

TEST_F(ColourReducer, ThirtyTwoBitOpaqueInputGivesTheSameIndicesAsTwentyFourBit) {
  Rows rows = Smooth(30, 20);
  std::vector<uint8_t> wide(30 * 20 * 4);
  for (int64_t y = 0; y < 20; ++y) {
    for (int64_t x = 0; x < 30; ++x) {
      std::copy(rows.At(x, y), rows.At(x, y) + 3, &wide[static_cast<size_t>((y * 30 + x) * 4)]);
      wide[static_cast<size_t>((y * 30 + x) * 4 + 3)] = 255;
    }
  }
  PaletteQuantizer* a = PaletteQuantizerNew(rows.bytes.data(), 30, 20, 24, rows.stride, 8, 7);
  PaletteQuantizer* b = PaletteQuantizerNew(wide.data(), 30, 20, 32, 120, 8, 7);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  for (int64_t y = 0; y < 20; ++y)
    EXPECT_EQ(std::vector<uint8_t>(PaletteQuantizerRow(a, y), PaletteQuantizerRow(a, y) + 30),
              std::vector<uint8_t>(PaletteQuantizerRow(b, y), PaletteQuantizerRow(b, y) + 30));
  PaletteQuantizerFree(a);
  PaletteQuantizerFree(b);
}

TEST_F(ColourReducer, BadArgumentsAndMissingMemoryGiveNoReducer) {
  Rows rows = Smooth(8, 8);
  EXPECT_EQ(PaletteQuantizerNew(nullptr, 8, 8, 24, rows.stride, 4, 7), nullptr);
  EXPECT_EQ(PaletteQuantizerNew(rows.bytes.data(), 8, 8, 24, rows.stride, 0, 7), nullptr);
  EXPECT_EQ(PaletteQuantizerNew(rows.bytes.data(), 8, 8, 24, rows.stride, 9, 7), nullptr);
  EXPECT_EQ(PaletteQuantizerNew(rows.bytes.data(), 8, 8, 24, rows.stride, 3, 7), nullptr) << "3-bit indices do not pack into bytes";
  EXPECT_EQ(PaletteQuantizerNew(rows.bytes.data(), 8, 8, 16, rows.stride, 4, 7), nullptr);
  EXPECT_EQ(PaletteQuantizerNew(rows.bytes.data(), 0, 8, 24, rows.stride, 4, 7), nullptr);
  EXPECT_EQ(PaletteQuantizerNew(rows.bytes.data(), 8, 8, 24, 20, 4, 7), nullptr) << "stride shorter than a row";
  const int64_t blocks = platform::testing::HeapBlockCount(MainHeap());
  for (int64_t failAt = 1; failAt <= 4; ++failAt) {
    platform::testing::HeapFailAfter(failAt);
    PaletteQuantizer* reducer = PaletteQuantizerNew(rows.bytes.data(), 8, 8, 24, rows.stride, 4, 7 | 0x100);
    platform::testing::HeapFailAfter(0);
    PaletteQuantizerFree(reducer);
    EXPECT_EQ(platform::testing::HeapBlockCount(MainHeap()), blocks) << failAt;
  }
}

}  // namespace
