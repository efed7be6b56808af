// The smooth scaler: its kernel and weight tables, the conversion of sums to bytes, results
// worked out by hand, flat colours staying flat, the reach of a halving's taps, and failure
// when memory runs out.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "image_fixture.h"
#include "image_scale.h"
#include "kernel.h"
#include "testing.h"

namespace {

class ScaleTest : public ImageRuntimeTest {};

TEST_F(ScaleTest, TheKernelIsTheMitchellNetravaliCubicWithAThirdForBAndC) {
  EXPECT_DOUBLE_EQ(ImageScaleKernel(0), 8.0 / 9.0);
  EXPECT_NEAR(ImageScaleKernel(1), 1.0 / 18.0, 1e-15);
  EXPECT_NEAR(ImageScaleKernel(2), 0.0, 1e-15);
  EXPECT_EQ(ImageScaleKernel(2.5), 0.0);
  EXPECT_LT(ImageScaleKernel(1.5), 0.0);  // the negative lobe that makes edges ring
  // Both pieces meet at 1.
  EXPECT_NEAR(ImageScaleKernel(1 - 1e-9), ImageScaleKernel(1), 1e-8);
}

TEST_F(ScaleTest, SumsBecomeBytesRoundedAndClamped) {
  EXPECT_EQ(ImageScaleToByte(-0.4), 0);
  EXPECT_EQ(ImageScaleToByte(255.6), 255);
  EXPECT_EQ(ImageScaleToByte(-3.0), 0);
  EXPECT_EQ(ImageScaleToByte(0.49), 0);
  EXPECT_EQ(ImageScaleToByte(0.5), 1);
  EXPECT_EQ(ImageScaleToByte(127.5), 128);
  EXPECT_EQ(ImageScaleToByte(254.5), 255);
  EXPECT_EQ(ImageScaleToByte(1e12), 255);
  EXPECT_EQ(ImageScaleToByte(std::nan("")), 0);
}

TEST_F(ScaleTest, HalvingReadsTapsWithinFourSourcePixelsWeighingOne) {
  ImageScaleTable table{};
  ASSERT_TRUE(ImageScaleTableBuild(&table, 16, 32));
  EXPECT_EQ(table.taps, 9);  // 2 x ceil(4) + 1
  for (int64_t i = 2; i < 14; ++i) {
    const double centre = 2.0 * i + 0.5;
    EXPECT_EQ(table.first[i], 2 * i - 3) << i;  // floor(centre - 4) = 2i - 4 would give 10 taps
    EXPECT_EQ(table.used[i], 9) << i;
    double sum = 0;
    for (int64_t k = 0; k < table.used[i]; ++k) {
      const double weight = table.weights[i * table.taps + k];
      const double distance = std::fabs(centre - static_cast<double>(table.first[i] + k));
      if (weight != 0) {
        EXPECT_LT(distance, 4.0) << i << " tap " << k;
      }
      sum += weight;
    }
    EXPECT_NEAR(sum, 1.0, 1e-12) << i;
  }
  // At the edges the taps are cut to the picture and the weights renormalised.
  EXPECT_EQ(table.first[0], 0);
  double edge = 0;
  for (int64_t k = 0; k < table.used[0]; ++k) edge += table.weights[k];
  EXPECT_NEAR(edge, 1.0, 1e-12);
  ImageScaleTableFree(&table);
}

TEST_F(ScaleTest, HalvingTwoPixelsAveragesThemRoundingHalfUp) {
  // One output from two inputs: both at distance 0.5, equal weights, so the plain average.
  const uint8_t source[8] = {10, 20, 30, 40, 21, 31, 41, 51};
  uint8_t target[4] = {};
  ASSERT_EQ(ImageScaleSmooth(source, 2, 1, target, 1, 1, 32), 1);
  EXPECT_EQ(target[0], 16);  // 15.5 rounds up
  EXPECT_EQ(target[1], 26);
  EXPECT_EQ(target[2], 36);
  EXPECT_EQ(target[3], 46);
}

TEST_F(ScaleTest, AHalvedPointReachesOnlyOutputsWithinFourSourcePixels) {
  std::vector<uint8_t> source(32 * 4, 0), target(16 * 4, 0);
  source[16 * 4 + 1] = 255;  // green at column 16
  ASSERT_EQ(ImageScaleSmooth(source.data(), 32, 1, target.data(), 16, 1, 32), 1);
  for (int i = 0; i < 16; ++i) {
    const double distance = std::fabs((2.0 * i + 0.5) - 16);
    // The kernel's first lobe is positive up to 1 (scaled: 2 source pixels); the negative lobe
    // beyond it clamps to 0, and nothing at all lies 4 or more pixels away.
    if (distance < 2) EXPECT_GT(target[i * 4 + 1], 0) << i;
    else EXPECT_EQ(target[i * 4 + 1], 0) << i;
    EXPECT_EQ(target[i * 4 + 0], 0);
  }
}

TEST_F(ScaleTest, FlatColoursStayExactlyFlatAtAnySize) {
  std::vector<uint8_t> source(13 * 7 * 4);
  for (size_t i = 0; i < source.size(); i += 4) {
    source[i] = 10;
    source[i + 1] = 200;
    source[i + 2] = 77;
    source[i + 3] = 255;
  }
  for (auto [w, h] : {std::pair{5, 3}, std::pair{40, 21}, std::pair{13, 1}, std::pair{1, 30}}) {
    std::vector<uint8_t> target(static_cast<size_t>(w) * h * 4);
    ASSERT_EQ(ImageScaleSmooth(source.data(), 13, 7, target.data(), w, h, 32), 1);
    for (size_t i = 0; i < target.size(); i += 4) {
      ASSERT_EQ(target[i], 10);
      ASSERT_EQ(target[i + 1], 200);
      ASSERT_EQ(target[i + 2], 77);
      ASSERT_EQ(target[i + 3], 255);
    }
  }
}

TEST_F(ScaleTest, RingingAtAnEdgeIsClampedNotWrappedAround) {
  // A black-to-white step, enlarged: the negative lobes push sums below 0 and above 255.
  std::vector<uint8_t> source(8 * 4, 0), target(32 * 4);
  for (int x = 4; x < 8; ++x)
    for (int c = 0; c < 4; ++c) source[x * 4 + c] = 255;
  ASSERT_EQ(ImageScaleSmooth(source.data(), 8, 1, target.data(), 32, 1, 32), 1);
  for (int x = 0; x < 12; ++x) EXPECT_LT(target[x * 4], 128) << x;
  for (int x = 20; x < 32; ++x) EXPECT_GT(target[x * 4], 128) << x;
  for (int x = 1; x < 32; ++x) EXPECT_GE(target[x * 4], target[(x - 1) * 4]) << x;  // never wraps
}

TEST_F(ScaleTest, BadArgumentsAreRefused) {
  uint8_t pixels[16] = {};
  EXPECT_EQ(ImageScaleSmooth(nullptr, 1, 1, pixels, 1, 1, 32), 0);
  EXPECT_EQ(ImageScaleSmooth(pixels, 1, 1, nullptr, 1, 1, 32), 0);
  EXPECT_EQ(ImageScaleSmooth(pixels, 0, 1, pixels, 1, 1, 32), 0);
  EXPECT_EQ(ImageScaleSmooth(pixels, 1, 1, pixels, 1, -1, 32), 0);
  EXPECT_EQ(ImageScaleSmooth(pixels, 2, 2, pixels, 1, 1, 24), 0);
}

TEST_F(ScaleTest, RunningOutOfMemoryFailsWithoutLeaking) {
  std::vector<uint8_t> source(20 * 10 * 4, 9), target(7 * 30 * 4);
  const int64_t blocks = platform::testing::HeapBlockCount(MainHeap());
  // The scaler allocates the intermediate, two tables of three arrays each and a row of sums:
  // make each of them fail in turn.
  for (int64_t failing = 1; failing <= 8; ++failing) {
    platform::testing::HeapFailAfter(failing);
    EXPECT_EQ(ImageScaleSmooth(source.data(), 20, 10, target.data(), 7, 30, 32), 0) << failing;
    platform::testing::HeapFailAfter(0);
    EXPECT_EQ(platform::testing::HeapBlockCount(MainHeap()), blocks) << failing;
  }
  EXPECT_EQ(ImageScaleSmooth(source.data(), 20, 10, target.data(), 7, 30, 32), 1);
}

}  // namespace
