// Image objects: the registry's numbers and automatic ids, freeing (one, reused, all), unknown
// images, the 16-bit sizes, and the blending set-up (AlphaBlend, the themed flag, msimg32's
// release).
#include <gtest/gtest.h>

#include "image_fixture.h"

namespace {

class ImageTest : public ImageRuntimeTest {};

// Registers a bitmap (or icon) as an image the way the loaders do.
int64_t AddImage(int64_t number, void* handle, int64_t width, int64_t height, uint8_t depth = 24) {
  ImageObject* record = ImageObjectNew(number);
  if (record == nullptr) return 0;
  record->handle = handle;
  record->width = static_cast<int16_t>(width);
  record->height = static_cast<int16_t>(height);
  record->depth = depth;
  record->sourceDepth = depth;
  record->format = kImageFormatBmp;
  return ImageObjectId(number, record);
}

TEST_F(ImageTest, FormatTagsAreTheirLettersFirstLetterLowest) {
  EXPECT_EQ(kImageFormatPng, 0x474E50u);
  EXPECT_EQ(kImageFormatJpeg, 0x4745504Au);
  EXPECT_EQ(kImageFormatTiff, 0x46464954u);
  EXPECT_EQ(kImageFormatTga, 0x414754u);
  EXPECT_EQ(kImageFormatBmp, 0x504D42u);
  EXPECT_EQ(kImageFormatIcon, 0x4E4F4349u);
}

TEST_F(ImageTest, AnImageReportsItsHandleAndSize) {
  HBITMAP section = ImageNewSection(30, 20, 24);
  ASSERT_EQ(AddImage(3, section, 30, 20), 3);
  EXPECT_EQ(ImageHandle(3), static_cast<int64_t>(reinterpret_cast<uintptr_t>(section)));
  EXPECT_EQ(ImageGetWidth(3), 30);
  EXPECT_EQ(ImageGetHeight(3), 20);
}

TEST_F(ImageTest, AutomaticImagesAreNamedByTheirRecordAddress) {
  HBITMAP section = ImageNewSection(4, 4, 32);
  const int64_t id = AddImage(CV_Any, section, 4, 4);
  ASSERT_NE(id, 0);
  EXPECT_EQ(static_cast<void*>(ObjectGet(ImageRegistry(), id)), reinterpret_cast<void*>(static_cast<uintptr_t>(id)));
  EXPECT_EQ(ImageGetWidth(id), 4);
  ImageFree(id);
  EXPECT_EQ(ImageGetWidth(id), 0);
  EXPECT_EQ(GetObjectType(section), 0u);  // its bitmap went with it
}

TEST_F(ImageTest, UnknownImagesGiveZeroAndFreeingThemDoesNothing) {
  EXPECT_EQ(ImageHandle(5), 0);
  EXPECT_EQ(ImageGetWidth(5), 0);
  EXPECT_EQ(ImageGetHeight(1000000), 0);
  EXPECT_EQ(ImageGetWidth(0x7FFF12345670), 0);  // neither a number nor an automatic record
  ImageFree(5);
  ImageFree(-7);
  EXPECT_EQ(ImageObjectNew(-7), nullptr);
}

TEST_F(ImageTest, ReusingANumberFreesTheImageThatHadIt) {
  HBITMAP first = ImageNewSection(2, 2, 24);
  HBITMAP second = ImageNewSection(3, 3, 24);
  AddImage(1, first, 2, 2);
  AddImage(1, second, 3, 3);
  EXPECT_EQ(GetObjectType(first), 0u);
  EXPECT_EQ(ImageGetWidth(1), 3);
}

TEST_F(ImageTest, FreeingMinusOneFreesEveryImage) {
  HBITMAP a = ImageNewSection(2, 2, 24), b = ImageNewSection(2, 2, 32);
  std::vector<uint8_t> data = IconImageData(8, 8, 24, 0x010203);
  HICON icon = CreateIconFromResourceEx(data.data(), static_cast<DWORD>(data.size()), TRUE, 0x30000, 0, 0, 0);
  AddImage(0, a, 2, 2);
  const int64_t automatic = AddImage(CV_Any, b, 2, 2);
  AddImage(40, icon, 8, 8);
  ImageFree(-1);
  EXPECT_EQ(ImageGetWidth(0), 0);
  EXPECT_EQ(ImageGetWidth(automatic), 0);
  EXPECT_EQ(ImageGetWidth(40), 0);
  EXPECT_EQ(GetObjectType(a), 0u);
  EXPECT_FALSE(DestroyIcon(icon));  // destroyed with its image
}

TEST_F(ImageTest, SidesAbove32767ReadBackSignExtended) {
  AddImage(2, ImageNewSection(1, 1, 24), 40000, 32767);
  EXPECT_EQ(ImageGetWidth(2), 40000 - 65536);
  EXPECT_EQ(ImageGetHeight(2), 32767);
}

TEST_F(ImageTest, BlendInitFindsAlphaBlendAndThemedControls) {
  EXPECT_EQ(DrawingAlphaBlend(), &AlphaBlend);
  EXPECT_TRUE(DrawingThemedControls());
  EXPECT_NE(GetModuleHandleW(u"msimg32.dll"), nullptr);
  DrawingShutdown();
  EXPECT_EQ(GetModuleHandleW(u"msimg32.dll"), nullptr);  // released
  EXPECT_EQ(DrawingAlphaBlend(), nullptr);
  DrawingBlendInit();
}

TEST_F(ImageTest, WithoutAlphaBlendNothingCountsAsHavingAlpha) {
  HBITMAP section = ImageNewSection(2, 2, 32);
  EXPECT_TRUE(ImageHasAlpha(section));
  DrawingShutdown();
  EXPECT_FALSE(ImageHasAlpha(section));
  DrawingBlendInit();
  DeleteObject(section);
}

}  // namespace
