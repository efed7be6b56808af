// Sections and conversions: row strides, new sections, copies of device bitmaps into sections
// (with the all-zero alpha rule), the alpha test, and conversions for drawing at the same size
// (exact copies) and at other sizes (smooth scaler for 32 bits, halftone below).
#include <gtest/gtest.h>

#include <cstring>

#include "image_fixture.h"

namespace {

class SectionTest : public ImageRuntimeTest {};

DIBSECTION Section(HBITMAP bitmap) {
  DIBSECTION description{};
  EXPECT_EQ(GetObjectW(bitmap, sizeof description, &description), static_cast<int>(sizeof description));
  return description;
}

TEST_F(SectionTest, RowStridesFollowTheDepthTable) {
  EXPECT_EQ(ImageRowStride(33, 1), 8);
  EXPECT_EQ(ImageRowStride(9, 4), 8);
  EXPECT_EQ(ImageRowStride(5, 8), 8);
  EXPECT_EQ(ImageRowStride(3, 15), 8);
  EXPECT_EQ(ImageRowStride(3, 16), 8);
  EXPECT_EQ(ImageRowStride(5, 24), 16);
  EXPECT_EQ(ImageRowStride(4, 24), 12);
  EXPECT_EQ(ImageRowStride(5, 32), 20);
  EXPECT_EQ(ImageRowStride(5, 12), 0);
}

TEST_F(SectionTest, NewSectionsAreBottomUpZeroFilledAndAtLeast24Bits) {
  HBITMAP section = ImageNewSection(5, 3, 8);
  ASSERT_NE(section, nullptr);
  DIBSECTION description = Section(section);
  EXPECT_EQ(description.dsBm.bmBitsPixel, 24);
  EXPECT_EQ(description.dsBmih.biHeight, 3);
  EXPECT_EQ(description.dsBm.bmWidthBytes, ImageRowStride(5, 24));
  const auto* bytes = static_cast<const uint8_t*>(description.dsBm.bmBits);
  for (int i = 0; i < 16 * 3; ++i) EXPECT_EQ(bytes[i], 0);
  DeleteObject(section);
  section = ImageNewSection(5, 3, 32);
  EXPECT_EQ(Section(section).dsBm.bmBitsPixel, 32);
  DeleteObject(section);
}

TEST_F(SectionTest, NewSectionFailsForSizesThatCannotBeMade) {
  EXPECT_EQ(ImageNewSection(0, 5, 24), nullptr);
  EXPECT_EQ(ImageNewSection(5, -1, 24), nullptr);
  EXPECT_EQ(ImageNewSection(40000, 40000, 32), nullptr);
  EXPECT_EQ(ImageNewSection(int64_t{1} << 40, 1, 24), nullptr);
  EXPECT_EQ(ImageNewSection(4, 4, 48), nullptr);
}

TEST_F(SectionTest, ToSectionCopiesADeviceBitmapBottomUp) {
  // 2 x 2 device bitmap, 24 bits, top row first: red, green / blue, white.
  const uint8_t rows[] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};
  HBITMAP device = CreateBitmap(2, 2, 1, 24, rows);
  HBITMAP section = ImageToSection(device);
  ASSERT_NE(section, nullptr);
  DIBSECTION description = Section(section);
  EXPECT_EQ(description.dsBm.bmBitsPixel, 24);
  const auto* bytes = static_cast<const uint8_t*>(description.dsBm.bmBits);
  // Memory row 0 is the bottom picture row: blue, white.
  EXPECT_EQ(bytes[0], 255);
  EXPECT_EQ(bytes[2], 0);
  EXPECT_EQ(bytes[3], 255);
  // Memory row 1 (8 bytes further) is the top: red, green.
  EXPECT_EQ(bytes[8 + 2], 255);
  EXPECT_EQ(bytes[8 + 4], 255);
  DeleteObject(section);
  DeleteObject(device);
}

TEST_F(SectionTest, ToSectionMakesA32BitBitmapWithoutAnyAlphaOpaque) {
  const uint32_t pixels[4] = {0x00112233, 0x00445566, 0x00778899, 0x00AABBCC};
  HBITMAP device = CreateBitmap(2, 2, 1, 32, pixels);
  HBITMAP section = ImageToSection(device);
  ASSERT_NE(section, nullptr);
  EXPECT_EQ(Section(section).dsBm.bmBitsPixel, 32);
  EXPECT_EQ(PixelsOf(section), (std::vector<uint32_t>{0xFF112233, 0xFF445566, 0xFF778899, 0xFFAABBCC}));
  DeleteObject(section);
  DeleteObject(device);
}

TEST_F(SectionTest, ToSectionKeepsAlphaWhenAnyPixelHasSome) {
  const uint32_t pixels[4] = {0x00112233, 0x01445566, 0x00778899, 0x00AABBCC};
  HBITMAP device = CreateBitmap(2, 2, 1, 32, pixels);
  HBITMAP section = ImageToSection(device);
  EXPECT_EQ(PixelsOf(section), (std::vector<uint32_t>(pixels, pixels + 4)));
  DeleteObject(section);
  DeleteObject(device);
}

TEST_F(SectionTest, ToSectionWidensMonochromeAndSixteenBitBitmaps) {
  const uint8_t monoRows[] = {0x40, 0};  // 2 x 1: black, white
  HBITMAP mono = CreateBitmap(2, 1, 1, 1, monoRows);
  HBITMAP section = ImageToSection(mono);
  EXPECT_EQ(Section(section).dsBm.bmBitsPixel, 24);
  EXPECT_EQ(PixelsOf(section), (std::vector<uint32_t>{0, 0xFFFFFF}));
  DeleteObject(section);
  const uint16_t rgb555[2] = {0x7C00, 0x001F};  // red, blue
  HBITMAP sixteen = CreateBitmap(2, 1, 1, 16, rgb555);
  section = ImageToSection(sixteen);
  EXPECT_EQ(PixelsOf(section), (std::vector<uint32_t>{0xFF0000, 0x0000FF}));
  DeleteObject(section);
  DeleteObject(sixteen);
  DeleteObject(mono);
  EXPECT_EQ(ImageToSection(nullptr), nullptr);
}

TEST_F(SectionTest, HasAlphaForSectionsIsTheirDepthAndForDeviceBitmapsTheirPixels) {
  HBITMAP section32 = ImageNewSection(2, 2, 32), section24 = ImageNewSection(2, 2, 24);
  EXPECT_TRUE(ImageHasAlpha(section32));  // even with every alpha byte zero
  EXPECT_FALSE(ImageHasAlpha(section24));
  uint32_t pixels[4] = {0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF};
  HBITMAP opaque = CreateBitmap(2, 2, 1, 32, pixels);
  EXPECT_FALSE(ImageHasAlpha(opaque));
  pixels[3] = 0x01000000;
  HBITMAP withAlpha = CreateBitmap(2, 2, 1, 32, pixels);
  EXPECT_TRUE(ImageHasAlpha(withAlpha));
  HBRUSH brush = CreateSolidBrush(0);
  EXPECT_FALSE(ImageHasAlpha(brush));
  EXPECT_FALSE(ImageHasAlpha(nullptr));
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(section32), static_cast<HGDIOBJ>(section24), static_cast<HGDIOBJ>(opaque),
                         static_cast<HGDIOBJ>(withAlpha), static_cast<HGDIOBJ>(brush)})
    DeleteObject(object);
}

// A 32-bit section with a different value in every byte.
HBITMAP Patterned(int width, int height, bool topDown = false) {
  uint8_t* pixels = nullptr;
  HBITMAP section = TestSection(width, height, 32, &pixels, topDown);
  for (int i = 0; i < width * height * 4; ++i) pixels[i] = static_cast<uint8_t>(i * 7 + 3);
  return section;
}

TEST_F(SectionTest, ConvertingAtTheSameSizeIsAnExactCopy) {
  HBITMAP source = Patterned(7, 5);
  HBITMAP copy = ImageConvertForDrawing(source, -1, -1);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, source);
  DIBSECTION a = Section(source), b = Section(copy);
  EXPECT_EQ(b.dsBm.bmBitsPixel, 32);
  EXPECT_EQ(b.dsBmih.biHeight, 5);
  EXPECT_EQ(std::memcmp(a.dsBm.bmBits, b.dsBm.bmBits, 7 * 5 * 4), 0);
  HBITMAP sized = ImageConvertForDrawing(source, 7, 5);
  EXPECT_EQ(std::memcmp(a.dsBm.bmBits, Section(sized).dsBm.bmBits, 7 * 5 * 4), 0);
  for (HBITMAP b2 : {source, copy, sized}) DeleteObject(b2);

  const uint8_t rows[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  HBITMAP device = CreateBitmap(2, 2, 1, 24, rows);
  copy = ImageConvertForDrawing(device, -1, -1);
  EXPECT_EQ(Section(copy).dsBm.bmBitsPixel, 24);
  EXPECT_EQ(PixelsOf(copy), PixelsOf(device));
  DeleteObject(copy);
  DeleteObject(device);
}

TEST_F(SectionTest, Converting32BitPixelsToAnotherSizeUsesTheSmoothScaler) {
  HBITMAP source = Patterned(9, 6);
  HBITMAP scaled = ImageConvertForDrawing(source, 4, 11);
  ASSERT_NE(scaled, nullptr);
  std::vector<uint8_t> expected(4 * 11 * 4);
  ASSERT_EQ(ImageScaleSmooth(Section(source).dsBm.bmBits, 9, 6, expected.data(), 4, 11, 32), 1);
  EXPECT_EQ(std::memcmp(Section(scaled).dsBm.bmBits, expected.data(), expected.size()), 0);
  DeleteObject(scaled);
  DeleteObject(source);
}

TEST_F(SectionTest, ATopDownSourceKeepsItsTopRowOnTopWhenScaled) {
  uint8_t* pixels = nullptr;
  HBITMAP source = TestSection(4, 4, 32, &pixels, true);
  std::memset(pixels, 0xFF, 4 * 4);  // the top row is white, the rest black
  HBITMAP scaled = ImageConvertForDrawing(source, 2, 2);
  std::vector<uint32_t> result = PixelsOf(scaled);
  EXPECT_GT(result[0] & 0xFF, result[2] & 0xFF);
  DeleteObject(scaled);
  DeleteObject(source);
}

TEST_F(SectionTest, ConvertingFewerBitsToAnotherSizeAveragesWithHalftone) {
  const uint8_t rows[] = {0, 0, 0, 200, 100, 50, 0, 0};  // 2 x 1, 24 bits, WORD-aligned row
  HBITMAP device = CreateBitmap(2, 1, 1, 24, rows);
  HBITMAP scaled = ImageConvertForDrawing(device, 1, 1);
  ASSERT_NE(scaled, nullptr);
  EXPECT_EQ(Section(scaled).dsBm.bmBitsPixel, 24);
  EXPECT_EQ(PixelsOf(scaled)[0], 0x193264u);  // (0 + 50) / 2, (0 + 100) / 2, (0 + 200) / 2
  DeleteObject(scaled);
  DeleteObject(device);
}

TEST_F(SectionTest, ConvertingFailsCleanlyForABitmapInUseOrABadSize) {
  HBITMAP source = Patterned(3, 3);
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, source);
  EXPECT_EQ(ImageConvertForDrawing(source, -1, -1), nullptr);  // selected elsewhere
  DeleteDC(dc);
  EXPECT_EQ(ImageConvertForDrawing(source, 0, 3), nullptr);
  EXPECT_EQ(ImageConvertForDrawing(source, 3, -5), nullptr);
  EXPECT_EQ(ImageConvertForDrawing(nullptr, -1, -1), nullptr);
  HBITMAP tall = ImageConvertForDrawing(source, 3, -1);  // height -1 keeps the height
  EXPECT_EQ(Section(tall).dsBm.bmHeight, 3);
  DeleteObject(tall);
  DeleteObject(source);
}

}  // namespace
