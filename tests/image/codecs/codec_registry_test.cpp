// Loading and saving through the codec registry: recognition by content, icons, object numbers,
// failures that leave nothing behind, the limits on picture sizes, and saving by format tag with
// the conversion over white.
#include <unistd.h>

#include <filesystem>

#include "codec_fixture.h"
#include "testing.h"

namespace codec_test {
namespace {

using CodecRegistry = CodecTest;

TEST_F(CodecRegistry, ContentDecidesTheFormatNotTheName) {
  const std::string copy = TempPath("picture.jpg");
  std::filesystem::copy_file(TestData("pngsuite/basn2c08.png"), copy);
  const int64_t image = ImageLoad(CV_Any, Wide(copy).c_str());
  ASSERT_NE(image, 0);
  EXPECT_EQ(Record(image)->format, kImageFormatPng);
  EXPECT_EQ(ImageGetWidth(image), 32);
}

TEST_F(CodecRegistry, DataNoDecoderKnowsGivesZeroAndNoImage) {
  const std::vector<uint8_t> text = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', ' ', 'o', 'f',
                                     ' ', 't', 'e', 'x', 't', ' ', 'a', 'n', 'd', ' ', 'm', 'o', 'r', 'e'};
  EXPECT_EQ(LoadBytes(text), 0);
  EXPECT_EQ(LoadBytes(text, 4), 0);
  EXPECT_EQ(ImageCount(), 0);
}

TEST_F(CodecRegistry, IconFileLoadsAsIconImage) {
  const int64_t image = Load("ico/image-rs/bmp-32bpp-alpha.ico");
  ASSERT_NE(image, 0);
  const ImageObject* record = Record(image);
  EXPECT_EQ(record->format, kImageFormatIcon);
  EXPECT_EQ(GetObjectType(record->handle), 0u) << "an icon, not a bitmap";
  EXPECT_EQ(record->depth, 32);
  EXPECT_EQ(record->sourceDepth, 32);
  EXPECT_GT(ImageGetWidth(image), 0);
  EXPECT_GT(ImageGetHeight(image), 0);
  // An icon has no section to save from.
  EXPECT_EQ(ImageSave(image, Wide(TempPath("icon.png")).c_str(), kImageFormatPng), 0);
  EXPECT_FALSE(std::filesystem::exists(TempPath("icon.png")));
}

TEST_F(CodecRegistry, NumberedLoadReturnsHandleAutomaticLoadReturnsId) {
  const int64_t handle = Load("pngsuite/basn2c08.png", 3);
  ASSERT_NE(handle, 0);
  EXPECT_EQ(handle, ImageHandle(3));
  const int64_t id = Load("pngsuite/basn2c08.png");
  ASSERT_NE(id, 0);
  EXPECT_NE(ImageHandle(id), 0);
  EXPECT_NE(ImageHandle(id), id);
}

TEST_F(CodecRegistry, LoadingTheSameNumberTwiceFreesTheFirstImage) {
  const int64_t before = platform::testing::GdiObjectCount();
  ASSERT_NE(Load("pngsuite/basn2c08.png", 5), 0);
  ASSERT_NE(Load("bmpsuite/g/rgb24.bmp", 5), 0);
  EXPECT_EQ(platform::testing::GdiObjectCount(), before + 1);
  EXPECT_EQ(Record(5)->format, kImageFormatBmp);
  EXPECT_EQ(ImageCount(), 1);
}

TEST_F(CodecRegistry, FailedLoadLeavesTheNumberFree) {
  ASSERT_NE(Load("pngsuite/basn2c08.png", 5), 0);
  EXPECT_EQ(Load("pngsuite/xcrn0g04.png", 5), 0);  // a corrupt PNG: the old image is gone too
  EXPECT_EQ(ImageGetWidth(5), 0);
  EXPECT_EQ(ImageHandle(5), 0);
  EXPECT_EQ(ImageCount(), 0);
}

TEST_F(CodecRegistry, LoadRefusesMissingFilesAndBadArguments) {
  EXPECT_EQ(ImageLoad(CV_Any, Wide(TempPath("absent.png")).c_str()), 0);
  EXPECT_EQ(ImageLoad(CV_Any, u""), 0);
  EXPECT_EQ(ImageLoad(CV_Any, nullptr), 0);
  const std::string empty = TempPath("empty.png");
  std::ofstream(empty).close();
  EXPECT_EQ(ImageLoad(CV_Any, Wide(empty).c_str()), 0);
  // A folder opens, but reading it fails: nothing is decoded.
  EXPECT_EQ(ImageLoad(CV_Any, Wide(directory_.string()).c_str()), 0);
  const std::vector<uint8_t> png = ReadBytes(TestData("pngsuite/basn2c08.png"));
  EXPECT_EQ(ImageLoadFromBuffer(CV_Any, nullptr, 100), 0);
  EXPECT_EQ(ImageLoadFromBuffer(CV_Any, png.data(), 0), 0);
  EXPECT_EQ(ImageLoadFromBuffer(CV_Any, png.data(), -5), 0);
  EXPECT_EQ(ImageLoadFromBuffer(-7, png.data(), static_cast<int64_t>(png.size())), 0);
  EXPECT_EQ(ImageCount(), 0);
}

TEST_F(CodecRegistry, LoadFromMemoryStopsAtTheEndOfThePicture) {
  const std::vector<uint8_t> png = ReadBytes(TestData("pngsuite/basn6a08.png"));
  const int64_t image = ImageLoadFromMemory(CV_Any, png.data());
  ASSERT_NE(image, 0);
  EXPECT_EQ(Record(image)->depth, 32);
  EXPECT_EQ(LargestDifference(PixelsOf(image), ReferencePng(png)), 0);
}

// A TGA header is the easiest way to claim any size: 24 bits per pixel, no pixel data.
std::vector<uint8_t> TgaHeader(int width, int height, int bits = 24) {
  return {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(width), static_cast<uint8_t>(width >> 8),
          static_cast<uint8_t>(height), static_cast<uint8_t>(height >> 8), static_cast<uint8_t>(bits), 0};
}

TEST_F(CodecRegistry, PicturesTooLargeToHoldFailCleanly) {
  EXPECT_EQ(LoadBytes(TgaHeader(40000, 10)), 0) << "wider than an image can report";
  EXPECT_EQ(LoadBytes(TgaHeader(32767, 32767, 32)), 0) << "a pixel buffer over 2 GiB";
  EXPECT_EQ(LoadBytes(TgaHeader(0, 10)), 0);
  EXPECT_EQ(LoadBytes(TgaHeader(10, 0)), 0);
  // A BMP may claim a negative width, or a height that cannot be negated.
  std::vector<uint8_t> bmp = ReadBytes(TestData("bmpsuite/g/rgb24.bmp"));
  PutLe32(&bmp[18], static_cast<uint32_t>(-127));
  EXPECT_EQ(LoadBytes(bmp), 0);
  PutLe32(&bmp[18], 127);
  PutLe32(&bmp[22], 0x80000000u);
  EXPECT_EQ(LoadBytes(bmp), 0);
  EXPECT_EQ(ImageCount(), 0);
  // The largest side an image reports still loads, as a black picture when the data is missing.
  const int64_t wide = LoadBytes(TgaHeader(32767, 2));
  ASSERT_NE(wide, 0);
  EXPECT_EQ(ImageGetWidth(wide), 32767);
}

TEST_F(CodecRegistry, HeadersThatPointPastTheDataGiveBlackPicturesOrNone) {
  // A TGA whose ID and colour map would end far past the data: the picture is there, black.
  std::vector<uint8_t> tga = ReadBytes(TestData("tga/image-rs/top_left.tga"));
  tga[0] = 255;
  tga[1] = 1;
  PutLe16(&tga[5], 0xFFFF);
  tga[7] = 32;
  const int64_t image = LoadBytes(tga);
  ASSERT_NE(image, 0);
  const Picture picture = PixelsOf(image);
  EXPECT_EQ(*std::max_element(picture.bgra.begin(), picture.bgra.end()), 0);
  // A PNG header, with a right checksum, claiming a picture wider than an image can be.
  std::vector<uint8_t> png = ReadBytes(TestData("pngsuite/basn2c08.png"));
  png[18] = 40000 >> 8;
  png[19] = 40000 & 0xFF;
  const uLong crc = crc32(0, &png[12], 17);
  for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
  EXPECT_EQ(LoadBytes(png), 0);
  // A JPEG frame header claiming 65 000 × 65 000 pixels.
  std::vector<uint8_t> jpeg = ReadBytes(TestData("jpeg/libjpeg-turbo/testorig.jpg"));
  for (size_t i = 0; i + 8 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
      jpeg[i + 5] = jpeg[i + 7] = 0xFD;
      jpeg[i + 6] = jpeg[i + 8] = 0xE8;
      break;
    }
  }
  EXPECT_EQ(LoadBytes(jpeg), 0);
  EXPECT_EQ(ImageCount(), 1);
}

TEST_F(CodecRegistry, DamagedFilesLoadOrFailWithoutHarm) {
  // Every sample with bytes overwritten at random places, mostly in its headers; run under the
  // sanitizers this finds reads and writes out of bounds, and the fixture finds leaked objects.
  uint32_t seed = 2024;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  for (const char* name : {"pngsuite/basn3p04.png", "pngsuite/basi6a08.png", "bmpsuite/g/pal8rle.bmp",
                           "bmpsuite/g/rgb16-565.bmp", "bmpsuite/g/pal4.bmp", "tga/image-rs/bottom_right.tga",
                           "tga/ftrvxmtrx-tga/ctc16.tga", "jpeg/jpeg-decoder/jpg-progressive.jpg",
                           "jpeg/jpeg-decoder/jpg-cmyk-2.jpg", "tiff/libtiff/palette-1c-4b.tiff",
                           "tiff/pillow/multipage.tiff", "ico/image-rs/smile.ico"}) {
    const std::vector<uint8_t> original = ReadBytes(TestData(name));
    for (int round = 0; round < 150; ++round) {
      std::vector<uint8_t> damaged = original;
      const int changes = 1 + static_cast<int>(next() >> 30);
      for (int i = 0; i < changes; ++i) {
        const size_t span = next() % 4 ? std::min<size_t>(64, damaged.size()) : damaged.size();
        damaged[(next() >> 8) % span] = static_cast<uint8_t>(next() >> 24);
      }
      const int64_t image = LoadBytes(damaged);
      if (image == 0) continue;
      EXPECT_GT(ImageGetWidth(image), 0) << name;
      EXPECT_GT(ImageGetHeight(image), 0) << name;
      ImageFree(image);
    }
  }
  EXPECT_EQ(ImageCount(), 0);
}

TEST_F(CodecRegistry, TruncatedFilesAtEveryLengthFailOrLoadAtTheirSize) {
  for (const char* name : {"pngsuite/basn3p04.png", "pngsuite/basi0g08.png", "bmpsuite/g/pal4.bmp",
                           "bmpsuite/g/pal8rle.bmp", "jpeg/jpeg-decoder/jpg-size-17x17.jpg",
                           "tiff/pillow/multipage.tiff", "ico/image-rs/smile.ico", "tga/image-rs/b5-attrib.tga"}) {
    const std::vector<uint8_t> whole = ReadBytes(TestData(name));
    ASSERT_FALSE(whole.empty()) << name;
    const int64_t full = LoadBytes(whole);
    ASSERT_NE(full, 0) << name;
    const int64_t width = ImageGetWidth(full), height = ImageGetHeight(full);
    ImageFree(full);
    for (size_t length = 1; length < whole.size(); ++length) {
      const std::vector<uint8_t> part(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(length));
      const int64_t image = LoadBytes(part);
      if (image == 0) continue;
      // A BMP or TGA header alone is a picture; other short data must give the whole size.
      if (ImageGetWidth(image) != width || ImageGetHeight(image) != height) {
        ADD_FAILURE() << name << " cut at " << length << " loads as " << ImageGetWidth(image) << "x"
                      << ImageGetHeight(image);
      }
      ImageFree(image);
    }
    EXPECT_EQ(ImageCount(), 0) << name;
  }
}

TEST_F(CodecRegistry, SaveRefusesBadRequests) {
  const int64_t image = Load("pngsuite/basn2c08.png");
  ASSERT_NE(image, 0);
  const std::u16string file = Wide(TempPath("out.png"));
  EXPECT_EQ(ImageSave(image, u"", kImageFormatPng), 0);
  EXPECT_EQ(ImageSave(image, nullptr, kImageFormatPng), 0);
  EXPECT_EQ(ImageSave(99, file.c_str(), kImageFormatPng), 0);
  EXPECT_EQ(ImageSave(image, file.c_str(), ImageFormatTag("GIF")), 0);
  EXPECT_EQ(ImageSave(image, file.c_str(), kImageFormatBmp, 7, 16), 0) << "BMP has no 16-bit writer";
  EXPECT_FALSE(std::filesystem::exists(TempPath("out.png")));
  // A folder that does not exist cannot take the file.
  EXPECT_EQ(ImageSave(image, Wide(TempPath("no/such/folder/out.png")).c_str(), kImageFormatPng), 0);
  EXPECT_EQ(ImageSave(image, Wide(TempPath("no/such/folder/out.bmp")).c_str()), 0);
  EXPECT_EQ(ImageEncode(nullptr, nullptr, kImageFormatBmp, 4, 4, 12, 24, 2, 7, 24), 0);
  uint8_t pixels[64] = {};
  EXPECT_EQ(ImageEncode(nullptr, pixels, kImageFormatBmp, 4, 4, 8, 24, 2, 7, 24), 0) << "stride shorter than a row";
  EXPECT_EQ(ImageEncode(nullptr, pixels, kImageFormatBmp, 0, 4, 12, 24, 2, 7, 24), 0);
  EXPECT_EQ(ImageEncode(nullptr, pixels, kImageFormatBmp, 4, 4, 12, 16, 2, 7, 24), 0) << "only 24 and 32 bits";
}

TEST_F(CodecRegistry, SaveWithoutDepthWritesTheDepthThePictureWasReadWith) {
  const int64_t palette = Load("pngsuite/basn3p04.png");
  ASSERT_NE(palette, 0);
  EXPECT_EQ(Record(palette)->sourceDepth, 4);
  const std::string out = TempPath("palette.bmp");
  ASSERT_EQ(ImageSave(palette, Wide(out).c_str()), 1);
  const std::vector<uint8_t> bmp = ReadBytes(out);
  ASSERT_GE(bmp.size(), 54u);
  EXPECT_EQ(bmp[28], 4);
  EXPECT_EQ(bmp[10], 54 + 64);
  // A grabbed picture has no source depth: BMP needs one named, PNG writes full colour.
  const int64_t grabbed = MakeImage(3, 2, 24, [](int64_t, int64_t, uint8_t* p) { p[0] = p[1] = p[2] = 9; });
  EXPECT_EQ(ImageSave(grabbed, Wide(TempPath("grab.bmp")).c_str()), 0);
  EXPECT_EQ(ImageSave(grabbed, Wide(TempPath("grab.bmp")).c_str(), kImageFormatBmp, 7, 24), 1);
  EXPECT_EQ(ImageSave(grabbed, Wide(TempPath("grab.png")).c_str(), kImageFormatPng), 1);
  const int64_t back = ImageLoad(CV_Any, Wide(TempPath("grab.png")).c_str());
  ASSERT_NE(back, 0);
  EXPECT_EQ(Record(back)->sourceDepth, 24);
}

TEST_F(CodecRegistry, TransparentPixelsAreWrittenOverWhiteWhereAlphaCannotGo) {
  // Alpha 0, 128 and 255 over the colour (R 0, G 100, B 200).
  const uint8_t alphas[3] = {0, 128, 255};
  const int64_t image = MakeImage(3, 1, 32, [&](int64_t x, int64_t, uint8_t* p) {
    p[0] = 200;
    p[1] = 100;
    p[2] = 0;
    p[3] = alphas[x];
  });
  const int64_t block = ImageEncode(nullptr, reinterpret_cast<void*>(0), kImageFormatBmp, 3, 1, 12, 32, 2, 7, 24);
  EXPECT_EQ(block, 0);
  DIBSECTION section{};
  GetObjectW(reinterpret_cast<HGDIOBJ>(ImageHandle(image)), sizeof section, &section);
  const int64_t encoded = ImageEncode(nullptr, section.dsBm.bmBits, kImageFormatBmp, 3, 1, 12, 32, 2, 7, 24);
  ASSERT_NE(encoded, 0);
  const auto* file = reinterpret_cast<const uint8_t*>(encoded);
  EXPECT_EQ(HeapSize(MainHeap(), 0, file), 54u + 12u);
  const uint8_t* p = file + 54;
  EXPECT_EQ((std::vector<int>{p[0], p[1], p[2]}), (std::vector<int>{255, 255, 255}));
  // (c × a + 255 × (255 − a)) / 255 with a = 128.
  EXPECT_EQ((std::vector<int>{p[3], p[4], p[5]}), (std::vector<int>{(200 * 128 + 255 * 127) / 255,
                                                                    (100 * 128 + 255 * 127) / 255, 127}));
  EXPECT_EQ((std::vector<int>{p[6], p[7], p[8]}), (std::vector<int>{200, 100, 0}));
  MainHeapFree(reinterpret_cast<void*>(encoded));
}

class CodecRegistryBmpOnly : public CodecTest {
 protected:
  void RegisterCodecs() override {}
};

TEST_F(CodecRegistryBmpOnly, PngIsNeitherReadNorWrittenBeforeItsCodecRegisters) {
  const int64_t bmp = Load("bmpsuite/g/rgb24.bmp");
  ASSERT_NE(bmp, 0);
  EXPECT_EQ(ImageSave(bmp, Wide(TempPath("early.png")).c_str(), kImageFormatPng), 0);
  EXPECT_EQ(Load("pngsuite/basn2c08.png"), 0);
  PngEncoderInit();
  PngDecoderInit();
  EXPECT_EQ(ImageSave(bmp, Wide(TempPath("late.png")).c_str(), kImageFormatPng), 1);
  EXPECT_NE(Load("pngsuite/basn2c08.png"), 0);
}

TEST(CodecRestart, ARestartedRegistryTakesEveryCodecAgain) {
  for (int round = 0; round < 2; ++round) {
    ProgramStart();
    const std::vector<uint8_t> png = ReadBytes(TestData("pngsuite/basn2c08.png"));
    const int64_t image = ImageLoadFromBuffer(CV_Any, png.data(), static_cast<int64_t>(png.size()));
    EXPECT_NE(image, 0) << "round " << round;
    const std::vector<uint8_t> tga = ReadBytes(TestData("tga/image-rs/top_left.tga"));
    EXPECT_NE(ImageLoadFromBuffer(CV_Any, tga.data(), static_cast<int64_t>(tga.size())), 0) << "round " << round;
    ProgramEnd();
    StringHeapShutdown();
    MainHeapDestroy();
  }
}

}  // namespace
}  // namespace codec_test
