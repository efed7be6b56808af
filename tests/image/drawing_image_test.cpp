// Drawing images (every row of the mode table, for 24- and 32-bit pictures on 3- and 4-byte
// targets; icons, device bitmaps, other depths and sizes converted first), grabbing the area
// into new images, and the image output. Expected bytes are worked out from the formulas.
#include <climits>
#include <fstream>
#include <iterator>

#include "drawing_test_support.h"

namespace {

using V = std::vector<int>;

const V kTarget4{64, 128, 192, 128};
const V kTarget3{64, 128, 192};
// The source pixel: B 10, G 20, R 30 (alpha 200 in 32-bit pictures).
const V kSource32{10, 20, 30, 200};
const V kSource24{10, 20, 30};

class DrawingImageTest : public DrawingTest {
 protected:
  // A 1 x 1 picture of the given depth holding `pixel`.
  int64_t Picture(const V& pixel) {
    const int64_t image = NewImage(CV_Any, 1, 1, static_cast<int64_t>(pixel.size()) * 8);
    SetImageBytes(image, 0, 0, pixel);
    return image;
  }

  // Draws a one-pixel picture onto a one-pixel target in a mode; alpha < 0 draws with
  // DrawImageAt, else with DrawImageAlpha. Both buffer orientations must agree.
  V Draw(const V& source, const V& target, int64_t mode, int alpha = -1) {
    const int64_t picture = Picture(source);
    std::vector<V> results;
    for (bool bottomUp : {false, true}) {
      TestBuffer buffer(1, 1, static_cast<int>(target.size()), bottomUp);
      buffer.Set(0, 0, target);
      EXPECT_TRUE(buffer.Begin());
      DrawingSetMode(mode);
      if (alpha < 0) DrawImageAt(ImageHandle(picture), 0, 0);
      else DrawImageAlpha(ImageHandle(picture), 0, 0, alpha);
      DrawingEnd();
      results.push_back(buffer.Bytes(0, 0));
    }
    EXPECT_EQ(results[0], results[1]);
    ImageFree(picture);
    return results[0];
  }
};

// ---- the mode table, 32-bit pictures ----

TEST_F(DrawingImageTest, PlainDrawOf32BitPictureCopiesColourOnly) {
  EXPECT_EQ(Draw(kSource32, kTarget4, DrawModeDefault), (V{10, 20, 30, 128}));
  // On a 3-byte target (the canvas) the picture's alpha is ignored: transparent areas keep
  // their colour instead of showing what was below.
  EXPECT_EQ(Draw(kSource32, kTarget3, DrawModeDefault), (V{10, 20, 30}));
  EXPECT_EQ(Draw(V{10, 20, 30, 0}, kTarget3, DrawModeDefault), (V{10, 20, 30}));
}

TEST_F(DrawingImageTest, AlphaFormBlendsSourceOverTarget) {
  // a = 200, weight = 128 * 55 = 7040, denominator = 200*255 + 7040 = 58040:
  // B (10*51000 + 64*7040)/58040 = 16, G 33, R 49; alpha (51000 + 7040)/255 = 227.
  EXPECT_EQ(Draw(kSource32, kTarget4, DrawModeDefault, 255), (V{16, 33, 49, 227}));
  // 3 bytes with alpha 128: a = 200*128/255 = 100, t = (s*100 + t*155)/255.
  EXPECT_EQ(Draw(kSource32, kTarget3, DrawModeDefault, 128), (V{42, 85, 128}));
}

TEST_F(DrawingImageTest, AlphaBlendAndClipModesWith32BitPictures) {
  EXPECT_EQ(Draw(kSource32, kTarget4, DrawModeAlphaBlend), (V{16, 33, 49, 227}));
  EXPECT_EQ(Draw(kSource32, kTarget4, DrawModeAlphaClip), (V{16, 33, 49, 128}));
  // 3 bytes: t = (s*200 + t*55)/255.
  EXPECT_EQ(Draw(kSource32, kTarget3, DrawModeAlphaBlend), (V{21, 43, 64}));
  EXPECT_EQ(Draw(kSource32, kTarget3, DrawModeAlphaClip), (V{21, 43, 64}));
  // An opaque target: (s*200*255 + t*255*55) / (200*255 + 55*255) as on 3 bytes.
  EXPECT_EQ(Draw(kSource32, V{64, 128, 192, 255}, DrawModeAlphaBlend), (V{21, 43, 64, 255}));
  // A transparent target takes the source colour.
  EXPECT_EQ(Draw(kSource32, V{64, 128, 192, 0}, DrawModeAlphaBlend), (V{10, 20, 30, 200}));
  EXPECT_EQ(Draw(V{10, 20, 30, 0}, kTarget4, DrawModeAlphaBlend), kTarget4);
}

TEST_F(DrawingImageTest, AllChannelsAndAlphaChannelModesWith32BitPictures) {
  EXPECT_EQ(Draw(kSource32, kTarget4, DrawModeAllChannels), (V{10, 20, 30, 200}));
  EXPECT_EQ(Draw(kSource32, kTarget4, DrawModeAllChannels, 128), (V{10, 20, 30, 100}));
  EXPECT_EQ(Draw(kSource32, kTarget4, DrawModeAlphaChannel), (V{64, 128, 192, 200}));
  EXPECT_EQ(Draw(kSource32, kTarget4, DrawModeAlphaChannel, 128), (V{64, 128, 192, 100}));
  EXPECT_EQ(Draw(kSource32, kTarget3, DrawModeAlphaChannel), kTarget3);
}

TEST_F(DrawingImageTest, XorModeXorsColourOfEitherDepth) {
  EXPECT_EQ(Draw(kSource32, kTarget4, DrawModeXor), (V{74, 148, 222, 128}));
  EXPECT_EQ(Draw(kSource24, kTarget3, DrawModeXor), (V{74, 148, 222}));
}

// ---- the mode table, 24-bit pictures ----

TEST_F(DrawingImageTest, Plain24BitPictureCopiesAndAlphaFormBlendsWithTheConstant) {
  EXPECT_EQ(Draw(kSource24, kTarget4, DrawModeDefault), (V{10, 20, 30, 128}));
  EXPECT_EQ(Draw(kSource24, kTarget3, DrawModeDefault), kSource24);
  EXPECT_EQ(Draw(kSource24, kTarget4, DrawModeDefault, 255), (V{10, 20, 30, 128}));
  EXPECT_EQ(Draw(kSource24, kTarget4, DrawModeDefault, 0), kTarget4);
  // a = 100: weight 128*155 = 19840, denominator 25500 + 19840 = 45340; alpha 177.
  EXPECT_EQ(Draw(kSource24, kTarget4, DrawModeDefault, 100), (V{33, 67, 100, 177}));
  EXPECT_EQ(Draw(kSource24, kTarget3, DrawModeDefault, 0), kTarget3);
  EXPECT_EQ(Draw(kSource24, kTarget3, DrawModeDefault, 128), (V{36, 73, 110}));
  EXPECT_EQ(Draw(kSource24, kTarget3, DrawModeDefault, 255), kSource24);
}

TEST_F(DrawingImageTest, AlphaModesWith24BitPicturesUseTheConstantAlpha) {
  EXPECT_EQ(Draw(kSource24, kTarget4, DrawModeAllChannels, 77), (V{10, 20, 30, 77}));
  EXPECT_EQ(Draw(kSource24, kTarget4, DrawModeAlphaChannel, 77), (V{64, 128, 192, 77}));
  EXPECT_EQ(Draw(kSource24, kTarget4, DrawModeAlphaChannel), (V{64, 128, 192, 255}));
  EXPECT_EQ(Draw(kSource24, kTarget4, DrawModeAlphaBlend, 100), (V{33, 67, 100, 177}));
  EXPECT_EQ(Draw(kSource24, kTarget4, DrawModeAlphaClip, 100), (V{33, 67, 100, 128}));
  EXPECT_EQ(Draw(kSource24, kTarget3, DrawModeAlphaBlend, 128), (V{36, 73, 110}));
  EXPECT_EQ(Draw(kSource24, kTarget3, DrawModeAlphaChannel, 128), kTarget3);
}

uint32_t g_filterSource = 0, g_filterTarget = 0;
uint32_t SwapFilter(int64_t, int64_t, uint32_t source, uint32_t target) {
  g_filterSource = source;
  g_filterTarget = target;
  return 0x01020304u;
}

TEST_F(DrawingImageTest, CustomModeCallsTheFilterWithScaledSourceAlpha) {
  const int64_t picture = Picture(kSource32);
  TestBuffer buffer(1, 1, 4, true);
  buffer.Set(0, 0, kTarget4);
  ASSERT_TRUE(buffer.Begin());
  DrawingSetCustomFilter(SwapFilter);
  DrawingSetMode(DrawModeCustom);
  DrawImageAlpha(ImageHandle(picture), 0, 0, 128);
  DrawingEnd();
  EXPECT_EQ(g_filterSource, 0x640A141Eu);  // alpha 200*128/255 = 100, B 10, G 20, R 30
  EXPECT_EQ(g_filterTarget, 0x804080C0u);
  EXPECT_EQ(buffer.Bytes(0, 0), (V{0x02, 0x03, 0x04, 0x01}));
}

// ---- placement and clipping ----

TEST_F(DrawingImageTest, PicturesAreClippedWithRowsLinedUp) {
  // A 3 x 2 picture whose pixel (x, y) has blue 10*y + x + 1.
  const int64_t picture = NewImage(CV_Any, 3, 2, 24);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) SetImageBytes(picture, x, y, {10 * y + x + 1, 0, 0});
  for (bool bottomUp : {false, true}) {
    TestBuffer buffer(4, 3, 3, bottomUp);
    ASSERT_TRUE(buffer.Begin());
    DrawImageAt(ImageHandle(picture), -1, 1);
    DrawingEnd();
    EXPECT_EQ(buffer.At(0, 1)[0], 2);
    EXPECT_EQ(buffer.At(1, 1)[0], 3);
    EXPECT_EQ(buffer.At(0, 2)[0], 12);
    EXPECT_EQ(buffer.At(1, 2)[0], 13);
    EXPECT_EQ(buffer.At(2, 1)[0], 0);
    EXPECT_EQ(buffer.At(0, 0)[0], 0);
  }
}

TEST_F(DrawingImageTest, FarAwayPositionsAndBadHandlesDrawNothing) {
  const int64_t picture = Picture(kSource24);
  HBRUSH brush = CreateSolidBrush(0);
  TestBuffer buffer(2, 2, 3, true);
  ASSERT_TRUE(buffer.Begin());
  DrawImageAt(ImageHandle(picture), INT64_MIN, INT64_MAX);
  DrawImageAt(ImageHandle(picture), INT32_MAX, 0);
  DrawImageAt(ImageHandle(picture), 0, 2);
  DrawImageAt(0, 0, 0);
  DrawImageAt(123456, 0, 0);
  DrawImageAt(static_cast<int64_t>(reinterpret_cast<uintptr_t>(brush)), 0, 0);
  DrawImageSized(ImageHandle(picture), 0, 0, 0, 5);
  DrawImageSized(ImageHandle(picture), 0, 0, INT64_MAX, INT64_MAX);
  DrawingEnd();
  DeleteObject(brush);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(buffer.Bytes(x, y), (V{0, 0, 0}));
  EXPECT_TRUE(buffer.GuardsIntact());
}

// ---- conversions ----

TEST_F(DrawingImageTest, IconsAreDrawnWithTheirAlpha) {
  // A 2 x 1 icon: a transparent and an opaque pixel.
  const uint8_t colourBits[] = {10, 20, 30, 0, 40, 50, 60, 255};
  const uint8_t maskBits[] = {0, 0};
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = CreateBitmap(2, 1, 1, 32, colourBits);
  info.hbmMask = CreateBitmap(2, 1, 1, 1, maskBits);
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  ASSERT_NE(icon, nullptr);
  TestBuffer buffer(2, 1, 3, true);
  buffer.FillAll(kTarget3);
  ASSERT_TRUE(buffer.Begin());
  DrawImageAt(static_cast<int64_t>(reinterpret_cast<uintptr_t>(icon)), 0, 0);
  DrawingEnd();
  DestroyIcon(icon);
  EXPECT_EQ(buffer.Bytes(0, 0), kTarget3);
  EXPECT_EQ(buffer.Bytes(1, 0), (V{40, 50, 60}));
}

TEST_F(DrawingImageTest, IconWithAMaskShowsTheTargetWhereTheMaskIsSet) {
  // A real 32 x 32 icon: a 24-bit colour picture and a 1-bit AND mask, both bottom-up. Where the
  // mask bit is 1 the icon is transparent and the target must show; elsewhere its colour.
  std::ifstream file(std::string(STAMPWORK_TESTDATA) + "/ico/image-rs/bmp-24bpp-mask.ico", std::ios::binary);
  const std::vector<uint8_t> data{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  ASSERT_EQ(data.size(), 3262u);
  const size_t image = data[18] | data[19] << 8;  // offset of the only entry's picture
  const uint8_t* colours = data.data() + image + 40;
  const uint8_t* mask = colours + 32 * 96;
  HICON icon = ImageIconFromData(data.data(), static_cast<int64_t>(data.size()));
  ASSERT_NE(icon, nullptr);
  TestBuffer buffer(32, 32, 3, true);
  buffer.FillAll({1, 2, 3});
  ASSERT_TRUE(buffer.Begin());
  DrawImageAt(static_cast<int64_t>(reinterpret_cast<uintptr_t>(icon)), 0, 0);
  DrawingEnd();
  DestroyIcon(icon);
  int transparent = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const int row = 31 - y;
      const bool clear = (mask[row * 4 + x / 8] >> (7 - x % 8)) & 1;
      const uint8_t* c = colours + row * 96 + x * 3;
      transparent += clear;
      EXPECT_EQ(buffer.Bytes(x, y), clear ? (V{1, 2, 3}) : (V{c[0], c[1], c[2]})) << x << "," << y;
    }
  EXPECT_EQ(transparent, 464);
}

TEST_F(DrawingImageTest, DeviceBitmapsAreConvertedAndLoseTheirEmptyAlpha) {
  const uint8_t bits[] = {10, 20, 30, 0};
  HBITMAP bitmap = CreateBitmap(1, 1, 1, 32, bits);
  TestBuffer buffer(1, 1, 4, false);
  buffer.Set(0, 0, kTarget4);
  ASSERT_TRUE(buffer.Begin());
  // All-zero alpha means opaque: blended at full alpha, the source replaces the target.
  DrawImageAlpha(static_cast<int64_t>(reinterpret_cast<uintptr_t>(bitmap)), 0, 0, 255);
  DrawingEnd();
  DeleteObject(bitmap);
  EXPECT_EQ(buffer.Bytes(0, 0), (V{10, 20, 30, 255}));
}

TEST_F(DrawingImageTest, SectionsBelow24BitsAreConvertedFirst) {
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, 1, 1, 16, BI_RGB, 0, 0, 0, 0, 0};
  void* pixels = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  ASSERT_NE(section, nullptr);
  static_cast<uint16_t*>(pixels)[0] = 0x7FFF;  // white in 5-5-5
  TestBuffer buffer(2, 1, 3, true);
  ASSERT_TRUE(buffer.Begin());
  DrawImageAt(static_cast<int64_t>(reinterpret_cast<uintptr_t>(section)), 0, 0);
  DrawingEnd();
  DeleteObject(section);
  EXPECT_EQ(buffer.Bytes(0, 0), (V{255, 255, 255}));
  EXPECT_EQ(buffer.Bytes(1, 0), (V{0, 0, 0}));
}

TEST_F(DrawingImageTest, SizedDrawStretchesToTheGivenSize) {
  const int64_t picture = NewImage(CV_Any, 2, 2, 24);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) SetImageBytes(picture, x, y, kSource24);
  TestBuffer buffer(6, 4, 3, true);
  ASSERT_TRUE(buffer.Begin());
  DrawImageSized(ImageHandle(picture), 1, 0, 4, 3);
  DrawingEnd();
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) {
      const bool inside = x >= 1 && x <= 4 && y <= 2;
      EXPECT_EQ(buffer.Bytes(x, y), inside ? kSource24 : (V{0, 0, 0})) << x << "," << y;
    }
}

// ---- grabbing ----

TEST_F(DrawingImageTest, GrabReachingPastTheRightEdgeIsBlackThere) {
  for (bool bottomUp : {false, true}) {
    TestBuffer buffer(4, 2, 3, bottomUp, 0xFF);
    buffer.Set(2, 0, {1, 2, 3});
    buffer.Set(3, 1, {4, 5, 6});
    ASSERT_TRUE(buffer.Begin());
    const int64_t image = DrawingGrabImage(CV_Any, 2, 0, 4, 2);
    DrawingEnd();
    ASSERT_NE(image, 0);
    EXPECT_EQ(ImageGetWidth(image), 4);
    EXPECT_EQ(ImageGetHeight(image), 2);
    EXPECT_EQ(ImageBytes(image, 0, 0, 3), (V{1, 2, 3}));
    EXPECT_EQ(ImageBytes(image, 1, 0, 3), (V{255, 255, 255}));
    EXPECT_EQ(ImageBytes(image, 1, 1, 3), (V{4, 5, 6}));
    EXPECT_EQ(ImageBytes(image, 2, 0, 3), (V{0, 0, 0}));
    EXPECT_EQ(ImageBytes(image, 3, 1, 3), (V{0, 0, 0}));
    ImageFree(image);
  }
}

TEST_F(DrawingImageTest, GrabRegistersTheImageWithTheTargetsDepth) {
  TestBuffer buffer(3, 3, 4, false);
  buffer.Set(1, 1, {9, 8, 7, 6});
  ASSERT_TRUE(buffer.Begin());
  const int64_t handle = DrawingGrabImage(5, 1, 1, 2, 2);
  const int64_t automatic = DrawingGrabImage(CV_Any, -1, -1, 2, 2);
  DrawingEnd();
  EXPECT_EQ(handle, ImageHandle(5));
  auto* record = static_cast<ImageObject*>(ObjectGet(ImageRegistry(), 5));
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->depth, 32);
  EXPECT_EQ(record->sourceDepth, 0);
  EXPECT_EQ(record->format, 0u);
  EXPECT_EQ(ImageBytes(5, 0, 0, 4), (V{9, 8, 7, 6}));
  EXPECT_EQ(reinterpret_cast<ImageObject*>(automatic), ObjectGet(ImageRegistry(), automatic));
  EXPECT_EQ(ImageBytes(automatic, 1, 1, 4), (V{0, 0, 0, 0}));
  EXPECT_EQ(ImageBytes(automatic, 0, 0, 4), (V{0, 0, 0, 0}));
}

TEST_F(DrawingImageTest, GrabFailuresLeaveNothingBehind) {
  TestBuffer buffer(3, 3, 3, true);
  ASSERT_TRUE(buffer.Begin());
  EXPECT_EQ(DrawingGrabImage(-5, 0, 0, 2, 2), 0);
  EXPECT_EQ(DrawingGrabImage(CV_Any, 0, 0, 0, 2), 0);
  EXPECT_EQ(DrawingGrabImage(CV_Any, 0, 0, -3, 2), 0);
  EXPECT_EQ(DrawingGrabImage(CV_Any, INT64_MAX, INT64_MIN, INT64_MAX, INT64_MAX), 0);
  // Entirely outside the area: a black image.
  const int64_t image = DrawingGrabImage(CV_Any, 100, 100, 2, 1);
  DrawingEnd();
  ASSERT_NE(image, 0);
  EXPECT_EQ(ImageBytes(image, 1, 0, 3), (V{0, 0, 0}));
}

// ---- the image output ----

TEST_F(DrawingImageTest, ImageOutputDrawsIntoTheImageAndKeepsIt) {
  const int64_t image = NewImage(7, 3, 2, 32);
  const int64_t output = ImageOutput(image);
  ASSERT_NE(output, 0);
  const int64_t started = DrawingBegin(output);
  ASSERT_NE(started, 0);
  EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(started)), static_cast<DWORD>(OBJ_MEMDC));
  EXPECT_EQ(DrawingBufferPixelFormat(), 0x8020);
  DrawingSetMode(DrawModeAllChannels);
  DrawBox(1, 0, 1, 1, ColorRGBA(3, 2, 1, 4));
  DrawingEnd();
  EXPECT_EQ(ImageGetWidth(image), 3);
  EXPECT_EQ(ImageBytes(image, 1, 0, 4), (V{1, 2, 3, 4}));
  EXPECT_EQ(ImageBytes(image, 1, 1, 4), (V{0, 0, 0, 0}));
  // The image can be drawn and output again once the drawing ended.
  EXPECT_NE(DrawingBegin(ImageOutput(image)), 0);
  EXPECT_EQ(DrawPointRead(1, 0), 0x010203);
  DrawingEnd();
}

TEST_F(DrawingImageTest, NoOutputIsMadeWhileADrawingIsOpenAndUnbegunOutputsAreLetGo) {
  const int64_t image = NewImage(CV_Any, 2, 2, 24);
  const int64_t other = NewImage(CV_Any, 2, 2, 24);
  // Made and never begun, then replaced: the first output's device context must be deleted
  // (the fixture counts GDI objects).
  ASSERT_NE(ImageOutput(image), 0);
  const int64_t output = ImageOutput(other);
  ASSERT_NE(output, 0);
  ASSERT_NE(DrawingBegin(output), 0);
  EXPECT_EQ(ImageOutput(image), 0);
  EXPECT_EQ(reinterpret_cast<int64_t>(DrawingCurrent()), output);
  DrawBox(0, 0, 1, 1, ColorRGB(9, 9, 9));
  DrawingEnd();
  EXPECT_EQ(ImageBytes(other, 0, 0, 3), (V{9, 9, 9}));
  EXPECT_EQ(ImageBytes(image, 0, 0, 3), (V{0, 0, 0}));
}

TEST_F(DrawingImageTest, ImageOutputRefusesWhatIsNoSection) {
  EXPECT_EQ(ImageOutput(99), 0);
  EXPECT_EQ(ImageOutput(CV_Any), 0);
  const uint8_t bits[] = {0, 0, 0, 0};
  ImageObject* record = ImageObjectNew(3);
  record->handle = CreateBitmap(1, 1, 1, 32, bits);
  record->width = 1;
  record->height = 1;
  EXPECT_EQ(ImageOutput(3), 0);
  EXPECT_EQ(DrawingCurrent(), nullptr);
}

TEST_F(DrawingImageTest, LabelRoundTripOnA24BitImage) {
  // What a label run does: draw a picture onto an image output, draw a box, grab, end.
  const int64_t background = NewImage(CV_Any, 4, 3, 32);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) SetImageBytes(background, x, y, {200, 100, 50, 0});
  const int64_t canvas = NewImage(CV_Any, 4, 3, 24);
  ASSERT_NE(DrawingBegin(ImageOutput(canvas)), 0);
  DrawImageAt(ImageHandle(background), 0, 0);
  DrawBox(1, 1, 2, 1, ColorRGB(1, 2, 3));
  const int64_t label = DrawingGrabImage(CV_Any, 0, 0, 4, 3);
  DrawingEnd();
  ASSERT_NE(label, 0);
  EXPECT_EQ(ImageBytes(label, 0, 0, 3), (V{200, 100, 50}));
  EXPECT_EQ(ImageBytes(label, 1, 1, 3), (V{3, 2, 1}));
  EXPECT_EQ(ImageBytes(label, 3, 1, 3), (V{200, 100, 50}));
}

}  // namespace
